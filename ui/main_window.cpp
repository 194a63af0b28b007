// The main window: creation, painting, the command dispatch, and the window side of the tasks.
#include "ui/main_window.h"

#include <string>

#include "config/date_rules_dialog.h"
#include "config/memory_dialog.h"
#include "config/settings.h"
#include "config/settings_dialogs.h"
#include "config/sites.h"
#include "config/startup.h"
#include "engine/page_ops.h"
#include "engine/page_tags.h"
#include "log/audit.h"
#include "log/log_viewer.h"
#include "platform/process.h"
#include "platform/single_instance.h"
#include "platform/text.h"
#include "plugins/context.h"
#include "plugins/host.h"
#include "schema/schema.h"
#include "schema/value_lists.h"
#include "sitemap/sitemap.h"
#include "tree/branch_tasks.h"
#include "tree/task_state.h"
#include "tree/tasks.h"
#include "tree/walker.h"
#include "ui/about_box.h"
#include "ui/app_fonts.h"
#include "ui/diagnostics.h"
#include "ui/expert_bar.h"
#include "ui/notify_box.h"
#include "ui/page_editor.h"
#include "ui/resources.h"
#include "ui/skins.h"
#include "ui/summary.h"
#include "ui/text_fit.h"
#include "ui/working_display.h"

using namespace platform;

WindowHandle hwndMain = nullptr;
int SummaryShown = 0;
int RecentMenuDirty = 0;
int menuon = 1;
int EditorActive = 0;
int hidingcontrols = 0;
Colour HeaderColour = Rgb(0xD4, 0xD0, 0xC8);

const char kProductHost[] = "tagsteward.example.org";

