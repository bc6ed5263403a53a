// The program of a PDF calculator function (function type 4): the text
// "{ ... }" of a small PostScript subset, parsed once into a flat list of
// instructions and then run for every evaluation.
//
// The operators are the arithmetic ones (abs add atan ceiling cos cvi cvr
// div exp floor idiv ln log mod mul neg round sin sqrt sub truncate), the
// relational, boolean and bitwise ones (and bitshift eq false ge gt le lt ne
// not or true xor), the conditionals if and ifelse over nested blocks, and
// the stack operators copy dup exch index pop roll. Values are integers,
// reals and booleans.
//
// Parsing rejects anything else: an unknown word, a block that is not the
// operand of if or ifelse, unbalanced braces, blocks nested deeper than
// kMaxNesting or a program of more than kMaxInstructions. A program has no
// loops (every jump goes forward), so a run ends after at most one step per
// instruction. A run fails, rather than crash, on a stack that would grow
// past kMaxStack values, too few operands, an operand of the wrong type, a
// division by zero, a result that is not a finite number, or too few
// values left for the outputs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace vn::pdfdoc {

class CalculatorProgram {
 public:
  static constexpr int kMaxStack = 100;
  static constexpr int kMaxNesting = 64;
  static constexpr size_t kMaxInstructions = 100000;

  enum class Op : uint8_t {
    // Values
    PushInt, PushReal, PushTrue, PushFalse,
    // Arithmetic
    Abs, Add, Atan, Ceiling, Cos, Cvi, Cvr, Div, Exp, Floor, Idiv, Ln, Log, Mod, Mul, Neg, Round, Sin, Sqrt, Sub,
    Truncate,
    // Relational, boolean and bitwise
    And, Bitshift, Eq, Ge, Gt, Le, Lt, Ne, Not, Or, Xor,
    // Stack
    Copy, Dup, Exch, Index, Pop, Roll,
    // Control: pop a boolean and skip Skip instructions when it is false;
    // skip Skip instructions.
    JumpIfFalse, Jump,
  };

  struct Instruction {
    Op Code = Op::PushInt;
    int32_t Int = 0;  // PushInt's value; the jumps' instruction count
    double Real = 0;  // PushReal's value
  };

  // Parses the program text; false (and an empty program) when it is not a
  // valid program.
  bool Parse(std::string_view AText);

  // Runs the program on AInputCount inputs, pushed in order as reals, and
  // writes the top AOutputCount values of the final stack to AOutputs
  // (the deepest first). False when the run fails; AOutputs is then left
  // unchanged.
  bool Run(const double* AInputs, int AInputCount, double* AOutputs, int AOutputCount) const;

  const std::vector<Instruction>& GetInstructions() const { return FCode; }

 private:
  std::vector<Instruction> FCode;
};

}  // namespace vn::pdfdoc
