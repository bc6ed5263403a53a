// ICO and CUR reading: the directory, then the largest entry as DIB or PNG.
#include "platform/images/image_codecs.h"
#include "platform/images/images_impl.h"

namespace vn::platform {

namespace {

[[noreturn]] void IconDamaged(const std::string& what) { throw EImageDecodeError("ICO: " + what); }

bool IsPng(ByteReader r) {
  static const uint8_t kSig[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  for (size_t i = 0; i < 8; ++i)
    if (r.size() <= i || r.PeekU8(i) != kSig[i]) return false;
  return true;
}

// The size of a PNG entry from its IHDR chunk.
bool PeekPngSize(ByteReader r, images_impl::EntrySize& out) {
  r.Skip(16);
  out.Width = r.U32BE();
  out.Height = r.U32BE();
  uint8_t depth = r.U8();
  uint8_t type = r.U8();
  static const int kChannels[7] = {1, 0, 3, 1, 2, 0, 4};
  out.Bits = depth * (type < 7 ? kChannels[type] : 0);
  return r.ok() && out.Width <= INT32_MAX && out.Height <= INT32_MAX;
}

}  // namespace

Bitmap DecodeIcon(std::span<const std::byte> data, const DecodeLimits& limits) {
  ByteReader r(data);
  uint16_t reserved = r.U16LE();
  uint16_t type = r.U16LE();
  uint16_t count = r.U16LE();
  if (r.failed() || reserved != 0 || (type != 1 && type != 2)) IconDamaged("not an icon or cursor file");
  if (count == 0) IconDamaged("the file holds no image");

  // Pick the entry with the most pixels, then the most bits, judged by the
  // entry's own header (directory sizes and bit counts are often wrong, and
  // a cursor's directory holds its hot spot in their place).
  ByteReader best;
  images_impl::EntrySize best_size;
  bool found = false;
  for (uint16_t i = 0; i < count; ++i) {
    ByteReader e = r.Sub(6 + static_cast<size_t>(i) * 16, 16);
    if (e.failed()) IconDamaged("directory is cut short");
    e.Skip(12);  // sizes, colours, hot spot or planes and bits, byte count (often wrong)
    uint32_t offset = e.U32LE();
    // The entry runs from its offset to the end of the file: its own header
    // says how much of that it uses.
    if (offset >= r.size()) continue;
    ByteReader entry = r.Sub(offset, r.size() - offset);
    images_impl::EntrySize size;
    bool ok = IsPng(entry) ? PeekPngSize(entry, size) : images_impl::PeekDibSize(entry, size);
    if (!ok || size.Width <= 0 || size.Height <= 0) continue;
    if (!found || size.Width * size.Height > best_size.Width * best_size.Height ||
        (size.Width * size.Height == best_size.Width * best_size.Height && size.Bits > best_size.Bits)) {
      best = entry;
      best_size = size;
      found = true;
    }
  }
  if (!found) IconDamaged("no entry holds a readable image");
  if (IsPng(best)) {
    Bitmap b = DecodePng(best.data(), limits);
    return b.Format() == PixelFormat::pf32bit ? b : b.ConvertTo(PixelFormat::pf32bit);
  }
  return images_impl::DecodeDib(best, {.icon = true}, limits);
}

}  // namespace vn::platform
