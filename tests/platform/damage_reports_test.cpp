// Every lenient reader of the platform layer says what it repaired or
// skipped: one damaged input per reader, each with the report it must give
// while it still returns its lenient result.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "platform/canvas/cairo_canvas.h"
#include "platform/canvas/metafile_player.h"
#include "platform/emf/emf_reader.h"
#include "platform/emf/emf_writer.h"
#include "platform/emf/wmf_converter.h"
#include "platform/images/image_codecs.h"

namespace vn::platform::damage_reports_test {
namespace {

void Put16(std::string& s, size_t at, uint32_t v) {
  for (int i = 0; i < 2; ++i) s[at + i] = char(v >> (8 * i));
}
void Put32(std::string& s, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) s[at + i] = char(v >> (8 * i));
}

Bitmap Gradient(int w, int h) {
  Bitmap b(w, h, PixelFormat::pf24bit);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) b.SetPixel(x, y, BGRA{uint8_t(x * 7), uint8_t(y * 5), uint8_t(x ^ y), 255});
  return b;
}

// A rectangle, then a record whose size runs past the end of the file.
std::string EmfWithBadRecordSize() {
  emf::EmfWriter w(40, 40);
  w.WriteRect(emf::EMR_RECTANGLE, {0, 0, 20, 20});
  w.WriteRect(emf::EMR_ELLIPSE, {0, 0, 20, 20});
  std::string s = w.Finish();
  const size_t ellipse = s.size() - 20 - 24;  // before EMR_EOF (20 bytes); an ellipse record is 24
  Put32(s, ellipse + 4, 0x10000);
  return s;
}

// A placeable WMF whose polygon claims more points than it holds.
std::string WmfWithShortPolygon() {
  std::string body;
  auto word = [&](uint32_t v) { body += char(v & 0xFF), body += char(v >> 8); };
  word(4), word(0), word(0x0324), word(50);  // POLYGON of 50 points in a record of 4 words
  word(3), word(0), word(0);                 // EOF
  std::string file(22, '\0');
  Put32(file, 0, 0x9AC6CDD7);
  Put16(file, 10, 100), Put16(file, 12, 100), Put16(file, 14, 96);
  std::string header(18, '\0');
  Put16(header, 0, 1), Put16(header, 2, 9), Put16(header, 4, 0x300);
  return file + header + body;
}

// RLE8 data that stop after one run of a 4 x 2 picture.
std::string BmpWithShortRunLengths() {
  std::string dib(40, '\0');
  Put32(dib, 0, 40), Put32(dib, 4, 4), Put32(dib, 8, 2), Put16(dib, 12, 1), Put16(dib, 14, 8), Put32(dib, 16, 1);
  Put32(dib, 32, 2);
  dib += std::string("\0\0\0\0\xFF\xFF\xFF\0", 8) + std::string("\x04\x01", 2);
  std::string file = "BM" + std::string(12, '\0');
  Put32(file, 10, 14 + 48);
  return file + dib;
}

// An icon of one 2 x 2 24-bit entry whose AND mask is missing.
std::string IconWithoutMask() {
  std::string dib(40, '\0');
  Put32(dib, 0, 40), Put32(dib, 4, 2), Put32(dib, 8, 4), Put16(dib, 12, 1), Put16(dib, 14, 24);
  dib += std::string(16, '\x40');  // two rows of two pixels, padded
  std::string file(6 + 16, '\0');
  Put16(file, 2, 1), Put16(file, 4, 1);
  file[6] = 2, file[7] = 2;
  Put32(file, 6 + 8, uint32_t(dib.size())), Put32(file, 6 + 12, 22);
  return file + dib;
}

// A PNG whose pHYs chunk fails its checksum (an ancillary chunk: libpng
// warns and drops it).
std::string PngWithBadChunkCrc() {
  std::string png = EncodePng(Gradient(8, 8));
  const size_t phys = png.find("pHYs");
  png[phys + 4 + 9] ^= 0x5A;  // last byte of the chunk's CRC
  return png;
}

