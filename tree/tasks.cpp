#include "tree/tasks.h"

#include <cctype>
#include <cstdint>
#include <cstring>
#include <string>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "config/settings.h"
#include "engine/head_reader.h"
#include "engine/head_writer.h"
#include "engine/page_ops.h"
#include "engine/page_tags.h"
#include "platform/clock.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "plugins/host.h"
#include "reports/mail_queue.h"
#include "reports/report_files.h"
#include "tree/tree_tags.h"
#include "ui/working_display.h"

TaskParameters gTask;
long gCompDate = 0;
bool gSearchReadsEveryTag = false;

namespace {

TaskDialogFn gTaskDialog = nullptr;
DateRulesDialogFn gDateRulesDialog = nullptr;

void UpperCase(char* s) {
  for (; *s; ++s)
    *s = static_cast<char>(std::toupper(static_cast<unsigned char>(*s)));
}

// The digits of a value read as one decimal number; 0 when there are none.
long DigitsValue(const char* value) {
  long n = 0;
  for (const char* p = value; *p; ++p) {
    if (*p < '0' || *p > '9') continue;
    if (n < 100000000000L) n = n * 10 + (*p - '0');  // no date needs more digits
  }
  return n;
}

// A tag's name (NUL-terminated within its 32-byte array) made ready for strstr-like tests. A
// search looks at every tag name of every document several times: the name is loaded once, and
// the places where a needle's first and last bytes both fit are found sixteen bytes at a time.
class NameBytes {
 public:
  explicit NameBytes(const char (&name)[sizeof(TagRecord::name)]) : name_(name) {
    static_assert(sizeof(TagRecord::name) == 32);
#if defined(__SSE2__)
    lo_ = _mm_loadu_si128(reinterpret_cast<const __m128i*>(name));
    hi_ = _mm_loadu_si128(reinterpret_cast<const __m128i*>(name + 16));
    uint32_t ends = Equal('\0');
    size_ = ends ? static_cast<size_t>(__builtin_ctz(ends)) : sizeof name;
#else
    size_ = strnlen(name, sizeof name);
#endif
  }

  // strstr(name, needle) != nullptr, for a needle of the given length.
  bool Holds(const char* needle, size_t length) const {
    if (length == 0) return true;
    if (length > size_) return false;
#if defined(__SSE2__)
    uint32_t starts = Equal(needle[0]) & (Equal(needle[length - 1]) >> (length - 1));
    starts &= static_cast<uint32_t>((uint64_t{1} << (size_ - length + 1)) - 1);
    for (; starts != 0; starts &= starts - 1)
      if (std::memcmp(name_ + __builtin_ctz(starts), needle, length) == 0) return true;
    return false;
#else
    return std::strstr(name_, needle) != nullptr;
#endif
  }

 private:
#if defined(__SSE2__)
  // The bytes equal to c, one bit each.
  uint32_t Equal(char c) const {
    __m128i wanted = _mm_set1_epi8(c);
    return static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(lo_, wanted))) |
           static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(hi_, wanted))) << 16;
  }
  __m128i lo_, hi_;
#endif
  const char* name_;
  size_t size_;
};

bool NameHolds(const char (&name)[sizeof(TagRecord::name)], const char* needle, size_t length) {
  return NameBytes(name).Holds(needle, length);
}

int LastTagContaining(const char* part, int count) {
  int found = -1;
  size_t length = std::strlen(part);
  for (int i = 0; i < count; ++i)
    if (NameHolds(PageTags[i].name, part, length)) found = i;
  return found;
}

// A search shows the tags whose names hold the searched name, heads each document with its
// last "DC.Title" and "DC.Identifier" tags, and mails the owner named by the last tag holding the
// owner tag's name. The reader stores only tags whose names matter to one of these, and
// "AD.Touched", which the reader itself may look for among the stored tags. Every test is on
// the name alone, so the tidied table holds the same matching tags in the same order as after
// a full read. Set for each document from gTask.
size_t gSearchNameLength = 0;
const char* gOwnerTag = "";

