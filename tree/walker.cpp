#include "tree/walker.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "config/settings.h"
#include "config/site_lock.h"
#include "config/site_paths.h"
#include "engine/doc_tally.h"
#include "engine/head_reader.h"
#include "engine/head_writer.h"
#include "engine/page_tags.h"
#include "log/audit.h"
#include "log/source_line.h"
#include "platform/fs.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "plugins/context.h"
#include "reports/report_files.h"
#include "tree/listing.h"
#include "tree/task_state.h"
#include "tree/tasks.h"
#include "tree/tree_tags.h"
#include "ui/working_display.h"

namespace {

// The tree tags of each level of an inherit walk: fixed storage, nothing taken during a walk.
TagRecord gLevelStores[MaxTreeDepth][kLevelStoreTags];

// Deeper than this, a directory lets its descriptor go while its subdirectories are walked, so
// that a walk holds no more descriptors than this however deep the tree.
constexpr int kHeldDirectoryLevels = 32;

// The listings the count pass makes, kept for the walk that follows, so that each directory is
// read from the disk once per task. A listing serves only while its directory is unchanged (the
// same file, its status unchanged since it was listed). They are kept in walk order, up to a
// fixed size: the memory a task takes stays the same however large the site, and the walk lists
// the directories beyond it itself.
size_t gListingCacheBytes = 512 * 1024;

class ListingCache {
 public:
  void Clear() {
    std::string().swap(names_);
    std::vector<Entry>().swap(entries_);
    next_ = 0;
    full_ = false;
  }
  // Keeps one directory's listing with the status read just before it was listed (stamped false:
  // it could not be listed or its status read), unless the cache is full.
  void Store(const std::string& dir, bool stamped, const platform::FileInfo& stamp,
             const std::vector<std::string>& subdirs, const std::vector<std::string>& docs,
             const std::vector<std::string>& links) {
    if (full_) return;
    size_t bytes = dir.size() + 1;
    for (const auto* list : {&subdirs, &docs, &links})
      for (const std::string& name : *list)
        bytes += name.size() + 1;
    if (names_.size() + bytes + (entries_.size() + 1) * sizeof(Entry) > gListingCacheBytes) {
      full_ = true;  // later directories must not be taken from an incomplete list
      return;
    }
    entries_.push_back(Entry{names_.size(), subdirs.size(), docs.size(), links.size(), stamped,
                             stamp.device, stamp.inode, stamp.changeNs});
    names_.append(dir).push_back('\0');
    for (const auto* list : {&subdirs, &docs, &links})
      for (const std::string& name : *list)
        names_.append(name).push_back('\0');
  }
  // True once a listing did not fit: no later one is kept.
  bool Full() const { return full_; }
  // The listing of dir, open as dirFd, when it was kept and the directory has not changed since:
  // true. The listings before it (of directories the walk did not enter) are dropped; when dir
  // was not kept, all are.
  bool Take(const std::string& dir, int dirFd, std::vector<std::string>* subdirs,
            std::vector<std::string>* docs, std::vector<std::string>* links) {
    for (size_t i = next_; i < entries_.size(); ++i) {
      const Entry& e = entries_[i];
      const char* at = names_.data() + e.offset;
      if (dir != at) continue;
      next_ = i + 1;
      platform::FileInfo now;
      if (!e.stamped || platform::Fs().StatOpen(dirFd, &now) != 0 || now.device != e.device ||
          now.inode != e.inode || now.changeNs != e.changeNs)
        return false;
      at += dir.size() + 1;
      for (auto [list, count] :
           {std::pair{subdirs, e.subdirs}, std::pair{docs, e.docs}, std::pair{links, e.links}}) {
        list->clear();
        list->reserve(count);
        for (size_t k = 0; k < count; ++k) {
          list->emplace_back(at);
          at += list->back().size() + 1;
        }
      }
      return true;
    }
    // Not kept: the listings kept are the first ones in walk order, so no later directory is.
    next_ = entries_.size();
    return false;
  }

 private:
  struct Entry {
    size_t offset;  // of the directory's path in names_, its subdirectories and documents after
    size_t subdirs, docs, links;
    bool stamped;
    unsigned long long device, inode;
    long long changeNs;
  };
  std::string names_;
  std::vector<Entry> entries_;
  size_t next_ = 0;
  bool full_ = false;
};
ListingCache gListings;

// The directory of one level of a document walk. It is listed through a descriptor that then
// opens its documents: each document's name is looked up in the directory, not along its whole
// path again.
class WalkDirectory {
 public:
  explicit WalkDirectory(const std::string& path) : path_(path) {}
  ~WalkDirectory() { Release(); }
  WalkDirectory(const WalkDirectory&) = delete;
  WalkDirectory& operator=(const WalkDirectory&) = delete;

