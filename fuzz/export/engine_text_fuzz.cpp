// Contract: any text drawn through the engine's text calls (styled runs,
// wrapped text, boxes, paragraphs over pages, table cells, variables, link
// finding, right-to-left reordering) lays out and renders without a crash
// or a hang, and nothing escapes but what the engine itself reports.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "export/document_engine.h"

namespace {

class TextEngine : public vn::exporter::TvnCustomDocumentEngine {
 public:
  TextEngine() {
    Preferences().SetShowSetupDialog(false);
    Preferences().SetOpenAfterCreate(false);
    SetMeasurementUnit(vn::exporter::TvnUnitType::muPixels);
    OnCalcVariables = [](TvnCustomDocumentEngine&, const vn::String& name, vn::String& value) { value = name + name; };
  }

  void Exercise(const vn::String& text) {
    for (int32_t pos = 0; pos <= static_cast<int32_t>(text.size());) {
      const vn::String link = FindNextLink(text, pos);
      if (link.empty()) break;
      pos += static_cast<int32_t>(link.size());
    }
    ReorderBiDiText(text);
    ReplaceVariables(text, true);
  }

 protected:
  void RenderTextItem(vn::exporter::TvnTextItem& item) override {
    if (item.Lines.Count() > 0) Exercise(item.Lines.GetString(0));
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 8192) return 0;
  // The first byte picks a box width; the rest is the text, UTF-16.
  const double width = size > 0 ? 1 + data[0] * 3 : 100;
  vn::String text;
  for (size_t i = 1; i + 1 < size; i += 2) text += static_cast<char16_t>(data[i] | data[i + 1] << 8);

  TextEngine engine;
  engine.TableSettings().SetColumnWidth(width);
  engine.TableSettings().EnableTitle = true;
  engine.BeginDoc();
  engine.HTMLTextOut(10, 10, text);
  engine.TextOut(width, 40, text, true);
  engine.TextBox({20, 60, 20 + width, 300}, text, vn::exporter::TvnHAlignment::haJustify, vn::exporter::TvnVAlignment::vaCenter);
  engine.TextOutV(700, 60, text.substr(0, 64), true);
  engine.BeginPara();
  engine.TextOut(text);
  engine.TextOut(text);
  engine.EndPara();
  if (auto* columns = engine.BeginTable(0, 20, 2)) {
    (*columns)[0]->Title = text;
    for (int row = 0; row < 3; ++row) {
      engine.NewRow();
      engine.TextOut(row % 2, text);
    }
    engine.EndTable();
  }
  engine.EndDoc();
  return 0;
}
