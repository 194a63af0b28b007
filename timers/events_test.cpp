#include "timers/events.h"

#include <gtest/gtest.h>

#include "tests/support/fault_fs.h"
#include "tests/support/program_fixture.h"
#include "tests/support/temp_dir.h"

using namespace testing_support;

namespace {

class EventsTest : public ProgramFixture {
 protected:
  void SetUp() override {
    ProgramFixture::SetUp();
    ResetEvents();
  }
  std::string ini_ = home_ / "META.INI";
};

TEST(EventLabels, SlotLabelsSuffixesAndDescriptions) {
  struct Case {
    const char* record;
    const char* description;
  } cases[] = {
      {"AKC/bk", "11th of each month - Complete site backup  /bk"},
      {"AUF/x.sh", "21st of each month - Run Batch File  /x.sh"},
      {"AVD", "22nd of each month -   "},
      {"ABA", "2nd of each month - Expired Document Mailout  "},
      {"ACB", "3rd of each month - Document Review Mailout  "},
      {"BAE", "Each Sunday -   "},
      {"BGD", "Each Saturday -   "},
      {"CAC/b", "Each day at 00:00 - Complete site backup  /b"},
      {"CpC/b", "Each day at 23:30 - Complete site backup  /b"},
      {"DLD", "Each hour at HH:55 -   "},
      {"ZAZ", "  "},
  };
  for (const Case& c : cases)
    EXPECT_EQ(c.description, DescribeEvent(c.record)) << c.record;
}

TEST_F(EventsTest, LoadAndSaveKeepEveryOtherLineAndRenumberTheEvents) {
  const std::string longLine = "Note=" + std::string(700, 'x');
  const std::string old =
      "EventStray=CAC/before\n"  // before any site: no site's event, kept
      "[META]\nEventLog=kept\n"
      "[Config:Shop]\nRoot Path=/srv/shop\nEvent4=CRC/bk\n" +
      longLine +
      "\nEventually = DAD Update the sitemap \nEvent9\nEvent8=\n"
      "[Config:Blog]\nEvent1=AAF/run.sh\n";
  WriteFile(ini_, old);
  ASSERT_EQ(0, LoadEvents(ini_));
  ASSERT_EQ(3, EventCount);
  EXPECT_STREQ("CRC/bk", EventTable[0].record);
  EXPECT_STREQ("DAD Update the sitemap", EventTable[1].record);
  EXPECT_EQ((std::vector<int>{0, 0, 1}),
            (std::vector<int>{EventSite[0], EventSite[1], EventSite[2]}));
  EXPECT_STREQ("Blog", EventSiteName(1));

  ASSERT_EQ(0, SaveEvents(ini_));
  EXPECT_EQ("EventStray=CAC/before\n[META]\nEventLog=kept\n\n[Config:Shop]\nRoot Path=/srv/shop\n" +
                longLine +
                "\nEvent1=CRC/bk\nEvent2=DAD Update the sitemap\n\n[Config:Blog]\n"
                "Event3=AAF/run.sh\n",
            ReadFile(ini_));
  EXPECT_EQ(old, ReadFile(home_ / "META.BAK"));
  // A second save changes nothing.
  ASSERT_EQ(0, LoadEvents(ini_));
  std::string once = ReadFile(ini_);
  ASSERT_EQ(0, SaveEvents(ini_));
  EXPECT_EQ(once, ReadFile(ini_));
}

TEST_F(EventsTest, TheLastListedSiteAndLaterSectionsKeepTheirUnreadEvents) {
  std::string text;
  for (int i = 1; i <= 30; ++i)
    text += "[Config:S" + std::to_string(i) + "]\nEvent1=DAD task" + std::to_string(i) + "\n";
  WriteFile(ini_, text);
  LoadEvents(ini_);
  EXPECT_EQ(29, EventSiteCount);
  EXPECT_EQ(28, EventCount);
  EXPECT_STREQ("DAD task28", EventTable[27].record);
  ASSERT_EQ(0, SaveEvents(ini_));
  std::string saved = ReadFile(ini_);
  EXPECT_NE(std::string::npos, saved.find("[Config:S29]\nEvent1=DAD task29\n"));
  EXPECT_NE(std::string::npos, saved.find("[Config:S30]\nEvent1=DAD task30\n"));
  EXPECT_NE(std::string::npos, saved.find("[Config:S28]\nEvent28=DAD task28\n"));
}

TEST_F(EventsTest, EverySaveFaultLeavesTheOldFileOrTheWholeNewOne) {
  const std::string old = "[META]\nCurrent Config=Shop\n[Config:Shop]\nEvent1=CAC/old\n";
  for (int kind = 0; kind < 3; ++kind) {
    for (int n = 1;; ++n) {
      WriteFile(ini_, old);
      LoadEvents(ini_);
      AddEvent("DAF/new.sh", 0);
      FaultPlan plan;
      (kind == 0 ? plan.failWriteAt : kind == 1 ? plan.failSyncAt : plan.failRenameAt) = n;
      FaultyFileSystem faulty(plan);
      int rc;
      {
        platform::ScopedFileSystem scoped(&faulty);
        rc = SaveEvents(ini_);
      }
      std::string now = ReadFile(ini_);
      if (rc == 0) {
        EXPECT_EQ(
            "[META]\nCurrent Config=Shop\n\n[Config:Shop]\nEvent1=CAC/old\nEvent2=DAF/new.sh\n",
            now);
      } else {
        EXPECT_EQ(old, now) << "fault " << kind << " at " << n;
      }
      EXPECT_TRUE(WorkFilesBelow(home_.path()).empty());
      const FaultCounts& c = faulty.counts();
      if (n > (kind == 0 ? c.writes : kind == 1 ? c.syncs : c.renames)) break;
    }
  }
}

}  // namespace
