// The load road of a Word 97-2003 document: the handler opens the file,
// reads its compound file (TvnDOCPackage), makes the DOC reader over the
// package and the document's mediator, lets the reader fill the mediator
// (styles), reads the document, and lays the whole document out with the
// Word layout engine, which asks the reader for its sections and then its
// body, keeping the laid-out Word pages.
//
// A load either succeeds whole or leaves the handler empty: the package,
// the reader and the layout engine live only during the load, and an error
// of any of them passes out after everything the load made is freed. A
// file the DOC reader cannot read (not a compound file, no Word document,
// an older Word version, an encrypted document) is refused with the
// package's EDOCFormatError rather than loaded as an empty document. A
// document whose body lays out into no page (an empty body) gets one blank
// page of its first section's size. Each Word page lists the body items
// (paragraphs, tables) it shows text of, found from its laid-out lines when
// the layout does not list them itself.
//
// Ownership: the handler owns the mediator, the body items and sections it
// takes over from the reader, and the Word pages, which refer to those items
// and own what the layout made; all live until the next load or the
// handler's end. The document that owns the handler is borrowed.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "framework/page_model.h"
#include "runtime/streams.h"
#include "runtime/strings.h"
#include "wordmodel/document_mediator.h"
#include "wordmodel/word_page.h"
#include "wordmodel/word_types.h"

namespace vn::wordmodel {
class TvnSection;
}

namespace vn::doc {

class TvnDOCDocumentHandler {
 public:
  // ADocument is the document that owns the handler; the mediator is made
  // for it.
  explicit TvnDOCDocumentHandler(vn::framework::TvnBaseDocumentHandler* ADocument);
  ~TvnDOCDocumentHandler();
  TvnDOCDocumentHandler(const TvnDOCDocumentHandler&) = delete;
  TvnDOCDocumentHandler& operator=(const TvnDOCDocumentHandler&) = delete;

  // Closes the file of an earlier load, then opens the file (kept open
  // until the next load) and loads it. A missing file raises ExFileNotFound
  // "File Not Found", one that cannot be opened ExFileOpenError "File Open
  // error".
  void LoadDocument(const String& FileName);
  // Loads the document in Stream (borrowed), after freeing what an earlier
  // load made. Errors of the package (EDOCFormatError), of the reader and
  // of the layout pass out.
  void LoadDocument(vn::TStream* Stream);

  bool GetIsLoaded() const { return FIsLoaded; }
  const String& GetFilename() const { return FFilename; }
  vn::framework::TvnMeasurementUnit GetMeasurementUnit() const { return FMeasurementUnit; }
  void SetMeasurementUnit(vn::framework::TvnMeasurementUnit Value) { FMeasurementUnit = Value; }
  vn::wordmodel::TvnDocumentMediator* GetMediator() const { return FMediator.get(); }

  // The laid-out pages in order; empty before a load.
  const std::vector<std::unique_ptr<vn::wordmodel::TvnWordPage>>& GetPages() const { return FPages; }
  int32_t GetPageCount() const { return static_cast<int32_t>(FPages.size()); }
  // The sections of the laid-out document, in order (owned by the handler).
  const std::vector<vn::wordmodel::TvnSection*>& GetSections() const { return FSections; }
  // A new list of the drawable items of page AIndex (1-based); an index
  // outside the pages raises EArgumentOutOfRangeException.
  std::vector<vn::framework::TvnDocItem*> GetPageElements(int32_t AIndex) const;
  // A4 at 96 pixels per inch; the document's pages carry their own sizes.
  vn::framework::TvnPageSize GetPageSize() const { return {1122, 794}; }

 private:
  // Frees the pages, the items, the sections and the mediator of an earlier
  // load and starts a fresh mediator.
  void Clear();

  vn::framework::TvnBaseDocumentHandler* FDocument;  // the owner, borrowed
  String FFilename;
  std::unique_ptr<vn::TStream> FStream;
  bool FIsLoaded = false;
  vn::framework::TvnMeasurementUnit FMeasurementUnit = vn::framework::TvnMeasurementUnit::muPixels;
  // Declared in the order they are needed: pages go first, then the items
  // they refer to, then the mediator the items were resolved against.
  std::unique_ptr<vn::wordmodel::TvnDocumentMediator> FMediator;
  vn::wordmodel::TvnItemList FItems;
  std::vector<vn::wordmodel::TvnSection*> FSections;
  std::vector<std::unique_ptr<vn::wordmodel::TvnWordPage>> FPages;
};

}  // namespace vn::doc
