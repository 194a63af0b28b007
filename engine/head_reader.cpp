#include "engine/head_reader.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <string>
#include <type_traits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
// The 32-byte scans are compiled for AVX2 alone and chosen when the processor has it.
#if defined(__x86_64__) && defined(__GNUC__)
#define TS_WIDE_SCANS 1
#include <immintrin.h>
#endif

#include "config/settings.h"
#include "engine/doc_tally.h"
#include "engine/head_scan.h"
#include "engine/page_tags.h"
#include "log/audit.h"
#include "log/source_line.h"
#include "platform/clock.h"
#include "platform/fs.h"
#include "platform/text.h"
#include "schema/schema.h"

int InSiteMap = 0;
int SuppressControlTags = 1;
int ShowMissingHead = 0;

namespace {

using std::string_view;
constexpr size_t npos = string_view::npos;
constexpr unsigned kExclamation = platform::kBoxOk | platform::kBoxIconExclamation;

constexpr const char kTableFullText[] =
    "Please increase \"Maximum number of Metatags in eash page\"\n"
    "Menu item: Setup->Memory Management";
constexpr const char kStampName[] = "$RUZOZAZEZO";

char gTitle[512];

// The filter of the read in progress, or nullptr for a full read.
TagNameFilter gKeep = nullptr;

bool IsSpace(char c) {
  return IsTagSpace(c);
}

// Zero bytes after the text read, so a block may be loaded at any byte of it.
constexpr size_t kPadding = kScanPadding;

#if defined(TS_WIDE_SCANS)
bool ProcessorHasAvx2() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2");
}
bool gWideScans = ProcessorHasAvx2();
#else
constexpr bool gWideScans = false;
#endif

// The first of three spellings' positions that is known (earlier spellings win wherever they
// stand), or npos.
size_t FirstFound(const uint32_t* spellings) {
  for (int i = 0; i < 3; ++i)
    if (spellings[i] != HeadScan::kNone) return spellings[i];
  return npos;
}

// The first position at or after from where c stands in s, or npos. Most of the texts searched
// (a tag, a quoted name or value) are short: sixteen bytes are tested at a time and the call to
// memchr is saved.
// padded: fifteen bytes after s may be read (s lies in a chunk followed by kPadding bytes), so
// the last bytes are tested sixteen at a time as well.
size_t FindByte(string_view s, size_t from, char c, bool padded) {
  size_t n = s.size();
  const char* d = s.data();
#if defined(__SSE2__)
  const __m128i wanted = _mm_set1_epi8(c);
  for (; padded ? from < n : from + 16 <= n; from += 16) {
    __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + from));
    unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, wanted)));
    if (mask == 0) continue;
    size_t at = from + static_cast<size_t>(__builtin_ctz(mask));
    return at < n ? at : npos;
  }
#endif
  for (; from < n; ++from)
    if (d[from] == c) return from;
  return npos;
}

// True when s holds a CR or an LF, or with amp an "&" as well. padded as for FindByte.
bool HasLineBreak(string_view s, bool padded, bool amp = false) {
  size_t n = s.size();
  const char* d = s.data();
  size_t i = 0;
#if defined(__SSE2__)
  const __m128i cr = _mm_set1_epi8('\r'), lf = _mm_set1_epi8('\n');
  const __m128i other = _mm_set1_epi8(amp ? '&' : '\n');
  for (; padded ? i < n : i + 16 <= n; i += 16) {
    __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i));
    __m128i hit = _mm_or_si128(_mm_cmpeq_epi8(block, cr), _mm_cmpeq_epi8(block, lf));
    unsigned mask =
        static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(hit, _mm_cmpeq_epi8(block, other))));
    if (n - i < 16) mask &= (1u << (n - i)) - 1;
    if (mask != 0) return true;
  }
#endif
  for (; i < n; ++i)
    if (d[i] == '\r' || d[i] == '\n' || (amp && d[i] == '&')) return true;
  return false;
}

// Copies text into dst (capacity cap) as one line: a CR becomes a blank and the LF of a CR LF
// goes. An LF alone (a file with LF line ends) also becomes a blank, so that the words on
// either side of the break stay apart. With quotes, "&quot;" becomes the double quote it
// stands for (the writer puts it into a value that holds both kinds of quote). dst may be
// text itself: nothing is written ahead.
void CopyOneLine(char* dst, size_t cap, string_view text, bool padded = false,
                 bool quotes = false) {
  // Most text holds no line break: then it is a plain copy.
  size_t take = std::min(text.size(), cap - 1);
  if (!HasLineBreak(text.substr(0, take), padded, quotes)) {
    std::memmove(dst, text.data(), take);
    dst[take] = '\0';
    return;
  }
  size_t out = 0;
  char previous = '\0';
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    bool skip = c == '\n' && previous == '\r';
    previous = c;
    if (skip) continue;
    if (out == cap - 1) break;
    if (quotes && c == '&' && text.substr(i, 6) == "&quot;") {
      dst[out++] = '"';
      i += 5;
      continue;
    }
    dst[out++] = (c == '\r' || c == '\n') ? ' ' : c;
  }
  dst[out] = '\0';
}

