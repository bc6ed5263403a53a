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
// Reading: LoadFromFile and LoadFromStream open a PDF file through a
// document handler, asking the document's OnNeedPassword handler again and
// again while the password does not open the file. The pages of an opened
// file are made on first use; each gives its size (turned by its /Rotate),
// draws itself (rendered once, then scaled and turned onto any canvas) and
// yields its text as positioned text elements through the content
// extractor. SaveToFile and SaveToStream write the opened file again.
#pragma once

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include <cstdint>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "export/engine_types.h"
#include "framework/base_document.h"
#include "wordmodel/positioned_text.h"

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
class TvnPDAnnot;
class TvnPDFDocumentHandler;
class TvnPDFOutline;
class TvnPDPage;
}  // namespace vn::pdfdoc

namespace vn::platform::emf {
class EmfFile;
}  // namespace vn::platform::emf

namespace vn::pdfdoc {

// The text elements of one page and the character rectangles they refer
// to, owned together.
struct TvnPageTextElements {
  std::vector<std::unique_ptr<vn::wordmodel::TvnTextElement>> Elements;
  std::vector<std::unique_ptr<vn::wordmodel::TvnRectF>> CharRects;
};


// An append-only store of metafile bytes in anonymous temporary files.
// The bytes are written behind, on writer threads, while the pages after
// them are drawn: Append takes them and returns their offset at once,
// waiting only while the lane it goes to still has a page unwritten (so at
// most one page per lane is in flight and memory stays flat in the page
// count); Read waits until that lane has written everything. Successive
// appends go to the lanes in turn, each lane a file of its own with its own
// writer, so that copying pages into the system's file cache, the slowest
// part of spooling, runs on several cores. Ownership: a lane's writer alone
// writes its file, from the front item of its queue, which stays queued
// (the caller never touches queued items) until its write has ended; the
// queues and flags are shared under FLock. Without workers
// (vn::PipelineWorkers() is 0, or no thread could be started) there is one
// lane, written in turn. The bytes read back are the same either way.
class TvnMetafileSpool {
 public:
  TvnMetafileSpool() = default;
  ~TvnMetafileSpool();
  TvnMetafileSpool(const TvnMetafileSpool&) = delete;
  TvnMetafileSpool& operator=(const TvnMetafileSpool&) = delete;

  // Appends the bytes and returns their offset (the bytes appended before
  // them); EWriteError when a temporary file cannot be made, or it or an
  // earlier append cannot be written.
  int64_t Append(std::string Bytes);
  // The Size bytes appended at Offset; EReadError when they cannot be read
  // back, EWriteError when an append could not be written.
  std::string Read(int64_t Offset, int64_t Size);

 private:
  struct Lane {
    std::FILE* File = nullptr;
    int64_t Size = 0;                  // bytes appended to this file (the caller's thread only)
    std::deque<std::string> Pending;  // appended and not yet written, in order
    std::thread Writer;
  };
  // Where the bytes appended at a spool offset went: lane and file offset.
  struct Place {
    size_t LaneIndex = 0;
    int64_t FileOffset = 0;
    int64_t Size = 0;
  };
  // Writes at the end of the lane's file; false when it fails.
  static bool WriteBytes(std::FILE* File, const std::string& Bytes);
  void WriterLoop(Lane& ALane);
  void StartLanes();

  std::vector<std::unique_ptr<Lane>> FLanes;
  std::map<int64_t, Place> FPlaces;  // by spool offset (the caller's thread only)
  size_t FNextLane = 0;
  int64_t FSize = 0;  // bytes appended (the caller's thread only)
  std::mutex FLock;
  std::condition_variable FChanged;
  bool FStop = false;
  bool FFailed = false;
};

class TvnqPDFPage : public TvnBasePage {
 public:
  TvnqPDFPage() = default;
  // A metafile page: takes the metafile; PageSize is the source page's size
  // in pixels and is kept in points (x 0.75).
  TvnqPDFPage(std::unique_ptr<TMetafile> PageEMF, const TvnPageSize& PageSize);
  // A page over a page of an opened file (both borrowed from the document's
  // handler); its size is read in points.
  TvnqPDFPage(TvnPDPage* APage, TvnPDFDocumentHandler* AHandler);
  ~TvnqPDFPage() override;

