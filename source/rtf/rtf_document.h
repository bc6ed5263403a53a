// The RTF document type, registered for ".rtf" ("Rich Text Format"): its
// reading half loads an RTF file or stream into the Word document model
// through TvnRTFDocumentHandler, which lays it out into fixed pages with the
// Word layout.
//
// Each laid-out Word page becomes a TvnRTFPage: its size in pixels, the
// body items placed on it (GetPageElements, what writers walk paragraph by
// paragraph) and its drawable items, drawn through the Word page drawing.
//
// Ownership: the document owns its handler (which owns the Word pages and
// the body items) and its pages; a page's lists refer to items the handler
// owns and free nothing themselves. A page links back to its document (not
// owned).
#pragma once

#include <map>
#include <memory>
#include <vector>

#include "framework/base_document.h"
#include "rtf/rtf_document_handler.h"

namespace vn::rtf {

class TvnRTFDocument;

class TvnRTFPage : public vn::framework::TvnBasePage {
 public:
  using vn::framework::TvnBasePage::Draw;
  explicit TvnRTFPage(TvnRTFDocument* ADocument) : FDocument(ADocument) {}

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
  TvnRTFDocument* FDocument;  // the owner, not owned
  std::vector<vn::framework::TvnDocItem*> FDomElements;
  std::vector<vn::framework::TvnDocItem*> FPageElements;
  vn::framework::TvnPageSize FPageSize;
};

class TvnRTFDocument : public vn::framework::TvnBaseDocument {
 public:
  TvnRTFDocument();
  ~TvnRTFDocument() override;

  static vn::framework::TvnEngineCapabilities GetEngineCapabilities() {
    return {vn::framework::TvnEngineCapability::ecOpen, vn::framework::TvnEngineCapability::ecSave};
  }
  static vn::framework::TvnDocumentType GetDocumentType() { return vn::framework::TvnDocumentType::dtFlow; }

  // The handler's page count: 1 before any load.
  int32_t GetPageCount() override;
  // Page Index (1-based; the same object every time); an index outside the
  // laid-out pages raises EArgumentOutOfRangeException "Argument out of
  // range".
  vn::framework::TvnPage* GetPage(int32_t Index) override;
  // Load the file or stream (the password is not used: RTF has no
  // encryption). The document counts as loaded once the load succeeded; an
  // error of the load propagates and leaves it as it was.
  void LoadFromFile(const String& FileName, const String& Password) override;
  void LoadFromStream(vn::TStream* Stream, const String& Password, bool FreeStream) override;

  TvnRTFDocumentHandler* GetHandler() const { return FRTFHandler.get(); }

 private:
  // Wraps each Word page of the handler as a page of the document.
  void BuildPages();

  std::unique_ptr<TvnRTFDocumentHandler> FRTFHandler;
  std::map<int32_t, std::unique_ptr<TvnRTFPage>> FPageCollection;
};

}  // namespace vn::rtf
