// What the annotation plug-in and the comments pane share: their colours,
// the message receiver a plug-in's window is, the date text of an
// annotation and the search for the page's own wrapper of an annotation
// dictionary.
#pragma once

#include <QColor>
#include <QObject>
#include <QString>
#include <functional>

#include "viewer/window_messages.h"

namespace vn::pdfdoc {
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

// The viewer notifications the annotation views handle, and the request
// an annotation editor sends the viewer after changing an annotation (the
// viewer passes it on to every plug-in as the notification of the same
// number).
constexpr uint32_t kMsgLayoutChanged = 0xBF47;
constexpr uint32_t kMsgVScrolled = 0xBF48;
constexpr uint32_t kMsgPageCreated = 0xBF4A;
constexpr uint32_t kMsgAnnotsChanged = 0xBF4C;

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

// The wrapper the document's pages keep for the annotation /IRT of
// AAnnot refers to, and that wrapper's page number; null when it has none
// or the dictionary is on no page.
vn::pdfdoc::TvnPDAnnot* FindReplyTarget(vn::pdfdoc::TvnqPDFDocument& ADocument, vn::pdfdoc::TvnPDAnnot& AAnnot,
                                        int32_t& APageNumber);

}  // namespace vn::viewer::annot_impl
