#include "docx/ooxml_values.h"

#include <cmath>

#include "runtime/numbers.h"

namespace vn::docx {

bool ParseOnOff(StringView AValue, bool AOther) {
  if (AValue == u"true" || AValue == u"1" || AValue == u"on") return true;
  if (AValue == u"false" || AValue == u"0" || AValue == u"off") return false;
  return AOther;
}

int32_t ReadInteger(StringView AValue) { return vn::StrToInt(AValue); }

int64_t ReadInteger64(StringView AValue) { return vn::StrToInt64(AValue); }

int32_t TwipsToPixels(int64_t ATwips) { return vn::RoundToInt(static_cast<double>(ATwips) * 96.0 / 1440.0); }

int32_t EmuToPixels(int64_t AEmu) { return vn::RoundToInt(static_cast<double>(AEmu) / 9525.0); }

int32_t HalfPointsToPoints(int64_t AHalfPoints) { return vn::RoundToInt(static_cast<double>(AHalfPoints) / 2.0); }

int32_t EighthPointsToPixels(int64_t AEighths) {
  const double points = std::ceil(static_cast<double>(AEighths) / 8.0);
  const double pixels = std::ceil(points * 96.0 / 72.0);
  return vn::RoundToInt(pixels);
}

int32_t PointsToPixels(int64_t APoints) { return vn::RoundToInt(static_cast<double>(APoints) * 96.0 / 72.0); }

int32_t LineHundredthsToPixels(int64_t AHundredths) {
  return vn::RoundToInt(static_cast<double>(AHundredths) * 2.4 / 15.0);
}

namespace {

int HexDigitValue(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

uint8_t HexPair(StringView AValue, size_t AAt) {
  if (AAt + 2 > AValue.size()) return 0;
  const int high = HexDigitValue(AValue[AAt]);
  const int low = HexDigitValue(AValue[AAt + 1]);
  if (high < 0 || low < 0) return 0;
  return static_cast<uint8_t>(high * 16 + low);
}

}  // namespace

TvnRGBColor ParseHexColor(StringView AValue) {
  return TvnRGBColor{HexPair(AValue, 0), HexPair(AValue, 2), HexPair(AValue, 4)};
}

}  // namespace vn::docx
