// Fuzz target for the DOCX document type: a whole load (package, reader,
// layout of every page) and the drawing of the first pages into a metafile.
// Contract: any bytes in; the load ends with laid-out pages or an exception
// of the runtime's tree, and a failed load leaves the document empty. The
// document is destroyed after each input, so every page item must be freed
// exactly once. No crash, leak or hang. Seeds: the reader target's full
// package and the LibreOffice-made DOCX of the tests' fixtures.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "docx/docx_document.h"
#include "platform/canvas/emf_recorder.h"
#include "runtime/exceptions.h"
#include "runtime/streams.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vn::docx::TvnqDOCXDocument document;
  try {
    document.LoadFromStream(new vn::TStringStream(std::string(reinterpret_cast<const char*>(data), size)), u"", true);
  } catch (const vn::Exception&) {
    if (document.GetPageCount() != 0) __builtin_trap();
    return 0;
  }
  // Drawing costs a metafile a page: the first pages show what drawing does.
  for (int32_t number = 1; number <= std::min(document.GetPageCount(), 4); ++number) {
    vn::platform::EmfRecorderCanvas canvas(400, 560);
    try {
      static_cast<vn::docx::TvnqDOCXPage*>(document.GetPage(number))->Draw(&canvas, 400, 560, 96, 96, 90);
    } catch (const vn::Exception&) {
    }
    (void)canvas.Finish();
  }
  return 0;
}
