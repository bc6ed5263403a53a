#include "platform/emf/dib.h"

#include <algorithm>
#include <cstring>

#include "platform/images/image_codecs.h"
#include "runtime/byte_reader.h"
#include "runtime/numbers.h"

namespace vn::platform {

using namespace emf;

PixelBuffer::PixelBuffer(int32_t w, int32_t h, uint32_t fill) : width(w), height(h) {
  bgra.resize(size_t(w) * size_t(h) * 4);
  for (size_t i = 0; i < bgra.size(); i += 4) {
    bgra[i] = uint8_t(fill), bgra[i + 1] = uint8_t(fill >> 8), bgra[i + 2] = uint8_t(fill >> 16),
    bgra[i + 3] = uint8_t(fill >> 24);
  }
}

uint32_t PixelBuffer::Pixel(int32_t x, int32_t y) const {
  const uint8_t* p = Row(y) + size_t(x) * 4;
  return uint32_t(p[3]) << 24 | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
}

void PixelBuffer::SetPixel(int32_t x, int32_t y, uint32_t argb) {
  uint8_t* p = Row(y) + size_t(x) * 4;
  p[0] = uint8_t(argb), p[1] = uint8_t(argb >> 8), p[2] = uint8_t(argb >> 16), p[3] = uint8_t(argb >> 24);
}

std::optional<DibInfo> ReadDibInfo(const std::string& info) {
  ByteReader r(info);
  uint32_t size = r.U32LE();
  DibInfo d;
  if (size == 12) {  // BITMAPCOREHEADER
    d.width = r.U16LE();
    d.height = r.U16LE();
    r.U16LE();
    d.bitCount = r.U16LE();
  } else if (size >= 40) {
    d.width = r.I32LE();
    d.height = r.I32LE();
    r.U16LE();
    d.bitCount = r.U16LE();
    d.compression = r.U32LE();
    r.Skip(12);  // image size, resolution
    d.colorsUsed = r.U32LE();
  } else {
    return std::nullopt;
  }
  if (r.failed() || d.width <= 0 || d.height == 0 || d.height == INT32_MIN) return std::nullopt;
  if (int64_t(d.width) * std::abs(int64_t(d.height)) > kMaxDibPixels) return std::nullopt;
  return d;
}

namespace {

struct Masks {
  uint32_t mask[3] = {0, 0, 0};
  int shift[3] = {0, 0, 0};
  int bits[3] = {0, 0, 0};
};

Masks MakeMasks(uint32_t r, uint32_t g, uint32_t b) {
  Masks m;
  uint32_t in[3] = {r, g, b};
  for (int i = 0; i < 3; ++i) {
    m.mask[i] = in[i];
    if (!in[i]) continue;
    m.shift[i] = __builtin_ctz(in[i]);
    m.bits[i] = __builtin_popcount(in[i] >> m.shift[i]);
  }
  return m;
}

uint8_t Channel(uint32_t v, const Masks& m, int i) {
  if (!m.mask[i]) return 0;
  uint32_t c = (v & m.mask[i]) >> m.shift[i];
  int bits = std::min(m.bits[i], 16);
  uint32_t max = (1u << bits) - 1;
  return uint8_t(max ? (c * 255 + max / 2) / max : 0);
}

// Expands RLE8/RLE4 data into one palette index per pixel, bottom-up rows;
// runs that leave the bitmap are cut.
bool DecodeRle(ByteReader r, bool rle4, int32_t w, int32_t h, std::vector<uint8_t>& idx) {
  idx.assign(size_t(w) * size_t(h), 0);
  int32_t x = 0, y = 0;
  auto put = [&](uint8_t v) {
    if (x < w && y < h) idx[size_t(y) * w + x] = v;
    ++x;
  };
  while (r.ok() && !r.AtEnd() && y < h) {
    uint8_t n = r.U8(), v = r.U8();
    if (r.failed()) break;
    if (n > 0) {
      for (int i = 0; i < n; ++i) put(rle4 ? ((i & 1) ? (v & 15) : (v >> 4)) : v);
    } else if (v == 0) {
      x = 0, ++y;
    } else if (v == 1) {
      return true;
    } else if (v == 2) {
      x += r.U8();
      y += r.U8();
    } else {
      size_t bytes = rle4 ? (v + 1) / 2 : v;
      auto data = r.Bytes(bytes);
      if (r.failed()) break;
      for (int i = 0; i < v; ++i) {
        uint8_t b = uint8_t(data[rle4 ? i / 2 : i]);
        put(rle4 ? ((i & 1) ? (b & 15) : (b >> 4)) : b);
      }
      if (bytes & 1) r.Skip(1);
    }
  }
  return true;  // damaged data keeps what decoded
}

}  // namespace

std::optional<PixelBuffer> DecodeDib(const DibData& dib, bool keepAlpha) {
  auto info = ReadDibInfo(dib.info);
  if (!info) return std::nullopt;
  if (info->compression == BI_JPEG) return DecodeJpegBits(dib.bits);
  const int32_t w = info->width;
  const bool topDown = info->height < 0;
  const int32_t h = topDown ? -info->height : info->height;
  const uint16_t bpp = info->bitCount;
  ByteReader hdr(dib.info);
  const uint32_t headerSize = hdr.U32LE();
  const bool core = headerSize == 12;

  // Colour table or masks after the header.
  std::vector<uint32_t> palette;
  Masks masks;
  ByteReader extra = hdr.Sub(headerSize, dib.info.size() - std::min<size_t>(headerSize, dib.info.size()));
  if (info->compression == BI_BITFIELDS) {
    if (bpp != 16 && bpp != 32) return std::nullopt;
    // Masks follow a 40-byte header, or sit inside a V4/V5 header.
    ByteReader m = headerSize >= 52 ? hdr.Sub(40, 12) : extra;
    uint32_t rm = m.U32LE(), gm = m.U32LE(), bm = m.U32LE();
    if (m.failed()) return std::nullopt;
    masks = MakeMasks(rm, gm, bm);
  } else if (bpp == 16) {
    masks = MakeMasks(0x7C00, 0x03E0, 0x001F);
  } else if (bpp == 24 || bpp == 32) {
    masks = MakeMasks(0xFF0000, 0xFF00, 0xFF);
  }
  if (bpp <= 8) {
    if (bpp != 1 && bpp != 4 && bpp != 8) return std::nullopt;
    // The table holds at most one entry per index, whatever the header says.
    size_t n = std::min<size_t>(info->colorsUsed ? info->colorsUsed : 256, size_t{1} << bpp);
    const size_t entry = core ? 3 : 4;
    n = std::min(n, extra.size() / entry);
    palette.resize(size_t{1} << bpp, 0xFF000000);
    for (size_t i = 0; i < n; ++i) {
      uint32_t b = extra.U8(), g = extra.U8(), rr = extra.U8();
      if (!core) extra.U8();
      palette[i] = 0xFF000000 | rr << 16 | g << 8 | b;
    }
  } else if (bpp != 16 && bpp != 24 && bpp != 32) {
    return std::nullopt;
  }

  // Little data never stands for a huge picture: the work stays in
  // proportion to the input.
  const int64_t pixels = int64_t(w) * h;
  if (pixels > int64_t(dib.bits.size()) * 256 + 65536) return std::nullopt;
  PixelBuffer out(w, h, 0xFFFFFFFF);
  ByteReader bits(dib.bits);
  if (info->compression == BI_RLE8 || info->compression == BI_RLE4) {
    if (bpp != (info->compression == BI_RLE8 ? 8 : 4) || topDown) return std::nullopt;
    std::vector<uint8_t> idx;
    DecodeRle(bits, info->compression == BI_RLE4, w, h, idx);
    for (int32_t y = 0; y < h; ++y)
      for (int32_t x = 0; x < w; ++x) out.SetPixel(x, h - 1 - y, palette[idx[size_t(y) * w + x]]);
    return out;
  }
  if (info->compression != BI_RGB && info->compression != BI_BITFIELDS) return std::nullopt;
  auto rowBits = CheckedMul(size_t(w), bpp);
  if (!rowBits) return std::nullopt;
  const size_t stride = (*rowBits + 31) / 32 * 4;
  // Short bit data: the rows that are there are drawn, the rest stays white.
  const int32_t rows = int32_t(std::min<size_t>(size_t(h), bits.size() / stride));
  for (int32_t row = 0; row < rows; ++row) {
    ByteReader line = bits.Sub(size_t(row) * stride, stride);
    const int32_t y = topDown ? row : h - 1 - row;
    uint8_t* dst = out.Row(y);
    for (int32_t x = 0; x < w; ++x) {
      uint32_t argb;
      if (bpp <= 8) {
        size_t bitPos = size_t(x) * bpp;
        uint8_t byte = line.PeekU8(bitPos / 8);
        uint32_t v = (byte >> (8 - bpp - bitPos % 8)) & ((1u << bpp) - 1);
        argb = palette[v];
      } else {
        uint32_t v;
        if (bpp == 16) {
          v = line.U16LE();
        } else if (bpp == 24) {
          v = line.U8() | uint32_t(line.U8()) << 8 | uint32_t(line.U8()) << 16;
        } else {
          v = line.U32LE();
        }
        uint32_t a = (bpp == 32 && keepAlpha && info->compression == BI_RGB) ? v >> 24 : 255;
        argb = a << 24 | uint32_t(Channel(v, masks, 0)) << 16 | uint32_t(Channel(v, masks, 1)) << 8 |
               Channel(v, masks, 2);
      }
      dst[x * 4] = uint8_t(argb), dst[x * 4 + 1] = uint8_t(argb >> 8), dst[x * 4 + 2] = uint8_t(argb >> 16),
              dst[x * 4 + 3] = uint8_t(argb >> 24);
    }
  }
  return out;
}

DibData EncodeDib24(const PixelBuffer& px) {
  DibData d;
  RecordBuilder h;
  h.U32(40);
  h.I32(px.width);
  h.I32(px.height);  // bottom-up
  h.U16(1);
  h.U16(24);
  h.U32(BI_RGB);
  const size_t stride = (size_t(px.width) * 3 + 3) / 4 * 4;
  h.U32(static_cast<uint32_t>(stride * px.height));
  h.I32(3780), h.I32(3780);  // 96 dpi in pixels per metre
  h.U32(0), h.U32(0);
  d.info = h.bytes();
  d.bits.assign(stride * px.height, '\0');
  for (int32_t y = 0; y < px.height; ++y) {
    const uint8_t* src = px.Row(y);
    char* dst = d.bits.data() + size_t(px.height - 1 - y) * stride;
    for (int32_t x = 0; x < px.width; ++x) {
      const uint32_t a = src[x * 4 + 3];
      for (int c = 0; c < 3; ++c) {
        // A page is white: composite onto white.
        uint32_t v = (src[x * 4 + c] * a + 255 * (255 - a) + 127) / 255;
        dst[x * 3 + c] = char(v);
      }
    }
  }
  return d;
}

DibData MakeJpegDib(std::string jpeg, int32_t width, int32_t height) {
  DibData d;
  RecordBuilder h;
  h.U32(40);
  h.I32(width);
  h.I32(-height);  // a JPEG runs top-down
  h.U16(1);
  h.U16(0);
  h.U32(BI_JPEG);
  h.U32(static_cast<uint32_t>(jpeg.size()));
  h.I32(3780), h.I32(3780);
  h.U32(0), h.U32(0);
  d.info = h.bytes();
  d.bits = std::move(jpeg);
  return d;
}

std::optional<JpegInfo> ReadJpegBitsInfo(const std::string& jpeg) {
  const auto data = std::as_bytes(std::span<const char>(jpeg.data(), jpeg.size()));
  if (DetectImageFormat(data) != ImageFormat::Jpeg) return std::nullopt;
  try {
    // A few bytes never stand for a huge picture (a damaged header would
    // otherwise cost a full decode of grey).
    const JpegInfo info = ReadJpegInfo(data);
    const int64_t pixels = int64_t(info.Width) * info.Height;
    if (pixels > int64_t(jpeg.size()) * 2048 + (1 << 22)) return std::nullopt;
    return info;
  } catch (const EImageDecodeError&) {
    return std::nullopt;
  }
}

std::optional<PixelBuffer> DecodeJpegBits(const std::string& jpeg) {
  // The image codecs' decoder, with its guards against endless progressive
  // scans and its memory ceiling; here under the bitmap cap of records.
  if (!ReadJpegBitsInfo(jpeg)) return std::nullopt;
  const auto data = std::as_bytes(std::span<const char>(jpeg.data(), jpeg.size()));
  try {
    DecodeLimits limits;
    limits.MaxPixels = kMaxDibPixels;
    const Bitmap decoded = DecodeJpeg(data, limits).ConvertTo(PixelFormat::pf32bit);
    PixelBuffer out(decoded.Width(), decoded.Height());
    for (int32_t y = 0; y < out.height; ++y) {
      const auto row = decoded.Row(y);
      std::copy(row.begin(), row.end(), out.Row(y));
    }
    return out;
  } catch (const EImageDecodeError&) {
    return std::nullopt;
  }
}

}  // namespace vn::platform
