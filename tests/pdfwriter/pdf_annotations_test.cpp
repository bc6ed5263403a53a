// Annotations and actions of the extended PDF engine: every annotation and
// action kind read back with its properties by pypdf, file attachments
// extracted byte for byte by pdfdetach, page and document actions, and the
// refusals.
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "interactive_test_support.h"
#include "pdfwriter/extended_pdf_engine.h"
#include "support/prerequisites.h"

namespace vn::pdfwriter::testing::pdf_annotations_test {
namespace {

constexpr TColor kRed = 0x0000FF;    // 0x00BBGGRR
constexpr TColor kGreen = 0x00FF00;

TvnRect R(double left, double top, double right, double bottom) { return {left, top, right, bottom}; }

template <typename Annot>
std::unique_ptr<Annot> Make(const TvnRect& rect, const String& contents) {
  auto annot = std::make_unique<Annot>();
  annot->Rect = rect;
  annot->Contents = contents;
  annot->Title = u"Tester";
  annot->Subject = u"Review";
  annot->BorderColor = kRed;
  return annot;
}

// A binary file of every byte value, a few times over.
std::filesystem::path AttachmentFile(const std::string& name, size_t repeat) {
  std::string bytes;
  for (size_t r = 0; r < repeat; ++r)
    for (int b = 0; b < 256; ++b) bytes += static_cast<char>((b * 7 + static_cast<int>(r)) & 255);
  return SaveTemp(bytes, name);
}

// Every annotation kind on page 1 of a 600 x 400 pixel document of two
// pages (the engine is in pixels, 0.75 points each, page 300 points high).
std::string EveryAnnotation(bool compressed, const std::filesystem::path& attachment) {
  PinClock();
  TestEngine e(600, 400);
  e.Compression().Enabled = compressed;
  e.BeginDoc();
  auto text = Make<TvnPDFTextAnnot>(R(10, 10, 30, 30), u"A note");
  text->Icon = TvnTextAnnotIcon::taiHelp;
  text->Open = true;
  EXPECT_TRUE(e.AddAnnotItem(std::move(text)));

  auto free = Make<TvnPDFFreeTextAnnot>(R(40, 10, 240, 50), u"Free text here");
  free->Font.Name = u"Liberation Sans";
  free->Font.Size = 14;
  free->TextColor = kGreen;
  free->TextAlignment = TvnFreeTextAlignment::ftaCenter;
  EXPECT_TRUE(e.AddAnnotItem(std::move(free)));

  auto line = Make<TvnPDFLineAnnot>(R(10, 60, 210, 100), u"A line");
  line->StartPoint = {10, 60};
  line->EndPoint = {210, 100};
  line->StartEnding = TvnLineEnding::leCircle;
  line->EndEnding = TvnLineEnding::leClosedArrow;
  line->Style.LineWidth = 2;
  line->Style.LineStyle = TvnAnnotLineStyle::alsDashed;
  line->Style.DashPattern = "4 2";
  line->Style.InteriorColor = kGreen;
  EXPECT_TRUE(e.AddAnnotItem(std::move(line)));

  auto square = Make<TvnPDFSquareAnnot>(R(220, 60, 300, 100), u"A square");
  square->Style.InteriorColor = kGreen;
  square->RectDifferences[0] = 1;
  square->RectDifferences[1] = 2;
  square->RectDifferences[2] = 3;
  square->RectDifferences[3] = 4;
  EXPECT_TRUE(e.AddAnnotItem(std::move(square)));

  auto circle = Make<TvnPDFCircleAnnot>(R(310, 60, 390, 100), u"A circle");
  circle->BorderEffect = TvnBorderEffect::beCloudy;
  circle->EffectIntensity = 2;
  EXPECT_TRUE(e.AddAnnotItem(std::move(circle)));

  auto polygon = Make<TvnPDFPolygonAnnot>(R(10, 110, 110, 190), u"A polygon");
  polygon->Vertices = {{10, 190}, {60, 110}, {110, 190}};
  EXPECT_TRUE(e.AddAnnotItem(std::move(polygon)));

  auto polyline = Make<TvnPDFPolyLineAnnot>(R(120, 110, 220, 190), u"A polyline");
  polyline->Vertices = {{120, 190}, {170, 110}, {220, 190}};
  polyline->EndEnding = TvnLineEnding::leOpenArrow;
  EXPECT_TRUE(e.AddAnnotItem(std::move(polyline)));

  auto stamp = Make<TvnPDFStampAnnot>(R(230, 110, 330, 150), u"A stamp");
  stamp->StampName = TvnStampName::snApproved;
  EXPECT_TRUE(e.AddAnnotItem(std::move(stamp)));

  const TvnMarkupType markups[] = {TvnMarkupType::mtHighlight, TvnMarkupType::mtUnderline, TvnMarkupType::mtSquiggly,
                                   TvnMarkupType::mtStrikeOut};
  for (int i = 0; i < 4; ++i) {
    const double y = 200 + 20 * i;
    auto mark = Make<TvnPDFMarkupAnnot>(R(10, y, 110, y + 16), u"Markup " + vn::FromAscii(std::to_string(i)));
    mark->MarkupType = markups[i];
    mark->QuadPoints = {{10, y}, {110, y}, {10, y + 16}, {110, y + 16}};
    EXPECT_TRUE(e.AddAnnotItem(std::move(mark)));
  }

  auto caret = Make<TvnPDFCaretAnnot>(R(340, 110, 360, 130), u"A caret");
  caret->Symbol = TvnCaretSymbol::csParagraph;
  EXPECT_TRUE(e.AddAnnotItem(std::move(caret)));

  auto ink = Make<TvnPDFInkAnnot>(R(370, 110, 470, 190), u"Ink");
  ink->InkList = {{{370, 110}, {420, 190}}, {{420, 110}, {470, 190}}};
  EXPECT_TRUE(e.AddAnnotItem(std::move(ink)));

  auto file = Make<TvnPDFFileAttachmentAnnot>(R(480, 110, 500, 130), u"The data");
  file->AttachmentIcon = TvnAttachmentIcon::aiPaperclip;
  file->FileName = vn::FromUtf8(attachment.string());
  EXPECT_TRUE(e.AddAnnotItem(std::move(file)));

  auto link = Make<TvnPDFLinkAnnot>(R(400, 300, 500, 320), u"");
  link->HighlightMode = TvnLinkHighlightMode::lhmOutline;
  link->BorderWidth = 1;
  auto go = std::make_unique<TvnGoToAction>();
  go->PageNumber = 2;
  go->FitType = TvnDestinationFit::dfXYZ;
  go->Left = 40;
  go->Top = 100;
  go->Zoom = 1.5;
  link->Action = std::move(go);
  EXPECT_TRUE(e.AddAnnotItem(std::move(link)));
  e.NewPage();
  e.EndDoc();
  return e.Bytes();
}

// The annotation line whose text holds `needle`.
std::string AnnotWith(const std::string& out, const std::string& needle) {
  std::string found;
  for (const auto& line : LinesStartingWith(out, "ANNOT "))
    if (line.find(needle) != std::string::npos) {
      EXPECT_TRUE(found.empty()) << "two annotations hold " << needle;
      found = line;
    }
  EXPECT_FALSE(found.empty()) << "no annotation holds " << needle << " in:\n" << out;
  return found;
}

void ExpectHas(const std::string& line, const std::string& part) { EXPECT_NE(line.find(part), std::string::npos) << part << " not in " << line; }

TEST(PdfAnnotations, EveryKindIsReadBackWithItsProperties) {
  const auto attachment = AttachmentFile("data.bin", 4);
  const std::string pdf = EveryAnnotation(true, attachment);
  EXPECT_EQ(QpdfProblems(pdf, "annotations.pdf"), "");
  if (!HavePypdf()) return;
  const std::string out = InteractiveContent(pdf, "annotations");
  EXPECT_EQ(LinesStartingWith(out, "ANNOT 1 ").size(), 16u) << out;
  const std::string text = AnnotWith(out, "/Contents=A note ");
  for (const char* common : {"/T=Tester", "/Subj=Review", "/C=[1 0 0]", "/F=4", "/Type=/Annot"}) ExpectHas(text, common);
  ExpectHas(text, "/Subtype=/Text");
  ExpectHas(text, "/Name=/Help");
  ExpectHas(text, "/Open=True");
  ExpectHas(text, "/Rect=[7.5 277.5 22.5 292.5]");
  ExpectHas(text, "/M=D:20240305143015+01'00'");

  const std::string free = AnnotWith(out, "/Subtype=/FreeText");
  ExpectHas(free, "/Contents=Free text here");
  ExpectHas(free, "/DA=/Helv 14 Tf 0.0000 1.0000 0.0000 rg");
  ExpectHas(free, "/Q=1");
  ExpectHas(free, "/DS=font: Liberation Sans 14pt; text-align:center; color:#00FF00");

  const std::string line = AnnotWith(out, "/Subtype=/Line");
  ExpectHas(line, "/L=[7.5 255 157.5 225]");
  ExpectHas(line, "/LE=[/Circle /ClosedArrow]");
  ExpectHas(line, "/BS={/D=[4 2] /S=/D /Type=/Border /W=2}");
  ExpectHas(line, "/IC=[0 1 0]");

  const std::string square = AnnotWith(out, "/Subtype=/Square");
  ExpectHas(square, "/RD=[1 2 3 4]");
  ExpectHas(square, "/IC=[0 1 0]");
  ExpectHas(square, "/BS={/S=/S /Type=/Border /W=1}");
  const std::string circle = AnnotWith(out, "/Subtype=/Circle");
  ExpectHas(circle, "/BE={/I=2 /S=/C}");

  ExpectHas(AnnotWith(out, "/Subtype=/Polygon"), "/Vertices=[7.5 157.5 45 217.5 82.5 157.5]");
  const std::string polyline = AnnotWith(out, "/Subtype=/PolyLine");
  ExpectHas(polyline, "/Vertices=[90 157.5 127.5 217.5 165 157.5]");
  ExpectHas(polyline, "/LE=[/None /OpenArrow]");
  ExpectHas(AnnotWith(out, "/Subtype=/Stamp"), "/Name=/Approved");
  ExpectHas(AnnotWith(out, "/Subtype=/Highlight"), "/QuadPoints=[7.5 150 82.5 150 7.5 138 82.5 138]");
  ExpectHas(AnnotWith(out, "/Subtype=/Underline"), "/Contents=Markup 1");
  ExpectHas(AnnotWith(out, "/Subtype=/Squiggly"), "/Contents=Markup 2");
  ExpectHas(AnnotWith(out, "/Subtype=/StrikeOut"), "/Contents=Markup 3");
  const std::string caret = AnnotWith(out, "/Subtype=/Caret");
  ExpectHas(caret, "/Sy=/P");
  ExpectHas(caret, "/RD=[0 0 0 0]");
  ExpectHas(AnnotWith(out, "/Subtype=/Ink"), "/InkList=[[277.5 217.5 315 157.5] [315 217.5 352.5 157.5]]");
  const std::string file = AnnotWith(out, "/Subtype=/FileAttachment");
  ExpectHas(file, "/Name=/Paperclip");
  ExpectHas(file, "/FS={/EF={/F=<stream 1024 bytes>} /F=data.bin /Type=/Filespec /UF=data.bin}");
  const std::string link = AnnotWith(out, "/Subtype=/Link");
  ExpectHas(link, "/H=/O");
  ExpectHas(link, "/Border=[0 0 1]");
  ExpectHas(link, "/A={/D=[page:2 /XYZ 30 225 1.5] /S=/GoTo /Type=/Action}");
}

TEST(PdfAnnotations, FileAttachmentsAreExtractedByteForByte) {
  if (!vn::test_support::HaveTool("pdfdetach")) return;
  for (bool compressed : {true, false}) {
    SCOPED_TRACE(compressed ? "compressed" : "stored");
    const auto attachment = AttachmentFile(compressed ? "packed.bin" : "stored.bin", 300);
    const std::string pdf = EveryAnnotation(compressed, attachment);
    const auto path = SaveTemp(pdf, "attached.pdf");
    std::string out;
    ASSERT_EQ(testing::Run("pdfdetach -list '" + path.string() + "'", &out), 0) << out;
    EXPECT_NE(out.find("1 embedded files"), std::string::npos) << out;
    const auto folder = TempFile(compressed ? "detached_packed" : "detached_stored");
    std::filesystem::create_directories(folder);
    ASSERT_EQ(testing::Run("pdfdetach -saveall -o '" + folder.string() + "' '" + path.string() + "'", &out), 0) << out;
    const auto extracted = folder / attachment.filename();
    ASSERT_TRUE(std::filesystem::exists(extracted)) << out;
    EXPECT_TRUE(vn::ReadFileBytes(extracted) == vn::ReadFileBytes(attachment));
    EXPECT_EQ(pdf.find("/Filter/FlateDecode") != std::string::npos, compressed);
  }
}

TEST(PdfAnnotations, EveryActionKindIsReadBack) {
  PinClock();
  TestEngine e(400, 300);
  e.BeginDoc();
  auto link_with = [&](double y, std::unique_ptr<TvnAnnotAction> action) {
    auto link = std::make_unique<TvnPDFLinkAnnot>();
    link->Rect = R(10, y, 200, y + 20);
    link->Action = std::move(action);
    EXPECT_TRUE(e.AddAnnotItem(std::move(link)));
  };
  auto go = std::make_unique<TvnGoToAction>();
  go->PageNumber = 2;
  go->FitType = TvnDestinationFit::dfFitH;
  go->Top = 40;
  link_with(10, std::move(go));
  auto remote = std::make_unique<TvnGoToRAction>();
  remote->FileName = u"other.pdf";
  remote->PageNumber = 3;
  remote->FitType = TvnDestinationFit::dfFitR;
  remote->Left = 10;
  remote->Bottom = 20;
  remote->Right = 300;
  remote->Top = 400;
  remote->NewWindow = true;
  link_with(40, std::move(remote));
  auto uri = std::make_unique<TvnURIAction>();
  uri->URI = u"https://example.org/a b?c=é";
  link_with(70, std::move(uri));
  auto named = std::make_unique<TvnNamedAction>();
  named->Name = TvnNamedActionType::naLastPage;
  link_with(100, std::move(named));
  auto launch = std::make_unique<TvnLaunchAction>();
  launch->FileName = u"readme.txt";
  link_with(130, std::move(launch));
  auto script = std::make_unique<TvnJavaScriptAction>();
  script->Script = u"app.alert(\"Hello (ünïcode)\");";
  link_with(160, std::move(script));
  // A go-to action to a page that does not exist is left out.
  auto nowhere = std::make_unique<TvnGoToAction>();
  nowhere->PageNumber = 9;
  link_with(190, std::move(nowhere));

  // Two actions for page 1: only the second stays.
  auto first = std::make_unique<TvnPageEventAction>();
  first->PageNo = 1;
  first->OpenAction = std::make_unique<TvnNamedAction>();
  EXPECT_TRUE(e.AddPageEventAction(std::move(first)));
  auto events = std::make_unique<TvnPageEventAction>();
  events->PageNo = 1;
  auto open = std::make_unique<TvnJavaScriptAction>();
  open->Script = u"console.println('open');";
  events->OpenAction = std::move(open);
  auto close = std::make_unique<TvnURIAction>();
  close->URI = u"https://example.org/bye";
  events->CloseAction = std::move(close);
  EXPECT_TRUE(e.AddPageEventAction(std::move(events)));
  auto second_page = std::make_unique<TvnPageEventAction>();
  second_page->PageNo = 2;
  auto back = std::make_unique<TvnGoToAction>();
  back->PageNumber = 1;
  back->FitType = TvnDestinationFit::dfFitV;
  back->Left = 20;
  second_page->CloseAction = std::move(back);
  EXPECT_TRUE(e.AddPageEventAction(std::move(second_page)));

  e.DocEventJSAction().BeforeClose = u"bc();";
  e.DocEventJSAction().BeforeSave = u"bs();";
  e.DocEventJSAction().AfterSave = u"as();";
  e.DocEventJSAction().BeforePrint = u"bp();";
  e.DocEventJSAction().AfterPrint = u"ap();";
  e.NewPage();
  e.EndDoc();
  const std::string pdf = e.Bytes();
  if (!HavePypdf()) return;
  const std::string out = InteractiveContent(pdf, "actions");
  const auto links = LinesStartingWith(out, "ANNOT 1 ");
  ASSERT_EQ(links.size(), 7u) << out;
  ExpectHas(links[0], "/A={/D=[page:2 /FitH 195] /S=/GoTo /Type=/Action}");
  ExpectHas(links[1], "/A={/D=[2 /FitR 10 20 300 400] /F={/F=other.pdf /Type=/Filespec /UF=other.pdf} /NewWindow=True /S=/GoToR /Type=/Action}");
  ExpectHas(links[2], "/A={/S=/URI /Type=/Action /URI=https://example.org/a%20b?c=%C3%A9}");
  ExpectHas(links[3], "/A={/N=/LastPage /S=/Named /Type=/Action}");
  ExpectHas(links[4], "/A={/F={/F=readme.txt /Type=/Filespec /UF=readme.txt} /NewWindow=False /S=/Launch /Type=/Action}");
  ExpectHas(links[5], "/A={/JS=app.alert(\"Hello (ünïcode)\"); /S=/JavaScript /Type=/Action}");
  EXPECT_EQ(links[6].find("/A="), std::string::npos) << links[6];
  EXPECT_EQ(LineStartingWith(out, "PAGEAA 1 "),
            "PAGEAA 1 {/C={/S=/URI /Type=/Action /URI=https://example.org/bye} "
            "/O={/JS=console.println('open'); /S=/JavaScript /Type=/Action}}");
  EXPECT_EQ(LineStartingWith(out, "PAGEAA 2 "), "PAGEAA 2 {/C={/D=[page:1 /FitV 15] /S=/GoTo /Type=/Action}}");
  EXPECT_EQ(LineStartingWith(out, "DOCAA "),
            "DOCAA {/DP={/JS=ap(); /S=/JavaScript /Type=/Action} /DS={/JS=as(); /S=/JavaScript /Type=/Action} "
            "/WC={/JS=bc(); /S=/JavaScript /Type=/Action} /WP={/JS=bp(); /S=/JavaScript /Type=/Action} "
            "/WS={/JS=bs(); /S=/JavaScript /Type=/Action}}");
  if (vn::test_support::HaveTool("pdfinfo")) {
    std::string js;
    testing::Run("pdfinfo -js '" + SaveTemp(pdf, "actions_js.pdf").string() + "'", &js);
    EXPECT_NE(js.find("bc();"), std::string::npos) << js;
  }
}

TEST(PdfAnnotations, RefusedWithoutADocumentOrOutsideTheBand) {
  PinClock();
  TestEngine e(300, 200);
  EXPECT_FALSE(e.AddAnnotItem(Make<TvnPDFTextAnnot>(R(10, 10, 20, 20), u"early")));
  auto early_action = std::make_unique<TvnPageEventAction>();
  early_action->PageNo = 1;
  EXPECT_FALSE(e.AddPageEventAction(std::move(early_action)));
  e.BeginDoc();
  EXPECT_FALSE(e.AddAnnotItem(Make<TvnPDFTextAnnot>(R(-10, 10, 20, 20), u"left")));
  EXPECT_FALSE(e.AddAnnotItem(Make<TvnPDFTextAnnot>(R(10, 250, 20, 260), u"below")));
  auto missing = Make<TvnPDFFileAttachmentAnnot>(R(10, 10, 20, 20), u"missing");
  missing->FileName = u"/nonexistent/file.bin";
  EXPECT_THROW(e.AddAnnotItem(std::move(missing)), vn::EFOpenError);
  // Scripts set after the document started are written; the brush width
  // ignores 0.
  e.DocEventJSAction().BeforePrint = u"p();";
  auto noted = Make<TvnPDFTextAnnot>(R(10, 10, 20, 20), u"kept");
  noted->Brush = std::make_unique<TvnAnnotBrush>();
  noted->Brush->SetWidth(0);
  EXPECT_TRUE(e.AddAnnotItem(std::move(noted)));
  e.EndDoc();
  const std::string pdf = e.Bytes();
  if (!HavePypdf()) return;
  const std::string out = InteractiveContent(pdf, "refused_annots");
  EXPECT_EQ(LinesStartingWith(out, "ANNOT ").size(), 1u) << out;
  ExpectHas(AnnotWith(out, "/Contents=kept"), "/BS={/S=/S /Type=/Border /W=1}");
  EXPECT_EQ(LineStartingWith(out, "DOCAA "), "DOCAA {/WP={/JS=p(); /S=/JavaScript /Type=/Action}}");
}

TEST(PdfAnnotations, ScriptsSetBeforeTheDocumentStartsAreDropped) {
  PinClock();
  TestEngine e;
  e.DocEventJSAction().BeforePrint = u"p();";
  e.BeginDoc();
  e.EndDoc();
  EXPECT_EQ(e.Bytes().find("/AA"), std::string::npos);
}

TEST(PdfAnnotations, PdfARefusesScriptsAndLaunching) {
  PinClock();
  WithOutputColourSpace<TestEngine> e;
  e.Preferences().Version = TvnPDFSubVersion::sPDFA_VER2B;
  e.BeginDoc();
  auto link = std::make_unique<TvnPDFLinkAnnot>();
  link->Rect = R(10, 10, 50, 30);
  link->Action = std::make_unique<TvnJavaScriptAction>();
  EXPECT_THROW(e.AddAnnotItem(std::move(link)), vn::ENotSupportedException);
  auto launch = std::make_unique<TvnPDFLinkAnnot>();
  launch->Rect = R(10, 10, 50, 30);
  launch->Action = std::make_unique<TvnLaunchAction>();
  EXPECT_THROW(e.AddAnnotItem(std::move(launch)), vn::ENotSupportedException);
  auto uri = std::make_unique<TvnPDFLinkAnnot>();
  uri->Rect = R(10, 10, 50, 30);
  uri->Action = std::make_unique<TvnURIAction>();
  EXPECT_TRUE(e.AddAnnotItem(std::move(uri)));
  e.EndDoc();
}

}  // namespace
}  // namespace vn::pdfwriter::testing::pdf_annotations_test
