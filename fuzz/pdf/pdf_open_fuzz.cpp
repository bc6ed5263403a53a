// Fuzz target for opening a whole PDF file: the cross-reference chain (or
// its rebuild), the trailer, the catalog, the Info dictionary and every
// object the table lists, with the decoded data of every stream.
// Contract: any input is accepted; a file either opens or raises one of
// the PDF layer's exceptions (EBrisquel); nothing crashes, hangs or raises
// anything else.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "pdf/base_doc.h"
#include "pdf/exceptions.h"
#include "runtime/streams.h"

using namespace vn::pdf;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vn::TMemoryStream file;
  file.WriteBuffer(data, static_cast<int64_t>(size));
  file.SetPosition(0);
  TvnPDBaseDoc doc;
  try {
    doc.LoadDocument(&file, "");
  } catch (const vn::EBrisquel&) {
    return 0;
  }
  try {
    doc.GetDocRoot();
  } catch (const vn::EBrisquel&) {
  }
  doc.GetDocInfo();
  doc.GetLinearized();
  TvnPDXRef* xref = doc.GetReader()->GetXRef();
  const int64_t count = xref->GetSize() < 4096 ? xref->GetSize() : 4096;
  for (int64_t n = 0; n < count; ++n) {
    TvnPDBaseObject* obj = doc.GetObject(n);
    if (TvnPDStream* s = obj ? obj->AsStream() : nullptr) {
      std::string bytes;
      s->Reset();
      s->GetStream()->Read(bytes, 1 << 24);
    }
  }
  return 0;
}
