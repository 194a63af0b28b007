#include "engine/head_writer.h"

#include <algorithm>
#include <cstring>
#include <ctime>
#include <string>
#include <string_view>

#include "config/settings.h"
#include "config/version.h"
#include "engine/doc_tally.h"
#include "engine/head_reader.h"
#include "engine/head_scan.h"
#include "engine/rewrite_plan.h"
#include "log/audit.h"
#include "log/source_line.h"
#include "platform/clock.h"
#include "platform/fs.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "schema/schema.h"

namespace {

using std::string_view;
constexpr size_t npos = string_view::npos;

constexpr const char kBufferFull[] =
    "M042:Tag Buffer is full! - Please contact Zelvane for an updated copy of Tagsteward";

// The first chunk of a document is searched, and more of it only while its head has not ended;
// the rest is copied as it is.
constexpr size_t kChunkSize = kRewriteChunkSize;
constexpr size_t kCopySize = 65536;

// Appends bytes to a fixed text whose room the caller has checked.
struct Appender {
  char* at;
  void Put(string_view s) {
    std::memcpy(at, s.data(), s.size());
    at += s.size();
  }
};

// The bytes read from the start of a document. Every byte of them is searched, NULs included,
// as the reader does: both must see the same meta tags.
struct Chunk {
  // Room for the largest head size and the scan's padding, reserved once. Main thread only.
  static inline char gBytes[kMaxScanSize + kScanPadding];
  char* bytes = gBytes;
  size_t size = 0;   // bytes read
  size_t asked = 0;  // bytes asked for: when all came, the document may go on

  string_view Slice(size_t begin, size_t end) const {
    return string_view(bytes + begin, end - begin);
  }
};

constexpr const char kChangedMeanwhile[] =
    "changed by another program while it was being rewritten: left alone";
int gLeftAlone = 0;

// True when the file name of path is a work file's.
bool IsWorkFileName(const std::string& path) {
  size_t slash = path.rfind('/');
  return platform::IsWorkFileName(string_view(path).substr(slash == npos ? 0 : slash + 1));
}

// A new head gathered in memory, with the separators a Rewrite writes.
struct HeadText {
  std::string* s;
  int Put(string_view piece) {
    s->append(piece);
    return 0;
  }
  int Separate() {
    char last = s->empty() ? '\0' : s->back();
    return last == '\n' || last == '>' || last == '\0' ? 0 : Put("\r\n");
  }
};

// The stamp's and AD.Touched's meta tag: a rewrite moves them whatever else it does.
bool IsMovingTag(string_view tag) {
  for (string_view name : {string_view("$RUZOZAZEZO"), string_view("AD.Touched")}) {
    for (size_t at = tag.find(name); at != npos; at = tag.find(name, at + 1)) {
      size_t end = at + name.size();
      char before = at > 0 ? tag[at - 1] : '\0';
      char after = end < tag.size() ? tag[end] : '>';
      if (before == '\'' || before == '"') before = at > 1 ? tag[at - 2] : '\0';
      if (before == '=' && (after == '"' || after == '\'' || after == '>' || IsTagSpace(after)))
        return true;
    }
  }
  return false;
}

// Moves *at past the moving tags (each with the line break after it) that start there.
void SkipMovingTags(string_view text, size_t* at) {
  while (*at < text.size() && text[*at] == '<' && text.size() - *at > 5 &&
         platform::EqualsNoCase(text.substr(*at, 5), "<meta")) {
    size_t close = text.find('>', *at);
    if (close == npos || !IsMovingTag(text.substr(*at, close + 1 - *at))) return;
    size_t i = close + 1;
    if (i < text.size() && text[i] == '\r') ++i;
    if (i < text.size() && text[i] == '\n') ++i;
    *at = i;
  }
}

}  // namespace

bool SameHeadButStamp(string_view a, string_view b) {
  // A moving tag starts with "<": the bytes up to the next "<" of either text are compared at
  // once, and only where a "<" stands are moving tags looked for.
  size_t i = 0, j = 0;
  for (;;) {
    SkipMovingTags(a, &i);
    SkipMovingTags(b, &j);
    if (i == a.size() || j == b.size()) return i == a.size() && j == b.size();
    if (a[i++] != b[j++]) return false;
    size_t nextA = a.find('<', i), nextB = b.find('<', j);
    size_t span = std::min(nextA == npos ? a.size() - i : nextA - i,
                           nextB == npos ? b.size() - j : nextB - j);
    if (std::memcmp(a.data() + i, b.data() + j, span) != 0) return false;
    i += span;
    j += span;
  }
}

