// The symbol dictionary of JBIG2 (T.88 6.5, segment type 0): symbols decoded
// as generic regions, as refinements or aggregates of earlier symbols
// (through the text region procedure), or cut from the collective bitmap of
// a Huffman-coded height class; imported symbols of the dictionaries it
// refers to; and the export flags that pick the symbols it offers to text
// regions and later dictionaries.
//
// The header is read by Init; the symbols are decoded on the first
// GetDictionary and kept. Counts come from the file: more than kMaxSymbols
// symbols, symbol IDs out of range, sizes over the bitmap cap and data that
// run out raise TvnJBIG2Exception; a dictionary that failed fails again at
// once when asked a second time.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "pdf/jbig2/arithmetic_decoder.h"
#include "pdf/jbig2/huffman_table.h"
#include "pdf/jbig2/image_bitmap.h"
#include "pdf/jbig2/segment_header.h"
#include "pdf/jbig2/segments.h"

namespace vn::pdf::jbig2 {

// The most symbols a dictionary may hold with its imports, and the longest
// symbol code that allows (its IAID table has 2^length contexts).
inline constexpr int kMaxSymbolCodeLength = 20;
inline constexpr int64_t kMaxSymbols = int64_t{1} << kMaxSymbolCodeLength;

class TvnSymbolDictionary : public TvnIDictionary {
 public:
  void Init(TvnSegmentHeader* header, std::unique_ptr<TvnIOStream> stream) override;
  const std::vector<TvnImageBitmap*>* GetDictionary() override;

  bool IsHuffmanEncoded() const { return huffman_; }
  bool UsesRefinementAggregation() const { return refagg_; }
  int64_t GetAmountOfExportSymbols() const { return num_export_; }
  int64_t GetAmountOfNewSymbols() const { return num_new_; }
  bool IsCodingContextRetained() const { return context_retained_; }
  // The generic and refinement contexts as decoding left them, when the
  // dictionary retains them; null otherwise.
  const TvnCX* RetainedGenericContexts() const { return context_retained_ ? gb_cx_.get() : nullptr; }
  const TvnCX* RetainedRefinementContexts() const { return context_retained_ ? gr_cx_.get() : nullptr; }

 private:
  void Decode();
  // Takes over the coding state of the last dictionary referred to (T.88
  // 7.4.2.2 step 3).
  void InheritContexts();

  TvnSegmentHeader* header_ = nullptr;
  std::unique_ptr<TvnIOStream> stream_;
  bool huffman_ = false;
  bool refagg_ = false;
  int huff_dh_ = 0;
  int huff_dw_ = 0;
  int huff_bmsize_ = 0;
  int huff_agginst_ = 0;
  bool context_used_ = false;
  bool context_retained_ = false;
  int template_ = 0;
  int r_template_ = 0;
  std::vector<int8_t> at_x_, at_y_;
  int8_t r_at_x_[2] = {-1, -1};
  int8_t r_at_y_[2] = {-1, -1};
  int64_t num_export_ = 0;
  int64_t num_new_ = 0;

  std::unique_ptr<TvnCX> gb_cx_;
  std::unique_ptr<TvnCX> gr_cx_;
  std::vector<std::unique_ptr<TvnImageBitmap>> new_symbols_;
  std::vector<TvnImageBitmap*> export_;
  bool decoded_ = false;
  bool failed_ = false;
};

}  // namespace vn::pdf::jbig2
