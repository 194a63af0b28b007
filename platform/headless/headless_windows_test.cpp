#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "platform/headless/headless_ui.h"

namespace {

using namespace platform;

class WindowsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ui_.SetEcho(nullptr);
    previous_ = SetUiBackend(&ui_);
  }
  void TearDown() override { SetUiBackend(previous_); }

  // A window whose procedure writes "name:message:wparam" for every message it is given except
  // creation, painting and destruction.
  WindowHandle LoggingWindow(const std::string& name, unsigned style = 0) {
    return CreateWindow({"Test", name, RectAt(0, 0, 640, 480), style},
                        [this, name](WindowHandle w, unsigned m, WParam wp, LParam lp) -> LResult {
                          if (m == kMsgCreate || m == kMsgDestroy) return 0;
                          if (m == kMsgPaint) {
                            log_.push_back(name + ":paint");
                            return 0;
                          }
                          log_.push_back(name + ":" + std::to_string(m) + ":" + std::to_string(wp));
                          return DefaultWindowProc(w, m, wp, lp);
                        });
  }

  HeadlessUi ui_;
  UiBackend* previous_ = nullptr;
  std::vector<std::string> log_;
};

TEST_F(WindowsTest, PostedMessagesComeInOrderAndTheQuitLast) {
  WindowHandle a = CreateWindow({"Test", "A", RectAt(0, 0, 10, 10), 0},
                                [&](WindowHandle w, unsigned m, WParam wp, LParam) -> LResult {
                                  if (m < kMsgUser) return 0;
                                  log_.push_back(std::to_string(wp));
                                  // Posted while handling: after everything already waiting,
                                  // and still before the quit that was posted earlier.
                                  if (wp == 2) PostMessage(w, kMsgUser, 4, 0);
                                  return 0;
                                });
  for (WParam i : {1, 2, 3})
    EXPECT_TRUE(PostMessage(a, kMsgUser, i, 0));
  PostQuit(7);
  EXPECT_EQ(7, RunMessageLoop());
  EXPECT_EQ((std::vector<std::string>{"1", "2", "3", "4"}), log_);

  // Messages for a window destroyed meanwhile are dropped, and posting to it fails.
  PostMessage(a, kMsgUser, 5, 0);
  DestroyWindow(a);
  EXPECT_FALSE(PostMessage(a, kMsgUser, 6, 0));
  PostQuit(0);
  EXPECT_EQ(0, RunMessageLoop());
  EXPECT_EQ(4u, log_.size());
}

TEST_F(WindowsTest, PumpOneMessageHandlesExactlyOneOfTheWindows) {
  WindowHandle main = LoggingWindow("main", kWindowVisible);
  WindowHandle other = LoggingWindow("other");
  WindowHandle cancel = CreateControl(main, {1096, ControlKind::kPushButton, "CANCEL", {}, 0});
  SetAccelerators(main, {{'?', kModShift, 303}});
  ui_.PaintInvalid();
  log_.clear();

  PostMessage(other, kMsgUser, 9, 0);
  PostMessage(main, kMsgUser, 1, 0);
  PostMessage(cancel, kMsgClick, 0, 0);  // a click waiting on one of its controls
  ui_.PressKey(main, '?', kModShift);
  PostQuit(3);
  InvalidateWindow(main, nullptr);

  EXPECT_TRUE(PumpOneMessage(main));
  EXPECT_EQ((std::vector<std::string>{"main:1024:1"}), log_);
  EXPECT_TRUE(PumpOneMessage(main));
  EXPECT_EQ("main:273:1096", log_.back());  // the button's command reaches its window
  EXPECT_TRUE(PumpOneMessage(main));
  EXPECT_EQ("main:273:65839", log_.back());  // the key became command 303, notification 1
  EXPECT_TRUE(PumpOneMessage(main));
  EXPECT_EQ("main:paint", log_.back());
  EXPECT_FALSE(PumpOneMessage(main));  // the other window's message and the quit stay
  EXPECT_EQ(4u, log_.size());

  EXPECT_EQ(3, RunMessageLoop());
  EXPECT_EQ("other:1024:9", log_.back());
}

