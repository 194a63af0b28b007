// The handler for fatal signals: abort, illegal memory access, bus error, arithmetic fault and
// illegal instruction. It tells stderr, runs the hook (the diagnostics dump), and lets the
// signal end the process as it would have without the handler.
#pragma once

namespace platform {

// Runs inside the signal handler: only async-signal-safe calls are allowed there.
using FatalSignalHook = void (*)(int signal);

// Bits of InstallFatalSignalHandlers' result.
enum : int {
  kSignalAbortFailed = 1,   // SIGABRT
  kSignalSegvFailed = 2,    // SIGSEGV
  kSignalOthersFailed = 4,  // SIGBUS, SIGFPE, SIGILL
};

// Installs the handler for one signal. 0, or -1 when the system refuses.
int InstallFatalSignalHandler(int signal);
// Installs it for every fatal signal. 0, or the bits of the ones that failed.
int InstallFatalSignalHandlers();
// The hook the handler runs before the signal takes its default course (nullptr: none).
void SetFatalSignalHook(FatalSignalHook hook);

}  // namespace platform
