// The event's path and rotation sums, the sign reversal and the long-path line.
#include "target/path_account.h"

#include <gtest/gtest.h>

#include "transport/kinematics.h"

namespace ornaplex {
namespace {

TEST(PathAccount, LongPathLineOnlyAbove500cm) {
  BufferSink lines;
  PathAccount account(FIELD_mG, lines);
  account.add(500.0, 5.0);
  account.check("gap 3");
  EXPECT_TRUE(lines.lines().empty()) << "exactly 500 cm writes nothing";
  account.add(1e-9, 5.0);
  account.check("gap 3");
  ASSERT_EQ(lines.lines().size(), 1u);
  EXPECT_EQ(lines.lines()[0].rfind(" gap 3 ", 0), 0u) << lines.lines()[0];
}

TEST(PathAccount, ReversalNegatesEverythingBefore) {
  NullSink none;
  PathAccount account(FIELD_mG, none);
  account.add(100.0, 5.0);
  const double before = account.rotation();
  account.reverseSign();
  account.add(40.0, 5.0);
  EXPECT_DOUBLE_EQ(account.rotation(), -before + segmentRotation(40.0, 5.0, FIELD_mG));
  EXPECT_EQ(account.path(), 140.0);
}

}  // namespace
}  // namespace ornaplex
