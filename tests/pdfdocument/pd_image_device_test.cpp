// The rendering device's calls on a Graphics that records them: font name
// cleaning, dash phases in user units, text render modes (stroke width,
// clipping modes), forms clipped to any box, page boxes with negative
// coordinates, shadings painted by sh, Type 3 glyphs named by a base
// encoding, glyph origins, rules and boxes on the pixel grid, and the faces
// of standard fonts.
#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "pdfdocument/page_renderer.h"
#include "pdfdocument/pd_image_device.h"
#include "pdfdocument/pdf_document_handler.h"
#include "support/pdf_files.h"

namespace vn::pdfdoc::pd_image_device_test {

namespace gfx = vn::platform::gfx;

// Keeps what the device asked for, in device units where it matters.
class RecordingGraphics : public gfx::Graphics {
 public:
  struct Paint {
    char Kind;  // 'f' fill, 's' stroke, 'c' clip, 'i' image
    std::optional<gfx::RectF> Bounds;  // device units
    gfx::Pen Pen;
    gfx::Argb Color = 0;
    vn::platform::Bitmap Image;
  };
  std::vector<Paint> Paints;

  void Save() override { saved_.push_back(transform_); }
  void Restore() override {
    if (saved_.empty()) return;
    transform_ = saved_.back();
    saved_.pop_back();
  }
  gfx::Matrix GetTransform() const override { return transform_; }
  void SetTransform(const gfx::Matrix& m) override { transform_ = m; }
  void SetClip(const gfx::RectF& rect, gfx::CombineMode) override {
    gfx::Path p;
    p.AddRect(rect);
    Paints.push_back({'c', p.Bounds(&transform_), {}, 0, {}});
  }
  void SetClip(const gfx::Path& path, gfx::CombineMode) override {
    Paints.push_back({'c', path.Bounds(&transform_), {}, 0, {}});
  }
  void ResetClip() override {}
  void SetSmoothing(bool) override {}
  bool GetSmoothing() const override { return true; }
  void FillRect(const gfx::SolidBrush&, const gfx::RectF&) override {}
  void FillPath(const gfx::SolidBrush& brush, const gfx::Path& path) override {
    Paints.push_back({'f', path.Bounds(&transform_), {}, brush.color, {}});
  }
  void DrawPath(const gfx::Pen& pen, const gfx::Path& path) override {
    Paints.push_back({'s', path.Bounds(&transform_), pen, pen.color, {}});
  }
  void DrawImage(const vn::platform::Bitmap& bitmap, const gfx::RectF& dest, double,
                 gfx::Interpolation) override {
    gfx::Path p;
    p.AddRect(dest);
    Paints.push_back({'i', p.Bounds(&transform_), {}, 0, bitmap});
  }

  // The paints of one kind, in order.
  std::vector<Paint> Of(char AKind) const {
    std::vector<Paint> out;
    for (const Paint& p : Paints)
      if (p.Kind == AKind) out.push_back(p);
    return out;
  }

