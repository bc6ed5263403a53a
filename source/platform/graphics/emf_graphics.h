// Graphics recorded as a plain enhanced metafile that every EMF reader
// draws, with the project's paint comments (emf/paint_comment.h) for what
// plain EMF cannot hold.
//
// What is recorded:
// - fills and clips as paths (BEGINPATH ... FILLPATH or SELECTCLIPPATH with
//   RGN_COPY or RGN_AND) in device units times 16 under a world transform
//   of 1/16, so sub-pixel geometry survives the integer coordinates;
// - strokes as paths under the current transform itself (scaled the same
//   way), with a geometric pen (EXTCREATEPEN: width, user-style dashes,
//   joins, caps; SETMITERLIMIT), so a stretched pen stays stretched;
// - saved states as SAVEDC and RESTOREDC, ResetClip and empty clips as
//   EXTSELECTCLIPRGN;
// - bitmaps as STRETCHDIBITS (24-bit), or ALPHABLEND with premultiplied
//   32-bit pixels when they have alpha or an opacity below 1, always
//   upright in device units times 16: mirrors and quarter turns are
//   applied to the pixels, other turns and skews resample the picture onto
//   device pixels (clear around it), since readers place bitmaps upright;
// - a paint comment whenever fill or stroke alpha, smoothing, the image
//   interpolation, the dash offset or the blend mode change: the metafile
//   players of this project draw with them, other readers draw the plain
//   records opaque and unblended.
#pragma once

#include <string>
#include <vector>

#include "platform/canvas/emf_recorder.h"
#include "platform/graphics/graphics.h"

namespace vn::platform::gfx {

class EmfGraphics : public Graphics {
 public:
  // A page of the given size in reference pixels (96 per inch).
  EmfGraphics(int32_t widthPixels, int32_t heightPixels);

  // The metafile bytes; the recorder is spent afterwards.
  std::string Finish();

  void Save() override;
  void Restore() override;
  Matrix GetTransform() const override { return state_.transform; }
  void SetTransform(const Matrix& m) override { state_.transform = m; }
  void SetClip(const RectF& rect, CombineMode mode) override;
  void SetClip(const Path& path, CombineMode mode) override;
  void ResetClip() override;
  void SetBlendMode(BlendMode mode) override { state_.blend = mode; }
  bool CanBlend() const override { return true; }
  void SetSmoothing(bool on) override { state_.smoothing = on; }
  bool GetSmoothing() const override { return state_.smoothing; }
  void FillRect(const SolidBrush& brush, const RectF& rect) override;
  void FillPath(const SolidBrush& brush, const Path& path) override;
  void DrawPath(const Pen& pen, const Path& path) override;
  void DrawImage(const Bitmap& bitmap, const RectF& dest, double opacity = 1.0,
                 Interpolation interpolation = Interpolation::Smooth) override;

 private:
  struct State {
    Matrix transform;
    bool smoothing = true;
    BlendMode blend = BlendMode::Normal;
  };
  // The path in device units times 16 (cut to a box around the page when
  // it reaches very far); nothing when the transform cannot draw.
  std::optional<Path> DeviceFigures(const Path& path) const;
  // The figures (points rounded to integers) as a path bracket; false when
  // there is nothing to write.
  bool WritePath(const Path& figures);
  // The paint comment for what is drawn next.
  void SetPaint(uint8_t fillAlpha, uint8_t strokeAlpha, bool nearest, double dashOffset);
  void SetFillMode(FillMode mode);
  // Clips to nothing, combined by mode.
  void ClipToNothing(CombineMode mode);

  EmfRecorderCanvas canvas_;
  int32_t width_, height_;
  State state_;
  std::vector<State> saved_;
};

}  // namespace vn::platform::gfx
