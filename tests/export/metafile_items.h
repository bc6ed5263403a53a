// Test helpers of the metafile player: a builder of small enhanced
// metafiles over the platform EMF writer, and a dump of engine items as
// one line of text per item, for golden comparisons.
#pragma once

#include <string>
#include <vector>

#include "export/metafile_processor.h"
#include "platform/emf/dib.h"
#include "platform/emf/emf_writer.h"
#include "recording_engine.h"
#include "support/pixels.h"

namespace vn::exporter::testing {

namespace emf = vn::platform::emf;

// Records of a metafile under construction; Metafile() finishes it.
class EmfBuilder {
 public:
  explicit EmfBuilder(int32_t w = 200, int32_t h = 200) : writer_(w, h), w_(w), h_(h) {}
  EmfBuilder& U32(uint32_t type, uint32_t v) {
    writer_.WriteU32(type, v);
    return *this;
  }
  EmfBuilder& Point(uint32_t type, int32_t x, int32_t y) {
    writer_.WritePoint(type, {x, y});
    return *this;
  }
  EmfBuilder& Rect(uint32_t type, int32_t l, int32_t t, int32_t r, int32_t b) {
    writer_.WriteRect(type, {l, t, r, b});
    return *this;
  }
  EmfBuilder& Raw(uint32_t type, const emf::RecordBuilder& payload) {
    writer_.Write(type, payload);
    return *this;
  }
  EmfBuilder& Bare(uint32_t type) {
    writer_.Write(type);
    return *this;
  }
  EmfBuilder& Poly(uint32_t type, std::vector<emf::PointL> points, bool as16 = false) {
    emf::EmrPoly p;
    p.points = std::move(points);
    emf::RecordBuilder b;
    p.Encode(b, as16);
    return Raw(type, b);
  }
  EmfBuilder& PolyPoly(uint32_t type, std::vector<uint32_t> counts, std::vector<emf::PointL> points) {
    emf::EmrPolyPoly p;
    p.counts = std::move(counts);
    p.points = std::move(points);
    emf::RecordBuilder b;
    p.Encode(b, false);
    return Raw(type, b);
  }
  EmfBuilder& Brush(uint32_t index, uint32_t color, uint32_t style = emf::BS_SOLID, uint32_t hatch = 0) {
    emf::EmrCreateBrush c{index, style, color, hatch};
    emf::RecordBuilder b;
    c.Encode(b);
    return Raw(emf::EMR_CREATEBRUSHINDIRECT, b);
  }
  EmfBuilder& Pen(uint32_t index, uint32_t style, int32_t width, uint32_t color) {
    emf::EmrCreatePen c{index, style, width, color};
    emf::RecordBuilder b;
    c.Encode(b);
    return Raw(emf::EMR_CREATEPEN, b);
  }
  EmfBuilder& Font(uint32_t index, const String& face, int32_t height, int32_t weight = 400, uint8_t charset = 0,
                   int32_t escapement = 0) {
    emf::EmrExtCreateFont f;
    f.ihFont = index;
    f.font.faceName = face;
    f.font.height = height;
    f.font.weight = weight;
    f.font.charSet = charset;
    f.font.escapement = escapement;
    emf::RecordBuilder b;
    f.Encode(b);
    return Raw(emf::EMR_EXTCREATEFONTINDIRECTW, b);
  }
  EmfBuilder& Text(int32_t x, int32_t y, const String& text, std::vector<int32_t> dx = {}, uint32_t options = 0,
                   emf::RectL rect = {0, 0, -1, -1}) {
    emf::EmrExtTextOut t;
    t.reference = {x, y};
    t.text = text;
    t.dx = std::move(dx);
    t.options = options;
    t.rect = rect;
    emf::RecordBuilder b;
    t.Encode(b);
    return Raw(emf::EMR_EXTTEXTOUTW, b);
  }
  EmfBuilder& ClipRegion(uint32_t mode, const std::vector<emf::RectL>& rects) {
    emf::EmrExtSelectClipRgn c;
    c.mode = mode;
    c.rects = rects;
    emf::RecordBuilder b;
    c.Encode(b);
    return Raw(emf::EMR_EXTSELECTCLIPRGN, b);
  }
  EmfBuilder& XForm(uint32_t type, emf::XForm x, std::optional<uint32_t> mode = std::nullopt) {
    writer_.WriteXForm(type, x, mode);
    return *this;
  }
  // STRETCHDIBITS of a bitmap to (x, y, cx, cy); the bounds are the
  // destination's, last pixel included.
  EmfBuilder& StretchDIBits(const emf::DibData& dib, int32_t x, int32_t y, int32_t cx, int32_t cy, int32_t srcW, int32_t srcH,
                            uint32_t rop = emf::SRCCOPY) {
    emf::EmrStretchDIBits s;
    s.bounds = {x, y, x + cx - 1, y + cy - 1};
    s.xDest = x, s.yDest = y, s.cxDest = cx, s.cyDest = cy;
    s.cxSrc = srcW, s.cySrc = srcH;
    s.rop = rop;
    s.dib = dib;
    emf::RecordBuilder b;
    s.Encode(b);
    return Raw(emf::EMR_STRETCHDIBITS, b);
  }
  // BITBLT (or STRETCHBLT with a source size) of a bitmap, or without one.
  EmfBuilder& Blt(uint32_t type, int32_t x, int32_t y, int32_t cx, int32_t cy, uint32_t rop, const emf::DibData& dib = {},
                  int32_t srcW = 0, int32_t srcH = 0) {
    emf::RecordBuilder b;
    b.Rect({x, y, x + cx - 1, y + cy - 1});
    b.I32(x), b.I32(y), b.I32(cx), b.I32(cy);
    b.U32(rop);
    b.I32(0), b.I32(0);
    b.Xform({});
    b.U32(0), b.U32(0);
    const uint32_t fixed = 8 + 92 + (type == emf::EMR_BITBLT ? 0 : 8);
    const uint32_t info = static_cast<uint32_t>(dib.info.size()), bits = static_cast<uint32_t>(dib.bits.size());
    b.U32(dib.empty() ? 0 : fixed), b.U32(dib.empty() ? 0 : info);
    b.U32(dib.empty() ? 0 : fixed + info), b.U32(dib.empty() ? 0 : bits);
    if (type != emf::EMR_BITBLT) b.I32(srcW), b.I32(srcH);
    if (!dib.empty()) {
      b.Bytes(dib.info);
      b.Bytes(dib.bits);
      b.PadTo4();
    }
    return Raw(type, b);
  }
  // SETDIBITSTODEVICE of the scan lines [start, start + scans) of a source
  // of cx x cy pixels, to (x, y) within the bounds.
  EmfBuilder& ScanLines(emf::RectL bounds, int32_t x, int32_t y, int32_t cx, int32_t cy, uint32_t start, uint32_t scans,
                        const emf::DibData& dib) {
    emf::RecordBuilder r;
    r.Rect(bounds), r.I32(x), r.I32(y), r.I32(0), r.I32(0), r.I32(cx), r.I32(cy);
    const uint32_t info = static_cast<uint32_t>(dib.info.size()), bits = static_cast<uint32_t>(dib.bits.size());
    r.U32(76), r.U32(info), r.U32(76 + info), r.U32(bits);
    r.U32(0), r.U32(start), r.U32(scans);
    r.Bytes(dib.info), r.Bytes(dib.bits), r.PadTo4();
    return Raw(emf::EMR_SETDIBITSTODEVICE, r);
  }
  EmfBuilder& DibBrush(uint32_t index, const emf::DibData& dib) {
    emf::EmrCreateDibBrush c;
    c.ihBrush = index;
    c.dib = dib;
    emf::RecordBuilder b;
    c.Encode(b);
    return Raw(emf::EMR_CREATEDIBPATTERNBRUSHPT, b);
  }

