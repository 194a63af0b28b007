#include "platform/file_lock.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <thread>

#include "platform/fs.h"

namespace platform {

int LockFileExclusive(const std::string& path, int waitMs) {
  constexpr auto kRetry = std::chrono::milliseconds(20);
  FileSystem& fs = Fs();
  int fd = fs.Open(path, OpenFor::Append, 0666);
  if (fd < 0) return -1;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
  for (;;) {
    if (fs.TryLock(fd) == 0) return fd;
    int err = LastError();
    if (err != EWOULDBLOCK) {
      fs.Close(fd);
      SetLastError(err);
      return -1;
    }
    auto now = std::chrono::steady_clock::now();
    if (now >= deadline) break;
    std::this_thread::sleep_for(
        std::min<std::chrono::steady_clock::duration>(kRetry, deadline - now));
  }
  fs.Close(fd);
  SetLastError(EWOULDBLOCK);
  return kLockBusy;
}

}  // namespace platform
