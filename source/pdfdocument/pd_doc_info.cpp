#include "pdfdocument/pd_doc_info.h"

#include "pdf/base_doc.h"
#include "pdfdocument/pd_date.h"
#include "pdfdocument/pd_text_impl.h"
#include "pdfdocument/pdf_document_handler.h"

namespace vn::pdfdoc {

TvnPDDocInfo::TvnPDDocInfo(TvnPDFDocumentHandler* AParentDoc, TvnPDCatalog* /*ACatalog*/) : FParentDoc(AParentDoc) {
  if (FParentDoc && FParentDoc->BaseDoc()) FPDFInfoObj = FParentDoc->BaseDoc()->GetDocInfo();
  SetProducer(vn::FromAscii(kProducer));
}

TvnPDDocInfo::Entry* TvnPDDocInfo::FindEntry(std::string_view AKey) {
  for (Entry& e : FEntries)
    if (AKey == e.Key) return &e;
  return nullptr;
}

String TvnPDDocInfo::Text(Entry& AEntry) {
  if (AEntry.Read || !FPDFInfoObj) return AEntry.Cached;
  const vn::pdf::TvnPDBaseObject* value = FPDFInfoObj->LookUp(AEntry.Key);
  if (!value) return {};
  AEntry.Read = true;
  if (!AEntry.IsDate) {
    AEntry.Cached = PdfTextOf(value);
  } else {
    const TvnPDDateParts d = ParseDateParts(PdfStringBytes(value));
    std::string text = std::to_string(d.Day) + "/" + std::to_string(d.Month) + "/" + std::to_string(d.Year) + "/ " +
                       std::to_string(d.Hour) + ":" + std::to_string(d.Minutes) + ":" + std::to_string(d.Seconds);
    AEntry.Cached = vn::FromAscii(text);
  }
  return AEntry.Cached;
}

void TvnPDDocInfo::SetText(Entry& AEntry, StringView AValue) {
  if (!FPDFInfoObj) return;
  FPDFInfoObj->Add(AEntry.Key, MakePdfText(AValue));
  AEntry.Read = false;
  AEntry.Cached.clear();
}

String TvnPDDocInfo::Author() { return Text(FEntries[0]); }
String TvnPDDocInfo::CreateDate() { return Text(FEntries[1]); }
String TvnPDDocInfo::Creator() { return Text(FEntries[2]); }
String TvnPDDocInfo::ModeDate() { return Text(FEntries[3]); }
String TvnPDDocInfo::Producer() { return Text(FEntries[4]); }
String TvnPDDocInfo::Subject() { return Text(FEntries[5]); }
String TvnPDDocInfo::Title() { return Text(FEntries[6]); }
String TvnPDDocInfo::Keyword() { return Text(FEntries[7]); }

void TvnPDDocInfo::SetAuthor(StringView Value) { SetText(FEntries[0], Value); }
void TvnPDDocInfo::SetCreateDate(StringView Value) { SetText(FEntries[1], Value); }
void TvnPDDocInfo::SetCreator(StringView Value) { SetText(FEntries[2], Value); }
void TvnPDDocInfo::SetModeDate(StringView Value) { SetText(FEntries[3], Value); }
void TvnPDDocInfo::SetProducer(StringView Value) { SetText(FEntries[4], Value); }
void TvnPDDocInfo::SetSubject(StringView Value) { SetText(FEntries[5], Value); }
void TvnPDDocInfo::SetTitle(StringView Value) { SetText(FEntries[6], Value); }
void TvnPDDocInfo::SetKeyword(StringView Value) { SetText(FEntries[7], Value); }

void TvnPDDocInfo::GetInfo(std::string_view InfoKey, String& Value) {
  if (Entry* e = FindEntry(InfoKey)) Value = Text(*e);
}

void TvnPDDocInfo::SetDocInfo(std::string_view InfoKey, StringView Value) {
  if (Entry* e = FindEntry(InfoKey)) SetText(*e, Value);
}

}  // namespace vn::pdfdoc
