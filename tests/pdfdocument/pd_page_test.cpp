// A page: its boxes and their inheritance, rotation brought into 0..359 as
// pdfinfo shows it, its size, the box of a slice for every rotation, and a
// content stream added to it that a renderer draws after a save.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "pdfdocument/pd_font.h"
#include "pdfdocument/pdf_model_testing.h"
#include "runtime/exceptions.h"
#include "support/pdf_files.h"
#include "support/prerequisites.h"

namespace vn::pdfdoc::pd_page_test {

using vn::framework::TvnMeasurementUnit;
using vn::pdfdoc::model_testing::OpenPdfBytes;
using vn::pdfdoc::model_testing::TempPdf;
using vn::test_support::PdfOfObjects;

// One page under one node; `node` and `page` are extra entries.
std::string OnePage(const std::string& node, const std::string& page) {
  return PdfOfObjects({"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 " + node + " >>",
                       "<< /Type /Page /Parent 2 0 R " + page + " >>"});
}

TEST(PDPageBoxes, OwnInheritedAndDamaged) {
  auto inherited = OpenPdfBytes(OnePage("/MediaBox [0 0 400 500]", "/CropBox [1 2 3 4]"));
  TvnPDPage* page = inherited->GetPage(1);
  ASSERT_NE(page->Mediabox(), nullptr);
  EXPECT_EQ(page->Mediabox()->Right(), 400);
  EXPECT_TRUE(page->IsInheritedMediaBox());
  EXPECT_EQ(page->Cropbox()->Bottom(), 4);
  EXPECT_FALSE(page->IsInheritedCropBox());
  EXPECT_EQ(page->Bleedbox()->Left(), -1);  // absent, and never inherited
  EXPECT_EQ(page->TrimBox()->Bottom(), -1);

  auto bad = OpenPdfBytes(OnePage("", "/MediaBox 5 /CropBox (x)"));
  try {
    bad->GetPage(1)->Mediabox();
    FAIL() << "a MediaBox that is not an array was taken";
  } catch (const vn::ExBadPDFPage& e) {
    EXPECT_STREQ(e.what(), "Bad Page object");
  }
  EXPECT_THROW(bad->GetPage(1)->GetPageSize(), vn::ExBadPDFPage);
}

TEST(PDPageRotation, NormalisedLikeReadersDo) {
  struct Case {
    const char* node;
    const char* page;
    int64_t rotate;  // as the file gives it
    int32_t normalized;
    int32_t display180;  // displayed with a further 180
  };
  const Case cases[] = {
      {"", "", 0, 0, 180},
      {"/Rotate 90", "", 90, 90, 270},
      {"/Rotate 90", "/Rotate 270", 270, 270, 90},
      {"", "/Rotate 450", 450, 90, 270},
      {"", "/Rotate -90", -90, 270, 90},
      {"", "/Rotate 720", 720, 0, 180},
      {"/Rotate 90", "/Rotate 7.5", 0, 0, 180},  // not an integer: 0, not the node's
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.node) + " | " + c.page);
    auto handler = OpenPdfBytes(OnePage(c.node, c.page));
    TvnPDPage* page = handler->GetPage(1);
    EXPECT_EQ(page->Rotate(), c.rotate);
    EXPECT_EQ(page->NormalizedRotate(), c.normalized);
    EXPECT_EQ(page->DisplayRotation(180), c.display180);
  }
}

TEST(PDPageSize, FromCropOrMediaBoxInTheHandlersUnit) {
  struct Case {
    const char* page;
    TvnMeasurementUnit unit;
    double width, height;
  };
  const Case cases[] = {
      {"/CropBox [0 0 595.3 841.9] /MediaBox [0 0 700 900]", TvnMeasurementUnit::muPoints, 595.3, 841.9},
      {"/CropBox [0 0 595.3 841.9] /Rotate 90", TvnMeasurementUnit::muPoints, 595.3, 841.9},
      {"/MediaBox [612 792 0 0]", TvnMeasurementUnit::muPixels, 816, 1056},
      {"", TvnMeasurementUnit::muPoints, 612, 792},  // no box at all: US Letter
      // A crop box reaching beyond the media box is cut to it; one apart
      // from it is taken alone.
      {"/CropBox [0 0 612 792] /MediaBox [0 0 306 396]", TvnMeasurementUnit::muPoints, 306, 396},
      {"/CropBox [100 -50 400 300] /MediaBox [0 0 306 396]", TvnMeasurementUnit::muPoints, 206, 300},
      {"/CropBox [500 500 600 650] /MediaBox [0 0 306 396]", TvnMeasurementUnit::muPoints, 100, 150},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.page);
    auto handler = OpenPdfBytes(OnePage("", c.page));
    handler->SetMeasurementUnit(c.unit);
    const auto size = handler->GetPage(1)->GetPageSize();
    EXPECT_NEAR(size.Width, c.width, 1e-9);
    EXPECT_NEAR(size.Height, c.height, 1e-9);
  }
}

