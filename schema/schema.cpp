#include "schema/schema.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <string>

#include "config/settings.h"
#include "log/audit.h"
#include "log/source_line.h"
#include "platform/fs.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "platform/ui.h"
#include "schema/default_schema.h"
#include "schema/text_lines.h"

SchemaEntry* SchemaIndex = nullptr;
char* SchemaSpace = nullptr;
char* OptionSpace = nullptr;
int SchemaTagCount = 0;
uint32_t SetBufLast = 1;

namespace {

// The sizes actually reserved: the settings may change before the next reservation.
size_t gIndexEntries = 0;
size_t gSchemaBytes = 0;
size_t gOptionBytes = 0;
size_t gSchemaUsed = 0;

constexpr size_t kSchemaLineChars = 511;

constexpr const char* kSchemaSpaceFull =
    "Not enough memory has been set aside for the metatag names in the schema.\n"
    "Increase the value of Schema Space in Setup";
constexpr const char* kOptionSpaceFull =
    "Not enough memory has been set aside for the value options in the schema.\n"
    "Increase the value of Option Space in Setup";

// Recent lookups by a hash of the name: a site task looks up every tag of every document, and
// a site uses few names over and over. Valid while the dictionary is unchanged: any change
// (a load, a reservation, a release) starts a new generation.
constexpr size_t kLookupKey = 32;  // names up to 31 bytes, zero-padded
struct LookupSlot {
  alignas(16) char key[kLookupKey] = {};
  uint32_t generation = 0;
  int index = -1;
};
LookupSlot gLookups[256];
uint32_t gGeneration = 1;

void ForgetLookups() {
  ++gGeneration;
}

int SearchIndex(const char* name) {
  int lo = 0;
  int hi = SchemaTagCount - 1;
  while (lo <= hi) {
    int mid = lo + (hi - lo) / 2;
    int c = std::strcmp(SchemaIndex[mid].name, name);
    if (c == 0) return mid;
    if (c < 0) {
      lo = mid + 1;
    } else {
      hi = mid - 1;
    }
  }
  return -1;
}

void ClearDictionary() {
  ForgetLookups();
  SetBufLast = 1;
  SchemaTagCount = 0;
  gSchemaUsed = 0;
  if (SchemaSpace && gSchemaBytes > 0) SchemaSpace[0] = '\0';
}

// Copies text with its terminator into OptionSpace at SetBufLast. The offset, or 0 when the
// space cannot hold it.
uint32_t StoreOption(const std::string& text) {
  if (!OptionSpace || SetBufLast >= gOptionBytes || text.size() + 1 > gOptionBytes - SetBufLast)
    return 0;
  uint32_t at = SetBufLast;
  std::memcpy(OptionSpace + at, text.data(), text.size());
  OptionSpace[at + text.size()] = '\0';
  SetBufLast += static_cast<uint32_t>(text.size() + 1);
  return at;
}

enum class EntryResult { Stored, Skipped, SpaceFull };

// Parses one line into the next free entry.
EntryResult AddEntry(const std::string& line) {
  SchemaEntry& entry = SchemaIndex[SchemaTagCount];
  entry.flags = 0;
  entry.options = 0;
  entry.scheme = 0;
  std::string name = line;
  size_t comma = line.find(',');
  const uint32_t optionsMark = SetBufLast;
  if (comma != std::string::npos) {
    name = line.substr(0, comma);
    std::string rest = line.substr(comma + 1);
    std::string flagsText = rest;
    size_t open = rest.find('{');
    size_t close = open == std::string::npos ? std::string::npos : rest.find('}', open + 1);
    if (open != std::string::npos && close != std::string::npos) {
      std::string options = rest.substr(open + 1, close - open - 1);
      uint32_t at = StoreOption(options);
      if (at == 0) {
        ReportCoded(kOptionSpaceFull);
        return EntryResult::SpaceFull;
      }
      entry.options = at;
      entry.flags |= SF_OPTIONS;
      if (!options.empty() && options[0] == '[') {
        // "[file,scheme]": the options text keeps "[file", the scheme is the rest up to "]".
        char* text = OptionSpace + at;
        char* sep = std::strchr(text, ',');
        if (sep) {
          *sep = '\0';
          char* scheme = sep + 1;
          if (char* end = std::strchr(scheme, ']')) *end = '\0';
          entry.scheme = static_cast<uint32_t>(scheme - OptionSpace);
        }
      }
      flagsText = rest.substr(0, open);
    } else if (open != std::string::npos) {
      platform::ShowMessageBox(nullptr, "CORRUPT SCHEMA ENTRY - missing '}'", name,
                               platform::kBoxOk | platform::kBoxIconExclamation);
    }
    for (char c : flagsText) {
      if (c == 'M') entry.flags |= SF_MANDATORY;
      if (c == 'A') entry.flags |= SF_DUPLICATES;
      if (c == 'D') entry.flags |= SF_DATE;
    }
  }
  if (!SchemaSpace || name.size() + 1 > gSchemaBytes - gSchemaUsed) {
    SetBufLast = optionsMark;  // the entry is not kept, nor its options
    ReportCoded(kSchemaSpaceFull);
    return EntryResult::SpaceFull;
  }
  char* stored = SchemaSpace + gSchemaUsed;
  std::memcpy(stored, name.data(), name.size());
  stored[name.size()] = '\0';
  gSchemaUsed += name.size() + 1;
  entry.name = stored;
  return EntryResult::Stored;
}

}  // namespace

