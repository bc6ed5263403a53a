// Glyph positions of text shown with character, word and horizontal
// scaling, TJ shifts and rise agree with the word boxes pdftotext -bbox
// gives for the same page, where every glyph stands apart as a word.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <regex>
#include <string>

#include "content_test_support.h"
#include "pdfdocument/pd_content_stream.h"
#include "support/prerequisites.h"

namespace vn::pdfdoc::pd_text_show_poppler_test {

using content_test_support::MakeContent;
using content_test_support::StreamObj;

// Positions of the glyphs in user space: the text position (with the rise)
// through the text matrix.
class PositionDevice : public TvnPDExportDevice {
 public:
  PositionDevice() { FUseDrawChar = true; }
  std::vector<std::pair<char, std::pair<double, double>>> Glyphs;
  void DrawChar(TvnPDState& AState, double AX, double AY, double, double, uint16_t ACode,
                const std::string&) override {
    double x = 0, y = 0;
    AState.TextMatrix().Transform(AX, AY + AState.Rise, x, y);
    if (ACode > 32) Glyphs.push_back({static_cast<char>(ACode), {x, y}});
  }
};

// Widths of Helvetica from 32 to 90.
std::string HelveticaWidths() {
  static const int kWidths[] = {278, 278, 355, 556, 556, 889, 667, 191, 333, 333, 278, 584, 278, 333, 278,
                                278, 556, 556, 556, 556, 556, 556, 556, 556, 556, 556, 278, 278, 584, 584,
                                584, 556, 1015, 667, 667, 722, 722, 667, 611, 778, 722, 278, 500, 667, 556,
                                833, 722, 778, 667, 778, 722, 667, 611, 722, 667, 944, 667, 667, 611};
  std::string out;
  for (int w : kWidths) out += " " + std::to_string(w);
  return out;
}

TEST(PDTextShowPoppler, GlyphPositionsAgreeWithPdftotextBoxes) {
  if (!vn::test_support::HaveTool("pdftotext")) GTEST_SKIP() << "pdftotext is not installed";
  // Each line tries one kind of spacing; the gaps keep every glyph a word
  // of its own. Line 5 raises its second glyph.
  const std::string content =
      "BT /F1 12 Tf 72 700 Td 10 Tc (ABC) Tj ET "
      "BT /F1 12 Tf 72 650 Td 3 Tc 20 Tw (D E F) Tj ET "
      "BT /F1 12 Tf 72 600 Td 6 Tc 150 Tz (GHI) Tj ET "
      "BT /F1 12 Tf 72 550 Td 50 Tz [(J) -2500 (K) -1500.5 (L)] TJ ET "
      "BT /F1 12 Tf 72 500 Td 30 Tc (M) Tj 4 Ts (N) Tj ET "
      "BT /F1 12 Tf 2 0 0 2 72 400 Tm 20 Tc (OP) Tj ET";
  vn::pdf::testing::PdfFileBuilder builder;
  builder.Obj(1, "<< /Type /Catalog /Pages 2 0 R >>");
  builder.Obj(2, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
  builder.Obj(3, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Resources 4 0 R /Contents 6 0 R >>");
  builder.Obj(4, "<< /Font << /F1 5 0 R >> >>");
  builder.Obj(5, "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /FirstChar 32 /LastChar 90 /Widths [" +
                     HelveticaWidths() + "] >>");
  builder.Obj(6, StreamObj("", content));
  builder.ClassicTable("/Size 7 /Root 1 0 R");
  const auto pdf = std::filesystem::temp_directory_path() / "text_positions.pdf";
  const auto html = std::filesystem::temp_directory_path() / "text_positions.html";
  {
    std::ofstream out(pdf, std::ios::binary);
    out << builder.Data();
  }
  ASSERT_EQ(std::system(("pdftotext -q -bbox '" + pdf.string() + "' '" + html.string() + "'").c_str()), 0);
  std::ifstream in(html);
  const std::string boxes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  // pdftotext measures y from the top of the page, down to the box's top.
  std::map<char, std::pair<double, double>> theirs;
  const std::regex word(R"re(<word xMin="([-0-9.]+)" yMin="([-0-9.]+)" xMax="[-0-9.]+" yMax="([-0-9.]+)">(.)</word>)re");
  for (auto it = std::sregex_iterator(boxes.begin(), boxes.end(), word); it != std::sregex_iterator(); ++it)
    theirs[(*it)[4].str()[0]] = {std::stod((*it)[1].str()), 792 - std::stod((*it)[3].str())};

  ASSERT_EQ(theirs.size(), 16u) << boxes;

  auto file = builder.Stream();  // outlives the document reading it
  vn::pdf::TvnPDBaseDoc doc;
  doc.LoadDocument(file.get(), "");
  TvnPDResource resources(&doc, nullptr, doc.GetObject(4));
  TvnPDContentStream stream(&doc, nullptr, doc.GetObject(6));
  PositionDevice device;
  TvnPDRect box(0, 0, 612, 792);
  stream.Display(&device, 72, 72, 1, 0, &box, &box, &resources);
  ASSERT_EQ(device.Glyphs.size(), 16u);
  std::map<char, double> our_y;
  for (const auto& [glyph, at] : device.Glyphs) {
    SCOPED_TRACE(std::string(1, glyph));
    ASSERT_EQ(theirs.count(glyph), 1u);
    EXPECT_NEAR(at.first, theirs[glyph].first, 0.01);
    our_y[glyph] = at.second;
  }
  // Rise: the raised glyph stands 4 above its neighbour in both.
  EXPECT_NEAR(our_y['N'] - our_y['M'], 4, 1e-9);
  EXPECT_NEAR(theirs['N'].second - theirs['M'].second, 4, 0.01);
}

}  // namespace vn::pdfdoc::pd_text_show_poppler_test
