// The main window: its globals, control and command ids, and the operations other pieces call.
#pragma once

#include "config/version.h"
#include "platform/ui.h"

extern platform::WindowHandle hwndMain;  // the main window, nullptr before it exists
extern int SummaryShown;                 // 1 while the summary of settings is shown
extern int RecentMenuDirty;              // the recent-file items must be rebuilt
extern int menuon;                       // 1 while the four leading menus are enabled
extern int EditorActive;                 // 1 while a page is open in the editor
extern int hidingcontrols;               // 1 while the editor rows are hidden
extern platform::Colour HeaderColour;    // the desktop's menu colour, read at creation

// Child window ids.
enum : int {
  kIdNameEdit = 1046,
  kIdValueEdit = 1047,
  kIdOpen = 1034,
  kIdClose = 1035,
  kIdCancelEdit = 1036,
  kIdExitButton = 1037,
  kIdAddTag = 1038,  // 1038..1045: Add Tag, Tidy, Sort, Inherit, Save, View Page, Source, SiteMap
  kIdSites = 1095,
  kIdCancelTask = 1096,
  kIdDiag = 1033,
  kIdStress1 = 1032,
  kIdStress2 = 1031,
  kIdScrollBar = 1099,
};

// Menu command ids (the site task ids are in tree/tasks.h).
enum : int {
  kCmdExit = 106,
  kCmdAbout = 303,
  kCmdSiteConfiguration = 40046,
  kCmdBusinessRules = 40014,
  kCmdManageExpired = 40037,
  kCmdManageReview = 40034,
  kCmdMarkupOptions = 40047,
  kCmdGeneralOptions = 40031,
  kCmdAppearance = 40049,
  kCmdMemory = 40042,
  kCmdSummary = 40043,
  kCmdEditSchema = 40018,
  kCmdReloadSchema = 40019,
  kCmdEditTreeTags = 40041,
  kCmdEditPageTags = 40015,
  kCmdRecentFirst = 1085,  // 1085..1089
  kCmdUpdateSitemap = 40045,
  kCmdBranchTasks = 40056,
  kCmdLogging = 40044,
  kCmdLocalHelp = 40050,
  kCmdWebHelp = 40051,
  kCmdUpgrade = 40035,
  kCmdPluginFirst = 8000,
  kCmdExportedTaskFirst = 8100,
};

// Shows (1) or hides (0) the 32 editor fields when showworking is 1; otherwise does nothing.
void ShowEditRows(int show);

// Rebuilds the recent-file items of the Edit menu from PrevFiles.
void RebuildRecentFiles();

// The main window's procedure.
platform::LResult MainWndProc(platform::WindowHandle window, unsigned message, platform::WParam w,
                              platform::LParam l);

// Creates the main window, hidden, at (0, 0), 640 x 480, with title szTitle. nullptr on failure.
platform::WindowHandle CreateMainWindow();

// The Site Tasks popup (the third popup of the menu bar), or nullptr.
platform::MenuHandle SiteTasksMenu();
