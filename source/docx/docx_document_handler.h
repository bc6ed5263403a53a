// The load road of a DOCX document: the handler opens the file, opens its
// package, makes the DOCX reader over the package and the document's
// mediator, lets the reader fill the mediator, and lays the whole document
// out with the Word layout engine, keeping the laid-out Word pages.
//
// A load either succeeds whole or leaves the handler empty: the package,
// the reader and the layout engine live only during the load, and an error
// of any of them passes out after everything the load made is freed. A
// package whose main document part is missing or cannot be extracted is
// refused (EDOCXExceptions) rather than loaded as an empty document. The
// rest (opening the file, the layout, the pages) is LaidOutWordHandler's.
#pragma once

#include "runtime/streams.h"
#include "wordmodel/laid_out_word_document.h"

namespace vn::docx {

class TvnDOCXDocumentHandler : public vn::wordmodel::LaidOutWordHandler {
 public:
  // ADocument is the document that owns the handler; the mediator is made
  // for it.
  explicit TvnDOCXDocumentHandler(vn::framework::TvnBaseDocumentHandler* ADocument);
  ~TvnDOCXDocumentHandler() override;

  using vn::wordmodel::LaidOutWordHandler::LoadDocument;
  // Loads the package in Stream (borrowed), after freeing what an earlier
  // load made. Errors of the package (a stream that is not a zip archive, a
  // damaged archive), of the reader (a main document that is not
  // well-formed XML) and of the layout pass out.
  void LoadDocument(vn::TStream* Stream) override;
};

}  // namespace vn::docx
