#include "platform/process.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

#include "platform/fs.h"

extern char** environ;

namespace platform {

int StartProgram(const std::string& program, const std::string& argument) {
  if (program.empty()) {
    SetLastError(ENOENT);
    return -1;
  }
  std::string prog = program;
  std::string arg = argument;
  char* argv[3] = {prog.data(), arg.empty() ? nullptr : arg.data(), nullptr};
  pid_t pid;
  // posix_spawnp reports a failed exec as its result, so "not found" is seen here.
  int rc = posix_spawnp(&pid, prog.c_str(), nullptr, nullptr, argv, environ);
  if (rc != 0) {
    SetLastError(rc);
    return -1;
  }
  // Reap the child when it ends so it never lingers as a zombie.
  std::thread([pid] {
    int status;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
  }).detach();
  return 0;
}

long CurrentProcessId() {
  return static_cast<long>(::getpid());
}

bool ProcessExists(long pid) {
  if (pid <= 0) return false;
  return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH;
}

}  // namespace platform
