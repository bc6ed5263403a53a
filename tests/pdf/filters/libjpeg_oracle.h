// libjpeg as the oracle of the project's JPEG decoder in tests: its decoding
// with the accurate integer IDCT and plain (box) upsampling, as `djpeg -dct
// int -nosmooth` does it.
#pragma once

#include <jpeglib.h>

#include <algorithm>
#include <csetjmp>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>

namespace vn::pdf::testing {

struct Image {
  int width = 0;
  int height = 0;
  int components = 0;
  std::string pixels;
};

struct ErrorManager {
  jpeg_error_mgr base;
  std::jmp_buf jump;
};

inline void OnLibjpegError(j_common_ptr info) { std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->jump, 1); }

// YCbCr becomes RGB, YCCK CMYK, and the rest stays as coded, unless `out`
// asks for another colour space (or `in` says what the data are); nothing
// when libjpeg refuses the data. Warnings are not printed.
inline std::optional<Image> Libjpeg(const std::string& jpeg, J_COLOR_SPACE out = JCS_UNKNOWN, J_COLOR_SPACE in = JCS_UNKNOWN) {
  jpeg_decompress_struct info;
  ErrorManager errors;
  Image image;
  info.err = jpeg_std_error(&errors.base);
  errors.base.error_exit = OnLibjpegError;
  errors.base.output_message = [](j_common_ptr) {};
  if (setjmp(errors.jump)) {
    jpeg_destroy_decompress(&info);
    return std::nullopt;
  }
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(jpeg.data()), static_cast<unsigned long>(jpeg.size()));
  jpeg_read_header(&info, TRUE);
  info.dct_method = JDCT_ISLOW;
  info.do_fancy_upsampling = FALSE;
  if (in != JCS_UNKNOWN) info.jpeg_color_space = in;
  if (out != JCS_UNKNOWN) info.out_color_space = out;
  jpeg_start_decompress(&info);
  image.width = static_cast<int>(info.output_width);
  image.height = static_cast<int>(info.output_height);
  image.components = info.output_components;
  const size_t stride = static_cast<size_t>(image.width) * static_cast<size_t>(image.components);
  image.pixels.resize(stride * static_cast<size_t>(image.height));
  while (info.output_scanline < info.output_height) {
    JSAMPROW row = reinterpret_cast<JSAMPROW>(&image.pixels[info.output_scanline * stride]);
    jpeg_read_scanlines(&info, &row, 1);
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  return image;
}

// How far two decodings of one image are apart, sample by sample; 256 when
// their sizes differ or they are empty.
struct Difference {
  int max = 0;
  double mean = 0;
};

inline Difference Compare(const std::string& a, const std::string& b) {
  Difference d;
  if (a.size() != b.size() || a.empty()) return {256, 256};
  uint64_t sum = 0;
  for (size_t i = 0; i < a.size(); ++i) {
    const int diff = std::abs(static_cast<uint8_t>(a[i]) - static_cast<uint8_t>(b[i]));
    d.max = std::max(d.max, diff);
    sum += static_cast<uint64_t>(diff);
  }
  d.mean = static_cast<double>(sum) / static_cast<double>(a.size());
  return d;
}

}  // namespace vn::pdf::testing
