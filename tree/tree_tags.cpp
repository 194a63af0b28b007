#include "tree/tree_tags.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <string_view>

#include "config/settings.h"
#include "engine/head_reader.h"
#include "engine/head_writer.h"
#include "log/audit.h"
#include "platform/fs.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "schema/schema.h"
#include "ui/working_display.h"

LevelEntry LevelTable[MaxTreeDepth];
int Rlevel = 0;
MergeEntry MergeIndex[kMergeIndexSize];
int MergeCount = 0;

namespace {

constexpr size_t kPathSize = 256;
constexpr unsigned kErrorBox = platform::kBoxOk | platform::kBoxIconExclamation;

constexpr const char kNoSaveArea[] =
    "M043:INSUFFICIENT SYSTEM MEMORY\nChoose a lower value for Schema Space";
constexpr const char kPathCheck[] = "M044:Path Check Error!";
constexpr const char kIndexFull[] = "M047:Maximum index size exceeded!";
constexpr const char kTreeTagReadError[] = "M201:Serious Error reading meta.tag";
constexpr const char kBufferFull[] =
    "M042:Tag Buffer is full! - Please contact Zelvane for an updated copy of Tagsteward";

// The tree tags gathered along one path by the single-document inherit. Level 1 points here
// afterwards, so it must outlive the call.
TagRecord gPathStore[kPathTreeTags];

// The rendered tags of the document being rewritten, and one tag rendered on its own so that a
// tag that no longer fits is noticed before anything is written.
char gTagsText[kTagsTextSize];
char gOneTag[kTagsTextSize];

TagRecord* DefaultSaveArea(size_t count) {
  return new (std::nothrow) TagRecord[count];
}
SaveAreaAllocator gSaveAreaAllocator = DefaultSaveArea;

enum class Rule { Never, Flagged, Any };

// Both bits of a field set means "any".
Rule RuleOf(int field) {
  if (field == 0) return Rule::Never;
  if (field == 1) return Rule::Flagged;
  return Rule::Any;
}
Rule InheritedRule() {
  return RuleOf(strategy & kRulesInheritedMask);
}
Rule PageRule() {
  return RuleOf((strategy & kRulesPageMask) >> 2);
}

bool SchemaAllowsDuplicates(const TagRecord& record) {
  char name[sizeof record.name];
  platform::CopyText(name, std::string_view(record.name, strnlen(record.name, sizeof name)));
  int i = FindSchemaTag(name);
  return i >= 0 && (SchemaIndex[i].flags & SF_DUPLICATES) != 0;
}

// M201, naming the tree-tag file and why it gave no tags (rc: the reader's result).
void ReportTreeTagReadError(const std::string& tagPath, int rc) {
  platform::FileInfo info;
  const char* why = rc == -2 ? "has no <HEAD>"
                    : platform::Fs().Stat(tagPath, &info) == 0 && info.isRegular && info.size == 0
                        ? "is empty: a tree-tag file holds at least <HEAD> and </HEAD>"
                        : "could not be read, or its head does not end with </HEAD>";
  ReportCoded(platform::Format("%s\n%s %s", kTreeTagReadError, tagPath.c_str(), why));
}

// Adding entries. The index is never written past its end: the entry that would not fit is
// refused and the merge ends with M047.
uint32_t gSequence = 0;

bool AddEntry(TagRecord* record, uint32_t marks) {
  if (MergeCount >= kMergeIndexSize) return false;
  MergeIndex[MergeCount++] = MergeEntry{record, gSequence++, marks};
  return true;
}

bool AddPageTags() {
  if (!PageTags) return true;
  int count = std::min(Tagcount, PageTagCapacity());
  for (int i = 0; i < count; ++i)
    if (!AddEntry(&PageTags[i], 0)) return false;
  return true;
}

// An index entry with what the merge compares, worked out once per entry: the name as words
// that order as its bytes do (up to its end within the field, zeros after it, so a name
// without a terminator is never read past its field) and the value's length.
struct KeyedEntry {
  uint64_t name[4];
  uint32_t valueLength;  // kUnknownLength until a comparison needs it
  MergeEntry entry;
};
static_assert(sizeof(TagRecord::name) == sizeof(KeyedEntry::name));
constexpr uint32_t kUnknownLength = UINT32_MAX;
KeyedEntry gKeyed[kMergeIndexSize];
int gKeyedCount = 0;

// The name's words with every byte from its first NUL on cleared, in an order that compares
// as the bytes do.
void MakeNameKey(const char (&name)[32], uint64_t (&key)[4]) {
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(key, name, sizeof key);
    bool ended = false;
    for (uint64_t& word : key) {
      if (ended) {
        word = 0;
        continue;
      }
      // The lowest flagged byte is the first NUL (flags above it may be false).
      uint64_t zero = (word - 0x0101010101010101u) & ~word & 0x8080808080808080u;
      if (zero != 0) {
        int keep = __builtin_ctzll(zero) / 8;  // bytes before the NUL
        word = keep == 0 ? 0 : word & ((uint64_t{1} << (8 * keep)) - 1);
        ended = true;
      }
      word = __builtin_bswap64(word);
    }
  } else {
    unsigned char bytes[sizeof key] = {};
    std::memcpy(bytes, name, strnlen(name, sizeof bytes));
    for (size_t w = 0; w < 4; ++w) {
      key[w] = 0;
      for (size_t b = 0; b < 8; ++b)
        key[w] = key[w] << 8 | bytes[w * 8 + b];
    }
  }
}

