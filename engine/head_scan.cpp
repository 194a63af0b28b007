#include "engine/head_scan.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

using std::string_view;
constexpr size_t npos = string_view::npos;
constexpr uint32_t kNone = HeadScan::kNone;

// A meta tag takes at least the six bytes of "<meta>": the most one text can hold.
constexpr size_t kMaxMetas = kMaxScanSize / 6 + 1;
uint32_t gMetaStart[kMaxMetas];
uint32_t gMetaEnd[kMaxMetas];

char Lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
}

// True when p holds word (lower case) in any letter case. The padding after a text holds no
// letter, so a word cut by the text's end is not there.
bool AtNoCase(const char* p, string_view word) {
  for (size_t i = 0; i < word.size(); ++i)
    if (Lower(p[i]) != word[i]) return false;
  return true;
}

bool At(const char* p, string_view word) {
  return std::memcmp(p, word.data(), word.size()) == 0;
}

// What may follow a tag's name.
bool EndsTagName(char c) {
  return IsTagSpace(c) || c == '>' || c == '/';
}

bool IsLetter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// The first position in [from, n) that holds c, or npos. The text is padded, so the last block
// may be loaded whole.
size_t FindByte(const char* text, size_t from, size_t n, char c) {
#if defined(__SSE2__)
  const __m128i wanted = _mm_set1_epi8(c);
  for (; from < n; from += 16) {
    __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + from));
    unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, wanted)));
    if (mask == 0) continue;
    size_t at = from + static_cast<size_t>(__builtin_ctz(mask));
    return at < n ? at : npos;
  }
  return npos;
#else
  const void* p = from < n ? std::memchr(text + from, c, n - from) : nullptr;
  return p ? static_cast<size_t>(static_cast<const char*>(p) - text) : npos;
#endif
}

// "</head" followed by white space or ">", in any letter case.
bool IsHeadEndAt(const char* p) {
  return p[1] == '/' && AtNoCase(p + 2, "head") && (IsTagSpace(p[6]) || p[6] == '>');
}

// Where the comment opened at `at` ends (after its "-->"), or n when it does not.
size_t SkipComment(const char* text, size_t at, size_t n) {
  size_t close = string_view(text, n).find("-->", at + 4);
  return close == npos ? n : close + 3;
}

// The end tag "</name" (lower case, any letter case) of a script or style element whose text
// starts at from, or n when the element does not end.
size_t RawTextEnd(const char* text, size_t from, size_t n, string_view name) {
  for (size_t at = FindByte(text, from, n, '<'); at != npos; at = FindByte(text, at + 1, n, '<')) {
    const char* p = text + at;
    if (p[1] == '/' && AtNoCase(p + 2, name) && EndsTagName(p[2 + name.size()])) return at;
  }
  return n;
}

// A start tag's extent: its ">", and the first "</head" its text holds (then the head ends
// inside it and its ">" is not its own).
struct TagSpan {
  size_t end = npos;
  size_t headEnd = npos;
  bool unclosed = false;  // a quote did not close
};

// True when the quote at q opens an attribute's value: "=" stands before it, blanks aside.
bool OpensValue(const char* text, size_t start, size_t q) {
  while (q > start && IsTagSpace(text[q - 1]))
    --q;
  return q > start && text[q - 1] == '=';
}

// The first "</head" in [from, to), or npos.
size_t HeadEndIn(const char* text, size_t from, size_t to) {
  for (size_t at = FindByte(text, from, to, '<'); at != npos; at = FindByte(text, at + 1, to, '<'))
    if (IsHeadEndAt(text + at)) return at;
  return npos;
}

// The bytes of text[base, base + 16) that are ">", a quote or "<", one bit each; none from n on.
unsigned TagStops(const char* text, size_t base, size_t n) {
  unsigned mask = 0;
#if defined(__SSE2__)
  __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + base));
  __m128i hit = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(block, _mm_set1_epi8('>')),
                                          _mm_cmpeq_epi8(block, _mm_set1_epi8('"'))),
                             _mm_or_si128(_mm_cmpeq_epi8(block, _mm_set1_epi8('\'')),
                                          _mm_cmpeq_epi8(block, _mm_set1_epi8('<'))));
  mask = static_cast<unsigned>(_mm_movemask_epi8(hit));
#else
  for (unsigned i = 0; i < 16; ++i) {
    char c = text[base + i];
    if (c == '>' || c == '"' || c == '\'' || c == '<') mask |= 1u << i;
  }
