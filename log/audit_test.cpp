#include "log/audit.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <thread>

#include "config/settings.h"
#include "platform/clock.h"
#include "platform/text.h"
#include "tests/support/program_fixture.h"

using namespace testing_support;

namespace {

class AuditTest : public ProgramFixture {};

TEST_F(AuditTest, LinesByteForByteForEveryLevelAndField) {
  ASSERT_EQ(0, WriteAuditEntry(99, "M001:Path location error!", "", ""));
  ASSERT_EQ(0, WriteAuditEntry(0, "/srv/www/a.htm", "Inherited"));
  ASSERT_EQ(0, WriteAuditEntry(1, "/srv/www/b.htm", "No HEAD tag - file ignored."));
  ASSERT_EQ(0, WriteAuditEntry(2, "TIMED EVENT - Backup", "/srv/backup", "done"));
  ASSERT_EQ(0, WriteAuditEntry(3, "Logging turned ON"));
  ASSERT_EQ(0, WriteAuditEntry(0, "two\nlines, with comma", nullptr, "ignored without second"));
  EXPECT_EQ("99,09:05:07,M001:Path location error!,,\n", ReadFile(AuditFile("Errors/")));
  EXPECT_EQ(
      "0,09:05:07,/srv/www/a.htm,Inherited\n"
      "1,09:05:07,/srv/www/b.htm,No HEAD tag - file ignored.\n"
      "2,09:05:07,TIMED EVENT - Backup,/srv/backup,done\n"
      "3,09:05:07,Logging turned ON,\n"
      "0,09:05:07,two\nlines, with comma,\n",
      ReadFile(AuditFile("Audit/")));
  EXPECT_TRUE(ui_.boxes().empty());
}

TEST_F(AuditTest, MidnightStartsANewDayFile) {
  std::tm tm{};
  tm.tm_year = 100;
  tm.tm_mon = 0;
  tm.tm_mday = 1;
  tm.tm_isdst = -1;
  std::time_t midnight = std::mktime(&tm);
  platform::SetTestClock(midnight - 1);
  ASSERT_EQ(0, WriteAuditEntry(0, "late"));
  platform::SetTestClock(midnight + 1);
  ASSERT_EQ(0, WriteAuditEntry(0, "early"));
  EXPECT_EQ("0,23:59:59,late,\n", ReadFile(home_ / "Audit/19991231.TSL"));
  EXPECT_EQ("0,00:00:01,early,\n", ReadFile(home_ / "Audit/20000101.TSL"));
}

TEST_F(AuditTest, CodedMessageIsLoggedThenShownUnlessSuppressed) {
  ReportCoded("M044:Path Check Error!");
  EXPECT_EQ("99,09:05:07,M044:Path Check Error!,,\n", ReadFile(AuditFile("Errors/")));
  EXPECT_EQ((std::vector<std::string>{"CRITICAL ERROR!|M044:Path Check Error!"}), BoxLines());
  EXPECT_EQ(static_cast<unsigned>(platform::kBoxOk | platform::kBoxIconExclamation),
            ui_.boxes()[0].style);
  AppOptions = kOptNoMajorErrorLog;
  ReportCoded("M045:second");
  EXPECT_EQ("99,09:05:07,M044:Path Check Error!,,\n", ReadFile(AuditFile("Errors/")));
  EXPECT_EQ(2u, ui_.boxes().size());  // the box is still shown
}

TEST_F(AuditTest, DirectoryIsAPrefixAndAnUnopenableFileIsReported) {
  platform::CopyText(LogPath, home_ / "Audit");  // no trailing slash
  ASSERT_EQ(0, WriteAuditEntry(0, "x"));
  EXPECT_EQ("0,09:05:07,x,\n", ReadFile(home_ / "Audit19990525.TSL"));
  platform::CopyText(LogPath, home_ / "missing/");
  EXPECT_EQ(-1, WriteAuditEntry(0, "y"));
  EXPECT_EQ((std::vector<std::string>{home_ / "missing/19990525.TSL" +
                                      "|Error opening audit file for append - check path"}),
            BoxLines());
}

TEST_F(AuditTest, ConcurrentWritersNeverTearLines) {
  auto writer = [](char c) {
    std::string text(300, c);
    for (int i = 0; i < 200; ++i)
      WriteAuditEntry(0, text, "x");
  };
  std::thread a(writer, 'a'), b(writer, 'b');
  a.join();
  b.join();
  std::string all = ReadFile(AuditFile("Audit/"));
  size_t lines = 0;
  for (size_t pos = 0; pos < all.size();) {
    size_t lf = all.find('\n', pos);
    ASSERT_NE(std::string::npos, lf);
    std::string line = all.substr(pos, lf - pos);
    ASSERT_EQ(std::string("0,09:05:07,") + std::string(300, line[11]) + ",x", line);
    pos = lf + 1;
    ++lines;
  }
  EXPECT_EQ(400u, lines);
}

TEST_F(AuditTest, DirectoryChangesReportFailures) {
  EXPECT_EQ(0, ChangeDirectory(home_.path()));
  EXPECT_EQ(-1, ChangeDirectory(home_ / "nowhere"));
  ASSERT_EQ(1u, ui_.boxes().size());
  EXPECT_EQ("ERROR CHANGING DIRECTORY - " + (home_ / "nowhere"), ui_.boxes()[0].caption);
  EXPECT_EQ("No such file or directory", ui_.boxes()[0].text);
  ChangeDirectory("/");
  EXPECT_EQ(0, ReturnToConfigDir());
  char cwd[4096];
  ASSERT_NE(nullptr, getcwd(cwd, sizeof cwd));
  EXPECT_EQ(home_.path(), std::string(cwd));
  platform::CopyText(IniPath, home_ / "gone");
  EXPECT_EQ(0, ReturnToConfigDir());
  EXPECT_EQ("ERROR CHANGING DIRECTORY|" + (home_ / "gone"), BoxLines().back());
}

}  // namespace
