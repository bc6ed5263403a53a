#include "pdf/filters/idct.h"

#include <algorithm>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vn::pdf::filters {

namespace {

// 12-bit fixed-point constants: sqrt(2), sqrt(2)/2, cos and sin of pi/16,
// 3pi/16 and 6pi/16, each times 4096.
constexpr int kSqrt2 = 5793;
constexpr int kHalfSqrt2 = 2896;
constexpr int kCos1 = 4017, kSin1 = 799;
constexpr int kCos3 = 3406, kSin3 = 2276;
constexpr int kCos6 = 1567, kSin6 = 3784;

// A value kept to 16 bits; the conversion wraps.
inline int16_t W(int v) { return static_cast<int16_t>(v); }

// One 8-point pass over v[0], v[stride], ... v[7 * stride]. The row pass
// rounds its rotations to 8 fraction bits and scales the odd inputs p3 and
// p5 by 16; the column pass rounds to 12 bits.
template <bool kRowPass>
void Pass(int16_t* v, int stride) {
  constexpr int R = kRowPass ? 128 : 2048;
  constexpr int N = kRowPass ? 8 : 12;
  const int p0 = v[0], p1 = v[stride], p2 = v[2 * stride], p3 = v[3 * stride];
  const int p4 = v[4 * stride], p5 = v[5 * stride], p6 = v[6 * stride], p7 = v[7 * stride];
  if ((p1 | p2 | p3 | p4 | p5 | p6 | p7) == 0) {
    const int16_t dc = kRowPass ? W((kSqrt2 * p0 + 512) >> 10) : W((kSqrt2 * p0 + 8192) >> 14);
    for (int i = 0; i < 8; ++i) v[i * stride] = dc;
    return;
  }
  int16_t a0 = W((kSqrt2 * p0 + R) >> N);
  int16_t a1 = W((kSqrt2 * p4 + R) >> N);
  int16_t a2 = W(p2);
  int16_t a3 = W(p6);
  int16_t a4 = W((kHalfSqrt2 * (p1 - p7) + R) >> N);
  int16_t a7 = W((kHalfSqrt2 * (p1 + p7) + R) >> N);
  int16_t a5 = kRowPass ? W(p3 * 16) : W(p3);
  int16_t a6 = kRowPass ? W(p5 * 16) : W(p5);
  int16_t t;

  t = W((a0 - a1 + 1) >> 1), a0 = W((a0 + a1 + 1) >> 1), a1 = t;
  t = W((kSin6 * a2 + kCos6 * a3 + R) >> N), a2 = W((kCos6 * a2 - kSin6 * a3 + R) >> N), a3 = t;
  t = W((a4 - a6 + 1) >> 1), a4 = W((a4 + a6 + 1) >> 1), a6 = t;
  t = W((a7 + a5 + 1) >> 1), a5 = W((a7 - a5 + 1) >> 1), a7 = t;

  t = W((a0 - a3 + 1) >> 1), a0 = W((a0 + a3 + 1) >> 1), a3 = t;
  t = W((a1 - a2 + 1) >> 1), a1 = W((a1 + a2 + 1) >> 1), a2 = t;
  t = W((kSin3 * a4 + kCos3 * a7 + 2048) >> 12), a4 = W((kCos3 * a4 - kSin3 * a7 + 2048) >> 12), a7 = t;
  t = W((kSin1 * a5 + kCos1 * a6 + 2048) >> 12), a5 = W((kCos1 * a5 - kSin1 * a6 + 2048) >> 12), a6 = t;

  v[0] = W(a0 + a7), v[7 * stride] = W(a0 - a7);
  v[stride] = W(a1 + a6), v[6 * stride] = W(a1 - a6);
  v[2 * stride] = W(a2 + a5), v[5 * stride] = W(a2 - a5);
  v[3 * stride] = W(a3 + a4), v[4 * stride] = W(a3 - a4);
}

#if defined(__SSE2__)

// The same arithmetic on eight vectors at once, lane i of each being one
// vector of the scalar pass.
struct Simd {
  // (c * x + r) >> n per lane, kept to 16 bits.
  static __m128i MulRound(__m128i x, int c, int r, int n) {
    const __m128i k = _mm_set1_epi32(static_cast<int>((static_cast<uint32_t>(r) << 16) | static_cast<uint16_t>(c)));
    const __m128i one = _mm_set1_epi16(1);
    const __m128i lo = _mm_madd_epi16(_mm_unpacklo_epi16(x, one), k);
    const __m128i hi = _mm_madd_epi16(_mm_unpackhi_epi16(x, one), k);
    return ShiftNarrow(lo, hi, n);
  }
  // (c1 * x + c2 * y + r) >> n per lane, kept to 16 bits.
  static __m128i Rotate(__m128i x, __m128i y, int c1, int c2, int r, int n) {
    const __m128i k = _mm_set1_epi32(static_cast<int>((static_cast<uint32_t>(c2) << 16) | static_cast<uint16_t>(c1)));
    const __m128i round = _mm_set1_epi32(r);
    const __m128i lo = _mm_add_epi32(_mm_madd_epi16(_mm_unpacklo_epi16(x, y), k), round);
    const __m128i hi = _mm_add_epi32(_mm_madd_epi16(_mm_unpackhi_epi16(x, y), k), round);
    return ShiftNarrow(lo, hi, n);
  }
  // The 32-bit lanes shifted right by n (up to 16) and kept to 16 bits,
  // wrapping: bits n to n + 15 of each, sign-extended, then packed.
  static __m128i ShiftNarrow(__m128i lo, __m128i hi, int n) {
    lo = _mm_srai_epi32(_mm_slli_epi32(lo, 16 - n), 16);
    hi = _mm_srai_epi32(_mm_slli_epi32(hi, 16 - n), 16);
    return _mm_packs_epi32(lo, hi);
  }
  // (a + b + 1) >> 1 without leaving 16 bits.
  static __m128i Average(__m128i a, __m128i b) {
    const __m128i odd = _mm_and_si128(_mm_or_si128(a, b), _mm_set1_epi16(1));
    return _mm_add_epi16(_mm_add_epi16(_mm_srai_epi16(a, 1), _mm_srai_epi16(b, 1)), odd);
  }
  // (a - b + 1) >> 1 without leaving 16 bits.
  static __m128i HalfDifference(__m128i a, __m128i b) {
    const __m128i odd = _mm_and_si128(_mm_andnot_si128(b, a), _mm_set1_epi16(1));
    return _mm_add_epi16(_mm_sub_epi16(_mm_srai_epi16(a, 1), _mm_srai_epi16(b, 1)), odd);
  }

