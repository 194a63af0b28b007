#include "ui/notify_box.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "plugins/context.h"
#include "tests/support/program_fixture.h"
#include "ui/main_window.h"

using namespace platform;

namespace {

class NotifyBoxTest : public testing_support::ProgramFixture {
 protected:
  void TearDown() override {
    if (hwndMain) DestroyWindow(hwndMain);
    hwndMain = nullptr;
    ProgramFixture::TearDown();
  }
};

TEST_F(NotifyBoxTest, SizedByItsTextAndPaintedAtOnce) {
  const std::string text(40, 'x');  // the headless screen's average character is 7 wide
  WindowHandle box = ShowNotifyBox(nullptr, text.c_str());
  ASSERT_NE(nullptr, box);
  EXPECT_EQ(RectAt(280 - 140, 150, 385, 80), WindowRect(box));
  EXPECT_TRUE(IsWindowVisible(box));
  EXPECT_EQ(std::vector<WindowHandle>{box}, ui_.flashed());

  bool filled = false, icon = false, drawn = false;
  for (const CanvasCall& c : ui_.canvasCalls()) {
    if (c.window != box) continue;
    if (c.op == CanvasCall::Op::kFill) filled = c.colour == 0x00C0C0C0 && c.rect.width() == 385;
    if (c.op == CanvasCall::Op::kIcon)
      icon = c.from == Point{20, 20} && c.icon == StockIcon::kInformation;
    if (c.op == CanvasCall::Op::kText) drawn = c.from == Point{70, 27} && c.text == text;
  }
  EXPECT_TRUE(filled);
  EXPECT_TRUE(icon);
  EXPECT_TRUE(drawn);
  DestroyWindow(box);
}

TEST_F(NotifyBoxTest, TopRightWhileTheMainWindowIsAwayNoneDuringATimedEvent) {
  WindowSpec spec;
  spec.className = "Tagsteward";
  spec.rect = RectAt(0, 0, 640, 480);
  spec.style = kWindowVisible;
  hwndMain = CreateWindow(spec, DefaultWindowProc);
  ShowWindow(hwndMain, ShowState::kMinimise);
  const char* text = "Counting files to be processed...";  // 33 characters
  WindowHandle box = ShowNotifyBox(hwndMain, text);
  ASSERT_NE(nullptr, box);
  EXPECT_EQ(RectAt(1024 - 231 - 105, 60, 336, 80), WindowRect(box));
  // The box belongs to its owner and goes with it.
  DestroyWindow(hwndMain);
  hwndMain = nullptr;
  EXPECT_FALSE(IsWindow(box));

  for (int busy : {1001, 11}) {
    gPluginContext.busy = busy;
    EXPECT_EQ(nullptr, ShowNotifyBox(nullptr, text)) << busy;
  }
  gPluginContext.busy = 10;
  box = ShowNotifyBox(nullptr, text);
  EXPECT_NE(nullptr, box);
  DestroyWindow(box);
  gPluginContext.busy = 0;
}

}  // namespace
