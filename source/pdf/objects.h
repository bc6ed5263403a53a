// The PDF object model: null, boolean, integer, real, name, string, command
// (a bare keyword), indirect reference, array, dictionary, stream, and the
// lexer's error and end-of-data results; each writes its PDF text with
// SaveToStream. Also the cross-reference entry record and the base of the
// document-model wrappers.
//
// Ownership: an array owns its elements and a dictionary its values
// (objects handed to Add, Insert, SetValue or SetKeyValue pass to the
// container, removing or replacing an entry frees it). The element storage
// (TvnArray) and entry storage (TvnDict) are reference-counted and may be
// shared by several array or dictionary objects; the last holder frees them.
// A stream object holds one reference to its byte stream and owns its
// dictionary. Lookups return borrowed objects; the lookups whose names end
// in Clone return new objects owned by the caller. Indirect references are
// followed through the owning document (TvnPDDocumentIntf), which owns every
// indirect object. Clone makes a real deep copy (a stream's bytes are shared
// through their reference count); copies and writes are bounded in depth and
// stop at cycles of shared storage.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "pdf/object.h"
#include "pdf/streams.h"
#include "runtime/strings.h"

namespace vn::pdf {

class TvnPDBaseObject;
class TvnPDBoolean;
class TvnPDInteger;
class TvnPDReal;
class TvnPDString;
class TvnPDName;
class TvnPDNull;
class TvnPDArray;
class TvnPDDictionary;
class TvnPDStream;
class TvnPDIndirectRef;
class TvnPDCommand;
class TvnObjectWalk;

// What the object layer asks of the document that owns its objects; the
// base document implements it.
class TvnPDDocumentIntf {
 public:
  virtual ~TvnPDDocumentIntf() = default;
  // The indirect object with that number, owned by the document; null when
  // there is none.
  virtual TvnPDBaseObject* GetObject(int64_t obj_number) = 0;
};

enum class TvnPDObjTypes {
  otBoolean,
  otInteger,
  otReal,
  otString,
  otName,
  otCommand,
  otNull,
  otEOF,
  otError,
  otArray,
  otDict,
  otIndirectRef,
  otStream,
  otNone
};

// Object and generation number of a direct object.
inline constexpr int64_t kDirectObjNumber = -1;
// Nesting depth beyond which copies and writes stop descending.
inline constexpr int kMaxObjectDepth = 256;

// The state of one walk through nested containers (a copy, a write, a
// collection of references): the storages on the present path, so that
// depth stays bounded and shared storage that contains itself ends the
// walk. A copy made for Assign also names the document that new nested
// containers belong to.
class TvnObjectWalk {
 public:
  TvnObjectWalk() = default;
  explicit TvnObjectWalk(TvnPDDocumentIntf* target_doc) : retarget_(true), target_doc_(target_doc) {}
  // False when the storage is already on the path or the walk is too deep.
  bool Enter(const void* storage);
  void Leave() { path_.pop_back(); }
  bool Retarget() const { return retarget_; }
  TvnPDDocumentIntf* TargetDoc() const { return target_doc_; }

 private:
  std::vector<const void*> path_;
  bool retarget_ = false;
  TvnPDDocumentIntf* target_doc_ = nullptr;
};

class TvnPDBaseObject : public TvnObject {
 public:
  TvnPDObjTypes GetType() const { return type_; }
  // "boolean", "integer", "real", "AnsiString", "name", "command", "null",
  // "eof", "error", "array", "dict", "indirect ref", "stream", "none".
  std::string GetTypeName() const;

