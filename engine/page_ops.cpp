#include "engine/page_ops.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "config/settings.h"
#include "config/site_lock.h"
#include "engine/head_writer.h"
#include "log/audit.h"
#include "log/source_line.h"
#include "platform/clock.h"
#include "platform/fs.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "schema/schema.h"

namespace {

constexpr const char kMandatoryQuestion[] =
    "The following tags are marked as MANDATORY in the schema,\nbut are not used in this "
    "page.\n\nPress YES to add these and return to Editing.\n\n";

// Where the value chooser opens, in the window's client area.
constexpr int kChooserX = 235;
constexpr int kChooserY = 80;

AddTagChooser gChooser = nullptr;
MainWindowCommand gMainWindowCommand = nullptr;

bool IsBlankName(const TagRecord& r) {
  for (const char* p = r.name; *p; ++p)
    if (*p != ' ') return false;
  return true;
}

#if defined(__SSE2__)
// The bytes of a record's 32-byte name equal to c, one bit each.
uint32_t NameBytes(const char* name, __m128i c) {
  __m128i lo = _mm_loadu_si128(reinterpret_cast<const __m128i*>(name));
  __m128i hi = _mm_loadu_si128(reinterpret_cast<const __m128i*>(name + 16));
  return static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(lo, c))) |
         static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(hi, c))) << 16;
}
#endif

// strncmp(a.name, b.name, 32) == 0. Every tidy compares each name with the next.
bool SameName(const TagRecord& a, const TagRecord& b) {
  static_assert(sizeof a.name == 32);
#if defined(__SSE2__)
  const __m128i* pa = reinterpret_cast<const __m128i*>(a.name);
  const __m128i* pb = reinterpret_cast<const __m128i*>(b.name);
  uint32_t same = static_cast<uint32_t>(
                      _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_loadu_si128(pa), _mm_loadu_si128(pb)))) |
                  static_cast<uint32_t>(_mm_movemask_epi8(
                      _mm_cmpeq_epi8(_mm_loadu_si128(pa + 1), _mm_loadu_si128(pb + 1))))
                      << 16;
  if (same == 0xffffffffu) return true;
  // Equal when the first difference lies behind the end of both names.
  uint32_t ends = NameBytes(a.name, _mm_setzero_si128());
  return ends != 0 && std::countr_zero(ends) < std::countr_zero(~same);
#else
  return std::strncmp(a.name, b.name, sizeof a.name) == 0;
#endif
}

bool SameValue(const TagRecord& a, const TagRecord& b) {
  return std::strncmp(a.value, b.value, sizeof a.value) == 0;
}

// Whether several tags of this name may stay after a sort, under duplicate rule 1.
bool DuplicatesAllowed(const char* name) {
  int i = FindSchemaTag(name);
  return i < 0 || (SchemaIndex[i].flags & SF_DUPLICATES);
}

// The first eight bytes of a name as a number that orders like the bytes, zero after the end.
uint64_t NameKey(const TagRecord& r) {
  if constexpr (std::endian::native == std::endian::little) {
    uint64_t word;
    std::memcpy(&word, r.name, sizeof word);
    // The lowest byte flagged is the first zero byte: a borrow only flags bytes after it.
    uint64_t zero = (word - 0x0101010101010101u) & ~word & 0x8080808080808080u;
    if (zero != 0) word &= (uint64_t{1} << (std::countr_zero(zero) & ~7)) - 1;
    return __builtin_bswap64(word);
  } else {
    uint64_t key = 0;
    int i = 0;
    for (; i < 8 && r.name[i] != '\0'; ++i)
      key = key << 8 | static_cast<unsigned char>(r.name[i]);
    return key << (8 * (8 - i));
  }
}

// Copies a record as far as it holds anything: a value is read only up to its terminator.
void CopyRecord(TagRecord& to, const TagRecord& from) {
  std::memcpy(to.name, from.name, sizeof to.name);
#if defined(__SSE2__)
  // Sixteen bytes at a time up to the one that ends the value: values are mostly short.
  static_assert(sizeof to.value % 16 == 0);
  const __m128i zero = _mm_setzero_si128();
  for (size_t at = 0; at < sizeof to.value; at += 16) {
    __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from.value + at));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(to.value + at), chunk);
    if (_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, zero)) != 0) break;
  }
#else
  size_t len = strnlen(from.value, sizeof from.value);
  std::memcpy(to.value, from.value, len < sizeof to.value ? len + 1 : len);
#endif
  to.flags = from.flags;
}

