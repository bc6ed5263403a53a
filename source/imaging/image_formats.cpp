#include "imaging/image_formats.h"

#include <vector>

#include "platform/canvas/emf_recorder.h"
#include "platform/images/image_codecs.h"
#include "runtime/strings.h"

namespace vn::framework {

namespace pf = vn::platform;

namespace {

template <typename F>
std::string Encoded(F&& AEncode) {
  try {
    return AEncode();
  } catch (const pf::EImageEncodeError& e) {
    throw ExInvalidImageFormat(e.Message());
  }
}

void PutU16(std::string& out, uint32_t v) {
  out.push_back(static_cast<char>(v & 0xFF));
  out.push_back(static_cast<char>((v >> 8) & 0xFF));
}

void PutU32(std::string& out, uint32_t v) {
  PutU16(out, v & 0xFFFF);
  PutU16(out, v >> 16);
}

bool EndsWithWmf(const String& APath) {
  const String lower = LowerCase(APath);
  return lower.size() >= 4 && lower.compare(lower.size() - 4, 4, u".wmf") == 0;
}

std::string EncodeEmf(TvnImagePage& APage) {
  const pf::Picture& picture = APage.GetPicture();
  if (picture.MetaFile) return picture.MetaFile->Bytes();
  // Users' metafiles carry the decoded pixels, which every reader draws.
  pf::EmfRecorderCanvas recorder(picture.Width, picture.Height);
  recorder.DrawBitmap({0, 0, picture.Width, picture.Height}, APage.GetBitmap());
  return recorder.Finish();
}

}  // namespace

std::string EncodePlaceableWmf(const pf::Bitmap& ABitmap) {
  const int32_t width = ABitmap.Width(), height = ABitmap.Height();
  if (width < 1 || height < 1 || width > 32767 || height > 32767)
    throw ExInvalidImageFormat("WMF: picture of " + std::to_string(width) + " x " + std::to_string(height) +
                               " pixels does not fit a Windows metafile");
  // The device-independent bitmap: the BMP file without its 14-byte file header.
  const std::string bmp = Encoded([&] { return pf::EncodeBmp(ABitmap.ConvertTo(pf::PixelFormat::pf24bit)); });
  const std::string dib = bmp.substr(14);
  const uint64_t stretchWords = (28 + uint64_t{dib.size()}) / 2;  // 28 bytes of fields before the bitmap
  if (dib.size() % 2 != 0 || stretchWords > 0x7FFFFFFF) throw ExInvalidImageFormat("WMF: bitmap too large");

  std::string out;
  // Placeable header: key, handle, bounding box, units per inch, reserved, checksum.
  PutU32(out, 0x9AC6CDD7);
  PutU16(out, 0);
  PutU16(out, 0);
  PutU16(out, 0);
  PutU16(out, static_cast<uint32_t>(width));
  PutU16(out, static_cast<uint32_t>(height));
  PutU16(out, 96);
  PutU32(out, 0);
  uint16_t checksum = 0;
  for (size_t i = 0; i < 20; i += 2)
    checksum ^= static_cast<uint16_t>(uint8_t(out[i]) | uint8_t(out[i + 1]) << 8);
  PutU16(out, checksum);

  // The records: window origin and extent, the stretched bitmap, the end.
  const uint32_t totalWords = 9 + 5 + 5 + static_cast<uint32_t>(stretchWords) + 3;
  PutU16(out, 1);       // in memory
  PutU16(out, 9);       // header words
  PutU16(out, 0x0300);  // version
  PutU32(out, totalWords);
  PutU16(out, 0);  // objects
  PutU32(out, static_cast<uint32_t>(stretchWords));
  PutU16(out, 0);

  PutU32(out, 5);
  PutU16(out, 0x020B);  // META_SETWINDOWORG: y, x
  PutU16(out, 0);
  PutU16(out, 0);
  PutU32(out, 5);
  PutU16(out, 0x020C);  // META_SETWINDOWEXT: height, width
  PutU16(out, static_cast<uint32_t>(height));
  PutU16(out, static_cast<uint32_t>(width));

  PutU32(out, static_cast<uint32_t>(stretchWords));
  PutU16(out, 0x0F43);      // META_STRETCHDIB
  PutU32(out, 0x00CC0020);  // SRCCOPY
  PutU16(out, 0);           // DIB_RGB_COLORS
  PutU16(out, static_cast<uint32_t>(height));  // source height, width, y, x
  PutU16(out, static_cast<uint32_t>(width));
  PutU16(out, 0);
  PutU16(out, 0);
  PutU16(out, static_cast<uint32_t>(height));  // destination height, width, y, x
  PutU16(out, static_cast<uint32_t>(width));
  PutU16(out, 0);
  PutU16(out, 0);
  out += dib;

  PutU32(out, 3);
  PutU16(out, 0x0000);  // META_EOF
  return out;
}

bool TvnBitmapHandler::Save() {
  return SaveEachPage([](TvnImagePage& page) { return Encoded([&] { return pf::EncodeBmp(page.GetBitmap()); }); });
}

bool TvnPNGHandler::Save() {
  return SaveEachPage([](TvnImagePage& page) { return Encoded([&] { return pf::EncodePng(page.GetBitmap()); }); });
}

bool TvnJPEGHandler::Save() {
  return SaveEachPage([](TvnImagePage& page) { return Encoded([&] { return pf::EncodeJpeg(page.GetBitmap()); }); });
}

bool TvnMetaFileHandler::Save() {
  SetMeasurementUnit(TvnMeasurementUnit::muPixels);
  return SaveEachPage([this](TvnImagePage& page) {
    if (!StreamOutput && EndsWithWmf(OutFilePath)) return EncodePlaceableWmf(page.GetBitmap());
    return EncodeEmf(page);
  });
}

bool TvnTIFFHandler::Save() {
  const auto* params = dynamic_cast<const TvnTIFFEncoderParams*>(FEncoderParams);
  const int32_t count = FPageCount;
  if (params && params->GetMultiPageTIFF()) {
    std::vector<pf::Bitmap> frames;
    for (int32_t i = 1; i <= count; ++i) frames.push_back(PageToSave(i)->GetBitmap());
    RequestOutputTarget(TvnOutputItem::oiDocument, 1, count);
    WriteOutput(Encoded([&] { return pf::EncodeTiff(frames); }));
    return true;
  }
  for (int32_t i = 1; i <= count; ++i) {
    TvnImagePage* page = PageToSave(i);
    RequestOutputTarget(TvnOutputItem::oiPage, i, count);
    const pf::Bitmap frame = page->GetBitmap();
    WriteOutput(Encoded([&] { return pf::EncodeTiff(std::span<const pf::Bitmap>(&frame, 1)); }));
  }
  return true;
}

}  // namespace vn::framework
