// The WordprocessingML readers every DOCX sub-reader builds with: the
// property readers (paragraph, run, tab, border, table, row and cell
// properties), the node collectors, the builder that turns one element of a
// part into a Word-model item (paragraphs with their runs, breaks, tabs,
// fields, pictures and text boxes; tables with rows and cells), and the
// drawing readers (pictures and text boxes with their placement and
// wrapping).
//
// Elements are recognised by their prefixed names ("w:p", "wp:anchor"),
// compared exactly. A property reader sets only what its element says;
// everything else keeps the model's unset values, so that the style
// resolver can merge layers.
//
// The readers are lenient. A value that is not a number ends the step of
// the reader it is in (a guarded step), and the item is still made; where a
// guard drops what it was building (a table row, an alternate-content
// choice, a field that does not close), a warning goes to the optional
// sink. Content nested more than kMaxNesting items deep (tables in tables,
// text boxes in text boxes) gives no item, so that hostile files cannot
// exhaust the stack.
//
// Ownership: every item and property object returned is new and the
// caller's. Node lists borrow the nodes of their XML document, which must
// live while the items are built; the items keep no XML nodes.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <vector>

#include "docx/ooxml_values.h"
#include "docx/package.h"
#include "ooxml/xml_document.h"
#include "runtime/diagnostics.h"
#include "wordmodel/borders.h"
#include "wordmodel/document_mediator.h"
#include "wordmodel/drawing_placement.h"
#include "wordmodel/images.h"
#include "wordmodel/margins.h"
#include "wordmodel/paragraph.h"
#include "wordmodel/paragraph_properties.h"
#include "wordmodel/run_properties.h"
#include "wordmodel/table.h"
#include "wordmodel/table_properties.h"
#include "wordmodel/text_box.h"

namespace vn::docx {

using ooxml::TXmlNode;
using vn::framework::TRect;
using vn::framework::TvnPoint;
using wordmodel::TvnBorder;
using wordmodel::TvnDocumentMediator;
using wordmodel::TvnDrawingHAlignment;
using wordmodel::TvnDrawingVAlignment;
using wordmodel::TvnGraphicsWrap;
using wordmodel::TvnMargin;
using wordmodel::TvnParagraph;
using wordmodel::TvnParagraphProperties;
using wordmodel::TvnRegionFlags;
using wordmodel::TvnResourceCollection;
using wordmodel::TvnRun;
using wordmodel::TvnRunProperties;
using wordmodel::TvnTab;
using wordmodel::TvnTable;
using wordmodel::TvnTableCell;
using wordmodel::TvnTableCellProperties;
using wordmodel::TvnTableProperties;
using wordmodel::TvnTableRow;
using wordmodel::TvnTableRowProperties;
using wordmodel::TvnTextBox;
using wordmodel::TvnWordImage;
using wordmodel::TvnWrapText;
using TvnDocItem = vn::framework::TvnDocItem;

// A borrowed list of XML elements.
using TXmlNodeRefs = std::vector<TXmlNode*>;

class TvnDOCXHelperFunctions {
 public:
  // Items built inside one another (a paragraph in a cell in a table ...)
  // deeper than this give no item; real documents stay far below it.
  static constexpr int kMaxNesting = 64;

  explicit TvnDOCXHelperFunctions(vn::Diagnostics* AWarnings = nullptr) : FWarnings(AWarnings) {}

  // ---- Property readers. Each gives null for a missing element.
  std::shared_ptr<TvnParagraphProperties> GetParagraphProperties(const TXmlNode* AParaElement,
                                                                 TvnDocumentMediator* AMediator);
  std::shared_ptr<TvnRunProperties> GetRunProperties(const TXmlNode* ARunElement, TvnDocumentMediator* AMediator);
  std::shared_ptr<TvnTab> GetTab(const TXmlNode* ATabElement);
  std::unique_ptr<TvnBorder> GetBorder(const TXmlNode* ABorderElement);
  std::shared_ptr<TvnTableProperties> GetTableProperties(const TXmlNode* ATblPropElement);
  std::shared_ptr<TvnTableRowProperties> GetRowProperties(const TXmlNode* ARowPrElement);
  std::shared_ptr<TvnTableCellProperties> GetCellProperties(const TXmlNode* ACellPrElement);
  // Fills ARunProperties from "w:rFonts"; theme fonts come from the
  // mediator's font groups.
  void ReadRunFonts(const TXmlNode* AFontsElement, TvnRunProperties& ARunProperties,
                    const TvnDocumentMediator* AMediator);
  // A margins element ("w:tblCellMar", "w:tcMar"): a new margin, 0 where
  // the element gives no side.
  std::unique_ptr<TvnMargin> ReadMargins(const TXmlNode* AMarginsElement);
  // The region flags of a "w:cnfStyle" element that are on.
  void ReadTableRegions(const TXmlNode* AElement, TvnRegionFlags& ARegions);
  // The colour of a highlight name; false for a name not in the table.
  static bool HighLightColor(StringView AName, vn::framework::TvnRGBColor& AColor);

  // ---- Node collectors (document order, borrowed nodes).
  // The direct child elements named ATag.
  static TXmlNodeRefs GetElements(const TXmlNode* AElement, StringView ATag);
  // Every element of the subtree, AXMLNode included, named one of AKeyWords
  // (every element for an empty list), descending below matches too.
  static void GetDescendants(const TXmlNode* AXMLNode, std::initializer_list<StringView> AKeyWords,
                             TXmlNodeRefs& AReturnList);
  // As GetDescendants, without descending below a match.
  static void GetNodes(const TXmlNode* AXMLNode, std::initializer_list<StringView> AKeyWords,
                       TXmlNodeRefs& AReturnList);

