// Any page tags and tree tags under any rules merge into an index of at most 511 entries,
// sorted by name then value, without two equal tags, taken only from the tags given; with
// duplicates allowed for both kinds every distinct tag survives.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <utility>

#include "config/settings.h"
#include "engine/page_tags.h"
#include "platform/headless/headless_ui.h"
#include "platform/text.h"
#include "schema/schema.h"
#include "tree/tree_tags.h"

namespace {

constexpr int kLevels = 12;
TagRecord gStores[kLevels][kLevelStoreTags];

struct Harness {
  Harness() {
    ResetSettings();
    AppOptions |= kOptNoMajorErrorLog;
    platform::DefaultHeadlessUi().SetEcho(nullptr);
    MaxPageTags = 600;
    if (ReservePageTags() != 0 || ReserveSchemaTables() != 0) std::abort();
  }
};

// Input: one byte of rules, then records of a byte (level: 0 is the page), a name and a value,
// the texts ended by a NUL byte. Short texts, so that names clash often.
struct Input {
  const uint8_t* at;
  const uint8_t* end;
  bool Text(char* out, size_t cap) {
    size_t n = 0;
    while (at < end && *at != 0) {
      if (n + 1 < cap) out[n++] = static_cast<char>(*at);
      ++at;
    }
    if (at < end) ++at;
    out[n] = '\0';
    return true;
  }
};

using Tag = std::pair<std::string, std::string>;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Harness h;
  if (size < 1) return 0;
  strategy = data[0] & 63;
  ResetTreeTags();
  ResetPageTags();
  Input in{data + 1, data + size};
  std::set<Tag> given;
  int top = 0;
  while (in.at < in.end) {
    int level = *in.at++ % kLevels;
    TagRecord r{};
    in.Text(r.name, 4);
    in.Text(r.value, 4);
    if (level == 0) {
      if (AppendPageTag(r.name, r.value, 0) != 0) break;
    } else {
      LevelEntry& e = LevelTable[level];
      if (e.count == kLevelStoreTags) continue;
      e.tags = gStores[level];
      gStores[level][e.count++] = r;
      top = level > top ? level : top;
    }
    given.emplace(r.name, r.value);
  }
  Rlevel = top;
  int rc = MergeDocument(nullptr, "/nonexistent", "doc.htm", 1);
  if (MergeCount < 0 || MergeCount > kMergeIndexSize) std::abort();
  if (rc != 0) return 0;
  std::set<Tag> merged;
  for (int i = 0; i < MergeCount; ++i) {
    const TagRecord& r = *MergeIndex[i].record;
    Tag t(r.name, r.value);
    if (!given.count(t)) std::abort();
    if (!merged.insert(t).second) std::abort();
    if (i > 0) {
      const TagRecord& p = *MergeIndex[i - 1].record;
      int c = std::strcmp(p.name, r.name);
      if (c > 0 || (c == 0 && std::strcmp(p.value, r.value) >= 0)) std::abort();
    }
  }
  bool anyAllowed = (strategy & kRulesInheritedMask) >= 2 && (strategy & kRulesPageMask) >= 8;
  if (anyAllowed && merged != given) std::abort();
  // Every name given is kept at least once.
  std::set<std::string> names, mergedNames;
  for (const Tag& t : given)
    names.insert(t.first);
  for (const Tag& t : merged)
    mergedNames.insert(t.first);
  if (names != mergedNames) std::abort();
  return 0;
}
