// A reference to a file: a string naming the file, or a dictionary with F
// (the name), Desc (a description), EF (the embedded file streams), FS (the
// file system) and V (volatile). Names and descriptions are PDF text
// strings, read and written as text. A reference made without an
// object only keeps what is set.
#pragma once

#include "pdf/objects.h"
#include "runtime/strings.h"

namespace vn::pdfdoc {

enum class TvnPDFileSystem { fsNone, fsURL };

class TvnPDFileSpec : public vn::pdf::TvnPDElement {
 public:
  TvnPDFileSpec() = default;
  explicit TvnPDFileSpec(vn::pdf::TvnPDBaseObject* AFileSpecObj);

  // The F string of a dictionary, or the wrapped string itself; the kept
  // value when neither is there. The setter writes F of a dictionary.
  String FileName();
  void SetFileName(StringView Value);
  // Desc, read once.
  String Description();
  void SetDescription(StringView Value);
  // The decoded data of EF's F stream (borrowed), kept; null without one.
  vn::pdf::TvnStream* EmbeddedFileStream();
  void SetEmbeddedFileStream(vn::pdf::TvnStream* Value) { FEmbeddedStream = Value; }
  // Whether the dictionary had EF when wrapped; the setter only keeps it.
  bool IsEmbedded() const { return FIsEmbedded; }
  void SetIsEmbedded(bool Value) { FIsEmbedded = Value; }
  // V when it is a boolean, else the kept value; the setter writes V.
  bool IsVolatile();
  void SetIsVolatile(bool Value);
  // fsURL when FS is the name "URL", else the kept value; setting fsURL
  // writes FS, setting fsNone removes it.
  TvnPDFileSystem FileSystem();
  void SetFileSystem(TvnPDFileSystem Value);

 private:
  vn::pdf::TvnPDDictionary* Dict() const { return FBaseObject ? FBaseObject->AsDict() : nullptr; }

  String FFileName;
  bool FIsVolatile = false;
  String FDescription;
  bool FIsEmbedded = false;
  vn::pdf::TvnStream* FEmbeddedStream = nullptr;
  vn::pdf::TvnPDDictionary* FEFObj = nullptr;
  TvnPDFileSystem FFileSystem = TvnPDFileSystem::fsNone;
};

}  // namespace vn::pdfdoc
