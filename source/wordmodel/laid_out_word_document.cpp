#include "wordmodel/laid_out_word_document.h"

#include <algorithm>
#include <filesystem>
#include <unordered_set>
#include <utility>

#include "framework/document_routines.h"
#include "runtime/exceptions.h"
#include "wordmodel/pagination_engine.h"
#include "wordmodel/section.h"
#include "wordmodel/word_page_drawing.h"

namespace vn::wordmodel {

vn::framework::TvnPageSize LaidOutWordPage::GetPageSize() {
  const vn::framework::TvnMeasurementUnit unit = FDocument->GetMeasurementUnit();
  return {vn::framework::PointsToUnit(unit, FPageSize.Height * 72 / 96),
          vn::framework::PointsToUnit(unit, FPageSize.Width * 72 / 96)};
}

void LaidOutWordPage::Draw(vn::platform::Canvas* ACanvas, int32_t AWidth, int32_t AHeight, int32_t, int32_t,
                           int32_t ARotation) {
  DrawWordPage(ACanvas, AWidth, AHeight, ARotation, FPageElements, *this, *FDocument);
}

void LaidOutWordDocument::ClearPages() {
  FPageCollection.clear();
  FSections.clear();
  FIsLoaded = false;
}

void LaidOutWordDocument::BuildPages(const std::vector<std::unique_ptr<TvnWordPage>>& APages,
                                     const std::vector<TvnSection*>& ASections) {
  FSections = ASections;
  int32_t number = 0;
  for (const std::unique_ptr<TvnWordPage>& wordPage : APages) {
    std::unique_ptr<LaidOutWordPage> page = NewPage();
    page->SetPageSize(wordPage->GetPageSize());
    page->PageElements() = wordPage->PageElements().Items();
    page->DomElements() = wordPage->GetPageParagraphs();
    page->TvnPage::SetPageNumber(++number);
    FPageCollection[number] = std::move(page);
  }
  FIsLoaded = true;
}

int32_t LaidOutWordDocument::GetPageCount() { return static_cast<int32_t>(FPageCollection.size()); }

vn::framework::TvnPage* LaidOutWordDocument::GetPage(int32_t Index) {
  const auto it = FPageCollection.find(Index);
  if (it == FPageCollection.end()) throw vn::EArgumentOutOfRangeException("Argument out of range");
  return it->second.get();
}

namespace {

// The body item AItem belongs to (itself, or the paragraph, cell or table
// above it); null for an item outside the body (a header's line).
TvnDocItem* BodyItemOf(TvnDocItem* AItem, const std::unordered_set<const TvnDocItem*>& ABody) {
  for (int depth = 0; AItem != nullptr && depth < 64; ++depth) {
    if (ABody.count(AItem) != 0) return AItem;
    AItem = AItem->GetParent();
  }
  return nullptr;
}

void CollectBodyItems(const LaidOutItems& AItems, const std::unordered_set<const TvnDocItem*>& ABody,
                      std::vector<TvnDocItem*>& AOut) {
  for (TvnDocItem* item : AItems) {
    if (auto* column = dynamic_cast<TvnColumn*>(item)) {
      CollectBodyItems(column->Children(), ABody, AOut);
      continue;
    }
    TvnDocItem* body = BodyItemOf(item, ABody);
    if (body != nullptr && std::find(AOut.begin(), AOut.end(), body) == AOut.end()) AOut.push_back(body);
  }
}

// The body items a page shows, in order, when the layout did not list them:
// those its laid-out lines belong to.
void FillPageParagraphs(TvnWordPage& APage, const std::unordered_set<const TvnDocItem*>& ABody) {
  if (!APage.GetPageParagraphs().empty()) return;
  std::vector<TvnDocItem*> items;
  CollectBodyItems(APage.PageElements(), ABody, items);
  APage.SetRawElements(items);
}

}  // namespace

void LayOutWordPages(TvnWordParser& AParser, std::vector<std::unique_ptr<TvnWordPage>>& APages,
                     std::vector<TvnSection*>& ASections, std::vector<TvnDocItem*>& ABodyItems) {
  TvnWordLayoutEngine engine(AParser);
  const std::vector<TvnDocItem*>& elements = engine.GetElementExtractor().GetElements();
  const std::unordered_set<const TvnDocItem*> bodyItems(elements.begin(), elements.end());
  while (std::unique_ptr<TvnWordPage> page = engine.GetNextPage()) {
    FillPageParagraphs(*page, bodyItems);
    APages.push_back(std::move(page));
  }
  ASections = engine.GetSections();
  ABodyItems = elements;
}

void AddBlankPageIfNone(std::vector<std::unique_ptr<TvnWordPage>>& APages, const std::vector<TvnSection*>& ASections) {
  if (!APages.empty() || ASections.empty()) return;
  const TvnSection& first = *ASections.front();
  APages.push_back(std::make_unique<TvnWordPage>(first.GetPageWidth(), first.GetPageHeight()));
}

LaidOutWordHandler::LaidOutWordHandler(vn::framework::TvnBaseDocumentHandler* ADocument)
    : FDocument(ADocument), FMediator(std::make_unique<TvnDocumentMediator>(ADocument)) {}

LaidOutWordHandler::~LaidOutWordHandler() = default;

void LaidOutWordHandler::Clear() {
  FIsLoaded = false;
  FPages.clear();
  FSections.clear();
  FItems.clear();
  FMediator = std::make_unique<TvnDocumentMediator>(FDocument);
}

void LaidOutWordHandler::LoadDocument(const String& FileName) {
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

void LaidOutWordHandler::LayOutPages(TvnWordParser& AParser) {
  std::vector<TvnDocItem*> bodyItems;
  LayOutWordPages(AParser, FPages, FSections, bodyItems);
}

void LaidOutWordHandler::FinishLoad() {
  AddBlankPageIfNone(FPages, FSections);
  FIsLoaded = true;
}

std::vector<TvnDocItem*> LaidOutWordHandler::GetPageElements(int32_t AIndex) const {
  if (AIndex < 1 || AIndex > GetPageCount()) throw vn::EArgumentOutOfRangeException("Argument out of range");
  return FPages[static_cast<size_t>(AIndex - 1)]->PageElements().Items();
}

}  // namespace vn::wordmodel
