#include "rtf/line_analyzer.h"

#include "rtf/line_analysis_impl.h"

namespace vn::rtf::analyzer {

using wordmodel::TvnDocItem;
using wordmodel::TvnFormatterLine;
using wordmodel::TvnPageData;
using wordmodel::TvnRectF;
using wordmodel::TvnTextElement;

TvnDictionary* TvnAnalyzer::AddKey(TvnDictionaryList& AList, double AKey) {
  AList.push_back(std::make_unique<TvnDictionary>());
  AList.back()->SetKey(AKey);
  return AList.back().get();
}

void TvnAnalyzer::AddToKey(TvnDictionaryList& AList, TvnDocItem* AItem, double AKey) {
  const int32_t i = IndexOfKey(AList, AKey);
  if (i >= 0) AList[static_cast<size_t>(i)]->GetValue().push_back(AItem);
}

bool TvnAnalyzer::HasKey(const TvnDictionaryList& AList, double AKey) { return IndexOfKey(AList, AKey) >= 0; }

int32_t TvnAnalyzer::IndexOfKey(const TvnDictionaryList& AList, double AKey) {
  for (size_t i = 0; i < AList.size(); ++i) {
    if (AList[i]->GetKey() == AKey) return static_cast<int32_t>(i);
  }
  return -1;
}

TvnLineAnalyzer::~TvnLineAnalyzer() = default;

void TvnLineAnalyzer::Analyze(wordmodel::TvnPageMargins*, double, double, wordmodel::TObject*) {
  if (!FUnFormattedData || !FFormattedData || FUnFormattedData->GetCollection().empty()) return;
  const auto* page = dynamic_cast<const TvnPageData*>(FUnFormattedData->GetCollection().front());
  if (!page) return;
  std::vector<TvnTextElement*> elements;
  for (const TvnDocItem* item : page->GetDocItems()) {
    const auto* text = dynamic_cast<const TvnTextElement*>(item);
    if (!text) continue;
    FElements.push_back(CopyTextElement(*text, FCharRects));
    elements.push_back(FElements.back().get());
  }
  // A page whose text mostly runs down, up or upside down is analysed
  // turned, so that this text runs left to right (the formatter turns the
  // page's size with it).
  const int turns = WritingQuarterTurns({elements.begin(), elements.end()});
  for (TvnTextElement* e : elements) TurnUpright(*e, turns, page->GetPageWidth(), page->GetPageHeight());
  LineAnalysis analysis(true);
  for (const AnalysisLine& l : analysis.Run(elements)) {
    std::unique_ptr<TvnFormatterLine> line = MakeFormatterLine(l);
    FFormattedData->GetCollection().push_back(line.get());
    FLines.push_back(std::move(line));
  }
}

}  // namespace vn::rtf::analyzer
