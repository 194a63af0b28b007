// The timer plug-in's event table: records kept as "Event%d" keys in the site sections of
// META.INI, loaded into fixed tables, saved back, and described for the events dialog.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

constexpr int kMaxEvents = 500;
constexpr int kMaxEventSites = 29;
constexpr int kEventRecordSize = 128;  // kind, slot, action letter, then the parameter
constexpr int kEventParamSize = 120;   // at most 119 characters of parameter
constexpr int kEventSiteAreaSize = 1024;

// A record: position 0 the kind ('A' monthly .. 'D' hourly), 1 the slot letter ('A' + slot),
// 2 the action letter ('A' .. 'F'), 3 on the parameter.
struct TimerEvent {
  char record[kEventRecordSize];
};

extern TimerEvent EventTable[kMaxEvents];
extern int EventSite[kMaxEvents];           // index into the site list
extern int32_t EventCountdown[kMaxEvents];  // minutes before the event is tested again
extern int EventCount;
// Site names in file order, NUL-separated in one area.
extern char EventSiteArea[kEventSiteAreaSize];
extern int EventSiteCount;
// Bumped by every change of the table's layout (load, add, remove), so that a pass that ran an
// action meanwhile does not store a countdown on the wrong event.
extern int EventTableGeneration;

// Cool-down in minutes after an event of that kind fired; 0 for an unknown kind.
int EventCoolDown(char kind);
// Number of slots of a kind (31, 7, 48, 12), 0 for an unknown kind.
int SlotCount(char kind);
// "st ", "nd ", "rd " or "th " for a day of the month.
const char* OrdinalSuffix(int number);
// The slot list's label of slot n of a kind ("" for an unknown kind).
std::string SlotLabel(char kind, int slot);
// The description the events dialog lists.
void DescribeEvent(const char* record, char* out, size_t outSize);
std::string DescribeEvent(const char* record);

// The name of site index i ("" when out of range).
const char* EventSiteName(int index);
// Index of the site with exactly this name, or -1.
int FindEventSite(std::string_view name);
// Appends a site name to the list (cut to what fits); its index, or -1 when the list is full.
int AddEventSite(std::string_view name);

// Fills the site list and the table from the configuration file. Always 0; an unreadable file
// leaves the event count as it was.
int LoadEvents(const std::string& configFile);
// The file's new text: every line kept as it is but the event keys of the loaded sites, the
// events written into their sections as "Event%d" numbered from 1 in table order.
std::string EventFileText(std::string_view oldText);
// Replaces the configuration file atomically with EventFileText, after copying the old file to
// the ".BAK" beside it. 0, or -1 with the file untouched and the user told.
int SaveEvents(const std::string& configFile);

// Appends an event (countdown 0). Its index, or -1 when the table is full.
int AddEvent(const char* record, int site);
// Inserts an event before event index (countdown 0). index, or -1 when the table is full.
int InsertEvent(int index, const char* record, int site);
// Removes event i; the later events move down with their sites and countdowns.
void RemoveEvent(int index);

// Empties the table and the site list.
void ResetEvents();
