// Small pages built in code, each showing one drawing feature (fonts, render
// modes, dashes, clips, forms, transparency, rotation, a page box with
// negative coordinates, images with masks, tiling and shading patterns),
// recorded by the rendering device, played from the metafile on cairo at
// 96 dpi and compared with pdftoppm: normalised RMSE at most 0.06. The same
// recordings played through the export engine into PDF pass qpdf --check
// and render within the same threshold.
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include <gtest/gtest.h>

#include "export/metafile_processor.h"
#include "pdfdocument/page_render_testing.h"
#include "pdfdocument/pd_image_device.h"
#include "pdfwriter/extended_pdf_engine.h"
#include "support/pdf_files.h"
#include "support/prerequisites.h"

namespace vn::pdfdoc::page_renderer_test {

using namespace page_render_testing;

constexpr double kThreshold = 0.06;

std::string Stream(const std::string& AEntries, const std::string& AData) {
  return "<< /Length " + std::to_string(AData.size()) + " " + AEntries + " >>\nstream\n" + AData + "\nendstream";
}

// A one-page PDF: the page's box, its other entries, its resources, its
// content, and further objects numbered from 5 on.
std::string PagePdf(const std::string& ABox, const std::string& AResources, const std::string& AContent,
                    const std::vector<std::string>& AObjects = {}, const std::string& APageEntries = "") {
  std::vector<std::string> objects = {
      "<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
      "<< /Type /Page /Parent 2 0 R /MediaBox [" + ABox + "] /Resources << " + AResources + " >> /Contents 4 0 R " +
          APageEntries + " >>",
      Stream("", AContent)};
  objects.insert(objects.end(), AObjects.begin(), AObjects.end());
  return vn::test_support::PdfOfObjects(objects);
}

const std::string kHelvetica = "/Font << /F1 << /Type /Font /Subtype /Type1 /BaseFont /Helvetica >> >>";

struct Fixture {
  const char* Name;
  std::string Pdf;
  // When given, the page pdftoppm renders instead: the same picture made
  // without the feature pdftoppm draws otherwise.
  std::string Reference;
};

// Hex digits of an RGB ramp image of w x h pixels.
std::string RgbRamp(int w, int h) {
  std::string hex;
  char buf[32];
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      std::snprintf(buf, sizeof buf, "%02X%02X%02X", x * 255 / (w - 1), y * 255 / (h - 1), 128);
      hex += buf;
    }
  return hex + ">";
}