namespace {

// One rewrite: the document read through fd, the new one written through a work file.
class Rewrite {
 public:
  Rewrite(platform::WindowHandle window, const char* path) : window_(window), path_(path) {}
  ~Rewrite() {
    if (fd_ >= 0 && ownsFd_) platform::Fs().Close(fd_);
  }

  // Reads the first chunk: through the held document when the path still names that file (the
  // file the rewrite will replace), else through the path opened anew.
  int Open(const HeldDocument* held) {
    if (held && held->fd >= 0 && held->bytes && held->asked > 0 && held->size <= held->asked &&
        held->asked <= kMaxScanSize) {
      // The bytes the caller read: nothing is asked of the file unless it is to be written.
      fd_ = held->fd;
      ownsFd_ = false;
      heldBytes_ = true;
      direct_ = held->direct;
      dirFd_ = held->direct ? held->dirFd : -1;
      if (held->known) {
        readInfo_ = held->info;
        readInfoKnown_ = true;
      }
      std::memcpy(chunk_.bytes, held->bytes, held->size);
      chunk_.size = held->size;
      chunk_.asked = held->asked;
      std::memset(chunk_.bytes + chunk_.size, 0, kScanPadding);
      offset_ = static_cast<long long>(chunk_.size);
      return 0;
    }
    if (held && held->fd >= 0 && held->known && out_.Resolve(path_) == 0 && out_.targetExists() &&
        out_.targetInfo().isRegular && out_.targetInfo().device == held->info.device &&
        out_.targetInfo().inode == held->info.inode) {
      resolved_ = true;
      fd_ = held->fd;
      ownsFd_ = false;
      // The size just asked ends the document without a read that finds nothing more.
      knownSize_ = out_.targetInfo().size;
      return ReadChunk();
    }
    fd_ = platform::Fs().Open(path_, platform::OpenFor::Read, 0);
    if (fd_ < 0) return ReadFailed();
    return ReadChunk();
  }

  Chunk& chunk() { return chunk_; }

  // For a head that has not ended in the first chunk: reads on up to the head size. True when
  // more was read.
  bool ReadOn() {
    size_t limit = std::min(static_cast<size_t>(HeadSizeBytes()), kMaxScanSize);
    if (chunk_.size != chunk_.asked || chunk_.size >= limit) return false;
    size_t before = chunk_.size;
    if (ReadChunk(limit) != 0) return false;
    return chunk_.size > before;
  }
  // What went wrong, for the tally, once a step has failed.
  const char* failure() const { return failure_; }
  // How far the rewrite came: the work file was asked for; the new document is in place.
  bool begun() const { return begun_; }
  bool written() const { return written_; }
  // Another program changed the document meanwhile: skipped, not failed.
  bool leftAlone() const { return leftAlone_; }
  int Start() {
    begun_ = true;
    return Begin();
  }
  // resume past at most two line breaks, as the rewrite skips them.
  size_t SkipBreaks(size_t resume) const {
    static const char kBreaks[] = {'\r', '\n', '\r', '\n'};
    for (char c : kBreaks)
      if (resume < chunk_.size && chunk_.bytes[resume] == c) ++resume;
    return resume;
  }
  int Complete(size_t resume) {
    written_ = Finish(resume) == 0;
    return written_ ? 0 : -1;
  }

  // Creates the work file, and tells it what the document was when it was read: the commit
  // replaces only that. 0 or -1 (reported).
  int Begin() {
    if (heldBytes_) return BeginHeld();
    if (resolved_ || out_.Resolve(path_) == 0) {
      // A work file (behind a link, too) is another writer's unfinished document, not one to
      // rewrite.
      platform::FileInfo read = out_.targetInfo();  // held: the file just before the read
      if (!IsWorkFileName(out_.targetPath()) &&
          (resolved_ || platform::Fs().StatOpen(fd_, &read) == 0)) {
        out_.ExpectTarget(read);
        if (out_.Open() == 0) return 0;
      }
    }
    ShowFileError(window_, "Error opening new file", path_);
    return -1;
  }

