// A piece of text of a run, drawn with the run's final formatting.
#pragma once

#include <cstdint>
#include <memory>

#include "wordmodel/run_properties.h"
#include "wordmodel/vector_graphics.h"
#include "wordmodel/word_types.h"

namespace vn::wordmodel {

class TvnTextitem : public TvnDocItem {
 public:
  TvnTextitem();
  // The text with the formatting to draw it with (shared with the run).
  TvnTextitem(const String& AString, std::shared_ptr<TvnRunProperties> ARunProperties);
  ~TvnTextitem() override;

  // A copy with its own copy of the run properties, its own underline line
  // and a copy of the tag associated with the copy.
  std::unique_ptr<TvnDocItem> Clone() const override;
  // Draws the text at the top-left of the item's box: text colour from the
  // run's brush, highlight behind it when the run has one, the run's font
  // (Arial 10 is given to a run without font). Raised and lowered text is
  // drawn at the font size divided by 1.5 (rounded, halves to even) and
  // shifted right by the pixel gap. With DrawUnderlineAsALine the font's
  // underline is left out and the Underline line drawn instead. The font is
  // restored afterwards, and the canvas keeps none of the item's objects.
  void Draw(TvnBaseCanvas* ACanvas) override;

  const String& GetText() const { return FText; }
  void SetText(const String& Value) { FText = Value; }
  // The text as the layout measured it.
  const String& GetActualString() const { return FActualString; }
  void SetActualString(const String& Value) { FActualString = Value; }
  // The layout must measure again.
  bool GetNeedRecalculation() const { return FNeedRecalculation; }
  void SetNeedRecalculation(bool Value) { FNeedRecalculation = Value; }
  // The underline is drawn as a separate line instead of by the font.
  bool GetDrawUnderlineAsALine() const { return FDrawUnderlineAsALine; }
  void SetDrawUnderlineAsALine(bool Value) { FDrawUnderlineAsALine = Value; }
  bool GetPreserveSpaces() const { return FPreserveSpaces; }
  void SetPreserveSpaces(bool Value) { FPreserveSpaces = Value; }
  // Horizontal shift of raised or lowered text.
  int32_t GetPixelGapForSuperscriptAndSubscript() const { return FPixelGapForSuperscriptAndSubscript; }
  void SetPixelGapForSuperscriptAndSubscript(int32_t Value) { FPixelGapForSuperscriptAndSubscript = Value; }
  int32_t GetBaseLineOffset() const { return FbaseLineOffset; }
  void SetBaseLineOffset(int32_t Value) { FbaseLineOffset = Value; }
  const std::shared_ptr<TvnRunProperties>& GetRunProperties() const { return FRunProperties; }
  void SetRunProperties(std::shared_ptr<TvnRunProperties> Value) { FRunProperties = std::move(Value); }
  // The underline line; null for none.
  TvnLine* GetUnderline() const { return Fline.get(); }
  void SetUnderline(std::unique_ptr<TvnLine> Value) { Fline = std::move(Value); }

 private:
  String FText;
  String FActualString;
  bool FNeedRecalculation = true;
  bool FDrawUnderlineAsALine = false;
  bool FPreserveSpaces = false;
  int32_t FPixelGapForSuperscriptAndSubscript = 1;
  int32_t FbaseLineOffset = 0;
  std::shared_ptr<TvnRunProperties> FRunProperties;
  std::unique_ptr<TvnLine> Fline;
};

}  // namespace vn::wordmodel
