// The project's JBIG2 decoder against jbig2dec (its library, in the same
// process) on the same embedded JBIG2 streams: each decodes the stream to
// its page bitmap. The inputs are the .jb2 files named by
// VN_JBIG2_BENCH_INPUTS (separated by ':'), by default
// bench/data/jbig2-largest.jb2, which bench/jbig2_bench_input.sh extracts
// from the corpus (the largest corpus JBIG2 image: a 2480 x 3507 page at
// 300 dpi). Both decoders are checked to give the same pixels first.
// Compare the two times of each input.
#include <benchmark/benchmark.h>

extern "C" {
#include <jbig2.h>
}

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "pdf/jbig2/jbig2_decoder.h"

namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

std::span<const uint8_t> Bytes(const std::string& s) {
  return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
}

// jbig2dec's page of an embedded stream: width, height and packed rows.
struct Page {
  uint32_t width = 0, height = 0, stride = 0;
  std::vector<uint8_t> rows;
};

Page Jbig2dec(const std::string& data) {
  Page page;
  Jbig2Ctx* ctx = jbig2_ctx_new(nullptr, JBIG2_OPTIONS_EMBEDDED, nullptr, nullptr, nullptr);
  jbig2_data_in(ctx, reinterpret_cast<const unsigned char*>(data.data()), data.size());
  jbig2_complete_page(ctx);
  if (Jbig2Image* image = jbig2_page_out(ctx)) {
    page.width = image->width;
    page.height = image->height;
    page.stride = image->stride;
    page.rows.assign(image->data, image->data + static_cast<size_t>(image->stride) * image->height);
    jbig2_release_page(ctx, image);
  }
  jbig2_ctx_free(ctx);
  return page;
}

bool SamePixels(const vn::pdf::jbig2::TvnImageBitmap& ours, const Page& theirs) {
  if (static_cast<uint32_t>(ours.GetWidth()) != theirs.width || static_cast<uint32_t>(ours.GetHeight()) != theirs.height)
    return false;
  for (int y = 0; y < ours.GetHeight(); ++y)
    for (int x = 0; x < ours.GetWidth(); ++x) {
      const int bit = (theirs.rows[static_cast<size_t>(y) * theirs.stride + static_cast<size_t>(x / 8)] >> (7 - x % 8)) & 1;
      if (ours.GetPixel(x, y) != bit) return false;
    }
  return true;
}

void Ours(benchmark::State& state, const std::string& data) {
  for (auto _ : state) {
    auto page = vn::pdf::jbig2::DecodeEmbeddedPage(Bytes(data), {});
    benchmark::DoNotOptimize(page.get());
  }
}

void Theirs(benchmark::State& state, const std::string& data) {
  for (auto _ : state) {
    Jbig2Ctx* ctx = jbig2_ctx_new(nullptr, JBIG2_OPTIONS_EMBEDDED, nullptr, nullptr, nullptr);
    jbig2_data_in(ctx, reinterpret_cast<const unsigned char*>(data.data()), data.size());
    jbig2_complete_page(ctx);
    Jbig2Image* image = jbig2_page_out(ctx);
    benchmark::DoNotOptimize(image);
    if (image) jbig2_release_page(ctx, image);
    jbig2_ctx_free(ctx);
  }
}

}  // namespace

int main(int argc, char** argv) {
  const char* env = std::getenv("VN_JBIG2_BENCH_INPUTS");
  std::string list = env ? env : "bench/data/jbig2-largest.jb2";
  std::vector<std::string> paths;
  for (size_t start = 0; start <= list.size();) {
    const size_t end = std::min(list.find(':', start), list.size());
    if (end > start) paths.push_back(list.substr(start, end - start));
    start = end + 1;
  }
  static std::vector<std::string> inputs;
  for (const std::string& path : paths) {
    const std::string data = ReadFile(path);
    if (data.empty()) {
      std::fprintf(stderr, "%s: missing or empty (run bench/jbig2_bench_input.sh)\n", path.c_str());
      return 1;
    }
    auto ours = vn::pdf::jbig2::DecodeEmbeddedPage(Bytes(data), {});
    const Page theirs = Jbig2dec(data);
    if (!ours || !SamePixels(*ours, theirs)) {
      std::fprintf(stderr, "%s: the decoders disagree\n", path.c_str());
      return 1;
    }
    inputs.push_back(data);
    const std::string name = path.substr(path.find_last_of('/') + 1) + " " + std::to_string(theirs.width) + "x" +
                             std::to_string(theirs.height);
    benchmark::RegisterBenchmark(("Ours/" + name).c_str(), Ours, inputs.back())->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("Jbig2dec/" + name).c_str(), Theirs, inputs.back())->Unit(benchmark::kMillisecond);
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
