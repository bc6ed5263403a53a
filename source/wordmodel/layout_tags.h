// Layout tags: the state the Word layout keeps on model items between
// passes, attached through the item's Tag (which the item owns).
//
// - TvnparagraphTag breaks a paragraph's text into word items and measures
//   them; readers attach one to every paragraph (ParagraphTagOf).
// - TvnTextItemTag measures one piece of text and cuts a piece wider than
//   the region; readers attach one to every text item (TextItemTagOf).
// - TvnTextRunTag measures a run; the layout attaches it.
// - TvnTableTag carries a table across pages; readers attach one to every
//   table (TableTagOf).
// - TvnHeaderFooterElementTag collects the PAGE fields of a header or footer.
//
// A tag's item is its AssociatedItem; copying an item copies its tag and
// associates the copy with the copied item, so a tag always refers to the
// item that owns it. Widths and heights are pixels as the canvas measures
// them with the run's font.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "framework/canvas.h"
#include "wordmodel/word_types.h"

namespace vn::wordmodel {

class TvnField;
class TvnPageField;
class TvnParagraph;
class TvnRun;
class TvnRunProperties;
class TvnSection;
class TvnTable;
class TvnTextitem;

// Whether AChar is a space that ends a word piece: U+0020 or U+F020 (the
// space of symbol fonts).
bool IsBreakingSpace(char16_t AChar);

// Splits a text into the pieces the layout places one by one. A space
// (U+0020 or U+F020) ends a piece: without AKeepSpaces it stays at the end
// of the piece, with AKeepSpaces it becomes a piece of its own. With
// AHasDecimalTab a "." is a piece of its own, and so is a character other
// than a digit that follows a digit. No piece is empty.
std::vector<String> SplitAsListAndKeep(const String& AStr, bool AHasDecimalTab, bool AKeepSpaces);

class TvnparagraphTag : public TvnDocItem {
 public:
  // The tag of AParentPara (its associated item); it needs measuring.
  explicit TvnparagraphTag(TvnParagraph* AParentPara);
  ~TvnparagraphTag() override;

  // A tag with every flag of this one, the number alignment and the
  // section; the field link is not copied (it points into this tag's
  // paragraph).
  std::unique_ptr<TvnDocItem> Clone() const override;
  void Assign(const TvnDocItem* ASource, TvnDocItem* ADest) const override;

  // Breaks the text items of the paragraph's runs and field result runs
  // into word items (BreakTextRun), carrying a tab from run to run, and
  // sets ItemsBroken.
  void BreakTextRuns();
  // Replaces every text item of ARun by items of its SplitAsListAndKeep
  // pieces (spaces kept apart unless the paragraph is left-aligned) and
  // drops the tab breaks, marking the first piece after a tab as tabbed.
  // Returns whether a tab still waits for its piece.
  bool BreakTextRun(bool AHasDecimalTab, TvnRun& ARun, bool ATabSeen);
  // Measures every run and field result run in ADisplayRgn (cutting items
  // wider than the region); with a decimal tab stop in the paragraph's own
  // properties, gives each piece of a tabbed number the width from its left
  // edge to the decimal point. Clears NeedRecalculation.
  void Measure(const TRect& ADisplayRgn, TvnBaseCanvas& ACanvas);
  // Whether the paragraph's box and ARect overlap or touch.
  bool Intersects(const TRect& ARect) const;
  // Takes the list label run out of the paragraph when the label was added
  // to it (IsNumRunAdded); null otherwise.
  std::unique_ptr<TvnDocItem> RemoveNumberRun();
  // Appends a field to the paragraph and sets ContainsField.
  void Add(std::unique_ptr<TvnField> AFeild);

  // The paragraph (the associated item).
  TvnParagraph* GetParentPara() const;
  // The paragraph's own properties hold a decimal tab stop.
  bool HasDecimalTab() const;

