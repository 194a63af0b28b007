#include "platform/clock.h"

#include <gtest/gtest.h>
#include <locale.h>

namespace {

TEST(ClockTest, FormatsInTheCLocaleWhateverTheUserLocale) {
  std::tm tm{};
  tm.tm_year = 99;
  tm.tm_mon = 4;
  tm.tm_mday = 25;
  tm.tm_hour = 9;
  tm.tm_min = 5;
  tm.tm_sec = 7;
  setlocale(LC_ALL, "");  // whatever the environment says must not matter
  EXPECT_EQ("25 May 1999 @ 09:05:07", platform::FormatTime("%d %b %Y @ %H:%M:%S", tm));
  EXPECT_EQ("19990525.TSL", platform::FormatTime("%Y%m%d.TSL", tm));
  setlocale(LC_ALL, "C");
}

TEST(ClockTest, TestClockReplacesTheRealOne) {
  platform::SetTestClock(927623107);
  EXPECT_EQ(927623107, platform::Now());
  platform::SetTestClock(0);
  EXPECT_GT(platform::Now(), 1700000000);
}

}  // namespace
