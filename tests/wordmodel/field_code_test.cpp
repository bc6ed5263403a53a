#include "wordmodel/field_code.h"

#include <gtest/gtest.h>

#include <vector>

namespace vn::wordmodel::field_code_test {
namespace {

using Words = std::vector<String>;

TEST(FieldCode, ParseTable) {
  const struct {
    const char16_t* code;
    const char16_t* instruction;
    TvnFieldType type;
    TvnFieldInstruction page;
    TvnFieldFormattingType formatting;
    bool merge;
    const char16_t* mergeName;
    const char16_t* dateFormat;
    Words dateSwitches;
    Words generalSwitches;
    Words numberingSwitches;
  } cases[] = {
      {u" PAGE  \\* MERGEFORMAT ", u"PAGE", TvnFieldType::ftNotDefined, TvnFieldInstruction::fiPage,
       TvnFieldFormattingType::fftMergeFormat, false, u"", u"", {}, {}, {}},
      {u"NUMPAGES \\* Arabic \\* CHARFORMAT", u"NUMPAGES", TvnFieldType::ftNotDefined,
       TvnFieldInstruction::fiNumPages, TvnFieldFormattingType::fftCharFormat, false, u"", u"", {}, {u"Arabic"}, {}},
      {u"MERGEFIELD Name \\* MERGEFORMAT", u"MERGEFIELD", TvnFieldType::ftNotDefined, TvnFieldInstruction::fiNone,
       TvnFieldFormattingType::fftMergeFormat, true, u"Name", u"", {}, {}, {}},
      {u"DATE \\@ \"d MMMM yyyy\" \\* MERGEFORMAT", u"DATE", TvnFieldType::ftDateTime, TvnFieldInstruction::fiNone,
       TvnFieldFormattingType::fftMergeFormat, false, u"", u"d MMMM yyyy", {}, {}, {}},
      {u"DATE \\@ \"yyyy\" \\* MERGEFORMAT", u"DATE", TvnFieldType::ftDateTime, TvnFieldInstruction::fiNone,
       TvnFieldFormattingType::fftMergeFormat, false, u"", u"yyyy", {}, {}, {}},
      // Blanks inside the quoted picture are kept as written.
      {u"SAVEDATE \\@ \"dd  MM\"", u"SAVEDATE", TvnFieldType::ftDateTime, TvnFieldInstruction::fiNone,
       TvnFieldFormattingType::fftMergeFormat, false, u"", u"dd  MM", {}, {}, {}},
      // An unquoted picture stays in its words, "am/pm" included: it is the
      // formatter's AM/PM marker.
      {u"TIME \\@ h:mm am/pm", u"TIME", TvnFieldType::ftDateTime, TvnFieldInstruction::fiNone,
       TvnFieldFormattingType::fftMergeFormat, false, u"", u"", {u"h:mm", u"am/pm"}, {}, {}},
      {u"TIME \\@ \"h:mm am/pm\" \\* Upper \\# 0.00", u"TIME", TvnFieldType::ftDateTime, TvnFieldInstruction::fiNone,
       TvnFieldFormattingType::fftMergeFormat, false, u"", u"h:mm am/pm", {}, {u"Upper"}, {u"0.00"}},
      {u"AUTHOR \\* FirstCap \\* Upper", u"AUTHOR", TvnFieldType::ftAuthor, TvnFieldInstruction::fiNone,
       TvnFieldFormattingType::fftMergeFormat, false, u"", u"", {}, {u"FirstCap", u"Upper"}, {}},
      {u"DOCPROPERTY Company", u"DOCPROPERTY", TvnFieldType::ftDocInfo, TvnFieldInstruction::fiNone,
       TvnFieldFormattingType::fftMergeFormat, false, u"", u"", {}, {}, {}},
      {u"subject", u"subject", TvnFieldType::ftSubject, TvnFieldInstruction::fiNone,
       TvnFieldFormattingType::fftMergeFormat, false, u"", u"", {}, {}, {}},
      {u"KEYWORDS", u"KEYWORDS", TvnFieldType::ftKeyWords, TvnFieldInstruction::fiNone,
       TvnFieldFormattingType::fftMergeFormat, false, u"", u"", {}, {}, {}},
      {u"TITLE \\* Lower", u"TITLE", TvnFieldType::ftTitle, TvnFieldInstruction::fiNone,
       TvnFieldFormattingType::fftMergeFormat, false, u"", u"", {}, {u"Lower"}, {}},
      {u"SEQ Figure \\# 0", u"SEQ", TvnFieldType::ftNotDefined, TvnFieldInstruction::fiNone,
       TvnFieldFormattingType::fftMergeFormat, false, u"", u"", {}, {}, {u"0"}},
      // An unclosed picture runs to the end of the switches.
      {u"DATE \\@ \"d MMM", u"DATE", TvnFieldType::ftDateTime, TvnFieldInstruction::fiNone,
       TvnFieldFormattingType::fftMergeFormat, false, u"", u"d MMM", {}, {}, {}},
      {u"   ", u"", TvnFieldType::ftNotDefined, TvnFieldInstruction::fiNone, TvnFieldFormattingType::fftMergeFormat,
       false, u"", u"", {}, {}, {}},
      {u"MERGEFIELD", u"MERGEFIELD", TvnFieldType::ftNotDefined, TvnFieldInstruction::fiNone,
       TvnFieldFormattingType::fftMergeFormat, true, u"", u"", {}, {}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(ToUtf8(c.code));
    TvnFieldCode code;
    code.SetCode(c.code);
    EXPECT_EQ(code.GetInstruction(), c.instruction);
    EXPECT_EQ(code.GetFieldType(), c.type);
    EXPECT_EQ(code.GetFieldInstruction(), c.page);
    EXPECT_EQ(code.GetFieldFormattingType(), c.formatting);
    EXPECT_EQ(code.GetIsMergeRelatedField(), c.merge);
    EXPECT_EQ(code.GetMergeFieldName(), c.mergeName);
    EXPECT_EQ(code.GetDateTimeFormat(), c.dateFormat);
    EXPECT_EQ(code.GetDateTimeFormatSwitches(), c.dateSwitches);
    EXPECT_EQ(code.GetGeneralFormatSwitches(), c.generalSwitches);
    EXPECT_EQ(code.GetNumberingFormatSwitches(), c.numberingSwitches);
    EXPECT_EQ(code.GetCode(), c.code);
  }
}

TEST(FieldCode, MergeFieldSwitchArguments) {
  TvnFieldCode code;
  code.SetCode(u"MERGEFIELD City \\b \"Dear  \" \\f , \\B \"ignored\" \\* MERGEFORMAT");
  EXPECT_EQ(code.GetMergeFieldName(), u"City");
  EXPECT_EQ(code.GetFieldSpecificSwitches(), (std::map<String, String>{{u"\\b", u"Dear  "}, {u"\\f", u","}}));
  EXPECT_TRUE(code.GetGeneralFormatSwitches().empty());
  // GetCode writes each argument back in quotes.
  EXPECT_EQ(code.GetCode(), u"MERGEFIELD City \\b \"Dear  \" \\f \",\" \\B \"ignored\" \\* MERGEFORMAT");

  // A copy parses to the same arguments.
  auto copy = code.Clone();
  EXPECT_EQ(copy->GetFieldSpecificSwitches(), code.GetFieldSpecificSwitches());
  EXPECT_EQ(copy->GetMergeFieldName(), u"City");

  // A new code keeps the switches it does not name and takes the new
  // argument of one it names.
  code.SetCode(u"MERGEFIELD Town \\f \";\"");
  EXPECT_EQ(code.GetFieldSpecificSwitches(), (std::map<String, String>{{u"\\b", u"Dear  "}, {u"\\f", u";"}}));
  // A switch without argument.
  code.SetCode(u"MERGEFIELD Town \\b \\* Upper");
  EXPECT_EQ(code.GetFieldSpecificSwitches().at(u"\\b"), u"");
  EXPECT_EQ(code.GetGeneralFormatSwitches(), (Words{u"Upper"}));
}

TEST(FieldCode, SameCodeParsesOnce) {
  TvnFieldCode code;
  code.SetCode(u"DATE \\@ \"yyyy\"");
  // Changes made after the parse survive setting the same text again, and
  // are replaced by a new parse.
  code.SetFieldType(TvnFieldType::ftTitle);
  code.SetCode(u"DATE \\@ \"yyyy\"");
  EXPECT_EQ(code.GetFieldType(), TvnFieldType::ftTitle);
  code.SetCode(u"DATE  \\@ \"yyyy\"");
  EXPECT_EQ(code.GetFieldType(), TvnFieldType::ftDateTime);
}

TEST(FieldCode, AssignCopiesCharFormat) {
  TvnFieldCode source;
  source.SetCode(u"PAGE \\* CHARFORMAT");
  source.SetCharFormatRunProperties(std::make_shared<TvnRunProperties>());
  TvnFieldCode dest;
  source.Assign(&source, &dest);
  EXPECT_EQ(dest.GetFieldFormattingType(), TvnFieldFormattingType::fftCharFormat);
  ASSERT_NE(dest.GetCharFormatRunProperties(), nullptr);
  EXPECT_NE(dest.GetCharFormatRunProperties(), source.GetCharFormatRunProperties());
}

}  // namespace
}  // namespace vn::wordmodel::field_code_test