void ReadTitle(string_view text, const HeadScan& scan) {
  size_t open = FirstFound(scan.titles);
  size_t close = FirstFound(scan.titles + 3);
  if (open == npos || close == npos) return;
  size_t start = open + 7;
  // An end tag in another spelling may stand before the start tag: no title then.
  if (close < start) return;
  while (start < close && (text[start] == '\r' || text[start] == '\n'))
    ++start;
  platform::CopyText(gTitle, text.substr(start, close - start));
  if (char* cr = std::strrchr(gTitle, '\r')) *cr = '\0';
  if (char* lf = std::strrchr(gTitle, '\n')) *lf = '\0';
  // A title over more than two lines still holds a break; a tag value is one line.
  CopyOneLine(gTitle, sizeof gTitle, gTitle);
}

// --- Needles of a filtered read ----------------------------------------------------------

using Needle = TagNeedles::Needle;
using NeedleGroup = TagNeedles::Group;

// The needles of the read in progress, or nullptr (every tag is read).
const TagNeedles* gNeedles = nullptr;

bool AddNeedle(TagNeedles* needles, const char* text) {
  size_t size = std::strlen(text);
  // Too short to search for by its first and third bytes (a name holds an empty one anyway).
  if (size < 3) return false;
  // No record's name holds a needle longer than a name.
  if (size >= sizeof(TagRecord::name)) return true;
  Needle needle;
  for (size_t i = 0; i < size; ++i)
    needle.folded[i] = static_cast<char>(text[i] | 0x20);
  needle.size = size;
  size_t headSize = std::min<size_t>(size, 8);
  needle.head = 0;
  std::memcpy(&needle.head, needle.folded, headSize);
  needle.headMask = headSize == 8 ? ~uint64_t{0} : (uint64_t{1} << (8 * headSize)) - 1;
  NeedleGroup* group = nullptr;
  for (int g = 0; g < needles->groupCount; ++g)
    if (needles->groups[g].lead[0] == needle.folded[0] &&
        needles->groups[g].lead[1] == needle.folded[2])
      group = &needles->groups[g];
  if (!group) {
    if (needles->groupCount == static_cast<int>(std::size(needles->groups))) return false;
    group = &needles->groups[needles->groupCount++];
    group->lead[0] = needle.folded[0];
    group->lead[1] = needle.folded[2];
    group->count = 0;
  }
  for (int i = 0; i < group->count; ++i)
    if (group->needles[i].size == size &&
        std::memcmp(group->needles[i].folded, needle.folded, size) == 0)
      return true;
  if (group->count == static_cast<int>(std::size(group->needles))) return false;
  group->needles[group->count++] = needle;
  return true;
}

// The bits of the first and third bytes of a word loaded from memory: a group's lead.
const uint64_t kLeadMask = [] {
  const unsigned char bytes[8] = {0xFF, 0, 0xFF};
  uint64_t mask;
  std::memcpy(&mask, bytes, sizeof mask);
  return mask;
}();

// True when a needle stands whole at `at` of text (size bytes, followed by kPadding bytes). The
// first eight bytes are compared with each needle's at once.
bool NeedleAt(const char* text, size_t size, size_t at) {
  uint64_t word;
  std::memcpy(&word, text + at, sizeof word);
  word |= 0x2020202020202020ull;
  for (int g = 0; g < gNeedles->groupCount; ++g) {
    const NeedleGroup& group = gNeedles->groups[g];
    // Every needle of the group has the group's lead.
    if (((word ^ group.needles[0].head) & kLeadMask) != 0) continue;
    for (int i = 0; i < group.count; ++i) {
      const Needle& needle = group.needles[i];
      if (((word ^ needle.head) & needle.headMask) != 0 || needle.size > size - at) continue;
      size_t j = 8;
      while (j < needle.size && static_cast<char>(text[at + j] | 0x20) == needle.folded[j])
        ++j;
      if (j >= needle.size) return true;
    }
  }
  return false;
}

// Where the needles stand in a chunk, found by scanning it forward only as far as the tags asked
// about reach, so that the bytes between tags are scanned once. Every group's lead (a needle's
// first and third bytes: in names like "DC.Title" the second is seldom telling) is looked for at
// once, a block at a time; the needles are compared only where some group's stands.
class NeedleScanner {
 public:
  explicit NeedleScanner(string_view text) : text_(text) {}

  // True when a needle stands somewhere in [at, end), end within the text.
  bool AnyIn(size_t at, size_t end) {
    if (end > scanned_) Scan(std::max(at, scanned_), end);
    while (next_ < found_ && gHits[next_] < at)
      ++next_;
    return next_ < found_ && gHits[next_] < end;
  }

  // Records the needles at the places marked (bit i: place base + i).
  template <class Mask>
  [[gnu::always_inline]] inline void Verify(size_t base, Mask mask) {
    for (; mask != 0; mask &= mask - 1) {
      size_t at = base + static_cast<size_t>(__builtin_ctzll(mask));
      if (at < text_.size() && NeedleAt(text_.data(), text_.size(), at))
        gHits[found_++] = static_cast<uint16_t>(at);
    }
  }

 private:
  void Scan(size_t from, size_t to);

