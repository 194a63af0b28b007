#include "tree/tree_tags.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "config/settings.h"
#include "engine/head_reader.h"
#include "platform/fs.h"
#include "platform/text.h"
#include "schema/schema.h"
#include "tests/support/fault_fs.h"
#include "tests/support/site_fixture.h"

using namespace testing_support;

namespace {

using Tags = std::vector<std::pair<std::string, std::string>>;

// A tree-tag file in the markup a user writes by hand.
std::string TreeTags(const Tags& tags) {
  std::string out = "<HEAD>\n";
  for (const auto& [name, value] : tags)
    out += "<meta name=\"" + name + "\" content=\"" + value + "\">\n";
  return out + "</HEAD>\n";
}

Tags Sorted(Tags tags) {
  std::sort(tags.begin(), tags.end());
  return tags;
}

Tags TableTags() {
  Tags out;
  for (int i = 0; i < Tagcount; ++i)
    out.emplace_back(PageTags[i].name, PageTags[i].value);
  return out;
}

class TreeTagsTest : public SiteFixture {
 protected:
  void SetUp() override {
    SiteFixture::SetUp();
    platform::Fs().CurrentDir(&startDir_);
    // keywords, contact, zone and topic may be duplicated; the rest may not.
    WriteFile(home_ / "META.IDX",
              "keywords,A\r\ncontact,A\r\nzone,A\r\ntopic,A\r\nauthor\r\nrobots\r\nnote\r\n");
    ASSERT_EQ(0, LoadSchema());
    ResetTreeTags();
    strategy = 1;
  }
  void TearDown() override {
    SetSaveAreaAllocator(nullptr);
    SuppressControlTags = 1;
    platform::Fs().ChangeDir(startDir_);
    SiteFixture::TearDown();
  }

  static void SetPage(const Tags& tags) {
    ResetPageTags();
    for (const auto& [name, value] : tags) {
      int i = FindSchemaTag(name.c_str());
      ASSERT_EQ(0, AppendPageTag(name.c_str(), value.c_str(), i < 0 ? 0 : SchemaIndex[i].flags));
    }
  }

  // The tags of a document on disk, as the reader sees them.
  static Tags TagsOnDisk(const std::string& path) {
    EXPECT_EQ(0, ReadPageTags(nullptr, path.c_str()));
    return TableTags();
  }

  // Loads the tree tags of the site root and of each directory below it down to relative, as
  // the inherit walk does.
  void LoadLevels(const std::vector<std::string>& dirs) {
    int level = 1;
    for (const std::string& d : dirs) {
      ASSERT_EQ(0, LoadLevelTags(nullptr, d.empty() ? site_.c_str() : At(d).c_str(), level,
                                 stores_[level]));
      Rlevel = level++;
    }
  }