  // A metafile page: the size in points converted to the holding document's
  // measurement unit (points without a document). A page of an opened
  // file: its size in the handler's unit, width and height swapped when its
  // /Rotate is 90 or 270 (any multiple of 90 brought into 0 .. 359; other
  // values count as 0).
  TvnPageSize GetPageSize() override;
  // A page of an opened file renders itself once, into a metafile at the
  // first call's horizontal resolution, and composes that rendering onto the
  // canvas, white behind it, into (0, 0, AWidth, AHeight) turned by
  // ARotation (0, 90, 180, 270 clockwise, -90, -180, -270 counter-clockwise;
  // any other rotation draws only the white). A failing rendering passes its
  // exception and the next call renders again. A metafile page raises
  // EAbstractError.
  using TvnBasePage::Draw;
  void Draw(vn::platform::Canvas* ACanvas, int32_t AWidth, int32_t AHeight, int32_t AxDPI, int32_t AyDPI,
            int32_t ARotation) override;
  // A page of an opened file: its text elements (TvnTextElement), made by
  // the content extractor at 72 dpi on the first call and returned again
  // later; the page owns them. A failing extraction passes its exception
  // and the next call tries again. A metafile page has none (EAbstractError).
  std::vector<vn::framework::TvnDocItem*> GetPageElements() override;
  // The page of the opened file; null for a metafile page.
  TvnPDPage* PDFPage() const { return FPDFPage; }
  // The annotations of the page of an opened file (TvnPDPage::GetAnnots;
  // the PDF page owns them, widgets are the catalog's form fields); empty
  // for a metafile page.
  const std::vector<TvnPDAnnot*>& GetAnnots();
  // The same list: form fields are found among the annotations.
  const std::vector<TvnPDAnnot*>& GetAllFormFields() { return GetAnnots(); }
  // Inserts a new note, or a reply to InReplyTo, into the page of an opened
  // file (TvnPDPage::InsertAnnotation); nothing for a metafile page. The
  // page's rendering is made again on the next Draw.
  void InsertAnnotation(TvnPDAnnot* Annot, TvnPDAnnot* InReplyTo);
  // An annotation of the page was changed (moved, resized): the page's
  // rendering is made again on the next Draw.
  void AnnotationsChanged();

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
  // A page of an opened file.
  TvnPDPage* FPDFPage = nullptr;                       // not owned
  TvnPDFDocumentHandler* FPDFDocumentHandler = nullptr;  // not owned
  std::unique_ptr<vn::platform::emf::EmfFile> FPageEMF;
  std::unique_ptr<TvnPageTextElements> FPageElements;
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

  // An opened file's page count (its page tree's); otherwise the number of
  // pages kept.
  int32_t GetPageCount() override;
  // The page Index (1-based): of an opened file, made on the first request
  // and kept; otherwise the page kept under Index. Nil when there is none.
  TvnPage* GetPage(int32_t Index) override;
  // Opens a PDF file (stream: owned from the call on with FreeStream; it is
  // read from its current position). The handler's errors pass unchanged
  // ("File Not Found", "File Open error", the object layer's). A password
  // that does not open the file makes the document ask OnNeedPassword for
  // another, counting the attempts in one argument object for the life of
  // the document, until the file opens or the request is cancelled; a
  // cancelled or unanswerable request raises ExPasswordRequired "Encrypted
  // PDF: Password required for loading" and leaves the document unloaded.
  void LoadFromFile(const String& FileName, const String& Password) override;
  void LoadFromStream(vn::TStream* Stream, const String& Password, bool FreeStream) override;
  // Also sets the handler's unit, which the pages of an opened file use.
  void SetMeasurementUnit(TvnMeasurementUnit Value) override;
  // Write the opened file again (the handler's SaveDocument) and return
  // true; false with nothing written when no file is open. The handler's
  // errors pass unchanged.
  bool SaveToFile(const String& FileName) override;
  bool SaveToStream(vn::TStream* Stream) override;
  // The handler of the opened file; null before the first load.
  TvnPDFDocumentHandler* DocumentHandler() const { return FPDFDocumentHandler.get(); }
  // The root item of the opened file's outline, made over the handler's
  // bookmark root on the first call and kept until the next load; null
  // while no file is open.
  TvnPDFOutline* GetBookmarkRoot();
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
  // Loads through the handler with the password, asking for others while
  // it does not open the file.
  template <typename Load>
  void LoadWithPasswords(const String& Password, const Load& ALoad);
  // Asks OnNeedPassword for a password; true when another attempt is to be
  // made (FPassword then holds it).
  bool RequestPassword();
  bool IsReading() const;

  std::map<int32_t, std::unique_ptr<TvnqPDFPage>> FPageCollection;
  std::unique_ptr<TvnMetafileSpool> FSpool;
  std::unique_ptr<TvnPDFDocumentHandler> FPDFDocumentHandler;
  String FPassword;
  std::unique_ptr<vn::framework::TvnNeedPasswordEventArgs> FPasswordEventArg;
  // Refers to the handler's outline: declared after it, so freed first.
  std::unique_ptr<TvnPDFOutline> FBookmarkRoot;
};

}  // namespace vn::pdfdoc
