#include "doc/doc_document_handler.h"

#include "doc/doc_package.h"
#include "doc/main_document_parser.h"
#include "doc/style_parser.h"
#include "runtime/exceptions.h"

namespace vn::doc {

TvnDOCDocumentHandler::TvnDOCDocumentHandler(vn::framework::TvnBaseDocumentHandler* ADocument)
    : LaidOutWordHandler(ADocument) {}

TvnDOCDocumentHandler::~TvnDOCDocumentHandler() = default;

void TvnDOCDocumentHandler::LoadDocument(vn::TStream* Stream) {
  Clear();
  if (Stream == nullptr) throw vn::ExInvalidStream("Invalid stream");
  TvnDOCPackage package(Stream, u"");
  try {
    TvnDOCParser parser(&package, GetMediator());
    auto* body = static_cast<TvnDOCMainDocumentParser*>(parser.GetDocumentParser());
    if (parser.GetStylesParser() == nullptr || body == nullptr)
      throw EDOCFormatError("The document cannot be read");
    // The styles go to the mediator's style table; then the reader reads
    // the document.
    wordmodel::FillMediatorFromReader(parser, *GetMediator());
    body->Initialize();
    LayOutPages(parser);
    // The body items and sections outlive the reader: the pages refer to them.
    BodyItems() = body->TakeOwnedItems();
  } catch (...) {
    Clear();
    throw;
  }
  FinishLoad();
}

}  // namespace vn::doc