  bool IsBoolean() const { return type_ == TvnPDObjTypes::otBoolean; }
  bool IsInteger() const { return type_ == TvnPDObjTypes::otInteger; }
  bool IsReal() const { return type_ == TvnPDObjTypes::otReal; }
  bool IsString() const { return type_ == TvnPDObjTypes::otString; }
  bool IsName() const { return type_ == TvnPDObjTypes::otName; }
  bool IsNull() const { return type_ == TvnPDObjTypes::otNull; }
  bool IsArray() const { return type_ == TvnPDObjTypes::otArray; }
  bool IsDict() const { return type_ == TvnPDObjTypes::otDict; }
  bool IsStream() const { return type_ == TvnPDObjTypes::otStream; }
  bool IsIndirectRef() const { return type_ == TvnPDObjTypes::otIndirectRef; }
  bool IsCommand() const { return type_ == TvnPDObjTypes::otCommand; }
  bool IsError() const { return type_ == TvnPDObjTypes::otError; }
  bool IsEOF() const { return type_ == TvnPDObjTypes::otEOF; }
  bool IsNumber() const { return IsInteger() || IsReal(); }
  // A name equal to DecodeName(name), byte for byte.
  bool IsName(std::string_view name) const;
  // A keyword equal to `command` (case-sensitive).
  bool IsCommand(std::string_view command) const;
  // A dictionary whose Type is the name `dict_type`.
  bool IsDict(std::string_view dict_type) const;

  // The object as its class, or null when it is of another kind.
  TvnPDBoolean* AsBoolean();
  TvnPDInteger* AsInteger();
  TvnPDReal* AsReal();
  TvnPDString* AsString();
  TvnPDName* AsName();
  TvnPDArray* AsArray();
  TvnPDDictionary* AsDict();
  TvnPDStream* AsStream();
  TvnPDIndirectRef* AsIndirectRef();
  TvnPDCommand* AsCommand();
  const TvnPDBoolean* AsBoolean() const;
  const TvnPDInteger* AsInteger() const;
  const TvnPDReal* AsReal() const;
  const TvnPDString* AsString() const;
  const TvnPDName* AsName() const;
  const TvnPDArray* AsArray() const;
  const TvnPDDictionary* AsDict() const;
  const TvnPDStream* AsStream() const;
  const TvnPDIndirectRef* AsIndirectRef() const;
  const TvnPDCommand* AsCommand() const;

  // A new object of the same class with the same value; the caller owns it.
  std::unique_ptr<TvnPDBaseObject> Clone() const;
  // Copies the value of a source of the same class into this object (the
  // base copies object number and generation).
  virtual void Assign(const TvnPDBaseObject& source);
  // Writes the object's PDF text; returns the number of bytes written. With
  // `only_changed` an unchanged object writes nothing. Objects are written
  // in their direct form; numbering and writing indirect objects is the
  // writer's work.
  virtual int64_t SaveToStream(TvnStream& stream, bool only_changed = false);
  // The PDF text SaveToStream writes.
  std::string GetText();

  int64_t GetObjNumber() const { return obj_number_; }
  void SetObjNumber(int64_t v) { obj_number_ = v; }
  int64_t GetGenNumber() const { return gen_number_; }
  void SetGenNumber(int64_t v) { gen_number_ = v; }
  uint32_t GetSavedObjNumber() const { return saved_obj_number_; }
  void SetSavedObjNumber(uint32_t v) { saved_obj_number_ = v; }
  bool IsWritten() const { return is_written_; }
  void SetIsWritten(bool v) { is_written_ = v; }
  bool IsChanged() const { return is_changed_; }
  void SetIsChanged(bool v) { is_changed_ = v; }

  // Internal: the deep copy and the text under a depth and cycle guard.
  virtual std::unique_ptr<TvnPDBaseObject> CloneWith(TvnObjectWalk& walk) const = 0;
  virtual void AppendText(std::string& out, TvnObjectWalk& walk);

 protected:
  TvnPDBaseObject(TvnPDObjTypes type, int64_t obj_number, int64_t gen_number)
      : type_(type), obj_number_(obj_number), gen_number_(gen_number) {}

