// Our own BMP and icon readers on files built byte by byte (variants that
// no tool writes, and damage), the pixel cap of every decoder, and cut-short
// copies of every fixture.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/images/image_codecs.h"
#include "support/paths.h"

namespace vn::platform::image_codecs_bmp_ico_test {
namespace {

struct Bytes {
  std::string s;
  Bytes& u8(uint32_t v) {
    s.push_back(static_cast<char>(v));
    return *this;
  }
  Bytes& u16(uint32_t v) { return u8(v & 0xFF).u8(v >> 8); }
  Bytes& u32(uint32_t v) { return u16(v & 0xFFFF).u16(v >> 16); }
  Bytes& be32(uint32_t v) { return u8(v >> 24).u8(v >> 16).u8(v >> 8).u8(v); }
  Bytes& raw(const std::string& bytes) {
    s += bytes;
    return *this;
  }
  Bytes& hex(std::initializer_list<int> bytes) {
    for (int b : bytes) u8(static_cast<uint32_t>(b));
    return *this;
  }
};

// A 40-byte information header, its colour table (0xRRGGBB entries) and bits.
std::string Dib(int32_t width, int32_t height, uint16_t bpp, uint32_t compression, const std::vector<uint32_t>& palette,
                const std::string& bits, uint32_t colors_used = 0) {
  Bytes b;
  b.u32(40).u32(static_cast<uint32_t>(width)).u32(static_cast<uint32_t>(height)).u16(1).u16(bpp).u32(compression);
  b.u32(static_cast<uint32_t>(bits.size())).u32(2835).u32(2835).u32(colors_used ? colors_used : static_cast<uint32_t>(palette.size())).u32(0);
  for (uint32_t c : palette) b.u8(c & 0xFF).u8((c >> 8) & 0xFF).u8(c >> 16).u8(0);
  return b.raw(bits).s;
}

std::string Bmp(const std::string& dib, uint32_t header_and_table) {
  Bytes b;
  b.raw("BM").u32(static_cast<uint32_t>(14 + dib.size())).u32(0).u32(14 + header_and_table);
  return b.raw(dib).s;
}

std::vector<uint32_t> Grey16() {
  std::vector<uint32_t> p;
  for (uint32_t i = 0; i < 16; ++i) p.push_back(i * 0x111111);
  return p;
}

// The palette indexes of an 8-bit bitmap, row by row from the top.
std::vector<std::vector<int>> Indexes(const Bitmap& b) {
  std::vector<std::vector<int>> rows;
  for (int y = 0; y < b.Height(); ++y) {
    auto r = b.Row(y);
    rows.emplace_back(r.begin(), r.begin() + b.Width());
  }
  return rows;
}

// Decoding `file` throws EImageDecodeError whose message holds `message`.
template <typename Decode>
void ExpectDamage(Decode decode, const std::string& file, const char* message) {
  try {
    decode(AsBytes(file), DecodeLimits{});
    ADD_FAILURE() << "no exception";
  } catch (const EImageDecodeError& e) {
    EXPECT_NE(std::string(e.what()).find(message), std::string::npos) << e.what();
  }
}

TEST(BmpDecoder, TopDownRowsStayInOrder) {
  // Two rows of two pixels, the first stored row is the top one.
  std::string bits = Bytes().hex({0, 0, 255, 0, 255, 0, 0, 0, 255, 0, 0, 0, 0, 0, 0, 0}).s;
  Bitmap b = DecodeBmp(AsBytes(Bmp(Dib(2, -2, 24, 0, {}, bits), 40)));
  EXPECT_EQ(b.Pixel(0, 0), (BGRA{0, 0, 255, 255}));  // red
  EXPECT_EQ(b.Pixel(1, 0), (BGRA{0, 255, 0, 255}));  // green
  EXPECT_EQ(b.Pixel(0, 1), (BGRA{255, 0, 0, 255}));  // blue
  EXPECT_DOUBLE_EQ(std::round(b.DpiX()), 72);
}

TEST(BmpDecoder, Rle4RunsAbsoluteRunsDeltasAndEnd) {
  std::string data = Bytes()
                         .hex({0x02, 0x12})                    // 1, 2
                         .hex({0x00, 0x03, 0x34, 0x50})        // absolute 3, 4, 5
                         .hex({0x01, 0x60})                    // 6
                         .hex({0x00, 0x00})                    // end of line
                         .hex({0x00, 0x02, 0x02, 0x00})        // move right by 2
                         .hex({0x02, 0x77})                    // 7, 7
                         .hex({0x00, 0x01})                    // end of bitmap
                         .s;
  Bitmap b = DecodeBmp(AsBytes(Bmp(Dib(6, 2, 4, 2, Grey16(), data), 40 + 64)));
  ASSERT_EQ(b.Format(), PixelFormat::pf8bit);
  EXPECT_EQ(Indexes(b), (std::vector<std::vector<int>>{{0, 0, 7, 7, 0, 0}, {1, 2, 3, 4, 5, 6}}));
  EXPECT_EQ(b.Pixel(2, 0), (BGRA{0x77, 0x77, 0x77, 255}));
}

TEST(BmpDecoder, DamagedRunLengthDataKeepWhatDecoded) {
  const struct {
    const char* name;
    std::string data;
    std::vector<std::vector<int>> expected;
    bool endsEarly;  // reported as data that end before the picture
  } cases[] = {
      {"cut after one run", Bytes().hex({0x04, 0x05}).s, {{0, 0, 0, 0}, {5, 5, 5, 5}}, true},
      {"absolute run cut short", Bytes().hex({0x02, 0x03, 0x00, 0x05, 0x01}).s, {{0, 0, 0, 0}, {3, 3, 0, 0}}, true},
      {"delta out of the picture", Bytes().hex({0x00, 0x02, 0xFF, 0xFF, 0x02, 0x09}).s, {{0, 0, 0, 0}, {0, 0, 0, 0}}, false},
      {"run longer than the row", Bytes().hex({0xFF, 0x04, 0x00, 0x00, 0x01, 0x08}).s, {{8, 0, 0, 0}, {4, 4, 4, 4}}, true},
      {"ended properly", Bytes().hex({0x04, 0x01, 0x00, 0x00, 0x04, 0x02, 0x00, 0x01}).s, {{2, 2, 2, 2}, {1, 1, 1, 1}}, false},
  };
  std::vector<uint32_t> palette(16, 0);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Diagnostics report;
    Bitmap b = DecodeBmp(AsBytes(Bmp(Dib(4, 2, 8, 1, palette, c.data), 40 + 64)), {.Report = &report});
    EXPECT_EQ(Indexes(b), c.expected);
    EXPECT_EQ(report.Count(), c.endsEarly ? 1u : 0u) << report.Summary();
  }
}

TEST(BmpDecoder, BitFieldsOs2HeadersAndUnusedAlpha) {
  // 16 bits with 5-6-5 masks: one white and one pure green pixel.
  Bytes f;
  f.u32(40).u32(2).u32(1).u16(1).u16(16).u32(3).u32(4).u32(0).u32(0).u32(0).u32(0);
  f.u32(0xF800).u32(0x07E0).u32(0x001F).hex({0xFF, 0xFF, 0xE0, 0x07});
  Bitmap b = DecodeDib(AsBytes(f.s));
  EXPECT_EQ(b.Pixel(0, 0), (BGRA{255, 255, 255, 255}));
  EXPECT_EQ(b.Pixel(1, 0), (BGRA{0, 255, 0, 255}));

  // The 12-byte OS/2 header with a 3-byte colour table.
  Bytes core;
  core.u32(12).u16(3).u16(1).u16(1).u16(1).hex({0, 0, 0, 0x10, 0x20, 0x30}).hex({0x40, 0, 0, 0});
  Bitmap c = DecodeDib(AsBytes(core.s));
  EXPECT_EQ(c.Format(), PixelFormat::pf1bit);
  EXPECT_EQ(c.Pixel(0, 0), (BGRA{0, 0, 0, 255}));
  EXPECT_EQ(c.Pixel(1, 0), (BGRA{0x10, 0x20, 0x30, 255}));

  // 32 bits without bit fields: the fourth byte is not alpha.
  Bitmap d = DecodeBmp(AsBytes(Bmp(Dib(1, 1, 32, 0, {}, Bytes().hex({1, 2, 3, 0}).s), 40)));
  EXPECT_FALSE(d.HasAlpha());
  EXPECT_EQ(d.Pixel(0, 0), (BGRA{1, 2, 3, 255}));
}

TEST(BmpDecoder, DamageIsReportedWithTheReason) {
  std::string row24 = std::string(16, '\0');
  const struct {
    const char* name;
    std::string file;
    const char* message;
  } cases[] = {
      {"empty", "", "signature"},
      {"file header only", "BM", "file header is cut short"},
      {"header size 0", Bmp(Bytes().u32(0).raw(std::string(36, '\0')).s, 40), "header size 0 is not valid"},
      {"header size 200", Bmp(Bytes().u32(200).raw(std::string(196, '\0')).s, 200), "header size 200 is not valid"},
      {"no width", Bmp(Dib(0, 1, 24, 0, {}, row24), 40), "has no pixels"},
      {"3 bits per pixel", Bmp(Dib(1, 1, 3, 0, {}, row24), 40), "3 bits per pixel is not supported"},
      {"bit fields on 24 bits", Bmp(Dib(1, 1, 24, 3, {}, row24), 40), "bit fields need"},
      {"RLE8 on 4 bits", Bmp(Dib(1, 1, 4, 1, Grey16(), row24), 104), "RLE8 needs"},
      {"unknown compression", Bmp(Dib(1, 1, 24, 9, {}, row24), 40), "compression 9 is not supported"},
      {"pixels cut short", Bmp(Dib(2, 3, 24, 0, {}, row24), 40), "pixel data are cut short"},
      {"no colour table", Bmp(Dib(1, 1, 8, 0, {}, ""), 40), "colour table is missing"},
      {"60000 x 60000", Bmp(Dib(60000, 60000, 24, 0, {}, row24), 40), "too large"},
      {"height of -2^31", Bmp(Dib(1, INT32_MIN, 24, 0, {}, row24), 40), "too large"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ExpectDamage(DecodeBmp, c.file, c.message);
  }
}

// Pixels the data cannot hold are refused before the bitmap is made: even
// under a pixel cap raised past what one bitmap may take, the damage is
// reported as such.
TEST(BmpDecoder, ShortPixelDataIsRefusedBeforeAllocating) {
  DecodeLimits generous;
  generous.MaxPixels = uint64_t{1} << 32;
  const std::string file = Bmp(Dib(40000, 40000, 32, 0, {}, std::string(16, '\0')), 40);
  try {
    DecodeBmp(AsBytes(file), generous);
    ADD_FAILURE() << "no exception";
  } catch (const EImageDecodeError& e) {
    EXPECT_STREQ(e.what(), "BMP: pixel data are cut short");
  }
}

// An icon file with the given entries (already encoded DIB or PNG data).
std::string Icon(uint16_t type, const std::vector<std::string>& entries) {
  Bytes b;
  b.u16(0).u16(type).u16(static_cast<uint32_t>(entries.size()));
  uint32_t offset = 6 + 16 * static_cast<uint32_t>(entries.size());
  for (const auto& e : entries) {
    b.u8(0).u8(0).u8(0).u8(0).u16(1).u16(32).u32(static_cast<uint32_t>(e.size())).u32(offset);
    offset += static_cast<uint32_t>(e.size());
  }
  for (const auto& e : entries) b.raw(e);
  return b.s;
}

// A 24-bit icon DIB of 2 x 2: colour rows then the AND mask (bottom-up),
// with the bottom-left pixel masked out.
std::string IconDib() {
  std::string colours = Bytes().hex({10, 20, 30, 40, 50, 60, 0, 0, 70, 80, 90, 100, 110, 120, 0, 0}).s;
  std::string mask = Bytes().hex({0x80, 0, 0, 0, 0x00, 0, 0, 0}).s;
  return Dib(2, 4, 24, 0, {}, colours + mask);
}

TEST(IconDecoder, AndMaskPngEntriesAndTheLargestImage) {
  Bitmap b = DecodeIcon(AsBytes(Icon(1, {IconDib()})));
  ASSERT_EQ(b.Width(), 2);
  ASSERT_EQ(b.Height(), 2);
  EXPECT_TRUE(b.HasAlpha());
  EXPECT_EQ(b.Pixel(0, 1).A, 0);  // masked
  EXPECT_EQ(b.Pixel(1, 1), (BGRA{40, 50, 60, 255}));
  EXPECT_EQ(b.Pixel(0, 0), (BGRA{70, 80, 90, 255}));

  // A larger PNG entry wins over the small DIB, in either order, in icons and cursors.
  Bitmap big(5, 3, PixelFormat::pf32bit);
  big.SetHasAlpha(true);
  big.SetPixel(4, 2, BGRA{1, 2, 3, 128});
  std::string png = EncodePng(big);
  for (uint16_t type : {uint16_t{1}, uint16_t{2}})
    for (bool png_first : {false, true}) {
      std::string file = Icon(type, png_first ? std::vector<std::string>{png, IconDib()} : std::vector<std::string>{IconDib(), png});
      EXPECT_EQ(DetectImageFormat(AsBytes(file)), type == 1 ? ImageFormat::Ico : ImageFormat::Cur);
      Bitmap i = DecodeImage(AsBytes(file));
      EXPECT_EQ(i.Width(), 5);
      EXPECT_EQ(i.Pixel(4, 2), (BGRA{1, 2, 3, 128}));
    }
}

TEST(IconDecoder, DamageIsReported) {
  const struct {
    const char* name;
    std::string file;
    const char* message;
  } cases[] = {
      {"no entries", Bytes().u16(0).u16(1).u16(0).s, "holds no image"},
      {"directory cut short", Bytes().u16(0).u16(1).u16(2).raw(std::string(16, '\0')).s, "directory is cut short"},
      {"entry past the end", Bytes().u16(0).u16(1).u16(1).raw(std::string(12, '\0')).u32(5000).s, "no entry holds"},
      {"wrong type", Bytes().u16(0).u16(3).u16(1).s, "not an icon"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ExpectDamage(DecodeIcon, c.file, c.message);
  }
}

std::string PngChunk(const char* type, const std::string& body) {
  Bytes b;
  b.be32(static_cast<uint32_t>(body.size())).raw(type).raw(body);
  uLong crc = crc32(0, reinterpret_cast<const Bytef*>(b.s.data() + 4), static_cast<uInt>(b.s.size() - 4));
  return b.be32(static_cast<uint32_t>(crc)).s;
}

// Sets a big-endian 16-bit value inside a file.
void Put16BE(std::string& s, size_t at, uint32_t v) {
  s[at] = static_cast<char>(v >> 8);
  s[at + 1] = static_cast<char>(v);
}

TEST(ImageLimits, HugeHeadersAreRefusedBeforeAllocating) {
  Bitmap small(3, 2, PixelFormat::pf24bit);
  // JPEG: our small file with its frame header set to 60000 x 60000.
  std::string jpeg = EncodeJpeg(small);
  size_t sof = jpeg.find("\xFF\xC0");
  ASSERT_NE(sof, std::string::npos);
  Put16BE(jpeg, sof + 5, 60000);
  Put16BE(jpeg, sof + 7, 60000);
  // GIF: the logical screen of our small file.
  std::string gif = EncodeGif(small);
  gif[6] = gif[8] = static_cast<char>(60000 & 0xFF);
  gif[7] = gif[9] = static_cast<char>(60000 >> 8);
  // PNG: a header chunk and an empty data chunk.
  std::string png = std::string("\x89PNG\r\n\x1a\n", 8) +
                    PngChunk("IHDR", Bytes().be32(60000).be32(60000).hex({8, 2, 0, 0, 0}).s) + PngChunk("IDAT", "");
  // TIFF: one directory of an uncompressed 8-bit grey picture.
  Bytes tiff;
  tiff.raw("II").u16(42).u32(8).u16(8);
  auto tag = [&tiff](uint16_t id, uint16_t type, uint32_t value) { tiff.u16(id).u16(type).u32(1).u32(value); };
  tag(256, 4, 60000);
  tag(257, 4, 60000);
  tag(258, 3, 8);
  tag(259, 3, 1);
  tag(262, 3, 1);
  tag(273, 4, 8);
  tag(278, 4, 1);
  tag(279, 4, 60000);
  tiff.u32(0);
  const struct {
    const char* name;
    std::string file;
  } cases[] = {
      {"BMP", Bmp(Dib(60000, 60000, 24, 0, {}, std::string(16, '\0')), 40)},
      {"ICO", Icon(1, {Dib(60000, 120000, 32, 0, {}, std::string(16, '\0'))})},
      {"PNG", png},
      {"JPEG", jpeg},
      {"GIF", gif},
      {"TIFF", tiff.s},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ExpectDamage(DecodeImage, c.file, "60000 x 60000 pixels is too large");
  }
}

// Every fixture cut short at every length decodes or throws EImageDecodeError.
TEST(ImageLimits, CutShortFilesNeverCrash) {
  std::filesystem::path dir = std::filesystem::path(VN_FIXTURES_DIR) / "images";
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    std::string ext = entry.path().extension().string();
    if (ext == ".rgba" || ext == ".sh" || ext == ".md") continue;
    std::ifstream in(entry.path(), std::ios::binary);
    std::string file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ++files;
    for (size_t n = 0; n < file.size(); ++n) {
      try {
        DecodeImage(AsBytes(std::string_view(file).substr(0, n)));
      } catch (const EImageDecodeError&) {
      } catch (const std::exception& e) {
        ADD_FAILURE() << entry.path().filename() << " cut at " << n << ": " << e.what();
      }
    }
  }
  EXPECT_GT(files, 30);
}

}  // namespace
}  // namespace vn::platform::image_codecs_bmp_ico_test
