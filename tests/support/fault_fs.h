// A file system wrapper that injects faults described as data.
#pragma once

#include <cerrno>
#include <functional>
#include <map>
#include <set>
#include <string>

#include "platform/fs.h"

namespace testing_support {

struct FaultPlan {
  // Calls are counted from 1; 0 means never fail.
  int failOpenAt = 0;
  int failWriteAt = 0;
  int failSyncAt = 0;
  int failSyncDirAt = 0;  // SyncDir calls
  int failLockAt = 0;     // TryLock calls
  int failCloseAt = 0;
  int failRenameAt = 0;  // Rename, RenameAt, RenameNoReplace and Link calls
  int failRemoveAt = 0;
  int failReadAt = 0;      // Read and ReadAt calls
  int failStatOpenAt = 0;  // StatOpen calls
  int failOpenDirAt = 0;   // OpenDir calls
  int failListAt = 0;      // listings of an open directory (ListDirEntriesAt)
  // Bytes that fit on the disk before writes fail with ENOSPC (a short write first); -1 = no limit.
  long long diskFullAfter = -1;
  // Paths (as given to Open) that cannot be opened for reading.
  std::set<std::string> unreadable;
  // Paths (as given to Remove) that cannot be removed.
  std::set<std::string> unremovable;
  // Directories that cannot be listed (nor opened as a directory).
  std::set<std::string> unlistable;
  int error = EIO;
  // Called before each Read and ReadAt with its number (from 1), e.g. to change the file
  // between two reads.
  std::function<void(int read)> beforeRead;
};

struct FaultCounts {
  int opens = 0, writes = 0, syncs = 0, closes = 0, renames = 0, removes = 0, reads = 0;
  int dirOpens = 0, lists = 0;  // OpenDir and ListDirEntriesAt calls
  int openStats = 0;            // StatOpen calls
  int dirSyncs = 0, locks = 0;  // SyncDir and TryLock calls
  long long bytesWritten = 0;
};

class FaultyFileSystem final : public platform::FileSystem {
 public:
  explicit FaultyFileSystem(FaultPlan plan = {},
                            platform::FileSystem& base = platform::PosixFileSystem())
      : plan_(std::move(plan)), base_(base) {}

  const FaultCounts& counts() const { return counts_; }
  FaultPlan& plan() { return plan_; }

  int Open(const std::string& path, platform::OpenFor how, unsigned mode) override;
  long Read(int fd, void* buf, size_t len) override;
  long ReadAt(int fd, void* buf, size_t len, long long offset) override;
  long Write(int fd, const void* buf, size_t len) override;
  int Sync(int fd) override;
  int SyncDir(const std::string& path) override;
  int Close(int fd) override;
  int Rename(const std::string& from, const std::string& to) override;
  int RenameNoReplace(const std::string& from, const std::string& to) override;
  int Link(const std::string& from, const std::string& to) override;
  int Remove(const std::string& path) override;
  int Stat(const std::string& path, platform::FileInfo* info) override {
    return base_.Stat(path, info);
  }
  int LinkStat(const std::string& path, platform::FileInfo* info) override {
    return base_.LinkStat(path, info);
  }
  int LinkStatAt(int dirFd, const std::string& name, platform::FileInfo* info) override {
    return base_.LinkStatAt(dirFd, name, info);
  }
  int RenameAt(int dirFd, const std::string& from, const std::string& to) override;
  int StatOpen(int fd, platform::FileInfo* info) override;
  int Chmod(const std::string& path, unsigned mode) override { return base_.Chmod(path, mode); }
  int MakeDir(const std::string& path) override { return base_.MakeDir(path); }
  int RemoveDir(const std::string& path) override { return base_.RemoveDir(path); }
  int ListDir(const std::string& dir, std::vector<std::string>* names) override {
    if (plan_.unlistable.count(dir)) return Fault(EACCES);
    return base_.ListDir(dir, names);
  }
  int ListDirEntries(const std::string& dir, std::vector<platform::RawDirEntry>* entries) override {
    if (plan_.unlistable.count(dir)) return Fault(EACCES);
    return base_.ListDirEntries(dir, entries);
  }
  int OpenDir(const std::string& path) override;
  int ListDirEntriesAt(int dirFd, std::vector<platform::RawDirEntry>* entries) override;
  int OpenAt(int dirFd, const std::string& name, platform::OpenFor how, unsigned mode) override;
  int ChangeDir(const std::string& path) override { return base_.ChangeDir(path); }
  int CurrentDir(std::string* out) override { return base_.CurrentDir(out); }
  int RealPath(const std::string& path, std::string* out) override {
    return base_.RealPath(path, out);
  }
  int TryLock(int fd) override;

 private:
  int Fault(int err);
  FaultPlan plan_;
  platform::FileSystem& base_;
  FaultCounts counts_;
  // The path of each directory open through OpenDir, so that a file opened relative to it
  // meets the plan's paths.
  std::map<int, std::string> openDirs_;
};

}  // namespace testing_support
