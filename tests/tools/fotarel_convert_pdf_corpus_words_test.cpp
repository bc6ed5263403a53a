// End to end: corpus PDF files converted by the fotarel-convert program to
// RTF and to TXT keep at least 95% of the words pdftotext reads, in order
// (the longest common subsequence of the two word sequences over
// pdftotext's word count; the RTF read with unrtf --text). A fixed subset
// keeps the sanitized test run short: each format is one converter run over
// all of them, pdftotext runs once per file. bench/pdf_corpus_words.py
// measures the whole corpus the same way.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "pdf/pdf_corpus.h"
#include "runtime/streams.h"
#include "support/paths.h"
#include "tools/road_test_support.h"

namespace fotarel_convert_pdf_corpus_words_test {
namespace {

namespace fs = std::filesystem;
using vn::pdf::testing::RunProgram;

const fs::path kCorpus = fs::path(VN_CORPUS_DIR) / "pdf";

// Every corpus file with words that converts at or above the threshold in
// both formats (bench/pdf_corpus_words.py measures the whole corpus and
// lists the files below it, with their reasons in the README): files of
// several producers (linearized, hybrid cross-reference, rotated pages,
// outlines, page labels, images, form XObjects, Type 3 fonts). They are
// small, so the two converter runs stay short.
const char* const kFiles[] = {
    "pdfjs_acroform_calculation_order", "pdfjs_alphatrans", "pdfjs_annotation-fileattachment",
    "pdfjs_annotation-freetext", "pdfjs_annotation-highlight-without-appearance",
    "pdfjs_annotation-ink-without-appearance", "pdfjs_annotation-line", "pdfjs_annotation-link-text-popup",
    "pdfjs_annotation-tx3", "pdfjs_bug1539074", "pdfjs_bug864847", "pdfjs_issue9713", "pdfjs_annotation-square-circle-without-appearance",
    "pdfjs_annotation-stamp", "pdfjs_asciihexdecode", "pdfjs_extgstate", "pdfjs_file_pdfjs_form",
    "pdfjs_form_two_pages", "pdfjs_hello_world_rotated", "pdfjs_issue11279", "pdfjs_issue4909", "pdfjs_issue6413",
    "pdfjs_mmtype1", "pdfjs_multiple-filters-length-zero", "pdfjs_nested_outline", "pdfjs_rotation",
    "pdfjs_sci-notation", "pdfjs_simpletype3font", "pdfjs_text_clip_cff_cid", "qpdf_11-pages-with-labels",
    "qpdf_c-linearized", "qpdf_good17", "qpdf_hybrid-xref", "qpdf_image-streams-small", "qpdf_incremental-1",
    "qpdf_incremental-2", "qpdf_inherited-rotate", "qpdf_inline-image-colorspace-lookup", "qpdf_lin5",
    "qpdf_minimal-1", "qpdf_nested-form-xobjects", "qpdf_object-stream", "qpdf_outlines-with-actions", "qpdf_rotated",
    "qpdf_stream-data", "qpdf_tiff-predictor", "qpdf_utf16le", "qpdf_weird-tokens",
};

// Files whose RTF holds characters that unrtf --text shows as "?" (it prints
// every character written as \uN so): Korean, Chinese and Japanese through
// installed CMaps (vertical writing among them), Greek, accented letters of
// fonts without a cmap. Their RTF is read by the project's own RTF reader
// instead (converted to TXT).
const char* const kOwnReaderFiles[] = {
    "pdfjs_issue5010",          "pdfjs_issue8372",
    "pdfjs_bug866395",          "pdfjs_glyph_accent",
    "pdfjs_issue10519_reduced", "pdfjs_TrueType_without_cmap",
    "pdfjs_Embedded_font",      "pdfjs_issue5238",
    "pdfjs_noembed-identity",   "pdfjs_90ms_rksj_h_sample",
    "pdfjs_vertical",
};

// The words of AText, without the "Page n" lines of the text output.
std::vector<std::string> Words(const std::string& AText) {
  std::vector<std::string> words;
  std::istringstream lines(AText);
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream in(line);
    std::vector<std::string> found;
    for (std::string w; in >> w;) found.push_back(w);
    if (found.size() == 2 && found[0] == "Page" && std::all_of(found[1].begin(), found[1].end(), ::isdigit)) continue;
    words.insert(words.end(), found.begin(), found.end());
  }
  return words;
}

// The length of the longest common subsequence of A and B.
size_t CommonWords(const std::vector<std::string>& A, const std::vector<std::string>& B) {
  std::vector<size_t> row(B.size() + 1, 0), next(B.size() + 1, 0);
  for (const std::string& a : A) {
    for (size_t j = 0; j < B.size(); ++j) next[j + 1] = a == B[j] ? row[j] + 1 : std::max(row[j + 1], next[j]);
    std::swap(row, next);
  }
  return row.back();
}

TEST(CommonWords, CountsTheLongestCommonSubsequence) {
  using V = std::vector<std::string>;
  EXPECT_EQ(CommonWords(V{"a", "b", "c"}, V{"a", "b", "c"}), 3u);
  EXPECT_EQ(CommonWords(V{"a", "b", "c", "d"}, V{"b", "a", "c", "x", "d"}), 3u);
  EXPECT_EQ(CommonWords(V{}, V{"a"}), 0u);
  EXPECT_EQ(Words("Page 1\r\nfirst line\r\nPage 2\r\nPage two\r\n"), (V{"first", "line", "Page", "two"}));
}

class PdfCorpusWords : public vn::road_test::RoadTest {
 protected:
  PdfCorpusWords() : RoadTest("vn_pdf_corpus_words_", {"pdftotext", "unrtf"}) {}
};

// The share of AExpected's words that AText holds in order.
double Share(const std::vector<std::string>& AExpected, const std::string& AText) {
  return static_cast<double>(CommonWords(AExpected, Words(AText))) / static_cast<double>(AExpected.size());
}

std::vector<std::string> PdftotextWords(const std::string& AName) {
  std::string reference;
  EXPECT_EQ(RunProgram({"pdftotext", "-enc", "UTF-8", (kCorpus / (AName + ".pdf")).string(), "-"}, &reference), 0);
  return Words(reference);
}

TEST_F(PdfCorpusWords, OutputsKeepTheWordsInOrder) {
  for (const char* to : {".rtf", ".txt"}) {
    std::vector<std::string> args = {FOTAREL_CONVERT, "--to", to, "--out", (FDir / to).string()};
    for (const char* name : kFiles) args.push_back((kCorpus / (std::string(name) + ".pdf")).string());
    ASSERT_EQ(RunProgram(args), 0) << to;
  }
  for (const char* name : kFiles) {
    SCOPED_TRACE(name);
    const std::vector<std::string> expected = PdftotextWords(name);
    ASSERT_FALSE(expected.empty());
    std::string rtf;
    ASSERT_EQ(RunProgram({"unrtf", "--text", (FDir / ".rtf" / (std::string(name) + ".rtf")).string()}, &rtf), 0);
    const std::string txt = vn::ReadFileBytes(FDir / ".txt" / (std::string(name) + ".txt"));
    for (const auto& [format, text] : {std::pair{"rtf", rtf}, std::pair{"txt", txt}}) {
      const double share = Share(expected, text);
      EXPECT_GE(share, 0.95) << format << ": " << share << " of " << expected.size() << " words";
    }
  }
}

TEST_F(PdfCorpusWords, OutputsReadByTheOwnReaderKeepTheWordsInOrder) {
  for (const char* to : {".rtf", ".txt"}) {
    std::vector<std::string> args = {FOTAREL_CONVERT, "--to", to, "--out", (FDir / to).string()};
    for (const char* name : kOwnReaderFiles) args.push_back((kCorpus / (std::string(name) + ".pdf")).string());
    ASSERT_EQ(RunProgram(args), 0) << to;
  }
  std::vector<std::string> args = {FOTAREL_CONVERT, "--to", ".txt", "--out", (FDir / "own").string()};
  for (const char* name : kOwnReaderFiles) args.push_back((FDir / ".rtf" / (std::string(name) + ".rtf")).string());
  ASSERT_EQ(RunProgram(args), 0);
  for (const char* name : kOwnReaderFiles) {
    SCOPED_TRACE(name);
    const std::vector<std::string> expected = PdftotextWords(name);
    ASSERT_FALSE(expected.empty());
    for (const char* folder : {"own", ".txt"}) {
      const double share = Share(expected, vn::ReadFileBytes(FDir / folder / (std::string(name) + ".txt")));
      EXPECT_GE(share, 0.95) << folder << ": " << share << " of " << expected.size() << " words";
    }
  }
}

}  // namespace
}  // namespace fotarel_convert_pdf_corpus_words_test
