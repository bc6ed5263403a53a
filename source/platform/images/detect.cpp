// Format detection from leading bytes and the decode-anything entry point.
#include "platform/images/image_codecs.h"
#include "runtime/byte_reader.h"

namespace vn::platform {

ImageFormat DetectImageFormat(std::span<const std::byte> data) {
  ByteReader r(data);
  auto at = [&](size_t i) { return r.PeekU8(i); };
  auto starts = [&](std::initializer_list<uint8_t> sig) {
    size_t i = 0;
    for (uint8_t b : sig) {
      if (i >= data.size() || at(i) != b) return false;
      ++i;
    }
    return true;
  };
  if (starts({0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A})) return ImageFormat::Png;
  if (starts({0xFF, 0xD8, 0xFF})) return ImageFormat::Jpeg;
  if (starts({'G', 'I', 'F', '8', '7', 'a'}) || starts({'G', 'I', 'F', '8', '9', 'a'})) return ImageFormat::Gif;
  if (starts({'I', 'I', 42, 0}) || starts({'M', 'M', 0, 42}) || starts({'I', 'I', 43, 0}) || starts({'M', 'M', 0, 43}))
    return ImageFormat::Tiff;
  if (starts({'B', 'M'}) && data.size() >= 18) return ImageFormat::Bmp;
  // Icons and cursors: reserved 0, type 1 or 2, at least one entry.
  if (data.size() >= 6 && at(0) == 0 && at(1) == 0 && at(3) == 0 && (at(4) | at(5)) != 0) {
    if (at(2) == 1) return ImageFormat::Ico;
    if (at(2) == 2) return ImageFormat::Cur;
  }
  return ImageFormat::Unknown;
}

const char* ImageFormatName(ImageFormat format) {
  switch (format) {
    case ImageFormat::Bmp: return "BMP";
    case ImageFormat::Png: return "PNG";
    case ImageFormat::Jpeg: return "JPEG";
    case ImageFormat::Gif: return "GIF";
    case ImageFormat::Tiff: return "TIFF";
    case ImageFormat::Ico: return "ICO";
    case ImageFormat::Cur: return "CUR";
    case ImageFormat::Unknown: break;
  }
  return "unknown";
}

Bitmap DecodeImage(std::span<const std::byte> data, const DecodeLimits& limits) {
  switch (DetectImageFormat(data)) {
    case ImageFormat::Bmp: return DecodeBmp(data, limits);
    case ImageFormat::Png: return DecodePng(data, limits);
    case ImageFormat::Jpeg: return DecodeJpeg(data, limits);
    case ImageFormat::Gif: return DecodeGif(data, limits);
    case ImageFormat::Tiff: return DecodeTiff(data, limits);
    case ImageFormat::Ico:
    case ImageFormat::Cur: return DecodeIcon(data, limits);
    case ImageFormat::Unknown: break;
  }
  throw EImageDecodeError("Unknown image format");
}

}  // namespace vn::platform
