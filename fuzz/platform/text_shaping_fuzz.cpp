// Fuzz target for text analysis and shaping (text_shaping.h): the input is
// UTF-16LE text (lone surrogates, controls, any script), itemized in both
// paragraph directions, reordered, and every run shaped in Arial's stand-in
// or the face that covers the run.
//
// Contract: no crash or hang; the runs tile the text in order, every run is
// non-empty, the visual order is a permutation, and each run's cluster map
// has one entry per code unit pointing at one of its glyphs.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "platform/shaping/text_shaping.h"

using namespace vn::platform;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 4096) return 0;
  vn::String text;
  for (size_t i = 0; i + 1 < size; i += 2) text.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
  static auto font = GdiFont::Create({u"Arial", -16, false, false});
  for (bool rtl : {false, true}) {
    auto runs = ItemizeText(text, rtl);
    int next = 0;
    std::vector<int> levels;
    for (const ScriptRun& run : runs) {
      if (run.Start != next || run.Length <= 0) std::abort();
      next += run.Length;
      levels.push_back(run.BidiLevel);
    }
    if (next != static_cast<int>(text.size())) std::abort();
    auto order = VisualOrder(levels);
    std::vector<int> sorted = order;
    std::sort(sorted.begin(), sorted.end());
    for (size_t i = 0; i < sorted.size(); ++i)
      if (sorted[i] != static_cast<int>(i)) std::abort();
    if (rtl) continue;  // shaping once is enough
    for (const ScriptRun& run : runs) {
      auto face = FindFaceForText(font->Face(), CodePointsOf(vn::StringView(text).substr(run.Start, run.Length)));
      auto shaping_font = face ? GdiFont::CreateFromFace(*face, -16) : font;
      ShapedRun shaped = ShapeRun(*shaping_font, text, run);
      if (shaped.LogicalClusters.size() != static_cast<size_t>(run.Length)) std::abort();
      for (int g : shaped.LogicalClusters)
        if (g < 0 || static_cast<size_t>(g) >= shaped.Glyphs.size()) std::abort();
    }
  }
  return 0;
}
