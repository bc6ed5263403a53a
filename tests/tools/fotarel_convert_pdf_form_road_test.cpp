// End to end: a LibreOffice form filled through the PDF model (text with
// non-ASCII letters, check box, radio group, combo and list box), saved,
// and converted to a picture by the fotarel-convert program: the page
// agrees with pdftoppm at 96 dpi, and every filled widget shows ink where
// pdftoppm shows it in the file whose appearances qpdf made (pdftoppm makes
// its own appearances for the file as saved, which asks for them, and has
// no font for the check marks there).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "pdf/pdf_corpus.h"
#include "pdfdocument/page_render_testing.h"
#include "pdfdocument/pd_acro_form.h"
#include "pdfdocument/pd_catalog.h"
#include "pdfdocument/pd_form_field.h"
#include "pdfdocument/pd_page.h"
#include "pdfdocument/pdf_document_handler.h"
#include "platform/images/image_codecs.h"
#include "runtime/streams.h"
#include "support/paths.h"
#include "tools/road_test_support.h"

namespace fotarel_convert_pdf_form_road_test {
namespace {

namespace fs = std::filesystem;
using vn::pdfdoc::page_render_testing::NormalisedRmse;
using vn::pdfdoc::page_render_testing::Pdftoppm;

constexpr double kDpi = 96;
// The rendering threshold of the page renderer's own tests.
constexpr double kThreshold = 0.06;

struct PixelBox {
  int Left, Top, Right, Bottom;
};

// The dark pixels (any channel below half) inside the box.
int Ink(const vn::platform::Bitmap& ABitmap, const PixelBox& ABox) {
  int n = 0;
  for (int y = std::max(0, ABox.Top); y < std::min(ABitmap.Height(), ABox.Bottom); ++y)
    for (int x = std::max(0, ABox.Left); x < std::min(ABitmap.Width(), ABox.Right); ++x) {
      const auto p = ABitmap.Pixel(x, y);
      if (std::min({p.R, p.G, p.B}) < 128) ++n;
    }
  return n;
}

double Number(const vn::pdf::TvnPDBaseObject* AObj) {
  if (AObj && AObj->IsInteger()) return static_cast<double>(AObj->AsInteger()->GetValue());
  return AObj && AObj->IsReal() ? AObj->AsReal()->GetValue() : 0;
}

// The widget's /Rect in pixels of the page rendered at kDpi (y down), cut
// two pixels inside so that borders drawn on the edge do not count.
PixelBox WidgetBox(vn::pdf::TvnPDDictionary* AWidget, double APageHeight) {
  const vn::pdf::TvnPDArray* r = AWidget->LookUp("Rect")->AsArray();
  const double k = kDpi / 72;
  const double x0 = std::min(Number(r->Get(0)), Number(r->Get(2))), x1 = std::max(Number(r->Get(0)), Number(r->Get(2)));
  const double y0 = std::min(Number(r->Get(1)), Number(r->Get(3))), y1 = std::max(Number(r->Get(1)), Number(r->Get(3)));
  return {static_cast<int>(x0 * k) + 2, static_cast<int>((APageHeight - y1) * k) + 2, static_cast<int>(x1 * k) - 2,
          static_cast<int>((APageHeight - y0) * k) - 2};
}

class PdfFormRoad : public vn::road_test::RoadTest {
 protected:
  PdfFormRoad() : RoadTest("vn_pdf_form_road_", {"pdftoppm", "qpdf"}) {}
};

TEST_F(PdfFormRoad, FilledValuesAreDrawnAsPdftoppmDrawsThem) {
  const fs::path fixture = fs::path(VN_FIXTURES_DIR) / "pdfdocument" / "forms" / "form_hierarchy.pdf";
  const fs::path filled = FDir / "filled.pdf";
  struct Fill {
    const char16_t* Name;
    const char16_t* Value;
  };
  const Fill fills[] = {{u"name", u"Jörg Müller"},        {u"address.city", u"Genève"},
                        {u"address.street", u"Rue du Rhône 5"}, {u"address.zip", u"1204"},
                        {u"notes", u"Première ligne\nSecond line"}, {u"news", u"Yes"},
                        {u"colour", u"blue"},                 {u"fruit", u"Cherry"},
                        {u"tags", u"Two"}};
  std::vector<PixelBox> boxes;
  {
    vn::pdfdoc::TvnPDFDocumentHandler handler;
    handler.LoadDocument(fixture);
    const double page_height = Number(handler.GetPage(1)->Dict()->LookUp("MediaBox")->AsArray()->Get(3));
    vn::pdfdoc::TvnPDAcroForm* form = handler.Catalog()->AcroForm();
    for (const Fill& f : fills) {
      vn::pdfdoc::TvnPDFormField* field = form->FieldByName(f.Name);
      ASSERT_NE(field, nullptr);
      field->SetValue(f.Value);
      for (vn::pdf::TvnPDDictionary* widget : field->Widgets()) {
        // Radio buttons: the one that shows the new value.
        const vn::pdf::TvnPDBaseObject* as = widget->LookUp("AS");
        if (field->FormFieldType() == vn::pdfdoc::TvnFormFieldType::ftRadio && (!as || as->IsName("Off"))) continue;
        boxes.push_back(WidgetBox(widget, page_height));
      }
    }
    handler.SaveDocument(filled);
  }
  std::string check;
  EXPECT_EQ(vn::pdf::testing::RunProgram({"qpdf", "--check", filled.string()}, &check), 0) << check;

  ASSERT_EQ(vn::pdf::testing::RunProgram({FOTAREL_CONVERT, "--to", ".png", "--out", (FDir / "png").string(),
                                          filled.string(), fixture.string()}),
            0);
  const std::string blank_png = vn::ReadFileBytes(FDir / "png" / "form_hierarchy.png");
  const double blank_rmse =
      NormalisedRmse(vn::platform::DecodePng(vn::platform::AsBytes(blank_png)), Pdftoppm(fixture, kDpi));
  EXPECT_GE(blank_rmse, 0);
  EXPECT_LE(blank_rmse, kThreshold);
  const std::string png = vn::ReadFileBytes(FDir / "png" / "filled.png");
  const vn::platform::Bitmap ours = vn::platform::DecodePng(vn::platform::AsBytes(png));
  const vn::platform::Bitmap reference = Pdftoppm(filled, kDpi);
  ASSERT_FALSE(reference.Empty());
  const double rmse = NormalisedRmse(ours, reference);
  std::printf("form page as exported %.4f, filled %.4f\n", blank_rmse, rmse);
  EXPECT_GE(rmse, 0);
  EXPECT_LE(rmse, kThreshold);
  const fs::path generated = FDir / "generated.pdf";
  ASSERT_EQ(vn::pdf::testing::RunProgram({"qpdf", "--generate-appearances", filled.string(), generated.string()}), 0);
  const vn::platform::Bitmap marked = Pdftoppm(generated, kDpi);
  ASSERT_EQ(boxes.size(), 9u);
  for (size_t i = 0; i < boxes.size(); ++i) {
    SCOPED_TRACE(i);
    const int expected = Ink(marked, boxes[i]);
    ASSERT_GT(expected, 0);
    // The value is there: at least half the ink pdftoppm puts in the box.
    EXPECT_GE(Ink(ours, boxes[i]) * 2, expected);
  }
}

}  // namespace
}  // namespace fotarel_convert_pdf_form_road_test
