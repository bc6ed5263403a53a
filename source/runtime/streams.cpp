#include "runtime/streams.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "runtime/exceptions.h"
#include "runtime/output_file.h"

namespace vn {

int64_t TStream::GetSize() {
  int64_t pos = Seek(0, SeekOrigin::soCurrent);
  int64_t size = Seek(0, SeekOrigin::soEnd);
  Seek(pos, SeekOrigin::soBeginning);
  return size;
}

void TStream::SetSize(int64_t) { throw EStreamError("Stream size cannot be changed"); }

void TStream::ReadBuffer(void* buffer, int64_t count) {
  auto* p = static_cast<uint8_t*>(buffer);
  int64_t done = 0;
  while (done < count) {
    int64_t n = Read(p + done, count - done);
    if (n <= 0) throw EReadError("Stream read error");
    done += n;
  }
}

void TStream::WriteBuffer(const void* buffer, int64_t count) {
  const auto* p = static_cast<const uint8_t*>(buffer);
  int64_t done = 0;
  while (done < count) {
    int64_t n = Write(p + done, count - done);
    if (n <= 0) throw EWriteError("Stream write error");
    done += n;
  }
}

int64_t TStream::CopyFrom(TStream& source, int64_t count) {
  if (count == 0) {
    source.SetPosition(0);
    count = source.Size();
  }
  uint8_t buf[65536];
  int64_t total = 0;
  while (total < count) {
    int64_t chunk = std::min<int64_t>(count - total, sizeof buf);
    source.ReadBuffer(buf, chunk);
    WriteBuffer(buf, chunk);
    total += chunk;
  }
  return total;
}

std::string TStream::ReadAll() {
  std::string out;
  char buf[65536];
  while (true) {
    int64_t n = Read(buf, sizeof buf);
    if (n <= 0) break;
    out.append(buf, static_cast<size_t>(n));
  }
  return out;
}

// Shared by the memory-backed streams.
namespace {
int64_t SeekIn(int64_t& position, int64_t size, int64_t offset, SeekOrigin origin) {
  int64_t base = origin == SeekOrigin::soBeginning ? 0 : origin == SeekOrigin::soCurrent ? position : size;
  int64_t target;
  if (__builtin_add_overflow(base, offset, &target) || target < 0) target = 0;
  position = target;
  return position;
}

template <typename Container>
int64_t ReadFrom(const Container& data, int64_t& position, void* buffer, int64_t count) {
  const int64_t size = static_cast<int64_t>(data.size());
  if (count <= 0 || position >= size) return 0;
  int64_t n = std::min(count, size - position);
  std::memcpy(buffer, data.data() + position, static_cast<size_t>(n));
  position += n;
  return n;
}

template <typename Container>
int64_t WriteTo(Container& data, int64_t& position, const void* buffer, int64_t count) {
  if (count <= 0) return 0;
  int64_t end;
  if (__builtin_add_overflow(position, count, &end)) return 0;
  if (end > static_cast<int64_t>(data.size())) data.resize(static_cast<size_t>(end));
  std::memcpy(data.data() + position, buffer, static_cast<size_t>(count));
  position = end;
  return count;
}
}  // namespace

int64_t TMemoryStream::Read(void* buffer, int64_t count) { return ReadFrom(data_, position_, buffer, count); }
int64_t TMemoryStream::Write(const void* buffer, int64_t count) { return WriteTo(data_, position_, buffer, count); }
int64_t TMemoryStream::Seek(int64_t offset, SeekOrigin origin) {
  return SeekIn(position_, static_cast<int64_t>(data_.size()), offset, origin);
}

void TMemoryStream::SetSize(int64_t new_size) {
  if (new_size < 0) new_size = 0;
  data_.resize(static_cast<size_t>(new_size));
  if (position_ > new_size) position_ = new_size;
}

void TMemoryStream::Clear() {
  data_.clear();
  position_ = 0;
}

void TMemoryStream::LoadFromStream(TStream& source) {
  source.SetPosition(0);
  int64_t size = source.Size();
  data_.resize(static_cast<size_t>(size));
  if (size > 0) source.ReadBuffer(data_.data(), size);
  position_ = 0;
}

void TMemoryStream::LoadFromFile(const std::filesystem::path& path) {
  TFileStream file(path, FileMode::fmOpenRead);
  LoadFromStream(file);
}

void TMemoryStream::SaveToStream(TStream& dest) {
  if (!data_.empty()) dest.WriteBuffer(data_.data(), static_cast<int64_t>(data_.size()));
}

void TMemoryStream::SaveToFile(const std::filesystem::path& path) { WriteFileBytes(path, View()); }

TFileStream::TFileStream(const std::filesystem::path& path, FileMode mode) : path_(path) {
  int flags = 0;
  switch (mode) {
    case FileMode::fmCreate: flags = O_RDWR | O_CREAT | O_TRUNC; break;
    case FileMode::fmOpenRead: flags = O_RDONLY; break;
    case FileMode::fmOpenWrite: flags = O_WRONLY; break;
    case FileMode::fmOpenReadWrite: flags = O_RDWR; break;
  }
  fd_ = ::open(path.c_str(), flags | O_CLOEXEC, 0644);
  if (fd_ >= 0) {
    struct stat st{};
    if (::fstat(fd_, &st) == 0 && S_ISDIR(st.st_mode)) {
      ::close(fd_);
      fd_ = -1;
      errno = EISDIR;
    }
  }
  if (fd_ < 0) {
    std::string reason = std::strerror(errno);
    std::string msg = (mode == FileMode::fmCreate ? "Cannot create file \"" : "Cannot open file \"") +
                      path.string() + "\". " + reason;
    if (mode == FileMode::fmCreate) throw EFCreateError(msg);
    throw EFOpenError(msg);
  }
}

TFileStream::~TFileStream() { CloseHandle(); }

bool TFileStream::CloseHandle() {
  if (fd_ < 0) return true;
  const int fd = fd_;
  fd_ = -1;
  // Linux releases the descriptor also when close fails: no retry.
  return ::close(fd) == 0;
}

int64_t TFileStream::Read(void* buffer, int64_t count) {
  if (count <= 0) return 0;
  while (true) {
    ssize_t n = ::read(fd_, buffer, static_cast<size_t>(count));
    if (n < 0 && errno == EINTR) continue;
    return n < 0 ? 0 : n;
  }
}

int64_t TFileStream::Write(const void* buffer, int64_t count) {
  if (count <= 0) return 0;
  while (true) {
    ssize_t n = ::write(fd_, buffer, static_cast<size_t>(count));
    if (n < 0 && errno == EINTR) continue;
    return n < 0 ? 0 : n;
  }
}

int64_t TFileStream::Seek(int64_t offset, SeekOrigin origin) {
  int whence = origin == SeekOrigin::soBeginning ? SEEK_SET : origin == SeekOrigin::soCurrent ? SEEK_CUR : SEEK_END;
  off_t r = ::lseek(fd_, static_cast<off_t>(offset), whence);
  return r < 0 ? ::lseek(fd_, 0, SEEK_CUR) : r;
}

int64_t TFileStream::GetSize() {
  struct stat st{};
  if (::fstat(fd_, &st) != 0) return 0;
  return st.st_size;
}

void TFileStream::SetSize(int64_t new_size) {
  if (::ftruncate(fd_, static_cast<off_t>(std::max<int64_t>(new_size, 0))) != 0)
    throw EStreamError("Stream size cannot be changed");
  if (Position() > new_size) Seek(new_size, SeekOrigin::soBeginning);
}

int64_t TStringStream::Read(void* buffer, int64_t count) { return ReadFrom(data_, position_, buffer, count); }
int64_t TStringStream::Write(const void* buffer, int64_t count) { return WriteTo(data_, position_, buffer, count); }
int64_t TStringStream::Seek(int64_t offset, SeekOrigin origin) {
  return SeekIn(position_, static_cast<int64_t>(data_.size()), offset, origin);
}
void TStringStream::SetSize(int64_t new_size) {
  if (new_size < 0) new_size = 0;
  data_.resize(static_cast<size_t>(new_size));
  if (position_ > new_size) position_ = new_size;
}

std::string ReadFileBytes(const std::filesystem::path& path) {
  TFileStream file(path, FileMode::fmOpenRead);
  return file.ReadAll();
}

void WriteFileBytes(const std::filesystem::path& path, std::string_view bytes) {
  OutputFile file(path);
  file.WriteString(bytes);
  file.Commit();
}

}  // namespace vn
