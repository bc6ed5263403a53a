#include "runtime/datetime.h"

#include <chrono>
#include <cmath>
#include <ctime>
#include <mutex>

#include "runtime/exceptions.h"

namespace vn {
namespace {

constexpr int kDaysBefore1900ToEpoch = 25569;  // 1899-12-30 .. 1970-01-01

// Days from 0001-01-01 (proleptic Gregorian) for a date.
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<int64_t>(doe) - 719468;  // days since 1970-01-01
}

void CivilFromDays(int64_t z, int& y, int& m, int& d) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t yy = static_cast<int64_t>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = static_cast<int>(yy + (m <= 2));
}

TDateTime SystemNow() {
  using namespace std::chrono;
  auto now = system_clock::now();
  std::time_t t = system_clock::to_time_t(now);
  std::tm local{};
  localtime_r(&t, &local);
  auto ms = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
  return EncodeDateTime(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                        local.tm_sec, static_cast<int>(ms));
}

int SystemUtcOffset(TDateTime local) {
  DateParts p = DecodeDateTime(local);
  std::tm tm{};
  tm.tm_year = p.year - 1900;
  tm.tm_mon = p.month - 1;
  tm.tm_mday = p.day;
  tm.tm_hour = p.hour;
  tm.tm_min = p.minute;
  tm.tm_sec = p.second;
  tm.tm_isdst = -1;
  std::time_t t = mktime(&tm);
  if (t == static_cast<std::time_t>(-1)) return 0;
  std::tm back{};
  localtime_r(&t, &back);
  return static_cast<int>(back.tm_gmtoff / 60);
}

std::mutex g_clock_mutex;
std::function<TDateTime()> g_now;
std::function<int(TDateTime)> g_offset;

}  // namespace

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
  static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

std::optional<TDateTime> TryEncodeDate(int year, int month, int day) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month))
    return std::nullopt;
  return static_cast<double>(DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) +
                             kDaysBefore1900ToEpoch);
}

std::optional<TDateTime> TryEncodeTime(int hour, int minute, int second, int millisecond) {
  if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 || millisecond < 0 ||
      millisecond > 999)
    return std::nullopt;
  return (((hour * 60.0 + minute) * 60.0 + second) * 1000.0 + millisecond) / 86400000.0;
}

TDateTime EncodeDate(int year, int month, int day) {
  auto v = TryEncodeDate(year, month, day);
  if (!v) throw EConvertError("Invalid argument to date encode");
  return *v;
}

TDateTime EncodeTime(int hour, int minute, int second, int millisecond) {
  auto v = TryEncodeTime(hour, minute, second, millisecond);
  if (!v) throw EConvertError("Invalid argument to time encode");
  return *v;
}

TDateTime EncodeDateTime(int year, int month, int day, int hour, int minute, int second, int millisecond) {
  TDateTime d = EncodeDate(year, month, day);
  TDateTime t = EncodeTime(hour, minute, second, millisecond);
  return d >= 0 ? d + t : d - t;
}

DateParts DecodeDateTime(TDateTime value) {
  DateParts p;
  if (!std::isfinite(value) || std::fabs(value) > 3.0e6) return p;
  // Milliseconds since 1899-12-30, rounded, with the time part taken from the
  // absolute fraction (negative values count back in days, forward in time).
  double whole = std::trunc(value);
  double frac = std::fabs(value - whole);
  int64_t ms = static_cast<int64_t>(std::llround(frac * 86400000.0));
  int64_t days = static_cast<int64_t>(whole);
  if (ms >= 86400000) {
    ms -= 86400000;
    days += value >= 0 ? 1 : -1;
  }
  CivilFromDays(days - kDaysBefore1900ToEpoch, p.year, p.month, p.day);
  p.hour = static_cast<int>(ms / 3600000);
  p.minute = static_cast<int>(ms / 60000 % 60);
  p.second = static_cast<int>(ms / 1000 % 60);
  p.millisecond = static_cast<int>(ms % 1000);
  // 1899-12-30 was a Saturday (7).
  int64_t dow = ((days % 7) + 7) % 7;  // 0 = Saturday
  p.day_of_week = dow == 0 ? 7 : static_cast<int>(dow);
  return p;
}

TDateTime Now() {
  std::lock_guard<std::mutex> lock(g_clock_mutex);
  return g_now ? g_now() : SystemNow();
}

int LocalUtcOffsetMinutes(TDateTime local) {
  std::lock_guard<std::mutex> lock(g_clock_mutex);
  return g_offset ? g_offset(local) : SystemUtcOffset(local);
}

void SetClock(std::function<TDateTime()> now, std::function<int(TDateTime)> utc_offset_minutes) {
  std::lock_guard<std::mutex> lock(g_clock_mutex);
  g_now = std::move(now);
  g_offset = std::move(utc_offset_minutes);
}

void ResetClock() { SetClock(nullptr, nullptr); }

