// The items an export engine keeps per page and band, and the containers
// that hold them. Every drawing call, and every record the metafile player
// replays, becomes one item; the engine renders the items when the page is
// finished and frees them right after.
//
// Ownership: an item owns everything it holds (drawing objects by value,
// settings, streams, shapes, cells). A page or band owns its items through
// its lists; nothing else keeps an owning pointer to an item.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "export/engine_settings.h"

namespace vn::exporter {

class TvnCustomDocumentEngine;

// Which class an item is; the render loop dispatches on it.
enum class TvnItemKind {
  Other, Text, TextBox, Image, ImageStream, Shape, PolyShape, Table, Paragraph, Clip, Path, PolyPolygon, EndOfFile, PolyDraw
};

class TvnDocumentItem {
 public:
  virtual ~TvnDocumentItem() = default;
  TvnItemKind Kind() const { return FKind; }

 protected:
  explicit TvnDocumentItem(TvnItemKind kind) : FKind(kind) {}

 private:
  TvnItemKind FKind;
};

using TvnItemList = std::vector<std::unique_ptr<TvnDocumentItem>>;

class TvnTextItem : public TvnDocumentItem {
 public:
  TvnTextItem() : TvnDocumentItem(TvnItemKind::Text) {}

  double X = 0, Y = 0;
  TWideStrings Lines;
  int32_t RotationAngle = 0;
  TFont Font;
  TBrush Brush;
  TvnTextEffects TextEffects;
  TvnHAlignment Alignment = TvnHAlignment::haLeft;
  bool IsFromMetafile = false;
  bool IsWideString = false;
  TBiDiMode BiDiMode = TBiDiMode::bdLeftToRight;
  std::vector<double> CharSpaceArray;

  bool IsClipRect() const { return FIsClipRect; }
  // Clearing the flag also zeroes ClipRect.
  void SetIsClipRect(bool value);
  const TvnRect& ClipRect() const { return FClipRect; }
  void SetClipRect(const TvnRect& value) { FClipRect = value; }

 protected:
  explicit TvnTextItem(TvnItemKind kind) : TvnDocumentItem(kind) {}

 private:
  bool FIsClipRect = false;
  TvnRect FClipRect;
};

class TvnTextBoxItem : public TvnTextItem {
 public:
  TvnTextBoxItem() : TvnTextItem(TvnItemKind::TextBox) {}

  double BoxWidth = 0, Boxheight = 0;
  TvnFrame Frame;
  TvnHAlignment HAlign = TvnHAlignment::haLeft;
  TvnVAlignment VAlign = TvnVAlignment::vaTop;
  TPen Pen;
};

class TvnImageItem : public TvnDocumentItem {
 public:
  TvnImageItem() : TvnDocumentItem(TvnItemKind::Image) {}
  // Normalises the rectangle: X, Y the smaller coordinates, Width and Height
  // the absolute extents, DisplayRect (X, Y, X + Width, Y + Height).
  explicit TvnImageItem(const TvnRect& image_rect) : TvnImageItem() { Place(image_rect); }

  double X = 0, Y = 0, Width = 0, Height = 0;
  int32_t IndexNo = 0;
  TvnFrame Frame;
  TPen Pen;
  TBrush Brush;
  TvnImageSettings Settings;
  TvnRect DisplayRect;
  // The blend mode of a picture of a fractional recording (the paint
  // comment's order; 0 Normal).
  uint8_t BlendMode = 0;

 protected:
  explicit TvnImageItem(TvnItemKind kind) : TvnDocumentItem(kind) {}
  void Place(const TvnRect& image_rect);
};

// An image item carrying the graphic's own encoded bytes.
class TvnImageStream : public TvnImageItem {
 public:
  TvnImageStream() : TvnImageItem(TvnItemKind::ImageStream) {}
  explicit TvnImageStream(const TvnRect& image_rect) : TvnImageStream() { Place(image_rect); }

  vn::TMemoryStream Stream;
  int32_t ImageWidth = 0, ImageHeight = 0;
};

class TvnShapeItem : public TvnDocumentItem {
 public:
  // The brush exists only for a filled shape.
  TvnShapeItem(bool is_fill, TvnShapeType shape_type);

