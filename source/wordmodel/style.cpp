#include "wordmodel/style.h"

#include "wordmodel/style_resolver.h"

namespace vn::wordmodel {

TvnStyle::TvnStyle(const String& AStyleID) : FStyleID(AStyleID) {}

TvnStyle::TvnStyle(std::shared_ptr<TvnParagraphProperties> AParagraphProperties)
    : FParagraphProperties(std::move(AParagraphProperties)) {}

TvnStyle::TvnStyle(std::shared_ptr<TvnRunProperties> ARunProperties) : FRunProperties(std::move(ARunProperties)) {}

TvnStyle::~TvnStyle() = default;

void TvnStyle::Assign(const TvnStyle* ASource, TvnStyle* ADest) const {
  if (ASource == nullptr || ADest == nullptr || ASource == ADest) return;
  if (ASource->FParagraphProperties) ADest->FParagraphProperties = ASource->FParagraphProperties->Clone();
  if (ASource->FRunProperties) ADest->FRunProperties = ASource->FRunProperties->Clone();
  ADest->FBasedOn = ASource->FBasedOn;
  ADest->FDefaultStyle = ASource->FDefaultStyle;
  ADest->FLink = ASource->FLink;
  ADest->FNext = ASource->FNext;
  ADest->FStyleID = ASource->FStyleID;
  ADest->FStyleName = ASource->FStyleName;
  ADest->FStyleType = ASource->FStyleType;
}

std::unique_ptr<TvnStyle> TvnStyle::Clone() const {
  auto copy = std::make_unique<TvnStyle>(FStyleID);
  copy->Assign(this, copy.get());
  return copy;
}

// ---------------------------------------------------------------------------
// TvnStyles

TvnStyles::TvnStyles() = default;
TvnStyles::~TvnStyles() = default;

TvnStyle* TvnStyles::Add(std::unique_ptr<TvnStyle> AStyle) {
  if (!AStyle) return nullptr;
  TvnStyle* style = AStyle.get();
  String id = style->GetStyleID();
  if (!FStyles.Insert(std::move(id), std::move(AStyle))) return nullptr;
  return style;
}

std::unique_ptr<TvnStyle> TvnStyles::Remove(const String& AStyleID) {
  auto* entry = FStyles.Find(AStyleID);
  if (entry == nullptr) throw vn::EListError("Item not found");
  std::unique_ptr<TvnStyle> style = std::move(*entry);
  FStyles.Erase(AStyleID);
  return style;
}

std::unique_ptr<TvnStyle> TvnStyles::Update(const String& AStyleID, std::unique_ptr<TvnStyle> AStyle) {
  std::unique_ptr<TvnStyle> old;
  if (FStyles.Contains(AStyleID)) old = TvnStyles::Remove(AStyleID);
  TvnStyles::Add(std::move(AStyle));
  return old;
}

std::vector<TvnStyle*> TvnStyles::GetEnumerator() const {
  std::vector<TvnStyle*> list;
  list.reserve(FStyles.size());
  for (const auto& [id, style] : FStyles) list.push_back(style.get());
  return list;
}

TvnStyle* TvnStyles::Find(const String& AStyleID) const {
  const auto* entry = FStyles.Find(AStyleID);
  return entry ? entry->get() : nullptr;
}

// ---------------------------------------------------------------------------
// TvnWordStyles

TvnWordStyles::TvnWordStyles() : FstylesPropertyUpdater(std::make_unique<TvnStylePropertyUpdater>(this)) {}

TvnWordStyles::~TvnWordStyles() {
  // The resolver's cached state refers to the styles; it goes first.
  FstylesPropertyUpdater.reset();
}

TvnWordStyles::StyleMap* TvnWordStyles::TypeDictionary(TvnStyleType AType) {
  switch (AType) {
    case TvnStyleType::stParagraph:
      return &FParagraphStyles;
    case TvnStyleType::stCharecter:
      return &FCharStyles;
    case TvnStyleType::stTable:
      return &FTableStyles;
    case TvnStyleType::stNumbering:
      return &FNumStyles;
    case TvnStyleType::stLinked:
      break;
  }
  return nullptr;
}

TvnStyle* TvnWordStyles::Add(std::unique_ptr<TvnStyle> AStyle) {
  TvnStyle* style = TvnStyles::Add(std::move(AStyle));
  if (style == nullptr) return nullptr;
  if (!style->GetStyleName().empty()) FPrimaryStyleNameToIDMapping.emplace(style->GetStyleName(), style->GetStyleID());
  if (StyleMap* byType = TypeDictionary(style->GetStyleType())) {
    if (!byType->emplace(style->GetStyleID(), style).second) return style;
  }
  if (style->GetDefaultStyle()) FDefaultStyles.emplace(style->GetStyleType(), style);
  return style;
}

std::unique_ptr<TvnStyle> TvnWordStyles::Remove(const String& AStyleID) {
  if (!FStyles.Contains(AStyleID)) return nullptr;
  std::unique_ptr<TvnStyle> style = TvnStyles::Remove(AStyleID);
  if (StyleMap* byType = TypeDictionary(style->GetStyleType())) {
    auto it = byType->find(AStyleID);
    if (it != byType->end() && it->second == style.get()) byType->erase(it);
  }
  auto def = FDefaultStyles.find(style->GetStyleType());
  if (def != FDefaultStyles.end() && def->second == style.get()) FDefaultStyles.erase(def);
  return style;
}

std::unique_ptr<TvnStyle> TvnWordStyles::Update(const String& AStyleID, std::unique_ptr<TvnStyle> AStyle) {
  std::unique_ptr<TvnStyle> old = Remove(AStyleID);
  Add(std::move(AStyle));
  return old;
}

bool TvnWordStyles::StyleExists(const String& AStyleID) const {
  return FStyles.Contains(AStyleID) || FParagraphStyles.count(AStyleID) != 0 || FCharStyles.count(AStyleID) != 0 ||
         FNumStyles.count(AStyleID) != 0;
}

TvnStyleList TvnWordStyles::ClearAllStyles() {
  TvnStyleList styles;
  styles.reserve(FStyles.size());
  for (auto& [id, style] : FStyles) styles.push_back(std::move(style));
  FStyles.Clear();
  FParagraphStyles.clear();
  FCharStyles.clear();
  FNumStyles.clear();
  FTableStyles.clear();
  FDefaultStyles.clear();
  return styles;
}

std::unique_ptr<TvnWordStyles> TvnWordStyles::Clone() const {
  auto copy = std::make_unique<TvnWordStyles>();
  for (const auto& [id, style] : FStyles) copy->Add(style->Clone());
  if (FDocDefaultParagraphProp) copy->FDocDefaultParagraphProp = FDocDefaultParagraphProp->Clone();
  if (FdocDefaultRunProp) copy->FdocDefaultRunProp = FdocDefaultRunProp->Clone();
  return copy;
}

TvnStyle* TvnWordStyles::GetDefaultStyle(TvnStyleType AType) const {
  auto it = FDefaultStyles.find(AType);
  return it == FDefaultStyles.end() ? nullptr : it->second;
}

}  // namespace vn::wordmodel
