#include "tree/branch_tasks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "config/settings.h"
#include "config/settings_dialogs.h"
#include "engine/head_reader.h"
#include "platform/fs.h"
#include "platform/profile.h"
#include "platform/text.h"
#include "plugins/context.h"
#include "tests/support/site_fixture.h"
#include "tree/document_selection.h"
#include "tree/tasks.h"

using namespace testing_support;
using platform::DialogScript;
using platform::HeadlessUi;
using platform::WindowHandle;
using Names = std::vector<std::string>;

namespace {

class BranchTasksTest : public SiteFixture {
 protected:
  void SetUp() override {
    SiteFixture::SetUp();
    Reset();
  }
  // The tree, the rules and the branch as each case starts.
  void Reset() {
    for (const char* doc : {"index.htm", "a/a1.htm", "a/c/c1.htm", "b/b1.htm"})
      Put(doc, Doc({{"Keywords", "page"}}));
    Put("a/meta.tag", "<HEAD>\n<meta name=\"Keywords\" content=\"tree\">\n</HEAD>\n");
    gPluginContext.confirmation = 0;
    ui_.SetAnswerYes(true);
    strategy = 0;
    WriteFile(home_ / "META.INI", "[Config:Test Site]\nStrategy=0\n");
    platform::CopyText(gBranch, At("a"));
  }
  // The documents whose tags were deleted.
  Names Emptied() {
    Names out;
    for (const char* doc : {"index.htm", "a/a1.htm", "a/c/c1.htm", "b/b1.htm"})
      if (ReadFile(At(doc)).find("Keywords") == std::string::npos) out.push_back(doc);
    return out;
  }
  std::string Here() {
    std::string dir;
    platform::Fs().CurrentDir(&dir);
    return dir;
  }
};

TEST_F(BranchTasksTest, MovesInsideTheSiteOnlyRunsThereAndRestoresTheSite) {
  struct Row {
    std::vector<int> moves;  // list entries double-clicked in turn
    int task;                // chosen from the menu; 0 none
    bool fromMenuBar;        // the branch comes from the selection dialog
    Names listed;            // the list when the task was chosen
    Names emptied;
  };
  const Row rows[] = {
      {{}, kTaskDeleteAll, false, {"[..]", "[c]"}, {"a/a1.htm", "a/c/c1.htm"}},
      {{1}, kTaskDeleteAll, false, {"[..]"}, {"a/c/c1.htm"}},
      // Up to the root, which has no way further up.
      {{0},
       kTaskDeleteAll,
       false,
       {"[a]", "[b]"},
       {"a/a1.htm", "a/c/c1.htm", "b/b1.htm", "index.htm"}},
      {{0, 0}, kTaskDeleteAll, false, {"[..]", "[c]"}, {"a/a1.htm", "a/c/c1.htm"}},
      {{}, kTaskDeleteAll, true, {"[..]"}, {"b/b1.htm"}},
      {{}, 0, false, {"[..]", "[c]"}, {}},
  };
  for (const Row& row : rows) {
    Reset();
    Names listed;
    DialogScript script;
    for (int index : row.moves)
      script.DoubleClick(kIdBranchList, index);
    script.Then([&](HeadlessUi& ui, WindowHandle d) {
      WindowHandle list = ui.FindControl(d, kIdBranchList);
      for (int i = 0; i < ui.ListCount(list); ++i)
        listed.push_back(ui.ListItemText(list, i));
    });
    if (row.task) {
      ui_.ScriptPopup(row.task);
      script.Click(kIdBranchTasks);
    }
    script.Click(kIdBranchDone);
    if (row.fromMenuBar) {
      ASSERT_EQ(0, platform::Fs().ChangeDir(site_));
      ui_.ScriptDialog(kSelectTitle,
                       DialogScript().Choose(kIdSelectDirectories, 1).Click(kIdSelectBranch));
      ui_.ScriptDialog(kBranchTasksTitle, script);
      BranchTasksCommand(nullptr);
    } else {
      ui_.ScriptDialog(kBranchTasksTitle, script);
      BranchTasksDialog(nullptr);
    }
    std::string n = std::to_string(&row - rows);
    EXPECT_EQ(row.listed, listed) << n;
    Names emptied = Emptied();
    std::sort(emptied.begin(), emptied.end());
    EXPECT_EQ(row.emptied, emptied) << n;
    EXPECT_EQ(site_ + "/", RootPath) << n;
    EXPECT_EQ(site_, Here()) << n;
    ASSERT_FALSE(ui_.dialogs().empty());
    EXPECT_EQ(gBranch, ui_.dialogs().back().title) << n;
  }
}

TEST_F(BranchTasksTest, TemporaryRulesHoldForTheRunsAndAreNeitherKeptNorSaved) {
  const struct {
    int rulesButton;  // clicked in "Temporary Business Rules"; 0: not opened
    int rulesResult;  // OK or Cancel
    int keywords;     // Keywords tags a1.htm has after inheriting
  } rows[] = {
      {kIdRulesInheritedFirst + 2, platform::kCommandOk, 2},  // ANY may be duplicated
      {kIdRulesInheritedFirst + 2, platform::kCommandCancel, 1},
      {0, 0, 1},
  };
  for (const auto& row : rows) {
    Reset();
    std::string shownBranch;
    DialogScript script;
    script.DoubleClick(kIdBranchList, 0).DoubleClick(kIdBranchList, 0);  // up and back: a/
    if (row.rulesButton) {
      ui_.ScriptDialog("Temporary Business Rules",
                       DialogScript()
                           .Then([&](HeadlessUi& ui, WindowHandle d) {
                             shownBranch = ui.ControlText(ui.FindControl(d, kIdRulesBranch));
                           })
                           .Click(row.rulesButton)
                           .Click(row.rulesResult));
      script.Click(kIdBranchOverride);
    }
    ui_.ScriptPopup(kTaskInherit);
    script.Click(kIdBranchTasks).Close();
    ui_.ScriptDialog(kBranchTasksTitle, script);
    BranchTasksDialog(nullptr);
    std::string a1 = ReadFile(At("a/a1.htm"));
    int count = 0;
    for (size_t at = 0; (at = a1.find("Keywords", at)) != std::string::npos; ++at)
      ++count;
    std::string n = std::to_string(&row - rows);
    EXPECT_EQ(row.rulesButton ? At("a") : "", shownBranch) << n;
    EXPECT_EQ(row.keywords, count) << n;
    EXPECT_EQ(0, strategy) << n;
    EXPECT_EQ("[Config:Test Site]\nStrategy=0\n", ReadFile(home_ / "META.INI")) << n;
  }
}

}  // namespace
