// An opened PDF file as the document model sees it. The handler loads the
// file into a base document of the object layer (turning its invalid
// password error into ExPasswordRequired), owns the catalog and the
// document information, hands out new object numbers and saves the file
// again. Every wrapper of the model reaches objects through the handler.
//
// Ownership: the handler owns the base document (which owns every indirect
// object), the catalog (which owns the page tree and its pages) and the
// document information; a load replaces all three together, so no wrapper
// outlives the document it reads. Before the first successful load there
// is no catalog: no pages, a page count of 0.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "framework/page_model.h"
#include "framework/value_types.h"
#include "pdf/base_doc.h"
#include "pdf/objects.h"
#include "runtime/streams.h"

namespace vn::pdfdoc {

class TvnPDCatalog;
class TvnPDFBookmark;
class TvnPDDocInfo;
class TvnPDPage;

class TvnPDFDocumentHandler : public vn::pdf::TvnObject, public vn::pdf::TvnPDDocumentIntf {
 public:
  TvnPDFDocumentHandler();
  // Wraps a base document that is already loaded (owned from now on); the
  // catalog and document information are made over it. No CMap folder.
  explicit TvnPDFDocumentHandler(std::unique_ptr<vn::pdf::TvnPDBaseDoc> ABaseDoc);
  ~TvnPDFDocumentHandler() override;

  // Opens the file for reading and loads it. ExFileNotFound "File Not
  // Found", ExFileOpenError "File Open error" (the document tree's classes).
  void LoadDocument(const std::filesystem::path& FileName);
  // Loads from the stream, which must stay alive while the document is
  // open; with FreeStream the handler owns it. ExPasswordRequired
  // "Encrypted PDF: Password required for loading" when the password does
  // not open the file; the object layer's errors pass unchanged. A failed
  // load leaves the handler without a document.
  void LoadDocument(vn::TStream* Stream, bool FreeStream);
  // Brings the model's edits into the objects (the catalog's Update) and
  // writes the document. The file form raises ExInvalidFileName "Invalid
  // file name" for an empty name and ExFileCreateError "Error occured when
  // creating the File" followed by the reason; the file appears only once
  // complete. Without a document nothing is written.
  void SaveDocument(const std::filesystem::path& FileName);
  void SaveDocument(vn::TStream* Stream);
  // Frees the document and the stream the handler owns.
  void CloseDocument();

  // The object of that number, through the base document (null without
  // one).
  vn::pdf::TvnPDBaseObject* GetObject(int64_t obj_number) override;

  // Page Index (from 1) or null; the number of pages the page tree holds.
  TvnPDPage* GetPage(int32_t Index);
  int32_t GetPageCount();
  vn::framework::TvnDocumentType GetDocumentType() const { return vn::framework::TvnDocumentType::dtFixed; }
  const std::filesystem::path& GetFileName() const { return FFileName; }
  // The font list when set, otherwise the one name "Arial".
  std::vector<std::string> GetFonts() const;
  void SetFontList(std::vector<std::string> Value) { FFontList = std::move(Value); }

  vn::pdf::TvnPDBaseDoc* BaseDoc() const { return FBaseDoc.get(); }
  TvnPDCatalog* Catalog() const { return FCatalog.get(); }
  TvnPDDocInfo* DocInfo() const { return FDocInfo.get(); }
  // The outline root (the catalog's, made once); null without a document.
  TvnPDFBookmark* GetBookmarkRoot();
  bool IsLoaded() const { return FIsLoaded; }
  bool IsEncrypted() const { return FIsEncrypted; }

  const std::string& CMapPath() const { return FCMapPath; }
  void SetCMapPath(std::string Value) { FCMapPath = std::move(Value); }
  // Bytes handed to the object layer on the next load.
  const std::string& Password() const { return FPassword; }
  void SetPassword(std::string Value) { FPassword = std::move(Value); }
  // Handed to the base document at the next save.
  void SetUserEncryptionSettings(std::unique_ptr<vn::pdf::TvnEncryptionSettings> Value) {
    FUserEncryptionSettings = std::move(Value);
  }
  vn::framework::TvnMeasurementUnit MeasurementUnit() const { return FMeasurementUnit; }
  void SetMeasurementUnit(vn::framework::TvnMeasurementUnit Value) { FMeasurementUnit = Value; }

  // The highest object number in use (0 without a document).
  int64_t LastObjectNumber() const;
  void SetLastObjectNumber(int64_t Value);
  // Stores the object as a new indirect object under LastObjectNumber + 1
  // (the new last number; a number a cached object already holds is
  // skipped), generation 0, in the base document's collection. Returns it
  // (borrowed). EInvalidOperation without a document.
  vn::pdf::TvnPDBaseObject* AddNewObject(std::unique_ptr<vn::pdf::TvnPDBaseObject> AObject);
  // A new stream object holding AData under ADict (a new dictionary when
  // null), with /Length set, stored as AddNewObject does.
  vn::pdf::TvnPDStream* AddNewStream(std::unique_ptr<vn::pdf::TvnPDDictionary> ADict, std::string_view AData);

 private:
  void FreeDocument();
  void MakeModel();

  std::unique_ptr<vn::pdf::TvnPDBaseDoc> FBaseDoc;
  std::unique_ptr<TvnPDCatalog> FCatalog;
  std::string FCMapPath;
  std::filesystem::path FFileName;
  std::unique_ptr<vn::TStream> FOwnedStream;
  std::unique_ptr<TvnPDDocInfo> FDocInfo;
  std::string FPassword;
  std::unique_ptr<vn::pdf::TvnEncryptionSettings> FUserEncryptionSettings;
  std::vector<std::string> FFontList;
  bool FIsEncrypted = false;
  bool FIsLoaded = false;
  vn::framework::TvnMeasurementUnit FMeasurementUnit = vn::framework::TvnMeasurementUnit::muPixels;
};

}  // namespace vn::pdfdoc
