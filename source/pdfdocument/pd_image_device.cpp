// The rendering device: paths, text, images, forms and tiling patterns of
// an interpreted page drawn through a fractional Graphics.
#include "pdfdocument/pd_image_device.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "pdfdocument/glyph_names.h"
#include "pdfdocument/pd_content_stream.h"
#include "pdfdocument/pd_font.h"
#include "pdfdocument/pd_form.h"
#include "pdfdocument/pd_image.h"
#include "pdfdocument/pd_pattern.h"
#include "pdfdocument/pd_render_impl.h"
#include "pdfdocument/pdf_functions.h"
#include "pdfdocument/pdf_numbers_impl.h"
#include "platform/fonts/font_catalog.h"
#include "platform/graphics/cairo_graphics.h"
#include "platform/images/enlarged_bitmap.h"
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

// The name a font without a usable program asks for: a simple font's own
// /BaseFont, so that Helvetica, which the font model names after its
// Windows stand-in Arial, is drawn with its own metric twin and other
// names keep theirs; else the font model's name.
std::string RequestedFontName(const TvnPDFont& AFont) {
  if (!AFont.IsCIDFont() && !AFont.OrginalName().empty()) return AFont.OrginalName();
  return !AFont.BaseFont().empty() ? AFont.BaseFont() : AFont.EmbeddedFontName();
}

}  // namespace

TvnPDImageDevice::TvnPDImageDevice(gfx::Graphics& AGraphics, bool AAllowAntiAlias)
    : FGraphics(AGraphics), FTarget(&AGraphics), FAllowAntiAlias(AAllowAntiAlias) {
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
  FTarget = &FGraphics;
  FOrigin = {0, 0};
  FTargetWidth = FWidth;
  FTargetHeight = FHeight;
  FLayerDepth = 0;
  FMaskKey.reset();
  FMaskValues.clear();
  FPatternBase.Assign(AState.CTM());
  FTarget->Save();
  FPageOpen = true;
  FSaveDepth = 0;
  FTarget->SetTransform(gfx::Matrix());
  FTarget->SetSmoothing(FAllowAntiAlias);
  // The page covers the whole pixels it reaches: a page of 42.7 pixels is
  // drawn on 43, its content reaching into the last one, not cut by a
  // smoothed edge there.
  const gfx::RectF page{0, 0, std::ceil(FWidth - 1e-6), std::ceil(FHeight - 1e-6)};
  if (!FTransparantBackground) FTarget->FillRect(gfx::SolidBrush{0xFFFFFFFF}, page);
  FTarget->SetClip(page, gfx::CombineMode::Intersect);
}

void TvnPDImageDevice::EndPage() {
  if (!FPageOpen) return;
  while (FSaveDepth > 0) {
    FTarget->Restore();
    --FSaveDepth;
  }
  FTarget->Restore();
  FPageOpen = false;
  FFontProcessor = nullptr;
  FInstalledFont = nullptr;
  FOwnFont.reset();
  FEmbeddedFonts.clear();
  FFallbacks.clear();
  FInstalledFonts.clear();
}

void TvnPDImageDevice::SaveState(TvnPDState&) {
  FTarget->Save();
  ++FSaveDepth;
}

void TvnPDImageDevice::RestoreState(TvnPDState&) {
  if (FSaveDepth <= 0) return;
  FTarget->Restore();
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
  if (FGlyphShift.x != 0 || FGlyphShift.y != 0) m.Translate(FGlyphShift.x, FGlyphShift.y, gfx::MatrixOrder::Append);
  if (FOrigin.x != 0 || FOrigin.y != 0) m.Translate(-FOrigin.x, -FOrigin.y, gfx::MatrixOrder::Append);
  return m;
}

gfx::PointF TvnPDImageDevice::SnappedGlyphOrigin(gfx::PointF AOrigin, double ABoxHeight) {
  const double step = ABoxHeight <= kFineGlyphHeight ? 4 : 1;
  const gfx::PointF snapped{std::floor(AOrigin.x * step) / step, std::floor(AOrigin.y)};
  return std::isfinite(snapped.x) && std::isfinite(snapped.y) ? snapped : AOrigin;
}

gfx::Matrix TvnPDImageDevice::TargetMatrix() const { return gfx::Matrix(1, 0, 0, 1, -FOrigin.x, -FOrigin.y); }

void TvnPDImageDevice::ApplyCTM(const TvnPDState& AState) { FTarget->SetTransform(DeviceMatrix(AState.CTM())); }

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

namespace {

// The inverse of a transform that maps user space onto device pixels
// alike in every direction (turns and mirrors allowed), with its scale;
// nothing for other transforms.
std::optional<std::pair<gfx::Matrix, double>> ConformalInverse(const gfx::Matrix& ADevice) {
  const double sx = std::hypot(ADevice.m11, ADevice.m12), sy = std::hypot(ADevice.m21, ADevice.m22);
  const double dot = ADevice.m11 * ADevice.m21 + ADevice.m12 * ADevice.m22;
  gfx::Matrix back = ADevice;
  if (!(sx > 0) || !std::isfinite(sx) || std::fabs(sx - sy) > 1e-9 * sx || std::fabs(dot) > 1e-9 * sx * sy ||
      !back.Invert())
    return std::nullopt;
  return std::make_pair(back, sx);
}

// A stroke along the device axes is set on whole pixels (AdjustStroke).
void StrokeOnPixels(gfx::Path& APath, gfx::Pen& APen, const gfx::Matrix& ADevice) {
  const auto inverse = ConformalInverse(ADevice);
  if (!inverse) return;
  gfx::Path device = APath;
  device.Transform(ADevice);
  std::optional<TvnAdjustedStroke> adjusted =
      AdjustStroke(device, APen.width * inverse->second, APen.cap == gfx::LineCap::Flat);
  if (!adjusted) return;
  adjusted->Path.Transform(inverse->first);
  APath = std::move(adjusted->Path);
  APen.width = adjusted->Width / inverse->second;
}

}  // namespace

