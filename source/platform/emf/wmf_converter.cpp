#include "platform/emf/wmf_converter.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "platform/emf/emf_writer.h"
#include "runtime/codepages.h"
#include "runtime/numbers.h"

namespace vn::platform::emf {

namespace {

constexpr uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr size_t kMaxObjects = 65535;
constexpr size_t kMaxConvertedRecords = 4'000'000;
// Rectangles all region records of one conversion may write. A region is
// stored once but written out at every use, so without a ceiling a small
// file that selects a large region many times makes an enormous metafile.
constexpr size_t kMaxRegionRects = size_t{1} << 20;

enum WmfFunction : uint16_t {
  META_EOF = 0x0000, META_SAVEDC = 0x001E, META_REALIZEPALETTE = 0x0035, META_SETPALENTRIES = 0x0037,
  META_CREATEPALETTE = 0x00F7, META_SETBKMODE = 0x0102, META_SETMAPMODE = 0x0103, META_SETROP2 = 0x0104,
  META_SETRELABS = 0x0105, META_SETPOLYFILLMODE = 0x0106, META_SETSTRETCHBLTMODE = 0x0107,
  META_SETTEXTCHAREXTRA = 0x0108, META_RESTOREDC = 0x0127, META_INVERTREGION = 0x012A,
  META_PAINTREGION = 0x012B, META_SELECTCLIPREGION = 0x012C, META_SELECTOBJECT = 0x012D,
  META_SETTEXTALIGN = 0x012E, META_RESIZEPALETTE = 0x0139, META_DIBCREATEPATTERNBRUSH = 0x0142,
  META_SETLAYOUT = 0x0149, META_DELETEOBJECT = 0x01F0, META_CREATEPATTERNBRUSH = 0x01F9,
  META_SETBKCOLOR = 0x0201, META_SETTEXTCOLOR = 0x0209, META_SETTEXTJUSTIFICATION = 0x020A,
  META_SETWINDOWORG = 0x020B, META_SETWINDOWEXT = 0x020C, META_SETVIEWPORTORG = 0x020D,
  META_SETVIEWPORTEXT = 0x020E, META_OFFSETWINDOWORG = 0x020F, META_OFFSETVIEWPORTORG = 0x0211,
  META_LINETO = 0x0213, META_MOVETO = 0x0214, META_OFFSETCLIPRGN = 0x0220, META_FILLREGION = 0x0228,
  META_SETMAPPERFLAGS = 0x0231, META_SELECTPALETTE = 0x0234, META_CREATEPENINDIRECT = 0x02FA,
  META_CREATEFONTINDIRECT = 0x02FB, META_CREATEBRUSHINDIRECT = 0x02FC, META_POLYGON = 0x0324,
  META_POLYLINE = 0x0325, META_SCALEWINDOWEXT = 0x0410, META_SCALEVIEWPORTEXT = 0x0412,
  META_EXCLUDECLIPRECT = 0x0415, META_INTERSECTCLIPRECT = 0x0416, META_ELLIPSE = 0x0418,
  META_FLOODFILL = 0x0419, META_FRAMEREGION = 0x0429, META_ANIMATEPALETTE = 0x0436, META_RECTANGLE = 0x041B,
  META_SETPIXEL = 0x041F, META_TEXTOUT = 0x0521, META_POLYPOLYGON = 0x0538, META_EXTFLOODFILL = 0x0548,
  META_ROUNDRECT = 0x061C, META_PATBLT = 0x061D, META_ESCAPE = 0x0626, META_CREATEREGION = 0x06FF,
  META_ARC = 0x0817, META_PIE = 0x081A, META_CHORD = 0x0830, META_BITBLT = 0x0922, META_DIBBITBLT = 0x0940,
  META_EXTTEXTOUT = 0x0A32, META_STRETCHBLT = 0x0B23, META_DIBSTRETCHBLT = 0x0B41, META_SETDIBTODEV = 0x0D33,
  META_STRETCHDIB = 0x0F43,
};

struct WmfRecord {
  uint16_t function;
  size_t offset;
  ByteReader params;
};

// The records after the header; stops at META_EOF or at a record that does
// not fit.
std::vector<WmfRecord> SplitRecords(const ByteReader& file, size_t start, Diagnostics* diags) {
  std::vector<WmfRecord> out;
  size_t pos = start;
  while (pos < file.size()) {
    ByteReader r = file.Sub(pos, file.size() - pos);
    uint32_t words = r.U32LE();
    uint16_t function = r.U16LE();
    if (r.failed()) break;  // trailing bytes after the last record
    auto bytes = CheckedMul(words, 2);
    if (words < 3 || !bytes || *bytes > file.size() - pos) {
      ReportTo(diags, {.offset = pos, .record = function, .message = "record size " + std::to_string(words) + " does not fit the file"});
      break;
    }
    if (function == META_EOF) break;
    if (out.size() >= kMaxConvertedRecords) {
      ReportTo(diags, {.offset = pos, .record = function, .message = "too many records"});
      break;
    }
    out.push_back({function, pos, file.Sub(pos + 6, *bytes - 6)});
    pos += *bytes;
  }
  return out;
}

// A packed DIB (header, colour table, bits) split as EMF records keep it.
std::optional<DibData> SplitPackedDib(ByteReader r) {
  const size_t total = r.remaining();
  ByteReader h = r.Rest();
  uint32_t headerSize = h.U32LE();
  if (h.failed() || headerSize < 12 || headerSize > total) return std::nullopt;
  uint16_t bitCount;
  uint32_t compression = BI_RGB, used = 0;
  if (headerSize == 12) {
    h.Skip(6);
    bitCount = h.U16LE();
  } else {
    h.Skip(10);
    bitCount = h.U16LE();
    compression = h.U32LE();
    h.Skip(12);
    used = h.U32LE();
  }
  if (h.failed()) return std::nullopt;
  size_t table = 0;
  if (compression == BI_BITFIELDS && headerSize == 40) {
    table = 12;
  } else if (bitCount <= 8) {
    table = (used ? std::min<size_t>(used, 256) : size_t{1} << bitCount) * (headerSize == 12 ? 3 : 4);
  }
  const size_t infoSize = headerSize + table;
  if (infoSize >= total) return std::nullopt;
  DibData d;
  d.info = r.Sub(r.position(), infoSize).String(infoSize);
  d.bits = r.Sub(r.position() + infoSize, total - infoSize).String(total - infoSize);
  return d;
}

class Converter {
 public:
  explicit Converter(Diagnostics* diags) : diags_(diags) {}

