#include "schema/value_choosers.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "config/settings.h"
#include "engine/page_ops.h"
#include "engine/page_tags.h"
#include "platform/text.h"
#include "schema/schema.h"
#include "tests/support/program_fixture.h"

using namespace testing_support;
using platform::DialogScript;
using platform::HeadlessUi;
using platform::WindowHandle;

namespace {

using Lines = std::vector<std::string>;

class ValueChoosersTest : public ProgramFixture {
 protected:
  // Runs a chooser under script; returns its answer and leaves the request's text in text_.
  bool Run(bool multiple, const char* options, const char* start, DialogScript script) {
    ChooserRequest request{120, 90, options, ""};
    platform::CopyText(request.text, start);
    DialogScript placed;
    placed.Then([&](HeadlessUi& ui, WindowHandle d) { at_ = ui.WindowRect(d); });
    for (const DialogScript::Step& step : script.steps())
      placed.Then(step);
    ui_.ScriptDialog(multiple ? "Multiple Selection" : "Select Value", placed);
    const bool ok = multiple ? ChooseValues(nullptr, &request) : ChooseValue(nullptr, &request);
    text_ = request.text;
    return ok;
  }
  Lines Items(int id) const { return ui_.dialogs().back().control(id)->items; }
  std::string text_;
  platform::Rect at_;
};

TEST_F(ValueChoosersTest, SelectValueReturnsTheCodeOfTheChosenLineOnlyOnOk) {
  WriteFile(home_ / "Codes.ST", "B01,Mining and quarrying\r\nA02,Farming\r\n");
  const std::string longValue(2000, 'x');
  struct Case {
    const char* options;
    DialogScript script;
    bool ok;
    std::string text;
    Lines items;
    Lines boxes;
  };
  const Case cases[] = {
      {"red,blue,green",
       DialogScript().Choose(kIdChooseList, 1).Click(platform::kCommandOk),
       true,
       "green",
       {"blue", "green", "red"},
       {}},
      {"[Codes.ST]",
       DialogScript().DoubleClick(kIdChooseList, 0),
       true,
       "A02",
       {"A02,Farming", "B01,Mining and quarrying"},
       {}},
      {"red,blue", DialogScript().Click(platform::kCommandOk), true, "blue", {"blue", "red"}, {}},
      {"red,blue", DialogScript(), false, "DC.Type", {"blue", "red"}, {}},  // Escape
      {"red,blue", DialogScript().Close(), false, "DC.Type", {"blue", "red"}, {}},
      {"[",
       DialogScript().Click(platform::kCommandOk),
       false,
       "DC.Type",
       {},
       {"CRITICAL ERROR!|M039:Error opening thesaurus file ["}},
      {longValue.c_str(),
       DialogScript().Click(platform::kCommandOk),
       true,
       longValue.substr(0, 1023),
       {longValue},
       {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.options).substr(0, 20));
    ui_.Clear();
    EXPECT_EQ(c.ok, Run(false, c.options, "DC.Type", c.script));
    EXPECT_EQ(c.text, text_);
    EXPECT_EQ(c.items, Items(kIdChooseList));
    EXPECT_EQ(c.boxes, BoxLines());
    EXPECT_EQ("DC.Type", ui_.dialogs().back().title);
    EXPECT_EQ(platform::RectAt(120, 90, 320, 260), at_);
  }
  EXPECT_EQ("Choose a metatag value from this list:",
            ui_.dialogs().back().control(kIdChooseLabel)->text);
}

TEST_F(ValueChoosersTest, MultipleSelectionBuildsTheValueInListOrder) {
  WriteFile(home_ / "keys.lsm", "a,b\r\nc\n");
  std::string file, joined;
  Lines many;
  for (int i = 1000; i < 1300; ++i) {
    many.push_back("value" + std::to_string(i));
    file += many.back() + "\n";
    joined += (joined.empty() ? "" : ",") + many.back();
  }
  WriteFile(home_ / "many.LSM", file);
  auto typeAndEnter = [](HeadlessUi& ui, WindowHandle d) {
    WindowHandle text = ui.FindControl(d, kIdMultiText);
    ui.TypeText(text, "typed");
    ui.PressKey(text, platform::kKeyReturn, 0);
  };
  struct Case {
    const char* options;
    const char* start;
    DialogScript script;
    std::string text;
    Lines chosen;  // as the list stood when the dialog closed
  };
  const Case cases[] = {
      {"[keys.lsm]", "",
       DialogScript()
           .Choose(kIdMultiValues, 2)
           .Click(kIdMultiAdd)
           .Choose(kIdMultiValues, 0)
           .Click(kIdMultiAdd)
           .Click(platform::kCommandOk),
       "a,c", Lines{"a", "c"}},
      {"[keys.lsm]", "b,",
       DialogScript()
           .Type(kIdMultiText, "zeta")
           .Click(kIdMultiAdd)
           .Click(kIdMultiAddAll)
           .Choose(kIdMultiChosen, 0)
           .Click(kIdMultiRemove)
           .Close()  // no way out but OK
           .Click(platform::kCommandOk),
       "b,c,zeta", Lines{"b", "c", "zeta"}},
      {"[keys.lsm]", "b", DialogScript().Then(typeAndEnter).Click(platform::kCommandOk), "b,typed",
       Lines{"b", "typed"}},
      {"[keys.lsm]", "a,b", DialogScript().Click(kIdMultiRemoveAll).Click(platform::kCommandOk), "",
       Lines{}},
      {"[many.LSM]", "", DialogScript().Click(kIdMultiAddAll).Click(platform::kCommandOk),
       joined.substr(0, 1023), many},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.start);
    EXPECT_TRUE(Run(true, c.options, c.start, c.script));
    EXPECT_EQ(c.text, text_);
    EXPECT_EQ(c.chosen, Items(kIdMultiChosen));
    EXPECT_EQ("", ui_.dialogs().back().control(kIdMultiText)->text);
    EXPECT_EQ(platform::RectAt(120, 90, 480, 320), at_);
  }
  EXPECT_EQ("keys.lsm", ui_.dialogs()[0].control(kIdMultiFile)->text);
  EXPECT_EQ((Lines{"a", "b", "c"}), ui_.dialogs()[0].control(kIdMultiValues)->items);
  EXPECT_TRUE(BoxLines().empty());

