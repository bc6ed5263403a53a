#include "rtf/rtf_writer_picture.h"

#include <zlib.h>

#include <array>
#include <cmath>

#include "framework/writer_routines.h"
#include "platform/canvas/cairo_canvas.h"
#include "platform/canvas/emf_recorder.h"
#include "platform/images/image_codecs.h"
#include "runtime/hex.h"
#include "runtime/numbers.h"

namespace vn::rtf::writer {

using platform::Bitmap;
using platform::EImageEncodeError;

namespace {

constexpr const char* kPictureCRLF = "\r\n";
constexpr size_t kIdatChunkSize = 10240;
// The metafile's end record, written after the wrapped bitmap.
constexpr const char* kWmfEndRecord = "030000000000";

// A number as ADigits upper-case hexadecimal digits in little-endian byte
// order ("X8" and "X4" of the metafile text).
std::string LittleEndianHex(uint32_t AValue, int ADigits) {
  std::string text(static_cast<size_t>(ADigits), '0');
  for (int i = ADigits - 1; i >= 0; --i, AValue >>= 4) text[static_cast<size_t>(i)] = HexDigit(AValue);
  return ReverseBytePairs(text);
}

// The PNG CRC: reflected polynomial 0xEDB88320, initial value all ones,
// final complement.
uint32_t PngCrc(std::string_view ATypeAndData) {
  std::array<uint32_t, 256> table{};
  for (uint32_t n = 0; n < 256; ++n) {
    uint32_t c = n;
    for (int k = 0; k < 8; ++k) c = (c & 1) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    table[n] = c;
  }
  uint32_t crc = 0xFFFFFFFFu;
  for (const char byte : ATypeAndData) crc = table[(crc ^ static_cast<uint8_t>(byte)) & 0xFF] ^ (crc >> 8);
  return crc ^ 0xFFFFFFFFu;
}

void WritePngChunk(TvnExtMemStream& AStream, std::string_view AType, std::string_view AData) {
  AStream.WriteULong(static_cast<uint32_t>(AData.size()));
  std::string typeAndData(AType);
  typeAndData += AData;
  AStream.WriteString(std::string_view(typeAndData));
  AStream.WriteULong(PngCrc(typeAndData));
}

std::string BigEndian(uint32_t AValue, int ABytes) {
  std::string bytes;
  for (int i = ABytes - 1; i >= 0; --i) bytes += static_cast<char>(AValue >> (8 * i) & 0xFF);
  return bytes;
}

// 0xAARRGGBB of an opaque window-system colour (0x00BBGGRR).
uint32_t OpaqueArgb(platform::Color AColor) {
  framework::ResolveSystemColor(AColor);
  return 0xFF000000u | (AColor & 0xFF) << 16 | (AColor & 0xFF00) | (AColor >> 16 & 0xFF);
}

// The JPEG file the picture was read from, or null.
const std::string* OriginalJpegOf(const platform::Picture& APicture) {
  if (APicture.Jpeg) return APicture.Jpeg.get();
  if (APicture.Bitmap && APicture.Bitmap->OriginalJpeg()) return APicture.Bitmap->OriginalJpeg().get();
  return nullptr;
}

void CheckPictureSize(int64_t AWidth, int64_t AHeight) {
  if (AWidth <= 0 || AHeight <= 0) throw EImageEncodeError("RTF picture: there is no picture to encode");
  if (AWidth > platform::kMaxPictureSide || AHeight > platform::kMaxPictureSide ||
      static_cast<uint64_t>(AWidth) * static_cast<uint64_t>(AHeight) > platform::kMaxImagePixels)
    throw EImageEncodeError("RTF picture: the picture of " + std::to_string(AWidth) + " x " +
                            std::to_string(AHeight) + " pixels is too large");
}

}  // namespace

std::string EncodeJPEG(const Bitmap& ABitmap, int32_t AQuality) {
  if (ABitmap.Height() != 1) return platform::EncodeJpeg(ABitmap, AQuality);
  // A single row is written twice: the picture is made two pixels high.
  Bitmap twoRows(ABitmap.Width(), 2, ABitmap.Format());
  if (!ABitmap.Palette().empty()) twoRows.SetPalette(ABitmap.Palette());
  twoRows.SetHasAlpha(ABitmap.HasAlpha());
  twoRows.SetResolution(ABitmap.DpiX(), ABitmap.DpiY());
  for (int y = 0; y < 2; ++y) {
    const auto row = ABitmap.Row(0);
    std::copy(row.begin(), row.end(), twoRows.MutableRow(y).begin());
  }
  return platform::EncodeJpeg(twoRows, AQuality);
}

void EncodePNG(const Bitmap& ABitmap, std::optional<platform::Color> ATransparentColor, TvnExtMemStream& AStream) {
  if (ABitmap.Empty()) throw EImageEncodeError("PNG: the bitmap is empty");
  const auto width = static_cast<uint32_t>(ABitmap.Width());
  const auto height = static_cast<uint32_t>(ABitmap.Height());
  static constexpr uint8_t kSignature[] = {137, 80, 78, 71, 13, 10, 26, 10};
  for (const uint8_t byte : kSignature) AStream.WriteByte(byte);

  // Truecolour, 8 bits a sample, no interlace.
  WritePngChunk(AStream, "IHDR", BigEndian(width, 4) + BigEndian(height, 4) + std::string("\x08\x02\x00\x00\x00", 5));
  if (ATransparentColor) {
    platform::Color color = *ATransparentColor;
    framework::ResolveSystemColor(color);
    WritePngChunk(AStream, "tRNS",
                  BigEndian(color & 0xFF, 2) + BigEndian(color >> 8 & 0xFF, 2) + BigEndian(color >> 16 & 0xFF, 2));
  }

  std::string raw;
  raw.reserve((3 * size_t{width} + 1) * height);
  for (int y = 0; y < ABitmap.Height(); ++y) {
    raw += '\0';  // filter type None
    for (int x = 0; x < ABitmap.Width(); ++x) {
      const platform::BGRA pixel = ABitmap.Pixel(x, y);
      raw += static_cast<char>(pixel.R);
      raw += static_cast<char>(pixel.G);
      raw += static_cast<char>(pixel.B);
    }
  }
  uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
  std::string packed(packedSize, '\0');
  if (compress2(reinterpret_cast<Bytef*>(packed.data()), &packedSize, reinterpret_cast<const Bytef*>(raw.data()),
                static_cast<uLong>(raw.size()), 9) != Z_OK)
    throw EImageEncodeError("PNG: the image data could not be compressed");
  packed.resize(packedSize);

  // (size div 10240) + 1 chunks; the last holds the rest (an empty chunk,
  // which PNG allows, when the size is a multiple of the chunk size).
  for (size_t at = 0;; at += kIdatChunkSize) {
    const size_t count = std::min(kIdatChunkSize, packed.size() - at);
    WritePngChunk(AStream, "IDAT", std::string_view(packed).substr(at, count));
    if (count < kIdatChunkSize) break;
  }
  WritePngChunk(AStream, "IEND", {});
}

std::string BuildWMFHeader(TMemoryStream& AStream, const Bitmap& ABitmap) {
  // Window extents and the record's sizes are signed 16-bit numbers.
  if (ABitmap.Width() > 32767 || ABitmap.Height() > 32767)
    throw EImageEncodeError("RTF picture: a bitmap of " + std::to_string(ABitmap.Width()) + " x " +
                            std::to_string(ABitmap.Height()) + " pixels does not fit a Windows metafile");
  const std::string bmp = platform::EncodeBmp(ABitmap);
  AStream.Write(bmp.data(), static_cast<int64_t>(bmp.size()));
  AStream.Seek(2, SeekOrigin::soBeginning);
  uint8_t sizeBytes[4] = {};
  AStream.Read(sizeBytes, 4);
  const uint32_t fileSize = static_cast<uint32_t>(sizeBytes[0]) | static_cast<uint32_t>(sizeBytes[1]) << 8 |
                            static_cast<uint32_t>(sizeBytes[2]) << 16 | static_cast<uint32_t>(sizeBytes[3]) << 24;
  // The stretch-bitmap record in 16-bit words: 14 words of its own and the
  // bitmap without its file header.
  const uint32_t recordWords = fileSize / 2 + 7;
  const std::string h = LittleEndianHex(static_cast<uint32_t>(ABitmap.Height()), 4);
  const std::string w = LittleEndianHex(static_cast<uint32_t>(ABitmap.Width()), 4);
  const std::string record = LittleEndianHex(recordWords, 8);
  AStream.Seek(14, SeekOrigin::soBeginning);
  return "010009000003" + LittleEndianHex(recordWords + 36, 8) + "0000" + record +
         "0000050000000b0200000000050000000c02" + h + w +
         "05000000090200000000050000000102ffffff000400000007010300" + record + "430f2000cc000000" + h + w +
         "00000000" + h + w + "00000000" + kPictureCRLF;
}

TvnRTFPicture::TvnRTFPicture(platform::Picture AGraphic, TvnRTFHeader* AHeader)
    : RTFFactor(TwipsPerPixel()), FGraphic(std::move(AGraphic)), FHeader(AHeader) {
  Brush.style = platform::BrushStyle::Solid;
  Brush.color = platform::RGBColor(255, 255, 255);
}

int32_t TvnRTFPicture::TargetWidth() const { return Width > 0 ? RoundToInt(Width) : FGraphic.Width; }
int32_t TvnRTFPicture::TargetHeight() const { return Height > 0 ? RoundToInt(Height) : FGraphic.Height; }

Bitmap TvnRTFPicture::RenderBitmap() {
  const int32_t width = FSettings.Autosize ? TargetWidth() : FGraphic.Width;
  const int32_t height = FSettings.Autosize ? TargetHeight() : FGraphic.Height;
  if (FGraphic.Empty()) CheckPictureSize(0, 0);
  CheckPictureSize(width, height);
  if (!FSettings.Autosize) FSettings.Stretch = true;
  platform::CairoCanvas canvas(width, height, OpaqueArgb(Brush.color));
  platform::DrawPicture(canvas, FGraphic, {0, 0, width, height}, 0, false);
  Bitmap pixels = canvas.Pixels();
  pixels.SetHasAlpha(false);
  if (FSettings.Transparent) {
    // Drawn with the source-and-destination copy mode over the brush.
    platform::Color background = Brush.color;
    framework::ResolveSystemColor(background);
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) {
        platform::BGRA pixel = pixels.Pixel(x, y);
        pixel.R &= static_cast<uint8_t>(background & 0xFF);
        pixel.G &= static_cast<uint8_t>(background >> 8 & 0xFF);
        pixel.B &= static_cast<uint8_t>(background >> 16 & 0xFF);
        pixels.SetPixel(x, y, pixel);
      }
  }
  // The platform's bitmaps hold 1, 8 (grey), 24 or 32 bits: colour formats
  // below 24 bits are kept at 24.
  switch (FSettings.ImagePixelFormat) {
    case TPixelFormat::pf1bit: return pixels.ConvertTo(platform::PixelFormat::pf1bit);
    case TPixelFormat::pf32bit: return pixels;
    default: return pixels.ConvertTo(platform::PixelFormat::pf24bit);
  }
}

