#include "platform/listing.h"

#include <algorithm>

#include "platform/fs.h"
#include "platform/paths.h"
#include "platform/text.h"

namespace platform {

namespace {

char Lower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Iterative glob with backtracking over the last "*": linear for the patterns in use.
bool Glob(std::string_view p, std::string_view s) {
  size_t pi = 0, si = 0, starP = std::string_view::npos, starS = 0;
  while (si < s.size()) {
    if (pi < p.size() && (p[pi] == '?' || Lower(p[pi]) == Lower(s[si]))) {
      ++pi;
      ++si;
    } else if (pi < p.size() && p[pi] == '*') {
      starP = pi++;
      starS = si;
    } else if (starP != std::string_view::npos) {
      pi = starP + 1;
      si = ++starS;
    } else {
      return false;
    }
  }
  while (pi < p.size() && p[pi] == '*')
    ++pi;
  return pi == p.size();
}

}  // namespace

bool WildcardMatch(std::string_view pattern, std::string_view name) {
  if (pattern == "*" || pattern == "*.*") return true;
  // A trailing dot asks for names without an extension.
  if (pattern.size() > 1 && pattern.back() == '.' && pattern != "..") {
    if (name.find('.') != std::string_view::npos) return false;
    return Glob(pattern.substr(0, pattern.size() - 1), name);
  }
  return Glob(pattern, name);
}

std::vector<std::string> SplitPatterns(std::string_view patterns) {
  std::vector<std::string> out;
  while (!patterns.empty()) {
    size_t semi = patterns.find(';');
    std::string_view one = TrimBlanks(patterns.substr(0, semi));
    if (!one.empty()) out.emplace_back(one);
    if (semi == std::string_view::npos) break;
    patterns.remove_prefix(semi + 1);
  }
  return out;
}

bool MatchesAnyPattern(std::string_view patterns, std::string_view name) {
  for (const std::string& p : SplitPatterns(patterns))
    if (WildcardMatch(p, name)) return true;
  return false;
}

void SortNamesNoCase(std::vector<std::string>* names) {
  std::sort(names->begin(), names->end(), [](const std::string& a, const std::string& b) {
    int c = CompareNoCase(a, b);
    return c != 0 ? c < 0 : a < b;
  });
}

int ListDirectory(const std::string& dir, std::string_view patterns, std::vector<DirEntry>* subdirs,
                  std::vector<std::string>* files) {
  if (subdirs) subdirs->clear();
  if (files) files->clear();
  std::vector<RawDirEntry> entries;
  if (Fs().ListDirEntries(dir, &entries) != 0) return -1;
  std::sort(entries.begin(), entries.end(), [](const RawDirEntry& a, const RawDirEntry& b) {
    int c = CompareNoCase(a.name, b.name);
    return c != 0 ? c < 0 : a.name < b.name;
  });
  std::vector<std::string> regular;
  for (RawDirEntry& e : entries) {
    bool isDir = e.type == EntryType::Dir;
    bool isFile = e.type == EntryType::File;
    bool isLink = e.type == EntryType::Link;
    // Only links and file systems that do not say need another look: a walk over a large
    // site lists tens of thousands of entries.
    if (e.type == EntryType::Link || e.type == EntryType::Unknown) {
      std::string full = JoinPath(dir, e.name);
      FileInfo info;
      if (Fs().Stat(full, &info) != 0) continue;  // dangling link or vanished
      isDir = info.isDir;
      isFile = info.isRegular;
      if (e.type == EntryType::Unknown) {
        FileInfo link;
        isLink = Fs().LinkStat(full, &link) == 0 && link.isLink;
      }
    }
    if (isDir) {
      if (subdirs) subdirs->push_back({std::move(e.name), isLink});
    } else if (isFile && files) {
      regular.push_back(std::move(e.name));
    }
  }
  if (files) {
    for (const std::string& p : SplitPatterns(patterns))
      for (const std::string& name : regular)
        if (WildcardMatch(p, name)) files->push_back(name);
  }
  return 0;
}

}  // namespace platform
