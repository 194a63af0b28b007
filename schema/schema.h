// The schema dictionary META.IDX: known tag names with their flags and value options.
#pragma once

#include <cstddef>
#include <cstdint>

// Flags of a schema entry, copied into each page tag of that name.
enum : uint32_t {
  SF_MANDATORY = 1,
  SF_DUPLICATES = 2,
  SF_DATE = 4,
  SF_OPTIONS = 8,
};

struct SchemaEntry {
  char* name;        // into SchemaSpace
  uint32_t options;  // offset into OptionSpace of the value options text; 0 = none
  uint32_t scheme;   // offset into OptionSpace of the scheme name; 0 = none
  uint32_t flags;
};

extern SchemaEntry* SchemaIndex;  // MaxSchemaTags entries, sorted by name after a load
extern char* SchemaSpace;         // SchemaBytes bytes
extern char* OptionSpace;         // OptionBytes bytes; offset 0 is never used
extern int SchemaTagCount;
extern uint32_t SetBufLast;

// Loads META.IDX from the configuration directory (writing the default first when it is
// missing; reserving the tables first when they are not). 0, or -1 when the default cannot be
// created. Loading stops with a report when an entry does not fit a table.
int LoadSchema();

// Index of the entry whose name equals name exactly (case-sensitive), or -1.
int FindSchemaTag(const char* name);

// The entry's options text and scheme name ("" when none).
const char* SchemaOptions(const SchemaEntry& entry);
const char* SchemaScheme(const SchemaEntry& entry);

// Reserves SchemaSpace, SchemaIndex and OptionSpace in the configured sizes (releasing earlier
// blocks). 0, or -1 when one cannot be had (then none is held and M024, M025 or M027 was
// reported).
int ReserveSchemaTables();
void ReleaseSchemaTables();
