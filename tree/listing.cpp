#include "tree/listing.h"

#include <cstring>

#include "platform/listing.h"

int ListWalkSubdirectories(const std::string& dir, std::vector<std::string>* names) {
  names->clear();
  std::vector<platform::DirEntry> subdirs;
  if (platform::ListDirectory(dir, "", &subdirs, nullptr) != 0) return -1;
  for (platform::DirEntry& e : subdirs) {
    if (e.isLink || e.name.find('.') != std::string::npos) continue;
    names->push_back(std::move(e.name));
  }
  return 0;
}

int ListWalkDocuments(const std::string& dir, const char* mask, std::vector<std::string>* names) {
  // Patterns are taken exactly as written: a blank after ";" belongs to the next pattern.
  names->clear();
  std::vector<std::string> all;
  if (platform::ListDirectory(dir, "*", nullptr, &all) != 0) return -1;
  const char* p = mask;
  for (;;) {
    const char* semi = std::strchr(p, ';');
    std::string pattern = semi ? std::string(p, static_cast<size_t>(semi - p)) : std::string(p);
    if (!pattern.empty()) {
      for (const std::string& name : all)
        if (platform::WildcardMatch(pattern, name)) names->push_back(name);
    }
    if (!semi) break;
    p = semi + 1;
  }
  return 0;
}
