// CMaps against pdftotext: a one-page PDF showing codes through a
// composite font, extracted by pdftotext, and the text compared with what
// the CMap gives for the same codes.
#include <cstdio>
#include <fstream>

#include <gtest/gtest.h>

#include "pdfdocument/cmap.h"
#include "runtime/strings.h"
#include "support/paths.h"
#include "support/pdf_files.h"
#include "support/prerequisites.h"

namespace cmap_poppler_test {

using namespace vn::pdfdoc;

// A one-page PDF whose content shows the hex string `codes` in a Type 0
// font with the given /Encoding, descendant (with no font program) and
// optional ToUnicode stream.
std::string TextPdf(const std::string& encoding, const std::string& descendant, const std::string& codes,
                    const std::string& to_unicode) {
  const std::string content = "BT /F1 24 Tf 20 40 Td <" + codes + "> Tj ET\n";
  std::vector<std::string> objects = {
      "<< /Type /Catalog /Pages 2 0 R >>",
      "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
      "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 600 100] /Contents 4 0 R /Resources << /Font << /F1 5 0 R >> >> >>",
      "<< /Length " + std::to_string(content.size()) + " >>\nstream\n" + content + "endstream",
      "<< /Type /Font /Subtype /Type0 /BaseFont /TestFont /Encoding " + encoding + " /DescendantFonts [6 0 R]" +
          (to_unicode.empty() ? "" : " /ToUnicode 7 0 R") + " >>",
      descendant,
  };
  if (!to_unicode.empty())
    objects.push_back("<< /Length " + std::to_string(to_unicode.size()) + " >>\nstream\n" + to_unicode + "\nendstream");
  return vn::test_support::PdfOfObjects(objects);
}

// pdftotext's text of the PDF (UTF-8, surrounding white space removed);
// false when it fails.
bool ExtractText(const std::string& pdf, std::string& text) {
  const auto dir = std::filesystem::temp_directory_path();
  const auto in = dir / "cmap_text.pdf";
  const auto out = dir / "cmap_text.txt";
  std::ofstream(in, std::ios::binary) << pdf;
  const std::string cmd = "pdftotext -enc UTF-8 -raw '" + in.string() + "' '" + out.string() + "' 2>/dev/null";
  if (std::system(cmd.c_str()) != 0) return false;
  std::ifstream file(out, std::ios::binary);
  text.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  while (!text.empty() && (text.back() == '\n' || text.back() == '\f' || text.back() == ' ')) text.pop_back();
  return true;
}

std::string HexOfBytes(const std::string& bytes) {
  static const char digits[] = "0123456789ABCDEF";
  std::string h;
  for (unsigned char c : bytes) {
    h += digits[c >> 4];
    h += digits[c & 15];
  }
  return h;
}

TEST(CMapOracle, ShiftJISCodesMapAsPdftotextMapsThem) {
  if (!vn::test_support::HaveTool("pdftotext")) GTEST_SKIP() << "pdftotext is not installed";
  if (!vn::test_support::HaveFile("/usr/share/poppler/cMap/Adobe-Japan1/90ms-RKSJ-H"))
    GTEST_SKIP() << "poppler-data is not installed";
  auto cmap = TvnPDCMap::MakeCMap("Adobe-Japan1-UCS2", "90ms-RKSJ-H",
                                  std::string(VN_FIXTURES_DIR) + "/pdfdocument/cmap/");
  ASSERT_TRUE(cmap);
  // Half-width letters and katakana (one byte), full-width digits, kana
  // and kanji (two bytes).
  const std::string codes =
      "AZaz09"
      "\xB1\xB2\xDF"
      "\x82\x4F\x82\x60\x82\xA0\x83\x41\x88\x9F\x88\xA0\x93\xFA\x96\x7B\x8C\xEA\x81\x42";
  std::u16string str;
  for (unsigned char c : codes) str.push_back(c);
  std::u16string ours;
  for (size_t i = 0; i < str.size();) {
    int processed = 0;
    ours.push_back(cmap->GetCID(str, i, processed, false));
    i += static_cast<size_t>(processed);
  }
  EXPECT_EQ(ours, u"AZaz09\uFF71\uFF72\uFF9F\uFF10\uFF21\u3042\u30A2\u4E9C\u5516\u65E5\u672C\u8A9E\u3002");

  const std::string descendant =
      "<< /Type /Font /Subtype /CIDFontType0 /BaseFont /TestFont /CIDSystemInfo << /Registry (Adobe) "
      "/Ordering (Japan1) /Supplement 2 >> /FontDescriptor << /Type /FontDescriptor /FontName /TestFont /Flags 4 "
      "/FontBBox [0 0 1000 1000] /ItalicAngle 0 /Ascent 880 /Descent -120 /CapHeight 700 /StemV 80 >> >>";
  std::string theirs;
  ASSERT_TRUE(ExtractText(TextPdf("/90ms-RKSJ-H", descendant, HexOfBytes(codes), ""), theirs));
  EXPECT_EQ(theirs, vn::ToUtf8(ours));
}

TEST(CMapOracle, WrittenToUnicodeGivesTheTextInPdftotext) {
  if (!vn::test_support::HaveTool("pdftotext")) GTEST_SKIP() << "pdftotext is not installed";
  std::vector<int> glyphs{9, 3, 5, 7, 4};
  std::vector<std::u16string> unicodes{u"\U0001F600", u"A", u"B", u"ffi", u"\u00E9"};
  const std::string to_unicode = ToUnicodeCMapText(glyphs, unicodes);
  const std::string descendant =
      "<< /Type /Font /Subtype /CIDFontType2 /BaseFont /TestFont /CIDSystemInfo << /Registry (Adobe) "
      "/Ordering (Identity) /Supplement 0 >> /FontDescriptor << /Type /FontDescriptor /FontName /TestFont /Flags 4 "
      "/FontBBox [0 0 1000 1000] /ItalicAngle 0 /Ascent 880 /Descent -120 /CapHeight 700 /StemV 80 >> >>";
  std::string text;
  ASSERT_TRUE(ExtractText(TextPdf("/Identity-H", descendant, "00030005000700040009", to_unicode), text));
  EXPECT_EQ(text, "ABffi\xC3\xA9\xF0\x9F\x98\x80");
}

}  // namespace cmap_poppler_test
