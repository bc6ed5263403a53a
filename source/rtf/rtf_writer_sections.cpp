#include "rtf/rtf_writer_sections.h"

#include "framework/writer_routines.h"
#include "rtf/rtf_writer_paragraph.h"
#include "rtf/rtf_writer_utils.h"
#include "runtime/numbers.h"

namespace vn::rtf::writer {

namespace {

constexpr const char* kSectionCRLF = "\r\n";
// The window system's "no colour".
constexpr platform::Color kNoColor = 0x1FFFFFFF;

std::string ShapeProperty(const std::string& AName, const std::string& AValue) {
  return "{\\sp{\\sn " + AName + "}{\\sv " + AValue + "}}" + kSectionCRLF;
}

const char* PositionHValue(TvnHAlignment AAlignment) {
  switch (AAlignment) {
    case TvnHAlignment::haCenter: return "2";
    case TvnHAlignment::haRight: return "3";
    default: return "1";
  }
}

const char* AnchorTextValue(TvnVAlignment AAlignment) {
  switch (AAlignment) {
    case TvnVAlignment::vaCenter: return "1";
    case TvnVAlignment::vaBottom: return "2";
    default: return "0";
  }
}

const char* LineDashingValue(platform::PenStyle AStyle) {
  switch (AStyle) {
    case platform::PenStyle::Dash: return "1";
    case platform::PenStyle::Dot: return "2";
    case platform::PenStyle::DashDot: return "3";
    default: return "0";
  }
}

std::string EncodeElements(const TvnRTFElements& AElements) {
  std::string text;
  for (const auto& element : AElements) text += element->Encode();
  return text;
}

}  // namespace

TvnRTFSection::TvnRTFSection(TvnSectionType ASectionType)
    : RTFFactor(TwipsPerPixel()), FSectionType(ASectionType) {}

TvnRTFSection::TvnRTFSection(int32_t AColumnCount, int32_t ADefaultColumnSpace,
                             const std::vector<TvnColumnSection>& AColumns)
    : RTFFactor(TwipsPerPixel()),
      FColumnPropTbl(AColumns),
      FColumnCount(AColumnCount),
      FDefaultColumnSpace(ADefaultColumnSpace),
      FSectionType(TvnSectionType::stColumn) {}

TvnRTFElements& TvnRTFSection::CreateHeader() {
  if (!FHeaderElements) FHeaderElements = std::make_unique<TvnRTFElements>();
  return *FHeaderElements;
}

TvnRTFElements& TvnRTFSection::CreateFooter() {
  if (!FFooterElements) FFooterElements = std::make_unique<TvnRTFElements>();
  return *FFooterElements;
}

std::string TvnRTFSection::EncodeStart() const {
  auto twips = [this](double APixels) { return std::to_string(Round(APixels * RTFFactor)); };
  const TvnPageSettings& page = FPageSettings;
  switch (FSectionType) {
    case TvnSectionType::stNone: return "\\sectd\\sbknone\\cols1{";
    case TvnSectionType::stColumn: {
      std::string text = "\\sectd\\sbknone{\\cols" + std::to_string(FColumnCount);
      for (size_t k = 0; k < FColumnPropTbl.size(); ++k)
        text += "\\colno" + std::to_string(k + 1) + "\\colsr" + twips(FColumnPropTbl[k].RightSpace) + "\\colw" +
                twips(FColumnPropTbl[k].ColumnWidth) + "\\marglsxn" + twips(page.LeftMargin()) + "\\margrsxn" +
                twips(page.RightMargin());
      return text;
    }
    case TvnSectionType::stPage: break;
  }
  std::string text = std::string(kSectionCRLF) + " \\sectd{";
  if (page.Orientation() == TPrinterOrientation::poLandscape) text += "\\lndscpsxn";
  text += "\\dntblnsbdb\\pgwsxn" + twips(page.Width()) + "\\pghsxn" + twips(page.Height()) + "\\marglsxn" +
          twips(page.LeftMargin()) + "\\margrsxn" + twips(page.RightMargin()) + "\\margtsxn" +
          twips(page.TopMargin()) + "\\margbsxn" + twips(page.BottomMargin());
  if (page.BinNumber() != 0) {
    const std::string bin = std::to_string(page.BinNumber());
    text += "\\binfsxn" + bin + "\\binsxn" + bin;
  }
  return text + "\\headery" + twips(page.HeaderHeight()) + "\\footery" + twips(page.FooterHeight()) +
         "\\sectdefaultcl" + kSectionCRLF;
}

std::string TvnRTFSection::Encode() {
  std::string text = EncodeStart();
  if (FHeaderElements && !FHeaderElements->empty())
    text += "{\\header" + EncodeElements(*FHeaderElements) + "}" + kSectionCRLF;
  text += EncodeElements(FBody);
  if (FFooterElements && !FFooterElements->empty())
    text += "{\\footer" + EncodeElements(*FFooterElements) + "}" + kSectionCRLF;
  return text + "\\sect" + kSectionCRLF + "}";
}

TvnRTFDocArea::TvnRTFDocArea() : RTFFactor(TwipsPerPixel()) {}

TvnRTFSection& TvnRTFDocArea::CreateSection(TvnSectionType ASectionType) {
  FSections.push_back(std::make_unique<TvnRTFSection>(ASectionType));
  return *FSections.back();
}

TvnRTFSection& TvnRTFDocArea::CreateSection(int32_t AColumnCount, int32_t ADefaultColumnSpace,
                                            const std::vector<TvnColumnSection>& AColumns) {
  FSections.push_back(std::make_unique<TvnRTFSection>(AColumnCount, ADefaultColumnSpace, AColumns));
  return *FSections.back();
}

std::string TvnRTFDocArea::Encode() {
  auto twips = [this](double APixels) { return std::to_string(Round(APixels * RTFFactor)); };
  const TvnPageSettings& page = FDocSettings;
  std::string text = std::string(kSectionCRLF) + "\\paperw" + twips(page.Width()) + "\\paperh" +
                     twips(page.Height()) + "\\margl" + twips(page.LeftMargin()) + "\\margr" +
                     twips(page.RightMargin()) + "\\margt" + twips(page.TopMargin()) + "\\margb" +
                     twips(page.BottomMargin()) + "\\headery" + twips(page.HeaderHeight()) + "\\footery" +
                     twips(page.FooterHeight()) + "\\nouicompat\\lnbrkrule";
  for (const auto& section : FSections) {
    const TvnPageSettings& settings = section->PageSettings();
    text += "\\paperw" + twips(settings.Width()) + "\\paperh" + twips(settings.Height()) + section->Encode();
  }
  return text;
}

TvnRTFTextbox::TvnRTFTextbox(bool AIsHeader) : RTFFactor(TwipsPerPixel()), FHeader(AIsHeader) {
  Pen.color = kNoColor;
}

int32_t TvnRTFTextbox::InsertElement(std::unique_ptr<TvnRTFElement> AElement) {
  FElementList.push_back(std::move(AElement));
  return static_cast<int32_t>(FElementList.size()) - 1;
}

std::string TvnRTFTextbox::Encode() {
  auto twips = [this](double APixels) { return std::to_string(Round(APixels * RTFFactor)); };
  std::string paragraphs;
  for (const auto& element : FElementList)
    if (element->GetElementType() == TvnRTFElementType::etParagraph) paragraphs += element->Encode();
  platform::Color lineColor = Pen.color;
  framework::ResolveSystemColor(lineColor);
  const TvnRect& r = Rect;
  return std::string(kSectionCRLF) + "{\\shp{\\*\\shpinst\\shpleft" + twips(r.Left) + "\\shptop" + twips(r.Top) +
         "\\shpright" + twips(r.Right) + "\\shpbottom" + twips(r.Bottom) + (FHeader ? "\\shpfhdr1" : "\\shpfhdr0") +
         "{\\sp{\\sn dxTextLeft}{\\sv 0}}{\\sp{\\sn dyTextTop}{\\sv 0}}"
         "{\\sp{\\sn dxTextRight}{\\sv 0}}{\\sp{\\sn dyTextBottom}{\\sv 0}}"
         "\\shpbxcolumn\\shpbxignore\\shpbxpage\\shpbypage\\shpwr3\\shpwrk0\\shpfblwtxt0" +
         ShapeProperty("shapeType", "202") + ShapeProperty("posh", PositionHValue(HAlignment)) +
         ShapeProperty("anchorText", AnchorTextValue(VAlignment)) + ShapeProperty("lineType", "0") +
         ShapeProperty("lineStyle", "0") + ShapeProperty("lineDashing", LineDashingValue(Pen.style)) +
         ShapeProperty("lineColor", std::to_string(lineColor)) + "{\\shptxt \\ltrpar \\pard\\plain" + paragraphs +
         "}" + "{\\shprslt{\\*\\do\\dobxpage\\dobypage\\dptxbx\\dpx" + twips(r.Left) + "\\dpy" + twips(r.Top) +
         "\\dpxsize" + twips(r.Right - r.Left) + "\\dpysize" + twips(r.Bottom - r.Top) + "{\\dptxbxtext" +
         paragraphs + "}}}}}";
}

}  // namespace vn::rtf::writer