std::string TvnRTFPicture::RenderMetafile() {
  if (FGraphic.Empty()) CheckPictureSize(0, 0);
  const int32_t width = TargetWidth();
  const int32_t height = TargetHeight();
  CheckPictureSize(width, height);
  platform::EmfRecorderCanvas canvas(width, height);
  if (FSettings.Autosize || FSettings.Stretch) {
    platform::DrawPicture(canvas, FGraphic, {0, 0, width, height}, 0, true);
  } else {
    int32_t left = 0, top = 0;
    if (FSettings.Center) {
      left = RoundToInt((width - static_cast<double>(FGraphic.Width)) / 2);
      top = RoundToInt((height - static_cast<double>(FGraphic.Height)) / 2);
    }
    platform::DrawPicture(canvas, FGraphic, {left, top, left + FGraphic.Width, top + FGraphic.Height}, 0, true);
  }
  return canvas.Finish();
}

std::string TvnRTFPicture::EncodePictureData() {
  std::string text;
  std::string data;
  std::string wrapper;
  const TvnOutputImageFormat format = FSettings.OutputImageFormat;
  switch (format) {
    case TvnOutputImageFormat::ifJPEG: {
      text = "\\jpegblip";
      const std::string* original = OriginalJpegOf(FGraphic);
      // A photograph drawn at its own size on an untouched background is
      // its own JPEG file: it goes as it is, not compressed a second time.
      if (original != nullptr && !FSettings.Autosize && !FSettings.Transparent)
        data = *original;
      else
        data = EncodeJPEG(RenderBitmap(), FSettings.JPEGQuality);
      break;
    }
    case TvnOutputImageFormat::ifPNG: {
      text = "\\pngblip";
      const Bitmap bitmap = RenderBitmap();
      TvnExtMemStream stream;
      // Transparency only where the settings ask for it: the brush colour.
      EncodePNG(bitmap, FSettings.Transparent ? std::optional<platform::Color>(Brush.color) : std::nullopt, stream);
      data.assign(stream.View());
      break;
    }
    case TvnOutputImageFormat::ifMetafile:
      text = "\\emfblip";
      data = RenderMetafile();
      break;
    default: {
      text = "\\wmetafile8";
      const Bitmap bitmap = RenderBitmap();
      TMemoryStream stream;
      wrapper = BuildWMFHeader(stream, bitmap);
      data.assign(stream.View().substr(static_cast<size_t>(stream.Position())));
      break;
    }
  }
  // The metafile wrapper is hexadecimal text whatever is asked: its records
  // around the bitmap are text already.
  if (!wrapper.empty()) return text + "\\picbmp\\picbpp4 " + wrapper + framework::AnsiToHexText(data) + kWmfEndRecord;
  if (GraphicDataInBinary) return text + "\\bin" + std::to_string(data.size()) + " " + data;
  return text + " " + framework::AnsiToHexText(data);
}

