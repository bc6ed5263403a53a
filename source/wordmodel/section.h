// Sections and what they carry: page size and orientation, page margins,
// text columns, the page border and the six headers and footers (first page,
// even pages, all other pages). Lengths are pixels at 96 per inch; a new
// section describes a US Letter page (816 by 1056) with one-inch margins.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "wordmodel/borders.h"
#include "wordmodel/margins.h"
#include "wordmodel/page_text.h"
#include "wordmodel/word_types.h"

namespace vn::wordmodel {

enum class TvnOrientation : uint8_t { oPortrait, oLandscape };
// How a section starts: on the next page, the next odd or even page, on the
// same page, or in the next column.
enum class TvnSectionType : uint8_t { stNextPage, stOddPageSection, stEvenPageSection, stContinuous, stColumnSection };
enum class TvnPageBorderDisplay : uint8_t { pbdAllPages, pbdFirstPage, pbdNotFirstPage };
// pbzBack draws the border before the page content, pbzFront after it.
enum class TvnPageBorderZOrder : uint8_t { pbzBack, pbzFront };
// Border distances measured from the page edge or from the text.
enum class TvnPageBorderOffsetFrom : uint8_t { pbofPage, pbofText };

// One text column: its width and the gap after it.
class TvnWordColumn : public TObject {
 public:
  std::unique_ptr<TvnWordColumn> Clone() const;

  int32_t GetWidth() const { return FWidth; }
  void SetWidth(int32_t Value) { FWidth = Value; }
  int32_t GetSpace() const { return Fspace; }
  void SetSpace(int32_t Value) { Fspace = Value; }

 private:
  int32_t FWidth = 0;
  int32_t Fspace = 0;
};

// The border drawn around a page.
class TvnPageBorder : public BorderSides {
 public:
  // Each side the source has replaces the destination's with a copy; the
  // display, offset origin, z-order and corner identifiers are copied.
  void Assign(const TvnPageBorder* ASource, TvnPageBorder* ADest) const;
  std::unique_ptr<TvnPageBorder> Clone() const;

  TvnPageBorderDisplay GetPageBorderDisplay() const { return FPageBorderDisplay; }
  void SetPageBorderDisplay(TvnPageBorderDisplay Value) { FPageBorderDisplay = Value; }
  TvnPageBorderZOrder GetZOrder() const { return FzOrder; }
  void SetZOrder(TvnPageBorderZOrder Value) { FzOrder = Value; }
  TvnPageBorderOffsetFrom GetPageBorderOffsetFrom() const { return FPageBorderOffsetFrom; }
  void SetPageBorderOffsetFrom(TvnPageBorderOffsetFrom Value) { FPageBorderOffsetFrom = Value; }
  // Identifiers of corner art.
  int32_t GetBottomLeftCustomImageID() const { return FbottomLeftCustomImageID; }
  void SetBottomLeftCustomImageID(int32_t Value) { FbottomLeftCustomImageID = Value; }
  int32_t GetBottomRightCustomImageID() const { return FbottomRightCustomImageID; }
  void SetBottomRightCustomImageID(int32_t Value) { FbottomRightCustomImageID = Value; }
  int32_t GetTopLeftCustomImageID() const { return FtopLeftCustomImageID; }
  void SetTopLeftCustomImageID(int32_t Value) { FtopLeftCustomImageID = Value; }
  int32_t GetTopRightCustomImageID() const { return FtopRightCustomImageID; }
  void SetTopRightCustomImageID(int32_t Value) { FtopRightCustomImageID = Value; }

 private:
  TvnPageBorderDisplay FPageBorderDisplay = TvnPageBorderDisplay::pbdAllPages;
  TvnPageBorderZOrder FzOrder = TvnPageBorderZOrder::pbzBack;
  TvnPageBorderOffsetFrom FPageBorderOffsetFrom = TvnPageBorderOffsetFrom::pbofPage;
  int32_t FbottomLeftCustomImageID = 0;
  int32_t FbottomRightCustomImageID = 0;
  int32_t FtopLeftCustomImageID = 0;
  int32_t FtopRightCustomImageID = 0;
};

// A header or footer: the source content a reader fills (paragraphs and
// tables in reading order) and the items the layout made of it for the
// last page laid out, with their vertical extent and search text. The
// element owns both lists' items.
class TvnHeaderFooterElement : public TvnDocItem {
 public:
  TvnHeaderFooterElement();
  ~TvnHeaderFooterElement() override;

