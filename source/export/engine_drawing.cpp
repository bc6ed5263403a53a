// The drawing operations of TvnCustomDocumentEngine: each turns a call in
// the measurement unit into an item of the current page or band.
#include <algorithm>

#include "export/bitmap_graphic.h"
#include "export/document_engine.h"
#include "runtime/numbers.h"

namespace vn::exporter {

bool TvnCustomDocumentEngine::CanDraw(TvnCapabilityKind capability, TvnItemsToRenderKind kind) const {
  return FIsDocumentStarted && FCapabilities.Contains(capability) && FItemsToRender.Contains(kind);
}

// ---- shapes

void TvnCustomDocumentEngine::AddShape(TvnShapeType type, TvnPoints points, size_t band_points, bool is_fill) {
  if (!CanDraw(TvnCapabilityKind::ckShape, TvnItemsToRenderKind::irShape)) return;
  ConvertPoints(points, band_points);
  auto item = std::make_unique<TvnShapeItem>(is_fill, type);
  item->Pen = FPen;
  if (is_fill) item->Brush = FBrush;
  // The opacity in force now, not when the page is rendered.
  item->LineArtSettings.Assign(FLineArtSettings);
  item->SetPoints(points);
  FShapeItem = static_cast<TvnShapeItem*>(AddItem(std::move(item)));
}

void TvnCustomDocumentEngine::Line(double x1, double y1, double x2, double y2) {
  AddShape(TvnShapeType::stLine, {{x1, y1}, {x2, y2}}, 2, false);
}

void TvnCustomDocumentEngine::Rectangle(double x1, double y1, double x2, double y2, bool is_fill) {
  AddShape(TvnShapeType::stRectangle, {{x1, y1}, {x2, y2}}, 2, is_fill);
}

void TvnCustomDocumentEngine::RoundRect(double x1, double y1, double x2, double y2, double x3, double y3, bool is_fill) {
  // The third point is the corner ellipse's width and height: lengths only.
  AddShape(TvnShapeType::stRoundRect, {{x1, y1}, {x2, y2}, {ConvertX(x3), ConvertY(y3)}}, 2, is_fill);
}

void TvnCustomDocumentEngine::Ellipse(double x1, double y1, double x2, double y2, bool is_fill) {
  AddShape(TvnShapeType::stEllipse, {{x1, y1}, {x2, y2}}, 2, is_fill);
}

void TvnCustomDocumentEngine::Polygon(const TvnPoints& points, bool is_fill) {
  AddShape(TvnShapeType::stPolygon, points, points.size(), is_fill);
}

void TvnCustomDocumentEngine::PolyLine(const TvnPoints& points) {
  AddShape(TvnShapeType::stPolyLine, points, points.size(), false);
}

void TvnCustomDocumentEngine::Arc(double x1, double y1, double x2, double y2, double x3, double y3, double x4, double y4) {
  AddShape(TvnShapeType::stArc, {{x1, y1}, {x2, y2}, {x3, y3}, {x4, y4}}, 4, false);
}

void TvnCustomDocumentEngine::Pie(double x1, double y1, double x2, double y2, double x3, double y3, double x4, double y4,
                                  bool is_fill) {
  AddShape(TvnShapeType::stPie, {{x1, y1}, {x2, y2}, {x3, y3}, {x4, y4}}, 4, is_fill);
}

void TvnCustomDocumentEngine::Chord(double x1, double y1, double x2, double y2, double x3, double y3, double x4, double y4,
                                    bool is_fill) {
  AddShape(TvnShapeType::stChord, {{x1, y1}, {x2, y2}, {x3, y3}, {x4, y4}}, 4, is_fill);
}

void TvnCustomDocumentEngine::PolyBezier(const TvnPoints& points) {
  AddShape(TvnShapeType::stPolyBezier, points, points.size(), false);
}

// ---- images

int32_t TvnCustomDocumentEngine::AddImageAsResource(const TGraphic& graphic) { return AddImageResource(graphic, true); }

int32_t TvnCustomDocumentEngine::AddImageResource(const TGraphic& graphic, bool reusable) {
  if (!FIsDocumentStarted || !FCapabilities.Contains(TvnCapabilityKind::ckImage)) return -1;
  FPreferences->SetUseImagesAsResources(reusable);
  std::unique_ptr<TGraphic> copy = graphic.NewEmpty();
  try {
    copy->Assign(graphic);
  } catch (const vn::Exception&) {
    copy.reset();
    ReportError<EUnsupportedGraphics>("Unknown Graphics format");
    return -1;
  }
  return AddGraphicResource(std::move(copy));
}

void TvnCustomDocumentEngine::DrawImage(const TvnRect& image_rect, const TGraphic& graphic) {
  if (!CanDraw(TvnCapabilityKind::ckImage, TvnItemsToRenderKind::irImage)) return;
  const int32_t index = AddImageResource(graphic, FPreferences->UseImagesAsResources());
  PlaceImage(ConvertRect(image_rect), index);
}

void TvnCustomDocumentEngine::DrawImage(double x, double y, const TGraphic& graphic) {
  if (!CanDraw(TvnCapabilityKind::ckImage, TvnItemsToRenderKind::irImage)) return;
  const int32_t index = AddImageResource(graphic, FPreferences->UseImagesAsResources());
  const double px = ConvertX(x), py = ConvertY(y);
  const double w = FInputXRes ? static_cast<double>(graphic.Width()) * ScreenPixelsPerInch / FInputXRes : 0;
  const double h = FInputYRes ? static_cast<double>(graphic.Height()) * ScreenPixelsPerInch / FInputYRes : 0;
  PlaceImage({px, py, px + w, py + h}, index);
}

void TvnCustomDocumentEngine::DrawImage(const TvnRect& image_rect, int32_t index) {
  if (!CanDraw(TvnCapabilityKind::ckImage, TvnItemsToRenderKind::irImage)) return;
  PlaceImage(ConvertRect(image_rect), index);
}

void TvnCustomDocumentEngine::PlaceImage(const TvnRect& rect, int32_t index) {
  const TGraphic* graphic = GetImageResource(index).Graphic;
  if (!graphic) return;
  const TvnRect moved{rect.Left + FBandRect.Left, rect.Top + FBandRect.Top, rect.Right + FBandRect.Left,
                      rect.Bottom + FBandRect.Top};
  if (!IsInBand(moved.Left, moved.Top)) return;
  auto item = std::make_unique<TvnImageItem>(moved);
  item->Settings.Assign(FImageSettings);
  const TvnImageSettings& s = item->Settings;
  const double w = graphic->Width(), h = graphic->Height();
  const double e = item->Width, f = item->Height;
  if (s.Autosize) {
    const double scale = s.SourceDPI != -1 && s.SourceDPI != 0 ? static_cast<double>(s.SourceDPI) / ScreenPixelsPerInch : 1;
    item->Width = s.SourceDPI != -1 ? w / scale : w;
    item->Height = s.SourceDPI != -1 ? h / scale : h;
    item->DisplayRect = {item->X, item->Y, item->X + item->Width, item->Y + item->Height};
  } else {
    double width = w, height = h;
    if (s.Stretch || (s.KeepAspectRatio && (w > e || h > f))) {
      if (s.KeepAspectRatio && w > 0 && h > 0) {
        const double scale = std::min(e / w, f / h);
        width = w * scale;
        height = h * scale;
      } else {
        width = e;
        height = f;
      }
    } else if (w > e || h > f) {
      width = e;
      height = f;
    }
    item->Width = static_cast<double>(vn::Round(width));
    item->Height = static_cast<double>(vn::Round(height));
    if (s.Center) {
      item->X += (e - item->Width) / 2;
      item->Y += (f - item->Height) / 2;
    }
  }
  if (FImageSettings.IsFrame) {
    item->Frame.Assign(FFrame);
    item->Pen = FPen;
  }
  // A bitmap is drawn over its own canvas brush (white, solid); other
  // pictures over the engine's brush.
  item->Brush = dynamic_cast<const TvnBitmapGraphic*>(graphic) ? TBrush{} : FBrush;
  item->IndexNo = index;
  FImageItem = static_cast<TvnImageItem*>(AddItem(std::move(item)));
}

void TvnCustomDocumentEngine::DrawJPEGDirect(const TvnRect& rect, int32_t pixel_width, int32_t pixel_height,
                                             vn::TStream& stream) {
  if (!CanDraw(TvnCapabilityKind::ckImage, TvnItemsToRenderKind::irImage)) return;
  const TvnRect r = ConvertRect(rect);
  auto item = std::make_unique<TvnImageStream>(r);
  item->DisplayRect = r;
  stream.SetPosition(0);
  item->Stream.CopyFrom(stream, 0);
  item->Stream.SetPosition(0);
  // The item's own copy is the resource: it lives as long as the page,
  // whatever the caller does with its stream.
  item->IndexNo = AddStreamResource(&item->Stream);
  item->ImageWidth = pixel_width;
  item->ImageHeight = pixel_height;
  item->Settings.Assign(FImageSettings);
  FImageStream = static_cast<TvnImageStream*>(AddItem(std::move(item)));
}

void TvnCustomDocumentEngine::DrawImageStream(const TvnRect& image_rect, const TGraphic& graphic) {
  if (!CanDraw(TvnCapabilityKind::ckImage, TvnItemsToRenderKind::irImage)) return;
  auto item = std::make_unique<TvnImageStream>(ConvertRect(image_rect));
  graphic.SaveToStream(item->Stream);
  item->Stream.SetPosition(0);
  item->ImageWidth = graphic.Width();
  item->ImageHeight = graphic.Height();
  item->Settings.Assign(FImageSettings);
  item->IndexNo = AddStreamResource(&item->Stream);
  FImageStream = static_cast<TvnImageStream*>(AddItem(std::move(item)));
}

// ---- metafiles

void TvnCustomDocumentEngine::PlayMetafile(const TMetafile& metafile) {
  if (!FIsDocumentStarted) return;
  FNoSorting = false;
  RenderMetafile(metafile, 0, 0);
}

void TvnCustomDocumentEngine::PlayMetafile(double x, double y, const TMetafile& metafile) {
  if (!FIsDocumentStarted) return;
  FNoSorting = false;
  RenderMetafile(metafile, ConvertX(x), ConvertY(y));
}

void TvnCustomDocumentEngine::PlayMetafile(const TvnRect& dest, const TMetafile& metafile) {
  if (!FIsDocumentStarted) return;
  FNoSorting = false;
  if (!FCanvas) return;
  const double k = FNativeConversionFactor;
  FCanvas->StretchDraw(TRect{vn::RoundToInt(dest.Left * k), vn::RoundToInt(dest.Top * k), vn::RoundToInt(dest.Right * k),
                             vn::RoundToInt(dest.Bottom * k)},
                       metafile);
}

}  // namespace vn::exporter