TEST_F(WindowsTest, TimersFireThroughTheLoopOnTheirOwnClock) {
  WindowHandle w = nullptr;
  std::vector<std::string> ticks;
  w = CreateWindow(
      {"Test", "T", RectAt(0, 0, 10, 10), 0},
      [&](WindowHandle self, unsigned m, WParam wp, LParam) -> LResult {
        if (m != kMsgTimer) return 0;
        ticks.push_back(std::string(wp == 1 ? "A" : "B") + "@" + std::to_string(ui_.clock()));
        if (ui_.clock() >= 500 && wp == 2) {
          StopTimer(self, 1);
          StopTimer(self, 2);
          PostQuit(0);
        }
        return 0;
      });
  EXPECT_TRUE(StartTimer(w, 1, 100));
  EXPECT_TRUE(StartTimer(w, 2, 250));
  EXPECT_FALSE(StartTimer(nullptr, 3, 100));
  EXPECT_EQ(0, RunMessageLoop());
  EXPECT_EQ(
      (std::vector<std::string>{"A@100", "A@200", "B@250", "A@300", "A@400", "A@500", "B@500"}),
      ticks);

  // A late timer fires once, not once for every period missed; a stopped one not at all.
  ticks.clear();
  StartTimer(w, 1, 100);
  ui_.AdvanceClock(1000);
  EXPECT_TRUE(PumpOneMessage(w));
  EXPECT_FALSE(PumpOneMessage(w));
  EXPECT_EQ(std::vector<std::string>{"A@1500"}, ticks);
  ui_.RunFor(250);  // time passing: each period in turn
  EXPECT_EQ((std::vector<std::string>{"A@1500", "A@1600", "A@1700"}), ticks);
  DestroyWindow(w);  // its timers go with it
  ui_.RunFor(1000);
  EXPECT_EQ(3u, ticks.size());
}

TEST_F(WindowsTest, SendMessageFromAnotherThreadRunsOnTheLoopThread) {
  const std::thread::id loopThread = std::this_thread::get_id();
  std::vector<std::string> order;
  std::atomic<bool> wrongThread{false};
  WindowHandle main = CreateWindow({"Test", "main", RectAt(0, 0, 10, 10), 0},
                                   [&](WindowHandle, unsigned m, WParam wp, LParam) -> LResult {
                                     if (m != kMsgSwitchSite && m != kMsgCommand) return 0;
                                     if (std::this_thread::get_id() != loopThread)
                                       wrongThread = true;
                                     order.push_back("handled " + std::to_string(m));
                                     return static_cast<LResult>(wp * 2);
                                   });
  WindowHandle gone = CreateWindow({"Test", "gone", {}, 0}, DefaultWindowProc);
  DestroyWindow(gone);

  LResult switched = 0, commanded = 0, toGone = -1;
  std::thread timer([&] {
    switched = SendMessage(main, kMsgSwitchSite, 21, 0);
    order.push_back("after 1184");  // the sender waited for the answer
    commanded = SendMessage(main, kMsgCommand, 40039, 0);
    toGone = SendMessage(gone, kMsgCommand, 1, 0);
    PostQuit(0);
  });
  EXPECT_EQ(0, RunMessageLoop());
  timer.join();
  EXPECT_FALSE(wrongThread);
  EXPECT_EQ(42, switched);
  EXPECT_EQ(80078, commanded);
  EXPECT_EQ(0, toGone);
  EXPECT_EQ((std::vector<std::string>{"handled 1184", "after 1184", "handled 273"}), order);
}

