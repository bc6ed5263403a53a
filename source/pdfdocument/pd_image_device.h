// The rendering device: the output device that turns an interpreted PDF page
// into drawing calls of a fractional Graphics (a metafile recorder or a
// raster surface). Paths, glyphs, images, forms, tiling patterns and
// shadings are drawn as the interpreter reports them; the device keeps no
// transform of its own but maps every drawing through the state's CTM onto
// a page whose y points down.
//
// Glyphs become paths: embedded font programs through the font processor,
// other fonts through the installed font their cleaned name finds (with a
// fallback by the font's serif and fixed-pitch flags). Images are decoded
// to bitmaps with their stencil, explicit, colour-key or soft masks as
// alpha. The Graphics is borrowed for the device's life.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "pdfdocument/font_processor.h"
#include "pdfdocument/pd_export_device.h"
#include "platform/graphics/graphics.h"

namespace vn::pdfdoc {

class TvnPDPattern;
class TvnPDTilingPattern;
class TvnPDShaddingPattern;
struct TvnSoftMask;

class TvnPDImageDevice : public TvnPDExportDevice {
 public:
  // Tiling cells drawn for one fill at most; a finer pattern is filled with
  // its cells up to this count only.
  static constexpr int64_t kMaxPatternCells = 4096;
  // Images are decoded to at most this many pixels (larger ones are
  // sampled down while decoding).
  static constexpr int64_t kMaxImagePixels = int64_t{16} << 20;
  // Transparency groups and soft-masked objects nested deeper than this
  // are drawn straight onto what holds them.
  static constexpr int kMaxLayerDepth = 8;
  // Filled glyphs whose face box is at most this many device pixels tall
  // are placed on quarter pixels across, taller ones on whole pixels.
  static constexpr double kFineGlyphHeight = 48;

  TvnPDImageDevice(vn::platform::gfx::Graphics& AGraphics, bool AAllowAntiAlias);
  ~TvnPDImageDevice() override;

  bool TransparantBackground() const { return FTransparantBackground; }
  void SetTransparantBackground(bool AValue) { FTransparantBackground = AValue; }

  bool CheckPageSlice(vn::pdf::TvnObject*, double, double, int, bool, bool, double, double, double,
                      double) override {
    return true;
  }
  void StartPage(int AnPage, TvnPDState& AState) override;
  void EndPage() override;
  void SaveState(TvnPDState& AState) override;
  void RestoreState(TvnPDState& AState) override;
  void ResetDevice(TvnPDState& AState) override;
  void UpdateFont(TvnPDState& AState) override;
  void Stroke(TvnPDState& AState) override;
  void Fill(TvnPDState& AState) override;
  void EvenOddFill(TvnPDState& AState) override;
  void Clip(TvnPDState& AState) override;
  void EvenOddClip(TvnPDState& AState) override;
  void ClipToStrokePath(TvnPDState& AState) override;
  void DrawChar(TvnPDState& AState, double AX, double AY, double ADx, double ADy, uint16_t ACode,
                const std::string& ACharName) override;
  void EndTextObject(TvnPDState& AState) override;
  // A Type 3 glyph is drawn by its procedure with its origin placed as
  // DrawChar places glyphs; answers false (the interpreter draws it).
  bool BeginType3Char(TvnPDState& AState, double AX, double AY, double ADx, double ADy, uint16_t ACode,
                      const TvnUnicodes& AUnicode, int ALen) override;
  void EndType3Char(TvnPDState& AState) override;
  void DrawImage(TvnPDState& AState, TvnPDImage* AImage) override;
  void DrawFormXObject(TvnPDState& AState, TvnPDForm* AForm) override;
  void DrawShading(TvnPDState& AState, vn::pdf::TvnPDBaseObject* AShading) override;

