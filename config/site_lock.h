// The lock every run that writes a site's documents holds, so that two runs (of this program or
// of two) never write the same site at once. A lock file beside META.INI, one per site.
#pragma once

#include <string>

#include "platform/ui.h"

// The lock file of the site: "META.INI.<site>.lock" in the configuration directory, with every
// byte of the name outside [A-Za-z0-9._-] written as %XX.
std::string SiteLockPath(const char* site);

// How long a writer waits for another to finish before it gives up, in milliseconds; negative
// restores the default (TAGSTEWARD_LOCK_WAIT_MS from the environment, for tests, else 5000).
void SetSiteLockWait(int ms);

// Holds the lock of the current site (CurrentConfig) from Take until Release or the end of the
// object. Within the process the lock is shared: a task that saves a page through a path that
// takes it again holds it once.
class SiteLock {
 public:
  SiteLock() = default;
  ~SiteLock() { Release(); }
  SiteLock(const SiteLock&) = delete;
  SiteLock& operator=(const SiteLock&) = delete;

  // True when held. When another run kept it for the whole wait, or the lock file cannot be
  // used, the user is told (a box "NOTE") and nothing is held.
  bool Take(platform::WindowHandle window);
  void Release();

 private:
  int slot_ = -1;
};
