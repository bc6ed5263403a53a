// The drawing canvas of page elements and writers.
//
// TvnBaseCanvas is the abstract canvas: it carries the current pen, brush
// and font of the page model and offers measuring and six drawing
// operations. TvnVCLCanvas draws onto a platform canvas (the EMF recorder or
// the raster surface) that it is given, or onto an enhanced metafile of its
// own. DefaultCanvasClass makes the canvas that the layout and the page
// classes draw with.
//
// Ownership: the canvas does not own the pen, brush and font it is given;
// the drawing element keeps them alive while it draws. When none is set the
// canvas draws with a default object of its own (black solid pen of width 0,
// white solid brush, 8-point Arial). A platform canvas handed to the
// constructor stays the caller's; a metafile the canvas made is its own.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "framework/page_model.h"
#include "runtime/streams.h"

namespace vn::platform {
class Canvas;
class EmfRecorderCanvas;
}  // namespace vn::platform

namespace vn::framework {

// Width and height, as the window system gives a text extent.
struct TSize {
  int32_t cx = 0;
  int32_t cy = 0;
  bool operator==(const TSize&) const = default;
};

class TvnBaseCanvas : public TObject {
 public:
  TvnBaseCanvas() = default;
  TvnBaseCanvas(const TvnBaseCanvas&) = delete;
  TvnBaseCanvas& operator=(const TvnBaseCanvas&) = delete;

  // Width and height of a text in the current font, in pixels.
  virtual TSize Measure(const String& AString) = 0;
  virtual std::unique_ptr<vn::TStream> GetImageStream(const std::string& ABytes) = 0;
  // Writes the text with the top-left of its cell at (ALeft, ATop).
  virtual void DrawString(const String& AString, int32_t ALeft, int32_t ATop, bool AIsHighlighted) = 0;
  // Draws the picture held by AStream stretched into ARect.
  virtual void DrawImage(vn::TStream* AStream, const TRect& ARect) = 0;
  virtual void DrawLine(const TPoint& AStartPoint, const TPoint& AEndPoint) = 0;
  virtual void DrawRect(const TRect& ARect, bool AIsFill, bool AIsStroke) = 0;
  // Makes a new surface of the canvas's own to draw on.
  virtual void CreateCanvas() = 0;

  TvnPen* GetPen() const { return FPen; }
  void SetPen(TvnPen* Value) { FPen = Value; }
  TvnFont* GetFont() const { return FFont; }
  void SetFont(TvnFont* Value) { FFont = Value; }
  TvnBrush* GetBrush() const { return FBrush; }
  void SetBrush(TvnBrush* Value) { FBrush = Value; }

 protected:
  // The set objects, or the defaults when none is set.
  const TvnPen& CurrentPen() const;
  const TvnFont& CurrentFont() const;
  const TvnBrush& CurrentBrush() const;

  TvnPen* FPen = nullptr;      // not owned
  TvnFont* FFont = nullptr;    // not owned
  TvnBrush* FBrush = nullptr;  // not owned
};

// Colours go to the platform as Red + Green x 256 + Blue x 65536.
uint32_t ColorToPlatform(const TvnRGBColor& AColor);

class TvnVCLCanvas : public TvnBaseCanvas {
 public:
  // Draws on ACanvas, which stays the caller's. A null canvas raises
  // EInvalidCast "Invalid class typecast".
  explicit TvnVCLCanvas(vn::platform::Canvas* ACanvas);
  // Draws into an enhanced metafile of its own whose frame is AWidth by
  // AHeight pixels (a Letter page at 96 dpi unless given).
  explicit TvnVCLCanvas(int32_t AWidth = 816, int32_t AHeight = 1056);
  ~TvnVCLCanvas() override;

  // The factory behind DefaultCanvasClass.
  static std::unique_ptr<TvnBaseCanvas> CreateOn(vn::platform::Canvas* ACanvas);

  TSize Measure(const String& AString) override;
  // Answers nil.
  std::unique_ptr<vn::TStream> GetImageStream(const std::string& ABytes) override;
  // A lone BEL, LF, VT, FF or CR draws nothing; inside a text they draw as
  // blanks. The text takes the pen colour; with AIsHighlighted the brush
  // colour fills the text cell, otherwise the background stays.
  void DrawString(const String& AString, int32_t ALeft, int32_t ATop, bool AIsHighlighted) override;
  // A nil stream draws nothing. The stream is rewound and read whole (it
  // stays the caller's); any raster format the image codecs read, and
  // enhanced or Windows metafiles, are drawn; JPEG data are handed to the
  // platform canvas as they are (a recording keeps them). Data that are not
  // a picture raise ExInvalidImageFormat with the decoder's message.
  void DrawImage(vn::TStream* AStream, const TRect& ARect) override;
  // A line in the pen's width, colour and dash style.
  void DrawLine(const TPoint& AStartPoint, const TPoint& AEndPoint) override;
  // Fills with the brush colour when AIsFill; frames with a one-pixel border
  // in the pen colour when AIsStroke.
  void DrawRect(const TRect& ARect, bool AIsFill, bool AIsStroke) override;
  // Replaces the canvas's own metafile (or starts one) with a new one of the
  // current frame size; a platform canvas given earlier is no longer used.
  void CreateCanvas() override;

  // The platform canvas drawn on.
  vn::platform::Canvas* GetCanvas() const { return FCanvas; }
  // The canvas's own metafile as bytes, ending the recording (a new one is
  // started for further drawing); empty when drawing on a given canvas.
  std::string FinishMetaFile();

 private:
  void SelectFont();

  vn::platform::Canvas* FCanvas = nullptr;                     // drawn on
  std::unique_ptr<vn::platform::EmfRecorderCanvas> FMetaFile;  // own metafile, or null
  int32_t FFrameWidth = 816;
  int32_t FFrameHeight = 1056;
};

// The class of canvas the layout and the page classes create over a platform
// canvas: TvnVCLCanvas unless start-up code sets another.
using TvnCanvasClass = std::unique_ptr<TvnBaseCanvas> (*)(vn::platform::Canvas* ACanvas);
extern TvnCanvasClass DefaultCanvasClass;

}  // namespace vn::framework
