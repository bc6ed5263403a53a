// The document information dictionary of an opened PDF file (the trailer's
// Info entry; the object layer makes one when the file has none). Creating
// the wrapper stamps the Producer entry. Texts are read as PDF text strings
// and written as such (a literal string for printable ASCII, UTF-16BE hex
// otherwise), so any text survives a save. The two dates are read by the
// date rules and given as "d/m/yyyy/ h:m:s" without padding; they are
// written as given (a PDF date text such as "D:20230305140709").
//
// Read values are kept; a setter forgets the kept value of its entry, so the
// next read gives what was set.
#pragma once

#include <string>
#include <string_view>

#include "pdf/objects.h"
#include "runtime/strings.h"

namespace vn::pdfdoc {

class TvnPDFDocumentHandler;
class TvnPDCatalog;

class TvnPDDocInfo : public vn::pdf::TvnObject {
 public:
  // The Producer text stamped into every opened file.
  static constexpr const char* kProducer = "Vintrope Pelmora";

  // Takes the Info dictionary of the handler's base document and stamps
  // the Producer. The catalog is not needed for reading.
  TvnPDDocInfo(TvnPDFDocumentHandler* AParentDoc, TvnPDCatalog* ACatalog);

  String Author();
  String CreateDate();
  String Creator();
  String ModeDate();
  String Producer();
  String Subject();
  String Title();
  String Keyword();

  void SetAuthor(StringView Value);
  void SetCreateDate(StringView Value);
  void SetCreator(StringView Value);
  void SetModeDate(StringView Value);
  void SetSubject(StringView Value);
  void SetTitle(StringView Value);
  void SetKeyword(StringView Value);
  void SetProducer(StringView Value);

  // "Author", "Subject", "Producer", "Title", "Creator", "Keywords",
  // "ModDate" or "CreationDate" (exact) set Value from the matching getter;
  // any other key leaves Value as it was.
  void GetInfo(std::string_view InfoKey, String& Value);
  // The same keys call the matching setter; any other key does nothing.
  void SetDocInfo(std::string_view InfoKey, StringView Value);

  // The Info dictionary (owned by the base document).
  vn::pdf::TvnPDDictionary* InfoDict() const { return FPDFInfoObj; }

 private:
  struct Entry;
  Entry* FindEntry(std::string_view AKey);
  String Text(Entry& AEntry);
  void SetText(Entry& AEntry, StringView AValue);

  TvnPDFDocumentHandler* FParentDoc;
  vn::pdf::TvnPDDictionary* FPDFInfoObj = nullptr;
  struct Entry {
    const char* Key;
    bool IsDate;
    bool Read = false;
    String Cached;
  };
  Entry FEntries[8] = {{"Author", false},   {"CreationDate", true}, {"Creator", false}, {"ModDate", true},
                       {"Producer", false}, {"Subject", false},     {"Title", false},   {"Keywords", false}};
};

}  // namespace vn::pdfdoc
