#include "pdf/jbig2/arithmetic_decoder.h"

#include <optional>

#include "pdf/jbig2/exceptions.h"

namespace vn::pdf::jbig2 {

// Qe, NMPS, NLPS and SWITCH per probability state.
const TvnArithmeticDecoder::QeRow TvnArithmeticDecoder::kQeTable[47] = {
    {0x5601, 1, 1, 1},   {0x3401, 2, 6, 0},   {0x1801, 3, 9, 0},   {0x0AC1, 4, 12, 0},
    {0x0521, 5, 29, 0},  {0x0221, 38, 33, 0}, {0x5601, 7, 6, 1},   {0x5401, 8, 14, 0},
    {0x4801, 9, 14, 0},  {0x3801, 10, 14, 0}, {0x3001, 11, 17, 0}, {0x2401, 12, 18, 0},
    {0x1C01, 13, 20, 0}, {0x1601, 29, 21, 0}, {0x5601, 15, 14, 1}, {0x5401, 16, 14, 0},
    {0x5101, 17, 15, 0}, {0x4801, 18, 16, 0}, {0x3801, 19, 17, 0}, {0x3401, 20, 18, 0},
    {0x3001, 21, 19, 0}, {0x2801, 22, 19, 0}, {0x2401, 23, 20, 0}, {0x2201, 24, 21, 0},
    {0x1C01, 25, 22, 0}, {0x1801, 26, 23, 0}, {0x1601, 27, 24, 0}, {0x1401, 28, 25, 0},
    {0x1201, 29, 26, 0}, {0x1101, 30, 27, 0}, {0x0AC1, 31, 28, 0}, {0x09C1, 32, 29, 0},
    {0x08A1, 33, 30, 0}, {0x0521, 34, 31, 0}, {0x0441, 35, 32, 0}, {0x02A1, 36, 33, 0},
    {0x0221, 37, 34, 0}, {0x0141, 38, 35, 0}, {0x0111, 39, 36, 0}, {0x0085, 40, 37, 0},
    {0x0049, 41, 38, 0}, {0x0025, 42, 39, 0}, {0x0015, 43, 40, 0}, {0x0009, 44, 41, 0},
    {0x0005, 45, 42, 0}, {0x0001, 45, 43, 0}, {0x5601, 46, 46, 0},
};

TvnCX::TvnCX(int size, int index) : contexts_(static_cast<size_t>(size > 0 ? size : 0), 0), index_(index) {}

TvnArithmeticDecoder::TvnArithmeticDecoder(TvnIOStream* stream) : stream_(stream) {
  start_ = pos_ = stream_->GetStreamPos();
  b_ = Byte(pos_);
  c_ = static_cast<uint32_t>(b_) << 16;
  ByteIn();
  c_ <<= 7;
  ct_ -= 7;
  a_ = 0x8000;
}

void TvnArithmeticDecoder::ByteIn() {
  if (b_ == 0xFF) {
    int b1 = Byte(pos_ + 1);
    if (b1 > 0x8F) {
      // A marker: it is met again by every later BYTEIN, which keeps
      // feeding 1-bits.
      c_ += 0xFF00;
      ct_ = 8;
      ++marker_reads_;
    } else {
      ++pos_;
      b_ = b1;
      c_ += static_cast<uint32_t>(b_) << 9;
      ct_ = 7;
    }
  } else {
    ++pos_;
    b_ = Byte(pos_);
    c_ += static_cast<uint32_t>(b_) << 8;
    ct_ = 8;
  }
  stream_->SetStreamPos(pos_ + 1);
}

TvnArithmeticIntegerDecoder::TvnArithmeticIntegerDecoder(std::unique_ptr<TvnArithmeticDecoder> decoder)
    : owned_(std::move(decoder)), decoder_(owned_.get()) {}

TvnArithmeticIntegerDecoder::TvnArithmeticIntegerDecoder(TvnArithmeticDecoder* decoder) : decoder_(decoder) {}

int64_t TvnArithmeticIntegerDecoder::Decode(TvnCX* cxIAX) {
  std::optional<TvnCX> fresh;
  if (!cxIAX) fresh.emplace(512, 1);
  TvnCX& cx = cxIAX ? *cxIAX : *fresh;
  if (cx.Size() < 512) throw TvnJBIG2Exception("integer context table too small");
  int prev = 1;
  auto bit = [&] {
    int d = decoder_->DecodeBit(cx, prev);
    prev = prev < 256 ? (prev << 1) | d : (((prev << 1) | d) & 511) | 256;
    return d;
  };
  auto bits = [&](int count) {
    int64_t v = 0;
    for (int i = 0; i < count; ++i) v = (v << 1) | bit();
    return v;
  };
  const int sign = bit();
  int64_t value;
  if (!bit()) {
    value = bits(2);
  } else if (!bit()) {
    value = bits(4) + 4;
  } else if (!bit()) {
    value = bits(6) + 20;
  } else if (!bit()) {
    value = bits(8) + 84;
  } else if (!bit()) {
    value = bits(12) + 340;
  } else {
    value = bits(32) + 4436;
  }
  if (sign == 0) return value;
  return value == 0 ? kOutOfBand : -value;
}

int TvnArithmeticIntegerDecoder::DecodeIAID(TvnCX& cxIAID, int symCodeLen) {
  if (symCodeLen < 0 || symCodeLen > 30 || cxIAID.Size() < (1 << symCodeLen))
    throw TvnJBIG2Exception("symbol ID context table too small");
  int prev = 1;
  for (int i = 0; i < symCodeLen; ++i) prev = (prev << 1) | decoder_->DecodeBit(cxIAID, prev);
  return prev - (1 << symCodeLen);
}

}  // namespace vn::pdf::jbig2
