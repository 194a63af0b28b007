#include "tree/listing.h"

#include <cstring>

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

// Patterns are taken exactly as written: a blank after ";" belongs to the next pattern.
void MatchDocuments(const std::vector<std::string>& files, const char* mask,
                    std::vector<std::string>* names) {
  names->clear();
  const char* p = mask;
  for (;;) {
    const char* semi = std::strchr(p, ';');
    std::string pattern = semi ? std::string(p, static_cast<size_t>(semi - p)) : std::string(p);
    if (!pattern.empty()) {
      for (const std::string& name : files)
        if (platform::WildcardMatch(pattern, name)) names->push_back(name);
    }
    if (!semi) break;
    p = semi + 1;
  }
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
