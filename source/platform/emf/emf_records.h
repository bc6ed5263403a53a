// Enhanced metafile records: the type numbers, the binary layouts of the
// records this system writes and plays, and their decoding and encoding.
//
// Every Decode function reads one record's payload (the bytes after the
// 8-byte type/size prefix) through a bounds-checked ByteReader and answers
// nullopt when the record is too short for its fixed part or its counts and
// offsets point outside the record; it never reads past the record. Encode
// appends the payload to a RecordBuilder; the writer adds the prefix.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/emf/dib.h"
#include "platform/geometry.h"
#include "runtime/byte_reader.h"

namespace vn::platform::emf {

// Record types (the numbers are the file format's).
enum RecordType : uint32_t {
  EMR_HEADER = 1,
  EMR_POLYBEZIER = 2,
  EMR_POLYGON = 3,
  EMR_POLYLINE = 4,
  EMR_POLYBEZIERTO = 5,
  EMR_POLYLINETO = 6,
  EMR_POLYPOLYLINE = 7,
  EMR_POLYPOLYGON = 8,
  EMR_SETWINDOWEXTEX = 9,
  EMR_SETWINDOWORGEX = 10,
  EMR_SETVIEWPORTEXTEX = 11,
  EMR_SETVIEWPORTORGEX = 12,
  EMR_SETBRUSHORGEX = 13,
  EMR_EOF = 14,
  EMR_SETPIXELV = 15,
  EMR_SETMAPPERFLAGS = 16,
  EMR_SETMAPMODE = 17,
  EMR_SETBKMODE = 18,
  EMR_SETPOLYFILLMODE = 19,
  EMR_SETROP2 = 20,
  EMR_SETSTRETCHBLTMODE = 21,
  EMR_SETTEXTALIGN = 22,
  EMR_SETCOLORADJUSTMENT = 23,
  EMR_SETTEXTCOLOR = 24,
  EMR_SETBKCOLOR = 25,
  EMR_OFFSETCLIPRGN = 26,
  EMR_MOVETOEX = 27,
  EMR_SETMETARGN = 28,
  EMR_EXCLUDECLIPRECT = 29,
  EMR_INTERSECTCLIPRECT = 30,
  EMR_SCALEVIEWPORTEXTEX = 31,
  EMR_SCALEWINDOWEXTEX = 32,
  EMR_SAVEDC = 33,
  EMR_RESTOREDC = 34,
  EMR_SETWORLDTRANSFORM = 35,
  EMR_MODIFYWORLDTRANSFORM = 36,
  EMR_SELECTOBJECT = 37,
  EMR_CREATEPEN = 38,
  EMR_CREATEBRUSHINDIRECT = 39,
  EMR_DELETEOBJECT = 40,
  EMR_ANGLEARC = 41,
  EMR_ELLIPSE = 42,
  EMR_RECTANGLE = 43,
  EMR_ROUNDRECT = 44,
  EMR_ARC = 45,
  EMR_CHORD = 46,
  EMR_PIE = 47,
  EMR_SELECTPALETTE = 48,
  EMR_CREATEPALETTE = 49,
  EMR_SETPALETTEENTRIES = 50,
  EMR_RESIZEPALETTE = 51,
  EMR_REALIZEPALETTE = 52,
  EMR_EXTFLOODFILL = 53,
  EMR_LINETO = 54,
  EMR_ARCTO = 55,
  EMR_POLYDRAW = 56,
  EMR_SETARCDIRECTION = 57,
  EMR_SETMITERLIMIT = 58,
  EMR_BEGINPATH = 59,
  EMR_ENDPATH = 60,
  EMR_CLOSEFIGURE = 61,
  EMR_FILLPATH = 62,
  EMR_STROKEANDFILLPATH = 63,
  EMR_STROKEPATH = 64,
  EMR_FLATTENPATH = 65,
  EMR_WIDENPATH = 66,
  EMR_SELECTCLIPPATH = 67,
  EMR_ABORTPATH = 68,
  EMR_GDICOMMENT = 70,
  EMR_FILLRGN = 71,
  EMR_FRAMERGN = 72,
  EMR_INVERTRGN = 73,
  EMR_PAINTRGN = 74,
  EMR_EXTSELECTCLIPRGN = 75,
  EMR_BITBLT = 76,
  EMR_STRETCHBLT = 77,
  EMR_MASKBLT = 78,
  EMR_PLGBLT = 79,
  EMR_SETDIBITSTODEVICE = 80,
  EMR_STRETCHDIBITS = 81,
  EMR_EXTCREATEFONTINDIRECTW = 82,
  EMR_EXTTEXTOUTA = 83,
  EMR_EXTTEXTOUTW = 84,
  EMR_POLYBEZIER16 = 85,
  EMR_POLYGON16 = 86,
  EMR_POLYLINE16 = 87,
  EMR_POLYBEZIERTO16 = 88,
  EMR_POLYLINETO16 = 89,
  EMR_POLYPOLYLINE16 = 90,
  EMR_POLYPOLYGON16 = 91,
  EMR_POLYDRAW16 = 92,
  EMR_CREATEMONOBRUSH = 93,
  EMR_CREATEDIBPATTERNBRUSHPT = 94,
  EMR_EXTCREATEPEN = 95,
  EMR_POLYTEXTOUTA = 96,
  EMR_POLYTEXTOUTW = 97,
  EMR_SETICMMODE = 98,
  EMR_SMALLTEXTOUT = 108,
  EMR_ALPHABLEND = 114,
  EMR_TRANSPARENTBLT = 116,
  EMR_GRADIENTFILL = 118,
};

constexpr uint32_t kEmfSignature = 0x464D4520;  // " EMF"
constexpr uint32_t kStockObjectFlag = 0x80000000;

// Stock objects (EMR_SELECTOBJECT with the high bit set).
enum StockObject : uint32_t {
  WHITE_BRUSH = 0, LTGRAY_BRUSH = 1, GRAY_BRUSH = 2, DKGRAY_BRUSH = 3, BLACK_BRUSH = 4,
  NULL_BRUSH = 5, WHITE_PEN = 6, BLACK_PEN = 7, NULL_PEN = 8, OEM_FIXED_FONT = 10,
  ANSI_FIXED_FONT = 11, ANSI_VAR_FONT = 12, SYSTEM_FONT = 13, DEVICE_DEFAULT_FONT = 14,
  DEFAULT_PALETTE = 15, SYSTEM_FIXED_FONT = 16, DEFAULT_GUI_FONT = 17, DC_BRUSH = 18, DC_PEN = 19,
};

// Pen styles, types, caps and joins (the low byte is the dash style).
enum PenStyleBits : uint32_t {
  PS_SOLID = 0, PS_DASH = 1, PS_DOT = 2, PS_DASHDOT = 3, PS_DASHDOTDOT = 4, PS_NULL = 5,
  PS_INSIDEFRAME = 6, PS_USERSTYLE = 7, PS_ALTERNATE = 8, PS_STYLE_MASK = 0x0F,
  PS_ENDCAP_ROUND = 0x000, PS_ENDCAP_SQUARE = 0x100, PS_ENDCAP_FLAT = 0x200, PS_ENDCAP_MASK = 0xF00,
  PS_JOIN_ROUND = 0x0000, PS_JOIN_BEVEL = 0x1000, PS_JOIN_MITER = 0x2000, PS_JOIN_MASK = 0xF000,
  PS_COSMETIC = 0x00000, PS_GEOMETRIC = 0x10000,
};

enum BrushStyleValue : uint32_t {
  BS_SOLID = 0, BS_NULL = 1, BS_HATCHED = 2, BS_PATTERN = 3, BS_DIBPATTERN = 5, BS_DIBPATTERNPT = 6,
};
enum HatchStyleValue : uint32_t {
  HS_HORIZONTAL = 0, HS_VERTICAL = 1, HS_FDIAGONAL = 2, HS_BDIAGONAL = 3, HS_CROSS = 4, HS_DIAGCROSS = 5,
};

enum MapModeValue : uint32_t {
  MM_TEXT = 1, MM_LOMETRIC = 2, MM_HIMETRIC = 3, MM_LOENGLISH = 4, MM_HIENGLISH = 5, MM_TWIPS = 6,
  MM_ISOTROPIC = 7, MM_ANISOTROPIC = 8,
};
enum BkModeValue : uint32_t { TRANSPARENT = 1, OPAQUE = 2 };
enum PolyFillModeValue : uint32_t { ALTERNATE = 1, WINDING = 2 };
enum RegionModeValue : uint32_t { RGN_AND = 1, RGN_OR = 2, RGN_XOR = 3, RGN_DIFF = 4, RGN_COPY = 5 };
enum ModifyWorldTransformMode : uint32_t {
  MWT_IDENTITY = 1, MWT_LEFTMULTIPLY = 2, MWT_RIGHTMULTIPLY = 3, MWT_SET = 4,
};
enum TextAlignBits : uint32_t {
  TA_NOUPDATECP = 0, TA_UPDATECP = 1, TA_LEFT = 0, TA_RIGHT = 2, TA_CENTER = 6, TA_TOP = 0,
  TA_BOTTOM = 8, TA_BASELINE = 24, TA_RTLREADING = 256,
};
enum ExtTextOutOptions : uint32_t {
  ETO_OPAQUE = 0x2, ETO_CLIPPED = 0x4, ETO_GLYPH_INDEX = 0x10, ETO_RTLREADING = 0x80,
  ETO_NO_RECT = 0x100, ETO_SMALL_CHARS = 0x200, ETO_PDY = 0x2000,
};
enum GraphicsModeValue : uint32_t { GM_COMPATIBLE = 1, GM_ADVANCED = 2 };
enum RasterOperation : uint32_t {
  SRCCOPY = 0x00CC0020, SRCPAINT = 0x00EE0086, SRCAND = 0x008800C6, SRCINVERT = 0x00660046,
  PATCOPY = 0x00F00021, BLACKNESS = 0x00000042, WHITENESS = 0x00FF0062, DSTINVERT = 0x00550009,
};
// Bitmap compressions of a DIB header.
enum DibCompression : uint32_t {
  BI_RGB = 0, BI_RLE8 = 1, BI_RLE4 = 2, BI_BITFIELDS = 3, BI_JPEG = 4, BI_PNG = 5,
};
enum DibColorUsage : uint32_t { DIB_RGB_COLORS = 0, DIB_PAL_COLORS = 1 };

using PointL = platform::Point;
using SizeL = platform::Size;
using RectL = platform::Rect;
struct XForm {
  float eM11 = 1, eM12 = 0, eM21 = 0, eM22 = 1, eDx = 0, eDy = 0;
  bool operator==(const XForm&) const = default;
};

// Appends little-endian values; the writer wraps the result in a record.
class RecordBuilder {
 public:
  RecordBuilder() = default;
  // Appends to `bytes` (taken over; Release gives them back).
  explicit RecordBuilder(std::string bytes) : bytes_(std::move(bytes)) {}
  std::string Release() { return std::move(bytes_); }
  void U8(uint8_t v) { bytes_.push_back(static_cast<char>(v)); }
  void U16(uint16_t v);
  void U32(uint32_t v);
  void I32(int32_t v) { U32(static_cast<uint32_t>(v)); }
  void F32(float v);
  void Point(const PointL& p) { I32(p.x), I32(p.y); }
  void Size(const SizeL& s) { I32(s.cx), I32(s.cy); }
  void Rect(const RectL& r) { I32(r.left), I32(r.top), I32(r.right), I32(r.bottom); }
  void Xform(const XForm& x);
  void Bytes(std::span<const uint8_t> data) { bytes_.append(reinterpret_cast<const char*>(data.data()), data.size()); }
  void Bytes(const std::string& data) { bytes_ += data; }
  void PadTo4() { while (bytes_.size() % 4) bytes_.push_back(0); }
  // Room for `total` bytes and an eighth more, so the small records that
  // follow a large one written in place do not move it again.
  void Reserve(size_t total) {
    if (total > bytes_.capacity()) bytes_.reserve(total + total / 8);
  }
  // Current payload size, to compute offsets (the record prefix adds 8).
  size_t size() const { return bytes_.size(); }
  const std::string& bytes() const { return bytes_; }