  // The name an installed font is looked up by: blanks, ",", "+" and "-"
  // removed, then the first "PS" and "MT"; a "Bold" or "Italic" in it sets
  // the style and is removed (first occurrence, any letter case).
  static std::string CleanFontName(const std::string& AName, bool& ABold, bool& AItalic);

 private:
  vn::platform::gfx::Matrix DeviceMatrix(const TvnPDMatrix& ACTM) const;
  // Where a glyph whose origin falls on AOrigin (page pixels) is set: on a
  // whole pixel row, and across on a quarter pixel, or a whole pixel when
  // its face box is taller than kFineGlyphHeight (ABoxHeight, pixels).
  static vn::platform::gfx::PointF SnappedGlyphOrigin(vn::platform::gfx::PointF AOrigin, double ABoxHeight);
  // The whole pixels an upright image covers through ADevice (the unit
  // square's top edge first); none for a turned or skewed one.
  static std::optional<vn::platform::gfx::RectF> PixelRect(const vn::platform::gfx::Matrix& ADevice);
  // ABitmap reduced to AWidth x AHeight, each pixel the average of the
  // samples it covers (weighted by their alpha); empty unless a side
  // shrinks and neither grows.
  static vn::platform::Bitmap AveragedBitmap(const vn::platform::Bitmap& ABitmap, int64_t AWidth, int64_t AHeight);
  // Page pixels to the units of the target drawn on (a layer starts at
  // FOrigin of the page).
  vn::platform::gfx::Matrix TargetMatrix() const;
  // Draws through ADraw what the state paints, composited as the state asks:
  // with its blend mode, and through its soft mask, in which case the object
  // is drawn on a layer over AArea (page pixels; the whole target when
  // unknown) and laid down through the mask.
  void Composited(const TvnPDState& AState, std::optional<vn::platform::gfx::RectF> AArea,
                  const std::function<void()>& ADraw);
  // Draws ADraw on a transparent layer over AArea (page pixels) and lays it
  // down with AOpacity, ABlend and, when given, the soft mask; ADraw runs
  // straight on the target when no layer can be made.
  // AKnockout: the layer is a knockout group's, on which each object
  // replaces what lies under it.
  void DrawLayer(vn::platform::gfx::RectF AArea, double AOpacity, vn::platform::gfx::BlendMode ABlend,
                 const TvnSoftMask* AMask, const TvnPDState& AState, bool AKnockout,
                 const std::function<void()>& ADraw);
  // Whether drawing goes onto a knockout group's layer.
  bool InKnockoutLayer() const;
  // The mask's values (0 to 255) over the page pixels (AX, AY, AWidth,
  // AHeight); empty when the mask cannot be drawn.
  std::vector<uint8_t> SoftMaskValues(const TvnSoftMask& AMask, const TvnPDState& AState, int AX, int AY, int AWidth,
                                      int AHeight);
  // Runs ADraw with ATarget as the target, its top-left corner at AOrigin of
  // the page, AWidth x AHeight page pixels; the target in force before
  // comes back afterwards.
  void WithTarget(vn::platform::gfx::Graphics& ATarget, vn::platform::gfx::PointF AOrigin, double AWidth,
                  double AHeight, const std::function<void()>& ADraw);
  // Runs the form's content in ACopy's state (the form's matrix joined,
  // clipped to its box), with AResources when it has none of its own.
  void RunForm(TvnPDState& ACopy, TvnPDForm& AForm, TvnPDResource* AResources);
  void ApplyCTM(const TvnPDState& AState);
  vn::platform::gfx::Path MakePath(const TvnPDState& AState, vn::platform::gfx::FillMode AMode) const;
  vn::platform::gfx::Pen MakePen(const TvnPDState& AState) const;
  vn::platform::gfx::Argb FillArgb(const TvnPDState& AState) const;
  void FillPath(TvnPDState& AState, vn::platform::gfx::FillMode AMode);
  // Sets the path's rectangles along the device axes on whole pixels.
  void RectanglesOnPixels(vn::platform::gfx::Path& APath, const vn::platform::gfx::Matrix& ADevice) const;
  // Fills APath (user space) with the tiling or shading pattern.
  void PatternFill(TvnPDState& AState, TvnPDPattern& APattern, const vn::platform::gfx::Path& APath);
  void TilingFill(TvnPDState& AState, TvnPDTilingPattern& APattern, const vn::platform::gfx::Path& APath);
  void ShadingFill(TvnPDState& AState, TvnPDShaddingPattern& APattern, const vn::platform::gfx::Path& APath);
  // Paints the shading over the device rectangle, seen through AToDevice
  // (shading space to device pixels), the clip in force limiting it.
  void PaintShading(vn::pdf::TvnPDBaseObject* AShading, const vn::platform::gfx::Matrix& AToDevice,
                    const vn::platform::gfx::RectF& ADeviceArea, double AOpacity, bool AUseBackground);
  bool GlyphOutline(TvnPDState& AState, uint16_t ACode, const std::string& ACharName, TvnGlyphOutline& AGlyph);
  // The horizontal scale of a glyph of an installed face standing in for
  // the font's own program (1 for embedded programs).
  double SubstituteSqueeze(const TvnPDState& AState, const TvnGlyphOutline& AGlyph) const;

