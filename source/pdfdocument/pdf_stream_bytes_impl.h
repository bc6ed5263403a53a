// Reading the decoded data of a PDF stream object whole, up to a cap.
#pragma once

#include <cstdint>
#include <memory>

#include "pdf/objects.h"
#include "runtime/exceptions.h"
#include "runtime/streams.h"

namespace vn::pdfdoc {

// The decoded bytes of the stream object, at most AMaxBytes of them, in a
// new memory stream at position 0; a stream that cannot be decoded to its
// end keeps what it gave. Null for a null object or one without data.
inline std::unique_ptr<vn::TMemoryStream> ReadDecodedStream(vn::pdf::TvnPDStream* AStream, int64_t AMaxBytes) {
  if (!AStream || !AStream->GetStream()) return nullptr;
  auto mem = std::make_unique<vn::TMemoryStream>();
  try {
    AStream->Reset();
    uint8_t buffer[4096];
    for (int64_t total = 0; total < AMaxBytes;) {
      const int64_t want = AMaxBytes - total < int64_t{sizeof buffer} ? AMaxBytes - total : int64_t{sizeof buffer};
      const size_t n = AStream->Read(buffer, static_cast<size_t>(want));
      if (n == 0) break;
      total += static_cast<int64_t>(n);
      mem->WriteBuffer(buffer, static_cast<int64_t>(n));
    }
  } catch (const vn::Exception&) {
  }
  mem->Seek(0, vn::SeekOrigin::soBeginning);
  return mem;
}

}  // namespace vn::pdfdoc
