#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>

#include "tests/support/temp_dir.h"

using namespace testing_support;

namespace {

const char* const kDocs[] = {"site/a.htm", "site/news/b.htm"};

void MakeSite(const TempDir& dir) {
  WriteFile(dir / "META.INI", "[META]\nCurrent Config=T\n[Config:T]\nRoot Path=" + (dir / "site/") +
                                  "\nLog Path=" + (dir / "A/") + "\nError Log=" + (dir / "A/"));
  WriteFile(dir / "META.IDX", "DC.Title,M\r\nDC.Subject.Topic\r\n");
  WriteFile(dir / "site/news/meta.tag",
            "<HEAD>\r\n<meta HTTP-EQUIV=\"DC.Subject.Topic\" CONTENT=\"News\">\r\n</HEAD>\r\n");
  for (const char* name : kDocs)
    WriteFile(dir / name,
              "<html>\n<head>\n<meta name=\"DC.Title\" content=\"T\">\n</head>\n</html>\n");
}

// Runs the real tagsteward-cli in startDir on the configuration dir; its status, output in *out.
int RunCli(const std::string& startDir, const TempDir& dir, const std::string& args,
           std::string* out) {
  const std::string log = startDir + "/cli.out";
  const std::string command = "cd '" + startDir + "' && '" + std::getenv("TS_TEST_BIN_DIR") +
                              "/app/tagsteward-cli' --config '" + dir.path() + "' " + args + " >'" +
                              log + "' 2>&1";
  int status = std::system(command.c_str());
  *out = ReadFile(log);
  std::filesystem::remove(log);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(CliTimer, OnceRunsWhatTheTimerAsksAsTheCommandWould) {
  TempDir timed, byHand, start;
  MakeSite(timed);
  MakeSite(byHand);
  std::string out;
  EXPECT_EQ(3, RunCli(start.path(), timed, "timer --once", &out));
  EXPECT_NE(std::string::npos, out.find("no timer plug-in Timers.TSP in " + start.path())) << out;
  EXPECT_EQ(2, RunCli(start.path(), timed, "timer --once --at 2026-02-30", &out));

  std::filesystem::copy_file(std::string(std::getenv("TS_TEST_BIN_DIR")) + "/FakeTimers.TSP",
                             start / "Timers.TSP");
  // This minute: documents carry the day they were written in their stamp.
  char now[32];
  const std::time_t t = std::time(nullptr);
  std::strftime(now, sizeof now, "%Y-%m-%d %H:%M", std::localtime(&t));
  ASSERT_EQ(0, RunCli(start.path(), timed, "timer --once --at '" + std::string(now) + "'", &out))
      << out;
  EXPECT_EQ("1 event(s) run\n", out);  // and no question was asked
  ASSERT_EQ(0, RunCli(start.path(), byHand, "--yes inherit", &out)) << out;
  for (const char* name : kDocs)
    EXPECT_EQ(ReadFile(byHand / name), ReadFile(timed / name)) << name;
  EXPECT_NE(std::string::npos, ReadFile(timed / kDocs[1]).find("News"));
}

// The real timer plug-in: an event added by the command line runs once in its slot, as the inherit
// command does, and not again while it cools down.
TEST(CliTimer, TheTimerPluginRunsADailyInheritOnceInItsSlot) {
  TempDir timed, byHand, start;
  MakeSite(timed);
  MakeSite(byHand);
  std::filesystem::copy_file(std::string(std::getenv("TS_TEST_BIN_DIR")) + "/Timers.TSP",
                             start / "Timers.TSP");
  std::string out;
  ASSERT_EQ(0, RunCli(start.path(), timed,
                      "events add --daily 03:00 --task 'INHERIT metatags into all docs'", &out))
      << out;
  const std::string untouched = ReadFile(timed / kDocs[1]);
  // Today: the documents' stamps carry the date of the minute tested.
  char day[16];
  const std::time_t t = std::time(nullptr);
  std::strftime(day, sizeof day, "%Y-%m-%d", std::localtime(&t));
  struct Case {
    const char* at;
    const char* said;
    bool inherited;  // the documents have been written by then
  } cases[] = {
      {"02:59", "0 event(s) run\n", false},  // before the slot
      {"03:30", "0 event(s) run\n", false},  // after it
      {"03:10", "1 event(s) run\n", true},
      {"03:20", "0 event(s) run\n", true},  // the same slot: cooling down
  };
  for (const Case& c : cases) {
    ASSERT_EQ(0, RunCli(start.path(), timed,
                        "timer --once --at '" + std::string(day) + " " + c.at + "'", &out))
        << out;
    EXPECT_EQ(c.said, out) << c.at;
    EXPECT_EQ(c.inherited, untouched != ReadFile(timed / kDocs[1])) << c.at;
  }
  ASSERT_EQ(0, RunCli(start.path(), byHand, "--yes inherit", &out)) << out;
  for (const char* name : kDocs)
    EXPECT_EQ(ReadFile(byHand / name), ReadFile(timed / name)) << name;
}

}  // namespace
