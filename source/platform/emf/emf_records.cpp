#include "platform/emf/emf_records.h"

#include <cstring>

#include "runtime/numbers.h"

namespace vn::platform::emf {

namespace {

constexpr size_t kPrefix = 8;  // type and size before the payload
// Upper bound of elements a record may announce; sizes are checked against
// the record anyway, this only keeps the arithmetic small.
constexpr size_t kMaxCount = 1u << 26;

template <typename T>
std::optional<T> Ok(const ByteReader& r, T value) {
  if (r.failed()) return std::nullopt;
  return value;
}

// Reads n points (16- or 32-bit) when they fit into the reader.
bool ReadPoints(ByteReader& r, size_t n, bool is16, std::vector<PointL>& out) {
  auto bytes = CheckedMul(n, is16 ? 4 : 8);
  if (n > kMaxCount || !bytes || !r.Has(*bytes)) return false;
  out.resize(n);
  for (auto& p : out) {
    if (is16) {
      p.x = r.I16LE();
      p.y = r.I16LE();
    } else {
      p.x = r.I32LE();
      p.y = r.I32LE();
    }
  }
  return r.ok();
}

std::u16string ReadUtf16(ByteReader& r, size_t units) {
  std::u16string s;
  s.reserve(units);
  for (size_t i = 0; i < units && r.ok(); ++i) s.push_back(static_cast<char16_t>(r.U16LE()));
  return s;
}

// A range [off, off + len) given as an offset from the record start.
std::optional<ByteReader> RecordRange(const ByteReader& payload, uint32_t off, size_t len) {
  if (off < kPrefix) return std::nullopt;
  ByteReader sub = payload.Sub(off - kPrefix, len);
  if (sub.failed()) return std::nullopt;
  return sub;
}

}  // namespace

void RecordBuilder::U16(uint16_t v) {
  U8(static_cast<uint8_t>(v));
  U8(static_cast<uint8_t>(v >> 8));
}
void RecordBuilder::U32(uint32_t v) {
  for (int i = 0; i < 4; ++i) U8(static_cast<uint8_t>(v >> (8 * i)));
}
void RecordBuilder::F32(float v) {
  uint32_t u;
  std::memcpy(&u, &v, 4);
  U32(u);
}
void RecordBuilder::Xform(const XForm& x) {
  F32(x.eM11), F32(x.eM12), F32(x.eM21), F32(x.eM22), F32(x.eDx), F32(x.eDy);
}

PointL ReadPointL(ByteReader& r) {
  PointL p;
  p.x = r.I32LE();
  p.y = r.I32LE();
  return p;
}
RectL ReadRectL(ByteReader& r) {
  RectL v;
  v.left = r.I32LE();
  v.top = r.I32LE();
  v.right = r.I32LE();
  v.bottom = r.I32LE();
  return v;
}
SizeL ReadSizeL(ByteReader& r) {
  SizeL s;
  s.cx = r.I32LE();
  s.cy = r.I32LE();
  return s;
}
XForm ReadXForm(ByteReader& r) {
  XForm x;
  x.eM11 = r.F32LE();
  x.eM12 = r.F32LE();
  x.eM21 = r.F32LE();
  x.eM22 = r.F32LE();
  x.eDx = r.F32LE();
  x.eDy = r.F32LE();
  return x;
}

std::optional<EmrHeader> EmrHeader::Decode(ByteReader r) {
  EmrHeader h;
  h.rclBounds = ReadRectL(r);
  h.rclFrame = ReadRectL(r);
  if (r.U32LE() != kEmfSignature) return std::nullopt;
  h.nVersion = r.U32LE();
  h.nBytes = r.U32LE();
  h.nRecords = r.U32LE();
  h.nHandles = r.U16LE();
  r.U16LE();
  uint32_t nDescription = r.U32LE();
  uint32_t offDescription = r.U32LE();
  h.nPalEntries = r.U32LE();
  h.szlDevice = ReadSizeL(r);
  h.szlMillimeters = ReadSizeL(r);
  if (r.failed()) return std::nullopt;
  // Extension 1 (pixel format, OpenGL) and 2 (micrometres) when the record
  // is long enough and the description does not start inside them.
  if (r.remaining() >= 12) {
    r.Skip(12);
    if (r.remaining() >= 8 && (offDescription == 0 || offDescription >= 108)) {
      h.szlMicrometers = ReadSizeL(r);
      h.hasMicrometers = true;
    }
  }
  if (nDescription > 0 && nDescription < 4096) {
    if (auto d = RecordRange(r, offDescription, size_t{nDescription} * 2)) {
      h.description = ReadUtf16(*d, nDescription);
    }
  }
  return h;
}

void EmrHeader::Encode(RecordBuilder& b) const {
  b.Rect(rclBounds);
  b.Rect(rclFrame);
  b.U32(kEmfSignature);
  b.U32(nVersion);
  b.U32(nBytes);
  b.U32(nRecords);
  b.U16(nHandles);
  b.U16(0);
  const uint32_t descOffset = description.empty() ? 0 : 108;
  b.U32(static_cast<uint32_t>(description.size()));
  b.U32(descOffset);
  b.U32(nPalEntries);
  b.Size(szlDevice);
  b.Size(szlMillimeters);
  b.U32(0);  // cbPixelFormat
  b.U32(0);  // offPixelFormat
  b.U32(0);  // bOpenGL
  b.Size(szlMicrometers);
  for (char16_t c : description) b.U16(c);
  b.PadTo4();
}

std::optional<EmrU32> EmrU32::Decode(ByteReader r) {
  EmrU32 v;
  v.value = r.U32LE();
  return Ok(r, v);
}
std::optional<EmrPoint> EmrPoint::Decode(ByteReader r) {
  EmrPoint v;
  v.point = ReadPointL(r);
  return Ok(r, v);
}
std::optional<EmrRect> EmrRect::Decode(ByteReader r) {
  EmrRect v;
  v.rect = ReadRectL(r);
  return Ok(r, v);
}
std::optional<EmrScaleExt> EmrScaleExt::Decode(ByteReader r) {
  EmrScaleExt v;
  v.xNum = r.I32LE();
  v.xDenom = r.I32LE();
  v.yNum = r.I32LE();
  v.yDenom = r.I32LE();
  return Ok(r, v);
}
std::optional<EmrRoundRect> EmrRoundRect::Decode(ByteReader r) {
  EmrRoundRect v;
  v.box = ReadRectL(r);
  v.corner = ReadSizeL(r);
  return Ok(r, v);
}
std::optional<EmrArc> EmrArc::Decode(ByteReader r) {
  EmrArc v;
  v.box = ReadRectL(r);
  v.start = ReadPointL(r);
  v.end = ReadPointL(r);
  return Ok(r, v);
}
std::optional<EmrAngleArc> EmrAngleArc::Decode(ByteReader r) {
  EmrAngleArc v;
  v.center = ReadPointL(r);
  v.radius = r.U32LE();
  v.startAngle = r.F32LE();
  v.sweepAngle = r.F32LE();
  return Ok(r, v);
}
std::optional<EmrXForm> EmrXForm::Decode(ByteReader r, bool withMode) {
  EmrXForm v;
  v.xform = ReadXForm(r);
  if (withMode) v.mode = r.U32LE();
  return Ok(r, v);
}
std::optional<EmrMiterLimit> EmrMiterLimit::Decode(ByteReader r) {
  uint32_t raw = r.U32LE();
  if (r.failed()) return std::nullopt;
  EmrMiterLimit v;
  if (raw < 0x10000) {
    v.limit = static_cast<float>(raw);
  } else {
    std::memcpy(&v.limit, &raw, 4);
    if (!(v.limit >= 0 && v.limit < 1e6f)) v.limit = 10;
  }
  return v;
}

std::optional<EmrPoly> EmrPoly::Decode(ByteReader r, bool is16) {
  EmrPoly v;
  v.bounds = ReadRectL(r);
  uint32_t n = r.U32LE();
  if (r.failed() || !ReadPoints(r, n, is16, v.points)) return std::nullopt;
  return v;
}
void EmrPoly::Encode(RecordBuilder& b, bool as16) const {
  b.Rect(bounds);
  b.U32(static_cast<uint32_t>(points.size()));
  for (const auto& p : points) {
    if (as16) {
      b.U16(static_cast<uint16_t>(p.x));
      b.U16(static_cast<uint16_t>(p.y));
    } else {
      b.Point(p);
    }
  }
  b.PadTo4();
}

std::optional<EmrPolyPoly> EmrPolyPoly::Decode(ByteReader r, bool is16) {
  EmrPolyPoly v;
  v.bounds = ReadRectL(r);
  uint32_t nPolys = r.U32LE();
  uint32_t total = r.U32LE();
  auto countBytes = CheckedMul(nPolys, 4);
  if (r.failed() || nPolys > kMaxCount || !countBytes || !r.Has(*countBytes)) return std::nullopt;
  v.counts.resize(nPolys);
  uint64_t sum = 0;
  for (auto& c : v.counts) {
    c = r.U32LE();
    sum += c;
  }
  if (sum != total || !ReadPoints(r, total, is16, v.points)) return std::nullopt;
  return v;
}
void EmrPolyPoly::Encode(RecordBuilder& b, bool as16) const {
  b.Rect(bounds);
  b.U32(static_cast<uint32_t>(counts.size()));
  b.U32(static_cast<uint32_t>(points.size()));
  for (uint32_t c : counts) b.U32(c);
  for (const auto& p : points) {
    if (as16) {
      b.U16(static_cast<uint16_t>(p.x));
      b.U16(static_cast<uint16_t>(p.y));
    } else {
      b.Point(p);
    }
  }
  b.PadTo4();
}

std::optional<EmrPolyDraw> EmrPolyDraw::Decode(ByteReader r, bool is16) {
  EmrPolyDraw v;
  v.bounds = ReadRectL(r);
  uint32_t n = r.U32LE();
  if (r.failed() || !ReadPoints(r, n, is16, v.points) || !r.Has(n)) return std::nullopt;
  auto types = r.Bytes(n);
  v.types.assign(reinterpret_cast<const uint8_t*>(types.data()),
                 reinterpret_cast<const uint8_t*>(types.data()) + types.size());
  return Ok(r, v);
}

std::optional<EmrCreatePen> EmrCreatePen::Decode(ByteReader r) {
  EmrCreatePen v;
  v.ihPen = r.U32LE();
  v.style = r.U32LE();
  v.width = r.I32LE();
  r.I32LE();  // the y of the width is unused
  v.color = r.U32LE();
  return Ok(r, v);
}
void EmrCreatePen::Encode(RecordBuilder& b) const {
  b.U32(ihPen);
  b.U32(style);
  b.I32(width);
  b.I32(0);
  b.U32(color);
}

std::optional<EmrExtCreatePen> EmrExtCreatePen::Decode(ByteReader r) {
  EmrExtCreatePen v;
  v.ihPen = r.U32LE();
  r.Skip(16);  // offBmi, cbBmi, offBits, cbBits of a pattern pen
  v.style = r.U32LE();
  v.width = r.U32LE();
  v.brushStyle = r.U32LE();
  v.color = r.U32LE();
  v.hatch = r.U32LE();
  uint32_t n = r.U32LE();
  if (r.failed()) return std::nullopt;
  // Some writers leave the count set without the entries; keep what fits.
  if (n > 0 && n <= 16 && r.Has(size_t{n} * 4)) {
    for (uint32_t i = 0; i < n; ++i) v.styleEntries.push_back(r.U32LE());
  }
  return v;
}
void EmrExtCreatePen::Encode(RecordBuilder& b) const {
  b.U32(ihPen);
  for (int i = 0; i < 4; ++i) b.U32(0);
  b.U32(style);
  b.U32(width);
  b.U32(brushStyle);
  b.U32(color);
  b.U32(hatch);
  b.U32(static_cast<uint32_t>(styleEntries.size()));
  for (uint32_t e : styleEntries) b.U32(e);
}

std::optional<EmrCreateBrush> EmrCreateBrush::Decode(ByteReader r) {
  EmrCreateBrush v;
  v.ihBrush = r.U32LE();
  v.style = r.U32LE();
  v.color = r.U32LE();
  v.hatch = r.U32LE();
  return Ok(r, v);
}
void EmrCreateBrush::Encode(RecordBuilder& b) const {
  b.U32(ihBrush);
  b.U32(style);
  b.U32(color);
  b.U32(hatch);
}

std::optional<DibData> ReadDib(const ByteReader& payload, uint32_t offBmi, uint32_t cbBmi, uint32_t offBits,
                               uint32_t cbBits) {
  DibData d;
  if (cbBmi == 0 || cbBits == 0) return d;  // no bitmap
  auto info = RecordRange(payload, offBmi, cbBmi);
  auto bits = RecordRange(payload, offBits, cbBits);
  if (!info || !bits) return std::nullopt;
  d.info = info->String(cbBmi);
  d.bits = bits->String(cbBits);
  return d;
}

std::optional<EmrCreateDibBrush> EmrCreateDibBrush::Decode(ByteReader r) {
  EmrCreateDibBrush v;
  v.ihBrush = r.U32LE();
  v.usage = r.U32LE();
  uint32_t offBmi = r.U32LE(), cbBmi = r.U32LE(), offBits = r.U32LE(), cbBits = r.U32LE();
  if (r.failed()) return std::nullopt;
  auto dib = ReadDib(r, offBmi, cbBmi, offBits, cbBits);
  if (!dib) return std::nullopt;
  v.dib = std::move(*dib);
  return v;
}
void EmrCreateDibBrush::Encode(RecordBuilder& b) const {
  const uint32_t fixed = kPrefix + 24;
  b.U32(ihBrush);
  b.U32(usage);
  b.U32(fixed);
  b.U32(static_cast<uint32_t>(dib.info.size()));
  b.U32(fixed + static_cast<uint32_t>(dib.info.size()));
  b.U32(static_cast<uint32_t>(dib.bits.size()));
  b.Bytes(dib.info);
  b.Bytes(dib.bits);
  b.PadTo4();
}

std::optional<EmrExtCreateFont> EmrExtCreateFont::Decode(ByteReader r) {
  EmrExtCreateFont v;
  v.ihFont = r.U32LE();
  LogFontW& f = v.font;
  f.height = r.I32LE();
  f.width = r.I32LE();
  f.escapement = r.I32LE();
  f.orientation = r.I32LE();
  f.weight = r.I32LE();
  f.italic = r.U8();
  f.underline = r.U8();
  f.strikeOut = r.U8();
  f.charSet = r.U8();
  f.outPrecision = r.U8();
  f.clipPrecision = r.U8();
  f.quality = r.U8();
  f.pitchAndFamily = r.U8();
  std::u16string face = ReadUtf16(r, 32);
  if (r.failed()) return std::nullopt;
  face.resize(std::char_traits<char16_t>::length(face.c_str()) < 32 ? std::char_traits<char16_t>::length(face.c_str())
                                                                     : 32);
  f.faceName = face;
  return v;
}
void EmrExtCreateFont::Encode(RecordBuilder& b) const {
  b.U32(ihFont);
  b.I32(font.height);
  b.I32(font.width);
  b.I32(font.escapement);
  b.I32(font.orientation);
  b.I32(font.weight);
  for (uint8_t v : {font.italic, font.underline, font.strikeOut, font.charSet, font.outPrecision,
                    font.clipPrecision, font.quality, font.pitchAndFamily})
    b.U8(v);
  for (size_t i = 0; i < 32; ++i) b.U16(i < font.faceName.size() && i < 31 ? font.faceName[i] : 0);
  // The full name, style and script of the extended font description, and
  // the design vector header, as the reference implementation writes them
  // (some readers expect the long form).
  for (size_t i = 0; i < 64 + 32 + 32; ++i) b.U16(0);
  b.U32(0x08007664);  // design vector signature
  b.U32(0);           // no axes
}

std::optional<EmrExtTextOut> EmrExtTextOut::Decode(ByteReader r, bool wide) {
  EmrExtTextOut v;
  v.bounds = ReadRectL(r);
  v.graphicsMode = r.U32LE();
  v.exScale = r.F32LE();
  v.eyScale = r.F32LE();
  v.reference = ReadPointL(r);
  uint32_t nChars = r.U32LE();
  uint32_t offString = r.U32LE();
  v.options = r.U32LE();
  v.rect = ReadRectL(r);
  uint32_t offDx = r.U32LE();
  if (r.failed() || nChars > kMaxCount) return std::nullopt;
  if (nChars == 0) return v;
  auto str = RecordRange(r, offString, wide ? size_t{nChars} * 2 : nChars);
  if (!str) return std::nullopt;
  if (wide) {
    v.text = ReadUtf16(*str, nChars);
  } else {
    v.ansiText = str->String(nChars);
    for (unsigned char c : v.ansiText) v.text.push_back(c);
  }
  // The advance array is optional; some writers point it past the record.
  const size_t perChar = (v.options & ETO_PDY) ? 2 : 1;
  if (offDx != 0) {
    if (auto dx = RecordRange(r, offDx, size_t{nChars} * perChar * 4)) {
      v.dx.resize(size_t{nChars} * perChar);
      for (auto& d : v.dx) d = dx->I32LE();
    }
  }
  return v;
}
void EmrExtTextOut::Encode(RecordBuilder& b) const {
  const uint32_t fixed = kPrefix + 68;
  const uint32_t offString = fixed;
  const uint32_t stringBytes = static_cast<uint32_t>((text.size() * 2 + 3) / 4 * 4);
  b.Rect(bounds);
  b.U32(graphicsMode);
  b.F32(exScale);
  b.F32(eyScale);
  b.Point(reference);
  b.U32(static_cast<uint32_t>(text.size()));
  b.U32(offString);
  b.U32(options);
  b.Rect(rect);
  b.U32(dx.empty() ? 0 : offString + stringBytes);
  for (char16_t c : text) b.U16(c);
  b.PadTo4();
  for (int32_t d : dx) b.I32(d);
}

std::optional<EmrSmallTextOut> EmrSmallTextOut::Decode(ByteReader r) {
  EmrSmallTextOut v;
  v.reference = ReadPointL(r);
  uint32_t n = r.U32LE();
  v.options = r.U32LE();
  v.graphicsMode = r.U32LE();
  r.F32LE();
  r.F32LE();
  if (!(v.options & ETO_NO_RECT)) v.clip = ReadRectL(r);
  if (r.failed() || n > kMaxCount) return std::nullopt;
  const bool small = v.options & ETO_SMALL_CHARS;
  if (!r.Has(small ? n : size_t{n} * 2)) return std::nullopt;
  for (uint32_t i = 0; i < n; ++i) v.text.push_back(small ? r.U8() : static_cast<char16_t>(r.U16LE()));
  return Ok(r, v);
}

std::optional<RegionData> ReadRegionData(ByteReader r) {
  RegionData d;
  uint32_t headerSize = r.U32LE();
  r.U32LE();  // iType
  uint32_t n = r.U32LE();
  r.U32LE();  // nRgnSize
  d.bounds = ReadRectL(r);
  if (r.failed() || headerSize < 32 || !r.Seek(headerSize)) return std::nullopt;
  auto bytes = CheckedMul(n, 16);
  if (n > kMaxCount || !bytes || !r.Has(*bytes)) return std::nullopt;
  d.rects.resize(n);
  for (auto& rc : d.rects) rc = ReadRectL(r);
  return Ok(r, d);
}

void WriteRegionData(RecordBuilder& b, const std::vector<RectL>& rects) {
  RectL bounds;
  if (!rects.empty()) {
    bounds = rects[0];
    for (const auto& rc : rects) {
      bounds.left = std::min(bounds.left, rc.left);
      bounds.top = std::min(bounds.top, rc.top);
      bounds.right = std::max(bounds.right, rc.right);
      bounds.bottom = std::max(bounds.bottom, rc.bottom);
    }
  }
  b.U32(32);
  b.U32(1);  // RDH_RECTANGLES
  b.U32(static_cast<uint32_t>(rects.size()));
  b.U32(static_cast<uint32_t>(rects.size() * 16));
  b.Rect(bounds);
  for (const auto& rc : rects) b.Rect(rc);
}

std::optional<EmrExtSelectClipRgn> EmrExtSelectClipRgn::Decode(ByteReader r) {
  EmrExtSelectClipRgn v;
  uint32_t cb = r.U32LE();
  v.mode = r.U32LE();
  if (r.failed()) return std::nullopt;
  if (cb == 0) return v;  // the default clip
  ByteReader data = r.Sub(r.position(), cb);
  auto region = ReadRegionData(data);
  if (!region) return std::nullopt;
  v.rects = std::move(region->rects);
  return v;
}
void EmrExtSelectClipRgn::Encode(RecordBuilder& b) const {
  b.U32(rects.empty() ? 0 : static_cast<uint32_t>(32 + rects.size() * 16));
  b.U32(mode);
  if (!rects.empty()) WriteRegionData(b, rects);
}

std::optional<EmrRegionPaint> EmrRegionPaint::Decode(ByteReader r, uint32_t type) {
  EmrRegionPaint v;
  v.bounds = ReadRectL(r);
  uint32_t cb = r.U32LE();
  if (type == EMR_FILLRGN || type == EMR_FRAMERGN) v.ihBrush = r.U32LE();
  if (type == EMR_FRAMERGN) v.stroke = ReadSizeL(r);
  if (r.failed()) return std::nullopt;
  auto region = ReadRegionData(r.Sub(r.position(), cb));
  if (!region) return std::nullopt;
  v.region = std::move(*region);
  return v;
}

std::optional<EmrBlt> EmrBlt::Decode(ByteReader r, uint32_t type) {
  EmrBlt v;
  v.bounds = ReadRectL(r);
  v.xDest = r.I32LE();
  v.yDest = r.I32LE();
  v.cxDest = r.I32LE();
  v.cyDest = r.I32LE();
  v.rop = r.U32LE();
  v.xSrc = r.I32LE();
  v.ySrc = r.I32LE();
  v.xformSrc = ReadXForm(r);
  v.bkColorSrc = r.U32LE();
  v.usage = r.U32LE();
  uint32_t offBmi = r.U32LE(), cbBmi = r.U32LE(), offBits = r.U32LE(), cbBits = r.U32LE();
  if (type == EMR_BITBLT || type == EMR_MASKBLT) {  // the source is as big as the destination
    v.cxSrc = v.cxDest;
    v.cySrc = v.cyDest;
  } else {
    v.cxSrc = r.I32LE();
    v.cySrc = r.I32LE();
  }
  if (r.failed()) return std::nullopt;
  auto dib = ReadDib(r, offBmi, cbBmi, offBits, cbBits);
  if (!dib) return std::nullopt;
  v.dib = std::move(*dib);
  return v;
}

void EmrBlt::EncodeStretched(RecordBuilder& b) const {
  const uint32_t fixed = kPrefix + 100;
  const uint32_t infoSize = static_cast<uint32_t>((dib.info.size() + 3) / 4 * 4);
  b.Rect(bounds);
  b.I32(xDest), b.I32(yDest), b.I32(cxDest), b.I32(cyDest);
  b.U32(rop);
  b.I32(xSrc), b.I32(ySrc);
  b.Xform(xformSrc);
  b.U32(bkColorSrc);
  b.U32(usage);
  b.U32(dib.info.empty() ? 0 : fixed);
  b.U32(static_cast<uint32_t>(dib.info.size()));
  b.U32(dib.bits.empty() ? 0 : fixed + infoSize);
  b.U32(static_cast<uint32_t>(dib.bits.size()));
  b.I32(cxSrc), b.I32(cySrc);
  b.Reserve(b.size() + infoSize + (dib.bits.size() + 3) / 4 * 4);
  b.Bytes(dib.info);
  b.PadTo4();
  b.Bytes(dib.bits);
  b.PadTo4();
}

std::optional<EmrCreatePalette> EmrCreatePalette::Decode(ByteReader r) {
  EmrCreatePalette v;
  v.ihPal = r.U32LE();
  v.version = r.U16LE();
  uint16_t n = r.U16LE();
  if (r.failed() || !r.Has(size_t{n} * 4)) return std::nullopt;
  v.entries.resize(n);
  for (auto& e : v.entries) e = r.U32LE();
  return v;
}

std::optional<EmrStretchDIBits> EmrStretchDIBits::Decode(ByteReader r) {
  EmrStretchDIBits v;
  v.bounds = ReadRectL(r);
  v.xDest = r.I32LE();
  v.yDest = r.I32LE();
  v.xSrc = r.I32LE();
  v.ySrc = r.I32LE();
  v.cxSrc = r.I32LE();
  v.cySrc = r.I32LE();
  uint32_t offBmi = r.U32LE(), cbBmi = r.U32LE(), offBits = r.U32LE(), cbBits = r.U32LE();
  v.usage = r.U32LE();
  v.rop = r.U32LE();
  v.cxDest = r.I32LE();
  v.cyDest = r.I32LE();
  if (r.failed()) return std::nullopt;
  auto dib = ReadDib(r, offBmi, cbBmi, offBits, cbBits);
  if (!dib) return std::nullopt;
  v.dib = std::move(*dib);
  return v;
}
void EmrStretchDIBits::Encode(RecordBuilder& b, const DibData& dib) const {
  const uint32_t fixed = kPrefix + 72;
  const uint32_t infoSize = static_cast<uint32_t>((dib.info.size() + 3) / 4 * 4);
  b.Rect(bounds);
  b.I32(xDest), b.I32(yDest), b.I32(xSrc), b.I32(ySrc), b.I32(cxSrc), b.I32(cySrc);
  b.U32(dib.info.empty() ? 0 : fixed);
  b.U32(static_cast<uint32_t>(dib.info.size()));
  b.U32(dib.bits.empty() ? 0 : fixed + infoSize);
  b.U32(static_cast<uint32_t>(dib.bits.size()));
  b.U32(usage);
  b.U32(rop);
  b.I32(cxDest), b.I32(cyDest);
  b.Reserve(b.size() + infoSize + (dib.bits.size() + 3) / 4 * 4);
  b.Bytes(dib.info);
  b.PadTo4();
  b.Bytes(dib.bits);
  b.PadTo4();
}

std::optional<EmrSetDIBitsToDevice> EmrSetDIBitsToDevice::Decode(ByteReader r) {
  EmrSetDIBitsToDevice v;
  v.bounds = ReadRectL(r);
  v.xDest = r.I32LE();
  v.yDest = r.I32LE();
  v.xSrc = r.I32LE();
  v.ySrc = r.I32LE();
  v.cxSrc = r.I32LE();
  v.cySrc = r.I32LE();
  uint32_t offBmi = r.U32LE(), cbBmi = r.U32LE(), offBits = r.U32LE(), cbBits = r.U32LE();
  v.usage = r.U32LE();
  v.startScan = r.U32LE();
  v.cScans = r.U32LE();
  if (r.failed()) return std::nullopt;
  auto dib = ReadDib(r, offBmi, cbBmi, offBits, cbBits);
  if (!dib) return std::nullopt;
  v.dib = std::move(*dib);
  return v;
}

std::optional<EmrGradientFill> EmrGradientFill::Decode(ByteReader r) {
  EmrGradientFill v;
  v.bounds = ReadRectL(r);
  uint32_t nVer = r.U32LE();
  uint32_t nTri = r.U32LE();
  v.mode = r.U32LE();
  if (r.failed() || nVer > kMaxCount || nTri > kMaxCount || v.mode > 2) return std::nullopt;
  if (!r.Has(size_t{nVer} * 16)) return std::nullopt;
  v.vertices.resize(nVer);
  for (auto& t : v.vertices) {
    t.x = r.I32LE();
    t.y = r.I32LE();
    t.red = r.U16LE();
    t.green = r.U16LE();
    t.blue = r.U16LE();
    t.alpha = r.U16LE();
  }
  const size_t per = v.mode == 2 ? 3 : 2;
  if (!r.Has(size_t{nTri} * per * 4)) return std::nullopt;
  v.indices.resize(size_t{nTri} * per);
  for (auto& i : v.indices) i = r.U32LE();
  return Ok(r, v);
}

}  // namespace vn::platform::emf
