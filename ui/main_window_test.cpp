#include "ui/main_window.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "config/settings.h"
#include "engine/page_tags.h"
#include "platform/text.h"
#include "plugins/context.h"
#include "tests/support/site_fixture.h"
#include "tree/document_selection.h"
#include "tree/task_state.h"
#include "tree/tasks.h"
#include "ui/working_display.h"

using namespace platform;

namespace {

class MainWindowTest : public testing_support::SiteFixture {
 protected:
  void SetUp() override {
    SiteFixture::SetUp();
    ClearExportedTasks();
    for (auto& line : text)
      line[0] = '\0';
    CopyText(CurrentConfig, "Rowing");
    window_ = CreateMainWindow();
    ASSERT_NE(nullptr, window_);
    ShowWindow(window_, ShowState::kShow);
  }
  void TearDown() override {
    if (IsWindow(window_)) DestroyWindow(window_);
    SetTaskDialog(nullptr);
    SiteFixture::TearDown();
  }
  // Chooses a menu command as the user does and lets the window handle it.
  bool Choose(int command) {
    if (!ui_.ChooseMenuCommand(window_, command)) return false;
    for (int i = 0; i < 100 && PumpOneMessage(window_); ++i) {
    }
    return true;
  }
  std::vector<const CanvasCall*> Texts() const {
    std::vector<const CanvasCall*> texts;
    for (const CanvasCall& call : ui_.canvasCalls())
      if (call.op == CanvasCall::Op::kText && call.window == window_) texts.push_back(&call);
    return texts;
  }
  const CanvasCall* TextAt(const std::string& what) const {
    for (const CanvasCall* call : Texts())
      if (call->text == what) return call;
    return nullptr;
  }
  void Repaint() {
    ui_.ClearCanvas();
    InvalidateWindow(window_, nullptr);
    UpdateWindow(window_);
  }
  std::string Read(const std::string& relative) const {
    std::string bytes;
    ReadWholeFile(At(relative), &bytes);
    return bytes;
  }
  static bool ReadWholeFile(const std::string& path, std::string* out) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
      out->append(buffer, n);
    std::fclose(f);
    return true;
  }

  WindowHandle window_ = nullptr;
};

TEST_F(MainWindowTest, CreationBuildsMenusControlsAndTheBuiltInTasks) {
  EXPECT_EQ(hwndMain, window_);
  EXPECT_EQ(szTitle, WindowTitle(window_));
  EXPECT_EQ(RectAt(0, 0, 640, 480), WindowRect(window_));

  std::vector<MenuItem> bar = MenuItems(WindowMenu(window_));
  std::vector<std::string> captions;
  for (const MenuItem& item : bar)
    captions.push_back(item.text);
  EXPECT_EQ((std::vector<std::string>{"Setup", "Edit", "Site Tasks", "Branch Tasks", "Logging",
                                      "Help", "Exit"}),
            captions);
  EXPECT_EQ(kCmdBranchTasks, bar[3].id);
  EXPECT_EQ(kCmdExit, bar[6].id);
  std::vector<MenuItem> tasks = MenuItems(SiteTasksMenu());
  ASSERT_EQ(13u, tasks.size());
  EXPECT_EQ(kCmdUpdateSitemap, tasks[0].id);
  EXPECT_TRUE(tasks[4].separator);
  EXPECT_TRUE(tasks[8].separator);
  EXPECT_EQ("DELETE ALL metatags from all documents", tasks[12].text);

  // Controls at their places and in their starting states.
  EXPECT_FALSE(IsWindowVisible(FindControl(window_, kIdCancelTask)));
  EXPECT_TRUE(IsWindowEnabled(FindControl(window_, kIdOpen)));
  EXPECT_FALSE(IsWindowEnabled(FindControl(window_, kIdClose)));
  EXPECT_EQ(RectAt(556, 361, 60, 70), WindowRect(FindControl(window_, kIdExitButton)));
  EXPECT_EQ(RectAt(480, 392, 66, 40), WindowRect(FindControl(window_, kIdAddTag + 7)));
  EXPECT_EQ(nullptr, FindControl(window_, kIdDiag));  // only with the diagnostic buttons

  ASSERT_EQ(4, ExportedTaskCount);
  EXPECT_STREQ("INHERIT metatags into all docs", ExportedTasks[3].name);
  EXPECT_EQ(kTaskInherit, ExportedTasks[3].command);
  EXPECT_EQ(-1, ExportedTasks[4].owner);
  EXPECT_EQ('0', szBuild[0]);  // no plug-ins
}

