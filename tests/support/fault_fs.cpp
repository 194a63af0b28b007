#include "tests/support/fault_fs.h"

#include "platform/paths.h"

namespace testing_support {

namespace {
bool IsRead(platform::OpenFor how) {
  return how == platform::OpenFor::Read || how == platform::OpenFor::ReadNoLink;
}
}  // namespace

int FaultyFileSystem::Fault(int err) {
  platform::SetLastError(err);
  return -1;
}

int FaultyFileSystem::Open(const std::string& path, platform::OpenFor how, unsigned mode) {
  ++counts_.opens;
  if (counts_.opens == plan_.failOpenAt) return Fault(plan_.error);
  if (IsRead(how) && plan_.unreadable.count(path)) return Fault(EACCES);
  return base_.Open(path, how, mode);
}

int FaultyFileSystem::OpenAt(int dirFd, const std::string& name, platform::OpenFor how,
                             unsigned mode) {
  ++counts_.opens;
  if (counts_.opens == plan_.failOpenAt) return Fault(plan_.error);
  auto dir = openDirs_.find(dirFd);
  if (IsRead(how) && dir != openDirs_.end() &&
      plan_.unreadable.count(platform::JoinPath(dir->second, name)))
    return Fault(EACCES);
  return base_.OpenAt(dirFd, name, how, mode);
}

int FaultyFileSystem::OpenDir(const std::string& path) {
  ++counts_.dirOpens;
  if (counts_.dirOpens == plan_.failOpenDirAt) return Fault(plan_.error);
  if (plan_.unlistable.count(path)) return Fault(EACCES);
  int fd = base_.OpenDir(path);
  if (fd >= 0) openDirs_[fd] = path;
  return fd;
}

int FaultyFileSystem::ListDirEntriesAt(int dirFd, std::vector<platform::RawDirEntry>* entries) {
  ++counts_.lists;
  if (counts_.lists == plan_.failListAt) {
    entries->clear();
    return Fault(plan_.error);
  }
  return base_.ListDirEntriesAt(dirFd, entries);
}

long FaultyFileSystem::Read(int fd, void* buf, size_t len) {
  ++counts_.reads;
  if (plan_.beforeRead) plan_.beforeRead(counts_.reads);
  if (counts_.reads == plan_.failReadAt) return Fault(plan_.error);
  return base_.Read(fd, buf, len);
}

long FaultyFileSystem::ReadAt(int fd, void* buf, size_t len, long long offset) {
  ++counts_.reads;
  if (plan_.beforeRead) plan_.beforeRead(counts_.reads);
  if (counts_.reads == plan_.failReadAt) return Fault(plan_.error);
  return base_.ReadAt(fd, buf, len, offset);
}

int FaultyFileSystem::StatOpen(int fd, platform::FileInfo* info) {
  ++counts_.openStats;
  if (counts_.openStats == plan_.failStatOpenAt) return Fault(plan_.error);
  return base_.StatOpen(fd, info);
}

long FaultyFileSystem::Write(int fd, const void* buf, size_t len) {
  ++counts_.writes;
  if (counts_.writes == plan_.failWriteAt) return Fault(plan_.error);
  if (plan_.diskFullAfter >= 0) {
    long long room = plan_.diskFullAfter - counts_.bytesWritten;
    if (room <= 0) return Fault(ENOSPC);
    if (static_cast<long long>(len) > room) len = static_cast<size_t>(room);
  }
  long n = base_.Write(fd, buf, len);
  if (n > 0) counts_.bytesWritten += n;
  return n;
}

int FaultyFileSystem::Sync(int fd) {
  ++counts_.syncs;
  if (counts_.syncs == plan_.failSyncAt) return Fault(plan_.error);
  return base_.Sync(fd);
}

int FaultyFileSystem::SyncDir(const std::string& path) {
  ++counts_.dirSyncs;
  if (counts_.dirSyncs == plan_.failSyncDirAt) return Fault(plan_.error);
  return base_.SyncDir(path);
}

int FaultyFileSystem::TryLock(int fd) {
  ++counts_.locks;
  if (counts_.locks == plan_.failLockAt) return Fault(plan_.error);
  return base_.TryLock(fd);
}

int FaultyFileSystem::Close(int fd) {
  ++counts_.closes;
  openDirs_.erase(fd);
  int rc = base_.Close(fd);  // the descriptor is released either way
  if (counts_.closes == plan_.failCloseAt) return Fault(plan_.error);
  return rc;
}

int FaultyFileSystem::Rename(const std::string& from, const std::string& to) {
  ++counts_.renames;
  if (counts_.renames == plan_.failRenameAt) return Fault(EACCES);
  return base_.Rename(from, to);
}

int FaultyFileSystem::RenameAt(int dirFd, const std::string& from, const std::string& to) {
  ++counts_.renames;
  if (counts_.renames == plan_.failRenameAt) return Fault(EACCES);
  return base_.RenameAt(dirFd, from, to);
}

int FaultyFileSystem::RenameNoReplace(const std::string& from, const std::string& to) {
  ++counts_.renames;
  if (counts_.renames == plan_.failRenameAt) return Fault(EACCES);
  return base_.RenameNoReplace(from, to);
}

int FaultyFileSystem::Link(const std::string& from, const std::string& to) {
  ++counts_.renames;
  if (counts_.renames == plan_.failRenameAt) return Fault(EACCES);
  return base_.Link(from, to);
}

int FaultyFileSystem::Remove(const std::string& path) {
  ++counts_.removes;
  if (counts_.removes == plan_.failRemoveAt || plan_.unremovable.count(path)) return Fault(EACCES);
  return base_.Remove(path);
}

}  // namespace testing_support
