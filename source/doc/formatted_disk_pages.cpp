#include "doc/formatted_disk_pages.h"

#include <map>
#include <string>
#include <utility>

#include "runtime/byte_reader.h"

namespace vn::doc {

namespace {

constexpr size_t kPageSize = 512;
constexpr size_t kRunCountAt = 511;
// Runs that fit a page: (n + 1) positions and n 13-byte BxPap entries, or
// n offset bytes, within the 511 bytes before the run count.
constexpr size_t kMaxParagraphRuns = (kRunCountAt - 4) / 17;
constexpr size_t kMaxCharacterRuns = (kRunCountAt - 4) / 5;
constexpr size_t kBxPapSize = 13;
constexpr uint32_t kPageNumberMask = 0x003FFFFF;

void Report(Diagnostics* d, uint64_t offset, std::string message) {
  ReportTo(d, {.offset = offset, .message = std::move(message)});
}

// The page numbers of a bin table of `lcb` bytes at `fc`: (n + 1) FCs, then
// n 4-byte page numbers. Entries whose FCs stop increasing are cut.
std::vector<uint32_t> ReadBinTable(std::span<const uint8_t> table, uint32_t fc, uint32_t lcb, const char* what,
                                   Diagnostics* d) {
  std::vector<uint32_t> pages;
  if (lcb == 0) return pages;
  if (fc > table.size() || lcb > table.size() - fc) {
    Report(d, fc, std::string("the ") + what + " bin table lies outside the table stream");
    if (fc > table.size()) return pages;
    lcb = static_cast<uint32_t>(table.size() - fc);
  }
  if (lcb < 4) return pages;
  const size_t n = lcb >= 4 ? (lcb - 4) / 8 : 0;
  ByteReader fcs(table.data() + fc, (n + 1) * 4);
  ByteReader pns(table.data() + fc + (n + 1) * 4, n * 4);
  uint32_t previous = fcs.U32LE();
  for (size_t i = 0; i < n; ++i) {
    const uint32_t next = fcs.U32LE();
    if (next <= previous) {
      Report(d, fc, std::string("the ") + what + " bin table's positions stop increasing");
      break;
    }
    previous = next;
    pages.push_back(pns.U32LE() & kPageNumberMask);
  }
  return pages;
}

// A page's byte ranges: its run count (capped), then its positions while
// they increase. Empty when the page lies outside the stream.
std::vector<uint32_t> ReadPagePositions(std::span<const uint8_t> word, uint32_t pn, size_t max_runs, Diagnostics* d,
                                        size_t& runs) {
  std::vector<uint32_t> fcs;
  runs = 0;
  const uint64_t start = uint64_t{pn} * kPageSize;
  if (start + kPageSize > word.size()) {
    Report(d, start, "a formatted disk page lies outside the WordDocument stream");
    return fcs;
  }
  const uint8_t* page = word.data() + start;
  runs = page[kRunCountAt];
  if (runs > max_runs) {
    Report(d, start, "a formatted disk page says it holds more runs than fit");
    runs = max_runs;
  }
  ByteReader r(page, (runs + 1) * 4);
  fcs.push_back(r.U32LE());
  for (size_t j = 0; j < runs; ++j) {
    const uint32_t next = r.U32LE();
    if (next <= fcs.back()) {
      Report(d, start, "a formatted disk page's positions stop increasing");
      break;
    }
    fcs.push_back(next);
  }
  return fcs;
}

// Parses the sprm list of `length` bytes at `at` of the WordDocument
// stream.
std::shared_ptr<const TvnPRLList> ParseList(TvnBinaryReader& word, size_t at, int64_t length) {
  word.Seek(TvnSeekOrigin::soBegin, static_cast<int64_t>(at));
  return std::make_shared<const TvnPRLList>(GetPRLs(word, length));
}

}  // namespace

void ReadParagraphRuns(std::span<const uint8_t> ATableStream, std::span<const uint8_t> AWordDocument,
                       const TvnFIBBase& AFIB, TvnFormattedDiskPages& APages, Diagnostics* ADiagnostics) {
  const auto pages = ReadBinTable(ATableStream, AFIB.FfcPlcfBtePapx, AFIB.FlcbPlcfBtePapx, "paragraph", ADiagnostics);
  TvnBinaryReader word(AWordDocument);
  for (const uint32_t pn : pages) {
    APages.FSkipList.push_back(pn);
    size_t runs = 0;
    const auto fcs = ReadPagePositions(AWordDocument, pn, kMaxParagraphRuns, ADiagnostics, runs);
    if (fcs.size() < 2) continue;
    const size_t page_start = size_t{pn} * kPageSize;
    const uint8_t* page = AWordDocument.data() + page_start;
    // Runs sharing one property place share one parsed list.
    std::map<uint8_t, std::pair<int32_t, std::shared_ptr<const TvnPRLList>>> cache;
    const size_t bx_start = (runs + 1) * 4;
    for (size_t j = 0; j + 1 < fcs.size(); ++j) {
      TvnDocParagraph run{.FCP = fcs[j], .FCPEnd = fcs[j + 1]};
      const uint8_t b_offset = page[bx_start + j * kBxPapSize];
      if (b_offset != 0) {
        auto cached = cache.find(b_offset);
        if (cached == cache.end()) {
          // PapxInFkp: cb; when 0, cb' follows and 2 cb' bytes hold the
          // istd and the sprms; otherwise 2 cb - 1 bytes do.
          size_t at = 2 * size_t{b_offset};
          size_t size = 0;
          const uint8_t cb = page[at++];
          if (cb == 0) size = 2 * size_t{page[at++]};
          else size = 2 * size_t{cb} - 1;
          int32_t istd = 0;
          std::shared_ptr<const TvnPRLList> list;
          if (size < 2 || at + size > kRunCountAt) {
            Report(ADiagnostics, page_start + 2 * size_t{b_offset},
                   "a paragraph's properties reach past their formatted disk page");
          } else {
            istd = page[at] | (page[at + 1] << 8);
            list = ParseList(word, page_start + at + 2, static_cast<int64_t>(size - 2));
          }
          cached = cache.emplace(b_offset, std::make_pair(istd, std::move(list))).first;
        }
        run.FISTD = cached->second.first;
        run.FPRL = cached->second.second;
      }
      APages.FParagraphs.push_back(std::move(run));
    }
  }
}

void ReadCharacterRuns(std::span<const uint8_t> ATableStream, std::span<const uint8_t> AWordDocument,
                       const TvnFIBBase& AFIB, TvnFormattedDiskPages& APages, Diagnostics* ADiagnostics) {
  const auto pages = ReadBinTable(ATableStream, AFIB.FfcPlcfBteChpx, AFIB.FlcbPlcfBteChpx, "character", ADiagnostics);
  TvnBinaryReader word(AWordDocument);
  for (const uint32_t pn : pages) {
    APages.FSkipList.push_back(pn);
    size_t runs = 0;
    const auto fcs = ReadPagePositions(AWordDocument, pn, kMaxCharacterRuns, ADiagnostics, runs);
    if (fcs.size() < 2) continue;
    const size_t page_start = size_t{pn} * kPageSize;
    const uint8_t* page = AWordDocument.data() + page_start;
    std::map<uint8_t, std::shared_ptr<const TvnPRLList>> cache;
    const size_t rgb_start = (runs + 1) * 4;
    for (size_t j = 0; j + 1 < fcs.size(); ++j) {
      TvnDocCharacter run{.FCP = fcs[j], .FCPEnd = fcs[j + 1]};
      const uint8_t b = page[rgb_start + j];
      // Offset 0: the run has no properties of its own.
      if (b != 0) {
        auto cached = cache.find(b);
        if (cached == cache.end()) {
          const size_t at = 2 * size_t{b};
          const size_t cb = page[at];
          std::shared_ptr<const TvnPRLList> list;
          if (at + 1 + cb > kRunCountAt)
            Report(ADiagnostics, page_start + at, "a run's properties reach past their formatted disk page");
          else
            list = ParseList(word, page_start + at + 1, static_cast<int64_t>(cb));
          cached = cache.emplace(b, std::move(list)).first;
        }
        run.FPRL = cached->second;
      }
      APages.FCharacters.push_back(std::move(run));
    }
  }
}

}  // namespace vn::doc
