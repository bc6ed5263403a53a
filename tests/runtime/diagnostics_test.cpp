#include "runtime/diagnostics.h"

#include <gtest/gtest.h>

namespace vn::diagnostics_test {
namespace {

TEST(Diagnostics, KeepsTheFirstReportsUpToTheCapAndCountsAll) {
  Diagnostics d(3);
  EXPECT_TRUE(d.Empty());
  for (int i = 0; i < 10; ++i) d.Report({.offset = uint64_t(i), .message = "cut short"});
  EXPECT_EQ(d.Count(), 10u);
  ASSERT_EQ(d.Kept().size(), 3u);
  EXPECT_EQ(d.Kept()[2].offset, 2u);
  EXPECT_EQ(d.Summary(), "cut short; cut short; cut short; ... 7 more");
  d.Clear();
  EXPECT_TRUE(d.Empty());
  EXPECT_TRUE(d.Kept().empty());
}

TEST(Diagnostics, ReportsCarryWhereAndWhat) {
  Diagnostics d;
  d.Report({.offset = 40, .record = 84, .message = "damaged record skipped"});
  d.Report({.object = 12, .message = "object header does not match its entry"});
  ReportTo(&d, {.message = "libpng: iCCP: known incorrect sRGB profile"});
  ReportTo(nullptr, {.message = "nobody listens"});
  ASSERT_EQ(d.Count(), 3u);
  EXPECT_EQ(d.Kept()[0], (Diagnostic{40, 84, Diagnostic::kNoObject, "damaged record skipped"}));
  EXPECT_EQ(d.Kept()[1].offset, Diagnostic::kNoOffset);
  EXPECT_EQ(d.Kept()[1].object, 12);
  EXPECT_EQ(d.Kept()[2].record, 0u);
}

}  // namespace
}  // namespace vn::diagnostics_test
