// CCITT facsimile coding of one-bit pictures for PDF image objects (the
// CCITTFaxDecode filter): Modified Huffman rows (Group 3, one-dimensional,
// PDF parameter K = 0) and two-dimensional Group 4 coding (K = -1).
//
// Group 3 data are the rows' run codes one after the other, with no
// end-of-line codes, no byte alignment and no return-to-control sequence at
// the end. Group 4 data end with the end-of-facsimile-block code. In both the
// last byte is filled up with 0 bits. White runs are coded as white (the PDF
// default BlackIs1 false).
//
// The encoders read bitmaps the caller keeps; they return new byte strings
// and keep no state between calls.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "platform/images/bitmap.h"
#include "runtime/streams.h"

namespace vn::pdfwriter {

enum class TvnCCITTCoding { Group3, Group4 };

// The picture as rows of one-bit pixels: Height rows of Stride bytes each in
// Bits, the leftmost pixel in the high bit, a set bit a white pixel.
struct TvnCCITTRows {
  int Width = 0;
  int Height = 0;
  size_t Stride = 0;
  std::span<const uint8_t> Bits;
};

// Codes the rows. A picture without pixels (width or height 0) gives no
// bytes. EArgumentException when the size is negative, Stride is too small
// for Width, or Bits is shorter than Height rows.
std::string EncodeCCITTRows(const TvnCCITTRows& rows, TvnCCITTCoding coding);

// Codes a bitmap of any pixel format: a one-bit bitmap by the grey level of
// its colour table entries, any other format by its grey level (composited
// onto white) against the threshold 128, as Bitmap::ConvertTo(pf1bit) does.
std::string EncodeCCITTBitmap(const platform::Bitmap& bitmap, TvnCCITTCoding coding);

// The stream form used by the PDF engine: a new memory stream at position 0
// holding the coded bitmap.
std::unique_ptr<vn::TMemoryStream> EncodeCCITTStream(const platform::Bitmap& bitmap, TvnCCITTCoding coding);

}  // namespace vn::pdfwriter
