#include "fonts/binary_reader.h"

#include <algorithm>
#include <cstring>

#include "fonts/exceptions.h"
#include "runtime/codepages.h"

namespace vn::fonts {
namespace {

constexpr const char* kPastEnd = "Attempt to read past end of stream";

TStream* NotNil(TStream* stream) {
  if (!stream) throw EArgumentNilException("Argument must not be nil");
  return stream;
}

void CheckBuffer(size_t length, int index, int count) {
  if (index < 0) throw EArgumentOutOfRangeException("Argument, Index, must be >= 0");
  if (count < 0) throw EArgumentOutOfRangeException("Argument, Count, must be >= 0");
  if (static_cast<int64_t>(length) - index < count)
    throw EArgumentOutOfRangeException("Offset and length are invalid for the given array");
}

}  // namespace

TvnBinaryReader::TvnBinaryReader(TStream* Stream, std::optional<TvnTextEncoding> AEncoding)
    : FEncoding(AEncoding.value_or(TvnTextEncoding::UTF8)), FStream(NotNil(Stream)) {}

TvnBinaryReader::TvnBinaryReader(std::unique_ptr<TStream> Stream, std::optional<TvnTextEncoding> AEncoding)
    : FEncoding(AEncoding.value_or(TvnTextEncoding::UTF8)), owned_(std::move(Stream)), FStream(NotNil(owned_.get())) {}

TvnBinaryReader::TvnBinaryReader(const std::filesystem::path& Filename, std::optional<TvnTextEncoding> AEncoding)
    : TvnBinaryReader(std::make_unique<TFileStream>(Filename, FileMode::fmOpenRead), AEncoding) {}

TvnBinaryReader::~TvnBinaryReader() = default;

TStream* TvnBinaryReader::GetReaderStream() { return FStream; }

void TvnBinaryReader::Close() {
  if (owned_) {
    owned_.reset();
    FStream = &closed_;
  }
}

int64_t TvnBinaryReader::Remaining() { return std::max<int64_t>(FStream->Size() - FStream->Position(), 0); }

uint64_t TvnBinaryReader::ReadLE(int bytes) {
  uint8_t buf[8];
  FStream->ReadBuffer(buf, bytes);
  uint64_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | buf[i];
  return v;
}

// Decodes one character at the position; -1 at the end. A character beyond
// the 16-bit range gives its high surrogate now and its low one next.
int TvnBinaryReader::DecodeChar() {
  if (FOneChar) {
    const char16_t c = *FOneChar;
    FOneChar.reset();
    return c;
  }
  uint8_t b[4];
  switch (FEncoding) {
    case TvnTextEncoding::ANSI:
      if (FStream->Read(b, 1) != 1) return -1;
      return Cp1252ToUnicode(b[0]);
    case TvnTextEncoding::ASCII:
      if (FStream->Read(b, 1) != 1) return -1;
      return b[0] < 0x80 ? b[0] : '?';
    case TvnTextEncoding::Unicode:
    case TvnTextEncoding::BigEndianUnicode: {
      const int64_t start = FStream->Position();
      if (FStream->Read(b, 2) != 2) {
        FStream->Seek(start, SeekOrigin::soBeginning);
        return -1;
      }
      return FEncoding == TvnTextEncoding::Unicode ? b[0] | (b[1] << 8) : (b[0] << 8) | b[1];
    }
    case TvnTextEncoding::UTF8:
      break;
  }
  if (FStream->Read(b, 1) != 1) return -1;
  const int lead = b[0];
  int extra = 0;
  uint32_t cp = 0;
  if (lead < 0x80) return lead;
  if (lead >= 0xC2 && lead <= 0xDF) extra = 1, cp = lead & 0x1F;
  else if (lead >= 0xE0 && lead <= 0xEF) extra = 2, cp = lead & 0x0F;
  else if (lead >= 0xF0 && lead <= 0xF4) extra = 3, cp = lead & 0x07;
  else return 0xFFFD;
  // An ill-formed sequence gives U+FFFD for its lead byte alone.
  const int64_t after_lead = FStream->Position();
  if (FStream->Read(b, extra) != extra) {
    FStream->Seek(after_lead, SeekOrigin::soBeginning);
    return 0xFFFD;
  }
  for (int i = 0; i < extra; ++i) {
    if ((b[i] & 0xC0) != 0x80) {
      FStream->Seek(after_lead, SeekOrigin::soBeginning);
      return 0xFFFD;
    }
    cp = (cp << 6) | (b[i] & 0x3F);
  }
  const uint32_t min[] = {0, 0x80, 0x800, 0x10000};
  if (cp < min[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
    FStream->Seek(after_lead, SeekOrigin::soBeginning);
    return 0xFFFD;
  }
  if (cp < 0x10000) return static_cast<int>(cp);
  cp -= 0x10000;
  FOneChar = static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
  return 0xD800 + static_cast<int>(cp >> 10);
}

int TvnBinaryReader::Read() { return DecodeChar(); }

int TvnBinaryReader::PeekChar() {
  if (FOneChar) return *FOneChar;
  const int64_t pos = FStream->Position();
  const int c = DecodeChar();
  FOneChar.reset();
  FStream->Seek(pos, SeekOrigin::soBeginning);
  return c;
}

int TvnBinaryReader::Read(std::vector<char16_t>& Buffer, int Index, int Count) {
  CheckBuffer(Buffer.size(), Index, Count);
  int n = 0;
  while (n < Count) {
    const int c = DecodeChar();
    if (c < 0) break;
    Buffer[static_cast<size_t>(Index + n++)] = static_cast<char16_t>(c);
  }
  return n;
}

int TvnBinaryReader::Read(std::vector<uint8_t>& Buffer, int Index, int Count) {
  CheckBuffer(Buffer.size(), Index, Count);
  return static_cast<int>(FStream->Read(Buffer.data() + Index, Count));
}

bool TvnBinaryReader::ReadBoolean() { return ReadLE(1) != 0; }

uint8_t TvnBinaryReader::ReadByte() {
  uint8_t b = 0;
  if (FStream->Position() < FStream->Size()) FStream->Read(&b, 1);
  return b;
}

std::vector<uint8_t> TvnBinaryReader::ReadBytes(int Count) {
  if (Count < 0) throw EArgumentOutOfRangeException("Argument, Count, must be >= 0");
  // The count may come from a damaged file: allocate no more than is left.
  std::vector<uint8_t> out(static_cast<size_t>(std::min<int64_t>(Count, Remaining())));
  out.resize(static_cast<size_t>(FStream->Read(out.data(), static_cast<int64_t>(out.size()))));
  return out;
}

char16_t TvnBinaryReader::ReadChar() {
  const int c = DecodeChar();
  if (c < 0) throw EStreamError(kPastEnd);
  return static_cast<char16_t>(c);
}

String TvnBinaryReader::ReadChars(int Count) {
  if (Count < 0) throw EArgumentOutOfRangeException("Argument, Count, must be >= 0");
  String out;
  while (static_cast<int>(out.size()) < Count) {
    const int c = DecodeChar();
    if (c < 0) break;
    out.push_back(static_cast<char16_t>(c));
  }
  return out;
}

double TvnBinaryReader::ReadDouble() {
  const uint64_t u = ReadLE(8);
  double d;
  std::memcpy(&d, &u, 8);
  return d;
}

int8_t TvnBinaryReader::ReadShortInt() { return static_cast<int8_t>(ReadLE(1)); }
int32_t TvnBinaryReader::ReadInteger() { return static_cast<int32_t>(ReadLE(4)); }
int64_t TvnBinaryReader::ReadInt64() { return static_cast<int64_t>(ReadLE(8)); }
int16_t TvnBinaryReader::ReadSmallInt() { return static_cast<int16_t>(ReadLE(2)); }
uint16_t TvnBinaryReader::ReadWord() { return static_cast<uint16_t>(ReadLE(2)); }
uint64_t TvnBinaryReader::ReadUInt64() { return ReadLE(8); }

float TvnBinaryReader::ReadSingle() {
  const uint32_t u = static_cast<uint32_t>(ReadLE(4));
  float f;
  std::memcpy(&f, &u, 4);
  return f;
}

int32_t TvnBinaryReader::ReadPackedInt() {
  uint32_t value = 0;
  for (int shift = 0;; shift += 7) {
    if (shift == 35) throw EStreamError("Invalid 7 bit integer stream encoding");
    const uint8_t b = ReadByte();
    value |= static_cast<uint32_t>(b & 0x7F) << shift;
    if (!(b & 0x80)) break;
  }
  return static_cast<int32_t>(value);
}

String TvnBinaryReader::ReadString() {
  const int32_t length = ReadPackedInt();
  if (length < 0) throw EStreamError("Invalid string length");
  if (length == 0) return {};
  if (length > Remaining()) throw EStreamError(kPastEnd);
  std::string bytes(static_cast<size_t>(length), '\0');
  if (FStream->Read(bytes.data(), length) != length) throw EStreamError(kPastEnd);
  switch (FEncoding) {
    case TvnTextEncoding::UTF8:
      return FromUtf8(bytes);
    case TvnTextEncoding::ANSI:
      return DecodeCp1252(bytes);
    case TvnTextEncoding::ASCII: {
      String out;
      for (unsigned char c : bytes) out.push_back(c < 0x80 ? c : u'?');
      return out;
    }
    case TvnTextEncoding::Unicode:
    case TvnTextEncoding::BigEndianUnicode: {
      const bool le = FEncoding == TvnTextEncoding::Unicode;
      String out;
      for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const auto a = static_cast<unsigned char>(bytes[i]), b = static_cast<unsigned char>(bytes[i + 1]);
        out.push_back(static_cast<char16_t>(le ? a | (b << 8) : (a << 8) | b));
      }
      return out;
    }
  }
  return {};
}

uint32_t TvnBinaryReader::ReadCardinal() {
  if (Remaining() < 4) return 0;
  return static_cast<uint32_t>(ReadLE(4));
}

uint32_t TvnBinaryReader::ReadUInt32() { return FStream->Position() < FStream->Size() ? ReadCardinal() : 0; }

}  // namespace vn::fonts
