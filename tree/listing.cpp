#include "tree/listing.h"

#include <cstring>
#include <iterator>
#include <string_view>

#include "config/settings.h"
#include "platform/fs.h"
#include "platform/listing.h"
#include "platform/paths.h"
#include "platform/text.h"

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

// The files of one directory that are never documents, whatever the mask: set up once per
// directory, asked for each file. Work files are noted, and those nobody will finish removed.
class NonDocuments {
 public:
  explicit NonDocuments(const std::string& dir) : dir_(dir) {
    // The sitemap page by its full path, compared here as the name it has in this directory.
    std::string_view page = Sitemapfile;
    size_t prefix = dir.size() + (dir.empty() || dir.back() == '/' ? 0 : 1);
    if (page.size() > prefix && page.compare(0, dir.size(), dir) == 0 &&
        (prefix == dir.size() || page[dir.size()] == '/') &&
        page.find('/', prefix) == std::string_view::npos)
      sitemapName_ = page.substr(prefix);
  }
  NonDocuments(const NonDocuments&) = delete;
  NonDocuments& operator=(const NonDocuments&) = delete;

  bool Excluded(std::string_view name) {
    if (name.size() == 8 && platform::EqualsNoCase(name, "meta.tag")) return true;
    if (!sitemapName_.empty() && name == sitemapName_) return true;
    if (name.empty() || name[0] != '.' || !platform::IsWorkFileName(name)) return false;
    if (platform::IsStaleWorkFile(name)) stale_.emplace_back(name);
    return true;
  }
  // After the listing: the directory is not read while its entries are removed.
  void RemoveStale() {
    for (const std::string& name : stale_)
      platform::Fs().Remove(platform::JoinPath(dir_, name));
    stale_.clear();
  }

 private:
  const std::string& dir_;
  std::string_view sitemapName_;
  std::vector<std::string> stale_;
};

// The last pattern takes the names themselves: files is used up.
void MatchDocuments(std::vector<std::string>& files, const char* mask,
                    std::vector<std::string>* names) {
  names->clear();
  ForEachMaskPattern(mask, [&](std::string_view pattern, bool last) {
    for (std::string& name : files)
      if (platform::WildcardMatch(pattern, name)) names->push_back(last ? std::move(name) : name);
  });
}

void DropNonDocuments(const std::string& dir, std::vector<std::string>* files) {
  NonDocuments non(dir);
  std::erase_if(*files, [&](const std::string& name) { return non.Excluded(name); });
  non.RemoveStale();
}

bool MatchesMask(const char* mask, std::string_view name) {
  bool wanted = false;
  ForEachMaskPattern(mask, [&](std::string_view pattern, bool) {
    wanted = wanted || platform::WildcardMatch(pattern, name);
  });
  return wanted;
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
  DropNonDocuments(dir, &all);
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
  DropNonDocuments(dir, &all);
  MatchDocuments(all, mask, documents);
  return 0;
}

int ListWalkDirectoryAt(int dirFd, const std::string& dir, const char* mask,
                        std::vector<std::string>* subdirs, std::vector<std::string>* documents,
                        std::vector<std::string>* links) {
  subdirs->clear();
  documents->clear();
  if (links) links->clear();
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
  NonDocuments non(dir);
  int rc = platform::VisitDirEntriesAt(dirFd, [&](std::string_view name, platform::EntryType type) {
    platform::EntryKind kind;
    if (!platform::ResolveEntry(dir, name, type, &kind)) return;
    if (kind.isDir) {
      if (!kind.isLink && name.find('.') == std::string_view::npos) subdirs->emplace_back(name);
    } else if (kind.isFile && !non.Excluded(name)) {
      bool wanted = false;
      if (manyPatterns) {
        wanted = MatchesMask(mask, name);
      } else {
        for (int i = 0; i < patternCount && !wanted; ++i)
          wanted = platform::WildcardMatch(patterns[i], name);
      }
      if (wanted) {
        files.emplace_back(name);
        if (links && kind.isLink) links->emplace_back(name);
      }
    }
  });
  non.RemoveStale();
  if (rc != 0) {
    subdirs->clear();
    if (links) links->clear();
    return -1;
  }
  platform::SortNamesNoCase(subdirs);
  platform::SortNamesNoCase(&files);
  if (links) platform::SortNamesNoCase(links);
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
  NonDocuments non(dir);
  int rc = platform::VisitDirEntriesAt(fd, [&](std::string_view name, platform::EntryType type) {
    platform::EntryKind kind;
    if (!platform::ResolveEntry(dir, name, type, &kind)) return;
    if (kind.isDir) {
      if (!kind.isLink && name.find('.') == std::string_view::npos) subdirs->emplace_back(name);
    } else if (kind.isFile && !non.Excluded(name)) {
      ForEachMaskPattern(mask, [&](std::string_view pattern, bool) {
        *documents += platform::WildcardMatch(pattern, name);
      });
    }
  });
  platform::Fs().Close(fd);
  non.RemoveStale();
  if (rc != 0) {
    subdirs->clear();
    *documents = 0;
  }
  return rc;
}

bool IsWalkDocument(const std::string& dir, std::string_view name, const char* mask) {
  NonDocuments non(dir);
  bool excluded = non.Excluded(name);  // never removes: only a listing does
  return !excluded && MatchesMask(mask, name);
}
