// The real desktop program on the offscreen Qt platform: it starts on a temporary home, shows its
// window and the about box, runs a site task from the menu and stops it with CANCEL.
#include <gtest/gtest.h>

#include <unistd.h>
#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QSet>
#include <QWidget>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>

#include "app/gui_robot.h"
#include "config/settings.h"
#include "config/sites.h"
#include "config/startup.h"
#include "engine/page_tags.h"
#include "log/log_viewer.h"
#include "platform/clock.h"
#include "platform/qt/qt_ui.h"
#include "platform/text.h"
#include "plugins/context.h"
#include "schema/value_choosers.h"
#include "tests/support/temp_dir.h"
#include "timers/dialogs.h"
#include "tree/branch_tasks.h"
#include "tree/document_selection.h"
#include "tree/task_state.h"
#include "tree/tasks.h"
#include "ui/expert_bar.h"
#include "ui/main_window.h"
#include "ui/page_editor.h"

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
  gui::AddSplashStep(robot);
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

// A step that presses key until done() holds, pressing it again only after a pause: a key sent
// while a dialog is still settling its focus may go to the control that had it before.
gui::Robot::Step KeyUntil(int key, std::function<bool()> ready, std::function<bool()> done) {
  auto ticks = std::make_shared<int>(0);
  return [=] {
    if (done()) return true;
    if (ready() && (*ticks)++ % 10 == 0) gui::PostKey(key, 0, key == Qt::Key_Space ? " " : "");
    return false;
  };
}

// The steps a user takes to open a file through the selection dialog with the keyboard: the
// focus starts in the directory list; Tab goes to the files, Space picks the first, Enter opens it.
void AddKeyboardOpen(gui::Robot& robot, const std::string& fileName) {
  auto control = [](int id) { return ActiveDialog() ? FindControl(ActiveDialog(), id) : nullptr; };
  robot.Add("to the files",
            KeyUntil(
                Qt::Key_Tab,
                [=] {
                  return ActiveDialog() && WindowTitle(ActiveDialog()) == kSelectTitle &&
                         FocusWindow() == control(kIdSelectDirectories);
                },
                [=] { return FocusWindow() && FocusWindow() == control(kIdSelectFiles); }));
  robot.Add("first file", KeyUntil(
                              Qt::Key_Space, [] { return true; },
                              [=] { return ControlText(control(kIdSelectName)) == fileName; }));
  robot.Add("open it", [] { return gui::PostKey(Qt::Key_Return); });
}

// Starts the program on a copy of the example home in a new temporary directory.
struct DesktopRun {
  testing_support::TempDir temp;
  std::string home = temp.path() + "/home";
  DesktopRun() {
    EXPECT_EQ(0, ::chdir(temp.path().c_str()));
    EXPECT_TRUE(gui::CopyExampleHome(TS_SOURCE_DIR "/examples/home", home));
    // Saving asks no question about the schema's mandatory tags.
    std::string ini = ReadAll(home + "/META.INI");
    size_t at = ini.find("Check Mandatory=1");
    EXPECT_NE(std::string::npos, at);
    if (at != std::string::npos) ini.replace(at, 17, "Check Mandatory=0");
    WriteAll(home + "/META.INI", ini);
  }
};

