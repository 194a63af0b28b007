#include "tree/listing.h"

#include <iterator>
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
  subdirs->clear();
  documents->clear();
  // Straight from the listing, keeping only the names the walk uses; sorted afterwards as a
  // sorted listing gives them.
  std::vector<std::string> files;
  files.reserve(64);
  // The mask is split once, not for every entry.
  std::string_view patterns[8];
  int patternCount = 0;
  bool manyPatterns = false;
  ForEachMaskPattern(mask, [&](std::string_view pattern, bool) {
    if (patternCount < static_cast<int>(std::size(patterns)))
      patterns[patternCount++] = pattern;
    else
      manyPatterns = true;
  });
  int rc = platform::VisitDirEntriesAt(dirFd, [&](std::string_view name, platform::EntryType type) {
    platform::EntryKind kind;
    if (!platform::ResolveEntry(dir, name, type, &kind)) return;
    if (kind.isDir) {
      if (!kind.isLink && name.find('.') == std::string_view::npos) subdirs->emplace_back(name);
    } else if (kind.isFile) {
      bool wanted = false;
      if (manyPatterns) {
        ForEachMaskPattern(mask, [&](std::string_view pattern, bool) {
          wanted = wanted || platform::WildcardMatch(pattern, name);
        });
      } else {
        for (int i = 0; i < patternCount && !wanted; ++i)
          wanted = platform::WildcardMatch(patterns[i], name);
      }
      if (wanted) files.emplace_back(name);
    }
  });
  if (rc != 0) {
    subdirs->clear();
    return -1;
  }
  platform::SortNamesNoCase(subdirs);
  platform::SortNamesNoCase(&files);
  if (patternCount == 1 && !manyPatterns)
    documents->swap(files);  // already matched
  else
    MatchDocuments(files, mask, documents);
  return 0;
}

int CountWalkDirectory(const std::string& dir, const char* mask, std::vector<std::string>* subdirs,
                       int* documents) {
  subdirs->clear();
  *documents = 0;
  // Straight from the listing: no name is kept but those of the subdirectories. Opened and read
  // as the walk opens and reads a directory.
  int fd = platform::Fs().OpenDir(dir);
  if (fd < 0) return -1;
  int rc = platform::VisitDirEntriesAt(fd, [&](std::string_view name, platform::EntryType type) {
    platform::EntryKind kind;
    if (!platform::ResolveEntry(dir, name, type, &kind)) return;
    if (kind.isDir) {
      if (!kind.isLink && name.find('.') == std::string_view::npos) subdirs->emplace_back(name);
    } else if (kind.isFile) {
      ForEachMaskPattern(mask, [&](std::string_view pattern, bool) {
        *documents += platform::WildcardMatch(pattern, name);
      });
    }
  });
  platform::Fs().Close(fd);
  if (rc != 0) {
    subdirs->clear();
    *documents = 0;
  }
  return rc;
}
