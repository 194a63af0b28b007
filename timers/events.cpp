#include "timers/events.h"

#include <cstring>
#include <string>
#include <vector>

#include "platform/fs.h"
#include "platform/text.h"
#include "platform/ui.h"

using namespace platform;

TimerEvent EventTable[kMaxEvents];
int EventSite[kMaxEvents];
int32_t EventCountdown[kMaxEvents];
int EventCount = 0;
char EventSiteArea[kEventSiteAreaSize];
int EventSiteCount = 0;
int EventTableGeneration = 0;

namespace {

int gSiteOffset[kMaxEventSites];
int gSiteAreaUsed = 0;

const char* const kDayNames[7] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                  "Thursday", "Friday", "Saturday"};
const char* const kActionSuffix[6] = {" - Expired Document Mailout",
                                      " - Document Review Mailout",
                                      " - Complete site backup",
                                      " - ",
                                      " - ",
                                      " - Run Batch File"};

constexpr std::string_view kSitePrefix = "[Config:";

// The site name of a "[Config:NAME]" line, or false when the line is no site header.
bool SiteHeader(std::string_view line, std::string_view* name) {
  if (line.substr(0, kSitePrefix.size()) != kSitePrefix) return false;
  size_t close = line.rfind(']');
  if (close == std::string_view::npos || close < kSitePrefix.size()) return false;
  *name = line.substr(kSitePrefix.size(), close - kSitePrefix.size());
  return true;
}

bool IsSectionHeader(std::string_view line) {
  return !line.empty() && line[0] == '[';
}

bool IsEventLine(std::string_view line) {
  return line.substr(0, 5) == "Event";
}

struct Line {
  std::string_view text;  // without its line end
  std::string_view eol;
};

std::vector<Line> SplitLines(std::string_view text) {
  std::vector<Line> lines;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t nl = text.find('\n', pos);
    size_t end = nl == std::string_view::npos ? text.size() : nl;
    size_t body = end;
    if (body > pos && text[body - 1] == '\r') --body;
    size_t next = nl == std::string_view::npos ? text.size() : nl + 1;
    lines.push_back({text.substr(pos, body - pos), text.substr(body, next - body)});
    pos = next;
  }
  return lines;
}

}  // namespace

int EventCoolDown(char kind) {
  switch (kind) {
    case 'A':
      return 40080;
    case 'B':
      return 9840;
    case 'C':
      return 1200;
    case 'D':
      return 50;
  }
  return 0;
}

int SlotCount(char kind) {
  switch (kind) {
    case 'A':
      return 31;
    case 'B':
      return 7;
    case 'C':
      return 48;
    case 'D':
      return 12;
  }
  return 0;
}

const char* OrdinalSuffix(int number) {
  if (number >= 10 && number <= 19) return "th ";
  switch (number % 10) {
    case 1:
      return "st ";
    case 2:
      return "nd ";
    case 3:
      return "rd ";
  }
  return "th ";
}

std::string SlotLabel(char kind, int slot) {
  switch (kind) {
    case 'A':
      return Format("%d%sof each month", slot + 1, OrdinalSuffix(slot + 1));
    case 'B':
      return slot >= 0 && slot < 7 ? std::string("Each ") + kDayNames[slot] : "Each ";
    case 'C':
      return Format("Each day at %02d:%02d", slot / 2, 30 * (slot % 2));
    case 'D':
      return Format("Each hour at HH:%02d", 5 * slot);
  }
  return "";
}

std::string DescribeEvent(const char* record) {
  size_t len = strnlen(record, kEventRecordSize);
  std::string out = len >= 2 ? SlotLabel(record[0], record[1] - 'A') : "";
  if (len >= 3 && record[2] >= 'A' && record[2] <= 'F') out += kActionSuffix[record[2] - 'A'];
  out += "  ";
  if (len > 3) out.append(record + 3, len - 3);
  return out;
}

