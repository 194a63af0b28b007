#include "config/startup.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>

#include "config/settings.h"
#include "config/setup_wizard.h"
#include "engine/page_tags.h"
#include "platform/fs.h"
#include "platform/profile.h"
#include "platform/single_instance.h"
#include "platform/text.h"
#include "plugins/context.h"
#include "schema/default_schema.h"
#include "schema/schema.h"
#include "tests/support/program_fixture.h"
#include "ui/main_window.h"
#include "ui/working_display.h"

using namespace testing_support;
using namespace platform;

namespace {

std::string Real(const std::string& path) {
  std::string out;
  return Fs().RealPath(path, &out) == 0 ? out : path;
}

// The program run end to end in a start-up directory of its own, with the configuration
// directory home_ on the command line and a private home and runtime directory.
class StartupTest : public ProgramFixture {
 protected:
  void SetUp() override {
    ProgramFixture::SetUp();
    SaveEnv("HOME", user_.path());
    SaveEnv("XDG_RUNTIME_DIR", runtime_.path());
    ASSERT_EQ(0, ::chdir(start_.path().c_str()));
    ResetSettings();  // the defaults under the private home
    config_ = Real(home_.path());
    root_ = Real(site_.path());
    SetSiteTagValues("Acme Corp", "Retail,Shops and stores");
  }
  void TearDown() override {
    ReleaseTables();
    hwndMain = nullptr;
    SetSiteTagValues("", "");
    for (auto& [name, value] : env_)
      value.second ? (void)::setenv(name.c_str(), value.first.c_str(), 1)
                   : (void)::unsetenv(name.c_str());
    ProgramFixture::TearDown();
  }
  void SaveEnv(const std::string& name, const std::string& value) {
    const char* old = std::getenv(name.c_str());
    env_.push_back({name, {old ? old : "", old != nullptr}});
    ::setenv(name.c_str(), value.c_str(), 1);
  }
  // Answers for a first run whose pages pass at once.
  void ScriptWizard(const std::string& browser, int completion) {
    ui_.ScriptDialog("Welcome", DialogScript().Click(kWizNext));
    ui_.ScriptDialog("page 1 of 2", DialogScript()
                                        .Type(kWizRoot, root_)
                                        .Type(kWizSiteName, "Shop")
                                        .Type(kWizSiteUrl, "http://shop.example")
                                        .Type(kWizBrowser, browser)
                                        .Click(kWizNext));
    ui_.Script("Option", kAnswerNo);
    ui_.ScriptDialog("page 2 of 2", DialogScript()
                                        .Type(kWizSmtp, "mail.shop.example")
                                        .Type(kWizAdmin, "web@shop.example")
                                        .Click(kWizNext));
    ui_.ScriptDialog("Setup Wizard", DialogScript().Click(completion));
  }
  std::string Key(const std::string& section, const std::string& key) {
    ProfileDocument doc;
    std::string value = "<none>";
    if (doc.Load(config_ + "/META.INI") == 0) doc.Get(section, key, &value);
    return value;
  }
  int Run() { return ProgramEntry(config_.c_str(), ShowState::kShow); }
  bool SplashTextPainted() const {
    for (const CanvasCall& c : ui_.canvasCalls())
      if (c.op == CanvasCall::Op::kText && c.text == "Version    : 2.5.15") return true;
    return false;
  }

