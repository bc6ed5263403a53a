#include "pdf/jbig2/jbig2_decoder.h"

#include <algorithm>
#include <new>

#include "pdf/jbig2/document.h"
#include "pdf/jbig2/exceptions.h"
#include "runtime/exceptions.h"

namespace vn::pdf::jbig2 {

std::unique_ptr<TvnImageBitmap> DecodeEmbeddedPage(std::span<const uint8_t> data, std::span<const uint8_t> globals,
                                                   int64_t maxWork) {
  try {
    TvnWorkBudget budget(maxWork);
    std::unique_ptr<TvnJBIG2Document> globals_document;
    if (!globals.empty()) globals_document = std::make_unique<TvnJBIG2Document>(globals);
    TvnJBIG2Document document(data, globals_document.get());
    TvnJBIG2Page* page = document.GetFirstPage();
    if (!page) return nullptr;
    return page->TakeBitmap();
  } catch (const vn::Exception&) {
    return nullptr;
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

TvnJBIG2Decoder::TvnJBIG2Decoder(codec::ByteSource& source, std::string globals, int64_t width, int64_t height)
    : source_(source), globals_(std::move(globals)), width_(width), height_(height) {}

const TvnImageBitmap* TvnJBIG2Decoder::Page() {
  if (!decoded_) Decode();
  return page_.get();
}

void TvnJBIG2Decoder::Decode() {
  decoded_ = true;
  std::vector<uint8_t> data;
  source_.Rewind();
  uint8_t block[16384];
  for (;;) {
    const size_t got = source_.ReadSome(block, sizeof block);
    if (got == 0) break;
    data.insert(data.end(), block, block + got);
  }
  const auto* g = reinterpret_cast<const uint8_t*>(globals_.data());
  page_ = DecodeEmbeddedPage(data, std::span<const uint8_t>(g, globals_.size()), max_work_);
  if (page_) {
    output_ = page_->GetByteArray();
    for (uint8_t& byte : output_) byte = static_cast<uint8_t>(~byte);
  } else if (width_ > 0 && height_ > 0 && width_ <= kMaxBitmapPixels && height_ <= kMaxBitmapPixels / width_) {
    // No page: a white image of the declared size.
    output_.assign(static_cast<size_t>((width_ + 7) / 8 * height_), 0xFF);
  }
}

size_t TvnJBIG2Decoder::DoRead(uint8_t* buffer, size_t count) {
  if (!decoded_) Decode();
  const size_t n = std::min(count, output_.size() - pos_);
  std::copy_n(output_.begin() + static_cast<std::ptrdiff_t>(pos_), n, buffer);
  pos_ += n;
  return n;
}

}  // namespace vn::pdf::jbig2