TEST_F(MainWindowTest, PaintsTheHeaderStripProgressAndWorkingLines) {
  Repaint();
  const CanvasCall* site = TextAt("Rowing");
  ASSERT_NE(nullptr, site);
  EXPECT_EQ((Point{50, 3}), site->from);
  ASSERT_NE(nullptr, TextAt("SITE:"));
  // The rows are hidden from the start (with "Show Working"), and their headings with them.
  EXPECT_EQ(1, hidingcontrols);
  EXPECT_EQ(nullptr, TextAt("METATAG"));
  ShowEditRows(1);
  EXPECT_TRUE(IsWindowVisible(FindControl(window_, kIdNameEdit)));
  Repaint();
  ASSERT_NE(nullptr, TextAt("METATAG"));
  EXPECT_EQ((Point{25, 21}), TextAt("METATAG")->from);
  EXPECT_EQ((Point{245, 21}), TextAt("VALUE")->from);
  auto fill = std::find_if(ui_.canvasCalls().begin(), ui_.canvasCalls().end(),
                           [](const CanvasCall& c) { return c.op == CanvasCall::Op::kFill; });
  ASSERT_NE(ui_.canvasCalls().end(), fill);
  EXPECT_EQ((Rect{0, 0, 636, 22}), fill->rect);

  // A running task: its title in white, the bar as wide as the share done, the working lines.
  percent = 50;
  CopyText(TaskTitle, "Perform tree task");
  SetWorkingLine(1, "/site/a");
  Repaint();
  EXPECT_EQ(nullptr, TextAt("SITE:"));
  // In white over a dark halo, readable over the filled and the empty bar.
  std::vector<Colour> title;
  for (const CanvasCall* call : Texts())
    if (call->text == "Perform tree task") title.push_back(call->style.colour);
  ASSERT_EQ(5u, title.size());
  EXPECT_EQ(Rgb(0xFF, 0xFF, 0xFF), title.back());
  EXPECT_NE(title.back(), title.front());
  bool bar = false;
  for (const CanvasCall& call : ui_.canvasCalls())
    bar |= call.op == CanvasCall::Op::kFill && call.rect == Rect{45, 3, 45 + 50 * 485 / 100, 19} &&
           call.colour == 0x00E13232;
  EXPECT_TRUE(bar);
  ASSERT_NE(nullptr, TextAt("/site/a"));
  EXPECT_EQ((Point{20, 36}), TextAt("/site/a")->from);
  percent = 0;
  SetWorkingLine(1, "");

  // The tag count is shown while no task blocks it.
  Tagcount = 3;
  Repaint();
  ASSERT_NE(nullptr, TextAt("3 tags"));
  block = 1;
  Repaint();
  EXPECT_EQ(nullptr, TextAt("3 tags"));
  block = 0;
  Tagcount = 0;
}