TEST_F(WindowsTest, MenusGreyedItemsCannotBeChosen) {
  WindowHandle main = LoggingWindow("main", kWindowVisible);
  MenuHandle bar = CreateMenu();
  MenuHandle setup = CreateMenu();
  AppendMenuItem(setup, 40046, "Site Configuration");
  AppendMenuItem(setup, 40014, "Site Business Rules");
  AppendSeparator(setup);
  AppendMenuItem(setup, 40043, "Summary of Settings", kMenuChecked);
  AppendSubmenu(bar, setup, "Setup");
  AppendMenuItem(bar, 40044, "Logging");
  AppendMenuItem(bar, 106, "Exit");
  MenuHandle plugins = CreateMenu();
  AppendMenuItem(plugins, 8000, "Timers");
  EXPECT_TRUE(InsertSubmenu(bar, 1, plugins, "Plugins"));
  SetWindowMenu(main, bar);
  ui_.PaintInvalid();
  log_.clear();

  EXPECT_TRUE(EnableMenuItem(bar, 0, true, false));  // the whole Setup popup, by position
  EXPECT_TRUE(EnableMenuItem(bar, 106, false, false));
  EXPECT_FALSE(EnableMenuItem(bar, 99999, false, false));
  EXPECT_FALSE(ui_.ChooseMenuCommand(main, 40046));
  EXPECT_FALSE(ui_.ChooseMenuCommand(main, 106));
  EXPECT_TRUE(ui_.ChooseMenuCommand(main, 8000));
  EnableMenuItem(bar, 0, true, true);
  EXPECT_TRUE(ui_.ChooseMenuCommand(main, 40046));
  PostQuit(0);
  RunMessageLoop();
  EXPECT_EQ((std::vector<std::string>{"main:273:8000", "main:273:40046"}), log_);

  std::vector<MenuItem> items = MenuItems(bar);
  ASSERT_EQ(4u, items.size());
  EXPECT_EQ("Plugins", items[1].text);
  EXPECT_TRUE(items[3].grayed);
  EXPECT_TRUE(MenuItems(setup)[3].checked);
  EXPECT_TRUE(MenuItems(setup)[2].separator);
  EXPECT_TRUE(RemoveMenuPosition(bar, 1));  // and the Plugins popup goes with it
  EXPECT_TRUE(MenuItems(plugins).empty());
  EXPECT_EQ(nullptr, SubMenu(bar, 1));

  // Pop-up menus: a greyed item is not chosen; a chosen one is posted or returned.
  MenuHandle tags = CreateMenu();
  AppendMenuItem(tags, 1048, "Delete metatag", kMenuGrayed);
  AppendMenuItem(tags, 1049, "Insert metatag");
  ui_.ScriptPopup(1048);
  ui_.ScriptPopup(1049);
  ui_.ScriptPopup(1049);
  EXPECT_EQ(0, TrackPopupMenu(tags, main, {300, 200}, true));
  EXPECT_EQ(1049, TrackPopupMenu(tags, main, {300, 200}, true));
  log_.clear();
  TrackPopupMenu(tags, main, {10, 20}, false);
  EXPECT_EQ(0, TrackPopupMenu(tags, main, {10, 20}, false));  // no script: nothing
  EXPECT_TRUE(PumpOneMessage(main));
  EXPECT_EQ(std::vector<std::string>{"main:273:1049"}, log_);
  ASSERT_EQ(4u, ui_.popups().size());
  EXPECT_EQ((Point{10, 20}), ui_.popups()[2].screen);
  DestroyWindow(main);
}

