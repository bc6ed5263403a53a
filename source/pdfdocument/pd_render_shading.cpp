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
#include "pdfdocument/pdf_stream_bytes_impl.h"

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

// ---- Mesh shadings --------------------------------------------------------------------------

// Mesh data read as numbers of a given bit length, most significant bit
// first; reading past the end gives false.
class MeshBits {
 public:
  explicit MeshBits(std::string_view AData) : FData(AData) {}
  bool Read(int ABits, uint64_t& AValue) {
    if (ABits <= 0 || ABits > 32 || FBit + static_cast<size_t>(ABits) > FData.size() * 8) return false;
    AValue = 0;
    for (int i = 0; i < ABits; ++i, ++FBit)
      AValue = AValue << 1 | ((static_cast<uint8_t>(FData[FBit / 8]) >> (7 - FBit % 8)) & 1u);
    return true;
  }
  void Align() { FBit = (FBit + 7) / 8 * 8; }

 private:
  std::string_view FData;
  size_t FBit = 0;
};

// A mesh corner: device position and the value that is interpolated (the
// function's input, or the colour as R, G, B).
struct MeshVertex {
  gfx::PointF P;
  std::array<double, 3> V{};
};

struct MeshReader {
  MeshBits Bits;
  int CoordBits = 0, CompBits = 0, FlagBits = 0, Values = 0;
  std::vector<double> Decode;
  gfx::Matrix ToDevice;
  const TvnPDColorSpace* Space = nullptr;
  int Comps = 0;
  bool HasFunction = false;

  double Scaled(uint64_t AValue, int ABits, size_t AIndex) const {
    const double top = static_cast<double>((uint64_t{1} << ABits) - 1);
    const double lo = AIndex < Decode.size() ? Decode[AIndex] : 0, hi = AIndex + 1 < Decode.size() ? Decode[AIndex + 1] : 1;
    return lo + static_cast<double>(AValue) * (hi - lo) / top;
  }
  bool Flag(int& AFlag) {
    uint64_t v = 0;
    if (!Bits.Read(FlagBits, v)) return false;
    AFlag = static_cast<int>(v & 3);
    return true;
  }
  bool Point(gfx::PointF& AP) {
    uint64_t x = 0, y = 0;
    if (!Bits.Read(CoordBits, x) || !Bits.Read(CoordBits, y)) return false;
    AP = ToDevice.Apply({Scaled(x, CoordBits, 0), Scaled(y, CoordBits, 2)});
    return std::isfinite(AP.x) && std::isfinite(AP.y);
  }
  bool Value(std::array<double, 3>& AV) {
    TvnColorComp color{};
    for (int c = 0; c < Values; ++c) {
      uint64_t raw = 0;
      if (!Bits.Read(CompBits, raw)) return false;
      const double v = Scaled(raw, CompBits, 4 + 2 * static_cast<size_t>(c));
      if (HasFunction) {
        AV[0] = v;
        return true;
      }
      if (c < kMaxColorComps) color.Comps[static_cast<size_t>(c)] = ShadingFunctions::ToFixed(v);
    }
    TvnRGB rgb;
    Space->GetRGB(color, rgb);
    AV = {ColorCompToByte(rgb.R) / 255.0, ColorCompToByte(rgb.G) / 255.0, ColorCompToByte(rgb.B) / 255.0};
    return true;
  }
};

