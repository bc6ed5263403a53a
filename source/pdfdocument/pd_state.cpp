#include "pdfdocument/pd_state.h"

#include <algorithm>
#include <cmath>

#include "pdfdocument/pdf_numbers_impl.h"

namespace vn::pdfdoc {

namespace {

constexpr double kCTMLimit = 1e10;

double ClampCTMValue(double AValue) {
  if (AValue > kCTMLimit) return kCTMLimit;
  if (!(AValue >= -kCTMLimit)) return -kCTMLimit;
  return AValue;
}

}  // namespace

// Device space has its origin at a corner of the page box and y pointing up,
// at resolution / 72 pixels per point. Points of a box with negative
// coordinates map through the box's own offset, with no further adjustment.
TvnPDState::TvnPDState(double AhDPI, double AvDPI, int ARotate, const TvnPDRect* APageBox)
    : FvDPI(AvDPI), FhDPI(AhDPI), FRotate(ARotate) {
  if (APageBox) {
    FX1 = APageBox->Left();
    FY1 = APageBox->Top();
    FX2 = APageBox->Right();
    FY2 = APageBox->Bottom();
  } else {
    FX1 = 0;
    FY1 = 0;
    FX2 = 850;
    FY2 = 1191;
  }
  if (FX1 > FX2) std::swap(FX1, FX2);
  if (FY1 > FY2) std::swap(FY1, FY2);
  const double h = AhDPI / 72.0;
  const double v = AvDPI / 72.0;
  switch (ARotate) {
    case 90:
      FCTM->SetValues(0, -v, h, 0, -h * FY1, v * FX2);
      FPageWidth = (FY2 - FY1) * h;
      FPageHeight = (FX2 - FX1) * v;
      break;
    case 180:
      FCTM->SetValues(-h, 0, 0, -v, h * FX2, v * FY2);
      FPageWidth = (FX2 - FX1) * h;
      FPageHeight = (FY2 - FY1) * v;
      break;
    case 270:
      FCTM->SetValues(0, v, -h, 0, h * FY2, -v * FX1);
      FPageWidth = (FY2 - FY1) * h;
      FPageHeight = (FX2 - FX1) * v;
      break;
    default:
      FCTM->SetValues(h, 0, 0, v, -h * FX1, -v * FY1);
      FPageWidth = (FX2 - FX1) * h;
      FPageHeight = (FY2 - FY1) * v;
      break;
  }
  FFillColorSpace = new TvnPDDeviceGrayColorSpace();
  FStrokeColorSpace = new TvnPDDeviceGrayColorSpace();
}

TvnPDState::~TvnPDState() {
  if (FFillCSOwned) delete FFillColorSpace;
  if (FStrokeCSOwned) delete FStrokeColorSpace;
}

std::unique_ptr<TvnPDState> TvnPDState::Copy() const {
  std::unique_ptr<TvnPDState> c(new TvnPDState());
  c->LineJoin = LineJoin;
  c->LineCap = LineCap;
  c->LineWidth = LineWidth;
  c->MiterLimit = MiterLimit;
  c->FillOpacity = FillOpacity;
  c->StrokeOpacity = StrokeOpacity;
  c->Flatness = Flatness;
  c->LineX = LineX;
  c->LineY = LineY;
  c->CurX = CurX;
  c->CurY = CurY;
  c->FontSize = FontSize;
  c->Font = Font;
  c->WordSpace = WordSpace;
  c->CharSpace = CharSpace;
  c->StrokeAdjust = StrokeAdjust;
  c->HorizScaling = HorizScaling;
  c->FillOverprint = FillOverprint;
  c->StrokeOverPrint = StrokeOverPrint;
  c->Render = Render;
  c->Leading = Leading;
  c->Rise = Rise;
  c->FillPattern = FillPattern;
  c->StrokePattern = StrokePattern;
  c->PatternParentTransform = PatternParentTransform;
  c->BlendMode = BlendMode;
  c->SoftMask = SoftMask;
  c->FPath = FPath->Copy();
  c->FIsCurrentPath = FIsCurrentPath;
  c->FIsCurrentPoint = FIsCurrentPoint;
  c->FLineDash = FLineDash;
  c->FLineStart = FLineStart;
  c->FvDPI = FvDPI;
  c->FhDPI = FhDPI;
  c->FPageWidth = FPageWidth;
  c->FPageHeight = FPageHeight;
  c->FX1 = FX1;
  c->FY1 = FY1;
  c->FX2 = FX2;
  c->FY2 = FY2;
  c->FCTM = FCTM->Copy();
  c->FTextMatrix = FTextMatrix->Copy();
  c->FStrokeColorSpace = FStrokeColorSpace;
  c->FFillColorSpace = FFillColorSpace;
  c->FFillColor = FFillColor;
  c->FStrokeColor = FStrokeColor;
  c->FSaved = FSaved;
  c->FFillCSOwned = false;
  c->FStrokeCSOwned = false;
  c->FPageNumber = FPageNumber;
  c->FDepth = FDepth;
  return c;
}

TvnPDState* TvnPDState::Save() {
  if (FDepth + FUncopiedSaves >= kMaxSaveDepth) {
    ++FUncopiedSaves;
    return this;
  }
  auto copy = Copy();
  copy->FSaved = this;
  copy->FDepth = FDepth + 1;
  copy->FUncopiedSaves = 0;
  return copy.release();
}

TvnPDState* TvnPDState::Restore() {
  if (FUncopiedSaves > 0) {
    --FUncopiedSaves;
    return this;
  }
  if (!FSaved) return this;
  TvnPDState* saved = FSaved;
  saved->FPath = std::move(FPath);
  saved->CurX = CurX;
  saved->CurY = CurY;
  saved->LineX = LineX;
  saved->LineY = LineY;
  delete this;
  return saved;
}

void TvnPDState::ConcatCTM(const TvnPDMatrix& AMatrix) {
  auto m = FCTM->PreMultiply(AMatrix);
  FCTM->SetValues(ClampCTMValue(m->M11()), ClampCTMValue(m->M12()), ClampCTMValue(m->M21()),
                  ClampCTMValue(m->M22()), ClampCTMValue(m->Dx()), ClampCTMValue(m->Dy()));
}

void TvnPDState::MoveTo(double AX, double AY) {
  FPath->MoveTo(AX, AY);
  CurX = AX;
  CurY = AY;
}

void TvnPDState::LineTo(double AX, double AY) {
  FPath->LineTo(AX, AY);
  CurX = AX;
  CurY = AY;
}

void TvnPDState::CurveTo(double AX1, double AY1, double AX2, double AY2, double AX3, double AY3) {
  FPath->CurveTo(AX1, AY1, AX2, AY2, AX3, AY3);
  CurX = AX3;
  CurY = AY3;
}

void TvnPDState::ClosePath() {
  FPath->Close();
  if (FPath->IsPath()) {
    CurX = FPath->LastX();
    CurY = FPath->LastY();
  }
}

void TvnPDState::ClearPath() { FPath = std::make_unique<TvnPDPath>(); }

void TvnPDState::TextMoveTo(double ATx, double ATy) {
  LineX = CurX = ATx;
  LineY = CurY = ATy;
}

void TvnPDState::TextSetPos(double ATx, double ATy) {
  LineX = ATx;
  LineY = ATy;
}

void TvnPDState::TextShift(double ATx, double ATy) {
  CurX += ATx;
  CurY += ATy;
}

void TvnPDState::Shift(double ADx, double ADy) {
  CurX += ADx;
  CurY += ADy;
}

std::unique_ptr<TvnPDMatrix> TvnPDState::GetFontTransMatrix() const {
  auto m = FCTM->PreMultiply(*FTextMatrix);
  m->SetValues(m->M11() * FontSize, m->M12() * FontSize, m->M21() * FontSize, m->M22() * FontSize, 0, 0);
  return m;
}

double TvnPDState::GetTransformedFontSize() const {
  double x = 0;
  double y = 0;
  FCTM->TransformDelta(FontSize * FTextMatrix->M21(), FontSize * FTextMatrix->M22(), x, y);
  return std::sqrt(x * x + y * y);
}

void TvnPDState::GetLineDash(TvnDashArray& ADash, int& ALength, double& AStart) const {
  ADash = FLineDash;
  ALength = static_cast<int>(FLineDash.size());
  AStart = FLineStart;
}

void TvnPDState::SetLineDash(const TvnDashArray& ADash, int ALength, double AStart) {
  const size_t n = std::min(ADash.size(), static_cast<size_t>(std::max(ALength, 0)));
  FLineDash.assign(ADash.begin(), ADash.begin() + static_cast<std::ptrdiff_t>(n));
  FLineStart = AStart;
}

int32_t TvnPDState::GetFillGray() const {
  int32_t gray = 0;
  if (FFillColorSpace) FFillColorSpace->GetGray(FFillColor, gray);
  return gray;
}

TvnRGB TvnPDState::GetFillRGB() const {
  TvnRGB rgb;
  if (FFillColorSpace && FFillColorSpace->GetMode() != TvnColorSpaceMode::csPattern) {
    FFillColorSpace->GetRGB(FFillColor, rgb);
  } else {
    rgb = {FFillColor.Comps[0], FFillColor.Comps[1], FFillColor.Comps[2]};
  }
  return rgb;
}

TvnCMYK TvnPDState::GetFillCMYK() const {
  TvnCMYK cmyk;
  if (FFillColorSpace) FFillColorSpace->GetCMYK(FFillColor, cmyk);
  return cmyk;
}

int32_t TvnPDState::GetStrokeGray() const {
  int32_t gray = 0;
  if (FStrokeColorSpace) FStrokeColorSpace->GetGray(FStrokeColor, gray);
  return gray;
}

TvnRGB TvnPDState::GetStrokeRGB() const {
  TvnRGB rgb;
  if (FStrokeColorSpace) FStrokeColorSpace->GetRGB(FStrokeColor, rgb);
  return rgb;
}

TvnCMYK TvnPDState::GetStrokeCMYK() const {
  TvnCMYK cmyk;
  if (FStrokeColorSpace) FStrokeColorSpace->GetCMYK(FStrokeColor, cmyk);
  return cmyk;
}

void TvnPDState::SetFillColorSpace(std::unique_ptr<TvnPDColorSpace> ASpace) {
  if (FFillCSOwned && FFillColorSpace != ASpace.get()) delete FFillColorSpace;
  FFillColorSpace = ASpace.release();
  FFillCSOwned = true;
}

void TvnPDState::SetFillColorSpace(TvnPDColorSpace* ASpace) {
  if (FFillCSOwned && FFillColorSpace != ASpace) delete FFillColorSpace;
  FFillColorSpace = ASpace;
  FFillCSOwned = false;
}

void TvnPDState::SetStrokeColorSpace(std::unique_ptr<TvnPDColorSpace> ASpace) {
  if (FStrokeCSOwned && FStrokeColorSpace != ASpace.get()) delete FStrokeColorSpace;
  FStrokeColorSpace = ASpace.release();
  FStrokeCSOwned = true;
}

void TvnPDState::SetStrokeColorSpace(TvnPDColorSpace* ASpace) {
  if (FStrokeCSOwned && FStrokeColorSpace != ASpace) delete FStrokeColorSpace;
  FStrokeColorSpace = ASpace;
  FStrokeCSOwned = false;
}

TvnPDGState::TvnPDGState(vn::pdf::TvnPDDocumentIntf* AParentDoc, vn::pdf::TvnPDElement* AParentElement,
                         vn::pdf::TvnPDBaseObject* ABaseObject, std::string ATag)
    : TvnPDElement(ABaseObject, AParentDoc, AParentElement), FTag(std::move(ATag)) {}

double TvnPDGState::ReadAlpha(const char* AKey, double& AKept) {
  if (AKept != -1.0) return AKept;
  auto* dict = FBaseObject ? FBaseObject->AsDict() : nullptr;
  double value = 0;
  if (dict && PdfNumber(dict->LookUp(AKey), value)) AKept = value;
  return AKept;
}

vn::pdf::TvnPDDictionary* TvnPDGState::Dict() const { return FBaseObject ? FBaseObject->AsDict() : nullptr; }

TvnBlendMode BlendModeOfName(const std::string& AName) {
  static constexpr const char* kNames[] = {"Normal",    "Multiply",   "Screen",     "Overlay",   "Darken",
                                           "Lighten",   "ColorDodge", "ColorBurn",  "HardLight", "SoftLight",
                                           "Difference", "Exclusion", "Hue",        "Saturation", "Color",
                                           "Luminosity"};
  for (size_t i = 0; i < std::size(kNames); ++i)
    if (AName == kNames[i]) return static_cast<TvnBlendMode>(i);
  return TvnBlendMode::Normal;
}

double TvnPDGState::StrokeAlpha() { return ReadAlpha("CA", FStrokeAlpha); }
double TvnPDGState::NonStrokeAlpha() { return ReadAlpha("ca", FNonStrokeAlpha); }

}  // namespace vn::pdfdoc
