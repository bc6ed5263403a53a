#include "pdf/streams.h"

#include <algorithm>
#include <limits>
#include <new>
#include <stdexcept>
#include <vector>

#include "pdf/exceptions.h"

namespace vn::pdf {

namespace {

constexpr size_t kChunk = 64 * 1024;
// CopyFrom never reserves more than this up front, whatever it is told.
constexpr size_t kMaxInitialReserve = size_t{1} << 24;

std::shared_ptr<vn::TStream> NotOwned(vn::TStream* s) { return std::shared_ptr<vn::TStream>(s, [](vn::TStream*) {}); }

int64_t NonNegative(int64_t v) { return v < 0 ? 0 : v; }

int64_t SaturatingAdd(int64_t a, int64_t b) {
  int64_t r;
  if (__builtin_add_overflow(a, b, &r)) return b < 0 ? std::numeric_limits<int64_t>::min() : std::numeric_limits<int64_t>::max();
  return r;
}

}  // namespace

// ---- TvnStream --------------------------------------------------------------

size_t TvnStream::Read(uint8_t* buffer, size_t count) {
  size_t n = 0;
  while (n < count) {
    int c = GetChar();
    if (c < 0) break;
    buffer[n++] = static_cast<uint8_t>(c);
  }
  return n;
}

size_t TvnStream::Read(std::string& buffer, size_t count) {
  buffer.clear();
  try {
    uint8_t chunk[4096];
    while (buffer.size() < count) {
      size_t want = std::min(sizeof chunk, count - buffer.size());
      size_t got = Read(chunk, want);
      buffer.append(reinterpret_cast<const char*>(chunk), got);
      if (got < want) break;
    }
  } catch (const std::bad_alloc&) {
    throw ExOutofMemory();
  } catch (const std::length_error&) {
    throw ExOutofMemory();
  }
  return buffer.size();
}

size_t TvnStream::Read(TvnStream& out, size_t count) {
  std::vector<uint8_t> chunk;
  try {
    chunk.resize(std::min(count, kChunk));
  } catch (const std::bad_alloc&) {
    throw ExOutofMemory();
  }
  size_t total = 0;
  while (total < count) {
    size_t want = std::min(chunk.size(), count - total);
    size_t got = Read(chunk.data(), want);
    if (got > 0) out.Write(chunk.data(), got);
    total += got;
    if (got < want) break;
  }
  return total;
}

size_t TvnStream::Write(std::string_view buffer) {
  return Write(reinterpret_cast<const uint8_t*>(buffer.data()), buffer.size());
}

size_t TvnStream::Write(uint8_t) { return 0; }

size_t TvnStream::Write(TvnStream&, size_t) { return 0; }

vn::TStream* TvnStream::GetTStream() { return nullptr; }

void TvnStream::Close() {}

size_t TvnStream::ReadLine(uint8_t* buffer, size_t count) {
  if (LookChar() < 0) return 0;
  size_t n = 0;
  while (n < count) {
    int c = GetChar();
    if (c < 0 || c == '\n') break;
    if (c == '\r' && LookChar() == '\n') break;
    buffer[n++] = static_cast<uint8_t>(c);
  }
  return n;
}

int TvnStream::ReadRawChar() { return -1; }

size_t TvnStream::CopyFrom(TvnStream& source, size_t count) {
  std::vector<uint8_t> data;
  try {
    if (count == 0) {
      vn::TStream* platform = source.GetTStream();
      if (platform) count = static_cast<size_t>(NonNegative(platform->Size()));
    }
    data.reserve(std::min(count, kMaxInitialReserve));
    for (int c = source.GetChar(); c >= 0; c = source.GetChar()) data.push_back(static_cast<uint8_t>(c));
  } catch (const std::bad_alloc&) {
    throw ExOutofMemory();
  } catch (const std::length_error&) {
    throw ExOutofMemory();
  }
  return data.empty() ? 0 : Write(data.data(), data.size());
}

// ---- TvnFileStream ----------------------------------------------------------

TvnFileStream::TvnFileStream(vn::TStream* file, int64_t start, int64_t length, bool limited)
    : TvnFileStream(NotOwned(file), start, length, limited) {}

TvnFileStream::TvnFileStream(std::shared_ptr<vn::TStream> file, int64_t start, int64_t length, bool limited)
    : file_(std::move(file)), start_(NonNegative(start)), length_(NonNegative(length)), limited_(limited) {
  if (!file_) throw ExInvalidStream();
  position_ = start_;
  positioned_ = start_ != 0;
  file_->Seek(start_, SeekOrigin::soBeginning);
}

TvnFileStream::~TvnFileStream() { Close(); }

int64_t TvnFileStream::End() const {
  return limited_ ? SaturatingAdd(start_, length_) : std::numeric_limits<int64_t>::max();
}

bool TvnFileStream::Fill() {
  if (index_ < count_) return true;
  position_ += static_cast<int64_t>(count_);
  index_ = count_ = 0;
  const int64_t end = End();
  if (position_ >= end) return false;
  const int64_t amount = std::min<int64_t>(static_cast<int64_t>(kBufferSize), end - position_);
  file_->Seek(position_, SeekOrigin::soBeginning);
  const int64_t got = file_->Read(buffer_, amount);
  positioned_ = true;
  if (got <= 0) return false;
  count_ = static_cast<size_t>(got);
  return true;
}

int TvnFileStream::LookChar() { return Fill() ? buffer_[index_] : -1; }

int TvnFileStream::GetChar() { return Fill() ? buffer_[index_++] : -1; }

int64_t TvnFileStream::GetPosition() {
  if (positioned_) return position_ + static_cast<int64_t>(index_);
  return file_->Position();
}

int64_t TvnFileStream::GetSize() { return file_->Size(); }

void TvnFileStream::Reset() {
  file_->Seek(start_, SeekOrigin::soBeginning);
  position_ = start_;
  index_ = count_ = 0;
  positioned_ = true;
  saved_ = true;
}

void TvnFileStream::SetPosition(int64_t position, SeekOrigin origin) {
  int64_t base = 0;
  if (origin == SeekOrigin::soCurrent) base = GetPosition();
  if (origin == SeekOrigin::soEnd) base = file_->Size();
  const int64_t target = NonNegative(SaturatingAdd(base, position));
  file_->Seek(target, SeekOrigin::soBeginning);
  position_ = target;
  index_ = count_ = 0;
  positioned_ = true;
}

void TvnFileStream::Close() {
  if (!saved_) return;
  file_->Seek(start_, SeekOrigin::soBeginning);
  saved_ = false;
}

size_t TvnFileStream::Write(const uint8_t* buffer, size_t count) {
  if (count == 0) return 0;
  int64_t n = file_->Write(buffer, static_cast<int64_t>(count));
  return n > 0 ? static_cast<size_t>(n) : 0;
}

size_t TvnFileStream::Write(uint8_t byte) { return Write(&byte, 1); }

Ref<TvnStream> TvnFileStream::MakeSubStream(int64_t start, int64_t length, bool limited) {
  return MakeRef<TvnFileStream>(file_, start, length, limited);
}

void TvnFileStream::MoveStart(int64_t delta) {
  start_ = NonNegative(SaturatingAdd(start_, delta));
  position_ = start_;
  index_ = count_ = 0;
  positioned_ = true;
}

// ---- TvnMemoryStream --------------------------------------------------------

TvnMemoryStream::TvnMemoryStream(vn::TStream* mem, int64_t start, int64_t length, bool limited, bool owned)
    : TvnMemoryStream(owned ? std::shared_ptr<vn::TStream>(mem) : NotOwned(mem), start, length, limited) {}

TvnMemoryStream::TvnMemoryStream(std::shared_ptr<vn::TStream> mem, int64_t start, int64_t length, bool limited)
    : mem_(std::move(mem)), start_(NonNegative(start)), length_(NonNegative(length)), limited_(limited), position_(start_) {
  if (!mem_) throw ExInvalidStream();
  mem_->Seek(start_, SeekOrigin::soBeginning);
}

TvnMemoryStream::~TvnMemoryStream() { Close(); }

int TvnMemoryStream::ReadAt(bool consume) {
  if (limited_ && position_ >= SaturatingAdd(start_, length_)) return -1;
  mem_->Seek(position_, SeekOrigin::soBeginning);
  uint8_t b;
  if (mem_->Read(&b, 1) != 1) {
    mem_->Seek(position_, SeekOrigin::soBeginning);
    return -1;
  }
  if (consume) {
    ++position_;
  } else {
    mem_->Seek(position_, SeekOrigin::soBeginning);
  }
  return b;
}

int TvnMemoryStream::LookChar() { return ReadAt(false); }

int TvnMemoryStream::GetChar() { return ReadAt(true); }

int64_t TvnMemoryStream::GetSize() { return mem_->Size(); }

void TvnMemoryStream::Reset() {
  position_ = start_;
  mem_->Seek(position_, SeekOrigin::soBeginning);
  saved_ = true;
}

void TvnMemoryStream::SetPosition(int64_t position, SeekOrigin origin) {
  int64_t base = 0;
  if (origin == SeekOrigin::soCurrent) base = position_;
  if (origin == SeekOrigin::soEnd) base = mem_->Size();
  position_ = NonNegative(SaturatingAdd(base, position));
  mem_->Seek(position_, SeekOrigin::soBeginning);
}

void TvnMemoryStream::Close() {
  if (!saved_) return;
  position_ = start_;
  mem_->Seek(position_, SeekOrigin::soBeginning);
  saved_ = false;
}

size_t TvnMemoryStream::Write(const uint8_t* buffer, size_t count) {
  if (count == 0) return 0;
  mem_->Seek(position_, SeekOrigin::soBeginning);
  int64_t n = mem_->Write(buffer, static_cast<int64_t>(count));
  if (n <= 0) return 0;
  position_ += n;
  return static_cast<size_t>(n);
}

size_t TvnMemoryStream::Write(uint8_t byte) { return Write(&byte, 1); }

Ref<TvnStream> TvnMemoryStream::MakeSubStream(int64_t start, int64_t length, bool limited) {
  return MakeRef<TvnMemoryStream>(mem_, start, length, limited);
}

void TvnMemoryStream::MoveStart(int64_t delta) {
  start_ = NonNegative(SaturatingAdd(start_, delta));
  position_ = start_;
  mem_->Seek(position_, SeekOrigin::soBeginning);
}

// ---- TvnEmbededStream -------------------------------------------------------

TvnEmbededStream::TvnEmbededStream(TvnStream* stream, int64_t length, bool limited)
    : stream_(stream), length_(length), limited_(limited) {}

int TvnEmbededStream::LookChar() {
  if (!stream_ || (limited_ && length_ <= 0)) return -1;
  return stream_->LookChar();
}

int TvnEmbededStream::GetChar() {
  if (!stream_ || (limited_ && length_ <= 0)) return -1;
  if (length_ > 0) --length_;
  return stream_->GetChar();
}

int64_t TvnEmbededStream::GetPosition() { return stream_ ? stream_->GetPosition() : 0; }

}  // namespace vn::pdf
