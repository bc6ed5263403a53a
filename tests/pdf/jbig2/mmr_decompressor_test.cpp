// MMR decoding: Group 4 data that libtiff writes (tiffcp -c g4) decodes to
// what libtiff decodes from it, and damaged data never reads or writes past
// a row.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>

#include "test_support.h"
#include "pdf/jbig2/mmr_decompressor.h"
#include "runtime/exceptions.h"

namespace vn::pdf::jbig2::mmr_decompressor_test {
namespace {

using testing::BitString;
using testing::Image;

// A one-strip, little-endian, 1-bit TIFF with min-is-white pixels.
std::string UncompressedTiff(const Image& image) {
  const uint32_t stride = (static_cast<uint32_t>(image.width) + 7) / 8;
  std::string pixels(stride * image.height, '\0');
  for (int y = 0; y < image.height; ++y)
    for (int x = 0; x < image.width; ++x)
      if (image.At(x, y)) pixels[y * stride + x / 8] |= static_cast<char>(0x80 >> (x % 8));
  auto u16 = [](std::string& s, uint32_t v) { s.push_back(static_cast<char>(v)), s.push_back(static_cast<char>(v >> 8)); };
  auto u32 = [&](std::string& s, uint32_t v) { u16(s, v & 0xFFFF), u16(s, v >> 16); };
  const uint16_t kEntries = 8;
  const uint32_t data_offset = 8 + 2 + kEntries * 12 + 4;
  std::string t = "II*";
  t.push_back('\0');
  u32(t, 8);
  u16(t, kEntries);
  auto entry = [&](uint16_t tag, uint16_t type, uint32_t value) {
    u16(t, tag), u16(t, type), u32(t, 1);
    if (type == 3) u16(t, value), u16(t, 0);
    else u32(t, value);
  };
  entry(256, 4, static_cast<uint32_t>(image.width));
  entry(257, 4, static_cast<uint32_t>(image.height));
  entry(258, 3, 1);
  entry(259, 3, 1);
  entry(262, 3, 0);
  entry(273, 4, data_offset);
  entry(278, 4, static_cast<uint32_t>(image.height));
  entry(279, 4, static_cast<uint32_t>(pixels.size()));
  u32(t, 0);
  return t + pixels;
}

// The first IFD's strip data (one strip) and size of a little-endian TIFF.
struct Strip {
  int width = 0, height = 0, compression = 0;
  std::string data;
};

Strip ReadStrip(const std::string& tiff) {
  auto u16 = [&](size_t at) { return static_cast<uint32_t>(static_cast<uint8_t>(tiff[at]) | static_cast<uint8_t>(tiff[at + 1]) << 8); };
  auto u32 = [&](size_t at) { return u16(at) | u16(at + 2) << 16; };
  Strip strip;
  if (tiff.size() < 8 || tiff.compare(0, 2, "II") != 0) return strip;
  const size_t ifd = u32(4);
  uint32_t offset = 0, count = 0;
  for (uint32_t i = 0, n = u16(ifd); i < n; ++i) {
    const size_t e = ifd + 2 + 12 * i;
    const uint32_t tag = u16(e), type = u16(e + 2);
    const uint32_t value = type == 3 ? u16(e + 8) : u32(e + 8);
    if (tag == 256) strip.width = static_cast<int>(value);
    if (tag == 257) strip.height = static_cast<int>(value);
    if (tag == 259) strip.compression = static_cast<int>(value);
    if (tag == 273) offset = value;
    if (tag == 279) count = value;
  }
  strip.data = tiff.substr(offset, count);
  return strip;
}

Image PixelsOf(const Strip& strip) {
  Image image(strip.width, strip.height);
  const size_t stride = (static_cast<size_t>(strip.width) + 7) / 8;
  for (int y = 0; y < strip.height; ++y)
    for (int x = 0; x < strip.width; ++x)
      image.Set(x, y, (static_cast<uint8_t>(strip.data[y * stride + x / 8]) >> (7 - x % 8)) & 1);
  return image;
}

Image DecodeMmr(const std::string& data, int width, int height) {
  const auto bytes = testing::Bytes(data);
  TvnIOStream stream(bytes, static_cast<int64_t>(bytes.size()), 0);
  TvnMMRDecompressor mmr(width, height, &stream);
  return testing::FromBitmap(*mmr.Uncompress());
}

// The G4 strip libtiff writes for the image and libtiff's own decoding of it.
std::pair<Strip, Image> LibtiffG4(const Image& image) {
  const auto dir = testing::ScratchDir();
  const auto plain = dir / "plain.tif", g4 = dir / "g4.tif", back = dir / "back.tif";
  WriteFileBytes(plain, UncompressedTiff(image));
  using pdf::testing::Quote;
  pdf::testing::RunTool("tiffcp -c g4 -r 1000000 " + Quote(plain.string()) + " " + Quote(g4.string()));
  pdf::testing::RunTool("tiffcp -c none -r 1000000 " + Quote(g4.string()) + " " + Quote(back.string()));
  return {ReadStrip(ReadFileBytes(g4)), PixelsOf(ReadStrip(ReadFileBytes(back)))};
}

Image Pattern(int width, int height, int kind, unsigned seed) {
  std::mt19937 rng(seed);
  if (kind == 0) return testing::TextLikeImage(width, height, seed);
  Image image(width, height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      int v = 0;
      switch (kind) {
        case 1: v = rng() % 3 == 0; break;                           // noise: many short runs
        case 2: v = (x + y) % 2; break;                              // every pixel a change
        case 3: v = y % 4 == 0 ? 1 : x == (y * 37) % width; break;   // solid rows, lone pixels
        case 4: v = (x / (1 + y % 9) + y / 3) % 2; break;            // stripes that drift
      }
      image.Set(x, y, v);
    }
  }
  return image;
}

TEST(Jbig2Mmr, DecodesLikeLibtiff) {
  VN_REQUIRE_TOOL("tiffcp");
  // Widths from one pixel to rows that need the long makeup codes.
  const int widths[] = {1, 7, 10, 64, 1728, 2481, 5300};
  for (int width : widths) {
    for (int kind = 0; kind < 5; ++kind) {
      const Image image = Pattern(width, 40, kind, static_cast<unsigned>(width * 10 + kind));
      auto [strip, libtiff] = LibtiffG4(image);
      ASSERT_EQ(strip.compression, 4) << "tiffcp wrote no Group 4 strip";
      ASSERT_EQ(libtiff, image);
      EXPECT_EQ(DecodeMmr(strip.data, width, image.height), libtiff) << "width " << width << " pattern " << kind;
    }
  }
}

TEST(Jbig2Mmr, DataThatRunsOutLeavesTheRestWhite) {
  VN_REQUIRE_TOOL("tiffcp");
  const Image image = Pattern(300, 60, 0, 5);
  auto [strip, libtiff] = LibtiffG4(image);
  const Image decoded = DecodeMmr(strip.data.substr(0, strip.data.size() / 2), 300, 60);
  int first_difference = 0;
  while (first_difference < 60 && [&] {
    for (int x = 0; x < 300; ++x)
      if (decoded.At(x, first_difference) != image.At(x, first_difference)) return false;
    return true;
  }())
    ++first_difference;
  EXPECT_GT(first_difference, 5);
  EXPECT_LT(first_difference, 60);
  for (int y = first_difference + 1; y < 60; ++y)
    for (int x = 0; x < 300; ++x) ASSERT_EQ(decoded.At(x, y), 0) << x << "," << y;
}

TEST(Jbig2Mmr, RunsAndOffsetsPastTheRowEndThere) {
  // Width 2. Row 0: horizontal, white 1, black 5 (past the row). Row 1: VR3
  // from b1 = 1 would reach 4. Row 2: horizontal, white 1728 + 0, black 0.
  const std::string codes = "001 000111 0011  0000011  001 010011011 00110101 0000110111";
  const auto bytes = BitString(codes);
  TvnIOStream stream(bytes, static_cast<int64_t>(bytes.size()), 0);
  TvnMMRDecompressor mmr(2, 3, &stream);
  auto bitmap = mmr.Uncompress();
  EXPECT_EQ(bitmap->GetByteArray(), std::vector<uint8_t>({0x40, 0x00, 0x00}));
}

TEST(Jbig2Mmr, CodesThatGoBackwardsStopDecodingWithTheState) {
  // Width 8. Row 0: horizontal, white 4, black 2, V0 to the end. Row 1: V0
  // (to 4), then VL3 from b1 = 6 to 3, left of a0.
  const auto bytes = BitString("001 1011 11 1  1 0000010");
  TvnIOStream stream(bytes, static_cast<int64_t>(bytes.size()), 0);
  TvnMMRDecompressor mmr(8, 3, &stream);
  TvnImageBitmap bitmap(8, 3);
  try {
    mmr.Uncompress(bitmap);
    FAIL() << "no exception";
  } catch (const vn::Exception& e) {
    const std::string text = e.what();
    EXPECT_EQ(text.rfind("whiterun         =false\ncode             =", 0), 0u) << text;
    EXPECT_NE(text.find("\nbitPos           =4\n"), std::string::npos) << text;
    EXPECT_NE(text.find("Arundata.Foffset =18\nbyte =2,bit =2)"), std::string::npos) << text;
  }
  EXPECT_EQ(bitmap.GetByteArray(), std::vector<uint8_t>({0x0C, 0x00, 0x00})) << "the row before stays";
}

TEST(Jbig2Mmr, NoiseNeverEscapesTheBitmap) {
  std::mt19937 rng(11);
  for (int round = 0; round < 200; ++round) {
    std::vector<uint8_t> noise(1 + rng() % 300);
    for (auto& b : noise) b = static_cast<uint8_t>(rng());
    const int width = 1 + static_cast<int>(rng() % 100);
    TvnIOStream stream(noise, static_cast<int64_t>(noise.size()), 0);
    TvnMMRDecompressor mmr(width, 50, &stream);
    TvnImageBitmap bitmap(width, 50);
    try {
      mmr.Uncompress(bitmap);
    } catch (const vn::Exception&) {
    }
    for (int y = 0; y < 50; ++y)
      ASSERT_EQ(bitmap.Row(y)[bitmap.GetRowStride() - 1] & ~bitmap.LastByteMask(), 0);
  }
}

}  // namespace
}  // namespace vn::pdf::jbig2::mmr_decompressor_test