namespace {

constexpr Colour kBlack = 0;
constexpr Colour kWhite = Rgb(0xFF, 0xFF, 0xFF);
constexpr Colour kNearWhite = 0x00FAFAFA;
constexpr Colour kProgressBlue = 0x00E13232;
constexpr Colour kTagCountGrey = 0x00505050;
constexpr Colour kTitleHalo = Rgb(0x10, 0x18, 0x40);

// Posted by the first paint so that the deferred start-up runs outside the paint itself.
constexpr unsigned kMsgDeferredStartup = kMsgUser + 20;

MenuHandle EditMenu;
bool FirstPaint = true;
WindowHandle TaskNotifyBox;

const char* const kButtonCaptions[8] = {"Add Tag", "Tidy",      "Sort",   "Inherit",
                                        "Save",    "View Page", "Source", "SiteMap"};

TextStyle Style(const FontDescription& font, Colour colour) {
  TextStyle style;
  style.font = font;
  style.colour = colour;
  style.transparent = true;
  return style;
}

void DrawBitmap(Canvas& dc, const Bitmap& bitmap, const Rect& dest, RasterOp op) {
  if (!bitmap.empty()) dc.DrawBitmap(bitmap, dest, {0, 0}, op);
}

MenuHandle BuildMenuBar() {
  MenuHandle bar = CreateMenu();
  MenuHandle setup = CreateMenu();
  AppendMenuItem(setup, kCmdSiteConfiguration, "Site Configuration");
  AppendMenuItem(setup, kCmdBusinessRules, "Site Business Rules");
  AppendMenuItem(setup, kCmdManageExpired, "Manage Expired Documents");
  AppendMenuItem(setup, kCmdManageReview, "Manage Document Review");
  AppendMenuItem(setup, kCmdMarkupOptions, "Site Markup Options");
  AppendSeparator(setup);
  AppendMenuItem(setup, kCmdGeneralOptions, "General Options");
  AppendMenuItem(setup, kCmdAppearance, "Application Appearance");
  AppendMenuItem(setup, kCmdMemory, "Memory Management");
  AppendMenuItem(setup, kCmdSummary, "Summary of Settings");
  AppendSubmenu(bar, setup, "Setup");

  MenuHandle edit = CreateMenu();
  MenuHandle schema = CreateMenu();
  AppendMenuItem(schema, kCmdEditSchema, "Edit Schema Dictionary");
  AppendMenuItem(schema, kCmdReloadSchema, "Reload Schema Dictionary");
  AppendSubmenu(edit, schema, "Edit Metatag-Schema");
  AppendMenuItem(edit, kCmdEditTreeTags, "Edit Tree-Metatags");
  AppendMenuItem(edit, kCmdEditPageTags, "Edit Page-Metatags");
  AppendSeparator(edit);
  AppendSubmenu(bar, edit, "Edit");

  MenuHandle tasks = CreateMenu();
  AppendMenuItem(tasks, kCmdUpdateSitemap, "Update the sitemap");
  AppendMenuItem(tasks, kTaskMigrate, "Migrate the style sheets");
  AppendMenuItem(tasks, kTaskExpiry, "Check for EXPIRED documents");
  AppendMenuItem(tasks, kTaskReview, "Check REVIEW dates in documents");
  AppendSeparator(tasks);
  AppendMenuItem(tasks, kTaskSearch, "SEARCH for a metatag in all documents");
  AppendMenuItem(tasks, kTaskReplace, "REPLACE a metatag in all documents");
  AppendMenuItem(tasks, kTaskDelete, "DELETE a metatag from all documents");
  AppendSeparator(tasks);
  AppendMenuItem(tasks, kTaskInherit, "INHERIT metatags into all documents");
  AppendMenuItem(tasks, kTaskSort, "SORT metatags in all documents");
  AppendMenuItem(tasks, kTaskDeleteDuplicates, "DELETE DUPLICATES from all documents");
  AppendMenuItem(tasks, kTaskDeleteAll, "DELETE ALL metatags from all documents");
  AppendSubmenu(bar, tasks, "Site Tasks");

  AppendMenuItem(bar, kCmdBranchTasks, "Branch Tasks");
  AppendMenuItem(bar, kCmdLogging, "Logging");

  MenuHandle help = CreateMenu();
  AppendMenuItem(help, kCmdLocalHelp, "Local Help");
  AppendMenuItem(help, kCmdWebHelp, "Web Help");
  AppendSeparator(help);
  AppendMenuItem(help, kCmdUpgrade, "Upgrade via Web");
  AppendMenuItem(help, kCmdAbout, "About Tagsteward...");
  AppendSubmenu(bar, help, "Help");

  AppendMenuItem(bar, kCmdExit, "Exit");
  EditMenu = edit;
  return bar;
}

WindowHandle AddControl(WindowHandle parent, int id, ControlKind kind, const char* caption,
                        Rect rect, unsigned style) {
  ControlTemplate control;
  control.id = id;
  control.kind = kind;
  control.caption = caption;
  control.rect = rect;
  control.style = style;
  return CreateControl(parent, control);
}

void CreateChildWindows(WindowHandle window) {
  CreateEditorRows(window);
  AddControl(window, kIdOpen, ControlKind::kPushButton, "OPEN", RectAt(556, 109, 60, 70), 0);
  AddControl(window, kIdClose, ControlKind::kPushButton, "CLOSE", RectAt(556, 193, 60, 70),
             kStyleDisabled);
  AddControl(window, kIdCancelEdit, ControlKind::kPushButton, "Cancel", RectAt(556, 277, 60, 70),
             kStyleDisabled);
  AddControl(window, kIdExitButton, ControlKind::kPushButton, "Exit", RectAt(556, 361, 60, 70), 0);
  AddControl(window, kIdSites, ControlKind::kPushButton, "SITES", RectAt(530, 1, 105, 20), 0);
  AddControl(window, kIdCancelTask, ControlKind::kPushButton, "CANCEL", RectAt(0, 1, 45, 20),
             kStyleHidden);
  for (int i = 0; i < 8; ++i)
    AddControl(window, kIdAddTag + i, ControlKind::kPushButton, kButtonCaptions[i],
               RectAt(4 + 68 * i, 392, 66, 40), kStyleDisabled | kStyleSunken);
  if (AppOptions & kOptDiagButtons) {
    AddControl(window, kIdDiag, ControlKind::kPushButton, "diag", RectAt(556, 25, 60, 23), 0);
    AddControl(window, kIdStress1, ControlKind::kPushButton, "stress 1", RectAt(556, 48, 60, 23),
               0);
    AddControl(window, kIdStress2, ControlKind::kPushButton, "stress 2", RectAt(556, 71, 60, 23),
               0);
  }
  EnableEditor(0);
}

LResult OnCreate(WindowHandle window) {
  bool busy = TakeBusyWord();
  hwndMain = window;
  gPluginContext.mainWindow = window;
  ScreenInfo screen = Screen();
  HeaderColour = screen.menuColour;
  LoadAppFonts();
  LoadSkinBitmap();
  gScreenMetrics.averageCharWidth = screen.averageCharWidth;
  SummaryShown = 0;
  EditorActive = 0;
  CopyText(gPluginContext.rootCopy, RootPath);
  gPluginContext.rootPath = RootPath;
  SetWindowMenu(window, BuildMenuBar());
  RegisterHostTasks();
  LoadPlugins(window, PluginDirectories());
  BuildPluginsMenu(window);
  SetMainWindowCommand([](int command) {
    if (hwndMain) SendMessage(hwndMain, kMsgCommand, MakeWParam(command, 0), 0);
  });
  SetBranchTasksRunner(BranchTasksDialog);

  char names[2048];
  char* table[kMaxValueFiles] = {};
  int valueFiles = ListValueFiles(window, names, sizeof names, table);
  CreateChildWindows(window);
  ShowEditRows(0);
  CopyText(szBuild, Format("%d.%d", PluginCount, valueFiles < 0 ? 0 : valueFiles));
  if (gPluginContext.rootCopy[0]) ChangeDirectory(gPluginContext.rootCopy);
  if (busy) ReleaseBusyWord();
  return 0;
}

void DeferredStartup(WindowHandle window) {
  bool busy = TakeBusyWord();
  if (ToolBarOn) {
    CreateExpertBar();
    ShowWindow(window, ShowState::kMinimise);
  }
  RebuildRecentFiles();
  AppendExportedTaskItems();
  StartTimerPlugin(window);
  CopyText(gPluginContext.rootCopy, RootPath);
  if (gPluginContext.rootCopy[0]) ChangeDirectory(gPluginContext.rootCopy);
  if (busy) ReleaseBusyWord();
}

void Paint(Canvas& dc) {
  PaintSkin(dc, 8, 6, 0);
  Rect logo = RectAt(542, 21, 85, 85);
  DrawBitmap(dc, ResourceBitmap(kBmpLogoOr), logo, RasterOp::kOr);
  DrawBitmap(dc, ResourceBitmap(kBmpLogoAnd), logo, RasterOp::kAnd);

  Rect strip{0, 0, 636, 22};
  dc.FillRect(strip, HeaderColour);
  dc.FrameRect(strip, HeaderColour, 2);
  dc.Line({0, 0}, {640, 0}, kBlack, 1);
  dc.Line({0, 20}, {640, 20}, kBlack, 1);
  dc.Line({0, 1}, {640, 1}, kNearWhite, 1);
  dc.Line({0, 21}, {640, 21}, kNearWhite, 1);

  if (percent > 0) {
    int shown = percent > 100 ? 100 : percent;
    Rect bar{45, 3, 45 + shown * 485 / 100, 19};
    dc.FillRect(bar, kProgressBlue);
    dc.FrameRect(bar, HeaderColour, 2);
  }
  // Up to the SITES button; the task title stays readable over the filled and the empty bar.
  if (percent == 0)
    DrawFitted(dc, {50, 3}, CurrentConfig, Style(FontTitle, ColourTitle), 475);
  else
    DrawWithHalo(dc, {50, 3}, ElideMiddle(dc, TaskTitle, FontMain, 475), Style(FontMain, kWhite),
                 kTitleHalo);

  if (SummaryShown) {
    DrawSummary(dc, FontTitle, FontWorking);
    return;
  }
  if (percent == 0) dc.Text({3, 3}, "SITE:", Style(FontTitle, kBlack));
  if (!hidingcontrols) {
    dc.Text({25, 21}, "METATAG", Style(FontTitle, ColourTitle));
    dc.Text({245, 21}, "VALUE", Style(FontTitle, ColourTitle));
    if (showatts) dc.Text({227, 21}, "A", Style(FontTitle, ColourTitle));
  }
  if (Tagcount > 0 && block == 0) {
    dc.Text({480, 21}, Format("%d tags", Tagcount), Style(FontTitle, kTagCountGrey));
    PaintAttributeMarks(dc);
  }
  for (int i = 0; i < 20; ++i)
    if (text[i][0])  // never under the logo
      DrawFitted(dc, {20, 20 + 16 * i}, text[i], Style(FontWorking, ColourWorking), 518);
}

void RunBrowser(WindowHandle window, const std::string& address, const char* code) {
  if (StartProgram(WebBrowser, address) == 0 || !code) return;
  std::string message = Format("%s:The web browser could not be found", code);
  WriteAuditEntry(kAuditCritical, message);
  ShowMessageBox(window, message, "CRITICAL ERROR!", kBoxOk | kBoxIconStop);
}

// While a task runs, the window handles one message per document. Commands that would start
// a second walk, open a page, switch the site, change settings or end the program would work
// on the tables the walk is using; they wait until the task ends.
bool AllowedWhileTaskRuns(int id) {
  switch (id) {
    case kIdCancelTask:
    case kCmdAbout:
    case kCmdLocalHelp:
    case kCmdWebHelp:
    case kCmdUpgrade:
      return true;
    default:
      return false;
  }
}

void RunTask(WindowHandle window, int id) {
  RunSiteTask(window, id);
  InvalidateWindow(window, nullptr);
}

void Stress(WindowHandle window, std::initializer_list<int> commands, int times) {
  gPluginContext.confirmation &= ~kConfirmActions;
  for (int i = 0; i < times; ++i)
    for (int id : commands)
      SendMessage(window, kMsgCommand, MakeWParam(id, 0), 0);
}

// While a page is open its tags are in the page tag table: the site tasks, the site switch and
// the settings that re-reserve or reread the tables would overwrite them. The menus are greyed
// then; this also holds for the same commands from the Expert bar or a plug-in.
bool WaitsForOpenPage(int id) {
  if (!CurrentDocument[0]) return false;
  switch (id) {
    case kIdSites:
    case kCmdSiteConfiguration:
    case kCmdBusinessRules:
    case kCmdManageExpired:
    case kCmdManageReview:
    case kCmdMarkupOptions:
    case kCmdGeneralOptions:
    case kCmdAppearance:
    case kCmdMemory:
    case kCmdReloadSchema:
    case kCmdUpdateSitemap:
    case kCmdBranchTasks:
    case kTaskInherit:
    case kTaskMigrate:
    case kTaskSort:
    case kTaskDeleteDuplicates:
    case kTaskDeleteAll:
    case kTaskSearch:
    case kTaskReplace:
    case kTaskDelete:
    case kTaskExpiry:
    case kTaskReview:
      return true;
    default:
      return false;
  }
}

// Ends the program unless the open page has edits the user wants saved and the save failed.
void EndProgram(WindowHandle window) {
  if (AskToSaveChanges(window)) DestroyWindow(window);
}

LResult Dispatch(WindowHandle window, WParam w, LParam l) {
  int id = static_cast<int>(LowWord(w));
  if (block && !AllowedWhileTaskRuns(id)) {
    Beep();
    return 0;
  }
  if (WaitsForOpenPage(id)) {
    ShowMessageBox(window,
                   "A page is open in the editor. Save it, CLOSE it or Cancel it first, then "
                   "try again.",
                   "Note", kBoxOk | kBoxIconInformation);
    return 0;
  }
  if (SummaryShown) SummaryShown = ToggleSummary(0);
  if (EditorCommand(window, id, HighWord(w), l)) return 0;
  if (PluginCommand(window, id)) return 0;
  switch (id) {
    case kCmdExit:
    case kIdExitButton:
      EndProgram(window);
      return 0;
    case kCmdAbout:
      AboutBox(window);
      return 0;
    case kCmdLocalHelp:
      RunBrowser(window, Format("file://%s/info/index.htm", StartupPath), "M019");
      return 0;
    case kCmdWebHelp:
      RunBrowser(window, Format("http://%s/doco/frame.htm", kProductHost), "M020");
      return 0;
    case kCmdUpgrade:
      StartProgram(WebBrowser, Format("http://%s", kProductHost));
      return 0;
    case kCmdEditSchema:
      if (ChangeDirectory(IniPath) == 0) StartProgram(Editor, "META.IDX");
      return 0;
    case kCmdReloadSchema:
      LoadSchema();
      ShowMessageBox(window, "Schema Dictionary reloaded from disk.", "NOTE",
                     kBoxOk | kBoxIconInformation);
      return 0;
    case kCmdSummary:
      SummaryShown = ToggleSummary(1);
      return 0;
    case kCmdAppearance:
      ShowEditRows(0);
      AppearanceDialog(window);
      WriteSettings();
      InvalidateWindow(window, nullptr);
      ShowEditRows(1);
      return 0;
    case kCmdSiteConfiguration:
      ShowEditRows(0);
      SiteConfigurationDialog(window);
      ShowEditRows(1);
      return 0;
    case kIdSites: {
      bool busy = TakeBusyWord();
      SitesDialog(window);
      if (gPluginContext.rootCopy[0]) ChangeDirectory(gPluginContext.rootCopy);
      if (busy) ReleaseBusyWord();
      return 0;
    }
    case kCmdBusinessRules:
      ShowEditRows(0);
      if (BusinessRulesDialog(window, 1)) WriteSettings();
      ShowEditRows(1);
      return 0;
    case kCmdMarkupOptions:
      ShowEditRows(0);
      if (MarkupOptionsDialog(window)) WriteSettings();
      ShowEditRows(1);
      return 0;
    case kCmdGeneralOptions:
      ShowEditRows(0);
      // The Expert bar boxes act even when the dialog is cancelled: what they did is kept.
      GeneralOptionsDialog(window);
      WriteSettings();
      CopyText(gPluginContext.rootCopy, RootPath);
      {
        // The rows come back even when "Show working..." was just unticked.
        const int working = showworking;
        showworking = 1;
        ShowEditRows(1);
        showworking = working;
      }
      return 0;
    case kCmdManageExpired:
    case kCmdManageReview:
      ShowEditRows(0);
      WebManagementDialog(window, id);
      WriteSettings();
      ShowEditRows(1);
      return 0;
    case kCmdMemory:
      ShowEditRows(0);
      ChangeMemorySizes(window);
      ShowEditRows(1);
      return 0;
    case kCmdLogging:
      ShowEditRows(0);
      LogViewer(window);
      WriteSettings();
      ShowEditRows(1);
      return 0;
    case kCmdBranchTasks:
      ShowEditRows(0);
      BranchTasksCommand(window);
      ShowEditRows(1);
      InvalidateWindow(window, nullptr);
      return 0;
    case kCmdUpdateSitemap:
      ShowEditRows(0);
      UpdateSitemapCommand(window);
      ShowEditRows(1);
      InvalidateWindow(window, nullptr);
      return 0;
    case kTaskInherit:
    case kTaskMigrate:
    case kTaskDeleteDuplicates:
    case kTaskSort:
    case kTaskDeleteAll:
    case kTaskSearch:
    case kTaskReplace:
    case kTaskExpiry:
    case kTaskReview:
    case kTaskDelete:
      RunTask(window, id);
      return 0;
    case kIdCancelTask:
      gDropOut = 1;
      return 0;
    case kIdDiag:
      OpenDiagnosticsWindow(kReasonNone);
      return 0;
    case kIdStress1:
      Stress(window, {kTaskDeleteDuplicates}, 200);
      return 0;
    case kIdStress2:
      Stress(
          window,
          {kTaskMigrate, kTaskInherit, kTaskSort, kTaskDeleteDuplicates, kTaskExpiry, kTaskReview},
          2);
      return 0;
    default:
      return DefaultWindowProc(window, kMsgCommand, w, l);
  }
}

// A plug-in that asked for a command waits until its request is no longer pending, whether
// the command ran or was refused.
LResult OnCommand(WindowHandle window, WParam w, LParam l) {
  // The timer plug-in marks its requests pending before it sends them.
  TimerRequestScope timer(gPluginContext.requestPending == 1);
  LResult result = Dispatch(window, w, l);
  gPluginContext.requestPending = 0;
  return result;
}

// The window side of a running task: working lines, progress, the notify box, CANCEL.
class WindowDisplay : public WorkingDisplaySink {
 public:
  void WorkingLine(int level, std::string_view line) override {
    CopyText(text[level], line);
    Rect area{20, 20 + 16 * level, 532, 36 + 16 * level};
    if (hwndMain) InvalidateWindow(hwndMain, &area);
  }
  void Progress(int) override { RepaintProgress(); }
  void ClearProgress() override { RepaintProgress(); }
  void Notify(std::string_view note) override {
    if (TaskNotifyBox) {
      DestroyWindow(TaskNotifyBox);
      TaskNotifyBox = nullptr;
    }
    if (!note.empty() && hwndMain)
      TaskNotifyBox = ShowNotifyBox(hwndMain, std::string(note).c_str());
  }
  void PumpOne() override {
    if (hwndMain) PumpOneMessage(hwndMain);
  }
  void PumpAll() override {
    // Bounded: a window that keeps invalidating itself must not hold up the task.
    for (int i = 0; hwndMain && i < 1000 && PumpOneMessage(hwndMain); ++i) {
    }
  }
  void TaskRunning(bool running) override {
    if (!hwndMain) return;
    ShowWindow(FindControl(hwndMain, kIdCancelTask), running ? ShowState::kShow : ShowState::kHide);
    for (int id : {kIdSites, kIdExitButton, kIdOpen})
      EnableWindow(FindControl(hwndMain, id), !running && (id == kIdExitButton || menuon));
    MenuHandle bar = WindowMenu(hwndMain);
    for (int position = 0; position < 4; ++position)
      EnableMenuItem(bar, position, true, !running && menuon);
    EnableMenuItem(bar, kCmdExit, false, !running);
    RedrawMenuBar(hwndMain);
    Rect strip{0, 0, 640, 22};
    InvalidateWindow(hwndMain, &strip);
  }
  void EditRows(bool show) override { ShowEditRows(show ? 1 : 0); }
  void WaitCursor(bool wait) override { SetCursor(wait ? CursorKind::kWait : CursorKind::kArrow); }

