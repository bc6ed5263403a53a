// Fuzz target over image samples and colour maps: the input's first bytes
// choose the width, components and depth; a PDF colour space and a Decode
// array follow on one line, and the rest is the sample data, read line by
// line and mapped to gray, RGB and CMYK.
// Contract: nothing crashes, hangs, raises or reads out of bounds.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "pdf/parser.h"
#include "pdfdocument/pd_image_color_map.h"
#include "pdfdocument/pd_image_stream.h"
#include "runtime/streams.h"

using namespace vn::pdf;
using namespace vn::pdfdoc;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  const int width = data[0] % 64;
  const int bits_choice[] = {1, 2, 4, 8, 16, 3, -1, 0};
  const int bits = bits_choice[data[1] % 8];
  const std::string rest(reinterpret_cast<const char*>(data + 3), size - 3);
  const size_t eol = rest.find('\n');
  const std::string header = rest.substr(0, eol);
  const std::string samples = eol == std::string::npos ? std::string() : rest.substr(eol + 1);

  auto mem = std::make_shared<vn::TMemoryStream>();
  mem->WriteBuffer(header.data(), static_cast<int64_t>(header.size()));
  TvnPDParser parser(nullptr, std::make_unique<TvnPDLexer>(MakeRef<TvnMemoryStream>(mem, 0, 0, false)), true);
  auto space_obj = parser.GetObject();
  auto decode = parser.GetObject();
  std::unique_ptr<TvnPDColorSpace> space;
  if (space_obj) space = TvnPDColorSpace::MakeColorSpace(space_obj.get(), "Im");
  TvnPDImageColorMap map(bits, decode && decode->IsArray() ? decode.get() : nullptr, space.get());
  const int comps = space ? space->GetNoOfComps() : 1 + data[2] % 4;

  auto sample_mem = std::make_shared<vn::TMemoryStream>();
  sample_mem->WriteBuffer(samples.data(), static_cast<int64_t>(samples.size()));
  auto stream = MakeRef<TvnMemoryStream>(sample_mem, 0, 0, false);
  TvnPDImageStream lines(stream.get(), width, comps, bits);
  for (int row = 0; row < 4; ++row) {
    const auto& line = lines.GetLine();
    for (size_t i = 0; i < line.size(); i += static_cast<size_t>(comps > 0 ? comps : 1)) {
      int32_t gray = 0;
      TvnRGB rgb;
      TvnCMYK cmyk;
      map.GetGray(line, i, gray);
      map.GetRGB(line, i, rgb);
      map.GetCMYK(line, i, cmyk);
    }
    lines.SkipLine();
  }
  return 0;
}
