// The decode chain of parsed stream objects: the Filter entry's stages
// (Flate, LZW, ASCIIHex, ASCII85, RunLength, with the PNG and TIFF
// predictors of DecodeParms) run over the raw data window on first read.
// A filter without a decoder here, or a chain longer than kMaxStages,
// yields no data. Decoded data are capped at kMaxDecoded bytes.
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "pdf/filters/byte_decoder.h"
#include "pdf/filters/inflate.h"
#include "pdf/filters/lzw.h"
#include "pdf/filters/predictor.h"
#include "pdf/filters/text_filters.h"
#include "pdf/parser.h"

namespace vn::pdf {

namespace {

constexpr size_t kMaxStages = 16;
constexpr uint64_t kMaxDecoded = uint64_t{256} << 20;
constexpr size_t kMaxRaw = size_t{1} << 31;

struct Stage {
  std::string name;
  filters::PredictorParams predictor;
  int early_change = 1;
};

int IntEntry(const TvnPDDictionary* d, std::string_view key, int fallback) {
  if (!d) return fallback;
  TvnPDBaseObject* v = d->LookUp(key);
  if (!v || !v->IsInteger()) return fallback;
  const int64_t n = v->AsInteger()->GetValue();
  return n < -1000000 || n > 1000000 ? fallback : static_cast<int>(n);
}

// Decodes `data` through one stage; false when the stage is unknown.
bool RunStage(const Stage& stage, std::string& data) {
  filters::SpanSource source(data);
  std::unique_ptr<filters::ByteDecoder> decoder;
  const std::string& n = stage.name;
  if (n == "FlateDecode" || n == "Fl") decoder = std::make_unique<filters::Inflater>(source);
  else if (n == "LZWDecode" || n == "LZW") decoder = std::make_unique<filters::LzwDecoder>(source, stage.early_change);
  else if (n == "ASCIIHexDecode" || n == "AHx") decoder = std::make_unique<filters::AsciiHexDecoder>(source);
  else if (n == "ASCII85Decode" || n == "A85") decoder = std::make_unique<filters::Ascii85Decoder>(source);
  else if (n == "RunLengthDecode" || n == "RL") decoder = std::make_unique<filters::RunLengthDecoder>(source);
  else return false;
  decoder->SetMaxOutput(kMaxDecoded);
  filters::ByteDecoder* top = decoder.get();
  std::unique_ptr<filters::PredictorDecoder> predictor;
  if ((n == "FlateDecode" || n == "Fl" || n == "LZWDecode" || n == "LZW") && stage.predictor.predictor > 1) {
    predictor = filters::PredictorDecoder::Create(*decoder, stage.predictor);
    if (predictor) {
      predictor->SetMaxOutput(kMaxDecoded);
      top = predictor.get();
    }
  }
  std::string out = top->ReadAll();
  data = std::move(out);
  return true;
}

// A stream whose data are the decoded bytes of a raw window, decoded on
// first use and held in memory.
class TvnDecodedStream final : public TvnStream {
 public:
  TvnDecodedStream(Ref<TvnStream> raw, std::vector<Stage> stages, bool unusable)
      : raw_(std::move(raw)), stages_(std::move(stages)), unusable_(unusable) {}

