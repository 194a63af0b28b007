#include "config/startup.h"

#include <cstring>
#include <string>

#include "config/date_rules_dialog.h"
#include "config/settings.h"
#include "config/setup_wizard.h"
#include "config/version.h"
#include "engine/page_tags.h"
#include "log/audit.h"
#include "platform/fatal_signals.h"
#include "platform/fs.h"
#include "platform/paths.h"
#include "platform/process.h"
#include "platform/single_instance.h"
#include "platform/text.h"
#include "plugins/context.h"
#include "schema/default_schema.h"
#include "schema/schema.h"
#include "schema/site_tags_dialog.h"
#include "schema/value_choosers.h"
#include "tree/task_dialog.h"
#include "tree/tasks.h"
#include "ui/diagnostics.h"
#include "ui/expert_bar.h"
#include "ui/main_window.h"
#include "ui/resources.h"
#include "ui/skins.h"
#include "ui/working_display.h"

using namespace platform;

namespace {

// Posted by the splash's first paint: read the settings (and run a first start) after it.
constexpr unsigned kMsgSplashStart = kMsgUser + 21;

constexpr char kBuildDate[] = __DATE__;
constexpr int kSplashOk = kCommandOk;

// The splash's first paint reads the settings; later ones draw it. Starts set on every run.
int gSplashFirstPaint = 1;
char* gSplashTitle = nullptr;

// The command line names the configuration directory; a relative one is taken from the
// start-up directory, so that it still holds when the program changes directory.
std::string ConfigDirectory(const char* commandLine, const std::string& startup) {
  if (!commandLine || !*commandLine) return startup;
  if (commandLine[0] == '/') return commandLine;
  return JoinPath(startup, commandLine);
}

// The instance is per configuration directory, however it was named.
std::string InstanceKey(const std::string& dir) {
  std::string real;
  return Fs().RealPath(dir, &real) == 0 ? real : dir;
}

void PaintSplash(Canvas& dc) {
  const Bitmap& splash = ResourceBitmap(kBmpSplash);
  dc.DrawBitmap(splash, RectAt(0, 0, 640, 480), Point{0, 0}, RasterOp::kCopy);
  dc.FrameRect(Rect{495, 8, 610, 45}, Rgb(0, 0, 0), 2);
  TextStyle white;
  white.font = MakeFont("", 12);
  white.colour = Rgb(0xFF, 0xFF, 0xFF);
  white.transparent = true;
  dc.Text(Point{500, 10}, Format("Version    : %s", szVer), white);
  dc.Text(Point{500, 25}, kBuildDate, white);
}

LResult SplashProc(WindowHandle d, unsigned message, WParam w, LParam l) {
  switch (message) {
    case kMsgInitDialog:
      gSplashTitle = reinterpret_cast<char*>(l);
      MoveWindow(d, RectAt(0, 0, 640, 480));
      SetWindowTitle(d, gSplashTitle);
      EnableControl(d, kSplashOk, true);
      return 1;
    case kMsgPaint:
      if (gSplashFirstPaint) {
        gSplashFirstPaint = 0;
        // The reading may run the setup wizard's dialogs: not from inside a paint.
        PostMessage(d, kMsgSplashStart, 0, 0);
        return 1;
      }
      PaintSplash(*PaintCanvas(l));
      if (AppOptions & kOptSkipSplash) EndDialog(d, kSplashOk);
      return 1;
    case kMsgSplashStart: {
      InitStampTag();
      ReadSiteList(d);
      int read = ReadSettings(d);
      if (read == -1) gSplashTitle[0] = '\0';
      if (read != 0 || ToolBarOn) {
        EndDialog(d, kSplashOk);
      } else {
        // Nothing was drawn: the splash itself is painted next time round.
        InvalidateWindow(d, nullptr);
      }
      return 1;
    }
    case kMsgCommand:
      // OK, and the frame's close box, which arrives as Cancel.
      if (LowWord(w) == kCommandOk || LowWord(w) == kCommandCancel) {
        EndDialog(d, kSplashOk);
        return 1;
      }
      return 0;
  }
  return 0;
}

void MakeDirectory(const std::string& dir) {
  Fs().MakeDir(dir);  // an existing or uncreatable directory is not an error here
}

}  // namespace

DialogTemplate SplashTemplate() {
  DialogTemplate t;
  t.title = szTitle;
  t.width = 640;
  t.height = 480;
  t.controls = {
      {kSplashOk, ControlKind::kPushButton, "OK", RectAt(550, 440, 80, 24), kStyleDefaultButton},
  };
  return t;
}

int SplashWindow(WindowHandle owner, char (&titleBuffer)[64]) {
  return RunDialog(owner, SplashTemplate(), SplashProc, reinterpret_cast<LParam>(titleBuffer));
}

std::vector<Accelerator> MainAccelerators() {
  // No "?": the table sees the keys typed into the editor's fields, and a "?" typed into a
  // tag value would open the about box instead of reaching the value.
  return {
      {'/', kModAlt, kCmdAbout},
  };
}

