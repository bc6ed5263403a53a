// Generic regions coded by the reference encoder: every template, typical
// prediction, moved adaptive pixels, the caller-driven form, unknown data
// lengths and damage; jbig2dec decoding the same segments to the same image
// shows that encoder and decoder use the standard's contexts.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pdf/jbig2/exceptions.h"
#include "pdf/jbig2/generic_region.h"
#include "test_support.h"

namespace vn::pdf::jbig2::generic_region_test {
namespace {

using testing::Chars;
using testing::DecodePage;
using testing::GenericParams;
using testing::Image;
using testing::Segment;
using testing::TestDocument;

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
  for (const auto& [what, params] : cases) EXPECT_EQ(DecodePage(GenericPage(image, params)), image) << what;
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
    EXPECT_EQ(DecodePage(stream), image) << what;
  }
}

TEST(Jbig2GenericRegion, AdaptivePixelsOutsideTheDecodedAreaReadWhite) {
  // Pixels to the right in this row and in rows below are not decoded yet:
  // they count as 0, as the encoder assumed.
  const Image image = testing::TextLikeImage(40, 30, 3);
  const GenericParams future{0, false, false, {{5, 0}, {0, 3}, {-128, 127}, {127, 1}}};
  EXPECT_EQ(DecodePage(GenericPage(image, future)), image);
}

TEST(Jbig2GenericRegion, TypicalRowsAtTheTopAreWhite) {
  // Rows 0 and 1 white, so the first row is coded as typical.
  Image image = testing::TextLikeImage(50, 20, 4);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 50; ++x) image.Set(x, y, 0);
  for (int t = 0; t < 4; ++t) EXPECT_EQ(DecodePage(GenericPage(image, {t, false, true, testing::NominalAt(t)})), image);
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
  stream += Segment(2, 50, {}, 1, Chars({0, 0, 0, 39}));
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
  const std::string nominal_at = Chars({0, 3, 0xFF, 0xFD, 0xFF, 2, 0xFE, 0xFE, 0xFE});  // flags, then the pixels
  std::string huge = testing::RegionInfo(100000, 100000) + nominal_at;
  TestDocument doc(Segment(1, 38, {}, 1, huge));
  auto* region = static_cast<TvnIRegion*>(doc.Headers()[0]->GetSegmentData());
  EXPECT_THROW(region->GetRegionBitmap(), TvnJBIG2Exception);

  // A header cut inside its adaptive pixels.
  TestDocument cut(Segment(1, 38, {}, 1, testing::RegionInfo(8, 8) + Chars({0, 3})));
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

}  // namespace
}  // namespace vn::pdf::jbig2::generic_region_test