  // Lists the directory. A directory that cannot be listed is reported and skipped: listing
  // whatever directory happens to be current instead would run the task on the wrong documents.
  bool List(std::vector<std::string>* subdirs, std::vector<std::string>* docs,
            std::vector<std::string>* links) {
    fd_ = platform::Fs().OpenDir(path_);
    // Listed by the count pass and unchanged since: not read again.
    if (fd_ >= 0 && gListings.Take(path_, fd_, subdirs, docs, links)) return true;
    if (fd_ < 0 || ListWalkDirectoryAt(fd_, path_, maskstring, subdirs, docs, links) != 0) {
      ShowSystemError("ERROR CHANGING DIRECTORY", path_);
      NoteDocumentFailed(path_.c_str(), "the directory cannot be read");
      return false;
    }
    return true;
  }
  // Before the subdirectories are walked.
  void Descend() {
    if (Rlevel > kHeldDirectoryLevels) Release();
  }
  // The descriptor the documents are opened through, opened again if it was let go; -1 when
  // that fails (the documents are then opened by their paths).
  int DocumentsFd() {
    if (fd_ < 0 && !reopened_) {
      reopened_ = true;
      fd_ = platform::Fs().OpenDir(path_);
    }
    return fd_;
  }
  // After its documents: the renames into the directory are flushed to disk, once.
  void FlushRenames() {
    if (platform::FlushDirectory(fd_, path_) != 0)
      NoteDocumentFailed(path_.c_str(), "the directory could not be flushed to disk");
  }

 private:
  void Release() {
    if (fd_ >= 0) platform::Fs().Close(fd_);
    fd_ = -1;
  }
  const std::string& path_;
  int fd_ = -1;
  bool reopened_ = false;
};

void ShowLine(const std::string& path) {
  if (showworking) SetWorkingLine(Rlevel, path.c_str());
}
void ClearLine() {
  if (showworking) SetWorkingLine(Rlevel, "");
}

ReportKind KindOf(int taskId) {
  return taskId == kTaskExpiry   ? ReportKind::Expiry
         : taskId == kTaskReview ? ReportKind::Review
                                 : ReportKind::Search;
}

bool WritesReport(int taskId) {
  return taskId == kTaskSearch || taskId == kTaskExpiry || taskId == kTaskReview;
}

bool gClosingShown = false;

// The settings a task writes through, beyond the root: refused before anything is done when
// they were too long to hold.
int CheckTaskPaths(platform::WindowHandle window, int taskId) {
  if (loglevel != 0 && CheckPathSetting(window, KeySection::Site, "Log Path") != 0) return -1;
  if ((taskId == kTaskExpiry || taskId == kTaskReview) &&
      CheckPathSetting(window, KeySection::Mailer, "Mail Queue") != 0)
    return -1;
  // The walks keep the sitemap page out by its path: a writing task needs it whole.
  if (WritesDocuments(taskId) && CheckPathSetting(window, KeySection::Site, "Sitemapfile") != 0)
    return -1;
  return 0;
}

// What the closing message says of the documents: the failures first, then the tally.
std::string TallyText() {
  std::string text;
  if (gTally.failed > 0)
    text = platform::Format("%d document%s could not be read or written.\n", gTally.failed,
                            gTally.failed == 1 ? "" : "s");
  return text + DocumentTallySummary();
}

}  // namespace

int CountTree(const std::string& dir, const char* mask) {
  ++Rlevel;
  if (Rlevel >= MaxTreeDepth) {  // the walk leaves it alone: not counted either
    --Rlevel;
    return 0;
  }
  std::vector<std::string> subdirs, docs;
  if (gListings.Full()) {
    // Nothing more is kept for the walk: counting needs no names and no order.
    int count = 0;
    if (CountWalkDirectory(dir, mask, &subdirs, &count) == 0) {
      PrePopDirs += static_cast<int>(subdirs.size());
      PrePopFiles += count;
      for (const std::string& name : subdirs)
        CountTree(platform::JoinPath(dir, name), mask);
    }
    --Rlevel;
    return 0;
  }
  // Listed as the walk lists, and in the walk's order, for the walk to take the listings over.
  int fd = platform::Fs().OpenDir(dir);
  // The status before the listing: a change after it makes the walk list the directory again.
  platform::FileInfo stamp;
  bool stamped = fd >= 0 && platform::Fs().StatOpen(fd, &stamp) == 0;
  std::vector<std::string> links;
  bool ok = fd >= 0 && ListWalkDirectoryAt(fd, dir, mask, &subdirs, &docs, &links) == 0;
  if (fd >= 0) platform::Fs().Close(fd);
  gListings.Store(dir, stamped && ok, stamp, subdirs, docs, links);
  if (ok) {
    PrePopDirs += static_cast<int>(subdirs.size());
    PrePopFiles += static_cast<int>(docs.size());
    for (const std::string& name : subdirs)
      CountTree(platform::JoinPath(dir, name), mask);
  }
  --Rlevel;
  return 0;
}