  // Begin for a rewrite that started from its caller's bytes: the path must still name the file
  // they were read from, and the file must still hold them; asked now, the commit replaces only
  // the file as it is now.
  int BeginHeld() {
    if (direct_ && IsWorkFileName(path_)) {
      ShowFileError(window_, "Error opening new file", path_);
      return -1;
    }
    // Status times that would show any change since the bytes were read: the commit's check
    // against them is all that is needed.
    if (direct_ && readInfoKnown_ && readInfo_.isRegular && !platform::RecentlyChanged(readInfo_))
      return OpenWork(readInfo_);
    platform::FileInfo read;
    bool located = direct_ || (out_.Resolve(path_) == 0 && !IsWorkFileName(out_.targetPath()));
    if (!located || platform::Fs().StatOpen(fd_, &read) != 0) {
      ShowFileError(window_, "Error opening new file", path_);
      return -1;
    }
    // A direct document is fd's file under its own name: the commit checks the name still is.
    const platform::FileInfo& named = direct_ ? read : out_.targetInfo();
    bool same = (direct_ || out_.targetExists()) && named.isRegular &&
                named.device == read.device && named.inode == read.inode;
    int held = same ? HoldsChunk(read.size) : 0;
    if (held < 0) return ReadFailed();
    if (held == 0) {
      LeaveAlone();
      return -1;
    }
    return OpenWork(read);
  }
  // The work file for the document as read is: the commit replaces only that. A direct
  // document's target is its own path, not resolved.
  int OpenWork(const platform::FileInfo& read) {
    if (direct_) out_.Assume(path_, read, dirFd_);
    knownSize_ = read.size;
    out_.ExpectTarget(read);
    if (out_.Open() == 0) return 0;
    ShowFileError(window_, "Error opening new file", path_);
    return -1;
  }
  // 1 when the document of the given size still begins with the chunk (and, for a chunk that
  // was the whole document, ends there), 0 when not, -1 when it cannot be read.
  int HoldsChunk(long long size) {
    long long have = static_cast<long long>(chunk_.size);
    if (chunk_.size < chunk_.asked ? size != have : size < have) return 0;
    for (size_t at = 0; at < chunk_.size;) {
      size_t want = std::min(sizeof gPending, chunk_.size - at);
      long n = platform::Fs().ReadAt(fd_, gPending, want, static_cast<long long>(at));
      if (n < 0) return -1;
      if (n == 0 || std::memcmp(gPending, chunk_.bytes + at, static_cast<size_t>(n)) != 0) return 0;
      at += static_cast<size_t>(n);
    }
    return 1;
  }
  // The other program's document stays as it left it; a walk goes on without a box.
  void LeaveAlone() {
    ++gLeftAlone;
    leftAlone_ = true;
    NoteDocumentSkipped(path_, kChangedMeanwhile);
    if (loglevel != 0) WriteAuditEntry(kAuditWarning, path_, kChangedMeanwhile);
  }

  // Gathers the new document in pieces of up to kCopySize bytes: a small document is written
  // with one call.
  int Put(string_view s) {
    if (failed_) return -1;
    if (s.empty()) return 0;
    if (pending_ + s.size() > sizeof gPending && Flush() != 0) return -1;
    if (s.size() >= sizeof gPending) {
      if (WriteOut(s) != 0) return -1;
    } else {
      std::memcpy(gPending + pending_, s.data(), s.size());
      pending_ += s.size();
    }
    last_ = s.back();
    return 0;
  }
  int Flush() {
    if (failed_) return -1;
    size_t n = pending_;
    pending_ = 0;
    return n == 0 ? 0 : WriteOut(string_view(gPending, n));
  }
  // A line break, unless the text written so far ends a line or a tag: what follows can then
  // never join with it into a tag that was not there.
  int Separate() { return last_ == '\n' || last_ == '>' || last_ == '\0' ? 0 : Put("\r\n"); }

