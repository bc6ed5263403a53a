#include "platform/shaping/text_shaping.h"

#include <fribidi.h>
#include <hb-ft.h>
#include <hb-ot.h>
#include <hb.h>

#include <dlfcn.h>

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <type_traits>

#include "platform/fonts/font_faces.h"
#include "runtime/exceptions.h"

namespace vn::platform {
namespace {

// HarfBuzz is loaded when text is first itemised or shaped, not when the
// program starts: most jobs (pictures, PDF inputs) never shape text, and the
// library with what it needs (GLib, Graphite) would be most of their
// start-up. It uses the FreeType the program uses.
struct HarfBuzz {
  decltype(&::hb_unicode_general_category) unicode_general_category = nullptr;
  decltype(&::hb_font_destroy) font_destroy = nullptr;
  decltype(&::hb_buffer_destroy) buffer_destroy = nullptr;
  decltype(&::hb_unicode_funcs_get_default) unicode_funcs_get_default = nullptr;
  decltype(&::hb_unicode_script) unicode_script = nullptr;
  decltype(&::hb_ft_font_create_referenced) ft_font_create_referenced = nullptr;
  decltype(&::hb_ft_font_set_load_flags) ft_font_set_load_flags = nullptr;
  decltype(&::hb_buffer_create) buffer_create = nullptr;
  decltype(&::hb_buffer_add_utf16) buffer_add_utf16 = nullptr;
  decltype(&::hb_buffer_set_direction) buffer_set_direction = nullptr;
  decltype(&::hb_buffer_set_script) buffer_set_script = nullptr;
  decltype(&::hb_shape) shape = nullptr;
  decltype(&::hb_buffer_get_glyph_infos) buffer_get_glyph_infos = nullptr;
  decltype(&::hb_buffer_get_glyph_positions) buffer_get_glyph_positions = nullptr;
  decltype(&::hb_font_get_face) font_get_face = nullptr;
  decltype(&::hb_ot_layout_get_glyph_class) ot_layout_get_glyph_class = nullptr;
};

HarfBuzz LoadHarfBuzz() {
  void* library = dlopen("libharfbuzz.so.0", RTLD_NOW | RTLD_LOCAL);
  if (!library) throw vn::Exception(std::string("Text shaping: HarfBuzz cannot be loaded: ") + dlerror());
  HarfBuzz hb;
  auto bind = [&](auto& slot, const char* name) {
    slot = reinterpret_cast<std::remove_reference_t<decltype(slot)>>(dlsym(library, name));
    if (!slot) throw vn::Exception(std::string("Text shaping: HarfBuzz lacks ") + name);
  };
  bind(hb.unicode_general_category, "hb_unicode_general_category");
  bind(hb.font_destroy, "hb_font_destroy");
  bind(hb.buffer_destroy, "hb_buffer_destroy");
  bind(hb.unicode_funcs_get_default, "hb_unicode_funcs_get_default");
  bind(hb.unicode_script, "hb_unicode_script");
  bind(hb.ft_font_create_referenced, "hb_ft_font_create_referenced");
  bind(hb.ft_font_set_load_flags, "hb_ft_font_set_load_flags");
  bind(hb.buffer_create, "hb_buffer_create");
  bind(hb.buffer_add_utf16, "hb_buffer_add_utf16");
  bind(hb.buffer_set_direction, "hb_buffer_set_direction");
  bind(hb.buffer_set_script, "hb_buffer_set_script");
  bind(hb.shape, "hb_shape");
  bind(hb.buffer_get_glyph_infos, "hb_buffer_get_glyph_infos");
  bind(hb.buffer_get_glyph_positions, "hb_buffer_get_glyph_positions");
  bind(hb.font_get_face, "hb_font_get_face");
  bind(hb.ot_layout_get_glyph_class, "hb_ot_layout_get_glyph_class");
  return hb;  // the library stays loaded for the program's life
}

// Loaded once, by the first caller (a static local: other threads wait).
const HarfBuzz& Hb() {
  static const HarfBuzz hb = LoadHarfBuzz();
  return hb;
}

// Scripts written without shaping: each character is one glyph, no joining,
// no reordering (combining marks are caught separately).
constexpr hb_script_t kSimpleScripts[] = {
    HB_SCRIPT_COMMON,   HB_SCRIPT_INHERITED, HB_SCRIPT_UNKNOWN,  HB_SCRIPT_LATIN,    HB_SCRIPT_GREEK,
    HB_SCRIPT_CYRILLIC, HB_SCRIPT_ARMENIAN,  HB_SCRIPT_GEORGIAN, HB_SCRIPT_HAN,      HB_SCRIPT_HIRAGANA,
    HB_SCRIPT_KATAKANA, HB_SCRIPT_BOPOMOFO,
};

bool IsSimpleScript(hb_script_t script) {
  return std::find(std::begin(kSimpleScripts), std::end(kSimpleScripts), script) != std::end(kSimpleScripts);
}

bool IsNeutralScript(hb_script_t script) {
  return script == HB_SCRIPT_COMMON || script == HB_SCRIPT_INHERITED || script == HB_SCRIPT_UNKNOWN;
}

bool IsMark(hb_unicode_funcs_t* funcs, char32_t ch) {
  auto cat = Hb().unicode_general_category(funcs, ch);
  return cat == HB_UNICODE_GENERAL_CATEGORY_NON_SPACING_MARK || cat == HB_UNICODE_GENERAL_CATEGORY_SPACING_MARK ||
         cat == HB_UNICODE_GENERAL_CATEGORY_ENCLOSING_MARK;
}

struct HbDeleter {
  void operator()(hb_font_t* f) const { Hb().font_destroy(f); }
  void operator()(hb_buffer_t* b) const { Hb().buffer_destroy(b); }
};

int Pixels(hb_position_t v) { return static_cast<int>((static_cast<int64_t>(v) + 32) >> 6); }  // 26.6 -> pixels

}  // namespace

std::vector<ScriptRun> ItemizeText(StringView text, bool right_to_left) {
  std::vector<ScriptRun> runs;
  if (text.empty()) return runs;
  // Code points and the code unit each starts at.
  std::u32string cps = CodePointsOf(text);
  std::vector<int> unit_of(cps.size() + 1);
  for (size_t i = 0, u = 0; i < cps.size(); ++i) {
    unit_of[i] = static_cast<int>(u);
    u += cps[i] >= 0x10000 ? 2 : 1;
  }
  unit_of[cps.size()] = static_cast<int>(text.size());

  // Bidirectional levels.
  const auto n = static_cast<FriBidiStrIndex>(cps.size());
  std::vector<FriBidiChar> chars(cps.begin(), cps.end());
  std::vector<FriBidiCharType> types(cps.size());
  std::vector<FriBidiBracketType> brackets(cps.size());
  std::vector<FriBidiLevel> levels(cps.size(), right_to_left ? 1 : 0);
  fribidi_get_bidi_types(chars.data(), n, types.data());
  fribidi_get_bracket_types(chars.data(), n, types.data(), brackets.data());
  FriBidiParType base = right_to_left ? FRIBIDI_PAR_RTL : FRIBIDI_PAR_LTR;
  if (fribidi_get_par_embedding_levels_ex(types.data(), brackets.data(), n, &base, levels.data()) == 0)
    std::fill(levels.begin(), levels.end(), right_to_left ? 1 : 0);

  // Scripts, neutral characters taking the script before them (or the first
  // real script after them at the start).
  hb_unicode_funcs_t* funcs = Hb().unicode_funcs_get_default();
  std::vector<hb_script_t> scripts(cps.size());
  std::vector<bool> marks(cps.size());
  for (size_t i = 0; i < cps.size(); ++i) {
    scripts[i] = Hb().unicode_script(funcs, cps[i]);
    marks[i] = IsMark(funcs, cps[i]);
  }
  hb_script_t current = HB_SCRIPT_COMMON;
  for (hb_script_t s : scripts) {
    if (!IsNeutralScript(s)) {
      current = s;
      break;
    }
  }
  for (auto& s : scripts) {
    if (IsNeutralScript(s)) s = current;
    else current = s;
  }

  size_t start = 0;
  for (size_t i = 1; i <= cps.size(); ++i) {
    if (i < cps.size() && levels[i] == levels[start] && scripts[i] == scripts[start]) continue;
    ScriptRun run;
    run.Start = unit_of[start];
    run.Length = unit_of[i] - unit_of[start];
    run.Script = static_cast<uint32_t>(scripts[start]);
    run.BidiLevel = levels[start];
    run.Complex = run.RightToLeft() || !IsSimpleScript(scripts[start]) ||
                  std::any_of(marks.begin() + static_cast<long>(start), marks.begin() + static_cast<long>(i),
                              [](bool m) { return m; });
    runs.push_back(run);
    start = i;
  }
  return runs;
}

std::vector<int> VisualOrder(std::span<const int> levels) {
  std::vector<int> order(levels.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = static_cast<int>(i);
  if (levels.empty()) return order;
  int highest = *std::max_element(levels.begin(), levels.end());
  int lowest_odd = highest + 1;
  for (int l : levels)
    if (l % 2 != 0) lowest_odd = std::min(lowest_odd, l);
  // From the highest level down to the lowest odd one, reverse every
  // sequence of items at that level or above.
  for (int level = highest; level >= lowest_odd; --level) {
    for (size_t i = 0; i < order.size();) {
      if (levels[static_cast<size_t>(order[i])] < level) {
        ++i;
        continue;
      }
      size_t j = i;
      while (j < order.size() && levels[static_cast<size_t>(order[j])] >= level) ++j;
      std::reverse(order.begin() + static_cast<long>(i), order.begin() + static_cast<long>(j));
      i = j;
    }
  }
  return order;
}

bool IsComplexText(StringView text) {
  auto runs = ItemizeText(text, false);
  return std::any_of(runs.begin(), runs.end(), [](const ScriptRun& r) { return r.Complex; });
}

int ShapedRun::Width() const {
  int width = 0;
  for (const ShapedGlyph& g : Glyphs) width += g.XAdvance;
  return width;
}

ShapedRun ShapeRun(const GdiFont& font, StringView text, const ScriptRun& run) {
  if (run.Start < 0 || run.Length < 0 || static_cast<size_t>(run.Start) > text.size() ||
      static_cast<size_t>(run.Length) > text.size() - static_cast<size_t>(run.Start))
    throw EArgumentOutOfRangeException("Script run lies outside the text");
  ShapedRun out;
  if (run.Length == 0) return out;

  FaceLease lease = AcquireFace(font.Face().File, font.Face().Index);
  FT_Set_Transform(lease.Face, nullptr, nullptr);
  FT_Set_Pixel_Sizes(lease.Face, 0, static_cast<FT_UInt>(font.PixelsPerEm()));
  std::unique_ptr<hb_font_t, HbDeleter> hb_font(Hb().ft_font_create_referenced(lease.Face));
  Hb().ft_font_set_load_flags(hb_font.get(), FT_LOAD_DEFAULT | FT_LOAD_NO_BITMAP);
  std::unique_ptr<hb_buffer_t, HbDeleter> buffer(Hb().buffer_create());
  Hb().buffer_add_utf16(buffer.get(), reinterpret_cast<const uint16_t*>(text.data()), static_cast<int>(text.size()),
                      static_cast<unsigned>(run.Start), run.Length);
  Hb().buffer_set_direction(buffer.get(), run.RightToLeft() ? HB_DIRECTION_RTL : HB_DIRECTION_LTR);
  Hb().buffer_set_script(buffer.get(), static_cast<hb_script_t>(run.Script));
  Hb().shape(hb_font.get(), buffer.get(), nullptr, 0);

  unsigned count = 0;
  const hb_glyph_info_t* infos = Hb().buffer_get_glyph_infos(buffer.get(), &count);
  const hb_glyph_position_t* positions = Hb().buffer_get_glyph_positions(buffer.get(), &count);
  hb_face_t* face = Hb().font_get_face(hb_font.get());
  const bool bold = font.Match().SimulateBold;
  out.Glyphs.reserve(count);
  std::map<int, int> first_glyph_of_cluster;
  for (unsigned i = 0; i < count; ++i) {
    ShapedGlyph g;
    g.GlyphId = infos[i].codepoint;
    g.Cluster = static_cast<int>(infos[i].cluster);
    g.XAdvance = Pixels(positions[i].x_advance);
    if (bold && g.XAdvance > 0) g.XAdvance += 1;  // as GdiFont measures emboldened glyphs
    g.YAdvance = Pixels(positions[i].y_advance);
    g.XOffset = Pixels(positions[i].x_offset);
    g.YOffset = Pixels(positions[i].y_offset);
    g.ClusterStart = i == 0 || infos[i - 1].cluster != infos[i].cluster;
    g.Diacritic = Hb().ot_layout_get_glyph_class(face, g.GlyphId) == HB_OT_LAYOUT_GLYPH_CLASS_MARK;
    g.ZeroWidth = g.XAdvance == 0;
    out.MissingGlyphs |= g.GlyphId == 0;
    first_glyph_of_cluster.emplace(g.Cluster, static_cast<int>(i));  // keeps the first index
    out.Glyphs.push_back(g);
  }
  // Each code unit belongs to the cluster that starts at or before it.
  out.LogicalClusters.resize(static_cast<size_t>(run.Length), 0);
  for (int u = 0; u < run.Length; ++u) {
    auto it = first_glyph_of_cluster.upper_bound(run.Start + u);
    if (it != first_glyph_of_cluster.begin()) out.LogicalClusters[static_cast<size_t>(u)] = std::prev(it)->second;
  }
  return out;
}

}  // namespace vn::platform
