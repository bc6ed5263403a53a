// The output device of the content interpreter. The interpreter owns the
// state and parses the content; a device only receives notifications, each
// with the interpreter's current state (borrowed for the call). Every
// operation of the base does nothing (or returns the default shown), so a
// device overrides only what it needs. Capability flags, set by a device's
// constructor, tell the interpreter how to feed text to the device.
#pragma once

#include <cstdint>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "pdf/objects.h"
#include "pdfdocument/pd_matrix.h"
#include "pdfdocument/pd_state.h"

namespace vn::pdfdoc {

class TvnPDImage;
class TvnPDForm;

using TvnUnicodes = std::vector<uint16_t>;

class TvnPDExportDevice : public vn::pdf::TvnObject {
 public:
  TvnPDExportDevice() = default;

  // The matrix from user space to device space at the start of a content
  // stream, and its inverse (the identity when the matrix is singular).
  virtual void SetDefaultCTM(const TvnPDMatrix& AMatrix);
  // False makes the page draw nothing.
  virtual bool CheckPageSlice(vn::pdf::TvnObject* APage, double AhDPI, double AvDPI, int ARotate,
                              bool AUseMediaBox, bool ACrop, double ASliceX, double ASliceY, double ASliceW,
                              double ASliceH);
  virtual void StartPage(int AnPage, TvnPDState& AState);
  virtual void EndPage();
  virtual void Dump();
  // Through the default inverse; (0, 0) before any default matrix.
  virtual void ConvertDevToUser(double ADx, double ADy, double& AUx, double& AUy);
  // Through the default matrix, plus 0.5 on both axes (not rounded).
  virtual void ConvertUserToDev(double AUx, double AUy, double& ADx, double& ADy);
  virtual void SaveState(TvnPDState& AState);
  virtual void RestoreState(TvnPDState& AState);
  // Every state update except the CTM, the font and the text state.
  virtual void UpdateAll(TvnPDState& AState);
  // With the operand matrix just concatenated (the result is the state's).
  virtual void UpdateCTM(TvnPDState& AState, const TvnPDMatrix& ACTM);
  virtual void UpdateLineDash(TvnPDState& AState);
  virtual void UpdateFlatness(TvnPDState& AState);
  virtual void UpdateLineJoin(TvnPDState& AState);
  virtual void UpdateLineCap(TvnPDState& AState);
  virtual void UpdateMiterLimit(TvnPDState& AState);
  virtual void UpdateLineWidth(TvnPDState& AState);
  virtual void UpdateStrokeAdjust(TvnPDState& AState);
  virtual void UpdateFillColorSpace(TvnPDState& AState);
  virtual void UpdateStrokeColorSpace(TvnPDState& AState);
  virtual void UpdateFillColor(TvnPDState& AState);
  virtual void UpdateStrokeColor(TvnPDState& AState);
  virtual void UpdateBlendMode(TvnPDState& AState);
  virtual void UpdateFillOpacity(TvnPDState& AState);
  virtual void UpdateStrokeOpacity(TvnPDState& AState);
  virtual void UpdateFillOverPrint(TvnPDState& AState);
  virtual void UpdateStrokeOverPrint(TvnPDState& AState);
  virtual void UpdateTransfer(TvnPDState& AState);
  virtual void ClearSoftMask(TvnPDState& AState);
  virtual void UpdateFont(TvnPDState& AState);
  virtual void UpdateTextMatrix(TvnPDState& AState);
  virtual void UpdateCharSpace(TvnPDState& AState);
  virtual void UpdateRender(TvnPDState& AState);
  virtual void UpdateRise(TvnPDState& AState);
  virtual void UpdateWordSpace(TvnPDState& AState);
  virtual void UpdateHorizScaling(TvnPDState& AState);
  virtual void UpdateTextPos(TvnPDState& AState);
  // The number of a TJ array as written (thousandths of a text-space unit).
  virtual void UpdateTextShift(TvnPDState& AState, double AShift);
  virtual void Stroke(TvnPDState& AState);
  virtual void Fill(TvnPDState& AState);
  virtual void EvenOddFill(TvnPDState& AState);
  virtual void Clip(TvnPDState& AState);
  virtual void EvenOddClip(TvnPDState& AState);
  virtual void ClipToStrokePath(TvnPDState& AState);
  virtual void BeginStringOp(TvnPDState& AState);
  virtual void EndStringOp(TvnPDState& AState);
  virtual void BeginString(TvnPDState& AState, const std::string& AStr);
  virtual void EndString(TvnPDState& AState);
  virtual void DrawChar(TvnPDState& AState, double AX, double AY, double ADx, double ADy, uint16_t ACode,
                        const std::string& ACharName);
  virtual void DrawString(const std::string& AStr, TvnPDState& AState);
  // False: the interpreter draws the glyph itself.
  virtual bool BeginType3Char(TvnPDState& AState, double AX, double AY, double ADx, double ADy, uint16_t ACode,
                              const TvnUnicodes& AUnicode, int ALen);
  virtual void EndType3Char(TvnPDState& AState);
  virtual void EndTextObject(TvnPDState& AState);
  // The image and the form are borrowed from the resources.
  virtual void DrawImage(TvnPDState& AState, TvnPDImage* AImage);
  virtual void DrawFormXObject(TvnPDState& AState, TvnPDForm* AForm);
  // The sh operator: paints a shading dictionary (or stream) over the clip
  // in force, in the current user space.
  virtual void DrawShading(TvnPDState& AState, vn::pdf::TvnPDBaseObject* AShading);
  virtual void ResetDevice(TvnPDState& AState);
  virtual void RawTextOut(TvnPDState& AState, double AX, double AY, const std::string& AText);

