#include "platform/emf/dib.h"

#include <algorithm>
#include <cstdlib>

#include "platform/images/image_codecs.h"
#include "platform/images/images_impl.h"

namespace vn::platform {

namespace {

constexpr uint32_t kBiRgb = 0, kBiJpeg = 4;

void Put16(std::string& s, uint32_t v) { s += char(v & 0xFF), s += char((v >> 8) & 0xFF); }
void Put32(std::string& s, uint32_t v) { Put16(s, v & 0xFFFF), Put16(s, v >> 16); }

// A 40-byte information header at 96 dpi (3780 pixels per metre).
std::string InfoHeader(int32_t width, int32_t height, uint16_t bitCount, uint32_t compression, uint32_t imageSize) {
  std::string h;
  Put32(h, 40);
  Put32(h, uint32_t(width));
  Put32(h, uint32_t(height));
  Put16(h, 1);
  Put16(h, bitCount);
  Put32(h, compression);
  Put32(h, imageSize);
  Put32(h, 3780), Put32(h, 3780);
  Put32(h, 0), Put32(h, 0);
  return h;
}

}  // namespace

std::optional<DibInfo> ReadDibInfo(const std::string& info) {
  ByteReader r(info);
  try {
    const images_impl::DibHeader h = images_impl::ReadDibHeader(r);
    const int64_t height = std::abs(h.height);
    if (h.width <= 0 || height == 0 || h.width > INT32_MAX || height > INT32_MAX ||
        uint64_t(h.width) * uint64_t(height) > kMaxImagePixels)
      return std::nullopt;
    return DibInfo{int32_t(h.width), int32_t(h.height), uint16_t(h.bpp), h.compression, h.colors_used};
  } catch (const EImageDecodeError&) {
    return std::nullopt;
  }
}

std::optional<Bitmap> DecodeDib(const DibData& dib, bool keepAlpha, Diagnostics* diagnostics) {
  const auto info = ReadDibInfo(dib.info);
  if (info && info->compression == kBiJpeg) {
    auto decoded = DecodeJpegBits(dib.bits);
    if (!decoded) ReportTo(diagnostics, {.message = "JPEG data of a bitmap do not decode"});
    return decoded;
  }
  try {
    images_impl::DibLayout layout;
    layout.bits = ByteReader(dib.bits);
    layout.lenient = true;
    layout.alpha_in_rgb = keepAlpha;
    return images_impl::DecodeDib(ByteReader(dib.info), layout, {.Report = diagnostics});
  } catch (const EImageDecodeError& e) {
    ReportTo(diagnostics, {.message = e.what()});
    return std::nullopt;
  }
}

DibData EncodeDib24(const Bitmap& pixels) {
  DibData d;
  // 24- and 32-bit pixels go straight into the rows of the DIB; other
  // formats are converted first. Alpha goes onto white: a page is white.
  const bool direct = pixels.Format() == PixelFormat::pf24bit || pixels.Format() == PixelFormat::pf32bit;
  Bitmap converted;
  if (!direct) converted = pixels.ConvertTo(PixelFormat::pf24bit);
  const Bitmap& rgb = direct ? pixels : converted;
  const int32_t w = rgb.Width(), h = rgb.Height();
  const size_t stride = (size_t(w) * 3 + 3) / 4 * 4;
  d.info = InfoHeader(w, h, 24, kBiRgb, static_cast<uint32_t>(stride * size_t(h)));  // bottom-up
  d.bits.assign(stride * size_t(h), '\0');
  for (int32_t y = 0; y < h; ++y) {
    uint8_t* to = reinterpret_cast<uint8_t*>(d.bits.data()) + size_t(h - 1 - y) * stride;
    if (rgb.Format() == PixelFormat::pf24bit) {
      std::copy_n(rgb.Row(y).data(), size_t(w) * 3, to);
    } else {
      RowToBgrOnWhite(rgb, y, to);
    }
  }
  return d;
}

DibData EncodeDib32Premultiplied(const Bitmap& pixels) {
  DibData d;
  const Bitmap converted = pixels.Format() == PixelFormat::pf32bit ? Bitmap() : pixels.ConvertTo(PixelFormat::pf32bit);
  const Bitmap& px = pixels.Format() == PixelFormat::pf32bit ? pixels : converted;
  const bool alpha = px.Format() == PixelFormat::pf32bit && px.HasAlpha();
  const int32_t w = px.Width(), h = px.Height();
  const size_t stride = size_t(w) * 4;
  d.info = InfoHeader(w, h, 32, kBiRgb, static_cast<uint32_t>(stride * size_t(h)));  // bottom-up
  d.bits.assign(stride * size_t(h), '\0');
  for (int32_t y = 0; y < h; ++y) {
    const uint8_t* from = px.Row(y).data();
    uint8_t* to = reinterpret_cast<uint8_t*>(d.bits.data()) + size_t(h - 1 - y) * stride;
    for (int32_t x = 0; x < w; ++x, from += 4, to += 4) {
      const uint32_t a = alpha ? from[3] : 255;
      for (int c = 0; c < 3; ++c) to[c] = uint8_t((from[c] * a + 127) / 255);
      to[3] = uint8_t(a);
    }
  }
  return d;
}

DibData MakeJpegDib(std::string jpeg, int32_t width, int32_t height) {
  DibData d;
  d.info = InfoHeader(width, -height, 0, kBiJpeg, static_cast<uint32_t>(jpeg.size()));  // a JPEG runs top-down
  d.bits = std::move(jpeg);
  return d;
}

std::optional<JpegInfo> ReadJpegBitsInfo(const std::string& jpeg) {
  const auto data = AsBytes(jpeg);
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

std::optional<Bitmap> DecodeJpegBits(const std::string& jpeg) {
  // The image codecs' decoder, with its guards against endless progressive
  // scans and its memory ceiling.
  if (!ReadJpegBitsInfo(jpeg)) return std::nullopt;
  try {
    return DecodeJpeg(AsBytes(jpeg));
  } catch (const EImageDecodeError&) {
    return std::nullopt;
  }
}

}  // namespace vn::platform
