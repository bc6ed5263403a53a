// The content extractor on files of real producers (cairo and LibreOffice;
// Latin, Greek, Cyrillic, CJK through a composite font, a ligature): the
// text equals what pdftotext reads, and the character boxes lie where the
// character quads of another reader (recorded in boxes.tsv beside the
// fixtures) put them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "pdf/pdf_corpus.h"
#include "pdfdocument/pdf_document.h"
#include "runtime/strings.h"
#include "support/paths.h"
#include "support/prerequisites.h"

namespace vn::pdfdoc::pdf_content_extractor_test {
namespace {

namespace fw = vn::framework;
namespace wm = vn::wordmodel;
namespace fs = std::filesystem;

fs::path Fixture(const std::string& AName) { return fs::path(VN_FIXTURES_DIR) / "pdfdocument/extractor" / AName; }

std::vector<wm::TvnTextElement*> Elements(TvnqPDFDocument& ADocument) {
  std::vector<wm::TvnTextElement*> elements;
  for (fw::TvnDocItem* item : ADocument.GetPage(1)->GetPageElements())
    if (auto* element = dynamic_cast<wm::TvnTextElement*>(item)) elements.push_back(element);
  return elements;
}

// The text without any white space, as UTF-32.
std::u32string Inked(const std::u16string& AText) {
  std::u32string out;
  for (size_t i = 0; i < AText.size(); ++i) {
    char32_t c = AText[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < AText.size()) c = 0x10000 + ((c - 0xD800) << 10) + (AText[++i] - 0xDC00);
    if (c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == '\f') continue;
    out.push_back(c);
  }
  return out;
}

class ExtractorFixture : public testing::TestWithParam<const char*> {};

TEST_P(ExtractorFixture, TextEqualsPdftotext) {
  if (!vn::test_support::HaveTool("pdftotext")) GTEST_SKIP() << "pdftotext is not installed";
  const fs::path file = Fixture(GetParam());
  std::string expected;
  ASSERT_EQ(vn::pdf::testing::RunProgram({"pdftotext", "-raw", "-enc", "UTF-8", file.string(), "-"}, &expected), 0);
  TvnqPDFDocument document;
  document.LoadFromFile(vn::FromUtf8(file.string()), u"");
  std::u16string text;
  for (const wm::TvnTextElement* element : Elements(document)) text += element->GetText() + u"\n";
  // The lines are the same; white space between words is pdftotext's
  // guess from the gaps, so it is compared without.
  EXPECT_EQ(Inked(text), Inked(vn::FromUtf8(expected))) << vn::ToUtf8(text) << "\n---\n" << expected;
}

// One row of boxes.tsv: a character and its quad's bounds.
struct Quad {
  std::u32string Text;
  double X0, Y0, X1, Y1;
};

std::vector<Quad> Quads(const std::string& AFile) {
  std::ifstream in(Fixture("boxes.tsv"));
  std::vector<Quad> quads;
  for (std::string line; std::getline(in, line);) {
    std::istringstream fields(line);
    std::string file, index, codes;
    std::getline(fields, file, '\t');
    std::getline(fields, index, '\t');
    std::getline(fields, codes, '\t');
    if (file != AFile) continue;
    Quad q{};
    std::istringstream hex(codes);
    for (std::string code; hex >> code;) q.Text.push_back(static_cast<char32_t>(std::stoul(code, nullptr, 16)));
    fields >> q.X0 >> q.Y0 >> q.X1 >> q.Y1;
    quads.push_back(q);
  }
  return quads;
}

TEST_P(ExtractorFixture, CharacterBoxesLieInTheQuadsOfAnotherReader) {
  const std::vector<Quad> quads = Quads(GetParam());
  ASSERT_FALSE(quads.empty());
  TvnqPDFDocument document;
  document.LoadFromFile(vn::FromUtf8(Fixture(GetParam()).string()), u"");
  // The boxes of the characters that show ink, in order, each with its
  // text (a ligature's one box stands for its letters).
  struct Box {
    std::u32string Text;
    const wm::TvnRectF* Rect;
  };
  std::vector<Box> boxes;
  for (const wm::TvnTextElement* element : Elements(document)) {
    const auto& rects = element->GetCharBoundingRect();
    // One box per UTF-16 unit (the fixtures' text has no surrogates).
    const std::u16string& all = element->GetText();
    EXPECT_EQ(rects.size(), all.size()) << vn::ToUtf8(all);
    for (size_t i = 0; i < std::min(rects.size(), all.size()); ++i)
      if (all[i] != ' ') boxes.push_back({std::u32string(1, all[i]), rects[i]});
  }
  std::vector<Quad> inked;
  for (const Quad& q : quads)
    if (q.Text != U" ") inked.push_back(q);
  ASSERT_GE(boxes.size(), 20u);
  // Walk both lists in order, matching each box to the next quad of its
  // character. The letters of a ligature share its glyph's box in equal
  // parts while the quads share its advance: they are compared as one box,
  // the union of theirs, with the union of their quads.
  size_t next = 0;
  int compared = 0;
  auto shares_glyph = [](const wm::TvnRectF& a, const wm::TvnRectF& b) {
    return a.GetRight() == b.GetLeft() && a.GetTop() == b.GetTop() && a.GetHeight() == b.GetHeight() &&
           a.GetWidth() == b.GetWidth();
  };
  for (size_t i = 0; i < boxes.size();) {
    size_t end = i + 1;
    while (end < boxes.size() && shares_glyph(*boxes[end - 1].Rect, *boxes[end].Rect)) ++end;
    double left = boxes[i].Rect->GetLeft(), right = boxes[end - 1].Rect->GetRight();
    const double top = boxes[i].Rect->GetTop(), bottom = boxes[i].Rect->GetBottom();
    Quad q{U"", 1e9, 1e9, -1e9, -1e9};
    for (size_t k = i; k < end; ++k) {
      while (next < inked.size() && inked[next].Text != boxes[k].Text) ++next;
      ASSERT_LT(next, inked.size()) << "no quad for a character";
      const Quad& one = inked[next++];
      q.X0 = std::min(q.X0, one.X0);
      q.Y0 = std::min(q.Y0, one.Y0);
      q.X1 = std::max(q.X1, one.X1);
      q.Y1 = std::max(q.Y1, one.Y1);
    }
    // The quad spans the advance horizontally and the font's ascent to
    // descent vertically; the ink lies within, up to the side bearings.
    const double tolerance = 2.0;
    EXPECT_NEAR(left, q.X0, tolerance + 0.25 * (q.X1 - q.X0)) << compared;
    EXPECT_NEAR(right, q.X1, tolerance + 0.25 * (q.X1 - q.X0)) << compared;
    EXPECT_GE(top, q.Y0 - tolerance) << compared;
    EXPECT_LE(bottom, q.Y1 + tolerance) << compared;
    EXPECT_GT(right - left, 0);
    EXPECT_GT(bottom - top, 0);
    compared += static_cast<int>(end - i);
    i = end;
  }
  EXPECT_EQ(compared, static_cast<int>(boxes.size()));
}

// Text turned on the page (here drawn running down a landscape page) gets
// boxes that span the advances along the text, as horizontal text does: the
// letters of a word follow each other without gaps, so that readers that
// turn the page to the text find its words by the gaps between them.
TEST(Extractor, TurnedTextBoxesSpanTheirAdvances) {
  TvnqPDFDocument document;
  document.LoadFromFile(vn::FromUtf8((fs::path(VN_CORPUS_DIR) / "pdf/qpdf_annotations-rotated-90.pdf").string()), u"");
  const wm::TvnTextElement* turned = nullptr;
  for (const wm::TvnTextElement* element : Elements(document))
    if (element->GetText() == u"Thick green border surrounds page.") turned = element;
  ASSERT_NE(turned, nullptr);
  const auto& rects = turned->GetCharBoundingRect();
  ASSERT_EQ(rects.size(), turned->GetText().size());
  const std::u16string& text = turned->GetText();
  for (size_t i = 1; i < rects.size(); ++i) {
    if (text[i - 1] == u' ' || text[i] == u' ') continue;
    SCOPED_TRACE(i);
    // Running down: each letter's box starts where the one before ends.
    EXPECT_NEAR(rects[i]->GetTop(), rects[i - 1]->GetBottom(), 0.5);
  }
}

INSTANTIATE_TEST_SUITE_P(Producers, ExtractorFixture, testing::Values("cairo_scripts.pdf", "libreoffice_scripts.pdf"),
                         [](const testing::TestParamInfo<const char*>& AInfo) {
                           std::string name = AInfo.param;
                           return name.substr(0, name.find('_'));
                         });

}  // namespace
}  // namespace vn::pdfdoc::pdf_content_extractor_test
