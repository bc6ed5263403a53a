#include "pdf/writer.h"

#include <openssl/rand.h>

#include <algorithm>
#include <cstdio>
#include <limits>
#include <unordered_map>
#include <vector>

#include "pdf/aes_crypt.h"
#include "pdf/base_doc.h"
#include "pdf/crypt_stream.h"
#include "pdf/exceptions.h"
#include "pdf/filter_streams.h"
#include "pdf/text.h"
#include "runtime/exceptions.h"
#include "runtime/output_file.h"
#include "runtime/rc4.h"

namespace vn::pdf {

namespace {

constexpr size_t kFlushBytes = size_t{1} << 16;
// Bytes kept after "<" of the signature's Contents: 3000 hex digits and ">".
constexpr int64_t kSignatureDigits = 3000;

// Buffered output that counts the bytes written since the save began.
class Output {
 public:
  explicit Output(vn::TStream* stream) : stream_(stream) {}
  void Put(std::string_view text) {
    buffer_ += text;
    position_ += static_cast<int64_t>(text.size());
    if (buffer_.size() >= kFlushBytes) Flush();
  }
  int64_t Position() const { return position_; }
  void Flush() {
    if (buffer_.empty()) return;
    stream_->WriteBuffer(buffer_.data(), static_cast<int64_t>(buffer_.size()));
    buffer_.clear();
  }

 private:
  vn::TStream* stream_;
  std::string buffer_;
  int64_t position_ = 0;
};

std::string RandomIV() {
  std::string iv(16, '\0');
  if (RAND_bytes(reinterpret_cast<unsigned char*>(iv.data()), 16) != 1)
    throw vn::ExvnException("Random number generator failed");
  return iv;
}

// Encrypts strings and stream data with the per-object keys of one file key.
class ObjectCipher {
 public:
  explicit ObjectCipher(const TvnStandardSecurity& security) : security_(security) {}
  std::string Encrypt(std::string_view data, int64_t num, int64_t gen) const {
    const std::string key = security_.ObjectKey(num, gen);
    if (security_.Algorithm() == TvnCryptAlgorithm::cryptAES) return TvnqAESCrypt::EncryptBytes(key, RandomIV(), data);
    return RC4Cipher::Apply(key, data);
  }

