// The page tag table: the tags of the one document being worked on.
#pragma once

#include <cstddef>
#include <cstdint>

struct TagRecord {
  char name[32];    // at most 31 characters
  char value[1024]; // at most 1023 characters
  uint32_t flags;   // copy of the schema entry's flags; 0 when the name is not in the schema
};

extern TagRecord* PageTags;  // MaxPageTags records; record Tagcount is the staging slot
extern int Tagcount;
extern TagRecord StampTag;   // the generator stamp "$RUZOZAZEZO"
extern char EdBuffer[4096];  // the stamp's rendered markup

// Reserves the table in the size MaxPageTags fixes (releasing an earlier one). 0 or -1.
int ReservePageTags();
void ReleasePageTags();

// Empties the table (the records are not cleared).
inline void ResetPageTags() { Tagcount = 0; }

// Appends a record through the staging slot, truncating name and value at their capacities.
// 0, or -1 when the table is full (Tagcount is then as before; no message is shown).
int AppendPageTag(const char* name, const char* value, uint32_t flags);

// Replaces the value of the first tag of that name, or appends the tag with flags 0.
void SetAutoTag(const char* name, const char* value);
