#include <gtest/gtest.h>
#include <unistd.h>

#include <sstream>

#include "app/cli_test_run.h"
#include "config/settings.h"
#include "platform/profile.h"
#include "tests/support/temp_dir.h"

using namespace testing_support;

namespace {

TEST(CliSitesTest, SiteCommandsChangeTheSiteListOrNothing) {
  TempDir dir, user;
  ScopedHome home(user.path());
  auto root = [&](const std::string& site) { return dir / ("root" + site); };
  std::string ini = "[META]\nCurrent Config=A\n";
  for (const char* site : {"A", "B"}) {
    WriteFile(root(site) + "/Sitemap.htm", "old map");
    ini += std::string("[Config:") + site + "]\nRoot Path=" + root(site) +
           "/\nSitemapfile=" + root(site) + "/Sitemap.htm\nLog Path=" + dir.path() +
           "/\nError Log=" + dir.path() + "/\n";
  }
  WriteFile(dir / "META.INI", ini);
  // Arguments split at blanks: {A} and {B} are the sites' roots, {home} the user's home, '' an
  // empty argument. Sections "": META.INI is unchanged; complete: a section with every key.
  struct Case {
    const char* args;
    int status;
    const char* said;  // part of standard error or output
    const char* current;
    const char* sections;
    const char* complete;
  } cases[] = {
      {"site use Nope", 1, "there is no site \"Nope\"; the sites are: A, B", "A", "", ""},
      {"site add '' --root {A} --url c.example", 1, "M029:A SITE NAME must be entered", "A", "",
       ""},
      {"site add b --root {A} --url c.example", 1, "There is already a site \"B\"", "A", "", ""},
      {"site add C --root {A}/gone --url c.example", 1, "gone/ does not exist", "A", "", ""},
      {"site add C --root / --url c.example", 1, "is the root of the file system", "A", "", ""},
      {"site add C --root {home} --url c.example", 1, "is your home directory", "A", "", ""},
      {"site add C --url c.example", 2, "--root and --url are required", "A", "", ""},
      {"site remove B", 1, "Confirm: DELETE the site \"B\" ?", "A", "", ""},
      {"site set", 2, "site set needs at least one setting", "A", "", ""},
      {"site set --name B", 1, "There is already a site \"B\"", "A", "", ""},
      {"site add C --root {A} --url c.example", 0, "added site C", "A",
       "META Config:A Config:B Config:C", "Config:C"},
      {"site use b", 0, "current site: B", "B", "META Config:A Config:B Config:C", ""},
      {"--yes site set --name Bee --sitemap {B}/new.htm", 0, "site Bee saved", "Bee",
       "META Config:A Config:C Config:Bee", "Config:Bee"},
      {"--yes site remove Bee", 0, "the current site is A", "A", "META Config:A Config:C", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args);
    std::vector<std::string> args{"--config", dir.path()};
    std::istringstream words(c.args);
    for (std::string w; words >> w;) {
      for (const char* site : {"A", "B"})
        if (w.rfind(std::string("{") + site + "}", 0) == 0) w = root(site) + w.substr(3);
      args.push_back(w == "{home}" ? user.path() : w == "''" ? "" : w);
    }
    std::string before = ReadFile(dir / "META.INI");
    ASSERT_EQ(0, ::chdir("/"));
    CliRunResult r = RunCliCaptured(args);
    EXPECT_EQ(c.status, r.status) << r.err;
    EXPECT_NE(std::string::npos, (r.err + r.out).find(c.said)) << r.err << r.out;
    platform::ProfileDocument doc;
    doc.Load(dir / "META.INI");
    std::string value, sections;
    doc.Get("META", "Current Config", &value);
    EXPECT_EQ(c.current, value);
    for (const std::string& s : doc.SectionNames())
      sections += (sections.empty() ? "" : " ") + s;
    EXPECT_EQ(*c.sections ? c.sections : before,
              *c.sections ? sections : ReadFile(dir / "META.INI"));
    for (const SettingKey& key : SettingKeys()) {
      if (*c.complete && key.section == KeySection::Site) {
        EXPECT_TRUE(doc.Get(c.complete, key.name, &value)) << key.name;
      }
    }
  }
  // "--yes" moved the old sitemap of the renamed site to its new place.
  EXPECT_EQ("old map", ReadFile(root("B") + "/new.htm"));
  EXPECT_FALSE(Exists(root("B") + "/Sitemap.htm"));
}

}  // namespace