 private:
  TvnStandardSecurity security_;
};

// The bytes a string object stands for.
std::string StringBytes(const TvnPDString& s) { return s.IsHexString() ? HexStringBytes(s.GetValue()) : s.GetValue(); }

std::string HexString(std::string_view bytes) { return "<" + BytesToHexText(bytes) + ">"; }

enum class DataMode {
  kStored,   // the stored (undecoded, decrypted) bytes under the dictionary's filters
  kFlate,    // the decoded bytes compressed with Flate
  kDecoded,  // the decoded bytes without any filter
};

bool DecodableStage(TvnStreamType t) {
  return t == TvnStreamType::stFlate || t == TvnStreamType::stLZW || t == TvnStreamType::stASCIIHex ||
         t == TvnStreamType::stASCII85 || t == TvnStreamType::stRunLength;
}

// The stream under the decode stages (the decryption stage or the stored
// window) and whether this layer decodes every stage above it.
TvnStream* StoredData(TvnPDStream& s, bool* decodable) {
  TvnStream* at = s.GetStream();
  bool all = true;
  while (auto* stage = dynamic_cast<TvnFilterStream*>(at)) {
    if (stage->GetType() == TvnStreamType::stCrypt) break;
    if (!DecodableStage(stage->GetType())) all = false;
    at = stage->GetNextStream();
  }
  if (decodable) *decodable = all;
  return at;
}

std::string ReadAll(TvnStream* stream) {
  std::string data;
  if (!stream) return data;
  stream->Reset();
  stream->Read(data, std::numeric_limits<size_t>::max());
  return data;
}

bool HasEntry(const TvnPDDictionary& d, std::string_view key) {
  const TvnPDBaseObject* v = d.LookupRefObj(key);
  return v && !v->IsNull();
}

// Streams whose data stay in the clear in an encrypted file: those with
// their own Crypt filter, and metadata when the file says so.
bool StreamInTheClear(const TvnPDDictionary& dict, bool encrypt_metadata) {
  if (!encrypt_metadata && dict.GetDict()->Isof("Metadata")) return true;
  const TvnPDBaseObject* f = dict.LookUp("Filter");
  if (f && f->IsArray()) f = f->AsArray()->Get(0);
  return f && f->IsName("Crypt");
}

bool StreamChanged(const TvnPDStream& s) { return s.IsChanged() || (s.GetDict() && s.GetDict()->IsChanged()); }

DataMode PlanStream(TvnPDStream& s) {
  bool decodable = true;
  StoredData(s, &decodable);
  const bool plain = s.NoCompression() || s.GetDict()->GetDict()->Isof("Metadata");
  if (HasEntry(*s.GetDict(), "Filter")) {
    if (!StreamChanged(s) || !decodable) return DataMode::kStored;
    return plain ? DataMode::kDecoded : DataMode::kFlate;
  }
  return plain ? DataMode::kStored : DataMode::kFlate;
}

// Entries of a stream dictionary that the written form leaves out or
// replaces (their references are not followed).
bool DroppedKey(std::string_view key, DataMode mode) {
  if (key == "Length") return true;
  if (mode == DataMode::kStored) return false;
  return key == "Filter" || key == "DecodeParms";
}

void CollectRefs(const TvnPDBaseObject* value, std::vector<int64_t>& refs, TvnObjectWalk& walk) {
  if (!value) return;
  if (value->IsIndirectRef()) {
    refs.push_back(value->GetObjNumber());
  } else if (const TvnPDArray* a = value->AsArray()) {
    if (!walk.Enter(a->GetArray())) return;
    for (int64_t i = 0; i < a->GetLength(); ++i) CollectRefs(a->GetRefObj(i), refs, walk);
    walk.Leave();
  } else if (const TvnPDDictionary* d = value->AsDict()) {
    if (!walk.Enter(d->GetDict())) return;
    for (int64_t i = 0; i < d->GetLength(); ++i) CollectRefs(d->GetValueRefObj(i), refs, walk);
    walk.Leave();
  }
}

// A container or any direct container inside it is marked changed.
bool DeepChanged(const TvnPDBaseObject* value, TvnObjectWalk& walk) {
  if (!value) return false;
  if (value->IsChanged()) return true;
  if (const TvnPDStream* s = value->AsStream()) return StreamChanged(*s) || DeepChanged(s->GetDict(), walk);
  bool changed = false;
  if (const TvnPDArray* a = value->AsArray()) {
    if (!walk.Enter(a->GetArray())) return false;
    for (int64_t i = 0; i < a->GetLength() && !changed; ++i) changed = DeepChanged(a->GetRefObj(i), walk);
    walk.Leave();
  } else if (const TvnPDDictionary* d = value->AsDict()) {
    if (!walk.Enter(d->GetDict())) return false;
    for (int64_t i = 0; i < d->GetLength() && !changed; ++i) changed = DeepChanged(d->GetValueRefObj(i), walk);
    walk.Leave();
  }
  return changed;
}

struct SaveSettings {
  bool incremental = false;
  // Incremental: write every reachable object (the file's own table could
  // not be read).
  bool write_all = false;
  int64_t loaded_last = 0;
  // Incremental: the highest number in use, loaded or new.
  int64_t last_in_use = 0;
  const ObjectCipher* strings = nullptr;
  const ObjectCipher* streams = nullptr;
  bool encrypt_metadata = true;
};

// One save: numbers, written objects and the table.
class SaveRun {
 public:
  SaveRun(TvnPDBaseDoc& doc, Output& out, TvnPDXRefWriter& xref, const SaveSettings& settings)
      : doc_(doc), out_(out), xref_(xref), settings_(settings), last_(settings.incremental ? settings.last_in_use : 0) {}

  // Writes `root` and everything reachable from it that is not written
  // yet, children before their parents; `key` is the number the document
  // knows it by (negative for a direct object). Returns its number in the
  // output.
  int64_t WriteGraph(TvnPDBaseObject* root, int64_t key) {
    if (auto it = numbers_.find(key); it != numbers_.end()) return it->second;
    struct Frame {
      TvnPDBaseObject* obj;
      int64_t key;
      std::vector<int64_t> refs;
      size_t next;
    };
    std::vector<Frame> stack;
    stack.push_back({root, key, RefsOf(*root), 0});
    Number(key, *root);
    while (!stack.empty()) {
      Frame& top = stack.back();
      if (top.next < top.refs.size()) {
        const int64_t ref = top.refs[top.next++];
        if (numbers_.count(ref)) continue;
        TvnPDBaseObject* target = doc_.GetObject(ref);
        if (!target || target->IsNull() || target->IsIndirectRef() || target->IsError() || target->IsEOF() ||
            target->IsCommand()) {
          numbers_[ref] = -1;  // references to it are written as null
          continue;
        }
        Number(ref, *target);
        std::vector<int64_t> refs = RefsOf(*target);
        stack.push_back({target, ref, std::move(refs), 0});
      } else {
        TvnPDBaseObject* obj = top.obj;
        const int64_t done = top.key;
        stack.pop_back();
        WriteObject(*obj, done);
      }
    }
    return numbers_[key];
  }