void SetListingCacheBytes(size_t bytes) {
  gListingCacheBytes = bytes;
}

void ReportProgress(int done) {
  percent =
      PrePopFiles > 0 ? static_cast<int>(static_cast<long long>(done) * 100 / PrePopFiles) : 0;
  ShowProgress(percent);
}

namespace {

// What one walk keeps from its start to its end.
struct WalkRun {
  std::string root;                     // the directory the walk started from
  bool depthReported = false;           // M046 is shown once per walk
  bool rootResolved = false;            // rootReal is known
  std::string rootReal;                 // the root with every link resolved; empty when unknown
  std::vector<std::string> linkedDone;  // the files links led to (a rewrite gives a new inode)
};
WalkRun gRun;

// At the top of each walk (the root is level 1).
void StartRun(const std::string& root) {
  if (Rlevel != 1) return;
  gRun = WalkRun{};
  gRun.root = root;
}

// A directory below the deepest level a walk enters: reported once per walk, left alone.
bool TooDeep(const std::string& dir) {
  if (Rlevel < MaxTreeDepth) return false;
  if (!gRun.depthReported) {
    gRun.depthReported = true;
    ReportCoded("M046:Maximum tree depth limit exceeded!");
  }
  static const std::string why = platform::Format(
      "more than %d levels below the root: its documents were left alone", MaxTreeDepth - 2);
  // Documents the task was asked to do and could not reach: the run did not do its job.
  NoteDocumentFailed(dir.c_str(), why.c_str());
  return true;
}

// Whether the walk reaches the file at path (resolved, inside the resolved root) under its own
// name: every directory on the way is one the walk enters, and the file is one of its documents.
bool WalkedAsItself(const std::string& path) {
  std::string_view rest =
      std::string_view(path).substr(gRun.rootReal == "/" ? 1 : gRun.rootReal.size() + 1);
  int level = 1;
  for (size_t slash; (slash = rest.find('/')) != std::string_view::npos;
       rest.remove_prefix(slash + 1)) {
    if (rest.substr(0, slash).find('.') != std::string_view::npos) return false;
    if (++level >= MaxTreeDepth) return false;
  }
  return IsWalkDocument(platform::DirectoryPart(path), rest, maskstring);
}

// For a document that is a symbolic link: whether the walk rewrites it. A link that leads out of
// the walk's root is skipped (tallied); inside it, the file it leads to is done once: under its
// own name when the walk reaches it so, else through the first link to it.
bool TakeLinkedDocument(const std::string& dir, const std::string& name) {
  if (!gRun.rootResolved) {
    gRun.rootResolved = true;
    if (platform::Fs().RealPath(gRun.root, &gRun.rootReal) != 0) gRun.rootReal.clear();
  }
  std::string path = platform::JoinPath(dir, name);
  std::string target;
  if (gRun.rootReal.empty() || platform::Fs().RealPath(path, &target) != 0 ||
      !platform::IsInsideDirectory(target, gRun.rootReal)) {
    NoteDocumentSkipped(path.c_str(), "a link to a file outside the site: skipped");
    return false;
  }
  if (WalkedAsItself(target) ||
      std::find(gRun.linkedDone.begin(), gRun.linkedDone.end(), target) != gRun.linkedDone.end())
    return false;
  gRun.linkedDone.push_back(std::move(target));
  return true;
}

// One level of a walk, after its directory was listed: the subdirectories first (recurse walks
// one of them), then each document (operate runs on it) while nobody cancelled, and the
// directory's renames flushed once. 0, or -1 when cancelled or a subdirectory's walk ended with
// -1. Rlevel was raised by the caller.
template <typename Recurse, typename Operate>
int WalkLevel(const std::string& dir, WalkDirectory& directory,
              const std::vector<std::string>& subdirs, const std::vector<std::string>& docs,
              const std::vector<std::string>& links, Recurse&& recurse, Operate&& operate) {
  for (const std::string& name : subdirs) {
    std::string path = platform::JoinPath(dir, name);
    ShowLine(path);
    int rc = recurse(path);
    ClearLine();
    if (rc == -1) return -1;
  }
  PopDirs += static_cast<int>(subdirs.size());
  size_t i = 0;
  for (; i < docs.size() && !gDropOut; ++i) {
    PumpOneMessage();
    if (gDropOut) break;  // CANCEL pressed while the message was handled
    // Links are few: the common directory pays nothing for them.
    if (links.empty() || std::find(links.begin(), links.end(), docs[i]) == links.end() ||
        TakeLinkedDocument(dir, docs[i]))
      operate(docs[i]);
    ReportProgress(PopFiles + static_cast<int>(i));
  }
  directory.FlushRenames();
  ClearLine();
  PopFiles += static_cast<int>(i);
  return i < docs.size() ? -1 : 0;
}

}  // namespace

