// Writes a loaded (and possibly edited) PDF document back out: a full save
// (a new file whose objects, reachable from the catalog and the Info
// dictionary, are numbered afresh from 1) or an incremental save (the
// loaded file's bytes unchanged, followed by the changed and new objects
// under their own numbers). Either ends with a classic cross-reference
// table of 20-byte lines, the trailer, "startxref" and "%%EOF".
//
// Every piece of state of one save (old-to-new numbers, the objects
// written, the table) lives in the save itself: the document's objects
// keep their numbers and flags, so a document can be saved any number of
// times. The writer renders object text itself (references with their new
// numbers, strings encrypted); the objects' own SaveToStream stays their
// direct form.
//
// Streams: unchanged filtered data are copied as stored (decrypted, and
// encrypted again for an encrypted output); data without a filter, and
// changed data whose filters this layer decodes, are compressed with Flate;
// Metadata and NoCompression streams are written uncompressed. Length is
// always the size of the bytes written.
//
// Signed save: when the document's SignDoc is set, the signature field's
// placeholder dictionary (a V dictionary of an AcroForm field of type Sig
// holding the key Vintrope) is overwritten after the save by the signature
// dictionary: its entries, "/Contents<" followed by 3000 zero digits and
// ">" (room for the signature's hex digits, which a signing step writes
// over them), and the ByteRange around them. The texts are escaped (and encrypted in an encrypted file); a dictionary that
// does not fit the placeholder raises ExSignatureSpace.
//
// Encryption: a full save of an encrypted document, or of one whose user
// encryption settings are enabled, gets a fresh file identifier, keys and
// Encrypt dictionary (RC4 40/128 or AES-128, as the settings say); every
// string and stream is encrypted with the key of the indirect object that
// holds it. An incremental save keeps the file's keys.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "pdf/exceptions.h"
#include "pdf/objects.h"
#include "runtime/streams.h"

namespace vn::pdf {

class TvnPDBaseDoc;

enum class TvnSigCertLevel { clNoChange, clFillFormFields, clInsertAnnots };

// What the signature patch writes into a signature field's placeholder.
struct TvnSignature {
  std::string Author;
  std::string ContactInfo;
  std::string Location;
  std::string Reason;
  std::string Filter;
  std::string PFXFileName;
  std::string PFXPassWord;
  std::string Subfilter;
  TvnSigCertLevel CerificationLevel = TvnSigCertLevel::clNoChange;
  // 0: no signing time is written.
  double DateTime = 0;
};

// The signature dictionary does not fit the space its placeholder reserved.
class ExSignatureSpace : public EBrisquel {
 public:
  static constexpr const char* kMessage = "Signature does not fit its placeholder";
  ExSignatureSpace() : EBrisquel(kMessage) {}
};

// An incremental save cannot encrypt a file that was not encrypted: the
// bytes it keeps would stay in the clear.
class ExIncrementalEncryption : public EBrisquel {
 public:
  static constexpr const char* kMessage = "Incremental save cannot add encryption";
  ExIncrementalEncryption() : EBrisquel(kMessage) {}
};

// The cross-reference table of a file being written.
class TvnPDXRefWriter {
 public:
  // Records the entry of object `number`; a later entry of the same number
  // replaces it.
  void SetEntry(int64_t number, int64_t offset, int64_t generation, TvnPDXRefEntrytype type);
  struct Entry {
    int64_t offset;
    int64_t generation;
    TvnPDXRefEntrytype type;
  };
  // Null when the number has no entry.
  const Entry* GetEntry(int64_t number) const;
  // "xref", then one subsection per run of consecutive numbers, each entry
  // ten offset digits, a blank, five generation digits, a blank, "n" or "f"
  // and CR LF. With `with_free_head` the table starts with the free entry
  // of object 0 (a full save); otherwise only the recorded entries appear.
  std::string Text(bool with_free_head) const;
  int64_t LastObjectNumber() const { return entries_.empty() ? 0 : entries_.rbegin()->first; }

 private:
  std::map<int64_t, Entry> entries_;
};

class TvnPDWriter : public TvnObject {
 public:
  explicit TvnPDWriter(TvnPDBaseDoc* parent_doc) : parent_doc_(parent_doc) {}

  // Writes the document to `stream` from its present position (offsets in
  // the file count from there). ExInvalidStream for a null stream. The
  // catalog is looked up before anything is written, so a document without
  // one raises its error with nothing written.
  void SaveDocument(vn::TStream* stream);
  // The file appears only once the whole document is written (an
  // OutputFile): a failed save leaves no partial file and an earlier file
  // of that name as it was.
  // ExInvalidFileName for an empty name, ExFileCreateError when the file
  // cannot be created.
  void SaveDocument(const std::filesystem::path& filename);

  // A fixed file identifier (bytes) for encrypted output instead of a fresh
  // random one, for byte-exact output.
  void SetFixedFileID(std::optional<std::string> id) { fixed_file_id_ = std::move(id); }

  // Where the last save put the signature (offsets in the output): the "<"
  // that opens Contents and the byte after the 3001 bytes kept for the
  // signature's hex digits and ">"; both 0 when nothing was patched.
  int64_t GetSignatureContentsStart() const { return sig_contents_; }
  int64_t GetSignatureContentsEnd() const { return sig_contents_end_; }

  // The output of the last save and its table.
  vn::TStream* GetFileStream() const { return file_; }
  const TvnPDXRefWriter& GetXRef() const { return xref_; }
  // Offset of the cross-reference table written last.
  int64_t GetStartXref() const { return start_xref_; }

 private:
  TvnPDBaseDoc* parent_doc_;
  vn::TStream* file_ = nullptr;
  TvnPDXRefWriter xref_;
  int64_t start_xref_ = 0;
  std::optional<std::string> fixed_file_id_;
  int64_t sig_contents_ = 0;
  int64_t sig_contents_end_ = 0;
};

}  // namespace vn::pdf
