#include "imaging/image_handler.h"

#include <filesystem>
#include <system_error>

#include "framework/document_routines.h"
#include "platform/canvas/cairo_canvas.h"
#include "platform/images/image_codecs.h"
#include "runtime/numbers.h"

namespace vn::framework {

namespace pf = vn::platform;

namespace {

std::span<const std::byte> BytesOf(const std::string& s) {
  return std::as_bytes(std::span<const char>(s.data(), s.size()));
}

void CheckRasterSize(int64_t AWidth, int64_t AHeight) {
  if (AWidth < 1 || AHeight < 1 || AWidth > pf::kMaxPictureSide || AHeight > pf::kMaxPictureSide ||
      AWidth * AHeight > static_cast<int64_t>(pf::kMaxImagePixels))
    throw ExInvalidImageFormat("Image of " + std::to_string(AWidth) + " x " + std::to_string(AHeight) +
                               " pixels is too large");
}

pf::Bitmap RasterisePicture(const pf::Picture& APicture) {
  CheckRasterSize(APicture.Width, APicture.Height);
  pf::CairoCanvas canvas(APicture.Width, APicture.Height);
  pf::DrawPicture(canvas, APicture, {0, 0, APicture.Width, APicture.Height}, 0, false);
  return canvas.Pixels();
}

}  // namespace

// ---------------------------------------------------------------------------
// Pages

TvnImagePage::TvnImagePage(TvnImageHandler* AOwner, pf::Picture APicture)
    : FDocument(AOwner), FPicture(std::move(APicture)) {
  SetWidth(FPicture.Width);
  SetHeight(FPicture.Height);
}

TvnImagePage::TvnImagePage(TvnImageHandler* AOwner, int32_t AWidth, int32_t AHeight) : FDocument(AOwner) {
  SetWidth(AWidth);
  SetHeight(AHeight);
}

TMetafilePage::TMetafilePage(TvnImageHandler* AOwner, pf::Picture APicture)
    : TvnImagePage(AOwner, std::move(APicture)) {}

TvnPageSize TvnImagePage::GetPageSize() {
  const TvnMeasurementUnit unit = FDocument->GetMeasurementUnit();
  return {PointsToUnit(unit, GetHeight() * 0.75), PointsToUnit(unit, GetWidth() * 0.75)};
}

const pf::Picture& TvnImagePage::GetPicture() {
  if (FPicture.Empty() && FDocument->FTIFFImage) FPicture = FDocument->FramePicture(TvnPage::GetPageNumber());
  return FPicture;
}

const pf::Picture& TvnImagePage::GetPixels() {
  GetPicture();
  // The decoded JPEG stays with the page beside its bytes, as other pictures keep theirs.
  if (!FPicture.Bitmap && FPicture.Jpeg) FPicture.Bitmap = pf::PictureBitmap(FPicture);
  return FPicture;
}

pf::Bitmap TvnImagePage::GetBitmap() {
  const pf::Picture& picture = GetPixels();
  if (picture.Bitmap) return *picture.Bitmap;
  return RasterisePicture(picture);
}

void TvnImagePage::Draw(pf::Canvas* ACanvas, int32_t AWidth, int32_t AHeight, int32_t /*AxDPI*/,
                        int32_t /*AyDPI*/, int32_t ARotation) {
  if (!ACanvas) return;
  const int turns = pf::QuarterTurns(ARotation);
  // Unturned, a JPEG goes to the canvas as its bytes: pixels only for turning.
  const pf::Picture& picture = turns > 0 ? GetPixels() : GetPicture();
  pf::FillWhite(*ACanvas, AWidth, AHeight);
  pf::DrawPicture(*ACanvas, picture, {0, 0, AWidth, AHeight}, turns, true);
}

// ---------------------------------------------------------------------------
// The document

TvnImageHandler::TvnImageHandler() = default;
TvnImageHandler::~TvnImageHandler() = default;

void TvnImageHandler::Clear() {
  FPageCollection.clear();
  FTIFFImage.reset();
  FPageCount = 1;
  FIsLoaded = false;
}

void TvnImageHandler::LoadFromFile(const String& FileName, const String& /*Password*/) {
  const std::filesystem::path path(ToUtf8(FileName));
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) throw vn::Exception("File Not found");
  FFileName = FileName;
  std::unique_ptr<vn::TStream> stream;
  try {
    stream = std::make_unique<vn::TFileStream>(path, vn::FileMode::fmOpenRead);
  } catch (const vn::EFOpenError&) {
    throw vn::Exception("Unable to open file");
  }
  LoadFromStream(stream.release(), u"", true);
  FInputFilePath = FileName;
}

