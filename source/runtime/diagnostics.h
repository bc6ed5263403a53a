// The one channel through which readers of outside bytes report what they
// repaired or skipped: metafile records dropped, image data cut short,
// warnings of the image libraries, PDF objects rebuilt.
//
// A reader that meets damage it can live with keeps its lenient result and
// adds a Diagnostic here: where (a byte offset, a record type, an object
// number, whichever the format has) and what (a short English message).
// Reporting never changes what the reader returns. A damaged file can hold
// millions of faults, so only the first `cap` are kept; Count() still says
// how many there were.
//
// The caller owns the Diagnostics and lends it to readers as a pointer;
// null means nobody listens (the Report helpers accept it).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace vn {

struct Diagnostic {
  static constexpr uint64_t kNoOffset = UINT64_MAX;
  static constexpr int64_t kNoObject = -1;

  uint64_t offset = kNoOffset;  // byte offset in the input
  uint32_t record = 0;          // record type of a record-based format (0: none)
  int64_t object = kNoObject;   // object number of an object-based format
  std::string message;

  bool operator==(const Diagnostic&) const = default;
};

class Diagnostics {
 public:
  static constexpr size_t kDefaultCap = 1000;

  explicit Diagnostics(size_t cap = kDefaultCap) : cap_(cap) {}

  // Adds a report, e.g. Report({.offset = at, .message = "..."}).
  void Report(Diagnostic d);

  // The reports kept (the first `cap` of them), in the order they came.
  const std::vector<Diagnostic>& Kept() const { return kept_; }
  // Every report, kept or not.
  uint64_t Count() const { return count_; }
  bool Empty() const { return count_ == 0; }
  size_t Cap() const { return cap_; }
  void Clear();

  // The kept messages joined by "; " (for logs and test failures).
  std::string Summary() const;

 private:
  size_t cap_;
  uint64_t count_ = 0;
  std::vector<Diagnostic> kept_;
};

// Report to a sink that may be null.
inline void ReportTo(Diagnostics* sink, Diagnostic d) {
  if (sink) sink->Report(std::move(d));
}

}  // namespace vn
