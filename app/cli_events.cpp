// tagsteward-cli events [add|remove]: the timer plug-in's event table without a window, checked
// as the event dialog checks it and saved as the events dialog's OK saves it.
#include <cstdlib>
#include <map>
#include <mutex>

#include "app/cli_commands.h"
#include "config/settings.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "plugins/context.h"
#include "timers/events.h"
#include "timers/timer.h"

namespace {

constexpr const char* kEventsUsage =
    "usage: tagsteward-cli events\n"
    "       tagsteward-cli events add [--site NAME]\n"
    "              (--monthly DAY | --weekly DAYNAME | --daily HH:MM | --hourly MM)\n"
    "              (--backup DIR | --batch FILE | --task NAME)\n"
    "       tagsteward-cli events remove NUMBER\n";

const char* const kHostTaskNames[] = {"EXPIRED document mailout", "REVIEW document mailout",
                                      "Update the sitemap", "INHERIT metatags into all docs"};
const char* const kDays[] = {"sunday",   "monday", "tuesday", "wednesday",
                             "thursday", "friday", "saturday"};

int EventsUsage(CliContext& c, const std::string& problem) {
  std::fprintf(c.err, "tagsteward-cli events: %s\n\n%s", problem.c_str(), kEventsUsage);
  return 2;
}

// A whole decimal number within [low, high], or -1.
int Number(const std::string& text, int low, int high) {
  if (text.empty() || text.size() > 4) return -1;
  for (char ch : text)
    if (ch < '0' || ch > '9') return -1;
  int n = std::atoi(text.c_str());
  return n >= low && n <= high ? n : -1;
}

// The slot of a --daily HH:MM on the hour or half hour, or -1.
int DailySlot(const std::string& text) {
  size_t colon = text.find(':');
  if (colon == std::string::npos) return -1;
  int hour = Number(text.substr(0, colon), 0, 23);
  int minute = Number(text.substr(colon + 1), 0, 59);
  if (hour < 0 || (minute != 0 && minute != 30)) return -1;
  return 2 * hour + minute / 30;
}

int WeekdaySlot(const std::string& text) {
  for (int d = 0; d < 7; ++d) {
    std::string_view day = kDays[d];
    if (platform::EqualsNoCase(text, day) || platform::EqualsNoCase(text, day.substr(0, 3)))
      return d;
  }
  return -1;
}

// The task names an event may run: the host's table when it is filled, else its four tasks.
std::vector<std::string> TaskNames() {
  std::vector<std::string> names;
  for (int i = 0; i < ExportedTaskCount && ExportedTasks[i].owner >= 0; ++i)
    names.push_back(ExportedTasks[i].name);
  if (names.empty()) names.assign(std::begin(kHostTaskNames), std::end(kHostTaskNames));
  return names;
}

int List(CliContext& c) {
  for (int i = 0; i < EventCount; ++i)
    std::fprintf(c.out, "%d\t%s\t%s\t%s\n", i + 1, EventSiteName(EventSite[i]),
                 EventTable[i].record, DescribeEvent(EventTable[i].record).c_str());
  return 0;
}

int Add(CliContext& c) {
  std::map<std::string, std::string> flags;
  static const char* const kAllowed[] = {"--site",   "--monthly", "--weekly", "--daily",
                                         "--hourly", "--backup",  "--batch",  "--task"};
  for (size_t i = 1; i < c.args.size(); ++i) {
    const std::string& a = c.args[i];
    bool known = false;
    for (const char* name : kAllowed)
      known = known || a == name;
    if (!known) return EventsUsage(c, "unknown argument " + a);
    if (i + 1 >= c.args.size()) return EventsUsage(c, a + " needs a value");
    if (flags.count(a)) return EventsUsage(c, a + " is given twice");
    flags[a] = c.args[++i];
  }
  if (flags.count("--site") == 0 && !c.site.empty()) flags["--site"] = c.site;
  std::string site = flags.count("--site") ? flags["--site"] : std::string(CurrentConfig);
  int siteIndex = FindEventSite(site);
  if (siteIndex < 0) {
    std::string names;
    for (int i = 0; i < EventSiteCount; ++i)
      names += (i ? ", " : "") + std::string(EventSiteName(i));
    return EventsUsage(c, "there is no site \"" + site + "\"; give --site with one of: " + names);
  }

  int whens = 0, whats = 0;
  char kind = 0;
  int slot = -1;
  std::string when;
  for (const char* name : {"--monthly", "--weekly", "--daily", "--hourly"})
    if (flags.count(name)) ++whens, when = name;
  if (whens != 1)
    return EventsUsage(c, "give exactly one of --monthly, --weekly, --daily, --hourly");
  const std::string& value = flags[when];
  if (when == "--monthly") {
    kind = 'A';
    slot = Number(value, 1, 31) - 1;
    if (slot < 0) return EventsUsage(c, "--monthly takes a day of the month from 1 to 31");
  } else if (when == "--weekly") {
    kind = 'B';
    slot = WeekdaySlot(value);
    if (slot < 0) return EventsUsage(c, "--weekly takes a day name such as Monday");
  } else if (when == "--daily") {
    kind = 'C';
    slot = DailySlot(value);
    if (slot < 0)
      return EventsUsage(c, "--daily takes a time on the hour or half hour (HH:00 or HH:30)");
  } else {
    kind = 'D';
    int minute = Number(value, 0, 55);
    if (minute < 0 || minute % 5 != 0)
      return EventsUsage(c, "--hourly takes a minute that is a multiple of 5, from 0 to 55");
    slot = minute / 5;
  }

  char action = 0;
  std::string parameter;
  static const std::pair<const char*, char> kActions[] = {
      {"--backup", 'C'}, {"--batch", 'F'}, {"--task", 'D'}};
  for (const auto& [name, letter] : kActions) {
    if (!flags.count(name)) continue;
    ++whats;
    action = letter;
    parameter = flags[name];
  }
  if (whats != 1) return EventsUsage(c, "give exactly one of --backup, --batch, --task");
  if (parameter.empty())
    return EventsUsage(c, action == 'D' ? "--task needs a task name" : "a path must be given");
  if (action == 'D') {
    std::vector<std::string> tasks = TaskNames();
    bool found = false;
    for (const std::string& t : tasks)
      found = found || t == parameter;
    if (!found) {
      std::string names;
      for (const std::string& t : tasks)
        names += "\n  " + t;
      return EventsUsage(c, "there is no task \"" + parameter + "\"; the tasks are:" + names);
    }
  } else if (parameter[0] != '/') {
    parameter = platform::JoinPath(StartupPath, parameter);
  }
  if (parameter.size() >= kEventParamSize)
    return EventsUsage(c, platform::Format("the path or task name is longer than %d characters",
                                           kEventParamSize - 1));
  if (EventCount >= kMaxEvents)
    return EventsUsage(
        c, platform::Format("the table holds %d events already; remove one first", kMaxEvents));

  std::string record = std::string(1, kind) + static_cast<char>('A' + slot) + action + parameter;
  // After the last event of its section or of the sections before it, so that the numbers the
  // file is saved with follow the file's order and stay the same at the next load.
  int position = 0;
  for (int i = 0; i < EventCount; ++i)
    if (EventSite[i] <= siteIndex) position = i + 1;
  int index = InsertEvent(position, record.c_str(), siteIndex);
  if (SaveEvents(IniFilePath()) != 0) return 1;
  std::fprintf(c.out, "%d\t%s\t%s\t%s\n", index + 1, EventSiteName(siteIndex), record.c_str(),
               DescribeEvent(record.c_str()).c_str());
  return 0;
}

int Remove(CliContext& c) {
  if (c.args.size() != 2) return EventsUsage(c, "events remove needs one NUMBER");
  int number = Number(c.args[1], 1, kMaxEvents);
  if (number < 1 || number > EventCount)
    return EventsUsage(c, platform::Format("NUMBER must be one of the %d events listed by "
                                           "tagsteward-cli events",
                                           EventCount));
  RemoveEvent(number - 1);
  return SaveEvents(IniFilePath()) == 0 ? 0 : 1;
}

}  // namespace

int CmdEvents(CliContext& c) {
  std::lock_guard<std::mutex> lock(EventTableLock);
  LoadEvents(IniFilePath());
  if (c.args.empty()) return List(c);
  if (c.args[0] == "add") return Add(c);
  if (c.args[0] == "remove") return Remove(c);
  return EventsUsage(c, "unknown subcommand " + c.args[0]);
}
