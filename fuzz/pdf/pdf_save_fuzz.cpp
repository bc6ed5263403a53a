// Fuzz target for parse-then-save: a file is opened (with the empty
// password), saved in full, saved again, saved incrementally, and the full
// output opened once more.
// Contract: any input is accepted; opening either succeeds or raises one of
// the library's exceptions (vn::Exception), and so does every save; nothing
// crashes, hangs or raises anything else.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "pdf/base_doc.h"
#include "runtime/exceptions.h"
#include "runtime/streams.h"

using namespace vn::pdf;

namespace {

std::string SaveTo(TvnPDBaseDoc& doc) {
  vn::TMemoryStream out;
  doc.SaveDocument(&out);
  return std::string(out.View());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vn::TMemoryStream file;
  file.WriteBuffer(data, static_cast<int64_t>(size));
  file.SetPosition(0);
  std::string saved;
  try {
    TvnPDBaseDoc doc;
    doc.LoadDocument(&file, "");
    saved = SaveTo(doc);
    SaveTo(doc);
    doc.SetSaveOptions("%PDF-1.7\r\n", true, false, false, false, false, false, false, false);
    if (TvnPDDictionary* root = doc.GetDocRoot()) root->Add("Saved", std::make_unique<TvnPDBoolean>(true));
    SaveTo(doc);
  } catch (const vn::Exception&) {
  }
  if (saved.empty()) return 0;
  vn::TMemoryStream again;
  again.WriteString(saved);
  again.SetPosition(0);
  try {
    TvnPDBaseDoc doc;
    doc.LoadDocument(&again, "");
    doc.GetDocRoot();
  } catch (const vn::Exception&) {
  }
  return 0;
}
