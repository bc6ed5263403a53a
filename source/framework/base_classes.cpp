#include "framework/base_classes.h"

#include <algorithm>

#include "runtime/exceptions.h"

namespace vn::framework {

// --- TvnExtMemStream -----------------------------------------------------------

int64_t TvnExtMemStream::Remaining() { return GetSize() - std::min(position_, GetSize()); }

uint32_t TvnExtMemStream::ReadBigEndian(int bytes) {
  if (Remaining() < bytes) throw EReadError("Stream read error");
  uint8_t buf[4];
  ReadBuffer(buf, bytes);
  uint32_t value = 0;
  for (int k = 0; k < bytes; ++k) value = (value << 8) | buf[k];
  return value;
}

void TvnExtMemStream::WriteBigEndian(uint32_t value, int bytes) {
  uint8_t buf[4];
  for (int k = 0; k < bytes; ++k) buf[k] = static_cast<uint8_t>(value >> (8 * (bytes - 1 - k)));
  WriteBuffer(buf, bytes);
}

uint8_t TvnExtMemStream::ReadByte() { return static_cast<uint8_t>(ReadBigEndian(1)); }
int16_t TvnExtMemStream::ReadShort() { return static_cast<int16_t>(ReadBigEndian(2)); }
uint16_t TvnExtMemStream::ReadUShort() { return static_cast<uint16_t>(ReadBigEndian(2)); }
int32_t TvnExtMemStream::ReadLong() { return static_cast<int32_t>(ReadBigEndian(4)); }
uint32_t TvnExtMemStream::ReadULong() { return ReadBigEndian(4); }

std::string TvnExtMemStream::ReadString(int32_t ALength) {
  if (ALength <= 0) return {};
  // Check before allocating: the length may come from damaged data.
  if (ALength > Remaining()) throw EReadError("Stream read error");
  std::string out(static_cast<size_t>(ALength), '\0');
  ReadBuffer(out.data(), ALength);
  return out;
}

void TvnExtMemStream::WriteByte(uint8_t AByte) { WriteBigEndian(AByte, 1); }
void TvnExtMemStream::WriteShort(int16_t AShort) { WriteBigEndian(static_cast<uint16_t>(AShort), 2); }
void TvnExtMemStream::WriteUShort(uint16_t AUShort) { WriteBigEndian(AUShort, 2); }
void TvnExtMemStream::WriteLong(int32_t ALong) { WriteBigEndian(static_cast<uint32_t>(ALong), 4); }
void TvnExtMemStream::WriteULong(uint32_t AULong) { WriteBigEndian(AULong, 4); }

void TvnExtMemStream::WriteByteArray(std::span<const uint8_t> Values) {
  WriteBuffer(Values.data(), static_cast<int64_t>(Values.size()));
}

void TvnExtMemStream::WriteUShortArray(std::span<const uint16_t> Values) {
  for (uint16_t v : Values) WriteUShort(v);
}

void TvnExtMemStream::WriteULongArray(std::span<const uint32_t> Values) {
  for (uint32_t v : Values) WriteULong(v);
}

int32_t TvnExtMemStream::SkipBytes(int64_t ANumBytes) {
  const int64_t size = GetSize();
  const int64_t from = std::min(position_, size);
  // Clamp the distance first so that the sum cannot overflow.
  const int64_t target = from + std::clamp(ANumBytes, -from, size - from);
  SetPosition(target);
  return 0;
}

void TvnExtMemStream::PadTo4Bytes() {
  const int64_t size = GetSize();
  SetPosition(size);
  FPadSize = (4 - size % 4) % 4;
  static const uint8_t kZeros[3] = {0, 0, 0};
  WriteBuffer(kZeros, FPadSize);
}

// --- TWideStrings --------------------------------------------------------------

int32_t TWideStrings::Add(const String& S) {
  FWideStringList.push_back(S);
  return Count() - 1;
}

void TWideStrings::Insert(int32_t Index, const String& S) {
  if (Index < 0 || Index > Count()) return;
  FWideStringList.insert(FWideStringList.begin() + Index, S);
}

void TWideStrings::Delete(int32_t Index) {
  if (Index < 0 || Index >= Count()) return;
  FWideStringList.erase(FWideStringList.begin() + Index);
}

String TWideStrings::GetString(int32_t Index) const {
  if (Index < 0 || Index >= Count()) return {};
  return FWideStringList[static_cast<size_t>(Index)];
}

void TWideStrings::PutString(int32_t Index, const String& S) {
  if (Index == Count())
    Add(S);
  else if (Index >= 0 && Index < Count())
    FWideStringList[static_cast<size_t>(Index)] = S;
}

int32_t TWideStrings::IndexOf(const String& S) const {
  auto it = std::find(FWideStringList.begin(), FWideStringList.end(), S);
  return it == FWideStringList.end() ? -1 : static_cast<int32_t>(it - FWideStringList.begin());
}

int32_t TWideStrings::IndexOfIgnoreCase(const String& S) const {
  const String upper = WideUpperCase(S);
  for (int32_t i = 0; i < Count(); ++i)
    if (FWideStringList[static_cast<size_t>(i)].size() == S.size() &&
        WideUpperCase(FWideStringList[static_cast<size_t>(i)]) == upper)
      return i;
  return -1;
}

void TWideStrings::SetTextStr(StringView Value) {
  Clear();
  for (StringView line : vn::SplitLines(Value)) Add(String(line));
}

void TWideStrings::LoadFromStream(vn::TStream& Stream) {
  const int64_t remaining = std::max<int64_t>(0, Stream.Size() - Stream.Position());
  std::string bytes(static_cast<size_t>(remaining / 2 * 2), '\0');
  Stream.ReadBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
  String text(bytes.size() / 2, u'\0');
  for (size_t k = 0; k < text.size(); ++k)
    text[k] = static_cast<char16_t>(static_cast<uint8_t>(bytes[2 * k]) | (static_cast<uint8_t>(bytes[2 * k + 1]) << 8));
  SetTextStr(text);
}

void TWideStrings::LoadFromFile(const std::filesystem::path& FileName) {
  vn::TFileStream file(FileName, vn::FileMode::fmOpenRead);
  LoadFromStream(file);
}

}  // namespace vn::framework
