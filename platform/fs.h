// File services behind one replaceable backend, so tests can inject faults as data.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace platform {

struct FileInfo {
  bool isDir = false;
  bool isRegular = false;
  bool isLink = false;  // only from lstat-style queries
  long long size = 0;
  unsigned mode = 0;  // permission bits
  // Which file it is: two infos with the same device and inode describe the same file.
  unsigned long long device = 0;
  unsigned long long inode = 0;
  // When the file's status last changed, in nanoseconds: for a directory, also when an entry was
  // added, removed or renamed.
  long long changeNs = 0;
  // When its contents were last written, in nanoseconds.
  long long modifyNs = 0;
};

// True when two infos describe the same file with the same contents as far as its status tells:
// device, inode, size and modification time.
bool SameFileState(const FileInfo& a, const FileInfo& b);

// True when the file's status changed so lately (within the coarsest file-time step a file
// system may have) that another change made now could leave its times as they are.
bool RecentlyChanged(const FileInfo& info);
// For tests: how lately a change counts as recent, in nanoseconds (below 0 takes in changes
// still to come). The default is two seconds, the step of the coarsest file times (FAT's); a
// file system clock that lags more than that behind this one is not provided for.
constexpr long long kRecentChangeNs = 2'000'000'000;
void SetRecentChangeStep(long long ns);

// What a directory listing says an entry is, without asking the file system again.
enum class EntryType : unsigned char { Unknown, File, Dir, Link, Other };

struct RawDirEntry {
  std::string name;
  EntryType type = EntryType::Unknown;
};

enum class OpenFor {
  Read,        // existing file, read only
  ReadNoLink,  // as Read, but fails (ELOOP) when the last component is a symbolic link
  Write,       // create or truncate, write only
  Append,      // create if missing, append
  CreateNew,   // create, fail if it exists
};

// The backend. Every call records the error of a failure (see LastError) and returns -1.
class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // Returns a descriptor >= 0, or -1.
  virtual int Open(const std::string& path, OpenFor how, unsigned mode) = 0;
  // One read: bytes read, 0 at end of file, -1 on error (EINTR retried).
  virtual long Read(int fd, void* buf, size_t len) = 0;
  // One write: bytes written (may be short), -1 on error (EINTR retried).
  virtual long Write(int fd, const void* buf, size_t len) = 0;
  virtual int Sync(int fd) = 0;
  // Flushes the directory's entries (the renames done in it) to disk.
  virtual int SyncDir(const std::string& path) = 0;
  virtual int Close(int fd) = 0;
  // Replaces `to` if it exists.
  virtual int Rename(const std::string& from, const std::string& to) = 0;
  // Fails with EEXIST when `to` exists.
  virtual int RenameNoReplace(const std::string& from, const std::string& to) = 0;
  // A second name `to` for the file `from` (a hard link); fails with EEXIST when `to` exists.
  virtual int Link(const std::string& from, const std::string& to) = 0;
  virtual int Remove(const std::string& path) = 0;
  virtual int Stat(const std::string& path, FileInfo* info) = 0;
  virtual int LinkStat(const std::string& path, FileInfo* info) = 0;
  // LinkStat for the entry `name` (no "/" in it) of the directory open as dirFd.
  virtual int LinkStatAt(int dirFd, const std::string& name, FileInfo* info) = 0;
  // Rename between two entries of the directory open as dirFd.
  virtual int RenameAt(int dirFd, const std::string& from, const std::string& to) = 0;
  // Stat for the file open as fd.
  virtual int StatOpen(int fd, FileInfo* info) = 0;
  // One read at offset, leaving the descriptor's position alone: as Read otherwise.
  virtual long ReadAt(int fd, void* buf, size_t len, long long offset) = 0;
  virtual int Chmod(const std::string& path, unsigned mode) = 0;
  virtual int MakeDir(const std::string& path) = 0;
  virtual int RemoveDir(const std::string& path) = 0;
  // Names in the directory without "." and "..", in no particular order.
  virtual int ListDir(const std::string& dir, std::vector<std::string>* names) = 0;
  // The same, with each entry's type as the directory reports it (Unknown when it does not).
  virtual int ListDirEntries(const std::string& dir, std::vector<RawDirEntry>* entries) = 0;
  // Opens a directory: a descriptor for ListDirEntriesAt and OpenAt, released with Close; or -1.
  virtual int OpenDir(const std::string& path) = 0;
  // ListDirEntries for the directory open as dirFd. It reads the descriptor to its end: a
  // directory is listed once per OpenDir.
  virtual int ListDirEntriesAt(int dirFd, std::vector<RawDirEntry>* entries) = 0;
  // Calls visit(context, name, type) for each entry of the directory but "." and "..", in no
  // particular order, without keeping the names: a name lives only during its call. 0, or -1
  // when the directory cannot be read (entries may have been visited before a failure). By
  // default through ListDirEntries; the POSIX backend reads the entries straight from the
  // kernel's buffer.
  using DirEntryVisitor = void (*)(void* context, std::string_view name, EntryType type);
  virtual int VisitDirEntries(const std::string& dir, DirEntryVisitor visit, void* context);
  // VisitDirEntries for the directory open as dirFd, read to its end as ListDirEntriesAt
  // reads it (by default through ListDirEntriesAt).
  virtual int VisitDirEntriesAt(int dirFd, DirEntryVisitor visit, void* context);
  // Open for the file `name` (no "/" in it) of the directory open as dirFd: the name is looked
  // up in that directory, not along the whole path again. A descriptor >= 0, or -1.
  virtual int OpenAt(int dirFd, const std::string& name, OpenFor how, unsigned mode) = 0;
  virtual int ChangeDir(const std::string& path) = 0;
  virtual int CurrentDir(std::string* out) = 0;
  // Canonical absolute path with every symbolic link resolved.
  virtual int RealPath(const std::string& path, std::string* out) = 0;
  // An exclusive advisory lock on the open file, without waiting: 0, or -1 (EWOULDBLOCK when
  // another open of the file holds it). Closing the descriptor releases it.
  virtual int TryLock(int fd) = 0;
};

