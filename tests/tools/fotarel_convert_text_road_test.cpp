// End to end: text files converted by the fotarel-convert program into PDF
// (checked with pdftotext and pdfinfo) and into text again; a three-page
// PDF converted into text (checked with pdftotext -layout).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "support/paths.h"
#include "tools/road_test_support.h"

namespace fs = std::filesystem;

namespace fotarel_convert_text_road_test {

using vn::road_test::CommandResult;
using vn::road_test::RunCommand;

std::vector<std::string> SplitOn(const std::string& AText, const std::string& ASeparators) {
  std::vector<std::string> parts;
  std::string cur;
  for (char c : AText) {
    if (ASeparators.find(c) != std::string::npos) {
      parts.push_back(cur);
      cur.clear();
    } else {
      cur += c;
    }
  }
  if (!cur.empty()) parts.push_back(cur);
  return parts;
}

class TextRoad : public vn::road_test::RoadTest {
 protected:
  TextRoad() : RoadTest("vn_text_road_", {"pdftotext", "pdfinfo"}) {}

  // Writes AName, converts it to ATo and answers the output's path.
  fs::path Convert(const std::string& AName, const std::string& ABytes, const std::string& ATo = ".pdf") {
    std::ofstream(FDir / AName, std::ios::binary) << ABytes;
    const CommandResult r = RunCommand("cd '" + FDir.string() + "' && '" FOTAREL_CONVERT "' --to " + ATo +
                                      " --out out '" + AName + "'");
    EXPECT_EQ(r.Status, 0) << r.Out;
    return FDir / "out" / (fs::path(AName).stem().string() + ATo);
  }

  // The non-empty lines pdftotext finds, page after page.
  std::vector<std::string> TextLines(const fs::path& APdf) {
    const CommandResult r = RunCommand("pdftotext -enc UTF-8 '" + APdf.string() + "' -");
    std::vector<std::string> lines;
    for (std::string& l : SplitOn(r.Out, "\n\f")) {
      while (!l.empty() && l.back() == ' ') l.pop_back();
      if (!l.empty()) lines.push_back(l);
    }
    return lines;
  }