  static void Transpose(__m128i v[8]) {
    const __m128i t0 = _mm_unpacklo_epi16(v[0], v[1]), t1 = _mm_unpackhi_epi16(v[0], v[1]);
    const __m128i t2 = _mm_unpacklo_epi16(v[2], v[3]), t3 = _mm_unpackhi_epi16(v[2], v[3]);
    const __m128i t4 = _mm_unpacklo_epi16(v[4], v[5]), t5 = _mm_unpackhi_epi16(v[4], v[5]);
    const __m128i t6 = _mm_unpacklo_epi16(v[6], v[7]), t7 = _mm_unpackhi_epi16(v[6], v[7]);
    const __m128i u0 = _mm_unpacklo_epi32(t0, t2), u1 = _mm_unpackhi_epi32(t0, t2);
    const __m128i u2 = _mm_unpacklo_epi32(t1, t3), u3 = _mm_unpackhi_epi32(t1, t3);
    const __m128i u4 = _mm_unpacklo_epi32(t4, t6), u5 = _mm_unpackhi_epi32(t4, t6);
    const __m128i u6 = _mm_unpacklo_epi32(t5, t7), u7 = _mm_unpackhi_epi32(t5, t7);
    v[0] = _mm_unpacklo_epi64(u0, u4), v[1] = _mm_unpackhi_epi64(u0, u4);
    v[2] = _mm_unpacklo_epi64(u1, u5), v[3] = _mm_unpackhi_epi64(u1, u5);
    v[4] = _mm_unpacklo_epi64(u2, u6), v[5] = _mm_unpackhi_epi64(u2, u6);
    v[6] = _mm_unpacklo_epi64(u3, u7), v[7] = _mm_unpackhi_epi64(u3, u7);
  }

