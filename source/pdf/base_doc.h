// One opened PDF file: the reader (file window and cross-reference table),
// the cache of indirect objects, the trailer, and the catalog, Info and
// encryption dictionaries. Objects are fetched on first use and owned by
// the document from then on; every object, the catalog, Info and Encrypt
// dictionaries included, lives in the one cache keyed by the number it had
// in the file, so no object is ever held twice or displaced by another.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <unordered_map>

#include "pdf/crypt_stream.h"
#include "pdf/objects.h"
#include "pdf/xref.h"
#include "runtime/streams.h"

namespace vn::pdf {

class TvnPDBaseDoc;
class TvnPDWriter;
struct TvnSignature;

class TvnPDReader : public TvnObject {
 public:
  // Repairs of the file are reported to `diagnostics` (may be null; must
  // outlive the reader).
  explicit TvnPDReader(TvnPDBaseDoc* parent_doc, vn::Diagnostics* diagnostics = nullptr)
      : parent_doc_(parent_doc), diagnostics_(diagnostics) {}
  // Reads the cross-reference chain of `stream` (not owned; it must outlive
  // the reader).
  void LoadFromStream(vn::TStream* stream);
  // Opens the file for reading and keeps it open for the reader's life.
  // ExFileNotFound, ExFileOpenError.
  void LoadFromFile(const std::filesystem::path& filename);
  // The object (caller owns it), or null when it cannot be fetched.
  std::unique_ptr<TvnPDBaseObject> Fetch(int64_t object_number);
  // A copy of the trailer (caller owns it), or null.
  std::unique_ptr<TvnPDDictionary> GetTrailer() const;
  TvnPDXRef* GetXRef() const { return xref_.get(); }
  vn::TStream* GetFileStream() const { return file_; }

 private:
  void Load(std::shared_ptr<vn::TStream> file);

  std::unique_ptr<TvnPDXRef> xref_;
  TvnPDBaseDoc* parent_doc_;
  vn::Diagnostics* diagnostics_;
  std::shared_ptr<vn::TStream> owned_file_;
  vn::TStream* file_ = nullptr;
};

// The document's indirect objects by object number (owned).
class TvnPDCollection : public TvnObject {
 public:
  // Stores the object under its object number. ExInvalidObject for null;
  // vn::EListError when that number is taken.
  void Add(std::unique_ptr<TvnPDBaseObject> value);
  TvnPDBaseObject* GetObject(int64_t object_number) const;
  size_t Count() const { return objects_.size(); }

 private:
  std::unordered_map<int64_t, std::unique_ptr<TvnPDBaseObject>> objects_;
};

struct TvnPDSaveOptions {
  std::string Header = "%PDF-1.7\r\n";
  bool Incremental = false;
  bool Full = true;
  bool Copy = false;
  bool Linearize = false;
  bool UniDirectional = false;
  bool KeepModDate = false;
  bool UnCompressed = false;
  bool Compressed = false;
};

class TvnPDBaseDoc : public TvnObject, public TvnPDDocumentIntf {
 public:
  static constexpr const char* kProducer = "Vintrope Brisquel v 4.0";
  // Objects read from the start of the file when looking for the
  // linearization dictionary.
  static constexpr int kLinearizedProbeObjects = 16;

  TvnPDBaseDoc();
  ~TvnPDBaseDoc() override;

  // Loads the file from `stream` (not owned; it must outlive the document).
  // The errors of the cross-reference reader pass through. An encrypted
  // file needs its user or owner password (ExInvalidPassword otherwise);
  // an Encrypt dictionary the standard security handler cannot read raises
  // ExUnsupportedEncryption. Strings and streams of fetched objects are
  // decrypted with the file key derived once here.
  void LoadDocument(vn::TStream* stream, const std::string& password);
  // The file is opened here and closed with the document. ExFileNotFound,
  // ExFileOpenError.
  void LoadDocument(const std::filesystem::path& filename, const std::string& password);

