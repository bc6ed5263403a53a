// Helpers the JBIG2 segment decoders share (internal to the pdf library).
#pragma once

#include <cstdint>

#include "pdf/jbig2/arithmetic_decoder.h"
#include "pdf/jbig2/exceptions.h"

namespace vn::pdf::jbig2::detail {

// Marker reads (TvnArithmeticDecoder::MarkerReads) past which arithmetic
// data count as exhausted: a well-formed segment ends after a handful.
inline constexpr int64_t kMaxMarkerReads = 4096;

[[noreturn]] inline void Fail(const char* what) { throw TvnJBIG2Exception(what); }

// A decoded value that may not be out of band.
inline int64_t Need(int64_t value, const char* what) {
  if (value == kOutOfBand) Fail(what);
  return value;
}

inline void CheckNotExhausted(const TvnArithmeticDecoder* decoder, const char* what) {
  if (decoder && decoder->MarkerReads() > kMaxMarkerReads) Fail(what);
}

}  // namespace vn::pdf::jbig2::detail
