#include "rtf/rtf_document.h"

#include <gtest/gtest.h>

#include <string>

#include "runtime/exceptions.h"

namespace rtf_document_test {

using vn::framework::TvnEngineCapability;
using vn::rtf::TvnRTFDocument;

TEST(RtfDocument, LoadsIntoTheWordModel) {
  EXPECT_EQ(TvnRTFDocument::GetEngineCapabilities(),
            (vn::framework::TvnEngineCapabilities{TvnEngineCapability::ecOpen, TvnEngineCapability::ecSave}));
  TvnRTFDocument document;
  EXPECT_EQ(document.GetPageCount(), 1);
  EXPECT_FALSE(document.GetIsLoaded());
  auto* stream = new vn::TStringStream("{\\rtf1 one\\par two\\par}");
  document.LoadFromStream(stream, u"", true);
  EXPECT_TRUE(document.GetIsLoaded());
  EXPECT_EQ(document.GetHandler()->GetBody().Items.size(), 2u);
  // The mediator's document is the RTF document.
  EXPECT_EQ(document.GetHandler()->GetMediator()->GetDocument(), &document);
}

TEST(RtfDocument, TitleAndAuthorReachTheDocumentInformation) {
  TvnRTFDocument document;
  document.LoadFromStream(
      new vn::TStringStream("{\\rtf1{\\info{\\title Report}{\\author Ann}}\\pard Text\\par}"), u"", true);
  ASSERT_NE(document.GetDocumentInfo(), nullptr);
  EXPECT_EQ(document.GetDocumentInfo()->GetTitle(), u"Report");
  EXPECT_EQ(document.GetDocumentInfo()->GetAuthor(), u"Ann");
}

TEST(RtfDocument, AFailedLoadLeavesTheDocumentUnloaded) {
  TvnRTFDocument document;
  EXPECT_THROW(document.LoadFromFile(u"/nonexistent/file.rtf", u""), vn::EFOpenError);
  EXPECT_FALSE(document.GetIsLoaded());
  // Bytes of another format are refused rather than laid out as text.
  EXPECT_THROW(document.LoadFromStream(new vn::TStringStream("\x89PNG\r\n\x1a\n{\\rtf1 x}"), u"", true),
               vn::EConvertError);
  EXPECT_FALSE(document.GetIsLoaded());
  EXPECT_EQ(document.GetPageCount(), 1);
}

// Pages come from the Word layout: page breaks and sections make pages of
// their own sizes, each listing the paragraphs laid out on it.
TEST(RtfDocument, PagesComeFromTheWordLayout) {
  TvnRTFDocument document;
  document.LoadFromStream(new vn::TStringStream("\xEF\xBB\xBF  {\\rtf1\\paperw11906\\paperh16838 one\\par two\\page three"
                                                "\\sect\\sectd\\lndscpsxn\\pgwsxn16838\\pghsxn11906 four\\par}"),
                          u"", true);
  ASSERT_EQ(document.GetPageCount(), 3);
  const int expected_paragraphs[] = {2, 1, 1};
  for (int32_t index = 1; index <= 3; ++index) {
    vn::framework::TvnPage* page = document.GetPage(index);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(document.GetPage(index), page);
    EXPECT_EQ(page->GetPageNumber(), index);
    EXPECT_EQ(page->GetPageElements().size(), static_cast<size_t>(expected_paragraphs[index - 1])) << index;
  }
  const auto first = static_cast<vn::framework::TvnBasePage*>(document.GetPage(1))->GetPageSize();
  const auto last = static_cast<vn::framework::TvnBasePage*>(document.GetPage(3))->GetPageSize();
  EXPECT_GT(first.Height, first.Width);
  EXPECT_GT(last.Width, last.Height);
  EXPECT_THROW(document.GetPage(0), vn::EArgumentOutOfRangeException);
  EXPECT_THROW(document.GetPage(4), vn::EArgumentOutOfRangeException);
}

TEST(RtfDocument, AnEmptyInputGivesOneBlankPage) {
  TvnRTFDocument document;
  document.LoadFromStream(new vn::TStringStream(""), u"", true);
  ASSERT_EQ(document.GetPageCount(), 1);
  EXPECT_TRUE(document.GetPage(1)->GetPageElements().empty());
}

}  // namespace rtf_document_test
