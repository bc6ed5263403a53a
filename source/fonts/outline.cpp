#include "fonts/outline.h"

#include <string>

#include "runtime/exceptions.h"

namespace vn::fonts {

std::string_view StepName(TvnStepKind kind) {
  switch (kind) {
    case TvnStepKind::moveto: return "moveto";
    case TvnStepKind::lineto: return "lineto";
    case TvnStepKind::curveto: return "curveto";
    case TvnStepKind::closepath: return "closepath";
    case TvnStepKind::close: return "close";
    case TvnStepKind::addshape: return "addshape";
    case TvnStepKind::transformmatrix: return "transformmatrix";
  }
  return {};
}

int TvnRecList::Add(const Instructions& value) {
  items_.push_back(value);
  return static_cast<int>(items_.size()) - 1;
}

void TvnRecList::Add(TvnRecList&& other) {
  if (&other == this) return;
  items_.insert(items_.end(), other.items_.begin(), other.items_.end());
  other.items_.clear();
}

const Instructions& TvnRecList::GetItem(int index) const {
  if (index < 0 || index >= Count())
    throw EListError("List index out of bounds (" + std::to_string(index) + ")");
  return items_[static_cast<size_t>(index)];
}

}  // namespace vn::fonts