  TMetafile Metafile() {
    TMetafile mf;
    mf.Bytes = writer_.Finish();
    mf.Width = w_;
    mf.Height = h_;
    return mf;
  }

 private:
  emf::EmfWriter writer_;
  int32_t w_, h_;
};

// A 24-bit bitmap whose pixels are given as 0xRRGGBB, row by row from the top.
inline emf::DibData Dib(int32_t w, int32_t h, const std::vector<uint32_t>& rgb) {
  vn::platform::Bitmap px(w, h, vn::platform::PixelFormat::pf24bit);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x)
      px.SetPixel(x, y, vn::platform::testing::FromArgb(0xFF000000u | rgb[size_t(y * w + x) % rgb.size()]));
  return vn::platform::EncodeDib24(px);
}

inline std::string Color(TColor c) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "%06X", c);
  return buf;
}

inline std::string Points(const TvnPoints& pts) {
  std::string s;
  for (const TvnPoint& p : pts) s += " " + Num(p.X) + "," + Num(p.Y);
  return s;
}

inline std::string DumpShape(const TvnShapeItem& s) {
  static const char* types[] = {"Line", "Rectangle", "RoundRect", "Ellipse", "Polygon", "PolyLine", "Arc", "Chord", "Pie", "PolyBezier"};
  std::string line = std::string("Shape ") + types[static_cast<int>(s.ShapeType)] + " pen " + Color(s.Pen.Color) + "/" +
                     std::to_string(s.Pen.Width) + "/" + std::to_string(static_cast<int>(s.Pen.Style));
  if (s.Brush) line += " brush " + Color(s.Brush->Color) + "/" + std::to_string(static_cast<int>(s.Brush->Style));
  return line + Points(s.GetPoints());
}

