// TrueType fonts against outside readers: every glyph outline of DejaVu
// Sans and Liberation Serif against FreeType's unhinted outline in font
// units, and their table values, glyph names, metrics, cmaps and kerning
// pairs against fontTools.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>

#include "fonts/truetype_font.h"
#include "outline_oracle.h"
#include "runtime/streams.h"
#include "support/paths.h"
#include "support/prerequisites.h"

namespace vn::fonts::truetype_oracle_test {
namespace {

namespace fs = std::filesystem;
using testing::CompareShapes;
using testing::FreeTypeFace;
using testing::Pt;
using testing::Shape;
using testing::ShapeBuilder;

const fs::path kDejaVuSans = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
const fs::path kLiberationSerif = "/usr/share/fonts/truetype/liberation2/LiberationSerif-Regular.ttf";

// FreeType places transformed components on whole font units.
constexpr double kTolerance = 0.51;

// An affine map of output points: x' = m[0] x + m[1] y + m[2], y' = m[3] x
// + m[4] y + m[5].
using Affine = std::array<double, 6>;

Affine Compose(const Affine& outer, const Affine& inner) {
  return {outer[0] * inner[0] + outer[1] * inner[3], outer[0] * inner[1] + outer[1] * inner[4],
          outer[0] * inner[2] + outer[1] * inner[5] + outer[2], outer[3] * inner[0] + outer[4] * inner[3],
          outer[3] * inner[1] + outer[4] * inner[4], outer[3] * inner[2] + outer[4] * inner[5] + outer[5]};
}

// Our TrueType records as a shape: each contour starts at its first step's
// start point, quadratic curves become cubics, and a transformmatrix moves
// the records up to its addshape (nested ones compose).
Shape TrueTypeShape(const TvnRecList* list) {
  ShapeBuilder b;
  if (!list) return b.Take();
  std::vector<Affine> transforms{{1, 0, 0, 0, 1, 0}};
  bool open = false;
  const auto at = [&](TvnPointF p) {
    const Affine& m = transforms.back();
    return Pt{m[0] * p.X + m[1] * p.Y + m[2], m[3] * p.X + m[4] * p.Y + m[5]};
  };
  for (const Instructions& r : *list) {
    switch (r.Name) {
      case TvnStepKind::close:
        b.Finish();
        open = false;
        break;
      case TvnStepKind::lineto:
        if (!open) b.Move(at(r.prev));
        open = true;
        b.Line(at(r.pt2));
        break;
      case TvnStepKind::curveto: {
        if (!open) b.Move(at(r.pt3[0]));
        open = true;
        const Pt p0 = at(r.pt3[0]), q = at(r.pt3[2]), p = at(r.pt3[3]);
        b.Curve({p0.x + 2.0 / 3 * (q.x - p0.x), p0.y + 2.0 / 3 * (q.y - p0.y)},
                {p.x + 2.0 / 3 * (q.x - p.x), p.y + 2.0 / 3 * (q.y - p.y)}, p);
        break;
      }
      case TvnStepKind::transformmatrix: {
        const auto& t = r.pt3;
        transforms.push_back(Compose(transforms.back(), {t[0].X, -t[1].X, t[2].X, -t[0].Y, t[1].Y, t[2].Y}));
        break;
      }
      case TvnStepKind::addshape:
        b.Finish();
        open = false;
        if (transforms.size() > 1) transforms.pop_back();
        break;
      default: break;
    }
  }
  return b.Take();
}

// FreeType places an outline so that its left edge is the glyph's left
// side bearing of hmtx; where the glyph header's xMin says otherwise, the
// glyph's own points lie that much further left.
double FreeTypeShift(const TvnTrueTypeHandler& font, int32_t g) {
  const auto& hmtx = *font.hmtxTable;
  const size_t i = static_cast<size_t>(g);
  const int lsb = i < hmtx.HMetrics.size() ? hmtx.HMetrics[i].LeftSideBearing
                                           : hmtx.LeftSideBearing.at(i - hmtx.HMetrics.size());
  const auto& info = font.glyfInfoDictionary.at(g);
  return info.NumberOfContours == 0 ? 0 : lsb - info.XMin;
}

Shape Shifted(Shape shape, double dx) {
  for (auto& contour : shape) {
    contour.start.x += dx;
    for (auto& segment : contour.segments) {
      segment.c1.x += dx;
      segment.c2.x += dx;
      segment.end.x += dx;
    }
  }
  return shape;
}

// Glyphs whose outline differs from FreeType's, as "glyph: where" lines.
std::string OutlineMismatches(const fs::path& path, int& compared, int& composites) {
  const std::string bytes = ReadFileBytes(path);
  TStringStream stream(bytes);
  TvnTrueTypeHandler font;
  if (!font.Check(stream)) return "not accepted";
  FreeTypeFace ft(bytes);
  if (!ft.ok()) return "FreeType cannot open it";
  const int upm = ft.UnitsPerEm();
  std::string report;
  for (FT_UInt g = 0; g < static_cast<FT_UInt>(ft.face()->num_glyphs); ++g) {
    const auto theirs = ft.OutlineOfGlyph(g, 1.0);
    if (!theirs) continue;
    // At the size of one em at 72 dpi an output unit is a font unit.
    const auto ours = font.GetOutlineForGlyphID(static_cast<int32_t>(g), static_cast<float>(upm), 72, EncodingType::None);
    const Shape shape = Shifted(TrueTypeShape(ours.get()), FreeTypeShift(font, static_cast<int32_t>(g)));
    const std::string diff = CompareShapes(shape, *theirs, kTolerance);
    if (!diff.empty()) report += std::to_string(g) + ": " + diff + "\n";
    composites += font.glyfInfoDictionary[static_cast<int32_t>(g)].IsComposite;
    ++compared;
  }
  return report;
}

TEST(TrueTypeFreeType, EveryGlyphOfDejaVuSansAndLiberationSerif) {
  for (const fs::path& path : {kDejaVuSans, kLiberationSerif}) {
    if (!vn::test_support::HaveFile(path)) {
      GTEST_SKIP() << path << " is not installed";
    }
    int compared = 0, composites = 0;
    EXPECT_EQ(OutlineMismatches(path, compared, composites), "") << path;
    EXPECT_GT(compared, 2000) << path;
    EXPECT_GT(composites, 100) << path;
  }
}

// The same glyphs asked by name and by Unicode code give the outline asked
// by index, at a size that is not one em.
TEST(TrueTypeFreeType, NamesAndCodesReachTheGlyphsFreeTypeFinds) {
  if (!vn::test_support::HaveFile(kDejaVuSans)) GTEST_SKIP() << "fonts-dejavu-core is not installed";
  const std::string bytes = ReadFileBytes(kDejaVuSans);
  TStringStream stream(bytes);
  TvnTrueTypeHandler font;
  ASSERT_TRUE(font.Check(stream));
  FreeTypeFace ft(bytes);
  ASSERT_TRUE(ft.ok());
  const double scale = 12.0 * 96 / 72 / ft.UnitsPerEm();
  for (const char32_t code : {U'A', U'g', U'Ä', U'ǻ', U'€', U'∑', U'ﬁ'}) {
    const FT_UInt g = FT_Get_Char_Index(ft.face(), code);
    ASSERT_NE(g, 0u) << static_cast<int>(code);
    char name[64];
    ASSERT_EQ(FT_Get_Glyph_Name(ft.face(), g, name, sizeof name), 0);
    const auto theirs = ft.OutlineOfGlyph(g, scale);
    ASSERT_TRUE(theirs);
    const auto by_code = font.GetOutlineForCharCode(static_cast<int32_t>(code), 12, 96, EncodingType::Unicode_1_0);
    const auto by_name = font.GetOutlineForGlyphName(name, 12, 96, EncodingType::None);
    EXPECT_EQ(CompareShapes(TrueTypeShape(by_code.get()), *theirs, kTolerance * scale + 1e-3), "") << name;
    EXPECT_EQ(CompareShapes(TrueTypeShape(by_name.get()), *theirs, kTolerance * scale + 1e-3), "") << name;
  }
}

// fontTools' values of a font, key to value, from the script beside the
// fixtures; empty when python3-fonttools cannot be run.
std::map<std::string, std::string> FontToolsValues(const fs::path& font) {
  std::map<std::string, std::string> values;
  const std::string python = vn::test_support::HaveFile("/usr/bin/python3") ? "/usr/bin/python3" : "python3";
  const fs::path script = fs::path(VN_FIXTURES_DIR) / "fonts" / "truetype_fonttools_values.py";
  const std::string command = python + " '" + script.string() + "' '" + font.string() + "' 2>/dev/null";
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return values;
  std::string text;
  char buf[4096];
  for (size_t n; (n = fread(buf, 1, sizeof buf, pipe)) > 0;) text.append(buf, n);
  if (pclose(pipe) != 0) return {};
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    const size_t space = line.find(' ');
    if (space != std::string::npos) values[line.substr(0, space)] = line.substr(space + 1);
  }
  return values;
}

std::map<std::string, std::string> OurValues(const TvnTrueTypeHandler& font) {
  std::map<std::string, std::string> v;
  const auto put = [&](const std::string& key, auto value) {
    if constexpr (std::is_convertible_v<decltype(value), std::string>)
      v[key] = value;
    else
      v[key] = std::to_string(value);
  };
  const auto& h = *font.headTable;
  put("head.fontRevision", h.FontRevision);
  put("head.checkSumAdjustment", h.CheckSumAdjustment);
  put("head.magicNumber", h.MagicNumber);
  put("head.flags", h.Flags);
  put("head.unitsPerEm", h.UnitsPerEm);
  put("head.xMin", h.XMin);
  put("head.yMin", h.YMin);
  put("head.xMax", h.XMax);
  put("head.yMax", h.YMax);
  put("head.macStyle", h.MacStyle);
  put("head.lowestRecPPEM", h.LowestRecPPEM);
  put("head.fontDirectionHint", h.FontDirectionHint);
  put("head.indexToLocFormat", h.IndexToLocFormat);
  put("head.glyphDataFormat", h.GlyphDataFormat);
  const auto& hh = *font.HheaTable;
  put("hhea.ascent", hh.Ascender);
  put("hhea.descent", hh.Descender);
  put("hhea.lineGap", hh.LineGap);
  put("hhea.advanceWidthMax", hh.AdvanceWidthMax);
  put("hhea.minLeftSideBearing", hh.MinLeftSideBearing);
  put("hhea.minRightSideBearing", hh.MinRightSideBearing);
  put("hhea.xMaxExtent", hh.XMaxExtent);
  put("hhea.caretSlopeRise", hh.CaretSlopeRise);
  put("hhea.caretSlopeRun", hh.CaretSlopeRun);
  put("hhea.caretOffset", hh.Reserved1);
  put("hhea.metricDataFormat", hh.MetricDataFormat);
  put("hhea.numberOfHMetrics", hh.NumberOfHMetrics);
  const auto& m = *font.maxpTable;
  const std::pair<const char*, uint16_t> maxp[] = {
      {"numGlyphs", m.NumOfGlyphs},
      {"maxPoints", m.MaxPoints},
      {"maxContours", m.MaxContours},
      {"maxCompositePoints", m.MaxCompositePoints},
      {"maxCompositeContours", m.MaxCompositeContours},
      {"maxZones", m.MaxZones},
      {"maxTwilightPoints", m.MaxTwilightPoints},
      {"maxStorage", m.MaxStorage},
      {"maxFunctionDefs", m.MaxFunctionDefs},
      {"maxInstructionDefs", m.MaxInstructionDefs},
      {"maxStackElements", m.MaxStackElements},
      {"maxSizeOfInstructions", m.MaxSizeOfInstructions},
      {"maxComponentElements", m.MaxComponentElements},
      {"maxComponentDepth", m.MaxComponentDepth}};
  for (const auto& [key, value] : maxp) put(std::string("maxp.") + key, value);
  const auto& o = *font.os2Table;
  put("OS/2.version", o.Version);
  put("OS/2.xAvgCharWidth", o.AvgCharWidth);
  put("OS/2.usWeightClass", o.WeightClass);
  put("OS/2.usWidthClass", o.WidthClass);
  put("OS/2.fsType", o._Type);
  put("OS/2.ySubscriptXSize", o.SubscriptXSize);
  put("OS/2.ySubscriptYSize", o.SubscriptYSize);
  put("OS/2.ySubscriptXOffset", o.SubscriptXOffset);
  put("OS/2.ySubscriptYOffset", o.SubscriptYOffset);
  put("OS/2.ySuperscriptXSize", o.SuperscriptXSize);
  put("OS/2.ySuperscriptYSize", o.SuperscriptYSize);
  put("OS/2.ySuperscriptXOffset", o.SuperscriptXOffset);
  put("OS/2.ySuperscriptYOffset", o.SuperscriptYOffset);
  put("OS/2.yStrikeoutSize", o.StrikeoutSize);
  put("OS/2.yStrikeoutPosition", o.StrikeoutPosition);
  put("OS/2.sFamilyClass", o.FamilyClass);
  put("OS/2.ulUnicodeRange1", o.UnicodeRange1);
  put("OS/2.ulUnicodeRange2", o.UnicodeRange2);
  put("OS/2.ulUnicodeRange3", o.UnicodeRange3);
  put("OS/2.ulUnicodeRange4", o.UnicodeRange4);
  put("OS/2.achVendID", o.VendID);
  put("OS/2.fsSelection", o.Selection);
  put("OS/2.usFirstCharIndex", o.FirstCharIndex);
  put("OS/2.usLastCharIndex", o.LastCharIndex);
  put("OS/2.sTypoAscender", o.TypoAscender);
  put("OS/2.sTypoDescender", o.TypoDescender);
  put("OS/2.sTypoLineGap", o.TypoLineGap);
  put("OS/2.usWinAscent", o.WinAscent);
  put("OS/2.usWinDescent", o.WinDescent);
  put("OS/2.ulCodePageRange1", o.CodePageRange1);
  put("OS/2.ulCodePageRange2", o.CodePageRange2);
  std::string panose;
  for (const uint8_t b : o.Panose) panose += (panose.empty() ? "" : " ") + std::to_string(b);
  put("OS/2.panose", panose);
  const auto& p = *font.postTable;
  put("post.formatType", p.Format);
  put("post.italicAngle", p.ItalicAngle);
  put("post.underlinePosition", p.UnderlinePosition);
  put("post.underlineThickness", p.UnderlineThickness);
  put("post.isFixedPitch", p.FixedPitch);
  put("post.minMemType42", p.MinMemType42);
  put("post.maxMemType42", p.MaxMemType42);
  put("post.minMemType1", p.MinMemType1);
  put("post.maxMemType1", p.MaxMemType1);
  for (const auto& [index, info] : font.glyfInfoDictionary) put("name." + std::to_string(index), info.Name);
  for (const auto& table : font.cmapTable->EncodingTables) {
    const bool unicode = table->PlatformID == 3 && table->EncodingID == 1;
    const bool roman = table->PlatformID == 1 && table->EncodingID == 0;
    if (!unicode && !roman) continue;
    // A code mapped to glyph 0 is a code without glyph.
    for (const auto& [code, glyph] : table->characterCodeToGlyphId)
      if (glyph != 0) put((unicode ? "cmap." : "cmap10.") + std::to_string(code), glyph);
  }
  const auto& hmtx = *font.hmtxTable;
  for (size_t i = 0; i < font.maxpTable->NumOfGlyphs; ++i) {
    // Glyphs after the last full metric share its advance.
    const bool full = i < hmtx.HMetrics.size();
    const int advance = full ? hmtx.HMetrics[i].AdvanceWidth : hmtx.HMetrics.back().AdvanceWidth;
    const int lsb = full ? hmtx.HMetrics[i].LeftSideBearing
                         : (i - hmtx.HMetrics.size() < hmtx.LeftSideBearing.size()
                                ? hmtx.LeftSideBearing[i - hmtx.HMetrics.size()]
                                : 99999);
    put("hmtx." + std::to_string(i), std::to_string(advance) + " " + std::to_string(lsb));
  }
  for (const auto& pair : font.KernPairValues)
    put("kern." + std::to_string(pair.LeftGlyphIndex) + "." + std::to_string(pair.RightGlyphIndex), pair.KernValue);
  if (font.gaspTable)
    for (const auto& range : font.gaspTable->GaspRange) put("gasp." + std::to_string(range.RangeMaxPPEM), range.RangeGaspBehavior);
  if (font.cvtTable) put("size.cvt", 2 * font.cvtTable->ControlValues.size());
  if (font.fpgmTable) put("size.fpgm", font.fpgmTable->Instructions.size());
  if (font.prepTable) put("size.prep", font.prepTable->Instructions.size());
  put("name.records", font.nameTable->NameRecords.size());
  return v;
}

TEST(TrueTypeFontTools, TablesNamesMetricsCmapsAndKerningAgree) {
  if (!vn::test_support::HaveFile("/usr/lib/python3/dist-packages/fontTools"))
    GTEST_SKIP() << "python3-fonttools is not installed";
  for (const fs::path& path : {kDejaVuSans, kLiberationSerif}) {
    if (!vn::test_support::HaveFile(path)) GTEST_SKIP() << path << " is not installed";
    const auto theirs = FontToolsValues(path);
    ASSERT_FALSE(theirs.empty()) << "fontTools could not read " << path;
    const std::string bytes = ReadFileBytes(path);
    TStringStream stream(bytes);
    TvnTrueTypeHandler font;
    ASSERT_TRUE(font.Check(stream)) << path;
    ASSERT_TRUE(font.headTable && font.HheaTable && font.maxpTable && font.os2Table && font.postTable &&
                font.cmapTable);
    const auto ours = OurValues(font);
    std::string report;
    for (const auto& [key, value] : theirs) {
      const auto it = ours.find(key);
      if (it == ours.end() || it->second != value)
        report += key + ": " + (it == ours.end() ? "absent" : it->second) + ", fontTools " + value + "\n";
    }
    // Nothing mapped that fontTools does not map.
    for (const auto& [key, value] : ours)
      if ((key.rfind("cmap", 0) == 0 || key.rfind("kern.", 0) == 0) && !theirs.count(key)) report += key + ": " + value + ", fontTools absent\n";
    EXPECT_EQ(report, "") << path;
    EXPECT_GT(theirs.size(), 2000u);
  }
}

}  // namespace
}  // namespace vn::fonts::truetype_oracle_test
