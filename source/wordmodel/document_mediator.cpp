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
  copy->FAbstractNumbers = FAbstractNumbers;
  copy->FConcreteNumbers = FConcreteNumbers;
  copy->FMajorFontGroup = FMajorFontGroup;
  copy->FMinorFontGroup = FMinorFontGroup;
  return copy;
}

}  // namespace vn::wordmodel