TEST(PDPageSlice, BoxOfASliceForEachRotation) {
  // Media box left 10, lower 20, right 210, upper 120; at 144 x 288 dpi the
  // slice (20, 40, 60, 80) covers x 10..40 and y 10..30 points.
  struct Case {
    int32_t rotate;
    bool upside_down;
    bool use_media_box;
    double left, top, right, bottom;
  };
  const Case cases[] = {
      {0, false, true, 20, 30, 50, 50},      {0, true, true, 20, 90, 50, 110},
      {90, false, true, 180, 30, 200, 60},   {90, true, true, 20, 30, 40, 60},
      {180, false, true, 170, 90, 200, 110}, {180, true, true, 170, 30, 200, 50},
      {270, false, true, 20, 80, 40, 110},   {270, true, true, 180, 80, 200, 110},
      {0, false, false, 40, 50, 70, 70},  // the crop box [30 40 130 100]
  };
  auto handler = OpenPdfBytes(OnePage("", "/MediaBox [10 20 210 120] /CropBox [30 40 130 100]"));
  TvnPDPage* page = handler->GetPage(1);
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.rotate << (c.upside_down ? " upside down" : "")
                                      << (c.use_media_box ? "" : " crop box"));
    TvnPDRect box;
    bool crop = false;
    page->MakeBox(144, 288, c.rotate, c.use_media_box, c.upside_down, 20, 40, 60, 80, box, crop);
    EXPECT_DOUBLE_EQ(box.Left(), c.left);
    EXPECT_DOUBLE_EQ(box.Top(), c.top);
    EXPECT_DOUBLE_EQ(box.Right(), c.right);
    EXPECT_DOUBLE_EQ(box.Bottom(), c.bottom);
    EXPECT_FALSE(crop);
  }
  TvnPDRect whole;
  bool crop = false;
  page->MakeBox(96, 96, 90, true, false, -1, -1, -1, -1, whole, crop);
  EXPECT_EQ(whole.Right(), 210);
  EXPECT_FALSE(crop);
  page->MakeBox(96, 96, 90, false, false, 0, 0, -1, 10, whole, crop);
  EXPECT_EQ(whole.Right(), 130);
  EXPECT_TRUE(crop);
}

