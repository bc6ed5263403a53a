#include "rtf/rtf_writer_table.h"

#include <cmath>

#include "rtf/rtf_writer_paragraph.h"
#include "rtf/rtf_writer_utils.h"
#include "runtime/exceptions.h"
#include "runtime/numbers.h"

namespace vn::rtf::writer {

namespace {

constexpr const char* kTableCRLF = "\r\n";

const char* ShadingWord(const platform::Brush& ABrush) {
  switch (ABrush.style) {
    case platform::BrushStyle::Solid: return "\\clshdng10000";
    case platform::BrushStyle::Clear: return "\\clshdng0";
    case platform::BrushStyle::Hatch:
      switch (ABrush.hatch) {
        case platform::HatchStyle::Horizontal: return "\\clbghoriz";
        case platform::HatchStyle::Vertical: return "\\clbgvert";
        case platform::HatchStyle::FDiagonal: return "\\clbgfdiag";
        case platform::HatchStyle::BDiagonal: return "\\clbgbdiag";
        case platform::HatchStyle::Cross: return "\\clbgcross";
        case platform::HatchStyle::DiagCross: return "\\clbgdcross";
      }
      return "";
    default: return "";  // a bitmap pattern has no shading word
  }
}

const char* VerticalAlignmentWord(TvnVAlignment AAlignment) {
  switch (AAlignment) {
    case TvnVAlignment::vaCenter: return "\\clvertalc";
    case TvnVAlignment::vaBottom: return "\\clvertalb";
    default: return "\\clvertalt";
  }
}

const char* CellAlignmentWord(TvnHAlignment AAlignment) {
  switch (AAlignment) {
    case TvnHAlignment::haLeft: return "\\ql";
    case TvnHAlignment::haRight: return "\\qr";
    case TvnHAlignment::haCenter: return "\\qc";
    default: return "";
  }
}

// An empty paragraph of a cell at ALevel: it carries the cell's end mark
// where no paragraph of the cell's own does.
std::string CellMarkParagraph(int32_t ALevel) {
  return std::string("\\pard\\intbl") + (ALevel > 1 ? "\\itap" + std::to_string(ALevel) : std::string()) + " ";
}

}  // namespace

TvnRTFCell::TvnRTFCell(TvnRTFHeader* AHeader) : RTFFactor(TwipsPerPixel()), FHeader(AHeader) {
  Brush.style = platform::BrushStyle::Clear;
  Brush.color = platform::RGBColor(255, 255, 255);
}

void TvnRTFCell::InsertElement(std::unique_ptr<TvnRTFElement> AElement) {
  FCellElements.push_back(std::move(AElement));
  FElementsCount = static_cast<int32_t>(FCellElements.size());
}

std::string TvnRTFCell::Encode() { return EncodeAtLevel(1); }

std::string TvnRTFCell::EncodeAtLevel(int32_t ALevel) {
  std::string text = kTableCRLF;
  bool markNeeded = ALevel > 1;  // an empty nested cell needs its level set
  for (size_t i = 0; i < FCellElements.size(); ++i) {
    TvnRTFElement& element = *FCellElements[i];
    const bool last = i + 1 == FCellElements.size();
    if (auto* table = dynamic_cast<TvnRTFTableItem*>(&element)) {
      text += table->EncodeNested(ALevel + 1);
      markNeeded = true;
      continue;
    }
    auto* paragraph = dynamic_cast<TvnRTFParagraph*>(&element);
    if (paragraph != nullptr && paragraph->Destinations().Contains(TvnRTFParagraphDestination::pdTable)) {
      // A table paragraph leaves the group of its runs open: closed here,
      // after its paragraph mark unless the cell's end mark ends it.
      paragraph->NestingLevel = ALevel;
      text += paragraph->Encode() + (last ? "}" : "\\par}");
      markNeeded = false;
      continue;
    }
    text += element.Encode();
  }
  if (markNeeded) text += CellMarkParagraph(ALevel);
  return text + (ALevel > 1 ? "\\nestcell" : "\\cell") + kTableCRLF;
}

std::string TvnRTFCell::EncodeDefinition(double ALeft) const {
  return std::string(ShadingWord(Brush)) + "\\clcfpat" + std::to_string(FHeader->AddColorInfoToColorTable(Brush.color)) +
         "\\clcbpat" + std::to_string(FHeader->AddColorInfoToColorTable(platform::RGBColor(255, 255, 255))) +
         VerticalAlignmentWord(VAlignment) + CellAlignmentWord(Alignment) + "\\cellx" +
         std::to_string(Round((ALeft + Right) * RTFFactor)) + kTableCRLF;
}

TvnRTFTableItem::TvnRTFTableItem(TvnRTFHeader* AHeader) : RTFFactor(TwipsPerPixel()), FHeader(AHeader) {}

int32_t TvnRTFTableItem::InsertRow(double ARowHeight, int32_t) {
  FRows.emplace_back();
  FRowHeights.push_back(ARowHeight);
  return RowCount();
}

const std::vector<std::unique_ptr<TvnRTFCell>>& TvnRTFTableItem::Row(int32_t AIndex) const {
  if (AIndex < 0 || AIndex >= RowCount()) throw EArgumentOutOfRangeException("Argument out of range");
  return FRows[static_cast<size_t>(AIndex)];
}

TvnRTFCell& TvnRTFTableItem::InsertCell(int32_t ARowIndex, double ACellWidth, int32_t) {
  if (ARowIndex < 0 || ARowIndex >= RowCount()) throw EArgumentOutOfRangeException("Argument out of range");
  auto cell = std::make_unique<TvnRTFCell>(FHeader);
  cell->Width = ACellWidth;
  TvnRTFCell& result = *cell;
  FRows[static_cast<size_t>(ARowIndex)].push_back(std::move(cell));
  return result;
}

std::string TvnRTFTableItem::RowDefinition(size_t ARow) const {
  std::string text = "\\trowd\\trql";
  if (FRowHeights[ARow] != -1) text += "\\trrh-" + std::to_string(Round(std::fabs(FRowHeights[ARow]) * RTFFactor));
  text += "\\trleft" + std::to_string(Round(X * RTFFactor)) + kTableCRLF;
  for (const auto& cell : FRows[ARow]) text += cell->EncodeDefinition(X);
  return text;
}

std::string TvnRTFTableItem::Encode() {
  std::string text = "{";
  for (size_t row = 0; row < FRows.size(); ++row) {
    text += "\\pard" + RowDefinition(row);
    for (const auto& cell : FRows[row]) text += cell->EncodeAtLevel(1);
    text += " \\pard\\intbl \\row ";
  }
  return kTableCRLF + text + "\\pard}" + kTableCRLF;
}

std::string TvnRTFTableItem::EncodeNested(int32_t ALevel) {
  std::string text;
  for (size_t row = 0; row < FRows.size(); ++row) {
    for (const auto& cell : FRows[row]) text += cell->EncodeAtLevel(ALevel);
    text += "{\\*\\nesttableprops" + RowDefinition(row) + "\\nestrow}{\\nonesttables\\par}" + kTableCRLF;
  }
  return text;
}

}  // namespace vn::rtf::writer