// The backend in use (the POSIX one unless a test installed another).
FileSystem& Fs();

// FileSystem::VisitDirEntries of the backend in use with visit(name, type) called for each entry.
template <typename Visit>
int VisitDirEntries(const std::string& dir, Visit&& visit) {
  return Fs().VisitDirEntries(
      dir,
      [](void* context, std::string_view name, EntryType type) {
        (*static_cast<std::remove_reference_t<Visit>*>(context))(name, type);
      },
      &visit);
}
// The same for the directory open as dirFd.
template <typename Visit>
int VisitDirEntriesAt(int dirFd, Visit&& visit) {
  return Fs().VisitDirEntriesAt(
      dirFd,
      [](void* context, std::string_view name, EntryType type) {
        (*static_cast<std::remove_reference_t<Visit>*>(context))(name, type);
      },
      &visit);
}
// Installs a backend; nullptr restores the POSIX one. Returns the previous one.
FileSystem* SetFileSystem(FileSystem* fs);
// The POSIX backend itself, for wrappers.
FileSystem& PosixFileSystem();

// Installs a backend for the lifetime of the object.
class ScopedFileSystem {
 public:
  explicit ScopedFileSystem(FileSystem* fs) : previous_(SetFileSystem(fs)) {}
  ~ScopedFileSystem() { SetFileSystem(previous_); }
  ScopedFileSystem(const ScopedFileSystem&) = delete;
  ScopedFileSystem& operator=(const ScopedFileSystem&) = delete;

 private:
  FileSystem* previous_;
};

// The last error recorded by a platform call on this thread (an errno value), and its text.
int LastError();
void SetLastError(int err);
std::string LastErrorText();
std::string ErrorText(int err);
// True when the error means "access denied".
bool IsAccessDenied(int err);

// Writes all of buf, looping over short writes. 0 or -1.
int WriteAll(int fd, const void* buf, size_t len);
// Reads until len bytes or end of file. Bytes read, or -1.
long ReadFull(int fd, void* buf, size_t len);
// Reads a whole file. 0 or -1.
int ReadWholeFile(const std::string& path, std::string* out);
bool FileExists(const std::string& path);
// The path with every link and "." or ".." resolved, or "" when it cannot be resolved.
std::string ResolvedPath(const std::string& path);
bool DirExists(const std::string& path);

// Work files. Every file the program replaces is written first under a work name of its own
// beside it: ".tsw.<pid>.<n>.<8 hex digits>~", created exclusively. No mask of documents ends
// with "~" and no user names a file that way, so a work file is never taken for a document.
bool IsWorkFileName(std::string_view name);
// A work file nobody will finish: its process is gone, or it is this process's and not open.
bool IsStaleWorkFile(std::string_view name);
// Removes the stale work files of dir (a killed write's leftovers) and nothing else. The number
// removed.
int RemoveStaleWorkFiles(const std::string& dir);

