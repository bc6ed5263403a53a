// The rendering device: paths, text, images, forms and tiling patterns of
// an interpreted page drawn through a fractional Graphics.
#include "pdfdocument/pd_image_device.h"

#include <algorithm>
#include <cmath>

#include "pdfdocument/glyph_names.h"
#include "pdfdocument/pd_content_stream.h"
#include "pdfdocument/pd_font.h"
#include "pdfdocument/pd_form.h"
#include "pdfdocument/pd_image.h"
#include "pdfdocument/pd_pattern.h"
#include "pdfdocument/pd_render_impl.h"
#include "platform/fonts/font_catalog.h"
#include "runtime/strings.h"

namespace vn::pdfdoc {

namespace gfx = vn::platform::gfx;

namespace {

uint8_t CompToByte(int32_t AComp) {
  const int64_t v = (static_cast<int64_t>(AComp) * 255 + 32768) >> 16;
  return static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
}

uint8_t OpacityToByte(double AOpacity) {
  if (!std::isfinite(AOpacity)) return 255;
  return static_cast<uint8_t>(std::lround(std::clamp(AOpacity, 0.0, 1.0) * 255.0));
}

gfx::Argb ArgbOf(const TvnRGB& ARGB, double AOpacity) {
  return gfx::MakeArgb(OpacityToByte(AOpacity), CompToByte(ARGB.R), CompToByte(ARGB.G), CompToByte(ARGB.B));
}

// Removes the first occurrence of AWhat (ASCII case-insensitive when asked);
// true when there was one.
bool RemoveFirst(std::string& AText, std::string_view AWhat, bool AIgnoreCase) {
  auto lower = [](char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c); };
  for (size_t i = 0; i + AWhat.size() <= AText.size(); ++i) {
    bool same = true;
    for (size_t k = 0; k < AWhat.size() && same; ++k)
      same = AIgnoreCase ? lower(AText[i + k]) == lower(AWhat[k]) : AText[i + k] == AWhat[k];
    if (same) {
      AText.erase(i, AWhat.size());
      return true;
    }
  }
  return false;
}

bool StartsWith(std::string_view AText, std::string_view APrefix) {
  return AText.size() >= APrefix.size() && AText.substr(0, APrefix.size()) == APrefix;
}

// The installed family that draws a font of this cleaned name: the name
// itself when installed; the standard families by their prefix; else by
// the font's serif and fixed-pitch flags.
std::string InstalledFamilyFor(const std::string& ACleaned, const TvnPDFont& AFont) {
  if (!ACleaned.empty() && vn::platform::IsFontFamilyInstalled(vn::FromUtf8(ACleaned))) return ACleaned;
  // The standard fonts draw with their metric twins of the URW set when
  // installed, else with the catalog's own substitutes.
  struct Prefix {
    const char* Name;
    const char* Twin;
    const char* Family;
  };
  static constexpr Prefix kPrefixes[] = {{"Courier", "Nimbus Mono PS", "Courier New"},
                                         {"Times", "Nimbus Roman", "Times New Roman"},
                                         {"Helvetica", "Nimbus Sans", "Arial"},
                                         {"Arial", "Liberation Sans", "Arial"},
                                         {"Symbol", "Standard Symbols PS", "DejaVu Sans"},
                                         {"ZapfDingbats", "D050000L", "DejaVu Sans"}};
  for (const Prefix& p : kPrefixes)
    if (StartsWith(ACleaned, p.Name))
      return vn::platform::IsFontFamilyInstalled(vn::FromUtf8(p.Twin)) ? p.Twin : p.Family;
  if (AFont.IsFixedWidth()) return "Courier New";
  if (AFont.IsSerif()) return "Times New Roman";
  return "Arial Unicode MS";
}

}  // namespace

