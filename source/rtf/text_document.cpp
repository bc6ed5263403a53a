#include "rtf/text_document.h"

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "framework/canvas.h"
#include "framework/document_routines.h"
#include "platform/canvas/canvas.h"
#include "platform/canvas/text_measure.h"
#include "rtf/text_line_analyzer.h"
#include "runtime/codepages.h"
#include "runtime/exceptions.h"
#include "wordmodel/layout_tags.h"
#include "wordmodel/paragraph.h"
#include "wordmodel/positioned_text.h"
#include "wordmodel/table.h"
#include "wordmodel/text_item.h"

namespace vn::rtf {

namespace fw = vn::framework;
namespace pf = vn::platform;

namespace {

constexpr char16_t kFormFeed = u'\f';

// The font the lines are measured and drawn in: Arial 10 as the canvas
// selects it on the 96-dpi screen.
pf::Font TextPageFont() {
  pf::Font f;
  f.faceName = u"Arial";
  f.height = -static_cast<int32_t>(std::lround(10 * 96.0 / 72.0));
  return f;
}

int32_t PageWidthPx() { return static_cast<int32_t>(std::lround(fw::PointsToPixels96(TvnTextDocument::kPageWidthPt))); }
int32_t PageHeightPx() {
  return static_cast<int32_t>(std::lround(fw::PointsToPixels96(TvnTextDocument::kPageHeightPt)));
}

// Whole-sequence UTF-8 check: no overlong forms, no surrogates, nothing
// above U+10FFFF.
bool IsValidUtf8(std::string_view s) {
  size_t i = 0;
  while (i < s.size()) {
    const auto b = static_cast<uint8_t>(s[i]);
    size_t n = 0;
    uint32_t cp = 0;
    if (b < 0x80) {
      ++i;
      continue;
    } else if (b >= 0xC2 && b <= 0xDF) {
      n = 1;
      cp = b & 0x1Fu;
    } else if (b >= 0xE0 && b <= 0xEF) {
      n = 2;
      cp = b & 0x0Fu;
    } else if (b >= 0xF0 && b <= 0xF4) {
      n = 3;
      cp = b & 0x07u;
    } else {
      return false;
    }
    if (i + n >= s.size()) return false;
    for (size_t k = 1; k <= n; ++k) {
      const auto c = static_cast<uint8_t>(s[i + k]);
      if ((c & 0xC0u) != 0x80u) return false;
      cp = (cp << 6) | (c & 0x3Fu);
    }
    if ((n == 2 && cp < 0x800) || (n == 3 && (cp < 0x10000 || cp > 0x10FFFF)) || (cp >= 0xD800 && cp <= 0xDFFF))
      return false;
    i += n + 1;
  }
  return true;
}

String DecodeUtf16(std::string_view s, bool ABigEndian) {
  String out;
  out.reserve(s.size() / 2);
  for (size_t i = 0; i + 1 < s.size(); i += 2) {
    const auto a = static_cast<uint8_t>(s[i]), b = static_cast<uint8_t>(s[i + 1]);
    out += static_cast<char16_t>(ABigEndian ? (a << 8) | b : (b << 8) | a);
  }
  return out;
}

// Lines end at CR, LF or CR LF; a last line without an end counts, an end
// of text right after a line end adds no empty line.
std::vector<String> SplitTextLines(const String& AText) {
  std::vector<String> lines;
  size_t start = 0;
  for (size_t i = 0; i < AText.size(); ++i) {
    const char16_t c = AText[i];
    if (c != u'\r' && c != u'\n') continue;
    lines.emplace_back(AText, start, i - start);
    if (c == u'\r' && i + 1 < AText.size() && AText[i + 1] == u'\n') ++i;
    start = i + 1;
  }
  if (start < AText.size()) lines.emplace_back(AText, start, AText.size() - start);
  return lines;
}

// Tabs become blanks up to the next stop.
String ExpandTabs(const String& ALine) {
  if (ALine.find(u'\t') == String::npos) return ALine;
  String out;
  for (char16_t c : ALine) {
    if (c == u'\t') {
      out.append(static_cast<size_t>(TvnTextDocument::kTabSize) - out.size() % TvnTextDocument::kTabSize, u' ');
    } else {
      out += c;
    }
  }
  return out;
}

bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// The pieces of ALine that fit AWidth pixels each: broken after the last
// blank that fits, else after the last character that fits (at least one,
// never inside a surrogate pair).
std::vector<String> WrapLine(const String& ALine, const pf::Font& AFont, int32_t AWidth) {
  if (ALine.empty()) return {String()};
  const std::vector<int32_t> advances = pf::RoundedAdvances(AFont, ALine);
  std::vector<String> pieces;
  size_t start = 0;
  while (start < ALine.size()) {
    int64_t width = 0;
    size_t end = start;
    while (end < ALine.size() && end < advances.size() && width + advances[end] <= AWidth) width += advances[end++];
    if (end >= ALine.size()) {
      pieces.emplace_back(ALine, start, ALine.size() - start);
      break;
    }
    // The last blank that fits ends the piece; without one the piece ends
    // at the last character that fits.
    size_t cut = 0;
    const size_t blank = end > start ? ALine.rfind(u' ', end - 1) : String::npos;
    if (blank != String::npos && blank >= start) {
      cut = blank + 1;
    } else {
      cut = std::max(end, start + 1);
      if (cut < ALine.size() && IsLowSurrogate(ALine[cut])) cut = cut - 1 > start ? cut - 1 : cut + 1;
    }
    pieces.emplace_back(ALine, start, cut - start);
    start = cut;
  }
  return pieces;
}

String WordElementText(const fw::TvnDocItem* AItem);

// A cell's text: its paragraphs and nested tables joined by blanks.
String CellText(const wordmodel::TvnTableCell& ACell) {
  String text;
  for (const auto& item : ACell.GetDocItems()) {
    const String part = WordElementText(item.get());
    if (part.empty()) continue;
    if (!text.empty()) text += u' ';
    text += part;
  }
  // A cell stays on its row's line: its line breaks become blanks.
  std::replace(text.begin(), text.end(), u'\n', u' ');
  return text;
}

// A table row's text: its cells separated by ASeparator.
String RowText(const wordmodel::TvnTableRow& ARow, char16_t ASeparator) {
  String text;
  for (size_t c = 0; c < ARow.GetCells().size(); ++c) {
    if (c > 0) text += ASeparator;
    text += CellText(*ARow.GetCells()[c]);
  }
  return text;
}

// The text of a Word-model element: a paragraph's text items in the order
// of its runs, its tab breaks as tabs and its line, column and page breaks
// as line feeds (dropped, they would run the words on either side
// together); a (nested) table's cells joined by blanks; empty for anything
// else.
String WordElementText(const fw::TvnDocItem* AItem) {
  String text;
  if (const auto* table = dynamic_cast<const wordmodel::TvnTable*>(AItem)) {
    for (const auto& row : table->GetRows()) {
      const String part = RowText(*row, u' ');
      if (!text.empty() && !part.empty()) text += u' ';
      text += part;
    }
    return text;
  }
  const auto* para = dynamic_cast<const wordmodel::TvnParagraph*>(AItem);
  if (!para) return text;
  for (const auto& child : para->GetItems()) {
    const auto* run = dynamic_cast<const wordmodel::TvnRun*>(child.get());
    if (!run) continue;
    for (const auto& item : run->GetItems()) {
      if (const auto* t = dynamic_cast<const wordmodel::TvnTextitem*>(item.get())) {
        // A laid-out paragraph holds its tabs as marks on the text that
        // follows them.
        if (wordmodel::TabbedByLayout(*t)) text += u'\t';
        text += t->GetText();
      } else if (const auto* b = dynamic_cast<const wordmodel::TvnBreak*>(item.get())) {
        switch (b->GetBreakType()) {
          case wordmodel::TvnBreakType::btTab:
            text += u'\t';
            break;
          case wordmodel::TvnBreakType::btLine:
          case wordmodel::TvnBreakType::btColumn:
          case wordmodel::TvnBreakType::btPage:
            text += u'\n';
            break;
          default:
            break;
        }
      }
    }
  }
  return text;
}

// The lines of a Word-model element: one for a paragraph, and one more
// after each of its line breaks; one per row for a table with rows (its
// cells separated by tabs), so that the text of tables is kept; one empty
// line for anything else.
void AppendWordElementLines(const fw::TvnDocItem* AItem, std::vector<String>& ALines) {
  const auto* table = dynamic_cast<const wordmodel::TvnTable*>(AItem);
  if (!table || table->GetRows().empty()) {
    const String text = WordElementText(AItem);
    size_t start = 0;
    for (size_t end = text.find(u'\n'); end != String::npos; end = text.find(u'\n', start)) {
      ALines.push_back(text.substr(start, end - start));
      start = end + 1;
    }
    ALines.push_back(text.substr(start));
    return;
  }
  for (const auto& row : table->GetRows()) ALines.push_back(RowText(*row, u'\t'));
}

}  // namespace

// ---- Page ---------------------------------------------------------------------

fw::TvnPageSize TvnTextPage::GetPageSize() {
  const fw::TvnMeasurementUnit unit = FDocument->GetMeasurementUnit();
  return {fw::PointsToUnit(unit, TvnTextDocument::kPageHeightPt),
          fw::PointsToUnit(unit, TvnTextDocument::kPageWidthPt)};
}

const std::vector<String>& TvnTextPage::GetLines() const { return FDocument->GetPageLines(FIndex); }

void TvnTextPage::Draw(pf::Canvas* ACanvas, int32_t AWidth, int32_t AHeight, int32_t, int32_t, int32_t) {
  fw::TvnVCLCanvas canvas(ACanvas);
  fw::TvnPen pen;
  fw::TvnBrush brush;
  brush.SetColor({255, 255, 255});
  fw::TvnFont font;
  font.SetName(u"Arial");
  font.SetSize(10);
  canvas.SetPen(&pen);
  canvas.SetBrush(&brush);
  canvas.SetFont(&font);
  canvas.DrawRect({0, 0, AWidth, AHeight}, true, false);

  // The lines are laid out on the page at 96 dpi; a page drawn at another
  // size is scaled to fill it.
  const int32_t saved = ACanvas->SaveDC();
  const double sx = static_cast<double>(AWidth) / PageWidthPx();
  const double sy = static_cast<double>(AHeight) / PageHeightPx();
  if (sx != 1 || sy != 1) {
    ACanvas->SetWorldTransform(pf::Transform::Scaling(sx, sy).Then(ACanvas->WorldTransform()));
  }
  const int32_t lineHeight = std::max(1, pf::MeasureText(TextPageFont(), u" ").cy);
  int32_t y = TvnTextDocument::kMarginPx;
  for (const String& line : GetLines()) {
    canvas.DrawString(line, TvnTextDocument::kMarginPx, y, false);
    y += lineHeight;
  }
  ACanvas->RestoreDC(saved);
}

// ---- Document -----------------------------------------------------------------

TvnTextDocument::TvnTextDocument() = default;
TvnTextDocument::~TvnTextDocument() = default;

String TvnTextDocument::DecodeText(std::string_view ABytes) {
  if (ABytes.starts_with("\xEF\xBB\xBF")) return FromUtf8(ABytes.substr(3));
  if (ABytes.starts_with("\xFF\xFE")) return DecodeUtf16(ABytes.substr(2), false);
  if (ABytes.starts_with("\xFE\xFF")) return DecodeUtf16(ABytes.substr(2), true);
  if (IsValidUtf8(ABytes)) return FromUtf8(ABytes);
  return DecodeCp1252(ABytes);
}

void TvnTextDocument::LoadFromFile(const String& FileName, const String&) {
  auto file = std::make_unique<vn::TFileStream>(std::filesystem::path(ToUtf8(FileName)), vn::FileMode::fmOpenRead);
  FFileName = FileName;
  LoadFromStream(file.release(), u"", true);
}

void TvnTextDocument::LoadFromStream(vn::TStream* Stream, const String&, bool FreeStream) {
  SetSourceStream(Stream, FreeStream);
  if (!Stream) throw vn::ExInvalidStream("Invalid stream");
  FLines = SplitTextLines(DecodeText(Stream->ReadAll()));
  FPages.clear();
  FPageObjects.clear();
  FLaidOut = false;
  FIsLoaded = true;
}

void TvnTextDocument::Layout() {
  if (FLaidOut) return;
  FLaidOut = true;
  FPages.assign(1, {});
  const pf::Font font = TextPageFont();
  const int32_t lineHeight = std::max(1, pf::MeasureText(font, u" ").cy);
  const size_t linesPerPage = static_cast<size_t>(std::max(1, (PageHeightPx() - 2 * kMarginPx) / lineHeight));
  const int32_t width = PageWidthPx() - 2 * kMarginPx;
  auto put = [&](String text) {
    if (FPages.back().size() >= linesPerPage) FPages.emplace_back();
    FPages.back().push_back(std::move(text));
  };
  for (const String& line : FLines) {
    // A form feed ends the page; text around it goes before and after.
    const std::vector<String> parts = SplitString(line, kFormFeed);
    for (size_t p = 0; p < parts.size(); ++p) {
      if (p > 0) FPages.emplace_back();
      if (parts[p].empty() && parts.size() > 1) continue;
      for (String& piece : WrapLine(ExpandTabs(parts[p]), font, width)) put(std::move(piece));
    }
  }
}

int32_t TvnTextDocument::GetPageCount() {
  if (!FIsLoaded) return 1;
  Layout();
  return static_cast<int32_t>(std::min<size_t>(FPages.size(), INT32_MAX));
}

const std::vector<String>& TvnTextDocument::GetPageLines(size_t AIndex) {
  Layout();
  return FPages[std::min(AIndex, FPages.size() - 1)];
}

fw::TvnPage* TvnTextDocument::GetPage(int32_t Index) {
  if (!FIsLoaded) return nullptr;
  Layout();
  if (Index < 1 || static_cast<size_t>(Index) > FPages.size()) return nullptr;
  if (FPageObjects.size() < FPages.size()) FPageObjects.resize(FPages.size());
  auto& page = FPageObjects[static_cast<size_t>(Index - 1)];
  if (!page) {
    page = std::make_unique<TvnTextPage>(this, static_cast<size_t>(Index - 1));
    page->TvnPage::SetPageNumber(Index);
  }
  return page.get();
}

void TvnTextDocument::Assign(fw::TvnBaseDocument* SourceDocument, const String& PageRange) {
  if (!SourceDocument) throw vn::ExInvalidPageError("Invalid page range");
  const fw::TvnPageRange pages = fw::ParsePageRange(PageRange, SourceDocument->GetPageCount());
  // What the previous page showed: a paragraph or table broken over pages
  // is listed by each of them, and its text is written once, with the page
  // it starts on.
  std::vector<const fw::TvnDocItem*> taken;
  for (const int32_t n : pages) {
    DoBeginAssignPage(n);
    fw::TvnPage* page = SourceDocument->GetPage(n);
    if (!page) throw vn::ExInvalidPageError("Invalid page range");
    FLines.push_back(u"Page " + IntToStr(n));
    std::vector<const fw::TvnDocItem*> takenHere;
    // A page of a text file gives its lines as they are laid out.
    if (auto* textPage = dynamic_cast<TvnTextPage*>(page)) {
      const std::vector<String> lines = textPage->GetLines();
      FLines.insert(FLines.end(), lines.begin(), lines.end());
      DoEndAssignPage(n, ++FAssignedPages);
      continue;
    }
    std::vector<fw::TvnDocItem*> elements;
    try {
      elements = page->GetPageElements();
    } catch (const vn::EAbstractError&) {
      // A page class without an element list (a picture) has no text.
    }
    if (!elements.empty()) {
      if (dynamic_cast<const wordmodel::TvnTextElement*>(elements.front())) {
        plaintext::TvnLineAnalyzer(elements, FLines);
      } else {
        takenHere.assign(elements.begin(), elements.end());
        for (const fw::TvnDocItem* item : elements)
          if (std::find(taken.begin(), taken.end(), item) == taken.end()) AppendWordElementLines(item, FLines);
      }
    }
    taken = std::move(takenHere);
    DoEndAssignPage(n, ++FAssignedPages);
  }
}

bool TvnTextDocument::Save() {
  RequestOutputTarget(fw::TvnOutputItem::oiDocument, 1, 1);
  std::string bytes;
  for (const String& line : FLines) {
    bytes += ToUtf8(line);
    bytes += "\r\n";
  }
  if (StreamOutput) {
    if (!OutStream) throw vn::ExInvalidStream("Invalid stream");
    OutStream->WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
    return true;
  }
  vn::WriteFileBytes(std::filesystem::path(ToUtf8(OutFilePath)), bytes);
  return true;
}

String TvnTextDocument::GetText() const {
  String text;
  for (const String& line : FLines) text += line;
  return text;
}

}  // namespace vn::rtf