TEST(DesktopProgram, OpensAPageWithTheKeyboardPicksAValueFromTheSchemaAndSavesIt) {
  DesktopRun run;
  const std::string page = run.home + "/site/aaa.htm";
  const std::string head = "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\">\n";
  const std::string og = "<meta property=\"og:title\" content=\"Old\">\n";
  const std::string tail = "</head><body>x</body></html>\n";
  WriteAll(page, head + "<meta http-equiv=\"DC.Title\" content=\"Old title\">\n" + og +
                     "<meta http-equiv=\"DEF.Security\" content=\"Unclassified\">\n" + tail);

  std::string shot = run.temp.path() + "/editor.png";
  gui::Robot robot;
  gui::AddSplashStep(robot);
  robot.Add("OPEN", [] {
    if (!hwndMain || !IsWindowVisible(hwndMain) || ActiveDialog()) return false;
    SetFocus(FindControl(hwndMain, kIdOpen));
    return gui::PostKey(Qt::Key_Space, 0, " ");
  });
  AddKeyboardOpen(robot, "aaa.htm");
  robot.Add("type a value", [&] {
    if (ActiveDialog() || page != CurrentDocument || FocusWindow() != ValueEdits[0]) return false;
    return gui::PostKey(Qt::Key_A, Qt::ControlModifier) && gui::PostText("New title") &&
           gui::PostKey(Qt::Key_Down);
  });
  robot.Add("chooser", [] {
    if (FocusWindow() != ValueEdits[1]) return false;
    return gui::PostKey(Qt::Key_Return);
  });
  auto chooserList = [] {
    WindowHandle d = ActiveDialog();
    return d && WindowTitle(d) == "DEF.Security" ? FindControl(d, kIdChooseList) : nullptr;
  };
  // Confidential is selected first; the next line is Restricted.
  robot.Add("choose",
            KeyUntil(
                Qt::Key_Down, [=] { return chooserList() && FocusWindow() == chooserList(); },
                [=] { return chooserList() && ListSelection(chooserList()) == 1; }));
  robot.Add("take it", [] { return gui::PostKey(Qt::Key_Return); });
  robot.Add("save", [&] {
    if (ActiveDialog() || ControlText(ValueEdits[1]) != "Restricted") return false;
    EXPECT_TRUE(SaveWindowImage(hwndMain, shot));
    SetFocus(FindControl(hwndMain, kIdAddTag + 4));
    return gui::PostKey(Qt::Key_Space, 0, " ");
  });
  robot.Add("exit", [&] {
    if (ReadAll(page).find("Restricted") == std::string::npos) return false;
    PostMessage(hwndMain, kMsgCommand, MakeWParam(kIdCancelEdit, 0), 0);
    PostMessage(hwndMain, kMsgCommand, MakeWParam(kCmdExit, 0), 0);
    return true;
  });
  robot.Start();
  InstallProgramDialogs();
  EXPECT_EQ(0, ProgramEntry(run.home.c_str(), ShowState::kShow));
  EXPECT_TRUE(robot.Finished());

  // Only the page's own tags were rewritten: the charset, Open Graph and the body stay.
  std::string saved = ReadAll(page);
  EXPECT_EQ(0u, saved.find(head)) << saved;
  EXPECT_NE(std::string::npos, saved.find(og.substr(0, og.size() - 1))) << saved;
  EXPECT_EQ(saved.size() - tail.size(), saved.rfind(tail)) << saved;
  EXPECT_NE(std::string::npos, saved.find("\"DC.Title\" CONTENT=\"New title\"")) << saved;
  EXPECT_NE(std::string::npos, saved.find("\"DEF.Security\" CONTENT=\"Restricted\"")) << saved;
  EXPECT_EQ(std::string::npos, saved.find("Unclassified")) << saved;
  EXPECT_GT(fs::file_size(shot), 2000u);
}

