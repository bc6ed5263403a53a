#include "fonts/charstring_interpreter.h"

#include <algorithm>
#include <charconv>
#include <cfloat>
#include <cmath>

#include "fonts/standard_names.h"

namespace vn::fonts {
namespace {

// Operator codes; two-byte operators (12 b) are 1200 + b.
enum Op : int {
  kHstem = 1,
  kVstem = 3,
  kVmoveto = 4,
  kRlineto = 5,
  kHlineto = 6,
  kVlineto = 7,
  kRrcurveto = 8,
  kClosepath = 9,
  kCallsubr = 10,
  kReturn = 11,
  kEscape = 12,
  kHsbw = 13,
  kEndchar = 14,
  kHstemhm = 18,
  kHintmask = 19,
  kCntrmask = 20,
  kRmoveto = 21,
  kHmoveto = 22,
  kVstemhm = 23,
  kRcurveline = 24,
  kRlinecurve = 25,
  kVvcurveto = 26,
  kHhcurveto = 27,
  kShortInt = 28,
  kCallgsubr = 29,
  kVhcurveto = 30,
  kHvcurveto = 31,
  kSeac = 1206,
  kSbw = 1207,
  kDiv = 1212,
  kCallothersubr = 1216,
  kPop = 1217,
  kSetcurrentpoint = 1233,
  kHflex = 1234,
  kFlex = 1235,
  kHflex1 = 1236,
  kFlex1 = 1237,
};

// Subroutine numbers of Type 2 charstrings are biased by the list's size.
int Type2Bias(const TvnSubrList* subrs) {
  const size_t n = subrs ? subrs->size() : 0;
  return n < 1240 ? 107 : n < 33900 ? 1131 : 32768;
}

// Doubles into the single-precision lists; NaN becomes 0, overflow saturates.
float ToSingle(double v) {
  if (std::isnan(v)) return 0;
  return static_cast<float>(std::clamp(v, -static_cast<double>(FLT_MAX), static_cast<double>(FLT_MAX)));
}

// An operand used as an integer (character code, subroutine number); false
// when it is far outside any meaningful range.
bool ToIndex(double v, int64_t& out) {
  if (!(v > -1e9 && v < 1e9)) return false;
  out = static_cast<int64_t>(std::trunc(v));
  return true;
}

}  // namespace

// The state of one glyph program's run. Accent components get runs of their
// own that share the output lists.
struct TvnType1Glyphs::GlyphRun {
  GlyphRun(std::vector<float>& c, std::vector<TvnStepKind>& k, double ox, double oy, int level)
      : coords(c), cmds(k), x(ox), y(oy), sx(ox), sy(oy), origin_x(ox), origin_y(oy), component_level(level) {}

  std::vector<float>& coords;
  std::vector<TvnStepKind>& cmds;
  double stack[FSizeCoordsArr] = {};
  int sp = 0;
  double x, y;    // current point
  double sx, sy;  // start of the current sub-path
  double origin_x, origin_y;
  double lsb = 0;              // Type 1 side bearing, from hsbw or sbw
  bool have_width = false;     // Type 1: hsbw or sbw has run
  bool width_pending = true;   // Type 2: the first stack-clearing operator may carry the width
  int hints = 0;
  bool flex = false;           // Type 1 flex between othersubrs 1 and 0
  int flex_points = 0;
  double flex_x[7] = {}, flex_y[7] = {};
  std::vector<double> ps;      // results of callothersubr, taken back by pop
  int component_level;

