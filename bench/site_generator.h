// Synthetic document trees for the benchmarks.
#pragma once

#include <string>

struct SiteShape {
  int documents = 20000;
  int branching = 8;  // subdirectories per directory
  int depth = 3;      // directory levels below the root
  unsigned seed = 1;
};

// Writes a site of shape.documents documents below root (created if missing): realistic heads
// in both markup styles, CR LF and LF line ends, bodies of a few kilobytes, a tree-tag file in
// every directory and META.TAG at the root. Returns the number of documents written, -1 on error.
int GenerateSite(const std::string& root, const SiteShape& shape);
