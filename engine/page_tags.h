// The page tag table: the tags of the one document being worked on.
#pragma once

#include <cstddef>
#include <cstdint>

struct TagRecord {
  char name[32];     // at most 31 characters
  char value[1024];  // at most 1023 characters
  uint32_t flags;    // copy of the schema entry's flags; 0 when the name is not in the schema
};

// The attribute a tag stood with in its document, kept above the schema's bits of a record's
// flags. A tag with neither (inherited, added, put) is written as the markup options say.
constexpr uint32_t TF_KIND_NAME = 0x100;
constexpr uint32_t TF_KIND_HTTP_EQUIV = 0x200;
constexpr uint32_t TF_KIND_MASK = TF_KIND_NAME | TF_KIND_HTTP_EQUIV;

extern TagRecord* PageTags;  // MaxPageTags records; record Tagcount is the staging slot
extern int Tagcount;
// The coded report of a table that has no room for another tag ("M053:...").
extern const char kTableFullReport[];
extern TagRecord StampTag;   // the generator stamp "$RUZOZAZEZO"
extern char EdBuffer[4096];  // the stamp's rendered markup

// Reserves the table in the size MaxPageTags fixes (releasing an earlier one) and sets the
// stamp record's name and flags. 0 or -1 (MaxPageTags below 1, or no memory).
int ReservePageTags();
void ReleasePageTags();

// Sets StampTag to the name "$RUZOZAZEZO", flags 0 and an empty value.
void InitStampTag();

// The most tags the reserved table holds: one record less than reserved (the staging slot).
int PageTagCapacity();

// Empties the table (the records are not cleared).
inline void ResetPageTags() {
  Tagcount = 0;
}

// Appends a record through the staging slot, truncating name and value at their capacities.
// 0, or -1 when the table is full (Tagcount is then as before; no message is shown).
int AppendPageTag(const char* name, const char* value, uint32_t flags);

// The record at index Tagcount, where the next tag is built, or nullptr when there is none.
TagRecord* StagingSlot();
// Counts a tag that a read passed over instead of storing it (see TagNameFilter): it takes room
// in the table as if it were there, so the table fills up just as a full read fills it. 0, or
// -1 when it would not have fit (nothing is counted then).
int PassOverPageTag();
// Forgets the passed-over tags: every read starts and ends with this.
void ClearPassedOverTags();
// Makes the staged record a tag. 0, or -1 when the table is full (Tagcount unchanged).
int CommitStagedTag();

// Index of the first tag whose name equals name (as cut at a record's capacity), or -1.
int FindPageTag(const char* name);

// Replaces the value of the first tag of that name, or appends the tag with flags 0. When the
// table is full, "M053" is reported and only the new tag is dropped.
void SetAutoTag(const char* name, const char* value);
