// The graphics and text state of a page as the content interpreter keeps it,
// handed to every device operation, and the wrapper of an ExtGState
// dictionary. Saving the state (q) makes a copy linked to the saved one;
// restoring (Q) walks back one step, keeping the path under construction
// and the text position.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "pdf/objects.h"
#include "pdfdocument/color_spaces.h"
#include "pdfdocument/pd_matrix.h"
#include "pdfdocument/pd_path.h"
#include "pdfdocument/pd_rect.h"

namespace vn::pdfdoc {

class TvnPDFont;
class TvnPDPattern;
class TvnPDResource;

// Blend modes of the graphics state, in the order of their names.
enum class TvnBlendMode : uint8_t {
  Normal, Multiply, Screen, Overlay, Darken, Lighten, ColorDodge, ColorBurn, HardLight, SoftLight, Difference,
  Exclusion, Hue, Saturation, Color, Luminosity
};
// The mode a /BM name gives; Normal for an unknown name ("Compatible" too).
TvnBlendMode BlendModeOfName(const std::string& AName);

// The soft mask a graphics state set (/SMask): the mask dictionary, the
// document and resources its group is drawn with, and the CTM in force when
// it was set (the group's base space).
struct TvnSoftMask {
  vn::pdf::TvnPDDictionary* Dict = nullptr;          // borrowed from the document
  vn::pdf::TvnPDDocumentIntf* Doc = nullptr;         // borrowed
  TvnPDResource* Resources = nullptr;                // borrowed: the resources of the content that set it
  double CTM[6] = {1, 0, 0, 1, 0, 0};
};

using TvnDashArray = std::vector<float>;

class TvnPDState : public vn::pdf::TvnObject {
 public:
  // Saves nested deeper than this are counted but copy nothing: the chain
  // stays bounded and each Restore still matches its Save.
  static constexpr int kMaxSaveDepth = 256;

  // The state of a page: the page box (null: 0 0 850 1191) normalised, the
  // CTM from the resolution and the rotation (90, 180, 270, other = 0).
  TvnPDState(double AhDPI, double AvDPI, int ARotate, const TvnPDRect* APageBox);
  // Frees the path, the matrices and the colour spaces the state owns; never
  // the saved state.
  ~TvnPDState() override;
  TvnPDState(const TvnPDState&) = delete;
  TvnPDState& operator=(const TvnPDState&) = delete;

  // A copy sharing the colour spaces (not owned by it), patterns and font,
  // with its own path, matrices and dash array; CurCharW and Rotate are 0.
  std::unique_ptr<TvnPDState> Copy() const;
  // A copy whose saved state is this one; the caller continues with the
  // copy and keeps this state alive through it (ownership passes to the
  // chain). Past kMaxSaveDepth, this state itself with the save counted.
  TvnPDState* Save();
  // The saved state after taking over this state's path and text position;
  // this state is freed. This state itself when nothing was saved (or an
  // uncopied save past the depth cap is undone).
  TvnPDState* Restore();
  bool HasSaves() const { return FSaved != nullptr || FUncopiedSaves > 0; }
  int SaveDepth() const { return FDepth + FUncopiedSaves; }

  // CTM := AMatrix x CTM, each value clamped to [-1e10, 1e10] (not a number
  // becomes -1e10).
  void ConcatCTM(const TvnPDMatrix& AMatrix);
  void MoveTo(double AX, double AY);
  void LineTo(double AX, double AY);
  void CurveTo(double AX1, double AY1, double AX2, double AY2, double AX3, double AY3);
  void ClosePath();
  void ClearPath();
  void TextMoveTo(double ATx, double ATy);
  void TextSetPos(double ATx, double ATy);
  void TextShift(double ATx, double ATy);
  void Shift(double ADx, double ADy);

  void Transform(double AX1, double AY1, double& AX2, double& AY2) const { FCTM->Transform(AX1, AY1, AX2, AY2); }
  void TransformDelta(double AX1, double AY1, double& AX2, double& AY2) const {
    FCTM->TransformDelta(AX1, AY1, AX2, AY2);
  }
  void TextTransformDelta(double AX1, double AY1, double& AX2, double& AY2) const {
    FTextMatrix->TransformDelta(AX1, AY1, AX2, AY2);
  }
  // (Tm x CTM) scaled by the font size, without translation.
  std::unique_ptr<TvnPDMatrix> GetFontTransMatrix() const;
  // The device length of the text-space vector (FontSize Tm.c, FontSize Tm.d).
  double GetTransformedFontSize() const;

  void GetLineDash(TvnDashArray& ADash, int& ALength, double& AStart) const;
  // The first ALength entries of ADash (no more than it holds).
  void SetLineDash(const TvnDashArray& ADash, int ALength, double AStart);

  TvnColorComp GetFillColor() const { return FFillColor; }
  void SetFillColor(const TvnColorComp& AColor) { FFillColor = AColor; }
  TvnColorComp GetStrokeColor() const { return FStrokeColor; }
  void SetStrokeColor(const TvnColorComp& AColor) { FStrokeColor = AColor; }
  int32_t GetFillGray() const;
  TvnRGB GetFillRGB() const;
  TvnCMYK GetFillCMYK() const;
  int32_t GetStrokeGray() const;
  TvnRGB GetStrokeRGB() const;
  TvnCMYK GetStrokeCMYK() const;

