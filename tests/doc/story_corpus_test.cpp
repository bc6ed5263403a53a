// The main story of every real Word 97-2003 file (the shared corpus and the
// LibreOffice-made fixture) equals the text antiword prints, both reduced
// to plain words: field codes left out (their results kept), control
// characters as spaces, runs of white space as one space. antiword's own
// decorations are taken out of its side: table bars, picture marks, note
// reference marks, and what it prints after the main text (notes and text
// boxes, after a line of dashes).
//
// antiword prints list numbers and bullets, made from the list
// definitions and not part of the text: in files with lists, what looks
// like a list label is taken off the start of every paragraph on both
// sides. Where antiword does not give the main story's text, catdoc is the
// oracle: antiword refuses small files ("the text stream of this file is
// too small") and moves a nested table after the cell that holds it.
// catdoc prints every story one after the other, with the field codes, so
// there the main story, codes kept, begins its text.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <regex>
#include <set>

#include "doc/doc_package.h"
#include "doc/main_document_parser.h"
#include "runtime/strings.h"
#include "support/paths.h"
#include "support/prerequisites.h"

namespace vn::doc::story_corpus_test {

namespace fs = std::filesystem;

std::vector<fs::path> CorpusDocs() {
  std::vector<fs::path> files;
  const fs::path corpus = fs::path(VN_CORPUS_DIR) / "doc";
  if (fs::is_directory(corpus))
    for (const auto& e : fs::directory_iterator(corpus))
      if (e.path().extension() == ".doc") files.push_back(e.path());
  std::sort(files.begin(), files.end());
  files.push_back(fs::path(VN_FIXTURES_DIR) / "doc" / "properties.doc");
  return files;
}

std::string RunTool(const std::string& command, bool AWithErrors = false) {
  std::string out;
  FILE* pipe = popen((command + (AWithErrors ? " 2>&1" : " 2>/dev/null")).c_str(), "r");
  if (!pipe) return out;
  char buf[4096];
  for (size_t n; (n = fread(buf, 1, sizeof buf, pipe)) > 0;) out.append(buf, n);
  pclose(pipe);
  return out;
}

// White space runs as one space, no space at either end.
std::string Squeeze(const std::string& text) {
  std::string out;
  for (const char c : text) {
    if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v') {
      if (!out.empty() && out.back() != ' ') out.push_back(' ');
    } else {
      out.push_back(c);
    }
  }
  if (!out.empty() && out.back() == ' ') out.pop_back();
  return out;
}

// A story's words: field codes dropped (kept with AKeepCodes) and results
// kept; a non-breaking hyphen as "-"; an optional hyphen, picture and
// object marks and note and comment references dropped; the other control
// characters (paragraph, cell, line and page marks, tabs) and the
// non-breaking space as white space.
std::string PlainText(const String& story, bool AKeepCodes = false) {
  String plain;
  std::vector<bool> in_code;  // per open field: still in its code
  for (const char16_t c : story) {
    if (c == 0x13) in_code.push_back(true);
    if (c == 0x14 && !in_code.empty()) in_code.back() = false;
    if (c == 0x15 && !in_code.empty()) in_code.pop_back();
    if (c >= 0x13 && c <= 0x15) {
      if (AKeepCodes) plain.push_back(u' ');
      continue;
    }
    if (!AKeepCodes && std::find(in_code.begin(), in_code.end(), true) != in_code.end()) continue;
    if (c == 0x1E) plain.push_back(u'-');
    else if (c == 0x1F) continue;
    else if (c >= 0x01 && c <= 0x08 && c != 0x07) continue;  // pictures, objects, note and comment marks
    else if (c == 0x0D || c == 0x07) plain.push_back(u'\n');
    else if (c < 0x20 || c == 0xA0) plain.push_back(u' ');
    else plain.push_back(c);
  }
  std::string text = vn::ToUtf8(plain);
  text.erase(std::remove(text.begin(), text.end(), '|'), text.end());
  return text;
}

// Without what looks like a list label at the start of a line: a number,
// letter or roman numeral with ".", ")" or "-", or one symbol, then a
// space.
std::string WithoutListLabels(const std::string& text) {
  static const std::regex label(R"((^|\n)[ \t]*([0-9]+|[A-Za-z]|[ivxlcdmIVXLCDM]+)[.)-][ \t]+)");
  static const std::regex symbol(R"((^|\n)[ \t]*(•|✓|❖|➢|□|▪|o|-|\*)[ \t]+)");
  return std::regex_replace(std::regex_replace(text, label, "$1"), symbol, "$1");
}

std::string PlainWords(const String& story, bool AKeepCodes = false, bool AWithoutLabels = false) {
  const std::string text = PlainText(story, AKeepCodes);
  return Squeeze(AWithoutLabels ? WithoutListLabels(text) : text);
}