  std::optional<TBrush> Brush;
  TPen Pen;
  TvnShapeType ShapeType;
  TvnPenJoinStyle PenJoinStyle = TvnPenJoinStyle::pjsNone;
  TvnPenCapStyle PenCapStyle = TvnPenCapStyle::pcsNone;
  TvnLineArtSettings LineArtSettings;

  void SetPoints(const TvnPoints& points) { FPoints = points; }
  const TvnPoints& GetPoints() const { return FPoints; }
  TvnPoints& GetPoints() { return FPoints; }
  int32_t NoPoints() const { return static_cast<int32_t>(FPoints.size()); }

 private:
  TvnPoints FPoints;
};

class TvnClipItem : public TvnDocumentItem {
 public:
  TvnClipItem() : TvnDocumentItem(TvnItemKind::Clip) {}

  TBrush Brush;
  TPen Pen;
  bool Restore = false;
  uint32_t Mode = 0;

  // With one rectangle entry 0 is the clip; with more, entry 0 is the
  // bounding rectangle and entries 1.. the region's rectangles.
  std::vector<TRect> ClipRects;
  // Sizes ClipRects to `count` entries (new entries zero).
  void SetRects(int32_t count) { ClipRects.resize(count > 0 ? static_cast<size_t>(count) : 0); }
  int32_t NoRects() const { return static_cast<int32_t>(ClipRects.size()); }
  // Entry `position` (0-based); a zero rectangle outside the list.
  TRect GetRects(int32_t position) const {
    return position >= 0 && static_cast<size_t>(position) < ClipRects.size() ? ClipRects[static_cast<size_t>(position)] : TRect{};
  }
};

class TvnEOFItem : public TvnDocumentItem {
 public:
  TvnEOFItem() : TvnDocumentItem(TvnItemKind::EndOfFile) {}
  bool Status = false;
};

// The pen of a stroke recorded in fractional units: the width (0 the
// thinnest line), the dashes from their offset, in the pen's own units;
// the joins, caps and miter limit; and the linear map of the pen's units to
// engine pixels (x' = x*M11 + y*M21, y' = x*M12 + y*M22), which stretches
// the pen as the recording's transform did.
struct TvnExactPen {
  double Width = 0;
  std::vector<double> Dashes;  // on, off ... lengths; empty: solid
  double DashOffset = 0;
  TvnPenJoinStyle Join = TvnPenJoinStyle::pjsMiter;
  TvnPenCapStyle Cap = TvnPenCapStyle::pcsFlat;
  double MiterLimit = 10;
  double M11 = 1, M12 = 0, M21 = 0, M22 = 1;
};

class TvnPathItem : public TvnDocumentItem {
 public:
  TvnPathItem() : TvnDocumentItem(TvnItemKind::Path) {}

  std::optional<TBrush> Brush;
  std::optional<TPen> Pen;
  TvnPathOperation PathOperation = TvnPathOperation::poBeginPath;
  uint32_t Mode = 0;
  bool FillAlternate = false;
  // A clip (poSelectClipPath) by the non-zero winding rule; even-odd else.
  bool ClipWinding = false;
  // A path of a recording in fractional units: the pen a stroke draws with
  // exactly, and the opacities (0 to 1) of its fill and its stroke.
  std::optional<TvnExactPen> ExactPen;
  double FillOpacity = 1, StrokeOpacity = 1;
  // Its blend mode (the paint comment's order; 0 Normal).
  uint8_t BlendMode = 0;
};

class TvnPolyShapeItem : public TvnDocumentItem {
 public:
  TvnPolyShapeItem() : TvnDocumentItem(TvnItemKind::PolyShape) {}
  std::vector<std::unique_ptr<TvnShapeItem>> Shapes;
  bool FillAlternate = false;
};

class TvnPolyPolygonItem : public TvnDocumentItem {
 public:
  TvnPolyPolygonItem() : TvnDocumentItem(TvnItemKind::PolyPolygon) {}

  TBrush Brush;
  TPen Pen;
  int32_t NoPoly = 0;
  bool FillAlternate = false;
  // Element 0 holds the total number of points, 1..NoPoly each polygon's.
  std::vector<int32_t> NoPoints;
  TvnPoints Points;