  std::string Run(const ByteReader& file) {
    size_t headerAt = 0;
    std::optional<RectL> box;
    int inch = 0;
    if (file.size() >= 22) {
      ByteReader p = file.Sub(0, 22);
      if (p.U32LE() == kPlaceableKey) {
        p.U16LE();
        RectL b;
        b.left = p.I16LE();
        b.top = p.I16LE();
        b.right = p.I16LE();
        b.bottom = p.I16LE();
        inch = p.U16LE();
        box = b;
        headerAt = 22;
      }
    }
    ByteReader h = file.Sub(headerAt, 18);
    uint16_t type = h.U16LE();
    uint16_t headerWords = h.U16LE();
    if (h.failed() || (type != 1 && type != 2) || headerWords != 9) throw EEmfError("Not a Windows metafile");
    records_ = SplitRecords(file, headerAt + 18, diags_);
    placeable_ = box.has_value();

    // The frame: the placeable box, else the window the metafile sets, else
    // the extent of its drawing (in pixels).
    if (!box) {
      std::optional<PointL> org, ext;
      for (const auto& rec : records_) {
        ByteReader r = rec.params;
        if (rec.function == META_SETWINDOWORG && !org) org = ReadPoint16(r);
        if (rec.function == META_SETWINDOWEXT && !ext) {
          int32_t y = r.I16LE(), x = r.I16LE();
          if (r.ok() && x != 0 && y != 0) ext = PointL{x, y};
        }
      }
      if (ext) {
        const PointL o = org.value_or(PointL{});
        box = RectL{o.x, o.y, o.x + ext->x, o.y + ext->y};
        inch = std::max(std::abs(ext->x), std::abs(ext->y)) > 5000 ? 1440 : kReferenceDpi;
        placeable_ = true;  // map the window onto the frame, as for a placeable file
      } else {
        box = DrawingExtent();
        inch = kReferenceDpi;
      }
    }
    if (inch <= 0) inch = 1440;
    const double w = std::abs(double(box->right) - box->left), hgt = std::abs(double(box->bottom) - box->top);
    const int32_t wpx = int32_t(std::clamp(std::lround(w * kReferenceDpi / inch), 1L, 32767L));
    const int32_t hpx = int32_t(std::clamp(std::lround(hgt * kReferenceDpi / inch), 1L, 32767L));
    EmfWriter writer(wpx, hpx);
    w_ = &writer;
    writer.ExtendBounds({0, 0, wpx - 1, hpx - 1});
    if (placeable_) {
      writer.WriteU32(EMR_SETMAPMODE, MM_ANISOTROPIC);
      writer.WritePoint(EMR_SETWINDOWORGEX, {box->left, box->top});
      writer.WritePoint(EMR_SETWINDOWEXTEX, {std::max(1, std::abs(box->right - box->left)) * (box->right < box->left ? -1 : 1),
                                             std::max(1, std::abs(box->bottom - box->top)) * (box->bottom < box->top ? -1 : 1)});
      writer.WritePoint(EMR_SETVIEWPORTORGEX, {0, 0});
      writer.WritePoint(EMR_SETVIEWPORTEXTEX, {wpx, hpx});
    }
    for (const auto& rec : records_) {
      if (!Convert(rec)) ReportTo(diags_, {.offset = rec.offset, .record = rec.function, .message = "damaged record skipped"});
    }
    return writer.Finish();
  }