int WalkDocuments(platform::WindowHandle window, const std::string& dir, int taskId) {
  sourceline = kLineWalkDocuments;
  ++Rlevel;
  StartRun(dir);
  platform::DirectorySyncBatch renames;
  std::vector<std::string> subdirs, docs, links;
  int rc = 0;
  WalkDirectory directory(dir);
  if (!TooDeep(dir) && directory.List(&subdirs, &docs, &links)) {
    if (!subdirs.empty()) directory.Descend();
    rc = WalkLevel(
        dir, directory, subdirs, docs, links,
        [&](const std::string& path) { return WalkDocuments(window, path, taskId); },
        [&](const std::string& doc) {
          DocumentOperation(window, dir.c_str(), doc.c_str(), taskId, directory.DocumentsFd());
        });
  }
  --Rlevel;
  return rc;
}

int WalkInherit(platform::WindowHandle window, const std::string& dir, int mode) {
  ++Rlevel;
  StartRun(dir);
  platform::DirectorySyncBatch renames;
  int rc = 0;
  std::vector<std::string> subdirs, docs, links;
  WalkDirectory directory(dir);
  if (!TooDeep(dir) && directory.List(&subdirs, &docs, &links)) {
    int loaded = LoadLevelTags(window, dir.c_str(), Rlevel, gLevelStores[Rlevel]);
    if (loaded == 0) {
      if (!subdirs.empty()) directory.Descend();
      rc = WalkLevel(
          dir, directory, subdirs, docs, links,
          [&](const std::string& path) { return WalkInherit(window, path, mode); },
          [&](const std::string& doc) {
            MergeDocument(window, dir.c_str(), doc.c_str(), mode, directory.DocumentsFd());
          });
    } else if (loaded == -1) {
      // Without its tree tags the branch would inherit the wrong ones: it is left alone
      // (reported), and so is a branch with more tree tags than a level keeps.
      NoteDocumentFailed(dir.c_str(), "its tree-tag file cannot be read");
    } else {
      NoteDocumentSkipped(dir.c_str(), "more tree tags than a directory may give: left alone");
    }
  }
  --Rlevel;
  return rc;
}

