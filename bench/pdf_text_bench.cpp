// A 100-page text document written through the PDF engine: each page 60
// lines of about 80 characters of running text (a few words in Greek and
// Cyrillic among the Latin) in Courier New at 10 points on A4, fonts
// embedded as subsets, as the converter writes pages. The benchmark times
// the whole document; with "--write TEXT_FILE PDF_FILE" the program writes
// the PDF of a text file once instead (bench/pdf_text_bench.sh times that
// beside LibreOffice converting the same file).
#include <benchmark/benchmark.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "pdfwriter/extended_pdf_engine.h"

namespace {

using namespace vn::exporter;
using vn::pdfwriter::TvnPDFEngine;

constexpr int kLinesPerPage = 60;

// Lines of running text, the same on every run.
std::vector<vn::String> MakeLines(int count) {
  static const char16_t* const words[] = {u"lorem",  u"ipsum",   u"dolor",  u"sit",     u"amet",   u"consectetur",
                                          u"façade", u"naïve",   u"résumé", u"Straße",  u"κόσμος", u"мир",
                                          u"elit",   u"sed",     u"do",     u"eiusmod", u"tempor", u"incididunt",
                                          u"ut",     u"labore",  u"et",     u"dolore",  u"magna",  u"aliqua"};
  std::vector<vn::String> lines;
  uint32_t seed = 12345;
  for (int i = 0; i < count; ++i) {
    vn::String line;
    while (line.size() < 72) {
      seed = seed * 1103515245 + 12345;
      if (!line.empty()) line += u' ';
      line += words[(seed >> 16) % std::size(words)];
    }
    lines.push_back(line);
  }
  return lines;
}

std::string WritePdf(const std::vector<vn::String>& lines) {
  vn::TMemoryStream out;
  TvnPDFEngine engine;
  engine.Preferences().SetShowSetupDialog(false);
  engine.Preferences().SetOpenAfterCreate(false);
  engine.Preferences().SetOutputToUserStream(true);
  engine.Preferences().EmbedTrueTypeFonts = vn::pdfwriter::TvnTTFontEmbedding::etfSubset;
  engine.SetUserStream(&out);
  engine.SetMeasurementUnit(TvnUnitType::muPoints);
  engine.Page().SetPaperSize(TvnPaperSize::A4);
  engine.BeginDoc();
  engine.Font().Name = u"Courier New";
  engine.Font().Size = 10;
  for (size_t i = 0; i < lines.size(); ++i) {
    const int row = static_cast<int>(i % kLinesPerPage);
    if (i > 0 && row == 0) engine.NewPage();
    engine.TextOut(56, 56 + row * 12, lines[i]);
  }
  engine.EndDoc();
  return std::string(out.Bytes().begin(), out.Bytes().end());
}

void BM_HundredTextPages(benchmark::State& state) {
  const auto lines = MakeLines(100 * kLinesPerPage);
  size_t bytes = 0;
  for (auto _ : state) bytes = WritePdf(lines).size();
  state.counters["pdf_bytes"] = static_cast<double>(bytes);
  state.counters["pages"] = 100;
}
BENCHMARK(BM_HundredTextPages)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::string(argv[1]) == "--write") {
    std::ifstream in(argv[2], std::ios::binary);
    std::vector<vn::String> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(vn::FromUtf8(line));
    std::ofstream(argv[3], std::ios::binary) << WritePdf(lines);
    return 0;
  }
  if (argc == 3 && std::string(argv[1]) == "--text") {
    std::ofstream out(argv[2], std::ios::binary);
    for (const vn::String& line : MakeLines(100 * kLinesPerPage)) out << vn::ToUtf8(line) << "\n";
    return 0;
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  return 0;
}