std::vector<Fixture> Fixtures() {
  const std::string box = "0 0 300 200";
  const std::string image = "/Type /XObject /Subtype /Image /Width 4 /Height 4 /BitsPerComponent 8 "
                            "/ColorSpace /DeviceRGB /Filter /ASCIIHexDecode";
  return {
      {"standard_fonts",
       PagePdf(box,
               "/Font << /F1 << /Type /Font /Subtype /Type1 /BaseFont /Helvetica >> /F2 << /Type /Font /Subtype "
               "/Type1 /BaseFont /Times-Bold >> /F3 << /Type /Font /Subtype /Type1 /BaseFont /Courier >> >>",
               "BT /F1 24 Tf 20 150 Td (Hello, World) Tj /F2 24 Tf 0 -50 Td (Times Bold) Tj /F3 20 Tf 0 -50 Td "
               "(Courier 123) Tj ET")},
      {"render_modes",
       PagePdf(box, kHelvetica,
               "BT /F1 40 Tf 2 w 10 140 Td (Fill) Tj 1 Tr 1 0 0 RG 130 0 Td (Line) Tj ET "
               "BT 2 Tr /F1 40 Tf 0 0 1 rg 10 80 Td (Both) Tj ET "
               "q BT 7 Tr /F1 60 Tf 10 20 Td (CLIP) Tj ET 0 0.6 0 rg 0 0 300 200 re f Q")},
      {"text_scaling_rise",
       PagePdf(box, kHelvetica,
               "BT /F1 20 Tf 150 Tz 10 150 Td (Wide text) Tj 50 Tz 0 -40 Td (Narrow text) Tj 100 Tz 5 Ts 0 -40 "
               "Td (Risen) Tj 0 Ts 10 Tc 0 -40 Td (Spaced) Tj ET")},
      {"dashes_caps_joins",
       PagePdf(box, "",
               "4 w [12 6] 0 d 20 180 m 280 180 l S [12 6] 9 d 20 160 m 280 160 l S [] 0 d 1 J [0 10] 0 d 20 140 m "
               "280 140 l S [] 0 d 0 J 10 w 0 j 30 20 m 70 100 l 110 20 l S 1 j 130 20 m 170 100 l 210 20 l S 2 j "
               "2 J 230 20 m 260 100 l 290 20 l S")},
      {"curves_and_even_odd",
       PagePdf(box, "",
               "0 0 1 rg 50 100 m 50 180 150 180 150 100 c 150 20 50 20 50 100 c f 1 0 0 rg 200 20 m 240 180 l "
               "280 20 l 180 120 l 290 120 l h f* 0 g 2 w 160 190 m 190 10 l S")},
      {"clip_paths",
       PagePdf(box, "",
               "q 150 100 m 250 100 250 190 150 190 c 50 190 50 100 150 100 c h W n 0 0 1 rg 0 0 300 200 re f Q "
               "q 10 10 100 60 re 60 30 100 60 re W* n 1 0 0 rg 0 0 300 200 re f Q")},
      {"form_with_negative_box",
       PagePdf(box, "/XObject << /Fm1 5 0 R >>", "q 1 0 0 1 150 100 cm /Fm1 Do Q",
               {Stream("/Type /XObject /Subtype /Form /BBox [-50 -40 50 40] /Matrix [1 0 0 1 0 0]",
                       "0 0.5 0 rg -200 -200 400 400 re f 1 1 0 rg -30 -30 60 60 re f")})},
      {"transparency",
       PagePdf(box, "/ExtGState << /G1 << /ca 0.5 /CA 0.5 >> >>",
               "1 0 0 rg 30 30 150 120 re f /G1 gs 0 0 1 rg 120 60 150 120 re f 0 1 0 RG 12 w 20 100 m 280 100 l "
               "S")},
      {"rotated_page",
       PagePdf(box, kHelvetica, "1 0 0 rg 10 10 100 50 re f BT /F1 30 Tf 20 120 Td (Turned) Tj ET", {},
               "/Rotate 90")},
      {"negative_page_box",
       PagePdf("-300 -200 0 0", kHelvetica,
               "0 0 1 rg -290 -190 100 80 re f BT /F1 24 Tf -180 -60 Td (Box) Tj ET 1 0 0 RG 3 w -300 -200 m 0 0 "
               "l S")},
      {"image_rgb",
       PagePdf(box, "/XObject << /Im1 5 0 R >>", "q 200 0 0 150 50 25 cm /Im1 Do Q", {Stream(image, RgbRamp(4, 4))})},
      {"image_stencil_mask",
       PagePdf(box, "/XObject << /Im1 5 0 R >>", "0 0.5 1 rg q 150 0 0 150 15 15 cm /Im1 Do Q 1 0 0 rg q 75 0 0 75 "
                                                 "195 60 cm /Im1 Do Q",
               {Stream("/Type /XObject /Subtype /Image /Width 8 /Height 8 /ImageMask true /Filter /ASCIIHexDecode",
                       "FF81BDA5A5BD81FF>")})},
      {"image_explicit_mask",
       PagePdf(box, "/XObject << /Im1 5 0 R >>", "0 1 0 rg 0 0 300 200 re f q 200 0 0 150 50 25 cm /Im1 Do Q",
               {Stream(image + " /Mask 6 0 R", RgbRamp(4, 4)),
                Stream("/Type /XObject /Subtype /Image /Width 4 /Height 4 /ImageMask true /Filter /ASCIIHexDecode",
                       "90906060>")})},
      {"image_soft_mask",
       PagePdf(box, "/XObject << /Im1 5 0 R >>", "0 0 1 rg 0 0 300 200 re f q 200 0 0 150 50 25 cm /Im1 Do Q",
               {Stream(image + " /SMask 6 0 R", RgbRamp(4, 4)),
                Stream("/Type /XObject /Subtype /Image /Width 4 /Height 1 /BitsPerComponent 8 /ColorSpace /DeviceGray "
                       "/Filter /ASCIIHexDecode",
                       "FFB04000>")})},
      {"image_color_key",
       PagePdf(box, "/XObject << /Im1 5 0 R >>", "1 1 0 rg 0 0 300 200 re f q 200 0 0 150 50 25 cm /Im1 Do Q",
               {Stream(image + " /Mask [0 90 0 255 0 255]", RgbRamp(4, 4))})},
      // Tiles of whole pixels at 96 dpi (pdftoppm shifts tiles whose step is
      // a fraction of a pixel).
      {"tiling_coloured",
       PagePdf(box, "/Pattern << /P1 5 0 R >>",
               "/Pattern cs /P1 scn 15 15 270 165 re f",
               {Stream("/PatternType 1 /PaintType 1 /TilingType 1 /BBox [0 0 15 15] /XStep 15 /YStep 15 /Resources "
                       "<< >>",
                       "1 0 0 rg 1.5 1.5 4.5 4.5 re f 0 0 1 rg 9 9 4.5 4.5 re f")})},
      {"tiling_uncoloured",
       PagePdf(box, "/Pattern << /P1 5 0 R >> /ColorSpace << /Cs1 [/Pattern /DeviceRGB] >>",
               "/Cs1 cs 0 0.6 0 /P1 scn 150 100 m 280 100 280 190 150 190 c 20 190 20 100 150 100 c f",
               {Stream("/PatternType 1 /PaintType 2 /TilingType 1 /BBox [0 0 12 12] /XStep 12 /YStep 12 /Matrix "
                       "[1 0 0 1 3 6] /Resources << >>",
                       "0 0 6 12 re f")})},
      {"axial_shading",
       PagePdf(box, "/Shading << /Sh1 << /ShadingType 2 /ColorSpace /DeviceRGB /Coords [20 0 280 0] /Extend "
                    "[true true] /Function << /FunctionType 2 /Domain [0 1] /C0 [1 0 0] /C1 [0 0 1] /N 1 >> >> >>",
               "q 20 20 260 160 re W n /Sh1 sh Q")},
      {"radial_shading_pattern",
       PagePdf(box, "/Pattern << /P1 << /PatternType 2 /Shading << /ShadingType 3 /ColorSpace /DeviceRGB /Coords "
                    "[150 100 0 150 100 90] /Function << /FunctionType 2 /Domain [0 1] /C0 [1 1 0] /C1 [0 0.5 0] /N "
                    "1 >> >> >> >>",
               "/Pattern cs /P1 scn 30 10 240 180 re f")},
      {"free_form_mesh",
       PagePdf(box, "/Shading << /Sh1 5 0 R >>", "/Sh1 sh",
               {Stream("/ShadingType 4 /ColorSpace /DeviceRGB /BitsPerCoordinate 8 /BitsPerComponent 8 "
                       "/BitsPerFlag 8 /Decode [0 255 0 255 0 1 0 1 0 1] /Filter /ASCIIHexDecode",
                       "001414FF0000 00F01400FF00 0082B40000FF 01FAB4FFFF00>")})},
      {"coons_patch_mesh",
       PagePdf(box, "/Shading << /Sh1 5 0 R >>", "/Sh1 sh",
               {Stream("/ShadingType 6 /ColorSpace /DeviceRGB /BitsPerCoordinate 8 /BitsPerComponent 8 "
                       "/BitsPerFlag 8 /Decode [0 255 0 255 0 1 0 1 0 1] /Filter /ASCIIHexDecode",
                       "00 1E1E 1E50 1E82 1EB4 64BE AAAA F0B4 FA82 E650 F014 AA28 6414 FF0000 00FF00 0000FF "
                       "FFFF00>")})},
      {"soft_mask_luminosity",
       PagePdf(box, "/ExtGState << /G1 << /SMask << /Type /Mask /S /Luminosity /G 5 0 R >> >> >>",
               "0 0 1 rg 0 0 300 200 re f /G1 gs 1 0 0 rg 20 20 260 160 re f",
               {Stream("/Type /XObject /Subtype /Form /BBox [0 0 300 200] /Group << /S /Transparency /CS "
                       "/DeviceGray >> /Resources << /Shading << /Sh1 << /ShadingType 2 /ColorSpace /DeviceGray "
                       "/Coords [20 0 280 0] /Function << /FunctionType 2 /Domain [0 1] /C0 [1] /C1 [0] /N 1 >> >> "
                       ">> >>",
                       "/Sh1 sh")})},
      // A luminosity mask through its transfer function (here inverting
      // it).
      {"soft_mask_transfer",
       PagePdf(box, "/ExtGState << /G1 << /SMask << /Type /Mask /S /Luminosity /G 5 0 R /TR 6 0 R >> >> >>",
               "0 0 1 rg 0 0 300 200 re f /G1 gs 1 0 0 rg 20 20 260 160 re f",
               {Stream("/Type /XObject /Subtype /Form /BBox [0 0 300 200] /Group << /S /Transparency /CS "
                       "/DeviceGray >> /Resources << /Shading << /Sh1 << /ShadingType 2 /ColorSpace /DeviceGray "
                       "/Coords [20 0 200 0] /Function << /FunctionType 2 /Domain [0 1] /C0 [1] /C1 [0] /N 1 >> >> "
                       ">> >>",
                       "/Sh1 sh"),
                Stream("/FunctionType 4 /Domain [0 1] /Range [0 1]", "{ 1 exch sub }")})},
      {"soft_mask_alpha",
       PagePdf(box, "/ExtGState << /G1 << /SMask << /Type /Mask /S /Alpha /G 5 0 R >> >> >>",
               "1 1 0 rg 0 0 300 200 re f q /G1 gs 0 0 1 rg 20 20 260 160 re f Q 1 0 0 RG 4 w 10 10 m 290 190 l S",
               {Stream("/Type /XObject /Subtype /Form /BBox [0 0 300 200] /Group << /S /Transparency >> "
                       "/Resources << /ExtGState << /H << /ca 0.5 >> >> >>",
                       "0 g 150 100 m 230 100 l 230 180 l 70 180 l h f /H gs 30 20 120 70 re f")})},
      {"transparency_group",
       PagePdf(box, "/ExtGState << /G1 << /ca 0.5 >> >> /XObject << /Fm1 5 0 R >>",
               "0 g 0 90 300 20 re f /G1 gs /Fm1 Do",
               {Stream("/Type /XObject /Subtype /Form /BBox [0 0 300 200] /Group << /S /Transparency >>",
                       "1 0 0 rg 30 30 150 120 re f 0 0 1 rg 120 60 150 120 re f")})},
      // A knockout group: its second square replaces the first where they
      // overlap, each laid on the bar under the group. pdftoppm draws such
      // groups as plain ones, so the reference cuts the overlap out of the
      // first square.
      {"knockout_group",
       PagePdf(box, "/XObject << /Fm1 5 0 R >>", "0 g 0 90 300 20 re f /Fm1 Do",
               {Stream("/Type /XObject /Subtype /Form /BBox [0 0 300 200] /Group << /S /Transparency /K true >> "
                       "/Resources << /ExtGState << /H << /ca 0.5 >> >> >>",
                       "/H gs 1 0 0 rg 20 20 200 160 re f 0 0 1 rg 80 30 200 160 re f")}),
       PagePdf(box, "/ExtGState << /H << /ca 0.5 >> >>",
               "0 g 0 90 300 20 re f /H gs q 20 20 200 160 re W n 1 0 0 rg 20 20 200 160 re 80 30 200 160 re f* Q "
               "0 0 1 rg 80 30 200 160 re f")},
      {"blend_multiply",
       PagePdf(box, "/ExtGState << /G1 << /BM /Multiply >> >>",
               "1 1 0 rg 20 20 160 160 re f /G1 gs 0 1 1 rg 120 20 160 160 re f")},
      // A group blended as a whole (it reaches the recording as a picture),
      // on the red square only: over the bare page, pdftoppm blends with
      // nothing where the page is white here.
      {"blend_group_screen",
       PagePdf(box, "/ExtGState << /G1 << /BM /Screen >> >> /XObject << /Fm1 5 0 R >>",
               "1 0 0 rg 20 20 160 160 re f /G1 gs /Fm1 Do",
               {Stream("/Type /XObject /Subtype /Form /BBox [0 0 300 200] /Group << /S /Transparency >>",
                       "0 0 1 rg 60 40 100 120 re f 0 0.5 0 rg 80 60 40 40 re f")})},
      {"type3_font",
       PagePdf(box,
               "/Font << /T3 << /Type /Font /Subtype /Type3 /FontBBox [0 0 1000 1000] /FontMatrix [0.001 0 0 0.001 "
               "0 0] /CharProcs << /square 5 0 R /tri 6 0 R >> /Encoding << /Type /Encoding /Differences [65 "
               "/square /tri] >> /FirstChar 65 /LastChar 66 /Widths [1000 1000] >> >>",
               "BT /T3 40 Tf 20 80 Td (ABAB) Tj ET",
               {Stream("", "1000 0 0 0 1000 1000 d1 100 100 800 800 re f"),
                Stream("", "1000 0 0 0 1000 1000 d1 100 100 m 900 100 l 500 900 l f")})},
      // The font and size an ExtGState sets, taken back by Q; a text object
      // whose only font comes from one.
      {"extgstate_font",
       PagePdf(box, kHelvetica + " /ExtGState << /G1 << /Font [5 0 R 28] >> >>",
               "BT /F1 14 Tf 20 160 Td (Helvetica) Tj ET q BT /G1 gs 20 110 Td (Times Italic) Tj ET Q "
               "BT 20 60 Td (Helvetica again) Tj ET",
               {"<< /Type /Font /Subtype /Type1 /BaseFont /Times-Italic >>"})},
      // Glyphs that paint and then clip (modes 4 to 6): the bar drawn after
      // each line shows only inside its letters; invisible ones (mode 3).
      {"text_clip_modes",
       PagePdf(box, kHelvetica,
               "1 0 0 RG 0 0 1 rg 2 w q BT /F1 48 Tf 4 Tr 10 140 Td (Fill) Tj ET 0 0.6 0 rg 0 140 70 50 re f Q "
               "q BT /F1 48 Tf 5 Tr 10 80 Td (Line) Tj ET 0 0.6 0 rg 0 80 70 50 re f Q "
               "q BT /F1 48 Tf 6 Tr 10 20 Td (Both) Tj ET 0 0.6 0 rg 0 20 70 50 re f Q "
               "0 0 0 rg 200 20 80 160 re f BT /F1 30 Tf 3 Tr 150 100 Td (Unseen) Tj ET")},
      // Text filled with a shading pattern and with a tiling pattern (on a
      // page whose height is whole pixels, so that tiles meet on pixel edges).
      {"text_pattern_fill",
       PagePdf("0 0 300 210", kHelvetica + " /Pattern << /P1 << /PatternType 2 /Shading << /ShadingType 2 /ColorSpace "
                    "/DeviceRGB /Coords [10 0 290 0] /Function << /FunctionType 2 /Domain [0 1] /C0 [1 0 0] /C1 "
                    "[0 0 1] /N 1 >> >> >> /P2 5 0 R >>",
               "BT /F1 64 Tf /Pattern cs /P1 scn 10 120 Td (Gradient) Tj /P2 scn 0 -100 Td (Tiles) Tj ET",
               {Stream("/PatternType 1 /PaintType 1 /TilingType 1 /BBox [0 0 12 12] /XStep 12 /YStep 12 "
                       "/Resources << >>",
                       "0 0.5 0 rg 0 0 6 12 re f")})},
      // Line width, cap, join, miter limit and dash set by an ExtGState.
      {"extgstate_lines",
       PagePdf(box, "/ExtGState << /L1 << /LW 8 /LC 1 /LJ 1 /D [[16 8] 4] >> /L2 << /LW 12 /LC 2 /LJ 0 /ML 2 >> >>",
               "0 0 1 RG /L1 gs 20 180 m 280 180 l S 20 40 m 60 150 l 100 40 l S 1 0 0 RG /L2 gs 140 40 m 180 "
               "150 l 220 40 l S 240 60 m 280 60 l S")},
      // A function-based shading (a calculator function of x and y) and a
      // lattice mesh.
      {"function_and_lattice_shadings",
       PagePdf(box, "/Shading << /Sh1 << /ShadingType 1 /ColorSpace /DeviceRGB /Domain [0 1 0 1] /Matrix [120 0 0 "
                    "160 20 20] /Function 5 0 R >> /Sh2 6 0 R >>",
               "q 20 20 120 160 re W n /Sh1 sh Q /Sh2 sh",
               {Stream("/FunctionType 4 /Domain [0 1 0 1] /Range [0 1 0 1 0 1]", "{ 1 index 1 exch sub }"),
                Stream("/ShadingType 5 /ColorSpace /DeviceRGB /VerticesPerRow 2 /BitsPerCoordinate 8 "
                       "/BitsPerComponent 8 /Decode [0 255 0 255 0 1 0 1 0 1] /Filter /ASCIIHexDecode",
                       "A014FF0000 FA1E00FF00 A0B40000FF F0AAFFFF00>")})},
      // Patterns used inside a form map from the form's space: the tiles and
      // the gradient start at the form's origin, not the page's.
      {"patterns_in_form",
       PagePdf(box, "/XObject << /Fm1 5 0 R >>", "/Fm1 Do",
               {Stream("/Type /XObject /Subtype /Form /BBox [0 0 150 200] /Matrix [1 0 0 1 135 0] /Resources "
                       "<< /Pattern << /P1 6 0 R /P2 << /PatternType 2 /Shading << /ShadingType 2 /ColorSpace "
                       "/DeviceRGB /Coords [0 0 150 0] /Function << /FunctionType 2 /Domain [0 1] /C0 [1 0 0] "
                       "/C1 [0 0 1] /N 1 >> >> >> >> >>",
                       "/Pattern cs /P1 scn 0 105 150 90 re f /P2 scn 0 5 150 90 re f"),
                Stream("/PatternType 1 /PaintType 1 /TilingType 1 /BBox [0 0 30 30] /XStep 30 /YStep 30 "
                       "/Resources << >>",
                       "0 0.5 0 rg 0 0 15 15 re f 1 0.5 0 rg 15 15 15 15 re f")})},
      // A tiling pattern whose cells are filled with another pattern: the
      // inner one maps from the outer one's cell space, as the stripes the
      // reference draws in that space (pdftoppm maps it from the page's);
      // the colour set after the inner pattern paints without it.
      {"pattern_in_pattern",
       PagePdf(box, "/Pattern << /P1 5 0 R >>", "/Pattern cs /P1 scn 15 15 270 165 re f",
               {Stream("/PatternType 1 /PaintType 1 /TilingType 1 /BBox [0 0 30 30] /XStep 30 /YStep 30 "
                       "/Matrix [1.5 0 0 1.5 4.5 7.5] /Resources << /Pattern << /P2 6 0 R >> >>",
                       "/Pattern cs /P2 scn 0 0 20 20 re f 0 0 1 rg 20 20 10 10 re f"),
                Stream("/PatternType 1 /PaintType 1 /TilingType 1 /BBox [0 0 5 5] /XStep 5 /YStep 5 "
                       "/Resources << >>",
                       "1 0 0 rg 0 0 2.5 5 re f")}),
       PagePdf(box, "/Pattern << /P1 5 0 R >>", "/Pattern cs /P1 scn 15 15 270 165 re f",
               {Stream("/PatternType 1 /PaintType 1 /TilingType 1 /BBox [0 0 30 30] /XStep 30 /YStep 30 "
                       "/Matrix [1.5 0 0 1.5 4.5 7.5] /Resources << >>",
                       "1 0 0 rg 0 0 2.5 20 re 5 0 2.5 20 re 10 0 2.5 20 re 15 0 2.5 20 re f "
                       "0 0 1 rg 20 20 10 10 re f")})},
  };
}