TEST(DesktopProgram, EditsATreeTagFileThroughEditTreeMetatags) {
  DesktopRun run;
  const std::string treeTags = run.home + "/site/META.TAG";
  gui::Robot robot;
  gui::AddSplashStep(robot);
  robot.Add("menu", [] {
    if (!hwndMain || !IsWindowVisible(hwndMain) || ActiveDialog()) return false;
    PostMessage(hwndMain, kMsgCommand, MakeWParam(kCmdEditTreeTags, 0), 0);
    return true;
  });
  AddKeyboardOpen(robot, "META.TAG");
  robot.Add("type", [&] {
    if (ActiveDialog() || treeTags != CurrentDocument || FocusWindow() != ValueEdits[0])
      return false;
    EXPECT_EQ(4, Tagcount);  // the control tags are shown too
    return gui::PostKey(Qt::Key_A, Qt::ControlModifier) && gui::PostText("Harbourside Ltd");
  });
  robot.Add("CLOSE", [] {
    if (ControlText(ValueEdits[0]) != "Harbourside Ltd") return false;
    SetFocus(FindControl(hwndMain, kIdClose));
    return gui::PostKey(Qt::Key_Space, 0, " ");
  });
  robot.Add("exit", [] {
    if (CurrentDocument[0]) return false;
    PostMessage(hwndMain, kMsgCommand, MakeWParam(kCmdExit, 0), 0);
    return true;
  });
  robot.Start();
  InstallProgramDialogs();
  EXPECT_EQ(0, ProgramEntry(run.home.c_str(), ShowState::kShow));
  EXPECT_TRUE(robot.Finished());
  std::string saved = ReadAll(treeTags);
  EXPECT_NE(std::string::npos, saved.find("CONTENT=\"Harbourside Ltd\"")) << saved;
  EXPECT_NE(std::string::npos, saved.find("\"$SitemapFiles\" CONTENT=\"index\"")) << saved;
  EXPECT_NE(std::string::npos, saved.find("\"$LevelHeading\"")) << saved;
}

// The choosing action of the open pop-up menu whose command is id (nullptr while none is open).
QAction* PopupAction(int id) {
  auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
  if (!menu) return nullptr;
  for (QAction* a : menu->actions())
    if (a->data().toInt() == id) return a;
  return nullptr;
}