  // The places where a needle stands, ascending: a place holds at most one.
  static uint16_t gHits[kHeadReadSize];
  string_view text_;
  size_t scanned_ = 0;  // places before this are scanned
  int found_ = 0, next_ = 0;
};
uint16_t NeedleScanner::gHits[kHeadReadSize];

// Scans the places [from, to) and the rest of the last block, calling scanner.Verify for each
// block with a lead, and returns where it stopped. text is followed by kPadding bytes.
size_t ScanLeads(const char* d, size_t from, size_t to, NeedleScanner& scanner) {
#if defined(__SSE2__)
  const int groups = gNeedles->groupCount;
  __m128i leads[2][std::size(TagNeedles{}.groups)];
  for (int g = 0; g < groups; ++g)
    for (int j = 0; j < 2; ++j)
      leads[j][g] = _mm_set1_epi8(gNeedles->groups[g].lead[j]);
  const __m128i bit = _mm_set1_epi8(0x20);
  size_t i = from;
  for (; i < to; i += 16) {
    __m128i a = _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i)), bit);
    __m128i c = _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i + 2)), bit);
    __m128i hit = _mm_setzero_si128();
    for (int g = 0; g < groups; ++g)
      hit = _mm_or_si128(
          hit, _mm_and_si128(_mm_cmpeq_epi8(a, leads[0][g]), _mm_cmpeq_epi8(c, leads[1][g])));
    scanner.Verify(i, static_cast<unsigned>(_mm_movemask_epi8(hit)));
  }
  return i;
#else
  for (size_t i = from; i < to; ++i)
    scanner.Verify(i, 1u);
  return to;
#endif
}

#if defined(TS_WIDE_SCANS)
// ScanLeads thirty-two places at a time.
[[gnu::target("avx2")]] size_t ScanLeadsWide(const char* d, size_t from, size_t to,
                                             NeedleScanner& scanner) {
  const int groups = gNeedles->groupCount;
  __m256i leads[2][std::size(TagNeedles{}.groups)];
  for (int g = 0; g < groups; ++g)
    for (int j = 0; j < 2; ++j)
      leads[j][g] = _mm256_set1_epi8(gNeedles->groups[g].lead[j]);
  const __m256i bit = _mm256_set1_epi8(0x20);
  size_t i = from;
  for (; i < to; i += 32) {
    __m256i a = _mm256_or_si256(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(d + i)), bit);
    __m256i c =
        _mm256_or_si256(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(d + i + 2)), bit);
    __m256i hit = _mm256_setzero_si256();
    for (int g = 0; g < groups; ++g)
      hit = _mm256_or_si256(hit, _mm256_and_si256(_mm256_cmpeq_epi8(a, leads[0][g]),
                                                  _mm256_cmpeq_epi8(c, leads[1][g])));
    scanner.Verify(i, static_cast<uint32_t>(_mm256_movemask_epi8(hit)));
  }
  return i;
}
#endif

void NeedleScanner::Scan(size_t from, size_t to) {
#if defined(TS_WIDE_SCANS)
  if (gWideScans) {
    scanned_ = ScanLeadsWide(text_.data(), from, to, *this);
    return;
  }
#endif
  scanned_ = ScanLeads(text_.data(), from, to, *this);
}

// --- One meta tag ---------------------------------------------------------------------------

// What a visitor of attribute starts returns: stop the walk, or go on after the given number
// of bytes it found to be the attribute's name (0 when it did not look).
constexpr size_t kStopWalk = kStopAttributes;

// Calls visit(position) for every place where an attribute can begin: after "<meta", after
// blanks, and after a value, but never inside a quoted value. Keywords that only occur inside a
// value (content="set name=x") are thereby not taken for attributes.
template <class Visit>
void ForEachAttributeStart(string_view tag, Visit visit) {
  bool meta = tag.size() >= 5 &&
              (tag.starts_with("<meta") || tag.starts_with("<META") || tag.starts_with("<Meta"));
  ::ForEachAttributeStart(tag, meta ? 5 : 0, visit);
}

[[gnu::always_inline]] inline bool KeywordAt(string_view tag, size_t at, string_view keyword) {
  string_view rest = tag.substr(at);
  return rest.size() > keyword.size() && rest.starts_with(keyword) && rest[keyword.size()] == '=';
}

// The items of a comma-separated list, in order, each as given to visit until it returns true.
// Blanks after a comma ("a, b") are not part of the item: an attribute stands after white space.
template <class Visit>
bool ForEachItem(string_view list, Visit visit) {
  if (list.empty()) return false;
  for (;;) {
    size_t comma = list.find(',');
    string_view item = list.substr(0, comma);
    while (item.size() > 1 && item.front() == ' ')
      item.remove_prefix(1);
    if (visit(item)) return true;
    if (comma == npos) return false;
    list.remove_prefix(comma + 1);
  }
}

// The spellings of the attributes, in order of precedence within each attribute: name (or
// http-equiv), scheme, value. The first letter tells them apart.
constexpr string_view kKeywords[] = {"HTTP-EQUIV", "http-equiv", "NAME",    "name",  "SCHEME",
                                     "scheme",     "CONTENT",    "content", "VALUE", "value"};
constexpr int kNameKeywords = 0, kSchemeKeywords = 4, kValueKeywords = 6, kKeywordCount = 10;

