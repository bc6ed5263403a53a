#include "pdfwriter/truetype_subset.h"

#include <algorithm>
#include <span>

#include "platform/fonts/sfnt_reader.h"
#include "runtime/byte_reader.h"

namespace vn::pdfwriter {
namespace {

using vn::platform::SfntTag;

// The tables a subset keeps, in the order a font's directory lists them.
constexpr uint32_t kKeptTables[] = {SfntTag("cmap"), SfntTag("cvt "), SfntTag("fpgm"), SfntTag("glyf"), SfntTag("head"),
                                    SfntTag("hhea"), SfntTag("hmtx"), SfntTag("loca"), SfntTag("maxp"), SfntTag("prep")};

constexpr size_t kMaxCmapPairs = 65536;
constexpr size_t kHeadIndexToLocFormat = 50;

// Composite glyph flags.
constexpr uint16_t kArg1And2AreWords = 0x0001;
constexpr uint16_t kWeHaveAScale = 0x0008;
constexpr uint16_t kMoreComponents = 0x0020;
constexpr uint16_t kWeHaveAnXAndYScale = 0x0040;
constexpr uint16_t kWeHaveATwoByTwo = 0x0080;

std::span<const std::byte> AsSpan(std::string_view s) { return {reinterpret_cast<const std::byte*>(s.data()), s.size()}; }

void AppendU16(std::string& out, uint32_t v) {
  out += static_cast<char>((v >> 8) & 0xFF);
  out += static_cast<char>(v & 0xFF);
}

void AppendU32(std::string& out, uint32_t v) {
  AppendU16(out, v >> 16);
  AppendU16(out, v & 0xFFFF);
}

void PadTo(std::string& out, size_t multiple) {
  while (out.size() % multiple != 0) out += '\0';
}

// A font's glyph table with its locations.
struct GlyphTable {
  vn::ByteReader glyf;
  std::vector<uint32_t> offsets;  // numGlyphs + 1 byte offsets into glyf
  bool long_format = false;

