// The paragraph and run builder over small built files, shown as dumps of
// the model it makes: styles, list labels, tables with a nested table,
// fields with their results, tabs and vertical tabs, and the damage it
// reads leniently.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "doc/doc_package.h"
#include "doc/main_document_parser.h"
#include "doc/paragraph_builder.h"
#include "doc/style_parser.h"
#include "wordmodel/fields.h"
#include "wordmodel/layout_tags.h"
#include "wordmodel/paragraph.h"
#include "wordmodel/table.h"
#include "wordmodel/text_item.h"
#include "support/paths.h"
#include "word_document_builder.h"

namespace vn::doc::paragraph_builder_test {

using vn::doc::testing::WordDocumentBuilder;
using namespace std::string_literals;
namespace wm = vn::wordmodel;

std::string W16(uint16_t v) { return WordDocumentBuilder::Le16(v); }
std::string W32(uint32_t v) { return WordDocumentBuilder::Le32(v); }
std::string Sprm(uint16_t sprm, const std::string& operand) { return W16(sprm) + operand; }

const std::string kInTable = Sprm(0x2416, "\x01");
const std::string kRowEnd = Sprm(0x2417, "\x01");
const std::string kInnerCell = Sprm(0x244B, "\x01");
const std::string kInnerRowEnd = Sprm(0x244C, "\x01");
std::string Depth(uint32_t d) { return Sprm(0x6649, W32(d)); }
std::string List(uint16_t ilfo, uint8_t ilvl) { return Sprm(0x460B, W16(ilfo)) + Sprm(0x260A, std::string(1, static_cast<char>(ilvl))); }
const std::string kSpecial = Sprm(0x0855, "\x01");
const std::string kBold = Sprm(0x0835, "\x01");

// A stylesheet: its header, then each description (kind, base, name,
// blocks).
std::string Std(uint16_t stk, uint16_t base, const std::u16string& name, const std::string& blocks) {
  std::string s = W16(0) + W16(static_cast<uint16_t>(stk | (base << 4))) + W16(0) + W16(0) + W16(0);
  s += W16(static_cast<uint16_t>(name.size()));
  for (char16_t c : name) s += W16(c);
  s += W16(0) + blocks;
  return W16(static_cast<uint16_t>(s.size())) + s;
}
std::string ParaBlock(const std::string& sprms) {
  std::string s = W16(static_cast<uint16_t>(sprms.size() + 2)) + W16(0) + sprms;
  return s.size() % 2 ? s + '\0' : s;
}
std::string CharBlock(const std::string& sprms) {
  std::string s = W16(static_cast<uint16_t>(sprms.size())) + sprms;
  return s.size() % 2 ? s + '\0' : s;
}
std::string Stsh(const std::vector<std::string>& stds) {
  std::string header = W16(static_cast<uint16_t>(stds.size())) + W16(10);
  header.resize(18, '\0');
  std::string s = W16(18) + header;
  for (const auto& d : stds) s += d;
  return s;
}

constexpr uint16_t kNone = 4095;

struct Para {
  std::u16string text;
  std::string sprms;
  uint16_t istd = 0;
};
struct Chars {
  size_t length;
  std::string sprms;
};

// A document of these paragraphs (compressed text), each its own
// paragraph run, and of these character runs (one run without properties
// when none are given).
WordDocumentBuilder Doc(const std::vector<Para>& paras, const std::vector<Chars>& chars = {}) {
  WordDocumentBuilder b;
  b.Stylesheet(Stsh({Std(1, kNone, u"Normal", ParaBlock("") + CharBlock(""))}));
  std::u16string all;
  for (const auto& p : paras) all += p.text;
  b.Text(all, true);
  uint32_t cp = 0;
  for (const auto& p : paras) {
    const auto n = static_cast<uint32_t>(p.text.size());
    b.ParagraphRun(b.Fc(cp), b.Fc(cp + n), p.istd, p.sprms);
    cp += n;
  }
  cp = 0;
  for (const auto& c : chars) {
    const auto n = static_cast<uint32_t>(c.length);
    b.CharacterRun(b.Fc(cp), b.Fc(cp + n), c.sprms);
    cp += n;
  }
  return b;
}

std::string Utf8(const String& s) { return vn::ToUtf8(s); }

// The model as text: a paragraph as "P", its style id, "#" when numbered,
// then its runs in brackets (text, <tab>, <br>) and fields in braces with
// their code and result; a table as T, its rows R and cells C, each level
// indented.
std::string DumpRun(const wm::TvnRun& run) {
  std::string s = "[";
  for (const auto& item : run.GetItems()) {
    if (auto* t = dynamic_cast<const wm::TvnTextitem*>(item.get())) s += Utf8(t->GetText());
    if (auto* b = dynamic_cast<const wm::TvnBreak*>(item.get()))
      s += b->GetBreakType() == wm::TvnBreakType::btTab ? "<tab>" : b->GetBreakType() == wm::TvnBreakType::btLine ? "<br>" : "<?>";
  }
  return s + "]";
}

void Dump(const wm::TvnDocItem* item, int indent, std::string& out) {
  const std::string pad(static_cast<size_t>(indent), ' ');
  if (auto* p = dynamic_cast<const wm::TvnParagraph*>(item)) {
    out += pad + "P" + Utf8(p->GetParagraphProperties()->GetStyleID());
    if (auto* tag = dynamic_cast<wm::TvnparagraphTag*>(p->GetTag()); tag && tag->GetIsNumParagraph()) out += "#";
    out += ":";
    for (const auto& child : p->GetItems()) {
      if (auto* r = dynamic_cast<const wm::TvnRun*>(child.get())) out += " " + DumpRun(*r);
      if (auto* f = dynamic_cast<const wm::TvnField*>(child.get())) {
        out += " {" + Utf8(f->GetFieldCode()->GetCode()) + ":";
        if (f->GetResult())
          for (const auto& r : *f->GetResult()) out += " " + DumpRun(*r);
        out += "}";
      }
    }
    out += "\n";
  } else if (auto* t = dynamic_cast<const wm::TvnTable*>(item)) {
    out += pad + "T\n";
    for (const auto& row : t->GetRows()) {
      out += pad + " R\n";
      for (const auto& cell : row->GetCells()) {
        out += pad + "  C\n";
        for (const auto& inner : cell->GetDocItems()) Dump(inner.get(), indent + 3, out);
      }
    }
  }
}

struct Built {
  // With section ends at these main-story positions.
  explicit Built(WordDocumentBuilder builder, std::vector<int64_t> section_ends = {})
      : input(builder.Build()), package(&input, u"", &diagnostics), mediator(nullptr),
        parser(&package, &mediator, &diagnostics) {
    wm::FillMediatorFromReader(parser, mediator);
    main = static_cast<TvnDOCMainDocumentParser*>(parser.GetDocumentParser());
    main->Initialize();
    main->ParagraphBuilder().SetSectionBoundaries(std::move(section_ends));
    items = main->GetEnumerator();
  }
  std::string Dumped() const {
    std::string out;
    for (const auto* item : items) Dump(item, 0, out);
    return out;
  }
  const wm::TvnParagraph& Paragraph(size_t i) const { return dynamic_cast<const wm::TvnParagraph&>(*items.at(i)); }
  vn::TStringStream input;
  Diagnostics diagnostics;
  TvnDOCPackage package;
  wm::TvnDocumentMediator mediator;
  TvnDOCParser parser;
  TvnDOCMainDocumentParser* main = nullptr;
  std::vector<wm::TvnDocItem*> items;
};

TEST(DocParagraphBuilder, TabsAndVerticalTabsBecomeBreaks) {
  Built b(Doc({{u"Name\tValue\r"}, {u"one\vtwo\vthree\r"}, {u"a\v\vb\r"}, {u"\r"}}));
  EXPECT_EQ(b.Dumped(),
            "P0: [Name<tab>Value]\n"
            "P0: [one] [<br>] [two] [<br>] [three]\n"
            "P0: [a] [<br>] [<br>] [b]\n"
            "P0:\n");
}

TEST(DocParagraphBuilder, PageBreaksAndSectionEnds) {
  // A page break inside a paragraph moves the paragraph to a new page; a
  // section break ending a paragraph ends the section instead (even where
  // the next paragraph shares its properties).
  Built b(Doc({{u"a\x0C" u"b\r"}, {u"end of section\x0C" u"next\r"}}), {19});
  EXPECT_EQ(b.Dumped(), "P0: [ab]\nP0: [end of section]\nP0: [next]\n");
  EXPECT_TRUE(b.Paragraph(0).GetParagraphProperties()->GetPageBreakBefore());
  EXPECT_FALSE(b.Paragraph(0).GetContainsSection());
  EXPECT_TRUE(b.Paragraph(1).GetContainsSection());
  EXPECT_FALSE(b.Paragraph(1).GetParagraphProperties()->GetPageBreakBefore());
  EXPECT_FALSE(b.Paragraph(2).GetContainsSection());
}

TEST(DocParagraphBuilder, APageFieldKeepsItsCodeAndResult) {
  // "Page " {19} " PAGE " {20} "7" {21} "\r": the three field characters
  // are special.
  const std::u16string text = u"Page \x13 PAGE \x14" u"7\x15 of 9\r";
  Built b(Doc({{text}}, {{5, ""}, {1, kSpecial}, {6, ""}, {1, kSpecial}, {1, kBold}, {1, kSpecial}, {6, ""}}));
  EXPECT_EQ(b.Dumped(), "P0: [Page ] { PAGE : [7]} [ of 9]\n");
  const auto& field = dynamic_cast<const wm::TvnField&>(*b.Paragraph(0).GetItems()[1]);
  EXPECT_EQ(field.GetFieldCode()->GetFieldInstruction(), wm::TvnFieldInstruction::fiPage);
  EXPECT_TRUE((*field.GetResult())[0]->GetRunProperties()->GetFontStyle().Contains(vn::framework::TvnFontStyle::fsBold));
}

TEST(DocParagraphBuilder, FieldsNestAndResultsAcrossParagraphsStayVisible) {
  // A field nested in another's result gives its result to the outer one;
  // a field without separator has no result; a result that reaches past a
  // paragraph mark (a table of contents) is shown where it lies.
  const std::u16string nested = u"\x13 HYPERLINK x \x14" u"see \x13 PAGE \x14" u"3\x15\x15\r";
  const std::u16string bare = u"\x13 XE \x15" u"end\r";
  const std::u16string toc1 = u"\x13 TOC \x14" u"One\r";
  const std::u16string toc2 = u"Two\x15\r";
  std::vector<Chars> chars;
  for (const auto& t : {nested, bare, toc1, toc2})
    for (char16_t c : t) chars.push_back({1, c >= 0x13 && c <= 0x15 ? kSpecial : ""});
  Built b(Doc({{nested}, {bare}, {toc1}, {toc2}}, chars));
  EXPECT_EQ(b.Dumped(),
            "P0: { HYPERLINK x : [see ] [3]}\n"
            "P0: { XE :} [end]\n"
            "P0: [One]\n"
            "P0: [Two]\n");
}

TEST(DocParagraphBuilder, ATwoByTwoTableWithATableNestedInItsRightCell) {
  const std::string cell = kInTable;
  const std::string inner = kInTable + Depth(2);
  Built b(Doc({{u"before\r"},
               {u"a\x07", cell},
               {u"i1\r", inner + kInnerCell},
               {u"i2\r", inner + kInnerCell},
               {u"\r", inner + kInnerRowEnd},
               {u"b\x07", cell},
               {u"\x07", cell + kRowEnd},
               {u"c\x07", cell},
               {u"d\x07", cell},
               {u"\x07", cell + kRowEnd},
               {u"after\r"}}));
  EXPECT_EQ(b.Dumped(),
            "P0: [before]\n"
            "T\n"
            " R\n"
            "  C\n"
            "   P0: [a]\n"
            "  C\n"
            "   T\n"
            "    R\n"
            "     C\n"
            "      P0: [i1]\n"
            "     C\n"
            "      P0: [i2]\n"
            "   P0: [b]\n"
            " R\n"
            "  C\n"
            "   P0: [c]\n"
            "  C\n"
            "   P0: [d]\n"
            "P0: [after]\n");
}

TEST(DocParagraphBuilder, TableSprmsOfTheRowEndReachTheRowsCells) {
  // sprmTDefTable: two cells of 1440 twips from -108; a row height of
  // exactly 300 twips; a shaded second cell.
  const std::string def = W16(0xD608) + W16(1 + 1 + 3 * 2) + "\x02" + W16(static_cast<uint16_t>(-108)) + W16(1332) + W16(2772);
  const std::string height = Sprm(0x9407, W16(static_cast<uint16_t>(-300)));
  const std::string shd = W16(0xD612) + "\x14" + W32(0) + W32(0xFF000000) + W16(0) + W32(0) + "\x11\x22\x33\x00"s + W16(0);
  Built b(Doc({{u"a\x07", kInTable}, {u"b\x07", kInTable}, {u"\x07", kInTable + kRowEnd + def + height + shd}, {u"\r"}}));
  const auto& table = dynamic_cast<const wm::TvnTable&>(*b.items.at(0));
  ASSERT_EQ(table.GetRows().size(), 1u);
  const auto& row = *table.GetRows()[0];
  ASSERT_EQ(row.GetCells().size(), 2u);
  EXPECT_EQ(row.GetCells()[0]->GetWidth(), 96);
  EXPECT_EQ(row.GetCells()[1]->GetWidth(), 96);
  EXPECT_EQ(row.GetTableRowProperties()->GetHeight(), 300);
  EXPECT_EQ(row.GetTableRowProperties()->GetHeightSpacingRule(), wm::TvnSpacingRule::srExact);
  EXPECT_FALSE(row.GetCells()[0]->GetTableCellProperties()->GetShadeApplied());
  EXPECT_TRUE(row.GetCells()[1]->GetTableCellProperties()->GetShadeApplied());
  EXPECT_EQ(row.GetCells()[1]->GetTableCellProperties()->GetFillColor(), (wm::TvnRGBColor{0x11, 0x22, 0x33}));
  // A table sprm outside a table changes nothing the document holds.
  Built outside(Doc({{u"x\r", def + height}}));
  EXPECT_EQ(outside.Dumped(), "P0: [x]\n");
}

TEST(DocParagraphBuilder, DamagedTablesAndFieldsAreReadLeniently) {
  // A table made only of a row-end mark holds nothing; a paragraph deeper
  // than any table goes into the deepest one; a field end without begin is
  // ignored; a field begin whose code runs past its paragraph gives the
  // field up, and the paragraphs after it keep their text and fields.
  const std::u16string stray = u"x\x15y\r";
  const std::u16string open = u"\x13 PAGE\r";
  std::vector<Chars> chars;
  for (const auto& t : {std::u16string(u"\x07"), std::u16string(u"deep\x07"), std::u16string(u"\x07"), stray, open,
                        std::u16string(u"z\x14" u"1\x15\r"), std::u16string(u"\x13 PAGE \x14" u"5\x15\r")})
    for (char16_t c : t) chars.push_back({1, c >= 0x13 && c <= 0x15 ? kSpecial : ""});
  Built b(Doc({{u"\x07", kInTable + kRowEnd},
               {u"deep\x07", kInTable + Depth(100000)},
               {u"\x07", kInTable + Depth(100000) + kRowEnd},
               {stray},
               {open},
               {u"z\x14" u"1\x15\r"},
               {u"\x13 PAGE \x14" u"5\x15\r"}},
              chars));
  std::string expected = "T\n R\n  C\n";
  for (int level = 1; level < 64; ++level) {
    const std::string pad(static_cast<size_t>(3 * level), ' ');
    expected += pad + "T\n" + pad + " R\n" + pad + "  C\n";
  }
  expected += std::string(3 * 64, ' ') + "P0: [deep]\n";
  expected += "P0: [x] [y]\nP0:\nP0: [z] [1]\nP0: { PAGE : [5]}\n";
  EXPECT_EQ(b.Dumped(), expected);
}

// List tables: list 100 with a decimal level 0 ("%1.") and level 1
// ("%1.%2"), list 200 a one-level bullet list; overrides 1 and 2.
std::string Lvl(uint8_t nfc, std::vector<uint8_t> offsets, const std::u16string& text) {
  std::string s = W32(1) + static_cast<char>(nfc) + '\0';
  offsets.resize(9, 0);
  for (uint8_t o : offsets) s += static_cast<char>(o);
  s += '\0' + W32(0) + W32(0) + '\0' + '\0' + '\0' + '\0';
  s += W16(static_cast<uint16_t>(text.size()));
  for (char16_t c : text) s += W16(c);
  return s;
}
std::string Lstf(uint32_t lsid, bool simple) { return W32(lsid) + W32(0) + std::string(18, '\0') + static_cast<char>(simple ? 1 : 0) + '\0'; }
std::string Lfo(uint32_t lsid) { return W32(lsid) + W32(0) + W32(0) + std::string(4, '\0'); }

WordDocumentBuilder WithLists(WordDocumentBuilder b) {
  std::string lst = W16(2) + Lstf(100, false) + Lstf(200, true);
  lst += Lvl(0, {1}, u"\u0000."s) + Lvl(0, {1, 3}, u"\u0000.\u0001"s);
  for (int i = 2; i < 9; ++i) lst += Lvl(0, {1}, std::u16string(1, static_cast<char16_t>(i)));
  lst += Lvl(23, {}, u"\u2022");
  const std::string lfo = W32(2) + Lfo(100) + Lfo(200) + W32(0) + W32(0);
  b.Lists(lst, lfo);
  return b;
}

TEST(DocParagraphBuilder, ListLabelsCountAcrossLevelsAndBulletsKeepTheirCharacter) {
  Built b(WithLists(Doc({{u"A\r", List(1, 0)},
                         {u"B\r", List(1, 0)},
                         {u"B1\r", List(1, 1)},
                         {u"C\r", List(1, 0)},
                         {u"C1\r", List(1, 1)},
                         {u"dot\r", List(2, 0)},
                         {u"none\r", List(0, 0)},
                         {u"missing\r", List(9, 0)},
                         {u"too deep\r", List(1, 12)}})));
  EXPECT_EQ(b.Dumped(),
            "P0#: [1.] [A]\n"
            "P0#: [2.] [B]\n"
            "P0#: [2.1] [B1]\n"
            "P0#: [3.] [C]\n"
            "P0#: [3.1] [C1]\n"
            "P0#: [\xE2\x80\xA2] [dot]\n"
            "P0: [none]\n"
            "P0: [missing]\n"
            "P0: [too deep]\n");
  // A numbered paragraph's unset spacing and indents read as 0.
  EXPECT_EQ(b.Paragraph(0).GetParagraphProperties()->GetLeftIndent(), 0);
  EXPECT_EQ(b.Paragraph(0).GetFinalParagraphProperties(), b.Paragraph(0).GetParagraphProperties());
}

TEST(DocParagraphBuilder, ParagraphsAndRunsLayerTheirStyles) {
  const std::string size12 = Sprm(0x4A43, W16(24)), size16 = Sprm(0x4A43, W16(32)), size10 = Sprm(0x4A43, W16(20));
  const std::string indent = Sprm(0x840F, W16(720)), centred = Sprm(0x2403, "\x01");
  const std::string stsh = Stsh({Std(1, kNone, u"Normal", ParaBlock(indent) + CharBlock(size12)),
                                 Std(1, 0, u"Heading", ParaBlock(centred) + CharBlock(kBold)),
                                 Std(2, kNone, u"Loud", CharBlock(size16 + kBold)),
                                 // Two styles each based on the other.
                                 Std(1, 4, u"Ping", ParaBlock(centred) + CharBlock("")),
                                 Std(1, 3, u"Pong", ParaBlock("") + CharBlock(size16))});
  // The heading's run: the Loud character style with a direct 10 points
  // and italic.
  const std::string loud_run = Sprm(0x4A30, W16(2)) + size10 + Sprm(0x0836, "\x01");
  WordDocumentBuilder doc = Doc({{u"Title\r", "", 1}, {u"Body\r", "", 0}, {u"Loop\r", "", 3}},
                                {{2, ""}, {4, loud_run}, {12, ""}});
  doc.Stylesheet(stsh);
  Built b(std::move(doc));
  EXPECT_EQ(b.Dumped(), "P1: [Ti] [tle]\nP0: [Body]\nP3: [Loop]\n");
  // The heading: centred and bold over Normal's indent and 12 points.
  const auto& title = *b.Paragraph(0).GetParagraphProperties();
  EXPECT_EQ(title.GetHAlignment(), wm::TvnHAlignment::haCenter);
  EXPECT_EQ(title.GetLeftIndent(), 48);
  const auto& plain = dynamic_cast<const wm::TvnRun&>(*b.Paragraph(0).GetItems()[0]);
  EXPECT_EQ(plain.GetRunProperties()->GetFontSize(), 12);
  EXPECT_TRUE(plain.GetRunProperties()->GetFontStyle().Contains(vn::framework::TvnFontStyle::fsBold));
  // The character style lies under the run's own formatting.
  const auto& loud = dynamic_cast<const wm::TvnRun&>(*b.Paragraph(0).GetItems()[1]);
  EXPECT_EQ(loud.GetRunProperties()->GetFontSize(), 10);
  EXPECT_EQ(loud.GetRunProperties()->GetFont()->GetSize(), 10);
  EXPECT_TRUE(loud.GetRunProperties()->GetFontStyle().Contains(vn::framework::TvnFontStyle::fsItalic));
  EXPECT_TRUE(loud.GetRunProperties()->GetFontStyle().Contains(vn::framework::TvnFontStyle::fsBold));
  // Styles based on each other resolve without going round.
  EXPECT_EQ(b.Paragraph(2).GetParagraphProperties()->GetHAlignment(), wm::TvnHAlignment::haCenter);
}

// A LibreOffice-made file, read whole.
std::string FixtureDump(const char* name) {
  vn::TMemoryStream input;
  input.LoadFromFile(std::filesystem::path(VN_FIXTURES_DIR) / "doc" / name);
  Diagnostics diagnostics;
  TvnDOCPackage package(&input, u"", &diagnostics);
  wm::TvnDocumentMediator mediator(nullptr);
  TvnDOCParser parser(&package, &mediator, &diagnostics);
  wm::FillMediatorFromReader(parser, mediator);
  auto& main = *static_cast<TvnDOCMainDocumentParser*>(parser.GetDocumentParser());
  main.Initialize();
  std::string out;
  for (const auto* item : main.GetEnumerator()) Dump(item, 0, out);
  EXPECT_TRUE(diagnostics.Empty()) << diagnostics.Summary();
  return out;
}

TEST(DocParagraphBuilder, LibreOfficeFilesDump) {
  // The bullet is the symbol font's bullet (U+F0B7).
  EXPECT_EQ(FixtureDump("lists.doc"),
            "P0#: [1.] [One]\n"
            "P0#: [2.] [Two]\n"
            "P0#: [2.1] [Two one]\n"
            "P0#: [3.] [Three]\n"
            "P0#: [3.1] [Three one]\n"
            "P0#: [\xEF\x82\xB7] [Dot]\n"
            "P0#: [\xEF\x82\xB7] [Dot again]\n"
            "P0: [Plain]\n");
  // Style ids by slot; the heading style is on the writer's outline list,
  // whose level shows no number; the character style's run keeps its text.
  EXPECT_EQ(FixtureDump("styles.doc"),
            "P1#: [] [A heading]\n"
            "P21: [A note with a ] [loud] [ word.]\n"
            "P0: [Plain text.]\n");
}

}  // namespace vn::doc::paragraph_builder_test