// The index in kKeywords of the keyword standing at this attribute position, or -1. The first
// letters tell the spellings apart; each comparison has its length fixed.
int KeywordIndexAt(string_view tag, size_t at) {
  auto test = [&](auto index) {
    return KeywordAt(tag, at, kKeywords[decltype(index)::value]) ? decltype(index)::value : -1;
  };
  switch (tag[at]) {
    case 'H':
      return test(std::integral_constant<int, 0>());
    case 'h':
      return test(std::integral_constant<int, 1>());
    case 'N':
      return test(std::integral_constant<int, 2>());
    case 'n':
      return test(std::integral_constant<int, 3>());
    case 'S':
      return test(std::integral_constant<int, 4>());
    case 's':
      return test(std::integral_constant<int, 5>());
    case 'C':
      return test(std::integral_constant<int, 6>());
    case 'c':
      return test(std::integral_constant<int, 7>());
    case 'V':
      return test(std::integral_constant<int, 8>());
    case 'v':
      return test(std::integral_constant<int, 9>());
    default:
      return -1;
  }
}

bool CustomKeywordAt(string_view tag, size_t at) {
  auto custom = [&](string_view item) { return !item.empty() && KeywordAt(tag, at, item); };
  return ForEachItem(CustomNameImports, custom) || ForEachItem(CustomValueImports, custom);
}

// Where the attributes of one tag stand, from one walk over it.
struct AttributeMap {
  size_t first[kKeywordCount];  // first position of each keyword, or npos
  size_t known[32];             // positions of every known attribute, ascending
  int knownCount = 0;
  bool knownOverflow = false;
};

void MapAttributes(string_view tag, AttributeMap* map) {
  for (size_t& f : map->first)
    f = npos;
  bool custom = CustomNameImports[0] != '\0' || CustomValueImports[0] != '\0';
  ForEachAttributeStart(tag, [&](size_t at) {
    int index = KeywordIndexAt(tag, at);
    if (index >= 0 && map->first[index] == npos) map->first[index] = at;
    if (index >= 0 || (custom && CustomKeywordAt(tag, at))) {
      if (map->knownCount < static_cast<int>(std::size(map->known)))
        map->known[map->knownCount++] = at;
      else
        map->knownOverflow = true;
    }
    // A keyword has no blank or "=" in it and its "=" follows it: the walk may skip it.
    return index >= 0 ? kKeywords[index].size() : 0;
  });
}

// The index of the first keyword in [from, to) that occurs, or -1.
int FirstKeyword(const AttributeMap& map, int from, int to) {
  for (int i = from; i < to; ++i)
    if (map.first[i] != npos) return i;
  return -1;
}

// The first attribute position where keyword followed by "=" stands, or npos. An empty keyword
// stands for the first "=" of the tag, wherever it is.
size_t FindAttribute(string_view tag, string_view keyword) {
  if (keyword.empty()) return tag.find('=');
  size_t found = npos;
  ForEachAttributeStart(tag, [&](size_t at) {
    if (!KeywordAt(tag, at, keyword)) return size_t{0};
    found = at;
    return kStopWalk;
  });
  return found;
}

// The first item of list that stands as an attribute, or npos.
size_t FindCustomAttribute(string_view tag, string_view list) {
  size_t found = npos;
  ForEachItem(list, [&](string_view item) {
    found = FindAttribute(tag, item);
    return found != npos;
  });
  return found;
}

// The first known attribute position at or after start, or npos.
size_t NextKnownAttribute(string_view tag, const AttributeMap& map, size_t start) {
  for (int i = 0; i < map.knownCount; ++i)
    if (map.known[i] >= start) return map.known[i];
  if (!map.knownOverflow) return npos;
  size_t found = npos;
  ForEachAttributeStart(tag, [&](size_t at) {
    if (at < start || (KeywordIndexAt(tag, at) < 0 && !CustomKeywordAt(tag, at))) return size_t{0};
    found = at;
    return kStopWalk;
  });
  return found;
}

// Cuts the quotes and one blank off an attribute's text. When the text ends in white space
// that includes a tab or a line break (the next attribute stands on a new line), all of that
// space goes; a run of blanks alone loses one blank, so two blanks leave one. A text in single
// quotes loses them as a text in double quotes does.
string_view TrimAttributeText(string_view s, bool allSpace) {
  size_t end = s.size();
  bool lineBreak = false;
  while (end > 0 && IsSpace(s[end - 1])) {
    if (s[end - 1] != ' ') lineBreak = true;
    --end;
  }
  if (allSpace || lineBreak)
    s = s.substr(0, end);
  else if (!s.empty() && s.back() == ' ')
    s.remove_suffix(1);
  // Blanks after the "=" stand outside a quote.
  size_t lead = 0;
  while (lead < s.size() && IsSpace(s[lead]))
    ++lead;
  if (lead < s.size() && (s[lead] == '"' || s[lead] == '\'')) s.remove_prefix(lead);
  char quote = !s.empty() && s.front() == '\'' ? '\'' : '"';
  if (!s.empty() && s.back() == quote) s.remove_suffix(1);
  if (!s.empty() && s.front() == quote) s.remove_prefix(1);
  return s;
}

