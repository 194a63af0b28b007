#include "engine/doc_tally.h"

#include <vector>

#include "platform/text.h"

DocumentTally gTally;

namespace {

// Only the first documents are named: a site with thousands of bad pages gets a count, not a
// listing that buries the summary.
constexpr size_t kNamed = 20;

struct Named {
  std::vector<std::string> lines;
  int more = 0;
  void Add(const char* path, const char* why) {
    if (lines.size() < kNamed)
      lines.push_back(platform::Format("  %s: %s", path ? path : "", why ? why : ""));
    else
      ++more;
  }
  void Clear() {
    lines.clear();
    more = 0;
  }
};
Named gSkippedNames, gFailedNames;

void AppendNamed(std::string* out, const char* heading, const Named& named) {
  if (named.lines.empty()) return;
  *out += heading;
  for (const std::string& line : named.lines)
    *out += "\n" + line;
  if (named.more > 0) *out += platform::Format("\n  ... and %d more", named.more);
}

}  // namespace

void ResetDocumentTally() {
  gTally = DocumentTally{};
  gSkippedNames.Clear();
  gFailedNames.Clear();
}

void NoteDocumentChanged() {
  ++gTally.changed;
}

void NoteDocumentUnchanged() {
  ++gTally.unchanged;
}

void NoteDocumentSkipped(const char* path, const char* why) {
  ++gTally.skipped;
  gSkippedNames.Add(path, why);
}

void NoteDocumentFailed(const char* path, const char* why) {
  ++gTally.failed;
  gFailedNames.Add(path, why);
}

std::string DocumentTallySummary() {
  std::string out =
      platform::Format("%d changed, %d unchanged, %d skipped, %d failed", gTally.changed,
                       gTally.unchanged, gTally.skipped, gTally.failed);
  AppendNamed(&out, "\nSkipped:", gSkippedNames);
  AppendNamed(&out, "\nFailed:", gFailedNames);
  return out;
}