void TvnPDImageDevice::Stroke(TvnPDState& AState) {
  gfx::Path path = MakePath(AState, gfx::FillMode::Winding);
  gfx::Pen pen = MakePen(AState);
  const gfx::Matrix device = DeviceMatrix(AState.CTM());
  if (!FInType3Glyph) StrokeOnPixels(path, pen, device);
  std::optional<gfx::RectF> area = path.Bounds(&device);
  if (area) {
    // The pen's reach beyond the path, miters included.
    const double reach = pen.width / 2 * std::max(pen.miterLimit, 1.5) *
                             std::max(std::hypot(device.m11, device.m12), std::hypot(device.m21, device.m22)) + 2;
    if (std::isfinite(reach)) *area = {area->x - reach, area->y - reach, area->width + 2 * reach, area->height + 2 * reach};
    else area.reset();
  }
  Composited(AState, area, [&] {
    ApplyCTM(AState);
    FTarget->DrawPath(pen, path);
  });
}

void TvnPDImageDevice::Fill(TvnPDState& AState) { FillPath(AState, gfx::FillMode::Winding); }
void TvnPDImageDevice::EvenOddFill(TvnPDState& AState) { FillPath(AState, gfx::FillMode::Alternate); }

void TvnPDImageDevice::RectanglesOnPixels(gfx::Path& APath, const gfx::Matrix& ADevice) const {
  // Rectangles along the device axes are filled and clip on whole pixels;
  // the shapes of Type 3 glyphs keep their exact edges, as other glyphs do.
  if (gfx::Matrix back = ADevice; !FInType3Glyph && back.Invert()) {
    gfx::Path on_device = APath;
    on_device.Transform(ADevice);
    bool changed = false;
    gfx::Path adjusted = AdjustRectangles(on_device, changed);
    if (changed) {
      adjusted.Transform(back);
      APath = std::move(adjusted);
    }
  }
}

void TvnPDImageDevice::FillPath(TvnPDState& AState, gfx::FillMode AMode) {
  gfx::Path path = MakePath(AState, AMode);
  if (TvnPDPattern* pattern = AState.FillPattern) {
    PatternFill(AState, *pattern, path);
    return;
  }
  const gfx::Matrix device = DeviceMatrix(AState.CTM());
  RectanglesOnPixels(path, device);
  Composited(AState, path.Bounds(&device), [&] {
    ApplyCTM(AState);
    FTarget->FillPath(gfx::SolidBrush{FillArgb(AState)}, path);
  });
}

void TvnPDImageDevice::PatternFill(TvnPDState& AState, TvnPDPattern& APattern, const gfx::Path& APath) {
  if (APattern.GetPatternType() == TvnPatternType::ptTiling)
    TilingFill(AState, static_cast<TvnPDTilingPattern&>(APattern), APath);
  else
    ShadingFill(AState, static_cast<TvnPDShaddingPattern&>(APattern), APath);
}

void TvnPDImageDevice::Clip(TvnPDState& AState) {
  gfx::Path path = MakePath(AState, gfx::FillMode::Winding);
  RectanglesOnPixels(path, DeviceMatrix(AState.CTM()));
  ApplyCTM(AState);
  FTarget->SetClip(path, gfx::CombineMode::Intersect);
}

void TvnPDImageDevice::EvenOddClip(TvnPDState& AState) {
  TvnPDExportDevice::EvenOddClip(AState);
  gfx::Path path = MakePath(AState, gfx::FillMode::Alternate);
  RectanglesOnPixels(path, DeviceMatrix(AState.CTM()));
  ApplyCTM(AState);
  FTarget->SetClip(path, gfx::CombineMode::Intersect);
}

void TvnPDImageDevice::ClipToStrokePath(TvnPDState& AState) {
  // The stroke's outline cannot be taken as a path here; the path's own
  // area is the closest clip.
  Clip(AState);
}

// ---- Forms -----------------------------------------------------------------------------------

void TvnPDImageDevice::RunForm(TvnPDState& ACopy, TvnPDForm& AForm, TvnPDResource* AResources) {
  if (TvnPDMatrix* matrix = AForm.Matrix()) ACopy.ConcatCTM(*matrix);
  FTarget->Save();
  // A form always draws inside its box, wherever the box lies.
  if (TvnPDRect* box = AForm.BBox()) {
    FTarget->SetTransform(DeviceMatrix(ACopy.CTM()));
    const double x0 = std::min(box->Left(), box->Right()), x1 = std::max(box->Left(), box->Right());
    const double y0 = std::min(box->Top(), box->Bottom()), y1 = std::max(box->Top(), box->Bottom());
    gfx::Path clip(gfx::FillMode::Winding);
    clip.AddRect(gfx::RectF{x0, y0, x1 - x0, y1 - y0});
    FTarget->SetClip(clip, gfx::CombineMode::Intersect);
  }
  {
    // Patterns the form uses map from its own space.
    TvnPDMatrix outer_base;
    outer_base.Assign(FPatternBase);
    FPatternBase.Assign(ACopy.CTM());
    TvnPDContentStream content(AForm.ParentDoc(), &AForm, AForm.XObjectStream());
    content.SetIsNestedCall(true);
    TvnPDResource* resources = AForm.Resources();
    content.DispalyObject(this, &ACopy, resources ? resources : AResources);
    FPatternBase.Assign(outer_base);
  }
  FTarget->Restore();
}