// The RGB of pixel (x, y) of pdftoppm's 72-dpi rendering of page 1.
std::array<int, 3> RenderedPixel(const std::filesystem::path& pdf, int x, int y) {
  const auto prefix = TempPdf("render");
  vn::pdf::testing::RunTool("pdftoppm -r 72 -singlefile " + pdf.string() + " " + prefix.string());
  std::ifstream in(prefix.string() + ".ppm", std::ios::binary);
  std::string magic;
  int width = 0, height = 0, maxval = 0;
  in >> magic >> width >> height >> maxval;
  in.get();
  std::vector<char> pixels((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const size_t at = (static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * 3;
  if (magic != "P6" || pixels.size() < at + 3) return {-1, -1, -1};
  return {static_cast<uint8_t>(pixels[at]), static_cast<uint8_t>(pixels[at + 1]), static_cast<uint8_t>(pixels[at + 2])};
}

TEST(PDPageContent, AddedStreamIsDrawnAfterSave) {
  if (!vn::test_support::HaveTool("pdftoppm")) GTEST_SKIP() << "pdftoppm missing";
  if (!vn::test_support::HaveTool("qpdf")) GTEST_SKIP() << "qpdf missing";
  const std::string red = "1 0 0 rg 0 0 50 100 re f";
  const std::string red_stream = "<< /Length " + std::to_string(red.size()) + " >>\nstream\n" + red + "\nendstream";
  struct Case {
    const char* what;
    std::string contents;  // the page's /Contents entry
    bool red_left;
  };
  const Case cases[] = {
      {"one stream", "/Contents 4 0 R", true},
      {"an array of streams", "/Contents [4 0 R]", true},
      {"no contents", "", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto handler = OpenPdfBytes(PdfOfObjects({"<< /Type /Catalog /Pages 2 0 R >>",
                                              "<< /Type /Pages /Kids [3 0 R] /Count 1 /MediaBox [0 0 100 100] >>",
                                              "<< /Type /Page /Parent 2 0 R " + c.contents + " >>", red_stream}));
    const int64_t last = handler->LastObjectNumber();
    vn::pdf::TvnPDStream* added = handler->GetPage(1)->AddNewContentStream("0 0 1 rg 50 0 50 100 re f");
    ASSERT_NE(added, nullptr);
    EXPECT_GT(added->GetObjNumber(), last);
    EXPECT_GE(handler->LastObjectNumber(), added->GetObjNumber());
    const auto file = TempPdf("content.pdf");
    handler->SaveDocument(file);
    EXPECT_EQ(vn::pdf::testing::RunTool("qpdf --check " + file.string()), 0);
    const std::array<int, 3> blue = {0, 0, 255};
    const std::array<int, 3> white = {255, 255, 255};
    const std::array<int, 3> red_rgb = {255, 0, 0};
    EXPECT_EQ(RenderedPixel(file, 75, 50), blue);
    EXPECT_EQ(RenderedPixel(file, 25, 50), c.red_left ? red_rgb : white);
  }
}

TEST(PDPageResources, OwnInheritedOrNone) {
  auto own = OpenPdfBytes(OnePage("/Resources << /Font << /A 4 0 R >> >>", "/Resources << /Font << /B 4 0 R >> >>"));
  ASSERT_NE(own->GetPage(1)->Resource(), nullptr);
  EXPECT_NE(own->GetPage(1)->Resource()->Dict()->LookUp("Font")->AsDict()->LookUp("B"), nullptr);
  auto inherited = OpenPdfBytes(OnePage("/Resources << /Font << /A 4 0 R >> >>", ""));
  ASSERT_NE(inherited->GetPage(1)->Resource(), nullptr);
  EXPECT_NE(inherited->GetPage(1)->Resource()->Dict()->LookUp("Font")->AsDict()->LookUp("A"), nullptr);
  auto none = OpenPdfBytes(OnePage("", "/Resources 5"));
  EXPECT_EQ(none->GetPage(1)->Resource(), nullptr);
}

TEST(PDPageResources, AddedFontIsUsedByAddedContent) {
  if (!vn::test_support::HaveTool("pdftotext")) GTEST_SKIP() << "pdftotext missing";
  if (!vn::test_support::HaveTool("qpdf")) GTEST_SKIP() << "qpdf missing";
  struct Case {
    const char* what;
    const char* node;
    const char* page;
  };
  const Case cases[] = {
      {"own resources", "", "/Resources << /ProcSet [/PDF] >>"},
      {"inherited resources", "/Resources << /Font << >> >>", ""},
      {"no resources", "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto handler = OpenPdfBytes(OnePage(std::string("/MediaBox [0 0 200 100] ") + c.node, c.page));
    TvnPDPage* page = handler->GetPage(1);
    auto font = std::make_unique<vn::pdf::TvnPDDictionary>(handler->BaseDoc());
    font->Add("Type", std::make_unique<vn::pdf::TvnPDName>("Font"));
    font->Add("Subtype", std::make_unique<vn::pdf::TvnPDName>("Type1"));
    font->Add("BaseFont", std::make_unique<vn::pdf::TvnPDName>("Helvetica"));
    page->AddResource(TvnPDResourceType::resFont, "F9", font.get());  // direct: stored as an object of its own
    ASSERT_NE(page->Resource(), nullptr);
    EXPECT_NE(page->Resource()->LookUpFont("F9"), nullptr);
    page->AddResource(TvnPDResourceType::resProcSet, "P", font.get());  // not a kind pages add
    EXPECT_EQ(page->Resource()->Dict()->LookUp("ProcSet") != nullptr,
              std::string(c.page).find("ProcSet") != std::string::npos);
    page->AddNewContentStream("BT /F9 24 Tf 20 40 Td (Added text) Tj ET");

    const auto file = TempPdf("font.pdf");
    handler->SaveDocument(file);
    EXPECT_EQ(vn::pdf::testing::RunTool("qpdf --check " + file.string()), 0);
    std::string text;
    vn::pdf::testing::RunTool("pdftotext " + file.string() + " -", &text);
    EXPECT_NE(text.find("Added text"), std::string::npos) << text;
  }
}

}  // namespace vn::pdfdoc::pd_page_test
