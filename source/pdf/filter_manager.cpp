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

Ref<TvnStream> Empty(Ref<TvnStream> stream) { return Ref<TvnStream>::Adopt(new TvnEmptyStage(stream.Release())); }

std::unique_ptr<TvnPDDictionary> SharedDict(const TvnPDDictionary* dict) {
  return std::make_unique<TvnPDDictionary>(Ref<TvnDict>::Retain(dict->GetDict()));
}

}  // namespace

Ref<TvnStream> TvnPDFilterManager::MakeFilter(std::string_view name, const TvnPDBaseObject* parms_object,
                                              Ref<TvnStream> stream, const TvnPDDictionary* dict) {
  const TvnPDDictionary* parms = AsDictionary(parms_object);
  auto adopt = [&](TvnStream* stage) { return Ref<TvnStream>::Adopt(stage); };
  if (name == "FlateDecode" || name == "Fl") {
    int predictor = IntParam(parms, "Predictor", 1), columns = IntParam(parms, "Columns", 1),
        colors = IntParam(parms, "Colors", 1), bits = IntParam(parms, "BitsPerComponent", 8);
    TvnStream* beneath = stream.Release();
    return adopt(new TvnFlateStream(beneath, true, predictor, columns, colors, bits));
  }
  if (name == "ASCIIHexDecode" || name == "AHx") return adopt(new TvnASCIIHexStream(stream.Release(), true));
  if (name == "ASCII85Decode" || name == "A85") return adopt(new TvnASCII85Stream(stream.Release(), true));
  if (name == "LZWDecode" || name == "LZW") {
    int predictor = IntParam(parms, "Predictor", 1), columns = IntParam(parms, "Columns", 1),
        colors = IntParam(parms, "Colors", 1), bits = IntParam(parms, "BitsPerComponent", 8),
        early = IntParam(parms, "EarlyChange", 1);
    TvnStream* beneath = stream.Release();
    return adopt(new TvnLZWStream(beneath, true, predictor, columns, colors, bits, early));
  }
  if (name == "RunLengthDecode" || name == "RL") return adopt(new TvnRunLengthStream(stream.Release(), true));
  if (name == "JPXDecode") return adopt(new TvnJPXStream(stream.Release(), true));
  if (name == "Crypt") {
    // The Identity crypt filter (also the default when none is named)
    // leaves the data as they are; any other named filter yields no data.
    const TvnPDBaseObject* filter_name = parms ? parms->LookUp("Name") : nullptr;
    if (!filter_name || filter_name->IsName("Identity")) return stream;
    return Empty(std::move(stream));
  }
  // CCITTFaxDecode, DCTDecode and JBIG2Decode stages are not part of this
  // layer yet; like unknown names they yield no data.
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
    for (int64_t i = 0; i < count; ++i) {
      const TvnPDBaseObject* name = filters->Get(i);
      if (!name || !name->IsName() || i >= kMaxFilters) {
        top = Empty(std::move(top));
        break;
      }
      const TvnPDBaseObject* stage_parms = parms_array ? parms_array->Get(i) : nullptr;
      top = MakeFilter(name->AsName()->GetValue(), stage_parms, std::move(top), dict);
    }
  } else {
    // A Filter that is neither a name nor an array: no usable data.
    top = Empty(std::move(stream));
  }
  return std::make_unique<TvnPDStream>(std::move(top), SharedDict(dict));
}

}  // namespace vn::pdf
