#include "platform/emf/emf_writer.h"

#include <algorithm>
#include <cmath>

#include "runtime/exceptions.h"

namespace vn::platform::emf {

namespace {
// The reference device: 1920 x 960 pixels on 508 x 254 mm is 96 dpi exactly.
constexpr SizeL kDevicePixels{1920, 960};
constexpr SizeL kDeviceMillimeters{508, 254};
constexpr size_t kHeaderSize = 108;
}  // namespace

EmfWriter::EmfWriter(int32_t widthPixels, int32_t heightPixels)
    : width_(std::max(widthPixels, 1)), height_(std::max(heightPixels, 1)), body_(kHeaderSize, '\0') {}

void EmfWriter::Write(uint32_t type, const RecordBuilder& payload) {
  const std::string& p = payload.bytes();
  if (p.size() % 4 != 0 || p.size() > 0x7FFFFFF0u) throw EWriteError("Metafile record is malformed");
  RecordBuilder prefix;
  prefix.U32(type);
  prefix.U32(static_cast<uint32_t>(p.size() + 8));
  body_ += prefix.bytes();
  body_ += p;
  ++records_;
}

void EmfWriter::EndInPlace(size_t start) {
  const size_t size = body_.size() - start;
  if (size % 4 != 0 || size > 0x7FFFFFF8u) {
    body_.resize(start);
    throw EWriteError("Metafile record is malformed");
  }
  const auto v = static_cast<uint32_t>(size);
  for (int i = 0; i < 4; ++i) body_[start + 4 + size_t(i)] = static_cast<char>(v >> (8 * i));
  ++records_;
}

void EmfWriter::Write(uint32_t type) { Write(type, RecordBuilder{}); }

void EmfWriter::WriteU32(uint32_t type, uint32_t value) {
  RecordBuilder b;
  b.U32(value);
  Write(type, b);
}
void EmfWriter::WritePoint(uint32_t type, PointL p) {
  RecordBuilder b;
  b.Point(p);
  Write(type, b);
}
void EmfWriter::WriteRect(uint32_t type, RectL r) {
  RecordBuilder b;
  b.Rect(r);
  Write(type, b);
}
void EmfWriter::WriteXForm(uint32_t type, const XForm& x, std::optional<uint32_t> mode) {
  RecordBuilder b;
  b.Xform(x);
  if (mode) b.U32(*mode);
  Write(type, b);
}

void EmfWriter::ExtendBounds(RectL r) {
  if (r.right < r.left) std::swap(r.left, r.right);
  if (r.bottom < r.top) std::swap(r.top, r.bottom);
  if (!hasBounds_) {
    bounds_ = r;
    hasBounds_ = true;
    return;
  }
  bounds_.left = std::min(bounds_.left, r.left);
  bounds_.top = std::min(bounds_.top, r.top);
  bounds_.right = std::max(bounds_.right, r.right);
  bounds_.bottom = std::max(bounds_.bottom, r.bottom);
}

uint32_t EmfWriter::AllocateHandle() {
  for (size_t i = 0; i < handles_.size(); ++i) {
    if (!handles_[i]) {
      handles_[i] = true;
      return static_cast<uint32_t>(i + 1);
    }
  }
  handles_.push_back(true);
  maxHandle_ = std::max<uint32_t>(maxHandle_, static_cast<uint32_t>(handles_.size()));
  return static_cast<uint32_t>(handles_.size());
}

void EmfWriter::FreeHandle(uint32_t index) {
  if (index >= 1 && index <= handles_.size()) handles_[index - 1] = false;
}

std::string EmfWriter::Finish() {
  // EMR_EOF: no palette entries, offset to them, and the size again.
  RecordBuilder eof;
  eof.U32(0);
  eof.U32(16);
  eof.U32(20);
  Write(EMR_EOF, eof);

  EmrHeader h;
  // What shows of the drawing: what lies beyond the frame is cut off, so
  // a page that draws far past its edges (a background larger than the
  // page) does not look to readers like a picture whose frame misses it.
  const RectL shown{std::max(bounds_.left, 0), std::max(bounds_.top, 0), std::min(bounds_.right, width_ - 1),
                    std::min(bounds_.bottom, height_ - 1)};
  h.rclBounds = hasBounds_ && shown.left <= shown.right && shown.top <= shown.bottom ? shown : RectL{0, 0, -1, -1};
  // The frame is inclusive, in 0.01 mm.
  h.rclFrame = {0, 0, static_cast<int32_t>(std::lround((width_ - 1) * 2540.0 / kReferenceDpi)),
                static_cast<int32_t>(std::lround((height_ - 1) * 2540.0 / kReferenceDpi))};
  h.nBytes = static_cast<uint32_t>(body_.size());
  h.nRecords = static_cast<uint32_t>(records_ + 1);
  h.nHandles = static_cast<uint16_t>(std::min<uint32_t>(maxHandle_ + 1, 0xFFFF));
  h.szlDevice = kDevicePixels;
  h.szlMillimeters = kDeviceMillimeters;
  h.szlMicrometers = {kDeviceMillimeters.cx * 1000, kDeviceMillimeters.cy * 1000};
  RecordBuilder hb;
  h.Encode(hb);
  RecordBuilder prefix;
  prefix.U32(EMR_HEADER);
  prefix.U32(static_cast<uint32_t>(hb.size() + 8));
  if (prefix.size() + hb.size() != kHeaderSize) throw EWriteError("Metafile header is malformed");
  // The header goes into the room left for it: the records are not copied.
  body_.replace(0, prefix.size(), prefix.bytes());
  body_.replace(prefix.size(), hb.size(), hb.bytes());
  std::string out = std::move(body_);
  body_.assign(kHeaderSize, '\0');
  records_ = 0;
  return out;
}

}  // namespace vn::platform::emf
