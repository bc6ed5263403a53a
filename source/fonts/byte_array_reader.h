// TvnByteArrayReader: a cursor over a byte array reading big-endian values,
// used by the CFF readers. It never throws: a read at or past the end
// answers -1 (255 for ReadByte) and leaves the position where it was, and
// the position may be set anywhere. The array is shared with the creator.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "fonts/font_types.h"
#include "runtime/strings.h"

namespace vn::fonts {

class TvnByteArrayReader {
 public:
  explicit TvnByteArrayReader(std::shared_ptr<const TvnByteArray> AfontByteArr);
  explicit TvnByteArrayReader(TvnByteArray AfontByteArr);

  // Next byte 0-255, or -1 at or past the end (or before the start).
  int Read();
  int ReadUnsignedByte() { return Read(); }
  int ReadCard8() { return Read(); }
  int ReadOffSize() { return Read(); }
  // One byte; 255 past the end.
  uint8_t ReadByte();
  // Two bytes big-endian; -1 when either is past the end.
  int ReadUnsignedShort();
  int ReadCard16() { return ReadUnsignedShort(); }
  int ReadSID() { return ReadUnsignedShort(); }
  // Unsigned big-endian value of AoffSize bytes (1-4; larger sizes read 4);
  // a byte past the end counts as 255.
  int64_t ReadOffset(int AoffSize);
  // The next ALen bytes; fewer when the array ends first, none for ALen <= 0.
  TvnByteArray ReadBytes(int64_t ALen);
  // The bytes up to the next CR, LF or CR LF (consumed), one character per
  // byte; the rest at the end of data; "" when nothing is left.
  std::string ReadLine();

  int64_t GetFilePointer() const { return FFilePointer; }
  void SetFilePointer(int64_t ANewPosition) { FFilePointer = ANewPosition; }
  void Seek(int64_t Apos) { FFilePointer = Apos; }
  int64_t ALength() const;
  bool HasRemaining() const { return FFilePointer < ALength(); }
  // The whole array as text, each byte one character of the ANSI code page.
  String GetString() const;
  void Close();

  int16_t ReadShort();
  int32_t ReadInt();
  char16_t ReadChar();
  bool ReadBoolean() { return ReadByte() != 0; }
  // Skips up to Anum bytes, stopping at the end; returns the number skipped.
  int64_t SkipBytes(int64_t Anum);

 private:
  std::shared_ptr<const TvnByteArray> FFontArr;
  int64_t FFilePointer = 0;
};

}  // namespace vn::fonts
