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
// package's EDOCFormatError rather than loaded as an empty document. The
// rest (opening the file, the layout, the pages) is LaidOutWordHandler's.
#pragma once

#include "runtime/streams.h"
#include "wordmodel/laid_out_word_document.h"

namespace vn::doc {

class TvnDOCDocumentHandler : public vn::wordmodel::LaidOutWordHandler {
 public:
  // ADocument is the document that owns the handler; the mediator is made
  // for it.
  explicit TvnDOCDocumentHandler(vn::framework::TvnBaseDocumentHandler* ADocument);
  ~TvnDOCDocumentHandler() override;

  using vn::wordmodel::LaidOutWordHandler::LoadDocument;
  // Loads the document in Stream (borrowed), after freeing what an earlier
  // load made. Errors of the package (EDOCFormatError), of the reader and
  // of the layout pass out.
  void LoadDocument(vn::TStream* Stream) override;
};

}  // namespace vn::doc
