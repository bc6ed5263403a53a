// Contract: any glyph program, Type 1 or Type 2, with any subroutines and
// accent components, runs to an outline without throwing, crashing, hanging
// or growing past the interpreter's work budget.
//
// Input: one flag byte (bit 0: Type 2; bits 1-2: lenIV 0-3 for Type 1), then
// chunks each led by a length byte: the glyph, then the subroutines (local
// and global alike). The first two subroutines are also the charstrings of
// "A" and "acute", the components an accent operator asks for.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fonts/charstring_interpreter.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vn::fonts;
  if (size < 1) return 0;
  const bool type2 = data[0] & 1;
  const int len_iv = (data[0] >> 1) & 3;
  std::vector<TvnByteArray> chunks;
  for (size_t pos = 1; pos < size;) {
    const size_t n = std::min<size_t>(data[pos], size - pos - 1);
    chunks.emplace_back(data + pos + 1, data + pos + 1 + n);
    pos += 1 + n;
  }
  if (chunks.empty()) return 0;
  TvnCharStringsDict charstrings;
  charstrings.Insert("g", TvnBytes(chunks[0]));
  const TvnSubrList subrs(chunks.begin() + 1, chunks.end());
  if (subrs.size() > 0) charstrings.Insert("A", TvnBytes(subrs[0]));
  if (subrs.size() > 1) charstrings.Insert("acute", TvnBytes(subrs[1]));
  TvnPrivateDict priv{{"lenIV", std::to_string(len_iv)}};

  std::vector<float> coords;
  std::vector<TvnStepKind> cmds;
  TvnType1Glyphs glyphs;
  glyphs.GetTwoArrLists(coords, cmds, "g", charstrings, &subrs, type2, &priv, &subrs);
  glyphs.GetGraphicsPath("g", 16, coords, cmds, {0.001, 0.0002, -0.0003, 0.001, 5, -5});
  return 0;
}