namespace {

// The form's transparency group dictionary (/Group << /S /Transparency >>);
// null when the form is no such group.
vn::pdf::TvnPDDictionary* TransparencyGroup(TvnPDForm& AForm) {
  vn::pdf::TvnPDStream* stream = AForm.XObjectStream();
  vn::pdf::TvnPDDictionary* dict = stream ? stream->GetDict() : nullptr;
  vn::pdf::TvnPDBaseObject* group = dict ? dict->LookUp("Group") : nullptr;
  vn::pdf::TvnPDDictionary* group_dict = group ? group->AsDict() : nullptr;
  vn::pdf::TvnPDBaseObject* kind = group_dict ? group_dict->LookUp("S") : nullptr;
  return kind && kind->IsName() && kind->AsName()->GetValue() == "Transparency" ? group_dict : nullptr;
}

// Whether the group knocks out: each of its objects is laid on what lay
// under the group, not on the group's objects before it (/K true).
bool IsKnockoutGroup(const vn::pdf::TvnPDDictionary& AGroup) {
  vn::pdf::TvnPDBaseObject* knockout = AGroup.LookUp("K");
  return knockout && knockout->IsBoolean() && knockout->AsBoolean()->GetValue();
}

}  // namespace

void TvnPDImageDevice::DrawFormXObject(TvnPDState& AState, TvnPDForm* AForm) {
  if (!AForm || !AForm->XObjectStream()) return;
  vn::pdf::TvnPDDictionary* group_dict = TransparencyGroup(*AForm);
  const bool group = group_dict != nullptr;
  const bool knockout = group && IsKnockoutGroup(*group_dict);
  const double opacity = std::isfinite(AState.FillOpacity) ? std::clamp(AState.FillOpacity, 0.0, 1.0) : 1.0;
  // A knockout group is drawn on a layer of its own, and so is a group
  // inside one: it is one object of the outer group.
  const bool effects = AState.SoftMask || (group && (opacity < 1 || AState.BlendMode != TvnBlendMode::Normal ||
                                                     knockout || InKnockoutLayer()));
  if (!effects || FLayerDepth >= kMaxLayerDepth) {
    std::unique_ptr<TvnPDState> copy = AState.Copy();
    RunForm(*copy, *AForm, nullptr);
    return;
  }
  // A group is drawn whole on a layer and laid down with the state's
  // opacity, blend mode and soft mask; a form that is no group, only
  // through the soft mask.
  std::optional<gfx::RectF> area;
  if (TvnPDRect* box = AForm->BBox()) {
    std::unique_ptr<TvnPDState> placed = AState.Copy();
    if (TvnPDMatrix* matrix = AForm->Matrix()) placed->ConcatCTM(*matrix);
    const gfx::Matrix device = DeviceMatrix(placed->CTM());
    gfx::Path outline;
    outline.AddRect(gfx::RectF{box->Left(), box->Top(), box->Right() - box->Left(), box->Bottom() - box->Top()});
    area = outline.Bounds(&device);
  }
  if (!area) area = gfx::RectF{0, 0, FTargetWidth, FTargetHeight};
  const gfx::BlendMode blend = group ? static_cast<gfx::BlendMode>(AState.BlendMode) : gfx::BlendMode::Normal;
  DrawLayer(*area, group ? opacity : 1.0, blend, AState.SoftMask.get(), AState, knockout, [&] {
    std::unique_ptr<TvnPDState> copy = AState.Copy();
    copy->SoftMask.reset();
    if (group) {
      copy->FillOpacity = copy->StrokeOpacity = 1;
      copy->BlendMode = TvnBlendMode::Normal;
    }
    RunForm(*copy, *AForm, nullptr);
  });
}

// ---- Compositing -------------------------------------------------------------------------------

void TvnPDImageDevice::WithTarget(gfx::Graphics& ATarget, gfx::PointF AOrigin, double AWidth, double AHeight,
                                  const std::function<void()>& ADraw) {
  struct Back {
    TvnPDImageDevice& D;
    gfx::Graphics* Target;
    gfx::PointF Origin;
    double Width, Height;
    int SaveDepth;
    ~Back() {
      D.FTarget = Target;
      D.FOrigin = Origin;
      D.FTargetWidth = Width;
      D.FTargetHeight = Height;
      D.FSaveDepth = SaveDepth;
      --D.FLayerDepth;
    }
  } back{*this, FTarget, FOrigin, FTargetWidth, FTargetHeight, FSaveDepth};
  FTarget = &ATarget;
  FOrigin = AOrigin;
  FTargetWidth = AWidth;
  FTargetHeight = AHeight;
  FSaveDepth = 0;
  ++FLayerDepth;
  ADraw();
}

void TvnPDImageDevice::Composited(const TvnPDState& AState, std::optional<gfx::RectF> AArea,
                                  const std::function<void()>& ADraw) {
  const auto blend = static_cast<gfx::BlendMode>(AState.BlendMode);
  if (AState.SoftMask && FLayerDepth < kMaxLayerDepth) {
    DrawLayer(AArea.value_or(gfx::RectF{0, 0, FTargetWidth, FTargetHeight}), 1.0, blend, AState.SoftMask.get(),
              AState, false, ADraw);
    return;
  }
  if (blend == gfx::BlendMode::Normal) {
    ADraw();
    return;
  }
  FTarget->SetBlendMode(blend);
  ADraw();
  FTarget->SetBlendMode(gfx::BlendMode::Normal);
}

bool TvnPDImageDevice::InKnockoutLayer() const {
  const auto* layer = dynamic_cast<const gfx::CairoGraphics*>(FTarget);
  return layer && layer->Replacing();
}