// Stable sort by name in byte order. The order is worked out on an index and each record is
// then moved once, along the cycles of the permutation: records are over a kilobyte each.
void SortByName(TagRecord* table, int n) {
  // Kept between calls, so a walk allocates only for its largest document.
  static std::vector<int> order, scratch;
  static std::vector<uint64_t> keys;
  static TagRecord held;  // one record is out of the table while a cycle moves
  keys.resize(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i)
    keys[static_cast<size_t>(i)] = NameKey(table[i]);
  // Names that differ in their first eight bytes are ordered by the keys alone.
  auto before = [table](int a, int b) {
    uint64_t ka = keys[static_cast<size_t>(a)], kb = keys[static_cast<size_t>(b)];
    if (ka != kb) return ka < kb;
    if ((ka & 0xff) == 0) return false;  // both names end within the key
    return std::strncmp(table[a].name + 8, table[b].name + 8, sizeof table[a].name - 8) < 0;
  };
  bool sorted = true;
  for (int i = 1; i < n && sorted; ++i)
    sorted = !before(i, i - 1);
  if (sorted) return;
  order.resize(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i)
    order[static_cast<size_t>(i)] = i;
  constexpr int kRun = 16;  // runs sorted by insertion, then merged pairwise
  for (int start = 0; start < n; start += kRun) {
    int end = std::min(n, start + kRun);
    for (int i = start + 1; i < end; ++i) {
      int x = order[static_cast<size_t>(i)];
      int j = i;
      for (; j > start && before(x, order[static_cast<size_t>(j - 1)]); --j)
        order[static_cast<size_t>(j)] = order[static_cast<size_t>(j - 1)];
      order[static_cast<size_t>(j)] = x;
    }
  }
  if (n > kRun) {
    scratch.resize(static_cast<size_t>(n));
    for (int width = kRun; width < n; width *= 2) {
      for (int lo = 0; lo < n; lo += 2 * width) {
        int mid = std::min(n, lo + width), hi = std::min(n, lo + 2 * width);
        // An equal name takes the left run's record first: the sort stays stable.
        std::merge(order.begin() + lo, order.begin() + mid, order.begin() + mid, order.begin() + hi,
                   scratch.begin() + lo, before);
      }
      order.swap(scratch);
    }
  }
  // order[k] is the record that belongs at k. A placed position is marked with its own index.
  for (int start = 0; start < n; ++start) {
    if (order[static_cast<size_t>(start)] == start) continue;
    CopyRecord(held, table[start]);
    int j = start;
    for (;;) {
      int from = order[static_cast<size_t>(j)];
      order[static_cast<size_t>(j)] = j;
      if (from == start) {
        CopyRecord(table[j], held);
        break;
      }
      CopyRecord(table[j], table[from]);
      j = from;
    }
  }
}

}  // namespace

int TidyTags(TagRecord* table, int mode) {
  int n = Tagcount;
  if (!table || n <= 0) return 0;
  // Blank names count as deleted.
  int kept = 0;
  for (int i = 0; i < n; ++i) {
    if (IsBlankName(table[i])) continue;
    if (kept != i) CopyRecord(table[kept], table[i]);
    ++kept;
  }
  n = kept;
  if (mode == 1) SortByName(table, n);

  // Of a run of equal adjacent records only the last stays. After a sort, a run of equal names
  // shrinks to its last record as well, unless the duplicate rule lets the name repeat.
  const int rule = (strategy >> 2) & 3;
  kept = 0;
  for (int i = 0; i < n; ++i) {
    bool drop = false;
    if (i + 1 < n && SameName(table[i], table[i + 1])) {
      if (SameValue(table[i], table[i + 1])) {
        drop = true;
      } else if (mode == 1 && rule <= 1) {
        drop = rule == 0 || !DuplicatesAllowed(table[i].name);
      }
    }
    if (drop) continue;
    if (kept != i) CopyRecord(table[kept], table[i]);
    ++kept;
  }
  return kept;
}

bool FirstOptionValue(const char* options, char* value, size_t cap) {
  std::string_view text(options ? options : "");
  if (text.empty()) return false;
  if (text[0] != '[') {
    // A literal list: the first item that is not empty.
    size_t start = 0;
    while (start <= text.size()) {
      size_t comma = text.find(',', start);
      std::string_view item = text.substr(
          start, comma == std::string_view::npos ? std::string_view::npos : comma - start);
      if (!item.empty()) {
        platform::CopyText(value, cap, item);
        return true;
      }
      if (comma == std::string_view::npos) break;
      start = comma + 1;
    }
    return false;
  }
  std::string_view name = text.substr(1, text.find(']') - 1);
  if (name.empty()) return false;
  std::string table;
  if (platform::ReadWholeFile(platform::ResolveFixedName(StartupPath, name), &table) != 0)
    return false;
  // The code of the first line that has one: the part before its first comma.
  std::string_view rest(table);
  while (!rest.empty()) {
    size_t lf = rest.find('\n');
    std::string_view line = rest.substr(0, lf);
    rest = lf == std::string_view::npos ? std::string_view() : rest.substr(lf + 1);
    line = line.substr(0, line.find('\r'));
    line = line.substr(0, line.find(','));
    if (!line.empty()) {
      platform::CopyText(value, cap, line);
      return true;
    }
  }
  return false;
}