 private:
  TvnPDObjTypes type_;
  uint32_t saved_obj_number_ = 0;
  int64_t obj_number_;
  int64_t gen_number_;
  bool is_written_ = false;
  bool is_changed_ = false;
};

class TvnPDNull : public TvnPDBaseObject {
 public:
  TvnPDNull() : TvnPDNull(kDirectObjNumber, kDirectObjNumber) {}
  TvnPDNull(int64_t obj_number, int64_t gen_number) : TvnPDBaseObject(TvnPDObjTypes::otNull, obj_number, gen_number) {}
  std::unique_ptr<TvnPDBaseObject> CloneWith(TvnObjectWalk& walk) const override;
  void AppendText(std::string& out, TvnObjectWalk& walk) override;
};

class TvnPDBoolean : public TvnPDBaseObject {
 public:
  explicit TvnPDBoolean(bool value, int64_t obj_number = kDirectObjNumber, int64_t gen_number = kDirectObjNumber)
      : TvnPDBaseObject(TvnPDObjTypes::otBoolean, obj_number, gen_number), value_(value) {}
  bool GetValue() const { return value_; }
  void SetBool(bool value) { value_ = value; }
  // Copies the value only, not the numbers.
  void Assign(const TvnPDBaseObject& source) override;
  std::unique_ptr<TvnPDBaseObject> CloneWith(TvnObjectWalk& walk) const override;
  void AppendText(std::string& out, TvnObjectWalk& walk) override;

 private:
  bool value_;
};

class TvnPDInteger : public TvnPDBaseObject {
 public:
  explicit TvnPDInteger(int64_t value, int64_t obj_number = kDirectObjNumber, int64_t gen_number = kDirectObjNumber)
      : TvnPDBaseObject(TvnPDObjTypes::otInteger, obj_number, gen_number), value_(value) {}
  int64_t GetValue() const { return value_; }
  void SetValue(int64_t value) { value_ = value; }
  void Assign(const TvnPDBaseObject& source) override;
  std::unique_ptr<TvnPDBaseObject> CloneWith(TvnObjectWalk& walk) const override;
  void AppendText(std::string& out, TvnObjectWalk& walk) override;

 private:
  int64_t value_;
};

class TvnPDReal : public TvnPDBaseObject {
 public:
  explicit TvnPDReal(double value, int64_t obj_number = kDirectObjNumber, int64_t gen_number = kDirectObjNumber)
      : TvnPDBaseObject(TvnPDObjTypes::otReal, obj_number, gen_number), value_(value) {}
  double GetValue() const { return value_; }
  void SetValue(double value) { value_ = value; }
  void Assign(const TvnPDBaseObject& source) override;
  std::unique_ptr<TvnPDBaseObject> CloneWith(TvnObjectWalk& walk) const override;
  // FloatToPDText: plain decimal notation, never an exponent.
  void AppendText(std::string& out, TvnObjectWalk& walk) override;

 private:
  double value_;
};

class TvnPDName : public TvnPDBaseObject {
 public:
  // The text given is the written form without "/" and passes through
  // DecodeName.
  explicit TvnPDName(std::string_view written, int64_t obj_number = kDirectObjNumber,
                     int64_t gen_number = kDirectObjNumber);
  const std::string& GetValue() const { return value_; }
  // Stores the value as given, without decoding.
  void SetName(std::string_view value) { value_ = std::string(value); }
  void Assign(const TvnPDBaseObject& source) override;
  std::unique_ptr<TvnPDBaseObject> CloneWith(TvnObjectWalk& walk) const override;
  // "/" and EncodeName of the value.
  void AppendText(std::string& out, TvnObjectWalk& walk) override;

 private:
  std::string value_;
};

class TvnPDString : public TvnPDBaseObject {
 public:
  // A literal string holds its bytes; a hex string holds its hex digit text.
  explicit TvnPDString(std::string value, bool is_hex = false)
      : TvnPDString(std::move(value), kDirectObjNumber, kDirectObjNumber, is_hex) {}
  TvnPDString(std::string value, int64_t obj_number, int64_t gen_number, bool is_hex = false)
      : TvnPDBaseObject(TvnPDObjTypes::otString, obj_number, gen_number), value_(std::move(value)), is_hex_(is_hex) {}
  // A direct hex string holding the text as a PDF text string in UTF-16BE
  // hex form: "FEFF" and four hex digits per code unit (8-bit text is read
  // in the system code page).
  static std::unique_ptr<TvnPDString> CreateForHex(std::string_view text);
  static std::unique_ptr<TvnPDString> CreateForHex(StringView text);

  const std::string& GetValue() const { return value_; }
  const std::string& GetString() const { return value_; }
  void SetString(std::string value) { value_ = std::move(value); }
  bool IsHexString() const { return is_hex_; }
  // The bytes a hex string stands for (HexTextToBytes); a literal string's
  // value as it is.
  std::string GetHexToString() const;
  // A literal string stores the text; a hex string stores it re-encoded in
  // the "FEFF" hex form.
  void SetHexToString(std::string_view text);

