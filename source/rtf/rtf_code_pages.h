// The 8-bit and double-byte code pages RTF text is written in: the
// document's code page ("\ansicpg") and the fonts' character sets
// ("\fcharset") name them. Windows-1252 is the runtime's own table; the
// others go through the C library's converters.
#pragma once

#include <cstdint>
#include <map>
#include <string_view>

#include "runtime/strings.h"

namespace vn::rtf {

// The code page a font character set stands for; 0 for the default
// character set (1) and for sets without a code page of their own.
int32_t CodePageOfCharset(int32_t ACharset);

// Decodes bytes of one code page. Bytes that do not form a character
// become U+FFFD; a code page without a converter is read as Windows-1252.
// Converters are opened once per code page and closed with the object.
class RtfCodePageDecoder {
 public:
  RtfCodePageDecoder() = default;
  ~RtfCodePageDecoder();
  RtfCodePageDecoder(const RtfCodePageDecoder&) = delete;
  RtfCodePageDecoder& operator=(const RtfCodePageDecoder&) = delete;

  void Decode(int32_t ACodePage, std::string_view ABytes, String& AOut);

 private:
  // iconv_t handles by code page; a null handle marks a code page that has
  // no converter.
  std::map<int32_t, void*> FConverters;
};

}  // namespace vn::rtf