[[gnu::noinline]] bool SearchDecides(const char (&name)[sizeof(TagRecord::name)]) {
  NameBytes bytes(name);
  if (bytes.Holds("DC.Title", 8) || bytes.Holds("DC.Identifier", 13) ||
      std::memcmp(name, "AD.Touched", 11) == 0)  // the rest of the name is zero
    return true;
  if (gOwnerTag[0] != '\0' && std::strstr(name, gOwnerTag)) return true;
  if (gTask.caseSensitive) return bytes.Holds(gTask.tagName, gSearchNameLength);
  char upper[sizeof(TagRecord::name)];
  std::memcpy(upper, name, sizeof upper);
  UpperCase(upper);
  return NameHolds(upper, gTask.tagName, gSearchNameLength);
}

// A site uses few tag names, and every document repeats them: each name's verdict is worked out
// once and then looked up by the name's 32 bytes (zero after its end, as the reader passes it).
// The table is fixed; a name whose slot is taken by another is worked out again.
struct KeepVerdict {
  char name[sizeof(TagRecord::name)];
  bool known;
  bool keep;
};
KeepVerdict gVerdicts[128];

// What the verdicts were worked out for; a change empties the table.
char gVerdictTagName[sizeof gTask.tagName];
char gVerdictOwnerTag[sizeof ExpiryRule.ownerTag];
int gVerdictCaseSensitive = -1;

size_t VerdictSlot(const char (&name)[sizeof(TagRecord::name)]) {
  uint64_t words[4];
  std::memcpy(words, name, sizeof words);
  uint64_t h = 0;
  for (uint64_t w : words)
    h = (h ^ w) * 0x9E3779B97F4A7C15ull;
  return static_cast<size_t>(h >> 57);  // 128 slots
}

bool SearchKeeps(const char (&name)[sizeof(TagRecord::name)]) {
  // Two slots a name may stand in, so that two names of a site seldom push each other out.
  size_t slot = VerdictSlot(name);
  KeepVerdict* first = &gVerdicts[slot];
  KeepVerdict* second = &gVerdicts[slot ^ 1];
  for (KeepVerdict* v : {first, second})
    if (v->known && std::memcmp(v->name, name, sizeof v->name) == 0) return v->keep;
  KeepVerdict& v = first->known && !second->known ? *second : *first;
  v.keep = SearchDecides(name);
  std::memcpy(v.name, name, sizeof v.name);
  v.known = true;
  return v.keep;
}

// What every name SearchDecides keeps holds one of, for the reader to pass over other tags.
TagNeedles gSearchNeedles;

void SetUpSearchFilter() {
  gSearchNameLength = std::strlen(gTask.tagName);
  gOwnerTag = gTask.searchKind == kSearchExpired  ? ExpiryRule.ownerTag
              : gTask.searchKind == kSearchReview ? ReviewRule.ownerTag
                                                  : "";
  if (gVerdictCaseSensitive != gTask.caseSensitive ||
      std::strcmp(gVerdictTagName, gTask.tagName) != 0 ||
      std::strcmp(gVerdictOwnerTag, gOwnerTag) != 0 ||
      std::strcmp(gSearchNeedles.overwriteTag, OverwriteTag) != 0) {
    for (KeepVerdict& v : gVerdicts)
      v.known = false;
    const char* needles[] = {"DC.Title",
                             "DC.Identifier",
                             "AD.Touched",
                             gTask.tagName,
                             gOwnerTag[0] != '\0' ? gOwnerTag : nullptr,
                             nullptr};
    PrepareTagNeedles(&gSearchNeedles, needles);
    gVerdictCaseSensitive = gTask.caseSensitive;
    platform::CopyText(gVerdictTagName, gTask.tagName);
    platform::CopyText(gVerdictOwnerTag, gOwnerTag);
  }
}

void SearchOperation(platform::WindowHandle window, const std::string& path) {
  Tagcount = TidyTags(PageTags, 1);
  int n = Tagcount;
  int identifier = LastTagContaining("DC.Identifier", n);
  int title = LastTagContaining("DC.Title", n);
  bool dateCheck = gTask.searchKind == kSearchExpired || gTask.searchKind == kSearchReview;
  int days = gTask.searchKind == kSearchExpired ? ExpiryRule.days : ReviewRule.days;
  bool any = false;
  size_t nameLength = std::strlen(gTask.tagName);
  bool anyValue = gTask.valueFilter[0] == '\0';
  for (int i = 0; i < n; ++i) {
    TagRecord& tag = PageTags[i];
    if (!gTask.caseSensitive) {
      UpperCase(tag.name);
      UpperCase(tag.value);
    }
    if (!NameHolds(tag.name, gTask.tagName, nameLength) ||
        (!anyValue && !std::strstr(tag.value, gTask.valueFilter)))
      continue;
    // Numbers, not calendar days: the date's digits less the days against today's YYYYMMDD.
    if (dateCheck && DigitsValue(tag.value) - days > gCompDate) continue;
    if (!any) WriteDocumentEntry(path, title, identifier);
    any = true;
    WriteTagLine(tag.name, tag.value);
    if (dateCheck) {
      QueueOwnerNotice(window, path.c_str(), Tagcount,
                       gTask.searchKind == kSearchExpired ? DateCheck::Expiry : DateCheck::Review);
    }
  }
  if (any) WriteDocumentEnd();
}

}  // namespace

