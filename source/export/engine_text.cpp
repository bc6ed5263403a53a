// The text operations of TvnCustomDocumentEngine: text items, wrapped and
// boxed text, styled runs, vertical text, text measuring and word wrapping,
// the lines of a box, variables and link finding.
#include <algorithm>
#include <cmath>

#include "export/bidi_reorder.h"
#include "export/document_engine.h"
#include "export/engine_text_impl.h"
#include "runtime/datetime.h"
#include "runtime/numbers.h"

namespace vn::exporter {

namespace {

constexpr StringView kLineBreak = u"\r\n";

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// Where each character of a text starts (a surrogate pair is one
// character), with the text's length last.
std::vector<size_t> CharacterStarts(StringView text) {
  std::vector<size_t> starts;
  starts.reserve(text.size() + 1);
  for (size_t i = 0; i < text.size(); ++i) {
    if (i > 0 && IsLowSurrogate(text[i]) && IsHighSurrogate(text[i - 1])) continue;
    starts.push_back(i);
  }
  starts.push_back(text.size());
  return starts;
}

// The lines a wrap appends to: a string list or a wide-string list.
class WrapLines {
 public:
  virtual ~WrapLines() = default;
  virtual int32_t Count() const = 0;
  virtual String Last() const = 0;
  virtual void SetLast(const String& line) = 0;
  virtual void Add(const String& line) = 0;
  virtual void DeleteLast() = 0;
};

class StringListLines : public WrapLines {
 public:
  explicit StringListLines(vn::TStringList& list) : FList(list) {}
  int32_t Count() const override { return FList.Count(); }
  String Last() const override { return FList[FList.Count() - 1]; }
  void SetLast(const String& line) override { FList.SetStrings(FList.Count() - 1, line); }
  void Add(const String& line) override { FList.Add(line); }
  void DeleteLast() override { FList.Delete(FList.Count() - 1); }

 private:
  vn::TStringList& FList;
};

class WideStringLines : public WrapLines {
 public:
  explicit WideStringLines(TWideStrings& list) : FList(list) {}
  int32_t Count() const override { return FList.Count(); }
  String Last() const override { return FList.GetString(FList.Count() - 1); }
  void SetLast(const String& line) override { FList.PutString(FList.Count() - 1, line); }
  void Add(const String& line) override { FList.Add(line); }
  void DeleteLast() override { FList.Delete(FList.Count() - 1); }

 private:
  TWideStrings& FList;
};

using WidthOf = std::function<int32_t(StringView)>;

// Greedy word wrapping. A word runs up to and including a blank (or NUL)
// that does not follow another break character, or to the end of the text;
// CR, LF and CR LF end the line. A word goes on the current line when it
// fits the width left, else it starts a new line; a word wider than a whole
// line is first cut into lines of the longest prefixes that fit (at least
// one character each, so no text is lost and the loop always ends).
//
// The last line is built here and written to the list when the next one
// starts, so a long line costs no more than a short one per word.
class WordWrapper {
 public:
  WordWrapper(WrapLines& lines, const WidthOf& width_of, double first_width, double width)
      : FLines(lines), FWidthOf(width_of), FWidth(width) {
    const int32_t count = lines.Count();
    FHasLine = count > 0;
    if (FHasLine) FLine = lines.Last();
    // A line already ended by a line break is full: the text starts below it.
    FNeedNewLine = FHasLine && EndsWithLineBreak(FLine);
    FFree = count <= 1 ? first_width : width;
    if (FHasLine && !FNeedNewLine && !FLine.empty()) FFree -= width_of(FLine);
  }

  void Wrap(StringView text) {
    const size_t n = text.size();
    size_t start = 0;
    for (size_t i = 0; i < n; ++i) {
      const char16_t c = text[i];
      if (c == u'\r' || c == u'\n') {
        Place(text.substr(start, i - start));
        BreakLine();
        if (c == u'\r' && i + 1 < n && text[i + 1] == u'\n') ++i;
        start = i + 1;
        continue;
      }
      const bool blank = c == u' ' || c == 0;
      const bool after_break = i > 0 && IsBreak(text[i - 1]);
      if ((blank && !after_break) || i + 1 == n) {
        Place(text.substr(start, i + 1 - start));
        start = i + 1;
      }
    }
    WriteLine();
    if (FHasLine && FLine.empty()) FLines.DeleteLast();
  }

