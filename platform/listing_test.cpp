#include "platform/listing.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "platform/fs.h"
#include "platform/paths.h"
#include "tests/support/temp_dir.h"

using namespace testing_support;
using platform::WildcardMatch;

namespace {

TEST(WildcardTest, WindowsMeaningWithoutRegardToCase) {
  struct Row {
    const char* pattern;
    const char* name;
    bool match;
  } rows[] = {
      {"*.htm*", "index.htm", true},   {"*.htm*", "INDEX.HTML", true},
      {"*.htm*", "page.shtml", false}, {"*.htm*", "htm", false},
      {"*.", "README", true},          {"*.", "read.me", false},
      {"*", "anything.x", true},       {"*.*", "noext", true},
      {"?.htm", "a.htm", true},        {"?.htm", "ab.htm", false},
      {"*.TSP", "timers.tsp", true},   {"*.LS*", "colours.ls1", true},
      {"a*b*c", "axxbyyc", true},      {"a*b*c", "axxbyy", false},
      {"META.TAG", "meta.tag", true},  {"*.htm", "x.htm.bak", false},
  };
  for (const Row& r : rows)
    EXPECT_EQ(r.match, WildcardMatch(r.pattern, r.name)) << r.pattern << " vs " << r.name;
  EXPECT_TRUE(platform::MatchesAnyPattern("*.txt; *.htm*", "a.HTML"));
  EXPECT_EQ((std::vector<std::string>{"*.htm", "*.txt"}),
            platform::SplitPatterns(" *.htm;;*.txt "));
}

// Masks of the common shapes ("*.htm*", "*.php") are answered without the general walk: they
// agree with it ("*X**" and "**X" take the general walk and mean the same).
TEST(WildcardTest, CommonMaskShapesAgreeWithTheGeneralMatch) {
  const char* literals[] = {".htm", ".PHP", "x", "ab", ".htm.", "a.b.c"};
  const char* names[] = {"index.htm", "INDEX.HTML", "a.php",        "x",     "",       "ab",
                         "aab",       "abab",       "page.htm.bak", "a.b.c", "A.B.Cd", ".htm",
                         "htm",       "xx.ph",      "a.htm."};
  for (const char* literal : literals) {
    std::string l = literal;
    for (const char* name : names) {
      EXPECT_EQ(WildcardMatch("**" + l, name), WildcardMatch("*" + l, name)) << l << " " << name;
      EXPECT_EQ(WildcardMatch("*" + l + "**", name), WildcardMatch("*" + l + "*", name))
          << l << " " << name;
    }
  }
  EXPECT_TRUE(WildcardMatch("*.PHP", "index.php"));
  EXPECT_FALSE(WildcardMatch("*.php", "index.php3"));
  EXPECT_TRUE(WildcardMatch("*.htm*", "A.HTM"));
  EXPECT_FALSE(WildcardMatch("*.htm*", "a.ht"));
  EXPECT_FALSE(WildcardMatch("*.htm*", ""));
}

TEST(ListingTest, SortedWithoutCaseSubdirsApartPatternsInOrder) {
  TempDir dir;
  WriteFile(dir / "b.htm", "");
  WriteFile(dir / "A.htm", "");
  WriteFile(dir / "c.HTML", "");
  WriteFile(dir / "notes.txt", "");
  WriteFile(dir / "Zeta/x.htm", "");
  WriteFile(dir / "alpha/y.htm", "");
  ASSERT_EQ(0, ::symlink((dir / "alpha").c_str(), (dir / "loop").c_str()));
  std::vector<platform::DirEntry> subdirs;
  std::vector<std::string> files;
  ASSERT_EQ(0, platform::ListDirectory(dir.path(), "*.htm*;*.txt;*.htm", &subdirs, &files));
  ASSERT_EQ(3u, subdirs.size());
  EXPECT_EQ("alpha", subdirs[0].name);
  EXPECT_FALSE(subdirs[0].isLink);
  EXPECT_EQ("loop", subdirs[1].name);
  EXPECT_TRUE(subdirs[1].isLink);
  EXPECT_EQ("Zeta", subdirs[2].name);
  EXPECT_EQ((std::vector<std::string>{"A.htm", "b.htm", "c.HTML", "notes.txt", "A.htm", "b.htm"}),
            files);
  EXPECT_EQ(-1, platform::ListDirectory(dir / "missing", "*", nullptr, &files));

  // The same listing through an open directory.
  int fd = platform::Fs().OpenDir(dir.path());
  ASSERT_GE(fd, 0);
  std::vector<platform::DirEntry> atSubdirs;
  std::vector<std::string> atFiles;
  ASSERT_EQ(0,
            platform::ListDirectoryAt(fd, dir.path(), "*.htm*;*.txt;*.htm", &atSubdirs, &atFiles));
  EXPECT_EQ((std::vector<std::string>{"A.htm", "b.htm", "c.HTML", "notes.txt", "A.htm", "b.htm"}),
            atFiles);
  ASSERT_EQ(3u, atSubdirs.size());
  EXPECT_EQ("loop", atSubdirs[1].name);
  EXPECT_TRUE(atSubdirs[1].isLink);
  platform::Fs().Close(fd);
  EXPECT_EQ(-1, platform::ListDirectoryAt(fd, dir.path(), "*", nullptr, &atFiles));
}

// Names alike in their first eight bytes, or alike but for case, still sort without case and
// then by bytes.
TEST(ListingTest, LongNamesAndCaseTiesSortLikeCompareNoCase) {
  TempDir dir;
  for (const char* name : {"chapter-2.HTM", "Chapter-10.htm", "chapter-1.htm", "chap.htm",
                           "chapter-10.htm", "CHAPTER-1.htm", "Chapter-2.htmlx"})
    WriteFile(dir / name, "");
  std::vector<std::string> files;
  ASSERT_EQ(0, platform::ListDirectory(dir.path(), "*", nullptr, &files));
  EXPECT_EQ(
      (std::vector<std::string>{"chap.htm", "CHAPTER-1.htm", "chapter-1.htm", "Chapter-10.htm",
                                "chapter-10.htm", "chapter-2.HTM", "Chapter-2.htmlx"}),
      files);
}

TEST(PathsTest, FixedNamesFoundWhateverTheirCase) {
  TempDir dir;
  WriteFile(dir / "meta.ini", "x");
  EXPECT_EQ(dir / "meta.ini", platform::ResolveFixedName(dir.path(), "META.INI"));
  EXPECT_EQ(dir / "META.IDX", platform::ResolveFixedName(dir.path(), "META.IDX"));
  EXPECT_EQ("/a/b", platform::JoinPath("/a/", "b"));
  EXPECT_EQ("/a/b", platform::JoinPath("/a", "b"));
  std::string reused = "/a/much/longer/path/than/the/next/one.htm";
  for (std::string_view dir : {"/x/", "/x", ""}) {
    platform::JoinPathInto(&reused, dir, "y.htm");
    EXPECT_EQ(platform::JoinPath(dir, "y.htm"), reused);
  }
  EXPECT_EQ("/a", platform::DirectoryPart("/a/b.htm"));
  std::string home = platform::HomeDirectory();
  EXPECT_EQ('/', home.back());
}

}  // namespace