  // Page sizes in points as pdfinfo reports them.
  std::vector<std::pair<double, double>> PageSizes(const fs::path& APdf) {
    const CommandResult r = RunCommand("pdfinfo -f 1 -l 100000 '" + APdf.string() + "'");
    std::vector<std::pair<double, double>> sizes;
    const std::regex line(R"(Page +\d+ size: +([0-9.]+) x ([0-9.]+) pts)");
    for (std::sregex_iterator it(r.Out.begin(), r.Out.end(), line), end; it != end; ++it)
      sizes.push_back({std::stod((*it)[1]), std::stod((*it)[2])});
    return sizes;
  }
};

TEST_F(TextRoad, EveryEncodingGivesItsLines) {
  const std::vector<std::string> lines = {"Plain text in caf\xC3\xA9s", "na\xC3\xAFve \xE2\x82\xAC 42", "last line"};
  std::string utf8;
  for (const auto& l : lines) utf8 += l + "\r\n";
  // The same text as UTF-16 (the characters above are all in the BMP).
  auto utf16 = [&](bool ABigEndian) {
    std::u16string text;
    for (const auto& l : lines) {
      for (size_t i = 0; i < l.size();) {
        const auto b = static_cast<unsigned char>(l[i]);
        char32_t cp = b;
        size_t n = 1;
        if (b >= 0xE0) cp = b & 0x0F, n = 3;
        else if (b >= 0xC0) cp = b & 0x1F, n = 2;
        for (size_t k = 1; k < n; ++k) cp = (cp << 6) | (static_cast<unsigned char>(l[i + k]) & 0x3F);
        text += static_cast<char16_t>(cp);
        i += n;
      }
      text += u"\n";
    }
    std::string bytes = ABigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (char16_t c : text) {
      const char hi = static_cast<char>(c >> 8), lo = static_cast<char>(c & 0xFF);
      bytes += ABigEndian ? std::string{hi, lo} : std::string{lo, hi};
    }
    return bytes;
  };
  const std::string cp1252 = "Plain text in caf\xE9s\nna\xEFve \x80 42\nlast line\n";
  const std::pair<const char*, std::string> inputs[] = {
      {"utf8.txt", utf8}, {"utf8bom.txt", "\xEF\xBB\xBF" + utf8}, {"utf16le.txt", utf16(false)},
      {"utf16be.txt", utf16(true)}, {"cp1252.txt", cp1252},
  };
  // One run converts them all (one output each), as a program start costs
  // more than these conversions.
  std::string names;
  for (const auto& [name, bytes] : inputs) {
    std::ofstream(FDir / name, std::ios::binary) << bytes;
    names += std::string(" '") + name + "'";
  }
  const CommandResult r = RunCommand("cd '" + FDir.string() + "' && '" FOTAREL_CONVERT "' --to .pdf --out out" + names);
  EXPECT_EQ(r.Status, 0) << r.Out;
  for (const auto& [name, bytes] : inputs) {
    SCOPED_TRACE(name);
    EXPECT_EQ(TextLines(FDir / "out" / (fs::path(name).stem().string() + ".pdf")), lines);
  }
}

TEST_F(TextRoad, LongFilesGiveA4Pages) {
  std::string text;
  for (int i = 1; i <= 5000; ++i) text += "line " + std::to_string(i) + "\n";
  const fs::path pdf = Convert("long.txt", text);
  const auto sizes = PageSizes(pdf);
  ASSERT_GT(sizes.size(), 50u);
  for (const auto& [w, h] : sizes) {
    EXPECT_NEAR(w, 595, 0.5);
    EXPECT_NEAR(h, 842, 0.5);
    EXPECT_LE(h, 842.0);
  }
  const auto lines = TextLines(pdf);
  ASSERT_EQ(lines.size(), 5000u);
  EXPECT_EQ(lines.front(), "line 1");
  EXPECT_EQ(lines.back(), "line 5000");
}

TEST_F(TextRoad, WrapsExpandsTabsAndBreaksAtFormFeeds) {
  std::string words;
  for (int i = 0; i < 120; ++i) words += "word" + std::to_string(i) + " ";
  const fs::path pdf = Convert("shapes.txt", words + "\nfirst\tsecond\n\fnext page\n");
  EXPECT_EQ(PageSizes(pdf).size(), 2u);
  std::vector<std::string> found;
  for (const std::string& line : TextLines(pdf))
    for (const std::string& w : SplitOn(line, " ")) if (!w.empty()) found.push_back(w);
  std::vector<std::string> expected = SplitOn(words, " ");
  expected.insert(expected.end(), {"first", "second", "next", "page"});
  EXPECT_EQ(found, expected);
  // The page is wider than its text: no line runs past the right edge.
  const CommandResult bbox = RunCommand("pdftotext -bbox '" + pdf.string() + "' -");
  const std::regex word(R"re(xMax="([0-9.]+)")re");
  for (std::sregex_iterator it(bbox.Out.begin(), bbox.Out.end(), word), end; it != end; ++it)
    EXPECT_LE(std::stod((*it)[1]), 595.0);
}

TEST_F(TextRoad, AnEmptyFileGivesOneEmptyPage) {
  const fs::path pdf = Convert("empty.txt", "");
  EXPECT_EQ(PageSizes(pdf).size(), 1u);
  EXPECT_TRUE(TextLines(pdf).empty());
}

TEST_F(TextRoad, TextToText) {
  const fs::path out = Convert("notes.txt", "first\nsecond\fthird\n", ".txt");
  std::ifstream in(out, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  EXPECT_EQ(s.str(), "Page 1\r\nfirst\r\nsecond\r\nPage 2\r\nthird\r\n");
}

// Each page of a three-page PDF made by LibreOffice gives its "Page n"
// heading, then its words in the order pdftotext -layout reads them. The
// file's subset fonts give code 32 to a digit ("Page3", "Closing3"), which
// must not become a space.
TEST_F(TextRoad, PdfPagesGiveHeadingsAndWordsInReadingOrder) {
  const fs::path pdf = fs::path(VN_FIXTURES_DIR) / "pdfdocument" / "layout" / "three_pages.pdf";
  const CommandResult run = RunCommand("cd '" + FDir.string() + "' && '" FOTAREL_CONVERT "' --to .txt --out out '" +
                                       pdf.string() + "'");
  ASSERT_EQ(run.Status, 0) << run.Out;
  std::ifstream in(FDir / "out" / "three_pages.txt", std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  const std::string text = s.str();
  // The headings, in order, each on a line of its own.
  std::vector<std::string> headings;
  for (const std::string& line : SplitOn(text, "\n"))
    if (line.starts_with("Page ")) headings.push_back(line);
  EXPECT_EQ(headings, (std::vector<std::string>{"Page 1\r", "Page 2\r", "Page 3\r"})) << text;
  // Page by page, the words equal those of pdftotext -layout.
  for (int page = 1; page <= 3; ++page) {
    SCOPED_TRACE(page);
    const std::string n = std::to_string(page);
    const CommandResult ref = RunCommand("pdftotext -layout -enc UTF-8 -f " + n + " -l " + n + " '" + pdf.string() +
                                         "' -", false);
    const size_t from = text.find("Page " + n + "\r\n");
    ASSERT_NE(from, std::string::npos);
    const size_t to = page < 3 ? text.find("Page " + std::to_string(page + 1) + "\r\n") : text.size();
    const std::string ours = text.substr(from + 8, to - from - 8);
    auto words = [](const std::string& AText) {
      std::vector<std::string> found;
      for (const std::string& w : SplitOn(AText, " \r\n\f"))
        if (!w.empty()) found.push_back(w);
      return found;
    };
    const std::vector<std::string> expected = words(ref.Out);
    ASSERT_GT(expected.size(), 40u);
    EXPECT_EQ(words(ours), expected) << ours;
  }
}

}  // namespace fotarel_convert_text_road_test
