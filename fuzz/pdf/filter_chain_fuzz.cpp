// Contract: any chain of filters with any parameters over any data decodes
// to the end without crashing, hanging or reading out of bounds; the
// decoded size stays within the cap. The first byte picks up to four
// filters, the next three the predictor parameters; the rest is the data.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "pdf/filter_manager.h"
#include "pdf/filter_streams.h"

using namespace vn::pdf;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4) return 0;
  static const char* kNames[] = {"FlateDecode", "AHx", "A85", "LZW", "RL", "Crypt", "JPXDecode", "Bogus"};
  TvnPDDictionary dict;
  auto filters = std::make_unique<TvnPDArray>();
  auto parms = std::make_unique<TvnPDArray>();
  for (int i = 0; i < 1 + (data[0] >> 6); ++i) {
    filters->Add(std::make_unique<TvnPDName>(kNames[(data[0] >> (i * 2)) & 7]));
    auto p = std::make_unique<TvnPDDictionary>();
    p->Add("Predictor", std::make_unique<TvnPDInteger>(data[1] % 16));
    p->Add("Columns", std::make_unique<TvnPDInteger>(static_cast<int8_t>(data[2])));
    p->Add("Colors", std::make_unique<TvnPDInteger>(data[3] & 7));
    p->Add("BitsPerComponent", std::make_unique<TvnPDInteger>(1 << ((data[3] >> 3) & 7)));
    p->Add("EarlyChange", std::make_unique<TvnPDInteger>(data[3] >> 7));
    parms->Add(std::move(p));
  }
  dict.Add("Filter", std::move(filters));
  dict.Add("DecodeParms", std::move(parms));
  auto mem = std::make_shared<vn::TMemoryStream>(std::vector<uint8_t>(data + 4, data + size));
  Ref<TvnStream> raw = Ref<TvnStream>::Adopt(new TvnMemoryStream(mem, 0, static_cast<int64_t>(size - 4), true));
  auto result = TvnPDFilterManager::GetFilter(&dict, std::move(raw));
  uint8_t buffer[4096];
  size_t total = 0;
  for (int pass = 0; pass < 2; ++pass) {
    while (size_t n = result->GetStream()->Read(buffer, sizeof buffer)) {
      total += n;
      if (total > (64u << 20)) return 0;
    }
    result->GetStream()->Reset();
  }
  return 0;
}
