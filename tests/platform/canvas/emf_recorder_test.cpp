// A page recorded on the EMF recorder: the records it re-enumerates to, and
// the pixels it plays to on the cairo canvas.
#include <gtest/gtest.h>
#include <jpeglib.h>

#include <cstdio>
#include <map>

#include "platform/canvas/cairo_canvas.h"
#include "platform/canvas/emf_recorder.h"
#include "platform/canvas/metafile_player.h"
#include "platform/canvas/text_measure.h"
#include "platform/emf/emf_reader.h"
#include "platform/fonts/font_catalog.h"
#include "platform/fonts/gdi_font.h"
#include "platform/shaping/text_shaping.h"
#include "support/pixels.h"

namespace vn::platform::emf_recorder_test {
namespace {

using testing::FilledBitmap;
using testing::FromArgb;
using testing::ToArgb;

using namespace emf;

// A solid-colour JPEG made with libjpeg.
std::string MakeJpeg(int w, int h, uint8_t r, uint8_t g, uint8_t b) {
  jpeg_compress_struct c;
  jpeg_error_mgr err;
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  unsigned char* out = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&c, &out, &size);
  c.image_width = w;
  c.image_height = h;
  c.input_components = 3;
  c.in_color_space = JCS_RGB;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, 95, TRUE);
  jpeg_start_compress(&c, TRUE);
  std::vector<unsigned char> row(size_t(w) * 3);
  for (int x = 0; x < w; ++x) row[x * 3] = r, row[x * 3 + 1] = g, row[x * 3 + 2] = b;
  while (c.next_scanline < c.image_height) {
    JSAMPROW p = row.data();
    jpeg_write_scanlines(&c, &p, 1);
  }
  jpeg_finish_compress(&c);
  jpeg_destroy_compress(&c);
  std::string data(reinterpret_cast<char*>(out), size);
  free(out);
  return data;
}

// Colour distance small enough for anti-aliasing and JPEG noise.
::testing::AssertionResult Near(uint32_t argb, uint32_t want, int tolerance = 40) {
  for (int shift : {0, 8, 16}) {
    int a = (argb >> shift) & 0xFF, b = (want >> shift) & 0xFF;
    if (std::abs(a - b) > tolerance)
      return ::testing::AssertionFailure() << std::hex << "pixel 0x" << argb << " is not near 0x" << want;
  }
  return ::testing::AssertionSuccess();
}

struct Page {
  std::string bytes;
  std::string jpeg;
};

// The page of the acceptance check: 200 x 150 pixels.
Page RecordPage() {
  EmfRecorderCanvas rec(200, 150);
  Page page;
  // Text in red Liberation Sans, transparent background.
  Font font;
  font.faceName = u"Liberation Sans";
  font.height = -20;
  rec.SetFont(font);
  rec.SetTextColor(RGBColor(255, 0, 0));
  rec.SetBkMode(BkMode::Transparent);
  rec.TextOut({10, 5}, u"Hello", {});
  // A dashed blue line, 2 units wide.
  Pen dashed;
  dashed.style = PenStyle::Dash;
  dashed.width = 2;
  dashed.color = RGBColor(0, 0, 255);
  dashed.cap = PenCap::Flat;
  rec.SetPen(dashed);
  rec.MoveTo({10, 40});
  rec.LineTo({190, 40});
  // A green rectangle framed in black.
  Pen frame;
  frame.width = 1;
  rec.SetPen(frame);
  Brush green;
  green.color = RGBColor(0, 160, 0);
  rec.SetBrush(green);
  rec.Rectangle({10, 50, 60, 100});
  // A yellow ellipse clipped to its left half.
  rec.SaveDC();
  rec.IntersectClipRect({70, 50, 100, 100});
  Brush yellow;
  yellow.color = RGBColor(255, 255, 0);
  rec.SetBrush(yellow);
  Pen none;
  none.style = PenStyle::Clear;
  rec.SetPen(none);
  rec.Ellipse({70, 50, 130, 100});
  rec.RestoreDC(-1);
  // A bitmap: magenta with half-transparent pixels on the right.
  Bitmap px = FilledBitmap(4, 4, 0xFFFF00FF);
  for (int y = 0; y < 4; ++y) px.SetPixel(3, y, FromArgb(0x80000000));
  rec.DrawBitmap({140, 50, 180, 90}, px);
  // A kept JPEG: cyan.
  page.jpeg = MakeJpeg(16, 16, 0, 200, 200);
  rec.DrawJpeg({140, 100, 180, 140}, page.jpeg, 16, 16);
  page.bytes = rec.Finish();
  return page;
}

