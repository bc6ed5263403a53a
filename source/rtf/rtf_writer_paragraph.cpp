#include "rtf/rtf_writer_paragraph.h"

#include <cmath>

#include "rtf/rtf_writer_utils.h"
#include "runtime/exceptions.h"
#include "runtime/numbers.h"

namespace vn::rtf::writer {

namespace {

constexpr const char* kParagraphCRLF = "\r\n";

const char* AlignmentWord(TvnHAlignment AAlignment) {
  switch (AAlignment) {
    case TvnHAlignment::haRight: return "\\qr";
    case TvnHAlignment::haCenter: return "\\qc";
    case TvnHAlignment::haJustify: return "\\qj";
    default: return "\\ql";
  }
}

// The four style texts of a run, and the words that end an underline or a
// strike-out the run before turned on: runs of a paragraph share one group,
// and the texts of "off" write nothing for these two.
std::string FontStyleText(const TvnRTFFontStyle& AStyle, TvnRTFFontStyle& AOpenStyle) {
  std::string text = std::string(kBoldText[AStyle.Bold]) + kItalicText[AStyle.Italic] +
                     kStrikeOutText[AStyle.StrikeOut] + kUnderlineText[AStyle.Underline];
  if (AOpenStyle.StrikeOut && !AStyle.StrikeOut) text += "\\strike0";
  if (AOpenStyle.Underline && !AStyle.Underline) text += "\\ulnone";
  AOpenStyle = AStyle;
  return text;
}

}  // namespace

TvnParagraphItem::TvnParagraphItem(TvnRTFHeader* ADocHeader) : FDocHeader(ADocHeader) {}

void TvnParagraphItem::InsertTextItem(const String& AText, int32_t AFontIndex, int32_t AColorIndex,
                                      TvnRTFFontStyle AFontStyle, int32_t AFontSize, int32_t ACharSet,
                                      double ACharSpace, double AHorizontalPos, TvnTextRise ATextRise) {
  auto item = std::make_unique<TvnRTFTextItem>();
  item->FontIndex = AFontIndex;
  item->ColorIndex = AColorIndex;
  item->Text = AText;
  item->FontStyle = AFontStyle;
  item->FontSize = AFontSize;
  item->CharSet = ACharSet;
  item->CharSpace = ACharSpace;
  item->TabPos = AHorizontalPos;
  item->TextRise = ATextRise;
  FDocItems.push_back(std::move(item));
}

void TvnParagraphItem::InsertBookmarkText(const String& AText, int32_t AFontIndex, int32_t AColorIndex,
                                          TvnRTFFontStyle AFontStyle, int32_t AFontSize, int32_t ACharSet,
                                          double ACharSpace, double AHorizontalPos, const String& ABookmarkName) {
  InsertTextItem(AText, AFontIndex, AColorIndex, AFontStyle, AFontSize, ACharSet, ACharSpace, AHorizontalPos,
                 TvnTextRise::trNormal);
  auto& item = static_cast<TvnRTFTextItem&>(*FDocItems.back());
  item.IsBookmark = true;
  item.BookmarName = ABookmarkName;
}

TvnRTFPicture& TvnParagraphItem::InsertImageItem(platform::Picture AGraphic, bool ABehindText,
                                                 const TvnRect& ARectangle) {
  auto picture = std::make_unique<TvnRTFPicture>(std::move(AGraphic), FDocHeader);
  picture->Settings().BehindText = ABehindText;
  picture->DisplayRect = ARectangle;
  TvnRTFPicture& result = *picture;
  FDocItems.push_back(std::move(picture));
  return result;
}

TvnRTFParagraph::TvnRTFParagraph(TvnRTFHeader* ADocHeader, int32_t AStyleIndex,
                                 TvnRTFParagraphDestinations AParaDest)
    : FParagraph(std::make_unique<TvnParagraphItem>(ADocHeader)),
      FParaDest(AParaDest),
      FDocHeader(ADocHeader),
      FStyleIndex(AStyleIndex) {}

std::string TvnRTFParagraph::EncodeProperties() const {
  auto number = [this](double AValue) { return std::to_string(Round(AValue * RTFFactor)); };
  const TvnTextFormatting& settings = FParagraph->Settings();
  std::string text = "\\fi" + number(settings.FirstLineIndent()) + "\\li" + number(settings.LeftIndent()) + "\\ri" +
                     number(settings.RightIndent()) + "\\sa" + number(settings.AfterSpace()) + "\\sb" +
                     number(settings.BeforeSpace());
  if (settings.UseLineSpacing()) {
    const TvnLineSpacing option = settings.LineSpacingOption();
    text += "\\sl";
    if (option == TvnLineSpacing::lsExact) text += "-";
    text += number(std::fabs(settings.LineSpacing()));
    // Exact and at-least spacing are twips; single and multiple spacing
    // come in 240ths of a line, which "\slmult1" makes a multiple.
    const bool multiple = option == TvnLineSpacing::lsMultiple || option == TvnLineSpacing::lsSingle;
    text += multiple ? "\\slmult1" : "\\slmult0";
  }
  const TvnParaBorder& border = settings.Border();
  const std::string space = "\\brsp" + number(border.SpaceFromText);
  if (border.DrawLeft) text += "\\brdrl" + space;
  if (border.DrawRight) text += "\\brdrr" + space;
  if (border.DrawTop) text += "\\brdrt" + space;
  if (border.DrawBottom) text += "\\brdrb" + space;
  if (border.DrawTop || border.DrawBottom) text += "\\brdrbtw" + space;
  return text;
}

std::string TvnRTFParagraph::EncodeTextItem(const TvnRTFTextItem& AItem, TvnRTFFontStyle& AOpenStyle) const {
  auto number = [this](double AValue) { return std::to_string(Round(AValue * RTFFactor)); };
  const bool inTable = FParaDest.Contains(TvnRTFParagraphDestination::pdTable);
  std::string text;
  if (FStyleIndex == -1) {
    text += "\\f" + std::to_string(AItem.FontIndex) + "\\cf" + std::to_string(AItem.ColorIndex) + "\\fs" +
            std::to_string(AItem.FontSize) + FontStyleText(AItem.FontStyle, AOpenStyle);
  } else if (const TvnStyle* style = FDocHeader->StyleManager().GetStyle(FStyleIndex)) {
    const WriterFont& font = style->Font;
    text += " \\" + style->StyleID + "\\f" + std::to_string(FDocHeader->AddFontInfoToFontTable(font)) + "\\cf" +
            std::to_string(FDocHeader->AddColorInfoToColorTable(style->Color)) + "\\fs" +
            std::to_string(2 * font.Size) +
            FontStyleText({font.Bold, font.Italic, font.Underline, font.StrikeOut}, AOpenStyle);
  }
  text += " \\expndtw" + number(AItem.CharSpace) + " ";
  if (AItem.TabPos > 0) text += "\\tx" + number(AItem.TabPos) + "\\tab ";
  const bool bookmark = AItem.IsBookmark && !inTable;
  if (bookmark) text += "{\\bkmkstart " + EncodeRTFText(AItem.BookmarName) + "}";
  if (AItem.TextRise == TvnTextRise::trSuperscript) text += "\\super ";
  if (AItem.TextRise == TvnTextRise::trSubscript) text += "\\sub ";
  text += EncodeRTFText(AItem.Text);
  if (AItem.TextRise != TvnTextRise::trNormal) text += "\\nosupersub";
  if (bookmark) text += "{\\bkmkend " + EncodeRTFText(AItem.BookmarName) + "}";
  return text;
}

std::string TvnRTFParagraph::Encode() {
  RTFFactor = 1;  // lengths are stored in twips
  const bool inTable = FParaDest.Contains(TvnRTFParagraphDestination::pdTable);
  std::string text = inTable ? "\\pard\\intbl" : "{\\pard";
  if (inTable && NestingLevel > 1) text += "\\itap" + std::to_string(NestingLevel);
  if (FParaDest.Contains(TvnRTFParagraphDestination::pdList) && ListIndex >= 0 &&
      ListIndex < FDocHeader->ListCount())
    text += "\\" + FDocHeader->List(ListIndex).ListID;
  text += AlignmentWord(FParagraph->Settings().Alignment()) + EncodeProperties();
  if (inTable) text += "{";
  TvnRTFFontStyle openStyle;
  for (const auto& element : FParagraph->DocItems()) {
    if (const auto* run = dynamic_cast<const TvnRTFTextItem*>(element.get())) {
      text += EncodeTextItem(*run, openStyle);
    } else if (element->GetElementType() == TvnRTFElementType::etPicture) {
      // A picture that cannot be encoded is left out; the text stays.
      try {
        text += element->Encode();
      } catch (const Exception&) {
      }
    }
  }
  if (!inTable) text += "\\par}";
  return kParagraphCRLF + text + kParagraphCRLF;
}

}  // namespace vn::rtf::writer
