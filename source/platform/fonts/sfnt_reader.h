// Our own reading of TrueType/OpenType (sfnt) font files: the table
// directory of a font or of one face of a collection, whether its outlines
// are TrueType (glyf) or CFF, the code-page bits of its OS/2 table, and the
// bytes of one collection face as a standalone font. Everything reads
// through vn::ByteReader; damaged input gives nullopt (or EFontError for the
// file-level functions), never a read outside the data.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/fonts/font_catalog.h"

namespace vn::platform {

constexpr uint32_t SfntTag(const char (&s)[5]) {
  return (uint32_t(uint8_t(s[0])) << 24) | (uint32_t(uint8_t(s[1])) << 16) | (uint32_t(uint8_t(s[2])) << 8) |
         uint32_t(uint8_t(s[3]));
}

// Caps on what a font file may declare.
constexpr uint32_t kMaxCollectionFaces = 4096;
constexpr uint16_t kMaxSfntTables = 1024;
constexpr uint64_t kMaxFontFileSize = 512ull << 20;

struct SfntTable {
  uint32_t Tag = 0;
  uint32_t CheckSum = 0;
  uint32_t Offset = 0;  // from the start of the file
  uint32_t Length = 0;
};

struct SfntDirectory {
  uint32_t Version = 0;  // 0x00010000, 'true' or 'OTTO'
  std::vector<SfntTable> Tables;  // in file order
  const SfntTable* Find(uint32_t tag) const;
};

enum class FontOutlineKind { Unknown, TrueType, Cff };

// Faces in the data: the count of a collection ('ttcf'), 1 for a single
// sfnt font, 0 for anything else or a damaged collection header.
uint32_t SfntFaceCount(std::span<const std::byte> data);

// Where face `face_index`'s table directory starts (0 for a single font);
// nullopt when there is no such face.
std::optional<uint32_t> SfntFaceDirectoryOffset(std::span<const std::byte> data, uint32_t face_index);

// The table directory of face `face_index`; nullopt when the data is not an
// sfnt font, has no such face, or a table lies outside the data.
std::optional<SfntDirectory> ReadSfntDirectory(std::span<const std::byte> data, uint32_t face_index);

// TrueType when the face has a 'glyf' table, CFF when it has 'CFF ' or 'CFF2'
// (or is an 'OTTO' font), else Unknown (also for damaged data).
FontOutlineKind DetectOutlineKind(std::span<const std::byte> data, uint32_t face_index);

// One face as a standalone sfnt font: its tables copied, sorted by tag,
// 4-byte aligned, with fresh checksums and head.checkSumAdjustment. nullopt
// for damaged data or a missing face, and for tables that overlap so much
// that together they exceed the file (no honest font does; it would let a
// tiny file ask for a huge copy).
std::optional<std::string> ExtractSfntFace(std::span<const std::byte> data, uint32_t face_index);

// A font made of the given tables, in the given order: the offset table,
// the records, each table 4-byte aligned, with fresh table checksums and
// head.checkSumAdjustment (when a 'head' table is among them).
struct SfntTableBytes {
  uint32_t Tag = 0;
  std::span<const std::byte> Bytes;
};
std::string AssembleSfnt(uint32_t version, std::span<const SfntTableBytes> tables);

// The font signature of an OS/2 table's bytes: the code-page bits
// (HasRanges is false for a version 0 table or one too short to hold them)
// and the Unicode-range bits (bit 0 of UnicodeRanges[0]: Basic Latin;
// HasUnicodeRanges false for a table too short). nullopt for a table too
// short to hold its version.
struct Os2CodePages {
  uint32_t Range1 = 0;
  uint32_t Range2 = 0;
  bool HasRanges = false;
  uint32_t UnicodeRanges[4] = {0, 0, 0, 0};
  bool HasUnicodeRanges = false;
};
std::optional<Os2CodePages> ParseOs2CodePages(std::span<const std::byte> os2);

// File-level helpers over installed or given faces; they throw EFontError
// ("Cannot read font file <path>", "Font file <path> is damaged") for a
// missing, oversized or damaged file.
std::string ReadFontFileBytes(const std::filesystem::path& file);
// The font program of a face: the whole file for a single font, the face
// extracted as a standalone font for a collection.
std::string FontFaceBytes(const FontFaceRef& face);
FontOutlineKind FaceOutlineKind(const FontFaceRef& face);

// The code-page bits of a face's OS/2 table and whether its only character
// map is a symbol map; a face without OS/2 gives HasRanges false.
struct FaceCodePages : Os2CodePages {
  bool SymbolCmap = false;
};
FaceCodePages ReadFaceCodePages(const FontFaceRef& face);

}  // namespace vn::platform