const char* TaskTitleFor(int taskId) {
  switch (taskId) {
    case kTaskInherit:
      return "Inherit Metatags into all documents";
    case kTaskMigrate:
      return "Migrate the stylesheets into all documents";
    case kTaskSort:
      return "Sort Metatags in all documents";
    case kTaskDeleteDuplicates:
      return "Delete Duplicates from all documents";
    case kTaskDeleteAll:
      return "Perform tree task";
    case kTaskSearch:
      return "Search for a Metatag in all documents";
    case kTaskReplace:
      return "Replace a Metatag in all documents";
    case kTaskDelete:
      return "Delete a Metatag from all documents";
    case kTaskExpiry:
      return "Check for expired documents";
    case kTaskReview:
      return "Check review dates in all documents";
    case kTaskStandardise:
      return "Perform tree task";
    default:
      return nullptr;
  }
}

const char* TaskAuditText(int taskId) {
  switch (taskId) {
    case kTaskInherit:
    case kTaskMigrate:
      return "Tree tags inherited";
    case kTaskDeleteDuplicates:
      return "Duplicates deleted";
    case kTaskDeleteAll:
      return "All metatags deleted";
    case kTaskReplace:
      return "Values replaced";
    default:
      return nullptr;
  }
}

bool IsPerDocumentTask(int taskId) {
  return taskId != kTaskInherit && taskId != kTaskMigrate && TaskTitleFor(taskId) != nullptr;
}

bool WritesDocuments(int taskId) {
  switch (taskId) {
    case kTaskInherit:
    case kTaskMigrate:
    case kTaskSort:
    case kTaskDeleteDuplicates:
    case kTaskDeleteAll:
    case kTaskReplace:
    case kTaskDelete:
      return true;
    default:
      return false;
  }
}

void SetTaskDialog(TaskDialogFn dialog) {
  gTaskDialog = dialog;
}

void SetDateRulesDialog(DateRulesDialogFn dialog) {
  gDateRulesDialog = dialog;
}

int SetUpDateCheck(int taskId) {
  bool expiry = taskId == kTaskExpiry;
  const DateCheckRule& rule = expiry ? ExpiryRule : ReviewRule;
  if (rule.tag[0] == '\0') {
    // An empty name matches every tag: every document would be reported and its owner mailed.
    platform::ShowMessageBox(
        nullptr,
        platform::Format("No date tag is set for this check.\nChoose one in Setup > %s.",
                         expiry ? "Manage Expired Documents" : "Manage Document Review"),
        "NOTE", platform::kBoxOk | platform::kBoxIconExclamation);
    gTask.searchKind = kSearchCancelled;
    return -1;
  }
  gTask.searchKind = expiry ? kSearchExpired : kSearchReview;
  gTask.showResults = 1;
  gTask.caseSensitive = 1;
  gTask.valueFilter[0] = '\0';
  gTask.replacement[0] = '\0';
  platform::CopyText(gTask.tagName, rule.tag);
  std::tm today = platform::LocalTime(platform::Now());
  gCompDate = (today.tm_year + 1900L) * 10000L + (today.tm_mon + 1) * 100L + today.tm_mday;
  platform::CopyText(gTask.reportPath,
                     platform::JoinPath(IniPath, expiry ? "Expired.htm" : "Review.htm"));
  if (WriteReportHead(expiry ? ReportKind::Expiry : ReportKind::Review, gTask.reportPath,
                      gTask.tagName, gTask.valueFilter, 1) != 0) {
    gTask.searchKind = kSearchCancelled;
    return -1;
  }
  return 0;
}

