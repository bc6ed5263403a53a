// Contract: any text given as an engine's page selection either is refused
// with EConvertError when set or selects pages; nothing else escapes, and
// rendering a short document with it never fails.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "export/document_engine.h"

namespace {

class SilentEngine : public vn::exporter::TvnCustomDocumentEngine {
 public:
  SilentEngine() {
    Preferences().SetShowSetupDialog(false);
    Preferences().SetOpenAfterCreate(false);
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 4096) return 0;
  const vn::String text = vn::FromUtf8(std::string_view(reinterpret_cast<const char*>(data), size));
  SilentEngine engine;
  try {
    engine.SetPagesToRender(text);
  } catch (const vn::EConvertError&) {
    return 0;
  }
  engine.BeginDoc();
  for (int page = 0; page < 3; ++page) {
    engine.TextOut(0.1, 0.1, u"x");
    engine.NewPage();
  }
  engine.EndDoc();
  return 0;
}
