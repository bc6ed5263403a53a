// The MQ arithmetic decoder of JBIG2 with its context tables, and the
// integer decoders built on it (IAx and IAID).
//
// A TvnCX holds one adaptive context per index: a probability state (a row
// of the Qe table) and the sense of the more probable symbol, both starting
// at 0. The decoder reads its bytes through a TvnIOStream it does not own.
// Past the end of the data it reads 0xFF bytes, as if the data ended with a
// marker: decoding goes on with 1-bits and never fails.
#pragma once

#include <cstdint>
#include <limits>
#include <memory>
#include <vector>

#include "pdf/jbig2/io_stream.h"

namespace vn::pdf::jbig2 {

// The out-of-band value of integer and Huffman decoding.
inline constexpr int64_t kOutOfBand = std::numeric_limits<int64_t>::max();

class TvnCX {
 public:
  TvnCX(int size, int index);

  int Size() const { return static_cast<int>(contexts_.size()); }
  // The current context (`Indexval`).
  int Getindex() const { return index_; }
  void Setindex(int index) { index_ = index; }
  // The probability state of the current context, 7 bits.
  int Getcx() const { return contexts_[index_] >> 1; }
  void Setcx(int state) { contexts_[index_] = static_cast<uint8_t>(((state & 0x7F) << 1) | (contexts_[index_] & 1)); }
  int Mps() const { return contexts_[index_] & 1; }
  void Togglemps() { contexts_[index_] ^= 1; }

  // Each context packed as state << 1 | MPS, for the decoder.
  uint8_t* Data() { return contexts_.data(); }

 private:
  std::vector<uint8_t> contexts_;
  int index_;
};

class TvnArithmeticDecoder {
 public:
  // Starts decoding (INITDEC) at the reader's current position.
  explicit TvnArithmeticDecoder(TvnIOStream* stream);

  // One bit in the current context of `cx`.
  int Decode(TvnCX& cx) { return DecodeBit(cx, cx.Getindex()); }
  // One bit in context `index` of `cx` (index must be below cx.Size()).
  int DecodeBit(TvnCX& cx, int index);

  TvnIOStream* Stream() const { return stream_; }
  // How many times decoding has fed bits from a marker or from past the
  // end of the data: a few at the end of well-formed data, without bound
  // when a file asks for more than it holds.
  int64_t MarkerReads() const { return marker_reads_; }

 private:
  struct QeRow {
    uint16_t qe;
    uint8_t nmps, nlps, switch_mps;
  };
  static const QeRow kQeTable[47];

  int Byte(int64_t pos) const {
    int b = stream_->ByteAt(pos);
    return b < 0 ? 0xFF : b;
  }
  void ByteIn();
  void RenormD();

  TvnIOStream* stream_;
  int64_t pos_;      // the byte B's position in the reader (the standard's BP)
  int64_t start_;    // where the coded data starts
  uint32_t c_ = 0;
  uint32_t a_ = 0;
  int ct_ = 0;
  int b_ = 0;
  int64_t marker_reads_ = 0;
};

inline int TvnArithmeticDecoder::DecodeBit(TvnCX& cx, int index) {
  uint8_t& context = cx.Data()[index];
  const QeRow& row = kQeTable[context >> 1];
  const int mps = context & 1;
  const uint32_t qe = row.qe;
  int decision;
  a_ -= qe;
  if ((c_ >> 16) < qe) {
    // The less probable sub-interval lies at the bottom; it is exchanged
    // with the other one when that became smaller.
    if (a_ < qe) {
      decision = mps;
      context = static_cast<uint8_t>(row.nmps << 1 | mps);
    } else {
      decision = 1 - mps;
      context = static_cast<uint8_t>(row.nlps << 1 | (row.switch_mps ? 1 - mps : mps));
    }
    a_ = qe;
  } else {
    c_ -= qe << 16;
    if (a_ & 0x8000) return mps;
    if (a_ < qe) {
      decision = 1 - mps;
      context = static_cast<uint8_t>(row.nlps << 1 | (row.switch_mps ? 1 - mps : mps));
    } else {
      decision = mps;
      context = static_cast<uint8_t>(row.nmps << 1 | mps);
    }
  }
  RenormD();
  return decision;
}

inline void TvnArithmeticDecoder::RenormD() {
  do {
    if (ct_ == 0) ByteIn();
    a_ <<= 1;
    c_ <<= 1;
    --ct_;
  } while ((a_ & 0x8000) == 0);
}

// Integer decoding procedures IAx and IAID over one arithmetic decoder,
// which it owns.
class TvnArithmeticIntegerDecoder {
 public:
  explicit TvnArithmeticIntegerDecoder(std::unique_ptr<TvnArithmeticDecoder> decoder);
  // A decoder that another object owns.
  explicit TvnArithmeticIntegerDecoder(TvnArithmeticDecoder* decoder);

  // A signed integer, or kOutOfBand. Without a table (null) a fresh one of
  // 512 contexts is used.
  int64_t Decode(TvnCX* cxIAX);
  // A symbol ID of `symCodeLen` bits; the table needs 2^symCodeLen contexts.
  int DecodeIAID(TvnCX& cxIAID, int symCodeLen);

  TvnArithmeticDecoder* Decoder() const { return decoder_; }

 private:
  std::unique_ptr<TvnArithmeticDecoder> owned_;
  TvnArithmeticDecoder* decoder_;
};

}  // namespace vn::pdf::jbig2
