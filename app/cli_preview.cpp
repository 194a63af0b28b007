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
  if (gDiff) std::fputs(UnifiedDiff(path, before, after).c_str(), gOut);
}

}  // namespace

std::string UnifiedDiff(const char* path, std::string_view before, std::string_view after) {
  std::vector<std::string_view> a = Lines(before), b = Lines(after);
  // One hunk from the first line that differs to the last, with three lines around it: the
  // lines in between are matched by their longest common subsequence when few enough (a head),
  // else shown removed and added whole (a rebuilt sitemap).
  constexpr size_t kContext = 3;
  constexpr size_t kMaxCells = 4u << 20;
  size_t head = 0, tail = 0;
  while (head < a.size() && head < b.size() && a[head] == b[head])
    ++head;
  while (tail < a.size() - head && tail < b.size() - head &&
         a[a.size() - 1 - tail] == b[b.size() - 1 - tail])
    ++tail;
  std::string out = "--- " + std::string(path) + "\n+++ " + std::string(path) + "\n";
  if (head == a.size() && head == b.size()) return out;  // the same bytes
  size_t from = head > kContext ? head - kContext : 0;
  size_t toA = a.size() - (tail > kContext ? tail - kContext : 0);
  size_t toB = b.size() - (tail > kContext ? tail - kContext : 0);
  auto range = [](size_t start, size_t count) {
    return std::to_string(count ? start + 1 : start) + "," + std::to_string(count);
  };
  out += "@@ -" + range(from, toA - from) + " +" + range(from, toB - from) + " @@\n";
  auto add = [&out](char mark, std::string_view line) {
    out += mark;
    out.append(line);
    if (line.empty() || line.back() != '\n') out += "\n\\ No newline at end of file\n";
  };
  for (size_t i = from; i < head; ++i)
    add(' ', a[i]);
  size_t n = a.size() - tail - head, m = b.size() - tail - head;
  const std::string_view* x = a.data() + head;
  const std::string_view* y = b.data() + head;
  if ((n + 1) * (m + 1) > kMaxCells) {
    for (size_t i = 0; i < n; ++i)
      add('-', x[i]);
    for (size_t j = 0; j < m; ++j)
      add('+', y[j]);
  } else {
    std::vector<unsigned> lcs((n + 1) * (m + 1), 0);
    for (size_t i = n; i-- > 0;)
      for (size_t j = m; j-- > 0;)
        lcs[i * (m + 1) + j] = x[i] == y[j]
                                   ? lcs[(i + 1) * (m + 1) + j + 1] + 1
                                   : std::max(lcs[(i + 1) * (m + 1) + j], lcs[i * (m + 1) + j + 1]);
    size_t i = 0, j = 0;
    while (i < n || j < m) {
      if (i < n && j < m && x[i] == y[j]) {
        add(' ', x[i++]);
        ++j;
      } else if (j < m && (i == n || lcs[i * (m + 1) + j + 1] >= lcs[(i + 1) * (m + 1) + j])) {
        add('+', y[j++]);
      } else {
        add('-', x[i++]);
      }
    }
  }
  for (size_t i = a.size() - tail; i < toA; ++i)
    add(' ', a[i]);
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
