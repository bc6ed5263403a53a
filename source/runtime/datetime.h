// TDateTime: days since 1899-12-30 as a double, the fraction being the time
// of day. The clock and the local time-zone offset are injectable so that
// outputs carrying dates can be compared byte for byte in tests.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>

#include "runtime/strings.h"

namespace vn {

using TDateTime = double;

struct DateParts {
  int year = 1899, month = 12, day = 30;
  int hour = 0, minute = 0, second = 0, millisecond = 0;
  int day_of_week = 7;  // 1 = Sunday ... 7 = Saturday, as the runtime counts
};

// nullopt when a field is out of range.
std::optional<TDateTime> TryEncodeDate(int year, int month, int day);
std::optional<TDateTime> TryEncodeTime(int hour, int minute, int second, int millisecond);
TDateTime EncodeDate(int year, int month, int day);  // EConvertError when invalid
TDateTime EncodeTime(int hour, int minute, int second, int millisecond);
TDateTime EncodeDateTime(int year, int month, int day, int hour, int minute, int second, int millisecond);
DateParts DecodeDateTime(TDateTime value);
bool IsLeapYear(int year);
int DaysInMonth(int year, int month);

// The clock: local time now, and the local offset from UTC in minutes
// (east positive) at a given local time. Both default to the system's and
// can be replaced (tests pin them).
TDateTime Now();
int LocalUtcOffsetMinutes(TDateTime local);
void SetClock(std::function<TDateTime()> now, std::function<int(TDateTime)> utc_offset_minutes);
void ResetClock();

// FormatDateTime with the runtime's format letters and fixed English names:
// d dd ddd dddd m mm mmm mmmm yy yyyy h hh n nn s ss z zzz am/pm a/p ampm,
// c (short date + long time), ddddd (short date), t (short time),
// tt (long time), "/" (date separator "/"), ":" (time separator ":"), and
// text in '...' or "..." copied as it stands. The fixed locale: short date
// "m/d/yyyy", long time "hh:nn:ss", short time "hh:nn".
String FormatDateTime(StringView format, TDateTime value);

}  // namespace vn