TEST(DesktopProgram, SwitchesSitesRunsABranchTaskAndShowsTheLog) {
  DesktopRun run;
  std::string ini = ReadAll(run.home + "/META.INI");
  size_t at = ini.find("Confirmation=1");
  ASSERT_NE(std::string::npos, at);
  ini.replace(at, 14, "Confirmation=0");
  WriteAll(run.home + "/META.INI", ini);
  const std::string outside = ReadAll(run.home + "/site/index.htm");
  std::string switchedTo, logTitle;
  bool menuMnemonics = false;

  gui::Robot robot;
  gui::AddSplashStep(robot);
  robot.Add("SITES", [&] {
    if (!hwndMain || !IsWindowVisible(hwndMain) || ActiveDialog()) return false;
    // Every item of the menu bar opens with Alt and a letter of its own.
    QString letters;
    for (QWidget* top : QApplication::topLevelWidgets())
      for (QMenuBar* bar : top->findChildren<QMenuBar*>())
        for (QAction* a : bar->actions()) {
          const qsizetype amp = a->text().indexOf(QLatin1Char('&'));
          if (amp >= 0 && amp + 1 < a->text().size()) letters += a->text()[amp + 1].toLower();
        }
    menuMnemonics = letters.size() == 7 && QSet<QChar>(letters.begin(), letters.end()).size() == 7;
    SetFocus(FindControl(hwndMain, kIdSites));
    return gui::PostKey(Qt::Key_Space, 0, " ");
  });
  robot.Add("second site", KeyUntil(
                               Qt::Key_Down,
                               [] {
                                 return ActiveDialog() && WindowTitle(ActiveDialog()) == "Sites" &&
                                        FocusWindow() == FindControl(ActiveDialog(), kSitesList);
                               },
                               [] {
                                 return ActiveDialog() &&
                                        ListSelection(FindControl(ActiveDialog(), kSitesList)) == 1;
                               }));
  robot.Add("use it", [] { return gui::PostKey(Qt::Key_Return); });
  robot.Add("Branch Tasks", [&] {
    if (ActiveDialog()) return false;
    switchedTo = CurrentConfig;
    // Back to the first site, whose tree the branch is in, through the same dialog.
    PostMessage(hwndMain, kMsgCommand, MakeWParam(kIdSites, 0), 0);
    return true;
  });
  robot.Add("first site", KeyUntil(
                              Qt::Key_Up,
                              [] {
                                return ActiveDialog() && WindowTitle(ActiveDialog()) == "Sites" &&
                                       FocusWindow() == FindControl(ActiveDialog(), kSitesList);
                              },
                              [] {
                                return ActiveDialog() &&
                                       ListSelection(FindControl(ActiveDialog(), kSitesList)) == 0;
                              }));
  robot.Add("use the first", [] { return gui::PostKey(Qt::Key_Return); });
  robot.Add("choose a branch", [] {
    if (ActiveDialog()) return false;
    PostMessage(hwndMain, kMsgCommand, MakeWParam(kCmdBranchTasks, 0), 0);
    return true;
  });
  robot.Add("first directory",
            KeyUntil(
                Qt::Key_Space,
                [] {
                  return ActiveDialog() && WindowTitle(ActiveDialog()) == kSelectTitle &&
                         FocusWindow() == FindControl(ActiveDialog(), kIdSelectDirectories);
                },
                [] {
                  return ActiveDialog() &&
                         ControlText(FindControl(ActiveDialog(), kIdSelectName)) == "about";
                }));
  robot.Add("branch button", [] {
    SetFocus(FindControl(ActiveDialog(), kIdSelectBranch));
    return gui::PostKey(Qt::Key_Space, 0, " ");
  });
  robot.Add("tasks menu", [] {
    WindowHandle d = ActiveDialog();
    if (!d || FocusWindow() == nullptr ||
        ControlText(FindControl(d, kIdBranchPath)).find("about") == std::string::npos)
      return false;
    PostMessage(d, kMsgCommand, MakeWParam(kIdBranchTasks, 0), 0);
    return true;
  });
  robot.Add("sort", [] {
    QAction* sort = PopupAction(kTaskSort);
    if (!sort) return false;
    sort->trigger();
    QApplication::activePopupWidget()->hide();
    return true;
  });
  robot.Add("done", [&] {
    WindowHandle d = ActiveDialog();
    if (!d || block ||
        ReadAll(run.home + "/site/about/history.htm").find("$RUZOZAZEZO") == std::string::npos)
      return false;
    return gui::PostKey(Qt::Key_Escape);
  });
  robot.Add("log viewer", [] {
    if (ActiveDialog()) return false;
    PostMessage(hwndMain, kMsgCommand, MakeWParam(kCmdLogging, 0), 0);
    return true;
  });
  robot.Add("close the log", [&] {
    WindowHandle d = ActiveDialog();
    if (!d) return false;
    logTitle = WindowTitle(d);
    return gui::PostKey(Qt::Key_Escape);
  });
  gui::AddExitStep(robot);
  robot.Start();
  InstallProgramDialogs();
  EXPECT_EQ(0, ProgramEntry(run.home.c_str(), ShowState::kShow));
  EXPECT_TRUE(robot.Finished());
  EXPECT_TRUE(menuMnemonics);
  EXPECT_EQ("Regatta 2027", switchedTo);
  EXPECT_NE(std::string::npos, ReadAll(run.home + "/META.INI").find("Current Config=Harbourside"));
  // SORT ran on the branch only.
  EXPECT_EQ(outside, ReadAll(run.home + "/site/index.htm"));
  EXPECT_EQ(0u, logTitle.find("Harbourside - 2")) << logTitle;  // the site and the day shown
}

// Copies dir to copy with the configuration's paths pointing at the copy.
void CopyHome(const std::string& dir, const std::string& copy) {
  fs::copy(dir, copy, fs::copy_options::recursive);
  std::string ini = ReadAll(copy + "/META.INI");
  for (size_t at; (at = ini.find(dir + "/")) != std::string::npos;)
    ini.replace(at, dir.size(), copy);
  WriteAll(copy + "/META.INI", ini);
}

