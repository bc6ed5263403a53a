#include "pdfdocument/pd_image_stream.h"

#include <algorithm>

namespace vn::pdfdoc {

TvnPDImageStream::TvnPDImageStream(vn::pdf::TvnStream* AStream, int AWidth, int ANoComp, int ANoBits)
    : FStream(AStream), FNoBits(ANoBits) {
  const bool depth_ok = ANoBits == 1 || ANoBits == 2 || ANoBits == 4 || ANoBits == 8 || ANoBits == 16;
  if (!AStream || AWidth < 1 || ANoComp < 1 || ANoComp > 32 || !depth_ok) return;
  const int64_t vals = int64_t{AWidth} * ANoComp;
  if (vals > kMaxLineSamples) return;
  FNoVals = static_cast<int>(vals);
  // Room for a whole last byte of 1-bit samples.
  FImageLine.assign(static_cast<size_t>(ANoBits == 1 ? (FNoVals + 7) / 8 * 8 : FNoVals), 0);
  FOk = true;
}

void TvnPDImageStream::Reset() {
  FEnded = false;
  FValidVals = 0;
  if (FStream) FStream->Reset();
}

int TvnPDImageStream::ReadByte() {
  const int c = FEnded ? -1 : FStream->GetChar();
  if (c < 0) FEnded = true;
  return c < 0 ? 0 : c;
}

const std::vector<uint8_t>& TvnPDImageStream::GetLine() {
  if (!FOk) return FImageLine;
  const auto n = static_cast<size_t>(FNoVals);
  // A sample is valid when the byte holding it (its first byte, for 16
  // bits) was read before the data ended.
  size_t valid = 0;
  if (FNoBits == 8) {
    for (size_t i = 0; i < n; ++i) {
      FImageLine[i] = static_cast<uint8_t>(ReadByte());
      if (!FEnded) valid = i + 1;
    }
  } else if (FNoBits == 16) {
    for (size_t i = 0; i < n; ++i) {
      FImageLine[i] = static_cast<uint8_t>(ReadByte());
      if (!FEnded) valid = i + 1;
      ReadByte();
    }
  } else if (FNoBits == 1) {
    for (size_t i = 0; i < n; i += 8) {
      const int byte = ReadByte();
      if (!FEnded) valid = std::min(n, i + 8);
      for (size_t b = 0; b < 8; ++b) FImageLine[i + b] = static_cast<uint8_t>((byte >> (7 - b)) & 1);
    }
  } else {
    const unsigned mask = (1u << FNoBits) - 1;
    unsigned acc = 0;
    int bits = 0;
    for (size_t i = 0; i < n; ++i) {
      if (bits < FNoBits) {
        acc = ((acc << 8) | static_cast<unsigned>(ReadByte())) & 0xFFFFu;
        bits += 8;
      }
      bits -= FNoBits;
      FImageLine[i] = static_cast<uint8_t>((acc >> bits) & mask);
      if (!FEnded) valid = i + 1;
    }
  }
  FValidVals = static_cast<int>(valid);
  return FImageLine;
}

void TvnPDImageStream::SkipLine() {
  if (!FOk) return;
  const int64_t bytes = (int64_t{FNoVals} * FNoBits + 7) / 8;
  FValidVals = FEnded ? 0 : FNoVals;
  for (int64_t i = 0; i < bytes && !FEnded; ++i) {
    if (FStream->GetChar() < 0) {
      FEnded = true;
      FValidVals = static_cast<int>(i * 8 / FNoBits);
    }
  }
}

}  // namespace vn::pdfdoc
