// Fuzz target over CMap programs: the input is parsed as an embedded CMap
// (code space, cid and bf blocks, WMode), every code of the input is read
// through it as a shown string, and the lookups of the Unicode side are
// asked for a few codes taken from the input.
// Contract: nothing crashes, hangs, raises or reads out of bounds.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "pdfdocument/cmap.h"
#include "runtime/streams.h"

using namespace vn::pdf;
using namespace vn::pdfdoc;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto mem = std::make_shared<vn::TMemoryStream>();
  mem->WriteBuffer(data, static_cast<int64_t>(size));
  TvnPDStream stream(MakeRef<TvnMemoryStream>(mem, 0, 0, false), nullptr);
  auto cmap = TvnPDCMap::MakeCMapFromStream(&stream, "", "Fuzz");
  if (!cmap) return 0;
  std::u16string str;
  for (size_t i = 0; i < size && i < 256; ++i) str.push_back(data[i]);
  for (size_t i = 0; i < str.size();) {
    int processed = 0;
    cmap->GetCID(str, i, processed, false);
    i += processed > 0 ? static_cast<size_t>(processed) : 1;
  }
  const TvnPDCMapParser* parser = cmap->CMapParser();
  for (size_t i = 0; i + 1 < size && i < 64; i += 2) {
    const int64_t code = data[i] * 256 + data[i + 1];
    parser->Lookup(code);
    parser->LookupText(code);
  }
  return 0;
}
