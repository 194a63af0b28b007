#include "log/audit.h"

#include "config/settings.h"
#include "platform/clock.h"
#include "platform/fs.h"
#include "platform/text.h"

using platform::ShowMessageBox;

std::string FormatAuditLine(int level, const std::tm& time, std::string_view text,
                            const char* second, const char* third) {
  std::string line = platform::Format("%d,", level);
  line += platform::FormatTime("%H:%M:%S,", time);
  line += text;
  line += ',';
  if (second) {
    line += second;
    if (third) {
      line += ',';
      line += third;
    }
  }
  line += '\n';
  return line;
}

namespace {
bool gAuditSuppressed = false;
}  // namespace

void SuppressAuditEntries(bool on) {
  gAuditSuppressed = on;
}

int WriteAuditEntry(int level, std::string_view text, const char* second, const char* third) {
  if (gAuditSuppressed) return 0;
  if (level == kAuditCritical && (AppOptions & kOptNoMajorErrorLog)) return 0;
  // A directory too long to hold is never cut into another one.
  if (level == kAuditCritical ? CheckPathSetting(nullptr, KeySection::Meta, "Error Log") != 0
                              : CheckPathSetting(nullptr, KeySection::Site, "Log Path") != 0)
    return -1;
  std::tm now = platform::LocalTime(platform::Now());
  // The directory is a prefix, not a joined path: a directory without its trailing "/" runs on
  // into the file name, as users of the old program know.
  std::string file = std::string(level == kAuditCritical ? ErrorLogPath : LogPath) +
                     platform::FormatTime("%Y%m%d.TSL", now);
  std::string line = FormatAuditLine(level, now, text, second, third);

  // One open, one write and one close per entry: the timer thread writes the same file.
  platform::FileSystem& fs = platform::Fs();
  int fd = fs.Open(file, platform::OpenFor::Append, 0666);
  if (fd < 0) {
    ShowMessageBox(nullptr, "Error opening audit file for append - check path", file,
                   platform::kBoxOk | platform::kBoxIconExclamation);
    return -1;
  }
  int rc = platform::WriteAll(fd, line.data(), line.size());
  if (fs.Close(fd) != 0) rc = -1;
  if (rc != 0) {
    ShowMessageBox(nullptr, "Error writing audit file - check free space", file,
                   platform::kBoxOk | platform::kBoxIconExclamation);
    return -1;
  }
  return 0;
}

void ReportCoded(std::string_view message) {
  std::string text(message);
  WriteAuditEntry(kAuditCritical, text, "", "");
  ShowMessageBox(nullptr, text, "CRITICAL ERROR!",
                 platform::kBoxOk | platform::kBoxIconExclamation);
}

void ShowSystemError(std::string_view context, std::string_view object) {
  std::string caption = std::string(context) + " - " + std::string(object);
  ShowMessageBox(nullptr, platform::LastErrorText(), caption,
                 platform::kBoxOk | platform::kBoxIconExclamation);
}

void ShowFileError(platform::WindowHandle owner, std::string_view text, std::string_view path) {
  ShowMessageBox(owner, text, path, platform::kBoxOk | platform::kBoxIconExclamation);
}

int ChangeDirectory(std::string_view path) {
  // No drives here: only the directory changes.
  if (platform::Fs().ChangeDir(std::string(path)) == 0) return 0;
  ShowSystemError("ERROR CHANGING DIRECTORY", path);
  return -1;
}

int ReturnToConfigDir() {
  if (platform::Fs().ChangeDir(IniPath) != 0) {
    ShowMessageBox(nullptr, IniPath, "ERROR CHANGING DIRECTORY",
                   platform::kBoxOk | platform::kBoxIconExclamation);
  }
  return 0;
}
