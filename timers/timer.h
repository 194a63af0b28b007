// The timer plug-in's working half: the minute thread, the due tests, the actions a due event
// runs through the host's messages, its notices and its audit entries.
#pragma once

#include <cstdint>
#include <ctime>
#include <mutex>
#include <string>

#include "plugins/tsp.h"

// Menu commands of the host's expiry and review mail-outs.
constexpr int kCommandExpiredMailout = 40039;
constexpr int kCommandReviewMailout = 40040;

extern int TimerInitCount;           // calls of StartTimerPlugin
extern PluginContext* TimerContext;  // the host's context, once given
extern char TimerLogDir[128];        // "Log Path" of the last event's site
extern std::mutex EventTableLock;    // held while the table is read or changed across threads

// Increments the call count, loads the events, remembers the context and, on the first call
// only, starts the minute thread. 1.
intptr_t StartTimerPlugin(PluginContext* context);

// Loads the events of context's configuration file and runs one minute's pass at `when` (0: now)
// on the calling thread, skipping events still cooling down from earlier runs as the state
// file beside the configuration file records them. Events run, or -1 when the busy word is held.
intptr_t RunTimerOnce(PluginContext* context, int64_t when);

// One pass over the table at `when`: each event whose countdown is 0 is tested and run, the
// others count down. Events run, or -1 when the host is busy (nothing is tested then).
int RunTimerPass(std::time_t when);

// Whether the record's slot covers the local time t; records of unknown kinds never are.
bool EventDue(const char* record, const std::tm& t);

// Tests one event at `when` and runs it when due: the kind's cool-down, or 0 when not due.
int CheckAndRunEvent(int site, const char* record, std::time_t when);

// Copies root's tree into a new directory below backupDir named after the site and the time
// (never an earlier backup's). 0 with *made set, or -1 after a critical audit entry.
int BackupSite(const std::string& root, const std::string& backupDir, const std::string& site,
               std::time_t when, std::string* made);

// Starts the batch file at path itself, without a shell command line. 0, or -1 after an audit
// entry naming the file.
int StartBatchFile(const std::string& path);

// Shows a minor error as the confirmation word asks. -1.
int ReportMinorError(const std::string& text);

// Appends an audit line to the day file of TimerLogDir (critical entries too). 0 or -1.
int TimerAuditEntry(int level, const std::string& text, const char* second, const char* third);

// The minute's length in milliseconds (TAGSTEWARD_TIMER_TICK_MS, default 60000).
int TimerTickMs();

// The state file of the one-minute runs, beside the configuration file.
std::string CoolDownStatePath(const std::string& configFile);

// Creates the hidden window through which the minute thread shows its notices; on the UI thread,
// before the thread runs (StartTimerPlugin and RunTimerOnce do it).
void MakeNoticeHost();

// Forgets the context, the call count and the thread's notice window (tests).
void ResetTimerState();
