// The font engine: which reader it keeps, what it does with a stream nobody
// accepts or a reader that fails, and its outline caches.
#include "fonts/font_engine.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "fonts/exceptions.h"
#include "cff_test_fonts.h"
#include "support/paths.h"
#include "type1_test_fonts.h"

namespace vn::fonts::font_engine_test {
namespace {

namespace fs = std::filesystem;
using testing::CffTable;

const fs::path kFixture = fs::path(VN_FIXTURES_DIR) / "fonts" / "accented.pfb";

void ExpectPicked(const std::string& bytes, FontType type) {
  TStringStream stream(bytes);
  TvnFontEngine engine(stream, 12, 96, 96);
  ASSERT_TRUE(engine.IsLoaded());
  EXPECT_EQ(engine.Font()->GetFontType(), type);
  const TvnRecList* outline = nullptr;
  engine.DecomposeOutlineGlyph(u"A", 12, 96, [&](const TvnRecList* l) { outline = l; }, TGlyphType::CharCode);
  ASSERT_NE(outline, nullptr);
  EXPECT_GT(outline->Count(), 3);
}

TEST(FontEngine, PicksTheType1Reader) { ExpectPicked(ReadFileBytes(kFixture), FontType::Type1); }

TEST(FontEngine, PicksTheTrueTypeReader) {
  ExpectPicked(ReadFileBytes("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"), FontType::TrueType);
}

TEST(FontEngine, PicksTheCffReader) {
  ExpectPicked(CffTable(ReadFileBytes("/usr/share/fonts/opentype/urw-base35/NimbusSans-Regular.otf")), FontType::CFF);
}

TEST(FontEngine, DamagedStreamsGiveNothing) {
  testing::Type1Builder b;
  b.Glyph("A", "0 500 hsbw endchar");
  const std::string pfa = b.Pfa();
  const std::string cases[] = {
      "",
      std::string(1000, '\0'),
      "%!PS-AdobeFont-1.0: Broken\n/FontName /Broken def\n",
      pfa.substr(0, pfa.find("eexec") + 40),
      std::string("\x80\x01\xff\xff\xff\x7f", 6),
      "\x00\x01\x00\x00\x00\x0c\x00\x80\x00\x03\x00\x40",
  };
  for (const std::string& bytes : cases) {
    TStringStream stream(bytes);
    TvnFontEngine engine(stream, 12, 96, 96);
    EXPECT_FALSE(engine.IsLoaded());
    EXPECT_EQ(engine.Font(), nullptr);
    int calls = 0;
    EXPECT_EQ(engine.DecomposeOutlineGlyph(u"A", 12, 96, [&](const TvnRecList*) { ++calls; }, TGlyphType::CharCode), 0);
    engine.DecomposeOutlineGlyph(65, FixedPoint4{120000}, 96, [&](const TvnRecList*) { ++calls; }, TGlyphType::CharCode);
    EXPECT_EQ(calls, 0);
    EXPECT_FALSE(engine.isCharcodeAvailable(65));
  }
}

// A reader that answers as told and counts what it is asked.
class FakeReader : public TvnBaseFont {
 public:
  FakeReader(FontType type, bool accepts, int& checks, bool throws = false)
      : type_(type), accepts_(accepts), throws_(throws), checks_(checks) {}
  std::unique_ptr<TvnRecList> GetOutlineForGlyphName(std::string_view, float, int, EncodingType) override {
    return nullptr;
  }
  std::unique_ptr<TvnRecList> GetOutlineForCharCode(int32_t code, float size, int, EncodingType) override {
    if (throws_) throw TvnKPNException("damaged glyph");
    if (code == 'x') return nullptr;
    auto list = std::make_unique<TvnRecList>();
    Instructions r;
    r.pt2 = {static_cast<float>(code), size};
    list->Add(r);
    return list;
  }
  std::unique_ptr<TvnRecList> GetOutlineForGlyphID(int32_t id, float size, int dpi, EncodingType e) override {
    return GetOutlineForCharCode(id, size, dpi, e);
  }
  bool Check(TStream&) override {
    ++checks_;
    if (throws_ && !accepts_) throw TvnKPNException("table not understood");
    return accepts_;
  }
  bool IsCharCodeAvailable(int32_t, EncodingType) override {
    if (throws_) throw TvnKPNException("damaged");
    return true;
  }
  FontType GetFontType() override { return type_; }
  void Close() override {}

