// Fuzz target for format recognition by leading bytes.
//
// Contract: any bytes are accepted; PredictFormat names one of the formats
// it knows (".jpg", ".bmp", ".doc", ".pdf", ".rtf", ".docx", ".zip", ".png",
// ".tiff", ".emf", ".wmf", ".ico", ".cur", ".jpx") or gives the empty text,
// reads nothing outside the stream (zip packages included, whatever their
// directories claim), and leaves the stream position within the stream.
// Nothing may escape, and nothing may crash.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <vector>

#include "framework/format_registry.h"
#include "runtime/streams.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::set<vn::String> kKnown = {u"",     u".jpg",  u".bmp",  u".doc", u".pdf",
                                              u".rtf", u".docx", u".zip",  u".png", u".tiff",
                                              u".emf", u".wmf",  u".ico",  u".cur", u".jpx"};
  vn::TMemoryStream stream(std::vector<uint8_t>(data, data + size));
  const vn::String format = vn::framework::PredictFormat(&stream);
  if (kKnown.count(format) == 0) std::abort();
  const int64_t position = stream.Position();
  if (position < 0 || position > static_cast<int64_t>(size)) std::abort();
  return 0;
}
