#include "pdf/filter_manager.h"

#include <algorithm>
#include <climits>

#include "pdf/exceptions.h"
#include "pdf/filter_streams.h"

namespace vn::pdf {

namespace {

// A stage that yields no data but owns the chain beneath it, so freeing the
// result of GetFilter frees everything built so far.
class TvnEmptyStage final : public TvnFilterStream {
 public:
  explicit TvnEmptyStage(TvnStream* beneath) : TvnFilterStream(beneath, true) {}
  void Reset() override {
    if (GetNextStream()) GetNextStream()->Reset();
  }
  TvnStreamType GetType() override { return TvnStreamType::stWeird; }
};

const TvnPDDictionary* AsDictionary(const TvnPDBaseObject* parms) {
  return parms && parms->IsDict() ? parms->AsDict() : nullptr;
}

bool BoolParam(const TvnPDDictionary* parms, std::string_view key, bool fallback) {
  if (!parms) return fallback;
  const TvnPDBaseObject* v = parms->LookUp(key);
  return v && v->IsBoolean() ? v->AsBoolean()->GetValue() : fallback;
}

int IntParam(const TvnPDDictionary* parms, std::string_view key, int fallback) {
  if (!parms) return fallback;
  const TvnPDBaseObject* v = parms->LookUp(key);
  if (!v || !v->IsInteger()) return fallback;
  return static_cast<int>(std::clamp<int64_t>(v->AsInteger()->GetValue(), INT_MIN, INT_MAX));
}

// The value under `key`, or under `short_key` when that is absent or null.
const TvnPDBaseObject* EntryOrShort(const TvnPDDictionary* dict, std::string_view key, std::string_view short_key) {
  const TvnPDBaseObject* v = dict->LookUp(key);
  if (!v || v->IsNull()) v = dict->LookUp(short_key);
  return v && !v->IsNull() ? v : nullptr;
}

// A new stage over `stream`; the stage takes the reference over only once
// it exists, so a failing constructor leaves nothing behind.
template <typename Stage, typename... Args>
Ref<TvnStream> MakeStage(Ref<TvnStream>& stream, Args... args) {
  Stage* stage = new Stage(stream.get(), true, args...);
  stream.Release();
  return Ref<TvnStream>::Adopt(stage);
}

Ref<TvnStream> Empty(Ref<TvnStream> stream) {
  TvnEmptyStage* stage = new TvnEmptyStage(stream.get());
  stream.Release();
  return Ref<TvnStream>::Adopt(stage);
}

std::unique_ptr<TvnPDDictionary> SharedDict(const TvnPDDictionary* dict) {
  return std::make_unique<TvnPDDictionary>(Ref<TvnDict>::Retain(dict->GetDict()));
}


// The decoded bytes of the JBIG2Globals stream of a stage's parameters;
// empty without one. Reading it must not disturb another reader of the
// same stream object, so its position is put back to the start after.
std::string JBIG2Globals(const TvnPDDictionary* parms) {
  if (!parms) return {};
  TvnPDBaseObject* globals = parms->LookUp("JBIG2Globals");
  if (!globals || !globals->IsStream()) return {};
  TvnStream* data = globals->AsStream()->GetStream();
  if (!data) return {};
  std::string bytes;
  try {
    data->Reset();
    data->Read(bytes, std::size_t{1} << 28);
    data->Reset();
  } catch (const vn::Exception&) {
    return {};
  }
  return bytes;
}

int64_t NumberEntry(const TvnPDDictionary* dict, std::string_view key, std::string_view short_key) {
  if (!dict) return 0;
  const TvnPDBaseObject* v = EntryOrShort(dict, key, short_key);
  return v && v->IsInteger() ? std::max<int64_t>(0, v->AsInteger()->GetValue()) : 0;
}

}  // namespace

Ref<TvnStream> TvnPDFilterManager::MakeFilter(std::string_view name, const TvnPDBaseObject* parms_object,
                                              Ref<TvnStream> stream, const TvnPDDictionary* dict) {
  const TvnPDDictionary* parms = AsDictionary(parms_object);
  if (name == "FlateDecode" || name == "Fl")
    return MakeStage<TvnFlateStream>(stream, IntParam(parms, "Predictor", 1), IntParam(parms, "Columns", 1),
                                     IntParam(parms, "Colors", 1), IntParam(parms, "BitsPerComponent", 8));
  if (name == "ASCIIHexDecode" || name == "AHx") return MakeStage<TvnASCIIHexStream>(stream);
  if (name == "ASCII85Decode" || name == "A85") return MakeStage<TvnASCII85Stream>(stream);
  if (name == "LZWDecode" || name == "LZW")
    return MakeStage<TvnLZWStream>(stream, IntParam(parms, "Predictor", 1), IntParam(parms, "Columns", 1),
                                   IntParam(parms, "Colors", 1), IntParam(parms, "BitsPerComponent", 8),
                                   IntParam(parms, "EarlyChange", 1));
  if (name == "RunLengthDecode" || name == "RL") return MakeStage<TvnRunLengthStream>(stream);
  if (name == "CCITTFaxDecode" || name == "CCF") {
    filters::CcittParams p;
    p.K = IntParam(parms, "K", 0);
    p.EndOfLine = BoolParam(parms, "EndOfLine", false);
    p.EncodedByteAlign = BoolParam(parms, "EncodedByteAlign", false);
    p.Columns = IntParam(parms, "Columns", 1728);
    p.Rows = IntParam(parms, "Rows", 0);
    p.EndOfBlock = BoolParam(parms, "EndOfBlock", true);
    p.BlackIs1 = BoolParam(parms, "BlackIs1", false);
    return MakeStage<TvnCCITTStream>(stream, p);
  }
  if (name == "DCTDecode" || name == "DCT") return MakeStage<TvnDCTStream>(stream, IntParam(parms, "ColorTransform", -1));
  if (name == "JPXDecode") return MakeStage<TvnJPXStream>(stream);
  if (name == "Crypt") {
    // The Identity crypt filter (also the default when none is named)
    // leaves the data as they are; any other named filter yields no data.
    const TvnPDBaseObject* filter_name = parms ? parms->LookUp("Name") : nullptr;
    if (!filter_name || filter_name->IsName("Identity")) return stream;
    return Empty(std::move(stream));
  }
  if (name == "JBIG2Decode")
    return MakeStage<TvnJBIG2Stream>(stream, JBIG2Globals(parms), NumberEntry(dict, "Width", "W"),
                                     NumberEntry(dict, "Height", "H"));
  // Unknown names yield no data.
  return Empty(std::move(stream));
}

std::unique_ptr<TvnPDStream> TvnPDFilterManager::GetFilter(const TvnPDDictionary* dict, Ref<TvnStream> stream) {
  if (!dict) throw ExInvalidObject();
  if (!stream) throw ExInvalidStream();
  const TvnPDBaseObject* filter = EntryOrShort(dict, "Filter", "F");
  const TvnPDBaseObject* parms = EntryOrShort(dict, "DecodeParms", "DP");
  if (parms && parms->IsArray() && parms->AsArray()->GetLength() == 0) parms = nullptr;

  Ref<TvnStream> top;
  if (!filter) {
    // No filter: the raw data, whatever DecodeParms says.
    top = std::move(stream);
  } else if (filter->IsName()) {
    top = MakeFilter(filter->AsName()->GetValue(), parms, std::move(stream), dict);
  } else if (filter->IsArray()) {
    const TvnPDArray* filters = filter->AsArray();
    const TvnPDArray* parms_array = parms && parms->IsArray() ? parms->AsArray() : nullptr;
    top = std::move(stream);
    const int64_t count = filters->GetLength();
    // A lone dictionary beside a one-filter array belongs to that filter
    // (files written so exist); beside longer arrays it names no stage.
    const TvnPDBaseObject* lone_parms = !parms_array && count == 1 ? parms : nullptr;
    for (int64_t i = 0; i < count; ++i) {
      const TvnPDBaseObject* name = filters->Get(i);
      if (!name || !name->IsName() || i >= kMaxFilters) {
        top = Empty(std::move(top));
        break;
      }
      const TvnPDBaseObject* stage_parms = parms_array ? parms_array->Get(i) : lone_parms;
      top = MakeFilter(name->AsName()->GetValue(), stage_parms, std::move(top), dict);
    }
  } else {
    // A Filter that is neither a name nor an array: no usable data.
    top = Empty(std::move(stream));
  }
  return std::make_unique<TvnPDStream>(std::move(top), SharedDict(dict));
}

}  // namespace vn::pdf
