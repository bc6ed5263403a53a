#include "pdfdocument/calculator_program.h"

#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace vn::pdfdoc {

namespace {

using CalcOp = CalculatorProgram::Op;
using CalcInstruction = CalculatorProgram::Instruction;

struct CalcWord {
  std::string_view Name;
  CalcOp Code;
};

constexpr CalcWord kCalcWords[] = {
    {"abs", CalcOp::Abs},         {"add", CalcOp::Add},     {"atan", CalcOp::Atan},       {"ceiling", CalcOp::Ceiling},
    {"cos", CalcOp::Cos},         {"cvi", CalcOp::Cvi},     {"cvr", CalcOp::Cvr},         {"div", CalcOp::Div},
    {"exp", CalcOp::Exp},         {"floor", CalcOp::Floor}, {"idiv", CalcOp::Idiv},       {"ln", CalcOp::Ln},
    {"log", CalcOp::Log},         {"mod", CalcOp::Mod},     {"mul", CalcOp::Mul},         {"neg", CalcOp::Neg},
    {"round", CalcOp::Round},     {"sin", CalcOp::Sin},     {"sqrt", CalcOp::Sqrt},       {"sub", CalcOp::Sub},
    {"truncate", CalcOp::Truncate}, {"and", CalcOp::And},   {"bitshift", CalcOp::Bitshift}, {"eq", CalcOp::Eq},
    {"false", CalcOp::PushFalse}, {"ge", CalcOp::Ge},       {"gt", CalcOp::Gt},           {"le", CalcOp::Le},
    {"lt", CalcOp::Lt},           {"ne", CalcOp::Ne},       {"not", CalcOp::Not},         {"or", CalcOp::Or},
    {"true", CalcOp::PushTrue},   {"xor", CalcOp::Xor},     {"copy", CalcOp::Copy},       {"dup", CalcOp::Dup},
    {"exch", CalcOp::Exch},       {"index", CalcOp::Index}, {"pop", CalcOp::Pop},         {"roll", CalcOp::Roll},
};

bool CalcIsWhite(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\0';
}

bool CalcIsDelimiter(char c) {
  return c == '(' || c == ')' || c == '<' || c == '>' || c == '[' || c == ']' || c == '{' || c == '}' || c == '/' ||
         c == '%';
}

// Splits the program text into "{", "}" and words, skipping white space
// and comments. An empty token marks the end of the text.
class CalcLexer {
 public:
  explicit CalcLexer(std::string_view AText) : FText(AText) {}

  std::string_view Next() {
    while (FPos < FText.size()) {
      const char c = FText[FPos];
      if (CalcIsWhite(c)) {
        ++FPos;
      } else if (c == '%') {
        while (FPos < FText.size() && FText[FPos] != '\r' && FText[FPos] != '\n') ++FPos;
      } else {
        break;
      }
    }
    if (FPos >= FText.size()) return {};
    const size_t start = FPos;
    if (CalcIsDelimiter(FText[FPos])) {
      ++FPos;
    } else {
      while (FPos < FText.size() && !CalcIsWhite(FText[FPos]) && !CalcIsDelimiter(FText[FPos])) ++FPos;
    }
    return FText.substr(start, FPos - start);
  }