  TempDir start_, user_, runtime_, site_;
  std::string config_, root_;
  std::vector<std::pair<std::string, std::pair<std::string, bool>>> env_;
};

TEST_F(StartupTest, FirstRunWritesTheInstallationAndTheProgramRuns) {
  WriteFile(start_ / "not-a-program", "");
  ScriptWizard(start_ / "not-a-program", kWizNext);  // YES: read the help
  ui_.Script("TAGSTEWARD STARTUP", kAnswerYes);
  platform::CopyText(text[3], "left over");
  ui_.PostQuit(7);  // the quit waits for the message loop

  EXPECT_EQ(7, Run());

  // The browser exists but cannot be started: M005, and start-up goes on.
  std::vector<std::string> lines = BoxLines();
  ASSERT_EQ(3u, lines.size());
  EXPECT_EQ("Option|Do you want Tagsteward to create a default Sitemap file?", lines[0]);
  EXPECT_EQ("CRITICAL ERROR!|M005:The web browser could not be found", lines[1]);
  EXPECT_EQ("TAGSTEWARD STARTUP|The root metatag file " + root_ +
                "/META.TAG was not found.\nPress YES to create one,\n or NO to exit.",
            lines[2]);

  EXPECT_TRUE(DirExists(config_ + "/Audit"));
  EXPECT_TRUE(DirExists(config_ + "/MailQ"));
  EXPECT_EQ("Shop", Key("META", "Current Config"));
  EXPECT_EQ(start_ / "not-a-program", Key("META", "Web Browser"));
  EXPECT_EQ(Real(start_.path()) + "/", Key("META", "Error Log"));
  EXPECT_EQ("mail.shop.example", Key("MAILER", "SMTP"));
  EXPECT_EQ(config_ + "/MailQ/", Key("MAILER", "Mail Queue"));
  EXPECT_EQ(root_, Key("Config:Shop", "Root Path"));
  EXPECT_EQ("http://shop.example/", Key("Config:Shop", "SiteURL"));
  EXPECT_EQ(root_ + "/Sitemap.htm", Key("Config:Shop", "Sitemapfile"));
  EXPECT_EQ(config_ + "/Audit/", Key("Config:Shop", "Log Path"));
  EXPECT_EQ("web@shop.example", Key("Config:Shop", "Expiry Admin Email"));
  EXPECT_EQ("<none>", Key("Config:Shop", "Options"));
  EXPECT_EQ("65536", Key("META", "Head Size"));  // a new configuration reads long heads
  // and writes today's markup
  EXPECT_EQ("47", Key("Config:Shop", "DisplayOptions"));
  EXPECT_EQ(DefaultSchemaText(), ReadFile(config_ + "/META.IDX"));
  EXPECT_NE(std::string::npos, ReadFile(root_ + "/META.TAG").find("Acme Corp"));
  EXPECT_EQ(std::string::npos, ReadFile(root_ + "/META.TAG").find("Shops and stores"));
  ASSERT_EQ(1, ConfigCount);
  EXPECT_STREQ("Shop", ConfigIdx[0]);

  // The program went on: main window shown, tables reserved, schema loaded, context filled.
  ASSERT_NE(nullptr, hwndMain);
  EXPECT_TRUE(IsWindowVisible(hwndMain));
  EXPECT_NE(nullptr, PageTags);
  EXPECT_EQ(53, SchemaTagCount);
  EXPECT_EQ(2515u, gPluginContext.internalVersion);
  EXPECT_EQ(config_ + "/META.INI", gPluginContext.configFile);
  EXPECT_EQ(hwndMain, gPluginContext.mainWindow);
  EXPECT_EQ(CurrentConfig, gPluginContext.currentSite);
  EXPECT_EQ(StartupPath, gPluginContext.startupPath);
  EXPECT_EQ(&gScreenMetrics, gPluginContext.screen);
  EXPECT_EQ(768, gScreenMetrics.height);
  EXPECT_EQ(Real(start_.path()), StartupPath);
  EXPECT_EQ(config_, IniPath);
  EXPECT_EQ(-1, ExportedTasks[49].owner);
  EXPECT_STREQ("", text[3]);
  EXPECT_STREQ("$RUZOZAZEZO", StampTag.name);
}

TEST_F(StartupTest, NoToTheRootTagQuestionEndsAfterTheFirstRunFiles) {
  ScriptWizard("/bin/sh", kWizNo);
  ui_.Script("TAGSTEWARD STARTUP", kAnswerNo);
  EXPECT_EQ(0, Run());
  EXPECT_EQ("Shop", Key("META", "Current Config"));
  EXPECT_TRUE(Exists(config_ + "/META.IDX"));
  EXPECT_FALSE(Exists(root_ + "/META.TAG"));
  ASSERT_NE(nullptr, hwndMain);
  EXPECT_FALSE(IsWindowVisible(hwndMain));
  EXPECT_EQ(nullptr, PageTags);
}

TEST_F(StartupTest, SplashClosingRules) {
  auto writeIni = [&](const std::string& meta) {
    WriteFile(config_ + "/META.INI", "[META]\nCurrent Config=Shop\nShow Settings=0\n" + meta +
                                         "[Config:Shop]\nRoot Path=" + root_ + "\n");
  };
  // Show Toolbar 0: the splash is painted and stays until OK.
  writeIni("Show Toolbar=0\n");
  bool openAfterPaint = false;
  ui_.ScriptDialog("Zelvane",
                   DialogScript()
                       .Then([](HeadlessUi&, WindowHandle) {})
                       .Then([&](HeadlessUi& ui, WindowHandle d) { openAfterPaint = ui.Exists(d); })
                       .Click(kCommandOk));
  ui_.PostQuit(3);
  EXPECT_EQ(3, Run());
  EXPECT_TRUE(openAfterPaint);
  ASSERT_EQ(1u, ui_.dialogs().size());
  EXPECT_EQ("Zelvane Tagsteward  2.5.15", ui_.dialogs()[0].title);
  EXPECT_TRUE(SplashTextPainted());
  bool frame = false;
  for (const CanvasCall& c : ui_.canvasCalls()) {
    if (c.op == CanvasCall::Op::kFrame) frame = c.rect == Rect{495, 8, 610, 45} && c.penWidth == 2;
    if (c.op == CanvasCall::Op::kText && c.text.rfind("Version", 0) == 0) {
      EXPECT_EQ((Point{500, 10}), c.from);
      EXPECT_EQ(Rgb(255, 255, 255), c.style.colour);
      EXPECT_TRUE(c.style.transparent);
    }
  }
  EXPECT_TRUE(frame);
  ReleaseTables();

  // Show Toolbar 1: closed as soon as the settings are read, nothing painted.
  writeIni("Show Toolbar=1\n");
  ui_.ClearCanvas();
  ui_.PostQuit(4);
  EXPECT_EQ(4, Run());
  EXPECT_FALSE(SplashTextPainted());
  EXPECT_EQ(kCommandOk, ui_.dialogs().back().result);
  ReleaseTables();

  // "Skip splash screen": closed after its first painting, as by OK.
  writeIni("Show Toolbar=0\nOptions=128\n");
  bool secondStepRan = false;
  ui_.ScriptDialog(
      "Zelvane",
      DialogScript().Then([](HeadlessUi&, WindowHandle) {}).Then([&](HeadlessUi&, WindowHandle) {
        secondStepRan = true;
      }));
  ui_.PostQuit(5);
  EXPECT_EQ(5, Run());
  EXPECT_FALSE(secondStepRan);
  EXPECT_TRUE(SplashTextPainted());
  EXPECT_EQ(kCommandOk, ui_.dialogs().back().result);
  EXPECT_TRUE(BoxLines().empty());
}

TEST_F(StartupTest, TablesThatCannotBeReservedEndTheProgramAndTheFileKeepsTheValue) {
  WriteFile(config_ + "/META.INI",
            "[META]\nCurrent Config=Shop\nShow Toolbar=1\nMax Page Tags=0\n[Config:Shop]\n");
  EXPECT_EQ(0, Run());
  EXPECT_EQ(
      (std::vector<std::string>{
          "CRITICAL ERROR!|M026:INSUFFICIENT SYSTEM MEMORY\nChoose a lower value for "
          "Maximum Page Tags",
          "CRITICAL ERROR!|M002:Program cannot continue.\nEdit memory settings in META.INI."}),
      BoxLines());
  EXPECT_EQ(nullptr, SchemaSpace);  // none of the four is kept
  EXPECT_EQ("0", Key("META", "Max Page Tags"));

  // Each table reports its own shortage once.
  ui_.Clear();
  MaxPageTags = 64;
  OptionBytes = -1;
  EXPECT_EQ(0, ReserveTables());
  EXPECT_EQ(1u, ui_.boxes().size());
  EXPECT_EQ(0u, BoxLines()[0].find("CRITICAL ERROR!|M027:"));
  OptionBytes = 4096;
  EXPECT_EQ(1, ReserveTables());
  EXPECT_NE(nullptr, PageTags);
}

TEST_F(StartupTest, SecondStartForTheSameDirectoryEndsAtOnce) {
  SingleInstance first;
  ASSERT_EQ(InstanceClaim::kFirst, first.Claim(config_));
  EXPECT_EQ(0, Run());
  EXPECT_TRUE(ui_.dialogs().empty());
  EXPECT_EQ(nullptr, hwndMain);
}

TEST_F(StartupTest, ShutdownWritesSettingsReleasesTablesAndEndsTheLoop) {
  WriteFile(config_ + "/META.INI", "[META]\nCurrent Config=Shop\n[Config:Shop]\n");
  CopyText(IniPath, config_);
  CopyText(CurrentConfig, "Shop");
  MaxPageTags = 99;
  ASSERT_EQ(1, ReserveTables());
  Shutdown();
  EXPECT_EQ(nullptr, PageTags);
  EXPECT_EQ(nullptr, SchemaIndex);
  EXPECT_EQ("99", Key("META", "Max Page Tags"));
  EXPECT_EQ(0, RunMessageLoop());
}

TEST_F(StartupTest, RaiseRestoresAVisibleMainWindowOnly) {
  ASSERT_NE(nullptr, CreateMainWindow());
  RaiseMainWindow();
  EXPECT_FALSE(IsWindowVisible(hwndMain));  // hidden behind the splash: left alone
  ShowWindow(hwndMain, ShowState::kMinimise);
  RaiseMainWindow();
  EXPECT_FALSE(IsMinimised(hwndMain));
  EXPECT_EQ(hwndMain, FocusWindow());
  DestroyWindow(hwndMain);
}

}  // namespace
