// tasks_bench [DOCUMENTS [ROUNDS]]: generates a site (default 20000 documents) and times, in
// one run, tagsteward-cli search, inherit and sitemap against the classic tools on the same tree:
// a plain loop that reads the first 4096 bytes of every document, `grep -rl` for a tag name, and
// `perl -pi -e` with one substitution over every document. Each runs ROUNDS times (default 3);
// it prints the median user+system CPU seconds, the peak memory, and the ratios the targets are
// about.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/site_generator.h"

namespace fs = std::filesystem;

namespace {

struct Usage {
  double cpu = 0;            // user + system seconds of the process and everything it waited for
  double low = 0, high = 0;  // for a median: the least and the most of the runs
  long peakKiB = 0;          // peak resident memory of the process itself
  int status = 0;
};

double Seconds(const timeval& tv) {
  return static_cast<double>(tv.tv_sec) + tv.tv_usec / 1e6;
}

// Runs child() in a new process and measures it.
template <typename F>
Usage Measure(F&& child) {
  rusage before;
  getrusage(RUSAGE_CHILDREN, &before);
  pid_t pid = fork();
  if (pid == 0) {
    int devnull = open("/dev/null", O_WRONLY);
    dup2(devnull, 1);
    dup2(devnull, 2);
    _exit(child());
  }
  Usage u;
  rusage self;
  wait4(pid, &u.status, 0, &self);
  rusage after;
  getrusage(RUSAGE_CHILDREN, &after);
  u.cpu = Seconds(after.ru_utime) + Seconds(after.ru_stime) - Seconds(before.ru_utime) -
          Seconds(before.ru_stime);
  u.peakKiB = self.ru_maxrss;
  return u;
}

int Exec(std::vector<std::string> args) {
  std::vector<char*> argv;
  for (std::string& a : args)
    argv.push_back(a.data());
  argv.push_back(nullptr);
  execvp(argv[0], argv.data());
  return 127;
}

// The median CPU time of the runs (all must have succeeded), with the largest peak.
Usage Median(std::vector<Usage> runs) {
  Usage out;
  for (const Usage& u : runs) {
    out.peakKiB = std::max(out.peakKiB, u.peakKiB);
    if (!WIFEXITED(u.status) || WEXITSTATUS(u.status) != 0) out.status = u.status;
  }
  std::sort(runs.begin(), runs.end(), [](const Usage& a, const Usage& b) { return a.cpu < b.cpu; });
  out.cpu = runs[runs.size() / 2].cpu;
  out.low = runs.front().cpu;
  out.high = runs.back().cpu;
  return out;
}

void Print(const char* what, const Usage& u) {
  std::printf("%-34s %8.3f s cpu (%.3f-%.3f) %8ld KiB peak%s\n", what, u.cpu, u.low, u.high,
              u.peakKiB, WIFEXITED(u.status) && WEXITSTATUS(u.status) == 0 ? "" : "  (FAILED)");
}

}  // namespace

