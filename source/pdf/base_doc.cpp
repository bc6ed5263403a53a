#include "pdf/base_doc.h"

#include <system_error>

#include "pdf/exceptions.h"
#include "pdf/text.h"
#include "pdf/writer.h"
#include "runtime/exceptions.h"

namespace vn::pdf {

namespace {

std::shared_ptr<vn::TStream> NotOwned(vn::TStream* s) { return std::shared_ptr<vn::TStream>(s, [](vn::TStream*) {}); }

std::shared_ptr<vn::TStream> OpenForReading(const std::filesystem::path& filename) {
  std::error_code ec;
  if (!std::filesystem::exists(filename, ec)) throw ExFileNotFound();
  try {
    return std::make_shared<vn::TFileStream>(filename, vn::FileMode::fmOpenRead);
  } catch (const vn::Exception&) {
    throw ExFileOpenError();
  }
}

}  // namespace

// ---- TvnPDReader ------------------------------------------------------------------

void TvnPDReader::Load(std::shared_ptr<vn::TStream> file) {
  xref_.reset();
  file_ = file.get();
  auto window = MakeRef<TvnFileStream>(std::move(file), 0, 0, false);
  xref_ = std::make_unique<TvnPDXRef>(parent_doc_, std::move(window), diagnostics_);
  xref_->GenerateTable();
}

void TvnPDReader::LoadFromStream(vn::TStream* stream) {
  if (!stream) throw ExInvalidStream();
  Load(NotOwned(stream));
}

void TvnPDReader::LoadFromFile(const std::filesystem::path& filename) {
  owned_file_ = OpenForReading(filename);
  Load(owned_file_);
}

std::unique_ptr<TvnPDBaseObject> TvnPDReader::Fetch(int64_t object_number) {
  if (!xref_) return nullptr;
  std::unique_ptr<TvnPDBaseObject> obj = xref_->Fetch(object_number);
  if (obj->IsError()) return nullptr;
  obj->SetIsWritten(false);
  return obj;
}

std::unique_ptr<TvnPDDictionary> TvnPDReader::GetTrailer() const {
  if (!xref_ || !xref_->GetTrailorDict()) return nullptr;
  std::unique_ptr<TvnPDBaseObject> copy = xref_->GetTrailorDict()->Clone();
  std::unique_ptr<TvnPDDictionary> dict(copy.release()->AsDict());
  dict->SetParentDoc(xref_->ParentDoc());
  return dict;
}

// ---- TvnPDCollection ----------------------------------------------------------------

void TvnPDCollection::Add(std::unique_ptr<TvnPDBaseObject> value) {
  if (!value) throw ExInvalidObject();
  const int64_t num = value->GetObjNumber();
  if (objects_.count(num)) throw vn::EListError("Duplicates not allowed");
  objects_.emplace(num, std::move(value));
}

TvnPDBaseObject* TvnPDCollection::GetObject(int64_t object_number) const {
  auto it = objects_.find(object_number);
  return it == objects_.end() ? nullptr : it->second.get();
}

// ---- TvnPDBaseDoc ---------------------------------------------------------------------

TvnPDBaseDoc::TvnPDBaseDoc() = default;

TvnPDBaseDoc::~TvnPDBaseDoc() {
  // Objects refer to the document only through borrowed pointers; the cache
  // goes first so that nothing outlives the reader it was read from.
  linearized_.reset();
  collection_.reset();
  trailer_.reset();
  reader_.reset();
  writer_.reset();
}

TvnPDCollection* TvnPDBaseDoc::GetCollection() {
  if (!collection_) collection_ = std::make_unique<TvnPDCollection>();
  return collection_.get();
}

void TvnPDBaseDoc::Reset() {
  collection_.reset();
  trailer_.reset();
  linearized_.reset();
  linearized_probed_ = false;
  catalog_num_ = encrypt_num_ = doc_info_num_ = -1;
  direct_encrypt_ = nullptr;
  is_encrypted_ = is_owner_ = false;
  encrypt_settings_.reset();
  user_settings_.reset();
  password_.clear();
  diagnostics_.Clear();
  reader_ = std::make_unique<TvnPDReader>(this, &diagnostics_);
}

void TvnPDBaseDoc::LoadDocument(vn::TStream* stream, const std::string& password) {
  Reset();
  reader_->LoadFromStream(stream);
  Load(password);
}

void TvnPDBaseDoc::LoadDocument(const std::filesystem::path& filename, const std::string& password) {
  Reset();
  reader_->LoadFromFile(filename);
  Load(password);
}

void TvnPDBaseDoc::Load(const std::string& password) {
  trailer_ = reader_->GetTrailer();
  loaded_last_object_number_ = reader_->GetXRef() ? reader_->GetXRef()->GetLastObjectNumber() : 0;
  TvnPDDictionary* encrypt = GetEncrypt();
  is_encrypted_ = encrypt != nullptr;
  if (!is_encrypted_) {
    password_ = password;
    return;
  }
  std::string file_id, second;
  GetDocID(file_id, second);
  encrypt_settings_ = std::make_unique<TvnEncryptionSettings>(ReadStandardEncryption(*encrypt, file_id));
  auto checked = std::make_unique<TvnEncryptionSettings>(*encrypt_settings_);
  TvnDecrypt check(std::string(), 0, 0, *encrypt_settings_);
  if (!check.CheckPassword(checked.get(), password)) throw ExInvalidPassword();
  is_owner_ = checked->IsOwner;
  password_ = password;
  encrypt_settings_->FileKey = checked->FileKey;
  user_settings_ = std::move(checked);
  // Version 4 names the crypt filters of strings and streams; Identity
  // leaves them in the clear.
  auto encrypted_by = [&](std::string_view key) {
    const TvnPDBaseObject* v = encrypt->LookUp("V");
    if (!v || !v->IsInteger() || v->AsInteger()->GetValue() != 4) return true;
    const TvnPDBaseObject* name = encrypt->LookUp(key);
    return !(name && name->IsName("Identity"));
  };
  reader_->GetXRef()->SetDecryption(*encrypt_settings_, encrypted_by("StrF"), encrypted_by("StmF"));
}

TvnUserPermissions TvnPDBaseDoc::GetPermissions(TvnUserPermissions user_permissions) {
  using T = TvnUserPermissionsType;
  if (!encrypt_settings_) return AllUserPermissions();
  TvnUserPermissions& result = encrypt_settings_->UserPermissions;
  const uint32_t p = static_cast<uint32_t>(encrypt_settings_->Permission);
  auto grant = [&](uint32_t bit, T permission) {
    if ((p & bit) || user_permissions.Contains(permission)) result.Include(permission);
  };
  grant(4, T::AllowPrint);
  grant(8, T::AllowModify);
  grant(16, T::AllowCopy);
  grant(32, T::AllowAnnotation);
  if (encrypt_settings_->Revision >= 3) {
    grant(256, T::AllowFormFill);
    grant(512, T::AllowAccessibility);
    grant(1024, T::AllowDocAssembly);
    grant(2048, T::AllowHighResPrint);
  }
  return result;
}

TvnPDBaseObject* TvnPDBaseDoc::GetObject(int64_t object_number) {
  if (collection_) {
    if (TvnPDBaseObject* cached = collection_->GetObject(object_number)) return cached;
  }
  if (!reader_) return nullptr;
  std::unique_ptr<TvnPDBaseObject> obj = reader_->Fetch(object_number);
  if (!obj) return nullptr;
  // A nested fetch (an indirect stream Length) may have cached it meanwhile.
  if (TvnPDBaseObject* cached = GetCollection()->GetObject(object_number)) return cached;
  obj->SetObjNumber(object_number);
  TvnPDBaseObject* raw = obj.get();
  collection_->Add(std::move(obj));
  return raw;
}

TvnPDDictionary* TvnPDBaseDoc::GetDocRoot() {
  if (catalog_num_ >= 0) {
    if (TvnPDBaseObject* o = GetObject(catalog_num_); o && o->IsDict()) return o->AsDict();
  }
  TvnPDBaseObject* root = trailer_ ? trailer_->LookupRefObj("Root") : nullptr;
  TvnPDBaseObject* target = nullptr;
  if (root && root->IsIndirectRef()) target = GetObject(root->GetObjNumber());
  else target = root;
  if (!target || !target->IsDict() || !target->AsDict()->LookupRefObj("Pages")) {
    // A Root naming another object (the Info dictionary, say) while the
    // file holds a catalog with pages: that catalog is the document's, and
    // the trailer is mended so that a save names it.
    const int64_t found = reader_ && reader_->GetXRef() ? reader_->GetXRef()->FindCatalog() : -1;
    TvnPDBaseObject* other = found >= 0 && !(root && root->IsIndirectRef() && root->GetObjNumber() == found)
                                 ? GetObject(found)
                                 : nullptr;
    if (other && other->IsDict() && trailer_) {
      ReportTo(&diagnostics_, {.object = found,
                               .message = "the trailer's Root is not the catalog; the catalog found in the file is used"});
      trailer_->Add("Root", std::make_unique<TvnPDIndirectRef>(found, other->GetGenNumber()));
      root = trailer_->LookupRefObj("Root");
      target = other;
    }
  }
  if (!target || !target->IsDict()) throw ExBadRootObj();
  if (root->IsIndirectRef()) catalog_num_ = root->GetObjNumber();
  TvnPDDictionary* catalog = target->AsDict();
  if (!catalog->LookupRefObj("Pages")) throw ExNoPageTreeObj();
  return catalog;
}

TvnPDDictionary* TvnPDBaseDoc::GetEncrypt() {
  if (direct_encrypt_) return direct_encrypt_;
  if (encrypt_num_ >= 0) {
    TvnPDBaseObject* o = GetObject(encrypt_num_);
    return o && o->IsDict() ? o->AsDict() : nullptr;
  }
  if (!trailer_) return nullptr;
  TvnPDBaseObject* value = trailer_->LookupRefObj("Encrypt");
  if (!value) return nullptr;
  if (value->IsIndirectRef()) {
    TvnPDBaseObject* o = GetObject(value->GetObjNumber());
    if (!o || !o->IsDict()) return nullptr;
    encrypt_num_ = value->GetObjNumber();
    return o->AsDict();
  }
  if (value->IsDict()) direct_encrypt_ = value->AsDict();
  return direct_encrypt_;
}

TvnPDDictionary* TvnPDBaseDoc::GetDocInfo() {
  if (doc_info_num_ >= 0) {
    if (TvnPDBaseObject* o = GetObject(doc_info_num_); o && o->IsDict()) return o->AsDict();
  }
  if (!trailer_) return nullptr;
  TvnPDBaseObject* value = trailer_->LookupRefObj("Info");
  if (value && value->IsIndirectRef()) {
    TvnPDBaseObject* o = GetObject(value->GetObjNumber());
    if (o && o->IsDict()) {
      doc_info_num_ = value->GetObjNumber();
      return o->AsDict();
    }
  } else if (value && value->IsDict()) {
    return value->AsDict();
  }
  // No usable Info: a new one, referred to by the trailer.
  TvnPDXRef* xref = reader_ ? reader_->GetXRef() : nullptr;
  int64_t num = 1;
  if (xref) {
    xref->SetLastObjectNumber(xref->GetLastObjectNumber() + 1);
    num = xref->GetLastObjectNumber();
  }
  while (GetCollection()->GetObject(num)) ++num;  // never displace a cached object
  auto info = std::make_unique<TvnPDDictionary>(num, 0, this);
  info->Add("Producer", std::make_unique<TvnPDString>(kProducer));
  trailer_->SetKeyValue("Info", std::make_unique<TvnPDIndirectRef>(num, 0));
  TvnPDDictionary* raw = info.get();
  GetCollection()->Add(std::move(info));
  doc_info_num_ = num;
  return raw;
}

TvnPDDictionary* TvnPDBaseDoc::GetTrailer() {
  if (trailer_ && save_options_.Full) trailer_->Remove("Prev");
  return trailer_.get();
}

TvnPDDictionary* TvnPDBaseDoc::GetLinearized() {
  if (linearized_ || linearized_probed_ || !reader_ || !reader_->GetFileStream()) {
    return linearized_ ? linearized_->AsDict() : nullptr;
  }
  linearized_probed_ = true;
  auto window = MakeRef<TvnFileStream>(reader_->GetFileStream(), 0, 0, false);
  TvnPDParser parser(reader_->GetXRef(), std::make_unique<TvnPDLexer>(std::move(window)), true);
  std::unique_ptr<TvnPDBaseObject> prev[3];
  for (int i = 0; i < kLinearizedProbeObjects; ++i) {
    auto obj = parser.GetObject();
    if (obj->IsEOF()) break;
    if (obj->IsDict() && prev[0] && prev[0]->IsInteger() && prev[1] && prev[1]->IsInteger() &&
        prev[2] && prev[2]->IsCommand("obj")) {
      if (obj->AsDict()->LookupRefObj("Linearized")) linearized_ = std::move(obj);
      break;
    }
    prev[0] = std::move(prev[1]);
    prev[1] = std::move(prev[2]);
    prev[2] = std::move(obj);
  }
  return linearized_ ? linearized_->AsDict() : nullptr;
}

void TvnPDBaseDoc::AddToCollection(std::unique_ptr<TvnPDBaseObject> value) { GetCollection()->Add(std::move(value)); }

bool TvnPDBaseDoc::IsObjectWritten(int64_t object_number) const {
  const TvnPDBaseObject* o = collection_ ? collection_->GetObject(object_number) : nullptr;
  return o && o->IsWritten();
}

void TvnPDBaseDoc::GetDocID(std::string& instance_id, std::string& permanent_id) {
  TvnPDBaseObject* id = trailer_ ? trailer_->LookUp("ID") : nullptr;
  if (!id || !id->IsArray()) return;
  // Raw bytes: an ID starting FE FF is no text.
  auto text = [](const TvnPDBaseObject* o) {
    const TvnPDString* s = o ? o->AsString() : nullptr;
    if (!s) return std::string();
    return s->IsHexString() ? HexStringBytes(s->GetValue()) : s->GetValue();
  };
  instance_id = text(id->AsArray()->Get(0));
  permanent_id = text(id->AsArray()->Get(1));
}

void TvnPDBaseDoc::SetDocID(const std::string& instance_id, const std::string& permanent_id) {
  if (!trailer_) return;
  TvnPDBaseObject* id = trailer_->LookUp("ID");
  auto hex = [](const std::string& s) { return std::make_unique<TvnPDString>(BytesToHexText(s), true); };
  if (!id) {
    auto array = std::make_unique<TvnPDArray>(this);
    array->Add(hex(instance_id));
    array->Add(hex(permanent_id));
    trailer_->Add("ID", std::move(array));
  } else if (id->IsArray()) {
    TvnPDArray* a = id->AsArray();
    if (a->GetRefObj(0) && a->GetRefObj(0)->IsString()) a->SetValue(hex(instance_id), 0);
    if (a->GetRefObj(1) && a->GetRefObj(1)->IsString()) a->SetValue(hex(permanent_id), 1);
  }
}

void TvnPDBaseDoc::SetSaveOptions(const std::string& header, bool incremental, bool full, bool copy, bool linearize,
                                  bool uni_directional, bool uncompressed, bool compressed, bool keep_mod_date) {
  save_options_ = {header, incremental, full, copy, linearize, uni_directional, keep_mod_date, uncompressed,
                   compressed};
}

TvnPDWriter* TvnPDBaseDoc::GetWriter() {
  if (!writer_) writer_ = std::make_unique<TvnPDWriter>(this);
  return writer_.get();
}

TvnSignature* TvnPDBaseDoc::GetSignature() {
  if (!signature_) signature_ = std::make_unique<TvnSignature>();
  return signature_.get();
}

void TvnPDBaseDoc::SaveDocument(vn::TStream* stream) {
  if (!stream) throw ExInvalidStream();
  GetWriter()->SaveDocument(stream);
  stream->SetPosition(0);
}

void TvnPDBaseDoc::SaveDocument(const std::filesystem::path& filename) { GetWriter()->SaveDocument(filename); }

}  // namespace vn::pdf
