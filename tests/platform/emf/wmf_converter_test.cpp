// Windows metafiles converted into enhanced metafiles.
#include "platform/emf/wmf_converter.h"

#include <gtest/gtest.h>

#include "platform/canvas/cairo_canvas.h"
#include "platform/canvas/metafile_player.h"

namespace vn::platform::emf::wmf_converter_test {
namespace {

// Builds a WMF: records of 16-bit words, an optional placeable header.
class WmfBuilder {
 public:
  WmfBuilder& Record(uint16_t function, std::initializer_list<int32_t> words, const std::string& tail = "") {
    std::string body;
    for (int32_t w : words) body += Word(uint16_t(w));
    body += tail;
    if (body.size() % 2) body += '\0';
    std::string rec;
    rec += Dword(uint32_t(3 + body.size() / 2));
    rec += Word(function);
    records_ += rec + body;
    return *this;
  }
  // A colour or a raster operation, as two words.
  static int32_t Lo(uint32_t v) { return int32_t(v & 0xFFFF); }
  static int32_t Hi(uint32_t v) { return int32_t(v >> 16); }
  std::string Build(bool placeable, int16_t right = 100, int16_t bottom = 100, uint16_t inch = 96) const {
    std::string body = records_ + Dword(3) + Word(0);  // META_EOF
    std::string out;
    if (placeable) {
      out += Dword(0x9AC6CDD7) + Word(0) + Word(0) + Word(0) + Word(uint16_t(right)) + Word(uint16_t(bottom)) +
             Word(inch) + Dword(0) + Word(0);
    }
    out += Word(1) + Word(9) + Word(0x300) + Dword(uint32_t(9 + body.size() / 2)) + Word(8) + Dword(64) + Word(0);
    return out + body;
  }
  static std::string Word(uint16_t v) { return std::string{char(v & 0xFF), char(v >> 8)}; }
  static std::string Dword(uint32_t v) { return Word(uint16_t(v)) + Word(uint16_t(v >> 16)); }

