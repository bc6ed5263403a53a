// Refinement regions coded by the reference encoder: both templates, typical
// prediction, moved adaptive pixels, offset references, and references that
// cannot serve; jbig2dec agrees on the same data.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "pdf/jbig2/exceptions.h"
#include "pdf/jbig2/generic_refinement_region.h"
#include "pdf/jbig2/segment_header.h"
#include "test_support.h"

namespace vn::pdf::jbig2::generic_refinement_region_test {
namespace {

using testing::DecodePage;
using testing::GenericParams;
using testing::Image;
using testing::RefineParams;
using testing::Segment;
using testing::TestDocument;

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
    EXPECT_EQ(DecodePage(RefinementOfRegion(image, reference, params)), image) << what;
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
}  // namespace vn::pdf::jbig2::generic_refinement_region_test