  // A copy of the same class: clones of the laid-out items (an empty
  // laid-out list when this one was never laid out) and of the source
  // content. startY, endY and the search text are not copied.
  std::unique_ptr<TvnDocItem> Clone() const override;
  // Draws the laid-out items in order.
  void Draw(TvnBaseCanvas* ACanvas) override;

  TvnItemList& GetElements() { return Felements; }
  const TvnItemList& GetElements() const { return Felements; }
  void SetElements(TvnItemList Value) { Felements = std::move(Value); }
  // Null until the layout has laid the element out.
  TvnItemList* GetLayoutedElements() const { return FlayoutedElements.get(); }
  void SetLayoutedElements(std::unique_ptr<TvnItemList> Value) { FlayoutedElements = std::move(Value); }
  int32_t GetStartY() const { return FstartY; }
  void SetStartY(int32_t Value) { FstartY = Value; }
  int32_t GetEndY() const { return FendY; }
  void SetEndY(int32_t Value) { FendY = Value; }
  TvnRawPageTextItems* GetRawPageTextItems() const { return FrawPageSearchItems.get(); }
  void SetRawPageTextItems(std::unique_ptr<TvnRawPageTextItems> Value) { FrawPageSearchItems = std::move(Value); }

 protected:
  // Fills ACopy as Clone describes.
  void CopyInto(TvnHeaderFooterElement& ACopy) const;

 private:
  int32_t FstartY = 0;
  std::unique_ptr<TvnItemList> FlayoutedElements;
  TvnItemList Felements;
  int32_t FendY = 0;
  std::unique_ptr<TvnRawPageTextItems> FrawPageSearchItems;
};

class TvnHeader : public TvnHeaderFooterElement {
 public:
  std::unique_ptr<TvnDocItem> Clone() const override;
};

class TvnFooter : public TvnHeaderFooterElement {
 public:
  std::unique_ptr<TvnDocItem> Clone() const override;
};

// A section of a flowing document. Its children are its body items
// (paragraphs and tables), which the layout adds.
class TvnSection : public TvnCompositeDocItem {
 public:
  TvnSection();
  ~TvnSection() override;

  // A section copied as Assign describes.
  std::unique_ptr<TvnDocItem> Clone() const override;
  // Between sections, in this order: the composite copy (children replaced
  // by clones); BiDi and a copy of the page border (when the source has
  // one); ColumnsCount and clones of the six headers and footers; the
  // header flags, orientation, page size, EqualWidthColumns, a copy of the
  // page margins, SectionType and SpaceBetweenColumns; copies of the
  // columns; finally every paragraph child is given the destination as its
  // Section. Other pairs get only the composite copy.
  void Assign(const TvnDocItem* ASource, TvnDocItem* ADest) const override;

