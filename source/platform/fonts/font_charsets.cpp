#include "platform/fonts/font_charsets.h"

#include <algorithm>
#include <iterator>

#include "platform/fonts/font_catalog.h"
#include "platform/fonts/sfnt_reader.h"

namespace vn::platform {
namespace {

// Code-page bits of ulCodePageRange1 and the character set each stands for.
struct CodePageBit {
  int Bit;
  int Charset;
};
constexpr CodePageBit kCodePageBits[] = {
    {0, kAnsiCharset},         // 1252 Latin 1
    {1, kEastEuropeCharset},   // 1250 Latin 2
    {2, kRussianCharset},      // 1251 Cyrillic
    {3, kGreekCharset},        // 1253
    {4, kTurkishCharset},      // 1254
    {5, kHebrewCharset},       // 1255
    {6, kArabicCharset},       // 1256
    {7, kBalticCharset},       // 1257
    {8, kVietnameseCharset},   // 1258
    {16, kThaiCharset},        // 874
    {17, kShiftJisCharset},    // 932
    {18, kGb2312Charset},      // 936
    {19, kHangulCharset},      // 949 Wansung
    {20, kChineseBig5Charset}, // 950
    {21, kJohabCharset},       // 1361
    {29, kMacCharset},         // Macintosh character set
    {30, kOemCharset},         // OEM character set
    {31, kSymbolCharset},      // Symbol character set
};

void AddOnce(std::vector<int>& list, int charset) {
  if (std::find(list.begin(), list.end(), charset) == list.end()) list.push_back(charset);
}

}  // namespace

std::vector<int> CharsetsFromCodePageRanges(uint32_t range1, uint32_t /*range2*/, bool has_ranges, bool symbol_cmap) {
  std::vector<int> sets;
  if (has_ranges) {
    for (const CodePageBit& b : kCodePageBits)
      if (range1 & (uint32_t{1} << b.Bit)) AddOnce(sets, b.Charset);
  }
  if (sets.empty()) sets.push_back(symbol_cmap ? kSymbolCharset : kAnsiCharset);
  return sets;
}

std::vector<int> FaceCharsets(StringView face_name) {
  std::vector<int> sets;
  for (const FontFaceRef& face : FamilyFaces(face_name)) {
    FaceCodePages pages = ReadFaceCodePages(face);
    for (int charset : CharsetsFromCodePageRanges(pages.Range1, pages.Range2, pages.HasRanges, pages.SymbolCmap))
      AddOnce(sets, charset);
  }
  return sets;
}

void CollectFontCharsets(StringView face_name, std::vector<int>& list) {
  for (int charset : FaceCharsets(face_name)) AddOnce(list, charset);
}

}  // namespace vn::platform
