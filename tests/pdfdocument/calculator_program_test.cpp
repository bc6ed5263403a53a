// Calculator functions: the operators of the program language run as
// PostScript defines them, programs that are not valid give no function,
// runs that fail give the defined fallback, and the function clamps to its
// domain and range.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pdf/parser.h"
#include "pdfdocument/calculator_program.h"
#include "pdfdocument/pdf_functions.h"
#include "runtime/streams.h"

namespace calculator_program_test {

using namespace vn::pdf;
using namespace vn::pdfdoc;

struct RunCase {
  const char* Program;
  std::vector<double> In;
  std::vector<double> Out;  // the top values of the stack, deepest first
};

const RunCase kRunCases[] = {
    {"{add}", {1, 2}, {3}},
    {"{sub mul}", {2, 5, 3}, {4}},
    {"{7 2 div}", {}, {3.5}},
    {"{7 2 idiv -7 2 idiv -7 2 mod 7 -2 mod}", {}, {3, -3, -1, 1}},
    {"{9 sqrt -4 abs 4 neg -0.5 abs}", {}, {3, 4, -4, 0.5}},
    {"{0 1 atan 1 0 atan -1 0 atan 1 1 atan}", {}, {0, 90, 270, 45}},
    {"{90 sin 180 cos 450 sin}", {}, {1, -1, 1}},
    {"{2 10 exp 100 log 1 ln -2 3 exp}", {}, {1024, 2, 0, -8}},
    {"{2.5 round -2.5 round 2.49 round}", {}, {3, -2, 2}},
    {"{-2.7 truncate 2.3 ceiling -2.3 floor 5 floor}", {}, {-2, 3, -3, 5}},
    {"{3.9 cvi -3.9 cvi 2 cvr}", {}, {3, -3, 2}},
    {"{1 3 bitshift 16 -2 bitshift 1 40 bitshift}", {}, {8, 4, 0}},
    {"{12 10 and 12 10 or 12 10 xor 0 not}", {}, {8, 14, 6, -1}},
    {"{2147483647 1 add}", {}, {2147483648.0}},
    {"{16#FF 8#17 1.5e2 .5 -.5 +3}", {}, {255, 15, 150, 0.5, -0.5, 3}},
    {"{% a comment {\n 4}", {}, {4}},
    // Stack operators.
    {"{1 2 3 3 1 roll}", {}, {3, 1, 2}},
    {"{1 2 3 3 -1 roll}", {}, {2, 3, 1}},
    {"{1 2 3 3 7 roll}", {}, {3, 1, 2}},
    {"{1 2 3 2 copy}", {}, {1, 2, 3, 2, 3}},
    {"{1 2 3 0 copy}", {}, {1, 2, 3}},
    {"{1 2 3 2 index}", {}, {1, 2, 3, 1}},
    {"{1 2 exch dup 9 pop}", {}, {2, 1, 1}},
    // Comparisons and booleans feed the conditionals.
    {"{1 2 lt {10} {20} ifelse}", {}, {10}},
    {"{2 1 lt {10} {20} ifelse}", {}, {20}},
    {"{1 1.0 eq {1} {0} ifelse 1 2 ne {1} {0} ifelse 2 2 ge {1} {0} ifelse 2 2 gt {1} {0} ifelse}", {}, {1, 1, 1, 0}},
    {"{true false and {1} {2} ifelse true false or {1} {2} ifelse true true xor {1} {2} ifelse}", {}, {2, 1, 2}},
    {"{7 true not {5} if}", {}, {7}},
    {"{true 1 eq {1} {0} ifelse}", {}, {0}},
    // Nested blocks.
    {"{dup 0.5 gt {dup 0.75 gt {pop 3} {pop 2} ifelse} {pop 1} ifelse}", {0.8}, {3}},
    {"{dup 0.5 gt {dup 0.75 gt {pop 3} {pop 2} ifelse} {pop 1} ifelse}", {0.6}, {2}},
    {"{dup 0.5 gt {dup 0.75 gt {pop 3} {pop 2} ifelse} {pop 1} ifelse}", {0.1}, {1}},
    // A tint transform of the kind print files carry: one tint to CMYK.
    {"{dup 0.8 mul exch dup 0.2 mul exch 0 exch 0.1 mul}", {0.5}, {0.4, 0.1, 0, 0.05}},
};

TEST(CalculatorProgramRuns, OperatorsGivePostScriptResults) {
  for (const auto& c : kRunCases) {
    SCOPED_TRACE(c.Program);
    CalculatorProgram p;
    ASSERT_TRUE(p.Parse(c.Program));
    std::vector<double> out(c.Out.size(), -99);
    ASSERT_TRUE(p.Run(c.In.data(), static_cast<int>(c.In.size()), out.data(), static_cast<int>(out.size())));
    for (size_t i = 0; i < c.Out.size(); ++i) EXPECT_NEAR(out[i], c.Out[i], 1e-9) << "output " << i;
  }
}

std::string Repeated(const std::string& s, int n) {
  std::string r;
  for (int i = 0; i < n; ++i) r += s;
  return r;
}

struct FailCase {
  const char* What;
  std::string Program;
  int Inputs;
  int Outputs;
};

const FailCase kFailCases[] = {
    {"too few operands", "{pop pop}", 1, 0},
    {"division by zero", "{1 0 div}", 0, 1},
    {"integer division by zero", "{1 0 idiv}", 0, 1},
    {"modulo zero", "{1 0 mod}", 0, 1},
    {"square root of a negative", "{-1 sqrt}", 0, 1},
    {"logarithm of zero", "{0 ln}", 0, 1},
    {"atan of 0 0", "{0 0 atan}", 0, 1},
    {"negative base, fractional exponent", "{-2 0.5 exp}", 0, 1},
    {"an overflowing real", "{10 400 exp}", 0, 1},
    {"idiv of a real", "{1.5 2 idiv}", 0, 1},
    {"a boolean added", "{true 1 add}", 0, 1},
    {"and of a real", "{1.5 1 and}", 0, 1},
    {"if over a number", "{1 {2} if}", 0, 1},
    {"cvi out of range", "{1e12 cvi}", 0, 1},
    {"copy past the stack", "{1 2 3 5 copy}", 0, 1},
    {"index past the stack", "{1 5 index}", 0, 1},
    {"negative index", "{1 -1 index}", 0, 1},
    {"roll past the stack", "{1 2 3 roll}", 0, 1},
    {"a boolean as an output", "{true}", 0, 1},
    {"too few values for the outputs", "{}", 1, 2},
    {"the stack past 100 values", "{" + Repeated("1 ", 100) + "}", 1, 1},
    {"copy past 100 values", "{" + Repeated("1 ", 60) + "50 copy}", 0, 1},
};

TEST(CalculatorProgramRuns, FailuresAreReportedAndLeaveOutputsAlone) {
  for (const auto& c : kFailCases) {
    SCOPED_TRACE(c.What);
    CalculatorProgram p;
    ASSERT_TRUE(p.Parse(c.Program));
    const std::vector<double> in(static_cast<size_t>(c.Inputs), 0.5);
    std::vector<double> out(static_cast<size_t>(c.Outputs) + 1, -99);
    EXPECT_FALSE(p.Run(in.data(), c.Inputs, out.data(), c.Outputs));
    for (double v : out) EXPECT_EQ(v, -99);
  }
}

TEST(CalculatorProgramRuns, StackHoldsExactly100Values) {
  CalculatorProgram p;
  ASSERT_TRUE(p.Parse("{" + Repeated("1 ", 99) + "}"));
  const double in = 0.5;
  double out = 0;
  EXPECT_TRUE(p.Run(&in, 1, &out, 1));
  EXPECT_EQ(out, 1);
}

std::string Nested(int levels) {
  return "{" + Repeated("true {", levels) + "1" + Repeated("} if", levels) + "}";
}

struct ParseCase {
  const char* What;
  std::string Program;
};

const ParseCase kBadPrograms[] = {
    {"empty", ""},
    {"no braces", "1 2 add"},
    {"unclosed", "{1 2 add"},
    {"unknown operator", "{1 2 foo}"},
    {"an operator outside the subset", "{1 2 def}"},
    {"a block that is no operand", "{1 {2}}"},
    {"if after two blocks", "{true {1} {2} if}"},
    {"ifelse after one block", "{true {1} ifelse}"},
    {"a bare if", "{true if}"},
    {"a string", "{(abc)}"},
    {"a name", "{/x}"},
    {"an array", "{[1]}"},
    {"a malformed number", "{1.2.3}"},
    {"a bad radix digit", "{2#12}"},
    {"blocks nested too deep", Nested(CalculatorProgram::kMaxNesting)},
};

TEST(CalculatorProgramParse, InvalidProgramsAreRejected) {
  for (const auto& c : kBadPrograms) {
    SCOPED_TRACE(c.What);
    CalculatorProgram p;
    EXPECT_FALSE(p.Parse(c.Program));
    EXPECT_TRUE(p.GetInstructions().empty());
  }
  CalculatorProgram deepest;
  EXPECT_TRUE(deepest.Parse(Nested(CalculatorProgram::kMaxNesting - 1)));
}

// ---- As a function --------------------------------------------------------

std::unique_ptr<TvnPDBaseObject> ParseCalculatorObject(const std::string& text) {
  auto mem = std::make_shared<vn::TMemoryStream>();
  mem->WriteBuffer(text.data(), static_cast<int64_t>(text.size()));
  TvnPDParser parser(nullptr, std::make_unique<TvnPDLexer>(MakeRef<TvnMemoryStream>(mem, 0, 0, false)), true);
  return parser.GetObject();
}

std::string CalculatorStream(const std::string& ranges, const std::string& program) {
  return "<< /FunctionType 4 " + ranges + " /Length " + std::to_string(program.size()) + " >>\nstream\n" + program +
         "\nendstream";
}

struct FunctionCase {
  const char* What;
  std::string Object;
  std::vector<double> In;
  std::vector<double> Out;  // empty: no function
};

const FunctionCase kCalculatorFunctions[] = {
    {"inputs clamped to the domain", CalculatorStream("/Domain [0 1] /Range [-5 5]", "{}"), {2}, {1}},
    {"outputs clamped to the range", CalculatorStream("/Domain [0 1] /Range [0 0.5]", "{2 mul}"), {0.4}, {0.5}},
    {"two inputs to four outputs",
     CalculatorStream("/Domain [0 1 0 1] /Range [0 1 0 1 0 1 0 1]", "{exch 0 0}"), {0.25, 0.75}, {0.75, 0.25, 0, 0}},
    {"a failed run gives 0", CalculatorStream("/Domain [0 1] /Range [-1 1 -1 1]", "{pop 1 0 div}"), {0.5}, {0, 0}},
    {"a failed run gives 0 clamped to the range", CalculatorStream("/Domain [0 1] /Range [0.2 1]", "{pop pop}"), {0.5},
     {0.2}},
    {"no Range", CalculatorStream("/Domain [0 1]", "{}"), {0}, {}},
    {"no Domain", CalculatorStream("/Range [0 1]", "{}"), {0}, {}},
    {"a program that does not parse", CalculatorStream("/Domain [0 1] /Range [0 1]", "{1 {2}}"), {0}, {}},
};

TEST(CalculatorFunctions, ClampFallBackOrYieldNothing) {
  for (const auto& c : kCalculatorFunctions) {
    SCOPED_TRACE(c.What);
    auto obj = ParseCalculatorObject(c.Object);
    ASSERT_TRUE(obj);
    auto f = TvnPDFunction::MakeFunction(obj.get());
    if (c.Out.empty()) {
      EXPECT_FALSE(f);
      continue;
    }
    ASSERT_TRUE(f);
    EXPECT_EQ(f->GetType(), TvnFunctionType::ftPostScript);
    EXPECT_EQ(f->GetOutputSize(), static_cast<int>(c.Out.size()));
    TvnFunctionValues in{}, out{};
    std::copy(c.In.begin(), c.In.end(), in.begin());
    f->Transform(in, out);
    for (size_t i = 0; i < c.Out.size(); ++i) EXPECT_NEAR(out[i], c.Out[i], 1e-9) << "output " << i;
  }
}

TEST(CalculatorFunctions, OversizedProgramYieldsNothing) {
  const std::string program = "{" + std::string(TvnPDPostScriptFunction::kMaxProgramBytes, ' ') + "}";
  auto obj = ParseCalculatorObject(CalculatorStream("/Domain [0 1] /Range [0 1]", program));
  ASSERT_TRUE(obj);
  EXPECT_FALSE(TvnPDFunction::MakeFunction(obj.get()));
}

}  // namespace calculator_program_test