// A JPEG cut in its entropy-coded data: libjpeg fills the rest in grey.
std::string JpegCutShort() {
  std::string jpeg = EncodeJpeg(Gradient(64, 64));
  return jpeg.substr(0, jpeg.size() * 2 / 3);
}

// A two-page TIFF whose first directory links to a second past the end.
std::string TiffWithBrokenChain() {
  Bitmap pages[] = {Gradient(8, 8), Gradient(8, 8)};
  std::string tiff = EncodeTiff(pages);
  const uint32_t ifd = uint8_t(tiff[4]) | uint8_t(tiff[5]) << 8 | uint8_t(tiff[6]) << 16 | uint32_t(uint8_t(tiff[7])) << 24;
  const uint32_t entries = uint8_t(tiff[ifd]) | uint8_t(tiff[ifd + 1]) << 8;
  Put32(tiff, ifd + 2 + entries * 12, 0x7FFFFF00);
  return tiff;
}

TEST(DamageReports, EachLenientReaderSaysWhatItRepaired) {
  struct Case {
    const char* reader;
    std::function<void(Diagnostics&)> read;  // reads a damaged input leniently
    const char* report;                      // a part of the first report
  } cases[] = {
      {"EMF reader",
       [](Diagnostics& d) {
         emf::EmfFile f(EmfWithBadRecordSize(), &d);
         EXPECT_EQ(f.Records().size(), 2u);  // header and rectangle
       },
       "does not fit the file"},
      {"WMF converter",
       [](Diagnostics& d) {
         emf::EmfFile f(emf::ConvertWmfToEmf(AsBytes(WmfWithShortPolygon()), &d));
         EXPECT_GE(f.Records().size(), 2u);
       },
       "damaged record skipped"},
      {"metafile player",
       [](Diagnostics& d) {
         emf::EmfWriter w(40, 40);
         w.WriteU32(emf::EMR_SELECTOBJECT, 1);
         w.Write(emf::EMR_POLYGON, emf::RecordBuilder());  // no bounds, no points
         emf::EmfFile f(w.Finish());
         CairoCanvas canvas(40, 40);
         PlayMetafile(f, canvas, {0, 0, 40, 40}, 0, &d);
       },
       "damaged record skipped"},
      {"BMP decoder",
       [](Diagnostics& d) {
         Bitmap b = DecodeBmp(AsBytes(BmpWithShortRunLengths()), {.Report = &d});
         EXPECT_EQ(b.Pixel(0, 1), (BGRA{255, 255, 255, 255}));  // the run that was there
       },
       "BMP: run-length data end early"},
      {"icon decoder",
       [](Diagnostics& d) {
         Bitmap b = DecodeIcon(AsBytes(IconWithoutMask()), {.Report = &d});
         EXPECT_EQ(b.Pixel(1, 1).A, 255);  // no mask: opaque
       },
       "ICO: the AND mask is cut short"},
      {"PNG decoder",
       [](Diagnostics& d) {
         Bitmap b = DecodePng(AsBytes(PngWithBadChunkCrc()), {.Report = &d});
         EXPECT_EQ(b.Width(), 8);
       },
       "PNG: pHYs: CRC error"},
      {"JPEG decoder",
       [](Diagnostics& d) {
         Bitmap b = DecodeJpeg(AsBytes(JpegCutShort()), {.Report = &d});
         EXPECT_EQ(b.Height(), 64);
       },
       "JPEG: Premature end of JPEG file"},
      {"TIFF reader",
       [](Diagnostics& d) {
         TiffReader r(AsBytes(TiffWithBrokenChain()), {.Report = &d});
         EXPECT_EQ(r.FrameCount(), 1);
       },
       "TIFF: the directory chain is damaged"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.reader);
    Diagnostics d;
    c.read(d);
    ASSERT_FALSE(d.Empty());
    EXPECT_NE(d.Kept().front().message.find(c.report), std::string::npos) << d.Summary();
  }
}

}  // namespace
}  // namespace vn::platform::damage_reports_test