  bool GetBiDi() const { return FBiDi; }
  void SetBiDi(bool Value) { FBiDi = Value; }
  // Null: no page border.
  TvnPageBorder* GetPageBorder() const { return FPageBorder.get(); }
  void SetPageBorder(std::unique_ptr<TvnPageBorder> Value) { FPageBorder = std::move(Value); }
  // Explicit column widths and gaps.
  std::vector<std::unique_ptr<TvnWordColumn>>& GetColumns() { return FColumns; }
  const std::vector<std::unique_ptr<TvnWordColumn>>& GetColumns() const { return FColumns; }
  TvnPageMargins* GetPageMargin() const { return FPageMargin.get(); }
  void SetPageMargin(std::unique_ptr<TvnPageMargins> Value) { FPageMargin = std::move(Value); }
  int32_t GetPageWidth() const { return FPageWidth; }
  void SetPageWidth(int32_t Value) { FPageWidth = Value; }
  int32_t GetPageHeight() const { return FPageHeight; }
  void SetPageHeight(int32_t Value) { FPageHeight = Value; }
  TvnOrientation GetOrientation() const { return FOrientation; }
  void SetOrientation(TvnOrientation Value) { FOrientation = Value; }
  TvnSectionType GetSectionType() const { return FSectionType; }
  void SetSectionType(TvnSectionType Value) { FSectionType = Value; }
  TvnHeader* GetFirstPageHeader() const { return FFirstPageHeader.get(); }
  void SetFirstPageHeader(std::unique_ptr<TvnHeader> Value) { FFirstPageHeader = std::move(Value); }
  TvnHeader* GetEvenPageHeader() const { return FEvenPageHeader.get(); }
  void SetEvenPageHeader(std::unique_ptr<TvnHeader> Value) { FEvenPageHeader = std::move(Value); }
  // The header of every page that no other header claims.
  TvnHeader* GetDefaultPageHeader() const { return FOddPageHeader.get(); }
  void SetDefaultPageHeader(std::unique_ptr<TvnHeader> Value) { FOddPageHeader = std::move(Value); }
  TvnFooter* GetFirstPageFooter() const { return FFirstPageFooter.get(); }
  void SetFirstPageFooter(std::unique_ptr<TvnFooter> Value) { FFirstPageFooter = std::move(Value); }
  TvnFooter* GetEvenPageFooter() const { return FEvenPageFooter.get(); }
  void SetEvenPageFooter(std::unique_ptr<TvnFooter> Value) { FEvenPageFooter = std::move(Value); }
  TvnFooter* GetDefaultPageFooter() const { return FOddPageFooter.get(); }
  void SetDefaultPageFooter(std::unique_ptr<TvnFooter> Value) { FOddPageFooter = std::move(Value); }
  // 0 and 1 both mean one column.
  int32_t GetColumnsCount() const { return FColumnsCount; }
  void SetColumnsCount(int32_t Value) { FColumnsCount = Value; }
  // Gap between equal-width columns; -1 when not given.
  int32_t GetSpaceBetweenColumns() const { return FSpaceBetweenColumns; }
  void SetSpaceBetweenColumns(int32_t Value) { FSpaceBetweenColumns = Value; }
  bool GetEqualWidthColumns() const { return FEqualWidthColumns; }
  void SetEqualWidthColumns(bool Value) { FEqualWidthColumns = Value; }
  // The first page of the section uses the first-page header and footer.
  bool GetIsTitlePage() const { return FIsTitlePage; }
  void SetIsTitlePage(bool Value) { FIsTitlePage = Value; }
  // Even pages use the even-page header and footer.
  bool GetIsEvenOddHeaders() const { return FIsEvenOddHeaders; }
  void SetIsEvenOddHeaders(bool Value) { FIsEvenOddHeaders = Value; }

 private:
  bool FBiDi = false;
  std::unique_ptr<TvnPageBorder> FPageBorder;
  std::vector<std::unique_ptr<TvnWordColumn>> FColumns;
  std::unique_ptr<TvnPageMargins> FPageMargin;
  int32_t FPageHeight = 1056;
  int32_t FPageWidth = 816;
  TvnOrientation FOrientation = TvnOrientation::oPortrait;
  std::unique_ptr<TvnHeader> FFirstPageHeader;
  std::unique_ptr<TvnHeader> FEvenPageHeader;
  std::unique_ptr<TvnHeader> FOddPageHeader;
  std::unique_ptr<TvnFooter> FFirstPageFooter;
  std::unique_ptr<TvnFooter> FEvenPageFooter;
  std::unique_ptr<TvnFooter> FOddPageFooter;
  TvnSectionType FSectionType = TvnSectionType::stNextPage;
  int32_t FColumnsCount = 0;
  int32_t FSpaceBetweenColumns = -1;
  bool FEqualWidthColumns = true;
  bool FIsTitlePage = false;
  bool FIsEvenOddHeaders = false;
};

}  // namespace vn::wordmodel
