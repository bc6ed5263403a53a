// Text encodings of the XML layer: UTF-8, UTF-16 in both byte orders and the
// system ANSI code page (Windows-1252). Each is a process-wide object that
// nobody frees; readers and writers hold plain pointers to it.
//
// Decoding never fails: bytes that do not form a character become U+FFFD,
// one per maximal ill-formed subsequence. A decoder fed in chunks leaves the
// bytes of a character cut at the end of a chunk to the caller, which hands
// them back in front of the next chunk.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/strings.h"

namespace vn::ooxml {

class TEncoding {
 public:
  virtual ~TEncoding() = default;

  static const TEncoding* UTF8();
  static const TEncoding* Unicode();  // UTF-16 little-endian
  static const TEncoding* BigEndianUnicode();
  static const TEncoding* Default();  // the system ANSI code page

  // The byte-order mark this encoding writes (empty for the code page).
  virtual std::string_view GetPreamble() const = 0;

  // Appends the characters of `bytes` to `out`. Unless `final`, a character
  // cut at the end of `bytes` is not decoded; the result is the number of
  // its bytes (left for the next call). With `final` everything is decoded
  // and the result is 0.
  virtual size_t Decode(std::string_view bytes, bool final, String& out) const = 0;
  // Appends the bytes of `text` to `out`; characters the encoding cannot
  // hold become "?" (code page) or U+FFFD (an unpaired surrogate in UTF-8).
  virtual void Encode(StringView text, std::string& out) const = 0;

  String GetString(std::string_view bytes) const;
  std::string GetBytes(StringView text) const;
};

// Appends a code point (at most U+10FFFF) as one code unit or a surrogate pair.
void AppendCodePoint(String& out, uint32_t cp);

// The encoding named by an XML encoding declaration ("UTF-8", "utf-16",
// "windows-1252", "ISO-8859-1", "US-ASCII" ...), compared case-insensitively;
// nullptr for a name this layer does not decode. A bare "UTF-16" names the
// little-endian form (a byte-order mark, when present, decides first).
const TEncoding* EncodingFromName(StringView name);

}  // namespace vn::ooxml
