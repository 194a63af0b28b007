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

int RunProgramAndWait(const std::vector<std::string>& argv) {
  if (argv.empty() || argv[0].empty()) {
    SetLastError(ENOENT);
    return -1;
  }
  std::vector<std::string> copies = argv;
  std::vector<char*> args;
  for (std::string& a : copies)
    args.push_back(a.data());
  args.push_back(nullptr);
  pid_t pid;
  int rc = posix_spawnp(&pid, args[0], nullptr, nullptr, args.data(), environ);
  if (rc != 0) {
    SetLastError(rc);
    return -1;
  }
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) {
      SetLastError(errno);
      return -1;
    }
  }
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return WEXITSTATUS(status);
}

long CurrentProcessId() {
  return static_cast<long>(::getpid());
}

bool ProcessExists(long pid) {
  if (pid <= 0) return false;
  return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH;
}

}  // namespace platform