  void Assign(const TvnPDBaseObject& source) override;
  std::unique_ptr<TvnPDBaseObject> CloneWith(TvnObjectWalk& walk) const override;
  // "(" escaped bytes ")" or "<" hex digits ">".
  void AppendText(std::string& out, TvnObjectWalk& walk) override;

 private:
  std::string value_;
  bool is_hex_;
};

// A bare keyword of the lexer: operators, obj, endobj, stream, R, [, ], <<,
// >>. Never written.
class TvnPDCommand : public TvnPDBaseObject {
 public:
  explicit TvnPDCommand(std::string value) : TvnPDBaseObject(TvnPDObjTypes::otCommand, 0, 0), value_(std::move(value)) {}
  const std::string& GetValue() const { return value_; }
  std::unique_ptr<TvnPDBaseObject> CloneWith(TvnObjectWalk& walk) const override;

 private:
  std::string value_;
};

// A reference to the indirect object with the base class's object number
// and generation.
class TvnPDIndirectRef : public TvnPDBaseObject {
 public:
  TvnPDIndirectRef(int64_t obj_number, int64_t gen_number)
      : TvnPDBaseObject(TvnPDObjTypes::otIndirectRef, obj_number, gen_number) {}
  std::unique_ptr<TvnPDBaseObject> CloneWith(TvnObjectWalk& walk) const override;
  // "<number> <generation> R".
  void AppendText(std::string& out, TvnObjectWalk& walk) override;
};

// The result of a syntax error or a failed fetch; never written.
class TvnPDError : public TvnPDBaseObject {
 public:
  TvnPDError() : TvnPDBaseObject(TvnPDObjTypes::otError, 0, 0) {}
  std::unique_ptr<TvnPDBaseObject> CloneWith(TvnObjectWalk& walk) const override;
};

// The end-of-data token of the lexer; never written.
class TvnPDEOF : public TvnPDBaseObject {
 public:
  TvnPDEOF() : TvnPDBaseObject(TvnPDObjTypes::otEOF, 0, 0) {}
  std::unique_ptr<TvnPDBaseObject> CloneWith(TvnObjectWalk& walk) const override;
};

// ---- Storage ---------------------------------------------------------------

// Element storage of arrays; elements may be null.
class TvnArray : public TvnRefCounted {
 public:
  explicit TvnArray(TvnPDDocumentIntf* parent_doc = nullptr) : parent_doc_(parent_doc) {}
  void Add(std::unique_ptr<TvnPDBaseObject> element);
  // Inserts before `index` (0 .. Length); vn::EListError outside that range.
  void Insert(std::unique_ptr<TvnPDBaseObject> object, int64_t index);
  // Frees the element; indexes outside the range are ignored.
  void Remove(int64_t index);
  // Replaces (and frees) the element at `index`; outside the range the
  // object is appended.
  void Replace(int64_t index, std::unique_ptr<TvnPDBaseObject> object);
  // The element, an indirect reference followed through the document (the
  // reference itself when there is no document); null outside the range.
  TvnPDBaseObject* Get(int64_t index) const;
  TvnPDBaseObject* GetRefObj(int64_t index) const;
  int64_t Length() const { return static_cast<int64_t>(elements_.size()); }
  TvnPDDocumentIntf* GetParentDoc() const { return parent_doc_; }
  void SetParentDoc(TvnPDDocumentIntf* doc) { parent_doc_ = doc; }

