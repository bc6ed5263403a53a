#include "pdf/xref.h"

#include <algorithm>
#include <cstring>
#include <map>

#include "pdf/command_impl.h"
#include "pdf/exceptions.h"
#include "pdf/text.h"
#include "runtime/scope_exit.h"
#include "runtime/streams.h"

namespace vn::pdf {

namespace {

constexpr int64_t kObjectStreamFloor = int64_t{1} << 16;

int64_t IntOf(const TvnPDBaseObject* o, int64_t fallback) {
  return o && o->IsInteger() ? o->AsInteger()->GetValue() : fallback;
}

bool IsWordByte(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// The last case-insensitive whole-word "startxref" in `text`, or npos.
size_t FindLastStartxref(std::string_view text) {
  static constexpr std::string_view kWord = "startxref";
  if (text.size() < kWord.size()) return std::string_view::npos;
  for (size_t i = text.size() - kWord.size() + 1; i-- > 0;) {
    bool match = true;
    for (size_t k = 0; k < kWord.size() && match; ++k) match = Lower(text[i + k]) == kWord[k];
    if (!match) continue;
    if (i > 0 && IsWordByte(text[i - 1])) continue;
    if (i + kWord.size() < text.size() && IsWordByte(text[i + kWord.size()])) continue;
    return i;
  }
  return std::string_view::npos;
}

// Reads `count` bytes at `offset` of the platform-level window.
std::string ReadRange(TvnStream& stream, int64_t offset, int64_t count) {
  std::string out;
  TvnBaseStream* base = stream.AsBaseStream();
  if (!base || count <= 0) return out;
  Ref<TvnStream> window = base->MakeSubStream(offset, count, true);
  if (window) window->Read(out, static_cast<size_t>(count));
  return out;
}

}  // namespace

// Object headers, trailers and object streams found by scanning the file.
struct TvnPDXRef::Scan {
  std::map<int64_t, std::pair<int64_t, int64_t>> objects;  // number -> (offset, generation), last wins
  std::vector<int64_t> trailers;                           // offsets of "trailer"
  std::vector<int64_t> candidates;                         // objects that may be ObjStm, XRef or Catalog
};

// ---- TvnObjectStream ----------------------------------------------------------

TvnObjectStream::TvnObjectStream(TvnPDXRef& xref, int64_t objstm_num) : number_(objstm_num) {
  std::unique_ptr<TvnPDBaseObject> obj = xref.Fetch(objstm_num);
  if (!obj || !obj->IsStream()) return;
  TvnPDStream* stream = obj->AsStream();
  const int64_t n = IntOf(stream->GetDict()->LookUp("N"), -1);
  const int64_t first = IntOf(stream->GetDict()->LookUp("First"), -1);
  if (n <= 0 || first < 0) return;
  std::string data;
  stream->Reset();
  stream->GetStream()->Read(data, TvnObjectStream::kMaxDecodedBytes);
  if (static_cast<uint64_t>(first) > data.size()) return;
  // Every object takes at least two bytes of header, which bounds N; and a
  // stream holds no more objects than the table has entries (at least
  // kObjectStreamFloor, as a table being rebuilt need not list them yet):
  // a small compressed header must not make millions of objects.
  const int64_t max_n = std::min({n, first / 2 + 1, std::max(xref.GetSize(), kObjectStreamFloor)});

  auto mem = std::make_shared<vn::TMemoryStream>();
  mem->WriteString(data);
  std::vector<int64_t> offsets;
  {
    auto lexer = std::make_unique<TvnPDLexer>(MakeRef<TvnMemoryStream>(mem, 0, first, true));
    TvnPDParser header(&xref, std::move(lexer), false);
    for (int64_t k = 0; k < max_n; ++k) {
      auto num = header.GetObject();
      auto off = header.GetObject();
      if (!num->IsInteger() || !off->IsInteger()) break;
      const int64_t nv = num->AsInteger()->GetValue();
      const int64_t ov = off->AsInteger()->GetValue();
      if (nv < 0 || ov < 0 || (!offsets.empty() && ov < offsets.back())) break;
      if (ov > static_cast<int64_t>(data.size()) - first) break;
      numbers_.push_back(nv);
      offsets.push_back(ov);
    }
  }
  for (size_t k = 0; k < offsets.size(); ++k) {
    const int64_t start = first + offsets[k];
    const bool last = k + 1 == offsets.size();
    const int64_t length = last ? static_cast<int64_t>(data.size()) - start : offsets[k + 1] - offsets[k];
    auto lexer = std::make_unique<TvnPDLexer>(MakeRef<TvnMemoryStream>(mem, start, length, true));
    TvnPDParser parser(&xref, std::move(lexer), false);
    auto o = parser.GetObject();
    objects_.push_back(o->IsEOF() ? nullptr : std::move(o));
  }
}

std::unique_ptr<TvnPDBaseObject> TvnObjectStream::GetObject(int64_t index, int64_t obj_number) const {
  size_t at = objects_.size();
  if (index >= 0 && static_cast<size_t>(index) < objects_.size() && numbers_[static_cast<size_t>(index)] == obj_number) {
    at = static_cast<size_t>(index);
  } else {
    for (size_t k = objects_.size(); k-- > 0;) {
      if (numbers_[k] == obj_number) {
        at = k;
        break;
      }
    }
  }
  if (at >= objects_.size() || !objects_[at]) return std::make_unique<TvnPDError>();
  return objects_[at]->Clone();
}

// ---- TvnPDXRef ------------------------------------------------------------------

TvnPDXRef::TvnPDXRef(TvnPDDocumentIntf* parent_doc, Ref<TvnStream> stream, vn::Diagnostics* diagnostics)
    : parent_doc_(parent_doc), stream_(std::move(stream)), diagnostics_(diagnostics) {
  const int64_t size = stream_ ? stream_->GetSize() : 0;
  max_entries_ = std::max<int64_t>(int64_t{1} << 16, size);
}

TvnPDXRef::~TvnPDXRef() = default;

void TvnPDXRef::Damaged(const char* what) {
  ok_ = false;
  ReportTo(diagnostics_, {.offset = section_offset_ >= 0 ? uint64_t(section_offset_) : vn::Diagnostic::kNoOffset,
                          .message = what});
}

std::unique_ptr<TvnPDParser> TvnPDXRef::MakeParser(int64_t offset, bool allow_streams) {
  TvnBaseStream* base = stream_ ? stream_->AsBaseStream() : nullptr;
  if (!base) throw ExInvalidStream();
  Ref<TvnStream> window = base->MakeSubStream(offset + start_, 0, false);
  return std::make_unique<TvnPDParser>(this, std::make_unique<TvnPDLexer>(std::move(window)), allow_streams);
}

int64_t TvnPDXRef::GetStartXref() {
  if (start_xref_ > 0) return start_xref_;
  const int64_t size = stream_ ? stream_->GetSize() : 0;
  if (size <= 0) throw ExInvalidPDFFile();
  // Search backwards in overlapping windows, the last occurrence winning;
  // most files end with it, so the first window usually decides.
  constexpr int64_t kWindow = 1024;
  constexpr int64_t kStep = 994;
  size_t found = std::string_view::npos;
  std::string text;
  for (int64_t end = size;; end -= kStep) {
    const int64_t begin = std::max<int64_t>(0, end - kWindow);
    text = ReadRange(*stream_, begin, end - begin);
    found = FindLastStartxref(text);
    if (found != std::string_view::npos || begin == 0) break;
  }
  int64_t offset = 0;
  if (found != std::string_view::npos) {
    std::string token = TokenAt(text, found + 9 + 1);
    size_t i = 0;
    while (i < token.size() && token[i] >= '0' && token[i] <= '9' && i < 18) ++i;
    offset = i ? PDTextToInt(token.substr(0, i)) : 0;
  }
  if (offset <= 0) throw ExStartXrefNotFound();
  start_xref_ = offset;
  return offset;
}

bool TvnPDXRef::Grow(int64_t count) {
  if (count < 0 || count > max_entries_) return false;
  if (static_cast<int64_t>(entries_.size()) < count) entries_.resize(static_cast<size_t>(count));
  return true;
}

void TvnPDXRef::Fill(int64_t index, int64_t offset, int64_t gen, TvnPDXRefEntrytype type) {
  auto& e = entries_[static_cast<size_t>(index)];
  if (e) return;  // a newer section gave it already
  e = std::make_unique<TvnPDXRefEntry>(offset, gen, type);
}

void TvnPDXRef::KeepTrailer(const TvnPDDictionary& dict) {
  if (trailer_) return;
  std::unique_ptr<TvnPDBaseObject> copy = dict.Clone();
  trailer_.reset(copy.release()->AsDict());
  trailer_->SetParentDoc(parent_doc_);
  trailer_->SetIsChanged(false);
}

bool TvnPDXRef::GenerateTable() {
  std::set<int64_t> visited;
  try {
    int64_t offset = GetStartXref();
    while (offset >= 0 && ok_) {
      if (!visited.insert(offset).second) {  // a Prev chain that loops
        ReportTo(diagnostics_, {.offset = uint64_t(offset), .message = "the Prev chain of cross-reference sections loops"});
        break;
      }
      offset = ReadXRefSection(offset, true);
    }
  } catch (const ExStartXrefNotFound&) {
    Rebuild();
    if (!trailer_) throw;
    return false;
  }
  if (!ok_ || !trailer_ || !trailer_->LookupRefObj("Root")) Rebuild();
  if (!trailer_) throw ExImproperCrossRefTableOrStream();
  return ok_;
}

int64_t TvnPDXRef::ReadXRefSection(int64_t offset, bool follow_prev) {
  section_offset_ = offset;
  if (offset < 0 || offset >= stream_->GetSize()) {
    section_offset_ = -1;
    Damaged("a cross-reference section lies outside the file");
    return -1;
  }
  auto parser = MakeParser(offset, true);
  int64_t next = -1;
  const TvnPDBaseObject* first = parser->Current();
  if (first->IsCommand()) {
    // A hybrid file's XRefStm names a stream; a classic table there is not
    // read, or a trailer whose XRefStm names its own table would recurse
    // without end.
    if (!follow_prev) return -1;
    if (!IsCmd(first, "xref")) {
      Damaged("no cross-reference section where one should start");
      return -1;
    }
    parser->GetObject();
    next = ReadXRefTable(*parser);
  } else if (first->IsInteger()) {
    auto num = parser->GetObject();
    auto gen = parser->GetObject();
    auto kw = parser->GetObject();
    auto obj = num->IsInteger() && gen->IsInteger() && IsCmd(kw.get(), "obj") ? parser->GetObject() : nullptr;
    if (!obj || !obj->IsStream()) {
      Damaged("no cross-reference stream where one should start");
      return -1;
    }
    next = ReadXRefStream(*obj->AsStream());
  } else {
    if (!trailer_) Damaged("no cross-reference section where one should start");
    return -1;
  }
  return follow_prev ? next : -1;
}

int64_t TvnPDXRef::ReadXRefTable(TvnPDParser& parser) {
  for (;;) {
    const TvnPDBaseObject* cur = parser.Current();
    if (IsCmd(cur, "trailer")) {
      parser.GetObject();
      break;
    }
    if (IsCmd(cur, "xref")) {
      parser.GetObject();
      continue;
    }
    auto s_obj = parser.GetObject();
    auto c_obj = parser.GetObject();
    const int64_t s = IntOf(s_obj.get(), -1);
    const int64_t c = IntOf(c_obj.get(), -1);
    if (s < 0 || c < 0 || s > max_entries_ || c > max_entries_ || !Grow(s + c)) {
      Damaged("a cross-reference subsection header is damaged");
      return -1;
    }
    if (s == 1 && subsections_ == 0) one_based_single_ = true;
    else one_based_single_ = false;
    ++subsections_;
    start_object_number_ = std::min(start_object_number_, s);
    if (c > 0) last_object_number_ = std::max(last_object_number_, s + c - 1);
    for (int64_t k = 0; k < c; ++k) {
      auto off = parser.GetObject();
      auto gen = parser.GetObject();
      auto kind = parser.GetObject();
      if (!off->IsInteger() || !gen->IsInteger() || !(IsCmd(kind.get(), "n") || IsCmd(kind.get(), "f"))) {
        Damaged("a cross-reference entry is damaged");
        return -1;
      }
      Fill(s + k, off->AsInteger()->GetValue(), gen->AsInteger()->GetValue(),
           IsCmd(kind.get(), "n") ? TvnPDXRefEntrytype::xeUnCompressed : TvnPDXRefEntrytype::xeFree);
    }
  }
  auto dict = parser.GetObject();
  if (!dict->IsDict()) {
    Damaged("the trailer dictionary is missing");
    return -1;
  }
  TvnPDDictionary* d = dict->AsDict();
  KeepTrailer(*d);
  const int64_t xref_stm = IntOf(d->LookUp("XRefStm"), -1);
  if (xref_stm >= 0) ReadXRefSection(xref_stm, false);
  return ok_ ? IntOf(d->LookUp("Prev"), -1) : -1;
}

int64_t TvnPDXRef::ReadXRefStream(TvnPDStream& stream) {
  TvnPDDictionary* d = stream.GetDict();
  const int64_t size = IntOf(d->LookUp("Size"), -1);
  if (size < 0 || !Grow(size)) {
    Damaged("a cross-reference stream has no usable Size");
    return -1;
  }
  TvnPDBaseObject* w_obj = d->LookUp("W");
  int w[3];
  if (!w_obj || !w_obj->IsArray() || w_obj->AsArray()->GetLength() < 3) {
    Damaged("a cross-reference stream has no usable W");
    return -1;
  }
  for (int i = 0; i < 3; ++i) {
    const int64_t v = IntOf(w_obj->AsArray()->Get(i), -1);
    if (v < 0 || v > 8) {
      Damaged("a cross-reference stream has no usable W");
      return -1;
    }
    w[i] = static_cast<int>(v);
  }
  std::string data;
  stream.Reset();
  // No row is wider than 24 bytes, and no more rows are taken than entries.
  stream.GetStream()->Read(data, static_cast<size_t>(max_entries_) * 24);
  size_t pos = 0;
  TvnPDBaseObject* index = d->LookUp("Index");
  if (index && index->IsArray()) {
    TvnPDArray* a = index->AsArray();
    for (int64_t i = 0; i + 1 < a->GetLength(); i += 2) {
      const int64_t s = IntOf(a->Get(i), -1);
      const int64_t c = IntOf(a->Get(i + 1), -1);
      if (s < 0 || c < 0 || !ReadXRefStreamSection(data, pos, s, c, w)) {
        Damaged("a cross-reference stream section is damaged");
        break;
      }
    }
  } else if (!ReadXRefStreamSection(data, pos, 0, size, w)) {
    Damaged("a cross-reference stream section is damaged");
  }
  KeepTrailer(*d);
  return ok_ ? IntOf(d->LookUp("Prev"), -1) : -1;
}

bool TvnPDXRef::ReadXRefStreamSection(const std::string& data, size_t& pos, int64_t first, int64_t count,
                                      const int w[3]) {
  if (first > max_entries_ || count > max_entries_ || !Grow(first + count)) return false;
  start_object_number_ = std::min(start_object_number_, first);
  if (count > 0) last_object_number_ = std::max(last_object_number_, first + count - 1);
  const size_t row = static_cast<size_t>(w[0] + w[1] + w[2]);
  for (int64_t k = 0; k < count; ++k) {
    if (row == 0 || data.size() - pos < row) return true;  // entries past the data stay unfilled
    uint64_t f[3] = {0, 0, 0};
    for (int i = 0; i < 3; ++i) {
      for (int b = 0; b < w[i]; ++b) f[i] = (f[i] << 8) | static_cast<uint8_t>(data[pos++]);
    }
    const uint64_t type = w[0] == 0 ? 1 : f[0];
    const int64_t f2 = static_cast<int64_t>(f[1] & 0x7FFFFFFFFFFFFFFF);
    const int64_t f3 = static_cast<int64_t>(f[2] & 0x7FFFFFFFFFFFFFFF);
    switch (type) {
      case 0: Fill(first + k, f2, f3, TvnPDXRefEntrytype::xeFree); break;
      case 1: Fill(first + k, f2, f3, TvnPDXRefEntrytype::xeUnCompressed); break;
      case 2: Fill(first + k, f2, f3, TvnPDXRefEntrytype::xeCompressed); break;
      default: return false;
    }
  }
  return true;
}

void TvnPDXRef::SetDecryption(const TvnEncryptionSettings& settings, bool strings, bool streams) {
  encrypted_ = true;
  object_streams_.clear();
  if (strings) string_security_ = std::make_unique<TvnStandardSecurity>(settings);
  if (streams) stream_decryption_ = std::make_unique<TvnEncryptionSettings>(settings);
}

const TvnPDXRefEntry* TvnPDXRef::GetEntry(int64_t index) const {
  if (index < 0 || index >= static_cast<int64_t>(entries_.size())) return nullptr;
  return entries_[static_cast<size_t>(index)].get();
}

bool TvnPDXRef::IsEntryFree(int64_t index) const {
  const TvnPDXRefEntry* e = GetEntry(index);
  return e && e->GetEntryType() == TvnPDXRefEntrytype::xeFree;
}

std::unique_ptr<TvnPDBaseObject> TvnPDXRef::ParseAt(int64_t offset, int64_t num, int64_t gen) {
  if (offset < 0 || offset >= stream_->GetSize()) return nullptr;
  auto parser = MakeParser(offset, true);
  auto n = parser->GetObject();
  if (n->IsCommand()) n = parser->GetObject();
  auto g = parser->GetObject();
  auto kw = parser->GetObject();
  if (!n->IsInteger() || n->AsInteger()->GetValue() != num || !g->IsInteger() || !IsCmd(kw.get(), "obj")) {
    return nullptr;
  }
  if (gen >= 0 && g->AsInteger()->GetValue() != gen) return nullptr;
  auto obj = parser->GetObject(encrypted_ ? "Crpt" : "", num, g->AsInteger()->GetValue());
  if (obj->IsCommand("endobj")) obj = std::make_unique<TvnPDNull>();  // "N G obj endobj"
  return obj;
}

std::unique_ptr<TvnPDBaseObject> TvnPDXRef::FetchCompressed(int64_t objstm, int64_t index, int64_t num) {
  // An object stream must itself be an uncompressed object.
  const TvnPDXRefEntry* holder = GetEntry(objstm);
  if (objstm == num || !holder || holder->GetEntryType() != TvnPDXRefEntrytype::xeUnCompressed) {
    return std::make_unique<TvnPDError>();
  }
  for (auto it = object_streams_.begin(); it != object_streams_.end(); ++it) {
    if ((*it)->GetObjStrNum() == objstm) {
      object_streams_.splice(object_streams_.begin(), object_streams_, it);
      return object_streams_.front()->GetObject(index, num);
    }
  }
  object_streams_.push_front(std::make_unique<TvnObjectStream>(*this, objstm));
  if (object_streams_.size() > kObjectStreamCache) object_streams_.pop_back();
  return object_streams_.front()->GetObject(index, num);
}

std::unique_ptr<TvnPDBaseObject> TvnPDXRef::Fetch(int64_t num) {
  if (!stream_) throw ExInvalidStream();
  if (num < 0 || fetching_.count(num) || fetching_.size() >= static_cast<size_t>(kMaxFetchDepth)) {
    return std::make_unique<TvnPDError>();
  }
  fetching_.insert(num);
  vn::ScopeExit done([this, num] { fetching_.erase(num); });

  std::unique_ptr<TvnPDBaseObject> result;
  int64_t gen = 0;
  const TvnPDXRefEntry* e = GetEntry(num);
  if (e && e->GetEntryType() == TvnPDXRefEntrytype::xeCompressed && e->GetOffset() >= 0) {
    result = FetchCompressed(e->GetOffset(), e->GetGenNum(), num);
    if (result->IsError()) result.reset();
  } else if (e && e->GetEntryType() == TvnPDXRefEntrytype::xeUnCompressed) {
    gen = e->GetGenNum();
    result = ParseAt(e->GetOffset(), num, gen);
  }
  // A table whose only subsection claims to start at 1 but lists object 0
  // first: the entry one further holds the object.
  if (!result && one_based_single_ && subsections_ == 1) {
    if (const TvnPDXRefEntry* shifted = GetEntry(num + 1);
        shifted && shifted->GetEntryType() == TvnPDXRefEntrytype::xeUnCompressed) {
      gen = shifted->GetGenNum();
      result = ParseAt(shifted->GetOffset(), num, gen);
      if (result)
        ReportTo(diagnostics_, {.object = num, .message = "an object is found one entry further in a table numbered from 1"});
    }
  }
  if (!result && e && e->GetEntryType() == TvnPDXRefEntrytype::xeFree) return std::make_unique<TvnPDError>();
  if (!result) {
    // The entry is missing or points elsewhere: the object's own header, if
    // the file has one.
    const Scan& scan = GetScan();
    if (auto it = scan.objects.find(num); it != scan.objects.end()) {
      gen = it->second.second;
      result = ParseAt(it->second.first, num, gen);
      if (result && e)
        ReportTo(diagnostics_, {.object = num, .message = "an object lies away from its cross-reference entry"});
    }
  }
  if (!result || result->IsError()) {
    if (e) ReportTo(diagnostics_, {.object = num, .message = "an object cannot be read"});
    return std::make_unique<TvnPDError>();
  }
  result->SetObjNumber(num);
  result->SetGenNumber(gen);
  result->SetIsChanged(false);
  result->SetIsWritten(false);
  if (TvnPDStream* s = result->AsStream(); s && s->GetDict()) {
    s->GetDict()->SetIsChanged(false);
    s->GetDict()->SetIsWritten(false);
  }
  return result;
}

const TvnPDXRef::Scan& TvnPDXRef::GetScan() {
  if (scan_) return *scan_;
  scan_ = std::make_unique<Scan>();
  const int64_t size = stream_->GetSize();
  constexpr int64_t kChunk = int64_t{1} << 20;
  // Read in overlapping chunks so that a header split by a chunk boundary
  // is still seen whole.
  constexpr int64_t kOverlap = 64;
  auto is_ws = [](char c) { return IsPDWhiteSpace(static_cast<uint8_t>(c)); };
  auto is_digit = [](char c) { return c >= '0' && c <= '9'; };
  for (int64_t base = 0; base < size; base += kChunk) {
    const int64_t begin = std::max<int64_t>(0, base - kOverlap);
    const std::string text = ReadRange(*stream_, begin, std::min(size, base + kChunk) - begin);
    const size_t from = static_cast<size_t>(base - begin);
    for (size_t i = text.find("obj", from); i != std::string::npos; i = text.find("obj", i + 1)) {
      if (i + 3 < text.size() && IsPDRegular(static_cast<uint8_t>(text[i + 3]))) continue;
      size_t j = i;
      size_t ws = 0;
      while (j > 0 && is_ws(text[j - 1])) --j, ++ws;
      if (ws == 0) continue;
      size_t g_end = j;
      while (j > 0 && is_digit(text[j - 1])) --j;
      if (j == g_end || g_end - j > 5) continue;
      const int64_t g = PDTextToInt(std::string_view(text).substr(j, g_end - j));
      ws = 0;
      while (j > 0 && is_ws(text[j - 1])) --j, ++ws;
      if (ws == 0) continue;
      size_t n_end = j;
      while (j > 0 && is_digit(text[j - 1])) --j;
      if (j == n_end || n_end - j > 10) continue;
      if (j > 0 && IsPDRegular(static_cast<uint8_t>(text[j - 1]))) continue;
      const int64_t n = PDTextToInt(std::string_view(text).substr(j, n_end - j));
      const int64_t offset = begin + static_cast<int64_t>(j);
      scan_->objects[n] = {offset, g};
      const std::string_view peek = std::string_view(text).substr(i, 512);
      if (peek.find("/ObjStm") != std::string_view::npos || peek.find("/XRef") != std::string_view::npos ||
          peek.find("/Catalog") != std::string_view::npos) {
        scan_->candidates.push_back(n);
      }
    }
    for (size_t i = text.find("trailer", from); i != std::string::npos; i = text.find("trailer", i + 1)) {
      scan_->trailers.push_back(begin + static_cast<int64_t>(i));
    }
  }
  return *scan_;
}

int64_t TvnPDXRef::FindCatalog() {
  if (found_catalog_ != -2) return found_catalog_;
  found_catalog_ = -1;
  std::vector<int64_t> numbers;
  for (int64_t num : GetScan().candidates) {
    numbers.push_back(num);
    // A catalog inside an object stream is then fetched through the table,
    // which gives the object its number stands for now.
    if (auto obj = Fetch(num); obj->IsStream() && obj->AsStream()->Isof("ObjStm")) {
      TvnObjectStream objstm(*this, num);
      for (int64_t k = 0; k < objstm.GetCount(); ++k) {
        const int64_t inner = objstm.GetObjNumberAt(k);
        if (objstm.GetObject(k, inner)->IsDict("Catalog")) numbers.push_back(inner);
      }
    }
  }
  for (int64_t num : numbers) {
    auto obj = Fetch(num);
    if (obj->IsDict("Catalog") && obj->AsDict()->LookupRefObj("Pages")) found_catalog_ = num;
  }
  return found_catalog_;
}

void TvnPDXRef::Rebuild() {
  if (rebuilt_) return;
  rebuilt_ = true;
  ReportTo(diagnostics_, {.message = "the cross-reference table is rebuilt from the objects in the file"});
  object_streams_.clear();
  const Scan& scan = GetScan();
  // Headers found in the file take precedence over a broken table.
  for (const auto& [num, where] : scan.objects) {
    if (!Grow(num + 1)) continue;
    auto& e = entries_[static_cast<size_t>(num)];
    if (e && e->GetEntryType() == TvnPDXRefEntrytype::xeCompressed) continue;
    e = std::make_unique<TvnPDXRefEntry>(where.first, where.second, TvnPDXRefEntrytype::xeUnCompressed);
    last_object_number_ = std::max(last_object_number_, num);
  }
  std::unique_ptr<TvnPDDictionary> found_trailer;
  for (auto it = scan.trailers.rbegin(); it != scan.trailers.rend() && !found_trailer; ++it) {
    auto parser = MakeParser(*it - start_, false);
    parser->GetObject();  // "trailer"
    auto d = parser->GetObject();
    if (d->IsDict() && d->AsDict()->LookupRefObj("Root")) found_trailer.reset(d.release()->AsDict());
  }
  int64_t catalog = -1;
  for (int64_t num : scan.candidates) {
    auto obj = Fetch(num);
    if (obj->IsStream() && obj->AsStream()->Isof("ObjStm")) {
      TvnObjectStream objstm(*this, num);
      for (int64_t k = 0; k < objstm.GetCount(); ++k) {
        const int64_t inner = objstm.GetObjNumberAt(k);
        if (!Grow(inner + 1)) continue;
        auto& e = entries_[static_cast<size_t>(inner)];
        if (e && e->GetEntryType() == TvnPDXRefEntrytype::xeUnCompressed) continue;
        e = std::make_unique<TvnPDXRefEntry>(num, k, TvnPDXRefEntrytype::xeCompressed);
        last_object_number_ = std::max(last_object_number_, inner);
        if (auto o = objstm.GetObject(k, inner); o->IsDict("Catalog")) catalog = inner;
      }
    } else if (obj->IsStream() && obj->AsStream()->Isof("XRef") && !found_trailer &&
               obj->AsStream()->GetDict()->LookupRefObj("Root")) {
      std::unique_ptr<TvnPDBaseObject> copy = obj->AsStream()->GetDict()->Clone();
      found_trailer.reset(copy.release()->AsDict());
    } else if (obj->IsDict("Catalog")) {
      catalog = num;
    }
  }
  if (trailer_ && trailer_->LookupRefObj("Root")) return;
  if (found_trailer) {
    trailer_.reset();
    KeepTrailer(*found_trailer);
  } else if (catalog >= 0) {
    if (!trailer_) {
      trailer_ = std::make_unique<TvnPDDictionary>(parent_doc_);
    }
    trailer_->Add("Root", std::make_unique<TvnPDIndirectRef>(catalog, 0));
    trailer_->SetIsChanged(false);
  }
}

}  // namespace vn::pdf