void TvnPDImageDevice::DrawLayer(gfx::RectF AArea, double AOpacity, gfx::BlendMode ABlend, const TvnSoftMask* AMask,
                                 const TvnPDState& AState, bool AKnockout, const std::function<void()>& ADraw) {
  // The layer covers the area's whole pixels on the target.
  const double x0 = std::max(0.0, std::floor(std::min(AArea.x, AArea.x + AArea.width)));
  const double y0 = std::max(0.0, std::floor(std::min(AArea.y, AArea.y + AArea.height)));
  const double x1 = std::min(std::ceil(FTargetWidth), std::ceil(std::max(AArea.x, AArea.x + AArea.width)));
  const double y1 = std::min(std::ceil(FTargetHeight), std::ceil(std::max(AArea.y, AArea.y + AArea.height)));
  if (!(x1 > x0) || !(y1 > y0) || !(AOpacity > 0)) return;
  if ((x1 - x0) * (y1 - y0) > static_cast<double>(kMaxImagePixels)) {
    ADraw();
    return;
  }
  const int w = static_cast<int>(x1 - x0), h = static_cast<int>(y1 - y0);
  gfx::CairoGraphics layer(w, h, 0x00000000);
  layer.SetSmoothing(FAllowAntiAlias);
  // The objects of a knockout group each replace what the group drew
  // before under them; on the transparent layer that lays each one on what
  // lay under the group.
  layer.SetReplacing(AKnockout);
  {
    WithTarget(layer, {FOrigin.x + x0, FOrigin.y + y0}, w, h, ADraw);
  }
  vn::platform::Bitmap pixels = layer.Pixels();
  if (AMask) {
    const std::vector<uint8_t> mask = SoftMaskValues(*AMask, AState, static_cast<int>(FOrigin.x + x0),
                                                     static_cast<int>(FOrigin.y + y0), w, h);
    if (!mask.empty()) {
      for (int y = 0; y < h; ++y) {
        uint8_t* row = pixels.MutableRow(y).data();
        const uint8_t* m = mask.data() + static_cast<size_t>(y) * static_cast<size_t>(w);
        for (int x = 0; x < w; ++x) row[4 * x + 3] = static_cast<uint8_t>((row[4 * x + 3] * m[x] + 127) / 255);
      }
      pixels.SetHasAlpha(true);
    }
  }
  FTarget->Save();
  FTarget->SetTransform(gfx::Matrix());
  FTarget->SetBlendMode(ABlend);
  FTarget->DrawImage(pixels, gfx::RectF{x0, y0, static_cast<double>(w), static_cast<double>(h)}, AOpacity,
                     gfx::Interpolation::Nearest);
  FTarget->SetBlendMode(gfx::BlendMode::Normal);
  FTarget->Restore();
}

namespace {

// A colour of 1, 3 or 4 components (gray, RGB, CMYK) from a number array,
// opaque; black when the array says nothing usable.
gfx::Argb BackdropColor(vn::pdf::TvnPDBaseObject* AArray) {
  auto* array = AArray ? AArray->AsArray() : nullptr;
  std::vector<double> c;
  for (int i = 0; array && i < array->GetLength(); ++i) {
    vn::pdf::TvnPDBaseObject* v = array->Get(i);
    if (!v || !v->IsNumber()) return 0xFF000000;
    c.push_back(std::clamp(v->AsInteger() ? static_cast<double>(v->AsInteger()->GetValue()) : v->AsReal()->GetValue(),
                           0.0, 1.0));
  }
  auto byte = [](double v) { return static_cast<uint8_t>(std::lround(v * 255)); };
  if (c.size() == 1) return gfx::MakeArgb(255, byte(c[0]), byte(c[0]), byte(c[0]));
  if (c.size() == 3) return gfx::MakeArgb(255, byte(c[0]), byte(c[1]), byte(c[2]));
  if (c.size() == 4)
    return gfx::MakeArgb(255, byte((1 - c[0]) * (1 - c[3])), byte((1 - c[1]) * (1 - c[3])), byte((1 - c[2]) * (1 - c[3])));
  return 0xFF000000;
}

// The soft mask's transfer function (/TR) as a table over the mask's
// values: the identity when absent, /Identity or not a usable function of
// one input and one output.
std::array<uint8_t, 256> MaskTransfer(vn::pdf::TvnPDBaseObject* ATransfer) {
  std::array<uint8_t, 256> table{};
  for (size_t i = 0; i < table.size(); ++i) table[i] = static_cast<uint8_t>(i);
  std::unique_ptr<TvnPDFunction> function = ATransfer ? TvnPDFunction::MakeFunction(ATransfer) : nullptr;
  if (!function || !function->IsOk() || function->GetType() == TvnFunctionType::ftIdentity ||
      function->GetInputSize() != 1 || function->GetOutputSize() < 1)
    return table;
  TvnFunctionValues in{}, out{};
  for (size_t i = 0; i < table.size(); ++i) {
    in[0] = static_cast<double>(i) / 255.0;
    function->Transform(in, out);
    const double v = std::isfinite(out[0]) ? std::clamp(out[0], 0.0, 1.0) : 0.0;
    table[i] = static_cast<uint8_t>(std::lround(v * 255.0));
  }
  return table;
}

}  // namespace

