#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>

#include "tests/support/temp_dir.h"

using namespace testing_support;

namespace {

// A configuration with one site of three documents under a tree tag.
void MakeSite(const TempDir& dir) {
  WriteFile(
      dir / "META.INI",
      "[META]\nCurrent Config=Test\nConfirmation=1\n[Config:Test]\nRoot Path=" + (dir / "site/") +
          "\nLog Path=" + (dir / "Audit/") + "\nError Log=" + (dir / "Audit/") + "\n");
  WriteFile(dir / "META.IDX", "DC.Title,M\r\nDC.Subject.Topic\r\n");
  WriteFile(dir / "Audit/.keep", "");
  WriteFile(dir / "site/news/meta.tag",
            "<HEAD>\r\n<meta HTTP-EQUIV=\"DC.Subject.Topic\" CONTENT=\"News\">\r\n</HEAD>\r\n");
  for (const char* name : {"site/a.htm", "site/news/b.htm", "site/news/c.htm"})
    WriteFile(dir / name,
              "<html>\n<head>\n<meta name=\"DC.Title\" content=\"T\">\n</head>\n"
              "<body>x</body>\n</html>\n");
}

// Runs the real tagsteward-cli in startDir; returns its status, output in *out.
int RunCli(const std::string& startDir, const std::string& args, std::string* out) {
  const std::string bin = std::getenv("TS_TEST_BIN_DIR");
  const std::string log = startDir + "/cli.out";
  const std::string command =
      "cd '" + startDir + "' && '" + bin + "/app/tagsteward-cli' " + args + " >'" + log + "' 2>&1";
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
  // No timer plug-in in the start-up directory.
  EXPECT_EQ(3, RunCli(start.path(), "--config '" + timed.path() + "' timer --once", &out));
  EXPECT_NE(std::string::npos, out.find("no timer plug-in Timers.TSP in " + start.path())) << out;
  EXPECT_EQ(2, RunCli(start.path(), "--config '" + timed.path() + "' timer --once --at 2026-02-30",
                      &out));

  std::filesystem::copy_file(std::string(std::getenv("TS_TEST_BIN_DIR")) + "/FakeTimers.TSP",
                             start / "Timers.TSP");
  // This minute: the documents carry the day they were written in their stamp.
  char now[32];
  const std::time_t t = std::time(nullptr);
  std::strftime(now, sizeof now, "%Y-%m-%d %H:%M", std::localtime(&t));
  ASSERT_EQ(0, RunCli(start.path(),
                      "--config '" + timed.path() + "' timer --once --at '" + now + "'", &out))
      << out;
  EXPECT_EQ("1 event(s) run\n", out);
  ASSERT_EQ(0, RunCli(start.path(), "--config '" + byHand.path() + "' --yes inherit", &out)) << out;
  for (const char* name : {"site/a.htm", "site/news/b.htm", "site/news/c.htm"}) {
    EXPECT_EQ(ReadFile(byHand / name), ReadFile(timed / name)) << name;
    EXPECT_NE(std::string::npos, ReadFile(timed / name).find("DC.Title")) << name;
  }
  EXPECT_NE(std::string::npos, ReadFile(timed / "site/news/b.htm").find("News"));
}

}  // namespace
