#include "reports/mail_queue.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "config/settings.h"
#include "engine/page_tags.h"
#include "platform/text.h"
#include "tests/support/fault_fs.h"
#include "tests/support/program_fixture.h"

using namespace testing_support;

namespace {

class MailQueueTest : public ProgramFixture {
 protected:
  void SetUp() override {
    ProgramFixture::SetUp();
    queue_ = home_ / "MailQ/";
    WriteFile(queue_ + ".keep", "");
    platform::CopyText(MailQueue, queue_);
    gMailSlot = 0;
    MaxPageTags = 64;
    ASSERT_EQ(0, ReservePageTags());
    ResetPageTags();
  }
  void Take(int from, int to) {
    for (int n = from; n <= to; ++n)
      WriteFile(queue_ + std::to_string(n) + ".tsm", "taken");
  }
  std::string queue_;
};

TEST_F(MailQueueTest, SlotSearchFromTheCounterWithWrapAround) {
  Take(0, 4);
  ASSERT_EQ(0, QueueMail("a@example.org", "Subject", "", "Body"));
  EXPECT_EQ("a@example.org\r\r\nSubject\r\r\n\r\r\nBody", ReadFile(queue_ + "5.tsm"));
  EXPECT_EQ(1, gMailSlot);
  EXPECT_FALSE(Exists(queue_ + "5.tmp"));

  Take(990, 999);
  gMailSlot = 990;
  ASSERT_EQ(0, QueueMail("b@example.org", "S", "/tmp/report.htm", ""));
  EXPECT_EQ("b@example.org\r\r\nS\r\r\n/tmp/report.htm\r\r\n", ReadFile(queue_ + "6.tsm"));
  EXPECT_EQ(991, gMailSlot);

  gMailSlot = -5;  // out of range: starts again at 0
  ASSERT_EQ(0, QueueMail("c", "s", "", ""));
  EXPECT_EQ("taken", ReadFile(queue_ + "0.tsm"));  // never overwritten
  EXPECT_TRUE(Exists(queue_ + "7.tsm"));
  EXPECT_EQ(1, gMailSlot);
  EXPECT_TRUE(ui_.boxes().empty());
}

TEST_F(MailQueueTest, AQueueWithoutItsFinalSlashIsStillTheDirectory) {
  platform::CopyText(MailQueue, home_ / "MailQ");
  Take(0, 0);
  ASSERT_EQ(0, QueueMail("a@example.org", "S", "", "B"));
  EXPECT_EQ("a@example.org\r\r\nS\r\r\n\r\r\nB", ReadFile(queue_ + "1.tsm"));
  EXPECT_FALSE(Exists(home_ / "MailQ1.tsm"));
  EXPECT_FALSE(Exists(home_ / "MailQ0.tsm"));
}

TEST_F(MailQueueTest, UnreadableMessageIsNeverOverwrittenAndAFullQueueIsReported) {
  Take(0, 0);
  ASSERT_EQ(0, ::chmod((queue_ + "0.tsm").c_str(), 0));
  ASSERT_EQ(0, QueueMail("x", "y", "", "z"));
  EXPECT_TRUE(Exists(queue_ + "1.tsm"));
  ::chmod((queue_ + "0.tsm").c_str(), 0644);
  EXPECT_EQ("taken", ReadFile(queue_ + "0.tsm"));

  Take(0, 999);
  EXPECT_EQ(-1, QueueMail("x", "y", "", "z"));
  EXPECT_EQ("CRITICAL ERROR!|M057:The mail queue is full!", BoxLines().back());
  EXPECT_EQ("99,09:05:07,M057:The mail queue is full!,,\n", ReadFile(AuditFile("Errors/")));
}

TEST_F(MailQueueTest, FailedWriteLosesTheMessageLeavesNoWorkFileAndSaysSo) {
  for (int fault = 0; fault < 3; ++fault) {
    FaultPlan plan;
    if (fault == 0) plan.failOpenAt = 1;
    if (fault == 1) plan.diskFullAfter = 3;
    if (fault == 2) plan.failRenameAt = 1;
    FaultyFileSystem faulty(plan);
    platform::ScopedFileSystem scoped(&faulty);
    EXPECT_EQ(0, QueueMail("x", "y", "", "a body"));
  }
  EXPECT_FALSE(Exists(queue_ + "0.tmp"));
  EXPECT_FALSE(Exists(queue_ + "0.tsm"));
  // A full disk also stops the audit entry, which is reported too.
  int m058 = 0;
  for (const std::string& line : BoxLines())
    m058 += line == "CRITICAL ERROR!|M058:Error opening mail file";
  EXPECT_EQ(3, m058);
}

TEST_F(MailQueueTest, OwnerNoticesAdminMailAndVerbose) {
  AppendPageTag("DC.Title", "Winter training", 0);
  AppendPageTag("DC.Creator.Contact", "coach@example.org", 0);
  AppendPageTag("DC.Creator.Contact", "second@example.org", 0);
  QueueOwnerNotice(nullptr, "/srv/www/news/winter.htm", Tagcount, DateCheck::Expiry);
  QueueOwnerNotice(nullptr, "/srv/www/news/winter.htm", Tagcount, DateCheck::Review);
  EXPECT_EQ(
      "coach@example.org\r\r\nDocument Management\r\r\n\r\r\n"
      "Your document [/srv/www/news/winter.htm] has expired",
      ReadFile(queue_ + "0.tsm"));
  EXPECT_EQ(
      "coach@example.org\r\r\nDocument Management\r\r\n\r\r\n"
      "Your document [/srv/www/news/winter.htm] needs review",
      ReadFile(queue_ + "1.tsm"));
  // Only the tags counted are looked at; an empty owner tag queues nothing.
  QueueOwnerNotice(nullptr, "/a.htm", 1, DateCheck::Review);
  ReviewRule.ownerTag[0] = '\0';
  QueueOwnerNotice(nullptr, "/a.htm", Tagcount, DateCheck::Review);
  EXPECT_FALSE(Exists(queue_ + "2.tsm"));

  QueueAdminMail(DateCheck::Review, "/home/u/Review.htm");  // no address: nothing
  EXPECT_FALSE(Exists(queue_ + "2.tsm"));
  platform::CopyText(CurrentConfig, "Harbourside");
  platform::CopyText(ExpiryRule.adminEmail, "webmaster@example.org");
  AppOptions = kOptVerbose;
  QueueAdminMail(DateCheck::Expiry, "/home/u/Expired.htm");
  EXPECT_EQ(
      "webmaster@example.org\r\r\nExpired Documents - Harbourside\r\r\n/home/u/Expired.htm\r\r\n",
      ReadFile(queue_ + "2.tsm"));
  EXPECT_EQ((std::vector<std::string>{"VERBOSE|webmaster@example.org\nExpired Documents - "
                                      "Harbourside\n/home/u/Expired.htm\n"}),
            BoxLines());
}

}  // namespace
