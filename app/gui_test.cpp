// The real desktop program on the offscreen Qt platform: it starts on a temporary home, shows its
// window and the about box, runs a site task from the menu and stops it with CANCEL.
#include <gtest/gtest.h>

#include <unistd.h>
#include <QApplication>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/gui_robot.h"
#include "config/startup.h"
#include "platform/qt/qt_ui.h"
#include "platform/text.h"
#include "tests/support/temp_dir.h"
#include "tree/task_state.h"
#include "tree/tasks.h"
#include "ui/expert_bar.h"
#include "ui/main_window.h"

using namespace platform;
namespace fs = std::filesystem;

namespace {

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteAll(const std::string& path, const std::string& bytes) {
  fs::create_directories(fs::path(path).parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

TEST(DesktopProgram, StartsShowsItsWindowsAndCancelsASiteTaskFromTheMenu) {
  testing_support::TempDir temp;
  std::string home = temp.path() + "/home";
  // The program starts where it is started; an earlier test's directory is gone.
  ASSERT_EQ(0, ::chdir(temp.path().c_str()));
  ASSERT_TRUE(gui::CopyExampleHome(TS_SOURCE_DIR "/examples/home", home));
  // No questions: the robot answers only what it must.
  std::string ini = ReadAll(home + "/META.INI");
  size_t at = ini.find("Confirmation=1");
  ASSERT_NE(std::string::npos, at);
  ini.replace(at, 14, "Confirmation=0");
  WriteAll(home + "/META.INI", ini);
  // Enough documents that the task is still running when CANCEL is pressed.
  const int kDocs = 3000;
  const std::string kPage =
      "<HTML>\r\n<HEAD>\r\n<TITLE>Page</TITLE>\r\n</HEAD>\r\n<BODY>x</BODY>\r\n</HTML>\r\n";
  for (int i = 0; i < kDocs; ++i)
    WriteAll(Format("%s/site/gen/d%02d/p%04d.htm", home.c_str(), i % 30, i), kPage);

  std::string shots = temp.path() + "/shots";
  fs::create_directories(shots);
  bool cancelShownDuringTask = false, cancelShownAfter = true, exitEnabledDuringTask = true;
  int windowsAtAbout = 0;

  gui::Robot robot;
  robot.Add("splash", [] {
    if (hwndMain && IsWindowVisible(hwndMain)) return true;
    if (!ActiveDialog()) return false;
    PostMessage(ActiveDialog(), kMsgCommand, MakeWParam(kCommandOk, 0), 0);
    return true;
  });
  robot.Add("main window", [&] {
    if (!hwndMain || !IsWindowVisible(hwndMain) || ActiveDialog()) return false;
    EXPECT_TRUE(SaveWindowImage(hwndMain, shots + "/main.png"));
    PostMessage(hwndMain, kMsgCommand, MakeWParam(kCmdAbout, 0), 0);
    return true;
  });
  robot.Add("about box", [&] {
    WindowHandle about = ActiveDialog();
    if (!about) return false;
    windowsAtAbout = WindowTitle(about).find("About") == 0;
    EXPECT_TRUE(SaveWindowImage(about, shots + "/about.png"));
    PostMessage(about, kMsgCommand, MakeWParam(kCommandOk, 0), 0);
    return true;
  });
  robot.Add("inherit", [] {
    if (ActiveDialog()) return false;
    PostMessage(hwndMain, kMsgCommand, MakeWParam(kTaskInherit, 0), 0);
    return true;
  });
  robot.Add("task running", [&] {
    if (!block || percent <= 1) return false;
    cancelShownDuringTask = IsWindowVisible(FindControl(hwndMain, kIdCancelTask));
    exitEnabledDuringTask = IsWindowEnabled(FindControl(hwndMain, kIdExitButton));
    EXPECT_TRUE(SaveWindowImage(hwndMain, shots + "/task.png"));
    SendMessage(FindControl(hwndMain, kIdCancelTask), kMsgClick, 0, 0);
    return true;
  });
  robot.Add("task ended", [&] {
    if (block) return false;
    cancelShownAfter = IsWindowVisible(FindControl(hwndMain, kIdCancelTask));
    PostMessage(hwndMain, kMsgCommand, MakeWParam(kCmdExit, 0), 0);
    return true;
  });
  robot.Start();

  InstallProgramDialogs();
  EXPECT_EQ(0, ProgramEntry(home.c_str(), ShowState::kShow));
  EXPECT_TRUE(robot.Finished());

  for (const char* shot : {"main.png", "about.png", "task.png"})
    EXPECT_GT(fs::file_size(shots + "/" + shot), 2000u) << shot;
  EXPECT_EQ(1, windowsAtAbout);
  EXPECT_TRUE(cancelShownDuringTask);
  EXPECT_FALSE(exitEnabledDuringTask);
  EXPECT_FALSE(cancelShownAfter);

  // CANCEL stopped the walk: some documents got the site's tags, not all of them.
  int inherited = 0;
  for (const auto& entry : fs::recursive_directory_iterator(home + "/site/gen"))
    if (entry.is_regular_file()) inherited += ReadAll(entry.path().string()) != kPage;
  EXPECT_GT(inherited, 0);
  EXPECT_LT(inherited, kDocs);
  EXPECT_EQ(nullptr, hwndMain);
}

// With "Show Toolbar" on, the splash closes without OK, the Expert bar appears at the top right
// of the screen and stands in for the main window; its close cell ends the program.
TEST(DesktopProgram, ExpertBarAppearsWithShowToolbar) {
  testing_support::TempDir temp;
  std::string home = temp.path() + "/home";
  // The program starts where it is started; an earlier test's directory is gone.
  ASSERT_EQ(0, ::chdir(temp.path().c_str()));
  ASSERT_TRUE(gui::CopyExampleHome(TS_SOURCE_DIR "/examples/home", home));
  std::string ini = ReadAll(home + "/META.INI");
  size_t at = ini.find("Show Settings=1");
  ASSERT_NE(std::string::npos, at);
  ini.insert(at, "Show Toolbar=1\n");
  WriteAll(home + "/META.INI", ini);

  Rect bar{};
  int screenWidth = 0;
  gui::Robot robot;
  robot.Add("expert bar", [&] {
    if (!hwndToolBar) return false;
    bar = WindowRect(hwndToolBar);
    screenWidth = Screen().width;
    EXPECT_TRUE(SaveWindowImage(hwndToolBar, temp.path() + "/bar.png"));
    // The close cell: 16 x max(plug-ins, 4) + 33.
    SendMessage(hwndToolBar, kMsgLButtonUp, 0, MakePointParam(100, 5));
    return true;
  });
  robot.Start(10);
  InstallProgramDialogs();
  EXPECT_EQ(0, ProgramEntry(home.c_str(), ShowState::kShow));
  EXPECT_TRUE(robot.Finished());
  EXPECT_EQ(116, bar.width());
  EXPECT_EQ(screenWidth - 116 - 1, bar.left);
  EXPECT_EQ(nullptr, hwndMain);
  EXPECT_EQ(nullptr, hwndToolBar);
}

}  // namespace

int main(int argc, char** argv) {
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  auto ui = platform::MakeQtUi();
  platform::SetUiBackend(ui.get());
  testing::InitGoogleTest(&argc, argv);
  int rc = RUN_ALL_TESTS();
  platform::SetUiBackend(nullptr);
  return rc;
}
