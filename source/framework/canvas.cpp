#include "framework/canvas.h"

#include <algorithm>
#include <cmath>

#include "platform/canvas/emf_recorder.h"
#include "platform/images/picture.h"
#include "runtime/exceptions.h"

namespace vn::framework {

namespace pf = vn::platform;

namespace {

const TvnPen& DefaultPen() {
  static const TvnPen pen;
  return pen;
}

const TvnBrush& DefaultBrush() {
  static const TvnBrush brush = [] {
    TvnBrush b;
    b.SetColor({255, 255, 255});
    return b;
  }();
  return brush;
}

const TvnFont& DefaultFont() {
  static const TvnFont font = [] {
    TvnFont f;
    f.SetName(u"Arial");
    return f;
  }();
  return font;
}

pf::PenStyle ToPlatform(TvnPenStyle AStyle) {
  switch (AStyle) {
    case TvnPenStyle::psDash: return pf::PenStyle::Dash;
    case TvnPenStyle::psDot:
    case TvnPenStyle::psAlternate: return pf::PenStyle::Dot;
    case TvnPenStyle::psDashDot: return pf::PenStyle::DashDot;
    case TvnPenStyle::psDashDotDot: return pf::PenStyle::DashDotDot;
    case TvnPenStyle::psClear: return pf::PenStyle::Clear;
    case TvnPenStyle::psInsideFrame: return pf::PenStyle::InsideFrame;
    case TvnPenStyle::psSolid:
    case TvnPenStyle::psUserStyle: break;
  }
  return pf::PenStyle::Solid;
}

bool IsBreakChar(char16_t c) { return c == 7 || c == 10 || c == 11 || c == 12 || c == 13; }

}  // namespace

const TvnPen& TvnBaseCanvas::CurrentPen() const { return FPen ? *FPen : DefaultPen(); }
const TvnFont& TvnBaseCanvas::CurrentFont() const { return FFont ? *FFont : DefaultFont(); }
const TvnBrush& TvnBaseCanvas::CurrentBrush() const { return FBrush ? *FBrush : DefaultBrush(); }

uint32_t ColorToPlatform(const TvnRGBColor& AColor) {
  return uint32_t(AColor.Red) + uint32_t(AColor.Green) * 256 + uint32_t(AColor.Blue) * 65536;
}

TvnCanvasClass DefaultCanvasClass = &TvnVCLCanvas::CreateOn;

TvnVCLCanvas::TvnVCLCanvas(pf::Canvas* ACanvas) : FCanvas(ACanvas) {
  if (!ACanvas) throw vn::EInvalidCast("Invalid class typecast");
}

TvnVCLCanvas::TvnVCLCanvas(int32_t AWidth, int32_t AHeight) : FFrameWidth(AWidth), FFrameHeight(AHeight) {
  CreateCanvas();
}

TvnVCLCanvas::~TvnVCLCanvas() = default;

std::unique_ptr<TvnBaseCanvas> TvnVCLCanvas::CreateOn(pf::Canvas* ACanvas) {
  return std::make_unique<TvnVCLCanvas>(ACanvas);
}

void TvnVCLCanvas::CreateCanvas() {
  FMetaFile = std::make_unique<pf::EmfRecorderCanvas>(FFrameWidth, FFrameHeight);
  FCanvas = FMetaFile.get();
}

std::string TvnVCLCanvas::FinishMetaFile() {
  if (!FMetaFile) return {};
  std::string bytes = FMetaFile->Finish();
  CreateCanvas();
  return bytes;
}

void TvnVCLCanvas::SelectFont() {
  const TvnFont& font = CurrentFont();
  pf::Font f;
  if (!font.GetName().empty()) f.faceName = font.GetName();
  // The point size on the 96-dpi reference device, as an em height.
  // A size from a file may be any int32: the height is kept within int32
  // before its sign is turned.
  const double em = std::clamp(font.GetSize() * 96.0 / 72.0, -double{INT32_MAX}, double{INT32_MAX});
  f.height = -static_cast<int32_t>(std::lround(em));
  const TvnFontStyles style = font.GetStyle();
  f.weight = style.Contains(TvnFontStyle::fsBold) ? 700 : 400;
  f.italic = style.Contains(TvnFontStyle::fsItalic);
  f.underline = style.Contains(TvnFontStyle::fsUnderline);
  f.strikeOut = style.Contains(TvnFontStyle::fsStrikeOut);
  FCanvas->SetFont(f);
}

TSize TvnVCLCanvas::Measure(const String& AString) {
  SelectFont();
  const pf::Size size = FCanvas->TextExtent(AString);
  return {size.cx, size.cy};
}

std::unique_ptr<vn::TStream> TvnVCLCanvas::GetImageStream(const std::string& /*ABytes*/) { return nullptr; }

void TvnVCLCanvas::DrawString(const String& AString, int32_t ALeft, int32_t ATop, bool AIsHighlighted) {
  if (AString.size() == 1 && IsBreakChar(AString[0])) return;
  String text = AString;
  for (char16_t& c : text)
    if (IsBreakChar(c)) c = u' ';
  SelectFont();
  FCanvas->SetTextColor(ColorToPlatform(CurrentPen().GetColor()));
  if (AIsHighlighted) {
    FCanvas->SetBkColor(ColorToPlatform(CurrentBrush().GetColor()));
    FCanvas->SetBkMode(pf::BkMode::Opaque);
  } else {
    FCanvas->SetBkMode(pf::BkMode::Transparent);
  }
  FCanvas->SetTextAlign(0);  // the point is the top-left of the text cell
  FCanvas->TextOut({ALeft, ATop}, text, {});
}

void TvnVCLCanvas::DrawImage(vn::TStream* AStream, const TRect& ARect) {
  if (!AStream) return;
  const std::string bytes = pf::ReadPictureBytes(*AStream);
  const pf::Picture picture = pf::DecodePicture(std::as_bytes(std::span<const char>(bytes.data(), bytes.size())));
  pf::DrawPicture(*FCanvas, picture, {ARect.Left, ARect.Top, ARect.Right, ARect.Bottom}, 0, true);
}

void TvnVCLCanvas::DrawLine(const TPoint& AStartPoint, const TPoint& AEndPoint) {
  const TvnPen& pen = CurrentPen();
  pf::Pen p;
  p.width = pen.GetWidth();
  p.color = ColorToPlatform(pen.GetColor());
  p.style = ToPlatform(pen.GetStyle());
  FCanvas->SetPen(p);
  FCanvas->MoveTo({AStartPoint.X, AStartPoint.Y});
  FCanvas->LineTo({AEndPoint.X, AEndPoint.Y});
}

void TvnVCLCanvas::DrawRect(const TRect& ARect, bool AIsFill, bool AIsStroke) {
  const pf::Rect r{ARect.Left, ARect.Top, ARect.Right, ARect.Bottom};
  if (AIsFill) {
    pf::Pen none;
    none.style = pf::PenStyle::Clear;
    pf::Brush brush;
    brush.color = ColorToPlatform(CurrentBrush().GetColor());
    FCanvas->SetPen(none);
    FCanvas->SetBrush(brush);
    FCanvas->Rectangle(r);
  }
  if (AIsStroke) {
    // A one-pixel frame inside the rectangle.
    pf::Pen frame;
    frame.width = 0;
    frame.color = ColorToPlatform(CurrentPen().GetColor());
    pf::Brush hollow;
    hollow.style = pf::BrushStyle::Clear;
    FCanvas->SetPen(frame);
    FCanvas->SetBrush(hollow);
    FCanvas->Rectangle(r);
  }
}

}  // namespace vn::framework
