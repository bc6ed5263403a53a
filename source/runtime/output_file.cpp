#include "runtime/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <random>
#include <string>

#include "runtime/exceptions.h"

namespace vn {

namespace {

[[noreturn]] void CreateFailed(const std::filesystem::path& target, int error) {
  throw EFCreateError("Cannot create file \"" + target.string() + "\". " + std::strerror(error));
}

std::filesystem::path FolderOf(const std::filesystem::path& target) {
  std::filesystem::path folder = target.parent_path();
  return folder.empty() ? std::filesystem::path(".") : folder;
}

// A hidden name beside the target with a random tail; the caller creates it
// exclusively and draws again when it is taken.
std::filesystem::path TemporaryName(const std::filesystem::path& target) {
  thread_local std::mt19937_64 random{std::random_device{}()};
  return FolderOf(target) / ("." + target.filename().string() + "." + std::to_string(random()) + ".part");
}

constexpr int kNameAttempts = 100;

// An unnamed file is named later through its /proc link; without /proc it
// could not be named at all.
bool CanNameUnnamedFiles() {
  static const bool can = ::access("/proc/self/fd", X_OK) == 0;
  return can;
}

}  // namespace

OutputFile::NewFile OutputFile::Create(const std::filesystem::path& target) {
  struct stat st{};
  if (::stat(target.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) CreateFailed(target, EISDIR);
  if (CanNameUnnamedFiles()) {
    const int fd = ::open(FolderOf(target).c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0644);
    if (fd >= 0) return {fd, {}};
    // A file system without unnamed files answers with one of these; any
    // other error is the folder's and a named file would meet it too.
    if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) CreateFailed(target, errno);
  }
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    std::filesystem::path name = TemporaryName(target);
    const int fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd >= 0) return {fd, std::move(name)};
    if (errno != EEXIST) CreateFailed(target, errno);
  }
  CreateFailed(target, EEXIST);
}

OutputFile::OutputFile(const std::filesystem::path& target) : OutputFile(target, Create(target)) {}

OutputFile::OutputFile(const std::filesystem::path& target, NewFile file)
    : TFileStream(file.fd, target), temp_(std::move(file.name)) {}

OutputFile::~OutputFile() { Discard(); }

void OutputFile::Commit() {
  if (committed_) return;
  int error = Handle() < 0 ? EBADF : 0;
  if (!error && temp_.empty()) {
    // A link cannot replace a file: the unnamed file gets a temporary name
    // first, which the rename then moves over the target.
    const std::string self = "/proc/self/fd/" + std::to_string(Handle());
    int link_error = EEXIST;
    for (int attempt = 0; attempt < kNameAttempts && temp_.empty() && link_error == EEXIST; ++attempt) {
      std::filesystem::path name = TemporaryName(FileName());
      if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0)
        temp_ = std::move(name);
      else
        link_error = errno;
    }
    if (temp_.empty()) error = link_error;
  }
  if (!error && !CloseHandle()) error = errno;
  if (!error && ::rename(temp_.c_str(), FileName().c_str()) != 0) error = errno;
  if (error) {
    Discard();
    CreateFailed(FileName(), error);
  }
  temp_.clear();
  committed_ = true;
}

void OutputFile::Discard() noexcept {
  if (committed_) return;
  CloseHandle();
  if (!temp_.empty()) {
    ::unlink(temp_.c_str());
    temp_.clear();
  }
}

}  // namespace vn
