#include "platform/fs.h"

#include <dirent.h>
#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdint>
#include <cstdio>  // renameat2
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <mutex>
#include <new>

namespace platform {

namespace {

thread_local int tLastError = 0;

int Failed() {
  tLastError = errno;
  return -1;
}

EntryType TypeOf(unsigned char dType) {
  switch (dType) {
    case DT_REG:
      return EntryType::File;
    case DT_DIR:
      return EntryType::Dir;
    case DT_LNK:
      return EntryType::Link;
    case DT_UNKNOWN:
      return EntryType::Unknown;
    default:
      return EntryType::Other;
  }
}

void FillInfo(const struct stat& st, FileInfo* info) {
  info->isDir = S_ISDIR(st.st_mode);
  info->isRegular = S_ISREG(st.st_mode);
  info->isLink = S_ISLNK(st.st_mode);
  info->size = static_cast<long long>(st.st_size);
  info->mode = static_cast<unsigned>(st.st_mode & 07777);
  info->device = static_cast<unsigned long long>(st.st_dev);
  info->inode = static_cast<unsigned long long>(st.st_ino);
  info->changeNs = static_cast<long long>(st.st_ctim.tv_sec) * 1000000000LL + st.st_ctim.tv_nsec;
  info->modifyNs = static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
}

// Calls f(name, length, type) for each entry of the open directory but "." and "..": the
// entries straight from the kernel, a buffer at a time. No stream is set up around the
// descriptor, and a small directory takes one read and the empty one that ends it. 0 or -1.
template <typename F>
int ForEachEntry(int dirFd, F&& f) {
  alignas(8) char buf[32768];
  for (;;) {
    ssize_t n = ::getdents64(dirFd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return Failed();
    if (n == 0) return 0;
    for (ssize_t at = 0; at < n;) {
      const auto* e = reinterpret_cast<const struct dirent64*>(buf + at);
      at += e->d_reclen;
      const char* name = e->d_name;
      if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))) continue;
      f(name, std::strlen(name), TypeOf(e->d_type));
    }
  }
}

