// PDF functions built from parsed function objects: the four kinds the
// factory makes, the objects that give no function, and sample streams
// that end early or are too large.
#include "pdfdocument/pdf_functions.h"

#include <gtest/gtest.h>

#include "pdf/parser.h"
#include "runtime/streams.h"

namespace pdf_functions_test {

using namespace vn::pdf;
using namespace vn::pdfdoc;

namespace {

std::unique_ptr<TvnPDBaseObject> ParseFunctionObject(const std::string& text) {
  auto mem = std::make_shared<vn::TMemoryStream>();
  mem->WriteBuffer(text.data(), static_cast<int64_t>(text.size()));
  TvnPDParser parser(nullptr, std::make_unique<TvnPDLexer>(MakeRef<TvnMemoryStream>(mem, 0, 0, false)), true);
  return parser.GetObject();
}

// A stream object whose data are given in hexadecimal.
std::string HexFunctionStream(const std::string& dict, const std::string& hex) {
  return "<< " + dict + " /Filter /ASCIIHexDecode /Length " + std::to_string(hex.size() + 1) + " >>\nstream\n" + hex +
         ">\nendstream";
}

struct FunctionCase {
  const char* What;
  std::string Object;
  std::vector<double> In;
  std::vector<double> Out;  // empty: no function
};

const std::string kLinear = "<< /FunctionType 2 /Domain [0 1] /C0 [0] /C1 [1] /N 1 >>";
const std::string kSquare = "<< /FunctionType 2 /Domain [0 1] /N 2 >>";

const FunctionCase kFunctionCases[] = {
    {"exponential without C0 and C1 is x", "<< /FunctionType 2 /Domain [0 1] /N 1 >>", {0.3}, {0.3}},
    {"exponential N 2", kSquare, {0.5}, {0.25}},
    {"exponential clamps to a real domain", "<< /FunctionType 2 /Domain [0 0.5] /N 1 >>", {0.9}, {0.5}},
    {"exponential clamps to a real range", "<< /FunctionType 2 /Domain [0 1] /Range [0.25 0.5] /N 1 >>", {1}, {0.5}},
    {"exponential of three outputs", "<< /FunctionType 2 /Domain [0 1] /C0 [1 0 0] /C1 [0 0 1] /N 1 >>", {0.5},
     {0.5, 0, 0.5}},
    {"exponential: one range pair for three outputs",
     "<< /FunctionType 2 /Domain [0 1] /Range [0 1] /C0 [1 0 0] /C1 [0 0 1] /N 1 >>", {0.5}, {}},
    {"exponential: C1 missing with three C0 values", "<< /FunctionType 2 /Domain [0 1] /C0 [1 0 0] /N 1 >>", {0}, {}},
    {"exponential without N", "<< /FunctionType 2 /Domain [0 1] >>", {0}, {}},
    {"exponential of two inputs", "<< /FunctionType 2 /Domain [0 1 0 1] /N 1 >>", {0}, {}},
    {"no Domain", "<< /FunctionType 2 /N 1 >>", {0}, {}},
    {"FunctionType 1", "<< /FunctionType 1 /Domain [0 1] /N 1 >>", {0}, {}},
    {"FunctionType a real", "<< /FunctionType 2.0 /Domain [0 1] /N 1 >>", {0}, {}},
    {"no FunctionType", "<< /Domain [0 1] /N 1 >>", {0}, {}},
    {"a number", "5", {0}, {}},
    {"calculator program {}", HexFunctionStream("/FunctionType 4 /Domain [0 1] /Range [0 1]", "7B7D"), {0.4},
     {0.4}},
    {"calculator from a dictionary", "<< /FunctionType 4 /Domain [0 1] /Range [0 1] >>", {0}, {}},
    {"the name Identity", "/Identity", {0.2, 0.7}, {0.2, 0.7}},
    {"sampled 00 FF at 0.25",
     HexFunctionStream("/FunctionType 0 /Domain [0 1] /Range [0 1] /Size [2] /BitsPerSample 8", "00FF"), {0.25},
     {0.25}},
    {"sampled 00 FF at 0.75",
     HexFunctionStream("/FunctionType 0 /Domain [0 1] /Range [0 1] /Size [2] /BitsPerSample 8", "00FF"), {0.75},
     {0.75}},
    {"sampled 16-bit", HexFunctionStream("/FunctionType 0 /Domain [0 1] /Range [0 1] /Size [2] /BitsPerSample 16",
                                         "0000FFFF"),
     {0.5}, {0.5}},
    {"sampled 32-bit", HexFunctionStream("/FunctionType 0 /Domain [0 1] /Range [0 1] /Size [2] /BitsPerSample 32",
                                         "00000000FFFFFFFF"),
     {0.5}, {0.5}},
    {"sampled 4-bit", HexFunctionStream("/FunctionType 0 /Domain [0 1] /Range [0 1] /Size [2] /BitsPerSample 4", "0F"),
     {1}, {1}},
    {"sampled Decode", HexFunctionStream("/FunctionType 0 /Domain [0 1] /Range [0 10] /Decode [2 4] /Size [2] "
                                         "/BitsPerSample 8",
                                         "00FF"),
     {1}, {4}},
    {"sampled bilinear, two inputs", HexFunctionStream("/FunctionType 0 /Domain [0 1 0 1] /Range [0 1] /Size [2 2] "
                                                       "/BitsPerSample 8",
                                                       "00FFFF00"),
     {0.5, 0.5}, {0.5}},
    {"sampled, second input", HexFunctionStream("/FunctionType 0 /Domain [0 1 0 1] /Range [0 1] /Size [2 2] "
                                                "/BitsPerSample 8",
                                                "0000FFFF"),
     {0, 1}, {1}},
    // The stream ends after two of four samples: the rest read as 0, not
    // as an end marker taken for a byte.
    {"sampled, stream ends early",
     HexFunctionStream("/FunctionType 0 /Domain [0 1] /Range [0 1] /Size [4] /BitsPerSample 8", "FFFF"), {1}, {0}},
    {"sampled without Range", HexFunctionStream("/FunctionType 0 /Domain [0 1] /Size [2] /BitsPerSample 8", "00FF"),
     {0}, {}},
    {"sampled from a dictionary", "<< /FunctionType 0 /Domain [0 1] /Range [0 1] /Size [2] /BitsPerSample 8 >>", {0},
     {}},
    {"sampled too many samples", HexFunctionStream("/FunctionType 0 /Domain [0 1 0 1] /Range [0 1] /Size [100000 "
                                                   "100000] /BitsPerSample 8",
                                                   "00"),
     {0}, {}},
    {"stitching below the bound", "<< /FunctionType 3 /Domain [0 1] /Functions [" + kLinear + kSquare +
                                      "] /Bounds [0.5] /Encode [0 1 0 1] >>",
     {0.25}, {0.5}},
    {"stitching from the bound on", "<< /FunctionType 3 /Domain [0 1] /Functions [" + kLinear + kSquare +
                                        "] /Bounds [0.5] /Encode [0 1 0 1] >>",
     {0.75}, {0.25}},
    {"stitching of one function", "<< /FunctionType 3 /Domain [0 1] /Functions [" + kSquare +
                                      "] /Bounds [] /Encode [0 1] >>",
     {0.5}, {0.25}},
    {"stitching with a bad subfunction", "<< /FunctionType 3 /Domain [0 1] /Functions [" + kLinear +
                                             " << /FunctionType 2 >>] /Bounds [0.5] /Encode [0 1 0 1] >>",
     {0}, {}},
    {"stitching with a short Encode", "<< /FunctionType 3 /Domain [0 1] /Functions [" + kLinear + kSquare +
                                          "] /Bounds [0.5] /Encode [0 1] >>",
     {0}, {}},
};

TEST(PdfFunctions, CasesEvaluateOrYieldNothing) {
  for (const auto& c : kFunctionCases) {
    SCOPED_TRACE(c.What);
    auto obj = ParseFunctionObject(c.Object);
    ASSERT_TRUE(obj);
    auto f = TvnPDFunction::MakeFunction(obj.get());
    if (c.Out.empty()) {
      EXPECT_FALSE(f);
      continue;
    }
    ASSERT_TRUE(f);
    TvnFunctionValues in{}, out{};
    std::copy(c.In.begin(), c.In.end(), in.begin());
    f->Transform(in, out);
    for (size_t i = 0; i < c.Out.size(); ++i) EXPECT_NEAR(out[i], c.Out[i], 1e-9) << "output " << i;
  }
}

TEST(PdfFunctions, KindsAndSizes) {
  auto exp3 = TvnPDFunction::MakeFunction(
      ParseFunctionObject("<< /FunctionType 2 /Domain [0 1] /C0 [1 0 0] /C1 [0 0 1] /N 1 >>").get());
  ASSERT_TRUE(exp3);
  EXPECT_EQ(exp3->GetType(), TvnFunctionType::ftExponential);
  EXPECT_EQ(exp3->GetInputSize(), 1);
  EXPECT_EQ(exp3->GetOutputSize(), 3);
  auto id = TvnPDFunction::MakeFunction(ParseFunctionObject("/Identity").get());
  ASSERT_TRUE(id);
  EXPECT_EQ(id->GetType(), TvnFunctionType::ftIdentity);
  EXPECT_EQ(id->GetOutputSize(), kMaxFunctionValues);
}

}  // namespace

}  // namespace pdf_functions_test
