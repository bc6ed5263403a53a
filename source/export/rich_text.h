// Rich text for the export engine's DrawRichText and ExportRichText: a
// loaded RTF text that lays itself out into pages of a given size, in place
// of the window system's rich-edit control.
//
// The export engine cannot read RTF itself (the RTF reader and the Word
// layout live in libraries above it): the library installs the loader at
// start-up with SetRichTextLoader. Without one, loading raises
// ENotSupportedException "Rich text is not supported".
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "export/engine_types.h"
#include "runtime/streams.h"

namespace vn::exporter {

// One laid-out page of rich text: the characters it shows, from StartPos up
// to EndPos (0-based, EndPos not included; a paragraph end counts as one
// character), and its picture, an enhanced metafile of the page's size in
// pixels that draws only the text and its objects (no background).
struct TvnRichTextPage {
  int32_t StartPos = 0;
  int32_t EndPos = 0;
  TMetafile Picture;
};

class TvnRichText {
 public:
  virtual ~TvnRichText() = default;
  // The number of characters of the text.
  virtual int32_t TextLength() = 0;
  // The text laid out into pages of AWidth x AHeight pixels (96 per inch),
  // in order; at least one page.
  virtual std::vector<TvnRichTextPage> LayOut(int32_t AWidth, int32_t AHeight) = 0;
};

// Reads the RTF of a stream (from its position to its end) into rich text;
// the reader's errors pass to the caller.
using TvnRichTextLoader = std::function<std::unique_ptr<TvnRichText>(vn::TStream& Stream)>;

// Process-wide; installed at library start-up.
void SetRichTextLoader(TvnRichTextLoader Loader);
std::unique_ptr<TvnRichText> LoadRichText(vn::TStream& Stream);

}  // namespace vn::exporter