 private:
  std::string bytes_;
};

PointL ReadPointL(ByteReader& r);
RectL ReadRectL(ByteReader& r);
SizeL ReadSizeL(ByteReader& r);
XForm ReadXForm(ByteReader& r);

// EMR_HEADER.
struct EmrHeader {
  RectL rclBounds;     // inclusive bounds of the drawing, device units
  RectL rclFrame;      // inclusive picture frame, 0.01 mm
  uint32_t nVersion = 0x10000;
  uint32_t nBytes = 0;
  uint32_t nRecords = 0;
  uint16_t nHandles = 1;
  std::u16string description;
  uint32_t nPalEntries = 0;
  SizeL szlDevice;      // reference device, pixels
  SizeL szlMillimeters; // reference device, millimetres
  SizeL szlMicrometers; // reference device, micrometres (extension 2)
  bool hasMicrometers = false;
  static std::optional<EmrHeader> Decode(ByteReader payload);
  void Encode(RecordBuilder& b) const;
};

// One value or point: SETMAPMODE, SETBKMODE, SETTEXTCOLOR, SELECTOBJECT ...
struct EmrU32 {
  uint32_t value = 0;
  static std::optional<EmrU32> Decode(ByteReader payload);
};
// SETWINDOWEXTEX, SETWINDOWORGEX, MOVETOEX, LINETO, SETPIXELV (point only) ...
struct EmrPoint {
  PointL point;
  static std::optional<EmrPoint> Decode(ByteReader payload);
};
// ELLIPSE, RECTANGLE, INTERSECTCLIPRECT, EXCLUDECLIPRECT, FILLPATH ...
struct EmrRect {
  RectL rect;
  static std::optional<EmrRect> Decode(ByteReader payload);
};
// SCALEVIEWPORTEXTEX / SCALEWINDOWEXTEX.
struct EmrScaleExt {
  int32_t xNum = 1, xDenom = 1, yNum = 1, yDenom = 1;
  static std::optional<EmrScaleExt> Decode(ByteReader payload);
};
// ROUNDRECT.
struct EmrRoundRect {
  RectL box;
  SizeL corner;
  static std::optional<EmrRoundRect> Decode(ByteReader payload);
};
// ARC, CHORD, PIE, ARCTO.
struct EmrArc {
  RectL box;
  PointL start, end;
  static std::optional<EmrArc> Decode(ByteReader payload);
};
// ANGLEARC.
struct EmrAngleArc {
  PointL center;
  uint32_t radius = 0;
  float startAngle = 0, sweepAngle = 0;
  static std::optional<EmrAngleArc> Decode(ByteReader payload);
};
// SETWORLDTRANSFORM (mode unused) and MODIFYWORLDTRANSFORM.
struct EmrXForm {
  XForm xform;
  uint32_t mode = MWT_SET;
  static std::optional<EmrXForm> Decode(ByteReader payload, bool withMode);
};
// SETMITERLIMIT: written as a float by most writers, as an integer by some.
struct EmrMiterLimit {
  float limit = 10;
  static std::optional<EmrMiterLimit> Decode(ByteReader payload);
};

// POLYLINE, POLYGON, POLYBEZIER(TO), POLYLINETO and their 16-bit forms.
struct EmrPoly {
  RectL bounds;
  std::vector<PointL> points;
  static std::optional<EmrPoly> Decode(ByteReader payload, bool is16);
  void Encode(RecordBuilder& b, bool as16) const;
};
// POLYPOLYLINE, POLYPOLYGON and their 16-bit forms.
struct EmrPolyPoly {
  RectL bounds;
  std::vector<uint32_t> counts;
  std::vector<PointL> points;
  static std::optional<EmrPolyPoly> Decode(ByteReader payload, bool is16);
  void Encode(RecordBuilder& b, bool as16) const;
};
// POLYDRAW and POLYDRAW16: points with PT_MOVETO/LINETO/BEZIERTO types.
struct EmrPolyDraw {
  RectL bounds;
  std::vector<PointL> points;
  std::vector<uint8_t> types;
  static std::optional<EmrPolyDraw> Decode(ByteReader payload, bool is16);
};
enum PolyDrawType : uint8_t { PT_CLOSEFIGURE = 1, PT_LINETO = 2, PT_BEZIERTO = 4, PT_MOVETO = 6 };

// CREATEPEN.
struct EmrCreatePen {
  uint32_t ihPen = 0;
  uint32_t style = PS_SOLID;
  int32_t width = 0;
  uint32_t color = 0;
  static std::optional<EmrCreatePen> Decode(ByteReader payload);
  void Encode(RecordBuilder& b) const;
};
// EXTCREATEPEN; the pattern-brush bitmap of a pen is not kept.
struct EmrExtCreatePen {
  uint32_t ihPen = 0;
  uint32_t style = PS_SOLID | PS_GEOMETRIC;
  uint32_t width = 0;
  uint32_t brushStyle = BS_SOLID;
  uint32_t color = 0;
  uint32_t hatch = 0;
  std::vector<uint32_t> styleEntries;  // PS_USERSTYLE dash lengths
  static std::optional<EmrExtCreatePen> Decode(ByteReader payload);
  void Encode(RecordBuilder& b) const;
};
// CREATEBRUSHINDIRECT.
struct EmrCreateBrush {
  uint32_t ihBrush = 0;
  uint32_t style = BS_SOLID;
  uint32_t color = 0;
  uint32_t hatch = 0;
  static std::optional<EmrCreateBrush> Decode(ByteReader payload);
  void Encode(RecordBuilder& b) const;
};

// A device-independent bitmap as a record carries it: the information
// header with its colour table, and the bits (or JPEG/PNG data).
using platform::DibData;
// Cuts a DIB out of a record: both ranges must lie inside the record (the
// offsets count from the record start, i.e. 8 before the payload).
std::optional<DibData> ReadDib(const ByteReader& payload, uint32_t offBmi, uint32_t cbBmi, uint32_t offBits,
                               uint32_t cbBits);

// CREATEMONOBRUSH and CREATEDIBPATTERNBRUSHPT.
struct EmrCreateDibBrush {
  uint32_t ihBrush = 0;
  uint32_t usage = DIB_RGB_COLORS;
  DibData dib;
  static std::optional<EmrCreateDibBrush> Decode(ByteReader payload);
  void Encode(RecordBuilder& b) const;
};

// LOGFONTW.
struct LogFontW {
  int32_t height = 0, width = 0, escapement = 0, orientation = 0, weight = 400;
  uint8_t italic = 0, underline = 0, strikeOut = 0, charSet = 1, outPrecision = 0, clipPrecision = 0,
          quality = 0, pitchAndFamily = 0;
  std::u16string faceName;
  bool operator==(const LogFontW&) const = default;
};
// EXTCREATEFONTINDIRECTW.
struct EmrExtCreateFont {
  uint32_t ihFont = 0;
  LogFontW font;
  static std::optional<EmrExtCreateFont> Decode(ByteReader payload);
  void Encode(RecordBuilder& b) const;
};

// EXTTEXTOUTW and EXTTEXTOUTA (text kept as UTF-16 code units; ANSI text
// is widened byte by byte, the caller decodes it).
struct EmrExtTextOut {
  RectL bounds;
  uint32_t graphicsMode = GM_COMPATIBLE;
  float exScale = 0, eyScale = 0;
  PointL reference;
  uint32_t options = 0;
  RectL rect;  // opaque / clip rectangle
  std::u16string text;
  std::string ansiText;       // EXTTEXTOUTA only
  std::vector<int32_t> dx;    // per-character advances (pairs with ETO_PDY); may be empty
  static std::optional<EmrExtTextOut> Decode(ByteReader payload, bool wide);
  void Encode(RecordBuilder& b) const;  // EXTTEXTOUTW
};
// SMALLTEXTOUT.
struct EmrSmallTextOut {
  PointL reference;
  uint32_t options = 0;
  uint32_t graphicsMode = GM_COMPATIBLE;
  RectL clip;
  std::u16string text;
  static std::optional<EmrSmallTextOut> Decode(ByteReader payload);
};

// Region data: the rectangles of a region, device units.
struct RegionData {
  RectL bounds;
  std::vector<RectL> rects;
};
std::optional<RegionData> ReadRegionData(ByteReader r);
void WriteRegionData(RecordBuilder& b, const std::vector<RectL>& rects);

// EXTSELECTCLIPRGN; an empty region with RGN_COPY resets the clip.
struct EmrExtSelectClipRgn {
  uint32_t mode = RGN_COPY;
  std::vector<RectL> rects;
  static std::optional<EmrExtSelectClipRgn> Decode(ByteReader payload);
  void Encode(RecordBuilder& b) const;
};
// FILLRGN, FRAMERGN, PAINTRGN, INVERTRGN.
struct EmrRegionPaint {
  RectL bounds;
  uint32_t ihBrush = 0;  // FILLRGN, FRAMERGN
  SizeL stroke;          // FRAMERGN
  RegionData region;
  static std::optional<EmrRegionPaint> Decode(ByteReader payload, uint32_t type);
};

// CREATEPALETTE: the palette's version and entries (red, green, blue,
// flags as bytes of each 32-bit value).
struct EmrCreatePalette {
  uint32_t ihPal = 0;
  uint16_t version = 0x300;
  std::vector<uint32_t> entries;
  static std::optional<EmrCreatePalette> Decode(ByteReader payload);
};

// BITBLT, STRETCHBLT, MASKBLT, ALPHABLEND, TRANSPARENTBLT: a source bitmap
// (maybe none) blitted by a raster operation. The mask of MASKBLT is not
// kept.
struct EmrBlt {
  RectL bounds;
  int32_t xDest = 0, yDest = 0, cxDest = 0, cyDest = 0;
  uint32_t rop = SRCCOPY;  // BLENDFUNCTION for ALPHABLEND, colour for TRANSPARENTBLT
  int32_t xSrc = 0, ySrc = 0;
  XForm xformSrc;
  uint32_t bkColorSrc = 0;
  uint32_t usage = DIB_RGB_COLORS;
  int32_t cxSrc = 0, cySrc = 0;  // BITBLT, MASKBLT: the destination size
  DibData dib;
  static std::optional<EmrBlt> Decode(ByteReader payload, uint32_t type);
  // Writes the record as ALPHABLEND or TRANSPARENTBLT (with the source size).
  void EncodeStretched(RecordBuilder& b) const;
};
// STRETCHDIBITS.
struct EmrStretchDIBits {
  RectL bounds;
  int32_t xDest = 0, yDest = 0, xSrc = 0, ySrc = 0, cxSrc = 0, cySrc = 0;
  uint32_t usage = DIB_RGB_COLORS;
  uint32_t rop = SRCCOPY;
  int32_t cxDest = 0, cyDest = 0;
  DibData dib;
  static std::optional<EmrStretchDIBits> Decode(ByteReader payload);
  void Encode(RecordBuilder& b) const { Encode(b, dib); }
  // Encodes the record with `bits` in place of the member dib (a large
  // bitmap is then not copied into the record first).
  void Encode(RecordBuilder& b, const DibData& bits) const;
};
// SETDIBITSTODEVICE.
struct EmrSetDIBitsToDevice {
  RectL bounds;
  int32_t xDest = 0, yDest = 0, xSrc = 0, ySrc = 0, cxSrc = 0, cySrc = 0;
  uint32_t usage = DIB_RGB_COLORS;
  uint32_t startScan = 0, cScans = 0;
  DibData dib;
  static std::optional<EmrSetDIBitsToDevice> Decode(ByteReader payload);
};

// GRADIENTFILL: vertices and rectangle/triangle index lists.
struct TriVertex {
  int32_t x = 0, y = 0;
  uint16_t red = 0, green = 0, blue = 0, alpha = 0;
};
struct EmrGradientFill {
  RectL bounds;
  uint32_t mode = 0;  // 0 horizontal rectangles, 1 vertical, 2 triangles
  std::vector<TriVertex> vertices;
  std::vector<uint32_t> indices;  // 2 per rectangle, 3 per triangle
  static std::optional<EmrGradientFill> Decode(ByteReader payload);
};

// GDICOMMENT: the identifier of an EMF+ comment ("EMF+").
constexpr uint32_t kEmfPlusCommentId = 0x2B464D45;

}  // namespace vn::platform::emf
