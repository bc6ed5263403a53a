// Any input converts to RTF through the fotarel-convert program: a Word
// document, a Word 97-2003 document, an RTF file, a two-column PDF and a
// PNG picture each give
// an RTF file whose text, read by unrtf and by the project's own RTF reader,
// holds the source's words in order, tables included; merging two inputs
// keeps both; and the converter writes RTF to a stream. Each input is
// converted once and each output read once.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "framework/document_converter.h"
#include "library/library.h"
#include "rtf/rtf_document.h"
#include "runtime/streams.h"
#include "support/paths.h"
#include "tools/road_test_support.h"
#include "wordmodel/fields.h"
#include "wordmodel/images.h"
#include "wordmodel/paragraph.h"
#include "wordmodel/table.h"
#include "wordmodel/text_item.h"

namespace fotarel_convert_rtf_output_test {

namespace fs = std::filesystem;
namespace wm = vn::wordmodel;
using vn::road_test::CommandResult;
using vn::road_test::InOrderShare;
using vn::road_test::RunCommand;

// The text of body items as the project's reader builds them: each
// paragraph's text on a line, each table cell's content in row order; a
// picture counts as "[picture]".
void AppendText(const wm::TvnDocItem* AItem, std::string& AText) {
  if (const auto* paragraph = dynamic_cast<const wm::TvnParagraph*>(AItem)) {
    for (const auto& child : paragraph->GetItems()) {
      if (dynamic_cast<const wm::TvnDocImage*>(child.get())) AText += "[picture]";
      const auto* run = dynamic_cast<const wm::TvnRun*>(child.get());
      if (!run) continue;
      for (const auto& item : run->GetItems()) {
        if (const auto* text = dynamic_cast<const wm::TvnTextitem*>(item.get())) AText += vn::ToUtf8(text->GetText());
        if (dynamic_cast<const wm::TvnDocImage*>(item.get())) AText += "[picture]";
      }
    }
    AText += '\n';
  } else if (const auto* table = dynamic_cast<const wm::TvnTable*>(AItem)) {
    for (const auto& row : table->GetRows())
      for (const auto& cell : row->GetCells())
        for (const auto& content : cell->GetDocItems()) AppendText(content.get(), AText);
  }
}

// The text the project's RTF reader finds in ARtf.
std::string ReadBack(const std::string& ARtf) {
  vn::rtf::TvnRTFDocument document;
  document.LoadFromStream(new vn::TStringStream(ARtf), u"", true);
  std::string text;
  for (const wm::TvnDocItem* item : document.GetHandler()->GetBody().Items) AppendText(item, text);
  return text;
}

struct Case {
  const char* Input;  // below the fixtures folder
  const char* Output;
  std::vector<std::string> Words;  // in their order in the source
};

class RtfOutput : public vn::road_test::RoadTest {
 protected:
  RtfOutput() : RoadTest("vn_rtf_output_", {"unrtf"}) {}

  CommandResult Convert(const std::string& AArguments) {
    return RunCommand("cd '" + FDir.string() + "' && '" FOTAREL_CONVERT "' " + AArguments);
  }
  static std::string Fixture(const std::string& AName) {
    return "'" + (fs::path(VN_FIXTURES_DIR) / AName).string() + "'";
  }
  // Both readings of AFile: unrtf's text and the project reader's.
  static std::pair<std::string, std::string> Readings(const fs::path& AFile) {
    const CommandResult unrtf = RunCommand("unrtf --text '" + AFile.string() + "'", false);
    EXPECT_EQ(unrtf.Status, 0) << AFile;
    return {unrtf.Out, ReadBack(vn::ReadFileBytes(AFile))};
  }
};

const std::vector<std::string> kDocxWords = {"Road", "document", "Latin", "First", "numbered", "Bullet", "Spans",
                                             "two", "columns", "Tall", "cell", "A2", "B2", "Anchored", "End",
                                             "portrait", "Landscape", "section"};
// Sixty portrait paragraphs, then five landscape ones.
std::vector<std::string> SectionsWords() {
  std::vector<std::string> words;
  for (int i = 1; i <= 60; ++i) words.insert(words.end(), {"Portrait", "paragraph", std::to_string(i), "first"});
  for (int i = 1; i <= 5; ++i) words.insert(words.end(), {"Landscape", "paragraph", std::to_string(i) + "."});
  return words;
}

const std::vector<std::string> kRtfWords = {"Section", "one", "table", "A1", "B1", "A2", "B2", "Pictures"};

TEST_F(RtfOutput, EachInputGivesItsWordsInOrder) {
  const std::vector<Case> cases = {
      {"docx/road_document.docx", "road_document.rtf", kDocxWords},
      {"doc/sections.doc", "sections.rtf", SectionsWords()},
      {"rtf/writer_body_sample.rtf", "writer_body_sample.rtf", kRtfWords},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Input);
    const CommandResult run = Convert("--to .rtf --out out " + Fixture(c.Input));
    ASSERT_EQ(run.Status, 0) << run.Out;
    const auto [unrtf, own] = Readings(FDir / "out" / c.Output);
    EXPECT_EQ(InOrderShare(c.Words, unrtf), 1.0) << unrtf;
    EXPECT_EQ(InOrderShare(c.Words, own), 1.0) << own;
  }
}

