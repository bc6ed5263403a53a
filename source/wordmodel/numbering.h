// List numbering: the levels of a list (format, start value, label pattern,
// indents and label font), abstract list definitions and the concrete lists
// that refer to them, and the counters that advance as numbered paragraphs
// are resolved in reading order.
//
// Ownership: a list owns its levels; the state manager owns its counters.
// Lists reach other lists, and a list definition its numbering style, only
// through the document's tables (NumberingTables), whose owner outlives
// them.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <utility>

#include "wordmodel/paragraph.h"
#include "wordmodel/paragraph_properties.h"
#include "wordmodel/run_properties.h"
#include "wordmodel/style.h"
#include "wordmodel/word_types.h"

namespace vn::wordmodel {

enum class TvnNumFmt : uint8_t {
  nfBullet,
  nfDecimal,
  nfLowerLetter,
  nfUpperLetter,
  nfLowerRoman,
  nfUpperRoman,
  nfCardinalText
};
enum class TvnNumDefType : uint8_t { ndtHybridMultilevel, ndtMultilevel, ndtSingleLevel };
enum class TvnNumType : uint8_t { ntAbstract, ntConcrete };

// One level of a list.
class TvnNumberLevel : public TObject {
 public:
  TvnNumberLevel();
  ~TvnNumberLevel() override;

  // A level with copies of the paragraph and run properties (when present)
  // and the same format, level value, level text, style identifier,
  // alignment, placeholder and start value.
  std::unique_ptr<TvnNumberLevel> Clone() const;

  // Indents and other paragraph formatting of the level; null for none.
  const std::shared_ptr<TvnParagraphProperties>& GetParagraphProperties() const { return FParagraphProperties; }
  void SetParagraphProperties(std::shared_ptr<TvnParagraphProperties> Value) {
    FParagraphProperties = std::move(Value);
  }
  TvnNumFmt GetNumberFormat() const { return FNumberFormat; }
  void SetNumberFormat(TvnNumFmt Value) { FNumberFormat = Value; }
  // The paragraph style bound to this level.
  const String& GetStyleID() const { return FStyleID; }
  void SetStyleID(const String& Value) { FStyleID = Value; }
  int32_t GetStartValue() const { return FStartValue; }
  void SetStartValue(int32_t Value) { FStartValue = Value; }
  // The label's font and formatting; null for none.
  const std::shared_ptr<TvnRunProperties>& GetRunProperties() const { return FRunProperties; }
  void SetRunProperties(std::shared_ptr<TvnRunProperties> Value) { FRunProperties = std::move(Value); }
  TvnHAlignment GetHAlignment() const { return FHAlignment; }
  void SetHAlignment(TvnHAlignment Value) { FHAlignment = Value; }
  // The level's index, 0-based.
  int32_t GetLevelValue() const { return FLevelValue; }
  void SetLevelValue(int32_t Value) { FLevelValue = Value; }
  // The label pattern: %1 to %9 stand for the values of levels 1 to 9; or
  // the bullet character(s).
  const String& GetLevelText() const { return FLevelText; }
  void SetLevelText(const String& Value) { FLevelText = Value; }
  // The formatting template built from the pattern when a label is made.
  const String& GetLevelPlaceHolder() const { return FLevelPlaceHolder; }
  void SetLevelPlaceHolder(const String& Value) { FLevelPlaceHolder = Value; }

 private:
  std::shared_ptr<TvnParagraphProperties> FParagraphProperties;
  TvnNumFmt FNumberFormat = TvnNumFmt::nfBullet;
  String FStyleID;
  int32_t FStartValue = 1;
  std::shared_ptr<TvnRunProperties> FRunProperties;
  TvnHAlignment FHAlignment = TvnHAlignment::haLeft;
  int32_t FLevelValue = 0;
  String FLevelText;
  String FLevelPlaceHolder = u"{0}";
};

class NumberingTables;

// An abstract list definition or a concrete list.
class TvnNumber : public TObject {
 public:
  using TvnNumberLevels = std::map<int32_t, std::shared_ptr<TvnNumberLevel>>;

