// Fuzz target over font dictionaries: the input is loaded as a PDF file,
// every font dictionary in it is made into a font (with its descriptor,
// embedded program, encoding, widths, CMap, CIDToGIDMap and ToUnicode
// map), every code of a string taken from the input is decoded through it,
// and its program is handed to the font readers.
// Contract: nothing crashes, hangs or reads out of bounds; only the
// document loader's own exceptions leave the load.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "pdf/base_doc.h"
#include "pdfdocument/pd_font.h"
#include "runtime/exceptions.h"
#include "runtime/streams.h"

using namespace vn::pdf;
using namespace vn::pdfdoc;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto mem = std::make_shared<vn::TMemoryStream>();
  mem->WriteBuffer(data, static_cast<int64_t>(size));
  mem->SetPosition(0);
  TvnPDBaseDoc doc;
  try {
    doc.LoadDocument(mem.get(), "");
  } catch (const vn::Exception&) {
    return 0;
  }
  std::u16string shown;
  for (size_t i = 0; i < size && i < 64; ++i) shown.push_back(data[size - 1 - i]);
  const int64_t last = std::min<int64_t>(doc.GetLoadedLastObjectNumber(), 64);
  for (int64_t n = 1; n <= last; ++n) {
    TvnPDBaseObject* object = doc.GetObject(n);
    auto font = TvnPDFont::MakeFont(&doc, nullptr, "F1", object);
    if (!font) continue;
    for (size_t i = 0; i < shown.size();) {
      int processed = 0;
      uint32_t code = 0;
      std::string name;
      double dx, dy, ox, oy;
      font->GetNextChar(shown, i, processed, code, name, dx, dy, ox, oy);
      font->GetCharWidth(code);
      if (font->GetToUnicode()) font->GetToUnicode()->LookupText(code);
      i += static_cast<size_t>(processed > 0 ? processed : 1);
    }
    if (vn::fonts::TvnFontEngine* engine = font->GetFontProgram()) engine->isCharcodeAvailable(0x41);
  }
  return 0;
}
