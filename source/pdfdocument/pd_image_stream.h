// An image's decoded data read one line at a time, one sample per byte:
// 1, 2 and 4-bit samples are unpacked from the top bit down, 16-bit samples
// keep their high byte. Every line starts on a byte; data that ends early
// gives samples of 0, and ValidVals says how many of a line's samples the
// data held.
#pragma once

#include <cstdint>
#include <vector>

#include "pdf/streams.h"

namespace vn::pdfdoc {

class TvnPDImageStream {
 public:
  // Lines longer than this many samples (width times components) are refused.
  static constexpr int64_t kMaxLineSamples = int64_t{1} << 26;

  // AStream is borrowed. A width below 1, components outside 1 to 32, a
  // depth other than 1, 2, 4, 8 or 16 bits or a line over the limit make a
  // stream that is not Ok and gives empty lines.
  TvnPDImageStream(vn::pdf::TvnStream* AStream, int AWidth, int ANoComp, int ANoBits);

  bool IsOk() const { return FOk; }
  void Reset();
  vn::pdf::TvnStream* GetImageStream() const { return FStream; }
  // The next line of width times components samples.
  const std::vector<uint8_t>& GetLine();
  void SkipLine();
  int NoVals() const { return FNoVals; }
  // How many samples of the last line read came from the data: NoVals
  // unless the data ended within or before it.
  int ValidVals() const { return FValidVals; }

 private:
  int ReadByte();

  vn::pdf::TvnStream* FStream = nullptr;
  int FNoBits = 0;
  int FNoVals = 0;
  int FValidVals = 0;
  bool FEnded = false;
  std::vector<uint8_t> FImageLine;
  bool FOk = false;
};

}  // namespace vn::pdfdoc
