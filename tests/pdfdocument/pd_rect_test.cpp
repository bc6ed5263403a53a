// Rectangles: free-standing and bound to the array they were read from,
// with the write-through of each side.
#include "pdfdocument/pd_rect.h"

#include <gtest/gtest.h>

#include "pdf/parser.h"
#include "runtime/streams.h"

namespace pd_rect_test {

using namespace vn::pdf;
using vn::pdfdoc::TvnPDRect;

std::unique_ptr<TvnPDBaseObject> ParseRectArray(const std::string& text) {
  auto mem = std::make_shared<vn::TMemoryStream>();
  mem->WriteBuffer(text.data(), static_cast<int64_t>(text.size()));
  TvnPDParser parser(nullptr, std::make_unique<TvnPDLexer>(MakeRef<TvnMemoryStream>(mem, 0, 0, false)), true);
  return parser.GetObject();
}

TEST(PDRect, EmptyFreeStandingAndClone) {
  TvnPDRect empty;
  EXPECT_EQ(empty.Left(), -1.0);
  EXPECT_EQ(empty.Top(), -1.0);
  EXPECT_EQ(empty.Right(), -1.0);
  EXPECT_EQ(empty.Bottom(), -1.0);
  EXPECT_FALSE(empty.IsValid());
  EXPECT_EQ(empty.GetArray(), nullptr);

  TvnPDRect box(1, 2, 3, 4.5);
  EXPECT_TRUE(box.IsValid());
  auto copy = box.Clone();
  EXPECT_EQ(copy->GetArray(), nullptr);
  EXPECT_EQ(copy->Bottom(), 4.5);

  empty.Assign(&box);
  EXPECT_TRUE(empty.IsValid());
  EXPECT_EQ(empty.Right(), 3.0);
  vn::pdf::TvnPDNull not_a_rect;
  empty.Assign(&not_a_rect);  // anything else leaves it alone
  EXPECT_EQ(empty.Right(), 3.0);
}

TEST(PDRect, ReadsNumberElementsInArrayOrder) {
  auto obj = ParseRectArray("[0 10.5 /Name 792]");
  TvnPDRect r(obj->AsArray());
  EXPECT_EQ(r.Left(), 0.0);
  EXPECT_EQ(r.Top(), 10.5);
  EXPECT_EQ(r.Right(), -1.0);  // not a number: stays unset
  EXPECT_EQ(r.Bottom(), 792.0);
  EXPECT_FALSE(r.IsValid());
  EXPECT_EQ(r.GetArray(), obj->AsArray());
}

struct WriteThroughCase {
  const char* What;
  std::string Array;
  int Side;  // 0 left .. 3 bottom
  double Value;
  std::string Written;
};

const WriteThroughCase kWriteThroughCases[] = {
    // An integer element keeps the fraction of a real value (the element
    // becomes a real) rather than rounding 10.6 to 11.
    {"fraction into an integer", "[0 0 612 792]", 0, 10.6, "[ 10.6 0 612 792 ]"},
    {"whole value into an integer", "[0 0 612 792]", 1, 5, "[ 0 5 612 792 ]"},
    {"real element takes the value", "[0 0 612.5 792]", 2, 600, "[ 0 0 600 792 ]"},
    {"other element", "[0 0 612 null]", 3, 800.25, "[ 0 0 612 800.25 ]"},
    {"array without that side", "[0 0]", 3, 7, "[ 0 0 ]"},
};

TEST(PDRect, SettersWriteThroughToTheBoundArray) {
  for (const auto& c : kWriteThroughCases) {
    SCOPED_TRACE(c.What);
    auto obj = ParseRectArray(c.Array);
    TvnPDRect r(obj->AsArray());
    switch (c.Side) {
      case 0: r.SetLeft(c.Value); break;
      case 1: r.SetTop(c.Value); break;
      case 2: r.SetRight(c.Value); break;
      default: r.SetBottom(c.Value); break;
    }
    EXPECT_TRUE(r.IsValid());
    EXPECT_EQ(obj->GetText(), c.Written);
  }
}

TEST(PDRect, SetValuesAndAssignWriteEverySide) {
  auto obj = ParseRectArray("[0 0 0 0]");
  TvnPDRect r(obj->AsArray());
  r.SetValues(1, 2.5, 3, 4);
  EXPECT_EQ(obj->GetText(), "[ 1 2.5 3 4 ]");
  TvnPDRect source(-5, 6, 7.75, 8);
  r.Assign(&source);
  EXPECT_EQ(obj->GetText(), "[ -5 6 7.75 8 ]");
  EXPECT_EQ(r.Left(), -5.0);
}

}  // namespace pd_rect_test
