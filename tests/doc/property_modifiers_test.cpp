// Sprm lists: the operand size of each size class, the table definition's
// two-byte length, lists cut where an operand would pass their end; the
// known paragraph and character sprms and what each does to the Word
// model's properties; Word colour indices; the font table.
#include <gtest/gtest.h>

#include <functional>

#include "doc/property_modifiers.h"
#include "word_document_builder.h"

namespace vn::doc::property_modifiers_test {

namespace wm = vn::wordmodel;
using vn::doc::testing::WordDocumentBuilder;

std::string Bytes(std::initializer_list<int> values) {
  std::string out;
  for (int v : values) out.push_back(static_cast<char>(v));
  return out;
}

TvnPRLList Parse(const std::string& bytes, int64_t length) {
  TvnBinaryReader reader(std::span(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
  return GetPRLs(reader, length);
}

TEST(DocSprmList, EachSizeClassGivesItsOperandLength) {
  struct Case {
    const char* name;
    std::string bytes;
    int spra, sgc, ispmd;
    int64_t size, offset;
  };
  const Case cases[] = {
      {"spra 0, toggle (sprmCFBold)", Bytes({0x35, 0x08, 0x01}), 0, 2, 53, 1, 2},
      {"spra 1, byte (sprmPJc80)", Bytes({0x03, 0x24, 0x01}), 1, 1, 3, 1, 2},
      {"spra 2, word (sprmCIstd)", Bytes({0x30, 0x4A, 0x05, 0x00}), 2, 2, 48, 2, 2},
      {"spra 3, long (sprmPItap)", Bytes({0x49, 0x66, 1, 0, 0, 0}), 3, 1, 73, 4, 2},
      {"spra 4, word (sprmPDxaLeft80)", Bytes({0x0F, 0x84, 0xD0, 0x02}), 4, 1, 15, 2, 2},
      {"spra 5, word (sprmPDxaLeft1)", Bytes({0x60, 0xA4, 0x30, 0xFD}), 5, 1, 96, 2, 2},
      {"spra 6, length byte (sprmPBrcTop)", Bytes({0x4E, 0xC6, 0x03, 1, 2, 3}), 6, 1, 78, 3, 3},
      {"spra 7, three bytes (sprmPDcs)", Bytes({0x2C, 0xE4, 1, 2, 3}), 7, 1, 44, 3, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto list = Parse(c.bytes, static_cast<int64_t>(c.bytes.size()));
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].Fspra, c.spra);
    EXPECT_EQ(list[0].Fsgc, c.sgc);
    EXPECT_EQ(list[0].Fispmd, c.ispmd);
    EXPECT_EQ(list[0].FoperandSize, c.size);
    EXPECT_EQ(list[0].FOffset, c.offset);
  }
}

TEST(DocSprmList, ATableDefinitionOver255BytesKeepsTheSprmsAfterIt) {
  // sprmTDefTable with cb = 300 (operand 299 bytes), then sprmCFBold.
  std::string bytes = Bytes({0x08, 0xD6, 0x2C, 0x01}) + std::string(299, '\x07') + Bytes({0x35, 0x08, 0x01});
  const auto list = Parse(bytes, static_cast<int64_t>(bytes.size()));
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0].Sprm(), 0xD608);
  EXPECT_EQ(list[0].FoperandSize, 299);
  EXPECT_EQ(list[0].FOffset, 4);
  EXPECT_EQ(list[1].Sprm(), 0x0835);
  EXPECT_EQ(list[1].FOffset, 305);
}

TEST(DocSprmList, AnOperandPastTheListEndsIt) {
  struct Case {
    const char* name;
    std::string bytes;
    int64_t length;
    size_t kept;
  };
  const Case cases[] = {
      {"long operand cut by the list length", Bytes({0x35, 0x08, 0x01, 0x49, 0x66, 1, 0}), 7, 1},
      {"length byte past the list", Bytes({0x35, 0x08, 0x01, 0x4E, 0xC6, 0x40, 1, 2}), 8, 1},
      {"list longer than the bytes", Bytes({0x35, 0x08, 0x01, 0x30, 0x4A}), 40, 1},
      {"half a sprm at the end", Bytes({0x35, 0x08, 0x01, 0x35}), 4, 1},
      {"table definition with cb 0", Bytes({0x08, 0xD6, 0x00, 0x00, 0x35, 0x08, 0x01}), 7, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Parse(c.bytes, c.length).size(), c.kept);
  }
}

