#include "pdf/jbig2/document.h"

#include <algorithm>

#include "pdf/jbig2/exceptions.h"
#include "pdf/jbig2/generic_refinement_region.h"

namespace vn::pdf::jbig2 {

namespace {

constexpr int kEndOfFile = 51;
constexpr int kPageInformation = 48;
constexpr int kEndOfStripe = 50;

bool IsImmediateRegion(int type) {
  switch (type) {
    case 6: case 7: case 22: case 23: case 38: case 39: case 42: case 43: return true;
    default: return false;
  }
}

bool IsRefinement(int type) { return type == 42 || type == 43; }

}  // namespace

// ---------------------------------------------------------------- page

void TvnJBIG2Page::Add(TvnSegmentHeader* header) {
  segments_.push_back(header);
  by_number_.emplace(header->SegmentNumber(), header);
}

TvnSegmentHeader* TvnJBIG2Page::GetSegment(int64_t number) const {
  auto it = by_number_.find(number);
  if (it != by_number_.end()) return it->second;
  return document_->GetGlobalSegment(number);
}

TvnPageInformation* TvnJBIG2Page::GetPageInformationSegment() const {
  for (TvnSegmentHeader* header : segments_) {
    if (header->SegmentType() != kPageInformation) continue;
    try {
      return dynamic_cast<TvnPageInformation*>(header->GetSegmentData());
    } catch (const vn::Exception&) {
      return nullptr;
    }
  }
  return nullptr;
}

const TvnImageBitmap& TvnJBIG2Page::GetBitmap() {
  if (!composed_) {
    composed_ = true;
    Compose();
  }
  if (!bitmap_) throw TvnJBIG2Exception("JBIG2 page has no bitmap");
  return *bitmap_;
}

void TvnJBIG2Page::Compose() {
  TvnPageInformation* info = GetPageInformationSegment();
  if (!info) throw TvnJBIG2Exception("JBIG2 page without page information");
  int64_t height = info->GetHeight();
  if (height == TvnPageInformation::kUnknownHeight) {
    // A striped page of unknown height: as tall as its end-of-stripe rows
    // and its regions reach.
    height = 0;
    for (TvnSegmentHeader* header : segments_) {
      try {
        if (header->SegmentType() == kEndOfStripe) {
          auto* stripe = dynamic_cast<TvnEndOfStripe*>(header->GetSegmentData());
          if (stripe) height = std::max(height, stripe->GetLineNumber() + 1);
        } else if (IsImmediateRegion(header->SegmentType())) {
          auto* region = dynamic_cast<TvnIRegion*>(header->GetSegmentData());
          TvnRegionSegmentInformation* ri = region ? region->GetRegionInfo() : nullptr;
          if (ri) height = std::max(height, ri->GetYLocation() + ri->GetBitmapHeight());
        }
      } catch (const vn::Exception&) {
      }
    }
    if (height == 0) height = info->GetMaxStripeSize();
  }
  const int64_t width = info->GetWidth();
  if (width > 0 && height > 0 && width <= kMaxBitmapPixels && height <= kMaxBitmapPixels / width)
    TvnWorkBudget::Charge(width * height / 8);
  auto page = std::make_unique<TvnImageBitmap>(width, height);
  if (info->GetDefaultPixelValue()) page->SetByteArray(0xFF);
  bitmap_ = std::move(page);
  TvnImageBitmap& bitmap = *bitmap_;
  // The immediate regions in the order of the data, each combined into the
  // page where it says.
  for (TvnSegmentHeader* header : segments_) {
    const int type = header->SegmentType();
    if (!IsImmediateRegion(type)) continue;
    try {
      auto* region = dynamic_cast<TvnIRegion*>(header->GetSegmentData());
      TvnRegionSegmentInformation* ri = region ? region->GetRegionInfo() : nullptr;
      if (!ri) continue;
      const int64_t x = ri->GetXLocation(), y = ri->GetYLocation();
      if (IsRefinement(type) && header->ReferredSegments().empty()) {
        // T.88 7.4.7.5: a refinement that refers to no region refines the
        // page under it and replaces it.
        auto* refinement = static_cast<TvnGenericRefinementRegion*>(region);
        refinement->SetPageReference(
            bitmap.GetRegionOfInterest(x, y, x + ri->GetBitmapWidth(), y + ri->GetBitmapHeight()));
        bitmap.Blit(*refinement->GetRegionBitmap(), x, y, FCombinationOPerator::REPLACEOP);
        continue;
      }
      const FCombinationOPerator op =
          info->IsCombinationOperatorOverrideAllowed() ? ri->GetCombinationOperator() : info->GetCombinationOperator();
      bitmap.Blit(*region->GetRegionBitmap(), x, y, op);
    } catch (const TvnJBIG2Exception&) {
      // A region that cannot be decoded leaves the page as it is; a spent
      // work budget ends the page.
      if (TvnWorkBudget::Spent()) return;
    } catch (const vn::Exception&) {
    }
  }
}

// ---------------------------------------------------------------- document

TvnJBIG2Document::TvnJBIG2Document(std::span<const uint8_t> data, const TvnJBIG2Document* globals, bool embedded)
    : data_(data.begin(), data.end()), globals_document_(globals) {
  stream_ = std::make_unique<TvnIOStream>(std::span<const uint8_t>(data_), static_cast<int64_t>(data_.size()), 0);
  Parse(embedded);
}

TvnJBIG2Document::~TvnJBIG2Document() {
  // Segment data objects refer to other headers: free the headers last,
  // after every page that lists them.
  pages_.clear();
  headers_.clear();
}

void TvnJBIG2Document::Parse(bool embedded) {
  TvnIOStream& s = *stream_;
  int64_t offset = 0;
  int organisation = TvnSegmentHeader::kSequential;
  if (!embedded) {
    // T.88 D.4: the 8-byte ID string, flags, and the page count unless unknown.
    const int flags = s.ByteAt(8);
    if (flags < 0) return;
    organisation = (flags & 1) ? TvnSegmentHeader::kSequential : TvnSegmentHeader::kRandomAccess;
    offset = (flags & 2) ? 9 : 13;
  }
  const int64_t size = static_cast<int64_t>(data_.size());
  while (offset + 4 <= size) {
    std::unique_ptr<TvnSegmentHeader> header;
    try {
      header = std::make_unique<TvnSegmentHeader>(this, organisation, offset, stream_.get());
    } catch (const vn::Exception&) {
      break;
    }
    offset = organisation == TvnSegmentHeader::kSequential
                 ? header->SegmentDataStartOffset() + header->SegmentyDataLength()
                 : offset + header->SegmentHeaderLength();
    TvnSegmentHeader* h = header.get();
    headers_.push_back(std::move(header));
    if (h->PageAssociation() == 0) {
      globals_.emplace(h->SegmentNumber(), h);
    } else {
      auto& page = pages_[h->PageAssociation()];
      if (!page) page = std::make_unique<TvnJBIG2Page>(this, h->PageAssociation());
      if (first_page_ < 0) first_page_ = h->PageAssociation();
      page->Add(h);
    }
    if (h->SegmentType() == kEndOfFile) break;
  }
  if (organisation == TvnSegmentHeader::kRandomAccess) {
    // The data follow all the headers, in the same order.
    for (auto& header : headers_) {
      header->SetSegmentDataStartOffset(offset);
      offset += header->SegmentyDataLength();
    }
  }
}

TvnSegmentHeader* TvnJBIG2Document::GetGlobalSegment(int64_t number) const {
  auto it = globals_.find(number);
  if (it != globals_.end()) return it->second;
  return globals_document_ ? globals_document_->GetGlobalSegment(number) : nullptr;
}

TvnSegmentHeader* TvnJBIG2Document::FindSegment(int64_t page, int64_t number) {
  if (page != 0) {
    auto it = pages_.find(page);
    if (it != pages_.end()) return it->second->GetSegment(number);
  }
  return GetGlobalSegment(number);
}

TvnJBIG2Page* TvnJBIG2Document::GetPage(int64_t pageNumber) const {
  auto it = pages_.find(pageNumber);
  return it != pages_.end() ? it->second.get() : nullptr;
}

TvnJBIG2Page* TvnJBIG2Document::GetFirstPage() const {
  if (TvnJBIG2Page* page = GetPage(1)) return page;
  return first_page_ >= 0 ? GetPage(first_page_) : nullptr;
}

}  // namespace vn::pdf::jbig2
