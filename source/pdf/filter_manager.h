// Builds the decode chain of a stream object from its dictionary: Filter
// (or F) names the stages in order, DecodeParms (or DP) their parameters.
// Full and short filter names are matched exactly. The chain owns the raw
// data stream: freeing the stream object that GetFilter returns frees every
// stage down to it.
#pragma once

#include <memory>
#include <string_view>

#include "pdf/objects.h"
#include "pdf/streams.h"

namespace vn::pdf {

class TvnPDFilterManager {
 public:
  // Longest chain built; further filters make the stream yield no data.
  static constexpr int kMaxFilters = 32;

  // A new direct stream object over the decode chain of a stream whose
  // dictionary is `dict` and whose raw (already decrypted) data are
  // `stream`; its dictionary shares `dict`'s entries. ExInvalidObject
  // without a dictionary, ExInvalidStream without a stream (both EBrisquel).
  // No filter gives the raw data; an unusable Filter entry gives a stream
  // without data.
  static std::unique_ptr<TvnPDStream> GetFilter(const TvnPDDictionary* dict, Ref<TvnStream> stream);

  // One decode stage by filter name over `stream`, which it takes over;
  // `parms` are that stage's parameters (used when a dictionary), `dict` the
  // stream dictionary. An unknown name gives a stage without data.
  static Ref<TvnStream> MakeFilter(std::string_view name, const TvnPDBaseObject* parms, Ref<TvnStream> stream,
                                   const TvnPDDictionary* dict);
};

}  // namespace vn::pdf