int FirstRunSequence(WindowHandle owner) {
  // IniPath is the configuration directory here: the reader never keeps the file name on it.
  CopyText(LogPath, WithTrailingSlash(JoinPath(IniPath, "Audit")));
  MakeDirectory(LogPath);
  CopyText(MailQueue, WithTrailingSlash(JoinPath(IniPath, "MailQ")));
  MakeDirectory(MailQueue);

  if (RunSetupWizard(owner) != 0) {
    std::string url = "file://" + JoinPath(StartupPath, "info/index.htm");
    if (StartProgram(WebBrowser, url) != 0) ReportCoded("M005:The web browser could not be found");
  }

  CopyText(Sitemapfile, JoinPath(RootPath, "Sitemap.htm"));
  CopyText(ErrorLogPath, WithTrailingSlash(StartupPath));
  KeepUnchanged = 1;  // a new site leaves documents that would not change alone
  WriteSettings();
  WriteMailerSettings();
  ReadSiteList(owner);

  if (!FileExists(ResolveFixedName(IniPath, "META.IDX")) &&
      WriteDefaultSchema(JoinPath(IniPath, "META.IDX")) != 0)
    return -1;

  if (FileExists(ResolveFixedName(RootPath, "META.TAG"))) return -2;
  std::string rootTags = JoinPath(RootPath, "META.TAG");
  std::string question =
      Format("The root metatag file %s was not found.\nPress YES to create one,\n or NO to exit.",
             rootTags.c_str());
  if (ShowMessageBox(owner, question, "TAGSTEWARD STARTUP", kBoxYesNo | kBoxIconExclamation) !=
      kAnswerYes)
    return -1;
  return WriteRootTags(rootTags, owner) != 0 ? -1 : -2;
}

int ReserveTables() {
  // The schema's three blocks report their own shortage (M024, M025, M027).
  if (ReserveSchemaTables() != 0) {
    ReleasePageTags();
    return 0;
  }
  if (ReservePageTags() != 0) {
    ReportCoded("M026:INSUFFICIENT SYSTEM MEMORY\nChoose a lower value for Maximum Page Tags");
    ReleaseSchemaTables();
    return 0;
  }
  return 1;
}

void ReleaseTables() {
  ReleaseSchemaTables();
  ReleasePageTags();
}

void Shutdown() {
  WriteSettings();
  if (ToolBarOn) DestroyExpertBar();
  ReleaseTables();
  PostQuit(0);
}

void RaiseMainWindow() {
  // While the splash runs the main window is still hidden and stays so.
  if (!hwndMain || !IsWindowVisible(hwndMain)) return;
  ShowWindow(hwndMain, IsMinimised(hwndMain) ? ShowState::kRestore : ShowState::kShow);
  SetFocus(hwndMain);
}

void InstallProgramDialogs() {
  SetTaskDialog(SearchReplaceDeleteDialog);
  SetSiteTagsDialog(RunSiteTagsDialog);
  InstallAddTagChooser();
  SetDateRulesDialog(WebManagementDialog);
}

int ProgramEntry(const char* commandLine, ShowState show) {
  ScreenInfo screen = Screen();
  gScreenMetrics.height = screen.height;
  gScreenMetrics.width = screen.width;

  CopyText(szTitle, Format("%s  %s", ResourceString(500), szVer));

  ClearExportedTasks();
  for (char* line : text)
    line[0] = '\0';

  std::string cwd;
  if (Fs().CurrentDir(&cwd) != 0)
    ReportCoded("M003:Path location error!");
  else
    CopyText(IniPath, cwd);

  SingleInstance instance;
  if (!cwd.empty() && instance.Claim(InstanceKey(ConfigDirectory(commandLine, cwd))) ==
                          InstanceClaim::kOtherRunning)
    return 0;

  int failed = InstallFatalSignalHandlers();
  if (failed & kSignalAbortFailed)
    ShowMessageBox(nullptr, "siginit error 1", "Application Error", kBoxOk | kBoxIconExclamation);
  if (failed & kSignalSegvFailed)
    ShowMessageBox(nullptr, "siginit error 2", "Application Error", kBoxOk | kBoxIconExclamation);
  InstallDiagnosticsHook();

  std::string startup;
  if (Fs().CurrentDir(&startup) != 0) {
    ReportCoded("M001:Path location error!");
    return -1;
  }
  CopyText(StartupPath, startup);

  const std::string configDir = ConfigDirectory(commandLine, startup);
  CopyText(gPluginContext.configFile, ResolveFixedName(configDir, "META.INI"));
  gPluginContext.internalVersion = TS_CONTEXT_VERSION;
  gPluginContext.currentSite = CurrentConfig;
  gPluginContext.rootPath = RootPath;
  gPluginContext.startupPath = StartupPath;
  gPluginContext.screen = &gScreenMetrics;
  gPluginContext.requestPending = 0;

  ReadEarlySettings();
  SelectSkinModule();

  if (!CreateMainWindow()) return 0;
  gPluginContext.mainWindow = hwndMain;
  instance.SetWindow(hwndMain);

  CopyText(IniPath, configDir);
  MaxSites = 30;

  // The first-run sequence belongs to this run only.
  struct FirstRunScope {
    FirstRunScope() { SetFirstRunHook(FirstRunSequence); }
    ~FirstRunScope() { SetFirstRunHook(nullptr); }
  } firstRun;

  char title[64];
  CopyText(title, WindowTitle(hwndMain));
  gSplashFirstPaint = 1;
  SplashWindow(hwndMain, title);
  if (title[0] == '\0') return 0;

  ShowWindow(hwndMain, show);
  if (showsettings) SendMessage(hwndMain, kMsgCommand, MakeWParam(kCmdSummary, 0), 0);

  if (!ReserveTables()) {
    ReportCoded("M002:Program cannot continue.\nEdit memory settings in META.INI.");
    return 0;
  }
  LoadSchema();

  SetAccelerators(hwndMain, MainAccelerators());
  return RunMessageLoop();
}