void LoadKeyed() {
  gKeyedCount = MergeCount;
  for (int i = 0; i < MergeCount; ++i) {
    KeyedEntry& k = gKeyed[i];
    MakeNameKey(MergeIndex[i].record->name, k.name);
    k.valueLength = kUnknownLength;
    k.entry = MergeIndex[i];
  }
}

uint32_t ValueLength(KeyedEntry& k) {
  if (k.valueLength == kUnknownLength) {
    const TagRecord& r = *k.entry.record;
    k.valueLength = static_cast<uint32_t>(strnlen(r.value, sizeof r.value));
  }
  return k.valueLength;
}

void StoreKeyed() {
  MergeCount = gKeyedCount;
  for (int i = 0; i < gKeyedCount; ++i)
    MergeIndex[i] = gKeyed[i].entry;
}

// As strncmp over the name fields: < 0, 0 or > 0.
int CompareNames(const KeyedEntry& a, const KeyedEntry& b) {
  for (size_t w = 0; w < 4; ++w)
    if (a.name[w] != b.name[w]) return a.name[w] < b.name[w] ? -1 : 1;
  return 0;
}
// As strncmp over the value fields.
int CompareValues(KeyedEntry& a, KeyedEntry& b) {
  uint32_t aLength = ValueLength(a), bLength = ValueLength(b);
  int c = std::memcmp(a.entry.record->value, b.entry.record->value, std::min(aLength, bLength));
  if (c != 0) return c;
  return aLength == bLength ? 0 : aLength < bLength ? -1 : 1;
}
bool SameValues(KeyedEntry& a, KeyedEntry& b) {
  return ValueLength(a) == ValueLength(b) &&
         std::memcmp(a.entry.record->value, b.entry.record->value, a.valueLength) == 0;
}

void RemoveEntry(int at) {
  std::memmove(&gKeyed[at], &gKeyed[at + 1],
               sizeof(KeyedEntry) * static_cast<size_t>(gKeyedCount - at - 1));
  --gKeyedCount;
}

// Removes the earlier of two adjacent entries with equal name and value, until no two are
// left: of each run of equal entries the last stays. One pass, since equality carries along
// a run.
void RemoveExactDuplicates() {
  int kept = 0;
  for (int i = 0; i < gKeyedCount; ++i) {
    KeyedEntry& a = gKeyed[i];
    if (i + 1 < gKeyedCount) {
      KeyedEntry& b = gKeyed[i + 1];
      if (CompareNames(a, b) == 0 && SameValues(a, b)) continue;
    }
    if (kept != i) gKeyed[kept] = a;
    ++kept;
  }
  gKeyedCount = kept;
}

// Whether the schema lets the entry's tag stand beside another of its name, asked once and
// only of an entry whose rule depends on it.
bool DuplicateAllowed(MergeEntry& e) {
  constexpr uint32_t kAsked = 1u << 31;
  if (!(e.marks & kAsked)) {
    e.marks |= kAsked;
    if (SchemaAllowsDuplicates(*e.record)) e.marks |= kMarkDuplicateAllowed;
  }
  return (e.marks & kMarkDuplicateAllowed) != 0;
}

