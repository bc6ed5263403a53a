// Byte streams of the PDF layer. TvnStream is a reference-counted byte
// source/sink with one byte of look-ahead (LookChar/GetChar, -1 at the end);
// every byte the layer reads or writes goes through one. Its forms:
// - TvnFileStream: a window over a platform stream, read through a 256-byte
//   buffer. Many windows may share one platform stream: each fill first moves
//   the platform stream to the window's own place, so windows can be read in
//   turns (not concurrently).
// - TvnMemoryStream: a window over an in-memory platform stream; windows made
//   from it share that stream and each keeps its own position.
// - TvnEmbededStream: a byte-counted window over another TvnStream from that
//   stream's present position (the objects inside object streams); its
//   reads go byte by byte through GetChar and stop at its length.
// - TvnEOFStream and the decode stages (filter_stream.h).
// Windows hold the platform stream through a shared_ptr, so a window made by
// MakeSubStream keeps it alive; a platform stream handed over as a raw
// pointer is not owned and must outlive its windows. Positions, starts and
// lengths are 64-bit; reading past the end is never an error.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "pdf/object.h"
#include "runtime/streams.h"

namespace vn::pdf {

using vn::SeekOrigin;

enum class TvnStreamType {
  stFile,
  stASCIIHex,
  stASCII85,
  stLZW,
  stRunLength,
  stCCITTFax,
  stDCT,
  stFlate,
  stJBIG2,
  stJPX,
  stCrypt,
  stWeird
};

class TvnBaseStream;

class TvnStream : public TvnRefCounted {
 public:
  // Writes `count` bytes; returns the count written.
  virtual size_t Write(const uint8_t* buffer, size_t count) = 0;
  // The next byte (0..255) without consuming it, or -1 at the end.
  virtual int LookChar() = 0;
  // The next byte, consumed, or -1 at the end.
  virtual int GetChar() = 0;
  virtual int64_t GetPosition() = 0;
  // The stream at the bottom of a decode chain (a window answers itself).
  virtual TvnStream* GetBaseStream() = 0;
  // The stream that yields the data before decoding (a window answers itself).
  virtual TvnStream* GetUndecodedStream() = 0;
  virtual int64_t GetSize() = 0;
  // Back to the start of the data.
  virtual void Reset() = 0;
  virtual void SetPosition(int64_t position, SeekOrigin origin) = 0;

  // Up to `count` bytes into `buffer` (which then holds exactly the bytes
  // read); returns how many. ExOutofMemory when memory runs out.
  virtual size_t Read(std::string& buffer, size_t count);
  // Up to `count` bytes written on to `out`; returns the count read.
  virtual size_t Read(TvnStream& out, size_t count);
  // GetChar up to `count` times, stopping at the end; returns the count.
  virtual size_t Read(uint8_t* buffer, size_t count);
  virtual size_t Write(std::string_view buffer);
  // One byte; the base writes nothing and returns 0.
  virtual size_t Write(uint8_t byte);
  // Pushes encoded output into `out` (encoding stages); the base writes
  // nothing and returns 0.
  virtual size_t Write(TvnStream& out, size_t count);
  // The platform stream underneath, when there is one.
  virtual vn::TStream* GetTStream();
  virtual void Close();
  // Stores up to `count` bytes of one line into `buffer` and returns how
  // many: reading stops after LF (consumed, not stored), at the end, or at a
  // CR followed by LF (the CR is consumed, the LF is not); a CR not followed
  // by LF is stored. Nothing happens at the end of the data.
  virtual size_t ReadLine(uint8_t* buffer, size_t count);
  // The next byte of a decoder's own output before any predictor stage; -1
  // for streams without one.
  virtual int ReadRawChar();
  virtual TvnStreamType GetType() = 0;
  // The window form of this stream, or null.
  virtual TvnBaseStream* AsBaseStream() { return nullptr; }

  // Takes every byte of `source` up to its end and writes them here; `count`
  // only sizes the first allocation. Returns the count written.
  size_t CopyFrom(TvnStream& source, size_t count);
};

// Windows over stored data.
class TvnBaseStream : public TvnStream {
 public:
  TvnStream* GetBaseStream() override { return this; }
  TvnStream* GetUndecodedStream() override { return this; }
  TvnBaseStream* AsBaseStream() override { return this; }

  // A new window of the same form over the same data (null when the form has
  // none); the caller holds its reference.
  virtual Ref<TvnStream> MakeSubStream(int64_t start, int64_t length, bool limited) = 0;
  virtual int64_t GetStart() = 0;
  virtual void MoveStart(int64_t delta) = 0;
};

class TvnFileStream : public TvnBaseStream {
 public:
  static constexpr size_t kBufferSize = 256;