TvnPDImageDevice::TvnPDImageDevice(gfx::Graphics& AGraphics, bool AAllowAntiAlias)
    : FGraphics(AGraphics), FAllowAntiAlias(AAllowAntiAlias) {
  FCIDToGIDNeeded = true;
  FUseShadedFill = true;
  FNeedNonText = true;
  FInterpretType3Chars = true;
  FUseDrawChar = true;
  FUseDrawForm = true;
  FUseTillingPatternFill = true;
  FUpsideDown = true;
}

TvnPDImageDevice::~TvnPDImageDevice() = default;

std::string TvnPDImageDevice::CleanFontName(const std::string& AName, bool& ABold, bool& AItalic) {
  std::string name;
  for (char c : AName)
    if (c != ' ' && c != ',' && c != '+' && c != '-') name.push_back(c);
  RemoveFirst(name, "PS", false);
  RemoveFirst(name, "MT", false);
  if (RemoveFirst(name, "Bold", true)) ABold = true;
  if (RemoveFirst(name, "Italic", true)) AItalic = true;
  return name;
}

// ---- Page, state and transform --------------------------------------------------------------

void TvnPDImageDevice::StartPage(int AnPage, TvnPDState& AState) {
  TvnPDExportDevice::StartPage(AnPage, AState);
  FWidth = std::fabs(AState.PageWidth());
  FHeight = std::fabs(AState.PageHeight());
  FPageCTM.Assign(AState.CTM());
  FGraphics.Save();
  FPageOpen = true;
  FSaveDepth = 0;
  FGraphics.SetTransform(gfx::Matrix());
  FGraphics.SetSmoothing(FAllowAntiAlias);
  const gfx::RectF page{0, 0, FWidth, FHeight};
  if (!FTransparantBackground) FGraphics.FillRect(gfx::SolidBrush{0xFFFFFFFF}, page);
  FGraphics.SetClip(page, gfx::CombineMode::Intersect);
}

void TvnPDImageDevice::EndPage() {
  if (!FPageOpen) return;
  while (FSaveDepth > 0) {
    FGraphics.Restore();
    --FSaveDepth;
  }
  FGraphics.Restore();
  FPageOpen = false;
  FFontProcessor = nullptr;
  FInstalledFont = nullptr;
  FOwnFont.reset();
  FEmbeddedFonts.clear();
  FFallbacks.clear();
  FInstalledFonts.clear();
}

void TvnPDImageDevice::SaveState(TvnPDState&) {
  FGraphics.Save();
  ++FSaveDepth;
}

void TvnPDImageDevice::RestoreState(TvnPDState&) {
  if (FSaveDepth <= 0) return;
  FGraphics.Restore();
  --FSaveDepth;
}

void TvnPDImageDevice::ResetDevice(TvnPDState& AState) {
  TvnPDExportDevice::ResetDevice(AState);
  while (FSaveDepth > 0) RestoreState(AState);
}

gfx::Matrix TvnPDImageDevice::DeviceMatrix(const TvnPDMatrix& ACTM) const {
  // User space through the CTM onto the page's pixels (y up), then flipped
  // so that y points down from the page's top edge.
  gfx::Matrix m(1, 0, 0, -1, 0, FHeight);
  m.Multiply(gfx::Matrix(ACTM.M11(), ACTM.M12(), ACTM.M21(), ACTM.M22(), ACTM.Dx(), ACTM.Dy()));
  return m;
}

void TvnPDImageDevice::ApplyCTM(const TvnPDState& AState) { FGraphics.SetTransform(DeviceMatrix(AState.CTM())); }

