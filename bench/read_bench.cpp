// read_bench [ROOT] [DOCUMENTS]: times ReadPageTags over every document of a site against a
// plain loop that opens each document and reads its first 4096 bytes, in the same run.
// Without ROOT a site of DOCUMENTS (default 20000) documents is generated in a temp directory.
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/site_generator.h"
#include "config/settings.h"
#include "engine/head_reader.h"
#include "engine/page_tags.h"
#include "platform/headless/headless_ui.h"
#include "platform/text.h"
#include "schema/schema.h"

namespace {

struct Times {
  double cpu = 1e9;
  double wall = 1e9;
};

double CpuSeconds() {
  rusage ru;
  getrusage(RUSAGE_SELF, &ru);
  return static_cast<double>(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) +
         static_cast<double>(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
}

template <typename F>
void Measure(Times* best, F&& run) {
  double cpu0 = CpuSeconds();
  auto wall0 = std::chrono::steady_clock::now();
  run();
  double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wall0).count();
  best->cpu = std::min(best->cpu, CpuSeconds() - cpu0);
  best->wall = std::min(best->wall, wall);
}

}  // namespace

int main(int argc, char** argv) {
  namespace fs = std::filesystem;
  std::string root;
  fs::path scratch;
  SiteShape shape;
  if (argc > 2) shape.documents = std::atoi(argv[2]);
  if (argc > 1 && std::string(argv[1]) != "-") {
    root = argv[1];
  } else {
    scratch = fs::temp_directory_path() / ("tagsteward-bench-" + std::to_string(getpid()));
    root = (scratch / "site").string();
    std::fprintf(stderr, "generating %d documents...\n", shape.documents);
    if (GenerateSite(root, shape) < 0) return 1;
  }
  std::vector<std::string> docs;
  for (const auto& e : fs::recursive_directory_iterator(root)) {
    std::string name = e.path().filename().string();
    if (e.is_regular_file() && name.find(".htm") != std::string::npos) docs.push_back(e.path());
  }
  std::sort(docs.begin(), docs.end());

  // A configuration directory of its own: the default schema is written there.
  fs::path config =
      scratch.empty() ? fs::temp_directory_path() / "tagsteward-bench-config" : scratch;
  fs::create_directories(config);
  platform::DefaultHeadlessUi().SetEcho(stderr);
  ResetSettings();
  platform::CopyText(IniPath, config.string());
  platform::CopyText(StartupPath, config.string());
  platform::CopyText(RootPath, root + "/");
  if (ReserveSchemaTables() != 0 || ReservePageTags() != 0 || LoadSchema() != 0) return 1;

  std::vector<char> buf(4096);
  long plainBytes = 0;
  int tagged = 0, failed = 0;
  auto plain = [&] {
    plainBytes = 0;
    for (const std::string& d : docs) {
      int fd = open(d.c_str(), O_RDONLY | O_CLOEXEC);
      if (fd < 0) continue;
      ssize_t n = read(fd, buf.data(), buf.size());
      if (n > 0) plainBytes += n;
      close(fd);
    }
  };
  auto reader = [&] {
    tagged = failed = 0;
    for (const std::string& d : docs) {
      if (ReadPageTags(nullptr, d.c_str()) == 0) {
        tagged += Tagcount;
      } else {
        ++failed;
      }
    }
  };
  plain();  // warm the page cache
  Times tPlain, tReader;
  for (int round = 0; round < 3; ++round) {
    Measure(&tPlain, plain);
    Measure(&tReader, reader);
  }
  std::printf("documents            %zu\n", docs.size());
  std::printf("plain 4096-byte read %.3f s cpu  %.3f s wall  (%ld bytes)\n", tPlain.cpu,
              tPlain.wall, plainBytes);
  std::printf("ReadPageTags         %.3f s cpu  %.3f s wall  (%d tags, %d failed)\n", tReader.cpu,
              tReader.wall, tagged, failed);
  std::printf("ratio (cpu)          %.2f\n", tReader.cpu / tPlain.cpu);
  std::printf("ratio (wall)         %.2f\n", tReader.wall / tPlain.wall);
  if (!scratch.empty()) fs::remove_all(scratch);
  return 0;
}
