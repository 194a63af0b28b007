#include "tree/task_dialog.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/settings.h"
#include "engine/head_reader.h"
#include "engine/page_tags.h"
#include "platform/text.h"
#include "plugins/context.h"
#include "tests/support/site_fixture.h"
#include "tree/tasks.h"
#include "tree/walker.h"

using namespace testing_support;
using platform::DialogScript;
using platform::HeadlessUi;
using platform::WindowHandle;

namespace {

class TaskDialogTest : public SiteFixture {
 protected:
  void SetUp() override {
    SiteFixture::SetUp();
    gPluginContext.confirmation = 0;
    gTask = TaskParameters{};
    SetTaskDialog(SearchReplaceDeleteDialog);
  }
  void TearDown() override {
    SetTaskDialog(nullptr);
    SiteFixture::TearDown();
  }
  // The texts painted on the dialog of the given record.
  std::vector<std::string> Painted(const platform::DialogRecord& dialog) const {
    std::vector<std::string> texts;
    for (const platform::CanvasCall& c : ui_.canvasCalls())
      if (c.window == dialog.handle && c.op == platform::CanvasCall::Op::kText)
        texts.push_back(c.text);
    return texts;
  }
  std::vector<std::string> TagsOf(const std::string& relative) {
    EXPECT_EQ(0, ReadPageTags(nullptr, At(relative).c_str()));
    std::vector<std::string> out;
    for (int i = 0; i < Tagcount; ++i)
      out.push_back(std::string(PageTags[i].name) + "=" + PageTags[i].value);
    return out;
  }
};

TEST_F(TaskDialogTest, SearchOpensWithDefaultsAndHandsOverWhatWasEntered) {
  std::vector<std::string> names;
  std::string path;
  int showAtOpen = -1, caseAtOpen = -1;
  ui_.ScriptDialog("Search for metatag",
                   DialogScript()
                       .Then([&](HeadlessUi& ui, WindowHandle d) {
                         WindowHandle combo = ui.FindControl(d, kIdTaskTagName);
                         for (int i = 0; i < ui.ListCount(combo); ++i)
                           names.push_back(ui.ListItemText(combo, i));
                         path = ui.ControlText(ui.FindControl(d, kIdTaskReportFile));
                         showAtOpen = ui.CheckStateOf(ui.FindControl(d, kIdTaskShowResults));
                         caseAtOpen = ui.CheckStateOf(ui.FindControl(d, kIdTaskCaseSensitive));
                       })
                       .Type(kIdTaskTagName, "dc.title")  // a name typed, not chosen
                       .Type(kIdTaskValueFilter, "row")
                       .Type(kIdTaskReportFile, home_ / "found.htm")
                       .Click(kIdTaskShowResults)
                       .Click(kIdTaskCaseSensitive)
                       .Click(platform::kCommandOk));

  ASSERT_EQ(0, PrepareTask(nullptr, kTaskSearch));

  // The schema's names in schema order.
  EXPECT_EQ((std::vector<std::string>{"AD.Expiry Date", "AD.Review Date", "DC.Creator.Contact",
                                      "DC.Identifier", "DC.Title", "Keywords"}),
            names);
  EXPECT_EQ(home_ / "MetaSearch.htm", path);
  EXPECT_EQ(platform::kChecked, showAtOpen);
  EXPECT_EQ(platform::kChecked, caseAtOpen);
  EXPECT_EQ(kSearchPlain, gTask.searchKind);
  EXPECT_STREQ("DC.TITLE", gTask.tagName);  // a caseless search looks in capitals
  EXPECT_STREQ("ROW", gTask.valueFilter);
  EXPECT_EQ(0, gTask.showResults);
  EXPECT_EQ(0, gTask.caseSensitive);
  EXPECT_EQ(home_ / "found.htm", std::string(gTask.reportPath));
  EXPECT_TRUE(Exists(home_ / "found.htm"));
  EXPECT_FALSE(Exists(home_ / "MetaSearch.htm"));

  ASSERT_EQ(1u, ui_.dialogs().size());
  EXPECT_EQ((std::vector<std::string>{
                "Search document tree for this Metatag:", "and list results to file:",
                "if the value contains this string:", "Show me the results when complete",
                "Case sensitive search"}),
            Painted(ui_.dialogs()[0]));
}

TEST_F(TaskDialogTest, ReplaceAndDeleteShowTheirOwnFieldsAndCancelKeepsEverything) {
  platform::CopyText(gTask.tagName, "Keywords");
  platform::CopyText(gTask.valueFilter, "old");
  platform::CopyText(gTask.replacement, "new");
  platform::CopyText(gTask.reportPath, "/r.htm");
  gTask.showResults = 1;
  gTask.searchKind = kSearchReplaceOrDelete;
  const TaskParameters before = gTask;

  std::vector<std::string> seen;
  ui_.ScriptDialog("Search and Replace metatag values",
                   DialogScript()
                       .Then([&](HeadlessUi& ui, WindowHandle d) {
                         for (int id : {kIdTaskTagName, kIdTaskValueFilter, kIdTaskReplacement})
                           seen.push_back(ui.ControlText(ui.FindControl(d, id)));
                         // Search-only controls are not part of this dialog.
                         EXPECT_EQ(nullptr, ui.FindControl(d, kIdTaskReportFile));
                         EXPECT_EQ(nullptr, ui.FindControl(d, kIdTaskCaseSensitive));
                       })
                       .Type(kIdTaskTagName, "DC.Title")
                       .Type(kIdTaskValueFilter, "x")
                       .Type(kIdTaskReplacement, "y")
                       .Click(platform::kCommandCancel));
  EXPECT_FALSE(SearchReplaceDeleteDialog(nullptr, 1));
  EXPECT_EQ((std::vector<std::string>{"Keywords", "old", "new"}), seen);
  EXPECT_EQ(kSearchCancelled, gTask.searchKind);
  EXPECT_STREQ(before.tagName, gTask.tagName);
  EXPECT_STREQ(before.valueFilter, gTask.valueFilter);
  EXPECT_STREQ(before.replacement, gTask.replacement);
  EXPECT_STREQ(before.reportPath, gTask.reportPath);
  EXPECT_EQ(before.showResults, gTask.showResults);
  EXPECT_EQ((std::vector<std::string>{
                "Search document tree for this Metatag:", "If the value contains this string:",
                "replace it with this string:"}),
            Painted(ui_.dialogs().back()));

  // Delete: the filter comes from the delete field and the replacement is emptied.
  ui_.ScriptDialog("Delete a metatag", DialogScript()
                                           .ChooseText(kIdTaskTagName, "DC.Identifier")
                                           .Type(kIdTaskDeleteFilter, "1999")
                                           .Click(platform::kCommandOk));
  EXPECT_TRUE(SearchReplaceDeleteDialog(nullptr, 3));
  EXPECT_STREQ("DC.Identifier", gTask.tagName);
  EXPECT_STREQ("1999", gTask.valueFilter);
  EXPECT_STREQ("", gTask.replacement);
  EXPECT_STREQ("/r.htm", gTask.reportPath);  // not a field of this dialog
  EXPECT_EQ((std::vector<std::string>{"Search document tree for this Metatag:",
                                      "Delete if the value contains this string:"}),
            Painted(ui_.dialogs().back()));
  EXPECT_EQ("Delete a metatag", ui_.dialogs().back().title);
}

TEST_F(TaskDialogTest, EmptyTagNameIsRefusedAndTheDialogComesBackAsItWas) {
  std::string filterAtSecondOpen;
  ui_.ScriptDialog("Delete a metatag",
                   DialogScript().Type(kIdTaskDeleteFilter, "draft").Click(platform::kCommandOk));
  ui_.ScriptDialog("Delete a metatag", DialogScript()
                                           .Then([&](HeadlessUi& ui, WindowHandle d) {
                                             filterAtSecondOpen = ui.ControlText(
                                                 ui.FindControl(d, kIdTaskDeleteFilter));
                                           })
                                           .Type(kIdTaskTagName, "Keywords")
                                           .Click(platform::kCommandOk));
  ASSERT_EQ(0, PrepareTask(nullptr, kTaskDelete));
  EXPECT_EQ((std::vector<std::string>{"EMPTY FIELD|Please select a metatag name to be searched."}),
            BoxLines());
  EXPECT_EQ(2u, ui_.dialogs().size());
  EXPECT_EQ("draft", filterAtSecondOpen);
  EXPECT_EQ(kSearchReplaceOrDelete, gTask.searchKind);
  EXPECT_STREQ("Keywords", gTask.tagName);
  EXPECT_STREQ("draft", gTask.valueFilter);

  // A report file that cannot be created: told, and the dialog comes back with the path.
  ui_.Clear();
  const std::string bad = home_ / "no/such/dir/r.htm";
  std::string pathAtSecondOpen;
  ui_.ScriptDialog("Search for metatag", DialogScript()
                                             .Type(kIdTaskTagName, "Keywords")
                                             .Type(kIdTaskReportFile, bad)
                                             .Click(platform::kCommandOk));
  ui_.ScriptDialog("Search for metatag",
                   DialogScript()
                       .Then([&](HeadlessUi& ui, WindowHandle d) {
                         pathAtSecondOpen = ui.ControlText(ui.FindControl(d, kIdTaskReportFile));
                       })
                       .Type(kIdTaskReportFile, home_ / "r.htm")
                       .Click(platform::kCommandOk));
  ASSERT_EQ(0, PrepareTask(nullptr, kTaskSearch));
  EXPECT_EQ((std::vector<std::string>{
                bad + "|The results file could not be created. Choose another name"}),
            BoxLines());
  EXPECT_EQ(bad, pathAtSecondOpen);
  EXPECT_TRUE(Exists(home_ / "r.htm"));

  // An empty name and then Cancel: the task does not start.
  ui_.Clear();
  ui_.ScriptDialog("Search for metatag", DialogScript().Click(platform::kCommandOk));
  ui_.ScriptDialog("Search for metatag", DialogScript().Click(platform::kCommandCancel));
  EXPECT_EQ(-1, PrepareTask(nullptr, kTaskSearch));
  EXPECT_EQ(kSearchCancelled, gTask.searchKind);
  EXPECT_EQ(1u, BoxLines().size());
  EXPECT_FALSE(Exists(home_ / "MetaSearch.htm"));
}

TEST_F(TaskDialogTest, ReplaceTaskRunsOverTheTreeWithWhatTheDialogGathered) {
  Put("a.htm", Doc({{"Keywords", "a"}, {"DC.Title", "a"}}));
  Put("b.htm", Doc({{"Keywords", "ab"}}));
  Put("sub/c.htm", Doc({{"Keywords", "x"}, {"Keywords", "a"}}));
  ui_.ScriptDialog("Search and Replace", DialogScript()
                                             .ChooseText(kIdTaskTagName, "Keywords")
                                             .Type(kIdTaskValueFilter, "a")
                                             .Type(kIdTaskReplacement, "b")
                                             .Click(platform::kCommandOk));
  ASSERT_EQ(kTaskCompleted, RunSiteTask(nullptr, kTaskReplace));
  EXPECT_EQ((std::vector<std::string>{"Keywords=b", "DC.Title=a"}), TagsOf("a.htm"));
  EXPECT_EQ((std::vector<std::string>{"Keywords=ab"}), TagsOf("b.htm"));
  EXPECT_EQ((std::vector<std::string>{"Keywords=x", "Keywords=b"}), TagsOf("sub/c.htm"));

  // Cancelling the dialog leaves every document as it was.
  const std::string a = ReadFile(At("a.htm"));
  ui_.ScriptDialog("Search and Replace", DialogScript()
                                             .ChooseText(kIdTaskTagName, "Keywords")
                                             .Type(kIdTaskValueFilter, "b")
                                             .Click(platform::kCommandCancel));
  EXPECT_EQ(kTaskNotStarted, RunSiteTask(nullptr, kTaskReplace));
  EXPECT_EQ(a, ReadFile(At("a.htm")));

  // The expiry check takes its parameters from the settings and opens no dialog, so a timed
  // mail-out never waits for a user.
  const size_t dialogs = ui_.dialogs().size();
  EXPECT_EQ(kTaskCompleted, RunSiteTask(nullptr, kTaskExpiry));
  EXPECT_EQ(dialogs, ui_.dialogs().size());
}

}  // namespace
