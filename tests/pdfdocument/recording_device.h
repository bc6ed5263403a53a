// A device that records every notification it receives, in order, as a
// short line of text: the operation's name and, where the call carries them,
// its values. Tests of the interpreter and the devices compare these lines.
#pragma once

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "pdfdocument/pd_export_device.h"

namespace vn::pdfdoc::test_support {

class RecordingDevice : public TvnPDExportDevice {
 public:
  // The capability flags the interpreter consults.
  struct Flags {
    bool use_draw_char = false;
    bool cid_to_gid_needed = false;
    bool interpret_type3_chars = false;
  };
  RecordingDevice() = default;
  explicit RecordingDevice(const Flags& AFlags) {
    FUseDrawChar = AFlags.use_draw_char;
    FCIDToGIDNeeded = AFlags.cid_to_gid_needed;
    FInterpretType3Chars = AFlags.interpret_type3_chars;
  }

  std::vector<std::string> calls;

  // The calls whose names start with the prefix.
  std::vector<std::string> Calls(const std::string& APrefix) const {
    std::vector<std::string> out;
    for (const auto& c : calls) {
      if (c.rfind(APrefix, 0) == 0) out.push_back(c);
    }
    return out;
  }

  void SetDefaultCTM(const TvnPDMatrix& AMatrix) override {
    TvnPDExportDevice::SetDefaultCTM(AMatrix);
    Add("SetDefaultCTM", {AMatrix.M11(), AMatrix.M12(), AMatrix.M21(), AMatrix.M22(), AMatrix.Dx(), AMatrix.Dy()});
  }
  bool CheckPageSlice(vn::pdf::TvnObject*, double, double, int, bool, bool, double, double, double,
                      double) override {
    Add("CheckPageSlice");
    return true;
  }
  void StartPage(int AnPage, TvnPDState&) override { Add("StartPage", {static_cast<double>(AnPage)}); }
  void EndPage() override { Add("EndPage"); }
  void SaveState(TvnPDState&) override { Add("SaveState"); }
  void RestoreState(TvnPDState&) override { Add("RestoreState"); }
  void UpdateCTM(TvnPDState&, const TvnPDMatrix& M) override {
    Add("UpdateCTM", {M.M11(), M.M12(), M.M21(), M.M22(), M.Dx(), M.Dy()});
  }
  void UpdateLineDash(TvnPDState&) override { Add("UpdateLineDash"); }
  void UpdateFlatness(TvnPDState&) override { Add("UpdateFlatness"); }
  void UpdateLineJoin(TvnPDState&) override { Add("UpdateLineJoin"); }
  void UpdateLineCap(TvnPDState&) override { Add("UpdateLineCap"); }
  void UpdateMiterLimit(TvnPDState&) override { Add("UpdateMiterLimit"); }
  void UpdateLineWidth(TvnPDState&) override { Add("UpdateLineWidth"); }
  void UpdateStrokeAdjust(TvnPDState&) override { Add("UpdateStrokeAdjust"); }
  void UpdateFillColorSpace(TvnPDState&) override { Add("UpdateFillColorSpace"); }
  void UpdateStrokeColorSpace(TvnPDState&) override { Add("UpdateStrokeColorSpace"); }
  void UpdateFillColor(TvnPDState&) override { Add("UpdateFillColor"); }
  void UpdateStrokeColor(TvnPDState&) override { Add("UpdateStrokeColor"); }
  void UpdateBlendMode(TvnPDState&) override { Add("UpdateBlendMode"); }
  void UpdateFillOpacity(TvnPDState&) override { Add("UpdateFillOpacity"); }
  void UpdateStrokeOpacity(TvnPDState&) override { Add("UpdateStrokeOpacity"); }
  void UpdateFillOverPrint(TvnPDState&) override { Add("UpdateFillOverPrint"); }
  void UpdateStrokeOverPrint(TvnPDState&) override { Add("UpdateStrokeOverPrint"); }
  void UpdateTransfer(TvnPDState&) override { Add("UpdateTransfer"); }
  void UpdateFont(TvnPDState&) override { Add("UpdateFont"); }
  void UpdateTextMatrix(TvnPDState&) override { Add("UpdateTextMatrix"); }
  void UpdateCharSpace(TvnPDState&) override { Add("UpdateCharSpace"); }
  void UpdateRender(TvnPDState&) override { Add("UpdateRender"); }
  void UpdateRise(TvnPDState&) override { Add("UpdateRise"); }
  void UpdateWordSpace(TvnPDState&) override { Add("UpdateWordSpace"); }
  void UpdateHorizScaling(TvnPDState&) override { Add("UpdateHorizScaling"); }
  void UpdateTextPos(TvnPDState&) override { Add("UpdateTextPos"); }
  void UpdateTextShift(TvnPDState&, double AShift) override { Add("UpdateTextShift", {AShift}); }
  void Stroke(TvnPDState&) override { Add("Stroke"); }
  void Fill(TvnPDState&) override { Add("Fill"); }
  void EvenOddFill(TvnPDState&) override { Add("EvenOddFill"); }
  void Clip(TvnPDState&) override { Add("Clip"); }
  void EvenOddClip(TvnPDState&) override { Add("EvenOddClip"); }
  void BeginStringOp(TvnPDState&) override { Add("BeginStringOp"); }
  void EndStringOp(TvnPDState&) override { Add("EndStringOp"); }
  void BeginString(TvnPDState&, const std::string& AStr) override { Add("BeginString " + AStr); }
  void EndString(TvnPDState&) override { Add("EndString"); }
  void DrawChar(TvnPDState&, double AX, double AY, double ADx, double ADy, uint16_t ACode,
                const std::string& AName) override {
    Add("DrawChar " + std::to_string(ACode) + (AName.empty() ? "" : " /" + AName), {AX, AY, ADx, ADy});
  }
  void EndTextObject(TvnPDState&) override { Add("EndTextObject"); }
  void DrawImage(TvnPDState&, TvnPDImage*) override { Add("DrawImage"); }
  void DrawFormXObject(TvnPDState&, TvnPDForm*) override { Add("DrawFormXObject"); }
  void RawTextOut(TvnPDState&, double AX, double AY, const std::string& AText) override {
    Add("RawTextOut " + AText, {AX, AY});
  }

 private:
  void Add(const std::string& AName, const std::vector<double>& AValues = {}) {
    std::ostringstream line;
    line << AName;
    for (double v : AValues) line << ' ' << v;
    calls.push_back(line.str());
  }
};

}  // namespace vn::pdfdoc::test_support