int ReserveSchemaTables() {
  ReleaseSchemaTables();
  // Reserved in the order the memory settings are checked; the first failure is reported.
  if (SchemaBytes < 1 || !(SchemaSpace = static_cast<char*>(std::malloc(SchemaBytes)))) {
    ReportCoded("M024:INSUFFICIENT SYSTEM MEMORY\nChoose a lower value for Schema Space");
    ReleaseSchemaTables();
    return -1;
  }
  gSchemaBytes = static_cast<size_t>(SchemaBytes);
  if (MaxSchemaTags < 1 || !(SchemaIndex = static_cast<SchemaEntry*>(std::calloc(
                                 static_cast<size_t>(MaxSchemaTags), sizeof(SchemaEntry))))) {
    ReportCoded("M025:INSUFFICIENT SYSTEM MEMORY\nChoose a lower value for Maximum Schema Tags");
    ReleaseSchemaTables();
    return -1;
  }
  gIndexEntries = static_cast<size_t>(MaxSchemaTags);
  if (OptionBytes < 1 || !(OptionSpace = static_cast<char*>(std::malloc(OptionBytes)))) {
    ReportCoded("M027:INSUFFICIENT SYSTEM MEMORY\nChoose a lower value for Option Space");
    ReleaseSchemaTables();
    return -1;
  }
  gOptionBytes = static_cast<size_t>(OptionBytes);
  OptionSpace[0] = '\0';
  ClearDictionary();
  return 0;
}

void ReleaseSchemaTables() {
  std::free(SchemaSpace);
  std::free(SchemaIndex);
  std::free(OptionSpace);
  SchemaSpace = nullptr;
  SchemaIndex = nullptr;
  OptionSpace = nullptr;
  gSchemaBytes = gIndexEntries = gOptionBytes = 0;
  ClearDictionary();
}

int LoadSchema() {
  sourceline = kLineLoadSchema;
  if (!SchemaIndex && ReserveSchemaTables() != 0) return -1;
  ClearDictionary();
  ReturnToConfigDir();

  // Opened by its full path: a failed directory change must not make us read another file.
  std::string path = platform::ResolveFixedName(IniPath, "META.IDX");
  // Only a missing schema is replaced by the default; one that exists but cannot be read is
  // the user's and is left alone.
  if (!platform::FileExists(path)) {
    path = platform::JoinPath(IniPath, "META.IDX");
    if (WriteDefaultSchema(path) != 0) return -1;
  }
  TextLineReader reader;
  if (reader.Open(path) != 0) {
    ReportCoded("M054:Could not find or create meta.idx!");
    return 0;
  }

  std::string raw;
  int got;
  while ((got = reader.Next(&raw, kSchemaLineChars)) == 1) {
    std::string line = CutLine(raw);
    if (line.size() < 3 || line[0] == '#') continue;
    if (AddEntry(line) == EntryResult::SpaceFull) break;
    ++SchemaTagCount;
    if (static_cast<size_t>(SchemaTagCount) + 1 >= gIndexEntries) {
      ReportCoded(
          "M055:Not enough memory has been set aside for all the metatags in the schema.\n"
          "Increase the value of Schema Metatags in Setup");
      break;
    }
  }
  if (got < 0) ShowSystemError("Error reading schema file", path);
  reader.Close();

  std::stable_sort(
      SchemaIndex, SchemaIndex + SchemaTagCount,
      [](const SchemaEntry& a, const SchemaEntry& b) { return std::strcmp(a.name, b.name) < 0; });
  ForgetLookups();
  return 0;
}

int FindSchemaTag(const char* name) {
  if (!SchemaIndex || !name) return -1;
  size_t length = strnlen(name, kLookupKey);
  if (length == kLookupKey) return SearchIndex(name);  // too long to remember
  alignas(16) char key[kLookupKey] = {};
  std::memcpy(key, name, length);
  uint64_t words[kLookupKey / 8];
  std::memcpy(words, key, sizeof words);
  uint64_t hash = words[0] ^ (words[1] * 31) ^ (words[2] * 961) ^ (words[3] * 29791) ^ length;
  // Open addressing over a few neighbouring slots; a slot of an older generation is empty.
  static_assert(std::size(gLookups) == 256);
  size_t home = (hash * 0x9E3779B97F4A7C15u) >> 56;
  LookupSlot* slot = nullptr;
  for (size_t probe = 0; probe < 4; ++probe) {
    slot = &gLookups[(home + probe) % std::size(gLookups)];
    if (slot->generation != gGeneration) break;
    if (std::memcmp(slot->key, key, kLookupKey) == 0) return slot->index;
  }
  if (slot->generation == gGeneration) slot = &gLookups[home];  // all taken: replace one
  slot->index = SearchIndex(name);
  std::memcpy(slot->key, key, kLookupKey);
  slot->generation = gGeneration;
  return slot->index;
}

const char* SchemaOptions(const SchemaEntry& entry) {
  return entry.options && OptionSpace ? OptionSpace + entry.options : "";
}

const char* SchemaScheme(const SchemaEntry& entry) {
  return entry.scheme && OptionSpace ? OptionSpace + entry.scheme : "";
}
