#include "platform/fatal_signals.h"

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstring>

namespace platform {

namespace {

std::atomic<FatalSignalHook> gHook{nullptr};

void WriteRaw(const char* text) {
  (void)!::write(STDERR_FILENO, text, std::strlen(text));
}

const char* SignalName(int signal) {
  switch (signal) {
    case SIGABRT:
      return "SIGABRT";
    case SIGSEGV:
      return "SIGSEGV";
    case SIGBUS:
      return "SIGBUS";
    case SIGFPE:
      return "SIGFPE";
    case SIGILL:
      return "SIGILL";
    default:
      return "signal";
  }
}

void OnFatalSignal(int signal) {
  WriteRaw("Tagsteward: fatal signal ");
  WriteRaw(SignalName(signal));
  WriteRaw("\n");
  if (FatalSignalHook hook = gHook.load()) hook(signal);
  // Back to the default action: the signal, blocked while we run, ends the process as we
  // return (and a fault raised again by the same instruction does the same).
  struct sigaction dfl;
  std::memset(&dfl, 0, sizeof dfl);
  dfl.sa_handler = SIG_DFL;
  sigemptyset(&dfl.sa_mask);
  ::sigaction(signal, &dfl, nullptr);
  ::raise(signal);
}

}  // namespace

int InstallFatalSignalHandler(int signal) {
  struct sigaction sa;
  std::memset(&sa, 0, sizeof sa);
  sa.sa_handler = OnFatalSignal;
  sigemptyset(&sa.sa_mask);
  return ::sigaction(signal, &sa, nullptr) == 0 ? 0 : -1;
}

int InstallFatalSignalHandlers() {
  int failed = 0;
  if (InstallFatalSignalHandler(SIGABRT) != 0) failed |= kSignalAbortFailed;
  if (InstallFatalSignalHandler(SIGSEGV) != 0) failed |= kSignalSegvFailed;
  for (int signal : {SIGBUS, SIGFPE, SIGILL})
    if (InstallFatalSignalHandler(signal) != 0) failed |= kSignalOthersFailed;
  return failed;
}

void SetFatalSignalHook(FatalSignalHook hook) {
  gHook.store(hook);
}

}  // namespace platform
