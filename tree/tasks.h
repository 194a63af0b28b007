// The site and branch tasks: their ids and titles, their parameters, and the operation each
// runs on one document.
#pragma once

#include "platform/ui.h"

// Task command ids (shared by the Site Tasks and Branch Tasks menus).
enum : int {
  kTaskInherit = 40017,
  kTaskMigrate = 40054,
  kTaskSort = 40023,
  kTaskDeleteDuplicates = 40022,
  kTaskDeleteAll = 40024,
  kTaskSearch = 40032,
  kTaskReplace = 40038,
  kTaskDelete = 40048,
  kTaskExpiry = 40039,
  kTaskReview = 40040,
  kTaskStandardise = 40025,
};

// Search kinds.
enum : int {
  kSearchCancelled = 0,
  kSearchPlain = 1,
  kSearchReplaceOrDelete = 2,
  kSearchExpired = 3,
  kSearchReview = 4,
};

// The parameters of the running task, filled by its dialog (or the command line).
struct TaskParameters {
  int searchKind;
  int showResults;
  int caseSensitive;
  char tagName[256];
  char valueFilter[256];
  char replacement[256];
  char reportPath[256];
};
extern TaskParameters gTask;
// Today as the number YYYYMMDD, for the review and expiry date test.
extern long gCompDate;

// False in normal operation: a search reads into the table only the tags it can show or needs
// for a document's heading and owner notice. True makes it read every tag; the results are the
// same, which the tests hold against each other.
extern bool gSearchReadsEveryTag;

// The task's title while it runs ("Perform tree task" for most), or nullptr for an unknown id.
const char* TaskTitleFor(int taskId);
// The text of the closing audit entry, or nullptr when the task writes none.
const char* TaskAuditText(int taskId);
// True for the tasks that run a per-document operation (not inherit or migrate).
bool IsPerDocumentTask(int taskId);
// True for the tasks that rewrite documents (search, review, expiry and standardise only read).
bool WritesDocuments(int taskId);

// What the search, replace and delete dialog gathers: it fills gTask.tagName, valueFilter,
// replacement, reportPath, showResults and caseSensitive, and returns true for OK, false for
// Cancel. mode: 0 search, 1 replace, 3 delete.
using TaskDialogFn = bool (*)(platform::WindowHandle window, int mode);
// Installs the dialog (nullptr: none, every dialog is cancelled).
void SetTaskDialog(TaskDialogFn dialog);

// The dialog of the expiry (commandId 40037) or review (40034) rules: 1 when confirmed (the rule
// is stored), anything else when cancelled.
using DateRulesDialogFn = int (*)(platform::WindowHandle window, int commandId);
// Installs it (nullptr: none; the checks then run on the stored rules without asking).
void SetDateRulesDialog(DateRulesDialogFn dialog);

// Runs the task's parameter step before the walk: the search, replace or delete dialog with
// the checks of its OK button (and the report head of a search), or the review and expiry
// set-up. 0 to go on, -1 when cancelled or the report could not be created (reported).
int PrepareTask(platform::WindowHandle window, int taskId);

// The review and expiry set-up: parameters, gCompDate and the report head. 0 or -1.
int SetUpDateCheck(int taskId);

// The operation of a task on one document. 0, or -1 when the document could not be read.
// directoryFd, when not -1, is the directory open (platform::FileSystem::OpenDir): the document
// is read through it.
int DocumentOperation(platform::WindowHandle window, const char* directory, const char* fileName,
                      int taskId, int directoryFd = -1);
