#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <random>
#include <thread>

#include "app/cli_test_run.h"
#include "tests/support/temp_dir.h"

extern char** environ;

using namespace testing_support;

namespace {

// A configuration directory with a site of `documents` documents in a few directories.
class CliTaskSite {
 public:
  explicit CliTaskSite(int documents) {
    WriteFile(dir_ / "META.INI",
              "[META]\nCurrent Config=Test\nConfirmation=1\n[MAILER]\nMail Queue=" +
                  (dir_ / "MailQ/") + "\n[Config:Test]\nRoot Path=" + (dir_ / "site/") +
                  "\nLog Path=" + (dir_ / "Audit/") + "\nError Log=" + (dir_ / "Audit/") +
                  "\nSitemapfile=" + (dir_ / "site/Sitemap.htm") + "\n");
    WriteFile(dir_ / "META.IDX", "DC.Title,M\r\nDC.Subject.Topic\r\n");
    WriteFile(dir_ / "Audit/.keep", "");
    WriteFile(dir_ / "MailQ/.keep", "");
    WriteFile(dir_ / "site/META.TAG",
              "<HEAD>\r\n<meta HTTP-EQUIV=\"DC.Creator.CorporateName\" CONTENT=\"Club\">\r\n"
              "</HEAD>\r\n");
    WriteFile(dir_ / "site/news/meta.tag",
              "<HEAD>\r\n<meta HTTP-EQUIV=\"DC.Subject.Topic\" CONTENT=\"News\">\r\n</HEAD>\r\n");
    const char* dirs[] = {"", "news/", "news/old/", "rowing/"};
    for (int i = 0; i < documents; ++i) {
      std::string name = std::string("site/") + dirs[i % 4] + "p" + std::to_string(i) + ".htm";
      WriteFile(dir_ / name, "<html>\n<head>\n<title>P" + std::to_string(i) +
                                 "</title>\n<meta name=\"DC.Title\" content=\"Page " +
                                 std::to_string(i) + "\">\n</head>\n<body>" +
                                 std::string(3000 + i, 'x') + "</body>\n</html>\n");
    }
  }
  const TempDir& dir() const { return dir_; }
  // The paths whose bytes differ between two snapshots (or that only one has).
  static std::vector<std::string> Changed(const std::map<std::string, std::string>& a,
                                          const std::map<std::string, std::string>& b) {
    std::vector<std::string> changed;
    for (const auto& [path, bytes] : a) {
      auto it = b.find(path);
      if (it == b.end() || it->second != bytes) changed.push_back(path);
    }
    for (const auto& [path, bytes] : b)
      if (!a.count(path)) changed.push_back(path);
    return changed;
  }
  // Every file below the directory with its bytes.
  std::map<std::string, std::string> Snapshot() const {
    std::map<std::string, std::string> files;
    for (const auto& e : std::filesystem::recursive_directory_iterator(dir_.path()))
      if (e.is_regular_file()) files[e.path().string()] = ReadFile(e.path().string());
    return files;
  }

