#include "fonts/byte_array_reader.h"

#include <algorithm>

#include "runtime/codepages.h"

namespace vn::fonts {

TvnByteArrayReader::TvnByteArrayReader(std::shared_ptr<const TvnByteArray> AfontByteArr)
    : FFontArr(AfontByteArr ? std::move(AfontByteArr) : std::make_shared<const TvnByteArray>()) {}

TvnByteArrayReader::TvnByteArrayReader(TvnByteArray AfontByteArr)
    : FFontArr(std::make_shared<const TvnByteArray>(std::move(AfontByteArr))) {}

int64_t TvnByteArrayReader::ALength() const { return static_cast<int64_t>(FFontArr->size()); }

int TvnByteArrayReader::Read() {
  if (FFilePointer < 0 || FFilePointer >= ALength()) return -1;
  return (*FFontArr)[static_cast<size_t>(FFilePointer++)];
}

uint8_t TvnByteArrayReader::ReadByte() { return static_cast<uint8_t>(Read()); }

int TvnByteArrayReader::ReadUnsignedShort() {
  const int hi = Read();
  const int lo = Read();
  if (hi < 0 || lo < 0) return -1;
  return hi * 256 + lo;
}

int64_t TvnByteArrayReader::ReadOffset(int AoffSize) {
  uint32_t value = 0;
  for (int i = 0; i < std::min(AoffSize, 4); ++i) value = (value << 8) | ReadByte();
  return value;
}

TvnByteArray TvnByteArrayReader::ReadBytes(int64_t ALen) {
  TvnByteArray out;
  if (ALen <= 0 || FFilePointer < 0 || FFilePointer >= ALength()) return out;
  // A length read from a damaged file may be anything: never allocate past
  // what the array holds.
  const int64_t n = std::min(ALen, ALength() - FFilePointer);
  const auto first = FFontArr->begin() + FFilePointer;
  out.assign(first, first + n);
  FFilePointer += n;
  return out;
}

std::string TvnByteArrayReader::ReadLine() {
  std::string line;
  for (;;) {
    const int c = Read();
    if (c < 0) return line;
    if (c == '\n') return line;
    if (c == '\r') {
      if (FFilePointer < ALength() && (*FFontArr)[static_cast<size_t>(FFilePointer)] == '\n') ++FFilePointer;
      return line;
    }
    line.push_back(static_cast<char>(c));
  }
}

String TvnByteArrayReader::GetString() const {
  return AnsiToString(std::string_view(reinterpret_cast<const char*>(FFontArr->data()), FFontArr->size()));
}

void TvnByteArrayReader::Close() {
  FFontArr = std::make_shared<const TvnByteArray>();
  FFilePointer = 0;
}

int16_t TvnByteArrayReader::ReadShort() {
  const uint16_t hi = ReadByte();
  const uint16_t lo = ReadByte();
  return static_cast<int16_t>((hi << 8) | lo);
}

int32_t TvnByteArrayReader::ReadInt() {
  uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v = (v << 8) | ReadByte();
  return static_cast<int32_t>(v);
}

char16_t TvnByteArrayReader::ReadChar() { return static_cast<char16_t>(static_cast<uint16_t>(ReadShort())); }

int64_t TvnByteArrayReader::SkipBytes(int64_t Anum) {
  if (Anum <= 0 || FFilePointer >= ALength()) return 0;
  const int64_t from = std::max<int64_t>(FFilePointer, 0);
  const int64_t n = std::min(Anum, ALength() - from);
  FFilePointer = from + n;
  return n;
}

}  // namespace vn::fonts