  // With ";" as separator a current value "x;y;" chooses x and y only.
  DecodeDisplayOptions(1 | 128);
  EXPECT_TRUE(Run(true, "[keys.lsm]", "x;y;", DialogScript().Click(platform::kCommandOk)));
  EXPECT_EQ("x;y", text_);
  EXPECT_EQ((Lines{"x", "y"}), Items(kIdMultiChosen));
}

TEST_F(ValueChoosersTest, MultipleSelectionErrorsCloseItAndKeepTheText) {
  std::string thousand;
  for (int i = 0; i < 1000; ++i)
    thousand += "v" + std::to_string(i) + "\n";
  WriteFile(home_ / "big.lsm", thousand);
  struct Case {
    const char* options;
    const char* message;
  } cases[] = {
      {"big.lsm", "M038:Error opening multilist file [2]"},
      {"[missing.lsm]", "M034:Error opening multilist file [1]"},
      {"[big.lsm]", "M036:Maximum number of tags exceeded"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.options);
    ui_.Clear();
    // Whatever the user would do, the dialog is already gone.
    EXPECT_FALSE(Run(true, c.options, "old", DialogScript().Click(platform::kCommandOk)));
    EXPECT_EQ("old", text_);
    EXPECT_EQ((Lines{std::string("CRITICAL ERROR!|") + c.message}), BoxLines());
    EXPECT_NE(platform::kCommandOk, ui_.dialogs().back().result);
  }
}

TEST_F(ValueChoosersTest, AddedTagTakesTheValueChosenBesideTheWindow) {
  ASSERT_EQ(0, ReservePageTags());
  WriteFile(home_ / "META.IDX", "DC.Type, {red,blue,green}\nDC.Subject, {x,y}\n");
  ASSERT_EQ(0, ReserveSchemaTables());
  ASSERT_EQ(0, LoadSchema());
  InstallAddTagChooser();
  WindowHandle window = platform::CreateWindow(
      {"Tagsteward", "main", platform::RectAt(100, 50, 640, 480), 0}, platform::DefaultWindowProc);
  EXPECT_EQ((platform::Point{335, 130}), ClientToScreen(window, 235, 80));

  platform::Rect at;
  ui_.ScriptDialog("Select Value",
                   DialogScript()
                       .Then([&](HeadlessUi& ui, WindowHandle d) { at = ui.WindowRect(d); })
                       .Choose(kIdChooseList, 2)
                       .Click(platform::kCommandOk));
  ASSERT_EQ(0, AddPageTag(window, "DC.Type"));
  ui_.ScriptDialog("Select Value", DialogScript().Close());  // the tag name stays the value
  ASSERT_EQ(0, AddPageTag(window, "DC.Subject"));
  std::vector<std::string> table;
  for (int i = 0; i < Tagcount; ++i)
    table.push_back(std::string(PageTags[i].name) + "=" + PageTags[i].value);
  EXPECT_EQ((Lines{"DC.Type=red", "DC.Subject=DC.Subject"}), table);
  EXPECT_EQ("DC.Type", ui_.dialogs()[0].title);
  EXPECT_EQ((platform::Point{335, 130}), (platform::Point{at.left, at.top}));
  platform::DestroyWindow(window);
  SetAddTagChooser(nullptr);
  ReleasePageTags();
  ReleaseSchemaTables();
}

}  // namespace
