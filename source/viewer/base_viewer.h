// The bases of the document viewer components: the abstract viewer control,
// the navigation-pane page, the viewer page, the viewer plug-in and the
// rectangle arithmetic the plug-ins share.
#pragma once

#include <QFrame>
#include <QWidget>
#include <cstdint>
#include <map>
#include <memory>

#include "framework/base_document.h"
#include "framework/page_model.h"
#include "viewer/field_data_link.h"

namespace vn::viewer {

using vn::framework::IvnDocumentViewer;
using vn::framework::TRect;
using vn::framework::TvnBaseDocument;
using vn::framework::TvnBaseDocumentHandler;
using vn::framework::TvnRotationAngle;
using vn::framework::TvnViewerPreferences;
using vn::framework::TvnZoom;
using vn::framework::TvnZoomMode;

// The abstract viewer control. The operations without a base behaviour are
// the concrete viewer's; the zoom settings, the preferences and the data
// source are the concrete viewer's to make (the base only keeps pointers).
class TvnBaseDocumentViewer : public QWidget, public IvnDocumentViewer {
  Q_OBJECT

 public:
  explicit TvnBaseDocumentViewer(QWidget* AOwner = nullptr);
  ~TvnBaseDocumentViewer() override;

  // Properties.
  const vn::framework::TvnDocItemActivityEvent& GetOnDocItemActivity() const { return FOnFormFieldActivity; }
  void SetOnDocItemActivity(vn::framework::TvnDocItemActivityEvent Value) { FOnFormFieldActivity = std::move(Value); }
  TDataSource* GetFieldDataSource() const { return FFieldDataSource; }
  void SetFieldDataSource(TDataSource* Value) { FFieldDataSource = Value; }
  const String& GetUser() const { return FUser; }
  bool GetIsDocumentModified() const { return FIsModified; }
  TvnViewerPreferences* GetPreferences() const { return FViewerPreferences; }
  const vn::framework::TvnNeedPasswordEvent& GetOnNeedPassword() const { return FOnNeedPassword; }
  void SetOnNeedPassword(vn::framework::TvnNeedPasswordEvent Value) { FOnNeedPassword = std::move(Value); }
  const vn::framework::TvnPageChangedEvent& GetOnPageChanged() const { return FOnPageChanged; }
  const vn::framework::TvnDocumentClosedEvent& GetOnDocumentClosed() const { return FOnDocumentClosed; }
  const vn::framework::TvnDocumentClosingEvent& GetOnDocumentClosing() const { return FOnDocumentClosing; }
  const vn::framework::TvnDocumentLoadedEvent& GetOnDocumentLoaded() const { return FOnDocumentLoaded; }
  const vn::framework::TvnDocumentLoadingEvent& GetOnDocumentLoading() const { return FOnDocumentLoading; }
  const vn::framework::TvnZoomChangedEvent& GetOnZoomChanged() const { return FOnZoomChanged; }

  // Virtual operations.
  virtual void SetUser(const String& Value) { FUser = Value; }
  void SetOnPageChanged(vn::framework::TvnPageChangedEvent Value) override { FOnPageChanged = std::move(Value); }
  void SetOnDocumentClosed(vn::framework::TvnDocumentClosedEvent Value) override {
    FOnDocumentClosed = std::move(Value);
  }
  void SetOnDocumentClosing(vn::framework::TvnDocumentClosingEvent Value) override {
    FOnDocumentClosing = std::move(Value);
  }
  void SetOnDocumentLoaded(vn::framework::TvnDocumentLoadedEvent Value) override {
    FOnDocumentLoaded = std::move(Value);
  }
  void SetOnDocumentLoading(vn::framework::TvnDocumentLoadingEvent Value) override {
    FOnDocumentLoading = std::move(Value);
  }
  virtual void SetOnZoomChanged(vn::framework::TvnZoomChangedEvent Value) { FOnZoomChanged = std::move(Value); }
  int32_t GetPageNumber() override { return 1; }
  int32_t GetPageCount() override { return 1; }
  void SetPageNumber(int32_t Value) override { FCurrentPage = Value; }
  void SetActive(bool) override {}
  void FirstPage() override = 0;
  void GoToPage(int32_t PageNumber, int32_t ATop, int32_t ALeft) override = 0;
  virtual double GetZoomPercentForZoomMode(TvnZoomMode) { return 100; }
  virtual std::vector<double> GetZoomSteps() { return {}; }
  void GotoHScrollPos(int32_t Position) override = 0;
  void GotoVScrollPos(int32_t Position) override = 0;
  void LastPage() override = 0;
  void LoadFromDocumentObject(TvnBaseDocumentHandler*) override {}
  void NextPage() override = 0;
  void PreviousPage() override = 0;
  void Rotate(TvnRotationAngle Angle) override = 0;
  void RotateCounterClockwise() override = 0;
  void RotateClockwise() override = 0;
  void ScrollHBy(int32_t Delta) override = 0;
  void ScrollVBy(int32_t Delta) override = 0;
  void ZoomIn(int32_t Step) override = 0;
  void ZoomIn(const TRect& Rect) override = 0;
  void ZoomOut(int32_t Step) override = 0;
  void ZoomOut(const TRect& Rect) override = 0;
  void LoadFromFile(const String& FileName) override = 0;
  void LoadFromStream(vn::TStream* Stream) override = 0;
  void CloseDocument() override = 0;
  TvnZoomMode GetStdZoomType() override = 0;
  int32_t GetZoomPercent() override = 0;
  void ZoomTo(int32_t Percentage) override = 0;
  void ZoomTo(TvnZoomMode ZoomType) override = 0;
  bool SaveToFile(const String& FileName) override = 0;
  bool SaveToStream(vn::TStream* Stream) override = 0;
  // The link kept for FieldName, made (bound to FieldDataSource) on first
  // request.
  virtual TvnFieldDataLink* FieldMapping(const String& FieldName);

