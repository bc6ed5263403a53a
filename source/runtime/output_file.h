// Output files that appear whole.
//
// An OutputFile is written like any file stream, but its bytes go to a new
// file in the target's folder that has no name yet (on a file system that
// cannot make unnamed files, a hidden temporary name beside the target).
// Commit() closes it and gives it the target's name in one rename,
// replacing an earlier file of that name. Until then the target is
// untouched: a write that fails, an object destroyed without Commit (an
// exception on its way out), or a process killed meanwhile leaves an
// earlier file as it was and no partial one under the target's name.
//
// Every writer of a document's output goes through this class (directly or
// through WriteFileBytes). The bytes are not forced to the disk before the
// rename: a process's death is covered, a power loss is the file system's.
#pragma once

#include <filesystem>

#include "runtime/streams.h"

namespace vn {

class OutputFile : public TFileStream {
 public:
  // EFCreateError "Cannot create file "<target>". <reason>" when the
  // target's folder takes no new file or the target is a folder.
  explicit OutputFile(const std::filesystem::path& target);
  // Discards the file unless it was committed.
  ~OutputFile() override;

  // Closes the file and moves it to the target's name. When that fails the
  // file is discarded, the target stays as it was, and EFCreateError (the
  // message above) is raised. Nothing can be written afterwards; a second
  // Commit does nothing.
  void Commit();
  // Closes and removes the file, leaving the target as it was. Nothing
  // after Commit.
  void Discard() noexcept;
  bool Committed() const { return committed_; }

 private:
  struct NewFile {
    int fd;
    std::filesystem::path name;  // empty while the file has no name
  };
  static NewFile Create(const std::filesystem::path& target);
  OutputFile(const std::filesystem::path& target, NewFile file);

  // The file's temporary name; empty while it has none.
  std::filesystem::path temp_;
  bool committed_ = false;
};

}  // namespace vn