std::vector<uint8_t> TvnPDImageDevice::SoftMaskValues(const TvnSoftMask& AMask, const TvnPDState& AState, int AX,
                                                      int AY, int AWidth, int AHeight) {
  // The mask is drawn once over the whole page and cut for each object.
  const int pw = static_cast<int>(std::ceil(FWidth)), ph = static_cast<int>(std::ceil(FHeight));
  if (FMaskKey.get() != &AMask) {
    FMaskKey.reset();
    FMaskValues.clear();
    vn::pdf::TvnPDBaseObject* group = AMask.Dict ? AMask.Dict->LookUp("G") : nullptr;
    vn::pdf::TvnPDBaseObject* kind = AMask.Dict ? AMask.Dict->LookUp("S") : nullptr;
    const bool alpha = kind && kind->IsName() && kind->AsName()->GetValue() == "Alpha";
    if (!group || !group->IsStream() || pw <= 0 || ph <= 0 ||
        static_cast<int64_t>(pw) * ph > kMaxImagePixels || FLayerDepth >= kMaxLayerDepth)
      return {};
    // Luminosity masks start from the backdrop colour, alpha masks from
    // nothing; outside the group the mask keeps that start.
    gfx::CairoGraphics surface(pw, ph, alpha ? 0x00000000 : BackdropColor(AMask.Dict->LookUp("BC")));
    surface.SetSmoothing(FAllowAntiAlias);
    {
      std::unique_ptr<TvnPDState> copy = AState.Copy();
      copy->CTM().SetValues(AMask.CTM[0], AMask.CTM[1], AMask.CTM[2], AMask.CTM[3], AMask.CTM[4], AMask.CTM[5]);
      copy->SoftMask.reset();
      copy->BlendMode = TvnBlendMode::Normal;
      copy->FillOpacity = copy->StrokeOpacity = 1;
      copy->FillPattern = copy->StrokePattern = nullptr;
      copy->ClearPath();
      TvnPDForm form(AMask.Doc, nullptr, group);
      WithTarget(surface, {0, 0}, pw, ph, [&] { RunForm(*copy, form, AMask.Resources); });
    }
    const vn::platform::Bitmap pixels = surface.Pixels();
    const std::array<uint8_t, 256> transfer = MaskTransfer(AMask.Dict->LookUp("TR"));
    FMaskValues.resize(static_cast<size_t>(pw) * static_cast<size_t>(ph));
    for (int y = 0; y < ph; ++y) {
      const uint8_t* row = pixels.Row(y).data();
      uint8_t* out = FMaskValues.data() + static_cast<size_t>(y) * static_cast<size_t>(pw);
      for (int x = 0; x < pw; ++x) {
        const uint8_t* p = row + 4 * static_cast<size_t>(x);
        out[x] = transfer[alpha ? p[3] : static_cast<uint8_t>((p[2] * 77 + p[1] * 151 + p[0] * 28 + 128) >> 8)];
      }
    }
    FMaskKey = AState.SoftMask;
  }
  std::vector<uint8_t> values(static_cast<size_t>(AWidth) * static_cast<size_t>(AHeight), 0);
  for (int y = 0; y < AHeight; ++y) {
    const int py = AY + y;
    if (py < 0 || py >= ph) continue;
    for (int x = 0; x < AWidth; ++x) {
      const int px = AX + x;
      if (px >= 0 && px < pw)
        values[static_cast<size_t>(y) * static_cast<size_t>(AWidth) + static_cast<size_t>(x)] =
            FMaskValues[static_cast<size_t>(py) * static_cast<size_t>(pw) + static_cast<size_t>(px)];
    }
  }
  return values;
}

// ---- Tiling patterns ---------------------------------------------------------------------------

void TvnPDImageDevice::TilingFill(TvnPDState& AState, TvnPDTilingPattern& APattern, const gfx::Path& APath) {
  const double xstep = std::fabs(APattern.GetCellXSpacing());
  const double ystep = std::fabs(APattern.GetCellYSpacing());
  TvnPDRect* box = APattern.GetBBox();
  TvnPDContentStream* content = APattern.GetContent();
  if (!content || !box || !(xstep > 0) || !(ystep > 0) || !std::isfinite(xstep) || !std::isfinite(ystep)) return;
  // Pattern space: the pattern matrix on the page's base space.
  auto base = FPatternBase.PreMultiply(APattern.GetMatrix());
  const gfx::Matrix to_device = DeviceMatrix(*base);
  gfx::Matrix from_device = to_device;
  if (!from_device.Invert()) return;
  ApplyCTM(AState);
  const gfx::Matrix device = FTarget->GetTransform();
  const std::optional<gfx::RectF> bounds = APath.Bounds(&device);
  if (!bounds) return;
  FTarget->Save();
  FTarget->SetClip(APath, gfx::CombineMode::Intersect);
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
    FTarget->Restore();
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
      FTarget->Save();
      FTarget->SetTransform(DeviceMatrix(state->CTM()));
      gfx::Path cell(gfx::FillMode::Winding);
      cell.AddRect(gfx::RectF{bx0, by0, bx1 - bx0, by1 - by0});
      FTarget->SetClip(cell, gfx::CombineMode::Intersect);
      // Patterns the cell uses map from the cell's space.
      TvnPDMatrix outer_base;
      outer_base.Assign(FPatternBase);
      FPatternBase.Assign(state->CTM());
      content->SetIsNestedCall(true);
      content->DispalyObject(this, state.get(), APattern.Resources());
      FPatternBase.Assign(outer_base);
      FTarget->Restore();
    }
  }
  FTarget->Restore();
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
  auto base = FPatternBase.PreMultiply(pattern_matrix);
  ApplyCTM(AState);
  const gfx::Matrix device = FTarget->GetTransform();
  const std::optional<gfx::RectF> bounds = APath.Bounds(&device);
  if (!bounds) return;
  Composited(AState, bounds, [&] {
    ApplyCTM(AState);
    FTarget->Save();
    FTarget->SetClip(APath, gfx::CombineMode::Intersect);
    const gfx::Matrix here = FTarget->GetTransform();
    PaintShading(shading, DeviceMatrix(*base), *APath.Bounds(&here), AState.FillOpacity, true);
    FTarget->Restore();
  });
}

void TvnPDImageDevice::DrawShading(TvnPDState& AState, vn::pdf::TvnPDBaseObject* AShading) {
  // sh paints the clip in force; the page is its largest extent.
  Composited(AState, std::nullopt, [&] {
    PaintShading(AShading, DeviceMatrix(AState.CTM()), gfx::RectF{0, 0, FTargetWidth, FTargetHeight},
                 AState.FillOpacity, false);
  });
}

