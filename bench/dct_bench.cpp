// The project's JPEG decoder against libjpeg-turbo on large photograph-like
// JPEGs (3000 x 2000 and 4000 x 3000): baseline 4:2:0 at two qualities,
// 4:4:4, progressive, and grey. The pictures are made here: several octaves
// of smooth noise with edges and fine grain, coded by libjpeg-turbo as a
// camera would (quality 85 to 95). libjpeg-turbo decodes as `djpeg -dct int
// -nosmooth` does (accurate integer IDCT, plain upsampling), the same work
// the project's decoder does; both deliver interleaved 8-bit samples row by
// row. Compare the two times of each picture.
#include <benchmark/benchmark.h>
#include <jpeglib.h>

#include <cmath>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "pdf/filters/dct.h"

namespace {

struct Picture {
  const char* name;
  int width;
  int height;
  int components;
  int quality;
  int h_sampling;  // of the first component
  int v_sampling;
  bool progressive;
};

const Picture kPictures[] = {
    {"3000x2000 4:2:0 q90", 3000, 2000, 3, 90, 2, 2, false},
    {"4000x3000 4:2:0 q85", 4000, 3000, 3, 85, 2, 2, false},
    {"3000x2000 4:4:4 q95", 3000, 2000, 3, 95, 1, 1, false},
    {"3000x2000 4:2:0 q90 progressive", 3000, 2000, 3, 90, 2, 2, true},
    {"3000x2000 grey q90", 3000, 2000, 1, 90, 1, 1, false},
};

// Value noise: a lattice of random values, smoothly interpolated.
class Noise {
 public:
  explicit Noise(uint32_t seed) {
    std::mt19937 random(seed);
    for (float& v : lattice_) v = static_cast<float>(random() % 1024) / 1023.0f;
  }
  float At(float x, float y) const {
    const int x0 = static_cast<int>(std::floor(x)), y0 = static_cast<int>(std::floor(y));
    const float fx = Smooth(x - static_cast<float>(x0)), fy = Smooth(y - static_cast<float>(y0));
    const float a = V(x0, y0), b = V(x0 + 1, y0), c = V(x0, y0 + 1), d = V(x0 + 1, y0 + 1);
    return (a + (b - a) * fx) * (1 - fy) + (c + (d - c) * fx) * fy;
  }

 private:
  static float Smooth(float t) { return t * t * (3 - 2 * t); }
  float V(int x, int y) const { return lattice_[static_cast<size_t>((x * 73856093) ^ (y * 19349663)) & 4095]; }
  float lattice_[4096];
};

// A photograph-like picture: large soft shapes, a few hard edges, texture
// and sensor grain.
std::vector<uint8_t> Pixels(const Picture& p) {
  std::vector<uint8_t> pixels(static_cast<size_t>(p.width) * static_cast<size_t>(p.height) *
                              static_cast<size_t>(p.components));
  const Noise noise[3] = {Noise(1), Noise(2), Noise(3)};
  std::mt19937 grain(7);
  size_t i = 0;
  for (int y = 0; y < p.height; ++y)
    for (int x = 0; x < p.width; ++x)
      for (int c = 0; c < p.components; ++c) {
        const Noise& n = noise[c];
        float v = 0, scale = 1.0f / 700, weight = 0.5f;
        for (int octave = 0; octave < 8; ++octave, scale *= 2.2f, weight *= 0.68f)
          v += weight * n.At(static_cast<float>(x) * scale, static_cast<float>(y) * scale);
        if (n.At(static_cast<float>(x) / 400, static_cast<float>(y) / 300) > 0.6f) v += 0.25f;  // edges
        const int value = static_cast<int>(v * 230) + static_cast<int>(grain() % 17) - 8;
        pixels[i++] = static_cast<uint8_t>(std::clamp(value, 0, 255));
      }
  return pixels;
}

std::string Encode(const Picture& p) {
  const std::vector<uint8_t> pixels = Pixels(p);
  jpeg_compress_struct info;
  jpeg_error_mgr errors;
  info.err = jpeg_std_error(&errors);
  jpeg_create_compress(&info);
  unsigned char* out = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &out, &size);
  info.image_width = static_cast<JDIMENSION>(p.width);
  info.image_height = static_cast<JDIMENSION>(p.height);
  info.input_components = p.components;
  info.in_color_space = p.components == 3 ? JCS_RGB : JCS_GRAYSCALE;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, p.quality, TRUE);
  info.comp_info[0].h_samp_factor = p.h_sampling;
  info.comp_info[0].v_samp_factor = p.v_sampling;
  if (p.progressive) jpeg_simple_progression(&info);
  jpeg_start_compress(&info, TRUE);
  const size_t stride = static_cast<size_t>(p.width) * static_cast<size_t>(p.components);
  while (info.next_scanline < info.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(&pixels[info.next_scanline * stride]);
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  std::string jpeg(reinterpret_cast<const char*>(out), size);
  jpeg_destroy_compress(&info);
  std::free(out);
  return jpeg;
}