  int64_t NewNumber() { return ++last_; }
  int64_t LastNumber() const { return last_; }
  int64_t GenerationOf(int64_t key) const {
    auto it = generations_.find(key);
    return it == generations_.end() ? 0 : it->second;
  }
  int64_t NumberOf(int64_t key) const {
    auto it = numbers_.find(key);
    return it == numbers_.end() ? -1 : it->second;
  }
  // Records where the text of the object known by `key` lands: the offset
  // of its first byte after the header and of the byte after its text.
  void Watch(int64_t key) { watched_ = key; }
  int64_t WatchedStart() const { return watched_start_; }
  int64_t WatchedEnd() const { return watched_end_; }

  // The text of a value in the output: references carry the new numbers,
  // strings are encrypted with the key of object `num`/`gen` when
  // `cipher` is given.
  void AppendValue(std::string& out, const TvnPDBaseObject* v, const ObjectCipher* cipher, int64_t num, int64_t gen,
                   bool in_array, TvnObjectWalk& walk) const {
    if (!v) {
      if (!in_array) out += "null";
      return;
    }
    switch (v->GetType()) {
      case TvnPDObjTypes::otIndirectRef:
        out += RefText(v->GetObjNumber());
        return;
      case TvnPDObjTypes::otString: {
        const TvnPDString* s = v->AsString();
        if (!cipher) {
          const_cast<TvnPDBaseObject*>(v)->AppendText(out, walk);
        } else if (in_array && !s->IsHexString()) {
          out += '(' + EscapePDString(cipher->Encrypt(StringBytes(*s), num, gen)) + ')';
        } else {
          out += HexString(cipher->Encrypt(StringBytes(*s), num, gen));
        }
        return;
      }
      case TvnPDObjTypes::otArray: {
        const TvnPDArray* a = v->AsArray();
        out += "[ ";
        if (walk.Enter(a->GetArray())) {
          for (int64_t i = 0; i < a->GetLength(); ++i) {
            AppendValue(out, a->GetRefObj(i), cipher, num, gen, true, walk);
            out += ' ';
          }
          walk.Leave();
        }
        out += ']';
        return;
      }
      case TvnPDObjTypes::otDict: {
        const TvnPDDictionary* d = v->AsDict();
        out += "<<";
        if (walk.Enter(d->GetDict())) {
          for (int64_t i = 0; i < d->GetLength(); ++i) {
            out += '/';
            out += EncodeName(d->GetKey(i));
            out += ' ';
            AppendValue(out, d->GetValueRefObj(i), cipher, num, gen, false, walk);
            out += ' ';
          }
          walk.Leave();
        }
        out += ">>";
        return;
      }
      case TvnPDObjTypes::otBoolean:
      case TvnPDObjTypes::otInteger:
      case TvnPDObjTypes::otReal:
      case TvnPDObjTypes::otName:
      case TvnPDObjTypes::otNull:
        const_cast<TvnPDBaseObject*>(v)->AppendText(out, walk);
        return;
      default:
        // Streams are never direct values; tokens are not objects.
        out += "null";
        return;
    }
  }

  std::string RefText(int64_t key) const {
    auto it = numbers_.find(key);
    if (it == numbers_.end() || it->second < 0) return "null";
    return IntToPDText(it->second) + " " + IntToPDText(GenerationOf(key)) + " R";
  }

 private:
  void Number(int64_t key, const TvnPDBaseObject& obj) {
    if (settings_.incremental && key >= 0) {
      numbers_[key] = key;
      generations_[key] = obj.GetGenNumber() > 0 ? obj.GetGenNumber() : 0;
      if (key > last_) last_ = key;
    } else {
      numbers_[key] = ++last_;
    }
  }