// A replace from the Site Tasks menu with CANCEL pressed as the walk starts.
TEST_F(MainWindowTest, SiteTaskFromTheMenuShowsCancelRefusesOtherCommandsAndCancels) {
  for (int i = 0; i < 6; ++i)
    Put(Format("d%d.htm", i), Doc({{"Keywords", "old"}}));
  gPluginContext.confirmation = kConfirmActions;
  ui_.Script("Site Task", kAnswerYes);

  static WindowHandle window;
  static HeadlessUi* ui;
  static int beepsBefore, beepsDuring;
  static bool cancelShown, sitesEnabled, exitEnabled, menuGreyed, stillThere;
  window = window_;
  ui = &ui_;
  SetTaskDialog([](WindowHandle, int mode) {
    EXPECT_EQ(1, mode);
    CopyText(gTask.tagName, "Keywords");
    CopyText(gTask.valueFilter, "old");
    CopyText(gTask.replacement, "new");
    cancelShown = IsWindowVisible(FindControl(window, kIdCancelTask));
    sitesEnabled = IsWindowEnabled(FindControl(window, kIdSites));
    exitEnabled = IsWindowEnabled(FindControl(window, kIdExitButton));
    menuGreyed = MenuItems(WindowMenu(window))[2].grayed;
    // Neither a second task nor the end of the program may start under this one.
    beepsBefore = ui->beeps();
    SendMessage(window, kMsgCommand, MakeWParam(kTaskInherit, 0), 0);
    SendMessage(window, kMsgClose, 0, 0);
    beepsDuring = ui->beeps() - beepsBefore;
    stillThere = IsWindow(window);
    PostMessage(window, kMsgCommand, MakeWParam(kIdCancelTask, 0), 0);
    return true;
  });
  ASSERT_TRUE(Choose(kTaskReplace));

  EXPECT_TRUE(cancelShown);
  EXPECT_FALSE(sitesEnabled);
  EXPECT_FALSE(exitEnabled);
  EXPECT_TRUE(menuGreyed);
  EXPECT_EQ(2, beepsDuring);
  EXPECT_TRUE(stillThere);

  // CANCEL was pressed before the first document was written: nothing changed.
  int changed = 0;
  for (int i = 0; i < 6; ++i)
    changed += Read(Format("d%d.htm", i)).find("new") != std::string::npos;
  EXPECT_EQ(0, changed);
  ASSERT_FALSE(ui_.boxes().empty());
  EXPECT_EQ("Cancelled", ui_.boxes().back().caption);

  // Afterwards the window is as before the task.
  EXPECT_FALSE(IsWindowVisible(FindControl(window_, kIdCancelTask)));
  EXPECT_TRUE(IsWindowEnabled(FindControl(window_, kIdSites)));
  EXPECT_FALSE(MenuItems(WindowMenu(window_))[2].grayed);
  EXPECT_EQ(0, block);
  EXPECT_EQ(0, gPluginContext.busy);
}

TEST_F(MainWindowTest, TaskWaitsWhileATimedEventHoldsTheBusyWord) {
  Put("d.htm", Doc({{"Keywords", "x"}}));
  std::string before = Read("d.htm");
  gPluginContext.busy = 1001;
  ASSERT_TRUE(Choose(kTaskSort));
  EXPECT_EQ(1001, gPluginContext.busy);
  ASSERT_FALSE(ui_.boxes().empty());
  EXPECT_EQ("NOTE", ui_.boxes().back().caption);
  EXPECT_EQ(before, Read("d.htm"));
  gPluginContext.busy = 0;
}

TEST_F(MainWindowTest, HelpCommandsReportAMissingBrowserAndBranchTasksAsksForTheBranch) {
  CopyText(WebBrowser, "/nonexistent/browser");
  ASSERT_TRUE(Choose(kCmdLocalHelp));
  ASSERT_FALSE(ui_.boxes().empty());
  EXPECT_EQ("CRITICAL ERROR!", ui_.boxes().back().caption);
  EXPECT_EQ("M019:The web browser could not be found", ui_.boxes().back().text);
  // The home page is opened without a check.
  size_t boxes = ui_.boxes().size();
  SendMessage(window_, kMsgLButtonUp, 0, MakePointParam(560, 50));
  EXPECT_EQ(boxes, ui_.boxes().size());

  ASSERT_TRUE(Choose(kCmdBranchTasks));
  ASSERT_FALSE(ui_.dialogs().empty());
  EXPECT_EQ(kSelectTitle, ui_.dialogs().back().title);
}

TEST_F(MainWindowTest, ExitWritesTheSettingsAndEndsTheLoop) {
  std::filesystem::remove(IniFilePath());
  PostMessage(window_, kMsgCommand, MakeWParam(kCmdExit, 0), 0);
  EXPECT_EQ(0, RunMessageLoop());
  EXPECT_FALSE(IsWindow(window_));
  EXPECT_EQ(nullptr, hwndMain);
  EXPECT_TRUE(std::filesystem::exists(IniFilePath()));
}

}  // namespace
