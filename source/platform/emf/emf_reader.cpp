#include "platform/emf/emf_reader.h"

#include <algorithm>
#include <cmath>

namespace vn::platform::emf {

namespace {
// A metafile with more records than this is treated as damaged; it keeps
// the work of one page bounded.
constexpr size_t kMaxRecords = 4'000'000;
}  // namespace

bool EmfFile::IsEmf(std::span<const std::byte> data) {
  ByteReader r(data);
  uint32_t type = r.U32LE();
  uint32_t size = r.U32LE();
  if (r.failed() || type != EMR_HEADER || size < 88) return false;
  r.Seek(40);
  return r.U32LE() == kEmfSignature && r.ok();
}

EmfFile::EmfFile(std::string bytes, Diagnostics* diagnostics) : bytes_(std::move(bytes)) {
  auto report = [diagnostics](size_t at, uint32_t type, std::string message) {
    ReportTo(diagnostics, {.offset = at, .record = type, .message = std::move(message)});
  };
  ByteReader file(bytes_);
  if (!IsEmf(file.data())) throw EEmfError("Not an enhanced metafile");
  size_t pos = 0;
  while (pos < bytes_.size()) {
    ByteReader r = file.Sub(pos, file.size() - pos);
    uint32_t type = r.U32LE();
    uint32_t size = r.U32LE();
    if (r.failed()) {
      report(pos, 0, "truncated record prefix");
      break;
    }
    if (size < 8 || size % 4 != 0 || size > file.size() - pos) {
      report(pos, type, "record size " + std::to_string(size) + " does not fit the file");
      break;
    }
    if (records_.size() >= kMaxRecords) {
      report(pos, type, "too many records");
      break;
    }
    Record rec{type, pos, file.data().subspan(pos, size)};
    records_.push_back(rec);
    pos += size;
    if (type == EMR_GDICOMMENT && size >= 16) {
      ByteReader c = rec.Payload();
      c.U32LE();
      if (c.U32LE() == kEmfPlusCommentId) hasEmfPlus_ = true;
    }
    if (type == EMR_EOF) break;
  }
  if (records_.empty()) throw EEmfError("Not an enhanced metafile");
  auto header = EmrHeader::Decode(records_.front().Payload());
  if (!header) throw EEmfError("Not an enhanced metafile");
  header_ = *header;
  if (records_.back().type != EMR_EOF) {
    report(bytes_.size(), 0, "no end-of-file record");
  }
}

namespace {

int32_t ClampedPixel(double v) { return int32_t(std::clamp(std::round(v), -1e9, 1e9)); }

// The header's frame in pixels, empty or not.
RectL RawFramePixels(const EmrHeader& header) {
  const RectL& f = header.rclFrame;
  double sx = 96.0 / 2540.0, sy = 96.0 / 2540.0;
  if (header.szlDevice.cx > 0 && header.szlMillimeters.cx > 0)
    sx = double(header.szlDevice.cx) / (header.szlMillimeters.cx * 100.0);
  if (header.szlDevice.cy > 0 && header.szlMillimeters.cy > 0)
    sy = double(header.szlDevice.cy) / (header.szlMillimeters.cy * 100.0);
  return {ClampedPixel(f.left * sx), ClampedPixel(f.top * sy), ClampedPixel(f.right * sx + 1),
          ClampedPixel(f.bottom * sy + 1)};
}

}  // namespace

RectL EmfFile::HeaderFramePixels() const {
  const RectL px = RawFramePixels(header_);
  return px.right <= px.left || px.bottom <= px.top ? RectL{0, 0, 1, 1} : px;
}

RectL EmfFile::FramePixels() const {
  const RectL px = RawFramePixels(header_);
  const auto clamp = ClampedPixel;
  const RectL& b = header_.rclBounds;
  const bool hasBounds = b.right >= b.left && b.bottom >= b.top;
  const RectL bounds{clamp(b.left), clamp(b.top), clamp(b.right + 1.0), clamp(b.bottom + 1.0)};
  if (px.right <= px.left || px.bottom <= px.top) return hasBounds ? bounds : RectL{0, 0, 1, 1};
  // Some writers give a frame that misses the drawing altogether; then the
  // bounds of the drawing place the picture.
  if (hasBounds) {
    const int64_t iw = int64_t(std::min(px.right, bounds.right)) - std::max(px.left, bounds.left);
    const int64_t ih = int64_t(std::min(px.bottom, bounds.bottom)) - std::max(px.top, bounds.top);
    const int64_t inside = iw > 0 && ih > 0 ? iw * ih : 0;
    const int64_t area = (int64_t(bounds.right) - bounds.left) * (int64_t(bounds.bottom) - bounds.top);
    if (inside * 2 < area) return bounds;
  }
  return px;
}

}  // namespace vn::platform::emf
