#include "pdfdocument/pd_content_writer.h"

#include "pdf/text.h"

namespace vn::pdfdoc {

using vn::pdf::FloatToPDText;

TvnPDContentWriter::TvnPDContentWriter(vn::pdf::TvnPDStream* AStream, const TvnPDRect* ABox, int ARotate)
    : FStream(AStream), FRotated(ARotate == 90) {
  if (ABox) {
    FLeft = ABox->Left();
    FTop = ABox->Top();
    FRight = ABox->Right();
  }
}

void TvnPDContentWriter::WriteLine(const std::string& AText) {
  if (!FStream) return;
  FStream->SetPosition(0, vn::SeekOrigin::soEnd);
  FStream->Write(AText + "\r\n");
}

std::string TvnPDContentWriter::PointText(double AX, double AY) const {
  const double x = AX + FLeft;
  const double y = AY + FTop;
  if (FRotated) return FloatToPDText(FRight - y) + " " + FloatToPDText(x);
  return FloatToPDText(x) + " " + FloatToPDText(y);
}

void TvnPDContentWriter::Save() { WriteLine("q"); }
void TvnPDContentWriter::Restore() { WriteLine("Q"); }
void TvnPDContentWriter::MoveTo(double AX, double AY) { WriteLine(PointText(AX, AY) + " m"); }
void TvnPDContentWriter::LineTo(double AX, double AY) { WriteLine(PointText(AX, AY) + " l"); }

void TvnPDContentWriter::CurveTo(double AX1, double AY1, double AX2, double AY2, double AX3, double AY3) {
  WriteLine(PointText(AX1, AY1) + " " + PointText(AX2, AY2) + " " + PointText(AX3, AY3) + " c");
}

void TvnPDContentWriter::Rectangle(double AX1, double AY1, double AX2, double AY2) {
  const double width = AX2 - AX1;
  const double height = AY1 - AY2;
  // On a rotated page the corner (x1, y1) lands at (Right - y1, x1) and the
  // sides turn with it: the height becomes the width and the width the
  // height.
  if (FRotated)
    WriteLine(PointText(AX1, AY1) + " " + FloatToPDText(height) + " " + FloatToPDText(width) + " re");
  else
    WriteLine(PointText(AX1, AY2) + " " + FloatToPDText(width) + " " + FloatToPDText(height) + " re");
}

void TvnPDContentWriter::ClosePath() { WriteLine("h"); }
void TvnPDContentWriter::StrokePath() { WriteLine("S"); }
void TvnPDContentWriter::CloseAndStrokePath() { WriteLine("s"); }
void TvnPDContentWriter::FillPath() { WriteLine(EvenOddFillMode ? "f*" : "f"); }
void TvnPDContentWriter::FillAndStrokePath() { WriteLine(EvenOddFillMode ? "B*" : "B"); }
void TvnPDContentWriter::CloseFillAndStrokePath() { WriteLine(EvenOddFillMode ? "b*" : "b"); }
void TvnPDContentWriter::EndPath() { WriteLine("n"); }

void TvnPDContentWriter::SetPenColor(uint8_t AR, uint8_t AG, uint8_t AB) {
  WriteLine(vn::pdf::ColorBytesToPDRGBText(AR, AG, AB) + " RG");
}

void TvnPDContentWriter::SetBrushColor(uint8_t AR, uint8_t AG, uint8_t AB) {
  WriteLine(vn::pdf::ColorBytesToPDRGBText(AR, AG, AB) + " rg");
}

void TvnPDContentWriter::SetPenWidth(double AValue) { WriteLine(FloatToPDText(AValue) + " w"); }

void TvnPDContentWriter::SetTextRenderMode(vn::exporter::TvnTextRenderMode AValue) {
  WriteLine(std::to_string(static_cast<int>(AValue)) + " Tr");
}

void TvnPDContentWriter::SetDashPattern() {
  using vn::framework::TvnPenStyle;
  std::string text;
  switch (PenStyle) {
    case TvnPenStyle::psSolid: text = "[]0"; break;
    case TvnPenStyle::psDash: text = "[16 8]0"; break;
    case TvnPenStyle::psDot: text = "[3 4]0"; break;
    case TvnPenStyle::psDashDot: text = "[8 4 2 4]0"; break;
    case TvnPenStyle::psDashDotDot: text = "[8 4 2 4 2 8]0"; break;
    default: break;
  }
  if (!text.empty()) text += " d ";
  switch (PenJoinStyle) {
    case TvnPenJoinStyle::pjsBevel: text += "2 j "; break;
    case TvnPenJoinStyle::pjsMiter: text += "0 j "; break;
    case TvnPenJoinStyle::pjsRound: text += "1 j "; break;
    case TvnPenJoinStyle::pjsNone: break;
  }
  switch (PenCapStyle) {
    case TvnPenCapStyle::pcsRound: text += "1 J "; break;
    case TvnPenCapStyle::pcsSquare: text += "2 J "; break;
    case TvnPenCapStyle::pcsFlat: text += "0 J "; break;
    case TvnPenCapStyle::pcsNone: break;
  }
  if (text.empty() || !FStream) return;
  FStream->SetPosition(0, vn::SeekOrigin::soEnd);
  FStream->Write(text);
}

std::string TvnPDContentWriter::GetPattern(vn::framework::TvnBrushStyle ABrushStyle) {
  using vn::framework::TvnBrushStyle;
  switch (ABrushStyle) {
    case TvnBrushStyle::bsHorizontal: return "PH";
    case TvnBrushStyle::bsVertical: return "PV";
    case TvnBrushStyle::bsFDiagonal: return "PFD";
    case TvnBrushStyle::bsBDiagonal: return "PBD";
    case TvnBrushStyle::bsCross: return "PC";
    case TvnBrushStyle::bsDiagCross: return "PDC";
    default: return "";
  }
}

}  // namespace vn::pdfdoc