  // A window over `file` from absolute offset `start`; a limited window ends
  // at start + length, an unlimited one at the end of the platform stream.
  // Moves the platform stream to `start`. The raw-pointer form does not own
  // the platform stream.
  TvnFileStream(vn::TStream* file, int64_t start, int64_t length, bool limited);
  TvnFileStream(std::shared_ptr<vn::TStream> file, int64_t start, int64_t length, bool limited);
  ~TvnFileStream() override;

  using TvnStream::Write;
  size_t Write(const uint8_t* buffer, size_t count) override;
  size_t Write(uint8_t byte) override;
  int LookChar() override;
  int GetChar() override;
  // The absolute offset of the next unread byte once the window has been
  // read or positioned; before that (a window at offset 0 used for writing)
  // the platform stream's own position.
  int64_t GetPosition() override;
  // Size of the whole platform stream.
  int64_t GetSize() override;
  void Reset() override;
  void SetPosition(int64_t position, SeekOrigin origin) override;
  vn::TStream* GetTStream() override { return file_.get(); }
  void Close() override;
  TvnStreamType GetType() override { return TvnStreamType::stFile; }
  Ref<TvnStream> MakeSubStream(int64_t start, int64_t length, bool limited) override;
  int64_t GetStart() override { return start_; }
  void MoveStart(int64_t delta) override;

 private:
  bool Fill();
  int64_t End() const;

  std::shared_ptr<vn::TStream> file_;
  int64_t start_;
  int64_t length_;
  bool limited_;
  uint8_t buffer_[kBufferSize];
  size_t index_ = 0;        // next unread place in the buffer
  size_t count_ = 0;        // bytes in the buffer
  int64_t position_ = 0;    // absolute offset of the buffer's first byte
  bool positioned_ = false;  // read from or positioned since creation
  bool saved_ = false;       // a Reset happened since the last Close
};

class TvnMemoryStream : public TvnBaseStream {
 public:
  // A window over the memory stream `mem` from `start`; limited windows end
  // at start + length, unlimited ones at the end of `mem`. With `owned` the
  // window (and the windows made from it) own `mem`.
  TvnMemoryStream(vn::TStream* mem, int64_t start, int64_t length, bool limited, bool owned);
  TvnMemoryStream(std::shared_ptr<vn::TStream> mem, int64_t start, int64_t length, bool limited);
  ~TvnMemoryStream() override;

  using TvnStream::Write;
  size_t Write(const uint8_t* buffer, size_t count) override;
  size_t Write(uint8_t byte) override;
  int LookChar() override;
  int GetChar() override;
  int64_t GetPosition() override { return position_; }
  int64_t GetSize() override;
  void Reset() override;
  void SetPosition(int64_t position, SeekOrigin origin) override;
  vn::TStream* GetTStream() override { return mem_.get(); }
  void Close() override;
  TvnStreamType GetType() override { return TvnStreamType::stFile; }
  Ref<TvnStream> MakeSubStream(int64_t start, int64_t length, bool limited) override;
  int64_t GetStart() override { return start_; }
  void MoveStart(int64_t delta) override;

 private:
  int ReadAt(bool consume);

  std::shared_ptr<vn::TStream> mem_;
  int64_t start_;
  int64_t length_;
  bool limited_;
  int64_t position_;
  bool saved_ = false;
};

class TvnEmbededStream : public TvnBaseStream {
 public:
  // A window of `length` bytes over `stream` from its present position (to
  // the end of `stream` when not limited). `stream` is not owned and must
  // outlive the window.
  TvnEmbededStream(TvnStream* stream, int64_t length, bool limited);

  using TvnStream::Read;
  using TvnStream::Write;
  size_t Write(const uint8_t*, size_t) override { return 0; }
  int LookChar() override;
  int GetChar() override;
  int64_t GetPosition() override;
  // Bytes left.
  int64_t GetSize() override { return length_ > 0 ? length_ : 0; }
  void Reset() override {}
  void SetPosition(int64_t, SeekOrigin) override {}
  TvnStreamType GetType() override { return TvnStreamType::stWeird; }
  Ref<TvnStream> MakeSubStream(int64_t, int64_t, bool) override { return nullptr; }
  int64_t GetStart() override { return 0; }
  void MoveStart(int64_t) override {}

 private:
  TvnStream* stream_;
  int64_t length_;
  bool limited_;
};

}  // namespace vn::pdf
