#include "viewer/pdf_form_filling_plugin.h"

#include <QEvent>
#include <algorithm>

#include "pdf/objects.h"
#include "pdfdocument/pd_annot.h"
#include "pdfdocument/pd_form_field.h"
#include "pdfdocument/pd_page.h"
#include "pdfdocument/pd_rect.h"
#include "pdfdocument/pdf_document.h"
#include "runtime/exceptions.h"
#include "runtime/numbers.h"
#include "viewer/fixed_layout_viewer.h"
#include "viewer/pdf_page_geometry.h"
#include "viewer/viewer_messages.h"

namespace vn::viewer {

using vn::framework::TvnViewerOperation;
using vn::pdfdoc::TvnFormFieldType;
using vn::pdfdoc::TvnPDAnnot;
using vn::pdfdoc::TvnPDPage;

namespace {

// The plug-in's message receiver: the viewer posts its notifications here.
class TvnFormPluginReceiver : public QObject {
 public:
  explicit TvnFormPluginReceiver(TvnFormFillingViewerPlugin* APlugin) : FPlugin(APlugin) {}
  bool event(QEvent* AEvent) override {
    if (AEvent->type() != TvnWindowMessageEvent::EventType()) return QObject::event(AEvent);
    FPlugin->HandleViewerMessage(static_cast<TvnWindowMessageEvent*>(AEvent)->Message);
    return true;
  }

