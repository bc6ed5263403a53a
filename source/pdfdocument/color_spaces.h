// PDF colour spaces: component counts, default colours and decode ranges,
// and conversion of a colour of the space to gray, RGB or CMYK.
//
// Colour values are 16.16 fixed-point integers (65536 = 1.0). There is no
// colour management: calibrated, Lab and ICC-based spaces convert by fixed
// formulas (an ICC-based space through its alternate) and profiles are
// never read. TvnPDColorSpace::MakeColorSpace builds the space of a
// colour-space name or array; nothing here raises.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "pdf/objects.h"
#include "pdfdocument/pdf_functions.h"

namespace vn::pdfdoc {

constexpr int kMaxColorComps = 32;
constexpr int32_t kFixedOne = 65536;

struct TvnColorComp {
  std::array<int32_t, kMaxColorComps> Comps{};
};
struct TvnRGB {
  int32_t R = 0, G = 0, B = 0;
};
struct TvnCMYK {
  int32_t C = 0, M = 0, Y = 0, K = 0;
};
using TvnDecodeArray = std::array<double, kMaxColorComps>;

enum class TvnColorSpaceMode {
  csDeviceGray,
  csCalGray,
  csDeviceRGB,
  csCalRGB,
  csDeviceCMYK,
  csLab,
  csICCBased,
  csIndexed,
  csSeparation,
  csDeviceN,
  csPattern
};

// A colour as its components, in the colour space Kind (outline items and
// annotations give DeviceRGB).
struct TvnPDColorValue {
  TvnColorSpaceMode Kind = TvnColorSpaceMode::csDeviceRGB;
  std::vector<double> Components;
};

class TvnPDColorSpace : public vn::pdf::TvnPDElement {
 public:
  // The space of a name or array, or nullptr; ATagName is the resource name
  // it was found under. Spaces nested deeper than a few levels (an Indexed
  // space whose base refers back to it) yield nothing.
  static std::unique_ptr<TvnPDColorSpace> MakeColorSpace(vn::pdf::TvnPDBaseObject* ABaseObject,
                                                         const std::string& ATagName, int ADepth = 0);
  static constexpr int kMaxDepth = 8;

  virtual void GetDefaultColor(TvnColorComp&) const {}
  virtual int GetNoOfComps() const = 0;
  virtual TvnColorSpaceMode GetMode() const = 0;
  virtual void GetDefaultRanges(TvnDecodeArray& ADecodeLow, TvnDecodeArray& ADecodeRange, int AMaxImgPixel) const;
  virtual void GetGray(const TvnColorComp& AColor, int32_t& AGray) const = 0;
  virtual void GetRGB(const TvnColorComp& AColor, TvnRGB& ARGB) const = 0;
  virtual void GetCMYK(const TvnColorComp& AColor, TvnCMYK& ACMYK) const = 0;

  bool IsName(const std::string& ATagName) const { return FTagName == ATagName; }
  const std::string& GetTagName() const { return FTagName; }

 protected:
  explicit TvnPDColorSpace(vn::pdf::TvnPDBaseObject* ABaseObject) : TvnPDElement(ABaseObject, nullptr, nullptr) {}
  std::string FTagName;
};

class TvnPDDeviceGrayColorSpace : public TvnPDColorSpace {
 public:
  explicit TvnPDDeviceGrayColorSpace(vn::pdf::TvnPDBaseObject* ABaseObject = nullptr) : TvnPDColorSpace(ABaseObject) {}
  int GetNoOfComps() const override { return 1; }
  TvnColorSpaceMode GetMode() const override { return TvnColorSpaceMode::csDeviceGray; }
  void GetGray(const TvnColorComp& AColor, int32_t& AGray) const override;
  void GetRGB(const TvnColorComp& AColor, TvnRGB& ARGB) const override;
  void GetCMYK(const TvnColorComp& AColor, TvnCMYK& ACMYK) const override;
};

class TvnPDDeviceRGBColorSpace : public TvnPDColorSpace {
 public:
  explicit TvnPDDeviceRGBColorSpace(vn::pdf::TvnPDBaseObject* ABaseObject = nullptr) : TvnPDColorSpace(ABaseObject) {}
  int GetNoOfComps() const override { return 3; }
  TvnColorSpaceMode GetMode() const override { return TvnColorSpaceMode::csDeviceRGB; }
  void GetGray(const TvnColorComp& AColor, int32_t& AGray) const override;
  void GetRGB(const TvnColorComp& AColor, TvnRGB& ARGB) const override;
  void GetCMYK(const TvnColorComp& AColor, TvnCMYK& ACMYK) const override;
};

class TvnPDDeviceCMYKColorSpace : public TvnPDColorSpace {
 public:
  explicit TvnPDDeviceCMYKColorSpace(vn::pdf::TvnPDBaseObject* ABaseObject = nullptr) : TvnPDColorSpace(ABaseObject) {}
  void GetDefaultColor(TvnColorComp& AColor) const override;
  int GetNoOfComps() const override { return 4; }
  TvnColorSpaceMode GetMode() const override { return TvnColorSpaceMode::csDeviceCMYK; }
  void GetGray(const TvnColorComp& AColor, int32_t& AGray) const override;
  void GetRGB(const TvnColorComp& AColor, TvnRGB& ARGB) const override;
  void GetCMYK(const TvnColorComp& AColor, TvnCMYK& ACMYK) const override;
};

// White point, black point and gamma of the calibrated dictionaries.
struct TvnCalibration {
  std::array<double, 3> White{1, 1, 1};
  std::array<double, 3> Black{0, 0, 0};
};

class TvnPDCalGrayColorSpace : public TvnPDDeviceGrayColorSpace {
 public:
  explicit TvnPDCalGrayColorSpace(vn::pdf::TvnPDBaseObject* ABaseObject);
  TvnColorSpaceMode GetMode() const override { return TvnColorSpaceMode::csCalGray; }
  const TvnCalibration& GetCalibration() const { return FCal; }
  double GetGamma() const { return FGamma; }

