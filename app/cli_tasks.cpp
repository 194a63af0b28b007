// The site and branch task commands of tagsteward-cli: the same driver as the menu commands.
#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "app/cli_commands.h"
#include "config/settings.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "plugins/context.h"
#include "tree/task_state.h"
#include "tree/tasks.h"
#include "tree/tree_tags.h"
#include "tree/walker.h"
#include "ui/working_display.h"

namespace {

// Progress on standard error, one line rewritten in place, when it is a terminal.
class TerminalProgress final : public WorkingDisplaySink {
 public:
  explicit TerminalProgress(std::FILE* err) : err_(err) {}
  void Progress(int percent) override {
    if (percent == shown_) return;
    shown_ = percent;
    std::fprintf(err_, "\r%3d%% %d of %d documents", percent, PopFiles, PrePopFiles);
    std::fflush(err_);
    dirty_ = true;
  }
  void ClearProgress() override {
    if (dirty_) std::fputs("\r\033[K", err_);
    dirty_ = false;
    shown_ = -1;
  }

 private:
  std::FILE* err_;
  int shown_ = -1;
  bool dirty_ = false;
};

void OnInterrupt(int) {
  gDropOut = 1;
}

struct TaskOptions {
  std::string branch;
  int rules = -1;
  std::string name, value, with, report;
  bool haveValue = false, haveWith = false, ignoreCase = false, show = false;
};

TaskOptions gOptions;
int gDialogCalls = 0;

// The command line stands in for the task's dialog: its answers are given once.
bool CommandLineDialog(platform::WindowHandle, int mode) {
  if (gDialogCalls++ > 0) return false;
  platform::CopyText(gTask.tagName, gOptions.name);
  platform::CopyText(gTask.valueFilter, gOptions.value);
  platform::CopyText(gTask.replacement, gOptions.with);
  if (mode == 0) {
    if (!gOptions.report.empty()) platform::CopyText(gTask.reportPath, gOptions.report);
    gTask.showResults = gOptions.show ? 1 : 0;
    gTask.caseSensitive = gOptions.ignoreCase ? 0 : 1;
  }
  return true;
}

int Usage(CliContext& c, const std::string& problem) {
  std::fprintf(c.err, "tagsteward-cli: %s\n", problem.c_str());
  std::fputs(
      "task options: [--branch DIR] [--rules N]\n"
      "  search NAME [--value TEXT] [--ignore-case] [--report FILE] [--show]\n"
      "  replace NAME --value TEXT --with TEXT\n"
      "  delete NAME [--value TEXT]\n",
      c.err);
  return 2;
}

// Parses the task's options (takesName: the first plain argument is the tag name). -1 when
// they are well formed, else the exit status.
int ParseTaskOptions(CliContext& c, bool takesName, bool searchOptions, bool takesWith) {
  gOptions = TaskOptions{};
  for (size_t i = 0; i < c.args.size(); ++i) {
    const std::string& a = c.args[i];
    auto value = [&](std::string* out) {
      if (i + 1 >= c.args.size()) return false;
      *out = c.args[++i];
      return true;
    };
    std::string rules;
    if (a == "--branch") {
      if (!value(&gOptions.branch)) return Usage(c, "--branch needs a directory");
    } else if (a == "--rules") {
      if (!value(&rules)) return Usage(c, "--rules needs a number");
      char* end = nullptr;
      long n = std::strtol(rules.c_str(), &end, 10);
      if (rules.empty() || *end) return Usage(c, "--rules needs a number");
      if (n < 0 || n > kRulesAll)
        return Usage(c, platform::Format("--rules must be from 0 to %d (the business rule bits)",
                                         kRulesAll));
      gOptions.rules = static_cast<int>(n);
    } else if (takesName && a == "--value") {
      if (!value(&gOptions.value)) return Usage(c, "--value needs a text");
      gOptions.haveValue = true;
    } else if (takesWith && a == "--with") {
      if (!value(&gOptions.with)) return Usage(c, "--with needs a text");
      gOptions.haveWith = true;
    } else if (searchOptions && a == "--ignore-case") {
      gOptions.ignoreCase = true;
    } else if (searchOptions && a == "--show") {
      gOptions.show = true;
    } else if (searchOptions && a == "--report") {
      if (!value(&gOptions.report)) return Usage(c, "--report needs a file");
    } else if (takesName && gOptions.name.empty() && !a.empty() && a[0] != '-') {
      gOptions.name = a;
    } else {
      return Usage(c, "unexpected argument " + a);
    }
  }
  if (takesName && gOptions.name.empty()) return Usage(c, "the tag name is missing");
  if (takesWith && (!gOptions.haveValue || !gOptions.haveWith))
    return Usage(c, "replace needs --value TEXT and --with TEXT");
  return -1;
}

int RunTask(CliContext& c, int taskId) {
  // Loading the schema changes the current directory: a relative branch is the caller's.
  if (!gOptions.branch.empty() && gOptions.branch[0] != '/')
    gOptions.branch = platform::JoinPath(StartupPath, gOptions.branch);
  if (ReserveCliTables(c, true) != 0) return 1;
  gDialogCalls = 0;
  SetTaskDialog(CommandLineDialog);
  TerminalProgress progress(c.err);
  bool terminal = ::isatty(::fileno(c.err));
  WorkingDisplaySink* previous = SetWorkingDisplaySink(terminal ? &progress : nullptr);
  struct sigaction action {
  }, old{};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, &old);
  gDropOut = 0;
  // As after the program's start-up: the context's current path is the site's root.
  platform::CopyText(gPluginContext.rootCopy, RootPath);