 private:
  std::string records_;
};

std::span<const std::byte> Bytes(const std::string& s) {
  return {reinterpret_cast<const std::byte*>(s.data()), s.size()};
}

// Brush (red), rectangle, delete, brush (blue) in the freed slot, ellipse.
WmfBuilder Shapes() {
  WmfBuilder b;
  b.Record(0x02FC, {0, WmfBuilder::Lo(0x0000FF), WmfBuilder::Hi(0x0000FF), 0})  // CREATEBRUSHINDIRECT red
      .Record(0x02FA, {5, 0, 0, 0, 0})                                        // CREATEPENINDIRECT null
      .Record(0x012D, {0})                                                    // SELECTOBJECT brush
      .Record(0x012D, {1})                                                    // SELECTOBJECT pen
      .Record(0x041B, {40, 40, 0, 0})                                         // RECTANGLE 0,0,40,40
      .Record(0x01F0, {0})                                                    // DELETEOBJECT brush
      .Record(0x02FC, {0, WmfBuilder::Lo(0xFF0000), WmfBuilder::Hi(0xFF0000), 0})  // blue, lands in slot 0
      .Record(0x012D, {0})
      .Record(0x0418, {100, 100, 60, 60});  // ELLIPSE 60,60,100,100
  return b;
}

TEST(WmfConverter, PlaceableFileMapsItsBoxOntoTheFrame) {
  struct Case {
    int16_t right, bottom;
    uint16_t inch;
    int32_t width, height;  // of the frame, pixels
    int scale;              // device pixels per logical unit x 100
  } cases[] = {
      {100, 100, 96, 100, 100, 100},
      {200, 100, 192, 100, 50, 50},
      {1440, 1440, 1440, 96, 96, 7},
  };
  for (const auto& c : cases) {
    Diagnostics diags;
    EmfFile emf(ConvertWmfToEmf(Bytes(Shapes().Build(true, c.right, c.bottom, c.inch)), &diags), &diags);
    EXPECT_TRUE(diags.Empty()) << diags.Summary();
    EXPECT_EQ(emf.FramePixels(), (RectL{0, 0, c.width, c.height})) << c.inch;
    CairoCanvas canvas(c.width, c.height);
    PlayMetafile(emf, canvas, {0, 0, c.width, c.height});
    const int in = 20 * c.scale / 100, far = 80 * c.scale / 100;
    EXPECT_EQ(canvas.PixelAt(in, in), 0xFFFF0000u) << "red rectangle, inch " << c.inch;
    EXPECT_EQ(canvas.PixelAt(far, far), 0xFF0000FFu) << "blue ellipse in the reused slot, inch " << c.inch;
  }
}

TEST(WmfConverter, PlainFileTakesItsWindowOrItsDrawing) {
  // With a window: the window is the frame.
  WmfBuilder w;
  w.Record(0x020B, {0, 0}).Record(0x020C, {100, 100});
  EmfFile a(ConvertWmfToEmf(Bytes(w.Build(false))));
  EXPECT_EQ(a.FramePixels(), (RectL{0, 0, 100, 100}));
  // Without one: the extent of what it draws, in pixels.
  EmfFile b(ConvertWmfToEmf(Bytes(Shapes().Build(false))));
  EXPECT_EQ(b.FramePixels(), (RectL{0, 0, 101, 101}));
  CairoCanvas canvas(101, 101);
  PlayMetafile(b, canvas, {0, 0, 101, 101});
  EXPECT_EQ(canvas.PixelAt(20, 20), 0xFFFF0000u);
}

TEST(WmfConverter, TextRegionsAndBitmapsBecomeTheirEmfRecords) {
  WmfBuilder b;
  // Font, TEXTOUT of "a\x80" (the euro sign in the ANSI code page).
  std::string face = std::string("Arial") + std::string(27, '\0');
  b.Record(0x02FB, {-12, 0, 0, 0, 400, 0, 0, 0, 0}, face)
      .Record(0x012D, {0})
      .Record(0x0521, {2}, std::string("a\x80") + WmfBuilder::Word(5) + WmfBuilder::Word(7));
  // A region of one scan (10..40 by 60..90) selected as the clip.
  std::string scan = WmfBuilder::Word(2) + WmfBuilder::Word(60) + WmfBuilder::Word(90) + WmfBuilder::Word(10) +
                     WmfBuilder::Word(40) + WmfBuilder::Word(2);
  b.Record(0x06FF, {0, 6, 0, 0, 0, 1, 2, 10, 60, 40, 90}, scan).Record(0x012C, {1});
  // A 1 x 1 24-bit bitmap stretched over 50,50 .. 70,70.
  std::string dib = WmfBuilder::Dword(40) + WmfBuilder::Dword(1) + WmfBuilder::Dword(1) + WmfBuilder::Word(1) +
                    WmfBuilder::Word(24) + std::string(24, '\0') + std::string("\x10\x20\x30\0", 4);
  b.Record(0x0B41, {WmfBuilder::Lo(0xCC0020), WmfBuilder::Hi(0xCC0020), 1, 1, 0, 0, 20, 20, 50, 50}, dib);
  Diagnostics diags;
  EmfFile emf(ConvertWmfToEmf(Bytes(b.Build(true)), &diags));
  EXPECT_TRUE(diags.Empty());
  bool text = false, clip = false, bitmap = false;
  for (const auto& rec : emf.Records()) {
    if (rec.type == EMR_EXTTEXTOUTW) {
      auto t = EmrExtTextOut::Decode(rec.Payload(), true);
      ASSERT_TRUE(t);
      EXPECT_EQ(t->text, u"a\u20ac");
      EXPECT_EQ(t->reference, (PointL{7, 5}));
      text = true;
    }
    if (rec.type == EMR_EXTSELECTCLIPRGN) {
      auto c = EmrExtSelectClipRgn::Decode(rec.Payload());
      ASSERT_TRUE(c);
      EXPECT_EQ(c->mode, RGN_COPY);
      EXPECT_EQ(c->rects, (std::vector<RectL>{{10, 60, 40, 90}}));
      clip = true;
    }
    if (rec.type == EMR_STRETCHDIBITS) {
      auto s = EmrStretchDIBits::Decode(rec.Payload());
      ASSERT_TRUE(s);
      EXPECT_EQ((RectL{s->xDest, s->yDest, s->cxDest, s->cyDest}), (RectL{50, 50, 20, 20}));
      auto px = DecodeDib(s->dib);
      ASSERT_TRUE(px);
      EXPECT_EQ(px->Pixel(0, 0), (BGRA{0x10, 0x20, 0x30, 0xFF}));
      bitmap = true;
    }
  }
  EXPECT_TRUE(text && clip && bitmap);
}

TEST(WmfConverter, AFullObjectTableHandsOutTheLowestFreedSlots) {
  // 65535 palettes fill the table; 100 and then 7 are deleted; brushes then
  // take 7, then 100, and one more finds no slot (also quickly: a full
  // table is not searched again at every creation).
  WmfBuilder b;
  for (int i = 0; i < 65535; ++i) b.Record(0x00F7, {});
  b.Record(0x01F0, {100}).Record(0x01F0, {7});
  for (int i = 0; i < 3; ++i) b.Record(0x02FC, {0, 0, 0, 0});
  for (int i = 0; i < 20000; ++i) b.Record(0x00F7, {});
  Diagnostics diags;
  EmfFile emf(ConvertWmfToEmf(Bytes(b.Build(true)), &diags));
  std::vector<uint32_t> brushes;
  for (const auto& rec : emf.Records())
    if (rec.type == EMR_CREATEBRUSHINDIRECT) brushes.push_back(EmrCreateBrush::Decode(rec.Payload())->ihBrush);
  EXPECT_EQ(brushes, (std::vector<uint32_t>{8, 101}));
  EXPECT_EQ(diags.Count(), 20001u);
  EXPECT_EQ(diags.Kept().size(), Diagnostics::kDefaultCap);
}

TEST(WmfConverter, RegionsWrittenAtEveryUseStayWithinABudget) {
  // One region of 1000 rectangles (a single scan) selected 2500 times: a
  // 40 KB file that would otherwise make a 40 MB metafile.
  std::string scan = WmfBuilder::Word(2000) + WmfBuilder::Word(0) + WmfBuilder::Word(10);
  for (int i = 0; i < 1000; ++i) scan += WmfBuilder::Word(uint16_t(i * 3)) + WmfBuilder::Word(uint16_t(i * 3 + 2));
  scan += WmfBuilder::Word(2000);
  WmfBuilder b;
  b.Record(0x06FF, {0, 6, 0, 0, 0, 1, 2000, 0, 0, 3000, 10}, scan);
  for (int i = 0; i < 2500; ++i) b.Record(0x012C, {0});
  b.Record(0x041B, {100, 100, 90, 90});  // still converted after the budget is spent
  Diagnostics diags;
  std::string converted = ConvertWmfToEmf(Bytes(b.Build(true)), &diags);
  EXPECT_LT(converted.size(), size_t{20} << 20);
  Diagnostics emfDamage;
  EmfFile emf(std::move(converted), &emfDamage);
  EXPECT_TRUE(emfDamage.Empty());
  size_t clips = 0, rectangles = 0;
  for (const auto& rec : emf.Records()) {
    clips += rec.type == EMR_EXTSELECTCLIPRGN;
    rectangles += rec.type == EMR_RECTANGLE;
  }
  EXPECT_GT(clips, 1000u);
  EXPECT_EQ(clips + diags.Count(), 2500u);
  EXPECT_EQ(rectangles, 1u);
}

TEST(WmfConverter, DamageIsSkippedOrEndsTheWalk) {
  // A polygon announcing more points than it holds is skipped; the
  // rectangle after it converts.
  WmfBuilder b = Shapes();
  b.Record(0x0324, {500, 1, 2});
  b.Record(0x012D, {7});  // selects a slot nobody made
  b.Record(0x041B, {100, 100, 90, 90});
  Diagnostics diags;
  EmfFile emf(ConvertWmfToEmf(Bytes(b.Build(true)), &diags));
  ASSERT_EQ(diags.Count(), 2u);
  EXPECT_EQ(diags.Kept()[0].record, 0x0324u);
  EXPECT_EQ(diags.Kept()[1].record, 0x012Du);
  int rectangles = 0;
  for (const auto& rec : emf.Records()) rectangles += rec.type == EMR_RECTANGLE;
  EXPECT_EQ(rectangles, 2);

  // A record size past the end: what came before is kept.
  std::string bytes = Shapes().Build(true);
  bytes.resize(bytes.size() - 30);
  diags.Clear();
  Diagnostics emfDamage;
  EmfFile cut(ConvertWmfToEmf(Bytes(bytes), &diags), &emfDamage);
  ASSERT_EQ(diags.Count(), 1u);
  EXPECT_TRUE(emfDamage.Empty());

  // Not a metafile.
  for (const std::string& junk : {std::string(), std::string("\xD7\xCD\xC6\x9A", 4), std::string(40, 'x')}) {
    EXPECT_FALSE(IsWmf(Bytes(junk)));
    try {
      ConvertWmfToEmf(Bytes(junk));
      FAIL();
    } catch (const EEmfError& e) {
      EXPECT_STREQ(e.what(), "Not a Windows metafile");
    }
  }
}

}  // namespace
}  // namespace vn::platform::emf::wmf_converter_test