// antiword writes a character beyond the 16-bit range as its two
// surrogates, each encoded on its own: join them into one character.
std::string JoinSurrogates(const std::string& text) {
  std::string out;
  const auto u = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  for (size_t i = 0; i < text.size();) {
    if (i + 6 <= text.size() && u(i) == 0xED && (u(i + 1) & 0xF0) == 0xA0 && u(i + 3) == 0xED &&
        (u(i + 4) & 0xF0) == 0xB0) {
      const uint32_t high = 0xD000 | ((u(i + 1) & 0x3F) << 6) | (u(i + 2) & 0x3F);
      const uint32_t low = 0xD000 | ((u(i + 4) & 0x3F) << 6) | (u(i + 5) & 0x3F);
      const uint32_t c = 0x10000 + ((high - 0xD800) << 10) + (low - 0xDC00);
      out.push_back(static_cast<char>(0xF0 | (c >> 18)));
      out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
      i += 6;
    } else {
      out.push_back(text[i++]);
    }
  }
  return out;
}

// antiword's text of the main story, its decorations taken out.
std::string AntiwordWords(const fs::path& file, bool has_other_stories, bool AWithoutLabels) {
  std::string text = RunTool("antiword -m UTF-8.txt -w 0 '" + file.string() + "'", true);
  if (has_other_stories) {
    const auto rule = text.find("\n-----------------------\n");
    if (rule != std::string::npos) text.erase(rule);
  }
  text = std::regex_replace(text, std::regex(R"(\[pic\]|\[[0-9]+\]|\[[ivxlcdm]+\])"), "");
  text.erase(std::remove(text.begin(), text.end(), '|'), text.end());
  if (AWithoutLabels) text = WithoutListLabels(text);
  return Squeeze(JoinSurrogates(text));
}

std::string CatdocWords(const fs::path& file) {
  return Squeeze(RunTool("catdoc -w -d utf-8 '" + file.string() + "'"));
}

constexpr const char* kTooSmall = "I'm afraid the text stream of this file is too small to handle.";

// Files whose antiword text holds list numbers and bullets: compared with
// what looks like a list label taken off the start of every paragraph on
// both sides.
bool HasListLabels(const fs::path& file) {
  static const std::set<std::string> files = {"poi_Lists.doc", "poi_Fuzzed.doc", "poi_simple-list.doc",
                                              "tika_testWORD_numbered_list.doc", "tika_testWORD_features.doc"};
  return files.contains(file.filename().string());
}

// antiword moves the nested table after the cell that holds it.
constexpr const char* kNestedTable = "poi_innertable.doc";

// The files the package refuses (older than Word 97, encrypted, not a Word
// document): nothing to compare.
bool Refused(const fs::path& file) {
  vn::TMemoryStream input;
  input.LoadFromFile(file);
  try {
    TvnDOCPackage package(&input, u"");
    return false;
  } catch (const EDOCFormatError&) {
    return true;
  }
}

TEST(DocStoryCorpus, MainStoryEqualsAntiwordsText) {
  if (!vn::test_support::HaveTool("antiword")) GTEST_SKIP() << "antiword is not installed";
  size_t compared = 0;
  for (const auto& file : CorpusDocs()) {
    SCOPED_TRACE(file.filename().string());
    if (Refused(file)) continue;
    vn::TMemoryStream input;
    input.LoadFromFile(file);
    Diagnostics diagnostics;
    TvnDOCPackage package(&input, u"", &diagnostics);
    TvnDOCMainDocumentParser parser(&package, nullptr, &diagnostics);
    parser.Initialize();
    const auto& fib = *package.FIBBase();
    const bool others = fib.FccpFtn + fib.FccpEdn + fib.FccpTxbx + fib.FccpAtn != 0;
    const String& text = parser.MainStory().FText;
    const bool labels = HasListLabels(file);
    const std::string antiword = AntiwordWords(file, others, labels);
    if (antiword != kTooSmall && file.filename() != kNestedTable) {
      EXPECT_EQ(PlainWords(text, false, labels), antiword);
    } else if (vn::test_support::HaveTool("catdoc")) {
      const std::string ours = PlainWords(text, true);
      const std::string catdoc = CatdocWords(file);
      if (catdoc.empty()) {
        // catdoc prints nothing for a text that is one embedded object:
        // the object's field holds no result text.
        EXPECT_EQ(PlainWords(text), "");
      } else {
        EXPECT_EQ(catdoc.substr(0, ours.size()), ours);
        EXPECT_TRUE(catdoc.size() == ours.size() || catdoc[ours.size()] == ' ');
      }
    }
    ++compared;
  }
  EXPECT_GT(compared, 30u);
}

}  // namespace vn::doc::story_corpus_test
