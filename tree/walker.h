// The walk over the document tree and the driver of site and branch tasks.
#pragma once

#include <cstddef>
#include <string>

#include "platform/ui.h"

// Counts the documents (mask) and subdirectories below dir into PrePopFiles and PrePopDirs. The
// listings are kept (up to a fixed size) for a walk that follows at once.
int CountTree(const std::string& dir, const char* mask);

// How many bytes of listings the count pass keeps for the walk (512 KiB unless a test says).
void SetListingCacheBytes(size_t bytes);

// Runs the task's operation on every document below dir, subdirectories first. 0, or -1 when
// cancelled.
int WalkDocuments(platform::WindowHandle window, const std::string& dir, int taskId);

// Merges the tree tags into every document below dir (mode 0 inherit, 2 migrate style sheets).
// 0, or -1 when cancelled, too deep, or a tree-tag file could not be read.
int WalkInherit(platform::WindowHandle window, const std::string& dir, int mode);

// Sets percent from the documents done and repaints the progress bar.
void ReportProgress(int done);

// How a task run ended. Failed: it ran, but a document could not be read or written, or the walk
// stopped early (too deep, an unreadable tree-tag file).
enum TaskOutcome { kTaskCompleted = 0, kTaskCancelled = 1, kTaskFailed = 2, kTaskNotStarted = -1 };

// Runs a task over the tree at RootPath: the check of the root, the question of "delete all",
// counting, confirmation, the task's parameters, the walk, the report and the closing message
// with the tally of the documents (shown also without "Confirm Actions.." when any failed).
// confirmCaption is the caption of the confirmation of per-document tasks ("Site Task" or
// "Branch Task"). A root that fails CheckSiteRoot is refused before anything is done.
TaskOutcome RunSiteTask(platform::WindowHandle window, int taskId,
                        const char* confirmCaption = "Site Task");

// Runs a task over a branch: RootPath is the branch and strategy the given rules (a negative
// value keeps the site's) for the run; both are restored afterwards. A branch that fails
// CheckBranch is refused.
TaskOutcome RunBranchTask(platform::WindowHandle window, int taskId, const std::string& branch,
                          int temporaryStrategy);

// Whether the last task run showed its closing message (with the tally).
bool TaskClosingShown();
// The failures and the tally of the documents of the last task run, as its closing message
// gives them.
std::string TaskClosingText();
