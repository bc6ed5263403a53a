#include "doc/doc_package.h"

namespace vn::doc {

namespace {

constexpr uint16_t kWordIdentifier = 0xA5EC;
constexpr uint16_t kOldWordIdentifier = 0xA5DC;
// The first version with the FIB layout the reader knows.
constexpr uint16_t kFirstReadableVersion = 0x00C0;

void CheckReadable(const TvnOLESSRoot& root, const TvnFIBBase& fib) {
  if (root.FWordDocumentStream.Bytes().empty())
    throw EDOCFormatError("The file holds no WordDocument stream");
  if (fib.FwIdent == kOldWordIdentifier || (fib.FwIdent == kWordIdentifier && fib.FnFib < kFirstReadableVersion))
    throw EDOCFormatError("Documents older than Word 97 are not supported");
  if (fib.FwIdent != kWordIdentifier) throw EDOCFormatError("The file is not a Word 97-2003 document");
  if (fib.Encrypted() || fib.Obfuscated()) throw EDOCFormatError("Encrypted documents are not supported");
}

}  // namespace

TvnDOCPackage::TvnDOCPackage(TStream* AStream, const String& /*APassword*/, Diagnostics* ADiagnostics)
    : FStream(AStream) {
  OpenPackage(ADiagnostics);
}

TvnDOCPackage::TvnDOCPackage(const std::filesystem::path& AFilename, const String& /*APassword*/,
                             Diagnostics* ADiagnostics)
    : FOwnedStream(std::make_unique<TFileStream>(AFilename, FileMode::fmOpenRead)) {
  FStream = FOwnedStream.get();
  OpenPackage(ADiagnostics);
}

TvnDOCPackage::~TvnDOCPackage() = default;

void TvnDOCPackage::OpenPackage(Diagnostics* ADiagnostics) {
  FBinaryReader = std::make_unique<TvnBinaryReader>(*FStream);
  FOLESSRoot = std::make_unique<TvnOLESSRoot>();
  FOLESSRoot->CreateDocumentpart(*FBinaryReader, ADiagnostics);
  TvnBinaryReader word_document(FOLESSRoot->FWordDocumentStream.Bytes());
  FFIBBase = std::make_unique<TvnFIBBase>(word_document);
  CheckReadable(*FOLESSRoot, *FFIBBase);
  FOLESSRoot->SelectTableStream(FFIBBase->FFWhichTableStream != 0);
  FHelperFunctions = std::make_unique<TvnDOCHelperFunctions>(
      FOLESSRoot->FTableStream.Bytes(), FOLESSRoot->FDataStream.Bytes(), FFIBBase->FfcSttbfFfn, FFIBBase->FlcbSttbfFfn);
}

void TvnDOCPackage::Close() {
  FHelperFunctions.reset();
  FBinaryReader.reset();
  FFIBBase.reset();
  FOLESSRoot.reset();
  FStream = nullptr;
  FOwnedStream.reset();
}

}  // namespace vn::doc