 private:
  TempDir dir_;
};

using Result = CliRunResult;
Result RunCliArgs(std::vector<std::string> args) {
  // Loading the schema makes the configuration directory current; an earlier test's may be gone.
  if (::chdir("/") != 0) return {-1, "", "chdir"};
  return RunCliCaptured(args);
}

// Starts tagsteward-cli with args, its standard error going to errPath. The process id.
pid_t SpawnCli(const std::string& cli, std::vector<std::string> args, const std::string& errPath) {
  args.insert(args.begin(), cli);
  std::vector<char*> argv;
  for (std::string& a : args)
    argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT, 0644);
  pid_t pid = -1;
  if (posix_spawn(&pid, cli.c_str(), &actions, nullptr, argv.data(), environ) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

TEST(CliTasksTest, QuestionsAreAnsweredNoUnlessYesAndTasksChangeTheSite) {
  CliTaskSite site(8);
  std::string config = site.dir().path();
  auto before = site.Snapshot();
  Result r = RunCliArgs({"--config", config, "inherit"});
  EXPECT_EQ(1, r.status);
  EXPECT_EQ(
      "Inherit Metatags into all documents: This task will affect 8 files in 4 "
      "directories. Proceed?\n",
      r.err);
  EXPECT_EQ(std::vector<std::string>{}, CliTaskSite::Changed(before, site.Snapshot()));

  r = RunCliArgs({"--config", config, "--yes", "inherit"});
  EXPECT_EQ(0, r.status) << r.err;
  EXPECT_NE(std::string::npos, r.err.find("Completed: 8 files processed in 4 directories."));
  std::string page = ReadFile(site.dir() / "site/news/p1.htm");
  EXPECT_NE(std::string::npos, page.find("CONTENT=\"Club\""));
  EXPECT_NE(std::string::npos, page.find("CONTENT=\"News\""));
  EXPECT_EQ(std::string::npos, ReadFile(site.dir() / "site/p0.htm").find("News"));

  // A branch task with other rules touches only the branch.
  auto afterInherit = site.Snapshot();
  r = RunCliArgs({"--config", config, "--yes", "delete-all", "--branch", site.dir() / "site/rowing",
                  "--rules", "16"});
  EXPECT_EQ(0, r.status) << r.err;
  EXPECT_NE(std::string::npos, r.err.find("Branch Task: This task will affect 2 files"));
  EXPECT_EQ(std::string::npos, ReadFile(site.dir() / "site/rowing/p3.htm").find("Club"));
  EXPECT_TRUE(afterInherit[site.dir() / "site/news/p1.htm"] ==
              ReadFile(site.dir() / "site/news/p1.htm"));

  r = RunCliArgs({"--config", config, "--yes", "search", "dc.title", "--ignore-case", "--value",
                  "PAGE 1", "--report", site.dir() / "found.htm"});
  EXPECT_EQ(0, r.status) << r.err;
  std::string report = ReadFile(site.dir() / "found.htm");
  EXPECT_NE(std::string::npos, report.find("    DC.TITLE=PAGE 1<BR>"));
  EXPECT_NE(std::string::npos, report.find("Report ends."));

  r = RunCliArgs({"--config", config, "--yes", "replace", "DC.Title", "--value", "Page 2", "--with",
                  "Second page"});
  EXPECT_EQ(0, r.status) << r.err;
  EXPECT_NE(std::string::npos, ReadFile(site.dir() / "site/news/old/p2.htm").find("Second page"));
}

TEST(CliTasksTest, TaskUsageErrors) {
  CliTaskSite site(1);
  std::string config = site.dir().path();
  struct Row {
    std::vector<std::string> args;
    const char* problem;
  } rows[] = {
      {{"search"}, "the tag name is missing"},
      {{"replace", "DC.Title", "--value", "a"}, "replace needs --value TEXT and --with TEXT"},
      {{"inherit", "--rules", "x"}, "--rules needs a number"},
      {{"inherit", "--rules", "64"}, "--rules must be from 0 to 63"},
      {{"sort", "--rules", "-1"}, "--rules must be from 0 to 63"},
      {{"sort", "--branch"}, "--branch needs a directory"},
      {{"delete", "A", "B"}, "unexpected argument B"},
  };
  for (Row& row : rows) {
    row.args.insert(row.args.begin(), {"--config", config});
    Result r = RunCliArgs(row.args);
    EXPECT_EQ(2, r.status) << row.problem << " out=" << r.out << " err=" << r.err;
    EXPECT_NE(std::string::npos, r.err.find(row.problem)) << r.err;
  }
}

// A run that is refused, or could not do all its work, exits 1 and says why; every run says what
// it did to the documents.
TEST(CliTasksTest, RefusedAndFailedRunsExitOneAndSayWhy) {
  CliTaskSite site(4);
  std::string config = site.dir().path();
  ScopedHome home(site.dir() / "home");
  WriteFile(site.dir() / "home/mine.htm", "<HEAD>\n<meta name=\"a\" content=\"b\">\n</HEAD>\n");
  std::string ini = ReadFile(site.dir() / "META.INI"), tiny = ini;
  tiny.replace(tiny.find("Confirmation=1"), 14, "Max Page Tags=1");
  const struct {
    std::string ini, command, says;
  } rows[] = {
      // An empty META.INI once ran delete-all over the home directory.
      {"", "delete-all", "NOTE: The site's \"Root Path\" is not set.\n"},
      {"", "sitemap", "NOTE: The site's \"Root Path\" is not set.\n"},
      {tiny, "sort", "\"Max Page Tags\" = 1 in section [META] of " + config + "/META.INI"},
  };
  auto before = site.Snapshot();
  for (const auto& row : rows) {
    WriteFile(site.dir() / "META.INI", row.ini);
    Result r = RunCliArgs({"--config", config, "--yes", row.command});
    EXPECT_EQ(1, r.status);
    EXPECT_NE(std::string::npos, r.err.find(row.says)) << r.err;
  }
  WriteFile(site.dir() / "META.INI", ini);
  EXPECT_EQ(std::vector<std::string>{}, CliTaskSite::Changed(before, site.Snapshot()));

  WriteFile(site.dir() / "site/rowing/meta.tag", "");
  Result r = RunCliArgs({"--config", config, "--yes", "inherit"});
  EXPECT_EQ(1, r.status);
  EXPECT_NE(std::string::npos, r.err.find("M201:Serious Error reading meta.tag\n" +
                                          site.dir() / "site/rowing/meta.tag is empty"));
  // Without "Confirm Actions.." the tally is still said.
  WriteFile(site.dir() / "META.INI", ini.replace(ini.find("Confirmation=1"), 14, "Confirmation=0"));
  r = RunCliArgs({"--config", config, "sort"});
  EXPECT_EQ(0, r.status) << r.err;
  EXPECT_NE(std::string::npos, r.err.find(" skipped, 0 failed\n")) << r.err;
}

// Kills `tagsteward-cli inherit` at random moments: every document is always either the
// old or the new one, complete, and nothing else in the tree changes but a work file.
TEST(CliTasksTest, KilledInheritLeavesEveryDocumentOldOrNew) {
  const char* binDir = std::getenv("TS_TEST_BIN_DIR");
  ASSERT_NE(nullptr, binDir);
  std::string cli = std::string(binDir) + "/app/tagsteward-cli";
  CliTaskSite site(240);
  std::string config = site.dir().path();
  auto oldFiles = site.Snapshot();

  // The new documents: a copy inherited to the end.
  CliTaskSite reference(240);
  ASSERT_EQ(0, RunCliArgs({"--config", reference.dir().path(), "--yes", "inherit"}).status);
  std::map<std::string, std::string> newFiles;
  for (auto& [path, bytes] : reference.Snapshot())
    newFiles[config + path.substr(reference.dir().path().size())] = bytes;

  std::mt19937 rng(12345);
  int killedMidway = 0;
  for (int round = 0; round < 25; ++round) {
    pid_t pid = SpawnCli(cli, {"--config", config, "--yes", "inherit"}, "/dev/null");
    ASSERT_GT(pid, 0);
    std::this_thread::sleep_for(std::chrono::microseconds(rng() % 150000));
    kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
    if (WIFSIGNALED(status)) ++killedMidway;
    for (auto& [path, bytes] : site.Snapshot()) {
      if (path.size() > 9 && path.substr(path.size() - 9) == "/temp.dat") continue;
      auto oldIt = oldFiles.find(path);
      ASSERT_NE(oldIt, oldFiles.end()) << "new file " << path;
      if (bytes == oldIt->second) continue;
      ASSERT_TRUE(newFiles[path] == bytes) << path << " is neither the old nor the new document";
    }
  }
  EXPECT_GT(killedMidway, 5);
  // A last run completes the work and leaves no work file behind.
  ASSERT_EQ(0, RunCliArgs({"--config", config, "--yes", "inherit"}).status);
  auto finalFiles = site.Snapshot();
  for (auto& [path, bytes] : finalFiles) {
    if (path.find("/site/") == std::string::npos)
      continue;  // the configuration names its own paths
    EXPECT_TRUE(newFiles[path] == bytes) << path;
  }
}

// Ctrl-C during a task: the program stops before the next document, says "Cancelled" and
// exits with 1; every document is old or new.
TEST(CliTasksTest, InterruptCancelsBeforeTheNextDocument) {
  const char* binDir = std::getenv("TS_TEST_BIN_DIR");
  ASSERT_NE(nullptr, binDir);
  std::string cli = std::string(binDir) + "/app/tagsteward-cli";
  CliTaskSite site(2000);
  auto before = site.Snapshot();
  std::string config = site.dir().path();
  std::string errPath = site.dir() / "err.txt";
  pid_t pid = SpawnCli(cli, {"--config", config, "--yes", "inherit"}, errPath);
  ASSERT_GT(pid, 0);
  // Interrupt once the walk has changed its first document.
  std::string first = site.dir() / "site/news/old/p2.htm";
  for (int i = 0; i < 3000 && ReadFile(first) == before[first]; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  kill(pid, SIGINT);
  int status = 0;
  waitpid(pid, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(1, WEXITSTATUS(status));
  std::string err = ReadFile(errPath);
  EXPECT_NE(std::string::npos, err.find("Cancelled: ")) << err;
  int changed = 0;
  for (auto& [path, bytes] : site.Snapshot()) {
    if (path == errPath || path.find("/site/") == std::string::npos) continue;
    auto it = before.find(path);
    ASSERT_NE(it, before.end()) << path;
    if (it->second == bytes) continue;
    ++changed;
    EXPECT_NE(std::string::npos, bytes.find("$RUZOZAZEZO")) << path;  // a complete new document
  }
  EXPECT_GT(changed, 0);
  EXPECT_LT(changed, 2000);
}

}  // namespace
