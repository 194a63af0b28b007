// Tree tags (the per-directory meta.tag files) and their merge into documents under the
// business rules.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/page_tags.h"
#include "platform/ui.h"

constexpr int MaxTreeDepth = 50;     // levels 1 to 49 are used; the tree root is level 1
constexpr int kLevelStoreTags = 48;  // tree tags of one directory during a walk
constexpr int kPathTreeTags = 96;    // tree tags along one path for a single-document inherit
constexpr int kMergeIndexSize = 511;

struct LevelEntry {
  TagRecord* tags;  // the records of that level (owned by whoever filled the level)
  int count;
};
extern LevelEntry LevelTable[MaxTreeDepth];
extern int Rlevel;

struct MergeEntry {
  TagRecord* record;
  uint32_t sequence;
  uint32_t marks;  // 1 inherited, 2 duplicate allowed
};
extern MergeEntry MergeIndex[kMergeIndexSize];
extern int MergeCount;

enum : uint32_t {
  kMarkInherited = 1,
  kMarkDuplicateAllowed = 2,
};

// strategy bits.
enum : int {
  kRulesInheritedMask = 3,  // 0 never, 1 when flagged in the schema, 2 (or 3) any
  kRulesPageMask = 12,      // the same for the page's own tags, shifted by 2
  kRulesRootPriority = 16,
  kRulesPreserve = 32,
  kRulesAll = 63,  // every rule bit
};

// The name of a tree-tag file (found whatever its case on disk) and its skeleton.
constexpr const char kTreeTagName[] = "meta.tag";
constexpr const char kTreeTagSkeleton[] = "<HEAD>\n</HEAD>\n";

// Creates "meta.tag" with the 15-byte skeleton in the current directory unless one exists.
// 0, or a negative value when it cannot be created (the user is told).
int CreateTreeTagFile();

// Merges the tree tags along the document's path into the page tag table, which holds the
// document's current tags; nothing is written. 0 or -1; after -1 the table holds the
// document's own tags again.
int InheritIntoDocument(platform::WindowHandle window, const char* documentPath);

// Merges one document: mode 0 reads, merges and rewrites its head; mode 1 merges the page tag
// table into MergeIndex only; mode 2 reads, merges and links the inherited style sheet.
// Rlevel and LevelTable describe the document's directory. 0 or -1 (nothing written).
// directoryFd, when >= 0, is directory open (platform::FileSystem::OpenDir): the document is
// then opened through it.
int MergeDocument(platform::WindowHandle window, const char* directory, const char* fileName,
                  int mode, int directoryFd = -1);

// For the inherit walk: reads the tree tags of directory into store and makes them the tags of
// that level in LevelTable. 0; -1 when the file cannot be read ("M201"); -2 when it holds more
// tags than one level keeps ("M202"). After a failure the level has no tags.
int LoadLevelTags(platform::WindowHandle window, const char* directory, int level,
                  TagRecord store[kLevelStoreTags]);

// Appends the tree tags of levels 1 to Rlevel, root first, to MergeIndex with the next sequence
// numbers and marks 1. 0, or -1 when the index is full (the tags that fit were added).
int AddTreeTagsToIndex();

// Empties the level table, the merge index and Rlevel.
void ResetTreeTags();

// How the single-document inherit takes its save area: storage for count records from new[],
// or nullptr when there is none. Tests install a failing one; nullptr restores the default.
using SaveAreaAllocator = TagRecord* (*)(size_t count);
SaveAreaAllocator SetSaveAreaAllocator(SaveAreaAllocator allocator);