  std::string startDir_;
  TagRecord stores_[MaxTreeDepth][kLevelStoreTags];
};

TEST_F(TreeTagsTest, NewTreeTagFileIsTheSkeletonAndAnExistingOneIsKept) {
  std::string dir = At("fresh");
  WriteFile(dir + "/.keep", "");
  ASSERT_EQ(0, platform::Fs().ChangeDir(dir));
  EXPECT_EQ(0, CreateTreeTagFile());
  EXPECT_EQ(std::string("<HEAD>\n</HEAD>\n", 15), ReadFile(dir + "/meta.tag"));

  WriteFile(dir + "/meta.tag", TreeTags({{"author", "kept"}}));
  EXPECT_EQ(0, CreateTreeTagFile());
  EXPECT_EQ(TreeTags({{"author", "kept"}}), ReadFile(dir + "/meta.tag"));

  // The root's file is spelt in capitals; it is the same file.
  std::string upper = At("upper");
  WriteFile(upper + "/META.TAG", "x");
  ASSERT_EQ(0, platform::Fs().ChangeDir(upper));
  EXPECT_EQ(0, CreateTreeTagFile());
  EXPECT_FALSE(Exists(upper + "/meta.tag"));
  EXPECT_EQ("x", ReadFile(upper + "/META.TAG"));
  EXPECT_TRUE(BoxLines().empty());

  // A file that cannot be written completely is reported and not left behind half-written.
  FaultPlan plans[2];
  plans[0].failOpenAt = 1;
  plans[1].diskFullAfter = 7;
  for (const FaultPlan& plan : plans) {
    ui_.Clear();
    FaultyFileSystem faulty(plan);
    platform::ScopedFileSystem scope(&faulty);
    ASSERT_EQ(0, platform::Fs().ChangeDir(dir));
    std::remove((dir + "/meta.tag").c_str());
    EXPECT_LT(CreateTreeTagFile(), 0);
    EXPECT_EQ(std::vector<std::string>{"ERROR|Error opening new meta.tag file"}, BoxLines());
    EXPECT_FALSE(Exists(dir + "/meta.tag"));
  }
}

// Every value of the rule bits against a tree and a page that exercise each kind of clash.
// The expected tags follow from what the rules mean: the later-added kind's rule decides
// whether both stay, Preserve keeps the page's tag, and the priority picks between tree tags.
TEST_F(TreeTagsTest, EveryCombinationOfTheRules) {
  Put("meta.tag", TreeTags({{"author", "y"},
                            {"keywords", "a"},
                            {"contact", "y"},
                            {"robots", "all"},
                            {"zone", "r1"}}));
  Put("sub/meta.tag", TreeTags({{"robots", "none"}, {"zone", "r2"}}));
  const Tags page = {{"author", "x"}, {"keywords", "a"}, {"contact", "x"}, {"topic", "a"},
                     {"topic", "b"},  {"note", "a"},     {"note", "b"}};
  enum Rule { kNever, kFlagged, kAny };
  auto rule = [](int field) { return field == 0 ? kNever : field == 1 ? kFlagged : kAny; };
  auto keep = [](Rule r, bool flagged) { return r == kAny || (r == kFlagged && flagged); };

  for (int s = 0; s < 64; ++s) {
    SCOPED_TRACE("strategy " + std::to_string(s));
    strategy = s;
    Rule inherited = rule(s & 3);
    Rule own = rule((s >> 2) & 3);
    bool root = s & 16;
    bool preserve = s & 32;
    Rule later = root == preserve ? inherited : own;  // page tags were added first

    Tags want = {{"keywords", "a"}};
    auto pageVsTree = [&](const char* name, bool flagged) {
      if (keep(later, flagged) || preserve) want.emplace_back(name, "x");
      if (keep(later, flagged) || !preserve) want.emplace_back(name, "y");
    };
    pageVsTree("author", false);
    pageVsTree("contact", true);
    auto treeVsTree = [&](const char* name, bool flagged, const char* top, const char* near) {
      if (keep(inherited, flagged) || root) want.emplace_back(name, top);
      if (keep(inherited, flagged) || !root) want.emplace_back(name, near);
    };
    treeVsTree("robots", false, "all", "none");
    treeVsTree("zone", true, "r1", "r2");
    auto pageVsPage = [&](const char* name, bool flagged) {
      if (keep(own, flagged) || root) want.emplace_back(name, "a");
      if (keep(own, flagged) || !root) want.emplace_back(name, "b");
    };
    pageVsPage("topic", true);
    pageVsPage("note", false);

    SetPage(page);
    ASSERT_EQ(0, InheritIntoDocument(nullptr, At("sub/doc.htm").c_str()));
    EXPECT_EQ(Sorted(want), TableTags());
    EXPECT_EQ(TableTags(), Sorted(TableTags()));
  }
  EXPECT_EQ(1, Rlevel);
  EXPECT_TRUE(BoxLines().empty());
}

TEST_F(TreeTagsTest, InheritTaskRewritesOnlyTheHeadOfEachDocument) {
  Put("meta.tag", TreeTags({{"author", "y"}, {"robots", "all"}, {"keywords", "a"}}));
  Put("sub/meta.tag", TreeTags({{"robots", "none"}}));
  std::string body;
  for (int i = 0; i < 9000; ++i)
    body += static_cast<char>(i % 7 == 0 ? '\n' : 'a' + i % 26);
  const std::string original =
      SiteFixture::Doc({{"keywords", "a"}, {"note", "b"}, {"author", "x"}, {"note", "a"}}, body);
  struct Case {
    int strategy;
    const char* dir;  // below the site root; "" for the root itself
    Tags want;
  };
  const Case cases[] = {
      // The tree tag replaces the page's, the nearest directory wins, and page duplicates
      // ("any") stay.
      {1 + 8,
       "sub",
       {{"author", "y"}, {"keywords", "a"}, {"note", "a"}, {"note", "b"}, {"robots", "none"}}},
      // Page duplicates never allowed: the later of the two page notes stays.
      {1, "", {{"author", "y"}, {"keywords", "a"}, {"note", "a"}, {"robots", "all"}}},
      {1 + 32, "sub", {{"author", "x"}, {"keywords", "a"}, {"note", "a"}, {"robots", "none"}}},
      {1 + 16, "sub", {{"author", "y"}, {"keywords", "a"}, {"note", "b"}, {"robots", "all"}}},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(std::string(k.dir) + " strategy " + std::to_string(k.strategy));
    strategy = k.strategy;
    std::string dir = *k.dir ? At(k.dir) : site_;
    std::string docPath = dir + "/doc.htm";
    // By path, and through the directory open as the walk holds it: the document is then
    // opened once, and the work file beside it.
    for (bool viaDirectory : {false, true}) {
      SCOPED_TRACE(viaDirectory ? "through the directory" : "by path");
      WriteFile(docPath, original);
      ResetTreeTags();
      if (*k.dir) {
        LoadLevels({"", k.dir});
      } else {
        LoadLevels({""});
      }
      if (viaDirectory) {
        FaultyFileSystem counting;
        platform::ScopedFileSystem scoped(&counting);
        int dirFd = platform::Fs().OpenDir(dir);
        ASSERT_GE(dirFd, 0);
        EXPECT_EQ(0, MergeDocument(nullptr, dir.c_str(), "doc.htm", 0, dirFd));
        EXPECT_EQ(2, counting.counts().opens);
        platform::Fs().Close(dirFd);
      } else {
        ASSERT_EQ(0, MergeDocument(nullptr, dir.c_str(), "doc.htm", 0));
      }

      std::string now = ReadFile(docPath);
      size_t firstMeta = original.find("<meta");
      size_t headEnd = original.find("</HEAD>");
      EXPECT_EQ(original.substr(0, firstMeta), now.substr(0, firstMeta));
      ASSERT_GE(now.size(), original.size() - headEnd);
      EXPECT_EQ(original.substr(headEnd), now.substr(now.size() - (original.size() - headEnd)));
      EXPECT_NE(std::string::npos, now.find("$RUZOZAZEZO"));
      EXPECT_EQ(k.want, TagsOnDisk(docPath));
      EXPECT_EQ(std::vector<std::string>{}, WorkFilesBelow(dir));
    }
  }
  EXPECT_TRUE(BoxLines().empty());

  // A document that cannot be opened through its directory is reported and left alone.
  FaultPlan plan;
  plan.unreadable.insert(site_ + "/doc.htm");
  FaultyFileSystem faulty(plan);
  {
    platform::ScopedFileSystem scoped(&faulty);
    int dirFd = platform::Fs().OpenDir(site_);
    ASSERT_GE(dirFd, 0);
    EXPECT_EQ(-1, MergeDocument(nullptr, site_.c_str(), "doc.htm", 0, dirFd));
    platform::Fs().Close(dirFd);
  }
  ASSERT_EQ(1u, BoxLines().size());
  EXPECT_EQ(0u, BoxLines()[0].find("ERROR OPENING FILE"));
  EXPECT_EQ(std::vector<std::string>{}, WorkFilesBelow(site_));
}

TEST_F(TreeTagsTest, WithoutTreeTagsTheDocumentKeepsItsTagsSorted) {
  Put("plain/doc.htm", SiteFixture::Doc({{"zone", "b"}, {"author", "x"}, {"zone", "a"}}));
  strategy = 2 + 8;
  LoadLevels({"", "plain"});
  EXPECT_EQ(0, LevelTable[1].count);
  EXPECT_EQ(0, LevelTable[2].count);
  ASSERT_EQ(0, MergeDocument(nullptr, At("plain").c_str(), "doc.htm", 0));
  EXPECT_EQ((Tags{{"author", "x"}, {"zone", "a"}, {"zone", "b"}}), TagsOnDisk(At("plain/doc.htm")));

  SetPage({{"zone", "b"}, {"author", "x"}});
  ASSERT_EQ(0, InheritIntoDocument(nullptr, At("plain/doc.htm").c_str()));
  EXPECT_EQ((Tags{{"author", "x"}, {"zone", "b"}}), TableTags());
  EXPECT_TRUE(BoxLines().empty());
}

TEST_F(TreeTagsTest, StyleSheetIsLinkedByMigrationButNeverInherited) {
  Put("meta.tag", TreeTags({{"$Stylesheet", "/css/site.css"}, {"author", "y"}}));
  const std::string doc = SiteFixture::Doc({{"author", "x"}});
  Put("doc.htm", doc);
  Put("other/meta.tag", TreeTags({{"author", "z"}}));
  Put("other/doc.htm", doc);

  // The inherit task reads tree tags with control tags suppressed.
  LoadLevels({""});
  EXPECT_EQ(1, LevelTable[1].count);
  ASSERT_EQ(0, MergeDocument(nullptr, site_.c_str(), "doc.htm", 0));
  SuppressControlTags = 0;
  EXPECT_EQ((Tags{{"author", "y"}}), TagsOnDisk(At("doc.htm")));

  // Migration reads them and links the style sheet; the meta tags stay as they were.
  Put("doc.htm", doc);
  ResetTreeTags();
  LoadLevels({""});
  ASSERT_EQ(0, MergeDocument(nullptr, site_.c_str(), "doc.htm", 2));
  std::string linked = ReadFile(At("doc.htm"));
  EXPECT_NE(std::string::npos,
            linked.find("<link rel=\"STYLESHEET\" type=\"text/css\" href=\"/css/site.css\">\r\n"));
  EXPECT_EQ(std::string::npos, linked.find("$RUZOZAZEZO"));
  EXPECT_EQ((Tags{{"author", "x"}}), TagsOnDisk(At("doc.htm")));

  // Below a directory without one, the root's style sheet still applies; with no style sheet
  // at all the document is not touched.
  LoadLevels({"", "other"});
  ASSERT_EQ(0, MergeDocument(nullptr, At("other").c_str(), "doc.htm", 2));
  EXPECT_NE(std::string::npos, ReadFile(At("other/doc.htm")).find("href=\"/css/site.css\""));
  Put("meta.tag", TreeTags({{"author", "y"}}));
  Put("other/doc.htm", doc);
  ResetTreeTags();
  LoadLevels({"", "other"});
  ASSERT_EQ(0, MergeDocument(nullptr, At("other").c_str(), "doc.htm", 2));
  EXPECT_EQ(doc, ReadFile(At("other/doc.htm")));
  EXPECT_TRUE(BoxLines().empty());
}

// An inherited tag has no kind of its own in a document: it takes the kind of the document's
// tag of its name, or the markup options' (http-equiv for a pragma).
TEST_F(TreeTagsTest, InheritedTagsTakeTheDocumentsKindOrTheMarkupOptions) {
  DecodeDisplayOptions(1 + 6 + 8);  // name="..." content="..."
  const std::string tree =
      "<HEAD>\n<meta http-equiv=\"robots\" content=\"all\">\n<meta name=\"author\" "
      "content=\"y\">\n<meta name=\"refresh\" content=\"5\">\n</HEAD>\n";
  Put("meta.tag", tree);
  Put("doc.htm",
      "<html><head>\n<meta http-equiv=\"author\" content=\"x\">\n<meta http-equiv=\"note\" "
      "content=\"b\">\n</head><body></body></html>");
  LoadLevels({""});
  ASSERT_EQ(0, MergeDocument(nullptr, site_.c_str(), "doc.htm", 0));
  std::string doc = ReadFile(At("doc.htm"));
  for (const char* tag :
       {"<meta http-equiv=\"author\" content=\"y\">", "<meta http-equiv=\"note\" content=\"b\">",
        "<meta http-equiv=\"refresh\" content=\"5\">", "<meta name=\"robots\" content=\"all\">"})
    EXPECT_NE(std::string::npos, doc.find(tag)) << tag << "\n" << doc;

  // The editor's inherit leaves the same kinds in the table.
  SetPage({{"author", "x"}});
  PageTags[0].flags |= TF_KIND_HTTP_EQUIV;
  ASSERT_EQ(0, InheritIntoDocument(nullptr, At("doc.htm").c_str()));
  ASSERT_EQ((Tags{{"author", "y"}, {"refresh", "5"}, {"robots", "all"}}), TableTags());
  EXPECT_EQ(TF_KIND_HTTP_EQUIV, PageTags[0].flags & TF_KIND_MASK);
  EXPECT_EQ(0u, PageTags[1].flags & TF_KIND_MASK);
  EXPECT_EQ(0u, PageTags[2].flags & TF_KIND_MASK);
  EXPECT_TRUE(BoxLines().empty());
}

TEST_F(TreeTagsTest, InheritOutsideTheTreeIsAPathCheckError) {
  Put("meta.tag", TreeTags({{"author", "y"}}));
  Put("../elsewhere/meta.tag", TreeTags({{"author", "z"}}));
  struct Case {
    std::string root;
    std::string doc;
  };
  const Case cases[] = {
      {site_ + "/", home_ / "elsewhere/doc.htm"},
      {site_ + "/", site_ + "/../elsewhere/doc.htm"},
      {site_, site_ + "2/doc.htm"},  // a root without its separator is still a directory
      {"", site_ + "/doc.htm"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.doc);
    ui_.Clear();
    platform::CopyText(RootPath, c.root);
    SetPage({{"author", "x"}});
    showworking = 1;
    EXPECT_EQ(-1, InheritIntoDocument(nullptr, c.doc.c_str()));
    EXPECT_EQ(std::vector<std::string>{"CRITICAL ERROR!|M044:Path Check Error!"}, BoxLines());
    EXPECT_EQ((Tags{{"author", "x"}}), TableTags());
    EXPECT_EQ(1, showworking);
  }
  EXPECT_NE(std::string::npos, ReadFile(AuditFile("Errors/")).find("M044:Path Check Error!"));

  // The same root without its separator, and a document straight in the root, inherit fine.
  platform::CopyText(RootPath, site_);
  SetPage({});
  ASSERT_EQ(0, InheritIntoDocument(nullptr, At("doc.htm").c_str()));
  EXPECT_EQ((Tags{{"author", "y"}}), TableTags());
}

TEST_F(TreeTagsTest, InheritWithoutASaveAreaChangesNothing) {
  SetSaveAreaAllocator([](size_t) -> TagRecord* { return nullptr; });
  Put("meta.tag", TreeTags({{"author", "y"}}));
  SetPage({{"author", "x"}, {"note", "a"}});
  showworking = 1;
  EXPECT_EQ(-1, InheritIntoDocument(nullptr, At("doc.htm").c_str()));
  EXPECT_EQ(std::vector<std::string>{"CRITICAL ERROR!|M043:INSUFFICIENT SYSTEM MEMORY\n"
                                     "Choose a lower value for Schema Space"},
            BoxLines());
  EXPECT_EQ((Tags{{"author", "x"}, {"note", "a"}}), TableTags());
  EXPECT_EQ(1, showworking);
}

TEST_F(TreeTagsTest, FailedInheritLeavesThePageWithItsOwnTags) {
  Put("meta.tag", TreeTags({{"author", "y"}, {"keywords", "k"}}));
  const Tags own = {{"note", "b"}, {"author", "x"}};
  struct Case {
    const char* subTagFile;
    std::vector<std::string> boxes;
  };
  const std::string tagFile = At("sub/meta.tag");
  const Case cases[] = {
      // Both name the file and say what is wrong with it.
      {"",
       {"CRITICAL ERROR reading file|",
        "CRITICAL ERROR!|M201:Serious Error reading meta.tag\n" + tagFile +
            " is empty: a tree-tag file holds at least <HEAD> and </HEAD>"}},
      {"<meta name=\"author\" content=\"z\">\n",
       {"CRITICAL ERROR!|M201:Serious Error reading meta.tag\n" + tagFile + " has no <HEAD>"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.subTagFile);
    ui_.Clear();
    Put("sub/meta.tag", c.subTagFile);
    SetPage(own);
    EXPECT_EQ(-1, InheritIntoDocument(nullptr, At("sub/doc.htm").c_str()));
    EXPECT_EQ(c.boxes, BoxLines());
    EXPECT_EQ(own, TableTags());
  }

  // 2 + 45 + 50 tree tags along the path are more than one document inherits.
  ui_.Clear();
  Tags sub, deeper;
  for (int i = 0; i < 50; ++i) {
    if (i < 45) sub.emplace_back("n" + std::to_string(i), "v");
    deeper.emplace_back("m" + std::to_string(i), "v");
  }
  Put("sub/meta.tag", TreeTags(sub));
  Put("sub/deeper/meta.tag", TreeTags(deeper));
  SetPage(own);
  EXPECT_EQ(-1, InheritIntoDocument(nullptr, At("sub/deeper/doc.htm").c_str()));
  ASSERT_EQ(1u, BoxLines().size());
  EXPECT_EQ(0u, BoxLines()[0].find("CRITICAL ERROR!|M203:Too many tree tags along the path of " +
                                   At("sub/deeper/doc.htm")));
  EXPECT_EQ(own, TableTags());

  // 2 + 45 fit along the path, but not with the page's own tags into a table of 63.
  ui_.Clear();
  SetPage(own);
  for (int i = 0; i < 20; ++i)
    ASSERT_EQ(0, AppendPageTag(("p" + std::to_string(i)).c_str(), "v", 0));
  Tags before = TableTags();
  EXPECT_EQ(-1, InheritIntoDocument(nullptr, At("sub/doc.htm").c_str()));
  EXPECT_EQ(
      std::vector<std::string>{"CRITICAL ERROR!|M053:Please increase \"Maximum number of "
                               "Metatags in eash page\"\nMenu item: Setup->Memory Management"},
      BoxLines());
  EXPECT_EQ(before, TableTags());
}

TEST_F(TreeTagsTest, NinetySixTreeTagsAlongAPathAreInheritedAndLoggedWhenAsked) {
  MaxPageTags = 200;
  ASSERT_EQ(0, ReservePageTags());
  Tags top, below;
  for (int i = 0; i < 48; ++i) {
    top.emplace_back("t" + std::to_string(100 + i), "v");
    below.emplace_back("b" + std::to_string(100 + i), "v");
  }
  Put("meta.tag", TreeTags(top));
  Put("sub/meta.tag", TreeTags(below));
  loglevel = 1;
  SetPage({{"author", "x"}});
  ASSERT_EQ(0, InheritIntoDocument(nullptr, At("sub/doc.htm").c_str()));
  EXPECT_EQ(97, Tagcount);
  EXPECT_EQ(96, LevelTable[1].count);
  Tags all = top;
  all.insert(all.end(), below.begin(), below.end());
  all.emplace_back("author", "x");
  EXPECT_EQ(Sorted(all), TableTags());
  EXPECT_NE(std::string::npos, ReadFile(AuditFile("Audit/")).find(At("sub/doc.htm")));
  EXPECT_NE(std::string::npos, ReadFile(AuditFile("Audit/")).find("Inherited"));
  EXPECT_TRUE(BoxLines().empty());
}

TEST_F(TreeTagsTest, LevelStoreTakesFortyEightTagsAndReportsMore) {
  Tags tags;
  for (int i = 0; i < 49; ++i)
    tags.emplace_back("n" + std::to_string(i), "v");
  Put("full/meta.tag", TreeTags(Tags(tags.begin(), tags.begin() + 48)));
  Put("over/meta.tag", TreeTags(tags));
  Put("bad/meta.tag", "");

  TagRecord store[kLevelStoreTags];
  EXPECT_EQ(0, LoadLevelTags(nullptr, At("full").c_str(), 3, store));
  EXPECT_EQ(store, LevelTable[3].tags);
  EXPECT_EQ(48, LevelTable[3].count);
  EXPECT_STREQ("n47", store[47].name);
  EXPECT_TRUE(BoxLines().empty());

  EXPECT_EQ(-2, LoadLevelTags(nullptr, At("over").c_str(), 3, store));
  EXPECT_EQ(0, LevelTable[3].count);
  ASSERT_EQ(1u, BoxLines().size());
  EXPECT_EQ(
      0u, BoxLines()[0].find("CRITICAL ERROR!|M202:Too many tree tags in " + At("over/meta.tag")));

  ui_.Clear();
  EXPECT_EQ(-1, LoadLevelTags(nullptr, At("bad").c_str(), 3, store));
  EXPECT_EQ(0, LevelTable[3].count);
  EXPECT_EQ((std::vector<std::string>{"CRITICAL ERROR reading file|",
                                      "CRITICAL ERROR!|M201:Serious Error reading meta.tag\n" +
                                          At("bad/meta.tag") +
                                          " is empty: a tree-tag file "
                                          "holds at least <HEAD> and </HEAD>"}),
            BoxLines());
  EXPECT_NE(std::string::npos, ReadFile(AuditFile("Errors/")).find("M201"));
}

TEST_F(TreeTagsTest, MergeIndexHoldsFiveHundredElevenEntriesAndReportsMore) {
  MaxPageTags = 600;
  ASSERT_EQ(0, ReservePageTags());
  auto fillPage = [](int n) {
    ResetPageTags();
    for (int i = 0; i < n; ++i)
      ASSERT_EQ(0, AppendPageTag(("p" + std::to_string(1000 + i)).c_str(), "v", 0));
  };
  fillPage(511);
  EXPECT_EQ(0, MergeDocument(nullptr, site_.c_str(), "doc.htm", 1));
  EXPECT_EQ(511, MergeCount);
  EXPECT_TRUE(BoxLines().empty());

  fillPage(512);
  EXPECT_EQ(-1, MergeDocument(nullptr, site_.c_str(), "doc.htm", 1));
  EXPECT_EQ(0, MergeCount);
  EXPECT_EQ(std::vector<std::string>{"CRITICAL ERROR!|M047:Maximum index size exceeded!"},
            BoxLines());

  // A document is not rewritten when its index overflows: with the tree tags of eleven full
  // levels its one tag makes 529 entries.
  ui_.Clear();
  for (int level = 1; level <= 11; ++level) {
    for (int i = 0; i < kLevelStoreTags; ++i) {
      platform::CopyText(stores_[level][i].name, "t" + std::to_string(level * 100 + i));
      platform::CopyText(stores_[level][i].value, "v");
    }
    LevelTable[level] = LevelEntry{stores_[level], kLevelStoreTags};
  }
  Rlevel = 11;
  const std::string doc = SiteFixture::Doc({{"author", "x"}});
  Put("doc.htm", doc);
  EXPECT_EQ(-1, MergeDocument(nullptr, site_.c_str(), "doc.htm", 0));
  EXPECT_EQ(doc, ReadFile(At("doc.htm")));
  EXPECT_EQ(std::vector<std::string>{"CRITICAL ERROR!|M047:Maximum index size exceeded!"},
            BoxLines());
}

// The merge as first written, comparing names and values with strncmp within their fields.
std::vector<MergeEntry> FieldByFieldMerge() {
  auto names = [](const MergeEntry& a, const MergeEntry& b) {
    return std::strncmp(a.record->name, b.record->name, sizeof a.record->name);
  };
  auto values = [](const MergeEntry& a, const MergeEntry& b) {
    return std::strncmp(a.record->value, b.record->value, sizeof a.record->value);
  };
  auto ruleOf = [](int field) { return field == 0 ? 0 : field == 1 ? 1 : 2; };
  int inherited = ruleOf(strategy & kRulesInheritedMask);
  int page = ruleOf((strategy & kRulesPageMask) >> 2);
  bool root = (strategy & kRulesRootPriority) != 0;
  bool preserve = (strategy & kRulesPreserve) != 0;

  std::vector<MergeEntry> index;
  uint32_t sequence = 0;
  auto addPage = [&] {
    for (int i = 0; i < Tagcount; ++i)
      index.push_back(MergeEntry{&PageTags[i], sequence++, 0});
  };
  auto addTree = [&] {
    for (int level = 1; level <= Rlevel; ++level)
      for (int i = 0; i < LevelTable[level].count; ++i)
        index.push_back(MergeEntry{&LevelTable[level].tags[i], sequence++, kMarkInherited});
  };
  if (root == preserve) {
    addPage();
    addTree();
  } else {
    addTree();
    addPage();
  }
  auto removeExact = [&] {
    for (size_t i = 1; i < index.size();) {
      if (names(index[i - 1], index[i]) == 0 && values(index[i - 1], index[i]) == 0) {
        index.erase(index.begin() + static_cast<long>(i) - 1);
        i = std::max<size_t>(1, i - 1);
      } else {
        ++i;
      }
    }
  };
  std::sort(index.begin(), index.end(), [&](const MergeEntry& a, const MergeEntry& b) {
    int c = names(a, b);
    return c != 0 ? c < 0 : a.sequence < b.sequence;
  });
  removeExact();
  for (MergeEntry& e : index) {
    bool isInherited = (e.marks & kMarkInherited) != 0;
    char name[32];
    platform::CopyText(name, std::string_view(e.record->name, strnlen(e.record->name, 32)));
    int i = FindSchemaTag(name);
    if ((isInherited ? inherited : page) == 1 && i >= 0 &&
        (SchemaIndex[i].flags & SF_DUPLICATES) != 0)
      e.marks |= kMarkDuplicateAllowed;
  }
  for (size_t i = 1; i < index.size();) {
    const MergeEntry& later = index[i];
    if (names(index[i - 1], later) != 0) {
      ++i;
      continue;
    }
    int rule = (later.marks & kMarkInherited) ? inherited : page;
    if (rule == 2 || (rule == 1 && (later.marks & kMarkDuplicateAllowed))) {
      ++i;
      continue;
    }
    index.erase(index.begin() + static_cast<long>(root ? i : i - 1));
    i = std::max<size_t>(1, i - 1);
  }
  std::sort(index.begin(), index.end(), [&](const MergeEntry& a, const MergeEntry& b) {
    int c = names(a, b);
    if (c == 0) c = values(a, b);
    return c != 0 ? c < 0 : a.sequence < b.sequence;
  });
  removeExact();
  return index;
}

// The merge compares names and values through keys worked out once per entry; it must keep
// and order exactly what comparing the fields byte by byte keeps, whatever the bytes.
TEST_F(TreeTagsTest, MergeKeepsWhatComparingTheFieldsKeeps) {
  using namespace std::string_literals;
  const std::vector<std::string> names = {
      "keywords",
      "contact",
      "author",
      "robots",
      "a",
      "ab",
      "a\xff",
      "a\x80"
      "b",
      "\xe9t\xe9",
      "ab\0zz"s,  // bytes after the end of the name do not count
      "\x01",
      "\x01\x01"
      "b",
      "a\x01",
      std::string(7, 'e') + "\x01",
      std::string(8, 'e') + "\x01",
      std::string(15, 'e') + "\x01\0z"s,
      std::string(16, 'e'),
      std::string(8, 'e'),
      std::string(32, 'n'),
      std::string(31, 'n') + "o",
      std::string(31, 'n')};
  const std::vector<std::string> values = {"",
                                           "x",
                                           "xy",
                                           "x\xff",
                                           "y",
                                           "x\0junk"s,
                                           std::string(1024, 'v'),
                                           std::string(1023, 'v') + "w",
                                           std::string(1023, 'v')};
  auto fill = [](TagRecord& r, const std::string& name, const std::string& value) {
    std::memset(&r, 0, sizeof r);
    std::memcpy(r.name, name.data(), std::min(name.size(), sizeof r.name));
    std::memcpy(r.value, value.data(), std::min(value.size(), sizeof r.value));
  };
  std::mt19937 random(7);
  auto pick = [&](const std::vector<std::string>& from) {
    return from[std::uniform_int_distribution<size_t>(0, from.size() - 1)(random)];
  };
  for (int round = 0; round < 300; ++round) {
    strategy = round % 64;
    SCOPED_TRACE("round " + std::to_string(round));
    ResetPageTags();
    int pageCount = std::uniform_int_distribution<int>(0, 20)(random);
    for (int i = 0; i < pageCount; ++i) {
      ASSERT_EQ(0, AppendPageTag("p", "v", 0));
      fill(PageTags[i], pick(names), pick(values));
    }
    ResetTreeTags();
    Rlevel = std::uniform_int_distribution<int>(0, 3)(random);
    for (int level = 1; level <= Rlevel; ++level) {
      int count = std::uniform_int_distribution<int>(0, 8)(random);
      for (int i = 0; i < count; ++i)
        fill(stores_[level][i], pick(names), pick(values));
      LevelTable[level] = LevelEntry{stores_[level], count};
    }
    std::vector<MergeEntry> want = FieldByFieldMerge();
    ASSERT_EQ(0, MergeDocument(nullptr, site_.c_str(), "doc.htm", 1));
    ASSERT_EQ(want.size(), static_cast<size_t>(MergeCount));
    for (int i = 0; i < MergeCount; ++i) {
      EXPECT_EQ(want[i].record, MergeIndex[i].record) << i;
      EXPECT_EQ(want[i].sequence, MergeIndex[i].sequence) << i;
      EXPECT_EQ(want[i].marks & kMarkInherited, MergeIndex[i].marks & kMarkInherited) << i;
    }
  }
  EXPECT_TRUE(BoxLines().empty());
}

TEST_F(TreeTagsTest, TagsThatDoNotFitTheHeadLeaveTheDocumentUnchanged) {
  std::string big(1000, 'w');
  Put("meta.tag", TreeTags({{"a1", big}, {"a2", big}, {"a3", big}}));
  Put("sub/meta.tag", TreeTags({{"b1", big}, {"b2", big}}));
  const std::string doc = SiteFixture::Doc({{"author", "x"}});
  Put("sub/doc.htm", doc);
  LoadLevels({"", "sub"});
  EXPECT_EQ(-1, MergeDocument(nullptr, At("sub").c_str(), "doc.htm", 0));
  EXPECT_EQ(doc, ReadFile(At("sub/doc.htm")));
  ASSERT_EQ(1u, BoxLines().size());
  EXPECT_EQ(0u, BoxLines()[0].find("CRITICAL ERROR!|M042:Tag Buffer is full!"));
}

TEST_F(TreeTagsTest, MalformedTablesDoNotUpsetTheMerge) {
  // Records without terminators, levels out of range and levels without records.
  SetPage({{"author", "x"}});
  std::memset(PageTags[0].name, 'n', sizeof PageTags[0].name);
  std::memset(PageTags[0].value, 'v', sizeof PageTags[0].value);
  std::memset(stores_[1], 'z', sizeof(TagRecord) * 2);
  LevelTable[1] = LevelEntry{stores_[1], 2};
  LevelTable[2] = LevelEntry{nullptr, 30};
  LevelTable[3] = LevelEntry{stores_[3], -4};
  for (int level : {-3, 0, 3, 49, 1000}) {
    SCOPED_TRACE(level);
    Rlevel = level;
    strategy = 63;
    EXPECT_EQ(0, MergeDocument(nullptr, site_.c_str(), "doc.htm", 1));
    EXPECT_EQ(level > 0 ? 2 : 1, MergeCount);  // the two garbage tree tags are equal
  }
  EXPECT_EQ(-1, MergeDocument(nullptr, site_.c_str(), "doc.htm", 7));
  EXPECT_EQ(-1, MergeDocument(nullptr, nullptr, "doc.htm", 1));
  std::string longName(300, 'd');
  EXPECT_EQ(-1, MergeDocument(nullptr, site_.c_str(), longName.c_str(), 0));
  EXPECT_EQ(std::vector<std::string>{longName + "|Path too long - document skipped"}, BoxLines());
}

}  // namespace
