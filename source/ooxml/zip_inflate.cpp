#include "ooxml/zip_inflate.h"

#include <cmath>
#include <limits>
#include <memory>
#include <vector>

#include "ooxml/zip_exceptions.h"
#include "runtime/byte_decoder.h"
#include "runtime/inflate.h"

namespace vn::ooxml {

namespace {

using codec::InflateFault;

// The compressed bytes, pulled from the source stream, with the percentage
// of `stream_size` read so far reported at every refill.
class StreamSource final : public codec::ByteSource {
 public:
  StreamSource(TStream& stream, int64_t stream_size, const TAbDeflateHelper::TAbProgressStep& progress)
      : stream_(stream), stream_size_(stream_size), progress_(progress) {}

  size_t ReadSome(uint8_t* buffer, size_t count) override {
    int64_t n = stream_.Read(buffer, static_cast<int64_t>(count));
    if (n <= 0) return 0;
    read_ += n;
    if (progress_ && stream_size_ > 0)
      progress_(static_cast<int>(std::lround(static_cast<double>(read_) * 100.0 / static_cast<double>(stream_size_))));
    return static_cast<size_t>(n);
  }
  void Rewind() override {}

 private:
  TStream& stream_;
  int64_t stream_size_;
  const TAbDeflateHelper::TAbProgressStep& progress_;
  int64_t read_ = 0;
};

const char* FaultMessage(InflateFault fault, bool deflate64) {
  switch (fault) {
    case InflateFault::kTruncatedHeader: return "no more compressed data in stream [TAbDfInBitStream.ReadBits]";
    case InflateFault::kTruncatedStored: return "no more compressed data in stream [TAbDfInBitStream.ReadBuffer]";
    case InflateFault::kTruncatedCodes: return "no more compressed data in stream [TAbDfInBitStream.DiscardBits]";
    case InflateFault::kBadBlockType: return "starting new block, but invalid block type [Inflate]";
    case InflateFault::kStoredLengthMismatch:
      return "invalid stored block (length and NOT length do not match) [InflateStoredBlock]";
    case InflateFault::kTooManyLengthCodes:
      return "count of literal codes in dynamic block is greater than 286 [InflateDynamicBlock]";
    case InflateFault::kTooManyDistanceCodes:
      return "count of distance codes in dynamic block is greater than 30 [InflateDynamicBlock]";
    case InflateFault::kBadCodeLengthCode: return "decoded a symbol not between 0 and 18 {ReadLitDistCodeLengths}";
    case InflateFault::kBadCodeLengths: return "decoded a code length out of range {ReadLitDistCodeLengths}";
    case InflateFault::kBadLengthSymbol: return "decoded an invalid length symbol: greater than 285 [DecodeData]";
    case InflateFault::kBadDistanceSymbol:
      return deflate64 ? "decoded an invalid distance symbol: greater than 31 [DecodeData]"
                       : "decoded an invalid distance symbol: greater than 29 [DecodeData]";
    case InflateFault::kDistanceTooFar: return "decoded a distance reaching before the start of the data [DecodeData]";
    case InflateFault::kBadZlibHeader:
    case InflateFault::kNone: break;
  }
  return "the compressed data end before the final block [Inflate]";
}

}  // namespace

uint32_t Inflate(TStream& source, TStream& dest, TAbDeflateHelper* helper) {
  TAbDeflateHelper run;
  if (helper) run.Assign(*helper);
  const int options = run.Options();
  const bool deflate64 = options & kDeflate64Option;
  const bool use_adler = options & kAdler32Option;
  const bool test_only = options & kTestOnlyOption;
  int64_t stream_size = run.OnProgressStep ? run.StreamSize : 0;
  if (run.OnProgressStep && stream_size == -1) stream_size = source.Size();

  const int64_t source_start = source.Position();
  const int64_t dest_start = test_only ? 0 : dest.Position();

  std::unique_ptr<TAbLogger> log;
  if (!run.LogFile.empty()) {
    log = std::make_unique<TAbLogger>(run.LogFile);
    log->WriteLine(u"INFLATING STREAM...");
    log->WriteLine(u"Need to recompile the app with UseLogging turned on");
  }

  StreamSource input(source, stream_size, run.OnProgressStep);
  codec::Inflater inflater(input, codec::InflateOptions{.zlib_wrapper = false, .deflate64 = deflate64, .strict = true});
  inflater.SetMaxOutput(run.PartialSize > 0 ? static_cast<uint64_t>(run.PartialSize)
                                            : std::numeric_limits<uint64_t>::max());

  uint32_t checksum = use_adler ? 1 : 0xFFFFFFFFu;
  int64_t produced = 0;
  bool stopped = false;
  std::vector<uint8_t> buffer(65536);
  try {
    while (size_t n = inflater.Read(buffer.data(), buffer.size())) {
      if (use_adler)
        UpdateAdler32(checksum, buffer.data(), n);
      else
        UpdateCRC32(checksum, buffer.data(), n);
      if (!test_only) dest.WriteBuffer(buffer.data(), static_cast<int64_t>(n));
      produced += static_cast<int64_t>(n);
    }
    stopped = run.PartialSize > 0 && produced >= run.PartialSize;
  } catch (const EAbAbortProgress&) {
    stopped = true;
  } catch (const EAbPartSizedInflate&) {
    stopped = true;
  }

  // Give back what was read past the last bit used.
  source.Seek(-static_cast<int64_t>(inflater.UnusedInput()), SeekOrigin::soCurrent);
  if (helper) {
    helper->NormalSize = test_only ? produced : dest.Position() - dest_start;
    helper->CompressedSize = source.Position() - source_start;
  }
  if (stopped) return 0;
  if (!inflater.Finished()) {
    const String cause = FromAscii(FaultMessage(inflater.Fault(), deflate64));
    if (log) log->WriteLine(u"Internal exception raised: " + cause);
    throw EAbInflateError(cause);
  }
  return use_adler ? checksum : ~checksum;
}

}  // namespace vn::ooxml
