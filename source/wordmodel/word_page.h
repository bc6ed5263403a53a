// A laid-out Word page and the containers the layout fills: the page
// (TvnWordPage), the line of positioned text items (TvnTextLine) and the
// column of a multi-column page (TvnColumn).
//
// Ownership: laid-out content mixes items the layout makes (lines, columns,
// border lines, clip markers, tab leaders), which belong to the container
// they are put in, with items that stay the document's (the word items of
// the runs, pictures, text boxes), which the container only refers to.
// LaidOutItems keeps one ordered list of both kinds: an item handed over as
// std::unique_ptr is owned and freed with the list, an item handed over as a
// raw pointer is borrowed and must outlive the list. Copies (Clone) own
// copies of every item, borrowed or not, so a copy never refers to its
// source's content.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "wordmodel/page_text.h"
#include "wordmodel/word_types.h"

namespace vn::wordmodel {

// An ordered list of laid-out items, each owned or borrowed (see above).
// Null items are ignored when added.
class LaidOutItems {
 public:
  LaidOutItems() = default;
  LaidOutItems(LaidOutItems&&) noexcept = default;
  LaidOutItems& operator=(LaidOutItems&&) noexcept = default;
  ~LaidOutItems();

  // Appends an item the list owns from now on; returns it.
  TvnDocItem* Add(std::unique_ptr<TvnDocItem> AItem);
  // Appends an item owned elsewhere.
  TvnDocItem* Add(TvnDocItem* AItem);
  // Inserts before AIndex (clamped to the list's end).
  TvnDocItem* Insert(size_t AIndex, std::unique_ptr<TvnDocItem> AItem);
  TvnDocItem* Insert(size_t AIndex, TvnDocItem* AItem);
  // Takes AItem out of the list: its ownership when the list owned it,
  // null otherwise (also when AItem is not in the list).
  std::unique_ptr<TvnDocItem> Remove(const TvnDocItem* AItem);
  // Frees the owned items and forgets the borrowed ones.
  void Clear();
  bool Owns(const TvnDocItem* AItem) const;
  bool Contains(const TvnDocItem* AItem) const;

  // The items in order (never null).
  const std::vector<TvnDocItem*>& Items() const { return FItems; }
  size_t Count() const { return FItems.size(); }
  bool Empty() const { return FItems.empty(); }
  TvnDocItem* operator[](size_t AIndex) const { return FItems[AIndex]; }
  std::vector<TvnDocItem*>::const_iterator begin() const { return FItems.begin(); }
  std::vector<TvnDocItem*>::const_iterator end() const { return FItems.end(); }

  // A list owning a clone of every item, in order.
  LaidOutItems Clone() const;

 private:
  std::vector<TvnDocItem*> FItems;
  // Parallel to FItems: the owned item, or null for a borrowed one.
  std::vector<std::unique_ptr<TvnDocItem>> FOwned;
};

// One line of laid-out text: text items, pictures, text boxes, tab leaders
// and clip markers, placed left to right. The layout sets the line's
// metrics while it fills the line and then moves the items onto the line's
// baseline (MoveToBaseLine) and spreads justified text (JustifyTextLine).
class TvnTextLine : public TvnDocItem {
 public:
  TvnTextLine() = default;
  ~TvnTextLine() override;

  // A line owning copies of the children, with the same metrics.
  std::unique_ptr<TvnDocItem> Clone() const override;
  // Between lines: the element's data, copies of the children and every
  // metric of the line.
  void Assign(const TvnDocItem* ASource, TvnDocItem* ADest) const override;
  // Draws the children in order.
  void Draw(TvnBaseCanvas* ACanvas) override;

  // Appends a child the line owns (a tab leader, a clip marker).
  TvnDocItem* Add(std::unique_ptr<TvnDocItem> AItem) { return FChildren.Add(std::move(AItem)); }
  // Appends a child that stays the document's (a word item, a picture).
  TvnDocItem* Add(TvnDocItem* AItem) { return FChildren.Add(AItem); }
  LaidOutItems& Children() { return FChildren; }
  const LaidOutItems& Children() const { return FChildren; }

  // Moves every child onto the line's baseline by the line's spacing rule
  // and each text item's vertical alignment; a picture lower than the line
  // goes to the line's bottom and pushes AEndY down to at least its top.
  // A line of exact spacing lower than its text (the actual line height 11
  // or more pixels below the line height) is clipped to the actual line
  // height: a TvnClipRect first and a TvnResetClip last. Every item keeps
  // its height.
  void MoveToBaseLine(int32_t& AEndY);
  // Spreads AShiftX pixels over the gaps between the words of the line, so
  // that the last word moves right by AShiftX: a gap follows each text item
  // holding a space that has a word after it; the last AShiftX mod gaps
  // gaps take one pixel more. Pictures move with the text before them.
  // Nothing moves for AShiftX of 0 or less or a line without gaps.
  void JustifyTextLine(int32_t AShiftX);
  // Move every text item and picture child by the offsets.
  void ShiftTextItems(int32_t AOffsetX, int32_t AOffsetY);
  void ShiftTextItemsHorizontally(int32_t AShiftX);
  // Puts the top of every text item and picture child at AyOffset.
  void ShiftYPosTo(int32_t AyOffset);
  // Lays the text items out again from AShiftX, keeping their distances
  // from one another, and their offsets below the line's top, with the
  // line's top at AShiftY.
  void MoveTextItems(int32_t AShiftX, int32_t AShiftY);