// Of two adjacent entries with the same name, the rule of the later-added one's kind decides
// whether both stay (under "when flagged", the schema flag of that one's tag); if not, the
// priority decides which one goes.
void RemoveNameDuplicates() {
  bool rootPriority = (strategy & kRulesRootPriority) != 0;
  for (int i = 1; i < gKeyedCount;) {
    MergeEntry& later = gKeyed[i].entry;
    if (CompareNames(gKeyed[i - 1], gKeyed[i]) != 0) {
      ++i;
      continue;
    }
    Rule rule = (later.marks & kMarkInherited) ? InheritedRule() : PageRule();
    bool keepBoth = rule == Rule::Any || (rule == Rule::Flagged && DuplicateAllowed(later));
    if (keepBoth) {
      ++i;
      continue;
    }
    RemoveEntry(rootPriority ? i : i - 1);
    i = std::max(1, i - 1);
  }
  for (int i = 0; i < gKeyedCount; ++i)
    gKeyed[i].entry.marks &= kMarkInherited | kMarkDuplicateAllowed;
}

// Sequences are unique, so each sort has one result whatever the algorithm.
void SortByNameThenSequence() {
  std::sort(gKeyed, gKeyed + gKeyedCount, [](const KeyedEntry& a, const KeyedEntry& b) {
    int c = CompareNames(a, b);
    return c != 0 ? c < 0 : a.entry.sequence < b.entry.sequence;
  });
}

// Equal name and value are ordered by sequence so the result does not depend on the sort.
// The index is in name order already, so only each run of one name is sorted.
void SortByNameThenValue() {
  for (int begin = 0, end; begin < gKeyedCount; begin = end) {
    for (end = begin + 1; end < gKeyedCount && CompareNames(gKeyed[begin], gKeyed[end]) == 0;)
      ++end;
    if (end - begin < 2) continue;
    std::sort(gKeyed + begin, gKeyed + end, [](KeyedEntry& a, KeyedEntry& b) {
      int c = CompareValues(a, b);
      return c != 0 ? c < 0 : a.entry.sequence < b.entry.sequence;
    });
  }
}

// Fills the index in the order the rules ask for and reduces it. false after M047.
bool MergeIntoIndex() {
  MergeCount = 0;
  gSequence = 0;
  bool rootPriority = (strategy & kRulesRootPriority) != 0;
  bool preserve = (strategy & kRulesPreserve) != 0;
  // The kind added later is the one that wins a clash under Local priority and loses it under
  // Root priority; Preserve turns that round for page tags.
  bool pageFirst = rootPriority == preserve;
  bool filled = pageFirst ? AddPageTags() && AddTreeTagsToIndex() == 0
                          : AddTreeTagsToIndex() == 0 && AddPageTags();
  if (!filled) {
    MergeCount = 0;
    ReportCoded(kIndexFull);
    return false;
  }
  LoadKeyed();
  SortByNameThenSequence();
  RemoveExactDuplicates();
  RemoveNameDuplicates();
  SortByNameThenValue();
  RemoveExactDuplicates();
  StoreKeyed();
  return true;
}

// The flags an entry's tag is written with. A tree tag has no kind of its own in a document: it
// takes that of the document's first tag of its name, if the document has one (the page tag
// table holds the document's tags while the index is used).
uint32_t EntryFlags(const MergeEntry& e) {
  const TagRecord& r = *e.record;
  if (!(e.marks & kMarkInherited)) return r.flags;
  uint32_t flags = r.flags & ~TF_KIND_MASK;
  int count = PageTags ? std::min(Tagcount, PageTagCapacity()) : 0;
  for (int i = 0; i < count; ++i)
    if (std::strncmp(PageTags[i].name, r.name, sizeof r.name) == 0)
      return flags | (PageTags[i].flags & TF_KIND_MASK);
  return flags;
}