// The device's recording of the PDF's first page, played through the export
// engine's metafile player into a PDF of the page's size.
std::string PlayedIntoPdf(const std::string& AEmf, int AWidth, int AHeight) {
  vn::exporter::InstallMetafileProcessor();
  vn::TMemoryStream output;
  {
    vn::pdfwriter::TvnPDFEngine engine;
    engine.Preferences().SetShowSetupDialog(false);
    engine.Preferences().SetOpenAfterCreate(false);
    engine.Preferences().SetOutputToUserStream(true);
    engine.SetUserStream(&output);
    engine.SetMeasurementUnit(vn::exporter::TvnUnitType::muPixels);
    engine.Page().SetPaperSize(vn::exporter::TvnPaperSize::Custom);
    engine.Page().SetWidth(AWidth);
    engine.Page().SetHeight(AHeight);
    engine.BeginDoc();
    vn::exporter::TMetafile metafile;
    metafile.Bytes = AEmf;
    engine.PlayMetafile(0, 0, metafile);
    engine.EndDoc();
  }
  return std::string(output.Bytes().begin(), output.Bytes().end());
}

// A recorded page comes out on the pixels the page painted directly shows:
// images enlarged onto fractional positions (sharp samples, smoothed
// samples, a stencil) sample for sample, and the rows of a page whose
// height is not whole pixels where they were painted (not squeezed into
// the height rounded down).
TEST(PageRenderer, RecordedPagesPlayBackAsPainted) {
  const std::filesystem::path dir = std::filesystem::temp_directory_path();
  const std::string smoothed = PagePdf("0 0 300 200", "/XObject << /Im1 5 0 R >>",
                                       "q 100.3 0 0 75.2 20.4 30.7 cm /Im1 Do Q",
                                       {Stream("/Type /XObject /Subtype /Image /Width 40 /Height 30 "
                                               "/BitsPerComponent 8 /ColorSpace /DeviceRGB /Filter /ASCIIHexDecode",
                                               RgbRamp(40, 30))});
  std::string stripes;
  for (int y = 0; y < 200; y += 3) stripes += "0 " + std::to_string(y) + " 300 1.5 re ";
  std::vector<std::pair<std::string, std::string>> pages = {
      {"image_smoothed", smoothed}, {"fractional_height", PagePdf("0 0 300 200.4", "", stripes + "f")}};
  for (const Fixture& f : Fixtures())
    if (std::string(f.Name) == "image_rgb" || std::string(f.Name) == "image_stencil_mask") pages.emplace_back(f.Name, f.Pdf);
  for (const auto& [name, bytes] : pages) {
    SCOPED_TRACE(name);
    const std::filesystem::path pdf = dir / (name + ".pdf");
    std::ofstream(pdf, std::ios::binary) << bytes;
    int w = 0, h = 0;
    const std::string emf = RecordFirstPage(pdf, w, h);
    ASSERT_FALSE(emf.empty());
    EXPECT_LE(NormalisedRmse(PlayOnCairo(emf, w, h), PaintFirstPage(pdf)), 0.002);
  }
}

