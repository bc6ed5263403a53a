// Pieces of a Type 1 font program below the reader: PFB segments, eexec and
// charstring decryption, hexadecimal eexec sections and a PostScript token
// scanner that can hand out the binary data of RD entries. Internal to the
// fonts library.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "fonts/font_types.h"

namespace vn::fonts::type1 {

inline constexpr uint16_t kEexecKey = 55665;
inline constexpr uint16_t kCharstringKey = 4330;

// Decrypts with the Type 1 cipher from the given key.
TvnByteArray Decrypt(std::span<const uint8_t> cipher, uint16_t key);

// A PFB file unwrapped: the text segments before the first binary segment
// and the binary segments, each joined. A segment that runs past the end is
// cut short; the text trailer after the binary part is left out.
struct PfbParts {
  TvnByteArray clear_text;
  TvnByteArray binary;
};
bool IsPfb(std::span<const uint8_t> data);
PfbParts UnwrapPfb(std::span<const uint8_t> data);

// The eexec section as ciphertext: hexadecimal text (recognised by four hex
// digits first) decoded, binary data taken as it is.
TvnByteArray EexecCiphertext(std::span<const uint8_t> section);

// A PostScript number: integer, real or radix (8#101); nullopt otherwise.
std::optional<double> ParseNumber(std::string_view text);

struct Token {
  enum Kind { End, Name, Word, Number, String, HexString, OpenArray, CloseArray, OpenProc, CloseProc, OpenDict, CloseDict };
  Kind kind = End;
  std::string_view text;  // name without "/", word, number text, string content with escapes as written
  double number = 0;
  bool Is(Kind k, std::string_view t) const { return kind == k && text == t; }
  bool IsWord(std::string_view t) const { return Is(Word, t); }
};

class Scanner {
 public:
  explicit Scanner(std::span<const uint8_t> data, size_t pos = 0) : data_(data), pos_(pos) {}
  Token Next();
  size_t position() const { return pos_; }
  void Seek(size_t pos) { pos_ = pos < data_.size() ? pos : data_.size(); }
  // After the token that reads binary data (RD, -|): skips the one separator
  // and takes `count` bytes; nullopt (and the scanner at the end) when the
  // data are shorter.
  std::optional<std::span<const uint8_t>> Binary(double count);

 private:
  std::span<const uint8_t> data_;
  size_t pos_;
};

// The text of a PostScript string token with its escapes applied.
std::string Unescape(std::string_view raw);

}  // namespace vn::fonts::type1
