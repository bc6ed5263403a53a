#include "rtf/rtf_document_handler.h"

#include <gtest/gtest.h>

#include <string>

#include "rtf_test_support.h"
#include "runtime/exceptions.h"
#include "support/paths.h"
#include "wordmodel/paragraph.h"

namespace rtf_document_handler_test {

using vn::rtf::TvnRTFDocumentHandler;

std::string FixturePath(const std::string& AName) { return std::string(VN_FIXTURES_DIR) + "/rtf/" + AName; }

std::string DumpHandlerBody(const TvnRTFDocumentHandler& AHandler, bool AFormat) {
  std::string result;
  for (const auto* element : AHandler.GetBody().Items) {
    const auto* paragraph = dynamic_cast<const vn::wordmodel::TvnParagraph*>(element);
    if (paragraph == nullptr) continue;
    result += rtf_test_support::DumpParagraph(*paragraph, AFormat) + "\n";
  }
  return result;
}

// A document written from a DOCX source: its sections, paragraphs, bold and
// italic runs, fonts, colours and its Cyrillic, Greek and Japanese text.
TEST(RtfLoading, AFileFromADocxSourceLoadsAsTheSourceHeldIt) {
  TvnRTFDocumentHandler handler(nullptr);
  handler.LoadDocument(vn::FromUtf8(FixturePath("scripts_and_sections.rtf")));
  EXPECT_EQ(DumpHandlerBody(handler, true),
            "{Arial 12}Plain {b Arial 12}bold{Arial 12} and {i Arial 12}italic{Arial 12} and "
            "{b i Arial 12}both{Arial 12}.\n"
            "{Times New Roman 14 ff0000}Red serif{Arial 12 0000ff} blue\n"
            "{Arial 12}Привет, мир\n"
            "{Arial 12}Γειά σου κόσμε\n"
            "{Noto Sans CJK JP 12}日本語のテキスト\n"
            "{b Arial 12}Last\n");
  const auto& sections = handler.GetBody().Sections;
  ASSERT_EQ(sections.size(), 2u);
  // Both sections take the document page (Letter, 1-inch margins): the
  // section keys that would change the second one are read elsewhere.
  EXPECT_EQ(sections[0]->GetPageWidth(), 816);
  EXPECT_EQ(sections[0]->GetPageHeight(), 1056);
  EXPECT_EQ(sections[0]->GetPageMargin()->GetLeft(), 96);
}

TEST(RtfLoading, AStreamIsReadFromItsPosition) {
  vn::TStringStream stream("junk{\\rtf1 a\\par}");
  stream.Seek(4, vn::SeekOrigin::soBeginning);
  TvnRTFDocumentHandler handler(nullptr);
  EXPECT_EQ(handler.GetPageCount(), 1);
  handler.LoadDocument(&stream);
  EXPECT_TRUE(handler.GetIsLoaded());
  EXPECT_EQ(DumpHandlerBody(handler, false), "a\n");
  ASSERT_NE(handler.GetParser(), nullptr);
  EXPECT_EQ(handler.GetParser()->GetStylesParser(), nullptr);
  EXPECT_EQ(handler.GetParser()->GetNumberParser(), nullptr);
}

TEST(RtfLoading, AnEmptyStreamGivesOneDefaultSection) {
  vn::TStringStream stream("");
  TvnRTFDocumentHandler handler(nullptr);
  handler.LoadDocument(&stream);
  ASSERT_EQ(handler.GetBody().Sections.size(), 1u);
  EXPECT_EQ(handler.GetBody().Sections[0]->GetPageWidth(), 793);
  EXPECT_TRUE(handler.GetBody().Items.empty());
}

TEST(RtfLoading, ASecondLoadReplacesTheFirst) {
  TvnRTFDocumentHandler handler(nullptr);
  handler.LoadDocument(vn::FromUtf8(FixturePath("scripts_and_sections.rtf")));
  vn::TStringStream stream("{\\rtf1 only\\par}");
  handler.LoadDocument(&stream);
  EXPECT_EQ(DumpHandlerBody(handler, false), "only\n");
  EXPECT_EQ(handler.GetBody().Sections.size(), 1u);
}

TEST(RtfLoading, AMissingFileRaisesTheFileOpenError) {
  TvnRTFDocumentHandler handler(nullptr);
  EXPECT_THROW(handler.LoadDocument(vn::FromUtf8(FixturePath("no_such_file.rtf"))), vn::EFOpenError);
  EXPECT_FALSE(handler.GetIsLoaded());
}

}  // namespace rtf_document_handler_test
