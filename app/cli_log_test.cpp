#include <gtest/gtest.h>

#include "app/cli_test_run.h"
#include "platform/profile.h"
#include "tests/support/program_fixture.h"

using namespace testing_support;

namespace {

class CliLogTest : public ProgramFixture {};

TEST_F(CliLogTest, PrintsADayFileAndSwitchesLoggingAsTheViewerDoes) {
  WriteFile(home_ / "META.INI",
            "[META]\nCurrent Config=Shop\n[Config:Shop]\nLog Path=" + home_ / "Audit/" + "\n");
  const std::string today = "0,10:00:00,/site/a.htm,Inherited\n";
  WriteFile(AuditFile("Audit/"), today);
  WriteFile(home_ / "Audit/19990101.TSL", "1,08:00:00,/site/b.htm,Missing </HEAD> tag.\n");
  const struct {
    std::vector<std::string> args;
    int status;
    std::string out;
    std::string level;  // "Log Level" in META.INI afterwards
    std::string added;  // appended to today's file
  } rows[] = {
      {{"log"}, 0, today, "<none>", ""},
      {{"log", "--date", "19990101"},
       0,
       "1,08:00:00,/site/b.htm,Missing </HEAD> tag.\n",
       "<none>",
       ""},
      {{"log", "--date", "19990102"}, 0, "", "<none>", ""},
      {{"log", "--date", "19991301"}, 2, "", "<none>", ""},
      {{"log", "--level", "1"},
       0,
       "Log Level 1 for site Shop\n",
       "1",
       "3,09:05:07,Logging turned ON,\n"},
      {{"log", "--level", "1"}, 0, "Log Level 1 for site Shop\n", "1", ""},
      {{"log", "--level", "2"}, 2, "", "1", ""},
      {{"log", "--level", "0", "--date", "19990101"}, 2, "", "1", ""},
      {{"log", "--level", "0"},
       0,
       "Log Level 0 for site Shop\n",
       "0",
       "3,09:05:07,Logging turned OFF,\n"},
  };
  std::string expected = today;
  for (const auto& row : rows) {
    std::vector<std::string> args = {"--config", home_.path()};
    args.insert(args.end(), row.args.begin(), row.args.end());
    CliRunResult r = RunCliCaptured(args);
    std::string n = std::to_string(&row - rows);
    EXPECT_EQ(row.status, r.status) << n << r.err;
    EXPECT_EQ(row.out, r.out) << n;
    platform::ProfileDocument doc;
    std::string level = "<none>";
    ASSERT_EQ(0, doc.Load(home_ / "META.INI"));
    doc.Get("Config:Shop", "Log Level", &level);
    EXPECT_EQ(row.level, level) << n;
    expected += row.added;
    EXPECT_EQ(expected, ReadFile(AuditFile("Audit/"))) << n;
  }
}

}  // namespace