  size_t Count() const { return offsets.empty() ? 0 : offsets.size() - 1; }
  // The bytes of glyph g; empty for an empty glyph or a location that does
  // not fit the table.
  std::span<const std::byte> Glyph(uint16_t g) const {
    if (g >= Count()) return {};
    const uint32_t start = offsets[g], end = offsets[size_t{g} + 1];
    if (end <= start) return {};
    vn::ByteReader r = glyf.Sub(start, end - start);
    return r.ok() ? r.data() : std::span<const std::byte>{};
  }
};

// The glyph identifiers of a composite glyph's components.
std::vector<uint16_t> Components(std::span<const std::byte> glyph) {
  std::vector<uint16_t> out;
  vn::ByteReader r(glyph);
  const int16_t contours = r.I16BE();
  if (r.failed() || contours != -1) return out;
  r.Skip(8);  // bounding box
  uint16_t flags = 0;
  do {
    flags = r.U16BE();
    const uint16_t component = r.U16BE();
    if (r.failed()) break;
    out.push_back(component);
    size_t skip = (flags & kArg1And2AreWords) ? 4 : 2;
    if (flags & kWeHaveAScale)
      skip += 2;
    else if (flags & kWeHaveAnXAndYScale)
      skip += 4;
    else if (flags & kWeHaveATwoByTwo)
      skip += 8;
    if (!r.Skip(skip)) break;
  } while (flags & kMoreComponents);
  return out;
}

}  // namespace

std::vector<std::pair<uint16_t, uint16_t>> ReadCmapFormat4(std::string_view font) {
  std::vector<std::pair<uint16_t, uint16_t>> pairs;
  const auto dir = vn::platform::ReadSfntDirectory(AsSpan(font), 0);
  if (!dir) return pairs;
  const vn::platform::SfntTable* cmap = dir->Find(SfntTag("cmap"));
  if (!cmap) return pairs;
  const vn::ByteReader table = vn::ByteReader(font).Sub(cmap->Offset, cmap->Length);
  vn::ByteReader header = table;
  header.Skip(2);
  const uint16_t records = header.U16BE();
  std::optional<uint32_t> subtable;
  for (uint16_t i = 0; i < records && header.ok(); ++i) {
    const uint16_t platform = header.U16BE(), encoding = header.U16BE();
    const uint32_t offset = header.U32BE();
    if (header.ok() && platform == 3 && (encoding == 1 || encoding == 0)) {
      subtable = offset;
      break;
    }
  }
  if (!subtable) return pairs;
  vn::ByteReader sub = table.Sub(*subtable, table.size() >= *subtable ? table.size() - *subtable : 0);
  const uint16_t format = sub.U16BE();
  const uint16_t length = sub.U16BE();
  if (sub.failed() || format != 4) return pairs;
  sub = sub.Sub(0, std::min<size_t>(length, sub.size()));
  sub.Seek(6);
  const uint16_t seg_count = sub.U16BE() / 2;
  sub.Skip(6);
  const size_t ends_at = sub.position();
  const size_t starts_at = ends_at + size_t{seg_count} * 2 + 2;
  const size_t deltas_at = starts_at + size_t{seg_count} * 2;
  const size_t ranges_at = deltas_at + size_t{seg_count} * 2;
  if (sub.failed() || !sub.Sub(0, ranges_at + size_t{seg_count} * 2).ok()) return pairs;
  auto word = [&sub](size_t at) {
    vn::ByteReader r = sub.Sub(at, 2);
    return r.U16BE();
  };
  std::vector<bool> seen(65536, false);
  for (uint16_t s = 0; s < seg_count && pairs.size() < kMaxCmapPairs; ++s) {
    const uint16_t end = word(ends_at + size_t{s} * 2), start = word(starts_at + size_t{s} * 2);
    const uint16_t delta = word(deltas_at + size_t{s} * 2);
    const size_t range_offset_at = ranges_at + size_t{s} * 2;
    const uint16_t range_offset = word(range_offset_at);
    for (uint32_t code = start; code <= end && code != 0xFFFF && pairs.size() < kMaxCmapPairs; ++code) {
      if (seen[code]) continue;
      seen[code] = true;
      uint16_t glyph = 0;
      if (range_offset == 0) {
        glyph = static_cast<uint16_t>(code + delta);
      } else {
        // The glyph array entry range_offset bytes past this segment's own
        // range-offset word, indexed by the code's place in the segment.
        const size_t at = range_offset_at + range_offset + (code - start) * 2;
        vn::ByteReader r = sub.Sub(at, 2);
        const uint16_t raw = r.U16BE();
        if (r.ok() && raw != 0) glyph = static_cast<uint16_t>(raw + delta);
      }
      pairs.emplace_back(static_cast<uint16_t>(code), glyph);
    }
  }
  return pairs;
}

std::optional<std::string> SubsetTrueTypeFont(std::string_view font, std::set<uint16_t>& used) {
  const auto dir = vn::platform::ReadSfntDirectory(AsSpan(font), 0);
  if (!dir) return std::nullopt;
  const vn::ByteReader file(font);
  auto table = [&](const char (&tag)[5]) -> vn::ByteReader {
    const vn::platform::SfntTable* t = dir->Find(SfntTag(tag));
    if (!t) {
      vn::ByteReader none;
      none.Fail();
      return none;
    }
    return file.Sub(t->Offset, t->Length);
  };
  vn::ByteReader head = table("head"), maxp = table("maxp"), loca = table("loca");
  GlyphTable glyphs;
  glyphs.glyf = table("glyf");
  if (head.failed() || maxp.failed() || loca.failed() || glyphs.glyf.failed()) return std::nullopt;
  maxp.Seek(4);
  const uint16_t num_glyphs = maxp.U16BE();
  head.Seek(kHeadIndexToLocFormat);
  glyphs.long_format = head.I16BE() == 1;
  if (maxp.failed() || head.failed() || num_glyphs == 0) return std::nullopt;
  glyphs.offsets.resize(size_t{num_glyphs} + 1);
  for (uint32_t& offset : glyphs.offsets) offset = glyphs.long_format ? loca.U32BE() : uint32_t{loca.U16BE()} * 2;
  if (loca.failed()) return std::nullopt;

  // Components of used composites, and theirs, each glyph looked at once.
  std::vector<uint16_t> pending(used.begin(), used.end());
  while (!pending.empty()) {
    const uint16_t g = pending.back();
    pending.pop_back();
    for (uint16_t component : Components(glyphs.Glyph(g)))
      if (component < num_glyphs && used.insert(component).second) pending.push_back(component);
  }

  // The new glyph table: used glyphs keep their bytes, every other glyph is
  // empty; each glyph starts at an offset its location format can hold.
  const size_t alignment = glyphs.long_format ? 4 : 2;
  std::string new_glyf, new_loca;
  for (uint32_t g = 0; g <= num_glyphs; ++g) {
    if (glyphs.long_format)
      AppendU32(new_loca, static_cast<uint32_t>(new_glyf.size()));
    else
      AppendU16(new_loca, static_cast<uint32_t>(new_glyf.size() / 2));
    if (g == num_glyphs || !used.count(static_cast<uint16_t>(g))) continue;
    const auto bytes = glyphs.Glyph(static_cast<uint16_t>(g));
    new_glyf.append(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    PadTo(new_glyf, alignment);
  }
  if (!glyphs.long_format && new_glyf.size() / 2 > 0xFFFF) return std::nullopt;

  // The kept tables in the directory's order.
  std::vector<vn::platform::SfntTableBytes> tables;
  for (const vn::platform::SfntTable& t : dir->Tables) {
    if (std::find(std::begin(kKeptTables), std::end(kKeptTables), t.Tag) == std::end(kKeptTables)) continue;
    std::string_view bytes = font.substr(t.Offset, t.Length);
    if (t.Tag == SfntTag("glyf")) bytes = new_glyf;
    if (t.Tag == SfntTag("loca")) bytes = new_loca;
    tables.push_back({t.Tag, AsSpan(bytes)});
  }
  return vn::platform::AssembleSfnt(0x00010000, tables);
}

}  // namespace vn::pdfwriter