int main(int argc, char** argv) {
  SiteShape shape;
  if (argc > 1) shape.documents = std::atoi(argv[1]);
  int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
  fs::path self = fs::canonical("/proc/self/exe");
  std::string cli = (self.parent_path().parent_path() / "app/tagsteward-cli").string();
  fs::path work =
      fs::temp_directory_path() / ("tagsteward-tasks-bench-" + std::to_string(getpid()));
  fs::path root = work / "site";
  std::fprintf(stderr, "generating %d documents in %s...\n", shape.documents, root.c_str());
  if (GenerateSite(root.string(), shape) < 0) return 1;
  {
    std::ofstream ini(work / "META.INI");
    ini << "[META]\nCurrent Config=Bench\nConfirmation=0\nShow Working=0\nError Log="
        << work.string() << "/\n[MAILER]\nMail Queue=" << work.string()
        << "/\n[Config:Bench]\nRoot Path=" << root.string()
        << "/\nSiteURL=http://bench.example/\nSitemapfile=" << root.string()
        << "/Sitemap.htm\nLog Path=" << work.string() << "/\nStrategy=1\n";
  }
  std::string config = work.string();

  // The plain loop lists the documents in its own process and times only the reading, so the
  // benchmark itself never holds the list: a child started from a large parent would otherwise
  // report the parent's memory as its own peak.
  long documents = 0;
  auto plain = [&]() -> Usage {
    int pipeFds[2];
    if (pipe(pipeFds) != 0) std::abort();
    Usage u = Measure([&] {
      std::vector<std::string> docs;
      for (const auto& e : fs::recursive_directory_iterator(root))
        if (e.is_regular_file() && e.path().filename().string().find(".htm") != std::string::npos)
          docs.push_back(e.path().string());
      rusage before, after;
      getrusage(RUSAGE_SELF, &before);
      char buf[4096];
      long total = 0;
      for (const std::string& d : docs) {
        int fd = open(d.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) continue;
        ssize_t n = read(fd, buf, sizeof buf);
        if (n > 0) total += n;
        close(fd);
      }
      getrusage(RUSAGE_SELF, &after);
      double cpu = Seconds(after.ru_utime) + Seconds(after.ru_stime) - Seconds(before.ru_utime) -
                   Seconds(before.ru_stime);
      long count = static_cast<long>(docs.size());
      if (write(pipeFds[1], &cpu, sizeof cpu) != sizeof cpu ||
          write(pipeFds[1], &count, sizeof count) != sizeof count)
        return 1;
      return total > 0 ? 0 : 1;
    });
    double cpu = 0;
    if (read(pipeFds[0], &cpu, sizeof cpu) != sizeof cpu ||
        read(pipeFds[0], &documents, sizeof documents) != sizeof documents)
      std::abort();
    close(pipeFds[0]);
    close(pipeFds[1]);
    u.cpu = cpu;
    return u;
  };
  // The floor of a durable rewrite: read each document, write it to a work file beside it,
  // fsync and rename it over the document.
  auto durable = [&]() -> Usage {
    return Measure([&] {
      std::vector<std::string> docs;
      for (const auto& e : fs::recursive_directory_iterator(root))
        if (e.is_regular_file() && e.path().filename().string().find(".htm") != std::string::npos)
          docs.push_back(e.path().string());
      static char buf[1 << 16];
      for (const std::string& d : docs) {
        int in = open(d.c_str(), O_RDONLY | O_CLOEXEC);
        if (in < 0) continue;
        std::string work = d + ".work";
        int out = open(work.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        for (ssize_t n; (n = read(in, buf, sizeof buf)) > 0;)
          if (write(out, buf, static_cast<size_t>(n)) != n) return 1;
        close(in);
        if (fsync(out) != 0 || close(out) != 0 || rename(work.c_str(), d.c_str()) != 0) return 1;
      }
      return 0;
    });
  };
  // Warm the page cache so every contender reads from memory.
  plain();

  // Each contender runs `rounds` times, the rounds interleaved so that a busy spell of the
  // machine falls on all of them alike; the median CPU time and the largest peak are shown. The
  // ratios are the medians of the ratios within each round: a spell that slows one round down
  // then moves both sides of its ratio.
  std::vector<Usage> reads, greps, searches, sitemaps, inherits, perls, checks, floors, dryRuns,
      keeps;
  for (int r = 0; r < rounds; ++r) {
    reads.push_back(plain());
    greps.push_back(Measure([&] { return Exec({"grep", "-rl", "DC.Title", root.string()}); }));
    searches.push_back(Measure([&] {
      return Exec({cli, "--config", config, "--yes", "search", "DC.Title", "--report",
                   (work / "search.htm").string()});
    }));
    sitemaps.push_back(Measure([&] {
      return Exec({cli, "--config", config, "--yes", "sitemap"});
    }));
    // Status 1 only says the generated site has problems: 2 and above are failures.
    checks.push_back(Measure([&] {
      return Exec({"sh", "-c", "\"$0\" --config \"$1\" check --json; [ $? -le 1 ]", cli, config});
    }));
    dryRuns.push_back(Measure([&] {
      return Exec({cli, "--config", config, "--yes", "inherit", "--dry-run"});
    }));
  }
  // Every round rewrites every document again: the first inherit adds the tree tags, the later
  // ones write the same heads anew, as perl and the floor write every document each time. Each
  // starts with nothing left to write back: perl flushes nothing, and the next contender's own
  // flushes would otherwise wait for perl's pages too.
  for (int r = 0; r < rounds; ++r) {
    sync();
    inherits.push_back(Measure([&] {
      return Exec({cli, "--config", config, "--yes", "inherit"});
    }));
    sync();
    perls.push_back(Measure([&] {
      std::string cmd = "find '" + root.string() +
                        "' -name '*.htm*' -exec perl -pi -e 's/DC\\.Title/DC.Title/' {} +";
      return Exec({"sh", "-c", cmd});
    }));
    sync();
    floors.push_back(durable());
  }
  // With "Keep Unchanged" a second inherit over a settled site writes nothing.
  {
    std::ofstream ini(work / "META.INI", std::ios::app);
    ini << "Keep Unchanged=1\n";
  }
  Measure([&] { return Exec({cli, "--config", config, "--yes", "inherit"}); });
  std::vector<Usage> keepReads;
  for (int r = 0; r < rounds; ++r) {
    keepReads.push_back(plain());
    keeps.push_back(Measure([&] { return Exec({cli, "--config", config, "--yes", "inherit"}); }));
  }
  Usage floor = Median(floors), dryRun = Median(dryRuns), keep = Median(keeps);
  Usage read = Median(reads), grep = Median(greps), search = Median(searches),
        sitemap = Median(sitemaps), inherit = Median(inherits), perl = Median(perls),
        check = Median(checks);

  std::printf("%ld documents, median of %d rounds\n", documents, rounds);
  Print("plain 4096-byte read loop", read);
  Print("grep -rl DC.Title", grep);
  Print("perl -pi -e (one substitution)", perl);
  Print("tagsteward-cli search", search);
  Print("tagsteward-cli inherit", inherit);
  Print("tagsteward-cli sitemap", sitemap);
  Print("tagsteward-cli check --json", check);
  Print("durable rewrite floor (fsync)", floor);
  Print("tagsteward-cli inherit --dry-run", dryRun);
  Print("inherit, Keep Unchanged, settled", keep);
  auto ratio = [](const char* what, const std::vector<Usage>& a, const std::vector<Usage>& b,
                  const char* target) {
    std::vector<double> r;
    for (size_t i = 0; i < a.size(); ++i)
      r.push_back(a[i].cpu / b[i].cpu);
    std::sort(r.begin(), r.end());
    std::printf("%-20s %6.2f   (%.2f-%.2f; target %s)\n", what, r[r.size() / 2], r.front(),
                r.back(), target);
  };
  ratio("search / plain read", searches, reads, "<= 1.5");
  ratio("search / grep -rl", searches, greps, "< 1");
  ratio("sitemap / plain read", sitemaps, reads, "<= 2");
  ratio("check / search", checks, searches, "<= 2");
  ratio("inherit / floor", inherits, floors, "<= 1.1");
  ratio("inherit / perl -pi", inherits, perls, "<= 1.25");
  ratio("kept inherit / read", keeps, keepReads, "<= 2");
  ratio("dry run / plain read", dryRuns, reads, "<= 2.5");
  std::printf("peak memory of the tasks: %ld KiB (target < 16384)\n",
              std::max({search.peakKiB, inherit.peakKiB, sitemap.peakKiB, check.peakKiB,
                        dryRun.peakKiB, keep.peakKiB}));
  fs::remove_all(work);
  return 0;
}
