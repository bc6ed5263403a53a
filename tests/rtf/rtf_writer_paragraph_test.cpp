#include "rtf/rtf_writer_paragraph.h"

#include <gtest/gtest.h>

#include <string>

#include "rtf_test_support.h"

namespace vn::rtf::rtf_writer_paragraph_test {

using writer::TvnLineSpacing;
using writer::TvnRTFFontStyle;
using writer::TvnRTFHeader;
using writer::TvnRTFParagraph;
using writer::TvnRTFParagraphDestination;
using writer::TvnTextRise;

constexpr auto pdPage = TvnRTFParagraphDestination::pdPage;
constexpr auto pdTable = TvnRTFParagraphDestination::pdTable;
constexpr auto pdList = TvnRTFParagraphDestination::pdList;

// A paragraph with all lengths 0 and line spacing off.
TvnRTFParagraph& Plain(TvnRTFParagraph& AParagraph) {
  AParagraph.Paragraph().Settings().SetUseLineSpacing(false);
  return AParagraph;
}

void AddRun(TvnRTFParagraph& AParagraph, const char16_t* AText, TvnRTFFontStyle AStyle = {},
            TvnTextRise ARise = TvnTextRise::trNormal, double ATab = 0) {
  AParagraph.Paragraph().InsertTextItem(AText, 0, 1, AStyle, 24, 0, 0, ATab, ARise);
}

TEST(RtfWriterParagraph, BodyParagraphText) {
  TvnRTFHeader header;
  TvnRTFParagraph paragraph(&header, -1, {pdPage});
  AddRun(Plain(paragraph), u"Hi");
  EXPECT_EQ(paragraph.Encode(), "\r\n{\\pard\\ql\\fi0\\li0\\ri0\\sa0\\sb0\\f0\\cf1\\fs24\\b0\\i0 \\expndtw0 Hi\\par}\r\n");
}

TEST(RtfWriterParagraph, PropertiesAndLineSpacing) {
  struct Case {
    TvnLineSpacing Option;
    double Spacing;
    std::string Words;
  };
  // Exact and at-least spacing are twips; single and multiple are 240ths of
  // a line, which only "\slmult1" makes a multiple.
  const Case cases[] = {
      {TvnLineSpacing::lsExact, 240, "\\sl-240\\slmult0"},
      {TvnLineSpacing::lsExact, -240, "\\sl-240\\slmult0"},
      {TvnLineSpacing::lsAtLeast, 240, "\\sl240\\slmult0"},
      {TvnLineSpacing::lsMultiple, 360, "\\sl360\\slmult1"},
      {TvnLineSpacing::lsSingle, 240, "\\sl240\\slmult1"},
  };
  for (const Case& c : cases) {
    TvnRTFHeader header;
    TvnRTFParagraph paragraph(&header, -1, {pdPage});
    auto& settings = paragraph.Paragraph().Settings();
    settings.SetFirstLineIndent(-360);
    settings.SetLeftIndent(720);
    settings.SetRightIndent(100.4);
    settings.SetAfterSpace(120);
    settings.SetBeforeSpace(60.5);  // rounded half to even
    settings.SetAlignment(writer::TvnHAlignment::haJustify);
    settings.SetLineSpacing(c.Spacing);
    settings.SetLineSpacingOption(c.Option);
    EXPECT_EQ(paragraph.Encode(), "\r\n{\\pard\\qj\\fi-360\\li720\\ri100\\sa120\\sb60" + c.Words + "\\par}\r\n");
  }
}

TEST(RtfWriterParagraph, AlignmentsAndBorders) {
  TvnRTFHeader header;
  TvnRTFParagraph paragraph(&header, -1, {pdPage});
  auto& settings = Plain(paragraph).Paragraph().Settings();
  settings.Border().SpaceFromText = 4;
  settings.Border().DrawLeft = true;
  settings.Border().DrawTop = true;
  EXPECT_EQ(paragraph.Encode(),
            "\r\n{\\pard\\ql\\fi0\\li0\\ri0\\sa0\\sb0\\brdrl\\brsp4\\brdrt\\brsp4\\brdrbtw\\brsp4\\par}\r\n");
  settings.Border() = {};
  const std::pair<writer::TvnHAlignment, const char*> words[] = {{writer::TvnHAlignment::haLeft, "\\ql"},
                                                                  {writer::TvnHAlignment::haRight, "\\qr"},
                                                                  {writer::TvnHAlignment::haCenter, "\\qc"},
                                                                  {writer::TvnHAlignment::haJustify, "\\qj"},
                                                                  {writer::TvnHAlignment::haGeneral, "\\ql"}};
  for (const auto& [alignment, word] : words) {
    settings.SetAlignment(alignment);
    EXPECT_EQ(paragraph.Encode(), std::string("\r\n{\\pard") + word + "\\fi0\\li0\\ri0\\sa0\\sb0\\par}\r\n");
  }
}

TEST(RtfWriterParagraph, RunsWithRiseTabsBookmarksAndStyles) {
  TvnRTFHeader header;
  TvnRTFParagraph paragraph(&header, -1, {pdPage});
  Plain(paragraph);
  AddRun(paragraph, u"x", {}, TvnTextRise::trSubscript);
  AddRun(paragraph, u"2", {true, true, false, false}, TvnTextRise::trSuperscript);
  AddRun(paragraph, u"", {}, TvnTextRise::trNormal, 1);
  paragraph.Paragraph().InsertBookmarkText(u"{m}", 0, 1, {false, false, true, true}, 24, 0, 20, 0, u"Mark1");
  AddRun(paragraph, u"end");
  EXPECT_EQ(paragraph.Encode(),
            "\r\n{\\pard\\ql\\fi0\\li0\\ri0\\sa0\\sb0"
            "\\f0\\cf1\\fs24\\b0\\i0 \\expndtw0 \\sub x\\nosupersub"
            "\\f0\\cf1\\fs24 \\b \\i \\expndtw0 \\super 2\\nosupersub"
            "\\f0\\cf1\\fs24\\b0\\i0 \\expndtw0 \\tx1\\tab "
            "\\f0\\cf1\\fs24\\b0\\i0 \\strike \\ul \\expndtw20 {\\bkmkstart Mark1}\\{m\\}{\\bkmkend Mark1}"
            // The run after an underlined, struck-out one turns both off.
            "\\f0\\cf1\\fs24\\b0\\i0\\strike0\\ulnone \\expndtw0 end\\par}\r\n");
}

TEST(RtfWriterParagraph, TableAndListParagraphs) {
  TvnRTFHeader header;
  header.AddListToListTable(0, writer::TvnHAlignment::haLeft, writer::TvnListSpace::lsTab, 1);
  TvnRTFParagraph cell(&header, -1, {pdTable});
  Plain(cell).Paragraph().InsertBookmarkText(u"in", 0, 1, {}, 24, 0, 0, 0, u"Mark1");
  // The group of the runs stays open for the cell; no bookmark in a cell.
  EXPECT_EQ(cell.Encode(), "\r\n\\pard\\intbl\\ql\\fi0\\li0\\ri0\\sa0\\sb0{\\f0\\cf1\\fs24\\b0\\i0 \\expndtw0 in\r\n");
  cell.NestingLevel = 2;
  EXPECT_EQ(cell.Encode().substr(0, 22), "\r\n\\pard\\intbl\\itap2\\ql");

  TvnRTFParagraph item(&header, -1, {pdPage, pdList});
  item.ListIndex = 0;
  EXPECT_EQ(Plain(item).Encode(), "\r\n{\\pard\\ls1\\ql\\fi0\\li0\\ri0\\sa0\\sb0\\par}\r\n");
  item.ListIndex = 1;  // names no list: not written
  EXPECT_EQ(item.Encode(), "\r\n{\\pard\\ql\\fi0\\li0\\ri0\\sa0\\sb0\\par}\r\n");
}

TEST(RtfWriterParagraph, StyledRunsTakeTheStyleFormat) {
  TvnRTFHeader header;
  writer::WriterFont font;
  font.Name = u"Liberation Sans";
  font.Size = 14;
  font.Bold = true;
  const int32_t style = header.AddStyleToStyleTable(font, platform::RGBColor(0, 0, 128), "Heading");
  TvnRTFParagraph paragraph(&header, style, {pdPage});
  AddRun(Plain(paragraph), u"Title");
  EXPECT_EQ(paragraph.Encode(), "\r\n{\\pard\\ql\\fi0\\li0\\ri0\\sa0\\sb0 \\s11\\f0\\cf1\\fs28 \\b\\i0 \\expndtw0 Title\\par}\r\n");
  TvnRTFParagraph unknown(&header, style + 1, {pdPage});
  AddRun(Plain(unknown), u"Body");
  EXPECT_EQ(unknown.Encode(), "\r\n{\\pard\\ql\\fi0\\li0\\ri0\\sa0\\sb0 \\expndtw0 Body\\par}\r\n");
  header.StyleManager().Clear();
}

TEST(RtfWriterParagraph, ReadsBackThroughTheReader) {
  TvnRTFHeader header;
  writer::WriterFont font;
  font.Name = u"Liberation Serif";
  const int32_t serif = header.AddFontInfoToFontTable(font);
  const int32_t red = header.AddColorInfoToColorTable(platform::RGBColor(192, 0, 0));
  TvnRTFParagraph paragraph(&header, -1, {pdPage});
  auto& item = paragraph.Paragraph();
  item.InsertTextItem(u"Plain ", serif, red, {}, 24, 0, 0, 0, TvnTextRise::trNormal);
  item.InsertTextItem(u"bold", serif, red, {true, false, false, false}, 24, 0, 0, 0, TvnTextRise::trNormal);
  item.InsertTextItem(u"under", serif, red, {false, true, true, false}, 20, 0, 0, 0, TvnTextRise::trNormal);
  item.InsertTextItem(u"2", serif, red, {}, 20, 0, 0, 0, TvnTextRise::trSuperscript);
  item.InsertTextItem(u" caf\u00e9 \u20ac", serif, red, {}, 24, 0, 0, 0, TvnTextRise::trNormal);
  const std::string file = header.Encode() + paragraph.Encode() + "}";
  EXPECT_EQ(rtf_test_support::DumpRtf(file, true),
            "{Liberation Serif 12 c00000}Plain {b Liberation Serif 12 c00000}bold"
            "{i u Liberation Serif 10 c00000}under{sup Liberation Serif 10 c00000}2"
            "{Liberation Serif 12 c00000} caf\u00e9 \u20ac\n");
}

}  // namespace vn::rtf::rtf_writer_paragraph_test
