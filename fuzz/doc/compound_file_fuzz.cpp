// Fuzz target for the compound-file root and the package over it.
// Contract: any bytes in; reading ends with the root's streams or
// EDOCFormatError, nothing else; no copied stream is larger than the input
// plus one sector (the last sector of a short file is padded); the package
// over the same bytes either opens or raises EDOCFormatError; no crash, leak
// or hang.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "doc/compound_file.h"
#include "doc/doc_package.h"
#include "runtime/streams.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vn::doc::TvnBinaryReader reader(std::span<const uint8_t>(data, size));
  vn::doc::TvnOLESSRoot root;
  try {
    root.CreateDocumentpart(reader);
  } catch (const vn::doc::EDOCFormatError&) {
    return 0;
  }
  root.SelectTableStream(true);
  for (vn::TMemoryStream* s : {&root.FWordDocumentStream, &root.FTableStream, &root.F0TableStream,
                               &root.F1TableStream, &root.FDataStream, &root.FSummaryInformationStream,
                               &root.FDocumentSummaryInformationStream})
    if (static_cast<size_t>(s->Size()) > size + 4096) std::abort();
  try {
    vn::TStringStream input(std::string(reinterpret_cast<const char*>(data), size));
    vn::doc::TvnDOCPackage package(&input, u"");
  } catch (const vn::doc::EDOCFormatError&) {
  }
  return 0;
}
