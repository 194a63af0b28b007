#include "engine/head_writer.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>

#include "config/settings.h"
#include "config/version.h"
#include "engine/doc_tally.h"
#include "engine/head_reader.h"
#include "engine/page_ops.h"
#include "platform/clock.h"
#include "platform/text.h"
#include "schema/schema.h"
#include "tests/support/fault_fs.h"
#include "tests/support/program_fixture.h"

using namespace testing_support;

namespace {

const char kM042[] =
    "M042:Tag Buffer is full! - Please contact Zelvane for an updated copy of Tagsteward";

TagRecord Record(const char* name, const char* value, uint32_t flags = 0) {
  TagRecord r{};
  platform::CopyText(r.name, name);
  platform::CopyText(r.value, value);
  r.flags = flags;
  return r;
}

std::string Render(const TagRecord& r) {
  char text[kTagsTextSize] = "";
  RenderTag(text, r);
  return text;
}

FaultPlan Fail(int FaultPlan::*step, int at) {
  FaultPlan plan;
  plan.*step = at;
  return plan;
}

FaultPlan DiskFull(long long after) {
  FaultPlan plan;
  plan.diskFullAfter = after;
  return plan;
}

unsigned ModeOf(const std::string& path) {
  struct stat st;
  EXPECT_EQ(0, ::stat(path.c_str(), &st));
  return st.st_mode & 07777;
}

class HeadWriterTest : public ProgramFixture {
 protected:
  // The stamp as written on the test clock's day.
  std::string Stamp() const {
    return std::string("<meta HTTP-EQUIV=\"$RUZOZAZEZO\" CONTENT=\"Tagsteward ") + szVer +
           " Build " + szBuild + ".IMFDMI\">\r\n";
  }
  const std::string kTags =
      "<meta HTTP-EQUIV=\"x\" CONTENT=\"1\">\r\n<meta HTTP-EQUIV=\"y\" CONTENT=\"2\">\r\n";
};

TEST_F(HeadWriterTest, RendersUnderTheMarkupOptions) {
  WriteFile(home_ / "META.IDX", "DC.Subject,M {[Industry.ST,BEP]}\nDC.Type, {a,b}\n");
  ASSERT_EQ(0, LoadSchema());
  struct Case {
    int options;
    TagRecord record;
    const char* expected;
  } cases[] = {
      {1, Record("DC.Title", "Hello \"you\""),
       "<meta HTTP-EQUIV=\"DC.Title\" CONTENT='Hello \"you\"'>\r\n"},
      {4, Record("DC.Title", "Hello"), "<meta NAME=DC.Title CONTENT=Hello>\r\n"},
      {1, Record("DC.Title", ""), "<meta HTTP-EQUIV=\"DC.Title\">\r\n"},
      {1 + 2 + 8 + 32, Record("a", "b"), "<meta http-equiv=\"a\" content=\"b\">\r\n"},
      {7 + 16, Record("a", "b"), "<meta name=\"a\" VALUE=\"b\">\r\n"},
      {1, Record("DC.Subject", "Mining", SF_MANDATORY | SF_OPTIONS),
       "<meta HTTP-EQUIV=\"DC.Subject\" SCHEME=\"BEP\" CONTENT=\"Mining\">\r\n"},
      {32, Record("DC.Subject", "Mining", SF_OPTIONS),
       "<meta HTTP-EQUIV=DC.Subject scheme=BEP CONTENT=Mining>\r\n"},
      // The scheme comes only with the options flag, and only when the schema names one.
      {1, Record("DC.Subject", "Mining", SF_MANDATORY),
       "<meta HTTP-EQUIV=\"DC.Subject\" CONTENT=\"Mining\">\r\n"},
      {1, Record("DC.Type", "a", SF_OPTIONS), "<meta HTTP-EQUIV=\"DC.Type\" CONTENT=\"a\">\r\n"},
  };
  for (const Case& c : cases) {
    DecodeDisplayOptions(c.options);
    EXPECT_EQ(c.expected, Render(c.record)) << c.options << " " << c.record.name;
  }
  // Tags are appended to what the text holds.
  DecodeDisplayOptions(1);
  char text[kTagsTextSize] = "";
  RenderTag(text, Record("a", "1"));
  RenderTag(text, Record("b", "2"));
  EXPECT_STREQ("<meta HTTP-EQUIV=\"a\" CONTENT=\"1\">\r\n<meta HTTP-EQUIV=\"b\" CONTENT=\"2\">\r\n",
               text);
  EXPECT_TRUE(ui_.boxes().empty());
}

TEST_F(HeadWriterTest, RenderedTextNeverPassesItsBufferAndAFullOneReportsM042) {
  const std::string tag = "<meta HTTP-EQUIV=\"n\" CONTENT=\"vvvv\">\r\n";  // 38 bytes
  // Exactly filling the buffer is fine.
  char text[kTagsTextSize];
  platform::CopyText(text, std::string(kTagsTextSize - 1 - tag.size(), 'p'));
  RenderTag(text, Record("n", "vvvv"));
  EXPECT_EQ(kTagsTextSize - 1, std::strlen(text));
  EXPECT_TRUE(ui_.boxes().empty());

  // One byte less: the value is left out, the tag stays whole.
  platform::CopyText(text, std::string(kTagsTextSize - tag.size(), 'p'));
  RenderTag(text, Record("n", "vvvv"));
  EXPECT_EQ("<meta HTTP-EQUIV=\"n\">\r\n", std::string(text).substr(kTagsTextSize - tag.size()));
  ASSERT_EQ(1u, BoxLines().size());
  EXPECT_EQ(std::string("CRITICAL ERROR!|") + kM042, BoxLines()[0]);
  EXPECT_NE(std::string::npos, ReadFile(AuditFile("Errors/")).find(kM042));

  // No room even without the value, and a long name: nothing is written at all.
  platform::CopyText(text, std::string(kTagsTextSize - 10, 'p'));
  RenderTag(text, Record(std::string(31, 'n').c_str(), "v"));
  EXPECT_EQ(kTagsTextSize - 10, std::strlen(text));
  EXPECT_EQ(2u, ui_.boxes().size());
}

TEST_F(HeadWriterTest, StampCarriesTheVersionAndTheShuffledDate) {
  RenderStamp();
  EXPECT_EQ(Stamp(), EdBuffer);
  EXPECT_STREQ("$RUZOZAZEZO", StampTag.name);

  std::tm tm{};
  tm.tm_year = 112;  // 2012-11-03: 11/03/12
  tm.tm_mon = 10;
  tm.tm_mday = 3;
  tm.tm_hour = 12;
  tm.tm_isdst = -1;
  platform::SetTestClock(std::mktime(&tm));
  RenderStamp();
  EXPECT_NE(nullptr, std::strstr(EdBuffer, ".EFDEEG\">\r\n")) << EdBuffer;

  // Within the same second the date is the same, but the version texts are read again; the
  // next day has its own date.
  char savedVer[sizeof szVer];
  std::memcpy(savedVer, szVer, sizeof szVer);
  platform::CopyText(szVer, "9.9");
  RenderStamp();
  EXPECT_NE(nullptr, std::strstr(EdBuffer, "\"Tagsteward 9.9 Build ")) << EdBuffer;
  EXPECT_NE(nullptr, std::strstr(EdBuffer, ".EFDEEG\">\r\n")) << EdBuffer;
  std::memcpy(szVer, savedVer, sizeof szVer);
  platform::SetTestClock(std::mktime(&tm) + 24 * 3600);  // 11/04/12
  RenderStamp();
  EXPECT_NE(nullptr, std::strstr(EdBuffer, ".EFDEEH\">\r\n")) << EdBuffer;
}

TEST_F(HeadWriterTest, RewritesTheMetaBlockAndKeepsEverythingElse) {
  TempDir site;
  const std::string tail(100000, 't');
  struct Case {
    const char* what;
    const char* file;
    std::string before;
    std::string after;  // with "@" for the stamp
  } cases[] = {
      {"meta tags replaced, the rest as it was", "a.htm",
       "<html><head>\r\n<title>T</title>\r\n<meta name=\"a\" content=\"1\">\r\n"
       "<META NAME=\"b\" CONTENT=\"2\">\r\n</head><body>x</body></html>",
       "<html><head>\r\n<title>T</title>\r\n@" + kTags + "</head><body>x</body></html>"},
      {"no meta tags: after the head tag, on a new line", "b.htm",
       "<html><head>\r\n<title>T</title></head>",
       "<html><head>\r\n@" + kTags + "<title>T</title></head>"},
      {"head tag with attributes", "c.htm", "<HEAD profile=\"p\"><title>T</title></HEAD>",
       "<HEAD profile=\"p\">\r\n@" + kTags + "<title>T</title></HEAD>"},
      {"tree-tag file: no stamp", "meta.tag",
       "<HEAD>\r\n<meta name=\"a\" content=\"1\">\r\n</HEAD>", "<HEAD>\r\n" + kTags + "</HEAD>"},
      {"markup between meta tags stays", "d.htm",
       "<HEAD>\r\n<meta name=a content=1>\r\n<!-- c -->\r\n<title>T</title>\r\n"
       "<Meta name=b content=2>\r\n</HEAD>",
       "<HEAD>\r\n@" + kTags + "<!-- c -->\r\n<title>T</title>\r\n</HEAD>"},
      {"meta tags after the end of the head stay", "e.htm",
       "<HEAD><meta name=a content=1></HEAD>\r\n<BODY><meta name=b content=2>\r\n<p>x",
       "<HEAD>@" + kTags + "</HEAD>\r\n<BODY><meta name=b content=2>\r\n<p>x"},
      {"the rest after the first chunk is copied unchanged", "f.htm",
       "<HEAD><meta name=a content=1>\r\n</HEAD>" + tail, "<HEAD>@" + kTags + "</HEAD>" + tail},
      {"an empty document stays empty", "g.htm", "", ""},
  };
  for (const Case& c : cases) {
    std::string path = site / c.file;
    WriteFile(path, c.before);
    std::string expected = c.after;
    size_t at = expected.find('@');
    if (at != std::string::npos) expected.replace(at, 1, Stamp());
    EXPECT_EQ(0, RewriteHead(nullptr, path.c_str(), kTags.c_str())) << c.what;
    EXPECT_TRUE(ReadFile(path) == expected) << c.what << "\n" << ReadFile(path).substr(0, 400);
    EXPECT_EQ(std::vector<std::string>{}, WorkFilesBelow(site.path())) << c.what;
  }
  EXPECT_TRUE(ui_.boxes().empty());
}

// A document held open is read through its descriptor, wherever that stands, as long as its
// name still names it; a name that now names another file, or nothing, is treated as when
// nothing was held.
TEST_F(HeadWriterTest, HeldDocumentIsReadThroughItsDescriptorWhileItsNameNamesIt) {
  TempDir site;
  std::string path = site / "p.htm";
  const std::string tail(9000, 't');
  const std::string shortDoc = "<HEAD><meta name=a content=1></HEAD>x";
  const std::string longDoc = "<HEAD><meta name=a content=1></HEAD>" + tail;
  auto rewritten = [&](const std::string& rest) {
    return "<HEAD>" + Stamp() + kTags + "</HEAD>" + rest;
  };
  enum Change { kNone, kInPlace, kReplaced, kRemoved, kUnknown };
  struct Case {
    const char* what;
    std::string doc;
    Change change;
    int rc;
    std::string after;
    int opens;  // the work file counts too
  } cases[] = {
      {"short document", shortDoc, kNone, 0, rewritten("x"), 1},
      {"long document", longDoc, kNone, 0, rewritten(tail), 1},
      {"changed in place", shortDoc, kInPlace, 0, rewritten("y"), 1},
      {"another file under its name", shortDoc, kReplaced, 0, rewritten("z"), 2},
      {"removed", shortDoc, kRemoved, -1, "<missing>", 1},
      {"not stated", longDoc, kUnknown, 0, rewritten(tail), 2},
  };
  for (const Case& c : cases) {
    WriteFile(path, c.doc);
    ui_.Clear();
    HeldDocument held;
    held.fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(held.fd, 0);
    held.known = c.change != kUnknown && platform::Fs().StatOpen(held.fd, &held.info) == 0;
    char skip[100];
    ASSERT_GT(::read(held.fd, skip, sizeof skip), 0);  // the reader has moved it on
    if (c.change == kInPlace) {
      int w = ::open(path.c_str(), O_WRONLY);
      ASSERT_EQ(1, ::pwrite(w, "y", 1, static_cast<off_t>(shortDoc.size() - 1)));
      ::close(w);
    } else if (c.change == kReplaced) {
      WriteFile(site / "other", "<HEAD><meta name=b content=2></HEAD>z");
      ASSERT_EQ(0, ::rename((site / "other").c_str(), path.c_str()));
    } else if (c.change == kRemoved) {
      ASSERT_EQ(0, ::unlink(path.c_str()));
    }
    FaultyFileSystem counting;
    {
      platform::ScopedFileSystem scoped(&counting);
      EXPECT_EQ(c.rc, RewriteHead(nullptr, path.c_str(), kTags.c_str(), &held)) << c.what;
    }
    EXPECT_TRUE(ReadFile(path) == c.after) << c.what << "\n" << ReadFile(path).substr(0, 300);
    EXPECT_EQ(c.opens, counting.counts().opens) << c.what;
    if (c.change == kNone && c.doc == shortDoc) {
      EXPECT_EQ(1, counting.counts().reads) << "the size ends a short document";
    }
    if (c.rc == 0) {
      EXPECT_TRUE(ui_.boxes().empty()) << c.what;
    } else {
      EXPECT_EQ(std::vector<std::string>{path + "|Error opening temp file"}, BoxLines()) << c.what;
    }
    EXPECT_EQ(std::vector<std::string>{}, WorkFilesBelow(site.path())) << c.what;
    EXPECT_EQ(0, ::close(held.fd)) << c.what << ": the descriptor stays the caller's";
  }

  // A read through the held descriptor that fails leaves the document as it was.
  for (int at : {1, 2}) {
    WriteFile(path, longDoc);
    ui_.Clear();
    HeldDocument held;
    held.fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(held.fd, 0);
    held.known = platform::Fs().StatOpen(held.fd, &held.info) == 0;
    FaultyFileSystem faulty(Fail(&FaultPlan::failReadAt, at));
    {
      platform::ScopedFileSystem scoped(&faulty);
      EXPECT_EQ(-1, RewriteHead(nullptr, path.c_str(), kTags.c_str(), &held)) << at;
    }
    EXPECT_TRUE(ReadFile(path) == longDoc) << at;
    EXPECT_EQ(std::vector<std::string>{path + "|Error opening temp file"}, BoxLines()) << at;
    EXPECT_EQ(std::vector<std::string>{}, WorkFilesBelow(site.path())) << at;
    ::close(held.fd);
  }
}

// A document that another program replaces, writes or removes between the rewrite's read and
// its rename is left as that program left it: tallied as skipped, with a box only for a page
// being saved.
TEST_F(HeadWriterTest, DocumentChangedDuringTheRewriteIsLeftAsItsWriterLeftIt) {
  TempDir site;
  std::string path = site / "p.htm";
  const std::string doc = "<HEAD><meta name=a content=1></HEAD>" + std::string(9000, 'b');
  enum How { kHeld, kByPath, kSaved };
  struct Case {
    How how;
    int atRead;  // the read before which the other program acts
    void (*meddle)(const std::string& path);
  } cases[] = {
      {kHeld, 1, [](const std::string& p) { ::rename((p + ".x").c_str(), p.c_str()); }},
      {kByPath, 2, [](const std::string& p) { WriteFile(p, "written in place"); }},
      {kByPath, 1, [](const std::string& p) { ::unlink(p.c_str()); }},
      {kSaved, 1, [](const std::string& p) { ::rename((p + ".x").c_str(), p.c_str()); }},
  };
  checkmandatory = 0;  // an earlier test's schema may still be loaded
  for (const Case& c : cases) {
    WriteFile(path, doc);
    WriteFile(path + ".x", "theirs");
    ui_.Clear();
    ResetDocumentTally();
    ResetPageTags();
    HeldDocument held;
    held.fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    held.known = platform::Fs().StatOpen(held.fd, &held.info) == 0;
    std::string after;
    FaultPlan plan;
    plan.beforeRead = [&](int read) {
      if (read != c.atRead) return;
      c.meddle(path);
      after = ReadFile(path);
    };
    FaultyFileSystem meddling(plan);
    {
      platform::ScopedFileSystem scoped(&meddling);
      EXPECT_EQ(-1, c.how == kSaved  ? SavePage(nullptr, path.c_str())
                    : c.how == kHeld ? RewriteHead(nullptr, path.c_str(), kTags.c_str(), &held)
                                     : RewriteHead(nullptr, path.c_str(), kTags.c_str()));
    }
    ::close(held.fd);
    EXPECT_EQ(after, ReadFile(path)) << c.atRead;
    EXPECT_EQ(0, gTally.failed) << c.atRead;  // skipped, not failed
    EXPECT_NE(std::string::npos,
              DocumentTallySummary().find(
                  "Skipped:\n  " + path +
                  ": changed by another program while it was being rewritten: left alone"));
    std::vector<std::string> boxes;
    if (c.how == kSaved)
      boxes.push_back("NOTE|" + path +
                      " was changed by another program while it was being saved: it was left as "
                      "that program left it.");
    EXPECT_EQ(boxes, BoxLines());
    EXPECT_EQ(std::vector<std::string>{}, WorkFilesBelow(site.path()));
  }
}

// A held document's size, asked as its name is checked, ends the copy of its rest: the read
// that comes back short at that size is the last. One that has grown since is read to its end,
// and then left as the other writer left it.
TEST_F(HeadWriterTest, HeldDocumentIsCopiedUpToItsSizeUnlessItHasGrown) {
  TempDir site;
  std::string path = site / "p.htm";
  const std::string head = "<HEAD><meta name=a content=1></HEAD>";
  struct Case {
    const char* what;
    size_t tail;
    int growAtRead;  // 0: never
    int reads;
  } cases[] = {
      {"within the chunk", 100, 0, 1},
      {"exactly the chunk", 4096 - head.size(), 0, 2},
      {"one short read after the chunk", 9000, 0, 2},
      {"full reads, then a short one", 150000, 0, 4},
      {"rest a multiple of the copy size", 4096 - head.size() + 2 * 65536, 0, 4},
      {"grown before the rest is read", 9000, 2, 3},
      {"grown between reads of the rest", 150000, 3, 5},
  };
  for (const Case& c : cases) {
    const std::string doc = head + std::string(c.tail, 't');
    WriteFile(path, doc);
    ui_.Clear();
    HeldDocument held;
    held.fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(held.fd, 0);
    held.known = platform::Fs().StatOpen(held.fd, &held.info) == 0;
    FaultPlan plan;
    plan.beforeRead = [&](int read) {
      if (read != c.growAtRead) return;
      int w = ::open(path.c_str(), O_WRONLY | O_APPEND);
      ASSERT_EQ(5, ::write(w, "grown", 5));
      ::close(w);
    };
    FaultyFileSystem counting(plan);
    {
      platform::ScopedFileSystem scoped(&counting);
      EXPECT_EQ(c.growAtRead ? -1 : 0, RewriteHead(nullptr, path.c_str(), kTags.c_str(), &held))
          << c.what;
    }
    std::string expected = c.growAtRead
                               ? doc + "grown"
                               : "<HEAD>" + Stamp() + kTags + "</HEAD>" + std::string(c.tail, 't');
    EXPECT_TRUE(ReadFile(path) == expected) << c.what;
    EXPECT_EQ(c.reads, counting.counts().reads) << c.what;
    EXPECT_TRUE(ui_.boxes().empty()) << c.what;
    ::close(held.fd);
  }
}

TEST_F(HeadWriterTest, ReadOnlyAndLinkedDocumentsAndBareFileNames) {
  TempDir site;
  std::string doc = site / "ro.htm";
  WriteFile(doc, "<HEAD></HEAD>");
  ASSERT_EQ(0, ::chmod(doc.c_str(), 0444));
  ASSERT_EQ(0, RewriteHead(nullptr, doc.c_str(), kTags.c_str()));
  EXPECT_EQ("<HEAD>\r\n" + Stamp() + kTags + "</HEAD>", ReadFile(doc));
  EXPECT_EQ(0644u, ModeOf(doc));  // an ordinary file now
  EXPECT_EQ(std::vector<std::string>{}, WorkFilesBelow(site.path()));

  WriteFile(site / "real/page.htm", "<HEAD></HEAD>");
  std::string link = site / "link.htm";
  ASSERT_EQ(0, ::symlink((site / "real/page.htm").c_str(), link.c_str()));
  ASSERT_EQ(0, RewriteHead(nullptr, link.c_str(), ""));
  struct stat st;
  ASSERT_EQ(0, ::lstat(link.c_str(), &st));
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_EQ("<HEAD>\r\n" + Stamp() + "</HEAD>", ReadFile(site / "real/page.htm"));

  // A path without a directory is a document in the current directory.
  ASSERT_EQ(0, ::chdir(site.path().c_str()));
  WriteFile(site / "bare.htm", "<HEAD></HEAD>");
  int rc = RewriteHead(nullptr, "bare.htm", "");
  ASSERT_EQ(0, ::chdir("/"));
  EXPECT_EQ(0, rc);
  EXPECT_EQ("<HEAD>\r\n" + Stamp() + "</HEAD>", ReadFile(site / "bare.htm"));
  EXPECT_TRUE(ui_.boxes().empty());
}

// A rewrite that starts from the bytes the reader holds writes what a rewrite from the path
// writes, reading on past them for a head or body that goes further; it asks nothing and reads
// nothing more of a document it keeps, and leaves alone one written over after the read.
// The rewrite from the bytes the reader read writes what a rewrite from the path writes. With
// the file's status asked before the read (and the path no link), nothing more is asked of it
// before the commit, whose check alone must then catch another writer.
TEST_F(HeadWriterTest, RewriteFromTheReadersBytesMatchesARewriteFromThePath) {
  TempDir site;
  std::string path = site / "p.htm", plain = site / "plain.htm";
  const std::string tail = "</HEAD><body>" + std::string(9000, 'b') + "</body>";
  const std::string a = "<HEAD><meta name=a content=1></HEAD>end";
  struct Case {
    std::string doc;
    int keep;
    const char* meanwhile;  // written over the document after the read, in place
    bool sameTimes;         // and its modification time put back: only the change time tells
  } cases[] = {
      {"<HEAD><META charset=utf-8><meta name=a content=1></HEAD>end", 0, nullptr, false},
      {"<HEAD><meta name=a content=1>" + tail, 0, nullptr, false},
      {"<HEAD><title>" + std::string(6000, 't') + "</title>" + tail, 0, nullptr, false},
      {"<HEAD>" + Stamp() + kTags + "</HEAD>end", 1, nullptr, false},
      {a, 0, "<HEAD><meta name=b content=1></HEAD>end", false},
      {a, 0, "<HEAD><meta name=b content=1></HEAD>end", true},
      {a, 1, "<HEAD><meta name=a content=1></HEAD>end and more", false},
  };
  ASSERT_EQ(0, ReservePageTags());
  HeadSize = 16384;
  platform::SetRecentChangeStep(-60'000'000'000);  // a file written just now counts as settled
  for (bool stated : {false, true}) {
    for (const Case& c : cases) {
      std::string what = (stated ? "stated: " : "") + c.doc.substr(0, 60);
      WriteFile(plain, c.doc);
      KeepUnchanged = 0;
      ASSERT_EQ(0, RewriteHead(nullptr, plain.c_str(), kTags.c_str())) << what;
      std::string expected = c.meanwhile ? c.meanwhile : c.keep ? c.doc : ReadFile(plain);
      WriteFile(path, c.doc);
      KeepUnchanged = c.keep;
      HeldDocument held;
      held.fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
      platform::FileInfo before;
      ASSERT_EQ(0, platform::Fs().StatOpen(held.fd, &before));
      held.direct = held.known = stated;
      if (stated) held.info = before;
      int dir = stated ? ::open(site.path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC) : -1;
      held.dirFd = dir;
      ASSERT_EQ(0, ExtractMetatags(nullptr, path.c_str(), held.fd)) << what;
      std::string_view bytes = LastReadBytes(&held.asked);
      held.bytes = bytes.data();
      held.size = bytes.size();
      if (c.meanwhile) {
        ::usleep(20000);  // a later tick of the file system's clock
        int w = ::open(path.c_str(), O_WRONLY | O_TRUNC);
        ASSERT_EQ(static_cast<ssize_t>(std::strlen(c.meanwhile)),
                  ::write(w, c.meanwhile, std::strlen(c.meanwhile)));
        if (c.sameTimes) {
          timespec times[2] = {{0, UTIME_OMIT},
                               {static_cast<time_t>(before.modifyNs / 1000000000),
                                static_cast<long>(before.modifyNs % 1000000000)}};
          ASSERT_EQ(0, ::futimens(w, times));
        }
        ::close(w);
      }
      int leftAlone = RewritesLeftAlone();
      FaultyFileSystem counting;
      {
        platform::ScopedFileSystem scoped(&counting);
        EXPECT_EQ(c.meanwhile ? -1 : 0, RewriteHead(nullptr, path.c_str(), kTags.c_str(), &held))
            << what;
      }
      EXPECT_TRUE(ReadFile(path) == expected) << what;
      EXPECT_EQ(leftAlone + (c.meanwhile != nullptr), RewritesLeftAlone()) << what;
      if (stated)
        EXPECT_EQ(0, counting.counts().openStats) << what;
      else
        EXPECT_EQ(c.keep && !c.meanwhile,
                  counting.counts().reads + counting.counts().openStats == 0)
            << what;
      ::close(held.fd);
      if (dir >= 0) ::close(dir);
    }
  }
  platform::SetRecentChangeStep(platform::kRecentChangeNs);
  KeepUnchanged = 0;
  HeadSize = kDefaultHeadSize;
  ReleasePageTags();
}

TEST_F(HeadWriterTest, FailuresLeaveTheDocumentAsItWasAndSayWhy) {
  TempDir site;
  loglevel = 1;
  std::string path = site / "p.htm";
  const std::string big = "<HEAD><meta name=a content=1>" + std::string(5000, ' ') + "</HEAD>";
  struct Case {
    const char* what;
    std::string doc;
    FaultPlan plan;
    int rc;
    std::vector<std::string> boxes;  // "@" stands for the path
    const char* audit;               // second field of a level-1 entry, or nullptr
  } cases[] = {
      {"no end of head", "<HEAD><meta name=a content=1>", {}, -1, {}, "Missing </HEAD> tag."},
      {"end of head after the first chunk", big, {}, -1, {}, "Missing </HEAD> tag."},
      {"end of head only before the head", "</HEAD><HEAD>", {}, -1, {}, "Missing </HEAD> tag."},
      {"no head tag", "<html></HEAD>", {}, -2, {}, "No HEAD tag - file ignored."},
      {"meta tag whose quote runs into the end of the head",
       "<HEAD><meta name=\"a </HEAD>",
       {},
       -1,
       {"@|Metatag parse error - missing tag terminator", "@|<HEAD><meta name=\"a </HEAD>"},
       nullptr},
      {"meta tag running into the end of the head",
       "<HEAD><meta name=a </HEAD>",
       {},
       -1,
       {"@|Metatag parse error - missing tag terminator", "@|<HEAD><meta name=a </HEAD>"},
       nullptr},
      {"document cannot be read",
       "<HEAD></HEAD>",
       Fail(&FaultPlan::failOpenAt, 1),
       -1,
       {"@|Error opening temp file"},
       nullptr},
      {"first read fails",
       "<HEAD></HEAD>",
       Fail(&FaultPlan::failReadAt, 1),
       -1,
       {"@|Error opening temp file"},
       nullptr},
      {"work file cannot be created",
       "<HEAD></HEAD>",
       Fail(&FaultPlan::failOpenAt, 2),
       -1,
       {"@|Error opening new file"},
       nullptr},
      {"disk full",
       "<HEAD></HEAD>",
       DiskFull(3),
       -1,
       {"Error writing new file - @|No space left on device"},
       nullptr},
      {"flush fails",
       "<HEAD></HEAD>",
       Fail(&FaultPlan::failSyncAt, 1),
       -1,
       {"@|Error renaming file to temp.dat"},
       nullptr},
      {"new document cannot be renamed into place",
       "<HEAD></HEAD>",
       Fail(&FaultPlan::failRenameAt, 1),
       -1,
       {"@|Error renaming file to temp.dat"},
       nullptr},
  };
  for (const Case& c : cases) {
    WriteFile(path, c.doc);
    ui_.Clear();
    platform::Fs().Remove(AuditFile("Audit/"));
    ResetDocumentTally();
    FaultyFileSystem faulty(c.plan);
    {
      platform::ScopedFileSystem scoped(&faulty);
      EXPECT_EQ(c.rc, RewriteHeadStatus(nullptr, path.c_str(), kTags.c_str())) << c.what;
    }
    EXPECT_TRUE(ReadFile(path) == c.doc) << c.what;
    // A head that does not end is skipped, a document without one passed over; the rest failed.
    bool unended = c.audit && std::string(c.audit) == "Missing </HEAD> tag.";
    EXPECT_EQ(unended ? 1 : 0, gTally.skipped) << c.what;
    EXPECT_EQ(c.rc == -1 && !unended ? 1 : 0, gTally.failed) << c.what;
    EXPECT_EQ(0, gTally.changed) << c.what;
    EXPECT_EQ(std::vector<std::string>{}, WorkFilesBelow(site.path())) << c.what;
    std::vector<std::string> boxes;
    for (std::string b : c.boxes) {
      b.replace(b.find('@'), 1, path);
      boxes.push_back(b);
    }
    EXPECT_EQ(boxes, BoxLines()) << c.what;
    std::string audit = ReadFile(AuditFile("Audit/"));
    if (c.audit) {
      EXPECT_EQ("1,09:05:07," + path + "," + c.audit + "\n", audit) << c.what;
    } else {
      EXPECT_EQ("<missing>", audit) << c.what;
    }
  }
  // The public rewrite counts a document without a head tag as done.
  WriteFile(path, "<html></HEAD>");
  EXPECT_EQ(0, RewriteHead(nullptr, path.c_str(), ""));

  // Another writer's work file, or a link to one, is not a document to rewrite.
  const std::string work = site / (".tsw." + std::to_string(::getppid()) + ".1.0123abcd~");
  WriteFile(work, "<HEAD></HEAD>");
  ASSERT_EQ(0, ::symlink(work.c_str(), (site / "l.htm").c_str()));
  for (std::string doc : {work, site / "l.htm"}) {
    ui_.Clear();
    EXPECT_EQ(-1, RewriteHead(nullptr, doc.c_str(), kTags.c_str()));
    EXPECT_EQ(std::vector<std::string>{doc + "|Error opening new file"}, BoxLines());
    EXPECT_EQ("<HEAD></HEAD>", ReadFile(work));
  }
}

// Every write, flush, close and rename of a rewrite fails in turn, and the disk fills after any
// number of bytes: the document is byte for byte the old one, or the complete new one when the
// failed step could not harm it; no work file is left.
TEST_F(HeadWriterTest, NoInjectedFaultLosesOrTruncatesTheDocument) {
  TempDir site;
  std::string path = site / "p.htm";
  const std::string old =
      "<html><HEAD>\r\n<meta name=a content=1>\r\n</HEAD>" + std::string(150000, 'b') + "end";
  WriteFile(path, old);
  FaultyFileSystem clean;
  {
    platform::ScopedFileSystem scoped(&clean);
    ASSERT_EQ(0, RewriteHead(nullptr, path.c_str(), kTags.c_str()));
  }
  const std::string fresh = ReadFile(path);
  ASSERT_NE(old, fresh);
  const FaultCounts n = clean.counts();
  ASSERT_GT(n.writes, 2);

  std::vector<std::pair<std::string, FaultPlan>> plans;
  for (int i = 1; i <= n.writes; ++i)
    plans.push_back({"write", Fail(&FaultPlan::failWriteAt, i)});
  for (int i = 1; i <= n.syncs; ++i)
    plans.push_back({"sync", Fail(&FaultPlan::failSyncAt, i)});
  for (int i = 1; i <= n.closes; ++i)
    plans.push_back({"close", Fail(&FaultPlan::failCloseAt, i)});
  for (int i = 1; i <= n.renames; ++i)
    plans.push_back({"rename", Fail(&FaultPlan::failRenameAt, i)});
  for (int i = 1; i <= n.reads; ++i)
    plans.push_back({"read", Fail(&FaultPlan::failReadAt, i)});
  for (int i = 1; i <= n.opens; ++i)
    plans.push_back({"open", Fail(&FaultPlan::failOpenAt, i)});
  for (int i = 1; i <= n.removes; ++i)
    plans.push_back({"remove", Fail(&FaultPlan::failRemoveAt, i)});
  for (int i = 1; i <= n.openStats; ++i)
    plans.push_back({"stat", Fail(&FaultPlan::failStatOpenAt, i)});
  for (long long full = 0; full < n.bytesWritten; full += 1 + full / 3)
    plans.push_back({"disk full", DiskFull(full)});

  int failures = 0;
  for (auto& [what, plan] : plans) {
    WriteFile(path, old);
    ui_.Clear();
    FaultyFileSystem faulty(plan);
    int rc;
    {
      platform::ScopedFileSystem scoped(&faulty);
      rc = RewriteHead(nullptr, path.c_str(), kTags.c_str());
    }
    std::string now = ReadFile(path);
    if (rc == 0) {
      EXPECT_TRUE(now == fresh) << what;
    } else {
      ++failures;
      EXPECT_EQ(-1, rc) << what;
      EXPECT_TRUE(now == old) << what << " after " << plan.diskFullAfter;
      EXPECT_FALSE(ui_.boxes().empty()) << what;  // never a silent failure
    }
    EXPECT_EQ(std::vector<std::string>{}, WorkFilesBelow(site.path())) << what;
    // Writes, flushes, renames and a full disk always stop the rewrite.
    if (what != "close" && what != "remove" && what != "stat") {
      EXPECT_EQ(-1, rc) << what;
    }
  }
  EXPECT_GT(failures, n.writes);
}

// A rewrite killed at any moment leaves the complete old or the complete new document.
TEST_F(HeadWriterTest, KilledRewriteLeavesTheOldOrTheNewDocument) {
  TempDir site;
  std::string path = site / "k.htm";
  const std::string body(60000, 'k');
  const std::string tagsA = "<meta HTTP-EQUIV=\"a\" CONTENT=\"1\">\r\n";
  const std::string tagsB = kTags + kTags;
  WriteFile(path, "<HEAD><meta name=x></HEAD>" + body);
  ASSERT_EQ(0, RewriteHead(nullptr, path.c_str(), tagsB.c_str()));
  const std::string docB = ReadFile(path);
  ASSERT_EQ(0, RewriteHead(nullptr, path.c_str(), tagsA.c_str()));
  const std::string docA = ReadFile(path);
  ASSERT_NE(docA, docB);

  std::mt19937 random(12345);
  int torn = 0;
  for (int round = 0; round < 150; ++round) {
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      for (int i = 0;; ++i)
        RewriteHead(nullptr, path.c_str(), (i % 2 ? tagsA : tagsB).c_str());
    }
    ::usleep(static_cast<useconds_t>(random() % 2000));
    ::kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(child, ::waitpid(child, &status, 0));
    std::string now = ReadFile(path);
    if (now != docA && now != docB) ++torn;
  }
  EXPECT_EQ(0, torn);
  // The work files of killed rewrites are left for a walk to remove (their writers are gone);
  // the next rewrite leaves none of its own.
  std::vector<std::string> left = WorkFilesBelow(site.path());
  ASSERT_EQ(0, RewriteHead(nullptr, path.c_str(), tagsA.c_str()));
  EXPECT_TRUE(ReadFile(path) == docA);
  std::vector<std::string> now = WorkFilesBelow(site.path());
  std::sort(left.begin(), left.end());
  std::sort(now.begin(), now.end());
  EXPECT_EQ(left, now);
  for (const std::string& work : now)
    EXPECT_TRUE(platform::IsStaleWorkFile(work.substr(work.rfind('/') + 1))) << work;
}

// A modern head read and rewritten with changed tags: every piece of markup that is no page tag
// stays byte for byte and in its order, each tag keeps its kind, and the body is untouched. A head
// longer than the first chunk needs "Head Size"; without it the document is skipped and tallied.
TEST_F(HeadWriterTest, ModernHeadKeepsEveryByteButItsPageTags) {
  ASSERT_EQ(0, ReservePageTags());
  TempDir site;
  std::string path = site / "modern.htm";
  const std::string body =
      "<body itemscope itemtype=\"https://schema.org/Article\">\r\n<meta itemprop=\"author\" "
      "content=\"A\"><meta name=\"body\" content=\"b\">\r\n<p>text</p></body></html>\r\n";
  struct Row {
    std::string open, close;
    size_t style;
    int headSize;
    bool rewritten;
  } rows[] = {{"<HEAD>", "</HEAD>", 10240, 65536, true},
              {"<head lang=\"en\">", "</head >", 10240, 65536, true},
              {"<head>", "</head>", 100, 4096, true},
              {"<HEAD>", "</HEAD>", 10240, 4096, false}};
  for (const Row& r : rows) {
    // The head's markup in pieces; true marks a page tag.
    const std::vector<std::pair<std::string, bool>> pieces = {
        {"<meta charset=\"utf-8\">", false},
        {"<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">", true},
        {"<title>Modern</title>", false},
        {"<meta name=\"description\" content=\"old\">", true},
        {"<meta http-equiv=\"refresh\" content=\"30\">", true},
        {"<meta property=\"og:title\" content=\"Modern\">\r\n<script type=\"application/ld+json\">"
         "{\"name\": \"</head><meta name=x>\"}</script>",
         false},
        {"<link rel=\"preload\" href=\"/f.woff2\" as=\"font\">", false},
        {"<meta name=\"keywords\" content=\"a, b\">", true},
        {"<style>" + std::string(r.style, 'p') + "</style>", false},
        {"<!-- <meta name=\"old\" content=\"x\"> -->", false},
        {"<META NAME=\"DC.Title\" CONTENT=\"Modern\">", true},
    };
    const std::string before = "<!DOCTYPE html>\r\n<!-- <head> -->\r\n<html>\r\n" + r.open + "\r\n";
    std::string doc = before, kept;
    for (const auto& [markup, page] : pieces) {
      doc += markup + "\r\n";
      if (!page && doc.find("viewport") != std::string::npos) kept += markup + "\r\n";
    }
    const std::string after = r.close + "\r\n" + body;
    doc += after;
    WriteFile(path, doc);
    HeadSize = r.headSize;
    ResetDocumentTally();
    ui_.Clear();

    if (!r.rewritten) {
      EXPECT_EQ(-1, ReadPageTags(nullptr, path.c_str()));
      EXPECT_EQ(-1, RewriteHead(nullptr, path.c_str(), kTags.c_str()));
      EXPECT_TRUE(ReadFile(path) == doc);
      EXPECT_EQ(2, gTally.skipped);
      EXPECT_NE(std::string::npos,
                DocumentTallySummary().find(
                    path + ": the head does not end within 4096 bytes (raise \"Head Size\")"));
      continue;
    }
    ASSERT_EQ(0, ReadPageTags(nullptr, path.c_str())) << r.open;
    ASSERT_EQ(5, Tagcount);
    platform::CopyText(PageTags[1].value, "He said \"hi\" > 'bye'");
    ASSERT_EQ(0, AppendPageTag("Content-Language", "en", 0));
    char text[kTagsTextSize] = "";
    for (int i = 0; i < Tagcount; ++i)
      RenderTag(text, PageTags[i]);
    ASSERT_EQ(0, RewriteHead(nullptr, path.c_str(), text));
    EXPECT_EQ(before + pieces[0].first + "\r\n" + Stamp() + text + kept + after, ReadFile(path))
        << r.open;
    EXPECT_NE(nullptr, std::strstr(text, "<meta NAME=\"viewport\""));
    EXPECT_NE(nullptr, std::strstr(text, "<meta HTTP-EQUIV=\"Content-Language\""));  // a pragma
    EXPECT_EQ(1, gTally.changed);

    // Each tag read back with its value and the kind it had.
    ASSERT_EQ(0, ReadPageTags(nullptr, path.c_str()));
    ASSERT_EQ(6, Tagcount);
    EXPECT_STREQ("He said \"hi\" > 'bye'", PageTags[1].value);
    const uint32_t kinds[] = {TF_KIND_NAME, TF_KIND_NAME, TF_KIND_HTTP_EQUIV, TF_KIND_NAME,
                              TF_KIND_NAME};
    for (int i = 0; i < 5; ++i)
      EXPECT_EQ(kinds[i], PageTags[i].flags & TF_KIND_MASK) << PageTags[i].name;
    EXPECT_TRUE(ui_.boxes().empty());
  }
  ReleasePageTags();
}

// Names and values holding quotes of either kind, both, or a ">" read back as they were
// written, under every quoting and name attribute of the markup options.
TEST_F(HeadWriterTest, QuotesAndAngleBracketsSurviveARoundTrip) {
  ASSERT_EQ(0, ReservePageTags());
  TempDir site;
  std::string path = site / "q.htm";
  const char* texts[] = {"a \"b\" > c", "it's", "both \" and '", "x>y",
                         "'lead",       "=<`>", "plain words"};
  for (int options : {0, 1, 4, 7, 6 + 8, 1 + 2 + 8}) {
    DecodeDisplayOptions(options);
    for (const char* value : texts)
      for (uint32_t kind : {0u, TF_KIND_NAME, TF_KIND_HTTP_EQUIV}) {
        WriteFile(path, "<head>\n<meta name=\"old\">\n</head>");
        char text[kTagsTextSize] = "";
        RenderTag(text, Record(value, value, kind));
        RenderTag(text, Record("after", "z", kind));
        ASSERT_EQ(0, RewriteHead(nullptr, path.c_str(), text));
        ASSERT_EQ(0, ReadPageTags(nullptr, path.c_str())) << text;
        ASSERT_EQ(2, Tagcount) << text;
        EXPECT_EQ(std::string(value).substr(0, 31), PageTags[0].name) << text;
        EXPECT_STREQ(value, PageTags[0].value) << text;
        EXPECT_STREQ("z", PageTags[1].value) << text;
        if (kind != 0) {
          EXPECT_EQ(kind, PageTags[0].flags & TF_KIND_MASK) << text;
        }
      }
  }
  // An end of the head in a value would end the head: it is written as a character reference.
  char text[kTagsTextSize] = "";
  RenderTag(text, Record("v", "a</HEAD>b"));
  RenderTag(text, Record("after", "z"));
  ASSERT_EQ(0, RewriteHead(nullptr, path.c_str(), text));
  ASSERT_EQ(0, ReadPageTags(nullptr, path.c_str()));
  ASSERT_EQ(2, Tagcount);
  EXPECT_STREQ("a&lt;/HEAD>b", PageTags[0].value);
  EXPECT_TRUE(ui_.boxes().empty());
  ReleasePageTags();
}

TEST_F(HeadWriterTest, StylesheetLinkReplacesTheFirstStyleSheetLinkOrFollowsTheHeadTag) {
  TempDir site;
  loglevel = 1;
  const std::string link = "<link rel=\"STYLESHEET\" type=\"text/css\" href=\"/s.css\">\r\n";
  struct Case {
    const char* what;
    std::string before;
    int rc;
    std::string after;  // "" = unchanged
    std::vector<std::string> boxes;
  } cases[] = {
      {"icon and canonical links stay; the new one follows the head tag",
       "<HEAD>\r\n<title>T</title>\r\n<LINK REL=\"icon\" href=\"f.ico\">\r\n"
       "<link rel=canonical href=\"/a\">\r\n<meta name=a>\r\n</HEAD>",
       0,
       "<HEAD>\r\n" + link +
           "<title>T</title>\r\n<LINK REL=\"icon\" href=\"f.ico\">\r\n"
           "<link rel=canonical href=\"/a\">\r\n<meta name=a>\r\n</HEAD>",
       {}},
      {"the first style-sheet link goes, whatever its letter case",
       "<head><link rel=icon><Link Rel=\"Alternate StyleSheet\" href=a.css>\r\n"
       "<link rel=stylesheet href=b.css></head>",
       0,
       "<head><link rel=icon>" + link + "<link rel=stylesheet href=b.css></head>",
       {}},
      {"no link: after the head tag",
       "<head lang=en>\r\n<title>T</title></head>",
       0,
       "<head lang=en>\r\n" + link + "<title>T</title></head>",
       {}},
      {"a character set declaration stays first",
       "<head>\n<meta charset=\"utf-8\">\n</head>",
       0,
       "<head>\n<meta charset=\"utf-8\">\r\n" + link + "</head>",
       {}},
      {"links in the body, a comment or a meta tag's text are not the head's",
       "<HEAD><!-- <link rel=stylesheet> --><meta name=a content=\"<LINK REL=stylesheet\">"
       "</HEAD><body><link rel=stylesheet href=n>",
       0,
       "<HEAD>\r\n" + link +
           "<!-- <link rel=stylesheet> --><meta name=a content=\"<LINK REL=stylesheet\">"
           "</HEAD><body><link rel=stylesheet href=n>",
       {}},
      {"a style-sheet link running into a meta tag",
       "<HEAD><link rel=stylesheet <meta name=b></HEAD>",
       -1,
       "",
       {"@|Metatag parse error - missing link rel terminator",
        "@|<HEAD><link rel=stylesheet <meta name=b></HEAD>"}},
      {"a style-sheet link without terminator",
       "<HEAD><link rel=stylesheet </HEAD>",
       -1,
       "",
       {"@|Metatag parse error - missing link rel terminator",
        "@|<HEAD><link rel=stylesheet </HEAD>"}},
      {"no end of head: no audit entry", "<HEAD><link rel=a>", -1, "", {}},
  };
  std::string path = site / "s.htm";
  for (const Case& c : cases) {
    WriteFile(path, c.before);
    ui_.Clear();
    EXPECT_EQ(c.rc, InsertStylesheetLink(nullptr, path.c_str(), "/s.css")) << c.what;
    EXPECT_EQ(c.after.empty() ? c.before : c.after, ReadFile(path)) << c.what;
    std::vector<std::string> boxes;
    for (std::string b : c.boxes) {
      b.replace(b.find('@'), 1, path);
      boxes.push_back(b);
    }
    EXPECT_EQ(boxes, BoxLines()) << c.what;
    EXPECT_EQ(std::vector<std::string>{}, WorkFilesBelow(site.path()));
  }
  EXPECT_FALSE(Exists(AuditFile("Audit/")));
}

TEST_F(HeadWriterTest, MakeWritableAddsOwnerWriteAndReportsAFailure) {
  TempDir site;
  std::string path = site / "ro.htm";
  WriteFile(path, "x");
  ASSERT_EQ(0, ::chmod(path.c_str(), 0440));
  EXPECT_EQ(0, MakeWritable(path.c_str()));
  EXPECT_EQ(0640u, ModeOf(path));
  EXPECT_TRUE(ui_.boxes().empty());

  std::string missing = site / "missing.htm";
  EXPECT_EQ(0, MakeWritable(missing.c_str()));
  ASSERT_EQ(1u, BoxLines().size());
  EXPECT_EQ("Error changing file access rights - " + missing + "|No such file or directory",
            BoxLines()[0]);
}

// Read, render, rewrite, read again: the same tags, one stamp, and a second round changes
// nothing more.
TEST_F(HeadWriterTest, RewritingTwiceLeavesOneStampAndTheSameTags) {
  ASSERT_EQ(0, ReservePageTags());
  TempDir site;
  std::string path = site / "r.htm";
  WriteFile(path,
            "<html><head><title>T</title>\r\n<META NAME=\"DC.Title\" CONTENT=\"Home page\">\r\n"
            "<meta http-equiv=\"Keywords\" content=\"a, b\">\r\n<meta name=empty>\r\n"
            "</head><body>text</body></html>");
  auto readTags = [&] {
    EXPECT_EQ(0, ReadPageTags(nullptr, path.c_str()));
    std::vector<std::string> tags;
    for (int i = 0; i < Tagcount; ++i)
      tags.push_back(std::string(PageTags[i].name) + "=" + PageTags[i].value);
    return tags;
  };
  auto rewrite = [&] {
    char text[kTagsTextSize] = "";
    for (int i = 0; i < Tagcount; ++i)
      RenderTag(text, PageTags[i]);
    EXPECT_EQ(0, RewriteHead(nullptr, path.c_str(), text));
  };
  const std::vector<std::string> tags = readTags();
  ASSERT_EQ((std::vector<std::string>{"DC.Title=Home page", "Keywords=a, b", "empty="}), tags);
  rewrite();
  const std::string once = ReadFile(path);
  EXPECT_EQ(tags, readTags());
  rewrite();
  EXPECT_EQ(once, ReadFile(path));
  EXPECT_EQ(tags, readTags());
  size_t first = once.find("$RUZOZAZEZO");
  EXPECT_NE(std::string::npos, first);
  EXPECT_EQ(std::string::npos, once.find("$RUZOZAZEZO", first + 1));
  ReleasePageTags();
}

}  // namespace

// Heads that differ only in where and whether the stamp and AD.Touched stand are the same head.
TEST(SameHeadButStampTest, OnlyTheStampAndTouchedMayDiffer) {
  const std::string stamp = "<meta NAME=\"$RUZOZAZEZO\" CONTENT=\"1\">\r\n";
  const std::string touched = "<META http-equiv=AD.Touched content=\"2026\">\n";
  const std::string title = "<meta NAME=\"DC.Title\" CONTENT=\"T\">\r\n";
  const struct {
    std::string a, b;
    bool same;
  } cases[] = {
      {"<HEAD>\r\n" + stamp + title + "</HEAD>", "<HEAD>\r\n" + title + stamp + "</HEAD>", true},
      {"<HEAD>\r\n" + touched + title + "</HEAD>", "<HEAD>\r\n" + title + "</HEAD>", true},
      {stamp + touched, "", true},
      {title + "x", title + "y", false},
      {title, title + "<", false},
      {"<meta NAME=\"DC.Title\" CONTENT=\"AD.Touche\">", title, false},
      {"<p>" + title, "<P>" + title, false},
      {"a<b", "a<" + stamp + "b", true},  // a stamp right after a "<" of the text
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.same, SameHeadButStamp(c.a, c.b)) << c.a << " | " << c.b;
    EXPECT_EQ(c.same, SameHeadButStamp(c.b, c.a)) << c.b << " | " << c.a;
  }
}
