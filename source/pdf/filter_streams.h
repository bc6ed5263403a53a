// The concrete decode stages of PDF stream data: Flate and LZW (with their
// row predictors), ASCIIHex, ASCII85, RunLength, the CCITT fax and DCT
// (JPEG) image decoders, and the JPX stage that passes JPEG 2000 data
// through undecoded. Each stage is a TvnFilterStream over the stream
// beneath; its decoder wraps one of the byte-level cores of pdf/filters/
// and reads the stream beneath in blocks.
//
// Damaged data never raise: the output ends where decoding cannot go on, or
// at the decoded-size cap. A stage whose stream beneath is missing raises
// ExInvalidStream of the ExvnException tree ("Invalid Stream") when it needs input.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "pdf/filter_stream.h"
#include "pdf/filters/ccitt.h"
#include "pdf/filters/predictor.h"
#include "runtime/byte_decoder.h"

namespace vn::pdf {

// The stream beneath a stage as the source of a decoder core.
class TvnStreamSource final : public codec::ByteSource {
 public:
  explicit TvnStreamSource(TvnStream* stream) : stream_(stream) {}
  size_t ReadSome(uint8_t* buffer, size_t count) override;
  void Rewind() override;

 private:
  TvnStream* stream_;
};

// A decoder over a byte-level core, with an optional predictor on top:
// GetChar and LookChar deliver the predicted bytes, ReadRawChar the core's
// own output.
class TvnCoreDecode : public TvnDecode {
 public:
  int LookChar() override;
  int GetChar() override;
  int64_t GetPosition() override;
  int ReadRawChar() override;
  void Reset() override;
  // Up to `count` decoded bytes; fewer only at the end.
  size_t ReadBlock(uint8_t* buffer, size_t count);
  void SetMaxOutput(uint64_t bytes);

 protected:
  explicit TvnCoreDecode(TvnStream* stream) : stream_(stream), source_(stream) {}
  // Installs the core (and a predictor when the parameters call for one).
  void Init(std::unique_ptr<codec::ByteDecoder> core, const filters::PredictorParams* params = nullptr);
  TvnStreamSource& Source() { return source_; }

 private:
  codec::ByteDecoder& Top() { return predictor_ ? *predictor_ : *core_; }
  bool Fill();

  TvnStream* stream_;
  TvnStreamSource source_;
  std::unique_ptr<codec::ByteDecoder> core_;
  std::unique_ptr<filters::PredictorDecoder> predictor_;
  std::vector<uint8_t> buffer_;
  size_t pos_ = 0;
  size_t end_ = 0;
};

class TvnFlateDecode : public TvnCoreDecode {
 public:
  TvnFlateDecode(TvnStream* stream, const filters::PredictorParams& params);
};

class TvnLZWDecode : public TvnCoreDecode {
 public:
  TvnLZWDecode(TvnStream* stream, const filters::PredictorParams& params, int early_change);
};

class TvnASCIIHexDecode : public TvnCoreDecode {
 public:
  explicit TvnASCIIHexDecode(TvnStream* stream);
};

class TvnASCII85Decode : public TvnCoreDecode {
 public:
  explicit TvnASCII85Decode(TvnStream* stream);
};

class TvnRunLengthDecode : public TvnCoreDecode {
 public:
  explicit TvnRunLengthDecode(TvnStream* stream);
};

class TvnCCITTDecode : public TvnCoreDecode {
 public:
  TvnCCITTDecode(TvnStream* stream, const filters::CcittParams& params);
};

// `color_transform`: the ColorTransform parameter, -1 when not given.
class TvnDCTDecode : public TvnCoreDecode {
 public:
  TvnDCTDecode(TvnStream* stream, int color_transform);
};

class TvnJBIG2Decode : public TvnCoreDecode {
 public:
  TvnJBIG2Decode(TvnStream* stream, std::string globals, int64_t width, int64_t height);
};

// Encoders over the stream beneath: Write(out, count) encodes up to `count`
// bytes read from it into `out` and returns the bytes written to `out`;
// Write(buffer) encodes `buffer` and writes the result to it, returning the
// bytes written.
class TvnBufferEncode : public TvnEncode {
 public:
  size_t Write(TvnStream& out, size_t count) override;
  size_t Write(std::string_view buffer) override;

 protected:
  explicit TvnBufferEncode(TvnStream* stream) : stream_(stream) {}
  virtual std::string Encode(std::string_view data) = 0;
  TvnStream* Stream() const { return stream_; }

 private:
  TvnStream* stream_;
};

class TvnASCIIHexEncode : public TvnBufferEncode {
 public:
  explicit TvnASCIIHexEncode(TvnStream* stream) : TvnBufferEncode(stream) {}

 protected:
  std::string Encode(std::string_view data) override;
};

class TvnASCII85Encode : public TvnBufferEncode {
 public:
  explicit TvnASCII85Encode(TvnStream* stream) : TvnBufferEncode(stream) {}

