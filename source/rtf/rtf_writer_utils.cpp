#include "rtf/rtf_writer_utils.h"

#include <algorithm>

#include "framework/writer_routines.h"
#include "platform/system.h"
#include "runtime/codepages.h"
#include "runtime/hex.h"

namespace vn::rtf::writer {

const int32_t ScreenPixelsPerInch = platform::kScreenPixelsPerInch;
const double PixelsPerPoint = platform::kScreenPixelsPerInch / 72.0;

double GetPixelsPerUnit(int32_t AUnit) {
  switch (AUnit) {
    case 1: return PixelsPerPoint * 72;
    case 2: return PixelsPerPoint * 2.83464;
    case 3: return PixelsPerPoint;
    case 4: return PixelsPerPoint * 0.05;
    default: return 1;
  }
}

double TwipsPerPixel() { return 1440.0 / ScreenPixelsPerInch; }

namespace {

// Bytes as the code units of the same values, and back.
String WidenBytes(std::string_view ABytes) {
  String units;
  units.reserve(ABytes.size());
  for (const char byte : ABytes) units += static_cast<char16_t>(static_cast<uint8_t>(byte));
  return units;
}

std::string NarrowUnits(StringView AText) {
  std::string bytes;
  bytes.reserve(AText.size());
  for (const char16_t unit : AText) bytes += static_cast<char>(unit);
  return bytes;
}

}  // namespace

std::string ReplaceAllCaseInsensitive(std::string_view AText, std::string_view ASearch, std::string_view AReplacement) {
  // Every piece of the result comes from the three texts, so the widened
  // units narrow back to their bytes.
  return NarrowUnits(
      framework::ReplaceTextIgnoreCase(WidenBytes(AText), WidenBytes(ASearch), WidenBytes(AReplacement)));
}

void BytesToHexDigits(const uint8_t* ABytes, char* ABuffer, size_t ACount) {
  for (size_t i = 0; i < ACount; ++i) {
    ABuffer[2 * i] = HexDigit(ABytes[i] >> 4);
    ABuffer[2 * i + 1] = HexDigit(ABytes[i]);
  }
}

std::string ReverseBytePairs(std::string_view AText) {
  std::string result;
  result.reserve(AText.size());
  for (size_t end = AText.size(); end >= 2; end -= 2) result.append(AText.substr(end - 2, 2));
  return result;
}

std::string EscapeRTFText(std::string_view AText) {
  std::string result = ReplaceAllCaseInsensitive(AText, "\\", "\\\\");
  result = ReplaceAllCaseInsensitive(result, "{", "\\{");
  return ReplaceAllCaseInsensitive(result, "}", "\\}");
}

namespace {

// "\u" with the code unit as a signed 16-bit number, then the character
// for readers that skip the escape: the byte of the header's code page
// (1252) when the character has one there (curly quotes, dashes, the euro
// sign), else a question mark. The fallback goes as "\'hh": readers that
// know "\u" skip it as one character, and some take a plain character
// after the escape for the start of a longer fallback and drop the rest of
// the word with it.
void AppendUnicodeEscape(std::string& AOut, char16_t AUnit) {
  AOut += "\\u";
  AOut += std::to_string(static_cast<int16_t>(AUnit));
  const std::string ansi = vn::EncodeCp1252(StringView(&AUnit, 1), '?');
  const auto fallback = static_cast<uint8_t>(ansi.size() == 1 && vn::Cp1252ToUnicode(static_cast<uint8_t>(ansi[0])) == AUnit
                                                 ? ansi[0]
                                                 : '?');
  AOut += "\\'";
  AOut += HexDigit(fallback >> 4);
  AOut += HexDigit(fallback);
}

}  // namespace

std::string EncodeRTFText(StringView AText) {
  std::string result;
  for (const char16_t unit : AText) {
    if (unit == 0) break;
    // Bytes 128 to 159 mean other characters in the header's code page
    // (1252 puts the euro sign at 128), so these code units go as "\u".
    // Latin-1 letters go as "\'hh" of their byte: readers of 7-bit RTF drop
    // raw bytes from 128 up.
    if (unit >= 0x80 && unit < 0xA0) {
      AppendUnicodeEscape(result, unit);
    } else if (unit >= 0xA0 && unit < 0x100) {
      result += "\\'";
      result += HexDigit(unit >> 4);
      result += HexDigit(unit);
    } else if (unit < 0x80) {
      const char byte = static_cast<char>(unit);
      if (byte == '\\' || byte == '{' || byte == '}') result += '\\';
      result += byte;
    } else {
      // Each surrogate of a pair is a code unit of its own; readers join them.
      AppendUnicodeEscape(result, unit);
    }
  }
  return result;
}

void TvnExtMemStream::WriteBigEndian(uint64_t AValue, int ABytes) {
  uint8_t bytes[8];
  for (int i = 0; i < ABytes; ++i) bytes[i] = static_cast<uint8_t>(AValue >> (8 * (ABytes - 1 - i)));
  WriteBuffer(bytes, ABytes);
}

uint64_t TvnExtMemStream::ReadBigEndian(int ABytes) {
  uint8_t bytes[8] = {};
  Read(bytes, ABytes);
  uint64_t value = 0;
  for (int i = 0; i < ABytes; ++i) value = value << 8 | bytes[i];
  return value;
}

void TvnExtMemStream::WriteByte(uint8_t AByte) { WriteBuffer(&AByte, 1); }

void TvnExtMemStream::WriteByteArray(const std::vector<uint8_t>& ABytes) {
  if (!ABytes.empty()) WriteBuffer(ABytes.data(), static_cast<int64_t>(ABytes.size()));
}

void TvnExtMemStream::WriteShort(int16_t AShort) { WriteBigEndian(static_cast<uint16_t>(AShort), 2); }
void TvnExtMemStream::WriteUShort(uint16_t AUShort) { WriteBigEndian(AUShort, 2); }
void TvnExtMemStream::WriteLong(int32_t ALong) { WriteBigEndian(static_cast<uint32_t>(ALong), 4); }
void TvnExtMemStream::WriteULong(uint32_t AULong) { WriteBigEndian(AULong, 4); }

void TvnExtMemStream::WriteUShortArray(const std::vector<uint16_t>& AValues) {
  for (const uint16_t value : AValues) WriteUShort(value);
}

void TvnExtMemStream::WriteULongArray(const std::vector<uint32_t>& AValues) {
  for (const uint32_t value : AValues) WriteULong(value);
}

void TvnExtMemStream::WriteString(StringView AString) {
  for (const char16_t unit : AString) WriteByte(static_cast<uint8_t>(unit));
}

void TvnExtMemStream::WriteString(std::string_view AString) { TMemoryStream::WriteString(AString); }

uint8_t TvnExtMemStream::ReadByte() { return static_cast<uint8_t>(ReadBigEndian(1)); }
int16_t TvnExtMemStream::ReadShort() { return static_cast<int16_t>(ReadBigEndian(2)); }
uint16_t TvnExtMemStream::ReadUShort() { return static_cast<uint16_t>(ReadBigEndian(2)); }
int32_t TvnExtMemStream::ReadLong() { return static_cast<int32_t>(ReadBigEndian(4)); }
uint32_t TvnExtMemStream::ReadULong() { return static_cast<uint32_t>(ReadBigEndian(4)); }

std::string TvnExtMemStream::ReadString(int64_t ALength) {
  const int64_t available = std::max<int64_t>(0, GetSize() - position_);
  std::string result(static_cast<size_t>(std::clamp<int64_t>(ALength, 0, available)), '\0');
  if (!result.empty()) Read(result.data(), static_cast<int64_t>(result.size()));
  return result;
}

int64_t TvnExtMemStream::ReadByteArray(std::vector<uint8_t>& ABytes, int64_t AOffset, int64_t ACount) {
  Seek(AOffset, SeekOrigin::soCurrent);
  if (ACount <= 0) return 0;
  const int64_t available = std::max<int64_t>(0, GetSize() - position_);
  const int64_t wanted = std::min(ACount, available);
  if (static_cast<int64_t>(ABytes.size()) < wanted) ABytes.resize(static_cast<size_t>(wanted));
  int64_t total = 0;
  while (total < wanted) {
    const int64_t got = Read(ABytes.data() + total, wanted - total);
    if (got <= 0) break;
    total += got;
  }
  return total;
}

int64_t TvnExtMemStream::SkipBytes(int64_t ANumBytes) {
  const int64_t target = std::clamp<int64_t>(position_ + ANumBytes, 0, GetSize());
  Seek(target, SeekOrigin::soBeginning);
  return 0;
}

void TvnExtMemStream::PadTo4Bytes() {
  Seek(0, SeekOrigin::soEnd);
  FPadSize = 0;
  while (GetSize() % 4 != 0) {
    WriteByte(0);
    ++FPadSize;
  }
}

}  // namespace vn::rtf::writer
