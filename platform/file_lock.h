// Exclusive locks on files, held by an open descriptor, for processes that must not work on the
// same files at once.
#pragma once

#include <string>

namespace platform {

// What LockFileExclusive returns when another holder kept the lock for the whole wait.
constexpr int kLockBusy = -2;

// Opens the file at path (created empty when missing) and takes an exclusive lock on it, trying
// again every few milliseconds for up to waitMs. The descriptor that holds the lock (closing it
// releases the lock); -1 when the file cannot be opened or locked (LastError says why); kLockBusy
// when another open of the file held the lock all along.
int LockFileExclusive(const std::string& path, int waitMs);

}  // namespace platform
