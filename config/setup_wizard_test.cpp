#include "config/setup_wizard.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <string>

#include "config/settings.h"
#include "platform/fs.h"
#include "platform/text.h"
#include "tests/support/program_fixture.h"

using namespace testing_support;
using namespace platform;

namespace {

std::string Real(const std::string& path) {
  std::string out;
  return Fs().RealPath(path, &out) == 0 ? out : path;
}

class SetupWizardTest : public ProgramFixture {
 protected:
  void SetUp() override {
    ProgramFixture::SetUp();
    root_ = Real(site_.path());
    WriteFile(root_ + "/docs/index.htm", "");
    WriteFile(root_ + "/img/.keep", "");
    WriteFile(root_ + "/.hidden/.keep", "");
    CopyText(RootPath, root_);
    WriteFile(home_ / "browser", "");
  }
  std::vector<std::string> Codes() const {
    std::vector<std::string> codes;
    for (const BoxRecord& b : ui_.boxes())
      if (b.caption == "CRITICAL ERROR!") codes.push_back(b.text.substr(0, 4));
    return codes;
  }
  TempDir site_;
  std::string root_;
};

TEST_F(SetupWizardTest, SitePageChecksNameUrlAndBrowserInOrder) {
  ui_.Script("Option", kAnswerNo);
  ui_.ScriptDialog("page 1 of 2", DialogScript()
                                      .Type(kWizBrowser, "/no/such/browser")
                                      .Click(kWizNext)  // the default name
                                      .Type(kWizSiteName, "")
                                      .Click(kWizNext)  // the default URL "http://"
                                      .Type(kWizSiteUrl, "http://a")
                                      .Click(kWizNext)  // 8 characters and "/" are 9
                                      .Type(kWizSiteUrl, "http://ab")
                                      .Click(kWizNext)  // 9 and "/" are 10: on to the browser
                                      .Type(kWizBrowser, "sh")
                                      .Click(kWizNext));  // found where starting it would look
  EXPECT_EQ(1, SitePage(nullptr));
  EXPECT_EQ((std::vector<std::string>{"M031", "M032", "M032", "M033"}), Codes());
  EXPECT_EQ("M031:A site name must be specified before continuing", ui_.boxes()[0].text);
  EXPECT_EQ("M032:A site URL must be specified before continuing", ui_.boxes()[1].text);
  EXPECT_EQ("M033:A valid Web Browser must be specified before continuing", ui_.boxes()[3].text);
  EXPECT_EQ("Option|Do you want Tagsteward to create a default Sitemap file?", BoxLines().back());
  EXPECT_STREQ("", CurrentConfig);  // an empty name passes
  EXPECT_STREQ("http://ab/", SiteURL);
  EXPECT_STREQ("sh", WebBrowser);
  EXPECT_FALSE(Exists(root_ + "/Sitemap.htm"));
  // Each failure was written to the audit log as well.
  EXPECT_NE(std::string::npos, ReadFile(AuditFile("Errors/")).find("M033"));
}

TEST_F(SetupWizardTest, ListsNavigateSelectFillsBrowserAndYesMakesTheSitemap) {
  ui_.Script("Option", kAnswerYes);
  ui_.ScriptOpenFile(home_ / "browser");
  std::vector<std::string> dirs, drives;
  ui_.ScriptDialog("page 1 of 2", DialogScript()
                                      .Then([&](HeadlessUi&, WindowHandle d) {
                                        for (int i = 0; i < ListCount(d, kWizDirs); ++i)
                                          dirs.push_back(ListItemText(d, kWizDirs, i));
                                        for (int i = 0; i < ListCount(d, kWizDrives); ++i)
                                          drives.push_back(ListItemText(d, kWizDrives, i));
                                      })
                                      .DoubleClick(kWizDirs, 1)  // [docs]
                                      .Type(kWizSiteName, "Shop")
                                      .Type(kWizSiteUrl, "http://shop.example")
                                      .Click(kWizSelectBrowser)
                                      .Click(kWizNext));
  EXPECT_EQ(1, SitePage(nullptr));
  EXPECT_EQ((std::vector<std::string>{"[..]", "[docs]", "[img]"}), dirs);
  ASSERT_FALSE(drives.empty());
  EXPECT_EQ("[-/-]", drives[0]);
  EXPECT_EQ(root_ + "/docs", RootPath);
  EXPECT_EQ(home_ / "browser", WebBrowser);
  ASSERT_EQ(1u, ui_.commonDialogs().size());
  EXPECT_EQ("Select a Web Browser", ui_.commonDialogs()[0].title);
  std::string sitemap = ReadFile(root_ + "/docs/Sitemap.htm");
  EXPECT_NE(std::string::npos, sitemap.find("<!--insert sitemap here-->"));
  EXPECT_NE(std::string::npos, sitemap.find("Shop"));
  EXPECT_TRUE(Codes().empty());

  // A sitemap page the site already has is kept.
  WriteFile(root_ + "/docs/Sitemap.htm", "my own page");
  ui_.Script("Option", kAnswerYes);
  ui_.ScriptDialog("page 1 of 2", DialogScript().Click(kWizNext));
  EXPECT_EQ(1, SitePage(nullptr));
  EXPECT_EQ("my own page", ReadFile(root_ + "/docs/Sitemap.htm"));
}

TEST_F(SetupWizardTest, NoRootIsProposedAndRootsNoTaskMayWalkAreRefused) {
  TempDir user;
  ScopedHome home(user.path());
  WriteFile(home_ / "META.INI", "[META]\nCurrent Config=Shop\n");
  ReadSettings(nullptr);  // no "Root Path": the default, the home directory, is held
  std::string rootShown, browserShown;
  ui_.Script("Option", kAnswerNo);
  ui_.ScriptDialog("page 1 of 2", DialogScript()
                                      .Then([&](HeadlessUi&, WindowHandle d) {
                                        rootShown = ControlText(d, kWizRoot);
                                        browserShown = ControlText(d, kWizBrowser);
                                      })
                                      .Type(kWizSiteUrl, "http://shop.example")
                                      .Type(kWizBrowser, "sh")
                                      .Click(kWizNext)
                                      .Type(kWizRoot, user.path())
                                      .Click(kWizNext)
                                      .Type(kWizRoot, root_)
                                      .Click(kWizNext));
  EXPECT_EQ(1, SitePage(nullptr));
  EXPECT_EQ("", rootShown);
  EXPECT_EQ("xdg-open", browserShown);
  ASSERT_EQ(3u, BoxLines().size());
  EXPECT_EQ(0u, BoxLines()[0].rfind("NOTE|The site's \"Root Path\" is not set.", 0));
  EXPECT_NE(std::string::npos, BoxLines()[1].find("is your home directory"));
  EXPECT_EQ(root_, RootPath);
}

TEST_F(SetupWizardTest, BackKeepsTypedValuesAndFinishedStoresTheMailSettings) {
  std::string queue = Real(home_.path()) + "/MailQ";
  WriteFile(queue + "/.keep", "");
  CopyText(MailQueue, queue + "/");
  std::string siteNameShown, smtpShown;
  ui_.Script("Option", kAnswerNo);
  ui_.Script("Option", kAnswerNo);
  ui_.ScriptDialog("Welcome", DialogScript().Click(kWizNext));
  ui_.ScriptDialog("page 1 of 2", DialogScript()
                                      .Type(kWizSiteName, "Shop")
                                      .Type(kWizSiteUrl, "http://shop.example")
                                      .Type(kWizBrowser, home_ / "browser")
                                      .Click(kWizNext));
  ui_.ScriptDialog("page 2 of 2", DialogScript()
                                      .Type(kWizSmtp, "smtp.one")
                                      .Type(kWizAdmin, "web@shop.example")
                                      .Click(kWizBack));
  ui_.ScriptDialog("page 1 of 2", DialogScript()
                                      .Then([&](HeadlessUi&, WindowHandle d) {
                                        siteNameShown = ControlText(d, kWizSiteName);
                                      })
                                      .Click(kWizNext));
  ui_.ScriptDialog("page 2 of 2", DialogScript()
                                      .Then([&](HeadlessUi&, WindowHandle d) {
                                        smtpShown = ControlText(d, kWizSmtp);
                                      })
                                      // Too long to hold: refused, never cut.
                                      .Type(kWizRoot, "/" + std::string(300, 'q'))
                                      .Click(kWizNext)
                                      .Type(kWizRoot, queue)
                                      .Click(kWizNext));
  ui_.ScriptDialog("Setup Wizard", DialogScript().Click(kWizNo));
  EXPECT_EQ(0, RunSetupWizard(nullptr));
  EXPECT_EQ("Shop", siteNameShown);
  EXPECT_EQ("smtp.one", smtpShown);
  EXPECT_STREQ("smtp.one", SMTPaddrtemp);
  EXPECT_STREQ("web@shop.example", ExpiryRule.adminEmail);
  EXPECT_STREQ("", ReviewRule.adminEmail);
  EXPECT_EQ(queue + "/", MailQueue);
  EXPECT_EQ(
      "NOTE|The directory path is 302 bytes long, but at most 255 fit. Choose a directory "
      "with a shorter path.",
      BoxLines().back());
  std::string cwd;
  ASSERT_EQ(0, Fs().CurrentDir(&cwd));
  EXPECT_EQ(root_, cwd);  // Finished returns to the tree root
  ASSERT_EQ(6u, ui_.dialogs().size());
  EXPECT_EQ("Tagsteward Setup Wizard", ui_.dialogs().back().title);
}

TEST_F(SetupWizardTest, CompletionPagePaintsItsTextsAndYesAsksForHelp) {
  ui_.ScriptDialog("Setup Wizard", DialogScript().Click(kWizNext));
  EXPECT_EQ(1, CompletionPage(nullptr));
  bool complete = false, help = false;
  for (const CanvasCall& c : ui_.canvasCalls()) {
    if (c.op != CanvasCall::Op::kText) continue;
    if (c.text == "Tagsteward Installation is now complete." && c.from == Point{20, 120})
      complete = true;
    if (c.text == "Do you want to read the help files now?" && c.from == Point{20, 210})
      help = c.style.font.height == 20;
  }
  EXPECT_TRUE(complete);
  EXPECT_TRUE(help);
}

}  // namespace
