// The generic region of JBIG2: a bitmap coded with MMR or with the
// arithmetic decoder over one of four context templates (or the extended
// template of twelve adaptive pixels), with optional typical prediction.
//
// As a segment (types 36, 38, 39) it reads its header from the segment's
// data and decodes on the first GetRegionBitmap. Symbol dictionaries,
// pattern dictionaries and halftone regions drive it through SetParameters
// instead; a decoder or context table handed in stays with the caller, and
// ResetBitmap lets the caller decode the next bitmap from where the data
// stands.
//
// Adaptive pixels may point anywhere within -128..127: pixels outside the
// bitmap, and pixels not decoded yet, count as 0. A bitmap larger than the
// size cap raises TvnJBIG2Exception; damaged MMR data keeps the rows decoded
// before the damage.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "pdf/jbig2/arithmetic_decoder.h"
#include "pdf/jbig2/image_bitmap.h"
#include "pdf/jbig2/segment_header.h"
#include "pdf/jbig2/segments.h"

namespace vn::pdf::jbig2 {

class TvnGenericRegion : public TvnIRegion {
 public:
  TvnGenericRegion() = default;
  // A region over a reader that the caller keeps.
  explicit TvnGenericRegion(TvnIOStream* subInputStream) : stream_(subInputStream) {}

  void Init(TvnSegmentHeader* header, std::unique_ptr<TvnIOStream> stream) override;
  TvnImageBitmap* GetRegionBitmap() override;
  TvnRegionSegmentInformation* GetRegionInfo() override { return region_info_.get(); }
  // Forgets the bitmap; decoder and contexts stay.
  void ResetBitmap() { bitmap_.reset(); }

  // An MMR-coded bitmap of `dataLength` bytes, `dataOffset` bytes into the reader.
  void SetParameters(bool isMMREncoded, int64_t gbh, int64_t gbw, int64_t dataLength, int64_t dataOffset);
  // A bitmap coded with the caller's decoder and contexts.
  void SetParameters(bool isMMREncoded, int gbTemplate, TvnArithmeticDecoder* decoder, TvnCX* cx, int64_t gbh,
                     int64_t gbw, std::span<const int8_t> gbAtX, std::span<const int8_t> gbAtY, bool isTPGDon);
  // A bitmap whose data lies `dataOffset` bytes into the reader.
  void SetParameters(bool isMMREncoded, int64_t gbh, std::span<const int8_t> gbAtX, std::span<const int8_t> gbAtY,
                     bool isTPGDon, int gbTemplate, int64_t gbw, int64_t dataLength, int64_t dataOffset);
  // The same with adaptive pixels beyond -128..127 (a pattern dictionary's
  // first one lies a whole pattern width to the left).
  void SetParameters(bool isMMREncoded, int64_t gbh, std::span<const int> gbAtX, std::span<const int> gbAtY,
                     bool isTPGDon, int gbTemplate, int64_t gbw, int64_t dataLength, int64_t dataOffset);
  // Pixels set in `skip` (of the region's size; null for none) are 0 and
  // not decoded (USESKIP of a halftone's gray-scale planes). Not owned.
  void SetSkip(const TvnImageBitmap* skip) { skip_ = skip; }
  // Hands the decoded bitmap over to the caller (decoding it first).
  std::unique_ptr<TvnImageBitmap> TakeRegionBitmap();

  bool IsMMREncoded() const { return is_mmr_; }
  int GetGbTemplate() const { return gb_template_; }
  bool UsesExtTemplate() const { return use_ext_template_; }
  bool IsTPGDon() const { return is_tpgdon_; }
  const std::vector<int>& GetGbAtX() const { return at_x_; }
  const std::vector<int>& GetGbAtY() const { return at_y_; }
  int64_t GetDataOffset() const { return data_offset_; }
  int64_t GetDataLength() const { return data_length_; }

 private:
  void ParseHeader(bool ends_with_row_count);
  void SetAtPixels(std::span<const int> x, std::span<const int> y);
  // The settings every SetParameters form makes, with a fresh region information.
  void Configure(bool isMMREncoded, int gbTemplate, bool isTPGDon, int64_t gbw, int64_t gbh,
                 std::span<const int> gbAtX, std::span<const int> gbAtY);
  void DecodeArithmetic();

  std::unique_ptr<TvnIOStream> owned_stream_;
  TvnIOStream* stream_ = nullptr;
  std::unique_ptr<TvnRegionSegmentInformation> region_info_;
  int64_t data_offset_ = 0;
  int64_t data_length_ = 0;
  bool use_ext_template_ = false;
  bool is_tpgdon_ = false;
  int gb_template_ = 0;
  bool is_mmr_ = false;
  std::vector<int> at_x_;
  std::vector<int> at_y_;
  const TvnImageBitmap* skip_ = nullptr;
  std::vector<bool> at_override_;  // per adaptive pixel: not at its nominal place
  std::unique_ptr<TvnImageBitmap> bitmap_;
  std::unique_ptr<TvnArithmeticDecoder> owned_decoder_;
  TvnArithmeticDecoder* decoder_ = nullptr;
  std::unique_ptr<TvnCX> owned_cx_;
  TvnCX* cx_ = nullptr;
};

}  // namespace vn::pdf::jbig2
