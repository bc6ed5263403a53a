#include "ooxml/text_stream_reader.h"

#include <algorithm>

#include "runtime/exceptions.h"

namespace vn::ooxml {
namespace {

// Checks the encoding before the file is opened, so that a failing
// constructor leaves no stream behind.
TStream* OpenForReading(const std::filesystem::path& filename, const TEncoding* encoding) {
  if (!encoding) throw EArgumentException("Invalid Encoding");
  return new TFileStream(filename, FileMode::fmOpenRead);
}

}  // namespace

TvnStreamReader::TvnStreamReader(TStream* Stream, const TEncoding* Encoding, bool DetectBOM, int BufferSize)
    : FBufferSize(std::max(BufferSize, kMinBufferSize)),
      FDetectBOM(DetectBOM),
      FEncoding(Encoding),
      FSkipPreamble(!DetectBOM),
      FStream(Stream) {
  if (!Stream) throw EArgumentException("Invalid Stream");
  if (!Encoding) throw EArgumentException("Invalid Encoding");
}

TvnStreamReader::TvnStreamReader(TStream* Stream) : TvnStreamReader(Stream, TEncoding::UTF8(), true) {}

TvnStreamReader::TvnStreamReader(TStream* Stream, bool DetectBOM)
    : TvnStreamReader(Stream, TEncoding::UTF8(), DetectBOM) {}

TvnStreamReader::TvnStreamReader(const std::filesystem::path& Filename) : TvnStreamReader(Filename, true) {}

TvnStreamReader::TvnStreamReader(const std::filesystem::path& Filename, bool DetectBOM)
    : TvnStreamReader(Filename, TEncoding::UTF8(), DetectBOM) {}

TvnStreamReader::TvnStreamReader(const std::filesystem::path& Filename, const TEncoding* Encoding, bool DetectBOM,
                                 int BufferSize)
    : TvnStreamReader(OpenForReading(Filename, Encoding), Encoding, DetectBOM, BufferSize) {
  FOwnsStream = true;
}

TvnStreamReader::~TvnStreamReader() { Close(); }

void TvnStreamReader::Close() {
  if (FOwnsStream) delete FStream;
  FStream = nullptr;
  FBufferedData.clear();
  FBufferedData.shrink_to_fit();
  FHead = 0;
  carry_.clear();
}

void TvnStreamReader::DetectEncoding(std::string& bytes) {
  std::string_view data(bytes);
  if (FDetectBOM) {
    const TEncoding* found = nullptr;
    if (data.starts_with("\xEF\xBB\xBF")) found = TEncoding::UTF8();
    else if (data.starts_with("\xFF\xFE")) found = TEncoding::Unicode();
    else if (data.starts_with("\xFE\xFF")) found = TEncoding::BigEndianUnicode();
    if (found) {
      FEncoding = found;
      bytes.erase(0, found->GetPreamble().size());
    } else if (FEncoding != TEncoding::Default()) {
      FEncoding = TEncoding::UTF8();
    }
  } else if (FSkipPreamble) {
    const std::string_view preamble = FEncoding->GetPreamble();
    if (!preamble.empty() && data.starts_with(preamble)) bytes.erase(0, preamble.size());
  }
  FDetectBOM = false;
  FSkipPreamble = false;
}

bool TvnStreamReader::FillBuffer() {
  if (!MoreMayCome()) return false;
  chunk_.assign(carry_);
  carry_.clear();
  const size_t before = chunk_.size();
  chunk_.resize(before + static_cast<size_t>(FBufferSize));
  const int64_t got = FStream->Read(chunk_.data() + before, FBufferSize);
  const size_t read = got > 0 ? static_cast<size_t>(got) : 0;
  chunk_.resize(before + read);
  if (read < static_cast<size_t>(FBufferSize)) FNoDataInStream = true;
  if (FDetectBOM || FSkipPreamble) DetectEncoding(chunk_);

  // Consumed text leaves the front of the buffer once it is at least half
  // of it, so each code unit is moved a bounded number of times.
  if (FHead == FBufferedData.size()) {
    FBufferedData.clear();
    FHead = 0;
  } else if (FHead > 0 && FHead >= FBufferedData.size() / 2) {
    FBufferedData.erase(0, FHead);
    FHead = 0;
  }
  const size_t size_before = FBufferedData.size();
  const size_t cut = FEncoding->Decode(chunk_, FNoDataInStream, FBufferedData);
  carry_.assign(chunk_, chunk_.size() - cut, cut);
  return FBufferedData.size() > size_before || MoreMayCome();
}

bool TvnStreamReader::EnsureBuffered(size_t count) {
  while (BufferedCount() < count && FillBuffer()) {
  }
  return BufferedCount() >= count;
}

bool TvnStreamReader::GetEndOfStream() { return !EnsureBuffered(1); }

int TvnStreamReader::Peek() { return EnsureBuffered(1) ? FBufferedData[FHead] : -1; }

int TvnStreamReader::Read() {
  if (!EnsureBuffered(1)) return -1;
  return FBufferedData[FHead++];
}

int TvnStreamReader::Read(std::span<char16_t> Buffer, int Index, int Count) {
  if (Index < 0 || Count < 0 || static_cast<size_t>(Index) + static_cast<size_t>(Count) > Buffer.size())
    throw EArgumentOutOfRangeException("Argument out of range");
  int n = 0;
  while (n < Count) {
    const int c = Read();
    if (c < 0) break;
    Buffer[static_cast<size_t>(Index + n++)] = static_cast<char16_t>(c);
  }
  return n;
}

int TvnStreamReader::ReadBlock(std::span<char16_t> Buffer, int Index, int Count) {
  return Read(Buffer, Index, Count);
}

String TvnStreamReader::ReadLine() {
  String line;
  size_t scanned = 0;
  for (;;) {
    const StringView text = Buffered();
    const size_t stop = text.find_first_of(u"\r\n", scanned);
    if (stop == StringView::npos) {
      scanned = text.size();
      if (FillBuffer()) continue;
      line.assign(text);
      Consume(text.size());
      return line;
    }
    line.assign(text.substr(0, stop));
    const bool cr = text[stop] == u'\r';
    Consume(stop + 1);
    if (cr && EnsureBuffered(1) && Buffered()[0] == u'\n') Consume(1);
    return line;
  }
}

String TvnStreamReader::ReadToEnd() {
  while (FillBuffer()) {
  }
  String rest(Buffered());
  Consume(rest.size());
  return rest;
}

void TvnStreamReader::DiscardBufferedData() {
  FBufferedData.clear();
  FHead = 0;
  carry_.clear();
  FNoDataInStream = false;
}

String TvnStreamReaderHelper::ReadText(StringView StopChars, TExtractTextOptions Options) {
  const bool stop_string = Options.Contains(TExtractTextOption::etoStopString);
  const bool delete_stop = Options.Contains(TExtractTextOption::etoDeleteStopChar);
  size_t scanned = 0;  // code units known to hold no stop
  for (;;) {
    const StringView text = Buffered();
    size_t stop = StringView::npos;
    if (!StopChars.empty()) {
      if (stop_string) stop = text.find(StopChars, scanned);
      else if (StopChars.size() == 1) stop = text.find(StopChars[0], scanned);
      else stop = text.find_first_of(StopChars, scanned);
    }
    if (stop != StringView::npos) {
      String result(text.substr(0, stop));
      Consume(stop + (delete_stop ? (stop_string ? StopChars.size() : 1) : 0));
      return result;
    }
    // A stop string may begin in the last few code units seen.
    if (stop_string && text.size() >= StopChars.size()) scanned = text.size() - StopChars.size() + 1;
    else if (!stop_string) scanned = text.size();
    if (!FillBuffer()) {
      String rest(Buffered());
      Consume(rest.size());
      return rest;
    }
  }
}

void TvnStreamReaderHelper::IncCharPos(int Value) {
  if (Value > 0 && EnsureBuffered(static_cast<size_t>(Value))) Consume(static_cast<size_t>(Value));
}

bool TvnStreamReaderHelper::IsUppercaseText(StringView Value) {
  if (!EnsureBuffered(Value.size()) || !Buffered().starts_with(Value)) return false;
  Consume(Value.size());
  return true;
}

bool TvnStreamReaderHelper::PrepareBuffer(int Value) {
  const size_t want = Value > 0 ? static_cast<size_t>(Value) : 0;
  if (BufferedCount() < want) FillBuffer();
  return BufferedCount() >= want;
}

String TvnStreamReaderHelper::FirstChar() {
  if (!EnsureBuffered(1)) return String();
  return String(1, Buffered()[0]);
}

}  // namespace vn::ooxml
