// The stream family of the document code: one abstract TStream (Read and
// Write may be short; ReadBuffer and WriteBuffer are all-or-throw), with
// memory, file and string streams. Positions and sizes are 64-bit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "runtime/strings.h"

namespace vn {

enum class SeekOrigin { soBeginning, soCurrent, soEnd };

class TStream {
 public:
  virtual ~TStream() = default;

  // Reads up to `count` bytes; returns how many were read (0 at the end).
  virtual int64_t Read(void* buffer, int64_t count) = 0;
  // Writes up to `count` bytes; returns how many were written.
  virtual int64_t Write(const void* buffer, int64_t count) = 0;
  // Moves the position; returns the new position. Positions past the end
  // are allowed (a later write fills the gap with zeros where supported).
  virtual int64_t Seek(int64_t offset, SeekOrigin origin) = 0;

  virtual int64_t GetSize();
  virtual void SetSize(int64_t new_size);

  int64_t Position() { return Seek(0, SeekOrigin::soCurrent); }
  void SetPosition(int64_t pos) { Seek(pos, SeekOrigin::soBeginning); }
  int64_t Size() { return GetSize(); }

  // All or nothing: EReadError "Stream read error" / EWriteError "Stream write error".
  void ReadBuffer(void* buffer, int64_t count);
  void WriteBuffer(const void* buffer, int64_t count);
  // Copies `count` bytes from `source` (all of it from its start when 0);
  // returns the number copied.
  int64_t CopyFrom(TStream& source, int64_t count);

  // Conveniences for byte strings.
  void WriteString(std::string_view bytes) { WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size())); }
  std::string ReadAll();  // from the current position to the end
};

class TMemoryStream : public TStream {
 public:
  TMemoryStream() = default;
  explicit TMemoryStream(std::vector<uint8_t> bytes) : data_(std::move(bytes)) {}

  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, SeekOrigin origin) override;
  int64_t GetSize() override { return static_cast<int64_t>(data_.size()); }
  void SetSize(int64_t new_size) override;

  void Clear();
  const uint8_t* Memory() const { return data_.data(); }
  uint8_t* Memory() { return data_.data(); }
  const std::vector<uint8_t>& Bytes() const { return data_; }
  std::vector<uint8_t>& Bytes() { return data_; }
  std::string_view View() const { return {reinterpret_cast<const char*>(data_.data()), data_.size()}; }

  void LoadFromStream(TStream& source);
  void LoadFromFile(const std::filesystem::path& path);
  void SaveToStream(TStream& dest);
  // The file appears whole or not at all (WriteFileBytes).
  void SaveToFile(const std::filesystem::path& path);

 protected:
  std::vector<uint8_t> data_;
  int64_t position_ = 0;
};

// File modes of the runtime: fmCreate makes or truncates the file; the open
// modes open an existing file.
enum class FileMode { fmCreate, fmOpenRead, fmOpenWrite, fmOpenReadWrite };

class TFileStream : public TStream {
 public:
  // EFCreateError "Cannot create file "<path>". <reason>" or EFOpenError
  // "Cannot open file "<path>". <reason>".
  TFileStream(const std::filesystem::path& path, FileMode mode);
  ~TFileStream() override;
  TFileStream(const TFileStream&) = delete;
  TFileStream& operator=(const TFileStream&) = delete;

  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, SeekOrigin origin) override;
  int64_t GetSize() override;
  void SetSize(int64_t new_size) override;

  const std::filesystem::path& FileName() const { return path_; }

 protected:
  // Takes over an open descriptor.
  TFileStream(int fd, std::filesystem::path path) : path_(std::move(path)), fd_(fd) {}
  int Handle() const { return fd_; }
  // Closes the descriptor; false when the system reports an error (a
  // delayed write failure).
  bool CloseHandle();

 private:
  std::filesystem::path path_;
  int fd_ = -1;
};

// A memory stream over a byte string.
class TStringStream : public TStream {
 public:
  TStringStream() = default;
  explicit TStringStream(std::string bytes) : data_(std::move(bytes)) {}

  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, SeekOrigin origin) override;
  int64_t GetSize() override { return static_cast<int64_t>(data_.size()); }
  void SetSize(int64_t new_size) override;

  const std::string& DataString() const { return data_; }

 private:
  std::string data_;
  int64_t position_ = 0;
};

// Whole files as bytes. ReadFileBytes throws EFOpenError when the file
// cannot be opened. WriteFileBytes writes through an OutputFile
// (runtime/output_file.h): the file appears whole or not at all.
std::string ReadFileBytes(const std::filesystem::path& path);
void WriteFileBytes(const std::filesystem::path& path, std::string_view bytes);

}  // namespace vn
