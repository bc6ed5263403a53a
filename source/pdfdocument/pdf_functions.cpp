#include "pdfdocument/pdf_functions.h"

#include <algorithm>
#include <cmath>

#include "pdfdocument/pdf_numbers_impl.h"

namespace vn::pdfdoc {

using vn::pdf::TvnPDArray;
using vn::pdf::TvnPDBaseObject;
using vn::pdf::TvnPDDictionary;
using vn::pdf::TvnPDStream;

namespace {

// All elements of an array as numbers; false when one is not a number.
bool FunctionNumbers(const TvnPDArray& AArray, std::vector<double>& AValues) {
  AValues.clear();
  for (int64_t i = 0; i < AArray.GetLength(); ++i) {
    double v = 0;
    if (!PdfNumber(AArray.Get(i), v)) return false;
    AValues.push_back(v);
  }
  return true;
}

const TvnPDArray* FunctionArrayEntry(const TvnPDDictionary& ADict, std::string_view AKey) {
  const TvnPDBaseObject* o = ADict.LookUp(AKey);
  return o ? o->AsArray() : nullptr;
}

}  // namespace

std::unique_ptr<TvnPDFunction> TvnPDFunction::MakeFunction(TvnPDBaseObject* AFuncObj, int ADepth) {
  if (!AFuncObj || ADepth > kMaxDepth) return nullptr;
  if (AFuncObj->IsName("Identity")) return std::make_unique<TvnPDIdentityFunction>();
  TvnPDStream* stream = AFuncObj->AsStream();
  const TvnPDDictionary* dict = stream ? stream->GetDict() : AFuncObj->AsDict();
  if (!dict) return nullptr;
  const TvnPDBaseObject* type = dict->LookUp("FunctionType");
  if (!type || !type->IsInteger()) return nullptr;
  std::unique_ptr<TvnPDFunction> f;
  switch (type->AsInteger()->GetValue()) {
    case 0:
      if (stream) f = std::make_unique<TvnPDSampledFunction>(*stream);
      break;
    case 2:
      f = std::make_unique<TvnPDExponentialFunction>(*dict);
      break;
    case 3:
      f = std::make_unique<TvnPDStitchingFunction>(*dict, ADepth);
      break;
    case 4:
      if (stream) f = std::make_unique<TvnPDPostScriptFunction>(*stream);
      break;
    default:
      break;
  }
  if (!f || !f->IsOk()) return nullptr;
  return f;
}

bool TvnPDFunction::ReadDomainAndRange(const TvnPDDictionary& ADict) {
  const TvnPDArray* domain = FunctionArrayEntry(ADict, "Domain");
  std::vector<double> v;
  if (!domain || !FunctionNumbers(*domain, v)) return false;
  FM = static_cast<int>(std::min<size_t>(v.size() / 2, kMaxFunctionValues));
  std::copy_n(v.begin(), 2 * FM, FDomain.begin());
  FN = 0;
  if (const TvnPDArray* range = FunctionArrayEntry(ADict, "Range")) {
    if (!FunctionNumbers(*range, v)) return false;
    FHasRange = true;
    FN = static_cast<int>(std::min<size_t>(v.size() / 2, kMaxFunctionValues));
    std::copy_n(v.begin(), 2 * FN, FRange.begin());
  }
  return true;
}

double TvnPDFunction::ClampToDomain(int i, double x) const {
  const double lo = GetDomainMin(i), hi = GetDomainMax(i);
  return x < lo ? lo : (x > hi ? hi : x);
}

double TvnPDFunction::ClampToRange(int i, double x) const {
  if (!FHasRange) return x;
  const double lo = GetRangeMin(i), hi = GetRangeMax(i);
  return x < lo ? lo : (x > hi ? hi : x);
}

// ---- Identity ---------------------------------------------------------------

TvnPDIdentityFunction::TvnPDIdentityFunction() {
  FM = FN = kMaxFunctionValues;
  for (int i = 0; i < kMaxFunctionValues; ++i) FDomain[Slot(i, 1)] = 1;
}

// ---- Exponential ------------------------------------------------------------

TvnPDExponentialFunction::TvnPDExponentialFunction(const TvnPDDictionary& ADict) {
  if (!ReadDomainAndRange(ADict) || FM != 1) return;
  std::vector<double> c0{0}, c1{1};
  if (const TvnPDArray* a = FunctionArrayEntry(ADict, "C0")) {
    if (!FunctionNumbers(*a, c0)) return;
  }
  if (const TvnPDArray* a = FunctionArrayEntry(ADict, "C1")) {
    if (!FunctionNumbers(*a, c1)) return;
  }
  if (c0.size() != c1.size() || c0.size() > kMaxFunctionValues) return;
  const int n = static_cast<int>(c0.size());
  if (FHasRange && FN != n) return;
  FN = n;
  std::copy(c0.begin(), c0.end(), FC0.begin());
  std::copy(c1.begin(), c1.end(), FC1.begin());
  if (!PdfNumber(ADict.LookUp("N"), FE)) return;
  FOk = true;
}

void TvnPDExponentialFunction::Transform(const TvnFunctionValues& AInput, TvnFunctionValues& AOutput) const {
  const double x = ClampToDomain(0, AInput[0]);
  const double p = std::pow(x, FE);
  for (int i = 0; i < FN; ++i) {
    const auto k = static_cast<size_t>(i);
    const double y = FC0[k] + p * (FC1[k] - FC0[k]);
    AOutput[k] = ClampToRange(i, std::isfinite(y) ? y : 0);
  }
}

// ---- Sampled ----------------------------------------------------------------

TvnPDSampledFunction::TvnPDSampledFunction(TvnPDStream& AStream) {
  const TvnPDDictionary* dict = AStream.GetDict();
  if (!dict || !ReadDomainAndRange(*dict) || !FHasRange || FM < 1 || FM > kMaxInputs || FN < 1) return;
  const TvnPDArray* size = FunctionArrayEntry(*dict, "Size");
  const TvnPDBaseObject* bps = dict->LookUp("BitsPerSample");
  if (!size || size->GetLength() != FM || !bps || !bps->IsInteger()) return;
  const int64_t bits = bps->AsInteger()->GetValue();
  if (bits != 1 && bits != 2 && bits != 4 && bits != 8 && bits != 12 && bits != 16 && bits != 24 && bits != 32)
    return;
  int64_t count = FN;
  for (int i = 0; i < FM; ++i) {
    const TvnPDBaseObject* s = size->Get(i);
    if (!s || !s->IsInteger() || s->AsInteger()->GetValue() < 1) return;
    const int64_t si = s->AsInteger()->GetValue();
    if (si > kMaxSamples || count * si > kMaxSamples) return;
    FSampleSize[static_cast<size_t>(i)] = static_cast<int>(si);
    count *= si;
  }
  FIdxMul[0] = FN;
  for (size_t i = 1; i < static_cast<size_t>(FM); ++i) FIdxMul[i] = FIdxMul[i - 1] * FSampleSize[i - 1];

  std::vector<double> v;
  if (const TvnPDArray* enc = FunctionArrayEntry(*dict, "Encode")) {
    if (!FunctionNumbers(*enc, v)) return;
    if (static_cast<int>(v.size()) == 2 * FM) std::copy(v.begin(), v.end(), FEncode.begin());
  } else if (!dict->LookUp("Encode")) {
    for (int i = 0; i < FM; ++i) FEncode[Slot(i, 1)] = FSampleSize[static_cast<size_t>(i)] - 1;
  }
  for (int i = 0; i < FM; ++i) {
    const double d = GetDomainMax(i) - GetDomainMin(i);
    FInputMul[static_cast<size_t>(i)] = d == 0 ? 0 : (FEncode[Slot(i, 1)] - FEncode[Slot(i, 0)]) / d;
  }
  if (const TvnPDArray* dec = FunctionArrayEntry(*dict, "Decode")) {
    if (FunctionNumbers(*dec, v) && static_cast<int>(v.size()) == 2 * FN) std::copy(v.begin(), v.end(), FDecode.begin());
  } else if (!dict->LookUp("Decode")) {
    FDecode = FRange;
  }

  // The samples, most significant bit first. A stream that ends early
  // leaves the remaining samples 0.
  AStream.Reset();
  const auto nbits = static_cast<unsigned>(bits);
  const double scale = 1.0 / (std::ldexp(1.0, static_cast<int>(nbits)) - 1.0);
  FSamples.assign(static_cast<size_t>(count), 0.0);
  uint64_t acc = 0;
  unsigned have = 0;
  bool ended = false;
  for (auto& sample : FSamples) {
    while (have < nbits && !ended) {
      uint8_t b = 0;
      if (AStream.Read(&b, 1) != 1) {
        ended = true;
        break;
      }
      acc = (acc << 8) | b;
      have += 8;
    }
    if (have < nbits) break;
    const uint64_t value = (acc >> (have - nbits)) & ((uint64_t{1} << nbits) - 1);
    have -= nbits;
    acc &= (uint64_t{1} << have) - 1;
    sample = static_cast<double>(value) * scale;
  }
  AStream.Close();
  FOk = true;
}

void TvnPDSampledFunction::Transform(const TvnFunctionValues& AInput, TvnFunctionValues& AOutput) const {
  std::array<int64_t, kMaxInputs> e0{}, e1{};
  std::array<double, kMaxInputs> frac{};
  for (int i = 0; i < FM; ++i) {
    const auto k = static_cast<size_t>(i);
    const double top = FSampleSize[k] - 1;
    double x = (AInput[k] - GetDomainMin(i)) * FInputMul[k] + FEncode[Slot(i, 0)];
    x = std::isfinite(x) ? std::clamp(x, 0.0, top) : 0.0;
    e0[k] = static_cast<int64_t>(x);
    e1[k] = e0[k] + 1 < FSampleSize[k] ? e0[k] + 1 : e0[k];
    frac[k] = x - static_cast<double>(e0[k]);
  }
  const size_t corners = size_t{1} << FM;
  for (int o = 0; o < FN; ++o) {
    double sum = 0;
    for (size_t c = 0; c < corners; ++c) {
      double w = 1;
      int64_t idx = o;
      for (size_t k = 0; k < static_cast<size_t>(FM); ++k) {
        const bool hi = (c >> k) & 1;
        w *= hi ? frac[k] : 1 - frac[k];
        idx += FIdxMul[k] * (hi ? e1[k] : e0[k]);
      }
      if (w != 0) sum += w * FSamples[static_cast<size_t>(idx)];
    }
    const double y = sum * (FDecode[Slot(o, 1)] - FDecode[Slot(o, 0)]) + FDecode[Slot(o, 0)];
    AOutput[static_cast<size_t>(o)] = ClampToRange(o, y);
  }
}

// ---- Stitching --------------------------------------------------------------

TvnPDStitchingFunction::TvnPDStitchingFunction(const TvnPDDictionary& ADict, int ADepth) {
  if (!ReadDomainAndRange(ADict) || FM != 1) return;
  const TvnPDArray* funcs = FunctionArrayEntry(ADict, "Functions");
  if (!funcs || funcs->GetLength() < 1) return;
  const int64_t k = funcs->GetLength();
  for (int64_t i = 0; i < k; ++i) {
    auto f = MakeFunction(funcs->Get(i), ADepth + 1);
    if (!f) return;
    if (!FFuncs.empty() && (f->GetInputSize() != 1 || f->GetOutputSize() != FFuncs[0]->GetOutputSize())) return;
    FFuncs.push_back(std::move(f));
  }
  FBounds = {GetDomainMin(0)};
  std::vector<double> v;
  if (const TvnPDArray* b = FunctionArrayEntry(ADict, "Bounds")) {
    if (!FunctionNumbers(*b, v) || static_cast<int64_t>(v.size()) != k - 1) return;
    FBounds.insert(FBounds.end(), v.begin(), v.end());
  } else if (k != 1) {
    return;
  }
  FBounds.push_back(GetDomainMax(0));
  const TvnPDArray* enc = FunctionArrayEntry(ADict, "Encode");
  if (!enc || !FunctionNumbers(*enc, FEncode) || static_cast<int64_t>(FEncode.size()) != 2 * k) return;
  for (size_t i = 0; i < static_cast<size_t>(k); ++i) {
    const double span = FBounds[i + 1] - FBounds[i];
    FScale.push_back(span == 0 ? 0 : (FEncode[2 * i + 1] - FEncode[2 * i]) / span);
  }
  FOk = true;
}

void TvnPDStitchingFunction::Transform(const TvnFunctionValues& AInput, TvnFunctionValues& AOutput) const {
  const double x = ClampToDomain(0, AInput[0]);
  const size_t k = FFuncs.size();
  size_t i = 0;
  while (i + 1 < k && !(x < FBounds[i + 1])) ++i;
  TvnFunctionValues in{};
  in[0] = (x - FBounds[i]) * FScale[i] + FEncode[2 * i];
  FFuncs[i]->Transform(in, AOutput);
}

// ---- Calculator -------------------------------------------------------------

TvnPDPostScriptFunction::TvnPDPostScriptFunction(TvnPDStream& AStream) {
  const TvnPDDictionary* dict = AStream.GetDict();
  if (!dict || !ReadDomainAndRange(*dict) || !FHasRange || FM < 1 || FN < 1) return;
  AStream.Reset();
  // One byte more than allowed tells a program that is too large.
  AStream.Read(FCode, kMaxProgramBytes + 1);
  AStream.Close();
  if (FCode.size() > kMaxProgramBytes || !FProgram.Parse(FCode)) {
    FCode.clear();
    return;
  }
  FOk = true;
}

void TvnPDPostScriptFunction::Transform(const TvnFunctionValues& AInput, TvnFunctionValues& AOutput) const {
  TvnFunctionValues in{}, out{};
  for (int i = 0; i < FM; ++i) in[static_cast<size_t>(i)] = ClampToDomain(i, AInput[static_cast<size_t>(i)]);
  if (!FProgram.Run(in.data(), FM, out.data(), FN)) out.fill(0);
  for (int i = 0; i < FN; ++i) AOutput[static_cast<size_t>(i)] = ClampToRange(i, out[static_cast<size_t>(i)]);
}

}  // namespace vn::pdfdoc
