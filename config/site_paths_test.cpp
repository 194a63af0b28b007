#include "config/site_paths.h"

#include <gtest/gtest.h>

#include "config/settings.h"
#include "platform/text.h"
#include "tests/support/fault_fs.h"
#include "tests/support/site_fixture.h"
#include "tree/tasks.h"
#include "tree/walker.h"

using namespace testing_support;

namespace {

// HOME is a directory of the test, and "/" cannot be listed: a check that let a task through
// would change only the test's documents.
class SitePathsTest : public SiteFixture {
 protected:
  std::string user_ = home_ / "user";
  ScopedHome scopedHome_{user_};
  FaultyFileSystem guard_{UnlistableRoot()};
  platform::ScopedFileSystem scopedFs_{&guard_};

  static FaultPlan UnlistableRoot() {
    FaultPlan plan;
    plan.unlistable = {"/"};
    return plan;
  }
};

TEST_F(SitePathsTest, BadRootsAndBranchesAreRefusedBeforeAnythingIsTouched) {
  // A directory whose path is exactly what a longer "Root Path" would be cut to.
  const std::string cut = home_ / std::string(255 - (home_ / "").size(), 'c');
  const std::string doc = Doc({{"DC.Title", "Mine"}});
  for (const std::string& path : {user_ + "/mine.htm", At("page.htm"), home_ / "other/o.htm",
                                  cut + "/cut.htm", At("sub/page.htm")})
    WriteFile(path, doc);
  ui_.SetAnswerYes(true);
  struct Row {
    std::string root, branch, says;  // no branch: a site task
  } rows[] = {
      {"", "", "The site's \"Root Path\" is not set.\nSet the directory"},
      {"Root Path=\n", "", "The site's \"Root Path\" is not set."},
      {"Root Path=" + home_ / "gone/", "", "gone/ does not exist."},
      {"Root Path=" + At("page.htm"), "", "page.htm is not a directory."},
      {"Root Path=site/", "", "site/ is not an absolute path."},
      {"Root Path=/", "", "/ is the root of the file system"},
      {"Root Path=" + user_ + "/", "", "is your home directory"},
      {"Root Path=" + user_ + "/../user/.", "", "is your home directory"},
      {"Root Path=" + cut + "/more", "", "\"Root Path\" of section [Config:S] in META.INI is 260"},
      {"Root Path=" + site_, home_ / "other", "other is outside the site's root"},
      {"Root Path=" + site_, site_ + "/../other", "is outside the site's root"},
      {"Root Path=" + site_, site_ + "/nope", "nope does not exist."},
      {"Root Path=" + site_, At("page.htm"), "page.htm is not a directory."},
      {"Root Path=/", site_, "/ is the root of the file system"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.root + " " + row.branch);
    ui_.Clear();
    WriteFile(home_ / "META.INI", "[META]\nCurrent Config=S\n[Config:S]\n" + row.root);
    ReadEarlySettings();
    ASSERT_EQ(0, ReadSettings(nullptr));
    TaskOutcome outcome = row.branch.empty()
                              ? RunSiteTask(nullptr, kTaskDeleteAll)
                              : RunBranchTask(nullptr, kTaskDeleteAll, row.branch, -1);
    EXPECT_EQ(kTaskNotStarted, outcome);
    ASSERT_EQ(1u, BoxLines().size());
    EXPECT_EQ(0u, BoxLines()[0].find("NOTE|"));
    EXPECT_NE(std::string::npos, BoxLines()[0].find(row.says)) << BoxLines()[0];
  }
  for (const std::string& path :
       {user_ + "/mine.htm", At("page.htm"), home_ / "other/o.htm", cut + "/cut.htm"})
    EXPECT_EQ(doc, ReadFile(path)) << path;

  // A branch inside the root is walked, and only it.
  platform::CopyText(RootPath, site_ + "/");
  EXPECT_EQ(kTaskCompleted, RunBranchTask(nullptr, kTaskDeleteAll, site_ + "/sub/", -1));
  EXPECT_EQ(std::string::npos, ReadFile(At("sub/page.htm")).find("Mine"));
  EXPECT_EQ(doc, ReadFile(At("page.htm")));
}

}  // namespace
