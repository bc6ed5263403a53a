// Shared by the zip layer's tests: scratch folders, running the outside
// tools that serve as oracles (zip, unzip, 7z, python3), zlib's deflate,
// a deflate bit writer for hand-made streams, and a builder of small zip
// archives whose every field a test can set.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace vn::ooxml::testing {

// A fresh folder under TMPDIR, removed with everything in it.
class TempDir {
 public:
  TempDir() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "zipXXXXXX").string();
    path_ = mkdtemp(tmpl.data());
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

inline void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

inline std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A shell word for any text.
inline std::string Quote(const std::string& s) {
  std::string out = "'";
  for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

// Runs the command (standard error dropped); its exit status, -1 when it
// could not run; standard output into `out` when given.
inline int RunTool(const std::string& command, std::string* out = nullptr) {
  FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r");
  if (!pipe) return -1;
  std::string text;
  char buf[65536];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, pipe)) > 0) text.append(buf, n);
  const int status = pclose(pipe);
  if (out) *out = std::move(text);
  return status == -1 || !WIFEXITED(status) ? -1 : WEXITSTATUS(status);
}

inline bool HaveTool(const char* tool) { return RunTool(std::string("command -v ") + tool) == 0; }

// Skips the test when a tool is missing, except in CI, where that fails.
#define VN_REQUIRE_TOOL(tool)                                              \
  do {                                                                     \
    if (!::vn::ooxml::testing::HaveTool(tool)) {                           \
      if (std::getenv("CI")) FAIL() << tool << " is not installed";        \
      GTEST_SKIP() << tool << " is not installed";                         \
    }                                                                      \
  } while (0)

// Text of a few words in random order, for members that compress.
inline std::string Text(size_t size, uint32_t seed) {
  std::mt19937 rng(seed);
  static const char* words[] = {"zip ", "archive ", "member ", "deflate ", "shrink ", "reduce ", "\n", "implode "};
  std::string s;
  while (s.size() < size) s += words[rng() % 8];
  s.resize(size);
  return s;
}