TEST_F(WindowsTest, CanvasRecordsAPaintRoutine) {
  const FontDescription title = MakeFont("Arial", 14, 700, kFamilySwiss);
  Bitmap logo{"156", 85, 85, {}};
  bool hooked = false;
  Rect painted;
  WindowHandle main = CreateWindow(
      {"Tagsteward", "Tagsteward", RectAt(0, 0, 640, 480), 0},
      [&](WindowHandle, unsigned m, WParam, LParam lp) -> LResult {
        if (m != kMsgPaint) return 0;
        Canvas* c = PaintCanvas(lp);
        painted = c->area();
        c->FillRect({0, 0, 636, 22}, Rgb(0xC0, 0xC0, 0xC0));
        c->FrameRect({0, 0, 636, 22}, Rgb(0xC0, 0xC0, 0xC0), 2);
        c->Line({0, 20}, {640, 20}, 0, 1);
        c->DrawBitmap(logo, RectAt(542, 21, 85, 85), {0, 0}, RasterOp::kOr);
        c->Text({50, 3}, "Rowing Club", {title, Rgb(0, 0, 0x80), true, 0});
        c->TextInRect({5, 105, 360, 170}, "A notice that wraps", {title, 0, false, 0xFFFFFF});
        return 0;
      });
  WindowHandle button =
      CreateControl(main, {1038, ControlKind::kPushButton, "Add Tag", RectAt(4, 392, 66, 40), 0});
  SetControlHook(button, [&](WindowHandle b, unsigned m, WParam wp, LParam lp) -> LResult {
    if (m == kMsgPaint) {
      hooked = true;
      PaintCanvas(lp)->DrawIcon({0, 0}, StockIcon::kInformation);
    }
    return DefaultWindowProc(b, m, wp, lp);
  });

  // Shown: painted whole. Then two requests become one paint of their union.
  ShowWindow(main, ShowState::kShow);
  EXPECT_TRUE(PumpOneMessage(main));
  EXPECT_EQ((Rect{0, 0, 640, 480}), painted);
  ui_.ClearCanvas();
  Rect left{0, 0, 100, 22}, right{500, 0, 636, 40};
  InvalidateWindow(main, &left);
  InvalidateWindow(main, &right);
  EXPECT_TRUE(PumpOneMessage(main));
  EXPECT_FALSE(PumpOneMessage(main));
  EXPECT_EQ((Rect{0, 0, 636, 40}), painted);

  const auto& calls = ui_.canvasCalls();
  ASSERT_EQ(6u, calls.size());
  using Op = CanvasCall::Op;
  EXPECT_EQ(Op::kFill, calls[0].op);
  EXPECT_EQ((Rect{0, 0, 636, 22}), calls[0].rect);
  EXPECT_EQ(0xC0C0C0u, calls[0].colour);
  EXPECT_EQ(Op::kFrame, calls[1].op);
  EXPECT_EQ(2, calls[1].penWidth);
  EXPECT_EQ(Op::kLine, calls[2].op);
  EXPECT_EQ((Point{640, 20}), calls[2].to);
  EXPECT_EQ(Op::kBitmap, calls[3].op);
  EXPECT_EQ("156", calls[3].bitmap);
  EXPECT_EQ(RasterOp::kOr, calls[3].rop);
  EXPECT_EQ((Rect{542, 21, 627, 106}), calls[3].rect);
  EXPECT_EQ(Op::kText, calls[4].op);
  EXPECT_EQ((Point{50, 3}), calls[4].from);
  EXPECT_EQ("Rowing Club", calls[4].text);
  EXPECT_EQ(0x800000u, calls[4].style.colour);  // 0x00BBGGRR: blue is the high byte
  EXPECT_STREQ("Arial", calls[4].style.font.faceName);
  EXPECT_EQ(700, calls[4].style.font.weight);
  EXPECT_TRUE(calls[4].style.transparent);
  EXPECT_EQ(Op::kTextInRect, calls[5].op);
  EXPECT_FALSE(calls[5].style.transparent);
  EXPECT_EQ(main, calls[5].window);

  // A hooked control paints on its own canvas when it is invalidated.
  ui_.ClearCanvas();
  InvalidateWindow(button, nullptr);
  UpdateWindow(button);
  EXPECT_TRUE(hooked);
  ASSERT_EQ(1u, ui_.canvasCalls().size());
  EXPECT_EQ(button, ui_.canvasCalls()[0].window);

  // A hidden window is not painted, however often it is marked.
  ShowWindow(main, ShowState::kHide);
  InvalidateWindow(main, nullptr);
  ui_.PaintInvalid();
  EXPECT_FALSE(PumpOneMessage(main));
  EXPECT_EQ(1u, ui_.canvasCalls().size());
  DestroyWindow(main);
  EXPECT_FALSE(IsWindow(button));
}

}  // namespace

