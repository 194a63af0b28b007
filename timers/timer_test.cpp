#include "timers/timer.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "platform/clock.h"
#include "platform/fs.h"
#include "platform/text.h"
#include "platform/ui.h"
#include "tests/support/program_fixture.h"
#include "tests/support/temp_dir.h"
#include "timers/events.h"

using namespace testing_support;
using namespace platform;

namespace {

std::time_t At(int day, int hour, int minute) {
  std::tm tm{};
  tm.tm_year = 126;
  tm.tm_mon = 11;
  tm.tm_mday = day;  // 2026-12-06 is a Sunday
  tm.tm_hour = hour;
  tm.tm_min = minute;
  tm.tm_isdst = -1;
  return std::mktime(&tm);
}

class TimerTest : public ProgramFixture {
 protected:
  void SetUp() override {
    ProgramFixture::SetUp();
    setenv("TAGSTEWARD_TIMER_TICK_MS", "60", 1);
    ResetEvents();
    WriteFile(home_ / "META.INI",
              "[META]\nCurrent Config=Shop\n[Config:Shop]\nLog Path=" + home_ / "log/" +
                  "\n[Config:Blog]\nLog Path=" + home_ / "log/" + "\n");
    WriteFile(home_ / "log/.keep", "");
    WriteFile(home_ / "root/a.htm", "<html>");
    WriteFile(home_ / "root/sub/b.htm", "<html>");
    ASSERT_EQ(0, symlink("a.htm", (home_ / "root/a-link.htm").c_str()));
    CopyText(site_, "Shop");
    CopyText(root_, home_ / "root");
    CopyText(ctx_.configFile, home_ / "META.INI");
    CopyText(ctx_.rootCopy, home_ / "root");
    ctx_.currentSite = site_;
    ctx_.rootPath = root_;
    ctx_.confirmation = 5;
    const char* names[] = {"EXPIRED document mailout", "REVIEW document mailout",
                           "Update the sitemap", "INHERIT metatags into all docs"};
    const int commands[] = {40039, 40040, 40045, 40017};
    for (int i = 0; i < 4; ++i) {
      tasks_[i] = ExportedTask{1, commands[i], {}};
      CopyText(tasks_[i].name, names[i]);
    }
    tasks_[4].owner = -1;
    ctx_.exportedTasks = tasks_;
    host_ = CreateWindow(WindowSpec{"Tagsteward", "", RectAt(0, 0, 640, 480), 0, nullptr},
                         [this](WindowHandle w, unsigned m, WParam wp, LParam lp) -> LResult {
                           return Host(w, m, wp, lp);
                         });
    ctx_.mainWindow = host_;
    TimerContext = &ctx_;
    MakeNoticeHost();
    CopyText(TimerLogDir, home_ / "log/");
    SetTestClock(At(7, 8, 30));
  }
  void TearDown() override {
    ResetTimerState();
    DestroyWindow(host_);
    unsetenv("TAGSTEWARD_TIMER_TICK_MS");
    ProgramFixture::TearDown();
  }
  // The host's side: records what it is asked and clears request pending as the host does.
  LResult Host(WindowHandle w, unsigned m, WParam wp, LParam lp) {
    if (m == TSP_MSG_SWITCH_SITE) {
      log_ += Format("1184:%s:rp%d|", active_->currentSite, active_->requestPending);
    } else if (m == TSP_MSG_COMMAND) {
      log_ += Format("273:%d:rp%d:conf%u|", static_cast<int>(wp), active_->requestPending,
                     active_->confirmation);
    } else if (m == TSP_MSG_PLUGIN_REQUEST) {
      const CpiBlock& b = *reinterpret_cast<const CpiBlock*>(lp);
      log_ += Format("1186:%d:{%d,%d,%d,%ld,%ld,%d}|", static_cast<int>(wp), b.w0, b.w1, b.w2,
                     static_cast<long>(b.w3), static_cast<long>(b.w4), b.w5);
    } else {
      return DefaultWindowProc(w, m, wp, lp);
    }
    std::atomic_ref<int32_t>(active_->requestPending).store(0);
    return 0;
  }
  std::string Audit() { return ReadFile(home_ / "log/20261207.TSL"); }

