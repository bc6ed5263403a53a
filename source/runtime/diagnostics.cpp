#include "runtime/diagnostics.h"

namespace vn {

void Diagnostics::Report(Diagnostic d) {
  ++count_;
  if (kept_.size() < cap_) kept_.push_back(std::move(d));
}

void Diagnostics::Clear() {
  count_ = 0;
  kept_.clear();
}

std::string Diagnostics::Summary() const {
  std::string out;
  for (const Diagnostic& d : kept_) {
    if (!out.empty()) out += "; ";
    out += d.message;
  }
  if (count_ > kept_.size()) out += "; ... " + std::to_string(count_ - kept_.size()) + " more";
  return out;
}

}  // namespace vn
