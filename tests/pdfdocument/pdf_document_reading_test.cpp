// The ".pdf" document type reading files: the password requests, pages,
// their sizes and their pictures, saving the opened file again, and the text elements of a
// page.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "framework/format_registry.h"
#include "pdfdocument/pdf_content_extractor.h"
#include "pdfdocument/pdf_document.h"
#include "pdfdocument/pdf_document_handler.h"
#include "platform/canvas/cairo_canvas.h"
#include "runtime/exceptions.h"
#include "runtime/streams.h"
#include "support/paths.h"
#include "support/pdf_files.h"

namespace vn::pdfdoc::pdf_document_reading_test {
namespace {

namespace fw = vn::framework;
namespace wm = vn::wordmodel;
namespace fs = std::filesystem;

// A one-page PDF showing AContent with the font resource /F1 = AFont.
std::string OnePagePdf(const std::string& AContent, const std::string& AFont,
                       const std::string& APageEntries = "/MediaBox [0 0 612 792]",
                       const std::vector<std::string>& AExtra = {}) {
  std::vector<std::string> objects = {
      "<< /Type /Catalog /Pages 2 0 R >>",
      "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
      "<< /Type /Page /Parent 2 0 R " + APageEntries + " /Resources << /Font << /F1 5 0 R >> >> /Contents 4 0 R >>",
      "<< /Length " + std::to_string(AContent.size()) + " >>\nstream\n" + AContent + "\nendstream",
      AFont};
  objects.insert(objects.end(), AExtra.begin(), AExtra.end());
  return vn::test_support::PdfOfObjects(objects);
}

const std::string kHelvetica = "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>";

std::unique_ptr<TvnqPDFDocument> OpenBytes(const std::string& APdf) {
  auto document = std::make_unique<TvnqPDFDocument>();
  document->LoadFromStream(new vn::TMemoryStream(std::vector<uint8_t>(APdf.begin(), APdf.end())), u"", true);
  return document;
}

std::vector<wm::TvnTextElement*> TextElements(TvnqPDFDocument& ADocument, int32_t APage = 1) {
  std::vector<wm::TvnTextElement*> elements;
  for (fw::TvnDocItem* item : ADocument.GetPage(APage)->GetPageElements()) {
    auto* element = dynamic_cast<wm::TvnTextElement*>(item);
    EXPECT_NE(element, nullptr);
    if (element) elements.push_back(element);
  }
  return elements;
}

std::string Utf8(const wm::TvnTextElement* AElement) { return vn::ToUtf8(AElement->GetText()); }

// --- Loading and passwords ------------------------------------------------------

const char* const kEncrypted = "pdf/qpdf_encrypted-40-bit-R3.pdf";  // user password "623"

struct PasswordCase {
  const char* Name;
  std::vector<std::u16string> Answers;  // one per request; past the end: cancel
  bool AssignHandler;
  bool Opens;
  int Requests;
};

TEST(PDFDocumentReading, PasswordRequestsUntilTheFileOpensOrTheyStop) {
  const fs::path file = fs::path(VN_CORPUS_DIR) / kEncrypted;
  const PasswordCase cases[] = {
      {"wrong then right", {u"nope", u"623"}, true, true, 2},
      {"right at once", {u"623"}, true, true, 1},
      {"cancelled", {}, true, false, 1},
      {"wrong then cancelled", {u"nope"}, true, false, 2},
      {"no handler", {}, false, false, 0},
  };
  for (const PasswordCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TvnqPDFDocument document;
    std::vector<int32_t> attempts;
    if (c.AssignHandler) {
      document.OnNeedPassword = [&](fw::TObject* Sender, fw::TvnNeedPasswordEventArgs& Args) {
        EXPECT_EQ(Sender, &document);
        attempts.push_back(Args.GetAttemptCount());
        const size_t i = attempts.size() - 1;
        if (i < c.Answers.size())
          Args.SetPassword(c.Answers[i]);
        else
          Args.SetCancel(true);
      };
    }
    if (c.Opens) {
      document.LoadFromFile(vn::FromUtf8(file.string()), u"");
      EXPECT_TRUE(document.GetIsLoaded());
      EXPECT_EQ(document.GetPageCount(), 1);
    } else {
      // A load that ends without the file open is a failure, reported as one.
      try {
        document.LoadFromFile(vn::FromUtf8(file.string()), u"");
        ADD_FAILURE() << "loaded";
      } catch (const vn::ExPasswordRequired& e) {
        EXPECT_STREQ(e.what(), "Encrypted PDF: Password required for loading");
      }
      EXPECT_FALSE(document.GetIsLoaded());
      EXPECT_EQ(document.GetPageCount(), 0);
      EXPECT_EQ(document.GetPage(1), nullptr);
    }
    ASSERT_EQ(static_cast<int>(attempts.size()), c.Requests);
    for (size_t i = 0; i < attempts.size(); ++i) EXPECT_EQ(attempts[i], static_cast<int32_t>(i + 1));
  }
}

TEST(PDFDocumentReading, AttemptsCountOverEveryLoadOfTheDocumentAndStreamsRetryFromTheirStart) {
  const std::string bytes = vn::ReadFileBytes(fs::path(VN_CORPUS_DIR) / kEncrypted);
  TvnqPDFDocument document;
  std::vector<int32_t> attempts;
  document.OnNeedPassword = [&](fw::TObject*, fw::TvnNeedPasswordEventArgs& Args) {
    attempts.push_back(Args.GetAttemptCount());
    Args.SetPassword(attempts.size() % 2 == 1 ? u"bad" : u"623");
  };
  for (int load = 0; load < 2; ++load) {
    // A stream that does not start at the PDF: the document reads from
    // where it is, at every attempt.
    auto* stream = new vn::TMemoryStream();
    stream->WriteBuffer("junk", 4);
    stream->WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
    stream->Seek(4, vn::SeekOrigin::soBeginning);
    document.LoadFromStream(stream, u"", true);
    EXPECT_TRUE(document.GetIsLoaded());
  }
  EXPECT_EQ(attempts, (std::vector<int32_t>{1, 2, 3, 4}));
}

TEST(PDFDocumentReading, HandlerErrorsPassUnchanged) {
  TvnqPDFDocument document;
  bool asked = false;
  document.OnNeedPassword = [&](fw::TObject*, fw::TvnNeedPasswordEventArgs&) { asked = true; };
  try {
    document.LoadFromFile(u"/nonexistent/file.pdf", u"");
    ADD_FAILURE() << "loaded";
  } catch (const vn::ExFileNotFound& e) {
    EXPECT_STREQ(e.what(), "File Not Found");
  }
  EXPECT_FALSE(asked);
  EXPECT_FALSE(document.GetIsLoaded());
  EXPECT_ANY_THROW(OpenBytes("not a PDF at all"));
}

// --- Pages ------------------------------------------------------------------

TEST(PDFDocumentReading, PageSizesFollowTheRotation) {
  struct Case {
    const char* Rotate;
    double Width;
    double Height;
  };
  const Case cases[] = {{"0", 612, 792},  {"90", 792, 612},  {"-90", 792, 612}, {"180", 612, 792},
                        {"270", 792, 612}, {"450", 792, 612}, {"-540", 612, 792}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Rotate);
    auto document = OpenBytes(OnePagePdf("", kHelvetica, std::string("/MediaBox [0 0 612 792] /Rotate ") + c.Rotate));
    document->SetMeasurementUnit(fw::TvnMeasurementUnit::muPoints);
    const fw::TvnPageSize size = document->GetPage(1)->GetPageSize();
    EXPECT_DOUBLE_EQ(size.Width, c.Width);
    EXPECT_DOUBLE_EQ(size.Height, c.Height);
  }
  // In pixels (the default unit) the same page measures 4/3 as much.
  auto document = OpenBytes(OnePagePdf("", kHelvetica, "/MediaBox [0 0 612 792] /Rotate 90"));
  const fw::TvnPageSize pixels = document->GetPage(1)->GetPageSize();
  EXPECT_DOUBLE_EQ(pixels.Width, 1056);
  EXPECT_DOUBLE_EQ(pixels.Height, 816);
}

TEST(PDFDocumentReading, PicturesOfRoundedSizesKeepThePageProportions) {
  // A page of 300 x 190 points is 400 x 253.3 pixels at 96 dpi: its
  // 400 x 253 picture shows it at 96 dpi both ways, so that an edge at 120
  // pixels from the top ends on that row instead of 0.16 pixel higher. A
  // picture of other proportions is filled by the page.
  const std::string content = "0 0 0 rg 10 100 m 290 100 l 150 180 l f 290 0 10 10 re f";
  struct Case {
    int Width, Height;
    int X, Y;       // a pixel that is black
    int WhiteY;     // the row under it, white (-1: not asked)
  };
  const Case cases[] = {{400, 253, 200, 119, 120}, {200, 200, 199, 199, -1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Height);
    auto document = OpenBytes(OnePagePdf(content, kHelvetica, "/MediaBox [0 0 300 190]"));
    vn::platform::CairoCanvas canvas(c.Width, c.Height);
    auto* page = dynamic_cast<fw::TvnBasePage*>(document->GetPage(1));
    ASSERT_NE(page, nullptr);
    page->Draw(&canvas, c.Width, c.Height, 72, 72, 0);
    const vn::platform::Bitmap pixels = canvas.Pixels();
    EXPECT_EQ(pixels.Pixel(c.X, c.Y).R, 0);
    if (c.WhiteY >= 0) EXPECT_EQ(pixels.Pixel(c.X, c.WhiteY).R, 255);
  }
}

TEST(PDFDocumentReading, PicturesOfSmallPagesKeepTheResolutionAskedFor) {
  // A page of 32 x 32 points is 43 x 43 pixels at 96 dpi and at 97 dpi
  // alike: at 96 (asked for, or the resolution of page sizes in pixels when
  // the caller names none that fits) a box 24 points wide ends on pixel
  // column 32 exactly; at 97 it would reach a third into column 32. The
  // page's last pixels, two thirds on the page, show what is drawn there
  // (an image filling the page), not a smoothed cut.
  const std::string image = "q 32 0 0 32 0 0 cm BI /W 1 /H 1 /BPC 8 /CS /G ID \x80 EI Q ";
  for (const int dpi : {96, 72}) {
    SCOPED_TRACE(dpi);
    auto document = OpenBytes(OnePagePdf(image + "0 0 0 rg 0 0 24 32 re f", kHelvetica, "/MediaBox [0 0 32 32]"));
    vn::platform::CairoCanvas canvas(43, 43);
    auto* page = dynamic_cast<fw::TvnBasePage*>(document->GetPage(1));
    ASSERT_NE(page, nullptr);
    page->Draw(&canvas, 43, 43, dpi, dpi, 0);
    const vn::platform::Bitmap pixels = canvas.Pixels();
    EXPECT_EQ(pixels.Pixel(31, 20).R, 0);
    EXPECT_EQ(pixels.Pixel(32, 20).R, 128);
    EXPECT_EQ(pixels.Pixel(42, 42).R, 128);
  }
}

TEST(PDFDocumentReading, PagesAreMadeOnceAndOnlyForPagesThatExist) {
  auto document = OpenBytes(OnePagePdf("", kHelvetica));
  EXPECT_EQ(document->GetPageCount(), 1);
  fw::TvnPage* page = document->GetPage(1);
  ASSERT_NE(page, nullptr);
  EXPECT_EQ(document->GetPage(1), page);
  EXPECT_EQ(page->GetPageNumber(), 1);
  EXPECT_EQ(document->GetPage(0), nullptr);
  EXPECT_EQ(document->GetPage(2), nullptr);
}

TEST(PDFDocumentReading, SavingWritesTheOpenedFileAgain) {
  TvnqPDFDocument empty;
  EXPECT_FALSE(empty.SaveToFile(u"/nonexistent/never.pdf"));
  vn::TMemoryStream nothing;
  EXPECT_FALSE(empty.SaveToStream(&nothing));
  EXPECT_EQ(nothing.Size(), 0);

  auto document = OpenBytes(OnePagePdf("BT /F1 12 Tf 72 700 Td (Saved) Tj ET", kHelvetica));
  vn::TMemoryStream out;
  ASSERT_TRUE(document->SaveToStream(&out));
  std::string saved(static_cast<size_t>(out.Size()), '\0');
  out.Seek(0, vn::SeekOrigin::soBeginning);
  out.ReadBuffer(saved.data(), out.Size());
  auto again = OpenBytes(saved);
  ASSERT_EQ(again->GetPageCount(), 1);
  const auto elements = TextElements(*again);
  ASSERT_EQ(elements.size(), 1u);
  EXPECT_EQ(Utf8(elements[0]), "Saved");
}

// --- Text elements ------------------------------------------------------------

TEST(PDFDocumentReading, EachShownStringMakesOneElement) {
  struct Case {
    const char* Content;
    std::vector<std::string> Texts;
  };
  const Case cases[] = {
      {"BT /F1 12 Tf 72 700 Td (One) Tj (Two) Tj ET", {"One", "Two"}},
      {"BT /F1 12 Tf 72 700 Td [(Ke) -120 (rned) 300 ( text)] TJ ET", {"Kerned text"}},
      {"BT /F1 12 Tf 72 700 Td (Start) Tj 14 TL (next) ' 1 2 (last) \" ET", {"Start", "next", "last"}},
      {"BT /F1 12 Tf 72 700 Td [(Line) 100 ( one)] TJ 0 -14 Td [(Line two)] TJ ET", {"Line one", "Line two"}},
      {"BT /F1 12 Tf 72 700 Td ET", {}},
      {"0 0 m 100 100 l S", {}},
      // WinAnsi quotes without ToUnicode come through their glyph names.
      {"BT /F1 12 Tf 72 700 Td <93416C9694> Tj ET", {"\u201cAl\u2013\u201d"}},
      // Codes without any Unicode that would be control characters.
      {"BT /F1 12 Tf 72 700 Td <4100421F01> Tj ET", {"A\uFFFDB\uFFFD\uFFFD"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Content);
    auto document = OpenBytes(OnePagePdf(c.Content, kHelvetica));
    std::vector<std::string> texts;
    for (auto* element : TextElements(*document)) texts.push_back(Utf8(element));
    EXPECT_EQ(texts, c.Texts);
  }
}

// Annotations shown on the printed page give their text where they stand
// (a filled form field's value lives only in its appearance); hidden ones
// and ones that are not printed give none.
TEST(PDFDocumentReading, ShownAnnotationsGiveTheirText) {
  auto appearance = [](const std::string& AText) {
    const std::string content = "BT /F1 10 Tf 2 5 Td (" + AText + ") Tj ET";
    return "<< /Type /XObject /Subtype /Form /BBox [0 0 200 20] /Resources << /Font << /F1 5 0 R >> >> /Length " +
           std::to_string(content.size()) + " >>\nstream\n" + content + "\nendstream";
  };
  auto widget = [](int AFlags, int AAppearance) {
    return "<< /Type /Annot /Subtype /Widget /FT /Tx /T (f" + std::to_string(AAppearance) + ") /F " +
           std::to_string(AFlags) + " /Rect [72 600 272 620] /AP << /N " + std::to_string(AAppearance) + " 0 R >> >>";
  };
  // Objects 6 to 8: printed, hidden and not printed widgets; 9 to 11 their
  // appearances.
  auto document = OpenBytes(OnePagePdf("BT /F1 12 Tf 72 700 Td (Page) Tj ET", kHelvetica,
                                       "/MediaBox [0 0 612 792] /Annots [6 0 R 7 0 R 8 0 R]",
                                       {widget(4, 9), widget(6, 10), widget(0, 11), appearance("Filled value"),
                                        appearance("Hidden"), appearance("Screen only")}));
  const auto elements = TextElements(*document);
  std::vector<std::string> texts;
  for (auto* element : elements) texts.push_back(Utf8(element));
  ASSERT_EQ(texts, (std::vector<std::string>{"Page", "Filled value"}));
  // In the field's rectangle, 792 - 620 .. 792 - 600 from the top.
  const auto& box = *elements[1]->GetBoundingRect();
  EXPECT_NEAR(box.GetX(), 74, 0.5);
  EXPECT_GT(box.GetY(), 172);
  EXPECT_LT(box.GetY(), 192);
}

TEST(PDFDocumentReading, ElementsAreMadeOnceAndKeptByThePage) {
  auto document = OpenBytes(OnePagePdf("BT /F1 12 Tf 72 700 Td (Kept) Tj ET", kHelvetica));
  fw::TvnPage* page = document->GetPage(1);
  const auto first = page->GetPageElements();
  const auto second = page->GetPageElements();
  ASSERT_EQ(first.size(), 1u);
  EXPECT_EQ(first, second);
}

TEST(PDFDocumentReading, ElementFontsArePositionedAndNamed) {
  const std::string font =
      "<< /Type /Font /Subtype /Type1 /BaseFont /ABCDEF+Times-Bold /Encoding /WinAnsiEncoding >>";
  // Scaled by the CTM: 12 points at twice the size make 24.
  auto document = OpenBytes(OnePagePdf("2 0 0 2 0 0 cm BT /F1 12 Tf 36 350 Td (Times) Tj ET", font));
  const auto elements = TextElements(*document);
  ASSERT_EQ(elements.size(), 1u);
  const fw::TvnFont* element_font = elements[0]->GetFont();
  ASSERT_NE(element_font, nullptr);
  EXPECT_EQ(vn::ToUtf8(element_font->GetName()), "Times");
  EXPECT_TRUE(element_font->GetStyle().Contains(fw::TvnFontStyle::fsBold));
  EXPECT_FALSE(element_font->GetStyle().Contains(fw::TvnFontStyle::fsItalic));
  EXPECT_EQ(element_font->GetSize(), 24);
  // The element starts at the text origin in page space from the top: (72,
  // 792 - 700), through the text matrix and the CTM.
  const auto& box = *elements[0]->GetBoundingRect();
  EXPECT_NEAR(box.GetX(), 72, 1e-6);
  EXPECT_NEAR(box.GetY(), 92, 1e-6);
  ASSERT_EQ(elements[0]->GetCharBoundingRect().size(), 5u);
  // Glyph boxes of an installed stand-in: the T sits on the baseline, caps
  // high (about 0.66 em = 16 points at 24).
  const wm::TvnRectF& t = *elements[0]->GetCharBoundingRect()[0];
  EXPECT_NEAR(t.GetBottom(), 92, 1.0);
  EXPECT_NEAR(t.GetHeight(), 16, 2.5);
  EXPECT_NEAR(box.GetHeight(), t.GetHeight(), 1.0);
  EXPECT_NEAR(box.GetRight(), elements[0]->GetCharBoundingRect()[4]->GetRight(), 1e-9);
}

TEST(PDFDocumentReading, CleanedFontNames) {
  const std::pair<const char*, const char*> cases[] = {
      {"ABCDEF+Times-Bold", "Times"},
      {"Arial,BoldItalic", "Arial"},
      {"ArialMT", "Arial"},
      {"TimesNewRomanPSMT", "TimesNewRoman"},
      {"XYZ+Foo+Bar-Italic", "Foo+Bar"},
      {"bold-face", "boldface"},
  };
  for (const auto& [name, cleaned] : cases)
    EXPECT_EQ(vn::ToUtf8(TvnPDFContentExtractor::CleanFontName(name)), cleaned) << name;
}

TEST(PDFDocumentReading, UnmeasuredCharactersGetSubstituteBoxes) {
  // Invisible text is not measured, but it stands where the text position
  // puts it (an invisible text layer over a scanned page is all a converter
  // can read of it): each box runs from the character's origin over its
  // advance (Helvetica 12: a and b 6.672, c 6), 7 high above the baseline,
  // and a second word shown 30 further on starts there, with its gap.
  auto document = OpenBytes(OnePagePdf("BT 3 Tr /F1 12 Tf 72 700 Td (abc) Tj 30 0 Td (de) Tj ET", kHelvetica));
  const auto elements = TextElements(*document);
  ASSERT_EQ(elements.size(), 2u);
  const auto& rects = elements[0]->GetCharBoundingRect();
  ASSERT_EQ(rects.size(), 3u);
  EXPECT_DOUBLE_EQ(elements[0]->GetBoundingRect()->GetX(), 72);
  EXPECT_DOUBLE_EQ(elements[0]->GetBoundingRect()->GetY(), 92);
  const double left[] = {72, 78.672, 85.344}, width[] = {6.672, 6.672, 6};
  for (size_t i = 0; i < rects.size(); ++i) {
    EXPECT_NEAR(rects[i]->GetX(), left[i], 1e-9);
    EXPECT_DOUBLE_EQ(rects[i]->GetY(), 85);
    EXPECT_NEAR(rects[i]->GetWidth(), width[i], 1e-9);
    EXPECT_DOUBLE_EQ(rects[i]->GetHeight(), 7);
  }
  EXPECT_NEAR(elements[0]->GetBoundingRect()->GetWidth(), 19.344, 1e-9);
  EXPECT_DOUBLE_EQ(elements[1]->GetBoundingRect()->GetX(), 102);
  EXPECT_DOUBLE_EQ(elements[1]->GetBoundingRect()->GetY(), 92);
}

TEST(PDFDocumentReading, ToUnicodeMapsEveryCodeTheSpaceIncluded) {
  const std::string cmap =
      "/CIDInit /ProcSet findresource begin 12 dict begin begincmap\n"
      "1 begincodespacerange <00> <FF> endcodespacerange\n"
      "3 beginbfchar <20> <0058> <41> <00660069> <42> <D835DC00> endbfchar\n"
      "endcmap CMapName currentdict /CMap defineresource pop end end";
  const std::string font =
      "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding /ToUnicode 6 0 R >>";
  auto document = OpenBytes(OnePagePdf("BT /F1 12 Tf 72 700 Td (A BC) Tj ET", font, "/MediaBox [0 0 612 792]",
                                       {"<< /Length " + std::to_string(cmap.size()) + " >>\nstream\n" + cmap +
                                        "\nendstream"}));
  const auto elements = TextElements(*document);
  ASSERT_EQ(elements.size(), 1u);
  // A ligature's two letters and a character beyond 16 bits stay whole;
  // code 32 is the X its entry names (subset fonts give code 32 to any
  // character); C has no entry and comes through its glyph name.
  EXPECT_EQ(Utf8(elements[0]), "fiX\U0001D400C");
  // One rectangle per UTF-16 unit: the letters of the ligature share its
  // glyph's box (the installed font's f, the first letter) in halves.
  const auto& rects = elements[0]->GetCharBoundingRect();
  ASSERT_EQ(rects.size(), 6u);
  EXPECT_DOUBLE_EQ(rects[0]->GetRight(), rects[1]->GetLeft());
  EXPECT_DOUBLE_EQ(rects[0]->GetWidth(), rects[1]->GetWidth());
  EXPECT_DOUBLE_EQ(rects[0]->GetTop(), rects[1]->GetTop());
  EXPECT_GT(rects[0]->GetWidth(), 1.0);
}

// Without an entry of its own, code 32 is the space, ToUnicode map or not.
TEST(PDFDocumentReading, CodeThirtyTwoWithoutAnEntryIsTheSpace) {
  const std::string cmap =
      "/CIDInit /ProcSet findresource begin 12 dict begin begincmap\n"
      "1 begincodespacerange <00> <FF> endcodespacerange\n"
      "1 beginbfchar <41> <0058> endbfchar\n"
      "endcmap CMapName currentdict /CMap defineresource pop end end";
  const std::string font =
      "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding /ToUnicode 6 0 R >>";
  auto document = OpenBytes(OnePagePdf("BT /F1 12 Tf 72 700 Td (A B) Tj ET", font, "/MediaBox [0 0 612 792]",
                                       {"<< /Length " + std::to_string(cmap.size()) + " >>\nstream\n" + cmap +
                                        "\nendstream"}));
  const auto elements = TextElements(*document);
  std::string text;
  for (const auto* element : elements) text += Utf8(element);
  EXPECT_EQ(text, "X B");
}

// Text drawn inside form XObjects is extracted with the form's matrix
// applied, after the page's own text drawn before it; a form that draws
// itself ends without hanging.
TEST(PDFDocumentReading, TextInsideFormsIsExtracted) {
  const std::string page = "BT /F1 12 Tf 72 700 Td (Outside) Tj ET /Fm1 Do /Fm2 Do";
  const std::string form = "BT /F1 12 Tf 72 700 Td (Inside) Tj ET";
  const std::string self = "BT /F1 12 Tf 72 500 Td (Again) Tj ET /Fm2 Do";
  const std::vector<std::string> objects = {
      "<< /Type /Catalog /Pages 2 0 R >>",
      "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
      "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Resources << /Font << /F1 5 0 R >> "
      "/XObject << /Fm1 6 0 R /Fm2 7 0 R >> >> /Contents 4 0 R >>",
      "<< /Length " + std::to_string(page.size()) + " >>\nstream\n" + page + "\nendstream",
      kHelvetica,
      "<< /Type /XObject /Subtype /Form /BBox [0 0 612 792] /Matrix [1 0 0 1 100 -200] /Resources << /Font << /F1 "
      "5 0 R >> >> /Length " + std::to_string(form.size()) + " >>\nstream\n" + form + "\nendstream",
      "<< /Type /XObject /Subtype /Form /BBox [0 0 612 792] /Resources << /Font << /F1 5 0 R >> /XObject << /Fm2 "
      "7 0 R >> >> /Length " + std::to_string(self.size()) + " >>\nstream\n" + self + "\nendstream"};
  auto document = OpenBytes(vn::test_support::PdfOfObjects(objects));
  const auto elements = TextElements(*document);
  ASSERT_GE(elements.size(), 3u);
  EXPECT_EQ(Utf8(elements[0]), "Outside");
  EXPECT_EQ(Utf8(elements[1]), "Inside");
  EXPECT_NEAR(elements[1]->GetBoundingRect()->GetX() - elements[0]->GetBoundingRect()->GetX(), 100, 0.01);
  EXPECT_NEAR(elements[1]->GetBoundingRect()->GetY() - elements[0]->GetBoundingRect()->GetY(), 200, 0.01);
  for (size_t i = 2; i < elements.size(); ++i) EXPECT_EQ(Utf8(elements[i]), "Again");
}

}  // namespace
}  // namespace vn::pdfdoc::pdf_document_reading_test