TaskOutcome RunSiteTask(platform::WindowHandle window, int taskId, const char* confirmCaption) {
  sourceline = kLineSiteTask;
  gClosingShown = false;
  const char* title = TaskTitleFor(taskId);
  if (!title) return kTaskNotStarted;
  if (CheckSiteRoot(window) != 0 || CheckTaskPaths(window, taskId) != 0) return kTaskNotStarted;
  bool perDocument = IsPerDocumentTask(taskId);
  if (taskId == kTaskDeleteAll &&
      platform::ShowMessageBox(window,
                               "This option DELETES ALL metatags from the document tree.\n\t\t"
                               "Are you sure?",
                               "WARNING",
                               platform::kBoxYesNo | platform::kBoxIconExclamation |
                                   platform::kBoxDefaultButton2) != platform::kAnswerYes)
    return kTaskNotStarted;

  if (!TakeBusyWord()) {
    platform::ShowMessageBox(window, "Another task is running. Try again when it has finished.",
                             "NOTE", platform::kBoxOk | platform::kBoxIconInformation);
    return kTaskNotStarted;
  }
  // A task that writes documents holds the site's lock until it returns; a preview writes none.
  SiteLock siteLock;
  if (WritesDocuments(taskId) && !RewritePreviewing() && !siteLock.Take(window)) {
    ReleaseBusyWord();
    return kTaskNotStarted;
  }
  block = 1;
  ShowMissingHead = 0;  // a walk never stops to show a document without a head
  percent = -1;
  platform::CopyText(TaskTitle, perDocument ? "Perform tree task" : title);
  PrePopFiles = 0;
  PrePopDirs = 1;
  Rlevel = 0;
  ShowTaskRunning(true);
  if (showworking) ShowNotify("Counting files to be processed...");
  PumpAllMessages();
  gListings.Clear();
  CountTree(RootPath, maskstring);
  if (showworking) ShowNotify("");

  TaskOutcome outcome = kTaskNotStarted;
  bool confirm = gPluginContext.confirmation & kConfirmActions;
  bool go = true;
  if (confirm) {
    std::string question = platform::Format(
        "This task will affect %d files in %d directories. Proceed?", PrePopFiles, PrePopDirs);
    go = platform::ShowMessageBox(
             window, question, perDocument ? confirmCaption : "Inherit Metatags into all documents",
             platform::kBoxYesNo | platform::kBoxIconQuestion) == platform::kAnswerYes;
    // The tree may change while the question waits: the walk lists it afresh.
    gListings.Clear();
  }
  if (go) {
    ShowTaskEditRows(false);
    percent = 1;
    if (perDocument) {
      platform::CopyText(TaskTitle, title);
      if (PrepareTask(window, taskId) != 0) {
        ShowTaskEditRows(true);
        ClearProgress();
        go = false;
      } else if (WritesReport(taskId) && OpenReport(gTask.reportPath) != 0) {
        ShowSystemError("Error opening the report file", gTask.reportPath);
        go = false;
      }
    }
  }
  if (go) {
    BusyCursor = 1;
    ShowWaitCursor(true);
    PopFiles = 0;
    PopDirs = 1;
    Rlevel = 0;
    auto start = std::chrono::steady_clock::now();
    int savedShowatts = showatts;
    showatts = 0;
    ClearProgress();
    gDropOut = 0;
    ResetDocumentTally();
    int walked;
    if (perDocument) {
      walked = WalkDocuments(window, RootPath, taskId);
    } else if (taskId == kTaskInherit) {
      walked = WalkInherit(window, RootPath, 0);
    } else {
      SuppressControlTags = 0;  // the migration looks up the "$Stylesheet" tree tag
      walked = WalkInherit(window, RootPath, 2);
      SuppressControlTags = 1;
    }
    showatts = savedShowatts;
    gListings.Clear();
    double elapsed =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    Tagcount = 0;
    percent = 0;
    ClearProgress();

    const char* auditText = TaskAuditText(taskId);
    if (loglevel != 0 && auditText) WriteAuditEntry(kAuditInfo, "ALL FILES", auditText);
    bool delivered = false;
    if (WritesReport(taskId)) {
      FinishReport(KindOf(taskId), gTask.reportPath, gTask.showResults);
      delivered = taskId != kTaskSearch || gTask.showResults;
    }
    // A walk that stopped early without a cancel (too deep, an unreadable tree-tag file) failed.
    bool failed = gTally.failed > 0 || (walked != 0 && !gDropOut);
    outcome = gDropOut ? kTaskCancelled : failed ? kTaskFailed : kTaskCompleted;
    // Failures are shown even when no closing message was asked for.
    if ((!delivered && confirm) || failed) {
      std::string text = platform::Format(
          "%d files processed in %d directories.\n\nElapsed time: %6.0f second(s).\n\n", PopFiles,
          PopDirs, elapsed);
      platform::ShowMessageBox(window, text + TallyText(), gDropOut ? "Cancelled" : "Completed",
                               platform::kBoxOk | (failed ? platform::kBoxIconExclamation
                                                          : platform::kBoxIconInformation));
      gClosingShown = true;
    }
    BusyCursor = 0;
    ShowWaitCursor(false);
    gDropOut = 0;
    ShowTaskEditRows(true);
  }
  ShowTaskRunning(false);
  block = 0;
  ReleaseBusyWord();
  percent = 0;
  if (gPluginContext.rootCopy[0]) ChangeDirectory(gPluginContext.rootCopy);
  return outcome;
}

TaskOutcome RunBranchTask(platform::WindowHandle window, int taskId, const std::string& branch,
                          int temporaryStrategy) {
  gClosingShown = false;
  if (CheckBranch(window, branch) != 0) return kTaskNotStarted;
  char savedRoot[sizeof RootPath];
  platform::CopyText(savedRoot, RootPath);
  int savedStrategy = strategy;
  platform::CopyText(RootPath, platform::WithTrailingSlash(branch));
  if (temporaryStrategy >= 0) strategy = temporaryStrategy;
  TaskOutcome outcome = RunSiteTask(window, taskId, "Branch Task");
  platform::CopyText(RootPath, savedRoot);
  strategy = savedStrategy;
  return outcome;
}

bool TaskClosingShown() {
  return gClosingShown;
}

std::string TaskClosingText() {
  return TallyText();
}
