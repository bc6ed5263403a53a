// Fuzz target for the PDF lexer.
// Contract: any input is accepted; tokens are read until the end-of-data
// token, which must come within one token per input byte (plus one); nothing
// crashes, hangs or raises, and no token is longer than the input.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "pdf/lexer.h"
#include "runtime/streams.h"

using namespace vn::pdf;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto mem = std::make_shared<vn::TMemoryStream>();
  mem->WriteBuffer(data, static_cast<int64_t>(size));
  TvnPDLexer lexer(MakeRef<TvnMemoryStream>(mem, 0, 0, false));
  for (size_t i = 0; i <= size + 1; ++i) {
    auto token = lexer.GetObject();
    if (token->IsEOF()) return 0;
    if (const TvnPDString* s = token->AsString(); s && s->GetValue().size() > size) std::abort();
  }
  std::abort();  // more tokens than bytes
}
