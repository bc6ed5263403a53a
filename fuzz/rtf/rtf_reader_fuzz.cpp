// Fuzz target for reading whole RTF documents into the Word model.
//
// Contract: any bytes are accepted; the reader builds at least one section,
// its body holds paragraphs and tables only, and it never lets an exception
// out, never reads outside the input, and ends in time whatever the
// nesting, "\bin" lengths, parameters or code pages.
// Nothing may crash.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "rtf/rtf_tag_handler.h"
#include "rtf/rtf_tokenizer.h"
#include "wordmodel/paragraph.h"
#include "wordmodel/table.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vn::rtf::TvnRTFTagHandler handler(nullptr);
  vn::rtf::TvnRTFTokenizer tokenizer(std::string(reinterpret_cast<const char*>(data), size));
  try {
    handler.StartParsing(tokenizer);
  } catch (...) {
    std::abort();
  }
  if (handler.Sections().empty()) std::abort();
  for (const vn::framework::TvnDocItem* element : handler.Elements())
    if (dynamic_cast<const vn::wordmodel::TvnParagraph*>(element) == nullptr &&
        dynamic_cast<const vn::wordmodel::TvnTable*>(element) == nullptr)
      std::abort();
  return 0;
}
