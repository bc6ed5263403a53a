// Extracting a zip archive of about 200 MB with many members (text-like
// and incompressible files in nested folders, deflated by Info-ZIP zip)
// into a fresh folder: our unzipper beside Info-ZIP unzip in the same run,
// both timed on the wall clock. The archive is made once and kept in the
// temporary folder for later runs.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "ooxml/unzipper.h"

namespace {

namespace fs = std::filesystem;

const fs::path& Work() {
  static const fs::path dir = fs::temp_directory_path() / "vn_unzip_bench";
  return dir;
}

// The archive: 4000 members, about 400 MB of content, about 200 MB
// compressed (half of the members are incompressible).
const fs::path& Archive() {
  static const fs::path archive = [] {
    const fs::path zip = Work() / "bench200.zip";
    if (fs::exists(zip)) return zip;
    const fs::path tree = Work() / "tree";
    fs::remove_all(tree);
    std::mt19937 rng(2024);
    static const char* words[] = {"<w:p>", "<w:r>", "<w:t>", "document ", "archive ", "member ", "</w:t></w:r></w:p>\n",
                                  "relationship ", "style ", "12.5pt "};
    for (int i = 0; i < 4000; ++i) {
      const fs::path file = tree / ("part" + std::to_string(i % 40)) / ("sub" + std::to_string(i % 7)) /
                            ("member" + std::to_string(i) + (i % 2 ? ".xml" : ".bin"));
      fs::create_directories(file.parent_path());
      std::string data;
      const size_t size = 20000 + rng() % 160000;
      data.reserve(size);
      if (i % 2) {
        while (data.size() < size) data += words[rng() % 10];
      } else {
        while (data.size() < size) data.push_back(static_cast<char>(rng()));
      }
      std::ofstream(file, std::ios::binary) << data;
    }
    const std::string command = "cd '" + Work().string() + "' && zip -q -r bench200.zip tree";
    if (std::system(command.c_str()) != 0) return fs::path();
    fs::remove_all(tree);
    return zip;
  }();
  return archive;
}

void Fresh(const fs::path& out) {
  fs::remove_all(out);
  fs::create_directories(out);
}

void BM_OurUnzipper(benchmark::State& state) {
  if (Archive().empty()) return state.SkipWithError("zip could not make the archive");
  const fs::path out = Work() / "ours";
  for (auto _ : state) {
    state.PauseTiming();
    Fresh(out);
    state.ResumeTiming();
    vn::ooxml::TAbUnZipper unzipper;
    int failures = 0;
    unzipper.OnProcessItemFailure = [&failures](vn::ooxml::TAbBaseBrowser&, vn::ooxml::TAbArchiveItem*,
                                                vn::ooxml::TAbProcessType, vn::ooxml::TAbErrorClass, int) { ++failures; };
    unzipper.SetBaseDirectory(vn::FromUtf8(out.string()));
    unzipper.SetExtractOptions(vn::ooxml::eoCreateDirs | vn::ooxml::eoRestorePath);
    unzipper.SetFileName(vn::FromUtf8(Archive().string()));
    unzipper.ExtractFiles(u"*");
    if (failures > 0) state.SkipWithError("members failed");
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(fs::file_size(Archive())));
}

void BM_InfoZipUnzip(benchmark::State& state) {
  if (Archive().empty()) return state.SkipWithError("zip could not make the archive");
  const fs::path out = Work() / "unzip";
  const std::string command = "unzip -qq -o '" + Archive().string() + "' -d '" + out.string() + "'";
  for (auto _ : state) {
    state.PauseTiming();
    Fresh(out);
    state.ResumeTiming();
    if (std::system(command.c_str()) != 0) state.SkipWithError("unzip failed");
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(fs::file_size(Archive())));
}

BENCHMARK(BM_OurUnzipper)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3);
BENCHMARK(BM_InfoZipUnzip)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3);

}  // namespace

BENCHMARK_MAIN();
