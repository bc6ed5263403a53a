#include "pdfdocument/pd_file_reference.h"

#include "pdfdocument/pd_text_impl.h"

namespace vn::pdfdoc {

using vn::pdf::TvnPDBaseObject;

TvnPDFileSpec::TvnPDFileSpec(TvnPDBaseObject* AFileSpecObj) : TvnPDElement(AFileSpecObj, nullptr, nullptr) {
  if (vn::pdf::TvnPDDictionary* dict = Dict()) {
    TvnPDBaseObject* ef = dict->LookUp("EF");
    FEFObj = ef ? ef->AsDict() : nullptr;
    FIsEmbedded = FEFObj != nullptr;
  }
}

String TvnPDFileSpec::FileName() {
  if (vn::pdf::TvnPDDictionary* dict = Dict()) {
    if (TvnPDBaseObject* f = dict->LookUp("F"); f && f->IsString()) FFileName = PdfTextOf(f);
  } else if (FBaseObject && FBaseObject->IsString()) {
    FFileName = PdfTextOf(FBaseObject);
  }
  return FFileName;
}

void TvnPDFileSpec::SetFileName(StringView Value) {
  if (vn::pdf::TvnPDDictionary* dict = Dict()) dict->Add("F", MakePdfText(Value));
  FFileName = String(Value);
}

String TvnPDFileSpec::Description() {
  if (FDescription.empty()) {
    if (vn::pdf::TvnPDDictionary* dict = Dict()) FDescription = PdfTextOf(dict->LookUp("Desc"));
  }
  return FDescription;
}

void TvnPDFileSpec::SetDescription(StringView Value) {
  if (vn::pdf::TvnPDDictionary* dict = Dict()) dict->Add("Desc", MakePdfText(Value));
  FDescription = String(Value);
}

vn::pdf::TvnStream* TvnPDFileSpec::EmbeddedFileStream() {
  if (!FEmbeddedStream && FEFObj) {
    TvnPDBaseObject* f = FEFObj->LookUp("F");
    if (f && f->IsStream()) FEmbeddedStream = f->AsStream()->GetStream();
  }
  return FEmbeddedStream;
}

bool TvnPDFileSpec::IsVolatile() {
  if (vn::pdf::TvnPDDictionary* dict = Dict()) {
    if (TvnPDBaseObject* v = dict->LookUp("V"); v && v->IsBoolean()) FIsVolatile = v->AsBoolean()->GetValue();
  }
  return FIsVolatile;
}

void TvnPDFileSpec::SetIsVolatile(bool Value) {
  if (vn::pdf::TvnPDDictionary* dict = Dict()) dict->Add("V", std::make_unique<vn::pdf::TvnPDBoolean>(Value));
  FIsVolatile = Value;
}

TvnPDFileSystem TvnPDFileSpec::FileSystem() {
  if (vn::pdf::TvnPDDictionary* dict = Dict()) {
    if (TvnPDBaseObject* fs = dict->LookUp("FS"); fs && fs->IsName("URL")) FFileSystem = TvnPDFileSystem::fsURL;
  }
  return FFileSystem;
}

void TvnPDFileSpec::SetFileSystem(TvnPDFileSystem Value) {
  if (vn::pdf::TvnPDDictionary* dict = Dict()) {
    if (Value == TvnPDFileSystem::fsURL)
      dict->Add("FS", std::make_unique<vn::pdf::TvnPDName>("URL"));
    else
      dict->Remove("FS");
  }
  FFileSystem = Value;
}

}  // namespace vn::pdfdoc
