#include "tree/branch_tasks.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/settings.h"
#include "config/settings_dialogs.h"
#include "platform/fs.h"
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
    gPluginContext.confirmation = 0;
    ui_.SetAnswerYes(true);
  }
  // The tree, the rules and the branch as each case starts.
  void Reset() {
    for (const char* doc : kDocs)
      Put(doc, Doc({{"Keywords", "page"}}));
    // A branch run reads the tree tags from the branch down.
    for (const char* dir : {"", "a/", "a/c/", "b/"})
      Put(std::string(dir) + "meta.tag",
          "<HEAD>\n<meta name=\"Keywords\" content=\"tree\">\n</HEAD>\n");
    strategy = 0;  // the tree tag takes the place of the page's
    WriteFile(home_ / "META.INI", "[Config:Test Site]\nStrategy=0\n");
    platform::CopyText(gBranch, At("a"));
    ASSERT_EQ(0, platform::Fs().ChangeDir(site_));
  }
  // Each document's Keywords: "page", "tree" (inherited) or "both".
  Names Keywords() {
    Names out;
    for (const char* doc : kDocs) {
      std::string text = ReadFile(At(doc));
      bool page = text.find("\"page\"") != std::string::npos;
      bool tree = text.find("\"tree\"") != std::string::npos;
      out.push_back(page && tree ? "both" : tree ? "tree" : "page");
    }
    return out;
  }
  static constexpr const char* kDocs[] = {"index.htm", "a/a1.htm", "a/c/c1.htm", "b/b1.htm"};
};

TEST_F(BranchTasksTest, RunsOnTheBranchMovedInsideTheSiteWithItsRulesThenRestoresTheSite) {
  struct Row {
    std::vector<int> moves;  // list entries double-clicked in turn
    int rules;               // OK or Cancel in "Temporary Business Rules" (ANY duplicated); 0
    bool inherit;            // chosen from the task menu
    bool fromMenuBar;        // the branch comes from the selection dialog
    Names listed;            // the list when the task was chosen
    Names keywords;          // of index, a1, c1, b1
  };
  const Row rows[] = {
      {{}, 0, true, false, {"[..]", "[c]"}, {"page", "tree", "tree", "page"}},
      {{1}, 0, true, false, {"[..]"}, {"page", "page", "tree", "page"}},
      // Up to the root, which has no way further up.
      {{0}, 0, true, false, {"[a]", "[b]"}, {"tree", "tree", "tree", "tree"}},
      {{0, 0}, 0, true, false, {"[..]", "[c]"}, {"page", "tree", "tree", "page"}},
      {{}, 0, true, true, {"[..]"}, {"page", "page", "page", "tree"}},
      {{}, 0, false, false, {"[..]", "[c]"}, {"page", "page", "page", "page"}},
      {{}, platform::kCommandOk, true, false, {"[..]", "[c]"}, {"page", "both", "both", "page"}},
      {{},
       platform::kCommandCancel,
       true,
       false,
       {"[..]", "[c]"},
       {"page", "tree", "tree", "page"}},
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
    if (row.rules) {
      ui_.ScriptDialog("Temporary Business Rules",
                       DialogScript().Click(kIdRulesInheritedFirst + 2).Click(row.rules));
      script.Click(kIdBranchOverride);
    }
    if (row.inherit) {
      ui_.ScriptPopup(kTaskInherit);
      script.Click(kIdBranchTasks);
    }
    script.Click(kIdBranchDone);
    if (row.fromMenuBar)
      ui_.ScriptDialog(kSelectTitle,
                       DialogScript().Choose(kIdSelectDirectories, 1).Click(kIdSelectBranch));
    ui_.ScriptDialog(kBranchTasksTitle, script);
    row.fromMenuBar ? BranchTasksCommand(nullptr) : BranchTasksDialog(nullptr);
    std::string n = std::to_string(&row - rows);
    EXPECT_EQ(row.listed, listed) << n;
    EXPECT_EQ(row.keywords, Keywords()) << n;
    EXPECT_EQ(site_ + "/", RootPath) << n;
    EXPECT_EQ(0, strategy) << n;
    EXPECT_EQ("[Config:Test Site]\nStrategy=0\n", ReadFile(home_ / "META.INI")) << n;
    std::string here;
    platform::Fs().CurrentDir(&here);
    EXPECT_EQ(site_, here) << n;
    ASSERT_FALSE(ui_.dialogs().empty());
    EXPECT_EQ(gBranch, ui_.dialogs().back().title) << n;
  }
}

}  // namespace