 private:
  static void RepaintProgress() {
    if (!hwndMain) return;
    Rect strip{0, 0, 640, 22};
    InvalidateWindow(hwndMain, &strip);
    if (hwndToolBar && showtoolbar && IsMinimised(hwndMain))
      SendMessage(hwndToolBar, kMsgProgress, 0, 0);
  }
};

WindowDisplay gWindowDisplay;

}  // namespace

void RebuildRecentFiles() {
  if (!EditMenu) return;
  // Rebuild from the separator on: positions 4 and after are the recent files.
  while (MenuItems(EditMenu).size() > 4)
    RemoveMenuPosition(EditMenu, 4);
  for (int slot = 0; slot < 5; ++slot)
    if (PrevFiles[slot][0]) AppendMenuItem(EditMenu, kCmdRecentFirst + slot, PrevFiles[slot]);
}

void ShowEditRows(int show) {
  if (showworking != 1 || !hwndMain) return;
  for (int row = 0; row < 16; ++row) {
    ShowWindow(NameEdits[row], show ? ShowState::kShow : ShowState::kHide);
    ShowWindow(ValueEdits[row], show ? ShowState::kShow : ShowState::kHide);
  }
  hidingcontrols = show ? 0 : 1;
  Rect headings{25, 21, 310, 35};
  InvalidateWindow(hwndMain, &headings);
}

