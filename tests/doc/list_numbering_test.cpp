// List definitions, overrides and labels over small built table streams:
// counting across levels, bullets, format overrides, formats the reader
// cannot write, references to lists that do not exist, and counts larger
// than their bytes.
#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "doc/doc_package.h"
#include "doc/list_numbering.h"
#include "doc/main_document_parser.h"
#include "support/paths.h"
#include "word_document_builder.h"

namespace vn::doc::list_numbering_test {

using vn::doc::testing::WordDocumentBuilder;
using namespace std::string_literals;

std::string W16(uint16_t v) { return WordDocumentBuilder::Le16(v); }
std::string W32(uint32_t v) { return WordDocumentBuilder::Le32(v); }

// One level: start value, format, placeholder offsets, text, paragraph sprms.
std::string Lvl(int32_t start, uint8_t nfc, std::vector<uint8_t> offsets, const std::u16string& text,
                const std::string& papx = "") {
  std::string s = W32(static_cast<uint32_t>(start)) + static_cast<char>(nfc) + '\0';
  offsets.resize(9, 0);
  for (uint8_t o : offsets) s += static_cast<char>(o);
  s += '\0' + W32(0) + W32(0) + '\0' + static_cast<char>(papx.size()) + '\0' + '\0';
  s += papx + W16(static_cast<uint16_t>(text.size()));
  for (char16_t c : text) s += W16(c);
  return s;
}
std::string Lstf(uint32_t lsid, bool simple) {
  return W32(lsid) + W32(0) + std::string(18, '\0') + static_cast<char>(simple ? 1 : 0) + '\0';
}
std::string Lfo(uint32_t lsid, uint8_t overrides) { return W32(lsid) + W32(0) + W32(0) + static_cast<char>(overrides) + std::string(3, '\0'); }

const std::string kIndent720("\x0F\x84\xD0\x02", 4);

struct Tables {
  std::string bytes;
  uint32_t lst = 0, lst_size = 0, lfo = 0, lfo_size = 0;
};

// A nine-level decimal list (100: "1." and "1.1", level 2 in an unwritable
// format), a bullet list (200), and a third override of list 100 whose
// level 0 is reformatted as upper-case roman.
Tables Sample(uint16_t cLst = 2, uint32_t lfoMac = 3) {
  Tables t;
  t.bytes = W16(cLst) + Lstf(100, false) + Lstf(200, true);
  t.lst_size = static_cast<uint32_t>(t.bytes.size());
  t.bytes += Lvl(1, 0, {1}, u"\u0000."s, kIndent720) + Lvl(1, 0, {1, 3}, u"\u0000.\u0001"s) + Lvl(1, 5, {1}, u"\u0002)");
  for (int i = 3; i < 9; ++i) t.bytes += Lvl(1, 4, {1}, std::u16string(1, static_cast<char16_t>(i)));
  t.bytes += Lvl(1, 23, {}, u"\u2022");
  t.lfo = static_cast<uint32_t>(t.bytes.size());
  t.bytes += W32(lfoMac) + Lfo(100, 0) + Lfo(200, 0) + Lfo(100, 1);
  t.bytes += W32(0) + W32(0) + W32(0);
  t.bytes += W32(1) + std::string("\x20\x00\x00\x00", 4) + Lvl(1, 1, {1}, u"\u0000."s);
  t.lfo_size = static_cast<uint32_t>(t.bytes.size()) - t.lfo;
  return t;
}

struct Lists {
  explicit Lists(const Tables& t)
      : zeros(1024, 0), reader(zeros), fib(reader),
        helpers(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(t.bytes.data()), t.bytes.size()), {}, 0, 0),
        numbering(Make(t)) {}
  TvnDocListNumbering Make(const Tables& t) {
    fib.FfcPlfLst = t.lst;
    fib.FlcbPlfLst = t.lst_size;
    fib.FfcPlfLfo = t.lfo;
    fib.FlcbPlfLfo = t.lfo_size;
    return TvnDocListNumbering(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(t.bytes.data()), t.bytes.size()),
                               fib, helpers, &diagnostics);
  }
  std::vector<uint8_t> zeros;
  TvnBinaryReader reader;
  TvnFIBBase fib;
  TvnDOCHelperFunctions helpers;
  Diagnostics diagnostics;
  TvnDocListNumbering numbering;
};