  double Arg(int i) const { return i < sp ? stack[i] : 0; }
  void Push(double v) {
    if (sp < FSizeCoordsArr) stack[sp++] = v;
  }
  void DropFirst() {
    if (sp <= 0) return;
    std::move(stack + 1, stack + sp, stack);
    --sp;
  }
  void Point(double px, double py) {
    coords.push_back(ToSingle(px));
    coords.push_back(ToSingle(py));
  }
  void MoveTo() {
    cmds.push_back(TvnStepKind::moveto);
    Point(x, y);
    sx = x;
    sy = y;
  }
  void LineTo() {
    cmds.push_back(TvnStepKind::lineto);
    Point(x, y);
  }
  void CurveTo(double dx1, double dy1, double dx2, double dy2, double dx3, double dy3) {
    cmds.push_back(TvnStepKind::curveto);
    x += dx1;
    y += dy1;
    Point(x, y);
    x += dx2;
    y += dy2;
    Point(x, y);
    x += dx3;
    y += dy3;
    Point(x, y);
  }
  // Type 2 width: the first stack-clearing operator that has one operand
  // more than it takes carries the advance width first.
  void TakeWidth(bool has_extra) {
    if (width_pending && has_extra) DropFirst();
    width_pending = false;
  }
};

void TvnType1Glyphs::SetSources(const TvnCharStringsDict* ACharstringsDict, const TvnSubrList* ASubroutineDict,
                                const TvnSubrList* AGlobalSubrs, bool AisCFFnCFFCID, int ASkipBytes) {
  FCharStringsDictHere = ACharstringsDict;
  FSubrDictHere = ASubroutineDict;
  FGlobalSubrDictHere = AGlobalSubrs;
  FIsCFFnCFFCID = AisCFFnCFFCID;
  FSkipBytesForPFB = std::max(ASkipBytes, 0);
}

int TvnType1Glyphs::GetTwoArrLists(std::vector<float>& AarrListCoordinates,
                                   std::vector<TvnStepKind>& AArrListCommands, std::string_view ACharacter,
                                   const TvnCharStringsDict& ACharstringsDict, const TvnSubrList* ASubroutineDict,
                                   bool AisCFFnCFFCID, const TvnPrivateDict* APrivateDict,
                                   const TvnSubrList* AGlobalSubrs) {
  int len_iv = 0;
  if (!AisCFFnCFFCID) {
    len_iv = 4;
    if (APrivateDict) {
      if (auto it = APrivateDict->find("lenIV"); it != APrivateDict->end()) {
        int v;
        const std::string& text = it->second;
        if (std::from_chars(text.data(), text.data() + text.size(), v).ec == std::errc()) len_iv = v;
      }
    }
  }
  SetSources(&ACharstringsDict, ASubroutineDict, AGlobalSubrs, AisCFFnCFFCID, len_iv);
  if (!ACharacter.empty()) {
    if (const TvnBytes* program = ACharstringsDict.Find(std::string(ACharacter)))
      RunCharString(DropLenIV(program->FArray), AarrListCoordinates, AArrListCommands);
  }
  return static_cast<int>(AArrListCommands.size());
}

std::span<const uint8_t> TvnType1Glyphs::DropLenIV(const TvnByteArray& bytes) const {
  const size_t skip = std::min(bytes.size(), static_cast<size_t>(FSkipBytesForPFB));
  return std::span<const uint8_t>(bytes).subspan(skip);
}

void TvnType1Glyphs::RunCharString(std::span<const uint8_t> ACharString, std::vector<float>& AarrListCoordinates,
                                   std::vector<TvnStepKind>& AArrListCommands) {
  work_ = 0;
  GlyphRun run(AarrListCoordinates, AArrListCommands, 0, 0, 0);
  Execute(run, ACharString);
  FHintCount = run.hints;
}

size_t TvnType1Glyphs::GetNumber(std::span<const uint8_t> AFontDataAsArray, size_t APos, bool AisCFFnCFFCID,
                                 double& AValue) {
  const auto& d = AFontDataAsArray;
  if (APos >= d.size()) return kNoNumber;
  const int v = d[APos];
  auto need = [&](size_t n) { return d.size() - APos >= n; };
  if (v >= 32 && v <= 246) {
    AValue = v - 139;
    return APos + 1;
  }
  if (v >= 247 && v <= 254) {
    if (!need(2)) return kNoNumber;
    const int w = d[APos + 1];
    AValue = v <= 250 ? (v - 247) * 256 + w + 108 : -(v - 251) * 256 - w - 108;
    return APos + 2;
  }
  if (v == kShortInt) {
    if (!need(3)) return kNoNumber;
    AValue = static_cast<int16_t>((d[APos + 1] << 8) | d[APos + 2]);
    return APos + 3;
  }
  if (v == 255) {
    if (!need(5)) return kNoNumber;
    const auto raw = static_cast<int32_t>((uint32_t{d[APos + 1]} << 24) | (uint32_t{d[APos + 2]} << 16) |
                                          (uint32_t{d[APos + 3]} << 8) | d[APos + 4]);
    AValue = AisCFFnCFFCID ? raw / 65536.0 : raw;
    return APos + 5;
  }
  return kNoNumber;
}

void TvnType1Glyphs::Execute(GlyphRun& r, std::span<const uint8_t> program) {
  struct Frame {
    std::span<const uint8_t> data;
    size_t pos;
  };
  std::vector<Frame> frames{{program, 0}};
  const bool type2 = FIsCFFnCFFCID;

  while (!frames.empty()) {
    if (frames.back().pos >= frames.back().data.size()) {
      frames.pop_back();  // a subroutine without return ends where its bytes end
      continue;
    }
    if (++work_ > kMaxWork) return;
    Frame& f = frames.back();
    const uint8_t v = f.data[f.pos];
    if (v >= 32 || v == kShortInt) {
      double value;
      const size_t next = GetNumber(f.data, f.pos, type2, value);
      if (next == kNoNumber) return;
      f.pos = next;
      r.Push(value);
      continue;
    }
    int op = v;
    ++f.pos;
    if (v == kEscape) {
      if (f.pos >= f.data.size()) return;
      op = 1200 + f.data[f.pos++];
    }
    // Type 1: nothing counts before the side bearing is set; operands stay.
    if (!type2 && !r.have_width && op != kHsbw && op != kSbw) continue;

    const int n = r.sp;
    switch (op) {
      case kHstem:
      case kVstem:
      case kHstemhm:
      case kVstemhm:
        if (!type2 && (op == kHstemhm || op == kVstemhm)) break;
        if (type2) r.TakeWidth(r.sp % 2 == 1);
        r.hints += r.sp / 2;
        break;

      case kHintmask:
      case kCntrmask: {
        if (!type2) break;
        r.TakeWidth(r.sp % 2 == 1);
        r.hints += r.sp / 2;  // stems given right before the mask are vstems
        const size_t mask_bytes = static_cast<size_t>(r.hints + 7) / 8;
        if (f.data.size() - f.pos < mask_bytes) return;
        f.pos += mask_bytes;
        break;
      }

      case kVmoveto:
      case kHmoveto:
      case kRmoveto: {
        const int takes = op == kRmoveto ? 2 : 1;
        if (type2) r.TakeWidth(r.sp > takes);
        if (r.sp < takes) break;
        if (op == kRmoveto) {
          r.x += r.stack[0];
          r.y += r.stack[1];
        } else if (op == kHmoveto) {
          r.x += r.stack[0];
        } else {
          r.y += r.stack[0];
        }
        // Inside a Type 1 flex the moves only place the flex points.
        if (!r.flex) r.MoveTo();
        break;
      }

      case kRlineto:
        for (int i = 0; i + 1 < n; i += 2) {
          r.x += r.stack[i];
          r.y += r.stack[i + 1];
          r.LineTo();
        }
        break;

      case kHlineto:
      case kVlineto: {
        bool horizontal = op == kHlineto;
        for (int i = 0; i < n; ++i, horizontal = !horizontal) {
          (horizontal ? r.x : r.y) += r.stack[i];
          r.LineTo();
        }
        break;
      }

      case kRrcurveto:
        for (int i = 0; i + 5 < n; i += 6)
          r.CurveTo(r.stack[i], r.stack[i + 1], r.stack[i + 2], r.stack[i + 3], r.stack[i + 4], r.stack[i + 5]);
        break;

      case kRcurveline:
      case kRlinecurve: {
        if (!type2) break;
        int i = 0;
        if (op == kRcurveline) {
          for (; i + 5 < n - 2; i += 6)
            r.CurveTo(r.stack[i], r.stack[i + 1], r.stack[i + 2], r.stack[i + 3], r.stack[i + 4], r.stack[i + 5]);
          if (i + 1 < n) {
            r.x += r.stack[i];
            r.y += r.stack[i + 1];
            r.LineTo();
          }
        } else {
          for (; i + 1 < n - 6; i += 2) {
            r.x += r.stack[i];
            r.y += r.stack[i + 1];
            r.LineTo();
          }
          if (i + 5 < n)
            r.CurveTo(r.stack[i], r.stack[i + 1], r.stack[i + 2], r.stack[i + 3], r.stack[i + 4], r.stack[i + 5]);
        }
        break;
      }

      case kVvcurveto:
      case kHhcurveto: {
        if (!type2) break;
        int i = 0;
        double first = 0;  // the odd operand moves the first point across the curve
        if (n % 2 == 1) first = r.stack[i++];
        for (; i + 3 < n; i += 4) {
          if (op == kVvcurveto)
            r.CurveTo(first, r.stack[i], r.stack[i + 1], r.stack[i + 2], 0, r.stack[i + 3]);
          else
            r.CurveTo(r.stack[i], first, r.stack[i + 1], r.stack[i + 2], r.stack[i + 3], 0);
          first = 0;
        }
        break;
      }

      case kVhcurveto:
      case kHvcurveto: {
        bool vertical = op == kVhcurveto;
        for (int i = 0; i + 3 < n; i += 4, vertical = !vertical) {
          // One operand left after the last four goes to the end point's other axis.
          const double last = (i + 5 == n) ? r.stack[i + 4] : 0;
          if (vertical)
            r.CurveTo(0, r.stack[i], r.stack[i + 1], r.stack[i + 2], r.stack[i + 3], last);
          else
            r.CurveTo(r.stack[i], 0, r.stack[i + 1], r.stack[i + 2], last, r.stack[i + 3]);
        }
        break;
      }

      case kClosepath:
        if (type2) break;
        // Back to the sub-path start; the current point stays where it was.
        r.cmds.push_back(TvnStepKind::lineto);
        r.Point(r.sx, r.sy);
        break;

      case kCallsubr:
      case kCallgsubr: {
        if (r.sp < 1) break;
        int64_t index = 0;
        const bool number_ok = ToIndex(r.stack[--r.sp], index);
        const TvnSubrList* list = op == kCallgsubr ? FGlobalSubrDictHere : FSubrDictHere;
        if (type2) index += Type2Bias(list);
        if (!number_ok || !list || index < 0 || index >= static_cast<int64_t>(list->size()) ||
            frames.size() > kMaxSubrDepth)
          continue;  // no such subroutine: the call is skipped, the other operands stay
        const auto body = type2 ? std::span<const uint8_t>((*list)[static_cast<size_t>(index)])
                                : DropLenIV((*list)[static_cast<size_t>(index)]);
        frames.push_back({body, 0});
        continue;
      }

      case kReturn:
        if (frames.size() > 1) frames.pop_back();
        continue;

      case kHsbw:
        if (type2 || r.sp < 2) break;
        r.lsb = r.stack[0];
        r.x = r.origin_x + r.stack[0];
        r.y = r.origin_y;
        r.have_width = true;
        r.MoveTo();
        break;

      case kSbw:
        if (type2 || r.sp < 4) break;
        r.lsb = r.stack[0];
        r.x = r.sx = r.origin_x + r.stack[0];
        r.y = r.sy = r.origin_y + r.stack[1];
        r.have_width = true;
        break;

      case kEndchar:
        if (type2) {
          r.TakeWidth(r.sp == 1 || r.sp == 5);
          if (r.sp == 4) {
            // Accented character: the accent's origin is (adx, ady) from the base's.
            Accent(r, r.stack[2], r.stack[3], r.origin_x + r.stack[0], r.origin_y + r.stack[1]);
            return;
          }
        }
        r.cmds.push_back(TvnStepKind::closepath);
        return;

      case kSeac:
        if (type2 || r.sp < 5) break;
        // asb adx ady bchar achar: the accent's side bearing point lies (adx,
        // ady) from the base's, so its origin is at lsb + adx - asb.
        Accent(r, r.stack[3], r.stack[4], r.origin_x + r.lsb + r.stack[1] - r.stack[0], r.origin_y + r.stack[2]);
        return;

      case kDiv:
        if (r.sp >= 2) {
          const double divisor = r.stack[r.sp - 1];
          r.stack[r.sp - 2] = divisor != 0 ? r.stack[r.sp - 2] / divisor : 0;
          --r.sp;
        }
        continue;

      case kCallothersubr: {
        if (type2) break;
        // othersubr# and the argument count on top, the arguments below.
        int64_t other, count;
        if (r.sp < 2 || !ToIndex(r.stack[r.sp - 1], other) || !ToIndex(r.stack[r.sp - 2], count) || count < 0 ||
            count > r.sp - 2)
          break;
        r.sp -= 2;
        const double* args = r.stack + r.sp - count;
        r.ps.clear();
        if (other == 1) {  // start flex
          r.flex = true;
          r.flex_points = 0;
        } else if (other == 2) {  // one flex point: the current point
          if (r.flex && r.flex_points < 7) {
            r.flex_x[r.flex_points] = r.x;
            r.flex_y[r.flex_points] = r.y;
            ++r.flex_points;
          }
        } else if (other == 0) {  // end flex: two curves from the six points after the reference point
          if (r.flex && r.flex_points == 7) {
            r.x = r.flex_x[0];
            r.y = r.flex_y[0];
            for (int c = 1; c < 7; c += 3) {
              r.cmds.push_back(TvnStepKind::curveto);
              for (int p = c; p < c + 3; ++p) r.Point(r.flex_x[p], r.flex_y[p]);
            }
            r.x = r.flex_x[6];
            r.y = r.flex_y[6];
          }
          r.flex = false;
          r.ps = {r.y, r.x};  // for "pop pop setcurrentpoint"
        } else if (other == 3) {
          r.ps = {3};  // hint replacement: the following callsubr calls subroutine 3
        } else {
          for (int64_t i = count - 1; i >= 0; --i) r.ps.push_back(args[i]);
        }
        r.sp -= static_cast<int>(count);
        continue;
      }

      case kPop:
        if (type2) break;
        if (!r.ps.empty()) {
          r.Push(r.ps.back());
          r.ps.pop_back();
        }
        continue;

      case kSetcurrentpoint:
        break;  // follows a flex, whose end is the current point already

      case kFlex:
        if (!type2 || n < 12) break;
        r.CurveTo(r.stack[0], r.stack[1], r.stack[2], r.stack[3], r.stack[4], r.stack[5]);
        r.CurveTo(r.stack[6], r.stack[7], r.stack[8], r.stack[9], r.stack[10], r.stack[11]);
        break;

      case kHflex:
        if (!type2 || n < 7) break;
        r.CurveTo(r.stack[0], 0, r.stack[1], r.stack[2], r.stack[3], 0);
        r.CurveTo(r.stack[4], 0, r.stack[5], -r.stack[2], r.stack[6], 0);
        break;

      case kHflex1: {
        if (!type2 || n < 9) break;
        const double start_y = r.y;
        r.CurveTo(r.stack[0], r.stack[1], r.stack[2], r.stack[3], r.stack[4], 0);
        r.CurveTo(r.stack[5], 0, r.stack[6], r.stack[7], r.stack[8], 0);
        r.y = start_y;
        r.coords.back() = ToSingle(start_y);
        break;
      }

      case kFlex1: {
        if (!type2 || n < 11) break;
        const double start_x = r.x, start_y = r.y;
        double dx = 0, dy = 0;
        for (int i = 0; i < 10; i += 2) {
          dx += r.stack[i];
          dy += r.stack[i + 1];
        }
        r.CurveTo(r.stack[0], r.stack[1], r.stack[2], r.stack[3], r.stack[4], r.stack[5]);
        r.CurveTo(r.stack[6], r.stack[7], r.stack[8], r.stack[9], 0, 0);
        if (std::fabs(dx) > std::fabs(dy)) {
          r.x += r.stack[10];
          r.y = start_y;
        } else {
          r.x = start_x;
          r.y += r.stack[10];
        }
        r.coords[r.coords.size() - 2] = ToSingle(r.x);
        r.coords.back() = ToSingle(r.y);
        break;
      }

      default:
        break;
    }
    r.sp = 0;
  }
}

void TvnType1Glyphs::Accent(GlyphRun& r, double bchar, double achar, double accent_x, double accent_y) {
  if (r.component_level > 0) return;  // accents do not nest
  int64_t base_code, accent_code;
  if (!ToIndex(bchar, base_code) || !ToIndex(achar, accent_code)) return;
  auto name_of = [](int64_t code) {
    return code >= 0 && code < 256 ? StandardGlyphName(static_cast<int32_t>(code)) : std::string_view();
  };
  RunComponent(r, name_of(base_code), r.origin_x, r.origin_y);
  RunComponent(r, name_of(accent_code), accent_x, accent_y);
}

void TvnType1Glyphs::RunComponent(GlyphRun& parent, std::string_view name, double origin_x, double origin_y) {
  if (name.empty() || !FCharStringsDictHere) return;
  const TvnBytes* program = FCharStringsDictHere->Find(std::string(name));
  if (!program) return;
  GlyphRun run(parent.coords, parent.cmds, origin_x, origin_y, parent.component_level + 1);
  Execute(run, DropLenIV(program->FArray));
}

std::unique_ptr<TvnRecList> TvnType1Glyphs::GetGraphicsPath(std::string_view /*ACharacter*/, float AfontSize,
                                                            const std::vector<float>& ACoordinatesAll,
                                                            const std::vector<TvnStepKind>& ACommandsAll,
                                                            const TvnFontMatrix& AFontMatrix) const {
  auto list = std::make_unique<TvnRecList>();
  const double s = AfontSize;
  const auto& m = AFontMatrix;
  auto map = [&](size_t i) {
    const double x = ACoordinatesAll[i], y = ACoordinatesAll[i + 1];
    return TvnPointF{ToSingle((m[0] * x + m[2] * y + m[4]) * s),
                     ToSingle(FINTMinusOne * (m[1] * x + m[3] * y + m[5]) * s)};
  };
  const size_t available = ACoordinatesAll.size();
  size_t k = 0;  // next coordinate
  TvnPointF current, start;
  for (TvnStepKind kind : ACommandsAll) {
    Instructions rec;
    rec.Name = kind;
    switch (kind) {
      case TvnStepKind::moveto:
      case TvnStepKind::lineto:
        if (k + 2 <= available) {
          const TvnPointF p = map(k);
          rec.X = p.X;
          rec.Y = p.Y;
          rec.pt2 = p;
          rec.prev = kind == TvnStepKind::moveto ? p : current;
          current = p;
          if (kind == TvnStepKind::moveto) start = p;
          list->Add(rec);
        }
        k += 2;
        break;
      case TvnStepKind::curveto:
        if (k + 6 <= available) {
          rec.pt3[0] = current;
          for (int i = 0; i < 3; ++i) rec.pt3[static_cast<size_t>(i + 1)] = map(k + 2 * static_cast<size_t>(i));
          current = rec.pt3[3];
          list->Add(rec);
        }
        k += 6;
        break;
      case TvnStepKind::closepath:
        rec.prevx = current.X;
        rec.prevy = current.Y;
        rec.strtx = start.X;
        rec.strty = start.Y;
        current = start;
        list->Add(rec);
        break;
      default:
        break;
    }
  }
  return list;
}

}  // namespace vn::fonts
