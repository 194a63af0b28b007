#include "ui/expert_bar.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <vector>

#include "config/settings.h"
#include "platform/text.h"
#include "plugins/context.h"
#include "tests/support/program_fixture.h"
#include "tree/task_state.h"
#include "ui/main_window.h"

using namespace platform;

namespace {

constexpr int kScreenWidth = 1024;  // the headless screen

// A stand-in main window with the three leading popups of the menu bar; it notes the commands
// it is sent.
class ExpertBarTest : public testing_support::ProgramFixture {
 protected:
  void SetUp() override {
    ProgramFixture::SetUp();
    PluginCount = 0;
    percent = 0;
    ToolBarOn = 0;
    WindowSpec spec;
    spec.className = "Tagsteward";
    spec.rect = RectAt(0, 0, 640, 480);
    spec.style = kWindowVisible | kWindowCaption;
    hwndMain = CreateWindow(spec, [this](WindowHandle h, unsigned m, WParam w, LParam l) {
      if (m == kMsgCommand) commands_.push_back(static_cast<int>(LowWord(w)));
      return DefaultWindowProc(h, m, w, l);
    });
    MenuHandle bar = CreateMenu();
    for (const char* name : {"Setup", "Edit"})
      AppendSubmenu(bar, CreateMenu(), name);
    MenuHandle tasks = CreateMenu();
    AppendMenuItem(tasks, 40039, "Check for EXPIRED documents");
    AppendMenuItem(tasks, 40040, "Check REVIEW dates in documents");
    AppendSubmenu(bar, tasks, "Site Tasks");
    SetWindowMenu(hwndMain, bar);
  }
  void TearDown() override {
    DestroyExpertBar();
    if (hwndMain) DestroyWindow(hwndMain);
    hwndMain = nullptr;
    PluginCount = 0;
    percent = 0;
    ProgramFixture::TearDown();
  }

  void ClickAt(int x, int y) {
    SendMessage(hwndToolBar, kMsgLButtonUp, 0, MakePointParam(x, y));
    ui_.RunFor(0);
  }
  // The calls of the bar's latest paint.
  std::vector<CanvasCall> Paint() {
    ui_.ClearCanvas();
    InvalidateWindow(hwndToolBar, nullptr);
    UpdateWindow(hwndToolBar);
    return ui_.canvasCalls();
  }
  static Rect Expanded(int width) { return RectAt(kScreenWidth - width - 1, 0, width, 34); }

