#include "rtf/rtf_tag_handler.h"

#include <gtest/gtest.h>

#include <string>

#include "rtf_test_support.h"

namespace rtf_tag_handler_test {

using rtf_test_support::Dispatch;
using rtf_test_support::DumpRtf;

struct DumpCase {
  const char* rtf;
  const char* dump;
};

TEST(RtfDispatcher, ReadsTextThroughEscapesAndCodePages) {
  const DumpCase cases[] = {
      {"{\\rtf1 Hello\\par World\\par}", "Hello\nWorld\n"},
      // The last paragraph needs no "\par".
      {"{\\rtf1 a\\par b}", "a\nb\n"},
      {"{\\rtf1\\ansi caf\\'e9 \\'80\\par}", "caf\xc3\xa9 \xe2\x82\xac\n"},
      {"{\\rtf1\\ansi\\ansicpg1251 \\'cf\\'f0\\'e8\\par}", "\xd0\x9f\xd1\x80\xd0\xb8\n"},
      {"{\\rtf1\\ansi\\ansicpg1250 \\'9a\\'e8\\par}", "\xc5\xa1\xc4\x8d\n"},
      {"{\\rtf1\\ansi\\ansicpg932 \\'93\\'fa\\'96\\'7b\\par}", "\xe6\x97\xa5\xe6\x9c\xac\n"},
      // The font's character set decides, over the document's code page.
      {"{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}{\\f1\\fcharset161 Greek;}}\\f1 \\'e1\\'e2\\f0 \\'e1\\par}",
       "\xce\xb1\xce\xb2\xc3\xa1\n"},
      {"{\\rtf1\\ansi{\\fonttbl{\\f1\\fcharset128 Gothic;}}\\f1 \\'82\\'a0\\par}", "\xe3\x81\x82\n"},
      {"{\\rtf1\\ansi{\\fonttbl{\\f1\\fcharset204 Cyr;}}\\deff1 \\'e0\\par}", "\xd0\xb0\n"},
      // Raw 8-bit bytes are text of the code page too.
      {"{\\rtf1\\ansi\\ansicpg1253 \xe1\xe2\\par}", "\xce\xb1\xce\xb2\n"},
      // A lead byte without its trail byte is one replacement character.
      {"{\\rtf1\\ansi\\ansicpg932 \\'93\\par}", "\xef\xbf\xbd\n"},
      {"{\\rtf1\\mac \\'8e\\par}", "\xc3\xa9\n"},
      {"{\\rtf1\\pc \\'82\\par}", "\xc3\xa9\n"},
      // A code page without a converter reads as Windows-1252.
      {"{\\rtf1\\ansi\\ansicpg999999 \\'e9\\par}", "\xc3\xa9\n"},
  };
  for (const DumpCase& c : cases) EXPECT_EQ(DumpRtf(c.rtf), c.dump) << c.rtf;
}

TEST(RtfDispatcher, UnicodeEscapesSkipTheirFallbackWithinTheirGroup) {
  const DumpCase cases[] = {
      {"{\\rtf1 \\u1055?\\u1088?\\par}", "\xd0\x9f\xd1\x80\n"},
      {"{\\rtf1\\uc2 \\u26085\\'93\\'fa x\\par}", "\xe6\x97\xa5 x\n"},
      {"{\\rtf1\\uc0\\u945\\u946\\par}", "\xce\xb1\xce\xb2\n"},
      // The fallback ends with the group: the "b" after it is text.
      {"{\\rtf1{\\u945}b\\par}", "\xce\xb1" "b\n"},
      // "\uc" belongs to its group.
      {"{\\rtf1{\\uc2 x}\\u945 ab\\par}", "x\xce\xb1" "b\n"},
      // A fallback character written as a control word is skipped too.
      {"{\\rtf1 \\u8212\\emdash x\\par}", "\xe2\x80\x94x\n"},
      {"{\\rtf1 \\u8212\\'97x\\par}", "\xe2\x80\x94x\n"},
      {"{\\rtf1 \\u-3913 ?\\par}", "\xef\x82\xb7\n"},
      {"{\\rtf1 \\u-10179?\\u-8704?\\par}", "\xf0\x9f\x98\x80\n"},
      // A lone surrogate and values beyond 16 bits become U+FFFD.
      {"{\\rtf1 \\u-10179?x\\par}", "\xef\xbf\xbdx\n"},
      {"{\\rtf1 \\u99999?\\u-99999?\\par}", "\xef\xbf\xbd\xef\xbf\xbd\n"},
      {"{\\rtf1\\uc-3 \\u945 x\\par}", "\xce\xb1x\n"},
      // "\bin" with its data is one fallback character.
      {"{\\rtf1\\uc2 \\u945\\bin2 xyzb\\par}", "\xce\xb1" "b\n"},
  };
  for (const DumpCase& c : cases) EXPECT_EQ(DumpRtf(c.rtf), c.dump) << c.rtf;
}

TEST(RtfDispatcher, DestinationsDecideWhatAGroupIs) {
  const DumpCase cases[] = {
      {"{\\rtf1 a{\\*\\bkmkstart x}b\\par}", "ab\n"},
      // An unknown destination without the asterisk is read as text.
      {"{\\rtf1 a{\\bkmkstart x}b\\par}", "axb\n"},
      {"{\\rtf1{\\stylesheet{\\s1 Heading;}}a\\par}", "a\n"},
      {"{\\rtf1{\\*\\generator Writer;}a\\par}", "a\n"},
      {"{\\rtf1{\\info{\\title T}{\\author A}}a\\par}", "a\n"},
      {"{\\rtf1{\\field{\\*\\fldinst HYPERLINK \"x\"}{\\fldrslt link}}\\par}", "link\n"},
      {"{\\rtf1{\\header head\\par}body\\par}", "body\n"},
      {"{\\rtf1{\\*\\shppict{\\pict\\pngblip 89504e47}}{\\nonshppict x}a\\par}", "a\n"},
      // Of a "\\upr" group the Unicode half is read, the other passed over.
      {"{\\rtf1 a{\\upr{b?}{\\*\\ud{\\u946?}}}c\\par}", "a\xce\xb2" "c\n"},
      // List numbering is not read: the number or bullet a list paragraph
      // carries as its own text is its label.
      {"{\\rtf1\\pard\\ls1{\\listtext 1.\\tab}First\\par{\\listtext\\'95\\tab}Dot\\par}",
       "1.[tab]First\n\xe2\x80\xa2[tab]Dot\n"},
      // Binary data is never text, inside a destination or outside.
      {"{\\rtf1 a{\\*\\blob\\bin3 xyz}b\\bin2 zzc\\par}", "abc\n"},
      {"{\\rtf1 a\\emdash b\\~c\\-d\\lquote e\\rquote\\par}",
       "a\xe2\x80\x94" "b\xc2\xa0" "cd\xe2\x80\x98" "e\xe2\x80\x99\n"},
      {"{\\rtf1 a\\tab b\\line c\\page d\tf\\par}", "a[tab]b[line]c[page]d[tab]f\n"},
      {"{\\rtf1 \\{x\\}\\\\\\par}", "{x}\\\n"},
      {"{\\rtf1 one\\\ntwo\\par}", "one\ntwo\n"},
  };
  for (const DumpCase& c : cases) EXPECT_EQ(DumpRtf(c.rtf), c.dump) << c.rtf;
}

TEST(RtfDispatcher, DamagedInputReadsAsFarAsItMakesSense) {
  const DumpCase cases[] = {
      // Stray closing braces are passed over; groups left open end with the input.
      {"{\\rtf1 a}}} b\\par}", "a b\n"},
      {"{\\rtf1{\\b a\\par", "a\n"},
      {"}}{\\rtf1 a\\par", "a\n"},
      // Missing and out-of-range parameters are ignored or bounded.
      {"{\\rtf1\\fs\\f\\cf\\uc\\u\\highlight\\paperw x\\par}", "x\n"},
      {"{\\rtf1{\\colortbl\\red\\green;}\\cf1 x\\par}", "x\n"},
      {"{\\rtf1 text\\", "text\n"},
      {"{\\rtf1 a\\'", "a\n"},
      {"", ""},
      {"not rtf at all", "not rtf at all\n"},
  };
  for (const DumpCase& c : cases) EXPECT_EQ(DumpRtf(c.rtf), c.dump) << c.rtf;
}

TEST(RtfDispatcher, DeepNestingIsBoundedAndKeepsWhatIsWithinReach) {
  const auto nested = [](size_t ADepth) {
    return "{\\rtf1 " + std::string(ADepth, '{') + "x" + std::string(ADepth, '}') + "y\\par}";
  };
  EXPECT_EQ(DumpRtf(nested(100)), "xy\n");
  // Beyond the depth limit a group is skipped with its content.
  EXPECT_EQ(DumpRtf(nested(vn::rtf::kMaxRtfGroupDepth + 10)), "y\n");
  // An endless opening is no harm either.
  EXPECT_EQ(DumpRtf("{\\rtf1 a\\par" + std::string(1000000, '{')), "a\n");
}

TEST(RtfCharacterFormatting, ControlWordsSetTheRunFormatting) {
  const std::string tables =
      "{\\rtf1{\\fonttbl{\\f0\\froman Times New Roman;}{\\f1\\fswiss\\fcharset0 Arial;}}"
      "{\\colortbl;\\red255\\green0\\blue0;\\red0\\green0\\blue255;}";
  // Text that no "\\fs" reached is 12 points (with "\\defchp", its size: below).
  const DumpCase cases[] = {
      {"\\b b\\b0 n\\par}", "{b 12}b{12}n\n"},
      {"\\i i\\i0 n\\ul u\\ulnone n\\ul u\\ul0 n\\strike s\\strike0 n\\par}", "{i 12}i{12}n{u 12}u{12}n{u 12}u{12}n{s 12}s{12}n\n"},
      {"\\super a\\sub b\\nosupersub c\\par}", "{sup 12}a{sub 12}b{12}c\n"},
      {"\\f1 a\\f0 b\\f7 c\\par}", "{Arial 12}a{Times New Roman 12}b{12}c\n"},
      {"\\fs21 a\\fs23 b\\fs24 c\\fs99999999 d\\fs0 e\\par}", "{10}a{12}b{12}c{1638}d{1638}e\n"},
      {"\\cf1 a\\cf2 b\\cf0 c\\cf3 d\\cf1 e\\cf f\\par}", "{12 ff0000}a{12 0000ff}b{12}c{12}d{12 ff0000}e{12}f\n"},
      // A colour number beyond the table switches highlighting on and keeps its colour.
      {"\\highlight2 a\\highlight0 b\\highlight9 c\\par}", "{12 hl:0000ff}a{12}b{12 hl:0000ff}c\n"},
      // Groups restore the formatting around them.
      {"{\\b\\cf1 bold} plain\\par}", "{b 12 ff0000}bold{12} plain\n"},
      {"\\b {\\b0 n} b\\par}", "{12}n{b 12} b\n"},
      // "\plain" without document defaults: the table's default font or Arial, 12 points.
      {"\\b\\fs40 a\\plain b\\par}", "{b 20}a{Arial 12}b\n"},
      // Associated-font words act as the plain ones.
      {"\\af1\\afs30 a\\par}", "{Arial 15}a\n"},
  };
  for (const DumpCase& c : cases) EXPECT_EQ(DumpRtf(tables + c.rtf, true), c.dump) << c.rtf;
}

TEST(RtfCharacterFormatting, DefaultsComeFromTheDefaultFontAndDefchp) {
  const DumpCase cases[] = {
      {"{\\rtf1\\deff0{\\fonttbl{\\f0 Times;}{\\f1 Arial;}}a\\f1 b\\plain c\\par}", "{Times 12}a{Arial 12}b{Times 12}c\n"},
      {"{\\rtf1\\deff0{\\fonttbl{\\f0 Times;}{\\f1 Arial;}}{\\*\\defchp \\f1\\fs20\\b}a\\plain b\\par}",
       "{Times 10}a{b Arial 10}b\n"},
      {"{\\rtf1\\plain x\\par}", "{Arial 12}x\n"},
      // The defaults group holds no text and no paragraph marks, and its
      // formatting ends with it.
      {"{\\rtf1{\\*\\defchp \\i lost\\par\\line}a\\par}", "{12}a\n"},
  };
  for (const DumpCase& c : cases) EXPECT_EQ(DumpRtf(c.rtf, true), c.dump) << c.rtf;
}

TEST(RtfCharacterFormatting, FontTableEntries) {
  const auto handler = Dispatch(
      "{\\rtf1{\\fonttbl{\\f0\\froman\\fcharset0 Times New Roman{\\*\\panose 02020603050405020304};}"
      "{\\f1\\fcharset204 Courier}{\\f2\\cpg1253 Greek ;}{\\f0 Replaced;}}"
      "{\\fonttbl\\f5 Loose;\\f6\\fcharset128 \\'82\\'6c\\'82\\'72 Gothic;}}");
  const auto& fonts = handler->GetFontTable();
  ASSERT_EQ(fonts.size(), 5u);
  EXPECT_EQ(fonts.at(0).Name, u"Replaced");
  // An entry without its semicolon keeps its whole name.
  EXPECT_EQ(fonts.at(1).Name, u"Courier");
  EXPECT_EQ(fonts.at(1).Charset, 204);
  EXPECT_EQ(fonts.at(2).Name, u"Greek");
  EXPECT_EQ(fonts.at(2).CodePage, 1253);
  // Entries without groups of their own, and names in the font's code page.
  EXPECT_EQ(fonts.at(5).Name, u"Loose");
  EXPECT_EQ(fonts.at(6).Name, u"\uFF2D\uFF33 Gothic");
}

TEST(RtfCharacterFormatting, ColourTableEntries) {
  const auto handler = Dispatch("{\\rtf1{\\colortbl;\\red255\\green128\\blue0;;\\red300\\blue-4;\\green9}}");
  const auto& colors = handler->GetColorTable();
  ASSERT_EQ(colors.size(), 5u);
  EXPECT_FALSE(colors[0].has_value());
  EXPECT_EQ(*colors[1], (vn::framework::TvnRGBColor{255, 128, 0}));
  EXPECT_FALSE(colors[2].has_value());
  // Components are bounded; each entry starts from black; the last one needs no semicolon.
  EXPECT_EQ(*colors[3], (vn::framework::TvnRGBColor{255, 0, 0}));
  EXPECT_EQ(*colors[4], (vn::framework::TvnRGBColor{0, 9, 0}));
}

TEST(RtfCharacterFormatting, RunsOwnTheirFormatting) {
  const auto handler = Dispatch("{\\rtf1 a\\line\\b b\\i c\\par}");
  const auto elements = handler->Elements();
  ASSERT_EQ(elements.size(), 1u);
  const auto& paragraph = dynamic_cast<const vn::wordmodel::TvnParagraph&>(*elements[0]);
  EXPECT_EQ(rtf_test_support::DumpParagraph(paragraph, true), "{12}a{12}[line]{b 12}b{b i 12}c");
  // A change after a run never reaches back into it.
  ASSERT_EQ(paragraph.GetCount(), 4);
  const auto* run_b = dynamic_cast<const vn::wordmodel::TvnRun*>(paragraph.GetItem(2));
  const auto* run_c = dynamic_cast<const vn::wordmodel::TvnRun*>(paragraph.GetItem(3));
  EXPECT_NE(run_b->GetRunProperties().get(), run_c->GetRunProperties().get());
  // The run, its final properties and its text share one set, with its font.
  const auto* text = dynamic_cast<const vn::wordmodel::TvnTextitem*>(run_b->GetItem(0));
  EXPECT_EQ(text->GetRunProperties(), run_b->GetRunProperties());
  EXPECT_EQ(run_b->GetFinalRunProperties(), run_b->GetRunProperties());
  ASSERT_NE(run_b->GetRunProperties()->GetFont(), nullptr);
  EXPECT_TRUE(run_b->GetRunProperties()->GetFont()->GetStyle().Contains(vn::framework::TvnFontStyle::fsBold));
}

TEST(RtfDispatcher, SectionsTakeTheDocumentPageSettings) {
  {
    const auto handler = Dispatch("{\\rtf1 a\\par}");
    const auto sections = handler->Sections();
    ASSERT_EQ(sections.size(), 1u);
    EXPECT_EQ(sections[0]->GetPageWidth(), 793);
    EXPECT_EQ(sections[0]->GetPageHeight(), 1122);
    EXPECT_EQ(sections[0]->GetPageMargin()->GetLeft(), 96);
    EXPECT_EQ(sections[0]->GetPageMargin()->GetBottom(), 96);
  }
  {
    // Twips to pixels, halves to even: 1447.5 / 15 = 96.5 gives 96.
    const auto handler =
        Dispatch("{\\rtf1\\paperw12240\\paperh15840\\margl1448\\margr2160\\margt-5\\gutter30 a\\par}");
    const auto sections = handler->Sections();
    ASSERT_EQ(sections.size(), 1u);
    EXPECT_EQ(sections[0]->GetPageWidth(), 816);
    EXPECT_EQ(sections[0]->GetPageHeight(), 1056);
    EXPECT_EQ(sections[0]->GetPageMargin()->GetLeft(), 97);
    EXPECT_EQ(sections[0]->GetPageMargin()->GetRight(), 144);
    EXPECT_EQ(sections[0]->GetPageMargin()->GetTop(), 96);
    EXPECT_EQ(sections[0]->GetPageMargin()->GetGutter(), 2);
  }
  {
    const auto handler = Dispatch("{\\rtf1\\sectd a\\par\\sect\\sectd b\\par c\\sect}");
    ASSERT_EQ(handler->Sections().size(), 2u);
    EXPECT_EQ(rtf_test_support::DumpBody(*handler), "a\n--\nb\nc\n--\n");
  }
  // A section break with nothing since the last one lists no empty section.
  EXPECT_EQ(Dispatch("{\\rtf1\\sect a\\par\\sect\\sect}")->Sections().size(), 1u);
}

TEST(RtfDispatcher, EqualColumnsShareTheWidth) {
  const vn::rtf::TvnRTFTagHandler handler(nullptr);
  struct {
    int32_t page_width, count, spacing;
    std::vector<std::pair<int32_t, int32_t>> columns;
  } const cases[] = {
      {816, 2, -1, {{288, 48}, {288, 0}}},
      {816, 2, 20, {{302, 20}, {302, 0}}},
      {192 + 11 + 96, 3, 48, {{3, 48}, {3, 48}, {5, 0}}},
      {816, 1, -1, {}},
  };
  for (const auto& c : cases) {
    auto section = handler.CreateSection();
    section->SetPageWidth(c.page_width);
    section->SetColumnsCount(c.count);
    section->SetEqualWidthColumns(true);
    section->SetSpaceBetweenColumns(c.spacing);
    handler.DistributeColumns(*section);
    std::vector<std::pair<int32_t, int32_t>> got;
    for (const auto& column : section->GetColumns()) got.emplace_back(column->GetWidth(), column->GetSpace());
    EXPECT_EQ(got, c.columns) << c.page_width << " " << c.count;
  }
}

}  // namespace rtf_tag_handler_test