// Fills the triangle's pixels (centres inside it) with the interpolated
// values, through AColour to pixels.
template <class Colour>
void FillTriangle(vn::platform::Bitmap& ABitmap, int AX, int AY, const MeshVertex& A, const MeshVertex& B,
                  const MeshVertex& C, const Colour& AColour) {
  const double det = (B.P.x - A.P.x) * (C.P.y - A.P.y) - (C.P.x - A.P.x) * (B.P.y - A.P.y);
  if (!(std::fabs(det) > 1e-12)) return;
  const double minx = std::min({A.P.x, B.P.x, C.P.x}) - AX, maxx = std::max({A.P.x, B.P.x, C.P.x}) - AX;
  const double miny = std::min({A.P.y, B.P.y, C.P.y}) - AY, maxy = std::max({A.P.y, B.P.y, C.P.y}) - AY;
  const int x0 = std::max(0, static_cast<int>(std::floor(minx))), x1 = std::min(ABitmap.Width() - 1, static_cast<int>(std::ceil(maxx)));
  const int y0 = std::max(0, static_cast<int>(std::floor(miny))), y1 = std::min(ABitmap.Height() - 1, static_cast<int>(std::ceil(maxy)));
  constexpr double kEdge = -1e-9;
  for (int y = y0; y <= y1; ++y) {
    uint8_t* row = ABitmap.MutableRow(y).data();
    const double py = AY + y + 0.5;
    for (int x = x0; x <= x1; ++x) {
      const double px = AX + x + 0.5;
      const double wb = ((px - A.P.x) * (C.P.y - A.P.y) - (C.P.x - A.P.x) * (py - A.P.y)) / det;
      const double wc = ((B.P.x - A.P.x) * (py - A.P.y) - (px - A.P.x) * (B.P.y - A.P.y)) / det;
      const double wa = 1 - wb - wc;
      if (wa < kEdge || wb < kEdge || wc < kEdge) continue;
      std::array<double, 3> v{};
      for (size_t k = 0; k < 3; ++k) v[k] = wa * A.V[k] + wb * B.V[k] + wc * C.V[k];
      const vn::platform::BGRA c = AColour(v);
      uint8_t* o = row + 4 * static_cast<size_t>(x);
      o[0] = c.B;
      o[1] = c.G;
      o[2] = c.R;
      o[3] = c.A;
    }
  }
}

// Mesh data stops being read after this many vertices or patches.
constexpr int kMaxMeshItems = 1 << 18;

