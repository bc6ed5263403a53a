#include "runtime/parallel.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace vn {

int PipelineWorkers() {
  static const int workers = [] {
    const char* sequential = std::getenv("VN_SEQUENTIAL");
    if (sequential != nullptr && *sequential != '\0' && std::strcmp(sequential, "0") != 0) return 0;
    const int hardware = static_cast<int>(std::thread::hardware_concurrency());
    return std::clamp(hardware - 1, 0, 2);
  }();
  return workers;
}

}  // namespace vn