namespace {

const char* const kShortDays[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
const char* const kLongDays[7] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
const char* const kShortMonths[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                      "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
const char* const kLongMonths[12] = {"January", "February", "March",     "April",   "May",      "June",
                                     "July",    "August",   "September", "October", "November", "December"};

String Pad(int v, size_t width) {
  String s = IntToStr(v);
  while (s.size() < width) s.insert(s.begin(), u'0');
  return s;
}

bool StartsWithCi(StringView f, size_t i, StringView what) {
  if (i + what.size() > f.size()) return false;
  return SameText(f.substr(i, what.size()), what);
}

size_t CountRun(StringView f, size_t i, char16_t lower) {
  size_t n = 0;
  while (i + n < f.size() && (f[i + n] == lower || f[i + n] == lower - 32)) ++n;
  return n;
}

void FormatInto(String& out, StringView f, const DateParts& p, int depth) {
  // Whether a clock is 12-hour: any am/pm marker in the format.
  const String lower = LowerCase(f);
  const bool twelve = lower.find(u"am/pm") != String::npos || lower.find(u"a/p") != String::npos ||
                      lower.find(u"ampm") != String::npos;
  bool last_was_hour = false;
  size_t i = 0;
  while (i < f.size()) {
    char16_t c = f[i];
    char16_t lc = (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c;
    if (c == u'\'' || c == u'"') {
      size_t end = f.find(c, i + 1);
      if (end == StringView::npos) end = f.size();
      out.append(f.substr(i + 1, end - i - 1));
      i = end + 1;
      continue;
    }
    if (StartsWithCi(f, i, u"am/pm")) {
      out += p.hour < 12 ? u"AM" : u"PM";
      i += 5;
      continue;
    }
    if (StartsWithCi(f, i, u"ampm")) {
      out += p.hour < 12 ? u"AM" : u"PM";
      i += 4;
      continue;
    }
    if (StartsWithCi(f, i, u"a/p")) {
      out += p.hour < 12 ? u"a" : u"p";
      i += 3;
      continue;
    }
    switch (lc) {
      case u'y': {
        size_t n = CountRun(f, i, u'y');
        out += n <= 2 ? Pad(p.year % 100, 2) : Pad(p.year, 4);
        i += n;
        last_was_hour = false;
        continue;
      }
      case u'm': {
        size_t n = CountRun(f, i, u'm');
        if (last_was_hour && n <= 2) {
          out += n == 1 ? IntToStr(p.minute) : Pad(p.minute, 2);
        } else if (n == 1) {
          out += IntToStr(p.month);
        } else if (n == 2) {
          out += Pad(p.month, 2);
        } else if (n == 3) {
          out += FromAscii(kShortMonths[p.month - 1]);
        } else {
          out += FromAscii(kLongMonths[p.month - 1]);
        }
        i += n;
        last_was_hour = false;
        continue;
      }
      case u'd': {
        size_t n = CountRun(f, i, u'd');
        if (n == 1) out += IntToStr(p.day);
        else if (n == 2) out += Pad(p.day, 2);
        else if (n == 3) out += FromAscii(kShortDays[p.day_of_week - 1]);
        else if (n == 4) out += FromAscii(kLongDays[p.day_of_week - 1]);
        else if (depth < 2) FormatInto(out, u"m/d/yyyy", p, depth + 1);
        i += n;
        last_was_hour = false;
        continue;
      }
      case u'h': {
        size_t n = CountRun(f, i, u'h');
        int h = p.hour;
        if (twelve) {
          h %= 12;
          if (h == 0) h = 12;
        }
        out += n == 1 ? IntToStr(h) : Pad(h, 2);
        i += n;
        last_was_hour = true;
        continue;
      }
      case u'n': {
        size_t n = CountRun(f, i, u'n');
        out += n == 1 ? IntToStr(p.minute) : Pad(p.minute, 2);
        i += n;
        last_was_hour = false;
        continue;
      }
      case u's': {
        size_t n = CountRun(f, i, u's');
        out += n == 1 ? IntToStr(p.second) : Pad(p.second, 2);
        i += n;
        last_was_hour = false;
        continue;
      }
      case u'z': {
        size_t n = CountRun(f, i, u'z');
        out += n >= 3 ? Pad(p.millisecond, 3) : IntToStr(p.millisecond);
        i += n;
        continue;
      }
      case u't': {
        size_t n = CountRun(f, i, u't');
        if (depth < 2) FormatInto(out, n >= 2 ? u"hh:nn:ss" : u"hh:nn", p, depth + 1);
        i += n;
        continue;
      }
      case u'c': {
        if (depth < 2) {
          FormatInto(out, u"m/d/yyyy", p, depth + 1);
          if (p.hour || p.minute || p.second) {
            out += u' ';
            FormatInto(out, u"hh:nn:ss", p, depth + 1);
          }
        }
        ++i;
        continue;
      }
      default:
        out += c;
        ++i;
        if (c != u' ' && c != u':') last_was_hour = last_was_hour && (c == u':');
        continue;
    }
  }
}

}  // namespace

String FormatDateTime(StringView format, TDateTime value) {
  String out;
  FormatInto(out, format, DecodeDateTime(value), 0);
  return out;
}

}  // namespace vn