TEST(CanvasRecording, PageReEnumeratesToItsRecords) {
  const Page page = RecordPage();
  Diagnostics damage;
  EmfFile emf(page.bytes, &damage);
  EXPECT_TRUE(damage.Empty());
  const EmrHeader& h = emf.Header();
  EXPECT_EQ(h.nBytes, page.bytes.size());
  EXPECT_EQ(h.nRecords, emf.Records().size());
  EXPECT_EQ(h.szlDevice.cx * 254, h.szlMillimeters.cx * 960);  // 96 dpi
  EXPECT_EQ(emf.FramePixels(), (RectL{0, 0, 200, 150}));
  EXPECT_LE(h.rclBounds.left, 10);
  EXPECT_GE(h.rclBounds.right, 180);
  EXPECT_GE(h.rclBounds.bottom, 139);
  EXPECT_EQ(emf.Records().back().type, EMR_EOF);

  std::vector<uint32_t> types;
  std::map<uint32_t, int> objects;  // live object-table entries
  int maxLive = 0;
  bool sawText = false, sawDash = false, sawRect = false, sawEllipse = false, sawClip = false;
  int dibs = 0;
  for (const Record& rec : emf.Records()) {
    types.push_back(rec.type);
    switch (rec.type) {
      case EMR_EXTTEXTOUTW: {
        auto t = EmrExtTextOut::Decode(rec.Payload(), true);
        ASSERT_TRUE(t);
        EXPECT_EQ(t->text, u"Hello");
        EXPECT_EQ(t->reference, (PointL{10, 5}));
        ASSERT_EQ(t->dx.size(), 5u);
        for (int32_t d : t->dx) EXPECT_GT(d, 3);
        sawText = true;
        break;
      }
      case EMR_EXTCREATEPEN: {
        auto p = EmrExtCreatePen::Decode(rec.Payload());
        ASSERT_TRUE(p);
        if ((p->style & PS_STYLE_MASK) == PS_DASH) {
          EXPECT_EQ(p->width, 2u);
          EXPECT_EQ(p->color, 0xFF0000u);  // blue as 0x00BBGGRR
          EXPECT_EQ(p->style & PS_ENDCAP_MASK, PS_ENDCAP_FLAT);
          sawDash = true;
        }
        objects[p->ihPen] = 1;
        break;
      }
      case EMR_CREATEBRUSHINDIRECT:
      case EMR_EXTCREATEFONTINDIRECTW:
        objects[EmrU32::Decode(rec.Payload())->value] = 1;
        break;
      case EMR_DELETEOBJECT: {
        auto i = EmrU32::Decode(rec.Payload())->value;
        EXPECT_TRUE(objects.count(i)) << "deletes an object it never made";
        objects.erase(i);
        break;
      }
      case EMR_RECTANGLE:
        EXPECT_EQ(EmrRect::Decode(rec.Payload())->rect, (RectL{10, 50, 60, 100}));
        sawRect = true;
        break;
      case EMR_ELLIPSE:
        EXPECT_TRUE(sawClip) << "the clip comes before the ellipse";
        sawEllipse = true;
        break;
      case EMR_INTERSECTCLIPRECT:
        EXPECT_EQ(EmrRect::Decode(rec.Payload())->rect, (RectL{70, 50, 100, 100}));
        sawClip = true;
        break;
      case EMR_STRETCHDIBITS: {
        auto s = EmrStretchDIBits::Decode(rec.Payload());
        ASSERT_TRUE(s);
        auto info = ReadDibInfo(s->dib.info);
        ASSERT_TRUE(info);
        if (dibs++ == 0) {
          EXPECT_EQ(info->bitCount, 24);
          EXPECT_EQ(info->compression, BI_RGB);
          EXPECT_EQ((RectL{s->xDest, s->yDest, s->cxDest, s->cyDest}), (RectL{140, 50, 40, 40}));
          // Alpha composited onto white: the right column is light grey.
          auto pxs = DecodeDib(s->dib);
          ASSERT_TRUE(pxs);
          EXPECT_TRUE(Near(ToArgb(pxs->Pixel(3, 0)), 0xFF7F7F7F, 2));
          EXPECT_TRUE(Near(ToArgb(pxs->Pixel(0, 0)), 0xFFFF00FF, 0));
        } else {
          EXPECT_EQ(info->compression, BI_JPEG);
          EXPECT_EQ(s->dib.bits, page.jpeg);  // the JPEG bytes are kept as they are
          EXPECT_EQ(info->width, 16);
        }
        break;
      }
    }
    maxLive = std::max(maxLive, int(objects.size()));
  }
  EXPECT_TRUE(sawText && sawDash && sawRect && sawEllipse);
  EXPECT_EQ(dibs, 2);
  EXPECT_TRUE(objects.empty()) << "every object is deleted by the end";
  EXPECT_LE(maxLive, 4);
  EXPECT_GE(h.nHandles, maxLive + 1);
}

