// The metafile player's device-context model, and the recorder's object
// bookkeeping that players rely on.
#include "platform/canvas/metafile_player.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <set>

#include "platform/canvas/cairo_canvas.h"
#include "platform/canvas/emf_recorder.h"
#include "platform/emf/emf_writer.h"
#include "support/trace_canvas.h"

namespace vn::platform::metafile_player_test {
namespace {

using namespace emf;

constexpr uint32_t kWhite = 0xFFFFFFFF, kBlack = 0xFF000000;

// A 100 x 100 metafile whose records the caller writes; a black brush and
// a null pen are selected first.
std::string Metafile(const std::function<void(EmfWriter&)>& body) {
  EmfWriter w(100, 100);
  EmrCreateBrush black;
  black.ihBrush = w.AllocateHandle();
  black.color = 0;
  RecordBuilder b;
  black.Encode(b);
  w.Write(EMR_CREATEBRUSHINDIRECT, b);
  w.WriteU32(EMR_SELECTOBJECT, black.ihBrush);
  w.WriteU32(EMR_SELECTOBJECT, kStockObjectFlag | NULL_PEN);
  body(w);
  return w.Finish();
}

std::unique_ptr<CairoCanvas> Play(const std::string& bytes) {
  Diagnostics damage;
  EmfFile f(bytes, &damage);
  auto canvas = std::make_unique<CairoCanvas>(100, 100);
  PlayMetafile(f, *canvas, {0, 0, 100, 100}, 0, &damage);
  EXPECT_TRUE(damage.Empty()) << damage.Summary();
  return canvas;
}

TEST(MetafilePlayer, MappingModesPlaceLogicalUnits) {
  struct Case {
    const char* name;
    std::function<void(EmfWriter&)> setup;
    RectL logical;     // the rectangle drawn
    PointL inside;     // a device pixel it covers
    PointL outside;    // one it does not
  } cases[] = {
      {"text mode with a viewport origin",
       [](EmfWriter& w) { w.WritePoint(EMR_SETVIEWPORTORGEX, {50, 50}); },
       {0, 0, 10, 10}, {55, 55}, {5, 5}},
      {"anisotropic: window 1000 x 1000 on viewport 500 x 250",
       [](EmfWriter& w) {
         w.WriteU32(EMR_SETMAPMODE, MM_ANISOTROPIC);
         w.WritePoint(EMR_SETWINDOWEXTEX, {1000, 1000});
         w.WritePoint(EMR_SETVIEWPORTEXTEX, {500, 250});
       },
       {100, 200, 140, 280}, {55, 55}, {45, 45}},  // 50,50 .. 70,70
      {"isotropic keeps the smaller scale on both axes",
       [](EmfWriter& w) {
         w.WriteU32(EMR_SETMAPMODE, MM_ISOTROPIC);
         w.WritePoint(EMR_SETWINDOWEXTEX, {1000, 1000});
         w.WritePoint(EMR_SETVIEWPORTEXTEX, {500, 250});
       },
       {200, 200, 240, 240}, {55, 55}, {55, 45}},
      {"a zero window extent is ignored",
       [](EmfWriter& w) {
         w.WriteU32(EMR_SETMAPMODE, MM_ANISOTROPIC);
         w.WritePoint(EMR_SETWINDOWEXTEX, {0, 10});
       },
       {10, 10, 20, 20}, {15, 15}, {25, 25}},
      {"low metric: tenths of a millimetre, y up",
       [](EmfWriter& w) { w.WriteU32(EMR_SETMAPMODE, MM_LOMETRIC); },
       {0, -100, 100, -200}, {20, 50}, {20, 30}},  // 10 mm = 37.8 px
      {"window origin shifts",
       [](EmfWriter& w) { w.WritePoint(EMR_SETWINDOWORGEX, {-30, -30}); },
       {0, 0, 10, 10}, {35, 35}, {5, 5}},
  };
  for (const auto& c : cases) {
    auto canvas = Play(Metafile([&](EmfWriter& w) {
      c.setup(w);
      w.WriteRect(EMR_RECTANGLE, c.logical);
    }));
    EXPECT_EQ(canvas->PixelAt(c.inside.x, c.inside.y), kBlack) << c.name;
    EXPECT_EQ(canvas->PixelAt(c.outside.x, c.outside.y), kWhite) << c.name;
  }
}

TEST(MetafilePlayer, WorldTransformsComposeInTheirOrder) {
  const XForm scale2{2, 0, 0, 2, 0, 0}, shift10{1, 0, 0, 1, 10, 0};
  struct Case {
    uint32_t mode;
    PointL inside;  // of the rectangle 0,0,10,10 after the transforms
  } cases[] = {
      {MWT_LEFTMULTIPLY, {35, 5}},   // shift first, then scale: x 20..40
      {MWT_RIGHTMULTIPLY, {25, 5}},  // scale first, then shift: x 10..30
      {MWT_IDENTITY, {5, 5}},
  };
  for (const auto& c : cases) {
    auto canvas = Play(Metafile([&](EmfWriter& w) {
      w.WriteXForm(EMR_SETWORLDTRANSFORM, scale2);
      w.WriteXForm(EMR_MODIFYWORLDTRANSFORM, shift10, c.mode);
      w.WriteRect(EMR_RECTANGLE, {0, 0, 10, 10});
    }));
    EXPECT_EQ(canvas->PixelAt(c.inside.x, c.inside.y), kBlack) << c.mode;
  }
}

TEST(MetafilePlayer, RestoreBringsBackObjectsTransformAndClip) {
  auto canvas = Play(Metafile([](EmfWriter& w) {
    w.Write(EMR_SAVEDC);
    w.WriteU32(EMR_SELECTOBJECT, kStockObjectFlag | DKGRAY_BRUSH);
    w.WriteXForm(EMR_SETWORLDTRANSFORM, {1, 0, 0, 1, 50, 0});
    w.WriteRect(EMR_INTERSECTCLIPRECT, {0, 0, 10, 10});
    w.Write(EMR_SAVEDC);
    w.WriteRect(EMR_RECTANGLE, {0, 0, 40, 40});
    RecordBuilder minus2;
    minus2.I32(-2);
    w.Write(EMR_RESTOREDC, minus2);
    w.WriteRect(EMR_RECTANGLE, {0, 60, 40, 100});
    w.Write(EMR_RESTOREDC, minus2);  // nothing saved any more: ignored
  }));
  EXPECT_EQ(canvas->PixelAt(55, 5), 0xFF404040u) << "dark grey stock brush, shifted";
  EXPECT_EQ(canvas->PixelAt(75, 5), kWhite) << "clipped";
  EXPECT_EQ(canvas->PixelAt(20, 80), kBlack) << "black brush, no shift, no clip after the restore";
}

TEST(MetafilePlayer, SavesPastTheDepthLimitAreSkipped) {
  // 5000 saves: the ones past 4096 are reported and skipped; a restore to
  // the first level still brings back the state saved there.
  EmfFile f(Metafile([](EmfWriter& w) {
    for (int i = 0; i < 5000; ++i) {
      w.Write(EMR_SAVEDC);
      if (i == 0) w.WriteU32(EMR_SELECTOBJECT, kStockObjectFlag | DKGRAY_BRUSH);
    }
    RecordBuilder first;
    first.I32(1);
    w.Write(EMR_RESTOREDC, first);
    w.WriteRect(EMR_RECTANGLE, {0, 0, 40, 40});
  }));
  CairoCanvas canvas(100, 100);
  Diagnostics damage;
  PlayMetafile(f, canvas, {0, 0, 100, 100}, 0, &damage);
  size_t skipped = 0;
  for (const auto& d : damage.Kept()) skipped += d.record == EMR_SAVEDC;
  EXPECT_EQ(skipped, 5000u - 4096u);
  EXPECT_EQ(canvas.PixelAt(20, 20), kBlack) << "restored to the state before the grey brush";
}

TEST(MetafilePlayer, PatternBrushesStayWithinAPixelBudget) {
  // A red run-length pattern: every pixel keeps colour index 0.
  auto pattern = [](EmfWriter& w, uint32_t handle, int32_t side) {
    RecordBuilder info;
    info.U32(40), info.I32(side), info.I32(side), info.U16(1), info.U16(8), info.U32(BI_RLE8);
    info.U32(0), info.I32(0), info.I32(0), info.U32(1), info.U32(0);
    info.U32(0xFF0000);  // the colour table: red
    EmrCreateDibBrush brush;
    brush.ihBrush = handle;
    brush.usage = DIB_RGB_COLORS;
    // The end-of-bitmap code, then as many bytes as so large a picture needs.
    brush.dib = {info.bytes(), std::string("\0\1", 2) + std::string(size_t(side) * side / 256, '\0')};
    RecordBuilder b;
    brush.Encode(b);
    w.Write(EMR_CREATEDIBPATTERNBRUSHPT, b);
  };
  // 10000 x 10000 takes the whole budget (the pixel cap of one picture);
  // the small pattern after it paints grey, as an undecodable one does.
  auto canvas = Play(Metafile([&](EmfWriter& w) {
    pattern(w, 2, 10000);
    pattern(w, 3, 2);
    w.WriteU32(EMR_SELECTOBJECT, 3);
    w.WriteRect(EMR_RECTANGLE, {0, 0, 40, 40});
  }));
  EXPECT_EQ(canvas->PixelAt(20, 20), 0xFF808080u);
  // Alone, the small pattern paints.
  canvas = Play(Metafile([&](EmfWriter& w) {
    pattern(w, 2, 2);
    w.WriteU32(EMR_SELECTOBJECT, 2);
    w.WriteRect(EMR_RECTANGLE, {0, 0, 40, 40});
  }));
  EXPECT_EQ(canvas->PixelAt(20, 20), 0xFFFF0000u);
}

// Stock objects select what the window system gives: the dark grey brush
// is 0x404040, the null pen paints nothing, a stock font is the default
// font, and a stock brush fills a region.
TEST(MetafilePlayer, StockObjectsSelectTheWindowSystemsObjects) {
  EmfFile f(Metafile([](EmfWriter& w) {
    w.WriteU32(EMR_SELECTOBJECT, kStockObjectFlag | DKGRAY_BRUSH);
    w.WriteU32(EMR_SELECTOBJECT, kStockObjectFlag | WHITE_PEN);
    w.WriteU32(EMR_SELECTOBJECT, kStockObjectFlag | NULL_BRUSH);
    w.WriteU32(EMR_SELECTOBJECT, kStockObjectFlag | DEFAULT_GUI_FONT);
    w.WriteU32(EMR_SELECTOBJECT, kStockObjectFlag | 9);  // names no object
    RecordBuilder fill;  // a region painted with a stock brush
    fill.Rect({0, 0, 9, 9});
    fill.U32(32 + 16);
    fill.U32(kStockObjectFlag | LTGRAY_BRUSH);
    WriteRegionData(fill, {{0, 0, 10, 10}});
    w.Write(EMR_FILLRGN, fill);
  }));
  testing::TraceCanvas trace({"SetBrush", "SetPen", "SetFont"});
  PlayMetafile(f, trace, {0, 0, 100, 100});
  const std::vector<std::string>& calls = trace.Calls();
  // The player's defaults, the metafile's black brush and null pen first.
  const std::vector<std::string> selected(calls.begin() + 5, calls.end());
  EXPECT_EQ(selected, (std::vector<std::string>{"SetBrush Solid #404040", "SetPen Solid 0 #FFFFFF", "SetBrush Clear",
                                                "SetFont Arial -16 400", "SetBrush Solid #C0C0C0",
                                                "SetPen Clear 0 #000000", "SetPen Solid 0 #FFFFFF", "SetBrush Clear"}));
}

TEST(MetafilePlayer, ObjectTableIndicesAndDeletion) {
  auto canvas = Play(Metafile([](EmfWriter& w) {
    EmrCreateBrush red;
    red.ihBrush = 7;  // beyond the header's handle count: still kept
    red.color = 0x0000FF;
    RecordBuilder b;
    red.Encode(b);
    w.Write(EMR_CREATEBRUSHINDIRECT, b);
    w.WriteU32(EMR_SELECTOBJECT, 7);
    w.WriteRect(EMR_RECTANGLE, {0, 0, 20, 20});
    w.WriteU32(EMR_DELETEOBJECT, 7);
    w.WriteU32(EMR_SELECTOBJECT, 7);  // deleted: the brush stays red
    w.WriteU32(EMR_SELECTOBJECT, 9999999);
    w.WriteRect(EMR_RECTANGLE, {30, 0, 50, 20});
  }));
  EXPECT_EQ(canvas->PixelAt(10, 10), 0xFFFF0000u);
  EXPECT_EQ(canvas->PixelAt(40, 10), 0xFFFF0000u);
}

TEST(MetafilePlayer, TextStaysUprightWhenTheMappingTurnsYOver) {
  // In low-metric mapping y grows upwards; the text must not be mirrored:
  // with baseline alignment its ink lies above the baseline on the page.
  auto canvas = Play(Metafile([](EmfWriter& w) {
    w.WriteU32(EMR_SETMAPMODE, MM_LOMETRIC);
    w.WriteU32(EMR_SETTEXTALIGN, TA_BASELINE);
    w.WriteU32(EMR_SETBKMODE, TRANSPARENT);
    EmrExtCreateFont font;
    font.ihFont = 2;
    font.font.height = -60;  // 6 mm
    font.font.faceName = u"Liberation Sans";
    RecordBuilder fb;
    font.Encode(fb);
    w.Write(EMR_EXTCREATEFONTINDIRECTW, fb);
    w.WriteU32(EMR_SELECTOBJECT, 2);
    EmrExtTextOut t;
    t.reference = {20, -130};  // baseline at 13 mm = 49 px
    t.text = u"EEEE";
    RecordBuilder tb;
    t.Encode(tb);
    w.Write(EMR_EXTTEXTOUTW, tb);
  }));
  int above = 0, below = 0;
  for (int y = 0; y < 100; ++y)
    for (int x = 0; x < 100; ++x)
      if (canvas->PixelAt(x, y) != kWhite) (y < 49 ? above : below)++;
  EXPECT_GT(above, 50);
  EXPECT_LT(below, above / 10);
}

TEST(MetafilePlayer, BlitsWithoutBitmapPaintOnlyPatternOperations) {
  auto blit = [](EmfWriter& w, uint32_t rop, int32_t x) {
    RecordBuilder b;
    b.Rect({x, 0, x + 9, 9});
    b.I32(x), b.I32(0), b.I32(10), b.I32(10);
    b.U32(rop);
    b.I32(0), b.I32(0);
    b.Xform(XForm{});
    b.U32(0), b.U32(0);
    for (int i = 0; i < 4; ++i) b.U32(0);
    w.Write(EMR_BITBLT, b);
  };
  auto canvas = Play(Metafile([&](EmfWriter& w) {
    blit(w, PATCOPY, 0);
    blit(w, WHITENESS, 20);
    blit(w, BLACKNESS, 40);
    blit(w, 0x00AA0029, 60);  // the destination unchanged
    blit(w, SRCCOPY, 80);     // needs a source it does not have
  }));
  EXPECT_EQ(canvas->PixelAt(5, 5), kBlack);
  EXPECT_EQ(canvas->PixelAt(25, 5), kWhite);
  EXPECT_EQ(canvas->PixelAt(45, 5), kBlack);
  EXPECT_EQ(canvas->PixelAt(65, 5), kWhite);
  EXPECT_EQ(canvas->PixelAt(85, 5), kWhite);
}

// The recorder's object table as a player sees it: an object is deleted
// only when neither the current state nor a saved state selects it, every
// deletion names a live object, and slots are reused.
TEST(EmfRecorder, ObjectsLiveWhileAStateUsesThem) {
  EmfRecorderCanvas rec(50, 50);
  auto pen = [](Color c) {
    Pen p;
    p.color = c;
    p.width = 1;
    return p;
  };
  for (int i = 0; i < 50; ++i) rec.SetPen(pen(Color(i)));
  rec.SaveDC();
  rec.SetPen(pen(0xFF));
  rec.SaveDC();
  rec.SetPen(pen(0xFF00));
  rec.SetBrush(Brush{BrushStyle::Hatch, 0xFF0000, HatchStyle::Cross, nullptr});
  rec.RestoreDC(1);
  rec.LineTo({10, 10});
  Diagnostics damage;
  EmfFile f(rec.Finish(), &damage);
  EXPECT_TRUE(damage.Empty());
  EXPECT_LE(f.Header().nHandles, 5);
  // Replay the selections with the device's rule: selecting makes an object
  // current, a save keeps a copy of what is current.
  std::set<uint32_t> live;
  uint32_t current = 0;
  std::vector<uint32_t> saved;
  int deletes = 0;
  for (const auto& r : f.Records()) {
    const uint32_t v = r.bytes.size() >= 12 ? EmrU32::Decode(r.Payload())->value : 0;
    switch (r.type) {
      case EMR_EXTCREATEPEN:
      case EMR_CREATEBRUSHINDIRECT:
        EXPECT_FALSE(live.count(v)) << "slot " << v << " reused while alive";
        live.insert(v);
        break;
      case EMR_SELECTOBJECT:
        if (!(v & kStockObjectFlag) && live.count(v) && r.bytes.size() && v) current = v;
        break;
      case EMR_SAVEDC:
        saved.push_back(current);
        break;
      case EMR_RESTOREDC:
        current = saved.front();
        saved.clear();
        break;
      case EMR_DELETEOBJECT:
        ++deletes;
        EXPECT_TRUE(live.count(v)) << "deletes a dead object";
        for (uint32_t s : saved) EXPECT_NE(s, v) << "deletes an object a saved state selects";
        live.erase(v);
        break;
    }
  }
  EXPECT_TRUE(live.empty());
  EXPECT_GE(deletes, 52);
}

TEST(EmfRecorder, ClipRegionsAreKeptInDeviceUnits) {
  EmfRecorderCanvas rec(100, 100);
  rec.SetWorldTransform({2, 0, 0, 2, 10, 5});
  const Rect r{0, 0, 10, 10};
  rec.SelectClipRegion(std::span(&r, 1), RegionMode::Copy);
  rec.SetWorldTransform({});
  rec.SetBrush(Brush{});
  EmfFile f(rec.Finish());
  bool found = false;
  for (const auto& x : f.Records())
    if (x.type == EMR_EXTSELECTCLIPRGN) {
      auto c = EmrExtSelectClipRgn::Decode(x.Payload());
      ASSERT_TRUE(c);
      EXPECT_EQ(c->rects, (std::vector<RectL>{{10, 5, 30, 25}}));
      found = true;
    }
  EXPECT_TRUE(found);
}

}  // namespace
}  // namespace vn::platform::metafile_player_test
