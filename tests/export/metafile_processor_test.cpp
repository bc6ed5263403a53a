// The metafile player: hand-built metafiles of each record family replayed
// into the recording engine, compared item by item; coordinates, objects
// and saved states; damaged records; metafiles of other writers.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <fstream>

#include "metafile_items.h"
#include "platform/images/image_codecs.h"
#include "support/paths.h"

namespace vn::exporter::testing::metafile_processor_test {
namespace {

using namespace vn::platform::emf;
using Lines = std::vector<std::string>;

class Player : public ::testing::Test {
 protected:
  void SetUp() override {
    engine.SetMeasurementUnit(TvnUnitType::muPixels);
    engine.BeginDoc();
  }
  // Plays the metafile at (x, y) and answers the items it made.
  Lines Play(const TMetafile& mf, double x = 0, double y = 0) {
    processor = std::make_unique<TvnMetafileProcessor>(engine);
    processor->SetCombineCharsToSentence(true);
    processor->Execute(mf, x, y);
    Lines out = Dump(engine.GetPageItem(0)->DocumentItems);
    if (!out.empty() && out.back() == "EOF") out.pop_back();
    return out;
  }
  const vn::platform::Bitmap& Resource(int32_t index) {
    const auto* g = dynamic_cast<const TvnBitmapGraphic*>(engine.GetImageResource(index).Graphic);
    EXPECT_NE(g, nullptr);
    static const vn::platform::Bitmap empty;
    return g ? g->Bitmap() : empty;
  }
  std::string Diagnostics() const {
    std::string s;
    for (const auto& d : processor->Diagnostics().Kept()) s += d.message + ";";
    return s;
  }
  RecordingEngine engine;
  std::unique_ptr<TvnMetafileProcessor> processor;
};

// ---- coordinates

TEST_F(Player, TransformsPointsByMappingAndWorldTransform) {
  struct Case {
    const char* name;
    std::function<void(EmfBuilder&)> state;
    TvnPoint in, out;
  };
  const Case cases[] = {
      {"text mapping", [](EmfBuilder&) {}, {12, 34}, {12, 34}},
      {"anisotropic",
       [](EmfBuilder& b) {
         b.U32(EMR_SETMAPMODE, MM_ANISOTROPIC).Point(EMR_SETWINDOWEXTEX, 1000, 1000).Point(EMR_SETVIEWPORTEXTEX, 500, 250);
       },
       {200, 400},
       {100, 100}},
      {"window and viewport origins",
       [](EmfBuilder& b) {
         b.U32(EMR_SETMAPMODE, MM_ANISOTROPIC).Point(EMR_SETWINDOWEXTEX, 10, 10).Point(EMR_SETVIEWPORTEXTEX, 20, 20);
         b.Point(EMR_SETWINDOWORGEX, 5, 5).Point(EMR_SETVIEWPORTORGEX, 7, 9);
       },
       {6, 6},
       {9, 11}},
      {"world scale 2", [](EmfBuilder& b) { b.XForm(EMR_SETWORLDTRANSFORM, {2, 0, 0, 2, 0, 0}); }, {3, 4}, {6, 8}},
      {"world shift", [](EmfBuilder& b) { b.XForm(EMR_SETWORLDTRANSFORM, {1, 0, 0, 1, 10, 0}); }, {3, 4}, {13, 4}},
      {"shift applied after scale (left multiply)",
       [](EmfBuilder& b) {
         b.XForm(EMR_SETWORLDTRANSFORM, {1, 0, 0, 1, 10, 0});
         b.XForm(EMR_MODIFYWORLDTRANSFORM, {2, 0, 0, 2, 0, 0}, MWT_LEFTMULTIPLY);
       },
       {3, 4},
       {16, 8}},
      {"scale applied after shift (right multiply)",
       [](EmfBuilder& b) {
         b.XForm(EMR_SETWORLDTRANSFORM, {1, 0, 0, 1, 10, 0});
         b.XForm(EMR_MODIFYWORLDTRANSFORM, {2, 0, 0, 2, 0, 0}, MWT_RIGHTMULTIPLY);
       },
       {3, 4},
       {26, 8}},
      {"zero window extent keeps the factors",
       [](EmfBuilder& b) {
         b.U32(EMR_SETMAPMODE, MM_ANISOTROPIC).Point(EMR_SETWINDOWEXTEX, 100, 100).Point(EMR_SETVIEWPORTEXTEX, 50, 50);
         b.Point(EMR_SETWINDOWEXTEX, 0, 0);
       },
       {10, 10},
       {5, 5}},
      {"scale with zero denominator is ignored",
       [](EmfBuilder& b) {
         b.U32(EMR_SETMAPMODE, MM_ANISOTROPIC).Point(EMR_SETWINDOWEXTEX, 100, 100).Point(EMR_SETVIEWPORTEXTEX, 50, 50);
         emf::RecordBuilder s;
         s.I32(1), s.I32(0), s.I32(1), s.I32(0);
         b.Raw(EMR_SCALEWINDOWEXTEX, s);
       },
       {10, 10},
       {5, 5}},
      {"scale window extent",
       [](EmfBuilder& b) {
         b.U32(EMR_SETMAPMODE, MM_ANISOTROPIC).Point(EMR_SETWINDOWEXTEX, 100, 100).Point(EMR_SETVIEWPORTEXTEX, 100, 100);
         emf::RecordBuilder s;
         s.I32(2), s.I32(1), s.I32(4), s.I32(1);
         b.Raw(EMR_SCALEWINDOWEXTEX, s);
       },
       {40, 40},
       {20, 10}},
  };
  for (const Case& c : cases) {
    EmfBuilder b;
    c.state(b);
    Play(b.Metafile());
    EXPECT_EQ(processor->TransformPoint(c.in.X, c.in.Y), c.out) << c.name;
  }
}

TEST_F(Player, StartOffsetAndInputResolution) {
  engine.EndDoc();
  engine.SetInputXRes(192);
  engine.SetInputYRes(192);
  engine.BeginDoc();
  EmfBuilder b;
  b.Rect(EMR_RECTANGLE, 10, 20, 30, 40);
  EXPECT_EQ(Play(b.Metafile(), 100, 200), Lines{"Shape Rectangle pen 000000/1/0 brush FFFFFF/0 105,210 115,220"});
}

// ---- shapes

TEST_F(Player, ShapesGolden) {
  EmfBuilder b;
  b.Pen(1, PS_DASH, 3, 0x0000FF).U32(EMR_SELECTOBJECT, 1);
  b.Brush(2, 0x00FF00).U32(EMR_SELECTOBJECT, 2);
  b.Poly(EMR_POLYLINE, {{1, 2}, {3, 4}});
  b.Poly(EMR_POLYLINE16, {{1, 2}, {3, 4}}, true);
  b.Poly(EMR_POLYGON, {{0, 0}, {5, 0}, {5, 5}});
  b.Point(EMR_MOVETOEX, 10, 10).Poly(EMR_POLYLINETO, {{20, 10}, {20, 20}});
  b.Point(EMR_LINETO, 30, 30);
  b.Poly(EMR_POLYBEZIERTO16, {{31, 30}, {32, 30}, {33, 33}}, true);
  b.Rect(EMR_ELLIPSE, 0, 0, 10, 20);
  emf::RecordBuilder rr;
  rr.Rect({0, 0, 50, 50}), rr.Size({10, 10});
  b.Raw(EMR_ROUNDRECT, rr);
  emf::RecordBuilder arc;
  arc.Rect({0, 0, 40, 40}), arc.Point({40, 20}), arc.Point({20, 0});
  b.Raw(EMR_PIE, arc);
  b.PolyPoly(EMR_POLYPOLYGON, {3, 3}, {{0, 0}, {9, 0}, {9, 9}, {20, 20}, {29, 20}, {29, 29}});
  b.U32(EMR_SETPOLYFILLMODE, WINDING);
  b.PolyPoly(EMR_POLYPOLYGON, {3}, {{0, 0}, {9, 0}, {9, 9}});
  b.PolyPoly(EMR_POLYPOLYLINE, {2, 2}, {{0, 0}, {1, 1}, {2, 2}, {3, 3}});
  emf::RecordBuilder draw;
  draw.Rect({}), draw.U32(3), draw.U16(1), draw.U16(1), draw.U16(5), draw.U16(1), draw.U16(5), draw.U16(5);
  draw.U8(PT_MOVETO), draw.U8(PT_LINETO), draw.U8(PT_LINETO | PT_CLOSEFIGURE), draw.PadTo4();
  b.Raw(EMR_POLYDRAW16, draw);
  b.U32(EMR_SETROP2, 11).Rect(EMR_RECTANGLE, 1, 1, 2, 2);
  EXPECT_EQ(Play(b.Metafile(), 0, 100), (Lines{
      "Shape PolyLine pen 0000FF/3/1 brush 00FF00/0 1,102 3,104",
      "Shape PolyLine pen 0000FF/3/1 brush 00FF00/0 1,102 3,104",
      "Shape Polygon pen 0000FF/3/1 brush 00FF00/0 0,100 5,100 5,105",
      "Shape PolyLine pen 0000FF/3/1 brush 00FF00/0 10,110 20,110 20,120",
      "Shape Line pen 0000FF/3/1 brush 00FF00/0 20,120 30,130",
      "Shape PolyBezier pen 0000FF/3/1 brush 00FF00/0 30,130 31,130 32,130 33,133",
      "Shape Ellipse pen 0000FF/3/1 brush 00FF00/0 0,100 10,120",
      "Shape RoundRect pen 0000FF/3/1 brush 00FF00/0 0,100 50,150 10,10",
      "Shape Pie pen 0000FF/3/1 brush 00FF00/0 0,100 40,140 40,120 20,100",
      "PolyPolygon 2 counts 6 3 3 alternate 0,100 9,100 9,109 20,120 29,120 29,129",
      "PolyPolygon 1 counts 3 3 winding 0,100 9,100 9,109",
      "PolyShape 2",
      "  Shape PolyLine pen 0000FF/3/1 brush 00FF00/0 0,100 1,101",
      "  Shape PolyLine pen 0000FF/3/1 brush 00FF00/0 2,102 3,103",
      "PolyDraw ops 6 2 3 pen 0000FF/3/1 1,101 5,101 5,105",
      "Shape Rectangle pen FFFFFF/3/1 brush 00FF00/0 1,101 2,102",
  }));
  EXPECT_EQ(Diagnostics(), "");
}

TEST_F(Player, FillRegionPaintsEachRectangleWithTheBrushOfTheRecord) {
  EmfBuilder b;
  b.Brush(1, 0x0000FF).Brush(2, 0xFF0000);
  emf::RecordBuilder r;
  r.Rect({0, 0, 29, 9});
  r.U32(32 + 2 * 16);
  r.U32(1);
  WriteRegionData(r, {{0, 0, 10, 5}, {20, 5, 30, 10}});
  b.Raw(EMR_FILLRGN, r);
  EXPECT_EQ(Play(b.Metafile(), 1, 1), (Lines{
      "Shape Rectangle pen 000000/0/5 brush 0000FF/0 1,1 11,6",
      "Shape Rectangle pen 000000/0/5 brush 0000FF/0 21,6 31,11",
  }));
}

// ---- objects and states

TEST_F(Player, StockObjectsAndColours) {
  struct Case {
    uint32_t stock;
    const char* shape;
  };
  const Case cases[] = {
      {DKGRAY_BRUSH, "Shape Rectangle pen 000000/1/0 brush 404040/0 0,0 1,1"},
      {LTGRAY_BRUSH, "Shape Rectangle pen 000000/1/0 brush C0C0C0/0 0,0 1,1"},
      {NULL_BRUSH, "Shape Rectangle pen 000000/1/0 brush FFFFFF/1 0,0 1,1"},
      {NULL_PEN, "Shape Rectangle pen 000000/1/5 brush FFFFFF/0 0,0 1,1"},
      {WHITE_PEN, "Shape Rectangle pen FFFFFF/1/0 brush FFFFFF/0 0,0 1,1"},
      {DEFAULT_GUI_FONT, "Shape Rectangle pen 000000/1/0 brush FFFFFF/0 0,0 1,1"},
  };
  for (const Case& c : cases) {
    EmfBuilder b;
    b.U32(EMR_SELECTOBJECT, kStockObjectFlag | c.stock).Rect(EMR_RECTANGLE, 0, 0, 1, 1);
    engine.GetPageItem(0)->DocumentItems.clear();
    EXPECT_EQ(Play(b.Metafile()), Lines{c.shape}) << c.stock;
  }
  // A palette-relative colour is drawn black.
  EmfBuilder b;
  b.Pen(1, PS_SOLID, 1, 0x01000005).U32(EMR_SELECTOBJECT, 1).Rect(EMR_RECTANGLE, 0, 0, 1, 1);
  engine.GetPageItem(0)->DocumentItems.clear();
  EXPECT_EQ(Play(b.Metafile()), Lines{"Shape Rectangle pen 000000/1/0 brush FFFFFF/0 0,0 1,1"});
}

TEST_F(Player, ObjectTableIndicesAndDeletion) {
  EmfBuilder b;
  b.Brush(1, 0x000001).Brush(2, 0x000002);
  b.Brush(5, 0x000005);      // appended as the third entry
  b.U32(EMR_SELECTOBJECT, 5).Rect(EMR_RECTANGLE, 0, 0, 1, 1);  // nothing at 5: the brush stays white
  b.U32(EMR_SELECTOBJECT, 3).Rect(EMR_RECTANGLE, 0, 0, 1, 1);
  b.U32(EMR_DELETEOBJECT, 2).U32(EMR_SELECTOBJECT, 2).Rect(EMR_RECTANGLE, 0, 0, 1, 1);  // deleted: nothing selected
  b.Brush(2, 0x000022).U32(EMR_SELECTOBJECT, 2).Rect(EMR_RECTANGLE, 0, 0, 1, 1);        // replaced in place
  EXPECT_EQ(Play(b.Metafile()), (Lines{
      "Shape Rectangle pen 000000/1/0 brush FFFFFF/0 0,0 1,1",
      "Shape Rectangle pen 000000/1/0 brush 000005/0 0,0 1,1",
      "Shape Rectangle pen 000000/1/0 brush 000005/0 0,0 1,1",
      "Shape Rectangle pen 000000/1/0 brush 000022/0 0,0 1,1",
  }));
}

TEST_F(Player, SavedStatesRestoreByRelativeIndex) {
  EmfBuilder b;
  b.Brush(1, 0x000001).Brush(2, 0x000002).Brush(3, 0x000003);
  b.U32(EMR_SELECTOBJECT, 1).Bare(EMR_SAVEDC);
  b.U32(EMR_SELECTOBJECT, 2).Bare(EMR_SAVEDC);
  b.U32(EMR_SELECTOBJECT, 3);
  b.U32(EMR_RESTOREDC, static_cast<uint32_t>(-1)).Rect(EMR_RECTANGLE, 0, 0, 1, 1);  // the newer state
  b.U32(EMR_RESTOREDC, static_cast<uint32_t>(-1)).Rect(EMR_RECTANGLE, 0, 0, 1, 1);  // the older one stayed
  b.U32(EMR_RESTOREDC, static_cast<uint32_t>(-1)).Rect(EMR_RECTANGLE, 0, 0, 1, 1);  // empty stack: nothing
  EXPECT_EQ(Play(b.Metafile()), (Lines{
      "Clip restore",
      "Shape Rectangle pen 000000/1/0 brush 000002/0 0,0 1,1",
      "Clip restore",
      "Shape Rectangle pen 000000/1/0 brush 000001/0 0,0 1,1",
      "Clip restore",
      "Shape Rectangle pen 000000/1/0 brush 000001/0 0,0 1,1",
  }));
}

// ---- paths and clips

TEST_F(Player, PathsGolden) {
  EmfBuilder b;
  b.Brush(1, 0x123456).U32(EMR_SELECTOBJECT, 1);
  b.Bare(EMR_BEGINPATH).Poly(EMR_POLYGON, {{0, 0}, {4, 0}, {4, 4}}).Bare(EMR_CLOSEFIGURE).Bare(EMR_ENDPATH);
  b.Rect(EMR_FILLPATH, 0, 0, 4, 4);
  b.U32(EMR_SETPOLYFILLMODE, WINDING).Rect(EMR_STROKEANDFILLPATH, 0, 0, 4, 4);
  b.Rect(EMR_STROKEPATH, 0, 0, 4, 4);
  b.U32(EMR_SELECTCLIPPATH, RGN_AND).Bare(EMR_ABORTPATH);
  EXPECT_EQ(Play(b.Metafile()), (Lines{
      "Path Begin",
      "Shape Polygon pen 000000/1/0 brush 123456/0 0,0 4,0 4,4",
      "Path CloseFigure",
      "Path End",
      "Path Fill alternate brush 123456",
      "Path StrokeAndFill winding brush 123456",
      "Path Stroke winding brush 123456",
      "Path SelectClip mode 1",
      "Path Abort",
  }));
}

TEST_F(Player, ClipsGolden) {
  EmfBuilder b;
  b.ClipRegion(RGN_AND, {{0, 0, 10, 10}, {20, 0, 30, 10}, {0, 20, 10, 30}});
  b.ClipRegion(RGN_COPY, {{5, 5, 15, 15}});  // replaces: the earlier clip is taken back first
  b.Rect(EMR_INTERSECTCLIPRECT, 1, 2, 3, 4);
  b.Bare(EMR_SAVEDC);
  b.ClipRegion(RGN_AND, {{0, 0, 2, 2}});
  b.U32(EMR_RESTOREDC, static_cast<uint32_t>(-1));  // back to the clips of the saved state
  b.ClipRegion(RGN_COPY, {});                        // no region: the page's clip
  EXPECT_EQ(Play(b.Metafile(), 100, 0), (Lines{
      "Clip mode 1 [100,0,130,30] [100,0,110,10] [120,0,130,10] [100,20,110,30]",
      "Clip restore",
      "Clip mode 5 [105,5,115,15]",
      "Clip mode 1 [101,2,103,4]",
      "Clip mode 1 [100,0,102,2]",
      "Clip restore",
      "Clip mode 5 [105,5,115,15]",
      "Clip mode 1 [101,2,103,4]",
      "Clip restore",
  }));
}

// ---- text

TEST_F(Player, TextWithAdvancesAndAlignmentGolden) {
  EmfBuilder b;
  b.Font(1, u"Arial", -16).U32(EMR_SELECTOBJECT, 1);
  b.U32(EMR_SETTEXTCOLOR, 0x0000FF).U32(EMR_SETBKCOLOR, 0x00FFFF);
  b.Text(10, 20, u"AB", {7, 9});
  b.U32(EMR_SETTEXTALIGN, 24).Text(10, 20, u"base", {1, 1, 1, 1});       // baseline: the ascent (14 pixels) up
  b.U32(EMR_SETTEXTALIGN, 24 | 2).Text(100, 20, u"right", {2, 2, 2, 2, 2});  // baseline, right: 10 left
  b.U32(EMR_SETTEXTALIGN, 6).U32(EMR_SETBKMODE, TRANSPARENT).Text(100, 50, u"mid", {4, 4, 4});
  b.U32(EMR_SETTEXTALIGN, 0).Text(0, 0, u"pairs", {3, 0, 3, 0, 3, 0, 3, 0, 3, 0}, ETO_PDY);
  b.Text(0, 0, u"clip", {}, ETO_CLIPPED, {1, 2, 30, 40});
  b.U32(EMR_SETBKMODE, OPAQUE).Text(0, 0, u"", {}, ETO_OPAQUE, {0, 0, 8, 8});
  b.Text(0, 0, u"x\u20ACy", {5, 5, 5});  // a character above 255: a wide text, which Arial shows
  b.Text(0, 0, u"x\u4F60", {5, 5});     // a character Arial lacks: the font of last resort
  b.Text(0, 0, u"a\u0081b");              // undefined in the code page: removed
  EXPECT_EQ(Play(b.Metafile()), (Lines{
      "Text \"AB\" @10,20 font Arial/12/0/0000FF brush 00FFFF/0 align 0 rot 0 dx 7 9",
      "Text \"base\" @10,6 font Arial/12/0/0000FF brush 00FFFF/0 align 0 rot 0 dx 1 1 1 1",
      "Text \"right\" @90,6 font Arial/12/0/0000FF brush 00FFFF/0 align 1 rot 0 dx 2 2 2 2 2",
      "Text \"mid\" @94,50 font Arial/12/0/0000FF brush 00FFFF/1 align 2 rot 0 dx 4 4 4",
      "Text \"pairs\" @0,0 font Arial/12/0/0000FF brush 00FFFF/1 align 0 rot 0 dx 3 3 3 3 3",
      "Text \"clip\" @0,0 font Arial/12/0/0000FF brush 00FFFF/1 align 0 rot 0 clip 1,2,30,40",
      "Shape Rectangle pen 000000/1/5 brush 00FFFF/0 0,0 8,8",
      "Text \"x€y\" @0,0 font Arial/12/0/0000FF brush 00FFFF/0 align 0 rot 0 wide dx 5 5 5",
      "Text \"x你\" @0,0 font Arial Unicode MS/12/161/0000FF brush 00FFFF/0 align 0 rot 0 wide dx 5 5",
      "Text \"ab\" @0,0 font Arial/12/0/0000FF brush 00FFFF/0 align 0 rot 0",
  }));
}

TEST_F(Player, FontWeightEscapementAndAnsiText) {
  EmfBuilder b;
  b.Font(1, u"Arial", -16, 600, 0, 900).U32(EMR_SELECTOBJECT, 1);
  emf::EmrExtTextOut t;
  t.reference = {5, 5};
  t.text = u"\xE9t\xE9";
  emf::RecordBuilder body;
  // EXTTEXTOUTA: the same layout with one byte per character.
  body.Rect({}), body.U32(GM_COMPATIBLE), body.F32(0), body.F32(0), body.Point({5, 5});
  body.U32(3), body.U32(76), body.U32(0), body.Rect({0, 0, -1, -1}), body.U32(0);
  body.U8(0xE9), body.U8('t'), body.U8(0x80), body.PadTo4();
  b.Raw(EMR_EXTTEXTOUTA, body);
  EXPECT_EQ(Play(b.Metafile()), Lines{"Text \"\xC3\xA9t\xE2\x82\xAC\" @5,5 font Arial/12/0/000000/bold brush FFFFFF/0 align 0 rot 90"});
}

TEST_F(Player, TextFromTheCurrentPositionFollowsOnePieceAfterTheOther) {
  EmfBuilder b;
  b.Font(1, u"Arial", -16).U32(EMR_SELECTOBJECT, 1).U32(EMR_SETTEXTALIGN, 1);
  b.Point(EMR_MOVETOEX, 10, 10);
  for (const char16_t* piece : {u"W", u"i", u"W"}) b.Text(0, 0, piece, {1});
  Play(b.Metafile());
  const auto& items = engine.GetPageItem(0)->DocumentItems;
  ASSERT_EQ(items.size(), 4u);
  auto x = [&](size_t i) { return static_cast<const TvnTextItem&>(*items[i]).X; };
  const auto font = vn::platform::GdiFont::Create({u"Arial", -16});
  EXPECT_EQ(x(0), 10);
  EXPECT_EQ(x(1), 10 + font->TextExtent(u"W").Width);
  EXPECT_EQ(x(2), 10 + font->TextExtent(u"W").Width + font->TextExtent(u"i").Width);
}

TEST_F(Player, GlyphIndexTextBecomesCharactersOnlyInTheFaceItNames) {
  const auto face = vn::platform::GdiFont::Create({u"Liberation Sans", -16});
  ASSERT_FALSE(face->Match().Substituted);
  const String glyphs{static_cast<char16_t>(face->GlyphIndex(U'H')), static_cast<char16_t>(face->GlyphIndex(U'\u00E9'))};
  EmfBuilder b;
  b.Text(0, 0, glyphs, {5, 5}, ETO_GLYPH_INDEX | ETO_OPAQUE, {0, 0, 4, 4});  // the default font: a stand-in face
  b.Font(1, u"Liberation Sans", -16).U32(EMR_SELECTOBJECT, 1).Text(0, 0, glyphs, {5, 5}, ETO_GLYPH_INDEX);
  EXPECT_EQ(Play(b.Metafile()), (Lines{
      "Shape Rectangle pen 000000/1/5 brush FFFFFF/0 0,0 4,4",
      "Text \"H\xC3\xA9\" @0,0 font Liberation Sans/12/0/000000 brush FFFFFF/0 align 0 rot 0 dx 5 5",
  }));
  EXPECT_EQ(Diagnostics(), "text given as glyph indices of a font that is not installed is not played;");
}

// The texts of the text items of a page.
std::vector<String> Texts(const TvnItemList& items) {
  std::vector<String> texts;
  for (const auto& item : items)
    if (item->Kind() == TvnItemKind::Text) {
      const auto& t = static_cast<const TvnTextItem&>(*item);
      texts.push_back(t.Lines.Count() ? t.Lines.GetString(0) : String());
    }
  return texts;
}

// Before any font is selected, and in a stock font, text is in the
// device's default font, which is no symbol font: characters stay whole.
TEST_F(Player, TextWithoutASelectedFontKeepsWholeCharacters) {
  EmfBuilder b;
  b.Text(0, 0, u"\u20AC\u0141");
  b.U32(EMR_SELECTOBJECT, kStockObjectFlag | DEVICE_DEFAULT_FONT).Text(0, 20, u"\u20AC");
  Play(b.Metafile());
  EXPECT_EQ(Texts(engine.GetPageItem(0)->DocumentItems), (std::vector<String>{u"\u20AC\u0141", u"\u20AC"}));
}

// ---- bitmaps

TEST_F(Player, StretchedBitmapsGolden) {
  const emf::DibData pic = Dib(4, 3, {0xFF0000, 0x00FF00, 0x0000FF});
  EmfBuilder b;
  b.StretchDIBits(pic, 0, 0, 4, 3, 4, 3);    // its own size: the bitmap's size, one resource
  b.StretchDIBits(pic, 10, 10, 8, 6, 4, 3);  // stretched to twice the size: the same resource
  b.U32(EMR_SETSTRETCHBLTMODE, 4).StretchDIBits(pic, 30, 30, 2, 2, 4, 3);
  EXPECT_EQ(Play(b.Metafile(), 5, 5), (Lines{
      "Image #0 5,5 4x3 display 5,5 9,8 stretch",
      "Image #0 15,15 8x6 display 15,15 23,21 stretch",
      "Image #0 35,35 2x2 display 35,35 37,37 stretch",
  }));
  const vn::platform::Bitmap& bmp = Resource(0);
  ASSERT_EQ(bmp.Width(), 4);
  ASSERT_EQ(bmp.Height(), 3);
  EXPECT_EQ(bmp.Pixel(0, 0), (vn::platform::BGRA{0, 0, 255, 255}));
  EXPECT_EQ(bmp.Pixel(1, 0), (vn::platform::BGRA{0, 255, 0, 255}));
}

// Bitmaps of a megabyte and more are digested beside their decoding: equal
// ones still share a resource, a differing one gets its own, and a damaged
// one is skipped without disturbing the next.
TEST_F(Player, LargeEqualBitmapsShareOneResource) {
  const emf::DibData big = Dib(700, 600, {0x102030, 0x405060, 0x708090});
  emf::DibData changed = big;
  changed.bits[1000] = '\x7F';
  emf::DibData damaged = big;
  damaged.info[14] = 7;  // no bitmap has 7 bits a pixel
  EmfBuilder b;
  b.StretchDIBits(big, 0, 0, 700, 600, 700, 600);
  b.StretchDIBits(changed, 800, 0, 700, 600, 700, 600);
  b.StretchDIBits(damaged, 1600, 0, 700, 600, 700, 600);
  b.StretchDIBits(big, 10, 700, 350, 300, 700, 600);
  EXPECT_EQ(Play(b.Metafile()), (Lines{
      "Image #0 0,0 700x600 display 0,0 700,600 stretch",
      "Image #1 800,0 700x600 display 800,0 1500,600 stretch",
      "Image #0 10,700 350x300 display 10,700 360,1000 stretch",
  }));
  // Byte 1000 of the bottom row is the green of its pixel 333 (colour 0x708090).
  EXPECT_EQ(Resource(1).Pixel(333, 599), (vn::platform::BGRA{0x90, 0x7F, 0x70, 255}));
}

TEST_F(Player, JpegBitmapPassesThroughUndecoded) {
  vn::platform::Bitmap photo(6, 4, vn::platform::PixelFormat::pf24bit);
  const std::string jpeg = vn::platform::EncodeJpeg(photo);
  EmfBuilder b;
  b.StretchDIBits(vn::platform::MakeJpegDib(jpeg, 6, 4), 10, 20, 12, 8, 6, 4);
  b.StretchDIBits(vn::platform::MakeJpegDib("not a jpeg", 6, 4), 10, 20, 12, 8, 6, 4);
  // A stray byte after the start marker: libjpeg would read past it, but
  // the data are no JPEG a reader takes, and the raster road skips them.
  std::string stray = jpeg;
  stray.insert(2, 1, '\xA3');
  b.StretchDIBits(vn::platform::MakeJpegDib(stray, 6, 4), 10, 20, 12, 8, 6, 4);
  EXPECT_EQ(Play(b.Metafile()), Lines{"ImageStream #0 10,20 12x8 display 10,20 22,28 stretch jpeg 6x4 " +
                                      std::to_string(jpeg.size()) + " bytes"});
  const auto& item = static_cast<const TvnImageStream&>(*engine.GetPageItem(0)->DocumentItems[0]);
  vn::TMemoryStream& s = const_cast<vn::TMemoryStream&>(item.Stream);
  std::string bytes(static_cast<size_t>(s.Size()), '\0');
  s.SetPosition(0);
  s.ReadBuffer(bytes.data(), s.Size());
  EXPECT_EQ(bytes, jpeg);
  EXPECT_NE(Diagnostics().find("JPEG"), std::string::npos) << Diagnostics();
}

TEST_F(Player, RasterOperationsCombineBlitsOnOnePlace) {
  const emf::DibData red = Dib(2, 2, {0xFF0000}), blue = Dib(2, 2, {0x0000FF});
  EmfBuilder b;
  b.Blt(EMR_BITBLT, 3, 3, 2, 2, SRCCOPY, red);
  b.Blt(EMR_BITBLT, 3, 3, 2, 2, SRCAND, blue);    // ignored
  b.Blt(EMR_BITBLT, 3, 3, 2, 2, SRCPAINT, blue);  // combines: red | blue
  b.Blt(EMR_BITBLT, 3, 3, 2, 2, SRCINVERT, red);  // combines: (red | blue) ^ red
  b.Blt(EMR_BITBLT, 9, 9, 2, 2, 0x330008, red);   // NOTSRCCOPY elsewhere: a new image
  EXPECT_EQ(Play(b.Metafile()), (Lines{
      "Image #0 3,3 2x2 display 3,3 5,5 stretch",
      "Image #1 9,9 2x2 display 9,9 11,11 stretch",
  }));
  EXPECT_EQ(Resource(0).Pixel(1, 1), (vn::platform::BGRA{255, 0, 0, 255}));
  EXPECT_EQ(Resource(1).Pixel(0, 0), (vn::platform::BGRA{255, 255, 0, 255}));
}

// Equal pictures drawn at two places share one resource; what is combined
// onto the second place afterwards (a raster operation, the icon pattern's
// AND, scan lines below it) must not change the first.
TEST_F(Player, CombiningOntoASharedPictureLeavesItsOtherPlacesAlone) {
  const emf::DibData red = Dib(2, 2, {0xFF0000}), blue = Dib(2, 2, {0x0000FF});
  using vn::platform::BGRA;
  const struct {
    std::function<void(EmfBuilder&)> combine;
    BGRA second;  // pixel (1, 1) of the second place
    int height;   // of the second place's picture
  } cases[] = {
      {[&](EmfBuilder& b) { b.Blt(EMR_BITBLT, 9, 9, 2, 2, SRCPAINT, blue); }, {255, 0, 255, 255}, 2},
      {[&](EmfBuilder& b) { b.Blt(EMR_STRETCHBLT, 9, 9, 2, 2, SRCAND, blue, 2, 2); }, {0, 0, 0, 255}, 2},
      {[&](EmfBuilder& b) { b.Blt(EMR_BITBLT, 9, 9, 2, 2, SRCINVERT, blue); }, {255, 0, 255, 255}, 2},
      {[&](EmfBuilder& b) { b.ScanLines({9, 9, 10, 10}, 9, 11, 2, 2, 2, 2, blue); }, {0, 0, 255, 255}, 4},
  };
  for (size_t c = 0; c < std::size(cases); ++c) {
    SCOPED_TRACE(c);
    engine.EndDoc();
    engine.BeginDoc();
    EmfBuilder b;
    b.Blt(EMR_BITBLT, 3, 3, 2, 2, SRCCOPY, red);
    b.Blt(EMR_BITBLT, 9, 9, 2, 2, SRCCOPY, red);
    cases[c].combine(b);
    ASSERT_EQ(Play(b.Metafile()).size(), 2u);
    const auto& items = engine.GetPageItem(0)->DocumentItems;
    const vn::platform::Bitmap& first = Resource(static_cast<const TvnImageItem&>(*items[0]).IndexNo);
    EXPECT_EQ(first.Height(), 2);
    EXPECT_EQ(first.Pixel(1, 1), (BGRA{0, 0, 255, 255}));
    const vn::platform::Bitmap& second = Resource(static_cast<const TvnImageItem&>(*items[1]).IndexNo);
    EXPECT_EQ(second.Height(), cases[c].height);
    EXPECT_EQ(second.Pixel(1, 1), cases[c].second);
  }
}

TEST_F(Player, StretchBltAndScanLineBands) {
  const emf::DibData top = Dib(3, 2, {0x111111}), bottom = Dib(3, 1, {0x222222});
  EmfBuilder b;
  b.Blt(EMR_STRETCHBLT, 0, 0, 6, 4, SRCCOPY, top, 3, 2);
  b.ScanLines({20, 0, 22, 2}, 20, 0, 3, 3, 0, 2, top);
  b.ScanLines({20, 0, 22, 2}, 20, 0, 3, 3, 2, 1, bottom);
  EXPECT_EQ(Play(b.Metafile()), (Lines{
      "Image #0 0,0 6x4 display 0,0 6,4 stretch",
      "Image #1 20,0 3x3 display 20,0 23,3 stretch",
  }));
  const vn::platform::Bitmap& joined = Resource(1);
  ASSERT_EQ(joined.Height(), 3);
  EXPECT_EQ(joined.Pixel(0, 0), (vn::platform::BGRA{0x11, 0x11, 0x11, 255}));
  EXPECT_EQ(joined.Pixel(0, 2), (vn::platform::BGRA{0x22, 0x22, 0x22, 255}));
}

TEST_F(Player, ScanLinesWithACoreHeaderDecode) {
  // BITMAPCOREHEADER: size 12, 16-bit width and height, planes, bit count;
  // 3 x 2 pixels of 24 bits, rows padded to 12 bytes.
  emf::DibData dib;
  emf::RecordBuilder h;
  h.U32(12), h.U16(3), h.U16(2), h.U16(1), h.U16(24);
  dib.info = h.bytes();
  dib.bits = std::string(24, '\x33');
  EmfBuilder b;
  b.ScanLines({0, 0, 2, 1}, 0, 0, 3, 2, 0, 2, dib);
  EXPECT_EQ(Play(b.Metafile()), (Lines{"Image #0 0,0 3x2 display 0,0 3,2 stretch"}));
  EXPECT_EQ(Diagnostics(), "");
  EXPECT_EQ(Resource(0).Pixel(2, 1), (vn::platform::BGRA{0x33, 0x33, 0x33, 255}));
}

TEST_F(Player, PatternBrushFillsWithTilesBetweenClips) {
  EmfBuilder b;
  b.DibBrush(1, Dib(8, 8, {0x00FF00, 0x000000})).U32(EMR_SELECTOBJECT, 1);
  b.Blt(EMR_BITBLT, 0, 0, 20, 20, PATCOPY);
  b.Brush(2, 0x0000FF).U32(EMR_SELECTOBJECT, 2).Blt(EMR_BITBLT, 0, 0, 5, 5, BLACKNESS);
  Lines expected = {"Shape Rectangle pen 000000/1/5 brush FFFFFF/0 0,0 20,20", "Clip mode 1 [0,0,20,20]"};
  for (int y : {0, 8, 16})
    for (int x : {0, 8, 16})
      expected.push_back("Image #0 " + std::to_string(x) + "," + std::to_string(y) + " 8x8 display " + std::to_string(x) + "," +
                         std::to_string(y) + " " + std::to_string(x + 8) + "," + std::to_string(y + 8) + " stretch");
  expected.push_back("Clip restore");
  expected.push_back("Shape Rectangle pen 000000/1/5 brush 000000/0 0,0 5,5");
  EXPECT_EQ(Play(b.Metafile()), expected);
  EXPECT_EQ(Resource(0).Width(), 8);
}

TEST_F(Player, PatternFillFarFromTheOriginEnds) {
  // Far out, adding a tile's width leaves the coordinate unchanged: the
  // tiles are counted instead (here 4096 in one row).
  EmfBuilder b;
  b.DibBrush(1, Dib(8, 8, {0x00FF00, 0x000000})).U32(EMR_SELECTOBJECT, 1);
  b.XForm(EMR_SETWORLDTRANSFORM, {32768, 0, 0, 1, 1e20f, 0});
  b.Blt(EMR_BITBLT, 0, 0, 1, 8, PATCOPY);
  const Lines items = Play(b.Metafile());
  EXPECT_EQ(std::count_if(items.begin(), items.end(), [](const std::string& s) { return s.rfind("Image", 0) == 0; }), 4096);
}

TEST_F(Player, ShapesTakeTheEngineOpacityOfTheirTime) {
  engine.LineArtSettings().Opacity = 40;
  EmfBuilder b;
  b.Rect(EMR_RECTANGLE, 1, 2, 3, 4);
  Play(b.Metafile());
  engine.LineArtSettings().Opacity = 100;
  const auto& items = engine.GetPageItem(0)->DocumentItems;
  ASSERT_GE(items.size(), 1u);
  ASSERT_EQ(items[0]->Kind(), TvnItemKind::Shape);
  EXPECT_EQ(static_cast<const TvnShapeItem&>(*items[0]).LineArtSettings.Opacity, 40);
}

TEST_F(Player, BlitsWithoutBitmapBecomeRectangles) {
  EmfBuilder b;
  b.Brush(1, 0x00AA00).U32(EMR_SELECTOBJECT, 1);
  emf::EmrStretchDIBits s;
  s.bounds = {2, 2, 11, 5};
  emf::RecordBuilder r;
  s.Encode(r);
  b.Raw(EMR_STRETCHDIBITS, r);
  b.Blt(EMR_STRETCHBLT, 0, 0, 1, 1, PATCOPY);  // one pixel wide and high
  EXPECT_EQ(Play(b.Metafile()), (Lines{
      "Shape Rectangle pen FFFFFF/1/0 brush 00AA00/0 2,2 12,6",
      "Shape Rectangle pen FFFFFF/1/0 brush 00AA00/0 0,0 1,1",
  }));
}

TEST_F(Player, AlphaBlendKeepsTransparency) {
  emf::RecordBuilder h;
  h.U32(40), h.I32(2), h.I32(1), h.U16(1), h.U16(32), h.U32(BI_RGB), h.U32(8), h.U32(0), h.U32(0), h.U32(0), h.U32(0);
  emf::DibData dib{h.bytes(), std::string("\0\0\0\0\x40\0\0\x80", 8)};  // transparent; blue at half coverage
  EmfBuilder b;
  b.Blt(EMR_ALPHABLEND, 4, 4, 4, 2, 0x01FF0000, dib, 2, 1);            // AC_SRC_ALPHA, constant alpha 255
  b.Blt(EMR_TRANSPARENTBLT, 10, 4, 2, 2, 0x0000FF, Dib(2, 1, {0xFF0000, 0x00FF00}), 2, 1);  // red is transparent
  EXPECT_EQ(Play(b.Metafile()), (Lines{
      "Image #0 4,4 4x2 display 4,4 8,6 stretch",
      "Image #1 10,4 2x2 display 10,4 12,6 stretch",
  }));
  EXPECT_EQ(Resource(0).Pixel(0, 0).A, 0);
  EXPECT_EQ(Resource(0).Pixel(1, 0), (vn::platform::BGRA{127, 0, 0, 128}));
  EXPECT_EQ(Resource(1).Pixel(0, 0).A, 0);
  EXPECT_EQ(Resource(1).Pixel(1, 0), (vn::platform::BGRA{0, 255, 0, 255}));
}

// ---- damage

TEST_F(Player, DamagedRecordsAreDroppedAndReported) {
  EmfBuilder b;
  emf::RecordBuilder shortPoly;
  shortPoly.Rect({}), shortPoly.U32(1000), shortPoly.I32(1), shortPoly.I32(2);  // 1000 points promised, 1 given
  b.Raw(EMR_POLYLINE, shortPoly);
  emf::RecordBuilder counts;
  counts.Rect({}), counts.U32(2), counts.U32(2), counts.U32(5), counts.U32(5);  // counts beyond the points
  counts.I32(0), counts.I32(0), counts.I32(1), counts.I32(1);
  b.Raw(EMR_POLYPOLYGON, counts);
  emf::DibData bad = Dib(2, 2, {0});
  bad.bits.resize(3);  // fewer bits than the header needs
  b.StretchDIBits(bad, 0, 0, 2, 2, 2, 2);
  b.Bare(EMR_SETTEXTCOLOR);  // no value
  b.Rect(EMR_RECTANGLE, 0, 0, 1, 1);
  EXPECT_EQ(Play(b.Metafile()), Lines{"Shape Rectangle pen 000000/1/0 brush FFFFFF/0 0,0 1,1"});
  EXPECT_EQ(processor->Diagnostics().Count(), 4u) << Diagnostics();
}

TEST_F(Player, EveryCutOfAMetafilePlaysOrIsRefused) {
  EmfBuilder b;
  b.Font(1, u"Arial", -12).U32(EMR_SELECTOBJECT, 1).Text(1, 1, u"hi", {3, 3});
  b.DibBrush(2, Dib(2, 2, {0})).U32(EMR_SELECTOBJECT, 2).Blt(EMR_BITBLT, 0, 0, 4, 4, PATCOPY);
  b.StretchDIBits(Dib(3, 3, {0x123456}), 0, 0, 3, 3, 3, 3);
  b.ClipRegion(RGN_COPY, {{0, 0, 2, 2}, {3, 3, 4, 4}});
  const std::string whole = b.Metafile().Bytes;
  for (size_t n = 0; n < whole.size(); n += 3) {
    TMetafile cut;
    cut.Bytes = whole.substr(0, n);
    RecordingEngine e;
    e.SetMeasurementUnit(TvnUnitType::muPixels);
    e.BeginDoc();
    TvnMetafileProcessor p(e);
    try {
      p.Execute(cut, 0, 0);
    } catch (const EEmfError&) {
    }
  }
}

// ---- files of other writers

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST_F(Player, MetafilesWrittenByAnOfficeSuitePlayWithoutDamage) {
  const std::filesystem::path dir = std::filesystem::path(VN_FIXTURES_DIR) / "platform" / "emf";
  for (const char* name : {"libreoffice_shapes.emf", "libreoffice_shapes.wmf"}) {
    TMetafile mf;
    mf.Bytes = ReadFile(dir / name);
    ASSERT_FALSE(mf.Bytes.empty()) << name;
    engine.GetPageItem(0)->DocumentItems.clear();
    const Lines items = Play(mf);
    // The suite writes EMF+ beside the plain records; the plain ones play.
    for (const auto& d : processor->Diagnostics().Kept()) EXPECT_EQ(d.message, "EMF+ records are not played; their GDI records are") << name;
    EXPECT_GT(items.size(), 5u) << name;
    EXPECT_NE(std::find_if(items.begin(), items.end(), [](const std::string& s) { return s.rfind("Text", 0) == 0; }), items.end())
        << name;
  }
}

TEST_F(Player, CorpusMetafilesPlay) {
  const std::filesystem::path dir = std::filesystem::path(VN_CORPUS_DIR) / "emf";
  if (!std::filesystem::is_directory(dir)) GTEST_SKIP() << "no corpus";
  int played = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    TMetafile mf;
    mf.Bytes = ReadFile(entry.path());
    RecordingEngine e;
    e.SetMeasurementUnit(TvnUnitType::muPixels);
    e.BeginDoc();
    TvnMetafileProcessor p(e);
    try {
      p.Execute(mf, 0, 0);
      ++played;
    } catch (const EEmfError&) {
      // not a metafile at all
    }
  }
  EXPECT_GT(played, 40);
}

TEST_F(Player, DrawnBitmapsSitOnTheirOwnWhiteBrush) {
  engine.Brush().Color = 0x0000FF;
  engine.DrawImage(TvnRect{0, 0, 4, 4}, TvnBitmapGraphic(vn::platform::Bitmap(2, 2, vn::platform::PixelFormat::pf24bit)));
  engine.DrawImage(TvnRect{0, 0, 4, 4}, TestGraphic("x", 2, 2));
  const auto& items = engine.GetPageItem(0)->DocumentItems;
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(static_cast<const TvnImageItem&>(*items[0]).Brush.Color, clWhite);
  EXPECT_EQ(static_cast<const TvnImageItem&>(*items[1]).Brush.Color, 0x0000FFu);
  const auto* copy = dynamic_cast<const TvnBitmapGraphic*>(engine.GetImageResource(0).Graphic);
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->Width(), 2);
}

TEST(PlayerInstalled, EnginePlaysMetafilesThroughTheProcessor) {
  InstallMetafileProcessor();
  RecordingEngine e;
  e.SetMeasurementUnit(TvnUnitType::muPixels);
  e.BeginDoc();
  EmfBuilder b;
  b.Rect(EMR_RECTANGLE, 1, 2, 3, 4);
  e.PlayMetafile(5, 6, b.Metafile());
  e.EndDoc();
  SetMetafilePlayer(nullptr);
  EXPECT_NE(std::find(e.Log.begin(), e.Log.end(), "content Rectangle 6,8 8,10 filled"), e.Log.end());
}

}  // namespace
}  // namespace vn::exporter::testing::metafile_processor_test
