// Base classes that other parts extend or use as tools: the base of the
// library's non-visual components (export engines, settings, adapters), the
// big-endian memory stream that font tables are built in, and the library's
// own small list of wide strings (the export engine's text lines).
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "runtime/streams.h"
#include "runtime/strings.h"

namespace vn::framework {

// The base of non-visual components. The owner is a link, not owned; About
// and Version are display texts whose setters ignore the value.
class TvnBaseComponent {
 public:
  explicit TvnBaseComponent(TvnBaseComponent* AOwner = nullptr) : FOwner(AOwner) {}
  virtual ~TvnBaseComponent() = default;
  TvnBaseComponent(const TvnBaseComponent&) = delete;
  TvnBaseComponent& operator=(const TvnBaseComponent&) = delete;

  TvnBaseComponent* Owner() const { return FOwner; }
  const String& About() const { return FAbout; }
  void SetAbout(const String& /*Value*/) {}
  const String& Version() const { return FVersion; }
  void SetVersion(const String& /*Value*/) {}

 protected:
  String FAbout;
  String FVersion;

 private:
  TvnBaseComponent* FOwner;
};

// A memory stream whose multi-byte values are big-endian. Reads past the end
// raise EReadError "Stream read error" and leave the position where it was
// before the value.
class TvnExtMemStream : public vn::TMemoryStream {
 public:
  TvnExtMemStream() = default;

  uint8_t ReadByte();
  int16_t ReadShort();
  uint16_t ReadUShort();
  int32_t ReadLong();
  uint32_t ReadULong();
  // ALength bytes as 8-bit text (empty for ALength <= 0).
  std::string ReadString(int32_t ALength);

  void WriteByte(uint8_t AByte);
  void WriteShort(int16_t AShort);
  void WriteUShort(uint16_t AUShort);
  void WriteLong(int32_t ALong);
  void WriteULong(uint32_t AULong);
  // WriteString (the bytes, no length, no terminator) is TStream's.
  void WriteByteArray(std::span<const uint8_t> Values);
  void WriteUShortArray(std::span<const uint16_t> Values);
  void WriteULongArray(std::span<const uint32_t> Values);

  // Moves the position by ANumBytes, kept within 0 and the size; returns 0.
  int32_t SkipBytes(int64_t ANumBytes);
  // Moves to the end and appends zero bytes up to a multiple of 4.
  void PadTo4Bytes();
  // How many zero bytes the last PadTo4Bytes appended (0 to 3).
  int64_t PadSize() const { return FPadSize; }

 private:
  int64_t Remaining();
  uint32_t ReadBigEndian(int bytes);
  void WriteBigEndian(uint32_t value, int bytes);

  int64_t FPadSize = 0;
};

// An ordered list of wide strings, indexes 0-based. Out-of-range reads give
// the empty text and out-of-range writes, inserts and deletes are ignored.
class TWideStrings {
 public:
  int32_t Count() const { return static_cast<int32_t>(FWideStringList.size()); }
  void Clear() { FWideStringList.clear(); }
  int32_t Add(const String& S);
  // 0 <= Index <= Count inserts before Index (Count appends).
  void Insert(int32_t Index, const String& S);
  void Delete(int32_t Index);
  String GetString(int32_t Index) const;
  // Index Count appends.
  void PutString(int32_t Index, const String& S);
  int32_t IndexOf(const String& S) const;
  int32_t IndexOfIgnoreCase(const String& S) const;
  // Clears the list and adds the lines of Value (ended by CR, LF or CR LF).
  void SetTextStr(StringView Value);
  // The rest of the stream as UTF-16LE text (an odd last byte is ignored).
  void LoadFromStream(vn::TStream& Stream);
  void LoadFromFile(const std::filesystem::path& FileName);

 private:
  std::vector<String> FWideStringList;
};

}  // namespace vn::framework
