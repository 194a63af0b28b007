#include "config/settings_dialogs.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "config/settings.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "plugins/context.h"
#include "tests/support/fault_fs.h"
#include "tests/support/program_fixture.h"
#include "tree/document_selection.h"
#include "ui/expert_bar.h"

using namespace testing_support;
using namespace platform;

namespace {

class SettingsDialogsTest : public ProgramFixture {
 protected:
  void SetUp() override {
    ProgramFixture::SetUp();
    WriteFile(home_ / "META.INI", kIni);
    ASSERT_EQ(0, ReadSettings(nullptr));
  }
  std::string Ini() const { return ReadFile(home_ / "META.INI"); }
  static DialogScript Clicks(const std::vector<int>& ids) {
    DialogScript script;
    for (int id : ids)
      script.Click(id);
    return script;
  }
  static constexpr const char* kIni = "[META]\nCurrent Config=Shop\n[Config:Shop]\nStrategy=1\n";
};

TEST_F(SettingsDialogsTest, BusinessRulesStoreOnlyWhatTheDialogShows) {
  struct Row {
    int permanent;
    int before;
    std::vector<int> clicks;
    int ok;
    int after;
  };
  const Row rows[] = {
      // Every bit the dialog does not show is dropped; 3 in a field shows as "ANY".
      {1, 64 + 3, {kCommandOk}, 1, 2},
      {1,
       1,
       {kIdRulesInheritedFirst + 2, kIdRulesPageFirst + 1, kIdRulesRoot, kCommandOk},
       1,
       2 + 4 + 16},
      {1, 16 + 32, {kIdRulesLocal, kIdRulesPreserve, kCommandOk}, 1, 0},
      {1, 5, {kIdRulesPageFirst, kIdRulesPreserve, kCommandCancel}, 0, 5},
      {0, 1, {kIdRulesPageFirst + 2, kIdRulesPreserve, kCommandOk}, 1, 1 + 8 + 32},
  };
  CopyText(gBranch, (home_ / "site/news").c_str());
  for (const Row& r : rows) {
    strategy = r.before;
    ui_.ScriptDialog("Business Rules", Clicks(r.clicks));
    EXPECT_EQ(r.ok, BusinessRulesDialog(nullptr, r.permanent)) << r.before;
    EXPECT_EQ(r.after, strategy) << r.before;

    const DialogRecord& d = ui_.dialogs().back();
    EXPECT_EQ(r.permanent ? "Edit Business Rules" : "Temporary Business Rules", d.title);
    const ControlSnapshot* branch = d.control(kIdRulesBranch);
    EXPECT_EQ(!r.permanent, branch->visible);
    EXPECT_FALSE(branch->enabled);
    EXPECT_EQ(r.permanent ? "" : home_ / "site/news", branch->text);
  }
  // The dialog itself writes nothing: temporary rules never reach the file.
  EXPECT_EQ(kIni, Ini());
}

TEST_F(SettingsDialogsTest, MarkupOptionsBuildTheWordAndCancelTakesBackItsSubDialogs) {
  struct Row {
    std::vector<int> clicks;
    std::vector<int> sitemapClicks, autoClicks;
    int ok;
    int display, sitemap, autotags;
    const char* name;
    const char* separator;
  };
  const Row rows[] = {
      {{kIdMarkupNameFirst + 3, kIdMarkupValueFirst + 3, kIdMarkupSchemeFirst + 1,
        kIdMarkupSepFirst + 1, kIdMarkupQuotes, kCommandOk},
       {},
       {},
       1,
       190,
       0,
       0,
       "name=",
       ";"},
      {{kIdMarkupNameFirst + 3, kIdMarkupSitemap, kIdMarkupAutotags, kCommandCancel},
       {kIdSitemapSpacingFirst + 2, kIdSitemapUrlFirst + 1, kCommandOk},
       {kIdAutoTitle, kCommandOk},
       0,
       1,
       0,
       0,
       "HTTP-EQUIV=",
       ","},
      {{kIdMarkupSitemap, kIdMarkupAutotags, kCommandOk},
       {kIdSitemapSpacingFirst + 2, kIdSitemapUrlFirst + 1, kCommandOk},
       {kIdAutoTitle, kIdAutoTouched, kCommandOk},
       1,
       1,
       2 + 16,
       2 + 4,
       "HTTP-EQUIV=",
       ","},
  };
  for (const Row& r : rows) {
    ReadSettings(nullptr);
    if (!r.sitemapClicks.empty()) ui_.ScriptDialog("Sitemap", Clicks(r.sitemapClicks));
    if (!r.autoClicks.empty()) ui_.ScriptDialog("Automatic", Clicks(r.autoClicks));
    ui_.ScriptDialog("Markup Options", Clicks(r.clicks));
    EXPECT_EQ(r.ok, MarkupOptionsDialog(nullptr)) << r.display;
    EXPECT_EQ(r.display, DisplayOptions);
    EXPECT_EQ(r.sitemap, SitemapOptions) << r.display;
    EXPECT_EQ(r.autotags, autotags) << r.display;
    EXPECT_STREQ(r.name, MTname);
    EXPECT_STREQ(r.separator, MTsepS);
  }

  // Opening shows the word as read (0x1AB: the separator bit pair 3 shows ";"); the imports
  // keep 63 bytes.
  DisplayOptions = 0x1AB;
  const std::string longText(70, 'k');
  ui_.ScriptDialog("Markup Options",
                   DialogScript().Type(kIdMarkupCustomNames, longText).Click(kCommandOk));
  EXPECT_EQ(1, MarkupOptionsDialog(nullptr));
  EXPECT_EQ(1 + 2 + 8 + 32 + 128, DisplayOptions);
  EXPECT_EQ(longText.substr(0, 63), CustomNameImports);
}

TEST_F(SettingsDialogsTest, GeneralOptionsStoreTheBoxesAndTheExpertBarActsAtOnce) {
  struct Row {
    int toolbar, confirmation;
    std::vector<int> clicks;
    int ok, toolbarAfter, confirmationAfter, attributes;
    bool barShown;
  };
  const Row rows[] = {
      // The plug-in's beep bit is not kept: exactly the three boxes.
      {0, 12, {kCommandOk}, 1, 0, 4, 0, false},
      {0,
       1,
       {kIdGenExpertBar, kIdGenOnTop, kIdGenExpertBar, kIdGenPause, kCommandOk},
       1,
       0,
       3,
       0,
       false},
      {0, 1, {kIdGenExpertBar, kIdGenOnTop, kCommandOk}, 1, 9, 1, 0, true},
      // Cancel puts back "Show attributes..." but not what the Expert bar box did.
      {0,
       1,
       {kIdGenShowAttributes, kIdGenExpertBar, kIdGenConfirm, kCommandCancel},
       0,
       1,
       1,
       0,
       true},
      {9, 1, {kIdGenShowAttributes, kIdGenExpertBar, kCommandOk}, 1, 0, 1, 1, false},
  };
  for (const Row& r : rows) {
    showtoolbar = r.toolbar;
    showatts = 0;
    gPluginContext.confirmation = static_cast<unsigned>(r.confirmation);
    ui_.ScriptDialog("General Options", Clicks(r.clicks));
    EXPECT_EQ(r.ok, GeneralOptionsDialog(nullptr)) << r.clicks.size();
    EXPECT_EQ(r.toolbarAfter, showtoolbar) << r.clicks.size();
    EXPECT_EQ(r.confirmationAfter, static_cast<int>(gPluginContext.confirmation));
    EXPECT_EQ(r.attributes, showatts);
    EXPECT_EQ(r.barShown, hwndToolBar != nullptr) << r.clicks.size();
    DestroyExpertBar();
  }
  EXPECT_FALSE(ui_.dialogs().back().control(kIdGenAdvanced)->visible);

  // Fields: the error log directory gets its "/"; a browser path too long to hold is refused.
  AppOptions = kOptAdvanced;
  const std::string tooLong = "/" + std::string(300, 'b');
  ui_.ScriptDialog("General Options", DialogScript()
                                          .Type(kIdGenErrorLog, "/var/log/ts")
                                          .Type(kIdGenBrowser, tooLong)
                                          .Click(kCommandOk)
                                          .Type(kIdGenBrowser, "/usr/bin/firefox")
                                          .Click(kCommandOk));
  EXPECT_EQ(1, GeneralOptionsDialog(nullptr));
  EXPECT_STREQ("/usr/bin/firefox", WebBrowser);
  EXPECT_STREQ("/var/log/ts/", ErrorLogPath);
  EXPECT_TRUE(ui_.dialogs().back().control(kIdGenAdvanced)->visible);
  ASSERT_EQ(1u, ui_.boxes().size());
  EXPECT_NE(std::string::npos, ui_.boxes()[0].text.find("at most 255 fit"));
}

TEST_F(SettingsDialogsTest, AdvancedOptionsAreWrittenAtOnceOrNotAtAll) {
  ui_.ScriptDialog("Advanced", DialogScript()
                                   .Click(kIdAdvFirstBox + 1)
                                   .Click(kIdAdvFirstBox + 7)
                                   .Type(kIdAdvMask, "*.htm*;*.php")
                                   .Click(kCommandOk));
  EXPECT_EQ(1, AdvancedOptionsDialog(nullptr));
  EXPECT_EQ(
      "[META]\nCurrent Config=Shop\nOptions=130\nFileMask=*.htm*;*.php\n[Config:Shop]\n"
      "Strategy=1\n",
      Ini());
  EXPECT_EQ((std::vector<std::string>{
                "NOTE|Tagsteward will now close down to enable the changed options"}),
            BoxLines());

  // A write that fails leaves the options as they were and closes nothing.
  const std::string before = Ini();
  FaultPlan plan;
  plan.failRenameAt = 1;
  FaultyFileSystem faulty(plan);
  FileSystem* previous = SetFileSystem(&faulty);
  ui_.ScriptDialog("Advanced", Clicks({kIdAdvFirstBox + 3, kCommandOk}));
  EXPECT_EQ(0, AdvancedOptionsDialog(nullptr));
  SetFileSystem(previous);
  EXPECT_EQ(130, AppOptions);
  EXPECT_STREQ("*.htm*;*.php", maskstring);
  EXPECT_EQ(before, Ini());
  EXPECT_EQ(2u, ui_.boxes().size());  // the write error, no closing note
}

TEST_F(SettingsDialogsTest, SelectADirectoryWalksTheTreeAndRefusesAMissingOne) {
  for (const char* dir : {"a", "a/b", "a/c", "vol", "vol/usb"})
    std::filesystem::create_directory(home_ / dir);
  SetVolumeRoots({home_ / "vol"});
  char directory[256];
  CopyText(directory, (home_ / "a").c_str());
  std::vector<std::string> listed, drives;
  ui_.ScriptDialog("Select a directory", DialogScript()
                                             .Then([&](HeadlessUi&, WindowHandle d) {
                                               for (int i = 0; i < ListCount(d, kIdDirList); ++i)
                                                 listed.push_back(ListItemText(d, kIdDirList, i));
                                               for (int i = 0; i < ListCount(d, kIdDirDrives); ++i)
                                                 drives.push_back(ListItemText(d, kIdDirDrives, i));
                                             })
                                             .DoubleClick(kIdDirList, 2)  // c
                                             .DoubleClick(kIdDirList, 0)  // ..
                                             .DoubleClick(kIdDirList, 1)  // b
                                             .Type(kIdDirPath, home_ / "missing")
                                             .Click(kCommandOk)  // refused: the dialog stays
                                             .Click(kCommandOk));
  EXPECT_EQ(1, SelectDirectoryDialog(nullptr, directory));
  SetVolumeRoots({"/mnt", "/media"});
  EXPECT_EQ((std::vector<std::string>{"..", "b", "c"}), listed);
  EXPECT_EQ((std::vector<std::string>{"/", WithTrailingSlash(HomeDirectory()), home_ / "vol/usb/"}),
            drives);
  EXPECT_EQ(home_ / "a/b/", directory);
  ASSERT_EQ(1u, ui_.boxes().size());
  EXPECT_EQ("ERROR CHANGING DIRECTORY - " + home_ / "missing", ui_.boxes()[0].caption);
}

}  // namespace
