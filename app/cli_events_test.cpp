#include <gtest/gtest.h>

#include <sstream>

#include "app/cli_test_run.h"
#include "tests/support/temp_dir.h"
#include "timers/events.h"

using namespace testing_support;

namespace {

TEST(CliEventsTest, EventsAreCheckedSavedListedAndRemoved) {
  TempDir dir, user;
  ScopedHome home(user.path());
  const std::string ini = "[META]\nCurrent Config=Shop\n[Config:Shop]\nLog Path=" + dir.path() +
                          "/\n[Config:Blog]\nEvent4=BBA\n";
  WriteFile(dir / "META.INI", ini);
  struct Case {
    const char* args;
    int status;
    const char* said;   // part of what it prints
    const char* added;  // the line the file gains, or "" for an unchanged file
  } cases[] = {
      {"add --daily 08:15 --backup /bk", 2, "on the hour or half hour", ""},
      {"add --hourly 7 --batch /x.sh", 2, "multiple of 5", ""},
      {"add --weekly Funday --batch /x.sh", 2, "day name", ""},
      {"add --monthly 32 --batch /x.sh", 2, "from 1 to 31", ""},
      {"add --daily 08:30", 2, "one of --backup, --batch, --task", ""},
      {"add --daily 08:30 --hourly 5 --task x", 2, "exactly one of --monthly", ""},
      {"add --daily 08:30 --task Sitemap", 2, "Update the sitemap", ""},
      {"add --site Nope --daily 08:30 --backup /bk", 2, "one of: Shop, Blog", ""},
      {"remove 3", 2, "one of the 1 events", ""},
      {"add --daily 08:30 --backup /bk", 0, "1\tShop\tCRC/bk\tEach day at 08:30",
       "Event1=CRC/bk\n"},
      {"add --site Blog --weekly fri --task INHERIT_metatags_into_all_docs", 0,
       "3\tBlog\tBFDINHERIT metatags into all docs", "Event3=BFDINHERIT metatags into all docs\n"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args{"--config", dir.path(), "events"};
    std::istringstream words(c.args);
    for (std::string w; words >> w;) {
      for (char& ch : w)
        if (ch == '_') ch = ' ';
      args.push_back(w);
    }
    std::string before = ReadFile(dir / "META.INI");
    CliRunResult r = RunCliCaptured(args);
    EXPECT_EQ(c.status, r.status) << c.args << "\n" << r.err;
    EXPECT_NE(std::string::npos, (r.out + r.err).find(c.said)) << c.args << "\n" << r.err;
    std::string after = ReadFile(dir / "META.INI");
    if (*c.added)
      EXPECT_NE(std::string::npos, after.find(c.added)) << after;
    else
      EXPECT_EQ(before, after) << c.args;
  }
  CliRunResult list = RunCliCaptured({"--config", dir.path(), "events"});
  EXPECT_EQ(
      "1\tShop\tCRC/bk\tEach day at 08:30 - Complete site backup  /bk\n"
      "2\tBlog\tBBA\tEach Monday - Expired Document Mailout  \n"
      "3\tBlog\tBFDINHERIT metatags into all docs\tEach Friday -   INHERIT metatags into all "
      "docs\n",
      list.out);
  EXPECT_EQ(0, RunCliCaptured({"--config", dir.path(), "events", "remove", "2"}).status);
  EXPECT_EQ("[META]\nCurrent Config=Shop\n\n[Config:Shop]\nLog Path=" + dir.path() +
                "/\nEvent1=CRC/bk\n\n[Config:Blog]\nEvent2=BFDINHERIT metatags into all docs\n",
            ReadFile(dir / "META.INI"));
}

}  // namespace
