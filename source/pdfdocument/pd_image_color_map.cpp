#include "pdfdocument/pd_image_color_map.h"

#include <algorithm>
#include <cmath>

#include "pdfdocument/pdf_numbers_impl.h"

namespace vn::pdfdoc {

namespace {

int32_t FixedFromReal(double AValue) {
  const double v = std::trunc(AValue * 65536.0);
  if (!(v > -2147483648.0)) return INT32_MIN;
  if (v > 2147483647.0) return INT32_MAX;
  return static_cast<int32_t>(v);
}

}  // namespace

TvnPDImageColorMap::TvnPDImageColorMap(int ABits, vn::pdf::TvnPDBaseObject* ADecodeArray,
                                       const TvnPDColorSpace* AColorSpace)
    : FBits(ABits == -1 ? 1 : ABits), FColorSpace(AColorSpace) {
  if (FBits != 1 && FBits != 2 && FBits != 4 && FBits != 8 && FBits != 16) {
    FOk = false;
    return;
  }
  const int table_bits = FBits == 16 ? 8 : FBits;
  const int max = (1 << table_bits) - 1;
  const int space_comps = AColorSpace ? std::clamp(AColorSpace->GetNoOfComps(), 0, kMaxColorComps) : 1;
  if (!ADecodeArray) {
    FNComps = space_comps;
    if (AColorSpace) {
      AColorSpace->GetDefaultRanges(FDecodeLow, FDecodeRange, max);
    } else {
      FDecodeLow[0] = 0;
      FDecodeRange[0] = 1;
    }
  } else if (const auto* array = ADecodeArray->AsArray()) {
    FNComps = static_cast<int>(std::min<int64_t>(array->GetLength() / 2, kMaxColorComps + 1));
    if (FNComps != space_comps) {
      FOk = false;
      return;
    }
    for (int i = 0; i < FNComps; ++i) {
      double lo = 0, hi = 0;
      if (!PdfNumber(array->GetRefObj(2 * i), lo) || !PdfNumber(array->GetRefObj(2 * i + 1), hi)) {
        FOk = false;
        return;
      }
      FDecodeLow[static_cast<size_t>(i)] = lo;
      FDecodeRange[static_cast<size_t>(i)] = hi - lo;
    }
  } else {
    FOk = false;
    return;
  }

  const auto entries = static_cast<size_t>(max + 1);
  const TvnColorSpaceMode mode = AColorSpace ? AColorSpace->GetMode() : TvnColorSpaceMode::csDeviceGray;
  if (mode == TvnColorSpaceMode::csIndexed) {
    const auto* indexed = static_cast<const TvnPDIndexedColorSpace*>(AColorSpace);
    FColorSpace2 = indexed->GetBase();
    if (!FColorSpace2) {
      FOk = false;
      return;
    }
    FNComps2 = std::clamp(FColorSpace2->GetNoOfComps(), 0, kMaxColorComps);
    TvnDecodeArray base_low{}, base_range{};
    FColorSpace2->GetDefaultRanges(base_low, base_range, 255);
    const std::string& lookup = indexed->GetLookup();
    FLookUp.assign(static_cast<size_t>(FNComps2), std::vector<int32_t>(entries, 0));
    for (size_t v = 0; v < entries; ++v) {
      const double x = static_cast<double>(v) * FDecodeRange[0] / max + FDecodeLow[0] + 0.5;
      const int index = std::isfinite(x) ? static_cast<int>(std::clamp(std::trunc(x), 0.0,
                                                                        static_cast<double>(indexed->GetIndexHigh())))
                                         : 0;
      for (size_t c = 0; c < static_cast<size_t>(FNComps2); ++c) {
        // A palette shorter than its highest index gives 0 for the bytes it lacks.
        const size_t at = static_cast<size_t>(FNComps2) * static_cast<size_t>(index) + c;
        const double byte = at < lookup.size() ? static_cast<uint8_t>(lookup[at]) : 0;
        FLookUp[c][v] = FixedFromReal(byte / 255.0 * base_range[c] + base_low[c]);
      }
    }
  } else if (mode == TvnColorSpaceMode::csSeparation) {
    const auto* separation = static_cast<const TvnPDSeparationColorSpace*>(AColorSpace);
    FColorSpace2 = separation->GetAlt();
    if (!FColorSpace2) {
      FOk = false;
      return;
    }
    FNComps2 = std::clamp(FColorSpace2->GetNoOfComps(), 0, kMaxColorComps);
    FLookUp.assign(static_cast<size_t>(FNComps2), std::vector<int32_t>(entries, 0));
    for (size_t v = 0; v < entries; ++v) {
      const double t = static_cast<double>(v) * FDecodeRange[0] / max + FDecodeLow[0];
      TvnFunctionValues in{}, out{};
      in[0] = t;
      if (const TvnPDFunction* func = separation->GetFunction()) {
        func->Transform(in, out);
      } else {
        out.fill(t);
      }
      for (size_t c = 0; c < static_cast<size_t>(FNComps2); ++c) FLookUp[c][v] = FixedFromReal(out[c]);
    }
  } else {
    FLookUp.assign(static_cast<size_t>(FNComps), std::vector<int32_t>(entries, 0));
    for (size_t c = 0; c < static_cast<size_t>(FNComps); ++c) {
      for (size_t v = 0; v < entries; ++v) {
        FLookUp[c][v] = FixedFromReal(static_cast<double>(v) * FDecodeRange[c] / max + FDecodeLow[c]);
      }
    }
  }
}

int32_t TvnPDImageColorMap::LookUp(int AComp, int AValue) const {
  if (AComp < 0 || static_cast<size_t>(AComp) >= FLookUp.size()) return 0;
  const auto& table = FLookUp[static_cast<size_t>(AComp)];
  if (AValue < 0 || static_cast<size_t>(AValue) >= table.size()) return 0;
  return table[static_cast<size_t>(AValue)];
}

TvnColorComp TvnPDImageColorMap::Components(const std::vector<uint8_t>& AX, size_t ACurrentIndex) const {
  TvnColorComp color;
  auto sample = [&](size_t AAt) { return AAt < AX.size() ? static_cast<int>(AX[AAt]) : 0; };
  if (FColorSpace2) {
    for (int c = 0; c < FNComps2; ++c) color.Comps[static_cast<size_t>(c)] = LookUp(c, sample(ACurrentIndex));
  } else {
    for (int i = 0; i < FNComps && i < kMaxColorComps; ++i) {
      color.Comps[static_cast<size_t>(i)] = LookUp(i, sample(ACurrentIndex + static_cast<size_t>(i)));
    }
  }
  return color;
}

void TvnPDImageColorMap::GetGray(const std::vector<uint8_t>& AX, size_t ACurrentIndex, int32_t& AGray) const {
  const TvnColorComp color = Components(AX, ACurrentIndex);
  if (FColorSpace2) {
    FColorSpace2->GetGray(color, AGray);
  } else if (FColorSpace) {
    FColorSpace->GetGray(color, AGray);
  } else {
    AGray = color.Comps[0];
  }
}

void TvnPDImageColorMap::GetRGB(const std::vector<uint8_t>& AX, size_t ACurrentIndex, TvnRGB& ARGB) const {
  const TvnColorComp color = Components(AX, ACurrentIndex);
  if (FColorSpace2) {
    FColorSpace2->GetRGB(color, ARGB);
  } else if (FColorSpace) {
    FColorSpace->GetRGB(color, ARGB);
  } else {
    ARGB = {color.Comps[0], color.Comps[0], color.Comps[0]};
  }
}

void TvnPDImageColorMap::GetCMYK(const std::vector<uint8_t>& AX, size_t ACurrentIndex, TvnCMYK& ACMYK) const {
  const TvnColorComp color = Components(AX, ACurrentIndex);
  if (FColorSpace2) {
    FColorSpace2->GetCMYK(color, ACMYK);
  } else if (FColorSpace) {
    FColorSpace->GetCMYK(color, ACMYK);
  } else {
    ACMYK = {0, 0, 0, kFixedOne - color.Comps[0]};
  }
}

double TvnPDImageColorMap::GetDecodeLow(int AIndex) const {
  if (AIndex < 0 || AIndex >= kMaxColorComps) return 0;
  return FDecodeLow[static_cast<size_t>(AIndex)];
}

double TvnPDImageColorMap::GetDecodeHigh(int AIndex) const {
  if (AIndex < 0 || AIndex >= kMaxColorComps) return 0;
  return FDecodeLow[static_cast<size_t>(AIndex)] + FDecodeRange[static_cast<size_t>(AIndex)];
}

}  // namespace vn::pdfdoc
