// The output device that turns a page into positioned text: one text
// element per text-showing operator (Tj, ', " and a whole TJ array), its
// text in Unicode, a description of its font, and one rectangle per
// character: the bounds of the glyph outline as the page places it,
// widened on a horizontal line to span the character's advance.
//
// Device space is the page's: the state's CTM followed by a flip, so the
// origin is the top-left corner of the page, y grows downwards and the unit
// is one pixel at the display's resolution (one point at 72 dpi).
//
// Unicode: the character code as shown, through the font's ToUnicode map
// (every code but the one-byte 32, which is a space), else through the
// glyph name of the code's encoding, else through the character
// collection's Unicode map of a composite font, else the code itself (a
// control character U+FFFD instead); a Latin ligature (U+FB00 .. U+FB06)
// becomes its letters.
// Composite fonts are decoded through their CMaps. Glyph outlines come from
// the embedded font program, or from the installed font that matches the
// font's name and style; a character without an outline (invisible text,
// a blank, a font that cannot be read) gets a substitute box 3.6 wide and 7
// high.
//
// Ownership: the elements and their rectangles go into the holder given
// with SetTextItems, which the caller owns and which outlives the device.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "framework/page_model.h"
#include "pdfdocument/pd_export_device.h"
#include "pdfdocument/pdf_document.h"

namespace vn::pdfdoc {

class TvnPDFont;

class TvnPDFContentExtractor : public TvnPDExportDevice {
 public:
  // A glyph outline flattened to points, in glyph space for a font size of
  // 1 (y up).
  struct GlyphPoint {
    double X = 0;
    double Y = 0;
  };
  using GlyphPoints = std::vector<GlyphPoint>;

  TvnPDFContentExtractor();
  ~TvnPDFContentExtractor() override;

  // Where the elements go (borrowed); set before the page display.
  void SetTextItems(TvnPageTextElements* AItems) { FTextItems = AItems; }
  TvnPageTextElements* TextItems() const { return FTextItems; }
  // Closes the last element and returns every element made so far, in
  // order; the list does not own them.
  std::vector<vn::framework::TvnDocItem*> GetPageElements();

  // The font name an element carries: the PDF font's name without the
  // subset prefix (up to the first "+"), without "," and "-", and without
  // the first "PS", "MT", "Bold" and "Italic".
  static vn::String CleanFontName(const std::string& AName);

  bool CheckPageSlice(vn::pdf::TvnObject* APage, double AhDPI, double AvDPI, int ARotate, bool AUseMediaBox,
                      bool ACrop, double ASliceX, double ASliceY, double ASliceW, double ASliceH) override;
  void StartPage(int AnPage, TvnPDState& AState) override;
  void EndPage() override;
  void BeginStringOp(TvnPDState& AState) override;
  void BeginString(TvnPDState& AState, const std::string& AStr) override;
  void EndString(TvnPDState& AState) override;
  void DrawChar(TvnPDState& AState, double AX, double AY, double ADx, double ADy, uint16_t ACode,
                const std::string& ACharName) override;
  bool BeginType3Char(TvnPDState& AState, double AX, double AY, double ADx, double ADy, uint16_t ACode,
                      const TvnUnicodes& AUnicode, int ALen) override;
  // Runs the form's content, so text drawn inside forms (whole pages of
  // some producers, annotation appearances) is extracted too.
  void DrawFormXObject(TvnPDState& AState, TvnPDForm* AForm) override;

 private:
  // One code of the string being shown: its bytes as a number, how many
  // bytes it took, its glyph name and the CID of a composite font.
  struct ShownCode {
    int64_t Code = 0;
    int Bytes = 1;
    std::string Name;
  };

  // The character's text: what the maps give, a Latin ligature of the
  // presentation forms as its letters.
  std::u16string UnicodeOf(TvnPDFont& AFont, const ShownCode& AShown, uint16_t ADeviceCode) const;
  std::u16string MappedUnicode(TvnPDFont& AFont, const ShownCode& AShown, uint16_t ADeviceCode) const;
  // The glyph outline of the character (cached), null without one.
  const GlyphPoints* Outline(TvnPDFont& AFont, uint16_t ADeviceCode, const std::string& AName,
                             const std::u16string& AText);
  const GlyphPoints* EmbeddedOutline(TvnPDFont& AFont, uint16_t ADeviceCode, const std::string& AName);
  const GlyphPoints* InstalledOutline(TvnPDFont& AFont, char32_t AChar);
  void CloseElement();
  std::unique_ptr<vn::framework::TvnFont> MakeFont(const TvnPDState& AState) const;
  vn::wordmodel::TvnRectF* NewRect(double AX, double AY, double AWidth, double AHeight);

  TvnPageTextElements* FTextItems = nullptr;  // not owned
  double FPageHeight = 0;
  std::vector<ShownCode> FShown;
  size_t FShownNext = 0;
  bool FSingleString = true;
  // Outlines by font, code and name; an empty list stands for no outline.
  std::map<std::tuple<const TvnPDFont*, uint32_t, std::string>, GlyphPoints> FOutlines;
};

}  // namespace vn::pdfdoc
