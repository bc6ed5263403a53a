// Text of the PDF engine: text items as text objects in embedded TrueType
// fonts, their underline, strike-out and background, link annotations, and
// the font objects written at the end of the document.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "framework/writer_routines.h"
#include "pdfwriter/pdf_engine.h"
#include "pdfwriter/pdf_font.h"
#include "pdfwriter/pdf_syntax_impl.h"
#include "platform/fonts/gdi_font.h"
#include "runtime/numbers.h"

namespace vn::pdfwriter {

using vn::exporter::TFontStyle;
using vn::exporter::TvnHAlignment;
using vn::exporter::TvnFontMeasure;
using vn::exporter::TvnTextItem;

namespace {

bool IsVerticalFontName(const String& name) { return !name.empty() && name.front() == u'@'; }

// The font text is measured in: a vertical font measures as its face.
TFont Measured(TFont font) {
  font.Name = FaceNameOf(font.Name);
  return font;
}

// The letters of the subset tag of font `index` (AAAAAA, AAAAAB, ...).
std::string SubsetTagOf(size_t index) {
  std::string tag(6, 'A');
  for (size_t i = 6; i-- > 0 && index > 0; index /= 26) tag[i] = static_cast<char>('A' + index % 26);
  return tag;
}

// A literal string's bytes: each character as one byte, with "(", ")" and
// "\" escaped.
std::string Literal(StringView text) {
  std::string out;
  for (char16_t c : text) {
    const char b = static_cast<char>(c & 0xFF);
    if (b == '(' || b == ')' || b == '\\') out += '\\';
    out += b;
  }
  return out;
}

bool IsWhite(TColor color) { return (color & 0xFFFFFF) == 0xFFFFFF; }

}  // namespace

TvnMapFont& TvnCustomPDFEngine::MapFont() {
  if (!FMapFont) FMapFont = std::make_unique<TvnMapFont>();
  return *FMapFont;
}

// ---- items

void TvnCustomPDFEngine::RenderTextItem(TvnTextItem& item) {
  if (item.Lines.Count() == 0 || !FOutputStream) return;
  const String line = ReplaceVariables(item.Lines.GetString(0), true);
  if (line.empty()) return;
  TvnMapFont& map = MapFont();

  TFont font = item.Font;
  // The name as the installed font list spells it.
  for (const String& installed : map.SysFontList())
    if (SameText(installed, font.Name)) font.Name = installed;
  const bool vertical = IsVerticalFontName(font.Name);
  map.GetTrueTypeFont(line, font);
  if (vertical && !IsVerticalFontName(font.Name)) font.Name = u"@" + font.Name;
  // The size in points: a cell height gives its em height, an em height in
  // pixels is kept to the fraction of a point.
  double size = std::abs(font.Size);
  if (font.Height > 0) {
    font.Size = map.GetFontSize(font);
    if (auto gdi = PlatformFont(font)) size = PixelsToPoints(gdi->PixelsPerEm());
  } else if (font.Height < 0) {
    size = PixelsToPoints(-font.Height);
  }
  if (!(size > 0)) return;

  FRunFont = font;
  FRunFontSize = size;
  // Every run of the line sits on the baseline of the item's font, as the
  // glyphs of fallback fonts do on the screen.
  FRunAscent = 0;
  if (auto gdi = PlatformFont(font, vn::platform::FontHeightFromPoints(kMeasuringFontSize, vn::framework::ScreenPixelsPerInch)))
    FRunAscent = vn::RoundToInt(PixelsToPoints(gdi->Metrics().Ascent));
  FRunLine = line;
  FCurrentTextObj = &item;
  FRunTextX = item.X;
  FRunTextY = item.Y;
  FRunStoreList.clear();
  FRunStore.reset();
  TFont measuring = font;
  measuring.Size = kMeasuringFontSize;
  measuring.Height = 0;
  TvnStringAnalyzer analyzer;
  analyzer.StringAnalyze(
      line, item.BiDiMode, map,
      [this](const String& text, int32_t index, int32_t count, TvnGlyphInfoList&& glyphs, const TvnRunInfo& info,
             const std::vector<uint16_t>& clusters) { AddScriptRun(text, index, count, std::move(glyphs), info, clusters); },
      measuring);
  // The analysis is over once it returns, whichever run came last.
  if (FRunStore) {
    FRunStore->Angle = item.RotationAngle;
    FRunStoreList.push_back(std::move(*FRunStore));
    FRunStore.reset();
  }

  const bool from_metafile = item.IsFromMetafile;
  const bool shaped = std::any_of(FRunStoreList.begin(), FRunStoreList.end(),
                                  [](const TvnRunStore& r) { return r.RunInfo.ScriptProcessingRequired; });
  double total = 0;
  for (const TvnRunStore& run : FRunStoreList) total += RunWidth(run);
  double spacing = 0;
  if (!shaped && !from_metafile && line.size() >= 2)
    spacing = (GetWideTextSize(line, Measured(FRunFont)).cx - total) / static_cast<double>(line.size() - 1);
  using vn::exporter::TBiDiMode;
  if (item.BiDiMode == TBiDiMode::bdRightToLeft && !from_metafile) {
    size_t chars = 0;
    for (const TvnRunStore& run : FRunStoreList) chars += run.RunText.size();
    FRunTextX -= total + spacing * (chars > 0 ? static_cast<double>(chars - 1) : 0);
  } else if (shaped && !from_metafile && (item.Alignment == TvnHAlignment::haRight || item.Alignment == TvnHAlignment::haCenter)) {
    // The layout gave the line the width it measures, and shaped runs are
    // drawn at their shaped advances, which differ from it (joined Arabic
    // letters are narrower than the forms measured): a line set flush right
    // keeps its right end, a centred line its middle.
    const double room = GetWideTextSize(line, Measured(FRunFont)).cx - total;
    const double shift = item.Alignment == TvnHAlignment::haRight ? room : room / 2;
    const double theta = item.RotationAngle * kPi / 180;
    FRunTextX += std::cos(theta) * shift;
    FRunTextY -= std::sin(theta) * shift;
  }
  const double start_x = FRunTextX, start_y = FRunTextY;
  for (size_t i = 0; i < FRunStoreList.size(); ++i)
    WriteRun(FRunStoreList[i], FRunStoreList[i].Angle, PixelsToPoints(spacing), i == 0);
  if (!FRunStoreList.empty() && item.RotationAngle % 360 == 0 &&
      static_cast<TvnPDFPreferences&>(Preferences()).ActiveHyperLinks)
    WriteLinks(line, start_x, start_y, TvnFontMeasure(Measured(FRunFont)).Height());
  FRunStoreList.clear();
  FCurrentTextObj = nullptr;
}

void TvnCustomPDFEngine::AddScriptRun(const String& text, int32_t, int32_t, TvnGlyphInfoList&& glyphs,
                                      const TvnRunInfo& info, const std::vector<uint16_t>& clusters) {
  if (info.ScriptProcessingRequired && glyphs.empty()) return;
  const bool joins = FRunStore && info.MappedFontName == FRunStore->Font.Name &&
                     info.GlyphType == FRunStore->RunInfo.GlyphType &&
                     info.ScriptProcessingRequired == FRunStore->RunInfo.ScriptProcessingRequired &&
                     info.StartPos == FRunStore->RunInfo.EndPos;
  if (joins) {
    TvnRunStore& store = *FRunStore;
    store.RunText += text;
    const uint16_t offset = static_cast<uint16_t>(store.GlyphInfoList.size());
    for (uint16_t c : clusters) store.LogClust.push_back(static_cast<uint16_t>(c + offset));
    store.GlyphInfoList.insert(store.GlyphInfoList.end(), std::make_move_iterator(glyphs.begin()),
                               std::make_move_iterator(glyphs.end()));
    store.RunInfo.VisAttr.insert(store.RunInfo.VisAttr.end(), info.VisAttr.begin(), info.VisAttr.end());
    store.RunInfo.EndPos = info.EndPos;
    return;
  }
  if (FRunStore) {
    FRunStore->Angle = FCurrentTextObj ? FCurrentTextObj->RotationAngle : 0;
    FRunStoreList.push_back(std::move(*FRunStore));
  }
  TvnRunStore store;
  store.RunText = text;
  store.Font = FRunFont;
  store.Font.Name = info.MappedFontName;
  store.RunInfo = info;
  store.GlyphInfoList = std::move(glyphs);
  store.LogClust = clusters;
  FRunStore = std::move(store);
}

double TvnCustomPDFEngine::RunWidth(const TvnRunStore& run) {
  double width = 0;
  if (run.RunInfo.ScriptProcessingRequired) {
    for (const TvnGlyphInfo& g : run.GlyphInfoList) width += g.PlacedAdvance;
  } else {
    const TvnPDFFont& font = GetRunPDFFont(run, true);
    for (char16_t c : run.RunText) width += PointsToPixels(font.FontInfo().Width(c));
  }
  return width * FRunFontSize / 1000;
}

TvnPDFFont& TvnCustomPDFEngine::GetRunPDFFont(const TvnRunStore& run, bool identity_h) {
  const bool cid = run.RunInfo.ScriptProcessingRequired;
  TvnPDFFont* found = nullptr;
  for (const auto& font : FFontTable)
    if (font->IsEqual(run.Font, FRunFontSize, cid, identity_h)) found = font.get();
  if (!found) {
    const TvnTTFontEmbedding embedding = FontEmbedding();
    const bool subset = cid ? embedding != TvnTTFontEmbedding::etfFull
                            : embedding == TvnTTFontEmbedding::etfSubset && !IsFontEmbedExcluded(run.Font.Name);
    FFontTable.push_back(std::make_unique<TvnPDFFont>(run.Font, FRunFontSize, subset, cid, NewObjectNumber(), identity_h));
    found = FFontTable.back().get();
    found->SubsetTag = SubsetTagOf(FFontTable.size() - 1);
  }
  return *found;
}

// ---- one run

void TvnCustomPDFEngine::WriteRun(TvnRunStore& run, int32_t angle, double char_spacing, bool first_run) {
  TvnTextItem& item = *FCurrentTextObj;
  const TvnPDFPreferences& prefs = static_cast<TvnPDFPreferences&>(Preferences());
  const double m = FPixelToPointMultiplier;
  const double size = FRunFontSize;
  const bool glyph_run = run.RunInfo.ScriptProcessingRequired;

  // A CJK run in a vertical font is written top to bottom, turned.
  bool identity_h = true;
  if (!run.RunText.empty() && run.RunText[0] >= 0x4E00 && run.RunText[0] <= 0x9FFF && IsVerticalFontName(run.Font.Name)) {
    identity_h = false;
    angle += 90;
  }
  TvnPDFFont& font = GetRunPDFFont(run, identity_h);
  if (glyph_run)
    font.AddUsedGlyphs(FRunLine, run.GlyphInfoList, run.RunInfo.VisAttr);
  else
    font.AddUsedCharacters(run.RunText);
  const int32_t font_index = static_cast<int32_t>(
      std::find_if(FFontTable.begin(), FFontTable.end(), [&](const auto& f) { return f.get() == &font; }) - FFontTable.begin());

  // The run's box, its baseline and corners, in points.
  const vn::exporter::TSize box = TvnFontMeasure(Measured(run.Font)).Extent(run.RunText);
  const double w = box.cx, h = box.cy;
  const double input_factor = InputXRes() > 0 ? InputXRes() / vn::framework::ScreenPixelsPerInch : 1.0;
  const double ascent = size * PointsToPixels(FRunAscent) / 1000 / input_factor;
  const double theta = angle * kPi / 180;
  const double x = ConvX(FRunTextX), y = ConvY(FRunTextY);
  const double depth = ConvY(FRunTextY) - ConvY(FRunTextY + ascent);
  const double origin_x = x + std::sin(theta) * depth, origin_y = y - std::cos(theta) * depth;
  const double q = std::hypot(w * m, h * m);
  const double phi = w == 0 ? theta - kPi : theta - std::atan(h / w);
  const std::string top_left = Num(x) + " " + Num(y);
  const std::string top_right = Num(x + std::cos(theta) * w * m) + " " + Num(y + std::sin(theta) * w * m);
  const std::string bottom_left = Num(x + std::sin(theta) * h * m) + " " + Num(y - std::cos(theta) * h * m);
  const std::string bottom_right = Num(x + q * std::cos(phi)) + " " + Num(y + q * std::sin(phi));

  // Background: a solid or hatched brush of a colour the page does not
  // already have.
  std::string background;
  const std::string quad = bottom_left + " m " + bottom_right + " l " + top_right + " l " + top_left + " l ";
  if (!IsWhite(item.Brush.Color) || item.Brush.Style != vn::exporter::TBrushStyle::bsSolid) {
    if (item.Brush.Style == vn::exporter::TBrushStyle::bsSolid)
      background = std::string(kCRLF) + "q" + kCRLF + GetCSForFill(item.Brush.Color) + " " + quad + " f" + kCRLF + "Q";
    else if (item.Brush.Style != vn::exporter::TBrushStyle::bsClear)
      background = std::string(kCRLF) + "q" + kCRLF + HatchFillColour(item.Brush) + " n " + quad + " f" + kCRLF + "Q";
  }
  WriteContent(std::string(kCRLF) + background + kCRLF);

  // Metafile advances, when the item brings them for every character of
  // the run, are reproduced exactly.
  const auto start = static_cast<size_t>(std::max(run.RunInfo.StartPos, 0));
  const auto end = static_cast<size_t>(std::max(run.RunInfo.EndPos, run.RunInfo.StartPos));
  const std::vector<double>& advances = item.CharSpaceArray;
  const bool metafile_spacing = prefs.ApplyEmfCharSpacing && item.IsFromMetafile &&
                                advances.size() >= run.GlyphInfoList.size() && advances.size() >= end;
  auto metafile_advance = [&](size_t from, size_t to) {
    double sum = 0;
    for (size_t k = from; k < to && k < advances.size(); ++k) sum += advances[k];
    return sum;
  };
  double run_width = 0;
  std::string show;
  if (glyph_run) {
    // Glyphs go cluster by cluster; each cluster is followed by the
    // difference between its glyphs' own advances and where the metafile
    // (or, without one, shaping) put the next cluster. A cluster whose glyphs do not map back to its characters
    // (reordered or split marks, glyphs shared with other clusters) carries
    // its characters as the actual text of a marked span.
    const auto& glyphs = run.GlyphInfoList;
    struct Piece {
      std::string hex, adjustment;
    };
    std::vector<Piece> pending;  // clusters not yet shown
    auto flush = [&](const std::string& actual_text) {
      if (pending.empty()) return;
      const bool array = std::any_of(pending.begin(), pending.end(), [](const Piece& p) { return !p.adjustment.empty(); });
      std::string op = array ? "[" : "<";
      for (const Piece& p : pending) op += array ? "<" + p.hex + ">" + p.adjustment : p.hex;
      op += array ? "] TJ" : "> Tj";
      if (!actual_text.empty()) op = "/Span <</ActualText <FEFF" + actual_text + ">>> BDC " + op + " EMC";
      show += (show.empty() ? "" : " ") + op;
      pending.clear();
    };
    for (size_t i = 0; i < glyphs.size();) {
      size_t j = i;
      double font_advance = 0, placed_advance = 0;
      Piece piece;
      String mapped;
      for (; j < glyphs.size() && glyphs[j].Cluster == glyphs[i].Cluster; ++j) {
        char code[8];
        std::snprintf(code, sizeof code, "%04X", glyphs[j].ID);
        piece.hex += code;
        mapped += font.GlyphText(glyphs[j].ID);
        font_advance += glyphs[j].AdvWidth * size / 1000;
        placed_advance += glyphs[j].PlacedAdvance * size / 1000;
      }
      const auto from = static_cast<size_t>(std::clamp<int32_t>(glyphs[i].Cluster, 0, static_cast<int32_t>(FRunLine.size())));
      const auto to = static_cast<size_t>(std::clamp<int32_t>(glyphs[i].ClusterEnd, static_cast<int32_t>(from), static_cast<int32_t>(FRunLine.size())));
      const String cluster_text = FRunLine.substr(from, to - from);
      // The cluster ends where the metafile or, without one, shaping put
      // the next.
      const double wanted = metafile_spacing ? metafile_advance(from, to) : placed_advance;
      if (j < glyphs.size() && std::abs(font_advance - wanted) * m / size * 1000 >= 0.5)
        piece.adjustment = Num((font_advance - wanted) * m / size * 1000);
      run_width += placed_advance;
      if (mapped == cluster_text) {
        pending.push_back(std::move(piece));
      } else {
        flush({});
        pending.push_back(std::move(piece));
        std::string text_hex;
        for (char16_t c : cluster_text) {
          char code[8];
          std::snprintf(code, sizeof code, "%04X", c);
          text_hex += code;
        }
        flush(text_hex);
      }
      i = j;
    }
    flush({});
    if (metafile_spacing) run_width = metafile_advance(start, end);
  } else if (metafile_spacing) {
    show = "[";
    for (size_t i = 0; i < run.RunText.size(); ++i) {
      if (i > 0) {
        const double font_advance = PointsToPixels(font.FontInfo().Width(run.RunText[i - 1])) * size / 1000;
        show += Num((font_advance - advances[start + i - 1]) * m / size * 1000);
      }
      show += "(" + Literal(StringView(run.RunText).substr(i, 1)) + ")";
    }
    show += "] TJ";
    run_width = metafile_advance(start, end);
  } else {
    show = "(" + Literal(run.RunText) + ") Tj";
    for (char16_t c : run.RunText) run_width += PointsToPixels(font.FontInfo().Width(c)) * size / 1000;
  }

  if (font.FontInfo().FfiType == TvnFontType::ftTrueType) {
    std::string text = std::string(kCRLF) + " q ";
    if (item.IsClipRect()) {
      const TvnRect& c = item.ClipRect();
      text += Num(ConvX(c.Left)) + " " + Num(ConvY(c.Bottom)) + " " + Num(ConvW(c.Right - c.Left)) + " " +
              Num(ConvH(c.Bottom - c.Top)) + " re W n" + kCRLF;
    }
    using vn::exporter::TvnTextRenderMode;
    using vn::exporter::TvnTextRise;
    const TvnTextRenderMode mode = item.TextEffects.TextRenderMode;
    text += "BT" + std::string(kCRLF) +
            (mode == TvnTextRenderMode::trmFill ? "0 Tr" : mode == TvnTextRenderMode::trmStroke ? "1 Tr" : "2 Tr");
    if (item.TextEffects.TextRise == TvnTextRise::trSuperscript) text += " " + Num(size / 2) + " Ts";
    if (item.TextEffects.TextRise == TvnTextRise::trSubscript) text += " " + Num(-size / 2) + " Ts";
    text += std::string(kCRLF) + GetCSForFill(run.Font.Color);
    // Outlined text is stroked in the text's colour too.
    if (mode != TvnTextRenderMode::trmFill) text += " " + GetCSForStroke(run.Font.Color);
    text += std::string(kCRLF) + "/F" + std::to_string(font_index) + " " + Num(size) + " Tf" + kCRLF;
    if (item.TextEffects.Opacity < 100) text += OpacityPrefix(item.TextEffects.Opacity);
    if (first_run && prefs.ApplyEmfCharSpacing) text += " 0 Tw" + std::string(kCRLF) + Num(char_spacing) + " Tc" + kCRLF;
    if (angle % 360 != 0) {
      text += Num(std::cos(theta)) + " " + Num(std::sin(theta)) + " " + Num(-std::sin(theta)) + " " + Num(std::cos(theta)) +
              " " + Num(origin_x) + " " + Num(origin_y) + " Tm " + kCRLF + show + kCRLF + "ET Q " + kCRLF;
    } else {
      text += Num(origin_x) + " " + Num(origin_y) + " Td " + show + kCRLF + "ET Q " + kCRLF;
    }
    WriteContent(text);
  }

  // The next run starts where this one ends.
  const double step = vn::framework::ScreenPixelsPerInch / (InputXRes() > 0 ? InputXRes() : vn::framework::ScreenPixelsPerInch);
  FRunTextX += std::cos(theta) * step * run_width;
  FRunTextY -= std::sin(theta) * step * run_width;

  // Underline and strike-out, from the baseline.
  auto line_at = [&](double thickness, double position) {
    const double d = depth - position;
    const double line_w = run_width * m * (item.IsFromMetafile ? 1.0 : 96.0 / vn::framework::ScreenPixelsPerInch);
    const double r = std::hypot(line_w, d);
    const double psi = theta + std::atan2(line_w, d);
    const std::string line = Num(thickness) + " w " + Num(x + std::sin(theta) * d) + " " + Num(y - std::cos(theta) * d) + " m " +
                             Num(x + std::sin(psi) * r) + " " + Num(y - std::cos(psi) * r) + " l S";
    WriteContent(std::string(kCRLF) + "q" + kCRLF + GetCSForStroke(run.Font.Color) + " " + line + kCRLF + "Q" + kCRLF);
  };
  const TvnPDFFontInfo& fi = font.FontInfo();
  if (run.Font.Style.Contains(TFontStyle::fsUnderline)) line_at(fi.FfiUnderscoreSize, fi.FfiUnderscorePosition);
  if (run.Font.Style.Contains(TFontStyle::fsStrikeOut)) line_at(fi.FfiStrikeoutSize, fi.FfiStrikeoutPosition);
}

// ---- links

void TvnCustomPDFEngine::WriteLinks(const String& text, double x, double y, double height) {
  String line = text;
  if (line.size() >= 2 && line.compare(line.size() - 2, 2, u"\r\n") == 0) line.resize(line.size() - 2);
  const TvnFontMeasure measure(Measured(FRunFont));
  const double m = FPixelToPointMultiplier;
  const double factor = vn::framework::ScreenPixelsPerInch / (InputXRes() > 0 ? InputXRes() : vn::framework::ScreenPixelsPerInch);
  int32_t pos = 0;
  for (int guard = 0; guard < static_cast<int>(line.size()) + 1; ++guard) {
    int32_t found_at = pos;
    const String word = FindNextLink(line, found_at);
    if (word.empty() || found_at < 1) break;
    const String trimmed = vn::Trim(word);
    const double x1 = ConvX(x) + m * measure.Width(StringView(line).substr(0, static_cast<size_t>(found_at - 1)));
    const double x2 = x1 + m * measure.Width(trimmed);
    const double y1 = ConvY(y), y2 = ConvY(y + height);
    const int32_t a = NewObjectNumber();
    FAnnots += " " + ObjectRef(a);
    std::string uri;
    if (trimmed.find(u'@') != String::npos) {
      uri = "mailto:" + UriBytes(trimmed);
    } else if (trimmed.find(u":\\") != String::npos) {
      // A file path is linked as a file address, never launched.
      String path = trimmed;
      std::replace(path.begin(), path.end(), u'\\', u'/');
      uri = "file:///" + UriBytes(path);
    } else {
      uri = UriBytes(trimmed);
    }
    const std::string body = "/Type/Annot/Border [0 0 0]/H/I/Subtype/Link" + std::string(IsPDFA() ? "/F 4" : "/F 0") +
                             std::string("/C [00 00 00]/Rect [") + Num(x1 * factor) + " " + Num(y1 * factor) + " " + Num(x2 * factor) +
                             " " + Num(y2 * factor) + "]" + kCRLF + "/A" + kCRLF + "<<" + kCRLF + "/S/URI /URI<" +
                             vn::framework::AnsiToHexText(EncryptObjectStrings(uri, a, 0)) + ">" + kCRLF + ">>";
    WriteObject(body, a, true);
    const int32_t next = found_at + static_cast<int32_t>(word.size());
    if (next <= pos || next > static_cast<int32_t>(line.size())) break;
    pos = next;
  }
}

// ---- fonts at the end of the document

std::string TvnCustomPDFEngine::GetFontResources() {
  if (FFontTable.empty()) return {};
  std::string text = "/Font <<";
  for (size_t i = 0; i < FFontTable.size(); ++i)
    text += "/F" + std::to_string(i) + " " + ObjectRef(FFontTable[i]->FontInfo().FfiFontObjRef) + " ";
  return text + ">>" + kCRLF;
}

void TvnCustomPDFEngine::WriteFonts() {
  const TvnTTFontEmbedding embedding = FontEmbedding();
  for (size_t i = 0; i < FFontTable.size(); ++i) {
    TvnPDFFont& f = *FFontTable[i];
    if (f.FontInfo().FfiType != TvnFontType::ftTrueType) continue;
    // Glyph identifiers mean nothing without the font program: a composite
    // font is always embedded (as a subset unless the whole font is asked
    // for).
    const bool cid = f.FontEncoding() == TvnFontEncoding::feCID;
    const bool embedded = cid || (embedding != TvnTTFontEmbedding::etfNone && !IsFontEmbedExcluded(f.Font().Name));
    std::string program;
    if (embedded) program = embedding == TvnTTFontEmbedding::etfFull ? f.GetFontFile2() : f.GetFontFile2Subset();
    int32_t program_obj = -1;
    auto file_ref = [&]() -> std::string {
      if (program.empty()) return {};
      program_obj = NewObjectNumber();
      return ObjectRef(program_obj);
    };
    auto write_cmap = [&](int32_t n) {
      const std::string cmap = f.GetCMap();
      const int32_t length_obj = NewObjectNumber();
      const int64_t length =
          WriteStreamObject(n, "/Length" + std::string(kCRLF) + ObjectRef(length_obj) + FlateFilterEntry() + kCRLF, cmap);
      WriteObject(std::to_string(length), length_obj, true);
    };
    const int32_t font_obj = f.FontInfo().FfiFontObjRef;
    if (f.FontEncoding() == TvnFontEncoding::feCID) {
      const int32_t to_unicode = NewObjectNumber(), descendant = NewObjectNumber();
      WriteObject(f.GetType0FontDictionary(static_cast<int32_t>(i), ObjectRef(to_unicode), ObjectRef(descendant)), font_obj, true);
      const int32_t descriptor = NewObjectNumber();
      const std::string registry = "<" + vn::framework::AnsiToHexText(EncryptObjectStrings(f.GetCIDFontRegistryEntry(), descendant, 0)) + ">";
      const std::string ordering = "<" + vn::framework::AnsiToHexText(EncryptObjectStrings(f.GetCIDFontOrderingEntry(), descendant, 0)) + ">";
      WriteObject("<<" + f.GetCIDFontDictionary(ObjectRef(descriptor), registry, ordering) + ">>", descendant, true);
      WriteObject(f.GetFontDescriptor(file_ref()), descriptor, true);
      write_cmap(to_unicode);
    } else {
      const int32_t descriptor = NewObjectNumber();
      std::string widths;
      for (uint32_t code = 32; code <= 255; ++code) widths += (code > 32 ? " " : "") + vn::ToUtf8(vn::framework::FloatToDotText(f.FontInfo().Width(code)));
      const int32_t to_unicode = NewObjectNumber();
      WriteObject("/Type /Font/Subtype /TrueType/Name /F" + std::to_string(i) + "/BaseFont /" + f.TaggedName() +
                      " /Encoding /WinAnsiEncoding/FirstChar 32/LastChar 255/Widths [" + widths + "]/FontDescriptor " +
                      ObjectRef(descriptor) + "/ToUnicode " + ObjectRef(to_unicode) + kCRLF,
                  font_obj, true);
      const TvnPDFFontInfo& fi = f.FontInfo();
      char box[96];
      std::snprintf(box, sizeof box, "/FontBBox[%d %d %d %d]", fi.FfiFontBBox.Left, fi.FfiFontBBox.Bottom, fi.FfiFontBBox.Right,
                    fi.FfiFontBBox.Top);
      const int32_t italic_angle = f.Font().Style.Contains(TFontStyle::fsItalic) && fi.FfiItalicAngle == 0 ? -12 : fi.FfiItalicAngle;
      auto dot = [](double v) { return vn::ToUtf8(vn::framework::FloatToDotText(v)); };
      std::string descriptor_text = "/Type /FontDescriptor/FontName /" + f.TaggedName() + " /Flags " + std::to_string(fi.FfiFlags) +
                                    box + "/Ascent " + dot(fi.FfiAscent) + "/Descent " + dot(fi.FfiDescent) + "/CapHeight " +
                                    dot(fi.FfiCapHeight) + "/AvgWidth " + std::to_string(fi.FfiAvgWidth) + "/MaxWidth " +
                                    std::to_string(fi.FfiMaxWidth) + "/MissingWidth " + std::to_string(fi.FfiMaxWidth) +
                                    "/StemH " + std::to_string(fi.FfiStemV) + "/StemV " + std::to_string(fi.FfiStemV) +
                                    "/FontWeight " + std::to_string(fi.FfiFontWeight) + "/ItalicAngle " + std::to_string(italic_angle);
      const std::string ref = file_ref();
      if (!ref.empty()) descriptor_text += "/FontFile2 " + ref;
      WriteObject(descriptor_text + kCRLF, descriptor, true);
      write_cmap(to_unicode);
    }
    if (program_obj > 0) {
      const int32_t length_obj = NewObjectNumber();
      const int64_t length = WriteStreamObject(program_obj,
                                               "/Length1 " + std::to_string(program.size()) + "/Length" + kCRLF +
                                                   ObjectRef(length_obj) + FlateFilterEntry() + kCRLF,
                                               program);
      WriteObject(std::to_string(length), length_obj, true);
    }
  }
}

}  // namespace vn::pdfwriter
