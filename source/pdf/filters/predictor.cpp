#include "pdf/filters/predictor.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace vn::pdf::filters {

namespace {

uint32_t GetBits(const uint8_t* row, uint64_t bit_pos, unsigned n) {
  uint32_t v = 0;
  for (unsigned i = 0; i < n; ++i, ++bit_pos) v = (v << 1) | ((row[bit_pos >> 3] >> (7 - (bit_pos & 7))) & 1);
  return v;
}

void PutBits(uint8_t* row, uint64_t bit_pos, unsigned n, uint32_t v) {
  for (unsigned i = 0; i < n; ++i, ++bit_pos) {
    uint8_t mask = static_cast<uint8_t>(0x80 >> (bit_pos & 7));
    if ((v >> (n - 1 - i)) & 1)
      row[bit_pos >> 3] |= mask;
    else
      row[bit_pos >> 3] &= static_cast<uint8_t>(~mask);
  }
}

}  // namespace

std::unique_ptr<PredictorDecoder> PredictorDecoder::Create(codec::ByteDecoder& raw, const PredictorParams& p) {
  if (p.predictor == 1) return nullptr;
  if (p.columns <= 0 || p.colors <= 0 || p.bits_per_component <= 0) return nullptr;
  if (p.colors >= INT_MAX / p.bits_per_component) return nullptr;
  if (p.columns >= INT_MAX / p.colors / p.bits_per_component) return nullptr;
  const uint64_t pixel_bits = uint64_t(p.colors) * uint64_t(p.bits_per_component);
  const size_t pixel_bytes = static_cast<size_t>((pixel_bits + 7) / 8);
  const size_t row_bytes = pixel_bytes + static_cast<size_t>((uint64_t(p.columns) * pixel_bits + 7) / 8);
  if (row_bytes > kMaxRowBytes) return nullptr;
  return std::unique_ptr<PredictorDecoder>(new PredictorDecoder(raw, p, pixel_bytes, row_bytes));
}

PredictorDecoder::PredictorDecoder(codec::ByteDecoder& raw, const PredictorParams& params, size_t pixel_bytes,
                                   size_t row_bytes)
    : raw_(raw), params_(params), pixel_bytes_(pixel_bytes), row_bytes_(row_bytes) {
  Restart();
}

void PredictorDecoder::DoReset() {
  raw_.Reset();
  Restart();
}

void PredictorDecoder::Restart() {
  line_.assign(row_bytes_, 0);
  previous_.assign(row_bytes_, 0);
  line_index_ = row_bytes_;
  eof_ = false;
}

bool PredictorDecoder::DecodeRow() {
  int method = params_.predictor;
  if (params_.predictor >= 10) {
    uint8_t tag;
    if (raw_.Read(&tag, 1) != 1) return false;
    method = tag + 10;
  }
  line_.swap(previous_);  // previous_ now holds the row above
  uint8_t* row = line_.data() + pixel_bytes_;
  const size_t n = row_bytes_ - pixel_bytes_;
  size_t got = 0;
  while (got < n) {
    size_t r = raw_.Read(row + got, n - got);
    if (r == 0) return false;  // a partial row is not delivered
    got += r;
  }
  uint8_t* line = line_.data();
  const uint8_t* up = previous_.data();
  const size_t bpp = pixel_bytes_;
  switch (method) {
    case 11:  // Sub
      for (size_t i = bpp; i < row_bytes_; ++i) line[i] = static_cast<uint8_t>(line[i] + line[i - bpp]);
      break;
    case 12:  // Up
      for (size_t i = bpp; i < row_bytes_; ++i) line[i] = static_cast<uint8_t>(line[i] + up[i]);
      break;
    case 13:  // Average
      for (size_t i = bpp; i < row_bytes_; ++i)
        line[i] = static_cast<uint8_t>(line[i] + ((unsigned(line[i - bpp]) + unsigned(up[i])) >> 1));
      break;
    case 14:  // Paeth
      for (size_t i = bpp; i < row_bytes_; ++i) {
        int a = line[i - bpp], b = up[i], c = up[i - bpp];
        int p = a + b - c;
        int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
        int pred = (pa <= pb && pa <= pc) ? a : (pb <= pc ? b : c);
        line[i] = static_cast<uint8_t>(line[i] + pred);
      }
      break;
    case 2:
      UndoTiff();
      break;
    default:
      break;  // the row as it is
  }
  line_index_ = pixel_bytes_;
  return true;
}

void PredictorDecoder::UndoTiff() {
  uint8_t* row = line_.data() + pixel_bytes_;
  const unsigned bits = static_cast<unsigned>(params_.bits_per_component);
  const size_t colors = static_cast<size_t>(params_.colors);
  const size_t samples = static_cast<size_t>(params_.columns) * colors;
  if (bits == 8) {
    for (size_t i = colors; i < samples; ++i) row[i] = static_cast<uint8_t>(row[i] + row[i - colors]);
    return;
  }
  if (bits > 32) return;  // no sample type that wide; the row passes as it is
  const uint64_t mask = (uint64_t{1} << bits) - 1;
  for (size_t s = colors; s < samples; ++s) {
    uint64_t v = GetBits(row, uint64_t(s) * bits, bits) + GetBits(row, uint64_t(s - colors) * bits, bits);
    PutBits(row, uint64_t(s) * bits, bits, static_cast<uint32_t>(v & mask));
  }
}

size_t PredictorDecoder::DoRead(uint8_t* buffer, size_t count) {
  size_t done = 0;
  while (done < count) {
    if (line_index_ < row_bytes_) {
      size_t n = std::min(count - done, row_bytes_ - line_index_);
      std::memcpy(buffer + done, &line_[line_index_], n);
      line_index_ += n;
      done += n;
      continue;
    }
    if (eof_ || !DecodeRow()) {
      eof_ = true;
      break;
    }
  }
  return done;
}

}  // namespace vn::pdf::filters