void SetAddTagChooser(AddTagChooser chooser) {
  gChooser = chooser;
}

void SetMainWindowCommand(MainWindowCommand send) {
  gMainWindowCommand = send;
}

int AddPageTag(platform::WindowHandle window, const char* name) {
  TagRecord* slot = StagingSlot();
  if (!slot || Tagcount >= PageTagCapacity()) {
    ReportCoded(kTableFullReport);
    return -1;
  }
  platform::CopyText(slot->name, name);
  int i = FindSchemaTag(slot->name);
  if (i < 0) {
    platform::CopyText(slot->value, "NAME ME - userdefined tag");
    slot->flags = 0;
  } else {
    const SchemaEntry& entry = SchemaIndex[i];
    slot->flags = entry.flags;
    const char* options = SchemaOptions(entry);
    if (entry.options != 0) {
      // The chooser starts from the tag name; it stays the value when nothing is chosen.
      platform::CopyText(slot->value, slot->name);
      if (gChooser) {
        gChooser(window, kChooserX, kChooserY, options, slot->value, sizeof slot->value);
      } else {
        FirstOptionValue(options, slot->value, sizeof slot->value);
      }
      slot->flags |= SF_OPTIONS;
    } else if (entry.flags & SF_DATE) {
      platform::CopyText(slot->value,
                         platform::FormatTime("%Y%m%d", platform::LocalTime(platform::Now())));
    } else {
      platform::CopyText(slot->value, "NAME ME - schema tag");
    }
  }
  CommitStagedTag();
  Tagcount = TidyTags(PageTags, 0);
  return 0;
}

int SavePage(platform::WindowHandle window, const char* path) {
  sourceline = kLineSavePage;
  Tagcount = TidyTags(PageTags, 0);
  if (checkmandatory == 1 && SchemaTagCount > 0) {
    // One mark per loaded schema entry.
    std::vector<char> used(static_cast<size_t>(SchemaTagCount), 0);
    for (int t = 0; t < Tagcount; ++t) {
      if (PageTags[t].name[0] == '\0') continue;
      int i = FindSchemaTag(PageTags[t].name);
      if (i >= 0) used[static_cast<size_t>(i)] = 1;
    }
    std::string message = kMandatoryQuestion;
    std::vector<int> missing;
    for (int i = 0; i < SchemaTagCount; ++i) {
      if ((SchemaIndex[i].flags & SF_MANDATORY) && !used[static_cast<size_t>(i)]) {
        missing.push_back(i);
        message += SchemaIndex[i].name;
        message += '\n';
      }
    }
    if (!missing.empty() &&
        platform::ShowMessageBox(window, message, "NOTE",
                                 platform::kBoxYesNo | platform::kBoxIconQuestion) ==
            platform::kAnswerYes) {
      for (int i : missing)
        AddPageTag(window, SchemaIndex[i].name);
      return -1;
    }
  }

  char text[kTagsTextSize];
  text[0] = '\0';
  for (int t = 0; t < Tagcount; ++t)
    RenderTag(text, PageTags[t]);
  // Written under the site's lock, as a task writes: never while another run writes the site.
  SiteLock siteLock;
  if (!RewritePreviewing() && !siteLock.Take(window)) return -1;
  int leftAlone = RewritesLeftAlone();
  int rc = RewriteHeadStatus(window, path, text);
  if (rc == -1 && RewritesLeftAlone() != leftAlone)
    platform::ShowMessageBox(window,
                             platform::Format("%s was changed by another program while it was "
                                              "being saved: it was left as that program left it.",
                                              path),
                             "NOTE", platform::kBoxOk | platform::kBoxIconInformation);
  // Only a document that was written is a recent file.
  if (rc == 0) RememberFile(path);
  return rc;
}

void RememberFile(const char* path) {
  char entry[sizeof PrevFiles[0]];
  platform::CopyText(entry, path);  // compared as it would be stored
  for (const auto& slot : PrevFiles)
    if (std::strcmp(slot, entry) == 0) return;
  for (int i = 4; i > 0; --i)
    platform::CopyText(PrevFiles[i], PrevFiles[i - 1]);
  platform::CopyText(PrevFiles[0], entry);
  if (gMainWindowCommand) gMainWindowCommand(kCmdRecentFilesChanged);
}
