// The base of the decode and encode stages of PDF stream data. A stage is a
// TvnStream over the stream beneath it: reading goes through its decoder,
// writing through its encoder, and the questions about the undecoded data
// (base stream, platform stream, Close) are passed down, so a chain of any
// depth answers with its bottom stream. Stages are read forward only;
// Reset restarts decoding (each decoder resets the stream beneath).
// A stage that owns the stream beneath holds one reference to it.
// The concrete filters and the filter manager build on this.
#pragma once

#include <memory>
#include <string_view>

#include "pdf/streams.h"

namespace vn::pdf {

struct TvnEncryptionSettings;  // settings of the standard security handler

// Encoder interface.
class TvnEncodeBase : public TvnObject {
 public:
  // Encodes the data of the source stream into `out`; returns bytes written.
  virtual size_t Write(TvnStream& out, size_t count) = 0;
  // Encodes `buffer` and writes it to the stream beneath.
  virtual size_t Write(std::string_view buffer) = 0;
};

// The empty encoder: writes nothing.
class TvnEncode : public TvnEncodeBase {
 public:
  size_t Write(TvnStream&, size_t) override { return 0; }
  size_t Write(std::string_view) override { return 0; }
};

// Decoder interface.
class TvnDecodeBase : public TvnObject {
 public:
  virtual int LookChar() = 0;
  virtual int GetChar() = 0;
  virtual int64_t GetPosition() = 0;
  virtual int ReadRawChar() = 0;
  virtual void Reset() = 0;
};

// The decoder defaults: no data, no position, nothing to reset, and no
// password check (only the decryption stage has one).
class TvnDecode : public TvnDecodeBase {
 public:
  int LookChar() override { return -1; }
  int GetChar() override { return -1; }
  int64_t GetPosition() override { return -1; }
  int ReadRawChar() override { return -1; }
  void Reset() override {}
  virtual bool CheckPassword(TvnEncryptionSettings* /*settings*/, std::string_view /*password*/) { return false; }
};

class TvnFilterStream : public TvnStream {
 public:
  // A stage over `beneath`; with `owned` it takes over one reference of
  // `beneath` and drops it when destroyed.
  TvnFilterStream(TvnStream* beneath, bool owned, std::unique_ptr<TvnDecode> decoder = nullptr,
                  std::unique_ptr<TvnEncode> encoder = nullptr);
  ~TvnFilterStream() override;

  using TvnStream::Read;
  using TvnStream::Write;
  size_t Write(const uint8_t* buffer, size_t count) override;
  size_t Write(std::string_view buffer) override;
  size_t Write(TvnStream& out, size_t count) override;
  int LookChar() override;
  int GetChar() override;
  int ReadRawChar() override;
  void Reset() override;
  // The raw position of the stream beneath (not a count of decoded bytes).
  int64_t GetPosition() override;
  TvnStream* GetBaseStream() override;
  TvnStream* GetUndecodedStream() override;
  vn::TStream* GetTStream() override;
  void Close() override;
  void SetPosition(int64_t, SeekOrigin) override {}
  int64_t GetSize() override { return 0; }

  virtual bool CheckPassword(TvnEncryptionSettings* settings, std::string_view password);
  TvnStream* GetNextStream() const { return stream_; }

 protected:
  TvnDecode* Decoder() const { return decoder_.get(); }
  TvnEncode* Encoder() const { return encoder_.get(); }

 private:
  std::unique_ptr<TvnEncode> encoder_;
  std::unique_ptr<TvnDecode> decoder_;
  TvnStream* stream_;
  bool stream_owned_;
};

// A stream that is always at its end: what an unknown or unusable filter
// yields. It does not own the stream it was made over; Reset resets that one.
class TvnEOFStream : public TvnFilterStream {
 public:
  explicit TvnEOFStream(TvnStream* stream) : TvnFilterStream(stream, false) {}
  int LookChar() override { return -1; }
  int GetChar() override { return -1; }
  void Reset() override;
  TvnStreamType GetType() override { return TvnStreamType::stWeird; }
};

}  // namespace vn::pdf