// A two-column page of a LibreOffice-made PDF goes through the layout
// analysis: both readings hold the source's words in order, the first
// column, then the second ("Item7" runs over into the second).
TEST_F(RtfOutput, TwoColumnPdfGivesItsWordsInOrder) {
  // The source paragraphs (see the fixture's script): a heading, then
  // "Item<i>" and twelve words of the list from word i on.
  const char* const list[] = {"alpha",  "bravo",  "charlie", "delta",   "echo",   "foxtrot", "golf",
                              "hotel",  "india",  "juliet",  "kilo",    "lima",   "mike",    "november",
                              "oscar",  "papa",   "quebec",  "romeo",   "sierra", "tango",   "uniform",
                              "victor", "whiskey", "xray",   "yankee",  "zulu"};
  std::vector<std::string> words = {"Columns", "heading"};
  for (int i = 1; i <= 12; ++i) {
    words.push_back("Item" + std::to_string(i));
    for (int k = 0; k < 12; ++k) words.push_back(list[(i + k) % 26]);
  }
  const CommandResult run = Convert("--to .rtf --out out " + Fixture("pdfdocument/layout/two_columns.pdf"));
  ASSERT_EQ(run.Status, 0) << run.Out;
  const auto [unrtf, own] = Readings(FDir / "out" / "two_columns.rtf");
  EXPECT_EQ(InOrderShare(words, unrtf), 1.0) << unrtf;
  EXPECT_EQ(InOrderShare(words, own), 1.0) << own;
}

// A picture becomes a page holding the picture, which the reader finds.
TEST_F(RtfOutput, PictureGivesAPageWithThePicture) {
  const CommandResult run = Convert("--to .rtf --out out " + Fixture("imaging/quad.png"));
  ASSERT_EQ(run.Status, 0) << run.Out;
  const std::string rtf = vn::ReadFileBytes(FDir / "out" / "quad.rtf");
  EXPECT_TRUE(rtf.starts_with("{\\rtf1"));
  EXPECT_TRUE(rtf.ends_with("}"));
  EXPECT_NE(rtf.find("{\\pict"), std::string::npos);
  const auto [unrtf, own] = Readings(FDir / "out" / "quad.rtf");
  EXPECT_NE(own.find("[picture]"), std::string::npos) << own;
}

// Merging keeps both inputs, in the order given.
TEST_F(RtfOutput, MergingKeepsBothInputs) {
  const CommandResult run = Convert("--to .rtf --merge --out out " + Fixture("docx/road_document.docx") + " " +
                                    Fixture("rtf/writer_body_sample.rtf"));
  ASSERT_EQ(run.Status, 0) << run.Out;
  std::vector<fs::path> outputs;
  for (const auto& entry : fs::directory_iterator(FDir / "out")) outputs.push_back(entry.path());
  ASSERT_EQ(outputs.size(), 1u);
  std::vector<std::string> both = kDocxWords;
  both.insert(both.end(), kRtfWords.begin(), kRtfWords.end());
  const auto [unrtf, own] = Readings(outputs.front());
  EXPECT_EQ(InOrderShare(both, unrtf), 1.0) << unrtf;
  EXPECT_EQ(InOrderShare(both, own), 1.0) << own;
}

// The converter's stream output: one stream holding the whole RTF file.
TEST_F(RtfOutput, ConverterWritesToAStream) {
  vn::InitializeLibrary();
  vn::framework::TvnDocumentConverter converter;
  const std::unique_ptr<vn::framework::TvnStreamList> streams = converter.ConvertToStream(
      vn::FromUtf8((fs::path(VN_FIXTURES_DIR) / "rtf" / "writer_body_sample.rtf").string()), u".rtf", u"", nullptr);
  ASSERT_TRUE(streams);
  ASSERT_EQ(streams->size(), 1u);
  vn::TStream& stream = *streams->front();
  stream.Seek(0, vn::SeekOrigin::soBeginning);
  const std::string rtf = stream.ReadAll();
  EXPECT_TRUE(rtf.starts_with("{\\rtf1"));
  EXPECT_TRUE(rtf.ends_with("}"));
  EXPECT_EQ(InOrderShare(kRtfWords, ReadBack(rtf)), 1.0);
}

}  // namespace fotarel_convert_rtf_output_test