// Renders the index into gTagsText. false (after M042) when the tags do not all fit: the
// document would otherwise lose the tags left out.
bool RenderIndex() {
  gTagsText[0] = '\0';
  size_t used = 0;
  for (int i = 0; i < MergeCount; ++i) {
    gOneTag[0] = '\0';
    RenderTag(gOneTag, sizeof gOneTag, *MergeIndex[i].record, EntryFlags(MergeIndex[i]));
    size_t size = std::strlen(gOneTag);
    if (used + size >= sizeof gTagsText) {
      ReportCoded(kBufferFull);
      return false;
    }
    std::memcpy(gTagsText + used, gOneTag, size + 1);
    used += size;
  }
  return true;
}

int FinishMerge(platform::WindowHandle window, const char* path, int mode,
                const HeldDocument* held) {
  if (mode == 1) return 0;
  if (mode == 2) {
    for (int i = 0; i < MergeCount; ++i) {
      const TagRecord& r = *MergeIndex[i].record;
      if (std::strncmp(r.name, "$Stylesheet", sizeof r.name) == 0)
        return InsertStylesheetLink(window, path, r.value, held) == 0 ? 0 : -1;
    }
    return 0;
  }
  if (!RenderIndex()) return -1;
  if (showworking) SetWorkingLine(Rlevel, path);
  return RewriteHead(window, path, gTagsText, held) == 0 ? 0 : -1;
}

// The document a merge reads, kept open for its rewrite, which then need not find and read it
// again by its path.
class MergeSource {
 public:
  MergeSource() = default;
  ~MergeSource() {
    if (held_.fd >= 0) platform::Fs().Close(held_.fd);
  }
  MergeSource(const MergeSource&) = delete;
  MergeSource& operator=(const MergeSource&) = delete;

  // Reads the document's tags into the page tag table as ReadPageTagsAt does, with the same
  // results and reports. 0, -1 or -2.
  int Read(platform::WindowHandle window, int dirFd, const char* name, const char* path) {
    Tagcount = 0;
    platform::FileSystem& fs = platform::Fs();
    // Opened without following a link first: the rewrite then knows the path names this file.
    for (platform::OpenFor how : {platform::OpenFor::ReadNoLink, platform::OpenFor::Read}) {
      held_.fd = dirFd >= 0 ? fs.OpenAt(dirFd, name, how, 0) : fs.Open(path, how, 0);
      held_.direct = held_.fd >= 0 && how == platform::OpenFor::ReadNoLink;
      held_.dirFd = held_.direct ? dirFd : -1;
      if (held_.fd >= 0 || platform::LastError() != ELOOP) break;
    }
    // A task that rewrites every document asks what it is before reading it, so that the
    // rewrite need not check it against the bytes read.
    if (held_.direct && KeepUnchanged == 0 && !RewritePreviewing())
      held_.known = fs.StatOpen(held_.fd, &held_.info) == 0;
    if (held_.fd < 0) {
      int err = platform::LastError();
      if (IsTreeTagPath(path) && (err == ENOENT || err == ENOTDIR)) return 0;
      ShowSystemError("ERROR OPENING FILE", path);
      NoteUnopenedDocument(path, err);
      return -1;
    }
    int rc = ExtractMetatags(window, path, held_.fd);
    ClearPassedOverTags();
    // The rewrite starts from the bytes just read; the file is asked about only for a write.
    std::string_view bytes = LastReadBytes(&held_.asked);
    held_.bytes = bytes.data();
    held_.size = bytes.size();
    serial_ = ReadSerial();
    return rc;
  }
  // The document, without its bytes once another read has taken their place.
  const HeldDocument* held() {
    if (serial_ != ReadSerial()) held_.bytes = nullptr;
    return &held_;
  }

 private:
  HeldDocument held_;
  unsigned long long serial_ = 0;
};

// "%s/%s" into a path buffer; a path that does not fit is refused rather than cut, since a cut
// path names another file.
bool BuildDocumentPath(char (&out)[kPathSize], const char* directory, const char* fileName) {
  std::string_view dir(directory);
  std::string_view name(fileName);
  bool slash = !dir.empty() && dir.back() == '/';
  size_t need = dir.size() + (slash ? 0 : 1) + name.size();
  if (need >= kPathSize) return false;
  platform::CopyText(out, dir);
  if (!slash) platform::AppendText(out, "/");
  platform::AppendText(out, name);
  return true;
}

