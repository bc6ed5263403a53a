#include "wordmodel/text_box.h"

namespace vn::wordmodel {

TvnTextBox::TvnTextBox() = default;
TvnTextBox::~TvnTextBox() = default;

std::unique_ptr<TvnDocItem> TvnTextBox::Clone() const {
  auto copy = std::make_unique<TvnTextBox>();
  Assign(this, copy.get());
  return copy;
}

void TvnTextBox::Assign(const TvnDocItem* ASource, TvnDocItem* ADest) const {
  TvnCompositeDocItem::Assign(ASource, ADest);
  const auto* source = dynamic_cast<const TvnTextBox*>(ASource);
  auto* dest = dynamic_cast<TvnTextBox*>(ADest);
  if (source == nullptr || dest == nullptr || source == dest) return;
  dest->FRotationAngle = source->FRotationAngle;
  dest->FzOrder = source->FzOrder;
  dest->AssignPlacement(*source);
  dest->FShapeProperties = CloneOrNull(source->FShapeProperties.get());
  dest->FBodyProperties = CloneOrNull(source->FBodyProperties.get());
  dest->FLayoutedDocItems = CloneItems(source->FLayoutedDocItems);
}

void TvnTextBox::Draw(TvnBaseCanvas* ACanvas) {
  for (const auto& item : FLayoutedDocItems) {
    if (item) item->Draw(ACanvas);
  }
}

}  // namespace vn::wordmodel
