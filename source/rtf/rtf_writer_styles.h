// The RTF writer's named styles and the one style manager of the process:
// every RTF header takes a reference on it, so headers and documents alive
// at the same time share one list; the last reference frees the styles. GUI
// thread only: the count is not guarded.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/canvas/canvas.h"

namespace vn::rtf::writer {

// The window system's font as the writer uses it: face, size in points,
// character set and style.
struct WriterFont {
  std::u16string Name = u"Arial";
  int32_t Size = 10;
  uint8_t Charset = 1;  // DEFAULT_CHARSET
  bool Bold = false;
  bool Italic = false;
  bool Underline = false;
  bool StrikeOut = false;
  bool operator==(const WriterFont&) const = default;
};

enum class TvnStyleType { stHeading1, stHeading2, stNormal, stTitle, stCustom };

class TvnStyle {
 public:
  std::string StyleID;  // "s" and a number, given when the manager inserts it
  platform::Color Color = 0;
  WriterFont Font;
  TvnStyleType StyleType = TvnStyleType::stCustom;
  std::string StyleName;  // 8-bit text
};

using TvnStyles = std::vector<std::unique_ptr<TvnStyle>>;

class TvnStyleManager {
 public:
  // The process's one manager, with one more reference on it.
  static TvnStyleManager* Create();
  // Drops one reference; the last one frees the manager and its styles, so
  // the next Create starts empty.
  void Release();
  int32_t RefCount() const { return FRefCount; }

  // The index of the first style named AStyleName (case-sensitive), else of
  // a new style with a copy of the font and a fresh ID.
  int32_t InsertStyle(const WriterFont& AFont, platform::Color AColor, TvnStyleType AStyleType,
                      const std::string& AStyleName);
  // Appends a copy of AStyle (its ID included); answers its index.
  int32_t InsertStyle(const TvnStyle& AStyle);
  // Removes the style at Index; an index out of range changes nothing.
  void Delete(int32_t Index);
  void Clear();

  int32_t StylesCount() const { return static_cast<int32_t>(FStylesList.size()); }
  const TvnStyles& GetStyles() const { return FStylesList; }
  // Nothing for an index out of range.
  TvnStyle* GetStyle(int32_t Index) const;
  TvnStyle* GetStyle(const std::string& AStyleName) const;
  int32_t GetStyleIndex(const std::string& AStyleName) const;
  void GetStylesByColor(platform::Color AStyleColor, std::vector<TvnStyle*>& AList) const;
  // Same face name (case-sensitive), size and character set.
  void GetStylesByFont(const WriterFont& AFont, std::vector<TvnStyle*>& AList) const;
  void GetStylesByFontName(const std::u16string& AFontName, std::vector<TvnStyle*>& AList) const;
  int32_t LoadFromFile(const std::string&) { return 0; }
  int32_t SaveToFile(const std::string&) { return 0; }

 private:
  TvnStyleManager() = default;
  std::string NextStyleID() const;

  TvnStyles FStylesList;
  int32_t FRefCount = 0;
};

// A reference on the style manager for as long as the holder lives.
class StyleManagerReference {
 public:
  StyleManagerReference() : FManager(TvnStyleManager::Create()) {}
  ~StyleManagerReference() { FManager->Release(); }
  StyleManagerReference(const StyleManagerReference&) = delete;
  StyleManagerReference& operator=(const StyleManagerReference&) = delete;
  TvnStyleManager& operator*() const { return *FManager; }
  TvnStyleManager* operator->() const { return FManager; }

 private:
  TvnStyleManager* FManager;
};

}  // namespace vn::rtf::writer