  explicit TvnNumber(int32_t ANumberId);
  ~TvnNumber() override;

  // Adds a level under its index; an index already present keeps its level
  // (a malformed file repeating a level does not abort its load).
  void AddNumberingLevel(int32_t ALevel, std::unique_ptr<TvnNumberLevel> ANumLevel);
  TvnNumberLevel* GetNumberingLevel(int32_t ALevel) const;
  // Takes the level out; null when absent.
  std::unique_ptr<TvnNumberLevel> RemoveNumberLevel(int32_t Key);
  // A list with the same identifiers, types and level objects (shared with
  // this one), and, when this one has a linked style, the style of the same
  // identifier in ATables.
  std::unique_ptr<TvnNumber> Clone(const NumberingTables& ATables) const;

  const TvnNumberLevels& GetNumberingLevels() const { return FNumberingLevels; }
  int32_t GetNumberID() const { return FNumberID; }
  TvnNumDefType GetNumberDefinitionType() const { return FNumberDefinitionType; }
  void SetNumberDefinitionType(TvnNumDefType Value) { FNumberDefinitionType = Value; }
  // For a concrete list, the identifier of its abstract definition.
  int32_t GetDependentID() const { return FDependentID; }
  void SetDependentID(int32_t Value) { FDependentID = Value; }
  TvnNumType GetNumberType() const { return FNumberType; }
  void SetNumberType(TvnNumType Value) { FNumberType = Value; }
  // For an abstract definition that takes its levels from a numbering
  // style (borrowed).
  TvnStyle* GetLinkedStyle() const { return FLinkedStyle; }
  void SetLinkedStyle(TvnStyle* Value) { FLinkedStyle = Value; }

 private:
  TvnNumberLevels FNumberingLevels;
  TvnNumDefType FNumberDefinitionType = TvnNumDefType::ndtHybridMultilevel;
  int32_t FNumberID;
  int32_t FDependentID = kNoReference;
  TvnNumType FNumberType = TvnNumType::ntAbstract;
  TvnStyle* FLinkedStyle = nullptr;
};

// What numbering needs of the document's tables: its concrete lists, its
// abstract definitions and its styles, each by identifier (null when
// absent). The document's mediator provides it.
class NumberingTables {
 public:
  virtual ~NumberingTables() = default;
  virtual TvnNumber* FindNumber(int32_t ANumberID) const = 0;
  virtual TvnNumber* FindAbstractNumber(int32_t ANumberID) const = 0;
  virtual TvnStyle* FindStyle(const String& AStyleID) const = 0;
};

// The counter of one (list, level) pair.
class TvnLevelInfo : public TObject {
 public:
  explicit TvnLevelInfo(int32_t AStartVal) : FCurrentVal(AStartVal), FStartVal(AStartVal) {}

  int32_t GetCurrentVal() const { return FCurrentVal; }
  void SetCurrentVal(int32_t Value) { FCurrentVal = Value; }
  int32_t GetStartVal() const { return FStartVal; }
  void SetStartVal(int32_t Value) { FStartVal = Value; }

 private:
  int32_t FCurrentVal;
  int32_t FStartVal;
};

// The counters of every (list, level) pair, and the list and level of the
// last numbered paragraph. One per style resolver; never reset during a
// load. Pairs are keyed by both numbers, so list 1 level 11 and list 11
// level 1 are distinct counters.
class TvnNumberStateManager : public TObject {
 public:
  using TvnNumberStates = std::map<std::pair<int32_t, int32_t>, TvnLevelInfo>;

  bool LevelAlreadyExists(int32_t ANumID, int32_t ALevelNumber) const;
  // -1 when the pair has no counter.
  int32_t GetLevelCurrentVal(int32_t ANumID, int32_t ALevelNumber) const;
  int32_t GetLevelStartVal(int32_t ANumID, int32_t ALevelNumber) const;
  // Sets the current value of an existing counter; nothing without one.
  void UpdateLevelCurrentVal(int32_t ANumID, int32_t ALevelNumber, int32_t ACurrentVal);
  // Sets the current value, creating the counter with AStartVal first when
  // the pair has none.
  void UpdateLevelCurrentVal(int32_t ANumID, int32_t ALevelNumber, int32_t Value, int32_t AStartVal);
  void ResetNumberStates() { FNumberState.clear(); }

