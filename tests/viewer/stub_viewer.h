// A viewer class made concrete for tests: the operations a concrete viewer
// must supply do nothing, and it can carry zoom settings and preferences.
#pragma once

#include "viewer/base_viewer.h"

namespace vn::viewer::test {

template <class Base>
class StubViewer : public Base {
 public:
  using Base::Base;
  void UseSettings(framework::TvnZoom* AZoom, framework::TvnViewerPreferences* APreferences) {
    this->FZoom = AZoom;
    this->FViewerPreferences = APreferences;
  }
  void FirstPage() override {}
  void GoToPage(int32_t, int32_t, int32_t) override {}
  void GotoHScrollPos(int32_t) override {}
  void GotoVScrollPos(int32_t) override {}
  void LastPage() override {}
  void NextPage() override {}
  void PreviousPage() override {}
  void Rotate(framework::TvnRotationAngle) override {}
  void RotateCounterClockwise() override {}
  void RotateClockwise() override {}
  void ScrollHBy(int32_t) override {}
  void ScrollVBy(int32_t) override {}
  void ZoomIn(int32_t) override {}
  void ZoomIn(const framework::TRect&) override {}
  void ZoomOut(int32_t) override {}
  void ZoomOut(const framework::TRect&) override {}
  void LoadFromFile(const String&) override {}
  void LoadFromStream(vn::TStream*) override {}
  void CloseDocument() override {}
  framework::TvnZoomMode GetStdZoomType() override { return framework::TvnZoomMode::zmFitWidth; }
  int32_t GetZoomPercent() override { return FPercent; }
  void ZoomTo(int32_t Percentage) override { FPercent = Percentage; }
  void ZoomTo(framework::TvnZoomMode) override {}
  bool SaveToFile(const String&) override { return false; }
  bool SaveToStream(vn::TStream*) override { return false; }

  int32_t FPercent = 100;
};

}  // namespace vn::viewer::test
