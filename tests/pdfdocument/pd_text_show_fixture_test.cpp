// Glyph origins and advances of text shown with character, word and
// horizontal scaling, rise, TJ shifts and turned text matrices, in a
// standard font with and without /Widths, an embedded TrueType font and a
// Type 3 font, agree with the per-character positions a second PDF reader
// gave for the same pages (tests/fixtures/pdfdocument/text_show, made with
// the script beside them and kept in expected.tsv).
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include <gtest/gtest.h>

#include "pdf/base_doc.h"
#include "pdfdocument/pd_content_stream.h"
#include "pdfdocument/pd_resource.h"
#include "pdfdocument/recording_device.h"
#include "support/paths.h"

namespace vn::pdfdoc::pd_text_show_fixture_test {

using vn::pdfdoc::test_support::RecordingDevice;

std::string TextShowFolder() { return std::string(VN_FIXTURES_DIR) + "/pdfdocument/text_show/"; }

struct ShownChar {
  char Glyph = 0;
  double X = 0, Y = 0;  // the origin, with the rise, in user space
  double Width = 0;     // the advance without the spacing, in user space
  double Size = 0;      // the length of one text unit along the line, in user space
};

std::map<std::string, std::vector<ShownChar>> ReadExpected() {
  std::map<std::string, std::vector<ShownChar>> table;
  std::ifstream file(TextShowFolder() + "expected.tsv");
  std::string line;
  while (std::getline(file, line)) {
    std::vector<std::string> cells;
    std::stringstream split(line);
    for (std::string cell; std::getline(split, cell, '\t');) cells.push_back(cell);
    if (cells.size() != 5 || cells[1].size() != 1) continue;
    table[cells[0]].push_back({cells[1][0], std::stod(cells[2]), std::stod(cells[3]), std::stod(cells[4])});
  }
  return table;
}

// Records the calls and, for every glyph but the space, where it stands:
// the text position raised by the rise and the glyph's own width scaled
// horizontally, both through the text matrix (the fixtures set no CTM).
class GlyphOriginDevice : public RecordingDevice {
 public:
  GlyphOriginDevice() : RecordingDevice(Flags{.use_draw_char = true}) {}
  std::vector<ShownChar> Shown;

  void DrawChar(TvnPDState& AState, double AX, double AY, double ADx, double ADy, uint16_t ACode,
                const std::string& AName) override {
    RecordingDevice::DrawChar(AState, AX, AY, ADx, ADy, ACode, AName);
    if (ACode == 32) return;
    ShownChar shown;
    shown.Glyph = static_cast<char>(ACode);
    AState.TextMatrix().Transform(AX, AY + AState.Rise, shown.X, shown.Y);
    double wx = 0, wy = 0;
    AState.TextTransformDelta(AState.CurCharW * AState.HorizScaling, 0, wx, wy);
    shown.Width = std::hypot(wx, wy);
    AState.TextTransformDelta(AState.FontSize * AState.HorizScaling, 0, wx, wy);
    shown.Size = std::hypot(wx, wy);
    Shown.push_back(shown);
  }
};

TEST(PDTextShowFixtures, GlyphOriginsAndWidthsAgreeWithTheOtherReader) {
  const auto expected = ReadExpected();
  ASSERT_EQ(expected.size(), 4u);
  // The other reader gives a TrueType glyph's width from the program's own
  // metrics, which /Widths carries cut to whole thousandths of the size;
  // the origins both readers take from /Widths.
  const std::map<std::string, double> width_cut = {{"embedded_truetype.pdf", 0.001}};
  for (const auto& [file, rows] : expected) {
    SCOPED_TRACE(file);
    vn::pdf::TvnPDBaseDoc doc;
    doc.LoadDocument(std::filesystem::path(TextShowFolder()) / file, "");
    // Every fixture has its page as object 3 and the page's content as 5.
    vn::pdf::TvnPDBaseObject* page = doc.GetObject(3);
    ASSERT_NE(page, nullptr);
    ASSERT_NE(page->AsDict(), nullptr);
    TvnPDResource resources(&doc, nullptr, page->AsDict()->LookUp("Resources"));
    TvnPDContentStream stream(&doc, nullptr, doc.GetObject(5));
    GlyphOriginDevice device;
    TvnPDRect box(0, 0, 300, 400);
    stream.Display(&device, 72, 72, 1, 0, &box, &box, &resources);
    ASSERT_EQ(device.Shown.size(), rows.size());
    for (size_t i = 0; i < rows.size(); ++i) {
      const ShownChar& ours = device.Shown[i];
      const ShownChar& theirs = rows[i];
      SCOPED_TRACE("character " + std::to_string(i) + " " + std::string(1, theirs.Glyph));
      EXPECT_EQ(ours.Glyph, theirs.Glyph);
      // The table keeps four decimals of the other reader's single
      // precision.
      EXPECT_NEAR(ours.X, theirs.X, 0.01);
      EXPECT_NEAR(ours.Y, theirs.Y, 0.01);
      const double cut = width_cut.count(file) ? width_cut.at(file) * ours.Size : 0.0;
      EXPECT_NEAR(ours.Width, theirs.Width, 0.01 + cut);
    }
  }
}

}  // namespace vn::pdfdoc::pd_text_show_fixture_test
