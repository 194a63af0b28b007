#include "tree/walker.h"

#include <gtest/gtest.h>

#include <unistd.h>
#include <filesystem>

#include <algorithm>
#include <chrono>
#include <functional>
#include <map>
#include <thread>

#include <sys/wait.h>

#include "config/settings.h"
#include "config/site_lock.h"
#include "engine/doc_tally.h"
#include "engine/head_reader.h"
#include "engine/page_ops.h"
#include "platform/file_lock.h"
#include "platform/text.h"
#include "plugins/context.h"
#include "tests/support/fault_fs.h"
#include "tests/support/site_fixture.h"
#include "tree/task_state.h"
#include "tree/tasks.h"
#include "tree/tree_tags.h"
#include "ui/working_display.h"

using namespace testing_support;

namespace {

// Answers every task dialog with the parameters a test sets.
TaskParameters gAnswer;
int gDialogOpened = 0;
// Runs while the task's dialog is open, when set.
std::function<void()> gWhileDialogOpen;

bool AnswerDialog(platform::WindowHandle, int) {
  if (gDialogOpened++ > 0) return false;
  if (gWhileDialogOpen) gWhileDialogOpen();
  std::string report = gTask.reportPath;
  gTask = gAnswer;
  if (gTask.reportPath[0] == '\0') platform::CopyText(gTask.reportPath, report);
  return true;
}

// Presses CANCEL while the walk pumps its message before document number `at`.
class CancelAt final : public WorkingDisplaySink {
 public:
  explicit CancelAt(int at) : at_(at) {}
  void PumpOne() override {
    if (++pumps_ == at_) gDropOut = 1;
  }
  void Progress(int p) override { progress.push_back(p); }
  void WorkingLine(int level, std::string_view text) override {
    lines.push_back(std::to_string(level) + ":" + std::string(text));
  }
  std::vector<int> progress;
  std::vector<std::string> lines;

