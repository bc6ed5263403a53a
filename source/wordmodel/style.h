// A named style: paragraph and run formatting, the style it is based on,
// the linked and next styles, and the resolved copy the style resolver
// builds once and caches on it.
#pragma once

#include <cstdint>
#include <memory>

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

}  // namespace vn::wordmodel
