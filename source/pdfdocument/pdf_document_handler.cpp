#include "pdfdocument/pdf_document_handler.h"

#include <system_error>

#include "pdf/exceptions.h"
#include "pdf/xref.h"
#include "pdfdocument/cmap.h"
#include "pdfdocument/pd_bookmark.h"
#include "pdfdocument/pd_catalog.h"
#include "pdfdocument/pd_doc_info.h"
#include "pdfdocument/pd_page.h"
#include "pdfdocument/pd_page_tree.h"
#include "runtime/exceptions.h"
#include "runtime/output_file.h"

namespace vn::pdfdoc {

TvnPDFDocumentHandler::TvnPDFDocumentHandler() : FCMapPath(TvnPDCMap::kDefaultCMapPath) {}

TvnPDFDocumentHandler::TvnPDFDocumentHandler(std::unique_ptr<vn::pdf::TvnPDBaseDoc> ABaseDoc)
    : FBaseDoc(std::move(ABaseDoc)) {
  if (FBaseDoc) {
    MakeModel();
    FIsLoaded = true;
  }
}

TvnPDFDocumentHandler::~TvnPDFDocumentHandler() { FreeDocument(); }

void TvnPDFDocumentHandler::FreeDocument() {
  // Wrappers first: they point into the base document's objects.
  FDocInfo.reset();
  FCatalog.reset();
  FBaseDoc.reset();
  FOwnedStream.reset();
  FIsLoaded = false;
}

void TvnPDFDocumentHandler::MakeModel() {
  FCatalog = std::make_unique<TvnPDCatalog>(this, FBaseDoc->GetDocRoot());
  FDocInfo = std::make_unique<TvnPDDocInfo>(this, FCatalog.get());
}

void TvnPDFDocumentHandler::LoadDocument(const std::filesystem::path& FileName) {
  FreeDocument();
  std::error_code ec;
  if (!std::filesystem::is_regular_file(FileName, ec)) throw vn::ExFileNotFound("File Not Found");
  FFileName = FileName;
  std::unique_ptr<vn::TStream> file;
  try {
    file = std::make_unique<vn::TFileStream>(FileName, vn::FileMode::fmOpenRead);
  } catch (const vn::EFOpenError&) {
    throw vn::ExFileOpenError("File Open error");
  }
  LoadDocument(file.release(), true);
}

void TvnPDFDocumentHandler::LoadDocument(vn::TStream* Stream, bool FreeStream) {
  std::unique_ptr<vn::TStream> owned(FreeStream ? Stream : nullptr);
  FreeDocument();
  FOwnedStream = std::move(owned);
  try {
    auto base = std::make_unique<vn::pdf::TvnPDBaseDoc>();
    try {
      base->LoadDocument(Stream, FPassword);
    } catch (const vn::pdf::ExInvalidPassword&) {
      throw vn::ExPasswordRequired("Encrypted PDF: Password required for loading");
    }
    FBaseDoc = std::move(base);
    FIsEncrypted = FBaseDoc->GetIsEncrypted();
    MakeModel();
  } catch (...) {
    FreeDocument();
    throw;
  }
  FIsLoaded = true;
}

void TvnPDFDocumentHandler::SaveDocument(const std::filesystem::path& FileName) {
  if (FileName.empty()) throw vn::pdf::ExInvalidFileName();
  if (!FBaseDoc) return;
  std::unique_ptr<vn::OutputFile> file;
  try {
    file = std::make_unique<vn::OutputFile>(FileName);
  } catch (const vn::EFCreateError& e) {
    throw vn::ExFileCreateError(std::string("Error occured when creating the File") + e.what());
  }
  SaveDocument(file.get());
  try {
    file->Commit();
  } catch (const vn::EFCreateError& e) {
    throw vn::ExFileCreateError(std::string("Error occured when creating the File") + e.what());
  }
}

void TvnPDFDocumentHandler::SaveDocument(vn::TStream* Stream) {
  if (!FBaseDoc) return;
  if (FCatalog) FCatalog->Update();
  if (FUserEncryptionSettings) FBaseDoc->SetUserEncryptionSettings(std::move(FUserEncryptionSettings));
  FBaseDoc->SaveDocument(Stream);
}

void TvnPDFDocumentHandler::CloseDocument() { FreeDocument(); }

vn::pdf::TvnPDBaseObject* TvnPDFDocumentHandler::GetObject(int64_t obj_number) {
  return FBaseDoc ? FBaseDoc->GetObject(obj_number) : nullptr;
}

TvnPDPage* TvnPDFDocumentHandler::GetPage(int32_t Index) {
  return FCatalog && FCatalog->PageTree() ? FCatalog->PageTree()->GetPage(Index) : nullptr;
}

int32_t TvnPDFDocumentHandler::GetPageCount() {
  return FCatalog && FCatalog->PageTree() ? FCatalog->PageTree()->Count() : 0;
}

std::vector<std::string> TvnPDFDocumentHandler::GetFonts() const {
  if (!FFontList.empty()) return FFontList;
  return {"Arial"};
}

int64_t TvnPDFDocumentHandler::LastObjectNumber() const {
  vn::pdf::TvnPDReader* reader = FBaseDoc ? FBaseDoc->GetReader() : nullptr;
  return reader && reader->GetXRef() ? reader->GetXRef()->GetLastObjectNumber() : 0;
}

void TvnPDFDocumentHandler::SetLastObjectNumber(int64_t Value) {
  vn::pdf::TvnPDReader* reader = FBaseDoc ? FBaseDoc->GetReader() : nullptr;
  if (reader && reader->GetXRef()) reader->GetXRef()->SetLastObjectNumber(Value);
}

TvnPDFBookmark* TvnPDFDocumentHandler::GetBookmarkRoot() { return FCatalog ? FCatalog->BookmarkRoot() : nullptr; }

vn::pdf::TvnPDBaseObject* TvnPDFDocumentHandler::AddNewObject(std::unique_ptr<vn::pdf::TvnPDBaseObject> AObject) {
  if (!FBaseDoc) throw vn::EInvalidOperation("No PDF document is open");
  int64_t number = LastObjectNumber() + 1;
  while (FBaseDoc->GetCollection()->GetObject(number)) ++number;
  SetLastObjectNumber(number);
  AObject->SetObjNumber(number);
  AObject->SetGenNumber(0);
  AObject->SetIsChanged(true);
  vn::pdf::TvnPDBaseObject* raw = AObject.get();
  FBaseDoc->GetCollection()->Add(std::move(AObject));
  return raw;
}

vn::pdf::TvnPDStream* TvnPDFDocumentHandler::AddNewStream(std::unique_ptr<vn::pdf::TvnPDDictionary> ADict,
                                                          std::string_view AData) {
  if (!ADict) ADict = std::make_unique<vn::pdf::TvnPDDictionary>(FBaseDoc.get());
  ADict->Add("Length", std::make_unique<vn::pdf::TvnPDInteger>(static_cast<int64_t>(AData.size())));
  auto bytes = vn::pdf::MakeRef<vn::pdf::TvnMemoryStream>(
      new vn::TMemoryStream(std::vector<uint8_t>(AData.begin(), AData.end())), 0, 0, false, true);
  return AddNewObject(std::make_unique<vn::pdf::TvnPDStream>(std::move(bytes), std::move(ADict)))->AsStream();
}

}  // namespace vn::pdfdoc
