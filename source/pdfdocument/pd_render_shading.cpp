// Shadings of the rendering device rasterised over device pixels:
// function-based, axial and radial shadings through their functions.
#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <vector>

#include "pdfdocument/color_spaces.h"
#include "pdfdocument/pd_image_color_map.h"
#include "pdfdocument/pd_render_impl.h"
#include "pdfdocument/pdf_functions.h"

namespace vn::pdfdoc {

namespace gfx = vn::platform::gfx;
using vn::pdf::TvnPDBaseObject;

namespace {

// Colour entries of a 1-input shading's lookup table.
constexpr int kShadingSteps = 1024;

double NumberAt(const vn::pdf::TvnPDArray* AArray, int64_t AIndex, double ADefault) {
  const TvnPDBaseObject* o = AArray && AIndex < AArray->GetLength() ? AArray->Get(AIndex) : nullptr;
  if (!o || !o->IsNumber()) return ADefault;
  const double v = o->AsInteger() ? static_cast<double>(o->AsInteger()->GetValue()) : o->AsReal()->GetValue();
  return std::isfinite(v) ? v : ADefault;
}

bool BoolAt(const vn::pdf::TvnPDArray* AArray, int64_t AIndex) {
  const TvnPDBaseObject* o = AArray && AIndex < AArray->GetLength() ? AArray->Get(AIndex) : nullptr;
  return o && o->AsBoolean() && o->AsBoolean()->GetValue();
}

// The shading's colour functions: one function of n outputs or n functions
// of one output each.
struct ShadingFunctions {
  std::vector<std::unique_ptr<TvnPDFunction>> List;

  bool Read(TvnPDBaseObject* AObject) {
    if (!AObject) return false;
    if (auto* array = AObject->AsArray()) {
      for (int64_t i = 0; i < array->GetLength() && i < kMaxColorComps; ++i) {
        auto f = TvnPDFunction::MakeFunction(array->Get(i));
        if (!f || !f->IsOk()) return false;
        List.push_back(std::move(f));
      }
    } else {
      auto f = TvnPDFunction::MakeFunction(AObject);
      if (!f || !f->IsOk()) return false;
      List.push_back(std::move(f));
    }
    return !List.empty();
  }

  // The colour components (16.16) for the inputs.
  TvnColorComp Evaluate(double AIn0, double AIn1, int AComps) const {
    TvnFunctionValues in{}, out{};
    in[0] = AIn0;
    in[1] = AIn1;
    TvnColorComp color{};
    if (List.size() == 1) {
      List[0]->Transform(in, out);
      for (int c = 0; c < AComps && c < kMaxColorComps; ++c) color.Comps[static_cast<size_t>(c)] = ToFixed(out[static_cast<size_t>(c)]);
    } else {
      for (size_t c = 0; c < List.size() && c < static_cast<size_t>(kMaxColorComps); ++c) {
        List[c]->Transform(in, out);
        color.Comps[c] = ToFixed(out[0]);
      }
    }
    return color;
  }

