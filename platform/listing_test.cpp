#include "platform/listing.h"

#include <gtest/gtest.h>
#include <unistd.h>

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
  EXPECT_EQ("/a", platform::DirectoryPart("/a/b.htm"));
  std::string home = platform::HomeDirectory();
  EXPECT_EQ('/', home.back());
}

}  // namespace
