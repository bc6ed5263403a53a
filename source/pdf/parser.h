// Reads complete PDF objects from a lexer with two tokens of look-ahead:
// arrays, dictionaries, stream objects, indirect references and simple
// objects. Serves the fetch of indirect objects, the cross-reference
// reader, object streams and content streams (which get every operator as
// a TvnPDCommand and read inline image data from GetStream after "ID").
//
// Damaged syntax never raises: errors come back as TvnPDError tokens or
// elements, containers end at the end of the data, nesting deeper than
// kMaxDepth gives error elements instead of descending.
//
// A stream's data window runs from the line after "stream" for Length
// bytes (an indirect Length is fetched through the document). When no
// "endstream" follows there, or Length is missing, the data end where the
// next "endstream" keyword begins (an end-of-line before it stays in the
// data, as the writer may have counted it); without any "endstream" the
// declared Length, clipped to the file, stands. The data are decrypted when
// asked for, then decoded through the Filter chain (TvnPDFilterManager).
// Each such repair, and nesting cut at kMaxDepth, is reported to the
// diagnostics of the cross-reference table the parser reads through.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "pdf/lexer.h"
#include "pdf/objects.h"

namespace vn::pdf {

class TvnPDXRef;

class TvnPDParser : public TvnObject {
 public:
  static constexpr int kMaxDepth = 128;
  // How far past the stream start an "endstream" keyword is searched for.
  static constexpr int64_t kMaxEndstreamSearch = int64_t{64} << 20;

  // `xref` (may be null) gives the document that owns new containers and
  // resolves an indirect Length. Rewinds the lexer's stream and reads the
  // first two tokens.
  TvnPDParser(TvnPDXRef* xref, std::unique_ptr<TvnPDLexer> lexer, bool allow_streams);

  // The next complete object; the caller owns it. A non-empty `file_key`
  // asks for the decryption of strings and streams with the document's
  // keys (when the table has them); `obj_num` and `gen_num` are the numbers
  // of the indirect object being read, which the per-object keys use.
  std::unique_ptr<TvnPDBaseObject> GetObject(std::string_view file_key = {}, int64_t obj_num = kDirectObjNumber,
                                             int64_t gen_num = kDirectObjNumber);

  // The present token (borrowed), for callers that inspect before reading.
  const TvnPDBaseObject* Current() const { return current_.get(); }
  const TvnPDBaseObject* Next() const { return next_.get(); }
  TvnStream* GetStream() const { return lexer_->GetStream(); }
  int64_t GetPosition() const { return lexer_->GetPosition(); }
  TvnPDLexer* GetLexer() const { return lexer_.get(); }

 private:
  std::unique_ptr<TvnPDBaseObject> Parse(int depth, std::string_view file_key, int64_t obj_num, int64_t gen_num);
  std::unique_ptr<TvnPDBaseObject> ParseArray(int depth, std::string_view file_key, int64_t obj_num, int64_t gen_num);
  std::unique_ptr<TvnPDBaseObject> ParseDictionary(int depth, std::string_view file_key, int64_t obj_num,
                                                   int64_t gen_num);
  std::unique_ptr<TvnPDBaseObject> ParseIntOrRef();
  std::unique_ptr<TvnPDBaseObject> ParseString(int64_t obj_num, int64_t gen_num);
  std::unique_ptr<TvnPDBaseObject> ParseStream(std::unique_ptr<TvnPDDictionary> dict, bool decrypt, int64_t obj_num,
                                               int64_t gen_num);
  // Offset of the next "endstream" at or after `from` within the search
  // range of the base stream, or -1.
  int64_t FindEndstream(TvnBaseStream& base, int64_t from);
  void Shift();
  void Refill();
  TvnPDDocumentIntf* Doc() const;
  // Reports a repair to the table's diagnostics (when there is a table).
  void Report(int64_t offset, int64_t obj_num, const char* what) const;

  TvnPDXRef* xref_;
  std::unique_ptr<TvnPDLexer> lexer_;
  std::unique_ptr<TvnPDBaseObject> current_;
  std::unique_ptr<TvnPDBaseObject> next_;
  int inline_image_ = 0;
  bool allow_streams_;
};

}  // namespace vn::pdf
