// Fuzz target for whole Word 97-2003 files: the package, then the
// main-document reader (piece table, formatted disk pages, the seven
// stories), then every story's paragraph and character runs applied to
// fresh properties through the sprm interpreters, then the stylesheet.
// Contract: any bytes in; the package opens or raises EDOCFormatError;
// Initialize finishes; each story's runs lie within the story's text, in
// order; applying them finishes; the stylesheet gives no more styles than
// its bytes hold slots; no crash, leak or hang.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "doc/doc_package.h"
#include "doc/main_document_parser.h"
#include "doc/style_parser.h"
#include "runtime/streams.h"
#include "wordmodel/paragraph_properties.h"
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
  } catch (const vn::doc::EDOCFormatError&) {
  }
  return 0;
}
