#include "tree/site_check.h"

#include <gtest/gtest.h>

namespace {

TEST(SiteCheckTest, CalendarDates) {
  const struct {
    const char* value;
    bool date;
  } cases[] = {
      {"20240229", true},    {"2024-02-29", true},  {" 2023/12/31 ", true}, {"20230229", false},
      {"2100-02-29", false}, {"2000-02-29", true},  {"2024-13-01", false},  {"2024-04-31", false},
      {"2024-00-10", false}, {"2024-1-1", false},   {"2024-01/01", false},  {"", false},
      {"next week", false},  {"202401015", false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(c.date, IsCalendarDate(c.value)) << c.value;
}

}  // namespace
