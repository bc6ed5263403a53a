// The JBIG2Decode filter's decoder: page composition into a page-size
// bitmap, the inverted output rows, globals, and damaged or hostile data
// giving a blank or partially decoded page without raising; and the
// fixture with a JBIG2Globals stream read through the PDF layer equals
// pdfimages.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "pdf/base_doc.h"
#include "pdf/filter_streams.h"
#include "pdf/jbig2/jbig2_decoder.h"
#include "pdf/jbig2/symbol_dictionary.h"
#include "../png_oracle.h"
#include "runtime/byte_decoder.h"
#include "support/paths.h"
#include "test_support.h"

namespace vn::pdf::jbig2::jbig2_decoder_test {
namespace {

namespace fs = std::filesystem;
using testing::GenericParams;
using testing::GenericRegionData;
using testing::Image;
using testing::NominalAt;
using testing::PageInfo;
using testing::PutU32;
using testing::RegionInfo;
using testing::Segment;

// The filter's output for `data` with `globals`, the declared size given.
std::string Filter(const std::string& data, const std::string& globals = {}, int64_t width = 0,
                   int64_t height = 0) {
  codec::SpanSource source(data);
  TvnJBIG2Decoder decoder(source, globals, width, height);
  return decoder.ReadAll();
}

// Output rows (0 black) back to an image.
Image Unpack(const std::string& rows, int width, int height) {
  Image image(width, height);
  const int stride = (width + 7) / 8;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      image.Set(x, y, (static_cast<uint8_t>(rows[static_cast<size_t>(y * stride + x / 8)]) >> (7 - x % 8)) & 1 ? 0 : 1);
  return image;
}

GenericParams Template0() {
  GenericParams p;
  p.tmpl = 0;
  p.at = NominalAt(0);
  return p;
}

TEST(Jbig2Decoder, OutputRowsAreInvertedWithPaddingWhite) {
  // A 10 x 2 page: 2 bytes per row; a blank page reads as 0xFF bytes.
  const std::string data = Segment(0, 48, {}, 1, PageInfo(10, 2));
  EXPECT_EQ(Filter(data), std::string(4, '\xFF'));
  Image region(10, 2);
  region.Set(0, 0, 1);
  region.Set(9, 1, 1);
  const std::string with_region = data + Segment(1, 38, {}, 1, GenericRegionData(region, Template0()));
  EXPECT_EQ(Filter(with_region), std::string("\x7F\xFF\xFF\xBF", 4));
}

TEST(Jbig2Decoder, OneRegionComposesIntoThePageAtItsPlace) {
  // One immediate region with default pixel 0 still lands at its place in
  // a page-size bitmap (the output matches the image's declared size).
  const Image region = testing::TextLikeImage(21, 9, 3);
  const std::string data =
      Segment(0, 48, {}, 1, PageInfo(40, 30)) + Segment(1, 38, {}, 1, GenericRegionData(region, Template0(), 7, 12));
  const std::string out = Filter(data);
  ASSERT_EQ(out.size(), 5u * 30u);
  const Image page = Unpack(out, 40, 30);
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; ++x) ASSERT_EQ(page.At(x, y), region.At(x - 7, y - 12)) << x << "," << y;
}

TEST(Jbig2Decoder, DefaultPixelOneFillsThePageFirst) {
  Image region(8, 2);
  region.Set(3, 1, 1);
  GenericParams p = Template0();
  // Page default pixel 1, override allowed, region combined with AND.
  const std::string data = Segment(0, 48, {}, 1, PageInfo(16, 4, 0x40 | 0x04)) +
                           Segment(1, 38, {}, 1, GenericRegionData(region, p, 0, 0, 1));
  const Image page = Unpack(Filter(data), 16, 4);
  EXPECT_EQ(page.At(3, 1), 1);
  EXPECT_EQ(page.At(2, 1), 0) << "AND with the region's white";
  EXPECT_EQ(page.At(12, 3), 1) << "outside the region the default stays";
}

TEST(Jbig2Decoder, NoPageGivesAWhiteImageOfTheDeclaredSize) {
  EXPECT_EQ(Filter("garbage that is no JBIG2 at all", {}, 12, 3), std::string(6, '\xFF'));
  EXPECT_EQ(Filter("garbage that is no JBIG2 at all"), "") << "no declared size: no data";
  EXPECT_EQ(Filter("", {}, 8, 1), std::string(1, '\xFF'));
}

TEST(Jbig2Decoder, PagesOverTheCapAreRefused) {
  const std::string data = Segment(0, 48, {}, 1, PageInfo(100000, 100000));
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(Filter(data), "");
  EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 1.0);
}