TEST(CanvasRecording, PagePlaysOntoCairoWithExpectedPixels) {
  const Page page = RecordPage();
  Diagnostics damage;
  EmfFile emf(page.bytes, &damage);
  CairoCanvas canvas(200, 150);
  PlayMetafile(emf, canvas, {0, 0, 200, 150}, 0, &damage);
  EXPECT_TRUE(damage.Empty()) << damage.Summary();
  struct Probe {
    int x, y;
    uint32_t want;
    const char* what;
  } probes[] = {
      {35, 75, 0xFF00A000, "rectangle fill"},
      {10, 75, 0xFF000000, "rectangle frame, left"},
      {59, 75, 0xFF000000, "rectangle frame, right side one pixel in"},
      {85, 75, 0xFFFFFF00, "ellipse inside the clip"},
      {115, 75, 0xFFFFFFFF, "ellipse outside the clip"},
      {150, 70, 0xFFFF00FF, "bitmap"},
      {177, 70, 0xFF7F7F7F, "bitmap alpha onto white"},
      {160, 120, 0xFF00C8C8, "JPEG"},
      {20, 40, 0xFF0000FF, "dash"},
      {5, 140, 0xFFFFFFFF, "background"},
  };
  for (const auto& p : probes) EXPECT_TRUE(Near(canvas.PixelAt(p.x, p.y), p.want)) << p.what;
  // The dashes leave gaps along the line.
  int blue = 0, white = 0;
  for (int x = 12; x < 188; ++x) {
    uint32_t c = canvas.PixelAt(x, 40);
    if (Near(c, 0xFF0000FF)) ++blue;
    if (Near(c, 0xFFFFFFFF)) ++white;
  }
  EXPECT_GT(blue, 60);
  EXPECT_GT(white, 20);
  // Some red text pixels where the text runs.
  int red = 0;
  for (int y = 5; y < 30; ++y)
    for (int x = 10; x < 70; ++x) red += Near(canvas.PixelAt(x, y), 0xFFFF0000, 60);
  EXPECT_GT(red, 30);
}

TEST(CanvasRecording, RotatedPlaybackTurnsThePage) {
  const Page page = RecordPage();
  EmfFile emf(page.bytes);
  struct Case {
    int rotation;
    int w, h;
    int x, y;  // where the rectangle's fill lands
  } cases[] = {
      {0, 200, 150, 35, 75},
      {90, 150, 200, 150 - 75, 35},
      {180, 200, 150, 200 - 35, 150 - 75},
      {270, 150, 200, 75, 200 - 35},
  };
  for (const auto& c : cases) {
    CairoCanvas canvas(c.w, c.h, 0xFF000000);
    DrawPageMetafile(emf, canvas, c.w, c.h, c.rotation);
    EXPECT_TRUE(Near(canvas.PixelAt(c.x, c.y), 0xFF00A000)) << c.rotation;
    EXPECT_TRUE(Near(canvas.PixelAt(c.w / 2, c.h - 3), 0xFFFFFFFF) || c.rotation) << "page painted white";
  }
}