  // The tallest item; setting only raises it (and the element's height).
  int32_t GetLineHeight() const { return FLineHeight; }
  void SetLineHeight(int32_t Value);
  // Setting only raises them; the layout leaves them 0.
  int32_t GetLineDescent() const { return FLineDescent; }
  void SetLineDescent(int32_t Value);
  int32_t GetLineAscent() const { return FLineAscent; }
  void SetLineAscent(int32_t Value);
  int32_t GetLineSpace() const { return FLineSpace; }
  void SetLineSpace(int32_t Value) { FLineSpace = Value; }
  int32_t GetLineWidth() const { return FLineWidth; }
  void SetLineWidth(int32_t Value) { FLineWidth = Value; }
  // The exact or at-least line pitch in pixels for lines of those rules,
  // else 0.
  int32_t GetActualLineHeight() const { return FActualLineHeight; }
  void SetActualLineHeight(int32_t Value) { FActualLineHeight = Value; }
  // The tallest text; setting only raises it.
  int32_t GetTextHeight() const { return FTextHeight; }
  void SetTextHeight(int32_t Value);
  TvnSpacingRule GetSpacingRule() const { return FSpacingRule; }
  void SetSpacingRule(TvnSpacingRule Value) { FSpacingRule = Value; }
  // The index of the last tab stop used on the line.
  int32_t GetTabCounter() const { return FTabCounter; }
  void SetTabCounter(int32_t Value) { FTabCounter = Value; }
  // References carried with the line for writers; the layout leaves them.
  bool GetUnderlinedTexthandled() const { return FUnderlinedTexthandled; }
  void SetUnderlinedTexthandled(bool Value) { FUnderlinedTexthandled = Value; }
  int32_t GetColorReference() const { return FColorReference; }
  void SetColorReference(int32_t Value) { FColorReference = Value; }
  int32_t GetFontreference() const { return FFontreference; }
  void SetFontreference(int32_t Value) { FFontreference = Value; }
  // Set by MoveToBaseLine when the text is taller than an exact pitch.
  bool GetIsClipped() const { return FIsClipped; }

 private:
  LaidOutItems FChildren;
  int32_t FLineHeight = 0;
  int32_t FLineDescent = 0;
  int32_t FLineAscent = 0;
  int32_t FLineSpace = 0;
  int32_t FLineWidth = 0;
  int32_t FActualLineHeight = 0;
  int32_t FTextHeight = 0;
  TvnSpacingRule FSpacingRule = TvnSpacingRule::srAuto;
  int32_t FTabCounter = 0;
  bool FUnderlinedTexthandled = false;
  int32_t FColorReference = 0;
  int32_t FFontreference = 0;
  bool FIsClipped = false;
};

// One column of a multi-column page: its lines and the other items laid
// out in it, drawn in order.
class TvnColumn : public TvnDocItem {
 public:
  std::unique_ptr<TvnDocItem> Clone() const override;
  void Assign(const TvnDocItem* ASource, TvnDocItem* ADest) const override;
  void Draw(TvnBaseCanvas* ACanvas) override;

  TvnDocItem* Add(std::unique_ptr<TvnDocItem> AItem) { return FChildren.Add(std::move(AItem)); }
  TvnDocItem* Add(TvnDocItem* AItem) { return FChildren.Add(AItem); }
  LaidOutItems& Children() { return FChildren; }
  const LaidOutItems& Children() const { return FChildren; }

 private:
  LaidOutItems FChildren;
};

// A laid-out page of a Word document. The page draws nothing itself: the
// page classes of the readers draw its element list in order.
class TvnWordPage : public vn::framework::TvnPage {
 public:
  // Empty lists, size 0 x 0.
  TvnWordPage();
  // A page of that size in pixels.
  TvnWordPage(double AWidth, double AHeight);
  // The margins are accepted for the callers' convenience and not kept.
  TvnWordPage(double AWidth, double ABottomMargin, double ARightMargin, double ATopMargin, double ALeftMargin,
              double AHeight);
  ~TvnWordPage() override;

  // A page of the same size owning copies of the elements, referring to the
  // same body items, with copies of the page text.
  std::unique_ptr<TvnDocItem> Clone() const override;
  // Draws nothing (see the class comment).
  void Draw(TvnBaseCanvas* ACanvas) override;
  vn::framework::TvnPageSize GetPageSize() override { return FPageSize; }

  // Appends body items (paragraphs, tables) to the page's body list.
  void SetRawElements(const std::vector<TvnDocItem*>& AElements);

  // The body items laid out on the page, in document order (borrowed: they
  // stay the document's).
  std::vector<TvnDocItem*>& GetPageParagraphs() { return FpageParagraphs; }
  const std::vector<TvnDocItem*>& GetPageParagraphs() const { return FpageParagraphs; }
  // The items to draw, in drawing order.
  LaidOutItems& PageElements() { return FpageElements; }
  const LaidOutItems& PageElements() const { return FpageElements; }
  std::vector<TvnDocItem*> GetPageElements() override { return FpageElements.Items(); }
  // The page's text; never null.
  TvnRawPageTextItems* GetRawSearchItems() const { return FrawSearchItems.get(); }
  void SetRawSearchItems(std::unique_ptr<TvnRawPageTextItems> Value);
  // Null until someone sets it.
  TvnPageText* GetPageSearchItems() const { return FpageSearchItems.get(); }
  void SetPageSearchItems(std::unique_ptr<TvnPageText> Value) { FpageSearchItems = std::move(Value); }

 private:
  std::vector<TvnDocItem*> FpageParagraphs;
  LaidOutItems FpageElements;
  std::unique_ptr<TvnRawPageTextItems> FrawSearchItems;
  std::unique_ptr<TvnPageText> FpageSearchItems;
  vn::framework::TvnPageSize FPageSize;
};

}  // namespace vn::wordmodel
