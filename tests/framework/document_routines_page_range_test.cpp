#include <gtest/gtest.h>

#include "framework/document_routines.h"
#include "runtime/exceptions.h"
#include "runtime/strings.h"

namespace vn::framework::document_routines_page_range_test {
namespace {

TEST(PageRange, ValidTexts) {
  struct Case {
    const char16_t* text;
    int32_t page_count;
    TvnPageRange expected;
  } cases[] = {
      {u"", 5, {1, 2, 3, 4, 5}},
      {u"3-", 5, {3, 4, 5}},
      {u"-2", 5, {1, 2}},
      {u"-", 5, {1, 2, 3, 4, 5}},
      {u"2,2", 5, {2, 2}},
      {u"5", 5, {5}},
      {u"1-5", 5, {1, 2, 3, 4, 5}},
      {u"4-4", 5, {4}},
      {u"3,1-2,5", 5, {3, 1, 2, 5}},
      {u"1-3,2-4", 5, {1, 2, 3, 2, 3, 4}},
      // Blanks separate items as commas do.
      {u"1 3", 5, {1, 3}},
      {u"1 - 3", 5, {1, 1, 2, 3, 4, 5, 3}},
      {u"  2 ,\t4  ", 5, {2, 4}},
      // A quoted item may hold blanks; its parts are trimmed.
      {u"\"1 - 3\"", 5, {1, 2, 3}},
      {u"\" 2 - \",1", 5, {2, 3, 4, 5, 1}},
      {u"+2", 5, {2}},
      // Blanks only: no item, no page.
      {u"   ", 5, {}},
      {u"\t\r\n", 3, {}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ParsePageRange(c.text, c.page_count), c.expected) << ToUtf8(c.text);
  }
}

TEST(PageRange, MalformedTextsRaise) {
  struct Case {
    const char16_t* text;
    int32_t page_count;
  } cases[] = {
      {u"4-2", 5},  {u"0", 5},   {u"6", 5},   {u"0-3", 5},   {u"2-9", 5},  {u"a", 5},
      {u"1,2,", 5}, {u",1", 5},  {u"1,,2", 5}, {u"1, ,2", 5}, {u",", 5},    {u"1-a", 5},
      {u"x-3", 5},  {u"1-2-3", 5}, {u"$2", 5}, {u"0x2", 5},  {u"-0", 5},   {u"2147483648", 5},
      {u"\"\"", 5}, {u"", 0},    {u"-", 0},   {u"1", 0},     {u"1.5", 5},  {u"-1-2", 5},
  };
  for (const auto& c : cases) {
    try {
      ParsePageRange(c.text, c.page_count);
      ADD_FAILURE() << "no exception for \"" << ToUtf8(c.text) << "\"";
    } catch (const ExInvalidPageError& e) {
      EXPECT_STREQ(e.what(), "Invalid page range") << ToUtf8(c.text);
    }
  }
}

TEST(PageRange, NulSeparatesItemsLikeABlank) {
  EXPECT_EQ(ParsePageRange(String(u"1\0 3", 4), 5), (TvnPageRange{1, 3}));
  EXPECT_EQ(ParsePageRange(String(u"\0" u"2", 2), 5), (TvnPageRange{2}));
  EXPECT_THROW(ParsePageRange(String(u"1\0" u"9", 3), 5), ExInvalidPageError);
}

TEST(PageRange, LargeCountsDoNotOverflow) {
  TvnPageRange pages = ParsePageRange(u"2147483646-", INT32_MAX);
  EXPECT_EQ(pages, (TvnPageRange{INT32_MAX - 1, INT32_MAX}));
}

}  // namespace
}  // namespace vn::framework::document_routines_page_range_test