void TvnPDImageDevice::PaintShading(vn::pdf::TvnPDBaseObject* AShading, const gfx::Matrix& AToDevice,
                                    const gfx::RectF& ADeviceArea, double AOpacity, bool AUseBackground) {
  const double x0 = std::max(0.0, std::floor(ADeviceArea.x));
  const double y0 = std::max(0.0, std::floor(ADeviceArea.y));
  const double x1 = std::min(FTargetWidth, std::ceil(ADeviceArea.x + ADeviceArea.width));
  const double y1 = std::min(FTargetHeight, std::ceil(ADeviceArea.y + ADeviceArea.height));
  if (!(x1 > x0) || !(y1 > y0)) return;
  gfx::Matrix from_device = AToDevice;
  if (!from_device.Invert()) return;
  vn::platform::Bitmap bitmap = RenderShading(AShading, from_device, static_cast<int>(x0), static_cast<int>(y0),
                                              static_cast<int>(x1 - x0), static_cast<int>(y1 - y0), AUseBackground);
  if (bitmap.Empty()) return;
  FTarget->Save();
  FTarget->SetTransform(gfx::Matrix());
  FTarget->DrawImage(bitmap, gfx::RectF{x0, y0, x1 - x0, y1 - y0}, std::clamp(AOpacity, 0.0, 1.0));
  FTarget->Restore();
}

// ---- Images ---------------------------------------------------------------------------------

namespace {

// Whether the image's dictionary asks for smoothing (/Interpolate true,
// /I in an inline image).
bool AsksForInterpolation(TvnPDImage& AImage) {
  vn::pdf::TvnPDStream* stream = AImage.XObjectStream();
  vn::pdf::TvnPDDictionary* dict = stream ? stream->GetDict() : nullptr;
  vn::pdf::TvnPDBaseObject* value = dict ? dict->LookUp("Interpolate") : nullptr;
  if (!value && dict) value = dict->LookUp("I");
  return value && value->IsBoolean() && value->AsBoolean()->GetValue();
}

}  // namespace

void TvnPDImageDevice::DrawImage(TvnPDState& AState, TvnPDImage* AImage) {
  if (!AImage) return;
  AImage->SetState(&AState);
  vn::platform::Bitmap bitmap = DecodeImageBitmap(*AImage, AState.GetFillRGB(), kMaxImagePixels);
  if (bitmap.Empty()) return;
  // The image fills the unit square; its first row is the square's top.
  // Images are smoothed, as PDF readers draw them, unless enlarged four
  // times or more along a side: such pixels stay sharp squares.
  const gfx::Matrix device = DeviceMatrix(AState.CTM());
  const gfx::PointF across = device.ApplyVector({1, 0}), down = device.ApplyVector({0, 1});
  const bool enlarged = (std::floor(std::hypot(across.x, across.y)) >= 4.0 * bitmap.Width() ||
                         std::floor(std::hypot(down.x, down.y)) >= 4.0 * bitmap.Height()) &&
                        !AsksForInterpolation(*AImage);
  // An upright image shown at half its samples or less is reduced first to
  // the pixels it covers (a stencil, which is not moved onto whole pixels,
  // to about as many), each the average of its samples, as a scan printed
  // small looks: the smoothing of the drawing alone takes a few samples per
  // pixel and leaves fine strokes sharper and darker than they show.
  const double shown_w = std::hypot(across.x, across.y), shown_h = std::hypot(down.x, down.y);
  if (const std::optional<gfx::RectF> upright = PixelRect(device)) {
    const bool narrower = shown_w * 2 <= bitmap.Width() && shown_w >= 1;
    const bool lower = shown_h * 2 <= bitmap.Height() && shown_h >= 1;
    const bool stencil = AImage->ImageMask();
    const auto side = [&](double AShown, double ACovered) {
      return static_cast<int64_t>(stencil ? std::ceil(AShown) : std::fabs(ACovered));
    };
    if (narrower || lower) {
      vn::platform::Bitmap reduced = AveragedBitmap(bitmap, narrower ? side(shown_w, upright->width) : bitmap.Width(),
                                                    lower ? side(shown_h, upright->height) : bitmap.Height());
      if (!reduced.Empty()) bitmap = std::move(reduced);
    }
  }
  gfx::Path square;
  square.AddRect(gfx::RectF{0, 0, 1, 1});
  const gfx::Interpolation interpolation = enlarged ? gfx::Interpolation::Nearest : gfx::Interpolation::Smooth;
  const double opacity = std::clamp(AState.FillOpacity, 0.0, 1.0);
  Composited(AState, square.Bounds(&device), [&] {
    // An upright image covers whole pixels: every pixel it touches, so that
    // bands of a picture meet without seams and its edges stay sharp. A
    // recording places it on the same pixels, so that its players draw
    // the pixels the page painted directly shows (each sample on the same
    // rows and columns), not samples shifted by a fraction of a pixel.
    // A stencil drawn smaller than its samples stays where it falls: its
    // thin marks move visibly when its edges are moved to pixel edges.
    const bool shrunk = std::hypot(across.x, across.y) < bitmap.Width() || std::hypot(down.x, down.y) < bitmap.Height();
    const std::optional<gfx::RectF> snapped =
        AImage->ImageMask() && shrunk ? std::nullopt : PixelRect(device);
    if (snapped) FTarget->SetTransform(gfx::Matrix());
    // A recording keeps the image's own samples; its players enlarge them.
    if (snapped && !dynamic_cast<gfx::CairoGraphics*>(FTarget)) {
      FTarget->DrawImage(bitmap, *snapped, opacity, interpolation);
      return;
    }
    if (snapped) {
      if (interpolation == gfx::Interpolation::Nearest) {
        const vn::platform::Bitmap scaled =
            vn::platform::ReplicatedBitmap(bitmap, static_cast<int64_t>(std::fabs(snapped->width)),
                                           static_cast<int64_t>(std::fabs(snapped->height)), kMaxImagePixels);
        if (!scaled.Empty()) {
          FTarget->DrawImage(scaled, *snapped, opacity, interpolation);
          return;
        }
      }
      const double w = std::fabs(snapped->width), h = std::fabs(snapped->height);
      if (w >= bitmap.Width() && h >= bitmap.Height() && (w > bitmap.Width() || h > bitmap.Height())) {
        const vn::platform::Bitmap scaled =
            vn::platform::BlendedBitmap(bitmap, static_cast<int64_t>(w), static_cast<int64_t>(h), kMaxImagePixels);
        if (!scaled.Empty()) {
          FTarget->DrawImage(scaled, *snapped, opacity, gfx::Interpolation::Nearest);
          return;
        }
      }
      FTarget->DrawImage(bitmap, *snapped, opacity, interpolation);
      return;
    }
    ApplyCTM(AState);
    FTarget->DrawImage(bitmap, gfx::RectF{0, 1, 1, -1}, opacity, interpolation);
  });
}

