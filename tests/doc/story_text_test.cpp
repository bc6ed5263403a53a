// Formatted disk pages and story text over small built files: compressed
// text through Windows-1252, pieces of both kinds and out of file order,
// the stories split by their counts with their runs at story positions,
// property runs shared and bounded by their page, and damage read
// leniently.
#include <gtest/gtest.h>

#include "doc/doc_package.h"
#include "doc/main_document_parser.h"
#include "word_document_builder.h"

namespace vn::doc::story_text_test {

using vn::doc::testing::WordDocumentBuilder;

// A loaded document: the package and its main-document reader.
struct Loaded {
  explicit Loaded(const std::string& file) : input(file), package(&input, u"", &diagnostics), parser(&package, nullptr, &diagnostics) {
    parser.Initialize();
  }
  vn::TStringStream input;
  Diagnostics diagnostics;
  TvnDOCPackage package;
  TvnDOCMainDocumentParser parser;
};

std::string Bold() { return std::string("\x35\x08\x01", 3); }
std::string Italic() { return std::string("\x36\x08\x01", 3); }

TEST(DocStoryText, CompressedTextReadsThroughWindows1252) {
  WordDocumentBuilder b;
  b.Text(u"\x93Quoted\x94 \x80 5 \x96 done\r", true);
  Loaded doc(b.Build());
  EXPECT_EQ(doc.parser.MainStory().FText, u"\u201CQuoted\u201D \u20AC 5 \u2013 done\r");
  EXPECT_TRUE(doc.diagnostics.Empty()) << doc.diagnostics.Summary();
}

TEST(DocStoryText, MixedPiecesReadEachFromItsOwnPlace) {
  // Three pieces: compressed, 16-bit, compressed; the second lies after the
  // third in the file, and the formatting follows the bytes.
  WordDocumentBuilder b;
  b.Text(u"Plain ", true, 0x600).Text(u"\u0416\u0438\u0432\u043E ", false, 0x700).Text(u"end\r", true, 0x680);
  b.CharacterRun(b.Fc(0), b.Fc(6), "").CharacterRun(0x680, 0x684, Italic()).CharacterRun(0x700, 0x70A, Bold());
  Loaded doc(b.Build());
  const TvnDocStory& main = doc.parser.MainStory();
  EXPECT_EQ(main.FText, u"Plain \u0416\u0438\u0432\u043E end\r");
  // Runs in story order: plain 0-6, bold 6-11, italic 11-15.
  ASSERT_EQ(main.FCharacters.size(), 3u);
  EXPECT_EQ(main.FCharacters[0].FCP, 0);
  EXPECT_EQ(main.FCharacters[0].FPRL, nullptr);
  EXPECT_EQ(main.FCharacters[1].FCP, 6);
  EXPECT_EQ(main.FCharacters[1].FCPEnd, 11);
  ASSERT_NE(main.FCharacters[1].FPRL, nullptr);
  EXPECT_EQ(main.FCharacters[1].FPRL->at(0).Fispmd, 53);
  EXPECT_EQ(main.FCharacters[2].FCP, 11);
  EXPECT_EQ(main.FCharacters[2].FCPEnd, 15);
  EXPECT_EQ(main.FCharacters[2].FPRL->at(0).Fispmd, 54);
}

TEST(DocStoryText, StoriesSplitByTheirCountsWithPositionsInsideEach) {
  // 10 main characters, 5 of footnotes, 6 of headers.
  WordDocumentBuilder b;
  b.Text(u"Body text\r", true).Text(u"Note\r", false).Text(u"Head\r\r", true).Stories({5, 6});
  b.ParagraphRun(b.Fc(0), b.Fc(10), 1, "").ParagraphRun(b.Fc(10), b.Fc(15), 2, "").ParagraphRun(b.Fc(15), b.Fc(21), 3, "");
  Loaded doc(b.Build());
  const auto* main = doc.parser.Story(u"MainDocument");
  const auto* notes = doc.parser.Story(u"FootNote");
  const auto* header = doc.parser.Story(u"Header");
  ASSERT_TRUE(main && notes && header);
  EXPECT_EQ(main->FText, u"Body text\r");
  EXPECT_EQ(notes->FText, u"Note\r");
  EXPECT_EQ(header->FText, u"Head\r\r");
  for (const auto& [story, istd, length] :
       {std::tuple{main, 1, 10}, std::tuple{notes, 2, 5}, std::tuple{header, 3, 6}}) {
    ASSERT_EQ(story->FParagraphs.size(), 1u);
    EXPECT_EQ(story->FParagraphs[0].FISTD, istd);
    EXPECT_EQ(story->FParagraphs[0].FCP, 0);
    EXPECT_EQ(story->FParagraphs[0].FCPEnd, length);
  }
  for (const char16_t* name : {u"Annotations", u"EndNote", u"TextBox", u"HeaderTextBox"}) {
    EXPECT_TRUE(doc.parser.Story(name)->FText.empty());
    EXPECT_TRUE(doc.parser.Story(name)->FParagraphs.empty());
  }
  EXPECT_EQ(doc.parser.Story(u"Elsewhere"), nullptr);
}

TEST(DocStoryText, RunsOnOnePageSharingPropertiesShareOneList) {
  WordDocumentBuilder b;
  b.Text(u"one two three\r", true);
  b.CharacterRun(b.Fc(0), b.Fc(4), Bold()).CharacterRun(b.Fc(4), b.Fc(8), "").CharacterRun(b.Fc(8), b.Fc(14), Bold());
  const std::string word = b.WordDocument();
  // Make the third run point at the first run's properties.
  const uint32_t page = static_cast<uint32_t>(word.size() / 512) - 2;
  std::string patched = word;
  patched[page * 512 + 16 + 2] = patched[page * 512 + 16 + 0];
  const std::string file = vn::doc::testing::CompoundFileBuilder().Stream(u"WordDocument", patched).Stream(u"1Table", b.Table()).Build();
  Loaded doc(file);
  const auto& runs = doc.parser.FormattedDiskPages().FCharacters;
  ASSERT_EQ(runs.size(), 3u);
  EXPECT_EQ(runs[0].FPRL, runs[2].FPRL);
  EXPECT_EQ(runs[1].FPRL, nullptr);
}

TEST(DocStoryText, AParagraphWhoseLengthByteIsZeroTakesTheNextByte) {
  WordDocumentBuilder b;
  b.Text(u"Para\r", true);
  const std::string word = b.WordDocument();
  // Rewrite the paragraph page's one PapxInFkp as cb 0, cb' 3: istd 7,
  // then sprmPJc80 center and one padding byte.
  std::string patched = word;
  const size_t page = word.size() - 512;
  const std::string papx("\x00\x03\x07\x00\x03\x24\x01\x00", 8);
  patched.replace(page + 400, papx.size(), papx);
  patched[page + 8] = static_cast<char>(200);
  const std::string file = vn::doc::testing::CompoundFileBuilder().Stream(u"WordDocument", patched).Stream(u"1Table", b.Table()).Build();
  Loaded doc(file);
  const auto& runs = doc.parser.MainStory().FParagraphs;
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_EQ(runs[0].FISTD, 7);
  ASSERT_NE(runs[0].FPRL, nullptr);
  ASSERT_EQ(runs[0].FPRL->size(), 1u);
  EXPECT_EQ(runs[0].FPRL->at(0).Sprm(), 0x2403);
}

TEST(DocStoryText, DamagedPagesAndStoriesAreReadLeniently) {
  struct Case {
    const char* name;
    std::function<void(std::string& word, std::string& table, size_t chpx_page)> damage;
    std::u16string text;
    const char* report;
  };
  const Case cases[] = {
      {"a run's properties reach past the page",
       [](std::string& w, std::string&, size_t p) {
         w[p + 8] = static_cast<char>(250);  // offset 500: cb 0x40 reaches past 511
         w[p + 500] = 0x40;
       },
       u"Text\r", "a run's properties reach past their formatted disk page"},
      {"the run count is larger than a page holds",
       [](std::string& w, std::string&, size_t p) { w[p + 511] = static_cast<char>(200); },
       u"Text\r", "a formatted disk page says it holds more runs than fit"},
      {"a page's positions go backwards",
       [](std::string& w, std::string&, size_t p) { w[p + 4] = 0; w[p + 5] = 0; },
       u"Text\r", "a formatted disk page's positions stop increasing"},
      {"the main story reaches past the piece table",
       [](std::string& w, std::string&, size_t) { w[76] = 50; },
       u"Text\r", "a story reaches past the piece table (50 > 5)"},
      {"the bin table points outside the WordDocument stream",
       [](std::string&, std::string& t, size_t) { t[t.size() - 4] = 0x7F; },
       u"Text\r", "a formatted disk page lies outside the WordDocument stream"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    WordDocumentBuilder b;
    b.Text(u"Text\r", true);
    std::string word = b.WordDocument();
    std::string table = b.Table();
    c.damage(word, table, word.size() - 1024);
    Loaded doc(vn::doc::testing::CompoundFileBuilder().Stream(u"WordDocument", word).Stream(u"1Table", table).Build());
    EXPECT_EQ(doc.parser.MainStory().FText, c.text);
    EXPECT_NE(doc.diagnostics.Summary().find(c.report), std::string::npos) << doc.diagnostics.Summary();
    for (const auto& r : doc.parser.MainStory().FCharacters) EXPECT_LE(r.FCPEnd, 5);
  }
}

TEST(DocStoryText, TextOutsideTheStreamEndsTheStory) {
  WordDocumentBuilder b;
  b.Text(u"Start\r", true).Text(u"far", false, 0x600 + 0x10000);
  std::string word = b.WordDocument();
  word.resize(0x800);  // cut before the second piece (and the pages)
  Loaded doc(vn::doc::testing::CompoundFileBuilder().Stream(u"WordDocument", word).Stream(u"1Table", b.Table()).Build());
  EXPECT_EQ(doc.parser.MainStory().FText, u"Start\r");
  EXPECT_NE(doc.diagnostics.Summary().find("a story's text lies outside the WordDocument stream"), std::string::npos);
}

}  // namespace vn::doc::story_text_test
