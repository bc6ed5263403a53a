#include "pdfdocument/color_spaces.h"

#include <algorithm>
#include <cmath>

#include "pdfdocument/pdf_numbers_impl.h"

namespace vn::pdfdoc {

using vn::pdf::TvnPDArray;
using vn::pdf::TvnPDBaseObject;
using vn::pdf::TvnPDDictionary;
using vn::pdf::TvnPDStream;

namespace {

// Truncates x × 65536 toward zero; values far outside any colour range are
// held at the int32 limits of 16.16 and non-numbers give 0.
int32_t ColorToFixed(double x) {
  if (!std::isfinite(x)) return 0;
  return static_cast<int32_t>(std::clamp(x, -32768.0, 32767.0) * kFixedOne);
}

double ColorToReal(int32_t c) { return static_cast<double>(c) / kFixedOne; }

int32_t ClampFixed(int32_t c) { return std::clamp(c, 0, kFixedOne); }

double Clamp01(double x) { return std::isfinite(x) ? std::clamp(x, 0.0, 1.0) : 0.0; }

// Rounds to the nearest integer, halves to even, and clamps to 0..1.
int32_t RoundGray(double x) { return ClampFixed(static_cast<int32_t>(std::nearbyint(std::clamp(x, -1e9, 1e9)))); }

// An array entry of exactly N numbers into AOut; false (AOut unchanged)
// otherwise.
template <size_t N>
bool ColorNumberArray(const TvnPDDictionary* ADict, std::string_view AKey, std::array<double, N>& AOut) {
  const TvnPDBaseObject* o = ADict ? ADict->LookUp(AKey) : nullptr;
  const TvnPDArray* a = o ? o->AsArray() : nullptr;
  if (!a || a->GetLength() != static_cast<int64_t>(N)) return false;
  std::array<double, N> v{};
  for (size_t i = 0; i < N; ++i)
    if (!PdfNumber(a->Get(static_cast<int64_t>(i)), v[i])) return false;
  AOut = v;
  return true;
}

// The dictionary that is the second element of a colour-space array.
const TvnPDDictionary* ColorParamDict(const TvnPDBaseObject* ABaseObject) {
  const TvnPDArray* a = ABaseObject ? ABaseObject->AsArray() : nullptr;
  const TvnPDBaseObject* d = a ? a->Get(1) : nullptr;
  return d ? d->AsDict() : nullptr;
}

void ReadCalibration(const TvnPDDictionary* ADict, TvnCalibration& ACal) {
  ColorNumberArray(ADict, "WhitePoint", ACal.White);
  ColorNumberArray(ADict, "BlackPoint", ACal.Black);
}

// The corners of the CMYK cube as RGB, indexed by C M Y K bits (C highest).
constexpr double kCMYKCorners[16][3] = {
    {1.0, 1.0, 1.0},          {0.1373, 0.1216, 0.1255}, {1.0, 0.949, 0},          {0.1098, 0.102, 0},
    {0.9255, 0, 0.549},       {0.1412, 0, 0},           {0.9294, 0.1098, 0.1412}, {0.1333, 0, 0},
    {0, 0.6784, 0.9373},      {0, 0.0588, 0.1412},      {0, 0.651, 0.3137},       {0, 0.0745, 0},
    {0.1804, 0.1922, 0.5725}, {0, 0, 0.0078},           {0.2118, 0.2119, 0.2235}, {0, 0, 0},
};

void RGBToCMYK(const TvnRGB& ARGB, TvnCMYK& ACMYK) {
  const int32_t c = ClampFixed(kFixedOne - ARGB.R), m = ClampFixed(kFixedOne - ARGB.G),
                y = ClampFixed(kFixedOne - ARGB.B);
  const int32_t k = std::min({c, m, y});
  ACMYK = {c - k, m - k, y - k, k};
}

// The default colour of an ICC-based or Lab component with this range.
double RangeDefault(double AMin, double AMax) { return AMin > 0 ? AMin : (AMax >= 0 ? 0 : AMax); }

}  // namespace

// ---- Factory -------------------------------------------------------------------

std::unique_ptr<TvnPDColorSpace> TvnPDColorSpace::MakeColorSpace(TvnPDBaseObject* ABaseObject,
                                                                 const std::string& ATagName, int ADepth) {
  if (!ABaseObject || ADepth > kMaxDepth) return nullptr;
  std::unique_ptr<TvnPDColorSpace> cs;
  const TvnPDBaseObject* family = ABaseObject;
  if (const TvnPDArray* a = ABaseObject->AsArray()) family = a->GetLength() > 0 ? a->Get(0) : nullptr;
  else if (!ABaseObject->IsName()) return nullptr;
  if (!family || !family->IsName()) return nullptr;
  const std::string& n = family->AsName()->GetValue();
  const bool isArray = ABaseObject->IsArray();
  if (n == "DeviceGray" || n == "G") cs = std::make_unique<TvnPDDeviceGrayColorSpace>(ABaseObject);
  else if (n == "DeviceRGB" || n == "RGB") cs = std::make_unique<TvnPDDeviceRGBColorSpace>(ABaseObject);
  else if (n == "DeviceCMYK" || n == "CMYK") cs = std::make_unique<TvnPDDeviceCMYKColorSpace>(ABaseObject);
  else if (!isArray) return nullptr;
  else if (n == "CalRGB") cs = std::make_unique<TvnPDCalRGBColorSpace>(ABaseObject);
  else if (n == "CalGray") cs = std::make_unique<TvnPDCalGrayColorSpace>(ABaseObject);
  else if (n == "Lab") cs = std::make_unique<TvnPDLabColorSpace>(ABaseObject);
  else if (n == "ICCBased") cs = std::make_unique<TvnPDICCBasedColorSpace>(ABaseObject, ADepth);
  else if (n == "Indexed" || n == "I") cs = std::make_unique<TvnPDIndexedColorSpace>(ABaseObject, ADepth);
  else if (n == "Separation") cs = std::make_unique<TvnPDSeparationColorSpace>(ABaseObject, ADepth);
  else if (n == "DeviceN") cs = std::make_unique<TvnPDDeviceNColorSpace>(ABaseObject, ADepth);
  else if (n == "Pattern") cs = std::make_unique<TvnPDPatternColorSpace>(ABaseObject);
  else return nullptr;
  cs->FTagName = ATagName;
  return cs;
}

void TvnPDColorSpace::GetDefaultRanges(TvnDecodeArray& ADecodeLow, TvnDecodeArray& ADecodeRange, int) const {
  const auto n = static_cast<size_t>(std::clamp(GetNoOfComps(), 0, kMaxColorComps));
  for (size_t i = 0; i < n; ++i) {
    ADecodeLow[i] = 0;
    ADecodeRange[i] = 1;
  }
}

// ---- Device spaces ----------------------------------------------------------------

void TvnPDDeviceGrayColorSpace::GetGray(const TvnColorComp& AColor, int32_t& AGray) const {
  AGray = ClampFixed(AColor.Comps[0]);
}

void TvnPDDeviceGrayColorSpace::GetRGB(const TvnColorComp& AColor, TvnRGB& ARGB) const {
  const int32_t g = ClampFixed(AColor.Comps[0]);
  ARGB = {g, g, g};
}

void TvnPDDeviceGrayColorSpace::GetCMYK(const TvnColorComp& AColor, TvnCMYK& ACMYK) const {
  ACMYK = {0, 0, 0, kFixedOne - ClampFixed(AColor.Comps[0])};
}

void TvnPDDeviceRGBColorSpace::GetGray(const TvnColorComp& AColor, int32_t& AGray) const {
  const auto& c = AColor.Comps;
  AGray = RoundGray(0.3 * c[0] + 0.59 * c[1] + 0.11 * c[2] + 0.5);
}

void TvnPDDeviceRGBColorSpace::GetRGB(const TvnColorComp& AColor, TvnRGB& ARGB) const {
  ARGB = {ClampFixed(AColor.Comps[0]), ClampFixed(AColor.Comps[1]), ClampFixed(AColor.Comps[2])};
}

void TvnPDDeviceRGBColorSpace::GetCMYK(const TvnColorComp& AColor, TvnCMYK& ACMYK) const {
  TvnRGB rgb;
  GetRGB(AColor, rgb);
  RGBToCMYK(rgb, ACMYK);
}

void TvnPDDeviceCMYKColorSpace::GetDefaultColor(TvnColorComp& AColor) const {
  AColor.Comps[0] = AColor.Comps[1] = AColor.Comps[2] = 0;
  AColor.Comps[3] = kFixedOne;
}

void TvnPDDeviceCMYKColorSpace::GetGray(const TvnColorComp& AColor, int32_t& AGray) const {
  const auto& c = AColor.Comps;
  AGray = RoundGray(double(kFixedOne) - c[3] - 0.3 * c[0] - 0.59 * c[1] - 0.11 * c[2] + 0.5);
}

void TvnPDDeviceCMYKColorSpace::GetRGB(const TvnColorComp& AColor, TvnRGB& ARGB) const {
  std::array<double, 4> v{};
  for (size_t i = 0; i < 4; ++i) v[i] = Clamp01(ColorToReal(AColor.Comps[i]));
  double r = 0, g = 0, b = 0;
  for (unsigned corner = 0; corner < 16; ++corner) {
    double w = 1;
    for (unsigned i = 0; i < 4; ++i) w *= (corner >> (3 - i)) & 1 ? v[i] : 1 - v[i];
    r += w * kCMYKCorners[corner][0];
    g += w * kCMYKCorners[corner][1];
    b += w * kCMYKCorners[corner][2];
  }
  ARGB = {ClampFixed(ColorToFixed(r)), ClampFixed(ColorToFixed(g)), ClampFixed(ColorToFixed(b))};
}

void TvnPDDeviceCMYKColorSpace::GetCMYK(const TvnColorComp& AColor, TvnCMYK& ACMYK) const {
  const auto& c = AColor.Comps;
  ACMYK = {ClampFixed(c[0]), ClampFixed(c[1]), ClampFixed(c[2]), ClampFixed(c[3])};
}

// ---- Calibrated spaces -------------------------------------------------------------

TvnPDCalGrayColorSpace::TvnPDCalGrayColorSpace(TvnPDBaseObject* ABaseObject)
    : TvnPDDeviceGrayColorSpace(ABaseObject) {
  const TvnPDDictionary* d = ColorParamDict(ABaseObject);
  ReadCalibration(d, FCal);
  if (d) PdfNumber(d->LookUp("Gamma"), FGamma);
}

TvnPDCalRGBColorSpace::TvnPDCalRGBColorSpace(TvnPDBaseObject* ABaseObject) : TvnPDDeviceRGBColorSpace(ABaseObject) {
  const TvnPDDictionary* d = ColorParamDict(ABaseObject);
  ReadCalibration(d, FCal);
  ColorNumberArray(d, "Gamma", FGamma);
  ColorNumberArray(d, "Matrix", FMatrix);
}

void TvnPDCalRGBColorSpace::GetGray(const TvnColorComp& AColor, int32_t& AGray) const {
  const auto& c = AColor.Comps;
  AGray = RoundGray(0.299 * c[0] + 0.587 * c[1] + 0.114 * c[2] + 0.5);
}

// ---- Lab -------------------------------------------------------------------------

namespace {
constexpr double kXYZToRGB[3][3] = {
    {3.240449, -1.537136, -0.498531}, {-0.969265, 1.876011, 0.041556}, {0.055643, -0.204026, 1.057229}};

double LabCurve(double s) { return s >= 6.0 / 29.0 ? s * s * s : (108.0 / 841.0) * (s - 4.0 / 29.0); }
}  // namespace

TvnPDLabColorSpace::TvnPDLabColorSpace(TvnPDBaseObject* ABaseObject) : TvnPDColorSpace(ABaseObject) {
  const TvnPDDictionary* d = ColorParamDict(ABaseObject);
  ReadCalibration(d, FCal);
  std::array<double, 4> range{-100, 100, -100, 100};
  ColorNumberArray(d, "Range", range);
  FAMin = range[0];
  FAMax = range[1];
  FBMin = range[2];
  FBMax = range[3];
  std::array<double*, 3> k{&FKR, &FKG, &FKB};
  for (size_t row = 0; row < 3; ++row) {
    const double dot = FCal.White[0] * kXYZToRGB[row][0] + FCal.White[1] * kXYZToRGB[row][1] +
                       FCal.White[2] * kXYZToRGB[row][2];
    *k[row] = dot == 0 ? 0 : 1 / dot;
  }
}

void TvnPDLabColorSpace::GetDefaultColor(TvnColorComp& AColor) const {
  AColor.Comps[0] = 0;
  AColor.Comps[1] = ColorToFixed(RangeDefault(FAMin, FAMax));
  AColor.Comps[2] = ColorToFixed(RangeDefault(FBMin, FBMax));
}

void TvnPDLabColorSpace::GetDefaultRanges(TvnDecodeArray& ADecodeLow, TvnDecodeArray& ADecodeRange, int) const {
  ADecodeLow[0] = 0;
  ADecodeRange[0] = 100;
  ADecodeLow[1] = FAMin;
  ADecodeRange[1] = FAMax - FAMin;
  ADecodeLow[2] = FBMin;
  ADecodeRange[2] = FBMax - FBMin;
}

void TvnPDLabColorSpace::GetRGB(const TvnColorComp& AColor, TvnRGB& ARGB) const {
  const double t = (ColorToReal(AColor.Comps[0]) + 16) / 116;
  const std::array<double, 3> xyz{LabCurve(t + ColorToReal(AColor.Comps[1]) / 500) * FCal.White[0],
                                  LabCurve(t) * FCal.White[1],
                                  LabCurve(t - ColorToReal(AColor.Comps[2]) / 200) * FCal.White[2]};
  const std::array<double, 3> k{FKR, FKG, FKB};
  std::array<int32_t, 3> out{};
  for (size_t row = 0; row < 3; ++row) {
    const double v = kXYZToRGB[row][0] * xyz[0] + kXYZToRGB[row][1] * xyz[1] + kXYZToRGB[row][2] * xyz[2];
    out[row] = ColorToFixed(std::sqrt(Clamp01(v * k[row])));
  }
  ARGB = {out[0], out[1], out[2]};
}

void TvnPDLabColorSpace::GetGray(const TvnColorComp& AColor, int32_t& AGray) const {
  TvnRGB rgb;
  GetRGB(AColor, rgb);
  AGray = RoundGray(0.299 * rgb.R + 0.587 * rgb.G + 0.114 * rgb.B + 0.5);
}

void TvnPDLabColorSpace::GetCMYK(const TvnColorComp& AColor, TvnCMYK& ACMYK) const {
  TvnRGB rgb;
  GetRGB(AColor, rgb);
  RGBToCMYK(rgb, ACMYK);
}

// ---- ICC-based --------------------------------------------------------------------

TvnPDICCBasedColorSpace::TvnPDICCBasedColorSpace(TvnPDBaseObject* ABaseObject, int ADepth)
    : TvnPDColorSpace(ABaseObject) {
  for (auto& v : FRangeMax) v = 1;
  const TvnPDArray* a = ABaseObject->AsArray();
  const TvnPDBaseObject* s = a && a->GetLength() > 1 ? a->Get(1) : nullptr;
  const TvnPDStream* stream = s ? s->AsStream() : nullptr;
  const TvnPDDictionary* d = stream ? stream->GetDict() : nullptr;
  if (!d) return;
  if (const TvnPDBaseObject* n = d->LookUp("N")) {
    double v = 0;
    if (!PdfNumber(n, v)) return;
    FNoOfComps = static_cast<int>(std::clamp(v, 0.0, double(kMaxColorComps)));
  }
  const TvnPDBaseObject* alt = d->LookUp("Alternate");
  if (alt && alt->IsName()) {
    if (alt->IsName("DeviceRGB") || alt->IsName("DeviceGray") || alt->IsName("DeviceCMYK"))
      FAlt = MakeColorSpace(const_cast<TvnPDBaseObject*>(alt), {}, ADepth + 1);
  } else if (FNoOfComps == 1) {
    FAlt = std::make_unique<TvnPDDeviceGrayColorSpace>();
  } else if (FNoOfComps == 3) {
    FAlt = std::make_unique<TvnPDDeviceRGBColorSpace>();
  } else if (FNoOfComps == 4) {
    FAlt = std::make_unique<TvnPDDeviceCMYKColorSpace>();
  }
  // Ranges are read as numbers, real or integer, one pair per component.
  const TvnPDBaseObject* r = d->LookUp("Range");
  const TvnPDArray* range = r ? r->AsArray() : nullptr;
  if (range && range->GetLength() == 2 * FNoOfComps) {
    TvnDecodeArray lo{}, hi{};
    for (size_t i = 0; i < static_cast<size_t>(FNoOfComps); ++i) {
      if (!PdfNumber(range->Get(static_cast<int64_t>(2 * i)), lo[i]) ||
          !PdfNumber(range->Get(static_cast<int64_t>(2 * i + 1)), hi[i]))
        return;
    }
    FRangeMin = lo;
    FRangeMax = hi;
  }
}

void TvnPDICCBasedColorSpace::GetDefaultColor(TvnColorComp& AColor) const {
  for (size_t i = 0; i < static_cast<size_t>(FNoOfComps); ++i)
    AColor.Comps[i] = ColorToFixed(RangeDefault(FRangeMin[i], FRangeMax[i]));
}

void TvnPDICCBasedColorSpace::GetDefaultRanges(TvnDecodeArray& ADecodeLow, TvnDecodeArray& ADecodeRange,
                                               int AMaxImgPixel) const {
  if (FAlt) FAlt->GetDefaultRanges(ADecodeLow, ADecodeRange, AMaxImgPixel);
}

void TvnPDICCBasedColorSpace::GetGray(const TvnColorComp& AColor, int32_t& AGray) const {
  if (FAlt) FAlt->GetGray(AColor, AGray);
}

void TvnPDICCBasedColorSpace::GetRGB(const TvnColorComp& AColor, TvnRGB& ARGB) const {
  if (FAlt) FAlt->GetRGB(AColor, ARGB);
}

void TvnPDICCBasedColorSpace::GetCMYK(const TvnColorComp& AColor, TvnCMYK& ACMYK) const {
  if (FAlt) FAlt->GetCMYK(AColor, ACMYK);
}

// ---- Indexed ------------------------------------------------------------------------

TvnPDIndexedColorSpace::TvnPDIndexedColorSpace(TvnPDBaseObject* ABaseObject, int ADepth)
    : TvnPDColorSpace(ABaseObject) {
  const TvnPDArray* a = ABaseObject->AsArray();
  if (!a || a->GetLength() != 4) return;
  FBase = MakeColorSpace(a->Get(1), {}, ADepth + 1);
  const TvnPDBaseObject* hival = a->Get(2);
  if (!FBase || !hival || !hival->IsInteger()) return;
  const int64_t high = hival->AsInteger()->GetValue();
  if (high < 0 || high > 255) return;
  FIndexHigh = static_cast<int>(high);
  const size_t want = static_cast<size_t>(std::max(FBase->GetNoOfComps(), 0)) * static_cast<size_t>(high + 1);
  TvnPDBaseObject* lookup = a->Get(3);
  if (!lookup) return;
  if (TvnPDStream* s = lookup->AsStream()) {
    s->Reset();
    FLookup.reserve(want);
    uint8_t buf[256];
    while (FLookup.size() < want) {
      const size_t got = s->Read(buf, std::min(sizeof buf, want - FLookup.size()));
      if (got == 0) break;
      FLookup.append(reinterpret_cast<const char*>(buf), got);
    }
    s->Close();
  } else if (const auto* str = lookup->AsString()) {
    FLookup = (str->IsHexString() ? str->GetHexToString() : str->GetValue()).substr(0, want);
  }
  // A short table reads as zeros past its end.
  FLookup.resize(want, '\0');
}

void TvnPDIndexedColorSpace::GetDefaultRanges(TvnDecodeArray& ADecodeLow, TvnDecodeArray& ADecodeRange,
                                              int AMaxImgPixel) const {
  ADecodeLow[0] = 0;
  ADecodeRange[0] = AMaxImgPixel;
}

void TvnPDIndexedColorSpace::MapColorToBase(const TvnColorComp& AColor, TvnColorComp& ABaseColor) const {
  if (!FBase) return;
  const int64_t index = std::clamp<int64_t>((int64_t{AColor.Comps[0]} + kFixedOne / 2) >> 16, 0, FIndexHigh);
  TvnDecodeArray low{}, range{};
  FBase->GetDefaultRanges(low, range, FIndexHigh);
  const auto n = static_cast<size_t>(std::clamp(FBase->GetNoOfComps(), 0, kMaxColorComps));
  for (size_t j = 0; j < n; ++j) {
    const size_t at = static_cast<size_t>(index) * n + j;
    const double byte = at < FLookup.size() ? static_cast<uint8_t>(FLookup[at]) : 0;
    ABaseColor.Comps[j] = ColorToFixed(low[j] + byte / 255.0 * range[j]);
  }
}

void TvnPDIndexedColorSpace::GetGray(const TvnColorComp& AColor, int32_t& AGray) const {
  if (!FBase) return;
  TvnColorComp base;
  MapColorToBase(AColor, base);
  FBase->GetGray(base, AGray);
}

void TvnPDIndexedColorSpace::GetRGB(const TvnColorComp& AColor, TvnRGB& ARGB) const {
  if (!FBase) return;
  TvnColorComp base;
  MapColorToBase(AColor, base);
  FBase->GetRGB(base, ARGB);
}

void TvnPDIndexedColorSpace::GetCMYK(const TvnColorComp& AColor, TvnCMYK& ACMYK) const {
  if (!FBase) return;
  TvnColorComp base;
  MapColorToBase(AColor, base);
  FBase->GetCMYK(base, ACMYK);
}

// ---- Separation ---------------------------------------------------------------------

TvnPDSeparationColorSpace::TvnPDSeparationColorSpace(TvnPDBaseObject* ABaseObject, int ADepth)
    : TvnPDColorSpace(ABaseObject) {
  const TvnPDArray* a = ABaseObject->AsArray();
  if (!a || a->GetLength() != 4) return;
  const TvnPDBaseObject* name = a->Get(1);
  if (!name || !name->IsName()) return;
  FName = name->AsName()->GetValue();
  FIsNonMarking = FName == "None";
  FAlt = MakeColorSpace(a->Get(2), {}, ADepth + 1);
  if (FAlt) FFunc = TvnPDFunction::MakeFunction(a->Get(3));
}

void TvnPDSeparationColorSpace::GetDefaultColor(TvnColorComp& AColor) const {
  if (!FFunc && FAlt && FAlt->GetMode() == TvnColorSpaceMode::csDeviceCMYK &&
      (FName == "Black" || FName == "Cyan" || FName == "Magenta" || FName == "Yellow"))
    FAlt->GetDefaultColor(AColor);
  else
    AColor.Comps[0] = kFixedOne;
}

TvnColorComp TvnPDSeparationColorSpace::ToAlternate(const TvnColorComp& AColor) const {
  TvnColorComp alt;
  if (!FFunc) return alt;
  TvnFunctionValues in{}, out{};
  in[0] = ColorToReal(AColor.Comps[0]);
  FFunc->Transform(in, out);
  for (size_t i = 0; i < kMaxColorComps; ++i) alt.Comps[i] = ColorToFixed(out[i]);
  return alt;
}

void TvnPDSeparationColorSpace::GetRGB(const TvnColorComp& AColor, TvnRGB& ARGB) const {
  if (!FAlt) {
    ARGB = {};
    return;
  }
  TvnColorComp alt;
  if (FFunc) {
    alt = ToAlternate(AColor);
  } else {
    FAlt->GetDefaultColor(alt);
    if (FName == "Black") alt.Comps[3] = AColor.Comps[0];
  }
  FAlt->GetRGB(alt, ARGB);
}

void TvnPDSeparationColorSpace::GetGray(const TvnColorComp& AColor, int32_t& AGray) const {
  if (FAlt) FAlt->GetGray(ToAlternate(AColor), AGray);
}

void TvnPDSeparationColorSpace::GetCMYK(const TvnColorComp& AColor, TvnCMYK& ACMYK) const {
  if (FAlt) FAlt->GetCMYK(ToAlternate(AColor), ACMYK);
}

// ---- DeviceN ------------------------------------------------------------------------

TvnPDDeviceNColorSpace::TvnPDDeviceNColorSpace(TvnPDBaseObject* ABaseObject, int ADepth)
    : TvnPDColorSpace(ABaseObject) {
  const TvnPDArray* a = ABaseObject->AsArray();
  const TvnPDBaseObject* names = a && a->GetLength() >= 4 ? a->Get(1) : nullptr;
  if (!names || !names->IsArray()) return;
  const TvnPDArray* list = names->AsArray();
  for (int64_t i = 0; i < list->GetLength() && i < kMaxColorComps; ++i) {
    const TvnPDBaseObject* n = list->Get(i);
    if (!n || !n->IsName()) return;
    FNames.push_back(n->AsName()->GetValue());
  }
  FNoOfComps = static_cast<int>(FNames.size());
  FIsNonMarking = !FNames.empty() && std::all_of(FNames.begin(), FNames.end(), [](const std::string& s) {
    return s == "None";
  });
  FAlt = MakeColorSpace(a->Get(2), {}, ADepth + 1);
  if (FAlt) FFunc = TvnPDFunction::MakeFunction(a->Get(3));
  if (!FFunc) FAlt.reset();
}

void TvnPDDeviceNColorSpace::GetDefaultColor(TvnColorComp& AColor) const {
  for (size_t i = 0; i < static_cast<size_t>(FNoOfComps); ++i) AColor.Comps[i] = kFixedOne;
}

bool TvnPDDeviceNColorSpace::ToAlternate(const TvnColorComp& AColor, TvnColorComp& AAlt) const {
  if (!FAlt || !FFunc) return false;
  TvnFunctionValues in{}, out{};
  for (size_t i = 0; i < static_cast<size_t>(FNoOfComps); ++i) in[i] = ColorToReal(AColor.Comps[i]);
  FFunc->Transform(in, out);
  for (size_t i = 0; i < kMaxColorComps; ++i) AAlt.Comps[i] = ColorToFixed(out[i]);
  return true;
}

void TvnPDDeviceNColorSpace::GetGray(const TvnColorComp& AColor, int32_t& AGray) const {
  TvnColorComp alt;
  if (ToAlternate(AColor, alt)) FAlt->GetGray(alt, AGray);
}

void TvnPDDeviceNColorSpace::GetRGB(const TvnColorComp& AColor, TvnRGB& ARGB) const {
  TvnColorComp alt;
  if (ToAlternate(AColor, alt)) FAlt->GetRGB(alt, ARGB);
}

void TvnPDDeviceNColorSpace::GetCMYK(const TvnColorComp& AColor, TvnCMYK& ACMYK) const {
  TvnColorComp alt;
  if (ToAlternate(AColor, alt)) FAlt->GetCMYK(alt, ACMYK);
}

}  // namespace vn::pdfdoc