// Drops the "/" of an empty-element tag ("<meta ... />"), which would otherwise end up in the
// last value. A "/" right after other text is part of an unquoted value and stays.
string_view WithoutEmptyElementSlash(string_view tag) {
  size_t end = tag.size();
  while (end > 0 && IsSpace(tag[end - 1]))
    --end;
  if (end >= 2 && tag[end - 1] == '/') {
    char before = tag[end - 2];
    if (IsSpace(before) || before == '"' || before == '\'') return tag.substr(0, end - 1);
  }
  return tag;
}

int TableFull(platform::WindowHandle window) {
  platform::ShowMessageBox(window, kTableFullText, "ERROR - INSUFFICIENT MEMORY ALLOCATED",
                           kExclamation);
  Tagcount = 0;
  return -1;
}

// --- Automatic tags -------------------------------------------------------------------------

void SetIdentifierTag(string_view path) {
  // The path below the root, without a separator in front.
  size_t skip = std::strlen(RootPath);
  if (skip == 0 || skip > path.size() || path[skip - 1] != '/') ++skip;
  if (skip > path.size()) skip = path.size();
  if (skip < path.size() && path[skip] == '/') ++skip;
  char url[sizeof(TagRecord::value)];
  platform::CopyText(url, SiteURL);
  platform::AppendText(url, path.substr(skip));
  SetAutoTag("DC.Identifier", url);
}

void SetTouchedTag() {
  char touched[32];
  platform::CopyText(
      touched, platform::FormatTime("%d %b %Y @ %H:%M:%S", platform::LocalTime(platform::Now())));
  SetAutoTag("AD.Touched", touched);
}

void ReportReadError(int err) {
  // End of file is not an error here (a read of no bytes), so "M048" does not arise.
  if (err == EAGAIN || err == EWOULDBLOCK || err == EINPROGRESS)
    ReportCoded("M049:io pending");
  else
    ReportCoded("M052:unknown error 1");
}

void ShowNoHead(platform::WindowHandle window, string_view text) {
  std::string shown(text.substr(0, 1024));
  shown += "\n\nCONTINUE TO DISPLAY THIS ERROR ?";
  int answer = platform::ShowMessageBox(window, shown,
                                        "ERROR - no <HEAD> tag. The first 1024 characters are:",
                                        platform::kBoxYesNo | platform::kBoxIconExclamation);
  if (answer == platform::kAnswerNo) ShowMissingHead = 0;
}

}  // namespace

bool IsTreeTagPath(string_view path) {
  if (path.find("meta.tag") != npos || path.find("META.TAG") != npos) return true;
  size_t slash = path.rfind('/');
  return platform::EqualsNoCase(path.substr(slash == npos ? 0 : slash + 1), "meta.tag");
}