  // Writes the rest of the chunk from resume, after at most two line breaks, then the rest of
  // the document, and puts the new document in place. 0 or -1 (reported).
  int Finish(size_t resume) {
    resume = SkipBreaks(resume);
    bool more = chunk_.size == chunk_.asked;
    if ((resume < chunk_.size || more) && Separate() != 0) return -1;
    if (Put(chunk_.Slice(resume, chunk_.size)) != 0) return -1;
    if (more) {
      static char copy[kCopySize];  // main thread only
      for (;;) {
        long n = platform::Fs().ReadAt(fd_, copy, sizeof copy, offset_);
        if (n < 0) {
          out_.Abort();
          return ReadFailed();
        }
        if (n == 0) break;
        offset_ += n;
        if (Put(string_view(copy, static_cast<size_t>(n))) != 0) return -1;
        // A short read that ends where the size said is the end; one that does not (the
        // document has grown meanwhile) reads on.
        if (static_cast<size_t>(n) < sizeof copy && offset_ == knownSize_) break;
      }
    }
    if (Flush() != 0) return -1;
    // Only read from: a failed close loses nothing.
    if (ownsFd_) platform::Fs().Close(fd_);
    fd_ = -1;
    if (out_.Commit() != 0) {
      if (out_.targetChanged()) {
        LeaveAlone();
        return -1;
      }
      ShowFileError(window_, "Error renaming file to temp.dat", path_);
      return -1;
    }
    return 0;
  }

  // The missing tag terminator: the message, then the chunk itself.
  int Unterminated(const char* message) {
    failure_ = message;
    ShowFileError(window_, message, path_);
    ShowFileError(window_, string_view(chunk_.bytes, chunk_.size), path_);
    return -1;
  }

 private:
  static inline char gPending[kCopySize];  // main thread only

  int WriteOut(string_view s) {
    if (out_.Write(s.data(), s.size()) != 0) {
      failed_ = true;
      failure_ = "Error writing new file";
      platform::SetLastError(out_.error());
      ShowSystemError("Error writing new file", path_);
      return -1;
    }
    return 0;
  }
  // Reads the document from where the chunk ends up to `limit` bytes from its start,
  // positioned reads throughout: a held descriptor may stand anywhere.
  int ReadChunk(size_t limit = kChunkSize) {
    size_t got = chunk_.size;
    chunk_.asked = limit;
    while (got < limit) {
      long n =
          platform::Fs().ReadAt(fd_, chunk_.bytes + got, limit - got, static_cast<long long>(got));
      if (n < 0) return ReadFailed();
      if (n == 0) break;
      got += static_cast<size_t>(n);
      if (static_cast<long long>(got) == knownSize_) break;
    }
    chunk_.size = got;
    std::memset(chunk_.bytes + got, 0, kScanPadding);
    offset_ = static_cast<long long>(got);
    return 0;
  }
  int ReadFailed() {
    failure_ = "Error opening temp file";
    ShowFileError(window_, "Error opening temp file", path_);
    return -1;
  }

