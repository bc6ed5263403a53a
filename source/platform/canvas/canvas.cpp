#include "platform/canvas/canvas.h"

#include "platform/canvas/emf_objects.h"
#include "platform/canvas/text_measure.h"

namespace vn::platform {

Transform Transform::Then(const Transform& t) const {
  return {m11 * t.m11 + m12 * t.m21,
          m11 * t.m12 + m12 * t.m22,
          m21 * t.m11 + m22 * t.m21,
          m21 * t.m12 + m22 * t.m22,
          dx * t.m11 + dy * t.m21 + t.dx,
          dx * t.m12 + dy * t.m22 + t.dy};
}

std::optional<Transform> Transform::Inverted() const {
  const double det = m11 * m22 - m12 * m21;
  if (!std::isfinite(det) || std::abs(det) < 1e-12) return std::nullopt;
  Transform r{m22 / det, -m12 / det, -m21 / det, m11 / det, 0, 0};
  r.dx = -(dx * r.m11 + dy * r.m21);
  r.dy = -(dx * r.m12 + dy * r.m22);
  return r;
}

emf::LogFontW LogFontOf(const Font& font) {
  emf::LogFontW lf;
  lf.height = font.height;
  lf.width = font.width;
  lf.escapement = font.escapement;
  lf.orientation = font.escapement;
  lf.weight = font.weight;
  lf.italic = font.italic;
  lf.underline = font.underline;
  lf.strikeOut = font.strikeOut;
  lf.charSet = font.charSet;
  lf.quality = 5;  // CLEARTYPE_QUALITY
  lf.faceName = font.faceName.substr(0, 31);
  return lf;
}

Font FontOf(const emf::LogFontW& lf) {
  Font f;
  f.faceName = lf.faceName;
  f.height = lf.height;
  f.width = lf.width;
  f.escapement = lf.escapement;
  f.weight = lf.weight;
  f.italic = lf.italic != 0;
  f.underline = lf.underline != 0;
  f.strikeOut = lf.strikeOut != 0;
  f.charSet = lf.charSet;
  return f;
}

std::vector<int32_t> Canvas::CharAdvances(std::u16string_view text) { return RoundedAdvances(state_.font, text); }

Size Canvas::TextExtent(std::u16string_view text) { return MeasureText(state_.font, text); }

int Canvas::SaveDC() {
  saved_.push_back(state_);
  return SaveDepth();
}

int Canvas::RestoreLevel(int which) const {
  const int level = which < 0 ? SaveDepth() + which + 1 : which;
  return level >= 1 && level <= SaveDepth() ? level : 0;
}

void Canvas::RestoreDC(int which) {
  const int level = RestoreLevel(which);
  if (!level) return;
  state_ = std::move(saved_[size_t(level - 1)]);
  saved_.resize(size_t(level - 1));
}

void Canvas::DrawBitmap(Rect dest, const Bitmap& pixels) {
  if (pixels.Empty()) return;
  StretchDib(dest, {0, 0, pixels.Width(), pixels.Height()}, EncodeDib24(pixels), kSrcCopy);
}

void Canvas::DrawJpeg(Rect dest, const std::string& jpeg, int32_t width, int32_t height) {
  if (jpeg.empty() || width <= 0 || height <= 0) return;
  StretchDib(dest, {0, 0, width, height}, MakeJpegDib(jpeg, width, height), kSrcCopy);
}

}  // namespace vn::platform
