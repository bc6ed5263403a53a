// TvnBinaryReader: reads little-endian values and encoded text from a
// stream, for the font readers that take their data through a stream. The
// stream is borrowed, or owned when handed over as a unique_ptr or opened
// from a file name. Failures are the TvnKPNException classes with the
// runtime's messages; fixed-size numbers read with the stream's
// all-or-nothing read (EReadError "Stream read error" when short).
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <vector>

#include "runtime/streams.h"
#include "runtime/strings.h"

namespace vn::fonts {

// Text encodings a binary reader decodes characters with; UTF-8 when none
// is given. Unicode is UTF-16 little-endian.
enum class TvnTextEncoding { UTF8, Unicode, BigEndianUnicode, ANSI, ASCII };

class TvnBinaryReader {
 public:
  // EArgumentNilException "Argument must not be nil" for a null stream.
  explicit TvnBinaryReader(TStream* Stream, std::optional<TvnTextEncoding> AEncoding = std::nullopt);
  explicit TvnBinaryReader(std::unique_ptr<TStream> Stream, std::optional<TvnTextEncoding> AEncoding = std::nullopt);
  // Opens the file for reading and owns it (EFOpenError when it cannot).
  explicit TvnBinaryReader(const std::filesystem::path& Filename,
                           std::optional<TvnTextEncoding> AEncoding = std::nullopt);
  TvnBinaryReader(const TvnBinaryReader&) = delete;
  TvnBinaryReader& operator=(const TvnBinaryReader&) = delete;
  virtual ~TvnBinaryReader();

  virtual TStream* GetReaderStream();
  // 7 bits per byte, least significant group first, high bit = more follow;
  // EStreamError "Invalid 7 bit integer stream encoding" past five bytes.
  virtual int32_t ReadPackedInt();
  // Frees the stream when owned; later reads find no data.
  virtual void Close();
  // The next character (a UTF-16 code unit) without consuming it, -1 at the end.
  virtual int PeekChar();
  // The next character, -1 at the end.
  virtual int Read();
  // Up to Count characters or bytes into Buffer from Index; the number read.
  // EArgumentOutOfRangeException "Argument, Index, must be >= 0" (or Count),
  // or "Offset and length are invalid for the given array".
  virtual int Read(std::vector<char16_t>& Buffer, int Index, int Count);
  virtual int Read(std::vector<uint8_t>& Buffer, int Index, int Count);
  virtual bool ReadBoolean();
  // One byte, or 0 at the end without reading.
  virtual uint8_t ReadByte();
  // Up to Count bytes (fewer at the end).
  virtual std::vector<uint8_t> ReadBytes(int Count);
  // EStreamError "Attempt to read past end of stream" at the end.
  virtual char16_t ReadChar();
  virtual String ReadChars(int Count);
  virtual double ReadDouble();
  virtual int8_t ReadShortInt();
  virtual int32_t ReadInteger();
  virtual int64_t ReadInt64();
  virtual int16_t ReadSmallInt();
  virtual float ReadSingle();
  // A 7-bit encoded byte length, then that many bytes decoded; EStreamError
  // "Invalid string length" or "Attempt to read past end of stream".
  virtual String ReadString();
  virtual uint16_t ReadWord();
  // Four bytes when at least four remain, else 0 without reading.
  virtual uint32_t ReadCardinal();
  virtual uint64_t ReadUInt64();

  int32_t ReadInt32() { return ReadInteger(); }
  uint8_t ReadSByte() { return ReadByte(); }
  uint16_t ReadUInt16() { return ReadWord(); }
  uint32_t ReadUInt32();

 private:
  uint64_t ReadLE(int bytes);
  int DecodeChar();
  int64_t Remaining();

  TvnTextEncoding FEncoding;
  std::unique_ptr<TStream> owned_;
  TStream* FStream;
  TMemoryStream closed_;
  // The low half of a surrogate pair decoded from UTF-8, handed out next.
  std::optional<char16_t> FOneChar;
};

}  // namespace vn::fonts
