// Character formatting of a run (and of a paragraph mark): colour, fonts,
// size, styles, highlight, spacing, vertical alignment, and the marks of
// which properties a source gave explicitly, so that the style resolver can
// tell an explicit "off" from an absent value. A font size of 2147483647 is
// unset.
#pragma once

#include <cstdint>
#include <map>
#include <memory>

#include "runtime/containers.h"
#include "wordmodel/borders.h"
#include "wordmodel/word_types.h"

namespace vn::wordmodel {

class TvnStyle;

// Members of the explicitly-set marks of run properties (a set of numbers 0
// to 39); these are the members in use.
enum class TvnExplicitlySetValue : uint8_t {
  esvBold = 1,
  esvItalic = 2,
  esvUnderline = 4,
  esvTextColor = 8,
  esvFontSize = 16,
  esvStrikeOut = 32
};
using TvnExplicitlySetValues = vn::EnumSet<TvnExplicitlySetValue>;

// Fonts shared by resolved runs, keyed by font name and size; the document
// mediator owns the pools.
using TvnFontPool = std::map<String, std::unique_ptr<TvnFont>>;

class TvnRunProperties : public TObject {
 public:
  TvnRunProperties();
  ~TvnRunProperties() override;

  // Copies, in this order: AllCaps; ANSI; ASCII; brush colour and style;
  // CS; EastAsia; the explicitly-set marks; a new font copied from the
  // source's (a default font when the source has none); FontName through
  // its setter (so ANSI and ASCII end up equal to it); the font pool and
  // the second font (shared); FontSize; FontStyles; Hidden; the highlight
  // colour through its setter, then IsHighLightColor; InterCharSpace; Style
  // through its setter, then StyleID; Tab; TextAlignment; the underline
  // position and thickness; WordSpace; a copy of the run border when the
  // source has one. The style name (other than through Style), the
  // additional data and the three table references are not copied.
  void Assign(const TvnRunProperties* ASource, TvnRunProperties* ADest) const;
  std::unique_ptr<TvnRunProperties> Clone() const;

