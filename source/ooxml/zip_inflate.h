// The zip layer's inflater: one deflate stream (zip method 8) or Deflate64
// stream (method 9) read from a stream and written to a stream, with the
// CRC-32 (or Adler-32) of the output. It drives the runtime's inflate core
// in its strict raw mode, so damage the core meets becomes EAbInflateError
// with the cause named.
#pragma once

#include <cstdint>

#include "ooxml/zip_utils.h"
#include "runtime/streams.h"

namespace vn::ooxml {

// Inflates from the current position of `source` into `dest` and answers
// the checksum of the output: the complemented CRC-32, or the Adler-32 with
// kAdler32Option. `helper` (may be null) gives the options (kDeflate64Option,
// kAdler32Option, kTestOnlyOption: decode without writing), PartialSize,
// StreamSize, OnProgressStep and LogFile, and receives NormalSize (bytes
// produced) and CompressedSize (bytes consumed).
//
// Stopping at PartialSize, or an EAbAbortProgress or EAbPartSizedInflate
// raised by the progress callback or the destination, ends the run quietly
// with the result 0; the output produced so far stays written. Damaged data
// raise EAbInflateError; stream errors pass through. Afterwards `source`
// stands just after the last byte whose bits were used.
uint32_t Inflate(TStream& source, TStream& dest, TAbDeflateHelper* helper);

}  // namespace vn::ooxml
