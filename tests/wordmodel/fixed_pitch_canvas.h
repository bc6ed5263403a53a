// A canvas for layout tests whose text measures are easy to work out by
// hand: every character (UTF-16 unit) is 7/10 of the font size wide and the
// text 12/10 of the size high, in whole pixels (a 10-point font: 7 by 12).
// It records the fonts it measured with and draws nothing.
#pragma once

#include <string>
#include <vector>

#include "framework/canvas.h"

namespace vn::wordmodel::testing {

class FixedPitchCanvas : public vn::framework::TvnBaseCanvas {
 public:
  struct MeasuredFont {
    String Name;
    int32_t Size = 0;
    vn::framework::TvnFontStyles Style;
  };

  static int32_t CharWidth(int32_t ASize) { return ASize * 7 / 10; }
  static int32_t TextHeight(int32_t ASize) { return ASize * 12 / 10; }

  vn::framework::TSize Measure(const String& AString) override {
    const vn::framework::TvnFont& font = CurrentFont();
    Fonts.push_back({font.GetName(), font.GetSize(), font.GetStyle()});
    return {static_cast<int32_t>(AString.size()) * CharWidth(font.GetSize()), TextHeight(font.GetSize())};
  }
  std::unique_ptr<vn::TStream> GetImageStream(const std::string&) override { return nullptr; }
  void DrawString(const String& AString, int32_t, int32_t, bool) override { Drawn.push_back(AString); }
  void DrawImage(vn::TStream*, const vn::framework::TRect&) override {}
  void DrawLine(const vn::framework::TPoint&, const vn::framework::TPoint&) override {}
  void DrawRect(const vn::framework::TRect&, bool, bool) override {}
  void CreateCanvas() override {}

  std::vector<MeasuredFont> Fonts;
  std::vector<String> Drawn;
};

}  // namespace vn::wordmodel::testing
