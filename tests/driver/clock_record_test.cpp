// The seed and the log name a run derives from its start clock.
#include "driver/clock_record.h"

#include <gtest/gtest.h>

namespace ornaplex {
namespace {

TEST(ClockRecord, RanNoFromMinuteSecondAndMillisecond) {
  // year, month, day, zone, hour, minute, second, millisecond
  EXPECT_EQ(ranNoOf(clockRecordOf({2026, 12, 7, 60, 7, 0, 0, 0})), 0);
  EXPECT_EQ(ranNoOf(clockRecordOf({2026, 12, 7, 60, 7, 13, 5, 250})), 13 * 5 * 250 + 5 + 250);
  // The largest possible seed: 59 * 59 * 999 + 59 + 999.
  EXPECT_EQ(ranNoOf(clockRecordOf({2026, 1, 1, 0, 23, 59, 59, 999})), 3478577);
}

TEST(ClockRecord, LogNameHasTwentyCharacters) {
  EXPECT_EQ(logNameOf(clockRecordOf({2026, 12, 7, 60, 7, 13, 5, 250})), "ornaplex-1207-0713.o");
  const std::string newYear = logNameOf(clockRecordOf({2027, 1, 1, 0, 0, 0, 0, 0}));
  EXPECT_EQ(newYear, "ornaplex-0101-0000.o");
  EXPECT_EQ(newYear.size(), 20u);
}

TEST(ClockRecord, DateAndTimeTexts) {
  const ClockRecord c = clockRecordOf({2026, 3, 4, -300, 5, 6, 7, 8});
  EXPECT_EQ(c.date, "20260304");
  EXPECT_EQ(c.time, "050607.008");
  EXPECT_EQ(c.zone, "-0500");
}

}  // namespace
}  // namespace ornaplex