  static int32_t ToFixed(double AValue) {
    if (!std::isfinite(AValue)) return 0;
    return static_cast<int32_t>(std::lround(std::clamp(AValue, -1000.0, 1000.0) * kFixedOne));
  }
};

vn::platform::BGRA ToBGRA(const TvnPDColorSpace& ASpace, const TvnColorComp& AColor) {
  TvnRGB rgb;
  ASpace.GetRGB(AColor, rgb);
  return {ColorCompToByte(rgb.B), ColorCompToByte(rgb.G), ColorCompToByte(rgb.R), 255};
}

// The parameter s (0 at the start circle, 1 at the end one) of the largest
// circle through the point, or false when no circle with a radius of at
// least 0 within the allowed range passes through it.
bool RadialParameter(double APx, double APy, const std::array<double, 6>& ACoords, bool AExtend0, bool AExtend1,
                     double& AS) {
  const double x0 = ACoords[0], y0 = ACoords[1], r0 = ACoords[2];
  const double cdx = ACoords[3] - x0, cdy = ACoords[4] - y0, dr = ACoords[5] - r0;
  const double pdx = APx - x0, pdy = APy - y0;
  const double a = cdx * cdx + cdy * cdy - dr * dr;
  const double b = pdx * cdx + pdy * cdy + r0 * dr;
  const double c = pdx * pdx + pdy * pdy - r0 * r0;
  auto usable = [&](double s) {
    if (!std::isfinite(s) || r0 + s * dr < 0) return false;
    if (s < 0) return AExtend0;
    if (s > 1) return AExtend1;
    return true;
  };
  if (std::fabs(a) < 1e-12) {
    if (std::fabs(b) < 1e-12) return false;
    const double s = c / (2 * b);
    if (!usable(s)) return false;
    AS = s;
    return true;
  }
  const double disc = b * b - a * c;
  if (disc < 0) return false;
  const double root = std::sqrt(disc);
  const double s1 = (b + root) / a, s2 = (b - root) / a;
  const double hi = std::max(s1, s2), lo = std::min(s1, s2);
  if (usable(hi)) {
    AS = hi;
    return true;
  }
  if (usable(lo)) {
    AS = lo;
    return true;
  }
  return false;
}

}  // namespace

vn::platform::Bitmap RenderShading(TvnPDBaseObject* AShading, const gfx::Matrix& AFromDevice, int AX, int AY,
                                   int AWidth, int AHeight, bool AUseBackground) {
  using vn::platform::Bitmap;
  if (!AShading || AWidth <= 0 || AHeight <= 0) return Bitmap();
  vn::pdf::TvnPDDictionary* dict = AShading->AsDict();
  if (!dict && AShading->AsStream()) dict = AShading->AsStream()->GetDict();
  if (!dict) return Bitmap();
  TvnPDBaseObject* type_object = dict->LookUp("ShadingType");
  const int64_t type = type_object && type_object->AsInteger() ? type_object->AsInteger()->GetValue() : 0;
  if (type < 1 || type > 3) return Bitmap();
  std::unique_ptr<TvnPDColorSpace> space = TvnPDColorSpace::MakeColorSpace(dict->LookUp("ColorSpace"), std::string());
  if (!space || space->GetMode() == TvnColorSpaceMode::csPattern) return Bitmap();
  const int comps = space->GetNoOfComps();
  ShadingFunctions functions;
  if (!functions.Read(dict->LookUp("Function"))) return Bitmap();
  TvnPDBaseObject* domain_object = dict->LookUp("Domain");
  const auto* domain = domain_object ? domain_object->AsArray() : nullptr;
  TvnPDBaseObject* extend_object = dict->LookUp("Extend");
  const auto* extend = extend_object ? extend_object->AsArray() : nullptr;
  TvnPDBaseObject* coords_object = dict->LookUp("Coords");
  const auto* coords_array = coords_object ? coords_object->AsArray() : nullptr;

  vn::platform::BGRA background{0, 0, 0, 0};
  if (TvnPDBaseObject* bg = AUseBackground ? dict->LookUp("Background") : nullptr; bg && bg->AsArray()) {
    TvnColorComp color{};
    for (int c = 0; c < comps && c < kMaxColorComps; ++c)
      color.Comps[static_cast<size_t>(c)] = ShadingFunctions::ToFixed(NumberAt(bg->AsArray(), c, 0));
    background = ToBGRA(*space, color);
  }

  Bitmap bitmap(AWidth, AHeight, vn::platform::PixelFormat::pf32bit);
  bitmap.SetHasAlpha(true);
  auto put = [&](uint8_t* row, int x, const vn::platform::BGRA& c) {
    row[4 * x] = c.B;
    row[4 * x + 1] = c.G;
    row[4 * x + 2] = c.R;
    row[4 * x + 3] = c.A;
  };

  if (type == 1) {
    // Function-based: f(x, y) over the domain rectangle, placed by /Matrix.
    const double dx0 = NumberAt(domain, 0, 0), dx1 = NumberAt(domain, 1, 1);
    const double dy0 = NumberAt(domain, 2, 0), dy1 = NumberAt(domain, 3, 1);
    TvnPDBaseObject* matrix_object = dict->LookUp("Matrix");
    const auto* m = matrix_object ? matrix_object->AsArray() : nullptr;
    gfx::Matrix to_domain(NumberAt(m, 0, 1), NumberAt(m, 1, 0), NumberAt(m, 2, 0), NumberAt(m, 3, 1), NumberAt(m, 4, 0),
                          NumberAt(m, 5, 0));
    if (!to_domain.Invert()) return Bitmap();
    for (int y = 0; y < AHeight; ++y) {
      uint8_t* row = bitmap.MutableRow(y).data();
      for (int x = 0; x < AWidth; ++x) {
        const gfx::PointF p = to_domain.Apply(AFromDevice.Apply({AX + x + 0.5, AY + y + 0.5}));
        if (p.x < std::min(dx0, dx1) || p.x > std::max(dx0, dx1) || p.y < std::min(dy0, dy1) ||
            p.y > std::max(dy0, dy1)) {
          put(row, x, background);
          continue;
        }
        put(row, x, ToBGRA(*space, functions.Evaluate(p.x, p.y, comps)));
      }
    }
    return bitmap;
  }

  const double t0 = NumberAt(domain, 0, 0), t1 = NumberAt(domain, 1, 1);
  const bool extend0 = BoolAt(extend, 0), extend1 = BoolAt(extend, 1);
  const int ncoords = type == 2 ? 4 : 6;
  if (!coords_array || coords_array->GetLength() < ncoords) return Bitmap();
  std::array<double, 6> coords{};
  for (int i = 0; i < ncoords; ++i) coords[static_cast<size_t>(i)] = NumberAt(coords_array, i, 0);
  std::vector<vn::platform::BGRA> table(kShadingSteps + 1);
  for (int i = 0; i <= kShadingSteps; ++i)
    table[static_cast<size_t>(i)] = ToBGRA(*space, functions.Evaluate(t0 + (t1 - t0) * i / kShadingSteps, 0, comps));
  auto colour_of = [&](double s) { return table[static_cast<size_t>(std::lround(std::clamp(s, 0.0, 1.0) * kShadingSteps))]; };
  const double ax = coords[2] - coords[0], ay = coords[3] - coords[1];
  const double length2 = ax * ax + ay * ay;
  for (int y = 0; y < AHeight; ++y) {
    uint8_t* row = bitmap.MutableRow(y).data();
    for (int x = 0; x < AWidth; ++x) {
      const gfx::PointF p = AFromDevice.Apply({AX + x + 0.5, AY + y + 0.5});
      double s = 0;
      bool inside = false;
      if (type == 2) {
        if (length2 > 0) {
          s = ((p.x - coords[0]) * ax + (p.y - coords[1]) * ay) / length2;
          inside = (s >= 0 || extend0) && (s <= 1 || extend1);
        }
      } else {
        inside = RadialParameter(p.x, p.y, coords, extend0, extend1, s);
      }
      put(row, x, inside ? colour_of(s) : background);
    }
  }
  return bitmap;
}

}  // namespace vn::pdfdoc
