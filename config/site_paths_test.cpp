#include "config/site_paths.h"

#include <gtest/gtest.h>

#include <memory>

#include "config/settings.h"
#include "tests/support/fault_fs.h"
#include "tests/support/site_fixture.h"
#include "tree/tasks.h"
#include "tree/walker.h"

using namespace testing_support;

namespace {

constexpr char kDoc[] =
    "<HTML>\r\n<HEAD>\r\n<meta HTTP-EQUIV=\"DC.Title\" CONTENT=\"Mine\">\r\n</HEAD>\r\n</HTML>\r\n";

// HOME is a directory of the test, so that a check that lets a task through walks only it.
class SitePathsTest : public SiteFixture {
 protected:
  void SetUp() override {
    SiteFixture::SetUp();
    userHome_ = home_ / "user";
    scopedHome_ = std::make_unique<ScopedHome>(userHome_);
    WriteFile(userHome_ + "/mine.htm", kDoc);
    Put("page.htm", kDoc);
    WriteFile(home_ / "other/theirs.htm", kDoc);
    ui_.SetAnswerYes(true);
  }
  void TearDown() override {
    scopedHome_.reset();
    SiteFixture::TearDown();
  }
  // Reads META.INI with this site section as the program does.
  void ReadSite(const std::string& section) {
    WriteFile(home_ / "META.INI", "[META]\nCurrent Config=S\n[Config:S]\n" + section);
    ResetSettings();
    ReadEarlySettings();
    ASSERT_EQ(0, ReadSettings(nullptr));
  }
  // Every document of the test, whole.
  std::string Documents() const {
    return ReadFile(userHome_ + "/mine.htm") + ReadFile(At("page.htm")) +
           ReadFile(home_ / "other/theirs.htm") + ReadFile(cut_ + "/cut.htm");
  }

  std::string userHome_, cut_;
  std::unique_ptr<ScopedHome> scopedHome_;
};

TEST_F(SitePathsTest, BadRootsAndBranchesAreRefusedBeforeAnythingIsTouched) {
  // Should a check ever let the file system's root through, its walk lists nothing.
  FaultPlan plan;
  plan.unlistable = {"/"};
  FaultyFileSystem guard(plan);
  platform::ScopedFileSystem scoped(&guard);
  // A directory whose path is exactly what a longer "Root Path" would be cut to.
  cut_ = home_ / std::string(255 - (home_ / "").size(), 'c');
  ASSERT_EQ(255u, cut_.size());
  WriteFile(cut_ + "/cut.htm", kDoc);

  struct Row {
    std::string section;  // of META.INI
    std::string branch;   // empty: a site task
    std::string says;
  } rows[] = {
      {"", "", "The site's \"Root Path\" is not set.\nSet the directory"},
      {"Root Path=\n", "", "The site's \"Root Path\" is not set."},
      {"Root Path=" + home_ / "gone/", "", "gone/ does not exist."},
      {"Root Path=" + At("page.htm"), "", "page.htm is not a directory."},
      {"Root Path=site/", "", "site/ is not an absolute path."},
      {"Root Path=/", "", "/ is the root of the file system"},
      {"Root Path=" + userHome_ + "/", "", "is your home directory"},
      {"Root Path=" + userHome_ + "/../user/.", "", "is your home directory"},
      {"Root Path=" + cut_ + "/more", "", "\"Root Path\" of section [Config:S] in META.INI is 260"},
      {"Root Path=" + site_ + "/", home_ / "other", "other is outside the site's root"},
      {"Root Path=" + site_ + "/", site_ + "/../other", "is outside the site's root"},
      {"Root Path=" + site_ + "/", site_ + "/nope", "nope does not exist."},
      {"Root Path=" + site_ + "/", At("page.htm"), "page.htm is not a directory."},
      {"Root Path=/", site_, "/ is the root of the file system"},
  };
  const std::string before = Documents();
  for (const Row& row : rows) {
    SCOPED_TRACE(row.section + " " + row.branch);
    ui_.Clear();
    ReadSite(row.section);
    std::string root = RootPath;
    TaskOutcome outcome = row.branch.empty()
                              ? RunSiteTask(nullptr, kTaskDeleteAll)
                              : RunBranchTask(nullptr, kTaskDeleteAll, row.branch, -1);
    EXPECT_EQ(kTaskNotStarted, outcome);
    ASSERT_EQ(1u, BoxLines().size());
    EXPECT_NE(std::string::npos, BoxLines()[0].find(row.says)) << BoxLines()[0];
    EXPECT_EQ(0u, BoxLines()[0].find("NOTE|"));
    EXPECT_EQ(before, Documents());
    EXPECT_EQ(root, RootPath);
  }

  // The same site and branch, set right, are walked.
  ui_.Clear();
  ReadSite("Root Path=" + site_ + "/\n");
  WriteFile(At("sub/page.htm"), kDoc);
  EXPECT_EQ(kTaskCompleted, RunBranchTask(nullptr, kTaskDeleteAll, site_ + "/sub/", -1));
  EXPECT_EQ(std::string::npos, ReadFile(At("sub/page.htm")).find("Mine"));
  EXPECT_EQ(before, Documents());
}

}  // namespace
