// Table styles: the formatting of a whole table and of its conditional
// regions (first row, banded rows, corners ...).
#pragma once

#include <map>
#include <memory>

#include "wordmodel/paragraph_properties.h"
#include "wordmodel/run_properties.h"
#include "wordmodel/style.h"
#include "wordmodel/table_properties.h"

namespace vn::wordmodel {

// The formatting of one region of a table style; each part may be missing.
class TvnConditionalTableStyle : public TObject {
 public:
  const std::shared_ptr<TvnParagraphProperties>& GetParagraphProperties() const { return FParagraphProperties; }
  void SetParagraphProperties(std::shared_ptr<TvnParagraphProperties> Value) {
    FParagraphProperties = std::move(Value);
  }
  const std::shared_ptr<TvnTableRowProperties>& GetTableRowProperties() const { return FTableRowProperties; }
  void SetTableRowProperties(std::shared_ptr<TvnTableRowProperties> Value) { FTableRowProperties = std::move(Value); }
  const std::shared_ptr<TvnRunProperties>& GetRunProperties() const { return FRunProperties; }
  void SetRunProperties(std::shared_ptr<TvnRunProperties> Value) { FRunProperties = std::move(Value); }
  const std::shared_ptr<TvnTableCellProperties>& GetTableCellProperties() const { return FTableCellProperties; }
  void SetTableCellProperties(std::shared_ptr<TvnTableCellProperties> Value) {
    FTableCellProperties = std::move(Value);
  }
  const std::shared_ptr<TvnTableProperties>& GetTableProperties() const { return FTableProperties; }
  void SetTableProperties(std::shared_ptr<TvnTableProperties> Value) { FTableProperties = std::move(Value); }

 private:
  std::shared_ptr<TvnParagraphProperties> FParagraphProperties;
  std::shared_ptr<TvnTableRowProperties> FTableRowProperties;
  std::shared_ptr<TvnRunProperties> FRunProperties;
  std::shared_ptr<TvnTableCellProperties> FTableCellProperties;
  std::shared_ptr<TvnTableProperties> FTableProperties;
};

// Conditional styles by region; resolved table styles share them with the
// styles they were built from.
using TvnConditionalStyles = std::map<TvnTableRegions, std::shared_ptr<TvnConditionalTableStyle>>;

// A style of type stTable.
class TvnTableStyle : public TvnStyle {
 public:
  explicit TvnTableStyle(const String& AStyleID = String());

  // The style's Assign, then copies of the cell, row and table properties
  // the source has. The conditional styles are not copied.
  void Assign(const TvnStyle* ASource, TvnStyle* ADest) const override;
  std::unique_ptr<TvnStyle> Clone() const override;

  TvnConditionalStyles& GetConditionalStyles() { return FConditionalStyles; }
  const TvnConditionalStyles& GetConditionalStyles() const { return FConditionalStyles; }
  const std::shared_ptr<TvnTableCellProperties>& GetTableCellProperties() const { return FTableCellProperties; }
  void SetTableCellProperties(std::shared_ptr<TvnTableCellProperties> Value) {
    FTableCellProperties = std::move(Value);
  }
  const std::shared_ptr<TvnTableRowProperties>& GetTableRowProperties() const { return FTableRowProperties; }
  void SetTableRowProperties(std::shared_ptr<TvnTableRowProperties> Value) { FTableRowProperties = std::move(Value); }
  const std::shared_ptr<TvnTableProperties>& GetTableProperties() const { return FTableProperties; }
  void SetTableProperties(std::shared_ptr<TvnTableProperties> Value) { FTableProperties = std::move(Value); }

 private:
  TvnConditionalStyles FConditionalStyles;
  std::shared_ptr<TvnTableCellProperties> FTableCellProperties;
  std::shared_ptr<TvnTableRowProperties> FTableRowProperties;
  std::shared_ptr<TvnTableProperties> FTableProperties;
};

}  // namespace vn::wordmodel
