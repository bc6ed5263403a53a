#include <QCoreApplication>
#include <QDate>
#include <QLocale>
#include <QRegularExpression>
#include <QTime>

#include "pdfdocument/pd_annot.h"
#include "pdfdocument/pd_page.h"
#include "pdfdocument/pdf_document.h"
#include "pdfdocument/pdf_document_handler.h"
#include "runtime/numbers.h"
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

TvnPointsScope::TvnPointsScope(vn::pdfdoc::TvnPDFDocumentHandler* AHandler) : FHandler(AHandler) {
  if (FHandler == nullptr) return;
  FSaved = static_cast<int>(FHandler->MeasurementUnit());
  FHandler->SetMeasurementUnit(vn::framework::TvnMeasurementUnit::muPoints);
}

TvnPointsScope::~TvnPointsScope() {
  if (FHandler != nullptr) FHandler->SetMeasurementUnit(static_cast<vn::framework::TvnMeasurementUnit>(FSaved));
}

bool AnnotPointRect(vn::pdfdoc::TvnPDAnnot& AAnnot, TvnPointRect& ARect) {
  vn::pdf::TvnPDDictionary* dict = AAnnot.Dict();
  if (dict == nullptr) {
    // A new annotation keeps the rectangle it was given.
    const vn::pdfdoc::TvnPDRect* kept = AAnnot.Rect();
    if (kept == nullptr || !kept->IsValid()) return false;
    ARect = {kept->Left(), kept->Top(), kept->Right(), kept->Bottom()};
    return true;
  }
  vn::pdf::TvnPDBaseObject* entry = dict->LookUp("Rect");
  vn::pdf::TvnPDArray* array = entry != nullptr ? entry->AsArray() : nullptr;
  if (array == nullptr) return false;
  const vn::pdfdoc::TvnPDRect read(array);
  vn::pdfdoc::TvnAnnotFrame frame = vn::pdfdoc::AnnotFrameOf(AAnnot.Page(), nullptr);
  frame.Unit = vn::framework::TvnMeasurementUnit::muPoints;
  ARect = {frame.XFromPDF(read.Left()), frame.YFromPDF(read.Top()), frame.XFromPDF(read.Right()),
           frame.YFromPDF(read.Bottom())};
  return true;
}

vn::framework::TRect AnnotPointBounds(vn::pdfdoc::TvnPDAnnot& AAnnot) {
  TvnPointRect rect;
  if (!AnnotPointRect(AAnnot, rect)) return {};
  return {vn::RoundToInt(rect.Left), vn::RoundToInt(rect.Top), vn::RoundToInt(rect.Right),
          vn::RoundToInt(rect.Bottom)};
}

void SetAnnotPointRect(vn::pdfdoc::TvnPDAnnot& AAnnot, const TvnPointRect& ARect) {
  TvnPointsScope points(AAnnot.Handler());
  AAnnot.SetRect(ARect.Left, ARect.Top, ARect.Right, ARect.Bottom);
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
