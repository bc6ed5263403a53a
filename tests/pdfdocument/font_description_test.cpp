// The plain font description: its defaults and the stream it keeps.
#include "pdfdocument/font_description.h"

#include <gtest/gtest.h>

namespace vn::pdfdoc::font_description_test {

TEST(FontDescription, DefaultsAndAStreamCopiedWhole) {
  TvnFont font;
  EXPECT_EQ(font.name(), "Arial");
  EXPECT_EQ(font.Size(), 8);
  EXPECT_EQ(font.Color(), "clBlack");
  EXPECT_EQ(font.Stream(), nullptr);
  vn::TMemoryStream source;
  source.WriteString("program");  // left at its end: the copy still starts at 0
  font.SetStream(source);
  source.SetSize(0);
  ASSERT_NE(font.Stream(), nullptr);
  EXPECT_EQ(font.Stream()->Size(), 7);
  EXPECT_EQ(font.Stream()->Position(), 0);
}

}  // namespace vn::pdfdoc::font_description_test
