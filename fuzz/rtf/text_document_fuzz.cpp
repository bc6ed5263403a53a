// Fuzz target over text files: the input is loaded as a text document, laid
// out on pages, every page's lines read, and the document assigned into a
// second one and saved to a stream.
// Contract: nothing crashes, hangs, raises or reads out of bounds.
#include <cstddef>
#include <cstdint>
#include <string>

#include "rtf/text_document.h"
#include "runtime/streams.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vn::rtf::TvnTextDocument doc;
  doc.LoadFromStream(new vn::TStringStream(std::string(reinterpret_cast<const char*>(data), size)), u"", true);
  for (int32_t i = 1; i <= doc.GetPageCount(); ++i) {
    auto* page = dynamic_cast<vn::rtf::TvnTextPage*>(doc.GetPage(i));
    if (page) page->GetLines();
  }
  vn::rtf::TvnTextDocument copy;
  copy.Assign(&doc, u"");
  vn::TStringStream out;
  copy.StreamOutput = true;
  copy.OutStream = &out;
  copy.Save();
  return 0;
}
