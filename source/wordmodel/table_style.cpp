#include "wordmodel/table_style.h"

namespace vn::wordmodel {

TvnTableStyle::TvnTableStyle(const String& AStyleID) : TvnStyle(AStyleID) { SetStyleType(TvnStyleType::stTable); }

void TvnTableStyle::Assign(const TvnStyle* ASource, TvnStyle* ADest) const {
  TvnStyle::Assign(ASource, ADest);
  const auto* source = dynamic_cast<const TvnTableStyle*>(ASource);
  auto* dest = dynamic_cast<TvnTableStyle*>(ADest);
  if (source == nullptr || dest == nullptr || source == dest) return;
  if (source->FTableCellProperties) dest->FTableCellProperties = source->FTableCellProperties->Clone();
  if (source->FTableRowProperties) dest->FTableRowProperties = source->FTableRowProperties->Clone();
  if (source->FTableProperties) dest->FTableProperties = source->FTableProperties->Clone();
}

std::unique_ptr<TvnStyle> TvnTableStyle::Clone() const {
  auto copy = std::make_unique<TvnTableStyle>(GetStyleID());
  copy->Assign(this, copy.get());
  return copy;
}

}  // namespace vn::wordmodel