 private:
  int at_;
  int pumps_ = 0;
};

class WalkerTest : public SiteFixture {
 protected:
  void SetUp() override {
    SiteFixture::SetUp();
    gAnswer = TaskParameters{};
    gDialogOpened = 0;
    SetTaskDialog(AnswerDialog);
    gPluginContext.confirmation = kConfirmActions;
    ui_.SetAnswerYes(true);
  }
  void TearDown() override {
    SetTaskDialog(nullptr);
    SetListingCacheBytes(512 * 1024);
    gWhileDialogOpen = nullptr;
    SiteFixture::TearDown();
  }
  // A small tree: documents at the root, in b/ and in a/deeper/, plus things a walk skips.
  void SmallTree() {
    Put("index.htm", Doc({{"Keywords", "root"}}));
    Put("page.html", Doc({{"Keywords", "root2"}}));
    Put("notes.txt", "not a document");
    Put("b/b1.htm", Doc({{"Keywords", "b"}}));
    Put("a/a1.htm", Doc({{"Keywords", "a"}}));
    Put("a/deeper/d1.htm", Doc({{"Keywords", "deep"}}));
    Put("old.site/skip.htm", Doc({{"Keywords", "dotted"}}));
    Put(".hidden/skip.htm", Doc({{"Keywords", "hidden"}}));
    ASSERT_EQ(0, ::symlink(site_.c_str(), At("loop").c_str()));  // a link back up
  }
  TaskOutcome Search(const char* name, const char* filter = "") {
    platform::CopyText(gAnswer.tagName, name);
    platform::CopyText(gAnswer.valueFilter, filter);
    gAnswer.caseSensitive = 1;
    gAnswer.showResults = 0;
    return RunSiteTask(nullptr, kTaskSearch);
  }
  std::string Report() { return ReadFile(home_ / "MetaSearch.htm"); }
};

TEST_F(WalkerTest, CountsAndWalksSubdirectoriesFirstSkippingDotsAndLinks) {
  SmallTree();
  EXPECT_EQ(kTaskCompleted, Search("Keywords"));
  EXPECT_EQ(5, PrePopFiles);
  EXPECT_EQ(4, PrePopDirs);  // the root, a, a/deeper, b
  EXPECT_EQ(5, PopFiles);
  EXPECT_EQ(4, PopDirs);
  std::string report = Report();
  std::vector<std::string> order;
  for (const char* doc : {"a/deeper/d1.htm", "a/a1.htm", "b/b1.htm", "index.htm", "page.html"})
    order.push_back(At(doc));
  size_t last = 0;
  for (const std::string& doc : order) {
    size_t at = report.find(">" + doc + "</A>");
    ASSERT_NE(std::string::npos, at) << doc;
    EXPECT_GT(at, last) << doc;
    last = at;
  }
  EXPECT_EQ(std::string::npos, report.find("skip.htm"));
  ASSERT_EQ(2u, BoxLines().size());
  EXPECT_EQ("Site Task|This task will affect 5 files in 4 directories. Proceed?", BoxLines()[0]);
  // The closing message ends with the tally of the documents.
  EXPECT_EQ(0u, BoxLines()[1].find("Completed|5 files processed in 4 directories.\n\nElapsed "
                                   "time:      0 second(s).\n\n"));
  EXPECT_NE(std::string::npos, BoxLines()[1].find(" skipped, 0 failed"));
  EXPECT_EQ(0, gPluginContext.busy);
  EXPECT_EQ(0, block);
}

// The count is made for the question and the progress shown: without either the tree is
// listed once, and the walk does the same.
// The tree is counted before every walk, whether or not anything shows the count, and the
// progress display changes nothing in the report.
TEST_F(WalkerTest, CountsBeforeEveryWalkShownOrNot) {
  SmallTree();
  gPluginContext.confirmation = 0;
  EXPECT_EQ(kTaskCompleted, Search("Keywords"));
  EXPECT_EQ(5, PrePopFiles);
  EXPECT_EQ(4, PrePopDirs);
  EXPECT_EQ(5, PopFiles);
  EXPECT_EQ(4, PopDirs);
  std::string report = Report();
  EXPECT_TRUE(BoxLines().empty());

  CancelAt progress(-1);
  WorkingDisplaySink* previous = SetWorkingDisplaySink(&progress);
  gDialogOpened = 0;
  EXPECT_EQ(kTaskCompleted, Search("Keywords"));
  SetWorkingDisplaySink(previous);
  EXPECT_EQ(5, PrePopFiles);
  EXPECT_EQ(4, PrePopDirs);
  ASSERT_FALSE(progress.progress.empty());
  EXPECT_GT(*std::max_element(progress.progress.begin(), progress.progress.end()), 0);
  // The report differs in its date line at most.
  auto withoutDate = [](std::string r) {
    size_t at = r.find("Search date");
    return at == std::string::npos ? r : r.erase(at, r.find('\n', at) - at);
  };
  EXPECT_EQ(withoutDate(report), withoutDate(Report()));
}

TEST_F(WalkerTest, APatternTwiceProcessesTheDocumentTwice) {
  Put("index.htm", Doc({{"Keywords", "k"}}));
  platform::CopyText(maskstring, "*.htm;*.htm");
  EXPECT_EQ(kTaskCompleted, RunSiteTask(nullptr, kTaskSort));
  EXPECT_EQ(2, PrePopFiles);
  EXPECT_EQ(2, PopFiles);
}

TEST_F(WalkerTest, CancelStopsBeforeTheNextDocumentAndSaysCancelled) {
  for (int i = 0; i < 6; ++i)
    Put("doc" + std::to_string(i) + ".htm", Doc({{"Keywords", "z"}}));
  const std::string untouched = ReadFile(At("doc5.htm"));
  CancelAt cancel(3);
  WorkingDisplaySink* previous = SetWorkingDisplaySink(&cancel);
  EXPECT_EQ(kTaskCancelled, RunSiteTask(nullptr, kTaskDeleteAll));
  SetWorkingDisplaySink(previous);
  EXPECT_EQ(2, PopFiles);
  EXPECT_EQ(0, gDropOut);  // cleared for the next task
  EXPECT_EQ(0u, BoxLines().back().find("Cancelled|2 files processed in 1 directories.\n\nElapsed "
                                       "time:      0 second(s).\n\n"));
  EXPECT_EQ(std::string::npos, ReadFile(At("doc0.htm")).find("Keywords"));
  EXPECT_EQ(untouched, ReadFile(At("doc2.htm")));
  EXPECT_EQ(untouched, ReadFile(At("doc5.htm")));
  EXPECT_EQ((std::vector<int>{0, 16}), cancel.progress);
}

TEST_F(WalkerTest, QuestionsDecideWhetherATaskRuns) {
  Put("index.htm", Doc({{"Keywords", "k"}}));
  const std::string before = ReadFile(At("index.htm"));
  ui_.SetAnswerYes(false);
  EXPECT_EQ(kTaskNotStarted, RunSiteTask(nullptr, kTaskDeleteAll));
  EXPECT_EQ(
      (std::vector<std::string>{
          "WARNING|This option DELETES ALL metatags from the document tree.\n\t\tAre you sure?"}),
      BoxLines());
  EXPECT_EQ(platform::kBoxDefaultButton2, ui_.boxes()[0].style & platform::kBoxDefaultMask);
  ui_.Script("WARNING", platform::kAnswerYes);
  EXPECT_EQ(kTaskNotStarted, RunSiteTask(nullptr, kTaskDeleteAll));
  EXPECT_EQ("Site Task|This task will affect 1 files in 1 directories. Proceed?",
            BoxLines().back());
  EXPECT_EQ(before, ReadFile(At("index.htm")));
  EXPECT_EQ(0, gPluginContext.busy);

  // Without "Confirm Actions.." nothing is asked and nothing is said at the end.
  ui_.Clear();
  gPluginContext.confirmation = 0;
  EXPECT_EQ(kTaskCompleted, RunSiteTask(nullptr, kTaskSort));
  EXPECT_TRUE(ui_.boxes().empty());
}

TEST_F(WalkerTest, UnlistableDirectoryIsReportedAndSkipped) {
  SmallTree();
  ResetDocumentTally();
  FaultPlan plan;
  plan.unlistable.insert(At("a"));
  FaultyFileSystem faulty(plan);
  platform::ScopedFileSystem scoped(&faulty);
  gPluginContext.confirmation = 0;
  EXPECT_EQ(kTaskFailed, Search("Keywords"));  // the rest is done; the run says what was not
  EXPECT_EQ(3, PopFiles);
  EXPECT_EQ(std::string::npos, Report().find("a1.htm"));
  ASSERT_EQ(2u, ui_.boxes().size());
  EXPECT_EQ("ERROR CHANGING DIRECTORY - " + At("a"), ui_.boxes()[0].caption);
  EXPECT_EQ("Completed", ui_.boxes()[1].caption);
  EXPECT_EQ(1, gTally.failed);
  EXPECT_NE(std::string::npos,
            DocumentTallySummary().find(At("a") + ": the directory cannot be read"));
}

// Documents are opened through their directory: one that cannot be read is reported by its
// path, the walk goes on and fails in the end, naming it; a directory whose listing fails is
// reported and skipped.
TEST_F(WalkerTest, UnreadableDocumentsAndFailedListingsAreReportedAndSkipped) {
  SmallTree();
  gPluginContext.confirmation = 0;
  {
    FaultPlan plan;
    plan.unreadable.insert(At("a/a1.htm"));
    FaultyFileSystem faulty(plan);
    platform::ScopedFileSystem scoped(&faulty);
    EXPECT_EQ(kTaskFailed, Search("Keywords"));
    EXPECT_EQ(5, PopFiles);
    ASSERT_EQ(2u, ui_.boxes().size());
    EXPECT_EQ("ERROR OPENING FILE - " + At("a/a1.htm"), ui_.boxes()[0].caption);
    EXPECT_NE(std::string::npos,
              BoxLines()[1].find("\n  " + At("a/a1.htm") + ": cannot be opened"));
    const std::string report = Report();
    EXPECT_EQ(std::string::npos, report.find("a1.htm"));
    for (const char* doc : {"a/deeper/d1.htm", "b/b1.htm", "index.htm", "page.html"})
      EXPECT_NE(std::string::npos, report.find(">" + At(doc) + "</A>")) << doc;
  }
  // The count lists the root, a, a/deeper and b in this order, and the walk takes its listings
  // over. A listing the count could not read, the walk reads again (and, for a, its
  // subdirectory, which the count did not reach).
  const int listings[] = {5, 6, 5, 5};
  for (int n = 1; n <= 4; ++n) {
    ui_.Clear();
    FaultPlan plan;
    plan.failListAt = n;
    gDialogOpened = 0;
    FaultyFileSystem faulty(plan);
    platform::ScopedFileSystem scoped(&faulty);
    EXPECT_EQ(kTaskCompleted, Search("Keywords")) << n;
    EXPECT_TRUE(ui_.boxes().empty()) << n;
    EXPECT_EQ(5, PopFiles) << n;
    EXPECT_EQ(listings[n - 1], faulty.counts().lists) << n;
  }
  // Without the count's listings the walk lists each directory itself, and a listing that
  // fails is reported and its directory skipped.
  SetListingCacheBytes(0);
  const char* dirs[] = {"", "a", "a/deeper", "b"};
  const char* lost[] = {"index.htm", "a1.htm", "d1.htm", "b1.htm"};
  for (int n = 1; n <= 4; ++n) {
    ui_.Clear();
    FaultPlan plan;
    plan.failListAt = 4 + n;
    gDialogOpened = 0;
    FaultyFileSystem faulty(plan);
    platform::ScopedFileSystem scoped(&faulty);
    EXPECT_EQ(kTaskFailed, Search("Keywords")) << n;
    ASSERT_EQ(2u, ui_.boxes().size()) << n;  // and the closing one that says so
    std::string dir = n == 1 ? site_ + "/" : At(dirs[n - 1]);
    EXPECT_EQ("ERROR CHANGING DIRECTORY - " + dir, ui_.boxes()[0].caption) << n;
    EXPECT_EQ(std::string::npos, Report().find(lost[n - 1])) << n;
  }
  SetListingCacheBytes(512 * 1024);
}

// The count's listings serve the walk: each directory is read once, unless the tree may have
// changed while the question waited, or the listings outgrew what is kept. The documents are the
// same in every case.
TEST_F(WalkerTest, EachDirectoryIsListedOnceUnlessTheTreeMayHaveChanged) {
  SmallTree();
  struct Case {
    int confirmation;
    size_t cacheBytes;
    int lists;  // the root, a, a/deeper and b: four by the count, and by the walk when it lists
                // (0: some of them)
  };
  for (Case c : {Case{0, 512 * 1024, 4}, Case{kConfirmActions, 512 * 1024, 8}, Case{0, 0, 8},
                 Case{0, 200, 0}}) {
    ui_.Clear();
    gDialogOpened = 0;
    gPluginContext.confirmation = c.confirmation;
    SetListingCacheBytes(c.cacheBytes);
    FaultyFileSystem counter;
    platform::ScopedFileSystem scoped(&counter);
    EXPECT_EQ(kTaskCompleted, Search("Keywords")) << c.cacheBytes;
    if (c.lists > 0)
      EXPECT_EQ(c.lists, counter.counts().lists) << c.confirmation << " " << c.cacheBytes;
    else  // room for some of the listings: the walk lists the rest
      EXPECT_TRUE(counter.counts().lists > 4 && counter.counts().lists < 8)
          << counter.counts().lists;
    // The count is the same whichever way it was taken.
    EXPECT_EQ(5, PrePopFiles) << c.cacheBytes;
    EXPECT_EQ(4, PrePopDirs) << c.cacheBytes;
    EXPECT_EQ(5, PopFiles);
    for (const char* doc : {"a/a1.htm", "a/deeper/d1.htm", "b/b1.htm", "index.htm", "page.html"})
      EXPECT_NE(std::string::npos, Report().find(">" + At(doc) + "</A>")) << doc;
  }
  // A directory whose status cannot be read, by the count or by the walk, is listed again.
  SetListingCacheBytes(512 * 1024);
  for (int n = 1; n <= 8; ++n) {
    ui_.Clear();
    gDialogOpened = 0;
    FaultPlan plan;
    plan.failStatOpenAt = n;
    FaultyFileSystem faulty(plan);
    platform::ScopedFileSystem scoped(&faulty);
    EXPECT_EQ(kTaskCompleted, Search("Keywords")) << n;
    EXPECT_TRUE(ui_.boxes().empty()) << n;
    EXPECT_EQ(5, PopFiles) << n;
    EXPECT_EQ(5, faulty.counts().lists) << n;
  }
  // Documents added and removed while the task's dialog is open, after the count: the walk
  // sees the tree as it is. (The pause lets the directories' change times move on however coarse
  // the file system's clock.)
  gPluginContext.confirmation = 0;
  SetListingCacheBytes(512 * 1024);
  ui_.Clear();
  gDialogOpened = 0;
  gWhileDialogOpen = [&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    Put("b/new.htm", Doc({{"Keywords", "new"}}));
    ASSERT_EQ(0, ::unlink(At("a/a1.htm").c_str()));
  };
  FaultyFileSystem counter;
  platform::ScopedFileSystem scoped(&counter);
  EXPECT_EQ(kTaskCompleted, Search("Keywords"));
  gWhileDialogOpen = nullptr;
  EXPECT_TRUE(ui_.boxes().empty());
  EXPECT_NE(std::string::npos, Report().find(">" + At("b/new.htm") + "</A>"));
  EXPECT_EQ(std::string::npos, Report().find("a1.htm"));
  EXPECT_EQ(6, counter.counts().lists);  // a and b again
  SetListingCacheBytes(512 * 1024);
}

// A walk deeper than the directories it keeps open lets them go on the way down and opens each
// again for its documents; if that fails, the documents are opened by their paths.
TEST_F(WalkerTest, DeepTreesAreWalkedWhicheverDirectoryOpenFails) {
  const int kDepth = 40;
  std::string dir;
  for (int level = 1; level <= kDepth; ++level) {
    dir += "d/";
    Put(dir + "q.htm", Doc({{"Keywords", "level " + std::to_string(level)}}));
  }
  gPluginContext.confirmation = 0;
  FaultyFileSystem counter;
  {
    platform::ScopedFileSystem scoped(&counter);
    EXPECT_EQ(kTaskCompleted, Search("Keywords"));
  }
  EXPECT_EQ(kDepth, PopFiles);
  for (int level = 1; level <= kDepth; ++level)
    EXPECT_NE(std::string::npos, Report().find("=level " + std::to_string(level) + "<BR>"));
  const int opens = counter.counts().dirOpens;
  ASSERT_GT(opens, kDepth + 1);  // every directory once, and the deep ones again
  int reported = 0, recovered = 0;
  for (int n = 1; n <= opens; ++n) {
    ui_.Clear();
    FaultPlan plan;
    plan.failOpenDirAt = n;
    gDialogOpened = 0;
    FaultyFileSystem faulty(plan);
    platform::ScopedFileSystem scoped(&faulty);
    TaskOutcome outcome = Search("Keywords");
    if (ui_.boxes().empty()) {
      ++recovered;
      EXPECT_EQ(kTaskCompleted, outcome) << n;
      EXPECT_EQ(kDepth, PopFiles) << n;
    } else {
      ++reported;
      EXPECT_EQ(kTaskFailed, outcome) << n;
      ASSERT_EQ(2u, ui_.boxes().size()) << n;  // and the closing one
      EXPECT_EQ(0u, ui_.boxes()[0].caption.find("ERROR CHANGING DIRECTORY - ")) << n;
      EXPECT_LT(PopFiles, kDepth) << n;
    }
  }
  EXPECT_EQ(kDepth + 1, reported);  // the first open of each directory: its listing
  EXPECT_EQ(opens - kDepth - 1, recovered);
}

TEST_F(WalkerTest, BranchTaskRunsBelowTheBranchAndRestoresRootAndRules) {
  SmallTree();
  strategy = 1;
  gPluginContext.confirmation = kConfirmActions;
  platform::CopyText(gAnswer.tagName, "Keywords");
  gAnswer.caseSensitive = 1;
  EXPECT_EQ(kTaskCompleted, RunBranchTask(nullptr, kTaskSearch, At("a"), 48));
  EXPECT_EQ(site_ + "/", RootPath);
  EXPECT_EQ(1, strategy);
  EXPECT_EQ("Branch Task|This task will affect 2 files in 2 directories. Proceed?", BoxLines()[0]);
  EXPECT_NE(std::string::npos, Report().find("d1.htm"));
  EXPECT_EQ(std::string::npos, Report().find("b1.htm"));
}

TEST_F(WalkerTest, ProgressWorkingLinesAndAuditSummary) {
  SmallTree();
  showworking = 1;
  loglevel = 1;
  gPluginContext.confirmation = 0;
  CancelAt never(-1);
  WorkingDisplaySink* previous = SetWorkingDisplaySink(&never);
  EXPECT_EQ(kTaskCompleted, RunSiteTask(nullptr, kTaskDeleteDuplicates));
  SetWorkingDisplaySink(previous);
  EXPECT_EQ((std::vector<int>{0, 20, 40, 60, 80}), never.progress);
  ASSERT_FALSE(never.lines.empty());
  EXPECT_EQ("1:" + At("a"), never.lines[0]);
  EXPECT_EQ("2:" + At("a/deeper"), never.lines[1]);
  EXPECT_NE(std::string::npos,
            ReadFile(AuditFile("Audit/")).find("0,09:05:07,ALL FILES,Duplicates deleted\n"));
}

}  // namespace

