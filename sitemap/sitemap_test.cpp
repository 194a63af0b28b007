#include "sitemap/sitemap.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>

#include "config/settings.h"
#include "platform/text.h"
#include "plugins/context.h"
#include "tests/support/fault_fs.h"
#include "tests/support/site_fixture.h"
#include "tree/task_state.h"

using namespace testing_support;

namespace {

const std::string kI1 = "&nbsp; &nbsp;";
const std::string kI2 = kI1 + kI1;
const std::string kDot = "&middot;&nbsp;";
const std::string kDash = "-&nbsp;";
const std::string kUrl = "http://www.example.org/";

std::string Link(const std::string& prefix, const std::string& relative, const std::string& text,
                 const std::string& description = "") {
  return prefix + "<A HREF=" + kUrl + relative + ">" + text + "</A>&nbsp;&nbsp;" + description +
         "<BR>\n";
}

class SitemapTest : public SiteFixture {
 protected:
  std::string Page() const { return ReadFile(Sitemapfile); }
  // The page's text between the insert marker (and the line feed after it) and the end marker.
  std::string List() const {
    std::string page = Page();
    std::string start = std::string(kSitemapInsertMarker) + "\n";
    size_t from = page.find(start);
    size_t to = page.find(kSitemapEndMarker);
    if (from == std::string::npos || to == std::string::npos || to < from) return "<no markers>";
    from += start.size();
    return page.substr(from, to - from);
  }
  std::string WorkFile() const { return site_ + "/temp.dat"; }
  static std::string TreeTags(const std::vector<std::pair<std::string, std::string>>& tags) {
    return Doc(tags, "");
  }
};

TEST_F(SitemapTest, SkeletonIsWrittenExactlyAndAMissingPageGetsItBeforeTheList) {
  const std::string skeleton =
      "<HTML>\r\n<HEAD>\r\n<TITLE>Test Site</TITLE>\r\n</HEAD>\r\n"
      "<BODY bgcolor=\"#CCCCFF\">\r\n<H3>Site Map for Test Site</H3>\r\n<CENTER>\r\n"
      "<TABLE WIDTH=\"80%\" BGCOLOR=#FFFFCC><TR><TD>\r\n<!--insert sitemap here-->\r\n"
      "<!--end insert-->\r\n</TD></TR></TABLE>\r\n</CENTER>\r\n</BODY>\r\n</HTML>\r\n";
  std::string other = home_ / "other.htm";
  WriteFile(other, "old text");
  EXPECT_EQ(0, CreateSitemapSkeleton("Test Site", other.c_str()));
  EXPECT_EQ(skeleton, ReadFile(other));
  // A path that cannot be created still gives 0 and leaves nothing behind.
  std::string nowhere = home_ / "missing/dir/map.htm";
  EXPECT_EQ(0, CreateSitemapSkeleton("Test Site", nowhere.c_str()));
  EXPECT_FALSE(Exists(nowhere));

  Put("meta.tag", TreeTags({{"$SitemapFiles", ".htm"}}));
  Put("a.htm", Doc({{"DC.Title", "Alpha"}}));
  ASSERT_FALSE(Exists(Sitemapfile));
  ASSERT_EQ(0, UpdateSitemap(nullptr));
  size_t insertEnd = skeleton.find("-->") + 3;
  EXPECT_EQ(skeleton.substr(0, insertEnd) + "\n<BR>\n" + Link(kI1 + kDot, "a.htm", "Alpha") +
                skeleton.substr(insertEnd + 2),
            Page());
  EXPECT_FALSE(Exists(WorkFile()));
  EXPECT_TRUE(ui_.boxes().empty());
}

TEST_F(SitemapTest, LayoutFollowsSpacingAndBulletOptions) {
  Put("meta.tag", TreeTags({{"$SitemapFiles", ".htm"}, {"$LevelHeading", "Home"}}));
  Put("a.htm", Doc({{"DC.Title", "Alpha"}}));
  Put("b.htm", Doc({{"Keywords", "k"}}));
  Put("sub/meta.tag", TreeTags({{"$LevelHeading", "Sub"}, {"$LevelHeading", "More"}}));
  Put("sub/c.htm", Doc({{"DC.Title", "Gamma"}}));
  Put("sub2/e.htm", Doc({{"DC.Title", "Epsilon"}}));
  Put("sub3/notes.txt", "not a document");
  Put("sub3/meta.tag", TreeTags({{"$LevelHeading", "Empty"}}));

  struct Row {
    int options;
    std::string expected;
  };
  const Row rows[] = {
      // spacing 0: a blank line before every directory that lists something; dot bullets.
      {0, "<BR>\n" + kI1 + kDot + "<B>Home</B><BR>\n" + Link(kI1 + kDot, "a.htm", "Alpha") +
              Link(kI1 + kDot, "b.htm", "No title") + "<BR>\n" + kI2 + kDot + "<B>Sub</B><BR>\n" +
              kI2 + kDot + "<B>More</B><BR>\n" + Link(kI2 + kDot, "sub/c.htm", "Gamma") + "<BR>\n" +
              Link(kI2 + kDot, "sub2/e.htm", "Epsilon")},
      // spacing 1: a blank line only before a heading; dash headings, no URL bullet.
      {1 | (1 << 2) | (2 << 4), "<BR>\n" + kI1 + kDash + "<B>Home</B><BR>\n" +
                                    Link(kI1, "a.htm", "Alpha") + Link(kI1, "b.htm", "No title") +
                                    "<BR>\n" + kI2 + kDash + "<B>Sub</B><BR>\n" + kI2 + kDash +
                                    "<B>More</B><BR>\n" + Link(kI2, "sub/c.htm", "Gamma") +
                                    Link(kI2, "sub2/e.htm", "Epsilon")},
      // spacing 2: no blank lines; no heading bullet, dash URLs.
      {2 | (2 << 2) | (1 << 4), kI1 + "<B>Home</B><BR>\n" + Link(kI1 + kDash, "a.htm", "Alpha") +
                                    Link(kI1 + kDash, "b.htm", "No title") + kI2 +
                                    "<B>Sub</B><BR>\n" + kI2 + "<B>More</B><BR>\n" +
                                    Link(kI2 + kDash, "sub/c.htm", "Gamma") +
                                    Link(kI2 + kDash, "sub2/e.htm", "Epsilon")},
  };
  for (const Row& row : rows) {
    SitemapOptions = row.options;
    ASSERT_EQ(0, UpdateSitemap(nullptr)) << row.options;
    EXPECT_EQ(row.expected, List()) << "options " << row.options;
  }
  EXPECT_TRUE(ui_.boxes().empty());
}

TEST_F(SitemapTest, MasksPerLevelAreInheritedAndOverwriteTagIncludesWithItsDescription) {
  // Without any mask or OverwriteTag the list is empty.
  Put("a.htm", Doc({{"DC.Title", "Alpha"}}));
  Put("sub/index.htm", Doc({{"DC.Title", "Sub index"}}));
  ASSERT_EQ(0, UpdateSitemap(nullptr));
  EXPECT_EQ("", List());

  SitemapOptions = 2;
  Put("meta.tag", TreeTags({{"$SitemapFiles", ".htm"}}));
  Put("sub/meta.tag", TreeTags({{"$SitemapFiles", "index"}}));
  Put("sub/other.htm", Doc({{"DC.Title", "Other"}, {"AD.MapMe", "New!"}}));
  Put("sub/plain.htm", Doc({{"DC.Title", "Plain"}}));
  Put("sub/INDEX2.htm", Doc({{"DC.Title", "Upper"}}));  // the mask is case-sensitive
  Put("sub/deeper/index3.htm", Doc({{"DC.Title", "Deep index"}}));
  Put("sub/deeper/x.htm", Doc({{"DC.Title", "Deep x"}}));
  Put("sub/deeper/meta.tag", TreeTags({{"$SitemapFiles", ""}}));
  // A mask longer than a slot holds is cut at 31 characters.
  Put("long/meta.tag", TreeTags({{"$SitemapFiles", "abcdefghijklmnopqrstuvwxyz0123456789"}}));
  Put("long/abcdefghijklmnopqrstuvwxyz01234.htm", Doc({{"DC.Title", "Cut mask"}}));
  Put("z.htm", Doc({{"DC.Title", "Zed"}}));
  ASSERT_EQ(0, UpdateSitemap(nullptr));
  EXPECT_EQ(Link(kI1 + kDot, "a.htm", "Alpha") + Link(kI1 + kDot, "z.htm", "Zed") +
                Link(kI2 + kDot, "long/abcdefghijklmnopqrstuvwxyz01234.htm", "Cut mask") +
                Link(kI2 + kDot, "sub/index.htm", "Sub index") +
                Link(kI2 + kDot, "sub/other.htm", "Other", "New!") +
                Link(kI2 + kI1 + kDot, "sub/deeper/index3.htm", "Deep index"),
            List());

  // Another OverwriteTag and TitleTag; the last tag of a name wins.
  platform::CopyText(OverwriteTag, "X.Map");
  platform::CopyText(TitleTag, "X.Title");
  Put("sub/plain.htm", Doc({{"DC.Title", "Plain"},
                            {"X.Title", "First"},
                            {"X.Map", "one"},
                            {"X.Title", "Second"},
                            {"X.Map", "two"}}));
  Put("sub/other.htm", Doc({{"DC.Title", "Other"}, {"AD.MapMe", "New!"}}));
  ASSERT_EQ(0, UpdateSitemap(nullptr));
  EXPECT_EQ(Link(kI1 + kDot, "a.htm", "No title") + Link(kI1 + kDot, "z.htm", "No title") +
                Link(kI2 + kDot, "long/abcdefghijklmnopqrstuvwxyz01234.htm", "No title") +
                Link(kI2 + kDot, "sub/index.htm", "No title") +
                Link(kI2 + kDot, "sub/plain.htm", "Second", "two") +
                Link(kI2 + kI1 + kDot, "sub/deeper/index3.htm", "No title"),
            List());
  EXPECT_TRUE(ui_.boxes().empty());
}

TEST_F(SitemapTest, TheSitemapPageAndNamesInItsPathStayOutOfTheList) {
  SitemapOptions = 2 | (2 << 4);
  platform::CopyText(Sitemapfile, site_ + "/pages/sitemap.htm");
  Put("meta.tag", TreeTags({{"$SitemapFiles", ".htm"}}));
  Put("pages/sitemap.htm", SitemapSkeleton("Test Site"));
  Put("pages/map.htm", Doc({{"DC.Title", "Map"}}));
  Put("MAP.HTM", Doc({{"DC.Title", "Upper map"}}));
  Put("pages/guide.htm", Doc({{"DC.Title", "Guide"}}));
  Put("sitemaps.htm", Doc({{"DC.Title", "Not the page"}}));
  ASSERT_EQ(0, UpdateSitemap(nullptr));
  EXPECT_EQ(Link(kI1, "sitemaps.htm", "Not the page") + Link(kI2, "pages/guide.htm", "Guide"),
            List());

  // A page reached through a symbolic link is rewritten where the link points; the link stays.
  std::string real = home_ / "design/sitemap.htm";
  WriteFile(real, SitemapSkeleton("Test Site"));
  std::string link = site_ + "/pages/linked.htm";
  std::filesystem::create_symlink(real, link);
  platform::CopyText(Sitemapfile, link);
  ASSERT_EQ(0, UpdateSitemap(nullptr));
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_NE(std::string::npos, ReadFile(real).find(Link(kI2, "pages/guide.htm", "Guide")));
  EXPECT_FALSE(Exists(home_ / "design/temp.dat"));
  EXPECT_TRUE(ui_.boxes().empty());
}

TEST_F(SitemapTest, LongTitlesAndDescriptionsAreCutButTheLineIsWhole) {
  SitemapOptions = 2 | (2 << 4);
  Put("meta.tag", TreeTags({{"$SitemapFiles", ".htm"}}));
  Put("a.htm", Doc({{"DC.Title", std::string(900, 'x')}, {"AD.MapMe", std::string(900, 'y')}}));
  Put("b.htm", Doc({{"DC.Title", "Bee"}}));
  ASSERT_EQ(0, UpdateSitemap(nullptr));
  EXPECT_EQ(
      Link(kI1, "a.htm", std::string(511, 'x'), std::string(511, 'y')) + Link(kI1, "b.htm", "Bee"),
      List());
}

TEST_F(SitemapTest, DocumentNamesCannotBreakOutOfTheirLink) {
  SitemapOptions = 2 | (2 << 4);
  Put("meta.tag", TreeTags({{"$SitemapFiles", ".htm"}}));
  for (const char* name : {"a onmouseover=alert(1) b.htm", "b\"'`<i>.htm", "c\tcaf\xC3\xA9\x7F.htm",
                           "d%20kept.htm", "e dir/f.htm"})
    Put(name, Doc({{"DC.Title", "T"}}));
  ASSERT_EQ(0, UpdateSitemap(nullptr));
  EXPECT_EQ(Link(kI1, "a%20onmouseover%3Dalert(1)%20b.htm", "T") +
                Link(kI1, "b%22%27%60%3Ci%3E.htm", "T") + Link(kI1, "c%09caf%C3%A9%7F.htm", "T") +
                Link(kI1, "d%20kept.htm", "T") + Link(kI2, "e%20dir/f.htm", "T"),
            List());
}

TEST_F(SitemapTest, TextAroundTheMarkersIsKeptWhateverTheBlockBoundaries) {
  SitemapOptions = 2 | (2 << 4);
  Put("meta.tag", TreeTags({{"$SitemapFiles", ".htm"}}));
  Put("a.htm", Doc({{"DC.Title", "Alpha"}}));
  const std::string list = Link(kI1, "a.htm", "Alpha");
  const std::string insert = kSitemapInsertMarker;
  const std::string end = kSitemapEndMarker;
  std::string tail;
  for (int i = 0; tail.size() < 3 * 4096 + 100; ++i)
    tail += "<P>line " + std::to_string(i) + "</P>\r\n";

  struct Row {
    const char* what;
    std::string before;      // up to and including the insert marker
    std::string oldList;     // replaced
    std::string afterwards;  // from the end marker on
  };
  const std::string head = "<HTML><BODY>\r\n" + insert;
  const Row rows[] = {
      {"short page", head, "\r\nold\r\n", end + "\r\n</BODY>"},
      {"long tail", head, "\r\n", end + tail},
      {"end marker in a later block", head, std::string(10000, 'o'), end + tail},
      {"end marker across blocks", head, std::string(4096 - head.size() - 5, 'o'), end + "\r\nT"},
      {"end marker across later blocks", head, std::string(3 * 4096 - head.size() - 9, 'o'),
       end + tail},
      {"insert marker ends the first block", std::string(4096 - insert.size(), 'p') + insert, "old",
       end + "!"},
  };
  for (const Row& row : rows) {
    WriteFile(Sitemapfile, row.before + row.oldList + row.afterwards);
    ASSERT_EQ(0, UpdateSitemap(nullptr)) << row.what;
    EXPECT_EQ(row.before + "\n" + list + row.afterwards, Page()) << row.what;
  }

  // Without an end marker nothing after the insert marker is kept.
  WriteFile(Sitemapfile, head + "old list without an end" + tail);
  ASSERT_EQ(0, UpdateSitemap(nullptr));
  EXPECT_EQ(head + "\n" + list, Page());
  // An empty page stays empty.
  WriteFile(Sitemapfile, "");
  ASSERT_EQ(0, UpdateSitemap(nullptr));
  EXPECT_EQ("", Page());
  EXPECT_TRUE(ui_.boxes().empty());
  EXPECT_FALSE(Exists(WorkFile()));
}

TEST_F(SitemapTest, FailuresBeforeWritingLeaveTheOldPage) {
  Put("meta.tag", TreeTags({{"$SitemapFiles", ".htm"}}));
  Put("a.htm", Doc({{"DC.Title", "Alpha"}}));
  // The insert marker must lie within the first 4096 bytes.
  const std::string late =
      std::string(4090, ' ') + kSitemapInsertMarker + "\r\n" + kSitemapEndMarker + "\r\n";
  WriteFile(Sitemapfile, late);
  EXPECT_EQ(-1, UpdateSitemap(nullptr));
  EXPECT_EQ(late, Page());
  EXPECT_FALSE(Exists(WorkFile()));

  // The work file cannot be made: a directory holds its name.
  const std::string good = SitemapSkeleton("Test Site");
  WriteFile(Sitemapfile, good);
  WriteFile(WorkFile() + "/keep", "");
  EXPECT_EQ(-1, UpdateSitemap(nullptr));
  EXPECT_EQ(good, Page());
  EXPECT_TRUE(Exists(WorkFile() + "/keep"));

  // A page in a directory that does not exist can be neither found nor created.
  std::string lost = site_ + "/no/such/map.htm";
  platform::CopyText(Sitemapfile, lost);
  EXPECT_EQ(-1, UpdateSitemap(nullptr));
  EXPECT_FALSE(Exists(lost));

  // The work file itself is never taken for the page.
  platform::CopyText(Sitemapfile, WorkFile());
  EXPECT_EQ(-1, UpdateSitemap(nullptr));
  EXPECT_TRUE(Exists(WorkFile() + "/keep"));

  // A page path without a directory is left alone.
  platform::CopyText(Sitemapfile, "Sitemap.htm");
  EXPECT_EQ(0, UpdateSitemap(nullptr));

  EXPECT_EQ((std::vector<std::string>{
                site_ + "/Sitemap.htm|Sitemap: missing insert point",
                site_ + "/temp.dat|Error opening temp file",
                lost + "|Can't find or create the Sitemap file",
                site_ + "/temp.dat|Can't find or create the Sitemap file",
            }),
            BoxLines());
}

TEST_F(SitemapTest, FailedWritesNeverLoseTheOldPage) {
  SitemapOptions = 2;
  Put("meta.tag", TreeTags({{"$SitemapFiles", ".htm"}}));
  for (int i = 0; i < 12; ++i)
    Put("d" + std::to_string(i % 4) + "/page" + std::to_string(i) + ".htm",
        Doc({{"DC.Title", "Title " + std::to_string(i)}, {"AD.MapMe", std::string(450, 'm')}}));
  std::string tail;  // long enough for the new page to go out in several writes
  while (tail.size() < 80 * 1024)
    tail += "<P>after the list</P>\r\n";
  const std::string old =
      "<HTML>\r\n" + std::string(kSitemapInsertMarker) + "\r\nold\r\n" + kSitemapEndMarker + tail;
  WriteFile(Sitemapfile, old);
  ASSERT_EQ(0, UpdateSitemap(nullptr));
  const std::string fresh = Page();
  ASSERT_GT(fresh.size(), 64u * 1024u + 4096u);  // more than one output chunk
  WriteFile(Sitemapfile, old);

  FaultyFileSystem counter;
  {
    platform::ScopedFileSystem scoped(&counter);
    ASSERT_EQ(0, UpdateSitemap(nullptr));
  }
  const FaultCounts total = counter.counts();
  ASSERT_GE(total.writes, 2);
  ui_.Clear();

  struct Kind {
    const char* what;
    int count;
    std::function<void(FaultPlan&, int)> arm;
  };
  const Kind kinds[] = {
      {"write", total.writes, [](FaultPlan& p, int n) { p.failWriteAt = n; }},
      {"sync", total.syncs, [](FaultPlan& p, int n) { p.failSyncAt = n; }},
      {"close", total.closes, [](FaultPlan& p, int n) { p.failCloseAt = n; }},
      {"rename", total.renames, [](FaultPlan& p, int n) { p.failRenameAt = n; }},
      {"disk full", 6,
       [&](FaultPlan& p, int n) {
         const long long at[] = {0, 1, 9, 4096, 64 * 1024, total.bytesWritten - 1};
         p.diskFullAfter = at[n - 1];
       }},
  };
  for (const Kind& kind : kinds) {
    int failures = 0;
    for (int n = 1; n <= kind.count; ++n) {
      WriteFile(Sitemapfile, old);
      FaultPlan plan;
      kind.arm(plan, n);
      FaultyFileSystem faulty(plan);
      int rc;
      {
        platform::ScopedFileSystem scoped(&faulty);
        rc = UpdateSitemap(nullptr);
      }
      std::string trace = std::string(kind.what) + " " + std::to_string(n);
      EXPECT_FALSE(Exists(WorkFile())) << trace;
      if (rc == 0) {
        EXPECT_EQ(fresh, Page()) << trace;
      } else {
        ++failures;
        EXPECT_EQ(old, Page()) << trace;
        ASSERT_FALSE(ui_.boxes().empty()) << trace;
        EXPECT_EQ(site_ + "/Sitemap.htm|Error opening new file", BoxLines().back()) << trace;
      }
      ui_.Clear();
    }
    EXPECT_GT(failures, 0) << kind.what;
  }
}

TEST_F(SitemapTest, TooDeepOrUnreadableBranchesEndOnlyThemselves) {
  SitemapOptions = 2 | (2 << 4);
  Put("meta.tag", TreeTags({{"$SitemapFiles", ".htm"}}));
  std::string dir;
  for (int depth = 1; depth <= 49; ++depth) {
    dir += "d/";
    Put(dir + "q.htm", Doc({{"DC.Title", "Level " + std::to_string(depth)}}));
  }
  Put("dz/hidden.htm", Doc({{"DC.Title", "Hidden"}}));
  Put("e/last.htm", Doc({{"DC.Title", "Last"}}));
  PopFiles = 0;
  PopDirs = 1;
  FaultPlan plan;
  plan.unlistable.insert(site_ + "/dz");
  FaultyFileSystem faulty(plan);
  {
    platform::ScopedFileSystem scoped(&faulty);
    ASSERT_EQ(0, UpdateSitemap(nullptr));
  }
  // Documents 1 to 48 levels below the root are walked (the deep lines are cut at the line
  // buffer); the directory 49 levels down is not entered.
  EXPECT_EQ(48 + 1 + 1, PopFiles);  // with the page itself in the root
  EXPECT_EQ(1 + 3 + 48, PopDirs);
  std::string list = List();
  EXPECT_NE(std::string::npos, list.find(">Level 20</A>"));
  EXPECT_EQ(std::string::npos, list.find("Level 49"));
  EXPECT_EQ(std::string::npos, list.find("Hidden"));
  const std::string last = Link(kI2, "e/last.htm", "Last");
  ASSERT_GT(list.size(), last.size());
  EXPECT_EQ(last, list.substr(list.size() - last.size()));
  ASSERT_EQ(2u, ui_.boxes().size());
  EXPECT_EQ("CRITICAL ERROR!|M041:Maximum tree depth error", BoxLines()[0]);
  EXPECT_EQ("ERROR CHANGING DIRECTORY - " + site_ + "/dz", ui_.boxes()[1].caption);
  EXPECT_NE(std::string::npos,
            ReadFile(AuditFile("Errors/")).find("M041:Maximum tree depth error"));
  EXPECT_EQ(0, Rlevel);
}

TEST_F(SitemapTest, CommandCountsReportsAndReturnsToTheCurrentPath) {
  Put("meta.tag", TreeTags({{"$SitemapFiles", ".htm"}}));
  Put("a.htm", Doc({{"DC.Title", "Alpha"}}));
  Put("b.htm", Doc({{"Keywords", "k"}}));
  Put("sub/c.htm", Doc({{"DC.Title", "Gamma"}}));
  Put("sub/deeper/d.htm", Doc({{"DC.Title", "Delta"}}));
  Put("other.dir/skip.htm", Doc({{"DC.Title", "Skipped"}}));
  platform::CopyText(gPluginContext.rootCopy, home_.path());
  showatts = 1;
  ASSERT_EQ(0, UpdateSitemapCommand(nullptr));
  // The page itself counts as listed: four documents in the root with it.
  EXPECT_EQ((std::vector<std::string>{"NOTE|5 files processed in 3 directories.\n\nElapsed "
                                      "time:      0 second(s)."}),
            BoxLines());
  EXPECT_EQ("<BR>\n" + Link(kI1 + kDot, "a.htm", "Alpha") + Link(kI1 + kDot, "b.htm", "No title") +
                "<BR>\n" + Link(kI2 + kDot, "sub/c.htm", "Gamma") + "<BR>\n" +
                Link(kI2 + kI1 + kDot, "sub/deeper/d.htm", "Delta"),
            List());
  EXPECT_EQ(1, showatts);
  EXPECT_EQ(0, gPluginContext.busy);
  EXPECT_EQ(0, BusyCursor);
  EXPECT_EQ(0, Tagcount);
  std::string cwd;
  ASSERT_EQ(0, platform::Fs().CurrentDir(&cwd));
  EXPECT_EQ(home_.path(), cwd);

  // Without "Confirm Actions.." nothing is shown; a failure is still the command's result.
  ui_.Clear();
  gPluginContext.confirmation = 0;
  WriteFile(Sitemapfile, "no markers here");
  EXPECT_EQ(-1, UpdateSitemapCommand(nullptr));
  EXPECT_EQ((std::vector<std::string>{site_ + "/Sitemap.htm|Sitemap: missing insert point"}),
            BoxLines());
  EXPECT_EQ(0, gPluginContext.busy);
}

}  // namespace
