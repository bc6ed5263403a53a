// An RTF document held as data: its sections and its colour and font
// tables, with the document's page size and margins in twips.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "wordmodel/section.h"
#include "wordmodel/word_types.h"

namespace vn::wordmodel {

// Colours by their number in the document's colour table.
class TvnColorTable : public TvnDocItem {
 public:
  std::map<int32_t, TvnRGBColor>& GetColorTableEntry() { return FColorTableEntry; }
  const std::map<int32_t, TvnRGBColor>& GetColorTableEntry() const { return FColorTableEntry; }

 private:
  std::map<int32_t, TvnRGBColor> FColorTableEntry;
};

// Fonts by their number in the document's font table.
class TvnFontTable : public TObject {
 public:
  std::map<int32_t, std::unique_ptr<TvnFont>>& GetFontTableEntry() { return FFontTableEntry; }
  const std::map<int32_t, std::unique_ptr<TvnFont>>& GetFontTableEntry() const { return FFontTableEntry; }

 private:
  std::map<int32_t, std::unique_ptr<TvnFont>> FFontTableEntry;
};

class TvnWordDOMObject : public TObject {};

// A US Letter page (12240 by 15840 twips) with margins of 1800 twips left
// and right and 1440 top and bottom when new.
class TvnRTFDOMObject : public TvnWordDOMObject {
 public:
  TvnRTFDOMObject();
  ~TvnRTFDOMObject() override;

  std::vector<std::unique_ptr<TvnSection>>& GetSections() { return FSections; }
  TvnColorTable* GetRTFColorTable() const { return FRTFColorTable.get(); }
  TvnFontTable* GetRTFFontTable() const { return FRTFFontTable.get(); }
  double GetDocumentWidth() const { return FDocumentWidth; }
  void SetDocumentWidth(double Value) { FDocumentWidth = Value; }
  double GetDocumentHeight() const { return FDocumentHeight; }
  void SetDocumentHeight(double Value) { FDocumentHeight = Value; }
  double GetDocumentLeftMargin() const { return FDocumentLeftMargin; }
  void SetDocumentLeftMargin(double Value) { FDocumentLeftMargin = Value; }
  double GetDocumentRightMargin() const { return FDocumentRightMargin; }
  void SetDocumentRightMargin(double Value) { FDocumentRightMargin = Value; }
  double GetDocumentTopMargin() const { return FDocumentTopMargin; }
  void SetDocumentTopMargin(double Value) { FDocumentTopMargin = Value; }
  double GetDocumentBottomMargin() const { return FDocumentBottomMargin; }
  void SetDocumentBottomMargin(double Value) { FDocumentBottomMargin = Value; }

 private:
  std::vector<std::unique_ptr<TvnSection>> FSections;
  std::unique_ptr<TvnColorTable> FRTFColorTable;
  std::unique_ptr<TvnFontTable> FRTFFontTable;
  double FDocumentWidth = 12240;
  double FDocumentHeight = 15840;
  double FDocumentLeftMargin = 1800;
  double FDocumentRightMargin = 1800;
  double FDocumentTopMargin = 1440;
  double FDocumentBottomMargin = 1440;
};

}  // namespace vn::wordmodel
