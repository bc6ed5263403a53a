// The TrueType reader on small fonts: the subset of DejaVu Sans and the
// drawn font of tests/fixtures/fonts (make_truetype_fixtures.sh), fonts
// assembled here table by table for the cmap formats, and damaged copies.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "fonts/truetype_font.h"
#include "runtime/exceptions.h"
#include "runtime/streams.h"
#include "support/paths.h"

namespace vn::fonts::truetype_font_test {
namespace {

namespace fs = std::filesystem;

const fs::path kFonts = fs::path(VN_FIXTURES_DIR) / "fonts";
const fs::path kSeeds = fs::path(VN_FIXTURES_DIR) / ".." / ".." / "fuzz" / "fonts" / "seeds" / "truetype_font_fuzz";

std::string Subset() { return ReadFileBytes(kFonts / "truetype_subset.ttf"); }
std::string Drawn() { return ReadFileBytes(kSeeds / "drawn.ttf"); }

void Put16(std::string& s, size_t at, uint32_t v) {
  s[at] = static_cast<char>(v >> 8);
  s[at + 1] = static_cast<char>(v);
}
void Put32(std::string& s, size_t at, uint32_t v) {
  Put16(s, at, v >> 16);
  Put16(s, at + 2, v & 0xFFFF);
}
std::string Be16(uint32_t v) { return {static_cast<char>(v >> 8), static_cast<char>(v)}; }
std::string Be32(uint32_t v) { return Be16(v >> 16) + Be16(v & 0xFFFF); }

// An sfnt of the given tables, in the order given.
std::string Sfnt(const std::vector<std::pair<std::string, std::string>>& tables) {
  std::string out = Be32(0x00010000) + Be16(static_cast<uint32_t>(tables.size())) + Be16(0) + Be16(0) + Be16(0);
  size_t at = 12 + 16 * tables.size();
  std::string data;
  for (const auto& [tag, bytes] : tables) {
    out += tag + Be32(0) + Be32(static_cast<uint32_t>(at + data.size())) + Be32(static_cast<uint32_t>(bytes.size()));
    data += bytes;
    data.append((4 - data.size() % 4) % 4, '\0');
  }
  return out + data;
}

std::string Maxp(uint16_t glyphs) { return Be32(0x00005000) + Be16(glyphs); }

std::string Cmap(const std::vector<std::pair<std::pair<uint16_t, uint16_t>, std::string>>& subtables) {
  std::string out = Be16(0) + Be16(static_cast<uint32_t>(subtables.size()));
  std::string data;
  const size_t first = 4 + 8 * subtables.size();
  for (const auto& [ids, bytes] : subtables) {
    out += Be16(ids.first) + Be16(ids.second) + Be32(static_cast<uint32_t>(first + data.size()));
    data += bytes;
  }
  return out + data;
}

std::string Format6(uint16_t first, const std::vector<uint16_t>& glyphs) {
  std::string s = Be16(6) + Be16(static_cast<uint32_t>(10 + 2 * glyphs.size())) + Be16(0) + Be16(first) +
                  Be16(static_cast<uint32_t>(glyphs.size()));
  for (const uint16_t g : glyphs) s += Be16(g);
  return s;
}

// A format 4 subtable of the given segments (start, end, delta, glyphs of
// a glyph-array segment or none) and the closing 0xFFFF segment.
struct Segment4 {
  uint16_t start, end, delta;
  std::vector<uint16_t> array;
};
std::string Format4(std::vector<Segment4> segments) {
  segments.push_back({0xFFFF, 0xFFFF, 1, {}});
  const auto n = static_cast<uint32_t>(segments.size());
  std::string ends, starts, deltas, ranges, array;
  for (uint32_t i = 0; i < n; ++i) {
    const Segment4& s = segments[i];
    ends += Be16(s.end);
    starts += Be16(s.start);
    deltas += Be16(s.delta);
    // The glyph array follows the idRangeOffset words.
    ranges += Be16(s.array.empty() ? 0 : 2 * (n - i) + static_cast<uint32_t>(array.size()));
    for (const uint16_t g : s.array) array += Be16(g);
  }
  const auto length = static_cast<uint32_t>(16 + 8 * n + array.size());
  return Be16(4) + Be16(length) + Be16(0) + Be16(2 * n) + Be16(0) + Be16(0) + Be16(0) + ends + Be16(0) + starts +
         deltas + ranges + array;
}

// A format 2 subtable: one-byte codes 0x20-0x21 through sub-header 0 (to
// glyphs 3, 4), two-byte codes 0x8140-0x8141 through sub-header 1 (idDelta
// 5, the second entry 0: no glyph).
std::string Format2() {
  std::string keys;
  for (int high = 0; high < 256; ++high) keys += Be16(high == 0x81 ? 8 : 0);
  // idRangeOffset counts from the field itself to the glyph index array
  // after the two sub-headers.
  const std::string headers = Be16(0x20) + Be16(2) + Be16(0) + Be16(10) + Be16(0x40) + Be16(2) + Be16(5) + Be16(6);
  const std::string array = Be16(3) + Be16(4) + Be16(10) + Be16(0);
  return Be16(2) + Be16(542) + Be16(0) + keys + headers + array;
}

std::string Format0(const std::map<int, uint8_t>& map) {
  std::string s = Be16(0) + Be16(262) + Be16(0);
  std::string glyphs(256, '\0');
  for (const auto& [code, glyph] : map) glyphs[static_cast<size_t>(code)] = static_cast<char>(glyph);
  return s + glyphs;
}

struct Loaded {
  explicit Loaded(std::string data) : bytes(std::move(data)), stream(bytes) { accepted = font.Check(stream); }
  std::string bytes;
  TStringStream stream;
  TvnTrueTypeHandler font;
  bool accepted = false;
};

std::vector<std::string> Steps(const TvnRecList* list) {
  std::vector<std::string> steps;
  if (list)
    for (const Instructions& r : *list) steps.emplace_back(StepName(r.Name));
  return steps;
}

TEST(TrueTypeFont, ReadsTheSubsetsTablesAndNames) {
  Loaded f(Subset());
  ASSERT_TRUE(f.accepted);
  auto& font = f.font;
  EXPECT_EQ(font.GetFontType(), FontType::TrueType);
  EXPECT_EQ(font.TableDirectory->TableEntries.size(), font.TableDirectory->NumTables);
  ASSERT_TRUE(font.maxpTable && font.hmtxTable && font.HheaTable && font.locaTable);
  // hmtx is read after maxp, so the side bearings after the last full
  // metric are kept.
  EXPECT_EQ(font.hmtxTable->HMetrics.size() + font.hmtxTable->LeftSideBearing.size(), font.maxpTable->NumOfGlyphs);
  EXPECT_EQ(font.GetGlyphID("Adieresis"), 6);
  EXPECT_EQ(font.GetGlyphID("nosuchglyph"), 0);
  EXPECT_TRUE(font.glyfInfoDictionary.at(6).IsComposite);
  // The space has no data: loca repeats its offset.
  EXPECT_EQ(font.glyfInfoDictionary.at(1).Offset, TvnTrueTypeLocaTable::kEmptyGlyph);
  EXPECT_EQ(font.GetOutlineForGlyphID(1, 12, 72, EncodingType::None), nullptr);
  EXPECT_EQ(font.GetOutlineForCharCode(' ', 12, 72, EncodingType::None), nullptr);
  // One encoding per subtable, from its platform and encoding IDs.
  std::vector<EncodingType> expected;
  for (const auto& t : font.cmapTable->EncodingTables)
    expected.push_back(t->PlatformID == 3 ? EncodingType::Microsoft_Unicode_BMPonly : EncodingType::Unicode_2_0_BMPonly);
  EXPECT_EQ(font.GetSupportedEncodings(), expected);
  EXPECT_EQ(font.GetSupportedEncodings(), expected);  // however often asked
  for (const EncodingType e : {EncodingType::None, EncodingType::Unicode_1_0, EncodingType::Microsoft_Unicode_BMPonly})
    EXPECT_EQ(font.GetGlyphID(0xC4, e), 6);
  EXPECT_FALSE(font.IsCharCodeAvailable(0xC4, EncodingType::Macintosh_Roman));  // no Macintosh subtable
  EXPECT_FALSE(font.IsCharCodeAvailable(0x42, EncodingType::None));
}

// The drawn font: a square of four on-curve points, a contour of off-curve
// points only, and a composite of both with a scaled and offset second
// component; one em at 72 dpi, so output units are font units.
TEST(TrueTypeFont, ContoursBecomeLinesAndCurves) {
  Loaded f(Drawn());
  ASSERT_TRUE(f.accepted);
  const auto square = f.font.GetOutlineForCharCode('A', 1000, 72, EncodingType::Microsoft_Unicode_BMPonly);
  EXPECT_EQ(Steps(square.get()),
            (std::vector<std::string>{"close", "lineto", "lineto", "lineto", "close", "addshape"}));
  ASSERT_NE(square, nullptr);
  EXPECT_EQ(square->GetItem(1).prev, (TvnPointF{100, 0}));
  EXPECT_EQ(square->GetItem(1).pt2, (TvnPointF{100, -700}));

  // Off-curve points only: the contour starts midway between the last and
  // the first point, each curve from the current point twice.
  const auto round = f.font.GetOutlineForCharCode('B', 1000, 72, EncodingType::Unicode_2_0_BMPonly);
  ASSERT_NE(round, nullptr);
  EXPECT_EQ(Steps(round.get()),
            (std::vector<std::string>{"close", "curveto", "curveto", "curveto", "curveto", "close", "addshape"}));
  const TvnPointF start{300, 0};
  EXPECT_EQ(round->GetItem(1).pt3[0], start);
  EXPECT_EQ(round->GetItem(1).pt3[2], (TvnPointF{600, 0}));
  EXPECT_EQ(round->GetItem(4).pt3[3], start);
  for (int i = 1; i <= 4; ++i) EXPECT_EQ(round->GetItem(i).pt3[0], round->GetItem(i).pt3[1]);

  // Half the size halves every point.
  const auto half = f.font.GetOutlineForCharCode('B', 500, 72, EncodingType::None);
  ASSERT_NE(half, nullptr);
  EXPECT_EQ(half->GetItem(1).pt3[2], (TvnPointF{300, 0}));
}

TEST(TrueTypeFont, CompositesCarryEachComponentsTransform) {
  Loaded f(Drawn());
  ASSERT_TRUE(f.accepted);
  const auto both = f.font.GetOutlineForCharCode('C', 1000, 72, EncodingType::None);
  ASSERT_NE(both, nullptr);
  EXPECT_EQ(Steps(both.get()),
            (std::vector<std::string>{"transformmatrix", "close", "lineto", "lineto", "lineto", "close", "addshape",
                                      "transformmatrix", "close", "curveto", "curveto", "curveto", "curveto",
                                      "close", "addshape"}));
  const auto& first = both->GetItem(0).pt3;
  EXPECT_EQ(first[0], (TvnPointF{1, 0}));
  EXPECT_EQ(first[1], (TvnPointF{0, 1}));
  EXPECT_EQ(first[2], (TvnPointF{0, 0}));
  // A component scaled by one half keeps its offset (200, 100).
  const auto& second = both->GetItem(7).pt3;
  EXPECT_EQ(second[0], (TvnPointF{0.5f, 0}));
  EXPECT_EQ(second[1], (TvnPointF{0, 0.5f}));
  EXPECT_EQ(second[2], (TvnPointF{200, -100}));
}

TEST(TrueTypeFont, CmapFormatsMapCodes) {
  std::vector<uint16_t> six(3, 0);
  six = {7, 8, 9};
  const std::string cmap = Cmap({
      {{1, 0}, Format0({{0x41, 3}, {0x42, 0xFF}})},
      {{3, 1}, Format4({{0x20, 0x7E, 0xFFE3, {}}, {0x100, 0x102, 0, {11, 0, 12}}, {0x110, 0x10F, 0, {}}})},
      {{3, 0}, Format6(0xF040, six)},
      {{3, 10}, Be16(12) + Be16(0)},  // a format this reader does not read
      {{3, 3}, Format2()},
      {{9, 9}, Format6(0x20, {5})},   // a platform without encodings here
  });
  Loaded f(Sfnt({{"maxp", Maxp(100)}, {"cmap", cmap}}));
  ASSERT_TRUE(f.accepted);
  auto& font = f.font;
  EXPECT_EQ(font.GetSupportedEncodings(),
            (std::vector<EncodingType>{EncodingType::Macintosh_Roman, EncodingType::Microsoft_Unicode_BMPonly,
                                       EncodingType::Microsoft_Symbol, EncodingType::Microsoft_Unicode_Full,
                                       EncodingType::Microsoft_PRC, EncodingType::None}));
  struct Case {
    int32_t code;
    EncodingType encoding;
    int32_t glyph;
  };
  const Case cases[] = {
      {0x41, EncodingType::Macintosh_Roman, 3},
      {0x42, EncodingType::Macintosh_Roman, 0},  // glyph 255 is beyond maxp's 100
      {0x41, EncodingType::None, 3},             // the first subtable
      {0x41, EncodingType::Microsoft_Unicode_BMPonly, 0x24},
      {0x20, EncodingType::Microsoft_Unicode_BMPonly, 3},
      {0x7F, EncodingType::Microsoft_Unicode_BMPonly, 0},
      {0x100, EncodingType::Microsoft_Unicode_BMPonly, 11},
      {0x101, EncodingType::Microsoft_Unicode_BMPonly, 0},  // a zero in the glyph array
      {0x102, EncodingType::Microsoft_Unicode_BMPonly, 12},
      {0x110, EncodingType::Microsoft_Unicode_BMPonly, 0},  // a segment ending before it starts
      {0x41, EncodingType::Unicode_2_0_Full, 0x24},         // any Unicode subtable serves Unicode
      {0xF041, EncodingType::Microsoft_Symbol, 8},
      {0x41, EncodingType::Microsoft_Symbol, 8},  // a symbol byte code tried at U+F041
      {0x40, EncodingType::Microsoft_Symbol, 7},
      {0x141, EncodingType::Microsoft_Symbol, 0},
      {0x41, EncodingType::Microsoft_Unicode_Full, 0},
      {0x41, EncodingType::Microsoft_Big5, 0},  // no subtable of that encoding
      {0x41, EncodingType::Standard, 0},
      {0x20, EncodingType::Microsoft_PRC, 3},
      {0x21, EncodingType::Microsoft_PRC, 4},
      {0x22, EncodingType::Microsoft_PRC, 0},
      {0x8140, EncodingType::Microsoft_PRC, 15},
      {0x8141, EncodingType::Microsoft_PRC, 0},
      {0x8142, EncodingType::Microsoft_PRC, 0},
  };
  for (const Case& c : cases)
    EXPECT_EQ(font.GetGlyphID(c.code, c.encoding), c.glyph)
        << std::hex << c.code << " in encoding " << static_cast<int>(c.encoding);
  // Without glyph data nothing is drawn.
  EXPECT_EQ(font.GetOutlineForCharCode(0x41, 12, 72, EncodingType::None), nullptr);
}

// Tables no oracle font carries, by their layouts: vertical metrics with
// trailing top side bearings, hdmx device records, LTSH, and kern subtables
// where one claiming less than its header ends the list.
TEST(TrueTypeFont, ReadsVerticalMetricsDeviceWidthsAndKerning) {
  std::string vhea = Be32(0x00011000);
  for (int i = 1; i <= 15; ++i) vhea += Be16(static_cast<uint32_t>(i));
  vhea += Be16(1);
  const std::string vmtx = Be16(1000) + Be16(50) + Be16(60) + Be16(static_cast<uint16_t>(-70));
  const std::string hdmx = Be16(0) + Be16(2) + Be32(8) + std::string("\x0C\x14\x05\x06\x07\0\0\0", 8) +
                           std::string("\x10\x15\x08\x09\x0A\0\0\0", 8);
  const std::string ltsh = Be16(0) + Be16(3) + "\x01\x02\x03";
  const std::string kern = Be16(0) + Be16(3) +
                           (Be16(0) + Be16(20) + Be16(0x0001) + Be16(1) + Be16(6) + Be16(0) + Be16(0) + Be16(1) +
                            Be16(2) + Be16(static_cast<uint16_t>(-50))) +
                           (Be16(0) + Be16(0) + Be16(0x0001)) + (Be16(0) + Be16(20) + Be16(0x0001));
  Loaded f(Sfnt({{"maxp", Maxp(3)}, {"vhea", vhea}, {"vmtx", vmtx}, {"hdmx", hdmx}, {"LTSH", ltsh}, {"kern", kern}}));
  ASSERT_TRUE(f.accepted);
  const auto& font = f.font;
  ASSERT_TRUE(font.vheaTable && font.vmtxTable && font.hdmxTable && font.ltshTable && font.kernTable);
  EXPECT_EQ(font.vheaTable->Ascent, 1);
  EXPECT_EQ(font.vheaTable->CaretOffset, 10);
  EXPECT_EQ(font.vheaTable->MetricDataFormat, 15);
  ASSERT_EQ(font.vmtxTable->VMetrics.size(), 1u);
  EXPECT_EQ(font.vmtxTable->VMetrics[0].AdvanceHeight, 1000);
  EXPECT_EQ(font.vmtxTable->VMetrics[0].TopSideBearing, 50);
  EXPECT_EQ(font.vmtxTable->TopSideBearing, (std::vector<int16_t>{60, -70}));
  ASSERT_EQ(font.hdmxTable->DeviceRecords.size(), 2u);
  EXPECT_EQ(font.hdmxTable->DeviceRecords[1].PixelSize, 16);
  EXPECT_EQ(font.hdmxTable->DeviceRecords[1].MaximumWidth, 21);
  EXPECT_EQ(font.hdmxTable->DeviceRecords[1].widths, (std::vector<uint8_t>{8, 9, 10}));
  EXPECT_EQ(font.ltshTable->YPels, (std::vector<uint8_t>{1, 2, 3}));
  ASSERT_EQ(font.kernTable->KernSubTables.size(), 2u);
  EXPECT_TRUE(font.kernTable->KernSubTables[0]->isHorizontal);
  ASSERT_EQ(font.KernPairValues.size(), 1u);
  EXPECT_EQ(font.KernPairValues[0].LeftGlyphIndex, 1);
  EXPECT_EQ(font.KernPairValues[0].RightGlyphIndex, 2);
  EXPECT_EQ(font.KernPairValues[0].KernValue, -50);
}

TEST(TrueTypeFont, RefusesWhatIsNoTrueTypeFont) {
  const std::string refused[] = {
      "",
      "\x00\x01\x00\x00",
      Sfnt({{"abcd", "xyz"}}),                                                 // none of the four marker tables
      Sfnt({{"name", ""}}).substr(0, 20),                                       // directory cut short
      ReadFileBytes(kFonts / "accented.pfb"),                                  // Type 1
  };
  for (const std::string& bytes : refused) {
    TStringStream stream(bytes);
    TvnTrueTypeHandler font;
    EXPECT_FALSE(font.Check(stream)) << bytes.size();
  }
  // A post 3.0 font names its glyphs by number; the sfnt version plays no part.
  std::string post = Be32(0x00030000) + std::string(28, '\0');
  std::string bytes = Sfnt({{"maxp", Maxp(8)}, {"post", post}});
  Put32(bytes, 0, 0x74727565);
  Loaded f(bytes);
  ASSERT_TRUE(f.accepted);
  ASSERT_EQ(f.font.postTable->GlyphNames.size(), 8u);
  EXPECT_EQ(f.font.postTable->GlyphNames[5], "Glyph5");
  // Tables whose companion is missing are skipped, not read with guesses.
  // A name record of a platform without encodings here costs the font
  // nothing.
  const std::string name = Be16(0) + Be16(2) + Be16(30) + Be16(7) + Be16(1) + Be16(0) + Be16(1) + Be16(0) + Be16(0) +
                           Be16(3) + Be16(1) + Be16(0x409) + Be16(1) + Be16(0) + Be16(0);
  Loaded lone(Sfnt({{"head", std::string(54, '\0')}, {"hmtx", std::string(8, '\0')}, {"glyf", std::string(8, '\0')},
                    {"cmap", Cmap({{{3, 1}, Format6(0x20, {1})}})}, {"name", name}}));
  ASSERT_TRUE(lone.accepted);
  ASSERT_TRUE(lone.font.nameTable);
  ASSERT_EQ(lone.font.nameTable->NameRecords.size(), 2u);
  EXPECT_EQ(lone.font.nameTable->NameRecords[0].encoding, EncodingType::None);
  EXPECT_EQ(lone.font.nameTable->NameRecords[1].encoding, EncodingType::Microsoft_Unicode_BMPonly);
  EXPECT_EQ(lone.font.hmtxTable, nullptr);
  EXPECT_EQ(lone.font.cmapTable, nullptr);
  EXPECT_TRUE(lone.font.glyfInfoDictionary.empty());
  EXPECT_TRUE(lone.font.GetSupportedEncodings().empty());
  EXPECT_EQ(lone.font.GetOutlineForCharCode(0x20, 12, 72, EncodingType::None), nullptr);
}

// Damaged copies of the subset: each is refused (Check false or one of the
// library's exceptions) or read leniently, and then every glyph outline
// request answers, is null or raises the stream's read error.
TEST(TrueTypeFont, DamagedFontsAreReadLenientlyOrRefused) {
  const std::string good = Subset();
  Loaded intact(good);
  ASSERT_TRUE(intact.accepted);
  const auto& font = intact.font;
  const auto entry = [&](std::string_view tag) {
    for (size_t i = 0; i < font.TableDirectory->TableEntries.size(); ++i)
      if (font.TableDirectory->TableEntries[i].Tag == tag) return std::pair{i, font.TableDirectory->TableEntries[i]};
    ADD_FAILURE() << tag;
    return std::pair{size_t{0}, TvnTruetypeTableDirectoryEntry{}};
  };
  const auto glyph_at = [&](int32_t g) { return static_cast<size_t>(font.glyfTableOffset + font.glyfInfoDictionary.at(g).Offset); };
  const int32_t adieresis = font.GetGlyphID("Adieresis"), aring = font.GetGlyphID("aring"),
                aringacute = font.GetGlyphID("aringacute");
  ASSERT_TRUE(adieresis > 0 && aring > 0 && aringacute > 0);

  struct Damage {
    const char* what;
    std::string bytes;
    bool loads;  // Check accepts it
  };
  std::vector<Damage> damaged;
  for (const size_t keep : {size_t{12}, size_t{100}, good.size() / 2, good.size() - 1})
    damaged.push_back({"truncated", good.substr(0, keep), keep > 100});
  {
    std::string s = good;  // every loca offset far beyond glyf and the stream
    const auto [i, loca] = entry("loca");
    for (uint32_t k = 0; k + 2 <= loca.Length; k += 2) Put16(s, loca.Offset + k, 0xFFF0 - k);
    damaged.push_back({"loca beyond glyf", s, true});
  }
  {
    std::string s = good;  // Adieresis's first component is Adieresis
    Put16(s, glyph_at(adieresis) + 12, static_cast<uint32_t>(adieresis));
    damaged.push_back({"self-referencing composite", s, true});
  }
  {
    std::string s = good;  // aring and aringacute contain each other
    Put16(s, glyph_at(aring) + 12, static_cast<uint32_t>(aringacute));
    damaged.push_back({"composites in a cycle", s, true});
  }
  {
    std::string s = good;  // a glyph claiming more points than its data holds
    Put16(s, glyph_at(font.GetGlyphID("A")) + 10, 0xFFFE);
    damaged.push_back({"endpoint beyond data", s, true});
  }
  for (const auto& e : font.TableDirectory->TableEntries) {
    std::string s = good;
    const auto [i, t] = entry(e.Tag);
    Put32(s, 12 + 16 * i + 12, 0);
    damaged.push_back({"zero-length table", s, true});
    s = good;
    Put32(s, 12 + 16 * i + 8, static_cast<uint32_t>(good.size() - 2));
    damaged.push_back({"table at the end of the stream", s, true});
  }

  for (const Damage& d : damaged) {
    SCOPED_TRACE(std::string(d.what) + " (" + std::to_string(d.bytes.size()) + " bytes)");
    TStringStream stream(d.bytes);
    TvnTrueTypeHandler reader;
    bool accepted = false;
    try {
      accepted = reader.Check(stream);
    } catch (const vn::Exception&) {
      continue;  // refused with the reader's exception
    }
    if (!d.loads) EXPECT_FALSE(accepted);
    if (!accepted) continue;
    for (int32_t g = 0; g < 16; ++g) {
      try {
        reader.GetOutlineForGlyphID(g, 12, 96, EncodingType::None);
      } catch (const vn::Exception&) {
      }
    }
    for (const int32_t code : {0x41, 0xC4, 0x1FB})
      try {
        reader.GetOutlineForCharCode(code, 12, 96, EncodingType::None);
      } catch (const vn::Exception&) {
      }
  }
}

TEST(TrueTypeFont, SelfReferencingCompositeStopsAndKeepsItsOtherParts) {
  std::string s = Subset();
  Loaded intact(s);
  const int32_t adieresis = intact.font.GetGlyphID("Adieresis");
  Put16(s, static_cast<size_t>(intact.font.glyfTableOffset + intact.font.glyfInfoDictionary.at(adieresis).Offset) + 12,
        static_cast<uint32_t>(adieresis));
  Loaded f(s);
  ASSERT_TRUE(f.accepted);
  const auto outline = f.font.GetOutlineForGlyphID(adieresis, 12, 72, EncodingType::None);
  ASSERT_NE(outline, nullptr);
  // The dieresis survives at every level of the bounded recursion; no
  // level holds more than its two components.
  int matrices = 0;
  for (const Instructions& r : *outline) matrices += r.Name == TvnStepKind::transformmatrix;
  EXPECT_GE(matrices, 2);
  EXPECT_LE(matrices, 2 * TvnTrueTypeHandler::kMaxComponentDepth);
}

}  // namespace
}  // namespace vn::fonts::truetype_font_test
