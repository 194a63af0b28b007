// The daily audit log and the small reports every part of the program uses.
#pragma once

#include <ctime>
#include <string>
#include <string_view>

#include "platform/ui.h"

// Audit levels in use.
enum : int {
  kAuditCritical = 99,
  kAuditInfo = 0,
  kAuditWarning = 1,
  kAuditTimer = 2,
  kAuditLogging = 3,
};

// Appends one line to the day file "%Y%m%d.TSL" (ErrorLogPath for level 99, else LogPath).
// second and third are the optional extra fields (nullptr: not given). 0 when written or
// suppressed, -1 when the file cannot be opened or written (the user is told).
int WriteAuditEntry(int level, std::string_view text, const char* second = nullptr,
                    const char* third = nullptr);

// While on (a preview), WriteAuditEntry writes nothing and returns 0.
void SuppressAuditEntries(bool on);

// The audit line for an entry, as written (without the file name).
std::string FormatAuditLine(int level, const std::tm& time, std::string_view text,
                            const char* second, const char* third);

// A coded message ("M044:Path Check Error!"): critical audit entry, then the box
// "CRITICAL ERROR!" with no owner.
void ReportCoded(std::string_view message);

// The last error's text in a box captioned "<context> - <object>".
void ShowSystemError(std::string_view context, std::string_view object);

// A file error: text in a box captioned with the path.
void ShowFileError(platform::WindowHandle owner, std::string_view text, std::string_view path);

// Makes path the current directory; reports a failure. 0 or -1.
int ChangeDirectory(std::string_view path);

// Makes the configuration directory current; reports a failure. Always 0.
int ReturnToConfigDir();
