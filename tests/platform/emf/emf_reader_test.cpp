// Reading enhanced metafiles: the header, the record walk, the record
// decoders against damage, and the bitmaps records carry.
#include "platform/emf/emf_reader.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>

#include "platform/canvas/cairo_canvas.h"
#include "platform/canvas/metafile_player.h"
#include "platform/emf/dib.h"
#include "platform/emf/emf_writer.h"
#include "support/paths.h"
#include "support/pixels.h"

namespace vn::platform::emf::emf_reader_test {
namespace {

void Put32(std::string& s, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) s[at + i] = char(v >> (8 * i));
}

// A metafile of a green rectangle, then a text, then a blue ellipse.
std::string SmallMetafile() {
  EmfWriter w(100, 50);
  EmrCreateBrush green;
  green.ihBrush = w.AllocateHandle();
  green.color = 0x00A000;
  RecordBuilder b;
  green.Encode(b);
  w.Write(EMR_CREATEBRUSHINDIRECT, b);
  w.WriteU32(EMR_SELECTOBJECT, green.ihBrush);
  w.WriteRect(EMR_RECTANGLE, {0, 0, 40, 40});
  EmrExtTextOut t;
  t.reference = {50, 5};
  t.text = u"ab";
  t.dx = {7, 7};
  RecordBuilder tb;
  t.Encode(tb);
  w.Write(EMR_EXTTEXTOUTW, tb);
  EmrCreateBrush blue;
  blue.ihBrush = green.ihBrush;
  blue.color = 0xFF0000;
  w.WriteU32(EMR_SELECTOBJECT, kStockObjectFlag | WHITE_BRUSH);
  w.WriteU32(EMR_DELETEOBJECT, green.ihBrush);
  RecordBuilder bb;
  blue.Encode(bb);
  w.Write(EMR_CREATEBRUSHINDIRECT, bb);
  w.WriteU32(EMR_SELECTOBJECT, blue.ihBrush);
  w.WriteRect(EMR_ELLIPSE, {60, 10, 90, 40});
  return w.Finish();
}

size_t OffsetOf(const EmfFile& f, uint32_t type) {
  for (const auto& r : f.Records())
    if (r.type == type) return r.offset;
  return 0;
}

TEST(EmfFile, RejectsWhatIsNoMetafile) {
  std::string good = SmallMetafile();
  std::string badSignature = good;
  badSignature[40] = 'X';
  std::string headerPastEnd = good.substr(0, 60);
  for (const std::string& bytes : {std::string(), std::string("GIF89a"), std::string(200, '\0'), badSignature,
                                   headerPastEnd}) {
    try {
      EmfFile f(bytes);
      FAIL() << "accepted " << bytes.size() << " bytes";
    } catch (const EEmfError& e) {
      EXPECT_STREQ(e.what(), "Not an enhanced metafile");
    }
  }
}

TEST(EmfFile, HeaderAndRecordsOfTheWriter) {
  Diagnostics damage;
  EmfFile f(SmallMetafile(), &damage);
  EXPECT_TRUE(damage.Empty());
  EXPECT_EQ(f.Header().nRecords, f.Records().size());
  EXPECT_EQ(f.Header().nBytes, f.Bytes().size());
  EXPECT_EQ(f.Header().nHandles, 2);
  EXPECT_EQ(f.FramePixels(), (RectL{0, 0, 100, 50}));
  EXPECT_EQ(f.Records().front().type, EMR_HEADER);
  EXPECT_EQ(f.Records().back().type, EMR_EOF);
}

// Damage to a record's size ends the walk there; what came before stays.
TEST(EmfFile, DamagedRecordSizeEndsTheWalk) {
  const std::string good = SmallMetafile();
  const size_t text = OffsetOf(EmfFile(good), EMR_EXTTEXTOUTW);
  ASSERT_GT(text, 0u);
  struct Case {
    const char* what;
    std::function<void(std::string&)> damage;
  } cases[] = {
      {"size below eight", [&](std::string& s) { Put32(s, text + 4, 4); }},
      {"size not a multiple of four", [&](std::string& s) { Put32(s, text + 4, 82); }},
      {"size past the end", [&](std::string& s) { Put32(s, text + 4, 0x7FFFFFF0); }},
      {"size wrapping around", [&](std::string& s) { Put32(s, text + 4, 0xFFFFFFFC); }},
      {"file cut in the record", [&](std::string& s) { s.resize(text + 20); }},
      {"file cut in the prefix", [&](std::string& s) { s.resize(text + 6); }},
  };
  for (const auto& c : cases) {
    std::string bytes = good;
    c.damage(bytes);
    Diagnostics damage;
    EmfFile f(bytes, &damage);
    ASSERT_FALSE(damage.Empty()) << c.what;
    EXPECT_EQ(damage.Kept().front().offset, text) << c.what;
    EXPECT_EQ(f.Records().back().offset + f.Records().back().bytes.size(), text) << c.what;
    // It still plays what it has: the rectangle.
    CairoCanvas canvas(100, 50);
    PlayMetafile(f, canvas, {0, 0, 100, 50});
    EXPECT_EQ(canvas.PixelAt(20, 20), 0xFF00A000u) << c.what;
  }
}

// A record whose fields point outside it is skipped and reported; the
// records after it still play.
TEST(EmfFile, DamagedRecordContentIsSkipped) {
  std::string bytes = SmallMetafile();
  const size_t text = OffsetOf(EmfFile(bytes), EMR_EXTTEXTOUTW);
  Put32(bytes, text + 8 + 36 + 4, 0x10000);  // offString far past the record
  Diagnostics damage;
  EmfFile f(bytes, &damage);
  CairoCanvas canvas(100, 50);
  PlayMetafile(f, canvas, {0, 0, 100, 50}, 0, &damage);
  ASSERT_EQ(damage.Count(), 1u);
  EXPECT_EQ(damage.Kept()[0].offset, text);
  EXPECT_EQ(damage.Kept()[0].record, EMR_EXTTEXTOUTW);
  EXPECT_EQ(canvas.PixelAt(75, 25), 0xFF0000FFu) << "the ellipse after it";
}

// Every decoder refuses a payload cut anywhere in its fixed part or with
// counts and offsets beyond the record; none reads outside the payload
// (the sanitizers watch the reads).
TEST(EmfRecords, DecodersRefuseShortAndOverflowingPayloads) {
  auto payloadOf = [](uint32_t type, const std::function<void(RecordBuilder&)>& fill) {
    RecordBuilder b;
    fill(b);
    (void)type;
    return b.bytes();
  };
  EmrPoly poly;
  poly.points = {{1, 2}, {3, 4}, {5, 6}};
  EmrPolyPoly pp;
  pp.counts = {2, 1};
  pp.points = {{1, 2}, {3, 4}, {5, 6}};
  EmrExtTextOut text;
  text.text = u"abc";
  text.dx = {1, 2, 3};
  EmrStretchDIBits dib;
  dib.dib = EncodeDib24(testing::FilledBitmap(2, 2, 0xFF102030));
  EmrExtSelectClipRgn rgn;
  rgn.rects = {{0, 0, 5, 5}, {10, 10, 20, 20}};
  EmrExtCreatePen pen;
  pen.styleEntries = {3, 1};
  struct Case {
    const char* name;
    std::string payload;
    std::function<bool(ByteReader)> decodes;
  } cases[] = {
      {"poly32", payloadOf(0, [&](RecordBuilder& b) { poly.Encode(b, false); }),
       [](ByteReader r) { return EmrPoly::Decode(r, false).has_value(); }},
      {"poly16", payloadOf(0, [&](RecordBuilder& b) { poly.Encode(b, true); }),
       [](ByteReader r) { return EmrPoly::Decode(r, true).has_value(); }},
      {"polypoly16", payloadOf(0, [&](RecordBuilder& b) { pp.Encode(b, true); }),
       [](ByteReader r) { return EmrPolyPoly::Decode(r, true).has_value(); }},
      {"exttextout", payloadOf(0, [&](RecordBuilder& b) { text.Encode(b); }),
       [](ByteReader r) { return EmrExtTextOut::Decode(r, true).has_value(); }},
      {"stretchdibits", payloadOf(0, [&](RecordBuilder& b) { dib.Encode(b); }),
       [](ByteReader r) { return EmrStretchDIBits::Decode(r).has_value(); }},
      {"extselectcliprgn", payloadOf(0, [&](RecordBuilder& b) { rgn.Encode(b); }),
       [](ByteReader r) { return EmrExtSelectClipRgn::Decode(r).has_value(); }},
      {"extcreatepen", payloadOf(0, [&](RecordBuilder& b) { pen.Encode(b); }),
       [](ByteReader r) { return EmrExtCreatePen::Decode(r).has_value(); }},
  };
  for (const auto& c : cases) {
    EXPECT_TRUE(c.decodes(ByteReader(c.payload))) << c.name;
    // Cut short: the fixed part and the counted data must be there (the
    // text keeps its characters when only its advances are cut, and a pen
    // keeps its style when its dash entries are cut).
    const size_t keepFrom = std::string(c.name) == "exttextout" ? 74
                            : std::string(c.name) == "extcreatepen" ? 44
                                                                    : c.payload.size();
    for (size_t n = 0; n < keepFrom && n < c.payload.size(); ++n)
      EXPECT_FALSE(c.decodes(ByteReader(std::string_view(c.payload).substr(0, n)))) << c.name << " cut at " << n;
  }
  // Counts that would overflow or exceed the record.
  std::string p = cases[0].payload;
  Put32(p, 16, 0x20000000);
  EXPECT_FALSE(EmrPoly::Decode(ByteReader(p), false));
  p = cases[2].payload;
  Put32(p, 16, 0xFFFFFFFF);  // nPolys
  EXPECT_FALSE(EmrPolyPoly::Decode(ByteReader(p), true));
  p = cases[2].payload;
  Put32(p, 20, 4);  // total differs from the sum of the counts
  EXPECT_FALSE(EmrPolyPoly::Decode(ByteReader(p), true));
  p = cases[5].payload;
  Put32(p, 8 + 8, 0x10000000);  // rectangle count of the region
  EXPECT_FALSE(EmrExtSelectClipRgn::Decode(ByteReader(p)));
  p = cases[4].payload;
  Put32(p, 40, 4);  // offBmi inside the record prefix
  EXPECT_FALSE(EmrStretchDIBits::Decode(ByteReader(p)));
  // Advances past the record: the text stays, without them.
  p = cases[3].payload;
  Put32(p, 64, 0xFFFFFF00);
  auto t = EmrExtTextOut::Decode(ByteReader(p), true);
  ASSERT_TRUE(t);
  EXPECT_EQ(t->text, u"abc");
  EXPECT_TRUE(t->dx.empty());
}

TEST(EmfRecords, EncodedRecordsDecodeToTheSameValues) {
  EmrExtCreateFont font;
  font.ihFont = 3;
  font.font.faceName = u"Liberation Serif";
  font.font.height = -27;
  font.font.weight = 700;
  font.font.italic = 1;
  font.font.charSet = 0;
  RecordBuilder fb;
  font.Encode(fb);
  auto f = EmrExtCreateFont::Decode(ByteReader(fb.bytes()));
  ASSERT_TRUE(f);
  EXPECT_EQ(f->ihFont, 3u);
  EXPECT_EQ(f->font, font.font);
  EXPECT_EQ(fb.size() + 8, 368u) << "the long font form";

  EmrExtTextOut text;
  text.reference = {-5, 70000};
  text.options = ETO_OPAQUE | ETO_CLIPPED;
  text.rect = {1, 2, 3, 4};
  text.text = u"\u00e9\u20ac!";
  text.dx = {10, -3, 12};
  RecordBuilder tb;
  text.Encode(tb);
  auto t = EmrExtTextOut::Decode(ByteReader(tb.bytes()), true);
  ASSERT_TRUE(t);
  EXPECT_EQ(t->reference, text.reference);
  EXPECT_EQ(t->options, text.options);
  EXPECT_EQ(t->rect, text.rect);
  EXPECT_EQ(t->text, text.text);
  EXPECT_EQ(t->dx, text.dx);

  EmrPoly poly;
  poly.bounds = {1, 2, 3, 4};
  poly.points = {{-32768, 32767}, {7, -9}};
  for (bool as16 : {false, true}) {
    RecordBuilder pb;
    poly.Encode(pb, as16);
    auto p = EmrPoly::Decode(ByteReader(pb.bytes()), as16);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->points, poly.points);
    EXPECT_EQ(p->bounds, poly.bounds);
  }

