#include "log/log_viewer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "config/settings.h"
#include "platform/text.h"
#include "tests/support/program_fixture.h"

using namespace testing_support;
using platform::DialogScript;
using platform::HeadlessUi;
using platform::WindowHandle;
using Texts = std::vector<std::string>;

namespace {

std::string Lines(int count) {
  std::string out;
  for (int i = 1; i <= count; ++i)
    out += platform::Format("0,10:00:00,/site/doc%d.htm,Inherited\n", i);
  return out;
}

class LogViewerTest : public ProgramFixture {
 protected:
  // Every text painted on the open dialog when the step runs.
  DialogScript::Step Capture(Texts* texts) {
    return [this, texts](HeadlessUi& ui, WindowHandle d) {
      ui.ClearCanvas();
      ui.InvalidateWindow(d, nullptr);
      ui.PaintInvalid();
      texts->clear();
      for (const platform::CanvasCall& c : ui.canvasCalls())
        if (c.window == d && c.op == platform::CanvasCall::Op::kText) texts->push_back(c.text);
      texts->push_back("title " + ui.WindowTitle(d));
      WindowHandle bar = ui.FindControl(d, kIdLogScroll);
      texts->push_back(ui.IsWindowVisible(bar)
                           ? platform::Format("scroll %d", ui.ScrollPosition(bar))
                           : "no scroll bar");
    };
  }
};

TEST_F(LogViewerTest, PagesThroughTheDayFileKeepingAWindowOfIt) {
  // Keys reach the dialog wherever the focus is; OK has it here.
  auto key = [](unsigned k) {
    return [k](HeadlessUi& ui, WindowHandle d) {
      ui.PressKey(ui.FindControl(d, platform::kCommandOk), k, 0);
    };
  };
  auto chooserOk = [](HeadlessUi& ui, WindowHandle) {
    ui.ScriptDialog(kLogChooserTitle, DialogScript().Click(platform::kCommandOk));
  };
  const std::string longLine = "1,10:00:00," + std::string(300, 'x') + "\n";
  struct Row {
    std::string today;
    DialogScript script;
    Texts shown;  // painted (in this order, among others), then the title and the scroll bar
  } rows[] = {
      {Lines(1000),
       {},
       {"Lines 981 to 1000 of 1000", "[buffer: 502 to 1000]", "/site/doc981.htm",
        "title Shop.example - 19990525", "scroll 980"}},
      {Lines(1000),
       DialogScript().Scroll(kIdLogScroll, 99),
       {"Lines 100 to 119 of 1000", "[buffer: 1 to 499]", "/site/doc100.htm", "scroll 99"}},
      {Lines(1000),
       DialogScript().Scroll(kIdLogScroll, 500).Then(key(platform::kKeyUp)),
       {"Lines 500 to 519 of 1000", "[buffer: 301 to 799]", "scroll 499"}},
      {Lines(1000),
       DialogScript()
           .Then(key(platform::kKeyDown))
           .Then(key(platform::kKeyPageUp))
           .Then(key(platform::kKeyHome)),
       {"Lines 1 to 20 of 1000", "[buffer: 1 to 499]", "scroll 0"}},
      {Lines(15),
       DialogScript().Then(key(platform::kKeyDown)),
       {"Lines 1 to 15 of 15", "no scroll bar"}},
      {"", {}, {"No events recorded.", "no scroll bar"}},
      // Fields past the ones present are not drawn; an overlong line is shown in pieces.
      {"2,10:00:00,only text\n" + longLine,
       {},
       {"Events for : 25-05-1999", "Lines 1 to 3 of 3", "10:00:00", "only text",
        std::string(50, 'x')}},
      {Lines(3),
       DialogScript().Then(chooserOk).Click(kIdLogErrorLog),
       {"Error Description", "ERRORS for : 24-05-1999", "Lines 1 to 1 of 1", "M001:Lost",
        "title ERROR LOG - 19990524"}},
  };
  platform::CopyText(CurrentConfig, "Shop.example");
  WriteFile(home_ / "Errors/19990101.TSL", "99,08:00:00,M002:Old,,\n");
  WriteFile(home_ / "Errors/19990524.TSL", "99,08:00:00,M001:Lost,,\n");
  for (const Row& row : rows) {
    WriteFile(AuditFile("Audit/"), row.today);
    Texts shown;
    DialogScript script = row.script;
    script.Then(Capture(&shown)).Close();
    ui_.ScriptDialog(kLogViewerTitle, script);
    LogViewer(nullptr);
    // Each expected text in order, others between them.
    auto at = shown.begin();
    for (const std::string& want : row.shown) {
      at = std::find(at, shown.end(), want);
      EXPECT_NE(shown.end(), at) << (&row - rows) << ": " << want;
    }
  }
}

TEST_F(LogViewerTest, OkSwitchesLoggingAndNotesTheChangeEscapeChangesNothing) {
  const struct {
    int level;
    int clicks;  // on "Loggin ON"
    bool ok;
    const char* directory;  // typed, "" to keep
    int levelAfter;
    const char* logPathAfter;  // below home_
    const char* entries;       // written to the day file of that directory
  } rows[] = {
      {0, 1, true, "", 1, "Audit/", "3,09:05:07,Logging turned ON,\n"},
      {1, 1, true, "", 0, "Audit/", "3,09:05:07,Logging turned OFF,\n"},
      {0, 2, true, "", 0, "Audit/", ""},
      {0, 1, false, "", 0, "Audit/", ""},
      {0, 1, true, "Moved", 1, "Moved/", "3,09:05:07,Logging turned ON,\n"},
  };
  for (const auto& row : rows) {
    WriteFile(home_ / "Moved/.keep", "");
    for (const char* dir : {"Audit/", "Moved/"})
      WriteFile(home_ / (std::string(dir) + "19990525.TSL"), "");
    platform::CopyText(LogPath, home_ / "Audit/");
    loglevel = row.level;
    DialogScript script;
    for (int i = 0; i < row.clicks; ++i)
      script.Click(kIdLogOn);
    if (*row.directory) script.Type(kIdLogDirectory, home_ / row.directory);
    row.ok ? script.Click(platform::kCommandOk) : script.Close();
    ui_.ScriptDialog(kLogViewerTitle, script);
    EXPECT_EQ(row.ok ? 1 : 0, LogViewer(nullptr));
    std::string n = std::to_string(&row - rows);
    EXPECT_EQ(row.levelAfter, loglevel) << n;
    EXPECT_EQ(home_ / row.logPathAfter, LogPath) << n;
    EXPECT_EQ(row.entries, ReadFile(home_ / (std::string(row.logPathAfter) + "19990525.TSL"))) << n;
  }
}

}  // namespace
