// The annotation wrappers over the fixture with one annotation of every
// subtype (annotations/annotations.pdf): what each reads, what its setters
// write as an independent reader (python3-pypdf, annot_oracle.py) sees it
// after a save, the rectangle convention in every unit, appearance states,
// replies and the edge cases of the wrappers.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "framework/document_routines.h"
#include "pdf/pdf_corpus.h"
#include "pdf/pdf_file_builder.h"
#include "pdfdocument/pd_annot.h"
#include "pdfdocument/pd_appearance_stream.h"
#include "pdfdocument/pd_form.h"
#include "pdfdocument/pd_page.h"
#include "pdfdocument/pdf_document_handler.h"
#include "pdfdocument/pdf_model_testing.h"
#include "pdfdocument/recording_device.h"
#include "runtime/exceptions.h"
#include "runtime/streams.h"
#include "runtime/strings.h"
#include "support/hex_text.h"
#include "support/paths.h"
#include "support/prerequisites.h"

namespace vn::pdfdoc::pd_annot_test {
namespace {

namespace fs = std::filesystem;
using vn::framework::TvnMeasurementUnit;
using vn::pdf::TvnPDArray;
using vn::pdf::TvnPDBaseObject;

const fs::path kFixtures = fs::path(VN_FIXTURES_DIR) / "pdfdocument" / "annotations";
const fs::path kFixture = kFixtures / "annotations.pdf";

bool HaveOracle() { return vn::test_support::HaveFile("/usr/lib/python3/dist-packages/pypdf"); }

// The oracle's lines for the file; empty when it failed.
std::set<std::string> OracleLines(const fs::path& AFile) {
  std::string out;
  const std::string script = (kFixtures / "annot_oracle.py").string();
  if (vn::pdf::testing::RunProgram({"/usr/bin/python3", script, AFile.string()}, &out) != 0) return {};
  std::set<std::string> lines;
  std::istringstream in(out);
  for (std::string line; std::getline(in, line);) lines.insert(line);
  return lines;
}

using vn::test_support::Hex;

// The fixture opened with the handler measuring in AUnit.
std::unique_ptr<TvnPDFDocumentHandler> OpenFixture(TvnMeasurementUnit AUnit = TvnMeasurementUnit::muPoints,
                                                   const fs::path& AFile = kFixture) {
  auto handler = std::make_unique<TvnPDFDocumentHandler>();
  handler->LoadDocument(AFile);
  handler->SetMeasurementUnit(AUnit);
  return handler;
}

// The page's wrapper of a subtype (the first one), or null.
template <typename T>
T* Find(TvnPDPage& APage, TvnPDAnnotType AType) {
  for (TvnPDAnnot* annot : APage.GetAnnots())
    if (annot->AnnotType() == AType) return dynamic_cast<T*>(annot);
  return nullptr;
}

void ExpectRect(const TvnPDRect* ARect, double ALeft, double ATop, double ARight, double ABottom) {
  ASSERT_NE(ARect, nullptr);
  EXPECT_NEAR(ARect->Left(), ALeft, 1e-9);
  EXPECT_NEAR(ARect->Top(), ATop, 1e-9);
  EXPECT_NEAR(ARect->Right(), ARight, 1e-9);
  EXPECT_NEAR(ARect->Bottom(), ABottom, 1e-9);
}

void ExpectColor(const TvnPDColorValue& AColor, double AR, double AG, double AB) {
  EXPECT_EQ(AColor.Kind, TvnColorSpaceMode::csDeviceRGB);
  ASSERT_EQ(AColor.Components.size(), 3u);
  EXPECT_DOUBLE_EQ(AColor.Components[0], AR);
  EXPECT_DOUBLE_EQ(AColor.Components[1], AG);
  EXPECT_DOUBLE_EQ(AColor.Components[2], AB);
}

TvnPDColorValue Rgb(double AR, double AG, double AB) { return {TvnColorSpaceMode::csDeviceRGB, {AR, AG, AB}}; }

// A one-page PDF (612 x 792) whose /Annots holds the dictionaries given,
// objects 4 onwards; AExtra are further objects after them.
std::string PageWithAnnots(const std::vector<std::string>& AAnnots, const std::vector<std::string>& AExtra = {},
                           const std::string& APageEntries = "") {
  vn::pdf::testing::PdfFileBuilder pdf;
  std::string refs;
  for (size_t i = 0; i < AAnnots.size(); ++i) refs += std::to_string(4 + i) + " 0 R ";
  pdf.Obj(1, "<< /Type /Catalog /Pages 2 0 R >>");
  pdf.Obj(2, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
  pdf.Obj(3, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Annots [" + refs + "]" + APageEntries + " >>");
  int64_t n = 4;
  for (const std::string& annot : AAnnots) pdf.Obj(n++, annot);
  for (const std::string& extra : AExtra) pdf.Obj(n++, extra);
  pdf.ClassicTable("/Size " + std::to_string(n) + " /Root 1 0 R");
  return pdf.Data();
}

// ---- Reading the fixture --------------------------------------------------------------

TEST(PdAnnot, EverySubtypeOfTheFixtureIsWrappedByItsClass) {
  auto handler = OpenFixture();
  TvnPDPage* page = handler->GetPage(1);
  ASSERT_NE(page, nullptr);
  const std::vector<TvnPDAnnot*>& annots = page->GetAnnots();
  std::vector<TvnPDAnnotType> types;
  for (TvnPDAnnot* annot : annots)
    if (annot->AnnotType() != TvnPDAnnotType::annotWidget) types.push_back(annot->AnnotType());
  using T = TvnPDAnnotType;
  // Widgets are the catalog's form fields; the Watermark has no class.
  const std::vector<T> expected = {T::annotText,      T::annotPopup,     T::annotLink,      T::annotFreeText,
                                   T::annotLine,      T::annotSquare,    T::annotCircle,    T::annotPolygon,
                                   T::annotPolyLine,  T::annotHighlight, T::annotUnderline, T::annotSquiggly,
                                   T::annotStrikeOut, T::annotStamp,     T::annotCaret,     T::annotInk,
                                   T::annotFileAttachment, T::annotSound, T::annotMovie,   T::annotScreen};
  EXPECT_EQ(types, expected);
  EXPECT_NE(dynamic_cast<TvnPDTextAnnot*>(annots[0]), nullptr);
  EXPECT_NE(dynamic_cast<TvnPDPopUpAnnot*>(annots[1]), nullptr);
  EXPECT_NE(dynamic_cast<TvnPDHighlightAnnot*>(annots[9]), nullptr);
  EXPECT_NE(dynamic_cast<TvnPDStrikeOutAnnot*>(annots[12]), nullptr);
  EXPECT_NE(dynamic_cast<TvnPDScreenAnnot*>(annots[19]), nullptr);
  // The same list on every call.
  EXPECT_EQ(&page->GetAnnots(), &annots);
  EXPECT_EQ(page->GetAnnots().size(), annots.size());
}

TEST(PdAnnot, CommonPropertiesReadBack) {
  auto handler = OpenFixture();
  TvnPDPage* page = handler->GetPage(1);
  auto* note = Find<TvnPDTextAnnot>(*page, TvnPDAnnotType::annotText);
  ASSERT_NE(note, nullptr);
  // Rect [40 500 60 520] on a page 792 points high, from the top.
  ExpectRect(note->Rect(), 40, 292, 60, 272);
  const TvnPDAnnot::TvnBounds bounds = note->GetBounds();
  EXPECT_EQ(bounds.Left, 40);
  EXPECT_EQ(bounds.Top, 292);
  EXPECT_EQ(note->Contents(), u"Text contents");
  EXPECT_EQ(note->Name(), u"nm-Text");
  EXPECT_EQ(note->Author(), u"Ann Author");
  EXPECT_EQ(note->Title(), u"Ann Author");
  ASSERT_NE(note->Date(), nullptr);
  EXPECT_EQ(note->Date()->Year(), 2024);
  EXPECT_EQ(note->Date()->Month(), 1);
  EXPECT_EQ(note->Date()->Day(), 31);
  EXPECT_EQ(note->Date()->Hour(), 12);
  EXPECT_EQ(note->Date()->Minutes(), 34);
  EXPECT_EQ(note->Date()->Seconds(), 56);
  ExpectColor(note->Color(), 1, 1, 0);
  EXPECT_EQ(note->Flags(), TvnPDAnnotFlags{TvnPDAnnotFlag::afPrint});
  EXPECT_EQ(note->BorderStyle(), TvnAnnotBorderStyle::absDashed);
  EXPECT_DOUBLE_EQ(note->BorderWidth(), 2);
  EXPECT_TRUE(note->Open());
  EXPECT_EQ(note->State(), u"Accepted");
  EXPECT_EQ(note->StateModel(), u"Review");
  EXPECT_TRUE(note->IsValid());
  EXPECT_FALSE(note->IsReply());
  EXPECT_EQ(note->Page(), page);
  EXPECT_EQ(note->PageNumber(), 1);
  ASSERT_NE(note->NormalAP(), nullptr);
  ASSERT_NE(note->NormalAP()->Form(), nullptr);
  ExpectRect(note->NormalAP()->DestRect(), 40, 500, 60, 520);
  EXPECT_EQ(note->Actions(), nullptr);

  auto* popup = Find<TvnPDPopUpAnnot>(*page, TvnPDAnnotType::annotPopup);
  ASSERT_NE(popup, nullptr);
  EXPECT_FALSE(popup->IsOpen());
  EXPECT_TRUE(popup->Flags().Empty());
  ASSERT_NE(popup->Parent(), nullptr);
  EXPECT_EQ(popup->Parent()->BaseObject(), note->BaseObject());
  EXPECT_EQ(popup->Parent()->AnnotType(), TvnPDAnnotType::annotText);
}

TEST(PdAnnot, SubtypePropertiesReadBack) {
  auto handler = OpenFixture();
  TvnPDPage* page = handler->GetPage(1);
  using T = TvnPDAnnotType;

  auto* link = Find<TvnPDLinkAnnot>(*page, T::annotLink);
  ASSERT_NE(link, nullptr);
  EXPECT_EQ(link->HighLightType(), TvnLinkHighlightType::lhOutline);
  EXPECT_DOUBLE_EQ(link->BorderWidth(), 0);
  ASSERT_NE(link->Destination(), nullptr);
  ASSERT_NE(link->Destination()->Page(), nullptr);
  EXPECT_EQ(link->Destination()->Page()->PageNum(), 2);

  auto* free_text = Find<TvnPDFreeTextAnnot>(*page, T::annotFreeText);
  ASSERT_NE(free_text, nullptr);
  EXPECT_EQ(free_text->Intent(), TvnFreeTextIntent::ftCallout);
  EXPECT_EQ(free_text->TextAllign(), TvnFreeTextAllign::ftCentered);
  EXPECT_NE(free_text->Font(), nullptr);

  auto* line = Find<TvnPDLineAnnot>(*page, T::annotLine);
  ASSERT_NE(line, nullptr);
  // L [110 600 290 650]: y from the top.
  EXPECT_DOUBLE_EQ(line->X1(), 110);
  EXPECT_DOUBLE_EQ(line->Y1(), 192);
  EXPECT_DOUBLE_EQ(line->X2(), 290);
  EXPECT_DOUBLE_EQ(line->Y2(), 142);
  EXPECT_EQ(line->LineBeginningStyle(), TvnLineStyle::laOpenArrow);
  EXPECT_EQ(line->LineEndingStyle(), TvnLineStyle::laClosedArrow);
  ExpectColor(line->InteriorColor(), 0, 0, 1);
  ExpectColor(line->Color(), 1, 0, 0);
  EXPECT_DOUBLE_EQ(line->LeaderLines(), 10.5);
  EXPECT_DOUBLE_EQ(line->BorderWidth(), 3.5);

  auto* square = Find<TvnPDSquareAnnot>(*page, T::annotSquare);
  ASSERT_NE(square, nullptr);
  ExpectColor(square->InteriorColor(), 1, 0, 0);
  ExpectColor(square->Color(), 0, 0.5, 0);
  EXPECT_TRUE(square->IsCloudy());
  EXPECT_DOUBLE_EQ(square->Intensity(), 1);
  auto* circle = Find<TvnPDCircleAnnot>(*page, T::annotCircle);
  ASSERT_NE(circle, nullptr);
  ExpectColor(circle->InteriorColor(), 0, 1, 0);
  EXPECT_FALSE(circle->IsCloudy());
  EXPECT_DOUBLE_EQ(circle->Intensity(), 0.5);

  auto* polygon = Find<TvnPDPolygonAnnot>(*page, T::annotPolygon);
  ASSERT_NE(polygon, nullptr);
  EXPECT_EQ(polygon->GetVertices(), "70,402,150.5,402,110,342");
  ExpectColor(polygon->InteriorColor(), 0.25, 0.5, 0.75);
  EXPECT_EQ(polygon->LineBeginningStyle(), TvnLineStyle::laDiamond);
  EXPECT_EQ(polygon->LineEndingStyle(), TvnLineStyle::laSlash);
  EXPECT_TRUE(polygon->IsCloudy());
  EXPECT_DOUBLE_EQ(polygon->Intensity(), 2);
  auto* polyline = Find<TvnPDPolyLineAnnot>(*page, T::annotPolyLine);
  ASSERT_NE(polyline, nullptr);
  EXPECT_EQ(polyline->GetVertices(), "190,402,230,342,270,402");
  EXPECT_EQ(polyline->LineBeginningStyle(), TvnLineStyle::laButt);
  EXPECT_EQ(polyline->LineEndingStyle(), TvnLineStyle::laROpenArrow);

  auto* highlight = Find<TvnPDMarkUpAnnot>(*page, T::annotHighlight);
  ASSERT_NE(highlight, nullptr);
  EXPECT_EQ(highlight->GetQuadPoints(), "60,70,250,70,60,90,250,90");
  for (T type : {T::annotUnderline, T::annotSquiggly, T::annotStrikeOut})
    EXPECT_NE(Find<TvnPDMarkUpAnnot>(*page, type), nullptr);

  auto* stamp = Find<TvnPDRubberStampAnnot>(*page, T::annotStamp);
  ASSERT_NE(stamp, nullptr);
  EXPECT_EQ(stamp->IconName(), TvnRubberStampIcon::riApproved);
  EXPECT_EQ(stamp->Author(), u"Stamper");
  auto* caret = Find<TvnPDCaretAnnot>(*page, T::annotCaret);
  ASSERT_NE(caret, nullptr);
  EXPECT_EQ(caret->CaretSymbol(), TvnCaretSymbol::csParagraph);

  auto* ink = Find<TvnPDInkAnnot>(*page, T::annotInk);
  ASSERT_NE(ink, nullptr);
  const std::vector<std::vector<double>> strokes = {{70, 582, 120, 502, 170, 582}, {180, 542, 250, 542}};
  EXPECT_EQ(ink->InkList(), strokes);
  EXPECT_DOUBLE_EQ(ink->BorderWidth(), 3);

  auto* attachment = Find<TvnPDFileAttachmentAnnot>(*page, T::annotFileAttachment);
  ASSERT_NE(attachment, nullptr);
  EXPECT_EQ(attachment->FileName(), u"notes.txt");
  EXPECT_EQ(attachment->Subject(), u"Attached notes");
  EXPECT_EQ(attachment->AttachmentIcon(), TvnFileAttachmentIcon::faPaperclip);
  EXPECT_EQ(attachment->Author(), u"Attacher");
  ExpectColor(attachment->IconColor(), 1, 0, 0);
  vn::TMemoryStream saved;
  attachment->SaveToStream(saved);
  EXPECT_EQ(std::string(saved.Bytes().begin(), saved.Bytes().end()), "attached file bytes\n");

  auto* sound = Find<TvnPDSoundAnnot>(*page, T::annotSound);
  ASSERT_NE(sound, nullptr);
  EXPECT_NE(sound->SoundStream(), nullptr);
  EXPECT_EQ(sound->IconName(), TvnSoundAnnotIcon::siMic);
  EXPECT_DOUBLE_EQ(sound->SampleRate(), 8000);
  EXPECT_EQ(sound->NoOfSoundChannels(), 2);
  EXPECT_EQ(sound->NoOfBitsPerSample(), 16);
  EXPECT_EQ(sound->SoundEncoding(), TvnSoundEncoding::seSigned);
  EXPECT_NE(Find<TvnPDMovieAnnot>(*page, T::annotMovie), nullptr);
  EXPECT_NE(Find<TvnPDScreenAnnot>(*page, T::annotScreen), nullptr);
}

// ---- The rectangle and the coordinates in every unit -----------------------------------

TEST(PdAnnot, RectangleIsFlippedFromThePageTopInTheHandlersUnit) {
  const std::string pdf = PageWithAnnots({"<< /Type /Annot /Subtype /Square /Rect [100 200 300 400] >>"});
  struct Case {
    TvnMeasurementUnit Unit;
    double Scale;  // units per point
  };
  const Case cases[] = {{TvnMeasurementUnit::muPoints, 1.0},
                        {TvnMeasurementUnit::muPixels, 96.0 / 72},
                        {TvnMeasurementUnit::muInches, 1.0 / 72},
                        {TvnMeasurementUnit::muMM, 25.4 / 72},
                        {TvnMeasurementUnit::muTwips, 20.0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.Unit));
    auto handler = model_testing::OpenPdfBytes(pdf);
    handler->SetMeasurementUnit(c.Unit);
    TvnPDPage* page = handler->GetPage(1);
    ASSERT_EQ(page->GetAnnots().size(), 1u);
    TvnPDAnnot* square = page->GetAnnots()[0];
    const TvnPDRect* rect = square->Rect();
    ASSERT_NE(rect, nullptr);
    EXPECT_NEAR(rect->Left(), 100 * c.Scale, 1e-9);
    EXPECT_NEAR(rect->Top(), 592 * c.Scale, 1e-9);
    EXPECT_NEAR(rect->Right(), 300 * c.Scale, 1e-9);
    EXPECT_NEAR(rect->Bottom(), 392 * c.Scale, 1e-9);
    // The page is as high as the page height in the same unit.
    EXPECT_NEAR(page->GetPageHeight() - rect->Top(), 200 * c.Scale, 1e-9);
    // Setting the rectangle back writes the same /Rect.
    square->SetRect(rect->Left(), rect->Top(), rect->Right(), rect->Bottom());
    const TvnPDBaseObject* array = square->Dict()->LookUp("Rect");
    ASSERT_TRUE(array && array->IsArray());
    const double expected[] = {100, 200, 300, 400};
    for (int64_t i = 0; i < 4; ++i) {
      const TvnPDBaseObject* v = array->AsArray()->Get(i);
      ASSERT_TRUE(v && v->IsReal());
      EXPECT_NEAR(v->AsReal()->GetValue(), expected[i], 1e-9);
    }
  }
}

TEST(PdAnnot, RectangleIsMeasuredFromTheShownBoxAndFromAKidWithout) {
  // A crop box away from the origin; a field without /Rect takes its kid's.
  const std::string pdf = PageWithAnnots(
      {"<< /Type /Annot /Subtype /Square /Rect [150 250 170 260] >>",
       "<< /Type /Annot /Subtype /Circle /Kids [6 0 R] >>"},
      {"<< /Type /Annot /Subtype /Circle /Rect [60 120 80 140] >>"}, " /CropBox [50 100 550 700]");
  auto handler = model_testing::OpenPdfBytes(pdf);
  handler->SetMeasurementUnit(TvnMeasurementUnit::muPoints);
  TvnPDPage* page = handler->GetPage(1);
  ASSERT_EQ(page->GetAnnots().size(), 2u);
  ExpectRect(page->GetAnnots()[0]->Rect(), 100, 450, 120, 440);
  ExpectRect(page->GetAnnots()[1]->Rect(), 10, 580, 30, 560);
}

TEST(PdAnnot, BoundsRoundHalvesToEven) {
  TvnPDTextAnnot note;
  note.SetRect(10.5, 11.5, 12.5, 13.49);
  const TvnPDAnnot::TvnBounds bounds = note.GetBounds();
  EXPECT_EQ(bounds.Left, 10);
  EXPECT_EQ(bounds.Top, 12);
  EXPECT_EQ(bounds.Right, 12);
  EXPECT_EQ(bounds.Bottom, 13);
}

TEST(PdAnnot, LineAndVertexSettersStoreWhatTheGettersReturn) {
  const std::string pdf = PageWithAnnots(
      {"<< /Type /Annot /Subtype /Line /Rect [0 0 100 100] /L [10 20 30 40] >>",
       "<< /Type /Annot /Subtype /Polygon /Rect [0 0 100 100] /Vertices [1 2 3 4] >>",
       "<< /Type /Annot /Subtype /Highlight /Rect [0 0 100 100] /QuadPoints [0 0 0 0 0 0 0 0] >>"});
  for (TvnMeasurementUnit unit : {TvnMeasurementUnit::muPoints, TvnMeasurementUnit::muPixels}) {
    SCOPED_TRACE(static_cast<int>(unit));
    auto handler = model_testing::OpenPdfBytes(pdf);
    handler->SetMeasurementUnit(unit);
    TvnPDPage* page = handler->GetPage(1);
    auto* line = dynamic_cast<TvnPDLineAnnot*>(page->GetAnnots()[0]);
    ASSERT_NE(line, nullptr);
    const double k = vn::framework::PointsToUnit(unit, 1.0);
    EXPECT_NEAR(line->X1(), 10 * k, 1e-9);
    EXPECT_NEAR(line->Y1(), 772 * k, 1e-9);
    line->SetX2(50);
    line->SetY2(60);
    EXPECT_NEAR(line->X2(), 50, 1e-9);
    EXPECT_NEAR(line->Y2(), 60, 1e-9);
    const TvnPDArray* l = line->Dict()->LookUp("L")->AsArray();
    EXPECT_NEAR(l->Get(3)->AsReal()->GetValue(), 792 - 60 / k, 1e-9);
    auto* polygon = dynamic_cast<TvnPDPolygonAnnot*>(page->GetAnnots()[1]);
    ASSERT_NE(polygon, nullptr);
    polygon->SetVertices("5,6,7,8,9,10");  // two entries exist; no more are added
    EXPECT_EQ(polygon->Dict()->LookUp("Vertices")->AsArray()->GetLength(), 4);
    const std::vector<std::string> parts = [&] {
      std::vector<std::string> out;
      std::stringstream in(polygon->GetVertices());
      for (std::string part; std::getline(in, part, ',');) out.push_back(part);
      return out;
    }();
    ASSERT_EQ(parts.size(), 4u);
    EXPECT_NEAR(std::stod(parts[0]), 5, 1e-6);
    EXPECT_NEAR(std::stod(parts[1]), 6, 1e-6);
    auto* highlight = dynamic_cast<TvnPDMarkUpAnnot*>(page->GetAnnots()[2]);
    ASSERT_NE(highlight, nullptr);
    highlight->SetQuadPoints(1, 2, 3, 4, 5, 6, 7, 8);
    const std::string quads = highlight->GetQuadPoints();
    EXPECT_EQ(quads.substr(0, 4), "1,2,");
  }
}

// ---- New annotations and edge cases ------------------------------------------------------

TEST(PdAnnot, NewAnnotationsKeepTheirValues) {
  TvnPDTextAnnot note;
  EXPECT_FALSE(note.Open());
  EXPECT_DOUBLE_EQ(note.BorderWidth(), 1.0);
  ExpectRect(note.Rect(), -1, -1, -1, -1);
  EXPECT_EQ(note.AnnotType(), TvnPDAnnotType::annotText);
  EXPECT_EQ(note.NormalAP(), nullptr);
  EXPECT_EQ(note.Dict(), nullptr);
  note.SetContents(u"kept");
  note.SetFlags({TvnPDAnnotFlag::afPrint});
  note.SetColor(Rgb(0.1, 0.2, 0.3));
  EXPECT_EQ(note.Contents(), u"kept");
  EXPECT_EQ(note.Flags(), TvnPDAnnotFlags{TvnPDAnnotFlag::afPrint});
  ExpectColor(note.Color(), 0.1, 0.2, 0.3);
  EXPECT_EQ(TvnPDLinkAnnot().HighLightType(), TvnLinkHighlightType::lhInvert);
  EXPECT_EQ(TvnPDLineAnnot().LineEndingStyle(), TvnLineStyle::laNone);
  ExpectColor(TvnPDSquareAnnot().InteriorColor(), 1, 1, 1);
  ExpectColor(TvnPDFileAttachmentAnnot().IconColor(), 1, 0, 0);
  EXPECT_EQ(TvnPDFileAttachmentAnnot().AttachmentIcon(), TvnFileAttachmentIcon::faPushPin);
  EXPECT_EQ(TvnPDMarkUpAnnot(TvnMarkUpType::maSquiggly).AnnotType(), TvnPDAnnotType::annotSquiggly);
  EXPECT_EQ(TvnPDCaretAnnot().CaretSymbol(), TvnCaretSymbol::csNone);
  EXPECT_EQ(TvnPDFreeTextAnnot().Intent(), TvnFreeTextIntent::ftNone);
}

TEST(PdAnnot, EntriesAreReadLeniently) {
  const std::string pdf = PageWithAnnots({
      "<< /Type /Annot /Subtype /Text /Rect [0 0 1 1] /F 6 /C [1 0] >>",
      "<< /Type /Annot /Subtype /Line /Rect [0 0 1 1] /L [10 20 30 40] >>",
      "<< /Type /Annot /Subtype /Text /Rect [0 0 1 1] /Title 5 /Open /Yes >>",
      "<< /Type /Annot /Rect [0 0 1 1] >>",
      "<< /Type /Annot /Subtype /Widget /Rect [0 0 1 1] >>",
      "<< /Type /Annot /Subtype /Watermark /Rect [0 0 1 1] >>",
      "<< /Type /Annot /Subtype 7 /Rect [0 0 1 1] >>",
  });
  auto handler = model_testing::OpenPdfBytes(pdf);
  handler->SetMeasurementUnit(TvnMeasurementUnit::muPoints);
  TvnPDPage* page = handler->GetPage(1);
  // No subtype counts as a widget; widgets without a field, a Watermark
  // and a Subtype that is not a name give no wrapper.
  ASSERT_EQ(page->GetAnnots().size(), 3u);
  TvnPDAnnot* first = page->GetAnnots()[0];
  EXPECT_EQ(first->Flags(), (TvnPDAnnotFlags{TvnPDAnnotFlag::afHidden, TvnPDAnnotFlag::afPrint}));
  first->SetColor(Rgb(0.5, 0.5, 0.5));
  first->Dict()->Add("C", std::make_unique<vn::pdf::TvnPDArray>());
  first->Dict()->LookUp("C")->AsArray()->Add(std::make_unique<vn::pdf::TvnPDInteger>(1));
  first->Dict()->LookUp("C")->AsArray()->Add(std::make_unique<vn::pdf::TvnPDInteger>(0));
  // C [1 0]: the third value is the one kept.
  ExpectColor(first->Color(), 1, 0, 0.5);
  auto* line = dynamic_cast<TvnPDLineAnnot*>(page->GetAnnots()[1]);
  ASSERT_NE(line, nullptr);
  EXPECT_DOUBLE_EQ(line->X1(), 10);
  EXPECT_DOUBLE_EQ(line->Y1(), 772);
  line->SetLineEndingStyle(TvnLineStyle::laOpenArrow);
  const TvnPDArray* le = line->Dict()->LookUp("LE")->AsArray();
  ASSERT_EQ(le->GetLength(), 2);
  EXPECT_TRUE(le->Get(0)->IsName("None"));
  EXPECT_TRUE(le->Get(1)->IsName("OpenArrow"));
  auto* bad = dynamic_cast<TvnPDTextAnnot*>(page->GetAnnots()[2]);
  ASSERT_NE(bad, nullptr);
  EXPECT_THROW(bad->Title(), vn::ExBadPDFAnnotation);
  EXPECT_THROW(bad->Open(), vn::Exception);
  // No dictionary, no wrapper.
  std::unique_ptr<TvnPDAnnot> owned;
  EXPECT_EQ(TvnPDAnnot::MakeAnnot(handler.get(), page, nullptr, owned), nullptr);
}

TEST(PdAnnot, RepliesAreMadeAnewOnEveryCall) {
  const std::string pdf = PageWithAnnots({"<< /Type /Annot /Subtype /Text /Rect [0 0 10 10] >>",
                                          "<< /Type /Annot /Subtype /Text /Rect [0 0 10 10] /IRT 4 0 R >>"});
  auto handler = model_testing::OpenPdfBytes(pdf);
  TvnPDPage* page = handler->GetPage(1);
  ASSERT_EQ(page->GetAnnots().size(), 2u);
  TvnPDAnnot* reply = page->GetAnnots()[1];
  EXPECT_TRUE(reply->IsReply());
  std::unique_ptr<TvnPDAnnot> first, second;
  TvnPDAnnot* a = reply->GetInReplyToAnnot(first);
  TvnPDAnnot* b = reply->GetInReplyToAnnot(second);
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  EXPECT_NE(a, b);
  EXPECT_EQ(a->BaseObject(), page->GetAnnots()[0]->BaseObject());
  EXPECT_EQ(a->BaseObject(), b->BaseObject());
  EXPECT_EQ(a->ParentElement(), reply);
  std::unique_ptr<TvnPDAnnot> none;
  EXPECT_EQ(page->GetAnnots()[0]->GetInReplyToAnnot(none), nullptr);
}

TEST(PdAnnot, TheAppearanceStateNamesTheStreamDrawn) {
  const std::string states = "/AP << /N << /On 6 0 R /Off 7 0 R >> >>";
  const std::string pdf = PageWithAnnots(
      {"<< /Type /Annot /Subtype /Square /Rect [0 0 10 10] " + states + " /AS /On >>",
       "<< /Type /Annot /Subtype /Square /Rect [0 0 10 10] " + states + " /AS /Other >>"},
      {"<< /BBox [0 0 10 10] /Length 0 >>\nstream\n\nendstream",
       "<< /BBox [0 0 20 20] /Length 0 >>\nstream\n\nendstream"});
  auto handler = model_testing::OpenPdfBytes(pdf);
  TvnPDPage* page = handler->GetPage(1);
  ASSERT_EQ(page->GetAnnots().size(), 2u);
  TvnPDForm* on = page->GetAnnots()[0]->NormalAP()->Form();
  TvnPDForm* other = page->GetAnnots()[1]->NormalAP()->Form();
  ASSERT_NE(on, nullptr);
  ASSERT_NE(other, nullptr);
  EXPECT_EQ(on->BaseObject()->GetObjNumber(), 6);
  EXPECT_EQ(other->BaseObject()->GetObjNumber(), 7);
  EXPECT_EQ(page->GetAnnots()[0]->NormalAP()->Value(), "On");
  // A state asked for by name.
  TvnPDAppearanceStream off(handler.get(), page->GetAnnots()[0]->BaseObject(), "Off");
  ASSERT_NE(off.Form(), nullptr);
  EXPECT_EQ(off.Form()->BaseObject()->GetObjNumber(), 7);
}

TEST(PdAnnot, TheFormBoxThroughItsMatrixIsFittedOntoTheRect) {
  const std::string pdf = PageWithAnnots(
      {"<< /Type /Annot /Subtype /Stamp /Rect [100 200 140 300] /AP << /N 5 0 R >> >>"},
      {"<< /BBox [0 0 100 40] /Matrix [0 1 -1 0 0 0] /Length 0 >>\nstream\n\nendstream"});
  auto handler = model_testing::OpenPdfBytes(pdf);
  TvnPDAnnot* stamp = handler->GetPage(1)->GetAnnots()[0];
  TvnPDMatrix m;
  ASSERT_TRUE(stamp->NormalAP()->RectMatrix(m));
  // The turned box is [-40 0 0 100]; it is moved by 140 and 200, scale 1.
  EXPECT_DOUBLE_EQ(m.M11(), 1);
  EXPECT_DOUBLE_EQ(m.M22(), 1);
  EXPECT_DOUBLE_EQ(m.Dx(), 140);
  EXPECT_DOUBLE_EQ(m.Dy(), 200);
}

TEST(PdAnnot, DisplayDrawsTheNormalAppearanceAlone) {
  auto handler = OpenFixture();
  TvnPDPage* page = handler->GetPage(1);
  test_support::RecordingDevice drawn;
  Find<TvnPDAnnot>(*page, TvnPDAnnotType::annotSquare)->Display(&drawn, 96, 96);
  EXPECT_EQ(drawn.Calls("StartPage").size(), 1u);
  EXPECT_EQ(drawn.Calls("DrawFormXObject").size(), 1u);
  EXPECT_EQ(drawn.Calls("EndPage").size(), 1u);
  // Without an appearance nothing is called.
  test_support::RecordingDevice silent;
  Find<TvnPDAnnot>(*page, TvnPDAnnotType::annotSound)->Display(&silent, 96, 96);
  TvnPDTextAnnot().Display(&silent, 96, 96);
  EXPECT_TRUE(silent.calls.empty());
}

TEST(PdAnnot, PagesDrawTheAnnotationsTheirFlagsShow) {
  auto handler = OpenFixture();
  TvnPDPage* flags = handler->GetPage(2);
  ASSERT_NE(flags, nullptr);
  // hidden, not printable, printable but not viewed, printable.
  test_support::RecordingDevice printing;
  flags->Display(&printing, 72, 72, 0, true, false, true, true);
  EXPECT_EQ(printing.Calls("DrawFormXObject").size(), 2u);
  test_support::RecordingDevice viewing;
  flags->Display(&viewing, 72, 72, 0, true, false, false, true);
  EXPECT_EQ(viewing.Calls("DrawFormXObject").size(), 2u);
  test_support::RecordingDevice without;
  flags->Display(&without, 72, 72, 0, true, false, true, false);
  EXPECT_TRUE(without.Calls("DrawFormXObject").empty());
  // Every printable annotation of page 1 with an appearance draws,
  // widgets and the Watermark included.
  test_support::RecordingDevice all;
  handler->GetPage(1)->Display(&all, 72, 72, 0, true, false, true, true);
  EXPECT_EQ(all.Calls("DrawFormXObject").size(), 18u);
}

// ---- Setters through a save, read by another reader ---------------------------------------

TEST(PdAnnot, SettersAreSavedAsAnotherReaderReadsThem) {
  if (!HaveOracle()) GTEST_SKIP() << "python3-pypdf is not installed";
  const fs::path saved = model_testing::TempPdf("annotations_set.pdf");
  {
    auto handler = OpenFixture();
    TvnPDPage* page = handler->GetPage(1);
    using T = TvnPDAnnotType;
    auto* note = Find<TvnPDTextAnnot>(*page, T::annotText);
    note->SetContents(u"Changed \u00e9\u4e2d");
    note->SetName(u"new-name");
    note->SetTitle(u"New author");
    note->SetColor(Rgb(0.25, 0.5, 0.75));
    note->SetFlags({TvnPDAnnotFlag::afPrint, TvnPDAnnotFlag::afNoZoom});
    note->SetBorderStyle(TvnAnnotBorderStyle::absBeveled);
    note->SetBorderWidth(1.5);
    note->SetOpen(false);
    note->SetState(u"Rejected");
    note->SetRect(100, 100, 120, 120);
    Find<TvnPDLinkAnnot>(*page, T::annotLink)->SetHighLightType(TvnLinkHighlightType::lhPush);
    auto* free_text = Find<TvnPDFreeTextAnnot>(*page, T::annotFreeText);
    free_text->SetIntent(TvnFreeTextIntent::ftTypeWriter);
    free_text->SetTextAllign(TvnFreeTextAllign::ftRightJustified);
    auto* line = Find<TvnPDLineAnnot>(*page, T::annotLine);
    line->SetX1(120);
    line->SetY1(200);
    line->SetLineEndingStyle(TvnLineStyle::laSlash);
    line->SetInteriorColor(Rgb(1, 0, 1));
    line->SetLeaderLines(5);
    auto* square = Find<TvnPDSquareAnnot>(*page, T::annotSquare);
    square->SetIntensity(2);
    square->SetIsCloudy(false);
    Find<TvnPDPolygonAnnot>(*page, T::annotPolygon)->SetVertices("10,20,30,40,50,60");
    Find<TvnPDMarkUpAnnot>(*page, T::annotHighlight)->SetQuadPoints(1, 2, 3, 4, 5, 6, 7, 8);
    Find<TvnPDRubberStampAnnot>(*page, T::annotStamp)->SetIconName(TvnRubberStampIcon::riConfidential);
    Find<TvnPDCaretAnnot>(*page, T::annotCaret)->SetCaretSymbol(TvnCaretSymbol::csNone);
    Find<TvnPDInkAnnot>(*page, T::annotInk)->SetInkList({{10, 20, 30, 40}});
    Find<TvnPDPopUpAnnot>(*page, T::annotPopup)->SetIsOpen(true);
    auto* attachment = Find<TvnPDFileAttachmentAnnot>(*page, T::annotFileAttachment);
    attachment->SetAttachmentIcon(TvnFileAttachmentIcon::faTag);
    attachment->SetSubject(u"New subject");
    attachment->SetAuthor(u"New attacher");
    attachment->SetIconColor(Rgb(0, 1, 0));
    handler->SaveDocument(saved);
  }
  if (vn::test_support::HaveTool("qpdf")) {
    std::string check;
    EXPECT_EQ(vn::pdf::testing::RunProgram({"qpdf", "--check", saved.string()}, &check), 0) << check;
  }
  const std::set<std::string> lines = OracleLines(saved);
  ASSERT_FALSE(lines.empty());
  const std::vector<std::string> expected = {
      "1 0 Contents " + Hex("Changed \xc3\xa9\xe4\xb8\xad"),
      "1 0 NM " + Hex("new-name"),
      "1 0 T " + Hex("New author"),
      "1 0 C 0.25 0.5 0.75",
      "1 0 F 12",
      "1 0 BS/S B",
      "1 0 BS/W 1.5",
      "1 0 Open false",
      "1 0 State " + Hex("Rejected"),
      "1 0 Rect 100 672 120 692",
      "1 1 Open true",
      "1 2 H P",
      "1 3 IT FreeTextTypeWriter",
      "1 3 Q 2",
      "1 4 L 120 592 290 650",
      "1 4 LE OpenArrow Slash",
      "1 4 IC 1 0 1",
      "1 4 LL 5",
      "1 5 BE/I 2",
      "1 5 BE/S S",
      "1 7 Vertices 10 772 30 752 50 732",
      "1 9 QuadPoints 1 790 3 788 5 786 7 784",
      "1 13 Name Confidential",
      "1 14 Sy None",
      "1 15 InkList 10 772 30 752",
      "1 16 Name Tag",
      "1 16 Subj " + Hex("New subject"),
      "1 16 T " + Hex("New attacher"),
      "1 16 C 0 1 0",
  };
  for (const std::string& line : expected) EXPECT_TRUE(lines.count(line)) << line;

  // And this model reads them back the same.
  auto handler = OpenFixture(TvnMeasurementUnit::muPoints, saved);
  TvnPDPage* page = handler->GetPage(1);
  auto* note = Find<TvnPDTextAnnot>(*page, TvnPDAnnotType::annotText);
  ASSERT_NE(note, nullptr);
  EXPECT_EQ(note->Contents(), u"Changed \u00e9\u4e2d");
  ExpectRect(note->Rect(), 100, 120, 120, 100);
  auto* line = Find<TvnPDLineAnnot>(*page, TvnPDAnnotType::annotLine);
  EXPECT_DOUBLE_EQ(line->X1(), 120);
  EXPECT_DOUBLE_EQ(line->Y1(), 200);
  EXPECT_EQ(Find<TvnPDPolygonAnnot>(*page, TvnPDAnnotType::annotPolygon)->GetVertices(), "10,20,30,40,50,60");
}

}  // namespace
}  // namespace vn::pdfdoc::pd_annot_test