 private:
  TvnPDDocumentIntf* parent_doc_;
  std::vector<std::unique_ptr<TvnPDBaseObject>> elements_;
};

// Entry storage of dictionaries: keys (name values without "/") in insertion
// order, each with its value. A key is present at most once.
class TvnDict : public TvnRefCounted {
 public:
  explicit TvnDict(TvnPDDocumentIntf* parent_doc = nullptr) : parent_doc_(parent_doc) {}
  // Stores the value under the key, replacing (and freeing) the value of a
  // key that is already present, in its place.
  void Add(std::string_view key, std::unique_ptr<TvnPDBaseObject> value);
  // Removes the entry and frees its value; false when the key is absent.
  bool Remove(std::string_view key);
  // The value, an indirect reference followed through the document.
  TvnPDBaseObject* LookUp(std::string_view key) const;
  TvnPDBaseObject* LookupRefObj(std::string_view key) const;
  int64_t Length() const { return static_cast<int64_t>(entries_.size()); }
  // Empty text outside the range.
  std::string GetKey(int64_t index) const;
  TvnPDBaseObject* GetValue(int64_t index) const;
  TvnPDBaseObject* GetValueRefObj(int64_t index) const;
  // Renames the entry; another entry of that key is removed.
  void SetKey(int64_t index, std::string_view key);
  // Replaces (and frees) the value of the entry.
  void SetValue(int64_t index, std::unique_ptr<TvnPDBaseObject> value);
  // The value under "Type" is a name equal to `type`.
  bool Isof(std::string_view type) const;
  TvnPDDocumentIntf* GetParentDoc() const { return parent_doc_; }
  void SetParentDoc(TvnPDDocumentIntf* doc) { parent_doc_ = doc; }

 private:
  struct Entry {
    std::string key;
    std::unique_ptr<TvnPDBaseObject> value;
  };
  int64_t Find(std::string_view key) const;
  void Reindex();

  TvnPDDocumentIntf* parent_doc_;
  std::vector<Entry> entries_;
  std::unordered_map<std::string, size_t> index_;
};

// ---- Containers -------------------------------------------------------------

class TvnPDArray : public TvnPDBaseObject {
 public:
  // A new element storage for the document.
  explicit TvnPDArray(TvnPDDocumentIntf* parent_doc = nullptr, int64_t obj_number = kDirectObjNumber,
                      int64_t gen_number = kDirectObjNumber);
  // Takes over the reference held by `storage` (pass a copy to share it).
  explicit TvnPDArray(Ref<TvnArray> storage, int64_t obj_number = kDirectObjNumber,
                      int64_t gen_number = kDirectObjNumber);

  // Add, Insert and Remove mark the array changed.
  void Add(std::unique_ptr<TvnPDBaseObject> element);
  void Insert(std::unique_ptr<TvnPDBaseObject> object, int64_t index);
  void Remove(int64_t index);
  // Frees the element at the index and puts the object there; does not mark
  // the array changed.
  void SetValue(std::unique_ptr<TvnPDBaseObject> object, int64_t index);
  TvnPDBaseObject* Get(int64_t index) const { return storage_->Get(index); }
  TvnPDBaseObject* GetRefObj(int64_t index) const { return storage_->GetRefObj(index); }
  // Copies owned by the caller; a new null when nothing is there.
  std::unique_ptr<TvnPDBaseObject> GetClone(int64_t index) const;
  std::unique_ptr<TvnPDBaseObject> GetRefObjClone(int64_t index) const;
  int64_t GetLength() const { return storage_->Length(); }
  // Appends every indirect reference among the elements, descending into
  // direct arrays and dictionaries (depth first, in order). Borrowed.
  void GetIndirectRefs(std::vector<TvnPDIndirectRef*>& list) const;
  TvnPDDocumentIntf* GetParentDoc() const { return storage_->GetParentDoc(); }
  void SetParentDoc(TvnPDDocumentIntf* doc) { storage_->SetParentDoc(doc); }
  TvnArray* GetArray() const { return storage_.get(); }
  // The array's text with its strings always in plain form (the file
  // identifier); the same as SaveToStream until the writer encrypts strings.
  int64_t WriteIDWithoutEncrypting(TvnStream& stream, bool only_changed = false);

  // Appends a copy of each element of a source array (nested containers
  // belong to this array's document).
  void Assign(const TvnPDBaseObject& source) override;
  std::unique_ptr<TvnPDBaseObject> CloneWith(TvnObjectWalk& walk) const override;
  // "[ ", each element followed by " ", "]".
  void AppendText(std::string& out, TvnObjectWalk& walk) override;