  vn::platform::gfx::Graphics& FGraphics;
  // Where drawing goes: FGraphics, or the layer of a transparency group or
  // soft-masked object, whose top-left corner is FOrigin on the page and
  // which is FTargetWidth x FTargetHeight page pixels.
  vn::platform::gfx::Graphics* FTarget;
  vn::platform::gfx::PointF FOrigin{0, 0};
  // Moves what a Type 3 glyph procedure draws onto its set origin (page
  // pixels; zero outside such a glyph).
  vn::platform::gfx::PointF FGlyphShift{0, 0};
  // Whether a Type 3 glyph procedure is drawing.
  bool FInType3Glyph = false;
  double FTargetWidth = 0;
  double FTargetHeight = 0;
  int FLayerDepth = 0;
  // The soft mask last drawn (over the whole page) and its values.
  std::shared_ptr<const TvnSoftMask> FMaskKey;
  std::vector<uint8_t> FMaskValues;
  bool FAllowAntiAlias = true;
  bool FTransparantBackground = false;
  double FWidth = 0;
  double FHeight = 0;
  int FSaveDepth = 0;
  bool FPageOpen = false;
  // The space pattern matrices map from: the page's CTM at the start, a
  // form's space (its matrix joined) while its content runs, a tiling
  // cell's space while the cell is drawn.
  TvnPDMatrix FPatternBase;
  // The font of the text being drawn and how its glyphs are found.
  TvnFontProcessor* FFontProcessor = nullptr;  // in FEmbeddedFonts or FOwnFont
  bool FEmbeddedFont = false;
  // Embedded programs opened on this page, by the program's object number
  // (null: it cannot be opened); a program without a number of its own.
  std::map<int64_t, std::unique_ptr<TvnFontProcessor>> FEmbeddedFonts;
  std::unique_ptr<TvnFontProcessor> FOwnFont;
  // Installed-font processors by file and face, kept for the page.
  std::map<std::string, std::unique_ptr<TvnFontProcessor>> FInstalledFonts;
  TvnFontProcessor* FInstalledFont = nullptr;  // in FInstalledFonts
  // The face that gave the glyph being drawn (null: none).
  TvnFontProcessor* FGlyphFace = nullptr;
  // The face that draws a character an installed font lacks (null: none).
  std::map<std::pair<TvnFontProcessor*, uint32_t>, TvnFontProcessor*> FFallbacks;
  // Glyph areas of clipping text render modes, in device units, until the
  // text object ends.
  vn::platform::gfx::Path FTextClip{vn::platform::gfx::FillMode::Winding};
  bool FHasTextClip = false;
};

}  // namespace vn::pdfdoc
