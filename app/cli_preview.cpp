// --dry-run and --diff: a writing command runs as it would, and the rewrites it would make are
// printed instead of written.
#include "app/cli_preview.h"

#include <algorithm>
#include <string_view>
#include <vector>

#include "engine/head_writer.h"
#include "log/audit.h"

namespace {

std::FILE* gOut = nullptr;
bool gDiff = false;

// The lines of a head, each with its line break.
std::vector<std::string_view> Lines(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    size_t lf = text.find('\n');
    size_t end = lf == std::string_view::npos ? text.size() : lf + 1;
    lines.push_back(text.substr(0, end));
    text.remove_prefix(end);
  }
  return lines;
}

void PrintPreview(const char* path, std::string_view before, std::string_view after) {
  std::fprintf(gOut, "%s\n", path);
  if (gDiff) std::fputs(UnifiedHeadDiff(path, before, after).c_str(), gOut);
}

}  // namespace

std::string UnifiedHeadDiff(const char* path, std::string_view before, std::string_view after) {
  std::vector<std::string_view> a = Lines(before), b = Lines(after);
  // Longest common subsequence of lines; heads are short.
  size_t n = a.size(), m = b.size();
  std::vector<unsigned> lcs((n + 1) * (m + 1), 0);
  for (size_t i = n; i-- > 0;)
    for (size_t j = m; j-- > 0;)
      lcs[i * (m + 1) + j] = a[i] == b[j]
                                 ? lcs[(i + 1) * (m + 1) + j + 1] + 1
                                 : std::max(lcs[(i + 1) * (m + 1) + j], lcs[i * (m + 1) + j + 1]);
  std::string out;
  auto add = [&out](char mark, std::string_view line) {
    out += mark;
    out.append(line);
    if (line.empty() || line.back() != '\n') out += "\n\\ No newline at end of file\n";
  };
  out += "--- " + std::string(path) + "\n+++ " + std::string(path) + "\n";
  // One hunk over the whole head: the rest of the document is never changed.
  out += "@@ -" + std::to_string(n ? 1 : 0) + "," + std::to_string(n) + " +" +
         std::to_string(m ? 1 : 0) + "," + std::to_string(m) + " @@\n";
  size_t i = 0, j = 0;
  while (i < n || j < m) {
    if (i < n && j < m && a[i] == b[j]) {
      add(' ', a[i++]);
      ++j;
    } else if (j < m && (i == n || lcs[i * (m + 1) + j + 1] >= lcs[(i + 1) * (m + 1) + j])) {
      add('+', b[j++]);
    } else {
      add('-', a[i++]);
    }
  }
  return out;
}

bool TakePreviewOptions(std::vector<std::string>* args, bool* dryRun, bool* diff) {
  *dryRun = *diff = false;
  std::vector<std::string> rest;
  for (std::string& a : *args) {
    if (a == "--dry-run") {
      *dryRun = true;
    } else if (a == "--diff") {
      *diff = true;
    } else {
      rest.push_back(std::move(a));
    }
  }
  *args = std::move(rest);
  return *dryRun || !*diff;  // --diff only with --dry-run
}

void StartPreview(std::FILE* out, bool diff) {
  gOut = out;
  gDiff = diff;
  SetRewritePreview(PrintPreview);
  SuppressAuditEntries(true);
}

void EndPreview() {
  SetRewritePreview(nullptr);
  SuppressAuditEntries(false);
  gOut = nullptr;
}