 private:
  TvnCalibration FCal;
  double FGamma = 0;
};

class TvnPDCalRGBColorSpace : public TvnPDDeviceRGBColorSpace {
 public:
  explicit TvnPDCalRGBColorSpace(vn::pdf::TvnPDBaseObject* ABaseObject);
  TvnColorSpaceMode GetMode() const override { return TvnColorSpaceMode::csCalRGB; }
  void GetGray(const TvnColorComp& AColor, int32_t& AGray) const override;
  const TvnCalibration& GetCalibration() const { return FCal; }
  const std::array<double, 3>& GetGammas() const { return FGamma; }
  const std::array<double, 9>& GetMatrix() const { return FMatrix; }

 private:
  TvnCalibration FCal;
  std::array<double, 3> FGamma{1, 1, 1};
  std::array<double, 9> FMatrix{};
};

class TvnPDLabColorSpace : public TvnPDColorSpace {
 public:
  explicit TvnPDLabColorSpace(vn::pdf::TvnPDBaseObject* ABaseObject);
  void GetDefaultColor(TvnColorComp& AColor) const override;
  int GetNoOfComps() const override { return 3; }
  TvnColorSpaceMode GetMode() const override { return TvnColorSpaceMode::csLab; }
  void GetDefaultRanges(TvnDecodeArray& ADecodeLow, TvnDecodeArray& ADecodeRange, int AMaxImgPixel) const override;
  void GetGray(const TvnColorComp& AColor, int32_t& AGray) const override;
  void GetRGB(const TvnColorComp& AColor, TvnRGB& ARGB) const override;
  void GetCMYK(const TvnColorComp& AColor, TvnCMYK& ACMYK) const override;

 private:
  TvnCalibration FCal;
  double FAMin = -100, FAMax = 100, FBMin = -100, FBMax = 100;
  double FKR = 1, FKG = 1, FKB = 1;
};

class TvnPDICCBasedColorSpace : public TvnPDColorSpace {
 public:
  TvnPDICCBasedColorSpace(vn::pdf::TvnPDBaseObject* ABaseObject, int ADepth);
  void GetDefaultColor(TvnColorComp& AColor) const override;
  int GetNoOfComps() const override { return FNoOfComps; }
  TvnColorSpaceMode GetMode() const override { return TvnColorSpaceMode::csICCBased; }
  void GetDefaultRanges(TvnDecodeArray& ADecodeLow, TvnDecodeArray& ADecodeRange, int AMaxImgPixel) const override;
  void GetGray(const TvnColorComp& AColor, int32_t& AGray) const override;
  void GetRGB(const TvnColorComp& AColor, TvnRGB& ARGB) const override;
  void GetCMYK(const TvnColorComp& AColor, TvnCMYK& ACMYK) const override;
  const TvnPDColorSpace* GetAlt() const { return FAlt.get(); }
  double GetRangeMin(int i) const { return FRangeMin[static_cast<size_t>(i)]; }
  double GetRangeMax(int i) const { return FRangeMax[static_cast<size_t>(i)]; }

