// The metafile player: device-context state, objects and coordinates, the
// records that change them, and the records that become shapes, paths,
// clips and text. The bitmap records are in metafile_bitmaps.cpp.
#include "export/metafile_processor.h"

#include <algorithm>
#include <cmath>

#include "platform/emf/stock_objects.h"
#include "platform/emf/wmf_converter.h"
#include "platform/fonts/font_charsets.h"
#include "platform/fonts/font_faces.h"
#include "platform/fonts/gdi_font.h"
#include "platform/images/image_codecs.h"
#include "runtime/codepages.h"
#include "runtime/numbers.h"

namespace vn::exporter {

using namespace vn::platform::emf;
using A = TvnEMFAlignments;

namespace {

// Round half away from zero of a * b / c, as the window system's MulDiv.
int32_t MulDiv(int64_t a, int64_t b, int64_t c) {
  if (c == 0) return 0;
  return vn::RoundToInt(std::round(static_cast<double>(a) * static_cast<double>(b) / static_cast<double>(c)));
}

// The logical-font height of a point size on the 96-pixel screen and back.
void SetFontHeight(TFont& font, int32_t height) {
  font.Height = height;
  font.Size = -MulDiv(height, 72, ScreenPixelsPerInch);
}
void SetFontSize(TFont& font, int32_t size) {
  font.Size = size;
  font.Height = -MulDiv(size, ScreenPixelsPerInch, 72);
}

XForm Multiply(const XForm& a, const XForm& b) {
  XForm r;
  r.eM11 = a.eM11 * b.eM11 + a.eM12 * b.eM21;
  r.eM12 = a.eM11 * b.eM12 + a.eM12 * b.eM22;
  r.eM21 = a.eM21 * b.eM11 + a.eM22 * b.eM21;
  r.eM22 = a.eM21 * b.eM12 + a.eM22 * b.eM22;
  r.eDx = a.eDx * b.eM11 + a.eDy * b.eM21 + b.eDx;
  r.eDy = a.eDx * b.eM12 + a.eDy * b.eM22 + b.eDy;
  return r;
}

int32_t ClampExtent(int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); }

TPenStyle PenStyleOf(uint32_t style) {
  static const TPenStyle styles[] = {TPenStyle::psSolid,      TPenStyle::psDash,  TPenStyle::psDot,         TPenStyle::psDashDot,
                                     TPenStyle::psDashDotDot, TPenStyle::psClear, TPenStyle::psInsideFrame};
  return style <= 6 ? styles[style] : TPenStyle::psSolid;
}

}  // namespace

// ---- life

TvnMetafileProcessor::TvnMetafileProcessor(TvnCustomDocumentEngine& engine) : FEngine(&engine) {
  using K = TvnCapabilityKind;
  using R = TvnItemsToRenderKind;
  const TvnCapabilities caps = engine.FCapabilities;
  const TvnItemsToRender items = engine.FItemsToRender;
  FProcessText = items.Contains(R::irText) && caps.Contains(K::ckText);
  FProcessImage = items.Contains(R::irImage) && caps.Contains(K::ckImage);
  FProcessShape = items.Contains(R::irShape) && caps.Contains(K::ckShape);
  FPTextList = engine.FSortTextItems ? engine.FCurrentTextItemList : engine.FCurrentDocumentItemList;
  // A resolution of 0 would divide by zero: the screen's is used instead.
  FSx = engine.FInputXRes > 0 ? static_cast<double>(ScreenPixelsPerInch) / engine.FInputXRes : 1.0;
  FSy = engine.FInputYRes > 0 ? static_cast<double>(ScreenPixelsPerInch) / engine.FInputYRes : 1.0;
  UpdateMappingFactors();
}

void TvnMetafileProcessor::Execute(const TMetafile& metafile, double x, double y) {
  FWidth = metafile.Width;
  FHeight = metafile.Height;
  const auto bytes = std::as_bytes(std::span<const char>(metafile.Bytes.data(), metafile.Bytes.size()));
  if (!EmfFile::IsEmf(bytes) && IsWmf(bytes)) {
    // A Windows metafile is first drawn into an enhanced one.
    EmfFile file(ConvertWmfToEmf(bytes, &FDiagnostics), &FDiagnostics);
    Execute(file, x, y);
    return;
  }
  EmfFile file(metafile.Bytes, &FDiagnostics);
  Execute(file, x, y);
}

void TvnMetafileProcessor::Execute(const EmfFile& file, double x, double y) {
  FStartX = x;
  FStartY = y;
  if (file.HasEmfPlus())
    FDiagnostics.Report({.offset = 0, .record = EMR_GDICOMMENT, .message = "EMF+ records are not played; their GDI records are"});
  if (!FEngine->FCurrentDocumentItemList || !FPTextList) return;
  for (const Record& rec : file.Records()) {
    try {
      PlayRecord(rec);
    } catch (const vn::Exception& e) {
      Report(rec, e.what());
    }
  }
}

void TvnMetafileProcessor::Report(const Record& rec, const char* message) { ReportRecord(&FDiagnostics, rec, message); }

// ---- coordinates

TvnPoint TvnMetafileProcessor::ApplyWorldTransform(double x, double y) const {
  const XForm& f = FXForm;
  return {x * f.eM11 + y * f.eM21 + f.eDx, x * f.eM12 + y * f.eM22 + f.eDy};
}

TvnPoint TvnMetafileProcessor::TransformExtent(double x, double y) const {
  const TvnPoint w = ApplyWorldTransform(x, y);
  const double mx = IsIsotropic() ? FMapMXmul : 1.0, my = IsIsotropic() ? FMapMYmul : 1.0;
  return {(w.X - FWindowOrigin.x) * mx * FSx, (w.Y - FWindowOrigin.y) * my * FSy};
}

TvnPoint TvnMetafileProcessor::TransformPoint(double x, double y) const {
  const TvnPoint e = TransformExtent(x, y);
  return {e.X + FViewPortOrigin.x, e.Y + FViewPortOrigin.y};
}

TvnRect TvnMetafileProcessor::TransformRect(double l, double t, double r, double b) const {
  const TvnPoint p1 = TransformPoint(l, t), p2 = TransformPoint(r, b);
  return {p1.X, p1.Y, p2.X, p2.Y};
}

TvnPoint TvnMetafileProcessor::Place(const PointL& p) const {
  const TvnPoint t = TransformPoint(p.x, p.y);
  return {t.X + FStartX, t.Y + FStartY};
}

void TvnMetafileProcessor::UpdateMappingFactors() {
  if (!IsIsotropic()) return;
  // A window extent of 0 leaves that axis's factor as it was.
  if (FWindowExtent.cx != 0) FMapMXmul = static_cast<double>(FViewPortExtent.cx) / FWindowExtent.cx;
  if (FWindowExtent.cy != 0) FMapMYmul = static_cast<double>(FViewPortExtent.cy) / FWindowExtent.cy;
}

// Window extent divided by the viewport extent in screen pixels: the
// logical units per pixel, or nothing when an extent is 0.
static std::optional<double> LogicalPerPixel(int32_t windowCx, int32_t viewportCx, double sx) {
  const double n = static_cast<double>(vn::Round(viewportCx / sx));
  if (windowCx == 0 || n == 0) return std::nullopt;
  return windowCx / n;
}