// Raw deflate (no zlib wrapper) as zip method 8 stores it.
inline std::string DeflateRaw(const std::string& data, int level = Z_DEFAULT_COMPRESSION,
                              int strategy = Z_DEFAULT_STRATEGY) {
  z_stream z{};
  deflateInit2(&z, level, Z_DEFLATED, -15, 8, strategy);
  std::string out(deflateBound(&z, data.size()) + 64, '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  z.avail_in = static_cast<uInt>(data.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  deflate(&z, Z_FINISH);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

inline uint32_t ZlibCrc(const std::string& data) {
  return static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
}

// Writes deflate bits: header fields least significant bit first, Huffman
// codes most significant bit first.
class BitWriter {
 public:
  BitWriter& Bits(uint32_t value, unsigned n) {
    for (unsigned i = 0; i < n; ++i) Put((value >> i) & 1);
    return *this;
  }
  BitWriter& Code(uint32_t code, unsigned n) {
    for (unsigned i = n; i > 0; --i) Put((code >> (i - 1)) & 1);
    return *this;
  }
  // Fixed-code literal/length symbol (0..287).
  BitWriter& Fixed(unsigned symbol) {
    if (symbol < 144) return Code(0x30 + symbol, 8);
    if (symbol < 256) return Code(0x190 + symbol - 144, 9);
    if (symbol < 280) return Code(symbol - 256, 7);
    return Code(0xC0 + symbol - 280, 8);
  }
  BitWriter& Bytes(const std::string& bytes) {
    for (char c : bytes) Bits(static_cast<uint8_t>(c), 8);
    return *this;
  }
  BitWriter& Align() {
    while (count_ != 0) Put(0);
    return *this;
  }
  std::string Finish() const { return out_ + (count_ ? std::string(1, static_cast<char>(acc_)) : ""); }

 private:
  void Put(unsigned bit) {
    acc_ |= bit << count_;
    if (++count_ == 8) {
      out_.push_back(static_cast<char>(acc_));
      acc_ = count_ = 0;
    }
  }
  std::string out_;
  unsigned acc_ = 0, count_ = 0;
};

// Traditional PKWARE encryption of a member's stored bytes: the 12-byte
// header (ending in the check byte) and the data.
inline std::string ZipEncrypt(const std::string& stored, const std::string& password, uint8_t check_byte) {
  const z_crc_t* table = get_crc_table();
  uint32_t keys[3] = {0x12345678, 0x23456789, 0x34567890};
  auto update = [&](uint8_t c) {
    keys[0] = table[(keys[0] ^ c) & 0xFF] ^ (keys[0] >> 8);
    keys[1] = (keys[1] + (keys[0] & 0xFF)) * 134775813u + 1;
    keys[2] = table[(keys[2] ^ (keys[1] >> 24)) & 0xFF] ^ (keys[2] >> 8);
  };
  for (char c : password) update(static_cast<uint8_t>(c));
  std::string plain = "0123456789A";
  plain.push_back(static_cast<char>(check_byte));
  plain += stored;
  std::string out;
  for (char c : plain) {
    const uint32_t t = (keys[2] | 2) & 0xFFFF;
    out.push_back(static_cast<char>(static_cast<uint8_t>(c) ^ static_cast<uint8_t>((t * (t ^ 1)) >> 8)));
    update(static_cast<uint8_t>(c));
  }
  return out;
}

inline void PutLE(std::string& s, uint64_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) s.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

// One extra-field subfield.
inline std::string Subfield(uint16_t id, const std::string& data) {
  std::string s;
  PutLE(s, id, 2);
  PutLE(s, data.size(), 2);
  return s + data;
}

struct ZipEntry {
  std::string name;  // raw name bytes
  std::string data;  // the uncompressed content
  uint16_t method = 0;
  // The member's stored bytes; made from `data` (stored or zlib's deflate)
  // when absent.
  std::optional<std::string> compressed;
  uint16_t flags = 0;
  uint16_t version_made_by = 20;  // host system in the high byte
  uint16_t version_needed = 20;
  uint32_t external_attributes = 0;
  uint16_t time = 0x6000;  // 12:00:00
  uint16_t date = 0x5A21;  // 2025-01-01
  std::string central_extra;
  std::string local_extra;
  std::optional<uint32_t> crc;           // instead of the data's CRC-32
  std::optional<uint64_t> declared_size;  // instead of the data's size
  // Sizes and offset escaped to 0xFFFFFFFF with a Zip64 subfield.
  bool zip64 = false;
};

// Builds an archive: an optional prefix (a stub), the local headers and
// data, the central directory and the end record (with a Zip64 end record
// and locator when asked). Offsets count from the start of the file.
struct ZipBuilder {
  std::string prefix;
  std::vector<ZipEntry> entries;
  std::string comment;
  bool zip64_end = false;

  std::string Build() const {
    std::string out = prefix;
    std::string central;
    for (const ZipEntry& e : entries) {
      const std::string stored =
          e.compressed ? *e.compressed : e.method == 8 ? DeflateRaw(e.data) : e.data;
      const uint32_t crc = e.crc ? *e.crc : ZlibCrc(e.data);
      const uint64_t size = e.declared_size ? *e.declared_size : e.data.size();
      const uint64_t offset = out.size();
      std::string zip64_local, zip64_central;
      if (e.zip64) {
        PutLE(zip64_local, size, 8);
        PutLE(zip64_local, stored.size(), 8);
        zip64_central = zip64_local;
        PutLE(zip64_central, offset, 8);
      }
      const std::string local_extra = (e.zip64 ? Subfield(1, zip64_local) : "") + e.local_extra;
      const std::string central_extra = (e.zip64 ? Subfield(1, zip64_central) : "") + e.central_extra;
      const uint32_t c32 = e.zip64 ? 0xFFFFFFFFu : static_cast<uint32_t>(stored.size());
      const uint32_t u32 = e.zip64 ? 0xFFFFFFFFu : static_cast<uint32_t>(size);
      // The fields from "version needed" to "uncompressed size", alike in
      // both headers.
      std::string common;
      PutLE(common, e.version_needed, 2);
      PutLE(common, e.flags, 2);
      PutLE(common, e.method, 2);
      PutLE(common, e.time, 2);
      PutLE(common, e.date, 2);
      PutLE(common, crc, 4);
      PutLE(common, c32, 4);
      PutLE(common, u32, 4);
      PutLE(out, 0x04034B50, 4);
      out += common;
      PutLE(out, e.name.size(), 2);
      PutLE(out, local_extra.size(), 2);
      out += e.name + local_extra + stored;

      PutLE(central, 0x02014B50, 4);
      PutLE(central, e.version_made_by, 2);
      central += common;
      PutLE(central, e.name.size(), 2);
      PutLE(central, central_extra.size(), 2);
      PutLE(central, 0, 2);  // comment
      PutLE(central, 0, 2);  // disk
      PutLE(central, 0, 2);  // internal attributes
      PutLE(central, e.external_attributes, 4);
      PutLE(central, e.zip64 ? 0xFFFFFFFFu : offset, 4);
      central += e.name + central_extra;
    }
    const uint64_t dir_offset = out.size();
    out += central;
    if (zip64_end) {
      const uint64_t record = out.size();
      PutLE(out, 0x06064B50, 4);
      PutLE(out, 44, 8);
      PutLE(out, 45, 2);
      PutLE(out, 45, 2);
      PutLE(out, 0, 4);
      PutLE(out, 0, 4);
      PutLE(out, entries.size(), 8);
      PutLE(out, entries.size(), 8);
      PutLE(out, central.size(), 8);
      PutLE(out, dir_offset, 8);
      PutLE(out, 0x07064B50, 4);
      PutLE(out, 0, 4);
      PutLE(out, record, 8);
      PutLE(out, 1, 4);
    }
    PutLE(out, 0x06054B50, 4);
    PutLE(out, 0, 2);
    PutLE(out, 0, 2);
    PutLE(out, zip64_end ? 0xFFFF : entries.size(), 2);
    PutLE(out, zip64_end ? 0xFFFF : entries.size(), 2);
    PutLE(out, zip64_end ? 0xFFFFFFFFu : central.size(), 4);
    PutLE(out, zip64_end ? 0xFFFFFFFFu : dir_offset, 4);
    PutLE(out, comment.size(), 2);
    return out + comment;
  }
};

}  // namespace vn::ooxml::testing
