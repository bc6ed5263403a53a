// Type 3 text on the line: codes without a glyph procedure still move the
// text position, and the character and word spacings are text-space
// lengths whatever the font matrix.
#include <gtest/gtest.h>

#include <string>

#include "content_test_support.h"
#include "pdfdocument/pd_content_stream.h"

namespace vn::pdfdoc::pd_text_show_type3_test {

using content_test_support::ContentDoc;
using content_test_support::LoadContentDoc;
using content_test_support::PathDevice;
using content_test_support::StreamObj;
using vn::pdfdoc::test_support::RecordingDevice;

// T3: glyph "A" (code 65) draws a line and is 1000 glyph units wide; the
// blank (32) has no procedure and no width. T4: the same glyph with glyph
// space ten times larger (font matrix 0.01, width 100).
ContentDoc Type3Doc() {
  return LoadContentDoc(
      {{2, "<< /Font << /T3 3 0 R /T4 4 0 R >> >>"},
       {3, "<< /Type /Font /Subtype /Type3 /FontBBox [0 0 1000 1000] /FontMatrix [0.001 0 0 0.001 0 0] "
           "/CharProcs << /a 5 0 R >> /Encoding << /Type /Encoding /Differences [65 /a] >> "
           "/FirstChar 65 /LastChar 65 /Widths [1000] >>"},
       {4, "<< /Type /Font /Subtype /Type3 /FontBBox [0 0 100 100] /FontMatrix [0.01 0 0 0.01 0 0] "
           "/CharProcs << /a 6 0 R >> /Encoding << /Type /Encoding /Differences [65 /a] >> "
           "/FirstChar 65 /LastChar 65 /Widths [100] >>"},
       {5, StreamObj("", "1000 0 d0 0 0 m 1000 0 l S")},
       {6, StreamObj("", "100 0 d0 0 0 m 100 0 l S")}},
      2);
}

TEST(PDTextShowType3, SpacingAndGlyphsWithoutProcedures) {
  const ContentDoc doc = Type3Doc();
  struct Case {
    const char* content;
    size_t strokes;
    double end_x;
  };
  const Case cases[] = {
      // Size 10: each A moves 10; the blank has no width but takes the word
      // spacing.
      {"BT /T3 10 Tf 5 Tw (A A) Tj ET", 2, 25},
      {"BT /T3 10 Tf 1 Tc (AA) Tj ET", 2, 22},
      {"BT /T3 10 Tf 1 Tc 5 Tw 50 Tz (A A) Tj ET", 2, 0.5 * (11 + 6 + 11)},
      // Another font matrix changes neither the widths nor the spacings.
      {"BT /T4 10 Tf 1 Tc 5 Tw (A A) Tj ET", 2, 11 + 6 + 11},
      // Blanks alone draw nothing and still move.
      {"BT /T3 10 Tf 2 Tw (  ) Tj ET", 0, 4},
  };
  for (const Case& c : cases) {
    PathDevice device(RecordingDevice::Flags{.use_draw_char = true, .interpret_type3_chars = true});
    std::unique_ptr<TvnPDContentStream> content;
    doc.Run(c.content, device, &content);
    EXPECT_EQ(device.Calls("Stroke").size(), c.strokes) << c.content;
    EXPECT_NEAR(content->GetCurrentState()->CurX, c.end_x, 1e-9) << c.content;
  }
}

}  // namespace vn::pdfdoc::pd_text_show_type3_test