vn::platform::Bitmap TvnPDImageDevice::AveragedBitmap(const vn::platform::Bitmap& ABitmap, int64_t AWidth,
                                                     int64_t AHeight) {
  const int64_t sw = ABitmap.Width(), sh = ABitmap.Height();
  if (AWidth < 1 || AHeight < 1 || AWidth > sw || AHeight > sh || (AWidth == sw && AHeight == sh) ||
      ABitmap.Format() != vn::platform::PixelFormat::pf32bit)
    return {};
  // Output column x takes the source columns from x * sw / AWidth up to
  // the next one's start; rows alike.
  std::vector<int64_t> first_column(static_cast<size_t>(AWidth) + 1);
  for (int64_t x = 0; x <= AWidth; ++x) first_column[static_cast<size_t>(x)] = x * sw / AWidth;
  const bool alpha = ABitmap.HasAlpha();
  vn::platform::Bitmap out(static_cast<int>(AWidth), static_cast<int>(AHeight), vn::platform::PixelFormat::pf32bit);
  // Per output column: the colour sums weighted by alpha, the alpha sum.
  std::vector<uint64_t> sums(static_cast<size_t>(AWidth) * 4);
  for (int64_t y = 0; y < AHeight; ++y) {
    const int64_t r0 = y * sh / AHeight, r1 = (y + 1) * sh / AHeight;
    std::fill(sums.begin(), sums.end(), 0);
    for (int64_t r = r0; r < r1; ++r) {
      const uint8_t* row = ABitmap.Row(static_cast<int>(r)).data();
      for (int64_t x = 0; x < AWidth; ++x) {
        uint64_t* sum = sums.data() + 4 * x;
        for (int64_t c = first_column[static_cast<size_t>(x)]; c < first_column[static_cast<size_t>(x) + 1]; ++c) {
          const uint8_t* px = row + 4 * c;
          const uint64_t a = alpha ? px[3] : 255;
          sum[0] += px[0] * a;
          sum[1] += px[1] * a;
          sum[2] += px[2] * a;
          sum[3] += a;
        }
      }
    }
    uint8_t* row = out.MutableRow(static_cast<int>(y)).data();
    for (int64_t x = 0; x < AWidth; ++x) {
      const uint64_t* sum = sums.data() + 4 * x;
      const uint64_t count =
          static_cast<uint64_t>((r1 - r0) * (first_column[static_cast<size_t>(x) + 1] - first_column[static_cast<size_t>(x)]));
      for (int c = 0; c < 3; ++c) row[4 * x + c] = static_cast<uint8_t>(sum[3] ? (sum[c] + sum[3] / 2) / sum[3] : 0);
      row[4 * x + 3] = static_cast<uint8_t>(count ? (sum[3] + count / 2) / count : 0);
    }
  }
  out.SetHasAlpha(alpha);
  return out;
}