double TvnMetafileProcessor::ScaleLogicalWidth(double w) const {
  if (IsIsotropic())
    if (auto per = LogicalPerPixel(FWindowExtent.cx, FViewPortExtent.cx, FSx)) w = static_cast<double>(vn::Round(w / *per * FSx));
  return w * FXForm.eM11;
}

int32_t TvnMetafileProcessor::LogicalHeightToPoints(double h) { return vn::RoundToInt(-h * 72 / ScreenPixelsPerInch); }

void TvnMetafileProcessor::SizeFont(TvnFont& font, int32_t h, bool initial) const {
  if (initial) {
    if (FMapMode != 0 && !IsIsotropic())
      SetFontHeight(font, h);
    else
      SetFontSize(font, LogicalHeightToPoints(h));
  }
  const double base = initial ? font.Height : h;
  if (IsIsotropic()) {
    if (auto per = LogicalPerPixel(FWindowExtent.cx, FViewPortExtent.cx, FSx))
      SetFontHeight(font, vn::RoundToInt(base / *per * FSx));
    else if (!initial)
      SetFontHeight(font, h);
  } else if (FMapMode != 0) {
    SetFontHeight(font, vn::RoundToInt(base * FXForm.eM22));
  } else {
    SetFontSize(font, LogicalHeightToPoints(static_cast<double>(h) * FXForm.eM22));
  }
  if (initial && font.Size > 100 && (FIsWindowsExt || FIsTransApplied)) SetFontSize(font, vn::RoundToInt(font.Size / 100.0));
}

TColor TvnMetafileProcessor::CheckColor(uint32_t c) { return c < 0x1000000 ? c : 0; }

TvnEMFAlignment TvnMetafileProcessor::ConvertTextAlign(uint32_t f) {
  TvnEMFAlignment r{A::TA_NOUPDATECP, A::TA_LEFT, A::TA_TOP};
  if ((f & 24) == 24)
    r.Exclude(A::TA_TOP).Include(A::TA_BASELINE);
  else if (f & 8)
    r.Exclude(A::TA_TOP).Include(A::TA_BOTTOM);
  if ((f & 6) == 6)
    r.Exclude(A::TA_LEFT).Include(A::TA_CENTER);
  else if (f & 2)
    r.Exclude(A::TA_LEFT).Include(A::TA_RIGHT);
  if (f & 1) r.Exclude(A::TA_NOUPDATECP).Include(A::TA_UPDATECP);
  if (f & 256) r.Include(A::TA_RTLREADING);
  return r;
}

// ---- saved states

void TvnMetafileProcessor::SaveState() {
  if (FMetaState.size() >= kMaxSavedStates) return;
  auto s = std::make_unique<TvnMetaState>();
  s->FFont = FCurrentFont;
  s->FSymbolCharsetFontIdx = FSymbolCharsetFontIdx;
  s->FBrush = FCurrentBrush;
  s->FPen = FCurrentPen;
  s->FCurrentTextColor = FTextColor;
  s->FBKMode = FBKMode;
  s->FMapMode = FMapMode;
  s->FXForm = FXForm;
  s->FWinExtent = FWindowExtent;
  s->FViewExtent = FViewPortExtent;
  s->FWinOrg = FWindowOrigin;
  s->FViewOrg = FViewPortOrigin;
  s->FTextAlign = FTextAlignment;
  s->FClipSteps = FClipSteps;
  s->FPenGeometry = FCurrentPenGeometry;
  s->FPaint = FPaint;
  s->Key = static_cast<int32_t>(FMetaState.size());
  FMetaState.push_back(std::move(s));
}

bool TvnMetafileProcessor::RestoreState(int32_t n) {
  if (FMetaState.empty() || n == 0) return false;
  if (n < 0) n += static_cast<int32_t>(FMetaState.size());
  auto it = std::find_if(FMetaState.begin(), FMetaState.end(), [n](const auto& s) { return s->Key == n; });
  if (it == FMetaState.end()) return false;
  const TvnMetaState& s = **it;
  FCurrentFont = s.FFont;
  FSymbolCharsetFontIdx = s.FSymbolCharsetFontIdx;
  FCurrentBrush = s.FBrush;
  FCurrentPen = s.FPen;
  FTextColor = s.FCurrentTextColor;
  FBKMode = static_cast<uint8_t>(s.FBKMode);
  FMapMode = s.FMapMode;
  FXForm = s.FXForm;
  FWindowExtent = s.FWinExtent;
  FViewPortExtent = s.FViewExtent;
  FWindowOrigin = s.FWinOrg;
  FViewPortOrigin = s.FViewOrg;
  FTextAlignment = s.FTextAlign;
  FClipSteps = s.FClipSteps;
  FCurrentPenGeometry = s.FPenGeometry;
  FPaint = s.FPaint;
  UpdateMappingFactors();
  FIsRestoredDC = true;
  FMetaState.erase(it);
  return true;
}

// ---- objects

void TvnMetafileProcessor::SelectStockObject(uint32_t n) {
  // The engine keeps its font when a metafile selects DEFAULT_GUI_FONT.
  if (n == DEFAULT_GUI_FONT) return;
  const StockObjectInfo stock = StockObject(n);
  switch (stock.kind) {
    case StockObjectInfo::Kind::Brush:
      FCurrentBrush = TvnMetaBrush{};
      FCurrentBrush.Color = stock.color;
      FCurrentBrush.Style = stock.empty ? TBrushStyle::bsClear : TBrushStyle::bsSolid;
      break;
    case StockObjectInfo::Kind::Pen:
      FCurrentPen = TPen{};
      FCurrentPen.Color = stock.color;
      FCurrentPen.Style = stock.empty ? TPenStyle::psClear : TPenStyle::psSolid;
      FCurrentPenGeometry = TvnPenGeometry{};
      break;
    case StockObjectInfo::Kind::Font:
      FCurrentFont = TvnFont{};
      FSymbolCharsetFontIdx = 1;
      break;
    case StockObjectInfo::Kind::Palette: FCurrentPalette = TvnPalette{}; break;
    case StockObjectInfo::Kind::None: break;
  }
}

TvnGDIOBJ& TvnMetafileProcessor::StoreObject(uint32_t index, TvnGDIOBJType type) {
  auto obj = std::make_unique<TvnGDIOBJ>(type);
  FGDIOBJ = obj.get();
  if (index == 0 || FGDIOBJList.size() < index) {
    FGDIOBJList.push_back(std::move(obj));
  } else {
    FGDIOBJList[index - 1] = std::move(obj);
  }
  return *FGDIOBJ;
}

void TvnMetafileProcessor::SelectObject(uint32_t index) {
  if (index == 0 || (index & kStockObjectFlag)) {
    SelectStockObject(index & 0x7FFFFFFF);
    return;
  }
  if (index > FGDIOBJList.size()) return;
  const TvnGDIOBJ& obj = *FGDIOBJList[index - 1];
  switch (obj.FGDIOBJType) {
    case TvnGDIOBJType::goPen:
      FCurrentPen = obj.FPen;
      FCurrentPenGeometry = obj.FPenGeometry;
      break;
    case TvnGDIOBJType::goBrush: FCurrentBrush = obj.FBrush; break;
    case TvnGDIOBJType::goFont:
      FCurrentFont = obj.FFont;
      FSymbolCharsetFontIdx = IsSymbolOnlyFace(obj.FFont.Name) ? -1 : 1;
      break;
    default: break;
  }
}