  PluginContext ctx_{};
  PluginContext* active_ = &ctx_;  // the context the host answers for
  char site_[256] = "";
  char root_[256] = "";
  ExportedTask tasks_[50];
  WindowHandle host_ = nullptr;
  std::string log_;
};

TEST(EventDue, SlotsMatchTheLocalTime) {
  struct Case {
    const char* record;
    int day, hour, minute;
    bool due;
  } cases[] = {
      {"AGE", 7, 0, 0, true},   {"AFE", 7, 0, 0, false},  {"BBE", 7, 12, 0, true},
      {"BAE", 7, 12, 0, false}, {"CRE", 7, 8, 30, true},  {"CRE", 7, 8, 59, true},
      {"CRE", 7, 9, 0, false},  {"CQE", 7, 8, 30, false}, {"DAE", 7, 9, 4, true},
      {"DAE", 7, 9, 5, false},  {"DLE", 7, 9, 59, true},  {"EAE", 7, 9, 0, false},
      {"D", 7, 9, 0, false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(c.due, EventDue(c.record, LocalTime(At(c.day, c.hour, c.minute))))
        << c.record << " " << c.hour << ":" << c.minute;
}

TEST_F(TimerTest, CountdownsCoolDownsAndBusyMinutes) {
  LoadEvents(ctx_.configFile);
  AddEvent("DAE", 0);  // hourly at :00
  AddEvent("CRE", 0);  // daily at 08:30
  std::vector<std::string> fired;
  for (int m = 0; m <= 120; ++m) {
    ctx_.busy = m >= 60 && m < 63 ? 1 : 0;  // the host works from 09:00 to 09:02
    int32_t before[2] = {EventCountdown[0], EventCountdown[1]};
    int ran = RunTimerPass(At(7, 8, 0) + 60 * m);
    if (ctx_.busy) {
      EXPECT_EQ(-1, ran);
      EXPECT_EQ(before[0], EventCountdown[0]);
      continue;
    }
    for (int i = 0; i < 2; ++i)
      if (EventCountdown[i] == EventCoolDown(EventTable[i].record[0]))
        fired.push_back(Format("%d@%d", i, m));
  }
  // 09:00 falls while the host is busy: the event runs at 09:03, its slot still open, and is
  // tested again 51 minutes later, at 09:54, so 10:00 runs.
  EXPECT_EQ((std::vector<std::string>{"0@0", "1@30", "0@63", "0@120"}), fired);
  EXPECT_EQ(0, ctx_.busy);
}

TEST_F(TimerTest, ActionsGoThroughTheHostsMessages) {
  struct Case {
    const char* site;
    const char* record;
    std::string messages;
    std::string audit;
  } cases[] = {
      {"Blog", "CRA", "1184:Blog:rp1|273:40039:rp1:conf0|1184:Shop:rp1|",
       "2,08:30:00,TIMED EVENT - Expired Document Mailout,,\n"},
      {"Shop", "CRB", "273:40040:rp1:conf0|",
       "2,08:30:00,TIMED EVENT -  Document Review Mailout,,\n"},
      {"Shop", "CRDUpdate the sitemap", "1186:1001:{1,1001,4,1,40045,0}|",
       "2,08:30:00,TIMED EVENT - Update the sitemap,,\n"},
      {"Blog", "CRDnope", "1184:Blog:rp1|1184:Shop:rp1|", ""},
  };
  LoadEvents(ctx_.configFile);
  for (const Case& c : cases) {
    log_.clear();
    ui_.ClearCanvas();
    std::remove((home_ / "log/20261207.TSL").c_str());
    EXPECT_EQ(1200, CheckAndRunEvent(FindEventSite(c.site), c.record, At(7, 8, 30)));
    EXPECT_EQ(c.messages, log_) << c.record;
    EXPECT_EQ(c.audit.empty() ? "<missing>" : c.audit, Audit()) << c.record;
    EXPECT_STREQ("Shop", site_);
    EXPECT_EQ(5u, ctx_.confirmation);
    EXPECT_EQ(0, ctx_.requestPending);
  }
  bool shown = false;
  for (const CanvasCall& call : ui_.canvasCalls())
    shown = shown || call.text == "ERROR - Can't find exported task [nope]";
  EXPECT_TRUE(shown);
  EXPECT_EQ(0, CheckAndRunEvent(0, "CRA", At(7, 9, 0)));
}

TEST_F(TimerTest, OneMinuteRunsRememberCoolDownsBetweenRuns) {
  WriteFile(ctx_.configFile, ReadFile(ctx_.configFile) + "Event1=DAE\nEvent2=CRE\n");
  struct Step {
    int hour, minute;
    int busy;
    intptr_t ran;
  } steps[] = {{8, 0, 0, 1},  {8, 1, 0, 0}, {8, 30, 1, -1}, {8, 31, 0, 1},
               {8, 32, 0, 0}, {9, 0, 0, 1}, {9, 1, 0, 0}};
  for (const Step& s : steps) {
    ResetEvents();  // as a fresh process would
    ctx_.busy = s.busy;
    EXPECT_EQ(s.ran, RunTimerOnce(&ctx_, At(7, s.hour, s.minute))) << s.hour << ":" << s.minute;
  }
  EXPECT_TRUE(Exists(CoolDownStatePath(ctx_.configFile)));
}

TEST_F(TimerTest, BackupsCopyTheTreeIntoANewDirectoryEachRun) {
  const std::string hostile = "-bk '$(touch pwned)'; \"q\"";
  ASSERT_EQ(0, chdir(home_.path().c_str()));
  std::string first, second;
  ASSERT_EQ(0, BackupSite(root_, hostile, "Shop", At(7, 8, 30), &first));
  ASSERT_EQ(0, BackupSite(root_, hostile, "Shop", At(7, 8, 30), &second));
  EXPECT_EQ(home_ / hostile + "/Shop-20261207-0830", first);
  EXPECT_EQ(first + "-2", second);
  for (const std::string& dir : {first, second}) {
    EXPECT_EQ("<html>", ReadFile(dir + "/sub/b.htm"));
    FileInfo info;
    ASSERT_EQ(0, Fs().LinkStat(dir + "/a-link.htm", &info));
    EXPECT_TRUE(info.isLink);
  }
  EXPECT_FALSE(Exists(home_ / "pwned"));
  EXPECT_FALSE(Exists(home_ / "root/pwned"));

  std::string inside;
  EXPECT_EQ(-1, BackupSite(root_, home_ / "root/sub/bk", "Shop", At(7, 8, 30), &inside));
  EXPECT_FALSE(Exists(home_ / "root/sub/bk"));
  EXPECT_NE(std::string::npos, Audit().find("inside the site root"));
}

TEST_F(TimerTest, BatchFilesStartThemselvesWithoutAShell) {
  ASSERT_EQ(0, chdir(home_.path().c_str()));
  const std::string script = "#!/bin/sh\necho \"$0\" >> '" + home_ / "marker" + "'\n";
  const std::string names[] = {"-run me; $(touch pwned) 'q\".sh", "plain script.sh"};
  WriteFile(home_ / names[0], script);
  ASSERT_EQ(0, chmod((home_ / names[0]).c_str(), 0755));
  WriteFile(home_ / names[1], script);  // not executable: run as a shell script
  for (const std::string& name : names)
    EXPECT_EQ(0, StartBatchFile(name)) << name;
  EXPECT_EQ(-1, StartBatchFile("missing; touch pwned"));
  EXPECT_NE(std::string::npos, Audit().find("Could not start the batch file"));
  std::string ran;
  for (int i = 0; i < 100; ++i) {
    ran = ReadFile(home_ / "marker");
    if (std::count(ran.begin(), ran.end(), '\n') >= 2) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  EXPECT_NE(std::string::npos, ran.find(home_ / names[0] + "\n"));
  EXPECT_NE(std::string::npos, ran.find(home_ / names[1] + "\n"));
  EXPECT_FALSE(Exists(home_ / "pwned"));
}

TEST_F(TimerTest, TheMinuteThreadRunsADueEventThroughTheUiThread) {
  // The thread outlives the test, so the context it is given does too.
  static PluginContext context;
  static char site[256] = "Shop";
  context = ctx_;
  context.currentSite = site;
  active_ = &context;
  WriteFile(ctx_.configFile, ReadFile(ctx_.configFile) + "Event1=CRB\n");
  EXPECT_EQ(1, StartTimerPlugin(&context));
  EXPECT_EQ(1, StartTimerPlugin(&context));
  EXPECT_EQ(2, TimerInitCount);
  const std::string expected = "1184:Blog:rp1|273:40040:rp1:conf0|1184:Shop:rp1|";
  // The host serves the thread's requests on its own thread, when it takes messages.
  for (int i = 0; i < 500 && (log_ != expected || std::atomic_ref<int32_t>(context.busy).load());
       ++i) {
    PumpOneMessage(host_);
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_EQ(expected, log_.substr(0, expected.size()));
  std::atomic_ref<int32_t>(context.busy).store(1);  // no further passes
  EXPECT_EQ(5u, context.confirmation);
}

}  // namespace