  // The text colour is the brush's colour (black when new).
  TvnBrush* GetBrush() { return &FBrush; }
  const TvnBrush* GetBrush() const { return &FBrush; }
  // Extra space between characters and between words; 0 means none.
  int32_t GetInterCharSpace() const { return FInterCharSpace; }
  void SetInterCharSpace(int32_t Value) { FInterCharSpace = Value; }
  int32_t GetWordSpace() const { return FWordSpace; }
  void SetWordSpace(int32_t Value) { FWordSpace = Value; }
  // The font the layout draws with (filled by the resolver). A null value
  // is not stored.
  TvnFont* GetFont() const { return FFont.get(); }
  void SetFont(std::shared_ptr<TvnFont> Value);
  const String& GetStyleID() const { return FStyleID; }
  void SetStyleID(const String& Value) { FStyleID = Value; }
  // The character style (borrowed from the style table); a style also gives
  // its identifier and name to the properties.
  TvnStyle* GetStyle() const { return FStyle; }
  void SetStyle(TvnStyle* Value);
  TvnTextAlignment GetTextAlignment() const { return FTextAlignment; }
  void SetTextAlignment(TvnTextAlignment Value) { FTextAlignment = Value; }
  // A second font reference, copied with the properties.
  const std::shared_ptr<TvnFont>& GetGDIFont() const { return FGDIFont; }
  void SetGDIFont(std::shared_ptr<TvnFont> Value) { FGDIFont = std::move(Value); }
  // The run holds a tab.
  bool GetTab() const { return FTab; }
  void SetTab(bool Value) { FTab = Value; }
  // The mediator's pool, borrowed.
  TvnFontPool* GetFontPool() const { return FFontPool; }
  void SetFontPool(TvnFontPool* Value) { FFontPool = Value; }
  TvnRGBColor GetHighLightColor() const { return FHighLightColor; }
  // Stores the colour and sets IsHighLightColor.
  void SetHighLightColor(TvnRGBColor Value);
  bool GetIsHighLightColor() const { return FIsHighLightColor; }
  void SetIsHighLightColor(bool Value) { FIsHighLightColor = Value; }
  int32_t GetUnderlinePosition() const { return FUnderlinePosition; }
  void SetUnderlinePosition(int32_t Value) { FUnderlinePosition = Value; }
  int32_t GetUnderlineThickness() const { return FUnderlineThickness; }
  void SetUnderlineThickness(int32_t Value) { FUnderlineThickness = Value; }
  bool GetCaps() const { return FAllCaps; }
  void SetCaps(bool Value) { FAllCaps = Value; }
  // Points.
  int32_t GetFontSize() const { return FFontSize; }
  void SetFontSize(int32_t Value) { FFontSize = Value; }
  const String& GetFontName() const { return FFontName; }
  // Stores the name as the font name, the ANSI and the ASCII font alike.
  void SetFontName(const String& Value);
  TvnFontStyles GetFontStyle() const { return FFontStyles; }
  void SetFontStyle(TvnFontStyles Value) { FFontStyles = Value; }
  // Font names for basic Latin, other 8-bit text, complex scripts and East
  // Asian text.
  const String& GetASCII() const { return FASCII; }
  void SetASCII(const String& Value) { FASCII = Value; }
  const String& GetANSI() const { return FANSI; }
  void SetANSI(const String& Value) { FANSI = Value; }
  const String& GetCS() const { return FCS; }
  void SetCS(const String& Value) { FCS = Value; }
  const String& GetEastAsia() const { return FEastAsia; }
  void SetEastAsia(const String& Value) { FEastAsia = Value; }
  TvnExplicitlySetValues GetExplicitlySetVal() const { return FExplicitlySetVal; }
  void SetExplicitlySetVal(TvnExplicitlySetValues Value) { FExplicitlySetVal = Value; }
  bool GetHidden() const { return FHidden; }
  void SetHidden(bool Value) { FHidden = Value; }
  const String& GetStyleName() const { return FStyleName; }
  void SetStyleName(const String& Value) { FStyleName = Value; }
  // A border around the run's text; null for none.
  TvnBorder* GetRunBorder() const { return FRunBorder.get(); }
  void SetRunBorder(std::unique_ptr<TvnBorder> Value) { FRunBorder = std::move(Value); }
  // Reader-specific data, kept alive as long as the properties hold it.
  const std::shared_ptr<TObject>& GetAdditionalInfo() const { return FAdditionalInfo; }
  void SetAdditionalInfo(std::shared_ptr<TObject> Value) { FAdditionalInfo = std::move(Value); }
  // Indexes into the RTF font and colour tables; -1 for none.
  int32_t GetFontreference() const { return FFontreference; }
  void SetFontreference(int32_t Value) { FFontreference = Value; }
  int32_t GetColorReference() const { return FColorReference; }
  void SetColorReference(int32_t Value) { FColorReference = Value; }
  int32_t GetHighlightColorReference() const { return FHighlightColorReference; }
  void SetHighlightColorReference(int32_t Value) { FHighlightColorReference = Value; }

 private:
  TvnBrush FBrush;
  int32_t FInterCharSpace = 0;
  int32_t FWordSpace = 0;
  std::shared_ptr<TvnFont> FFont;
  String FStyleID;
  TvnStyle* FStyle = nullptr;
  TvnTextAlignment FTextAlignment = TvnTextAlignment::taBaseline;
  std::shared_ptr<TvnFont> FGDIFont;
  bool FTab = false;
  TvnFontPool* FFontPool = nullptr;
  TvnRGBColor FHighLightColor;
  bool FIsHighLightColor = false;
  int32_t FUnderlinePosition = 0;
  int32_t FUnderlineThickness = 0;
  bool FAllCaps = false;
  int32_t FFontSize = kUnsetValue;
  String FFontName;
  TvnFontStyles FFontStyles;
  String FASCII;
  String FANSI;
  String FCS;
  String FEastAsia;
  TvnExplicitlySetValues FExplicitlySetVal;
  bool FHidden = false;
  String FStyleName;
  std::unique_ptr<TvnBorder> FRunBorder;
  std::shared_ptr<TObject> FAdditionalInfo;
  int32_t FFontreference = kNoReference;
  int32_t FColorReference = kNoReference;
  int32_t FHighlightColorReference = kNoReference;
};

}  // namespace vn::wordmodel
