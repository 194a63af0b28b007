#include "platform/single_instance.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "platform/text.h"

namespace platform {

namespace {

constexpr char kKnock[] = "raise\n";
constexpr int kConnectTries = 50;    // the first instance may hold the lock but not listen yet
constexpr int kConnectPauseMs = 40;  // ... for up to two seconds
constexpr int kAnswerWaitMs = 2000;

std::uint64_t Fnv1a(const std::string& text) {
  std::uint64_t h = 1469598103934665603ull;
  for (unsigned char c : text) {
    h ^= c;
    h *= 1099511628211ull;
  }
  return h;
}

bool FillAddress(const std::string& path, sockaddr_un* addr) {
  std::memset(addr, 0, sizeof *addr);
  addr->sun_family = AF_UNIX;
  if (path.size() >= sizeof addr->sun_path) return false;
  std::memcpy(addr->sun_path, path.data(), path.size());
  return true;
}

// Knocks on the running instance's socket and waits for its answer.
void KnockOnce(const std::string& path) {
  sockaddr_un addr;
  if (!FillAddress(path, &addr)) return;
  for (int attempt = 0; attempt < kConnectTries; ++attempt) {
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0) {
      if (::send(fd, kKnock, sizeof kKnock - 1, MSG_NOSIGNAL) > 0) {
        pollfd p{fd, POLLIN, 0};
        char reply;
        if (::poll(&p, 1, kAnswerWaitMs) > 0) (void)!::read(fd, &reply, 1);
      }
      ::close(fd);
      return;
    }
    ::close(fd);
    ::usleep(kConnectPauseMs * 1000);
  }
}

}  // namespace

std::string InstanceRuntimeDirectory() {
  const char* xdg = std::getenv("XDG_RUNTIME_DIR");
  struct stat st;
  if (xdg && xdg[0] == '/' && ::stat(xdg, &st) == 0 && S_ISDIR(st.st_mode)) return xdg;
  // The fallback is shared /tmp: only a directory that is ours and closed to others will do.
  std::string dir = Format("/tmp/tagsteward-%u", static_cast<unsigned>(::getuid()));
  ::mkdir(dir.c_str(), 0700);
  if (::lstat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid() ||
      (st.st_mode & 077) != 0)
    return "";
  return dir;
}

InstanceClaim SingleInstance::Claim(const std::string& key) {
  Release();
  std::string dir = InstanceRuntimeDirectory();
  if (dir.empty()) return InstanceClaim::kUnavailable;
  std::string base =
      Format("%s/tagsteward-%u-%016llx", dir.c_str(), static_cast<unsigned>(::getuid()),
             static_cast<unsigned long long>(Fnv1a(key)));
  int lock = ::open((base + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (lock < 0) return InstanceClaim::kUnavailable;
  if (::flock(lock, LOCK_EX | LOCK_NB) != 0) {
    ::close(lock);
    if (errno != EWOULDBLOCK) return InstanceClaim::kUnavailable;
    KnockOnce(base + ".sock");
    return InstanceClaim::kOtherRunning;
  }
  lockFd_ = lock;
  socketPath_ = base + ".sock";

  // Holding the lock, any socket file left is from an instance that ended without tidying.
  ::unlink(socketPath_.c_str());
  sockaddr_un addr;
  int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0 || !FillAddress(socketPath_, &addr) ||
      ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(fd, 4) != 0 ||
      ::pipe2(wakeFds_, O_CLOEXEC) != 0) {
    // Still the one instance; later starts simply cannot raise this one.
    if (fd >= 0) ::close(fd);
    return InstanceClaim::kFirst;
  }
  listenFd_ = fd;
  listener_ = std::thread([this] { Listen(); });
  return InstanceClaim::kFirst;
}

void SingleInstance::Listen() {
  for (;;) {
    pollfd p[2] = {{listenFd_, POLLIN, 0}, {wakeFds_[0], POLLIN, 0}};
    if (::poll(p, 2, -1) < 0) {
      if (errno == EINTR) continue;
      return;
    }
    if (p[1].revents) return;
    if (!(p[0].revents & POLLIN)) continue;
    int connection = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (connection < 0) continue;
    Answer(connection);
    ::close(connection);
  }
}

void SingleInstance::Answer(int connection) {
  char buf[16] = {};
  pollfd p{connection, POLLIN, 0};
  if (::poll(&p, 1, kAnswerWaitMs) <= 0) return;
  long got = ::read(connection, buf, sizeof buf - 1);
  if (got < static_cast<long>(sizeof kKnock - 1) ||
      std::memcmp(buf, kKnock, sizeof kKnock - 1) != 0)
    return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (window_)
      PostMessage(window_, kMsgRaiseInstance, 0, 0);
    else
      pending_ = true;
  }
  (void)!::send(connection, "k", 1, MSG_NOSIGNAL);
}

void SingleInstance::SetWindow(WindowHandle window) {
  std::lock_guard<std::mutex> lock(mutex_);
  window_ = window;
  if (window_ && pending_) {
    pending_ = false;
    PostMessage(window_, kMsgRaiseInstance, 0, 0);
  }
}

void SingleInstance::Release() {
  if (listener_.joinable()) {
    (void)!::write(wakeFds_[1], "x", 1);
    listener_.join();
  }
  for (int* fd : {&listenFd_, &wakeFds_[0], &wakeFds_[1]}) {
    if (*fd >= 0) ::close(*fd);
    *fd = -1;
  }
  if (lockFd_ >= 0) {
    // The socket goes first, so that a start that takes the lock next finds no stale file.
    ::unlink(socketPath_.c_str());
    ::close(lockFd_);
    lockFd_ = -1;
  }
  socketPath_.clear();
  std::lock_guard<std::mutex> lock(mutex_);
  window_ = nullptr;
  pending_ = false;
}

}  // namespace platform
