// Builds small PDF files for the reader tests: objects are appended with
// their offsets recorded, then a classic table or a cross-reference stream
// (fields W [1 2 1] or as given, unfiltered) closes a section.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "runtime/streams.h"

namespace vn::pdf::testing {

struct XRefRow {
  int type;  // 0 free, 1 at an offset, 2 in an object stream
  int64_t f2, f3;
};

class PdfFileBuilder {
 public:
  explicit PdfFileBuilder(std::string header = "%PDF-1.5\n") : data_(std::move(header)) {}

  // Appends "n g obj body endobj"; returns its offset.
  int64_t Obj(int64_t n, const std::string& body, int64_t gen = 0) {
    const int64_t at = static_cast<int64_t>(data_.size());
    offsets_[n] = {at, gen};
    data_ += std::to_string(n) + " " + std::to_string(gen) + " obj\n" + body + "\nendobj\n";
    return at;
  }
  void Raw(const std::string& bytes) { data_ += bytes; }
  int64_t Size() const { return static_cast<int64_t>(data_.size()); }
  const std::string& Data() const { return data_; }

  // A classic table of every object added so far (one subsection from 0),
  // the trailer and startxref. Returns the table's offset.
  int64_t ClassicTable(const std::string& trailer_entries) {
    const int64_t at = Size();
    int64_t count = offsets_.empty() ? 1 : offsets_.rbegin()->first + 1;
    data_ += "xref\n0 " + std::to_string(count) + "\n";
    for (int64_t n = 0; n < count; ++n) {
      auto it = offsets_.find(n);
      data_ += it == offsets_.end() ? Line(0, 65535, 'f') : Line(it->second.first, it->second.second, 'n');
    }
    data_ += "trailer\n<<" + trailer_entries + ">>\nstartxref\n" + std::to_string(at) + "\n%%EOF\n";
    return at;
  }

  // A cross-reference stream object `num` holding `rows` for the
  // subsections of `index` (pairs), then startxref. Returns its offset.
  int64_t XRefStream(int64_t num, const std::vector<XRefRow>& rows, const std::string& index,
                     const std::string& dict_entries) {
    std::string data;
    for (const XRefRow& r : rows) {
      data.push_back(static_cast<char>(r.type));
      data.push_back(static_cast<char>((r.f2 >> 8) & 0xFF));
      data.push_back(static_cast<char>(r.f2 & 0xFF));
      data.push_back(static_cast<char>(r.f3 & 0xFF));
    }
    const int64_t at = Obj(num, "<</Type/XRef/W[1 2 1]" + (index.empty() ? "" : "/Index[" + index + "]") +
                                    "/Length " + std::to_string(data.size()) + dict_entries + ">>stream\n" + data +
                                    "\nendstream");
    data_ += "startxref\n" + std::to_string(at) + "\n%%EOF\n";
    return at;
  }

  int64_t OffsetOf(int64_t n) const { return offsets_.at(n).first; }

  std::shared_ptr<vn::TMemoryStream> Stream() const {
    auto mem = std::make_shared<vn::TMemoryStream>();
    mem->WriteString(data_);
    mem->SetPosition(0);
    return mem;
  }

  static std::string Line(int64_t offset, int64_t gen, char kind) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%010lld %05lld %c\r\n", static_cast<long long>(offset),
                  static_cast<long long>(gen), kind);
    return buf;
  }

 private:
  std::string data_;
  std::map<int64_t, std::pair<int64_t, int64_t>> offsets_;
};

}  // namespace vn::pdf::testing