  void SetNoPoints() { NoPoints.assign(static_cast<size_t>(NoPoly > 0 ? NoPoly : 0) + 1, 0); }
  void SetPoints() { Points.assign(NoPoints.empty() || NoPoints[0] < 0 ? 0 : static_cast<size_t>(NoPoints[0]), {}); }
};

class TvnPolyDrawItem : public TvnDocumentItem {
 public:
  TvnPolyDrawItem() : TvnDocumentItem(TvnItemKind::PolyDraw) {}

  TBrush Brush;
  TPen Pen;
  int32_t NoPoints = 0;
  std::vector<uint8_t> Operations;  // PT_MOVETO, PT_LINETO, PT_BEZIERTO [| PT_CLOSEFIGURE]
  TvnPoints Points;

  void SetPoints() {
    const size_t n = NoPoints > 0 ? static_cast<size_t>(NoPoints) : 0;
    Operations.assign(n, 0);
    Points.assign(n, {});
  }
};

class TvnParagraphItem : public TvnDocumentItem {
 public:
  TvnParagraphItem() : TvnDocumentItem(TvnItemKind::Paragraph) {}

  double X = 0, Y = 0, Width = 0, Height = 0;
  TFont Font;
  TBrush Brush;
  TWideStrings Lines;
  TvnTextFormatting Settings;
  TvnTextEffects TextEffects;
};

// A table column; setting Width notifies Onchange.
class TvnColumn {
 public:
  double Width() const { return FWidth; }
  void SetWidth(double value);
  TvnHAlignment Alignment = TvnHAlignment::haLeft;
  String Title;
  std::function<void(double)> Onchange;

 private:
  friend class TvnTableItem;
  double FWidth = 0;
};

class TvnTableItem : public TvnDocumentItem {
 public:
  TvnTableItem(int32_t no_columns, TvnCustomDocumentEngine* parent);

  TvnCustomDocumentEngine* Parent;
  double X = 0, Y = 0;
  int32_t RowCount = -1;  // index of the last row
  int32_t ColCount;
  TFont Font;
  TBrush Brush;
  TPen Pen;
  std::vector<uint32_t> RowHeights;
  std::vector<std::vector<std::unique_ptr<TvnDocumentItem>>> RowItemsList;
  TvnTableSettings Settings;
  double MaxWidth = 0, MaxHeight = 0;
  TvnTextEffects TextEffects;
  // The index in the whole table of this item's row 0: a table that spans
  // pages becomes one item per page, each holding that page's rows.
  int32_t FirstRow = 0;

  // The title height when the title is on, plus the heights of rows 0..RowCount.
  double CalculateRowHeight() const;
  // nullptr when index is outside 0..ColCount-1.
  const TvnColumn* GetColumn(int32_t index) const;
  TvnColumn* GetColumn(int32_t index) { return const_cast<TvnColumn*>(std::as_const(*this).GetColumn(index)); }
  // Sets every column's width to the settings' stored column width first.
  std::vector<std::unique_ptr<TvnColumn>>& GetColumnsList();
  // Takes over the widths, alignments and titles of another table's columns.
  void CopyColumns(const TvnTableItem& source);
  // The cell items of row `index`; nullptr outside the rows.
  std::vector<std::unique_ptr<TvnDocumentItem>>* GetRowItems(int32_t index) {
    return index >= 0 && static_cast<size_t>(index) < RowItemsList.size() ? &RowItemsList[static_cast<size_t>(index)] : nullptr;
  }

 private:
  std::vector<std::unique_ptr<TvnColumn>> FColumns;
};

// The content of one band or page: items in drawing order, and the text
// items while the engine sorts text.
class TvnBandItem {
 public:
  virtual ~TvnBandItem() = default;
  TvnItemList DocumentItems;
  TvnItemList TextItems;
  double OffsetY = 0;
};

class TvnPageItem : public TvnBandItem {
 public:
  explicit TvnPageItem(TvnCustomDocumentEngine* parent) : Parent(parent) {}
  TvnCustomDocumentEngine* Parent;
  TvnPageSettings Settings;
};

// One saved drawing state of the engine.
struct TvnEngineState {
  TFont Font;
  TPen Pen;
  TBrush Brush;
  TvnImageSettings ImageSettings;
  TvnTextFormatting TextFormatting;
  TvnTableSettings TableSettings;
  TvnPageSettings Page;
  TvnTextEffects TextEffects;
};

}  // namespace vn::exporter