void TvnImageHandler::LoadFromStream(vn::TStream* Stream, const String& /*Password*/, bool FreeStream) {
  SetSourceStream(Stream, FreeStream);
  Clear();
  if (!Stream) throw ExInvalidStream("Invalid stream");
  std::string bytes = pf::ReadPictureBytes(*Stream);
  const std::span<const std::byte> data = BytesOf(bytes);
  if (pf::DetectImageFormat(data) == pf::ImageFormat::Tiff) {
    try {
      FTIFFImage = std::make_unique<pf::TiffReader>(data, FDecodeLimits);
    } catch (const pf::EImageDecodeError& e) {
      throw ExInvalidImageFormat(e.Message());
    }
    if (FTIFFImage->FrameCount() < 1) {
      FTIFFImage.reset();
      throw ExInvalidImageFormat("TIFF: no image in the file");
    }
    FPageCount = FTIFFImage->FrameCount();
  } else {
    pf::Picture picture = pf::DecodePicture(std::move(bytes), FDecodeLimits);
    std::unique_ptr<TvnImagePage> page;
    if (picture.MetaFile)
      page = std::make_unique<TMetafilePage>(this, std::move(picture));
    else
      page = std::make_unique<TvnImagePage>(this, std::move(picture));
    page->TvnPage::SetPageNumber(1);
    FPageCollection[1] = std::move(page);
    FPageCount = 1;
  }
  FIsLoaded = true;
}

TvnPage* TvnImageHandler::GetPage(int32_t Index) {
  auto it = FPageCollection.find(Index);
  if (it != FPageCollection.end()) return it->second.get();
  if (!FTIFFImage || Index < 1 || Index > FPageCount) return nullptr;
  const pf::TiffReader::FrameInfo& frame = FTIFFImage->Frame(Index - 1);
  auto page = std::make_unique<TvnImagePage>(this, frame.Width, frame.Height);
  page->TvnPage::SetPageNumber(Index);
  TvnImagePage* result = page.get();
  FPageCollection[Index] = std::move(page);
  return result;
}

pf::Picture TvnImageHandler::FramePicture(int32_t APageNumber) {
  try {
    return pf::PictureOf(FTIFFImage->DecodeFrame(APageNumber - 1));
  } catch (const pf::EImageDecodeError& e) {
    throw ExInvalidImageFormat(e.Message());
  }
}

void TvnImageHandler::Assign(TvnBaseDocument* SourceDocument, const String& PageRange) {
  if (!SourceDocument) throw ExInvalidPageError("Invalid page range");
  int32_t dpiX = 96, dpiY = 96;
  if (auto* params = dynamic_cast<TvnImageEncoderParams*>(FEncoderParams)) {
    if (params->GetResolution()->GetDPIX() > 0) dpiX = params->GetResolution()->GetDPIX();
    if (params->GetResolution()->GetDPIY() > 0) dpiY = params->GetResolution()->GetDPIY();
  }
  const TvnPageRange pages = ParsePageRange(PageRange, SourceDocument->GetPageCount());
  // Page sizes come in the source's unit; one point in that unit.
  const double unitsPerPoint = PointsToUnit(SourceDocument->GetMeasurementUnit(), 1.0);
  for (int32_t number : pages) {
    DoBeginAssignPage(number);
    auto* page = dynamic_cast<TvnBasePage*>(SourceDocument->GetPage(number));
    if (!page) throw ExInvalidPageError("Invalid page range");
    const TvnPageSize size = page->GetPageSize();
    const double widthPoints = size.Width / unitsPerPoint;
    const double heightPoints = size.Height / unitsPerPoint;
    const int64_t width = vn::Round(dpiX / 72.0 * widthPoints);
    const int64_t height = vn::Round(dpiY / 72.0 * heightPoints);
    CheckRasterSize(width, height);
    pf::CairoCanvas canvas(static_cast<int32_t>(width), static_cast<int32_t>(height));
    page->Draw(&canvas, canvas.Width(), canvas.Height(), 72, 72, 0);
    pf::Bitmap bitmap = canvas.Pixels().ConvertTo(pf::PixelFormat::pf24bit);
    bitmap.SetResolution(dpiX, dpiY);
    const int32_t key = static_cast<int32_t>(FPageCollection.size()) + 1;
    auto imagePage = std::make_unique<TvnImagePage>(this, pf::PictureOf(std::move(bitmap)));
    imagePage->TvnPage::SetPageNumber(key);
    FPageCollection[key] = std::move(imagePage);
    DoEndAssignPage(number, key);
  }
  FPageCount = static_cast<int32_t>(FPageCollection.size());
}

TvnImagePage* TvnImageHandler::PageToSave(int32_t Index) {
  auto* page = static_cast<TvnImagePage*>(GetPage(Index));
  if (!page) throw ExInvalidPageError("Invalid page range");
  return page;
}

void TvnImageHandler::WriteOutput(const std::string& ABytes) {
  if (StreamOutput) {
    if (!OutStream) throw ExInvalidStream("Invalid stream");
    OutStream->WriteBuffer(ABytes.data(), static_cast<int64_t>(ABytes.size()));
    return;
  }
  vn::WriteFileBytes(std::filesystem::path(ToUtf8(OutFilePath)), ABytes);
}

}  // namespace vn::framework
