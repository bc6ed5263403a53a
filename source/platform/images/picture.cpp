#include "platform/images/picture.h"

#include <utility>

#include "platform/canvas/metafile_player.h"
#include "platform/emf/wmf_converter.h"
#include "platform/images/image_codecs.h"
#include "runtime/exceptions.h"

namespace vn::platform {

std::string ReadPictureBytes(vn::TStream& AStream) {
  const int64_t size = AStream.GetSize();
  if (size > kMaxPictureFileSize) throw ExInvalidImageFormat("Image file is too large");
  std::string bytes(static_cast<size_t>(size < 0 ? 0 : size), '\0');
  AStream.SetPosition(0);
  int64_t got = 0;
  while (got < static_cast<int64_t>(bytes.size())) {
    const int64_t n = AStream.Read(bytes.data() + got, static_cast<int64_t>(bytes.size()) - got);
    if (n <= 0) break;
    got += n;
  }
  bytes.resize(static_cast<size_t>(got));
  return bytes;
}

Picture PictureOf(Bitmap ABitmap) {
  Picture picture;
  picture.Width = ABitmap.Width();
  picture.Height = ABitmap.Height();
  picture.Bitmap = std::make_shared<const Bitmap>(std::move(ABitmap));
  return picture;
}

namespace {

Picture MetaFilePicture(std::string AEmf) {
  Picture picture;
  auto file = std::make_shared<const emf::EmfFile>(std::move(AEmf));
  const emf::RectL frame = file->FramePixels();
  const int64_t width = int64_t{frame.right} - frame.left;
  const int64_t height = int64_t{frame.bottom} - frame.top;
  if (width <= 0 || height <= 0) throw ExInvalidImageFormat("Metafile has an empty frame");
  if (width > kMaxPictureSide || height > kMaxPictureSide)
    throw ExInvalidImageFormat("Metafile frame of " + std::to_string(width) + " x " + std::to_string(height) +
                               " pixels is too large");
  picture.Width = static_cast<int32_t>(width);
  picture.Height = static_cast<int32_t>(height);
  picture.MetaFile = std::move(file);
  return picture;
}

}  // namespace

Picture DecodePicture(std::span<const std::byte> AData, const DecodeLimits& ALimits) {
  if (DetectImageFormat(AData) == ImageFormat::Jpeg)
    return DecodePicture(std::string(reinterpret_cast<const char*>(AData.data()), AData.size()), ALimits);
  try {
    if (emf::EmfFile::IsEmf(AData))
      return MetaFilePicture(std::string(reinterpret_cast<const char*>(AData.data()), AData.size()));
    if (emf::IsWmf(AData)) return MetaFilePicture(emf::ConvertWmfToEmf(AData));
    return PictureOf(DecodeImage(AData, ALimits));
  } catch (const EImageDecodeError& e) {
    throw ExInvalidImageFormat(e.Message());
  } catch (const emf::EEmfError& e) {
    throw ExInvalidImageFormat(e.Message());
  }
}

Picture DecodePicture(std::string AData, const DecodeLimits& ALimits) {
  const std::span<const std::byte> data = AsBytes(AData);
  if (DetectImageFormat(data) != ImageFormat::Jpeg) return DecodePicture(data, ALimits);
  Picture picture;
  try {
    const JpegInfo info = ReadJpegInfo(data);
    CheckImageSize("JPEG", info.Width, info.Height, ALimits);
    picture.Width = info.Width;
    picture.Height = info.Height;
  } catch (const EImageDecodeError& e) {
    throw ExInvalidImageFormat(e.Message());
  }
  picture.Jpeg = std::make_shared<const std::string>(std::move(AData));
  return picture;
}

std::shared_ptr<const Bitmap> PictureBitmap(const Picture& APicture) {
  if (APicture.Bitmap || !APicture.Jpeg) return APicture.Bitmap;
  try {
    // The size was checked against the document's limits when the header was read.
    const DecodeLimits limits{uint64_t(APicture.Width) * uint64_t(APicture.Height)};
    Bitmap bitmap = DecodeJpeg(AsBytes(*APicture.Jpeg), limits);
    bitmap.SetOriginalJpeg(APicture.Jpeg);
    return std::make_shared<const Bitmap>(std::move(bitmap));
  } catch (const EImageDecodeError& e) {
    throw ExInvalidImageFormat(e.Message());
  }
}

int QuarterTurns(int32_t ARotation) {
  switch (ARotation) {
    case 0: return 0;
    case 90: case -270: return 1;
    case 180: case -180: return 2;
    case 270: case -90: return 3;
    default: return -1;
  }
}

void DrawPicture(Canvas& ACanvas, const Picture& APicture, const Rect& ADest, int ATurns,
                 bool AKeepJpeg) {
  if (ATurns < 0 || ATurns > 3) return;
  if (APicture.MetaFile) {
    PlayMetafile(*APicture.MetaFile, ACanvas, ADest, ATurns * 90);
    return;
  }
  if (ATurns == 0 && AKeepJpeg && APicture.Jpeg) {
    ACanvas.DrawJpeg(ADest, *APicture.Jpeg, APicture.Width, APicture.Height);
    return;
  }
  const std::shared_ptr<const Bitmap> pixels = PictureBitmap(APicture);
  if (!pixels || pixels->Empty()) return;
  const Bitmap& bitmap = *pixels;
  if (ATurns == 0 && AKeepJpeg && bitmap.OriginalJpeg()) {
    ACanvas.DrawJpeg(ADest, *bitmap.OriginalJpeg(), bitmap.Width(), bitmap.Height());
    return;
  }
  if (ATurns == 0) {
    ACanvas.DrawBitmap(ADest, bitmap);
    return;
  }
  ACanvas.DrawBitmap(ADest, RotateBitmap(bitmap, ATurns * 90));
}

void FillWhite(Canvas& ACanvas, int32_t AWidth, int32_t AHeight) {
  ACanvas.SaveDC();
  Pen none;
  none.style = PenStyle::Clear;
  ACanvas.SetPen(none);
  ACanvas.SetBrush(Brush{});
  ACanvas.Rectangle({0, 0, AWidth, AHeight});
  ACanvas.RestoreDC(-1);
}

}  // namespace vn::platform