 private:
  RectL DrawingExtent() {
    int32_t minX = INT32_MAX, minY = INT32_MAX, maxX = INT32_MIN, maxY = INT32_MIN;
    auto add = [&](int32_t x, int32_t y) {
      minX = std::min(minX, x), maxX = std::max(maxX, x), minY = std::min(minY, y), maxY = std::max(maxY, y);
    };
    for (const auto& rec : records_) {
      ByteReader r = rec.params;
      switch (rec.function) {
        case META_LINETO: case META_MOVETO: {
          int32_t y = r.I16LE(), x = r.I16LE();
          if (r.ok()) add(x, y);
          break;
        }
        case META_RECTANGLE: case META_ELLIPSE: case META_ROUNDRECT: case META_ARC: case META_PIE: case META_CHORD: {
          if (rec.function == META_ROUNDRECT) r.Skip(4);
          if (rec.function == META_ARC || rec.function == META_PIE || rec.function == META_CHORD) r.Skip(8);
          int32_t b = r.I16LE(), rt = r.I16LE(), t = r.I16LE(), l = r.I16LE();
          if (r.ok()) add(l, t), add(rt, b);
          break;
        }
        case META_POLYGON: case META_POLYLINE: {
          uint16_t n = r.U16LE();
          for (uint16_t i = 0; i < n && r.ok(); ++i) {
            int32_t x = r.I16LE(), y = r.I16LE();
            if (r.ok()) add(x, y);
          }
          break;
        }
        default: break;
      }
    }
    if (minX > maxX) return {0, 0, 100, 100};
    return {minX, minY, maxX + 1, maxY + 1};
  }

  // Object table: the lowest free slot takes the new object. No slot below
  // firstFree_ is free, so a full table is not searched again at each
  // creation.
  std::optional<uint32_t> NewSlot() {
    for (size_t i = firstFree_; i < slots_.size(); ++i)
      if (!slots_[i].used) {
        slots_[i] = {};
        slots_[i].used = true;
        firstFree_ = i + 1;
        return uint32_t(i);
      }
    firstFree_ = slots_.size();
    if (slots_.size() >= kMaxObjects) return std::nullopt;
    slots_.push_back({});
    slots_.back().used = true;
    firstFree_ = slots_.size();
    return uint32_t(slots_.size() - 1);
  }
  void FreeSlot(uint16_t index) {
    slots_[index] = {};
    firstFree_ = std::min<size_t>(firstFree_, index);
  }

  static RectL ReadRect16(ByteReader& r) {  // bottom, right, top, left
    RectL v;
    v.bottom = r.I16LE();
    v.right = r.I16LE();
    v.top = r.I16LE();
    v.left = r.I16LE();
    return v;
  }
  static PointL ReadPoint16(ByteReader& r) {  // y, x
    PointL p;
    p.y = r.I16LE();
    p.x = r.I16LE();
    return p;
  }

