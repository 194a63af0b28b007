#include "platform/profile.h"

#include <gtest/gtest.h>

#include "tests/support/fault_fs.h"
#include "tests/support/temp_dir.h"

using namespace testing_support;
using platform::ProfileDocument;

namespace {

const char kHandEdited[] =
    "; kept by hand\r\n"
    "[META]\r\n"
    "  web browser = firefox  \r\n"
    "Current Config=Intranet\r\n"
    "\r\n"
    "; a comment between sections\r\n"
    "[Config:Intranet]\r\n"
    "Root Path=/srv/www\r\n"
    "Event1=1,2,3,backup\r\n"
    "Unknown Key = kept\r\n"
    "\r\n"
    "[config:other]\r\n"
    "SiteURL=http://other/";

TEST(ProfileTest, ReadsWithoutRegardToCaseAndTrimsValues) {
  ProfileDocument doc;
  doc.Parse(kHandEdited);
  std::string v;
  ASSERT_TRUE(doc.Get("meta", "Web Browser", &v));
  EXPECT_EQ("firefox", v);
  ASSERT_TRUE(doc.Get("Config:OTHER", "siteurl", &v));
  EXPECT_EQ("http://other/", v);
  EXPECT_FALSE(doc.Get("META", "Editor", &v));
  EXPECT_FALSE(doc.Get("Nope", "Root Path", &v));
  EXPECT_FALSE(doc.Get("META", "; kept by hand", &v));
  EXPECT_EQ((std::vector<std::string>{"META", "Config:Intranet", "config:other"}),
            doc.SectionNames());
}

TEST(ProfileTest, WritesChangeOnlyTheirKeysAndKeepEveryOtherByte) {
  ProfileDocument doc;
  doc.Parse(kHandEdited);
  EXPECT_EQ(kHandEdited, doc.Text());  // parse and print are exact
  doc.Set("meta", "WEB BROWSER", "chromium");
  doc.Set("Config:Intranet", "Strategy", "17");
  doc.Set("config:other", "Log Level", "1");
  doc.Set("MAILER", "SMTP", "mail.example.org");
  EXPECT_EQ(
      "; kept by hand\r\n"
      "[META]\r\n"
      "  web browser =chromium\r\n"
      "Current Config=Intranet\r\n"
      "\r\n"
      "; a comment between sections\r\n"
      "[Config:Intranet]\r\n"
      "Root Path=/srv/www\r\n"
      "Event1=1,2,3,backup\r\n"
      "Unknown Key = kept\r\n"
      "Strategy=17\r\n"
      "\r\n"
      "[config:other]\r\n"
      "SiteURL=http://other/\r\n"
      "Log Level=1\r\n"
      "[MAILER]\r\n"
      "SMTP=mail.example.org\r\n",
      doc.Text());
  EXPECT_TRUE(doc.RemoveSection("CONFIG:INTRANET"));
  EXPECT_EQ(std::string::npos, doc.Text().find("Event1"));
  EXPECT_NE(std::string::npos, doc.Text().find("; a comment between sections"));
}

TEST(ProfileTest, IntegersAsTheProfileFunctionsReadThem) {
  struct Row {
    const char* text;
    int expected;
  } rows[] = {{"42", 42},
              {" 7 ", 7},
              {"-3", -3},
              {"+5", 5},
              {"12abc", 12},
              {"abc", 99},
              {"", 99},
              {"-", 99},
              {"0x10", 0},
              {"99999999999", 2147483647},
              {"-99999999999", -2147483647 - 1}};
  for (const Row& r : rows)
    EXPECT_EQ(r.expected, platform::ParseProfileInt(r.text, 99)) << r.text;
}

TEST(ProfileTest, FreeFunctionsReadDefaultsTruncateAndWriteDecimal) {
  TempDir dir;
  std::string ini = dir / "META.INI";
  char buf[8];
  EXPECT_EQ(3u, platform::ProfileReadString(ini, "META", "Skin", "abc", buf, sizeof buf));
  EXPECT_STREQ("abc", buf);
  ASSERT_EQ(0, platform::ProfileWriteString(ini, "Config:A", "Skin", "MOTTLEDXYZ"));
  ASSERT_EQ(0, platform::ProfileWriteInt(ini, "Config:A", "Strategy", -17));
  EXPECT_EQ(7u, platform::ProfileReadString(ini, "config:a", "skin", "", buf, sizeof buf));
  EXPECT_STREQ("MOTTLED", buf);
  EXPECT_EQ(-17, platform::ProfileReadInt(ini, "Config:A", "Strategy", 1));
  EXPECT_EQ(1, platform::ProfileReadInt(ini, "Config:A", "Missing", 1));
  EXPECT_EQ("[Config:A]\nSkin=MOTTLEDXYZ\nStrategy=-17\n", ReadFile(ini));
}

// A failure at any step of a write leaves the old file byte for byte.
TEST(ProfileTest, FailedWriteLeavesTheOldFileIntact) {
  TempDir dir;
  std::string ini = dir / "META.INI";
  std::vector<FaultPlan> plans;
  for (int n = 1; n <= 2; ++n) {
    FaultPlan p;
    p.failOpenAt = n;
    plans.push_back(p);
  }
  {
    FaultPlan p;
    p.failWriteAt = 1;
    plans.push_back(p);
    p = {};
    p.failSyncAt = 1;
    plans.push_back(p);
    p = {};
    p.failCloseAt = 2;  // the first close is the read's
    plans.push_back(p);
    p = {};
    p.failRenameAt = 1;
    plans.push_back(p);
    p = {};
    p.failReadAt = 1;
    plans.push_back(p);
    p = {};
    p.unreadable.insert(ini);
    plans.push_back(p);
  }
  for (long long full = 0; full < static_cast<long long>(sizeof kHandEdited); full += 37) {
    FaultPlan p;
    p.diskFullAfter = full;
    plans.push_back(p);
  }
  for (size_t i = 0; i < plans.size(); ++i) {
    WriteFile(ini, kHandEdited);
    FaultyFileSystem faulty(plans[i]);
    platform::ScopedFileSystem scoped(&faulty);
    EXPECT_EQ(-1, platform::ProfileWriteString(ini, "META", "Skin", "PLAIN")) << "plan " << i;
    EXPECT_EQ(kHandEdited, ReadFile(ini)) << "plan " << i;
    EXPECT_EQ(std::vector<std::string>{}, WorkFilesBelow(dir.path())) << "plan " << i;
  }
}

}  // namespace
