// The builder: one WordprocessingML element into one Word-model item.
#include <utility>

#include "docx/docx_helper.h"
#include "runtime/exceptions.h"
#include "runtime/scope_exit.h"
#include "wordmodel/field_code.h"
#include "wordmodel/fields.h"
#include "wordmodel/style.h"
#include "wordmodel/style_resolver.h"
#include "wordmodel/text_item.h"

namespace vn::docx {

using wordmodel::TvnBreak;
using wordmodel::TvnBreakType;
using wordmodel::TvnField;
using wordmodel::TvnFieldCode;
using wordmodel::TvnFieldResult;
using wordmodel::TvnTextitem;

struct TvnDOCXHelperFunctions::BuildContext {
  TvnDocumentMediator* Mediator;
  TvnDOCXPackage* Package;
  TvnResourceCollection* RC;
  const TvnDocXPackagePart* Part;
  TvnTable* Tbl;
  TvnTableRow* Row;
  TvnTableCell* Cell;
};

namespace {

const TXmlNode* FirstChildNamed(const TXmlNode* AElement, StringView AName) {
  TXmlNode* found = nullptr;
  if (AElement != nullptr) AElement->FindChild(AName, found);
  return found;
}

TXmlNodeRefs ElementChildren(const TXmlNode* AElement) {
  TXmlNodeRefs children;
  for (TXmlNode* child : AElement->ChildNodes) {
    if (child->NodeType == ooxml::TXmlNodeType::ntElement) children.push_back(child);
  }
  return children;
}

const TXmlNode* FirstElementChild(const TXmlNode* AElement) {
  for (const TXmlNode* child : AElement->ChildNodes) {
    if (child->NodeType == ooxml::TXmlNodeType::ntElement) return child;
  }
  return nullptr;
}

bool EndsWith(StringView AText, StringView ASuffix) {
  return AText.size() >= ASuffix.size() && AText.substr(AText.size() - ASuffix.size()) == ASuffix;
}

// Whether the paragraph carries a section mark of its own: a "w:sectPr"
// below it that is not the record of an earlier state inside a revision
// ("w:pPrChange", "w:sectPrChange" ...).
bool HasSectionMark(const TXmlNode* AParagraph) {
  TXmlNodeRefs marks;
  TvnDOCXHelperFunctions::GetDescendants(AParagraph, {u"w:sectPr"}, marks);
  for (const TXmlNode* mark : marks) {
    bool in_revision = false;
    for (const TXmlNode* up = mark->Parent; up != nullptr && up != AParagraph && up != up->Parent; up = up->Parent) {
      if (EndsWith(up->Name, u"Change")) in_revision = true;
    }
    if (!in_revision) return true;
  }
  return false;
}

// Adds every field of the item's tree, in document order, to the
// mediator's lists.
void RegisterFields(TvnDocItem* AItem, TvnDocumentMediator* AMediator) {
  if (AItem == nullptr || AMediator == nullptr) return;
  if (auto* field = dynamic_cast<TvnField*>(AItem)) {
    if (field->GetFieldCode() != nullptr && field->GetFieldCode()->GetIsMergeRelatedField()) {
      AMediator->MergeFields.Insert(field);
    }
    AMediator->Fields.Insert(field);
    return;
  }
  if (auto* table = dynamic_cast<TvnTable*>(AItem)) {
    for (const auto& row : table->GetRows()) {
      for (const auto& cell : row->GetCells()) {
        for (const auto& item : cell->GetDocItems()) RegisterFields(item.get(), AMediator);
      }
    }
    return;
  }
  if (auto* composite = dynamic_cast<vn::framework::TvnCompositeDocItem*>(AItem)) {
    for (const auto& child : composite->GetItems()) RegisterFields(child.get(), AMediator);
  }
}

void AddToParagraph(TvnParagraph& AParagraph, std::unique_ptr<TvnDocItem> AItem) {
  if (AItem) AParagraph.Add(std::move(AItem));
}

}  // namespace

// ---------------------------------------------------------------------------
// Entry points

std::unique_ptr<TvnDocItem> TvnDOCXHelperFunctions::GetParsedDocItem(
    const TXmlNode* AElement, TvnDocumentMediator* AMediator, TvnDOCXPackage* Apackage, TvnResourceCollection* ARC,
    const TvnDocXPackagePart* APart, TvnTable* ATbl, TvnTableRow* ACurrentRow, TvnTableCell* ACurrentCell) {
  const bool outermost = FNesting == 0;
  auto item = BuildItem(AElement, BuildContext{AMediator, Apackage, ARC, APart, ATbl, ACurrentRow, ACurrentCell});
  if (outermost) RegisterFields(item.get(), AMediator);
  return item;
}

std::unique_ptr<TvnTableRow> TvnDOCXHelperFunctions::GetTableRow(const TXmlNode* ATableRow, TvnTable* ATbl,
                                                                 TvnDocumentMediator* AMediator,
                                                                 TvnDOCXPackage* Apackage, TvnResourceCollection* ARC,
                                                                 const TvnDocXPackagePart* APart) {
  if (ATableRow == nullptr || ATableRow->Name != u"w:tr") return nullptr;
  const BuildContext context{AMediator, Apackage, ARC, APart, ATbl, nullptr, nullptr};
  auto row = std::make_unique<TvnTableRow>();
  try {
    const TXmlNode* trPr = FirstChildNamed(ATableRow, u"w:trPr");
    if (trPr != nullptr) row->SetTableRowProperties(GetRowProperties(trPr));
    const TXmlNode* exceptions = FirstChildNamed(ATableRow, u"w:tblPrEx");
    if (exceptions != nullptr) row->SetTablePropertiesException(GetTableProperties(exceptions));
    // Cells wrapped in content controls or custom markup count too.
    TXmlNodeRefs cells;
    GetNodes(ATableRow, {u"w:tc"}, cells);
    for (const TXmlNode* cell : cells) {
      row->InsertCell(GetTableCell(cell, ATbl, row.get(), context.Mediator, Apackage, ARC, APart));
    }
  } catch (const vn::Exception& error) {
    Warn(std::string("table row read as far as it went: ") + error.what());
  }
  return row;
}

std::unique_ptr<TvnTableCell> TvnDOCXHelperFunctions::GetTableCell(const TXmlNode* Acell, TvnTable* ATbl,
                                                                   TvnTableRow* ACurrentRow,
                                                                   TvnDocumentMediator* AMediator,
                                                                   TvnDOCXPackage* Apackage,
                                                                   TvnResourceCollection* ARC,
                                                                   const TvnDocXPackagePart* APart) {
  if (Acell == nullptr || Acell->Name != u"w:tc") return nullptr;
  auto cell = std::make_unique<TvnTableCell>(0);
  try {
    const TXmlNode* tcPr = FirstChildNamed(Acell, u"w:tcPr");
    if (tcPr != nullptr) cell->SetTableCellProperties(GetCellProperties(tcPr));
    TXmlNodeRefs content;
    GetNodes(Acell, {u"w:p", u"w:tbl"}, content);
    for (const TXmlNode* element : content) {
      if (element->Name == u"w:p") {
        cell->InsertItem(
            BuildItem(element, BuildContext{AMediator, Apackage, ARC, APart, ATbl, ACurrentRow, cell.get()}));
      } else {
        // A nested table is resolved with its own table styles only.
        cell->InsertItem(BuildItem(element, BuildContext{AMediator, Apackage, ARC, APart, nullptr, nullptr, nullptr}));
      }
    }
  } catch (const vn::Exception& error) {
    Warn(std::string("table cell read as far as it went: ") + error.what());
  }
  return cell;
}

// ---------------------------------------------------------------------------
// Dispatch

std::unique_ptr<TvnDocItem> TvnDOCXHelperFunctions::BuildItem(const TXmlNode* AElement,
                                                              const BuildContext& AContext) {
  if (AElement == nullptr) return nullptr;
  if (FNesting >= kMaxNesting) {
    Warn("content nested too deeply was left out");
    return nullptr;
  }
  ++FNesting;
  vn::ScopeExit leave([&] { --FNesting; });
  const String& name = AElement->Name;
  if (name == u"w:p") return BuildParagraph(AElement, AContext);
  if (name == u"w:tbl") return BuildTable(AElement, AContext);
  if (name == u"w:drawing") return BuildDrawing(AElement, AContext);
  if (name == u"w:pict") return nullptr;  // VML content is not read
  if (name == u"w:r") {
    // A run with a phonetic guide shows its base text; the guide above it
    // is not shown.
    if (const TXmlNode* ruby = FirstChildNamed(AElement, u"w:ruby")) {
      return BuildItem(FirstChildNamed(ruby, u"w:rubyBase"), AContext);
    }
    return BuildRun(AElement, AContext);
  }
  if (name == u"w:fldSimple") return BuildSimpleField(AElement, AContext);
  if (name == u"mc:AlternateContent") return BuildAlternateContent(AElement, AContext);
  return BuildContainer(AElement, AContext);
}

std::unique_ptr<TvnDocItem> TvnDOCXHelperFunctions::BuildDrawing(const TXmlNode* AElement,
                                                                 const BuildContext& AContext) {
  TXmlNodeRefs boxes;
  GetDescendants(AElement, {u"wps:txbx"}, boxes);
  if (!boxes.empty()) {
    return GetTextBox(AElement, AContext.Mediator, AContext.Package, AContext.RC, AContext.Part, AContext.Tbl,
                      AContext.Row, AContext.Cell);
  }
  return GetImageRun(AElement, AContext.Package, AContext.Part, AContext.RC);
}

// ---------------------------------------------------------------------------
// Paragraphs and runs

std::unique_ptr<TvnDocItem> TvnDOCXHelperFunctions::BuildParagraph(const TXmlNode* AElement,
                                                                   const BuildContext& AContext) {
  auto para = std::make_unique<TvnParagraph>();
  const TXmlNode* pPr = FirstChildNamed(AElement, u"w:pPr");
  if (pPr != nullptr) para->SetParagraphProperties(GetParagraphProperties(pPr, AContext.Mediator));
  para->SetContainsSection(HasSectionMark(AElement));

  const TXmlNodeRefs children = ElementChildren(AElement);
  for (size_t i = 0; i < children.size(); ++i) {
    const TXmlNode* child = children[i];
    if (child->Name != u"w:r") {
      if (child->Name != u"w:pPr") AddToParagraph(*para, BuildItem(child, AContext));
      continue;
    }
    const TXmlNode* drawing = FirstChildNamed(child, u"w:drawing");
    if (drawing != nullptr) {
      AddToParagraph(*para, BuildItem(drawing, AContext));
    } else if (FirstChildNamed(child, u"w:pict") != nullptr || FirstChildNamed(child, u"w:object") != nullptr) {
      // VML pictures and embedded objects are not read.
    } else if (FirstChildNamed(child, u"w:fldChar") != nullptr) {
      i = ReadComplexField(children, i, *para, AContext);
    } else {
      AddToParagraph(*para, BuildItem(child, AContext));
    }
  }

  if (AContext.Mediator != nullptr && AContext.Mediator->GetWordStyles() != nullptr) {
    wordmodel::TvnStylePropertyUpdater* updater = AContext.Mediator->GetWordStyles()->GetStylePropertyUpdater();
    if (updater != nullptr) {
      updater->ApplyStyleHierarchy(para.get(), AContext.Mediator, AContext.Cell, AContext.Row, AContext.Tbl);
    }
  }
  return para;
}

std::unique_ptr<TvnDocItem> TvnDOCXHelperFunctions::BuildRun(const TXmlNode* AElement, const BuildContext& AContext) {
  auto run = std::make_unique<TvnRun>();
  auto properties = GetRunProperties(FirstChildNamed(AElement, u"w:rPr"), AContext.Mediator);
  if (properties) run->SetRunProperties(std::move(properties));
  for (const TXmlNode* child : ElementChildren(AElement)) {
    const String& name = child->Name;
    if (name == u"w:t") {
      auto text = std::make_unique<TvnTextitem>(child->Text, run->GetRunProperties());
      text->SetPreserveSpaces(child->GetAttribute(u"xml:space") == u"preserve");
      run->Add(std::move(text));
    } else if (name == u"w:br") {
      const String type = child->GetAttribute(u"w:type");
      TvnBreakType kind = TvnBreakType::btNone;
      if (type.empty() || type == u"textWrapping") kind = TvnBreakType::btLine;
      if (type == u"page") kind = TvnBreakType::btPage;
      if (type == u"column") kind = TvnBreakType::btColumn;
      run->Add(std::make_unique<TvnBreak>(kind));
    } else if (name == u"w:tab") {
      run->Add(std::make_unique<TvnBreak>(TvnBreakType::btTab));
    } else if (name != u"w:rPr") {
      run->Add(BuildItem(child, AContext));
    }
  }
  return run;
}

// ---------------------------------------------------------------------------
// Fields

std::unique_ptr<TvnDocItem> TvnDOCXHelperFunctions::BuildSimpleField(const TXmlNode* AElement,
                                                                     const BuildContext& AContext) {
  auto field = std::make_unique<TvnField>(AContext.Mediator != nullptr ? AContext.Mediator->GetDocument() : nullptr);
  const String instruction = AElement->GetAttribute(u"w:instr");
  if (!instruction.empty()) field->GetFieldCode()->SetCode(instruction);
  auto result = std::make_unique<TvnFieldResult>();
  for (const TXmlNode* run_element : GetElements(AElement, u"w:r")) {
    std::unique_ptr<TvnDocItem> item = BuildItem(run_element, AContext);
    if (dynamic_cast<TvnRun*>(item.get()) != nullptr) {
      result->push_back(std::unique_ptr<TvnRun>(static_cast<TvnRun*>(item.release())));
    }
  }
  field->SetResult(std::move(result));
  field->SetIsSimpleField(true);
  return field;
}

size_t TvnDOCXHelperFunctions::ReadComplexField(const TXmlNodeRefs& AChildren, size_t AIndex,
                                                TvnParagraph& AParagraph, const BuildContext& AContext) {
  const auto field_char = [](const TXmlNode* AChild) { return FirstChildNamed(AChild, u"w:fldChar"); };
  if (field_char(AChildren[AIndex])->GetAttribute(u"w:fldCharType") != u"begin") return AIndex;

  auto code = std::make_unique<TvnFieldCode>();
  std::vector<std::unique_ptr<TvnRun>> results;
  size_t reached = AIndex;           // the child at hand
  bool reached_in_results = false;  // it was taken into the result
  const size_t count = AChildren.size();
  try {
    // The instruction: each child up to the next one with a "w:fldChar"
    // (none at all for a field whose begin is followed by its end).
    String instruction;
    size_t at = AIndex + 1;
    for (;;) {
      if (at >= count) throw vn::EListError("the field's instruction does not end in its paragraph");
      if (field_char(AChildren[at]) != nullptr) break;
      reached = at;
      const TXmlNode* child = AChildren[at];
      const TXmlNode* rPr = FirstChildNamed(child, u"w:rPr");
      if (rPr != nullptr && !code->GetCharFormatRunProperties()) {
        code->SetCharFormatRunProperties(GetRunProperties(rPr, AContext.Mediator));
      }
      const TXmlNode* text = FirstChildNamed(child, u"w:instrText");
      if (text != nullptr) instruction += text->Text;
      ++at;
    }
    reached = at;
    // A table of contents shows its result as ordinary content.
    if (instruction.find(u"TOC") != String::npos) return AIndex;
    code->SetCode(instruction);
    if (field_char(AChildren[at])->GetAttribute(u"w:fldCharType") == u"separate") {
      for (;;) {
        if (at + 1 >= count) throw vn::EListError("the field's result does not end in its paragraph");
        ++at;
        reached = at;
        reached_in_results = false;
        if (field_char(AChildren[at]) != nullptr) break;
        std::unique_ptr<TvnDocItem> item = BuildItem(AChildren[at], AContext);
        if (item == nullptr) continue;
        if (dynamic_cast<TvnRun*>(item.get()) == nullptr) throw vn::EInvalidCast("a field result item is not a run");
        results.push_back(std::unique_ptr<TvnRun>(static_cast<TvnRun*>(item.release())));
        reached_in_results = true;
      }
    }
    if (field_char(AChildren[at])->GetAttribute(u"w:fldCharType") != u"end") {
      // A field nested in this one's result: its runs stay as plain runs.
      for (auto& run : results) AParagraph.Add(std::move(run));
      return at;
    }
    auto result = std::make_unique<TvnFieldResult>(std::move(results));
    auto field = wordmodel::TvnWordHelperFunctions::GetField(
        AContext.Mediator != nullptr ? AContext.Mediator->GetDocument() : nullptr, std::move(code), false,
        std::move(result));
    if (field) {
      field->SetParent(&AParagraph);
      AParagraph.Add(std::move(field));
    }
    return at;
  } catch (const vn::Exception& error) {
    // No field: the result gathered so far and the child at hand become
    // ordinary content, so that no text is lost.
    Warn(std::string("field read as plain content: ") + error.what());
    for (auto& run : results) {
      if (run) AParagraph.Add(std::move(run));
    }
    if (!reached_in_results && reached != AIndex) AddToParagraph(AParagraph, BuildItem(AChildren[reached], AContext));
    return reached;
  }
}

// ---------------------------------------------------------------------------
// Tables

std::unique_ptr<TvnDocItem> TvnDOCXHelperFunctions::BuildTable(const TXmlNode* AElement,
                                                               const BuildContext& AContext) {
  auto table = std::make_unique<TvnTable>();
  try {
    const TXmlNode* tblPr = FirstChildNamed(AElement, u"w:tblPr");
    if (tblPr != nullptr) table->SetTableProperties(GetTableProperties(tblPr));
    int32_t index = 0;
    // Rows wrapped in content controls or custom markup count too; a nested
    // table's rows lie inside a cell and stay its own.
    TXmlNodeRefs rows;
    GetNodes(AElement, {u"w:tr"}, rows);
    for (const TXmlNode* row_element : rows) {
      auto row = GetTableRow(row_element, table.get(), AContext.Mediator, AContext.Package, AContext.RC,
                             AContext.Part);
      if (row->GetTableRowProperties() && row->GetTableRowProperties()->GetIsHeader()) {
        table->GetHeaderRowIndices().push_back(index);
      }
      table->InsertRow(std::move(row));
      ++index;
    }
    ReadTableGrid(AElement, *table);
  } catch (const vn::Exception& error) {
    Warn(std::string("table read as far as it went: ") + error.what());
  }
  return table;
}

void TvnDOCXHelperFunctions::ReadTableGrid(const TXmlNode* AElement, TvnTable& ATable) {
  std::vector<int32_t>& widths = ATable.GetGridColumnWidths();
  const TXmlNode* grid = FirstChildNamed(AElement, u"w:tblGrid");
  if (grid != nullptr) {
    for (const TXmlNode* column : ElementChildren(grid)) {
      const String width = column->GetAttribute(u"w:w");
      if (!width.empty()) widths.push_back(TwipsToPixels(ReadInteger(width)));
    }
    return;
  }
  if (ATable.GetRows().empty()) return;
  // Without a grid, the first row's cell widths (as their reader left them)
  // up to the first cell without properties.
  for (const auto& cell : ATable.GetRows().front()->GetCells()) {
    if (!cell->GetTableCellProperties()) break;
    widths.push_back(cell->GetTableCellProperties()->GetWidth());
  }
}

// ---------------------------------------------------------------------------
// Alternate content and containers

std::unique_ptr<TvnDocItem> TvnDOCXHelperFunctions::BuildAlternateContent(const TXmlNode* AElement,
                                                                          const BuildContext& AContext) {
  for (const TXmlNode* choice : GetElements(AElement, u"mc:Choice")) {
    try {
      const TXmlNode* first = FirstElementChild(choice);
      if (first == nullptr) continue;
      auto item = BuildItem(first, AContext);
      if (item) return item;
    } catch (const vn::Exception& error) {
      Warn(std::string("an alternate-content choice was passed over: ") + error.what());
    }
  }
  const TXmlNode* fallback = FirstChildNamed(AElement, u"mc:Fallback");
  if (fallback == nullptr) return nullptr;
  return BuildItem(FirstElementChild(fallback), AContext);
}

std::unique_ptr<TvnDocItem> TvnDOCXHelperFunctions::BuildContainer(const TXmlNode* AElement,
                                                                   const BuildContext& AContext) {
  // The runs inside the container (hyperlinks, smart tags, insertions,
  // content controls ...), each taken once: a run inside a run's text box
  // belongs to that box.
  TXmlNodeRefs runs;
  GetNodes(AElement, {u"w:r"}, runs);
  if (runs.empty()) return nullptr;
  auto holder = std::make_unique<TvnParagraph>();
  for (const TXmlNode* run : runs) AddToParagraph(*holder, BuildItem(run, AContext));
  if (holder->GetCount() == 0) return nullptr;
  if (holder->GetCount() == 1) return holder->RemoveAt(0);
  return holder;
}

}  // namespace vn::docx
