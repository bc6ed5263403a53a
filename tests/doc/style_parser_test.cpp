// The stylesheet over small built files: identifiers by slot, bases and
// next styles, the property blocks of each style kind, the resolver's
// layers over the read styles, and damaged stylesheets read within their
// bounds.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "doc/doc_package.h"
#include "doc/main_document_parser.h"
#include "doc/style_parser.h"
#include "wordmodel/style.h"
#include "wordmodel/style_resolver.h"
#include "support/paths.h"
#include "word_document_builder.h"

namespace vn::doc::style_parser_test {

using vn::doc::testing::WordDocumentBuilder;
using vn::wordmodel::TvnStyle;
using vn::wordmodel::TvnStyleList;
using vn::wordmodel::TvnStyleType;
using vn::wordmodel::kUnsetValue;

std::string W(uint16_t v) { return WordDocumentBuilder::Le16(v); }

constexpr uint16_t kNone = 4095;

// One style description with its length prefix: the fixed part of
// `base_size` bytes (10 or 18), the name, then the property blocks.
std::string Std(uint16_t stk, uint16_t base, uint16_t next, const std::u16string& name, const std::string& blocks,
                size_t base_size = 10) {
  std::string s = W(0) + W(static_cast<uint16_t>(stk | (base << 4))) + W(static_cast<uint16_t>(next << 4)) + W(0) + W(0);
  s += std::string(base_size - 10, '\0');
  s += W(static_cast<uint16_t>(name.size()));
  for (char16_t c : name) s += W(c);
  s += W(0) + blocks;
  return W(static_cast<uint16_t>(s.size())) + s;
}
// A paragraph block (its istd, then the sprms) and a character block.
std::string ParaBlock(const std::string& sprms) {
  std::string s = W(static_cast<uint16_t>(sprms.size() + 2)) + W(0) + sprms;
  return s.size() % 2 ? s + '\0' : s;
}
std::string CharBlock(const std::string& sprms) {
  std::string s = W(static_cast<uint16_t>(sprms.size())) + sprms;
  return s.size() % 2 ? s + '\0' : s;
}
// The stylesheet: its header of `cbStshi` bytes, then the descriptions.
std::string Stsh(uint16_t cstd, const std::vector<std::string>& stds, uint16_t base_size = 10, uint16_t cbStshi = 18) {
  std::string header = W(cstd) + W(base_size);
  header.resize(cbStshi, '\0');
  std::string s = W(cbStshi) + header;
  for (const auto& d : stds) s += d;
  return s;
}

const std::string kBold("\x35\x08\x01", 3);                  // bold on
const std::string kSize16("\x43\x4A\x20\x00", 4);            // 16 points
const std::string kLeft720("\x0F\x84\xD0\x02", 4);           // left indent 720 twips
const std::string kCentered("\x03\x24\x01", 3);              // centred

struct Read {
  explicit Read(const std::string& stsh) : input(WordDocumentBuilder().Text(u"x\r", true).Stylesheet(stsh).Build()),
                                           package(&input, u"", &diagnostics),
                                           parser(&package, nullptr, &diagnostics),
                                           styles(parser.GetStylesParser()->GetEnumerator()) {}
  const TvnStyle* Id(const char16_t* id) const {
    for (const auto& s : styles)
      if (s->GetStyleID() == id) return s.get();
    return nullptr;
  }
  vn::TStringStream input;
  Diagnostics diagnostics;
  TvnDOCPackage package;
  TvnDOCParser parser;
  TvnStyleList styles;
};

// Normal; an empty slot; a heading on Normal; a character style; a table
// style; a numbering style.
std::string SampleStylesheet(uint16_t base_size) {
  return Stsh(6, {Std(1, kNone, 0, u"Normal", ParaBlock(kLeft720) + CharBlock(kSize16), base_size), W(0),
                  Std(1, 0, 0, u"heading 1", ParaBlock(kCentered) + CharBlock(kBold), base_size),
                  Std(2, kNone, 3, u"Strong", CharBlock(kBold), base_size),
                  Std(3, kNone, 4, u"Table Grid", W(2) + W(0) + W(0), base_size),
                  Std(4, kNone, 5, u"Outline", ParaBlock(kLeft720), base_size)},
              base_size);
}

TEST(DocStylesheet, StylesKeepTheirSlotIdsBasesAndKinds) {
  for (int base_size : {10, 18}) {
    SCOPED_TRACE(base_size);
    Read r(SampleStylesheet(static_cast<uint16_t>(base_size)));
    // Id, name, base, next, default, type.
    struct Row {
      const char16_t* id;
      const char16_t* name;
      const char16_t* base;
      const char16_t* next;
      bool is_default;
      TvnStyleType type;
    };
    const Row rows[] = {{u"0", u"Normal", u"", u"0", true, TvnStyleType::stParagraph},
                        {u"2", u"heading 1", u"0", u"0", false, TvnStyleType::stParagraph},
                        {u"3", u"Strong", u"", u"3", true, TvnStyleType::stCharecter},
                        {u"4", u"Table Grid", u"", u"4", true, TvnStyle().GetStyleType()},
                        {u"5", u"Outline", u"", u"5", true, TvnStyleType::stLinked}};
    ASSERT_EQ(r.styles.size(), std::size(rows));
    for (size_t i = 0; i < std::size(rows); ++i) {
      const TvnStyle& s = *r.styles[i];
      EXPECT_EQ(s.GetStyleID(), rows[i].id);
      EXPECT_EQ(s.GetStyleName(), rows[i].name);
      EXPECT_EQ(s.GetBasedOn(), rows[i].base);
      EXPECT_EQ(s.GetNext(), rows[i].next);
      EXPECT_EQ(s.GetDefaultStyle(), rows[i].is_default);
      EXPECT_EQ(s.GetStyleType(), rows[i].type) << i;
    }
    EXPECT_TRUE(r.diagnostics.Empty()) << r.diagnostics.Summary();
  }
}

TEST(DocStylesheet, EachKindCarriesItsOwnPropertyBlocks) {
  Read r(SampleStylesheet(10));
  // Normal has no base: its unset spacing and indents read as 0.
  const auto& normal = *r.Id(u"0")->GetParagraphProperties();
  EXPECT_EQ(normal.GetLeftIndent(), 48);
  EXPECT_EQ(normal.GetSpaceBefore(), 0);
  EXPECT_EQ(normal.GetFirstLineIndent(), 0);
  ASSERT_NE(normal.GetRunProperties(), nullptr);
  EXPECT_EQ(normal.GetRunProperties()->GetFontSize(), 16);
  // A based style leaves them unset for its base to fill; its paragraph
  // properties carry a copy of its run properties.
  const TvnStyle& heading = *r.Id(u"2");
  EXPECT_EQ(heading.GetParagraphProperties()->GetSpaceBefore(), kUnsetValue);
  EXPECT_EQ(heading.GetParagraphProperties()->GetHAlignment(), vn::wordmodel::TvnHAlignment::haCenter);
  ASSERT_NE(heading.GetParagraphProperties()->GetRunProperties(), nullptr);
  EXPECT_NE(heading.GetParagraphProperties()->GetRunProperties(), heading.GetRunProperties());
  EXPECT_TRUE(heading.GetParagraphProperties()->GetRunProperties()->GetFontStyle().Contains(vn::framework::TvnFontStyle::fsBold));
  // A character style: bold run properties, no paragraph properties.
  const TvnStyle& strong = *r.Id(u"3");
  EXPECT_EQ(strong.GetParagraphProperties(), nullptr);
  EXPECT_TRUE(strong.GetRunProperties()->GetFontStyle().Contains(vn::framework::TvnFontStyle::fsBold));
  // Table styles carry nothing; numbering styles paragraph properties only.
  EXPECT_EQ(r.Id(u"4")->GetParagraphProperties(), nullptr);
  EXPECT_EQ(r.Id(u"4")->GetRunProperties(), nullptr);
  EXPECT_EQ(r.Id(u"5")->GetParagraphProperties()->GetLeftIndent(), 48);
  EXPECT_EQ(r.Id(u"5")->GetRunProperties(), nullptr);
}

TEST(DocStylesheet, TheResolverLayersABasedStyleOverItsBase) {
  Read r(SampleStylesheet(10));
  vn::wordmodel::TvnWordStyles table;
  for (auto& s : r.styles) table.Add(std::move(s));
  vn::wordmodel::TvnStylePropertyUpdater resolver(&table);
  const TvnStyle* heading = resolver.ConstructStyles(u"2", u"");
  ASSERT_NE(heading, nullptr);
  // The indent and size come from Normal, the centring and bold from the
  // heading itself.
  EXPECT_EQ(heading->GetParagraphProperties()->GetLeftIndent(), 48);
  EXPECT_EQ(heading->GetParagraphProperties()->GetHAlignment(), vn::wordmodel::TvnHAlignment::haCenter);
  EXPECT_EQ(heading->GetRunProperties()->GetFontSize(), 16);
  EXPECT_TRUE(heading->GetRunProperties()->GetFontStyle().Contains(vn::framework::TvnFontStyle::fsBold));
  EXPECT_EQ(table.GetParagraphStyles().count(u"5"), 0u);  // numbering styles stay in the base table
}

TEST(DocStylesheet, DamageIsReadWithinTheStylesheet) {
  // A paragraph block claiming more bytes than its description holds: the
  // block stops at the description's end and the next style is read from
  // where it starts.
  const std::string overlong = Std(1, kNone, 0, u"Long", W(200) + W(0) + kCentered + std::string(1, '\0'));
  Read over(Stsh(2, {overlong, Std(2, kNone, 1, u"After", CharBlock(kBold))}));
  ASSERT_EQ(over.styles.size(), 2u);
  EXPECT_EQ(over.styles[0]->GetParagraphProperties()->GetHAlignment(), vn::wordmodel::TvnHAlignment::haCenter);
  EXPECT_EQ(over.styles[1]->GetStyleID(), u"1");
  EXPECT_EQ(over.styles[1]->GetStyleName(), u"After");
  EXPECT_TRUE(over.styles[1]->GetRunProperties()->GetFontStyle().Contains(vn::framework::TvnFontStyle::fsBold));
  EXPECT_FALSE(over.diagnostics.Empty());

  // A slot count far beyond the bytes, and a name without its end: the
  // reading stops at the stylesheet's end.
  std::string cut = Stsh(60000, {Std(1, kNone, 0, u"Normal", ParaBlock(""))});
  cut.resize(cut.size() - 8);
  Read truncated(cut);
  ASSERT_EQ(truncated.styles.size(), 1u);
  EXPECT_EQ(truncated.styles[0]->GetStyleName().substr(0, 3), u"Nor");
  EXPECT_FALSE(truncated.diagnostics.Empty());

  // A header shorter than its own fields makes no styles.
  Read tiny(W(18) + W(3));
  EXPECT_TRUE(tiny.styles.empty());
}

TEST(DocStylesheet, ALibreOfficeDocumentsStylesLinkByTheirIds) {
  // A dump of the styles the fixture's paragraphs use: id, name, and the
  // name of the base found through its id.
  vn::TMemoryStream input;
  input.LoadFromFile(std::filesystem::path(VN_FIXTURES_DIR) / "doc" / "styles.doc");
  Diagnostics diagnostics;
  TvnDOCPackage package(&input, u"", &diagnostics);
  TvnDOCParser parser(&package, nullptr, &diagnostics);
  TvnStyleList styles = parser.GetStylesParser()->GetEnumerator();
  std::map<String, const TvnStyle*> by_id, by_name;
  for (const auto& s : styles) {
    EXPECT_TRUE(by_id.emplace(s->GetStyleID(), s.get()).second) << "duplicate id";
    by_name.emplace(s->GetStyleName(), s.get());
  }
  const auto dump = [&](const String& name) {
    const TvnStyle* s = by_name.at(name);
    String line = s->GetStyleID() + u" " + name + u" <- ";
    if (!s->GetBasedOn().empty()) line += by_id.count(s->GetBasedOn()) ? by_id.at(s->GetBasedOn())->GetStyleName() : u"?";
    return line;
  };
  // The ids are the slots the file gives (with empty slots between); the
  // writer stores its chained styles flat, with bases only on the styles of
  // its own built-in chain.
  const std::pair<const char16_t*, const char16_t*> rows[] = {
      {u"Normal", u"0 Normal <- "},          {u"Heading 1", u"1 Heading 1 <- "}, {u"Heading", u"16 Heading <- Normal"},
      {u"Text Body", u"17 Text Body <- Normal"}, {u"List", u"18 List <- Text Body"}, {u"Note", u"21 Note <- "}};
  for (const auto& [name, line] : rows) EXPECT_EQ(dump(name), line);
  EXPECT_EQ(by_name.at(u"Loud")->GetStyleID(), u"15");
  EXPECT_EQ(by_name.at(u"Loud")->GetStyleType(), TvnStyleType::stCharecter);
  EXPECT_TRUE(by_name.at(u"Loud")->GetRunProperties()->GetFontStyle().Contains(vn::framework::TvnFontStyle::fsBold));
  // Resolved: the heading's bold, the note's italic and half-inch indent
  // over Normal's 12 points.
  vn::wordmodel::TvnWordStyles table;
  for (auto& s : styles) table.Add(std::move(s));
  vn::wordmodel::TvnStylePropertyUpdater resolver(&table);
  const TvnStyle* heading = resolver.ConstructStyles(u"1", u"");
  ASSERT_NE(heading, nullptr);
  EXPECT_TRUE(heading->GetRunProperties()->GetFontStyle().Contains(vn::framework::TvnFontStyle::fsBold));
  const TvnStyle* note = resolver.ConstructStyles(u"21", u"");
  ASSERT_NE(note, nullptr);
  EXPECT_EQ(note->GetParagraphProperties()->GetLeftIndent(), 48);
  EXPECT_EQ(note->GetRunProperties()->GetFontSize(), 12);
  EXPECT_TRUE(note->GetRunProperties()->GetFontStyle().Contains(vn::framework::TvnFontStyle::fsItalic));
  EXPECT_TRUE(diagnostics.Empty()) << diagnostics.Summary();
}

TEST(DocStylesheet, RealFilesGiveUniqueIdsWhoseBasesExist) {
  // Every corpus file that opens: its styles have unique ids, each base
  // names one of them, slot 0 is the base-less Normal style, and neither the
  // stylesheet nor the list tables report damage (a damaged file may, but
  // then only for reasons it shows: the fuzzed files are left out).
  namespace fs = std::filesystem;
  const fs::path corpus = fs::path(VN_CORPUS_DIR) / "doc";
  if (!fs::is_directory(corpus)) GTEST_SKIP() << "no corpus";
  size_t read = 0;
  for (const auto& e : fs::directory_iterator(corpus)) {
    if (e.path().extension() != ".doc") continue;
    SCOPED_TRACE(e.path().filename().string());
    vn::TMemoryStream input;
    input.LoadFromFile(e.path());
    Diagnostics diagnostics;
    try {
      TvnDOCPackage package(&input, u"", &diagnostics);
      TvnDOCParser parser(&package, nullptr, &diagnostics);
      TvnStyleList styles = parser.GetStylesParser()->GetEnumerator();
      static_cast<TvnDOCMainDocumentParser*>(parser.GetDocumentParser())->Initialize();
      std::map<String, const TvnStyle*> by_id;
      for (const auto& st : styles) EXPECT_TRUE(by_id.emplace(st->GetStyleID(), st.get()).second);
      ASSERT_FALSE(styles.empty());
      EXPECT_EQ(styles[0]->GetStyleID(), u"0");
      EXPECT_TRUE(styles[0]->GetBasedOn().empty());
      for (const auto& st : styles)
        if (!st->GetBasedOn().empty()) EXPECT_TRUE(by_id.count(st->GetBasedOn())) << vn::ToUtf8(st->GetStyleName());
      if (e.path().filename().string().find("uzz") == std::string::npos)
        EXPECT_TRUE(diagnostics.Empty()) << diagnostics.Summary();
      ++read;
    } catch (const EDOCFormatError&) {
    }
  }
  EXPECT_GT(read, 20u);
}

}  // namespace vn::doc::style_parser_test
