// PDF function objects: numeric mappings from m inputs to n outputs that
// colour spaces use as tint transforms and shadings as colour ramps.
//
// TvnPDFunction::MakeFunction builds the sampled (type 0), exponential
// (type 2), stitching (type 3) or calculator (type 4) function of a function
// dictionary or stream, or the identity function for the name
// /Identity. Nothing here raises: a malformed function object yields no
// function. Inputs and outputs are arrays of kMaxFunctionValues doubles;
// only the first m inputs are read and the first n outputs written.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "pdf/objects.h"
#include "pdfdocument/calculator_program.h"

namespace vn::pdfdoc {

enum class TvnFunctionType { ftIdentity, ftSampled, ftExponential, ftStitching, ftPostScript };

constexpr int kMaxFunctionValues = 32;
using TvnFunctionValues = std::array<double, kMaxFunctionValues>;

class TvnPDFunction {
 public:
  TvnPDFunction() = default;
  TvnPDFunction(const TvnPDFunction&) = delete;
  TvnPDFunction& operator=(const TvnPDFunction&) = delete;
  virtual ~TvnPDFunction() = default;

  // The function of a PDF object, or nullptr when it is not a usable
  // function. Functions nested deeper than a few levels (a stitching
  // function that contains itself) yield nothing.
  // ADepth counts the enclosing functions.
  static std::unique_ptr<TvnPDFunction> MakeFunction(vn::pdf::TvnPDBaseObject* AFuncObj, int ADepth = 0);
  static constexpr int kMaxDepth = 8;

  virtual TvnFunctionType GetType() const = 0;
  virtual void Transform(const TvnFunctionValues& AInput, TvnFunctionValues& AOutput) const = 0;
  virtual bool IsOk() const = 0;

  int GetInputSize() const { return FM; }
  int GetOutputSize() const { return FN; }
  double GetDomainMin(int i) const { return FDomain[Slot(i, 0)]; }
  double GetDomainMax(int i) const { return FDomain[Slot(i, 1)]; }
  double GetRangeMin(int i) const { return FRange[Slot(i, 0)]; }
  double GetRangeMax(int i) const { return FRange[Slot(i, 1)]; }
  bool HasRange() const { return FHasRange; }

 protected:
  // Reads Domain (required) and Range (optional); false without a usable
  // Domain.
  bool ReadDomainAndRange(const vn::pdf::TvnPDDictionary& ADict);
  double ClampToDomain(int i, double x) const;
  double ClampToRange(int i, double x) const;
  static size_t Slot(int i, int Side) {
    return static_cast<size_t>(i < 0 || i >= kMaxFunctionValues ? 0 : 2 * i + Side);
  }

  int FM = 0;
  int FN = 0;
  std::array<double, 2 * kMaxFunctionValues> FDomain{};
  std::array<double, 2 * kMaxFunctionValues> FRange{};
  bool FHasRange = false;
};

// Copies every input to the same output; 32 inputs and outputs, each
// domain [0, 1].
class TvnPDIdentityFunction : public TvnPDFunction {
 public:
  TvnPDIdentityFunction();
  TvnFunctionType GetType() const override { return TvnFunctionType::ftIdentity; }
  void Transform(const TvnFunctionValues& AInput, TvnFunctionValues& AOutput) const override { AOutput = AInput; }
  bool IsOk() const override { return true; }
};

// Samples of a stream interpolated m-linearly (at most 16 inputs).
class TvnPDSampledFunction : public TvnPDFunction {
 public:
  static constexpr int kMaxInputs = 16;
  // More samples than this make the function invalid rather than allocate.
  static constexpr int64_t kMaxSamples = int64_t{1} << 24;

  explicit TvnPDSampledFunction(vn::pdf::TvnPDStream& AStream);
  TvnFunctionType GetType() const override { return TvnFunctionType::ftSampled; }
  void Transform(const TvnFunctionValues& AInput, TvnFunctionValues& AOutput) const override;
  bool IsOk() const override { return FOk; }

  int GetSampleSize(int i) const { return FSampleSize[static_cast<size_t>(i)]; }
  const std::vector<double>& GetSamples() const { return FSamples; }

 private:
  std::array<int, kMaxFunctionValues> FSampleSize{};
  std::array<double, 2 * kMaxFunctionValues> FEncode{};
  std::array<double, 2 * kMaxFunctionValues> FDecode{};
  std::array<double, kMaxFunctionValues> FInputMul{};
  std::array<int64_t, kMaxFunctionValues> FIdxMul{};
  std::vector<double> FSamples;
  bool FOk = false;
};

// C0 + x^N (C1 - C0), one input.
class TvnPDExponentialFunction : public TvnPDFunction {
 public:
  explicit TvnPDExponentialFunction(const vn::pdf::TvnPDDictionary& ADict);
  TvnFunctionType GetType() const override { return TvnFunctionType::ftExponential; }
  void Transform(const TvnFunctionValues& AInput, TvnFunctionValues& AOutput) const override;
  bool IsOk() const override { return FOk; }

  double GetC0(int i) const { return FC0[static_cast<size_t>(i)]; }
  double GetC1(int i) const { return FC1[static_cast<size_t>(i)]; }
  double GetE() const { return FE; }

 private:
  TvnFunctionValues FC0{};
  TvnFunctionValues FC1{};
  double FE = 1;
  bool FOk = false;
};

// k one-input subfunctions, each over its own part of the domain.
class TvnPDStitchingFunction : public TvnPDFunction {
 public:
  TvnPDStitchingFunction(const vn::pdf::TvnPDDictionary& ADict, int ADepth);
  TvnFunctionType GetType() const override { return TvnFunctionType::ftStitching; }
  void Transform(const TvnFunctionValues& AInput, TvnFunctionValues& AOutput) const override;
  bool IsOk() const override { return FOk; }

  int GetNoOfFunctions() const { return static_cast<int>(FFuncs.size()); }
  const TvnPDFunction* GetFunc(int i) const { return FFuncs[static_cast<size_t>(i)].get(); }
  const std::vector<double>& GetBounds() const { return FBounds; }
  const std::vector<double>& GetEncode() const { return FEncode; }
  const std::vector<double>& GetScale() const { return FScale; }

 private:
  std::vector<std::unique_ptr<TvnPDFunction>> FFuncs;
  std::vector<double> FBounds;
  std::vector<double> FEncode;
  std::vector<double> FScale;
  bool FOk = false;
};

// A calculator function: a stream holding a program of the PostScript
// subset CalculatorProgram runs. Domain and Range are required. The inputs,
// clamped to the domain, are pushed as reals; the outputs are the values
// the program leaves on the stack, clamped to the range. A program that
// does not parse (or is larger than kMaxProgramBytes) makes the function
// invalid; a run that fails gives every output 0 clamped to its range.
class TvnPDPostScriptFunction : public TvnPDFunction {
 public:
  static constexpr size_t kMaxProgramBytes = size_t{1} << 20;

  explicit TvnPDPostScriptFunction(vn::pdf::TvnPDStream& AStream);
  TvnFunctionType GetType() const override { return TvnFunctionType::ftPostScript; }
  void Transform(const TvnFunctionValues& AInput, TvnFunctionValues& AOutput) const override;
  bool IsOk() const override { return FOk; }
  // The program text as the stream holds it.
  const std::string& GetCodeString() const { return FCode; }

 private:
  std::string FCode;
  CalculatorProgram FProgram;
  bool FOk = false;
};

}  // namespace vn::pdfdoc