  void WriteBitmap(int32_t xDest, int32_t yDest, int32_t cxDest, int32_t cyDest, int32_t xSrc, int32_t ySrc,
                   int32_t cxSrc, int32_t cySrc, uint32_t rop, uint32_t usage, DibData dib) {
    EmrStretchDIBits rec;
    rec.bounds = {0, 0, -1, -1};
    rec.xDest = xDest, rec.yDest = yDest, rec.cxDest = cxDest, rec.cyDest = cyDest;
    rec.xSrc = xSrc, rec.ySrc = ySrc, rec.cxSrc = cxSrc, rec.cySrc = cySrc;
    rec.usage = usage;
    rec.rop = rop;
    rec.dib = std::move(dib);
    RecordBuilder b;
    rec.Encode(b);
    w_->Write(EMR_STRETCHDIBITS, b);
  }

  void WritePatBlt(int32_t x, int32_t y, int32_t cx, int32_t cy, uint32_t rop) {
    RecordBuilder b;
    b.Rect({0, 0, -1, -1});
    b.I32(x), b.I32(y), b.I32(cx), b.I32(cy);
    b.U32(rop);
    b.I32(0), b.I32(0);
    b.Xform(XForm{});
    b.U32(0), b.U32(0);
    for (int i = 0; i < 4; ++i) b.U32(0);
    w_->Write(EMR_BITBLT, b);
  }

  // Takes n rectangles from the conversion's region budget; false once spent.
  bool SpendRegionRects(size_t n) {
    if (n > kMaxRegionRects - regionRects_) return false;
    regionRects_ += n;
    return true;
  }

  void WriteRegion(uint32_t type, uint32_t brush, const std::vector<RectL>& rects) {
    RecordBuilder b;
    b.Rect({0, 0, -1, -1});
    b.U32(uint32_t(32 + rects.size() * 16));
    if (type == EMR_FILLRGN) b.U32(brush);
    WriteRegionData(b, rects);
    w_->Write(type, b);
  }

  void WriteText(PointL at, const std::string& bytes, uint32_t options, const RectL* rect, std::vector<int32_t> dx) {
    EmrExtTextOut t;
    t.bounds = {0, 0, -1, -1};
    t.graphicsMode = GM_COMPATIBLE;
    t.reference = at;
    t.options = options & (ETO_OPAQUE | ETO_CLIPPED | ETO_RTLREADING);
    if (rect) t.rect = *rect;
    t.text = DecodeCp1252(bytes);
    if (dx.size() == t.text.size()) t.dx = std::move(dx);
    RecordBuilder b;
    t.Encode(b);
    w_->Write(EMR_EXTTEXTOUTW, b);
  }

  bool Convert(const WmfRecord& rec);

  struct Slot {
    bool used = false;
    bool region = false;
    std::vector<RectL> rects;
  };