// One line per item, with what the player sets on it.
inline std::vector<std::string> Dump(const TvnItemList& items) {
  std::vector<std::string> out;
  for (const auto& item : items) {
    switch (item->Kind()) {
      case TvnItemKind::Text: {
        const auto& t = static_cast<const TvnTextItem&>(*item);
        std::string line = "Text \"" + vn::ToUtf8(t.Lines.Count() ? t.Lines.GetString(0) : String()) + "\" @" + Num(t.X) + "," +
                           Num(t.Y) + " font " + vn::ToUtf8(t.Font.Name) + "/" + std::to_string(t.Font.Size) + "/" +
                           std::to_string(t.Font.Charset) + "/" + Color(t.Font.Color) + (t.Font.Style.Contains(TFontStyle::fsBold) ? "/bold" : "") +
                           " brush " + Color(t.Brush.Color) + "/" + std::to_string(static_cast<int>(t.Brush.Style)) + " align " +
                           std::to_string(static_cast<int>(t.Alignment)) + " rot " + std::to_string(t.RotationAngle);
        if (t.IsWideString) line += " wide";
        if (!t.CharSpaceArray.empty()) {
          line += " dx";
          for (double d : t.CharSpaceArray) line += " " + Num(d);
        }
        if (t.IsClipRect())
          line += " clip " + Num(t.ClipRect().Left) + "," + Num(t.ClipRect().Top) + "," + Num(t.ClipRect().Right) + "," + Num(t.ClipRect().Bottom);
        out.push_back(line);
        break;
      }
      case TvnItemKind::Shape: out.push_back(DumpShape(static_cast<const TvnShapeItem&>(*item))); break;
      case TvnItemKind::PolyShape: {
        const auto& p = static_cast<const TvnPolyShapeItem&>(*item);
        out.push_back("PolyShape " + std::to_string(p.Shapes.size()) + (p.FillAlternate ? " alternate" : ""));
        for (const auto& s : p.Shapes) out.push_back("  " + DumpShape(*s));
        break;
      }
      case TvnItemKind::PolyPolygon: {
        const auto& p = static_cast<const TvnPolyPolygonItem&>(*item);
        std::string line = "PolyPolygon " + std::to_string(p.NoPoly) + " counts";
        for (int32_t n : p.NoPoints) line += " " + std::to_string(n);
        out.push_back(line + (p.FillAlternate ? " alternate" : " winding") + Points(p.Points));
        break;
      }
      case TvnItemKind::PolyDraw: {
        const auto& p = static_cast<const TvnPolyDrawItem&>(*item);
        std::string line = "PolyDraw ops";
        for (uint8_t op : p.Operations) line += " " + std::to_string(op);
        out.push_back(line + " pen " + Color(p.Pen.Color) + "/" + std::to_string(p.Pen.Width) + "/" +
                      std::to_string(static_cast<int>(p.Pen.Style)) + Points(p.Points));
        break;
      }
      case TvnItemKind::Clip: {
        const auto& c = static_cast<const TvnClipItem&>(*item);
        if (c.Restore) {
          out.push_back("Clip restore");
          break;
        }
        std::string line = "Clip mode " + std::to_string(c.Mode);
        for (const TRect& r : c.ClipRects)
          line += " [" + std::to_string(r.Left) + "," + std::to_string(r.Top) + "," + std::to_string(r.Right) + "," + std::to_string(r.Bottom) + "]";
        out.push_back(line);
        break;
      }
      case TvnItemKind::Path: {
        const auto& p = static_cast<const TvnPathItem&>(*item);
        static const char* ops[] = {"Begin", "End", "CloseFigure", "Abort", "Fill", "StrokeAndFill", "Stroke", "SelectClip"};
        std::string line = std::string("Path ") + ops[static_cast<int>(p.PathOperation)];
        if (p.PathOperation == TvnPathOperation::poSelectClipPath) line += " mode " + std::to_string(p.Mode);
        if (p.Brush) line += std::string(p.FillAlternate ? " alternate" : " winding") + " brush " + Color(p.Brush->Color);
        out.push_back(line);
        break;
      }
      case TvnItemKind::Image:
      case TvnItemKind::ImageStream: {
        const auto& i = static_cast<const TvnImageItem&>(*item);
        std::string line = std::string(item->Kind() == TvnItemKind::Image ? "Image #" : "ImageStream #") + std::to_string(i.IndexNo) +
                           " " + Num(i.X) + "," + Num(i.Y) + " " + Num(i.Width) + "x" + Num(i.Height) + " display " +
                           Num(i.DisplayRect.Left) + "," + Num(i.DisplayRect.Top) + " " + Num(i.DisplayRect.Right) + "," +
                           Num(i.DisplayRect.Bottom);
        if (i.Settings.Stretch) line += " stretch";
        if (i.Settings.Center) line += " center";
        if (i.Settings.Transparent) line += " transparent";
        if (item->Kind() == TvnItemKind::ImageStream) {
          const auto& s = static_cast<const TvnImageStream&>(i);
          line += " jpeg " + std::to_string(s.ImageWidth) + "x" + std::to_string(s.ImageHeight) + " " + std::to_string(const_cast<vn::TMemoryStream&>(s.Stream).Size()) + " bytes";
        }
        out.push_back(line);
        break;
      }
      case TvnItemKind::EndOfFile: out.push_back("EOF"); break;
      default: out.push_back("Other"); break;
    }
  }
  return out;
}

}  // namespace vn::exporter::testing
