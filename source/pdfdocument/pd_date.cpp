#include "pdfdocument/pd_date.h"

#include <algorithm>
#include <charconv>

namespace vn::pdfdoc {

namespace {

// The decimal number of positions [from, from + 2) or [from, from + 4)
// (1-based); 0 when the piece is not wholly a number.
uint16_t DatePiece(std::string_view r, size_t from, size_t length) {
  std::string_view piece = r.substr(from - 1, length);
  unsigned value = 0;
  auto [end, ec] = std::from_chars(piece.data(), piece.data() + piece.size(), value);
  if (ec != std::errc() || end != piece.data() + piece.size()) return 0;
  return static_cast<uint16_t>(value);
}

// The 1-based position of the first zone mark, 0 when there is none.
size_t ZonePosition(std::string_view r) {
  size_t first = std::string_view::npos;
  for (char mark : {'+', '-', 'Z'}) first = std::min(first, r.find(mark));
  return first == std::string_view::npos ? 0 : first + 1;
}

}  // namespace

TvnPDDateParts ParseDateParts(std::string_view AString) {
  TvnPDDateParts d;
  const size_t at = AString.find("D:");
  if (at == std::string_view::npos) return d;
  std::string r(AString.substr(0, at));
  r += AString.substr(at + 2);
  const size_t n = r.size();
  if (n >= 4) d.Year = DatePiece(r, 1, 4);
  if (n >= 6) d.Month = DatePiece(r, 5, 2);
  if (d.Month < 1 || d.Month > 12) d.Month = 1;
  if (n >= 8) d.Day = DatePiece(r, 7, 2);
  if (d.Day < 1 || d.Day > 31) d.Day = 1;
  if (n >= 10) d.Hour = DatePiece(r, 9, 2);
  if (d.Hour > 23) d.Hour = 0;
  const size_t z = ZonePosition(r);
  if (n >= 12 && z != 11) d.Minutes = DatePiece(r, 11, 2);
  if (d.Minutes > 59) d.Minutes = 0;
  if ((z == 0 && n == 14) || z == 15) d.Seconds = DatePiece(r, 13, 2);
  if (d.Seconds > 59) d.Seconds = 0;
  return d;
}

std::string TvnPDDate::ToString() const {
  std::string out = "D:" + std::to_string(FParts.Year);
  for (uint16_t v : {FParts.Month, FParts.Day, FParts.Hour, FParts.Minutes, FParts.Seconds}) {
    if (v < 10) out += '0';
    out += std::to_string(v);
  }
  return out;
}

}  // namespace vn::pdfdoc