  std::vector<int64_t> RefsOf(TvnPDBaseObject& obj) const {
    std::vector<int64_t> refs;
    TvnObjectWalk walk;
    if (TvnPDStream* s = obj.AsStream()) {
      const DataMode mode = PlanStream(*s);
      const TvnPDDictionary* d = s->GetDict();
      if (!walk.Enter(d->GetDict())) return refs;
      for (int64_t i = 0; i < d->GetLength(); ++i)
        if (!DroppedKey(d->GetKey(i), mode)) CollectRefs(d->GetValueRefObj(i), refs, walk);
      return refs;
    }
    CollectRefs(&obj, refs, walk);
    return refs;
  }

  bool NeedsWrite(const TvnPDBaseObject& obj, int64_t key) const {
    if (!settings_.incremental || settings_.write_all || key < 0 || key > settings_.loaded_last) return true;
    TvnObjectWalk walk;
    return DeepChanged(&obj, walk);
  }

  void WriteObject(TvnPDBaseObject& obj, int64_t key) {
    if (!NeedsWrite(obj, key)) return;
    const int64_t num = numbers_[key];
    const int64_t gen = GenerationOf(key);
    xref_.SetEntry(num, out_.Position(), gen, TvnPDXRefEntrytype::xeUnCompressed);
    std::string text = IntToPDText(num) + " " + IntToPDText(gen) + " obj\r\n";
    if (TvnPDStream* s = obj.AsStream()) {
      out_.Put(text);
      WriteStream(*s, num, gen);
      out_.Put("\r\nendobj\r\n");
      return;
    }
    const size_t header = text.size();
    TvnObjectWalk walk;
    AppendValue(text, &obj, settings_.strings, num, gen, false, walk);
    if (key == watched_) {
      watched_start_ = out_.Position() + static_cast<int64_t>(header);
      watched_end_ = out_.Position() + static_cast<int64_t>(text.size());
    }
    text += "\r\nendobj\r\n";
    out_.Put(text);
  }

  void WriteStream(TvnPDStream& s, int64_t num, int64_t gen) {
    const DataMode mode = PlanStream(s);
    std::string data = mode == DataMode::kStored ? ReadAll(StoredData(s, nullptr)) : ReadAll(s.GetStream());
    if (mode == DataMode::kFlate) data = FlateCompress(data);
    const TvnPDDictionary* d = s.GetDict();
    if (settings_.streams && !StreamInTheClear(*d, settings_.encrypt_metadata))
      data = settings_.streams->Encrypt(data, num, gen);

    const std::string length = IntToPDText(static_cast<int64_t>(data.size()));
    std::string text = "<<";
    bool length_done = false, filter_done = false;
    TvnObjectWalk walk;
    walk.Enter(d->GetDict());
    for (int64_t i = 0; i < d->GetLength(); ++i) {
      const std::string key = d->GetKey(i);
      if (key == "Length") {
        text += "/Length " + length + " ";
        length_done = true;
        continue;
      }
      if (key == "Filter" && mode == DataMode::kFlate) {
        text += "/Filter /FlateDecode ";
        filter_done = true;
        continue;
      }
      if (DroppedKey(key, mode)) continue;
      text += '/';
      text += EncodeName(key);
      text += ' ';
      AppendValue(text, d->GetValueRefObj(i), settings_.strings, num, gen, false, walk);
      text += ' ';
    }
    if (!length_done) text += "/Length " + length + " ";
    if (mode == DataMode::kFlate && !filter_done) text += "/Filter /FlateDecode ";
    text += ">>\r\nstream\r\n";
    out_.Put(text);
    out_.Put(data);
    out_.Put("\r\nendstream");
  }

