// Fuzz target for the table sprm interpreter.
// Contract: any bytes in: the first byte gives the number of cells of the
// table's one row (0 to 15; with its high bit the table has no row), the
// rest is a row-end paragraph's sprm list, applied to that table; the sprms
// change no row or cell count; no crash, leak or hang.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <span>

#include "doc/property_modifiers.h"
#include "wordmodel/paragraph_properties.h"
#include "wordmodel/table.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const size_t cells = data[0] & 0x0F;
  const bool rowless = (data[0] & 0x80) != 0;
  vn::wordmodel::TvnTable table;
  if (!rowless) {
    auto row = std::make_unique<vn::wordmodel::TvnTableRow>();
    for (size_t i = 0; i < cells; ++i) {
      auto cell = std::make_unique<vn::wordmodel::TvnTableCell>(0);
      // Every other cell without cell properties, as damage may leave it.
      if (i % 2 == 0) cell->SetTableCellProperties(std::make_shared<vn::wordmodel::TvnTableCellProperties>());
      row->InsertCell(std::move(cell));
    }
    table.InsertRow(std::move(row));
  }
  vn::doc::TvnBinaryReader reader(std::span<const uint8_t>(data + 1, size - 1));
  const vn::doc::TvnPRLList prls = vn::doc::GetPRLs(reader, static_cast<int64_t>(size - 1));
  vn::doc::TvnDOCHelperFunctions helpers({}, {}, 0, 0);
  vn::wordmodel::TvnParagraphProperties para;
  vn::doc::DocSpecificOf(para).SetTable(&table);
  helpers.ParseParagraphProperties(para, &prls, reader);
  if (table.GetRows().size() != (rowless ? 0u : 1u)) std::abort();
  if (!rowless && table.GetRows()[0]->GetCells().size() != cells) std::abort();
  return 0;
}
