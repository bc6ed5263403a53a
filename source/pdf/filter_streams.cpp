#include "pdf/filter_streams.h"

#include <zlib.h>

#include <algorithm>
#include <limits>
#include <new>

#include "pdf/filters/dct.h"
#include "pdf/jbig2/jbig2_decoder.h"
#include "pdf/filters/lzw.h"
#include "pdf/filters/text_filters.h"
#include "runtime/exceptions.h"
#include "runtime/inflate.h"

namespace vn::pdf {

namespace {

constexpr size_t kBlockSize = 4096;

[[noreturn]] void ThrowInvalidStream() { throw vn::ExInvalidStream("Invalid Stream"); }

std::span<const uint8_t> AsBytes(std::string_view s) {
  return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
}

// Image decoders allocate their buffers while decoding; memory running out
// then is ExOutofMemory.
size_t ReadCore(codec::ByteDecoder& core, uint8_t* buffer, size_t count) {
  try {
    return core.Read(buffer, count);
  } catch (const std::bad_alloc&) {
    throw vn::ExOutofMemory("Out of Memory");
  }
}

}  // namespace

// TvnStreamSource -----------------------------------------------------------

size_t TvnStreamSource::ReadSome(uint8_t* buffer, size_t count) {
  if (!stream_) ThrowInvalidStream();
  return stream_->Read(buffer, count);
}

void TvnStreamSource::Rewind() {
  if (!stream_) ThrowInvalidStream();
  stream_->Reset();
}

// TvnCoreDecode ---------------------------------------------------------------

void TvnCoreDecode::Init(std::unique_ptr<codec::ByteDecoder> core, const filters::PredictorParams* params) {
  core_ = std::move(core);
  if (params) predictor_ = filters::PredictorDecoder::Create(*core_, *params);
  buffer_.resize(kBlockSize);
}

bool TvnCoreDecode::Fill() {
  pos_ = 0;
  end_ = ReadCore(Top(), buffer_.data(), buffer_.size());
  return end_ > 0;
}

int TvnCoreDecode::LookChar() {
  if (pos_ == end_ && !Fill()) return -1;
  return buffer_[pos_];
}

int TvnCoreDecode::GetChar() {
  if (pos_ == end_ && !Fill()) return -1;
  return buffer_[pos_++];
}

size_t TvnCoreDecode::ReadBlock(uint8_t* buffer, size_t count) {
  size_t done = std::min(count, end_ - pos_);
  std::copy(buffer_.begin() + pos_, buffer_.begin() + pos_ + done, buffer);
  pos_ += done;
  while (done < count) {
    size_t n = ReadCore(Top(), buffer + done, count - done);
    if (n == 0) break;
    done += n;
  }
  return done;
}

int64_t TvnCoreDecode::GetPosition() {
  if (!stream_) ThrowInvalidStream();
  return stream_->GetPosition();
}

int TvnCoreDecode::ReadRawChar() {
  uint8_t b;
  return ReadCore(*core_, &b, 1) == 1 ? b : -1;
}

void TvnCoreDecode::Reset() {
  pos_ = end_ = 0;
  Top().Reset();
}

void TvnCoreDecode::SetMaxOutput(uint64_t bytes) {
  core_->SetMaxOutput(bytes);
  if (predictor_) predictor_->SetMaxOutput(bytes);
}

template <typename Core, typename... Args>
std::unique_ptr<codec::ByteDecoder> MakeCore(Args&&... args) {
  try {
    return std::make_unique<Core>(std::forward<Args>(args)...);
  } catch (const std::bad_alloc&) {
    throw vn::ExOutofMemory("Out of Memory");
  }
}

TvnFlateDecode::TvnFlateDecode(TvnStream* stream, const filters::PredictorParams& params) : TvnCoreDecode(stream) {
  Init(MakeCore<codec::Inflater>(Source()), &params);
}

TvnLZWDecode::TvnLZWDecode(TvnStream* stream, const filters::PredictorParams& params, int early_change)
    : TvnCoreDecode(stream) {
  Init(MakeCore<filters::LzwDecoder>(Source(), early_change), &params);
}

TvnASCIIHexDecode::TvnASCIIHexDecode(TvnStream* stream) : TvnCoreDecode(stream) {
  Init(MakeCore<filters::AsciiHexDecoder>(Source()));
}

TvnASCII85Decode::TvnASCII85Decode(TvnStream* stream) : TvnCoreDecode(stream) {
  Init(MakeCore<filters::Ascii85Decoder>(Source()));
}

TvnRunLengthDecode::TvnRunLengthDecode(TvnStream* stream) : TvnCoreDecode(stream) {
  Init(MakeCore<filters::RunLengthDecoder>(Source()));
}

TvnCCITTDecode::TvnCCITTDecode(TvnStream* stream, const filters::CcittParams& params) : TvnCoreDecode(stream) {
  Init(MakeCore<filters::CcittDecoder>(Source(), params));
}

TvnDCTDecode::TvnDCTDecode(TvnStream* stream, int color_transform) : TvnCoreDecode(stream) {
  Init(MakeCore<filters::DctDecoder>(Source(), color_transform));
}

TvnJBIG2Decode::TvnJBIG2Decode(TvnStream* stream, std::string globals, int64_t width, int64_t height)
    : TvnCoreDecode(stream) {
  Init(MakeCore<jbig2::TvnJBIG2Decoder>(Source(), std::move(globals), width, height));
}

// Encoders ---------------------------------------------------------------------

size_t TvnBufferEncode::Write(TvnStream& out, size_t count) {
  if (!stream_) ThrowInvalidStream();
  std::string data;
  stream_->Read(data, count);
  std::string encoded = Encode(data);
  return out.Write(encoded);
}

size_t TvnBufferEncode::Write(std::string_view buffer) {
  if (!stream_) ThrowInvalidStream();
  return stream_->Write(Encode(buffer));
}

std::string TvnASCIIHexEncode::Encode(std::string_view data) { return filters::AsciiHexEncode(AsBytes(data)); }
std::string TvnASCII85Encode::Encode(std::string_view data) { return filters::Ascii85Encode(AsBytes(data)); }
std::string TvnRunLengthEncode::Encode(std::string_view data) { return filters::RunLengthEncode(AsBytes(data)); }

std::string FlateCompress(std::string_view data) {
  z_stream z{};
  int rc = deflateInit(&z, Z_BEST_SPEED);
  if (rc != Z_OK) throw vn::ExCompressionError(std::string("Compression error ") + (z.msg ? z.msg : zError(rc)));
  std::string out;
  std::vector<unsigned char> chunk(65536);
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  // zlib counts input in 32-bit units; feed it in pieces.
  size_t left = data.size();
  do {
    uInt piece = static_cast<uInt>(std::min<size_t>(left, 1u << 30));
    z.avail_in = piece;
    left -= piece;
    int flush = left == 0 ? Z_FINISH : Z_NO_FLUSH;
    do {
      z.next_out = chunk.data();
      z.avail_out = static_cast<uInt>(chunk.size());
      rc = deflate(&z, flush);
      if (rc == Z_STREAM_ERROR) {
        std::string message = z.msg ? z.msg : zError(rc);
        deflateEnd(&z);
        throw vn::ExCompressionError("Compression error " + message);
      }
      out.append(reinterpret_cast<char*>(chunk.data()), chunk.size() - z.avail_out);
    } while (z.avail_out == 0);
  } while (left > 0);
  deflateEnd(&z);
  return out;
}

std::string TvnFlateEncode::Encode(std::string_view data) { return FlateCompress(data); }

size_t TvnFlateEncode::Write(TvnStream& out, size_t) {
  TvnStream* source = Stream();
  if (!source) ThrowInvalidStream();
  source->Reset();
  std::string data;
  source->Read(data, std::numeric_limits<size_t>::max());
  out.Write(FlateCompress(data));
  return static_cast<size_t>(std::max<int64_t>(0, out.GetSize()));
}

// Filter streams -------------------------------------------------------------

TvnCoreFilterStream::TvnCoreFilterStream(TvnStream* beneath, bool owned, std::unique_ptr<TvnCoreDecode> decoder,
                                         std::unique_ptr<TvnEncode> encoder)
    : TvnFilterStream(beneath, owned, std::move(decoder), std::move(encoder)) {}

size_t TvnCoreFilterStream::Read(uint8_t* buffer, size_t count) {
  return static_cast<TvnCoreDecode*>(Decoder())->ReadBlock(buffer, count);
}

void TvnCoreFilterStream::SetMaxOutput(uint64_t bytes) { static_cast<TvnCoreDecode*>(Decoder())->SetMaxOutput(bytes); }

TvnFlateStream::TvnFlateStream(TvnStream* beneath, bool owned, int predictor, int columns, int colors,
                               int bits_per_component)
    : TvnCoreFilterStream(
          beneath, owned,
          std::make_unique<TvnFlateDecode>(beneath,
                                           filters::PredictorParams{predictor, columns, colors, bits_per_component}),
          std::make_unique<TvnFlateEncode>(beneath)) {}

TvnLZWStream::TvnLZWStream(TvnStream* beneath, bool owned, int predictor, int columns, int colors,
                           int bits_per_component, int early_change)
    : TvnCoreFilterStream(beneath, owned,
                          std::make_unique<TvnLZWDecode>(
                              beneath, filters::PredictorParams{predictor, columns, colors, bits_per_component},
                              early_change),
                          std::make_unique<TvnEncode>()) {}

TvnASCIIHexStream::TvnASCIIHexStream(TvnStream* beneath, bool owned)
    : TvnCoreFilterStream(beneath, owned, std::make_unique<TvnASCIIHexDecode>(beneath),
                          std::make_unique<TvnASCIIHexEncode>(beneath)) {}

TvnASCII85Stream::TvnASCII85Stream(TvnStream* beneath, bool owned)
    : TvnCoreFilterStream(beneath, owned, std::make_unique<TvnASCII85Decode>(beneath),
                          std::make_unique<TvnASCII85Encode>(beneath)) {}

TvnRunLengthStream::TvnRunLengthStream(TvnStream* beneath, bool owned)
    : TvnCoreFilterStream(beneath, owned, std::make_unique<TvnRunLengthDecode>(beneath),
                          std::make_unique<TvnRunLengthEncode>(beneath)) {}

TvnCCITTStream::TvnCCITTStream(TvnStream* beneath, bool owned, const filters::CcittParams& params)
    : TvnCoreFilterStream(beneath, owned, std::make_unique<TvnCCITTDecode>(beneath, params),
                          std::make_unique<TvnEncode>()) {}

TvnDCTStream::TvnDCTStream(TvnStream* beneath, bool owned, int color_transform)
    : TvnCoreFilterStream(beneath, owned, std::make_unique<TvnDCTDecode>(beneath, color_transform),
                          std::make_unique<TvnEncode>()) {}

TvnJBIG2Stream::TvnJBIG2Stream(TvnStream* beneath, bool owned, std::string globals, int64_t width, int64_t height)
    : TvnCoreFilterStream(beneath, owned, std::make_unique<TvnJBIG2Decode>(beneath, std::move(globals), width, height),
                          std::make_unique<TvnEncode>()) {}

}  // namespace vn::pdf