TEST(PageRenderer, FixturePagesMatchPdftoppm) {
  if (!vn::test_support::HaveTool("pdftoppm")) GTEST_SKIP() << "pdftoppm missing";
  const bool road = vn::test_support::HaveTool("qpdf");
  const std::filesystem::path dir = std::filesystem::temp_directory_path();
  for (const Fixture& f : Fixtures()) {
    SCOPED_TRACE(f.Name);
    const std::filesystem::path pdf = dir / (std::string(f.Name) + ".pdf");
    std::ofstream(pdf, std::ios::binary) << f.Pdf;
    int w = 0, h = 0;
    const std::string emf = RecordFirstPage(pdf, w, h);
    ASSERT_FALSE(emf.empty());
    std::filesystem::path reference_pdf = pdf;
    if (!f.Reference.empty()) {
      reference_pdf = dir / (std::string(f.Name) + "_reference.pdf");
      std::ofstream(reference_pdf, std::ios::binary) << f.Reference;
    }
    const vn::platform::Bitmap reference = Pdftoppm(reference_pdf, 96);
    const vn::platform::Bitmap painted = PaintFirstPage(pdf);
    const double direct = NormalisedRmse(painted, reference);
    EXPECT_GE(direct, 0);
    EXPECT_LE(direct, kThreshold);
    const vn::platform::Bitmap ours = PlayOnCairo(emf, w, h);
    const double rmse = NormalisedRmse(ours, reference);
    if (const char* dump = std::getenv("VN_RENDER_DUMP")) {
      std::ofstream(std::string(dump) + "/" + f.Name + "_ours.png", std::ios::binary) << vn::platform::EncodePng(ours);
      std::ofstream(std::string(dump) + "/" + f.Name + "_ref.png", std::ios::binary) << vn::platform::EncodePng(reference);
      std::ofstream(std::string(dump) + "/" + f.Name + "_cairo.png", std::ios::binary) << vn::platform::EncodePng(painted);
    }
    EXPECT_GE(rmse, 0);
    EXPECT_LE(rmse, kThreshold);
    double road_rmse = -1;
    if (road) {
      const std::filesystem::path out = dir / (std::string(f.Name) + "_road.pdf");
      std::ofstream(out, std::ios::binary) << PlayedIntoPdf(emf, w, h);
      std::string report;
      EXPECT_EQ(vn::pdf::testing::RunProgram({"qpdf", "--check", out.string()}, &report), 0) << report;
      const vn::platform::Bitmap road_picture = Pdftoppm(out, 96);
      road_rmse = NormalisedRmse(road_picture, reference);
      if (const char* dump = std::getenv("VN_RENDER_DUMP")) {
        std::ofstream(std::string(dump) + "/" + f.Name + "_road.png", std::ios::binary)
            << vn::platform::EncodePng(road_picture);
        std::filesystem::copy_file(out, std::string(dump) + "/" + f.Name + "_road.pdf",
                                   std::filesystem::copy_options::overwrite_existing);
      }
      EXPECT_GE(road_rmse, 0);
      EXPECT_LE(road_rmse, kThreshold);
    }
    std::printf("page %-24s cairo %.4f  metafile on cairo %.4f  through the PDF engine %.4f\n", f.Name, direct, rmse,
                road_rmse);
  }
}

}  // namespace vn::pdfdoc::page_renderer_test
