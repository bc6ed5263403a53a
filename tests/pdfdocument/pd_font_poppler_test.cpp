// Advances against pdftotext: one word shown in a font on a one-page PDF,
// its box from pdftotext -bbox, and the box's width compared with the sum
// of the advances GetNextChar gives for the same codes.
#include <cstdio>
#include <fstream>
#include <regex>

#include <gtest/gtest.h>

#include "pdf/pdf_file_builder.h"
#include "pdfdocument/font_test_doc.h"
#include "support/prerequisites.h"

namespace vn::pdfdoc::pd_font_poppler_test {

using font_test_doc::Decode;
using font_test_doc::HexStream;
using font_test_doc::LoadFont;

constexpr double kFontSize = 20;

// A page showing the hex codes in the font of object 1 (AObjects as for
// LoadFont; objects 90 on are the page's).
std::string WordPdf(std::map<int64_t, std::string> AObjects, const std::string& AHexCodes) {
  const std::string content = "BT /F1 20 Tf 10 40 Td <" + AHexCodes + "> Tj ET";
  AObjects[90] = "<< /Type /Catalog /Pages 91 0 R >>";
  AObjects[91] = "<< /Type /Pages /Kids [92 0 R] /Count 1 >>";
  AObjects[92] = "<< /Type /Page /Parent 91 0 R /MediaBox [0 0 600 100] /Contents 93 0 R "
                 "/Resources << /Font << /F1 1 0 R >> >> >>";
  AObjects[93] = "<< /Length " + std::to_string(content.size()) + " >>\nstream\n" + content + "\nendstream";
  vn::pdf::testing::PdfFileBuilder builder("%PDF-1.4\n");
  for (const auto& [number, body] : AObjects) builder.Obj(number, body);
  builder.ClassicTable("/Size 94 /Root 90 0 R");
  return builder.Data();
}

// The width of the first word pdftotext finds; negative when it fails.
double PdftotextWordWidth(const std::string& APdf) {
  const auto dir = std::filesystem::temp_directory_path();
  std::ofstream(dir / "word.pdf", std::ios::binary) << APdf;
  const std::string command =
      "pdftotext -q -bbox '" + (dir / "word.pdf").string() + "' '" + (dir / "word.html").string() + "'";
  if (std::system(command.c_str()) != 0) return -1;
  std::ifstream file(dir / "word.html");
  const std::string html((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  std::smatch match;
  if (!std::regex_search(html, match, std::regex(R"re(<word xMin="([0-9.]+)" yMin="[0-9.]+" xMax="([0-9.]+)")re")))
    return -1;
  return std::stod(match[2]) - std::stod(match[1]);
}

std::string HexOf(const std::string& ABytes) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string hex;
  for (unsigned char c : ABytes) hex += {kDigits[c >> 4], kDigits[c & 15]};
  return hex;
}

struct WordCase {
  const char* What;
  std::map<int64_t, std::string> Objects;
  std::string Codes;
};

const std::string kToUnicodeAB =
    "1 begincodespacerange <0000> <FFFF> endcodespacerange 1 beginbfrange <0041> <0044> <0041> endbfrange";

const WordCase kWordCases[] = {
    {"Helvetica metrics", {{1, "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>"}}, "Wave"},
    {"Times-Bold metrics", {{1, "<< /Type /Font /Subtype /Type1 /BaseFont /Times-Bold >>"}}, "Wave"},
    {"Courier-Oblique metrics", {{1, "<< /Type /Font /Subtype /Type1 /BaseFont /Courier-Oblique >>"}}, "Wave"},
    {"WinAnsi Helvetica", {{1, "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>"}},
     "\xE9t\xE9"},
    {"widths of a TrueType font",
     {{1, "<< /Type /Font /Subtype /TrueType /BaseFont /Family /FirstChar 65 /LastChar 67 /Widths [600 450 725] "
          "/FontDescriptor 2 0 R >>"},
      {2, "<< /Type /FontDescriptor /FontName /Family /Flags 32 /FontBBox [0 -200 1000 900] /Ascent 900 "
          "/Descent -200 /ItalicAngle 0 /StemV 80 /CapHeight 700 >>"}},
     "ABCA"},
    {"W array of a composite font",
     {{1, "<< /Type /Font /Subtype /Type0 /BaseFont /F /Encoding /Identity-H /DescendantFonts [2 0 R] "
          "/ToUnicode 4 0 R >>"},
      {2, "<< /Type /Font /Subtype /CIDFontType2 /BaseFont /F /CIDSystemInfo << /Registry (Adobe) /Ordering "
          "(Identity) /Supplement 0 >> /DW 800 /W [65 [500 650] 67 68 300] /FontDescriptor 3 0 R >>"},
      {3, "<< /Type /FontDescriptor /FontName /F /Flags 32 /FontBBox [0 -200 1000 900] /Ascent 900 /Descent -200 "
          "/ItalicAngle 0 /StemV 80 /CapHeight 700 >>"},
      {4, HexStream("", kToUnicodeAB)}},
     std::string("\0A\0B\0C\0D\0A", 10)},
};

TEST(PDFontOracle, WordWidthsAgreeWithPdftotext) {
  if (!vn::test_support::HaveTool("pdftotext")) GTEST_SKIP() << "pdftotext is not installed";
  for (const WordCase& c : kWordCases) {
    SCOPED_TRACE(c.What);
    auto loaded = LoadFont(c.Objects);
    ASSERT_NE(loaded.Font, nullptr);
    std::u16string shown;
    for (unsigned char b : c.Codes) shown.push_back(b);
    double advance = 0;
    for (size_t i = 0; i < shown.size();) {
      const auto decoded = Decode(*loaded.Font, shown, i);
      advance += decoded.Dx * kFontSize;
      i += static_cast<size_t>(decoded.Processed);
    }
    const double theirs = PdftotextWordWidth(WordPdf(c.Objects, HexOf(c.Codes)));
    ASSERT_GT(theirs, 0);
    EXPECT_NEAR(advance, theirs, 0.01);
  }
}

}  // namespace vn::pdfdoc::pd_font_poppler_test