// Triangles of a free-form (4) or lattice (5) mesh, or of Coons (6) and
// tensor (7) patches cut into small quadrilaterals, in device units.
std::vector<std::array<MeshVertex, 3>> MeshTriangles(int64_t AType, MeshReader& AR, int AVerticesPerRow) {
  std::vector<std::array<MeshVertex, 3>> out;
  auto vertex = [&](MeshVertex& v) { return AR.Point(v.P) && AR.Value(v.V); };
  if (AType == 4) {
    MeshVertex a, b, c;
    int have = 0;
    for (int n = 0; n < kMaxMeshItems; ++n) {
      int flag = 0;
      MeshVertex v;
      if (!AR.Flag(flag) || !vertex(v)) break;
      AR.Bits.Align();
      if (flag == 0 || have < 3) {
        if (flag == 0 && have >= 3) have = 0;
        (have == 0 ? a : have == 1 ? b : c) = v;
        if (++have == 3) out.push_back({a, b, c});
        continue;
      }
      if (flag == 1) a = b;
      b = c;
      c = v;
      out.push_back({a, b, c});
    }
  } else if (AType == 5) {
    if (AVerticesPerRow < 2) return out;
    std::vector<MeshVertex> previous, row;
    for (int n = 0; n < kMaxMeshItems; ++n) {
      MeshVertex v;
      if (!vertex(v)) break;
      AR.Bits.Align();
      row.push_back(v);
      if (static_cast<int>(row.size()) < AVerticesPerRow) continue;
      if (!previous.empty())
        for (size_t i = 0; i + 1 < row.size(); ++i) {
          out.push_back({previous[i], previous[i + 1], row[i]});
          out.push_back({previous[i + 1], row[i + 1], row[i]});
        }
      previous = std::move(row);
      row.clear();
    }
  } else {
    // P[i][j]: i along u, j along v; the stream lists the boundary from
    // P[0][0] up the first side, then round, then (tensors) the inside.
    static constexpr int kBoundary[12][2] = {{0, 0}, {0, 1}, {0, 2}, {0, 3}, {1, 3}, {2, 3},
                                             {3, 3}, {3, 2}, {3, 1}, {3, 0}, {2, 0}, {1, 0}};
    static constexpr int kInside[4][2] = {{1, 1}, {1, 2}, {2, 2}, {2, 1}};
    gfx::PointF P[4][4] = {}, prevP[4][4] = {};
    std::array<double, 3> col[4] = {}, prevCol[4] = {};
    bool havePrevious = false;
    for (int n = 0; n < kMaxMeshItems; ++n) {
      int flag = 0;
      if (!AR.Flag(flag)) break;
      int first = 0;
      int firstColour = 0;
      if (flag != 0) {
        if (!havePrevious) break;
        // The shared edge of the previous patch becomes P[0][0..3].
        static constexpr int kEdges[3][4][2] = {{{0, 3}, {1, 3}, {2, 3}, {3, 3}},
                                                {{3, 3}, {3, 2}, {3, 1}, {3, 0}},
                                                {{3, 0}, {2, 0}, {1, 0}, {0, 0}}};
        static constexpr int kEdgeColours[3][2] = {{1, 2}, {2, 3}, {3, 0}};
        for (int k = 0; k < 4; ++k) P[0][k] = prevP[kEdges[flag - 1][k][0]][kEdges[flag - 1][k][1]];
        col[0] = prevCol[kEdgeColours[flag - 1][0]];
        col[1] = prevCol[kEdgeColours[flag - 1][1]];
        first = 4;
        firstColour = 2;
      }
      bool ok = true;
      for (int k = first; k < 12 && ok; ++k) ok = AR.Point(P[kBoundary[k][0]][kBoundary[k][1]]);
      if (AType == 7)
        for (int k = 0; k < 4 && ok; ++k) ok = AR.Point(P[kInside[k][0]][kInside[k][1]]);
      for (int k = firstColour; k < 4 && ok; ++k) ok = AR.Value(col[k]);
      if (!ok) break;
      AR.Bits.Align();
      if (AType == 6) {
        // The inside points that make the tensor patch equal the Coons patch.
        auto inner = [&](gfx::PointF p00, gfx::PointF p01, gfx::PointF p10, gfx::PointF p03, gfx::PointF p30,
                         gfx::PointF p31, gfx::PointF p13, gfx::PointF p33) {
          return gfx::PointF{(-4 * p00.x + 6 * (p01.x + p10.x) - 2 * (p03.x + p30.x) + 3 * (p31.x + p13.x) - p33.x) / 9,
                             (-4 * p00.y + 6 * (p01.y + p10.y) - 2 * (p03.y + p30.y) + 3 * (p31.y + p13.y) - p33.y) / 9};
        };
        P[1][1] = inner(P[0][0], P[0][1], P[1][0], P[0][3], P[3][0], P[3][1], P[1][3], P[3][3]);
        P[1][2] = inner(P[0][3], P[0][2], P[1][3], P[0][0], P[3][3], P[3][2], P[1][0], P[3][0]);
        P[2][1] = inner(P[3][0], P[3][1], P[2][0], P[3][3], P[0][0], P[0][1], P[2][3], P[0][3]);
        P[2][2] = inner(P[3][3], P[3][2], P[2][3], P[3][0], P[0][3], P[0][2], P[2][0], P[0][0]);
      }
      std::copy(&P[0][0], &P[0][0] + 16, &prevP[0][0]);
      std::copy(col, col + 4, prevCol);
      havePrevious = true;
      // Cut finer the larger the patch shows.
      double extent = 0;
      for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) extent = std::max({extent, std::fabs(P[i][j].x - P[0][0].x), std::fabs(P[i][j].y - P[0][0].y)});
      const int steps = std::clamp(static_cast<int>(std::ceil(extent / 6)), 2, 24);
      auto bern = [](double t, double* b) {
        const double s = 1 - t;
        b[0] = s * s * s, b[1] = 3 * t * s * s, b[2] = 3 * t * t * s, b[3] = t * t * t;
      };
      std::vector<MeshVertex> grid(static_cast<size_t>((steps + 1) * (steps + 1)));
      for (int a = 0; a <= steps; ++a)
        for (int b = 0; b <= steps; ++b) {
          const double u = static_cast<double>(a) / steps, v = static_cast<double>(b) / steps;
          double bu[4], bv[4];
          bern(u, bu);
          bern(v, bv);
          MeshVertex& m = grid[static_cast<size_t>(a * (steps + 1) + b)];
          for (int i = 0; i < 4; ++i)
            for (int j = 0; j < 4; ++j) {
              m.P.x += bu[i] * bv[j] * P[i][j].x;
              m.P.y += bu[i] * bv[j] * P[i][j].y;
            }
          for (size_t k = 0; k < 3; ++k)
            m.V[k] = (1 - u) * (1 - v) * col[0][k] + (1 - u) * v * col[1][k] + u * v * col[2][k] + u * (1 - v) * col[3][k];
        }
      for (int a = 0; a < steps; ++a)
        for (int b = 0; b < steps; ++b) {
          const MeshVertex& g00 = grid[static_cast<size_t>(a * (steps + 1) + b)];
          const MeshVertex& g01 = grid[static_cast<size_t>(a * (steps + 1) + b + 1)];
          const MeshVertex& g10 = grid[static_cast<size_t>((a + 1) * (steps + 1) + b)];
          const MeshVertex& g11 = grid[static_cast<size_t>((a + 1) * (steps + 1) + b + 1)];
          out.push_back({g00, g01, g11});
          out.push_back({g00, g11, g10});
        }
      if (out.size() > static_cast<size_t>(kMaxMeshItems) * 4) break;
    }
  }
  return out;
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
  if (type < 1 || type > 7) return Bitmap();
  std::unique_ptr<TvnPDColorSpace> space = TvnPDColorSpace::MakeColorSpace(dict->LookUp("ColorSpace"), std::string());
  if (!space || space->GetMode() == TvnColorSpaceMode::csPattern) return Bitmap();
  const int comps = space->GetNoOfComps();
  ShadingFunctions functions;
  const bool has_function = functions.Read(dict->LookUp("Function"));
  if (!has_function && type <= 3) return Bitmap();
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

  if (type >= 4) {
    // Meshes: their triangles painted over the background.
    auto* stream = AShading->AsStream();
    gfx::Matrix to_device = AFromDevice;
    if (!stream || !to_device.Invert()) return Bitmap();
    auto int_of = [&](const char* AKey) {
      TvnPDBaseObject* o = dict->LookUp(AKey);
      return o && o->AsInteger() ? static_cast<int>(std::clamp<int64_t>(o->AsInteger()->GetValue(), 0, 1 << 20)) : 0;
    };
    std::unique_ptr<vn::TMemoryStream> data = ReadDecodedStream(stream, int64_t{64} << 20);
    if (!data) return Bitmap();
    const std::string_view bytes = data->View();
    MeshReader reader{MeshBits(bytes)};
    reader.CoordBits = int_of("BitsPerCoordinate");
    reader.CompBits = int_of("BitsPerComponent");
    reader.FlagBits = int_of("BitsPerFlag");
    reader.Values = has_function ? 1 : comps;
    reader.ToDevice = to_device;
    reader.Space = space.get();
    reader.Comps = comps;
    reader.HasFunction = has_function;
    TvnPDBaseObject* decode_object = dict->LookUp("Decode");
    const auto* decode = decode_object ? decode_object->AsArray() : nullptr;
    for (int64_t i = 0; decode && i < decode->GetLength(); ++i) reader.Decode.push_back(NumberAt(decode, i, 0));
    if (reader.Decode.size() < 4 + 2 * static_cast<size_t>(reader.Values) || reader.CoordBits < 1 || reader.CoordBits > 32 ||
        reader.CompBits < 1 || reader.CompBits > 16 || (type != 5 && (reader.FlagBits < 1 || reader.FlagBits > 8)))
      return Bitmap();
    const auto triangles = MeshTriangles(type, reader, int_of("VerticesPerRow"));
    for (int y = 0; y < AHeight; ++y) {
      uint8_t* row = bitmap.MutableRow(y).data();
      for (int x = 0; x < AWidth; ++x) put(row, x, background);
    }
    if (has_function) {
      // The function's input is interpolated and looked up in a table over
      // its decode range.
      const double t0 = reader.Decode[4], t1 = reader.Decode[5];
      std::vector<vn::platform::BGRA> table(kShadingSteps + 1);
      for (int i = 0; i <= kShadingSteps; ++i)
        table[static_cast<size_t>(i)] = ToBGRA(*space, functions.Evaluate(t0 + (t1 - t0) * i / kShadingSteps, 0, comps));
      const double span = t1 - t0;
      auto colour = [&](const std::array<double, 3>& v) {
        const double s = span != 0 ? (v[0] - t0) / span : 0;
        return table[static_cast<size_t>(std::lround(std::clamp(s, 0.0, 1.0) * kShadingSteps))];
      };
      for (const auto& t : triangles) FillTriangle(bitmap, AX, AY, t[0], t[1], t[2], colour);
    } else {
      auto colour = [](const std::array<double, 3>& v) {
        auto byte = [](double c) { return static_cast<uint8_t>(std::lround(std::clamp(c, 0.0, 1.0) * 255)); };
        return vn::platform::BGRA{byte(v[2]), byte(v[1]), byte(v[0]), 255};
      };
      for (const auto& t : triangles) FillTriangle(bitmap, AX, AY, t[0], t[1], t[2], colour);
    }
    return bitmap;
  }

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
