// The audit log command of tagsteward-cli: print a day's file, or switch logging as the log
// viewer does.
#include <cstring>
#include <string>

#include "app/cli_commands.h"
#include "config/settings.h"
#include "log/log_viewer.h"
#include "platform/fs.h"
#include "platform/text.h"
#include "plugins/context.h"

namespace {

int LogUsage(CliContext& c, const std::string& problem) {
  std::fprintf(c.err,
               "tagsteward-cli: %s\nusage: tagsteward-cli log [--date YYYYMMDD] | --level 0|1\n",
               problem.c_str());
  return 2;
}

// Eight digits naming a day of a month.
bool IsDate(const std::string& s) {
  if (s.size() != 8 || s.find_first_not_of("0123456789") != std::string::npos) return false;
  int month = std::stoi(s.substr(4, 2));
  int day = std::stoi(s.substr(6, 2));
  return month >= 1 && month <= 12 && day >= 1 && day <= 31;
}

}  // namespace

int CmdLog(CliContext& c) {
  std::string date, level;
  for (size_t i = 0; i < c.args.size(); ++i) {
    const std::string& a = c.args[i];
    if ((a == "--date" || a == "--level") && i + 1 < c.args.size()) {
      (a == "--date" ? date : level) = c.args[++i];
      continue;
    }
    return LogUsage(
        c, a == "--date" || a == "--level" ? a + " needs a value" : "unknown argument " + a);
  }
  if (!level.empty()) {
    if (!date.empty()) return LogUsage(c, "--level sets the logging switch; it takes no --date");
    if (level != "0" && level != "1") return LogUsage(c, "--level is 0 (off) or 1 (on)");
    if (ChangeLogLevel(level == "1") != 0) return 1;
    std::fprintf(c.out, "Log Level %s for site %s\n", level.c_str(), CurrentConfig);
    return 0;
  }
  if (!date.empty() && !IsDate(date)) return LogUsage(c, "--date wants YYYYMMDD, not " + date);
  std::string name = date.empty() ? TodaysLogName() : date + ".TSL";
  // The writer prefixes the directory: the same file is read here.
  std::string path = std::string(LogPath) + name;
  platform::FileSystem& fs = platform::Fs();
  int fd = fs.Open(path, platform::OpenFor::Read, 0);
  if (fd < 0) {
    if (platform::FileExists(path)) {
      std::fprintf(c.err, "tagsteward-cli: cannot read %s: %s\n", path.c_str(),
                   platform::LastErrorText().c_str());
      return 1;
    }
    std::fprintf(c.err, "tagsteward-cli: no events recorded in %s\n", path.c_str());
    return 0;
  }
  char buf[65536];
  long got;
  while ((got = fs.Read(fd, buf, sizeof buf)) > 0)
    std::fwrite(buf, 1, static_cast<size_t>(got), c.out);
  int rc = got < 0 ? 1 : 0;
  if (rc) std::fprintf(c.err, "tagsteward-cli: error reading %s\n", path.c_str());
  fs.Close(fd);
  return rc;
}
