// The tokenizer of PDF syntax: turns the bytes of a TvnStream into tokens,
// each an object of the object model (numbers, strings, names, booleans,
// null, keywords as TvnPDCommand, syntax errors as TvnPDError, the end of
// the data as TvnPDEOF). Damaged input never raises.
//
// Limits: names and keywords keep their first kMaxWordLength bytes (the
// rest of an overlong token is consumed and dropped, so the following
// tokens stay in step); strings keep their first kMaxStringLength bytes
// (the rest up to the closing delimiter is consumed). Integers are 64-bit
// and saturate instead of wrapping.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "pdf/object.h"
#include "pdf/objects.h"
#include "pdf/streams.h"

namespace vn::pdf {

class TvnPDLexer : public TvnObject {
 public:
  static constexpr size_t kMaxWordLength = 4096;
  static constexpr size_t kMaxStringLength = size_t{32} << 20;

  // Reads `stream` from its present position; holds the reference given.
  explicit TvnPDLexer(Ref<TvnStream> stream);

  // The next token; the caller owns it. TvnPDEOF at the end of the data.
  std::unique_ptr<TvnPDBaseObject> GetObject();
  // Consumes through the end of the present line: LF, CR LF, CR, or the end.
  void SkiptoNextLine();
  void SkipChar() { stream_->GetChar(); }

  TvnStream* GetStream() const { return stream_.get(); }
  int64_t GetPosition() const { return stream_->GetPosition(); }
  void SetPosition(int64_t position) { stream_->SetPosition(position, SeekOrigin::soBeginning); }

 private:
  std::unique_ptr<TvnPDBaseObject> ReadNumber(int first);
  std::string ReadWord(int first);
  std::unique_ptr<TvnPDBaseObject> ReadHexString();
  std::unique_ptr<TvnPDBaseObject> ReadLiteralString();

  Ref<TvnStream> stream_;
};

}  // namespace vn::pdf
