// Waiting for files to arrive in a directory.
#pragma once

#include <string>

namespace platform {

// Tells when a file is renamed into, or closed after writing in, one directory.
class DirWatch {
 public:
  DirWatch() = default;
  ~DirWatch();
  DirWatch(const DirWatch&) = delete;
  DirWatch& operator=(const DirWatch&) = delete;

  // Starts watching dir. 0 or -1 (error recorded).
  int Open(const std::string& dir);
  // Waits up to timeoutMs (-1: without end) for arrivals and drains them. 1 when something
  // arrived, 0 when the time ran out or a signal came, -1 on error.
  int Wait(int timeoutMs);

 private:
  int fd_ = -1;
};

}  // namespace platform
