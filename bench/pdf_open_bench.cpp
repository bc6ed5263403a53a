// Opening a large PDF file and fetching every object of its
// cross-reference table (optionally reading the decoded data of every
// stream), beside `qpdf --check` on the same file, which parses and decodes
// every object. The file is VN_BENCH_PDF or the corpus's largest book.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "pdf/base_doc.h"

namespace {

std::string PdfPath() {
  if (const char* p = std::getenv("VN_BENCH_PDF")) return p;
  return (std::filesystem::path(__FILE__).parent_path() / "../../shared/corpus/pdf/pdfjs_freeculture.pdf").string();
}

void OpenAndFetch(benchmark::State& state, bool decode) {
  const std::string path = PdfPath();
  if (!std::filesystem::exists(path)) {
    state.SkipWithError("PDF file missing");
    return;
  }
  int64_t objects = 0;
  for (auto _ : state) {
    vn::pdf::TvnPDBaseDoc doc;
    doc.LoadDocument(std::filesystem::path(path), "");
    doc.GetDocRoot();
    vn::pdf::TvnPDXRef* xref = doc.GetReader()->GetXRef();
    objects = 0;
    for (int64_t n = 0; n < xref->GetSize(); ++n) {
      vn::pdf::TvnPDBaseObject* obj = doc.GetObject(n);
      if (!obj) continue;
      ++objects;
      if (decode && obj->IsStream()) {
        std::string data;
        obj->AsStream()->Reset();
        obj->AsStream()->GetStream()->Read(data, size_t{1} << 30);
        benchmark::DoNotOptimize(data.data());
      }
    }
  }
  state.counters["objects"] = static_cast<double>(objects);
}

void BM_OpenAndFetchEveryObject(benchmark::State& state) { OpenAndFetch(state, false); }
void BM_OpenFetchAndDecodeEveryObject(benchmark::State& state) { OpenAndFetch(state, true); }

void BM_QpdfCheck(benchmark::State& state) {
  const std::string path = PdfPath();
  const std::string command = "qpdf --check '" + path + "' > /dev/null 2>&1";
  for (auto _ : state) {
    const int rc = std::system(command.c_str());
    if (rc == -1 || rc == 127 * 256) {
      state.SkipWithError("qpdf not available");
      return;
    }
  }
}

BENCHMARK(BM_OpenAndFetchEveryObject)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_OpenFetchAndDecodeEveryObject)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_QpdfCheck)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