namespace {

TEST_F(WindowsTest, WindowsComeAndGoWithTheirOwnedWindowsAndControls) {
  std::vector<std::string> events;
  auto tracer = [&](std::string name, LResult onCreate) {
    return [&events, name, onCreate](WindowHandle w, unsigned m, WParam wp, LParam lp) -> LResult {
      if (m == kMsgCreate) {
        events.push_back(name + " create " + reinterpret_cast<const WindowSpec*>(lp)->title);
        return onCreate;
      }
      if (m == kMsgDestroy) events.push_back(name + " destroy");
      if (m == kMsgSize) {
        Point size = PointOfParam(lp);
        events.push_back(name + " size " + std::to_string(size.x) + "x" + std::to_string(size.y));
      }
      return DefaultWindowProc(w, m, wp, lp);
    };
  };
  EXPECT_EQ(nullptr, CreateWindow({"Test", "refused", {}, 0}, tracer("refused", -1)));
  WindowHandle main = CreateWindow({"Test", "main", RectAt(0, 0, 640, 480), 0}, tracer("main", 0));
  WindowHandle box = CreateWindow(
      {"Notify", "box", RectAt(100, 60, 385, 80), kWindowToolWindow | kWindowTopmost, main},
      tracer("box", 0));
  WindowHandle edit =
      CreateControl(main, {1046, ControlKind::kEdit, "", RectAt(20, 36, 200, 18), kStyleDisabled});
  ASSERT_TRUE(box && edit);
  EXPECT_FALSE(IsWindowVisible(box));
  EXPECT_FALSE(IsWindowEnabled(edit));
  EXPECT_EQ(main, ParentWindow(edit));
  EXPECT_EQ(1046, ControlId(edit));

  FlashWindow(box);
  FlashWindow(nullptr);
  EXPECT_EQ(std::vector<WindowHandle>{box}, ui_.flashed());
  MoveWindow(box, RectAt(500, 60, 385, 80));  // moved only: no size message
  MoveWindow(main, RectAt(0, 0, 20, 20));
  ShowWindow(main, ShowState::kMinimise);
  EXPECT_TRUE(IsMinimised(main));
  ShowWindow(main, ShowState::kRestore);
  EXPECT_FALSE(IsMinimised(main));

  ui_.CloseWindow(main);  // the close box: the default destroys it, and what it owns
  EXPECT_FALSE(IsWindow(main));
  EXPECT_FALSE(IsWindow(box));
  EXPECT_FALSE(IsWindow(edit));
  EXPECT_EQ((std::vector<std::string>{"refused create refused", "refused destroy",
                                      "main create main", "box create box", "main size 20x20",
                                      "main destroy", "box destroy"}),
            events);
}

}  // namespace

namespace {

TEST_F(WindowsTest, HookedFieldsTakeTheirKeysFirst) {
  constexpr unsigned kNavSwap = 2;
  WindowHandle main = LoggingWindow("main", kWindowVisible);
  WindowHandle field = CreateControl(
      main, {1047, ControlKind::kEdit, "", RectAt(240, 36, 290, 18), kStyleAutoScroll});
  WindowHandle current = nullptr;
  SetControlHook(field, [&](WindowHandle f, unsigned m, WParam wp, LParam lp) -> LResult {
    if (m == kMsgKeyDown && wp == kKeyTab) {  // not for the field: the window navigates
      SendMessage(main, kMsgKeyDown, kKeyTab, kNavSwap);
      return 0;
    }
    if (m == kMsgTakeFocus) {
      current = f;
      SetFocus(f);
      return 0;
    }
    return DefaultWindowProc(f, m, wp, lp);
  });
  ui_.PaintInvalid();
  log_.clear();

  for (unsigned key : {unsigned('D'), unsigned('C'), unsigned('X'), unsigned(kKeyBack),
                       unsigned(kKeyTab), unsigned('.')})
    ui_.PressKey(field, key, 0);
  ui_.PressKey(field, 'q', kModControl);  // a command key types nothing
  while (PumpOneMessage(main)) {
  }
  EXPECT_EQ("DC.", ControlText(field));
  const std::string changed = "main:273:" + std::to_string(MakeWParam(1047, kNotifyTextChanged));
  EXPECT_EQ((std::vector<std::string>{changed, changed, changed, changed, "main:256:9", changed}),
            log_);

  SendMessage(field, kMsgTakeFocus, 0, 0);
  EXPECT_EQ(field, current);
  EXPECT_EQ(field, FocusWindow());
  EnableWindow(field, false);
  ui_.PressKey(field, 'Z', 0);
  PumpOneMessage(main);
  EXPECT_EQ("DC.", ControlText(field));  // a disabled field takes no typing
  DestroyWindow(main);
}

}  // namespace
