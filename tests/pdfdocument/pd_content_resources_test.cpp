// The interpreter's operators that use the resources: colour spaces by
// name, ExtGStates, XObjects, patterns, inline images, and forms and
// patterns that draw themselves.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "content_test_support.h"
#include "pdfdocument/pd_content_stream.h"
#include "pdfdocument/pd_form.h"
#include "pdfdocument/pd_image.h"
#include "pdfdocument/pd_pattern.h"

namespace vn::pdfdoc::pd_content_resources_test {

using content_test_support::ContentDoc;
using content_test_support::LoadContentDoc;
using content_test_support::PathDevice;
using content_test_support::StreamObj;

// A device that runs forms and tiling patterns the way a drawing device
// does: the form's content on a copy of the state with the form's
// resources; a pattern's content when a path is filled with it.
class RunningDevice : public PathDevice {
 public:
  void DrawFormXObject(TvnPDState& AState, TvnPDForm* AForm) override {
    calls.push_back("DrawFormXObject " + AForm->TagName());
    TvnPDContentStream content(AForm->ParentDoc(), AForm, AForm->BaseObject());
    std::unique_ptr<TvnPDState> copy = AState.Copy();
    content.DispalyObject(this, copy.get(), AForm->Resources());
  }
  void Fill(TvnPDState& AState) override {
    PathDevice::Fill(AState);
    if (TvnPDPattern* pattern = AState.FillPattern) {
      std::unique_ptr<TvnPDState> copy = AState.Copy();
      copy->ClearPath();
      pattern->GetContent()->DispalyObject(this, copy.get(), pattern->Resources());
    }
  }
  void DrawImage(TvnPDState&, TvnPDImage* AImage) override {
    calls.push_back("DrawImage " + std::to_string(AImage->Width()) + "x" + std::to_string(AImage->Height()) +
                    (AImage->IsInlineImage() ? " inline" : ""));
  }
};

ContentDoc ResourceDoc() {
  return LoadContentDoc(
      {{2, "<< /ColorSpace << /CS0 [/Indexed /DeviceRGB 1 <FF000000FF00>] >> "
           "/ExtGState << /GS0 << /CA 0.5 /ca 0.25 >> /GS1 << /Type /ExtGState >> "
           "/GS2 << /LW 10 /LC 1 /LJ 2 /ML 0.3 /D [[3 1] 2] >> /GS3 << /LW /Thick /LC (1) /D [3 1] >> >> "
           "/XObject << /Im0 3 0 R /Fm0 4 0 R /Self 5 0 R /PS 6 0 R >> "
           "/Pattern << /P0 7 0 R /P1 8 0 R >> >>"},
       {3, StreamObj("/Type /XObject /Subtype /Image /Width 2 /Height 3 /BitsPerComponent 8 /ColorSpace /DeviceGray",
                     "abcdef")},
       // A form with resources of its own: its /Inner is not the page's.
       {4, StreamObj("/Type /XObject /Subtype /Form /BBox [0 0 10 10] /Resources << /XObject << /Inner 3 0 R >> >>",
                     "0 0 m 1 1 l S /Inner Do /Fm0 Do")},
       // A form that draws itself.
       {5, StreamObj("/Type /XObject /Subtype /Form /BBox [0 0 10 10] /Resources 2 0 R", "0 0 m 2 2 l S /Self Do")},
       {6, StreamObj("/Type /XObject /Subtype /PS", "")},
       {7, StreamObj("/Type /Pattern /PatternType 1 /PaintType 2 /TilingType 1 /BBox [0 0 4 4] /XStep 4 /YStep 4 "
                     "/Resources << >>",
                     "0 0 4 4 re f")},
       // A pattern whose cell is filled with itself.
       {8, StreamObj("/Type /Pattern /PatternType 1 /PaintType 1 /TilingType 1 /BBox [0 0 4 4] /XStep 4 /YStep 4 "
                     "/Resources 2 0 R",
                     "/Pattern cs /P1 scn 0 0 4 4 re f")}},
      2);
}

TEST(PDContentResources, OperatorsWithResources) {
  const ContentDoc doc = ResourceDoc();
  struct Case {
    const char* content;
    const char* calls;
  };
  const Case cases[] = {
      // Device names are known although the resources have colour spaces.
      {"/DeviceRGB cs /CS0 CS /Missing cs", "UpdateFillColorSpace; UpdateFillColor 0 0 0 0; UpdateStrokeColorSpace; "
                                           "UpdateStrokeColor 0 0 0 0"},
      {"/GS0 gs /GS1 gs /Missing gs", "UpdateStrokeOpacity; UpdateFillOpacity; UpdateStrokeOpacity; UpdateFillOpacity"},
      // Images and forms go to the device; PostScript and missing names
      // do nothing. Names inside the form are its own.
      {"/Im0 Do /PS Do /Missing Do /Inner Do", "DrawImage 2x3"},
      {"/Fm0 Do", "DrawFormXObject Fm0; Stroke [0,0 1,1]; DrawImage 2x3"},
      // A form drawing itself runs once.
      {"/Self Do", "DrawFormXObject Self; Stroke [0,0 2,2]; DrawFormXObject Self"},
      // An uncoloured pattern gets its colour; its cell is drawn when
      // the path is filled.
      {"/Pattern cs 0.5 /P0 scn 0 0 8 8 re f",
       "UpdateFillColorSpace; Fill [0,0 8,0 8,8 0,8 0,0 z]; Fill [0,0 4,0 4,4 0,4 0,0 z]"},
      // A pattern filled with itself stops at the guard.
      {"/Pattern cs /P1 scn 0 0 8 8 re f",
       "UpdateFillColorSpace; Fill [0,0 8,0 8,8 0,8 0,0 z]; UpdateFillColorSpace; Fill [0,0 4,0 4,4 0,4 0,0 z]"},
      // Inline images with a named colour space of the resources.
      {"BI /W 2 /H 1 /BPC 8 /CS /CS0 ID \x01\x02 EI", "DrawImage 2x1 inline"},
  };
  for (const Case& c : cases) {
    RunningDevice device;
    EXPECT_EQ(doc.Run(c.content, device), c.calls) << c.content;
  }
}

TEST(PDContentResources, StateTakesWhatTheResourcesGive) {
  const ContentDoc doc = ResourceDoc();
  RunningDevice device;
  std::unique_ptr<TvnPDContentStream> content;
  doc.Run("/GS0 gs /Pattern cs 0.5 /P0 scn", device, &content);
  const TvnPDState& state = *content->GetCurrentState();
  EXPECT_DOUBLE_EQ(state.StrokeOpacity, 0.5);
  EXPECT_DOUBLE_EQ(state.FillOpacity, 0.25);
  ASSERT_NE(state.FillPattern, nullptr);
  EXPECT_EQ(state.FillPattern->Tag(), "P0");
  EXPECT_EQ(state.FillPattern->FillColor().Comps[0], 32768);
  EXPECT_FALSE(state.FillPattern->IsInnerPattern());
}

TEST(PDContentResources, ExtGStatesSetTheLineAsTheirOperatorsDo) {
  const ContentDoc doc = ResourceDoc();
  struct Case {
    const char* Content;
    double Width;
    int Cap, Join;
    std::vector<float> Dash;
    double Phase;
  };
  const Case cases[] = {
      {"/GS2 gs", 10, 1, 2, {3, 1}, 2},
      // Entries of the wrong type leave what the operators set.
      {"3 w 2 J [4 4] 1 d /GS3 gs", 3, 2, 0, {4, 4}, 1},
  };
  for (const Case& c : cases) {
    RunningDevice device;
    std::unique_ptr<TvnPDContentStream> content;
    doc.Run(c.Content, device, &content);
    const TvnPDState& state = *content->GetCurrentState();
    EXPECT_DOUBLE_EQ(state.LineWidth, c.Width) << c.Content;
    EXPECT_EQ(state.LineCap, c.Cap) << c.Content;
    EXPECT_EQ(state.LineJoin, c.Join) << c.Content;
    TvnDashArray dash;
    int length = 0;
    double phase = 0;
    state.GetLineDash(dash, length, phase);
    EXPECT_EQ(std::vector<float>(dash.begin(), dash.begin() + length), c.Dash) << c.Content;
    EXPECT_DOUBLE_EQ(phase, c.Phase) << c.Content;
  }
  RunningDevice device;
  std::unique_ptr<TvnPDContentStream> content;
  doc.Run("/GS2 gs", device, &content);
  EXPECT_DOUBLE_EQ(content->GetCurrentState()->MiterLimit, 0.3);
}

TEST(PDContentResources, FormsDrawingEachOtherTwiceStopAtTheRunBudget) {
  // Twenty levels of forms, each drawing the next one twice: a million runs
  // without a bound on their number.
  std::map<int64_t, std::string> objects = {{2, "<< /XObject << /N 10 0 R >> >>"}};
  for (int64_t level = 0; level < 20; ++level)
    objects[10 + level] = StreamObj("/Type /XObject /Subtype /Form /BBox [0 0 1 1] /Resources << /XObject << /N " +
                                        std::to_string(11 + level) + " 0 R >> >>",
                                    "/N Do /N Do");
  objects[30] = StreamObj("/Type /XObject /Subtype /Form /BBox [0 0 1 1]", "0 0 m 1 1 l S");
  const ContentDoc doc = LoadContentDoc(objects, 2);
  RunningDevice device;
  doc.Run("/N Do", device);
  const size_t forms = device.Calls("DrawFormXObject").size();
  EXPECT_GT(forms, 1000u);
  EXPECT_LE(forms, static_cast<size_t>(2 * TvnPDContentStream::kMaxNestedRuns));
}

}  // namespace vn::pdfdoc::pd_content_resources_test
