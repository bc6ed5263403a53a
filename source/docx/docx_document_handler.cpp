#include "docx/docx_document_handler.h"

#include "docx/docx_parser.h"
#include "docx/package.h"
#include "runtime/exceptions.h"

namespace vn::docx {

TvnDOCXDocumentHandler::TvnDOCXDocumentHandler(vn::framework::TvnBaseDocumentHandler* ADocument)
    : LaidOutWordHandler(ADocument) {}

TvnDOCXDocumentHandler::~TvnDOCXDocumentHandler() = default;

namespace {

// Refuses a package that does not hold a readable main document: without
// one there is no Word document, and converting it would pass an empty page
// off as the document.
void RequireMainDocument(TvnDOCXPackage& APackage) {
  if (!APackage.DocLoaded() || !APackage.Package()->HasPart(APackage.MainDocumentPart()->URI()))
    throw vn::EDOCXExceptions("The package holds no main document");
  const std::unique_ptr<vn::TMemoryStream> main = APackage.GetMainDocumentStream();
  if (main == nullptr || main->Size() == 0) throw vn::EDOCXExceptions("The main document cannot be read");
}

}  // namespace

void TvnDOCXDocumentHandler::LoadDocument(vn::TStream* Stream) {
  Clear();
  if (Stream == nullptr) throw vn::ExInvalidStream("Invalid stream");
  TvnDOCXPackage package(*Stream, TvnFileMode::tfOpened);
  RequireMainDocument(package);
  try {
    TvnDOCXParser parser(&package, GetMediator());
    TvnDOCXMainDocumentParser* body = parser.DocumentParser();
    if (body == nullptr) throw vn::EDOCXExceptions("The main document cannot be read");
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

}  // namespace vn::docx