TEST(Jbig2Decoder, DamagedRegionsLeaveAPartialPage) {
  const Image first = testing::TextLikeImage(32, 8, 5);
  const std::string good = Segment(1, 38, {}, 1, GenericRegionData(first, Template0()));
  // A text region that refers to no dictionary and a halftone without
  // patterns fail alone; the region before them stays.
  std::string text = RegionInfo(32, 8, 0, 8);
  text += std::string("\x00\x10", 2);
  PutU32(text, 5);
  text += "\x12\x34";
  std::string halftone = RegionInfo(32, 8, 0, 16);
  halftone.push_back(0);
  for (int i = 0; i < 4; ++i) PutU32(halftone, 4);
  halftone += std::string("\x01\x00\x01\x00", 4);
  const std::string data = Segment(0, 48, {}, 1, PageInfo(32, 24)) + good + Segment(2, 6, {}, 1, text) +
                           Segment(3, 22, {}, 1, halftone);
  const Image page = Unpack(Filter(data), 32, 24);
  for (int y = 0; y < 24; ++y)
    for (int x = 0; x < 32; ++x) ASSERT_EQ(page.At(x, y), first.At(x, y)) << x << "," << y;
}

TEST(Jbig2Decoder, HostileCountsEndQuickly) {
  // A symbol dictionary that declares 2^20 symbols and a text region of
  // 2^32 - 1 instances over a few bytes of data.
  std::string dictionary = std::string("\x00\x00", 2) + std::string("\x03\xFF\xFD\xFF\x02\xFE\xFE\xFE", 8);
  PutU32(dictionary, 1u << 20);
  PutU32(dictionary, 1u << 20);
  dictionary += std::string(16, '\x55');
  std::string text = RegionInfo(64, 64);
  text += std::string("\x00\x10", 2);
  PutU32(text, 0xFFFFFFFF);
  text += std::string(16, '\x00');
  const std::string data = Segment(0, 48, {}, 1, PageInfo(64, 64)) + Segment(1, 0, {}, 1, dictionary) +
                           Segment(2, 6, {1}, 1, text);
  const auto start = std::chrono::steady_clock::now();
  const std::string out = Filter(data);
  EXPECT_EQ(out.size(), 8u * 64u);
  EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 5.0);
}

TEST(Jbig2Decoder, GlobalsFixtureThroughThePdfLayerEqualsPdfimages) {
  const fs::path fixture = fs::path(VN_FIXTURES_DIR) / "pdf" / "jbig2" / "globals-symbols.pdf";
  TvnPDBaseDoc doc;
  doc.LoadDocument(fixture, "");
  TvnPDBaseObject* object = doc.GetObject(5);
  ASSERT_TRUE(object && object->IsStream());
  TvnStream* top = object->AsStream()->GetStream();
  ASSERT_EQ(top->GetType(), TvnStreamType::stJBIG2);
  top->Reset();
  std::string decoded;
  top->Read(decoded, size_t{1} << 20);
  ASSERT_EQ(decoded.size(), 12u * 40u);
  int black = 0;
  for (char c : decoded) black += 8 - __builtin_popcount(static_cast<uint8_t>(c));
  EXPECT_GT(black, 100) << "the symbols of the globals are placed";

  // Without its globals the text region has no symbols: a blank page.
  std::string raw;
  TvnStream* encoded = static_cast<TvnJBIG2Stream*>(top)->Stream();
  encoded->Reset();
  encoded->Read(raw, size_t{1} << 20);
  EXPECT_EQ(Filter(raw), std::string(12 * 40, '\xFF'));

  VN_REQUIRE_TOOL("pdfimages");
  const fs::path out = jbig2::testing::ScratchDir() / "globals";
  ASSERT_EQ(pdf::testing::RunProgram({"pdfimages", "-png", fixture.string(), out.string()}), 0);
  const auto png = pdf::testing::ReadPng(out.string() + "-000.png");
  ASSERT_TRUE(png);
  ASSERT_EQ(png->width, 96);
  ASSERT_EQ(png->height, 40);
  EXPECT_EQ(decoded, png->rows);
}

}  // namespace
}  // namespace vn::pdf::jbig2::jbig2_decoder_test
