// Fuzz target over the document outline: a file is opened through the
// document handler and its outline walked depth first (titles, flags,
// colours, counts, destinations with their pages and rectangles, actions
// with their /Next chains, named destinations); then the first item is
// unlinked and linked in again after the last, the second top-level item
// deleted, and the document saved.
// Contract: opening either succeeds or raises one of the library's
// exceptions (vn::Exception), and so do the reads and the save; nothing
// crashes, hangs or raises anything else.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "pdfdocument/pd_bookmark.h"
#include "pdfdocument/pdf_document_handler.h"
#include "runtime/exceptions.h"
#include "runtime/streams.h"

using namespace vn::pdfdoc;

namespace {

void ReadItem(TvnPDFBookmark& item) {
  item.Title();
  item.Flags();
  item.Count();
  TvnPDColorValue color;
  item.GetColor(color);
  if (TvnqPDFDestination* dest = item.Destination()) {
    dest->Page();
    dest->Rect();
  }
  if (TvnPDAction* action = item.Action()) {
    try {
      action->ActionType();
    } catch (const vn::Exception&) {
    }
    if (TvnqPDFDestination* dest = action->Destination()) dest->Page();
    for (const auto& next : action->GetAllActions()) next->Destination();
    action->FileSpec();
  }
}

void Walk(TvnPDFBookmark& parent, int& budget) {
  for (TvnPDFBookmark* item = parent.FirstChild(); item && budget > 0; item = item->Next(), --budget) {
    ReadItem(*item);
    Walk(*item, budget);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TvnPDFDocumentHandler handler;
  try {
    handler.LoadDocument(new vn::TMemoryStream(std::vector<uint8_t>(data, data + size)), true);
  } catch (const vn::Exception&) {
    return 0;
  }
  try {
    TvnPDFBookmark* root = handler.GetBookmarkRoot();
    if (!root) return 0;
    int budget = 5000;
    Walk(*root, budget);
    root->GetByTitle(u"x", TvnOutlineTaversalType::ottDepthFirst, TvnOutlineTraversalDepth::otdFullSubtree);
    if (TvnPDFBookmark* first = root->FirstChild()) {
      first->DeleteNext();
      if (auto moved = first->UnLink())
        if (TvnPDFBookmark* last = root->LastChild()) last->AddNext(std::move(moved));
    }
    vn::TMemoryStream out;
    handler.SaveDocument(&out);
  } catch (const vn::Exception&) {
  }
  return 0;
}