gfx::Path TvnPDImageDevice::MakePath(const TvnPDState& AState, gfx::FillMode AMode) const {
  gfx::Path path(AMode);
  const TvnPDPath& source = AState.Path();
  for (int s = 0; s < source.SubPathCount(); ++s) {
    const TvnPDSubPath* sub = source.SubPath(s);
    if (!sub || sub->PointCount() == 0) continue;
    const int count = sub->PointCount();
    path.MoveTo({sub->X(0), sub->Y(0)});
    for (int i = 1; i < count;) {
      if (sub->Curve(i) && i + 2 < count) {
        path.CubicTo({sub->X(i), sub->Y(i)}, {sub->X(i + 1), sub->Y(i + 1)}, {sub->X(i + 2), sub->Y(i + 2)});
        i += 3;
      } else {
        path.LineTo({sub->X(i), sub->Y(i)});
        ++i;
      }
    }
    if (sub->IsClosed()) path.Close();
  }
  return path;
}

gfx::Pen TvnPDImageDevice::MakePen(const TvnPDState& AState) const {
  gfx::Pen pen;
  pen.color = ArgbOf(AState.GetStrokeRGB(), AState.StrokeOpacity);
  pen.width = std::isfinite(AState.LineWidth) ? std::max(AState.LineWidth, 0.0) : 1.0;
  switch (AState.LineJoin) {
    case 1:
      pen.join = gfx::LineJoin::Round;
      break;
    case 2:
      pen.join = gfx::LineJoin::Bevel;
      break;
    default:
      pen.join = gfx::LineJoin::Miter;
      break;
  }
  switch (AState.LineCap) {
    case 1:
      pen.cap = gfx::LineCap::Round;
      break;
    case 2:
      pen.cap = gfx::LineCap::Square;
      break;
    default:
      pen.cap = gfx::LineCap::Flat;
      break;
  }
  pen.miterLimit = std::isfinite(AState.MiterLimit) ? std::max(AState.MiterLimit, 1.0) : 10.0;
  // Dash lengths and the phase stay in user units: the Graphics scales them
  // with the transform, as it does the pen's width.
  TvnDashArray dash;
  int length = 0;
  double start = 0;
  AState.GetLineDash(dash, length, start);
  bool usable = length > 0;
  double total = 0;
  for (int i = 0; i < length && usable; ++i) {
    const double d = dash[static_cast<size_t>(i)];
    usable = std::isfinite(d) && d >= 0;
    total += usable ? d : 0;
  }
  if (usable && total > 0) {
    for (int i = 0; i < length; ++i) pen.dashes.push_back(dash[static_cast<size_t>(i)]);
    pen.dashOffset = std::isfinite(start) ? start : 0;
  }
  return pen;
}

gfx::Argb TvnPDImageDevice::FillArgb(const TvnPDState& AState) const {
  return ArgbOf(AState.GetFillRGB(), AState.FillOpacity);
}

// ---- Paths --------------------------------------------------------------------------------

void TvnPDImageDevice::Stroke(TvnPDState& AState) {
  ApplyCTM(AState);
  FGraphics.DrawPath(MakePen(AState), MakePath(AState, gfx::FillMode::Winding));
}

void TvnPDImageDevice::Fill(TvnPDState& AState) { FillPath(AState, gfx::FillMode::Winding); }
void TvnPDImageDevice::EvenOddFill(TvnPDState& AState) { FillPath(AState, gfx::FillMode::Alternate); }

void TvnPDImageDevice::FillPath(TvnPDState& AState, gfx::FillMode AMode) {
  const gfx::Path path = MakePath(AState, AMode);
  if (TvnPDPattern* pattern = AState.FillPattern) {
    if (pattern->GetPatternType() == TvnPatternType::ptTiling)
      TilingFill(AState, static_cast<TvnPDTilingPattern&>(*pattern), path);
    else
      ShadingFill(AState, static_cast<TvnPDShaddingPattern&>(*pattern), path);
    return;
  }
  ApplyCTM(AState);
  FGraphics.FillPath(gfx::SolidBrush{FillArgb(AState)}, path);
}

void TvnPDImageDevice::Clip(TvnPDState& AState) {
  ApplyCTM(AState);
  FGraphics.SetClip(MakePath(AState, gfx::FillMode::Winding), gfx::CombineMode::Intersect);
}

