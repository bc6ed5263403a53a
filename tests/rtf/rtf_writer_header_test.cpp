#include "rtf/rtf_writer_header.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>

#include "rtf/rtf_writer_utils.h"
#include "rtf_test_support.h"
#include "support/paths.h"
#include "support/prerequisites.h"

namespace vn::rtf::rtf_writer_header_test {

using writer::StyleManagerReference;
using writer::TvnHAlignment;
using writer::TvnListSpace;
using writer::TvnRTFHeader;
using writer::WriterFont;

WriterFont Font(const char16_t* AName, uint8_t ACharset = 1, int32_t ASize = 10) {
  WriterFont font;
  font.Name = AName;
  font.Charset = ACharset;
  font.Size = ASize;
  return font;
}

// The nesting depth of braces before APosition (escaped braces skipped).
int DepthAt(const std::string& AText, size_t APosition) {
  int depth = 0;
  for (size_t i = 0; i < APosition && i < AText.size(); ++i) {
    if (AText[i] == '\\') ++i;
    else if (AText[i] == '{') ++depth;
    else if (AText[i] == '}') --depth;
  }
  return depth;
}

size_t Count(const std::string& AText, const std::string& APart) {
  size_t count = 0;
  for (size_t at = AText.find(APart); at != std::string::npos; at = AText.find(APart, at + 1)) ++count;
  return count;
}

// The text of the sample file: a header with two fonts, a colour, a style and
// both kinds of list, seeded, and one paragraph with text beyond ASCII.
const char16_t kSampleText[] = u"Caf\u00e9 \u00fcber {x} \\ \u20ac \u0416\u0436 \u4e2d\u6587 \U0001D11E \uac00";

std::string SampleDocument() {
  TvnRTFHeader header;
  header.SetRandomGenerator(writer::SeededRandom(7));
  const int32_t body = header.AddFontInfoToFontTable(Font(u"Liberation Serif", 0, 12));
  const int32_t red = header.AddColorInfoToColorTable(platform::RGBColor(192, 0, 0));
  header.AddStyleToStyleTable(Font(u"Liberation Sans", 0, 14), platform::RGBColor(0, 0, 128), "Heading");
  header.AddListToListTable(Font(u"Symbol", 2), u'\u2022', TvnHAlignment::haLeft, TvnListSpace::lsTab, 1);
  header.AddListToListTable(0, TvnHAlignment::haRight, TvnListSpace::lsSpace, 3);
  std::string text = header.Encode();
  text += "{\\pard\\plain\\f" + std::to_string(body) + "\\fs24\\cf" + std::to_string(red) + " " +
          writer::EncodeRTFText(kSampleText) + "\\par}\r\n}";
  header.StyleManager().Clear();
  return text;
}

// The standard output of a shell command.
std::string CommandOutput(const std::string& ACommand) {
  std::string output;
  if (FILE* pipe = popen((ACommand + " 2>/dev/null").c_str(), "r")) {
    char buffer[4096];
    for (size_t got; (got = fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, got);
    pclose(pipe);
  }
  return output;
}

TEST(RtfWriterHeader, EmptyHeaderText) {
  TvnRTFHeader header;
  EXPECT_EQ(header.GetElementType(), writer::TvnRTFElementType::etHeader);
  EXPECT_EQ(header.Encode(), "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deftab0\r\n\r\n{\\fonttbl}\r\n\r\n{\\colortbl;}\r\n");
  header.DefaultTabStop = 48.4;  // rounded to 48 pixels, then 720 twips
  header.RTFFactor = 15;
  EXPECT_NE(header.Encode().find("\\deftab720\r\n"), std::string::npos);
}

TEST(RtfWriterHeader, FontAndColourTables) {
  TvnRTFHeader header;
  EXPECT_EQ(header.AddFontInfoToFontTable(Font(u"Arial", 0)), 0);
  EXPECT_EQ(header.AddFontInfoToFontTable(Font(u"Arial", 1)), 1);
  EXPECT_EQ(header.AddFontInfoToFontTable(Font(u"arial", 0)), 2);
  EXPECT_EQ(header.AddFontInfoToFontTable(Font(u"Arial", 0, 30)), 0);  // size plays no part
  EXPECT_EQ(header.AddFontInfoToFontTable(Font(u"Caf\u00e9 {Sans}")), 3);
  EXPECT_EQ(header.AddColorInfoToColorTable(platform::RGBColor(255, 0, 0)), 1);
  EXPECT_EQ(header.AddColorInfoToColorTable(platform::RGBColor(255, 0, 0)), 1);
  EXPECT_EQ(header.AddColorInfoToColorTable(platform::RGBColor(1, 2, 3)), 2);
  EXPECT_EQ(header.AddColorInfoToColorTable(0xFF000005), 3);  // a system colour, resolved when written

  EXPECT_EQ(header.Encode(),
            "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deftab0\r\n\r\n"
            "{\\fonttbl{\\f0\\fcharset0 Arial;}{\\f1 Arial;}{\\f2\\fcharset0 arial;}{\\f3 Caf\\'E9 \\{Sans\\};}}\r\n\r\n"
            "{\\colortbl;\\red255\\green0\\blue0;\\red1\\green2\\blue3;\\red255\\green255\\blue255;}\r\n");

  header.CodePage = 1251;  // every font takes the code page's character set
  EXPECT_NE(header.Encode().find("{\\fonttbl{\\f0\\fcharset204 Arial;}{\\f1\\fcharset204 Arial;}"), std::string::npos);
}

TEST(RtfWriterHeader, CodePageCharsetsAndJustification) {
  struct Case {
    int32_t codePage, charset;
  };
  const Case cases[] = {{1252, 0}, {932, 128}, {949, 129}, {1361, 130}, {936, 134}, {950, 136},
                        {1253, 161}, {1254, 162}, {1258, 163}, {1255, 177}, {1256, 178}, {1257, 186},
                        {1251, 204}, {874, 222}, {1250, 238}, {1200, 0}, {437, 0}};
  for (const Case& c : cases) EXPECT_EQ(writer::CharsetOfCodePage(c.codePage), c.charset) << c.codePage;
  EXPECT_EQ(writer::ListJustificationDigit(TvnHAlignment::haLeft), '0');
  EXPECT_EQ(writer::ListJustificationDigit(TvnHAlignment::haRight), '2');
  EXPECT_EQ(writer::ListJustificationDigit(TvnHAlignment::haCenter), '1');
  EXPECT_EQ(writer::ListJustificationDigit(TvnHAlignment::haJustify), '0');
  EXPECT_EQ(writer::ListJustificationDigit(TvnHAlignment::haGeneral), '0');
}

TEST(RtfWriterHeader, StyleSheetEntries) {
  TvnRTFHeader header;
  header.SetRandomGenerator(writer::SeededRandom(1));
  WriterFont bold = Font(u"Arial", 0, 11);
  bold.Bold = true;
  bold.Underline = true;
  EXPECT_EQ(header.AddStyleToStyleTable(bold, platform::RGBColor(0, 0, 255), "Body"), 0);
  EXPECT_EQ(header.AddStyleToStyleTable(Font(u"Arial", 0, 9), 0, "2 Columns {\x80\xe9}"), 1);
  const std::string text = header.Encode();
  EXPECT_EQ(Count(text, "{\\stylesheet"), 1u);
  EXPECT_EQ(text.find("{\\*\\listtable"), std::string::npos);
  const std::regex body(
      "\\{\\\\s11 \\\\ql \\\\li0\\\\ri0\\\\sa200\\\\sl276\\\\slmult1\\\\wrapdefault\\\\aspalpha\\\\aspnum\\\\faauto"
      "\\\\adjustright\\\\rin0\\\\lin0\\\\itap0 \\\\rtlch\\\\alang1025 \\\\ltrch\\\\fcs0 "
      "\\\\f0\\\\cf1\\\\fs22 \\\\b\\\\i0 \\\\ul\\\\lang1033\\\\langfe1033\\\\cgrid\\\\langnp1033\\\\langfenp1033"
      "\\\\sbasedon222 \\\\sqformat \\\\spriority0 \\\\styrsid[0-9]{1,4} Body;\\}");
  EXPECT_TRUE(std::regex_search(text, body)) << text;
  // The second style: its own number, colour 2 (black), and a name that
  // starts with a digit kept apart from the number before it, its code page
  // 1252 bytes and braces escaped.
  EXPECT_TRUE(std::regex_search(text, std::regex("\\{\\\\s12 .*\\\\f0\\\\cf2\\\\fs18\\\\b0\\\\i0\\\\lang1033.*"
                                                 "\\\\styrsid[0-9]{1,4} 2 Columns \\\\\\{\\\\u8364\\\\'80\\\\'E9\\\\\\};\\}")))
      << text;
  header.StyleManager().Clear();
}

TEST(RtfWriterHeader, StyleOfAnotherDocumentBringsItsFont) {
  // Styles live in the process's one manager: a style that another header
  // added still needs its font and colour in this header's tables.
  TvnRTFHeader other;
  other.AddStyleToStyleTable(Font(u"Courier New", 0, 10), platform::RGBColor(0, 128, 0), "Code");
  TvnRTFHeader header;
  const std::string text = header.Encode();
  EXPECT_NE(text.find("{\\fonttbl{\\f0\\fcharset0 Courier New;}}"), std::string::npos) << text;
  EXPECT_NE(text.find("{\\colortbl;\\red0\\green128\\blue0;}"), std::string::npos) << text;
  EXPECT_NE(text.find("\\f0\\cf1\\fs20"), std::string::npos) << text;
  header.StyleManager().Clear();
}

TEST(RtfWriterHeader, ListsAndTheirOverrideTable) {
  TvnRTFHeader header;
  header.SetRandomGenerator(writer::SeededRandom(3));
  EXPECT_EQ(header.AddListToListTable(Font(u"Symbol", 2), u'\u2022', TvnHAlignment::haCenter, TvnListSpace::lsSpace, 1),
            0);
  EXPECT_EQ(header.AddListToListTable(0, TvnHAlignment::haRight, TvnListSpace::lsNothing, 4), 1);
  EXPECT_EQ(header.List(0).ListID, "ls1");
  EXPECT_EQ(header.List(1).ListID, "ls2");
  EXPECT_EQ(header.List(0).ListType(), 23);
  EXPECT_EQ(header.List(0).FontIndex, 0);
  const std::string text = header.Encode();

  EXPECT_EQ(Count(text, "{\\*\\listtable"), 1u);
  EXPECT_EQ(Count(text, "{\\listlevel"), 18u);
  EXPECT_NE(text.find("{\\listlevel\\levelnfc23\\levelnfcn23\\leveljc1\\leveljcn1\\levelfollow1\\levelstartat1"
                      "{\\leveltext\\leveltemplateid"),
            std::string::npos);
  EXPECT_TRUE(std::regex_search(text, std::regex("\\\\'01\\\\u8226\\\\'95;\\}\\{\\\\levelnumbers;\\}\\\\f0\\\\rtlch")));
  EXPECT_NE(text.find("{\\listlevel\\levelnfc0\\levelnfcn0\\leveljc2\\leveljcn2\\levelfollow2\\levelstartat4"),
            std::string::npos);
  EXPECT_NE(text.find("\\'02\\'02.;}{\\levelnumbers\\'01;}\\rtlch\\fcs1 \\af0 \\ltrch\\fcs0 \\fbias0\\hres0\\chhres0 "
                      "\\fi-360\\li720\\lin720}\r\n"),
            std::string::npos);

  // One override table, beside the list table (both directly inside the
  // file's group), each override naming its list's number.
  EXPECT_EQ(Count(text, "{\\*\\listoverridetable"), 1u);
  const size_t overrides = text.find("{\\*\\listoverridetable");
  EXPECT_EQ(DepthAt(text, text.find("{\\*\\listtable")), 1);
  EXPECT_EQ(DepthAt(text, overrides), 1);
  std::smatch ids;
  const std::string lists = text.substr(0, overrides);
  std::regex listId("\\\\listid([0-9]+)\\}\r\n");
  std::vector<std::string> numbers;
  for (auto it = std::sregex_iterator(lists.begin(), lists.end(), listId); it != std::sregex_iterator(); ++it)
    numbers.push_back((*it)[1]);
  ASSERT_EQ(numbers.size(), 2u);
  EXPECT_NE(numbers[0], numbers[1]);
  EXPECT_EQ(text.substr(overrides), "{\\*\\listoverridetable{\\listoverride\\listid" + numbers[0] +
                                        "\\listoverridecount0\\ls1}{\\listoverride\\listid" + numbers[1] +
                                        "\\listoverridecount0\\ls2}}\r\n");
}

TEST(RtfWriterHeader, SampleMatchesItsFixtureByteForByte) {
  const std::string sample = SampleDocument();
  EXPECT_EQ(sample, SampleDocument());  // the seeded generator repeats itself
  if (const char* out = std::getenv("VN_WRITE_RTF_WRITER_SAMPLE")) std::ofstream(out, std::ios::binary) << sample;
  std::ifstream fixture(std::filesystem::path(VN_FIXTURES_DIR) / "rtf" / "writer_header_sample.rtf", std::ios::binary);
  ASSERT_TRUE(fixture.good());
  std::stringstream expected;
  expected << fixture.rdbuf();
  EXPECT_EQ(sample, expected.str());
}

TEST(RtfWriterHeader, SampleReadsBackThroughTheReader) {
  const auto handler = rtf_test_support::Dispatch(SampleDocument());
  EXPECT_EQ(rtf_test_support::DumpBody(*handler, true),
            "{Liberation Serif 12 c00000}" + ToUtf8(kSampleText) + "\n");
}

// unrtf's text output with every character it cannot print in ASCII as
// "&#N;" of its UTF-16 code unit (its stock text output prints "?"): the
// installed text output settings with that one entry added.
std::u16string UnrtfText(const std::filesystem::path& ARtfFile, const std::filesystem::path& AConfigFolder) {
  std::filesystem::create_directories(AConfigFolder);
  {
    std::ifstream stock("/usr/share/unrtf/text.conf", std::ios::binary);
    std::ofstream config(AConfigFolder / "text.conf", std::ios::binary);
    config << stock.rdbuf() << "unisymbol_print\n\t&#%;\n";
  }
  const std::string output =
      CommandOutput("unrtf -P '" + AConfigFolder.string() + "' --text '" + ARtfFile.string() + "'");
  std::u16string text;
  const std::regex entity("&#([0-9]+);");
  size_t from = 0;
  for (auto it = std::sregex_iterator(output.begin(), output.end(), entity); it != std::sregex_iterator(); ++it) {
    text += FromUtf8(output.substr(from, static_cast<size_t>(it->position()) - from));
    text += static_cast<char16_t>(std::stoi((*it)[1]));
    from = static_cast<size_t>(it->position() + it->length());
  }
  return text + FromUtf8(output.substr(from));
}

TEST(RtfWriterHeader, SampleReadsBackThroughUnrtf) {
  const bool haveUnrtf = test_support::HaveTool("unrtf");
  if (!haveUnrtf || !test_support::HaveFile("/usr/share/unrtf/text.conf")) GTEST_SKIP() << "unrtf is not installed";
  const std::filesystem::path folder = std::filesystem::temp_directory_path() / "rtf_writer_unrtf";
  std::filesystem::create_directories(folder);
  std::ofstream(folder / "sample.rtf", std::ios::binary) << SampleDocument();
  const std::u16string text = UnrtfText(folder / "sample.rtf", folder / "config");
  EXPECT_NE(text.find(kSampleText), std::u16string::npos) << ToUtf8(text);
}

}  // namespace vn::rtf::rtf_writer_header_test
