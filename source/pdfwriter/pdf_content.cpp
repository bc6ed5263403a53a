// Page content of the PDF engine: shapes, paths, clips, pens, brushes,
// hatches and opacity as content-stream operators.
//
// Graphics states: the page opens one state (its scaling) that EndPage
// closes; a clip opens at most one more, closed when the clip is restored,
// replaced, or the page ends; every painted shape draws in a state of its
// own, so nothing a shape sets reaches the next one. Each content stream's
// q and Q therefore balance, and nesting never exceeds three levels.
#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>

#include "pdfwriter/pdf_engine.h"
#include "pdfwriter/pdf_syntax_impl.h"
#include "platform/canvas/device_path.h"

namespace vn::pdfwriter {

using vn::exporter::TPenStyle;

namespace {

const double kBezierCircle = 4.0 / 3.0 * (std::sqrt(2.0) - 1.0);

bool IsVisible(const TPen& pen) { return pen.Style != TPenStyle::psClear; }

bool IsHatch(TBrushStyle style) { return style != TBrushStyle::bsSolid && style != TBrushStyle::bsClear; }

// A cubic piece: "x1 y1 x2 y2 x3 y3 c", or "x1 y1 x3 y3 y" when the second
// control point is the end point.
std::string Curve(double x1, double y1, double x2, double y2, double x3, double y3) {
  const std::string sx2 = Num(x2), sy2 = Num(y2), sx3 = Num(x3), sy3 = Num(y3);
  if (sx2 == sx3 && sy2 == sy3) return Num(x1) + " " + Num(y1) + " " + sx3 + " " + sy3 + " y";
  return Num(x1) + " " + Num(y1) + " " + sx2 + " " + sy2 + " " + sx3 + " " + sy3 + " c";
}

std::string FullCurve(double x1, double y1, double x2, double y2, double x3, double y3) {
  return Num(x1) + " " + Num(y1) + " " + Num(x2) + " " + Num(y2) + " " + Num(x3) + " " + Num(y3) + " c ";
}

// The four curves of an ellipse in a box of page coordinates, starting at
// the top centre.
struct EllipseBox {
  double L, R, B, T, cx, cy, rx, ry;
  EllipseBox(double x1, double y1, double x2, double y2) {
    L = std::min(x1, x2);
    R = std::max(x1, x2);
    B = std::min(y1, y2);
    T = std::max(y1, y2);
    cx = (L + R) / 2;
    cy = (B + T) / 2;
    rx = cx - L;
    ry = T - cy;
  }
  std::string Curve1(double dx = 0, double dy = 0) const {
    const double k = kBezierCircle;
    return Curve(cx + k * rx + dx, T + dy, R + dx, cy + k * ry + dy, R + dx, cy + dy);
  }
  std::string Curve2(double dx = 0, double dy = 0) const {
    const double k = kBezierCircle;
    return Curve(R + dx, cy - k * ry + dy, cx + k * rx + dx, B + dy, cx + dx, B + dy);
  }
  std::string Curve3(double dx = 0, double dy = 0) const {
    const double k = kBezierCircle;
    return Curve(cx - k * rx + dx, B + dy, L + dx, cy - k * ry + dy, L + dx, cy + dy);
  }
  std::string Curve4(double dx = 0, double dy = 0) const {
    const double k = kBezierCircle;
    return Curve(L + dx, cy + k * ry + dy, cx - k * rx + dx, T + dy, cx + dx, T + dy);
  }
  std::string Path() const {
    return Num(cx) + " " + Num(T) + " m " + Curve1() + " " + Curve2() + " " + Curve3() + " " + Curve4() + " ";
  }
};

// The angle in degrees of (x, y) around (cx, cy), 0 <= angle < 360 except
// for points left of the centre (as the arc construction expects).
double GetPointAngle(double x, double y, double cx, double cy) {
  if (x == cx) return y > cy ? 90 : 270;
  double angle = std::atan((y - cy) / (x - cx)) * 180 / kPi;
  if (x > cx) {
    angle += 360;
    if (angle >= 360) angle -= 360;
  } else {
    angle += 180;
  }
  return angle;
}

// Dashes a stroke may run off the page (a reader draws them all), and how
// much wider than the page's larger side a line may be.
constexpr double kMaxHiddenDashes = 1000;
constexpr double kMaxWidthInPages = 8;

// The figures of a path as this file writes it (numbers, then "m", "l",
// "c", "v", "y", "re" or "h"), for measuring.
vn::platform::DevicePath ReadPath(std::string_view text) {
  vn::platform::DevicePath path;
  double v[6];
  int n = 0;
  for (size_t i = 0; i < text.size();) {
    if (std::isspace(static_cast<unsigned char>(text[i]))) {
      ++i;
      continue;
    }
    size_t end = i;
    while (end < text.size() && !std::isspace(static_cast<unsigned char>(text[end]))) ++end;
    const std::string_view token = text.substr(i, end - i);
    i = end;
    double number = 0;
    const char* first = token.data() + (token.front() == '+' ? 1 : 0);
    if (const auto r = std::from_chars(first, token.data() + token.size(), number);
        r.ec == std::errc() && r.ptr == token.data() + token.size()) {
      if (n == 6) std::copy(v + 1, v + 6, v), n = 5;
      v[n++] = number;
      continue;
    }
    auto at = [&](int k) { return vn::platform::DevicePoint{v[n - k], v[n - k + 1]}; };
    if (token == "m" && n >= 2) path.MoveTo(at(2));
    else if (token == "l" && n >= 2) path.LineTo(at(2));
    else if (token == "c" && n >= 6) path.CurveTo(at(6), at(4), at(2));
    else if (token == "v" && n >= 4) path.CurveTo(path.CurrentPoint(), at(4), at(2));
    else if (token == "y" && n >= 4) path.CurveTo(at(4), at(2), at(2));
    else if (token == "h") path.Close();
    else if (token == "re" && n >= 4) {
      const double x = v[n - 4], y = v[n - 3], w = v[n - 2], h = v[n - 1];
      path.MoveTo({x, y});
      path.LineTo({x + w, y});
      path.LineTo({x + w, y + h});
      path.LineTo({x, y + h});
      path.Close();
    }
    n = 0;
  }
  return path;
}

// The length of one period of a pen style's dashes, content units.
double DashPeriod(TPenStyle style) {
  switch (style) {
    case TPenStyle::psDash: return 24;
    case TPenStyle::psDot: return 7;
    case TPenStyle::psDashDot: return 18;
    case TPenStyle::psDashDotDot: return 28;
    default: return 0;
  }
}

}  // namespace

// ---- coordinates and operator pieces

double TvnCustomPDFEngine::ResolutionFactorX() const {
  const double ppi = vn::framework::ScreenPixelsPerInch;
  return InputXRes() > 0 ? InputXRes() / ppi : 1.0;
}

double TvnCustomPDFEngine::ResolutionFactorY() const {
  const double ppi = vn::framework::ScreenPixelsPerInch;
  return InputYRes() > 0 ? InputYRes() / ppi : 1.0;
}

double TvnCustomPDFEngine::ConvX(double x) const { return x * FPixelToPointMultiplier * ResolutionFactorX(); }

double TvnCustomPDFEngine::ConvY(double y) const {
  const double sy = ResolutionFactorY();
  const TvnPageInfo* info = CurrentPageInfo();
  if (!info || info->Height == 0) return y * FPixelToPointMultiplier * sy;
  return info->Height * sy - y * FPixelToPointMultiplier * sy;
}

double TvnCustomPDFEngine::ConvW(double w) const { return ConvX(w); }

double TvnCustomPDFEngine::ConvH(double h) const { return h * FPixelToPointMultiplier * ResolutionFactorY(); }

std::string TvnCustomPDFEngine::GetCSForStroke(TColor color) const {
  const std::string rgb = vn::ToUtf8(vn::framework::ColorToPDFRGBText(color));
  if (FIsPDFA && HasOutputColourSpace()) return "/CS0 CS " + rgb + " SCN";
  return rgb + " RG";
}

std::string TvnCustomPDFEngine::GetCSForFill(TColor color) const {
  const std::string rgb = vn::ToUtf8(vn::framework::ColorToPDFRGBText(color));
  if (FIsPDFA && HasOutputColourSpace()) return "/CS0 cs " + rgb + " scn";
  return rgb + " rg";
}

std::string TvnCustomPDFEngine::LineStyleText(const TPen& pen) const {
  std::string text;
  switch (pen.Style) {
    case TPenStyle::psSolid: text = "[]0 d "; break;
    case TPenStyle::psDash: text = "[16 8]0 d "; break;
    case TPenStyle::psDot: text = "[3 4]0 d "; break;
    case TPenStyle::psDashDot: text = "[8 4 2 4]0 d "; break;
    case TPenStyle::psDashDotDot: text = "[8 4 2 4 2 8]0 d "; break;
    default: break;
  }
  using vn::exporter::TvnPenCapStyle;
  using vn::exporter::TvnPenJoinStyle;
  switch (FPenJoin) {
    case TvnPenJoinStyle::pjsBevel: text += "2 j "; break;
    case TvnPenJoinStyle::pjsMiter: text += "0 j "; break;
    case TvnPenJoinStyle::pjsRound: text += "1 j "; break;
    case TvnPenJoinStyle::pjsNone: break;
  }
  switch (FPenCap) {
    case TvnPenCapStyle::pcsRound: text += "1 J "; break;
    case TvnPenCapStyle::pcsSquare: text += "2 J "; break;
    case TvnPenCapStyle::pcsFlat: text += "0 J "; break;
    case TvnPenCapStyle::pcsNone: break;
  }
  return text;
}

TPen TvnCustomPDFEngine::StrokePen(const TPen& pen, double& width, std::string_view path) const {
  const TvnPageInfo* info = CurrentPageInfo();
  if (!info || !(info->Width > 0 && info->Height > 0)) return pen;
  const vn::platform::DeviceBox page{0, 0, info->Width * ResolutionFactorX(), info->Height * ResolutionFactorY()};
  width = std::min(width, kMaxWidthInPages * std::max(page.right, page.bottom));
  const double period = DashPeriod(pen.Style);
  if (period == 0) return pen;
  if (DashesMostlyHidden(period, width, path)) {
    TPen solid = pen;
    solid.Style = TPenStyle::psSolid;
    return solid;
  }
  return pen;
}

bool TvnCustomPDFEngine::DashesMostlyHidden(double period, double width, std::string_view path) const {
  const TvnPageInfo* info = CurrentPageInfo();
  if (!info || !(info->Width > 0 && info->Height > 0)) return false;
  const vn::platform::DeviceBox page{0, 0, info->Width * ResolutionFactorX(), info->Height * ResolutionFactorY()};
  const vn::platform::DevicePath figures = ReadPath(path);
  const double hidden = figures.Length() - figures.LengthWithin(page.Grown(width / 2));
  return !(hidden / period <= kMaxHiddenDashes);
}

std::string TvnCustomPDFEngine::PenText(const TPen& pen, std::string_view path) const {
  double width = pen.Width == 0 ? 0.001 : pen.Width * FPixelToPointMultiplier;
  const TPen drawn = StrokePen(pen, width, path);
  return LineStyleText(drawn) + Num(width) + " w " + GetCSForStroke(pen.Color) + " ";
}

std::string TvnCustomPDFEngine::ExactPenText(const vn::exporter::TvnExactPen& pen, TColor color, double unit,
                                             double content, std::string_view path) const {
  using vn::exporter::TvnPenCapStyle;
  using vn::exporter::TvnPenJoinStyle;
  // Widths and dashes are measured in content units (`content` per pen
  // unit) and written in the units the stroke is drawn in (`unit`).
  double width = pen.Width * content;
  TPen plain;
  plain.Style = TPenStyle::psSolid;
  StrokePen(plain, width, path);  // keeps absurd widths to the page's size
  double period = 0;
  for (double d : pen.Dashes) period += d;
  // Dashes mostly off the page are drawn solid, as for the other pens.
  const bool dashed = !pen.Dashes.empty() && period * content > 0 && std::isfinite(period * content) &&
                      !DashesMostlyHidden(period * content, width, path);
  std::string text = "[";
  if (dashed)
    for (size_t i = 0; i < pen.Dashes.size(); ++i) text += (i ? " " : "") + Num(pen.Dashes[i] * unit);
  text += "]" + Num(dashed ? std::fmod(pen.DashOffset, period) * unit : 0) + " d ";
  switch (pen.Join) {
    case TvnPenJoinStyle::pjsBevel: text += "2 j "; break;
    case TvnPenJoinStyle::pjsRound: text += "1 j "; break;
    default: text += "0 j "; break;
  }
  switch (pen.Cap) {
    case TvnPenCapStyle::pcsRound: text += "1 J "; break;
    case TvnPenCapStyle::pcsSquare: text += "2 J "; break;
    default: text += "0 J "; break;
  }
  const double written = content > 0 ? width / content * unit : 0;
  return text + Num(pen.MiterLimit) + " M " + Num(written) + " w " + GetCSForStroke(color) + " ";
}

std::string TvnCustomPDFEngine::ExactStroke(const vn::exporter::TvnExactPen& pen, TColor color, std::string& path) const {
  const double k = FPixelToPointMultiplier;
  const vn::platform::Transform m{pen.M11, pen.M12, pen.M21, pen.M22, 0, 0};
  const double major = vn::platform::MajorAxis(m), minor = vn::platform::MinorAxis(m);
  if (!(minor > 0) || !std::isfinite(major)) return ExactPenText(pen, color, 0, 0, path);
  if (major - minor <= 1e-6 * major) return ExactPenText(pen, color, major * k, major * k, path);
  // A pen the transform stretches: the stroke is drawn in the pen's own
  // units under a matrix (content units, y up), its path mapped back.
  const double a = k * pen.M11, b = -k * pen.M12, c = k * pen.M21, d = -k * pen.M22;
  const double det = a * d - b * c;
  const std::string state = ExactPenText(pen, color, 1, std::sqrt(std::abs(det)), path);
  const vn::platform::DevicePath figures = ReadPath(path);
  // The inverse of x' = a x + c y, y' = b x + d y.
  auto back = [&](vn::platform::DevicePoint p) {
    return Num((d * p.x - c * p.y) / det) + " " + Num((a * p.y - b * p.x) / det);
  };
  std::string mapped;
  const auto points = figures.Points();
  size_t at = 0;
  for (vn::platform::DevicePath::Op op : figures.Ops()) {
    switch (op) {
      case vn::platform::DevicePath::Op::Move: mapped += back(points[at++]) + " m "; break;
      case vn::platform::DevicePath::Op::Line: mapped += back(points[at++]) + " l "; break;
      case vn::platform::DevicePath::Op::Curve:
        mapped += back(points[at]) + " " + back(points[at + 1]) + " " + back(points[at + 2]) + " c ";
        at += 3;
        break;
      case vn::platform::DevicePath::Op::Close: mapped += "h "; break;
    }
  }
  path = std::move(mapped);
  return Num(a) + " " + Num(b) + " " + Num(c) + " " + Num(d) + " 0 0 cm " + state;
}

std::string TvnCustomPDFEngine::AlphaPrefix(double opacity) {
  if (!(opacity < 1)) return {};
  return OpacityPrefix(static_cast<int32_t>(std::lround(std::max(0.0, opacity) * 100)));
}

std::string TvnCustomPDFEngine::OpacityPrefix(int32_t opacity) {
  if (opacity >= 100 || !AllowsTransparency()) return {};
  if (opacity < 0) opacity = 0;
  // One state per opacity value, named by a counter of the document.
  auto found = FPDGStateByOpacity.find(opacity);
  if (found == FPDGStateByOpacity.end()) {
    TvnPDGState state;
    state.ObjNo = NewObjectNumber();
    state.Tag = "/GS" + std::to_string(FPDGStateList.size() + 1);
    const std::string v = vn::ToUtf8(vn::framework::FloatToDotText(opacity / 100.0));
    WriteObject("/Type" + std::string(kCRLF) + "/ExtGState" + kCRLF + "/ca " + v + kCRLF + "/CA " + v + kCRLF, state.ObjNo,
                true);
    FPDGStateList.push_back(state);
    found = FPDGStateByOpacity.emplace(opacity, FPDGStateList.size() - 1).first;
  }
  return FPDGStateList[found->second].Tag + " gs" + kCRLF;
}

std::string TvnCustomPDFEngine::BlendPrefix(uint8_t mode) {
  static constexpr const char* kNames[] = {"Normal",     "Multiply",   "Screen",     "Overlay",
                                           "Darken",     "Lighten",    "ColorDodge", "ColorBurn",
                                           "HardLight",  "SoftLight",  "Difference", "Exclusion",
                                           "Hue",        "Saturation", "Color",      "Luminosity"};
  if (mode == 0 || mode >= std::size(kNames) || !AllowsTransparency()) return {};
  auto found = FPDGStateByBlend.find(mode);
  if (found == FPDGStateByBlend.end()) {
    TvnPDGState state;
    state.ObjNo = NewObjectNumber();
    state.Tag = "/GS" + std::to_string(FPDGStateList.size() + 1);
    WriteObject("/Type" + std::string(kCRLF) + "/ExtGState" + kCRLF + "/BM /" + kNames[mode] + kCRLF, state.ObjNo, true);
    FPDGStateList.push_back(state);
    found = FPDGStateByBlend.emplace(mode, FPDGStateList.size() - 1).first;
  }
  return FPDGStateList[found->second].Tag + " gs" + kCRLF;
}

std::string TvnCustomPDFEngine::GetPatternName(TBrushStyle style) {
  const char* name = nullptr;
  switch (style) {
    case TBrushStyle::bsHorizontal: name = "PH"; break;
    case TBrushStyle::bsVertical: name = "PV"; break;
    case TBrushStyle::bsFDiagonal: name = "PFD"; break;
    case TBrushStyle::bsBDiagonal: name = "PBD"; break;
    case TBrushStyle::bsCross: name = "PC"; break;
    case TBrushStyle::bsDiagCross: name = "PDC"; break;
    default: return {};
  }
  for (const auto& entry : FPattern)
    if (entry.first == name) return name;
  FPattern.emplace_back(name, NewObjectNumber());
  return name;
}

std::string TvnCustomPDFEngine::BrushFill(const TBrush* brush, const std::string& path, bool& hatched) {
  hatched = false;
  if (!brush) return {};
  if (brush->Style == TBrushStyle::bsSolid) return GetCSForFill(brush->Color) + " " + path + " f ";
  if (!IsHatch(brush->Style)) return {};
  hatched = true;
  return HatchFillColour(*brush) + " " + path + " f ";
}

std::string TvnCustomPDFEngine::HatchFillColour(const TBrush& brush) {
  return "/CSP cs " + vn::ToUtf8(vn::framework::ColorToPDFRGBText(brush.Color)) + " /" + GetPatternName(brush.Style) + " scn";
}

void TvnCustomPDFEngine::WriteShape(const std::string& text) {
  if (text.empty()) return;
  WriteContent(std::string(kCRLF) + "q" + kCRLF + text + kCRLF + "Q");
}

void TvnCustomPDFEngine::PaintFigure(const std::string& path, const std::string& pen_text, const TBrush* brush) {
  bool hatched = false;
  std::string body = BrushFill(brush, path, hatched);
  // After a hatch fill the outline closes and fills again with the pattern.
  if (!pen_text.empty()) body += pen_text + path + (hatched ? " b" : " s");
  if (!body.empty()) WriteShape(OpacityPrefix(RenderingLineArt().Opacity) + body);
}

void TvnCustomPDFEngine::CloseClips() {
  for (; FClipDepth > 0; --FClipDepth) WriteContent(" Q " + std::string(kCRLF));
  FIsClipState = false;
}

// ---- path bracket

void TvnCustomPDFEngine::PathMoveOrContinue(const TvnPoint& p, bool new_figure) {
  // A figure continues only from its current point (the drawing calls that
  // continue a figure start at the current position); anything else starts
  // a new figure.
  if (new_figure || FFirstPoint || !FCurrentPoint || !(*FCurrentPoint == p)) {
    FPath += FormatPoint(p.X, p.Y) + " m ";
    FInitialPos = p;
    FFirstPoint = false;
  }
  FCurrentPoint = p;
}

// ---- shapes

void TvnCustomPDFEngine::DrawLine(double x1, double y1, double x2, double y2, const TPen& pen) {
  if (FPathStatus == TvnPathStatus::psPathBegins) {
    PathMoveOrContinue({x1, y1}, false);
    FPath += FormatPoint(x2, y2) + " l ";
    FCurrentPoint = TvnPoint{x2, y2};
    return;
  }
  if (!IsVisible(pen)) return;
  const std::string path = FormatPoint(x1, y1) + " m " + FormatPoint(x2, y2) + " l";
  WriteShape(PenText(pen, path) + path + " S");
}

void TvnCustomPDFEngine::DrawRectangle(double x1, double y1, double x2, double y2, const TPen& pen, const TBrush* brush) {
  const std::string r = Num(ConvX(x1)) + " " + Num(ConvY(y2)) + " " + Num(ConvW(x2 - x1)) + " " + Num(ConvH(y2 - y1)) + " re";
  if (FPathStatus == TvnPathStatus::psPathBegins) {
    FPath += r + " ";
    FCurrentPoint = TvnPoint{x1, y2};
    FInitialPos = *FCurrentPoint;
    FFirstPoint = true;
    return;
  }
  PaintFigure(r, IsVisible(pen) ? PenText(pen, r) : std::string(), brush);
}

void TvnCustomPDFEngine::DrawEllipse(double x1, double y1, double x2, double y2, const TPen& pen, const TBrush* brush) {
  const EllipseBox box(ConvX(x1), ConvY(y1), ConvX(x2), ConvY(y2));
  if (FPathStatus == TvnPathStatus::psPathBegins) {
    FPath += box.Path();
    FInitialPos = TvnPoint{(x1 + x2) / 2, std::max(y1, y2)};
    FCurrentPoint = FInitialPos;
    FFirstPoint = true;
    return;
  }
  const std::string path = box.Path();
  PaintFigure(path, IsVisible(pen) ? PenText(pen, path) : std::string(), brush);
}

void TvnCustomPDFEngine::DrawRoundRect(double x1, double y1, double x2, double y2, double cw, double ch, const TPen& pen,
                                       const TBrush* brush) {
  if (cw > std::fabs(x2 - x1)) cw = std::fabs(x2 - x1) + 1;
  if (ch > std::fabs(y2 - y1)) ch = std::fabs(y2 - y1) + 1;
  const EllipseBox c(ConvX(x1), ConvY(y1), ConvX(x1 + cw), ConvY(y1 + ch));
  const double dx = ConvW(x2 - x1 - cw), dy = ConvH(y2 - y1 - ch);
  const std::string rr = Num(c.cx) + " " + Num(c.T) + " m " + Num(c.cx + dx) + " " + Num(c.T) + " l " + c.Curve1(dx, 0) + " " +
                         Num(c.R + dx) + " " + Num(c.cy - dy) + " l " + c.Curve2(dx, -dy) + " " + Num(c.cx) + " " +
                         Num(c.B - dy) + " l " + c.Curve3(0, -dy) + " " + Num(c.L) + " " + Num(c.cy) + " l " + c.Curve4() +
                         " ";
  if (FPathStatus == TvnPathStatus::psPathBegins) {
    FPath += rr;
    FFirstPoint = true;
    return;
  }
  PaintFigure(rr, IsVisible(pen) ? PenText(pen, rr) : std::string(), brush);
}

std::string TvnCustomPDFEngine::GetArcPath(double x1, double y1, double x2, double y2, double x3, double y3, double x4,
                                           double y4) const {
  const double px1 = ConvX(x1), py1 = ConvY(y1), px2 = ConvX(x2), py2 = ConvY(y2);
  const double cx = (px1 + px2) / 2, cy = (py1 + py2) / 2;
  const double rx = std::fabs(px2 - px1) / 2, ry = std::fabs(py2 - py1) / 2;
  double a = GetPointAngle(ConvX(x3), ConvY(y3), cx, cy) + 180;
  double b = GetPointAngle(ConvX(x4), ConvY(y4), cx, cy) + 180;
  while (b <= a) b += 360;
  const auto rad = [](double degrees) { return degrees * kPi / 180; };
  std::string text = Num(cx - rx * std::cos(rad(a))) + " " + Num(cy - ry * std::sin(rad(a))) + " m";
  const auto piece = [&](double s, double e) {
    const double d = rad(e - s);
    const double k = s == e ? 0 : 4.0 / 3.0 * (1 - std::cos(d / 2)) / std::sin(d / 2);
    const double cs = std::cos(rad(s)), ss = std::sin(rad(s)), ce = std::cos(rad(e)), se = std::sin(rad(e));
    text += " " + Curve(cx - rx * (cs - k * ss), cy - ry * (ss + k * cs), cx - rx * (ce + k * se), cy - ry * (se - k * ce),
                        cx - rx * ce, cy - ry * se);
  };
  while (b - a > 90) {
    piece(a, a + 90);
    a += 90;
  }
  if (b != a) piece(a, b);
  return text;
}

void TvnCustomPDFEngine::DrawArc(double x1, double y1, double x2, double y2, double x3, double y3, double x4, double y4,
                                 const TPen& pen) {
  const std::string arc = GetArcPath(x1, y1, x2, y2, x3, y3, x4, y4);
  if (FPathStatus == TvnPathStatus::psPathBegins) {
    FPath += arc + " ";
    FFirstPoint = true;
    return;
  }
  if (!IsVisible(pen)) return;
  WriteShape(OpacityPrefix(RenderingLineArt().Opacity) + PenText(pen, arc) + arc + " S");
}

void TvnCustomPDFEngine::DrawChord(double x1, double y1, double x2, double y2, double x3, double y3, double x4, double y4,
                                   const TPen& pen, const TBrush* brush) {
  const std::string arc = GetArcPath(x1, y1, x2, y2, x3, y3, x4, y4);
  if (FPathStatus == TvnPathStatus::psPathBegins) {
    FPath += arc + " h ";
    FFirstPoint = true;
    return;
  }
  PaintFigure(arc, IsVisible(pen) ? PenText(pen, arc) : std::string(), brush);
}

void TvnCustomPDFEngine::DrawPie(double x1, double y1, double x2, double y2, double x3, double y3, double x4, double y4,
                                 const TPen& pen, const TBrush* brush) {
  const double cx = (ConvX(x1) + ConvX(x2)) / 2, cy = (ConvY(y1) + ConvY(y2)) / 2;
  const std::string p = GetArcPath(x1, y1, x2, y2, x3, y3, x4, y4) + " " + Num(cx) + " " + Num(cy) + " l";
  if (FPathStatus == TvnPathStatus::psPathBegins) {
    FPath += p + " h ";
    FFirstPoint = true;
    return;
  }
  PaintFigure(p, IsVisible(pen) ? PenText(pen, p) : std::string(), brush);
}

void TvnCustomPDFEngine::DrawPolygon(const TvnPoints& points, int32_t no_points, const TBrush* brush, const TPen& pen,
                                     bool closed) {
  const size_t n = std::min(points.size(), static_cast<size_t>(std::max(no_points, 0)));
  if (n == 0) return;
  if (FPathStatus == TvnPathStatus::psPathBegins) {
    PathMoveOrContinue(points[0], closed);
    for (size_t i = 1; i < n; ++i) FPath += FormatPoint(points[i].X, points[i].Y) + " l ";
    FCurrentPoint = points[n - 1];
    if (closed) {
      // A polygon is a closed figure of its own.
      FPath += "h ";
      FCurrentPoint = points[0];
      FFirstPoint = true;
    }
    return;
  }
  std::string path = FormatPoint(points[0].X, points[0].Y) + " m ";
  for (size_t i = 1; i < n; ++i) path += FormatPoint(points[i].X, points[i].Y) + " l ";
  const bool pen_visible = IsVisible(pen);
  if (!closed) {
    if (pen_visible) WriteShape(PenText(pen, path) + path + " S ");
    return;
  }
  const bool solid = brush && brush->Style == TBrushStyle::bsSolid;
  const bool hatch = brush && IsHatch(brush->Style);
  if (!pen_visible && !solid && !hatch) return;
  path += FormatPoint(points[0].X, points[0].Y) + " l ";
  std::string text = OpacityPrefix(RenderingLineArt().Opacity);
  if (hatch)
    text += HatchFillColour(*brush) + " ";
  else if (solid)
    text += GetCSForFill(brush->Color) + " ";
  if (pen_visible) {
    text += PenText(pen, path) + path + (solid ? "B* " : hatch ? " B" : " s");
  } else {
    // Filled without an outline (a hatch fills like a solid brush).
    text += path + " f ";
  }
  WriteShape(text);
}

void TvnCustomPDFEngine::DrawPolyBezier(const TvnPoints& points, int32_t no_points, const TPen& pen) {
  const size_t n = std::min(points.size(), static_cast<size_t>(std::max(no_points, 0)));
  if (n == 0) return;
  const size_t high = n - 1;
  std::string curves;
  for (size_t i = 1; i + 2 <= 3 * (high / 3); i += 3)
    curves += FullCurve(ConvX(points[i].X), ConvY(points[i].Y), ConvX(points[i + 1].X), ConvY(points[i + 1].Y),
                        ConvX(points[i + 2].X), ConvY(points[i + 2].Y));
  if (FPathStatus == TvnPathStatus::psPathBegins) {
    PathMoveOrContinue(points[0], false);
    FPath += curves;
    if (high >= 3) FCurrentPoint = points[3 * (high / 3)];
    return;
  }
  if (!IsVisible(pen) || n < 4) return;
  const std::string path = FormatPoint(points[0].X, points[0].Y) + " m " + curves;
  WriteShape(OpacityPrefix(RenderingLineArt().Opacity) + PenText(pen, path) + path + "S");
}

void TvnCustomPDFEngine::DrawPolyShape(vn::exporter::TvnPolyShapeItem& item, bool closed) {
  if (item.Shapes.empty() || !item.Shapes.front()) return;
  const vn::exporter::TvnShapeItem& first = *item.Shapes.front();
  std::string path;
  for (const auto& shape : item.Shapes) {
    if (!shape || shape->GetPoints().empty()) continue;
    const TvnPoints& p = shape->GetPoints();
    path += FormatPoint(p[0].X, p[0].Y) + " m ";
    for (size_t i = 1; i < p.size(); ++i) path += FormatPoint(p[i].X, p[i].Y) + " l ";
    if (closed) path += FormatPoint(p[0].X, p[0].Y) + " l ";
  }
  if (FPathStatus == TvnPathStatus::psPathBegins) {
    FPath += path;
    FFirstPoint = true;
    return;
  }
  const TBrush* brush = first.Brush ? &*first.Brush : nullptr;
  const bool fills = closed && brush && brush->Style != TBrushStyle::bsClear;
  const bool pen_visible = IsVisible(first.Pen);
  if (!pen_visible && !fills) return;
  std::string text = OpacityPrefix(first.LineArtSettings.Opacity);
  if (pen_visible) text += PenText(first.Pen, path);
  const char* fill_op = item.FillAlternate ? "f*" : "f";
  if (fills && brush->Style == TBrushStyle::bsSolid)
    text += GetCSForFill(brush->Color) + kCRLF + path + kCRLF + fill_op;
  else if (fills && IsHatch(brush->Style))
    text += HatchFillColour(*brush) + kCRLF + path + kCRLF + fill_op;
  if (pen_visible) text += std::string(" ") + path + (closed ? "s" : "S");
  WriteShape(text);
}

// ---- items

void TvnCustomPDFEngine::RenderPolyPolygonItem(vn::exporter::TvnPolyPolygonItem& item) {
  std::string path;
  size_t next = 0;
  for (int32_t poly = 1; poly <= item.NoPoly && static_cast<size_t>(poly) < item.NoPoints.size(); ++poly) {
    const int32_t count = item.NoPoints[static_cast<size_t>(poly)];
    if (count <= 0) continue;
    // Counts that run past the points end the item there.
    if (next + static_cast<size_t>(count) > item.Points.size()) break;
    for (int32_t i = 0; i < count; ++i, ++next) {
      const TvnPoint& p = item.Points[next];
      path += FormatPoint(p.X, p.Y) + (i == 0 ? " m " : " l ") + kCRLF;
    }
    // Each polygon is a closed figure, so its outline is stroked all round.
    path += std::string("h") + kCRLF;
  }
  if (path.empty()) return;
  if (FPathStatus == TvnPathStatus::psPathBegins) {
    FPath += path;
    FFirstPoint = true;
    return;
  }
  const bool pen_visible = IsVisible(item.Pen);
  const bool fills = item.Brush.Style != TBrushStyle::bsClear;
  if (!pen_visible && !fills) return;
  std::string text = OpacityPrefix(RenderingLineArt().Opacity);
  const char* fill_op = item.FillAlternate ? "f*" : "f";
  if (item.Brush.Style == TBrushStyle::bsSolid)
    text += GetCSForFill(item.Brush.Color) + kCRLF + path + fill_op + kCRLF;
  else if (IsHatch(item.Brush.Style))
    text += HatchFillColour(item.Brush) + kCRLF + path + fill_op + kCRLF;
  if (pen_visible) text += PenText(item.Pen, path) + kCRLF + path + " S";
  WriteShape(text);
}

void TvnCustomPDFEngine::RenderPolyDrawItem(vn::exporter::TvnPolyDrawItem& item) {
  const size_t n = std::min(item.Points.size(), item.Operations.size());
  std::string path;
  bool has_current = false;
  for (size_t i = 0; i < n;) {
    const TvnPoint& p = item.Points[i];
    switch (item.Operations[i]) {
      case 6:
        path += FormatPoint(p.X, p.Y) + " m " + kCRLF;
        has_current = true;
        ++i;
        break;
      case 2:
      case 3:
        // A line without a current point starts the figure there.
        path += FormatPoint(p.X, p.Y) + (has_current ? " l " : " m ") + kCRLF;
        if (item.Operations[i] == 3) {
          path += std::string("h") + kCRLF;
          FIsPathClosed = true;
        }
        has_current = true;
        ++i;
        break;
      case 4:
        if (i + 2 >= n || !has_current) {
          i = n;  // a curve without its three points or its start ends the walk
          break;
        }
        path += FullCurve(ConvX(p.X), ConvY(p.Y), ConvX(item.Points[i + 1].X), ConvY(item.Points[i + 1].Y),
                          ConvX(item.Points[i + 2].X), ConvY(item.Points[i + 2].Y));
        if (item.Operations[i + 2] == 5) {
          path += std::string("h") + kCRLF;
          FIsPathClosed = true;
        }
        i += 3;
        break;
      default: ++i;  // a point of another type is skipped
    }
  }
  if (path.empty()) return;
  if (FPathStatus == TvnPathStatus::psPathBegins) {
    FPath += path;
    FFirstPoint = true;
    return;
  }
  // Outside a path the figures are drawn with the item's pen.
  if (IsVisible(item.Pen)) WriteShape(PenText(item.Pen, path) + kCRLF + path + "S");
}

void TvnCustomPDFEngine::RenderPathItem(vn::exporter::TvnPathItem& item) {
  using vn::exporter::TvnPathOperation;
  const TPen pen = item.Pen ? *item.Pen : TPen{};
  const bool pen_visible = item.Pen && IsVisible(*item.Pen);
  const bool brush_clear = !item.Brush || item.Brush->Style == TBrushStyle::bsClear;
  const auto paint = [&](const std::string& op, const std::string& state) {
    FPathStatus = TvnPathStatus::psNoPath;
    if (!FPath.empty()) WriteShape(state + kCRLF + FPath + op);
    FPath.clear();
  };
  switch (item.PathOperation) {
    case TvnPathOperation::poBeginPath:
      FPathStatus = TvnPathStatus::psPathBegins;
      FFirstPoint = true;
      FIsPathClosed = false;
      FCurrentPoint.reset();
      FPath.clear();
      break;
    case TvnPathOperation::poEndPath:
      if (FPathStatus == TvnPathStatus::psPathBegins) FPathStatus = TvnPathStatus::psPathEnds;
      break;
    case TvnPathOperation::poCloseFigure:
      if (FPathStatus == TvnPathStatus::psPathBegins) {
        if (!FPath.empty()) FPath += "h ";
        FIsPathClosed = true;
        FFirstPoint = true;
      }
      break;
    case TvnPathOperation::poAbortPath:
      FPath.clear();
      FPathStatus = TvnPathStatus::psNoPath;
      break;
    case TvnPathOperation::poFillPath: {
      const std::string fill =
          item.Brush ? BlendPrefix(item.BlendMode) + AlphaPrefix(item.FillOpacity) + GetCSForFill(item.Brush->Color)
                 : std::string();
      if (brush_clear) {
        FPath.clear();  // nothing to fill with
        FPathStatus = TvnPathStatus::psNoPath;
        break;
      }
      paint(std::string(item.FillAlternate ? "h f*" : "h f") + kCRLF, fill);
      break;
    }
    case TvnPathOperation::poStrokeAndFillPath:
    case TvnPathOperation::poStrokePath: {
      const bool fill = item.PathOperation == TvnPathOperation::poStrokeAndFillPath && !brush_clear;
      std::string op, state;
      // A stroke of a fractional recording draws with its exact pen.
      const auto stroke = [&] { return item.ExactPen ? ExactStroke(*item.ExactPen, pen.Color, FPath) : PenText(pen, FPath); };
      if (fill && pen_visible) {
        op = FIsPathClosed ? (item.FillAlternate ? "b*" : "b") : (item.FillAlternate ? "B*" : "B");
        state = BlendPrefix(item.BlendMode) + AlphaPrefix(item.FillOpacity) + stroke() + GetCSForFill(item.Brush->Color) + " ";
      } else if (fill) {
        op = item.FillAlternate ? "f*" : "f";
        state = BlendPrefix(item.BlendMode) + AlphaPrefix(item.FillOpacity) + GetCSForFill(item.Brush->Color) + " ";
      } else if (pen_visible) {
        op = FIsPathClosed ? "s" : "S";
        state = BlendPrefix(item.BlendMode) + AlphaPrefix(item.StrokeOpacity) + stroke();
      } else {
        FPath.clear();
        FPathStatus = TvnPathStatus::psNoPath;
        break;
      }
      paint(op + kCRLF, state);
      break;
    }
    case TvnPathOperation::poSelectClipPath: {
      FPathStatus = TvnPathStatus::psNoPath;
      const uint32_t mode = item.Mode;
      if (FPath.empty() || (mode != 1 && mode != 5)) {
        // Union, exclusive or and difference have no clip operator; the
        // clip stays as it is.
        FPath.clear();
        break;
      }
      if (FIsPathClosed) FPath += FormatPoint(FInitialPos.X, FInitialPos.Y) + " l ";
      if (mode == 5) CloseClips();  // copy replaces the clip in force
      std::string text = kCRLF;
      if (FClipDepth == 0) {
        text += " q " + std::string(kCRLF);
        FClipDepth = 1;
      }
      WriteContent(text + FPath + (item.ClipWinding ? " W n " : " W* n ") + kCRLF);
      FIsClipPath = true;
      FIsClipState = true;
      FPath.clear();
      break;
    }
  }
}

void TvnCustomPDFEngine::RenderClipItem(vn::exporter::TvnClipItem& item) {
  if (item.Restore) {
    if (FIsClipState) CloseClips();
    return;
  }
  if (item.Mode != 1 && item.Mode != 5) return;  // union, xor and difference: the clip stays
  std::string path;
  const auto add = [&](const vn::framework::TRect& r) {
    const std::string l = Num(ConvX(r.Left)), t = Num(ConvY(r.Top)), rt = Num(ConvX(r.Right)), b = Num(ConvY(r.Bottom));
    path += l + " " + t + " m " + kCRLF + rt + " " + t + " l " + kCRLF + rt + " " + b + " l " + kCRLF + l + " " + b + " l " +
            kCRLF + l + " " + t + " l " + kCRLF;
  };
  if (item.NoRects() < 2) {
    if (item.NoRects() == 1) add(item.GetRects(0));
  } else {
    for (int32_t i = 1; i < item.NoRects(); ++i) add(item.GetRects(i));
  }
  if (path.empty()) return;
  // Copy replaces the clip in force; intersect narrows it.
  if (item.Mode == 5) CloseClips();
  // A blank keeps the path apart from an operator written before it.
  std::string text = " ";
  if (FClipDepth == 0) {
    text = " q ";
    FClipDepth = 1;
  }
  WriteContent(text + path + " W* n " + kCRLF);
  FIsClipState = true;
}

void TvnCustomPDFEngine::RenderEOFItem(vn::exporter::TvnEOFItem& item) {
  if (item.Status && FIsClipState) CloseClips();
  // A path the metafile never painted draws nothing; left open, it would
  // swallow every shape drawn after the metafile.
  FPathStatus = TvnPathStatus::psNoPath;
  FPath.clear();
}

// ---- image frames

void TvnCustomPDFEngine::WriteItemFrame(vn::exporter::TvnImageItem& item, std::string& text) {
  const double m = FPixelToPointMultiplier;
  const TvnRect& r = item.DisplayRect;
  const double l = ConvX(r.Left), t = ConvY(r.Top);
  const double w = m * (r.Right - r.Left), h = m * (r.Bottom - r.Top);
  const double theta = item.Settings.Inclination * kPi / 180;
  const double d = std::sqrt(w * w + h * h);
  const double v = w == 0 ? theta - kPi : theta - std::atan(h / w);
  const TvnPoint p0{l, t}, p1{l + w * std::cos(theta), t + w * std::sin(theta)}, p3{l + h * std::sin(theta), t - h * std::cos(theta)},
      p2{l + d * std::cos(v), t + d * std::sin(v)};
  const auto pt = [](const TvnPoint& p) { return Num(p.X) + " " + Num(p.Y); };
  const std::string path = pt(p0) + " m " + pt(p3) + " l " + pt(p2) + " l " + pt(p1) + " l " + pt(p0) + " l ";
  text.clear();
  if (item.Brush.Style == TBrushStyle::bsSolid) {
    text += std::string(kCRLF) + "q" + kCRLF + GetCSForFill(item.Brush.Color) + kCRLF + path + kCRLF + "f" + kCRLF + "Q";
  } else if (IsHatch(item.Brush.Style)) {
    text += std::string(kCRLF) + "q" + kCRLF + HatchFillColour(item.Brush) + kCRLF + path + kCRLF + "h" + kCRLF + "f" + kCRLF + "Q";
  }
  if (!item.Settings.IsFrame || !IsVisible(item.Pen)) return;
  double width = item.Pen.Width == 0 ? 0.001 : item.Pen.Width * m;
  const TPen drawn = StrokePen(item.Pen, width, path);
  text += std::string(kCRLF) + "q" + kCRLF + LineStyleText(drawn) + Num(width) + " w" + "\r" + GetCSForStroke(item.Pen.Color);
  const vn::exporter::TvnFrame& f = item.Frame;
  if (f.IsLeft && f.IsTop && f.IsRight && f.IsBottom) {
    text += std::string(kCRLF) + path + kCRLF + " s Q";
    return;
  }
  const auto side = [&](const TvnPoint& a, const TvnPoint& b) { text += std::string(kCRLF) + pt(a) + " m " + kCRLF + pt(b) + " l "; };
  if (f.IsLeft) side(p3, p0);
  if (f.IsTop) side(p0, p1);
  if (f.IsRight) side(p1, p2);
  if (f.IsBottom) side(p2, p3);
  text += std::string(kCRLF) + "S" + kCRLF + "Q";
}

}  // namespace vn::pdfwriter
