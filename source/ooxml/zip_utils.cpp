#include "ooxml/zip_utils.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <system_error>

#include "runtime/exceptions.h"

namespace vn::ooxml {

namespace {

// Slicing-by-8 tables of the reflected CRC-32 (polynomial 0xEDB88320):
// table 0 is the classic byte table, table k advances a byte k positions
// further, so eight bytes take eight lookups and no loop-carried shifts.
using CrcTables = std::array<std::array<uint32_t, 256>, 8>;

constexpr CrcTables MakeCrcTables() {
  CrcTables t{};
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t c = i;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    t[0][i] = c;
  }
  for (size_t k = 1; k < 8; ++k)
    for (uint32_t i = 0; i < 256; ++i) t[k][i] = (t[k - 1][i] >> 8) ^ t[0][t[k - 1][i] & 0xFF];
  return t;
}

constexpr CrcTables kCrc = MakeCrcTables();

inline uint32_t LoadLE32(const uint8_t* p) {
  return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

// Days from the date-time epoch (1899-12-30) to the Unix epoch.
constexpr double kUnixEpochDays = 25569.0;

bool IsSeparator(char16_t c) { return c == u'/' || c == u'\\'; }

std::filesystem::path PathOf(StringView s) { return std::filesystem::path(ToUtf8(s)); }

// Folder part with its trailing separator, and the name after it.
StringView FolderOf(StringView s) {
  size_t i = s.size();
  while (i > 0 && !IsSeparator(s[i - 1])) --i;
  return s.substr(0, i);
}
StringView NameOf(StringView s) { return s.substr(FolderOf(s).size()); }

}  // namespace

void UpdateCRC32(uint32_t& crc, const void* buffer, size_t count) {
  const auto* p = static_cast<const uint8_t*>(buffer);
  uint32_t c = crc;
  while (count >= 8) {
    uint32_t one = LoadLE32(p) ^ c;
    uint32_t two = LoadLE32(p + 4);
    c = kCrc[7][one & 0xFF] ^ kCrc[6][(one >> 8) & 0xFF] ^ kCrc[5][(one >> 16) & 0xFF] ^ kCrc[4][one >> 24] ^
        kCrc[3][two & 0xFF] ^ kCrc[2][(two >> 8) & 0xFF] ^ kCrc[1][(two >> 16) & 0xFF] ^ kCrc[0][two >> 24];
    p += 8;
    count -= 8;
  }
  while (count-- > 0) c = kCrc[0][(c ^ *p++) & 0xFF] ^ (c >> 8);
  crc = c;
}

uint32_t UpdateCRC32Byte(uint8_t byte, uint32_t crc) { return kCrc[0][(crc ^ byte) & 0xFF] ^ (crc >> 8); }

uint32_t CRC32OfString(std::string_view bytes) {
  uint32_t crc = 0xFFFFFFFFu;
  UpdateCRC32(crc, bytes.data(), bytes.size());
  return ~crc;
}

void UpdateAdler32(uint32_t& adler, const void* buffer, size_t count) {
  constexpr uint32_t kBase = 65521;
  // The largest run whose sums cannot overflow 32 bits before reducing.
  constexpr size_t kRun = 5552;
  const auto* p = static_cast<const uint8_t*>(buffer);
  uint32_t s1 = adler & 0xFFFF;
  uint32_t s2 = adler >> 16;
  while (count > 0) {
    size_t n = std::min(count, kRun);
    count -= n;
    while (n-- > 0) {
      s1 += *p++;
      s2 += s1;
    }
    s1 %= kBase;
    s2 %= kBase;
  }
  adler = (s2 << 16) | s1;
}

uint8_t Percentage(int64_t done, int64_t total) {
  if (total > 16384000) {
    // (value + 128) >> 8, without overflowing near the top of the range.
    auto scale = [](int64_t v) { return (v >> 8) + (((v & 0xFF) + 128) >> 8); };
    done = scale(done);
    total = scale(total);
  }
  if (total <= 0) return 0;
  if (done >= total) return 100;
  return static_cast<uint8_t>(done * 100 / total);
}

TDateTime DosDateTimeToDateTime(uint16_t date, uint16_t time) {
  return EncodeDate(1980 + (date >> 9), (date >> 5) & 15, date & 31) +
         EncodeTime(time >> 11, (time >> 5) & 63, (time & 31) * 2, 0);
}

uint32_t DateTimeToDosDateTime(TDateTime value) {
  DateParts d = DecodeDateTime(value);
  if (d.year < 1980 || d.year > 2107) return 0;
  uint32_t date = static_cast<uint32_t>((d.year - 1980) << 9 | d.month << 5 | d.day);
  uint32_t time = static_cast<uint32_t>(d.hour << 11 | d.minute << 5 | d.second / 2);
  return date << 16 | time;
}

void SetFileDateTime(const std::filesystem::path& file_name, TDateTime value) {
  double local_seconds = std::round((value - kUnixEpochDays) * 86400.0);
  struct timespec times[2];
  times[0].tv_sec = 0;
  times[0].tv_nsec = UTIME_OMIT;
  times[1].tv_sec = static_cast<time_t>(local_seconds) - static_cast<time_t>(LocalUtcOffsetMinutes(value)) * 60;
  times[1].tv_nsec = 0;
  ::utimensat(AT_FDCWD, file_name.c_str(), times, 0);
}

int DosToUnixAttributes(int attributes) {
  int mode = 0444;
  if ((attributes & kDosReadOnly) == 0) mode |= 0200;
  if (attributes & kDosDirectory) mode |= 040000 | 0100;
  return mode;
}

int UnixToDosAttributes(int mode) {
  int attributes = 0;
  switch (mode & 0xF000) {
    case 0x4000: attributes = kDosDirectory; break;
    case 0x1000:
    case 0x2000:
    case 0x6000:
    case 0xA000:
    case 0xC000: attributes = kDosSystem; break;
    default: break;
  }
  if ((mode & 0x80) == 0) attributes |= kDosReadOnly;
  return attributes;
}

bool GetFileAttrEx(const std::filesystem::path& file_name, TAbAttrExRec& info) {
  struct stat st{};
  if (::stat(file_name.c_str(), &st) != 0) {
    info = TAbAttrExRec{};
    return false;
  }
  // The local time, rounded to what an MS-DOS date and time can hold.
  const double utc = kUnixEpochDays + static_cast<double>(st.st_mtime) / 86400.0;
  const double local = utc + LocalUtcOffsetMinutes(utc) / 1440.0;
  const uint32_t dos = DateTimeToDosDateTime(local);
  info.Time = dos != 0 ? DosDateTimeToDateTime(static_cast<uint16_t>(dos >> 16), static_cast<uint16_t>(dos)) : local;
  info.Size = static_cast<int64_t>(st.st_size);
  info.Attr = UnixToDosAttributes(static_cast<int>(st.st_mode));
  info.Mode = DosToUnixAttributes(info.Attr);
  return true;
}

int64_t GetFileSize(const std::filesystem::path& file_name) {
  TAbAttrExRec info;
  return GetFileAttrEx(file_name, info) ? info.Size : -1;
}

void SetFileAttributes(const std::filesystem::path& file_name, int attributes) {
  struct stat st{};
  if (::stat(file_name.c_str(), &st) != 0) return;
  mode_t mode = st.st_mode & 07777;
  if (attributes & kDosReadOnly)
    mode &= ~static_cast<mode_t>(0222);
  else
    mode |= 0200;
  ::chmod(file_name.c_str(), mode);
}

String GetTempDirectory() {
  std::error_code ec;
  const std::filesystem::path temp = std::filesystem::temp_directory_path(ec);
  return FromUtf8(ec ? std::string("/tmp") : temp.string());
}

String GetTempSwapFileName(StringView folder, bool create_it) {
  std::error_code ec;
  std::filesystem::path dir = PathOf(folder);
  if (folder.empty() || !std::filesystem::is_directory(dir, ec)) dir = PathOf(GetTempDirectory());
  if (!create_it) return FromUtf8((dir / "VMS1").string());
  std::string name = (dir / "VMSXXXXXX").string();
  const int fd = ::mkstemp(name.data());
  if (fd < 0) throw EInOutError(std::strerror(errno), errno);
  ::close(fd);
  return FromUtf8(name);
}

void ToBackslashes(String& s) { std::replace(s.begin(), s.end(), u'\\', u'/'); }

String AddBackSlash(StringView s) {
  String out(s);
  if (!out.empty() && !IsSeparator(out.back())) out += u'/';
  return out;
}

int GetPathType(StringView s) {
  if (!s.empty() && IsSeparator(s.front())) return 2;
  return std::any_of(s.begin(), s.end(), IsSeparator) ? 1 : 0;
}

int FindNthSlash(StringView path, int n) {
  int seen = 0;
  for (size_t i = 0; i < path.size(); ++i)
    if (IsSeparator(path[i]) && ++seen == n) return static_cast<int>(i);
  return static_cast<int>(path.size());
}

void ParseFileName(StringView file_name, String& drive, String& path, String& name) {
  String s(file_name);
  ToBackslashes(s);
  drive.clear();
  path = String(FolderOf(s));
  name = String(NameOf(s));
}

void SplitPath(StringView path, std::vector<String>& list) {
  String s(path);
  ToBackslashes(s);
  if (!s.empty() && s.back() == u'/') s.pop_back();
  for (String& part : SplitString(s, u'/'))
    if (!part.empty()) list.push_back(std::move(part));
}

void StripDrive(String& s) {
  String drive, path, name;
  ParseFileName(s, drive, path, name);
  s = path + name;
}

void StripDots(String& s) {
  while (s.size() >= 3 && s[0] == u'.' && s[1] == u'.' && IsSeparator(s[2])) s.erase(0, 3);
}

void CreateDirectoryPath(StringView path) {
  std::error_code ec;
  const std::filesystem::path p = PathOf(path);
  if (std::filesystem::is_directory(p, ec)) return;
  std::filesystem::create_directories(p, ec);
  if (ec) throw EInOutError(ec.message(), ec.value());
}

bool PatternMatches(StringView source, int src_index, StringView pattern, int pat_index) {
  if (source.empty()) return pattern.empty();
  if (pat_index == 1 && (pattern == u"*.*" || pattern == u"*")) return true;
  if (pattern.empty()) return src_index == static_cast<int>(source.size()) + 1;
  // Glob matching with one backtracking point: on a mismatch the last "*"
  // takes one more source character. This finds a match whenever trying
  // every split at every star would, in time linear per star position.
  size_t s = static_cast<size_t>(std::max(src_index, 1) - 1);
  size_t p = static_cast<size_t>(std::max(pat_index, 1) - 1);
  size_t star_p = StringView::npos;
  size_t star_s = 0;
  for (;;) {
    if (p < pattern.size()) {
      const char16_t c = pattern[p];
      if (c == u'*') {
        if (p + 1 == pattern.size()) return true;
        star_p = p++;
        star_s = s;
        continue;
      }
      if (s < source.size() && (c == u'?' || c == source[s])) {
        ++s;
        ++p;
        continue;
      }
    } else if (s >= source.size()) {
      return true;
    }
    if (star_p == StringView::npos || star_s >= source.size()) return false;
    s = ++star_s;
    p = star_p + 1;
  }
}

bool FileMatches(StringView file_name, StringView file_mask) {
  String file = UpperCase(file_name);
  String mask = UpperCase(file_mask);
  ToBackslashes(file);
  ToBackslashes(mask);
  StringView mask_dir = FolderOf(mask);
  if (!mask_dir.empty() && !PatternMatches(FolderOf(file), 1, mask_dir, 1)) return false;
  return PatternMatches(NameOf(file), 1, NameOf(mask), 1);
}

void FindFiles(StringView file_mask, int search_attr, std::vector<String>& list, bool recurse) {
  String mask(file_mask);
  ToBackslashes(mask);
  const String folder(FolderOf(mask));
  const String name_mask = UpperCase(NameOf(mask));
  const std::filesystem::path dir = folder.empty() ? std::filesystem::path(".") : PathOf(folder);
  std::error_code ec;
  std::vector<String> subfolders;
  for (std::filesystem::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    const String name = FromUtf8(it->path().filename().string());
    std::error_code type_ec;
    const bool is_dir = it->is_directory(type_ec) && !it->is_symlink(type_ec);
    if (is_dir) subfolders.push_back(folder + name + u"/");
    if (name.front() == u'.' && (search_attr & kDosHidden) == 0) continue;
    if (is_dir && (search_attr & kDosDirectory) == 0) continue;
    if (PatternMatches(UpperCase(name), 1, name_mask, 1)) list.push_back(folder + name + (is_dir ? u"/" : u""));
  }
  if (!recurse) return;
  std::sort(subfolders.begin(), subfolders.end());
  for (const String& sub : subfolders) {
    if (NameOf(sub.substr(0, sub.size() - 1)).front() == u'.' && (search_attr & kDosHidden) == 0) continue;
    FindFiles(sub + String(NameOf(mask)), search_attr, list, true);
  }
}

void FindFilesEx(StringView file_masks, int search_attr, std::vector<String>& list, bool recurse) {
  for (const String& part : SplitString(file_masks, u';')) {
    String mask = Trim(part);
    if (!mask.empty()) FindFiles(mask, search_attr, list, recurse);
  }
}

void TAbDeflateHelper::SetLength(int& field, int value) {
  if (value == field) return;
  field = (value < 4 && value != -1) ? 4 : value;
  FZipOption = '?';
}

void TAbDeflateHelper::SetAmpleLength(int value) { SetLength(FAmpleLength, value); }
void TAbDeflateHelper::SetChainLength(int value) { SetLength(FChainLength, value); }
void TAbDeflateHelper::SetMaxLazyLength(int value) { SetLength(FMaxLazy, value); }

void TAbDeflateHelper::SetOptions(int value) {
  if (value == FOptions) return;
  FOptions = value;
  FZipOption = '?';
}

void TAbDeflateHelper::SetWindowSize(int value) {
  if (value == FWindowSize) return;
  int size = (value + 1023) / 1024 * 1024;
  if (size > 32768) size = (FOptions & kDeflate64Option) ? 65536 : 32768;
  FWindowSize = size;
}

void TAbDeflateHelper::SetPKZipOption(char value) {
  if (value >= 'A' && value <= 'Z') value = static_cast<char>(value - 'A' + 'a');
  if (value == FZipOption) return;
  struct Preset {
    char letter;
    int options_or;
    int ample, chain, lazy;
  };
  static constexpr Preset kPresets[] = {
      {'2', 0x0F, 8, 32, 16}, {'f', 0x07, 4, 32, 6},      {'n', 0x0F, 16, 32, 24},
      {'s', 0x07, 4, 4, 4},   {'x', 0x0F, 64, 4096, 258},
  };
  if (value == '0') {
    FOptions = (FOptions & ~0x0F) | 0x01;
    FAmpleLength = 8;
    FChainLength = 32;
    FMaxLazy = 16;
    FZipOption = value;
    return;
  }
  for (const Preset& p : kPresets) {
    if (p.letter != value) continue;
    FOptions |= p.options_or;
    FAmpleLength = p.ample;
    FChainLength = p.chain;
    FMaxLazy = p.lazy;
    FZipOption = value;
  }
}

TAbLogger::TAbLogger(const String& log_name) {
  if (log_name.empty()) throw EAssertionFailed("TAbLogger.Create: a filename must be provided for the logger");
  FStream = std::make_unique<TFileStream>(PathOf(log_name), FileMode::fmCreate);
  FBuffer.resize(kBufferSize);
}

TAbLogger::~TAbLogger() { Flush(); }

int64_t TAbLogger::Read(void*, int64_t) {
  throw EAssertionFailed("TAbLogger.Read: loggers are write-only, no reading allowed");
}

int64_t TAbLogger::Write(const void* buffer, int64_t count) {
  const auto* p = static_cast<const uint8_t*>(buffer);
  int64_t taken = 0;
  while (taken < count) {
    if (FCurPos == kBufferSize && !Flush() && FCurPos == kBufferSize) break;
    size_t n = std::min<size_t>(static_cast<size_t>(count - taken), kBufferSize - FCurPos);
    std::memcpy(FBuffer.data() + FCurPos, p + taken, n);
    FCurPos += n;
    taken += static_cast<int64_t>(n);
  }
  if (FCurPos == kBufferSize) Flush();
  return taken;
}

int64_t TAbLogger::Seek(int64_t offset, SeekOrigin origin) {
  if (offset != 0 || origin == SeekOrigin::soBeginning)
    throw EAssertionFailed("TAbLogger.Seek: loggers are write-only, no seeking allowed");
  return FStream->Position() + static_cast<int64_t>(FCurPos);
}

bool TAbLogger::Flush() {
  if (FCurPos == 0) return true;
  int64_t written = std::max<int64_t>(FStream->Write(FBuffer.data(), static_cast<int64_t>(FCurPos)), 0);
  std::memmove(FBuffer.data(), FBuffer.data() + written, FCurPos - static_cast<size_t>(written));
  FCurPos -= static_cast<size_t>(written);
  return FCurPos == 0;
}

void TAbLogger::WriteStr(StringView s) {
  std::string bytes;
  bytes.reserve(s.size());
  for (char16_t c : s) bytes.push_back(c < 0x80 ? static_cast<char>(c) : '?');
  Write(bytes.data(), static_cast<int64_t>(bytes.size()));
}

void TAbLogger::WriteLine(StringView s) {
  WriteStr(s);
  WriteStr(LineDelimiter == TAbLineDelimiter::ldCRLF ? u"\r\n" : u"\n");
}

}  // namespace vn::ooxml
