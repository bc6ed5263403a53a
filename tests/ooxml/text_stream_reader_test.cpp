#include "ooxml/text_stream_reader.h"

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "runtime/exceptions.h"
#include "runtime/streams.h"

namespace vn::ooxml::text_stream_reader_test {
namespace {

using Opt = TExtractTextOption;

TEST(TextStreamReaderTest, NullStreamOrEncodingIsRefused) {
  TStringStream stream("x");
  struct Case {
    TStream* stream;
    const TEncoding* encoding;
    const char* message;
  } cases[] = {
      {nullptr, TEncoding::UTF8(), "Invalid Stream"},
      {&stream, nullptr, "Invalid Encoding"},
      {nullptr, nullptr, "Invalid Stream"},
  };
  for (const Case& c : cases) {
    try {
      TvnStreamReader reader(c.stream, c.encoding);
      ADD_FAILURE() << "no error for " << c.message;
    } catch (const EArgumentException& e) {
      EXPECT_STREQ(e.what(), c.message);
    }
  }
}

TEST(TextStreamReaderTest, EncodingFromByteOrderMarkOrPreamble) {
  struct Case {
    const char* name;
    std::string bytes;
    const TEncoding* encoding;
    bool detect;
    String text;
    const TEncoding* chosen;
  } cases[] = {
      // A UTF-8 mark is skipped as the encoding's preamble without detection.
      {"utf8 preamble", "\xEF\xBB\xBF<a/>", TEncoding::UTF8(), false, u"<a/>", TEncoding::UTF8()},
      {"utf16le mark", std::string("\xFF\xFE<\0\xE9\0", 6), TEncoding::UTF8(), true, u"<\u00E9", TEncoding::Unicode()},
      {"utf16be mark", std::string("\xFE\xFF\0<\0\xE9", 6), TEncoding::UTF8(), true, u"<\u00E9",
       TEncoding::BigEndianUnicode()},
      {"utf8 mark detected", "\xEF\xBB\xBFz", TEncoding::Default(), true, u"z", TEncoding::UTF8()},
      // Without a mark, detection keeps the ANSI code page and turns any
      // other encoding into UTF-8.
      {"ansi kept", "caf\xE9", TEncoding::Default(), true, u"caf\u00E9", TEncoding::Default()},
      {"utf16 without mark", "ab", TEncoding::Unicode(), true, u"ab", TEncoding::UTF8()},
      // No detection: a UTF-16 mark is just two bad UTF-8 bytes.
      {"utf16 read as utf8", std::string("\xFF\xFE<\0", 4), TEncoding::UTF8(), false,
       String(u"\uFFFD\uFFFD<") + u'\0', TEncoding::UTF8()},
      {"utf16le no mark", std::string("a\0b\0", 4), TEncoding::Unicode(), false, u"ab", TEncoding::Unicode()},
  };
  for (const Case& c : cases) {
    TStringStream stream(c.bytes);
    TvnStreamReader reader(&stream, c.encoding, c.detect);
    EXPECT_EQ(reader.ReadToEnd(), c.text) << c.name;
    EXPECT_EQ(reader.CurrentEncoding(), c.chosen) << c.name;
  }
}

// Characters of every UTF-8 length, and UTF-16 with an odd chunk size,
// placed across the end of the first chunk.
TEST(TextStreamReaderTest, CharacterCutByAChunkIsDecodedWhole) {
  const String samples[] = {u"\u00E9", u"\u20AC", u"\U0001F600"};
  for (const String& sample : samples) {
    for (size_t offset = 124; offset <= 128; ++offset) {
      const String text = String(offset, u'a') + sample + u"zz";
      TStringStream stream(TEncoding::UTF8()->GetBytes(text));
      TvnStreamReader reader(&stream, TEncoding::UTF8(), false, 128);
      EXPECT_EQ(reader.ReadToEnd(), text) << "offset " << offset;
    }
  }
  const String text = String(63, u'a') + u"\U0001F600" + u"\u4E2D";
  TStringStream stream("\xFE\xFF" + TEncoding::BigEndianUnicode()->GetBytes(text));
  TvnStreamReader reader(&stream, TEncoding::UTF8(), true, 129);
  EXPECT_EQ(reader.ReadToEnd(), text);
}

TEST(TextStreamReaderTest, BadBytesBecomeReplacementCharacters) {
  struct Case {
    std::string bytes;
    String text;
  } cases[] = {
      {"a\x80z", u"a\uFFFDz"},
      {"a\xC0\xAFz", u"a\uFFFD\uFFFDz"},        // overlong form
      {"a\xED\xA0\x80z", u"a\uFFFD\uFFFD\uFFFDz"},  // encoded surrogate
      {"a\xE2\x82z", u"a\uFFFDz"},              // cut sequence
      {"a\xE2\x82", u"a\uFFFD"},                // cut by the end of the data
      {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // above U+10FFFF
  };
  for (const Case& c : cases) {
    TStringStream stream(c.bytes);
    TvnStreamReader reader(&stream, TEncoding::UTF8(), false, 128);
    EXPECT_EQ(reader.ReadToEnd(), c.text);
  }
}

TEST(TextStreamReaderTest, ReadTextStopsAtAStopOrTakesTheRest) {
  struct Case {
    std::string data;
    String stops;
    TExtractTextOptions options;
    String result;
    String rest;
  } cases[] = {
      {"ab<cd", u"<", {}, u"ab", u"<cd"},
      {"ab<cd", u"<", {Opt::etoDeleteStopChar}, u"ab", u"cd"},
      {"ab>c<d", u"<>", {Opt::etoDeleteStopChar}, u"ab", u"c<d"},
      {"a-b--c-->d", u"-->", {Opt::etoStopString, Opt::etoDeleteStopChar}, u"a-b--c", u"d"},
      {"a-b--c-->d", u"-->", {Opt::etoStopString}, u"a-b--c", u"-->d"},
      {"no stop here", u"<", {Opt::etoDeleteStopChar}, u"no stop here", u""},
      // The data end exactly with the chunk: the last fill gets no bytes.
      {std::string(128, 'x'), u"<", {}, String(128, u'x'), u""},
      {std::string(256, 'x'), u"-->", {Opt::etoStopString}, String(256, u'x'), u""},
      // The stop string straddles the end of the first chunk.
      {std::string(126, 'x') + "-->y", u"-->", {Opt::etoStopString, Opt::etoDeleteStopChar}, String(126, u'x'), u"y"},
  };
  for (const Case& c : cases) {
    TStringStream stream(c.data);
    TvnStreamReaderHelper reader(&stream, TEncoding::UTF8(), false, 128);
    EXPECT_EQ(reader.ReadText(c.stops, c.options), c.result);
    EXPECT_EQ(reader.ReadToEnd(), c.rest);
    EXPECT_TRUE(reader.EndOfStream());
  }
}

TEST(TextStreamReaderTest, KeywordTestIsExactAndConsumesOnlyOnAMatch) {
  TStringStream stream(std::string(126, ' ') + "!DOCTYPE x");
  TvnStreamReaderHelper reader(&stream, TEncoding::UTF8(), false, 128);
  reader.IncCharPos(126);
  EXPECT_FALSE(reader.IsUppercaseText(u"!doctype"));
  EXPECT_FALSE(reader.IsUppercaseText(u"!DOCTYPE x and more"));
  EXPECT_EQ(reader.FirstChar(), u"!");
  EXPECT_TRUE(reader.IsUppercaseText(u"!DOCTYPE"));  // across the chunk's end
  EXPECT_EQ(reader.ReadToEnd(), u" x");
  EXPECT_EQ(reader.FirstChar(), u"");
}

TEST(TextStreamReaderTest, ReadLineTakesEachKindOfBreak) {
  // The carriage return ends the first chunk, its line feed begins the next.
  const std::string first = std::string(127, 'a') + "\r\nb";
  struct Case {
    std::string data;
    std::vector<String> lines;
  } cases[] = {
      {"a\r\nb", {u"a", u"b"}},
      {"a\rb\nc\n\nd", {u"a", u"b", u"c", u"", u"d"}},
      {first, {String(127, u'a'), u"b"}},
  };
  for (const Case& c : cases) {
    TStringStream stream(c.data);
    TvnStreamReader reader(&stream, TEncoding::UTF8(), false, 128);
    std::vector<String> lines;
    while (!reader.EndOfStream()) lines.push_back(reader.ReadLine());
    EXPECT_EQ(lines, c.lines);
  }
}

TEST(TextStreamReaderTest, PeekReadAndClose) {
  TStringStream stream("ab");
  TvnStreamReader reader(&stream);
  EXPECT_EQ(reader.Peek(), 'a');
  EXPECT_EQ(reader.Read(), 'a');
  std::u16string block(4, u'-');
  EXPECT_EQ(reader.Read(block, 1, 3), 1);
  EXPECT_EQ(block, u"-b--");
  EXPECT_EQ(reader.Read(), -1);
  EXPECT_THROW(reader.Read(block, 2, 3), EArgumentOutOfRangeException);

  stream.SetPosition(0);
  reader.DiscardBufferedData();
  EXPECT_EQ(reader.Peek(), 'a');
  reader.Close();
  EXPECT_EQ(reader.Peek(), -1);
  EXPECT_EQ(reader.ReadLine(), u"");
  EXPECT_TRUE(reader.EndOfStream());
}

TEST(TextStreamReaderTest, FileConstructorsOwnTheirStream) {
  const auto path = std::filesystem::temp_directory_path() / "reader_test.txt";
  WriteFileBytes(path, "\xEF\xBB\xBFline");
  {
    TvnStreamReader reader(path);
    EXPECT_EQ(reader.ReadLine(), u"line");
  }
  std::filesystem::remove(path);
  EXPECT_THROW(TvnStreamReader reader(path), EFOpenError);
  EXPECT_THROW(TvnStreamReader reader(path, static_cast<const TEncoding*>(nullptr)), EArgumentException);
}

}  // namespace
}  // namespace vn::ooxml::text_stream_reader_test