// Applies the sprm bytes to fresh properties.
struct Applied {
  wm::TvnParagraphProperties para;
  wm::TvnRunProperties run;
};

void Apply(Applied& out, const std::string& bytes, TvnDOCHelperFunctions* helpers = nullptr) {
  TvnBinaryReader reader(std::span(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
  const auto list = GetPRLs(reader, static_cast<int64_t>(bytes.size()));
  TvnDOCHelperFunctions none({}, {}, 0, 0);
  TvnDOCHelperFunctions& h = helpers ? *helpers : none;
  h.ParseParagraphProperties(out.para, &list, reader);
  h.ParseTextRunProperties(out.run, &list, reader);
}

wm::TvnDocSpecificProperties& Extra(wm::TvnParagraphProperties& p) { return DocSpecificOf(p); }
wm::TvnDocSpecificProperties& Extra(wm::TvnRunProperties& r) { return DocSpecificOf(r); }

TEST(DocSprmEffects, KnownSprmsSetTheirProperties) {
  using Check = std::function<void(Applied&)>;
  struct Case {
    const char* name;
    std::string bytes;
    Check check;
  };
  const auto bold = [](Applied& a) { return a.run.GetFontStyle().Contains(wm::TvnFontStyle::fsBold); };
  const Case cases[] = {
      {"sprmPJc center", Bytes({0x03, 0x24, 1}),
       [](Applied& a) { EXPECT_EQ(a.para.GetHAlignment(), wm::TvnHAlignment::haCenter); }},
      {"sprmPJc justify", Bytes({0x61, 0x24, 3}),
       [](Applied& a) { EXPECT_EQ(a.para.GetHAlignment(), wm::TvnHAlignment::haJustify); }},
      {"sprmPDxaLeft1 -720 twips", Bytes({0x60, 0x84, 0x30, 0xFD}),
       [](Applied& a) { EXPECT_EQ(a.para.GetFirstLineIndent(), -48); }},
      {"sprmPDxaLeft1 -1 twip", Bytes({0x60, 0x84, 0xFF, 0xFF}),
       [](Applied& a) { EXPECT_EQ(a.para.GetFirstLineIndent(), -1); }},
      {"sprmPDxaLeft 1440 twips", Bytes({0x5E, 0x84, 0xA0, 0x05}),
       [](Applied& a) { EXPECT_EQ(a.para.GetLeftIndent(), 96); }},
      {"sprmPDxaRight80 720 twips", Bytes({0x0E, 0x84, 0xD0, 0x02}),
       [](Applied& a) { EXPECT_EQ(a.para.GetRightIndent(), 48); }},
      {"sprmPFPageBreakBefore 1", Bytes({0x07, 0x24, 1}),
       [](Applied& a) { EXPECT_TRUE(a.para.GetPageBreakBefore()); }},
      {"sprmPFPageBreakBefore 1, then 0", Bytes({0x07, 0x24, 1, 0x07, 0x24, 0}),
       [](Applied& a) { EXPECT_FALSE(a.para.GetPageBreakBefore()); }},
      {"sprmPDyaBefore / sprmPDyaAfter", Bytes({0x13, 0xA4, 0xF0, 0x00, 0x14, 0xA4, 0x78, 0x00}),
       [](Applied& a) {
         EXPECT_EQ(a.para.GetSpaceBefore(), 16);
         EXPECT_EQ(a.para.GetSpaceAfter(), 8);
       }},
      {"sprmPDyaLine 240 multiple", Bytes({0x12, 0x64, 0xF0, 0x00, 0x01, 0x00}),
       [](Applied& a) {
         EXPECT_EQ(a.para.GetLineSpacing(), 240);
         EXPECT_EQ(a.para.GetLineSpacingRule(), wm::TvnSpacingRule::srAuto);
       }},
      {"sprmPDyaLine -360 exact", Bytes({0x12, 0x64, 0x98, 0xFE, 0x00, 0x00}),
       [](Applied& a) {
         EXPECT_EQ(a.para.GetLineSpacing(), 380);
         EXPECT_EQ(a.para.GetLineSpacingRule(), wm::TvnSpacingRule::srExact);
       }},
      {"sprmPDyaLine 300 at least", Bytes({0x12, 0x64, 0x2C, 0x01, 0x00, 0x00}),
       [](Applied& a) { EXPECT_EQ(a.para.GetLineSpacingRule(), wm::TvnSpacingRule::srAtleast); }},
      {"sprmPIlvl and sprmPIlfo", Bytes({0x0A, 0x26, 2, 0x0B, 0x46, 3, 0}),
       [](Applied& a) {
         EXPECT_EQ(a.para.GetNumberLevel(), 2);
         EXPECT_EQ(a.para.GetNumberID(), 3);
         EXPECT_TRUE(a.para.GetExplicitlySetParaProperties().Contains(wm::TvnExplicitlySetParaProperty::espNumberLevel));
         EXPECT_TRUE(a.para.GetExplicitlySetParaProperties().Contains(wm::TvnExplicitlySetParaProperty::espNumberID));
       }},
      {"table marks: sprmPFInTable, sprmPFTtp, sprmPItap, sprmPFInnerTableCell",
       Bytes({0x16, 0x24, 1, 0x17, 0x24, 1, 0x49, 0x66, 2, 0, 0, 0, 0x4B, 0x24, 1}),
       [](Applied& a) {
         EXPECT_TRUE(Extra(a.para).GetIsParaInTable());
         EXPECT_TRUE(Extra(a.para).GetLastParaOfRow());
         EXPECT_TRUE(Extra(a.para).GetLastParaOfCell());
         EXPECT_EQ(Extra(a.para).GetTableNestedLevel(), 2);
       }},
      {"sprmPBrcTop: red, 1.5 pt dashed, 4 pt space", Bytes({0x4E, 0xC6, 8, 0xFF, 0, 0, 0, 12, 7, 4, 0}),
       [](Applied& a) {
         ASSERT_NE(a.para.GetParaBorder(), nullptr);
         const auto* top = a.para.GetParaBorder()->GetTop();
         ASSERT_NE(top, nullptr);
         EXPECT_EQ(top->GetColor(), (wm::TvnRGBColor{255, 0, 0}));
         EXPECT_EQ(top->GetBorderWidth(), 2);
         EXPECT_EQ(top->GetPenStyle(), wm::TvnDashStyle::dsDash);
         EXPECT_EQ(top->GetSpace(), 4);
       }},
      {"sprmCHps 21 half-points", Bytes({0x43, 0x4A, 21, 0}), [](Applied& a) { EXPECT_EQ(a.run.GetFontSize(), 10); }},
      {"sprmCHps 23 half-points", Bytes({0x43, 0x4A, 23, 0}), [](Applied& a) { EXPECT_EQ(a.run.GetFontSize(), 12); }},
      {"sprmCHpsBi leaves the size", Bytes({0x43, 0x4A, 32, 0, 0x61, 0x4A, 24, 0}),
       [](Applied& a) { EXPECT_EQ(a.run.GetFontSize(), 16); }},
      {"sprmCIco 16", Bytes({0x42, 0x2A, 16}),
       [](Applied& a) { EXPECT_EQ(a.run.GetBrush()->GetColor(), (wm::TvnRGBColor{192, 192, 192})); }},
      {"sprmCCv", Bytes({0x70, 0x68, 0x12, 0x34, 0x56, 0x00}),
       [](Applied& a) {
         EXPECT_EQ(a.run.GetBrush()->GetColor(), (wm::TvnRGBColor{0x12, 0x34, 0x56}));
         EXPECT_TRUE(a.run.GetExplicitlySetVal().Contains(wm::TvnExplicitlySetValue::esvTextColor));
       }},
      {"sprmCFBold 1", Bytes({0x35, 0x08, 1}), [&](Applied& a) { EXPECT_TRUE(bold(a)); }},
      {"sprmCFBold 0 turns bold off", Bytes({0x35, 0x08, 1, 0x35, 0x08, 0}),
       [&](Applied& a) {
         EXPECT_FALSE(bold(a));
         EXPECT_TRUE(a.run.GetExplicitlySetVal().Contains(wm::TvnExplicitlySetValue::esvBold));
       }},
      {"sprmCFBold 0x81 negates", Bytes({0x35, 0x08, 1, 0x35, 0x08, 0x81}), [&](Applied& a) { EXPECT_FALSE(bold(a)); }},
      {"sprmCFBold 0x80 keeps", Bytes({0x35, 0x08, 1, 0x35, 0x08, 0x80}), [&](Applied& a) { EXPECT_TRUE(bold(a)); }},
      {"sprmCFItalic, sprmCFStrike, sprmCKul", Bytes({0x36, 0x08, 1, 0x37, 0x08, 1, 0x3E, 0x2A, 3}),
       [](Applied& a) {
         EXPECT_TRUE(a.run.GetFontStyle().Contains(wm::TvnFontStyle::fsItalic));
         EXPECT_TRUE(a.run.GetFontStyle().Contains(wm::TvnFontStyle::fsStrikeOut));
         EXPECT_TRUE(a.run.GetFontStyle().Contains(wm::TvnFontStyle::fsUnderline));
       }},
      {"sprmCKul 0 is no underline", Bytes({0x3E, 0x2A, 0}),
       [](Applied& a) { EXPECT_FALSE(a.run.GetFontStyle().Contains(wm::TvnFontStyle::fsUnderline)); }},
      {"sprmCFVanish 1, sprmCFCaps 1", Bytes({0x3C, 0x08, 1, 0x3B, 0x08, 1}),
       [](Applied& a) {
         EXPECT_TRUE(a.run.GetHidden());
         EXPECT_TRUE(a.run.GetCaps());
       }},
      {"sprmCFVanish 0 shows", Bytes({0x3C, 0x08, 0}), [](Applied& a) { EXPECT_FALSE(a.run.GetHidden()); }},
      {"sprmCIss superscript", Bytes({0x48, 0x2A, 1}),
       [](Applied& a) { EXPECT_EQ(a.run.GetTextAlignment(), wm::TvnTextAlignment::taSuperscript); }},
      {"sprmCIss subscript", Bytes({0x48, 0x2A, 2}),
       [](Applied& a) { EXPECT_EQ(a.run.GetTextAlignment(), wm::TvnTextAlignment::taSubscript); }},
      {"sprmCIstd", Bytes({0x30, 0x4A, 12, 0}), [](Applied& a) { EXPECT_EQ(a.run.GetStyleID(), u"12"); }},
      {"sprmCHighlight yellow", Bytes({0x0C, 0x2A, 7}),
       [](Applied& a) {
         EXPECT_TRUE(a.run.GetIsHighLightColor());
         EXPECT_EQ(a.run.GetHighLightColor(), (wm::TvnRGBColor{255, 255, 0}));
       }},
      {"sprmCSymbol", Bytes({0x09, 0x6A, 3, 0, 0x2A, 0xF0}),
       [](Applied& a) {
         EXPECT_TRUE(Extra(a.run).GetIsSymbol());
         EXPECT_EQ(Extra(a.run).GetSymbolFontIndex(), 3);
         EXPECT_EQ(Extra(a.run).GetSymbolChar(), u'\xF02A');
       }},
      {"sprmCPicLocation, sprmCFData, sprmCFSpec, sprmCFOle2",
       Bytes({0x03, 0x6A, 0x10, 0x20, 0, 0, 0x06, 0x08, 1, 0x55, 0x08, 1, 0x0A, 0x08, 1}),
       [](Applied& a) {
         EXPECT_EQ(Extra(a.run).GetLocationOffset(), 0x2010);
         EXPECT_TRUE(Extra(a.run).GetIsBinaryData());
         EXPECT_TRUE(Extra(a.run).GetIsSpecial());
         EXPECT_TRUE(Extra(a.run).GetIsEmbeddedObject());
       }},
      {"a paragraph sprm leaves the run alone, a character sprm the paragraph", Bytes({0x03, 0x24, 1, 0x35, 0x08, 1}),
       [&](Applied& a) {
         EXPECT_EQ(a.para.GetHAlignment(), wm::TvnHAlignment::haCenter);
         EXPECT_TRUE(bold(a));
         EXPECT_EQ(a.run.GetTextAlignment(), wm::TvnTextAlignment::taBaseline);
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Applied applied;
    Apply(applied, c.bytes);
    c.check(applied);
  }
}

TEST(DocSprmEffects, ExtraDataOfAnotherKindIsAnInvalidCast) {
  wm::TvnRunProperties run;
  run.SetAdditionalInfo(std::make_shared<wm::TvnRunProperties>());
  const std::string bytes = Bytes({0x35, 0x08, 1});
  TvnBinaryReader reader(std::span(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
  const auto list = GetPRLs(reader, 3);
  TvnDOCHelperFunctions helpers({}, {}, 0, 0);
  EXPECT_THROW(helpers.ParseTextRunProperties(run, &list, reader), vn::EInvalidCast);
}

TEST(DocSprmEffects, AHugeListIsReadFromTheDataStreamOnce) {
  // At offset 4 of the Data stream: cb 9, sprmPJc80 right, then a huge
  // list pointing at itself, which is not followed.
  const std::string data = Bytes({0, 0, 0, 0, 9, 0, 0x03, 0x24, 2, 0x46, 0x66, 4, 0, 0, 0});
  const auto data_bytes = std::span(reinterpret_cast<const uint8_t*>(data.data()), data.size());
  TvnDOCHelperFunctions helpers({}, data_bytes, 0, 0);
  const std::string papx = Bytes({0x46, 0x66, 4, 0, 0, 0});
  TvnBinaryReader reader(std::span(reinterpret_cast<const uint8_t*>(papx.data()), papx.size()));
  const auto list = GetPRLs(reader, 6);
  wm::TvnParagraphProperties para;
  helpers.ParseParagraphProperties(para, &list, reader);
  EXPECT_EQ(para.GetHAlignment(), wm::TvnHAlignment::haRight);
  // Without a Data stream nothing happens.
  wm::TvnParagraphProperties plain;
  TvnDOCHelperFunctions({}, {}, 0, 0).ParseParagraphProperties(plain, &list, reader);
  EXPECT_EQ(plain.GetHAlignment(), wm::TvnHAlignment::haLeft);
}

TEST(DocSprmEffects, WordColourIndices) {
  const std::pair<int, wm::TvnRGBColor> cases[] = {
      {0, {0, 0, 0}},       {1, {0, 0, 0}},         {2, {0, 0, 255}},     {6, {255, 0, 0}},  {8, {255, 255, 255}},
      {9, {0, 0, 128}},     {14, {128, 128, 0}},    {15, {128, 128, 128}}, {16, {192, 192, 192}}, {200, {192, 192, 192}},
      {-1, {192, 192, 192}}};
  for (const auto& [index, color] : cases) EXPECT_EQ(IcoToColor(index), color) << index;
}

// An SttbfFfn entry: cch, flags, weight, charset, alternate index, panose
// and signature, then the name (and an alternate name) in UTF-16.
std::string FontEntry(const std::u16string& name, const std::u16string& alternate = u"") {
  std::string ffn = Bytes({0x26, 0x90, 0x01, 0x00});
  ffn.push_back(static_cast<char>(alternate.empty() ? 0 : name.size() + 1));
  ffn += std::string(34, '\0');
  for (char16_t c : name + u'\0' + alternate) ffn += WordDocumentBuilder::Le16(c);
  if (!alternate.empty()) ffn += WordDocumentBuilder::Le16(0);
  return std::string(1, static_cast<char>(ffn.size())) + ffn;
}

TEST(DocFontTable, NamesByIndexWithTheDefaultOutsideTheTable) {
  std::string table = "junk";
  const auto at = static_cast<uint32_t>(table.size());
  table += WordDocumentBuilder::Le16(4) + WordDocumentBuilder::Le16(0) + FontEntry(u"Times New Roman") + FontEntry(u"") +
           FontEntry(u"Arial") + FontEntry(u"MS Mincho", u"Mincho");
  const auto bytes = std::span(reinterpret_cast<const uint8_t*>(table.data()), table.size());
  TvnDOCHelperFunctions helpers(bytes, {}, at, static_cast<uint32_t>(table.size() - at));
  helpers.SetDefaultFontName(u"Default");
  EXPECT_EQ(helpers.GetFontName(0), u"Times New Roman");
  EXPECT_EQ(helpers.GetFontName(1), u"Default");  // an entry without a name keeps its place
  EXPECT_EQ(helpers.GetFontName(2), u"Arial");
  EXPECT_EQ(helpers.GetFontName(3), u"Mincho");
  EXPECT_EQ(helpers.GetFontName(4), u"Default");
  EXPECT_EQ(helpers.GetFontName(-1), u"Default");
  // The last font sprm of a list wins.
  Applied applied;
  Apply(applied, Bytes({0x4F, 0x4A, 0, 0, 0x51, 0x4A, 2, 0}), &helpers);
  EXPECT_EQ(applied.run.GetFontName(), u"Arial");
}

TEST(DocFontTable, ATableCutShortGivesTheDefault) {
  std::string table = WordDocumentBuilder::Le16(2) + WordDocumentBuilder::Le16(0) + FontEntry(u"Arial");
  table += FontEntry(u"Courier New").substr(0, 20);
  const auto bytes = std::span(reinterpret_cast<const uint8_t*>(table.data()), table.size());
  TvnDOCHelperFunctions helpers(bytes, {}, 0, 4000);
  EXPECT_EQ(helpers.GetFontName(0), u"Arial");
  EXPECT_EQ(helpers.GetFontName(1), u"");
}

}  // namespace vn::doc::property_modifiers_test
