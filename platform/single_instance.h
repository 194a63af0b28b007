// One running program per user and configuration directory. The first start holds a lock and
// listens on a local socket; a later start finds the lock taken, asks the first to bring its
// window to the front, and ends.
#pragma once

#include <mutex>
#include <string>
#include <thread>

#include "platform/ui_window.h"

namespace platform {

// Posted to the instance's window when another start asks it to come to the front.
constexpr unsigned kMsgRaiseInstance = kMsgUser + 177;  // 1201

enum class InstanceClaim {
  kFirst,         // this process is the instance; it listens for later starts
  kOtherRunning,  // another process is the instance and was asked to raise its window
  kUnavailable,   // no private place for the lock: the rule is not enforced
};

// The per-user directory for the lock and the socket: $XDG_RUNTIME_DIR when it is an absolute
// directory, else /tmp/tagsteward-<uid> (created 0700, used only when it is ours and private).
// "" when neither can be used.
std::string InstanceRuntimeDirectory();

class SingleInstance {
 public:
  SingleInstance() = default;
  ~SingleInstance() { Release(); }
  SingleInstance(const SingleInstance&) = delete;
  SingleInstance& operator=(const SingleInstance&) = delete;

  // Claims the instance named key (the configuration directory) for this user.
  InstanceClaim Claim(const std::string& key);
  // The window that gets kMsgRaiseInstance. A request that came before there was a window is
  // posted when one is set.
  void SetWindow(WindowHandle window);
  // Stops listening and gives the instance up.
  void Release();

 private:
  void Listen();
  void Answer(int connection);

  int lockFd_ = -1;
  int listenFd_ = -1;
  int wakeFds_[2] = {-1, -1};
  std::string socketPath_;
  std::thread listener_;
  std::mutex mutex_;
  WindowHandle window_ = nullptr;
  bool pending_ = false;
};

}  // namespace platform
