// The head writer: tag records become meta tag markup, and the markup goes back into a
// document through a work file, so a document on disk is always either the old or the new one.
#pragma once

#include <cstddef>
#include <string_view>

#include "engine/page_tags.h"
#include "platform/fs.h"
#include "platform/ui.h"

// Size of a rendered tags text, terminator included.
constexpr size_t kTagsTextSize = 4096;

// Appends the markup of one record to the NUL-terminated text (capacity cap) under the markup
// options, with the name attribute of the record's kind (see TF_KIND_NAME). When the whole tag
// would not fit, "M042" is reported and the tag is written without its value, or not at all when
// even that does not fit; the text never passes cap - 1 bytes.
void RenderTag(char* text, size_t cap, const TagRecord& record);
template <size_t N>
void RenderTag(char (&text)[N], const TagRecord& record) {
  RenderTag(text, N, record);
}
// RenderTag with these flags in place of the record's (for a record that is not the
// document's own: an inherited tag takes the kind of the document's tag of its name).
void RenderTag(char* text, size_t cap, const TagRecord& record, uint32_t flags);

// Fills StampTag's value from the version texts and today's date and renders it into EdBuffer.
void RenderStamp();

// Replaces the meta tag block of the document by the stamp and tagsText. 0 when written, or
// when the document has no head tag (it is left unchanged); -1 on failure (reported; the
// document is unchanged).
int RewriteHead(platform::WindowHandle window, const char* path, const char* tagsText);
// A document its caller holds open for reading, with what StatOpen said of it then. A rewrite
// given one reads the document through fd rather than opening its path again, as long as the
// path still names that same file (else it opens the path as usual); fd stays the caller's.
struct HeldDocument {
  int fd = -1;
  platform::FileInfo info;
  bool known = false;  // info was read (with bytes: before they were read)
  // fd was opened through path without following a link: path named fd's file then.
  bool direct = false;
  // With direct: the directory fd was opened in (by the file name of path), or -1. The rewrite
  // then makes and renames its work file there by name; it stays the caller's.
  int dirFd = -1;
  // Or, in place of info: the first bytes the caller read through fd, from the file's start
  // (asked: how many it asked for; fewer came, the file ended there). The rewrite starts from
  // these, and asks what the file is only when it is going to write it: then the path must
  // still name fd's file and the file must still begin with these bytes, else it is left alone.
  // With info known and direct, and a file whose times are old enough to show any later change
  // (see platform::RecentlyChanged), nothing is asked before the write: the commit replaces the
  // file only while it is still as info says.
  const char* bytes = nullptr;
  size_t size = 0;
  size_t asked = 0;
};
// RewriteHead reading through a held document (nullptr: none).
int RewriteHead(platform::WindowHandle window, const char* path, const char* tagsText,
                const HeldDocument* held);

// As RewriteHead, but -2 for a document without a head tag.
int RewriteHeadStatus(platform::WindowHandle window, const char* path, const char* tagsText);

// Replaces the first style-sheet link of the head (a link whose rel holds "stylesheet") by a
// style sheet link to address, or adds one after the head tag. Results as RewriteHead.
int InsertStylesheetLink(platform::WindowHandle window, const char* path, const char* address,
                         const HeldDocument* held = nullptr);

// A preview: a rewrite that would write a document hands its path, its head as it is and as it
// would be written to the sink, writes nothing, and counts the document as changed. nullptr
// ends the preview.
using RewritePreview = void (*)(const char* path, std::string_view before, std::string_view after);
void SetRewritePreview(RewritePreview sink);
bool RewritePreviewing();
// Hands a whole file that a task would change (before: as it is, empty when it does not exist;
// after: as it would be, empty when it would be removed) to the preview's sink.
void PreviewFileChange(const char* path, std::string_view before, std::string_view after);

// True when two heads differ in nothing but the generator stamp and the AD.Touched tags.
bool SameHeadButStamp(std::string_view a, std::string_view b);

// How many rewrites found that another program had replaced or written their document after it
// was read, and left it as that program left it (reported in the tally, without a box).
int RewritesLeftAlone();

// Gives a read-only file owner write permission. Always 0 (a failure is reported).
int MakeWritable(const char* path);
