#include "tree/document_selection.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/settings.h"
#include "engine/head_reader.h"
#include "engine/page_tags.h"
#include "platform/fs.h"
#include "platform/text.h"
#include "tests/support/site_fixture.h"
#include "ui/main_window.h"

using namespace testing_support;
using platform::DialogScript;
using platform::HeadlessUi;
using platform::WindowHandle;
using Names = std::vector<std::string>;

namespace {

// Types into the name field and presses Enter, which the desktop backend sends as OK.
DialogScript Typed(const std::string& text, DialogScript s = {}) {
  return s.Type(kIdSelectName, text).Then([](HeadlessUi& ui, WindowHandle d) {
    ui.SendMessage(d, platform::kMsgCommand, platform::MakeWParam(platform::kCommandOk, 0), 0);
  });
}

class DocumentSelectionTest : public SiteFixture {
 protected:
  void SetUp() override {
    SiteFixture::SetUp();
    Put("index.htm", Doc({{"DC.Title", "Home"}, {"$Stylesheet", "x.css"}}));
    Put("About.htm", Doc({}));
    Put("notes.txt", "n");
    Put("a/page.htm", Doc({}));
    Put("a/b/c/deep.htm", Doc({}));
    Put("Zed/z.htm", Doc({}));
    Put("meta.tag", "<HEAD>\n<meta name=\"$Stylesheet\" content=\"x.css\">\n</HEAD>\n");
    WriteFile(home_ / "outside.htm", Doc({}));
    ASSERT_EQ(0, platform::Fs().RealPath(site_, &root_));
    ASSERT_EQ(0, platform::Fs().ChangeDir(site_));
  }
  std::string root_;  // the site, resolved
};

TEST_F(DocumentSelectionTest, ListsStayInsideTheTree) {
  struct Row {
    const char* filter;
    DialogScript script;
    Names dirs, files;
    std::string where;  // below the root, where the dialog left the current directory
    int beeps;
  };
  const Row rows[] = {
      {"*.htm", {}, {"a", "Zed"}, {"About.htm", "index.htm"}, "", 0},
      {"*.htm",
       DialogScript().DoubleClick(kIdSelectDirectories, 0),
       {"..", "b"},
       {"page.htm"},
       "/a",
       0},
      {"*.htm",
       DialogScript().DoubleClick(kIdSelectDirectories, 0).DoubleClick(kIdSelectDirectories, 0),
       {"a", "Zed"},
       {"About.htm", "index.htm"},
       "",
       0},
      {"*.txt;  *.htm", {}, {"a", "Zed"}, {"notes.txt", "About.htm", "index.htm"}, "", 0},
      {"*.htm;I*", {}, {"a", "Zed"}, {"About.htm", "index.htm"}, "", 0},  // each file once
      {"/elsewhere/docs/*.htm;*.txt",
       {},
       {"a", "Zed"},
       {"About.htm", "index.htm", "notes.txt"},
       "",
       0},
      {"*.htm", Typed("*.txt"), {"a", "Zed"}, {"notes.txt"}, "", 0},
      {"*.htm", Typed("../.."), {"a", "Zed"}, {"About.htm", "index.htm"}, "", 1},
      {"*.htm", Typed(home_.path()), {"a", "Zed"}, {"About.htm", "index.htm"}, "", 1},
      {"*.htm",
       Typed("b/../../..", DialogScript().DoubleClick(kIdSelectDirectories, 0)),
       {"..", "b"},
       {"page.htm"},
       "/a",
       1},
  };
  for (const Row& row : rows) {
    ASSERT_EQ(0, platform::Fs().ChangeDir(site_));
    const int beeps = ui_.beeps();
    ui_.ScriptDialog(kSelectTitle, row.script);
    char name[256] = "";
    EXPECT_EQ(0, DlgOpenFile(nullptr, 0, kOpenProgramFlags, row.filter, name, nullptr));
    const platform::DialogRecord& d = ui_.dialogs().back();
    EXPECT_EQ(row.dirs, d.control(kIdSelectDirectories)->items) << row.filter;
    EXPECT_EQ(row.files, d.control(kIdSelectFiles)->items) << row.filter;
    std::string cwd;
    platform::Fs().CurrentDir(&cwd);
    EXPECT_EQ(root_ + row.where, cwd);
    EXPECT_EQ(root_ + row.where, d.control(kIdSelectCurrent)->text);
    EXPECT_EQ(row.beeps, ui_.beeps() - beeps) << row.filter;
  }
}

TEST_F(DocumentSelectionTest, ChoosingAFileOrABranch) {
  struct Row {
    uint32_t flags;
    DialogScript script;
    int result;
    std::string name, branch;  // expected buffer ("untouched" when it must stay) and gBranch
  };
  const std::string untouched = "untouched";
  const Row rows[] = {
      {kOpenProgramFlags, DialogScript().Click(kIdSelectBranch).Click(platform::kCommandCancel), 0,
       untouched, ""},
      {kOpenProgramFlags, DialogScript().DoubleClick(kIdSelectFiles, 1), 1, root_ + "/index.htm",
       ""},
      {kOpenModeRead, Typed("index"), 1, root_ + "/index.htm", ""},
      {kOpenModeExist, Typed("a/page"), 1, root_ + "/a/page.htm", ""},
      {kOpenProgramFlags, Typed("missing"), 0, untouched, ""},
      {kOpenModeExist, Typed("missing"), 0, untouched, ""},
      {kOpenModeExist, Typed("../outside.htm"), 0, untouched, ""},
      {kOpenModeExist, Typed(home_ / "outside.htm"), 0, untouched, ""},
      {kOpenProgramFlags, DialogScript().Choose(kIdSelectDirectories, 1).Click(kIdSelectBranch), 0,
       untouched, root_ + "/Zed"},
  };
  for (const Row& row : rows) {
    ASSERT_EQ(0, platform::Fs().ChangeDir(site_));
    ui_.ScriptDialog(kSelectTitle, row.script);
    char name[256];
    platform::CopyText(name, untouched);
    uint16_t extra = 0xBEEF;
    EXPECT_EQ(row.result, DlgOpenFile(nullptr, 7, row.flags, "*.htm*", name, &extra) != 0);
    EXPECT_EQ(row.name, name);
    EXPECT_EQ(row.branch, gBranch);
    EXPECT_EQ(0xBEEF, extra);
  }
}

TEST_F(DocumentSelectionTest, TreeTagModeLeavesASkeletonInEveryDirectoryShown) {
  platform::Fs().Remove(At("meta.tag"));
  ui_.ScriptDialog(kSelectTitle, DialogScript()
                                     .DoubleClick(kIdSelectDirectories, 0)
                                     .DoubleClick(kIdSelectDirectories, 1)
                                     .DoubleClick(kIdSelectDirectories, 1));
  char name[256] = "";
  EXPECT_EQ(0, DlgOpenFile(nullptr, 0, kOpenProgramFlags, "*.TaG", name, nullptr));
  for (const char* dir : {"", "a/", "a/b/", "a/b/c/"})
    EXPECT_EQ("<HEAD>\n</HEAD>\n", ReadFile(At(std::string(dir) + "meta.tag"))) << dir;
  EXPECT_FALSE(Exists(At("Zed/meta.tag")));
  EXPECT_FALSE(ui_.dialogs().back().control(kIdSelectBranch)->visible);
  EXPECT_EQ(Names{"meta.tag"}, ui_.dialogs().back().control(kIdSelectFiles)->items);
}

TEST_F(DocumentSelectionTest, OpenReadsTheChosenFileKeepingControlTagsOnlyForTreeTags) {
  platform::CopyText(maskstring, "*.htm*");
  struct Row {
    int command;
    const char* file;
    Names names;
  } rows[] = {
      {kCmdEditPageTags, "index.htm", {"DC.Title"}},
      {kCmdEditTreeTags, "meta.tag", {"$Stylesheet"}},
  };
  for (const Row& row : rows) {
    ResetPageTags();
    ui_.ScriptDialog(kSelectTitle, DialogScript().Then([&](HeadlessUi& ui, WindowHandle d) {
      WindowHandle files = ui.FindControl(d, kIdSelectFiles);
      ui.DoubleClickItem(files, ui.FindListItem(files, row.file));
    }));
    EXPECT_EQ(root_ + "/" + row.file, OpenTreeTagOrDocumentFile(nullptr, row.command));
    Names names;
    for (int i = 0; i < Tagcount; ++i)
      names.push_back(PageTags[i].name);
    EXPECT_EQ(row.names, names) << row.file;
    EXPECT_EQ(1, SuppressControlTags);
  }
  EXPECT_EQ("", OpenTreeTagOrDocumentFile(nullptr, kCmdEditPageTags));  // unscripted: cancelled
}

}  // namespace
