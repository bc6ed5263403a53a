#include "rtf/rtf_writer_styles.h"

#include <algorithm>
#include <charconv>

namespace vn::rtf::writer {

namespace {

TvnStyleManager* gStyleManager = nullptr;

// The number of an ID "sN", -1 for any other text.
int32_t StyleNumber(const std::string& AStyleID) {
  int32_t number = -1;
  if (AStyleID.size() < 2 || AStyleID[0] != 's') return -1;
  const auto [end, error] = std::from_chars(AStyleID.data() + 1, AStyleID.data() + AStyleID.size(), number);
  return error == std::errc() && end == AStyleID.data() + AStyleID.size() ? number : -1;
}

}  // namespace

TvnStyleManager* TvnStyleManager::Create() {
  if (gStyleManager == nullptr) gStyleManager = new TvnStyleManager();
  ++gStyleManager->FRefCount;
  return gStyleManager;
}

void TvnStyleManager::Release() {
  if (--FRefCount > 0) return;
  if (gStyleManager == this) gStyleManager = nullptr;
  delete this;
}

// "s" + (count + 11); when a deletion left that number in use, the next one
// above every number in use, so that no two styles of the sheet share one.
std::string TvnStyleManager::NextStyleID() const {
  int32_t number = StylesCount() + 11;
  int32_t highest = -1;
  for (const auto& style : FStylesList) highest = std::max(highest, StyleNumber(style->StyleID));
  const bool taken = std::any_of(FStylesList.begin(), FStylesList.end(),
                                 [&](const auto& style) { return StyleNumber(style->StyleID) == number; });
  if (taken) number = highest + 1;
  return "s" + std::to_string(number);
}

int32_t TvnStyleManager::InsertStyle(const WriterFont& AFont, platform::Color AColor, TvnStyleType AStyleType,
                                     const std::string& AStyleName) {
  const int32_t existing = GetStyleIndex(AStyleName);
  if (existing >= 0) return existing;
  auto style = std::make_unique<TvnStyle>();
  style->Font = AFont;
  style->Color = AColor;
  style->StyleType = AStyleType;
  style->StyleName = AStyleName;
  style->StyleID = NextStyleID();
  FStylesList.push_back(std::move(style));
  return StylesCount() - 1;
}

int32_t TvnStyleManager::InsertStyle(const TvnStyle& AStyle) {
  FStylesList.push_back(std::make_unique<TvnStyle>(AStyle));
  return StylesCount() - 1;
}

void TvnStyleManager::Delete(int32_t Index) {
  if (Index >= 0 && Index < StylesCount()) FStylesList.erase(FStylesList.begin() + Index);
}

void TvnStyleManager::Clear() { FStylesList.clear(); }

TvnStyle* TvnStyleManager::GetStyle(int32_t Index) const {
  return Index >= 0 && Index < StylesCount() ? FStylesList[static_cast<size_t>(Index)].get() : nullptr;
}

TvnStyle* TvnStyleManager::GetStyle(const std::string& AStyleName) const { return GetStyle(GetStyleIndex(AStyleName)); }

int32_t TvnStyleManager::GetStyleIndex(const std::string& AStyleName) const {
  for (size_t i = 0; i < FStylesList.size(); ++i)
    if (FStylesList[i]->StyleName == AStyleName) return static_cast<int32_t>(i);
  return -1;
}

void TvnStyleManager::GetStylesByColor(platform::Color AStyleColor, std::vector<TvnStyle*>& AList) const {
  for (const auto& style : FStylesList)
    if (style->Color == AStyleColor) AList.push_back(style.get());
}

void TvnStyleManager::GetStylesByFont(const WriterFont& AFont, std::vector<TvnStyle*>& AList) const {
  for (const auto& style : FStylesList)
    if (style->Font.Name == AFont.Name && style->Font.Size == AFont.Size && style->Font.Charset == AFont.Charset)
      AList.push_back(style.get());
}

void TvnStyleManager::GetStylesByFontName(const std::u16string& AFontName, std::vector<TvnStyle*>& AList) const {
  for (const auto& style : FStylesList)
    if (style->Font.Name == AFontName) AList.push_back(style.get());
}

}  // namespace vn::rtf::writer
