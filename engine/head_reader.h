// The HTML head reader: the meta tags of one document or tree-tag file into the page tag
// table, with the automatic tags the site asks for.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/ui.h"

// Set to 1 when a document carries the tag named by OverwriteTag; never reset by the reader.
extern int InSiteMap;
// 1 in normal operation: tags whose names begin with "$" are not read. "$RUZOZAZEZO" is never
// read, whatever this says.
extern int SuppressControlTags;
// When not 0, a document without a head is shown to the user, who may switch this off.
extern int ShowMissingHead;

// Bytes of a document the reader reads first; only a head that has not ended there makes it
// read on, up to HeadSizeBytes().
constexpr size_t kHeadReadSize = 4096;

// Reads the document at path into the page tag table. 0, -1 on failure, -2 when the document
// has no head. A missing tree-tag file reads as an empty table.
int ReadPageTags(platform::WindowHandle window, const char* path);

// ReadPageTags for the file `name` of the directory open as dirFd (see
// platform::FileSystem::OpenDir), whose full path is path: the file is opened relative to the
// directory; path serves the messages and the automatic tags. A dirFd below 0 opens path.
int ReadPageTagsAt(platform::WindowHandle window, int dirFd, const char* name, const char* path);

// Which tags a filtered read stores, judged by the name as a record holds it (cut at 31
// characters, the rest of the 32 bytes zero). The tags it refuses still count against the
// table's capacity (PassOverPageTag): a read fails where the full read fails, the automatic
// tags are placed as after a full read when their names are kept, and a name-ordered tidy of
// what is stored equals the full read's tidy with the refused names taken out.
using TagNameFilter = bool (*)(const char (&name)[32]);

// ReadPageTagsAt storing only the tags keep accepts (all of them when keep is nullptr).
int ReadPageTagsAt(platform::WindowHandle window, int dirFd, const char* name, const char* path,
                   TagNameFilter keep);

// Texts such that every name a filter keeps holds one of them, letter case aside, made ready
// for the reader once (PrepareTagNeedles) and then used by every read of a task.
struct TagNeedles {
  struct Needle {
    char folded[32];  // the bytes with the 0x20 bit set
    size_t size;
    uint64_t head;      // the first eight folded bytes (fewer for a shorter needle)
    uint64_t headMask;  // the bits of head that belong to the needle
  };
  // The needles whose first and third folded bytes are the same.
  struct Group {
    char lead[2];
    int count;
    Needle needles[8];
  };
  Group groups[8];
  int groupCount = -1;          // -1: no needles the reader can use
  char overwriteTag[256] = {};  // the OverwriteTag they were made with
};

// Makes needles from a list of texts ending in nullptr, with OverwriteTag as it is now (a tag
// that may carry it is always read, for InSiteMap). A text shorter than three bytes, or too many
// of them, leaves needles unusable; a text longer than a name is dropped (no name holds it).
void PrepareTagNeedles(TagNeedles* needles, const char* const* texts);

// A filter with what the reader may know of it beforehand: with needles, a tag whose text holds
// none of them is passed over unread wherever that cannot change the outcome (the table cannot
// fill up, no custom import is set, OverwriteTag is still the one they were made with).
struct TagFilter {
  TagNameFilter keep = nullptr;
  const TagNeedles* needles = nullptr;
};
int ReadPageTagsAt(platform::WindowHandle window, int dirFd, const char* name, const char* path,
                   const TagFilter& filter);

// Chooses the chunk scans the reader uses: the widest the processor has (the default), or
// always the 16-byte ones. For tests that hold the two against each other.
void UseWideReaderScans(bool wide);

// Reads the meta tags from the open file fd (from its current position) into the page tag
// table. The path is used for messages and the automatic tags. Same results as ReadPageTags.
// Exported from the program for plug-ins.
extern "C" int ExtractMetatags(void* window, const char* path, int fd);

// The bytes the last ExtractMetatags read, from where it began and as they are in the file, and
// how many it asked for (fewer came: the file ended there). Valid until the next read; empty,
// with asked 0, when that read failed.
std::string_view LastReadBytes(size_t* asked);
// Counts the reads: while it stays the same, LastReadBytes is the same.
unsigned long long ReadSerial();

// Parses one meta tag, from "<meta" up to (not including) its ">", and appends its tag to the
// table unless it is to be ignored. 0, or -1 after a reported failure (the table is then empty).
int ParseMetaTag(platform::WindowHandle window, std::string_view tag);

// ParseMetaTag without its shortcut for the common form of a tag: every tag through the full
// attribute walk. The same results; for tests that hold the two against each other.
int ParseMetaTagInFull(platform::WindowHandle window, std::string_view tag);

// True when the reader takes the meta tag text (from "<meta" up to its ">") for a page tag: it
// has a name or http-equiv attribute (or one of CustomNameImports). The rewrite replaces exactly
// these tags and keeps every other one.
bool IsPageTag(std::string_view tag);

// Counts in the document tally a document whose head does not end within the bytes examined
// (HeadSizeBytes(), or the whole of a shorter file). Tree-tag files are not counted: a walk
// names the branch it leaves alone for one.
void NoteHeadDoesNotEnd(const char* path, size_t examined);
// Counts in the document tally a document that cannot be opened (err: the error); not a
// tree-tag file.
void NoteUnopenedDocument(const char* path, int err);

// True for a tree-tag file: the path contains "meta.tag" or "META.TAG", or its file name is
// meta.tag in any letter case.
bool IsTreeTagPath(std::string_view path);
