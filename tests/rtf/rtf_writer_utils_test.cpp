#include "rtf/rtf_writer_utils.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vn::rtf::rtf_writer_utils_test {

using writer::TvnExtMemStream;

std::string Bytes(const TvnExtMemStream& AStream) { return std::string(AStream.View()); }

TEST(RtfWriterText, EncodeRTFTextTable) {
  struct Case {
    std::u16string text;
    std::string rtf;
  };
  const Case cases[] = {
      {u"", ""},
      {u"a{b}\\c", "a\\{b\\}\\\\c"},
      {u"caf\u00e9 \u00ff", "caf\\'E9 \\'FF"},  // Latin-1 letters: their byte, hexadecimal
      {u"\u00a0", "\\'A0"},
      {u"\t\u007f", "\t\x7f"},  // ASCII controls as they are
      // Beyond Latin-1 "\u" with the code unit, then the byte of code page
      // 1252 for readers without Unicode, as "\'hh": "?" (3F) when it has
      // none.
      {u"\u0080\u009f", "\\u128\\'3F\\u159\\'3F"},  // C1 controls: 0x80 is the euro in code page 1252
      {u"\u0100", "\\u256\\'3F"},
      {u"\u20ac", "\\u8364\\'80"},
      {u"\u2019\u201c\u2014", "\\u8217\\'92\\u8220\\'93\\u8212\\'97"},
      {u"\u7fff", "\\u32767\\'3F"},
      {u"\u8000", "\\u-32768\\'3F"},
      {u"\u9c40", "\\u-25536\\'3F"},  // 40000
      {u"\uffff", "\\u-1\\'3F"},
      {u"\U0001D11E", "\\u-10188\\'3F\\u-8930\\'3F"},  // a surrogate pair: one escape per code unit
      {u"ab\u0000cd", "ab"},                 // a NUL ends the text
  };
  for (const Case& c : cases) EXPECT_EQ(writer::EncodeRTFText(c.text), c.rtf) << ToUtf8(c.text);
}

TEST(RtfWriterText, EscapeAndReplace) {
  EXPECT_EQ(writer::EscapeRTFText("a{b}\\c"), "a\\{b\\}\\\\c");
  EXPECT_EQ(writer::EscapeRTFText("\\{"), "\\\\\\{");  // the backslash is doubled before the brace is escaped

  struct Case {
    std::string text, search, replacement, result;
  };
  const Case cases[] = {
      {"a\\b\\", "\\", "\\\\", "a\\\\b\\\\"},
      {"XxX", "x", "y", "yyy"},
      {"abcABC", "bc", "-", "a-A-"},  // the untouched pieces keep their case
      {"\xe9t\xc9", "\xc9", "E", "EtE"},  // Latin-1 letters fold too
      {"aaa", "aa", "b", "ba"},       // left to right, no overlap
      {"", "a", "b", ""},
      {"abc", "", "x", "abc"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(writer::ReplaceAllCaseInsensitive(c.text, c.search, c.replacement), c.result) << c.text;
}

TEST(RtfWriterText, HexDigitsAndBytePairs) {
  const uint8_t bytes[] = {0x00, 0xAB, 0x0F, 0xF0};
  char buffer[8];
  writer::BytesToHexDigits(bytes, buffer, 4);
  EXPECT_EQ(std::string(buffer, 8), "00AB0FF0");

  struct Case {
    std::string text, result;
  };
  const Case cases[] = {{"0024", "2400"}, {"0000ABCD", "CDAB0000"}, {"12345", "4523"}, {"1", ""}, {"", ""}};
  for (const Case& c : cases) EXPECT_EQ(writer::ReverseBytePairs(c.text), c.result) << c.text;
}

TEST(RtfWriterUnits, PixelsPerUnitOnTheReferenceScreen) {
  EXPECT_EQ(writer::ScreenPixelsPerInch, 96);
  struct Case {
    int32_t unit;
    double pixels;
  };
  const Case cases[] = {
      {0, 1}, {1, 96}, {2, 96 / 72.0 * 2.83464}, {3, 96 / 72.0}, {4, 1 / 15.0}, {5, 1}, {-1, 1},
  };
  for (const Case& c : cases) EXPECT_DOUBLE_EQ(writer::GetPixelsPerUnit(c.unit), c.pixels) << c.unit;
  EXPECT_DOUBLE_EQ(writer::TwipsPerPixel(), 15);
  EXPECT_DOUBLE_EQ(1 / writer::GetPixelsPerUnit(4), writer::TwipsPerPixel());
}

TEST(RtfWriterStream, IntegersAreWrittenAndReadHighByteFirst) {
  TvnExtMemStream stream;
  stream.WriteULong(13);
  stream.WriteUShort(255);
  stream.WriteShort(-2);
  stream.WriteLong(-65536);
  stream.WriteByte(7);
  stream.WriteUShortArray({0x0102, 0x0304});
  stream.WriteULongArray({0xA1B2C3D4});
  stream.WriteString(u"P\u0147");  // one byte per character: the low byte
  EXPECT_EQ(Bytes(stream), std::string("\0\0\0\x0D\0\xFF\xFF\xFE\xFF\xFF\0\0\x07\x01\x02\x03\x04\xA1\xB2\xC3\xD4P\x47", 23));

  stream.Seek(0, SeekOrigin::soBeginning);
  EXPECT_EQ(stream.ReadULong(), 13u);
  EXPECT_EQ(stream.ReadUShort(), 255);
  EXPECT_EQ(stream.ReadShort(), -2);
  EXPECT_EQ(stream.ReadLong(), -65536);
  EXPECT_EQ(stream.ReadByte(), 7);
  EXPECT_EQ(stream.ReadUShort(), 0x0102);
  EXPECT_EQ(stream.ReadUShort(), 0x0304);
  EXPECT_EQ(stream.ReadULong(), 0xA1B2C3D4u);
  EXPECT_EQ(stream.ReadString(5), "PG");  // only what is left
  EXPECT_EQ(stream.ReadULong(), 0u);      // past the end
}

TEST(RtfWriterStream, ReadByteArraySkipAndPadding) {
  TvnExtMemStream stream;
  for (uint8_t i = 0; i < 13; ++i) stream.WriteByte(i);
  stream.Seek(9, SeekOrigin::soBeginning);
  std::vector<uint8_t> bytes;
  EXPECT_EQ(stream.ReadByteArray(bytes, 2, 4), 2);  // offset 2 first: 2 bytes before the end
  EXPECT_EQ(bytes[0], 11);
  EXPECT_EQ(bytes[1], 12);

  EXPECT_EQ(stream.SkipBytes(-100), 0);
  EXPECT_EQ(stream.Position(), 0);
  stream.SkipBytes(100);
  EXPECT_EQ(stream.Position(), 13);

  stream.Seek(0, SeekOrigin::soBeginning);
  stream.PadTo4Bytes();
  EXPECT_EQ(stream.GetSize(), 16);
  EXPECT_EQ(stream.PadSize(), 3);
  EXPECT_EQ(Bytes(stream).substr(12), std::string("\x0C\0\0\0", 4));
  stream.PadTo4Bytes();
  EXPECT_EQ(stream.GetSize(), 16);
  EXPECT_EQ(stream.PadSize(), 0);
}

}  // namespace vn::rtf::rtf_writer_utils_test
