// Paragraph formatting: spacing, indents, alignment, line spacing, tab
// stops, border, list membership and the paragraph's character formatting,
// with the marks of which properties a source gave explicitly. Indents and
// spacing are pixels; 2147483647 is unset. The line spacing counts in twips
// for srExact and srAtleast and in 240ths of a line for srAuto.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "runtime/containers.h"
#include "wordmodel/borders.h"
#include "wordmodel/run_properties.h"
#include "wordmodel/word_types.h"

namespace vn::wordmodel {

class TvnStyle;

// Members of the explicitly-set marks of paragraph properties (a set of
// numbers 0 to 15); these are the members in use.
enum class TvnExplicitlySetParaProperty : uint8_t { espHAlignment = 1, espNumberLevel = 4, espNumberID = 8 };
using TvnExplicitlySetParaProperties = vn::EnumSet<TvnExplicitlySetParaProperty>;

// A tab stop at Position pixels.
class TvnTab : public TObject {
 public:
  std::unique_ptr<TvnTab> Clone() const;

  TvnTabStopChar GetLeadingChar() const { return FleadingChar; }
  void SetLeadingChar(TvnTabStopChar Value) { FleadingChar = Value; }
  int32_t GetPosition() const { return FPosition; }
  void SetPosition(int32_t Value) { FPosition = Value; }
  TvnTabStopValue GetTabStopValue() const { return FTabStopValue; }
  void SetTabStopValue(TvnTabStopValue Value) { FTabStopValue = Value; }

 private:
  TvnTabStopChar FleadingChar = TvnTabStopChar::tscNone;
  int32_t FPosition = 0;
  TvnTabStopValue FTabStopValue = TvnTabStopValue::tsvStart;
};

// Tab stops may be shared by the properties of several paragraphs.
using TvnTabList = std::vector<std::shared_ptr<TvnTab>>;

class TvnParagraphProperties : public TObject {
 public:
  TvnParagraphProperties();
  ~TvnParagraphProperties() override;

  // Copies, in this order: AfterAutoSpacing; ContextualSpace;
  // DefaultTabStop; the explicitly-set marks; FirstLineIndent; HAlignment
  // through its setter (so a copy always carries the alignment mark);
  // Hanging; KeepLines; LeftIndent; LineSpacing; LineSpacingRule; NumberID;
  // NumberLevel; PageBreakBefore; a copy of the paragraph border when the
  // source has one; RightIndent; a copy of the run properties; SpaceAfter;
  // SpaceBefore; StyleID; StyleName; VAlignment; and, when the source has
  // tab stops, copies of them in place of the destination's. Style, the
  // additional data and the two table references are not copied.
  void Assign(const TvnParagraphProperties* ASource, TvnParagraphProperties* ADest) const;
  std::unique_ptr<TvnParagraphProperties> Clone() const;

