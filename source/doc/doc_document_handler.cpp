#include "doc/doc_document_handler.h"

#include <algorithm>
#include <filesystem>
#include <unordered_set>
#include <utility>

#include "doc/doc_package.h"
#include "doc/main_document_parser.h"
#include "doc/style_parser.h"
#include "runtime/exceptions.h"
#include "wordmodel/pagination_engine.h"
#include "wordmodel/section.h"

namespace vn::doc {

using vn::wordmodel::TvnDocItem;

TvnDOCDocumentHandler::TvnDOCDocumentHandler(vn::framework::TvnBaseDocumentHandler* ADocument)
    : FDocument(ADocument), FMediator(std::make_unique<wordmodel::TvnDocumentMediator>(ADocument)) {}

TvnDOCDocumentHandler::~TvnDOCDocumentHandler() = default;

void TvnDOCDocumentHandler::Clear() {
  FIsLoaded = false;
  FPages.clear();
  FSections.clear();
  FItems.clear();
  FMediator = std::make_unique<wordmodel::TvnDocumentMediator>(FDocument);
}

void TvnDOCDocumentHandler::LoadDocument(const String& FileName) {
  FStream.reset();
  const std::filesystem::path path(vn::ToUtf8(FileName));
  std::error_code ignored;
  if (!std::filesystem::exists(path, ignored)) throw vn::ExFileNotFound("File Not Found");
  FFilename = FileName;
  try {
    FStream = std::make_unique<vn::TFileStream>(path, vn::FileMode::fmOpenRead);
  } catch (const vn::EFOpenError&) {
    throw vn::ExFileOpenError("File Open error");
  }
  LoadDocument(FStream.get());
}

namespace {

// The body item AItem belongs to (itself, or the paragraph, cell or table
// above it); null for an item outside the body (a header's line).
TvnDocItem* DocBodyItemOf(TvnDocItem* AItem, const std::unordered_set<const TvnDocItem*>& ABody) {
  for (int depth = 0; AItem != nullptr && depth < 64; ++depth) {
    if (ABody.count(AItem) != 0) return AItem;
    AItem = AItem->GetParent();
  }
  return nullptr;
}

void DocCollectBodyItems(const wordmodel::LaidOutItems& AItems, const std::unordered_set<const TvnDocItem*>& ABody,
                         std::vector<TvnDocItem*>& AOut) {
  for (TvnDocItem* item : AItems) {
    if (auto* column = dynamic_cast<wordmodel::TvnColumn*>(item)) {
      DocCollectBodyItems(column->Children(), ABody, AOut);
      continue;
    }
    TvnDocItem* body = DocBodyItemOf(item, ABody);
    if (body != nullptr && std::find(AOut.begin(), AOut.end(), body) == AOut.end()) AOut.push_back(body);
  }
}

// The body items a page shows, in order, when the layout did not list them:
// those its laid-out lines belong to.
void DocFillPageParagraphs(wordmodel::TvnWordPage& APage, const std::unordered_set<const TvnDocItem*>& ABody) {
  if (!APage.GetPageParagraphs().empty()) return;
  std::vector<TvnDocItem*> items;
  DocCollectBodyItems(APage.PageElements(), ABody, items);
  APage.SetRawElements(items);
}

}  // namespace

void TvnDOCDocumentHandler::LoadDocument(vn::TStream* Stream) {
  Clear();
  if (Stream == nullptr) throw vn::ExInvalidStream("Invalid stream");
  TvnDOCPackage package(Stream, u"");
  try {
    TvnDOCParser parser(&package, FMediator.get());
    auto* body = static_cast<TvnDOCMainDocumentParser*>(parser.GetDocumentParser());
    if (parser.GetStylesParser() == nullptr || body == nullptr)
      throw EDOCFormatError("The document cannot be read");
    // The styles go to the mediator's style table; then the reader reads
    // the document.
    wordmodel::FillMediatorFromReader(parser, *FMediator);
    body->Initialize();
    {
      wordmodel::TvnWordLayoutEngine engine(parser);
      const std::vector<TvnDocItem*>& elements = engine.GetElementExtractor().GetElements();
      const std::unordered_set<const TvnDocItem*> bodyItems(elements.begin(), elements.end());
      while (std::unique_ptr<wordmodel::TvnWordPage> page = engine.GetNextPage()) {
        DocFillPageParagraphs(*page, bodyItems);
        FPages.push_back(std::move(page));
      }
      FSections = engine.GetSections();
    }
    // The body items and sections outlive the reader: the pages refer to them.
    FItems = body->TakeOwnedItems();
  } catch (...) {
    Clear();
    throw;
  }
  if (FPages.empty() && !FSections.empty()) {
    const wordmodel::TvnSection& first = *FSections.front();
    FPages.push_back(std::make_unique<wordmodel::TvnWordPage>(first.GetPageWidth(), first.GetPageHeight()));
  }
  FIsLoaded = true;
}

std::vector<TvnDocItem*> TvnDOCDocumentHandler::GetPageElements(int32_t AIndex) const {
  if (AIndex < 1 || AIndex > GetPageCount()) throw vn::EArgumentOutOfRangeException("Argument out of range");
  return FPages[static_cast<size_t>(AIndex - 1)]->PageElements().Items();
}

}  // namespace vn::doc
