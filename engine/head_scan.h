// Finding the head of a document in the bytes read from its start: the head tag, its end, and
// the meta tags, titles and first style-sheet link inside it. The reader and the rewrite both
// see a head through this one scan, so they agree on every tag.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

// Zero bytes that must follow a scanned text: a block may be loaded at any byte of it.
constexpr size_t kScanPadding = 32;
// The most bytes one scan looks at (the largest "Head Size").
constexpr size_t kMaxScanSize = size_t{1} << 20;

enum class HeadOutcome {
  Ended,        // the head tag and the end of its head were found
  NoHead,       // no head tag
  Unended,      // the head does not end within the text
  RunawayMeta,  // a meta tag of the head runs into the end of the head: it has no ">" of its own
};

struct HeadScan {
  static constexpr uint32_t kNone = UINT32_MAX;
  HeadOutcome outcome = HeadOutcome::NoHead;
  uint32_t head = kNone;        // "<head", in any letter case
  uint32_t headTagEnd = kNone;  // its ">"
  uint32_t headEnd = kNone;     // "</head", in any letter case
  // The meta tags ("<meta", "<META", "<Meta") between the head tag and its end, in order: where
  // each starts and its ">". The storage is the scan's own and lasts until the next scan.
  uint32_t metaCount = 0;
  uint32_t* metaStart = nullptr;
  uint32_t* metaEnd = nullptr;
  // The first "<TITLE>", "<title>", "<Title>", "</TITLE>", "</title>", "</Title>" in the head.
  uint32_t titles[6] = {kNone, kNone, kNone, kNone, kNone, kNone};
  // The first link tag of the head whose rel holds "stylesheet", and its ">". sheetEnd is kNone
  // when the link has no ">" of its own (it runs into the end of the head or a meta tag).
  uint32_t sheetStart = kNone;
  uint32_t sheetEnd = kNone;
  // A tag of the head has a quote that does not close: it ended at its first ">". What is
  // written after such a tag may close the quote and so be taken into it.
  bool unclosedQuote = false;
};

// Scans text[0, n), which is followed by kScanPadding zero bytes; n <= kMaxScanSize. Nothing
// inside a comment, a script or a style element is a landmark, and a ">" inside a quoted
// attribute value does not end a tag.
void ScanHead(const char* text, size_t n, HeadScan* scan);

// True for white space between attributes.
inline bool IsTagSpace(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f';
}

// Calls visit(position) for every place of tag, from `from` on, where an attribute can begin:
// after blanks and after a value, but never inside a quoted value (a quote opens right after "=",
// blanks aside). visit returns how many bytes it found to be the attribute's name (0 when it did
// not look), or kStopAttributes.
constexpr size_t kStopAttributes = static_cast<size_t>(-1);
template <class Visit>
void ForEachAttributeStart(std::string_view tag, size_t from, Visit visit) {
  size_t n = tag.size();
  size_t i = from;
  while (i < n) {
    if (IsTagSpace(tag[i])) {
      ++i;
      continue;
    }
    size_t known = visit(i);
    if (known == kStopAttributes) return;
    i += known;
    while (i < n && !IsTagSpace(tag[i]) && tag[i] != '=')
      ++i;
    if (i >= n || tag[i] != '=') continue;
    ++i;
    size_t quote = i;
    while (quote < n && IsTagSpace(tag[quote]))
      ++quote;
    if (quote < n && (tag[quote] == '"' || tag[quote] == '\'')) {
      size_t close = tag.find(tag[quote], quote + 1);
      i = close == std::string_view::npos ? n : close + 1;
    } else {
      while (i < n && !IsTagSpace(tag[i]))
        ++i;
    }
  }
}

// The value of the attribute `name` (lower case, matched in any letter case) of a tag's text,
// without its quotes; found is false when the tag has no such attribute.
std::string_view TagAttribute(std::string_view tag, std::string_view name, bool* found);
