#include "tests/support/program_fixture.h"

#include <unistd.h>

#include "config/settings.h"
#include "platform/clock.h"
#include "platform/text.h"
#include "plugins/context.h"

namespace testing_support {

// 1999-05-25 09:05:07 local time.
static std::time_t TestTime() {
  std::tm tm{};
  tm.tm_year = 99;
  tm.tm_mon = 4;
  tm.tm_mday = 25;
  tm.tm_hour = 9;
  tm.tm_min = 5;
  tm.tm_sec = 7;
  tm.tm_isdst = -1;
  return std::mktime(&tm);
}

void ProgramFixture::SetUp() {
  char cwd[4096];
  startDir_ = ::getcwd(cwd, sizeof cwd) ? cwd : "/";
  ui_.SetEcho(nullptr);
  previousUi_ = platform::SetUiBackend(&ui_);
  ResetSettings();
  SetSiteOverride("");
  platform::CopyText(IniPath, home_.path());
  platform::CopyText(StartupPath, home_.path());
  platform::CopyText(LogPath, home_.path() + "/Audit/");
  platform::CopyText(ErrorLogPath, home_.path() + "/Errors/");
  WriteFile(home_ / "Audit/.keep", "");
  WriteFile(home_ / "Errors/.keep", "");
  gPluginContext = PluginContext{};
  gPluginContext.confirmation = 1;
  platform::CopyText(gPluginContext.configFile, home_ / "META.INI");
  platform::SetTestClock(TestTime());
}

void ProgramFixture::TearDown() {
  // Loading the schema makes the configuration directory current, and it is about to go.
  if (::chdir(startDir_.c_str()) != 0 && ::chdir("/") != 0) ADD_FAILURE() << "chdir";
  platform::SetTestClock(0);
  platform::SetUiBackend(previousUi_);
}

std::vector<std::string> ProgramFixture::BoxLines() const {
  std::vector<std::string> lines;
  for (const platform::BoxRecord& b : ui_.boxes())
    lines.push_back(b.caption + "|" + b.text);
  return lines;
}

std::string ProgramFixture::AuditFile(const std::string& subdir) const {
  return home_ / (subdir + "19990525.TSL");
}

}  // namespace testing_support
