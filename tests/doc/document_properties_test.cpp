// Document properties from property-set streams built in memory: the
// strings in their code pages, the dates, the second property set, and
// damaged sets read without going outside the stream.
#include "doc/document_properties.h"

#include <gtest/gtest.h>

namespace document_properties_test {

using vn::Diagnostics;
using vn::doc::FileTimeToText;
using vn::doc::ReadDocumentProperties;

std::string Le(uint64_t v, int size) {
  std::string s;
  for (int i = 0; i < size; ++i) s.push_back(static_cast<char>(v >> (8 * i)));
  return s;
}
std::string Padded(std::string s) {
  while (s.size() % 4) s.push_back('\0');
  return s;
}
// Typed values.
std::string Lpstr(const std::string& bytes) { return Padded(Le(30, 4) + Le(bytes.size() + 1, 4) + bytes + '\0'); }
std::string Lpwstr(const std::u16string& text) {
  std::string s = Le(31, 4) + Le(text.size() + 1, 4);
  for (char16_t c : text) s += Le(c, 2);
  return Padded(s + Le(0, 2));
}
std::string FileTime(uint64_t v) { return Le(64, 4) + Le(v, 8); }
std::string I2(uint16_t v) { return Padded(Le(2, 4) + Le(v, 2)); }

using Properties = std::vector<std::pair<uint32_t, std::string>>;

std::string PropertySet(const Properties& properties) {
  std::string values;
  std::string pairs;
  const size_t head = 8 + properties.size() * 8;
  for (const auto& [id, value] : properties) {
    pairs += Le(id, 4) + Le(head + values.size(), 4);
    values += value;
  }
  return Le(head + values.size(), 4) + Le(properties.size(), 4) + pairs + values;
}

// A property-set stream of the given sets; `gap` bytes between the header
// and the first set.
std::string PropertyStream(const std::vector<Properties>& sets, size_t gap = 0) {
  std::string header = Le(0xFFFE, 2) + Le(0, 2) + Le(0x00020006, 4) + std::string(16, '\0') + Le(sets.size(), 4);
  std::string body;
  std::string entries;
  const size_t first = 28 + 20 * sets.size() + gap;
  for (const auto& set : sets) {
    entries += std::string(16, '\x11') + Le(first + body.size(), 4);
    body += PropertySet(set);
  }
  return header + entries + std::string(gap, '\0') + body;
}

std::span<const uint8_t> Span(const std::string& s) { return {reinterpret_cast<const uint8_t*>(s.data()), s.size()}; }

std::string Utf8(const vn::String& s) { return vn::ToUtf8(s); }

// 2008-08-09 13:21:00 UTC as a file time.
constexpr uint64_t kAugust2008 = 128627616600000000ull;

TEST(DocDocumentProperties, ReadsTheSummaryTextsAndDates) {
  const std::string summary = PropertyStream({{
      {1, I2(1252)},
      {2, Lpstr("Title")},
      {3, Lpstr("Subject")},
      {4, Lpstr("Author")},
      {5, Lpstr("Key words")},
      {6, Lpstr("Comments")},
      {7, Lpstr("Normal.dot")},  // the template: not kept
      {8, Lpstr("Last author")},
      {9, Lpstr("3")},
      {11, FileTime(0)},
      {12, FileTime(kAugust2008)},
      {13, FileTime(kAugust2008 + 10000)},
      {2, Lpstr("second title, ignored")},
  }});
  const std::string document_summary =
      PropertyStream({{{2, Lpstr("Category")}, {15, Lpstr("Company")}, {28, Lpstr("en-GB")}, {29, Lpstr("1.0")}},
                      {{2, Lpstr("user-defined")}}});
  Diagnostics diagnostics;
  const auto info = ReadDocumentProperties(Span(summary), Span(document_summary), &diagnostics);
  EXPECT_EQ(Utf8(info->GetTitle()), "Title");
  EXPECT_EQ(Utf8(info->GetSubject()), "Subject");
  EXPECT_EQ(Utf8(info->GetAuthor()), "Author");
  EXPECT_EQ(Utf8(info->GetKeyWords()), "Key words");
  EXPECT_EQ(Utf8(info->GetComments()), "Comments");
  EXPECT_EQ(Utf8(info->GetLastModifiedBy()), "Last author");
  EXPECT_EQ(Utf8(info->GetRevision()), "3");
  EXPECT_EQ(Utf8(info->GetLastPrinted()), "1601-01-01T00:00:00Z");
  EXPECT_EQ(Utf8(info->GetCreated()), "2008-08-09T13:21:00Z");
  EXPECT_EQ(Utf8(info->GetModified()), "2008-08-09T13:21:00Z");  // one millisecond later
  EXPECT_EQ(Utf8(info->GetCategory()), "Category");
  EXPECT_EQ(Utf8(info->GetCreator()), "Company");
  EXPECT_EQ(Utf8(info->GetLanguage()), "en-GB");
  EXPECT_EQ(Utf8(info->GetVersion()), "1.0");
  EXPECT_TRUE(diagnostics.Empty()) << diagnostics.Summary();
}

TEST(DocDocumentProperties, FileTimesBecomeWholeSecondTexts) {
  const struct {
    uint64_t ticks;
    const char* text;
  } cases[] = {
      {0, "1601-01-01T00:00:00Z"},
      {9999999, "1601-01-01T00:00:00Z"},
      {10000000, "1601-01-01T00:00:01Z"},
      {116444736000000000ull, "1970-01-01T00:00:00Z"},
      {kAugust2008, "2008-08-09T13:21:00Z"},
      {126227807990000000ull, "2000-12-31T23:59:59Z"},
      {2650467743990000000ull, "9999-12-31T23:59:59Z"},
      {2650467744000000000ull, ""},  // the year 10000
      {UINT64_MAX, ""},
  };
  for (const auto& c : cases) EXPECT_EQ(Utf8(FileTimeToText(c.ticks)), c.text) << c.ticks;
}

TEST(DocDocumentProperties, DecodesStringsInTheSetsCodePage) {
  const struct {
    const char* name;
    Properties set;
    const char* title;
  } cases[] = {
      {"no code page: Windows-1252", {{2, Lpstr("en\x96" "dash \x80")}}, "en\u2013dash \u20ac"},
      {"1252", {{1, I2(1252)}, {2, Lpstr("caf\xe9")}}, "caf\u00e9"},
      {"1251", {{1, I2(1251)}, {2, Lpstr("\xcf\xf0\xe8\xe2\xe5\xf2")}}, "\u041f\u0440\u0438\u0432\u0435\u0442"},
      {"UTF-8 (65001, read as -535)", {{1, I2(65001)}, {2, Lpstr("\xd0\x98\xd0\xbd")}}, "\u0418\u043d"},
      {"UTF-16 byte string", {{1, I2(1200)}, {2, Lpstr(std::string("H\0i\0", 4))}}, "Hi"},
      {"UTF-16 string", {{2, Lpwstr(u"\u00fcber")}}, "\u00fcber"},
      {"zero bytes inside are dropped", {{2, Lpstr(std::string("a\0b", 3))}}, "ab"},
      {"an unknown code page keeps the bytes", {{1, I2(7)}, {2, Lpstr("\xe9")}}, "\u00e9"},
      {"a code page of another type is not one", {{1, Lpstr("x")}, {2, Lpstr("\x80")}}, "\u20ac"},
  };
  for (const auto& c : cases) {
    const std::string summary = PropertyStream({c.set});
    EXPECT_EQ(Utf8(ReadDocumentProperties(Span(summary), {})->GetTitle()), c.title) << c.name;
  }
}

TEST(DocDocumentProperties, FindsTheSetThroughTheHeaderOffset) {
  const std::string summary = PropertyStream({{{2, Lpstr("Moved")}}}, 40);
  EXPECT_EQ(Utf8(ReadDocumentProperties(Span(summary), {})->GetTitle()), "Moved");
}

TEST(DocDocumentProperties, DamagedSetsGiveWhatFitsTheirStream) {
  const std::string document_summary = PropertyStream({{{15, Lpstr("Company")}}});
  const std::string good = PropertyStream({{{2, Lpstr("Title")}, {4, Lpstr("Author")}}});
  // Offsets in `good`: the set at 48; its pairs at 56 and 64; the title
  // value at 72 (count at 76), the author after it.
  std::string oversized = good;
  oversized.replace(48, 4, Le(good.size(), 4));
  std::string long_string = good;
  long_string.replace(76, 4, Le(0x7FFFFFFF, 4));
  std::string value_outside = good;
  value_outside.replace(60, 4, Le(0x10000, 4));
  std::string many = good;
  many.replace(52, 4, Le(0xFFFFFFFF, 4));
  std::string set_outside = good;
  set_outside.replace(44, 4, Le(0xFFFFFFF0, 4));
  const struct {
    const char* name;
    std::string summary;
    const char* title;
    const char* author;
    const char* company;
  } cases[] = {
      {"sound", good, "Title", "Author", "Company"},
      {"set larger than its stream: nothing, not even the company", oversized, "", "", ""},
      {"string longer than the stream", long_string, "", "Author", "Company"},
      {"value offset outside the stream", value_outside, "", "Author", "Company"},
      {"more properties counted than the set holds", many, "Title", "Author", "Company"},
      {"set offset outside the stream", set_outside, "", "", ""},
      {"truncated in the header", good.substr(0, 30), "", "", ""},
      {"empty summary: the company still", "", "", "", "Company"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto info = ReadDocumentProperties(Span(c.summary), Span(document_summary));
    EXPECT_EQ(Utf8(info->GetTitle()), c.title);
    EXPECT_EQ(Utf8(info->GetAuthor()), c.author);
    EXPECT_EQ(Utf8(info->GetCreator()), c.company);
  }
}

TEST(DocDocumentProperties, ADocumentSummaryOfAnotherSetCountGivesNothing) {
  std::string document_summary = PropertyStream({{{15, Lpstr("Company")}}});
  document_summary.replace(24, 4, Le(3, 4));
  EXPECT_EQ(Utf8(ReadDocumentProperties({}, Span(document_summary))->GetCreator()), "");
  document_summary.replace(24, 4, Le(2, 4));
  EXPECT_EQ(Utf8(ReadDocumentProperties({}, Span(document_summary))->GetCreator()), "Company");
}

}  // namespace document_properties_test
