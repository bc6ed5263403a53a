// Bytes as lower-case hexadecimal, the form in which the annotation oracles
// print strings.
#pragma once

#include <string>
#include <string_view>

namespace vn::test_support {

inline std::string Hex(std::string_view ABytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string hex;
  hex.reserve(ABytes.size() * 2);
  for (unsigned char c : ABytes) {
    hex += kDigits[c >> 4];
    hex += kDigits[c & 15];
  }
  return hex;
}

}  // namespace vn::test_support