void TvnMetafileProcessor::DeleteObject(uint32_t index) {
  if (index == 0 || index > FGDIOBJList.size()) return;
  if (FGDIOBJ == FGDIOBJList[index - 1].get()) FGDIOBJ = nullptr;
  FGDIOBJList[index - 1] = std::make_unique<TvnGDIOBJ>(TvnGDIOBJType::goNone);
}

bool TvnMetafileProcessor::IsSymbolOnlyFace(const String& face) {
  auto it = FSymbolFaces.find(face);
  if (it != FSymbolFaces.end()) return it->second;
  const std::vector<int> sets = vn::platform::FaceCharsets(face);
  const bool symbol = sets.size() == 1 && sets[0] == vn::platform::kSymbolCharset;
  FSymbolFaces.emplace(face, symbol);
  return symbol;
}

void TvnMetafileProcessor::DoCreatePen(const Record& rec, bool extended) {
  uint32_t index = 0, style = 0, color = 0;
  double width = 0;
  TvnPenJoinStyle join = TvnPenJoinStyle::pjsNone;
  TvnPenCapStyle cap = TvnPenCapStyle::pcsNone;
  if (extended) {
    auto r = EmrExtCreatePen::Decode(rec.Payload());
    if (!r) return Report(rec, "damaged pen");
    index = r->ihPen, style = r->style, color = r->color, width = r->width;
    if ((style & 0xF0000) == PS_GEOMETRIC) {
      switch (style & PS_JOIN_MASK) {
        case PS_JOIN_ROUND: join = TvnPenJoinStyle::pjsRound; break;
        case PS_JOIN_BEVEL: join = TvnPenJoinStyle::pjsBevel; break;
        case PS_JOIN_MITER: join = TvnPenJoinStyle::pjsMiter; break;
      }
      switch (style & PS_ENDCAP_MASK) {
        case PS_ENDCAP_ROUND: cap = TvnPenCapStyle::pcsRound; break;
        case PS_ENDCAP_SQUARE: cap = TvnPenCapStyle::pcsSquare; break;
        case PS_ENDCAP_FLAT: cap = TvnPenCapStyle::pcsFlat; break;
      }
    }
  } else {
    auto r = EmrCreatePen::Decode(rec.Payload());
    if (!r) return Report(rec, "damaged pen");
    index = r->ihPen, style = r->style, color = r->color, width = r->width;
  }
  TvnGDIOBJ& obj = StoreObject(index, TvnGDIOBJType::goPen);
  obj.FPen.Width = vn::RoundToInt(ScaleLogicalWidth(width));
  obj.FPen.Style = PenStyleOf(style & PS_STYLE_MASK);
  obj.FPen.Color = CheckColor(color);
  obj.FPenJoinStyle = join;
  obj.FPenCapStyle = cap;
  TvnPenGeometry& g = obj.FPenGeometry;
  g.Width = (style & 0xF0000) == PS_GEOMETRIC ? width : 0;
  if (join != TvnPenJoinStyle::pjsNone) g.Join = join;
  if (cap != TvnPenCapStyle::pcsNone) g.Cap = cap;
  if (extended && (style & PS_STYLE_MASK) == PS_USERSTYLE)
    if (auto r = EmrExtCreatePen::Decode(rec.Payload())) g.Dashes = r->styleEntries;
}

void TvnMetafileProcessor::DoCreateBrush(const Record& rec) {
  auto r = EmrCreateBrush::Decode(rec.Payload());
  if (!r) return Report(rec, "damaged brush");
  TvnGDIOBJ& obj = StoreObject(r->ihBrush, TvnGDIOBJType::goBrush);
  // A palette-relative colour means nothing here: it is drawn black.
  obj.FBrush.Color = CheckColor(r->color);
  if (r->style == BS_NULL) {
    obj.FBrush.Style = TBrushStyle::bsClear;
  } else if (r->style == BS_HATCHED) {
    static const TBrushStyle hatches[] = {TBrushStyle::bsHorizontal, TBrushStyle::bsVertical, TBrushStyle::bsFDiagonal,
                                          TBrushStyle::bsBDiagonal,  TBrushStyle::bsCross,    TBrushStyle::bsDiagCross};
    if (r->hatch <= HS_DIAGCROSS) obj.FBrush.Style = hatches[r->hatch];
  }
}

void TvnMetafileProcessor::DoCreateDibBrush(const Record& rec) {
  auto r = EmrCreateDibBrush::Decode(rec.Payload());
  if (!r) return Report(rec, "damaged pattern brush");
  if (r->dib.empty()) return;
  auto bitmap = DecodeBitmap(rec, BuildBitmapStream(r->dib));
  if (!bitmap) return;
  TvnGDIOBJ& obj = StoreObject(r->ihBrush, TvnGDIOBJType::goBrush);
  obj.FBrush.Pattern = std::make_shared<const vn::platform::Bitmap>(std::move(*bitmap));
}

void TvnMetafileProcessor::DoCreateFont(const Record& rec) {
  if (!FProcessText) return;
  auto r = EmrExtCreateFont::Decode(rec.Payload());
  if (!r) return Report(rec, "damaged font");
  const LogFontW& lf = r->font;
  TvnGDIOBJ& obj = StoreObject(r->ihFont, TvnGDIOBJType::goFont);
  TvnFont& f = obj.FFont;
  f.Name = lf.faceName.substr(0, std::min<size_t>(lf.faceName.find(u'\0'), 32));
  f.Charset = lf.charSet;
  const int pitch = lf.pitchAndFamily & 3;
  f.Pitch = pitch == 1 ? TFontPitch::fpFixed : pitch == 2 ? TFontPitch::fpVariable : TFontPitch::fpDefault;
  if (lf.italic) f.Style.Include(TFontStyle::fsItalic);
  // Semibold and heavier weights draw bold.
  if (lf.weight >= 600) f.Style.Include(TFontStyle::fsBold);
  if (lf.underline) f.Style.Include(TFontStyle::fsUnderline);
  if (lf.strikeOut) f.Style.Include(TFontStyle::fsStrikeOut);
  f.FActualHieght = lf.height;
  SizeFont(f, lf.height, true);
  f.FRotateFont = lf.escapement;
  f.Orientation = lf.escapement;
}

void TvnMetafileProcessor::DoPalette(const Record& rec) {
  ByteReader r = rec.Payload();
  const uint32_t index = r.U32LE();
  TvnPalette pal;
  pal.Version = r.U16LE();
  pal.NumEntries = r.U16LE();
  if (r.failed()) return Report(rec, "damaged palette");
  if (pal.NumEntries > 0) pal.FirstEntry = r.U32LE();
  if (r.failed()) return Report(rec, "damaged palette");
  StoreObject(index, TvnGDIOBJType::goPalette).FPalette = pal;
}

// ---- items

std::unique_ptr<TvnShapeItem> TvnMetafileProcessor::NewShape(TvnShapeType type) const {
  auto shape = std::make_unique<TvnShapeItem>(true, type);
  shape->Brush = static_cast<const TBrush&>(FCurrentBrush);
  shape->Pen = FCurrentPen;
  shape->LineArtSettings.Assign(FEngine->FLineArtSettings);
  return shape;
}

