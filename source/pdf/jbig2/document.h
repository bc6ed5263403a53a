// The JBIG2 document: the segments of a JBIG2 stream grouped into pages and
// global segments, and the composition of a page's bitmap from its region
// segments (T.88 clause 8). PDF carries JBIG2 in the embedded organisation
// (T.88 Annex D.3): no file header, segments one after another, and the
// global segments in a separate stream, read as a document of their own
// that the page's document consults for segments it does not hold.
//
// Damage: parsing stops at the first header that cannot be read and keeps
// the segments before it. Composing a page decodes its regions one by one:
// a region that fails leaves the page as it was (or as far as the region
// got), so damaged data give a partially decoded or blank page. Only a page
// without page information, or larger than the bitmap cap, has no bitmap
// (TvnJBIG2Exception).
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <span>
#include <vector>

#include "pdf/jbig2/image_bitmap.h"
#include "pdf/jbig2/io_stream.h"
#include "pdf/jbig2/segment_header.h"
#include "pdf/jbig2/segments.h"

namespace vn::pdf::jbig2 {

class TvnJBIG2Document;

class TvnJBIG2Page {
 public:
  TvnJBIG2Page(TvnJBIG2Document* document, int64_t pageNumber) : document_(document), number_(pageNumber) {}

  int64_t GetPageNumber() const { return number_; }
  // Keeps the first segment of a number; later ones still compose.
  void Add(TvnSegmentHeader* header);
  // The page's own segment of that number, else the global one; null.
  TvnSegmentHeader* GetSegment(int64_t number) const;
  const std::vector<TvnSegmentHeader*>& Segments() const { return segments_; }
  // The first page information segment's data; null without one.
  TvnPageInformation* GetPageInformationSegment() const;

  // Composes the page once and keeps it.
  const TvnImageBitmap& GetBitmap();
  // Hands the composed bitmap over (composing it first); the page has none after.
  std::unique_ptr<TvnImageBitmap> TakeBitmap() {
    GetBitmap();
    return std::move(bitmap_);
  }
  int GetWidth() { return GetBitmap().GetWidth(); }
  int GetHeight() { return GetBitmap().GetHeight(); }

 private:
  void Compose();

  TvnJBIG2Document* document_;
  int64_t number_;
  std::vector<TvnSegmentHeader*> segments_;
  std::map<int64_t, TvnSegmentHeader*> by_number_;
  std::unique_ptr<TvnImageBitmap> bitmap_;
  bool composed_ = false;
};

class TvnJBIG2Document : public TvnSegmentDirectory {
 public:
  // Parses a copy of `data`: an embedded stream, or with `embedded` false a
  // file that starts with the T.88 file header. `globals`, when given, is
  // the document of the global segments; it must outlive this one.
  explicit TvnJBIG2Document(std::span<const uint8_t> data, const TvnJBIG2Document* globals = nullptr,
                            bool embedded = true);
  ~TvnJBIG2Document() override;
  TvnJBIG2Document(const TvnJBIG2Document&) = delete;
  TvnJBIG2Document& operator=(const TvnJBIG2Document&) = delete;

  TvnSegmentHeader* FindSegment(int64_t page, int64_t number) override;
  // A global segment of this document or of the globals' document; null.
  TvnSegmentHeader* GetGlobalSegment(int64_t number) const;
  int GetAmountOfPages() const { return static_cast<int>(pages_.size()); }
  // The page of that number; null when there is none.
  TvnJBIG2Page* GetPage(int64_t pageNumber) const;
  // The page a PDF image shows: page 1, or else the first page met; null
  // when the data hold no page.
  TvnJBIG2Page* GetFirstPage() const;
  int64_t SegmentCount() const { return static_cast<int64_t>(headers_.size()); }

 private:
  void Parse(bool embedded);

  std::vector<uint8_t> data_;
  std::unique_ptr<TvnIOStream> stream_;
  const TvnJBIG2Document* globals_document_;
  std::vector<std::unique_ptr<TvnSegmentHeader>> headers_;
  std::map<int64_t, TvnSegmentHeader*> globals_;
  std::map<int64_t, std::unique_ptr<TvnJBIG2Page>> pages_;
  int64_t first_page_ = -1;
};

}  // namespace vn::pdf::jbig2
