#include "wordmodel/images.h"

namespace vn::wordmodel {

namespace {

// A memory stream holding the bytes of AStream (null for null), so that a
// copied picture stays whole whatever happens to its source's stream. The
// source's position is kept.
std::shared_ptr<vn::TStream> CopyOfImageBytes(const std::shared_ptr<vn::TStream>& AStream) {
  if (!AStream) return nullptr;
  auto memory = std::make_shared<vn::TMemoryStream>();
  const int64_t position = AStream->Position();
  memory->CopyFrom(*AStream, 0);
  AStream->SetPosition(position);
  memory->SetPosition(0);
  return memory;
}

}  // namespace

// ---------------------------------------------------------------------------
// TvnDocImage

TvnDocImage::TvnDocImage(TvnResourceCollection* AResourceCollection)
    : FResourceCollection(AResourceCollection), FIsFromResource(true) {}

TvnDocImage::TvnDocImage(std::shared_ptr<vn::TStream> AStream) : FIsFromStream(true), FStream(std::move(AStream)) {}

TvnDocImage::TvnDocImage(const String& AFileName) : FFileName(AFileName), FIsFromFile(true) {}

TvnDocImage::~TvnDocImage() = default;

std::unique_ptr<TvnDocItem> TvnDocImage::Clone() const {
  std::unique_ptr<TvnDocImage> copy;
  if (FIsFromResource) {
    copy = std::make_unique<TvnDocImage>(FResourceCollection);
  } else if (FIsFromStream) {
    copy = std::make_unique<TvnDocImage>(CopyOfImageBytes(FStream));
  } else {
    copy = std::make_unique<TvnDocImage>(FFileName);
  }
  Assign(this, copy.get());
  return copy;
}

void TvnDocImage::Assign(const TvnDocItem* ASource, TvnDocItem* ADest) const {
  TvnDocItem::Assign(ASource, ADest);
  const auto* source = dynamic_cast<const TvnDocImage*>(ASource);
  auto* dest = dynamic_cast<TvnDocImage*>(ADest);
  if (source == nullptr || dest == nullptr || source == dest) return;
  dest->FRotationAngle = source->FRotationAngle;
  dest->FOutputImageFormat = source->FOutputImageFormat;
  dest->SetResourceId(source->FResourceID);
  dest->SetResourceName(source->FResourceName);
  dest->FKeepAspectRation = source->FKeepAspectRation;
  dest->FSize = source->FSize;
  dest->FzOrder = source->FzOrder;
  dest->FImageFormat = source->FImageFormat;
}

void TvnDocImage::SetResourceId(int32_t Value) {
  if (FResourceCollection != nullptr && FResourceCollection->ContainsResource(Value)) FResourceID = Value;
}

void TvnDocImage::SetResourceName(const String& Value) {
  if (FResourceCollection != nullptr && FResourceCollection->ContainsResource(Value)) FResourceName = Value;
}

TvnImageResource* TvnDocImage::FindImageResource() const {
  if (FResourceCollection == nullptr) return nullptr;
  TvnResource* resource = FResourceCollection->GetResource(FResourceName);
  if (resource == nullptr) resource = FResourceCollection->GetResource(FResourceID);
  return dynamic_cast<TvnImageResource*>(resource);
}

vn::TStream* TvnDocImage::GetImageStream() {
  if (FIsFromStream) return FStream.get();
  if (!FIsFromResource) return nullptr;
  TvnImageResource* resource = FindImageResource();
  if (resource == nullptr || resource->GetResourceLocation() != TvnResourceLoc::rlStream) return nullptr;
  FImageFormat = resource->GetImageFormat();
  return resource->GetResourceStream();
}

String TvnDocImage::GetFileName() {
  if (FIsFromFile) return FFileName;
  if (!FIsFromResource) return String();
  TvnImageResource* resource = FindImageResource();
  if (resource == nullptr || resource->GetResourceLocation() != TvnResourceLoc::rlFile) return String();
  FImageFormat = resource->GetImageFormat();
  return resource->GetResourceFile();
}

// ---------------------------------------------------------------------------
// TvnWordImage

TvnWordImage::~TvnWordImage() = default;

std::unique_ptr<TvnDocItem> TvnWordImage::Clone() const {
  std::unique_ptr<TvnWordImage> copy;
  if (GetIsFromResource()) {
    copy = std::make_unique<TvnWordImage>(GetResourceCollection());
  } else if (GetIsFromStream()) {
    copy = std::make_unique<TvnWordImage>(CopyOfImageBytes(OwnStream()));
  } else {
    copy = std::make_unique<TvnWordImage>(OwnFileName());
  }
  TvnDocImage::Assign(this, copy.get());
  copy->AssignPlacement(*this);
  return copy;
}

void TvnWordImage::Draw(TvnBaseCanvas* ACanvas) {
  if (ACanvas == nullptr) return;
  vn::TStream* stream = GetImageStream();
  if (stream == nullptr) return;
  // Picture data that no picture reader takes (damaged, or of a kind the
  // platform does not read) leave the picture's box empty: the rest of the
  // page is drawn.
  try {
    ACanvas->DrawImage(stream, GetBoundingRect());
  } catch (const vn::ExInvalidImageFormat&) {
  }
}

}  // namespace vn::wordmodel