// Last in the file: the plug-in's minute thread outlives the program it was loaded by.
TEST(DesktopProgram, ATimedEventAddedThroughItsDialogsRunsTheInherit) {
  DesktopRun run;
  fs::copy_file(TS_BINARY_DIR "/Timers.TSP", run.temp.path() + "/Timers.TSP");
  // Stamps without seconds, so that an inherit run now writes the same bytes.
  std::string ini = ReadAll(run.home + "/META.INI");
  ini.replace(ini.find("Autotags=5"), 10, "Autotags=1");
  WriteAll(run.home + "/META.INI", ini);
  const std::string byHand = run.temp.path() + "/by-hand";
  CopyHome(run.home, byHand);

  // Today, in the half hour twelve hours from now: the real clock is far from it.
  std::tm tm = LocalTime(std::time(nullptr));
  const int slot = (tm.tm_hour * 2 + tm.tm_min / 30 + 24) % 48;
  tm.tm_hour = slot / 2;
  tm.tm_min = 30 * (slot % 2) + 7;
  tm.tm_sec = 0;
  tm.tm_isdst = -1;
  const std::time_t due = std::mktime(&tm);
  SetTestClock(due - 3600);
  ASSERT_EQ(0, setenv("TAGSTEWARD_TIMER_TICK_MS", "200", 1));
  const std::string doc = run.home + "/site/rowing/squads/juniors.htm";
  const std::string before = ReadAll(doc);
  const std::string key =
      std::string("Event1=C") + char('A' + slot) + "DINHERIT metatags into all docs";
  auto list = [](int id) { return ActiveDialog() ? FindControl(ActiveDialog(), id) : nullptr; };

  gui::Robot robot;
  gui::AddSplashStep(robot);
  robot.Add("Plugins menu", [] {
    if (!hwndMain || !IsWindowVisible(hwndMain) || ActiveDialog()) return false;
    return gui::ChooseMenuItem("Plugins", "Timed Events");
  });
  robot.Add("Add", [] { return gui::ClickOn("Timed Events", "Add"); });
  robot.Add("Daily Event", [] { return gui::ClickOn("Add Timer Event", "Daily Event"); });
  robot.Add("slot", [&] {
    return gui::ClickOn("Add Timer Event",
                        Format("Each day at %02d:%02d", slot / 2, slot % 2 * 30));
  });
  robot.Add("first task", [&] {
    if (ListSelection(list(kEventSlots)) != slot) return false;
    return gui::ClickOn("Add Timer Event", "EXPIRED document mailout");
  });
  // The inherit is the last of the program's four tasks.
  robot.Add("last task", KeyUntil(
                             Qt::Key_End, [=] { return FocusWindow() == list(kEventTasks); },
                             [=] { return ListSelection(list(kEventTasks)) == 3; }));
  robot.Add("OK", [] { return gui::ClickOn("Add Timer Event", "OK"); });
  robot.Add("events OK", [=] {
    if (ListCount(list(kEventsList)) != 1) return false;
    return gui::ClickOn("Timed Events", "OK");
  });
  robot.Add("the minute comes", [&] {
    if (ActiveDialog() || ReadAll(run.home + "/META.INI").find(key) == std::string::npos)
      return false;
    SetTestClock(due);
    return true;
  });
  robot.Add("exit", [&] {
    if (ReadAll(doc) == before || TimerHoldsBusyWord()) return false;
    SetTestClock(due + 3600);
    PostMessage(hwndMain, kMsgCommand, MakeWParam(kCmdExit, 0), 0);
    return true;
  });
  robot.Start();
  InstallProgramDialogs();
  EXPECT_EQ(0, ProgramEntry(run.home.c_str(), ShowState::kShow));
  EXPECT_TRUE(robot.Finished());
  SetTestClock(0);

  const std::string cli = TS_BINARY_DIR "/app/tagsteward-cli";
  ASSERT_EQ(0, std::system(("HOME='" + run.temp.path() + "' '" + cli + "' --config '" + byHand +
                            "' --yes inherit >/dev/null 2>&1")
                               .c_str()));
  int compared = 0;
  for (const auto& entry : fs::recursive_directory_iterator(run.home + "/site")) {
    if (!entry.is_regular_file()) continue;
    const std::string name = fs::relative(entry.path(), run.home).string();
    EXPECT_EQ(ReadAll(byHand + "/" + name), ReadAll(entry.path().string())) << name;
    ++compared;
  }
  EXPECT_GT(compared, 10);
  EXPECT_NE(std::string::npos, ReadAll(doc).find("Harbourside Rowing Club Inc.")) << ReadAll(doc);
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
