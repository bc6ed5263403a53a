// Paths of the page state, in user-space coordinates as the content stream
// writes them (never transformed). A sub-path is read by segments: with
// k = 0, for each of NumPoints() segments, when Curve(k + 1) holds the
// segment is a cubic curve from point k through k + 1 and k + 2 to k + 3
// (k grows by 3), otherwise a line from point k to k + 1 (k grows by 1).
// X and Y past the last point give the last point, so a sub-path of only a
// start point reads as one segment of length zero.
#pragma once

#include <memory>
#include <vector>

#include "pdf/objects.h"

namespace vn::pdfdoc {

class TvnPDSubPath : public vn::pdf::TvnObject {
 public:
  TvnPDSubPath(double AX1, double AY1);

  void LineTo(double AX1, double AY1);
  void CurveTo(double AX1, double AY1, double AX2, double AY2, double AX3, double AY3);
  // Sets the closed flag, first adding a line back to the start point when
  // the last point is not already there.
  void ClosePath();
  std::unique_ptr<TvnPDSubPath> Copy() const;

  double X(int AIndex) const;
  double Y(int AIndex) const;
  // False past the last point.
  bool Curve(int AIndex) const;
  // The last point added (after ClosePath, the start point): the current
  // point a content stream continues from.
  double LastX() const { return FX.back(); }
  double LastY() const { return FY.back(); }
  bool IsClosed() const { return FClosed; }
  // The number of segments; 1 for a sub-path of only a start point.
  int NumPoints() const { return FCount; }
  int PointCount() const { return static_cast<int>(FX.size()); }

 private:
  void AddPoint(double AX, double AY, bool ACurve);
  void SegmentAdded();

  std::vector<double> FX;
  std::vector<double> FY;
  bool FClosed = false;
  std::vector<bool> FCurve;
  int FCount = 1;
  bool FIsIncreased = false;
};

class TvnPDPath {
 public:
  TvnPDPath() = default;

  // Records a pending move-to, replacing an earlier pending one.
  void MoveTo(double AX, double AY);
  // LineTo, CurveTo and Close first turn a pending move-to into a new
  // sub-path; without a sub-path or a pending move-to they do nothing.
  void LineTo(double AX, double AY);
  void CurveTo(double AX1, double AY1, double AX2, double AY2, double AX3, double AY3);
  void Close();
  std::unique_ptr<TvnPDPath> Copy() const;

  // A sub-path or a pending move-to.
  bool IsCurrentPoint() const { return FJustMoved || !FSubPathList.empty(); }
  bool IsPath() const { return !FSubPathList.empty(); }
  // The last point of the last sub-path; 0 without one.
  double LastX() const;
  double LastY() const;
  int SubPathCount() const { return static_cast<int>(FSubPathList.size()); }
  // Null past the end.
  TvnPDSubPath* SubPath(int AIndex) const;

 private:
  bool StartPendingSubPath();

  bool FJustMoved = false;
  double FFirstX = 0.0;
  double FFirstY = 0.0;
  std::vector<std::unique_ptr<TvnPDSubPath>> FSubPathList;
};

}  // namespace vn::pdfdoc
