// Text regions placing the symbols of a dictionary with every reference
// corner, transposed or not, with strips and negative and positive
// SBDSOFFSET values, and with refinement: the page equals jbig2dec's for the
// same embedded stream, coded here by the reference encoder.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "pdf/jbig2/jbig2_decoder.h"
#include "pdf/jbig2/text_region.h"
#include "test_support.h"

namespace vn::pdf::jbig2::text_region_test {
namespace {

using testing::EncodeGeneric;
using testing::EncodeIaid;
using testing::EncodeInteger;
using testing::GenericParams;
using testing::Image;
using testing::MqEncoder;
using testing::NominalAt;
using testing::PageInfo;
using testing::PutU32;
using testing::RegionInfo;
using testing::Segment;

std::vector<Image> Symbols(unsigned seed) {
  std::vector<Image> symbols;
  std::mt19937 rng(seed);
  for (int height : {5, 9}) {
    for (int width : {3, 6, 11}) {
      Image s = testing::TextLikeImage(width, height, static_cast<unsigned>(rng()));
      s.Set(0, 0, 1);
      s.Set(width - 1, height - 1, 1);
      symbols.push_back(s);
    }
  }
  return symbols;
}

// An arithmetic symbol dictionary exporting `symbols` (grouped by height,
// widths increasing within a height).
std::string Dictionary(const std::vector<Image>& symbols) {
  MqEncoder mq;
  std::vector<uint8_t> iadh(512), iadw(512), iaex(512), gb(65536);
  GenericParams p;
  p.at = NominalAt(0);
  int height = 0;
  for (size_t i = 0; i < symbols.size();) {
    EncodeInteger(mq, iadh, symbols[i].height - height);
    height = symbols[i].height;
    int width = 0;
    for (; i < symbols.size() && symbols[i].height == height; ++i) {
      EncodeInteger(mq, iadw, symbols[i].width - width);
      width = symbols[i].width;
      EncodeGeneric(mq, gb, symbols[i], p);
    }
    EncodeInteger(mq, iadw, std::nullopt);
  }
  EncodeInteger(mq, iaex, 0);
  EncodeInteger(mq, iaex, static_cast<int64_t>(symbols.size()));
  std::string s("\x00\x00", 2);
  for (int v : {3, -1, -3, -1, 2, -2, -2, -2}) s.push_back(static_cast<char>(v));
  PutU32(s, static_cast<uint32_t>(symbols.size()));
  PutU32(s, static_cast<uint32_t>(symbols.size()));
  return s + mq.Finish();
}

struct Layout {
  int corner;
  bool transposed;
  int ds_offset_field;  // 5 bits
  int log_strips;
  bool refine;
};

// A text region of random instances over the dictionary's symbols.
std::string TextRegion(const Layout& l, int symbol_count, int width, int height, unsigned seed, int* instances) {
  std::mt19937 rng(seed);
  MqEncoder mq;
  std::vector<uint8_t> iadt(512), iafs(512), iads(512), iait(512), iari(512), iaid(64);
  std::vector<uint8_t> iardw(512), iardh(512), iardx(512), iardy(512), gr(8192);
  const int code_length = 3;  // 6 symbols
  const int strips = 1 << l.log_strips;
  int count = 0;
  EncodeInteger(mq, iadt, 0);
  for (int strip = 0; strip < 4; ++strip) {
    EncodeInteger(mq, iadt, 1 + static_cast<int>(rng() % 4));  // times SBSTRIPS
    EncodeInteger(mq, iafs, static_cast<int>(rng() % 9) - 2);
    const int in_strip = 2 + static_cast<int>(rng() % 5);
    for (int k = 0; k < in_strip; ++k) {
      if (k > 0) EncodeInteger(mq, iads, static_cast<int>(rng() % 7) - 1);
      if (strips > 1) EncodeInteger(mq, iait, static_cast<int>(rng() % static_cast<unsigned>(strips)));
      EncodeIaid(mq, iaid, static_cast<int>(rng() % static_cast<unsigned>(symbol_count)), code_length);
      if (l.refine) EncodeInteger(mq, iari, 0);
      ++count;
    }
    EncodeInteger(mq, iads, std::nullopt);
  }
  *instances = count;
  std::string s = RegionInfo(static_cast<uint32_t>(width), static_cast<uint32_t>(height), 2, 3);
  const int flags = (l.refine ? 2 : 0) | l.log_strips << 2 | l.corner << 4 | (l.transposed ? 1 << 6 : 0) |
                    l.ds_offset_field << 10;
  s.push_back(static_cast<char>(flags >> 8));
  s.push_back(static_cast<char>(flags & 0xFF));
  if (l.refine)
    for (int v : {-1, -1, -1, -1}) s.push_back(static_cast<char>(v));
  PutU32(s, static_cast<uint32_t>(count));
  return s + mq.Finish();
}

Image Decode(const std::string& stream) {
  auto page = DecodeEmbeddedPage(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(stream.data()), stream.size()), {});
  return page ? testing::FromBitmap(*page) : Image();
}

TEST(TextRegion, PlacementsEqualJbig2dec) {
  VN_REQUIRE_TOOL("jbig2dec");
  const std::vector<Image> symbols = Symbols(11);
  const std::string dictionary = Segment(1, 0, {}, 1, Dictionary(symbols));
  unsigned seed = 1;
  int checked = 0;
  for (int corner = 0; corner < 4; ++corner) {
    for (bool transposed : {false, true}) {
      for (int ds : {0, 3, 17}) {  // 17: SBDSOFFSET -15
        const Layout layout{corner, transposed, ds, ds == 3 ? 1 : 0, ds == 17};
        SCOPED_TRACE("corner " + std::to_string(corner) + (transposed ? " transposed" : "") + " ds " +
                     std::to_string(ds));
        int instances = 0;
        const std::string text = TextRegion(layout, static_cast<int>(symbols.size()), 90, 60, ++seed, &instances);
        const std::string stream = Segment(0, 48, {}, 1, PageInfo(96, 70)) + dictionary + Segment(2, 6, {1}, 1, text);
        const Image ours = Decode(stream);
        const auto theirs = testing::Jbig2dec(stream);
        ASSERT_TRUE(theirs);
        int black = 0;
        for (uint8_t p : ours.pixels) black += p;
        EXPECT_GT(black, 0);
        EXPECT_TRUE(ours == *theirs);
        ++checked;
      }
    }
  }
  EXPECT_EQ(checked, 24);
}

TEST(TextRegion, SymbolCodeLengths) {
  EXPECT_EQ(SymbolCodeLength(0), 0);
  EXPECT_EQ(SymbolCodeLength(1), 0);
  EXPECT_EQ(SymbolCodeLength(2), 1);
  EXPECT_EQ(SymbolCodeLength(8), 3);
  EXPECT_EQ(SymbolCodeLength(9), 4);
}

}  // namespace
}  // namespace vn::pdf::jbig2::text_region_test
