#include "platform/listing.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "platform/fs.h"
#include "platform/paths.h"
#include "platform/text.h"

namespace platform {

namespace {

constexpr auto kLowerTable = [] {
  std::array<char, 256> table{};
  for (int c = 0; c < 256; ++c)
    table[static_cast<size_t>(c)] = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return table;
}();

char Lower(char c) {
  return kLowerTable[static_cast<unsigned char>(c)];
}

char Upper(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
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

// The first eight bytes of a name, lower-cased, as a number that orders like CompareNoCase
// does on them; zero after the end of a shorter name.
uint64_t NamePrefixKey(std::string_view name) {
  uint64_t key = 0;
  size_t n = name.size() < 8 ? name.size() : 8;
  for (size_t i = 0; i < n; ++i)
    key = key << 8 | static_cast<unsigned char>(Lower(name[i]));
  return n == 0 ? 0 : key << (8 * (8 - n));
}

}  // namespace

namespace {

bool HasWildcard(std::string_view text) {
  for (char c : text)
    if (c == '*' || c == '?') return true;
  return false;
}

bool EqualNoCaseAt(std::string_view name, size_t at, std::string_view literal) {
  for (size_t i = 0; i < literal.size(); ++i)
    if (Lower(name[at + i]) != Lower(literal[i])) return false;
  return true;
}

bool ContainsNoCase(std::string_view name, std::string_view literal) {
  char first = Lower(literal[0]);
  size_t last = name.size() - literal.size();  // the last place the literal fits
  if (first == Upper(first)) {
    // A first byte without case (".htm"): straight to each place it stands.
    for (size_t at = name.find(first); at <= last; at = name.find(first, at + 1))
      if (EqualNoCaseAt(name, at + 1, literal.substr(1))) return true;
    return false;
  }
  for (size_t at = 0; at <= last; ++at)
    if (Lower(name[at]) == first && EqualNoCaseAt(name, at + 1, literal.substr(1))) return true;
  return false;
}

}  // namespace

bool WildcardMatch(std::string_view pattern, std::string_view name) {
  if (pattern == "*" || pattern == "*.*") return true;
  // Masks are mostly "*.htm*" or "*.php": a text anywhere in the name, or at its end. These
  // are answered without the general walk, which every document of a site goes through.
  if (pattern.size() > 1 && pattern[0] == '*' && pattern.back() != '.') {
    bool anywhere = pattern.size() > 2 && pattern.back() == '*';
    std::string_view literal = pattern.substr(1, pattern.size() - (anywhere ? 2 : 1));
    if (!HasWildcard(literal)) {
      if (name.size() < literal.size()) return false;
      if (!anywhere) return EqualNoCaseAt(name, name.size() - literal.size(), literal);
      return ContainsNoCase(name, literal);
    }
  }
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

bool ResolveEntry(const std::string& dir, std::string_view name, EntryType type, EntryKind* kind) {
  kind->isDir = type == EntryType::Dir;
  kind->isFile = type == EntryType::File;
  kind->isLink = type == EntryType::Link;
  // Only links and file systems that do not say need another look: a walk over a large site
  // lists tens of thousands of entries.
  if (type != EntryType::Link && type != EntryType::Unknown) return true;
  std::string full = JoinPath(dir, name);
  FileInfo info;
  if (Fs().Stat(full, &info) != 0) return false;  // dangling link or vanished
  kind->isDir = info.isDir;
  kind->isFile = info.isRegular;
  if (type == EntryType::Unknown) {
    FileInfo link;
    kind->isLink = Fs().LinkStat(full, &link) == 0 && link.isLink;
  }
  return true;
}

void SortNamesNoCase(std::vector<std::string>* names) {
  // Through keys: the first sixteen bytes, lower-cased, decide most comparisons without touching
  // the names; names of one site often share their first eight.
  struct Key {
    uint64_t first, second;
    uint32_t index;
  };
  std::vector<Key> order(names->size());
  for (size_t i = 0; i < names->size(); ++i) {
    std::string_view name = (*names)[i];
    order[i] = {NamePrefixKey(name), NamePrefixKey(name.size() > 8 ? name.substr(8) : ""),
                static_cast<uint32_t>(i)};
  }
  std::sort(order.begin(), order.end(), [names](const Key& a, const Key& b) {
    if (a.first != b.first) return a.first < b.first;
    if (a.second != b.second) return a.second < b.second;
    const std::string& x = (*names)[a.index];
    const std::string& y = (*names)[b.index];
    int c = CompareNoCase(x, y);
    return c != 0 ? c < 0 : x < y;
  });
  std::vector<std::string> sorted;
  sorted.reserve(names->size());
  for (const Key& k : order)
    sorted.push_back(std::move((*names)[k.index]));
  names->swap(sorted);
}

namespace {

// Sorts the entries as ListDirectory lists them. Through keys: the first eight bytes,
// lower-cased, decide most comparisons without touching the names.
void SortEntries(std::vector<RawDirEntry>* entries) {
  struct Key {
    uint64_t prefix;
    uint32_t index;
  };
  std::vector<Key> order(entries->size());
  for (size_t i = 0; i < entries->size(); ++i)
    order[i] = {NamePrefixKey((*entries)[i].name), static_cast<uint32_t>(i)};
  std::sort(order.begin(), order.end(), [entries](const Key& a, const Key& b) {
    if (a.prefix != b.prefix) return a.prefix < b.prefix;
    const std::string& x = (*entries)[a.index].name;
    const std::string& y = (*entries)[b.index].name;
    int c = CompareNoCase(x, y);
    return c != 0 ? c < 0 : x < y;
  });
  std::vector<RawDirEntry> sorted;
  sorted.reserve(entries->size());
  for (const Key& k : order)
    sorted.push_back(std::move((*entries)[k.index]));
  entries->swap(sorted);
}

// Splits entries, in their order, into subdirectories and regular files.
void SplitEntries(const std::string& dir, std::vector<RawDirEntry>& entries,
                  std::vector<DirEntry>* subdirs, std::vector<std::string>* files) {
  for (RawDirEntry& e : entries) {
    EntryKind kind;
    if (!ResolveEntry(dir, e.name, e.type, &kind)) continue;
    if (kind.isDir) {
      if (subdirs) subdirs->push_back({std::move(e.name), kind.isLink});
    } else if (kind.isFile && files) {
      files->push_back(std::move(e.name));
    }
  }
}

}  // namespace

namespace {

// Sorts and splits the entries of dir and keeps the regular files the patterns match, as
// ListDirectory lists them.
void ArrangeEntries(const std::string& dir, std::vector<RawDirEntry>& entries,
                    std::string_view patterns, std::vector<DirEntry>* subdirs,
                    std::vector<std::string>* files) {
  SortEntries(&entries);
  std::vector<std::string> regular;
  SplitEntries(dir, entries, subdirs, files ? &regular : nullptr);
  if (files) {
    std::vector<std::string> split = SplitPatterns(patterns);
    for (size_t p = 0; p < split.size(); ++p) {
      bool last = p + 1 == split.size();  // the last group may take the names themselves
      for (std::string& name : regular)
        if (WildcardMatch(split[p], name)) files->push_back(last ? std::move(name) : name);
    }
  }
}

}  // namespace

int ListDirectory(const std::string& dir, std::string_view patterns, std::vector<DirEntry>* subdirs,
                  std::vector<std::string>* files) {
  if (subdirs) subdirs->clear();
  if (files) files->clear();
  std::vector<RawDirEntry> entries;
  if (Fs().ListDirEntries(dir, &entries) != 0) return -1;
  ArrangeEntries(dir, entries, patterns, subdirs, files);
  return 0;
}

int ListDirectoryAt(int dirFd, const std::string& dir, std::string_view patterns,
                    std::vector<DirEntry>* subdirs, std::vector<std::string>* files) {
  if (subdirs) subdirs->clear();
  if (files) files->clear();
  std::vector<RawDirEntry> entries;
  if (Fs().ListDirEntriesAt(dirFd, &entries) != 0) return -1;
  ArrangeEntries(dir, entries, patterns, subdirs, files);
  return 0;
}

int ListDirectoryUnsorted(const std::string& dir, std::vector<DirEntry>* subdirs,
                          std::vector<std::string>* files) {
  if (subdirs) subdirs->clear();
  if (files) files->clear();
  std::vector<RawDirEntry> entries;
  if (Fs().ListDirEntries(dir, &entries) != 0) return -1;
  SplitEntries(dir, entries, subdirs, files);
  return 0;
}

}  // namespace platform