 protected:
  std::string Encode(std::string_view data) override;
};

class TvnRunLengthEncode : public TvnBufferEncode {
 public:
  explicit TvnRunLengthEncode(TvnStream* stream) : TvnBufferEncode(stream) {}

 protected:
  std::string Encode(std::string_view data) override;
};

// Compresses with zlib at its fastest level in the zlib format. Write(out,
// count) compresses the whole stream beneath from its start (`count` is
// ignored) and returns the size of `out` afterwards. A zlib failure raises
// ExCompressionError of the ExvnException tree ("Compression error " + zlib's text).
class TvnFlateEncode : public TvnBufferEncode {
 public:
  explicit TvnFlateEncode(TvnStream* stream) : TvnBufferEncode(stream) {}
  size_t Write(TvnStream& out, size_t count) override;
  using TvnBufferEncode::Write;

 protected:
  std::string Encode(std::string_view data) override;
};

// zlib level 1, zlib format; ExCompressionError on failure.
std::string FlateCompress(std::string_view data);

// Stages whose decoder is a TvnCoreDecode read the stream beneath in blocks.
class TvnCoreFilterStream : public TvnFilterStream {
 public:
  using TvnFilterStream::Read;
  size_t Read(uint8_t* buffer, size_t count) override;
  // Caps the decoded size of this stage (default codec::kDefaultMaxDecodedBytes).
  void SetMaxOutput(uint64_t bytes);

 protected:
  TvnCoreFilterStream(TvnStream* beneath, bool owned, std::unique_ptr<TvnCoreDecode> decoder,
                      std::unique_ptr<TvnEncode> encoder);
};

class TvnFlateStream : public TvnCoreFilterStream {
 public:
  TvnFlateStream(TvnStream* beneath, bool owned, int predictor = 1, int columns = 1, int colors = 1,
                 int bits_per_component = 8);
  TvnStreamType GetType() override { return TvnStreamType::stFlate; }
};

class TvnLZWStream : public TvnCoreFilterStream {
 public:
  TvnLZWStream(TvnStream* beneath, bool owned, int predictor = 1, int columns = 1, int colors = 1,
               int bits_per_component = 8, int early_change = 1);
  TvnStreamType GetType() override { return TvnStreamType::stLZW; }
};

class TvnASCIIHexStream : public TvnCoreFilterStream {
 public:
  TvnASCIIHexStream(TvnStream* beneath, bool owned);
  TvnStreamType GetType() override { return TvnStreamType::stASCIIHex; }
};

class TvnASCII85Stream : public TvnCoreFilterStream {
 public:
  TvnASCII85Stream(TvnStream* beneath, bool owned);
  TvnStreamType GetType() override { return TvnStreamType::stASCII85; }
};

class TvnRunLengthStream : public TvnCoreFilterStream {
 public:
  TvnRunLengthStream(TvnStream* beneath, bool owned);
  TvnStreamType GetType() override { return TvnStreamType::stRunLength; }
};

// Bilevel fax data decoded to rows of packed pixels (see filters/ccitt.h).
class TvnCCITTStream : public TvnCoreFilterStream {
 public:
  TvnCCITTStream(TvnStream* beneath, bool owned, const filters::CcittParams& params = {});
  TvnStreamType GetType() override { return TvnStreamType::stCCITTFax; }
};

// JPEG data decoded to interleaved 8-bit samples (see filters/dct.h).
// Stream() gives the JPEG bytes as stored, for passing them on undecoded.
class TvnDCTStream : public TvnCoreFilterStream {
 public:
  TvnDCTStream(TvnStream* beneath, bool owned, int color_transform = -1);
  TvnStreamType GetType() override { return TvnStreamType::stDCT; }
  TvnStream* Stream() const { return GetNextStream(); }
};

// JBIG2 data (an embedded stream, with the bytes of its JBIG2Globals
// stream) decoded to the page's rows of packed pixels, 1 white (see
// jbig2/jbig2_decoder.h). `width` and `height` are the image's declared
// size (0 when unknown): data without a usable page give a white image of
// that size. Stream() gives the JBIG2 bytes as stored.
class TvnJBIG2Stream : public TvnCoreFilterStream {
 public:
  TvnJBIG2Stream(TvnStream* beneath, bool owned, std::string globals = {}, int64_t width = 0, int64_t height = 0);
  TvnStreamType GetType() override { return TvnStreamType::stJBIG2; }
  TvnStream* Stream() const { return GetNextStream(); }
};

// JPEG 2000 data pass through undecoded: reading reports the end at once;
// the data are reached through GetUndecodedStream or GetBaseStream.
class TvnJPXStream : public TvnFilterStream {
 public:
  TvnJPXStream(TvnStream* beneath, bool owned) : TvnFilterStream(beneath, owned) {}
  TvnStreamType GetType() override { return TvnStreamType::stJPX; }
  void GetDecodedStream(TvnStream*) {}
};

}  // namespace vn::pdf
