#include "pdfdocument/pd_export_device.h"

namespace vn::pdfdoc {

void TvnPDExportDevice::SetDefaultCTM(const TvnPDMatrix& AMatrix) {
  if (!FDefaultCTM) FDefaultCTM = std::make_unique<TvnPDMatrix>();
  if (!FDefaultInverseCTM) FDefaultInverseCTM = std::make_unique<TvnPDMatrix>();
  FDefaultCTM->Assign(AMatrix);
  FDefaultInverseCTM->Assign(*AMatrix.GetInverse());
}

bool TvnPDExportDevice::CheckPageSlice(vn::pdf::TvnObject*, double, double, int, bool, bool, double, double, double,
                                       double) {
  return true;
}

void TvnPDExportDevice::StartPage(int, TvnPDState&) {}
void TvnPDExportDevice::EndPage() {}
void TvnPDExportDevice::Dump() {}

void TvnPDExportDevice::ConvertDevToUser(double ADx, double ADy, double& AUx, double& AUy) {
  if (!FDefaultInverseCTM) {
    AUx = AUy = 0;
    return;
  }
  FDefaultInverseCTM->Transform(ADx, ADy, AUx, AUy);
}

void TvnPDExportDevice::ConvertUserToDev(double AUx, double AUy, double& ADx, double& ADy) {
  if (!FDefaultCTM) {
    ADx = ADy = 0;
    return;
  }
  FDefaultCTM->Transform(AUx, AUy, ADx, ADy);
  ADx += 0.5;
  ADy += 0.5;
}

void TvnPDExportDevice::SaveState(TvnPDState&) {}
void TvnPDExportDevice::RestoreState(TvnPDState&) {}

void TvnPDExportDevice::UpdateAll(TvnPDState& AState) {
  UpdateLineDash(AState);
  UpdateFlatness(AState);
  UpdateLineJoin(AState);
  UpdateLineCap(AState);
  UpdateMiterLimit(AState);
  UpdateLineWidth(AState);
  UpdateStrokeAdjust(AState);
  UpdateFillColorSpace(AState);
  UpdateFillColor(AState);
  UpdateStrokeColorSpace(AState);
  UpdateStrokeColor(AState);
  UpdateBlendMode(AState);
  UpdateFillOpacity(AState);
  UpdateStrokeOpacity(AState);
  UpdateFillOverPrint(AState);
  UpdateStrokeOverPrint(AState);
  UpdateTransfer(AState);
}

void TvnPDExportDevice::UpdateCTM(TvnPDState&, const TvnPDMatrix&) {}
void TvnPDExportDevice::UpdateLineDash(TvnPDState&) {}
void TvnPDExportDevice::UpdateFlatness(TvnPDState&) {}
void TvnPDExportDevice::UpdateLineJoin(TvnPDState&) {}
void TvnPDExportDevice::UpdateLineCap(TvnPDState&) {}
void TvnPDExportDevice::UpdateMiterLimit(TvnPDState&) {}
void TvnPDExportDevice::UpdateLineWidth(TvnPDState&) {}
void TvnPDExportDevice::UpdateStrokeAdjust(TvnPDState&) {}
void TvnPDExportDevice::UpdateFillColorSpace(TvnPDState&) {}
void TvnPDExportDevice::UpdateStrokeColorSpace(TvnPDState&) {}
void TvnPDExportDevice::UpdateFillColor(TvnPDState&) {}
void TvnPDExportDevice::UpdateStrokeColor(TvnPDState&) {}
void TvnPDExportDevice::UpdateBlendMode(TvnPDState&) {}
void TvnPDExportDevice::UpdateFillOpacity(TvnPDState&) {}
void TvnPDExportDevice::UpdateStrokeOpacity(TvnPDState&) {}
void TvnPDExportDevice::UpdateFillOverPrint(TvnPDState&) {}
void TvnPDExportDevice::UpdateStrokeOverPrint(TvnPDState&) {}
void TvnPDExportDevice::UpdateTransfer(TvnPDState&) {}
void TvnPDExportDevice::ClearSoftMask(TvnPDState&) {}
void TvnPDExportDevice::UpdateFont(TvnPDState&) {}
void TvnPDExportDevice::UpdateTextMatrix(TvnPDState&) {}
void TvnPDExportDevice::UpdateCharSpace(TvnPDState&) {}
void TvnPDExportDevice::UpdateRender(TvnPDState&) {}
void TvnPDExportDevice::UpdateRise(TvnPDState&) {}
void TvnPDExportDevice::UpdateWordSpace(TvnPDState&) {}
void TvnPDExportDevice::UpdateHorizScaling(TvnPDState&) {}
void TvnPDExportDevice::UpdateTextPos(TvnPDState&) {}
void TvnPDExportDevice::UpdateTextShift(TvnPDState&, double) {}
void TvnPDExportDevice::Stroke(TvnPDState&) {}
void TvnPDExportDevice::Fill(TvnPDState&) {}
void TvnPDExportDevice::EvenOddFill(TvnPDState&) {}
void TvnPDExportDevice::Clip(TvnPDState&) {}
void TvnPDExportDevice::EvenOddClip(TvnPDState&) {}
void TvnPDExportDevice::ClipToStrokePath(TvnPDState&) {}
void TvnPDExportDevice::BeginStringOp(TvnPDState&) {}
void TvnPDExportDevice::EndStringOp(TvnPDState&) {}
void TvnPDExportDevice::BeginString(TvnPDState&, const std::string&) {}
void TvnPDExportDevice::EndString(TvnPDState&) {}
void TvnPDExportDevice::DrawChar(TvnPDState&, double, double, double, double, uint16_t, const std::string&) {}
void TvnPDExportDevice::DrawString(const std::string&, TvnPDState&) {}
bool TvnPDExportDevice::BeginType3Char(TvnPDState&, double, double, double, double, uint16_t, const TvnUnicodes&,
                                       int) {
  return false;
}
void TvnPDExportDevice::EndType3Char(TvnPDState&) {}
void TvnPDExportDevice::DrawShading(TvnPDState&, vn::pdf::TvnPDBaseObject*) {}
void TvnPDExportDevice::EndTextObject(TvnPDState&) {}
void TvnPDExportDevice::DrawImage(TvnPDState&, TvnPDImage*) {}
void TvnPDExportDevice::DrawFormXObject(TvnPDState&, TvnPDForm*) {}
void TvnPDExportDevice::ResetDevice(TvnPDState&) {}
void TvnPDExportDevice::RawTextOut(TvnPDState&, double, double, const std::string&) {}

}  // namespace vn::pdfdoc
