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
}

}  // namespace rtf_document_test
