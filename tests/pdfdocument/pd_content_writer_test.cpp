// Drawing operators written to a content stream: the text of each, the
// shift by the crop box and the turn of a page rotated by 90 degrees, the
// fill mode, the dash, join and cap text, and hatch pattern names.
#include "pdfdocument/pd_content_writer.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace vn::pdfdoc::pd_content_writer_test {

using vn::framework::TvnBrushStyle;
using vn::framework::TvnPenStyle;

std::string StreamText(vn::pdf::TvnPDStream& AStream) {
  AStream.SetPosition(0, vn::SeekOrigin::soBeginning);
  std::string text;
  AStream.Read(text, 1 << 20);
  return text;
}

TEST(PDContentWriter, OperatorsWithShiftAndRotation) {
  const TvnPDRect crop(100, 200, 700, 900);
  struct Case {
    const char* Name;
    int Rotate;
    std::function<void(TvnPDContentWriter&)> Draw;
    const char* Expected;
  };
  const Case cases[] = {
      {"move", 0, [](TvnPDContentWriter& w) { w.MoveTo(10, 20); }, "110 220 m\r\n"},
      {"move rotated", 90, [](TvnPDContentWriter& w) { w.MoveTo(10, 20); }, "480 110 m\r\n"},
      {"line rotated", 90, [](TvnPDContentWriter& w) { w.LineTo(0.5, 0); }, "500 100.5 l\r\n"},
      {"other rotations are not turned", 180, [](TvnPDContentWriter& w) { w.LineTo(1, 2); }, "101 202 l\r\n"},
      {"curve", 0, [](TvnPDContentWriter& w) { w.CurveTo(1, 2, 3, 4, 5, 6); }, "101 202 103 204 105 206 c\r\n"},
      {"curve rotated", 90, [](TvnPDContentWriter& w) { w.CurveTo(1, 2, 3, 4, 5, 6); },
       "498 101 496 103 494 105 c\r\n"},
      // From the corner (x1, y2): width x2 - x1, height y1 - y2.
      {"rectangle", 0, [](TvnPDContentWriter& w) { w.Rectangle(10, 50, 40, 20); }, "110 220 30 30 re\r\n"},
      {"tall rectangle", 0, [](TvnPDContentWriter& w) { w.Rectangle(0, 100, 10, 0); }, "100 200 10 100 re\r\n"},
      // Turned with the page: the 10 wide, 100 high rectangle becomes 100
      // wide and 10 high, its corner (x1, y1) at (Right - y1, x1).
      {"tall rectangle rotated", 90, [](TvnPDContentWriter& w) { w.Rectangle(0, 100, 10, 0); }, "400 100 100 10 re\r\n"},
      {"pen colour", 0, [](TvnPDContentWriter& w) { w.SetPenColor(255, 128, 0); }, "1.0000 0.5020 0.0000 RG\r\n"},
      {"brush colour", 0, [](TvnPDContentWriter& w) { w.SetBrushColor(0, 0, 255); }, "0.0000 0.0000 1.0000 rg\r\n"},
      {"pen width", 0, [](TvnPDContentWriter& w) { w.SetPenWidth(0.25); }, "0.25 w\r\n"},
      {"text render mode", 0,
       [](TvnPDContentWriter& w) { w.SetTextRenderMode(vn::exporter::TvnTextRenderMode::trmFillStroke); }, "2 Tr\r\n"},
      {"path ends", 0,
       [](TvnPDContentWriter& w) {
         w.Save();
         w.ClosePath();
         w.StrokePath();
         w.CloseAndStrokePath();
         w.FillPath();
         w.FillAndStrokePath();
         w.CloseFillAndStrokePath();
         w.EndPath();
         w.Restore();
       },
       "q\r\nh\r\nS\r\ns\r\nf\r\nB\r\nb\r\nn\r\nQ\r\n"},
      {"even-odd fills", 0,
       [](TvnPDContentWriter& w) {
         w.EvenOddFillMode = true;
         w.FillPath();
         w.FillAndStrokePath();
         w.CloseFillAndStrokePath();
       },
       "f*\r\nB*\r\nb*\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    vn::pdf::TvnPDStream stream(nullptr);
    stream.Write(std::string_view("% old\n"));
    TvnPDContentWriter writer(&stream, &crop, c.Rotate);
    stream.SetPosition(0, vn::SeekOrigin::soBeginning);
    c.Draw(writer);
    EXPECT_EQ(StreamText(stream), std::string("% old\n") + c.Expected) << "appended after the old data";
  }

  // Without a box nothing is shifted.
  vn::pdf::TvnPDStream stream(nullptr);
  TvnPDContentWriter writer(&stream, nullptr, 0);
  writer.MoveTo(-1.5, 2);
  EXPECT_EQ(StreamText(stream), "-1.5 2 m\r\n");
}

TEST(PDContentWriter, DashJoinAndCapInOnePiece) {
  struct Case {
    TvnPenStyle Style;
    TvnPenJoinStyle Join;
    TvnPenCapStyle Cap;
    const char* Expected;
  };
  const Case cases[] = {
      {TvnPenStyle::psDot, TvnPenJoinStyle::pjsRound, TvnPenCapStyle::pcsFlat, "[3 4]0 d 1 j 0 J "},
      {TvnPenStyle::psClear, TvnPenJoinStyle::pjsNone, TvnPenCapStyle::pcsNone, ""},
      {TvnPenStyle::psSolid, TvnPenJoinStyle::pjsNone, TvnPenCapStyle::pcsNone, "[]0 d "},
      {TvnPenStyle::psDash, TvnPenJoinStyle::pjsBevel, TvnPenCapStyle::pcsSquare, "[16 8]0 d 2 j 2 J "},
      {TvnPenStyle::psDashDot, TvnPenJoinStyle::pjsMiter, TvnPenCapStyle::pcsRound, "[8 4 2 4]0 d 0 j 1 J "},
      {TvnPenStyle::psDashDotDot, TvnPenJoinStyle::pjsNone, TvnPenCapStyle::pcsNone, "[8 4 2 4 2 8]0 d "},
      {TvnPenStyle::psInsideFrame, TvnPenJoinStyle::pjsNone, TvnPenCapStyle::pcsRound, "1 J "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Expected);
    vn::pdf::TvnPDStream stream(nullptr);
    TvnPDContentWriter writer(&stream, nullptr, 0);
    writer.PenStyle = c.Style;
    writer.PenJoinStyle = c.Join;
    writer.PenCapStyle = c.Cap;
    writer.SetDashPattern();
    EXPECT_EQ(StreamText(stream), c.Expected);
  }
}

TEST(PDContentWriter, HatchPatternNames) {
  const std::pair<TvnBrushStyle, const char*> names[] = {
      {TvnBrushStyle::bsHorizontal, "PH"}, {TvnBrushStyle::bsVertical, "PV"}, {TvnBrushStyle::bsFDiagonal, "PFD"},
      {TvnBrushStyle::bsBDiagonal, "PBD"}, {TvnBrushStyle::bsCross, "PC"},    {TvnBrushStyle::bsDiagCross, "PDC"},
      {TvnBrushStyle::bsSolid, ""},        {TvnBrushStyle::bsClear, ""},
  };
  for (const auto& [style, name] : names) EXPECT_EQ(TvnPDContentWriter::GetPattern(style), name);
}

}  // namespace vn::pdfdoc::pd_content_writer_test
