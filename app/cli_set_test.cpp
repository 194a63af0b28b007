#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/cli_test_run.h"
#include "platform/profile.h"
#include "tests/support/program_fixture.h"

using namespace testing_support;

namespace {

class CliSetTest : public ProgramFixture {};

TEST_F(CliSetTest, SetStoresOnlyWhatTheDialogsAccept) {
  const std::string site = home_ / "site";
  std::filesystem::create_directory(site);
  const std::string ini = "[META]\nCurrent Config=Shop\n[Config:Shop]\nRoot Path=" + site +
                          "/\nStrategy=1\n[Config:Other]\nStrategy=2\n";
  struct Row {
    std::vector<std::string> args;
    int status;
    const char* section;  // where the value lands; nullptr: the file is unchanged
    const char* key;
    std::string stored;  // or, for a refusal, a part of the message
  };
  const Row rows[] = {
      {{"Strategy", "53"}, 0, "Config:Shop", "Strategy", "53"},
      {{"strategy", "3"}, 1, nullptr, nullptr, "must be 0-2 (inherited duplicates)"},
      {{"DisplayOptions", "190"}, 0, "Config:Shop", "DisplayOptions", "190"},
      {{"DisplayOptions", "427"}, 1, nullptr, nullptr, "must be 1 (quotes)"},
      {{"SitemapOptions", "42"}, 0, "Config:Shop", "SitemapOptions", "42"},
      {{"SitemapOptions", "3"}, 1, nullptr, nullptr, "must be 0-2 (spacing)"},
      {{"Show Toolbar", "9"}, 0, "META", "Show Toolbar", "9"},
      {{"Show Toolbar", "2"}, 1, nullptr, nullptr, "must be 0 (off)"},
      {{"Confirmation", "12"}, 1, nullptr, nullptr, "must be the sum of 1"},
      {{"Expiry Days", "12 days"}, 1, nullptr, nullptr, "must be a number of days"},
      {{"Max Page Tags", "1"}, 1, nullptr, nullptr, "at least 2"},
      {{"Expiry Metatag", std::string(31, 'e')},
       0,
       "Config:Shop",
       "Expiry Metatag",
       std::string(31, 'e')},
      {{"Expiry Metatag", std::string(32, 'e')}, 1, nullptr, nullptr, "at most 31 fit"},
      {{"Log Path", "/var/log/ts"}, 0, "Config:Shop", "Log Path", "/var/log/ts/"},
      {{"Sitemapfile", "site/map.htm"}, 1, nullptr, nullptr, "must be an absolute path"},
      {{"Root Path", "/"}, 1, nullptr, nullptr, "\"Root Path\" was not changed"},
      {{"Root Path", site + "/gone"}, 1, nullptr, nullptr, "does not exist"},
      {{"Stratgy", "1"}, 2, nullptr, nullptr, "the nearest is \"Strategy\""},
      {{"Current Config", "Other"}, 2, nullptr, nullptr, "site use NAME"},
      {{"Strategy"}, 2, nullptr, nullptr, "needs a KEY and a VALUE"},
  };
  for (const Row& r : rows) {
    WriteFile(home_ / "META.INI", ini);
    std::vector<std::string> args = {"--config", home_.path(), "set"};
    args.insert(args.end(), r.args.begin(), r.args.end());
    const CliRunResult result = RunCliCaptured(args);
    SCOPED_TRACE(r.args[0] + (r.args.size() > 1 ? " " + r.args[1] : ""));
    EXPECT_EQ(r.status, result.status) << result.err;
    if (!r.section) {
      EXPECT_EQ(ini, ReadFile(home_ / "META.INI"));
      EXPECT_NE(std::string::npos, result.err.find(r.stored)) << result.err;
      continue;
    }
    platform::ProfileDocument doc;
    std::string value;
    ASSERT_EQ(0, doc.Load(home_ / "META.INI"));
    EXPECT_TRUE(doc.Get(r.section, r.key, &value));
    EXPECT_EQ(r.stored, value);
    EXPECT_TRUE(doc.Get("Config:Other", "Strategy", &value) && value == "2");  // other site kept
  }
}

}  // namespace
