// Directory listing with Windows wildcard meaning, case-insensitive and sorted.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/fs.h"

namespace platform {

// True when name matches one wildcard pattern ("*", "?", "*.htm*", "*." = no dot in the name),
// without regard to case.
bool WildcardMatch(std::string_view pattern, std::string_view name);

// Splits "a;b;c" into its non-empty patterns (blanks around each removed).
std::vector<std::string> SplitPatterns(std::string_view patterns);

// True when name matches any pattern of a ";"-separated list.
bool MatchesAnyPattern(std::string_view patterns, std::string_view name);

// Sorts names by name without regard to case (byte order breaks ties).
void SortNamesNoCase(std::vector<std::string>* names);

// What an entry of dir is, from the type its listing gave: only a symbolic link or an entry of
// unknown type is looked up again. False when the entry has vanished or is a dangling link.
struct EntryKind {
  bool isDir = false;
  bool isFile = false;  // a regular file
  bool isLink = false;
};
bool ResolveEntry(const std::string& dir, std::string_view name, EntryType type, EntryKind* kind);

struct DirEntry {
  std::string name;
  bool isLink = false;  // a symbolic link (to a directory, in the subdirectory list)
};

// Lists dir: every subdirectory (sorted), and the regular files matching the patterns, pattern
// by pattern in the order given, each group sorted (a pattern given twice lists its files twice).
// Either output may be null. 0, or -1 when the directory cannot be read.
int ListDirectory(const std::string& dir, std::string_view patterns, std::vector<DirEntry>* subdirs,
                  std::vector<std::string>* files);

// ListDirectory for the directory dir, open as dirFd (see FileSystem::OpenDir).
int ListDirectoryAt(int dirFd, const std::string& dir, std::string_view patterns,
                    std::vector<DirEntry>* subdirs, std::vector<std::string>* files);

// The subdirectories and regular files ListDirectory would list (every regular file), in no
// particular order. Either output may be null. 0, or -1 when the directory cannot be read.
int ListDirectoryUnsorted(const std::string& dir, std::vector<DirEntry>* subdirs,
                          std::vector<std::string>* files);

}  // namespace platform