 private:
  static bool IsBreak(char16_t c) { return c == 0 || c == u'\n' || c == u'\r' || c == u' '; }

  void WriteLine() {
    if (FChanged) FLines.SetLast(FLine);
    FChanged = false;
  }
  void NewLine(StringView text) {
    WriteLine();
    FLine = String(text);
    FLines.Add(FLine);
    FHasLine = true;
    FNeedNewLine = false;
  }
  void AppendToLine(StringView text) {
    FLine += text;
    FChanged = true;
  }

  void Place(StringView word) {
    if (word.empty()) return;
    int32_t w = FWidthOf(word);
    if (w > FWidth) {
      // A word wider than a line: its longest prefixes that fit go on lines
      // of their own until the rest fits.
      for (size_t cut = FittingPrefix(word); cut < word.size(); cut = FittingPrefix(word)) {
        const StringView prefix = word.substr(0, cut);
        NewLine(prefix);
        FFree = FWidth - FWidthOf(prefix);
        word.remove_prefix(cut);
      }
      w = FWidthOf(word);
    }
    if (!FHasLine) {
      NewLine(word);
      FFree = w <= FFree ? FFree - w : FWidth - w;
    } else if (!FNeedNewLine && w <= FFree) {
      AppendToLine(word);
      FFree -= w;
    } else {
      NewLine(word);
      FFree = FWidth - w;
    }
  }

  void BreakLine() {
    if (FNeedNewLine || !FHasLine)
      NewLine(kLineBreak);
    else
      AppendToLine(kLineBreak);
    FNeedNewLine = true;
    FFree = FWidth;
  }

  // The length of the longest prefix not wider than a line, in whole
  // characters, at least one character (the whole word when it fits).
  // Probes grow exponentially, then halve, so the cost follows the length
  // of a line, not of the word.
  size_t FittingPrefix(StringView word) const {
    std::vector<size_t> starts{0};  // where character k starts, as far as the probes reach
    auto start_of = [&](size_t k) {
      while (starts.size() <= k && starts.back() < word.size()) {
        const size_t i = starts.back();
        const bool pair = IsHighSurrogate(word[i]) && i + 1 < word.size() && IsLowSurrogate(word[i + 1]);
        starts.push_back(i + (pair ? 2 : 1));
      }
      return starts[std::min(k, starts.size() - 1)];
    };
    auto fits = [&](size_t k) { return FWidthOf(word.substr(0, start_of(k))) <= FWidth; };
    size_t good = 1, bad = 2;
    for (; start_of(good) < word.size(); good = bad, bad *= 2)
      if (!fits(bad)) break;
    if (start_of(good) == word.size()) return word.size();
    while (bad - good > 1) {
      const size_t mid = good + (bad - good) / 2;
      (fits(mid) ? good : bad) = mid;
    }
    return start_of(good);
  }

