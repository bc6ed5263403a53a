// The DOC document type, registered for ".doc" ("Word 97-2003 Document")
// and ".dot" ("Word 97-2003 Template"): a Word 97-2003 document or
// template read through its handler and laid out into fixed pages by the Word layout. The document
// only reads; it has no save path.
//
// Each laid-out Word page becomes a TvnqDOCPage: its size in pixels, the
// body items placed on it (GetPageElements, what writers walk paragraph by
// paragraph) and its drawable items, drawn through the Word page drawing.
//
// Ownership: the document owns its handler (which owns the Word pages, the
// body items and the sections) and its pages; a page's lists refer to items
// the handler's Word pages and body own and free nothing themselves. A page
// links back to its document (not owned).
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "doc/doc_document_handler.h"
#include "framework/base_document.h"

namespace vn::doc {

class TvnqDOCDocument;

class TvnqDOCPage : public vn::framework::TvnBasePage {
 public:
  using vn::framework::TvnBasePage::Draw;
  explicit TvnqDOCPage(TvnqDOCDocument* ADocument) : FDocument(ADocument) {}

  // The size in pixels at 96 per inch.
  void SetPageSize(const vn::framework::TvnPageSize& APageSize) { FPageSize = APageSize; }
  // Height and width in the document's measurement unit.
  vn::framework::TvnPageSize GetPageSize() override;
  // The body items (paragraphs, tables) laid out on the page.
  std::vector<vn::framework::TvnDocItem*> GetPageElements() override { return FDomElements; }
  // The page's drawable items drawn onto ACanvas into (0, 0, AWidth,
  // AHeight), on white, turned by ARotation (see DrawWordPage). The
  // resolutions are not used.
  void Draw(vn::platform::Canvas* ACanvas, int32_t AWidth, int32_t AHeight, int32_t AxDPI, int32_t AyDPI,
            int32_t ARotation) override;

  std::vector<vn::framework::TvnDocItem*>& DomElements() { return FDomElements; }
  std::vector<vn::framework::TvnDocItem*>& PageElements() { return FPageElements; }

 private:
  TvnqDOCDocument* FDocument;  // the owner, not owned
  std::vector<vn::framework::TvnDocItem*> FDomElements;
  std::vector<vn::framework::TvnDocItem*> FPageElements;
  vn::framework::TvnPageSize FPageSize;
};

class TvnqDOCDocument : public vn::framework::TvnBaseDocument {
 public:
  TvnqDOCDocument();
  ~TvnqDOCDocument() override;

  static vn::framework::TvnEngineCapabilities GetEngineCapabilities() {
    return {vn::framework::TvnEngineCapability::ecOpen};
  }
  static vn::framework::TvnDocumentType GetDocumentType() { return vn::framework::TvnDocumentType::dtFlow; }

  // Loads the file through the handler (see its LoadDocument for the
  // errors). The password is not used. Whatever the file's bytes are, they
  // go to the package: bytes that are not a Word 97-2003 document raise
  // EDOCFormatError rather than give an empty document.
  void LoadFromFile(const String& FileName, const String& Password) override;
  // Loads the document in Stream; the password is not used; with FreeStream
  // the document owns the stream from this call on. A failed load leaves
  // the document empty and not loaded.
  void LoadFromStream(vn::TStream* Stream, const String& Password, bool FreeStream) override;
  // 0 before a load.
  int32_t GetPageCount() override;
  // Page Index (1-based; the same object every time); an index outside 1 to
  // GetPageCount raises EArgumentOutOfRangeException "Argument out of range".
  vn::framework::TvnPage* GetPage(int32_t Index) override;

  TvnDOCDocumentHandler* GetDOCHandler() const { return FDOCHandler.get(); }
  // The sections of the laid-out document (the handler owns them).
  const std::vector<vn::wordmodel::TvnSection*>& GetSections() const { return FSections; }

 private:
  // Wraps each Word page of the handler as a page of the document.
  void BuildPages();
  // Forgets the pages and sections of an earlier load.
  void ClearPages();

  std::unique_ptr<TvnDOCDocumentHandler> FDOCHandler;
  std::map<int32_t, std::unique_ptr<TvnqDOCPage>> FPageCollection;
  std::vector<vn::wordmodel::TvnSection*> FSections;
};

}  // namespace vn::doc