// A page whose drawing reaches far beyond its edge (a picture placed off
// the page) still fills the target by its frame: what lies on the page stays
// where it is and the rest is cut off, at every rotation.
TEST(CanvasRecording, InkBeyondThePageDoesNotShrinkThePage) {
  EmfRecorderCanvas rec(200, 150);
  Brush green;
  green.color = RGBColor(0, 160, 0);
  rec.SetBrush(green);
  rec.Rectangle({10, 50, 60, 100});
  rec.Rectangle({3000, 0, 9000, 150});
  EmfFile emf(rec.Finish());
  for (const int rotation : {0, 90}) {
    const int w = rotation == 0 ? 200 : 150, h = rotation == 0 ? 150 : 200;
    CairoCanvas canvas(w, h, 0xFF000000);
    DrawPageMetafile(emf, canvas, w, h, rotation);
    const int x = rotation == 0 ? 35 : 150 - 75, y = rotation == 0 ? 75 : 35;
    EXPECT_TRUE(Near(canvas.PixelAt(x, y), 0xFF00A000)) << rotation;
    EXPECT_TRUE(Near(canvas.PixelAt(w - 3, h - 3), 0xFFFFFFFF)) << rotation;
  }
}

// Characters the font lacks (Chinese in a Latin face) are drawn in a
// fallback face: text recorded without advances gets that face's advances
// for them, and text is measured alike, so laid-out glyphs neither overlap
// nor drift apart. (Complex text is measured shaped, below.)
// Arial at a height of 20 pixels.
Font Arial20() {
  Font font;
  font.faceName = u"Arial";
  font.height = -20;
  return font;
}

TEST(CanvasRecording, TextTheFontLacksTakesTheAdvancesOfTheFaceThatDrawsIt) {
  const Font font = Arial20();
  const std::u16string text = u"A\u4F60\u597D\u00E9";
  auto latin = GdiFont::Create({u"Arial", -20, false, false});
  std::vector<int32_t> expected{latin->CharAdvance(U'A')};
  for (char32_t ch : {U'\u4F60', U'\u597D'}) {
    ASSERT_FALSE(latin->HasGlyph(ch));
    const auto face = FindFallbackFace(latin->Face(), ch);
    ASSERT_TRUE(face);
    expected.push_back(GdiFont::CreateFromFace(*face, -20)->CharAdvance(ch));
  }
  // An ideograph is about an em wide; the missing-glyph box is narrower.
  EXPECT_NEAR(expected[1], 20, 2);
  EXPECT_NE(expected[1], latin->GlyphAdvance(0));

  expected.push_back(latin->CharAdvance(U'\u00E9'));

  EmfRecorderCanvas rec(100, 40);
  rec.SetFont(font);
  rec.TextOut({0, 0}, text, {});
  EmfFile emf(rec.Finish());
  bool sawText = false;
  for (const Record& r : emf.Records()) {
    if (r.type != EMR_EXTTEXTOUTW) continue;
    auto t = EmrExtTextOut::Decode(r.Payload(), true);
    ASSERT_TRUE(t);
    EXPECT_EQ(t->dx, expected);
    sawText = true;
  }
  EXPECT_TRUE(sawText);
  EXPECT_EQ(MeasureText(font, text).cx, expected[0] + expected[1] + expected[2] + expected[3]);
  EXPECT_EQ(latin->TextExtent(text).Width, MeasureText(font, text).cx);
}

