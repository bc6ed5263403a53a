#include <QCoreApplication>
#include <QDate>
#include <QLocale>
#include <QRegularExpression>
#include <QTime>

#include "pdfdocument/pd_annot.h"
#include "pdfdocument/pdf_document.h"
#include "viewer/annot_shared_impl.h"
#include "viewer/user_prompts.h"

namespace vn::viewer::annot_impl {

bool TvnMessageReceiver::event(QEvent* AEvent) {
  if (AEvent->type() != TvnWindowMessageEvent::EventType()) return QObject::event(AEvent);
  FHandler(static_cast<TvnWindowMessageEvent*>(AEvent)->Message);
  return true;
}

void RunUserCommand(QWidget* AParent, const std::function<void()>& ACommand) {
  try {
    ACommand();
  } catch (const std::exception& error) {
    if (UserPrompts().ShowError) UserPrompts().ShowError(AParent, QStringLiteral("Error"), QString::fromUtf8(error.what()));
  }
}

void SendWindowMessage(QObject* AReceiver, uint32_t AMsg) {
  if (AReceiver == nullptr) return;
  TMessage message;
  message.Msg = AMsg;
  TvnWindowMessageEvent event(message);
  QCoreApplication::sendEvent(AReceiver, &event);
}

QString AnnotDateText(vn::pdfdoc::TvnPDDate* ADate) {
  if (ADate == nullptr) return {};
  const QLocale locale;
  const QDate date(ADate->Year(), ADate->Month(), ADate->Day());
  const QTime time(ADate->Hour(), ADate->Minutes(), ADate->Seconds());
  // The locale's long time format without the zone names it may carry.
  QString timeFormat = locale.timeFormat(QLocale::LongFormat);
  timeFormat.remove(QRegularExpression(QStringLiteral("\\s*t+")));
  return locale.toString(date, QLocale::ShortFormat) + u' ' + locale.toString(time, timeFormat.trimmed());
}

vn::pdfdoc::TvnPDAnnot* FindReplyTarget(vn::pdfdoc::TvnqPDFDocument& ADocument, vn::pdfdoc::TvnPDAnnot& AAnnot,
                                        int32_t& APageNumber) {
  std::unique_ptr<vn::pdfdoc::TvnPDAnnot> made;
  vn::pdfdoc::TvnPDAnnot* target = AAnnot.GetInReplyToAnnot(made);
  const vn::pdf::TvnPDBaseObject* object = target ? target->BaseObject() : nullptr;
  if (object == nullptr) return nullptr;
  // The page /P names first, then every page.
  const int32_t named = target->PageNumber();
  const int32_t count = ADocument.GetPageCount();
  for (int32_t i = 0; i <= count; ++i) {
    const int32_t number = i == 0 ? named : i;
    if (number < 1 || number > count || (i > 0 && number == named)) continue;
    auto* page = dynamic_cast<vn::pdfdoc::TvnqPDFPage*>(ADocument.GetPage(number));
    if (page == nullptr) continue;
    for (vn::pdfdoc::TvnPDAnnot* annot : page->GetAnnots()) {
      if (annot->BaseObject() == object) {
        APageNumber = number;
        return annot;
      }
    }
  }
  return nullptr;
}

}  // namespace vn::viewer::annot_impl
