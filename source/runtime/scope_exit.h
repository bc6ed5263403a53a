// Runs a cleanup when a scope ends, however it ends (return, exception):
//   ScopeExit release([&] { png_destroy_read_struct(&png, &info, nullptr); });
#pragma once

#include <utility>

namespace vn {

template <typename F>
class ScopeExit {
 public:
  explicit ScopeExit(F fn) : fn_(std::move(fn)) {}
  ~ScopeExit() { fn_(); }
  ScopeExit(const ScopeExit&) = delete;
  ScopeExit& operator=(const ScopeExit&) = delete;

 private:
  F fn_;
};

}  // namespace vn
