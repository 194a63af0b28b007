// The two listings of a directory that every walk of the document tree uses.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// The subdirectories a walk enters, sorted: names without a dot (so neither "old.site" nor
// ".git"), and never a symbolic link (a link back up the tree would never end). 0, or -1 when
// the directory cannot be read.
int ListWalkSubdirectories(const std::string& dir, std::vector<std::string>* names);

// The documents of a directory for the mask ("*.htm*;*.php"): for each pattern in the order
// written, the regular files it matches, sorted; a file matching two patterns is listed twice.
// Whatever the mask, a walk never takes a tree-tag file (meta.tag in any case), a work file or
// the site's sitemap page (Sitemapfile) for a document. Work files left behind by runs that are
// gone are removed on the way (see platform::IsStaleWorkFile); no other file is touched.
// 0, or -1 when the directory cannot be read.
int ListWalkDocuments(const std::string& dir, const char* mask, std::vector<std::string>* names);

// Both listings from one read of the directory. 0, or -1 when it cannot be read.
int ListWalkDirectory(const std::string& dir, const char* mask, std::vector<std::string>* subdirs,
                      std::vector<std::string>* documents);

// ListWalkDirectory for the directory dir, open as dirFd (see platform::FileSystem::OpenDir).
// links, when given, receives the documents that are symbolic links, sorted, each once.
int ListWalkDirectoryAt(int dirFd, const std::string& dir, const char* mask,
                        std::vector<std::string>* subdirs, std::vector<std::string>* documents,
                        std::vector<std::string>* links = nullptr);

// For counting: the subdirectories a walk enters, as ListWalkSubdirectories lists them but in no
// particular order, and the number of documents ListWalkDocuments would list. 0, or -1 when the
// directory cannot be read.
int CountWalkDirectory(const std::string& dir, const char* mask, std::vector<std::string>* subdirs,
                       int* documents);

// Whether a regular file called name in dir is one of the documents the listings give for the
// mask (at least once).
bool IsWalkDocument(const std::string& dir, std::string_view name, const char* mask);
