#include "pdfdocument/pd_image.h"

#include <climits>

#include "pdfdocument/pd_resource.h"
#include "pdfdocument/pdf_numbers_impl.h"
#include "runtime/exceptions.h"

namespace vn::pdfdoc {

using vn::pdf::TvnPDBaseObject;

namespace {

// A non-negative integer that fits 32 bits.
bool ImageInt(const TvnPDBaseObject* AObj, int32_t& AValue) {
  if (!AObj || !AObj->IsInteger()) return false;
  const int64_t v = AObj->AsInteger()->GetValue();
  if (v < 0 || v > INT32_MAX) return false;
  AValue = static_cast<int32_t>(v);
  return true;
}

}  // namespace

TvnPDImage::TvnPDImage(vn::pdf::TvnPDDocumentIntf* AParentDoc, vn::pdf::TvnPDElement* AResourceElement,
                       TvnPDBaseObject* ABaseObject, std::string ATagName)
    : TvnPDXObject(AParentDoc, AResourceElement, ABaseObject, TvnXObjectType::xtImage, std::move(ATagName)) {}

TvnPDImage::~TvnPDImage() = default;

TvnPDBaseObject* TvnPDImage::Entry(const char* ALongKey, const char* AShortKey) const {
  const vn::pdf::TvnPDStream* stream = XObjectStream();
  const vn::pdf::TvnPDDictionary* dict = stream ? stream->GetDict() : nullptr;
  if (!dict) return nullptr;
  if (TvnPDBaseObject* value = dict->LookUp(ALongKey)) return value;
  return AShortKey ? dict->LookUp(AShortKey) : nullptr;
}

int32_t TvnPDImage::Width() {
  if (!XObjectStream()) return -1;
  if (FWidth < 0) {
    int32_t value = 0;
    if (!ImageInt(Entry("Width", "W"), value)) return 0;
    FWidth = value;
  }
  return FWidth;
}

int32_t TvnPDImage::Height() {
  if (!XObjectStream()) return -1;
  if (FHeight < 0) {
    int32_t value = 0;
    if (!ImageInt(Entry("Height", "H"), value)) return -1;
    FHeight = value;
  }
  return FHeight;
}

int32_t TvnPDImage::BitsPerComponent() {
  if (!XObjectStream()) return -1;
  if (FBitsPerComponent < 0) {
    int32_t value = 0;
    if (!ImageInt(Entry("BitsPerComponent", "BPC"), value)) return ImageMask() ? 1 : -1;
    FBitsPerComponent = value;
  }
  return FBitsPerComponent;
}

bool TvnPDImage::ImageMask() {
  if (FImageMask < 0) {
    const TvnPDBaseObject* mask = Entry("ImageMask", "IM");
    FHasImageMask = mask && mask->IsBoolean() && mask->AsBoolean()->GetValue();
    FImageMask = FHasImageMask ? 1 : 0;
  }
  return FHasImageMask;
}

TvnPDColorSpace* TvnPDImage::ColorSpace() {
  if (!FColorSpaceRead) {
    FColorSpaceRead = true;
    TvnPDBaseObject* value = Entry("ColorSpace", "CS");
    if (value) FColorSpace = TvnPDColorSpace::MakeColorSpace(value, "");
    // A name that is no device space names a space of the resources.
    if (value && !FColorSpace && value->IsName())
      if (TvnPDResource* resources = ResourcesOf(FParentElement))
        FBorrowedColorSpace = resources->LookUpColorSpace(value->AsName()->GetValue());
  }
  return FColorSpace ? FColorSpace.get() : FBorrowedColorSpace;
}

TvnPDImageColorMap* TvnPDImage::ColorMap() {
  if (!FColorMap)
    FColorMap = std::make_unique<TvnPDImageColorMap>(BitsPerComponent(), Entry("Decode", "D"), ColorSpace());
  return FColorMap.get();
}

void TvnPDImage::ReadMask() {
  if (FMaskRead) return;
  FMaskRead = true;
  TvnPDBaseObject* mask = Entry("Mask", nullptr);
  if (!mask) return;
  if (mask->IsStream()) {
    FMask = std::make_unique<TvnPDImage>(FParentDoc, FParentElement, mask);
    FMask->FMaskStream = std::make_unique<vn::TMemoryStream>();
  } else if (const vn::pdf::TvnPDArray* ranges = mask->AsArray()) {
    // Pairs of numbers, one per component, at most four.
    for (int i = 0; i < 4 && 2 * i + 1 < ranges->GetLength(); ++i) {
      double low = 0, high = 0;
      if (!PdfNumber(ranges->Get(2 * i), low) || !PdfNumber(ranges->Get(2 * i + 1), high)) break;
      FColorKeyRange.MinRange[static_cast<size_t>(i)] = low;
      FColorKeyRange.MaxRange[static_cast<size_t>(i)] = high;
      FHasColorKeyMask = true;
    }
  }
}

TvnPDImage* TvnPDImage::Mask() {
  ReadMask();
  if (FMask) FMask->SetState(FState);
  return FMask.get();
}

bool TvnPDImage::HasColorKeyMask() {
  ReadMask();
  return FHasColorKeyMask;
}

const TvnColorKeyRange& TvnPDImage::ColorKeyRange() {
  ReadMask();
  return FColorKeyRange;
}

vn::TMemoryStream* TvnPDImage::MaskImage() {
  if (FMaskStream) FMaskStream->Seek(0, vn::SeekOrigin::soBeginning);
  return FMaskStream.get();
}

void TvnPDImage::SetState(TvnPDState* AValue) {
  FState = AValue;
  if (FMask) FMask->SetState(AValue);
}

TvnPDImage* TvnPDImage::SoftMask() {
  if (!FSoftMaskRead) {
    FSoftMaskRead = true;
    TvnPDBaseObject* smask = Entry("SMask", nullptr);
    if (smask && smask->IsStream()) {
      FSoftMask = std::make_unique<TvnPDImage>(FParentDoc, FParentElement, smask);
      try {
        smask->AsStream()->Reset();
        FSoftMask->FSoftMaskStream = smask->AsStream()->GetStream();
      } catch (const vn::Exception&) {
        // Data that cannot be decoded gives no alpha values.
      }
    }
  }
  return FSoftMask.get();
}

int TvnPDImage::AlphaComp() {
  if (!FSoftMaskStream) return -1;
  try {
    return FSoftMaskStream->GetChar();
  } catch (const vn::Exception&) {
    FSoftMaskStream = nullptr;
    return -1;
  }
}

vn::pdf::TvnStreamType TvnPDImage::ImageType() const {
  const vn::pdf::TvnPDStream* stream = XObjectStream();
  vn::pdf::TvnStream* data = stream ? stream->GetStream() : nullptr;
  return data ? data->GetType() : vn::pdf::TvnStreamType::stWeird;
}

}  // namespace vn::pdfdoc
