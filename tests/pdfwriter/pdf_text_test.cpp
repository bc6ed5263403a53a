// Text written by the PDF engine: lines in many scripts, from engine calls
// and from metafiles, come out as text objects in embedded subset fonts
// with ToUnicode maps; readers give the text back in logical order and draw
// it as a shaping renderer does; rotation, vertical CJK, render modes, rise,
// opacity, metafile advances, underline and links as the writer defines
// them.
#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "export/metafile_processor.h"
#include "pdf_test_support.h"
#include "platform/canvas/cairo_canvas.h"
#include "platform/canvas/emf_recorder.h"
#include "platform/canvas/metafile_player.h"
#include "platform/fonts/font_catalog.h"
#include "platform/images/image_codecs.h"
#include "platform/shaping/text_shaping.h"

namespace vn::pdfwriter::testing::pdf_text_test {
namespace {

using vn::exporter::TBiDiMode;
using vn::exporter::TFontStyle;
using vn::exporter::TvnTextItem;

struct ScriptLine {
  const char* script;
  const char16_t* font;  // the font the line is written in
  const char16_t* text;
  bool rtl;
};

const ScriptLine kScripts[] = {
    {"Latin", u"Arial", u"Quick brown fox, façade", false},
    {"Greek", u"Arial", u"Καλημέρα κόσμε", false},
    {"Cyrillic", u"Times New Roman", u"Привет мир", false},
    {"Arabic", u"Noto Sans Arabic", u"مرحبا بالعالم", true},
    {"Hebrew", u"Noto Sans Hebrew", u"שלום עולם", true},
    {"Devanagari", u"Noto Sans Devanagari", u"नमस्ते दुनिया", false},
    {"Thai", u"Noto Sans Thai", u"สวัสดีชาวโลก", false},
    {"CJK", u"WenQuanYi Micro Hei", u"你好世界 日本語", false},
};

std::unique_ptr<TestEngine> NewEngine(int width = 800, int height = 600) {
  PinClock();
  auto engine = std::make_unique<TestEngine>(width, height);
  engine->Preferences().EmbedTrueTypeFonts = TvnTTFontEmbedding::etfSubset;
  return engine;
}

// The file an engine writes with `draw` between BeginDoc and EndDoc (the
// engine checks it with qpdf when it goes).
std::string Written(const std::function<void(TestEngine&)>& draw, bool compressed = true, int width = 800,
                    int height = 600) {
  auto engine = NewEngine(width, height);
  engine->Compression().Enabled = compressed;
  engine->BeginDoc();
  draw(*engine);
  engine->EndDoc();
  return engine->Bytes();
}

// The text pdftotext gives, without the bidirectional marks it adds around
// right-to-left lines and with runs of blanks made one.
std::string ExtractedText(const std::string& pdf, const std::string& name) {
  const auto path = SaveTemp(pdf, name + ".pdf");
  std::string out;
  Run("pdftotext -enc UTF-8 '" + path.string() + "' -", &out);
  for (const char* mark : {"\u202A", "\u202B", "\u202C", "\u200E", "\u200F"})
    for (size_t at; (at = out.find(mark)) != std::string::npos;) out.erase(at, std::string(mark).size());
  return std::regex_replace(out, std::regex("[ \t]+"), " ");
}

struct FontRow {
  std::string name, type, encoding, emb, sub, uni;
};

std::vector<FontRow> Fonts(const std::string& pdf, const std::string& name) {
  const auto path = SaveTemp(pdf, name + ".pdf");
  std::string out;
  Run("pdffonts '" + path.string() + "'", &out);
  std::vector<FontRow> rows;
  std::istringstream lines(out);
  std::string line;
  static const std::regex row(
      R"(^(\S+)\s+(.+?)\s+(Identity-H|Identity-V|WinAnsi|Custom|Builtin)\s+(yes|no)\s+(yes|no)\s+(yes|no)\s)");
  for (std::smatch m; std::getline(lines, line);)
    if (std::regex_search(line, m, row)) rows.push_back({m[1], m[2], m[3], m[4], m[5], m[6]});
  return rows;
}

bool HaveTextTools() { return vn::test_support::HaveTool("pdftotext") && vn::test_support::HaveTool("pdffonts"); }

// The advance of each code unit of a line as a shaping producer records
// it: each cluster's advance on its first code unit, 0 on the others.
std::vector<int32_t> ShapedAdvances(const char16_t* font_name, int height, StringView text, bool rtl) {
  vn::platform::FontRequest request;
  request.FaceName = font_name;
  request.Height = height;
  const auto font = vn::platform::GdiFont::Create(request);
  std::vector<int32_t> dx(text.size(), 0);
  for (const auto& run : vn::platform::ItemizeText(text, rtl))
    for (const auto& g : vn::platform::ShapeRun(*font, text, run).Glyphs) dx[size_t(g.Cluster)] += g.XAdvance;
  return dx;
}

// A metafile page with each line drawn by a text record (with its advance
// array), one below the other.
vn::exporter::TMetafile MetafileOf(const std::vector<ScriptLine>& lines, int width, int height) {
  vn::platform::EmfRecorderCanvas canvas(width, height);
  int y = 20;
  for (const ScriptLine& line : lines) {
    vn::platform::Font font;
    font.faceName = line.font;
    font.height = -24;
    canvas.SetFont(font);
    canvas.SetTextAlign(line.rtl ? 256u : 0u);  // TA_RTLREADING
    const std::u16string text = line.text;
    canvas.TextOut({20, y}, text, ShapedAdvances(line.font, font.height, text, line.rtl));
    y += 40;
  }
  vn::exporter::TMetafile metafile;
  metafile.Bytes = canvas.Finish();
  metafile.Width = width;
  metafile.Height = height;
  return metafile;
}

TEST(PdfText, PlainLatinLineIsOneLiteralString) {
  const std::string pdf = Written(
      [&](TestEngine& e) {
        e.Font().Name = u"Arial";
        e.Font().Size = 12;
        e.TextOut(10, 10, u"Hello (world)");
      },
      false);
  const std::string content = PageContents(pdf).at(0);
  EXPECT_NE(content.find("BT\r\n0 Tr\r\n0.0000 0.0000 0.0000 rg\r\n/F0 12.0000 Tf\r\n"), std::string::npos) << content;
  EXPECT_NE(content.find(" Td (Hello \\(world\\)) Tj\r\nET Q "), std::string::npos) << content;
  EXPECT_TRUE(Balanced(content));
  EXPECT_NE(pdf.find("/Subtype /TrueType/Name /F0/BaseFont /AAAAAA+Arial "
                     "/Encoding /WinAnsiEncoding"),
            std::string::npos);
  if (!HaveTextTools()) return;
  const auto fonts = Fonts(pdf, "plain");
  ASSERT_EQ(fonts.size(), 1u);
  EXPECT_EQ(fonts[0].type, "TrueType");
  EXPECT_EQ(fonts[0].emb + fonts[0].sub + fonts[0].uni, "yesyesyes");
  EXPECT_NE(ExtractedText(pdf, "plain").find("Hello (world)"), std::string::npos);
}

// Every script, drawn by engine calls and by a played metafile: each font
// embedded as a subset with a ToUnicode map, the text back in logical order.
TEST(PdfText, ScriptsComeBackInLogicalOrder) {
  const std::string pdf = Written([&](TestEngine& e) {
    double y = 20;
    for (const ScriptLine& line : kScripts) {
      e.Font().Name = line.font;
      e.Font().Size = 14;
      e.SetBiDiMode(line.rtl ? TBiDiMode::bdRightToLeft : TBiDiMode::bdLeftToRight);
      e.TextOut(line.rtl ? 500 : 20, y, line.text);
      y += 40;
    }
    e.NewPage();
    vn::exporter::InstallMetafileProcessor();
    e.PlayMetafile(0, 0, MetafileOf({std::begin(kScripts), std::end(kScripts)}, 800, 600));
    vn::exporter::SetMetafilePlayer(nullptr);
  });
  for (const std::string& content : PageContents(pdf)) EXPECT_TRUE(Balanced(content));
  if (!HaveTextTools()) return;
  for (const FontRow& font : Fonts(pdf, "scripts")) EXPECT_EQ(font.emb + font.sub + font.uni, "yesyesyes") << font.name;
  std::string text = ExtractedText(pdf, "scripts");
  const size_t second_page = text.find('\f');
  ASSERT_NE(second_page, std::string::npos);
  for (const ScriptLine& line : kScripts) {
    const std::string expected = vn::ToUtf8(line.text);
    EXPECT_NE(text.substr(0, second_page).find(expected), std::string::npos) << line.script << " (engine)\n" << text;
    EXPECT_NE(text.substr(second_page).find(expected), std::string::npos) << line.script << " (metafile)\n" << text;
  }
}

// A grey raster cropped to its ink (values below 200), 0 = black.
struct Ink {
  int width = 0, height = 0;
  std::vector<double> grey;
};

Ink Crop(int width, int height, const std::function<double(int, int)>& grey) {
  int x0 = width, y0 = height, x1 = -1, y1 = -1;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      if (grey(x, y) < 200) x0 = std::min(x0, x), y0 = std::min(y0, y), x1 = std::max(x1, x), y1 = std::max(y1, y);
  Ink ink;
  if (x1 < 0) return ink;
  ink.width = x1 - x0 + 1;
  ink.height = y1 - y0 + 1;
  for (int y = y0; y <= y1; ++y)
    for (int x = x0; x <= x1; ++x) ink.grey.push_back(grey(x, y));
  return ink;
}

// Normalised RMSE over a page of `page_pixels` pixels on which the two
// crops are laid over each other, the second shifted by up to two pixels
// each way to where they agree best (the renderers may place the same
// glyph a pixel apart); the rest of the page is white in both.
double PageRmse(const Ink& a, const Ink& b, double page_pixels) {
  const int w = std::max(a.width, b.width), h = std::max(a.height, b.height);
  auto at = [](const Ink& i, int x, int y) {
    return x >= 0 && y >= 0 && x < i.width && y < i.height ? i.grey[size_t(y) * i.width + x] : 255.0;
  };
  double best = 1;
  for (int dy = -2; dy <= 2; ++dy)
    for (int dx = -2; dx <= 2; ++dx) {
      double sum = 0;
      for (int y = -2; y < h + 2; ++y)
        for (int x = -2; x < w + 2; ++x) sum += std::pow((at(a, x, y) - at(b, x + dx, y + dy)) / 255.0, 2);
      best = std::min(best, std::sqrt(sum / page_pixels));
    }
  return best;
}

// Each line, written alone on a page in its font, rendered by pdftoppm,
// matches hb-view's cairo rendering of the same text in the same font
// file.
TEST(PdfText, PagesMatchAShapingRenderersDrawing) {
  if (!vn::test_support::HaveTool("pdftoppm") || !vn::test_support::HaveTool("hb-view")) GTEST_SKIP() << "no renderers";
  for (const ScriptLine& line : kScripts) {
    const std::string pdf = Written(
        [&](TestEngine& e) {
          e.Font().Name = line.font;
          e.Font().Height = -36;
          e.TextOut(20, 20, line.text);
        },
        true, 600, 100);
    const auto pdf_path = SaveTemp(pdf, std::string("render_") + line.script + ".pdf");
    const auto prefix = TempFile(std::string("render_") + line.script);
    ASSERT_EQ(testing::Run("pdftoppm -r 96 -gray -singlefile '" + pdf_path.string() + "' '" + prefix.string() + "'"),
              0);
    std::ifstream in(prefix.string() + ".pgm", std::ios::binary);
    std::string magic;
    int w = 0, h = 0, maxval = 0;
    in >> magic >> w >> h >> maxval;
    in.get();
    std::vector<uint8_t> pixels(size_t(w) * h);
    in.read(reinterpret_cast<char*>(pixels.data()), std::streamsize(pixels.size()));
    const Ink ours = Crop(w, h, [&](int x, int y) { return double(pixels[size_t(y) * w + x]); });

    const auto face = vn::platform::MatchFont(line.font, false, false).Face;
    const auto png = TempFile(std::string("hbview_") + line.script + ".png");
    ASSERT_EQ(
        testing::Run("hb-view --font-file='" + face.File.string() + "' --face-index=" + std::to_string(face.Index) +
                     " --font-size=36 --margin=8 -O png -o '" + png.string() + "' '" + vn::ToUtf8(line.text) + "'"),
        0);
    std::ifstream png_in(png, std::ios::binary);
    const std::string png_bytes((std::istreambuf_iterator<char>(png_in)), {});
    const vn::platform::Bitmap ref = vn::platform::DecodePng(vn::platform::AsBytes(png_bytes));
    const Ink theirs = Crop(ref.Width(), ref.Height(), [&](int x, int y) {
      const auto p = ref.Pixel(x, y);
      // hb-view draws with alpha over white.
      const double a = p.A / 255.0;
      return (0.299 * p.R + 0.587 * p.G + 0.114 * p.B) * a + 255 * (1 - a);
    });
    ASSERT_GT(ours.width, 0) << line.script;
    EXPECT_NEAR(ours.width, theirs.width, 3) << line.script;
    EXPECT_NEAR(ours.height, theirs.height, 3) << line.script;
    EXPECT_LE(PageRmse(ours, theirs, double(w) * h), 0.06) << line.script;
  }
}

TEST(PdfText, VerticalCJKIsWrittenTopToBottom) {
  const std::string pdf = Written(
      [&](TestEngine& e) {
        e.Font().Name = u"@SimSun";
        e.Font().Size = 20;
        e.TextOut(100, 100, u"縦書きの文字");
      },
      false);
  // Turned by a quarter: the text matrix holds cos 90 and sin 90.
  EXPECT_NE(PageContents(pdf).at(0).find("0.0000 1.0000 -1.0000 0.0000 "), std::string::npos);
  EXPECT_NE(pdf.find("/Encoding/Identity-V"), std::string::npos);
  if (!HaveTextTools()) return;
  const auto fonts = Fonts(pdf, "vertical");
  ASSERT_EQ(fonts.size(), 1u);
  EXPECT_EQ(fonts[0].encoding, "Identity-V");
  EXPECT_EQ(fonts[0].emb + fonts[0].sub + fonts[0].uni, "yesyesyes");
  const std::string text = std::regex_replace(ExtractedText(pdf, "vertical"), std::regex("\\s"), "");
  EXPECT_EQ(text, vn::ToUtf8(u"縦書きの文字"));
}

// Text state as the content stream carries it.
TEST(PdfText, RotationRiseRenderModeAndOpacity) {
  using vn::exporter::TvnTextRenderMode;
  using vn::exporter::TvnTextRise;
  struct Case {
    const char* name;
    std::function<void(TestEngine&)> setup;
    std::vector<std::string> present, absent;
  };
  const Case cases[] = {
      {"upright", [](TestEngine&) {}, {" Td ", "/F0 12.0000 Tf"}, {" Tm ", " Ts", "/GS"}},
      {"rotated", [](TestEngine& e) { e.SetTextRotation(90); }, {"0.0000 1.0000 -1.0000 0.0000 ", " Tm "}, {" Td "}},
      {"superscript",
       [](TestEngine& e) { e.TextEffects().TextRise = TvnTextRise::trSuperscript; },
       {"0 Tr 6.0000 Ts"},
       {}},
      {"subscript",
       [](TestEngine& e) { e.TextEffects().TextRise = TvnTextRise::trSubscript; },
       {"0 Tr -6.0000 Ts"},
       {}},
      {"outlined",
       [](TestEngine& e) { e.TextEffects().TextRenderMode = TvnTextRenderMode::trmStroke; },
       {"1 Tr", " RG"},
       {}},
      {"half opaque", [](TestEngine& e) { e.TextEffects().Opacity = 50; }, {"/GS1 gs"}, {}},
  };
  for (const Case& c : cases) {
    const std::string pdf = Written(
        [&](TestEngine& e) {
          e.Font().Name = u"Arial";
          e.Font().Size = 12;
          c.setup(e);
          e.TextOut(100, 100, u"State");
        },
        false);
    const std::string content = PageContents(pdf).at(0);
    for (const std::string& s : c.present)
      EXPECT_NE(content.find(s), std::string::npos) << c.name << ": " << s << "\n" << content;
    for (const std::string& s : c.absent)
      EXPECT_EQ(content.find(s), std::string::npos) << c.name << ": " << s << "\n" << content;
    EXPECT_EQ(pdf.find("/ExtGState") != std::string::npos, c.name == std::string("half opaque")) << c.name;
  }
}

// A metafile's advances are reproduced with a TJ array; an advance array
// too short for the text falls back to a plain string.
TEST(PdfText, MetafileAdvancesBecomeTJArrays) {
  for (const bool complete : {true, false}) {
    const std::string pdf = Written(
        [&](TestEngine& e) {
          auto item = std::make_unique<TvnTextItem>();
          item->X = 50;
          item->Y = 50;
          item->Lines.Add(u"Wide");
          item->Font.Name = u"Arial";
          item->Font.Height = -16;
          item->Font.Size = 12;
          item->IsFromMetafile = true;
          item->CharSpaceArray = complete ? std::vector<double>{20, 20, 20, 20} : std::vector<double>{20, 20};
          e.AddItem(std::move(item));
        },
        false);
    const std::string content = PageContents(pdf).at(0);
    EXPECT_NE(content.find(" 0 Tw\r\n0.0000 Tc\r\n"), std::string::npos) << content;
    if (complete) {
      // "W" is about 15 pixels wide at 16 pixels, so each step is wider.
      EXPECT_TRUE(std::regex_search(content, std::regex(R"(\[\(W\)-[0-9.]+\(i\)-[0-9.]+\(d\)-[0-9.]+\(e\)\] TJ)")))
          << content;
    } else {
      EXPECT_NE(content.find("(Wide) Tj"), std::string::npos) << content;
    }
  }
}

TEST(PdfText, FontsAreSharedByEqualRunsAndTaggedApart) {
  const std::string pdf = Written(
      [&](TestEngine& e) {
        e.Font().Name = u"Arial";
        e.Font().Size = 12;
        e.TextOut(10, 10, u"first");
        e.NewPage();
        e.TextOut(10, 10, u"again");
        e.Font().Size = 20;
        e.TextOut(10, 50, u"bigger");
        e.Font().Height = -14;  // 10.5 points
        e.TextOut(10, 90, u"half");
      },
      false);
  EXPECT_NE(pdf.find("/BaseFont /AAAAAA+Arial "), std::string::npos);
  EXPECT_NE(pdf.find("/BaseFont /AAAAAB+Arial "), std::string::npos);
  EXPECT_NE(pdf.find("/BaseFont /AAAAAC+Arial "), std::string::npos);
  EXPECT_EQ(pdf.find("AAAAAD+"), std::string::npos);
  EXPECT_NE(PageContents(pdf).at(1).find("/F2 10.5000 Tf"), std::string::npos);
}

// Underline and strike-out are drawn in the text's colour across the run:
// the underline just below the baseline, the strike-out through the
// letters' middle.
TEST(PdfText, UnderlineAndStrikeOut) {
  const std::string pdf = Written(
      [&](TestEngine& e) {
        e.Font().Name = u"Arial";
        e.Font().Height = -40;
        e.Font().Color = 0x0000FF;  // red
        e.Font().Style = {TFontStyle::fsUnderline, TFontStyle::fsStrikeOut};
        e.TextOut(10, 10, u"___ ___");
      },
      true, 300, 100);
  const auto raster = Render(pdf, "underline");
  if (!raster) return;
  // Liberation Sans at 40 pixels: baseline 36 pixels below the top, the
  // underline about 4 below it and the strike-out about 10 above it. The
  // blank between the two groups of low lines shows only the lines.
  auto red_in_rows = [&](int from, int to) {
    for (int y = from; y <= to; ++y)
      if (raster->At(70, y) == 0xFF0000) return true;
    return false;
  };
  EXPECT_TRUE(red_in_rows(10 + 36 + 2, 10 + 36 + 6));
  EXPECT_TRUE(red_in_rows(10 + 36 - 14, 10 + 36 - 8));
  EXPECT_FALSE(red_in_rows(10, 10 + 36 - 16));
}

TEST(PdfText, LinksBecomeAnnotations) {
  const std::string pdf = Written([&](TestEngine& e) {
    e.Font().Name = u"Arial";
    e.Font().Size = 12;
    e.TextOut(10, 10, u"See www.example.com or write to me@example.org");
    e.TextOut(10, 40, u"Report in C:\\docs\\report.txt");
  });
  EXPECT_EQ(pdf.find("/Launch"), std::string::npos);
  if (!vn::test_support::HaveFile("/usr/lib/python3/dist-packages/pypdf")) return;
  const auto path = SaveTemp(pdf, "links.pdf");
  std::string out;
  ASSERT_EQ(testing::Run("/usr/bin/python3 -c \"import pypdf,sys\n"
                         "for a in pypdf.PdfReader(sys.argv[1]).pages[0]['/Annots']:\n"
                         "  a=a.get_object(); print(a['/Subtype'], a['/A']['/URI'])\" '" +
                             path.string() + "'",
                         &out),
            0)
      << out;
  EXPECT_EQ(out,
            "/Link www.example.com\n/Link mailto:me@example.org\n/Link "
            "file:///C:/docs/report.txt\n");
}

// Text no installed font can draw whole is still written (in the font that
// lacks the fewest characters), so the characters that can be drawn show
// and the line's text stays in the file.
TEST(PdfText, TextNoFontCoversIsKept) {
  const std::string pdf = Written([&](TestEngine& e) {
    e.Font().Name = u"Arial";
    e.Font().Size = 12;
    e.TextOut(10, 10, u"abc\u0378def");  // U+0378 is unassigned
  });
  if (!HaveTextTools()) return;
  const std::string text = ExtractedText(pdf, "uncovered");
  EXPECT_NE(text.find("abc"), std::string::npos) << text;
  EXPECT_NE(text.find("def"), std::string::npos) << text;
}

// Fonts of shaped text are embedded even when embedding is off: their codes
// are glyph identifiers, which mean nothing without the font program.
TEST(PdfText, ShapedTextFontsAreEmbeddedWhateverTheSetting) {
  const std::string pdf = Written([&](TestEngine& e) {
    e.Preferences().EmbedTrueTypeFonts = TvnTTFontEmbedding::etfNone;
    e.Font().Name = u"Arial";
    e.TextOut(10, 10, u"Latin only");
    e.TextOut(10, 40, u"Ελληνικά");
  });
  if (!HaveTextTools()) return;
  const auto fonts = Fonts(pdf, "embedding_off");
  ASSERT_EQ(fonts.size(), 2u);
  for (const FontRow& font : fonts) EXPECT_EQ(font.emb, font.encoding == "WinAnsi" ? "no" : "yes") << font.name;
}

// Ink bounds of a grey raster (values below 128), or nullopt when blank.
struct Bounds {
  int x0, y0, x1, y1;
};
std::optional<Bounds> InkBounds(int width, int height, const std::function<double(int, int)>& grey) {
  Bounds b{width, height, -1, -1};
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      if (grey(x, y) < 128) b = {std::min(b.x0, x), std::min(b.y0, y), std::max(b.x1, x), std::max(b.y1, y)};
  if (b.x1 < 0) return std::nullopt;
  return b;
}

// Metafile text at each vertical alignment lands where the canvas that
// plays the same metafile draws it.
TEST(PdfText, MetafileTextLandsWhereTheCanvasDrawsIt) {
  if (!vn::test_support::HaveTool("pdftoppm")) GTEST_SKIP() << "no pdftoppm";
  const struct {
    const char* name;
    uint32_t align;
  } cases[] = {{"top", 0}, {"baseline", 24}, {"bottom", 8}, {"centred baseline", 24 | 6}};
  for (const auto& c : cases) {
    vn::platform::EmfRecorderCanvas recorder(400, 120);
    vn::platform::Font font;
    font.faceName = u"Arial";
    font.height = -32;
    recorder.SetFont(font);
    recorder.SetTextAlign(c.align);
    recorder.TextOut({200, 60}, u"Hxgy fluff", {});
    vn::exporter::TMetafile metafile;
    metafile.Bytes = recorder.Finish();
    metafile.Width = 400;
    metafile.Height = 120;

    vn::platform::CairoCanvas canvas(400, 120);
    vn::platform::DrawPageMetafile(vn::platform::emf::EmfFile(metafile.Bytes), canvas, 400, 120, 0);
    cairo_surface_t* surface = canvas.Surface();
    cairo_surface_flush(surface);
    const unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    const auto theirs = InkBounds(400, 120, [&](int x, int y) { return double(data[y * stride + x * 4 + 1]); });

    const std::string pdf = Written(
        [&](TestEngine& e) {
          vn::exporter::InstallMetafileProcessor();
          e.PlayMetafile(0, 0, metafile);
          vn::exporter::SetMetafilePlayer(nullptr);
        },
        true, 400, 120);
    const auto raster = Render(pdf, std::string("mf_align_") + std::to_string(c.align));
    ASSERT_TRUE(raster);
    const auto ours =
        InkBounds(raster->width, raster->height, [&](int x, int y) { return double(raster->At(x, y) & 0xFF); });
    ASSERT_TRUE(theirs && ours) << c.name;
    EXPECT_NEAR(ours->x0, theirs->x0, 2) << c.name;
    EXPECT_NEAR(ours->x1, theirs->x1, 2) << c.name;
    EXPECT_NEAR(ours->y0, theirs->y0, 1) << c.name;
    EXPECT_NEAR(ours->y1, theirs->y1, 1) << c.name;
  }
}

}  // namespace
}  // namespace vn::pdfwriter::testing::pdf_text_test