void TvnPDImageDevice::EvenOddClip(TvnPDState& AState) {
  TvnPDExportDevice::EvenOddClip(AState);
  ApplyCTM(AState);
  FGraphics.SetClip(MakePath(AState, gfx::FillMode::Alternate), gfx::CombineMode::Intersect);
}

void TvnPDImageDevice::ClipToStrokePath(TvnPDState& AState) {
  // The stroke's outline cannot be taken as a path here; the path's own
  // area is the closest clip.
  Clip(AState);
}

// ---- Forms -----------------------------------------------------------------------------------

void TvnPDImageDevice::DrawFormXObject(TvnPDState& AState, TvnPDForm* AForm) {
  if (!AForm || !AForm->XObjectStream()) return;
  std::unique_ptr<TvnPDState> copy = AState.Copy();
  if (TvnPDMatrix* matrix = AForm->Matrix()) copy->ConcatCTM(*matrix);
  FGraphics.Save();
  // A form always draws inside its box, wherever the box lies.
  if (TvnPDRect* box = AForm->BBox()) {
    FGraphics.SetTransform(DeviceMatrix(copy->CTM()));
    const double x0 = std::min(box->Left(), box->Right()), x1 = std::max(box->Left(), box->Right());
    const double y0 = std::min(box->Top(), box->Bottom()), y1 = std::max(box->Top(), box->Bottom());
    gfx::Path clip(gfx::FillMode::Winding);
    clip.AddRect(gfx::RectF{x0, y0, x1 - x0, y1 - y0});
    FGraphics.SetClip(clip, gfx::CombineMode::Intersect);
  }
  {
    TvnPDContentStream content(AForm->ParentDoc(), AForm, AForm->XObjectStream());
    content.SetIsNestedCall(true);
    content.DispalyObject(this, copy.get(), AForm->Resources());
  }
  FGraphics.Restore();
}

// ---- Tiling patterns ---------------------------------------------------------------------------

