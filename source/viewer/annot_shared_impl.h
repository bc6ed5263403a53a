// What the annotation plug-in and the comments pane share: their colours,
// the message receiver a plug-in's window is, the date text of an
// annotation and the search for the page's own wrapper of an annotation
// dictionary.
#pragma once

#include <QColor>
#include <QObject>
#include <QString>
#include <functional>

#include "framework/value_types.h"
#include "viewer/viewer_messages.h"

namespace vn::pdfdoc {
class TvnPDFDocumentHandler;
class TvnPDAnnot;
class TvnPDDate;
class TvnqPDFDocument;
}  // namespace vn::pdfdoc

namespace vn::viewer::annot_impl {

// The window-system colours the annotation views are painted with.
inline const QColor kInfoBackground{255, 255, 225};   // clInfoBk
inline const QColor kInactiveBorder{244, 247, 252};   // clInactiveBorder
inline const QColor kSilver{192, 192, 192};           // clSilver
inline const QColor kGray{128, 128, 128};             // clGray
inline const QColor kYellow{255, 255, 0};             // clYellow
inline const QColor kSkyBlue{166, 202, 240};          // clSkyBlue
inline const QColor kGrayText{109, 109, 109};         // clGrayText

// The window of a plug-in: hands every window message it receives to the
// handler.
class TvnMessageReceiver : public QObject {
 public:
  explicit TvnMessageReceiver(std::function<void(TMessage&)> AHandler) : FHandler(std::move(AHandler)) {}
  bool event(QEvent* AEvent) override;

 private:
  std::function<void(TMessage&)> FHandler;
};

// Runs a user's command; a failure is shown to the user (a window event
// must not end in an exception) and the command's changes up to it stay.
void RunUserCommand(QWidget* AParent, const std::function<void()>& ACommand);

// Sends the message (zero parameters) to the receiver and returns once it
// has been handled.
void SendWindowMessage(QObject* AReceiver, uint32_t AMsg);

// The date of the annotation as the locale writes it: its short date, a
// space and its time with seconds; empty without a date.
QString AnnotDateText(vn::pdfdoc::TvnPDDate* ADate);

// The annotation views measure annotations in points from the top-left
// corner of the page, whatever unit the viewer last set on the document
// (it switches between inches and pixels as it lays out and paints).
// While the scope lives the handler measures in points.
class TvnPointsScope {
 public:
  explicit TvnPointsScope(vn::pdfdoc::TvnPDFDocumentHandler* AHandler);
  ~TvnPointsScope();
  TvnPointsScope(const TvnPointsScope&) = delete;
  TvnPointsScope& operator=(const TvnPointsScope&) = delete;

 private:
  vn::pdfdoc::TvnPDFDocumentHandler* FHandler;
  int FSaved = 0;
};

struct TvnPointRect {
  double Left = 0, Top = 0, Right = 0, Bottom = 0;
};
// The annotation's rectangle in points from the page's top-left corner,
// read from its /Rect on every call (a new annotation's kept rectangle);
// false when it has none.
bool AnnotPointRect(vn::pdfdoc::TvnPDAnnot& AAnnot, TvnPointRect& ARect);
// The same rounded to whole points, each side to the nearest integer with
// halves to even; four zeros without a rectangle.
vn::framework::TRect AnnotPointBounds(vn::pdfdoc::TvnPDAnnot& AAnnot);
// Writes the annotation's rectangle, given in points from the page's
// top-left corner.
void SetAnnotPointRect(vn::pdfdoc::TvnPDAnnot& AAnnot, const TvnPointRect& ARect);

// The wrapper the document's pages keep for the annotation /IRT of
// AAnnot refers to, and that wrapper's page number; null when it has none
// or the dictionary is on no page.
vn::pdfdoc::TvnPDAnnot* FindReplyTarget(vn::pdfdoc::TvnqPDFDocument& ADocument, vn::pdfdoc::TvnPDAnnot& AAnnot,
                                        int32_t& APageNumber);

}  // namespace vn::viewer::annot_impl
