// The extra data the Word 97-2003 reader attaches to the paragraph and run
// properties it makes (their AdditionalInfo): picture location, symbol,
// table membership of the paragraph, and the table a paragraph inside a
// table belongs to.
#pragma once

#include <cstdint>
#include <memory>

#include "wordmodel/table.h"
#include "wordmodel/word_types.h"

namespace vn::wordmodel {

class TvnDocSpecificProperties : public TObject {
 public:
  // Starts with a new empty table of its own.
  TvnDocSpecificProperties();
  ~TvnDocSpecificProperties() override;

  // Copies every field but the table.
  void Assign(const TvnDocSpecificProperties* ASource, TvnDocSpecificProperties* ADest) const;
  // A new object (with a new table of its own) assigned from this one.
  std::unique_ptr<TvnDocSpecificProperties> Clone() const;

  // The picture's position in the Data stream.
  double GetLocationOffset() const { return FlocationOffset; }
  void SetLocationOffset(double Value) { FlocationOffset = Value; }
  bool GetIsBinaryData() const { return FisBinaryData; }
  void SetIsBinaryData(bool Value) { FisBinaryData = Value; }
  bool GetIsSpecial() const { return FisSpecial; }
  void SetIsSpecial(bool Value) { FisSpecial = Value; }
  bool GetIsSymbol() const { return FisSymbol; }
  void SetIsSymbol(bool Value) { FisSymbol = Value; }
  bool GetIsParaInTable() const { return FisParaInTable; }
  void SetIsParaInTable(bool Value) { FisParaInTable = Value; }
  bool GetLastParaOfCell() const { return FlastParaOfCell; }
  void SetLastParaOfCell(bool Value) { FlastParaOfCell = Value; }
  bool GetLastParaOfRow() const { return FlastParaOfRow; }
  void SetLastParaOfRow(bool Value) { FlastParaOfRow = Value; }
  bool GetIsEmbeddedObject() const { return FisEmbeddedObject; }
  void SetIsEmbeddedObject(bool Value) { FisEmbeddedObject = Value; }
  int32_t GetSymbolFontIndex() const { return FsymbolFontIndex; }
  void SetSymbolFontIndex(int32_t Value) { FsymbolFontIndex = Value; }
  char16_t GetSymbolChar() const { return FsymbolChar; }
  void SetSymbolChar(char16_t Value) { FsymbolChar = Value; }
  // The paragraph's table depth.
  int32_t GetTableNestedLevel() const { return FtableNestedLevel; }
  void SetTableNestedLevel(int32_t Value) { FtableNestedLevel = Value; }
  // The table the paragraph belongs to: the object's own until a table
  // being built is set in its place.
  TvnTable* GetTable() const { return FTable; }
  // Points at a table owned elsewhere; the object's own table is freed.
  void SetTable(TvnTable* Value);
  // Whether the object owns its table.
  bool GetDeleteTable() const { return FOwnTable != nullptr; }

 private:
  double FlocationOffset = 0;
  bool FisBinaryData = false;
  bool FisSpecial = false;
  bool FisSymbol = false;
  bool FisParaInTable = false;
  bool FlastParaOfCell = false;
  bool FlastParaOfRow = false;
  bool FisEmbeddedObject = false;
  int32_t FsymbolFontIndex = 0;
  char16_t FsymbolChar = 0;
  int32_t FtableNestedLevel = 1;
  std::unique_ptr<TvnTable> FOwnTable;
  TvnTable* FTable = nullptr;
};

}  // namespace vn::wordmodel