  WrapLines& FLines;
  const WidthOf& FWidthOf;
  double FWidth;
  double FFree = 0;
  String FLine;           // the list's last line as it grows
  bool FHasLine = false;  // the list has a last line
  bool FChanged = false;  // FLine differs from the list's last line
  bool FNeedNewLine = false;
};

int32_t WrapInto(StringView text, WrapLines& lines, const WidthOf& width_of, bool auto_width, double first_width,
                 double width, int32_t pen_width) {
  if (auto_width) {
    while (lines.Count() > 0) lines.DeleteLast();
    lines.Add(String(text));
    return vn::RoundToInt(width_of(String(text) + u" ") + 2.0 * pen_width);
  }
  if (!(width > 0)) return vn::RoundToInt(width);
  WordWrapper(lines, width_of, first_width, width).Wrap(text);
  return vn::RoundToInt(width);
}

bool IsLinkChar(char16_t c) {
  return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') ||
         String(u"%&+,-./:;=?@_").find(c) != String::npos;
}

bool IsAddressChar(char16_t c) {
  return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c == u'-' || c == u'.' ||
         c == u'_';
}

// A text as the screen measures it for GetTextSize: without one final
// CR LF, and an empty text one pixel wide by the height of a blank.
TSize MeasureAsScreen(const TvnFontMeasure& measure, StringView text) {
  if (text.empty()) return {1, measure.Extent(u" ").cy};
  if (text.size() > 1 && EndsWithLineBreak(text)) text.remove_suffix(2);
  return measure.Extent(text);
}

// A handler that names variables in the values it gives could make the
// replacement go on for ever; past this many names the rest stays as it is.
constexpr size_t kMaxUserVariables = 1000;

}  // namespace

// ---- measuring

TSize TvnCustomDocumentEngine::GetTextSize(const String& text, const TFont& font) const {
  return MeasureAsScreen(TvnFontMeasure(font), text);
}

TSize TvnCustomDocumentEngine::GetWideTextSize(const String& text, const TFont& font) const {
  return TvnFontMeasure(font).Extent(text);
}

double TvnCustomDocumentEngine::TextWidth(const String& text) const {
  if (text.empty()) return 0;
  return GetTextSize(text, FFont).cx / ConvertX(1);
}

double TvnCustomDocumentEngine::TextHeight(const String& text) const { return GetTextSize(text, FFont).cy / ConvertY(1); }

int32_t TvnCustomDocumentEngine::WrapText(const String& text, vn::TStringList& lines, const TFont& font, bool auto_width,
                                          double first_width, double width) const {
  const TvnFontMeasure measure(font);
  const WidthOf width_of = [&measure](StringView s) { return MeasureAsScreen(measure, s).cx; };
  if (!auto_width && width > 0 && lines.Count() == 0) lines.Add(String());
  StringListLines sink(lines);
  return WrapInto(text, sink, width_of, auto_width, first_width, width, FPen.Width);
}

int32_t TvnCustomDocumentEngine::WrapTextW(const String& text, TWideStrings& lines, const TFont& font, bool auto_width,
                                           double first_width, double width) const {
  const TvnFontMeasure measure(font);
  const WidthOf width_of = [&measure](StringView s) { return measure.Width(s); };
  WideStringLines sink(lines);
  return WrapInto(text, sink, width_of, auto_width, first_width, width, FPen.Width);
}

// ---- text items

void TvnCustomDocumentEngine::AddTextItem(double x, double y, const String& text) {
  auto item = std::make_unique<TvnTextItem>();
  item->X = x;
  item->Y = y;
  item->Lines.Add(text);
  item->Font = FFont;
  item->Brush = FBrush;
  item->RotationAngle = FTextRotationAngle;
  item->Alignment = FTextAlignment;
  item->TextEffects.Assign(FTextEffects);
  item->BiDiMode = FBiDiMode;
  FTextItem = static_cast<TvnTextItem*>(AddItem(std::move(item)));
}

void TvnCustomDocumentEngine::TextOut(double x, double y, const String& text) {
  if (!CanDraw(TvnCapabilityKind::ckText, TvnItemsToRenderKind::irText)) return;
  FNoSorting = false;
  const double px = ConvertX(x) + FBandRect.Left;
  const double py = ConvertY(y) + FBandRect.Top;
  if (!IsInBand(px, py)) return;
  AddTextItem(px, py, text);
}

void TvnCustomDocumentEngine::TextOut(double x, double y, const String& text, bool wrap_at_margin) {
  if (!wrap_at_margin) {
    TextOut(x, y, text);
    return;
  }
  if (!CanDraw(TvnCapabilityKind::ckText, TvnItemsToRenderKind::irText)) return;
  FNoSorting = false;
  const double px = ConvertX(x) + FBandRect.Left;
  double py = ConvertY(y) + FBandRect.Top;
  if (!IsInBand(px, py)) return;
  // The first line runs from X to the band's right edge, the others across
  // the whole band.
  vn::TStringList lines;
  WrapText(text, lines, FFont, false, FBandRect.Right - px, FBandRect.Right - FBandRect.Left);
  for (int32_t i = 0; i < lines.Count(); ++i) {
    const String& line = lines[i];
    const String shown = EndsWithLineBreak(line) ? line.substr(0, line.size() - 2) : line;
    // A first line left empty (its first word did not fit after X) takes
    // its place but makes no item.
    if (!shown.empty()) AddTextItem(i == 0 ? px : FBandRect.Left, py, shown);
    py += GetTextSize(line, FFont).cy;
  }
}

void TvnCustomDocumentEngine::TextRect(const TvnRect& rect, double x, double y, const String& text) {
  FTextItem = nullptr;
  TextOut(x, y, text);
  if (!FTextItem) return;
  FTextItem->SetIsClipRect(true);
  FTextItem->SetClipRect(ConvertRect(rect));
}

void TvnCustomDocumentEngine::TextBox(const TvnRect& text_rect, const String& text, TvnHAlignment h_alignment,
                                      TvnVAlignment v_alignment) {
  if (!CanDraw(TvnCapabilityKind::ckText, TvnItemsToRenderKind::irText)) return;
  FNoSorting = false;
  TvnRect r = ConvertRect(text_rect);
  r = {r.Left + FBandRect.Left, r.Top + FBandRect.Top, r.Right + FBandRect.Left, r.Bottom + FBandRect.Top};
  if (!IsInBand(r.Left, r.Top)) return;
  r.Right = std::min(r.Right, FBandRect.Right);
  r.Bottom = std::min(r.Bottom, FBandRect.Bottom);
  auto item = std::make_unique<TvnTextBoxItem>();
  item->X = r.Left;
  item->Y = r.Top;
  item->BoxWidth = r.Right - r.Left;
  item->Boxheight = r.Bottom - r.Top;
  item->Font = FFont;
  item->Brush = FBrush;
  item->Pen = FPen;
  item->Frame.Assign(FFrame);
  item->TextEffects.Assign(FTextEffects);
  item->HAlign = h_alignment;
  item->VAlign = v_alignment;
  const TvnRect& margin = item->Frame.NativeInternalMargin();
  const double inner = item->BoxWidth - margin.Left - margin.Right;
  WrapTextW(ReplaceVariables(text, false), item->Lines, item->Font, false, inner, inner);
  FTextItem = static_cast<TvnTextItem*>(AddItem(std::move(item)));
}

void TvnCustomDocumentEngine::TextOutV(double x, double y, const String& text, bool top_down) {
  if (!CanDraw(TvnCapabilityKind::ckText, TvnItemsToRenderKind::irText)) return;
  const double h = TextHeight(text);
  const double a = vn::framework::DegreesToRadians(FTextRotationAngle);
  const double step_x = (top_down ? 1 : -1) * h * std::sin(a);
  const double step_y = (top_down ? 1 : -1) * h * std::cos(a);
  const std::vector<size_t> starts = CharacterStarts(text);
  for (size_t i = 0; i + 1 < starts.size(); ++i) {
    TextOut(x, y, text.substr(starts[i], starts[i + 1] - starts[i]));
    x += step_x;
    y += step_y;
  }
}

void TvnCustomDocumentEngine::SetTextRotation(int32_t angle) { FTextRotationAngle = angle % 360; }

void TvnCustomDocumentEngine::SetTextAlignment(TvnHAlignment alignment) { FTextAlignment = alignment; }

// ---- styled runs

void TvnCustomDocumentEngine::HTMLTextOut(double x, double y, const String& html) {
  if (!FIsDocumentStarted) return;
  FNoSorting = false;
  // Positions are taken in points and the call works in pixels; the unit
  // comes back however the call ends.
  const TvnUnitType unit = FMeasurementUnit;
  if (unit != TvnUnitType::muPixels) {
    const double to_points = unit == TvnUnitType::muInches ? 72 : unit == TvnUnitType::muMM ? 2.83464 : unit == TvnUnitType::muTwips ? 0.05 : 1;
    x = vn::framework::PointsToPixels(x * to_points);
    y = vn::framework::PointsToPixels(y * to_points);
  }
  struct UnitGuard {
    TvnCustomDocumentEngine& engine;
    TvnUnitType unit;
    ~UnitGuard() { engine.SetMeasurementUnit(unit); }
  } guard{*this, unit};
  SetMeasurementUnit(TvnUnitType::muPixels);
  double px = ConvertX(x) + FBandRect.Left;
  const double py = ConvertY(y) + FBandRect.Top;

  String run;
  auto emit = [&] {
    // A tag between two runs makes no empty item and moves nothing.
    if (!run.empty() && CanDraw(TvnCapabilityKind::ckText, TvnItemsToRenderKind::irText) && IsInBand(px, py)) {
      AddTextItem(px, py, run);
      px += GetTextSize(run, FFont).cx;
    }
    run.clear();
  };
  static constexpr std::pair<StringView, TFontStyle> kTags[] = {
      {u"B", TFontStyle::fsBold}, {u"I", TFontStyle::fsItalic}, {u"U", TFontStyle::fsUnderline}, {u"S", TFontStyle::fsStrikeOut}};
  TFontStyles tagged;  // styles a tag turned on and no tag turned off since
  auto apply = [&](StringView tag) {
    const bool closing = tag.size() > 3 && tag[1] == u'/';
    const StringView name = tag.substr(closing ? 2 : 1, tag.size() - (closing ? 3 : 2));
    for (const auto& [tag_name, style] : kTags) {
      if (!vn::SameText(name, tag_name)) continue;
      if (closing) {
        FFont.Style.Exclude(style);
        tagged.Exclude(style);
      } else {
        FFont.Style.Include(style);
        tagged.Include(style);
      }
    }
  };

  const size_t n = html.size();
  bool escape = false;  // the slash before this character was itself escaped
  size_t tag_end = 0;   // the first ">" or blank at or after the last "<" looked at
  for (size_t i = 0; i < n; ++i) {
    const char16_t c = html[i];
    const bool after_slash = i > 0 && html[i - 1] == u'/';
    if (c == u'/') {
      if (i + 1 < n && html[i + 1] == u'/') {
        run += u'/';
        ++i;
        escape = true;
      } else {
        escape = false;
      }
    } else if (c == u'<' && (!after_slash || escape)) {
      emit();
      // A run of "<" without an end looks for it once, not once each.
      if (tag_end <= i) {
        tag_end = i + 1;
        while (tag_end < n && html[tag_end] != u'>' && html[tag_end] != u' ') ++tag_end;
      }
      if (tag_end < n && html[tag_end] == u'>') {
        apply(StringView(html).substr(i, tag_end + 1 - i));
        i = tag_end;
      }
    } else if (c == u'>') {
      if (after_slash && !escape) run += u'>';
    } else {
      run += c;
    }
  }
  emit();
  FFont.Style = FFont.Style - tagged;
}

// ---- boxes

void TvnCustomDocumentEngine::RenderTextLines(const TvnTextItem& item, TvnHAlignment h_align, const TvnRect& margin,
                                              double box_height, double box_width, TvnVAlignment v_align) {
  TvnTextItem work;
  work.Font = item.Font;
  work.Brush = item.Brush;
  work.TextEffects.Assign(item.TextEffects);
  work.RotationAngle = item.RotationAngle;
  // Each line is placed by h_align: it carries that alignment, as a
  // paragraph's lines carry theirs.
  work.Alignment = h_align;
  const double line_height = GetTextSize(u"W", item.Font).cy;
  if (!(line_height > 0)) return;
  const double h = box_height - margin.Top - margin.Bottom;
  const int32_t count = item.Lines.Count();
  const int32_t n = static_cast<int32_t>(std::min<int64_t>(std::max<int64_t>(vn::Round(h / line_height), 0), count));
  double y = item.Y + margin.Top;
  if (v_align == TvnVAlignment::vaCenter) y += (h - n * line_height) / 2;
  if (v_align == TvnVAlignment::vaBottom) y += h - n * line_height;
  const double w = box_width - margin.Left - margin.Right;
  const TvnFontMeasure measure(item.Font);
  for (int32_t i = 0; i < n; ++i) {
    const String line = item.Lines.GetString(i);
    String shown = VisibleLine(line);
    double x = item.X + margin.Left;
    switch (h_align) {
      case TvnHAlignment::haRight: x += w - measure.Width(shown); break;
      case TvnHAlignment::haCenter: x += (w - measure.Width(shown)) / 2; break;
      case TvnHAlignment::haJustify:
        // The last line of the text and of each of its paragraphs keeps its
        // natural spacing.
        if (i + 1 < count && !EndsWithLineBreak(line))
          shown = vn::framework::JustifyTextToWidth(shown, [&measure](StringView s) { return measure.Width(s); }, w);
        break;
      default: break;
    }
    if (!shown.empty()) {
      work.X = x;
      work.Y = y;
      work.Lines.Clear();
      work.Lines.Add(shown);
      RenderTextItem(work);
    }
    y += GetTextSize(line, item.Font).cy;
  }
}

void TvnCustomDocumentEngine::RenderTextBoxItem(TvnTextBoxItem& item) {
  const double x = item.X, y = item.Y, w = item.BoxWidth, h = item.Boxheight;
  // The fill goes first: drawn after the frame it would cover half of it.
  TPen clear_pen = item.Pen;
  clear_pen.Style = TPenStyle::psClear;
  DrawRectangle(x, y, x + w, y + h, clear_pen, &item.Brush);
  if (item.Frame.IsLeft) DrawLine(x, y, x, y + h, item.Pen);
  if (item.Frame.IsTop) DrawLine(x, y, x + w, y, item.Pen);
  if (item.Frame.IsRight) DrawLine(x + w, y, x + w, y + h, item.Pen);
  if (item.Frame.IsBottom) DrawLine(x, y + h, x + w, y + h, item.Pen);
  // The box is filled: its lines are drawn over it without a background.
  const TBrush brush = item.Brush;
  item.Brush.Style = TBrushStyle::bsClear;
  RenderTextLines(item, item.HAlign, item.Frame.NativeInternalMargin(), h, w, item.VAlign);
  item.Brush = brush;
}

// ---- variables

String TvnCustomDocumentEngine::ReplacePageVariables(const String& text) {
  String s = vn::framework::ReplaceTextIgnoreCase(text, u"<%Pg#%>", vn::IntToStr(FCurrentPage));
  return vn::framework::ReplaceTextIgnoreCase(s, u"<%PgCnt%>", vn::IntToStr(FPageCount));
}

String TvnCustomDocumentEngine::ReplaceVariables(const String& text, bool with_page_variables) {
  if (!FPreferences->CalculateVariables() || text.empty()) return text;
  String s = with_page_variables ? ReplacePageVariables(text) : text;
  if (s.find(u"<%") == String::npos) return s;
  using vn::framework::ReplaceTextIgnoreCase;
  const vn::TDateTime now = vn::Now();
  s = ReplaceTextIgnoreCase(s, u"<%ShortDate%>", vn::FormatDateTime(u"ddddd", now));
  s = ReplaceTextIgnoreCase(s, u"<%ShortTime%>", vn::FormatDateTime(u"t", now));
  s = ReplaceTextIgnoreCase(s, u"<%LongDate%>", vn::FormatDateTime(u"dddd, mmmm d, yyyy", now));
  s = ReplaceTextIgnoreCase(s, u"<%LongTime%>", vn::FormatDateTime(u"tt", now));
  s = ReplaceTextIgnoreCase(s, u"<%Author%>", FDocInfo.Author());
  s = ReplaceTextIgnoreCase(s, u"<%Creator%>", FDocInfo.Creator());
  s = ReplaceTextIgnoreCase(s, u"<%Subject%>", FDocInfo.Subject());
  s = ReplaceTextIgnoreCase(s, u"<%Title%>", FDocInfo.Title());
  if (!OnCalcVariables) return s;

  // The caller's variables, each asked for once: a value naming a variable
  // already asked for leaves it as it stands.
  std::vector<String> asked;
  size_t pos = 0;
  while (asked.size() < kMaxUserVariables) {
    const size_t open = s.find(u"<%", pos);
    if (open == String::npos) break;
    const size_t close = s.find(u"%>", open + 2);
    if (close == String::npos) break;
    const size_t next_open = s.find(u"<%", open + 2);
    if (next_open != String::npos && next_open < close) {
      pos = open + 1;
      continue;
    }
    const String name = s.substr(open + 2, close - open - 2);
    const bool known = std::any_of(asked.begin(), asked.end(), [&](const String& a) { return vn::SameText(a, name); });
    if (name.empty() || known || vn::SameText(name, u"Pg#") || vn::SameText(name, u"PgCnt")) {
      pos = close + 2;
      continue;
    }
    String value;
    OnCalcVariables(*this, name, value);
    asked.push_back(name);
    s = ReplaceTextIgnoreCase(s, u"<%" + name + u"%>", value);
    pos = open;
  }
  return s;
}

// ---- links

String TvnCustomDocumentEngine::FindNextLink(const String& text, int32_t& pos) const {
  const int64_t length = static_cast<int64_t>(text.size());
  if (pos < 0 || pos > length) return {};
  // The search looks at the text from Pos on, its last character left out.
  const String s = vn::LowerCase(pos == 0 ? StringView(text) : StringView(text).substr(size_t(pos - 1), size_t(length - pos)));
  const int64_t none = static_cast<int64_t>(s.size());
  int64_t a = none;  // 1-based start of the earliest link in s
  bool is_path = false;
  static constexpr StringView kPrefixes[] = {u"www.", u"ftp://", u"http://", u"@", u":\\", u"https://"};
  for (StringView prefix : kPrefixes) {
    const size_t found = s.find(prefix);
    if (found == String::npos) continue;
    const int64_t p = static_cast<int64_t>(found) + 1;
    if (!(0 < p && p < a)) continue;
    if (prefix == u"@") {
      // An e-mail address: name characters before the at sign, a domain
      // with a dot after it. A lone at sign is no address.
      size_t after = found + 1;
      while (after < s.size() && IsAddressChar(s[after]) && s[after] != u'.') ++after;
      if (after == found + 1 || after >= s.size() || s[after] != u'.') continue;
      int64_t start = p;
      while (start > 1 && IsAddressChar(s[size_t(start - 2)])) --start;
      if (start == p) continue;
      a = start;
      is_path = false;
    } else if (prefix == u":\\") {
      if (p < 2) continue;  // no drive letter
      a = p - 1;
      is_path = true;
    } else {
      a = p;
      is_path = false;
    }
  }
  if (a == none) return {};
  pos = pos == 0 ? static_cast<int32_t>(a) : static_cast<int32_t>(pos + a - 1);
  const StringView rest = StringView(text).substr(size_t(pos - 1));
  size_t end = 0;
  if (is_path) {
    // A path may hold blanks: it ends after its file name's extension, and
    // before the next drive letter.
    StringView path = rest;
    if (const size_t next = path.find(u":\\", 2); next != StringView::npos) path = path.substr(0, next - 1);
    const int64_t ext_end = vn::framework::FindExtensionEnd(path);
    if (ext_end > 1) return String(path.substr(0, size_t(ext_end - 1)));
    while (end < rest.size() && (IsLinkChar(rest[end]) || rest[end] == u'\\')) ++end;
  } else {
    while (end < rest.size() && IsLinkChar(rest[end])) ++end;
  }
  return String(rest.substr(0, end));
}

// ---- right-to-left text

String TvnCustomDocumentEngine::ReorderBiDiText(const String& text) { return vn::exporter::ReorderBiDiText(text); }

}  // namespace vn::exporter
