#include "rtf/rtf_writer_styles.h"

#include <gtest/gtest.h>

#include <vector>

namespace vn::rtf::rtf_writer_styles_test {

using writer::StyleManagerReference;
using writer::TvnStyle;
using writer::TvnStyleManager;
using writer::TvnStyleType;
using writer::WriterFont;

TEST(RtfWriterStyleManager, OneManagerCountedByReferences) {
  TvnStyleManager* first = TvnStyleManager::Create();
  TvnStyleManager* second = TvnStyleManager::Create();
  EXPECT_EQ(first, second);
  EXPECT_EQ(first->RefCount(), 2);
  first->InsertStyle(WriterFont{}, 0, TvnStyleType::stCustom, "Body");
  second->Release();
  EXPECT_EQ(first->StylesCount(), 1);  // the styles survive while a reference is left
  first->Release();
  StyleManagerReference fresh;
  EXPECT_EQ(fresh->StylesCount(), 0);
  EXPECT_EQ(fresh->RefCount(), 1);
}

TEST(RtfWriterStyleManager, InsertsByNameAndNumbersTheStyles) {
  StyleManagerReference manager;
  WriterFont font;
  font.Name = u"Times New Roman";
  EXPECT_EQ(manager->InsertStyle(font, 0xFF, TvnStyleType::stCustom, "Body"), 0);
  EXPECT_EQ(manager->InsertStyle(WriterFont{}, 0, TvnStyleType::stNormal, "Body"), 0);  // same name: same style
  EXPECT_EQ(manager->InsertStyle(WriterFont{}, 0, TvnStyleType::stTitle, "body"), 1);   // names are case-sensitive
  EXPECT_EQ(manager->StylesCount(), 2);
  EXPECT_EQ(manager->GetStyle(0)->StyleID, "s11");
  EXPECT_EQ(manager->GetStyle(1)->StyleID, "s12");
  EXPECT_EQ(manager->GetStyle(0)->Font.Name, u"Times New Roman");
  EXPECT_EQ(manager->GetStyle("body")->StyleType, TvnStyleType::stTitle);
  EXPECT_EQ(manager->GetStyleIndex("Heading"), -1);
  EXPECT_EQ(manager->GetStyle("Heading"), nullptr);
  EXPECT_EQ(manager->GetStyle(7), nullptr);

  // After the first is deleted, "s" + (count + 11) would be s12 again, which
  // the remaining style holds: the new style takes the next free number.
  manager->Delete(0);
  EXPECT_EQ(manager->InsertStyle(WriterFont{}, 0, TvnStyleType::stCustom, "Third"), 1);
  EXPECT_EQ(manager->GetStyle(1)->StyleID, "s13");
  manager->Delete(5);  // out of range: nothing
  EXPECT_EQ(manager->StylesCount(), 2);

  TvnStyle copy;
  copy.StyleID = "s40";
  copy.StyleName = "Copied";
  EXPECT_EQ(manager->InsertStyle(copy), 2);
  EXPECT_EQ(manager->GetStyle(2)->StyleID, "s40");
  manager->Clear();
  EXPECT_EQ(manager->StylesCount(), 0);
}

TEST(RtfWriterStyleManager, FindsStylesByColourAndFont) {
  StyleManagerReference manager;
  WriterFont arial10;
  WriterFont arial12 = arial10;
  arial12.Size = 12;
  WriterFont arialGreek = arial10;
  arialGreek.Charset = 161;
  manager->InsertStyle(arial10, 0xFF, TvnStyleType::stCustom, "A");
  manager->InsertStyle(arial12, 0xFF, TvnStyleType::stCustom, "B");
  manager->InsertStyle(arialGreek, 0, TvnStyleType::stCustom, "C");
  auto names = [](const std::vector<TvnStyle*>& AStyles) {
    std::string result;
    for (const TvnStyle* style : AStyles) result += style->StyleName;
    return result;
  };
  std::vector<TvnStyle*> found;
  manager->GetStylesByColor(0xFF, found);
  EXPECT_EQ(names(found), "AB");
  found.clear();
  manager->GetStylesByFont(arial10, found);
  EXPECT_EQ(names(found), "A");  // size and character set count
  found.clear();
  manager->GetStylesByFontName(u"Arial", found);
  manager->GetStylesByFontName(u"arial", found);
  EXPECT_EQ(names(found), "ABC");  // appended; names are case-sensitive
  manager->Clear();
}

}  // namespace vn::rtf::rtf_writer_styles_test