void TvnMetafileProcessor::AppendItem(std::unique_ptr<TvnDocumentItem> item) {
  FEngine->FCurrentDocumentItemList->push_back(std::move(item));
}

void TvnMetafileProcessor::AppendClip(const TvnClipStep& step) {
  if (!step.Path.empty()) {
    // A clip path is defined and selected again from copies of its items.
    FClipRectsLeft -= static_cast<int64_t>(step.Path.size());
    if (FClipRectsLeft < 0) {
      FClipRectsLeft = -1;
      return;
    }
    for (const auto& item : step.Path) {
      if (item->Kind() == TvnItemKind::Path)
        AppendItem(std::make_unique<TvnPathItem>(static_cast<const TvnPathItem&>(*item)));
      else
        AppendItem(std::make_unique<TvnShapeItem>(static_cast<const TvnShapeItem&>(*item)));
    }
    return;
  }
  FClipRectsLeft -= static_cast<int64_t>(step.Rects.size());
  if (FClipRectsLeft < 0) {
    if (FClipRectsLeft + static_cast<int64_t>(step.Rects.size()) >= 0)
      FDiagnostics.Report({.offset = 0, .record = EMR_EXTSELECTCLIPRGN, .message = "too many clip rectangles; later clips are not set"});
    FClipRectsLeft = -1;
    return;
  }
  auto clip = std::make_unique<TvnClipItem>();
  clip->Brush = FCurrentBrush;
  clip->Pen = FCurrentPen;
  clip->Mode = step.Mode;
  clip->ClipRects = step.Rects;
  AppendItem(std::move(clip));
}

void TvnMetafileProcessor::AppendRestoreClip() {
  auto clip = std::make_unique<TvnClipItem>();
  clip->Restore = true;
  AppendItem(std::move(clip));
}

void TvnMetafileProcessor::RestoreClip(TvnClipSteps steps) {
  AppendRestoreClip();
  FClipSteps.clear();
  for (auto& step : steps) SelectClip(std::move(step));
}

void TvnMetafileProcessor::SelectClip(std::shared_ptr<const TvnClipStep> step) {
  // A region that replaces the clip first takes back the clips set before,
  // so the new region is not intersected with them.
  if (step->Mode == RGN_COPY && !FClipSteps.empty()) {
    AppendRestoreClip();
    FClipSteps.clear();
  }
  AppendClip(*step);
  if (FClipSteps.size() < kMaxClipSteps) FClipSteps.push_back(std::move(step));
}

TRect TvnMetafileProcessor::OffsetRect(const RectL& r) const {
  return TRect{vn::RoundToInt(r.left + FStartX), vn::RoundToInt(r.top + FStartY), vn::RoundToInt(r.right + FStartX),
               vn::RoundToInt(r.bottom + FStartY)};
}

// ---- records

