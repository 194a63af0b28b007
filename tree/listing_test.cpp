#include "tree/listing.h"

#include <gtest/gtest.h>
#include <unistd.h>

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
}

}  // namespace
