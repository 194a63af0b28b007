// rewrite_bench [DOCUMENTS]: times read, render and RewriteHead over every document of a
// generated site against a plain safe copy of each document (read, write beside it, flush,
// rename), which is the least a rewrite that never tears a document can cost.
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
#include "engine/head_writer.h"
#include "engine/page_tags.h"
#include "platform/fs.h"
#include "platform/headless/headless_ui.h"
#include "platform/text.h"
#include "schema/schema.h"

namespace {

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

}  // namespace

int main(int argc, char** argv) {
  namespace fs = std::filesystem;
  SiteShape shape;
  shape.documents = argc > 1 ? std::atoi(argv[1]) : 2000;
  fs::path scratch = fs::temp_directory_path() / ("tagsteward-rewrite-" + std::to_string(getpid()));
  std::string root = (scratch / "site").string();
  if (GenerateSite(root, shape) < 0) return 1;
  std::vector<std::string> docs;
  for (const auto& e : fs::recursive_directory_iterator(root))
    if (e.is_regular_file() && e.path().filename().string().find(".htm") != std::string::npos)
      docs.push_back(e.path());
  std::sort(docs.begin(), docs.end());

  platform::DefaultHeadlessUi().SetEcho(stderr);
  ResetSettings();
  platform::CopyText(IniPath, scratch.string());
  platform::CopyText(StartupPath, scratch.string());
  if (ReserveSchemaTables() != 0 || ReservePageTags() != 0 || LoadSchema() != 0) return 1;

  double best = 1e9, baseline = 1e9;
  for (int round = 0; round < 3; ++round) {
    auto start = std::chrono::steady_clock::now();
    int failed = 0;
    for (const std::string& doc : docs) {
      if (ReadPageTags(nullptr, doc.c_str()) != 0) {
        ++failed;
        continue;
      }
      char text[kTagsTextSize] = "";
      for (int i = 0; i < Tagcount; ++i)
        RenderTag(text, PageTags[i]);
      if (RewriteHead(nullptr, doc.c_str(), text) != 0) ++failed;
    }
    best = std::min(best, Seconds(start));
    if (failed) std::fprintf(stderr, "%d documents not rewritten\n", failed);

    start = std::chrono::steady_clock::now();
    std::string bytes;
    for (const std::string& doc : docs)
      if (platform::ReadWholeFile(doc, &bytes) != 0 || platform::ReplaceFile(doc, bytes) != 0)
        return 1;
    baseline = std::min(baseline, Seconds(start));
  }
  std::printf("%zu documents: rewrite %.3f s (%.0f/s), safe copy %.3f s (%.0f/s), ratio %.2f\n",
              docs.size(), best, static_cast<double>(docs.size()) / best, baseline,
              static_cast<double>(docs.size()) / baseline, best / baseline);
  fs::remove_all(scratch);
  return 0;
}