void TvnMetafileProcessor::PlayRecord(const Record& rec) {
  ++FCurrentRecord;
  const uint32_t type = rec.type;
  auto u32 = [&]() -> std::optional<uint32_t> {
    auto v = EmrU32::Decode(rec.Payload());
    if (!v) Report(rec, "record too short");
    return v ? std::optional<uint32_t>(v->value) : std::nullopt;
  };
  auto point = [&]() -> std::optional<PointL> {
    auto v = EmrPoint::Decode(rec.Payload());
    if (!v) Report(rec, "record too short");
    return v ? std::optional<PointL>(v->point) : std::nullopt;
  };
  switch (type) {
    case EMR_SETWINDOWEXTEX:
      if (auto p = point()) {
        FWindowExtent = {p->x, p->y};
        UpdateMappingFactors();
        FIsWindowsExt = true;
      }
      break;
    case EMR_SETWINDOWORGEX:
      if (auto p = point()) FWindowOrigin = *p;
      break;
    case EMR_SETVIEWPORTEXTEX:
      if (auto p = point()) {
        FViewPortExtent = {p->x, p->y};
        UpdateMappingFactors();
      }
      break;
    case EMR_SETVIEWPORTORGEX:
      if (auto p = point()) FViewPortOrigin = *p;
      break;
    case EMR_SETMAPMODE:
      if (auto v = u32()) {
        FMapMode = *v;
        if (*v == MM_TEXT) {
          FWindowOrigin = FViewPortOrigin = {};
          FWindowExtent = FViewPortExtent = {1, 1};
          FMapMXmul = FMapMYmul = 1.0;
        }
      }
      break;
    case EMR_SETBKMODE:
      if (auto v = u32()) {
        FBKMode = static_cast<uint8_t>(*v & 0xFF);
        if (FBKMode == TRANSPARENT) IsBackgrondTransprent = true;
      }
      break;
    case EMR_SETPOLYFILLMODE:
      if (auto v = u32()) FPolyFillMode = *v;
      break;
    case EMR_SETROP2:
      if (auto v = u32()) FROP2 = *v;
      break;
    case EMR_SETSTRETCHBLTMODE:
      if (auto v = u32()) FStretchMode = *v;
      break;
    case EMR_SETTEXTALIGN:
      if (auto v = u32()) FTextAlignment = ConvertTextAlign(*v);
      break;
    case EMR_SETTEXTCOLOR:
      if (auto v = u32()) FTextColor = CheckColor(*v);
      break;
    case EMR_SETBKCOLOR:
      if (auto v = u32()) FBKColor = CheckColor(*v);
      break;
    case EMR_MOVETOEX:
      if (auto p = point()) {
        FCurrentPathPoint = *p;
        FUpdatePathX = 0;
      }
      break;
    case EMR_SCALEVIEWPORTEXTEX:
    case EMR_SCALEWINDOWEXTEX: {
      auto s = EmrScaleExt::Decode(rec.Payload());
      if (!s) return Report(rec, "record too short");
      // A zero denominator leaves the extent as it is.
      if (s->xDenom == 0 || s->yDenom == 0) return Report(rec, "scale with a zero denominator");
      SizeL& ext = type == EMR_SCALEVIEWPORTEXTEX ? FViewPortExtent : FWindowExtent;
      ext.cx = ClampExtent(int64_t{ext.cx} * s->xNum / s->xDenom);
      ext.cy = ClampExtent(int64_t{ext.cy} * s->yNum / s->yDenom);
      UpdateMappingFactors();
      break;
    }
    case EMR_SAVEDC: SaveState(); break;
    case EMR_RESTOREDC:
      if (auto v = u32()) {
        TvnClipSteps current = FClipSteps;
        const bool restored = RestoreState(static_cast<int32_t>(*v));
        FClipRect = {};
        // The clip goes back to the page's, then to what the restored state
        // had set (or, when nothing was restored, to what was set before).
        RestoreClip(restored ? FClipSteps : std::move(current));
      }
      break;
    case EMR_SETWORLDTRANSFORM:
    case EMR_MODIFYWORLDTRANSFORM: {
      auto x = EmrXForm::Decode(rec.Payload(), type == EMR_MODIFYWORLDTRANSFORM);
      if (!x) return Report(rec, "record too short");
      if (type == EMR_SETWORLDTRANSFORM)
        FXForm = x->xform;
      else if (x->mode == MWT_IDENTITY)
        FXForm = XForm{};
      else if (x->mode == MWT_LEFTMULTIPLY)
        FXForm = Multiply(x->xform, FXForm);
      else if (x->mode == MWT_RIGHTMULTIPLY)
        FXForm = Multiply(FXForm, x->xform);
      else
        FXForm = x->xform;
      FIsTransApplied = true;
      break;
    }
    case EMR_SETMITERLIMIT:
      if (auto m = EmrMiterLimit::Decode(rec.Payload())) FMiterLimit = m->limit;
      break;
    case EMR_SETICMMODE:
      if (auto v = u32()) FICMMode = *v;
      break;

    case EMR_SELECTOBJECT:
      if (auto v = u32()) SelectObject(*v);
      break;
    case EMR_CREATEPEN: DoCreatePen(rec, false); break;
    case EMR_EXTCREATEPEN: DoCreatePen(rec, true); break;
    case EMR_CREATEBRUSHINDIRECT: DoCreateBrush(rec); break;
    case EMR_CREATEMONOBRUSH:
    case EMR_CREATEDIBPATTERNBRUSHPT: DoCreateDibBrush(rec); break;
    case EMR_EXTCREATEFONTINDIRECTW: DoCreateFont(rec); break;
    case EMR_DELETEOBJECT:
      if (auto v = u32()) DeleteObject(*v);
      break;
    case EMR_SELECTPALETTE:
      if (auto v = u32()) {
        if (*v & kStockObjectFlag)
          SelectStockObject(*v & 0x7FFFFFFF);
        else if (*v >= 1 && *v <= FGDIOBJList.size())
          FCurrentPalette = FGDIOBJList[*v - 1]->FPalette;
      }
      break;
    case EMR_CREATEPALETTE: DoPalette(rec); break;

    case EMR_POLYBEZIER: case EMR_POLYGON: case EMR_POLYLINE: case EMR_POLYBEZIERTO: case EMR_POLYLINETO:
      DoPoly(rec, false);
      break;
    case EMR_POLYBEZIER16: case EMR_POLYGON16: case EMR_POLYLINE16: case EMR_POLYBEZIERTO16: case EMR_POLYLINETO16:
      DoPoly(rec, true);
      break;
    case EMR_LINETO:
      if (!FProcessShape) break;
      if (auto p = point()) {
        auto shape = NewShape(TvnShapeType::stLine);
        shape->SetPoints({Place(FCurrentPathPoint), Place(*p)});
        if (FGDIOBJ) {
          shape->PenJoinStyle = FGDIOBJ->FPenJoinStyle;
          shape->PenCapStyle = FGDIOBJ->FPenCapStyle;
        }
        AppendItem(std::move(shape));
        FCurrentPathPoint = *p;
        FUpdatePathX = 0;
      }
      break;
    case EMR_POLYPOLYLINE: case EMR_POLYPOLYGON: DoPolyPoly(rec, false); break;
    case EMR_POLYPOLYLINE16: case EMR_POLYPOLYGON16: DoPolyPoly(rec, true); break;
    case EMR_POLYDRAW16: DoPolyDraw(rec); break;
    case EMR_ELLIPSE: case EMR_RECTANGLE: case EMR_ROUNDRECT: case EMR_ARC: case EMR_CHORD: case EMR_PIE:
      DoBoxShape(rec);
      break;
    case EMR_FILLRGN: DoFillRgn(rec); break;

    case EMR_BEGINPATH: case EMR_ENDPATH: case EMR_CLOSEFIGURE: case EMR_ABORTPATH: case EMR_FILLPATH:
    case EMR_STROKEANDFILLPATH: case EMR_STROKEPATH: case EMR_SELECTCLIPPATH:
      DoPath(rec);
      break;

    case EMR_INTERSECTCLIPRECT: {
      auto r = EmrRect::Decode(rec.Payload());
      if (!r) return Report(rec, "record too short");
      FIsClipRect = FIsIntersectClipRect = true;
      FClipRect = TransformRect(r->rect.left, r->rect.top, r->rect.right, r->rect.bottom);
      // The rectangle also clips what follows.
      TvnClipStep step;
      step.Mode = RGN_AND;
      step.Rects.push_back(TRect{vn::RoundToInt(FClipRect.Left + FStartX), vn::RoundToInt(FClipRect.Top + FStartY),
                                 vn::RoundToInt(FClipRect.Right + FStartX), vn::RoundToInt(FClipRect.Bottom + FStartY)});
      SelectClip(std::make_shared<const TvnClipStep>(std::move(step)));
      break;
    }
    case EMR_EXTSELECTCLIPRGN: DoExtSelectClipRgn(rec); break;
    case EMR_GDICOMMENT:
      // The project's paint comment; other comments are passed over.
      if (auto paint = PaintComment::Decode(rec.Payload())) FPaint = *paint;
      break;
    case EMR_EOF: {
      auto eof = std::make_unique<TvnEOFItem>();
      eof->Status = true;
      AppendItem(std::move(eof));
      FIsClipRect = false;
      break;
    }
    case EMR_EXTTEXTOUTA: case EMR_EXTTEXTOUTW: DoText(rec); break;

    case EMR_BITBLT: case EMR_STRETCHBLT: case EMR_MASKBLT: DoBlt(rec); break;
    case EMR_STRETCHDIBITS: DoStretchDIBits(rec); break;
    case EMR_SETDIBITSTODEVICE: DoSetDIBitsToDevice(rec); break;
    case EMR_ALPHABLEND: case EMR_TRANSPARENTBLT: DoAlphaBlt(rec); break;
    case EMR_ANGLEARC: case EMR_EXTFLOODFILL: case EMR_ARCTO: case EMR_POLYDRAW: case EMR_FRAMERGN: case EMR_INVERTRGN:
    case EMR_PAINTRGN: case EMR_PLGBLT: case EMR_POLYTEXTOUTA: case EMR_POLYTEXTOUTW: case EMR_SMALLTEXTOUT:
    case EMR_GRADIENTFILL:
      // Drawing this player does not make: said, so a page that lacks it is known.
      Report(rec, "drawing record not played");
      break;
    default: break;
  }
}

void TvnMetafileProcessor::DoPoly(const Record& rec, bool is16) {
  const uint32_t type = rec.type;
  const bool bezier = type == EMR_POLYBEZIER || type == EMR_POLYBEZIER16 || type == EMR_POLYBEZIERTO || type == EMR_POLYBEZIERTO16;
  const bool to = type == EMR_POLYBEZIERTO || type == EMR_POLYBEZIERTO16 || type == EMR_POLYLINETO || type == EMR_POLYLINETO16;
  if (!bezier && !FProcessShape) return;
  auto r = EmrPoly::Decode(rec.Payload(), is16);
  if (!r) return Report(rec, "damaged point list");
  const bool polygon = type == EMR_POLYGON || type == EMR_POLYGON16;
  auto shape = NewShape(bezier ? TvnShapeType::stPolyBezier : polygon ? TvnShapeType::stPolygon : TvnShapeType::stPolyLine);
  TvnPoints points;
  points.reserve(r->points.size() + 1);
  if (to) points.push_back(Place(FCurrentPathPoint));
  for (const PointL& p : r->points) points.push_back(Place(p));
  shape->SetPoints(points);
  AppendItem(std::move(shape));
  if (to && !r->points.empty()) {
    FCurrentPathPoint = r->points.back();
    FUpdatePathX = 0;
  }
}