 private:
  std::string_view FText;
  size_t FPos = 0;
};

bool CalcIsDigit(char c) { return c >= '0' && c <= '9'; }

// A PostScript number token: an integer (a real when it does not fit 32
// bits), a real with a point or an exponent, or a radix integer such as
// 16#FF. False when the token is not a number.
bool CalcNumber(std::string_view AToken, CalcInstruction& AInstr) {
  if (const size_t hash = AToken.find('#'); hash != std::string_view::npos) {
    int base = 0;
    for (char c : AToken.substr(0, hash)) {
      if (!CalcIsDigit(c) || base > 36) return false;
      base = base * 10 + (c - '0');
    }
    if (hash == 0 || base < 2 || base > 36 || hash + 1 >= AToken.size()) return false;
    uint32_t value = 0;
    for (char c : AToken.substr(hash + 1)) {
      int d = 0;
      if (CalcIsDigit(c)) d = c - '0';
      else if (c >= 'a' && c <= 'z') d = c - 'a' + 10;
      else if (c >= 'A' && c <= 'Z') d = c - 'A' + 10;
      else return false;
      if (d >= base) return false;
      value = value * static_cast<uint32_t>(base) + static_cast<uint32_t>(d);
    }
    AInstr.Code = CalcOp::PushInt;
    AInstr.Int = static_cast<int32_t>(value);
    return true;
  }
  size_t i = 0;
  if (i < AToken.size() && (AToken[i] == '+' || AToken[i] == '-')) ++i;
  size_t digits = 0;
  bool real = false;
  while (i < AToken.size() && CalcIsDigit(AToken[i])) ++i, ++digits;
  if (i < AToken.size() && AToken[i] == '.') {
    real = true;
    ++i;
    while (i < AToken.size() && CalcIsDigit(AToken[i])) ++i, ++digits;
  }
  if (digits == 0) return false;
  if (i < AToken.size() && (AToken[i] == 'e' || AToken[i] == 'E')) {
    real = true;
    ++i;
    if (i < AToken.size() && (AToken[i] == '+' || AToken[i] == '-')) ++i;
    const size_t expStart = i;
    while (i < AToken.size() && CalcIsDigit(AToken[i])) ++i;
    if (i == expStart) return false;
  }
  if (i != AToken.size()) return false;
  // from_chars takes no leading '+'.
  std::string_view text = AToken[0] == '+' ? AToken.substr(1) : AToken;
  if (!real) {
    int32_t value = 0;
    const auto res = std::from_chars(text.data(), text.data() + text.size(), value);
    if (res.ec == std::errc() && res.ptr == text.data() + text.size()) {
      AInstr.Code = CalcOp::PushInt;
      AInstr.Int = value;
      return true;
    }
  }
  // A point without digits before it ("-.5") is fine for from_chars.
  double value = 0;
  const auto res = std::from_chars(text.data(), text.data() + text.size(), value);
  if (res.ptr != text.data() + text.size() || !std::isfinite(value)) return false;
  if (res.ec != std::errc() && res.ec != std::errc::result_out_of_range) return false;
  AInstr.Code = CalcOp::PushReal;
  AInstr.Real = res.ec == std::errc() ? value : 0.0;
  return true;
}

// Parses the instructions of a block whose "{" was read, up to and
// including its "}".
bool CalcParseBlock(CalcLexer& ALexer, std::vector<CalcInstruction>& ACode, int ADepth) {
  for (;;) {
    const std::string_view token = ALexer.Next();
    if (token.empty()) return false;
    if (ACode.size() > CalculatorProgram::kMaxInstructions) return false;
    if (token == "}") return true;
    if (token == "{") {
      if (ADepth >= CalculatorProgram::kMaxNesting) return false;
      std::vector<CalcInstruction> thenCode, elseCode;
      if (!CalcParseBlock(ALexer, thenCode, ADepth + 1)) return false;
      std::string_view next = ALexer.Next();
      bool hasElse = false;
      if (next == "{") {
        if (!CalcParseBlock(ALexer, elseCode, ADepth + 1)) return false;
        next = ALexer.Next();
        hasElse = true;
      }
      if (next != (hasElse ? "ifelse" : "if")) return false;
      if (thenCode.size() + elseCode.size() + ACode.size() + 2 > CalculatorProgram::kMaxInstructions) return false;
      CalcInstruction jump;
      jump.Code = CalcOp::JumpIfFalse;
      jump.Int = static_cast<int32_t>(thenCode.size() + (hasElse ? 1 : 0));
      ACode.push_back(jump);
      ACode.insert(ACode.end(), thenCode.begin(), thenCode.end());
      if (hasElse) {
        jump.Code = CalcOp::Jump;
        jump.Int = static_cast<int32_t>(elseCode.size());
        ACode.push_back(jump);
        ACode.insert(ACode.end(), elseCode.begin(), elseCode.end());
      }
      continue;
    }
    CalcInstruction instr;
    if (CalcNumber(token, instr)) {
      ACode.push_back(instr);
      continue;
    }
    bool known = false;
    for (const CalcWord& w : kCalcWords) {
      if (w.Name == token) {
        instr.Code = w.Code;
        known = true;
        break;
      }
    }
    if (!known) return false;
    ACode.push_back(instr);
  }
}

// ---- Running ----------------------------------------------------------------

enum class CalcKind : uint8_t { Int, Real, Bool };

struct CalcValue {
  CalcKind Kind = CalcKind::Int;
  int64_t Int = 0;  // the integer, or the boolean as 0 or 1
  double Real = 0;

