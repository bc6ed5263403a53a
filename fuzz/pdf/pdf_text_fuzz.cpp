// Fuzz target for the text routines that read outside bytes: PDF dates,
// name escapes, literal-string escapes, hex digit text, text strings and
// number text.
// Contract: any input is accepted; nothing crashes, hangs or raises other
// than EConvertError from PDTextToFloat, and these hold:
//   DecodeName(EncodeName(v)) == v and the written name has regular bytes only;
//   UnescapePDString(EscapePDString(v)) == v;
//   a parsed date has its fields in range, and building and re-reading it
//   gives the same text;
//   FloatToPDText never writes an exponent.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "pdf/text.h"
#include "runtime/exceptions.h"

using namespace vn::pdf;

namespace {
void CheckText(bool ok) {
  if (!ok) std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view in(reinterpret_cast<const char*>(data), size);

  std::string written = EncodeName(in);
  for (char c : written) CheckText(IsPDRegular(static_cast<uint8_t>(c)) || c == ' ');
  CheckText(DecodeName(written) == in);
  (void)DecodeName(in);

  CheckText(UnescapePDString(EscapePDString(in)) == in);
  (void)UnescapePDString(in);

  TvnPDDateRec date;
  ParsePDDate(in, date);
  if (in.find("D:") != std::string_view::npos)
    CheckText(date.Month >= 1 && date.Month <= 12 && date.Day >= 1 && date.Day <= 31 && date.Hour <= 23 &&
        date.Minute <= 59 && date.Second <= 59);
  if (date.Year >= 1000 && in.find("D:") != std::string_view::npos) {
    std::string built = BuildPDDate(date);
    TvnPDDateRec back;
    ParsePDDate(built, back);
    CheckText(BuildPDDate(back) == built);
  }

  (void)HexTextToBytes(in);
  (void)HexDigitsToBytes(in);
  (void)HexTextToByteArray(in);
  (void)HexUTF16TextToWide(in);
  (void)PDTextStringToWide(in);
  uint8_t b;
  (void)HexPairToByte(in.substr(0, 4), b);
  (void)TokenAt(in, size > 0 ? data[0] : 1);
  (void)PDTextToInt(in);
  try {
    (void)PDTextToFloat(in);
  } catch (const vn::EConvertError&) {
  }
  if (size >= 3) (void)ReplaceAllText(in.substr(3), in.substr(0, data[0] % 3), in.substr(1, data[1] % 3));

  if (size >= 8) {
    double v;
    std::memcpy(&v, data, 8);
    std::string text = FloatToPDText(v);
    CheckText(text.find_first_of("eE") == std::string::npos);
    if (std::isfinite(v) && std::fabs(v) < 1e300) {
      double back = PDTextToFloat(text);
      CheckText(std::fabs(back - v) <= std::fabs(v) * 1e-14 + 1e-300 || std::fabs(v) < 1e-290);
    }
  }
  return 0;
}
