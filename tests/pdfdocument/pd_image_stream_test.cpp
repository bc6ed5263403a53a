// Image lines: samples of every depth unpacked one per byte, lines starting
// on a byte, short data and refused sizes.
#include "pdfdocument/pd_image_stream.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/streams.h"

namespace vn::pdfdoc::pd_image_stream_test {

vn::pdf::Ref<vn::pdf::TvnStream> BytesStream(const std::vector<uint8_t>& bytes) {
  auto mem = std::make_shared<vn::TMemoryStream>();
  mem->WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
  return vn::pdf::MakeRef<vn::pdf::TvnMemoryStream>(mem, 0, 0, false);
}

TEST(PDImageStream, LinesOfEveryDepth) {
  struct Case {
    int width, comps, bits;
    std::vector<uint8_t> data;
    std::vector<std::vector<uint8_t>> lines;
    std::vector<int> valid;  // samples of each line the data held
  };
  const Case cases[] = {
      // 1 bit: the rest of each line's last byte is dropped.
      {3, 1, 1, {0xA0, 0x40}, {{1, 0, 1}, {0, 1, 0}}, {3, 3}},
      {2, 1, 2, {0xE4, 0x1B}, {{3, 2}, {0, 1}}, {2, 2}},
      {3, 1, 4, {0x12, 0x30, 0xAB, 0xC0}, {{1, 2, 3}, {10, 11, 12}}, {3, 3}},
      {1, 3, 8, {1, 2, 3, 4, 5, 6}, {{1, 2, 3}, {4, 5, 6}}, {3, 3}},
      // 16 bits: the high byte of each sample.
      {2, 1, 16, {0x12, 0x34, 0xFF, 0x01, 0x80, 0x00, 0x00, 0xFF}, {{0x12, 0xFF}, {0x80, 0x00}}, {2, 2}},
      // The data ends early: samples of 0, counted as missing.
      {2, 1, 8, {7}, {{7, 0}, {0, 0}}, {1, 0}},
      {3, 1, 4, {0x12, 0x30, 0xAB}, {{1, 2, 3}, {10, 11, 0}}, {3, 2}},
      {2, 1, 16, {0x12, 0x34, 0xFF}, {{0x12, 0xFF}, {0, 0}}, {2, 0}},
      {9, 1, 1, {0xFF, 0x80, 0x00}, {{1, 1, 1, 1, 1, 1, 1, 1, 1}, {0, 0, 0, 0, 0, 0, 0, 0, 0}}, {9, 8}},
  };
  for (const auto& c : cases) {
    auto stream = BytesStream(c.data);
    TvnPDImageStream lines(stream.get(), c.width, c.comps, c.bits);
    ASSERT_TRUE(lines.IsOk());
    SCOPED_TRACE(testing::Message() << c.bits << " bits, width " << c.width);
    for (size_t i = 0; i < c.lines.size(); ++i) {
      const auto& line = lines.GetLine();
      EXPECT_EQ(std::vector<uint8_t>(line.begin(), line.begin() + lines.NoVals()), c.lines[i]);
      EXPECT_EQ(lines.ValidVals(), c.valid[i]) << "line " << i;
    }
    lines.Reset();
    lines.SkipLine();
    const auto& second = lines.GetLine();
    EXPECT_EQ(std::vector<uint8_t>(second.begin(), second.begin() + lines.NoVals()), c.lines[1]);
    EXPECT_EQ(lines.ValidVals(), c.valid[1]);
  }
}

TEST(PDImageStream, RefusedSizes) {
  auto stream = BytesStream({1, 2, 3});
  struct Case {
    int width, comps, bits;
  };
  for (const auto& c : {Case{0, 1, 8}, Case{-4, 1, 8}, Case{4, 0, 8}, Case{4, 33, 8}, Case{4, 1, 3}, Case{4, 1, 32},
                        Case{1 << 30, 32, 8}}) {
    TvnPDImageStream lines(stream.get(), c.width, c.comps, c.bits);
    EXPECT_FALSE(lines.IsOk()) << c.width << " " << c.comps << " " << c.bits;
    EXPECT_TRUE(lines.GetLine().empty());
    lines.SkipLine();
  }
  TvnPDImageStream no_stream(nullptr, 4, 1, 8);
  EXPECT_FALSE(no_stream.IsOk());
}

}  // namespace vn::pdfdoc::pd_image_stream_test
