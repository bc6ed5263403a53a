// The fonts of small PDFs written by cairo, LibreOffice and ghostscript, and
// of one written directly with a predefined CMap
// (tests/fixtures/pdfdocument/fonts, made by the scripts beside them): kind,
// embedding and subset agree with what pdffonts listed, and the codes,
// advances and text GetNextChar gives for every shown character agree with
// the per-character output of a second PDF reader, both kept in
// expected.tsv when the fixtures were made.
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include <gtest/gtest.h>

#include "pdf/base_doc.h"
#include "pdfdocument/cmap.h"
#include "pdfdocument/font_test_doc.h"
#include "pdfdocument/pd_cid_font.h"
#include "pdfdocument/pd_font.h"
#include "runtime/strings.h"
#include "support/paths.h"

namespace vn::pdfdoc::pd_font_fixture_test {

using font_test_doc::Decode;
using font_test_doc::PdffontsType;

std::string FontsFolder() { return std::string(VN_FIXTURES_DIR) + "/pdfdocument/fonts/"; }

struct FontRow {
  int64_t Object = 0;
  std::string Type, Emb, Sub;
};

struct CharRow {
  int64_t Object = 0;
  std::string Code;     // the code's bytes
  std::u16string Text;  // its Unicode text
  double Advance = 0;   // for a font size of 1
};

struct FixtureTable {
  std::map<std::string, std::vector<FontRow>> Fonts;
  std::map<std::string, std::vector<CharRow>> Chars;
};

std::string BytesOfHex(const std::string& AHex) {
  std::string bytes;
  for (size_t i = 0; i + 1 < AHex.size(); i += 2)
    bytes.push_back(static_cast<char>(std::stoi(AHex.substr(i, 2), nullptr, 16)));
  return bytes;
}

// The fixtures' text lies in the Basic Multilingual Plane.
std::u16string TextOfCodePoints(const std::string& ACodePoints) {
  std::u16string text;
  std::stringstream split(ACodePoints);
  for (std::string point; split >> point;) text.push_back(static_cast<char16_t>(std::stoul(point, nullptr, 16)));
  return text;
}

FixtureTable ReadTable() {
  FixtureTable table;
  std::ifstream file(FontsFolder() + "expected.tsv");
  std::string line;
  while (std::getline(file, line)) {
    std::vector<std::string> cells;
    std::stringstream split(line);
    for (std::string cell; std::getline(split, cell, '\t');) cells.push_back(cell);
    if (cells.size() == 6 && cells[0] == "font") {
      table.Fonts[cells[1]].push_back({std::stoll(cells[2]), cells[3], cells[4], cells[5]});
    } else if (cells.size() == 6 && cells[0] == "char") {
      table.Chars[cells[1]].push_back(
          {std::stoll(cells[2]), BytesOfHex(cells[3]), TextOfCodePoints(cells[4]), std::stod(cells[5])});
    }
  }
  return table;
}

std::unique_ptr<vn::pdf::TvnPDBaseDoc> OpenFixture(const std::string& AFile) {
  auto doc = std::make_unique<vn::pdf::TvnPDBaseDoc>();
  doc->LoadDocument(std::filesystem::path(FontsFolder()) / AFile, "");
  return doc;
}

std::string CMapFolder() { return std::string(VN_FIXTURES_DIR) + "/pdfdocument/cmap/"; }

TEST(PDFontFixtures, KindEmbeddingAndSubsetAgreeWithPdffonts) {
  const FixtureTable table = ReadTable();
  // One fixture per producer and kind; all of them must be listed.
  const std::set<std::string> kinds_expected = {"TrueType", "Type 1", "Type 1C", "Type 3", "CID TrueType",
                                                "CID TrueType with a predefined CMap"};
  std::set<std::string> kinds_seen;
  ASSERT_EQ(table.Fonts.size(), 7u);
  for (const auto& [file, rows] : table.Fonts) {
    auto doc = OpenFixture(file);
    for (const FontRow& row : rows) {
      SCOPED_TRACE(file + " object " + std::to_string(row.Object));
      auto font = TvnPDFont::MakeFont(doc.get(), nullptr, "F", doc->GetObject(row.Object), CMapFolder());
      ASSERT_NE(font, nullptr);
      const auto* cid_font = dynamic_cast<const TvnPDCIDFont*>(font.get());
      const bool predefined =
          cid_font && cid_font->CMap() && !cid_font->CMap()->IsIdentity() && cid_font->CMap()->cMapName() != "Custom";
      kinds_seen.insert(row.Type + (predefined ? " with a predefined CMap" : ""));
      // pdffonts counts a Type 3 font's glyph procedures as embedded.
      const bool emb = font->EmbeddingType() != TvnPDFFontEmbeddingType::etNone ||
                       font->FontType() == TvnPDFontType::Type3;
      EXPECT_EQ(PdffontsType(font->FontType()), row.Type);
      EXPECT_EQ(emb, row.Emb == "yes");
      EXPECT_EQ(font->EmbeddingType() == TvnPDFFontEmbeddingType::etSubset, row.Sub == "yes");
    }
  }
  EXPECT_EQ(kinds_seen, kinds_expected);
}

// The text of one decoded code: its ToUnicode text when the map has it,
// else, for a composite font whose character collection has a Unicode map,
// the Unicode value of the code's CID, else the code GetNextChar gave.
std::u16string TextOf(const TvnPDFont& AFont, const std::string& ACode, uint32_t ADecoded) {
  int64_t raw = 0;
  std::u16string code;
  for (unsigned char c : ACode) {
    raw = raw * 256 + c;
    code.push_back(c);
  }
  if (AFont.GetToUnicode()) {
    std::u16string text = AFont.GetToUnicode()->LookupText(raw);
    if (!text.empty()) return text;
  }
  const auto* cid_font = dynamic_cast<const TvnPDCIDFont*>(&AFont);
  if (cid_font && cid_font->CMap() && cid_font->CMap()->UCSParser()) {
    int processed = 0;
    return std::u16string(1, static_cast<char16_t>(cid_font->CMap()->GetCID(code, 0, processed, false)));
  }
  return std::u16string(1, static_cast<char16_t>(ADecoded));
}

TEST(PDFontFixtures, CodesAdvancesAndTextAgreeWithTheOtherReader) {
  const FixtureTable table = ReadTable();
  ASSERT_EQ(table.Chars.size(), 7u);
  for (const auto& [file, rows] : table.Chars) {
    auto doc = OpenFixture(file);
    std::map<int64_t, std::unique_ptr<TvnPDFont>> fonts;
    // Every run of characters shown in one font is one string, decoded
    // from its start, so that each code is split off where the font says.
    for (size_t first = 0; first < rows.size();) {
      const int64_t object = rows[first].Object;
      size_t last = first;
      std::u16string shown;
      while (last < rows.size() && rows[last].Object == object) {
        for (unsigned char c : rows[last].Code) shown.push_back(c);
        ++last;
      }
      auto& font = fonts[object];
      if (!font) font = TvnPDFont::MakeFont(doc.get(), nullptr, "F", doc->GetObject(object), CMapFolder());
      ASSERT_NE(font, nullptr) << file << " object " << object;
      // Type 3 advances are in glyph units.
      const double scale = font->FontType() == TvnPDFontType::Type3 ? (*font->FontMatrix())[0] : 1.0;
      size_t index = 0;
      for (size_t r = first; r < last; ++r) {
        const CharRow& row = rows[r];
        SCOPED_TRACE(file + " object " + std::to_string(object) + " character " + std::to_string(r - first));
        ASSERT_LT(index, shown.size());
        const auto decoded = Decode(*font, shown, index);
        ASSERT_EQ(decoded.Result, 1);
        ASSERT_EQ(decoded.Processed, static_cast<int>(row.Code.size()));
        // The other reader takes TrueType advances from the program's own
        // metrics, which /Widths carries cut to whole thousandths.
        EXPECT_NEAR(decoded.Dx * scale, row.Advance, 0.001);
        EXPECT_EQ(decoded.Dy, 0);
        EXPECT_EQ(vn::ToUtf8(TextOf(*font, row.Code, decoded.Code)), vn::ToUtf8(row.Text));
        index += static_cast<size_t>(decoded.Processed);
      }
      first = last;
    }
  }
}

}  // namespace vn::pdfdoc::pd_font_fixture_test
