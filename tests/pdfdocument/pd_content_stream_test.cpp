// The content interpreter on snippets of content: the calls the device gets
// for paths, clipping, colours, state and damaged operators, inline images,
// and a page of several streams.
#include "pdfdocument/pd_content_stream.h"

#include <gtest/gtest.h>

#include <string>

#include "content_test_support.h"
#include "pdfdocument/pd_content_writer.h"

namespace vn::pdfdoc::pd_content_stream_test {

using content_test_support::Joined;
using content_test_support::MakeContent;
using content_test_support::PathDevice;

std::string RunSnippet(const std::string& AContent) {
  auto stream = MakeContent(AContent);
  TvnPDContentStream content(nullptr, nullptr, stream.get());
  PathDevice device;
  content.Display(&device, 72, 72, 1, 0, nullptr, nullptr, nullptr);
  return Joined(device.calls);
}

TEST(PDContentStream, SnippetsGiveTheirCalls) {
  struct Case {
    const char* content;
    const char* calls;
  };
  const Case cases[] = {
      // A stroke gets the path and the colour set before it.
      {"1 0 0 RG 0 0 m 10 0 l S",
       "UpdateStrokeColorSpace; UpdateStrokeColor 65536 0 0 0; Stroke [0,0 10,0]"},
      // A move-to alone paints nothing.
      {"0 0 m S 5 5 m f", ""},
      // Clipping waits for a path: kept over S without a current point,
      // applied after the fill of the next path.
      {"W S 0 0 m 10 0 l 10 10 l f", "Fill [0,0 10,0 10,10]; Clip [0,0 10,0 10,10]"},
      // ... and dropped by n.
      {"W n 0 0 m 10 0 l 10 10 l f", "Fill [0,0 10,0 10,10]"},
      {"0 0 m 10 0 l 10 10 l W* n", "EvenOddClip [0,0 10,0 10,10]"},
      // A rectangle of zero width is 0.2 wide.
      {"0 0 0 5 re f", "Fill [0,0 0.2,0 0.2,5 0,5 0,0 z]"},
      // Closing operators close, then paint.
      {"0 0 m 4 0 l 4 4 l b*", "EvenOddFill [0,0 4,0 4,4 0,0 z]; Stroke [0,0 4,0 4,4 0,0 z]"},
      {"0 0 m 4 0 l s", "Stroke [0,0 4,0 0,0 z]"},
      {"0 0 m 4 0 l B", "Fill [0,0 4,0]; Stroke [0,0 4,0]"},
      // Curves: v starts at the current point, y ends at its last point.
      {"1 2 m 3 4 5 6 v S", "Stroke [1,2 1,2 3,4 5,6]"},
      {"1 2 m 3 4 5 6 y S", "Stroke [1,2 3,4 5,6 5,6]"},
      // Segments without a current point are dropped.
      {"5 5 l 1 1 2 2 3 3 c h S", ""},
      // Surplus operands: an operator takes the ones right before it.
      {"9 0.5 0 1 rg", "UpdateFillColorSpace; UpdateFillColor 32768 0 65536 0"},
      {"1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19 20 21 22 23 24 25 26 27 28 29 30 31 32 33 34 35 36 "
       "37 38 39 40 re f",
       "Fill [37,38 76,38 76,78 37,78 37,38 z]"},
      // Too few operands, a wrong kind or an unknown operator skip only
      // that operator.
      {"0 0 m 10 (x) l 5 l 7 7 l foo 1 1 l S", "Stroke [0,0 7,7 1,1]"},
      {"(x) TJ /N j 1.5 J 2 j", "UpdateLineJoin"},
      // sc takes up to four operands; SC must match its space.
      {"0.5 0.5 sc", "UpdateFillColor 32768 32768 0 0"},
      {"1 1 1 1 1 sc", ""},
      {"0 G 1 1 SC 1 SC", "UpdateStrokeColorSpace; UpdateStrokeColor 0 0 0 0; UpdateStrokeColor 65536 0 0 0"},
      // Named device spaces and their default colours.
      {"/DeviceCMYK cs /DeviceRGB CS /Lab cs",
       "UpdateFillColorSpace; UpdateFillColor 0 0 0 65536; UpdateStrokeColorSpace; UpdateStrokeColor 0 0 0 0"},
      // A pattern space sets no fill colour; scn then names a pattern.
      {"/Pattern cs /P1 scn 0.5 scn", "UpdateFillColorSpace"},
      {"/DeviceGray cs 0.5 scn 1 0 scn", "UpdateFillColorSpace; UpdateFillColor 0 0 0 0; UpdateFillColor 32768 0 0 0"},
      // State operators.
      {"q 2 0 0 2 5 5 cm Q", "SaveState; UpdateCTM 2 0 0 2 5 5; RestoreState"},
      {"[3 1] 2 d [3 (x)] 0 d 4 w 1 j 2 J 5 M 0.5 i",
       "UpdateLineDash; UpdateLineWidth; UpdateLineJoin; UpdateLineCap; UpdateMiterLimit; UpdateFlatness"},
      {"BT 2 Tc 3 Tw 50 Tz 1 Tr 4 Ts 12 TL 1 2 Td T* 1 0 0 1 5 5 Tm ET",
       "UpdateTextMatrix; UpdateTextPos; UpdateCharSpace; UpdateWordSpace; UpdateHorizScaling; UpdateRender; "
       "UpdateRise; UpdateTextPos; UpdateTextPos; UpdateTextMatrix; UpdateTextPos; EndTextObject"},
      // Marked content and compatibility sections do nothing.
      {"/Tag BMC /Tag << /A 1 >> BDC EMC BX /x foo EX /OC /Name DP /M MP /RelativeColorimetric ri", ""},
      // Text without a font shows nothing.
      {"BT (abc) Tj [(a) 5 (b)] TJ (c) ' 1 2 (d) \" ET", "UpdateTextMatrix; UpdateTextPos; EndTextObject"},
  };
  for (const Case& c : cases) EXPECT_EQ(RunSnippet(c.content), c.calls) << c.content;
}

TEST(PDContentStream, TextOperatorsMoveTheTextPosition) {
  auto stream = MakeContent("BT 1 2 Td 14 TL T* 3 4 TD T* ET");
  TvnPDContentStream content(nullptr, nullptr, stream.get());
  PathDevice device;
  content.Display(&device, 72, 72, 1, 0, nullptr, nullptr, nullptr);
  const TvnPDState& state = *content.GetCurrentState();
  // T* goes down by the leading; TD sets the leading to -ty.
  EXPECT_DOUBLE_EQ(state.LineX, 4);
  EXPECT_DOUBLE_EQ(state.LineY, 2 - 14 + 4 + 4);
  EXPECT_DOUBLE_EQ(state.Leading, -4);
}

TEST(PDContentStream, InlineImagesEndWhereTheirDataEnd) {
  struct Case {
    std::string content;
    const char* calls;
  };
  const Case cases[] = {
      // Unfiltered data of known length holding "EI" with blanks around.
      {std::string("BI /W 6 /H 1 /BPC 8 /CS /G ID ") + std::string("\x01 EI \x02", 6) + " EI 0 0 m 1 1 l S",
       "DrawImage; Stroke [0,0 1,1]"},
      // Filtered data: only an "EI" standing apart ends them.
      {"BI /W 1 /H 1 /F /AHx ID 4EI1> EI 0 0 m 2 2 l S", "DrawImage; Stroke [0,0 2,2]"},
      {"BI /W 1 /H 1 /F /AHx ID 4EI> EI/x BMC 0 0 m 2 2 l S", "DrawImage; Stroke [0,0 2,2]"},
      // Without an end the image takes the rest of the content.
      {"BI /W 1 /H 1 ID abc 0 0 m 1 1 l S", "DrawImage"},
      {"BI /W 1 /H", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(RunSnippet(c.content), c.calls) << c.content;
}

TEST(PDContentStream, QWithoutSaveInANestedRunLeavesTheCallersState) {
  // A nested run restores no further than the state it was given and
  // closes the saves it left open.
  auto stream = MakeContent("Q Q q q 2 0 0 2 0 0 cm");
  TvnPDContentStream content(nullptr, nullptr, stream.get());
  PathDevice device;
  TvnPDState state(72, 72, 0, nullptr);
  const double before = state.CTM().M11();
  content.DispalyObject(&device, &state, nullptr);
  EXPECT_EQ(Joined(device.calls, true),
            "SaveState; SaveState; UpdateCTM 2 0 0 2 0 0; RestoreState; RestoreState");
  EXPECT_EQ(content.GetCurrentState(), &state);
  EXPECT_DOUBLE_EQ(state.CTM().M11(), before);
}

// Page contents: two streams as one (operands carry over), the crop-box
// clip, an array element that is not a stream, and an empty array.
TEST(PDContentStream, PageStreamsRunAsOne) {
  auto first = MakeContent("q 2 0 0 2 3 4");
  auto second = MakeContent("cm 0 0 m 1 0 l S Q");
  vn::pdf::TvnPDArray array;
  array.Add(first->Clone());
  array.Add(std::make_unique<vn::pdf::TvnPDInteger>(7));
  array.Add(second->Clone());
  TvnPDContents contents(nullptr, nullptr, &array);
  EXPECT_EQ(contents.StreamCount(), 3);
  EXPECT_NE(contents.GetStream(1), nullptr);
  EXPECT_EQ(contents.GetStream(2), nullptr);
  PathDevice device;
  TvnPDRect crop(0, 0, 100, 50);
  contents.Display(&device, 72, 72, 3, 0, &crop, &crop, nullptr);
  ASSERT_FALSE(device.calls.empty());
  EXPECT_EQ(device.calls.front(), "StartPage 3");
  EXPECT_EQ(device.calls[1], "Clip [0,0 100,0 100,50 0,50 0,0 z]");
  EXPECT_EQ(device.calls.back(), "EndPage");
  EXPECT_EQ(device.Calls("UpdateCTM").size(), 1u);
  EXPECT_EQ(device.Calls("UpdateCTM").front(), "UpdateCTM 2 0 0 2 3 4");
  EXPECT_EQ(device.Calls("Stroke").size(), 1u);
  // The save of the first stream is restored by the second.
  EXPECT_EQ(device.Calls("RestoreState").size(), 1u);
  EXPECT_FALSE(contents.GetStream(1)->GetCurrentState()->HasSaves());

  vn::pdf::TvnPDArray empty;
  TvnPDContents none(nullptr, nullptr, &empty);
  PathDevice empty_device;
  none.Display(&empty_device, 72, 72, 1, 0, nullptr, nullptr, nullptr);
  EXPECT_EQ(empty_device.calls, (std::vector<std::string>{"StartPage 1", "EndPage"}));
}

// A path may end in the next stream of the page: the clipping asked for it
// in the first stream applies at the painting operator of the second; one
// used up in the first stream is not applied again.
TEST(PDContentStream, PathSplitBetweenPageStreamsStillClips) {
  struct Case {
    const char* first;
    const char* second;
    const char* calls;
  };
  const Case cases[] = {
      {"0 0 m 10 0 l 10 10 l W", "n 0 0 5 5 re f", "Clip [0,0 10,0 10,10]; Fill [0,0 5,0 5,5 0,5 0,0 z]"},
      {"0 0 m 10 0 l W*", "10 10 l f", "Fill [0,0 10,0 10,10]; EvenOddClip [0,0 10,0 10,10]"},
      {"0 0 m 10 0 l 10 10 l W n", "0 0 5 5 re f", "Clip [0,0 10,0 10,10]; Fill [0,0 5,0 5,5 0,5 0,0 z]"},
  };
  for (const Case& c : cases) {
    auto first = MakeContent(c.first);
    auto second = MakeContent(c.second);
    vn::pdf::TvnPDArray array;
    array.Add(first->Clone());
    array.Add(second->Clone());
    TvnPDContents contents(nullptr, nullptr, &array);
    PathDevice device;
    contents.Display(&device, 72, 72, 1, 0, nullptr, nullptr, nullptr);
    std::string painted;
    for (const std::string& call : device.calls)
      if (call.starts_with("Clip") || call.starts_with("EvenOddClip") || call.starts_with("Fill"))
        painted += (painted.empty() ? "" : "; ") + call;
    EXPECT_EQ(painted, c.calls) << c.first << " | " << c.second;
  }
}

TEST(PDContentStream, WrittenContentReadsBackAsItsCalls) {
  vn::pdf::TvnPDStream stream(nullptr);
  const TvnPDRect crop(100, 200, 700, 900);
  TvnPDContentWriter writer(&stream, &crop, 0);
  writer.Save();
  writer.SetPenColor(255, 0, 0);
  writer.SetPenWidth(2);
  writer.PenStyle = vn::framework::TvnPenStyle::psDot;
  writer.PenJoinStyle = TvnPenJoinStyle::pjsRound;
  writer.SetDashPattern();
  writer.MoveTo(10, 20);
  writer.LineTo(30, 20);
  writer.CurveTo(30, 30, 40, 30, 40, 20);
  writer.StrokePath();
  writer.SetBrushColor(0, 0, 255);
  writer.Rectangle(0, 10, 5, 0);
  writer.FillPath();
  writer.Restore();
  TvnPDContentStream content(nullptr, nullptr, &stream);
  PathDevice device;
  content.Display(&device, 72, 72, 1, 0, nullptr, nullptr, nullptr);
  EXPECT_EQ(Joined(device.calls),
            "SaveState; UpdateStrokeColorSpace; UpdateStrokeColor 65536 0 0 0; UpdateLineWidth; UpdateLineDash; "
            "UpdateLineJoin; Stroke [110,220 130,220 130,230 140,230 140,220]; UpdateFillColorSpace; "
            "UpdateFillColor 0 0 65536 0; Fill [100,200 105,200 105,210 100,210 100,200 z]; RestoreState");
}

}  // namespace vn::pdfdoc::pd_content_stream_test