  TvnPDBaseDoc& doc_;
  Output& out_;
  TvnPDXRefWriter& xref_;
  const SaveSettings& settings_;
  std::unordered_map<int64_t, int64_t> numbers_;
  std::unordered_map<int64_t, int64_t> generations_;
  int64_t last_;
  int64_t watched_ = std::numeric_limits<int64_t>::min();
  int64_t watched_start_ = 0;
  int64_t watched_end_ = 0;
};

// The number of the last V dictionary holding the placeholder key among
// the AcroForm fields of type Sig; -1 when there is none.
int64_t FindSignaturePlaceholder(TvnPDBaseDoc& doc, TvnPDDictionary& root) {
  const TvnPDBaseObject* form = root.LookUp("AcroForm");
  const TvnPDBaseObject* fields = form && form->IsDict() ? form->AsDict()->LookUp("Fields") : nullptr;
  if (!fields || !fields->IsArray()) return -1;
  int64_t found = -1;
  for (int64_t i = 0; i < fields->AsArray()->GetLength(); ++i) {
    const TvnPDBaseObject* field = fields->AsArray()->Get(i);
    if (!field || !field->IsDict()) continue;
    const TvnPDBaseObject* ft = field->AsDict()->LookUp("FT");
    const TvnPDBaseObject* v = field->AsDict()->LookupRefObj("V");
    if (!ft || !ft->IsName("Sig") || !v || !v->IsIndirectRef()) continue;
    const TvnPDBaseObject* target = doc.GetObject(v->GetObjNumber());
    if (target && target->IsDict() && target->AsDict()->LookupRefObj("Vintrope")) found = v->GetObjNumber();
  }
  return found;
}

// The signature dictionary's entries up to and including "/Contents<".
std::string SignatureEntries(const TvnSignature& sig, const ObjectCipher* cipher, int64_t num, int64_t gen) {
  auto text = [&](const std::string& value) {
    return cipher ? HexString(cipher->Encrypt(value, num, gen)) : "(" + EscapePDString(value) + ")";
  };
  std::string s = "/Type /Sig /Filter /" + EncodeName(sig.Filter) + " /SubFilter /" + EncodeName(sig.Subfilter);
  if (!sig.Author.empty()) s += " /Name " + text(sig.Author);
  if (!sig.Reason.empty()) s += " /Reason " + text(sig.Reason);
  if (!sig.Location.empty()) s += " /Location " + text(sig.Location);
  if (!sig.ContactInfo.empty()) s += " /ContactInfo " + text(sig.ContactInfo);
  if (sig.DateTime != 0) s += " /M " + text(BuildLocalPDDate(sig.DateTime));
  return s + " /Contents<";
}

// The key the document knows a trailer entry's object by: its number for a
// reference, a negative placeholder for a direct dictionary.
int64_t TrailerKey(const TvnPDDictionary& trailer, std::string_view entry, int64_t direct_key) {
  const TvnPDBaseObject* v = trailer.LookupRefObj(entry);
  return v && v->IsIndirectRef() ? v->GetObjNumber() : direct_key;
}

std::string EncryptDictionaryText(const TvnEncrypt& enc, const TvnStandardSecurity& security, bool encrypt_metadata) {
  const int r = security.Revision();
  const int64_t bits = static_cast<int64_t>(security.KeyLength()) * 8;
  const int v = r == 2 ? 1 : r == 3 ? 2 : 4;
  std::string text = "<</Filter /Standard /U " + HexString(enc.UserKey()) + " /O " + HexString(enc.OwnerKey()) +
                     " /P " + IntToPDText(enc.PermissionValue()) + " /V " + IntToPDText(v) + " /R " +
                     IntToPDText(r) + " /Length " + IntToPDText(bits) + " ";
  if (v == 4) {
    const bool aes = security.Algorithm() == TvnCryptAlgorithm::cryptAES;
    text += std::string("/CF <</StdCF <</CFM /") + (aes ? "AESV2" : "V2") + " /AuthEvent /DocOpen /Length " +
            IntToPDText(static_cast<int64_t>(security.KeyLength())) + " >> >> /StmF /StdCF /StrF /StdCF ";
    if (!encrypt_metadata) text += "/EncryptMetadata false ";
  }
  return text + ">>";
}

std::string CreationDateText(TvnPDDictionary* info) {
  const TvnPDBaseObject* v = info ? info->LookUp("CreationDate") : nullptr;
  return v && v->IsString() ? StringBytes(*v->AsString()) : std::string();
}

}  // namespace

// ---- TvnPDXRefWriter ------------------------------------------------------------

void TvnPDXRefWriter::SetEntry(int64_t number, int64_t offset, int64_t generation, TvnPDXRefEntrytype type) {
  entries_[number] = {offset, generation, type};
}

const TvnPDXRefWriter::Entry* TvnPDXRefWriter::GetEntry(int64_t number) const {
  auto it = entries_.find(number);
  return it == entries_.end() ? nullptr : &it->second;
}

std::string TvnPDXRefWriter::Text(bool with_free_head) const {
  std::map<int64_t, Entry> rows = entries_;
  if (with_free_head) rows[0] = {0, 65535, TvnPDXRefEntrytype::xeFree};
  std::string text = "xref\r\n";
  char line[32];
  for (auto it = rows.begin(); it != rows.end();) {
    auto end = it;
    int64_t count = 0;
    while (end != rows.end() && end->first == it->first + count) {
      ++end;
      ++count;
    }
    text += IntToPDText(it->first) + " " + IntToPDText(count) + "\r\n";
    for (; it != end; ++it) {
      const Entry& e = it->second;
      const bool free = e.type == TvnPDXRefEntrytype::xeFree;
      std::snprintf(line, sizeof line, "%010lld %05lld %c\r\n", static_cast<long long>(e.offset),
                    static_cast<long long>(e.generation), free ? 'f' : 'n');
      text += line;
    }
  }
  return text;
}

// ---- TvnPDWriter ------------------------------------------------------------------

void TvnPDWriter::SaveDocument(vn::TStream* stream) {
  if (!stream || !parent_doc_) throw ExInvalidStream();
  TvnPDBaseDoc& doc = *parent_doc_;
  file_ = stream;
  xref_ = TvnPDXRefWriter();
  sig_contents_ = sig_contents_end_ = 0;
  const int64_t base = stream->Position();

  // Everything that can refuse the save runs before the first byte.
  TvnPDDictionary* root = doc.GetDocRoot();
  TvnPDDictionary* info = doc.GetDocInfo();
  TvnPDDictionary* trailer = doc.GetTrailer();
  if (!trailer) throw ExBadRootObj();
  const bool incremental = doc.GetSaveOptions().Incremental;
  TvnEncryptionSettings* user = doc.GetUserEncryptionSettings();
  const bool encrypt = doc.GetIsEncrypted() || (user && user->Enabled);
  TvnPDReader* reader = doc.GetReader();
  TvnPDXRef* reading = reader ? reader->GetXRef() : nullptr;

  SaveSettings settings;
  settings.incremental = incremental;
  std::unique_ptr<ObjectCipher> string_cipher, stream_cipher;
  std::unique_ptr<TvnEncrypt> encryption;
  std::unique_ptr<TvnStandardSecurity> security;
  if (incremental) {
    if (!reading || !reader->GetFileStream()) throw ExInvalidStream();
    if (encrypt && !doc.GetIsEncrypted()) throw ExIncrementalEncryption();
    settings.loaded_last = doc.GetLoadedLastObjectNumber();
    settings.last_in_use = std::max(settings.loaded_last, reading->GetLastObjectNumber());
    settings.write_all = reading->Rebuilt();
    if (doc.GetIsEncrypted()) {
      // The appended objects use the keys of the file they extend.
      if (const TvnStandardSecurity* s = reading->StringSecurity()) string_cipher = std::make_unique<ObjectCipher>(*s);
      if (const TvnEncryptionSettings* s = reading->StreamDecryption()) {
        stream_cipher = std::make_unique<ObjectCipher>(TvnStandardSecurity(*s));
        settings.encrypt_metadata = s->EncryptMetadata;
      }
    }
  } else if (encrypt && user) {
    encryption = std::make_unique<TvnEncrypt>(std::string(), 0, 0, *user, CreationDateText(info));
    if (fixed_file_id_) encryption->SetFileID(*fixed_file_id_);
    doc.SetDocID(encryption->FileID(), encryption->FileID());
    TvnEncryptionSettings keyed = *user;
    keyed.FileKey = encryption->FileKey();
    security = std::make_unique<TvnStandardSecurity>(keyed);
    string_cipher = std::make_unique<ObjectCipher>(*security);
    stream_cipher = std::make_unique<ObjectCipher>(*security);
    settings.encrypt_metadata = user->EncryptMetadata;
  }
  settings.strings = string_cipher.get();
  settings.streams = stream_cipher.get();

  Output out(stream);
  if (incremental) {
    vn::TStream* original = reader->GetFileStream();
    const int64_t keep = original->Position();
    original->SetPosition(0);
    std::vector<char> chunk(kFlushBytes);
    for (;;) {
      const int64_t n = original->Read(chunk.data(), static_cast<int64_t>(chunk.size()));
      if (n <= 0) break;
      out.Put(std::string_view(chunk.data(), static_cast<size_t>(n)));
    }
    original->SetPosition(keep);
    out.Put("\r\n");
  } else {
    out.Put(doc.GetSaveOptions().Header);
  }

  SaveRun run(doc, out, xref_, settings);
  const int64_t placeholder = doc.GetSignDoc() ? FindSignaturePlaceholder(doc, *root) : -1;
  if (placeholder >= 0) run.Watch(placeholder);
  const int64_t root_key = TrailerKey(*trailer, "Root", -2);
  const int64_t info_key = TrailerKey(*trailer, "Info", -3);
  run.WriteGraph(root, root_key);
  if (info) run.WriteGraph(info, info_key);

  std::string encrypt_ref;
  if (encryption) {
    const int64_t num = run.NewNumber();
    xref_.SetEntry(num, out.Position(), 0, TvnPDXRefEntrytype::xeUnCompressed);
    out.Put(IntToPDText(num) + " 0 obj\r\n" + EncryptDictionaryText(*encryption, *security, settings.encrypt_metadata) +
            "\r\nendobj\r\n");
    encrypt_ref = IntToPDText(num) + " 0 R";
  } else if (incremental && doc.GetIsEncrypted()) {
    const TvnPDBaseObject* e = trailer->LookupRefObj("Encrypt");
    if (e && e->IsIndirectRef()) encrypt_ref = IntToPDText(e->GetObjNumber()) + " " + IntToPDText(e->GetGenNumber()) + " R";
  }

  start_xref_ = out.Position();
  out.Put(xref_.Text(!incremental));

  // The trailer.
  int64_t size = run.LastNumber() + 1;
  if (incremental) {
    const TvnPDBaseObject* old_size = trailer->LookUp("Size");
    if (old_size && old_size->IsInteger() && old_size->AsInteger()->GetValue() > size)
      size = old_size->AsInteger()->GetValue();
    size = std::max(size, settings.loaded_last + 1);
  }
  std::string text = "trailer\r\n<</Size " + IntToPDText(size) + " ";
  if (incremental && !settings.write_all) text += "/Prev " + IntToPDText(reading->GetStartXref()) + " ";
  text += "/Root " + run.RefText(root_key) + " ";
  if (info) text += "/Info " + run.RefText(info_key) + " ";
  if (!encrypt_ref.empty()) text += "/Encrypt " + encrypt_ref + " ";
  if (const TvnPDBaseObject* id = trailer->LookUp("ID"); id && id->IsArray()) {
    TvnObjectWalk walk;
    text += "/ID ";
    run.AppendValue(text, id, nullptr, 0, 0, false, walk);
    text += " ";
  }
  text += ">>\r\nstartxref\r\n" + IntToPDText(start_xref_) + "\r\n%%EOF";
  out.Put(text);
  out.Flush();

  if (placeholder >= 0 && run.WatchedEnd() > 0) {
    // The placeholder's text is "<<" ... ">>": everything between them
    // becomes the signature dictionary.
    const int64_t a = run.WatchedStart() + 2;
    const int64_t close = run.WatchedEnd() - 2;
    const std::string entries = SignatureEntries(*doc.GetSignature(), settings.strings, run.NumberOf(placeholder),
                                                 run.GenerationOf(placeholder));
    const int64_t b = a + static_cast<int64_t>(entries.size()) - 1;
    const int64_t e = b + kSignatureDigits + 2;
    const std::string range = "/ByteRange [0 " + IntToPDText(b) + " " + IntToPDText(e) + " " +
                              IntToPDText(out.Position() - e) + "]";
    std::string patch = entries + std::string(kSignatureDigits, '0') + ">" + range;
    if (static_cast<int64_t>(patch.size()) > close - a) throw ExSignatureSpace();
    patch.resize(static_cast<size_t>(close - a), ' ');
    stream->Seek(base + a, vn::SeekOrigin::soBeginning);
    stream->WriteBuffer(patch.data(), static_cast<int64_t>(patch.size()));
    stream->Seek(base + out.Position(), vn::SeekOrigin::soBeginning);
    sig_contents_ = b;
    sig_contents_end_ = e;
  }
}

void TvnPDWriter::SaveDocument(const std::filesystem::path& filename) {
  if (filename.empty()) throw ExInvalidFileName();
  try {
    vn::OutputFile file(filename);
    try {
      SaveDocument(&file);
    } catch (...) {
      file_ = nullptr;
      throw;
    }
    file_ = nullptr;
    file.Commit();
  } catch (const vn::EFCreateError& e) {
    throw ExFileCreateError(e.what());
  }
}

}  // namespace vn::pdf
