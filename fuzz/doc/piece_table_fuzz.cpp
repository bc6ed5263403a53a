// Fuzz target for the file information block, the piece table and the
// document options.
// Contract: any bytes in: the first two bytes give the length of the
// WordDocument stream taken from what follows, the rest is the table
// stream; the FIB reads, the piece table's positions strictly increase with
// one compressed flag and one text offset per piece, the document options
// read; no crash, leak or hang.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "doc/file_information_block.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const size_t word_size = std::min<size_t>(data[0] | (data[1] << 8), size - 2);
  const std::span<const uint8_t> word(data + 2, word_size);
  const std::span<const uint8_t> table(data + 2 + word_size, size - 2 - word_size);
  vn::doc::TvnBinaryReader reader(word);
  vn::doc::TvnFIBBase fib(reader);
  const auto pieces = vn::doc::ReadPieceTable(table, static_cast<int64_t>(word_size), fib);
  const auto& cps = pieces.FUnicodeCharactersBoundaries;
  if (!pieces.FIsUnicode8Bits.empty() && cps.size() != pieces.FIsUnicode8Bits.size() + 1) std::abort();
  if (pieces.TextOffsets.size() != pieces.FIsUnicode8Bits.size()) std::abort();
  for (size_t i = 1; i < cps.size(); ++i)
    if (cps[i] <= cps[i - 1]) std::abort();
  vn::doc::ReadDocumentOptions(table, fib);
  return 0;
}
