#include "tree/listing.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>

#include "platform/fs.h"
#include "platform/text.h"
#include "tests/support/temp_dir.h"

using namespace testing_support;

namespace {

TEST(WalkListingTest, DottedAndLinkedDirectoriesAreSkippedMasksAsWritten) {
  TempDir dir;
  for (const char* f : {"b.htm", "a.HTML", "c.txt", "d.htm.bak", "old.site/x.htm", ".git/y.htm",
                        "Sub/z.htm", "alpha/w.htm"})
    WriteFile(dir / f, "x");
  ASSERT_EQ(0, ::symlink(dir.path().c_str(), (dir / "up").c_str()));
  std::vector<std::string> names;
  ASSERT_EQ(0, ListWalkSubdirectories(dir.path(), &names));
  EXPECT_EQ((std::vector<std::string>{"alpha", "Sub"}), names);
  ASSERT_EQ(0, ListWalkDocuments(dir.path(), "*.htm*", &names));
  EXPECT_EQ((std::vector<std::string>{"a.HTML", "b.htm", "d.htm.bak"}), names);
  ASSERT_EQ(0, ListWalkDocuments(dir.path(), "*.htm;*.htm", &names));
  EXPECT_EQ((std::vector<std::string>{"b.htm", "b.htm"}), names);
  // " *.txt" is a pattern with a leading blank: it matches nothing here.
  ASSERT_EQ(0, ListWalkDocuments(dir.path(), "*.html; *.txt", &names));
  EXPECT_EQ((std::vector<std::string>{"a.HTML"}), names);
  EXPECT_EQ(-1, ListWalkDocuments(dir / "missing", "*", &names));

  // The count for the progress of a walk lists the same subdirectories and counts what the
  // walk would list, a file matching two patterns twice.
  int count = -1;
  for (const char* mask : {"*.htm*", "*.htm;*.htm", "*.html; *.txt", "*.txt;*.htm*;"}) {
    std::vector<std::string> subdirs, docs;
    ASSERT_EQ(0, ListWalkDirectory(dir.path(), mask, &subdirs, &docs));
    ASSERT_EQ(0, CountWalkDirectory(dir.path(), mask, &names, &count));
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
      return platform::CompareNoCase(a, b) < 0;
    });  // in no particular order
    EXPECT_EQ(subdirs, names) << mask;
    EXPECT_EQ(static_cast<int>(docs.size()), count) << mask;
  }
  EXPECT_EQ(4, count);
  EXPECT_EQ(-1, CountWalkDirectory(dir / "missing", "*", &names, &count));
}

// The listing through an open directory, which keeps only the names the walk uses, gives what
// the full sorted listing gives.
TEST(WalkListingTest, ListingAnOpenDirectoryAgreesWithTheFullListing) {
  TempDir dir;
  for (const char* f :
       {"b.htm",           "B.htm",       "a.HTML",       "A.html",         "c.txt",
        "d.htm.bak",       "page10.htm",  "page9.htm",    "Page9.htm",      "PAGE10.HTM",
        "_x.htm",          "~y.htm",      "\xc3\xa9.htm", "old.site/x.htm", ".git/y.htm",
        "Sub/z.htm",       "alpha/w.htm", "Beta/v.htm",   "beta/u.htm",     "noext",
        "q.htm/inside.htm"})
    WriteFile(dir / f, "x");
  ASSERT_EQ(0, ::symlink(dir.path().c_str(), (dir / "up").c_str()));
  ASSERT_EQ(0, ::symlink((dir / "b.htm").c_str(), (dir / "link.htm").c_str()));
  ASSERT_EQ(0, ::symlink((dir / "gone.htm").c_str(), (dir / "dangling.htm").c_str()));
  for (const char* mask :
       {"*.htm*", "*.htm;*.htm", "*.html; *.txt", "*.txt;*.htm*;", "*", "*.", "page?.htm;*.HTML",
        "", ";", "*.a;*.b;*.c;*.d;*.e;*.f;*.g;*.h;*.htm;*.txt"}) {
    std::vector<std::string> subdirs, docs, atSubdirs = {"stale"}, atDocs = {"stale"};
    ASSERT_EQ(0, ListWalkDirectory(dir.path(), mask, &subdirs, &docs));
    int fd = platform::Fs().OpenDir(dir.path());
    ASSERT_GE(fd, 0);
    ASSERT_EQ(0, ListWalkDirectoryAt(fd, dir.path(), mask, &atSubdirs, &atDocs));
    platform::Fs().Close(fd);
    EXPECT_EQ(subdirs, atSubdirs) << mask;
    EXPECT_EQ(docs, atDocs) << mask;
  }
}

}  // namespace
