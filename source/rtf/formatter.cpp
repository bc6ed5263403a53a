#include "rtf/formatter.h"

#include "rtf/column_table_analyzer.h"
#include "rtf/group_analyzer.h"
#include "rtf/line_analysis_impl.h"
#include "rtf/line_analyzer.h"
#include "rtf/paragraph_analyzer.h"

namespace vn::rtf::analyzer {

using wordmodel::TvnDataCollection;
using wordmodel::TvnDocItem;
using wordmodel::TvnFormatterParagraph;
using wordmodel::TvnFormatterSection;
using wordmodel::TvnFormatterWordColumns;
using wordmodel::TvnPageData;
using wordmodel::TvnTextElement;
using wordmodel::TvnUnFormattedSection;

// The analysis of one page: its collections and the analyzers that own
// what the page's sections refer to.
struct TvnFormatter::PageRun {
  TvnDataCollection Page, Lines, Groups, Sections, Paragraphs;
  TvnLineAnalyzer LineAnalyzer{&Page, &Lines};
  TvnGroupAnalyzer GroupAnalyzer{&Lines, &Groups};
  TvnColumnAndTableAnalyzer ColumnAnalyzer{&Groups, &Sections};
  TvnParagraphAnalyzer ParagraphAnalyzer{&Sections, &Paragraphs};
};

TvnFormatter::TvnFormatter(TvnDataCollection* AUnFormattedData) : FUnformattedData(AUnFormattedData) {}

TvnFormatter::~TvnFormatter() = default;

void TvnFormatter::Add(TvnDocItem* AItem) {
  if (!FUnformattedData) return;
  FUnformattedData->GetCollection().push_back(AItem);
  UnformattedNotify();
}

void TvnFormatter::UnformattedNotify() {
  if (!FUnformattedData) return;
  const auto& list = FUnformattedData->GetCollection();
  if (list.size() <= FCount) return;
  FCount = list.size();
  RunAnalyzers(list.back());
}

void TvnFormatter::RunAnalyzers(TvnDocItem* AItem) {
  if (const auto* page = dynamic_cast<const TvnPageData*>(AItem)) {
    FHeight = page->GetPageHeight();
    FWidth = page->GetPageWidth();
    FPageMargin.Assign(page->GetPageMargin(), &FPageMargin);
    // The line analyzer reads a page whose text runs down or up turned by
    // a quarter: its width and height trade places.
    std::vector<const TvnTextElement*> texts;
    for (const TvnDocItem* item : page->GetDocItems())
      if (const auto* text = dynamic_cast<const TvnTextElement*>(item)) texts.push_back(text);
    if (WritingQuarterTurns(texts) % 2 == 1) std::swap(FWidth, FHeight);
  }
  auto run = std::make_unique<PageRun>();
  run->Page.GetCollection().push_back(AItem);
  run->LineAnalyzer.Analyze(&FPageMargin, FWidth, FHeight, nullptr);
  run->GroupAnalyzer.Analyze(&FPageMargin, FWidth, FHeight, nullptr);
  run->ColumnAnalyzer.Analyze(&FPageMargin, FWidth, FHeight, &run->Page);
  run->ParagraphAnalyzer.Analyze(&FPageMargin, FWidth, FHeight, &run->Page);
  BuildSections(run->Paragraphs);
  // The page itself stays the caller's.
  run->Page.GetCollection().clear();
  FRuns.push_back(std::move(run));
}

void TvnFormatter::BuildSections(const TvnDataCollection& AData) {
  size_t position = 0;
  for (const TvnDocItem* item : AData.GetCollection()) {
    const auto* unformatted = dynamic_cast<const TvnUnFormattedSection*>(item);
    if (!unformatted) continue;
    auto section = std::make_unique<TvnFormatterSection>();
    section->SetSectionType(wordmodel::TvnSectionType::stContinuous);
    section->SetPageHeight(FHeight);
    section->SetPageWidth(FWidth);
    FPageMargin.Assign(&FPageMargin, section->GetPageMargin());
    // A page taller than wide is upright.
    section->SetOrientation(FWidth > FHeight ? wordmodel::TvnOrientation::oLandscape
                                             : wordmodel::TvnOrientation::oPortrait);
    section->SetIsTitlePage(false);
    section->SetEqualWidthColumns(true);
    section->SetSpaceBetweenColumns(30);
    const auto& columns = unformatted->GetColumns();
    const bool multi = columns.size() > 1;
    if (multi) {
      section->SetSectionType(wordmodel::TvnSectionType::stColumnSection);
      section->SetEqualWidthColumns(false);
      section->SetSpaceBetweenColumns(0);
      for (const TvnFormatterWordColumns* c : unformatted->GetWordColumns()) {
        auto record = std::make_unique<TvnFormatterWordColumns>();
        record->Setspace(c->Getspace());
        record->SetWidth(c->GetWidth());
        section->GetColumns().push_back(record.get());
        FOwned.push_back(std::move(record));
      }
    }
    for (size_t i = 0; i < columns.size(); ++i) {
      auto& items = section->GetDocItems();
      items.insert(items.end(), columns[i]->GetDocItems().begin(), columns[i]->GetDocItems().end());
      if (multi && i + 1 < columns.size()) {
        auto columnBreak = std::make_unique<TvnTextElement>();
        columnBreak->SetTextBreak(wordmodel::TvnBreakType::btColumn);
        auto paragraph = std::make_unique<TvnFormatterParagraph>();
        paragraph->GetDocItems().push_back(columnBreak.get());
        items.push_back(paragraph.get());
        FOwned.push_back(std::move(columnBreak));
        FOwned.push_back(std::move(paragraph));
      }
    }
    if (position == 0) section->SetSectionType(wordmodel::TvnSectionType::stNextPage);
    FFormattedData.GetCollection().push_back(section.get());
    FOwned.push_back(std::move(section));
    ++position;
  }
}

}  // namespace vn::rtf::analyzer