#endif
  if (n - base < 16) mask &= (1u << (n - base)) - 1;
  return mask;
}

// The span of a tag whose quote does not close: it ends at its first ">".
TagSpan Unclosed(const char* text, size_t at, size_t n) {
  TagSpan span;
  span.unclosed = true;
  span.end = FindByte(text, at, n, '>');
  span.headEnd = HeadEndIn(text, at, span.end == npos ? n : span.end);
  return span;
}

// The tag starting at `at` ends at the first ">" that is not inside a quoted value. A quote that
// does not close before the end of the head (or of the text) leaves the first ">" to end it.
// One pass over the tag's blocks.
TagSpan ScanTag(const char* text, size_t at, size_t n) {
  TagSpan span;
  char quote = 0;  // the quote of the value the walk is inside
  for (size_t base = at + 1; base < n; base += 16) {
    for (unsigned mask = TagStops(text, base, n); mask != 0; mask &= mask - 1) {
      size_t q = base + static_cast<size_t>(__builtin_ctz(mask));
      char c = text[q];
      if (c == '<' && IsHeadEndAt(text + q)) {
        if (quote) return Unclosed(text, at, n);
        span.headEnd = q;
        span.end = FindByte(text, q, n, '>');
        return span;
      }
      if (quote) {
        if (c == quote) quote = 0;
      } else if (c == '>') {
        span.end = q;
        return span;
      } else if (c != '<' && OpensValue(text, at, q)) {
        quote = c;
      }
    }
  }
  return quote ? Unclosed(text, at, n) : span;
}

bool IsMetaAt(const char* p) {
  return At(p + 1, "meta") || At(p + 1, "META") || At(p + 1, "Meta");
}

// The start tags the scan treats apart, told by their names.
enum class TagName { Other, Meta, Link, Script, Style };

TagName NameAt(const char* p) {
  switch (p[1] | 0x20) {
    case 'm':
      return IsMetaAt(p) ? TagName::Meta : TagName::Other;
    case 'l':
      return AtNoCase(p + 1, "link") && EndsTagName(p[5]) ? TagName::Link : TagName::Other;
    case 's':
      if (AtNoCase(p + 1, "script") && EndsTagName(p[7])) return TagName::Script;
      return AtNoCase(p + 1, "style") && EndsTagName(p[6]) ? TagName::Style : TagName::Other;
    default:
      return TagName::Other;
  }
}

// After the start tag of a script or style element: where its text ends.
size_t AfterRawText(const char* text, size_t pos, size_t n, TagName name) {
  if (name == TagName::Script) return RawTextEnd(text, pos, n, "script");
  if (name == TagName::Style) return RawTextEnd(text, pos, n, "style");
  return pos;
}

// Records the title spellings the reader knows, at p, in the head.
void NoteTitle(const char* p, uint32_t at, HeadScan* scan) {
  static constexpr string_view kSpellings[] = {"TITLE", "title", "Title"};
  bool close = p[1] == '/';
  const char* name = p + (close ? 2 : 1);
  if (name[5] != '>') return;
  for (int i = 0; i < 3; ++i) {
    if (!At(name, kSpellings[i])) continue;
    uint32_t& slot = scan->titles[(close ? 3 : 0) + i];
    if (slot == kNone) slot = at;
    return;
  }
}

bool IsStyleSheetLink(const char* text, size_t at, size_t end) {
  bool found = false;
  string_view rel = TagAttribute(string_view(text + at, end - at), "rel", &found);
  if (!found || rel.size() < 10) return false;
  for (size_t i = 0; i + 10 <= rel.size(); ++i)
    if (AtNoCase(rel.data() + i, "stylesheet")) return true;
  return false;
}

void NoteLink(const char* text, size_t at, const TagSpan& span, size_t n, HeadScan* scan) {
  if (scan->sheetStart != kNone) return;
  size_t end = span.headEnd != npos ? span.headEnd : span.end;
  if (!IsStyleSheetLink(text, at, end == npos ? n : end)) return;
  scan->sheetStart = static_cast<uint32_t>(at);
  if (span.headEnd != npos || span.end == npos) return;
  // A meta tag inside the link's text means the link lost its own ">".
  for (size_t lt = FindByte(text, at + 1, span.end, '<'); lt != npos;
       lt = FindByte(text, lt + 1, span.end, '<'))
    if (IsMetaAt(text + lt)) return;
  scan->sheetEnd = static_cast<uint32_t>(span.end);
}

