// The SSE2 inverse DCT gives exactly the samples of its plain version, and a
// flat block the one value of InverseDctDc, over typical, sparse and
// extreme coefficients.
#include "pdf/filters/idct.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace vn::pdf::filters::idct_test {
namespace {

TEST(InverseDct, Sse2AndFlatBlocksMatchThePlainVersion) {
  std::mt19937 random(5);
  int16_t block[64];
  uint8_t simd[64], plain[64];
  for (int round = 0; round < 20000; ++round) {
    // Typical coefficients, sparse ones, and values at the ends of 16 bits.
    const int kind = round % 4;
    for (int i = 0; i < 64; ++i) {
      int v = static_cast<int>(random() % 65536) - 32768;
      if (kind == 0) v /= 64;
      if (kind == 1) v = random() % 8 == 0 ? v / 16 : 0;
      if (kind == 2 && i > 0) v = 0;
      block[i] = static_cast<int16_t>(v);
    }
    InverseDct(block, simd, 8);
    InverseDctScalar(block, plain, 8);
    ASSERT_EQ(std::string(simd, simd + 64), std::string(plain, plain + 64)) << "round " << round;
    if (kind == 2) ASSERT_EQ(std::string(plain, plain + 64), std::string(64, static_cast<char>(InverseDctDc(block[0]))));
  }
}

}  // namespace
}  // namespace vn::pdf::filters::idct_test
