// Samples of an image to colour components: each component's sample value
// goes through the Decode range (or the colour space's default range) into
// a lookup table of 16.16 components; Indexed images look up their palette
// and Separation images run their tint transform when the tables are built.
#pragma once

#include <cstdint>
#include <vector>

#include "pdf/objects.h"
#include "pdfdocument/color_spaces.h"

namespace vn::pdfdoc {

// A 16.16 component as a byte, rounded.
inline uint8_t ColorCompToByte(int32_t AComp) {
  const int64_t v = (static_cast<int64_t>(AComp) * 255 + 32768) >> 16;
  return static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
}

class TvnPDImageColorMap : public vn::pdf::TvnObject {
 public:
  // ABits -1 counts as 1. Depths other than 1, 2, 4, 8 and 16 bits, a
  // Decode that is not an array or does not give two numbers per component
  // of the colour space make a map that is not Ok. 16-bit samples are read
  // by their high byte, so their tables have 256 entries.
  TvnPDImageColorMap(int ABits, vn::pdf::TvnPDBaseObject* ADecodeArray, const TvnPDColorSpace* AColorSpace);

  // The colour of the pixel whose first sample is AX[ACurrentIndex]; samples
  // past the end of AX count as 0.
  void GetGray(const std::vector<uint8_t>& AX, size_t ACurrentIndex, int32_t& AGray) const;
  void GetRGB(const std::vector<uint8_t>& AX, size_t ACurrentIndex, TvnRGB& ARGB) const;
  void GetCMYK(const std::vector<uint8_t>& AX, size_t ACurrentIndex, TvnCMYK& ACMYK) const;

  double GetDecodeLow(int AIndex) const;
  double GetDecodeHigh(int AIndex) const;
  int GetNumberOfBits() const { return FBits; }
  int GetNumberOfPixelComps() const { return FNComps; }
  const TvnPDColorSpace* GetColorSpace() const { return FColorSpace; }
  bool IsOk() const { return FOk; }
  // The table entry of component AComp for the sample AValue (0 outside).
  int32_t LookUp(int AComp, int AValue) const;

 private:
  TvnColorComp Components(const std::vector<uint8_t>& AX, size_t ACurrentIndex) const;

  int FBits = 1;
  const TvnPDColorSpace* FColorSpace = nullptr;
  const TvnPDColorSpace* FColorSpace2 = nullptr;
  std::vector<std::vector<int32_t>> FLookUp;
  int FNComps = 0;
  int FNComps2 = 0;
  TvnDecodeArray FDecodeLow{};
  TvnDecodeArray FDecodeRange{};
  bool FOk = true;
};

}  // namespace vn::pdfdoc
