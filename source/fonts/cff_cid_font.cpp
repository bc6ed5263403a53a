#include "fonts/cff_cid_font.h"

#include <cmath>

#include "runtime/numbers.h"

namespace vn::fonts {

bool TvnCIDFontHandler::Check(TvnByteArrayReader& Input, bool& isCID) {
  FListCFFDataLayout.clear();
  FPointerAfterDSC = CffDataStart(Input);
  if (!HeaderAccepted(Input, FPointerAfterDSC)) return false;
  ReadCIDData(Input);
  if (FListCFFDataLayout.empty()) return false;
  isCID = true;
  return true;
}

void TvnCIDFontHandler::ReadCIDData(TvnByteArrayReader& Input) {
  TvnType1CFFHandler reader;
  reader.SetIsCID(true);
  FListCFFDataLayout = reader.ReadCFFData(Input, FPointerAfterDSC);
}

int32_t TvnCIDFontHandler::Units_per_em() const {
  const auto matrix = FontMatrix();
  if (matrix.size() < 4 || matrix[3] == 0) return 1000;
  const double units = 1 / matrix[3];
  return std::isfinite(units) ? RoundToInt(units) : 1000;
}

}  // namespace vn::fonts
