// What a document type made of laid-out Word pages shares (the DOCX, DOC and
// RTF types, and any other Word reader laid out by the Word layout engine).
//
// Each laid-out Word page becomes a LaidOutWordPage: its size in pixels, the
// body items placed on it (GetPageElements, what writers walk paragraph by
// paragraph) and its drawable items, drawn through the Word page drawing.
// LaidOutWordDocument keeps those pages (numbered from 1) and the sections
// of the laid-out document; a document type derives from it, loads through
// its own handler and hands the handler's Word pages to BuildPages.
//
// LaidOutWordHandler is the load road such a document type shares: opening
// the file, laying the reader's document out into Word pages and keeping
// them; the type's own handler derives from it and reads its format, or
// lays its reader's document out through LayOutWordPages itself.
//
// Ownership: the document owns its pages; a page's lists refer to items the
// handler's Word pages and body own and free nothing themselves. A page
// links back to its document (not owned). The handler owns the mediator, the
// body items and sections it takes over from the reader, and the Word pages,
// which refer to those items and own what the layout made; all live until
// the next load or the handler's end. The document that owns the handler is
// borrowed.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "framework/base_document.h"
#include "framework/page_model.h"
#include "runtime/streams.h"
#include "runtime/strings.h"
#include "wordmodel/document_mediator.h"
#include "wordmodel/word_page.h"
#include "wordmodel/word_types.h"

namespace vn::wordmodel {

class TvnSection;
class TvnWordParser;

class LaidOutWordPage : public vn::framework::TvnBasePage {
 public:
  using vn::framework::TvnBasePage::Draw;
  explicit LaidOutWordPage(vn::framework::TvnBaseDocument* ADocument) : FDocument(ADocument) {}

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
  vn::framework::TvnBaseDocument* FDocument;  // the owner, not owned
  std::vector<vn::framework::TvnDocItem*> FDomElements;
  std::vector<vn::framework::TvnDocItem*> FPageElements;
  vn::framework::TvnPageSize FPageSize;
};

class LaidOutWordDocument : public vn::framework::TvnBaseDocument {
 public:
  // 0 before a load.
  int32_t GetPageCount() override;
  // Page Index (1-based; the same object every time); an index outside 1 to
  // GetPageCount raises EArgumentOutOfRangeException "Argument out of range".
  vn::framework::TvnPage* GetPage(int32_t Index) override;

  // The sections of the laid-out document (the handler owns them).
  const std::vector<TvnSection*>& GetSections() const { return FSections; }

 protected:
  // Wraps each of APages (made by NewPage, numbered from 1), keeps ASections
  // and marks the document loaded.
  void BuildPages(const std::vector<std::unique_ptr<TvnWordPage>>& APages, const std::vector<TvnSection*>& ASections);
  // Forgets the pages and sections of an earlier load.
  void ClearPages();
  // A new, empty page of the document type.
  virtual std::unique_ptr<LaidOutWordPage> NewPage() = 0;

 private:
  std::map<int32_t, std::unique_ptr<LaidOutWordPage>> FPageCollection;
  std::vector<TvnSection*> FSections;
};

// Lays the document AParser reads out with the Word layout engine, adding
// its pages to APages and answering its sections in ASections and its body
// items (paragraphs, tables), in order, in ABodyItems. Each Word page lists
// the body items it shows text of, found from its laid-out lines when the
// layout does not list them itself.
void LayOutWordPages(TvnWordParser& AParser, std::vector<std::unique_ptr<TvnWordPage>>& APages,
                     std::vector<TvnSection*>& ASections, std::vector<TvnDocItem*>& ABodyItems);
// A document whose body laid out into no page (an empty body) gets one
// blank page of its first section's size.
void AddBlankPageIfNone(std::vector<std::unique_ptr<TvnWordPage>>& APages, const std::vector<TvnSection*>& ASections);

class LaidOutWordHandler {
 public:
  // ADocument is the document that owns the handler; the mediator is made
  // for it.
  explicit LaidOutWordHandler(vn::framework::TvnBaseDocumentHandler* ADocument);
  virtual ~LaidOutWordHandler();
  LaidOutWordHandler(const LaidOutWordHandler&) = delete;
  LaidOutWordHandler& operator=(const LaidOutWordHandler&) = delete;

  // Closes the file of an earlier load, then opens the file (kept open
  // until the next load) and loads it. A missing file raises ExFileNotFound
  // "File Not Found", one that cannot be opened ExFileOpenError "File Open
  // error".
  void LoadDocument(const String& FileName);
  // Loads the document in Stream (borrowed), after freeing what an earlier
  // load made; a load either succeeds whole or leaves the handler empty.
  virtual void LoadDocument(vn::TStream* Stream) = 0;

  bool GetIsLoaded() const { return FIsLoaded; }
  const String& GetFilename() const { return FFilename; }
  vn::framework::TvnMeasurementUnit GetMeasurementUnit() const { return FMeasurementUnit; }
  void SetMeasurementUnit(vn::framework::TvnMeasurementUnit Value) { FMeasurementUnit = Value; }
  TvnDocumentMediator* GetMediator() const { return FMediator.get(); }

  // The laid-out pages in order; empty before a load.
  const std::vector<std::unique_ptr<TvnWordPage>>& GetPages() const { return FPages; }
  int32_t GetPageCount() const { return static_cast<int32_t>(FPages.size()); }
  // The sections of the laid-out document, in order (owned by the handler).
  const std::vector<TvnSection*>& GetSections() const { return FSections; }
  // A new list of the drawable items of page AIndex (1-based); an index
  // outside the pages raises EArgumentOutOfRangeException.
  std::vector<vn::framework::TvnDocItem*> GetPageElements(int32_t AIndex) const;
  // A4 at 96 pixels per inch; the document's pages carry their own sizes.
  vn::framework::TvnPageSize GetPageSize() const { return {1122, 794}; }

 protected:
  // Frees the pages, the items, the sections and the mediator of an earlier
  // load and starts a fresh mediator.
  void Clear();
  // Lays the document AParser reads out (see LayOutWordPages), keeping its
  // pages and sections.
  void LayOutPages(TvnWordParser& AParser);
  // Ends a load (see AddBlankPageIfNone).
  void FinishLoad();

  // The body items the reader made; the pages refer to them.
  TvnItemList& BodyItems() { return FItems; }

 private:
  vn::framework::TvnBaseDocumentHandler* FDocument;  // the owner, borrowed
  String FFilename;
  std::unique_ptr<vn::TStream> FStream;
  bool FIsLoaded = false;
  vn::framework::TvnMeasurementUnit FMeasurementUnit = vn::framework::TvnMeasurementUnit::muPixels;
  // Declared in the order they are needed: pages go first, then the items
  // they refer to, then the mediator the items were resolved against.
  std::unique_ptr<TvnDocumentMediator> FMediator;
  TvnItemList FItems;
  std::vector<TvnSection*> FSections;
  std::vector<std::unique_ptr<TvnWordPage>> FPages;
};

}  // namespace vn::wordmodel
