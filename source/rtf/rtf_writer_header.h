// RTF elements of the writer: every piece of RTF it produces encodes itself
// into 8-bit RTF text. The header opens the file and carries the tables the
// body refers to by number: fonts, colours, the style sheet (from the
// process's style manager) and the lists. Body elements register their
// fonts and colours while they are built; the header is encoded last and
// written first.
//
// The random identifiers of the style sheet and the lists come from the
// header's generator; tests give it a seeded one so that files compare byte
// for byte.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "rtf/rtf_writer_settings.h"
#include "rtf/rtf_writer_styles.h"
#include "runtime/streams.h"

namespace vn::rtf::writer {

enum class TvnRTFElementType {
  etBaseElement, etHeader, etDocArea, etSection, etParagraph, etPicture, etTable, etRow, etShape, etColumnBreak
};
enum class TvnSectionType { stNone, stPage, stColumn };

class TvnRTFElement {
 public:
  virtual ~TvnRTFElement() = default;
  virtual TvnRTFElementType GetElementType() const { return TvnRTFElementType::etBaseElement; }
  virtual int32_t EncodeToStream(TStream&) { return 0; }
  virtual std::string Encode() { return {}; }
  virtual int32_t DecodeStream(TStream&) { return 0; }
  virtual int32_t Decode(const std::string&) { return 0; }
};

using TvnRTFElements = std::vector<std::unique_ptr<TvnRTFElement>>;

// Answers a number from 0 to ARange - 1.
using RandomGenerator = std::function<uint32_t(uint32_t ARange)>;
// A generator seeded from the clock.
RandomGenerator ClockSeededRandom();
// A generator that repeats its numbers for a given seed.
RandomGenerator SeededRandom(uint32_t ASeed);

// The texts of a run's font style, by whether the style is on.
extern const char* const kBoldText[2];
extern const char* const kItalicText[2];
extern const char* const kStrikeOutText[2];
extern const char* const kUnderlineText[2];

// The font-table character set for a code page (0 for one not listed).
int32_t CharsetOfCodePage(int32_t ACodePage);
// The "\leveljc" digit of a list's justification.
char ListJustificationDigit(TvnHAlignment AJustification);

// One list of the list table: nine levels of one number format.
class TvnRTFList : public TvnRTFElement {
 public:
  explicit TvnRTFList(const RandomGenerator& ARandom) : FRandom(ARandom) {}

  // The list's "{\list ... \listid N}" entry; draws a new N each time.
  std::string Encode() override;
  // The list's "{\listoverride ...}" entry for the N of the last Encode.
  std::string EncodeOverride() const;
  int32_t RTFListNumber() const { return FRTFListNumber; }

  int32_t InitialPos = 1;
  std::string ListID;  // "ls" and the 1-based number in the list table
  TvnListSpace ListSpace = TvnListSpace::lsTab;
  TvnHAlignment Justification = TvnHAlignment::haLeft;
  char16_t Symbol = 0;
  int32_t FontIndex = 0;
  uint8_t ListType() const { return FListType; }
  void SetListType(uint8_t AValue) { FListType = AValue; }
  static constexpr uint8_t kBulletListType = 23;

 private:
  const RandomGenerator& FRandom;
  uint8_t FListType = 0;
  int32_t FRTFListNumber = 0;
};

class TvnRTFHeader : public TvnRTFElement {
 public:
  TvnRTFHeader();
  TvnRTFElementType GetElementType() const override { return TvnRTFElementType::etHeader; }
  std::string Encode() override;

  // The 0-based index of the font of this face (case-sensitive) and
  // character set, registered when new.
  int32_t AddFontInfoToFontTable(const WriterFont& AFont);
  // The 1-based number of the colour in the colour table (0 is automatic).
  int32_t AddColorInfoToColorTable(platform::Color AColor);
  // A custom style in the style manager, its font and colour registered;
  // answers the style's index.
  int32_t AddStyleToStyleTable(const WriterFont& AFont, platform::Color AColor, const std::string& AStyleName);
  // A bullet list of the character AChar in AFont; answers its 0-based index.
  int32_t AddListToListTable(const WriterFont& AFont, char16_t AChar, TvnHAlignment AJustification,
                             TvnListSpace AListSpace, int32_t ALevelStart);
  // A numbered list of the RTF number format AListType.
  int32_t AddListToListTable(uint8_t AListType, TvnHAlignment AJustification, TvnListSpace AListSpace,
                             int32_t ALevelStart);
  const TvnRTFList& List(int32_t AIndex) const { return *FListTable.at(static_cast<size_t>(AIndex)); }
  int32_t ListCount() const { return static_cast<int32_t>(FListTable.size()); }

  uint8_t RTFVersion = 1;
  double RTFFactor = 0;
  double DefaultTabStop = 0;
  // The ANSI code page written into the file: the system's, 1252.
  int32_t CodePage = 1252;
  TvnStyleManager& StyleManager() const { return *FStyleManager; }
  void SetRandomGenerator(RandomGenerator ARandom) { FRandom = std::move(ARandom); }

 private:
  struct FontEntry {
    std::u16string Name;
    uint8_t Charset;
  };
  std::string EncodeFontTable() const;
  std::string EncodeColorTable() const;
  std::string EncodeStyleSheet();
  std::string EncodeListTables();

  RandomGenerator FRandom;
  std::vector<platform::Color> FColorTable;
  std::vector<FontEntry> FFontTable;
  std::vector<std::unique_ptr<TvnRTFList>> FListTable;
  StyleManagerReference FStyleManager;
};

}  // namespace vn::rtf::writer
