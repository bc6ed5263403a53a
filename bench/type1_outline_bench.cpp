// Our Type 1 reader against FreeType on the largest URW base-35 Type 1 font
// (Z003-MediumItalic, 855 glyphs): reading the program, and outlining every
// glyph unscaled and unhinted (FreeType: load and decompose each glyph; us:
// interpret each charstring into outline records at 1000 pixels).
#include <benchmark/benchmark.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <string>
#include <vector>

#include "fonts/type1_font.h"
#include "runtime/streams.h"

namespace {

const std::string& Program() {
  static const std::string bytes = vn::ReadFileBytes("/usr/share/fonts/type1/urw-base35/Z003-MediumItalic.t1");
  return bytes;
}

void OursRead(benchmark::State& state) {
  for (auto _ : state) {
    vn::TStringStream stream(Program());
    vn::fonts::TvnType1pfbHandler font;
    benchmark::DoNotOptimize(font.Check(stream));
  }
}

void OursOutlineEveryGlyph(benchmark::State& state) {
  vn::TStringStream stream(Program());
  vn::fonts::TvnType1pfbHandler font;
  if (!font.Check(stream)) return state.SkipWithError("font not read");
  std::vector<std::string> names;
  for (const auto& [name, program] : font.CharStrings()) names.push_back(name);
  for (auto _ : state) {
    size_t records = 0;
    for (const std::string& name : names)
      records += font.GetOutlineForGlyphName(name, 1000, 72, vn::fonts::EncodingType::None)->Count();
    benchmark::DoNotOptimize(records);
  }
  state.counters["glyphs"] = static_cast<double>(names.size());
}

struct FreeType {
  FT_Library library = nullptr;
  FT_Face face = nullptr;
  FreeType() {
    FT_Init_FreeType(&library);
    FT_New_Memory_Face(library, reinterpret_cast<const FT_Byte*>(Program().data()),
                       static_cast<FT_Long>(Program().size()), 0, &face);
  }
  ~FreeType() {
    if (face) FT_Done_Face(face);
    FT_Done_FreeType(library);
  }
};

void FreeTypeRead(benchmark::State& state) {
  FT_Library library;
  FT_Init_FreeType(&library);
  for (auto _ : state) {
    FT_Face face;
    FT_New_Memory_Face(library, reinterpret_cast<const FT_Byte*>(Program().data()),
                       static_cast<FT_Long>(Program().size()), 0, &face);
    FT_Done_Face(face);
  }
  FT_Done_FreeType(library);
}

void FreeTypeOutlineEveryGlyph(benchmark::State& state) {
  FreeType ft;
  if (!ft.face) return state.SkipWithError("font not read");
  FT_Outline_Funcs funcs{};
  funcs.move_to = [](const FT_Vector*, void* u) { return ++*static_cast<int*>(u), 0; };
  funcs.line_to = funcs.move_to;
  funcs.conic_to = [](const FT_Vector*, const FT_Vector*, void* u) { return ++*static_cast<int*>(u), 0; };
  funcs.cubic_to = [](const FT_Vector*, const FT_Vector*, const FT_Vector*, void* u) {
    return ++*static_cast<int*>(u), 0;
  };
  for (auto _ : state) {
    int segments = 0;
    for (FT_Long i = 0; i < ft.face->num_glyphs; ++i) {
      if (FT_Load_Glyph(ft.face, static_cast<FT_UInt>(i), FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING)) continue;
      FT_Outline_Decompose(&ft.face->glyph->outline, &funcs, &segments);
    }
    benchmark::DoNotOptimize(segments);
  }
  state.counters["glyphs"] = static_cast<double>(ft.face->num_glyphs);
}

BENCHMARK(OursRead)->Unit(benchmark::kMillisecond);
BENCHMARK(FreeTypeRead)->Unit(benchmark::kMillisecond);
BENCHMARK(OursOutlineEveryGlyph)->Unit(benchmark::kMillisecond);
BENCHMARK(FreeTypeOutlineEveryGlyph)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