namespace {

// Whatever the mask, a walk takes no tree-tag file, work file or sitemap page for a document;
// it removes the work files of writers that are gone, and touches no other file.
TEST_F(WalkerTest, WalksNeverTakeTreeTagsWorkFilesOrTheSitemapForDocuments) {
  gPluginContext.confirmation = 0;
  platform::CopyText(maskstring, "*");
  pid_t gone = ::fork();
  if (gone == 0) ::_exit(0);
  ASSERT_EQ(gone, ::waitpid(gone, nullptr, 0));
  const std::string dead = "sub/.tsw." + std::to_string(gone) + ".1.0123abcd~";
  const std::string live = ".tsw." + std::to_string(::getppid()) + ".1.0123abcd~";
  const std::map<std::string, std::string> kept = {
      {"META.TAG", "<HEAD>\r\n<meta HTTP-EQUIV=\"$SitemapFiles\" CONTENT=\".htm\">\r\n</HEAD>\r\n"},
      {"sub/Meta.Tag",
       "<HEAD>\r\n<meta HTTP-EQUIV=\"$LevelHeading\" CONTENT=\"S\">\r\n</HEAD>\r\n"},
      {"Sitemap.htm", Doc({{"DC.Title", "Map"}})},
      {"temp.dat", "a file of the user's own"},
      {live, Doc({{"Keywords", "unfinished"}})},
  };
  for (const auto& [name, bytes] : kept)
    Put(name, bytes);
  Put(dead, Doc({{"Keywords", "left by a killed run"}}));
  Put("index.htm", Doc({{"Keywords", "k"}}));
  Put("sub/page.htm", Doc({{"Keywords", "k"}}));
  for (int taskId : {kTaskInherit, kTaskSort}) {
    EXPECT_EQ(kTaskCompleted, RunSiteTask(nullptr, taskId)) << taskId;
    EXPECT_EQ(4, PrePopFiles) << taskId;  // index.htm, temp.dat, the page and a leftover .keep
    EXPECT_EQ(PrePopFiles, PopFiles) << taskId;
    for (const auto& [name, bytes] : kept)
      EXPECT_EQ(bytes, ReadFile(At(name))) << name;
    EXPECT_FALSE(Exists(At(dead)));
    for (const char* doc : {"index.htm", "sub/page.htm"})
      EXPECT_NE(std::string::npos, ReadFile(At(doc)).find("$RUZOZAZEZO")) << doc;
  }
}

// A document that is a link out of the walk's root is skipped and tallied; inside it, the file
// it leads to is rewritten once, whether the walk reaches it by its own name or by two links,
// and the links stay links.
TEST_F(WalkerTest, LinkedDocumentsAreDoneOnceInsideTheRootAndSkippedOutside) {
  for (int task : {kTaskSort, kTaskInherit}) {
    std::filesystem::remove_all(site_);
    std::filesystem::create_directories(site_);
    gPluginContext.confirmation = 0;
    Put("a.htm", Doc({{"Keywords", "a"}}));
    Put(".store/b.htm", Doc({{"Keywords", "b"}}));
    WriteFile(home_ / "outside.htm", Doc({{"Keywords", "o"}}));
    const std::string outside = ReadFile(home_ / "outside.htm");
    for (auto [link, target] : {std::pair{"z-a.htm", At("a.htm")},
                                {"b1.htm", At(".store/b.htm")},
                                {"b2.htm", At(".store/b.htm")},
                                {"out.htm", home_ / "outside.htm"}})
      ASSERT_EQ(0, ::symlink(target.c_str(), At(link).c_str()));
    ResetDocumentTally();
    FaultyFileSystem counting;
    {
      platform::ScopedFileSystem scoped(&counting);
      EXPECT_EQ(kTaskCompleted, RunSiteTask(nullptr, task));
    }
    EXPECT_EQ(2, counting.counts().renames) << task;  // a.htm and .store/b.htm
    for (const char* doc : {"a.htm", ".store/b.htm"})
      EXPECT_NE(std::string::npos, ReadFile(At(doc)).find("$RUZOZAZEZO")) << task << doc;
    for (const char* link : {"z-a.htm", "b1.htm", "b2.htm"})
      EXPECT_TRUE(std::filesystem::is_symlink(At(link))) << task << link;
    EXPECT_EQ(outside, ReadFile(home_ / "outside.htm")) << task;
    EXPECT_EQ(1, gTally.skipped) << task;
    EXPECT_NE(std::string::npos,
              DocumentTallySummary().find(At("out.htm") + ": a link to a file outside the site"))
        << task;
  }
}

// An inherit with one open, write, flush, rename or status query failing in turn: every
// document is then as it was or as a clean inherit writes it, one left as it was is counted as
// failed or skipped, and no work file is left.
TEST_F(WalkerTest, InheritUnderEachInjectedFaultLeavesEveryDocumentOldOrNew) {
  SmallTree();
  Put("meta.tag", Doc({{"DC.Publisher", "Tree"}}, ""));
  gPluginContext.confirmation = 0;
  const char* const docs[] = {"index.htm", "page.html", "b/b1.htm", "a/a1.htm", "a/deeper/d1.htm"};
  std::map<std::string, std::string> before, after;
  for (const char* d : docs)
    before[d] = ReadFile(At(d));
  ASSERT_EQ(kTaskCompleted, RunSiteTask(nullptr, kTaskInherit));
  for (const char* d : docs)
    after[d] = ReadFile(At(d));
  int FaultPlan::*const plans[] = {&FaultPlan::failOpenAt, &FaultPlan::failWriteAt,
                                   &FaultPlan::failSyncAt, &FaultPlan::failRenameAt,
                                   &FaultPlan::failStatOpenAt};
  int FaultCounts::*const counts[] = {&FaultCounts::opens, &FaultCounts::writes,
                                      &FaultCounts::syncs, &FaultCounts::renames,
                                      &FaultCounts::openStats};
  for (int kind = 0; kind < 5; ++kind) {
    for (int n = 1;; ++n) {
      SCOPED_TRACE(std::to_string(kind) + " " + std::to_string(n));
      for (const char* d : docs)
        WriteFile(At(d), before[d]);
      ResetDocumentTally();
      FaultPlan plan;
      plan.*plans[kind] = n;
      FaultyFileSystem faulty(plan);
      TaskOutcome outcome;
      {
        platform::ScopedFileSystem scoped(&faulty);
        outcome = RunSiteTask(nullptr, kTaskInherit);
      }
      int changed = 0;
      for (const char* d : docs) {
        std::string now = ReadFile(At(d));
        EXPECT_TRUE(now == before[d] || now == after[d]) << d;
        changed += now == after[d];
      }
      EXPECT_EQ(std::vector<std::string>{}, WorkFilesBelow(site_));
      if (faulty.counts().*counts[kind] < n) {
        EXPECT_EQ(5, changed);  // no fault left: all were written
        break;
      }
      EXPECT_TRUE(changed == 5 || outcome != kTaskCompleted || gTally.failed + gTally.skipped > 0)
          << "a fault went unsaid";
    }
  }
}

// Tasks that write hold the site's lock for their run: while another run holds it they wait,
// then refuse and say so; read-only tasks take no lock. Within one run the lock is held once,
// and every way out of a run lets it go.
TEST_F(WalkerTest, WritersHoldTheSiteLockAndReadersDoNot) {
  SmallTree();
  gPluginContext.confirmation = 0;
  checkmandatory = 0;
  SetSiteLockWait(50);
  const std::string lock = SiteLockPath(CurrentConfig);
  EXPECT_EQ(home_ / "META.INI.Test%20Site.lock", lock);
  const std::string before = ReadFile(At("index.htm"));
  int other = platform::LockFileExclusive(lock, 0);  // as another run would hold it
  ASSERT_GE(other, 0);
  EXPECT_EQ(kTaskNotStarted, RunSiteTask(nullptr, kTaskSort));
  ASSERT_EQ(0, ReadPageTags(nullptr, At("index.htm").c_str()));
  EXPECT_EQ(-1, SavePage(nullptr, At("index.htm").c_str()));
  const std::string refused = "NOTE|Another Tagsteward task is working on site Test Site";
  EXPECT_EQ((std::vector<std::string>{refused, refused}), BoxLines());
  EXPECT_EQ(before, ReadFile(At("index.htm")));
  EXPECT_EQ(0, gPluginContext.busy);
  ui_.Clear();
  EXPECT_EQ(kTaskCompleted, Search("Keywords"));
  EXPECT_TRUE(ui_.boxes().empty());
  platform::Fs().Close(other);

  {
    SiteLock held;
    ASSERT_TRUE(held.Take(nullptr));
    ASSERT_EQ(0, ReadPageTags(nullptr, At("index.htm").c_str()));
    EXPECT_EQ(0, SavePage(nullptr, At("index.htm").c_str()));
  }
  CancelAt cancel(1);
  WorkingDisplaySink* previous = SetWorkingDisplaySink(&cancel);
  EXPECT_EQ(kTaskCancelled, RunSiteTask(nullptr, kTaskSort));
  SetWorkingDisplaySink(previous);
  gDialogOpened = 1;  // the replace dialog is cancelled
  EXPECT_EQ(kTaskNotStarted, RunSiteTask(nullptr, kTaskReplace));
  int free = platform::LockFileExclusive(lock, 0);
  EXPECT_GE(free, 0);
  platform::Fs().Close(free);
  SetSiteLockWait(-1);
}

class WalkerDiskTest : public WalkerTest {};

// A disk that fills up in the middle of an inherit task: each document is either untouched or
// completely inherited, and no work file is left behind.
TEST_F(WalkerDiskTest, FullDiskDuringATaskLosesNothing) {
  gPluginContext.confirmation = 0;
  Put("META.TAG", "<HEAD>\r\n<meta HTTP-EQUIV=\"DC.Publisher\" CONTENT=\"Club\">\r\n</HEAD>\r\n");
  std::vector<std::string> docs;
  for (int i = 0; i < 12; ++i) {
    std::string name = (i % 2 ? "sub/" : "") + std::string("d") + std::to_string(i) + ".htm";
    Put(name, Doc({{"Keywords", "k" + std::to_string(i)}}, std::string(5000, 'b') + "\r\n"));
    docs.push_back(name);
  }
  std::map<std::string, std::string> old;
  for (const std::string& d : docs)
    old[d] = ReadFile(At(d));
  for (long long full : {0LL, 700LL, 9000LL, 30000LL, 52000LL}) {
    for (const std::string& d : docs)
      WriteFile(At(d), old[d]);
    std::map<std::string, std::string> afterFault;
    {
      FaultPlan plan;
      plan.diskFullAfter = full;
      FaultyFileSystem faulty(plan);
      platform::ScopedFileSystem scoped(&faulty);
      RunSiteTask(nullptr, kTaskInherit);
      for (const std::string& d : docs)
        afterFault[d] = ReadFile(At(d));
    }
    EXPECT_EQ(std::vector<std::string>{}, WorkFilesBelow(site_)) << full;
    ASSERT_EQ(kTaskCompleted, RunSiteTask(nullptr, kTaskInherit));  // the complete new documents
    int changed = 0;
    for (const std::string& d : docs) {
      std::string now = ReadFile(At(d));
      EXPECT_NE(old[d], now) << d;
      EXPECT_TRUE(afterFault[d] == old[d] || afterFault[d] == now) << d << " after " << full;
      changed += afterFault[d] != old[d];
    }
    if (full == 0) {
      EXPECT_EQ(0, changed);
    }
    if (full == 52000) {
      EXPECT_GT(changed, 0);
    }
  }
}

}  // namespace