 private:
  int FNoOfComps = 0;
  std::unique_ptr<TvnPDColorSpace> FAlt;
  // One range per component (N is at most kMaxColorComps).
  TvnDecodeArray FRangeMin{};
  TvnDecodeArray FRangeMax{};
};

class TvnPDIndexedColorSpace : public TvnPDColorSpace {
 public:
  TvnPDIndexedColorSpace(vn::pdf::TvnPDBaseObject* ABaseObject, int ADepth);
  int GetNoOfComps() const override { return 1; }
  TvnColorSpaceMode GetMode() const override { return TvnColorSpaceMode::csIndexed; }
  void GetDefaultRanges(TvnDecodeArray& ADecodeLow, TvnDecodeArray& ADecodeRange, int AMaxImgPixel) const override;
  void GetGray(const TvnColorComp& AColor, int32_t& AGray) const override;
  void GetRGB(const TvnColorComp& AColor, TvnRGB& ARGB) const override;
  void GetCMYK(const TvnColorComp& AColor, TvnCMYK& ACMYK) const override;
  // The base colour of an index; lookup bytes missing from a short table
  // count as 0.
  void MapColorToBase(const TvnColorComp& AColor, TvnColorComp& ABaseColor) const;
  const TvnPDColorSpace* GetBase() const { return FBase.get(); }
  int GetIndexHigh() const { return FIndexHigh; }
  const std::string& GetLookup() const { return FLookup; }

 private:
  std::unique_ptr<TvnPDColorSpace> FBase;
  int FIndexHigh = 0;
  std::string FLookup;
};

class TvnPDSeparationColorSpace : public TvnPDColorSpace {
 public:
  TvnPDSeparationColorSpace(vn::pdf::TvnPDBaseObject* ABaseObject, int ADepth);
  void GetDefaultColor(TvnColorComp& AColor) const override;
  int GetNoOfComps() const override { return 1; }
  TvnColorSpaceMode GetMode() const override { return TvnColorSpaceMode::csSeparation; }
  void GetGray(const TvnColorComp& AColor, int32_t& AGray) const override;
  void GetRGB(const TvnColorComp& AColor, TvnRGB& ARGB) const override;
  void GetCMYK(const TvnColorComp& AColor, TvnCMYK& ACMYK) const override;
  const TvnPDColorSpace* GetAlt() const { return FAlt.get(); }
  const TvnPDFunction* GetFunction() const { return FFunc.get(); }
  const std::string& GetColorantName() const { return FName; }
  bool IsNonMarking() const { return FIsNonMarking; }

 private:
  // The tint through the function (all 0 without one) as an alternate colour.
  TvnColorComp ToAlternate(const TvnColorComp& AColor) const;
  std::string FName;
  std::unique_ptr<TvnPDColorSpace> FAlt;
  std::unique_ptr<TvnPDFunction> FFunc;
  bool FIsNonMarking = false;
};

class TvnPDDeviceNColorSpace : public TvnPDColorSpace {
 public:
  TvnPDDeviceNColorSpace(vn::pdf::TvnPDBaseObject* ABaseObject, int ADepth);
  void GetDefaultColor(TvnColorComp& AColor) const override;
  int GetNoOfComps() const override { return FNoOfComps; }
  TvnColorSpaceMode GetMode() const override { return TvnColorSpaceMode::csDeviceN; }
  void GetGray(const TvnColorComp& AColor, int32_t& AGray) const override;
  void GetRGB(const TvnColorComp& AColor, TvnRGB& ARGB) const override;
  void GetCMYK(const TvnColorComp& AColor, TvnCMYK& ACMYK) const override;
  const TvnPDColorSpace* GetAlt() const { return FAlt.get(); }
  const TvnPDFunction* GetFunction() const { return FFunc.get(); }
  const std::vector<std::string>& GetColorantNames() const { return FNames; }
  bool IsNonMarking() const { return FIsNonMarking; }

 private:
  bool ToAlternate(const TvnColorComp& AColor, TvnColorComp& AAlt) const;
  int FNoOfComps = 0;
  std::vector<std::string> FNames;
  std::unique_ptr<TvnPDColorSpace> FAlt;
  std::unique_ptr<TvnPDFunction> FFunc;
  bool FIsNonMarking = false;
};

class TvnPDPatternColorSpace : public TvnPDColorSpace {
 public:
  explicit TvnPDPatternColorSpace(vn::pdf::TvnPDBaseObject* ABaseObject) : TvnPDColorSpace(ABaseObject) {}
  int GetNoOfComps() const override { return 0; }
  TvnColorSpaceMode GetMode() const override { return TvnColorSpaceMode::csPattern; }
  void GetGray(const TvnColorComp&, int32_t& AGray) const override { AGray = 0; }
  void GetRGB(const TvnColorComp&, TvnRGB& ARGB) const override { ARGB = {}; }
  void GetCMYK(const TvnColorComp&, TvnCMYK& ACMYK) const override { ACMYK = {0, 0, 0, kFixedOne}; }
  const TvnPDColorSpace* GetUnder() const { return nullptr; }
};

}  // namespace vn::pdfdoc
