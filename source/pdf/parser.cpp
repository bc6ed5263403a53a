#include "pdf/parser.h"

#include <algorithm>
#include <cstring>

#include "pdf/command_impl.h"
#include "pdf/crypt_stream.h"
#include "pdf/filter_manager.h"
#include "pdf/text.h"
#include "pdf/xref.h"

namespace vn::pdf {

namespace {

// The decryption stage of one stream's data: decrypts the whole window on
// Reset with the document's file key (no password check per object).
class TvnStreamDecryption final : public TvnFilterStream {
 public:
  TvnStreamDecryption(Ref<TvnStream> window, int64_t obj_num, int64_t gen_num, const TvnEncryptionSettings& settings)
      : TvnFilterStream(window.get(), true, std::make_unique<TvnDecrypt>(window.get(), gen_num, obj_num, settings)) {
    window.Release();
  }
  TvnStreamType GetType() override { return TvnStreamType::stCrypt; }
};

// Streams that keep their data in the clear in an encrypted file:
// cross-reference streams, metadata when EncryptMetadata is false, and
// streams with their own Crypt filter.
bool StreamInTheClear(const TvnPDDictionary& dict, const TvnEncryptionSettings& settings) {
  if (dict.GetDict()->Isof("XRef")) return true;
  if (!settings.EncryptMetadata && dict.GetDict()->Isof("Metadata")) return true;
  const TvnPDBaseObject* f = dict.LookUp("Filter");
  if (f && f->IsArray()) f = f->AsArray()->Get(0);
  return f && f->IsName("Crypt");
}

}  // namespace

TvnPDParser::TvnPDParser(TvnPDXRef* xref, std::unique_ptr<TvnPDLexer> lexer, bool allow_streams)
    : xref_(xref), lexer_(std::move(lexer)), allow_streams_(allow_streams) {
  lexer_->GetStream()->Reset();
  current_ = lexer_->GetObject();
  next_ = lexer_->GetObject();
}

void TvnPDParser::Report(int64_t offset, int64_t obj_num, const char* what) const {
  if (!xref_) return;
  ReportTo(xref_->GetDiagnostics(), {.offset = offset >= 0 ? uint64_t(offset) : vn::Diagnostic::kNoOffset,
                                     .object = obj_num >= 0 ? obj_num : vn::Diagnostic::kNoObject,
                                     .message = what});
}

TvnPDDocumentIntf* TvnPDParser::Doc() const { return xref_ ? xref_->ParentDoc() : nullptr; }

void TvnPDParser::Shift() {
  if (inline_image_ <= 0 && IsCmd(next_.get(), "ID")) {
    lexer_->SkipChar();
    inline_image_ = 1;
  } else if (inline_image_ == 1) {
    inline_image_ = 2;
  } else if (inline_image_ == 2) {
    inline_image_ = 0;
  }
  current_ = std::move(next_);
  if (inline_image_ <= 0) {
    next_ = lexer_->GetObject();
  } else {
    next_ = std::make_unique<TvnPDNull>();
  }
}

void TvnPDParser::Refill() {
  current_ = lexer_->GetObject();
  next_ = lexer_->GetObject();
}

std::unique_ptr<TvnPDBaseObject> TvnPDParser::GetObject(std::string_view file_key, int64_t obj_num,
                                                        int64_t gen_num) {
  if (inline_image_ == 2) {
    Refill();
    inline_image_ = 0;
  }
  return Parse(0, file_key, obj_num, gen_num);
}

std::unique_ptr<TvnPDBaseObject> TvnPDParser::Parse(int depth, std::string_view file_key, int64_t obj_num,
                                                    int64_t gen_num) {
  const bool container = IsCmd(current_.get(), "[") || IsCmd(current_.get(), "<<");
  if (container && depth >= kMaxDepth) {
    Report(lexer_->GetPosition(), obj_num, "objects are nested too deep; the inner ones are dropped");
    Shift();
    return std::make_unique<TvnPDError>();
  }
  if (IsCmd(current_.get(), "[")) return ParseArray(depth + 1, file_key, obj_num, gen_num);
  if (IsCmd(current_.get(), "<<")) return ParseDictionary(depth + 1, file_key, obj_num, gen_num);
  if (current_->IsInteger()) return ParseIntOrRef();
  if (current_->IsString() && !file_key.empty()) return ParseString(obj_num, gen_num);
  auto result = std::move(current_);
  // The end of the data stays current so that callers keep seeing it.
  if (result->IsEOF()) current_ = std::make_unique<TvnPDEOF>();
  else Shift();
  return result;
}

std::unique_ptr<TvnPDBaseObject> TvnPDParser::ParseArray(int depth, std::string_view file_key, int64_t obj_num,
                                                         int64_t gen_num) {
  Shift();
  auto array = std::make_unique<TvnPDArray>(Doc());
  for (;;) {
    if (current_->IsEOF()) break;
    if (IsCmd(current_.get(), "]")) {
      Shift();
      break;
    }
    // An unclosed array inside a dictionary or object ends where they do.
    if (IsCmd(current_.get(), ">>") || IsCmd(current_.get(), "endobj")) break;
    array->Add(Parse(depth, file_key, obj_num, gen_num));
  }
  array->SetIsChanged(false);
  return array;
}

std::unique_ptr<TvnPDBaseObject> TvnPDParser::ParseDictionary(int depth, std::string_view file_key, int64_t obj_num,
                                                              int64_t gen_num) {
  Shift();
  auto dict = std::make_unique<TvnPDDictionary>(Doc());
  while (!IsCmd(current_.get(), ">>") && !current_->IsEOF()) {
    if (!current_->IsName()) {
      if (IsCmd(current_.get(), "endobj")) break;  // unclosed dictionary
      Shift();
      continue;
    }
    std::string key = current_->AsName()->GetValue();
    Shift();
    if (current_->IsEOF() || current_->IsError()) break;
    if (IsCmd(current_.get(), ">>")) break;  // key without a value
    dict->Add(key, Parse(depth, file_key, obj_num, gen_num));
  }
  dict->SetIsChanged(false);
  if (allow_streams_ && IsCmd(current_.get(), ">>") && IsCmd(next_.get(), "stream")) {
    auto stream = ParseStream(std::move(dict), !file_key.empty(), obj_num, gen_num);
    if (!stream) return std::make_unique<TvnPDError>();
    return stream;
  }
  if (!current_->IsEOF()) Shift();
  return dict;
}

std::unique_ptr<TvnPDBaseObject> TvnPDParser::ParseIntOrRef() {
  const int64_t n = current_->AsInteger()->GetValue();
  Shift();
  if (current_->IsInteger() && IsCmd(next_.get(), "R")) {
    const int64_t g = current_->AsInteger()->GetValue();
    Shift();
    Shift();
    return std::make_unique<TvnPDIndirectRef>(n, g);
  }
  return std::make_unique<TvnPDInteger>(n);
}

std::unique_ptr<TvnPDBaseObject> TvnPDParser::ParseString(int64_t obj_num, int64_t gen_num) {
  const TvnStandardSecurity* security = xref_ ? xref_->StringSecurity() : nullptr;
  if (!security) {
    auto result = std::move(current_);
    Shift();
    return result;
  }
  const TvnPDString* s = current_->AsString();
  const std::string bytes = s->IsHexString() ? HexStringBytes(s->GetValue()) : s->GetValue();
  auto result = std::make_unique<TvnPDString>(security->Decrypt(bytes, obj_num, gen_num), false);
  Shift();
  return result;
}

int64_t TvnPDParser::FindEndstream(TvnBaseStream& base, int64_t from) {
  static constexpr std::string_view kKey = "endstream";
  Ref<TvnStream> window = base.MakeSubStream(from, kMaxEndstreamSearch, true);
  if (!window) return -1;
  // Streaming match over the window; the keyword has no self-overlap
  // beyond its first letter, so a simple restart suffices.
  size_t matched = 0;
  int64_t pos = from;
  for (int c = window->GetChar(); c >= 0; c = window->GetChar(), ++pos) {
    if (c == kKey[matched]) {
      if (++matched == kKey.size()) return pos + 1 - static_cast<int64_t>(kKey.size());
    } else {
      matched = (c == kKey[0]) ? 1 : 0;
    }
  }
  return -1;
}

std::unique_ptr<TvnPDBaseObject> TvnPDParser::ParseStream(std::unique_ptr<TvnPDDictionary> dict, bool decrypt,
                                                          int64_t obj_num, int64_t gen_num) {
  TvnBaseStream* base = lexer_->GetStream()->AsBaseStream();
  if (!base) return nullptr;
  lexer_->SkiptoNextLine();
  const int64_t start = lexer_->GetPosition();
  const int64_t file_size = base->GetSize();

  int64_t length = -1;
  if (TvnPDBaseObject* len = dict->LookUp("Length"); len && len->IsInteger()) length = len->AsInteger()->GetValue();

  bool at_endstream = false;
  if (length >= 0 && start <= file_size - length) {
    lexer_->SetPosition(start + length);
    Refill();
    at_endstream = IsCmd(current_.get(), "endstream");
  }
  if (!at_endstream) {
    const int64_t found = FindEndstream(*base, start);
    if (found >= 0) {
      Report(start, obj_num, "a stream's Length is wrong or missing; its data end at \"endstream\"");
      length = found - start;
      lexer_->SetPosition(found);
      Refill();
    } else if (length < 0) {
      Report(start, obj_num, "a stream has neither a Length nor \"endstream\"");
      return nullptr;
    } else {
      Report(start, obj_num, "a stream has no \"endstream\"; its Length stands");
      length = std::max<int64_t>(0, std::min(length, file_size - start));
      lexer_->SetPosition(start + length);
      Refill();
    }
  }
  if (IsCmd(current_.get(), "endstream")) Shift();

  Ref<TvnStream> window = base->MakeSubStream(start, length, true);
  if (!window) return nullptr;
  const TvnEncryptionSettings* crypt = xref_ && decrypt ? xref_->StreamDecryption() : nullptr;
  if (crypt && !StreamInTheClear(*dict, *crypt)) {
    window = Ref<TvnStream>::Adopt(new TvnStreamDecryption(std::move(window), obj_num, gen_num, *crypt));
  }
  std::unique_ptr<TvnPDStream> stream = TvnPDFilterManager::GetFilter(dict.get(), std::move(window));
  stream->SetObjNumber(obj_num);
  stream->SetGenNumber(gen_num);
  return stream;
}

}  // namespace vn::pdf
