// Reads the PNG files poppler's pdfimages writes (non-interlaced, gray or
// RGB, no palette), for the tests that compare decoded images with them.
#pragma once

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

#include "pdf/filters/predictor.h"
#include "runtime/byte_reader.h"
#include "runtime/inflate.h"

namespace vn::pdf::testing {

struct Png {
  int width = 0;
  int height = 0;
  int bit_depth = 0;
  int channels = 0;
  std::string rows;  // unfiltered, without the filter bytes
};

// A non-interlaced PNG as pdfimages writes it: the IDAT data inflated and
// their row filters undone by the PNG predictor of the Flate filter.
inline std::optional<Png> ReadPng(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  const std::string file = bytes.str();
  ByteReader r(file);
  if (r.String(8) != "\x89PNG\r\n\x1a\n") return std::nullopt;
  Png png;
  std::string idat;
  while (r.ok() && !r.AtEnd()) {
    const uint32_t length = r.U32BE();
    const std::string type = r.String(4);
    ByteReader chunk = r.Sub(r.position(), length);
    r.Skip(static_cast<size_t>(length) + 4);
    if (type == "IHDR") {
      png.width = static_cast<int>(chunk.U32BE());
      png.height = static_cast<int>(chunk.U32BE());
      png.bit_depth = chunk.U8();
      const int color_type = chunk.U8();
      png.channels = color_type == 2 ? 3 : color_type == 0 ? 1 : 0;
    } else if (type == "IDAT") {
      idat += chunk.String(length);
    }
  }
  if (png.channels == 0) return std::nullopt;
  codec::SpanSource source(idat);
  codec::Inflater inflater(source);
  auto rows = filters::PredictorDecoder::Create(inflater, {15, png.width, png.channels, png.bit_depth});
  png.rows = rows->ReadAll();
  return png;
}

}  // namespace vn::pdf::testing
