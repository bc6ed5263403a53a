// Paragraph and section formatting, headers and footers, tables, pictures,
// shapes and the information group, read through the dispatcher.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "rtf/rtf_tag_handler.h"
#include "rtf_test_support.h"
#include "wordmodel/images.h"
#include "wordmodel/section.h"
#include "wordmodel/table.h"
#include "wordmodel/text_box.h"

namespace vn::rtf::rtf_structure_test {

using rtf_test_support::Dispatch;
using rtf_test_support::DumpParagraph;
using vn::wordmodel::TvnHAlignment;
using vn::wordmodel::TvnSpacingRule;
using vn::wordmodel::TvnTable;
using vn::wordmodel::TvnTableCell;
using vn::wordmodel::TvnTextBox;
using vn::wordmodel::TvnWordImage;

using rtf_test_support::DumpItems;
using rtf_test_support::DumpStructure;

const vn::wordmodel::TvnParagraphProperties& PropsOf(const TvnRTFTagHandler& AHandler, size_t AIndex) {
  const auto* paragraph = dynamic_cast<const vn::wordmodel::TvnParagraph*>(AHandler.Elements().at(AIndex));
  return *paragraph->GetParagraphProperties();
}

struct ParagraphCase {
  const char* rtf;
  TvnHAlignment alignment;
  int32_t left, right, before, after, line;
  TvnSpacingRule rule;
};

TEST(RtfParagraphs, ControlWordsSetTheClosedParagraph) {
  using enum TvnHAlignment;
  using enum TvnSpacingRule;
  const ParagraphCase cases[] = {
      {"{\\rtf1\\pard x\\par}", haLeft, 0, 0, 0, 0, 240, srAuto},
      {"{\\rtf1\\pard\\sa200 x\\par}", haLeft, 0, 0, 0, 13, 240, srAuto},
      {"{\\rtf1\\pard\\sa300\\sb300 x\\par}", haLeft, 0, 0, 20, 20, 240, srAuto},
      {"{\\rtf1\\pard\\li720\\ri1440 x\\par}", haLeft, 48, 96, 0, 0, 240, srAuto},
      {"{\\rtf1\\pard\\lin720\\rin1440 x\\par}", haLeft, 48, 96, 0, 0, 240, srAuto},
      {"{\\rtf1\\pard\\qc x\\par}", haCenter, 0, 0, 0, 0, 240, srAuto},
      {"{\\rtf1\\pard\\qr x\\par}", haRight, 0, 0, 0, 0, 240, srAuto},
      {"{\\rtf1\\pard\\qj x\\par}", haJustify, 0, 0, 0, 0, 240, srAuto},
      // Line spacing: multiple, at least, exact.
      {"{\\rtf1\\pard\\sl360\\slmult1 x\\par}", haLeft, 0, 0, 0, 0, 360, srAuto},
      {"{\\rtf1\\pard\\sl360\\slmult0 x\\par}", haLeft, 0, 0, 0, 0, 360, srAtleast},
      {"{\\rtf1\\pard\\sl-300\\slmult0 x\\par}", haLeft, 0, 0, 0, 0, 300, srExact},
      // Negative spacing is no spacing.
      {"{\\rtf1\\pard\\sa-200 x\\par}", haLeft, 0, 0, 0, 0, 240, srAuto},
      // "\pard" starts from the document defaults.
      {"{\\rtf1{\\*\\defpap\\qc\\sa120}\\pard x\\par}", haCenter, 0, 0, 0, 8, 240, srAuto},
      // The words of "\defpap" do not reach the paragraph read before it.
      {"{\\rtf1\\pard\\qr{\\*\\defpap\\qc\\sa120}x\\par}", haRight, 0, 0, 0, 0, 240, srAuto},
  };
  for (const ParagraphCase& c : cases) {
    SCOPED_TRACE(c.rtf);
    auto handler = Dispatch(c.rtf);
    ASSERT_EQ(handler->Elements().size(), 1u);
    const auto& props = PropsOf(*handler, 0);
    EXPECT_EQ(props.GetHAlignment(), c.alignment);
    EXPECT_EQ(props.GetLeftIndent(), c.left);
    EXPECT_EQ(props.GetRightIndent(), c.right);
    EXPECT_EQ(props.GetSpaceBefore(), c.before);
    EXPECT_EQ(props.GetSpaceAfter(), c.after);
    EXPECT_EQ(props.GetLineSpacing(), c.line);
    EXPECT_EQ(props.GetLineSpacingRule(), c.rule);
  }
}

// A change after "\par" applies to the next paragraph only: a centred title
// stays centred when the body text that follows is set left.
TEST(RtfParagraphs, AClosedParagraphKeepsItsAlignment) {
  auto handler = Dispatch("{\\rtf1\\pard\\qc Title\\par\\ql Body\\par}");
  ASSERT_EQ(handler->Elements().size(), 2u);
  EXPECT_EQ(PropsOf(*handler, 0).GetHAlignment(), TvnHAlignment::haCenter);
  EXPECT_EQ(PropsOf(*handler, 1).GetHAlignment(), TvnHAlignment::haLeft);
}

TEST(RtfSections, TwoSectionsTheSecondLandscapeWithTwoColumns) {
  auto handler = Dispatch(
      "{\\rtf1\\paperw11906\\paperh16838\\margl1440\\margr1440"
      "\\sectd\\titlepg One\\par\\sect"
      "\\sectd\\sbknone\\pgwsxn15840\\pghsxn12240\\marglsxn720\\margrsxn720\\cols2 Two\\par}");
  const auto sections = handler->Sections();
  ASSERT_EQ(sections.size(), 2u);
  EXPECT_EQ(sections[0]->GetPageWidth(), 794);
  EXPECT_EQ(sections[0]->GetPageHeight(), 1123);
  EXPECT_EQ(sections[0]->GetPageMargin()->GetLeft(), 96);
  EXPECT_TRUE(sections[0]->GetIsTitlePage());
  EXPECT_TRUE(sections[0]->GetColumns().empty());
  const auto& second = *sections[1];
  EXPECT_EQ(second.GetPageWidth(), 1056);
  EXPECT_EQ(second.GetPageHeight(), 816);
  EXPECT_EQ(second.GetSectionType(), vn::wordmodel::TvnSectionType::stContinuous);
  EXPECT_FALSE(second.GetIsTitlePage());
  ASSERT_EQ(second.GetColumns().size(), 2u);
  // (1056 - 48 - 48 - 48) / 2, with the default spacing of 48 pixels.
  EXPECT_EQ(second.GetColumns()[0]->GetWidth(), 456);
  EXPECT_EQ(second.GetColumns()[0]->GetSpace(), 48);
  EXPECT_EQ(rtf_test_support::DumpRtf(
                "{\\rtf1\\sectd One\\par\\sect\\sectd Two\\par}"),
            "One\n--\nTwo\n");
}

TEST(RtfSections, ColumnsOfTheirOwnWidthStayAsRead) {
  auto handler = Dispatch("{\\rtf1\\sectd\\cols3\\colno1\\colw1440\\colsr720\\colno2\\colw2880 x\\par}");
  const auto& section = *handler->Sections().at(0);
  EXPECT_FALSE(section.GetEqualWidthColumns());
  ASSERT_EQ(section.GetColumns().size(), 2u);
  EXPECT_EQ(section.GetColumns()[0]->GetWidth(), 96);
  EXPECT_EQ(section.GetColumns()[0]->GetSpace(), 48);
  EXPECT_EQ(section.GetColumns()[1]->GetWidth(), 192);
}

TEST(RtfHeaders, HeaderAndFooterGroupsFillTheSection) {
  auto handler = Dispatch(
      "{\\rtf1\\sectd\\titlepg"
      "{\\header\\pard Old\\par}"
      "{\\header\\pard Odd one\\par\\pard Odd two\\par}"
      "{\\headerf\\pard First\\par}{\\footerl\\pard Even foot}"
      "\\pard Body\\par}");
  EXPECT_EQ(DumpStructure(*handler), "Body");
  const auto& section = *handler->Sections().at(0);
  EXPECT_EQ(DumpItems(section.GetDefaultPageHeader()->GetElements()), "Odd one/Odd two");
  EXPECT_EQ(DumpItems(section.GetFirstPageHeader()->GetElements()), "First");
  EXPECT_EQ(DumpItems(section.GetEvenPageFooter()->GetElements()), "Even foot");
  EXPECT_TRUE(section.GetDefaultPageFooter()->GetElements().empty());
}

// A header group that names a second header, a footer or a picture still
// gives the body back whole.
TEST(RtfHeaders, ASecondDestinationInTheGroupLosesNoBody) {
  for (const char* rtf : {"{\\rtf1\\pard Before\\par{\\header\\footer\\pard H\\par}\\pard After\\par}",
                          "{\\rtf1\\pard Before\\par{\\header\\pict 0102\\pard H\\par}\\pard After\\par}",
                          "{\\rtf1\\pard Before\\par{\\header{\\header\\pard H\\par}}\\pard After\\par}"})
    EXPECT_EQ(DumpStructure(*Dispatch(rtf)), "Before/After") << rtf;
}

struct TableCase {
  const char* name;
  const char* rtf;
  const char* body;
};

TEST(RtfTables, RowsCellsAndNestingBuildTables) {
  const TableCase cases[] = {
      {"a 2x2 table",
       "{\\rtf1\\trowd\\cellx2880\\cellx5760\\pard\\intbl A\\cell B\\cell\\row"
       "\\trowd\\cellx2880\\cellx5760\\pard\\intbl C\\cell D\\cell\\row\\pard After\\par}",
       "[(A;B)|(C;D)]/After"},
      {"a paragraph outside ends the table; the next row starts another",
       "{\\rtf1\\trowd\\cellx2880\\pard\\intbl A\\cell\\row\\pard x\\par"
       "\\trowd\\cellx2880\\pard\\intbl B\\cell\\row}",
       "[(A)]/x/[(B)]"},
      {"the row definition after the cells",
       "{\\rtf1\\pard\\intbl A\\cell B\\cell\\trowd\\cellx1000\\cellx2000\\row}", "[(A;B)]"},
      {"a nested table stands first in its cell",
       "{\\rtf1\\trowd\\cellx4000\\cellx8000\\pard\\intbl\\itap1 Outer\\par"
       "\\pard\\intbl\\itap2 N1\\nestcell N2\\nestcell"
       "{\\*\\nesttableprops\\trowd\\cellx1000\\cellx2000\\nestrow}{\\nonesttables\\par}"
       "\\pard\\intbl\\itap1 Rest\\cell Two\\cell\\row}",
       "[(Outer/[(N1;N2)]/Rest;Two)]"},
      // Damaged rows: read what makes sense.
      {"cell words before any row definition",
       "{\\rtf1\\clvmgf\\pard\\intbl A\\cell\\row}", "[(A)]"},
      {"more cells closed than defined",
       "{\\rtf1\\trowd\\cellx1000\\pard\\intbl A\\cell B\\cell C\\cell\\row}", "[(A;B;C)]"},
      {"a row end at a nested level",
       "{\\rtf1\\trowd\\cellx1000\\pard\\intbl\\itap2 N\\nestcell\\row}", "[([(N)])]"},
      {"a row left open at the end", "{\\rtf1\\trowd\\cellx1000\\pard\\intbl A\\cell B", "[(A;B)]"},
      {"nesting levels skipped: the rows left open keep their text",
       "{\\rtf1\\trowd\\cellx5000\\pard\\intbl\\itap2 Before\\par"
       "\\pard\\intbl\\itap5 Deep\\nestcell{\\*\\nesttableprops\\trowd\\cellx4000\\nestrow}"
       "\\pard\\intbl\\itap2 After\\nestcell{\\*\\nesttableprops\\trowd\\cellx4000\\nestrow}"
       "\\pard\\intbl\\itap1 Outer\\cell\\row}",
       "[([(Before/After)]/Outer;[([([([(Deep)])])])])]"},
  };
  for (const TableCase& c : cases) EXPECT_EQ(DumpStructure(*Dispatch(c.rtf)), c.body) << c.name;
}

// A nesting level beyond any sense is read as the deepest level kept.
TEST(RtfTables, DeepNestingIsCapped) {
  std::string expected = "[(A)]";
  for (int32_t level = 1; level < kMaxRtfTableLevel; ++level) expected = "[(" + expected + ")]";
  EXPECT_EQ(DumpStructure(*Dispatch("{\\rtf1\\pard\\intbl\\itap99999999 A\\nestcell\\row}")), expected);
}

TEST(RtfTables, CellWidthsPropertiesAndBorders) {
  auto handler = Dispatch(
      "{\\rtf1{\\colortbl;\\red255\\green0\\blue0;}"
      "\\trowd\\trpaddl108\\trbrdrt\\brdrs\\brdrw15\\brdrcf1"
      "\\clvmgf\\clvertalc\\clcbpat1\\clbrdrb\\brdrs\\clftsWidth3\\clwWidth2880\\cellx2880"
      "\\clvmrg\\clvertalb\\clcbpat7\\cellx5760"
      "\\clvertalt\\cellx5000"
      "\\pard\\intbl A\\cell B\\cell C\\cell\\row}");
  const auto* table = dynamic_cast<const TvnTable*>(handler->Elements().at(0));
  ASSERT_NE(table, nullptr);
  const auto& borders = table->GetTableProperties()->GetBorders();
  ASSERT_EQ(borders.count(vn::wordmodel::TvnBorderType::Top), 1u);
  EXPECT_EQ(borders.at(vn::wordmodel::TvnBorderType::Top)->GetBorderWidth(), 2);
  EXPECT_EQ(rtf_test_support::HexColor(borders.at(vn::wordmodel::TvnBorderType::Top)->GetColor()), "ff0000");
  const auto& cells = table->GetRows().at(0)->GetCells();
  ASSERT_EQ(cells.size(), 3u);
  // Widths from the edges; an edge left of the one before gives the default.
  EXPECT_EQ(cells[0]->GetWidth(), 192);
  EXPECT_EQ(cells[1]->GetWidth(), 192);
  EXPECT_EQ(cells[2]->GetWidth(), 96);
  const auto& first = *cells[0]->GetTableCellProperties();
  EXPECT_EQ(first.GetVMergeCells(), vn::wordmodel::TvnMergeCellsOption::mcoRestart);
  EXPECT_EQ(cells[1]->GetTableCellProperties()->GetVMergeCells(), vn::wordmodel::TvnMergeCellsOption::mcoContinue);
  EXPECT_EQ(cells[0]->GetVAlignment(), vn::wordmodel::TvnVAlignment::vaCenter);
  EXPECT_EQ(cells[1]->GetVAlignment(), vn::wordmodel::TvnVAlignment::vaBottom);
  EXPECT_EQ(rtf_test_support::HexColor(first.GetFillColor()), "ff0000");
  // A colour number beyond the table changes nothing.
  EXPECT_EQ(rtf_test_support::HexColor(cells[1]->GetTableCellProperties()->GetFillColor()), "ffffff");
  EXPECT_EQ(first.GetWidthType(), vn::wordmodel::TvnWidthType::wtUnits);
  EXPECT_EQ(first.GetWidth(), 192);
  EXPECT_EQ(first.GetBorders().count(vn::wordmodel::TvnBorderType::Bottom), 1u);
  ASSERT_NE(first.GetCellMargins(), nullptr);
  EXPECT_EQ(first.GetCellMargins()->GetLeft(), 7);
}

struct RowWidthCase {
  const char* name;
  const char* rtf;
  std::vector<int32_t> widths;
};

// A row that closes more cells than it has edges stays one row: the span of
// its last defined cell is shared between that cell and the extra ones.
TEST(RtfTables, CellsBeyondTheEdgesShareTheLastSpan) {
  const RowWidthCase cases[] = {
      {"one edge, four cells", "{\\rtf1\\trowd\\cellx5760\\pard\\intbl A\\cell B\\cell C\\cell D\\cell\\row}",
       {96, 96, 96, 96}},
      {"the edges before the last keep their places",
       "{\\rtf1\\trowd\\cellx1440\\cellx4320\\pard\\intbl A\\cell B\\cell C\\cell\\row}", {96, 96, 96}},
      {"as many cells as edges: widths from the edges",
       "{\\rtf1\\trowd\\cellx1440\\cellx4320\\pard\\intbl A\\cell B\\cell\\row}", {96, 192}},
      {"the definition after the cells", "{\\rtf1\\pard\\intbl A\\cell B\\cell\\trowd\\cellx2880\\row}", {96, 96}},
      {"no edge at all: default widths", "{\\rtf1\\trowd\\pard\\intbl A\\cell B\\cell\\row}", {96, 96}},
  };
  for (const RowWidthCase& c : cases) {
    SCOPED_TRACE(c.name);
    auto handler = Dispatch(c.rtf);
    const auto* table = dynamic_cast<const TvnTable*>(handler->Elements().at(0));
    ASSERT_NE(table, nullptr);
    ASSERT_EQ(table->GetRows().size(), 1u);
    std::vector<int32_t> widths;
    for (const auto& cell : table->GetRows()[0]->GetCells()) widths.push_back(cell->GetWidth());
    EXPECT_EQ(widths, c.widths);
  }
}

// The pictures of the paragraphs in order, with their bounding rectangle,
// inline flag and decoded bytes.
struct PictureDump {
  vn::framework::TRect Box;
  bool Inline;
  std::vector<uint8_t> Bytes;
};

std::vector<PictureDump> PicturesOf(const TvnRTFTagHandler& AHandler) {
  std::vector<PictureDump> result;
  for (const auto* element : AHandler.Elements()) {
    const auto* paragraph = dynamic_cast<const vn::wordmodel::TvnParagraph*>(element);
    if (paragraph == nullptr) continue;
    // Pictures are items of the paragraph itself, where the layout places them.
    for (const auto& child : paragraph->GetItems()) {
      auto* image = dynamic_cast<TvnWordImage*>(child.get());
      if (image == nullptr) continue;
      PictureDump dump{image->GetBoundingRect(), image->GetIsInLine(), {}};
      vn::TStream* stream = image->GetImageStream();
      dump.Bytes.resize(static_cast<size_t>(stream->Size()));
      stream->SetPosition(0);
      stream->ReadBuffer(dump.Bytes.data(), stream->Size());
      result.push_back(std::move(dump));
    }
  }
  return result;
}

TEST(RtfPictures, SizeScaleAndData) {
  auto handler = Dispatch(
      "{\\rtf1\\pard{\\pict\\pngblip\\picwgoal1500\\pichgoal750 89504e47\n0d0a 1a0A}"
      "{\\pict\\picscalex50\\picwgoal1500\\pichgoal750 abc}"
      "{\\pict\\picwgoal1500\\pichgoal750 zz01}{\\pict\\picwgoal15}After\\par}");
  const auto pictures = PicturesOf(*handler);
  ASSERT_EQ(pictures.size(), 4u);
  EXPECT_EQ(pictures[0].Box, (vn::framework::TRect{0, 0, 100, 50}));
  EXPECT_TRUE(pictures[0].Inline);
  EXPECT_EQ(pictures[0].Bytes, (std::vector<uint8_t>{0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a}));
  EXPECT_EQ(pictures[1].Box, (vn::framework::TRect{0, 0, 50, 50}));
  // An odd last digit is dropped.
  EXPECT_EQ(pictures[1].Bytes, (std::vector<uint8_t>{0xab}));
  // Every picture starts from full scale; a pair that is not hexadecimal is 0.
  EXPECT_EQ(pictures[2].Box, (vn::framework::TRect{0, 0, 100, 50}));
  EXPECT_EQ(pictures[2].Bytes, (std::vector<uint8_t>{0x00, 0x01}));
  // A picture without data ends with its group: the text after it is text.
  EXPECT_TRUE(pictures[3].Bytes.empty());
  EXPECT_EQ(rtf_test_support::DumpBody(*handler), "After\n");
}

TEST(RtfShapes, FloatingPictureAndTextBox) {
  auto handler = Dispatch(
      "{\\rtf1\\pard{\\shp{\\*\\shpinst\\shpleft1440\\shptop720\\shpright4320\\shpbottom2160"
      "\\shpwrk1\\shpwr2{\\sp{\\sn posrelh}{\\sv 1}}{\\sp{\\sn pib}{\\sv {\\pict 0102}}}}}"
      "{\\shp{\\*\\shpinst\\shpleft0\\shptop0\\shpright1500\\shpbottom1500"
      "{\\shptxt\\pard Boxed\\par}}}x\\par}");
  const auto pictures = PicturesOf(*handler);
  ASSERT_EQ(pictures.size(), 1u);
  EXPECT_EQ(pictures[0].Box, (vn::framework::TRect{96, 48, 288, 144}));
  EXPECT_FALSE(pictures[0].Inline);
  EXPECT_EQ(pictures[0].Bytes, (std::vector<uint8_t>{1, 2}));
  const auto* paragraph = dynamic_cast<const vn::wordmodel::TvnParagraph*>(handler->Elements().at(0));
  const TvnWordImage* image = nullptr;
  const TvnTextBox* box = nullptr;
  for (const auto& child : paragraph->GetItems()) {
    if (auto* found = dynamic_cast<const TvnWordImage*>(child.get())) image = found;
    if (auto* found = dynamic_cast<const TvnTextBox*>(child.get())) box = found;
  }
  ASSERT_NE(image, nullptr);
  ASSERT_NE(image->GetWrap(), nullptr);
  EXPECT_NE(dynamic_cast<const vn::wordmodel::TvnWrapSquare*>(image->GetWrap()), nullptr);
  EXPECT_EQ(image->GetWrap()->GetWrapText(), vn::wordmodel::TvnWrapText::wtLeft);
  EXPECT_EQ(image->GetHRelativePosition(), vn::wordmodel::TvnHRelativePosition::hrpPage);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(DumpItems(box->GetItems()), "Boxed");
  EXPECT_EQ(box->GetBoundingRect(), (vn::framework::TRect{0, 0, 100, 100}));
  // The text box's paragraph is not the body's.
  EXPECT_EQ(rtf_test_support::DumpBody(*handler), "x\n");
}

// A footnote's text is not part of the sentence that refers to it: its
// paragraphs follow the paragraph that holds the reference, in a cell when
// that paragraph is a cell's, and the formatting inside stays inside.
TEST(RtfNotes, NoteParagraphsFollowTheParagraphThatRefersToThem) {
  const TableCase cases[] = {
      {"a note in a sentence",
       "{\\rtf1\\pard Before{\\footnote\\pard\\plain\\fs16 {\\up6\\chftn} Note one.} after"
       "{\\footnote\\pard Note two.\\par Two more.} end.\\par\\pard Next\\par}",
       "Before after end./ Note one./Note two./Two more./Next"},
      {"a note in a cell",
       "{\\rtf1\\trowd\\cellx2000\\cellx4000\\pard\\intbl A{\\footnote\\pard N} a\\cell B\\cell\\row}",
       "[(A a/N;B)]"},
      {"a note in the last paragraph left open", "{\\rtf1\\pard Text{\\footnote\\pard N}", "Text/N"},
  };
  for (const TableCase& c : cases) EXPECT_EQ(DumpStructure(*Dispatch(c.rtf)), c.body) << c.name;
  EXPECT_EQ(rtf_test_support::DumpRtf("{\\rtf1\\pard\\b Bold{\\footnote\\pard\\plain N} still\\par}", true),
            "{b 12}Bold{b 12} still\n{Arial 12}N\n");
}

TEST(RtfInformation, TheInformationGroupFillsTheDocumentInformation) {
  auto handler = Dispatch(
      "{\\rtf1{\\info{\\title The title}{\\author Ann Author}{\\operator Bob}{\\company Firm}"
      "{\\creatim\\yr2010\\mo3\\dy4\\hr5\\min6}{\\revtim\\yr2010\\mo2\\dy30}{\\comment made by hand}}"
      "\\pard Body\\par}");
  const auto* info = handler->GetDocumentInfo();
  ASSERT_NE(info, nullptr);
  EXPECT_EQ(vn::ToUtf8(info->GetTitle()), "The title");
  EXPECT_EQ(vn::ToUtf8(info->GetAuthor()), "Ann Author");
  EXPECT_EQ(vn::ToUtf8(info->GetLastModifiedBy()), "Bob");
  EXPECT_EQ(vn::ToUtf8(info->GetCreator()), "Firm");
  EXPECT_EQ(vn::ToUtf8(info->GetCreated()), "2010-03-04T05:06:00Z");
  // 30 February is no date: it is left out.
  EXPECT_EQ(vn::ToUtf8(info->GetModified()), "");
  EXPECT_EQ(rtf_test_support::DumpBody(*handler), "Body\n");
}

// A title given twice in a "\upr" group, for readers without Unicode and in
// Unicode ("\ud"), is the Unicode one.
TEST(RtfInformation, TheUnicodeTitleOfAnUprGroupIsTheTitle) {
  auto handler = Dispatch(
      "{\\rtf1{\\info{\\upr{\\title ??}{\\*\\ud{\\title \\u945?\\u946?}}}{\\author A}}\\pard Body\\par}");
  const auto* info = handler->GetDocumentInfo();
  ASSERT_NE(info, nullptr);
  EXPECT_EQ(vn::ToUtf8(info->GetTitle()), "\xce\xb1\xce\xb2");
  EXPECT_EQ(vn::ToUtf8(info->GetAuthor()), "A");
  EXPECT_EQ(rtf_test_support::DumpBody(*handler), "Body\n");
}

}  // namespace vn::rtf::rtf_structure_test