void TvnMetafileProcessor::DoPolyPoly(const Record& rec, bool is16) {
  if (!FProcessShape) return;
  auto r = EmrPolyPoly::Decode(rec.Payload(), is16);
  if (!r) return Report(rec, "damaged polygon list");
  uint64_t total = 0;
  for (uint32_t c : r->counts) total += c;
  if (total > r->points.size()) return Report(rec, "polygon counts exceed the points");
  const bool polygon = rec.type == EMR_POLYPOLYGON || rec.type == EMR_POLYPOLYGON16;
  if (polygon) {
    auto item = std::make_unique<TvnPolyPolygonItem>();
    item->NoPoly = static_cast<int32_t>(r->counts.size());
    item->SetNoPoints();
    item->NoPoints[0] = static_cast<int32_t>(r->points.size());
    for (size_t i = 0; i < r->counts.size(); ++i) item->NoPoints[i + 1] = static_cast<int32_t>(r->counts[i]);
    item->Points.reserve(r->points.size());
    for (const PointL& p : r->points) item->Points.push_back(Place(p));
    item->Pen = FCurrentPen;
    item->Brush = FCurrentBrush;
    item->FillAlternate = FillAlternate();
    AppendItem(std::move(item));
    return;
  }
  auto item = std::make_unique<TvnPolyShapeItem>();
  size_t at = 0;
  for (uint32_t count : r->counts) {
    auto shape = NewShape(TvnShapeType::stPolyLine);
    TvnPoints points;
    points.reserve(count);
    for (uint32_t i = 0; i < count; ++i) points.push_back(Place(r->points[at++]));
    shape->SetPoints(points);
    item->Shapes.push_back(std::move(shape));
  }
  item->FillAlternate = false;
  AppendItem(std::move(item));
}

void TvnMetafileProcessor::DoPolyDraw(const Record& rec) {
  auto r = EmrPolyDraw::Decode(rec.Payload(), true);
  if (!r) return Report(rec, "damaged point list");
  if (r->points.empty()) return;
  auto item = std::make_unique<TvnPolyDrawItem>();
  // Outside a path the figures are stroked with the selected pen.
  item->Pen = FCurrentPen;
  item->Brush = FCurrentBrush;
  item->NoPoints = static_cast<int32_t>(r->points.size());
  item->SetPoints();
  for (size_t i = 0; i < r->points.size(); ++i) {
    item->Points[i] = Place(r->points[i]);
    item->Operations[i] = i < r->types.size() ? r->types[i] : 0;
  }
  AppendItem(std::move(item));
}

void TvnMetafileProcessor::DoBoxShape(const Record& rec) {
  if (!FProcessShape) return;
  const uint32_t type = rec.type;
  auto corners = [this](const RectL& b) { return TvnPoints{Place({b.left, b.top}), Place({b.right, b.bottom})}; };
  std::unique_ptr<TvnShapeItem> shape;
  if (type == EMR_ELLIPSE || type == EMR_RECTANGLE) {
    auto r = EmrRect::Decode(rec.Payload());
    if (!r) return Report(rec, "record too short");
    shape = NewShape(type == EMR_ELLIPSE ? TvnShapeType::stEllipse : TvnShapeType::stRectangle);
    shape->SetPoints(corners(r->rect));
    if (type == EMR_RECTANGLE && FROP2 == 11) shape->Pen.Color = FBKColor;  // R2_NOP
  } else if (type == EMR_ROUNDRECT) {
    auto r = EmrRoundRect::Decode(rec.Payload());
    if (!r) return Report(rec, "record too short");
    shape = NewShape(TvnShapeType::stRoundRect);
    TvnPoints points = corners(r->box);
    points.push_back({r->corner.cx * FMapMXmul, r->corner.cy * FMapMYmul});
    shape->SetPoints(points);
  } else {
    auto r = EmrArc::Decode(rec.Payload());
    if (!r) return Report(rec, "record too short");
    shape = NewShape(type == EMR_ARC ? TvnShapeType::stArc : type == EMR_CHORD ? TvnShapeType::stChord : TvnShapeType::stPie);
    TvnPoints points = corners(r->box);
    points.push_back(Place(r->start));
    points.push_back(Place(r->end));
    shape->SetPoints(points);
  }
  AppendItem(std::move(shape));
}

void TvnMetafileProcessor::DoFillRgn(const Record& rec) {
  if (!FProcessShape) return;
  auto r = EmrRegionPaint::Decode(rec.Payload(), rec.type);
  if (!r) return Report(rec, "damaged region");
  TvnMetaBrush brush = FCurrentBrush;
  if (r->ihBrush >= 1 && r->ihBrush <= FGDIOBJList.size())
    brush = FGDIOBJList[r->ihBrush - 1]->FBrush;
  else if (FGDIOBJ)
    brush = FGDIOBJ->FBrush;
  // Each rectangle of the region is filled, not the region's bounds, so a
  // region that is not a rectangle paints only itself.
  for (const RectL& rc : r->region.rects) {
    auto shape = std::make_unique<TvnShapeItem>(true, TvnShapeType::stRectangle);
    shape->LineArtSettings.Assign(FEngine->FLineArtSettings);
    shape->Brush = static_cast<const TBrush&>(brush);
    shape->Pen.Style = TPenStyle::psClear;
    shape->Pen.Width = 0;
    shape->SetPoints({{rc.left + FStartX, rc.top + FStartY}, {rc.right + FStartX, rc.bottom + FStartY}});
    AppendItem(std::move(shape));
  }
}

void TvnMetafileProcessor::DoPath(const Record& rec) {
  auto item = std::make_unique<TvnPathItem>();
  switch (rec.type) {
    case EMR_BEGINPATH: item->PathOperation = TvnPathOperation::poBeginPath; break;
    case EMR_ENDPATH: item->PathOperation = TvnPathOperation::poEndPath; break;
    case EMR_CLOSEFIGURE: item->PathOperation = TvnPathOperation::poCloseFigure; break;
    case EMR_ABORTPATH: item->PathOperation = TvnPathOperation::poAbortPath; break;
    case EMR_FILLPATH:
    case EMR_STROKEANDFILLPATH:
      item->PathOperation = rec.type == EMR_FILLPATH ? TvnPathOperation::poFillPath : TvnPathOperation::poStrokeAndFillPath;
      item->FillAlternate = FillAlternate();
      item->Pen = FCurrentPen;
      item->Brush = FCurrentBrush;
      break;
    case EMR_STROKEPATH:
      item->PathOperation = TvnPathOperation::poStrokePath;
      item->Pen = FCurrentPen;
      item->Brush = FCurrentBrush;
      break;
    case EMR_SELECTCLIPPATH: {
      auto v = EmrU32::Decode(rec.Payload());
      if (!v) return Report(rec, "record too short");
      item->PathOperation = TvnPathOperation::poSelectClipPath;
      item->Mode = v->value;
      // The path clips by the fill mode in force, as it fills.
      item->ClipWinding = !FillAlternate();
      break;
    }
  }
  if (rec.type == EMR_BEGINPATH) FPathStart = FEngine->FCurrentDocumentItemList->size();
  if (rec.type == EMR_SELECTCLIPPATH) KeepClipPath(*item);
  if (FPaint) {
    item->FillOpacity = FPaint->fillAlpha / 255.0;
    item->StrokeOpacity = FPaint->strokeAlpha / 255.0;
    item->BlendMode = FPaint->blendMode;
    if (rec.type == EMR_STROKEPATH || rec.type == EMR_STROKEANDFILLPATH) item->ExactPen = ExactPen();
  }
  AppendItem(std::move(item));
}

