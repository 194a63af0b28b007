#include "schema/value_choosers.h"

#include <gtest/gtest.h>

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
using Lines = std::vector<std::string>;

namespace {

constexpr int kOk = platform::kCommandOk;

struct Case {
  const char* options;
  const char* start;
  DialogScript script;
  const char* text;  // nullptr: not closed with OK, the text is left as it was
  const char* box;   // the coded message shown, if any
};

class ValueChoosersTest : public ProgramFixture {
 protected:
  // Runs each case's chooser under its script and checks what it gave and where it stood.
  void RunCases(bool multiple, const std::vector<Case>& cases) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.options).substr(0, 20) + " " + c.start);
      ui_.Clear();
      ChooserRequest request{120, 90, c.options, ""};
      platform::CopyText(request.text, c.start);
      platform::Rect at;
      DialogScript script;
      script.Then([&](HeadlessUi& ui, WindowHandle d) { at = ui.WindowRect(d); });
      for (const DialogScript::Step& step : c.script.steps())
        script.Then(step);
      ui_.ScriptDialog(multiple ? "Multiple Selection" : "Select Value", script);
      const bool ok = multiple ? ChooseValues(nullptr, &request) : ChooseValue(nullptr, &request);
      EXPECT_EQ(c.text != nullptr, ok);
      EXPECT_EQ(c.text ? c.text : c.start, std::string(request.text));
      EXPECT_EQ(*c.box ? Lines{std::string("CRITICAL ERROR!|") + c.box} : Lines{}, BoxLines());
      if (ok) {
        EXPECT_EQ((platform::Point{120, 90}), (platform::Point{at.left, at.top}));
      }
    }
  }
};

TEST_F(ValueChoosersTest, SelectValueGivesTheCodeOfTheSortedLineChosenWithOk) {
  WriteFile(home_ / "Codes.ST", "B01,Mining and quarrying\r\nA02,Farming\r\n");
  const std::string longValue(2000, 'x');
  const std::string cut = longValue.substr(0, 1023);
  const DialogScript ok = DialogScript().Click(kOk);
  RunCases(false,
           {
               {"red,blue,green", "Tag", DialogScript().Choose(kIdChooseList, 1).Click(kOk),
                "green", ""},
               {"red,blue", "Tag", ok, "blue", ""},
               {"[Codes.ST]", "Tag", DialogScript().DoubleClick(kIdChooseList, 0), "A02", ""},
               {"red,blue", "Tag", DialogScript().Close(), nullptr, ""},  // as Escape does
               {"[", "Tag", ok, nullptr, "M039:Error opening thesaurus file ["},
               {longValue.c_str(), "Tag", ok, cut.c_str(), ""},
           });
  const platform::DialogRecord& d = ui_.dialogs()[2];
  EXPECT_EQ("Tag", d.title);
  EXPECT_EQ((Lines{"A02,Farming", "B01,Mining and quarrying"}), d.control(kIdChooseList)->items);
  EXPECT_EQ("Choose a metatag value from this list:", d.control(kIdChooseLabel)->text);
}

TEST_F(ValueChoosersTest, MultipleSelectionJoinsTheChosenValuesInListOrder) {
  WriteFile(home_ / "keys.lsm", "a,b\r\nc\n");
  std::string thousand;
  for (int i = 1000; i < 2000; ++i)
    thousand += std::to_string(i) + "\n";
  WriteFile(home_ / "big.lsm", thousand);
  auto typeAndEnter = [](HeadlessUi& ui, WindowHandle d) {
    WindowHandle text = ui.FindControl(d, kIdMultiText);
    ui.TypeText(text, "typed");
    ui.PressKey(text, platform::kKeyReturn, 0);
  };
  const DialogScript ok = DialogScript().Click(kOk);
  DialogScript edit = DialogScript().Type(kIdMultiText, "zeta").Click(kIdMultiAdd);
  edit.Click(kIdMultiAddAll).Choose(kIdMultiChosen, 0).Click(kIdMultiRemove).Close().Click(kOk);
  DialogScript pick = DialogScript().Choose(kIdMultiValues, 2).Click(kIdMultiAdd);
  pick.Choose(kIdMultiValues, 0).Click(kIdMultiAdd).Click(kOk);
  RunCases(true,
           {
               {"[keys.lsm]", "", pick, "a,c", ""},
               {"[keys.lsm]", "b,", edit, "b,c,zeta", ""},  // closing it does nothing
               {"[keys.lsm]", "c", DialogScript().Then(typeAndEnter).Click(kOk), "c,typed", ""},
               {"[keys.lsm]", "a,b", DialogScript().Click(kIdMultiRemoveAll).Click(kOk), "", ""},
               {"keys.lsm", "old", ok, nullptr, "M038:Error opening multilist file [2]"},
               {"[big.lsm]", "old", ok, nullptr, "M036:Maximum number of tags exceeded"},
           });
  EXPECT_EQ("keys.lsm", ui_.dialogs()[0].control(kIdMultiFile)->text);
  EXPECT_EQ((Lines{"a", "b", "c"}), ui_.dialogs()[0].control(kIdMultiValues)->items);

  DecodeDisplayOptions(1 | 128);  // ";" separates values
  RunCases(true, {{"[keys.lsm]", "x;y;", ok, "x;y", ""}});
}

TEST_F(ValueChoosersTest, AnAddedTagTakesTheValueChosenBesideTheWindow) {
  WriteFile(home_ / "META.IDX", "DC.Type, {red,blue,green}\n");
  ASSERT_EQ(0, ReservePageTags());
  ASSERT_EQ(0, ReserveSchemaTables());
  ASSERT_EQ(0, LoadSchema());
  InstallAddTagChooser();
  WindowHandle window = platform::CreateWindow(
      {"Tagsteward", "main", platform::RectAt(100, 50, 640, 480), 0}, platform::DefaultWindowProc);
  platform::Rect at;
  DialogScript script;
  script.Then([&](HeadlessUi& ui, WindowHandle d) { at = ui.WindowRect(d); });
  ui_.ScriptDialog("Select Value", script.Choose(kIdChooseList, 2).Click(kOk));
  ASSERT_EQ(0, AddPageTag(window, "DC.Type"));
  EXPECT_STREQ("red", PageTags[0].value);
  EXPECT_EQ((platform::Rect{335, 130, 655, 390}), at);  // client point 235, 80
  SetAddTagChooser(nullptr);
  ReleasePageTags();
  ReleaseSchemaTables();
}

}  // namespace