  double AsReal() const { return Kind == CalcKind::Int ? static_cast<double>(Int) : Real; }
  bool IsNumber() const { return Kind != CalcKind::Bool; }
};

CalcValue CalcIntValue(int64_t v) {
  CalcValue r;
  // An integer result outside 32 bits becomes a real, as in PostScript.
  if (v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max()) {
    r.Kind = CalcKind::Real;
    r.Real = static_cast<double>(v);
  } else {
    r.Int = v;
  }
  return r;
}

CalcValue CalcRealValue(double v) {
  CalcValue r;
  r.Kind = CalcKind::Real;
  r.Real = v;
  return r;
}

CalcValue CalcBoolValue(bool b) {
  CalcValue r;
  r.Kind = CalcKind::Bool;
  r.Int = b ? 1 : 0;
  return r;
}

class CalcStack {
 public:
  int Size() const { return FSize; }
  bool Push(const CalcValue& v) {
    if (FSize >= CalculatorProgram::kMaxStack) return false;
    FValues[static_cast<size_t>(FSize++)] = v;
    return true;
  }
  // The value ADepth places below the top (0: the top).
  CalcValue& At(int ADepth) { return FValues[static_cast<size_t>(FSize - 1 - ADepth)]; }
  void Drop(int n) { FSize -= n; }

