// The cross-reference table of one PDF file, reading side: finds the
// startxref offset, reads the chain of sections (classic tables,
// cross-reference streams, hybrid files, incremental updates linked by
// Prev), keeps the newest trailer, and fetches indirect objects by number,
// from their offset or out of their object stream.
//
// Damaged files: a Prev chain ends at a section already read; a broken or
// missing table makes the reader rebuild the table by scanning the file
// for "N G obj" headers, trailers and object streams; an object whose
// header does not match its entry is looked for among the scanned headers.
// Entry counts are capped by the file size, fetches nested through
// indirect stream lengths are bounded, and an object stream is never read
// out of another object stream. Each repair (a damaged section, the
// rebuild, an object found away from its entry) and the parser's repairs
// are reported to the table's diagnostics.
#pragma once

#include <cstdint>
#include <list>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "pdf/crypt_stream.h"
#include "pdf/objects.h"
#include "pdf/parser.h"
#include "pdf/streams.h"
#include "runtime/diagnostics.h"

namespace vn::pdf {

class TvnPDXRef;

// One object stream, parsed at once; objects are handed out as copies.
class TvnObjectStream {
 public:
  // Decoded data of one object stream read at most.
  static constexpr size_t kMaxDecodedBytes = size_t{256} << 20;

  // Fetches object `objstm_num` through `xref` and parses its objects.
  TvnObjectStream(TvnPDXRef& xref, int64_t objstm_num);
  // A copy of the object at `index` (owned by the caller). When the number
  // stored there is not `obj_number`, the object of that number elsewhere
  // in the stream is taken; a TvnPDError when there is none.
  std::unique_ptr<TvnPDBaseObject> GetObject(int64_t index, int64_t obj_number) const;
  int64_t GetObjStrNum() const { return number_; }
  int64_t GetCount() const { return static_cast<int64_t>(numbers_.size()); }
  int64_t GetObjNumberAt(int64_t index) const { return numbers_[static_cast<size_t>(index)]; }

 private:
  int64_t number_;
  std::vector<int64_t> numbers_;
  std::vector<std::unique_ptr<TvnPDBaseObject>> objects_;
};

class TvnPDXRef : public TvnObject {
 public:
  // Object streams kept parsed at a time.
  static constexpr size_t kObjectStreamCache = 8;
  // Fetches nested through indirect stream lengths.
  static constexpr int kMaxFetchDepth = 16;

  // `stream` is a window over the whole file (the table holds a reference);
  // repairs are reported to `diagnostics` (may be null; must outlive the
  // table).
  TvnPDXRef(TvnPDDocumentIntf* parent_doc, Ref<TvnStream> stream, vn::Diagnostics* diagnostics = nullptr);
  ~TvnPDXRef() override;

  // Reads the section chain (rebuilding the table from the file's objects
  // when the chain is unusable); returns whether the chain was sound.
  // ExInvalidPDFFile for an empty file; ExStartXrefNotFound or
  // ExImproperCrossRefTableOrStream when neither the chain nor a rebuild
  // gives a trailer.
  bool GenerateTable();
  // The startxref offset; ExInvalidPDFFile for an empty file,
  // ExStartXrefNotFound without a usable offset.
  int64_t GetStartXref();
  // The indirect object, new and owned by the caller, or a TvnPDError.
  std::unique_ptr<TvnPDBaseObject> Fetch(int64_t num);

  TvnPDDictionary* GetTrailorDict() const { return trailer_.get(); }
  // Null outside the table.
  const TvnPDXRefEntry* GetEntry(int64_t index) const;
  bool IsEntryFree(int64_t index) const;
  int64_t GetSize() const { return static_cast<int64_t>(entries_.size()); }
  int64_t GetLastObjectNumber() const { return last_object_number_; }
  void SetLastObjectNumber(int64_t v) { last_object_number_ = v; }
  int64_t GetStartObjectNumber() const { return start_object_number_; }
  TvnPDDocumentIntf* ParentDoc() const { return parent_doc_; }
  TvnStream* GetStream() const { return stream_.get(); }
  // Fetched objects are decrypted from now on with `settings`, which carry
  // the file key of a checked password; `strings` and `streams` say which
  // of them the file encrypts.
  void SetDecryption(const TvnEncryptionSettings& settings, bool strings, bool streams);
  const TvnStandardSecurity* StringSecurity() const { return string_security_.get(); }
  const TvnEncryptionSettings* StreamDecryption() const { return stream_decryption_.get(); }
  bool Encrypted() const { return encrypted_; }
  // The number of a catalog found among the file's objects (a dictionary of
  // /Type /Catalog with /Pages, written directly or in an object stream;
  // the last in the file wins), or -1. For a trailer whose Root names
  // something else; scans the file on first call.
  int64_t FindCatalog();
  // Whether the table was rebuilt by scanning the file.
  bool Rebuilt() const { return rebuilt_; }
  // Where the table and the parsers reading through it report repairs (may be null).
  vn::Diagnostics* GetDiagnostics() const { return diagnostics_; }

 private:
  friend class TvnObjectStream;
  struct Scan;

  // Marks the chain unsound, saying why (at the section being read).
  void Damaged(const char* what);
  int64_t ReadXRefSection(int64_t offset, bool follow_prev);
  int64_t ReadXRefTable(TvnPDParser& parser);
  int64_t ReadXRefStream(TvnPDStream& stream);
  bool ReadXRefStreamSection(const std::string& data, size_t& pos, int64_t first, int64_t count, const int w[3]);
  bool Grow(int64_t count);
  void Fill(int64_t index, int64_t offset, int64_t gen, TvnPDXRefEntrytype type);
  void KeepTrailer(const TvnPDDictionary& dict);
  std::unique_ptr<TvnPDBaseObject> ParseAt(int64_t offset, int64_t num, int64_t gen);
  std::unique_ptr<TvnPDBaseObject> FetchCompressed(int64_t objstm, int64_t index, int64_t num);
  const Scan& GetScan();
  void Rebuild();
  std::unique_ptr<TvnPDParser> MakeParser(int64_t offset, bool allow_streams);

  TvnPDDocumentIntf* parent_doc_;
  Ref<TvnStream> stream_;
  vn::Diagnostics* diagnostics_;
  int64_t section_offset_ = -1;  // of the section being read
  std::vector<std::unique_ptr<TvnPDXRefEntry>> entries_;  // null: no section gave it
  std::unique_ptr<TvnPDDictionary> trailer_;
  int64_t start_xref_ = -1;
  int64_t start_ = 0;
  int64_t start_object_number_ = 0;
  int64_t last_object_number_ = 0;
  int64_t max_entries_ = 0;
  int subsections_ = 0;
  bool one_based_single_ = false;
  bool ok_ = true;
  bool rebuilt_ = false;
  std::list<std::unique_ptr<TvnObjectStream>> object_streams_;  // most recent first
  std::set<int64_t> fetching_;
  std::unique_ptr<Scan> scan_;
  int64_t found_catalog_ = -2;  // -2: not looked for yet
  bool encrypted_ = false;
  std::unique_ptr<TvnStandardSecurity> string_security_;
  std::unique_ptr<TvnEncryptionSettings> stream_decryption_;
};

}  // namespace vn::pdf
