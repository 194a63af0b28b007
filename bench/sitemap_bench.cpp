// sitemap_bench [ROOT [once]]: the sitemap update over a synthetic site of 20,000 documents (or
// the site at ROOT), against a plain loop that reads the first 4096 bytes of every document.
// With "once", only one update runs (for profiling).
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "bench/site_generator.h"
#include "config/settings.h"
#include "engine/head_reader.h"
#include "engine/page_tags.h"
#include "platform/headless/headless_ui.h"
#include "platform/text.h"
#include "schema/schema.h"
#include "sitemap/sitemap.h"

namespace {

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// Reads the head block of every document below root; returns the documents read.
int PlainReadLoop(const std::string& root) {
  char block[4096];
  int documents = 0;
  for (const auto& e : std::filesystem::recursive_directory_iterator(root)) {
    if (!e.is_regular_file() || e.path().extension().string().rfind(".htm", 0) != 0) continue;
    int fd = ::open(e.path().c_str(), O_RDONLY);
    if (fd < 0) continue;
    if (::read(fd, block, sizeof block) > 0) ++documents;
    ::close(fd);
  }
  return documents;
}

// Reads the head of every document below root into the page tag table.
void ReaderLoop(const std::string& root) {
  for (const auto& e : std::filesystem::recursive_directory_iterator(root)) {
    if (!e.is_regular_file() || e.path().extension().string().rfind(".htm", 0) != 0) continue;
    ReadPageTags(nullptr, e.path().c_str());
  }
}

}  // namespace

int main(int argc, char** argv) {
  std::string root;
  std::filesystem::path scratch;
  if (argc > 1) {
    root = argv[1];
  } else {
    scratch =
        std::filesystem::temp_directory_path() / ("sitemap_bench." + std::to_string(::getpid()));
    root = (scratch / "site").string();
    if (GenerateSite(root, SiteShape{}) < 0) {
      std::fprintf(stderr, "sitemap_bench: cannot write the site below %s\n", root.c_str());
      return 1;
    }
  }
  std::string config =
      scratch.empty() ? std::filesystem::temp_directory_path().string() : scratch.string();
  ResetSettings();
  platform::CopyText(IniPath, config);
  platform::CopyText(RootPath, root + "/");
  platform::CopyText(SiteURL, "http://bench.example/");
  platform::CopyText(Sitemapfile, root + "/sitemap-bench.html");
  platform::CopyText(CurrentConfig, "Bench");
  platform::DefaultHeadlessUi().SetEcho(stderr);
  if (ReserveSchemaTables() != 0 || ReservePageTags() != 0 || LoadSchema() != 0) return 1;

  if (argc > 2 && std::string(argv[2]) == "once") return UpdateSitemap(nullptr) == 0 ? 0 : 1;
  int documents = PlainReadLoop(root);  // warms the cache
  double best[3] = {1e9, 1e9, 1e9};
  for (int round = 0; round < 3; ++round) {
    auto t = std::chrono::steady_clock::now();
    PlainReadLoop(root);
    best[0] = std::min(best[0], Seconds(t));
    t = std::chrono::steady_clock::now();
    if (UpdateSitemap(nullptr) != 0) return 1;
    best[1] = std::min(best[1], Seconds(t));
    t = std::chrono::steady_clock::now();
    ReaderLoop(root);
    best[2] = std::min(best[2], Seconds(t));
  }
  std::printf(
      "%d documents: plain read loop %.3f s, sitemap update %.3f s, ratio %.2f"
      " (the head reader alone %.3f s, ratio %.2f)\n",
      documents, best[0], best[1], best[1] / best[0], best[2], best[2] / best[0]);
  if (!scratch.empty()) std::filesystem::remove_all(scratch);
  return 0;
}
