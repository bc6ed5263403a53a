// Rich text for the export engine from the RTF reader: the RTF is read into
// the Word model and laid out by the Word layout on pages of the asked size
// with no margins, columns, headers or footers, so that its text alone
// flows from one rectangle to the next, as a rich-edit control shows it.
//
// Characters are counted as the control counts them: the characters of the
// text runs (field results included), one for each break, tab and
// paragraph end, tables cell by cell. A laid-out page shows the characters
// from the first of its body items to the end of its last.
#include "library/rich_text_loader_impl.h"

#include <algorithm>
#include <map>
#include <utility>
#include <vector>

#include "export/rich_text.h"
#include "rtf/rtf_document.h"
#include "wordmodel/fields.h"
#include "wordmodel/paragraph.h"
#include "wordmodel/table.h"
#include "wordmodel/text_item.h"
#include "wordmodel/word_page_drawing.h"

namespace vn {

namespace {

using framework::TvnDocItem;

int32_t RichTextCharacters(const TvnDocItem* AItem);

int32_t RichTextCharactersOf(const wordmodel::TvnItemList& AItems) {
  int32_t count = 0;
  for (const auto& item : AItems) count += RichTextCharacters(item.get());
  return count;
}

int32_t RichTextCharacters(const TvnDocItem* AItem) {
  if (AItem == nullptr) return 0;
  if (const auto* text = dynamic_cast<const wordmodel::TvnTextitem*>(AItem))
    return static_cast<int32_t>(text->GetText().size());
  if (dynamic_cast<const wordmodel::TvnBreak*>(AItem) != nullptr) return 1;
  if (const auto* field = dynamic_cast<const wordmodel::TvnField*>(AItem)) {
    int32_t count = 0;
    if (field->GetResult() != nullptr)
      for (const auto& run : *field->GetResult()) count += RichTextCharacters(run.get());
    return count;
  }
  if (const auto* table = dynamic_cast<const wordmodel::TvnTable*>(AItem)) {
    int32_t count = 0;
    for (const auto& row : table->GetRows())
      for (const auto& cell : row->GetCells()) count += RichTextCharactersOf(cell->GetDocItems());
    return count;
  }
  if (const auto* composite = dynamic_cast<const framework::TvnCompositeDocItem*>(AItem)) {
    const int32_t count = RichTextCharactersOf(composite->GetItems());
    return dynamic_cast<const wordmodel::TvnParagraph*>(AItem) != nullptr ? count + 1 : count;
  }
  return 0;
}

// A4 at 96 pixels per inch: the frame of the first reading, which only
// counts the characters.
constexpr framework::TSize kCountingFrame{794, 1123};

class RtfRichText : public exporter::TvnRichText {
 public:
  explicit RtfRichText(std::vector<uint8_t> ABytes) : FBytes(std::move(ABytes)) {
    // Read once so that damaged input fails at the load, as the control's
    // load would.
    TMemoryStream stream(FBytes);
    rtf::TvnRTFDocument document;
    Load(document, stream, kCountingFrame);
    FLength = 0;
    for (TvnDocItem* item : document.GetHandler()->GetBody().Items) FLength += RichTextCharacters(item);
  }

  int32_t TextLength() override { return FLength; }

  std::vector<exporter::TvnRichTextPage> LayOut(int32_t AWidth, int32_t AHeight) override {
    const framework::TSize frame{std::max(AWidth, 1), std::max(AHeight, 1)};
    TMemoryStream stream(FBytes);
    rtf::TvnRTFDocument document;
    Load(document, stream, frame);
    // Where each body item's characters start and end.
    std::map<const TvnDocItem*, std::pair<int32_t, int32_t>> spans;
    int32_t position = 0;
    for (TvnDocItem* item : document.GetHandler()->GetBody().Items) {
      const int32_t end = position + RichTextCharacters(item);
      spans[item] = {position, end};
      position = end;
    }
    std::vector<exporter::TvnRichTextPage> pages;
    int32_t next = 0;
    for (int32_t i = 1; i <= document.GetPageCount(); ++i) {
      auto& page = static_cast<wordmodel::LaidOutWordPage&>(*document.GetPage(i));
      exporter::TvnRichTextPage laid;
      laid.StartPos = next;
      laid.EndPos = next;
      bool first = true;
      for (TvnDocItem* item : page.GetPageElements()) {
        const auto span = spans.find(item);
        if (span == spans.end()) continue;
        laid.StartPos = first ? span->second.first : std::min(laid.StartPos, span->second.first);
        laid.EndPos = std::max(laid.EndPos, span->second.second);
        first = false;
      }
      next = laid.EndPos;
      laid.Picture.Bytes = wordmodel::RecordWordPageItems(page.PageElements(), frame.cx, frame.cy);
      laid.Picture.Width = frame.cx;
      laid.Picture.Height = frame.cy;
      pages.push_back(std::move(laid));
    }
    return pages;
  }

 private:
  // The document keeps referring to the stream: the caller keeps it alive
  // as long as the document.
  static void Load(rtf::TvnRTFDocument& ADocument, TMemoryStream& AStream, framework::TSize AFrame) {
    ADocument.GetHandler()->SetPageFrame(AFrame);
    ADocument.LoadFromStream(&AStream, String(), false);
  }

  std::vector<uint8_t> FBytes;
  int32_t FLength = 0;
};

std::unique_ptr<exporter::TvnRichText> LoadRtfRichText(TStream& AStream) {
  std::vector<uint8_t> bytes;
  uint8_t buffer[65536];
  for (int64_t read; (read = AStream.Read(buffer, sizeof buffer)) > 0;) bytes.insert(bytes.end(), buffer, buffer + read);
  return std::make_unique<RtfRichText>(std::move(bytes));
}

}  // namespace

void InstallRichTextLoader() { exporter::SetRichTextLoader(&LoadRtfRichText); }

}  // namespace vn
