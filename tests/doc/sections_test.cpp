// Sections of small built files: each section property sprm on its own
// (shown as a dump of the section), section ends marked on the paragraph
// before each later section's start in 8-bit and 16-bit text, headers and
// footers built from the header story and repeated by sections without
// their own, and the damaged tables read leniently.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "doc/doc_package.h"
#include "doc/main_document_parser.h"
#include "doc/style_parser.h"
#include "wordmodel/paragraph.h"
#include "wordmodel/section.h"
#include "wordmodel/text_item.h"
#include "word_document_builder.h"

namespace vn::doc::sections_test {

using vn::doc::testing::WordDocumentBuilder;
namespace wm = vn::wordmodel;

std::string W16(uint16_t v) { return WordDocumentBuilder::Le16(v); }
std::string Sprm(uint16_t sprm, const std::string& operand) { return W16(sprm) + operand; }
std::string Byte(int v) { return std::string(1, static_cast<char>(v)); }

struct Loaded {
  explicit Loaded(WordDocumentBuilder builder)
      : input(builder.Build()), package(&input, u"", &diagnostics), mediator(nullptr),
        parser(&package, &mediator, &diagnostics) {
    wm::FillMediatorFromReader(parser, mediator);
    main = static_cast<TvnDOCMainDocumentParser*>(parser.GetDocumentParser());
    main->Initialize();
    sections = *main->Sections();
    items = main->GetEnumerator();
  }
  std::vector<bool> SectionEnds() const {
    std::vector<bool> ends;
    for (const auto* item : items)
      if (const auto* p = dynamic_cast<const wm::TvnParagraph*>(item)) ends.push_back(p->GetContainsSection());
    return ends;
  }
  vn::TStringStream input;
  Diagnostics diagnostics;
  TvnDOCPackage package;
  wm::TvnDocumentMediator mediator;
  TvnDOCParser parser;
  TvnDOCMainDocumentParser* main = nullptr;
  std::vector<wm::TvnSection*> sections;
  std::vector<wm::TvnDocItem*> items;
};

// A document of this compressed main text (and header story, when given)
// with these section positions and sections' sprms.
WordDocumentBuilder Doc(const std::u16string& text, std::vector<uint32_t> positions,
                        std::vector<std::optional<std::string>> sprms, bool compressed = true,
                        const std::u16string& header_story = u"", std::vector<uint32_t> header_table = {}) {
  WordDocumentBuilder b;
  b.Text(text + header_story, compressed);
  if (!header_story.empty()) b.Stories({0, static_cast<uint32_t>(header_story.size())});
  b.SectionTable(std::move(positions), std::move(sprms));
  if (!header_table.empty()) b.HeaderTable(std::move(header_table));
  return b;
}

std::string Dump(const wm::TvnSection& s) {
  const wm::TvnPageMargins& m = *s.GetPageMargin();
  std::string out = std::to_string(s.GetPageWidth()) + "x" + std::to_string(s.GetPageHeight());
  out += s.GetOrientation() == wm::TvnOrientation::oLandscape ? " landscape" : " portrait";
  static const char* kTypes[] = {"next-page", "odd-page", "even-page", "continuous", "column"};
  out += std::string(" ") + kTypes[static_cast<int>(s.GetSectionType())];
  out += " margins " + std::to_string(m.GetLeft()) + "," + std::to_string(m.GetTop()) + "," +
         std::to_string(m.GetRight()) + "," + std::to_string(m.GetBottom()) + " header " +
         std::to_string(m.GetHeader()) + " footer " + std::to_string(m.GetFooter()) + " gutter " +
         std::to_string(m.GetGutter());
  if (s.GetIsTitlePage()) out += " title";
  if (s.GetBiDi()) out += " bidi";
  if (s.GetColumnsCount() > 0) {
    out += " columns " + std::to_string(s.GetColumnsCount()) + (s.GetEqualWidthColumns() ? " equal" : " custom") +
           " gap " + std::to_string(s.GetSpaceBetweenColumns());
    for (const auto& c : s.GetColumns()) out += " " + std::to_string(c->GetWidth()) + "+" + std::to_string(c->GetSpace());
  }
  if (const wm::TvnPageBorder* b = s.GetPageBorder()) {
    const auto side = [&](const char* name, const wm::TvnBorder* d) {
      if (d == nullptr) return;
      const auto c = d->GetColor();
      out += std::string(" ") + name + " w" + std::to_string(d->GetBorderWidth()) + " pen" +
             std::to_string(static_cast<int>(d->GetPenStyle())) + " rgb" + std::to_string(c.Red) + "." +
             std::to_string(c.Green) + "." + std::to_string(c.Blue) + " s" + std::to_string(d->GetSpace()) +
             (d->GetShadow() ? " shadow" : "") + (d->GetIsFrame() ? " frame" : "");
    };
    out += " border";
    side("top", b->GetTop());
    side("left", b->GetLeft());
    side("bottom", b->GetBottom());
    side("right", b->GetRight());
  }
  return out;
}

const std::string kDefaults = "816x1056 portrait next-page margins 96,96,96,96 header 0 footer 0 gutter 0";

struct SprmCase {
  const char* name;
  std::string sprms;
  std::string expected;
};

TEST(DocSections, EachSectionSprmSetsItsProperty) {
  const std::vector<SprmCase> cases = {
      {"none", "", kDefaults},
      {"landscape page from its own size sprms",
       Sprm(0xB01F, W16(15840)) + Sprm(0xB020, W16(12240)) + Sprm(0x301D, Byte(2)),
       "1056x816 landscape next-page margins 96,96,96,96 header 0 footer 0 gutter 0"},
      {"orientation 1 is portrait", Sprm(0x301D, Byte(1)), kDefaults},
      // 1000 twips is 66.7 pixels; a bottom of 65536 - 1440 is 1440.
      {"margins, header and footer distances, gutter",
       Sprm(0xB021, W16(1800)) + Sprm(0xB022, W16(1440)) + Sprm(0x9023, W16(1000)) + Sprm(0x9024, W16(64096)) +
           Sprm(0xB017, W16(720)) + Sprm(0xB018, W16(708)) + Sprm(0xB025, W16(360)),
       "816x1056 portrait next-page margins 120,67,96,96 header 48 footer 47 gutter 24"},
      {"continuous", Sprm(0x3009, Byte(0)),
       "816x1056 portrait continuous margins 96,96,96,96 header 0 footer 0 gutter 0"},
      {"new column", Sprm(0x3009, Byte(1)),
       "816x1056 portrait column margins 96,96,96,96 header 0 footer 0 gutter 0"},
      {"even page", Sprm(0x3009, Byte(3)),
       "816x1056 portrait even-page margins 96,96,96,96 header 0 footer 0 gutter 0"},
      {"odd page", Sprm(0x3009, Byte(4)),
       "816x1056 portrait odd-page margins 96,96,96,96 header 0 footer 0 gutter 0"},
      {"an unknown start keeps the type", Sprm(0x3009, Byte(0)) + Sprm(0x3009, Byte(9)),
       "816x1056 portrait continuous margins 96,96,96,96 header 0 footer 0 gutter 0"},
      {"title page whatever its operand", Sprm(0x300A, Byte(0)), kDefaults + " title"},
      {"title page flag cleared by its other sprm", Sprm(0x300A, Byte(1)) + Sprm(0x3010, Byte(0)), kDefaults},
      {"right to left", Sprm(0x3228, Byte(1)), kDefaults + " bidi"},
      // (816 - 96 - 96 - 2 x 48) / 3 = 176.
      {"three equal columns", Sprm(0x500B, W16(2)) + Sprm(0x900C, W16(720)),
       kDefaults + " columns 3 equal gap 48 176+48 176+48 176+48"},
      {"columns of their own widths; a width before the columns sets none",
       Sprm(0xF203, Byte(0) + W16(9000)) + Sprm(0x3005, Byte(0)) + Sprm(0x500B, W16(1)) +
           Sprm(0xF203, Byte(0) + W16(4500)) + Sprm(0xF204, Byte(0) + W16(300)) + Sprm(0xF203, Byte(1) + W16(2250)) +
           Sprm(0xF203, Byte(2) + W16(1500)),
       kDefaults + " columns 2 custom gap -1 300+20 150+0"},
      {"a repeated column count replaces the columns", Sprm(0x500B, W16(3)) + Sprm(0x500B, W16(1)),
       kDefaults + " columns 2 equal gap -1 312+0 312+0"},
      {"a column count beyond any layout is ignored", Sprm(0x500B, W16(50000)), kDefaults},
      {"a page border side from each layout",
       Sprm(0x702B, Byte(12) + Byte(7) + Byte(6) + Byte(0x25)) +
           Sprm(0xD236, Byte(8) + Byte(1) + Byte(2) + Byte(3) + Byte(0) + Byte(8) + Byte(9) + Byte(0x43) + Byte(0)),
       kDefaults + " border top w2 pen1 rgb255.0.0 s5 shadow bottom w1 pen4 rgb1.2.3 s3 frame"},
      // Its operand holds the bytes of a continuous-start sprm.
      {"an unknown sprm with a long operand is stepped over",
       Sprm(0xD299, Byte(3) + Byte(0x09) + Byte(0x30) + Byte(0)) + Sprm(0x300A, Byte(1)), kDefaults + " title"},
      {"an operand past the list ends it", Sprm(0x3009, Byte(0)) + W16(0xB01F) + Byte(1),
       "816x1056 portrait continuous margins 96,96,96,96 header 0 footer 0 gutter 0"},
  };
  for (const auto& c : cases) {
    Loaded doc(Doc(u"Text\r", {0, 5}, {c.sprms}));
    ASSERT_EQ(doc.sections.size(), 1u) << c.name;
    EXPECT_EQ(Dump(*doc.sections[0]), c.expected) << c.name;
  }
}

TEST(DocSections, ParagraphBeforeEachLaterSectionEndsItsSection) {
  for (const bool compressed : {true, false}) {
    SCOPED_TRACE(compressed ? "8-bit text" : "16-bit text");
    Loaded doc(Doc(u"One\rTwo\rThree\rFour\r", {0, 8, 14, 19},
                   {"", Sprm(0x301D, Byte(2)) + Sprm(0x3009, Byte(0)), ""}, compressed));
    ASSERT_EQ(doc.sections.size(), 3u);
    EXPECT_EQ(doc.SectionEnds(), (std::vector<bool>{false, true, true, false}));
    EXPECT_EQ(doc.sections[1]->GetOrientation(), wm::TvnOrientation::oLandscape);
    EXPECT_EQ(doc.sections[1]->GetSectionType(), wm::TvnSectionType::stContinuous);
    EXPECT_EQ(doc.main->SectionOffsets(), (std::vector<int64_t>{0, 8, 14}));
  }
}

TEST(DocSections, OneSectionMarksNoParagraph) {
  Loaded doc(Doc(u"One\rTwo\r", {0, 8}, {""}));
  ASSERT_EQ(doc.sections.size(), 1u);
  EXPECT_EQ(doc.SectionEnds(), (std::vector<bool>{false, false}));
}

std::string Text(const wm::TvnHeaderFooterElement* AElement) {
  std::string out;
  for (const auto& item : AElement->GetElements()) {
    const auto* p = dynamic_cast<const wm::TvnParagraph*>(item.get());
    if (p == nullptr) continue;
    out += "[";
    for (const auto& child : p->GetItems())
      if (const auto* run = dynamic_cast<const wm::TvnRun*>(child.get()))
        for (const auto& t : run->GetItems())
          if (const auto* text = dynamic_cast<const wm::TvnTextitem*>(t.get())) out += vn::ToUtf8(text->GetText());
    out += "]";
  }
  return out;
}

// Header story "Head\rFoot\rTitle\r" plus its closing mark; the first
// section has a header, a footer and a first-page header, the second none
// of its own but a footer "Foot2".
const std::u16string kHeaderStory = u"Head\rFoot\rTitle\rFoot2\r\r";
const std::vector<uint32_t> kHeaderTable = {0,  0,  0,  0,  0,  0,   // separators
                                            0,  0,  5,  5,  10, 16,  // section 1: odd header, odd footer, first header
                                            16, 16, 16, 16, 22, 22,  // section 2: odd footer
                                            22, 23};

TEST(DocSections, SectionWithoutItsOwnHeaderShowsCopiesOfThePreviousOnes) {
  Loaded doc(Doc(u"One\rTwo\r", {0, 4, 8}, {Sprm(0x300A, Byte(1)), ""}, true, kHeaderStory, kHeaderTable));
  ASSERT_EQ(doc.sections.size(), 2u);
  const wm::TvnSection& first = *doc.sections[0];
  const wm::TvnSection& second = *doc.sections[1];
  EXPECT_EQ(Text(first.GetDefaultPageHeader()), "[Head]");
  EXPECT_EQ(Text(first.GetDefaultPageFooter()), "[Foot]");
  EXPECT_EQ(Text(first.GetFirstPageHeader()), "[Title]");
  EXPECT_EQ(Text(first.GetEvenPageHeader()), "");
  EXPECT_EQ(Text(second.GetDefaultPageHeader()), "[Head]");
  EXPECT_EQ(Text(second.GetFirstPageHeader()), "[Title]");
  EXPECT_EQ(Text(second.GetDefaultPageFooter()), "[Foot2]");
  // Each section owns its items: the repeated header is a copy.
  ASSERT_EQ(second.GetDefaultPageHeader()->GetElements().size(), 1u);
  EXPECT_NE(second.GetDefaultPageHeader()->GetElements()[0].get(), first.GetDefaultPageHeader()->GetElements()[0].get());
  // Header paragraphs never end a section; the body's do.
  EXPECT_FALSE(dynamic_cast<const wm::TvnParagraph&>(*first.GetDefaultPageHeader()->GetElements()[0]).GetContainsSection());
  EXPECT_EQ(doc.SectionEnds(), (std::vector<bool>{true, false}));
}

TEST(DocSections, DamagedTablesAreReadLeniently) {
  {
    SCOPED_TRACE("a section without properties keeps the defaults");
    Loaded doc(Doc(u"One\rTwo\r", {0, 4, 8}, {Sprm(0x3009, Byte(0)), std::nullopt}));
    ASSERT_EQ(doc.sections.size(), 2u);
    EXPECT_EQ(Dump(*doc.sections[1]), kDefaults);
  }
  {
    SCOPED_TRACE("no section table: one section with the defaults");
    Loaded doc(Doc(u"One\rTwo\r", {}, {}));
    ASSERT_EQ(doc.sections.size(), 1u);
    EXPECT_EQ(Dump(*doc.sections[0]), kDefaults);
    EXPECT_EQ(doc.SectionEnds(), (std::vector<bool>{false, false}));
  }
  {
    // The positions never reach the end of the text: the table's byte
    // count bounds it, and a position going backwards ends it.
    SCOPED_TRACE("positions that never close the table");
    Loaded doc(Doc(u"One\rTwo\rSix\r", {0, 4, 2, 1}, {"", Sprm(0x301D, Byte(2)), ""}));
    ASSERT_EQ(doc.sections.size(), 2u);
    EXPECT_EQ(doc.sections[1]->GetOrientation(), wm::TvnOrientation::oLandscape);
  }
  {
    SCOPED_TRACE("a header table too short for the second section");
    std::vector<uint32_t> table(kHeaderTable.begin(), kHeaderTable.begin() + 13);
    Loaded doc(Doc(u"One\rTwo\r", {0, 4, 8}, {"", ""}, true, kHeaderStory, table));
    ASSERT_EQ(doc.sections.size(), 2u);
    EXPECT_EQ(Text(doc.sections[0]->GetFirstPageFooter()), "");
    EXPECT_EQ(Text(doc.sections[1]->GetDefaultPageHeader()), "[Head]");
  }
  {
    SCOPED_TRACE("no header story: the header table is not read");
    WordDocumentBuilder b = Doc(u"One\rTwo\r", {0, 8}, {""});
    b.HeaderTable(kHeaderTable);
    Loaded doc(std::move(b));
    EXPECT_TRUE(doc.main->HeaderPositions().empty());
    EXPECT_EQ(Text(doc.sections[0]->GetDefaultPageHeader()), "");
  }
}

}  // namespace vn::doc::sections_test
