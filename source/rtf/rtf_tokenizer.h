// Cuts RTF bytes into tokens: control words with their parameter, control
// symbols, hexadecimal character escapes, runs of text bytes, the braces
// that open and close groups, and the raw bytes that follow "\bin". The
// tokenizer does not interpret anything: code pages, Unicode escapes and
// group state belong to the dispatcher.
//
// Every read is bounded by the input: a parameter longer than a 32-bit
// number saturates, a "\bin" length beyond the input is cut to what is
// left, and an escape cut off by the end of the input ends the tokens.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "runtime/streams.h"

namespace vn::rtf {

enum class TvnRTFElementType : uint8_t {
  rtfetNull,           // the end of the input, or an escape cut off by it
  rtfetControlString,  // a control word ("\par") or control symbol ("\*", "\~")
  rtfetGroup,          // "{"
  rtfetText,           // a run of text bytes
  rtfetHexData,        // "\'hh": RTFString holds the one byte it stands for
  rtfetGroupEnd,       // "}"
  rtfetBinary,         // the bytes that follow "\binN"
};

struct TvnRTFElement {
  TvnRTFElementType ReturnElementType = TvnRTFElementType::rtfetNull;
  // For a control word its backslash and name ("\par"); the bytes of a
  // text run, a hex escape or binary data; the brace of a group token.
  std::string RTFString;
  // The parameter of a control word as written ("240", "-120"); empty when
  // it has none.
  std::string Arguement;

  // The parameter as a number, saturated at the 32-bit range; nothing when
  // the control word has no parameter.
  std::optional<int32_t> Parameter() const;
};

class TvnRTFTokenizer {
 public:
  // A tokenizer over the bytes of AText.
  explicit TvnRTFTokenizer(std::string AText);
  // A tokenizer over the stream's bytes from its position to its end.
  explicit TvnRTFTokenizer(vn::TStream* AStream);

  // The next token; at the end of the input a token of kind rtfetNull with
  // an empty RTFString (callers loop until RTFString is empty).
  void Get(TvnRTFElement& AElement);
  // AData followed by the bytes from the position up to, not including,
  // the next "}" (or the end of the input); the position is left on that
  // brace.
  std::string GetPicData(std::string_view AData);

  // Bytes read so far, and the input's size.
  size_t GetPosition() const { return FCounter; }
  size_t GetSize() const { return FReadBuffer.size(); }

 private:
  void ReadControl(TvnRTFElement& AElement);
  void ReadText(TvnRTFElement& AElement);

  std::string FReadBuffer;
  size_t FCounter = 0;
  // Raw bytes still owed by the last "\bin".
  size_t FPendingBinary = 0;
};

}  // namespace vn::rtf