void TvnPDImageDevice::TilingFill(TvnPDState& AState, TvnPDTilingPattern& APattern, const gfx::Path& APath) {
  const double xstep = std::fabs(APattern.GetCellXSpacing());
  const double ystep = std::fabs(APattern.GetCellYSpacing());
  TvnPDRect* box = APattern.GetBBox();
  TvnPDContentStream* content = APattern.GetContent();
  if (!content || !box || !(xstep > 0) || !(ystep > 0) || !std::isfinite(xstep) || !std::isfinite(ystep)) return;
  // Pattern space: the pattern matrix on the page's base space.
  auto base = FPageCTM.PreMultiply(APattern.GetMatrix());
  const gfx::Matrix to_device = DeviceMatrix(*base);
  gfx::Matrix from_device = to_device;
  if (!from_device.Invert()) return;
  ApplyCTM(AState);
  const gfx::Matrix device = FGraphics.GetTransform();
  const std::optional<gfx::RectF> bounds = APath.Bounds(&device);
  if (!bounds) return;
  FGraphics.Save();
  FGraphics.SetClip(APath, gfx::CombineMode::Intersect);
  gfx::PointF corners[4] = {{bounds->x, bounds->y},
                            {bounds->x + bounds->width, bounds->y},
                            {bounds->x, bounds->y + bounds->height},
                            {bounds->x + bounds->width, bounds->y + bounds->height}};
  from_device.TransformPoints(corners);
  double px0 = corners[0].x, px1 = corners[0].x, py0 = corners[0].y, py1 = corners[0].y;
  for (const gfx::PointF& p : corners) {
    px0 = std::min(px0, p.x);
    px1 = std::max(px1, p.x);
    py0 = std::min(py0, p.y);
    py1 = std::max(py1, p.y);
  }
  const double bx0 = std::min(box->Left(), box->Right()), bx1 = std::max(box->Left(), box->Right());
  const double by0 = std::min(box->Top(), box->Bottom()), by1 = std::max(box->Top(), box->Bottom());
  // Cells whose box can reach the area.
  const double i0 = std::floor((px0 - bx1) / xstep), i1 = std::ceil((px1 - bx0) / xstep);
  const double j0 = std::floor((py0 - by1) / ystep), j1 = std::ceil((py1 - by0) / ystep);
  if (!std::isfinite(i0) || !std::isfinite(i1) || !std::isfinite(j0) || !std::isfinite(j1) ||
      (i1 - i0 + 1) * (j1 - j0 + 1) > static_cast<double>(kMaxPatternCells)) {
    FGraphics.Restore();
    return;
  }
  std::unique_ptr<TvnPDState> cell_state = AState.Copy();
  cell_state->FillPattern = nullptr;
  cell_state->StrokePattern = nullptr;
  std::unique_ptr<TvnPDColorSpace> under;
  if (APattern.GetPaintType() == 2) {
    // An uncoloured pattern paints in the colour given with its name, in
    // the space under the Pattern space.
    TvnPDColorSpace* space = AState.FillColorSpace();
    auto* array = space && space->BaseObject() ? space->BaseObject()->AsArray() : nullptr;
    if (array && array->GetLength() > 1) under = TvnPDColorSpace::MakeColorSpace(array->Get(1), std::string());
    if (!under) under = std::make_unique<TvnPDDeviceGrayColorSpace>();
    cell_state->SetFillColorSpace(under.get());
    cell_state->SetStrokeColorSpace(under.get());
    cell_state->SetFillColor(APattern.FillColor());
    cell_state->SetStrokeColor(APattern.FillColor());
  }
  for (double i = i0; i <= i1; ++i) {
    for (double j = j0; j <= j1; ++j) {
      std::unique_ptr<TvnPDState> state = cell_state->Copy();
      state->CTM().Assign(*base);
      state->ConcatCTM(TvnPDMatrix(1, 0, 0, 1, i * xstep, j * ystep));
      state->ClearPath();
      FGraphics.Save();
      FGraphics.SetTransform(DeviceMatrix(state->CTM()));
      gfx::Path cell(gfx::FillMode::Winding);
      cell.AddRect(gfx::RectF{bx0, by0, bx1 - bx0, by1 - by0});
      FGraphics.SetClip(cell, gfx::CombineMode::Intersect);
      content->SetIsNestedCall(true);
      content->DispalyObject(this, state.get(), APattern.Resources());
      FGraphics.Restore();
    }
  }
  FGraphics.Restore();
}

// ---- Shadings ----------------------------------------------------------------------------------

void TvnPDImageDevice::ShadingFill(TvnPDState& AState, TvnPDShaddingPattern& APattern, const gfx::Path& APath) {
  auto* dict = APattern.BaseObject() ? APattern.BaseObject()->AsDict() : nullptr;
  if (!dict && APattern.BaseObject() && APattern.BaseObject()->AsStream())
    dict = APattern.BaseObject()->AsStream()->GetDict();
  vn::pdf::TvnPDBaseObject* shading = dict ? dict->LookUp("Shading") : nullptr;
  if (!shading) return;
  vn::pdf::TvnPDBaseObject* matrix_object = dict->LookUp("Matrix");
  TvnPDMatrix pattern_matrix = matrix_object && matrix_object->IsArray() ? TvnPDMatrix(matrix_object) : TvnPDMatrix();
  auto base = FPageCTM.PreMultiply(pattern_matrix);
  ApplyCTM(AState);
  const gfx::Matrix device = FGraphics.GetTransform();
  const std::optional<gfx::RectF> bounds = APath.Bounds(&device);
  if (!bounds) return;
  FGraphics.Save();
  FGraphics.SetClip(APath, gfx::CombineMode::Intersect);
  PaintShading(shading, DeviceMatrix(*base), *bounds, AState.FillOpacity, true);
  FGraphics.Restore();
}

