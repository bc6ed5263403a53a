// BMP and DIB reading and writing.
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

#include "platform/images/image_codecs.h"
#include "platform/images/images_impl.h"
#include "runtime/numbers.h"

namespace vn::platform {

namespace {

enum : uint32_t { kBiRgb = 0, kBiRle8 = 1, kBiRle4 = 2, kBiBitfields = 3, kBiJpeg = 4, kBiPng = 5, kBiAlphaBitfields = 6 };

[[noreturn]] void Damaged(const std::string& what) { throw EImageDecodeError("BMP: " + what); }

}  // namespace

namespace images_impl {

DibHeader ReadDibHeader(ByteReader& r) {
  DibHeader h;
  h.size = r.U32LE();
  if (r.failed()) Damaged("header is cut short");
  if (h.size == 12) {
    h.core = true;
    h.width = r.U16LE();
    h.height = r.I16LE();
    r.U16LE();  // planes
    h.bpp = r.U16LE();
  } else if (h.size >= 16 && h.size <= 124) {
    // OS/2 2.x headers of 16 to 64 bytes are the 40-byte layout cut short or
    // extended; fields past the header's own size stay zero.
    ByteReader f = r.Sub(r.position(), h.size - 4);
    if (f.failed()) Damaged("header is cut short");
    h.width = f.I32LE();
    h.height = f.I32LE();
    f.U16LE();  // planes
    h.bpp = f.U16LE();
    ByteReader rest = f.Rest();
    auto get32 = [&rest]() { return rest.remaining() >= 4 ? rest.U32LE() : 0u; };
    h.compression = get32();
    h.size_image = get32();
    h.ppm_x = static_cast<int32_t>(get32());
    h.ppm_y = static_cast<int32_t>(get32());
    h.colors_used = get32();
    get32();  // colours important
    if (h.size >= 52) {
      for (int i = 0; i < 3; ++i) h.masks[i] = get32();
    }
    if (h.size >= 56) {
      h.masks[3] = get32();
      h.has_alpha_mask = true;
    }
    if (h.size > 64 && h.size < 108) Damaged("header size " + std::to_string(h.size) + " is not valid");
    if (h.size < 40 && h.compression == 3 && h.bpp == 1) Damaged("OS/2 Huffman compression is not supported");
    if (h.size < 40 && h.compression == 4 && h.bpp == 24) Damaged("OS/2 RLE24 compression is not supported");
    r.Skip(h.size - 4);
  } else {
    Damaged("header size " + std::to_string(h.size) + " is not valid");
  }
  if ((h.compression == kBiBitfields || h.compression == kBiAlphaBitfields) && h.size == 40) {
    int count = h.compression == kBiAlphaBitfields ? 4 : 3;
    for (int i = 0; i < count; ++i) h.masks[i] = r.U32LE();
    h.has_alpha_mask = count == 4;
    if (r.failed()) Damaged("bit-field masks are cut short");
  }
  return h;
}

}  // namespace images_impl

namespace {

// One channel described by a bit mask, scaled to 8 bits.
struct Channel {
  uint32_t mask = 0;
  int shift = 0;
  int bits = 0;
  explicit Channel(uint32_t m) : mask(m) {
    if (!m) return;
    shift = std::countr_zero(m);
    bits = std::popcount(m);
  }
  uint8_t Get(uint32_t px) const {
    if (!mask) return 0;
    uint32_t v = (px & mask) >> shift;
    if (bits >= 8) return static_cast<uint8_t>(v >> (bits - 8));
    uint32_t top = (1u << bits) - 1;
    return static_cast<uint8_t>((std::min(v, top) * 255 + top / 2) / top);
  }
};

double PpmToDpi(int32_t ppm) { return ppm > 0 ? ppm * 0.0254 : 96; }

// Run-length data of RLE8 and RLE4 into an 8-bit bitmap. Rows run from the
// bottom unless top_down. Damage ends decoding; what was drawn is kept.
// False when the data end before the picture does.
bool DecodeRle(ByteReader r, bool rle4, bool top_down, Bitmap& out) {
  const int w = out.Width(), h = out.Height();
  int x = 0, y = 0;  // y counts rows from the first stored row
  auto put = [&](uint8_t index) {
    if (x < w && y < h) out.MutableRow(top_down ? y : h - 1 - y)[x] = index;
    ++x;
  };
  while (r.ok() && y < h) {
    uint8_t count = r.U8();
    uint8_t value = r.U8();
    if (r.failed()) break;
    if (count > 0) {
      for (int i = 0; i < count && x < w; ++i) put(rle4 ? ((i & 1) ? value & 15 : value >> 4) : value);
      continue;
    }
    if (value == 0) {  // end of line
      x = 0;
      ++y;
    } else if (value == 1) {  // end of bitmap
      break;
    } else if (value == 2) {  // delta
      x += r.U8();
      y += r.U8();
    } else {  // absolute run of `value` pixels, padded to a word
      size_t bytes = rle4 ? (value + 1u) / 2 : value;
      auto run = r.Bytes(bytes);
      if (r.failed()) break;
      for (int i = 0; i < value && x < w; ++i) {
        uint8_t b = static_cast<uint8_t>(run[rle4 ? i / 2 : i]);
        put(rle4 ? ((i & 1) ? b & 15 : b >> 4) : b);
      }
      if (bytes & 1) r.Skip(1);
    }
  }
  return r.ok();
}

}  // namespace

namespace images_impl {

bool PeekDibSize(ByteReader dib, EntrySize& out) {
  uint32_t size = dib.U32LE();
  if (size == 12) {
    out.Width = dib.U16LE();
    out.Height = dib.I16LE() / 2;
    dib.U16LE();
    out.Bits = dib.U16LE();
  } else {
    out.Width = dib.I32LE();
    out.Height = dib.I32LE() / 2;
    dib.U16LE();
    out.Bits = dib.U16LE();
  }
  return dib.ok();
}

Bitmap DecodeDib(ByteReader dib, const DibLayout& layout, const DecodeLimits& limits) {
  ByteReader r = dib;
  const DibHeader h = ReadDibHeader(r);
  const size_t bits_offset = layout.bits_offset;
  const bool icon = layout.icon;
  bool top_down = h.height < 0;
  int64_t height = top_down ? -h.height : h.height;
  if (icon) height /= 2;
  const int64_t width = h.width;

  if (h.compression == kBiJpeg || h.compression == kBiPng) {
    // The bits are a whole JPEG or PNG file.
    ByteReader data = layout.bits ? *layout.bits
                      : bits_offset ? dib.Sub(bits_offset, dib.size() - std::min(bits_offset, dib.size()))
                                    : r.Rest();
    if (h.size_image && h.size_image < data.size()) data = data.Sub(0, h.size_image);
    if (data.failed() || data.size() == 0) Damaged("embedded picture is missing");
    Bitmap b = h.compression == kBiJpeg ? DecodeJpeg(data.data(), limits) : DecodePng(data.data(), limits);
    return b;
  }

  CheckImageSize("BMP", width, height, limits);
  const uint32_t bpp = h.bpp;
  bool rle = h.compression == kBiRle8 || h.compression == kBiRle4;
  if (h.compression == kBiRle8 && bpp != 8) Damaged("RLE8 needs 8 bits per pixel");
  if (h.compression == kBiRle4 && bpp != 4) Damaged("RLE4 needs 4 bits per pixel");
  if ((h.compression == kBiBitfields || h.compression == kBiAlphaBitfields) && bpp != 16 && bpp != 32)
    Damaged("bit fields need 16 or 32 bits per pixel");
  if (h.compression > kBiAlphaBitfields) Damaged("compression " + std::to_string(h.compression) + " is not supported");
  if (bpp != 1 && bpp != 2 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32)
    Damaged(std::to_string(bpp) + " bits per pixel is not supported");

  // Colour table.
  std::vector<BGRA> palette;
  if (bpp <= 8) {
    size_t full = size_t{1} << bpp;
    size_t count = h.colors_used ? std::min<size_t>(h.colors_used, full) : full;
    size_t entry = h.core ? 3 : 4;
    for (size_t i = 0; i < count; ++i) {
      if (!r.Has(entry)) {  // a short table: the rest stays black
        ReportTo(limits.Report, {.offset = r.position(), .message = "BMP: colour table is cut short"});
        break;
      }
      BGRA c;
      c.B = r.U8();
      c.G = r.U8();
      c.R = r.U8();
      if (entry == 4) r.U8();
      palette.push_back(c);
    }
    if (palette.empty()) {
      if (!layout.lenient) Damaged("colour table is missing");
      ReportTo(limits.Report, {.message = "BMP: colour table is missing; its colours are black"});
    }
    palette.resize(full, BGRA{0, 0, 0, 255});
    // A colour table longer than the bit depth allows is skipped.
    if (h.colors_used > full && !bits_offset) r.Skip(std::min<size_t>(r.remaining(), (h.colors_used - full) * entry));
  }
  size_t start = bits_offset ? bits_offset : r.position();
  if (!layout.bits && start > dib.size()) Damaged("pixel data offset lies past the end of the file");
  ByteReader bits = layout.bits ? *layout.bits : dib.Sub(start, dib.size() - start);
  if (layout.bits) start = 0;
  // Little data never stand for a huge picture in a metafile.
  if (layout.lenient && width * height > static_cast<int64_t>(bits.size()) * 256 + 65536)
    Damaged("image of " + std::to_string(width) + " x " + std::to_string(height) + " pixels is far larger than its data");

  const int w = static_cast<int>(width), hh = static_cast<int>(height);
  PixelFormat format = bpp == 1 ? PixelFormat::pf1bit
                       : bpp <= 8 ? PixelFormat::pf8bit
                       : bpp == 32 ? PixelFormat::pf32bit
                                   : PixelFormat::pf24bit;
  if (icon) format = PixelFormat::pf32bit;
  // Uncompressed pixels are checked against the data before the bitmap is
  // made: a header alone must not cost the memory of the picture it names.
  size_t row_bytes = 0;
  int stored_rows = hh;  // rows the data hold, from the first stored one
  if (!rle) {
    auto stride = CheckedMul(static_cast<size_t>(w), bpp);
    if (!stride) Damaged("row size overflows");
    row_bytes = (*stride + 31) / 32 * 4;
    size_t used_bytes = (*stride + 7) / 8;
    // The last row may lack its padding.
    auto body = CheckedMul(row_bytes, static_cast<size_t>(hh - 1));
    auto needed = body ? CheckedAdd(*body, used_bytes) : std::nullopt;
    if (!needed || bits.size() < *needed) {
      if (!layout.lenient) Damaged("pixel data are cut short");
      stored_rows = static_cast<int>(bits.size() / row_bytes);
      ReportTo(limits.Report, {.offset = start, .message = "BMP: pixel data are cut short after " +
                                                           std::to_string(stored_rows) + " rows; the rest is white"});
    }
  }
  Bitmap out(w, hh, format);
  out.SetResolution(PpmToDpi(h.ppm_x), PpmToDpi(h.ppm_y));

  if (rle) {
    if (top_down) Damaged("run-length data cannot be stored top-down");
    out.SetPalette(palette);
    if (!DecodeRle(bits, h.compression == kBiRle4, false, out))
      ReportTo(limits.Report, {.offset = start, .message = "BMP: run-length data end early"});
    return out;
  }

  Channel red(0), green(0), blue(0), alpha(0);
  const bool masked = bpp == 16 || bpp == 32;
  const bool fields = h.compression == kBiBitfields || h.compression == kBiAlphaBitfields;
  // The fourth byte is alpha even where every pixel leaves it 0.
  const bool alpha_in_rgb = layout.alpha_in_rgb && bpp == 32 && !fields;
  if (masked) {
    if (!fields) {
      red = Channel(bpp == 16 ? 0x7C00 : 0xFF0000);
      green = Channel(bpp == 16 ? 0x03E0 : 0x00FF00);
      blue = Channel(bpp == 16 ? 0x001F : 0x0000FF);
      if (icon || alpha_in_rgb) alpha = Channel(0xFF000000);
    } else {
      red = Channel(h.masks[0]);
      green = Channel(h.masks[1]);
      blue = Channel(h.masks[2]);
      if (h.has_alpha_mask) alpha = Channel(h.masks[3]);
    }
  }
  if (format == PixelFormat::pf1bit || format == PixelFormat::pf8bit) out.SetPalette(palette);

  bool any_alpha = false;
  auto data = bits.data();
  for (int y = 0; y < hh; ++y) {
    const int stored = top_down ? y : hh - 1 - y;
    if (stored >= stored_rows) continue;
    const uint8_t* src = reinterpret_cast<const uint8_t*>(data.data()) + row_bytes * static_cast<size_t>(stored);
    auto dst = out.MutableRow(y);
    for (int x = 0; x < w; ++x) {
      BGRA c;
      if (bpp <= 8) {
        unsigned index = bpp == 8 ? src[x] : (src[x * bpp / 8] >> (8 - bpp - (x * bpp) % 8)) & ((1u << bpp) - 1);
        if (format == PixelFormat::pf1bit) {
          if (index) dst[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
          continue;
        }
        if (format == PixelFormat::pf8bit) {
          dst[x] = static_cast<uint8_t>(index);
          continue;
        }
        c = palette[index];
      } else if (bpp == 24) {
        c = BGRA{src[x * 3], src[x * 3 + 1], src[x * 3 + 2], 255};
      } else {
        uint32_t px = bpp == 16 ? static_cast<uint32_t>(src[x * 2] | src[x * 2 + 1] << 8)
                                : static_cast<uint32_t>(src[x * 4] | src[x * 4 + 1] << 8 | src[x * 4 + 2] << 16 |
                                                        static_cast<uint32_t>(src[x * 4 + 3]) << 24);
        c = BGRA{blue.Get(px), green.Get(px), red.Get(px), alpha.mask ? alpha.Get(px) : uint8_t{255}};
        if (alpha.mask && c.A) any_alpha = true;
      }
      if (format == PixelFormat::pf24bit) {
        dst[x * 3] = c.B;
        dst[x * 3 + 1] = c.G;
        dst[x * 3 + 2] = c.R;
      } else {
        dst[x * 4] = c.B;
        dst[x * 4 + 1] = c.G;
        dst[x * 4 + 2] = c.R;
        dst[x * 4 + 3] = c.A;
      }
    }
  }
  if (format == PixelFormat::pf32bit) {
    // An alpha channel that is zero everywhere is unused, not a blank picture.
    bool use_alpha = alpha.mask != 0 && (any_alpha || alpha_in_rgb);
    if (!use_alpha)
      for (int y = 0; y < hh; ++y) {
        auto row = out.MutableRow(y);
        for (int x = 0; x < w; ++x) row[x * 4 + 3] = 255;
      }
    out.SetHasAlpha(use_alpha);
  }
  if (stored_rows < hh) {
    // The rows the data do not hold are white.
    if (format != PixelFormat::pf32bit) out = out.ConvertTo(PixelFormat::pf32bit);
    for (int y = 0; y < hh; ++y) {
      const int stored = top_down ? y : hh - 1 - y;
      if (stored >= stored_rows) std::fill_n(out.MutableRow(y).data(), size_t(w) * 4, uint8_t{0xFF});
    }
  }

  if (icon) {
    // The AND mask: 1 bit per pixel, bottom-up, 1 = transparent. Icons with
    // real alpha keep it; others take transparency from the mask. A mask cut
    // short leaves the remaining rows opaque.
    out.SetHasAlpha(true);
    if (!any_alpha || bpp < 32) {
      size_t mask_row = (static_cast<size_t>(w) + 31) / 32 * 4;
      ByteReader mask = bits.Sub(row_bytes * static_cast<size_t>(hh), bits.size() - std::min(bits.size(), row_bytes * static_cast<size_t>(hh)));
      bool mask_short = false;
      for (int y = 0; y < hh; ++y) {
        ByteReader line = mask.Sub(mask_row * static_cast<size_t>(top_down ? y : hh - 1 - y), mask_row);
        if (line.failed()) {
          mask_short = true;
          continue;
        }
        auto row = out.MutableRow(y);
        for (int x = 0; x < w; ++x)
          if ((line.PeekU8(x >> 3) >> (7 - (x & 7))) & 1) row[x * 4 + 3] = 0;
      }
      if (mask_short) ReportTo(limits.Report, {.message = "ICO: the AND mask is cut short"});
    }
  }
  return out;
}

}  // namespace images_impl

Bitmap DecodeDib(std::span<const std::byte> data, const DecodeLimits& limits) {
  return images_impl::DecodeDib(ByteReader(data), {}, limits);
}

Bitmap DecodeBmp(std::span<const std::byte> data, const DecodeLimits& limits) {
  ByteReader r(data);
  if (r.U8() != 'B' || r.U8() != 'M') Damaged("signature \"BM\" is missing");
  r.U32LE();  // file size, often wrong
  r.U32LE();  // reserved
  uint32_t offset = r.U32LE();
  if (r.failed()) Damaged("file header is cut short");
  ByteReader dib = r.Rest();
  // An offset inside the headers or past the end is ignored: the pixels then
  // follow the colour table.
  size_t bits_offset = offset >= 14 + 12 && offset - 14u < dib.size() ? offset - 14u : 0;
  return images_impl::DecodeDib(dib, {.bits_offset = bits_offset}, limits);
}

std::string EncodeBmp(const Bitmap& bitmap) {
  if (bitmap.Empty()) throw EImageEncodeError("BMP: the bitmap is empty");
  const int bpp = bitmap.BitsPerPixel();
  const int w = bitmap.Width(), h = bitmap.Height();
  size_t colors = bpp <= 8 ? (size_t{1} << bpp) : 0;
  size_t row_bytes = (static_cast<size_t>(w) * bpp + 31) / 32 * 4;
  size_t image = row_bytes * h;
  // 32 bits with alpha need the alpha mask of a version 4 header.
  const bool alpha = bitmap.Format() == PixelFormat::pf32bit && bitmap.HasAlpha();
  const uint32_t header = alpha ? 108 : 40;
  size_t offset = 14 + header + colors * 4;
  if (offset + image > 0xFFFFFFFFu) throw EImageEncodeError("BMP: the bitmap is too large");
  std::string out;
  out.reserve(offset + image);
  auto u16 = [&](uint32_t v) {
    out.push_back(static_cast<char>(v & 0xFF));
    out.push_back(static_cast<char>((v >> 8) & 0xFF));
  };
  auto u32 = [&](uint32_t v) {
    u16(v & 0xFFFF);
    u16(v >> 16);
  };
  out += "BM";
  u32(static_cast<uint32_t>(offset + image));
  u32(0);
  u32(static_cast<uint32_t>(offset));
  u32(header);
  u32(static_cast<uint32_t>(w));
  u32(static_cast<uint32_t>(h));
  u16(1);
  u16(static_cast<uint32_t>(bpp));
  u32(alpha ? kBiBitfields : kBiRgb);
  u32(static_cast<uint32_t>(image));
  u32(static_cast<uint32_t>(std::lround(bitmap.DpiX() / 0.0254)));
  u32(static_cast<uint32_t>(std::lround(bitmap.DpiY() / 0.0254)));
  u32(static_cast<uint32_t>(colors));
  u32(0);
  if (alpha) {
    u32(0x00FF0000);
    u32(0x0000FF00);
    u32(0x000000FF);
    u32(0xFF000000);
    u32(0x73524742);  // colour space "sRGB"
    out.append(36 + 12, '\0');  // end points and gamma, unused for sRGB
  }
  for (size_t i = 0; i < colors; ++i) {
    BGRA c = i < bitmap.Palette().size() ? bitmap.Palette()[i] : BGRA{};
    out.push_back(static_cast<char>(c.B));
    out.push_back(static_cast<char>(c.G));
    out.push_back(static_cast<char>(c.R));
    out.push_back(0);
  }
  std::string row(row_bytes, '\0');
  for (int y = h - 1; y >= 0; --y) {
    auto src = bitmap.Row(y);
    std::memcpy(row.data(), src.data(), src.size());
    if (bitmap.Format() == PixelFormat::pf32bit && !bitmap.HasAlpha())
      for (int x = 0; x < w; ++x) row[x * 4 + 3] = static_cast<char>(0xFF);
    out += row;
  }
  return out;
}

}  // namespace vn::platform
