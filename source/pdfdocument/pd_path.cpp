#include "pdfdocument/pd_path.h"

namespace vn::pdfdoc {

TvnPDSubPath::TvnPDSubPath(double AX1, double AY1) { AddPoint(AX1, AY1, false); }

void TvnPDSubPath::AddPoint(double AX, double AY, bool ACurve) {
  FX.push_back(AX);
  FY.push_back(AY);
  FCurve.push_back(ACurve);
}

// The first segment stands in for the start point's own count of 1.
void TvnPDSubPath::SegmentAdded() {
  if (FIsIncreased) ++FCount;
  FIsIncreased = true;
}

void TvnPDSubPath::LineTo(double AX1, double AY1) {
  AddPoint(AX1, AY1, false);
  SegmentAdded();
}

void TvnPDSubPath::CurveTo(double AX1, double AY1, double AX2, double AY2, double AX3, double AY3) {
  AddPoint(AX1, AY1, true);
  AddPoint(AX2, AY2, true);
  AddPoint(AX3, AY3, false);
  SegmentAdded();
}

void TvnPDSubPath::ClosePath() {
  if (LastX() != FX.front() || LastY() != FY.front()) LineTo(FX.front(), FY.front());
  FClosed = true;
}

std::unique_ptr<TvnPDSubPath> TvnPDSubPath::Copy() const {
  auto result = std::make_unique<TvnPDSubPath>(FX.front(), FY.front());
  result->FX = FX;
  result->FY = FY;
  result->FClosed = FClosed;
  result->FCurve = FCurve;
  result->FCount = FCount;
  result->FIsIncreased = FIsIncreased;
  return result;
}

double TvnPDSubPath::X(int AIndex) const {
  if (AIndex < 0) return FX.front();
  return static_cast<size_t>(AIndex) < FX.size() ? FX[static_cast<size_t>(AIndex)] : FX.back();
}

double TvnPDSubPath::Y(int AIndex) const {
  if (AIndex < 0) return FY.front();
  return static_cast<size_t>(AIndex) < FY.size() ? FY[static_cast<size_t>(AIndex)] : FY.back();
}

bool TvnPDSubPath::Curve(int AIndex) const {
  return AIndex >= 0 && static_cast<size_t>(AIndex) < FCurve.size() && FCurve[static_cast<size_t>(AIndex)];
}

void TvnPDPath::MoveTo(double AX, double AY) {
  FJustMoved = true;
  FFirstX = AX;
  FFirstY = AY;
}

bool TvnPDPath::StartPendingSubPath() {
  if (FJustMoved) {
    FSubPathList.push_back(std::make_unique<TvnPDSubPath>(FFirstX, FFirstY));
    FJustMoved = false;
  }
  return !FSubPathList.empty();
}

void TvnPDPath::LineTo(double AX, double AY) {
  if (StartPendingSubPath()) FSubPathList.back()->LineTo(AX, AY);
}

void TvnPDPath::CurveTo(double AX1, double AY1, double AX2, double AY2, double AX3, double AY3) {
  if (StartPendingSubPath()) FSubPathList.back()->CurveTo(AX1, AY1, AX2, AY2, AX3, AY3);
}

void TvnPDPath::Close() {
  if (StartPendingSubPath()) FSubPathList.back()->ClosePath();
}

std::unique_ptr<TvnPDPath> TvnPDPath::Copy() const {
  auto result = std::make_unique<TvnPDPath>();
  result->FJustMoved = FJustMoved;
  result->FFirstX = FFirstX;
  result->FFirstY = FFirstY;
  for (const auto& sub : FSubPathList) result->FSubPathList.push_back(sub->Copy());
  return result;
}

double TvnPDPath::LastX() const { return FSubPathList.empty() ? 0.0 : FSubPathList.back()->LastX(); }
double TvnPDPath::LastY() const { return FSubPathList.empty() ? 0.0 : FSubPathList.back()->LastY(); }

TvnPDSubPath* TvnPDPath::SubPath(int AIndex) const {
  if (AIndex < 0 || static_cast<size_t>(AIndex) >= FSubPathList.size()) return nullptr;
  return FSubPathList[static_cast<size_t>(AIndex)].get();
}

}  // namespace vn::pdfdoc
