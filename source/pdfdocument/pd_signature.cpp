#include "pdfdocument/pd_signature.h"

#include "pdf/base_doc.h"
#include "pdf/writer.h"
#include "pdfdocument/pd_text_impl.h"
#include "pdfdocument/pdf_document_handler.h"

namespace vn::pdfdoc {

using vn::pdf::TvnPDBaseObject;
using vn::pdf::TvnPDDictionary;

namespace {

// The bytes of a PDF text string holding the text: printable ASCII as it
// is, anything else UTF-16BE after the byte order mark.
std::string SignatureTextBytes(StringView AText) {
  bool plain = true;
  for (char16_t c : AText) plain = plain && c >= 0x20 && c < 0x7F;
  std::string bytes = plain ? "" : "\xFE\xFF";
  for (char16_t c : AText) {
    if (!plain) bytes += static_cast<char>(c >> 8);
    bytes += static_cast<char>(c & 0xFF);
  }
  return bytes;
}

// A V value that is a signature dictionary (not a placeholder).
const TvnPDDictionary* SignatureDictOf(const TvnPDBaseObject* AValue) {
  const TvnPDDictionary* d = AValue ? AValue->AsDict() : nullptr;
  return d && !d->LookUp(TvnPDSignatureField::kPlaceholderKey) ? d : nullptr;
}

}  // namespace

const char* SubfilterName(TvnSigSubfilter AValue) {
  switch (AValue) {
    case TvnSigSubfilter::sfX509RsaSha1:
      return "adbe.x509.rsa_sha1";
    case TvnSigSubfilter::sfPkcs7Detached:
      return "adbe.pkcs7.detached";
    case TvnSigSubfilter::sfPkcs7Sha1:
      break;
  }
  return "adbe.pkcs7.sha1";
}

// ---- TvnPDSignature ---------------------------------------------------------------

TvnPDSignature::TvnPDSignature()
    : FFilter("Adobe.PPKLite"),
      FCerificationLevel(TvnSigCertLevel::clFillFormFields),
      FSigDispOptions(kAllSigDisplayOptions) {}

TvnPDSignature::TvnPDSignature(StringView AAuthorName, StringView AReason, StringView ALocation,
                               StringView AContactInfo, bool ACertifyDoc)
    : FAuthor(AAuthorName),
      FContactInfo(AContactInfo),
      FLocation(ALocation),
      FReason(AReason),
      FCertifyDocument(ACertifyDoc) {}

void TvnPDSignature::GetByteOffset(uint32_t& AOffset1, uint32_t& AOffset2, uint32_t& AOffset3,
                                   uint32_t& AOffset4) const {
  AOffset1 = FOffset1;
  AOffset2 = FOffset2;
  AOffset3 = FOffset3;
  AOffset4 = FOffset4;
}

void TvnPDSignature::SetByteOffset(uint32_t AOffset1, uint32_t AOffset2, uint32_t AOffset3, uint32_t AOffset4) {
  FOffset1 = AOffset1;
  FOffset2 = AOffset2;
  FOffset3 = AOffset3;
  FOffset4 = AOffset4;
}

// ---- TvnPDSignatureField -----------------------------------------------------------

TvnPDSignatureField::TvnPDSignatureField() { FFieldType = TvnFormFieldType::ftSignature; }

TvnPDSignatureField::TvnPDSignatureField(TvnPDFDocumentHandler* AParentDoc, vn::pdf::TvnPDElement* AParentElement,
                                         TvnPDBaseObject* ABaseObject)
    : TvnPDFormField(AParentDoc, AParentElement, ABaseObject) {}

TvnPDSignatureField::~TvnPDSignatureField() = default;

TvnPDSignature* TvnPDSignatureField::Signature() {
  if (FSignature) return FSignature.get();
  FSignature = std::make_unique<TvnPDSignature>();
  const TvnPDDictionary* v = Dict() ? SignatureDictOf(Dict()->LookUp("V")) : nullptr;
  if (!v) return FSignature.get();
  const auto text = [v](const char* AKey, auto ASet) {
    if (const TvnPDBaseObject* s = v->LookUp(AKey); s && s->IsString()) ASet(PdfTextOf(s));
  };
  text("Name", [this](const String& s) { FSignature->SetAuthor(s); });
  text("Reason", [this](const String& s) { FSignature->SetReason(s); });
  text("Location", [this](const String& s) { FSignature->SetLocation(s); });
  text("ContactInfo", [this](const String& s) { FSignature->SetContactInfo(s); });
  if (const TvnPDBaseObject* f = v->LookUp("Filter"); f && f->IsName()) FSignature->SetHandler(f->AsName()->GetValue());
  if (const TvnPDBaseObject* r = v->LookUp("ByteRange"); r && r->IsArray() && r->AsArray()->GetLength() == 4) {
    uint32_t n[4] = {};
    bool ok = true;
    for (int64_t i = 0; i < 4; ++i) {
      const TvnPDBaseObject* e = r->AsArray()->Get(i);
      ok = ok && e && e->IsInteger() && e->AsInteger()->GetValue() >= 0 &&
           e->AsInteger()->GetValue() <= int64_t{UINT32_MAX};
      if (ok) n[i] = static_cast<uint32_t>(e->AsInteger()->GetValue());
    }
    if (ok) FSignature->SetByteOffset(n[0], n[1], n[2], n[3]);
  }
  return FSignature.get();
}

void TvnPDSignatureField::Fill(StringView APFXFileName, StringView APFXPassword, vn::TDateTime ADateTime,
                               StringView AReason, StringView ALocation, StringView AContactInfo) {
  TvnPDSignature* sig = Signature();
  sig->SetPFXFileName(APFXFileName);
  sig->SetPFXPassword(APFXPassword);
  sig->SetReason(AReason);
  sig->SetLocation(ALocation);
  sig->SetContactInfo(AContactInfo);
  sig->SetDateTime(ADateTime);
  std::unique_ptr<vn::pdf::TvnPDIndirectRef> ref = ReserveSignatureDictionary();
  if (!ref || !Dict()) return;
  Dict()->Add("V", std::move(ref));
  FHandler->BaseDoc()->SetSignDoc(true);
}

std::unique_ptr<vn::pdf::TvnPDIndirectRef> TvnPDSignatureField::ReserveSignatureDictionary() {
  if (!FHandler || !FHandler->BaseDoc() || !Dict()) return nullptr;
  // A placeholder that V already refers to is used again, so that filling
  // the field twice leaves no orphaned placeholder behind.
  TvnPDDictionary* placeholder = nullptr;
  const TvnPDBaseObject* v = Dict()->LookupRefObj("V");
  if (v && v->IsIndirectRef())
    if (TvnPDBaseObject* target = Dict()->LookUp("V"); target && target->IsDict() &&
                                                        target->AsDict()->LookUp(kPlaceholderKey))
      placeholder = target->AsDict();
  if (!placeholder) {
    placeholder = FHandler->AddNewObject(std::make_unique<TvnPDDictionary>(FHandler->BaseDoc()))->AsDict();
  }
  auto blanks = std::make_unique<vn::pdf::TvnPDName>("");
  blanks->SetName(std::string(kPlaceholderBlanks, ' '));
  placeholder->Add(kPlaceholderKey, std::move(blanks));

  const TvnPDSignature& sig = *Signature();
  vn::pdf::TvnSignature* record = FHandler->BaseDoc()->GetSignature();
  record->Author = SignatureTextBytes(sig.Author());
  record->ContactInfo = SignatureTextBytes(sig.ContactInfo());
  record->Location = SignatureTextBytes(sig.Location());
  record->Reason = SignatureTextBytes(sig.Reason());
  record->Filter = sig.Handler();
  record->PFXFileName = vn::ToUtf8(sig.PFXFileName());
  record->PFXPassWord = vn::ToUtf8(sig.PFXPassword());
  record->Subfilter = SubfilterName(sig.SubFilter());
  record->DateTime = sig.DateTime();
  return std::make_unique<vn::pdf::TvnPDIndirectRef>(placeholder->GetObjNumber(), placeholder->GetGenNumber());
}

std::string TvnPDSignatureField::NormalCaption() {
  const TvnPDDictionary* mk = MK(false);
  const TvnPDBaseObject* ca = mk ? mk->LookUp("CA") : nullptr;
  return ca && ca->IsString() ? PdfStringBytes(ca) : FNormalCaption;
}

void TvnPDSignatureField::SetNormalCaption(const std::string& AValue) {
  FNormalCaption = AValue;
  if (TvnPDDictionary* mk = MK(true)) mk->Add("CA", std::make_unique<vn::pdf::TvnPDString>(AValue));
}

}  // namespace vn::pdfdoc