  const TvnNumberStates& GetNumberState() const { return FNumberState; }
  int32_t GetPrevNumberId() const { return FPrevNumberId; }
  void SetPrevNumberId(int32_t Value) { FPrevNumberId = Value; }
  int32_t GetPrevNumberLevel() const { return FPrevNumberLevel; }
  void SetPrevNumberLevel(int32_t Value) { FPrevNumberLevel = Value; }

 private:
  int32_t FPrevNumberLevel = 0;
  int32_t FPrevNumberId = 0;
  TvnNumberStates FNumberState;
};

// The level ALevel of ANumber: its own; else its abstract definition's
// (from ATables, under ANumber's DependentID); else, when that definition
// links a numbering style whose paragraph properties name a concrete list,
// that list's level ALevel. Null when none is found.
TvnNumberLevel* GetNumberLevel(const TvnNumber* ANumber, int32_t ALevel, const NumberingTables& ATables);

// The text of a list value in a number format: decimal digits; letters
// (1 is a, 27 is aa); roman numerals; English cardinal words. A bullet gives
// the decimal digits too. Letters and roman numerals above
// kMaxSpelledListValue, values that come only from damaged or hostile files
// (their texts grow with the value), are written in decimal digits.
inline constexpr int32_t kMaxSpelledListValue = 32767;
String ListValueText(TvnNumFmt AFormat, int32_t AValue);

// The formatting template of a label pattern at level ALevel of list ANumID:
// "%" followed by digits n names level n - 1; the own level becomes "%s",
// each higher level its current value (the larger of its counter's current
// and start value, else the start value of its level, else 0) in that
// level's own number format, deeper levels nothing; a "%" without digits is
// dropped and every other character copied.
String GetPlaceHolderText(const String& Atxt, int32_t ANumID, const NumberingTables& ATables, const TvnNumber* ANum,
                          int32_t AnumLvl, const TvnNumberStateManager& AStates);

// Whether a paragraph belongs to a list, and where.
struct ListMembership {
  bool numbered = false;
  int32_t number_id = kNoReference;
  int32_t level = kNoReference;
};

// The list and level of a paragraph with own properties AOwn and
// AHasChildren: those AOwn names; else those its paragraph style's own
// properties name (the level the first whose StyleID is the paragraph's
// style, in the list or else in its abstract definition; a definition
// linking a numbering style moves the paragraph to the list that style
// names). A concrete list whose abstract definition is missing raises
// EListError, which the resolver swallows. A paragraph without children is
// not numbered.
ListMembership FindListMembership(const TvnParagraphProperties& AOwn, bool AHasChildren,
                                  const NumberingTables& ATables);

// The label of a numbered paragraph.
struct NumberLabel {
  // The level the label was made from; null when the list has no such
  // level (no label then).
  TvnNumberLevel* level = nullptr;
  String text;
};

// Advances the counters for a paragraph numbered in list ANumID at level
// ALevel and returns its label. Deeper levels of the same list start again;
// a bullet level gives its level text and touches no counter; the level's
// placeholder is set to the template the label was formatted from. The
// list and level become the state manager's previous ones in every case.
NumberLabel AdvanceListNumber(int32_t ANumID, int32_t ALevel, const NumberingTables& ATables,
                              TvnNumberStateManager& AStates);

// The run that shows a label in front of its paragraph's content: one text
// item with ALabelFormat (the label's merged formatting, which the resolver
// builds) as the item's, the run's own and the run's final properties. An
// unset font size becomes 10, and the formatting gets a new font of its
// name, size and styles.
std::unique_ptr<TvnRun> MakeNumberLabelRun(const String& AText, std::shared_ptr<TvnRunProperties> ALabelFormat);

}  // namespace vn::wordmodel