LResult MainWndProc(WindowHandle window, unsigned message, WParam w, LParam l) {
  switch (message) {
    case kMsgCreate:
      return OnCreate(window);
    case kMsgDestroy:
      if (TaskNotifyBox) DestroyWindow(TaskNotifyBox);
      TaskNotifyBox = nullptr;
      SetWorkingDisplaySink(nullptr);
      Shutdown();
      hwndMain = nullptr;
      gPluginContext.mainWindow = nullptr;
      FirstPaint = true;
      PostQuit(0);
      return 0;
    case kMsgClose:
      // Ending the program under a running walk would free the tables it is using.
      if (block) {
        Beep();
        return 0;
      }
      EndProgram(window);
      return 0;
    case kMsgQueryEndSession:
      // The desktop session ends: unsaved edits get the save question first.
      return block ? 0 : (AskToSaveChanges(window) ? 1 : 0);
    case kMsgKeyDown:
      if (w == kKeyTab) {
        EditorNavigate(window, static_cast<int>(l));
        return 0;
      }
      return DefaultWindowProc(window, message, w, l);
    case kMsgVScroll:
      EditorScroll(window, LowWord(w), static_cast<int>(HighWord(w)));
      return 0;
    case kMsgSize:
      return 0;
    case kMsgPaint:
      Paint(*PaintCanvas(l));
      if (FirstPaint) {
        FirstPaint = false;
        PostMessage(window, kMsgDeferredStartup, 0, 0);
      }
      return 0;
    case kMsgDeferredStartup:
      DeferredStartup(window);
      return 0;
    case kMsgSetCursor:
      SetCursor(BusyCursor ? CursorKind::kWait : CursorKind::kArrow);
      return 0;
    case kMsgDisplayChange:
      ShowMessageBox(FocusWindow(), ResourceString(501), szAppName, kBoxOk);
      return 0;
    case kMsgCommand:
      return OnCommand(window, w, l);
    case kMsgLButtonUp: {
      Point at = PointOfParam(l);
      if (at.x > 547 && at.x < 622 && at.y > 26 && at.y < 95)
        SendMessage(window, kMsgCommand, MakeWParam(kCmdUpgrade, 0), 0);
      return DefaultWindowProc(window, message, w, l);
    }
    case kMsgRaiseInstance:
      RaiseMainWindow();
      return 0;
    case kMsgSwitchSite: {
      TimerRequestScope timer;
      SwitchSite(window);
      gPluginContext.requestPending = 0;
      return 0;
    }
    case kMsgReloadMailQueue: {
      TimerRequestScope timer;
      ReloadMailQueue(window);
      return 0;
    }
    case kMsgPluginRequest:
      PluginRequest(window, w, l);
      return 0;
    default:
      return DefaultWindowProc(window, message, w, l);
  }
}

WindowHandle CreateMainWindow() {
  WindowSpec spec;
  spec.className = szAppName;
  spec.title = szTitle;
  spec.rect = RectAt(0, 0, 640, 480);
  spec.style = kWindowCaption | kWindowMinimiseBox;
  SetWorkingDisplaySink(&gWindowDisplay);
  WindowHandle window = CreateWindow(spec, MainWndProc);
  if (!window) SetWorkingDisplaySink(nullptr);
  return window;
}

MenuHandle SiteTasksMenu() {
  MenuHandle bar = hwndMain ? WindowMenu(hwndMain) : nullptr;
  return bar ? SubMenu(bar, 2) : nullptr;
}
