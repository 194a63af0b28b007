// Several tagsteward-cli runs writing one site at once: each document stays its own, no work
// file is left, and every run that could not write says why.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/fs.h"
#include "tests/support/temp_dir.h"

using namespace testing_support;

namespace {

struct CliRun {
  pid_t pid = -1;
  std::string err;  // where its standard error goes
};

// Starts tagsteward-cli with args in dir, standard input from in, standard error to err, and
// the lock wait shortened so that a refused run ends soon.
CliRun Start(const std::string& dir, std::vector<std::string> args, const std::string& in,
             const std::string& err) {
  args.insert(args.begin(), {std::string(std::getenv("TS_TEST_BIN_DIR")) + "/app/tagsteward-cli",
                             "--config", dir});
  std::vector<char*> argv;
  for (std::string& a : args)
    argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = ::fork();
  if (pid == 0) {
    ::setenv("TAGSTEWARD_LOCK_WAIT_MS", "300", 1);
    ::dup2(::open(in.c_str(), O_RDONLY), 0);
    ::dup2(::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 2);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  return {pid, err};
}

// Waits for the run: true when it wrote, false when it was refused (and said so).
bool Wrote(const CliRun& run) {
  int status = 0;
  EXPECT_EQ(run.pid, ::waitpid(run.pid, &status, 0));
  EXPECT_TRUE(WIFEXITED(status));
  if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return true;
  EXPECT_NE(std::string::npos,
            ReadFile(run.err).find("Another Tagsteward task is working on site Stress"))
      << ReadFile(run.err);
  return false;
}

// Two inherits and a loop of puts on one 300-document site, 20 times over.
TEST(CliConcurrencyTest, WritersNeverSwapDocumentsAndRefusedOnesSaySo) {
  ASSERT_NE(nullptr, std::getenv("TS_TEST_BIN_DIR"));
  TempDir dir;
  WriteFile(dir / "META.INI",
            "[META]\nCurrent Config=Stress\nConfirmation=0\n[MAILER]\nMail Queue=" + dir.path() +
                "/\n[Config:Stress]\nRoot Path=" + (dir / "site/") +
                "\nLog Path=" + (dir / "Audit/") + "\nError Log=" + (dir / "Audit/") +
                "\nSitemapfile=" + (dir / "site/Map.htm") + "\n");
  WriteFile(dir / "META.IDX", "DC.Title\r\nDC.Publisher\r\n");
  WriteFile(dir / "Audit/.keep", "");
  WriteFile(dir / "site/META.TAG",
            "<HEAD>\r\n<meta HTTP-EQUIV=\"DC.Publisher\" CONTENT=\"Club\">\r\n</HEAD>\r\n");
  std::vector<std::string> docs;
  for (int i = 0; i < 300; ++i) {
    std::string name = "site/d" + std::to_string(i % 6) + "/p" + std::to_string(i) + ".htm";
    docs.push_back(dir / name);
    WriteFile(docs.back(), "<html><head>\n<meta name=\"DC.Title\" content=\"" + name +
                               "\">\n</head><body>BODY OF " + docs.back() + "</body></html>\n");
  }
  WriteFile(dir / "tags.txt", "DC.Title\tput\n");

  int inheritsWrote = 0, putsWrote = 0, refused = 0;
  for (int round = 0; round < 20; ++round) {
    std::vector<CliRun> inherits;
    for (int i = 0; i < 2; ++i)
      inherits.push_back(Start(dir.path(), {"--yes", "inherit"}, "/dev/null",
                               dir / ("inherit" + std::to_string(i) + ".err")));
    for (int n = 0; n < 4; ++n) {
      CliRun put = Start(dir.path(), {"put", docs[(round * 37 + n * 101) % docs.size()]},
                         dir / "tags.txt", dir / "put.err");
      bool wrote = Wrote(put);
      putsWrote += wrote;
      refused += !wrote;
    }
    for (const CliRun& run : inherits) {
      bool wrote = Wrote(run);
      inheritsWrote += wrote;
      refused += !wrote;
    }
    for (const std::string& doc : docs) {
      std::string bytes = ReadFile(doc);
      size_t body = bytes.find("BODY OF ");
      ASSERT_NE(std::string::npos, body) << doc << " in round " << round;
      ASSERT_EQ("BODY OF " + doc + "</body></html>\n", bytes.substr(body)) << "round " << round;
    }
    ASSERT_EQ(std::vector<std::string>{}, WorkFilesBelow(dir.path())) << "round " << round;
  }
  // The runs met: some wrote, some were turned away.
  EXPECT_GT(inheritsWrote, 0);
  EXPECT_GT(putsWrote, 0);
  EXPECT_GT(refused, 0);
}

}  // namespace
