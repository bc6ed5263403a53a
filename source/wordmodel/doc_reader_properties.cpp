#include "wordmodel/doc_reader_properties.h"

namespace vn::wordmodel {

TvnDocSpecificProperties::TvnDocSpecificProperties()
    : FOwnTable(std::make_unique<TvnTable>()), FTable(FOwnTable.get()) {}

TvnDocSpecificProperties::~TvnDocSpecificProperties() = default;

void TvnDocSpecificProperties::SetTable(TvnTable* Value) {
  FTable = Value;
  if (Value != FOwnTable.get()) FOwnTable.reset();
}

void TvnDocSpecificProperties::Assign(const TvnDocSpecificProperties* ASource,
                                      TvnDocSpecificProperties* ADest) const {
  if (ASource == nullptr || ADest == nullptr) return;
  ADest->FlocationOffset = ASource->FlocationOffset;
  ADest->FisBinaryData = ASource->FisBinaryData;
  ADest->FisSpecial = ASource->FisSpecial;
  ADest->FisSymbol = ASource->FisSymbol;
  ADest->FisParaInTable = ASource->FisParaInTable;
  ADest->FlastParaOfCell = ASource->FlastParaOfCell;
  ADest->FlastParaOfRow = ASource->FlastParaOfRow;
  ADest->FisEmbeddedObject = ASource->FisEmbeddedObject;
  ADest->FsymbolFontIndex = ASource->FsymbolFontIndex;
  ADest->FsymbolChar = ASource->FsymbolChar;
  ADest->FtableNestedLevel = ASource->FtableNestedLevel;
}

std::unique_ptr<TvnDocSpecificProperties> TvnDocSpecificProperties::Clone() const {
  auto copy = std::make_unique<TvnDocSpecificProperties>();
  Assign(this, copy.get());
  return copy;
}

}  // namespace vn::wordmodel
