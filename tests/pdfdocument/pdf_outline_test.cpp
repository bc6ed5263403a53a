#include "pdfdocument/pdf_outline.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pdfdocument/pd_bookmark.h"
#include "pdfdocument/pdf_model_testing.h"
#include "support/pdf_files.h"

namespace vn::pdfdoc::pdf_outline_test {

using model_testing::OpenPdfBytes;
using vn::test_support::PdfOfObjects;

// Two US Letter pages (3, 4); the outline root is object 5 and its items
// (6 on) are the given dictionaries, chained in order.
std::string OutlinePdf(const std::vector<std::string>& items) {
  std::vector<std::string> objects = {
      "<< /Type /Catalog /Pages 2 0 R /Outlines 5 0 R >>",
      "<< /Type /Pages /Kids [3 0 R 4 0 R] /Count 2 /MediaBox [0 0 612 792] >>",
      "<< /Type /Page /Parent 2 0 R >>",
      "<< /Type /Page /Parent 2 0 R >>",
      "<< /Type /Outlines /First 6 0 R /Last " + std::to_string(5 + items.size()) + " 0 R >>",
  };
  for (size_t i = 0; i < items.size(); ++i) {
    std::string item = "<< /Title (Item " + std::to_string(i) + ") /Parent 5 0 R ";
    if (i > 0) item += "/Prev " + std::to_string(5 + i) + " 0 R ";
    if (i + 1 < items.size()) item += "/Next " + std::to_string(7 + i) + " 0 R ";
    objects.push_back(item + items[i] + " >>");
  }
  return PdfOfObjects(objects);
}

TEST(PDFOutline, Navigation) {
  auto handler = OpenPdfBytes(OutlinePdf({"", "", ""}));
  TvnPDFOutline root(handler.get(), handler->GetBookmarkRoot(), nullptr);
  TvnPDFOutline* first = root.Child();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(root.GetFirstChild(), first);
  TvnPDFOutline* second = first->Next();
  ASSERT_NE(second, nullptr);
  TvnPDFOutline* third = second->Next();
  ASSERT_NE(third, nullptr);
  EXPECT_EQ(third->Next(), nullptr);
  EXPECT_EQ(second->Prev(), first);
  EXPECT_EQ(first->Prev(), nullptr);
  EXPECT_EQ(third->Title(), u"Item 2");
  EXPECT_EQ(third->BookmarkIndex(), 2);
  EXPECT_EQ(root.Next(), nullptr);
  EXPECT_EQ(third->Child(), nullptr);

  TvnPDFOutline empty(nullptr, nullptr, nullptr);
  EXPECT_EQ(empty.Child(), nullptr);
  EXPECT_EQ(empty.Destination(), nullptr);
  EXPECT_EQ(empty.BookmarkIndex(), 0);
}

struct DestCase {
  const char* item;
  bool has;
  int page, x, y;
};

// The point is in pixels from the page's top-left corner, whatever unit the
// handler measures in; only the edges the destination names count.
TEST(PDFOutline, Destinations) {
  const std::vector<DestCase> cases = {
      {"/Dest [4 0 R /XYZ 72 700 0]", true, 2, 96, 123},
      {"/Dest [3 0 R /FitR 10 20 300 400]", true, 1, 13, 523},
      {"/Dest [3 0 R /FitH 792]", true, 1, 0, 0},
      {"/Dest [4 0 R /Fit]", true, 2, 0, 0},
      {"/A << /S /GoTo /D [4 0 R /XYZ 72 700 0] >>", true, 2, 0, 0},
      {"/A << /S /URI /URI (http://x) >>", false, 0, 0, 0},
      {"/A << /S (GoTo) /D [4 0 R /Fit] >>", false, 0, 0, 0},
      {"/Dest [9 0 R /Fit]", false, 0, 0, 0},
      {"", false, 0, 0, 0},
  };
  for (const DestCase& c : cases) {
    SCOPED_TRACE(c.item);
    for (auto unit : {vn::framework::TvnMeasurementUnit::muPixels, vn::framework::TvnMeasurementUnit::muMM}) {
      auto handler = OpenPdfBytes(OutlinePdf({c.item}));
      handler->SetMeasurementUnit(unit);
      TvnPDFOutline root(handler.get(), handler->GetBookmarkRoot(), nullptr);
      vn::framework::TvnPageDestination* dest = root.Child()->Destination();
      ASSERT_EQ(dest != nullptr, c.has);
      EXPECT_EQ(handler->MeasurementUnit(), unit);
      if (!dest) continue;
      EXPECT_EQ(root.Child()->Destination(), dest);
      EXPECT_EQ(dest->GetPageNumber(), c.page);
      EXPECT_EQ(dest->GetX(), c.x);
      EXPECT_EQ(dest->GetY(), c.y);
    }
  }
}

}  // namespace vn::pdfdoc::pdf_outline_test
