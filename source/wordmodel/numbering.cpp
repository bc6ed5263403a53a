#include "wordmodel/numbering.h"

#include <algorithm>
#include <limits>

#include "framework/document_routines.h"
#include "wordmodel/text_item.h"

namespace vn::wordmodel {

namespace {

// Start and counter values come from files: moving one by one step must not
// overflow at the ends of the range.
int32_t ListValueStep(int32_t AValue, int32_t AStep) {
  const int64_t moved = static_cast<int64_t>(AValue) + AStep;
  return static_cast<int32_t>(std::clamp<int64_t>(moved, std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max()));
}

bool IsListPatternDigit(char16_t ACh) { return ACh >= u'0' && ACh <= u'9'; }

// The current value of a higher level as a label shows it.
int32_t HigherLevelValue(int32_t ANumID, int32_t ALevel, const TvnNumberLevel* ALevelDef,
                         const TvnNumberStateManager& AStates) {
  if (AStates.LevelAlreadyExists(ANumID, ALevel)) {
    return std::max(AStates.GetLevelCurrentVal(ANumID, ALevel), AStates.GetLevelStartVal(ANumID, ALevel));
  }
  return ALevelDef ? ALevelDef->GetStartValue() : 0;
}

}  // namespace

// ---------------------------------------------------------------------------
// TvnNumberLevel

TvnNumberLevel::TvnNumberLevel() = default;
TvnNumberLevel::~TvnNumberLevel() = default;

std::unique_ptr<TvnNumberLevel> TvnNumberLevel::Clone() const {
  auto copy = std::make_unique<TvnNumberLevel>();
  if (FParagraphProperties) copy->FParagraphProperties = FParagraphProperties->Clone();
  if (FRunProperties) copy->FRunProperties = FRunProperties->Clone();
  copy->FNumberFormat = FNumberFormat;
  copy->FLevelValue = FLevelValue;
  copy->FLevelText = FLevelText;
  copy->FStyleID = FStyleID;
  copy->FHAlignment = FHAlignment;
  copy->FLevelPlaceHolder = FLevelPlaceHolder;
  copy->FStartValue = FStartValue;
  return copy;
}

// ---------------------------------------------------------------------------
// TvnNumber

TvnNumber::TvnNumber(int32_t ANumberId) : FNumberID(ANumberId) {}
TvnNumber::~TvnNumber() = default;

void TvnNumber::AddNumberingLevel(int32_t ALevel, std::unique_ptr<TvnNumberLevel> ANumLevel) {
  FNumberingLevels.try_emplace(ALevel, std::move(ANumLevel));
}

TvnNumberLevel* TvnNumber::GetNumberingLevel(int32_t ALevel) const {
  auto found = FNumberingLevels.find(ALevel);
  return found == FNumberingLevels.end() ? nullptr : found->second.get();
}

std::unique_ptr<TvnNumberLevel> TvnNumber::RemoveNumberLevel(int32_t Key) {
  auto found = FNumberingLevels.find(Key);
  if (found == FNumberingLevels.end()) return nullptr;
  auto level = std::move(found->second);
  FNumberingLevels.erase(found);
  // Levels may be shared with clones of this list, so the caller gets a
  // copy of its own.
  return level ? level->Clone() : nullptr;
}

std::unique_ptr<TvnNumber> TvnNumber::Clone(const NumberingTables& ATables) const {
  auto copy = std::make_unique<TvnNumber>(FNumberID);
  copy->FDependentID = FDependentID;
  copy->FNumberDefinitionType = FNumberDefinitionType;
  copy->FNumberType = FNumberType;
  copy->FNumberingLevels = FNumberingLevels;
  if (FLinkedStyle) copy->FLinkedStyle = ATables.FindStyle(FLinkedStyle->GetStyleID());
  return copy;
}

// ---------------------------------------------------------------------------
// TvnNumberStateManager

bool TvnNumberStateManager::LevelAlreadyExists(int32_t ANumID, int32_t ALevelNumber) const {
  return FNumberState.count({ANumID, ALevelNumber}) != 0;
}

int32_t TvnNumberStateManager::GetLevelCurrentVal(int32_t ANumID, int32_t ALevelNumber) const {
  auto found = FNumberState.find({ANumID, ALevelNumber});
  return found == FNumberState.end() ? -1 : found->second.GetCurrentVal();
}

int32_t TvnNumberStateManager::GetLevelStartVal(int32_t ANumID, int32_t ALevelNumber) const {
  auto found = FNumberState.find({ANumID, ALevelNumber});
  return found == FNumberState.end() ? -1 : found->second.GetStartVal();
}

void TvnNumberStateManager::UpdateLevelCurrentVal(int32_t ANumID, int32_t ALevelNumber, int32_t ACurrentVal) {
  auto found = FNumberState.find({ANumID, ALevelNumber});
  if (found != FNumberState.end()) found->second.SetCurrentVal(ACurrentVal);
}

void TvnNumberStateManager::UpdateLevelCurrentVal(int32_t ANumID, int32_t ALevelNumber, int32_t Value,
                                                  int32_t AStartVal) {
  auto found = FNumberState.try_emplace({ANumID, ALevelNumber}, AStartVal).first;
  found->second.SetCurrentVal(Value);
}

// ---------------------------------------------------------------------------
// Levels, labels and membership

TvnNumberLevel* GetNumberLevel(const TvnNumber* ANumber, int32_t ALevel, const NumberingTables& ATables) {
  // A chain of numbering styles naming lists whose definitions link styles
  // again could loop; each list is visited once.
  std::vector<const TvnNumber*> visited;
  while (ANumber != nullptr) {
    if (std::find(visited.begin(), visited.end(), ANumber) != visited.end()) return nullptr;
    visited.push_back(ANumber);
    if (auto* own = ANumber->GetNumberingLevel(ALevel)) return own;
    const TvnNumber* definition = ATables.FindAbstractNumber(ANumber->GetDependentID());
    if (definition == nullptr) return nullptr;
    if (auto* inherited = definition->GetNumberingLevel(ALevel)) return inherited;
    const TvnStyle* linked = definition->GetLinkedStyle();
    if (linked == nullptr || !linked->GetParagraphProperties()) return nullptr;
    const int32_t styleList = linked->GetParagraphProperties()->GetNumberID();
    if (styleList == kNoReference) return nullptr;
    ANumber = ATables.FindNumber(styleList);
  }
  return nullptr;
}

String ListValueText(TvnNumFmt AFormat, int32_t AValue) {
  const bool spelled = AValue <= kMaxSpelledListValue;
  switch (AFormat) {
    case TvnNumFmt::nfLowerLetter:
      if (spelled) return vn::framework::NumberToLetters(AValue - 1, false);
      break;
    case TvnNumFmt::nfUpperLetter:
      if (spelled) return vn::framework::NumberToLetters(AValue - 1, true);
      break;
    case TvnNumFmt::nfLowerRoman:
      if (spelled) return vn::framework::NumberToRoman(AValue, false);
      break;
    case TvnNumFmt::nfUpperRoman:
      if (spelled) return vn::framework::NumberToRoman(AValue, true);
      break;
    case TvnNumFmt::nfCardinalText:
      return vn::framework::NumberToCardinalText(AValue);
    case TvnNumFmt::nfBullet:
    case TvnNumFmt::nfDecimal:
      break;
  }
  return vn::IntToStr(AValue);
}

String GetPlaceHolderText(const String& Atxt, int32_t ANumID, const NumberingTables& ATables, const TvnNumber* ANum,
                          int32_t AnumLvl, const TvnNumberStateManager& AStates) {
  String result;
  size_t i = 0;
  while (i < Atxt.size()) {
    const char16_t ch = Atxt[i];
    if (ch != u'%') {
      result += ch;
      ++i;
      continue;
    }
    ++i;
    // Digits beyond what a level index can be still end the reference; the
    // number saturates instead of overflowing.
    int64_t number = 0;
    bool hasDigits = false;
    while (i < Atxt.size() && IsListPatternDigit(Atxt[i])) {
      number = std::min<int64_t>(number * 10 + (Atxt[i] - u'0'), std::numeric_limits<int32_t>::max());
      hasDigits = true;
      ++i;
    }
    if (!hasDigits) continue;
    const int64_t level = number - 1;
    if (level == AnumLvl) {
      result += u"%s";
    } else if (level >= 0 && level < AnumLvl) {
      const auto higher = static_cast<int32_t>(level);
      const TvnNumberLevel* definition = GetNumberLevel(ANum, higher, ATables);
      const int32_t value = HigherLevelValue(ANumID, higher, definition, AStates);
      result += ListValueText(definition ? definition->GetNumberFormat() : TvnNumFmt::nfDecimal, value);
    }
  }
  return result;
}

ListMembership FindListMembership(const TvnParagraphProperties& AOwn, bool AHasChildren,
                                  const NumberingTables& ATables) {
  ListMembership membership;
  if (AOwn.GetNumberID() != kNoReference && AOwn.GetNumberLevel() != kNoReference) {
    membership = {true, AOwn.GetNumberID(), AOwn.GetNumberLevel()};
  } else if (const TvnStyle* style = ATables.FindStyle(AOwn.GetStyleID());
             style != nullptr && style->GetStyleType() == TvnStyleType::stParagraph &&
             style->GetParagraphProperties() != nullptr) {
    const TvnNumber* list = ATables.FindNumber(style->GetParagraphProperties()->GetNumberID());
    if (list == nullptr) return membership;
    membership.number_id = list->GetNumberID();
    for (const auto& [index, level] : list->GetNumberingLevels()) {
      if (level && level->GetStyleID() == AOwn.GetStyleID()) {
        membership.level = index;
        break;
      }
    }
    const TvnNumber* definition = ATables.FindAbstractNumber(list->GetDependentID());
    if (definition == nullptr) throw vn::EListError("List index out of bounds");
    if (const TvnStyle* linked = definition->GetLinkedStyle()) {
      const int32_t linkedList =
          linked->GetParagraphProperties() ? linked->GetParagraphProperties()->GetNumberID() : kNoReference;
      if (linkedList != kNoReference && ATables.FindAbstractNumber(linkedList) != nullptr) {
        membership.number_id = linkedList;
      }
    } else {
      for (const auto& [index, level] : definition->GetNumberingLevels()) {
        if (level && level->GetStyleID() == AOwn.GetStyleID()) {
          membership.level = index;
          break;
        }
      }
    }
    membership.numbered = true;
  }
  if (!AHasChildren) membership.numbered = false;
  return membership;
}

NumberLabel AdvanceListNumber(int32_t ANumID, int32_t ALevel, const NumberingTables& ATables,
                              TvnNumberStateManager& AStates) {
  // Deeper levels of this list start again. Only this list's counters are
  // touched, and all of its deeper ones: a paragraph of another list in
  // between does not keep them running.
  for (const auto& [key, info] : AStates.GetNumberState()) {
    if (key.first == ANumID && key.second > ALevel) {
      AStates.UpdateLevelCurrentVal(ANumID, key.second, ListValueStep(info.GetStartVal(), -1));
    }
  }

  NumberLabel label;
  const TvnNumber* list = ATables.FindNumber(ANumID);
  label.level = list ? GetNumberLevel(list, ALevel, ATables) : nullptr;
  if (label.level != nullptr) {
    TvnNumberLevel& level = *label.level;
    if (level.GetNumberFormat() == TvnNumFmt::nfBullet) {
      label.text = level.GetLevelText();
    } else {
      level.SetLevelPlaceHolder(GetPlaceHolderText(level.GetLevelText(), ANumID, ATables, list, ALevel, AStates));
      int32_t value = level.GetStartValue();
      if (AStates.LevelAlreadyExists(ANumID, level.GetLevelValue())) {
        value = ListValueStep(AStates.GetLevelCurrentVal(ANumID, level.GetLevelValue()), 1);
      } else if (AStates.GetPrevNumberId() == ANumID && ALevel < AStates.GetPrevNumberLevel()) {
        // The list began deeper: the deeper labels already showed this
        // level's start value.
        value = ListValueStep(value, 1);
      }
      label.text =
          vn::StringReplaceAll(level.GetLevelPlaceHolder(), u"%s", ListValueText(level.GetNumberFormat(), value));
      AStates.UpdateLevelCurrentVal(ANumID, ALevel, value, level.GetStartValue());
    }
  }
  AStates.SetPrevNumberId(ANumID);
  AStates.SetPrevNumberLevel(ALevel);
  return label;
}

std::unique_ptr<TvnRun> MakeNumberLabelRun(const String& AText, std::shared_ptr<TvnRunProperties> ALabelFormat) {
  if (!ALabelFormat) ALabelFormat = std::make_shared<TvnRunProperties>();
  if (ALabelFormat->GetFontSize() == kUnsetValue) ALabelFormat->SetFontSize(10);
  auto font = std::make_shared<TvnFont>();
  font->SetName(ALabelFormat->GetFontName());
  font->SetSize(ALabelFormat->GetFontSize());
  font->SetStyle(ALabelFormat->GetFontStyle());
  ALabelFormat->SetFont(std::move(font));
  auto run = std::make_unique<TvnRun>();
  run->SetRunProperties(ALabelFormat);
  run->SetFinalRunProperties(ALabelFormat);
  run->Add(std::make_unique<TvnTextitem>(AText, ALabelFormat));
  return run;
}

}  // namespace vn::wordmodel