  TvnZoom* GetZoom() override { return FZoom; }
  void SetZoom(TvnZoom*) override {}

 protected:
  vn::framework::TvnDocItemActivityEvent FOnFormFieldActivity;
  TDataSource* FFieldDataSource = nullptr;  // borrowed
  String FUser;
  bool FIsModified = false;
  std::map<String, std::unique_ptr<TvnFieldDataLink>> FFieldDataLinks;
  int32_t FCurrentPage = 0;
  TvnBaseDocument* FDocument = nullptr;              // the concrete viewer's
  TvnViewerPreferences* FViewerPreferences = nullptr;  // the concrete viewer's
  TvnZoom* FZoom = nullptr;                            // the concrete viewer's
  vn::framework::TvnPageChangedEvent FOnPageChanged;
  vn::framework::TvnDocumentClosedEvent FOnDocumentClosed;
  vn::framework::TvnDocumentClosingEvent FOnDocumentClosing;
  vn::framework::TvnDocumentLoadedEvent FOnDocumentLoaded;
  vn::framework::TvnDocumentLoadingEvent FOnDocumentLoading;
  vn::framework::TvnNeedPasswordEvent FOnNeedPassword;
  vn::framework::TvnZoomChangedEvent FOnZoomChanged;
};

// A page of a viewer's navigation pane, owned by the pane.
class TvnBaseNavigationPanePage : public QWidget {
  Q_OBJECT

 public:
  // The viewer and document are for the concrete page to keep.
  TvnBaseNavigationPanePage(QWidget* ANavigationPane, TvnBaseDocumentViewer* ADocumentViewer,
                            TvnBaseDocument* ADocument);
  const String& GetCaption() const { return FCaption; }
  void SetCaption(const String& Value) { FCaption = Value; }
  bool isEmpty() { return GetisEmpty(); }
  void SetisEmpty(bool Value) { FisEmpty = Value; }

  virtual bool GetisEmpty() { return FisEmpty; }
  virtual void Activate() = 0;
  virtual void Refresh() {}

 private:
  String FCaption;
  bool FisEmpty = false;
};

// The control that shows one document page inside a viewer.
class TvnBaseViewerPage : public QFrame {
  Q_OBJECT

 public:
  explicit TvnBaseViewerPage(QWidget* AParent = nullptr) : QFrame(AParent) {}
  int32_t GetConnectedPage() const { return FConnectedPage; }
  void SetConnectedPage(int32_t Value) { FConnectedPage = Value; }

 private:
  int32_t FConnectedPage = 0;
};

// A rectangle in points turned into page pixels of a viewer at ZoomPercent
// rendering at DPIX by DPIY, ScreenPPI being the screen's pixels per inch:
// each side to screen pixels (absolute, rounded), the sides put in order,
// then each scaled by zoom and rendering resolution (rounded).
TRect TransferPointRect(const TRect& Value, int32_t ScreenPPI, int32_t ZoomPercent, int32_t DPIX, int32_t DPIY);

// The base of a plug-in that a viewer creates for its document.
class TvnqViewerPlugin : public TObject {
 public:
  TvnqViewerPlugin(TvnBaseDocument* ADocument, TvnBaseDocumentViewer* AViewer)
      : FDocument(ADocument), FViewer(AViewer) {}
  QObject* GetHandle() const { return FHandle; }
  void SetHandle(QObject* Value) { FHandle = Value; }
  TvnBaseDocument* GetDocument() const { return FDocument; }
  TvnBaseDocumentViewer* GetViewer() const { return FViewer; }
  // A rectangle in points as page pixels of the viewer, at its zoom and
  // rendering resolution. A viewer without zoom settings counts as 100 %,
  // one without preferences as rendering at 96 by 96.
  TRect GetTransferedRect(const TRect& Value) const;

 protected:
  QObject* FHandle = nullptr;  // the plug-in's message receiver
  TvnBaseDocument* FDocument;
  TvnBaseDocumentViewer* FViewer;
};

}  // namespace vn::viewer
