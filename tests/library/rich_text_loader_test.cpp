// Rich text through the library's RTF loader: the export engine's
// ExportRichText lays an RTF file out into a rectangle of the page and
// continues it on new pages.
#include "library/rich_text_loader_impl.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "../export/recording_engine.h"
#include "export/rich_text.h"
#include "library/library.h"
#include "runtime/exceptions.h"
#include "runtime/streams.h"

namespace vn::rich_text_loader_test {
namespace {

// Forty paragraphs "Line 1" to "Line 40", 12 points each.
std::string FortyLines() {
  std::string rtf = "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0\\fs24 ";
  for (int i = 1; i <= 40; ++i) rtf += "\\pard Line " + std::to_string(i) + "\\par\n";
  return rtf + "}";
}

struct DrawnText {
  int Page;
  std::string Text;
  double X, Y;
};

// The lines of text of the engine's log, with the page they were rendered
// on: text items of one page at one height make one line, the position is
// the line's first item's.
std::vector<DrawnText> TextsOf(const std::vector<std::string>& ALog) {
  std::vector<DrawnText> texts;
  int page = 0;
  const std::regex text(R"(content Text (.*) @([-0-9.]+),([-0-9.]+))");
  for (const std::string& line : ALog) {
    if (line.rfind("StartPage ", 0) == 0) page = std::stoi(line.substr(10));
    std::smatch m;
    if (!std::regex_match(line, m, text)) continue;
    const double x = std::stod(m[2]), y = std::stod(m[3]);
    if (!texts.empty() && texts.back().Page == page && texts.back().Y == y)
      texts.back().Text += m[1];
    else
      texts.push_back({page, m[1], x, y});
  }
  return texts;
}

int PagesOf(const std::vector<std::string>& ALog) {
  int pages = 0;
  for (const std::string& line : ALog) pages += line.rfind("StartPage ", 0) == 0 ? 1 : 0;
  return pages;
}

class RichTextLoaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitializeLibrary();
    FEngine.SetMeasurementUnit(exporter::TvnUnitType::muPixels);
  }
  void TearDown() override { FinalizeLibrary(); }

  exporter::testing::RecordingEngine FEngine;
};

TEST_F(RichTextLoaderTest, AnRtfFileIsDrawnIntoTheRectangleOverSeveralPages) {
  const std::filesystem::path file = std::filesystem::path(std::getenv("TMPDIR")) / "forty.rtf";
  std::ofstream(file) << FortyLines();
  FEngine.BeginDoc();
  FEngine.ExportRichText(FromUtf8(file.string()), 100, 120, 400, 420, 0, -1, 0xFFFFFF);
  FEngine.EndDoc();
  const std::vector<DrawnText> texts = TextsOf(FEngine.Log);
  ASSERT_EQ(texts.size(), 40u);
  // Every line once, in order, inside the rectangle; 300 pixels of height
  // hold fewer than 40 lines of 12 points, so the text goes on over pages.
  for (size_t i = 0; i < texts.size(); ++i) {
    SCOPED_TRACE(texts[i].Text);
    EXPECT_EQ(texts[i].Text, "Line " + std::to_string(i + 1));
    EXPECT_GE(texts[i].X, 100);
    EXPECT_LT(texts[i].X, 400);
    EXPECT_GE(texts[i].Y, 120);
    EXPECT_LT(texts[i].Y, 420);
    if (i > 0) EXPECT_GE(texts[i].Page, texts[i - 1].Page);
  }
  EXPECT_EQ(texts.front().Page, 1);
  EXPECT_GE(texts.back().Page, 3);
  EXPECT_EQ(PagesOf(FEngine.Log), texts.back().Page);
}

TEST_F(RichTextLoaderTest, ACharacterRangeDrawsThePagesThatHoldIt) {
  // "Line 1" to "Line 9" take 7 characters each with their paragraph ends,
  // "Line 10" on 8: character 100 lies in "Line 14".
  vn::TMemoryStream stream;
  stream.WriteString(FortyLines());
  FEngine.BeginDoc();
  FEngine.ExportRichText(stream, 0, 0, 300, 150, 100, 101, 0xFFFFFF);
  FEngine.EndDoc();
  const std::vector<DrawnText> texts = TextsOf(FEngine.Log);
  ASSERT_FALSE(texts.empty());
  EXPECT_EQ(PagesOf(FEngine.Log), 1);
  bool holds = false;
  for (const DrawnText& t : texts) holds = holds || t.Text == "Line 14";
  EXPECT_TRUE(holds);
  EXPECT_NE(texts.front().Text, "Line 1");
}

TEST_F(RichTextLoaderTest, InputThatIsNotRtfIsRefusedWithNothingDrawn) {
  vn::TMemoryStream stream;
  stream.WriteString("plain words, no RTF");
  FEngine.BeginDoc();
  try {
    FEngine.ExportRichText(stream, 0, 0, 300, 300, 0, -1, 0xFFFFFF);
    ADD_FAILURE() << "no error";
  } catch (const vn::EConvertError& e) {
    EXPECT_STREQ(e.what(), "The input is not an RTF file");
  }
  FEngine.EndDoc();
  EXPECT_TRUE(TextsOf(FEngine.Log).empty());
}

}  // namespace
}  // namespace vn::rich_text_loader_test
