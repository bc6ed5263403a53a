// Replays fuzz inputs through one of the program's fuzz targets without
// libFuzzer: the first argument names the target, every further one is a
// file or a folder of files. Used by the test run to push each target's seed
// corpus through the sanitizer build.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "replay_targets.h"

namespace {
int RunFile(const FuzzTarget& target, const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "cannot read %s\n", file.c_str());
    return 1;
  }
  std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  target.run(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  return 0;
}

const FuzzTarget* FindTarget(const char* name) {
  for (const FuzzTarget& target : FuzzTargets())
    if (std::strcmp(target.name, name) == 0) return &target;
  return nullptr;
}
}  // namespace

int main(int argc, char** argv) {
  const FuzzTarget* target = argc > 1 ? FindTarget(argv[1]) : nullptr;
  if (!target) {
    std::fprintf(stderr, "usage: %s TARGET INPUT...\ntargets:", argv[0]);
    for (const FuzzTarget& t : FuzzTargets()) std::fprintf(stderr, " %s", t.name);
    std::fprintf(stderr, "\n");
    return 2;
  }
  int failures = 0;
  int count = 0;
  for (int i = 2; i < argc; ++i) {
    std::filesystem::path arg(argv[i]);
    if (std::filesystem::is_directory(arg)) {
      for (const auto& entry : std::filesystem::recursive_directory_iterator(arg)) {
        if (entry.is_regular_file()) {
          failures += RunFile(*target, entry.path());
          ++count;
        }
      }
    } else {
      failures += RunFile(*target, arg);
      ++count;
    }
  }
  std::printf("replayed %d inputs through %s\n", count, target->name);
  return failures == 0 ? 0 : 1;
}