const std::string& Jpeg(size_t index) {
  static std::vector<std::string> jpegs(std::size(kPictures));
  if (jpegs[index].empty()) jpegs[index] = Encode(kPictures[index]);
  return jpegs[index];
}

void SetCounters(benchmark::State& state, const Picture& p, size_t bytes) {
  state.SetLabel(p.name + std::string(", ") + std::to_string(Jpeg(static_cast<size_t>(state.range(0))).size() / 1024) +
                 " KB");
  state.counters["Mpixel/s"] = benchmark::Counter(static_cast<double>(p.width) * p.height,
                                                  benchmark::Counter::kIsIterationInvariantRate);
  if (bytes != static_cast<size_t>(p.width) * static_cast<size_t>(p.height) * static_cast<size_t>(p.components))
    state.SkipWithError("incomplete output");
}

void BM_ProjectDecoder(benchmark::State& state) {
  const Picture& p = kPictures[state.range(0)];
  const std::string& jpeg = Jpeg(static_cast<size_t>(state.range(0)));
  std::vector<uint8_t> chunk(1 << 16);
  size_t total = 0;
  for (auto _ : state) {
    vn::codec::SpanSource source(jpeg);
    vn::pdf::filters::DctDecoder decoder(source);
    total = 0;
    for (size_t n; (n = decoder.Read(chunk.data(), chunk.size())) > 0;) total += n;
    benchmark::DoNotOptimize(chunk.data());
  }
  SetCounters(state, p, total);
}

void BM_LibjpegTurbo(benchmark::State& state) {
  const Picture& p = kPictures[state.range(0)];
  const std::string& jpeg = Jpeg(static_cast<size_t>(state.range(0)));
  std::vector<uint8_t> rows;
  size_t total = 0;
  for (auto _ : state) {
    jpeg_decompress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(jpeg.data()), static_cast<unsigned long>(jpeg.size()));
    jpeg_read_header(&info, TRUE);
    info.dct_method = JDCT_ISLOW;
    info.do_fancy_upsampling = FALSE;
    jpeg_start_decompress(&info);
    const size_t stride = static_cast<size_t>(info.output_width) * static_cast<size_t>(info.output_components);
    rows.resize(stride * 16);
    total = 0;
    while (info.output_scanline < info.output_height) {
      JSAMPROW lines[16];
      for (int i = 0; i < 16; ++i) lines[i] = &rows[static_cast<size_t>(i) * stride];
      total += jpeg_read_scanlines(&info, lines, 16) * stride;
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    benchmark::DoNotOptimize(rows.data());
  }
  SetCounters(state, p, total);
}

BENCHMARK(BM_ProjectDecoder)->DenseRange(0, std::size(kPictures) - 1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LibjpegTurbo)->DenseRange(0, std::size(kPictures) - 1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
