// A named style: paragraph and run formatting, the style it is based on,
// the linked and next styles, and the resolved copy the style resolver
// builds once and caches on it. The style table TvnWordStyles owns every
// style registered in it, keeps them by type and by display name, holds the
// document defaults and owns the resolver (style_resolver.h).
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "runtime/containers.h"

#include "wordmodel/paragraph_properties.h"
#include "wordmodel/run_properties.h"
#include "wordmodel/word_types.h"

namespace vn::wordmodel {

enum class TvnStyleType : uint8_t { stParagraph, stCharecter, stLinked, stTable, stNumbering };

class TvnStyle : public TObject {
 public:
  explicit TvnStyle(const String& AStyleID = String());
  // A style without identifier holding the given properties.
  explicit TvnStyle(std::shared_ptr<TvnParagraphProperties> AParagraphProperties);
  explicit TvnStyle(std::shared_ptr<TvnRunProperties> ARunProperties);
  ~TvnStyle() override;

  // Copies of the source's paragraph and run properties when it has them;
  // BasedOn, DefaultStyle, Link, Next, StyleID, StyleName and StyleType. The
  // colours and the resolved copy are not copied.
  virtual void Assign(const TvnStyle* ASource, TvnStyle* ADest) const;
  // A style of this class with the same identifier, assigned from this one.
  virtual std::unique_ptr<TvnStyle> Clone() const;

  // The key by which everything refers to the style.
  const String& GetStyleID() const { return FStyleID; }
  void SetStyleID(const String& Value) { FStyleID = Value; }
  const std::shared_ptr<TvnParagraphProperties>& GetParagraphProperties() const { return FParagraphProperties; }
  void SetParagraphProperties(std::shared_ptr<TvnParagraphProperties> Value) {
    FParagraphProperties = std::move(Value);
  }
  // Identifier of the linked style.
  const String& GetLink() const { return FLink; }
  void SetLink(const String& Value) { FLink = Value; }
  // The default style of its type.
  bool GetDefaultStyle() const { return FDefaultStyle; }
  void SetDefaultStyle(bool Value) { FDefaultStyle = Value; }
  // Identifier of the parent style; empty for a root.
  const String& GetBasedOn() const { return FBasedOn; }
  void SetBasedOn(const String& Value) { FBasedOn = Value; }
  TvnRGBColor GetColor() const { return FColor; }
  void SetColor(TvnRGBColor Value) { FColor = Value; }
  const std::shared_ptr<TvnRunProperties>& GetRunProperties() const { return FRunProperties; }
  void SetRunProperties(std::shared_ptr<TvnRunProperties> Value) { FRunProperties = std::move(Value); }
  // The resolved copy of this style; null until the resolver builds it.
  TvnStyle* GetConstructedStyle() const { return FConstructedStyle.get(); }
  void SetConstructedStyle(std::unique_ptr<TvnStyle> Value) { FConstructedStyle = std::move(Value); }
  TvnRGBColor GetBackGroundColor() const { return FBackGroundColor; }
  void SetBackGroundColor(TvnRGBColor Value) { FBackGroundColor = Value; }
  // The display name.
  const String& GetStyleName() const { return FStyleName; }
  void SetStyleName(const String& Value) { FStyleName = Value; }
  // Identifier of the style of the following paragraph.
  const String& GetNext() const { return FNext; }
  void SetNext(const String& Value) { FNext = Value; }
  TvnStyleType GetStyleType() const { return FStyleType; }
  void SetStyleType(TvnStyleType Value) { FStyleType = Value; }

 private:
  String FStyleID;
  std::shared_ptr<TvnParagraphProperties> FParagraphProperties;
  String FLink;
  bool FDefaultStyle = false;
  String FBasedOn;
  TvnRGBColor FColor;
  std::shared_ptr<TvnRunProperties> FRunProperties;
  std::unique_ptr<TvnStyle> FConstructedStyle;
  TvnRGBColor FBackGroundColor;
  String FStyleName;
  String FNext;
  TvnStyleType FStyleType = TvnStyleType::stParagraph;
};

using TvnStyleList = std::vector<std::unique_ptr<TvnStyle>>;

// Styles by identifier. The table owns them.
class TvnStyles : public TObject {
 public:
  TvnStyles();
  ~TvnStyles() override;
  TvnStyles(const TvnStyles&) = delete;
  TvnStyles& operator=(const TvnStyles&) = delete;