 private:
  std::array<CalcValue, CalculatorProgram::kMaxStack> FValues{};
  int FSize = 0;
};

// Integer operands of the stack operators: a non-negative integer no larger
// than ALimit.
bool CalcCount(const CalcValue& v, int64_t ALimit, int& ACount) {
  if (v.Kind != CalcKind::Int || v.Int < 0 || v.Int > ALimit) return false;
  ACount = static_cast<int>(v.Int);
  return true;
}

constexpr double kCalcPi = 3.14159265358979323846;

// Runs one operator on the stack; false when it fails.
bool CalcStep(CalcOp AOp, CalcStack& S) {
  switch (AOp) {
    case CalcOp::Abs:
    case CalcOp::Neg:
    case CalcOp::Ceiling:
    case CalcOp::Floor:
    case CalcOp::Round:
    case CalcOp::Truncate:
    case CalcOp::Cvi:
    case CalcOp::Cvr:
    case CalcOp::Sqrt:
    case CalcOp::Sin:
    case CalcOp::Cos:
    case CalcOp::Ln:
    case CalcOp::Log: {
      if (S.Size() < 1 || !S.At(0).IsNumber()) return false;
      CalcValue& a = S.At(0);
      if (a.Kind == CalcKind::Int) {
        switch (AOp) {
          case CalcOp::Abs: a = CalcIntValue(a.Int < 0 ? -a.Int : a.Int); return true;
          case CalcOp::Neg: a = CalcIntValue(-a.Int); return true;
          case CalcOp::Ceiling:
          case CalcOp::Floor:
          case CalcOp::Round:
          case CalcOp::Truncate:
          case CalcOp::Cvi: return true;
          default: break;
        }
      }
      const double x = a.AsReal();
      double y = 0;
      switch (AOp) {
        case CalcOp::Abs: y = std::fabs(x); break;
        case CalcOp::Neg: y = -x; break;
        case CalcOp::Ceiling: y = std::ceil(x); break;
        case CalcOp::Floor: y = std::floor(x); break;
        // Halves round up: -2.5 gives -2.
        case CalcOp::Round: y = std::floor(x + 0.5); break;
        case CalcOp::Truncate: y = std::trunc(x); break;
        case CalcOp::Cvi: {
          const double t = std::trunc(x);
          if (!(t >= std::numeric_limits<int32_t>::min() && t <= std::numeric_limits<int32_t>::max())) return false;
          a = CalcIntValue(static_cast<int64_t>(t));
          return true;
        }
        case CalcOp::Cvr: y = x; break;
        case CalcOp::Sqrt:
          if (x < 0) return false;
          y = std::sqrt(x);
          break;
        // Angles are in degrees.
        case CalcOp::Sin: y = std::sin(std::fmod(x, 360.0) * kCalcPi / 180.0); break;
        case CalcOp::Cos: y = std::cos(std::fmod(x, 360.0) * kCalcPi / 180.0); break;
        case CalcOp::Ln:
          if (x <= 0) return false;
          y = std::log(x);
          break;
        case CalcOp::Log:
          if (x <= 0) return false;
          y = std::log10(x);
          break;
        default: return false;
      }
      if (!std::isfinite(y)) return false;
      a = CalcRealValue(y);
      return true;
    }
    case CalcOp::Add:
    case CalcOp::Sub:
    case CalcOp::Mul:
    case CalcOp::Div:
    case CalcOp::Atan:
    case CalcOp::Exp: {
      if (S.Size() < 2 || !S.At(0).IsNumber() || !S.At(1).IsNumber()) return false;
      const CalcValue b = S.At(0);
      CalcValue& a = S.At(1);
      const bool ints = a.Kind == CalcKind::Int && b.Kind == CalcKind::Int;
      CalcValue r;
      const double x = a.AsReal(), y = b.AsReal();
      switch (AOp) {
        case CalcOp::Add: r = ints ? CalcIntValue(a.Int + b.Int) : CalcRealValue(x + y); break;
        case CalcOp::Sub: r = ints ? CalcIntValue(a.Int - b.Int) : CalcRealValue(x - y); break;
        case CalcOp::Mul: r = ints ? CalcIntValue(a.Int * b.Int) : CalcRealValue(x * y); break;
        case CalcOp::Div:
          if (y == 0) return false;
          r = CalcRealValue(x / y);
          break;
        case CalcOp::Atan: {
          // num den atan: the angle of (den, num) in degrees, 0 to 360.
          if (x == 0 && y == 0) return false;
          double deg = std::atan2(x, y) * 180.0 / kCalcPi;
          if (deg < 0) deg += 360.0;
          r = CalcRealValue(deg);
          break;
        }
        case CalcOp::Exp:
          if (x < 0 && y != std::trunc(y)) return false;
          if (x == 0 && y < 0) return false;
          r = CalcRealValue(std::pow(x, y));
          break;
        default: return false;
      }
      if (r.Kind == CalcKind::Real && !std::isfinite(r.Real)) return false;
      a = r;
      S.Drop(1);
      return true;
    }
    case CalcOp::Idiv:
    case CalcOp::Mod:
    case CalcOp::Bitshift: {
      if (S.Size() < 2 || S.At(0).Kind != CalcKind::Int || S.At(1).Kind != CalcKind::Int) return false;
      const int64_t b = S.At(0).Int;
      CalcValue& a = S.At(1);
      if (AOp == CalcOp::Bitshift) {
        // Shifts of 32 places or more leave nothing; bits shifted out are lost.
        const auto u = static_cast<uint32_t>(a.Int);
        uint32_t r = 0;
        if (b >= 0 && b < 32) r = u << b;
        else if (b < 0 && b > -32) r = u >> -b;
        a = CalcIntValue(static_cast<int32_t>(r));
      } else {
        if (b == 0) return false;
        // Both truncate towards zero; the remainder has the dividend's sign.
        a = CalcIntValue(AOp == CalcOp::Idiv ? a.Int / b : a.Int % b);
      }
      S.Drop(1);
      return true;
    }
    case CalcOp::Eq:
    case CalcOp::Ne: {
      if (S.Size() < 2) return false;
      const CalcValue b = S.At(0);
      CalcValue& a = S.At(1);
      bool equal = false;
      if (a.IsNumber() && b.IsNumber()) equal = a.AsReal() == b.AsReal();
      else if (a.Kind == CalcKind::Bool && b.Kind == CalcKind::Bool) equal = a.Int == b.Int;
      a = CalcBoolValue(AOp == CalcOp::Eq ? equal : !equal);
      S.Drop(1);
      return true;
    }
    case CalcOp::Ge:
    case CalcOp::Gt:
    case CalcOp::Le:
    case CalcOp::Lt: {
      if (S.Size() < 2 || !S.At(0).IsNumber() || !S.At(1).IsNumber()) return false;
      const double y = S.At(0).AsReal();
      CalcValue& a = S.At(1);
      const double x = a.AsReal();
      const bool r = AOp == CalcOp::Ge ? x >= y : AOp == CalcOp::Gt ? x > y : AOp == CalcOp::Le ? x <= y : x < y;
      a = CalcBoolValue(r);
      S.Drop(1);
      return true;
    }
    case CalcOp::And:
    case CalcOp::Or:
    case CalcOp::Xor: {
      if (S.Size() < 2) return false;
      const CalcValue b = S.At(0);
      CalcValue& a = S.At(1);
      if (a.Kind != b.Kind || a.Kind == CalcKind::Real) return false;
      const int64_t r = AOp == CalcOp::And ? (a.Int & b.Int) : AOp == CalcOp::Or ? (a.Int | b.Int) : (a.Int ^ b.Int);
      a = a.Kind == CalcKind::Bool ? CalcBoolValue(r != 0) : CalcIntValue(r);
      S.Drop(1);
      return true;
    }
    case CalcOp::Not: {
      if (S.Size() < 1 || S.At(0).Kind == CalcKind::Real) return false;
      CalcValue& a = S.At(0);
      a = a.Kind == CalcKind::Bool ? CalcBoolValue(a.Int == 0) : CalcIntValue(~a.Int);
      return true;
    }
    case CalcOp::PushTrue: return S.Push(CalcBoolValue(true));
    case CalcOp::PushFalse: return S.Push(CalcBoolValue(false));
    case CalcOp::Dup:
      if (S.Size() < 1) return false;
      return S.Push(S.At(0));
    case CalcOp::Exch: {
      if (S.Size() < 2) return false;
      std::swap(S.At(0), S.At(1));
      return true;
    }
    case CalcOp::Pop:
      if (S.Size() < 1) return false;
      S.Drop(1);
      return true;
    case CalcOp::Copy: {
      int n = 0;
      if (S.Size() < 1 || !CalcCount(S.At(0), S.Size() - 1, n)) return false;
      S.Drop(1);
      if (S.Size() + n > CalculatorProgram::kMaxStack) return false;
      for (int i = 0; i < n; ++i) S.Push(S.At(n - 1));
      return true;
    }
    case CalcOp::Index: {
      int n = 0;
      if (S.Size() < 1 || !CalcCount(S.At(0), S.Size() - 2, n)) return false;
      S.At(0) = S.At(n + 1);
      return true;
    }
    case CalcOp::Roll: {
      // n j roll: turns the top n values j places upwards.
      if (S.Size() < 2 || S.At(0).Kind != CalcKind::Int) return false;
      int n = 0;
      if (!CalcCount(S.At(1), S.Size() - 2, n)) return false;
      const int64_t j = S.At(0).Int;
      S.Drop(2);
      if (n == 0) return true;
      const int shift = static_cast<int>(((j % n) + n) % n);
      if (shift == 0) return true;
      std::array<CalcValue, CalculatorProgram::kMaxStack> tmp;
      // Deepest first: element k of the top n moves to (k + shift) mod n.
      for (int k = 0; k < n; ++k) tmp[static_cast<size_t>((k + shift) % n)] = S.At(n - 1 - k);
      for (int k = 0; k < n; ++k) S.At(n - 1 - k) = tmp[static_cast<size_t>(k)];
      return true;
    }
    default: return false;
  }
}

}  // namespace