  // ---- Builder. APart is the header or footer part the element comes
  // from, null for the main document; ATbl, ACurrentRow and ACurrentCell
  // are the table context, null outside tables.
  std::unique_ptr<TvnDocItem> GetParsedDocItem(const TXmlNode* AElement, TvnDocumentMediator* AMediator,
                                               TvnDOCXPackage* Apackage, TvnResourceCollection* ARC,
                                               const TvnDocXPackagePart* APart, TvnTable* ATbl,
                                               TvnTableRow* ACurrentRow, TvnTableCell* ACurrentCell);
  std::unique_ptr<TvnTableRow> GetTableRow(const TXmlNode* ATableRow, TvnTable* ATbl, TvnDocumentMediator* AMediator,
                                           TvnDOCXPackage* Apackage, TvnResourceCollection* ARC,
                                           const TvnDocXPackagePart* APart);
  std::unique_ptr<TvnTableCell> GetTableCell(const TXmlNode* Acell, TvnTable* ATbl, TvnTableRow* ACurrentRow,
                                             TvnDocumentMediator* AMediator, TvnDOCXPackage* Apackage,
                                             TvnResourceCollection* ARC, const TvnDocXPackagePart* APart);

  // ---- Drawings ("w:drawing"); null for an element of another name.
  std::unique_ptr<TvnWordImage> GetImageRun(const TXmlNode* ADrawingElement, TvnDOCXPackage* Apackage,
                                            const TvnDocXPackagePart* APart, TvnResourceCollection* ARC);
  std::unique_ptr<TvnTextBox> GetTextBox(const TXmlNode* ADrawingElement, TvnDocumentMediator* AMediator,
                                         TvnDOCXPackage* Apackage, TvnResourceCollection* ARC,
                                         const TvnDocXPackagePart* APart, TvnTable* ATbl, TvnTableRow* ACurrentRow,
                                         TvnTableCell* ACurrentCell);
  // "wp:effectExtent": l, t, r, b in pixels (written in EMU); empty for another name.
  static TRect ReadEffectExtent(const TXmlNode* AElement);
  static TvnDrawingHAlignment ReadDrawingHAlignment(StringView AValue);
  static TvnDrawingVAlignment ReadDrawingVAlignment(StringView AValue);
  static TvnWrapText ReadWrapText(StringView AValue);
  std::unique_ptr<TvnGraphicsWrap> ReadWrapSquare(const TXmlNode* AElement);
  std::unique_ptr<TvnGraphicsWrap> ReadWrapTopAndBottom(const TXmlNode* AElement);
  std::unique_ptr<TvnGraphicsWrap> ReadWrapThrough(const TXmlNode* AElement);
  std::unique_ptr<TvnGraphicsWrap> ReadWrapTight(const TXmlNode* AElement);
  // The points of "wp:wrapPolygon" (pixels): the start, then each lineTo.
  std::vector<TvnPoint> ReadWrapPolygon(const TXmlNode* AElement);
  static TvnPoint ReadWrapPoint(const TXmlNode* AElement);

  vn::Diagnostics* Warnings() const { return FWarnings; }

 private:
  struct BuildContext;

  void Warn(const std::string& AMessage) const;
  std::unique_ptr<TvnDocItem> BuildItem(const TXmlNode* AElement, const BuildContext& AContext);
  std::unique_ptr<TvnDocItem> BuildParagraph(const TXmlNode* AElement, const BuildContext& AContext);
  std::unique_ptr<TvnDocItem> BuildRun(const TXmlNode* AElement, const BuildContext& AContext);
  std::unique_ptr<TvnDocItem> BuildSimpleField(const TXmlNode* AElement, const BuildContext& AContext);
  std::unique_ptr<TvnDocItem> BuildTable(const TXmlNode* AElement, const BuildContext& AContext);
  std::unique_ptr<TvnDocItem> BuildAlternateContent(const TXmlNode* AElement, const BuildContext& AContext);
  std::unique_ptr<TvnDocItem> BuildContainer(const TXmlNode* AElement, const BuildContext& AContext);
  std::unique_ptr<TvnDocItem> BuildDrawing(const TXmlNode* AElement, const BuildContext& AContext);
  // Reads the complex field that begins at AChildren[AIndex] into
  // AParagraph; answers the index of the last child consumed.
  size_t ReadComplexField(const TXmlNodeRefs& AChildren, size_t AIndex, TvnParagraph& AParagraph,
                          const BuildContext& AContext);
  void ReadTableGrid(const TXmlNode* AElement, TvnTable& ATable);
  void ReadParagraphSpacing(const TXmlNode* APPr, TvnParagraphProperties& AProperties);
  void ReadTableLook(const TXmlNode* ALook, TvnTableProperties& AProperties);
  void ReadBorderTable(const TXmlNode* ABorders, wordmodel::TvnBorderTable& ATable);
  // The placement of an anchored or inline drawing into AItem.
  template <typename TItem>
  void ReadPlacement(const TXmlNode* ADrawing, TItem& AItem);
  template <typename TItem>
  void ReadAnchor(const TXmlNode* AAnchor, TItem& AItem);
  std::unique_ptr<wordmodel::TvnShapeProperties> ReadShapeProperties(const TXmlNode* ASpPr);
  std::unique_ptr<wordmodel::TvnBodyProperties> ReadBodyProperties(const TXmlNode* ABodyPr);

  vn::Diagnostics* FWarnings;
  int FNesting = 0;
};

}  // namespace vn::docx