  // Takes the style; null and a style whose identifier is already present
  // are refused (a refused style is freed). Answers the style now held, or
  // null.
  virtual TvnStyle* Add(std::unique_ptr<TvnStyle> AStyle);
  // Takes the style out and hands it to the caller; EListError "Item not
  // found" when absent.
  virtual std::unique_ptr<TvnStyle> Remove(const String& AStyleID);
  // Removes the entry AStyleID and adds AStyle; answers the style removed
  // (null when there was none), which the caller now owns.
  virtual std::unique_ptr<TvnStyle> Update(const String& AStyleID, std::unique_ptr<TvnStyle> AStyle);
  int32_t GetCount() const { return static_cast<int32_t>(FStyles.size()); }
  // Every style in registration order; the table keeps them.
  std::vector<TvnStyle*> GetEnumerator() const;
  // Null when absent.
  TvnStyle* Find(const String& AStyleID) const;

 protected:
  vn::OrderedMap<String, std::unique_ptr<TvnStyle>> FStyles;
};

class TvnStylePropertyUpdater;

// The document's style table: styles by type, the default style of each
// type, display names to identifiers, the document defaults and the
// resolver. The type dictionaries borrow the styles the base table owns.
class TvnWordStyles : public TvnStyles {
 public:
  using StyleMap = std::map<String, TvnStyle*>;

  TvnWordStyles();
  ~TvnWordStyles() override;

  // Registers the style: in the base table; its display name, when not yet
  // mapped (the first registration wins); by type (a linked style goes only
  // into the base table); and, when DefaultStyle is set and no default of
  // its type exists, as that default. An identifier already present stops
  // the registration at that point without an error; a style the base table
  // refuses is not registered anywhere else (and is freed).
  TvnStyle* Add(std::unique_ptr<TvnStyle> AStyle) override;
  // Takes the style out of every dictionary; null when absent.
  std::unique_ptr<TvnStyle> Remove(const String& AStyleID) override;
  // Replaces the style in the base table, its type dictionary and, for a
  // default style, the defaults; answers the style replaced.
  std::unique_ptr<TvnStyle> Update(const String& AStyleID, std::unique_ptr<TvnStyle> AStyle) override;
  // In the base table, or in the paragraph, character or numbering styles.
  bool StyleExists(const String& AStyleID) const;
  // Empties every dictionary and hands the styles to the caller.
  TvnStyleList ClearAllStyles();
  // A new table holding copies of every style (registered with Add) and of
  // the document defaults, with a resolver of its own.
  std::unique_ptr<TvnWordStyles> Clone() const;

  const StyleMap& GetParagraphStyles() const { return FParagraphStyles; }
  const StyleMap& GetCharStyles() const { return FCharStyles; }
  const StyleMap& GetNumrStyles() const { return FNumStyles; }
  const StyleMap& GetTableStyles() const { return FTableStyles; }
  const std::map<TvnStyleType, TvnStyle*>& GetDefaultStyles() const { return FDefaultStyles; }
  // Null when there is no default of that type.
  TvnStyle* GetDefaultStyle(TvnStyleType AType) const;
  // Display name to identifier.
  const std::map<String, String>& GetStyleNameToIDMapper() const { return FPrimaryStyleNameToIDMapping; }
  // The document defaults; null when the document gives none.
  const std::shared_ptr<TvnParagraphProperties>& GetDocDefaultParagraphProperty() const {
    return FDocDefaultParagraphProp;
  }
  void SetDocDefaultParagraphProperty(std::shared_ptr<TvnParagraphProperties> Value) {
    FDocDefaultParagraphProp = std::move(Value);
  }
  const std::shared_ptr<TvnRunProperties>& GetDocDefaultRunProperty() const { return FdocDefaultRunProp; }
  void SetDocDefaultRunProperty(std::shared_ptr<TvnRunProperties> Value) { FdocDefaultRunProp = std::move(Value); }
  TvnStylePropertyUpdater* GetStylePropertyUpdater() const { return FstylesPropertyUpdater.get(); }

 private:
  StyleMap* TypeDictionary(TvnStyleType AType);

  StyleMap FParagraphStyles;
  StyleMap FCharStyles;
  StyleMap FNumStyles;
  StyleMap FTableStyles;
  std::map<TvnStyleType, TvnStyle*> FDefaultStyles;
  std::map<String, String> FPrimaryStyleNameToIDMapping;
  std::shared_ptr<TvnParagraphProperties> FDocDefaultParagraphProp;
  std::shared_ptr<TvnRunProperties> FdocDefaultRunProp;
  std::unique_ptr<TvnStylePropertyUpdater> FstylesPropertyUpdater;
};

}  // namespace vn::wordmodel
