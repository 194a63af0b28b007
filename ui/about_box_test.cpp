#include "ui/about_box.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/version.h"
#include "tests/support/program_fixture.h"

using namespace platform;

namespace {

class AboutBoxTest : public testing_support::ProgramFixture {
 protected:
  // The texts the about box drew, in order, as "x,y:text".
  std::vector<std::string> TextsOf(WindowHandle dialog) const {
    std::vector<std::string> texts;
    for (const CanvasCall& c : ui_.canvasCalls())
      if (c.window == dialog && (c.op == CanvasCall::Op::kText))
        texts.push_back(std::to_string(c.from.x) + "," + std::to_string(c.from.y) + ":" + c.text);
    return texts;
  }
  bool Drew(WindowHandle dialog, const std::string& line) const {
    for (const std::string& t : TextsOf(dialog))
      if (t == line) return true;
    return false;
  }
};

TEST_F(AboutBoxTest, ShowsTheProductVersionAndSystemAndClosesWithOk) {
  Rect placed;
  ui_.ScriptDialog("AboutBox",
                   DialogScript()
                       .Then([&](HeadlessUi&, WindowHandle d) { placed = WindowRect(d); })
                       .Click(kCommandOk));
  EXPECT_EQ(1, AboutBox(nullptr));
  ASSERT_EQ(1u, ui_.dialogs().size());
  const DialogRecord& about = ui_.dialogs()[0];
  EXPECT_EQ("About Zelvane Tagsteward", about.title);
  EXPECT_EQ(100, placed.left);
  EXPECT_EQ(150, placed.top);
  EXPECT_FALSE(placed.empty());

  const std::vector<std::string> texts = TextsOf(about.handle);
  EXPECT_TRUE(Drew(about.handle, std::string("80,10:Zelvane Tagsteward  ") + szVer));
  EXPECT_TRUE(Drew(about.handle, "5,83:Running on :"));
  bool system = false;
  for (const std::string& t : texts)
    system = system || t.rfind("70,83:Linux ", 0) == 0;
  EXPECT_TRUE(system) << "no system line";
  for (const CanvasCall& c : ui_.canvasCalls()) {
    if (c.window != about.handle) continue;
    if (c.op == CanvasCall::Op::kTextInRect) {
      EXPECT_EQ((Rect{5, 105, 360, 170}), c.rect);
      EXPECT_EQ(11, c.style.font.height);
    }
    if (c.op == CanvasCall::Op::kText) {
      EXPECT_EQ(14, c.style.font.height);
    }
  }

  // Escape (the script's end without a click) closes it as well.
  EXPECT_EQ(2, AboutBox(nullptr));
  EXPECT_EQ(2u, ui_.dialogs().size());
}

TEST_F(AboutBoxTest, TheHiddenLinesNeedTheRightPlacesInOrder) {
  auto rightDoubleClick = [](int x, int y) {
    return [x, y](HeadlessUi&, WindowHandle d) {
      SendMessage(d, kMsgRButtonDblClk, 0, MakePointParam(x, y));
    };
  };
  const std::string credit = "20,20:Tagsteward was made by a small team:";
  bool shownTooEarly = true;
  bool shown = false;
  bool hiddenAgain = false;
  WindowHandle dialog = nullptr;
  ui_.ScriptDialog("AboutBox", DialogScript()
                                   .Then([&](HeadlessUi&, WindowHandle d) { dialog = d; })
                                   // Out of order: picture, then the corner, then the label.
                                   .Then(rightDoubleClick(10, 10))
                                   .Then(rightDoubleClick(360, 200))
                                   .Then(rightDoubleClick(20, 90))
                                   .Then([&](HeadlessUi& ui, WindowHandle d) {
                                     shownTooEarly = Drew(d, credit);
                                     ui.ClearCanvas();
                                   })
                                   .Then(rightDoubleClick(10, 10))
                                   .Then(rightDoubleClick(20, 90))
                                   .Then(rightDoubleClick(360, 200))
                                   .Then([&](HeadlessUi& ui, WindowHandle d) {
                                     shown = Drew(d, credit);
                                     ui.ClearCanvas();
                                   })
                                   .Then(rightDoubleClick(200, 50))
                                   .Then([&](HeadlessUi&, WindowHandle d) {
                                     hiddenAgain = !Drew(d, credit) && Drew(d, "5,83:Running on :");
                                   })
                                   .Click(kCommandOk));
  EXPECT_EQ(1, AboutBox(nullptr));
  ASSERT_NE(nullptr, dialog);
  EXPECT_FALSE(shownTooEarly);
  EXPECT_TRUE(shown);
  EXPECT_TRUE(hiddenAgain);
}

TEST_F(AboutBoxTest, StringsShareOneBuffer) {
  const char* first = LoadResString(507);
  EXPECT_STREQ("Zelvane Tagsteward", first);
  const char* second = LoadResString(505);
  EXPECT_EQ(first, second);
  EXPECT_STREQ(szVer, second);
  EXPECT_STREQ("", LoadResString(9999));
}

}  // namespace