// Arabic letters join: a word is measured by its shaped glyphs, in the
// face that writes it (the font of last resort when the font lacks the
// letters), each cluster's advance on its first letter, so the recorded
// advances leave no gaps inside the word. Latin text keeps each
// character's own advance.
TEST(CanvasRecording, ComplexTextIsMeasuredShapedInTheFaceThatWritesIt) {
  const Font font = Arial20();
  const std::u16string word = u"\u0645\u0631\u062D\u0628\u0627";
  auto arial = GdiFont::Create({u"Arial", -20, false, false});
  ASSERT_FALSE(arial->HasGlyph(U'\u0645'));
  auto writer = GdiFont::Create({u"Arial Unicode MS", -20, false, false});
  ScriptRun run;
  run.Length = static_cast<int>(word.size());
  run.Script = ScriptTag("Arab");
  run.BidiLevel = 1;
  run.Complex = true;
  const ShapedRun shaped = ShapeRun(*writer, word, run);
  ASSERT_FALSE(shaped.MissingGlyphs);
  std::vector<int32_t> expected(word.size(), 0);
  for (const ShapedGlyph& glyph : shaped.Glyphs) expected[static_cast<size_t>(glyph.Cluster)] += glyph.XAdvance;
  EXPECT_EQ(RoundedAdvances(font, word), expected);
  int isolated = 0;
  for (char16_t c : word) isolated += arial->DrawnCharAdvance(c);
  EXPECT_LT(MeasureText(font, word).cx, isolated);  // joined letters take less room
  const std::u16string latin = u"Wide";
  std::vector<int32_t> own;
  for (char16_t c : latin) own.push_back(arial->DrawnCharAdvance(c));
  EXPECT_EQ(RoundedAdvances(font, latin), own);
}

TEST(CanvasRecording, PlayingOntoARecorderKeepsTheDrawing) {
  // The rotation road: a page played onto another recording, then onto pixels.
  const Page page = RecordPage();
  EmfFile emf(page.bytes);
  EmfRecorderCanvas outer(150, 200);
  DrawPageMetafile(emf, outer, 150, 200, 90);
  Diagnostics damage;
  EmfFile turned(outer.Finish(), &damage);
  CairoCanvas canvas(150, 200);
  PlayMetafile(turned, canvas, {0, 0, 150, 200}, 0, &damage);
  EXPECT_TRUE(damage.Empty()) << damage.Summary();
  EXPECT_TRUE(Near(canvas.PixelAt(150 - 75, 35), 0xFF00A000));
  EXPECT_TRUE(Near(canvas.PixelAt(150 - 120, 160), 0xFF00C8C8));  // the JPEG, turned
}

// A blended bitmap (clear, half and fully covering pixels) over a green
// background keeps its transparency when the recording is played onto
// another recorder, as a converted page's recording is, and then onto
// pixels: the background shows through instead of white.
TEST(CanvasRecording, PlayingOntoARecorderKeepsBitmapTransparency) {
  EmfRecorderCanvas inner(30, 10);
  inner.SetBrush(Brush{.style = BrushStyle::Solid, .color = RGBColor(0, 160, 0)});
  inner.Rectangle({-1, -1, 31, 11});
  Bitmap px = FilledBitmap(3, 1, 0x00FF0000);
  px.SetPixel(1, 0, FromArgb(0x80FF0000));
  px.SetPixel(2, 0, FromArgb(0xFFFF0000));
  inner.AlphaBlend({0, 0, 30, 10}, px, 255);
  EmfFile recorded(inner.Finish());
  EmfRecorderCanvas outer(30, 10);
  DrawPageMetafile(recorded, outer, 30, 10, 0);
  EmfFile replayed(outer.Finish());
  CairoCanvas canvas(30, 10);
  PlayMetafile(replayed, canvas, {0, 0, 30, 10}, 0);
  EXPECT_TRUE(Near(canvas.PixelAt(5, 5), 0xFF00A000)) << "clear";
  EXPECT_TRUE(Near(canvas.PixelAt(15, 5), 0xFF805000)) << "half";
  EXPECT_TRUE(Near(canvas.PixelAt(25, 5), 0xFFFF0000)) << "opaque";
}

}  // namespace
}  // namespace vn::platform::emf_recorder_test