TEST(DocListNumbering, LabelsCountInDocumentOrder) {
  Lists l(Sample());
  EXPECT_TRUE(l.diagnostics.Empty()) << l.diagnostics.Summary();
  // ilfo, ilvl, label ("-" for none).
  struct Step {
    int32_t ilfo, ilvl;
    const char16_t* label;
  };
  const Step steps[] = {
      {1, 0, u"1."},  {1, 0, u"2."}, {1, 1, u"2.1"}, {1, 0, u"3."}, {1, 1, u"3.1"},
      {2, 0, u"\u2022"},            // the bullet list
      {0, 0, u"-"},   {4, 0, u"-"},  {2, 1, u"-"},   // no override, past the last, a level a simple list lacks
      {3, 0, u"I."},                 // the last override, reformatted
      {1, 1, u"3.2"},
      {1, 2, u"1)"},                 // an unwritable format comes out decimal, its placeholder filled
      {1, 0, u"4."},  {1, 1, u"4.1"},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(::testing::Message() << s.ilfo << "/" << s.ilvl);
    const auto label = l.numbering.NextLabel(s.ilfo, s.ilvl);
    EXPECT_EQ(label.value_or(u"-"), s.label);
  }
  // The level's own paragraph formatting is read with it.
  EXPECT_EQ(l.numbering.Level(1, 0)->FparagraphProperties->GetLeftIndent(), 48);
}

TEST(DocListNumbering, CountsLargerThanTheirBytesEndWithTheBytes) {
  Tables t = Sample(60000, 0x7FFFFFFF);
  Lists l(t);
  EXPECT_FALSE(l.diagnostics.Empty());
  // The override count is cut to the bytes after it, which still hold the
  // three overrides; the definition count to the definitions' own bound.
  EXPECT_EQ(l.numbering.Definitions().FRdLstf.size(), 2u);
  EXPECT_GE(l.numbering.Overrides().FRgLfo.size(), 3u);

  // Tables lying past the stream's end read nothing.
  Tables gone = Sample();
  gone.lst = gone.lfo = 1u << 30;
  Lists none(gone);
  EXPECT_TRUE(none.numbering.Definitions().FRdLstf.empty());
  EXPECT_TRUE(none.numbering.Overrides().FRgLfo.empty());
  EXPECT_FALSE(none.numbering.NextLabel(1, 0).has_value());
}

TEST(DocListNumbering, ALibreOfficeDocumentsParagraphsGetTheirLabels) {
  // A dump of each paragraph's label and text, the labels counted in
  // paragraph order from each paragraph's list override and level.
  vn::TMemoryStream input;
  input.LoadFromFile(std::filesystem::path(VN_FIXTURES_DIR) / "doc" / "lists.doc");
  Diagnostics diagnostics;
  TvnDOCPackage package(&input, u"", &diagnostics);
  TvnDOCMainDocumentParser parser(&package, nullptr, &diagnostics);
  parser.Initialize();
  TvnBinaryReader word(package.OLESSRoot()->FWordDocumentStream.Bytes());
  const TvnDocStory& main = parser.MainStory();
  std::vector<String> dump;
  for (const TvnDocParagraph& p : main.FParagraphs) {
    vn::wordmodel::TvnParagraphProperties props;
    package.HelperFunctions()->ParseParagraphProperties(props, p.FPRL.get(), word);
    String text = main.FText.substr(static_cast<size_t>(p.FCP), static_cast<size_t>(p.FCPEnd - p.FCP));
    if (!text.empty() && text.back() == u'\r') text.pop_back();
    String line;
    if (props.GetNumberID() > 0)
      line = parser.ListNumbering()->NextLabel(props.GetNumberID(), props.GetNumberLevel()).value_or(u"?") + u" ";
    dump.push_back(line + text);
  }
  // The writer stores the bullet as the Symbol font's bullet code, which
  // the label keeps (the level's run properties name that font).
  const std::vector<String> expected = {u"1. One",  u"2. Two",        u"2.1 Two one", u"3. Three", u"3.1 Three one",
                                        u"\uF0B7 Dot", u"\uF0B7 Dot again", u"Plain"};
  EXPECT_EQ(dump, expected);
  EXPECT_TRUE(diagnostics.Empty()) << diagnostics.Summary();
}

}  // namespace vn::doc::list_numbering_test
