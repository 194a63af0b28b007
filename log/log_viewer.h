// The log viewer "Change Logging": one day file of the audit log or of the application error
// log, 20 lines at a time through a window of the file held in memory, and the logging switch
// and log directory.
#pragma once

#include <string>

#include "platform/ui.h"

// Control ids of the viewer and of its day-file chooser.
enum : int {
  kIdLogScroll = 1361,     // the vertical scroll bar: its position is the top line shown
  kIdLogOn = 1362,         // "Loggin ON"
  kIdLogDirectory = 1363,  // the log directory field
  kIdLogChooseDir = 1364,  // "directory"
  kIdLogDayFile = 1365,    // "Log file for Date"
  kIdLogErrorLog = 1366,   // "Application  Error Log"
  kIdLogEditor = 1367,     // "Editor"
  kIdLogFiles = 1371,      // the chooser's list of day files
};

constexpr const char kLogViewerTitle[] = "Change Logging";
constexpr const char kLogChooserTitle[] = "Double Click to choose.";

// The audit day file name of today, "%Y%m%d.TSL".
std::string TodaysLogName();

// Runs the viewer over owner on today's file of LogPath. OK stores loglevel and LogPath (with its
// trailing "/") in memory and writes "Logging turned ON" or "Logging turned OFF" when the switch
// changed; Escape leaves both as they were. 1 for OK, 0 otherwise.
int LogViewer(platform::WindowHandle owner);

// Sets loglevel as the viewer's OK does: a change writes its level-3 audit entry and stores
// "Log Level" of the current site in META.INI. 0, or -1 when the file could not be written.
int ChangeLogLevel(int level);