  bool GetNeedRecalculation() const { return FNeedRecalculation; }
  void SetNeedRecalculation(bool Value) { FNeedRecalculation = Value; }
  bool GetItemsBroken() const { return FItemsBroken; }
  void SetItemsBroken(bool Value) { FItemsBroken = Value; }
  bool GetContainsSection() const { return FContainsSection; }
  void SetContainsSection(bool Value) { FContainsSection = Value; }
  // The paragraph continues from an earlier page or column.
  bool GetOverflowedParagraph() const { return FOverflowedParagraph; }
  void SetOverflowedParagraph(bool Value) { FOverflowedParagraph = Value; }
  // The paragraph's first child is its list label run.
  bool GetIsNumParagraph() const { return FIsNumPara; }
  void SetIsNumParagraph(bool Value) { FIsNumPara = Value; }
  // That label run was added to the paragraph.
  bool GetIsNumRunAdded() const { return FIsNumAdded; }
  void SetIsNumRunAdded(bool Value) { FIsNumAdded = Value; }
  bool GetContainsField() const { return FContainsField; }
  void SetContainsField(bool Value) { FContainsField = Value; }
  // The alignment of the list label.
  TvnHAlignment GetNumberAlignment() const { return FHAlignment; }
  void SetNumberAlignment(TvnHAlignment Value) { FHAlignment = Value; }
  // Borrowed links.
  TvnField* GetField() const { return FFeild; }
  void SetField(TvnField* Value) { FFeild = Value; }
  TvnSection* GetSection() const { return FSection; }
  void SetSection(TvnSection* Value) { FSection = Value; }

 private:
  void MeasureDecimalTabs();

  bool FNeedRecalculation = true;
  bool FItemsBroken = false;
  bool FContainsSection = false;
  bool FOverflowedParagraph = false;
  bool FIsNumPara = false;
  bool FIsNumAdded = false;
  bool FContainsField = false;
  TvnSection* FSection = nullptr;
  TvnHAlignment FHAlignment = TvnHAlignment::haLeft;
  TvnField* FFeild = nullptr;
};

class TvnTextItemTag : public TvnDocItem {
 public:
  // The tag of ATextItem (its associated item); it needs measuring.
  explicit TvnTextItemTag(TvnTextitem* ATextItem);
  ~TvnTextItemTag() override;

  // A tag with every value of this one (its own copies of the lists and
  // the run properties); the field link is not copied.
  std::unique_ptr<TvnDocItem> Clone() const override;
  void Assign(const TvnDocItem* ASource, TvnDocItem* ADest) const override;

  // Measures the item's text with the font of ARunProperties (the run's
  // font; Arial 10 when the run has none; two thirds of the size, rounded,
  // for raised and lowered text) into the item's width and height. With
  // AllCaps the text is put in upper case and the text as written kept in
  // ActualString. With ATab_decimalchar, SpaceBeforeDecimal becomes the
  // width of AccumulatedString up to the end of the first run of digits at
  // or after index APrevCount (0-based). Clears NeedRecalculation.
  void Measure(const TRect& ADisplayRgn, const TvnRunProperties* ARunProperties, int32_t APrevCount,
               bool ATab_decimalchar, const String& AccumulatedString, TvnBaseCanvas& ACanvas);
  // One box per character of the text: (0, 0, width + pixel gap, height).
  void MeasureCharBBoxes(TvnBaseCanvas& ACanvas);
  // Cuts the item's text into measured items, each as wide as fits in the
  // region (width measured plus the pixel gap; a character wider than the
  // region alone forms an item). The first item keeps the tab mark; the
  // first and last keep PreserveSpaces. Every character lands in exactly
  // one item, a surrogate pair never split.
  std::vector<std::unique_ptr<TvnTextitem>> BreakTextItemsAsPerWindowSize(
      const TRect& ADisplayRgn, const std::shared_ptr<TvnRunProperties>& ARunProperties, TvnBaseCanvas& ACanvas);

  // The text item (the associated item).
  TvnTextitem* GetTextItem() const;

  // The text as written, before AllCaps.
  const String& GetActualString() const { return FActualString; }
  void SetActualString(const String& Value) { FActualString = Value; }
  bool GetNeedRecalculation() const { return FNeedRecalculation; }
  void SetNeedRecalculation(bool Value) { FNeedRecalculation = Value; }
  // A tab precedes this piece.
  bool GetIsTabbed() const { return FIsTabbed; }
  void SetIsTabbed(bool Value) { FIsTabbed = Value; }
  std::vector<int32_t>& GetCharSpace() { return FCharSpace; }
  std::vector<int32_t>& GetSpaceAfterChar() { return FSpaceAfterChar; }
  int32_t GetPixelGapForSuperscriptAndSubscript() const { return FPixelGapForSuperscriptAndSubscript; }
  void SetPixelGapForSuperscriptAndSubscript(int32_t Value) { FPixelGapForSuperscriptAndSubscript = Value; }
  // The width of the tab-aligned text this piece belongs to.
  int32_t GetTabAccumulatedWidth() const { return FTabAccumulatedWidth; }
  void SetTabAccumulatedWidth(int32_t Value) { FTabAccumulatedWidth = Value; }
  // The width from the piece's left edge to the decimal point of its number.
  int32_t GetTab_SpaceBeforeDecimal() const { return FTab_SpaceBeforeDecimal; }
  void SetTab_SpaceBeforeDecimal(int32_t Value) { FTab_SpaceBeforeDecimal = Value; }
  const std::shared_ptr<TvnRunProperties>& GetRunProperties() const { return FRunProperties; }
  void SetRunProperties(std::shared_ptr<TvnRunProperties> Value) { FRunProperties = std::move(Value); }
  const std::vector<TRect>& GetCharBBoxes() const { return FCharBBoxes; }
  TvnField* GetParentField() const { return FParentField; }
  void SetParentField(TvnField* Value) { FParentField = Value; }
  // The region of the last measuring.
  const TRect& GetBackupDisplayRgn() const { return FbackupDisplayRgn; }

