#include "rtf/rtf_writer_table.h"

#include <gtest/gtest.h>

#include <string>

#include "rtf/rtf_writer_paragraph.h"
#include "rtf_test_support.h"
#include "runtime/exceptions.h"
#include "runtime/strings.h"

namespace vn::rtf::rtf_writer_table_test {

using writer::TvnRTFCell;
using writer::TvnRTFHeader;
using writer::TvnRTFParagraph;
using writer::TvnRTFParagraphDestination;
using writer::TvnRTFTableItem;

// A cell paragraph of one run, all lengths 0 and line spacing off.
std::unique_ptr<TvnRTFParagraph> CellParagraph(TvnRTFHeader& AHeader, const char16_t* AText) {
  auto paragraph = std::make_unique<TvnRTFParagraph>(&AHeader, -1,
                                                     writer::TvnRTFParagraphDestinations{TvnRTFParagraphDestination::pdTable});
  paragraph->Paragraph().Settings().SetUseLineSpacing(false);
  paragraph->Paragraph().InsertTextItem(AText, 0, 1, {}, 24, 0, 0, 0, writer::TvnTextRise::trNormal);
  return paragraph;
}

std::string CellText(const char* AText) {
  return std::string("\r\n\\pard\\intbl\\ql\\fi0\\li0\\ri0\\sa0\\sb0{\\f0\\cf1\\fs24\\b0\\i0 \\expndtw0 ") + AText +
         "\r\n";
}

// A table of ARows rows of ACells cells of 1 inch, cell (r, c) holding the
// text "r c" (letters from "a").
std::unique_ptr<TvnRTFTableItem> Grid(TvnRTFHeader& AHeader, int ARows, int ACells) {
  auto table = std::make_unique<TvnRTFTableItem>(&AHeader);
  for (int r = 0; r < ARows; ++r) {
    table->InsertRow(-1);
    for (int c = 0; c < ACells; ++c) {
      TvnRTFCell& cell = table->InsertCell(r, 1440);
      cell.Right = 96.0 * (c + 1);
      const std::u16string text = {static_cast<char16_t>(u'a' + r), static_cast<char16_t>(u'1' + c)};
      cell.InsertElement(CellParagraph(AHeader, text.c_str()));
    }
  }
  return table;
}

TEST(RtfWriterTable, TableText) {
  TvnRTFHeader header;
  auto table = Grid(header, 1, 2);
  const std::string definition = "\\clshdng0\\clcfpat1\\clcbpat1\\clvertalt\\ql\\cellx";
  EXPECT_EQ(table->Encode(), "\r\n{\\pard\\trowd\\trql\\trleft0\r\n" + definition + "1440\r\n" + definition +
                                 "2880\r\n\r\n" + CellText("a1") + "}\\cell\r\n\r\n" + CellText("a2") +
                                 "}\\cell\r\n \\pard\\intbl \\row \\pard}\r\n");
  TvnRTFTableItem empty(&header);
  EXPECT_EQ(empty.Encode(), "\r\n{\\pard}\r\n");
  for (const int32_t row : {-1, 0})
    try {
      empty.InsertCell(row, 1440);
      ADD_FAILURE() << row;
    } catch (const EArgumentOutOfRangeException& e) {
      EXPECT_EQ(ToUtf8(e.Message()), "Argument out of range");
    }
}

TEST(RtfWriterTable, RowDefinitions) {
  TvnRTFHeader header;
  TvnRTFTableItem table(&header);
  table.X = 10;
  for (const double height : {20.0, -20.0, -1.0}) {
    table.InsertRow(height);
    TvnRTFCell& cell = table.InsertCell(table.RowCount() - 1, 1440);
    cell.Right = 96;
  }
  TvnRTFCell& last = table.InsertCell(2, 1440);
  last.Right = 192;
  last.VAlignment = writer::TvnVAlignment::vaBottom;
  last.Alignment = writer::TvnHAlignment::haJustify;
  last.Brush.style = platform::BrushStyle::Solid;
  last.Brush.color = platform::RGBColor(200, 200, 200);
  // Exact heights; the cell boundaries are measured from where the table's
  // left edge is measured.
  const std::string plain = "\\clshdng0\\clcfpat1\\clcbpat1\\clvertalt\\ql\\cellx1590\r\n";
  const std::string rowEnd = "\r\n\\cell\r\n \\pard\\intbl \\row ";
  EXPECT_EQ(table.Encode(), "\r\n{\\pard\\trowd\\trql\\trrh-300\\trleft150\r\n" + plain + rowEnd +
                                "\\pard\\trowd\\trql\\trrh-300\\trleft150\r\n" + plain + rowEnd +
                                "\\pard\\trowd\\trql\\trleft150\r\n" + plain +
                                "\\clshdng10000\\clcfpat2\\clcbpat1\\clvertalb\\cellx3030\r\n\r\n\\cell\r\n" + rowEnd +
                                "\\pard}\r\n");
  EXPECT_EQ(header.Encode().substr(header.Encode().find("{\\colortbl")),
            "{\\colortbl;\\red255\\green255\\blue255;\\red200\\green200\\blue200;}\r\n");
}

TEST(RtfWriterTable, ShadingAndAlignmentWords) {
  using platform::BrushStyle;
  using platform::HatchStyle;
  struct Case {
    BrushStyle Style;
    HatchStyle Hatch;
    std::string Word;
  };
  const Case cases[] = {
      {BrushStyle::Solid, HatchStyle::Horizontal, "\\clshdng10000"},
      {BrushStyle::Clear, HatchStyle::Horizontal, "\\clshdng0"},
      {BrushStyle::Hatch, HatchStyle::Horizontal, "\\clbghoriz"},
      {BrushStyle::Hatch, HatchStyle::Vertical, "\\clbgvert"},
      {BrushStyle::Hatch, HatchStyle::FDiagonal, "\\clbgfdiag"},
      {BrushStyle::Hatch, HatchStyle::BDiagonal, "\\clbgbdiag"},
      {BrushStyle::Hatch, HatchStyle::Cross, "\\clbgcross"},
      {BrushStyle::Hatch, HatchStyle::DiagCross, "\\clbgdcross"},
  };
  TvnRTFHeader header;
  for (const Case& c : cases) {
    TvnRTFCell cell(&header);
    cell.Brush.style = c.Style;
    cell.Brush.hatch = c.Hatch;
    EXPECT_EQ(cell.EncodeDefinition(0), c.Word + "\\clcfpat1\\clcbpat1\\clvertalt\\ql\\cellx0\r\n");
  }
  TvnRTFCell cell(&header);
  cell.VAlignment = writer::TvnVAlignment::vaCenter;
  cell.Alignment = writer::TvnHAlignment::haCenter;
  EXPECT_EQ(cell.EncodeDefinition(0), "\\clshdng0\\clcfpat1\\clcbpat1\\clvertalc\\qc\\cellx0\r\n");
  cell.Alignment = writer::TvnHAlignment::haRight;
  EXPECT_EQ(cell.EncodeDefinition(0), "\\clshdng0\\clcfpat1\\clcbpat1\\clvertalc\\qr\\cellx0\r\n");
}

TEST(RtfWriterTable, CellContent) {
  TvnRTFHeader header;
  TvnRTFCell cell(&header);
  EXPECT_EQ(cell.Encode(), "\r\n\\cell\r\n");
  cell.InsertElement(CellParagraph(header, u"one"));
  cell.InsertElement(CellParagraph(header, u"two"));
  EXPECT_EQ(cell.ElementsCount(), 2);
  EXPECT_EQ(cell.Encode(), "\r\n" + CellText("one") + "\\par}" + CellText("two") + "}\\cell\r\n");
}

TEST(RtfWriterTable, TablesReadBackThroughTheReader) {
  TvnRTFHeader header;
  auto table = Grid(header, 2, 2);
  // A table in a cell, and a cell that ends with one.
  auto inner = Grid(header, 1, 2);
  TvnRTFCell& cell = const_cast<TvnRTFCell&>(*table->Row(1)[1]);
  cell.InsertElement(std::move(inner));
  const_cast<TvnRTFCell&>(*table->Row(0)[0]).InsertElement(CellParagraph(header, u"x"));
  const std::string body = table->Encode();
  int depth = 0;
  for (size_t i = 0; i < body.size(); ++i) {
    if (body[i] == '\\') ++i;
    else if (body[i] == '{') ++depth;
    else if (body[i] == '}') EXPECT_GE(--depth, 0) << i;
  }
  EXPECT_EQ(depth, 0);
  const auto handler = rtf_test_support::Dispatch(header.Encode() + body + "}");
  // The blank that opens each row end (" \\pard\\intbl \\row ") is text to
  // the reader: it starts the next row's first cell, or follows the table.
  // The cell that ends with a table ends with the paragraph of its mark.
  EXPECT_EQ(rtf_test_support::DumpStructure(*handler), "[(a1/x;a2)|( b1;b2/[(a1;a2)]/)]/ ");
}

}  // namespace vn::rtf::rtf_writer_table_test
