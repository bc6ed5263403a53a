// The base device: default operations, the default matrix and its inverse,
// the order of UpdateAll, and the recording device the interpreter's tests
// use.
#include "pdfdocument/pd_export_device.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pdfdocument/recording_device.h"

namespace vn::pdfdoc::pd_export_device_test {

using vn::pdfdoc::test_support::RecordingDevice;

TEST(PDExportDevice, BaseDeviceDoesNothingAndReportsDefaults) {
  TvnPDExportDevice device;
  EXPECT_FALSE(device.CIDToGIDNeeded());
  EXPECT_FALSE(device.UseShadedFill());
  EXPECT_FALSE(device.NeedNonText());
  EXPECT_FALSE(device.InterpretType3Chars());
  EXPECT_FALSE(device.UseDrawChar());
  EXPECT_FALSE(device.UseDrawForm());
  EXPECT_FALSE(device.UseTillingPatternFill());
  EXPECT_FALSE(device.UpsideDown());
  EXPECT_FALSE(device.NewTJ());
  EXPECT_EQ(device.DefaultCTM(), nullptr);
  double x = 7, y = 7;
  device.ConvertUserToDev(3, 4, x, y);  // no default matrix yet
  EXPECT_EQ(x, 0);
  EXPECT_EQ(y, 0);

  // A whole page through a device that overrides nothing.
  TvnPDState state(72, 72, 0, nullptr);
  EXPECT_TRUE(device.CheckPageSlice(nullptr, 72, 72, 0, true, false, 0, 0, 0, 0));
  device.StartPage(1, state);
  device.SetDefaultCTM(state.CTM());
  device.UpdateAll(state);
  device.SaveState(state);
  device.UpdateCTM(state, TvnPDMatrix(2, 0, 0, 2, 0, 0));
  device.Fill(state);
  device.BeginStringOp(state);
  device.DrawChar(state, 0, 0, 1, 0, 65, "A");
  device.RawTextOut(state, 0, 0, "A");
  EXPECT_FALSE(device.BeginType3Char(state, 0, 0, 0, 0, 65, {}, 0));
  device.EndStringOp(state);
  device.EndTextObject(state);
  device.DrawImage(state, nullptr);
  device.DrawFormXObject(state, nullptr);
  device.RestoreState(state);
  device.EndPage();
  device.SetNewTJ(true);
  EXPECT_TRUE(device.NewTJ());
}

TEST(PDExportDevice, DefaultMatrixAndItsInverse) {
  struct Case {
    TvnPDMatrix m;
    double ux, uy;
    double dev_x, dev_y;  // ConvertUserToDev, with its half-pixel offset
  };
  const Case cases[] = {
      {TvnPDMatrix(), 0, 0, 0.5, 0.5},
      {TvnPDMatrix(2, 0, 0, 2, 0, 0), 10, 20, 20.5, 40.5},
      {TvnPDMatrix(0, -2, 2, 0, 0, 1224), 100, 50, 100.5, 1024.5},
      {TvnPDMatrix(1, 0, 0, -1, -50, 700), 60, 100, 10.5, 600.5},
  };
  for (const auto& c : cases) {
    TvnPDExportDevice device;
    device.SetDefaultCTM(c.m);
    double dx = 0, dy = 0, ux = 0, uy = 0;
    device.ConvertUserToDev(c.ux, c.uy, dx, dy);
    EXPECT_DOUBLE_EQ(dx, c.dev_x);
    EXPECT_DOUBLE_EQ(dy, c.dev_y);
    device.ConvertDevToUser(dx - 0.5, dy - 0.5, ux, uy);
    EXPECT_NEAR(ux, c.ux, 1e-9);
    EXPECT_NEAR(uy, c.uy, 1e-9);
  }

  // Replaced at every content stream; a singular matrix gets the identity
  // as its inverse rather than infinities.
  TvnPDExportDevice device;
  device.SetDefaultCTM(TvnPDMatrix(2, 0, 0, 2, 0, 0));
  const TvnPDMatrix* kept = device.DefaultCTM();
  device.SetDefaultCTM(TvnPDMatrix(0, 0, 0, 0, 5, 5));
  EXPECT_EQ(device.DefaultCTM(), kept);
  EXPECT_EQ(device.DefaultCTM()->Dx(), 5);
  EXPECT_TRUE(device.DefaultInverseCTM()->IsIdentity());
}

TEST(PDExportDevice, UpdateAllOrderWithoutCTMFontOrText) {
  RecordingDevice device;
  TvnPDState state(72, 72, 0, nullptr);
  device.UpdateAll(state);
  const std::vector<std::string> expected = {
      "UpdateLineDash",        "UpdateFlatness",         "UpdateLineJoin",      "UpdateLineCap",
      "UpdateMiterLimit",      "UpdateLineWidth",        "UpdateStrokeAdjust",  "UpdateFillColorSpace",
      "UpdateFillColor",       "UpdateStrokeColorSpace", "UpdateStrokeColor",   "UpdateBlendMode",
      "UpdateFillOpacity",     "UpdateStrokeOpacity",    "UpdateFillOverPrint", "UpdateStrokeOverPrint",
      "UpdateTransfer"};
  EXPECT_EQ(device.calls, expected);
}

TEST(PDExportDevice, RecordingDeviceKeepsCallsAndFlags) {
  RecordingDevice device({.use_draw_char = true, .cid_to_gid_needed = false, .interpret_type3_chars = true});
  EXPECT_TRUE(device.UseDrawChar());
  EXPECT_TRUE(device.InterpretType3Chars());
  EXPECT_FALSE(device.CIDToGIDNeeded());
  TvnPDState state(72, 72, 0, nullptr);
  device.StartPage(3, state);
  device.SetDefaultCTM(TvnPDMatrix(1, 0, 0, 1, 0, 0));
  device.DrawChar(state, 10, 20, 5.5, 0, 65, "A");
  device.UpdateTextShift(state, -250);
  device.EndPage();
  EXPECT_EQ(device.calls, (std::vector<std::string>{"StartPage 3", "SetDefaultCTM 1 0 0 1 0 0",
                                                    "DrawChar 65 /A 10 20 5.5 0", "UpdateTextShift -250", "EndPage"}));
  EXPECT_EQ(device.Calls("Draw"), (std::vector<std::string>{"DrawChar 65 /A 10 20 5.5 0"}));
  EXPECT_EQ(device.DefaultInverseCTM()->M11(), 1);
}

}  // namespace vn::pdfdoc::pd_export_device_test