void TvnPDImageDevice::DrawShading(TvnPDState& AState, vn::pdf::TvnPDBaseObject* AShading) {
  // sh paints the clip in force; the page is its largest extent.
  PaintShading(AShading, DeviceMatrix(AState.CTM()), gfx::RectF{0, 0, FWidth, FHeight}, AState.FillOpacity, false);
}

void TvnPDImageDevice::PaintShading(vn::pdf::TvnPDBaseObject* AShading, const gfx::Matrix& AToDevice,
                                    const gfx::RectF& ADeviceArea, double AOpacity, bool AUseBackground) {
  const double x0 = std::max(0.0, std::floor(ADeviceArea.x));
  const double y0 = std::max(0.0, std::floor(ADeviceArea.y));
  const double x1 = std::min(FWidth, std::ceil(ADeviceArea.x + ADeviceArea.width));
  const double y1 = std::min(FHeight, std::ceil(ADeviceArea.y + ADeviceArea.height));
  if (!(x1 > x0) || !(y1 > y0)) return;
  gfx::Matrix from_device = AToDevice;
  if (!from_device.Invert()) return;
  vn::platform::Bitmap bitmap = RenderShading(AShading, from_device, static_cast<int>(x0), static_cast<int>(y0),
                                              static_cast<int>(x1 - x0), static_cast<int>(y1 - y0), AUseBackground);
  if (bitmap.Empty()) return;
  FGraphics.Save();
  FGraphics.SetTransform(gfx::Matrix());
  FGraphics.DrawImage(bitmap, gfx::RectF{x0, y0, x1 - x0, y1 - y0}, std::clamp(AOpacity, 0.0, 1.0));
  FGraphics.Restore();
}

// ---- Images ---------------------------------------------------------------------------------

void TvnPDImageDevice::DrawImage(TvnPDState& AState, TvnPDImage* AImage) {
  if (!AImage) return;
  AImage->SetState(&AState);
  vn::platform::Bitmap bitmap = DecodeImageBitmap(*AImage, AState.GetFillRGB(), kMaxImagePixels);
  if (bitmap.Empty()) return;
  ApplyCTM(AState);
  // The image fills the unit square; its first row is the square's top.
  // Enlarged images keep their pixels sharp, as PDF readers draw them
  // unless the image asks for interpolation.
  const gfx::Matrix device = FGraphics.GetTransform();
  const gfx::PointF across = device.ApplyVector({1, 0}), down = device.ApplyVector({0, 1});
  const bool enlarged = std::hypot(across.x, across.y) > bitmap.Width() && std::hypot(down.x, down.y) > bitmap.Height();
  FGraphics.DrawImage(bitmap, gfx::RectF{0, 1, 1, -1}, std::clamp(AState.FillOpacity, 0.0, 1.0),
                      enlarged ? gfx::Interpolation::Nearest : gfx::Interpolation::Smooth);
}

// ---- Text ----------------------------------------------------------------------------------------

