// Paragraphs for layout tests, built in a line: runs of text items with
// tab, line-break and page-break marks, paragraph properties to adjust.
#pragma once

#include <memory>
#include <vector>

#include "wordmodel/layout_tags.h"
#include "wordmodel/paragraph.h"
#include "wordmodel/text_item.h"

namespace vn::wordmodel::testing {

inline std::shared_ptr<TvnRunProperties> Font(int32_t ASize = 10) {
  auto properties = std::make_shared<TvnRunProperties>();
  auto font = std::make_shared<TvnFont>();
  font->SetName(u"Courier New");
  font->SetSize(ASize);
  properties->SetFont(font);
  return properties;
}

// A run of text items; "\t" stands for a tab, "\n" for a line break and
// "\f" for a page break.
inline std::unique_ptr<TvnRun> MakeRun(const std::vector<String>& ATexts,
                                       std::shared_ptr<TvnRunProperties> AFont = Font()) {
  auto run = std::make_unique<TvnRun>();
  run->SetFinalRunProperties(AFont);
  for (const String& text : ATexts) {
    if (text == u"\t") {
      run->Add(std::make_unique<TvnBreak>(TvnBreakType::btTab));
    } else if (text == u"\n") {
      run->Add(std::make_unique<TvnBreak>(TvnBreakType::btLine));
    } else if (text == u"\f") {
      run->Add(std::make_unique<TvnBreak>(TvnBreakType::btPage));
    } else {
      run->Add(std::make_unique<TvnTextitem>(text, AFont));
    }
  }
  return run;
}

inline std::shared_ptr<TvnParagraphProperties> Props(TvnHAlignment AAlignment = TvnHAlignment::haLeft) {
  auto props = std::make_shared<TvnParagraphProperties>();
  props->SetHAlignment(AAlignment);
  return props;
}

// A paragraph whose own and final properties are AProps.
inline std::unique_ptr<TvnParagraph> Para(std::shared_ptr<TvnParagraphProperties> AProps,
                                          std::vector<std::unique_ptr<TvnRun>> ARuns) {
  auto paragraph = std::make_unique<TvnParagraph>();
  paragraph->SetParagraphProperties(AProps);
  paragraph->SetFinalParagraphProperties(AProps);
  for (auto& run : ARuns) paragraph->Add(std::move(run));
  ParagraphTagOf(*paragraph);
  return paragraph;
}

inline std::unique_ptr<TvnParagraph> Para(std::shared_ptr<TvnParagraphProperties> AProps,
                                          const std::vector<String>& ATexts) {
  std::vector<std::unique_ptr<TvnRun>> runs;
  runs.push_back(MakeRun(ATexts));
  return Para(std::move(AProps), std::move(runs));
}

}  // namespace vn::wordmodel::testing
