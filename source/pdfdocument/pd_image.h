// An image XObject or inline image: its size, depth, colour space and
// colour map, and its masks (a stencil mask image, a colour-key range or a
// soft mask). Every value is read from the stream's dictionary, with the
// short key of inline images as the second choice, on first use.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "pdf/streams.h"
#include "pdfdocument/color_spaces.h"
#include "pdfdocument/pd_image_color_map.h"
#include "pdfdocument/pd_xobject.h"
#include "runtime/streams.h"

namespace vn::pdfdoc {

class TvnPDState;

enum class TvnIntentType { itAbsoluteColorimetric, itRelativeColorimetric, itSaturation, itPerceptual };

// The colour-key mask: per component the minimum and maximum sample value
// that is masked out.
struct TvnColorKeyRange {
  std::array<double, 4> MinRange{};
  std::array<double, 4> MaxRange{};
};

class TvnPDImage : public TvnPDXObject {
 public:
  TvnPDImage(vn::pdf::TvnPDDocumentIntf* AParentDoc, vn::pdf::TvnPDElement* AResourceElement,
             vn::pdf::TvnPDBaseObject* ABaseObject, std::string ATagName = std::string());
  ~TvnPDImage() override;

  // /Width (/W): 0 when missing or not an integer. -1 when the image is not
  // a stream (also for Height and BitsPerComponent).
  int32_t Width();
  // /Height (/H): -1 when missing or not an integer.
  int32_t Height();
  // /BitsPerComponent (/BPC): when missing or not an integer, 1 for an
  // image mask and -1 otherwise.
  int32_t BitsPerComponent();
  // /ImageMask (/IM) is the boolean true.
  bool ImageMask();
  // /ColorSpace (/CS): the space it describes, kept; a name that is no
  // device space is looked up in the resources of the parent element
  // (borrowed from them). Null when there is none.
  TvnPDColorSpace* ColorSpace();
  // Made once from the depth, /Decode (/D) and the colour space.
  TvnPDImageColorMap* ColorMap();

  // /Mask as a stream: the stencil mask image (same parent, this image's
  // state), kept; null otherwise. /Mask as an array of numbers sets the
  // colour-key range (at most four pairs) instead.
  TvnPDImage* Mask();
  bool HasColorKeyMask();
  const TvnColorKeyRange& ColorKeyRange();
  // The memory stream kept with a mask image for the device's use, at its
  // start; null for an image that is no mask of another.
  vn::TMemoryStream* MaskImage();

  // /SMask as a stream: the soft-mask image, kept; null otherwise.
  TvnPDImage* SoftMask();
  // The next byte of a soft-mask image's decoded data; -1 at the end or for
  // an image that is no soft mask.
  int AlphaComp();

  // The kind of the stream's top decoding stage (stDCT for a JPEG image);
  // stWeird when the image is not a stream.
  vn::pdf::TvnStreamType ImageType() const;

  bool IsInlineImage() const { return FIsInlineImage; }
  void SetIsInlineImage(bool AValue) { FIsInlineImage = AValue; }
  TvnIntentType Intent() const { return FIntentType; }
  void SetIntent(TvnIntentType AValue) { FIntentType = AValue; }
  bool Interpolate() const { return false; }
  TvnPDState* State() const { return FState; }
  // The state the image is drawn in (borrowed); a mask image gets the same.
  void SetState(TvnPDState* AValue);

 private:
  // The value of the long key, else of the short key; null when neither.
  vn::pdf::TvnPDBaseObject* Entry(const char* ALongKey, const char* AShortKey) const;
  void ReadMask();

  int32_t FWidth = -1;
  int32_t FHeight = -1;
  int32_t FBitsPerComponent = -1;
  int32_t FImageMask = -1;
  bool FHasImageMask = false;
  std::unique_ptr<TvnPDColorSpace> FColorSpace;
  TvnPDColorSpace* FBorrowedColorSpace = nullptr;
  bool FColorSpaceRead = false;
  std::unique_ptr<TvnPDImageColorMap> FColorMap;
  TvnIntentType FIntentType = TvnIntentType::itAbsoluteColorimetric;
  TvnPDState* FState = nullptr;
  std::unique_ptr<TvnPDImage> FSoftMask;
  bool FSoftMaskRead = false;
  vn::pdf::TvnStream* FSoftMaskStream = nullptr;
  bool FIsInlineImage = false;
  std::unique_ptr<vn::TMemoryStream> FMaskStream;
  std::unique_ptr<TvnPDImage> FMask;
  bool FMaskRead = false;
  bool FHasColorKeyMask = false;
  TvnColorKeyRange FColorKeyRange;
};

}  // namespace vn::pdfdoc