void TvnPDImageDevice::UpdateFont(TvnPDState& AState) {
  FFontProcessor = nullptr;
  FInstalledFont = nullptr;
  FEmbeddedFont = false;
  TvnPDFont* font = AState.Font;
  if (!font) return;
  // A font program is opened once per page: fonts that share it (by its
  // object number) reuse the open face.
  const int64_t program = font->EmbeddedFontObjNumber();
  if (program > 0) {
    if (auto kept = FEmbeddedFonts.find(program); kept != FEmbeddedFonts.end()) {
      FEmbeddedFont = kept->second != nullptr;
      FFontProcessor = FEmbeddedFont ? kept->second.get() : nullptr;
      if (FEmbeddedFont) return;
    }
  }
  if (vn::TStream* stream = program > 0 && FEmbeddedFonts.count(program) ? nullptr : font->GetEmbeddedFontStream()) {
    std::vector<uint8_t> bytes;
    try {
      stream->SetPosition(0);
      bytes.resize(static_cast<size_t>(std::max<int64_t>(stream->Size(), 0)));
      if (!bytes.empty()) stream->ReadBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
    } catch (const vn::Exception&) {
      bytes.clear();
    }
    uint8_t error = 0;
    auto processor = std::make_unique<TvnFontProcessor>(std::span<const uint8_t>(bytes), error);
    // A program that cannot be opened is drawn with an installed font
    // instead.
    const bool usable = error == kFontProcessorOk && processor->OpenFace() == kFontProcessorOk;
    if (!usable) processor.reset();
    TvnFontProcessor* opened = processor.get();
    if (program > 0)
      FEmbeddedFonts[program] = std::move(processor);
    else
      FOwnFont = std::move(processor);
    if (usable) {
      FFontProcessor = opened;
      FEmbeddedFont = true;
      return;
    }
  }
  bool bold = font->IsBold(), italic = font->IsItalic();
  const std::string& name = !font->BaseFont().empty() ? font->BaseFont() : font->EmbeddedFontName();
  std::string cleaned = CleanFontName(name, bold, italic);
  // A subset tag "ABCDEF+" leaves six capitals before the name.
  if (name.size() > 7 && name[6] == '+') cleaned = CleanFontName(name.substr(7), bold, italic);
  const std::string family = InstalledFamilyFor(cleaned, *font);
  const std::string key = family + (bold ? "|b" : "|") + (italic ? "i" : "");
  auto found = FInstalledFonts.find(key);
  if (found == FInstalledFonts.end()) {
    uint8_t error = 0;
    auto processor = std::make_unique<TvnFontProcessor>(vn::FromUtf8(family), bold, italic, 12, error);
    if (error != kFontProcessorOk) processor.reset();
    found = FInstalledFonts.emplace(key, std::move(processor)).first;
  }
  FInstalledFont = found->second.get();
}

bool TvnPDImageDevice::GlyphOutline(TvnPDState& AState, uint16_t ACode, const std::string& ACharName,
                                    TvnGlyphOutline& AGlyph) {
  TvnPDFont& font = *AState.Font;
  auto by = [&](TvnFontProcessor& fp, TvnGlyphLookup kind, uint32_t code, const std::string& name) {
    return fp.DecomposeOutlineGlyph(code, code, kind, 1.0, name, AGlyph) == kFontProcessorOk;
  };
  if (FEmbeddedFont && FFontProcessor) {
    TvnFontProcessor& fp = *FFontProcessor;
    const TvnPDFontType type = font.FontType();
    if (font.IsCIDFont()) return by(fp, TvnGlyphLookup::glGlyphIndex, ACode, std::string());
    if (type == TvnPDFontType::Type1 || type == TvnPDFontType::Type1C || type == TvnPDFontType::Type1COT) {
      if (!ACharName.empty() && by(fp, TvnGlyphLookup::glGlyphName, 0, ACharName)) return true;
      fp.SetEncodingType(kEncodingAny);
      return by(fp, TvnGlyphLookup::glCharCode, ACode, std::string());
    }
    // TrueType: the code is Unicode for fonts with an encoding, else the
    // byte itself, which symbolic fonts map at 0xF000 + byte.
    fp.SetEncodingType(kEncodingUnicode);
    if (by(fp, TvnGlyphLookup::glCharCode, ACode, std::string())) return true;
    if (!ACharName.empty() && by(fp, TvnGlyphLookup::glGlyphName, 0, ACharName)) return true;
    fp.SetEncodingType(kEncodingAny);
    if (by(fp, TvnGlyphLookup::glCharCode, ACode, std::string())) return true;
    return ACode < 0x100 && by(fp, TvnGlyphLookup::glCharCode, 0xF000u + ACode, std::string());
  }
  // An installed font draws the character's Unicode value: the glyph
  // name's when there is one, else the code the font gave.
  TvnFontProcessor* fp = FInstalledFont;
  if (!fp) return false;
  uint32_t unicode = ACode;
  if (!ACharName.empty())
    if (const uint32_t u = GlyphNameToUnicode(ACharName, font.name().find("ZapfDingbats") != std::string::npos); u != 0) unicode = u;
  if (!ACharName.empty() && by(*fp, TvnGlyphLookup::glGlyphName, 0, ACharName)) return true;
  fp->SetEncodingType(kEncodingUnicode);
  if (by(*fp, TvnGlyphLookup::glCharCode, unicode, std::string())) return true;
  // A character the installed font lacks comes from an installed face that
  // has it, as the window system's font linking would give it.
  // The face found for a character is kept, so that the search runs once
  // per character and font.
  auto known = FFallbacks.find({fp, unicode});
  if (known == FFallbacks.end()) {
    vn::platform::FontFaceRef requested;
    requested.File = fp->FontFileName();
    requested.Index = fp->FaceIndex();
    const std::optional<vn::platform::FontFaceRef> fallback = vn::platform::FindFallbackFace(requested, unicode);
    TvnFontProcessor* chosen = nullptr;
    if (fallback) {
      const std::string key = fallback->File.string() + "#" + std::to_string(fallback->Index);
      auto found = FInstalledFonts.find(key);
      if (found == FInstalledFonts.end()) {
        uint8_t error = 0;
        auto processor = std::make_unique<TvnFontProcessor>(fallback->File, error, 96, 96, 12, fallback->Index);
        if (error != kFontProcessorOk) processor.reset();
        found = FInstalledFonts.emplace(key, std::move(processor)).first;
      }
      chosen = found->second.get();
    }
    known = FFallbacks.emplace(std::make_pair(fp, unicode), chosen).first;
  }
  if (!known->second) return false;
  known->second->SetEncodingType(kEncodingUnicode);
  return by(*known->second, TvnGlyphLookup::glCharCode, unicode, std::string());
}

