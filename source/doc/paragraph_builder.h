// TvnDocParagraphBuilder: turns a range of one story of a Word 97-2003
// document into Word model items: paragraphs with their runs, text, tab and
// line breaks, fields with their results, list labels, and tables put
// together from the paragraphs inside them (nested tables into the cell
// that holds them).
//
// A paragraph ends after each paragraph mark (13) and cell or row mark (7),
// and after a section break (12) that ends a paragraph run; it takes the
// properties of the paragraph run holding its last character, layered over
// the document's default paragraph style and its own style. Each character
// run gives runs whose properties layer the paragraph's character
// formatting, the run's character style and the run's own sprms, in that
// order. Control characters never reach the text: a tab becomes a tab
// break, a vertical tab a line break between runs, a page break the
// paragraph's page-break-before; marks and characters that stand for
// objects are dropped.
//
// Fields: a field begin (19), separator (20) and end (21) in a special run
// open a field, switch it from its code to its result and close it. The
// code text gives the field's code; the result's runs become the field's
// result, and the field takes the place of its end in the paragraph. A
// field nested in another's result gives its result runs to the outer one.
// A result that reaches past a paragraph mark cannot be one item of one
// paragraph: it is shown as the ordinary content it is, where it lies, and
// the field is dropped. A code that reaches past a paragraph mark gives the
// field up: its separator is ignored and what follows, up to its end, is
// content.
// Fields nest at most 64 deep; deeper ones are ignored with their ends.
//
// Tables: a paragraph inside a table (sprmPFInTable) goes into the cell
// being built at its depth (sprmPItap); a cell ends with a cell mark or
// sprmPFInnerTableCell, a row with sprmPFTtp or sprmPFInnerTtp, whose mark
// paragraph is dropped after its table sprms were applied to the row. A
// table is handed out when the first paragraph after it is built, or when
// the range ends.
//
// Pictures and drawn objects (characters 1 and 8 of a special run) are made
// by the object maker a caller sets; without one they are dropped.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "doc/binary_reader.h"
#include "doc/doc_package.h"
#include "doc/formatted_disk_pages.h"
#include "doc/list_numbering.h"
#include "runtime/strings.h"
#include "wordmodel/document_mediator.h"
#include "wordmodel/fields.h"
#include "wordmodel/paragraph.h"
#include "wordmodel/style.h"
#include "wordmodel/table.h"

namespace vn::doc {

struct TvnDocStory;

// One table being built.
struct TvnTableInfo {
  std::unique_ptr<vn::wordmodel::TvnTable> FOwnedTable;  // until it is handed out or put into its cell
  vn::wordmodel::TvnTable* FTable = nullptr;
  int32_t FColumn = 0;  // 1-based once started
  int32_t FRow = 0;
  size_t FParent = 0;  // 1-based index of the enclosing table's info, 0 for the outermost
  bool FColumnClose = true;
  bool FRowClose = true;
  // Finished inner tables waiting for the cell they go into.
  std::vector<std::unique_ptr<vn::wordmodel::TvnTable>> FPending;
};

class TvnDocParagraphBuilder {
 public:
  // Makes the items a picture or drawn-object character of a special run
  // stands for: the character, its position in the story and the run's
  // properties.
  using ObjectMaker = std::function<vn::wordmodel::TvnItemList(char16_t, int64_t,
                                                               const std::shared_ptr<vn::wordmodel::TvnRunProperties>&)>;

  // Everything is borrowed; the mediator, its style table and the list
  // numbering may be null.
  TvnDocParagraphBuilder(TvnDOCPackage* APackage, vn::wordmodel::TvnDocumentMediator* AMediator,
                         TvnDocListNumbering* AListNumbering);
  ~TvnDocParagraphBuilder();
  TvnDocParagraphBuilder(const TvnDocParagraphBuilder&) = delete;
  TvnDocParagraphBuilder& operator=(const TvnDocParagraphBuilder&) = delete;

  // The paragraphs and tables of the story between positions AStart and
  // AEnd (story positions), in order; nothing when AEnd - AStart is not
  // above 0.
  vn::wordmodel::TvnItemList BuildParagraphs(const TvnDocStory& AStory, int64_t AEnd, int64_t AStart);

  // The story positions (relative to the start of the range built) where
  // sections end, ascending; the paragraph ending at one carries
  // ContainsSection. Each is used once, across the ranges built.
  void SetSectionBoundaries(std::vector<int64_t> ABoundaries);
  void SetObjectMaker(ObjectMaker AMaker) { FObjectMaker = std::move(AMaker); }
  void SetListNumbering(TvnDocListNumbering* AListNumbering) { FListNumbering = AListNumbering; }

 private:
  struct OpenField;

  std::unique_ptr<vn::wordmodel::TvnParagraph> BuildParagraph(const TvnDocStory& AStory, int64_t AFirst,
                                                              int64_t ALast, bool AEndsSection);
  void BuildRuns(vn::wordmodel::TvnParagraph& APara, const TvnDocStory& AStory, int64_t AFirst, int64_t ALast);
  std::shared_ptr<vn::wordmodel::TvnRunProperties> RunPropertiesOf(const vn::wordmodel::TvnParagraph& APara,
                                                                   const TvnDocCharacter* ARun);
  void EmitText(vn::wordmodel::TvnParagraph& APara, const String& AText,
                const std::shared_ptr<vn::wordmodel::TvnRunProperties>& AProps, bool AHidden);
  void EmitItems(vn::wordmodel::TvnParagraph& APara, vn::wordmodel::TvnItemList AItems);
  void FieldBegin();
  void FieldSeparator();
  void FieldEnd(vn::wordmodel::TvnParagraph& APara);
  void SpillFields(vn::wordmodel::TvnParagraph& APara);
  void ApplyNumbering(vn::wordmodel::TvnParagraph& APara);
  void PlaceParagraph(std::unique_ptr<vn::wordmodel::TvnParagraph> APara, const String& ARawText,
                      vn::wordmodel::TvnItemList& AResult);
  void PopTable();
  void CloseTables(vn::wordmodel::TvnItemList& AResult);
  vn::wordmodel::TvnTableCell& CurrentCell(TvnTableInfo& AInfo, bool AMakeDueCell);
  void SetFont(vn::wordmodel::TvnRunProperties& AProps) const;

  TvnDOCPackage* FPackage;
  vn::wordmodel::TvnDocumentMediator* FMediator;
  TvnDocListNumbering* FListNumbering;
  TvnDOCHelperFunctions* FHelperFunctions;
  TvnBinaryReader FWordDocument;  // FKP operands lie in the WordDocument stream
  std::unique_ptr<vn::wordmodel::TvnWordStyles> FOwnStyles;  // when the mediator has none
  vn::wordmodel::TvnWordStyles* FStyles;
  ObjectMaker FObjectMaker;

  std::vector<int64_t> FSectionBoundaries;
  size_t FSectionPointer = 0;

  std::vector<OpenField> FFields;
  int64_t FIgnoredFieldBegins = 0;

  std::vector<TvnTableInfo> FTableList;
  size_t FCurrentTable = 0;
  int32_t FCurrentNestingLevel = 0;
};

}  // namespace vn::doc