 private:
  gfx::Matrix transform_;
  std::vector<gfx::Matrix> saved_;
};

std::string Stream(const std::string& AEntries, const std::string& AData) {
  return "<< /Length " + std::to_string(AData.size()) + " " + AEntries + " >>\nstream\n" + AData + "\nendstream";
}

// The page (box, resources, content, further objects from 5) drawn at 72
// dpi onto a recording Graphics.
RecordingGraphics Draw(const std::string& ABox, const std::string& AResources, const std::string& AContent,
                       const std::vector<std::string>& AObjects = {}) {
  std::vector<std::string> objects = {
      "<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
      "<< /Type /Page /Parent 2 0 R /MediaBox [" + ABox + "] /Resources << " + AResources + " >> /Contents 4 0 R >>",
      Stream("", AContent)};
  objects.insert(objects.end(), AObjects.begin(), AObjects.end());
  const std::filesystem::path file = std::filesystem::temp_directory_path() / "device_page.pdf";
  std::ofstream(file, std::ios::binary) << vn::test_support::PdfOfObjects(objects);
  TvnPDFDocumentHandler handler;
  handler.LoadDocument(file);
  RecordingGraphics graphics;
  RenderPage(*handler.GetPage(1), graphics, 72);
  return graphics;
}

TEST(ImageDevice, CleansFontNames) {
  struct Case {
    const char* Name;
    const char* Cleaned;
    bool Bold, Italic;
  };
  const Case cases[] = {
      {"Arial,Bold", "Arial", true, false},
      {"ABCDEF+TimesNewRomanPS-BoldMT", "ABCDEFTimesNewRoman", true, false},
      {"Verdana-BoldItalic", "Verdana", true, true},
      {"Courier New", "CourierNew", false, false},
  };
  for (const Case& c : cases) {
    bool bold = false, italic = false;
    EXPECT_EQ(TvnPDImageDevice::CleanFontName(c.Name, bold, italic), c.Cleaned) << c.Name;
    EXPECT_EQ(bold, c.Bold) << c.Name;
    EXPECT_EQ(italic, c.Italic) << c.Name;
  }
}

TEST(ImageDevice, MapsUserSpaceOntoAPageWithYDown) {
  // (0, 792) is the top-left corner, also for a box with negative
  // coordinates, where the box's own corner is the page's.
  struct Case {
    const char* Box;
    const char* Rect;
    gfx::RectF Expected;
  };
  const Case cases[] = {
      {"0 0 612 792", "0 782 10 10", {0, 0, 10, 10}},
      {"0 0 612 792", "0 0 10 10", {0, 782, 10, 10}},
      {"-300 -200 0 0", "-300 -10 10 10", {0, 0, 10, 10}},
      {"-300 -200 0 0", "-10 -200 10 10", {290, 190, 10, 10}},
  };
  for (const Case& c : cases) {
    const RecordingGraphics g = Draw(c.Box, "", std::string(c.Rect) + " re f");
    const auto fills = g.Of('f');
    ASSERT_EQ(fills.size(), 1u) << c.Box << " " << c.Rect;
    const gfx::RectF& r = *fills[0].Bounds;
    EXPECT_NEAR(r.x, c.Expected.x, 1e-6) << c.Box << " " << c.Rect;
    EXPECT_NEAR(r.y, c.Expected.y, 1e-6) << c.Box << " " << c.Rect;
    EXPECT_NEAR(r.width, c.Expected.width, 1e-6) << c.Box << " " << c.Rect;
  }
}

TEST(ImageDevice, DashesKeepTheirPhaseInUserUnits) {
  struct Case {
    const char* Dash;
    std::vector<double> Dashes;
    double Offset;
  };
  const Case cases[] = {
      {"[6 3] 4 d", {6, 3}, 4},  // not 4 / 2
      {"[3] 0 d", {3}, 0},       // the Graphics repeats an odd list
      {"[0 2] 1 d", {0, 2}, 1},  // dots stay dots
      {"[] 0 d", {}, 0},
  };
  for (const Case& c : cases) {
    const RecordingGraphics g = Draw("0 0 100 100", "", std::string("2 w ") + c.Dash + " 10 10 m 90 10 l S");
    const auto strokes = g.Of('s');
    ASSERT_EQ(strokes.size(), 1u) << c.Dash;
    EXPECT_EQ(strokes[0].Pen.dashes, c.Dashes) << c.Dash;
    EXPECT_DOUBLE_EQ(strokes[0].Pen.dashOffset, c.Offset) << c.Dash;
    EXPECT_DOUBLE_EQ(strokes[0].Pen.width, 2) << c.Dash;
  }
}

TEST(ImageDevice, TextRenderModes) {
  const std::string font = "/Font << /F1 << /Type /Font /Subtype /Type1 /BaseFont /Helvetica >> >>";
  struct Case {
    int Mode;
    size_t Fills, Strokes;
    bool Clips;
  };
  const Case cases[] = {{0, 1, 0, false}, {1, 0, 1, false}, {2, 1, 1, false}, {3, 0, 0, false},
                        {4, 1, 0, true},  {5, 0, 1, true},  {6, 1, 1, true},  {7, 0, 0, true}};
  for (const Case& c : cases) {
    const RecordingGraphics g =
        Draw("0 0 200 100", font, "3 w BT /F1 50 Tf " + std::to_string(c.Mode) + " Tr 10 20 Td (I) Tj ET");
    EXPECT_EQ(g.Of('f').size(), c.Fills) << c.Mode;
    ASSERT_EQ(g.Of('s').size(), c.Strokes) << c.Mode;
    // The outline is stroked with the line width in user units.
    if (c.Strokes) EXPECT_DOUBLE_EQ(g.Of('s')[0].Pen.width, 3) << c.Mode;
    // The page clip, then the glyph's at ET for the clipping modes.
    EXPECT_EQ(g.Of('c').size(), c.Clips ? 3u : 2u) << c.Mode;
  }
}

TEST(ImageDevice, GlyphsScaleExactlyWithTheFontSize) {
  const std::string font = "/Font << /F1 << /Type /Font /Subtype /Type1 /BaseFont /Helvetica >> >>";
  const auto height = [&](const std::string& size) {
    const auto fills = Draw("0 0 300 300", font, "BT /F1 " + size + " Tf 10 20 Td (I) Tj ET").Of('f');
    return fills.empty() ? 0.0 : fills[0].Bounds->height;
  };
  EXPECT_NEAR(height("50.4") / height("12"), 50.4 / 12, 1e-9);
}

TEST(ImageDevice, FilledGlyphsStandOnWholeRowsAndQuarterPixels) {
  // At 72 dpi on a page 100 high: the baseline moves up to the pixel row
  // above it; across, a glyph whose face box is at most 48 pixels tall
  // moves left to a quarter pixel, a taller one to a whole pixel. Stroked
  // glyphs and the clip of clipping modes keep their exact place.
  const std::string font = "/Font << /F1 << /Type /Font /Subtype /Type1 /BaseFont /Helvetica >> >>";
  struct Case {
    const char* Size;
    const char* Mode;
    double X, Y;
    double Dx;      // the glyph's left side, from where it stands at x = 10
    double Bottom;  // the glyph's bottom in device pixels ('I' sits on the baseline)
  };
  const Case cases[] = {
      {"12", "0", 10.3, 20.3, 0.25, 79},  {"12", "0", 10.2, 20.0, 0, 80},  {"12", "0", 10.9, 20.9, 0.75, 79},
      {"60", "0", 10.3, 20.3, 0, 79},     {"60", "0", 10.9, 20.9, 0, 79},  {"12", "1", 10.3, 20.3, 0.3, 79.7},
      {"12", "4", 10.3, 20.3, 0.25, 79},  {"12", "2", 10.3, 20.3, 0.3, 79.7},
  };
  const auto glyph = [&](const Case& c, double AX) {
    const RecordingGraphics g = Draw("0 0 200 100", font,
                                     "0.1 w BT /F1 " + std::string(c.Size) + " Tf " + c.Mode + " Tr " +
                                         std::to_string(AX) + " " + std::to_string(c.Y) + " Td (I) Tj ET");
    const std::string mode = c.Mode;
    const auto paints = g.Of(mode == "0" || mode == "4" ? 'f' : 's');
    // What a clipping mode adds to the clip stays where the text is.
    if (mode == "4") {
      const auto clips = g.Of('c');
      EXPECT_NEAR(clips.back().Bounds->y + clips.back().Bounds->height, 100 - c.Y, 1e-6);
    }
    return paints.empty() ? gfx::RectF{} : *paints[0].Bounds;
  };
  for (const Case& c : cases) {
    const gfx::RectF at = glyph(c, c.X), at10 = glyph(c, 10);
    EXPECT_NEAR(at.x - at10.x, c.Dx, 1e-6) << c.Size << " " << c.X;
    EXPECT_NEAR(at.y + at.height, c.Bottom, 1e-6) << c.Size << " " << c.Y;
  }
}

TEST(ImageDevice, Type3GlyphsStandWhereOtherGlyphsStand) {
  // A square from 100 to 900 of a 1000-unit box at 10 points: its origin
  // at (20.3, 69.4) on the page moves to (20.25, 69), the square's left
  // side to 21.25 and its top to 60; what follows the glyph stays exact.
  const RecordingGraphics g =
      Draw("0 0 200 100",
           "/Font << /T3 << /Type /Font /Subtype /Type3 /FontBBox [0 0 1000 1000] /FontMatrix [0.001 0 0 0.001 0 "
           "0] /CharProcs << /sq 5 0 R >> /Encoding << /Type /Encoding /Differences [65 /sq] >> /FirstChar 65 "
           "/LastChar 65 /Widths [1000] >> >>",
           "BT /T3 10 Tf 20.3 30.6 Td (A) Tj ET 50.3 50.3 m 55 50.3 l 52 55 l f",
           {Stream("", "1000 0 0 0 1000 1000 d1 100 100 800 800 re f")});
  const auto fills = g.Of('f');
  ASSERT_EQ(fills.size(), 2u);
  EXPECT_NEAR(fills[0].Bounds->x, 21.25, 1e-6);
  EXPECT_NEAR(fills[0].Bounds->y, 60, 1e-6);
  EXPECT_NEAR(fills[0].Bounds->width, 8, 1e-6);
  EXPECT_NEAR(fills[1].Bounds->x, 50.3, 1e-6);
  EXPECT_NEAR(fills[1].Bounds->y, 45, 1e-6);
}

TEST(ImageDevice, RulesFramesAndBoxesStandOnWholePixels) {
  // At 72 dpi on a page 100 high (device y = 100 - y). Strokes along the
  // axes get edges on pixel edges, at least a pixel apart (a 0.1 hairline
  // becomes one full pixel), flat ends on pixel edges; axis-aligned
  // rectangles are filled on whole pixels. Curves, slants, other caps at
  // the ends and transforms that stretch one way more than the other stay
  // exact.
  struct Case {
    const char* Content;
    char Kind;
    gfx::RectF Bounds;  // of the path, device pixels
    double Width;       // the pen's, user units (strokes)
  };
  const Case cases[] = {
      {"0.1 w 10 20.3 m 90 20.3 l S", 's', {10, 80.5, 80, 0}, 1},
      {"1.5 w 10 20.3 m 90 20.3 l S", 's', {10, 79.5, 80, 0}, 1},
      {"2 w 10 20.5 m 90 20.5 l S", 's', {10, 80, 80, 0}, 2},
      {"0 w 10.4 10 m 10.4 90 l S", 's', {10.5, 10, 0, 80}, 1},
      {"0.1 w 10.3 20.3 m 89.6 20.3 l S", 's', {10, 80.5, 80, 0}, 1},
      {"1 J 0.1 w 10.3 20.3 m 89.6 20.3 l S", 's', {10.3, 80.5, 79.3, 0}, 1},
      {"[3 2] 0 d 0.1 w 10 20.3 m 90 20.3 l S", 's', {10, 80.5, 80, 0}, 1},
      {"0.1 w 10.2 10.2 50 30 re S", 's', {10.5, 60.5, 50, 30}, 1},
      {"0.1 w 10 20 m 90 60 l S", 's', {10, 40, 80, 40}, 0.1},
      {"0.1 w 10 20.3 m 40 30 60 30 90 20.3 c S", 's', {10, 70, 80, 9.7}, 0.1},
      {"2 0 0 1 0 0 cm 0.1 w 10 20.3 m 40 20.3 l S", 's', {20, 79.7, 60, 0}, 0.1},
      {"10.3 20.6 50.2 0.1 re f", 'f', {10, 79, 51, 1}, -1},
      {"10.3 20.6 m 60.5 20.6 l 60.5 50.2 l f", 'f', {10.3, 49.8, 50.2, 29.6}, -1},
  };
  for (const Case& c : cases) {
    const auto paints = Draw("0 0 100 100", "", c.Content).Of(c.Kind);
    ASSERT_EQ(paints.size(), 1u) << c.Content;
    const gfx::RectF& b = *paints[0].Bounds;
    EXPECT_NEAR(b.x, c.Bounds.x, 1e-6) << c.Content;
    EXPECT_NEAR(b.y, c.Bounds.y, 1e-6) << c.Content;
    EXPECT_NEAR(b.width, c.Bounds.width, 1e-6) << c.Content;
    EXPECT_NEAR(b.height, c.Bounds.height, 1e-6) << c.Content;
    if (c.Width >= 0) EXPECT_NEAR(paints[0].Pen.width, c.Width, 1e-9) << c.Content;
  }
}

TEST(ImageDevice, StandardFontsDrawWithTheirOwnTwins) {
  // Helvetica, which the font model names Arial, is drawn with its metric
  // twin (cap height 0.729 em), Arial with Arial's (0.688 em).
  const auto cap = [&](const char* ABaseFont) {
    const auto fills = Draw("0 0 300 300",
                            std::string("/Font << /F1 << /Type /Font /Subtype /TrueType /BaseFont /") + ABaseFont +
                                " >> >>",
                            "BT /F1 100 Tf 10 20 Td (H) Tj ET")
                           .Of('f');
    return fills.empty() ? 0.0 : fills[0].Bounds->height;
  };
  EXPECT_NEAR(cap("Helvetica"), 72.9, 0.5);
  EXPECT_NEAR(cap("Arial"), 68.8, 0.5);
}

TEST(ImageDevice, ObliqueStandardFontsDrawSlanted) {
  // An upright "I" is as wide as its stem; a slanted one leans over by
  // tan 12 degrees of its height, some 15 units more at size 100.
  const auto width = [&](const std::string& ABaseFont) {
    const auto fills = Draw("0 0 300 300",
                            "/Font << /F1 << /Type /Font /Subtype /Type1 /BaseFont /" + ABaseFont + " >> >>",
                            "BT /F1 100 Tf 10 20 Td (I) Tj ET")
                           .Of('f');
    return fills.empty() ? 0.0 : fills[0].Bounds->width;
  };
  for (const std::string family : {"Helvetica", "Courier"}) {
    SCOPED_TRACE(family);
    EXPECT_GT(width(family + "-Oblique"), width(family) + 10);
    EXPECT_GT(width(family + "-BoldOblique"), width(family + "-Bold") + 10);
  }
}

TEST(ImageDevice, InstalledFacesKeepToTheFontsWidths) {
  // A font drawn with an installed face: a glyph wider than the width the
  // font gives its character is narrowed to that width, so letters do not
  // run into each other; a glyph as wide or narrower keeps its shape.
  const auto ink = [&](const std::string& AWidths) {
    const auto fills = Draw("0 0 300 300",
                            "/Font << /F1 << /Type /Font /Subtype /Type1 /BaseFont /Helvetica-Bold " + AWidths +
                                " >> >>",
                            "BT /F1 100 Tf 10 20 Td (M) Tj ET")
                           .Of('f');
    return fills.empty() ? 0.0 : fills[0].Bounds->width;
  };
  const double natural = ink("");  // the standard font's own width, 833
  ASSERT_GT(natural, 60);
  struct Case {
    const char* widths;
    double low, high;
  };
  const Case cases[] = {
      {"/FirstChar 77 /LastChar 77 /Widths [300]", 0.2 * natural, 30},
      {"/FirstChar 77 /LastChar 77 /Widths [833]", natural - 0.5, natural + 0.5},
      {"/FirstChar 77 /LastChar 77 /Widths [1500]", natural - 0.5, natural + 0.5},
      // A width of 0 leaves the glyph as it is.
      {"/FirstChar 77 /LastChar 77 /Widths [0]", natural - 0.5, natural + 0.5},
  };
  for (const Case& c : cases) {
    const double width = ink(c.widths);
    EXPECT_GE(width, c.low) << c.widths;
    EXPECT_LE(width, c.high) << c.widths;
  }
}

TEST(ImageDevice, FormsAreClippedToTheirBoxWhereverItLies) {
  for (const char* box : {"[0 0 100 100]", "[10 10 100 100]", "[-50 -40 50 40]"}) {
    const RecordingGraphics g =
        Draw("0 0 300 300", "/XObject << /Fm1 5 0 R >>", "q 1 0 0 1 150 150 cm /Fm1 Do Q",
             {Stream(std::string("/Type /XObject /Subtype /Form /BBox ") + box, "-500 -500 1000 1000 re f")});
    const auto clips = g.Of('c');
    ASSERT_EQ(clips.size(), 3u) << box;  // page, crop box, form box
    gfx::RectF expected{};
    std::sscanf(box, "[%lf %lf %lf %lf]", &expected.x, &expected.y, &expected.width, &expected.height);
    EXPECT_NEAR(clips[2].Bounds->x, 150 + expected.x, 1e-6) << box;
    EXPECT_NEAR(clips[2].Bounds->width, expected.width - expected.x, 1e-6) << box;
    EXPECT_NEAR(clips[2].Bounds->y, 300 - 150 - expected.height, 1e-6) << box;
  }
}

TEST(ImageDevice, ShOperatorPaintsAxialAndRadialShadings) {
  const std::string function = "/Function << /FunctionType 2 /Domain [0 1] /C0 [1 0 0] /C1 [0 0 1] /N 1 >>";
  struct Case {
    const char* Name;
    std::string Shading;
    uint8_t LeftRed, RightRed;  // red at the centres of pixels 5 and 95 of the middle row
  };
  const Case cases[] = {
      {"axial", "/ShadingType 2 /Coords [0 0 100 0] " + function, 241, 11},
      {"radial", "/ShadingType 3 /Coords [0 50 0 0 50 100] /Extend [false true] " + function, 241, 11},
  };
  for (const Case& c : cases) {
    const RecordingGraphics g = Draw("0 0 100 100", "/Shading << /Sh1 << /ColorSpace /DeviceRGB " + c.Shading + " >> >>",
                                     "/Sh1 sh");
    const auto images = g.Of('i');
    ASSERT_EQ(images.size(), 1u) << c.Name;
    const vn::platform::Bitmap& b = images[0].Image;
    ASSERT_EQ(b.Width(), 100) << c.Name;
    EXPECT_NEAR(b.Pixel(5, 50).R, c.LeftRed, 4) << c.Name;
    EXPECT_NEAR(b.Pixel(95, 50).R, c.RightRed, 4) << c.Name;
    EXPECT_EQ(b.Pixel(95, 50).A, 255) << c.Name;
  }
}

TEST(ImageDevice, DamagedMeshShadingsDrawWhatTheyHoldOrNothing) {
  const std::string rgb = "/ColorSpace /DeviceRGB /BitsPerCoordinate 8 /BitsPerComponent 8 /BitsPerFlag 8 "
                          "/Decode [0 100 0 100 0 1 0 1 0 1] /Filter /ASCIIHexDecode";
  struct Case {
    const char* Name;
    std::string Entries, Data;
    size_t Images;  // 1: painted (what it holds), 0: nothing drawn
  };
  const Case cases[] = {
      // Two whole triangles and a vertex cut short.
      {"truncated free-form", "/ShadingType 4 " + rgb, "000000FF0000 00FF0000FF00 0000FF0000FF 01FFFF00>", 1},
      // A patch that continues a previous one which is not there.
      {"continued first patch", "/ShadingType 6 " + rgb, "02 1E1E 1E50>", 1},
      {"lattice without rows", "/ShadingType 5 /VerticesPerRow 0 " + rgb, "0000FF0000 FF0000FF00>", 1},
      {"coordinates of 40 bits",
       "/ShadingType 4 /ColorSpace /DeviceRGB /BitsPerCoordinate 40 /BitsPerComponent 8 /BitsPerFlag 8 "
       "/Decode [0 100 0 100 0 1 0 1 0 1] /Filter /ASCIIHexDecode",
       "00>", 0},
      {"no decode ranges", "/ShadingType 4 /ColorSpace /DeviceRGB /BitsPerCoordinate 8 /BitsPerComponent 8 "
                           "/BitsPerFlag 8 /Filter /ASCIIHexDecode",
       "00>", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    const RecordingGraphics g =
        Draw("0 0 100 100", "/Shading << /Sh1 5 0 R >>", "/Sh1 sh", {Stream(c.Entries, c.Data)});
    EXPECT_EQ(g.Of('i').size(), c.Images);
  }
}

TEST(ImageDevice, Type3GlyphsNamedByTheBaseEncoding) {
  // No /Differences: code 65 is named A by the standard encoding.
  const RecordingGraphics g =
      Draw("0 0 100 100",
           "/Font << /T3 << /Type /Font /Subtype /Type3 /FontBBox [0 0 1000 1000] /FontMatrix [0.001 0 0 0.001 0 "
           "0] /CharProcs << /A 5 0 R >> /Encoding /StandardEncoding /FirstChar 65 /LastChar 65 /Widths [1000] >> >>",
           "BT /T3 10 Tf 10 10 Td (A) Tj ET", {Stream("", "1000 0 0 0 1000 1000 d1 0 0 1000 1000 re f")});
  const auto fills = g.Of('f');
  ASSERT_EQ(fills.size(), 1u);
  EXPECT_NEAR(fills[0].Bounds->width, 10, 1e-6);
}

}  // namespace vn::pdfdoc::pd_image_device_test