namespace {

// The texts a tag's attributes give: its name, and its value when it has a value attribute.
struct TagTexts {
  string_view name;
  string_view value;
  uint32_t kind = 0;  // TF_KIND_NAME or TF_KIND_HTTP_EQUIV, 0 for a custom name attribute
  bool hasValue = false;
  bool padded = false;  // the tag lies in a chunk followed by kPadding bytes
};

constexpr uint32_t KindOf(int keyword) {
  return keyword < kNameKeywords + 2 ? TF_KIND_HTTP_EQUIV : TF_KIND_NAME;
}

// The tag's name attribute: where it stands and where its text starts. False when the tag has
// none: then it is no page tag.
bool FindNameAttribute(string_view tag, const AttributeMap& map, size_t* nameAt, size_t* nameStart,
                       uint32_t* kind) {
  // A keyword's "=" follows it; a custom item's is looked for (an empty item is the "=").
  *nameAt = CustomNameImports[0] ? FindCustomAttribute(tag, CustomNameImports) : npos;
  if (*nameAt != npos) {
    *nameStart = tag.find('=', *nameAt) + 1;
    *kind = 0;
    return true;
  }
  int k = FirstKeyword(map, kNameKeywords, kSchemeKeywords);
  if (k < 0) return false;
  *nameAt = map.first[k];
  *nameStart = *nameAt + kKeywords[k].size() + 1;
  *kind = KindOf(k);
  return true;
}

// Finds the texts by walking the attributes. 1 when found, 0 when the tag has no name attribute
// (it is ignored), -1 after a reported failure (the table is then empty).
int FindTagTexts(platform::WindowHandle window, string_view tag, TagTexts* texts) {
  tag = WithoutEmptyElementSlash(tag);
  // Each attribute is looked for wherever it stands; the spellings keep their precedence.
  AttributeMap map;
  MapAttributes(tag, &map);
  size_t nameAt, nameStart;
  if (!FindNameAttribute(tag, map, &nameAt, &nameStart, &texts->kind)) return 0;

  // A scheme attribute only ends the text before it: the writer takes the scheme from the
  // schema.
  size_t valueAt = CustomValueImports[0] ? FindCustomAttribute(tag, CustomValueImports) : npos;
  size_t valueStart = npos;
  if (valueAt != npos) {
    size_t eq = tag.find('=', valueAt + 1);
    if (eq == npos) {
      platform::ShowMessageBox(window, tag, "CRITICAL ERROR - Tag Parse [2]", kExclamation);
      Tagcount = 0;
      return -1;
    }
    valueStart = eq + 1;
  } else if (int k = FirstKeyword(map, kValueKeywords, kKeywordCount); k >= 0) {
    valueAt = map.first[k];
    valueStart = valueAt + kKeywords[k].size() + 1;
  }

  // An attribute's text runs up to the next attribute the reader knows (a second name or value
  // attribute included), or to the end of the tag.
  auto textEnd = [&](size_t start) {
    size_t end = std::min(tag.size(), NextKnownAttribute(tag, map, start));
    // An empty custom item makes an attribute of the first "=", which is no attribute start.
    for (size_t other : {nameAt, valueAt})
      if (other != npos && other >= start && other < end) end = other;
    return end;
  };
  size_t nameEnd = textEnd(nameStart);
  texts->name = TrimAttributeText(tag.substr(nameStart, nameEnd - nameStart), false);
  texts->hasValue = valueStart != npos;
  if (texts->hasValue) {
    size_t valueEnd = textEnd(valueStart);
    // A value followed by another attribute loses all the space before it.
    texts->value =
        TrimAttributeText(tag.substr(valueStart, valueEnd - valueStart), valueEnd != tag.size());
  }
  return 1;
}

// The index in kKeywords of the keyword standing at `at` in [from, to) followed by '="', or -1.
int QuotedKeywordAt(string_view tag, size_t at, int from, int to) {
  int k = KeywordIndexAt(tag, at);
  if (k < from || k >= to) return -1;
  size_t quote = at + kKeywords[k].size() + 1;
  return quote < tag.size() && tag[quote] == '"' ? k : -1;
}

// The texts of a tag in the form nearly every document uses, found without the attribute walk:
// "<meta", a name attribute with a quoted text, a value attribute with a quoted text, then at
// most " ", "/" or " /". Between the two attributes stands nothing, one blank, or white space
// with a tab or a line break in it: the walk would trim all of these away. False for any other
// form (custom attributes among them), which the walk reads; where the shortcut answers, the
// walk gives the same texts.
bool FindCommonTagTexts(string_view tag, TagTexts* texts) {
  bool padded = texts->padded;
  if (!tag.starts_with("<meta")) return false;
  size_t i = 5;
  while (i < tag.size() && IsSpace(tag[i]))
    ++i;
  int k = i < tag.size() ? QuotedKeywordAt(tag, i, kNameKeywords, kSchemeKeywords) : -1;
  if (k < 0) return false;
  size_t open = i + kKeywords[k].size() + 1;
  size_t close = FindByte(tag, open + 1, '"', padded);
  if (close == npos) return false;
  texts->name = tag.substr(open + 1, close - open - 1);
  texts->kind = KindOf(k);

  size_t gap = close + 1;
  i = gap;
  bool lineBreak = false;
  for (; i < tag.size() && IsSpace(tag[i]); ++i)
    lineBreak |= tag[i] != ' ';
  if (i - gap > 1 && !lineBreak) return false;  // blanks alone: the walk keeps all but one
  k = i < tag.size() ? QuotedKeywordAt(tag, i, kValueKeywords, kKeywordCount) : -1;
  if (k < 0) return false;
  open = i + kKeywords[k].size() + 1;
  close = FindByte(tag, open + 1, '"', padded);
  if (close == npos) return false;
  string_view rest = tag.substr(close + 1);
  if (!rest.empty() && rest != " " && rest != "/" && rest != " /") return false;
  texts->value = tag.substr(open + 1, close - open - 1);
  texts->hasValue = true;
  return true;
}

// Copies a name into its record-sized buffer with "&quot;" read as the quote it stands for.
// The length copied.
size_t DecodeQuotes(char (&out)[sizeof(TagRecord::name)], string_view text) {
  if (text.find('&') == npos) return platform::CopyText(out, text);
  size_t n = 0;
  for (size_t i = 0; i < text.size() && n + 1 < sizeof out; ++i) {
    bool quot = text.substr(i, 6) == "&quot;";
    out[n++] = quot ? '"' : text[i];
    if (quot) i += 5;
  }
  out[n] = '\0';
  return n;
}

// Appends the tag the texts give, unless it is to be ignored. 0, or -1 after a reported
// failure.
int StoreTag(platform::WindowHandle window, const TagTexts& texts) {
  char name[sizeof(TagRecord::name)] = {};  // a filter may look at all of it
  size_t nameLength = DecodeQuotes(name, texts.name);

  if (name[0] == '$' && (SuppressControlTags != 0 || std::strcmp(name, kStampName) == 0)) return 0;
  if (OverwriteTag[0] != '\0' && name[0] == OverwriteTag[0] && std::strcmp(name, OverwriteTag) == 0)
    InSiteMap = 1;
  if (gKeep && !gKeep(name)) return PassOverPageTag() == 0 ? 0 : TableFull(window);

  TagRecord* slot = StagingSlot();
  if (!slot) return TableFull(window);
  std::memcpy(slot->name, name, nameLength + 1);
  if (!texts.hasValue) {
    slot->value[0] = '\0';
  } else {
    CopyOneLine(slot->value, sizeof slot->value, texts.value, texts.padded, true);
  }
  int entry = FindSchemaTag(name);
  slot->flags = (entry >= 0 && SchemaIndex ? SchemaIndex[entry].flags : 0) | texts.kind;
  if (CommitStagedTag() != 0) return TableFull(window);
  return 0;
}

int ParseTag(platform::WindowHandle window, string_view tag, bool padded) {
  TagTexts texts;
  texts.padded = padded;
  if (CustomNameImports[0] != '\0' || CustomValueImports[0] != '\0' ||
      !FindCommonTagTexts(tag, &texts)) {
    int found = FindTagTexts(window, tag, &texts);
    if (found <= 0) return found;
  }
  return StoreTag(window, texts);
}

}  // namespace

