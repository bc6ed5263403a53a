#include "wordmodel/document_mediator.h"

#include "wordmodel/style_resolver.h"

namespace vn::wordmodel {

void TvnDOMCollection::InsertAt(int32_t AIndex, TvnDocItem* AItem) {
  if (AIndex < 0 || AIndex > GetCount()) throw vn::EListError("List index out of bounds");
  FItemList.insert(FItemList.begin() + AIndex, AItem);
}

void TvnDOMCollection::Remove(const TvnDocItem* AItem) {
  for (auto it = FItemList.begin(); it != FItemList.end(); ++it) {
    if (*it == AItem) {
      FItemList.erase(it);
      return;
    }
  }
}

void TvnDOMCollection::RemoveAt(int32_t AIndex) {
  if (AIndex < 0 || AIndex >= GetCount()) throw vn::EListError("List index out of bounds");
  FItemList.erase(FItemList.begin() + AIndex);
}

TvnDocumentMediator::TvnDocumentMediator(TvnBaseDocumentHandler* ADocument)
    : FDocument(ADocument),
      FWordStyles(std::make_unique<TvnWordStyles>()),
      FResourceCollection(std::make_unique<TvnResourceCollection>()) {}

TvnDocumentMediator::~TvnDocumentMediator() = default;

void TvnDocumentMediator::SetWordStyles(std::unique_ptr<TvnWordStyles> Value) {
  if (Value) FWordStyles = std::move(Value);
}

std::unique_ptr<TvnDocumentMediator> TvnDocumentMediator::Clone(TvnBaseDocumentHandler* ADocument) const {
  auto copy = std::make_unique<TvnDocumentMediator>(ADocument);
  copy->FWordStyles = FWordStyles->Clone();
  // The copies link the styles of the copied table, so the table comes
  // first.
  for (const auto& [id, list] : FAbstractNumbers) {
    copy->FAbstractNumbers.emplace(id, list ? list->Clone(*copy) : nullptr);
  }
  for (const auto& [id, list] : FConcreteNumbers) {
    copy->FConcreteNumbers.emplace(id, list ? list->Clone(*copy) : nullptr);
  }
  copy->FMajorFontGroup = FMajorFontGroup;
  copy->FMinorFontGroup = FMinorFontGroup;
  return copy;
}

namespace {

TvnNumber* MediatorListOf(const TvnNumberMap& ALists, int32_t ANumberID) {
  auto found = ALists.find(ANumberID);
  return found == ALists.end() ? nullptr : found->second.get();
}

}  // namespace

TvnNumber* TvnDocumentMediator::FindNumber(int32_t ANumberID) const {
  return MediatorListOf(FConcreteNumbers, ANumberID);
}

TvnNumber* TvnDocumentMediator::FindAbstractNumber(int32_t ANumberID) const {
  return MediatorListOf(FAbstractNumbers, ANumberID);
}

TvnStyle* TvnDocumentMediator::FindStyle(const String& AStyleID) const {
  return AStyleID.empty() ? nullptr : FWordStyles->Find(AStyleID);
}

}  // namespace vn::wordmodel
