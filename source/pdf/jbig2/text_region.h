// The text region of JBIG2 (T.88 6.4, segment types 4, 6 and 7): symbol
// bitmaps, some of them refined, placed in strips by the arithmetic or the
// Huffman decoder. DecodeTextRegion is the decoding procedure itself, which
// symbol dictionaries also run for their aggregate symbols with their own
// contexts; TvnTextRegion is the segment, which reads its header, gathers
// the symbols of the dictionaries it refers to and runs the procedure on
// the first GetRegionBitmap.
//
// Counts and indices come from the file: symbol IDs outside the symbols
// given, refinements of impossible sizes and data that run out raise
// TvnJBIG2Exception inside the procedure, which then ends and keeps the
// instances placed so far (a partially decoded region). The work of every
// instance is charged to the TvnWorkBudget.
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

// Reference corners of T.88 7.4.3.1.1.
enum TvnReferenceCorner { kBottomLeft = 0, kTopLeft = 1, kBottomRight = 2, kTopRight = 3 };

// The arithmetic contexts of the procedure; a symbol dictionary keeps one
// set for all its aggregate symbols, sharing IAID, IARDX and IARDY with its
// single refinements.
struct TvnTextRegionContexts {
  explicit TvnTextRegionContexts(int symCodeLen)
      : iaid(1 << symCodeLen, 1) {}
  TvnCX iadt{512, 1}, iafs{512, 1}, iads{512, 1}, iait{512, 1}, iari{512, 1};
  TvnCX iardw{512, 1}, iardh{512, 1}, iardx{512, 1}, iardy{512, 1};
  TvnCX iaid;
};

struct TvnTextRegionParams {
  bool huffman = false;     // SBHUFF
  bool refine = false;      // SBREFINE
  int64_t width = 0;        // SBW
  int64_t height = 0;       // SBH
  int64_t instances = 0;    // SBNUMINSTANCES
  int logStrips = 0;        // LOGSBSTRIPS
  const std::vector<const TvnImageBitmap*>* symbols = nullptr;  // SBSYMS
  int symCodeLen = 0;       // SBSYMCODELEN
  int defaultPixel = 0;     // SBDEFPIXEL
  FCombinationOPerator op = FCombinationOPerator::OROP;  // SBCOMBOP
  bool transposed = false;  // TRANSPOSED
  int refCorner = kTopLeft; // REFCORNER
  int dsOffset = 0;         // SBDSOFFSET
  // Huffman tables (SBHUFF): FS, DS, DT, RDW, RDH, RDX, RDY, RSIZE.
  const TvnHuffmanTable* fs = nullptr;
  const TvnHuffmanTable* ds = nullptr;
  const TvnHuffmanTable* dt = nullptr;
  const TvnHuffmanTable* rdw = nullptr;
  const TvnHuffmanTable* rdh = nullptr;
  const TvnHuffmanTable* rdx = nullptr;
  const TvnHuffmanTable* rdy = nullptr;
  const TvnHuffmanTable* rsize = nullptr;
  // The symbol ID table; null: fixed codes of symCodeLen bits.
  const TvnHuffmanTable* symbolIds = nullptr;
  int rTemplate = 0;        // SBRTEMPLATE
  int8_t rAtX[2] = {-1, -1};
  int8_t rAtY[2] = {-1, -1};
};

// Runs the text region decoding procedure. Arithmetic decoding uses
// `decoder` with `contexts` and `refinementContexts` (8192); Huffman
// decoding reads `stream` bit by bit, and each refinement's arithmetic data
// (BMSIZE bytes) with a decoder of its own and `refinementContexts`.
std::unique_ptr<TvnImageBitmap> DecodeTextRegion(const TvnTextRegionParams& params, TvnIOStream& stream,
                                                 TvnArithmeticDecoder* decoder, TvnTextRegionContexts* contexts,
                                                 TvnCX& refinementContexts);

// ceil(log2(count)), 0 for a count of 0 or 1.
int SymbolCodeLength(int64_t count);

// The user tables among the segments a segment refers to, in order.
std::vector<std::unique_ptr<TvnHuffmanTable>> ReferredUserTables(const TvnSegmentHeader& header);

class TvnTextRegion : public TvnIRegion {
 public:
  void Init(TvnSegmentHeader* header, std::unique_ptr<TvnIOStream> stream) override;
  TvnImageBitmap* GetRegionBitmap() override;
  TvnRegionSegmentInformation* GetRegionInfo() override { return region_info_.get(); }

  const TvnTextRegionParams& Params() const { return params_; }

 private:
  void Decode();
  // Reads the symbol ID Huffman table (T.88 7.4.3.1.7) for `count` symbols.
  std::unique_ptr<TvnHuffmanTable> ReadSymbolIdTable(int64_t count);

  TvnSegmentHeader* header_ = nullptr;
  std::unique_ptr<TvnIOStream> stream_;
  std::unique_ptr<TvnRegionSegmentInformation> region_info_;
  TvnTextRegionParams params_;
  int huffman_selection_[8] = {};  // FS, DS, DT, RDW, RDH, RDX, RDY, RSIZE
  std::unique_ptr<TvnImageBitmap> bitmap_;
  bool decoded_ = false;
};

}  // namespace vn::pdf::jbig2