int ParseMetaTag(platform::WindowHandle window, string_view tag) {
  return ParseTag(window, tag, false);
}

int ParseMetaTagInFull(platform::WindowHandle window, string_view tag) {
  TagTexts texts;
  int found = FindTagTexts(window, tag, &texts);
  if (found <= 0) return found;
  return StoreTag(window, texts);
}

bool IsPageTag(string_view tag) {
  // The common form first: "<meta" and blanks, then a name attribute.
  if (tag.size() > 5) {
    size_t i = 5;
    while (i < tag.size() && IsSpace(tag[i]))
      ++i;
    if (i < tag.size()) {
      int k = KeywordIndexAt(tag, i);
      if (k >= kNameKeywords && k < kSchemeKeywords) return true;
    }
  }
  tag = WithoutEmptyElementSlash(tag);
  AttributeMap map;
  MapAttributes(tag, &map);
  size_t nameAt, nameStart;
  uint32_t kind;
  return FindNameAttribute(tag, map, &nameAt, &nameStart, &kind);
}

void NoteHeadDoesNotEnd(const char* path, size_t examined) {
  // A tree-tag file is no document: the walk names the branch it leaves alone.
  if (IsTreeTagPath(path)) return;
  size_t limit = static_cast<size_t>(HeadSizeBytes());
  std::string why =
      examined >= limit
          ? platform::Format("the head does not end within %zu bytes (raise \"Head Size\")", limit)
          : std::string("the head does not end (no </head>)");
  NoteDocumentSkipped(path, why.c_str());
}

void NoteUnopenedDocument(const char* path, int err) {
  if (IsTreeTagPath(path)) return;
  NoteDocumentFailed(
      path, platform::Format("cannot be opened: %s", platform::ErrorText(err).c_str()).c_str());
}

namespace {

// The bytes read from a document's start, with the padding a scan needs. Main thread only.
alignas(64) char gReadBuffer[kMaxScanSize + kPadding];
// What the last read left in gReadBuffer: its size, and how many bytes it asked for (0: the
// bytes are not the file's as they stand, or a read failed).
size_t gReadSize = 0;
size_t gReadAsked = 0;
unsigned long long gReadSerial = 0;  // reads so far

// Reads on from n bytes up to the head size, for a head that did not end in the first read.
// The bytes now read.
size_t ReadOn(int fd, size_t n) {
  size_t limit = std::min(static_cast<size_t>(HeadSizeBytes()), kMaxScanSize);
  while (n < limit) {
    long got = platform::Fs().Read(fd, gReadBuffer + n, limit - n);
    if (got < 0) {
      ReportReadError(platform::LastError());
      gReadAsked = 0;  // a cut head must not pass for the whole document
      break;
    }
    if (got == 0) break;
    n += static_cast<size_t>(got);
  }
  return n;
}

}  // namespace

