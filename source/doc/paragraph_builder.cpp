#include "doc/paragraph_builder.h"

#include <algorithm>

#include "doc/main_document_parser.h"
#include "wordmodel/layout_tags.h"
#include "wordmodel/style_resolver.h"
#include "wordmodel/text_item.h"

namespace vn::doc {

namespace wm = vn::wordmodel;

namespace {

constexpr char16_t kCellMark = 7, kTab = 9, kVerticalTab = 11, kPageBreak = 12, kParagraphMark = 13,
                   kFieldBegin = 19, kFieldSeparator = 20, kFieldEnd = 21, kPicture = 1, kDrawnObject = 8,
                   kNonBreakingHyphen = 30;
// Deeper nesting is not followed: a paragraph deeper than this goes into
// the deepest table, a field begin deeper than this is ignored with its end.
constexpr int32_t kMaxTableDepth = 64;
constexpr size_t kMaxFieldDepth = 64;
constexpr int32_t kDefaultRunFontSize = 11;
constexpr int32_t kSprmCIstd = 48;

// Unset paragraph values a numbered paragraph gets as 0.
void ZeroUnset(wm::TvnParagraphProperties& p) {
  using wm::kUnsetValue;
  if (p.GetHanging() == kUnsetValue) p.SetHanging(0);
  if (p.GetLeftIndent() == kUnsetValue) p.SetLeftIndent(0);
  if (p.GetSpaceAfter() == kUnsetValue) p.SetSpaceAfter(0);
  if (p.GetSpaceBefore() == kUnsetValue) p.SetSpaceBefore(0);
  if (p.GetRightIndent() == kUnsetValue) p.SetRightIndent(0);
  if (p.GetFirstLineIndent() == kUnsetValue) p.SetFirstLineIndent(0);
  if (p.GetLineSpacing() == kUnsetValue) p.SetLineSpacing(0);
}

void MarkFontSize(wm::TvnRunProperties* p) {
  if (p == nullptr || p->GetFontSize() == wm::kUnsetValue) return;
  auto marks = p->GetExplicitlySetVal();
  marks.Include(wm::TvnExplicitlySetValue::esvFontSize);
  p->SetExplicitlySetVal(marks);
}

// A text item of the text with its layout tag.
std::unique_ptr<wm::TvnTextitem> TextItem(const String& AText, const std::shared_ptr<wm::TvnRunProperties>& AProps) {
  auto item = std::make_unique<wm::TvnTextitem>(AText, AProps);
  wm::TextItemTagOf(*item);
  return item;
}

// A run holding the text, each tab a tab break between text items.
std::unique_ptr<wm::TvnRun> TextRun(const String& AText, const std::shared_ptr<wm::TvnRunProperties>& AProps) {
  auto run = std::make_unique<wm::TvnRun>();
  run->SetRunProperties(AProps);
  run->SetFinalRunProperties(AProps);
  size_t from = 0;
  for (;;) {
    const size_t tab = AText.find(kTab, from);
    const size_t to = tab == String::npos ? AText.size() : tab;
    if (to > from) run->Add(TextItem(AText.substr(from, to - from), AProps));
    if (tab == String::npos) break;
    run->Add(std::make_unique<wm::TvnBreak>(wm::TvnBreakType::btTab));
    from = tab + 1;
  }
  return run;
}

std::unique_ptr<wm::TvnRun> BreakRun(const std::shared_ptr<wm::TvnRunProperties>& AProps) {
  auto run = std::make_unique<wm::TvnRun>();
  run->SetRunProperties(AProps);
  run->SetFinalRunProperties(AProps);
  run->Add(std::make_unique<wm::TvnBreak>(wm::TvnBreakType::btLine));
  return run;
}

// The text as runs: a vertical tab becomes a run holding a line break
// between the runs of the text around it.
std::vector<std::unique_ptr<wm::TvnRun>> TextRuns(const String& AText,
                                                  const std::shared_ptr<wm::TvnRunProperties>& AProps) {
  std::vector<std::unique_ptr<wm::TvnRun>> runs;
  size_t from = 0;
  for (;;) {
    const size_t vt = AText.find(kVerticalTab, from);
    const size_t to = vt == String::npos ? AText.size() : vt;
    if (to > from) runs.push_back(TextRun(AText.substr(from, to - from), AProps));
    if (vt == String::npos) break;
    runs.push_back(BreakRun(AProps));
    from = vt + 1;
  }
  return runs;
}

// The visible text of a field's result runs.
String ResultText(const wm::TvnFieldResult& AResult) {
  String text;
  for (const auto& run : AResult)
    for (const auto& item : run->GetItems())
      if (auto* t = dynamic_cast<const wm::TvnTextitem*>(item.get())) text += t->GetText();
  return text;
}

}  // namespace

struct TvnDocParagraphBuilder::OpenField {
  std::unique_ptr<wm::TvnField> FField;
  String FCode;
  bool FInResult = false;
  // The result crossed a paragraph mark or gave way to a picture: what is
  // left of it is shown as ordinary content and the field is dropped.
  bool FSpilled = false;
  // The code ran past a paragraph mark: the field is given up, its
  // separator ignored, and what lies inside it shown as content.
  bool FGivenUp = false;
  wm::TvnFieldResult FResult;
};

TvnDocParagraphBuilder::TvnDocParagraphBuilder(TvnDOCPackage* APackage, wm::TvnDocumentMediator* AMediator,
                                               TvnDocListNumbering* AListNumbering)
    : FPackage(APackage),
      FMediator(AMediator),
      FListNumbering(AListNumbering),
      FHelperFunctions(APackage->HelperFunctions()),
      FWordDocument(APackage->OLESSRoot()->FWordDocumentStream.Bytes()),
      FStyles(AMediator != nullptr ? AMediator->GetWordStyles() : nullptr) {
  if (FStyles == nullptr) {
    FOwnStyles = std::make_unique<wm::TvnWordStyles>();
    FStyles = FOwnStyles.get();
  }
}

TvnDocParagraphBuilder::~TvnDocParagraphBuilder() = default;

void TvnDocParagraphBuilder::SetSectionBoundaries(std::vector<int64_t> ABoundaries) {
  FSectionBoundaries = std::move(ABoundaries);
  FSectionPointer = 0;
}

wm::TvnItemList TvnDocParagraphBuilder::BuildParagraphs(const TvnDocStory& AStory, int64_t AEnd, int64_t AStart) {
  wm::TvnItemList result;
  const String& text = AStory.FText;
  AStart = std::max<int64_t>(AStart, 0);
  AEnd = std::min<int64_t>(AEnd, static_cast<int64_t>(text.size()));
  if (AEnd - AStart <= 0) return result;
  FFields.clear();
  FIgnoredFieldBegins = 0;
  // Where a paragraph run ends: a section break ending one ends the
  // paragraph too.
  const auto run_ends_at = [&](int64_t pos) {
    const auto& runs = AStory.FParagraphs;
    auto it = std::partition_point(runs.begin(), runs.end(), [&](const TvnDocParagraph& r) { return r.FCPEnd < pos; });
    return it != runs.end() && it->FCPEnd == pos;
  };
  int64_t first = AStart;
  for (int64_t p = AStart; p < AEnd; ++p) {
    const char16_t c = text[static_cast<size_t>(p)];
    const bool ends_section =
        FSectionPointer < FSectionBoundaries.size() && FSectionBoundaries[FSectionPointer] == p + 1 - AStart;
    const bool ends = ends_section || c == kParagraphMark || c == kCellMark ||
                      (c == kPageBreak && run_ends_at(p + 1)) || p + 1 == AEnd;
    if (!ends) continue;
    if (ends_section) ++FSectionPointer;
    auto para = BuildParagraph(AStory, first, p, ends_section);
    PlaceParagraph(std::move(para), text.substr(static_cast<size_t>(first), static_cast<size_t>(p - first + 1)),
                   result);
    first = p + 1;
  }
  CloseTables(result);
  FFields.clear();
  return result;
}

std::unique_ptr<wm::TvnParagraph> TvnDocParagraphBuilder::BuildParagraph(const TvnDocStory& AStory, int64_t AFirst,
                                                                         int64_t ALast, bool AEndsSection) {
  auto para = std::make_unique<wm::TvnParagraph>();
  wm::ParagraphTagOf(*para);
  wm::TvnParagraphProperties& props = *para->GetParagraphProperties();
  wm::TvnDocSpecificProperties& extra = DocSpecificOf(props);
  // Table sprms of a paragraph inside a table act on the table being built.
  if (FCurrentTable > 0) extra.SetTable(FTableList[FCurrentTable - 1].FTable);
  props.SetRunProperties(std::make_shared<wm::TvnRunProperties>());
  wm::TvnStylePropertyUpdater& updater = *FStyles->GetStylePropertyUpdater();

  // The paragraph run holding the paragraph's last character.
  const auto& runs = AStory.FParagraphs;
  auto it = std::partition_point(runs.begin(), runs.end(), [&](const TvnDocParagraph& r) { return r.FCPEnd <= ALast; });
  const TvnDocParagraph* run = it != runs.end() && it->FCP <= ALast ? &*it : nullptr;

  if (const wm::TvnStyle* def = FStyles->GetDefaultStyle(wm::TvnStyleType::stParagraph)) {
    updater.UpdateParaProp(&props, def->GetParagraphProperties().get());
    updater.UpdateRunProp(props.GetRunProperties().get(), def->GetRunProperties().get());
  }
  const String istd = IntToStr(run != nullptr ? run->FISTD : 0);
  if (wm::TvnStyle* style = updater.ConstructStyles(istd, u"")) {
    if (auto* pp = style->GetParagraphProperties().get()) {
      auto marks = pp->GetExplicitlySetParaProperties();
      if (pp->GetNumberID() != -1) marks.Include(wm::TvnExplicitlySetParaProperty::espNumberID);
      if (pp->GetNumberLevel() != -1) marks.Include(wm::TvnExplicitlySetParaProperty::espNumberLevel);
      pp->SetExplicitlySetParaProperties(marks);
      MarkFontSize(pp->GetRunProperties().get());
    }
    MarkFontSize(style->GetRunProperties().get());
    updater.UpdateParaProp(&props, style->GetParagraphProperties().get());
    updater.UpdateRunProp(props.GetRunProperties().get(), style->GetRunProperties().get());
    props.SetStyleID(istd);
  }
  wm::TvnRunProperties& para_run = *props.GetRunProperties();
  if (para_run.GetFontName().empty()) para_run.SetFontName(FHelperFunctions->GetDefaultFontName());
  SetFont(para_run);
  if (run != nullptr && run->FPRL) FHelperFunctions->ParseParagraphProperties(props, run->FPRL.get(), FWordDocument);
  if (AEndsSection) para->SetContainsSection(true);
  para->SetFinalParagraphProperties(para->GetParagraphProperties());

  BuildRuns(*para, AStory, AFirst, ALast);

  if (para->GetParagraphProperties()->GetNumberID() != -1 && para->GetParagraphProperties()->GetNumberLevel() != -1)
    ApplyNumbering(*para);
  wm::TvnParagraphProperties& final_props = *para->GetParagraphProperties();
  if (final_props.GetLineSpacing() == 0) final_props.SetLineSpacing(240);
  return para;
}

void TvnDocParagraphBuilder::SetFont(wm::TvnRunProperties& AProps) const {
  auto font = std::make_shared<wm::TvnFont>();
  font->SetName(AProps.GetFontName());
  font->SetSize(AProps.GetFontSize() == wm::kUnsetValue ? kDefaultRunFontSize : AProps.GetFontSize());
  font->SetStyle(AProps.GetFontStyle());
  AProps.SetFont(std::move(font));
}

std::shared_ptr<wm::TvnRunProperties> TvnDocParagraphBuilder::RunPropertiesOf(const wm::TvnParagraph& APara,
                                                                              const TvnDocCharacter* ARun) {
  wm::TvnStylePropertyUpdater& updater = *FStyles->GetStylePropertyUpdater();
  auto props = std::make_shared<wm::TvnRunProperties>();
  DocSpecificOf(*props);
  updater.UpdateRunProp(props.get(), APara.GetParagraphProperties()->GetRunProperties().get());
  if (ARun != nullptr && ARun->FPRL) {
    // The run's character style lies under its own sprms.
    for (const TvnPRL& p : *ARun->FPRL) {
      if (p.Fsgc != static_cast<int32_t>(TvnSprmGroup::sgCharacter) || p.Fispmd != kSprmCIstd) continue;
      FWordDocument.Seek(TvnSeekOrigin::soBegin, p.FOffset);
      const auto istd = static_cast<int64_t>(FWordDocument.GetDecimalValue(std::min<int64_t>(p.FoperandSize, 2)));
      if (wm::TvnStyle* style = updater.ConstructStyles(IntToStr(istd), u"")) {
        MarkFontSize(style->GetRunProperties().get());
        updater.UpdateRunProp(props.get(), style->GetRunProperties().get());
      }
    }
    FHelperFunctions->ParseTextRunProperties(*props, ARun->FPRL.get(), FWordDocument);
  }
  // A run belongs to no table: its data's own empty table is not kept.
  DocSpecificOf(*props).SetTable(nullptr);
  if (props->GetFontName().empty()) props->SetFontName(FHelperFunctions->GetDefaultFontName());
  SetFont(*props);
  return props;
}

void TvnDocParagraphBuilder::BuildRuns(wm::TvnParagraph& APara, const TvnDocStory& AStory, int64_t AFirst,
                                       int64_t ALast) {
  const String& text = AStory.FText;
  const auto& runs = AStory.FCharacters;
  auto it = std::partition_point(runs.begin(), runs.end(), [&](const TvnDocCharacter& r) { return r.FCPEnd <= AFirst; });
  std::shared_ptr<wm::TvnRunProperties> mark_props;
  bool page_break = false;
  int64_t at = AFirst;
  while (at <= ALast) {
    // The character run at this position, or none over a gap.
    const TvnDocCharacter* run = it != runs.end() && it->FCP <= at ? &*it : nullptr;
    if (run != nullptr && run->FCPEnd <= at) {
      ++it;
      continue;
    }
    const int64_t to = run != nullptr ? std::min(run->FCPEnd, ALast + 1)
                                      : std::min(it != runs.end() ? it->FCP : ALast + 1, ALast + 1);
    auto props = RunPropertiesOf(APara, run);
    const wm::TvnDocSpecificProperties& extra = DocSpecificOf(*props);
    const bool hidden = props->GetHidden();
    String piece;
    const auto flush = [&] {
      if (!piece.empty()) EmitText(APara, piece, props, hidden);
      piece.clear();
    };
    if (extra.GetIsSymbol()) {
      // A symbol: one character of the symbol font.
      auto font = std::make_shared<wm::TvnFont>();
      font->SetName(FHelperFunctions->GetFontName(extra.GetSymbolFontIndex()));
      font->SetSize(props->GetFont()->GetSize());
      font->SetStyle(props->GetFontStyle());
      props->SetFont(std::move(font));
      piece.push_back(extra.GetSymbolChar());
    } else {
      for (int64_t p = at; p < to; ++p) {
        const char16_t c = text[static_cast<size_t>(p)];
        if (extra.GetIsSpecial()) {
          if (c == kFieldBegin || c == kFieldSeparator || c == kFieldEnd) {
            flush();
            if (c == kFieldBegin) FieldBegin();
            else if (c == kFieldSeparator) FieldSeparator();
            else FieldEnd(APara);
            continue;
          }
          if (c == kPicture || c == kDrawnObject) {
            flush();
            const bool skipped = hidden || extra.GetIsEmbeddedObject() || (c == kPicture && extra.GetIsBinaryData());
            if (!skipped && FObjectMaker) EmitItems(APara, FObjectMaker(c, p, props));
            continue;
          }
        }
        if (c == kTab || c == kVerticalTab) {
          piece.push_back(c);
        } else if (c == kPageBreak) {
          if (!APara.GetContainsSection()) page_break = true;
        } else if (c == kNonBreakingHyphen) {
          piece.push_back(u'-');
        } else if (c >= 0x20) {
          piece.push_back(c);
        }
        // Other control characters (marks, note references, optional
        // hyphens, column breaks) show nothing.
      }
    }
    flush();
    if (run != nullptr && to >= run->FCPEnd) ++it;
    mark_props = props;
    at = to;
  }
  SpillFields(APara);
  if (page_break) APara.GetParagraphProperties()->SetPageBreakBefore(true);
  // The paragraph mark's formatting is the paragraph's.
  if (mark_props)
    FStyles->GetStylePropertyUpdater()->UpdateRunProp(APara.GetParagraphProperties()->GetRunProperties().get(),
                                                      mark_props.get());
}

void TvnDocParagraphBuilder::EmitText(wm::TvnParagraph& APara, const String& AText,
                                      const std::shared_ptr<wm::TvnRunProperties>& AProps, bool AHidden) {
  const OpenField* top = FFields.empty() || FFields.back().FGivenUp ? nullptr : &FFields.back();
  if (top != nullptr && !top->FInResult) {
    // Field code: kept as the field's instruction, whether shown or not.
    FFields.back().FCode += AText;
    return;
  }
  if (AHidden) return;
  auto runs = TextRuns(AText, AProps);
  if (top != nullptr && !top->FSpilled) {
    for (auto& r : runs) FFields.back().FResult.push_back(std::move(r));
    return;
  }
  for (auto& r : runs) APara.Add(std::move(r));
}

void TvnDocParagraphBuilder::EmitItems(wm::TvnParagraph& APara, wm::TvnItemList AItems) {
  if (AItems.empty()) return;
  if (!FFields.empty() && !FFields.back().FGivenUp) {
    OpenField& top = FFields.back();
    if (!top.FInResult) return;
    // A picture in a field's result stands for the field.
    if (!top.FSpilled) {
      for (auto& r : top.FResult) APara.Add(std::move(r));
      top.FResult.clear();
      top.FSpilled = true;
    }
  }
  for (auto& item : AItems) APara.Add(std::move(item));
}

void TvnDocParagraphBuilder::FieldBegin() {
  if (FFields.size() >= kMaxFieldDepth || FIgnoredFieldBegins > 0) {
    ++FIgnoredFieldBegins;
    return;
  }
  OpenField field;
  field.FField = std::make_unique<wm::TvnField>(FMediator != nullptr ? FMediator->GetDocument() : nullptr);
  FFields.push_back(std::move(field));
}

void TvnDocParagraphBuilder::FieldSeparator() {
  if (FIgnoredFieldBegins > 0 || FFields.empty() || FFields.back().FGivenUp) return;
  OpenField& top = FFields.back();
  top.FInResult = true;
  if (!top.FCode.empty()) top.FField->GetFieldCode()->SetCode(top.FCode);
}

void TvnDocParagraphBuilder::FieldEnd(wm::TvnParagraph& APara) {
  if (FIgnoredFieldBegins > 0) {
    --FIgnoredFieldBegins;
    return;
  }
  if (FFields.empty()) return;
  OpenField field = std::move(FFields.back());
  FFields.pop_back();
  if (field.FSpilled || field.FGivenUp) return;
  if (!field.FInResult && !field.FCode.empty()) field.FField->GetFieldCode()->SetCode(field.FCode);
  if (field.FInResult) field.FField->SetResult(std::make_unique<wm::TvnFieldResult>(std::move(field.FResult)));
  if (!FFields.empty() && !FFields.back().FGivenUp) {
    OpenField& outer = FFields.back();
    if (!outer.FInResult) {
      // A field in another's code: its result is part of that code.
      if (field.FField->GetResult()) outer.FCode += ResultText(*field.FField->GetResult());
      return;
    }
    if (!outer.FSpilled) {
      // A field in another's result: its result runs join that result.
      if (auto* result = field.FField->GetResult())
        for (auto& r : *result) outer.FResult.push_back(std::move(r));
      return;
    }
  }
  field.FField->SetParent(&APara);
  APara.Add(std::move(field.FField));
}

void TvnDocParagraphBuilder::SpillFields(wm::TvnParagraph& APara) {
  // A field still in its code at a paragraph's end (a begin whose
  // separator and end are missing would hide the rest of the story) is
  // given up: what lies inside it up to its end is shown as content.
  for (OpenField& field : FFields)
    if (!field.FInResult) field.FGivenUp = true;
  for (OpenField& field : FFields) {
    if (!field.FInResult || field.FSpilled) continue;
    for (auto& r : field.FResult) APara.Add(std::move(r));
    field.FResult.clear();
    field.FSpilled = true;
  }
}

void TvnDocParagraphBuilder::ApplyNumbering(wm::TvnParagraph& APara) {
  if (FListNumbering == nullptr) return;
  const wm::TvnParagraphProperties& own = *APara.GetParagraphProperties();
  const int32_t ilfo = own.GetNumberID();
  const int32_t ilvl = own.GetNumberLevel();
  const TvnLVL* level = FListNumbering->Level(ilfo, ilvl);
  if (level == nullptr) return;
  const std::optional<String> label = FListNumbering->NextLabel(ilfo, ilvl);
  if (!label) return;
  wm::TvnStylePropertyUpdater& updater = *FStyles->GetStylePropertyUpdater();

  // The paragraph's properties with the level's paragraph formatting over
  // them.
  auto merged = std::make_shared<wm::TvnParagraphProperties>();
  merged->SetRunProperties(std::make_shared<wm::TvnRunProperties>());
  if (auto* extra = dynamic_cast<wm::TvnDocSpecificProperties*>(own.GetAdditionalInfo().get())) {
    std::shared_ptr<wm::TvnDocSpecificProperties> copy = extra->Clone();
    // The table being built, not the old data's own table, which goes with
    // the old properties.
    if (!extra->GetDeleteTable()) copy->SetTable(extra->GetTable());
    merged->SetAdditionalInfo(std::move(copy));
  }
  if (const wm::TvnStyle* style = own.GetStyle()) {
    updater.UpdateParaProp(merged.get(), style->GetParagraphProperties().get());
    if (style->GetParagraphProperties())
      updater.UpdateRunProp(merged->GetRunProperties().get(), style->GetParagraphProperties()->GetRunProperties().get());
  }
  updater.UpdateParaProp(merged.get(), &own);
  updater.UpdateRunProp(merged->GetRunProperties().get(), own.GetRunProperties().get());
  updater.UpdateParaProp(merged.get(), level->FparagraphProperties.get());
  ZeroUnset(*merged);
  merged->SetStyle(own.GetStyle());
  merged->SetStyleName(own.GetStyleName());
  merged->SetStyleID(own.GetStyleID());
  if (own.GetPageBreakBefore()) merged->SetPageBreakBefore(true);

  // The label run: the paragraph's character formatting, then the level's.
  auto label_props = std::make_shared<wm::TvnRunProperties>();
  updater.UpdateRunProp(label_props.get(), own.GetRunProperties().get());
  MarkFontSize(level->FRunProperties.get());
  updater.UpdateRunProp(label_props.get(), level->FRunProperties.get());
  if (label_props->GetFontName().empty()) label_props->SetFontName(FHelperFunctions->GetDefaultFontName());
  SetFont(*label_props);
  auto label_run = std::make_unique<wm::TvnRun>();
  label_run->SetRunProperties(label_props);
  label_run->SetFinalRunProperties(label_props);
  label_run->Add(TextItem(*label, label_props));

  APara.SetParagraphProperties(merged);
  APara.SetFinalParagraphProperties(merged);
  APara.Insert(0, std::move(label_run));
  wm::TvnparagraphTag* tag = wm::ParagraphTagOf(APara);
  tag->SetIsNumParagraph(true);
  if (level->FNfc != TvnDocListNumbering::kBulletFormat) {
    switch (level->FJc) {
      case 1: tag->SetNumberAlignment(wm::TvnHAlignment::haCenter); break;
      case 2: tag->SetNumberAlignment(wm::TvnHAlignment::haRight); break;
      default: tag->SetNumberAlignment(wm::TvnHAlignment::haLeft); break;
    }
  }
}

// ---------------------------------------------------------------------------
// Tables

wm::TvnTableCell& TvnDocParagraphBuilder::CurrentCell(TvnTableInfo& AInfo, bool AMakeDueCell) {
  wm::TvnTable& table = *AInfo.FTable;
  if (table.GetRows().empty()) {
    table.InsertRow(std::make_unique<wm::TvnTableRow>());
    AInfo.FRow = 1;
  }
  wm::TvnTableRow& row = *table.GetRows().back();
  if (AMakeDueCell || row.GetCells().empty()) {
    auto cell = std::make_unique<wm::TvnTableCell>(0);
    cell->SetTableCellProperties(std::make_shared<wm::TvnTableCellProperties>());
    cell->SetWidthType(wm::TvnWidthType::wtAuto);
    row.InsertCell(std::move(cell));
  }
  const auto index = static_cast<size_t>(AInfo.FColumn - 1);
  return AInfo.FColumn > 0 && index < row.GetCells().size() ? *row.GetCells()[index] : *row.GetCells().back();
}

void TvnDocParagraphBuilder::PopTable() {
  TvnTableInfo& inner = FTableList[FCurrentTable - 1];
  const size_t parent = inner.FParent;
  if (parent > 0) {
    TvnTableInfo& outer = FTableList[parent - 1];
    // Tables nested in the inner one that still wait go with it.
    if (!inner.FPending.empty()) {
      wm::TvnTableCell& cell = CurrentCell(inner, false);
      for (auto& t : inner.FPending) cell.InsertItem(std::move(t));
      inner.FPending.clear();
    }
    if (inner.FOwnedTable && !inner.FOwnedTable->GetRows().empty()) outer.FPending.push_back(std::move(inner.FOwnedTable));
  }
  FCurrentTable = parent;
  --FCurrentNestingLevel;
}

void TvnDocParagraphBuilder::CloseTables(wm::TvnItemList& AResult) {
  if (FTableList.empty()) return;
  while (FCurrentNestingLevel > 1 && FCurrentTable > 0) PopTable();
  TvnTableInfo& outermost = FTableList.front();
  if (!outermost.FPending.empty()) {
    wm::TvnTableCell& cell = CurrentCell(outermost, false);
    for (auto& t : outermost.FPending) cell.InsertItem(std::move(t));
    outermost.FPending.clear();
  }
  // A table whose paragraphs were all row-end marks holds nothing.
  if (outermost.FOwnedTable && !outermost.FOwnedTable->GetRows().empty())
    AResult.push_back(std::move(outermost.FOwnedTable));
  FTableList.clear();
  FCurrentTable = 0;
  FCurrentNestingLevel = 0;
}

void TvnDocParagraphBuilder::PlaceParagraph(std::unique_ptr<wm::TvnParagraph> APara, const String& ARawText,
                                            wm::TvnItemList& AResult) {
  wm::TvnDocSpecificProperties& extra = DocSpecificOf(*APara->GetParagraphProperties());
  if (!extra.GetIsParaInTable()) {
    CloseTables(AResult);
    // The paragraph's table sprms acted on no table of the document.
    extra.SetTable(nullptr);
    AResult.push_back(std::move(APara));
    return;
  }
  const int32_t depth = std::clamp(extra.GetTableNestedLevel(), 1, kMaxTableDepth);
  while (FCurrentNestingLevel < depth) {
    TvnTableInfo info;
    info.FOwnedTable = std::make_unique<wm::TvnTable>();
    info.FTable = info.FOwnedTable.get();
    wm::TableTagOf(*info.FTable);
    auto& borders = info.FTable->GetTableProperties()->GetBorders();
    for (auto side : {wm::TvnBorderType::Top, wm::TvnBorderType::Left, wm::TvnBorderType::Bottom,
                      wm::TvnBorderType::Right, wm::TvnBorderType::InsideH, wm::TvnBorderType::InsideV})
      borders[side] = std::make_shared<wm::TvnBorder>();
    info.FParent = FCurrentTable;
    FTableList.push_back(std::move(info));
    FCurrentTable = FTableList.size();
    ++FCurrentNestingLevel;
  }
  while (FCurrentNestingLevel > depth) PopTable();

  TvnTableInfo& info = FTableList[FCurrentTable - 1];
  // A new row is made with its first cell, so a row-end mark with no cell
  // before it makes no empty row.
  const bool row_due = info.FRowClose;
  info.FRowClose = false;
  bool cell_due = false;
  if (info.FColumnClose) {
    ++info.FColumn;
    info.FColumnClose = false;
    cell_due = true;
  }
  const bool cell_mark = !ARawText.empty() && ARawText.back() == kCellMark;
  if (cell_mark || extra.GetLastParaOfCell()) info.FColumnClose = true;
  if (extra.GetLastParaOfRow()) {
    info.FColumnClose = true;
    info.FRowClose = true;
    info.FColumn = 0;
    // The row-end mark: its table sprms were applied, it shows nothing.
    if (ARawText.size() == 1 && (ARawText[0] == kCellMark || ARawText[0] == kParagraphMark)) return;
  }
  if (row_due) {
    info.FTable->InsertRow(std::make_unique<wm::TvnTableRow>());
    ++info.FRow;
  }
  // The paragraph's data points at the table it went into.
  extra.SetTable(info.FTable);
  wm::TvnTableCell& cell = CurrentCell(info, cell_due || row_due);
  for (auto& t : info.FPending) cell.InsertItem(std::move(t));
  info.FPending.clear();
  cell.InsertItem(std::move(APara));
}

}  // namespace vn::doc
