// Fuzz target for the PDF parser over bytes without a document (as content
// streams and object-stream bodies are read), streams allowed, and the
// decoded data of every stream object read to its end.
// Contract: any input is accepted; objects are read until the end of the
// data, which must come within one object per input byte (plus one);
// nothing crashes, hangs or raises.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "pdf/parser.h"
#include "runtime/streams.h"

using namespace vn::pdf;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto mem = std::make_shared<vn::TMemoryStream>();
  mem->WriteBuffer(data, static_cast<int64_t>(size));
  auto lexer = std::make_unique<TvnPDLexer>(MakeRef<TvnMemoryStream>(mem, 0, 0, false));
  TvnPDParser parser(nullptr, std::move(lexer), true);
  for (size_t i = 0; i <= size + 1; ++i) {
    auto obj = parser.GetObject();
    if (obj->IsEOF()) return 0;
    if (TvnPDStream* s = obj->AsStream()) {
      std::string bytes;
      s->Reset();
      s->GetStream()->Read(bytes, 1 << 24);
    }
    (void)obj->GetText();
  }
  std::abort();
}