void TvnPDImageDevice::DrawChar(TvnPDState& AState, double AX, double AY, double, double, uint16_t ACode,
                                const std::string& ACharName) {
  if (!AState.Font) return;
  const int mode = static_cast<int>(AState.Render);
  if (mode == 3) return;
  TvnGlyphOutline glyph;
  if (!GlyphOutline(AState, ACode, ACharName, glyph)) return;
  // Glyph space (one unit per em, y down) to user space: the font size and
  // horizontal scaling, the text position and rise, the text matrix.
  const double fs = AState.FontSize;
  const TvnPDMatrix& tm = AState.TextMatrix();
  gfx::Matrix to_user(tm.M11(), tm.M12(), tm.M21(), tm.M22(), tm.Dx(), tm.Dy());
  to_user.Multiply(gfx::Matrix(fs * AState.HorizScaling, 0, 0, -fs, AX, AY + AState.Rise));
  gfx::Path path(gfx::FillMode::Winding);
  AppendOutline(glyph.Records, to_user, path);
  if (path.Empty()) return;
  ApplyCTM(AState);
  const bool fill = mode == 0 || mode == 2 || mode == 4 || mode == 6;
  const bool stroke = mode == 1 || mode == 2 || mode == 5 || mode == 6;
  if (fill) FGraphics.FillPath(gfx::SolidBrush{FillArgb(AState)}, path);
  if (stroke) FGraphics.DrawPath(MakePen(AState), path);
  if (mode >= 4 && mode <= 7) {
    gfx::Path device = path;
    device.Transform(FGraphics.GetTransform());
    FTextClip.Append(device);
    FHasTextClip = true;
  }
}

void TvnPDImageDevice::EndTextObject(TvnPDState&) {
  if (!FHasTextClip) return;
  FGraphics.SetTransform(gfx::Matrix());
  FGraphics.SetClip(FTextClip, gfx::CombineMode::Intersect);
  FTextClip.Clear();
  FHasTextClip = false;
}

}  // namespace vn::pdfdoc
