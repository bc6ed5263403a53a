// Small routines the zip layer shares: CRC-32 and Adler-32, progress
// percentages, MS-DOS dates and attributes, path and file-mask handling,
// the options of one inflate run (TAbDeflateHelper) and a write-only log
// stream (TAbLogger).
//
// Paths are Linux paths: "/" is the separator, and a "\" met in a name (zip
// members written on Windows) counts as one too. There are no drive letters:
// what the zip format's Windows heritage calls a drive part is always empty
// here, and an absolute path is one that starts with "/".
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/datetime.h"
#include "runtime/streams.h"
#include "runtime/strings.h"

namespace vn::ooxml {

// Checksums. A running CRC-32 starts at all ones and is complemented by the
// caller at the end; an Adler-32 starts at 1.
void UpdateCRC32(uint32_t& crc, const void* buffer, size_t count);
inline void UpdateCRC32Buffer(uint32_t& crc, const void* buffer, size_t count) { UpdateCRC32(crc, buffer, count); }
uint32_t UpdateCRC32Byte(uint8_t byte, uint32_t crc);
// The CRC-32 stored in zip headers: complemented, starting from all ones.
uint32_t CRC32OfString(std::string_view bytes);
void UpdateAdler32(uint32_t& adler, const void* buffer, size_t count);

// Done as a percentage of Total (0 for a Total of 0 or less, 100 once Done
// reaches Total); totals above 16384000 are scaled down first so the
// product cannot overflow.
uint8_t Percentage(int64_t done, int64_t total);

// MS-DOS dates: the date in the high and the time in the low 16 bits.
// DosDateTimeToDateTime raises EConvertError for fields out of range (zip
// writers do store a date of 0).
TDateTime DosDateTimeToDateTime(uint16_t date, uint16_t time);
// 0 for a date before 1980 or after 2107.
uint32_t DateTimeToDosDateTime(TDateTime value);
// Sets the file's modification time to a local date and time.
void SetFileDateTime(const std::filesystem::path& file_name, TDateTime value);

// MS-DOS attribute bits and Unix modes.
inline constexpr int kDosReadOnly = 0x01;
inline constexpr int kDosHidden = 0x02;
inline constexpr int kDosSystem = 0x04;
inline constexpr int kDosDirectory = 0x10;
inline constexpr int kDosArchive = 0x20;
int DosToUnixAttributes(int attributes);
int UnixToDosAttributes(int mode);

struct TAbAttrExRec {
  TDateTime Time = 0;  // modification time, local, to MS-DOS precision
  int64_t Size = -1;
  int Attr = -1;  // MS-DOS attributes
  int Mode = 0;   // made from Attr by DosToUnixAttributes
};
// False (and size and attributes -1) when the file cannot be queried.
bool GetFileAttrEx(const std::filesystem::path& file_name, TAbAttrExRec& info);
int64_t GetFileSize(const std::filesystem::path& file_name);  // -1 when unknown
// Applies the read-only bit: a read-only file loses its write permissions,
// any other file gets the owner's back.
void SetFileAttributes(const std::filesystem::path& file_name, int attributes);

// Paths. Each "\" becomes "/", the separator of this platform.
void ToBackslashes(String& s);
// S with "/" appended unless it is empty or ends in one.
String AddBackSlash(StringView s);
// 2 for an absolute path, 1 for a relative path with a folder, 0 for a bare
// name.
int GetPathType(StringView s);
// Characters before the n-th "/" (the whole length when there are fewer).
int FindNthSlash(StringView path, int n);
// The last component into `name`, the folder part (with its trailing "/")
// into `path`; `drive` is always empty.
void ParseFileName(StringView file_name, String& drive, String& path, String& name);
// The folder names of a path in order (one trailing "/" ignored).
void SplitPath(StringView path, std::vector<String>& list);
void StripDrive(String& s);
// Removes "../" from the start as long as it starts with one.
void StripDots(String& s);
// Creates every missing folder of the path; EInOutError with the system's
// error code when one cannot be made.
void CreateDirectoryPath(StringView path);

// Temporary files. The user's temporary folder (TMPDIR, else /tmp).
String GetTempDirectory();
// A new, empty file named "VMS" and a unique suffix in `folder`, or in the
// user's temporary folder when `folder` is not an existing folder; its
// name. Without `create_it` the name has the fixed suffix "1" and nothing
// is created. EInOutError when the file cannot be made.
String GetTempSwapFileName(StringView folder, bool create_it);
inline String CreateTempFileName(StringView folder) { return GetTempSwapFileName(folder, true); }

// Wildcard match from 1-based positions: "*" any run, "?" one character,
// anything else itself (case-sensitive); "*" and "*.*" from the first
// position match every non-empty source.
bool PatternMatches(StringView source, int src_index, StringView pattern, int pat_index);
// Both upper-cased (ASCII): a mask with a folder part needs a matching
// folder, then the names must match.
bool FileMatches(StringView file_name, StringView file_mask);
// Files (and, with kDosDirectory in `search_attr`, folders with a trailing
// "/"; with kDosHidden, names starting with ".") in the mask's folder whose
// name matches the mask's name part, as folder + name; with `recurse` the
// subfolders too. FindFilesEx takes several masks separated by ";".
void FindFiles(StringView file_mask, int search_attr, std::vector<String>& list, bool recurse);
void FindFilesEx(StringView file_masks, int search_attr, std::vector<String>& list, bool recurse);

// Option bits of an inflate run.
inline constexpr int kDeflate64Option = 0x10;
inline constexpr int kAdler32Option = 0x20;
inline constexpr int kTestOnlyOption = 0x40000000;

// The options of one inflate run and the counters it fills. The compressor
// settings (ample, chain, lazy, window) are kept for the writing side.
class TAbDeflateHelper {
 public:
  using TAbProgressStep = std::function<void(int percent_done)>;

