// The engine's rich text: RTF laid out into a rectangle of the page and
// continued, page after page, on new pages of the document. The layout
// comes from the rich text (rich_text.h); the engine places each of its
// pages into the rectangle on the page canvas, where it is recorded and
// later replayed into items like any other drawing.
#include <algorithm>
#include <filesystem>
#include <mutex>

#include "export/document_engine.h"
#include "export/rich_text.h"
#include "platform/canvas/canvas.h"
#include "runtime/exceptions.h"
#include "runtime/numbers.h"
#include "runtime/streams.h"
#include "runtime/strings.h"

namespace vn::exporter {

namespace {

std::mutex g_rich_text_mutex;
TvnRichTextLoader g_rich_text_loader;

constexpr TColor kRichTextWhite = 0xFFFFFF;

}  // namespace

void SetRichTextLoader(TvnRichTextLoader Loader) {
  std::lock_guard<std::mutex> lock(g_rich_text_mutex);
  g_rich_text_loader = std::move(Loader);
}

std::unique_ptr<TvnRichText> LoadRichText(vn::TStream& Stream) {
  TvnRichTextLoader loader;
  {
    std::lock_guard<std::mutex> lock(g_rich_text_mutex);
    loader = g_rich_text_loader;
  }
  std::unique_ptr<TvnRichText> text = loader ? loader(Stream) : nullptr;
  if (!text) throw vn::ENotSupportedException("Rich text is not supported");
  return text;
}

void TvnCustomDocumentEngine::DrawRichText(TvnRichText& RichEdit, double ALeft, double ATop, double ARight, double ABottom,
                                           int32_t StartPos, int32_t EndPos, TColor BackgroundColor) {
  if (!FIsDocumentStarted || !FCanvas) return;
  // The rectangle in engine pixels, its size rounded as a whole.
  const int32_t left = vn::RoundToInt(ConvertX(ALeft));
  const int32_t top = vn::RoundToInt(ConvertY(ATop));
  const int32_t right = left + vn::RoundToInt(ConvertX(ARight) - ConvertX(ALeft));
  const int32_t bottom = top + vn::RoundToInt(ConvertY(ABottom) - ConvertY(ATop));
  if (right <= left || bottom <= top) return;
  // The characters asked for; an end of -1 (or past the text) is the end
  // of the text.
  const int32_t length = RichEdit.TextLength();
  const int32_t first = std::clamp(StartPos, 0, length);
  const int32_t last = (EndPos < 0 || EndPos > length) ? length : EndPos;
  if (last <= first) return;
  bool drawn = false;
  for (const TvnRichTextPage& page : RichEdit.LayOut(right - left, bottom - top)) {
    if (page.EndPos <= first) continue;
    if (page.StartPos >= last) break;
    if (drawn) {
      NewPage();
      // An abort asked for while drawing ends the document at the page break.
      if (!FIsDocumentStarted || !FCanvas) return;
    }
    vn::platform::Canvas* surface = FCanvas->Surface();
    if (BackgroundColor != kRichTextWhite && surface != nullptr) {
      vn::platform::Pen pen;
      pen.style = vn::platform::PenStyle::Clear;
      vn::platform::Brush brush;
      brush.color = BackgroundColor;
      surface->SetPen(pen);
      surface->SetBrush(brush);
      surface->Rectangle({left, top, right, bottom});
    }
    FCanvas->StretchDraw(TRect{left, top, right, bottom}, page.Picture);
    drawn = true;
  }
}

void TvnCustomDocumentEngine::ExportRichText(const String& FilePath, double ALeft, double ATop, double ARight,
                                             double ABottom, int32_t StartPos, int32_t EndPos, TColor BackgroundColor) {
  if (!FIsDocumentStarted) return;
  vn::TFileStream stream(std::filesystem::path(vn::ToUtf8(FilePath)), vn::FileMode::fmOpenRead);
  ExportRichText(stream, ALeft, ATop, ARight, ABottom, StartPos, EndPos, BackgroundColor);
}

void TvnCustomDocumentEngine::ExportRichText(vn::TStream& FileStream, double ALeft, double ATop, double ARight,
                                             double ABottom, int32_t StartPos, int32_t EndPos, TColor BackgroundColor) {
  if (!FIsDocumentStarted) return;
  FileStream.SetPosition(0);
  const std::unique_ptr<TvnRichText> text = LoadRichText(FileStream);
  DrawRichText(*text, ALeft, ATop, ARight, ABottom, StartPos, EndPos, BackgroundColor);
}

}  // namespace vn::exporter