// Writes a file completely under a work file beside it, flushes it to disk and renames it over
// the target, so that the target is always either the old or the new file. A target that is a
// symbolic link is replaced at the link's target (the link stays); the new file keeps the old
// file's permission bits with owner write added. After the rename the directory is flushed,
// unless a DirectorySyncBatch is open (see there).
class AtomicFile {
 public:
  AtomicFile() = default;
  ~AtomicFile();  // aborts when not committed
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  // Opens a work file beside `target`. 0 or -1.
  int Begin(const std::string& target);
  // Begin in two steps, for callers that look at the target in between: Resolve finds the
  // file the target names (behind a symbolic link, the link's target; see targetPath and
  // targetInfo), Open creates the work file beside it. Each 0 or -1.
  int Resolve(const std::string& target);
  // Resolve for a caller that knows what target is: no symbolic link, the file info tells.
  // With its directory open as dirFd (kept open by the caller until Commit or Abort), the work
  // file is made, and the target asked and replaced, by their names in that directory,
  // whatever happens to the directory's path meanwhile.
  void Assume(const std::string& target, const FileInfo& info, int dirFd = -1);
  int Open();
  // The target as it was when its contents were read: Commit replaces it only while it is still
  // that file, unchanged (its status times included).
  void ExpectTarget(const FileInfo& info);
  // 0 or -1; after a failure every later call fails and Commit does nothing.
  int Write(const void* data, size_t len);
  int Write(const std::string& s) { return Write(s.data(), s.size()); }
  // Flushes, closes and renames into place. 0 or -1 (then the work file is gone, and when
  // targetChanged() the target was left as it is).
  int Commit();
  // Commit in two steps, for a set of files that must all be replaced or none: Prepare flushes
  // and closes the work file; Install renames it into place, first keeping the old target under
  // a work name (keepOld) so that Restore can put it back. Each 0 or -1 (Install leaves the
  // target as it was on failure).
  int Prepare();
  int Install(bool keepOld = false);
  // After Install(true): Restore brings the old target back (or removes a target that did not
  // exist before); DropBackup removes the kept old file. Restore: 0 or -1.
  int Restore();
  void DropBackup();
  // Closes and removes the work file; the target is untouched.
  void Abort();

  const std::string& workPath() const { return workPath_; }
  const std::string& targetPath() const { return targetPath_; }
  // Whether the resolved target exists, and what it is then.
  bool targetExists() const { return existed_; }
  const FileInfo& targetInfo() const { return targetInfo_; }
  // The error of the step that failed.
  int error() const { return error_; }
  // Commit found the target other than expected (replaced, written or removed meanwhile).
  bool targetChanged() const { return targetChanged_; }

 private:
  void Reset(const std::string& target);  // forgets everything of an earlier target
  int Fail();
  int fd_ = -1;
  int dirFd_ = -1;  // the target's directory when known open (Assume)
  bool failed_ = false;
  bool targetChanged_ = false;
  int error_ = 0;
  unsigned mode_ = 0644;
  bool existed_ = false;
  bool expect_ = false;
  unsigned long long workNumber_ = 0;  // the <n> of the work name while it is open
  FileInfo targetInfo_;
  FileInfo expected_;
  bool prepared_ = false;
  std::string targetPath_;
  std::string workPath_;
  std::string backupPath_;  // the old target kept by Install(true)
  unsigned long long backupNumber_ = 0;
  bool installed_ = false;
};

// Replaces a whole file atomically with data. 0 or -1.
int ReplaceFile(const std::string& path, const std::string& data);

// While one is open, AtomicFile::Commit leaves the flush of its directory for later: the
// directory is flushed once, when a commit goes to another directory, when FlushDirectory is
// called, or when the last batch closes. For a walk, which renames many files in a directory.
class DirectorySyncBatch {
 public:
  DirectorySyncBatch();
  ~DirectorySyncBatch();
  DirectorySyncBatch(const DirectorySyncBatch&) = delete;
  DirectorySyncBatch& operator=(const DirectorySyncBatch&) = delete;
};
// Flushes the directory a commit renamed into and that is not flushed yet, if any: through
// dirFd when that directory is dir (open as dirFd), else by its path. 0 when there was nothing
// to flush or it was flushed; -1 when it failed.
int FlushDirectory(int dirFd = -1, std::string_view dir = {});

}  // namespace platform
