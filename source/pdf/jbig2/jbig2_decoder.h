// The JBIG2Decode filter's decoder: the encoded bytes of a PDF image stream
// (an embedded JBIG2 stream) and the bytes of its JBIG2Globals stream in,
// the page bitmap out as rows of (width + 7) / 8 bytes, top first, leftmost
// pixel in the most significant bit, every byte inverted: 0 black, 1 white,
// as the DeviceGray samples of a 1-bit image.
//
// Decoding happens once, on the first read, within a work budget
// (kDefaultMaxWork, see TvnWorkBudget) and the bitmap cap. Damaged data give
// the page as far as it could be decoded. Data without a page, or with a
// page over the cap, give a white image of the size the PDF image declares
// (the width and height given), or no data when none was given (a stream
// that is no image). Nothing raises.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "pdf/jbig2/image_bitmap.h"
#include "runtime/byte_decoder.h"

namespace vn::pdf::jbig2 {

// Work allowed for one stream, in the units of TvnWorkBudget (one per pixel
// decoded, about a pixel's decoding time per symbol, instance or cell):
// about two seconds at most, twice what a page of the bitmap cap takes.
inline constexpr int64_t kDefaultMaxWork = int64_t{1} << 29;

// Page 1 (or else the first page) of an embedded JBIG2 stream, with the
// global segments of `globals`; null when the data hold no page or the page
// exceeds the cap or the budget leaves nothing.
std::unique_ptr<TvnImageBitmap> DecodeEmbeddedPage(std::span<const uint8_t> data, std::span<const uint8_t> globals,
                                                   int64_t maxWork = kDefaultMaxWork);

class TvnJBIG2Decoder final : public codec::ByteDecoder {
 public:
  // `width` and `height`: the image's declared size, 0 when unknown.
  TvnJBIG2Decoder(codec::ByteSource& source, std::string globals, int64_t width = 0, int64_t height = 0);

  void SetMaxWork(int64_t units) { max_work_ = units; }
  // The decoded page (decoding it first); null when there is none.
  const TvnImageBitmap* Page();

 protected:
  size_t DoRead(uint8_t* buffer, size_t count) override;
  void DoReset() override { pos_ = 0; }

 private:
  void Decode();

  codec::ByteSource& source_;
  std::string globals_;
  int64_t width_;
  int64_t height_;
  int64_t max_work_ = kDefaultMaxWork;
  bool decoded_ = false;
  std::unique_ptr<TvnImageBitmap> page_;
  std::vector<uint8_t> output_;
  size_t pos_ = 0;
};

}  // namespace vn::pdf::jbig2