void DescribeEvent(const char* record, char* out, size_t outSize) {
  CopyText(out, outSize, DescribeEvent(record));
}

const char* EventSiteName(int index) {
  if (index < 0 || index >= EventSiteCount) return "";
  return EventSiteArea + gSiteOffset[index];
}

int FindEventSite(std::string_view name) {
  for (int i = 0; i < EventSiteCount; ++i)
    if (name == EventSiteName(i)) return i;
  return -1;
}

int AddEventSite(std::string_view name) {
  if (EventSiteCount >= kMaxEventSites) return -1;
  // A name that does not fit the area is cut; the last slot holds at least its terminator.
  int offset = gSiteAreaUsed < kEventSiteAreaSize ? gSiteAreaUsed : kEventSiteAreaSize - 1;
  size_t copied = CopyText(EventSiteArea + offset, kEventSiteAreaSize - offset, name);
  gSiteOffset[EventSiteCount] = offset;
  gSiteAreaUsed = offset + static_cast<int>(copied) + 1;
  return EventSiteCount++;
}

void ResetEvents() {
  EventCount = 0;
  EventSiteCount = 0;
  gSiteAreaUsed = 0;
  std::memset(EventSiteArea, 0, sizeof EventSiteArea);
  std::memset(EventCountdown, 0, sizeof EventCountdown);
  ++EventTableGeneration;
}

int LoadEvents(const std::string& configFile) {
  std::memset(EventCountdown, 0, sizeof EventCountdown);
  EventSiteCount = 0;
  gSiteAreaUsed = 0;
  ++EventTableGeneration;
  std::string text;
  if (ReadWholeFile(configFile, &text) != 0) return 0;
  int stored = 0;
  bool inSite = false;
  for (const Line& line : SplitLines(text)) {
    std::string_view name;
    if (SiteHeader(line.text, &name)) {
      AddEventSite(name);
      inSite = true;
      // The list holds 29 sites; the rest of the file is not read.
      if (EventSiteCount >= kMaxEventSites) break;
      continue;
    }
    if (IsSectionHeader(line.text)) {
      inSite = false;
      continue;
    }
    // Event keys outside a site section belong to no site.
    if (!inSite || !IsEventLine(line.text)) continue;
    size_t eq = line.text.find('=', 1);
    if (eq == std::string_view::npos) continue;
    std::string_view value = TrimBlanks(line.text.substr(eq + 1));
    if (value.empty()) continue;
    CopyText(EventTable[stored].record, value);
    EventSite[stored] = EventSiteCount - 1;
    if (++stored >= kMaxEvents) {
      ShowMessageBox(nullptr, "The event table is full!",
                     "CRITICAL ERROR - PROGRAM PARAMETERS EXCEEDED", kBoxOk | kBoxIconExclamation);
      break;
    }
  }
  EventCount = stored;
  return 0;
}

