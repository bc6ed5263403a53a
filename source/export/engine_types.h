// Value types of the export engine: its enumerations, points, and the
// drawing objects (font, pen, brush), graphics and page metafiles that
// drawing calls hand to the engine. Drawing objects are plain values: an
// item or engine holds its own copy. A graphic is held through TGraphic,
// whose NewEmpty + Assign pair makes an engine-owned copy of any kind of
// picture; a graphic that cannot be copied refuses in Assign.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "export/engine_support.h"
#include "framework/value_types.h"
#include "runtime/containers.h"
#include "runtime/streams.h"
#include "runtime/strings.h"

namespace vn::exporter {

using vn::String;
using vn::framework::TRect;

struct TvnPoint {
  double X = 0;
  double Y = 0;
  bool operator==(const TvnPoint&) const = default;
};
using TvnPoints = std::vector<TvnPoint>;

// Percent, 0..100; 100 is opaque.
using TvnRenderingOpacity = int32_t;

enum class TvnShapeType { stLine, stRectangle, stRoundRect, stEllipse, stPolygon, stPolyLine, stArc, stChord, stPie, stPolyBezier };
enum class TvnPenJoinStyle { pjsNone, pjsBevel, pjsMiter, pjsRound };
enum class TvnPenCapStyle { pcsNone, pcsRound, pcsSquare, pcsFlat };
enum class TvnPathOperation { poBeginPath, poEndPath, poCloseFigure, poAbortPath, poFillPath, poStrokeAndFillPath, poStrokePath, poSelectClipPath };
enum class TvnHAlignment { haLeft, haRight, haCenter, haJustify, haGeneral };
enum class TvnVAlignment { vaTop, vaCenter, vaBottom };
enum class TvnOutputImageFormat { ifBMP, ifJPEG, ifGIF, ifPNG, ifMetafile, ifCCITT3, ifCCITT4 };
enum class TvnTextRenderMode { trmFill, trmStroke, trmFillStroke };
enum class TvnTextRise { trNormal, trSuperscript, trSubscript };
enum class TvnBackgroundDisplayType { dtTile, dtTopLeft, dtTopCenter, dtTopRight, dtCenterLeft, dtCenter, dtCenterRight, dtBottomLeft, dtBottomCenter, dtBottomRight };
enum class TvnUnitType { muPixels, muInches, muMM, muPoints, muTwips };

enum class TvnPaperSize {
  Letter, LetterSmall, Tabloid, Ledger, Legal, Statement, Executive, A3, A4, A4Small, A5, B4, B5, Folio, Quarto,
  ps10X14, ps11X17, Note, Env10, Env11, Env12, Env14, CSheet, DSheet, ESheet, EnvDL, EnvC5, EnvC3, EnvC4, EnvC6,
  EnvC65, EnvB4, EnvB5, EnvB6, EnvItaly, EnvMonarch, EnvPersonal, FanfoldUS, FanfoldStdGerman, ISOB4, Custom
};

// The window system's value types the engine carries.
enum class TPrinterOrientation { poPortrait, poLandscape };
enum class TBiDiMode { bdLeftToRight, bdRightToLeft, bdRightToLeftNoAlign, bdRightToLeftReadingOnly };
enum class TPixelFormat { pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit, pfCustom };
enum class TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
enum class TBrushStyle { bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross, bsDiagCross };
enum class TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };
using TFontStyles = vn::EnumSet<TFontStyle>;
enum class TFontPitch { fpDefault, fpVariable, fpFixed };

// 0x00BBGGRR.
using TColor = uint32_t;
constexpr TColor clBlack = 0x000000;
constexpr TColor clWhite = 0xFFFFFF;

struct TFont {
  String Name = u"Arial";
  int32_t Size = 10;  // points; a cell height when Height is set instead
  int32_t Height = 0;
  TColor Color = clBlack;
  TFontStyles Style;
  uint8_t Charset = 1;  // DEFAULT_CHARSET
  TFontPitch Pitch = TFontPitch::fpDefault;
  int32_t Orientation = 0;  // tenths of a degree
  bool operator==(const TFont&) const = default;
};

struct TPen {
  TColor Color = clBlack;
  int32_t Width = 1;
  TPenStyle Style = TPenStyle::psSolid;
  bool operator==(const TPen&) const = default;
};

struct TBrush {
  TColor Color = clWhite;
  TBrushStyle Style = TBrushStyle::bsSolid;
  bool operator==(const TBrush&) const = default;
};

// A picture of any kind (bitmap, JPEG, metafile ...).
class TGraphic {
 public:
  virtual ~TGraphic() = default;
  // An empty graphic of the same kind.
  virtual std::unique_ptr<TGraphic> NewEmpty() const = 0;
  // Copies `source` into this graphic; throws when it cannot.
  virtual void Assign(const TGraphic& source) = 0;
  // Writes the graphic in its own file format.
  virtual void SaveToStream(vn::TStream& stream) const = 0;
  virtual int32_t Width() const = 0;
  virtual int32_t Height() const = 0;

  // A copy of this graphic (NewEmpty, then Assign).
  std::unique_ptr<TGraphic> Copy() const;
};

// An owned, optional graphic; Assign copies the other picture's graphic.
class TPicture {
 public:
  TPicture() = default;
  TPicture(const TPicture& other) { Assign(other); }
  TPicture& operator=(const TPicture& other) {
    if (this != &other) Assign(other);
    return *this;
  }
  void Assign(const TPicture& source);
  void SetGraphic(const TGraphic* graphic);
  const TGraphic* Graphic() const { return graphic_.get(); }

 private:
  std::unique_ptr<TGraphic> graphic_;
};

// A recorded enhanced metafile: its bytes and its frame size in pixels.
struct TMetafile {
  std::string Bytes;
  int32_t Width = 0;
  int32_t Height = 0;
};

}  // namespace vn::exporter

namespace vn::platform {
class Canvas;
}

namespace vn::exporter {

// The recording canvas of a page: what callers draw on it is recorded into
// a metafile that the engine replays into items when the page is closed.
class TMetafileCanvas {
 public:
  virtual ~TMetafileCanvas() = default;
  // The drawing surface callers draw the page on.
  virtual vn::platform::Canvas* Surface() = 0;
  // Ends the recording; the canvas is not used afterwards.
  virtual std::unique_ptr<TMetafile> EndRecording() = 0;
  // Draws a metafile stretched into `dest`.
  virtual void StretchDraw(const TRect& dest, const TMetafile& metafile) = 0;
};

}  // namespace vn::exporter
