// Segment headers: referred-to segments in the short and long forms, number
// widths, page association sizes, truncation, and data objects by type.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "pdf/jbig2/exceptions.h"
#include "pdf/jbig2/segment_header.h"
#include "pdf/jbig2/segments.h"
#include "test_support.h"

namespace vn::pdf::jbig2::segment_header_test {
namespace {

using testing::Chars;
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

TEST(Jbig2SegmentHeader, ReferredSegmentsAndPageAssociation) {
  const std::string known_bytes = Chars({0, 0, 0, 7, 0x30, 0x00, 0x01, 0, 0, 0, 0});
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
      {"count byte 0x80: four references of one byte", Chars({0, 0, 0, 9, 0x26, 0x80, 7, 1, 2, 7, 3, 0, 0, 0, 5}), 9, 38,
       {7, 1, 2, 7}, 3, 5, 15},
      {"segment 300: references of two bytes", Chars({0, 0, 1, 0x2C, 0x2A, 0x20, 0x01, 0x07, 2, 0, 0, 0, 0}), 300, 42,
       {263}, 2, 0, 13},
      {"segment 70000: references of four bytes, page of four bytes",
       Chars({0, 1, 0x11, 0x70, 0x44, 0x20, 0, 0, 0, 7, 0, 0, 1, 0, 0, 0, 0, 9}), 70000, 4, {7}, 256, 9, 18},
      {"long form: nine references, two bytes of retention flags",
       Chars({0, 0, 0, 20, 0x00, 0xE0, 0, 0, 9, 0xFF, 0x01, 1, 2, 3, 4, 5, 6, 7, 8, 9, 1, 0, 0, 0, 0}), 20, 0,
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
                                   Segment(2, 50, {}, 1, Chars({0, 0, 0, 99})) + Segment(3, 62, {}, 1, "ext") +
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
  TestDocument cut(Segment(1, 48, {}, 1, Chars({0, 0})));
  EXPECT_THROW(cut.Headers()[0]->GetSegmentData(), TvnJBIG2Exception);
  EXPECT_EQ(TestFlag(0x40, 6), 1);
  EXPECT_THROW(TestFlag(1, 8), vn::EArgumentOutOfRangeException);
}

}  // namespace
}  // namespace vn::pdf::jbig2::segment_header_test
