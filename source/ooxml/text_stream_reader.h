// The buffered text reader under the XML parser. It decodes a byte stream in
// chunks of `BufferSize` bytes into UTF-16 code units, picks the encoding
// from a byte-order mark when asked to, and offers the look-ahead the parser
// is written in (TvnStreamReaderHelper): read up to one of several stop
// characters or up to a stop string, look at the next character, test and
// consume a keyword.
//
// The reader borrows its stream unless it opened the file itself or was
// told to own it (OwnStream). A character cut by the end of a chunk is kept
// as bytes and completed by the next chunk, so the stream is only ever read
// forwards. Bytes that do not decode become U+FFFD; a short read counts as
// the end of the stream.
#pragma once

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

#include "ooxml/text_encoding.h"
#include "runtime/containers.h"
#include "runtime/streams.h"
#include "runtime/strings.h"

namespace vn::ooxml {

enum class TExtractTextOption {
  etoDeleteStopChar,  // consume the stop character (or string) too
  etoStopString,      // the stop characters form one string that must occur whole
};
using TExtractTextOptions = EnumSet<TExtractTextOption>;

class TvnStreamReader {
 public:
  static constexpr int kMinBufferSize = 128;
  static constexpr int kDefaultBufferSize = 4096;

  // EArgumentException "Invalid Stream" for a null stream, else "Invalid
  // Encoding" for a null encoding. The stream is borrowed.
  TvnStreamReader(TStream* Stream, const TEncoding* Encoding, bool DetectBOM = false,
                  int BufferSize = kDefaultBufferSize);
  explicit TvnStreamReader(TStream* Stream);  // UTF-8, detecting a byte-order mark
  TvnStreamReader(TStream* Stream, bool DetectBOM);  // UTF-8
  // These open the file for reading and own the stream (EFOpenError when it
  // cannot be opened).
  explicit TvnStreamReader(const std::filesystem::path& Filename);
  TvnStreamReader(const std::filesystem::path& Filename, bool DetectBOM);
  TvnStreamReader(const std::filesystem::path& Filename, const TEncoding* Encoding, bool DetectBOM = false,
                  int BufferSize = kDefaultBufferSize);
  virtual ~TvnStreamReader();
  TvnStreamReader(const TvnStreamReader&) = delete;
  TvnStreamReader& operator=(const TvnStreamReader&) = delete;

  // Frees an owned stream and the buffer; afterwards reads give -1 or nothing.
  virtual void Close();
  // The next code unit, -1 at the end; Read consumes it.
  virtual int Peek();
  virtual int Read();
  // Up to `Count` code units into Buffer[Index..]; returns how many were read
  // (EArgumentOutOfRangeException when the range does not fit the buffer).
  // ReadBlock is the same here: it stops only at the end of the data.
  int Read(std::span<char16_t> Buffer, int Index, int Count);
  int ReadBlock(std::span<char16_t> Buffer, int Index, int Count);
  // The text up to a carriage return, a line feed or both together; the
  // break is consumed and not returned. At the end of the data, the rest.
  virtual String ReadLine();
  virtual String ReadToEnd();

  // Empties the buffer and lets the reader read the stream again.
  void DiscardBufferedData();
  void OwnStream() { FOwnsStream = true; }
  // True when the stream is exhausted and nothing is buffered.
  bool GetEndOfStream();
  bool EndOfStream() { return GetEndOfStream(); }
  TStream* BaseStream() const { return FStream; }
  const TEncoding* CurrentEncoding() const { return FEncoding; }

 protected:
  // Reads and decodes one chunk; false when nothing more can come.
  bool FillBuffer();
  // Fills until at least `count` code units are buffered or the data end.
  bool EnsureBuffered(size_t count);
  size_t BufferedCount() const { return FBufferedData.size() - FHead; }
  StringView Buffered() const { return StringView(FBufferedData).substr(FHead); }
  void Consume(size_t count) { FHead += std::min(count, BufferedCount()); }
  bool MoreMayCome() const { return FStream && !FNoDataInStream; }

  int FBufferSize;
  bool FDetectBOM;
  const TEncoding* FEncoding;
  bool FNoDataInStream = false;
  bool FOwnsStream = false;
  bool FSkipPreamble;
  TStream* FStream;

 private:
  void DetectEncoding(std::string& bytes);

  // Decoded text; the code units before FHead are consumed.
  String FBufferedData;
  size_t FHead = 0;
  std::string carry_;  // bytes of a character cut at the end of the last chunk
  std::string chunk_;
};

// The look-ahead operations of the XML parser. Each fills the buffer as far
// as it needs, so a keyword or stop string cut by a chunk is still seen.
class TvnStreamReaderHelper : public TvnStreamReader {
 public:
  using TvnStreamReader::TvnStreamReader;

  // Text up to the first of `StopChars` (or, with etoStopString, up to the
  // whole string `StopChars`). The text is consumed, the stop too under
  // etoDeleteStopChar. Without a stop, the rest of the data.
  virtual String ReadText(StringView StopChars, TExtractTextOptions Options);
  // Consumes `Value` code units when that many are there, else nothing.
  virtual void IncCharPos(int Value);
  // When the text starts with `Value` (exactly, case-sensitively), consumes
  // it and answers true.
  virtual bool IsUppercaseText(StringView Value);

  // Fills once when fewer than `Value` code units are buffered; true when
  // at least `Value` are.
  bool PrepareBuffer(int Value);
  // The next code unit as a string, empty at the end. Nothing is consumed.
  String FirstChar();

  // In-place scanning for the parser: the buffered, unconsumed text (valid
  // until the next call that reads or consumes), growing it by one chunk,
  // and consuming a prefix of it.
  StringView Lookahead() const { return Buffered(); }
  bool ReadMore() { return FillBuffer(); }
  void Skip(size_t count) { Consume(count); }
};

}  // namespace vn::ooxml
