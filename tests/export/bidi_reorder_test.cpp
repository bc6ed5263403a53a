// Right-to-left reordering for left-to-right formats, against FriBidi's
// visual order of the same line with a left-to-right base direction
// (brackets mirrored, combining marks not moved), and the places where the
// one-pass reordering differs from it by design.
#include <fribidi.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "export/bidi_reorder.h"

namespace vn::exporter::bidi_reorder_test {
namespace {

std::u16string FriBidiVisual(const std::u16string& text) {
  const auto n = static_cast<FriBidiStrIndex>(text.size());
  std::vector<FriBidiChar> chars(text.begin(), text.end());
  std::vector<FriBidiCharType> types(text.size());
  std::vector<FriBidiBracketType> brackets(text.size());
  std::vector<FriBidiLevel> levels(text.size());
  fribidi_get_bidi_types(chars.data(), n, types.data());
  fribidi_get_bracket_types(chars.data(), n, types.data(), brackets.data());
  FriBidiParType base = FRIBIDI_PAR_LTR;
  EXPECT_NE(fribidi_get_par_embedding_levels_ex(types.data(), brackets.data(), n, &base, levels.data()), 0);
  fribidi_shape_mirroring(levels.data(), n, chars.data());
  EXPECT_NE(fribidi_reorder_line(0, types.data(), n, 0, base, levels.data(), chars.data(), nullptr), 0);
  return std::u16string(chars.begin(), chars.end());
}

TEST(BiDiReorder, FollowsTheLinesOfThePart) {
  struct Case {
    std::u16string text, expected;
  } cases[] = {
      {u"plain left to right, 1 (2)", u"plain left to right, 1 (2)"},
      {u"\u05d0\u05d1\u05d2", u"\u05d2\u05d1\u05d0"},
      {u"left \u05d0\u05d1", u"left \u05d1\u05d0"},
      {u"\u05d0\u05d1 \u05d2\u05d3", u"\u05d3\u05d2 \u05d1\u05d0"},
      {u"\u05d0 3.5 \u05d1", u"\u05d1 3.5 \u05d0"},
      {u"\u05d0 12 \u05d1", u"\u05d1 12 \u05d0"},
      {u"\u05d0 (\u05d1) \u05d2", u"\u05d2 (\u05d1) \u05d0"},
      {u"", u""},
  };
  for (const Case& c : cases) EXPECT_EQ(ReorderBiDiText(c.text), c.expected) << vn::ToUtf8(c.text);
}

TEST(BiDiReorder, AgreesWithFriBidiOnHebrewAndArabicLines) {
  const std::u16string lines[] = {
      u"שלום",
      u"abc שלום def",
      u"שלום עולם",
      u"שלום 123 עולם",
      u"מחיר 3.5 שקל",
      u"בשנת 1,234,567 היו",
      u"שלום (עולם) שלום",
      u"مرحبا بالعالم",
      u"המחיר $100 היום",
      u"בשעה 10:30 בבוקר",
      u"בתאריך 12/05/2024 נפגשנו",
      u"Hello שלום 42 world",
      u"שלום.",
      u"שלום, עולם!",
      u"abc שלום",
      u"שלום abc",
      u"123 שלום",
      u"שלום 123",
      u"(1) שלום",
      u"הנחה של 50% היום",
      u"ש 1.5% ב",
      u"هذا (مثال) بسيط",
      u"عام 2024 كان",
      u"x = שלום + 5",
      u"ש 12:30:45 ב",
  };
  for (const std::u16string& line : lines) EXPECT_EQ(ReorderBiDiText(line), FriBidiVisual(line)) << vn::ToUtf8(line);
}

TEST(BiDiReorder, DiffersFromFriBidiByDesign) {
  struct Case {
    const char* why;
    std::u16string text, expected;
  } cases[] = {
      {"brackets are mirrored once right-to-left text has been placed, also in left-to-right text", u"abc (שלום) def",
       u"abc (םולש( def"},
      {"a number after Arabic letters is an ordinary number", u"السعر 25% اليوم", u"مويلا 25% رعسلا"},
      {"Arabic-Indic digits are right-to-left characters", u"عدد ١٢٣ هنا", u"انه ٣٢١ ددع"},
      {"neutrals before a number keep their order; the last neutrals end the line", u"שלום (1)", u"1 )םולש)"},
      {"a hyphen does not join digits", u"טלפון 03-1234567", u"1234567-03 ןופלט"},
      {"a currency sign goes before its number", u"ש 5$ ב", u"ב $5 ש"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ReorderBiDiText(c.text), c.expected) << c.why;
    EXPECT_NE(FriBidiVisual(c.text), c.expected) << c.why;
  }
}

TEST(BiDiReorder, ReadsNumbersInTheLocalesFormat) {
  TvnBiDiLocale german;
  german.DecimalSeparator = u',';
  german.ThousandSeparator = u'.';
  EXPECT_EQ(ReorderBiDiText(u"\u05d0 3,5 \u05d1", german), u"\u05d1 3,5 \u05d0");
  EXPECT_EQ(ReorderBiDiText(u"\u05d0 1.000,25 \u05d1", german), u"\u05d1 1.000,25 \u05d0");
  // An apostrophe groups thousands only where the locale says so.
  TvnBiDiLocale swiss;
  swiss.ThousandSeparator = u'\'';
  EXPECT_EQ(ReorderBiDiText(u"\u05d0 1'000 \u05d1", swiss), u"\u05d1 1'000 \u05d0");
  EXPECT_EQ(ReorderBiDiText(u"\u05d0 1'000 \u05d1"), u"\u05d1 000'1 \u05d0");
}

TEST(BiDiReorder, EveryCharacterComesOutOnce) {
  // Random lines of Hebrew and Arabic letters, Latin letters, digits,
  // separators, currency and brackets: the result holds the same characters
  // (a bracket counting as its pair), and a line without right-to-left
  // letters is unchanged.
  const std::u16string alphabet = u"\u05d0\u05d1\u05d2\u0627\u0644abc0123 ,.:/$%()[]<>{}-!";
  auto normalized = [](std::u16string s) {
    for (char16_t& c : s) {
      if (c == u')') c = u'(';
      if (c == u']') c = u'[';
      if (c == u'>') c = u'<';
      if (c == u'}') c = u'{';
    }
    std::sort(s.begin(), s.end());
    return s;
  };
  std::mt19937 random(7);
  for (int i = 0; i < 5000; ++i) {
    std::u16string line(random() % 24, u' ');
    for (char16_t& c : line) c = alphabet[random() % alphabet.size()];
    const std::u16string out = ReorderBiDiText(line);
    ASSERT_EQ(normalized(out), normalized(line)) << vn::ToUtf8(line) << " -> " << vn::ToUtf8(out);
    if (std::none_of(line.begin(), line.end(), IsRTLChar)) ASSERT_EQ(out, line);
  }
}

TEST(BiDiReorder, LongLinesCostInProportion) {
  std::u16string hebrew(300000, u'\u05d0');
  hebrew[0] = u'\u05d1';
  std::u16string mixed;
  for (int i = 0; i < 30000; ++i) mixed += u"\u05d0 1 ";
  const std::u16string out = ReorderBiDiText(hebrew);
  EXPECT_EQ(out.back(), u'\u05d1');
  EXPECT_EQ(ReorderBiDiText(mixed).size(), mixed.size());
}

TEST(BiDiReorder, CharacterClasses) {
  EXPECT_TRUE(IsDigitChar(u'0') && IsDigitChar(u'9') && !IsDigitChar(u'a'));
  for (char16_t c : std::u16string(u" !/:@[`{~")) EXPECT_TRUE(IsNeutralChar(c)) << int(c);
  for (char16_t c : std::u16string(u"0aZ\u00a0\u05d0")) EXPECT_FALSE(IsNeutralChar(c)) << int(c);
  for (int c : {0x0590, 0x05FF, 0x0600, 0x06FF, 0xFB1E, 0xFB4F, 0xFB50, 0xFDFF, 0xFE70, 0xFEFF}) EXPECT_TRUE(IsRTLChar(static_cast<char16_t>(c))) << c;
  for (int c : {0x058F, 0x0700, 0xFB1D, 0xFE00, 0xFF00}) EXPECT_FALSE(IsRTLChar(static_cast<char16_t>(c))) << c;
}

}  // namespace
}  // namespace vn::exporter::bidi_reorder_test
