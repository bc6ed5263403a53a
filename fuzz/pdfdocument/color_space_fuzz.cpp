// Fuzz target over colour-space and function objects: the input is parsed
// as one PDF object (streams allowed), made into a colour space and a
// function, and every colour conversion and the function evaluated at a few
// points taken from the input.
// Contract: nothing crashes, hangs, raises or reads out of bounds.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "pdf/parser.h"
#include "pdfdocument/color_spaces.h"
#include "runtime/streams.h"

using namespace vn::pdf;
using namespace vn::pdfdoc;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto mem = std::make_shared<vn::TMemoryStream>();
  mem->WriteBuffer(data, static_cast<int64_t>(size));
  TvnPDParser parser(nullptr, std::make_unique<TvnPDLexer>(MakeRef<TvnMemoryStream>(mem, 0, 0, false)), true);
  auto obj = parser.GetObject();
  if (!obj) return 0;
  TvnColorComp colour;
  TvnFunctionValues in{}, out{};
  for (size_t i = 0; i < kMaxColorComps; ++i) {
    const uint8_t b = size ? data[i % size] : 0;
    colour.Comps[i] = (b - 64) * 1024;
    in[i] = (b - 64) / 128.0;
  }
  if (auto cs = TvnPDColorSpace::MakeColorSpace(obj.get(), "F")) {
    int32_t gray = 0;
    TvnRGB rgb;
    TvnCMYK cmyk;
    TvnDecodeArray low{}, range{};
    cs->GetDefaultColor(colour);
    cs->GetDefaultRanges(low, range, 255);
    cs->GetGray(colour, gray);
    cs->GetRGB(colour, rgb);
    cs->GetCMYK(colour, cmyk);
  }
  if (auto f = TvnPDFunction::MakeFunction(obj.get())) f->Transform(in, out);
  return 0;
}