std::string TvnRTFPicture::Encode() {
  auto twips = [this](double APixels) { return std::to_string(Round(APixels * RTFFactor)); };
  const TvnRect& r = DisplayRect;
  const std::string width = twips(r.Right - r.Left);
  const std::string height = twips(r.Bottom - r.Top);
  const std::string pictureData = EncodePictureData();
  const bool behind = FSettings.BehindText;
  return "{\\shp{\\*\\shpinst\\shpleft" + twips(r.Left) + "\\shptop" + twips(r.Top) + "\\shpright" +
         twips(r.Right) + "\\shpbottom" + twips(r.Bottom) +
         "\\shpfhdr0\\shpbxcolumn\\shpbxignore\\shpbypara\\shpbyignore\\shpwr3\\shpwrk0\\shpfblwtxt" +
         (behind ? "1" : "0") +
         "\\shpz0{\\sp{\\sn shapeType}{\\sv 75}}{\\sp{\\sn fFlipH}{\\sv 0}}{\\sp{\\sn fFlipV}{\\sv 0}}"
         "{\\sp{\\sn pib}{\\sv{\\pict\\picw" +
         width + "\\pich" + height + "\\picwgoal" + width + "\\pichgoal" + height + pictureData + "}}}" +
         "{\\sp{\\sn pibFlags}{\\sv 2}}{\\sp{\\sn fRecolorFillAsPicture}{\\sv 0}}"
         "{\\sp{\\sn fUseShapeAnchor}{\\sv 0}}{\\sp{\\sn fLine}{\\sv 0}}" +
         "{\\sp{\\sn fBehindDocument}{\\sv " + (behind ? "1" : "0") + "}}" + "{\\sp{\\sn fLayoutInCell}{\\sv 1}}}}";
}

}  // namespace vn::rtf::writer
