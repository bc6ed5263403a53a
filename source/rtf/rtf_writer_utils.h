// The RTF writer's small tools: the screen resolution and the unit factors
// derived from it, the RTF text form of any text (escaping and "\u"
// escapes), hexadecimal digits, case-insensitive replacement, and a memory
// stream that reads and writes integers high byte first (for the PNG
// encoder). Everything here lives in vn::rtf::writer, apart from the reader's
// classes of the same names.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/streams.h"
#include "runtime/strings.h"

namespace vn::rtf::writer {

// The screen's pixels per inch (the fixed reference screen) and that / 72.
extern const int32_t ScreenPixelsPerInch;
extern const double PixelsPerPoint;

// Screen pixels per unit for the writer's unit ordinals (muPixels, muInches,
// muMM, muPoints, muTwips); any other ordinal gives 1. Twips per pixel is
// 1 / GetPixelsPerUnit(4).
double GetPixelsPerUnit(int32_t AUnit);
// Twips per screen pixel: 1440 / ScreenPixelsPerInch.
double TwipsPerPixel();

// AText with every occurrence of ASearch replaced by AReplacement, found
// case-insensitively (upper-cased comparison, pieces copied from AText), left
// to right without overlap. An empty search text changes nothing.
std::string ReplaceAllCaseInsensitive(std::string_view AText, std::string_view ASearch, std::string_view AReplacement);

// Two upper-case hexadecimal digits per byte, high digit first, into ABuffer
// (which holds at least 2 * ACount characters).
void BytesToHexDigits(const uint8_t* ABytes, char* ABuffer, size_t ACount);

// The text cut into two-character groups from its end, in reverse group
// order: "0000ABCD" gives "CDAB0000". For an odd length the first character
// is dropped.
std::string ReverseBytePairs(std::string_view AText);

// "\" to "\\", "{" to "\{", "}" to "\}".
std::string EscapeRTFText(std::string_view AText);

// The RTF text of a UTF-16 text, up to its end or its first NUL: ASCII as
// its byte (escaped by EscapeRTFText), Latin-1 letters (160 to 255) as
// "\'hh" of their byte, C1 control code units (128 to 159) and everything
// from 256 up as "\u" N "?" with N the signed 16-bit value; a character above
// U+FFFF as the "\u" escapes of its two surrogates.
std::string EncodeRTFText(StringView AText);

// A memory stream whose integers are big-endian.
class TvnExtMemStream : public TMemoryStream {
 public:
  void WriteByte(uint8_t AByte);
  void WriteByteArray(const std::vector<uint8_t>& ABytes);
  void WriteShort(int16_t AShort);
  void WriteUShort(uint16_t AUShort);
  void WriteLong(int32_t ALong);
  void WriteULong(uint32_t AULong);
  void WriteUShortArray(const std::vector<uint16_t>& AValues);
  void WriteULongArray(const std::vector<uint32_t>& AValues);
  // One byte per character: its low byte.
  void WriteString(StringView AString);
  void WriteString(std::string_view AString);

  // Reads past the end answer 0 for the missing bytes.
  uint8_t ReadByte();
  int16_t ReadShort();
  uint16_t ReadUShort();
  int32_t ReadLong();
  uint32_t ReadULong();
  // ALength bytes as a text of one character per byte (fewer at the end).
  std::string ReadString(int64_t ALength);
  // Moves AOffset forward, then reads up to ACount bytes into ABytes from its
  // start (grown as needed); answers the number read.
  int64_t ReadByteArray(std::vector<uint8_t>& ABytes, int64_t AOffset, int64_t ACount);
  // Moves the position by ANumBytes, kept within 0 and the size; answers 0.
  int64_t SkipBytes(int64_t ANumBytes);
  // Appends zero bytes at the end up to a multiple of 4 bytes.
  void PadTo4Bytes();
  int64_t PadSize() const { return FPadSize; }

 private:
  uint64_t ReadBigEndian(int ABytes);
  void WriteBigEndian(uint64_t AValue, int ABytes);

  int64_t FPadSize = 0;
};

}  // namespace vn::rtf::writer
