#include "export/plain_sheet_engine.h"

namespace vn::exporter {

TvnCustomPlainSheetEngine::TvnCustomPlainSheetEngine(TvnBaseComponent* AOwner) : TvnCustomDocumentEngine(AOwner) {
  InstallPreferences(NewPreferences());
}

void TvnCustomPlainSheetEngine::BeginDoc() {
  FTOCItemList = std::make_unique<std::vector<TvnTOCItem>>();
  TvnCustomDocumentEngine::BeginDoc();
}

void TvnCustomPlainSheetEngine::EndDoc() {
  TvnCustomDocumentEngine::EndDoc();
  FTOCItemList.reset();
}

const std::vector<TvnTOCItem>& TvnCustomPlainSheetEngine::TOCItems() const {
  static const std::vector<TvnTOCItem> kNone;
  return FTOCItemList ? *FTOCItemList : kNone;
}

int32_t TvnCustomPlainSheetEngine::AddTOCItem(const String& title, int32_t parent_node, int32_t page_number, double top) {
  if (!IsDocumentStarted() || !FTOCItemList) return -1;
  const auto count = static_cast<int32_t>(FTOCItemList->size());
  if (parent_node < -1 || parent_node >= count || page_number < 1 || page_number > PageCount()) return -1;
  TvnTOCItem entry;
  entry.Title = title;
  entry.PageNumber = page_number;
  entry.ParentNode = parent_node;
  entry.Y = top;
  FTOCItemList->push_back(std::move(entry));
  return count;
}

int32_t TvnCustomPlainSheetEngine::AddTOCItem(const String& title, int32_t parent_node, const std::string& url) {
  if (!IsDocumentStarted() || !FTOCItemList) return -1;
  const auto count = static_cast<int32_t>(FTOCItemList->size());
  if (parent_node < -1 || parent_node >= count) return -1;
  TvnTOCItem entry;
  entry.Title = title;
  entry.ParentNode = parent_node;
  entry.URL = url;
  FTOCItemList->push_back(std::move(entry));
  return count;
}

void TvnCustomPlainSheetEngine::SetTextFormatting(const TvnTextFormatting& value) {
  TvnTextFormatting& own = TextFormatting();
  own.Assign(value);
  own.SetLeftIndent(value.LeftIndent());
  own.SetRightIndent(value.RightIndent());
  own.SetFirstLineIndent(value.FirstLineIndent());
}

void TvnCustomPlainSheetEngine::SetTableSettings(const TvnTableSettings& value) {
  TvnTableSettings& own = TableSettings();
  own.SetColumnWidth(value.ColumnWidth());
  own.SetRowHeight(value.RowHeight());
  own.SetTitleHeight(value.TitleHeight());
  own.AutoAdjustColumnWidth = value.AutoAdjustColumnWidth;
  own.EnableTitle = value.EnableTitle;
  own.SetInternalMargin(value.InternalMargin());
}

}  // namespace vn::exporter