bool CalculatorProgram::Parse(std::string_view AText) {
  FCode.clear();
  CalcLexer lexer(AText);
  bool ok = lexer.Next() == "{" && CalcParseBlock(lexer, FCode, 1) && FCode.size() <= kMaxInstructions;
  if (!ok) FCode.clear();
  return ok;
}

bool CalculatorProgram::Run(const double* AInputs, int AInputCount, double* AOutputs, int AOutputCount) const {
  if (AInputCount < 0 || AOutputCount < 0) return false;
  CalcStack stack;
  for (int i = 0; i < AInputCount; ++i) {
    if (!stack.Push(CalcRealValue(AInputs[i]))) return false;
  }
  const size_t end = FCode.size();
  for (size_t pc = 0; pc < end; ++pc) {
    const Instruction& in = FCode[pc];
    switch (in.Code) {
      case Op::PushInt:
        if (!stack.Push(CalcIntValue(in.Int))) return false;
        break;
      case Op::PushReal:
        if (!stack.Push(CalcRealValue(in.Real))) return false;
        break;
      case Op::JumpIfFalse:
        if (stack.Size() < 1 || stack.At(0).Kind != CalcKind::Bool) return false;
        if (stack.At(0).Int == 0) pc += static_cast<size_t>(in.Int);
        stack.Drop(1);
        break;
      case Op::Jump:
        pc += static_cast<size_t>(in.Int);
        break;
      default:
        if (!CalcStep(in.Code, stack)) return false;
        break;
    }
  }
  if (stack.Size() < AOutputCount) return false;
  for (int i = 0; i < AOutputCount; ++i) {
    if (!stack.At(i).IsNumber()) return false;
  }
  for (int i = 0; i < AOutputCount; ++i) AOutputs[i] = stack.At(AOutputCount - 1 - i).AsReal();
  return true;
}

}  // namespace vn::pdfdoc