  int32_t GetSpaceBefore() const { return FSpaceBefore; }
  void SetSpaceBefore(int32_t Value) { FSpaceBefore = Value; }
  int32_t GetSpaceAfter() const { return FSpaceAfter; }
  void SetSpaceAfter(int32_t Value) { FSpaceAfter = Value; }
  int32_t GetFirstLineIndent() const { return FFirstLineIndent; }
  void SetFirstLineIndent(int32_t Value) { FFirstLineIndent = Value; }
  int32_t GetLeftIndent() const { return FLeftIndent; }
  void SetLeftIndent(int32_t Value) { FLeftIndent = Value; }
  int32_t GetRightIndent() const { return FRightIndent; }
  void SetRightIndent(int32_t Value) { FRightIndent = Value; }
  int32_t GetLineSpacing() const { return FLineSpacing; }
  void SetLineSpacing(int32_t Value) { FLineSpacing = Value; }
  int32_t GetDefaultTabStop() const { return FDefaultTabStop; }
  void SetDefaultTabStop(int32_t Value) { FDefaultTabStop = Value; }
  // Hanging indent.
  int32_t GetHanging() const { return FHanging; }
  void SetHanging(int32_t Value) { FHanging = Value; }
  TvnHAlignment GetHAlignment() const { return FHAlignment; }
  // Stores the alignment and marks it explicitly set.
  void SetHAlignment(TvnHAlignment Value);
  TvnVAlignment GetVAlignment() const { return FVAlignment; }
  void SetVAlignment(TvnVAlignment Value) { FVAlignment = Value; }
  // The paragraph's character formatting (its mark and, through the
  // resolver, its runs).
  const std::shared_ptr<TvnRunProperties>& GetRunProperties() const { return FRunProperties; }
  void SetRunProperties(std::shared_ptr<TvnRunProperties> Value) { FRunProperties = std::move(Value); }
  const String& GetStyleID() const { return FStyleID; }
  void SetStyleID(const String& Value) { FStyleID = Value; }
  const String& GetStyleName() const { return FStyleName; }
  void SetStyleName(const String& Value) { FStyleName = Value; }
  // The paragraph style (borrowed from the style table); a style also gives
  // its identifier and name to the properties.
  TvnStyle* GetStyle() const { return FStyle; }
  void SetStyle(TvnStyle* Value);
  // Null: no border.
  TvnParaBorder* GetParaBorder() const { return FParaBorder.get(); }
  void SetParaBorder(std::unique_ptr<TvnParaBorder> Value) { FParaBorder = std::move(Value); }
  bool GetPageBreakBefore() const { return FPageBreakBefore; }
  void SetPageBreakBefore(bool Value) { FPageBreakBefore = Value; }
  bool GetKeepLinesTogetherInSamePage() const { return FKeepLines; }
  void SetKeepLinesTogetherInSamePage(bool Value) { FKeepLines = Value; }
  bool GetAfterAutoSpacing() const { return FAfterAutoSpacing; }
  void SetAfterAutoSpacing(bool Value) { FAfterAutoSpacing = Value; }
  bool GetContextualSpace() const { return FcontextualSpace; }
  void SetContextualSpace(bool Value) { FcontextualSpace = Value; }
  TvnTabList& GetTabs() { return FTabs; }
  const TvnTabList& GetTabs() const { return FTabs; }
  // List identifier and 0-based list level; -1: not in a list.
  int32_t GetNumberID() const { return FNumId; }
  void SetNumberID(int32_t Value) { FNumId = Value; }
  int32_t GetNumberLevel() const { return FLevel; }
  void SetNumberLevel(int32_t Value) { FLevel = Value; }
  TvnSpacingRule GetLineSpacingRule() const { return FLineSpacingRule; }
  void SetLineSpacingRule(TvnSpacingRule Value) { FLineSpacingRule = Value; }
  TvnExplicitlySetParaProperties GetExplicitlySetParaProperties() const { return FExplicitlySetParaProperties; }
  void SetExplicitlySetParaProperties(TvnExplicitlySetParaProperties Value) { FExplicitlySetParaProperties = Value; }
  // Reader-specific data (the DOC reader's TvnDocSpecificProperties), kept
  // alive as long as the properties hold it.
  const std::shared_ptr<TObject>& GetAdditionalInfo() const { return FAdditionalInfo; }
  void SetAdditionalInfo(std::shared_ptr<TObject> Value) { FAdditionalInfo = std::move(Value); }
  int32_t GetColorReference() const { return FColorReference; }
  void SetColorReference(int32_t Value) { FColorReference = Value; }
  int32_t GetFontreference() const { return FFontreference; }
  void SetFontreference(int32_t Value) { FFontreference = Value; }

 private:
  int32_t FSpaceBefore = kUnsetValue;
  int32_t FSpaceAfter = kUnsetValue;
  int32_t FFirstLineIndent = kUnsetValue;
  int32_t FLeftIndent = kUnsetValue;
  int32_t FRightIndent = kUnsetValue;
  int32_t FLineSpacing = kUnsetValue;
  int32_t FDefaultTabStop = 0;
  int32_t FHanging = kUnsetValue;
  TvnHAlignment FHAlignment = TvnHAlignment::haLeft;
  TvnVAlignment FVAlignment = TvnVAlignment::vaTop;
  std::shared_ptr<TvnRunProperties> FRunProperties;
  String FStyleID;
  String FStyleName;
  TvnStyle* FStyle = nullptr;
  std::unique_ptr<TvnParaBorder> FParaBorder;
  bool FPageBreakBefore = false;
  bool FKeepLines = false;
  bool FAfterAutoSpacing = false;
  bool FcontextualSpace = false;
  TvnTabList FTabs;
  int32_t FNumId = kNoReference;
  int32_t FLevel = kNoReference;
  TvnSpacingRule FLineSpacingRule = TvnSpacingRule::srAuto;
  TvnExplicitlySetParaProperties FExplicitlySetParaProperties;
  std::shared_ptr<TObject> FAdditionalInfo;
  int32_t FColorReference = kNoReference;
  int32_t FFontreference = kNoReference;
};

}  // namespace vn::wordmodel
