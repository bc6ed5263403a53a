#include "rtf/rtf_writer_header.h"

#include <chrono>
#include <random>
#include <set>

#include "framework/writer_routines.h"
#include "rtf/rtf_writer_utils.h"
#include "runtime/codepages.h"
#include "runtime/numbers.h"

namespace vn::rtf::writer {

namespace {

constexpr const char* kCRLF = "\r\n";

struct CodePageCharset {
  int32_t CodePage;
  int32_t Charset;
};

constexpr CodePageCharset kCodePageCharsets[] = {
    {1252, 0},   {932, 128},  {949, 129},  {1361, 130}, {936, 134},  {950, 136},  {1253, 161}, {1254, 162},
    {1258, 163}, {1255, 177}, {1256, 178}, {1257, 186}, {1251, 204}, {874, 222},  {1250, 238}, {1200, 0},
};

// A random number from 0 to ARange - 1 as text.
std::string RandomText(const RandomGenerator& ARandom, uint32_t ARange) { return std::to_string(ARandom(ARange)); }

}  // namespace

const char* const kBoldText[2] = {"\\b0", " \\b"};
const char* const kItalicText[2] = {"\\i0", " \\i"};
const char* const kStrikeOutText[2] = {"", " \\strike"};
const char* const kUnderlineText[2] = {"", " \\ul"};

RandomGenerator SeededRandom(uint32_t ASeed) {
  // mt19937's sequence is the same everywhere; the modulo keeps the range
  // mapping free of any library's distribution.
  auto engine = std::make_shared<std::mt19937>(ASeed);
  return [engine](uint32_t ARange) { return ARange == 0 ? 0 : (*engine)() % ARange; };
}

RandomGenerator ClockSeededRandom() {
  return SeededRandom(static_cast<uint32_t>(std::chrono::steady_clock::now().time_since_epoch().count()));
}

int32_t CharsetOfCodePage(int32_t ACodePage) {
  for (const CodePageCharset& entry : kCodePageCharsets)
    if (entry.CodePage == ACodePage) return entry.Charset;
  return 0;
}

char ListJustificationDigit(TvnHAlignment AJustification) {
  switch (AJustification) {
    case TvnHAlignment::haRight: return '2';
    case TvnHAlignment::haCenter: return '1';
    default: return '0';
  }
}

std::string TvnRTFList::Encode() {
  std::string text = "{\\list\\listtemplateid" + RandomText(FRandom, 100000) + "\\listhybrid";
  const std::string type = std::to_string(FListType);
  const char justification = ListJustificationDigit(Justification);
  for (int level = 0; level <= 8; ++level) {
    text += "{\\listlevel\\levelnfc" + type + "\\levelnfcn" + type + "\\leveljc" + justification + "\\leveljcn" +
            justification + "\\levelfollow" + std::to_string(static_cast<int>(ListSpace)) + "\\levelstartat" +
            std::to_string(InitialPos);
    if (FListType == kBulletListType) {
      text += "{\\leveltext\\leveltemplateid" + RandomText(FRandom, 10000) + "\\'01" +
              EncodeRTFText(std::u16string(1, Symbol)) + ";}{\\levelnumbers;}\\f" + std::to_string(FontIndex);
    } else {
      text += "{\\leveltext\\leveltemplateid" + RandomText(FRandom, 10000) + "\\'02\\'0" + std::to_string(level) +
              ".;}{\\levelnumbers\\'01;}";
    }
    text += "\\rtlch\\fcs1 \\af0 \\ltrch\\fcs0 \\fbias0\\hres0\\chhres0 \\fi-360\\li720\\lin720}";
    text += kCRLF;
  }
  FRTFListNumber = static_cast<int32_t>(FRandom(100000));
  text += "{\\listname ;}\\listid" + std::to_string(FRTFListNumber) + "}" + kCRLF;
  return text;
}

std::string TvnRTFList::EncodeOverride() const {
  return "{\\listoverride\\listid" + std::to_string(FRTFListNumber) + "\\listoverridecount0\\" + ListID + "}";
}

TvnRTFHeader::TvnRTFHeader() : FRandom(ClockSeededRandom()) {}

int32_t TvnRTFHeader::AddFontInfoToFontTable(const WriterFont& AFont) {
  for (size_t i = 0; i < FFontTable.size(); ++i)
    if (FFontTable[i].Name == AFont.Name && FFontTable[i].Charset == AFont.Charset) return static_cast<int32_t>(i);
  FFontTable.push_back({AFont.Name, AFont.Charset});
  return static_cast<int32_t>(FFontTable.size()) - 1;
}

int32_t TvnRTFHeader::AddColorInfoToColorTable(platform::Color AColor) {
  for (size_t i = 0; i < FColorTable.size(); ++i)
    if (FColorTable[i] == AColor) return static_cast<int32_t>(i) + 1;
  FColorTable.push_back(AColor);
  return static_cast<int32_t>(FColorTable.size());
}

int32_t TvnRTFHeader::AddStyleToStyleTable(const WriterFont& AFont, platform::Color AColor,
                                           const std::string& AStyleName) {
  const int32_t index = FStyleManager->InsertStyle(AFont, AColor, TvnStyleType::stCustom, AStyleName);
  AddFontInfoToFontTable(AFont);
  AddColorInfoToColorTable(AColor);
  return index;
}

int32_t TvnRTFHeader::AddListToListTable(const WriterFont& AFont, char16_t AChar, TvnHAlignment AJustification,
                                         TvnListSpace AListSpace, int32_t ALevelStart) {
  const int32_t index = AddListToListTable(TvnRTFList::kBulletListType, AJustification, AListSpace, ALevelStart);
  TvnRTFList& list = *FListTable.back();
  list.FontIndex = AddFontInfoToFontTable(AFont);
  list.Symbol = AChar;
  return index;
}

int32_t TvnRTFHeader::AddListToListTable(uint8_t AListType, TvnHAlignment AJustification, TvnListSpace AListSpace,
                                         int32_t ALevelStart) {
  auto list = std::make_unique<TvnRTFList>(FRandom);
  list->ListID = "ls" + std::to_string(FListTable.size() + 1);
  list->SetListType(AListType);
  list->Justification = AJustification;
  list->ListSpace = AListSpace;
  list->InitialPos = ALevelStart;
  FListTable.push_back(std::move(list));
  return static_cast<int32_t>(FListTable.size()) - 1;
}

std::string TvnRTFHeader::EncodeFontTable() const {
  std::string text = "{\\fonttbl";
  for (size_t i = 0; i < FFontTable.size(); ++i) {
    text += "{\\f" + std::to_string(i);
    if (CodePage != 1252)
      text += "\\fcharset" + std::to_string(CharsetOfCodePage(CodePage));
    else if (FFontTable[i].Charset != 1)
      text += "\\fcharset" + std::to_string(FFontTable[i].Charset);
    text += " " + EncodeRTFText(FFontTable[i].Name) + ";}";
  }
  return text + "}";
}

std::string TvnRTFHeader::EncodeColorTable() const {
  std::string text = "{\\colortbl;";
  for (platform::Color color : FColorTable) {
    framework::ResolveSystemColor(color);
    text += "\\red" + std::to_string(color & 0xFF) + "\\green" + std::to_string(color >> 8 & 0xFF) + "\\blue" +
            std::to_string(color >> 16 & 0xFF) + ";";
  }
  return text + "}";
}

// The style entries register the fonts and colours they use, so a style put
// into the shared manager by another document still finds its font here.
std::string TvnRTFHeader::EncodeStyleSheet() {
  std::string entries;
  for (const auto& style : FStyleManager->GetStyles()) {
    const WriterFont& font = style->Font;
    const std::string runFormat = "\\f" + std::to_string(AddFontInfoToFontTable(font)) + "\\cf" +
                                  std::to_string(AddColorInfoToColorTable(style->Color)) + "\\fs" +
                                  std::to_string(2 * font.Size) + kBoldText[font.Bold] + kItalicText[font.Italic] +
                                  kStrikeOutText[font.StrikeOut] + kUnderlineText[font.Underline];
    // A blank ends the number of "\styrsid", so a name that starts with a
    // digit or a blank stays the name. The 8-bit name is text of code page
    // 1252, written with the escapes of any other text.
    entries += "{\\" + style->StyleID + " \\ql \\li0\\ri0\\sa200\\sl276\\slmult1" +
               "\\wrapdefault\\aspalpha\\aspnum\\faauto\\adjustright\\rin0\\lin0\\itap0" +
               " \\rtlch\\alang1025 \\ltrch\\fcs0 " + runFormat +
               "\\lang1033\\langfe1033\\cgrid\\langnp1033\\langfenp1033" +
               "\\sbasedon222 \\sqformat \\spriority0 \\styrsid" + RandomText(FRandom, 10000) + " " +
               EncodeRTFText(DecodeCp1252(style->StyleName)) + ";}";
  }
  return entries;
}

// The list table, then the override table beside it (not inside it), each
// list under a number of its own.
std::string TvnRTFHeader::EncodeListTables() {
  std::string lists;
  std::string overrides;
  std::set<int32_t> used;
  for (const auto& list : FListTable) {
    std::string entry = list->Encode();
    while (!used.insert(list->RTFListNumber()).second) entry = list->Encode();
    lists += entry;
    overrides += list->EncodeOverride();
  }
  return std::string(kCRLF) + "{\\*\\listtable" + lists + "}" + kCRLF + "{\\*\\listoverridetable" + overrides + "}" +
         kCRLF;
}

std::string TvnRTFHeader::Encode() {
  const bool haveStyles = FStyleManager->StylesCount() > 0;
  const std::string styleEntries = haveStyles ? EncodeStyleSheet() : std::string();
  // Whole twips, whatever the locale.
  const int64_t tabStop = Round(static_cast<double>(Round(DefaultTabStop)) * RTFFactor);
  std::string text = "{\\rtf1\\ansi\\ansicpg" + std::to_string(CodePage) + "\\deff0\\deftab" +
                     std::to_string(tabStop) + kCRLF + kCRLF;
  text += EncodeFontTable() + kCRLF + kCRLF;
  text += EncodeColorTable() + kCRLF;
  if (haveStyles) text += std::string(kCRLF) + "{\\stylesheet" + styleEntries + "}" + kCRLF;
  if (!FListTable.empty()) text += EncodeListTables();
  return text;
}

}  // namespace vn::rtf::writer
