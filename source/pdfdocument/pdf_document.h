// The framework's document type for ".pdf".
//
// TvnqPDFDocument writes PDF files: Assign has each selected page of another
// document draw itself into an enhanced metafile at the page's pixel size
// and 96 dpi, and keeps the metafile as a page of this document; Save plays
// the kept metafiles, one PDF page each sized to its page, through the PDF
// engine into the output the host names (RequestOutputTarget). Pages
// accumulate over several Assign calls, so one document merges several
// inputs.
//
// A page's metafile holds what the page drew, bitmaps included (JPEG data
// stays compressed as a BI_JPEG bitmap). So that a document of many pages
// does not hold all of them in memory, metafiles larger than a small limit
// are kept in the document's spool, an anonymous temporary file that
// vanishes with the document, and read back one at a time when saved.
//
// Opening PDF files is not available: LoadFromFile and LoadFromStream raise
// ENotSupportedException "Opening PDF files is not supported".
#pragma once

#include <cstdint>
#include <cstdio>
#include <map>
#include <memory>

#include "export/engine_types.h"
#include "framework/base_document.h"

namespace vn::pdfdoc {

using vn::String;
using vn::exporter::TMetafile;
using vn::framework::TvnBaseDocument;
using vn::framework::TvnBasePage;
using vn::framework::TvnDocumentType;
using vn::framework::TvnEngineCapabilities;
using vn::framework::TvnEngineCapability;
using vn::framework::TvnMeasurementUnit;
using vn::framework::TvnPage;
using vn::framework::TvnPageSize;

class TvnqPDFDocument;

// An append-only store of metafile bytes in an anonymous temporary file.
class TvnMetafileSpool {
 public:
  TvnMetafileSpool() = default;
  ~TvnMetafileSpool();
  TvnMetafileSpool(const TvnMetafileSpool&) = delete;
  TvnMetafileSpool& operator=(const TvnMetafileSpool&) = delete;

  // Appends the bytes and returns their offset; EWriteError when the
  // temporary file cannot be made or written.
  int64_t Append(const std::string& Bytes);
  // The Size bytes at Offset; EReadError when they cannot be read back.
  std::string Read(int64_t Offset, int64_t Size);

 private:
  std::FILE* FFile = nullptr;
  int64_t FSize = 0;
};

class TvnqPDFPage : public TvnBasePage {
 public:
  TvnqPDFPage() = default;
  // A metafile page: takes the metafile; PageSize is the source page's size
  // in pixels and is kept in points (x 0.75).
  TvnqPDFPage(std::unique_ptr<TMetafile> PageEMF, const TvnPageSize& PageSize);
  ~TvnqPDFPage() override;

  // The size in points converted to the holding document's measurement
  // unit; in points when the page belongs to no document.
  TvnPageSize GetPageSize() override;
  // Only pages of an opened PDF file draw themselves; a metafile page
  // raises EAbstractError.
  using TvnBasePage::Draw;
  void Draw(vn::platform::Canvas* ACanvas, int32_t AWidth, int32_t AHeight, int32_t AxDPI, int32_t AyDPI,
            int32_t ARotation) override;

  // The page's metafile (read back from the spool when kept there); nil
  // for a page without one.
  std::unique_ptr<TMetafile> GetMetafile() const;
  void SetMetafile(std::unique_ptr<TMetafile> Value);
  // The size in points.
  const TvnPageSize& GetSizeInPoints() const { return FPageSize; }

 private:
  friend class TvnqPDFDocument;
  // Moves a large metafile into the spool.
  void Spool(TvnMetafileSpool& ASpool);

  TvnPageSize FPageSize;
  TvnqPDFDocument* FDocument = nullptr;  // not owned
  std::unique_ptr<TMetafile> FPageMetafile;
  // A spooled metafile: where its bytes are and its frame.
  TvnMetafileSpool* FSpool = nullptr;  // not owned
  int64_t FSpoolOffset = 0;
  int64_t FSpoolSize = 0;
  int32_t FSpoolWidth = 0;
  int32_t FSpoolHeight = 0;
};

class TvnqPDFDocument : public TvnBaseDocument {
 public:
  TvnqPDFDocument();
  ~TvnqPDFDocument() override;

  static TvnEngineCapabilities GetEngineCapabilities() {
    return {TvnEngineCapability::ecOpen, TvnEngineCapability::ecSave};
  }
  static TvnDocumentType GetDocumentType() { return TvnDocumentType::dtFixed; }

  // The number of pages kept.
  int32_t GetPageCount() override;
  // The page kept under Index (1-based); nil when there is none.
  TvnPage* GetPage(int32_t Index) override;
  // Raise ENotSupportedException "Opening PDF files is not supported" (the
  // stream is owned from the call on with FreeStream).
  void LoadFromFile(const String& FileName, const String& Password) override;
  void LoadFromStream(vn::TStream* Stream, const String& Password, bool FreeStream) override;
  // Appends the pages of SourceDocument that PageRange selects, each drawn
  // into a metafile at its size rounded to whole pixels at 96 dpi. An
  // invalid range raises ExInvalidPageError "Invalid page range" before any
  // page is copied; a page whose rounded size is not a positive size a
  // metafile can hold raises ExInvalidPageError "Invalid page size". Pages
  // copied before a failure stay.
  void Assign(TvnBaseDocument* SourceDocument, const String& PageRange) override;
  // Asks for the target (oiDocument, 1, page count) and writes every page
  // into one PDF through the PDF engine. Returns true when it wrote the
  // document, false with no pages (nothing is written then). The engine's
  // errors pass to the caller; the output file appears only when the whole
  // document is written, so a failure leaves no partial file and an
  // earlier file of that name as it was.
  bool Save() override;

  // Metafiles up to this many bytes stay in memory; larger ones go to the
  // spool.
  static constexpr size_t SpoolThreshold = 64 * 1024;

 private:
  std::map<int32_t, std::unique_ptr<TvnqPDFPage>> FPageCollection;
  std::unique_ptr<TvnMetafileSpool> FSpool;
};

}  // namespace vn::pdfdoc
