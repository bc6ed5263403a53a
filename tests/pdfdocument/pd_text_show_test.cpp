// Text showing: glyph positions and advances with character, word and
// horizontal scaling, TJ shifts, hex strings, vertical writing, devices without glyph-by-glyph
// drawing, and the glyph procedures of Type 3 fonts.
#include <gtest/gtest.h>

#include <string>

#include "content_test_support.h"
#include "pdfdocument/pd_content_stream.h"

namespace vn::pdfdoc::pd_text_show_test {

using content_test_support::ContentDoc;
using content_test_support::LoadContentDoc;
using content_test_support::PathDevice;
using content_test_support::StreamObj;
using vn::pdfdoc::test_support::RecordingDevice;

// F1: a simple font whose glyphs from 32 to 66 are all 0.5 wide. T3: a
// Type 3 font whose "A" draws a line and is 1000 glyph units wide, and whose
// "B" shows "B" again with the same font. V1: a composite font of vertical
// writing.
ContentDoc TextDoc() {
  std::string widths;
  for (int c = 32; c <= 66; ++c) widths += " 500";
  return LoadContentDoc(
      {{2, "<< /Font << /F1 3 0 R /T3 4 0 R /V1 7 0 R >> >>"},
       {3, "<< /Type /Font /Subtype /Type1 /BaseFont /PlainTest /FirstChar 32 /LastChar 66 /Widths [" + widths +
               "] >>"},
       {4, "<< /Type /Font /Subtype /Type3 /FontBBox [0 0 1000 1000] /FontMatrix [0.001 0 0 0.001 0 0] "
           "/CharProcs << /a 5 0 R /b 6 0 R >> /Encoding << /Type /Encoding /Differences [65 /a /b] >> "
           "/FirstChar 65 /LastChar 66 /Widths [1000 500] /Resources 2 0 R >>"},
       {5, StreamObj("", "1000 0 d0 0 0 m 1000 0 l S")},
       {6, StreamObj("", "500 0 d0 0 0 m 0 500 l S BT /T3 1 Tf (B) Tj ET")},
       {7, "<< /Type /Font /Subtype /Type0 /BaseFont /VerticalTest /Encoding /Identity-V /DescendantFonts [8 0 R] >>"},
       {8, "<< /Type /Font /Subtype /CIDFontType2 /BaseFont /VerticalTest /CIDSystemInfo << /Registry (Adobe) "
           "/Ordering (Identity) /Supplement 0 >> /DW 1000 /W [2 [600]] /DW2 [880 -1000] /W2 [3 [-500 300 700]] >>"}},
      2);
}

constexpr RecordingDevice::Flags kDrawChar{.use_draw_char = true};

// The DrawChar calls of a content run on a device with AFlags, and the
// text position the run ends at.
struct TextEnd {
  double CurX = 0, CurY = 0;
};
std::string DrawnGlyphs(const ContentDoc& ADoc, const char* AContent, const RecordingDevice::Flags& AFlags,
                        TextEnd& AEnd) {
  RecordingDevice device(AFlags);
  std::unique_ptr<TvnPDContentStream> content;
  ADoc.Run(AContent, device, &content);
  std::string glyphs;
  for (const auto& call : device.Calls("DrawChar")) glyphs += (glyphs.empty() ? "" : "; ") + call;
  AEnd.CurX = content->GetCurrentState()->CurX;
  AEnd.CurY = content->GetCurrentState()->CurY;
  return glyphs;
}

TEST(PDTextShow, GlyphAdvancesWithSpacingAndScaling) {
  const ContentDoc doc = TextDoc();
  struct Case {
    const char* content;
    const char* glyphs;
    double end_x;
  };
  const Case cases[] = {
      // Tc 1 at size 10: 0.5 x 10 + 1 = 6 per glyph.
      {"BT /F1 10 Tf 1 Tc (AB) Tj ET", "DrawChar 65 /A 0 0 6 0; DrawChar 66 /B 6 0 6 0", 12},
      // Word spacing on the blank only.
      {"BT /F1 10 Tf 1 Tc 2 Tw (A B) Tj ET", "DrawChar 65 /A 0 0 6 0; DrawChar 32 /space 6 0 8 0; DrawChar 66 /B 14 0 6 0",
       20},
      // Horizontal scaling scales the whole advance.
      {"BT /F1 10 Tf 1 Tc 50 Tz (AB) Tj ET", "DrawChar 65 /A 0 0 3 0; DrawChar 66 /B 3 0 3 0", 6},
      // TJ numbers move back by thousandths of the size...
      {"BT /F1 10 Tf [(A) 500 (B)] TJ ET", "DrawChar 65 /A 0 0 5 0; DrawChar 66 /B 0 0 5 0", 5},
      // ... scaled horizontally like the glyphs.
      {"BT /F1 10 Tf 50 Tz [(A) -1000 (B)] TJ ET", "DrawChar 65 /A 0 0 2.5 0; DrawChar 66 /B 7.5 0 2.5 0", 10},
      // Rise moves no glyph along the line.
      {"BT /F1 10 Tf 3 Ts (A) Tj ET", "DrawChar 65 /A 0 0 5 0", 5},
      // ' and " go to the next line first; " sets the spacing.
      {"BT /F1 10 Tf 12 TL (A) ' 2 1 (B) \" ET", "DrawChar 65 /A 0 -12 5 0; DrawChar 66 /B 0 -24 6 0", 6},
      // A hex string of three digits: 41 and 40.
      {"BT /F1 10 Tf <414> Tj ET", "DrawChar 65 /A 0 0 5 0; DrawChar 64 /at 5 0 5 0", 10},
      // A bad hex digit skips that operator only.
      {"BT /F1 10 Tf <4G> Tj (A) Tj ET", "DrawChar 65 /A 0 0 5 0", 5},
  };
  for (const Case& c : cases) {
    TextEnd end;
    EXPECT_EQ(DrawnGlyphs(doc, c.content, kDrawChar, end), c.glyphs) << c.content;
    EXPECT_DOUBLE_EQ(end.CurX, c.end_x) << c.content;
  }
}

TEST(PDTextShow, VerticalWritingRunsDownAndHangsGlyphsFromThePosition) {
  // Advances of /DW2 and /W2 go down the page (character spacing adds to
  // them); each glyph is drawn at the text position less its position
  // vector: half its width across, /DW2's or /W2's height down.
  const ContentDoc doc = TextDoc();
  struct Case {
    const char* content;
    const char* glyphs;
    double end_y;
  };
  const Case cases[] = {
      {"BT /V1 10 Tf <00010002> Tj ET", "DrawChar 1 -5 -8.8 0 -10; DrawChar 2 -3 -18.8 0 -10", -20},
      {"BT /V1 10 Tf <0003> Tj ET", "DrawChar 3 -3 -7 0 -5", -5},
      {"BT /V1 10 Tf 1 Tc <00010001> Tj ET", "DrawChar 1 -5 -8.8 0 -9; DrawChar 1 -5 -17.8 0 -9", -18},
      {"BT /V1 10 Tf [<0001> 500 <0001>] TJ ET", "DrawChar 1 -5 -8.8 0 -10; DrawChar 1 -5 -23.8 0 -10", -25},
  };
  for (const Case& c : cases) {
    TextEnd end;
    EXPECT_EQ(DrawnGlyphs(doc, c.content, {.use_draw_char = true, .cid_to_gid_needed = true}, end), c.glyphs)
        << c.content;
    EXPECT_NEAR(end.CurY, c.end_y, 1e-9) << c.content;
  }
}

TEST(PDTextShow, CompositeFontCodesAndAdvances) {
  // H1: a composite font of horizontal writing whose map sends CID 258
  // (code <0102>) to glyph 0 and CID 2 to glyph 5; CID 258 is 0.6 wide,
  // CID 2 0.7.
  std::string map;
  for (int cid = 0; cid <= 258; ++cid) map += cid == 2 ? "0005" : "0000";
  const ContentDoc doc = LoadContentDoc(
      {{2, "<< /Font << /H1 3 0 R >> >>"},
       {3, "<< /Type /Font /Subtype /Type0 /BaseFont /GlyphZero /Encoding /Identity-H /DescendantFonts [4 0 R] >>"},
       {4, "<< /Type /Font /Subtype /CIDFontType2 /BaseFont /GlyphZero /CIDSystemInfo << /Registry (Adobe) "
           "/Ordering (Identity) /Supplement 0 >> /W [2 [700] 258 [600]] /CIDToGIDMap 5 0 R >>"},
       {5, StreamObj("/Filter /ASCIIHexDecode", map + ">")}},
      2);
  struct Case {
    RecordingDevice::Flags flags;
    const char* glyphs;
  };
  const Case cases[] = {
      // Glyph 0 is drawn as glyph 0, not as the code's first byte.
      {{.use_draw_char = true, .cid_to_gid_needed = true}, "DrawChar 0 0 0 6 0; DrawChar 5 6 0 7 0"},
      // A device taking the codes as shown still gets the widths' advances.
      {kDrawChar, "DrawChar 258 0 0 6 0; DrawChar 2 6 0 7 0"},
  };
  for (const Case& c : cases) {
    TextEnd end;
    EXPECT_EQ(DrawnGlyphs(doc, "BT /H1 10 Tf <01020002> Tj ET", c.flags, end), c.glyphs);
    EXPECT_DOUBLE_EQ(end.CurX, 13);
  }
}

TEST(PDTextShow, CallSequences) {
  const ContentDoc doc = TextDoc();
  struct Case {
    RecordingDevice::Flags flags;
    const char* content;
    const char* calls;
  };
  const Case cases[] = {
      // The font reaches the device once, before the first string.
      {kDrawChar, "BT /F1 10 Tf (A) Tj (B) Tj ET",
       "UpdateTextMatrix; UpdateTextPos; UpdateFont; BeginStringOp; BeginString A; DrawChar 65 /A 0 0 5 0; "
       "EndString; EndStringOp; BeginStringOp; BeginString B; DrawChar 66 /B 5 0 5 0; EndString; EndStringOp; "
       "EndTextObject"},
      // TJ shifts inside a saved state; the text position survives.
      {kDrawChar, "BT /F1 10 Tf [(A) 500] TJ ET",
       "UpdateTextMatrix; UpdateTextPos; UpdateFont; BeginStringOp; SaveState; BeginString A; "
       "DrawChar 65 /A 0 0 5 0; EndString; UpdateTextShift 500; RestoreState; EndStringOp; EndTextObject"},
      // Without glyph-by-glyph drawing: one text per literal string, one per
      // code of a hex string, and the position stays.
      {{}, "BT /F1 10 Tf (AB) Tj <4142> Tj ET",
       "UpdateTextMatrix; UpdateTextPos; UpdateFont; BeginStringOp; RawTextOut AB 0 0; EndStringOp; "
       "BeginStringOp; RawTextOut A 0 0; RawTextOut B 0 0; EndStringOp; EndTextObject"},
  };
  for (const Case& c : cases) {
    RecordingDevice device(c.flags);
    EXPECT_EQ(doc.Run(c.content, device), c.calls) << c.content;
  }
}

TEST(PDTextShow, Type3GlyphProceduresRunInGlyphSpace) {
  const ContentDoc doc = TextDoc();
  PathDevice device(RecordingDevice::Flags{.use_draw_char = true, .interpret_type3_chars = true});
  std::unique_ptr<TvnPDContentStream> content;
  doc.Run("BT /T3 10 Tf 1 0 0 1 100 200 Tm (AA) Tj ET", device, &content);
  // Text matrix, text position, font matrix, size; then one step per glyph.
  EXPECT_EQ(device.Calls("UpdateCTM"),
            (std::vector<std::string>{"UpdateCTM 1 0 0 1 100 200", "UpdateCTM 1 0 0 1 0 0",
                                      "UpdateCTM 0.001 0 0 0.001 0 0", "UpdateCTM 10 0 0 10 0 0",
                                      "UpdateCTM 1 0 0 1 1000 0", "UpdateCTM 1 0 0 1 1000 0"}));
  EXPECT_EQ(device.Calls("Stroke"), (std::vector<std::string>{"Stroke [0,0 1000,0]", "Stroke [0,0 1000,0]"}));
  const TvnPDState& state = *content->GetCurrentState();
  // Two glyphs of 1000 units at size 10 move the text 20 units; the page's
  // CTM is where it was.
  EXPECT_DOUBLE_EQ(state.CurX, 20);
  const TvnPDState page(72, 72, 0, nullptr);
  EXPECT_DOUBLE_EQ(state.CTM().Dx(), page.CTM().Dx());
  EXPECT_DOUBLE_EQ(state.CTM().M11(), page.CTM().M11());
  EXPECT_FALSE(state.HasSaves());
}

TEST(PDTextShow, Type3GlyphShowingItselfStopsAtTheGuard) {
  const ContentDoc doc = TextDoc();
  PathDevice device(RecordingDevice::Flags{.use_draw_char = true, .interpret_type3_chars = true});
  std::unique_ptr<TvnPDContentStream> content;
  doc.Run("BT /T3 10 Tf (B) Tj ET", device, &content);
  EXPECT_EQ(device.Calls("Stroke").size(), 1u);
  EXPECT_EQ(device.Calls("SaveState").size(), device.Calls("RestoreState").size());
  EXPECT_DOUBLE_EQ(content->GetCurrentState()->CurX, 5);
}

}  // namespace vn::pdfdoc::pd_text_show_test
