#include "pdf/jbig2/segments.h"

#include "pdf/jbig2/exceptions.h"

namespace vn::pdf::jbig2 {

namespace {

// Reads big-endian fields, raising TvnJBIG2Exception when the data ends.
class FieldReader {
 public:
  FieldReader(TvnIOStream& stream, const char* what) : stream_(stream), what_(what) {}
  int64_t U32() { return Check(stream_.ReadInt32()); }
  int64_t I32() {
    int64_t v = U32();
    return v >= 0x80000000 ? v - 0x100000000 : v;
  }
  int U16() { return static_cast<int>(Check(stream_.ReadInt16())); }
  int U8() { return static_cast<int>(Check(stream_.ReadByte())); }

 private:
  int64_t Check(int64_t value) {
    if (value < 0) throw TvnJBIG2Exception(std::string(what_) + " is truncated");
    return value;
  }
  TvnIOStream& stream_;
  const char* what_;
};

}  // namespace

void TvnRegionSegmentInformation::Init(TvnSegmentHeader*, std::unique_ptr<TvnIOStream> stream) {
  owned_ = std::move(stream);
  stream_ = owned_.get();
  ParseHeader();
}

void TvnRegionSegmentInformation::ParseHeader() {
  FieldReader r(*stream_, "region segment information");
  width_ = r.U32();
  height_ = r.U32();
  x_ = r.U32();
  y_ = r.U32();
  operator_ = CombinationOperatorFromCode(r.U8() & 7);
}

void TvnPageInformation::Init(TvnSegmentHeader*, std::unique_ptr<TvnIOStream> stream) {
  stream_ = std::move(stream);
  FieldReader r(*stream_, "page information");
  width_ = r.U32();
  height_ = r.U32();
  if (height_ == 0xFFFFFFFF) height_ = kUnknownHeight;
  resolution_x_ = r.U32();
  resolution_y_ = r.U32();
  const int flags = r.U8();
  override_allowed_ = TestFlag(flags, 6);
  requires_auxiliary_buffer_ = TestFlag(flags, 5);
  operator_ = CombinationOperatorFromCode((flags >> 3) & 3);
  default_pixel_value_ = TestFlag(flags, 2);
  might_contain_refinements_ = TestFlag(flags, 1);
  is_lossless_ = TestFlag(flags, 0);
  const int striping = r.U16();
  is_striped_ = (striping & 0x8000) != 0;
  max_stripe_size_ = striping & 0x7FFF;
}

void TvnEndOfStripe::Init(TvnSegmentHeader*, std::unique_ptr<TvnIOStream> stream) {
  stream_ = std::move(stream);
  line_number_ = FieldReader(*stream_, "end of stripe").U32();
}

void TvnTable::Init(TvnSegmentHeader*, std::unique_ptr<TvnIOStream> stream) {
  stream_ = std::move(stream);
  FieldReader r(*stream_, "code table");
  const int flags = r.U8();
  ht_out_of_band_ = flags & 1;
  ht_ps_ = ((flags >> 1) & 7) + 1;
  ht_rs_ = ((flags >> 4) & 7) + 1;
  ht_low_ = r.I32();
  ht_high_ = r.I32();
}

std::unique_ptr<TvnIOStream> TvnTable::OpenLines() const {
  constexpr int64_t kHeaderLength = 9;
  return stream_->SubWindow(kHeaderLength, stream_->Length() - kHeaderLength);
}

}  // namespace vn::pdf::jbig2