void TvnMetafileProcessor::KeepClipPath(const TvnPathItem& select) {
  // The clip path is kept with the clips a restored state sets again; the
  // items that define it are copied (lines and curves are shape items,
  // the brackets path items).
  const TvnItemList& list = *FEngine->FCurrentDocumentItemList;
  if (!FPathStart || *FPathStart > list.size()) return;
  auto step = std::make_shared<TvnClipStep>();
  step->Mode = select.Mode;
  for (size_t i = *FPathStart; i < list.size(); ++i) {
    const TvnDocumentItem& item = *list[i];
    if (item.Kind() == TvnItemKind::Path)
      step->Path.push_back(std::make_shared<TvnPathItem>(static_cast<const TvnPathItem&>(item)));
    else if (item.Kind() == TvnItemKind::Shape)
      step->Path.push_back(std::make_shared<TvnShapeItem>(static_cast<const TvnShapeItem&>(item)));
  }
  step->Path.push_back(std::make_shared<TvnPathItem>(select));
  FPathStart.reset();
  // Copy replaces the clips set before; the engine takes them back itself.
  if (select.Mode == RGN_COPY) FClipSteps.clear();
  if (select.Mode == RGN_COPY || select.Mode == RGN_AND)
    if (FClipSteps.size() < kMaxClipSteps) FClipSteps.push_back(std::move(step));
}

TvnExactPen TvnMetafileProcessor::ExactPen() const {
  const TvnPenGeometry& g = FCurrentPenGeometry;
  TvnExactPen pen;
  pen.Width = g.Width;
  pen.Dashes.assign(g.Dashes.begin(), g.Dashes.end());
  // An odd list runs twice, so its entries alternate on and off.
  if (pen.Dashes.size() % 2) pen.Dashes.insert(pen.Dashes.end(), pen.Dashes.begin(), pen.Dashes.end());
  pen.DashOffset = FPaint ? FPaint->dashOffset : 0.0;
  pen.Join = g.Join;
  pen.Cap = g.Cap;
  pen.MiterLimit = std::isfinite(FMiterLimit) ? std::max(1.0, double(FMiterLimit)) : 10.0;
  // Logical units to engine pixels: the world transform, then the
  // isotropic mapping and the resolution.
  const double sx = (IsIsotropic() ? FMapMXmul : 1.0) * FSx, sy = (IsIsotropic() ? FMapMYmul : 1.0) * FSy;
  pen.M11 = FXForm.eM11 * sx, pen.M12 = FXForm.eM12 * sy;
  pen.M21 = FXForm.eM21 * sx, pen.M22 = FXForm.eM22 * sy;
  return pen;
}

void TvnMetafileProcessor::DoExtSelectClipRgn(const Record& rec) {
  ByteReader r = rec.Payload();
  const uint32_t cb = r.U32LE();
  const uint32_t mode = r.U32LE();
  if (r.failed()) return Report(rec, "record too short");
  if (cb == 0) {
    // No region: the clip goes back to the page's.
    FClipRect = {};
    AppendRestoreClip();
    FClipSteps.clear();
    return;
  }
  auto region = ReadRegionData(r.Sub(r.position(), cb));
  if (!region) return Report(rec, "damaged region");
  const size_t n = region->rects.size();
  if (n == 0) return;
  TvnClipStep step;
  step.Mode = mode;
  step.Rects.push_back(OffsetRect(region->bounds));
  if (n == 1) {
    FIsClipRect = true;
  } else {
    for (const RectL& rc : region->rects) step.Rects.push_back(OffsetRect(rc));
  }
  SelectClip(std::make_shared<const TvnClipStep>(std::move(step)));
}

// ---- text

vn::platform::TextSize TvnMetafileProcessor::MeasureText(const TFont& font, const String& text) const {
  const TSize size = TvnFontMeasure(font).Extent(text);
  return {size.cx, size.cy};
}