  // The indirect object, owned by the document, or null.
  TvnPDBaseObject* GetObject(int64_t object_number) override;
  // The catalog. ExBadRootObj when the trailer's Root is not a dictionary,
  // ExNoPageTreeObj when it has no Pages.
  TvnPDDictionary* GetDocRoot();
  // The encryption dictionary, or null.
  TvnPDDictionary* GetEncrypt();
  // The Info dictionary; a file without one gets a new one holding
  // Producer, referred to by the trailer.
  TvnPDDictionary* GetDocInfo();
  // The trailer; with the Full save option its Prev entry is removed first.
  TvnPDDictionary* GetTrailer();
  // The linearization dictionary, or null.
  TvnPDDictionary* GetLinearized();

  void AddToCollection(std::unique_ptr<TvnPDBaseObject> value);
  bool IsObjectWritten(int64_t object_number) const;
  // The two strings of the trailer's ID array (hex strings decoded);
  // unchanged when there is no ID.
  void GetDocID(std::string& instance_id, std::string& permanent_id);
  void SetDocID(const std::string& instance_id, const std::string& permanent_id);

  void SetSaveOptions(const std::string& header, bool incremental, bool full, bool copy, bool linearize,
                      bool uni_directional, bool uncompressed, bool compressed, bool keep_mod_date);
  const TvnPDSaveOptions& GetSaveOptions() const { return save_options_; }

  // The permissions of the settings read from the file, with those of P
  // and `user_permissions` added: bits 3 to 6 of P give print, modify,
  // copy and annotations; bits 9 to 12 (form filling, accessibility,
  // assembly, high-resolution printing) count for revisions 3 and above.
  TvnUserPermissions GetPermissions(TvnUserPermissions user_permissions);
  // Settings read from the Encrypt dictionary (null for an unencrypted
  // file) and those the password check made, used when saving.
  TvnEncryptionSettings* GetEncryptSettings() const { return encrypt_settings_.get(); }
  TvnEncryptionSettings* GetUserEncryptionSettings() const { return user_settings_.get(); }
  // Null is ignored.
  void SetUserEncryptionSettings(std::unique_ptr<TvnEncryptionSettings> value) {
    if (value) user_settings_ = std::move(value);
  }

  // Saves through the writer (created on first use); the stream form moves
  // `stream` back to position 0 afterwards. ExInvalidStream for a null
  // stream; the file form raises ExInvalidFileName for an empty name and
  // ExFileCreateError when the file cannot be created.
  void SaveDocument(vn::TStream* stream);
  void SaveDocument(const std::filesystem::path& filename);
  TvnPDWriter* GetWriter();
  // The highest object number of the file as loaded (objects above it are
  // new).
  int64_t GetLoadedLastObjectNumber() const { return loaded_last_object_number_; }

  // The signature settings (created on first use) and whether a save
  // patches the signature placeholder.
  TvnSignature* GetSignature();
  bool GetSignDoc() const { return sign_doc_; }
  void SetSignDoc(bool v) { sign_doc_ = v; }

  const std::string& GetPassword() const { return password_; }
  bool GetIsEncrypted() const { return is_encrypted_; }
  bool GetIsOwner() const { return is_owner_; }
  TvnPDReader* GetReader() const { return reader_.get(); }
  TvnPDCollection* GetCollection();
  // What the reader repaired or skipped in the file loaded last.
  const vn::Diagnostics& GetDiagnostics() const { return diagnostics_; }

 private:
  void Reset();
  void Load(const std::string& password);

  vn::Diagnostics diagnostics_;
  std::unique_ptr<TvnPDReader> reader_;
  std::unique_ptr<TvnPDCollection> collection_;
  std::unique_ptr<TvnPDWriter> writer_;
  int64_t loaded_last_object_number_ = 0;
  std::unique_ptr<TvnSignature> signature_;
  bool sign_doc_ = false;
  std::unique_ptr<TvnEncryptionSettings> encrypt_settings_;
  std::unique_ptr<TvnEncryptionSettings> user_settings_;
  TvnPDSaveOptions save_options_;
  std::string password_;
  bool is_owner_ = false;
  bool is_encrypted_ = false;
  std::unique_ptr<TvnPDDictionary> trailer_;
  std::unique_ptr<TvnPDBaseObject> linearized_;
  bool linearized_probed_ = false;
  int64_t catalog_num_ = -1;
  int64_t encrypt_num_ = -1;
  int64_t doc_info_num_ = -1;
  // Direct dictionaries in the trailer (unusual, but read).
  TvnPDDictionary* direct_encrypt_ = nullptr;
};

}  // namespace vn::pdf