  TAbDeflateHelper() = default;
  void Assign(const TAbDeflateHelper& source) { *this = source; }

  int AmpleLength() const { return FAmpleLength; }
  int ChainLength() const { return FChainLength; }
  int MaxLazyLength() const { return FMaxLazy; }
  int Options() const { return FOptions; }
  int WindowSize() const { return FWindowSize; }
  char PKZipOption() const { return FZipOption; }
  // Values below 4 other than -1 become 4; the preset letter becomes "?".
  void SetAmpleLength(int value);
  void SetChainLength(int value);
  void SetMaxLazyLength(int value);
  void SetOptions(int value);
  // Rounded up to a multiple of 1024, at most 32768 (65536 with Deflate64).
  void SetWindowSize(int value);
  // One of the presets "0", "2", "f", "n", "s", "x" (either case); any other
  // letter does nothing.
  void SetPKZipOption(char value);

  int64_t PartialSize = 0;     // above 0: stop after producing this many bytes
  int64_t StreamSize = 0;      // compressed bytes available (for progress)
  int64_t CompressedSize = 0;  // filled by the inflater: bytes consumed
  int64_t NormalSize = 0;      // filled by the inflater: bytes produced
  String LogFile;              // when set, the inflater writes a log there
  TAbProgressStep OnProgressStep;

 private:
  void SetLength(int& field, int value);

  int FAmpleLength = 8;
  int FChainLength = 32;
  int FMaxLazy = 16;
  int FOptions = 0x0F;
  int FWindowSize = 32768;
  char FZipOption = 'n';
};

enum class TAbLineDelimiter { ldCRLF, ldLF };

// A write-only, buffered log file.
class TAbLogger : public TStream {
 public:
  // Creates or empties the file; EAssertionFailed for an empty name,
  // EFCreateError when the file cannot be made.
  explicit TAbLogger(const String& log_name);
  ~TAbLogger() override;

  int64_t Read(void* buffer, int64_t count) override;   // EAssertionFailed
  int64_t Write(const void* buffer, int64_t count) override;
  // Only offset 0 from the current position or the end: the logged size.
  int64_t Seek(int64_t offset, SeekOrigin origin) override;

  // False when the file did not take every buffered byte (those stay).
  bool Flush();
  // The text as ASCII bytes, then the line delimiter.
  void WriteLine(StringView s);
  void WriteStr(StringView s);

  TAbLineDelimiter LineDelimiter = TAbLineDelimiter::ldCRLF;

 private:
  static constexpr size_t kBufferSize = 4096;
  std::unique_ptr<TFileStream> FStream;
  std::vector<uint8_t> FBuffer;
  size_t FCurPos = 0;
};

}  // namespace vn::ooxml
