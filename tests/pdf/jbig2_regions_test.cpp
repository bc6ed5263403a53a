// Segment headers, generic regions and refinement regions. Regions are
// coded with the reference encoder of the test support; jbig2dec decoding
// the same segments to the same image shows that encoder and decoder use the
// standard's contexts.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "jbig2_test_support.h"
#include "pdf/jbig2/exceptions.h"
#include "pdf/jbig2/generic_refinement_region.h"
#include "pdf/jbig2/generic_region.h"
#include "pdf/jbig2/segment_header.h"

namespace vn::pdf::jbig2 {
namespace {

using testing::GenericParams;
using testing::Image;
using testing::Offset;
using testing::RefineParams;
using testing::Segment;
using testing::TestDocument;

// A directory that knows a few headers by number, for header tests.
class FakeDirectory : public TvnSegmentDirectory {
 public:
  TvnSegmentHeader* FindSegment(int64_t page, int64_t number) override {
    asked.push_back({page, number});
    return number == 7 ? known : nullptr;
  }
  TvnSegmentHeader* known = nullptr;
  std::vector<std::pair<int64_t, int64_t>> asked;
};

std::string Hex(std::initializer_list<int> bytes) {
  std::string s;
  for (int b : bytes) s.push_back(static_cast<char>(b));
  return s;
}

TEST(Jbig2SegmentHeader, ReferredSegmentsAndPageAssociation) {
  const std::string known_bytes = Hex({0, 0, 0, 7, 0x30, 0x00, 0x01, 0, 0, 0, 0});
  const auto known_data = testing::Bytes(known_bytes);
  TvnIOStream known_stream(known_data, INT64_MAX, 0);
  FakeDirectory directory;
  TvnSegmentHeader known(&directory, TvnSegmentHeader::kSequential, 0, &known_stream);
  directory.known = &known;

  struct Case {
    const char* what;
    std::string bytes;
    int64_t number;
    int type;
    std::vector<int64_t> asked;  // referred numbers looked up
    int64_t page;
    int64_t length;
    int64_t header_length;
  };
  const Case cases[] = {
      {"count byte 0x80: four references of one byte", Hex({0, 0, 0, 9, 0x26, 0x80, 7, 1, 2, 7, 3, 0, 0, 0, 5}), 9, 38,
       {7, 1, 2, 7}, 3, 5, 15},
      {"segment 300: references of two bytes", Hex({0, 0, 1, 0x2C, 0x2A, 0x20, 0x01, 0x07, 2, 0, 0, 0, 0}), 300, 42,
       {263}, 2, 0, 13},
      {"segment 70000: references of four bytes, page of four bytes",
       Hex({0, 1, 0x11, 0x70, 0x44, 0x20, 0, 0, 0, 7, 0, 0, 1, 0, 0, 0, 0, 9}), 70000, 4, {7}, 256, 9, 18},
      {"long form: nine references, two bytes of retention flags",
       Hex({0, 0, 0, 20, 0x00, 0xE0, 0, 0, 9, 0xFF, 0x01, 1, 2, 3, 4, 5, 6, 7, 8, 9, 1, 0, 0, 0, 0}), 20, 0,
       {1, 2, 3, 4, 5, 6, 7, 8, 9}, 1, 0, 25},
  };
  for (const Case& c : cases) {
    directory.asked.clear();
    const auto data = testing::Bytes(c.bytes);
    TvnIOStream stream(data, INT64_MAX, 0);
    TvnSegmentHeader header(&directory, TvnSegmentHeader::kSequential, 0, &stream);
    EXPECT_EQ(header.SegmentNumber(), c.number) << c.what;
    EXPECT_EQ(header.SegmentType(), c.type) << c.what;
    EXPECT_EQ(header.PageAssociation(), c.page) << c.what;
    EXPECT_EQ(header.SegmentyDataLength(), c.length) << c.what;
    EXPECT_EQ(header.SegmentHeaderLength(), c.header_length) << c.what;
    EXPECT_EQ(header.SegmentDataStartOffset(), c.header_length) << c.what;
    std::vector<int64_t> asked;
    for (auto& [page, number] : directory.asked) {
      EXPECT_EQ(page, c.page) << c.what;
      asked.push_back(number);
    }
    EXPECT_EQ(asked, c.asked) << c.what;
    // Only the numbers the document knows become references.
    for (TvnSegmentHeader* referred : header.GetRTSegments()) EXPECT_EQ(referred, &known) << c.what;
    EXPECT_EQ(header.GetRTSegments().size(), static_cast<size_t>(std::count(c.asked.begin(), c.asked.end(), 7)));

    // Cut anywhere inside, the header is refused with the one message.
    for (size_t cut = 0; cut < c.bytes.size(); ++cut) {
      const auto short_data = testing::Bytes(c.bytes.substr(0, cut));
      TvnIOStream short_stream(short_data, INT64_MAX, 0);
      try {
        TvnSegmentHeader broken(&directory, TvnSegmentHeader::kSequential, 0, &short_stream);
        ADD_FAILURE() << c.what << " cut at " << cut;
      } catch (const vn::Exception& e) {
        EXPECT_STREQ(e.what(), "segment rendring error");
      }
    }
  }
}

TEST(Jbig2SegmentHeader, DataObjectsByType) {
  const std::string stream_bytes = Segment(1, 48, {}, 1, testing::PageInfo(10, 0xFFFFFFFF, 0x44 | 0x10, 0x8100)) +
                                   Segment(2, 50, {}, 1, Hex({0, 0, 0, 99})) + Segment(3, 62, {}, 1, "ext") +
                                   Segment(4, 52, {}, 1, "");
  TestDocument doc(stream_bytes);
  ASSERT_EQ(doc.Headers().size(), 4u);
  auto* page = dynamic_cast<TvnPageInformation*>(doc.Headers()[0]->GetSegmentData());
  ASSERT_NE(page, nullptr);
  EXPECT_EQ(page->GetWidth(), 10);
  EXPECT_EQ(page->GetHeight(), TvnPageInformation::kUnknownHeight);
  EXPECT_TRUE(page->IsCombinationOperatorOverrideAllowed());
  EXPECT_EQ(page->GetCombinationOperator(), FCombinationOPerator::XOROP);
  EXPECT_EQ(page->GetDefaultPixelValue(), 1);
  EXPECT_TRUE(page->IsStriped());
  EXPECT_EQ(page->GetMaxStripeSize(), 256);
  EXPECT_EQ(page, doc.Headers()[0]->GetSegmentData()) << "made once";
  auto* stripe = dynamic_cast<TvnEndOfStripe*>(doc.Headers()[1]->GetSegmentData());
  ASSERT_NE(stripe, nullptr);
  EXPECT_EQ(stripe->GetLineNumber(), 99);
  EXPECT_EQ(doc.Headers()[2]->GetSegmentData(), nullptr) << "extension segments have no data object";
  EXPECT_NE(dynamic_cast<TvnProfiles*>(doc.Headers()[3]->GetSegmentData()), nullptr);

  // Short data: the data object refuses to exist.
  TestDocument cut(Segment(1, 48, {}, 1, Hex({0, 0})));
  EXPECT_THROW(cut.Headers()[0]->GetSegmentData(), TvnJBIG2Exception);
  EXPECT_EQ(TestFlag(0x40, 6), 1);
  EXPECT_THROW(TestFlag(1, 8), vn::EArgumentOutOfRangeException);
}

Image Decode(const std::string& stream) { return TestDocument(stream).ComposePage(); }

// A page of the image's size holding one immediate generic region.
std::string GenericPage(const Image& image, const GenericParams& p) {
  return Segment(0, 48, {}, 1, testing::PageInfo(image.width, image.height)) +
         Segment(1, 38, {}, 1, testing::GenericRegionData(image, p));
}

std::vector<std::pair<std::string, GenericParams>> GenericCases() {
  std::vector<std::pair<std::string, GenericParams>> cases;
  for (int t = 0; t < 4; ++t) {
    cases.push_back({"template " + std::to_string(t), {t, false, false, testing::NominalAt(t)}});
    cases.push_back({"template " + std::to_string(t) + " TPGDON", {t, false, true, testing::NominalAt(t)}});
  }
  cases.push_back({"template 0 moved AT", {0, false, false, {{-5, -1}, {4, -1}, {-1, -3}, {-7, -2}}}});
  cases.push_back({"template 1 far AT", {1, false, true, {{-128, -128}}}});
  cases.push_back({"template 2 AT in its own row", {2, false, false, {{-6, 0}}}});
  cases.push_back({"template 3 AT right, one row up", {3, false, false, {{127, -1}}}});
  return cases;
}

TEST(Jbig2GenericRegion, TemplatesRoundTrip) {
  const Image image = testing::TextLikeImage(131, 97, 1);
  std::vector<std::pair<std::string, GenericParams>> cases = GenericCases();
  cases.push_back({"extended template", {0, true, false, testing::NominalAt(0, true)}});
  cases.push_back({"extended template moved", {0, true, true, {{-1, -3}, {0, -2}, {-5, -1}, {-1, -2}, {1, -2}, {4, -1},
                                                                {-3, 0}, {-4, 0}, {2, -2}, {3, -1}, {-6, -2}, {-3, -1}}}});
  for (const auto& [what, params] : cases) EXPECT_EQ(Decode(GenericPage(image, params)), image) << what;
}

TEST(Jbig2GenericRegion, AgreesWithJbig2dec) {
  VN_REQUIRE_TOOL("jbig2dec");
  const Image image = testing::TextLikeImage(131, 97, 2);
  // jbig2dec reads no extended template, which the round trip covers.
  for (const auto& [what, params] : GenericCases()) {
    const std::string stream = GenericPage(image, params);
    auto oracle = testing::Jbig2dec(stream);
    ASSERT_TRUE(oracle) << what;
    EXPECT_EQ(*oracle, image) << what;
    EXPECT_EQ(Decode(stream), image) << what;
  }
}

TEST(Jbig2GenericRegion, AdaptivePixelsOutsideTheDecodedAreaReadWhite) {
  // Pixels to the right in this row and in rows below are not decoded yet:
  // they count as 0, as the encoder assumed.
  const Image image = testing::TextLikeImage(40, 30, 3);
  const GenericParams future{0, false, false, {{5, 0}, {0, 3}, {-128, 127}, {127, 1}}};
  EXPECT_EQ(Decode(GenericPage(image, future)), image);
}

TEST(Jbig2GenericRegion, TypicalRowsAtTheTopAreWhite) {
  // Rows 0 and 1 white, so the first row is coded as typical.
  Image image = testing::TextLikeImage(50, 20, 4);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 50; ++x) image.Set(x, y, 0);
  for (int t = 0; t < 4; ++t) EXPECT_EQ(Decode(GenericPage(image, {t, false, true, testing::NominalAt(t)})), image);
  // A region without columns has nothing to decode, however many rows it claims.
  std::string empty = testing::GenericRegionData(Image(0, 6), {0, false, true, testing::NominalAt(0)});
  empty.replace(4, 4, "\x0F\xFF\xFF\xFF");
  TestDocument doc(Segment(1, 38, {}, 1, empty));
  auto* region = static_cast<TvnIRegion*>(doc.Headers()[0]->GetSegmentData());
  EXPECT_EQ(region->GetRegionBitmap()->GetHeight(), 0x0FFFFFFF);
}

TEST(Jbig2GenericRegion, DrivenWithTheCallersDecoder) {
  // Two bitmaps one after the other in one coded stream, as a symbol
  // dictionary codes its symbols: one decoder and one context table serve
  // both and stay with the caller.
  const Image a = testing::TextLikeImage(20, 16, 5), b = testing::TextLikeImage(33, 7, 6);
  const GenericParams params{1, false, true, testing::NominalAt(1)};
  testing::MqEncoder mq;
  std::vector<uint8_t> cx(65536, 0);
  testing::EncodeGeneric(mq, cx, a, params);
  testing::EncodeGeneric(mq, cx, b, params);
  const auto bytes = testing::Bytes(mq.Finish());
  TvnIOStream stream(bytes, INT64_MAX, 0);
  TvnArithmeticDecoder decoder(&stream);
  TvnCX contexts(65536, 1);
  TvnGenericRegion region(&stream);
  const int8_t at_x[] = {3}, at_y[] = {-1};
  region.SetParameters(false, 1, &decoder, &contexts, a.height, a.width, at_x, at_y, true);
  EXPECT_EQ(testing::FromBitmap(*region.GetRegionBitmap()), a);
  EXPECT_EQ(region.GetRegionBitmap(), region.GetRegionBitmap()) << "decoded once";
  region.SetParameters(false, 1, &decoder, &contexts, b.height, b.width, at_x, at_y, true);
  EXPECT_EQ(testing::FromBitmap(*region.GetRegionBitmap()), b);
}

TEST(Jbig2GenericRegion, UnknownDataLengthEndsAtTheMarkerAndRowCount) {
  // An immediate region of unknown length: coded data, FF AC, then the
  // number of rows coded; the next segment follows.
  const Image image = testing::TextLikeImage(60, 40, 7);
  Image top(60, 25);
  for (int y = 0; y < 25; ++y)
    for (int x = 0; x < 60; ++x) top.Set(x, y, image.At(x, y));
  const GenericParams params{0, false, false, testing::NominalAt(0)};
  std::string region = testing::GenericRegionData(top, params);
  region.replace(4, 4, "\xFF\xFF\xFF\xFF");  // the height is not known yet
  testing::PutU32(region, 25);
  std::string stream = Segment(0, 48, {}, 1, testing::PageInfo(60, 40)) + Segment(1, 38, {}, 1, region);
  stream.replace(stream.size() - region.size() - 4, 4, "\xFF\xFF\xFF\xFF");
  stream += Segment(2, 50, {}, 1, Hex({0, 0, 0, 39}));
  TestDocument doc(stream);
  ASSERT_EQ(doc.Headers().size(), 3u) << "the segment after it is found";
  EXPECT_TRUE(doc.Headers()[1]->EndsWithRowCount());
  EXPECT_EQ(doc.Headers()[1]->SegmentyDataLength(), static_cast<int64_t>(region.size()));
  Image expected(60, 40);
  for (int y = 0; y < 25; ++y)
    for (int x = 0; x < 60; ++x) expected.Set(x, y, image.At(x, y));
  EXPECT_EQ(doc.ComposePage(), expected);
}

TEST(Jbig2GenericRegion, DamageStaysInsideTheRegion) {
  // Sizes over the cap are refused before anything is allocated.
  const std::string nominal_at = Hex({0, 3, 0xFF, 0xFD, 0xFF, 2, 0xFE, 0xFE, 0xFE});  // flags, then the pixels
  std::string huge = testing::RegionInfo(100000, 100000) + nominal_at;
  TestDocument doc(Segment(1, 38, {}, 1, huge));
  auto* region = static_cast<TvnIRegion*>(doc.Headers()[0]->GetSegmentData());
  EXPECT_THROW(region->GetRegionBitmap(), TvnJBIG2Exception);

  // A header cut inside its adaptive pixels.
  TestDocument cut(Segment(1, 38, {}, 1, testing::RegionInfo(8, 8) + Hex({0, 3})));
  EXPECT_THROW(cut.Headers()[0]->GetSegmentData(), TvnJBIG2Exception);

  // No coded data at all: the region still decodes, from 1-bits.
  TestDocument empty(Segment(1, 38, {}, 1, testing::RegionInfo(64, 64) + nominal_at));
  auto* blank = static_cast<TvnIRegion*>(empty.Headers()[0]->GetSegmentData());
  EXPECT_EQ(blank->GetRegionBitmap()->GetWidth(), 64);

  // MMR data that goes backwards in its second row: the first row stays.
  // Width 8: horizontal white 4 black 2, V0; then V0, VL3.
  const auto mmr = testing::BitString("001 1011 11 1  1 0000010");
  TestDocument broken(Segment(1, 38, {}, 1, testing::RegionInfo(8, 3) + "\x01" + std::string(mmr.begin(), mmr.end())));
  auto* mmr_region = static_cast<TvnIRegion*>(broken.Headers()[0]->GetSegmentData());
  EXPECT_EQ(mmr_region->GetRegionBitmap()->GetByteArray(), std::vector<uint8_t>({0x0C, 0x00, 0x00}));
}

// A refinement of `reference` into `image`: as an intermediate region and a
// refinement segment referring to it (ours), or as a region on the page and
// a refinement of the page (what jbig2dec reads).
std::string RefinementOfRegion(const Image& image, const Image& reference, const RefineParams& p) {
  const GenericParams g{0, false, false, testing::NominalAt(0)};
  return Segment(0, 48, {}, 1, testing::PageInfo(image.width, image.height)) +
         Segment(1, 36, {}, 1, testing::GenericRegionData(reference, g)) +
         Segment(2, 42, {1}, 1, testing::RefinementRegionData(image, reference, p));
}

std::string RefinementOfPage(const Image& image, const Image& reference, const RefineParams& p) {
  const GenericParams g{0, false, false, testing::NominalAt(0)};
  return Segment(0, 48, {}, 1, testing::PageInfo(image.width, image.height)) +
         Segment(1, 38, {}, 1, testing::GenericRegionData(reference, g)) +
         Segment(2, 42, {}, 1, testing::RefinementRegionData(image, reference, p, 0, 0, 4));
}

// The reference with a few pixels changed, as a refinement would correct.
Image Touched(const Image& reference, unsigned seed) {
  Image image = reference;
  std::mt19937 rng(seed);
  for (int i = 0; i < reference.width * reference.height / 40; ++i) {
    const int x = static_cast<int>(rng() % static_cast<unsigned>(reference.width));
    const int y = static_cast<int>(rng() % static_cast<unsigned>(reference.height));
    image.Set(x, y, 1 - image.At(x, y));
  }
  return image;
}

std::vector<std::pair<std::string, RefineParams>> RefineCases() {
  return {
      {"template 0", {0, false, {-1, -1}, {-1, -1}}},
      {"template 0 TPGRON", {0, true, {-1, -1}, {-1, -1}}},
      {"template 0 moved AT", {0, false, {-2, -1}, {1, 2}}},
      {"template 0 TPGRON moved AT", {0, true, {1, -1}, {-3, -2}}},
      {"template 1", {1, false}},
      {"template 1 TPGRON", {1, true}},
  };
}

TEST(Jbig2RefinementRegion, TemplatesRoundTrip) {
  const Image reference = testing::TextLikeImage(70, 45, 8);
  const Image image = Touched(reference, 9);
  for (const auto& [what, params] : RefineCases())
    EXPECT_EQ(Decode(RefinementOfRegion(image, reference, params)), image) << what;
}

TEST(Jbig2RefinementRegion, AgreesWithJbig2dec) {
  VN_REQUIRE_TOOL("jbig2dec");
  const Image reference = testing::TextLikeImage(70, 45, 10);
  const Image image = Touched(reference, 11);
  for (const auto& [what, params] : RefineCases()) {
    auto oracle = testing::Jbig2dec(RefinementOfPage(image, reference, params));
    ASSERT_TRUE(oracle) << what;
    EXPECT_EQ(*oracle, image) << what;
  }
}

TEST(Jbig2RefinementRegion, DrivenWithAnOffsetReference) {
  // A text region refines a symbol placed at an offset: reference pixel
  // (x - dx, y - dy) lies under pixel (x, y).
  const Image reference = testing::TextLikeImage(30, 20, 12);
  Image image(33, 22);
  for (int y = 0; y < 22; ++y)
    for (int x = 0; x < 33; ++x) image.Set(x, y, reference.At(x - 2, y + 1));
  image = Touched(image, 13);
  const RefineParams p{0, true, {-1, -1}, {-1, -1}, 2, -1};
  const auto bytes = testing::Bytes(testing::EncodeRefinement(image, reference, p));
  TvnIOStream stream(bytes, INT64_MAX, 0);
  TvnArithmeticDecoder decoder(&stream);
  TvnCX contexts(8192, 1);
  const TvnImageBitmap ref_bitmap = testing::ToBitmap(reference);
  TvnGenericRefinementRegion region(&stream);
  const int8_t at_x[] = {-1, -1}, at_y[] = {-1, -1};
  region.SetParameters(&contexts, &decoder, at_x, at_y, true, -1, 2, &ref_bitmap, 22, 33, 0);
  EXPECT_EQ(testing::FromBitmap(*region.GetRegionBitmap()), image);
}

TEST(Jbig2RefinementRegion, ReferencesThatCannotServe) {
  const Image image = testing::TextLikeImage(16, 16, 14);
  const RefineParams p{1, false};
  // No referred region at all, and a referred segment that is no region.
  for (const std::string& stream :
       {Segment(2, 42, {}, 1, testing::RefinementRegionData(image, image, p)),
        Segment(1, 48, {}, 1, testing::PageInfo(16, 16)) +
            Segment(2, 42, {1}, 1, testing::RefinementRegionData(image, image, p))}) {
    TestDocument doc(stream);
    auto* region = static_cast<TvnIRegion*>(doc.Headers().back()->GetSegmentData());
    EXPECT_THROW(region->GetRegionBitmap(), TvnJBIG2Exception);
  }

  // A chain of refinements of refinements deeper than the limit.
  std::string chain = Segment(1, 36, {}, 1, testing::GenericRegionData(image, {0, false, false, testing::NominalAt(0)}));
  const int links = TvnReferenceDepthGuard::kMaxDepth + 5;
  for (int i = 2; i < 2 + links; ++i)
    chain += Segment(static_cast<uint32_t>(i), 40, {static_cast<uint32_t>(i - 1)}, 1,
                     testing::RefinementRegionData(image, image, p));
  TestDocument deep(chain);
  auto* last = static_cast<TvnIRegion*>(deep.Headers().back()->GetSegmentData());
  EXPECT_THROW(last->GetRegionBitmap(), TvnJBIG2Exception);
  // A shorter chain decodes.
  auto* near = static_cast<TvnIRegion*>(deep.Headers()[10]->GetSegmentData());
  EXPECT_EQ(testing::FromBitmap(*near->GetRegionBitmap()), image);
}

}  // namespace
}  // namespace vn::pdf::jbig2