  template <bool kRowPass>
  static void Pass(__m128i p[8]) {
    constexpr int R = kRowPass ? 128 : 2048;
    constexpr int N = kRowPass ? 8 : 12;
    // Vectors of a lone first value take the scalar pass's shortcut; an
    // all-zero vector comes out zero either way.
    const __m128i zero = _mm_setzero_si128();
    __m128i ac = _mm_or_si128(_mm_or_si128(p[1], p[2]), _mm_or_si128(p[3], p[4]));
    ac = _mm_or_si128(ac, _mm_or_si128(_mm_or_si128(p[5], p[6]), p[7]));
    const __m128i dc_only = _mm_andnot_si128(_mm_cmpeq_epi16(p[0], zero), _mm_cmpeq_epi16(ac, zero));
    const bool any_dc_only = _mm_movemask_epi8(dc_only) != 0;

    __m128i a0 = MulRound(p[0], kSqrt2, R, N);
    __m128i a1 = MulRound(p[4], kSqrt2, R, N);
    __m128i a2 = p[2];
    __m128i a3 = p[6];
    __m128i a4 = Rotate(p[1], p[7], kHalfSqrt2, -kHalfSqrt2, R, N);
    __m128i a7 = Rotate(p[1], p[7], kHalfSqrt2, kHalfSqrt2, R, N);
    __m128i a5 = kRowPass ? _mm_slli_epi16(p[3], 4) : p[3];
    __m128i a6 = kRowPass ? _mm_slli_epi16(p[5], 4) : p[5];
    __m128i t;

    t = HalfDifference(a0, a1), a0 = Average(a0, a1), a1 = t;
    t = Rotate(a2, a3, kSin6, kCos6, R, N), a2 = Rotate(a2, a3, kCos6, -kSin6, R, N), a3 = t;
    t = HalfDifference(a4, a6), a4 = Average(a4, a6), a6 = t;
    t = Average(a7, a5), a5 = HalfDifference(a7, a5), a7 = t;

    t = HalfDifference(a0, a3), a0 = Average(a0, a3), a3 = t;
    t = HalfDifference(a1, a2), a1 = Average(a1, a2), a2 = t;
    t = Rotate(a4, a7, kSin3, kCos3, 2048, 12), a4 = Rotate(a4, a7, kCos3, -kSin3, 2048, 12), a7 = t;
    t = Rotate(a5, a6, kSin1, kCos1, 2048, 12), a5 = Rotate(a5, a6, kCos1, -kSin1, 2048, 12), a6 = t;

    const __m128i out[8] = {_mm_add_epi16(a0, a7), _mm_add_epi16(a1, a6), _mm_add_epi16(a2, a5),
                            _mm_add_epi16(a3, a4), _mm_sub_epi16(a3, a4), _mm_sub_epi16(a2, a5),
                            _mm_sub_epi16(a1, a6), _mm_sub_epi16(a0, a7)};
    if (!any_dc_only) {
      for (int i = 0; i < 8; ++i) p[i] = out[i];
      return;
    }
    const __m128i dc = kRowPass ? MulRound(p[0], kSqrt2, 512, 10) : MulRound(p[0], kSqrt2, 8192, 14);
    for (int i = 0; i < 8; ++i) p[i] = _mm_or_si128(_mm_and_si128(dc_only, dc), _mm_andnot_si128(dc_only, out[i]));
  }
};

#endif

}  // namespace

void InverseDctScalar(const int16_t* coefficients, uint8_t* out, ptrdiff_t stride) {
  int16_t block[64];
  std::copy(coefficients, coefficients + 64, block);
  for (int row = 0; row < 8; ++row) Pass<true>(block + row * 8, 1);
  for (int column = 0; column < 8; ++column) Pass<false>(block + column, 8);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x)
      out[y * stride + x] = static_cast<uint8_t>(std::clamp(128 + ((block[y * 8 + x] + 8) >> 4), 0, 255));
}

uint8_t InverseDctDc(int16_t dc) {
  // Row 0 and then every column take the passes' shortcut for a lone first value.
  const int row = W((kSqrt2 * dc + 512) >> 10);
  const int column = W((kSqrt2 * row + 8192) >> 14);
  return static_cast<uint8_t>(std::clamp(128 + ((column + 8) >> 4), 0, 255));
}

void InverseDct(const int16_t* coefficients, uint8_t* out, ptrdiff_t stride) {
#if defined(__SSE2__)
  __m128i v[8];
  for (int i = 0; i < 8; ++i) v[i] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(coefficients + 8 * i));
  // Lanes are rows in the row pass and columns in the column pass.
  Simd::Transpose(v);
  Simd::Pass<true>(v);
  Simd::Transpose(v);
  Simd::Pass<false>(v);
  const __m128i four = _mm_set1_epi16(4), bias = _mm_set1_epi16(128);
  for (int y = 0; y < 8; ++y) {
    // (v + 8) >> 4 as ((v >> 1) + 4) >> 3, which stays within 16 bits.
    const __m128i s = _mm_add_epi16(_mm_srai_epi16(_mm_add_epi16(_mm_srai_epi16(v[y], 1), four), 3), bias);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out + y * stride), _mm_packus_epi16(s, s));
  }
#else
  InverseDctScalar(coefficients, out, stride);
#endif
}

}  // namespace vn::pdf::filters
