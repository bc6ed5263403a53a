// Laying out a generated flowing document of about 300 (or 1200) Letter
// pages: paragraphs of 60 words, a table of 30 rows with a repeated header
// row after every 40 paragraphs, and a header with a page number on every
// page. Text is measured on the default canvas. Reports pages per second
// and the process's peak resident memory; with every page kept (as the
// document types keep them) and with each page freed once made, so that
// the growth per kept page shows. The peak is the process's: run one
// benchmark per process (--benchmark_filter) to read each one's.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "wordmodel/field_code.h"
#include "wordmodel/fields.h"
#include "wordmodel/layout_tags.h"
#include "wordmodel/pagination_engine.h"
#include "wordmodel/paragraph.h"
#include "wordmodel/section.h"
#include "wordmodel/table.h"
#include "wordmodel/table_properties.h"
#include "wordmodel/text_item.h"
#include "wordmodel/word_parser.h"

namespace {

using namespace vn::wordmodel;

std::shared_ptr<TvnRunProperties> BenchFont() {
  auto properties = std::make_shared<TvnRunProperties>();
  auto font = std::make_shared<TvnFont>();
  font->SetName(u"DejaVu Sans");
  font->SetSize(11);
  properties->SetFont(font);
  return properties;
}

std::unique_ptr<TvnRun> BenchRun(const std::vector<vn::String>& AWords) {
  static const auto font = BenchFont();
  auto run = std::make_unique<TvnRun>();
  run->SetFinalRunProperties(font);
  for (const vn::String& word : AWords) run->Add(std::make_unique<TvnTextitem>(word, font));
  return run;
}

std::unique_ptr<TvnParagraph> BenchParagraph(std::unique_ptr<TvnRun> ARun) {
  static const auto props = std::make_shared<TvnParagraphProperties>();
  auto paragraph = std::make_unique<TvnParagraph>();
  paragraph->SetParagraphProperties(props);
  paragraph->SetFinalParagraphProperties(props);
  paragraph->Add(std::move(ARun));
  ParagraphTagOf(*paragraph);
  return paragraph;
}

std::unique_ptr<TvnParagraph> TextParagraph(int AIndex) {
  std::vector<vn::String> words;
  for (int i = 0; i < 60; ++i) words.push_back(vn::IntToStr(AIndex * 100 + i) + u" ");
  return BenchParagraph(BenchRun(words));
}

std::unique_ptr<TvnTable> BenchTable() {
  auto table = std::make_unique<TvnTable>();
  table->GetGridColumnWidths() = {200, 200, 200};
  table->SetTableProperties(std::make_shared<TvnTableProperties>());
  for (int r = 0; r < 30; ++r) {
    auto row = std::make_unique<TvnTableRow>();
    auto props = std::make_shared<TvnTableRowProperties>();
    props->SetIsHeader(r == 0);
    row->SetTableRowProperties(props);
    for (int c = 0; c < 3; ++c) {
      auto cell = std::make_unique<TvnTableCell>();
      cell->SetTableCellProperties(std::make_shared<TvnTableCellProperties>());
      cell->InsertItem(BenchParagraph(BenchRun({u"cell ", vn::IntToStr(r * 3 + c)})));
      row->InsertCell(std::move(cell));
    }
    if (r == 0) TableTagOf(*table)->GetHeaderRowIndices().push_back(0);
    table->InsertRow(std::move(row));
  }
  return table;
}

class BenchBody : public TvnMainDocumentParser {
 public:
  std::optional<std::vector<TvnSection*>> Sections() override { return std::vector<TvnSection*>{Section.get()}; }
  std::vector<TvnDocItem*> GetEnumerator() override {
    std::vector<TvnDocItem*> items;
    for (auto& item : Items) items.push_back(item.get());
    return items;
  }
  std::unique_ptr<TvnSection> Section;
  std::vector<std::unique_ptr<TvnDocItem>> Items;
};

class BenchReader : public TvnWordParser {
 public:
  explicit BenchReader(int64_t AParagraphs) : TvnWordParser(nullptr) {
    Body.Section = std::make_unique<TvnSection>();
    auto header = std::make_unique<TvnHeader>();
    auto paragraph = BenchParagraph(BenchRun({u"Page "}));
    auto code = std::make_unique<TvnFieldCode>();
    code->SetCode(u"PAGE");
    auto result = std::make_unique<TvnFieldResult>();
    result->push_back(BenchRun({u"1"}));
    paragraph->Add(TvnWordHelperFunctions::GetField(nullptr, std::move(code), false, std::move(result)));
    TvnItemList headerItems;
    headerItems.push_back(std::move(paragraph));
    header->SetElements(std::move(headerItems));
    Body.Section->SetDefaultPageHeader(std::move(header));
    for (int i = 0; i < AParagraphs; ++i) {
      Body.Items.push_back(TextParagraph(i));
      if (i % 40 == 39) Body.Items.push_back(BenchTable());
    }
  }
  TvnMainDocumentParser* GetDocumentParser() override { return &Body; }
  BenchBody Body;
};

double PeakResidentMegabytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

void LayOut(benchmark::State& state, bool AKeepPages) {
  int64_t pages = 0;
  for (auto _ : state) {
    state.PauseTiming();
    BenchReader reader(state.range(0));
    state.ResumeTiming();
    TvnWordLayoutEngine engine(reader);
    std::vector<std::unique_ptr<TvnWordPage>> kept;
    while (std::unique_ptr<TvnWordPage> page = engine.GetNextPage()) {
      ++pages;
      if (AKeepPages) kept.push_back(std::move(page));
    }
    benchmark::DoNotOptimize(kept.data());
  }
  state.counters["pages_per_s"] = benchmark::Counter(static_cast<double>(pages), benchmark::Counter::kIsRate);
  state.counters["pages"] = static_cast<double>(pages) / static_cast<double>(state.iterations());
  state.counters["peak_rss_mb"] = PeakResidentMegabytes();
}

void BM_PaginateFreeingPages(benchmark::State& state) { LayOut(state, false); }
void BM_PaginateKeepingPages(benchmark::State& state) { LayOut(state, true); }
// Freeing first: the peak of the second shows what the kept pages add.
// 2000 paragraphs make about 300 pages, 8000 about 1200.
BENCHMARK(BM_PaginateFreeingPages)->Unit(benchmark::kMillisecond)->Iterations(1)->Arg(2000)->Arg(8000);
BENCHMARK(BM_PaginateKeepingPages)->Unit(benchmark::kMillisecond)->Iterations(1)->Arg(2000)->Arg(8000);

}  // namespace

BENCHMARK_MAIN();
