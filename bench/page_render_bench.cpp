// Drawing the first page of PDF files at 96 dpi: straight onto a bitmap and
// recorded as a metafile. The files are the arguments after the benchmark
// options (default: a few pages of the shared corpus), e.g.
//   page_render_bench --benchmark_min_time=0.01 a.pdf b.pdf
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "pdfdocument/page_renderer.h"
#include "pdfdocument/pdf_document_handler.h"
#include "platform/images/image_codecs.h"

namespace {

void RenderFirstPage(benchmark::State& AState, const std::string& APath, bool AMetafile) {
  for (auto _ : AState) {
    vn::pdfdoc::TvnPDFDocumentHandler handler;
    try {
      handler.LoadDocument(std::filesystem::path(APath));
    } catch (const std::exception& e) {
      AState.SkipWithError(e.what());
      return;
    }
    vn::pdfdoc::TvnPDPage* page = handler.GetPage(1);
    if (!page) {
      AState.SkipWithError("no first page");
      return;
    }
    if (AMetafile) {
      const std::string emf = vn::pdfdoc::RenderPageToMetafile(*page, 96);
      // VN_RENDER_BENCH_DUMP names a folder that receives the recordings, to
      // compare the output of two builds byte for byte (the bitmaps as PNG).
      if (const char* dump = std::getenv("VN_RENDER_BENCH_DUMP"))
        std::ofstream(std::filesystem::path(dump) / (std::filesystem::path(APath).filename().string() + ".emf"),
                      std::ios::binary)
            << emf;
      benchmark::DoNotOptimize(emf);
    } else {
      const vn::platform::Bitmap bitmap = vn::pdfdoc::RenderPageToBitmap(*page, 96);
      if (const char* dump = std::getenv("VN_RENDER_BENCH_DUMP"))
        std::ofstream(std::filesystem::path(dump) / (std::filesystem::path(APath).filename().string() + ".png"),
                      std::ios::binary)
            << vn::platform::EncodePng(bitmap);
      benchmark::DoNotOptimize(bitmap);
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  std::vector<std::string> files(argv + 1, argv + argc);
  if (files.empty()) {
    const std::string corpus = "/work/shared/corpus/pdf/";
    files = {corpus + "pdfjs_tracemonkey.pdf", corpus + "pdfjs_TAMReview.pdf", corpus + "pdfjs_alphatrans.pdf"};
  }
  for (const std::string& f : files) {
    const std::string name = std::filesystem::path(f).filename().string();
    benchmark::RegisterBenchmark((name + "/bitmap").c_str(), RenderFirstPage, f, false)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark((name + "/metafile").c_str(), RenderFirstPage, f, true)
        ->Unit(benchmark::kMillisecond);
  }
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
