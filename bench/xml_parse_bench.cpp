// Loading a large word/document.xml into the XML tree, as the DOCX reader
// loads a part: from the file through a 4096-byte buffer. The file is named
// by VN_XML_BENCH_FILE (bench/xml_parse_bench.sh makes one of about 300
// pages from the corpus and times xmllint --noout beside this).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>

#include "ooxml/xml_parser.h"

namespace {

void BM_LoadDocumentXml(benchmark::State& state) {
  const char* file = std::getenv("VN_XML_BENCH_FILE");
  if (!file || !std::filesystem::exists(file)) {
    state.SkipWithError("set VN_XML_BENCH_FILE to an XML file");
    return;
  }
  for (auto _ : state) {
    vn::ooxml::TXMLDocument document;
    document.LoadFromFile(file, 4096);
    benchmark::DoNotOptimize(document.DocumentElement());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(std::filesystem::file_size(file)));
}
BENCHMARK(BM_LoadDocumentXml)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
