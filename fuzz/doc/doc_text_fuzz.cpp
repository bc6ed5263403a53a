// Fuzz target for whole Word 97-2003 files: the package, then the
// main-document reader (piece table, formatted disk pages, the seven
// stories), then every story's paragraph and character runs applied to
// fresh properties through the sprm interpreters, then the stylesheet, then
// the sections (section table, section properties, headers and footers
// from the header story), then the body built from the main story with the
// styles registered (tables with their table sprms, fields, list labels).
// Contract: any bytes in; the package opens or raises EDOCFormatError;
// Initialize finishes; each story's runs lie within the story's text, in
// order; applying them finishes; the stylesheet gives no more styles than
// its bytes hold slots; there is at least one section, the section starts
// ascend, a section has at most 1000 columns, and no more paragraphs end a
// section than there are later sections; the body has no more paragraphs than the
// main story has characters, every table row has cells; no crash, leak or
// hang.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "doc/doc_package.h"
#include "doc/main_document_parser.h"
#include "doc/style_parser.h"
#include "runtime/streams.h"
#include "wordmodel/document_mediator.h"
#include "wordmodel/paragraph.h"
#include "wordmodel/paragraph_properties.h"
#include "wordmodel/section.h"
#include "wordmodel/table.h"
#include "wordmodel/run_properties.h"

namespace {

template <typename Run>
void CheckRuns(const std::vector<Run>& runs, size_t length) {
  int64_t last = 0;
  for (const auto& r : runs) {
    if (r.FCP < last || r.FCPEnd <= r.FCP || r.FCPEnd > static_cast<int64_t>(length)) std::abort();
    last = r.FCPEnd;
  }
}

size_t section_ends = 0;

// Counts the paragraphs of the items, tables included, and those that end
// a section.
size_t CountParagraphs(const vn::wordmodel::TvnDocItem* item) {
  if (auto* paragraph = dynamic_cast<const vn::wordmodel::TvnParagraph*>(item)) {
    if (paragraph->GetContainsSection()) ++section_ends;
    return 1;
  }
  size_t n = 0;
  if (auto* table = dynamic_cast<const vn::wordmodel::TvnTable*>(item)) {
    for (const auto& row : table->GetRows()) {
      if (row->GetCells().empty()) std::abort();
      for (const auto& cell : row->GetCells())
        for (const auto& inner : cell->GetDocItems()) n += CountParagraphs(inner.get());
    }
  }
  return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vn::TStringStream input(std::string(reinterpret_cast<const char*>(data), size));
  try {
    vn::doc::TvnDOCPackage package(&input, u"");
    vn::doc::TvnDOCMainDocumentParser parser(&package, nullptr);
    parser.Initialize();
    auto& helpers = *package.HelperFunctions();
    vn::doc::TvnBinaryReader word(package.OLESSRoot()->FWordDocumentStream.Bytes());
    for (const auto& name : vn::doc::TvnDOCMainDocumentParser::StoryNames()) {
      const auto* story = parser.Story(name);
      CheckRuns(story->FParagraphs, story->FText.size());
      CheckRuns(story->FCharacters, story->FText.size());
      for (const auto& p : story->FParagraphs) {
        vn::wordmodel::TvnParagraphProperties props;
        helpers.ParseParagraphProperties(props, p.FPRL.get(), word);
      }
      for (const auto& c : story->FCharacters) {
        vn::wordmodel::TvnRunProperties props;
        helpers.ParseTextRunProperties(props, c.FPRL.get(), word);
      }
    }
    vn::doc::TvnDOCParser bundle(&package, nullptr);
    const auto styles = bundle.GetStylesParser()->GetEnumerator();
    if (styles.size() > package.FIBBase()->FlcbStshf / 2) std::abort();

    vn::TStringStream again(std::string(reinterpret_cast<const char*>(data), size));
    vn::doc::TvnDOCPackage body_package(&again, u"");
    vn::wordmodel::TvnDocumentMediator mediator(nullptr);
    vn::doc::TvnDOCParser reader(&body_package, &mediator);
    vn::wordmodel::FillMediatorFromReader(reader, mediator);
    auto& main = *static_cast<vn::doc::TvnDOCMainDocumentParser*>(reader.GetDocumentParser());
    main.Initialize();
    const auto sections = *main.Sections();
    const auto& starts = main.SectionOffsets();
    if (sections.empty() || starts.size() != sections.size()) std::abort();
    for (size_t i = 1; i < starts.size(); ++i)
      if (starts[i] <= starts[i - 1]) std::abort();
    for (const auto* section : sections)
      if (section->GetColumns().size() > 1000) std::abort();
    section_ends = 0;
    size_t paragraphs = 0;
    for (const auto* item : main.GetEnumerator()) paragraphs += CountParagraphs(item);
    if (paragraphs > main.MainStory().FText.size()) std::abort();
    if (section_ends >= sections.size()) std::abort();
  } catch (const vn::doc::EDOCFormatError&) {
  }
  return 0;
}
