// tagsteward-shots OUTDIR: pictures of the desktop program for the README, made on a copy of the
// example site: the main window with the summary of settings, a running site task, the
// setup wizard's site page (a first run in an empty directory, in a second process), and the
// timer plug-in's events dialog.
#include <unistd.h>

#include <QApplication>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/gui_robot.h"
#include "config/settings.h"
#include "config/setup_wizard.h"
#include "config/sites.h"
#include "config/startup.h"
#include "engine/page_tags.h"
#include "platform/fs.h"
#include "platform/qt/qt_ui.h"
#include "platform/text.h"
#include "plugins/context.h"
#include "timers/dialogs.h"
#include "tree/task_state.h"
#include "tree/tasks.h"
#include "ui/main_window.h"
#include "ui/page_editor.h"
#include "ui/summary.h"
#include "ui/working_display.h"

using namespace platform;
namespace fs = std::filesystem;

namespace {

void WriteAll(const std::string& path, const std::string& bytes) {
  fs::create_directories(fs::path(path).parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

bool Save(WindowHandle window, const std::string& path) {
  if (SaveWindowImage(window, path)) {
    std::printf("%s\n", path.c_str());
    return true;
  }
  std::fprintf(stderr, "could not write %s\n", path.c_str());
  return false;
}

int MainWindowShots(const std::string& work, const std::string& out) {
  std::string home = work + "/home";
  if (!gui::CopyExampleHome(TS_SOURCE_DIR "/examples/home", home)) return 1;
  // A larger tree, so that the task is caught while it runs.
  for (int i = 0; i < 3000; ++i)
    WriteAll(
        Format("%s/site/archive/%d/%02d/page%04d.htm", home.c_str(), 1990 + i % 10, i % 12 + 1, i),
        "<HTML>\r\n<HEAD>\r\n<TITLE>Page</TITLE>\r\n</HEAD>\r\n<BODY>x</BODY>\r\n</HTML>\r\n");

  gui::Robot robot;
  gui::AddSplashStep(robot);
  robot.Add("summary", [] {
    if (!hwndMain || !IsWindowVisible(hwndMain) || ActiveDialog()) return false;
    gPluginContext.confirmation = 0;
    PostMessage(hwndMain, kMsgCommand, MakeWParam(kCmdSummary, 0), 0);
    return true;
  });
  robot.Add("main window", [&] {
    if (!SummaryShown) return false;
    Save(hwndMain, out + "/main-window.png");
    PostMessage(hwndMain, kMsgCommand, MakeWParam(kTaskInherit, 0), 0);
    return true;
  });
  robot.Add("task", [&] {
    if (!block || percent < 30 || !text[3][0]) return false;
    Save(hwndMain, out + "/task-running.png");
    SendMessage(FindControl(hwndMain, kIdCancelTask), kMsgClick, 0, 0);
    return true;
  });
  robot.Add("exit", [] {
    if (block) return false;
    PostMessage(hwndMain, kMsgCommand, MakeWParam(kCmdExit, 0), 0);
    return true;
  });
  robot.Start(40, 60000);
  int rc = ProgramEntry(home.c_str(), ShowState::kShow);
  return robot.Finished() ? rc : 1;
}

// The splash and the about box.
int DialogShots(const std::string& work, const std::string& out) {
  std::string home = work + "/dialogs";
  if (!gui::CopyExampleHome(TS_SOURCE_DIR "/examples/home", home)) return 1;
  gui::Robot robot;
  robot.Add("splash", [&] {
    WindowHandle splash = ActiveDialog();
    if (!splash) return false;
    UpdateWindow(splash);
    Save(splash, out + "/splash.png");
    PostMessage(splash, kMsgCommand, MakeWParam(kCommandOk, 0), 0);
    return true;
  });
  robot.Add("about", [] {
    if (!hwndMain || !IsWindowVisible(hwndMain) || ActiveDialog()) return false;
    PostMessage(hwndMain, kMsgCommand, MakeWParam(kCmdAbout, 0), 0);
    return true;
  });
  robot.Add("about box", [&] {
    WindowHandle about = ActiveDialog();
    if (!about) return false;
    Save(about, out + "/about.png");
    PostMessage(about, kMsgCommand, MakeWParam(kCommandOk, 0), 0);
    return true;
  });
  gui::AddExitStep(robot);
  robot.Start(40, 20000);
  return ProgramEntry(home.c_str(), ShowState::kShow);
}

// Milliseconds from the start of the process until the main window has painted, with the splash's
// OK pressed as soon as it shows.
int StartupTime(const std::string& work, std::chrono::steady_clock::time_point start) {
  std::string home = work + "/startup";
  if (!gui::CopyExampleHome(TS_SOURCE_DIR "/examples/home", home)) return 1;
  gui::Robot robot;
  gui::AddSplashStep(robot);
  robot.Add("first paint", [start] {
    if (!hwndMain || !IsWindowVisible(hwndMain)) return false;
    UpdateWindow(hwndMain);
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - start);
    std::printf("main window painted %lld ms after the start\n",
                static_cast<long long>(ms.count()));
    PostMessage(hwndMain, kMsgCommand, MakeWParam(kCmdExit, 0), 0);
    return true;
  });
  robot.Start(2, 20000);
  return ProgramEntry(home.c_str(), ShowState::kShow);
}

// A page of 60 tags open in the editor, with the time from the open command to the rows filled.
int EditorShot(const std::string& work, const std::string& out) {
  std::string home = work + "/editor";
  if (!gui::CopyExampleHome(TS_SOURCE_DIR "/examples/home", home)) return 1;
  std::string page = home + "/site/about/history.htm";
  std::string head = "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n";
  head += "<meta http-equiv=\"DC.Title\" content=\"Our history\">\n";
  head +=
      "<meta http-equiv=\"DC.Creator.Contact\" content=\"secretary@harbourside-rowing.example\">\n";
  head += "<meta http-equiv=\"DEF.Security\" content=\"Unclassified\">\n";
  head += "<meta http-equiv=\"AD.Review Date\" content=\"20270301\">\n";
  for (int i = 4; i < 58; ++i)  // with the two automatic tags, 60
    head += Format("<meta name=\"DC.Subject\" content=\"Regatta %d\">\n", 1911 + i);
  WriteAll(page, head + "</head>\n<body><h1>Our history</h1></body>\n</html>\n");

  gui::Robot robot;
  gui::AddSplashStep(robot);
  robot.Add("open", [&] {
    if (!hwndMain || !IsWindowVisible(hwndMain) || ActiveDialog()) return false;
    if (SummaryShown) SendMessage(hwndMain, kMsgCommand, MakeWParam(kCmdSummary, 0), 0);
    showatts = 1;
    CopyText(PrevFiles[0], page);
    auto start = std::chrono::steady_clock::now();
    SendMessage(hwndMain, kMsgCommand, MakeWParam(kCmdRecentFirst, 0), 0);
    UpdateWindow(hwndMain);
    auto us = std::chrono::duration_cast<std::chrono::microseconds>(
        std::chrono::steady_clock::now() - start);
    std::printf("%d tags: rows filled and painted %lld us after the open command\n", Tagcount,
                static_cast<long long>(us.count()));
    return true;
  });
  robot.Add("shot", [&] {
    SetFocus(ValueEdits[2]);
    Save(hwndMain, out + "/page-editor.png");
    PageChanged = 0;
    PostMessage(hwndMain, kMsgCommand, MakeWParam(kCmdExit, 0), 0);
    return true;
  });
  robot.Start(40, 20000);
  return ProgramEntry(home.c_str(), ShowState::kShow);
}

// The Sites dialog and General Options, at whatever zoom QT_SCALE_FACTOR gives (the script asks
// for 150 %).
int SettingsShots(const std::string& work, const std::string& out) {
  std::string home = work + "/settings";
  if (!gui::CopyExampleHome(TS_SOURCE_DIR "/examples/home", home)) return 1;
  gui::Robot robot;
  gui::AddSplashStep(robot);
  robot.Add("sites", [] {
    if (!hwndMain || !IsWindowVisible(hwndMain) || ActiveDialog()) return false;
    PostMessage(hwndMain, kMsgCommand, MakeWParam(kIdSites, 0), 0);
    return true;
  });
  robot.Add("sites dialog", [&] {
    WindowHandle d = ActiveDialog();
    if (!d || WindowTitle(d) != "Sites") return false;
    SetListSelection(FindControl(d, kSitesList), 0);
    UpdateWindow(d);
    Save(d, out + "/sites-dialog.png");
    PostMessage(d, kMsgCommand, MakeWParam(kSitesDone, 0), 0);
    return true;
  });
  robot.Add("general options", [] {
    if (ActiveDialog()) return false;
    PostMessage(hwndMain, kMsgCommand, MakeWParam(kCmdGeneralOptions, 0), 0);
    return true;
  });
  robot.Add("general options dialog", [&] {
    WindowHandle d = ActiveDialog();
    if (!d || WindowTitle(d) != "General Options") return false;
    UpdateWindow(d);
    Save(d, out + "/general-options-150.png");
    PostMessage(d, kMsgCommand, MakeWParam(kCommandCancel, 0), 0);
    return true;
  });
  gui::AddExitStep(robot);
  robot.Start(40, 20000);
  return ProgramEntry(home.c_str(), ShowState::kShow);
}

// The timer plug-in's events dialog with a few events of the first site.
int TimersShot(const std::string& work, const std::string& out) {
  std::string home = work + "/timers";
  if (!gui::CopyExampleHome(TS_SOURCE_DIR "/examples/home", home)) return 1;
  // The program loads the plug-ins of its start-up directory: the work directory.
  std::error_code ec;
  fs::copy_file(TS_BINARY_DIR "/Timers.TSP", work + "/Timers.TSP",
                fs::copy_options::overwrite_existing, ec);
  if (ec || ::chdir(work.c_str()) != 0) {
    std::fprintf(stderr, "no %s/Timers.TSP to load\n", TS_BINARY_DIR);
    return 1;
  }
  std::string ini;
  if (ReadWholeFile(home + "/META.INI", &ini) != 0) return 1;
  const std::string section = "[Config:Harbourside]\n";
  ini.insert(ini.find(section) + section.size(),
             "Event1=CEDINHERIT metatags into all docs\nEvent2=BAC/srv/backups/harbourside\n"
             "Event3=AAB\nEvent4=CMDUpdate the sitemap\nEvent5=DDF/srv/bin/sync-site.sh\n");
  WriteAll(home + "/META.INI", ini);

  gui::Robot robot;
  gui::AddSplashStep(robot);
  robot.Add("events", [] {
    if (!hwndMain || !IsWindowVisible(hwndMain) || ActiveDialog()) return false;
    return gui::ChooseMenuItem("Plugins", "Timed Events");
  });
  robot.Add("events dialog", [&] {
    WindowHandle d = ActiveDialog();
    if (!d || WindowTitle(d) != "Timed Events" || ListCount(FindControl(d, kEventsList)) < 5)
      return false;
    UpdateWindow(d);
    Save(d, out + "/timed-events.png");
    PostMessage(d, kMsgCommand, MakeWParam(kCommandCancel, 0), 0);
    return true;
  });
  gui::AddExitStep(robot);
  robot.Start(40, 20000);
  int rc = ProgramEntry(home.c_str(), ShowState::kShow);
  return robot.Finished() ? rc : 1;
}

int WizardShot(const std::string& work, const std::string& out) {
  std::string home = work + "/first-run";
  fs::create_directories(home + "/site");
  gui::Robot robot;
  robot.Add("welcome", [] {
    WindowHandle page = ActiveDialog();
    if (!page || WindowTitle(page) != "Welcome to Tagsteward!") return false;
    PostMessage(page, kMsgCommand, MakeWParam(kWizNext, 0), 0);
    return true;
  });
  robot.Add("site page", [&] {
    WindowHandle page = ActiveDialog();
    if (!page || WindowTitle(page).find("page 1 of 2") == std::string::npos) return false;
    SetControlText(FindControl(page, kWizSiteName), "Riverside Rowing Club");
    SetControlText(FindControl(page, kWizSiteUrl), "http://www.riverside-rowing.example/");
    Save(page, out + "/wizard-site.png");
    std::fflush(stdout);
    std::_Exit(0);  // the picture is all this run is for
    return true;
  });
  robot.Start(40, 20000);
  ProgramEntry(home.c_str(), ShowState::kShow);
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  auto start = std::chrono::steady_clock::now();
  std::string mode = argc == 4 ? argv[1] : "";
  if (mode != "main" && mode != "wizard" && mode != "startup" && mode != "dialogs" &&
      mode != "editor" && mode != "settings" && mode != "timers") {
    std::fprintf(
        stderr,
        "usage: tagsteward-shots main|wizard|startup|dialogs|editor|settings|timers WORKDIR "
        "OUTDIR\n");
    return 2;
  }
  QApplication app(argc, argv);
  auto ui = platform::MakeQtUi();
  platform::SetUiBackend(ui.get());
  InstallProgramDialogs();
  std::string work = fs::absolute(argv[2]).string(), out = fs::absolute(argv[3]).string();
  fs::create_directories(out);
  int rc = mode == "main"       ? MainWindowShots(work, out)
           : mode == "wizard"   ? WizardShot(work, out)
           : mode == "dialogs"  ? DialogShots(work, out)
           : mode == "editor"   ? EditorShot(work, out)
           : mode == "settings" ? SettingsShots(work, out)
           : mode == "timers"   ? TimersShot(work, out)
                                : StartupTime(work, start);
  platform::SetUiBackend(nullptr);
  return rc;
}