// From the head tag's ">" on: the landmarks of the head up to its end.
void ScanInsideHead(const char* text, size_t n, HeadScan* scan) {
  scan->outcome = HeadOutcome::Unended;
  for (size_t pos = scan->headTagEnd + 1u;;) {
    size_t at = FindByte(text, pos, n, '<');
    if (at == npos) return;
    const char* p = text + at;
    pos = at + 1;
    if (p[1] == '!') {
      if (p[2] == '-' && p[3] == '-') pos = SkipComment(text, at, n);
      continue;
    }
    if (p[1] == '/') {
      if (IsHeadEndAt(p)) {
        scan->headEnd = static_cast<uint32_t>(at);
        scan->outcome = HeadOutcome::Ended;
        return;
      }
      NoteTitle(p, static_cast<uint32_t>(at), scan);
      continue;
    }
    if (!IsLetter(p[1])) continue;
    TagSpan span = ScanTag(text, at, n);
    scan->unclosedQuote |= span.unclosed;
    TagName name = NameAt(p);
    bool meta = name == TagName::Meta;
    if (meta && span.headEnd != npos) {
      scan->headEnd = static_cast<uint32_t>(span.headEnd);
      scan->outcome = HeadOutcome::RunawayMeta;
      return;
    }
    if (name == TagName::Link) NoteLink(text, at, span, n, scan);
    if (span.headEnd != npos) {
      // The head ends inside this tag's text: the tag ends there.
      pos = span.headEnd;
      continue;
    }
    if (span.end == npos) return;  // no ">" after it: nor an end of the head
    if (meta) {
      scan->metaStart[scan->metaCount] = static_cast<uint32_t>(at);
      scan->metaEnd[scan->metaCount] = static_cast<uint32_t>(span.end);
      ++scan->metaCount;
    } else if ((p[1] | 0x20) == 't') {
      NoteTitle(p, static_cast<uint32_t>(at), scan);
    }
    pos = AfterRawText(text, span.end + 1, n, name);
  }
}

}  // namespace

void ScanHead(const char* text, size_t n, HeadScan* scan) {
  *scan = HeadScan{};
  scan->metaStart = gMetaStart;
  scan->metaEnd = gMetaEnd;
  if (n > kMaxScanSize) n = kMaxScanSize;
  // Before the head only comments, scripts and styles are passed over as a whole.
  for (size_t pos = 0;;) {
    size_t at = FindByte(text, pos, n, '<');
    if (at == npos) return;
    const char* p = text + at;
    pos = at + 1;
    if (p[1] == '!' && p[2] == '-' && p[3] == '-') {
      pos = SkipComment(text, at, n);
    } else if (AtNoCase(p + 1, "head") && EndsTagName(p[5])) {
      scan->head = static_cast<uint32_t>(at);
      break;
    } else if (IsLetter(p[1])) {
      pos = AfterRawText(text, pos, n, NameAt(p));
    }
  }
  TagSpan span = ScanTag(text, scan->head, n);
  scan->unclosedQuote = span.unclosed;
  if (span.end == npos || span.headEnd != npos) {
    scan->outcome = HeadOutcome::Unended;
    return;
  }
  scan->headTagEnd = static_cast<uint32_t>(span.end);
  ScanInsideHead(text, n, scan);
}

string_view TagAttribute(string_view tag, string_view name, bool* found) {
  *found = false;
  size_t from = tag.starts_with('<') ? 1 : 0;
  while (from < tag.size() && !EndsTagName(tag[from]))
    ++from;
  string_view value;
  ForEachAttributeStart(tag, from, [&](size_t at) {
    if (tag.size() - at <= name.size() || !AtNoCase(tag.data() + at, name) ||
        tag[at + name.size()] != '=')
      return size_t{0};
    size_t start = at + name.size() + 1;
    while (start < tag.size() && IsTagSpace(tag[start]))
      ++start;
    size_t end;
    if (start < tag.size() && (tag[start] == '"' || tag[start] == '\'')) {
      char quote = tag[start++];
      end = tag.find(quote, start);
      if (end == npos) end = tag.size();
    } else {
      end = start;
      while (end < tag.size() && !IsTagSpace(tag[end]))
        ++end;
    }
    value = tag.substr(start, end - start);
    *found = true;
    return kStopAttributes;
  });
  return value;
}