extern "C" int ExtractMetatags(void* window, const char* path, int fd) {
  if (!path) path = "";
  Tagcount = 0;
  ClearPassedOverTags();
  gTitle[0] = '\0';

  char* buffer = gReadBuffer;
  gReadSize = gReadAsked = 0;
  ++gReadSerial;
  long got = platform::Fs().Read(fd, buffer, kHeadReadSize);
  if (got < 0) {
    int err = platform::LastError();
    ReportReadError(err);
    if (!IsTreeTagPath(path))
      NoteDocumentFailed(
          path, platform::Format("cannot be read: %s", platform::ErrorText(err).c_str()).c_str());
    got = 0;
  }
  if (got == 0) {
    platform::ShowMessageBox(window, "", "CRITICAL ERROR reading file", kExclamation);
    return -1;
  }
  size_t n = static_cast<size_t>(got);
  gReadAsked = kHeadReadSize;
  std::memset(buffer + n, 0, kPadding);
  HeadScan scan;
  ScanHead(buffer, n, &scan);
  // Only a head that has not ended in the first read costs more reads.
  if (scan.outcome == HeadOutcome::Unended && n == kHeadReadSize &&
      HeadSizeBytes() > static_cast<int>(kHeadReadSize)) {
    gReadAsked = std::min(static_cast<size_t>(HeadSizeBytes()), kMaxScanSize);
    n = ReadOn(fd, n);
    std::memset(buffer + n, 0, kPadding);
    ScanHead(buffer, n, &scan);
  }
  gReadSize = n;
  string_view text(buffer, n);

  if (scan.outcome == HeadOutcome::NoHead) {
    if (loglevel != 0) WriteAuditEntry(kAuditWarning, path, "ERROR - No <HEAD> tag");
    if (ShowMissingHead != 0) ShowNoHead(window, text);
    return -2;
  }
  if (scan.outcome == HeadOutcome::Unended) {
    if (loglevel != 0) WriteAuditEntry(kAuditWarning, path, "No </HEAD> tag - file ignored.");
    NoteHeadDoesNotEnd(path, n);
    return -1;
  }
  if (scan.outcome == HeadOutcome::RunawayMeta) {
    platform::ShowMessageBox(window, text, "CRITICAL ERROR - corrupt metatag", kExclamation);
    return -1;
  }
  if (autotags & kAutoTitle) ReadTitle(text, scan);

  // Only the meta tags of the head are read, as the rewrite replaces only those.
  // A filtered read with needles passes over the tags that hold none where that cannot change
  // the outcome: no tag, counted or not, can fill the table (each meta tag gives at most one
  // tag, and the automatic tags come on top), and no custom import can make a tag fail to parse.
  // The sitemap's tag is always read, for InSiteMap. Needles are kept for the first read's size.
  bool passOver = gNeedles && n <= kHeadReadSize && CustomNameImports[0] == '\0' &&
                  CustomValueImports[0] == '\0' &&
                  static_cast<int>(scan.metaCount) + 3 <= PageTagCapacity();
  NeedleScanner needles(text);
  for (uint32_t i = 0; i < scan.metaCount; ++i) {
    size_t at = scan.metaStart[i];
    size_t close = scan.metaEnd[i];
    if (passOver && !needles.AnyIn(at, close)) continue;
    // The parser takes "<meta" in lower case; the bytes go back as they were, since a rewrite
    // may reuse them (LastReadBytes).
    char written[4];
    std::memcpy(written, buffer + at + 1, 4);
    bool folded = std::memcmp(written, "meta", 4) != 0;
    if (folded) std::memcpy(buffer + at + 1, "meta", 4);
    int rc = ParseTag(window, text.substr(at, close - at), true);
    if (folded) std::memcpy(buffer + at + 1, written, 4);
    if (rc != 0) return -1;
  }

  if (autotags == 0 || IsTreeTagPath(path)) return 0;
  if ((autotags & kAutoTitle) && gTitle[0] != '\0') SetAutoTag("DC.Title", gTitle);
  if (autotags & kAutoIdentifier) SetIdentifierTag(path);
  if (autotags & kAutoTouched) SetTouchedTag();
  return 0;
}

unsigned long long ReadSerial() {
  return gReadSerial;
}

std::string_view LastReadBytes(size_t* asked) {
  *asked = gReadAsked;
  return gReadAsked == 0 ? std::string_view() : std::string_view(gReadBuffer, gReadSize);
}

int ReadPageTags(platform::WindowHandle window, const char* path) {
  sourceline = kLineReadPageTags;
  return ReadPageTagsAt(window, -1, nullptr, path);
}

int ReadPageTagsAt(platform::WindowHandle window, int dirFd, const char* name, const char* path) {
  return ReadPageTagsAt(window, dirFd, name, path, nullptr);
}

int ReadPageTagsAt(platform::WindowHandle window, int dirFd, const char* name, const char* path,
                   TagNameFilter keep) {
  return ReadPageTagsAt(window, dirFd, name, path, TagFilter{keep, nullptr});
}

void PrepareTagNeedles(TagNeedles* needles, const char* const* texts) {
  needles->groupCount = 0;
  platform::CopyText(needles->overwriteTag, OverwriteTag);
  for (; *texts; ++texts)
    if (!AddNeedle(needles, *texts)) {
      needles->groupCount = -1;
      return;
    }
  if (OverwriteTag[0] != '\0' && !AddNeedle(needles, OverwriteTag)) needles->groupCount = -1;
}

void UseWideReaderScans(bool wide) {
#if defined(TS_WIDE_SCANS)
  gWideScans = wide && ProcessorHasAvx2();
#else
  (void)wide;
#endif
}

int ReadPageTagsAt(platform::WindowHandle window, int dirFd, const char* name, const char* path,
                   const TagFilter& filter) {
  Tagcount = 0;
  if (!path) path = "";
  platform::FileSystem& fs = platform::Fs();
  int fd = dirFd >= 0 && name ? fs.OpenAt(dirFd, name, platform::OpenFor::Read, 0)
                              : fs.Open(path, platform::OpenFor::Read, 0);
  if (fd < 0) {
    // Only a tree-tag file that does not exist reads as empty; one that cannot be read is
    // reported like any other file, so its tags are not silently taken as none.
    int err = platform::LastError();
    if (IsTreeTagPath(path) && (err == ENOENT || err == ENOTDIR)) return 0;
    ShowSystemError("ERROR OPENING FILE", path);
    NoteUnopenedDocument(path, err);
    return -1;
  }
  gKeep = filter.keep;
  // Needles made with another OverwriteTag might pass over the sitemap's tag: not used then.
  gNeedles = filter.keep && filter.needles && filter.needles->groupCount >= 0 &&
                     std::strcmp(filter.needles->overwriteTag, OverwriteTag) == 0
                 ? filter.needles
                 : nullptr;
  int rc = ExtractMetatags(window, path, fd);
  gKeep = nullptr;
  gNeedles = nullptr;
  ClearPassedOverTags();
  fs.Close(fd);
  return rc;
}