  std::vector<int> commands_;
};

TEST_F(ExpertBarTest, WithoutPlugInsFourEmptyCellsAndTheCloseCell) {
  ASSERT_NE(nullptr, CreateExpertBar());
  EXPECT_EQ(1, ToolBarOn);
  EXPECT_EQ(hwndToolBar, CreateExpertBar()) << "only one bar";
  EXPECT_EQ(Expanded(116), WindowRect(hwndToolBar));
  EXPECT_TRUE(IsWindowVisible(hwndToolBar));

  std::set<int> cells;
  int darkVerticals = 0;
  std::string siteName;
  CopyText(CurrentConfig, "Intranet");
  for (const CanvasCall& c : Paint()) {
    if (c.op == CanvasCall::Op::kBitmap) cells.insert(c.rect.left);
    if (c.op == CanvasCall::Op::kLine && c.colour == 0x000A0A0A && c.from.x == c.to.x)
      ++darkVerticals;
    if (c.op == CanvasCall::Op::kText && c.from == Point{3, 15}) siteName = c.text;
  }
  EXPECT_EQ((std::set<int>{0, 16, 97}), cells);
  EXPECT_EQ(2, darkVerticals);
  EXPECT_EQ("Intranet", siteName);

  // The close cell ends the program by closing the main window.
  ClickAt(100, 5);
  EXPECT_FALSE(IsWindow(hwndMain));
  hwndMain = nullptr;
}

TEST_F(ExpertBarTest, SixPlugInsWidenTheBarAndItsCellsOpenThem) {
  PluginCount = 6;
  CreateExpertBar();
  EXPECT_EQ(Expanded(148), WindowRect(hwndToolBar));
  int closeCell = -1;
  for (const CanvasCall& c : Paint())
    if (c.op == CanvasCall::Op::kBitmap) closeCell = std::max(closeCell, c.rect.left);
  EXPECT_EQ(129, closeCell);

  ClickAt(7 * 16 + 5, 3);  // plug-in 5
  ClickAt(2 * 16, 13);     // plug-in 0
  EXPECT_EQ((std::vector<int>{8005, 8000}), commands_);
  EXPECT_TRUE(IsWindow(hwndMain));
  ClickAt(129, 3);
  EXPECT_FALSE(IsWindow(hwndMain));
  hwndMain = nullptr;
}

TEST_F(ExpertBarTest, FoldsAwayAfterTenIdleSecondsAndUnfoldsUnderTheMouse) {
  CreateExpertBar();
  ui_.RunFor(9000);
  EXPECT_EQ(Expanded(116), WindowRect(hwndToolBar));
  ui_.RunFor(1000);
  EXPECT_EQ(RectAt(kScreenWidth - 17, -3, 20, 20), WindowRect(hwndToolBar));
  ui_.RunFor(30000);
  EXPECT_EQ(RectAt(kScreenWidth - 17, -3, 20, 20), WindowRect(hwndToolBar));

  SendMessage(hwndToolBar, kMsgMouseMove, 0, MakePointParam(5, 5));
  EXPECT_EQ(Expanded(116), WindowRect(hwndToolBar));
  // Progress every few seconds keeps it open; so does the mouse.
  for (int i = 0; i < 4; ++i) {
    ui_.RunFor(8000);
    percent = 10 * (i + 1);
    SendMessage(hwndToolBar, kMsgProgress, 0, 0);
  }
  ui_.RunFor(9000);
  SendMessage(hwndToolBar, kMsgMouseMove, 0, MakePointParam(50, 20));
  ui_.RunFor(9000);
  EXPECT_EQ(Expanded(116), WindowRect(hwndToolBar));
  ui_.RunFor(1000);
  EXPECT_EQ(RectAt(kScreenWidth - 17, -3, 20, 20), WindowRect(hwndToolBar));
}

TEST_F(ExpertBarTest, ProgressFillsItsShareOfTheStrip) {
  CreateExpertBar();
  auto fills = [&] {
    std::vector<std::pair<Rect, Colour>> out;
    for (const CanvasCall& c : ui_.canvasCalls())
      if (c.op == CanvasCall::Op::kFill) out.emplace_back(c.rect, c.colour);
    return out;
  };
  percent = 50;
  ui_.ClearCanvas();
  SendMessage(hwndToolBar, kMsgProgress, 0, 0);
  EXPECT_EQ((std::vector<std::pair<Rect, Colour>>{{Rect{0, 16, 58, 34}, 0x00E13232},
                                                  {Rect{58, 16, 116, 34}, 0x00C0C0C0}}),
            fills());
  // While a task counts its documents nothing is done yet; the command form works as well.
  percent = -1;
  ui_.ClearCanvas();
  SendMessage(hwndToolBar, kMsgCommand, MakeWParam(1024, 0), 0);
  EXPECT_EQ((std::vector<std::pair<Rect, Colour>>{{Rect{0, 16, 116, 34}, 0x00C0C0C0}}), fills());
  percent = 100;
  ui_.ClearCanvas();
  SendMessage(hwndToolBar, kMsgProgress, 0, 0);
  EXPECT_EQ((std::vector<std::pair<Rect, Colour>>{{Rect{0, 16, 116, 34}, 0x00E13232}}), fills());
  EXPECT_TRUE(commands_.empty()) << "progress is the bar's own";
}

TEST_F(ExpertBarTest, ClicksReachTheMainWindow) {
  CreateExpertBar();
  // The first cell minimises and restores the main window.
  ClickAt(5, 5);
  EXPECT_TRUE(IsMinimised(hwndMain));
  ClickAt(5, 5);
  EXPECT_FALSE(IsMinimised(hwndMain));

  // The Site Tasks popup opens at the screen's top right; its choice goes to the main window.
  ui_.ScriptPopup(40040);
  ClickAt(20, 5);
  ASSERT_EQ(1u, ui_.popups().size());
  EXPECT_EQ(hwndToolBar, ui_.popups()[0].owner);
  EXPECT_EQ((Point{kScreenWidth, 0}), ui_.popups()[0].screen);
  EXPECT_EQ(2u, ui_.popups()[0].items.size());

  // The lower strip opens the site list.
  ClickAt(60, 20);
  // Other commands are passed on.
  SendMessage(hwndToolBar, kMsgCommand, MakeWParam(40045, 0), 0);
  EXPECT_EQ((std::vector<int>{40040, 1095, 40045}), commands_);
}

TEST_F(ExpertBarTest, DestroyingTheBarClearsItsGlobals) {
  showtoolbar = 9;
  CreateExpertBar();
  SetExpertBarTopmost(false);
  DestroyExpertBar();
  EXPECT_EQ(nullptr, hwndToolBar);
  EXPECT_EQ(0, ToolBarOn);
  // Destroyed from outside (the program's end), it forgets itself as well.
  WindowHandle bar = CreateExpertBar();
  EXPECT_EQ(1, ToolBarOn);
  DestroyWindow(bar);
  EXPECT_EQ(nullptr, hwndToolBar);
  EXPECT_EQ(0, ToolBarOn);
  SetExpertBarTopmost(true);  // no bar: nothing to do
}

}  // namespace