  TaskOutcome outcome = gOptions.branch.empty()
                            ? RunSiteTask(nullptr, taskId)
                            : RunBranchTask(nullptr, taskId, gOptions.branch, gOptions.rules);
  sigaction(SIGINT, &old, nullptr);
  SetWorkingDisplaySink(previous);
  SetTaskDialog(nullptr);
  if (outcome == kTaskCancelled && !(gPluginContext.confirmation & kConfirmActions))
    std::fputs("Cancelled\n", c.err);
  // The closing message holds the tally when it was shown; otherwise it is said here.
  if (outcome != kTaskNotStarted && !TaskClosingShown())
    std::fprintf(c.err, "%s\n", TaskClosingText().c_str());
  return outcome == kTaskCompleted ? 0 : 1;
}

// Parses the command's options and runs the task.
int Task(CliContext& c, int taskId, bool takesName, bool searchOptions, bool takesWith) {
  int rc = ParseTaskOptions(c, takesName, searchOptions, takesWith);
  if (rc >= 0) return rc;
  // A branch run restores the site's rules afterwards; a whole-site run uses them for this
  // run only, since the command line never writes the settings back.
  if (gOptions.rules >= 0 && gOptions.branch.empty()) strategy = gOptions.rules;
  return RunTask(c, taskId);
}

}  // namespace

int CmdInherit(CliContext& c) {
  return Task(c, kTaskInherit, false, false, false);
}
int CmdMigrate(CliContext& c) {
  return Task(c, kTaskMigrate, false, false, false);
}
int CmdSort(CliContext& c) {
  return Task(c, kTaskSort, false, false, false);
}
int CmdDedupe(CliContext& c) {
  return Task(c, kTaskDeleteDuplicates, false, false, false);
}
int CmdDeleteAll(CliContext& c) {
  return Task(c, kTaskDeleteAll, false, false, false);
}
int CmdReview(CliContext& c) {
  return Task(c, kTaskReview, false, false, false);
}
int CmdExpiry(CliContext& c) {
  return Task(c, kTaskExpiry, false, false, false);
}
int CmdSearch(CliContext& c) {
  return Task(c, kTaskSearch, true, true, false);
}
int CmdReplace(CliContext& c) {
  return Task(c, kTaskReplace, true, false, true);
}
int CmdDelete(CliContext& c) {
  return Task(c, kTaskDelete, true, false, false);
}