  Diagnostics* diags_;
  std::vector<WmfRecord> records_;
  std::vector<Slot> slots_;
  size_t firstFree_ = 0;
  EmfWriter* w_ = nullptr;
  bool placeable_ = false;
  PointL windowOrg_, viewportOrg_;
  size_t regionRects_ = 0;
};

bool Converter::Convert(const WmfRecord& rec) {
  ByteReader r = rec.params;
  auto simple = [&](uint32_t type, uint32_t value) {
    if (r.failed()) return false;
    w_->WriteU32(type, value);
    return true;
  };
  switch (rec.function) {
    case META_SETBKCOLOR: return simple(EMR_SETBKCOLOR, r.U32LE() & 0xFFFFFF);
    case META_SETTEXTCOLOR: return simple(EMR_SETTEXTCOLOR, r.U32LE() & 0xFFFFFF);
    case META_SETBKMODE: return simple(EMR_SETBKMODE, r.U16LE());
    case META_SETROP2: return simple(EMR_SETROP2, r.U16LE());
    case META_SETPOLYFILLMODE: return simple(EMR_SETPOLYFILLMODE, r.U16LE());
    case META_SETSTRETCHBLTMODE: return simple(EMR_SETSTRETCHBLTMODE, r.U16LE());
    case META_SETTEXTALIGN: return simple(EMR_SETTEXTALIGN, r.U16LE());
    case META_SETMAPMODE: {
      uint16_t mode = r.U16LE();
      if (r.failed()) return false;
      if (!placeable_) w_->WriteU32(EMR_SETMAPMODE, mode);
      return true;
    }
    case META_SETWINDOWORG:
    case META_SETWINDOWEXT:
    case META_SETVIEWPORTORG:
    case META_SETVIEWPORTEXT: {
      PointL p = ReadPoint16(r);
      if (r.failed()) return false;
      if (rec.function == META_SETWINDOWORG) windowOrg_ = p;
      if (rec.function == META_SETVIEWPORTORG) viewportOrg_ = p;
      const bool viewport = rec.function == META_SETVIEWPORTORG || rec.function == META_SETVIEWPORTEXT;
      if (viewport && placeable_) return true;  // the frame sets the viewport
      static constexpr uint32_t kType[] = {EMR_SETWINDOWORGEX, EMR_SETWINDOWEXTEX, EMR_SETVIEWPORTORGEX,
                                           EMR_SETVIEWPORTEXTEX};
      w_->WritePoint(kType[rec.function - META_SETWINDOWORG], p);
      return true;
    }
    case META_OFFSETWINDOWORG:
    case META_OFFSETVIEWPORTORG: {
      PointL d = ReadPoint16(r);
      if (r.failed()) return false;
      if (rec.function == META_OFFSETWINDOWORG) {
        windowOrg_ = {std::clamp(windowOrg_.x + d.x, -(1 << 30), 1 << 30), std::clamp(windowOrg_.y + d.y, -(1 << 30), 1 << 30)};
        w_->WritePoint(EMR_SETWINDOWORGEX, windowOrg_);
      } else if (!placeable_) {
        viewportOrg_ = {std::clamp(viewportOrg_.x + d.x, -(1 << 30), 1 << 30), std::clamp(viewportOrg_.y + d.y, -(1 << 30), 1 << 30)};
        w_->WritePoint(EMR_SETVIEWPORTORGEX, viewportOrg_);
      }
      return true;
    }
    case META_SCALEWINDOWEXT:
    case META_SCALEVIEWPORTEXT: {
      int32_t yDenom = r.I16LE(), yNum = r.I16LE(), xDenom = r.I16LE(), xNum = r.I16LE();
      if (r.failed()) return false;
      if (rec.function == META_SCALEVIEWPORTEXT && placeable_) return true;
      RecordBuilder b;
      b.I32(xNum), b.I32(xDenom), b.I32(yNum), b.I32(yDenom);
      w_->Write(rec.function == META_SCALEWINDOWEXT ? EMR_SCALEWINDOWEXTEX : EMR_SCALEVIEWPORTEXTEX, b);
      return true;
    }
    case META_MOVETO:
    case META_LINETO: {
      PointL p = ReadPoint16(r);
      if (r.failed()) return false;
      w_->WritePoint(rec.function == META_MOVETO ? EMR_MOVETOEX : EMR_LINETO, p);
      return true;
    }
    case META_EXCLUDECLIPRECT:
    case META_INTERSECTCLIPRECT:
    case META_RECTANGLE:
    case META_ELLIPSE: {
      RectL v = ReadRect16(r);
      if (r.failed()) return false;
      const uint32_t type = rec.function == META_EXCLUDECLIPRECT     ? EMR_EXCLUDECLIPRECT
                            : rec.function == META_INTERSECTCLIPRECT ? EMR_INTERSECTCLIPRECT
                            : rec.function == META_RECTANGLE         ? EMR_RECTANGLE
                                                                     : EMR_ELLIPSE;
      w_->WriteRect(type, v);
      return true;
    }
    case META_ROUNDRECT: {
      int32_t hh = r.I16LE(), ww = r.I16LE();
      RectL v = ReadRect16(r);
      if (r.failed()) return false;
      RecordBuilder b;
      b.Rect(v);
      b.Size({ww, hh});
      w_->Write(EMR_ROUNDRECT, b);
      return true;
    }
    case META_ARC:
    case META_PIE:
    case META_CHORD: {
      PointL end = ReadPoint16(r), start = ReadPoint16(r);
      RectL box = ReadRect16(r);
      if (r.failed()) return false;
      RecordBuilder b;
      b.Rect(box);
      b.Point(start);
      b.Point(end);
      w_->Write(rec.function == META_ARC ? EMR_ARC : rec.function == META_PIE ? EMR_PIE : EMR_CHORD, b);
      return true;
    }
    case META_SETPIXEL: {
      uint32_t color = r.U32LE();
      PointL p = ReadPoint16(r);
      if (r.failed()) return false;
      RecordBuilder b;
      b.Point(p);
      b.U32(color & 0xFFFFFF);
      w_->Write(EMR_SETPIXELV, b);
      return true;
    }
    case META_POLYGON:
    case META_POLYLINE: {
      uint16_t n = r.U16LE();
      if (r.failed() || !r.Has(size_t{n} * 4)) return false;
      EmrPoly poly;
      poly.bounds = {0, 0, -1, -1};
      for (uint16_t i = 0; i < n; ++i) {
        int32_t x = r.I16LE(), y = r.I16LE();
        poly.points.push_back({x, y});
      }
      RecordBuilder b;
      poly.Encode(b, true);
      w_->Write(rec.function == META_POLYGON ? EMR_POLYGON16 : EMR_POLYLINE16, b);
      return true;
    }
    case META_POLYPOLYGON: {
      uint16_t n = r.U16LE();
      if (r.failed() || !r.Has(size_t{n} * 2)) return false;
      EmrPolyPoly pp;
      pp.bounds = {0, 0, -1, -1};
      size_t total = 0;
      for (uint16_t i = 0; i < n; ++i) {
        pp.counts.push_back(r.U16LE());
        total += pp.counts.back();
      }
      if (!r.Has(total * 4)) return false;
      for (size_t i = 0; i < total; ++i) {
        int32_t x = r.I16LE(), y = r.I16LE();
        pp.points.push_back({x, y});
      }
      RecordBuilder b;
      pp.Encode(b, true);
      w_->Write(EMR_POLYPOLYGON16, b);
      return true;
    }
    case META_SAVEDC:
      w_->Write(EMR_SAVEDC);
      return true;
    case META_RESTOREDC: {
      int16_t n = r.I16LE();
      if (r.failed()) return false;
      RecordBuilder b;
      b.I32(n);
      w_->Write(EMR_RESTOREDC, b);
      return true;
    }
    case META_CREATEPENINDIRECT: {
      uint16_t style = r.U16LE();
      int16_t width = r.I16LE();
      r.I16LE();
      uint32_t color = r.U32LE();
      auto slot = NewSlot();
      if (r.failed() || !slot) return false;
      EmrCreatePen p;
      p.ihPen = *slot + 1;
      p.style = style;
      p.width = width;
      p.color = color & 0xFFFFFF;
      RecordBuilder b;
      p.Encode(b);
      w_->Write(EMR_CREATEPEN, b);
      return true;
    }
    case META_CREATEBRUSHINDIRECT: {
      uint16_t style = r.U16LE();
      uint32_t color = r.U32LE();
      uint16_t hatch = r.U16LE();
      auto slot = NewSlot();
      if (r.failed() || !slot) return false;
      EmrCreateBrush br;
      br.ihBrush = *slot + 1;
      br.style = style;
      br.color = color & 0xFFFFFF;
      br.hatch = hatch;
      RecordBuilder b;
      br.Encode(b);
      w_->Write(EMR_CREATEBRUSHINDIRECT, b);
      return true;
    }
    case META_CREATEFONTINDIRECT: {
      LogFontW f;
      f.height = r.I16LE();
      f.width = r.I16LE();
      f.escapement = r.I16LE();
      f.orientation = r.I16LE();
      f.weight = r.I16LE();
      f.italic = r.U8();
      f.underline = r.U8();
      f.strikeOut = r.U8();
      f.charSet = r.U8();
      f.outPrecision = r.U8();
      f.clipPrecision = r.U8();
      f.quality = r.U8();
      f.pitchAndFamily = r.U8();
      auto slot = NewSlot();
      if (r.failed() || !slot) return false;
      std::string face = r.String(std::min<size_t>(32, r.remaining()));
      face = face.substr(0, face.find('\0'));
      f.faceName = DecodeCp1252(face);
      EmrExtCreateFont rec2;
      rec2.ihFont = *slot + 1;
      rec2.font = f;
      RecordBuilder b;
      rec2.Encode(b);
      w_->Write(EMR_EXTCREATEFONTINDIRECTW, b);
      return true;
    }
    case META_DIBCREATEPATTERNBRUSH: {
      r.U16LE();  // style
      uint16_t usage = r.U16LE();
      auto slot = NewSlot();
      if (r.failed() || !slot) return false;
      auto dib = SplitPackedDib(r.Rest());
      EmrCreateDibBrush br;
      br.ihBrush = *slot + 1;
      br.usage = usage;
      if (dib) {
        br.dib = std::move(*dib);
        RecordBuilder b;
        br.Encode(b);
        w_->Write(EMR_CREATEDIBPATTERNBRUSHPT, b);
      } else {
        EmrCreateBrush grey;
        grey.ihBrush = *slot + 1;
        grey.color = 0x808080;
        RecordBuilder b;
        grey.Encode(b);
        w_->Write(EMR_CREATEBRUSHINDIRECT, b);
      }
      return true;
    }
    case META_CREATEPATTERNBRUSH:
    case META_CREATEPALETTE: {
      // Old device bitmaps and palettes: the slot is taken; a pattern
      // brush draws grey.
      auto slot = NewSlot();
      if (!slot) return false;
      if (rec.function == META_CREATEPATTERNBRUSH) {
        EmrCreateBrush grey;
        grey.ihBrush = *slot + 1;
        grey.color = 0x808080;
        RecordBuilder b;
        grey.Encode(b);
        w_->Write(EMR_CREATEBRUSHINDIRECT, b);
      }
      return true;
    }
    case META_CREATEREGION: {
      // Region header (nextInHandle, objectType, objectCount, size, scanCount,
      // maxScan, bounding box), then scans of x pairs between two y's.
      r.Skip(10);
      uint16_t scans = r.U16LE();
      r.Skip(2 + 8);
      auto slot = NewSlot();
      if (r.failed() || !slot) return false;
      slots_[*slot].region = true;
      for (uint16_t s = 0; s < scans && r.ok(); ++s) {
        uint16_t count = r.U16LE();
        int32_t top = r.I16LE(), bottom = r.I16LE();
        if (!r.Has(size_t{count} * 2 + 2)) break;
        for (uint16_t i = 0; i + 1 < count; i += 2) {
          int32_t left = r.I16LE(), right = r.I16LE();
          slots_[*slot].rects.push_back({left, top, right, bottom});
        }
        if (count % 2) r.I16LE();
        r.U16LE();  // count again
      }
      return true;
    }
    case META_SELECTOBJECT:
    case META_SELECTCLIPREGION: {
      uint16_t index = r.U16LE();
      if (r.failed() || index >= slots_.size() || !slots_[index].used) return false;
      if (slots_[index].region) {
        if (!SpendRegionRects(slots_[index].rects.size())) return false;
        EmrExtSelectClipRgn clip;
        clip.mode = RGN_COPY;
        clip.rects = slots_[index].rects;
        if (clip.rects.empty()) clip.rects.push_back({0, 0, 0, 0});
        RecordBuilder b;
        clip.Encode(b);
        w_->Write(EMR_EXTSELECTCLIPRGN, b);
      } else if (rec.function == META_SELECTOBJECT) {
        w_->WriteU32(EMR_SELECTOBJECT, index + 1u);
      }
      return true;
    }
    case META_DELETEOBJECT: {
      uint16_t index = r.U16LE();
      if (r.failed() || index >= slots_.size() || !slots_[index].used) return false;
      if (!slots_[index].region) w_->WriteU32(EMR_DELETEOBJECT, index + 1u);
      FreeSlot(index);
      return true;
    }
    case META_FILLREGION:
    case META_PAINTREGION: {
      uint16_t region = r.U16LE();
      uint16_t brush = rec.function == META_FILLREGION ? r.U16LE() : 0;
      if (r.failed() || region >= slots_.size() || !slots_[region].region) return false;
      if (!SpendRegionRects(slots_[region].rects.size())) return false;
      WriteRegion(rec.function == META_FILLREGION ? EMR_FILLRGN : EMR_PAINTRGN, brush + 1u, slots_[region].rects);
      return true;
    }
    case META_TEXTOUT: {
      uint16_t n = r.U16LE();
      std::string text = r.String(n);
      if (n % 2) r.Skip(1);
      PointL at = ReadPoint16(r);
      if (r.failed()) return false;
      WriteText(at, text, 0, nullptr, {});
      return true;
    }
    case META_EXTTEXTOUT: {
      PointL at = ReadPoint16(r);
      uint16_t n = r.U16LE();
      uint16_t options = r.U16LE();
      RectL rect;
      const bool hasRect = options & (ETO_OPAQUE | ETO_CLIPPED);
      if (hasRect) {
        rect.left = r.I16LE();
        rect.top = r.I16LE();
        rect.right = r.I16LE();
        rect.bottom = r.I16LE();
      }
      std::string text = r.String(n);
      if (r.failed()) return false;
      if (n % 2) r.Skip(1);
      std::vector<int32_t> dx;
      if (r.Has(size_t{n} * 2)) {
        for (uint16_t i = 0; i < n; ++i) dx.push_back(r.I16LE());
      }
      WriteText(at, text, options, hasRect ? &rect : nullptr, std::move(dx));
      return true;
    }
    case META_PATBLT: {
      uint32_t rop = r.U32LE();
      int32_t cy = r.I16LE(), cx = r.I16LE(), y = r.I16LE(), x = r.I16LE();
      if (r.failed()) return false;
      WritePatBlt(x, y, cx, cy, rop);
      return true;
    }
    case META_DIBBITBLT: {
      const bool noBitmap = r.size() == 18;
      uint32_t rop = r.U32LE();
      int32_t ySrc = r.I16LE(), xSrc = r.I16LE();
      if (noBitmap) r.I16LE();
      int32_t cy = r.I16LE(), cx = r.I16LE(), yDest = r.I16LE(), xDest = r.I16LE();
      if (r.failed()) return false;
      if (noBitmap) {
        WritePatBlt(xDest, yDest, cx, cy, rop);
        return true;
      }
      auto dib = SplitPackedDib(r.Rest());
      if (!dib) return false;
      WriteBitmap(xDest, yDest, cx, cy, xSrc, ySrc, cx, cy, rop, DIB_RGB_COLORS, std::move(*dib));
      return true;
    }
    case META_DIBSTRETCHBLT:
    case META_STRETCHDIB: {
      const bool noBitmap = rec.function == META_DIBSTRETCHBLT && r.size() == 22;
      uint32_t rop = r.U32LE();
      uint32_t usage = rec.function == META_STRETCHDIB ? uint32_t(r.U16LE()) : uint32_t(DIB_RGB_COLORS);
      int32_t cySrc = r.I16LE(), cxSrc = r.I16LE(), ySrc = r.I16LE(), xSrc = r.I16LE();
      if (noBitmap) r.I16LE();
      int32_t cy = r.I16LE(), cx = r.I16LE(), yDest = r.I16LE(), xDest = r.I16LE();
      if (r.failed()) return false;
      if (noBitmap) {
        WritePatBlt(xDest, yDest, cx, cy, rop);
        return true;
      }
      auto dib = SplitPackedDib(r.Rest());
      if (!dib) return false;
      WriteBitmap(xDest, yDest, cx, cy, xSrc, ySrc, cxSrc, cySrc, rop, usage, std::move(*dib));
      return true;
    }
    case META_SETDIBTODEV: {
      uint32_t usage = r.U16LE();
      r.U16LE();  // scan count
      r.U16LE();  // start scan
      int32_t yDib = r.I16LE(), xDib = r.I16LE(), cy = r.I16LE(), cx = r.I16LE(), yDest = r.I16LE(),
              xDest = r.I16LE();
      if (r.failed()) return false;
      auto dib = SplitPackedDib(r.Rest());
      if (!dib) return false;
      WriteBitmap(xDest, yDest, cx, cy, xDib, yDib, cx, cy, SRCCOPY, usage, std::move(*dib));
      return true;
    }
    default:
      // Palettes, escapes, flood fills, justification and mapper flags
      // have no counterpart drawn here.
      return true;
  }
}

}  // namespace

bool IsWmf(std::span<const std::byte> data) {
  ByteReader r(data);
  uint32_t key = r.U32LE();
  if (r.ok() && key == kPlaceableKey) return data.size() >= 40;
  r.Seek(0);
  uint16_t type = r.U16LE(), words = r.U16LE();
  return r.ok() && (type == 1 || type == 2) && words == 9 && data.size() >= 18;
}

std::string ConvertWmfToEmf(std::span<const std::byte> wmf, Diagnostics* diagnostics) {
  Converter c(diagnostics);
  return c.Run(ByteReader(wmf));
}

}  // namespace vn::platform::emf