std::string EventFileText(std::string_view oldText) {
  std::vector<Line> lines = SplitLines(oldText);
  std::string nl = !lines.empty() && lines[0].eol == "\r\n" ? "\r\n" : "\n";
  std::vector<bool> written(EventSiteCount, false);
  std::string out;
  out.reserve(oldText.size() + static_cast<size_t>(EventCount) * 32);

  auto writeEvents = [&](int site) {
    if (site < 0 || written[site]) return;
    written[site] = true;
    for (int i = 0; i < EventCount; ++i)
      if (EventSite[i] == site) out += Format("Event%d=%s", i + 1, EventTable[i].record) + nl;
  };

  int site = -1;        // the listed site whose section the lines stand in, or -1
  bool loaded = false;  // whether the load read the event keys of this section
  int siteHeaders = 0;  // site headers seen, as the load counted them
  std::string held;     // empty lines at the end of a section, written after its events
  size_t lastLength = 0;
  bool first = true;
  for (const Line& line : lines) {
    std::string_view name;
    bool header = SiteHeader(line.text, &name);
    if (IsSectionHeader(line.text)) {
      writeEvents(site);
      out += held;
      held.clear();
      // An empty line before a site section, unless one stands there already.
      if (header && !first && lastLength > 2) out += nl;
      site = -1;
      loaded = false;
      if (header) {
        if (siteHeaders < EventSiteCount && name == EventSiteName(siteHeaders)) site = siteHeaders;
        // The load stops at the last header the list can hold: keys below it were never read
        // and are kept as they are.
        loaded = site >= 0 && siteHeaders < kMaxEventSites - 1;
        ++siteHeaders;
      }
    } else if (loaded && IsEventLine(line.text)) {
      lastLength = line.text.size();
      first = false;
      continue;
    } else if (site >= 0 && TrimBlanks(line.text).empty()) {
      held.append(line.text);
      held.append(line.eol.empty() ? nl : std::string(line.eol));
      lastLength = line.text.size();
      first = false;
      continue;
    }
    out += held;
    held.clear();
    out.append(line.text);
    out.append(line.eol.empty() && (site >= 0 || &line != &lines.back()) ? std::string_view(nl)
                                                                         : line.eol);
    lastLength = line.text.size();
    first = false;
  }
  writeEvents(site);
  out += held;
  // Sites whose section is gone from the file get a new one.
  for (int s = 0; s < EventSiteCount; ++s) {
    if (written[s]) continue;
    bool any = false;
    for (int i = 0; i < EventCount && !any; ++i)
      any = EventSite[i] == s;
    if (!any) continue;
    if (!out.empty() && out.back() != '\n') out += nl;
    if (!out.empty()) out += nl;
    out += std::string("[Config:") + EventSiteName(s) + "]" + nl;
    writeEvents(s);
  }
  return out;
}

int SaveEvents(const std::string& configFile) {
  std::string old;
  if (ReadWholeFile(configFile, &old) != 0 && FileExists(configFile)) {
    ShowMessageBox(nullptr, "Error reading the configuration file - the events were not saved",
                   configFile, kBoxOk | kBoxIconExclamation);
    return -1;
  }
  size_t dot = configFile.rfind('.');
  size_t slash = configFile.rfind('/');
  bool hasDot = dot != std::string::npos && (slash == std::string::npos || dot > slash);
  // The backup is a copy: the configuration file itself is only ever replaced whole.
  if (hasDot && !old.empty() && ReplaceFile(configFile.substr(0, dot) + ".BAK", old) != 0) {
    ShowMessageBox(nullptr, "Error writing the backup file - the events were not saved",
                   configFile.substr(0, dot) + ".BAK", kBoxOk | kBoxIconExclamation);
    return -1;
  }
  if (ReplaceFile(configFile, EventFileText(old)) != 0) {
    ShowMessageBox(nullptr, "Error writing the configuration file - the events were not saved",
                   configFile, kBoxOk | kBoxIconExclamation);
    return -1;
  }
  return 0;
}

int AddEvent(const char* record, int site) {
  return InsertEvent(EventCount, record, site);
}

int InsertEvent(int index, const char* record, int site) {
  if (EventCount >= kMaxEvents || index < 0 || index > EventCount) return -1;
  for (int i = EventCount; i > index; --i) {
    EventTable[i] = EventTable[i - 1];
    EventSite[i] = EventSite[i - 1];
    EventCountdown[i] = EventCountdown[i - 1];
  }
  CopyText(EventTable[index].record, record);
  EventSite[index] = site;
  EventCountdown[index] = 0;
  ++EventCount;
  ++EventTableGeneration;
  return index;
}

void RemoveEvent(int index) {
  if (index < 0 || index >= EventCount) return;
  for (int i = index; i + 1 < EventCount; ++i) {
    EventTable[i] = EventTable[i + 1];
    EventSite[i] = EventSite[i + 1];
    EventCountdown[i] = EventCountdown[i + 1];
  }
  --EventCount;
  ++EventTableGeneration;
}