 private:
  Ref<TvnArray> storage_;
};

class TvnPDDictionary : public TvnPDBaseObject {
 public:
  // A new entry storage for the document; a new dictionary is changed.
  explicit TvnPDDictionary(TvnPDDocumentIntf* parent_doc = nullptr);
  TvnPDDictionary(int64_t obj_number, int64_t gen_number, TvnPDDocumentIntf* parent_doc);
  // Takes over the reference held by `storage` (pass a copy to share it).
  explicit TvnPDDictionary(Ref<TvnDict> storage);
  TvnPDDictionary(int64_t obj_number, int64_t gen_number, Ref<TvnDict> storage);

  // Add, SetKeyValue and Remove mark the dictionary changed. A key already
  // present gets the new value in its place.
  void Add(std::string_view key, std::unique_ptr<TvnPDBaseObject> value);
  // The key as a name object; any other kind of key adds nothing.
  void Add(const TvnPDBaseObject* key, std::unique_ptr<TvnPDBaseObject> value);
  // Removes the key, then adds it with the value (at the end).
  void SetKeyValue(std::string_view key, std::unique_ptr<TvnPDBaseObject> value);
  void Remove(std::string_view key);
  void Remove(const TvnPDBaseObject* key);
  // The value; an indirect reference is followed through the document (the
  // reference itself when there is no document). Null when absent.
  TvnPDBaseObject* LookUp(std::string_view key) const { return storage_->LookUp(key); }
  TvnPDBaseObject* LookupRefObj(std::string_view key) const { return storage_->LookupRefObj(key); }
  // Copies owned by the caller; a new null when the lookup gives nothing.
  std::unique_ptr<TvnPDBaseObject> LookUpClone(std::string_view key) const;
  std::unique_ptr<TvnPDBaseObject> LookupRefObjClone(std::string_view key) const;
  int64_t GetLength() const { return storage_->Length(); }
  std::string GetKey(int64_t index) const { return storage_->GetKey(index); }
  TvnPDBaseObject* GetValue(int64_t index) const { return storage_->GetValue(index); }
  TvnPDBaseObject* GetValueRefObj(int64_t index) const { return storage_->GetValueRefObj(index); }
  void SetKey(int64_t index, std::string_view key) { storage_->SetKey(index, key); }
  // Replaces (and frees) the stored value; does not mark the dictionary
  // changed.
  void SetValue(int64_t index, std::unique_ptr<TvnPDBaseObject> value) { storage_->SetValue(index, std::move(value)); }
  void GetIndirectRefs(std::vector<TvnPDIndirectRef*>& list) const;
  TvnPDDocumentIntf* GetParentDoc() const { return storage_->GetParentDoc(); }
  void SetParentDoc(TvnPDDocumentIntf* doc) { storage_->SetParentDoc(doc); }
  TvnDict* GetDict() const { return storage_.get(); }

  // Adds a copy of each entry of a source dictionary (nested containers
  // belong to this dictionary's document).
  void Assign(const TvnPDBaseObject& source) override;
  std::unique_ptr<TvnPDBaseObject> CloneWith(TvnObjectWalk& walk) const override;
  // "<<", for each entry "/" EncodeName(key) " " value " ", ">>".
  void AppendText(std::string& out, TvnObjectWalk& walk) override;

 private:
  Ref<TvnDict> storage_;
};

// A stream object: a dictionary and a byte stream that yields the decoded
// data.
class TvnPDStream : public TvnPDBaseObject {
 public:
  // An empty in-memory stream with a new dictionary of the document.
  explicit TvnPDStream(TvnPDDocumentIntf* parent_doc);
  // Takes over the reference held by `stream` and the dictionary.
  TvnPDStream(Ref<TvnStream> stream, std::unique_ptr<TvnPDDictionary> dict,
              int64_t obj_number = kDirectObjNumber, int64_t gen_number = kDirectObjNumber);

  TvnPDDictionary* GetDict() const { return dict_.get(); }
  // Replaces (and frees) the dictionary.
  void SetDict(std::unique_ptr<TvnPDDictionary> dict) { dict_ = std::move(dict); }
  // The byte stream that yields the decoded data.
  TvnStream* GetStream() const { return stream_.get(); }
  bool Isof(std::string_view dict_type) const { return dict_ && dict_->GetDict()->Isof(dict_type); }
  TvnPDDocumentIntf* GetParentDoc() const { return parent_doc_; }
  bool NoCompression() const { return no_compression_; }
  void SetNoCompression(bool v) { no_compression_ = v; }

