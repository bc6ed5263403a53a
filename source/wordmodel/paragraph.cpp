#include "wordmodel/paragraph.h"

#include "wordmodel/section.h"
#include "wordmodel/text_box.h"

namespace vn::wordmodel {

namespace {

template <typename Properties>
std::shared_ptr<Properties> CopyOfProperties(const std::shared_ptr<Properties>& ASource) {
  return ASource ? std::shared_ptr<Properties>(ASource->Clone()) : nullptr;
}

// Copies an element's final and own properties into ADestFinal and
// ADestOwn. Where the source's final properties are its own properties (a
// run before resolving, a paragraph of the DOC reader), the copies are one
// object too, so that editing the copy's own properties still reaches what
// the layout reads.
template <typename Properties>
void CopyFinalAndOwnProperties(const std::shared_ptr<Properties>& AFinal, const std::shared_ptr<Properties>& AOwn,
                               std::shared_ptr<Properties>& ADestFinal, std::shared_ptr<Properties>& ADestOwn) {
  if (AOwn) ADestOwn = CopyOfProperties(AOwn);
  if (!AFinal) return;
  ADestFinal = AFinal == AOwn ? ADestOwn : CopyOfProperties(AFinal);
}

void DrawChildItems(const TvnItemList& AItems, TvnBaseCanvas* ACanvas) {
  for (const auto& item : AItems) {
    if (item) item->Draw(ACanvas);
  }
}

}  // namespace

// ---------------------------------------------------------------------------
// TvnParagraph

TvnParagraph::TvnParagraph() : FParagraphProperties(std::make_shared<TvnParagraphProperties>()) {}

TvnParagraph::~TvnParagraph() = default;

std::unique_ptr<TvnDocItem> TvnParagraph::Clone() const {
  auto copy = std::make_unique<TvnParagraph>();
  Assign(this, copy.get());
  return copy;
}

void TvnParagraph::Assign(const TvnDocItem* ASource, TvnDocItem* ADest) const {
  TvnCompositeDocItem::Assign(ASource, ADest);
  const auto* source = dynamic_cast<const TvnParagraph*>(ASource);
  auto* dest = dynamic_cast<TvnParagraph*>(ADest);
  if (source == nullptr || dest == nullptr || source == dest) return;
  dest->FContainsSection = source->FContainsSection;
  dest->SetPageNumber(source->GetPageNumber());
  CloneTagInto(*source, *dest);
  CopyFinalAndOwnProperties(source->FFinalParagraphProperties, source->FParagraphProperties,
                            dest->FFinalParagraphProperties, dest->FParagraphProperties);
}

void TvnParagraph::Draw(TvnBaseCanvas* ACanvas) {
  TvnDocItem::Draw(ACanvas);
  DrawChildItems(GetItems(), ACanvas);
}

void TvnParagraph::SetSection(TvnSection* Value) {
  FSection = Value;
  if (Value != nullptr) FContainsSection = true;
}

std::unique_ptr<TvnDocItem> TvnParagraph::Add(std::unique_ptr<TvnDocItem> AItem) {
  if (!AItem) return nullptr;
  if (auto* run = dynamic_cast<TvnRun*>(AItem.get()); run != nullptr && run->GetContainsTextBox()) {
    auto pending = std::make_unique<TvnRun>();
    for (auto& child : run->Clear()) {
      if (dynamic_cast<TvnTextBox*>(child.get()) != nullptr) {
        if (pending->GetCount() > 0) {
          TvnCompositeDocItem::Add(std::move(pending));
          pending = std::make_unique<TvnRun>();
        }
        TvnCompositeDocItem::Add(std::move(child));
      } else {
        pending->Add(std::move(child));
      }
    }
    if (pending->GetCount() > 0) TvnCompositeDocItem::Add(std::move(pending));
    return AItem;
  }
  if (auto* paragraph = dynamic_cast<TvnParagraph*>(AItem.get())) {
    for (auto& child : paragraph->Clear()) {
      if (child) TvnCompositeDocItem::Add(std::move(child));
    }
    return AItem;
  }
  TvnCompositeDocItem::Add(std::move(AItem));
  return nullptr;
}

void TvnParagraph::AddTextRun(std::unique_ptr<TvnDocItem> ARun) { TvnCompositeDocItem::Add(std::move(ARun)); }

// ---------------------------------------------------------------------------
// TvnRun

TvnRun::TvnRun() : FRunProperties(std::make_shared<TvnRunProperties>()), FFinalRunProperties(FRunProperties) {}

TvnRun::~TvnRun() = default;

std::unique_ptr<TvnDocItem> TvnRun::Clone() const {
  auto copy = std::make_unique<TvnRun>();
  Assign(this, copy.get());
  return copy;
}

void TvnRun::Assign(const TvnDocItem* ASource, TvnDocItem* ADest) const {
  TvnCompositeDocItem::Assign(ASource, ADest);
  const auto* source = dynamic_cast<const TvnRun*>(ASource);
  auto* dest = dynamic_cast<TvnRun*>(ADest);
  if (source == nullptr || dest == nullptr || source == dest) return;
  dest->FbaseLineOffset = source->FbaseLineOffset;
  dest->FContainsTextBox = source->FContainsTextBox;
  dest->SetPageNumber(source->GetPageNumber());
  CloneTagInto(*source, *dest);
  dest->FFinalRunProperties = nullptr;
  CopyFinalAndOwnProperties(source->FFinalRunProperties, source->FRunProperties, dest->FFinalRunProperties,
                            dest->FRunProperties);
}

void TvnRun::Draw(TvnBaseCanvas* ACanvas) { DrawChildItems(GetItems(), ACanvas); }

void TvnRun::Add(std::unique_ptr<TvnDocItem> AItem) {
  if (!AItem) return;
  if (dynamic_cast<TvnTextBox*>(AItem.get()) != nullptr) FContainsTextBox = true;
  TvnCompositeDocItem::Add(std::move(AItem));
}

// ---------------------------------------------------------------------------
// TvnBreak

std::unique_ptr<TvnDocItem> TvnBreak::Clone() const {
  auto copy = std::make_unique<TvnBreak>(FBreakType);
  TvnDocItem::Assign(this, copy.get());
  copy->FBreakApplied = FBreakApplied;
  return copy;
}

}  // namespace vn::wordmodel
