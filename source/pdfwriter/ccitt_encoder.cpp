// CCITT Group 3 (Modified Huffman) and Group 4 encoders. The code tables are
// those of ITU-T T.4, written as texts of 0 and 1 and turned into bit
// patterns at compile time; the mode codes are those of T.4 and T.6.
#include "pdfwriter/ccitt_encoder.h"

#include <algorithm>
#include <array>
#include <string_view>
#include <vector>

#include "runtime/exceptions.h"
#include "runtime/numbers.h"

namespace vn::pdfwriter {
namespace {

struct Code {
  uint16_t Bits = 0;  // the code in the low Length bits, first bit highest
  uint8_t Length = 0;
};

consteval Code C(std::string_view text) {
  Code code;
  for (char c : text) code.Bits = static_cast<uint16_t>((code.Bits << 1) | (c == '1' ? 1 : 0));
  code.Length = static_cast<uint8_t>(text.size());
  return code;
}

// Terminating codes, indexed by run length 0..63.
constexpr std::array<Code, 64> kWhiteTerminating = {
    C("00110101"), C("000111"),   C("0111"),     C("1000"),     C("1011"),     C("1100"),     C("1110"),     C("1111"),
    C("10011"),    C("10100"),    C("00111"),    C("01000"),    C("001000"),   C("000011"),   C("110100"),   C("110101"),
    C("101010"),   C("101011"),   C("0100111"),  C("0001100"),  C("0001000"),  C("0010111"),  C("0000011"),  C("0000100"),
    C("0101000"),  C("0101011"),  C("0010011"),  C("0100100"),  C("0011000"),  C("00000010"), C("00000011"), C("00011010"),
    C("00011011"), C("00010010"), C("00010011"), C("00010100"), C("00010101"), C("00010110"), C("00010111"), C("00101000"),
    C("00101001"), C("00101010"), C("00101011"), C("00101100"), C("00101101"), C("00000100"), C("00000101"), C("00001010"),
    C("00001011"), C("01010010"), C("01010011"), C("01010100"), C("01010101"), C("00100100"), C("00100101"), C("01011000"),
    C("01011001"), C("01011010"), C("01011011"), C("01001010"), C("01001011"), C("00110010"), C("00110011"), C("00110100"),
};

constexpr std::array<Code, 64> kBlackTerminating = {
    C("0000110111"),   C("010"),          C("11"),           C("10"),           C("011"),          C("0011"),
    C("0010"),         C("00011"),        C("000101"),       C("000100"),       C("0000100"),      C("0000101"),
    C("0000111"),      C("00000100"),     C("00000111"),     C("000011000"),    C("0000010111"),   C("0000011000"),
    C("0000001000"),   C("00001100111"),  C("00001101000"),  C("00001101100"),  C("00000110111"),  C("00000101000"),
    C("00000010111"),  C("00000011000"),  C("000011001010"), C("000011001011"), C("000011001100"), C("000011001101"),
    C("000001101000"), C("000001101001"), C("000001101010"), C("000001101011"), C("000011010010"), C("000011010011"),
    C("000011010100"), C("000011010101"), C("000011010110"), C("000011010111"), C("000001101100"), C("000001101101"),
    C("000011011010"), C("000011011011"), C("000001010100"), C("000001010101"), C("000001010110"), C("000001010111"),
    C("000001100100"), C("000001100101"), C("000001010010"), C("000001010011"), C("000000100100"), C("000000110111"),
    C("000000111000"), C("000000100111"), C("000000101000"), C("000001011000"), C("000001011001"), C("000000101011"),
    C("000000101100"), C("000001011010"), C("000001100110"), C("000001100111"),
};

// Make-up codes, indexed 1..40 for run lengths 64 times the index; entries
// 28..40 (1792..2560) are the extended codes both colours share. Entry 0 is unused.
constexpr std::array<Code, 41> kWhiteMakeUp = {
    Code{},           C("11011"),       C("10010"),       C("010111"),       C("0110111"),      C("00110110"),
    C("00110111"),    C("01100100"),    C("01100101"),    C("01101000"),     C("01100111"),     C("011001100"),
    C("011001101"),   C("011010010"),   C("011010011"),   C("011010100"),    C("011010101"),    C("011010110"),
    C("011010111"),   C("011011000"),   C("011011001"),   C("011011010"),    C("011011011"),    C("010011000"),
    C("010011001"),   C("010011010"),   C("011000"),      C("010011011"),    C("00000001000"),  C("00000001100"),
    C("00000001101"), C("000000010010"), C("000000010011"), C("000000010100"), C("000000010101"), C("000000010110"),
    C("000000010111"), C("000000011100"), C("000000011101"), C("000000011110"), C("000000011111"),
};

constexpr std::array<Code, 41> kBlackMakeUp = {
    Code{},            C("0000001111"),    C("000011001000"),  C("000011001001"),  C("000001011011"),
    C("000000110011"), C("000000110100"),  C("000000110101"),  C("0000001101100"), C("0000001101101"),
    C("0000001001010"), C("0000001001011"), C("0000001001100"), C("0000001001101"), C("0000001110010"),
    C("0000001110011"), C("0000001110100"), C("0000001110101"), C("0000001110110"), C("0000001110111"),
    C("0000001010010"), C("0000001010011"), C("0000001010100"), C("0000001010101"), C("0000001011010"),
    C("0000001011011"), C("0000001100100"), C("0000001100101"), C("00000001000"),   C("00000001100"),
    C("00000001101"),  C("000000010010"),  C("000000010011"),  C("000000010100"),  C("000000010101"),
    C("000000010110"), C("000000010111"),  C("000000011100"),  C("000000011101"),  C("000000011110"),
    C("000000011111"),
};

constexpr Code kPass = C("0001");
constexpr Code kHorizontal = C("001");
// Vertical codes by a1 - b1 + 3 (VL3, VL2, VL1, V0, VR1, VR2, VR3).
constexpr std::array<Code, 7> kVertical = {C("0000010"), C("000010"), C("010"), C("1"), C("011"), C("000011"), C("0000011")};
constexpr Code kMakeUp2560 = C("000000011111");
constexpr Code kEndOfLine = C("000000000001");  // twice: end of facsimile block

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