  EmrStretchDIBits s;
  s.xDest = 5, s.cxDest = -20, s.cyDest = 30, s.cxSrc = 2, s.cySrc = 2, s.rop = SRCAND;
  s.dib = MakeJpegDib("\xFF\xD8 jpeg bytes \xFF\xD9", 2, 2);
  RecordBuilder sb;
  s.Encode(sb);
  auto d = EmrStretchDIBits::Decode(ByteReader(sb.bytes()));
  ASSERT_TRUE(d);
  EXPECT_EQ(d->dib, s.dib);
  EXPECT_EQ(d->cxDest, -20);
  EXPECT_EQ(d->rop, SRCAND);
}

// Bitmaps as records carry them.
TEST(Dib, DecodesTheFormatsRecordsUse) {
  auto header = [](int32_t w, int32_t h, uint16_t bpp, uint32_t compression, uint32_t used = 0) {
    RecordBuilder b;
    b.U32(40), b.I32(w), b.I32(h), b.U16(1), b.U16(bpp), b.U32(compression);
    b.U32(0), b.I32(0), b.I32(0), b.U32(used), b.U32(0);
    return b.bytes();
  };
  auto palette = [](std::initializer_list<uint32_t> colours) {
    RecordBuilder b;
    for (uint32_t c : colours) b.U32(c);
    return b.bytes();
  };
  struct Case {
    const char* name;
    DibData dib;
    uint32_t topLeft, bottomRight;  // 0xAARRGGBB of the 2 x 2 picture
  } cases[] = {
      // Rows are bottom-up unless the height is negative.
      {"1 bpp", {header(2, 2, 1, BI_RGB) + palette({0x000000, 0xFFFFFF}), std::string("\x80\0\0\0\x40\0\0\0", 8)},
       0xFF000000, 0xFF000000},
      {"1 bpp announcing 256 colours", {header(2, 2, 1, BI_RGB, 256) + palette({0x000000, 0xFFFFFF, 0x123456, 0x654321}),
                                        std::string("\x80\0\0\0\x40\0\0\0", 8)},
       0xFF000000, 0xFF000000},
      {"4 bpp", {header(2, 2, 4, BI_RGB, 2) + palette({0x0000FF, 0xFF0000}), std::string("\x01\0\0\0\x10\0\0\0", 8)},
       0xFFFF0000, 0xFFFF0000},
      {"8 bpp top-down", {header(2, -2, 8, BI_RGB, 2) + palette({0x00FF00, 0x0000FF}), std::string("\x00\x01\0\0\x01\x00\0\0", 8)},
       0xFF00FF00, 0xFF00FF00},
      {"16 bpp 5-5-5", {header(2, 2, 16, BI_RGB), std::string("\x00\x7C\x1F\x00\x1F\x00\x00\x7C", 8)},
       0xFF0000FF, 0xFF0000FF},
      {"24 bpp", {header(2, 2, 24, BI_RGB), std::string("\0\0\xFF\xFF\xFF\xFF\0\0\xFF\0\0\0\0\0\0\0", 16)},
       0xFF0000FF, 0xFFFFFFFF},
      {"32 bpp bit fields", {header(2, 2, 32, BI_BITFIELDS) + palette({0xFF, 0xFF00, 0xFF0000}),
                             std::string("\0\0\xFF\0\0\0\0\0\xFF\0\0\0\0\0\0\0", 16)},
       0xFFFF0000, 0xFF000000},
      {"RLE8", {header(2, 2, 8, BI_RLE8, 2) + palette({0x000000, 0xFFFFFF}), std::string("\x02\x01\x00\x00\x02\x00\x00\x01", 8)},
       0xFF000000, 0xFFFFFFFF},
  };
  for (const auto& c : cases) {
    auto px = DecodeDib(c.dib);
    ASSERT_TRUE(px) << c.name;
    EXPECT_EQ(px->Width(), 2) << c.name;
    EXPECT_EQ(testing::ToArgb(px->Pixel(0, 0)), c.topLeft) << c.name;
    EXPECT_EQ(testing::ToArgb(px->Pixel(1, 1)), c.bottomRight) << c.name;
  }
  // Refused: no header, zero or huge sizes, a pixel count the data cannot
  // stand for, bit counts that do not exist.
  for (const DibData& bad : {DibData{"", "x"}, DibData{header(0, 2, 24, BI_RGB), "x"},
                             DibData{header(100000, 100000, 24, BI_RGB), std::string(16, '\0')},
                             DibData{header(4000, 4000, 24, BI_RGB), std::string(16, '\0')},
                             DibData{header(2, 2, 7, BI_RGB), std::string(16, '\0')},
                             DibData{header(2, 2, 16, BI_RLE8), std::string(16, '\0')},
                             DibData{header(2, 2, 1, BI_RLE4) + palette({0, 0}), std::string("\x02\xFF\0\1", 4)}})
    EXPECT_FALSE(DecodeDib(bad));
  // Short bits: the rows there are drawn, the rest is white.
  auto cut = DecodeDib({header(2, 2, 24, BI_RGB), std::string("\0\0\0\0\0\0\0\0", 8)});
  ASSERT_TRUE(cut);
  EXPECT_EQ(testing::ToArgb(cut->Pixel(0, 1)), 0xFF000000u);
  EXPECT_EQ(testing::ToArgb(cut->Pixel(0, 0)), 0xFFFFFFFFu);
  // Damaged JPEG data is refused, not decoded halfway.
  EXPECT_FALSE(DecodeDib(MakeJpegDib("\xFF\xD8\xFF\xE0 not really", 2, 2)));
}

