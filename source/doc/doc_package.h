// TvnDOCPackage: one load's view of a Word 97-2003 file. It reads the whole
// input into a byte reader, reads the compound file into a TvnOLESSRoot
// (which copies the document's streams), reads the file information block
// from the WordDocument stream and makes the table stream the FIB names the
// root's table stream. The package owns the reader, the root, the FIB and
// the sprm interpreters; the input stream is the caller's unless the
// package opened the file.
//
// A file the reader cannot read raises EDOCFormatError before any part is
// used: not a compound file, no WordDocument stream, a document older than
// Word 97 (identifier 0xA5DC, or a version below 0x00C0) or not a Word
// document at all, and an encrypted or obfuscated document, whose bytes
// would read as garbage (the password is not used: decryption is not
// supported).
#pragma once

#include <filesystem>
#include <memory>

#include "doc/binary_reader.h"
#include "doc/compound_file.h"
#include "doc/file_information_block.h"
#include "doc/property_modifiers.h"
#include "runtime/diagnostics.h"
#include "runtime/streams.h"
#include "runtime/strings.h"

namespace vn::doc {

class TvnDOCPackage {
 public:
  // Reads the borrowed stream. Damage read past is reported to
  // `ADiagnostics` when given.
  TvnDOCPackage(TStream* AStream, const String& APassword, Diagnostics* ADiagnostics = nullptr);
  // Opens the file read-only (EFOpenError when it cannot) and reads it.
  TvnDOCPackage(const std::filesystem::path& AFilename, const String& APassword,
                Diagnostics* ADiagnostics = nullptr);
  TvnDOCPackage(const TvnDOCPackage&) = delete;
  TvnDOCPackage& operator=(const TvnDOCPackage&) = delete;
  ~TvnDOCPackage();

  // Frees the reader, the FIB and the root, and the stream when the package
  // opened it; a borrowed stream stays the caller's.
  void Close();

  // The reader over the whole input file.
  TvnBinaryReader* BinaryReader() const { return FBinaryReader.get(); }
  TvnFIBBase* FIBBase() const { return FFIBBase.get(); }
  TvnOLESSRoot* OLESSRoot() const { return FOLESSRoot.get(); }
  // The load's sprm interpreters and font table, over the root's streams.
  TvnDOCHelperFunctions* HelperFunctions() const { return FHelperFunctions.get(); }

 private:
  void OpenPackage(Diagnostics* ADiagnostics);

  TStream* FStream = nullptr;
  std::unique_ptr<TStream> FOwnedStream;  // set when the package opened the file
  std::unique_ptr<TvnBinaryReader> FBinaryReader;
  std::unique_ptr<TvnFIBBase> FFIBBase;
  std::unique_ptr<TvnOLESSRoot> FOLESSRoot;
  std::unique_ptr<TvnDOCHelperFunctions> FHelperFunctions;
};

}  // namespace vn::doc
