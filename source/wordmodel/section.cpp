#include "wordmodel/section.h"

#include "wordmodel/paragraph.h"

namespace vn::wordmodel {

// ---------------------------------------------------------------------------
// TvnWordColumn

std::unique_ptr<TvnWordColumn> TvnWordColumn::Clone() const {
  auto copy = std::make_unique<TvnWordColumn>();
  copy->SetWidth(FWidth);
  copy->SetSpace(Fspace);
  return copy;
}

// ---------------------------------------------------------------------------
// TvnPageBorder

void TvnPageBorder::Assign(const TvnPageBorder* ASource, TvnPageBorder* ADest) const {
  if (ASource == nullptr || ADest == nullptr) return;
  ADest->AssignSides(*ASource);
  ADest->FPageBorderDisplay = ASource->FPageBorderDisplay;
  ADest->FPageBorderOffsetFrom = ASource->FPageBorderOffsetFrom;
  ADest->FzOrder = ASource->FzOrder;
  ADest->FbottomLeftCustomImageID = ASource->FbottomLeftCustomImageID;
  ADest->FbottomRightCustomImageID = ASource->FbottomRightCustomImageID;
  ADest->FtopLeftCustomImageID = ASource->FtopLeftCustomImageID;
  ADest->FtopRightCustomImageID = ASource->FtopRightCustomImageID;
}

std::unique_ptr<TvnPageBorder> TvnPageBorder::Clone() const {
  auto copy = std::make_unique<TvnPageBorder>();
  Assign(this, copy.get());
  return copy;
}

// ---------------------------------------------------------------------------
// Headers and footers

TvnHeaderFooterElement::TvnHeaderFooterElement() : FrawPageSearchItems(std::make_unique<TvnRawPageTextItems>()) {}

TvnHeaderFooterElement::~TvnHeaderFooterElement() = default;

std::unique_ptr<TvnDocItem> TvnHeaderFooterElement::Clone() const {
  auto copy = std::make_unique<TvnHeaderFooterElement>();
  CopyInto(*copy);
  return copy;
}

void TvnHeaderFooterElement::CopyInto(TvnHeaderFooterElement& ACopy) const {
  TvnDocItem::Assign(this, &ACopy);
  ACopy.FlayoutedElements = std::make_unique<TvnItemList>(FlayoutedElements ? CloneItems(*FlayoutedElements)
                                                                             : TvnItemList());
  ACopy.Felements = CloneItems(Felements);
}

void TvnHeaderFooterElement::Draw(TvnBaseCanvas* ACanvas) {
  TvnDocItem::Draw(ACanvas);
  if (!FlayoutedElements) return;
  for (const auto& item : *FlayoutedElements) {
    if (item) item->Draw(ACanvas);
  }
}

std::unique_ptr<TvnDocItem> TvnHeader::Clone() const {
  auto copy = std::make_unique<TvnHeader>();
  CopyInto(*copy);
  return copy;
}

std::unique_ptr<TvnDocItem> TvnFooter::Clone() const {
  auto copy = std::make_unique<TvnFooter>();
  CopyInto(*copy);
  return copy;
}

// ---------------------------------------------------------------------------
// TvnSection

TvnSection::TvnSection()
    : FPageMargin(std::make_unique<TvnPageMargins>()),
      FFirstPageHeader(std::make_unique<TvnHeader>()),
      FEvenPageHeader(std::make_unique<TvnHeader>()),
      FOddPageHeader(std::make_unique<TvnHeader>()),
      FFirstPageFooter(std::make_unique<TvnFooter>()),
      FEvenPageFooter(std::make_unique<TvnFooter>()),
      FOddPageFooter(std::make_unique<TvnFooter>()) {
  FPageMargin->SetLeft(96);
  FPageMargin->SetTop(96);
  FPageMargin->SetRight(96);
  FPageMargin->SetBottom(96);
}

TvnSection::~TvnSection() = default;

std::unique_ptr<TvnDocItem> TvnSection::Clone() const {
  auto copy = std::make_unique<TvnSection>();
  Assign(this, copy.get());
  return copy;
}

void TvnSection::Assign(const TvnDocItem* ASource, TvnDocItem* ADest) const {
  TvnCompositeDocItem::Assign(ASource, ADest);
  const auto* source = dynamic_cast<const TvnSection*>(ASource);
  auto* dest = dynamic_cast<TvnSection*>(ADest);
  if (source == nullptr || dest == nullptr || source == dest) return;

  dest->FBiDi = source->FBiDi;
  if (source->FPageBorder) dest->FPageBorder = source->FPageBorder->Clone();

  dest->FColumnsCount = source->FColumnsCount;
  dest->FOddPageHeader = CloneOrNull(source->FOddPageHeader.get());
  dest->FOddPageFooter = CloneOrNull(source->FOddPageFooter.get());
  dest->FEvenPageHeader = CloneOrNull(source->FEvenPageHeader.get());
  dest->FEvenPageFooter = CloneOrNull(source->FEvenPageFooter.get());
  dest->FFirstPageHeader = CloneOrNull(source->FFirstPageHeader.get());
  dest->FFirstPageFooter = CloneOrNull(source->FFirstPageFooter.get());

  dest->FIsEvenOddHeaders = source->FIsEvenOddHeaders;
  dest->FIsTitlePage = source->FIsTitlePage;
  dest->FOrientation = source->FOrientation;
  dest->FPageHeight = source->FPageHeight;
  dest->FPageWidth = source->FPageWidth;
  dest->FEqualWidthColumns = source->FEqualWidthColumns;
  dest->FPageMargin = CloneOrNull(source->FPageMargin.get());
  dest->FSectionType = source->FSectionType;
  dest->FSpaceBetweenColumns = source->FSpaceBetweenColumns;

  dest->FColumns.clear();
  for (const auto& column : source->FColumns) dest->FColumns.push_back(column ? column->Clone() : nullptr);

  for (const auto& child : dest->GetItems()) {
    if (auto* paragraph = dynamic_cast<TvnParagraph*>(child.get())) paragraph->SetSection(dest);
  }
}

}  // namespace vn::wordmodel
