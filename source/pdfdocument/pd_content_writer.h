// The writing side of a page's content stream: drawing operators appended
// as text to the data of a stream object, each on a line of its own ending
// with CR LF. Coordinates are those of the page's crop box: its Left is
// added to every x and its Top (its lower y) to every y, and on a page
// rotated by 90 degrees a point (x, y) is written as (Right - y, x). A
// content stream that draws onto a page forwards its drawing operations
// here.
#pragma once

#include <cstdint>
#include <string>

#include "export/engine_types.h"
#include "framework/value_types.h"
#include "pdf/objects.h"
#include "pdfdocument/pd_rect.h"

namespace vn::pdfdoc {

enum class TvnPenJoinStyle { pjsNone, pjsBevel, pjsMiter, pjsRound };
enum class TvnPenCapStyle { pcsNone, pcsRound, pcsSquare, pcsFlat };

class TvnPDContentWriter {
 public:
  // AStream (borrowed) receives the text at the end of its data. ABox is
  // the page's crop box (its media box without one; copied), null for no
  // shift; ARotate the page's rotation.
  TvnPDContentWriter(vn::pdf::TvnPDStream* AStream, const TvnPDRect* ABox, int ARotate);

  bool EvenOddFillMode = false;
  TvnPenJoinStyle PenJoinStyle = TvnPenJoinStyle::pjsNone;
  TvnPenCapStyle PenCapStyle = TvnPenCapStyle::pcsNone;
  vn::framework::TvnPenStyle PenStyle = vn::framework::TvnPenStyle::psSolid;

  void Save();
  void Restore();
  void MoveTo(double AX, double AY);
  void LineTo(double AX, double AY);
  void CurveTo(double AX1, double AY1, double AX2, double AY2, double AX3, double AY3);
  // The rectangle between the corners (AX1, AY1) and (AX2, AY2), written
  // from its corner (x1, y2) with width x2 - x1 and height y1 - y2.
  void Rectangle(double AX1, double AY1, double AX2, double AY2);
  void ClosePath();
  void StrokePath();
  void CloseAndStrokePath();
  void FillPath();
  void FillAndStrokePath();
  void CloseFillAndStrokePath();
  void EndPath();
  void SetPenColor(uint8_t AR, uint8_t AG, uint8_t AB);
  void SetBrushColor(uint8_t AR, uint8_t AG, uint8_t AB);
  void SetPenWidth(double AValue);
  void SetTextRenderMode(vn::exporter::TvnTextRenderMode AValue);
  // The dash of PenStyle, the join and the cap in one piece, without a line
  // end; nothing for a style, join and cap that have no operator.
  void SetDashPattern();

  // The name of the hatch pattern of a brush style ("PH", "PV", "PFD",
  // "PBD", "PC", "PDC"); empty for solid and clear brushes.
  static std::string GetPattern(vn::framework::TvnBrushStyle ABrushStyle);

 private:
  // The text of a point after the shift (and the rotation).
  std::string PointText(double AX, double AY) const;
  void WriteLine(const std::string& AText);

  vn::pdf::TvnPDStream* FStream;
  double FLeft = 0;
  double FTop = 0;
  double FRight = 0;
  bool FRotated = false;
};

}  // namespace vn::pdfdoc