  // Data access forwarded to the byte stream.
  int GetChar();
  int LookChar();
  size_t Read(uint8_t* buffer, size_t count);
  size_t Read(std::string& buffer, size_t count);
  // One line as a text of `count` bytes, padded with zero bytes.
  std::string ReadLine(size_t count);
  size_t Write(std::string_view buffer);
  size_t Write(const uint8_t* buffer, size_t count);
  int64_t GetPosition();
  void SetPosition(int64_t offset, SeekOrigin origin);
  void Close();
  // Rewinds the byte stream; any failure becomes ExInvalidStream.
  void Reset();
  // Forwarded when the byte stream is a window; otherwise 0 and nothing.
  int64_t GetStart();
  void MoveStart(int64_t delta);
  // A new stream object over a window of the byte stream with the given
  // dictionary; null when the byte stream is not a window.
  std::unique_ptr<TvnPDStream> MakeSubStream(int64_t start, int64_t length, bool limited,
                                             std::unique_ptr<TvnPDDictionary> dict);

  // Takes the source's undecoded data stream (one more reference) and a copy
  // of its dictionary in this stream's document.
  void Assign(const TvnPDBaseObject& source) override;
  // Shares the byte stream (one more reference) and copies the dictionary.
  std::unique_ptr<TvnPDBaseObject> CloneWith(TvnObjectWalk& walk) const override;
  // The dictionary, "\r\nstream\r\n", the undecoded bytes as they are,
  // "\r\nendstream". Preparing data for a save (compression, Length,
  // encryption) is the writer's.
  void AppendText(std::string& out, TvnObjectWalk& walk) override;

 private:
  Ref<TvnStream> stream_;
  std::unique_ptr<TvnPDDictionary> dict_;
  TvnPDDocumentIntf* parent_doc_ = nullptr;
  bool no_compression_ = false;
};

// ---- Cross-reference entry ---------------------------------------------------

enum class TvnPDXRefEntrytype { xeFree, xeUnCompressed, xeCompressed };

// For an uncompressed entry the byte offset of the object and its
// generation; for a compressed entry the number of the object stream and
// the index inside it. -1 marks a field no section has filled.
class TvnPDXRefEntry : public TvnObject {
 public:
  TvnPDXRefEntry() = default;
  TvnPDXRefEntry(int64_t offset, int64_t gen_num, TvnPDXRefEntrytype type)
      : offset_(offset), gen_num_(gen_num), entry_type_(type) {}
  int64_t GetOffset() const { return offset_; }
  void SetOffset(int64_t v) { offset_ = v; }
  int64_t GetGenNum() const { return gen_num_; }
  void SetGenNum(int64_t v) { gen_num_ = v; }
  TvnPDXRefEntrytype GetEntryType() const { return entry_type_; }
  void SetEntryType(TvnPDXRefEntrytype v) { entry_type_ = v; }

 private:
  int64_t offset_ = -1;
  int64_t gen_num_ = -1;
  TvnPDXRefEntrytype entry_type_ = TvnPDXRefEntrytype::xeFree;
};

// ---- Element base -------------------------------------------------------------

// The base of the document-model wrappers. A wrapper never frees the object
// it wraps (the document owns it).
class TvnPDElement : public TvnObject {
 public:
  TvnPDBaseObject* BaseObject() const { return FBaseObject; }
  TvnPDDocumentIntf* ParentDoc() const { return FParentDoc; }
  TvnPDElement* ParentElement() const { return FParentElement; }
  bool Changed() const { return FIsChanged; }
  virtual void Update() {}

 protected:
  TvnPDElement() = default;
  TvnPDElement(TvnPDBaseObject* base_object, TvnPDDocumentIntf* parent_doc, TvnPDElement* parent_element)
      : FBaseObject(base_object), FParentDoc(parent_doc), FParentElement(parent_element) {}

  TvnPDBaseObject* FBaseObject = nullptr;
  TvnPDDocumentIntf* FParentDoc = nullptr;
  TvnPDElement* FParentElement = nullptr;
  bool FIsChanged = false;
};

}  // namespace vn::pdf
