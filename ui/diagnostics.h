// The diagnostics window and the diagnostic dump: the program's state for the maker's support,
// on request or after a fatal signal.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "log/source_line.h"
#include "platform/ui.h"

// Why the window was opened or the dump written: the user asked, an illegal memory access, an
// abnormal termination. Any other fatal signal is given by its number.
enum DiagnosticReason : int { kReasonNone = 0, kReasonIllegalMemory = 11, kReasonAbort = 22 };

// The window's summary text, built when it opens, one entry a line.
std::vector<std::string> DiagnosticSummaryLines();
// The window's live text, rebuilt every half second.
std::vector<std::string> DiagnosticLiveLines();
// The dump's lines of buffer addresses and word variables.
std::vector<std::string> DiagnosticVariableLines();

// The dump file: tdiag.txt in the user's home directory.
std::string DiagnosticDumpPath();
// Replaces the dump file with the program's state now under the reason (the file is either the
// old dump or the whole new one), then opens it with the Editor when owner is a window. 0, or -1
// when it could not be written.
int WriteDiagnosticDump(platform::WindowHandle owner, int reason, const char* reasonText);

// Notes what the dump of a fatal signal needs (the dump path, the time zone, the figures' fixed
// parts) and sets the fatal-signal hook, which writes the dump with async-signal-safe calls only.
void InstallDiagnosticsHook();
// After the dump the hook starts program (the desktop program's own path) as
// "program --diagnostics CODE DUMP EDITOR" to show the window, since this process is about to
// end. nullptr or "" (the default): no window.
void SetDiagnosticsWindowProgram(const char* program);
// The command-line option of that fresh process.
inline constexpr char kDiagnosticsOption[] = "--diagnostics";

// Opens the window "Tagsteward Diagnostics" (reason: a DiagnosticReason). The first opening of
// the run writes the dump by itself on its first tick. nullptr when it could not be created.
platform::WindowHandle OpenDiagnosticsWindow(int reason);
// The window in a fresh process after a crash: shows the dump written at dumpPath (the reasons,
// versions and figures of the process that ended; its Dump button is greyed) and opens the dump
// with editor. Closing it ends the message loop.
platform::WindowHandle OpenCrashDiagnosticsWindow(int reason, const char* dumpPath,
                                                  const char* editor);
// Opens that window and runs until it is closed. Returns the exit code.
int RunCrashDiagnostics(int reason, const char* dumpPath, const char* editor);
// The next opening writes the automatic dump again, as in a new run.
void ResetDiagnostics();
