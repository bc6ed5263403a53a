// TvnOLESSRoot: reads the compound file that holds a Word 97-2003 document
// and copies its streams into memory: "WordDocument", "1Table" and
// "0Table", "Data" and the two property-set streams (U+0005
// "SummaryInformation" and U+0005 "DocumentSummaryInformation"), each taken
// from the root storage only, so the streams of an embedded document never
// replace the document's own. It also lists every stream of the file with
// its path and size.
//
// Damage policy. A file that is not a compound file (no signature, no whole
// header), whose sector size is neither 512 nor 4096 bytes or whose mini
// sectors are not 64 bytes raises EDOCFormatError. Everything else is read leniently and reported to the
// Diagnostics: the FAT is gathered through the whole DIFAT (the header's 109
// entries and the DIFAT sector chain); every sector chain (FAT, mini FAT,
// DIFAT, directory, streams) stops at a special value, at a sector number
// outside its table or the file, at a sector it already visited (a cycle),
// and once it holds as many sectors as its stream's size needs. The
// directory tree is walked from the root with a visited set, so a loop in
// it ends. A stream whose chain ends early keeps the bytes it has; every
// copied stream is cut to its directory size. Allocation therefore follows
// the bytes present in the file, never a size or count the file declares.
#pragma once

#include <cstdint>
#include <vector>

#include "doc/binary_reader.h"
#include "runtime/diagnostics.h"
#include "runtime/exceptions.h"
#include "runtime/streams.h"
#include "runtime/strings.h"

namespace vn::doc {

// A file the DOC reader cannot read at all: not a compound file, or not a
// Word 97-2003 document it supports. The message says which.
VN_DECLARE_EXCEPTION(EDOCFormatError, vn::ExvnException);

// One stream of the compound file.
class TvnDirectoryEntries {
 public:
  String FDirectoryname;
  int64_t FStartSector = 0;
  // The stream's size as the directory gives it (the low 32 bits in a file
  // of 512-byte sectors, whose high half is undefined).
  int64_t FLength = 0;
  // The storages above it and its name, joined by "/" ("ObjectPool/_1/Ole").
  String FPath;
};

class TvnOLESSRoot {
 public:
  static constexpr uint32_t kFreeSect = 0xFFFFFFFF;
  static constexpr uint32_t kEndOfChain = 0xFFFFFFFE;
  static constexpr uint32_t kFatSect = 0xFFFFFFFD;
  static constexpr uint32_t kDifSect = 0xFFFFFFFC;

  TvnOLESSRoot();

  // Reads the compound file the reader holds into the lists and streams.
  // EDOCFormatError when it is not a compound file. Damage it reads past is
  // reported to `ADiagnostics` when given.
  void CreateDocumentpart(TvnBinaryReader& ABinaryReader, Diagnostics* ADiagnostics = nullptr);

  // Chooses the table stream by the file information block's flag: 1
  // "1Table", 0 "0Table"; when the file has only one of the two, that one.
  void SelectTableStream(bool AWhichTableStream);

  // For a stream in regular sectors the file offset of its first sector,
  // for one in the mini stream the offset of its first mini sector in the
  // mini stream; -1 while the stream is absent.
  int64_t FWordDocumentStreamOffset = -1;
  int64_t FTableStreamOffset = -1;
  int64_t FDataStreamOffset = -1;
  int64_t FSummaryInformationStreamOffset = -1;
  int64_t FDocumentSummaryInformationStreamOffset = -1;
  int64_t FWordDocumentStreamStartSector = 0;
  int64_t FTableStreamStartSector = 0;
  int64_t FDataStreamStartSector = 0;
  int64_t FSummaryInformationStreamStartSector = 0;
  int64_t FDocumentSummaryInformationStreamStartSector = 0;

  std::vector<uint32_t> FFat;
  std::vector<uint32_t> FMiniFat;

  // The copied streams; a stream the file lacks stays empty.
  TMemoryStream FWordDocumentStream;
  TMemoryStream FTableStream;  // the chosen table stream (SelectTableStream)
  TMemoryStream F1TableStream;
  TMemoryStream F0TableStream;
  TMemoryStream FDataStream;
  TMemoryStream FSummaryInformationStream;
  TMemoryStream FDocumentSummaryInformationStream;

  // Every stream reachable from the root storage, in the order met.
  const std::vector<TvnDirectoryEntries>& Streams() const { return FStreams; }
  // The sector size of the file: 512 or 4096.
  uint32_t SectorSize() const { return FSectorSize; }

 private:
  friend class CompoundFileReading;

  std::vector<TvnDirectoryEntries> FStreams;
  uint32_t FSectorSize = 512;
  // Where each table stream began, as for the offset fields above.
  int64_t F1TableOffset = -1, F0TableOffset = -1;
  int64_t F1TableStart = 0, F0TableStart = 0;
  bool FHas1Table = false, FHas0Table = false;
};

}  // namespace vn::doc