std::optional<gfx::RectF> TvnPDImageDevice::PixelRect(const gfx::Matrix& ADevice) {
  // The unit square's corners: its top edge (y 1) holds the first row.
  const gfx::PointF top_left = ADevice.Apply({0, 1}), bottom_right = ADevice.Apply({1, 0});
  const double skew = std::fabs(ADevice.m12) + std::fabs(ADevice.m21);
  const double x0 = std::min(top_left.x, bottom_right.x), x1 = std::max(top_left.x, bottom_right.x);
  const double y0 = std::min(top_left.y, bottom_right.y), y1 = std::max(top_left.y, bottom_right.y);
  if (!(skew < 1e-9 * (std::fabs(ADevice.m11) + std::fabs(ADevice.m22))) || !std::isfinite(x0) || !std::isfinite(x1) ||
      !std::isfinite(y0) || !std::isfinite(y1) || x1 - x0 > 1e7 || y1 - y0 > 1e7)
    return std::nullopt;
  // Edges a rounding error past a pixel boundary stay on it.
  const double left = std::floor(x0 + 1e-6), right = std::max(left + 1, std::ceil(x1 - 1e-6));
  const double top = std::floor(y0 + 1e-6), bottom = std::max(top + 1, std::ceil(y1 - 1e-6));
  // A flipped image keeps its flip: the rectangle runs from the first
  // column and row to the last.
  const bool flip_x = top_left.x > bottom_right.x, flip_y = top_left.y > bottom_right.y;
  return gfx::RectF{flip_x ? right : left, flip_y ? bottom : top, flip_x ? left - right : right - left,
                    flip_y ? top - bottom : bottom - top};
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
  const std::string name = RequestedFontName(*font);
  std::string cleaned = CleanFontName(name, bold, italic);
  // A subset tag "ABCDEF+" leaves six capitals before the name.
  if (name.size() > 7 && name[6] == '+') cleaned = CleanFontName(name.substr(7), bold, italic);
  // The standard fonts call their slanted faces Oblique.
  if (name.find("Oblique") != std::string::npos) italic = true;
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
  FGlyphFace = nullptr;
  auto by = [&](TvnFontProcessor& fp, TvnGlyphLookup kind, uint32_t code, const std::string& name) {
    if (fp.DecomposeOutlineGlyph(code, code, kind, 1.0, name, AGlyph) != kFontProcessorOk) return false;
    FGlyphFace = &fp;
    return true;
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

// A font drawn with an installed face in place of its own program keeps the
// place its widths give each character: a glyph of the installed face wider
// than the width is narrowed to it, so that wider (bolder, broader) faces do
// not run their letters into each other. Narrower glyphs keep their shape.
double TvnPDImageDevice::SubstituteSqueeze(const TvnPDState& AState, const TvnGlyphOutline& AGlyph) const {
  if (FEmbeddedFont || !AState.Font || AState.Font->WritingMode() == TvnWritingMode::wmVertical) return 1.0;
  const double fs = AState.FontSize;
  if (fs == 0 || !std::isfinite(fs)) return 1.0;
  const double width = AState.CurCharW / fs;
  if (!(width > 0) || !(AGlyph.AdvanceX > width * 1.01)) return 1.0;
  // A glyph far wider than its width comes from a face unlike the font
  // (a fallback for a missing character): it is narrowed to a third at most.
  return std::max(width / AGlyph.AdvanceX, 1.0 / 3.0);
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
  to_user.Multiply(
      gfx::Matrix(fs * AState.HorizScaling * SubstituteSqueeze(AState, glyph), 0, 0, -fs, AX, AY + AState.Rise));
  gfx::Path exact(gfx::FillMode::Winding);
  AppendOutline(glyph.Records, to_user, exact);
  if (exact.Empty()) return;
  // Glyphs that are only filled are set as a text renderer sets its cached
  // glyph pictures (SnappedGlyphOrigin); the outline keeps its exact shape,
  // and what clipping modes add to the clip keeps its exact place.
  gfx::Path path = exact;
  if ((mode == 0 || mode == 4) && FGlyphFace) {
    const gfx::Matrix device = DeviceMatrix(AState.CTM());
    gfx::Matrix full = to_user;
    full.Multiply(device, gfx::MatrixOrder::Append);
    const gfx::PointF origin = full.Apply({0, 0});
    const TvnFontBBox& box = FGlyphFace->GlobalBBox();
    const gfx::PointF snapped =
        SnappedGlyphOrigin(origin, (box.Top - box.Bottom) / 1000 * std::hypot(full.m21, full.m22));
    gfx::Matrix back = device;
    if (back.Invert()) {
      const gfx::PointF shift = back.ApplyVector({snapped.x - origin.x, snapped.y - origin.y});
      path.Transform(gfx::Matrix(1, 0, 0, 1, shift.x, shift.y));
    }
  }
  bool fill = mode == 0 || mode == 2 || mode == 4 || mode == 6;
  const bool stroke = mode == 1 || mode == 2 || mode == 5 || mode == 6;
  // Glyphs filled with a pattern show the pattern through their shapes.
  if (fill && AState.FillPattern) {
    PatternFill(AState, *AState.FillPattern, path);
    fill = false;
  }
  const gfx::Matrix to_device = DeviceMatrix(AState.CTM());
  if (fill || stroke) {
    std::optional<gfx::RectF> area = path.Bounds(&to_device);
    const gfx::Pen pen = MakePen(AState);
    if (area && stroke) {
      const double reach = pen.width * std::max(pen.miterLimit, 1.5) *
                               std::max(std::hypot(to_device.m11, to_device.m12), std::hypot(to_device.m21, to_device.m22)) + 2;
      if (std::isfinite(reach)) *area = {area->x - reach, area->y - reach, area->width + 2 * reach, area->height + 2 * reach};
      else area.reset();
    }
    if (area) *area = {area->x - 1, area->y - 1, area->width + 2, area->height + 2};
    Composited(AState, area, [&] {
      ApplyCTM(AState);
      if (fill) FTarget->FillPath(gfx::SolidBrush{FillArgb(AState)}, path);
      if (stroke) FTarget->DrawPath(pen, path);
    });
  }
  if (mode >= 4 && mode <= 7) {
    gfx::Path device = exact;
    device.Transform(to_device);
    FTextClip.Append(device);
    FHasTextClip = true;
  }
}

bool TvnPDImageDevice::BeginType3Char(TvnPDState& AState, double, double, double, double, uint16_t,
                                      const TvnUnicodes&, int) {
  FGlyphShift = {0, 0};
  FInType3Glyph = true;
  // The procedure draws in glyph space: the CTM's origin is the glyph's.
  // Filled glyphs with a usable /FontBBox are set like other glyphs.
  if (!AState.Font || AState.Render != 0) return false;
  const vn::pdf::TvnPDDictionary* dict = AState.Font->BaseObject() ? AState.Font->BaseObject()->AsDict() : nullptr;
  const vn::pdf::TvnPDBaseObject* box = dict ? dict->LookUp("FontBBox") : nullptr;
  const vn::pdf::TvnPDArray* sides = box ? box->AsArray() : nullptr;
  double bottom = 0, top = 0;
  if (!sides || sides->GetLength() != 4 || !PdfNumber(sides->Get(1), bottom) || !PdfNumber(sides->Get(3), top) ||
      top == bottom)
    return false;
  const gfx::Matrix device = DeviceMatrix(AState.CTM());
  const gfx::PointF origin = device.Apply({0, 0});
  const gfx::PointF up = device.ApplyVector({0, top - bottom});
  const gfx::PointF snapped = SnappedGlyphOrigin(origin, std::hypot(up.x, up.y));
  FGlyphShift = {snapped.x - origin.x, snapped.y - origin.y};
  return false;
}

void TvnPDImageDevice::EndType3Char(TvnPDState&) {
  FGlyphShift = {0, 0};
  FInType3Glyph = false;
}

void TvnPDImageDevice::EndTextObject(TvnPDState&) {
  if (!FHasTextClip) return;
  FTarget->SetTransform(gfx::Matrix());
  FTarget->SetClip(FTextClip, gfx::CombineMode::Intersect);
  FTextClip.Clear();
  FHasTextClip = false;
}

}  // namespace vn::pdfdoc
