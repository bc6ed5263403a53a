// CCITT Group 3 (Modified Huffman) and Group 4 encoders over the code tables
// of runtime/fax_codes.h.
#include "pdfwriter/ccitt_encoder.h"

#include <algorithm>
#include <array>
#include <string_view>
#include <vector>

#include "runtime/exceptions.h"
#include "runtime/fax_codes.h"
#include "runtime/numbers.h"

namespace vn::pdfwriter {
namespace {

using namespace codec::fax;

// Collects code bits, first bit highest, into whole bytes.
class BitWriter {
 public:
  void Put(Code code) {
    acc_ = (acc_ << code.Length) | code.Bits;
    count_ += code.Length;
    while (count_ >= 8) {
      count_ -= 8;
      out_.push_back(static_cast<char>((acc_ >> count_) & 0xFF));
    }
    acc_ &= (uint32_t{1} << count_) - 1;
  }
  // Fills the last byte with 0 bits and hands the bytes over.
  std::string Finish() {
    if (count_ > 0) out_.push_back(static_cast<char>((acc_ << (8 - count_)) & 0xFF));
    acc_ = 0;
    count_ = 0;
    return std::move(out_);
  }

 private:
  std::string out_;
  uint32_t acc_ = 0;
  int count_ = 0;
};

// A run of n pixels of one colour: 2560 codes while n >= 2560, one make-up
// code for the multiple of 64, then the terminating code (also for 0).
void PutRun(BitWriter& out, int64_t n, bool white) {
  while (n >= 2560) {
    out.Put(kMakeUp2560);
    n -= 2560;
  }
  if (n > 63) {
    out.Put(white ? kWhiteMakeUp[static_cast<size_t>(n / 64)] : kBlackMakeUp[static_cast<size_t>(n / 64)]);
    n %= 64;
  }
  out.Put(white ? kWhiteTerminating[static_cast<size_t>(n)] : kBlackTerminating[static_cast<size_t>(n)]);
}

// The changing elements of a row: the 0-based positions whose pixel differs
// in colour from the pixel before it (the imaginary pixel before the row is
// white), so even entries turn to black and odd ones back to white; the list
// ends with `width`.
void ChangingElements(std::span<const uint8_t> row, int width, std::vector<int>& out) {
  out.clear();
  bool white = true;
  int x = 0;
  while (x < width) {
    const uint8_t byte = row[static_cast<size_t>(x >> 3)];
    // Whole bytes of the current colour are skipped at once.
    if ((x & 7) == 0 && byte == (white ? 0xFF : 0x00)) {
      x += 8;
      continue;
    }
    const bool pixel_white = (byte & (0x80 >> (x & 7))) != 0;
    if (pixel_white != white) {
      out.push_back(x);
      white = pixel_white;
    }
    ++x;
  }
  out.push_back(width);
}

void EncodeGroup3Row(BitWriter& out, const std::vector<int>& changes) {
  int start = 0;
  bool white = true;
  for (int change : changes) {
    // The first (white) run may be empty; every later run has pixels.
    if (change > start || white) PutRun(out, change - start, white);
    start = change;
    white = !white;
  }
}

// One row coded against the reference row (T.6 section 2.2).
void EncodeGroup4Row(BitWriter& out, const std::vector<int>& coding, const std::vector<int>& reference, int width) {
  int a0 = -1;  // the imaginary white pixel before the row
  bool white = true;
  size_t ia = 0;  // first coding element right of a0
  size_t ib = 0;  // first reference element right of a0
  while (a0 < width) {
    while (coding[ia] <= a0 && coding[ia] < width) ++ia;
    const int a1 = coding[ia];
    const int a2 = a1 < width ? coding[ia + 1] : width;
    while (reference[ib] <= a0 && reference[ib] < width) ++ib;
    // b1 changes to the colour opposite a0's: even entries turn to black.
    size_t jb = ib;
    if (reference[jb] < width && ((jb % 2 == 0) != white)) ++jb;
    const int b1 = reference[jb];
    const int b2 = b1 < width ? reference[jb + 1] : width;
    if (b2 < a1) {
      out.Put(kPass);
      a0 = b2;
    } else if (a1 - b1 >= -3 && a1 - b1 <= 3) {
      out.Put(kVertical[static_cast<size_t>(a1 - b1 + 3)]);
      a0 = a1;
      white = !white;
    } else {
      out.Put(kHorizontal);
      PutRun(out, a1 - std::max(a0, 0), white);
      PutRun(out, a2 - a1, !white);
      a0 = a2;
    }
  }
}

}  // namespace

std::string EncodeCCITTRows(const TvnCCITTRows& rows, TvnCCITTCoding coding) {
  if (rows.Width < 0 || rows.Height < 0) throw vn::EArgumentException("CCITT encoder: negative picture size");
  if (rows.Width == 0 || rows.Height == 0) return {};
  const size_t row_bytes = (static_cast<size_t>(rows.Width) + 7) / 8;
  if (rows.Stride < row_bytes) throw vn::EArgumentException("CCITT encoder: row stride too small for the width");
  const auto before_last = vn::CheckedMul(rows.Stride, static_cast<size_t>(rows.Height - 1));
  const auto needed = before_last ? vn::CheckedAdd(*before_last, row_bytes) : std::nullopt;
  if (!needed || rows.Bits.size() < *needed) throw vn::EArgumentException("CCITT encoder: pixel data shorter than the rows");

  BitWriter out;
  std::vector<int> line;
  std::vector<int> reference{rows.Width};  // the imaginary all-white row above the first
  line.reserve(64);
  for (int y = 0; y < rows.Height; ++y) {
    const auto row = rows.Bits.subspan(static_cast<size_t>(y) * rows.Stride, row_bytes);
    ChangingElements(row, rows.Width, line);
    if (coding == TvnCCITTCoding::Group3) {
      EncodeGroup3Row(out, line);
    } else {
      // Sentinels after the end let the search read one entry past width.
      line.push_back(rows.Width);
      EncodeGroup4Row(out, line, reference, rows.Width);
      std::swap(line, reference);
    }
  }
  if (coding == TvnCCITTCoding::Group4) {
    out.Put(kEndOfLine);
    out.Put(kEndOfLine);
  }
  return out.Finish();
}

std::string EncodeCCITTBitmap(const platform::Bitmap& bitmap, TvnCCITTCoding coding) {
  if (bitmap.Empty()) return {};
  platform::Bitmap converted;
  const platform::Bitmap* mono = &bitmap;
  bool invert = false;
  if (bitmap.Format() == platform::PixelFormat::pf1bit) {
    // A one-bit bitmap keeps its bits; its colour table says which is white,
    // judged as ConvertTo judges every other picture.
    platform::Bitmap probe(2, 1, platform::PixelFormat::pf1bit);
    probe.SetPalette(bitmap.Palette());
    probe.MutableRow(0)[0] = 0x40;  // pixel 0 index 0, pixel 1 index 1
    const platform::Bitmap grey = probe.ConvertTo(platform::PixelFormat::pf8bit);
    auto white = [&](int i) { return grey.Row(0)[static_cast<size_t>(i)] >= 128; };
    const bool white0 = white(0), white1 = white(1);
    if (white0 == white1) {
      // Both entries one colour: the picture is plain.
      platform::Bitmap plain(bitmap.Width(), bitmap.Height(), platform::PixelFormat::pf1bit);
      if (white0)
        for (int y = 0; y < plain.Height(); ++y) {
          auto row = plain.MutableRow(y);
          std::fill(row.begin(), row.end(), uint8_t{0xFF});
        }
      converted = std::move(plain);
      mono = &converted;
    } else {
      invert = white0;
    }
  } else {
    converted = bitmap.ConvertTo(platform::PixelFormat::pf1bit);
    mono = &converted;
  }
  if (invert) {
    if (mono != &converted) {
      converted = *mono;
      mono = &converted;
    }
    for (int y = 0; y < converted.Height(); ++y)
      for (uint8_t& b : converted.MutableRow(y)) b = static_cast<uint8_t>(~b);
  }
  TvnCCITTRows rows;
  rows.Width = mono->Width();
  rows.Height = mono->Height();
  rows.Stride = mono->Stride();
  rows.Bits = std::span<const uint8_t>(mono->Bits(), mono->Stride() * static_cast<size_t>(mono->Height()));
  return EncodeCCITTRows(rows, coding);
}

std::unique_ptr<vn::TMemoryStream> EncodeCCITTStream(const platform::Bitmap& bitmap, TvnCCITTCoding coding) {
  auto stream = std::make_unique<vn::TMemoryStream>();
  stream->WriteString(EncodeCCITTBitmap(bitmap, coding));
  stream->SetPosition(0);
  return stream;
}

}  // namespace vn::pdfwriter
