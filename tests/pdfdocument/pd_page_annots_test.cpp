// A page's annotations: the list of wrappers, notes and replies inserted
// and saved (checked by qpdf, drawn by pdftoppm, read by python3-pypdf),
// and the shapes without an appearance of their own drawn as readers draw
// them.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "pdf/pdf_corpus.h"
#include "pdf/pdf_file_builder.h"
#include "pdfdocument/page_render_testing.h"
#include "pdfdocument/page_renderer.h"
#include "pdfdocument/pd_annot.h"
#include "pdfdocument/pd_page.h"
#include "pdfdocument/pdf_document_handler.h"
#include "pdfdocument/pdf_model_testing.h"
#include "pdfdocument/recording_device.h"
#include "runtime/datetime.h"
#include "support/hex_text.h"
#include "support/paths.h"
#include "support/prerequisites.h"

namespace vn::pdfdoc::pd_page_annots_test {
namespace {

namespace fs = std::filesystem;
using vn::framework::TvnMeasurementUnit;
using vn::pdf::TvnPDArray;
using vn::pdf::TvnPDBaseObject;

using vn::test_support::Hex;

// A one-page PDF, 612 x 792, with the page entries and objects 4 onwards.
std::string OnePage(const std::string& APageEntries, const std::vector<std::string>& AObjects = {}) {
  vn::pdf::testing::PdfFileBuilder pdf;
  pdf.Obj(1, "<< /Type /Catalog /Pages 2 0 R >>");
  pdf.Obj(2, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
  pdf.Obj(3, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792]" + APageEntries + " >>");
  int64_t n = 4;
  for (const std::string& object : AObjects) pdf.Obj(n++, object);
  pdf.ClassicTable("/Size " + std::to_string(n) + " /Root 1 0 R");
  return pdf.Data();
}

std::set<std::string> OracleLines(const fs::path& AFile) {
  std::string out;
  const fs::path script = fs::path(VN_FIXTURES_DIR) / "pdfdocument" / "annotations" / "annot_oracle.py";
  if (vn::pdf::testing::RunProgram({"/usr/bin/python3", script.string(), AFile.string()}, &out) != 0) return {};
  std::set<std::string> lines;
  std::istringstream in(out);
  for (std::string line; std::getline(in, line);) lines.insert(line);
  return lines;
}

class PinnedClock : public ::testing::Test {
 protected:
  void SetUp() override {
    vn::SetClock([] { return vn::EncodeDateTime(2024, 5, 6, 7, 8, 9, 0); }, [](vn::TDateTime) { return 120; });
  }
  void TearDown() override { vn::ResetClock(); }
};

using PdPageAnnots = PinnedClock;

TEST_F(PdPageAnnots, AnnotationsAreListedOnceEach) {
  const std::string pdf = OnePage(" /Annots [4 0 R 4 0 R 5 0 R << /Subtype /Text /Rect [0 0 1 1] >>]",
                                  {"<< /Type /Annot /Subtype /Text /Rect [0 0 1 1] >>",
                                   "<< /Type /Annot /Subtype /Link /Rect [0 0 1 1] >>"});
  auto handler = model_testing::OpenPdfBytes(pdf);
  TvnPDPage* page = handler->GetPage(1);
  const std::vector<TvnPDAnnot*>& annots = page->GetAnnots();
  ASSERT_EQ(annots.size(), 3u);
  EXPECT_EQ(annots[0]->AnnotType(), TvnPDAnnotType::annotText);
  EXPECT_EQ(annots[1]->AnnotType(), TvnPDAnnotType::annotLink);
  // A direct annotation counts too.
  EXPECT_EQ(annots[2]->BaseObject()->GetObjNumber() <= 0, true);
  EXPECT_TRUE(model_testing::OpenPdfBytes(OnePage(""))->GetPage(1)->GetAnnots().empty());
}

TEST_F(PdPageAnnots, ANoteAndItsReplyAreSavedDrawnAndReadBack) {
  const fs::path saved = model_testing::TempPdf("note_and_reply.pdf");
  {
    auto handler = model_testing::OpenPdfBytes(OnePage(""));
    handler->SetMeasurementUnit(TvnMeasurementUnit::muPoints);
    TvnPDPage* page = handler->GetPage(1);
    TvnPDTextAnnot note;
    note.SetRect(100, 50, 120, 70);
    note.SetTitle(u"Reviewer");
    note.SetName(u"note-1");
    note.SetContents(u"Please check \u00fcber this");
    note.SetFlags({TvnPDAnnotFlag::afPrint});
    note.SetOpen(true);
    page->InsertAnnotation(&note, nullptr);
    ASSERT_EQ(page->GetAnnots().size(), 1u);
    TvnPDAnnot* inserted = page->GetAnnots()[0];
    EXPECT_EQ(inserted->AnnotType(), TvnPDAnnotType::annotText);
    // The rectangle reads back in the convention it was given in.
    const TvnPDRect* rect = inserted->Rect();
    ASSERT_NE(rect, nullptr);
    EXPECT_DOUBLE_EQ(rect->Left(), 100);
    EXPECT_DOUBLE_EQ(rect->Right(), 120);
    EXPECT_DOUBLE_EQ(std::min(rect->Top(), rect->Bottom()), 50);
    EXPECT_DOUBLE_EQ(std::max(rect->Top(), rect->Bottom()), 70);

    TvnPDTextAnnot reply;
    reply.SetRect(100, 50, 120, 70);
    reply.SetTitle(u"Author");
    reply.SetContents(u"Done");
    reply.SetFlags({TvnPDAnnotFlag::afPrint});
    TvnPDAnnot* answer = page->InsertTextAnnot(&reply, inserted);
    ASSERT_NE(answer, nullptr);
    ASSERT_EQ(page->GetAnnots().size(), 2u);
    EXPECT_TRUE(answer->IsReply());
    std::unique_ptr<TvnPDAnnot> target;
    ASSERT_NE(answer->GetInReplyToAnnot(target), nullptr);
    EXPECT_EQ(target->BaseObject(), inserted->BaseObject());
    // Other kinds are not inserted.
    TvnPDSquareAnnot square;
    page->InsertAnnotation(&square, nullptr);
    EXPECT_EQ(page->GetAnnots().size(), 2u);
    handler->SaveDocument(saved);
  }
  if (vn::test_support::HaveTool("qpdf")) {
    std::string check;
    EXPECT_EQ(vn::pdf::testing::RunProgram({"qpdf", "--check", saved.string()}, &check), 0) << check;
  }
  if (vn::test_support::HaveTool("pdftoppm")) {
    // The note icon is drawn where the note is: yellow inside its square
    // (at 72 dpi, x 100 to 120, y 50 to 70 from the top).
    const vn::platform::Bitmap picture = page_render_testing::Pdftoppm(saved, 72);
    ASSERT_FALSE(picture.Empty());
    int yellow = 0;
    for (int y = 50; y < 70; ++y)
      for (int x = 100; x < 120; ++x) {
        const auto p = picture.Pixel(x, y);
        if (p.R > 200 && p.G > 200 && p.B < 80) ++yellow;
      }
    EXPECT_GT(yellow, 40);
    const auto outside = picture.Pixel(200, 200);
    EXPECT_EQ(outside.R + outside.G + outside.B, 3 * 255);
  }
  if (vn::test_support::HaveFile("/usr/lib/python3/dist-packages/pypdf")) {
    const std::set<std::string> lines = OracleLines(saved);
    ASSERT_FALSE(lines.empty());
    for (const std::string& line :
         {std::string("1 0 Subtype Text"), std::string("1 0 Rect 100 722 120 742"), "1 0 T " + Hex("Reviewer"),
          "1 0 NM " + Hex("note-1"), "1 0 Contents " + Hex("Please check \xc3\xbc" "ber this"),
          std::string("1 0 C 1 1 0"), std::string("1 0 F 4"), std::string("1 0 Open true"),
          std::string("1 0 CA 1"), std::string("1 0 BS/S S"), std::string("1 0 BS/W 1"),
          std::string("1 0 AP/N 0 0 18 18"), "1 0 M " + Hex("D:20240506070809+02'00'"),
          std::string("1 1 Subtype Text"), "1 1 Contents " + Hex("Done"), std::string("1 1 IRT 0"),
          std::string("1 1 Open false")})
      EXPECT_TRUE(lines.count(line)) << line;
    bool reply_has_appearance = false;
    for (const std::string& line : lines) reply_has_appearance |= line.rfind("1 1 AP/N", 0) == 0;
    EXPECT_FALSE(reply_has_appearance);
  }
  // Read again by this model.
  TvnPDFDocumentHandler handler;
  handler.LoadDocument(saved);
  handler.SetMeasurementUnit(TvnMeasurementUnit::muPoints);
  const std::vector<TvnPDAnnot*>& annots = handler.GetPage(1)->GetAnnots();
  ASSERT_EQ(annots.size(), 2u);
  auto* note = dynamic_cast<TvnPDTextAnnot*>(annots[0]);
  ASSERT_NE(note, nullptr);
  EXPECT_EQ(note->Title(), u"Reviewer");
  EXPECT_EQ(note->Contents(), u"Please check \u00fcber this");
  EXPECT_TRUE(note->Open());
  ASSERT_NE(note->Date(), nullptr);
  EXPECT_EQ(note->Date()->Year(), 2024);
  EXPECT_TRUE(annots[1]->IsReply());
}

TEST_F(PdPageAnnots, NotesJoinAnnotsOfEveryKind) {
  // /Annots as a reference to an array, and as something else.
  for (const std::string& entries : {std::string(" /Annots 4 0 R"), std::string(" /Annots 5 0 R")}) {
    SCOPED_TRACE(entries);
    auto handler = model_testing::OpenPdfBytes(
        OnePage(entries, {"[6 0 R]", "<< /Type /Annot /Subtype /Square /Rect [0 0 9 9] >>",
                          "<< /Type /Annot /Subtype /Text /Rect [0 0 9 9] >>"}));
    TvnPDPage* page = handler->GetPage(1);
    const size_t before = page->GetAnnots().size();
    TvnPDTextAnnot note;
    note.SetRect(10, 10, 30, 30);
    ASSERT_NE(page->InsertTextAnnot(&note, nullptr), nullptr);
    EXPECT_EQ(page->GetAnnots().size(), before + 1);
    const TvnPDBaseObject* annots = page->Dict()->LookUp("Annots");
    ASSERT_TRUE(annots && annots->IsArray());
    EXPECT_EQ(annots->AsArray()->GetLength(), 2);
  }
}

TEST_F(PdPageAnnots, ShapesWithoutAnAppearanceAreDrawn) {
  const std::string pdf = OnePage(
      " /Annots [4 0 R 5 0 R 6 0 R 7 0 R]",
      {"<< /Type /Annot /Subtype /Square /Rect [100 100 200 200] /C [0 0 1] /IC [0.5 0.5 0.5] /F 4 "
       "/BS << /W 6 >> >>",
       "<< /Type /Annot /Subtype /Circle /Rect [300 100 400 200] /C [1 0 0] /F 4 >>",
       "<< /Type /Annot /Subtype /Ink /Rect [0 300 612 400] /C [0 1 0] /F 4 /InkList [[10 310 600 390]] "
       "/BS << /W 5 >> >>",
       "<< /Type /Annot /Subtype /Text /Rect [0 0 20 20] /F 4 >>"});
  auto handler = model_testing::OpenPdfBytes(pdf);
  TvnPDPage* page = handler->GetPage(1);
  test_support::RecordingDevice device;
  page->Display(&device, 72, 72, 0, true, false, true, true);
  EXPECT_EQ(device.Calls("DrawFormXObject").size(), 3u);
  // As pdftoppm draws them.
  if (!vn::test_support::HaveTool("pdftoppm")) return;
  const fs::path file = model_testing::TempPdf("shapes_without_appearance.pdf");
  vn::WriteFileBytes(file, pdf);
  const vn::platform::Bitmap ours = RenderPageToBitmap(*page, 96);
  const vn::platform::Bitmap theirs = page_render_testing::Pdftoppm(file, 96);
  const double rmse = page_render_testing::NormalisedRmse(ours, theirs);
  EXPECT_GE(rmse, 0);
  EXPECT_LE(rmse, 0.02);
}

}  // namespace
}  // namespace vn::pdfdoc::pd_page_annots_test
