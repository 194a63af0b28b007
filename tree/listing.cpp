#include "tree/listing.h"

#include <string_view>

#include "platform/listing.h"

namespace {

void KeepWalkSubdirectories(std::vector<platform::DirEntry>& entries,
                            std::vector<std::string>* names) {
  names->clear();
  for (platform::DirEntry& e : entries) {
    if (e.isLink || e.name.find('.') != std::string::npos) continue;
    names->push_back(std::move(e.name));
  }
}

// Calls f(pattern, last) for each non-empty pattern of the mask, in the order written. Patterns
// are taken exactly as written: a blank after ";" belongs to the next pattern.
template <typename F>
void ForEachMaskPattern(const char* mask, F&& f) {
  std::string_view rest = mask;
  for (;;) {
    size_t semi = rest.find(';');
    bool last = semi == std::string_view::npos;
    std::string_view pattern = rest.substr(0, semi);
    if (!pattern.empty()) f(pattern, last);
    if (last) break;
    rest.remove_prefix(semi + 1);
  }
}

// The last pattern takes the names themselves: files is used up.
void MatchDocuments(std::vector<std::string>& files, const char* mask,
                    std::vector<std::string>* names) {
  names->clear();
  ForEachMaskPattern(mask, [&](std::string_view pattern, bool last) {
    for (std::string& name : files)
      if (platform::WildcardMatch(pattern, name)) names->push_back(last ? std::move(name) : name);
  });
}

}  // namespace

int ListWalkSubdirectories(const std::string& dir, std::vector<std::string>* names) {
  names->clear();
  std::vector<platform::DirEntry> subdirs;
  if (platform::ListDirectory(dir, "", &subdirs, nullptr) != 0) return -1;
  KeepWalkSubdirectories(subdirs, names);
  return 0;
}

int ListWalkDocuments(const std::string& dir, const char* mask, std::vector<std::string>* names) {
  names->clear();
  std::vector<std::string> all;
  if (platform::ListDirectory(dir, "*", nullptr, &all) != 0) return -1;
  MatchDocuments(all, mask, names);
  return 0;
}

int ListWalkDirectory(const std::string& dir, const char* mask, std::vector<std::string>* subdirs,
                      std::vector<std::string>* documents) {
  std::vector<platform::DirEntry> dirs;
  std::vector<std::string> all;
  subdirs->clear();
  documents->clear();
  if (platform::ListDirectory(dir, "*", &dirs, &all) != 0) return -1;
  KeepWalkSubdirectories(dirs, subdirs);
  MatchDocuments(all, mask, documents);
  return 0;
}

int ListWalkDirectoryAt(int dirFd, const std::string& dir, const char* mask,
                        std::vector<std::string>* subdirs, std::vector<std::string>* documents) {
  std::vector<platform::DirEntry> dirs;
  std::vector<std::string> all;
  subdirs->clear();
  documents->clear();
  if (platform::ListDirectoryAt(dirFd, dir, "*", &dirs, &all) != 0) return -1;
  KeepWalkSubdirectories(dirs, subdirs);
  MatchDocuments(all, mask, documents);
  return 0;
}

int CountWalkDirectory(const std::string& dir, const char* mask, std::vector<std::string>* subdirs,
                       int* documents) {
  std::vector<platform::DirEntry> dirs;
  std::vector<std::string> files;
  subdirs->clear();
  *documents = 0;
  if (platform::ListDirectoryUnsorted(dir, &dirs, &files) != 0) return -1;
  KeepWalkSubdirectories(dirs, subdirs);
  platform::SortNamesNoCase(subdirs);
  ForEachMaskPattern(mask, [&](std::string_view pattern, bool) {
    for (const std::string& name : files)
      *documents += platform::WildcardMatch(pattern, name);
  });
  return 0;
}
