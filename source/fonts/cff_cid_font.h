// TvnCIDFontHandler: the reader the font engine tries after the CFF reader,
// for CID-keyed CFF data, bare or inside a PostScript FontSet resource. It
// loads the data through a CFF reader (cff_font.h) and answers from the
// first font that reader parsed, as the CFF reader does; its units per em
// come from the font matrix. Data without a readable font is refused.
#pragma once

#include <cstdint>

#include "fonts/cff_font.h"

namespace vn::fonts {

class TvnCIDFontHandler : public CffFontSet {
 public:
  using CffFontSet::Check;
  // Accepts CFF data with at least one readable font; isCID is set then.
  bool Check(TvnByteArrayReader& Input, bool& isCID);
  // Reads the fonts through a CFF reader and keeps what it parsed.
  void ReadCIDData(TvnByteArrayReader& Input);

  // 1 / FontMatrix[3] of the first font, rounded; 1000 when that is not a
  // number.
  int32_t Units_per_em() const;
  int64_t PointerAfterDSC() const { return FPointerAfterDSC; }

  // Private DICT values of the first font; a CID-keyed font keeps none, so
  // they answer 0.
  double ExpansionFactor() const { return PrivateValue("ExpansionFactor"); }
  double InitialRandomSeed() const { return PrivateValue("initialRandomSeed"); }
  double DefaultWidthX() const { return PrivateValue("defaultWidthX"); }
  double DefaultWidthY() const { return PrivateValue("defaultWidthY"); }

 protected:
  bool CheckData(TvnByteArrayReader& Input) override {
    bool is_cid = false;
    return Check(Input, is_cid);
  }

 private:
  double PrivateValue(std::string_view key) const {
    return First() ? TvnCFFDataLayout::Number(First()->FPrivateDict, key) : 0;
  }

  int64_t FPointerAfterDSC = 0;
};

}  // namespace vn::fonts