 private:
  TvnFormFillingViewerPlugin* FPlugin;
};

// The widget of the field's kind; null for a signature field.
TvnViewerFormWidget* MakeFormWidget(TvnPDFormField* AField, TvnBaseDocumentViewer* AViewer, QWidget* AOwner) {
  switch (AField->FormFieldType()) {
    case TvnFormFieldType::ftText:
      return new TvnEditFormWidget(AField, AViewer, AOwner);
    case TvnFormFieldType::ftCheckBox:
      return new TvnCheckBoxFormWidget(AField, AViewer, AOwner);
    case TvnFormFieldType::ftRadio:
      return new TvnRadioGroupFormWidget(AField, AViewer, AOwner);
    case TvnFormFieldType::ftButton:
      return new TvnPushButtonFormWidget(AField, AViewer, AOwner);
    case TvnFormFieldType::ftListBox:
      return new TvnListBoxFormWidget(AField, AViewer, AOwner);
    case TvnFormFieldType::ftComboBox:
      return new TvnComboBoxFormWidget(AField, AViewer, AOwner);
    case TvnFormFieldType::ftSignature:
      return nullptr;
  }
  return nullptr;
}

// Whether the widget dictionary's /P is APage (or it names none).
bool PageIsOrUnnamed(vn::pdf::TvnPDDictionary* ADict, TvnPDPage* APage) {
  const vn::pdf::TvnPDBaseObject* page = ADict->LookUp("P");
  return page == nullptr || APage == nullptr || APage->BaseObject() == nullptr ||
         page->GetObjNumber() == APage->BaseObject()->GetObjNumber();
}

// The /Rect array of the dictionary, or of its last kid that lies on the
// page (or names no page); null without one.
vn::pdf::TvnPDArray* RectArrayOf(vn::pdf::TvnPDDictionary* ADict, TvnPDPage* APage) {
  if (vn::pdf::TvnPDBaseObject* rect = ADict->LookUp("Rect"); rect != nullptr && rect->IsArray())
    return rect->AsArray();
  vn::pdf::TvnPDBaseObject* kids = ADict->LookUp("Kids");
  vn::pdf::TvnPDArray* list = kids != nullptr && kids->IsArray() ? kids->AsArray() : nullptr;
  for (int64_t i = list != nullptr ? list->GetLength() - 1 : -1; i >= 0; --i) {
    vn::pdf::TvnPDBaseObject* kid = list->Get(i);
    vn::pdf::TvnPDDictionary* kidDict = kid != nullptr && kid->IsDict() ? kid->AsDict() : nullptr;
    if (kidDict == nullptr) continue;
    vn::pdf::TvnPDBaseObject* kidRect = kidDict->LookUp("Rect");
    if (kidRect == nullptr || !kidRect->IsArray()) continue;
    if (!PageIsOrUnnamed(kidDict, APage)) continue;
    return kidRect->AsArray();
  }
  return nullptr;
}

}  // namespace

TvnFormFillingViewerPlugin::TvnFormFillingViewerPlugin(TvnBaseDocument* ADocument, TvnBaseDocumentViewer* AViewer)
    : TvnqViewerPlugin(ADocument, AViewer), FPDFDocument(dynamic_cast<vn::pdfdoc::TvnqPDFDocument*>(ADocument)) {
  if (FPDFDocument == nullptr) throw vn::EInvalidCast("Invalid class typecast");
  FReceiver = std::make_unique<TvnFormPluginReceiver>(this);
  FHandle = FReceiver.get();
}

// The widgets refer to the plug-in: those whose page windows are still
// there go now.
TvnFormFillingViewerPlugin::~TvnFormFillingViewerPlugin() {
  for (TvnViewerFormWidget* widget : GetControls()) delete widget;
}

std::vector<TvnViewerFormWidget*> TvnFormFillingViewerPlugin::GetControls() const {
  std::vector<TvnViewerFormWidget*> controls;
  for (const auto& widget : FControls)
    if (widget) controls.push_back(widget.data());
  return controls;
}

void TvnFormFillingViewerPlugin::HandleViewerMessage(TMessage& Message) {
  if (FViewer != nullptr && FViewer->GetPreferences() != nullptr &&
      !FViewer->GetPreferences()->GetAllowedOperations().Contains(TvnViewerOperation::voFormFilling))
    return;
  switch (Message.Msg) {
    case VWM_LAYOUTCHANGED:
      RepositionWidgets();
      break;
    case VWM_PAGECREATED:
      if (TvnBaseViewerPage* window = LivePageWindow(Message)) {
        auto* page = dynamic_cast<vn::pdfdoc::TvnqPDFPage*>(FPDFDocument->GetPage(window->GetConnectedPage()));
        if (page != nullptr) CreateWidgets(window, page);
      }
      break;
    case VWM_PAGEBOUNDSCHANGED:
      // A page window turned or resized: its widgets follow.
      if (TvnBaseViewerPage* window = LivePageWindow(Message)) {
        for (TvnViewerFormWidget* widget : GetControls())
          if (widget->parentWidget() == window) PlaceWidget(widget);
      }
      break;
    case VWM_TABKEY:
      FocusFirstWidget();
      break;
    default:
      break;
  }
}

// A posted page window may have been freed since: the fixed-layout
// viewer's live windows are asked before it is used.
TvnBaseViewerPage* TvnFormFillingViewerPlugin::LivePageWindow(const TMessage& Message) const {
  const uintptr_t param = static_cast<uintptr_t>(Message.WParam);
  if (auto* viewer = dynamic_cast<TvnFixedLayoutDocumentViewer*>(FViewer)) {
    for (TvnViewerPage* window : viewer->GetPageManager()->GetCachedPages().Pages())
      if (reinterpret_cast<uintptr_t>(window) == param) return window;
    return nullptr;
  }
  return dynamic_cast<TvnBaseViewerPage*>(MessageObject<QObject>(Message));
}

void TvnFormFillingViewerPlugin::CreateWidgets(QWidget* PageWindow, vn::pdfdoc::TvnqPDFPage* Page) {
  if (PageWindow == nullptr || Page == nullptr) return;
  // Widgets of freed page windows are gone: forget them.
  std::erase_if(FControls, [](const QPointer<TvnViewerFormWidget>& w) { return w.isNull(); });
  int32_t n = 1;
  for (TvnPDAnnot* annot : Page->GetAllFormFields()) {
    auto* field = dynamic_cast<TvnPDFormField*>(annot);
    if (field == nullptr) continue;
    TvnFieldDataLink* link = FViewer != nullptr ? FViewer->FieldMapping(field->FullQualifiedName().empty()
                                                                            ? field->FieldName()
                                                                            : field->FullQualifiedName())
                                                : nullptr;
    TvnViewerFormWidget* widget = MakeFormWidget(field, FViewer, PageWindow);
    if (widget == nullptr) continue;
    widget->SetWidgetManager(this);
    widget->SetPDFPage(Page->PDFPage());
    widget->SetTabIndex(n++);
    PlaceWidget(widget);
    if (!dynamic_cast<TvnRadioGroupFormWidget*>(widget)) widget->show();
    if (link != nullptr && link->GetField() != nullptr) widget->SetDataLink(link);
    FControls.emplace_back(widget);
  }
}

void TvnFormFillingViewerPlugin::PlaceWidget(TvnViewerFormWidget* AWidget) {
  const TRect r = FieldWindowRect(AWidget->GetPageElement(), AWidget->GetPDFPage());
  AWidget->SetRect(r);
  AWidget->setGeometry(r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top);
  AWidget->UpdateWidget();
  AWidget->update();
}

void TvnFormFillingViewerPlugin::RepositionWidgets() {
  for (TvnViewerFormWidget* widget : GetControls()) PlaceWidget(widget);
}

void TvnFormFillingViewerPlugin::FocusFirstWidget() {
  const std::vector<TvnViewerFormWidget*> controls = GetControls();
  if (controls.empty()) return;
  controls.front()->ActivateWidget();
  FCurrentTabIndex = 1;
}

void TvnFormFillingViewerPlugin::FocusNextWidget() {
  const int32_t count = static_cast<int32_t>(GetControls().size());
  ++FCurrentTabIndex;
  if (FCurrentTabIndex > count) FCurrentTabIndex = 1;
  ActivateTabIndex();
}

void TvnFormFillingViewerPlugin::FocusPreviousWidget() {
  const int32_t count = static_cast<int32_t>(GetControls().size());
  --FCurrentTabIndex;
  if (FCurrentTabIndex <= 0) FCurrentTabIndex = count;
  ActivateTabIndex();
}

void TvnFormFillingViewerPlugin::ActivateTabIndex() {
  for (TvnViewerFormWidget* widget : GetControls())
    if (widget->GetTabIndex() == FCurrentTabIndex) widget->ActivateWidget();
}

bool TvnFormFillingViewerPlugin::LiesOnPage(TvnPDAnnot* AField, TvnPDPage* APage) {
  return AField == nullptr || AField->Dict() == nullptr || PageIsOrUnnamed(AField->Dict(), APage);
}

TRect TvnFormFillingViewerPlugin::FieldPointRect(TvnPDAnnot* AField, TvnPDPage* APage) {
  if (AField == nullptr) return {};
  vn::pdf::TvnPDDictionary* dict = AField->Dict();
  if (dict == nullptr) {
    // A field made in memory keeps its rectangle as it was set.
    const TvnPDAnnot::TvnBounds b = AField->GetBounds();
    return {static_cast<int32_t>(b.Left), static_cast<int32_t>(b.Top), static_cast<int32_t>(b.Right),
            static_cast<int32_t>(b.Bottom)};
  }
  vn::pdf::TvnPDArray* array = RectArrayOf(dict, APage);
  if (array == nullptr) return {};
  const vn::pdfdoc::TvnPDRect read(array);
  vn::pdfdoc::TvnAnnotFrame frame = vn::pdfdoc::AnnotFrameOf(APage, AField->Handler());
  frame.Unit = vn::framework::TvnMeasurementUnit::muPoints;
  auto whole = [](double v) { return static_cast<int32_t>(std::clamp<int64_t>(vn::Round(v), INT32_MIN, INT32_MAX)); };
  return {whole(frame.XFromPDF(read.Left())), whole(frame.YFromPDF(read.Top())), whole(frame.XFromPDF(read.Right())),
          whole(frame.YFromPDF(read.Bottom()))};
}

// In the fixed-layout viewer both corners go through the page's /Rotate
// and the viewer's page-to-window transformation, which follows the
// viewer's rotation and the exact zoom; in other viewers the rectangle is
// scaled alone.
TRect TvnFormFillingViewerPlugin::FieldWindowRect(TvnPDAnnot* AField, TvnPDPage* APage) const {
  const TRect points = FieldPointRect(AField, APage);
  auto* viewer = dynamic_cast<TvnFixedLayoutDocumentViewer*>(FViewer);
  if (viewer == nullptr || APage == nullptr) return GetTransferedRect(points);
  return UprightPointsToWindowRect(*viewer, APage, APage->PageNum(), points);
}

}  // namespace vn::viewer
