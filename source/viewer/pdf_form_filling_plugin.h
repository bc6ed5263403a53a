// The plug-in that lets the user fill the interactive form of a PDF document
// in a viewer. The viewer posts its notifications to the plug-in's message
// receiver: for every page window it creates, the plug-in lays a widget over
// each form field of the page (pdf_form_widgets.h); after a layout change it
// places them again; Tab on a page window focuses the first widget.
//
// Widgets belong to their page window: when the viewer frees a page window
// its widgets go with it and the plug-in forgets them; a page window made
// again gets new widgets from the current field values.
#pragma once

#include <QObject>
#include <QPointer>
#include <cstdint>
#include <memory>
#include <vector>

#include "viewer/base_viewer.h"
#include "viewer/pdf_form_widgets.h"
#include "viewer/window_messages.h"

namespace vn::pdfdoc {
class TvnqPDFDocument;
class TvnqPDFPage;
class TvnPDAnnot;
class TvnPDPage;
}  // namespace vn::pdfdoc

namespace vn::viewer {

class TvnFormFillingViewerPlugin : public TvnqViewerPlugin {
 public:
  // ADocument must be a TvnqPDFDocument (EInvalidCast "Invalid class
  // typecast" otherwise).
  TvnFormFillingViewerPlugin(TvnBaseDocument* ADocument, TvnBaseDocumentViewer* AViewer);
  ~TvnFormFillingViewerPlugin() override;
  TvnFormFillingViewerPlugin(const TvnFormFillingViewerPlugin&) = delete;
  TvnFormFillingViewerPlugin& operator=(const TvnFormFillingViewerPlugin&) = delete;

  // A notification of the viewer; nothing unless the viewer's preferences
  // allow form filling.
  void HandleViewerMessage(TMessage& Message);

  // Lays a widget over every form field of Page on PageWindow, with tab
  // indexes from 1.
  void CreateWidgets(QWidget* PageWindow, vn::pdfdoc::TvnqPDFPage* Page);
  // Places every widget over its field again.
  void RepositionWidgets();
  void FocusFirstWidget();
  void FocusNextWidget();
  void FocusPreviousWidget();

  int32_t GetCurrentTabIndex() const { return FCurrentTabIndex; }
  void SetCurrentTabIndex(int32_t Value) { FCurrentTabIndex = Value; }
  // The widgets of all page windows, in creation order (those of freed page
  // windows left out).
  std::vector<TvnViewerFormWidget*> GetControls() const;

  // The rectangle of an annotation of APage in points, measured from the
  // page's top-left corner (the file's /Rect, or, for a field without one,
  // its last widget's on that page), whatever unit the document measures
  // in at the moment; all zero without a rectangle.
  static TRect FieldPointRect(vn::pdfdoc::TvnPDAnnot* AField, vn::pdfdoc::TvnPDPage* APage);
  // Whether the annotation's dictionary names APage as its page, or no
  // page at all.
  static bool LiesOnPage(vn::pdfdoc::TvnPDAnnot* AField, vn::pdfdoc::TvnPDPage* APage);
  // That rectangle in page-window pixels of the viewer (turned with the
  // pages of a fixed-layout viewer).
  TRect FieldWindowRect(vn::pdfdoc::TvnPDAnnot* AField, vn::pdfdoc::TvnPDPage* APage) const;

 private:
  // Sets the widget's bounds (and input rectangle) from its field and
  // brings its inputs along.
  void PlaceWidget(TvnViewerFormWidget* AWidget);
  void ActivateTabIndex();
  // The page window a notification names, when it is still there.
  TvnBaseViewerPage* LivePageWindow(const TMessage& Message) const;

  vn::pdfdoc::TvnqPDFDocument* FPDFDocument;
  std::unique_ptr<QObject> FReceiver;
  int32_t FCurrentTabIndex = 0;
  std::vector<QPointer<TvnViewerFormWidget>> FControls;
};

}  // namespace vn::viewer