  platform::WindowHandle window_;
  const char* path_;
  int fd_ = -1;
  bool ownsFd_ = true;
  bool resolved_ = false;   // out_ already knows the target
  bool heldBytes_ = false;  // the chunk came from the caller's bytes
  bool direct_ = false;     // and the path named the caller's file, no link
  int dirFd_ = -1;          // the caller's directory of the file, or -1
  bool readInfoKnown_ = false;
  platform::FileInfo readInfo_;  // the caller's file just before its bytes were read
  long long offset_ = 0;         // where the next read of the document starts
  long long knownSize_ = -1;     // the document's size as just asked, or -1
  Chunk chunk_;
  platform::AtomicFile out_;
  bool failed_ = false;
  const char* failure_ = nullptr;
  bool leftAlone_ = false;
  bool begun_ = false;
  bool written_ = false;
  char last_ = '\0';
  size_t pending_ = 0;  // bytes gathered in gPending
};

void AuditWarning(const char* path, const char* text) {
  if (loglevel != 0) WriteAuditEntry(kAuditWarning, path, text);
}

// Puts the new head of the planned chunk into out (a Rewrite or a HeadText): the chunk up to
// the block, the stamp, the inserted text, and the markup kept from between the page tags.
template <class Out>
void ComposeHead(Out& out, const Chunk& c, const RewritePlan& plan, const char* path,
                 RewriteBlock block, const char* insert) {
  if (plan.blockStart != RewritePlan::kNoBlock) {
    out.Put(c.Slice(0, plan.blockStart));
  } else {
    out.Put(c.Slice(0, plan.resume));
    out.Put("\r\n");
  }
  if (block == RewriteBlock::Meta && !IsTreeTagPath(path)) {
    RenderStamp();
    out.Put(EdBuffer);
  }
  out.Put(insert ? insert : "");
  // Markup between the page tags (a title, a comment, a meta tag that is no page tag) stays, in
  // its order, after the new tags; the blanks and line breaks between tags do not.
  for (size_t i = 1; i < plan.metaCount; ++i) {
    string_view gap = platform::TrimBlanks(c.Slice(plan.metaEnd[i - 1] + 1u, plan.metaStart[i]));
    if (!gap.empty()) {
      out.Separate();
      out.Put(gap);
      out.Put("\r\n");
    }
  }
}

RewritePreview gPreview = nullptr;

// The rewrite shared by the head writer and the style sheet link: 0, -1, or -2 (no head tag).
int RewriteChunk(Rewrite& rw, const char* path, RewriteBlock block, const char* insert,
                 const HeldDocument* held) {
  if (rw.Open(held) != 0) return -1;
  Chunk& c = rw.chunk();
  if (c.size == 0) return 0;  // an empty document stays empty

  static RewritePlan plan;  // main thread only
  PlanRewrite(c.bytes, c.size, block, &plan);
  // Only a head that has not ended in the first chunk costs more reads.
  if (plan.outcome == RewriteOutcome::MissingHeadEnd && rw.ReadOn())
    PlanRewrite(c.bytes, c.size, block, &plan);
  if (rw.failure()) return -1;
  switch (plan.outcome) {
    case RewriteOutcome::Write:
      break;
    case RewriteOutcome::MissingHeadEnd:
      if (block == RewriteBlock::Meta) AuditWarning(path, "Missing </HEAD> tag.");
      NoteHeadDoesNotEnd(path, c.size);
      return -1;
    case RewriteOutcome::NoHead:
      AuditWarning(path, "No HEAD tag - file ignored.");
      return -2;
    case RewriteOutcome::UnterminatedMeta:
      return rw.Unterminated("Metatag parse error - missing tag terminator");
    case RewriteOutcome::UnterminatedLink:
      return rw.Unterminated("Metatag parse error - missing link rel terminator");
  }

  // With "Keep Unchanged" or in a preview the new head is put together first, to be compared.
  if (KeepUnchanged == 0 && !gPreview) {
    if (rw.Start() != 0) return -1;
    ComposeHead(rw, c, plan, path, block, insert);
    return rw.Complete(plan.resume);
  }
  static std::string after;  // main thread only; keeps its room from one document to the next
  after.clear();
  HeadText text{&after};
  ComposeHead(text, c, plan, path, block, insert);
  size_t resume = rw.SkipBreaks(plan.resume);
  if ((resume < c.size || c.size == c.asked) && !after.empty()) text.Separate();
  string_view before = c.Slice(0, resume);
  if (KeepUnchanged != 0 && SameHeadButStamp(before, after)) {
    NoteDocumentUnchanged();
    return 0;
  }
  if (gPreview) {
    gPreview(path, before, after);
    NoteDocumentChanged();
    return 0;
  }
  if (rw.Start() != 0) return -1;
  if (rw.Put(after) != 0) return -1;
  return rw.Complete(plan.resume);
}

// RewriteChunk, counted in the document tally.
int RewriteDocument(platform::WindowHandle window, const char* path, RewriteBlock block,
                    const char* insert, const HeldDocument* held) {
  Rewrite rw(window, path);
  int rc = RewriteChunk(rw, path, block, insert, held);
  if (rc == 0 && rw.written()) {
    NoteDocumentChanged();
  } else if (rc == -1 && !rw.leftAlone() && (rw.failure() || rw.begun())) {
    NoteDocumentFailed(path, rw.failure() ? rw.failure() : "the new document could not be written");
  }
  return rc;
}

// The HTML pragma names: a tag of one of these without a kind of its own is an http-equiv.
bool IsPragmaName(string_view name) {
  static constexpr string_view kPragmas[] = {
      "content-type", "content-language", "default-style",          "refresh",
      "set-cookie",   "x-ua-compatible",  "content-security-policy"};
  for (string_view pragma : kPragmas)
    if (platform::EqualsNoCase(name, pragma)) return true;
  return false;
}

// The name attribute a tag is written with: its own kind's, in MTname's letter case, or MTname.
string_view NameAttribute(uint32_t flags, string_view name) {
  string_view options(MTname);
  bool upper = !options.empty() && options[0] >= 'A' && options[0] <= 'Z';
  uint32_t kind = flags & TF_KIND_MASK;
  if (kind == 0 && IsPragmaName(name)) kind = TF_KIND_HTTP_EQUIV;
  if (kind & TF_KIND_HTTP_EQUIV) return upper ? "HTTP-EQUIV=" : "http-equiv=";
  if (kind & TF_KIND_NAME) return upper ? "NAME=" : "name=";
  return options;
}

// How a name or value is written so that the reader reads it back as it is: in double quotes
// (or none, unquoted), in single quotes when it holds a double quote, and with its double
// quotes as "&quot;" when it holds both kinds. An unquoted text that would break the tag is
// quoted all the same. An end of the head in it ("</head>") is written "&lt;/head>" so that it
// does not end the head: no tag read from a document holds one.
class AttributeText {
 public:
  explicit AttributeText(string_view text) : text_(text) {
    bool doubles = text.find('"') != npos;
    bool singles = doubles && text.find('\'') != npos;
    bool quote = QuoteTags != 0 || text.find_first_of("\"'<>=`") != npos;
    quote_ = !quote ? "" : doubles && !singles ? "'" : "\"";
    escapeQuotes_ = singles;
    size_ = 2 * quote_.size() + text.size();
    if (escapeQuotes_) size_ += 5 * static_cast<size_t>(std::count(text.begin(), text.end(), '"'));
    for (size_t at = text.find('<'); at != npos; at = text.find('<', at + 1))
      if (HeadEndAt(at)) {
        size_ += 3;
        headEnds_ = true;
      }
  }
  size_t size() const { return size_; }
  void Put(Appender& out) const {
    out.Put(quote_);
    if (!escapeQuotes_ && !headEnds_) {
      out.Put(text_);
    } else {
      size_t from = 0;
      for (size_t at = 0; at < text_.size(); ++at) {
        bool quote = escapeQuotes_ && text_[at] == '"';
        if (!quote && !HeadEndAt(at)) continue;
        out.Put(text_.substr(from, at - from));
        out.Put(quote ? "&quot;" : "&lt;");
        from = at + 1;
      }
      out.Put(text_.substr(from));
    }
    out.Put(quote_);
  }

