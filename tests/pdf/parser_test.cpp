#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "pdf/crypt_stream.h"
#include "pdf/parser.h"
#include "pdf/xref.h"
#include "runtime/streams.h"

namespace vn::pdf::parser_test {
namespace {

std::unique_ptr<TvnPDParser> ParserOver(const std::string& bytes, bool allow_streams = true) {
  auto mem = std::make_shared<vn::TMemoryStream>();
  mem->WriteString(bytes);
  auto lexer = std::make_unique<TvnPDLexer>(MakeRef<TvnMemoryStream>(mem, 0, 0, false));
  return std::make_unique<TvnPDParser>(nullptr, std::move(lexer), allow_streams);
}

std::string ReadAll(TvnPDStream& s) {
  s.Reset();
  std::string out;
  s.GetStream()->Read(out, 1 << 20);
  return out;
}

// Encrypted hex strings are decrypted from their raw bytes: ciphertext that
// happens to start with FE FF is not text, and a last odd digit counts as
// followed by 0.
TEST(PdfParser, EncryptedHexStringsDecryptTheirRawBytes) {
  auto file = std::make_shared<vn::TMemoryStream>();
  file->WriteString("%PDF-1.4\n");
  TvnPDXRef xref(nullptr, MakeRef<TvnMemoryStream>(file, 0, 0, false));
  TvnEncryptionSettings settings;
  settings.Revision = 3;
  settings.KeyLength = 16;
  settings.FileKey = "0123456789abcdef";
  xref.SetDecryption(settings, true, false);
  const TvnStandardSecurity security(settings);
  struct Case {
    std::string input, raw;
  } cases[] = {
      {"<FEFF0041 42>", std::string("\xFE\xFF\x00\x41\x42", 5)},
      {"<feff00>", std::string("\xFE\xFF\x00", 3)},
      {"<414>", "A@"},
      {"(lit)", "lit"},
  };
  for (const Case& c : cases) {
    auto mem = std::make_shared<vn::TMemoryStream>();
    mem->WriteString(c.input);
    TvnPDParser parser(&xref, std::make_unique<TvnPDLexer>(MakeRef<TvnMemoryStream>(mem, 0, 0, false)), false);
    auto obj = parser.GetObject("key", 7, 0);
    ASSERT_TRUE(obj->IsString()) << c.input;
    EXPECT_EQ(obj->AsString()->GetValue(), security.Decrypt(c.raw, 7, 0)) << c.input;
  }
}

TEST(PdfParser, ObjectsAsText) {
  struct Case {
    std::string input, text;
  } cases[] = {
      {"[1 2 R 3]", "[ 1 2 R 3 ]"},
      {"[1 2 3]", "[ 1 2 3 ]"},
      {"<</A 1/B[/C]>>", "<</A 1 /B [ /C ] >>"},
      {"<<5 /K 6>>", "<</K 6 >>"},
      {"<</A>>", "<<>>"},                             // key without a value
      {"<</A [1 2 >> 7", "<</A [ 1 2 ] >>"},        // unclosed array ends with the dictionary
      {"[1 [2 [3]", "[ 1 [ 2 [ 3 ] ] ]"},           // unclosed arrays end with the data
      {"<</A <</B (x)>> /C <3a>>>", "<</A <</B (x) >> /C <3a> >>"},
  };
  for (const Case& c : cases) {
    auto p = ParserOver(c.input);
    EXPECT_EQ(p->GetObject()->GetText(), c.text) << c.input;
  }
}

TEST(PdfParser, ReferenceNeedsTwoIntegersAndR) {
  auto p = ParserOver("1 2 R 3 4 5 R");
  EXPECT_TRUE(p->GetObject()->IsIndirectRef());
  auto three = p->GetObject();
  ASSERT_TRUE(three->IsInteger());
  EXPECT_EQ(three->AsInteger()->GetValue(), 3);
  auto ref = p->GetObject();
  ASSERT_TRUE(ref->IsIndirectRef());
  EXPECT_EQ(ref->GetObjNumber(), 4);
  EXPECT_EQ(ref->GetGenNumber(), 5);
  EXPECT_TRUE(p->GetObject()->IsEOF());
  EXPECT_TRUE(p->GetObject()->IsEOF());
}

TEST(PdfParser, DeepNestingGivesErrorsInsteadOfRecursing) {
  const int depth = 100000;
  auto p = ParserOver(std::string(depth, '[') + std::string(depth, ']'));
  auto obj = p->GetObject();
  ASSERT_TRUE(obj->IsArray());
  // The outermost levels are real arrays; beyond the limit only errors.
  const TvnPDBaseObject* at = obj.get();
  int levels = 0;
  while (at && at->IsArray() && at->AsArray()->GetLength() > 0) {
    at = at->AsArray()->Get(0);
    ++levels;
  }
  EXPECT_EQ(levels, TvnPDParser::kMaxDepth);
  ASSERT_NE(at, nullptr);
  EXPECT_TRUE(at->IsError());
}

TEST(PdfParser, StreamWithCorrectLength) {
  auto p = ParserOver("<</Length 5>>stream\r\nhello\r\nendstream\nendobj");
  auto obj = p->GetObject();
  ASSERT_TRUE(obj->IsStream());
  EXPECT_EQ(ReadAll(*obj->AsStream()), "hello");
  EXPECT_TRUE(p->GetObject()->IsCommand("endobj"));
}

TEST(PdfParser, StreamDataEndAtEndstreamWhenLengthIsWrongOrMissing) {
  struct Case {
    std::string dict, data;
  } cases[] = {
      {"<</Length 10>>", "0123456789ABCDEFGHIJ\n"},  // too short: the rest up to endstream
      {"<</Length 90>>", "short\n"},                  // too long
      {"<<>>", "no length\n"},                          // missing
      {"<</Length /Bad>>", "bad length\n"},
  };
  for (const Case& c : cases) {
    auto p = ParserOver(c.dict + "stream\n" + c.data + "endstream endobj 7");
    auto obj = p->GetObject();
    ASSERT_TRUE(obj->IsStream()) << c.dict;
    EXPECT_EQ(ReadAll(*obj->AsStream()), c.data) << c.dict;
    EXPECT_TRUE(p->GetObject()->IsCommand("endobj")) << c.dict;
  }
}

TEST(PdfParser, StreamWithoutEndstreamKeepsItsLengthClippedToTheData) {
  auto p = ParserOver("<</Length 4>>stream\nabcdefgh");
  auto obj = p->GetObject();
  ASSERT_TRUE(obj->IsStream());
  EXPECT_EQ(ReadAll(*obj->AsStream()), "abcd");
  auto q = ParserOver("<</Length 400>>stream\nabcdefgh");
  EXPECT_EQ(ReadAll(*q->GetObject()->AsStream()), "abcdefgh");
  auto r = ParserOver("<<>>stream\nabcdefgh");
  EXPECT_TRUE(r->GetObject()->IsError());
}

TEST(PdfParser, FlateStreamIsDecoded) {
  // "hello hello hello" compressed with zlib.
  const std::string z("\x78\x9c\xcb\x48\xcd\xc9\xc9\x57\xc8\x40\x90\x00\x3a\x2e\x06\x7d", 16);
  auto p = ParserOver("<</Length 16/Filter/FlateDecode>>stream\n" + z + "\nendstream");
  auto obj = p->GetObject();
  ASSERT_TRUE(obj->IsStream());
  EXPECT_EQ(ReadAll(*obj->AsStream()), "hello hello hello");
}

TEST(PdfParser, StreamsNotAllowedGiveTheDictionary) {
  auto p = ParserOver("<</Length 3>>stream\nabc\nendstream", false);
  EXPECT_TRUE(p->GetObject()->IsDict());
}

TEST(PdfParser, InlineImageLeavesStreamAtItsData) {
  auto p = ParserOver("BI /W 1 /H 1 ID \x01\x02 EI Q");
  std::unique_ptr<TvnPDBaseObject> obj;
  for (int i = 0; i < 10; ++i) {
    obj = p->GetObject();
    if (obj->IsCommand("ID")) break;
  }
  ASSERT_TRUE(obj->IsCommand("ID"));
  TvnStream* s = p->GetStream();
  EXPECT_EQ(s->GetChar(), 1);
  EXPECT_EQ(s->GetChar(), 2);
  EXPECT_TRUE(p->GetObject()->IsCommand("EI"));
  EXPECT_TRUE(p->GetObject()->IsCommand("Q"));
  EXPECT_TRUE(p->GetObject()->IsEOF());
}

TEST(PdfParser, CommentAtTheEndOfContentGivesEOF) {
  auto p = ParserOver("q Q % trailing");
  EXPECT_TRUE(p->GetObject()->IsCommand("q"));
  EXPECT_TRUE(p->GetObject()->IsCommand("Q"));
  EXPECT_TRUE(p->GetObject()->IsEOF());
}

}  // namespace
}  // namespace vn::pdf::parser_test
