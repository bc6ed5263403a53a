// The TrueType reader's glyph lookup and outlines: glyph indexes by code
// and name, and the quadratic contours of simple and composite glyphs as
// outline records.
#include <cmath>
#include <vector>

#include "fonts/truetype_font.h"

namespace vn::fonts {
namespace {

bool TtIsUnicodeFamily(EncodingType e) {
  return e <= EncodingType::Unicode_2_0_Full || e == EncodingType::Microsoft_Unicode_BMPonly ||
         e == EncodingType::Microsoft_Unicode_Full;
}

// Component flags.
constexpr uint16_t kTtArgWords = 0x0001, kTtArgsAreXY = 0x0002, kTtHaveScale = 0x0008,
                   kTtMoreComponents = 0x0020, kTtHaveXYScale = 0x0040, kTtHaveTwoByTwo = 0x0080,
                   kTtScaledOffset = 0x0800, kTtUnscaledOffset = 0x1000;

double TtF2Dot14(uint16_t v) { return static_cast<int16_t>(v) / 16384.0; }

struct TtQuadPoint {
  TvnPointF p;
  bool on = false;
};

TvnPointF TtMidpoint(TvnPointF a, TvnPointF b) { return {(a.X + b.X) / 2, (a.Y + b.Y) / 2}; }

void TtEmitCurve(TvnRecList& out, TvnPointF from, TvnPointF control, TvnPointF to) {
  Instructions r;
  r.Name = TvnStepKind::curveto;
  r.pt3[0] = r.pt3[1] = from;
  r.pt3[2] = control;
  r.pt3[3] = to;
  out.Add(r);
}

void TtEmit(TvnRecList& out, TvnStepKind kind) {
  Instructions r;
  r.Name = kind;
  out.Add(r);
}

// One contour: "close", then lines and quadratic curves from an on-curve
// start point, and a closing "close" unless the last point is the start.
// A contour that starts off curve starts at its last point when that is on
// curve, else at the midpoint of its last and first points.
void TtEmitContour(TvnRecList& out, const std::vector<TtQuadPoint>& pts, size_t first, size_t last) {
  TtEmit(out, TvnStepKind::close);
  TvnPointF start;
  size_t from = first + 1, to = last;  // the points after the start, inclusive
  if (pts[first].on) {
    start = pts[first].p;
  } else if (pts[last].on) {
    start = pts[last].p;
    from = first;
    to = last - 1;
  } else {
    start = TtMidpoint(pts[last].p, pts[first].p);
    from = first;
  }
  TvnPointF current = start;
  bool pending = false;
  TvnPointF control;
  for (size_t i = from; i <= to && i <= last && from <= last; ++i) {
    if (to < from) break;
    const TtQuadPoint& q = pts[i];
    if (q.on) {
      if (pending) {
        TtEmitCurve(out, current, control, q.p);
      } else {
        Instructions r;
        r.Name = TvnStepKind::lineto;
        r.prev = current;
        r.pt2 = q.p;
        out.Add(r);
      }
      current = q.p;
      pending = false;
    } else {
      if (pending) {
        const TvnPointF m = TtMidpoint(control, q.p);
        TtEmitCurve(out, current, control, m);
        current = m;
      }
      control = q.p;
      pending = true;
    }
  }
  if (pending) {
    TtEmitCurve(out, current, control, start);
    TtEmit(out, TvnStepKind::close);
  } else if (!(current == start)) {
    TtEmit(out, TvnStepKind::close);
  }
}

}  // namespace

int32_t TvnTrueTypeHandler::GetGlyphID(int32_t charCode, EncodingType encoding) const {
  if (!cmapTable || cmapTable->EncodingTables.empty()) return 0;
  const auto& tables = cmapTable->EncodingTables;
  // The subtable of that platform and encoding; a Unicode request takes
  // any Unicode subtable when the font lacks that exact one.
  const TvnTrueTypeCmapEncodingTable* table = nullptr;
  if (encoding == EncodingType::None) table = tables.front().get();
  for (size_t i = 0; !table && i < tables.size(); ++i)
    if (tables[i]->encoding == encoding) table = tables[i].get();
  if (TtIsUnicodeFamily(encoding))
    for (size_t i = 0; !table && i < tables.size(); ++i)
      if (TtIsUnicodeFamily(tables[i]->encoding)) table = tables[i].get();
  if (!table) return 0;
  const auto& map = table->characterCodeToGlyphId;
  auto it = map.find(charCode);
  // Symbol fonts map their byte codes at U+F000-U+F0FF.
  if (it == map.end() && table->encoding == EncodingType::Microsoft_Symbol && charCode >= 0 && charCode <= 0xFF)
    it = map.find(charCode + 0xF000);
  return it == map.end() ? 0 : it->second;
}

int32_t TvnTrueTypeHandler::GetGlyphID(std::string_view glyphName) const {
  for (const auto& [index, info] : glyfInfoDictionary)
    if (info.Name == glyphName) return index;
  return 0;
}

bool TvnTrueTypeHandler::IsCharCodeAvailable(int32_t ACharCode, EncodingType AEncoding) {
  return GetGlyphID(ACharCode, AEncoding) != 0;
}

std::unique_ptr<TvnRecList> TvnTrueTypeHandler::GetOutlineForCharCode(int32_t ACharCode, float AFontsize, int Adpi,
                                                                      EncodingType AEncoding) {
  const int32_t glyph = GetGlyphID(ACharCode, AEncoding);
  if (glyph <= 0) return nullptr;
  return GetShapeForGlyphIndex(glyph, AFontsize, Adpi, true);
}

std::unique_ptr<TvnRecList> TvnTrueTypeHandler::GetOutlineForGlyphID(int32_t AGlyphId, float AFontsize, int Adpi,
                                                                     EncodingType) {
  return GetShapeForGlyphIndex(AGlyphId, AFontsize, Adpi, true);
}

std::unique_ptr<TvnRecList> TvnTrueTypeHandler::GetOutlineForGlyphName(std::string_view AGlyphName, float AFontsize,
                                                                       int Adpi, EncodingType) {
  const int32_t glyph = GetGlyphID(AGlyphName);
  if (glyph < 1) return nullptr;
  return GetShapeForGlyphIndex(glyph, AFontsize, Adpi, true);
}

std::unique_ptr<TvnRecList> TvnTrueTypeHandler::GetShapeForGlyphIndex(int32_t glyphID, float FontSize, int Dpi,
                                                                      bool CanAddShape) {
  if (!br || !headTable || headTable->UnitsPerEm == 0) return nullptr;
  const double scale = static_cast<double>(Dpi) * FontSize / 72.0 / headTable->UnitsPerEm;
  int components = 0;
  return Shape(glyphID, scale, CanAddShape, 0, components);
}

std::unique_ptr<TvnTrueTypeGlyfSimple> TvnTrueTypeHandler::ReadSimpleGlyph(int16_t contours, double scale) {
  auto g = std::make_unique<TvnTrueTypeGlyfSimple>();
  int32_t previous = -1;
  for (int i = 0; i < contours; ++i) {
    const uint16_t end = U16();
    if (end <= previous) return nullptr;  // contour ends must rise
    g->EndPtsOfContours.push_back(end);
    previous = end;
  }
  g->InstructionLength = U16();
  g->Instructions = br->ReadBytes(g->InstructionLength);
  const size_t points = contours == 0 ? 0 : size_t{g->EndPtsOfContours.back()} + 1;
  while (g->Flags.size() < points) {
    const uint8_t flag = U8();
    g->Flags.push_back(flag);
    if (flag & 8)
      for (int repeat = U8(); repeat > 0 && g->Flags.size() < points; --repeat) g->Flags.push_back(flag);
  }
  const auto coordinates = [&](uint8_t byte_bit, uint8_t same_bit, std::vector<float>& out) {
    int32_t value = 0;
    for (const uint8_t flag : g->Flags) {
      if (flag & byte_bit) {
        const int32_t delta = U8();
        value += (flag & same_bit) ? delta : -delta;
      } else if (!(flag & same_bit)) {
        value += S16();
      }
      out.push_back(static_cast<float>(value * scale));
    }
  };
  coordinates(2, 16, g->XCoordinates);
  coordinates(4, 32, g->YCoordinates);
  for (float& y : g->YCoordinates) y = -y;
  for (const uint8_t flag : g->Flags) g->OnCurve.push_back(flag & 1);
  return g;
}

std::unique_ptr<TvnRecList> TvnTrueTypeHandler::Shape(int32_t glyphID, double scale, bool CanAddShape, int depth,
                                                      int& components) {
  const auto found = glyfInfoDictionary.find(glyphID);
  if (found == glyfInfoDictionary.end()) return nullptr;
  const TvnTrueTypeGlyfInfo& info = found->second;
  const int64_t start = glyfTableOffset + info.Offset;
  if (info.Offset == TvnTrueTypeLocaTable::kEmptyGlyph || start + 10 > FStreamSize) return nullptr;
  SeekTo(start);
  const int16_t contours = S16();
  for (int i = 0; i < 4; ++i) S16();  // the bounding box
  auto out = std::make_unique<TvnRecList>();
  if (contours >= 0) {
    const auto g = ReadSimpleGlyph(contours, scale);
    if (!g) return nullptr;
    std::vector<TtQuadPoint> pts;
    for (size_t i = 0; i < g->Flags.size(); ++i) pts.push_back({{g->XCoordinates[i], g->YCoordinates[i]}, g->OnCurve[i]});
    size_t first = 0;
    for (const uint16_t end : g->EndPtsOfContours) {
      TtEmitContour(*out, pts, first, end);
      if (CanAddShape) TtEmit(*out, TvnStepKind::addshape);
      first = size_t{end} + 1;
    }
    return out;
  }
  // A composite: its components, each with its transform. Components are
  // followed to a bounded depth and number, so a glyph that contains itself
  // ends instead of recursing without end.
  if (depth >= kMaxComponentDepth) return nullptr;
  uint16_t flags = kTtMoreComponents;
  while ((flags & kTtMoreComponents) && components < kMaxComponents) {
    ++components;
    flags = U16();
    const uint16_t component = U16();
    int32_t arg1, arg2;
    if (flags & kTtArgWords) {
      arg1 = S16();
      arg2 = S16();
    } else {
      arg1 = static_cast<int8_t>(U8());
      arg2 = static_cast<int8_t>(U8());
    }
    double a = 1, b = 0, c = 0, d = 1;
    if (flags & kTtHaveScale) {
      a = d = TtF2Dot14(U16());
    } else if (flags & kTtHaveXYScale) {
      a = TtF2Dot14(U16());
      d = TtF2Dot14(U16());
    } else if (flags & kTtHaveTwoByTwo) {
      a = TtF2Dot14(U16());
      b = TtF2Dot14(U16());
      c = TtF2Dot14(U16());
      d = TtF2Dot14(U16());
    }
    const int64_t next = FStream->Position();
    // The offset moves the component as it stands; a font asks for it to be
    // scaled with the component by SCALED_COMPONENT_OFFSET. Without x-y
    // values the arguments are point numbers to match, and the component
    // keeps its place. Each level keeps its own offset: a nested
    // composite's components carry theirs in their own records.
    double dx = 0, dy = 0;
    if (flags & kTtArgsAreXY) {
      dx = arg1;
      dy = arg2;
      if ((flags & kTtScaledOffset) && !(flags & kTtUnscaledOffset)) {
        dx *= std::hypot(a, c);
        dy *= std::hypot(d, b);
      }
    }
    auto part = Shape(component, scale, false, depth + 1, components);
    SeekTo(next);
    if (!part || part->Empty()) continue;  // a component without outline adds nothing
    Instructions m;
    m.Name = TvnStepKind::transformmatrix;
    m.pt3[0] = {static_cast<float>(a), static_cast<float>(b)};
    m.pt3[1] = {static_cast<float>(c), static_cast<float>(d)};
    m.pt3[2] = {static_cast<float>(scale * dx), static_cast<float>(-scale * dy)};
    out->Add(m);
    out->Add(std::move(*part));
    TtEmit(*out, TvnStepKind::addshape);
  }
  if (out->Empty()) return nullptr;
  return out;
}

}  // namespace vn::fonts