// Keeps showworking off while the single-document inherit reads the tree-tag files.
class WorkingDisplayOff {
 public:
  WorkingDisplayOff() : saved_(showworking) { showworking = 0; }
  ~WorkingDisplayOff() { showworking = saved_; }
  WorkingDisplayOff(const WorkingDisplayOff&) = delete;
  WorkingDisplayOff& operator=(const WorkingDisplayOff&) = delete;

 private:
  int saved_;
};

// The page tag table's own tags, kept while the table is used to read the tree-tag files.
class SaveArea {
 public:
  explicit SaveArea(size_t size) : size_(size), records_(gSaveAreaAllocator(size)) {}
  ~SaveArea() { delete[] records_; }
  SaveArea(const SaveArea&) = delete;
  SaveArea& operator=(const SaveArea&) = delete;

  bool ok() const { return records_ != nullptr; }
  void Save() {
    count_ = std::clamp(Tagcount, 0, static_cast<int>(size_));
    if (count_ > 0) std::memcpy(records_, PageTags, sizeof(TagRecord) * count_);
  }
  void Restore() {
    if (count_ > 0) std::memcpy(PageTags, records_, sizeof(TagRecord) * count_);
    Tagcount = count_;
  }
  // The merge index points into the table, so its records are staged here first.
  void CopyIndexToTable() {
    for (int i = 0; i < MergeCount; ++i) {
      records_[i] = *MergeIndex[i].record;
      records_[i].flags = EntryFlags(MergeIndex[i]);
    }
    if (MergeCount > 0) std::memcpy(PageTags, records_, sizeof(TagRecord) * MergeCount);
    Tagcount = MergeCount;
    for (int i = 0; i < MergeCount; ++i)
      MergeIndex[i].record = &PageTags[i];
  }

 private:
  size_t size_;
  TagRecord* records_;
  int count_ = 0;
};

// The path must lie inside the tree: it starts with RootPath, continues at a directory
// boundary and never climbs out with "..". Returns the offset of the separator after the
// root directory, or -1.
int CheckPathInRoot(const char* path) {
  size_t rootLen = std::strlen(RootPath);
  if (rootLen == 0 || std::strncmp(path, RootPath, rootLen) != 0) return -1;
  size_t first = RootPath[rootLen - 1] == '/' ? rootLen - 1 : rootLen;
  if (path[first] != '/') return -1;
  for (const char* p = path + first; p; p = std::strchr(p + 1, '/')) {
    if (p[1] == '.' && p[2] == '.' && (p[3] == '/' || p[3] == '\0')) return -1;
  }
  return static_cast<int>(first);
}

// Reads the tree tags of each directory from the root down to the document's own into
// gPathStore. The number read, or -1 (reported; the table then holds whatever was read last).
int CollectPathTags(platform::WindowHandle window, char* path, int first) {
  int total = 0;
  for (char* slash = path + first; slash; slash = std::strchr(slash + 2, '/')) {
    // The directory is kept with its separator, so the file system root stays "/".
    char after = slash[1];
    slash[1] = '\0';
    platform::Fs().ChangeDir(path);  // a failure does not matter: the read uses the full path
    std::string tagPath = platform::ResolveFixedName(path, kTreeTagName);
    slash[1] = after;
    int rc = ReadPageTags(window, tagPath.c_str());
    if (rc != 0) {
      ReportTreeTagReadError(tagPath, rc);
      return -1;
    }
    if (Tagcount > kPathTreeTags - total) {
      ReportCoded(
          platform::Format("M203:Too many tree tags along the path of %s\n"
                           "At most %d tree tags are inherited into one document.",
                           path, kPathTreeTags));
      return -1;
    }
    if (Tagcount > 0) std::memcpy(gPathStore + total, PageTags, sizeof(TagRecord) * Tagcount);
    total += Tagcount;
    if (slash[1] == '\0') break;
  }
  return total;
}

}  // namespace

int AddTreeTagsToIndex() {
  int top = std::min(Rlevel, MaxTreeDepth - 1);
  for (int level = 1; level <= top; ++level) {
    const LevelEntry& entry = LevelTable[level];
    if (!entry.tags) continue;
    for (int i = 0; i < entry.count; ++i)
      if (!AddEntry(&entry.tags[i], kMarkInherited)) return -1;
  }
  return 0;
}