 private:
  // An end of the head as the scan takes it: "</head" and a blank or ">".
  bool HeadEndAt(size_t at) const {
    return text_[at] == '<' && text_.size() - at >= 7 && text_[at + 1] == '/' &&
           platform::EqualsNoCase(text_.substr(at + 2, 4), "head") &&
           (IsTagSpace(text_[at + 6]) || text_[at + 6] == '>');
  }
  string_view text_;
  string_view quote_;
  bool escapeQuotes_ = false;  // it holds both kinds of quote
  bool headEnds_ = false;
  size_t size_ = 0;
};

}  // namespace

void RenderTag(char* text, size_t cap, const TagRecord& record) {
  RenderTag(text, cap, record, record.flags);
}

void RenderTag(char* text, size_t cap, const TagRecord& record, uint32_t flags) {
  if (cap == 0) return;
  size_t used = strnlen(text, cap);
  if (used == cap) {  // not terminated: keep it within its capacity
    text[cap - 1] = '\0';
    used = cap - 1;
  }
  AttributeText name(string_view(record.name, strnlen(record.name, sizeof record.name)));
  AttributeText value(string_view(record.value, strnlen(record.value, sizeof record.value)));
  string_view scheme;
  if (flags & SF_OPTIONS) {
    int i = FindSchemaTag(record.name);
    if (i >= 0) scheme = SchemaScheme(SchemaIndex[i]);
  }
  AttributeText schemeText(scheme);
  string_view mtName =
      NameAttribute(flags, string_view(record.name, strnlen(record.name, sizeof record.name)));
  string_view mtValue(MTvalue), mtScheme(MTscheme);

  size_t lead = 6 + mtName.size() + name.size();
  if (!scheme.empty()) lead += 1 + mtScheme.size() + schemeText.size();
  bool withValue = record.value[0] != '\0';
  size_t valuePart = withValue ? 1 + mtValue.size() + value.size() : 0;
  const size_t tail = 3;
  size_t room = cap - 1 - used;
  if (lead + valuePart + tail > room) {
    ReportCoded(kBufferFull);
    withValue = false;
    if (lead + tail > room) return;  // never half a tag
  }

  Appender out{text + used};
  out.Put("<meta ");
  out.Put(mtName);
  name.Put(out);
  if (!scheme.empty()) {
    out.Put(" ");
    out.Put(mtScheme);
    schemeText.Put(out);
  }
  if (withValue) {
    out.Put(" ");
    out.Put(mtValue);
    value.Put(out);
  }
  out.Put(">\r\n");
  *out.at = '\0';
}

