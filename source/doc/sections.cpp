// The sections of a Word 97-2003 document: the section table (PlcfSed)
// gives where each section starts in the main story and where its property
// list (SEPX) lies in the WordDocument stream; the header table (PlcfHdd)
// gives, per section, six ranges of the header story: even-page header,
// odd-page header, even-page footer, odd-page footer, first-page header and
// first-page footer.
//
// Damage is read leniently: the section table is read no further than its
// own byte count; a section whose property list is missing (0xFFFFFFFF) or
// lies outside the stream keeps the model's defaults; a header range the
// header table does not have, or one that runs backwards, counts as no
// header of the section's own, so the previous section's shows. Header
// and footer items repeated from an earlier section are copies: each
// section owns its own.
#include <algorithm>
#include <cmath>
#include <string>

#include "doc/main_document_parser.h"
#include "doc/paragraph_builder.h"
#include "doc/property_modifiers.h"

namespace vn::doc {

namespace {

namespace wm = vn::wordmodel;

constexpr uint32_t kNoSepx = 0xFFFFFFFF;
constexpr int64_t kSedSize = 12;
// Word allows 45 text columns; far more is damage, not a layout.
constexpr int64_t kMaxSectionColumns = 1000;

enum SectionSprm : int32_t {
  kSDxaColWidth = 3, kSDxaColSpacing = 4, kSFEvenlySpaced = 5, kSBkc = 9, kSFTitlePage = 10, kSCcolumns = 11,
  kSDxaColumns = 12, kSTitlePageFlag = 16, kSDyaHdrTop = 23, kSDyaHdrBottom = 24, kSBOrientation = 29,
  kSXaPage = 31, kSYaPage = 32, kSDxaLeft = 33, kSDxaRight = 34, kSDyaTop = 35, kSDyaBottom = 36,
  kSDzaGutter = 37, kSFBiDi = 40, kSBrcTop80 = 43, kSBrcRight80 = 46, kSBrcTop = 52, kSBrcRight = 55,
};

// Twips to pixels at 96 per inch, to the nearest whole pixel.
int32_t SectionPixels(uint64_t ATwips) {
  return static_cast<int32_t>(std::lround(static_cast<double>(ATwips) / 15.0));
}

wm::TvnDashStyle SectionPenStyle(uint64_t ABrcType) {
  switch (ABrcType) {
    case 6: return wm::TvnDashStyle::dsDot;
    case 7: return wm::TvnDashStyle::dsDash;
    case 8: return wm::TvnDashStyle::dsDashDot;
    case 9: return wm::TvnDashStyle::dsDashDotDot;
    default: return wm::TvnDashStyle::dsSolid;
  }
}

// The space, shadow and frame byte of a page border side.
void SetSpaceShadowFrame(wm::TvnBorder& ABorder, uint64_t AByte) {
  ABorder.SetSpace(static_cast<int32_t>(AByte & 0x1F));
  ABorder.SetShadow((AByte & 0x20) != 0);
  ABorder.SetIsFrame((AByte & 0x40) != 0);
}

// One page border side from the 4-byte older layout (AWide false) or the
// 8-byte one, read at the reader's position.
std::unique_ptr<wm::TvnBorder> ReadPageBorderSide(TvnBinaryReader& AReader, bool AWide) {
  auto border = std::make_unique<wm::TvnBorder>();
  if (AWide) {
    wm::TvnRGBColor color;
    color.Red = static_cast<uint8_t>(AReader.GetDecimalValue(1));
    color.Green = static_cast<uint8_t>(AReader.GetDecimalValue(1));
    color.Blue = static_cast<uint8_t>(AReader.GetDecimalValue(1));
    AReader.GetDecimalValue(1);
    border->SetColor(color);
  }
  border->SetBorderWidth(
      static_cast<int32_t>(std::lround(static_cast<double>(AReader.GetDecimalValue(1)) / 8.0)));
  border->SetPenStyle(SectionPenStyle(AReader.GetDecimalValue(1)));
  if (!AWide) border->SetColor(IcoToColor(static_cast<int64_t>(AReader.GetDecimalValue(1))));
  SetSpaceShadowFrame(*border, AReader.GetDecimalValue(1));
  return border;
}

// The section's header or footer of a kind, in the table's order.
wm::TvnHeaderFooterElement* HeaderFooterOfKind(const wm::TvnSection& ASection, size_t AKind) {
  switch (AKind) {
    case 0: return ASection.GetEvenPageHeader();
    case 1: return ASection.GetDefaultPageHeader();
    case 2: return ASection.GetEvenPageFooter();
    case 3: return ASection.GetDefaultPageFooter();
    case 4: return ASection.GetFirstPageHeader();
    default: return ASection.GetFirstPageFooter();
  }
}

}  // namespace

void TvnDOCMainDocumentParser::ReadHeaderPositions() {
  FHeaders.clear();
  const TvnFIBBase& fib = *FPackage->FIBBase();
  if (fib.FlcbPlcfHdd == 0 || fib.FccpHdd == 0) return;
  const auto& table = FPackage->OLESSRoot()->FTableStream.Bytes();
  // Only the positions the table stream holds.
  const uint64_t available = fib.FfcPlcfHdd < table.size() ? table.size() - fib.FfcPlcfHdd : 0;
  const uint64_t count = std::min<uint64_t>(fib.FlcbPlcfHdd, available) / 4;
  if (count < fib.FlcbPlcfHdd / 4) {
    ReportTo(FDiagnostics, {.offset = fib.FfcPlcfHdd, .message = "the header table reaches past the table stream"});
  }
  if (count == 0) return;
  TvnBinaryReader reader(std::span<const uint8_t>(table).subspan(fib.FfcPlcfHdd, count * 4));
  FHeaders.reserve(count);
  for (uint64_t i = 0; i < count; ++i) FHeaders.push_back(static_cast<int64_t>(reader.GetDecimalValue(4)));
}

std::optional<std::vector<wm::TvnSection*>> TvnDOCMainDocumentParser::Sections() {
  if (!FSectionsRead) {
    FSectionsRead = true;
    const TvnFIBBase& fib = *FPackage->FIBBase();
    const auto& table = FPackage->OLESSRoot()->FTableStream.Bytes();
    TvnBinaryReader word(std::span<const uint8_t>(FPackage->OLESSRoot()->FWordDocumentStream.Bytes()));
    // The table holds n + 1 positions and n Seds of 12 bytes; it is read no
    // further than its byte count and the table stream.
    const uint64_t available = fib.FfcPlcfSed < table.size() ? table.size() - fib.FfcPlcfSed : 0;
    const uint64_t bytes = std::min<uint64_t>(fib.FlcbPlcfSed, available);
    const int64_t count = bytes >= 4 ? static_cast<int64_t>((bytes - 4) / (4 + kSedSize)) : 0;
    TvnBinaryReader reader(std::span<const uint8_t>(table).subspan(fib.FfcPlcfSed < table.size() ? fib.FfcPlcfSed : 0,
                                                                    static_cast<size_t>(bytes)));
    const int64_t total = fib.TotalCharacterCount();
    const auto text_length = static_cast<int64_t>(MainStory().FText.size());
    // A section starts at each position before the end of the text; the
    // position at the end (or next to it) closes the last one. A position
    // not after the one before is damage and ends the table too.
    for (int64_t k = 0; k < count; ++k) {
      const auto position = static_cast<int64_t>(reader.GetDecimalValue(4));
      if (position == total || position == total + 1 || position == total - 1) break;
      if (position >= std::max<int64_t>(fib.FccpText, text_length) && k > 0) break;
      if (!FSectionOffsets.empty() && position <= FSectionOffsets.back()) break;
      FSectionOffsets.push_back(position);
    }
    for (size_t k = 0; k < FSectionOffsets.size(); ++k) {
      auto section = std::make_unique<wm::TvnSection>();
      reader.Seek(TvnSeekOrigin::soBegin, (count + 1) * 4 + static_cast<int64_t>(k) * kSedSize + 2);
      const auto fc_sepx = static_cast<uint32_t>(reader.GetDecimalValue(4));
      if (fc_sepx != kNoSepx && fc_sepx < word.Length()) {
        word.Seek(TvnSeekOrigin::soBegin, fc_sepx);
        ReadSectionProperties(*section, word);
      } else if (fc_sepx != kNoSepx) {
        ReportTo(FDiagnostics, {.offset = fc_sepx, .message = "a section's properties lie outside the WordDocument "
                                                              "stream; the section keeps the defaults"});
      }
      if (fib.FccpHdd != 0) ReadHeadersFooters(*section, k);
      if (FMediator) section->SetIsEvenOddHeaders(FMediator->GetEvenOddHeaders());
      FSections.push_back(std::move(section));
    }
    if (FSections.empty()) {
      FSectionOffsets.assign(1, 0);
      auto section = std::make_unique<wm::TvnSection>();
      if (FMediator) section->SetIsEvenOddHeaders(FMediator->GetEvenOddHeaders());
      FSections.push_back(std::move(section));
    }
    // The builder marks the paragraph before each later section's start.
    // Given only now, after the headers were built, so that no header
    // paragraph takes a section end.
    ParagraphBuilder().SetSectionBoundaries(
        std::vector<int64_t>(FSectionOffsets.begin() + 1, FSectionOffsets.end()));
  }
  std::vector<wm::TvnSection*> sections;
  sections.reserve(FSections.size());
  for (const auto& section : FSections) sections.push_back(section.get());
  return sections;
}

wm::TvnItemList TvnDOCMainDocumentParser::TakeOwnedItems() {
  wm::TvnItemList items = std::move(FList);
  FList.clear();
  for (auto& section : FSections) items.push_back(std::move(section));
  FSections.clear();
  return items;
}

void TvnDOCMainDocumentParser::ReadSectionProperties(wm::TvnSection& ASection, TvnBinaryReader& AReader) {
  const auto cb = static_cast<int64_t>(AReader.GetDecimalValue(2));
  const int64_t end = std::min(AReader.Position() + cb, AReader.Length());
  ASection.SetEqualWidthColumns(true);
  wm::TvnPageMargins& margins = *ASection.GetPageMargin();
  size_t widths_given = 0;
  size_t spaces_given = 0;
  auto& columns = ASection.GetColumns();
  while (AReader.Position() + 2 <= end) {
    const auto sprm = static_cast<uint16_t>(AReader.GetDecimalValue(2));
    const int32_t ispmd = sprm & 0x1FF;
    const int32_t spra = sprm >> 13;
    const std::optional<int64_t> fixed = FixedOperandSize(spra);
    const int64_t size = fixed ? *fixed : static_cast<int64_t>(AReader.GetDecimalValue(1));
    const int64_t operand_at = AReader.Position();
    // A sprm whose operand runs past the list ends it.
    if (operand_at + size > end) break;
    const auto value = [&](int64_t ASize) { return AReader.GetDecimalValue(std::min(ASize, size)); };
    switch (ispmd) {
      case kSDxaColWidth:
      case kSDxaColSpacing: {
        if (size < 3) break;
        AReader.GetDecimalValue(1);  // the column index
        const int32_t length = SectionPixels(AReader.GetDecimalValue(2));
        size_t& given = ispmd == kSDxaColWidth ? widths_given : spaces_given;
        if (given >= columns.size()) break;
        if (ispmd == kSDxaColWidth) columns[given]->SetWidth(length);
        else columns[given]->SetSpace(length);
        ++given;
        break;
      }
      case kSFEvenlySpaced: ASection.SetEqualWidthColumns(value(1) == 1); break;
      case kSBkc:
        switch (value(1)) {
          case 0: ASection.SetSectionType(wm::TvnSectionType::stContinuous); break;
          case 1: ASection.SetSectionType(wm::TvnSectionType::stColumnSection); break;
          case 2: ASection.SetSectionType(wm::TvnSectionType::stNextPage); break;
          case 3: ASection.SetSectionType(wm::TvnSectionType::stEvenPageSection); break;
          case 4: ASection.SetSectionType(wm::TvnSectionType::stOddPageSection); break;
          default: break;
        }
        break;
      case kSFTitlePage: ASection.SetIsTitlePage(true); break;
      case kSTitlePageFlag: ASection.SetIsTitlePage(value(1) == 1); break;
      case kSCcolumns: {
        const auto count = static_cast<int64_t>(value(2)) + 1;
        if (count > kMaxSectionColumns) {
          ReportTo(FDiagnostics, {.offset = static_cast<uint64_t>(operand_at),
                                  .message = "a section asks for " + std::to_string(count) + " columns; ignored"});
          break;
        }
        // A repeated column count replaces the columns rather than adding
        // to them, so the list always matches the count.
        ASection.SetColumnsCount(static_cast<int32_t>(count));
        columns.clear();
        widths_given = spaces_given = 0;
        for (int64_t i = 0; i < count; ++i) columns.push_back(std::make_unique<wm::TvnWordColumn>());
        break;
      }
      case kSDxaColumns: ASection.SetSpaceBetweenColumns(SectionPixels(value(2))); break;
      case kSDyaHdrTop: margins.SetHeader(SectionPixels(value(2))); break;
      case kSDyaHdrBottom: margins.SetFooter(SectionPixels(value(2))); break;
      case kSBOrientation:
        ASection.SetOrientation(value(1) == 1 ? wm::TvnOrientation::oPortrait : wm::TvnOrientation::oLandscape);
        break;
      case kSXaPage: ASection.SetPageWidth(SectionPixels(value(2))); break;
      case kSYaPage: ASection.SetPageHeight(SectionPixels(value(2))); break;
      case kSDxaLeft: margins.SetLeft(SectionPixels(value(2))); break;
      case kSDxaRight: margins.SetRight(SectionPixels(value(2))); break;
      case kSDyaTop:
      case kSDyaBottom: {
        uint64_t u = value(2);
        if (u >= 31680) u = 65536 - u;
        if (ispmd == kSDyaTop) margins.SetTop(SectionPixels(u));
        else margins.SetBottom(SectionPixels(u));
        break;
      }
      case kSDzaGutter: margins.SetGutter(SectionPixels(value(2))); break;
      case kSFBiDi: ASection.SetBiDi(value(1) == 1); break;
      default:
        if ((ispmd >= kSBrcTop80 && ispmd <= kSBrcRight80) || (ispmd >= kSBrcTop && ispmd <= kSBrcRight)) {
          const bool wide = ispmd >= kSBrcTop;
          if (size < (wide ? 8 : 4)) break;
          if (ASection.GetPageBorder() == nullptr) ASection.SetPageBorder(std::make_unique<wm::TvnPageBorder>());
          wm::TvnPageBorder& border = *ASection.GetPageBorder();
          std::unique_ptr<wm::TvnBorder> side = ReadPageBorderSide(AReader, wide);
          switch (ispmd - (wide ? kSBrcTop : kSBrcTop80)) {
            case 0: border.SetTop(std::move(side)); break;
            case 1: border.SetLeft(std::move(side)); break;
            case 2: border.SetBottom(std::move(side)); break;
            default: border.SetRight(std::move(side)); break;
          }
        }
        break;
    }
    // Each operand is consumed whole, applied or not.
    AReader.Seek(TvnSeekOrigin::soBegin, operand_at + size);
  }
  if (ASection.GetEqualWidthColumns() && ASection.GetColumnsCount() > 0) {
    const int32_t count = ASection.GetColumnsCount();
    // A gap the section does not give counts as none.
    const int32_t space = std::max(ASection.GetSpaceBetweenColumns(), 0);
    const double width =
        static_cast<double>(ASection.GetPageWidth() - margins.GetLeft() - margins.GetRight() - space * (count - 1)) /
        count;
    for (auto& column : columns) {
      column->SetSpace(space);
      column->SetWidth(static_cast<int32_t>(std::lround(width)));
    }
  }
}

void TvnDOCMainDocumentParser::ReadHeadersFooters(wm::TvnSection& ASection, size_t AIndex) {
  const int64_t header_length = static_cast<int64_t>(Story(StoryNames()[2])->FText.size());
  for (size_t kind = 0; kind < 6; ++kind) {
    wm::TvnHeaderFooterElement* target = HeaderFooterOfKind(ASection, kind);
    const size_t at = 6 + 6 * AIndex + kind;
    // A range the table does not hold, or one that runs backwards, is
    // empty.
    const bool present = at + 1 < FHeaders.size() && FHeaders[at] < FHeaders[at + 1] &&
                         FHeaders[at] < header_length;
    if (present) {
      target->GetElements() = BuildParagraphs(StoryNames()[2], FHeaders[at + 1] - 1, FHeaders[at]);
      FPreviousSection[kind] = target;
    } else if (FPreviousSection[kind] != nullptr) {
      // Copies: each section owns its header and footer items.
      for (const auto& item : FPreviousSection[kind]->GetElements()) target->GetElements().push_back(item->Clone());
    }
  }
}

}  // namespace vn::doc
