// tagsteward-cli timer: hosts the timer plug-in without a display. A hidden main window answers
// the plug-in's messages and runs the host's tasks with the same code as the menu commands.
#include <cstdio>
#include <ctime>
#include <string>

#include "app/cli_commands.h"
#include "config/settings.h"
#include "platform/clock.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "plugins/host.h"
#include "ui/main_window.h"

namespace {

using TimerRunOnceFn = intptr_t (*)(void* window, PluginContext* context, int64_t when);

int Usage(CliContext& c, const std::string& problem) {
  std::fprintf(
      c.err,
      "tagsteward-cli: %s\nusage: tagsteward-cli timer [--once] [--at \"YYYY-MM-DD HH:MM\"]\n",
      problem.c_str());
  return 2;
}

// "YYYY-MM-DD HH:MM" in local time; -1 when it is no such time.
std::time_t ParseMinute(const std::string& text) {
  int year, month, day, hour, minute;
  char end;
  if (std::sscanf(text.c_str(), "%4d-%2d-%2d %2d:%2d%c", &year, &month, &day, &hour, &minute,
                  &end) != 5)
    return -1;
  std::tm tm{};
  tm.tm_year = year - 1900;
  tm.tm_mon = month - 1;
  tm.tm_mday = day;
  tm.tm_hour = hour;
  tm.tm_min = minute;
  tm.tm_isdst = -1;
  std::tm asked = tm;
  std::time_t when = std::mktime(&tm);
  // mktime moves 31 April on to 1 May: such a date was not a date.
  if (when == -1 || tm.tm_mday != asked.tm_mday || tm.tm_mon != asked.tm_mon ||
      tm.tm_hour != asked.tm_hour || tm.tm_min != asked.tm_min)
    return -1;
  return when;
}

}  // namespace

int CmdTimer(CliContext& c) {
  bool once = false;
  std::time_t when = 0;
  for (size_t i = 0; i < c.args.size(); ++i) {
    if (c.args[i] == "--once") {
      once = true;
    } else if (c.args[i] == "--at" && i + 1 < c.args.size()) {
      when = ParseMinute(c.args[++i]);
      if (when == -1) return Usage(c, "--at needs a time as \"YYYY-MM-DD HH:MM\"");
    } else {
      return Usage(c, "unexpected argument " + c.args[i]);
    }
  }
  if (when != 0 && !once) return Usage(c, "--at goes with --once");
  if (ReserveCliTables(c, true) != 0) return 1;
  // The tasks date their checks and reports by the minute being tested.
  if (when != 0) platform::SetTestClock(when);
  platform::CopyText(gPluginContext.rootCopy, RootPath);

  SetPluginPattern("Timers.TSP");
  platform::WindowHandle window = CreateMainWindow();
  SetPluginPattern(nullptr);
  if (!window) {
    std::fprintf(c.err, "tagsteward-cli: the hidden main window could not be created\n");
    return 1;
  }
  if (timerenabled < 0) {
    std::string where = StartupPath;
    for (size_t i = 1; i < PluginDirectories().size(); ++i)
      where += " or " + PluginDirectories()[i];
    std::fprintf(c.err, "tagsteward-cli: no timer plug-in Timers.TSP in %s%s\n", where.c_str(),
                 (AppOptions & kOptNoPlugins) ? " (\"Disable Plugins\" is set in Options)" : "");
    return 3;
  }
  platform::ModuleHandle timer = Plugins[timerenabled].module;
  gPluginContext.exportedTasks = ExportedTasks;
  if (!once) {
    auto start =
        reinterpret_cast<TspTimerThreadInitFn>(platform::FindExport(timer, "TimerThreadInit"));
    if (!start) {
      std::fprintf(c.err, "tagsteward-cli: Timers.TSP has no TimerThreadInit\n");
      return 3;
    }
    start(window, &gPluginContext);
    return platform::RunMessageLoop();
  }
  auto runOnce = reinterpret_cast<TimerRunOnceFn>(platform::FindExport(timer, "TimerRunOnce"));
  if (!runOnce) {
    std::fprintf(c.err, "tagsteward-cli: Timers.TSP has no TimerRunOnce\n");
    return 3;
  }
  intptr_t ran = runOnce(window, &gPluginContext, static_cast<int64_t>(when));
  if (ran < 0) {
    std::fprintf(c.err, "tagsteward-cli: the timer could not run: the program is busy\n");
    return 1;
  }
  std::fprintf(c.out, "%ld event(s) run\n", static_cast<long>(ran));
  return 0;
}