  // Colour spaces: the owning setter gives the space to this state, the
  // borrowing one leaves it with its owner (the resources). Either first
  // frees the old space when this state owns it.
  TvnPDColorSpace* FillColorSpace() const { return FFillColorSpace; }
  TvnPDColorSpace* StrokeColorSpace() const { return FStrokeColorSpace; }
  void SetFillColorSpace(std::unique_ptr<TvnPDColorSpace> ASpace);
  void SetFillColorSpace(TvnPDColorSpace* ASpace);
  void SetStrokeColorSpace(std::unique_ptr<TvnPDColorSpace> ASpace);
  void SetStrokeColorSpace(TvnPDColorSpace* ASpace);
  bool FillCSOwned() const { return FFillCSOwned; }
  bool StrokeCSOwned() const { return FStrokeCSOwned; }

  TvnPDPath& Path() const { return *FPath; }
  bool IsCurrentPath() const { return FPath->IsPath(); }
  bool IsCurrentPoint() const { return FPath->IsCurrentPoint(); }
  void SetIsCurrentPath(bool AValue) { FIsCurrentPath = AValue; }
  void SetIsCurrentPoint(bool AValue) { FIsCurrentPoint = AValue; }
  TvnPDMatrix& CTM() const { return *FCTM; }
  TvnPDMatrix& TextMatrix() const { return *FTextMatrix; }

  double hDPI() const { return FhDPI; }
  double vDPI() const { return FvDPI; }
  double PageWidth() const { return FPageWidth; }
  double PageHeight() const { return FPageHeight; }
  double X1() const { return FX1; }
  double Y1() const { return FY1; }
  double X2() const { return FX2; }
  double Y2() const { return FY2; }
  int Rotate() const { return FRotate; }
  int PageNumber() const { return FPageNumber; }
  void SetPageNumber(int AValue) { FPageNumber = AValue; }

  // Plain read-write values.
  int LineJoin = 0;
  int LineCap = 0;
  double LineWidth = 1.0;
  double MiterLimit = 10.0;
  double FillOpacity = 1.0;
  double StrokeOpacity = 1.0;
  double Flatness = 1.0;
  double LineX = 0.0;
  double LineY = 0.0;
  double CurX = 0.0;
  double CurY = 0.0;
  double FontSize = 0.0;
  TvnPDFont* Font = nullptr;  // borrowed from the resources
  double WordSpace = 0.0;
  double CharSpace = 0.0;
  double CurCharW = 0.0;
  bool StrokeAdjust = false;
  double HorizScaling = 1.0;
  bool FillOverprint = false;
  bool StrokeOverPrint = false;
  double Render = 0.0;
  double Leading = 0.0;
  double Rise = 0.0;
  TvnPDPattern* FillPattern = nullptr;    // borrowed
  TvnPDPattern* StrokePattern = nullptr;  // borrowed
  TvnPDMatrix* PatternParentTransform = nullptr;  // borrowed
  TvnBlendMode BlendMode = TvnBlendMode::Normal;
  // Null when no soft mask is in force.
  std::shared_ptr<const TvnSoftMask> SoftMask;

 private:
  TvnPDState() = default;

  std::unique_ptr<TvnPDPath> FPath = std::make_unique<TvnPDPath>();
  bool FIsCurrentPath = false;
  bool FIsCurrentPoint = false;
  TvnDashArray FLineDash;
  double FLineStart = 0.0;
  double FvDPI = 72.0;
  double FhDPI = 72.0;
  double FPageWidth = 0.0;
  double FPageHeight = 0.0;
  double FX1 = 0.0;
  double FY1 = 0.0;
  double FX2 = 0.0;
  double FY2 = 0.0;
  std::unique_ptr<TvnPDMatrix> FCTM = std::make_unique<TvnPDMatrix>();
  std::unique_ptr<TvnPDMatrix> FTextMatrix = std::make_unique<TvnPDMatrix>();
  TvnPDColorSpace* FStrokeColorSpace = nullptr;
  TvnPDColorSpace* FFillColorSpace = nullptr;
  TvnColorComp FFillColor{};
  TvnColorComp FStrokeColor{};
  TvnPDState* FSaved = nullptr;
  bool FFillCSOwned = true;
  bool FStrokeCSOwned = true;
  int FRotate = 0;
  int FPageNumber = 0;
  int FDepth = 0;
  int FUncopiedSaves = 0;
};

// An ExtGState resource: the two opacities, read on first use.
class TvnPDGState : public vn::pdf::TvnPDElement {
 public:
  TvnPDGState(vn::pdf::TvnPDDocumentIntf* AParentDoc, vn::pdf::TvnPDElement* AParentElement,
              vn::pdf::TvnPDBaseObject* ABaseObject, std::string ATag);
  const std::string& Tag() const { return FTag; }
  // "CA" and "ca" as numbers; -1 when absent or not a number.
  double StrokeAlpha();
  double NonStrokeAlpha();
  // The dictionary itself; null when the resource is not one.
  vn::pdf::TvnPDDictionary* Dict() const;
  double LineWidth() const { return 0.0; }
  int LineCapStyle() const { return 0; }

 private:
  double ReadAlpha(const char* AKey, double& AKept);

  std::string FTag;
  double FStrokeAlpha = -1.0;
  double FNonStrokeAlpha = -1.0;
};

}  // namespace vn::pdfdoc
