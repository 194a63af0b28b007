#include "platform/fs.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <map>
#include <thread>
#include <tuple>
#include <vector>

#include "tests/support/fault_fs.h"
#include "tests/support/temp_dir.h"

using namespace testing_support;
using platform::AtomicFile;

namespace {

unsigned ModeOf(const std::string& path) {
  struct stat st;
  EXPECT_EQ(0, ::stat(path.c_str(), &st));
  return st.st_mode & 07777;
}

TEST(AtomicFileTest, ReplacesContentKeepsModeAndLeavesNoWorkFile) {
  TempDir dir;
  std::string doc = dir / "page.htm";
  WriteFile(doc, "old");
  ASSERT_EQ(0, ::chmod(doc.c_str(), 0444));
  ASSERT_EQ(0, platform::ReplaceFile(doc, "new content"));
  EXPECT_EQ("new content", ReadFile(doc));
  EXPECT_EQ(0644u, ModeOf(doc));  // owner write added, the rest kept
  EXPECT_EQ(std::vector<std::string>{}, WorkFilesBelow(dir.path()));
}

TEST(AtomicFileTest, SymbolicLinkIsRewrittenAtItsTargetAndStaysALink) {
  TempDir dir;
  WriteFile(dir / "real/page.htm", "old");
  ASSERT_EQ(0, ::symlink((dir / "real/page.htm").c_str(), (dir / "link.htm").c_str()));
  ASSERT_EQ(0, platform::ReplaceFile(dir / "link.htm", "new"));
  struct stat st;
  ASSERT_EQ(0, ::lstat((dir / "link.htm").c_str(), &st));
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_EQ("new", ReadFile(dir / "real/page.htm"));
  EXPECT_EQ(std::vector<std::string>{}, WorkFilesBelow(dir.path()));
}

// Resolve says which file a rewrite would replace before anything is created.
TEST(AtomicFileTest, ResolveNamesTheFileBehindALink) {
  TempDir dir;
  WriteFile(dir / "real/page.htm", "old");
  ASSERT_EQ(0, ::symlink((dir / "real/page.htm").c_str(), (dir / "link.htm").c_str()));
  struct stat st;
  ASSERT_EQ(0, ::stat((dir / "real/page.htm").c_str(), &st));
  AtomicFile file;
  ASSERT_EQ(0, file.Resolve(dir / "link.htm"));
  EXPECT_TRUE(file.targetExists());
  std::string real;
  ASSERT_EQ(0, platform::PosixFileSystem().RealPath(dir / "real/page.htm", &real));
  EXPECT_EQ(real, file.targetPath());
  EXPECT_EQ(static_cast<unsigned long long>(st.st_ino), file.targetInfo().inode);
  EXPECT_TRUE(file.targetInfo().isRegular);
  EXPECT_EQ(3, file.targetInfo().size);
  EXPECT_EQ(std::vector<std::string>{}, WorkFilesBelow(dir.path()));  // nothing created yet
  ASSERT_EQ(0, file.Open());
  EXPECT_EQ(std::vector<std::string>{file.workPath()}, WorkFilesBelow(dir / "real"));
  ASSERT_EQ(0, file.Write("new"));
  ASSERT_EQ(0, file.Commit());
  EXPECT_EQ("new", ReadFile(dir / "real/page.htm"));

  ASSERT_EQ(0, file.Resolve(dir / "missing.htm"));
  EXPECT_FALSE(file.targetExists());
  EXPECT_EQ(0ull, file.targetInfo().inode);
  // A dangling link cannot be resolved, and nothing is created beside it.
  ASSERT_EQ(0, ::symlink((dir / "nowhere/x").c_str(), (dir / "dangling.htm").c_str()));
  EXPECT_EQ(-1, file.Resolve(dir / "dangling.htm"));
  EXPECT_EQ(-1, file.Open());
  EXPECT_EQ(std::vector<std::string>{}, WorkFilesBelow(dir.path()));
}

// Each work file has a name of its own, created exclusively: a name already taken is left alone
// and another drawn; the user's files, temp.dat among them, are never touched. A work file of
// this process is stale once it is no longer open; one of a live process is not.
TEST(AtomicFileTest, WorkFilesHaveNamesOfTheirOwnAndTouchNoOtherFile) {
  TempDir dir;
  WriteFile(dir / "page.htm", "old");
  WriteFile(dir / "temp.dat", "keep me");
  AtomicFile a, b;
  ASSERT_EQ(0, a.Begin(dir / "page.htm"));
  ASSERT_EQ(0, b.Begin(dir / "page.htm"));
  EXPECT_NE(a.workPath(), b.workPath());
  const std::string mine = a.workPath().substr(dir.path().size() + 1);
  const std::string parent = ".tsw." + std::to_string(::getppid()) + ".1.89abcdef~";
  for (auto [name, work, stale] :
       {std::tuple{mine, true, false},
        {parent, true, false},
        {".tsw." + std::to_string(::getpid()) + ".999.0123abcd~", true, true},
        {std::string("temp.dat"), false, false},
        {std::string(".tsw.0.2.0123abcd~"), false, false},
        {std::string(".tsw.12.2.0123ABCD~"), false, false}}) {
    EXPECT_EQ(work, platform::IsWorkFileName(name)) << name;
    EXPECT_EQ(stale, platform::IsStaleWorkFile(name)) << name;
  }
  b.Abort();
  ASSERT_EQ(0, a.Write("new"));
  ASSERT_EQ(0, a.Commit());
  EXPECT_TRUE(platform::IsStaleWorkFile(mine));
  EXPECT_EQ("new", ReadFile(dir / "page.htm"));
  EXPECT_EQ("keep me", ReadFile(dir / "temp.dat"));
  EXPECT_EQ(std::vector<std::string>{}, WorkFilesBelow(dir.path()));

  FaultPlan plan;
  plan.failOpenAt = 1;
  plan.error = EEXIST;
  FaultyFileSystem taken(plan);
  platform::ScopedFileSystem scoped(&taken);
  ASSERT_EQ(0, platform::ReplaceFile(dir / "page.htm", "newer"));
  EXPECT_EQ(2, taken.counts().opens);
  EXPECT_EQ(0, taken.counts().removes);
}

// Bits the umask would take and set-id bits, which the work file cannot be created with, are
// set on it again; a stale work file that is a dangling link is replaced, not followed.
TEST(AtomicFileTest, ModesTheUmaskOrCreationWouldLoseAreKept) {
  TempDir dir;
  mode_t saved = ::umask(077);
  for (unsigned mode : {0664u, 04755u, 0600u}) {
    std::string doc = dir / "page.htm";
    WriteFile(doc, "old");
    ASSERT_EQ(0, ::chmod(doc.c_str(), mode));
    ASSERT_EQ(0, platform::ReplaceFile(doc, "new")) << std::oct << mode;
    EXPECT_EQ(mode, ModeOf(doc)) << std::oct << mode;
  }
  // The new file's mode unknown: it is set anyway.
  {
    std::string doc = dir / "page.htm";
    ASSERT_EQ(0, ::chmod(doc.c_str(), 0664));
    FaultPlan plan;
    plan.failStatOpenAt = 1;
    FaultyFileSystem faulty(plan);
    platform::ScopedFileSystem scoped(&faulty);
    ASSERT_EQ(0, platform::ReplaceFile(doc, "new"));
    EXPECT_EQ(1, faulty.counts().openStats);
    EXPECT_EQ(0664u, ModeOf(doc));
  }
  ::umask(saved);
}

// Every step of a write fails in turn: the target keeps its old bytes and no work file stays.
TEST(AtomicFileTest, AnyFailedStepLeavesTheOldFileIntact) {
  TempDir dir;
  std::string doc = dir / "page.htm";
  const std::string big(20000, 'x');
  struct Case {
    const char* what;
    FaultPlan plan;
  };
  std::vector<Case> cases;
  for (int n = 1; n <= 2; ++n) {
    FaultPlan p;
    p.failWriteAt = n;
    cases.push_back({"write", p});
  }
  {
    FaultPlan p;
    p.failSyncAt = 1;
    cases.push_back({"sync", p});
  }
  {
    FaultPlan p;
    p.failCloseAt = 1;
    cases.push_back({"close", p});
  }
  {
    FaultPlan p;
    p.failRenameAt = 1;
    cases.push_back({"rename", p});
  }
  {
    FaultPlan p;
    p.failOpenAt = 1;
    cases.push_back({"open", p});
  }
  for (long long full : {0LL, 1LL, 4096LL, 19999LL}) {
    FaultPlan p;
    p.diskFullAfter = full;
    cases.push_back({"disk full", p});
  }
  for (const Case& c : cases) {
    WriteFile(doc, "the old document");
    FaultyFileSystem faulty(c.plan);
    platform::ScopedFileSystem scoped(&faulty);
    AtomicFile file;
    int rc = file.Begin(doc);
    if (rc == 0) rc = file.Write(big.data(), 10000);
    if (rc == 0) rc = file.Write(big.data(), 10000);
    if (rc == 0) rc = file.Commit();
    EXPECT_EQ(-1, rc) << c.what;
    EXPECT_NE(0, file.error()) << c.what;
    EXPECT_TRUE(ReadFile(doc) == "the old document") << c.what;
    EXPECT_EQ(std::vector<std::string>{}, WorkFilesBelow(dir.path())) << c.what;
  }
}

// A commit flushes its directory at once; in a batch, once per directory.
TEST(AtomicFileTest, DirectoryIsFlushedAfterRenamesOncePerBatch) {
  TempDir dir;
  WriteFile(dir / "a/1.htm", "");
  WriteFile(dir / "b/1.htm", "");
  FaultyFileSystem counting;
  platform::ScopedFileSystem scoped(&counting);
  ASSERT_EQ(0, platform::ReplaceFile(dir / "a/1.htm", "x"));
  EXPECT_EQ(1, counting.counts().dirSyncs);
  {
    platform::DirectorySyncBatch batch;
    for (const char* name : {"a/1.htm", "a/2.htm", "a/3.htm", "b/1.htm"})
      ASSERT_EQ(0, platform::ReplaceFile(dir / name, "y"));
    EXPECT_EQ(2, counting.counts().dirSyncs);  // a/, when b/ was renamed into
    int syncs = counting.counts().syncs;
    int fd = platform::Fs().OpenDir(dir / "b");
    EXPECT_EQ(0, platform::FlushDirectory(fd, dir / "b/"));
    platform::Fs().Close(fd);
    EXPECT_EQ(syncs + 1, counting.counts().syncs);  // through the descriptor
    EXPECT_EQ(0, platform::FlushDirectory());       // nothing left to flush
  }
  EXPECT_EQ(2, counting.counts().dirSyncs);
}

TEST(FsTest, WriteAllCompletesShortWritesAndReadFullReadsEverything) {
  TempDir dir;
  std::string path = dir / "f";
  FaultPlan plan;
  FaultyFileSystem faulty(plan);
  platform::ScopedFileSystem scoped(&faulty);
  int fd = platform::Fs().Open(path, platform::OpenFor::Write, 0644);
  ASSERT_GE(fd, 0);
  std::string data(100000, 'a');
  ASSERT_EQ(0, platform::WriteAll(fd, data.data(), data.size()));
  ASSERT_EQ(0, platform::Fs().Close(fd));
  std::string back;
  ASSERT_EQ(0, platform::ReadWholeFile(path, &back));
  EXPECT_EQ(data, back);
  // A disk that fills up mid-write reports ENOSPC after the short write.
  faulty.plan().diskFullAfter = faulty.counts().bytesWritten + 10;
  fd = platform::Fs().Open(path, platform::OpenFor::Write, 0644);
  EXPECT_EQ(-1, platform::WriteAll(fd, data.data(), 100));
  EXPECT_EQ(ENOSPC, platform::LastError());
  platform::Fs().Close(fd);
  EXPECT_EQ(10u, ReadFile(path).size());
}

TEST(FsTest, LastErrorTextAndAccessDenied) {
  EXPECT_EQ(-1, platform::Fs().Open("/nonexistent/dir/file", platform::OpenFor::Read, 0));
  EXPECT_EQ(ENOENT, platform::LastError());
  EXPECT_EQ("No such file or directory", platform::LastErrorText());
  EXPECT_TRUE(platform::IsAccessDenied(EACCES));
  EXPECT_TRUE(platform::IsAccessDenied(EPERM));
  EXPECT_FALSE(platform::IsAccessDenied(ENOENT));
}

// A directory open as a descriptor lists its entries with their types and opens its files by
// name; every failure says why.
TEST(FsTest, OpenDirectoriesListAndOpenTheirFiles) {
  TempDir dir;
  WriteFile(dir / "a.htm", "page a");
  WriteFile(dir / "sub/b.htm", "page b");
  ASSERT_EQ(0, ::symlink("a.htm", (dir / "link.htm").c_str()));
  platform::FileSystem& fs = platform::Fs();
  int fd = fs.OpenDir(dir.path());
  ASSERT_GE(fd, 0);
  std::vector<platform::RawDirEntry> entries;
  ASSERT_EQ(0, fs.ListDirEntriesAt(fd, &entries));
  std::map<std::string, platform::EntryType> types;
  for (const platform::RawDirEntry& e : entries)
    types[e.name] = e.type;
  using platform::EntryType;
  EXPECT_EQ(
      (std::map<std::string, EntryType>{
          {"a.htm", EntryType::File}, {"link.htm", EntryType::Link}, {"sub", EntryType::Dir}}),
      types);
  // The same through the path.
  std::vector<platform::RawDirEntry> byPath;
  ASSERT_EQ(0, fs.ListDirEntries(dir.path(), &byPath));
  EXPECT_EQ(entries.size(), byPath.size());

  char buf[16] = {};
  for (const char* name : {"a.htm", "link.htm"}) {
    int file = fs.OpenAt(fd, name, platform::OpenFor::Read, 0);
    ASSERT_GE(file, 0) << name;
    EXPECT_EQ(6, fs.Read(file, buf, sizeof buf)) << name;
    EXPECT_EQ("page a", std::string(buf, 6)) << name;
    EXPECT_EQ(0, fs.Close(file));
  }
  EXPECT_EQ(-1, fs.OpenAt(fd, "missing.htm", platform::OpenFor::Read, 0));
  EXPECT_EQ(ENOENT, platform::LastError());
  EXPECT_EQ(0, fs.Close(fd));

  EXPECT_EQ(-1, fs.OpenDir(dir / "missing"));
  EXPECT_EQ(ENOENT, platform::LastError());
  EXPECT_EQ(-1, fs.OpenDir(dir / "a.htm"));
  EXPECT_EQ(ENOTDIR, platform::LastError());
  EXPECT_EQ(-1, fs.ListDirEntriesAt(fd, &entries));  // closed
  EXPECT_EQ(EBADF, platform::LastError());
}

// The fault wrapper knows the path of each directory it opened, so that its plan speaks of
// files opened relative to it by their full paths.
TEST(FsTest, FaultPlansReachFilesOpenedThroughTheirDirectory) {
  TempDir dir;
  WriteFile(dir / "a.htm", "a");
  WriteFile(dir / "b.htm", "b");
  WriteFile(dir / "hidden/c.htm", "c");
  FaultPlan plan;
  plan.unreadable.insert(dir / "b.htm");
  plan.unlistable.insert(dir / "hidden");
  plan.failListAt = 2;
  FaultyFileSystem faulty(plan);
  platform::ScopedFileSystem scoped(&faulty);
  platform::FileSystem& fs = platform::Fs();
  int fd = fs.OpenDir(dir.path());
  ASSERT_GE(fd, 0);
  std::vector<platform::RawDirEntry> entries;
  EXPECT_EQ(0, fs.ListDirEntriesAt(fd, &entries));
  EXPECT_EQ(3u, entries.size());
  int a = fs.OpenAt(fd, "a.htm", platform::OpenFor::Read, 0);
  EXPECT_GE(a, 0);
  fs.Close(a);
  EXPECT_EQ(-1, fs.OpenAt(fd, "b.htm", platform::OpenFor::Read, 0));
  EXPECT_EQ(EACCES, platform::LastError());
  EXPECT_EQ(-1, fs.ListDirEntriesAt(fd, &entries));  // the second listing fails
  EXPECT_EQ(EIO, platform::LastError());
  EXPECT_TRUE(entries.empty());
  EXPECT_EQ(0, fs.Close(fd));
  EXPECT_EQ(-1, fs.OpenDir(dir / "hidden"));
  EXPECT_EQ(EACCES, platform::LastError());
  EXPECT_EQ(2, faulty.counts().dirOpens);
  EXPECT_EQ(2, faulty.counts().lists);
  EXPECT_EQ(2, faulty.counts().opens);  // opens relative to a directory count as opens

  FaultPlan first;
  first.failOpenDirAt = 1;
  first.failOpenAt = 1;
  FaultyFileSystem failing(first);
  platform::ScopedFileSystem again(&failing);
  platform::FileSystem& inner = platform::Fs();
  EXPECT_EQ(-1, inner.OpenDir(dir.path()));
  fd = inner.OpenDir(dir.path());
  ASSERT_GE(fd, 0);
  EXPECT_EQ(-1, inner.OpenAt(fd, "a.htm", platform::OpenFor::Read, 0));
  EXPECT_EQ(0, inner.Close(fd));
}

// An open file is asked and read through its descriptor: the answers are those of the file
// opened, its position is left alone, and the fault plan reaches both calls.
TEST(FsTest, OpenFilesAreStatedAndReadAtAnOffset) {
  TempDir dir;
  WriteFile(dir / "a.htm", "abcdef");
  WriteFile(dir / "b.htm", "b");
  FaultPlan plan;
  plan.failStatOpenAt = 2;
  plan.failReadAt = 4;
  FaultyFileSystem faulty(plan);
  platform::ScopedFileSystem scoped(&faulty);
  platform::FileSystem& fs = platform::Fs();
  int fd = fs.Open(dir / "a.htm", platform::OpenFor::Read, 0);
  ASSERT_GE(fd, 0);
  platform::FileInfo open, named, other;
  ASSERT_EQ(0, fs.StatOpen(fd, &open));
  ASSERT_EQ(0, fs.LinkStat(dir / "a.htm", &named));
  ASSERT_EQ(0, fs.LinkStat(dir / "b.htm", &other));
  EXPECT_TRUE(open.isRegular);
  EXPECT_EQ(6, open.size);
  EXPECT_EQ(named.inode, open.inode);
  EXPECT_EQ(named.device, open.device);
  EXPECT_NE(other.inode, open.inode);
  EXPECT_EQ(-1, fs.StatOpen(fd, &open));  // the second one fails
  EXPECT_EQ(EIO, platform::LastError());

  char buf[8] = {};
  EXPECT_EQ(3, fs.ReadAt(fd, buf, 3, 2));
  EXPECT_EQ("cde", std::string(buf, 3));
  EXPECT_EQ(2, fs.Read(fd, buf, 2));  // still at the start
  EXPECT_EQ("ab", std::string(buf, 2));
  EXPECT_EQ(0, fs.ReadAt(fd, buf, sizeof buf, 6));
  EXPECT_EQ(-1, fs.ReadAt(fd, buf, sizeof buf, 0));  // the fourth read fails
  EXPECT_EQ(EIO, platform::LastError());
  EXPECT_EQ(4, faulty.counts().reads);
  EXPECT_EQ(2, faulty.counts().openStats);
  EXPECT_EQ(0, fs.Close(fd));

  platform::FileSystem& posix = platform::PosixFileSystem();
  EXPECT_EQ(-1, posix.StatOpen(fd, &open));  // closed
  EXPECT_EQ(EBADF, platform::LastError());
  EXPECT_EQ(-1, posix.ReadAt(fd, buf, 1, 0));
  EXPECT_EQ(EBADF, platform::LastError());
}

TEST(FsTest, RenameNoReplaceRefusesAnExistingName) {
  TempDir dir;
  WriteFile(dir / "a.tmp", "new");
  WriteFile(dir / "a.tsm", "queued");
  EXPECT_EQ(-1, platform::Fs().RenameNoReplace(dir / "a.tmp", dir / "a.tsm"));
  EXPECT_EQ(EEXIST, platform::LastError());
  EXPECT_EQ("queued", ReadFile(dir / "a.tsm"));
  ASSERT_EQ(0, platform::Fs().RenameNoReplace(dir / "a.tmp", dir / "b.tsm"));
  EXPECT_EQ("new", ReadFile(dir / "b.tsm"));
  EXPECT_FALSE(Exists(dir / "a.tmp"));
}

// Two mailers claiming one queued message: only one may ever get it.
TEST(FsTest, OfTwoRenamesOfOneNameOnlyOneSucceeds) {
  TempDir dir;
  int bothWon = 0;
  for (int round = 0; round < 300; ++round) {
    WriteFile(dir / "m.tsm", "x");
    std::atomic<int> won{0};
    auto claim = [&](const char* to) {
      if (platform::Fs().RenameNoReplace(dir / "m.tsm", dir / to) == 0) ++won;
    };
    std::thread a(claim, "m.a"), b(claim, "m.b");
    a.join();
    b.join();
    if (won != 1) ++bothWon;
    platform::Fs().Remove(dir / "m.a");
    platform::Fs().Remove(dir / "m.b");
  }
  EXPECT_EQ(0, bothWon);
}

}  // namespace
