#include "pdf/objects.h"

#include <algorithm>
#include <new>

#include "pdf/exceptions.h"
#include "pdf/text.h"
#include "runtime/exceptions.h"

namespace vn::pdf {

namespace {

TvnPDBaseObject* Follow(TvnPDBaseObject* obj, TvnPDDocumentIntf* doc) {
  if (obj && doc && obj->IsIndirectRef()) return doc->GetObject(obj->GetObjNumber());
  return obj;
}

std::unique_ptr<TvnPDBaseObject> CloneOrNull(const TvnPDBaseObject* obj) {
  if (obj) return obj->Clone();
  return std::make_unique<TvnPDNull>();
}

[[noreturn]] void ThrowIndex(int64_t index) {
  throw EListError("List index out of bounds (" + std::to_string(index) + ")");
}

template <typename Derived>
std::unique_ptr<Derived> Downcast(std::unique_ptr<TvnPDBaseObject> p) {
  return std::unique_ptr<Derived>(static_cast<Derived*>(p.release()));
}

void CollectRefs(TvnPDBaseObject* value, std::vector<TvnPDIndirectRef*>& list, TvnObjectWalk& walk);

void CollectArrayRefs(const TvnArray* storage, std::vector<TvnPDIndirectRef*>& list, TvnObjectWalk& walk) {
  if (!walk.Enter(storage)) return;
  for (int64_t i = 0; i < storage->Length(); ++i) CollectRefs(storage->GetRefObj(i), list, walk);
  walk.Leave();
}

void CollectDictRefs(const TvnDict* storage, std::vector<TvnPDIndirectRef*>& list, TvnObjectWalk& walk) {
  if (!walk.Enter(storage)) return;
  for (int64_t i = 0; i < storage->Length(); ++i) CollectRefs(storage->GetValueRefObj(i), list, walk);
  walk.Leave();
}

void CollectRefs(TvnPDBaseObject* value, std::vector<TvnPDIndirectRef*>& list, TvnObjectWalk& walk) {
  if (!value) return;
  if (auto* ref = value->AsIndirectRef()) list.push_back(ref);
  else if (auto* array = value->AsArray()) CollectArrayRefs(array->GetArray(), list, walk);
  else if (auto* dict = value->AsDict()) CollectDictRefs(dict->GetDict(), list, walk);
}

}  // namespace

// ---- Walk -------------------------------------------------------------------

bool TvnObjectWalk::Enter(const void* storage) {
  if (path_.size() >= static_cast<size_t>(kMaxObjectDepth)) return false;
  if (std::find(path_.begin(), path_.end(), storage) != path_.end()) return false;
  path_.push_back(storage);
  return true;
}

// ---- Base object --------------------------------------------------------------

std::string TvnPDBaseObject::GetTypeName() const {
  static const char* const kNames[] = {"boolean", "integer", "real",  "AnsiString",   "name",   "command", "null",
                                       "eof",     "error",   "array", "dict", "indirect ref", "stream",  "none"};
  return kNames[static_cast<int>(type_)];
}

bool TvnPDBaseObject::IsName(std::string_view name) const {
  const TvnPDName* n = AsName();
  return n && n->GetValue() == DecodeName(name);
}

bool TvnPDBaseObject::IsCommand(std::string_view command) const {
  const TvnPDCommand* c = AsCommand();
  return c && c->GetValue() == command;
}

bool TvnPDBaseObject::IsDict(std::string_view dict_type) const {
  const TvnPDDictionary* d = AsDict();
  return d && d->GetDict()->Isof(dict_type);
}

#define VN_PD_AS(Method, Class, Kind)                                                                  \
  Class* TvnPDBaseObject::Method() { return type_ == TvnPDObjTypes::Kind ? static_cast<Class*>(this) : nullptr; } \
  const Class* TvnPDBaseObject::Method() const {                                                       \
    return type_ == TvnPDObjTypes::Kind ? static_cast<const Class*>(this) : nullptr;                  \
  }
VN_PD_AS(AsBoolean, TvnPDBoolean, otBoolean)
VN_PD_AS(AsInteger, TvnPDInteger, otInteger)
VN_PD_AS(AsReal, TvnPDReal, otReal)
VN_PD_AS(AsString, TvnPDString, otString)
VN_PD_AS(AsName, TvnPDName, otName)
VN_PD_AS(AsArray, TvnPDArray, otArray)
VN_PD_AS(AsDict, TvnPDDictionary, otDict)
VN_PD_AS(AsStream, TvnPDStream, otStream)
VN_PD_AS(AsIndirectRef, TvnPDIndirectRef, otIndirectRef)
VN_PD_AS(AsCommand, TvnPDCommand, otCommand)
#undef VN_PD_AS

std::unique_ptr<TvnPDBaseObject> TvnPDBaseObject::Clone() const {
  TvnObjectWalk walk;
  return CloneWith(walk);
}

void TvnPDBaseObject::Assign(const TvnPDBaseObject& source) {
  obj_number_ = source.obj_number_;
  gen_number_ = source.gen_number_;
}

int64_t TvnPDBaseObject::SaveToStream(TvnStream& stream, bool only_changed) {
  if (only_changed && !is_changed_) return 0;
  std::string text = GetText();
  if (text.empty()) return 0;
  return static_cast<int64_t>(stream.Write(text));
}

std::string TvnPDBaseObject::GetText() {
  TvnObjectWalk walk;
  std::string out;
  AppendText(out, walk);
  return out;
}

void TvnPDBaseObject::AppendText(std::string&, TvnObjectWalk&) {}

// ---- Simple objects -------------------------------------------------------------

std::unique_ptr<TvnPDBaseObject> TvnPDNull::CloneWith(TvnObjectWalk&) const { return std::make_unique<TvnPDNull>(); }

void TvnPDNull::AppendText(std::string& out, TvnObjectWalk&) { out += "null"; }

void TvnPDBoolean::Assign(const TvnPDBaseObject& source) {
  if (const TvnPDBoolean* b = source.AsBoolean()) value_ = b->value_;
}

std::unique_ptr<TvnPDBaseObject> TvnPDBoolean::CloneWith(TvnObjectWalk&) const {
  return std::make_unique<TvnPDBoolean>(value_, GetObjNumber(), GetGenNumber());
}

void TvnPDBoolean::AppendText(std::string& out, TvnObjectWalk&) { out += value_ ? "true" : "false"; }

void TvnPDInteger::Assign(const TvnPDBaseObject& source) {
  TvnPDBaseObject::Assign(source);
  if (const TvnPDInteger* i = source.AsInteger()) value_ = i->value_;
}

std::unique_ptr<TvnPDBaseObject> TvnPDInteger::CloneWith(TvnObjectWalk&) const {
  return std::make_unique<TvnPDInteger>(value_, GetObjNumber(), GetGenNumber());
}

void TvnPDInteger::AppendText(std::string& out, TvnObjectWalk&) { out += IntToPDText(value_); }

void TvnPDReal::Assign(const TvnPDBaseObject& source) {
  TvnPDBaseObject::Assign(source);
  if (const TvnPDReal* r = source.AsReal()) value_ = r->value_;
}

std::unique_ptr<TvnPDBaseObject> TvnPDReal::CloneWith(TvnObjectWalk&) const {
  return std::make_unique<TvnPDReal>(value_, GetObjNumber(), GetGenNumber());
}

void TvnPDReal::AppendText(std::string& out, TvnObjectWalk&) { out += FloatToPDText(value_); }

TvnPDName::TvnPDName(std::string_view written, int64_t obj_number, int64_t gen_number)
    : TvnPDBaseObject(TvnPDObjTypes::otName, obj_number, gen_number), value_(DecodeName(written)) {}

void TvnPDName::Assign(const TvnPDBaseObject& source) {
  TvnPDBaseObject::Assign(source);
  if (const TvnPDName* n = source.AsName()) value_ = n->value_;
}

std::unique_ptr<TvnPDBaseObject> TvnPDName::CloneWith(TvnObjectWalk&) const {
  // The value is copied as it is: decoding it again would change a value
  // that holds "#".
  auto copy = std::make_unique<TvnPDName>("", GetObjNumber(), GetGenNumber());
  copy->value_ = value_;
  copy->SetIsChanged(IsChanged());
  return copy;
}

void TvnPDName::AppendText(std::string& out, TvnObjectWalk&) {
  out += '/';
  out += EncodeName(value_);
}

std::unique_ptr<TvnPDString> TvnPDString::CreateForHex(std::string_view text) {
  return std::make_unique<TvnPDString>(TextToUTF16HexText(text), true);
}

std::unique_ptr<TvnPDString> TvnPDString::CreateForHex(StringView text) {
  return std::make_unique<TvnPDString>(TextToUTF16HexText(text), true);
}

std::string TvnPDString::GetHexToString() const { return is_hex_ ? HexTextToBytes(value_) : value_; }

void TvnPDString::SetHexToString(std::string_view text) {
  value_ = is_hex_ ? TextToUTF16HexText(text) : std::string(text);
}

void TvnPDString::Assign(const TvnPDBaseObject& source) {
  TvnPDBaseObject::Assign(source);
  if (const TvnPDString* s = source.AsString()) {
    value_ = s->value_;
    is_hex_ = s->is_hex_;
  }
}

std::unique_ptr<TvnPDBaseObject> TvnPDString::CloneWith(TvnObjectWalk&) const {
  auto copy = std::make_unique<TvnPDString>(value_, GetObjNumber(), GetGenNumber(), is_hex_);
  copy->SetIsChanged(IsChanged());
  copy->SetIsWritten(IsWritten());
  return copy;
}

void TvnPDString::AppendText(std::string& out, TvnObjectWalk&) {
  if (!is_hex_) {
    out += '(';
    out += EscapePDString(value_);
    out += ')';
    return;
  }
  // Only hex digits go out, so no stored byte can end the string early.
  out += '<';
  for (char c : value_)
    if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f')) out += c;
  out += '>';
}

std::unique_ptr<TvnPDBaseObject> TvnPDCommand::CloneWith(TvnObjectWalk&) const {
  return std::make_unique<TvnPDCommand>(value_);
}

std::unique_ptr<TvnPDBaseObject> TvnPDIndirectRef::CloneWith(TvnObjectWalk&) const {
  return std::make_unique<TvnPDIndirectRef>(GetObjNumber(), GetGenNumber());
}

void TvnPDIndirectRef::AppendText(std::string& out, TvnObjectWalk&) {
  out += IntToPDText(GetObjNumber());
  out += ' ';
  out += IntToPDText(GetGenNumber());
  out += " R";
}

std::unique_ptr<TvnPDBaseObject> TvnPDError::CloneWith(TvnObjectWalk&) const { return std::make_unique<TvnPDError>(); }

std::unique_ptr<TvnPDBaseObject> TvnPDEOF::CloneWith(TvnObjectWalk&) const { return std::make_unique<TvnPDEOF>(); }

// ---- TvnArray -------------------------------------------------------------------

void TvnArray::Add(std::unique_ptr<TvnPDBaseObject> element) { elements_.push_back(std::move(element)); }

void TvnArray::Insert(std::unique_ptr<TvnPDBaseObject> object, int64_t index) {
  if (index < 0 || index > Length()) ThrowIndex(index);
  elements_.insert(elements_.begin() + index, std::move(object));
}

void TvnArray::Remove(int64_t index) {
  if (index < 0 || index >= Length()) return;
  elements_.erase(elements_.begin() + index);
}

void TvnArray::Replace(int64_t index, std::unique_ptr<TvnPDBaseObject> object) {
  if (index == Length()) {
    elements_.push_back(std::move(object));
    return;
  }
  if (index < 0 || index > Length()) ThrowIndex(index);
  elements_[static_cast<size_t>(index)] = std::move(object);
}

TvnPDBaseObject* TvnArray::GetRefObj(int64_t index) const {
  if (index < 0 || index >= Length()) return nullptr;
  return elements_[static_cast<size_t>(index)].get();
}

TvnPDBaseObject* TvnArray::Get(int64_t index) const { return Follow(GetRefObj(index), parent_doc_); }

// ---- TvnDict --------------------------------------------------------------------

int64_t TvnDict::Find(std::string_view key) const {
  auto it = index_.find(std::string(key));
  return it == index_.end() ? -1 : static_cast<int64_t>(it->second);
}

void TvnDict::Reindex() {
  index_.clear();
  for (size_t i = 0; i < entries_.size(); ++i) index_.emplace(entries_[i].key, i);
}

void TvnDict::Add(std::string_view key, std::unique_ptr<TvnPDBaseObject> value) {
  int64_t at = Find(key);
  if (at >= 0) {
    entries_[static_cast<size_t>(at)].value = std::move(value);
    return;
  }
  entries_.push_back({std::string(key), std::move(value)});
  index_.emplace(entries_.back().key, entries_.size() - 1);
}

bool TvnDict::Remove(std::string_view key) {
  int64_t at = Find(key);
  if (at < 0) return false;
  entries_.erase(entries_.begin() + at);
  Reindex();
  return true;
}

TvnPDBaseObject* TvnDict::LookupRefObj(std::string_view key) const {
  int64_t at = Find(key);
  return at < 0 ? nullptr : entries_[static_cast<size_t>(at)].value.get();
}

TvnPDBaseObject* TvnDict::LookUp(std::string_view key) const { return Follow(LookupRefObj(key), parent_doc_); }

std::string TvnDict::GetKey(int64_t index) const {
  if (index < 0 || index >= Length()) return {};
  return entries_[static_cast<size_t>(index)].key;
}

TvnPDBaseObject* TvnDict::GetValueRefObj(int64_t index) const {
  if (index < 0 || index >= Length()) return nullptr;
  return entries_[static_cast<size_t>(index)].value.get();
}

TvnPDBaseObject* TvnDict::GetValue(int64_t index) const { return Follow(GetValueRefObj(index), parent_doc_); }

void TvnDict::SetKey(int64_t index, std::string_view key) {
  if (index < 0 || index >= Length()) return;
  if (entries_[static_cast<size_t>(index)].key == key) return;
  int64_t other = Find(key);
  if (other >= 0) {
    entries_.erase(entries_.begin() + other);
    if (other < index) --index;
  }
  entries_[static_cast<size_t>(index)].key = std::string(key);
  Reindex();
}

void TvnDict::SetValue(int64_t index, std::unique_ptr<TvnPDBaseObject> value) {
  if (index < 0 || index >= Length()) return;
  entries_[static_cast<size_t>(index)].value = std::move(value);
}

bool TvnDict::Isof(std::string_view type) const {
  const TvnPDBaseObject* v = LookUp("Type");
  const TvnPDName* n = v ? v->AsName() : nullptr;
  return n && n->GetValue() == type;
}

// ---- TvnPDArray -----------------------------------------------------------------

TvnPDArray::TvnPDArray(TvnPDDocumentIntf* parent_doc, int64_t obj_number, int64_t gen_number)
    : TvnPDArray(MakeRef<TvnArray>(parent_doc), obj_number, gen_number) {}

TvnPDArray::TvnPDArray(Ref<TvnArray> storage, int64_t obj_number, int64_t gen_number)
    : TvnPDBaseObject(TvnPDObjTypes::otArray, obj_number, gen_number), storage_(std::move(storage)) {
  if (!storage_) storage_ = MakeRef<TvnArray>();
}

void TvnPDArray::Add(std::unique_ptr<TvnPDBaseObject> element) {
  storage_->Add(std::move(element));
  SetIsChanged(true);
}

void TvnPDArray::Insert(std::unique_ptr<TvnPDBaseObject> object, int64_t index) {
  storage_->Insert(std::move(object), index);
  SetIsChanged(true);
}

void TvnPDArray::Remove(int64_t index) {
  storage_->Remove(index);
  SetIsChanged(true);
}

void TvnPDArray::SetValue(std::unique_ptr<TvnPDBaseObject> object, int64_t index) {
  storage_->Replace(index, std::move(object));
}

std::unique_ptr<TvnPDBaseObject> TvnPDArray::GetClone(int64_t index) const { return CloneOrNull(Get(index)); }

std::unique_ptr<TvnPDBaseObject> TvnPDArray::GetRefObjClone(int64_t index) const {
  return CloneOrNull(GetRefObj(index));
}

void TvnPDArray::GetIndirectRefs(std::vector<TvnPDIndirectRef*>& list) const {
  TvnObjectWalk walk;
  CollectArrayRefs(storage_.get(), list, walk);
}

int64_t TvnPDArray::WriteIDWithoutEncrypting(TvnStream& stream, bool only_changed) {
  return SaveToStream(stream, only_changed);
}

void TvnPDArray::Assign(const TvnPDBaseObject& source) {
  TvnPDBaseObject::Assign(source);
  const TvnPDArray* src = source.AsArray();
  if (!src) return;
  // Copies are made before any is added, so an array assigned from itself
  // (or from an array sharing its storage) ends.
  TvnObjectWalk walk(GetParentDoc());
  std::vector<std::unique_ptr<TvnPDBaseObject>> copies;
  const TvnArray* from = src->storage_.get();
  if (walk.Enter(from)) {
    for (int64_t i = 0; i < from->Length(); ++i) {
      const TvnPDBaseObject* e = from->GetRefObj(i);
      copies.push_back(e ? e->CloneWith(walk) : nullptr);
    }
    walk.Leave();
  }
  for (auto& c : copies) storage_->Add(std::move(c));
}

std::unique_ptr<TvnPDBaseObject> TvnPDArray::CloneWith(TvnObjectWalk& walk) const {
  TvnPDDocumentIntf* doc = walk.Retarget() ? walk.TargetDoc() : GetParentDoc();
  auto copy = std::make_unique<TvnPDArray>(doc, GetObjNumber(), GetGenNumber());
  copy->SetIsChanged(IsChanged());
  if (walk.Enter(storage_.get())) {
    for (int64_t i = 0; i < storage_->Length(); ++i) {
      const TvnPDBaseObject* e = storage_->GetRefObj(i);
      copy->storage_->Add(e ? e->CloneWith(walk) : nullptr);
    }
    walk.Leave();
  }
  return copy;
}

void TvnPDArray::AppendText(std::string& out, TvnObjectWalk& walk) {
  out += "[ ";
  if (walk.Enter(storage_.get())) {
    for (int64_t i = 0; i < storage_->Length(); ++i) {
      if (TvnPDBaseObject* e = storage_->GetRefObj(i)) e->AppendText(out, walk);
      out += ' ';
    }
    walk.Leave();
  }
  out += ']';
}

// ---- TvnPDDictionary --------------------------------------------------------------

TvnPDDictionary::TvnPDDictionary(TvnPDDocumentIntf* parent_doc)
    : TvnPDDictionary(kDirectObjNumber, kDirectObjNumber, parent_doc) {}

TvnPDDictionary::TvnPDDictionary(int64_t obj_number, int64_t gen_number, TvnPDDocumentIntf* parent_doc)
    : TvnPDDictionary(obj_number, gen_number, MakeRef<TvnDict>(parent_doc)) {}

TvnPDDictionary::TvnPDDictionary(Ref<TvnDict> storage)
    : TvnPDDictionary(kDirectObjNumber, kDirectObjNumber, std::move(storage)) {}

TvnPDDictionary::TvnPDDictionary(int64_t obj_number, int64_t gen_number, Ref<TvnDict> storage)
    : TvnPDBaseObject(TvnPDObjTypes::otDict, obj_number, gen_number), storage_(std::move(storage)) {
  if (!storage_) storage_ = MakeRef<TvnDict>();
  SetIsChanged(true);
}

void TvnPDDictionary::Add(std::string_view key, std::unique_ptr<TvnPDBaseObject> value) {
  storage_->Add(key, std::move(value));
  SetIsChanged(true);
}

void TvnPDDictionary::Add(const TvnPDBaseObject* key, std::unique_ptr<TvnPDBaseObject> value) {
  if (const TvnPDName* name = key ? key->AsName() : nullptr) storage_->Add(name->GetValue(), std::move(value));
  SetIsChanged(true);
}

void TvnPDDictionary::SetKeyValue(std::string_view key, std::unique_ptr<TvnPDBaseObject> value) {
  storage_->Remove(key);
  storage_->Add(key, std::move(value));
  SetIsChanged(true);
}

void TvnPDDictionary::Remove(std::string_view key) {
  if (storage_->Remove(key)) SetIsChanged(true);
}

void TvnPDDictionary::Remove(const TvnPDBaseObject* key) {
  if (const TvnPDName* name = key ? key->AsName() : nullptr) storage_->Remove(name->GetValue());
  SetIsChanged(true);
}

std::unique_ptr<TvnPDBaseObject> TvnPDDictionary::LookUpClone(std::string_view key) const {
  return CloneOrNull(LookUp(key));
}

std::unique_ptr<TvnPDBaseObject> TvnPDDictionary::LookupRefObjClone(std::string_view key) const {
  return CloneOrNull(LookupRefObj(key));
}

void TvnPDDictionary::GetIndirectRefs(std::vector<TvnPDIndirectRef*>& list) const {
  TvnObjectWalk walk;
  CollectDictRefs(storage_.get(), list, walk);
}

void TvnPDDictionary::Assign(const TvnPDBaseObject& source) {
  TvnPDBaseObject::Assign(source);
  const TvnPDDictionary* src = source.AsDict();
  if (!src) return;
  TvnObjectWalk walk(GetParentDoc());
  std::vector<std::pair<std::string, std::unique_ptr<TvnPDBaseObject>>> copies;
  const TvnDict* from = src->storage_.get();
  if (walk.Enter(from)) {
    for (int64_t i = 0; i < from->Length(); ++i) {
      const TvnPDBaseObject* v = from->GetValueRefObj(i);
      copies.emplace_back(from->GetKey(i), v ? v->CloneWith(walk) : nullptr);
    }
    walk.Leave();
  }
  for (auto& [key, value] : copies) storage_->Add(key, std::move(value));
}

std::unique_ptr<TvnPDBaseObject> TvnPDDictionary::CloneWith(TvnObjectWalk& walk) const {
  TvnPDDocumentIntf* doc = walk.Retarget() ? walk.TargetDoc() : GetParentDoc();
  auto copy = std::make_unique<TvnPDDictionary>(GetObjNumber(), GetGenNumber(), doc);
  if (walk.Enter(storage_.get())) {
    for (int64_t i = 0; i < storage_->Length(); ++i) {
      const TvnPDBaseObject* v = storage_->GetValueRefObj(i);
      copy->storage_->Add(storage_->GetKey(i), v ? v->CloneWith(walk) : nullptr);
    }
    walk.Leave();
  }
  return copy;
}

void TvnPDDictionary::AppendText(std::string& out, TvnObjectWalk& walk) {
  out += "<<";
  if (walk.Enter(storage_.get())) {
    for (int64_t i = 0; i < storage_->Length(); ++i) {
      out += '/';
      out += EncodeName(storage_->GetKey(i));
      out += ' ';
      if (TvnPDBaseObject* v = storage_->GetValueRefObj(i)) {
        v->AppendText(out, walk);
      } else {
        out += "null";
      }
      out += ' ';
    }
    walk.Leave();
  }
  out += ">>";
}

// ---- TvnPDStream ----------------------------------------------------------------

TvnPDStream::TvnPDStream(TvnPDDocumentIntf* parent_doc)
    : TvnPDStream(MakeRef<TvnMemoryStream>(new vn::TMemoryStream(), 0, 0, false, true),
                  std::make_unique<TvnPDDictionary>(parent_doc)) {}

TvnPDStream::TvnPDStream(Ref<TvnStream> stream, std::unique_ptr<TvnPDDictionary> dict, int64_t obj_number,
                         int64_t gen_number)
    : TvnPDBaseObject(TvnPDObjTypes::otStream, obj_number, gen_number),
      stream_(std::move(stream)),
      dict_(std::move(dict)) {
  if (!dict_) dict_ = std::make_unique<TvnPDDictionary>();
  parent_doc_ = dict_->GetParentDoc();
}

int TvnPDStream::GetChar() { return stream_ ? stream_->GetChar() : -1; }

int TvnPDStream::LookChar() { return stream_ ? stream_->LookChar() : -1; }

size_t TvnPDStream::Read(uint8_t* buffer, size_t count) { return stream_ ? stream_->Read(buffer, count) : 0; }

size_t TvnPDStream::Read(std::string& buffer, size_t count) {
  buffer.clear();
  return stream_ ? stream_->Read(buffer, count) : 0;
}

std::string TvnPDStream::ReadLine(size_t count) {
  std::string line;
  try {
    line.assign(count, '\0');
  } catch (const std::bad_alloc&) {
    throw ExOutofMemory();
  } catch (const std::length_error&) {
    throw ExOutofMemory();
  }
  if (stream_) stream_->ReadLine(reinterpret_cast<uint8_t*>(line.data()), count);
  return line;
}

size_t TvnPDStream::Write(std::string_view buffer) { return stream_ ? stream_->Write(buffer) : 0; }

size_t TvnPDStream::Write(const uint8_t* buffer, size_t count) { return stream_ ? stream_->Write(buffer, count) : 0; }

int64_t TvnPDStream::GetPosition() { return stream_ ? stream_->GetPosition() : 0; }

void TvnPDStream::SetPosition(int64_t offset, SeekOrigin origin) {
  if (stream_) stream_->SetPosition(offset, origin);
}

void TvnPDStream::Close() {
  if (stream_) stream_->Close();
}

void TvnPDStream::Reset() {
  if (!stream_) throw ExInvalidStream();
  try {
    stream_->Reset();
  } catch (const std::exception&) {
    throw ExInvalidStream();
  }
}

int64_t TvnPDStream::GetStart() {
  TvnBaseStream* base = stream_ ? stream_->AsBaseStream() : nullptr;
  return base ? base->GetStart() : 0;
}

void TvnPDStream::MoveStart(int64_t delta) {
  if (TvnBaseStream* base = stream_ ? stream_->AsBaseStream() : nullptr) base->MoveStart(delta);
}

std::unique_ptr<TvnPDStream> TvnPDStream::MakeSubStream(int64_t start, int64_t length, bool limited,
                                                        std::unique_ptr<TvnPDDictionary> dict) {
  TvnBaseStream* base = stream_ ? stream_->AsBaseStream() : nullptr;
  if (!base) return nullptr;
  Ref<TvnStream> window = base->MakeSubStream(start, length, limited);
  if (!window) return nullptr;
  return std::make_unique<TvnPDStream>(std::move(window), std::move(dict));
}

void TvnPDStream::Assign(const TvnPDBaseObject& source) {
  TvnPDBaseObject::Assign(source);
  const TvnPDStream* src = source.AsStream();
  if (!src || src == this) return;
  TvnStream* data = src->stream_ ? src->stream_->GetBaseStream() : nullptr;
  stream_ = Ref<TvnStream>::Retain(data ? data : src->stream_.get());
  auto dict = std::make_unique<TvnPDDictionary>(parent_doc_);
  dict->Assign(*src->dict_);
  dict_ = std::move(dict);
}

std::unique_ptr<TvnPDBaseObject> TvnPDStream::CloneWith(TvnObjectWalk& walk) const {
  auto dict = Downcast<TvnPDDictionary>(dict_->CloneWith(walk));
  auto copy = std::make_unique<TvnPDStream>(stream_, std::move(dict), GetObjNumber(), GetGenNumber());
  copy->no_compression_ = no_compression_;
  return copy;
}

void TvnPDStream::AppendText(std::string& out, TvnObjectWalk& walk) {
  dict_->AppendText(out, walk);
  out += "\r\nstream\r\n";
  if (TvnStream* data = stream_ ? stream_->GetUndecodedStream() : nullptr) {
    data->Reset();
    std::string bytes;
    data->Read(bytes, SIZE_MAX);
    data->Close();
    out += bytes;
  }
  out += "\r\nendstream";
}

}  // namespace vn::pdf
