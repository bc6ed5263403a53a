// The inverse DCT of the JPEG decoder: an 8 x 8 block of dequantised
// coefficients (natural order, row by row) to 8 x 8 samples. A row pass and
// a column pass of the same fixed-point butterfly, every intermediate value
// kept to signed 16 bits (wrapping), 12-bit constants; each sample is
// 128 + ((value + 8) >> 4) clamped to 0..255.
//
// InverseDct uses SSE2 where the machine has it and gives exactly the
// samples of InverseDctScalar, the plain version of the same arithmetic.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vn::pdf::filters {

// Writes 8 rows of 8 samples at `out`, rows `stride` bytes apart.
void InverseDct(const int16_t* coefficients, uint8_t* out, ptrdiff_t stride);
void InverseDctScalar(const int16_t* coefficients, uint8_t* out, ptrdiff_t stride);
// The one sample value of a block whose coefficients other than the first
// are all 0.
uint8_t InverseDctDc(int16_t dc);

}  // namespace vn::pdf::filters
