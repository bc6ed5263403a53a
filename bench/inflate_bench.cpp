// Our inflater against zlib's inflate on one large Flate stream (about
// 24 MB of page-content-like text and image-like bytes compressed at the
// default level).
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <random>
#include <string>
#include <vector>

#include "runtime/inflate.h"

namespace {

const std::string& Original() {
  static const std::string data = [] {
    std::mt19937 rng(42);
    static const char* ops[] = {"BT /F1 9.5 Tf ", "72 712.4 Td ", "(Quarterly report) Tj ", "ET\n", "q 0.5 0 0 0.5 0 0 cm ",
                                "1 0 0 RG ", "300.25 400.75 l S\n", "Q\n", "/Im1 Do\n"};
    std::string s;
    while (s.size() < (16u << 20)) {
      s += ops[rng() % 9];
      if (rng() % 50 == 0) s += std::to_string(rng() % 100000);
    }
    // Image-like rows: smooth gradients with noise.
    for (int y = 0; y < 2000; ++y)
      for (int x = 0; x < 4000; ++x) s.push_back(static_cast<char>((x / 16 + y / 8 + rng() % 6) & 0xFF));
    return s;
  }();
  return data;
}

const std::string& Compressed() {
  static const std::string z = [] {
    const std::string& in = Original();
    uLongf size = compressBound(in.size());
    std::string out(size, '\0');
    compress2(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(in.data()), in.size(),
              Z_DEFAULT_COMPRESSION);
    out.resize(size);
    return out;
  }();
  return z;
}

void BM_OurInflater(benchmark::State& state) {
  const std::string& z = Compressed();
  std::vector<uint8_t> out(1 << 16);
  size_t total = 0;
  for (auto _ : state) {
    vn::codec::SpanSource source(z);
    vn::codec::Inflater inflater(source);
    total = 0;
    while (size_t n = inflater.Read(out.data(), out.size())) total += n;
    benchmark::DoNotOptimize(total);
  }
  if (total != Original().size()) state.SkipWithError("wrong size");
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(Original().size()));
}

void BM_ZlibInflate(benchmark::State& state) {
  const std::string& z = Compressed();
  std::vector<uint8_t> out(1 << 16);
  size_t total = 0;
  for (auto _ : state) {
    z_stream s{};
    inflateInit(&s);
    s.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(z.data()));
    s.avail_in = static_cast<uInt>(z.size());
    total = 0;
    int rc;
    do {
      s.next_out = out.data();
      s.avail_out = static_cast<uInt>(out.size());
      rc = inflate(&s, Z_NO_FLUSH);
      total += out.size() - s.avail_out;
    } while (rc == Z_OK);
    inflateEnd(&s);
    benchmark::DoNotOptimize(total);
  }
  if (total != Original().size()) state.SkipWithError("wrong size");
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(Original().size()));
}

BENCHMARK(BM_OurInflater)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ZlibInflate)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