void RenderStamp() {
  // Today's date as "MM/DD/YY"; the stamp carries its digits shuffled and shifted to letters.
  // A rewrite of every document asks for it each time: the date is worked out once a second.
  static std::time_t codedAt = -1;
  static char code[6];
  std::time_t now = platform::Now();
  if (now != codedAt || now == -1) {
    std::string date = platform::FormatTime("%m/%d/%y", platform::LocalTime(now));
    const int order[6] = {1, 7, 3, 0, 6, 4};  // month 2nd, year 2nd, day 1st, month 1st, ...
    for (int i = 0; i < 6; ++i)
      code[i] = static_cast<char>(date[static_cast<size_t>(order[i])] + 20);
    codedAt = now;
  }
  platform::CopyText(StampTag.name, "$RUZOZAZEZO");
  StampTag.flags = 0;
  // "Tagsteward %s Build %s.%c%c%c%c%c%c", put together without a format.
  char* value = StampTag.value;
  constexpr size_t cap = sizeof StampTag.value;
  size_t used = platform::CopyText(value, cap, "Tagsteward ");
  used += platform::CopyText(value + used, cap - used,
                             string_view(szVer, strnlen(szVer, sizeof szVer)));
  used += platform::CopyText(value + used, cap - used, " Build ");
  used += platform::CopyText(value + used, cap - used, kStampBuild);
  used += platform::CopyText(value + used, cap - used, ".");
  platform::CopyText(value + used, cap - used, string_view(code, sizeof code));
  EdBuffer[0] = '\0';
  RenderTag(EdBuffer, StampTag);
}

int RewriteHeadStatus(platform::WindowHandle window, const char* path, const char* tagsText) {
  return RewriteDocument(window, path, RewriteBlock::Meta, tagsText, nullptr);
}

int RewriteHead(platform::WindowHandle window, const char* path, const char* tagsText) {
  return RewriteHead(window, path, tagsText, nullptr);
}

int RewriteHead(platform::WindowHandle window, const char* path, const char* tagsText,
                const HeldDocument* held) {
  sourceline = kLineRewriteHead;
  int rc = RewriteDocument(window, path, RewriteBlock::Meta, tagsText, held);
  return rc == -2 ? 0 : rc;
}

int InsertStylesheetLink(platform::WindowHandle window, const char* path, const char* address,
                         const HeldDocument* held) {
  std::string line =
      platform::Format("<link rel=\"STYLESHEET\" type=\"text/css\" href=\"%s\">\r\n", address);
  int rc = RewriteDocument(window, path, RewriteBlock::Link, line.c_str(), held);
  return rc == -2 ? 0 : rc;
}

void SetRewritePreview(RewritePreview sink) {
  gPreview = sink;
}

bool RewritePreviewing() {
  return gPreview != nullptr;
}

void PreviewFileChange(const char* path, std::string_view before, std::string_view after) {
  if (gPreview) gPreview(path, before, after);
}

int RewritesLeftAlone() {
  return gLeftAlone;
}

int MakeWritable(const char* path) {
  platform::FileInfo info;
  // A file whose attributes cannot be read is treated as read-only.
  bool known = platform::Fs().Stat(path, &info) == 0;
  if (known && (info.mode & 0200)) return 0;
  unsigned mode = known ? info.mode | 0200 : 0644;
  if (platform::Fs().Chmod(path, mode) != 0)
    ShowSystemError("Error changing file access rights", path);
  return 0;
}
