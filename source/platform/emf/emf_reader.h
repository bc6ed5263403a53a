// Reading enhanced metafiles: the header check and the record enumeration.
//
// EmfFile takes the bytes of a metafile (it keeps a copy), checks the header
// and cuts the file into records. A record whose size is not a multiple of
// four, below eight, or runs past the end of the file ends the enumeration
// (nothing after it can be trusted) and is reported; so is a missing EMR_EOF.
// Per-record decoding is in emf_records.h; a record that does not decode is
// the caller's to drop and report.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/emf/emf_records.h"
#include "runtime/byte_reader.h"
#include "runtime/diagnostics.h"
#include "runtime/exceptions.h"

namespace vn::platform::emf {

// Raised when bytes are not an enhanced metafile at all.
VN_DECLARE_EXCEPTION(EEmfError, Exception);

struct Record {
  uint32_t type = 0;
  size_t offset = 0;                 // of the record in the file
  std::span<const std::byte> bytes;  // the whole record, prefix included
  // The bytes after the type/size prefix.
  ByteReader Payload() const { return ByteReader(bytes.subspan(8)); }
};

// Reports damage in a record to a sink that may be null.
inline void ReportRecord(Diagnostics* sink, const Record& rec, std::string message) {
  ReportTo(sink, {.offset = rec.offset, .record = rec.type, .message = std::move(message)});
}

class EmfFile {
 public:
  // Throws EEmfError "Not an enhanced metafile" when the first record is not
  // a valid header. Damage after the header ends the record list and is
  // reported to `diagnostics` (when given).
  explicit EmfFile(std::string bytes, Diagnostics* diagnostics = nullptr);
  // The records point into the bytes held here: no copies, no moves.
  EmfFile(const EmfFile&) = delete;
  EmfFile& operator=(const EmfFile&) = delete;

  // True when the first bytes look like an enhanced metafile.
  static bool IsEmf(std::span<const std::byte> data);

  const EmrHeader& Header() const { return header_; }
  const std::vector<Record>& Records() const { return records_; }
  const std::string& Bytes() const { return bytes_; }
  // True when a GDI comment carries EMF+ records.
  bool HasEmfPlus() const { return hasEmfPlus_; }

  // The picture frame in reference-device pixels (the header frame is in
  // 0.01 mm, inclusive), as left, top, right, bottom with exclusive right
  // and bottom.
  // When less than half of the drawing's bounds lies inside the frame, the
  // bounds place the picture instead (some writers give a frame that misses
  // the drawing).
  RectL FramePixels() const;
  // The header's frame alone, in the same units: for metafiles whose frame
  // is known to be right (a page recorded here); {0, 0, 1, 1} when empty.
  RectL HeaderFramePixels() const;

 private:
  std::string bytes_;
  EmrHeader header_;
  std::vector<Record> records_;
  bool hasEmfPlus_ = false;
};

}  // namespace vn::platform::emf