 private:
  String FActualString;
  bool FNeedRecalculation = true;
  bool FIsTabbed = false;
  std::vector<int32_t> FCharSpace;
  std::vector<int32_t> FSpaceAfterChar;
  int32_t FPixelGapForSuperscriptAndSubscript = 1;
  int32_t FTabAccumulatedWidth = 0;
  std::shared_ptr<TvnRunProperties> FRunProperties;
  std::vector<TRect> FCharBBoxes;
  TvnField* FParentField = nullptr;
  TRect FbackupDisplayRgn;
  int32_t FTab_SpaceBeforeDecimal = 0;
};

class TvnTextRunTag : public TvnDocItem {
 public:
  // The tag of ATextRun (its associated item).
  explicit TvnTextRunTag(TvnRun* ATextRun);

  std::unique_ptr<TvnDocItem> Clone() const override;

  // Measures every text item of the run with the run's final properties;
  // an item wider than the region is replaced by the items
  // BreakTextItemsAsPerWindowSize cuts from it. The run's width becomes the
  // sum of its items' widths, its height the tallest item's. The cut item
  // is freed: nothing laid out may still refer to it.
  void Measure(const TRect& ADisplayRgn, TvnBaseCanvas& ACanvas, int32_t APrevCount, bool ATab_decimalchar,
               const String& AccumulatedString);

  // The run (the associated item).
  TvnRun* GetTextRun() const;
};

class TvnTableTag : public TvnDocItem {
 public:
  // The tag of ATable (its associated item).
  explicit TvnTableTag(TvnTable* ATable);

  // A tag with the same flags and header-row indices.
  std::unique_ptr<TvnDocItem> Clone() const override;
  void Assign(const TvnDocItem* ASource, TvnDocItem* ADest) const override;

  TvnTable* GetTable() const;
  bool GetProcessed() const { return FProcessed; }
  void SetProcessed(bool Value) { FProcessed = Value; }
  // Header rows repeat on continuation pages.
  bool GetRenderHeaderRows() const { return FRenderHeaderRows; }
  void SetRenderHeaderRows(bool Value) { FRenderHeaderRows = Value; }
  // The indices of the header rows, ascending.
  std::vector<int32_t>& GetHeaderRowIndices() { return FHeaderRowIndices; }
  const std::vector<int32_t>& GetHeaderRowIndices() const { return FHeaderRowIndices; }

 private:
  bool FProcessed = false;
  bool FRenderHeaderRows = true;
  std::vector<int32_t> FHeaderRowIndices;
};

// Collects the PAGE fields met while a header or footer is laid out, so
// that each page can write its number into them.
class TvnHeaderFooterElementTag : public TvnDocItem {
 public:
  std::unique_ptr<TvnDocItem> Clone() const override;
  void Assign(const TvnDocItem* ASource, TvnDocItem* ADest) const override;

  void AddPageField(TvnPageField* AField);
  // Borrowed: the fields stay the laid-out header's or footer's.
  const std::vector<TvnPageField*>& GetPageFieldList() const { return FPageFieldList; }

 private:
  std::vector<TvnPageField*> FPageFieldList;
};

// The item's layout tag, attached first when it has none (or a tag of
// another class).
TvnparagraphTag* ParagraphTagOf(TvnParagraph& AParagraph);
TvnTextItemTag* TextItemTagOf(TvnTextitem& AItem);
// Whether the layout found a tab before AItem: laying a paragraph out takes
// its tab breaks out of the runs and marks the text that follows each.
bool TabbedByLayout(const TvnTextitem& AItem);
TvnTextRunTag* TextRunTagOf(TvnRun& ARun);
TvnTableTag* TableTagOf(TvnTable& ATable);

}  // namespace vn::wordmodel
