#include "ui/diagnostics.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "config/settings.h"
#include "config/version.h"
#include "platform/fatal_signals.h"
#include "platform/text.h"
#include "plugins/context.h"
#include "tests/support/program_fixture.h"
#include "ui/main_window.h"

using namespace platform;
using namespace testing_support;

namespace {

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
    lines.push_back(text.substr(start, end - start));
  return lines;
}

// A program that notes its arguments in "<path>.args", one a line: the editor or the desktop.
std::string ArgumentRecorder(const std::string& path) {
  WriteFile(path, "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"$0.tmp\" && mv \"$0.tmp\" \"$0.args\"\n");
  ::chmod(path.c_str(), 0755);
  return path;
}

// What a started recorder noted (it runs on its own; give it some seconds).
std::string ArgumentsOf(const std::string& recorder) {
  for (int i = 0; i < 200 && !Exists(recorder + ".args"); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  return ReadFile(recorder + ".args");
}

class DiagnosticsTest : public ProgramFixture {
 protected:
  void SetUp() override {
    ProgramFixture::SetUp();
    ResetDiagnostics();
    ClearExportedTasks();
    CopyText(CurrentConfig, "Rowing");
    gPluginContext.currentSite = CurrentConfig;
    CopyText(Editor, ArgumentRecorder(home_ / "editor"));
  }
  void TearDown() override {
    if (hwndMain) DestroyWindow(hwndMain);
    hwndMain = nullptr;
    AppOptions = 0;
    ProgramFixture::TearDown();
  }
  std::string DumpPath() const { return home_ / "tdiag.txt"; }
  // The window and text of the last wrapped text drawn in rect.
  const CanvasCall* LastTextIn(const Rect& rect) const {
    const CanvasCall* last = nullptr;
    for (const CanvasCall& c : ui_.canvasCalls())
      if (c.op == CanvasCall::Op::kTextInRect && c.rect == rect) last = &c;
    return last;
  }

  ScopedHome scopedHome_{home_.path()};
  const Rect summaryRect_ = RectAt(10, 10, 220, 170);
  const Rect liveRect_ = RectAt(10, 185, 220, 200);
};

TEST_F(DiagnosticsTest, DumpNamesTheReasonThePlaceAndTheState) {
  sourceline = kLineWalkDocuments;
  gPluginContext.busy = 1001;
  ExportedTasks[0] = ExportedTask{1, 40039, "EXPIRED document mailout"};
  ExportedTasks[1] = ExportedTask{1001, 0, "Backup"};
  ExportedTaskCount = 2;
  const struct {
    int reason;
    const char* text;
    const char* line;  // the line after the reason text
  } rows[] = {
      {kReasonNone, "User requested dump", "** Source line 420"},
      {kReasonIllegalMemory, "Zelvane Tagsteward", "** Illegal Memory Access"},
      {kReasonAbort, "Zelvane Tagsteward", "** Abnormal Termination"},
      {7, "Zelvane Tagsteward", "** Signal 7"},
  };
  for (const auto& row : rows) {
    ASSERT_EQ(0, WriteDiagnosticDump(nullptr, row.reason, row.text));
    const std::vector<std::string> lines = Lines(ReadFile(DumpPath()));
    ASSERT_GT(lines.size(), 80u);
    EXPECT_EQ(std::string(56, '='), lines[0]);
    EXPECT_EQ("Tagsteward Diagnostic Dump  25 May 1999 @ 09:05:07", lines[1]);
    EXPECT_EQ(std::string("** ") + row.text, lines[3]);
    EXPECT_EQ(row.line, lines[4]);
    EXPECT_EQ(std::string(56, '='), lines.back());
    for (const std::string& expected :
         {std::string("** Source line 420"), "External Version     : " + std::string(szVer),
          std::string("CPI Exports          : 2"), std::string("CPI SIGs             : 1,1001,"),
          std::string("Current Site         : Rowing"), std::string("Synch TOKEN          : 1001")})
      EXPECT_NE(lines.end(), std::find(lines.begin(), lines.end(), expected)) << expected;
  }
  // Without a window nothing is opened, and nothing is left beside the dump.
  EXPECT_FALSE(Exists(home_ / "editor.args"));
  EXPECT_TRUE(WorkFilesBelow(home_.path()).empty());
  gPluginContext.busy = 0;
}

TEST_F(DiagnosticsTest, DiagButtonWindowDumpsOnItsFirstTickOnlyOncePerRunAndDumpOverwrites) {
  AppOptions |= kOptDiagButtons;
  hwndMain = CreateMainWindow();
  ASSERT_NE(nullptr, hwndMain);
  ShowWindow(hwndMain, ShowState::kShow);
  ASSERT_TRUE(ui_.ClickControl(FindControl(hwndMain, kIdDiag)));
  ui_.RunFor(500);
  const CanvasCall* live = LastTextIn(liveRect_);
  ASSERT_NE(nullptr, live);
  WindowHandle diag = live->window;
  EXPECT_EQ("Tagsteward Diagnostics", WindowTitle(diag));
  EXPECT_EQ(RectAt(1024 - 251, 40, 250, 440), WindowRect(diag));
  EXPECT_EQ("** " + WindowTitle(hwndMain), Lines(ReadFile(DumpPath()))[3]);
  EXPECT_EQ(DumpPath() + "\n", ArgumentsOf(home_ / "editor"));

  // The live lines follow the program every half second.
  gPluginContext.busy = 1001;
  ui_.RunFor(500);
  EXPECT_NE(std::string::npos, LastTextIn(liveRect_)->text.find("Synch TOKEN  : 1001\n"));
  gPluginContext.busy = 0;

  for (int press = 0; press < 2; ++press) {
    WriteFile(DumpPath(), "an earlier dump\n");
    ASSERT_TRUE(ui_.ClickControl(FindControl(diag, 102)));
    EXPECT_EQ("** User requested dump", Lines(ReadFile(DumpPath()))[3]) << press;
  }
  ASSERT_TRUE(ui_.ClickControl(FindControl(diag, 101)));
  EXPECT_FALSE(IsWindow(diag));

  WriteFile(DumpPath(), "the first opening's dump\n");
  ASSERT_TRUE(ui_.ClickControl(FindControl(hwndMain, kIdDiag)));
  ui_.RunFor(1500);
  ASSERT_NE(nullptr, LastTextIn(liveRect_));
  EXPECT_NE(diag, LastTextIn(liveRect_)->window);
  EXPECT_EQ("the first opening's dump\n", ReadFile(DumpPath()));
}

TEST_F(DiagnosticsTest, AfterACrashTheWindowShowsTheDumpOfTheEndedProcess) {
  ASSERT_EQ(0, WriteDiagnosticDump(nullptr, kReasonIllegalMemory, "Zelvane Tagsteward"));
  CopyText(CurrentConfig, "Another");
  WindowHandle window =
      OpenCrashDiagnosticsWindow(kReasonIllegalMemory, DumpPath().c_str(), Editor);
  ASSERT_NE(nullptr, window);
  UpdateWindow(window);
  const std::string summary = LastTextIn(summaryRect_)->text;
  EXPECT_EQ(0u, summary.find("** Zelvane Tagsteward\n** Illegal Memory Access\n")) << summary;
  EXPECT_NE(std::string::npos, summary.find("External Version     : " + std::string(szVer)));
  EXPECT_EQ(0u, LastTextIn(liveRect_)->text.find("Current Site         : Rowing\n"));
  // Its Dump would replace the dump of the crash with this process's state.
  EXPECT_FALSE(IsWindowEnabled(FindControl(window, 102)));
  EXPECT_EQ(DumpPath() + "\n", ArgumentsOf(home_ / "editor"));
  ui_.ClickControl(FindControl(window, 101));
  EXPECT_EQ(0, RunMessageLoop());  // closing it ended the loop
}

TEST(DiagnosticsDeathTest, FatalSignalWritesTheDumpThenStartsTheWindowProgram) {
  TempDir dir;
  ScopedHome home(dir.path());
  const std::string program = ArgumentRecorder(dir / "tagsteward");
  const struct {
    int signal;
    const char* line;
    const char* code;
  } rows[] = {
      {SIGSEGV, "** Illegal Memory Access", "11"},
      {SIGABRT, "** Abnormal Termination", "22"},
      {SIGFPE, "** Signal 8", "8"},
  };
  GTEST_FLAG_SET(death_test_style, "fast");
  for (const auto& row : rows) {
    ::unlink((program + ".args").c_str());
    EXPECT_EXIT(
        {
          CopyText(szTitle, "Zelvane Tagsteward  Rowing");
          CopyText(Editor, "gedit");
          sourceline = kLineSavePage;
          SetDiagnosticsWindowProgram(program.c_str());
          InstallDiagnosticsHook();
          if (InstallFatalSignalHandlers() != 0) std::_Exit(3);
          ::raise(row.signal);
          std::_Exit(4);
        },
        ::testing::KilledBySignal(row.signal), "fatal signal");
    const std::vector<std::string> lines = Lines(ReadFile(dir / "tdiag.txt"));
    ASSERT_GT(lines.size(), 6u) << row.code;
    EXPECT_EQ("** Zelvane Tagsteward  Rowing", lines[3]);
    EXPECT_EQ(row.line, lines[4]);
    EXPECT_EQ("** Source line 130", lines[5]);
    EXPECT_EQ(std::string("--diagnostics\n") + row.code + "\n" + dir / "tdiag.txt" + "\ngedit\n",
              ArgumentsOf(program));
    EXPECT_TRUE(WorkFilesBelow(dir.path()).empty());
  }
}

}  // namespace
