#include "platform/dir_watch.h"

#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>

#include "platform/fs.h"

namespace platform {

DirWatch::~DirWatch() {
  if (fd_ >= 0) ::close(fd_);
}

int DirWatch::Open(const std::string& dir) {
  if (fd_ >= 0) ::close(fd_);
  fd_ = ::inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
  if (fd_ < 0) {
    SetLastError(errno);
    return -1;
  }
  if (::inotify_add_watch(fd_, dir.c_str(), IN_MOVED_TO | IN_CLOSE_WRITE) < 0) {
    SetLastError(errno);
    ::close(fd_);
    fd_ = -1;
    return -1;
  }
  return 0;
}

int DirWatch::Wait(int timeoutMs) {
  pollfd p{fd_, POLLIN, 0};
  int rc = ::poll(&p, 1, timeoutMs);
  if (rc < 0) {
    if (errno == EINTR) return 0;
    SetLastError(errno);
    return -1;
  }
  if (rc == 0) return 0;
  alignas(inotify_event) char buf[4096];
  while (::read(fd_, buf, sizeof buf) > 0) {
  }
  return 1;
}

}  // namespace platform