  bool CIDToGIDNeeded() const { return FCIDToGIDNeeded; }
  void SetCIDToGIDNeeded(bool AValue) { FCIDToGIDNeeded = AValue; }
  // Null before the first SetDefaultCTM.
  const TvnPDMatrix* DefaultCTM() const { return FDefaultCTM.get(); }
  const TvnPDMatrix* DefaultInverseCTM() const { return FDefaultInverseCTM.get(); }
  bool UseShadedFill() const { return FUseShadedFill; }
  bool NeedNonText() const { return FNeedNonText; }
  bool InterpretType3Chars() const { return FInterpretType3Chars; }
  bool UseDrawChar() const { return FUseDrawChar; }
  bool UseDrawForm() const { return FUseDrawForm; }
  bool UseTillingPatternFill() const { return FUseTillingPatternFill; }
  bool UpsideDown() const { return FUpsideDown; }
  // Set by the interpreter at every Tj; a device grouping text into runs
  // clears it when it starts a new run.
  bool NewTJ() const { return FNewTJ; }
  void SetNewTJ(bool AValue) { FNewTJ = AValue; }

 protected:
  bool FCIDToGIDNeeded = false;
  std::unique_ptr<TvnPDMatrix> FDefaultInverseCTM;
  bool FUseShadedFill = false;
  bool FNeedNonText = false;
  bool FInterpretType3Chars = false;
  bool FUseDrawChar = false;
  bool FUseDrawForm = false;
  bool FUseTillingPatternFill = false;
  std::unique_ptr<TvnPDMatrix> FDefaultCTM;
  bool FUpsideDown = false;
  bool FNewTJ = false;
};

// Ends the device's page when it leaves scope, however the drawing ended; a
// failure to end the page is not let out of the unwinding.
class TvnEndPageGuard {
 public:
  explicit TvnEndPageGuard(TvnPDExportDevice* ADevice) : FDevice(ADevice) {}
  TvnEndPageGuard(const TvnEndPageGuard&) = delete;
  TvnEndPageGuard& operator=(const TvnEndPageGuard&) = delete;
  ~TvnEndPageGuard() {
    try {
      FDevice->EndPage();
    } catch (const std::exception&) {
    }
  }

 private:
  TvnPDExportDevice* FDevice;
};

}  // namespace vn::pdfdoc
