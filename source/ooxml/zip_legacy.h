// Decoders of the old zip methods: shrinking (method 1, dynamic LZW with
// partial clearing), reducing (methods 2 to 5, compression factors 1 to 4)
// and imploding (method 6, Shannon-Fano trees over a 4 or 8 KiB window).
//
// Output stops at the item's uncompressed size or when the input is used
// up, whichever comes first. Damaged data (an LZW code beyond 13 bits, a
// follower set or tree that overflows its table) end the decoding early,
// and the CRC check of the member extraction then fails the item. Matches
// reaching before the start of the output copy zeros. History comes from
// the decoder's own window, never from re-reading the output.
#pragma once

#include <cstdint>

#include "ooxml/zip_records.h"
#include "runtime/streams.h"

namespace vn::ooxml {

class TAbUnzipHelper {
 public:
  // Borrows both streams.
  TAbUnzipHelper(TStream& input, TStream& output) : FZStream(input), FOutStream(output) {}

  // Decodes by the method; EAbZipInvalidMethod for a method other than 1
  // to 6.
  void Execute();

  TAbZipFileHeader::TAbZipDictionarySize DictionarySize = TAbZipFileHeader::TAbZipDictionarySize::dsInvalid;
  uint32_t UnCompressedSize = 0;
  uint8_t CompressionMethod = 8;
  int ShannonFanoTreeCount = 2;

 private:
  TStream& FZStream;
  TStream& FOutStream;
};

}  // namespace vn::ooxml