namespace {

class WalkerInheritTest : public WalkerTest {};

TEST_F(WalkerInheritTest, TooManyTreeTagsSkipsTheBranchAndTheWalkGoesOn) {
  gPluginContext.confirmation = 0;
  std::string crowded = "<HEAD>\r\n";
  for (int i = 0; i < 49; ++i)
    crowded += "<meta HTTP-EQUIV=\"T" + std::to_string(i) + "\" CONTENT=\"v\">\r\n";
  crowded += "</HEAD>\r\n";
  Put("META.TAG", "<HEAD>\r\n<meta HTTP-EQUIV=\"DC.Publisher\" CONTENT=\"Club\">\r\n</HEAD>\r\n");
  Put("crowded/meta.tag", crowded);
  Put("crowded/a.htm", Doc({{"Keywords", "a"}}));
  Put("crowded/below/b.htm", Doc({{"Keywords", "b"}}));
  Put("zeta/c.htm", Doc({{"Keywords", "c"}}));
  const std::string a = ReadFile(At("crowded/a.htm"));
  const std::string b = ReadFile(At("crowded/below/b.htm"));
  EXPECT_EQ(kTaskCompleted, RunSiteTask(nullptr, kTaskInherit));
  EXPECT_EQ(a, ReadFile(At("crowded/a.htm")));
  EXPECT_EQ(b, ReadFile(At("crowded/below/b.htm")));
  EXPECT_NE(std::string::npos, ReadFile(At("zeta/c.htm")).find("DC.Publisher"));
  ASSERT_EQ(1u, ui_.boxes().size());
  EXPECT_EQ(0u, BoxLines()[0].find("CRITICAL ERROR!|M202:Too many tree tags in "));
}

// A branch deeper than a walk goes is reported once and left alone, and the walk goes on with
// everything else, in both walks; an unreadable tree-tag file leaves only its own branch alone.
TEST_F(WalkerInheritTest, TooDeepAndUnreadableBranchesAreLeftAloneAndTheWalkGoesOn) {
  gPluginContext.confirmation = 0;
  std::string deep;
  for (int below = 1; below <= 60; ++below) {
    deep += "d/";
    Put(deep + "p.htm", Doc({{"Keywords", "k"}}));
  }
  Put("e/normal.htm", Doc({{"Keywords", "k"}}));
  Put("bad/below/doc.htm", Doc({{"Keywords", "k"}}));
  const std::string bad = ReadFile(At("bad/below/doc.htm"));
  const std::string at49 = deep.substr(0, 49 * 2) + "p.htm";  // in the first level too deep
  const std::string tooDeep = ReadFile(At(at49));
  for (int taskId : {kTaskInherit, kTaskSort}) {
    ui_.Clear();
    FaultPlan plan;
    plan.unreadable.insert(At("bad/meta.tag"));
    FaultyFileSystem faulty(plan);
    platform::ScopedFileSystem scoped(&faulty);
    // A branch left alone, for its unreadable tree tags or its depth, fails the run.
    EXPECT_EQ(kTaskFailed, RunSiteTask(nullptr, taskId));
    // The count leaves the deep levels out too; it cannot know the bad branch is left alone.
    EXPECT_EQ(PrePopFiles, PopFiles + (taskId == kTaskInherit)) << taskId;
    for (const std::string& done : {At("e/normal.htm"), At(deep.substr(0, 48 * 2) + "p.htm")})
      EXPECT_NE(std::string::npos, ReadFile(done).find("$RUZOZAZEZO")) << done;
    EXPECT_EQ(tooDeep, ReadFile(At(at49)));
    EXPECT_EQ(taskId == kTaskInherit, bad == ReadFile(At("bad/below/doc.htm")));
    std::vector<std::string> lines = BoxLines();
    EXPECT_EQ(1, std::count(lines.begin(), lines.end(),
                            "CRITICAL ERROR!|M046:Maximum tree depth limit exceeded!"));
    EXPECT_EQ(taskId == kTaskInherit ? 2 : 1, gTally.failed);
    const std::string summary = DocumentTallySummary();
    EXPECT_NE(std::string::npos, summary.find(At(deep.substr(0, 49 * 2 - 1)) +
                                              ": more than 48 levels below the root"));
    EXPECT_EQ(taskId == kTaskInherit,
              summary.find(At("bad") + ": its tree-tag file cannot be read") != std::string::npos);
  }
}

}  // namespace
