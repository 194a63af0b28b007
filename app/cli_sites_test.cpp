#include <gtest/gtest.h>
#include <unistd.h>

#include "app/cli_test_run.h"
#include "platform/profile.h"
#include "tests/support/temp_dir.h"

using namespace testing_support;

namespace {

TEST(CliSitesTest, SiteCommandsChangeTheSiteListOrNothing) {
  TempDir dir;
  auto root = [&](const std::string& site) { return dir / ("root" + site); };
  std::string ini = "[META]\nCurrent Config=A\n";
  for (const char* site : {"A", "B"}) {
    WriteFile(root(site) + "/Sitemap.htm", "old map");
    ini += std::string("[Config:") + site + "]\nRoot Path=" + root(site) +
           "/\nSitemapfile=" + root(site) + "/Sitemap.htm\nLog Path=" + dir.path() +
           "/\nError Log=" + dir.path() + "/\n";
  }
  WriteFile(dir / "META.INI", ini);
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string said;  // part of what is printed on standard error, or of the output
    std::string current;
    std::vector<std::string> sections;
  } cases[] = {
      {{"site", "use", "Nope"}, 1, "there is no site \"Nope\"; the sites are: A, B", "A", {}},
      {{"site", "add", "", "--root", root("A"), "--url", "http://c.example"},
       1,
       "M029:A SITE NAME must be entered",
       "A",
       {}},
      {{"site", "add", "b", "--root", root("A"), "--url", "http://c.example"},
       1,
       "There is already a site \"B\"",
       "A",
       {}},
      {{"site", "add", "C", "--root", dir / "gone", "--url", "http://c.example"},
       1,
       "does not exist",
       "A",
       {}},
      {{"site", "add", "C", "--url", "http://c.example"},
       2,
       "--root and --url are required",
       "A",
       {}},
      {{"site", "remove", "B"}, 1, "Confirm: DELETE the site \"B\" ?", "A", {}},
      {{"site", "set"}, 2, "site set needs at least one setting", "A", {}},
      {{"site", "add", "C", "--root", root("A"), "--url", "http://c.example"},
       0,
       "added site C",
       "A",
       {"META", "Config:A", "Config:B", "Config:C"}},
      {{"site", "use", "b"}, 0, "current site: B", "B", {}},
      {{"--yes", "site", "set", "--name", "Bee", "--sitemap", root("B") + "/new.htm"},
       0,
       "site Bee saved",
       "Bee",
       {"META", "Config:A", "Config:C", "Config:Bee"}},
      {{"--yes", "site", "remove", "Bee"},
       0,
       "the current site is A",
       "A",
       {"META", "Config:A", "Config:C"}},
  };
  std::string before;
  for (const Case& c : cases) {
    std::vector<std::string> args{"--config", dir.path()};
    args.insert(args.end(), c.args.begin(), c.args.end());
    before = ReadFile(dir / "META.INI");
    ASSERT_EQ(0, ::chdir("/"));
    CliRunResult r = RunCliCaptured(args);
    SCOPED_TRACE(c.said);
    EXPECT_EQ(c.status, r.status) << r.err;
    EXPECT_NE(std::string::npos, (r.err + r.out).find(c.said)) << r.err << r.out;
    platform::ProfileDocument doc;
    doc.Load(dir / "META.INI");
    std::string current;
    doc.Get("META", "Current Config", &current);
    EXPECT_EQ(c.current, current);
    if (c.sections.empty() && c.status != 0) {
      EXPECT_EQ(before, ReadFile(dir / "META.INI"));
    }
    if (!c.sections.empty()) {
      EXPECT_EQ(c.sections, doc.SectionNames());
    }
  }
  // "--yes" moved the old sitemap of the renamed site to its new place.
  EXPECT_EQ("old map", ReadFile(root("B") + "/new.htm"));
  EXPECT_FALSE(Exists(root("B") + "/Sitemap.htm"));
}

}  // namespace
