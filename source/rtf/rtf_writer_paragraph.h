// The RTF writer's paragraph: its properties (indents, spacing, line
// spacing, borders, alignment, list), its runs of text with their character
// formatting, tab positions, super- and subscript and bookmarks, and its
// pictures. A body paragraph is one group "{\pard ... \par}"; a paragraph
// of a table cell starts "\pard\intbl" and leaves the group of its runs
// open for the cell to close.
//
// Lengths are stored in twips (the converters store them so) and written as
// whole numbers. A picture that cannot be encoded is left out of its
// paragraph; the paragraph's text is kept.
//
// Ownership: the paragraph owns its paragraph item, which owns its runs and
// pictures; both borrow the RTF header whose tables the runs refer to.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/images/picture.h"
#include "rtf/rtf_writer_header.h"
#include "rtf/rtf_writer_picture.h"
#include "rtf/rtf_writer_settings.h"
#include "runtime/strings.h"

namespace vn::rtf::writer {

enum class TvnRTFParagraphDestination { pdPage, pdTable, pdList };
// A set of destinations: bit (1 << ordinal) per destination.
class TvnRTFParagraphDestinations {
 public:
  TvnRTFParagraphDestinations() = default;
  TvnRTFParagraphDestinations(std::initializer_list<TvnRTFParagraphDestination> AItems) {
    for (const auto item : AItems) FBits |= Bit(item);
  }
  bool Contains(TvnRTFParagraphDestination AItem) const { return (FBits & Bit(AItem)) != 0; }

 private:
  static uint32_t Bit(TvnRTFParagraphDestination AItem) { return 1u << static_cast<uint32_t>(AItem); }
  uint32_t FBits = 0;
};

// A run's font style.
struct TvnRTFFontStyle {
  bool Bold = false, Italic = false, Underline = false, StrikeOut = false;
};

// One run of a paragraph; the paragraph writes it.
class TvnRTFTextItem : public TvnRTFElement {
 public:
  int32_t FontIndex = 0;   // index into the header's font table
  int32_t ColorIndex = 0;  // number in the header's colour table (1-based)
  String Text;
  TvnRTFFontStyle FontStyle;
  int32_t FontSize = 0;  // half-points
  int32_t CharSet = 0;
  double CharSpace = 0;  // letter spacing in twips
  double TabPos = 0;     // a tab stop in twips; 0 or less: no tab
  bool IsBookmark = false;
  String BookmarName;
  TvnTextRise TextRise = TvnTextRise::trNormal;
};

// The content of a paragraph: its formatting and its runs and pictures.
class TvnParagraphItem {
 public:
  explicit TvnParagraphItem(TvnRTFHeader* ADocHeader);

  void InsertTextItem(const String& AText, int32_t AFontIndex, int32_t AColorIndex, TvnRTFFontStyle AFontStyle,
                      int32_t AFontSize, int32_t ACharSet, double ACharSpace, double AHorizontalPos,
                      TvnTextRise ATextRise);
  void InsertBookmarkText(const String& AText, int32_t AFontIndex, int32_t AColorIndex, TvnRTFFontStyle AFontStyle,
                          int32_t AFontSize, int32_t ACharSet, double ACharSpace, double AHorizontalPos,
                          const String& ABookmarkName);
  // A picture element over AGraphic, behind the text or not, shown in
  // ARectangle; answers it for further settings.
  TvnRTFPicture& InsertImageItem(platform::Picture AGraphic, bool ABehindText, const TvnRect& ARectangle);

  TvnTextFormatting& Settings() { return FSettings; }
  const TvnTextFormatting& Settings() const { return FSettings; }
  void SetSettings(const TvnTextFormatting& AValue) { FSettings.Assign(AValue); }
  TvnTextEffects& TextEffects() { return FTextEffects; }
  const TvnRTFElements& DocItems() const { return FDocItems; }
  TvnRTFHeader* DocHeader() const { return FDocHeader; }

  double X = 0, Y = 0, Width = 0, Height = 0;  // position and size; not written
  WriterFont Font;
  platform::Brush Brush;

 private:
  TvnTextFormatting FSettings;
  TvnTextEffects FTextEffects;
  TvnRTFHeader* FDocHeader;
  TvnRTFElements FDocItems;
};

class TvnRTFParagraph : public TvnRTFElement {
 public:
  // AStyleIndex: a style of the style manager, or -1 for none.
  TvnRTFParagraph(TvnRTFHeader* ADocHeader, int32_t AStyleIndex, TvnRTFParagraphDestinations AParaDest);
  TvnRTFElementType GetElementType() const override { return TvnRTFElementType::etParagraph; }
  std::string Encode() override;

  TvnParagraphItem& Paragraph() { return *FParagraph; }
  TvnRTFParagraphDestinations Destinations() const { return FParaDest; }
  // The list of the header's list table the paragraph belongs to (with the
  // list destination).
  int32_t ListIndex = -1;
  // The table nesting level of a cell paragraph: 1 in a table, 2 in a table
  // inside a cell, and so on (the table encoder sets it).
  int32_t NestingLevel = 1;
  double RTFFactor = 1;

 private:
  std::string EncodeProperties() const;
  std::string EncodeTextItem(const TvnRTFTextItem& AItem, TvnRTFFontStyle& AOpenStyle) const;

  std::unique_ptr<TvnParagraphItem> FParagraph;
  TvnRTFParagraphDestinations FParaDest;
  TvnRTFHeader* FDocHeader;
  int32_t FStyleIndex;
};

}  // namespace vn::rtf::writer