 private:
  FontType type_;
  bool accepts_, throws_;
  int& checks_;
};

TEST(FontEngine, KeepsTheFirstReaderThatAccepts) {
  int tt = 0, cff = 0, t1 = 0;
  std::vector<std::unique_ptr<TvnBaseFont>> readers;
  readers.push_back(std::make_unique<FakeReader>(FontType::TrueType, false, tt, true));  // throws in Check
  readers.push_back(std::make_unique<FakeReader>(FontType::CFF, true, cff));
  readers.push_back(std::make_unique<FakeReader>(FontType::Type1, true, t1));
  TStringStream stream("data");
  TvnFontEngine engine(stream, 12, 96, 96, std::move(readers));
  EXPECT_TRUE(engine.IsLoaded());
  EXPECT_EQ(engine.Font()->GetFontType(), FontType::CFF);
  EXPECT_EQ(tt, 1);
  EXPECT_EQ(cff, 1);
  EXPECT_EQ(t1, 0);
}

TEST(FontEngine, CachesOutlinesByGlyphSizeAndResolution) {
  int checks = 0;
  std::vector<std::unique_ptr<TvnBaseFont>> readers;
  readers.push_back(std::make_unique<FakeReader>(FontType::Type1, true, checks));
  TStringStream stream("data");
  TvnFontEngine engine(stream, 12, 96, 96, std::move(readers));
  auto get = [&](auto key, auto size, int dpi, TGlyphType type) {
    const TvnRecList* out = reinterpret_cast<const TvnRecList*>(1);
    engine.DecomposeOutlineGlyph(key, size, dpi, [&](const TvnRecList* l) { out = l; }, type);
    return out;
  };
  const TvnRecList* a12 = get(u"A", 12, 96, TGlyphType::CharCode);
  ASSERT_NE(a12, nullptr);
  EXPECT_EQ(get(u"A", 12, 96, TGlyphType::CharCode), a12);
  EXPECT_EQ(get(65, FixedPoint4{120000}, 96, TGlyphType::GlyphName), a12);  // by code whatever the type says
  const TvnRecList* a24 = get(u"A", 24, 96, TGlyphType::CharCode);
  ASSERT_NE(a24, a12);
  EXPECT_EQ(a24->GetItem(0).pt2.Y, 24);
  EXPECT_NE(get(u"A", 12, 72, TGlyphType::CharCode), a12);
  EXPECT_EQ(get(65, FixedPoint4{125000}, 96, TGlyphType::CharCode)->GetItem(0).pt2.Y, 12.5f);
  const TvnRecList* by_index = get(u"A", 12, 96, TGlyphType::GlyphIndex);
  EXPECT_NE(by_index, a12);
  EXPECT_EQ(get(u"A", 12, 96, TGlyphType::GlyphIndex), by_index);
  // A glyph without an outline reaches the callback as null, every time.
  EXPECT_EQ(get(u"x", 12, 96, TGlyphType::CharCode), nullptr);
  EXPECT_EQ(get(u"x", 12, 96, TGlyphType::CharCode), nullptr);
  EXPECT_EQ(get(u"", 12, 96, TGlyphType::CharCode), nullptr);
  EXPECT_EQ(a12->GetItem(0).pt2.X, 65);  // still valid
}

TEST(FontEngine, ReaderFailuresAreNoGlyph) {
  int checks = 0;
  std::vector<std::unique_ptr<TvnBaseFont>> readers;
  readers.push_back(std::make_unique<FakeReader>(FontType::Type1, true, checks, true));
  TStringStream stream("data");
  TvnFontEngine engine(stream, 12, 96, 96, std::move(readers));
  ASSERT_TRUE(engine.IsLoaded());
  int calls = 0;
  engine.DecomposeOutlineGlyph(u"A", 12, 96, [&](const TvnRecList* l) { calls += l == nullptr; }, TGlyphType::CharCode);
  EXPECT_EQ(calls, 1);
  EXPECT_FALSE(engine.isCharcodeAvailable(65));
}

TEST(FontEngine, Type1GlyphsByCodeAndName) {
  TStringStream stream(ReadFileBytes(kFixture));
  TvnFontEngine engine(stream, 12, 96, 96);
  ASSERT_TRUE(engine.IsLoaded());
  EXPECT_TRUE(engine.isCharcodeAvailable(193));
  EXPECT_FALSE(engine.isCharcodeAvailable(66));
  auto outline = [&](StringView text, TGlyphType type) {
    const TvnRecList* out = nullptr;
    engine.DecomposeOutlineGlyph(text, 12, 96, [&](const TvnRecList* l) { out = l; }, type);
    return out;
  };
  const TvnRecList* by_code = outline(u"\u00c1", TGlyphType::CharCode);  // code 193
  const TvnRecList* by_name = outline(u"Aacute", TGlyphType::GlyphName);
  ASSERT_TRUE(by_code && by_name);
  ASSERT_EQ(by_code->Count(), by_name->Count());
  for (int i = 0; i < by_code->Count(); ++i) EXPECT_EQ(by_code->GetItem(i).pt2, by_name->GetItem(i).pt2);
  EXPECT_EQ(outline(u"\u0100", TGlyphType::GlyphName), nullptr);  // not a byte name
  EXPECT_EQ(outline(u"B", TGlyphType::CharCode), nullptr);
}

}  // namespace
}  // namespace vn::fonts::font_engine_test