class Posix final : public FileSystem {
 public:
  int Open(const std::string& path, OpenFor how, unsigned mode) override {
    return OpenAt(AT_FDCWD, path, how, mode);
  }
  int OpenAt(int dirFd, const std::string& name, OpenFor how, unsigned mode) override {
    int flags = O_CLOEXEC;
    switch (how) {
      case OpenFor::Read:
        flags |= O_RDONLY;
        break;
      case OpenFor::ReadNoLink:
        flags |= O_RDONLY | O_NOFOLLOW;
        break;
      case OpenFor::Write:
        flags |= O_WRONLY | O_CREAT | O_TRUNC;
        break;
      case OpenFor::Append:
        flags |= O_WRONLY | O_CREAT | O_APPEND;
        break;
      case OpenFor::CreateNew:
        flags |= O_WRONLY | O_CREAT | O_EXCL;
        break;
    }
    int fd;
    do {
      fd = ::openat(dirFd, name.c_str(), flags, static_cast<mode_t>(mode));
    } while (fd < 0 && errno == EINTR);
    return fd < 0 ? Failed() : fd;
  }
  long Read(int fd, void* buf, size_t len) override {
    ssize_t n;
    do {
      n = ::read(fd, buf, len);
    } while (n < 0 && errno == EINTR);
    return n < 0 ? Failed() : static_cast<long>(n);
  }
  long Write(int fd, const void* buf, size_t len) override {
    ssize_t n;
    do {
      n = ::write(fd, buf, len);
    } while (n < 0 && errno == EINTR);
    return n < 0 ? Failed() : static_cast<long>(n);
  }
  int Sync(int fd) override { return ::fsync(fd) == 0 ? 0 : Failed(); }
  int SyncDir(const std::string& path) override {
    int fd = OpenDir(path);
    if (fd < 0) return -1;
    int rc = ::fsync(fd) == 0 ? 0 : Failed();
    int err = tLastError;
    ::close(fd);
    tLastError = err;
    return rc;
  }
  int Close(int fd) override {
    // After EINTR the descriptor is gone on Linux: never retry close.
    if (::close(fd) == 0 || errno == EINTR) return 0;
    return Failed();
  }
  int Rename(const std::string& from, const std::string& to) override {
    return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : Failed();
  }
  int RenameNoReplace(const std::string& from, const std::string& to) override {
    // One atomic step, so that of two processes renaming one name away only one succeeds.
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) return Failed();
    // A file system without it: a hard link fails on an existing name, and of two linkers only
    // the one whose unlink of the old name succeeds has renamed it.
    if (::link(from.c_str(), to.c_str()) != 0) return Failed();
    if (::unlink(from.c_str()) != 0) {
      const int error = errno;
      ::unlink(to.c_str());
      errno = error;
      return Failed();
    }
    return 0;
  }
  int Link(const std::string& from, const std::string& to) override {
    return ::link(from.c_str(), to.c_str()) == 0 ? 0 : Failed();
  }
  int Remove(const std::string& path) override {
    return ::unlink(path.c_str()) == 0 ? 0 : Failed();
  }
  int Stat(const std::string& path, FileInfo* info) override {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return Failed();
    FillInfo(st, info);
    return 0;
  }
  int LinkStat(const std::string& path, FileInfo* info) override {
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0) return Failed();
    FillInfo(st, info);
    return 0;
  }
  int LinkStatAt(int dirFd, const std::string& name, FileInfo* info) override {
    struct stat st;
    if (::fstatat(dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return Failed();
    FillInfo(st, info);
    return 0;
  }
  int RenameAt(int dirFd, const std::string& from, const std::string& to) override {
    return ::renameat(dirFd, from.c_str(), dirFd, to.c_str()) == 0 ? 0 : Failed();
  }
  int StatOpen(int fd, FileInfo* info) override {
    struct stat st;
    if (::fstat(fd, &st) != 0) return Failed();
    FillInfo(st, info);
    return 0;
  }
  long ReadAt(int fd, void* buf, size_t len, long long offset) override {
    ssize_t n;
    do {
      n = ::pread(fd, buf, len, static_cast<off_t>(offset));
    } while (n < 0 && errno == EINTR);
    return n < 0 ? Failed() : static_cast<long>(n);
  }
  int Chmod(const std::string& path, unsigned mode) override {
    return ::chmod(path.c_str(), static_cast<mode_t>(mode)) == 0 ? 0 : Failed();
  }
  int MakeDir(const std::string& path) override {
    return ::mkdir(path.c_str(), 0777) == 0 ? 0 : Failed();
  }
  int RemoveDir(const std::string& path) override {
    return ::rmdir(path.c_str()) == 0 ? 0 : Failed();
  }
  int ListDir(const std::string& dir, std::vector<std::string>* names) override {
    std::vector<RawDirEntry> entries;
    names->clear();
    if (ListDirEntries(dir, &entries) != 0) return -1;
    for (RawDirEntry& e : entries)
      names->push_back(std::move(e.name));
    return 0;
  }
  int ListDirEntries(const std::string& dir, std::vector<RawDirEntry>* entries) override {
    entries->clear();
    int fd = OpenDir(dir);
    if (fd < 0) return -1;
    int rc = ListDirEntriesAt(fd, entries);
    int err = tLastError;
    ::close(fd);
    tLastError = err;
    return rc;
  }
  int OpenDir(const std::string& path) override {
    int fd;
    do {
      fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    return fd < 0 ? Failed() : fd;
  }
  int ListDirEntriesAt(int dirFd, std::vector<RawDirEntry>* entries) override {
    entries->clear();
    return ForEachEntry(dirFd, [entries](const char* name, size_t length, EntryType type) {
      entries->push_back({std::string(name, length), type});
    });
  }
  int VisitDirEntries(const std::string& dir, DirEntryVisitor visit, void* context) override {
    int fd = OpenDir(dir);
    if (fd < 0) return -1;
    int rc = VisitDirEntriesAt(fd, visit, context);
    int err = tLastError;
    ::close(fd);
    tLastError = err;
    return rc;
  }
  int VisitDirEntriesAt(int dirFd, DirEntryVisitor visit, void* context) override {
    return ForEachEntry(dirFd, [&](const char* name, size_t length, EntryType type) {
      visit(context, std::string_view(name, length), type);
    });
  }
  int ChangeDir(const std::string& path) override {
    return ::chdir(path.c_str()) == 0 ? 0 : Failed();
  }
  int CurrentDir(std::string* out) override {
    char buf[PATH_MAX];
    if (!::getcwd(buf, sizeof buf)) return Failed();
    *out = buf;
    return 0;
  }
  int RealPath(const std::string& path, std::string* out) override {
    char* p = ::realpath(path.c_str(), nullptr);
    if (!p) return Failed();
    *out = p;
    std::free(p);
    return 0;
  }
  int TryLock(int fd) override {
    int rc;
    do {
      rc = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (rc != 0 && errno == EINTR);
    return rc == 0 ? 0 : Failed();
  }
};

Posix gPosix;
FileSystem* gCurrent = &gPosix;

std::string_view DirectoryOf(std::string_view path) {
  size_t slash = path.rfind('/');
  if (slash == std::string_view::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string_view BaseName(std::string_view path) {
  size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

// The work names of this process: "<n>" counts up, the hex part is drawn from a seed taken once,
// and the numbers of the work files open now are kept so that a walk of this process tells its
// own live work files from ones left behind.
class WorkNames {
 public:
  // Room for a name, however large its numbers.
  static constexpr size_t kNameRoom = 64;
  // Writes a new name into buf (kNameRoom bytes) and registers its number as open. The length.
  size_t Take(char* buf, unsigned long long* number) {
    std::lock_guard<std::mutex> hold(mutex_);
    if (pid_ == 0) Start();
    unsigned long long n = ++next_;
    if (openCount_ < kOpenSlots)
      open_[openCount_++] = n;
    else
      ++overflow_;
    *number = n;
    char* at = buf;
    *at++ = '.';
    at = Put(at, "tsw.");
    at = std::to_chars(at, buf + kNameRoom, pid_).ptr;
    *at++ = '.';
    at = std::to_chars(at, buf + kNameRoom, n).ptr;
    *at++ = '.';
    uint32_t hex = static_cast<uint32_t>(Mix(seed_ + n));
    for (int shift = 28; shift >= 0; shift -= 4)
      *at++ = "0123456789abcdef"[(hex >> shift) & 15];
    *at++ = '~';
    return static_cast<size_t>(at - buf);
  }
  // The work file numbered n is closed or gone.
  void Release(unsigned long long n) {
    std::lock_guard<std::mutex> hold(mutex_);
    for (int i = 0; i < openCount_; ++i) {
      if (open_[i] != n) continue;
      open_[i] = open_[--openCount_];
      return;
    }
    if (overflow_ > 0) --overflow_;
  }
  // Whether this process has the work file with pid and number open (or may have: when more
  // were open than are kept, every one of its own counts as open).
  bool Live(unsigned long long pid, unsigned long long n) {
    std::lock_guard<std::mutex> hold(mutex_);
    if (pid_ == 0) Start();
    if (pid != pid_) return false;
    if (overflow_ > 0) return true;
    for (int i = 0; i < openCount_; ++i)
      if (open_[i] == n) return true;
    return false;
  }
  bool Mine(unsigned long long pid) {
    std::lock_guard<std::mutex> hold(mutex_);
    if (pid_ == 0) Start();
    return pid == pid_;
  }
  // In a child after fork: its own pid, and none of the parent's work files are its own.
  void Forked() {
    new (&mutex_) std::mutex;  // another thread may have held it at the fork
    pid_ = static_cast<unsigned long long>(::getpid());
    openCount_ = 0;
    overflow_ = 0;
  }

 private:
  static constexpr int kOpenSlots = 32;
  static char* Put(char* at, const char* text) {
    while (*text)
      *at++ = *text++;
    return at;
  }
  static uint64_t Mix(uint64_t x) {  // splitmix64
    x += 0x9e3779b97f4a7c15ULL;
    x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ULL;
    x = (x ^ (x >> 27)) * 0x94d049bb133111ebULL;
    return x ^ (x >> 31);
  }
  void Start() {
    pid_ = static_cast<unsigned long long>(::getpid());
    if (::getrandom(&seed_, sizeof seed_, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof seed_))
      seed_ = static_cast<uint64_t>(std::time(nullptr)) ^ (pid_ << 32);
    ::pthread_atfork(nullptr, nullptr, [] { instance.Forked(); });
  }

  std::mutex mutex_;
  unsigned long long pid_ = 0;  // 0 until the first use
  uint64_t seed_ = 0;
  unsigned long long next_ = 0;
  unsigned long long open_[kOpenSlots] = {};
  int openCount_ = 0;
  int overflow_ = 0;

 public:
  static WorkNames instance;
};
WorkNames WorkNames::instance;
WorkNames& gWorkNames = WorkNames::instance;

// Reads the decimal number at the start of s (1 to maxDigits digits) into *value and drops it.
bool TakeNumber(std::string_view* s, size_t maxDigits, unsigned long long* value) {
  size_t n = 0;
  while (n < s->size() && n < maxDigits + 1 && (*s)[n] >= '0' && (*s)[n] <= '9')
    ++n;
  if (n == 0 || n > maxDigits) return false;
  auto [end, ec] = std::from_chars(s->data(), s->data() + n, *value);
  if (ec != std::errc() || end != s->data() + n) return false;
  s->remove_prefix(n);
  return true;
}

bool ParseWorkName(std::string_view name, unsigned long long* pid, unsigned long long* n) {
  constexpr std::string_view kPrefix = ".tsw.";
  if (name.size() < kPrefix.size() || name.substr(0, kPrefix.size()) != kPrefix) return false;
  name.remove_prefix(kPrefix.size());
  if (!TakeNumber(&name, 10, pid) || *pid == 0 || *pid > INT_MAX) return false;
  if (name.empty() || name[0] != '.') return false;
  name.remove_prefix(1);
  if (!TakeNumber(&name, 20, n)) return false;
  if (name.size() != 10 || name[0] != '.' || name[9] != '~') return false;
  for (char c : name.substr(1, 8))
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
  return true;
}

// The directory of the last commit made while a batch is open, until it is flushed. Per thread:
// a batch belongs to the walk that opened it.
struct DirectorySyncState {
  int batches = 0;
  bool pending = false;
  std::string dir;
};
thread_local DirectorySyncState tDirSync;

bool SameDirectory(std::string_view a, std::string_view b) {
  while (a.size() > 1 && a.back() == '/')
    a.remove_suffix(1);
  while (b.size() > 1 && b.back() == '/')
    b.remove_suffix(1);
  return a == b;
}

// After a rename into dir: flushed now, or noted for the batch.
void RenamedInto(std::string_view dir) {
  if (tDirSync.batches == 0) {
    // The new file is complete and in place either way: a directory that cannot be flushed is
    // left to the file system's own write-back.
    int err = LastError();
    Fs().SyncDir(std::string(dir));
    SetLastError(err);
    return;
  }
  if (tDirSync.pending && tDirSync.dir == dir) return;
  FlushDirectory();
  tDirSync.dir.assign(dir);
  tDirSync.pending = true;
}

}  // namespace

int FileSystem::VisitDirEntries(const std::string& dir, DirEntryVisitor visit, void* context) {
  std::vector<RawDirEntry> entries;
  if (ListDirEntries(dir, &entries) != 0) return -1;
  for (const RawDirEntry& e : entries)
    visit(context, e.name, e.type);
  return 0;
}

int FileSystem::VisitDirEntriesAt(int dirFd, DirEntryVisitor visit, void* context) {
  std::vector<RawDirEntry> entries;
  if (ListDirEntriesAt(dirFd, &entries) != 0) return -1;
  for (const RawDirEntry& e : entries)
    visit(context, e.name, e.type);
  return 0;
}

FileSystem& Fs() {
  return *gCurrent;
}

FileSystem* SetFileSystem(FileSystem* fs) {
  FileSystem* previous = gCurrent;
  gCurrent = fs ? fs : &gPosix;
  return previous;
}

FileSystem& PosixFileSystem() {
  return gPosix;
}

int LastError() {
  return tLastError;
}
void SetLastError(int err) {
  tLastError = err;
}
std::string ErrorText(int err) {
  char buf[256];
  // GNU strerror_r returns the text, which may not be buf.
  const char* text = strerror_r(err, buf, sizeof buf);
  return text;
}
std::string LastErrorText() {
  return ErrorText(tLastError);
}
bool IsAccessDenied(int err) {
  return err == EACCES || err == EPERM;
}

int WriteAll(int fd, const void* buf, size_t len) {
  const char* p = static_cast<const char*>(buf);
  while (len > 0) {
    long n = Fs().Write(fd, p, len);
    if (n < 0) return -1;
    if (n == 0) {  // no progress: treat as a full device rather than spin
      SetLastError(ENOSPC);
      return -1;
    }
    p += n;
    len -= static_cast<size_t>(n);
  }
  return 0;
}

long ReadFull(int fd, void* buf, size_t len) {
  char* p = static_cast<char*>(buf);
  size_t got = 0;
  while (got < len) {
    long n = Fs().Read(fd, p + got, len - got);
    if (n < 0) return -1;
    if (n == 0) break;
    got += static_cast<size_t>(n);
  }
  return static_cast<long>(got);
}

int ReadWholeFile(const std::string& path, std::string* out) {
  out->clear();
  int fd = Fs().Open(path, OpenFor::Read, 0);
  if (fd < 0) return -1;
  char buf[65536];
  for (;;) {
    long n = Fs().Read(fd, buf, sizeof buf);
    if (n < 0) {
      int err = LastError();
      Fs().Close(fd);
      SetLastError(err);
      return -1;
    }
    if (n == 0) break;
    out->append(buf, static_cast<size_t>(n));
  }
  return Fs().Close(fd);
}

std::string ResolvedPath(const std::string& path) {
  std::string out;
  if (Fs().RealPath(path, &out) != 0) out.clear();
  return out;
}

bool FileExists(const std::string& path) {
  FileInfo info;
  return Fs().Stat(path, &info) == 0 && !info.isDir;
}

bool DirExists(const std::string& path) {
  FileInfo info;
  return Fs().Stat(path, &info) == 0 && info.isDir;
}

bool SameFileState(const FileInfo& a, const FileInfo& b) {
  return a.device == b.device && a.inode == b.inode && a.size == b.size && a.modifyNs == b.modifyNs;
}

long long gRecentChangeNs = kRecentChangeNs;

bool RecentlyChanged(const FileInfo& info) {
  timespec now;
  if (::clock_gettime(CLOCK_REALTIME_COARSE, &now) != 0) return true;
  long long nowNs = static_cast<long long>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
  return std::max(info.changeNs, info.modifyNs) > nowNs - gRecentChangeNs;
}

void SetRecentChangeStep(long long ns) {
  gRecentChangeNs = ns;
}

bool IsWorkFileName(std::string_view name) {
  unsigned long long pid, n;
  return ParseWorkName(name, &pid, &n);
}

bool IsStaleWorkFile(std::string_view name) {
  unsigned long long pid, n;
  if (!ParseWorkName(name, &pid, &n)) return false;
  if (gWorkNames.Mine(pid)) return !gWorkNames.Live(pid, n);
  // Only a process that does not exist is gone: one of another user answers EPERM.
  return ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
}

int RemoveStaleWorkFiles(const std::string& dir) {
  std::vector<std::string> stale;
  VisitDirEntries(dir, [&](std::string_view name, EntryType) {
    if (IsWorkFileName(name) && IsStaleWorkFile(name)) stale.emplace_back(name);
  });
  int removed = 0;
  for (const std::string& name : stale)
    if (Fs().Remove(dir + "/" + name) == 0) ++removed;
  return removed;
}

AtomicFile::~AtomicFile() {
  Abort();
  DropBackup();
}

int AtomicFile::Fail() {
  if (!failed_) error_ = LastError();
  failed_ = true;
  Abort();
  SetLastError(error_);
  return -1;
}

int AtomicFile::Begin(const std::string& target) {
  return Resolve(target) == 0 ? Open() : -1;
}

void AtomicFile::Reset(const std::string& target) {
  Abort();
  DropBackup();
  installed_ = false;
  failed_ = false;
  targetChanged_ = false;
  expect_ = false;
  error_ = 0;
  targetPath_ = target;
  workPath_.clear();
  targetInfo_ = FileInfo{};
  existed_ = false;
  dirFd_ = -1;
}

int AtomicFile::Resolve(const std::string& target) {
  Reset(target);
  existed_ = Fs().LinkStat(target, &targetInfo_) == 0;
  if (existed_ && targetInfo_.isLink) {
    if (Fs().RealPath(target, &targetPath_) != 0) return Fail();
    existed_ = Fs().Stat(targetPath_, &targetInfo_) == 0;
  }
  if (!existed_) targetInfo_ = FileInfo{};
  return 0;
}

void AtomicFile::Assume(const std::string& target, const FileInfo& info, int dirFd) {
  Reset(target);
  targetInfo_ = info;
  existed_ = true;
  dirFd_ = dirFd;
}

void AtomicFile::ExpectTarget(const FileInfo& info) {
  expected_ = info;
  expect_ = true;
}

int AtomicFile::Open() {
  if (failed_ || fd_ >= 0) return -1;
  mode_ = existed_ ? targetInfo_.mode | 0200 : 0666;
  unsigned createMode = existed_ ? (mode_ & 0777) : 0666;
  std::string_view dir = DirectoryOf(targetPath_);
  // Created exclusively under a name no one else takes: an existing file of that name (left by
  // another process whose pid this one now has) is never touched; another name is drawn.
  for (int attempt = 0; attempt < 16 && fd_ < 0; ++attempt) {
    char name[WorkNames::kNameRoom];
    size_t length = gWorkNames.Take(name, &workNumber_);
    workPath_.assign(dir).append("/").append(name, length);
    fd_ = dirFd_ >= 0
              ? Fs().OpenAt(dirFd_, std::string(name, length), OpenFor::CreateNew, createMode)
              : Fs().Open(workPath_, OpenFor::CreateNew, createMode);
    if (fd_ < 0) {
      int err = LastError();
      gWorkNames.Release(workNumber_);
      workNumber_ = 0;
      SetLastError(err);
      if (err != EEXIST) break;
    }
  }
  if (fd_ < 0) {
    workPath_.clear();  // not ours: never remove it
    return Fail();
  }
  // The umask may have taken bits the old file had, and the mode given to open carries no
  // set-id bits: only then is the mode set again. The new file is asked through its
  // descriptor, which names it whatever happens to the name meanwhile. What the umask and a
  // default ACL make of a mode is the same for every file of a directory: once a work file
  // there came out as asked, later ones with that mode are not asked.
  thread_local std::string tModeKeptDir;
  thread_local unsigned tModeKept = ~0u;
  bool kept = (mode_ & ~0777u) == 0 && mode_ == tModeKept && dir == tModeKeptDir;
  FileInfo info;
  if (existed_ && !kept) {
    if (Fs().StatOpen(fd_, &info) == 0 && info.mode == mode_) {
      tModeKeptDir.assign(dir);
      tModeKept = mode_;
    } else if (Fs().Chmod(workPath_, mode_) != 0) {
      return Fail();
    }
  }
  return 0;
}

int AtomicFile::Write(const void* data, size_t len) {
  if (failed_ || fd_ < 0) return -1;
  if (WriteAll(fd_, data, len) != 0) return Fail();
  return 0;
}

int AtomicFile::Commit() {
  return Prepare() == 0 ? Install() : -1;
}

int AtomicFile::Prepare() {
  if (failed_ || fd_ < 0) return -1;
  if (Fs().Sync(fd_) != 0) return Fail();
  int fd = fd_;
  fd_ = -1;
  if (Fs().Close(fd) != 0) return Fail();
  prepared_ = true;
  return 0;
}

int AtomicFile::Install(bool keepOld) {
  if (failed_ || !prepared_) return -1;
  if (expect_) {
    // Asked as late as can be: whatever replaced or wrote the target since it was read keeps it.
    FileInfo now;
    int asked = dirFd_ >= 0 ? Fs().LinkStatAt(dirFd_, std::string(BaseName(targetPath_)), &now)
                            : Fs().LinkStat(targetPath_, &now);
    if (asked != 0 || !SameFileState(now, expected_) || now.changeNs != expected_.changeNs) {
      targetChanged_ = true;
      SetLastError(ESTALE);
      return Fail();
    }
  }
  DropBackup();
  if (keepOld && existed_) {
    char name[WorkNames::kNameRoom];
    size_t length = gWorkNames.Take(name, &backupNumber_);
    backupPath_.assign(DirectoryOf(targetPath_)).append("/").append(name, length);
    if (Fs().Link(targetPath_, backupPath_) != 0) {
      backupPath_.clear();
      return Fail();
    }
  }
  int renamed = dirFd_ >= 0 ? Fs().RenameAt(dirFd_, std::string(BaseName(workPath_)),
                                            std::string(BaseName(targetPath_)))
                            : Fs().Rename(workPath_, targetPath_);
  if (renamed != 0) {
    Fail();
    DropBackup();
    return -1;
  }
  prepared_ = false;
  installed_ = true;
  workPath_.clear();
  gWorkNames.Release(workNumber_);
  workNumber_ = 0;
  RenamedInto(DirectoryOf(targetPath_));
  return 0;
}

int AtomicFile::Restore() {
  if (!installed_) return 0;
  int rc = backupPath_.empty() ? Fs().Remove(targetPath_) : Fs().Rename(backupPath_, targetPath_);
  if (rc == 0) {
    backupPath_.clear();
    installed_ = false;
    RenamedInto(DirectoryOf(targetPath_));
  }
  DropBackup();
  return rc;
}

void AtomicFile::DropBackup() {
  if (!backupPath_.empty()) {
    int err = LastError();
    Fs().Remove(backupPath_);
    SetLastError(err);
    backupPath_.clear();
  }
  if (backupNumber_ != 0) {
    gWorkNames.Release(backupNumber_);
    backupNumber_ = 0;
  }
}

void AtomicFile::Abort() {
  int err = LastError();
  prepared_ = false;
  if (fd_ >= 0) {
    Fs().Close(fd_);
    fd_ = -1;
  }
  if (!workPath_.empty()) {
    Fs().Remove(workPath_);
    workPath_.clear();
  }
  if (workNumber_ != 0) {
    gWorkNames.Release(workNumber_);
    workNumber_ = 0;
  }
  SetLastError(err);
}

int ReplaceFile(const std::string& path, const std::string& data) {
  AtomicFile file;
  if (file.Begin(path) != 0) return -1;
  if (file.Write(data) != 0) return -1;
  return file.Commit();
}

DirectorySyncBatch::DirectorySyncBatch() {
  ++tDirSync.batches;
}

DirectorySyncBatch::~DirectorySyncBatch() {
  if (--tDirSync.batches == 0) {
    int err = LastError();
    FlushDirectory();
    SetLastError(err);
  }
}

int FlushDirectory(int dirFd, std::string_view dir) {
  if (!tDirSync.pending) return 0;
  tDirSync.pending = false;
  if (dirFd >= 0 && SameDirectory(dir, tDirSync.dir)) return Fs().Sync(dirFd);
  return Fs().SyncDir(tDirSync.dir);
}

}  // namespace platform
