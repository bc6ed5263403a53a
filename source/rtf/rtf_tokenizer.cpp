#include "rtf/rtf_tokenizer.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace vn::rtf {

namespace {

// Longest control-word name kept, and longest parameter text kept (a sign
// and eleven digits, already beyond the 32-bit range).
constexpr size_t kMaxControlWordLength = 32;
constexpr size_t kMaxParameterLength = 12;

bool IsLetter(unsigned char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }
int HexValue(unsigned char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}
// Bytes that belong to a text run: everything but the three RTF
// specials, line ends, tabs and the other control characters.
bool IsTextByte(unsigned char c) { return c != '\\' && c != '{' && c != '}' && c >= 0x20 && c != 0x7F; }

}  // namespace

std::optional<int32_t> TvnRTFElement::Parameter() const {
  if (Arguement.empty()) return std::nullopt;
  bool negative = Arguement[0] == '-';
  int64_t value = 0;
  for (size_t i = negative ? 1 : 0; i < Arguement.size(); ++i) {
    if (!IsDigit(static_cast<unsigned char>(Arguement[i]))) break;
    value = value * 10 + (Arguement[i] - '0');
    if (value > int64_t{std::numeric_limits<int32_t>::max()} + 1) break;
  }
  if (negative) value = -value;
  value = std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max());
  return static_cast<int32_t>(value);
}

TvnRTFTokenizer::TvnRTFTokenizer(std::string AText) : FReadBuffer(std::move(AText)) {}

TvnRTFTokenizer::TvnRTFTokenizer(vn::TStream* AStream) {
  // Read to the end whatever the stream says its size is, in chunks, so a
  // wrong size neither over-allocates nor cuts the input.
  char chunk[65536];
  for (;;) {
    const int64_t got = AStream->Read(chunk, sizeof chunk);
    if (got <= 0) break;
    FReadBuffer.append(chunk, static_cast<size_t>(got));
  }
}

void TvnRTFTokenizer::Get(TvnRTFElement& AElement) {
  AElement.ReturnElementType = TvnRTFElementType::rtfetNull;
  AElement.RTFString.clear();
  AElement.Arguement.clear();
  if (FPendingBinary > 0) {
    const size_t count = std::min(FPendingBinary, FReadBuffer.size() - FCounter);
    AElement.ReturnElementType = TvnRTFElementType::rtfetBinary;
    AElement.RTFString.assign(FReadBuffer, FCounter, count);
    FCounter += count;
    FPendingBinary = 0;
    if (count > 0) return;
    // Nothing of it is left: go on to the end of the input.
  }
  while (FCounter < FReadBuffer.size()) {
    const auto c = static_cast<unsigned char>(FReadBuffer[FCounter]);
    if (c == '{' || c == '}') {
      AElement.ReturnElementType = c == '{' ? TvnRTFElementType::rtfetGroup : TvnRTFElementType::rtfetGroupEnd;
      AElement.RTFString.assign(1, static_cast<char>(c));
      ++FCounter;
      return;
    }
    if (c == '\\') {
      ReadControl(AElement);
      return;
    }
    if (c == '\t') {
      // A tab character stands for the tab control word.
      AElement.ReturnElementType = TvnRTFElementType::rtfetControlString;
      AElement.RTFString = "\\tab";
      ++FCounter;
      return;
    }
    if (IsTextByte(c)) {
      ReadText(AElement);
      return;
    }
    ++FCounter;  // line ends and other control characters carry nothing
  }
}

void TvnRTFTokenizer::ReadText(TvnRTFElement& AElement) {
  AElement.ReturnElementType = TvnRTFElementType::rtfetText;
  const size_t start = FCounter;
  while (FCounter < FReadBuffer.size() && IsTextByte(static_cast<unsigned char>(FReadBuffer[FCounter]))) ++FCounter;
  AElement.RTFString.append(FReadBuffer, start, FCounter - start);
}

void TvnRTFTokenizer::ReadControl(TvnRTFElement& AElement) {
  const size_t size = FReadBuffer.size();
  ++FCounter;  // the backslash
  AElement.RTFString = "\\";
  if (FCounter >= size) return;  // cut off: rtfetNull with the backslash
  const auto c = static_cast<unsigned char>(FReadBuffer[FCounter]);
  if (c == '\\' || c == '{' || c == '}') {
    AElement.ReturnElementType = TvnRTFElementType::rtfetText;
    AElement.RTFString.assign(1, static_cast<char>(c));
    ++FCounter;
    return;
  }
  if (c == '\'') {
    const int high = FCounter + 1 < size ? HexValue(static_cast<unsigned char>(FReadBuffer[FCounter + 1])) : -1;
    const int low = FCounter + 2 < size ? HexValue(static_cast<unsigned char>(FReadBuffer[FCounter + 2])) : -1;
    if (high < 0 || low < 0) {
      // A broken escape: the symbol alone, its stray hex digit dropped.
      AElement.ReturnElementType = TvnRTFElementType::rtfetControlString;
      AElement.RTFString = "\\'";
      FCounter += high < 0 ? 1 : 2;
      return;
    }
    AElement.ReturnElementType = TvnRTFElementType::rtfetHexData;
    AElement.RTFString.assign(1, static_cast<char>(high * 16 + low));
    FCounter += 3;
    return;
  }
  AElement.ReturnElementType = TvnRTFElementType::rtfetControlString;
  if (c == '\n' || c == '\r') {
    // A backslash before a line end is a paragraph mark.
    AElement.RTFString = "\\par";
    ++FCounter;
    return;
  }
  if (!IsLetter(c)) {
    AElement.RTFString.push_back(static_cast<char>(c));
    ++FCounter;
    return;
  }
  while (FCounter < size && IsLetter(static_cast<unsigned char>(FReadBuffer[FCounter]))) {
    if (AElement.RTFString.size() <= kMaxControlWordLength) AElement.RTFString.push_back(FReadBuffer[FCounter]);
    ++FCounter;
  }
  const bool negative = FCounter + 1 < size && FReadBuffer[FCounter] == '-' &&
                        IsDigit(static_cast<unsigned char>(FReadBuffer[FCounter + 1]));
  if (negative) {
    AElement.Arguement.push_back('-');
    ++FCounter;
  }
  while (FCounter < size && IsDigit(static_cast<unsigned char>(FReadBuffer[FCounter]))) {
    if (AElement.Arguement.size() < kMaxParameterLength) AElement.Arguement.push_back(FReadBuffer[FCounter]);
    ++FCounter;
  }
  if (FCounter < size && FReadBuffer[FCounter] == ' ') ++FCounter;  // the delimiting space
  if (AElement.RTFString == "\\bin") {
    const int32_t length = AElement.Parameter().value_or(0);
    FPendingBinary = length > 0 ? std::min(static_cast<size_t>(length), size - FCounter) : 0;
  }
}

std::string TvnRTFTokenizer::GetPicData(std::string_view AData) {
  std::string result(AData);
  const size_t end = std::min(FReadBuffer.find('}', FCounter), FReadBuffer.size());
  result.append(FReadBuffer, FCounter, end - FCounter);
  FCounter = end;
  return result;
}

}  // namespace vn::rtf
