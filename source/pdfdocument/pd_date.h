// A PDF date text ("D:" followed by year, month, day, hour, minutes and
// seconds, then an optional zone) split into its six numbers. Pieces are
// read by position, so a short date gives the earlier pieces and defaults
// for the rest; the zone offset is not kept. Immutable after creation.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "pdf/object.h"

namespace vn::pdfdoc {

// The six numbers of a PDF date as the date rules read them.
struct TvnPDDateParts {
  uint16_t Year = 0;
  uint16_t Month = 0;
  uint16_t Day = 0;
  uint16_t Hour = 0;
  uint16_t Minutes = 0;
  uint16_t Seconds = 0;
};

// Splits the text: without "D:" all six stay 0. After the first "D:", the
// year is characters 1-4, month 5-6, day 7-8, hour 9-10, minutes 11-12 and
// seconds 13-14, each read when the text is long enough and the zone mark
// ("+", "-" or "Z", the first of them) does not start inside the piece; a
// piece that is not a number reads 0. A month or day outside its range
// becomes 1; an hour above 23, minutes or seconds above 59 become 0.
TvnPDDateParts ParseDateParts(std::string_view AString);

class TvnPDDate : public vn::pdf::TvnObject {
 public:
  explicit TvnPDDate(std::string_view AString) : FParts(ParseDateParts(AString)) {}

  uint16_t Year() const { return FParts.Year; }
  uint16_t Month() const { return FParts.Month; }
  uint16_t Day() const { return FParts.Day; }
  uint16_t Hour() const { return FParts.Hour; }
  uint16_t Minutes() const { return FParts.Minutes; }
  uint16_t Seconds() const { return FParts.Seconds; }

  // "D:", the year unpadded, then month, day, hour, minutes and seconds with
  // a "0" before values below 10; no zone.
  std::string ToString() const;

 private:
  TvnPDDateParts FParts;
};

}  // namespace vn::pdfdoc