// The repairs metafiles need, and the alpha of ALPHABLEND bitmaps, which is
// kept even where every pixel leaves it 0.
TEST(Dib, MetafileRepairsAndAlpha) {
  auto header = [](int32_t w, int32_t h, uint16_t bpp) {
    RecordBuilder b;
    b.U32(40), b.I32(w), b.I32(h), b.U16(1), b.U16(bpp), b.U32(BI_RGB);
    b.U32(0), b.I32(0), b.I32(0), b.U32(0), b.U32(0);
    return b.bytes();
  };
  const DibData noTable{header(2, 1, 8), std::string("\x05\x07\0\0", 4)};
  Diagnostics report;
  auto black = DecodeDib(noTable, false, &report);
  ASSERT_TRUE(black);
  EXPECT_EQ(testing::ToArgb(black->Pixel(1, 0)), 0xFF000000u);
  EXPECT_NE(report.Summary().find("colour table is missing"), std::string::npos) << report.Summary();

  const std::string half("\x10\x20\x30\x80\x10\x20\x30\x80", 8), clear(8, '\0');
  EXPECT_EQ(testing::ToArgb(DecodeDib({header(2, 1, 32), half}, true)->Pixel(0, 0)), 0x80302010u);
  EXPECT_EQ(testing::ToArgb(DecodeDib({header(2, 1, 32), half}, false)->Pixel(0, 0)), 0xFF302010u);
  EXPECT_EQ(DecodeDib({header(2, 1, 32), clear}, true)->Pixel(1, 0).A, 0);
}

TEST(Dib, JpegBitmapsWithEndlessProgressiveScansAreRefused) {
  std::ifstream in(std::filesystem::path(VN_FIXTURES_DIR) / "images/jpeg_progressive.jpg", std::ios::binary);
  const std::string jpeg((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_GT(jpeg.size(), 4u);
  auto good = DecodeDib(MakeJpegDib(jpeg, 1, 1));
  ASSERT_TRUE(good);
  EXPECT_GT(good->Width(), 1);
  // The last scan repeated 1100 times: each one is another pass over the
  // whole picture, so the decoder gives up instead.
  const size_t last = jpeg.rfind("\xFF\xDA");
  ASSERT_NE(last, std::string::npos);
  const std::string scan = jpeg.substr(last, jpeg.size() - 2 - last);
  std::string endless = jpeg.substr(0, jpeg.size() - 2);
  for (int i = 0; i < 1100; ++i) endless += scan;
  endless += "\xFF\xD9";
  EXPECT_FALSE(DecodeDib(MakeJpegDib(endless, good->Width(), good->Height())));
}

}  // namespace
}  // namespace vn::platform::emf::emf_reader_test