std::optional<String> TvnMetafileProcessor::GlyphsToText(const TFont& font, const std::u16string& glyphs) {
  vn::platform::FontRequest request;
  request.FaceName = font.Name;
  request.Bold = font.Style.Contains(TFontStyle::fsBold);
  request.Italic = font.Style.Contains(TFontStyle::fsItalic);
  std::shared_ptr<const vn::platform::GdiFont> gdi;
  try {
    gdi = vn::platform::GdiFont::Create(request);
  } catch (const vn::Exception&) {
    return std::nullopt;
  }
  if (gdi->Match().Substituted) return std::nullopt;
  const vn::platform::FontFaceRef& face = gdi->Face();
  const std::string key = face.File.string() + "#" + std::to_string(face.Index);
  auto it = FGlyphMaps.find(key);
  if (it == FGlyphMaps.end()) {
    std::map<uint32_t, char32_t> map;
    try {
      vn::platform::FaceLease lease = vn::platform::AcquireFace(face.File, face.Index);
      FT_UInt glyph = 0;
      for (FT_ULong c = FT_Get_First_Char(lease.Face, &glyph); glyph != 0; c = FT_Get_Next_Char(lease.Face, c, &glyph))
        map.emplace(glyph, static_cast<char32_t>(c));  // the lowest character of a glyph
    } catch (const vn::Exception&) {
      return std::nullopt;
    }
    it = FGlyphMaps.emplace(key, std::move(map)).first;
  }
  String text;
  for (char16_t g : glyphs) {
    auto found = it->second.find(g);
    const char32_t c = found == it->second.end() ? U'\uFFFD' : found->second;
    if (c > 0xFFFF) {
      text.push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
      text.push_back(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
    } else {
      text.push_back(static_cast<char16_t>(c));
    }
  }
  return text;
}

void TvnMetafileProcessor::DoText(const Record& rec) {
  if (!FProcessText) return;
  const bool wide = rec.type == EMR_EXTTEXTOUTW;
  auto r = EmrExtTextOut::Decode(rec.Payload(), wide);
  if (!r) return Report(rec, "damaged text record");
  // 1. Opaque background.
  const RectL& rc = r->rect;
  if ((r->options & ETO_OPAQUE) && !(rc == RectL{0, 0, -1, -1}) && FProcessShape) {
    const TvnPoint p1 = TransformPoint(rc.left, rc.top), p2 = TransformPoint(rc.right, rc.bottom);
    std::unique_ptr<TvnShapeItem> shape;
    if (p1.X != p2.X && p1.Y != p2.Y) {
      shape = NewShape(TvnShapeType::stRectangle);
      if (FCurrentBrush.Style != TBrushStyle::bsClear)
        shape->Brush->Color = FBKColor;
      else
        shape->Brush->Style = TBrushStyle::bsClear;
      shape->Pen.Style = TPenStyle::psClear;
    } else {
      shape = NewShape(TvnShapeType::stLine);
      shape->Pen.Color = FCurrentBrush.Color;
    }
    shape->SetPoints({{p1.X + FStartX, p1.Y + FStartY}, {p2.X + FStartX, p2.Y + FStartY}});
    AppendItem(std::move(shape));
  }
  // 2. Nothing more without characters.
  if (r->text.empty()) return;
  // Glyph indices name glyphs of the font the writer had: they become
  // characters through that face's character map when the face is
  // installed under its name; in a stand-in face they mean other glyphs and
  // the text is not shown.
  if (r->options & ETO_GLYPH_INDEX) {
    auto chars = GlyphsToText(FCurrentFont, r->text);
    if (!chars) return Report(rec, "text given as glyph indices of a font that is not installed is not played");
    r->text = std::move(*chars);
    r->ansiText.clear();
  }
  // 3. The characters.
  const bool symbol = FSymbolCharsetFontIdx == -1;
  String text;
  bool isWide = false;
  if (!wide && !(r->options & ETO_GLYPH_INDEX)) {
    std::string bytes;
    for (char c : r->ansiText)
      if (c != 0) bytes.push_back(c);
    text = vn::DecodeCp1252(bytes);
  } else {
    for (char16_t c : r->text) {
      if (c == 0) continue;
      if (symbol) c = static_cast<char16_t>(c & 0xFF);
      if (!symbol && c > 255) isWide = true;
      text.push_back(c);
    }
  }
  // 4. The item.
  auto item = std::make_unique<TvnTextItem>();
  item->IsFromMetafile = true;
  item->IsWideString = isWide;
  if (FTextAlignment.Contains(A::TA_RIGHT))
    item->Alignment = TvnHAlignment::haRight;
  else if (FTextAlignment.Contains(A::TA_CENTER))
    item->Alignment = TvnHAlignment::haCenter;
  else
    item->Alignment = TvnHAlignment::haLeft;
  // 5. Spacing: one advance per character (with ETO_PDY the array holds
  // x and y pairs; the x advances are taken).
  const size_t stride = (r->options & ETO_PDY) ? 2 : 1;
  const size_t nChars = r->text.size();
  double W = 0;
  if (r->dx.size() >= nChars * stride) {
    const double factor = FXForm.eM11 * (IsIsotropic() ? FMapMXmul : 1.0);
    item->CharSpaceArray.resize(nChars);
    for (size_t i = 0; i < nChars; ++i) {
      item->CharSpaceArray[i] = r->dx[i * stride] * factor;
      W += item->CharSpaceArray[i];
    }
  }
  // 6. Position.
  const bool updateCP = FTextAlignment.Contains(A::TA_UPDATECP) && FCombineCharsToSentence;
  TvnPoint pos;
  if (updateCP) {
    pos = TransformPoint(FCurrentPathPoint.x, FCurrentPathPoint.y);
    pos.X += FUpdatePathX;
  } else {
    pos = TransformPoint(r->reference.x, r->reference.y);
  }
  item->X = pos.X + FStartX;
  item->Y = pos.Y + FStartY;
  // 7. Clipping.
  if (r->options & ETO_CLIPPED) {
    const TvnRect c = TransformRect(rc.left, rc.top, rc.right, rc.bottom);
    item->SetIsClipRect(true);
    item->SetClipRect({c.Left + FStartX, c.Top + FStartY, c.Right + FStartX, c.Bottom + FStartY});
  }
  // 8. After a restore the font is sized again from its logical height.
  if (FIsRestoredDC) SizeFont(FCurrentFont, FCurrentFont.FActualHieght, false);
  // 9. The font.
  item->Font = static_cast<const TFont&>(FCurrentFont);
  // Wide text goes to the font of last resort only when the font it was
  // written in cannot show it: a font that has the characters (Cyrillic in
  // Times New Roman) keeps drawing them, at the advances measured in it,
  // where another face's wider glyphs would run into each other.
  if (isWide && (item->Font.Charset == 0 || item->Font.Charset == 1) &&
      !TvnFontMeasure(item->Font).CoversWideCharacters(text)) {
    item->Font.Charset = 161;
    item->Font.Name = u"Arial Unicode MS";
  }
  // 10. Rotation.
  item->RotationAngle = vn::RoundToInt(FCurrentFont.FRotateFont / 10.0);
  // 11. Continuation of text drawn from the current position.
  if (updateCP) {
    const double w = MeasureText(item->Font, text).Width;
    FUpdatePathX += FTextAlignment.Contains(A::TA_RIGHT) ? -w : w;
  }
  // A missing advance array: the text is as wide as the font draws it.
  if (item->CharSpaceArray.empty()) W = MeasureText(item->Font, text).Width;
  // 12. Reading order.
  if (FTextAlignment.Contains(A::TA_RTLREADING)) item->BiDiMode = TBiDiMode::bdRightToLeft;
  item->Lines.Add(text);
  // 13. From the reference point to the top-left corner.
  AlignTextPosition(*item, W);
  // 14. Colours.
  item->Font.Color = FTextColor;
  item->Brush.Color = FBKColor;
  if (FBKMode == TRANSPARENT) item->Brush.Style = TBrushStyle::bsClear;
  // 15. Characters the code page leaves undefined.
  if (!isWide) {
    std::erase_if(text, [](char16_t c) { return c == 127 || c == 129 || c == 141 || c == 143 || c == 144 || c == 157; });
    item->Lines.Clear();
    item->Lines.Add(text);
  }
  // 16. Append.
  FPTextList->push_back(std::move(item));
  FIsClipRect = false;
  FJustProcessedTextItem = 3;
  IsBackgrondTransprent = false;
}

void TvnMetafileProcessor::AlignTextPosition(TvnTextItem& item, double W) {
  const bool top = FTextAlignment.Contains(A::TA_TOP), baseline = FTextAlignment.Contains(A::TA_BASELINE),
             bottom = FTextAlignment.Contains(A::TA_BOTTOM);
  if (!top && !baseline && !bottom) return;
  const double theta = item.RotationAngle * M_PI / 180.0;
  double V = 0;  // the vertical distance from the reference point to the top
  // The baseline lies one ascent below the top of the text, where the
  // writers put it back.
  if (baseline) V = TvnFontMeasure(item.Font).Ascent() * FSy;
  if (bottom) V = MeasureText(item.Font, item.Lines.Count() ? item.Lines.GetString(0) : String()).Height * FSy;
  double half = 0;  // the horizontal distance from the reference point to the left
  if (FTextAlignment.Contains(A::TA_CENTER))
    half = W / 2;
  else if (FTextAlignment.Contains(A::TA_RIGHT))
    half = W;
  if (top) {
    item.X -= std::cos(theta) * half;
    item.Y += std::sin(theta) * half;
    return;
  }
  // The corner lies at distance r in direction phi from the reference
  // point; atan2 keeps a text of no width (or no height) from dividing by
  // zero and gives the straight offset then.
  const double phi = theta - std::atan2(V, half);
  const double r = std::hypot(V, half);
  item.X -= std::cos(phi) * r;
  item.Y += std::sin(phi) * r;
}

void InstallMetafileProcessor() {
  SetMetafilePlayer([](TvnCustomDocumentEngine& engine, const TMetafile& metafile, double x, double y) {
    TvnMetafileProcessor processor(engine);
    processor.SetCombineCharsToSentence(true);
    processor.Execute(metafile, x, y);
  });
}

}  // namespace vn::exporter
