#include "config/site_lock.h"

#include <cstdlib>
#include <string_view>
#include <vector>

#include "config/settings.h"
#include "platform/file_lock.h"
#include "platform/fs.h"
#include "platform/paths.h"
#include "platform/text.h"

namespace {

constexpr int kDefaultWaitMs = 5000;
int gWaitMs = -1;  // -1: not decided yet

int WaitMs() {
  if (gWaitMs < 0) {
    gWaitMs = kDefaultWaitMs;
    if (const char* env = std::getenv("TAGSTEWARD_LOCK_WAIT_MS")) {
      char* end = nullptr;
      long ms = std::strtol(env, &end, 10);
      if (end != env && *end == '\0' && ms >= 0 && ms <= 600000) gWaitMs = static_cast<int>(ms);
    }
  }
  return gWaitMs;
}

// The locks this process holds: one descriptor per site, however many holders share it.
struct Held {
  std::string path;
  int fd = -1;
  int holders = 0;
};
std::vector<Held> gHeld;

}  // namespace

std::string SiteLockPath(const char* site) {
  std::string name = "META.INI.";
  platform::AppendPercentEncoded(&name, site, [](unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' ||
           c == '_' || c == '-';
  });
  name += ".lock";
  return platform::JoinPath(IniPath, name);
}

void SetSiteLockWait(int ms) {
  gWaitMs = ms < 0 ? -1 : ms;
}

bool SiteLock::Take(platform::WindowHandle window) {
  if (slot_ >= 0) return true;
  std::string path = SiteLockPath(CurrentConfig);
  for (size_t i = 0; i < gHeld.size(); ++i) {
    if (gHeld[i].holders > 0 && gHeld[i].path == path) {
      ++gHeld[i].holders;
      slot_ = static_cast<int>(i);
      return true;
    }
  }
  int fd = platform::LockFileExclusive(path, WaitMs());
  if (fd < 0) {
    std::string text =
        fd == platform::kLockBusy
            ? platform::Format("Another Tagsteward task is working on site %s", CurrentConfig)
            : platform::Format("The lock file %s cannot be used: %s", path.c_str(),
                               platform::LastErrorText().c_str());
    platform::ShowMessageBox(window, text, "NOTE",
                             platform::kBoxOk | platform::kBoxIconInformation);
    return false;
  }
  size_t i = 0;
  while (i < gHeld.size() && gHeld[i].holders > 0)
    ++i;
  if (i == gHeld.size()) gHeld.emplace_back();
  gHeld[i] = Held{path, fd, 1};
  slot_ = static_cast<int>(i);
  return true;
}

void SiteLock::Release() {
  if (slot_ < 0) return;
  Held& held = gHeld[static_cast<size_t>(slot_)];
  slot_ = -1;
  if (--held.holders > 0) return;
  platform::Fs().Close(held.fd);
  held.fd = -1;
}