void ResetTreeTags() {
  for (LevelEntry& e : LevelTable)
    e = LevelEntry{nullptr, 0};
  Rlevel = 0;
  MergeCount = 0;
}

SaveAreaAllocator SetSaveAreaAllocator(SaveAreaAllocator allocator) {
  SaveAreaAllocator previous = gSaveAreaAllocator;
  gSaveAreaAllocator = allocator ? allocator : DefaultSaveArea;
  return previous;
}

int CreateTreeTagFile() {
  std::string dir;
  std::string path = kTreeTagName;
  if (platform::Fs().CurrentDir(&dir) == 0) path = platform::ResolveFixedName(dir, kTreeTagName);
  if (platform::FileExists(path)) return 0;
  platform::FileSystem& fs = platform::Fs();
  int fd = fs.Open(path, platform::OpenFor::CreateNew, 0644);
  if (fd >= 0) {
    bool written = platform::WriteAll(fd, kTreeTagSkeleton, sizeof kTreeTagSkeleton - 1) == 0 &&
                   fs.Sync(fd) == 0;
    if (fs.Close(fd) == 0 && written) return 0;
    // A half-written file would be taken for the directory's tree tags next time.
    fs.Remove(path);
  }
  platform::ShowMessageBox(nullptr, "Error opening new meta.tag file", "ERROR", kErrorBox);
  return -1;
}

int MergeDocument(platform::WindowHandle window, const char* directory, const char* fileName,
                  int mode, int directoryFd) {
  MergeCount = 0;
  if (mode < 0 || mode > 2 || !directory || !fileName) return -1;
  char path[kPathSize];
  if (!BuildDocumentPath(path, directory, fileName)) {
    ShowFileError(window, "Path too long - document skipped", fileName);
    return -1;
  }
  MergeSource source;
  if (mode != 1 && source.Read(window, directoryFd, fileName, path) != 0) return -1;
  if (!MergeIntoIndex()) return -1;
  return FinishMerge(window, path, mode, source.held());
}

int InheritIntoDocument(platform::WindowHandle window, const char* documentPath) {
  if (!documentPath) return -1;
  // Enough for the table's tags and for the merged tags, which are checked against it.
  size_t capacity = static_cast<size_t>(PageTagCapacity());
  SaveArea save(std::max<size_t>(capacity, 1));
  if (!save.ok()) {
    ReportCoded(kNoSaveArea);
    return -1;
  }
  save.Save();
  WorkingDisplayOff quiet;

  char path[kPathSize];
  if (std::strlen(documentPath) >= sizeof path) {
    ShowFileError(window, "Path too long", documentPath);
    return -1;
  }
  platform::CopyText(path, documentPath);
  int first = CheckPathInRoot(path);
  if (first < 0) {
    ReportCoded(kPathCheck);
    return -1;
  }

  int total = CollectPathTags(window, path, first);
  save.Restore();
  if (total < 0) return -1;
  Rlevel = 1;
  LevelTable[1] = LevelEntry{gPathStore, total};

  if (!MergeIntoIndex()) return -1;
  if (MergeCount > PageTagCapacity()) {
    MergeCount = 0;
    ReportCoded(kTableFullReport);
    return -1;
  }
  save.CopyIndexToTable();
  if (loglevel != 0) WriteAuditEntry(kAuditInfo, path, "Inherited");
  return 0;
}

int LoadLevelTags(platform::WindowHandle window, const char* directory, int level,
                  TagRecord store[kLevelStoreTags]) {
  if (level < 1 || level >= MaxTreeDepth || !directory || !store) return -1;
  LevelTable[level] = LevelEntry{store, 0};
  std::string tagPath = platform::ResolveFixedName(directory, kTreeTagName);
  if (int rc = ReadPageTags(window, tagPath.c_str()); rc != 0) {
    ReportTreeTagReadError(tagPath, rc);
    return -1;
  }
  if (Tagcount > kLevelStoreTags) {
    ReportCoded(
        platform::Format("M202:Too many tree tags in %s\n"
                         "At most %d tree tags are inherited from one directory.",
                         tagPath.c_str(), kLevelStoreTags));
    return -2;
  }
  if (Tagcount > 0) std::memcpy(store, PageTags, sizeof(TagRecord) * Tagcount);
  LevelTable[level].count = Tagcount;
  return 0;
}
