// Paragraphs and tables of TvnCustomDocumentEngine: text that wraps to the
// band and continues on new pages, and tables filled row by row that are
// split over pages when they end. The render hooks lay both out into text
// items, lines, rectangles and images for the format.
//
// A table that spans pages becomes one table item per page, each holding
// its page's rows (and the first one the title row), so every page owns
// what it draws and a page can be written as soon as it is finished.
#include <algorithm>
#include <cmath>
#include <limits>

#include "export/document_engine.h"
#include "export/engine_text_impl.h"
#include "runtime/numbers.h"

namespace vn::exporter {

namespace {

// A row height as the table keeps it: whole pixels, never negative.
uint32_t RowHeightOf(double height) {
  if (!(height > 0)) return 0;
  return static_cast<uint32_t>(std::min(height, static_cast<double>(std::numeric_limits<uint32_t>::max())));
}

}  // namespace

// ---- paragraphs

double TvnCustomDocumentEngine::ParagraphLineHeight(const TvnParagraphItem& item) const {
  return GetTextSize(u"W", item.Font).cy * item.Settings.LineSpacing;
}

double TvnCustomDocumentEngine::ParagraphFreeHeight(const TvnParagraphItem& item) const {
  return item.Height - item.Lines.Count() * ParagraphLineHeight(item);
}

std::unique_ptr<TvnParagraphItem> TvnCustomDocumentEngine::NewParagraphItem(double y) const {
  auto item = std::make_unique<TvnParagraphItem>();
  // The item's settings keep pixels (their factor stays 1).
  item->Settings.Assign(FTextFormatting);
  item->Font = FFont;
  item->Brush = FBrush;
  item->TextEffects.Assign(FTextEffects);
  item->X = FBandRect.Left;
  item->Y = y;
  item->Width = FBandRect.Right - item->X - item->Settings.RightIndent() - item->Settings.LeftIndent();
  item->Height = FBandRect.Bottom - y;
  return item;
}

void TvnCustomDocumentEngine::BeginPara() {
  if (!CanDraw(TvnCapabilityKind::ckText, TvnItemsToRenderKind::irText)) return;
  FNoSorting = false;
  if (FParagraphItem) EndPara();
  FCurrentOffsetY += FTextFormatting.BeforeSpace() * FTextFormatting.NativeFactor();
  double y = FBandRect.Top + FCurrentOffsetY;
  if (!IsInBand(FBandRect.Left, y)) {
    // Only the page content goes on to new pages, and only a band that can
    // hold something is worth a new page.
    const bool roomy = FBandRect.Right > FBandRect.Left && FBandRect.Bottom > FBandRect.Top;
    if (FBandType != TvnBandType::btContent || !roomy || !std::isfinite(y)) return;
    y = std::max(y, FBandRect.Top);
    while (!IsInBand(FBandRect.Left, y)) {
      const double below = y - FBandRect.Bottom;
      NewPage();
      if (!FIsDocumentStarted) return;
      y = FBandRect.Top + below;
    }
    FCurrentOffsetY = y - FBandRect.Top;
  }
  FParagraphItem = NewParagraphItem(y);
  FParaItem.clear();
}

double TvnCustomDocumentEngine::TextOut(const String& text) {
  if (!FParagraphItem || !CanDraw(TvnCapabilityKind::ckText, TvnItemsToRenderKind::irText)) return 0;
  FNoSorting = false;
  TvnParagraphItem* target = FParaItem.empty() ? FParagraphItem.get() : FParaItem.back().get();
  WrapTextW(ReplaceVariables(text, false), target->Lines, target->Font, false,
            target->Width - target->Settings.FirstLineIndent(), target->Width);
  double free = ParagraphFreeHeight(*target);
  while (free < 0) {
    const double line_height = ParagraphLineHeight(*target);
    if (!(line_height > 0)) break;
    // The lines that do not fit move on; a continuation keeps at least one
    // line, so a band lower than a line still ends the loop.
    const int32_t keep = target == FParagraphItem.get() ? 0 : 1;
    const int32_t count = target->Lines.Count();
    const int32_t n = static_cast<int32_t>(std::min<double>(std::ceil(-free / line_height), count - keep));
    if (n <= 0) break;
    String moved;
    for (int32_t i = count - n; i < count; ++i) moved += target->Lines.GetString(i);
    for (int32_t i = 0; i < n; ++i) target->Lines.Delete(target->Lines.Count() - 1);
    // A footer or header cannot continue on another page, nor can anything
    // when the caller paginates itself: the text that does not fit is left
    // out and the caller told so.
    if (FBandType != TvnBandType::btContent || !FIsAutoPaginate) return -1;
    std::unique_ptr<TvnParagraphItem> continuation = NewParagraphItem(FBandRect.Top);
    continuation->Settings.SetFirstLineIndent(0);  // it goes on with a line, it starts none
    WrapTextW(moved, continuation->Lines, continuation->Font, false, continuation->Width, continuation->Width);
    target = continuation.get();
    FParaItem.push_back(std::move(continuation));
    free = ParagraphFreeHeight(*target);
  }
  return free / FNativeConversionFactor;
}

void TvnCustomDocumentEngine::EndPara() {
  if (!FParagraphItem) return;
  std::unique_ptr<TvnParagraphItem> paragraph = std::move(FParagraphItem);
  std::vector<std::unique_ptr<TvnParagraphItem>> continuations = std::move(FParaItem);
  FParaItem.clear();
  paragraph->Height = paragraph->Lines.Count() * ParagraphLineHeight(*paragraph);
  FCurrentOffsetY += paragraph->Height;
  AddItem(std::move(paragraph));
  if (!FIsAutoPaginate) return;
  for (auto& continuation : continuations) {
    NewPage();
    if (!FIsDocumentStarted) return;
    continuation->Height = continuation->Lines.Count() * ParagraphLineHeight(*continuation);
    FCurrentOffsetY += continuation->Height;
    AddItem(std::move(continuation));
  }
}

void TvnCustomDocumentEngine::RenderParagraphItem(TvnParagraphItem& item) {
  TvnTextItem work;
  work.Font = item.Font;
  work.Brush = item.Brush;
  work.TextEffects.Assign(item.TextEffects);
  const TvnTextFormatting& f = item.Settings;
  const double line_height = ParagraphLineHeight(item);
  const TvnFontMeasure measure(item.Font);
  const int32_t count = item.Lines.Count();
  for (int32_t i = 0; i < count; ++i) {
    const String line = item.Lines.GetString(i);
    String shown = VisibleLine(line);
    const double indent = i == 0 ? f.FirstLineIndent() : 0;
    double x = item.X + f.LeftIndent() + indent;
    const double free = item.Width - indent;
    switch (f.Alignment) {
      case TvnHAlignment::haRight:
        x += free - measure.Width(shown);
        work.Alignment = TvnHAlignment::haRight;
        break;
      case TvnHAlignment::haCenter:
        x += (free - measure.Width(shown)) / 2;
        work.Alignment = TvnHAlignment::haCenter;
        break;
      case TvnHAlignment::haJustify:
        // The last line of the text and of each of its paragraphs keeps its
        // natural spacing.
        if (i + 1 < count && !EndsWithLineBreak(line))
          shown = vn::framework::JustifyTextToWidth(shown, [&measure](StringView s) { return measure.Width(s); }, free);
        work.Alignment = TvnHAlignment::haJustify;
        break;
      default: break;
    }
    if (shown.empty()) continue;
    work.X = x;
    work.Y = item.Y + i * line_height;
    work.Lines.Clear();
    work.Lines.Add(shown);
    RenderTextItem(work);
  }
}

// ---- tables

double TvnCustomDocumentEngine::PrintableHeight() const {
  const TvnPageItem* page = WorkingPage();
  const TvnPageSettings& s = page ? page->Settings : FPage;
  return (s.Height() - s.BottomMargin() - s.FooterHeight() - s.TopMargin() - s.HeaderHeight()) * s.NativeFactor();
}

std::vector<std::unique_ptr<TvnColumn>>* TvnCustomDocumentEngine::BeginTable(double x, double y, int32_t no_columns) {
  if (!FIsDocumentStarted) return nullptr;
  const double px = ConvertX(x) + FBandRect.Left;
  const double py = ConvertY(y) + FBandRect.Top;
  if (!IsInBand(px, py)) return nullptr;
  if (FTableItem) EndTable();
  auto table = std::make_unique<TvnTableItem>(std::max(no_columns, 0), this);
  // The item's settings keep pixels (their factor stays 1).
  table->Settings.Assign(FTableSettings);
  table->X = px;
  table->Y = py;
  table->MaxWidth = FBandRect.Right - px;
  table->MaxHeight = FBandRect.Bottom - py;
  table->Font = FFont;
  table->Pen = FPen;
  table->Brush = FBrush;
  table->TextEffects.Assign(FTextEffects);
  FTableItem = std::move(table);
  return &FTableItem->GetColumnsList();
}

double TvnCustomDocumentEngine::NewRow(double height) {
  const double factor = FNativeConversionFactor;
  if (!FTableItem) return -1 / factor;
  TvnTableItem& table = *FTableItem;
  const double above = table.CalculateRowHeight();
  table.RowItemsList.emplace_back();
  ++table.RowCount;
  // A row is never higher than a page can hold.
  const double room = PrintableHeight() - table.Settings.TitleHeight();
  const double row = height * factor > room ? std::floor(room) : static_cast<double>(vn::Round(ConvertY(height)));
  table.RowHeights.push_back(RowHeightOf(row));
  return (FBandRect.Bottom - table.Y - above - table.RowHeights.back()) / factor;
}

double TvnCustomDocumentEngine::NewRow() {
  if (!FTableItem) return -1 / FNativeConversionFactor;
  const double room = PrintableHeight() - FTableItem->Settings.TitleHeight();
  if (FTableSettings.RowHeight() * FNativeConversionFactor > room)
    FTableSettings.SetRowHeight((room - 1) / FNativeConversionFactor);
  return NewRow(FTableSettings.RowHeight());
}

void TvnCustomDocumentEngine::TextOut(int32_t column_no, const String& text) {
  if (!FTableItem || FTableItem->RowCount < 0 || !CanDraw(TvnCapabilityKind::ckText, TvnItemsToRenderKind::irText)) return;
  TvnTableItem& table = *FTableItem;
  TvnColumn* column = table.GetColumn(column_no);
  if (!column) return;
  FNoSorting = false;
  const TvnRect m = table.Settings.InternalMargin();
  auto item = std::make_unique<TvnTextItem>();
  item->X = column_no;
  item->Y = table.RowCount;
  item->Font = FFont;
  item->Brush = FBrush;
  item->BiDiMode = FBiDiMode;
  const bool auto_width = table.Settings.AutoAdjustColumnWidth;
  const double inner = column->Width() - static_cast<double>(vn::Round(m.Left)) - static_cast<double>(vn::Round(m.Right));
  const int32_t needed = WrapTextW(ReplaceVariables(text, false), item->Lines, item->Font, auto_width, inner, inner);
  if (auto_width && needed + m.Left + m.Right > column->Width()) column->SetWidth(needed + m.Left + m.Right);
  const double line_height = GetTextSize(u"W", item->Font).cy;
  uint32_t& row_height = table.RowHeights[static_cast<size_t>(table.RowCount)];
  row_height = std::max(row_height, RowHeightOf(static_cast<double>(vn::Round(line_height * item->Lines.Count() + m.Top + m.Bottom))));
  table.RowItemsList[static_cast<size_t>(table.RowCount)].push_back(std::move(item));
}

void TvnCustomDocumentEngine::DrawImage(int32_t column_no, double width, double height, const TGraphic& graphic) {
  if (!FTableItem || FTableItem->RowCount < 0 || !CanDraw(TvnCapabilityKind::ckImage, TvnItemsToRenderKind::irImage)) return;
  TvnTableItem& table = *FTableItem;
  TvnColumn* column = table.GetColumn(column_no);
  if (!column) return;
  const int32_t index = AddImageResource(graphic, FPreferences->UseImagesAsResources());
  if (index < 0) return;
  auto item = std::make_unique<TvnImageItem>();
  item->Settings.Assign(FImageSettings);
  if (FImageSettings.IsFrame) {
    item->Frame.Assign(FFrame);
    item->Pen = FPen;
  }
  item->Brush = FBrush;
  item->IndexNo = index;
  item->X = column_no;
  item->Y = table.RowCount;
  const double w = FImageSettings.Autosize ? graphic.Width() : ConvertX(width);
  const double h = FImageSettings.Autosize ? graphic.Height() : ConvertY(height);
  const TvnRect m = table.Settings.InternalMargin();
  double cell_width = static_cast<double>(vn::Round(m.Left + m.Right + w));
  double cell_height = 0;
  if (table.Settings.AutoAdjustColumnWidth) {
    if (column->Width() < cell_width) column->SetWidth(cell_width);
    cell_height = static_cast<double>(vn::Round(h + m.Top + m.Bottom));
  } else {
    // The picture is scaled down to the column, keeping its proportions.
    cell_width = std::min(cell_width, column->Width());
    const double scaled = w > 0 ? (cell_width - m.Left - m.Right) * h / w : 0;
    cell_height = static_cast<double>(vn::Round(scaled + m.Top + m.Bottom));
  }
  uint32_t& row_height = table.RowHeights[static_cast<size_t>(table.RowCount)];
  row_height = std::max(row_height, RowHeightOf(cell_height));
  item->Settings.Autosize = false;
  item->Width = cell_width - m.Left - m.Right;
  item->Height = cell_height - m.Top - m.Bottom;
  item->DisplayRect = {0, 0, item->Width, item->Height};
  table.RowItemsList[static_cast<size_t>(table.RowCount)].push_back(std::move(item));
}

void TvnCustomDocumentEngine::AddTablePart(TvnTableItem& table, int32_t first_row, int32_t row_count, double y,
                                           bool with_title) {
  auto part = std::make_unique<TvnTableItem>(table.ColCount, this);
  part->Settings.Assign(table.Settings);
  part->Settings.EnableTitle = with_title && table.Settings.EnableTitle;
  part->CopyColumns(table);
  part->X = table.X;
  part->Y = y;
  part->MaxWidth = table.MaxWidth;
  part->MaxHeight = table.MaxHeight;
  part->Font = table.Font;
  part->Pen = table.Pen;
  part->Brush = table.Brush;
  part->TextEffects.Assign(table.TextEffects);
  part->FirstRow = first_row;
  for (int32_t row = first_row; row < first_row + row_count; ++row) {
    part->RowHeights.push_back(table.RowHeights[static_cast<size_t>(row)]);
    part->RowItemsList.push_back(std::move(table.RowItemsList[static_cast<size_t>(row)]));
  }
  part->RowCount = row_count - 1;
  AddItem(std::move(part));
}

void TvnCustomDocumentEngine::EndTable() {
  if (!FTableItem) return;
  std::unique_ptr<TvnTableItem> table = std::move(FTableItem);
  std::vector<int32_t> rows_on_page{FCurrentPage};
  // Only the page content goes on to new pages, and only when the engine
  // paginates; otherwise every row stays on this page.
  const bool paginate = FBandType == TvnBandType::btContent && FIsAutoPaginate;
  double y = table->Y + (table->Settings.EnableTitle ? TableTitleHeight(*table) : 0);
  double part_y = table->Y;
  int32_t first = 0, count = 0;
  bool first_part = true, new_page = false;
  for (int32_t row = 0; row <= table->RowCount; ++row) {
    const TvnPageItem* page = WorkingPage();
    const TvnPageSettings& s = page ? page->Settings : FPage;
    const double bottom = (s.Height() - s.BottomMargin() - s.FooterHeight()) * s.NativeFactor();
    uint32_t& height = table->RowHeights[static_cast<size_t>(row)];
    height = std::min(height, RowHeightOf(std::floor(PrintableHeight())));
    y += height;
    // The first row on a continued page stays there, whatever its height.
    if (!paginate || y <= bottom || (count == 0 && new_page)) {
      ++count;
      continue;
    }
    rows_on_page.push_back(count);
    AddTablePart(*table, first, count, part_y, first_part);
    first += count;
    count = 0;
    first_part = false;
    NewPage();
    if (!FIsDocumentStarted) return;
    new_page = true;
    part_y = y = (FPage.TopMargin() + FPage.HeaderHeight()) * FPage.NativeFactor();
    --row;  // the row is tried again on the new page
  }
  rows_on_page.push_back(count);
  rows_on_page.push_back(0);
  AddTablePart(*table, first, count, part_y, first_part);
  FRowsOnPage.push_back(std::move(rows_on_page));
}

TWideStrings TvnCustomDocumentEngine::TitleLines(const TvnTableItem& table, int32_t column_no) {
  TWideStrings lines;
  const TvnColumn* column = table.GetColumn(column_no);
  if (!column || column->Title.empty()) return lines;
  const TvnRect m = table.Settings.InternalMargin();
  const double inner = column->Width() - m.Left - m.Right;
  WrapTextW(ReplaceVariables(column->Title, true), lines, table.Font, false, inner, inner);
  if (lines.Count() > 0 && lines.GetString(0).empty()) lines.Delete(0);
  return lines;
}

double TvnCustomDocumentEngine::TableTitleHeight(TvnTableItem& table) {
  double height = table.Settings.TitleHeight();
  const TvnRect m = table.Settings.InternalMargin();
  const double line_height = GetTextSize(u"W", table.Font).cy;
  for (int32_t column = 0; column < table.ColCount; ++column) {
    const int32_t lines = TitleLines(table, column).Count();
    if (lines > 0) height = std::max(height, line_height * lines + m.Top + m.Bottom);
  }
  return height;
}

void TvnCustomDocumentEngine::DrawTableCell(TvnTableItem& table, int32_t row, int32_t column_no, double x, double y,
                                            double width, double height, const TvnDocumentItem* content) {
  TPen pen = table.Pen;
  TBrush brush = table.Brush;
  TFont font = table.Font;
  TvnFrame frame;
  TvnHAlignment align = table.GetColumn(column_no)->Alignment;
  if (OnCellDraw) OnCellDraw(*this, row, column_no, pen, brush, font, frame, align);
  TPen clear_pen = pen;
  clear_pen.Style = TPenStyle::psClear;
  DrawRectangle(x, y, x + width, y + height, clear_pen, &brush);
  if (frame.IsLeft) DrawLine(x, y, x, y + height, pen);
  if (frame.IsTop) DrawLine(x, y, x + width, y, pen);
  if (frame.IsRight) DrawLine(x + width, y, x + width, y + height, pen);
  if (frame.IsBottom) DrawLine(x, y + height, x + width, y + height, pen);
  const TvnRect m = table.Settings.InternalMargin();
  const double inner_width = width - m.Left - m.Right, inner_height = height - m.Top - m.Bottom;
  if (!content || !(inner_width > 0) || !(inner_height > 0)) return;
  if (content->Kind() == TvnItemKind::Text) {
    const auto& cell = static_cast<const TvnTextItem&>(*content);
    TvnTextItem work;
    work.Font = font;
    work.Brush = brush;
    work.X = x;
    work.Y = y;
    for (int32_t i = 0; i < cell.Lines.Count(); ++i)
      work.Lines.Add(i == 0 ? ReplaceVariables(cell.Lines.GetString(0), true) : cell.Lines.GetString(i));
    RenderTextLines(work, align, m, height, width, TvnVAlignment::vaTop);
  } else if (content->Kind() == TvnItemKind::Image) {
    TvnImageItem image = static_cast<const TvnImageItem&>(*content);
    image.Pen = pen;
    image.Brush = brush;
    image.X = x + m.Left;
    image.Y = y + m.Top;
    image.Width = std::min(image.Width, inner_width);
    image.Height = std::min(image.Height, inner_height);
    image.DisplayRect = {image.X, image.Y, image.X + image.Width, image.Y + image.Height};
    RenderImageItem(image);
  }
}

void TvnCustomDocumentEngine::RenderTableItem(TvnTableItem& table) {
  // Draws one row: a cell per column that starts within the table's width.
  auto draw_row = [&](int32_t row, double y, double height, const std::function<const TvnDocumentItem*(int32_t)>& content) {
    double x = table.X;
    for (int32_t column = 0; column < table.ColCount; ++column) {
      if (column > 0) x += table.GetColumn(column - 1)->Width();
      if (x - table.X >= table.MaxWidth) break;
      DrawTableCell(table, row, column, x, y, table.GetColumn(column)->Width(), height, content(column));
    }
  };
  double y = table.Y;
  if (table.Settings.EnableTitle) {
    const double height = TableTitleHeight(table);
    std::vector<std::unique_ptr<TvnTextItem>> titles;
    draw_row(-1, y, height, [&](int32_t column) -> const TvnDocumentItem* {
      auto title = std::make_unique<TvnTextItem>();
      title->Lines = TitleLines(table, column);
      titles.push_back(std::move(title));
      return titles.back().get();
    });
    y += height;
  }
  for (int32_t row = 0; row <= table.RowCount; ++row) {
    auto& cells = table.RowItemsList[static_cast<size_t>(row)];
    const double height = table.RowHeights[static_cast<size_t>(row)];
    draw_row(table.FirstRow + row, y, height, [&](int32_t column) -> const TvnDocumentItem* {
      for (auto& cell : cells)
        if ((cell->Kind() == TvnItemKind::Text && static_cast<TvnTextItem&>(*cell).X == column) ||
            (cell->Kind() == TvnItemKind::Image && static_cast<TvnImageItem&>(*cell).X == column))
          return cell.get();
      return nullptr;
    });
    y += height;
  }
}

}  // namespace vn::exporter
