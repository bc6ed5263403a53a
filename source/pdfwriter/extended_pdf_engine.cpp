#include "pdfwriter/extended_pdf_engine.h"

#include "platform/crypto/pkcs7_signer.h"
#include "platform/system.h"
#include "pdfwriter/pdf_syntax_impl.h"

namespace vn::pdfwriter {

namespace {

void SetScreenResolution() {
  vn::framework::ScreenPixelsPerInch = vn::platform::kScreenPixelsPerInch;
  vn::framework::ScreenPixelsPerPoint = vn::framework::ScreenPixelsPerInch / 72.0;
}

}  // namespace

TvnExPDFEngine::TvnExPDFEngine(TvnBaseComponent* AOwner) : TvnCustomPDFEngine(AOwner) { SetScreenResolution(); }

TvnExPDFEngine::~TvnExPDFEngine() = default;

void TvnExPDFEngine::StartDocument() {
  FAnnotList.clear();
  FPDFFormFields.clear();
  FPageEventActionList.clear();
  FDocEventJSAction = TvnDocEventJSAction();
  FAcroForms = FDocEventJS = 0;
  FZapfDingbatsObj = FHelveticaObj = 0;
  ReleaseSignature();
  // The certificate is read before the first byte is written: a document
  // that cannot be signed is not begun.
  if (DigitalSignature().Enabled) PrepareSignature();
  try {
    TvnCustomPDFEngine::StartDocument();
  } catch (...) {
    ReleaseSignature();
    throw;
  }
}

void TvnExPDFEngine::EndDocument() {
  if (FSigning && SignatureFieldNumber() == 0)
    throw EPDFSignatureError("The signature field's page " + std::to_string(DigitalSignature().FieldProperties.PageNumber) +
                             " is not in the document");
  if (!FAnnotList.empty()) WriteAnnotations();
  if (!FPDFFormFields.empty() || FSigning) {
    FAcroForms = NewObjectNumber();
    WriteFormFields();
    WriteAcroForm();
  }
  if (!FDocEventJSAction.Empty()) WriteDocEventScripts();
  // The output stays open (and seekable) after the base engine has written
  // the file's end: the signature is written into it last.
  vn::TStream* output = FOutputStream;
  const int64_t start = FOutputStart;
  TvnCustomPDFEngine::EndDocument();
  if (FSigning && output) CompleteSignature(*output, start);
  FAnnotList.clear();
  FPDFFormFields.clear();
  FPageEventActionList.clear();
  ReleaseSignature();
}

void TvnExPDFEngine::EndPage() {
  const int32_t page = CurrentPage();
  for (const auto& annot : FAnnotList)
    if (annot->FPageNo == page) FAnnots += " " + ObjectRef(annot->FObjNo);
  for (const auto& field : FPDFFormFields) {
    if (field->FPageNo != page) continue;
    if (field->Kind() == TvnPDFFormFieldKind::RadioGroup) {
      for (const auto& button : static_cast<TvnPDFFormRadioGroup&>(*field).RadioButtons) FAnnots += " " + ObjectRef(button->FObjNo);
    } else {
      FAnnots += " " + ObjectRef(field->FObjNo);
    }
  }
  TvnCustomPDFEngine::EndPage();
}

std::string TvnExPDFEngine::WriteCatalog() {
  std::string text = TvnCustomPDFEngine::WriteCatalog();
  if (FAcroForms > 0) text += " /AcroForm " + ObjectRef(FAcroForms);
  if (FDocEventJS > 0) text += " /AA " + ObjectRef(FDocEventJS);
  SetScreenResolution();
  return text;
}

std::string TvnExPDFEngine::WritePageObject() {
  std::string text = TvnCustomPDFEngine::WritePageObject();
  const TvnPageInfo* info = CurrentPageInfo();
  if (!info) return text;
  for (const auto& event : FPageEventActionList) {
    if (event->PageNo != CurrentPage()) continue;
    std::string open, close;
    if (event->OpenAction) open = ActionText(*event->OpenAction, info->ObjNo);
    if (event->CloseAction) close = ActionText(*event->CloseAction, info->ObjNo);
    if (open.empty() && close.empty()) break;
    text += "/AA <<";
    if (!open.empty()) text += "/O " + open;
    if (!close.empty()) text += "/C " + close;
    text += ">>";
    break;
  }
  return text;
}

bool TvnExPDFEngine::AddPageEventAction(std::unique_ptr<TvnPageEventAction> action) {
  if (!action || !IsDocumentStarted()) return false;
  if (IsPDFA()) {
    for (const TvnAnnotAction* a : {action->OpenAction.get(), action->CloseAction.get()})
      if (a && (a->SubType() == TvnAnnotActionType::aaJavaScript || a->SubType() == TvnAnnotActionType::aaLaunch))
        throw vn::ENotSupportedException("JavaScript and launch actions are not allowed in PDF/A");
  }
  PlaceAction(action->OpenAction.get());
  PlaceAction(action->CloseAction.get());
  std::erase_if(FPageEventActionList, [&](const auto& e) { return e->PageNo == action->PageNo; });
  FPageEventActionList.push_back(std::move(action));
  return true;
}

}  // namespace vn::pdfwriter