  size_t Write(const uint8_t*, size_t) override { return 0; }
  int LookChar() override {
    Decode();
    return pos_ < data_.size() ? static_cast<uint8_t>(data_[pos_]) : -1;
  }
  int GetChar() override {
    Decode();
    return pos_ < data_.size() ? static_cast<uint8_t>(data_[pos_++]) : -1;
  }
  size_t Read(uint8_t* buffer, size_t count) override {
    Decode();
    const size_t n = std::min(count, data_.size() - pos_);
    std::copy_n(data_.data() + pos_, n, buffer);
    pos_ += n;
    return n;
  }
  using TvnStream::Read;
  using TvnStream::Write;
  int64_t GetPosition() override { return static_cast<int64_t>(pos_); }
  TvnStream* GetBaseStream() override { return raw_.get(); }
  TvnStream* GetUndecodedStream() override { return raw_.get(); }
  int64_t GetSize() override {
    Decode();
    return static_cast<int64_t>(data_.size());
  }
  void Reset() override { pos_ = 0; }
  void SetPosition(int64_t position, SeekOrigin origin) override {
    Decode();
    int64_t base = origin == SeekOrigin::soCurrent ? static_cast<int64_t>(pos_)
                   : origin == SeekOrigin::soEnd   ? static_cast<int64_t>(data_.size())
                                                   : 0;
    const int64_t p = base + position;
    pos_ = p < 0 ? 0 : std::min<size_t>(static_cast<size_t>(p), data_.size());
  }
  vn::TStream* GetTStream() override { return raw_->GetTStream(); }
  TvnStreamType GetType() override {
    if (stages_.empty()) return TvnStreamType::stFile;
    const std::string& n = stages_.back().name;
    if (n == "FlateDecode" || n == "Fl") return TvnStreamType::stFlate;
    if (n == "LZWDecode" || n == "LZW") return TvnStreamType::stLZW;
    if (n == "ASCIIHexDecode" || n == "AHx") return TvnStreamType::stASCIIHex;
    if (n == "ASCII85Decode" || n == "A85") return TvnStreamType::stASCII85;
    if (n == "RunLengthDecode" || n == "RL") return TvnStreamType::stRunLength;
    return TvnStreamType::stWeird;
  }

 private:
  void Decode() {
    if (decoded_) return;
    decoded_ = true;
    if (unusable_) return;
    raw_->Reset();
    raw_->Read(data_, kMaxRaw);
    for (const Stage& s : stages_) {
      if (!RunStage(s, data_)) {
        data_.clear();
        return;
      }
    }
  }

  Ref<TvnStream> raw_;
  std::vector<Stage> stages_;
  bool unusable_;
  bool decoded_ = false;
  std::string data_;
  size_t pos_ = 0;
};

Stage MakeStage(const TvnPDBaseObject* name, const TvnPDBaseObject* parms) {
  Stage s;
  s.name = name && name->IsName() ? name->AsName()->GetValue() : std::string("\x01");
  const TvnPDDictionary* p = parms && parms->IsDict() ? parms->AsDict() : nullptr;
  s.predictor.predictor = IntEntry(p, "Predictor", 1);
  s.predictor.columns = IntEntry(p, "Columns", 1);
  s.predictor.colors = IntEntry(p, "Colors", 1);
  s.predictor.bits_per_component = IntEntry(p, "BitsPerComponent", 8);
  s.early_change = IntEntry(p, "EarlyChange", 1);
  return s;
}

}  // namespace

std::unique_ptr<TvnPDStream> MakeDecodedStream(std::unique_ptr<TvnPDDictionary> dict, Ref<TvnStream> raw,
                                               int64_t obj_num, int64_t gen_num) {
  std::vector<Stage> stages;
  bool unusable = false;
  TvnPDBaseObject* filter = dict->LookUp("Filter");
  if (!filter) filter = dict->LookUp("F");
  TvnPDBaseObject* parms = dict->LookUp("DecodeParms");
  if (!parms) parms = dict->LookUp("DP");
  if (filter && filter->IsName()) {
    stages.push_back(MakeStage(filter, parms && parms->IsArray() ? parms->AsArray()->Get(0) : parms));
  } else if (filter && filter->IsArray()) {
    const TvnPDArray* names = filter->AsArray();
    if (static_cast<size_t>(names->GetLength()) > kMaxStages) unusable = true;
    for (int64_t i = 0; !unusable && i < names->GetLength(); ++i) {
      const TvnPDBaseObject* p = parms && parms->IsArray() ? parms->AsArray()->Get(i) : nullptr;
      stages.push_back(MakeStage(names->Get(i), p));
    }
  }
  auto stream = MakeRef<TvnDecodedStream>(std::move(raw), std::move(stages), unusable);
  return std::make_unique<TvnPDStream>(std::move(stream), std::move(dict), obj_num, gen_num);
}

}  // namespace vn::pdf