int PrepareTask(platform::WindowHandle window, int taskId) {
  if (taskId == kTaskExpiry || taskId == kTaskReview) {
    // The rules are shown for a last look before a check that mails people; a timed run uses
    // them as stored.
    if (gDateRulesDialog && !ServingTimer) {
      if (gDateRulesDialog(window, taskId == kTaskExpiry ? 40037 : 40034) != 1) {
        gTask.searchKind = kSearchCancelled;
        return -1;
      }
      WriteSettings();
    }
    return SetUpDateCheck(taskId);
  }
  int mode = taskId == kTaskSearch    ? 0
             : taskId == kTaskReplace ? 1
             : taskId == kTaskDelete  ? 3
                                      : -1;
  if (mode < 0) return 0;  // no parameters
  gTask = TaskParameters{};
  platform::CopyText(gTask.reportPath, platform::JoinPath(IniPath, "MetaSearch.htm"));
  if (mode == 0) {
    gTask.showResults = 1;
    gTask.caseSensitive = 1;
  }
  // The dialog stays open until its input passes the checks of OK, or it is cancelled.
  while (gTaskDialog && gTaskDialog(window, mode)) {
    if (gTask.tagName[0] == '\0') {
      platform::ShowMessageBox(window, "Please select a metatag name to be searched.",
                               "EMPTY FIELD", platform::kBoxOk | platform::kBoxIconExclamation);
      continue;
    }
    if (mode != 0) {
      gTask.searchKind = kSearchReplaceOrDelete;
      gTask.showResults = 1;
      if (mode == 3) gTask.replacement[0] = '\0';
      return 0;
    }
    gTask.searchKind = kSearchPlain;
    if (!gTask.caseSensitive) {
      UpperCase(gTask.tagName);
      UpperCase(gTask.valueFilter);
    }
    if (WriteReportHead(ReportKind::Search, gTask.reportPath, gTask.tagName, gTask.valueFilter,
                        gTask.caseSensitive) == 0)
      return 0;
  }
  gTask.searchKind = kSearchCancelled;
  return -1;
}

int DocumentOperation(platform::WindowHandle window, const char* directory, const char* fileName,
                      int taskId, int directoryFd) {
  if (taskId == kTaskStandardise) {
    platform::ShowMessageBox(window, "Standardising documents is not available yet.",
                             "STANDARDISE NOT IMPLEMENTED YET",
                             platform::kBoxOk | platform::kBoxIconInformation);
    return 0;
  }
  // Built for every document of a walk: the storage of the last one is reused.
  static std::string path;
  platform::JoinPathInto(&path, directory, fileName);
  bool search = (taskId == kTaskSearch || taskId == kTaskExpiry || taskId == kTaskReview) &&
                !gSearchReadsEveryTag;
  if (search) SetUpSearchFilter();
  TagFilter filter;
  if (search) filter = TagFilter{SearchKeeps, &gSearchNeedles};
  if (ReadPageTagsAt(window, directoryFd, fileName, path.c_str(), filter) != 0) return -1;
  char text[kTagsTextSize];
  text[0] = '\0';
  bool rewrite = true;
  switch (taskId) {
    case kTaskSort:
    case kTaskDeleteDuplicates:
      Tagcount = TidyTags(PageTags, 1);
      for (int i = 0; i < Tagcount; ++i)
        RenderTag(text, PageTags[i]);
      break;
    case kTaskDeleteAll:
      break;
    case kTaskReplace:
      Tagcount = TidyTags(PageTags, 0);
      for (int i = 0; i < Tagcount; ++i) {
        TagRecord& tag = PageTags[i];
        if (std::strcmp(tag.name, gTask.tagName) == 0 &&
            std::strcmp(tag.value, gTask.valueFilter) == 0)
          platform::CopyText(tag.value, gTask.replacement);
        RenderTag(text, tag);
      }
      break;
    case kTaskDelete:
      Tagcount = TidyTags(PageTags, 0);
      for (int i = 0; i < Tagcount; ++i) {
        const TagRecord& tag = PageTags[i];
        if (std::strcmp(tag.name, gTask.tagName) == 0 && std::strstr(tag.value, gTask.valueFilter))
          continue;
        RenderTag(text, tag);
      }
      break;
    case kTaskSearch:
    case kTaskExpiry:
    case kTaskReview:
      SearchOperation(window, path);
      rewrite = false;
      break;
    default:
      rewrite = false;
      break;
  }
  if (rewrite) RewriteHead(window, path.c_str(), text);
  if (showworking) SetWorkingLine(Rlevel, path.c_str());
  return 0;
}
