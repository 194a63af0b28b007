#include "engine/page_tags.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "config/settings.h"
#include "platform/text.h"
#include "tests/support/program_fixture.h"

using namespace testing_support;

namespace {

class PageTagsTest : public ProgramFixture {
 protected:
  void SetUp() override {
    ProgramFixture::SetUp();
    ASSERT_EQ(0, ReservePageTags());
  }
  void TearDown() override {
    ReleasePageTags();
    ProgramFixture::TearDown();
  }
  void Fill(int n) {
    for (int i = 0; i < n; ++i)
      ASSERT_EQ(0, AppendPageTag(("T" + std::to_string(i)).c_str(), "v", 0)) << i;
  }
};

const char kM053[] =
    "M053:Please increase \"Maximum number of Metatags in eash page\"\n"
    "Menu item: Setup->Memory Management";

TEST_F(PageTagsTest, HoldsOneTagLessThanReservedAndTruncatesAtCapacity) {
  EXPECT_EQ(63, PageTagCapacity());
  Fill(63);
  EXPECT_EQ(-1, AppendPageTag("one.too.many", "x", 0));
  EXPECT_EQ(63, Tagcount);
  EXPECT_STREQ("T62", PageTags[62].name);

  ResetPageTags();
  std::string longName(40, 'n'), longValue(2000, 'v');
  ASSERT_EQ(0, AppendPageTag(longName.c_str(), longValue.c_str(), 5));
  EXPECT_EQ(std::string(31, 'n'), PageTags[0].name);
  EXPECT_EQ(std::string(1023, 'v'), PageTags[0].value);
  EXPECT_EQ(5u, PageTags[0].flags);

  // Lowering the setting does not shrink the table in use; raising it does not grow it.
  MaxPageTags = 1000;
  EXPECT_EQ(63, PageTagCapacity());
  MaxPageTags = 2;
  ASSERT_EQ(0, ReservePageTags());
  EXPECT_EQ(0, AppendPageTag("a", "b", 0));
  EXPECT_EQ(-1, AppendPageTag("c", "d", 0));
  EXPECT_EQ(1, Tagcount);
  MaxPageTags = 0;
  EXPECT_EQ(-1, ReservePageTags());
  EXPECT_EQ(nullptr, StagingSlot());
  EXPECT_EQ(-1, AppendPageTag("a", "b", 0));
}

TEST_F(PageTagsTest, SetAutoTagReplacesFirstOfThatExactNameOrAppends) {
  ASSERT_EQ(0, AppendPageTag("keywords", "lower", 8));
  ASSERT_EQ(0, AppendPageTag("DC.Title", "first", 1));
  ASSERT_EQ(0, AppendPageTag("DC.Title", "second", 1));

  SetAutoTag("DC.Title", "new");
  EXPECT_EQ(3, Tagcount);
  EXPECT_STREQ("new", PageTags[1].value);
  EXPECT_EQ(1u, PageTags[1].flags);
  EXPECT_STREQ("second", PageTags[2].value);

  SetAutoTag("Keywords", "capital");  // another name than "keywords"
  ASSERT_EQ(4, Tagcount);
  EXPECT_STREQ("lower", PageTags[0].value);
  EXPECT_STREQ("Keywords", PageTags[3].name);
  EXPECT_EQ(0u, PageTags[3].flags);

  // A name longer than a record holds finds the record it was cut into.
  std::string longName = std::string(31, 'L') + "tail";
  SetAutoTag(longName.c_str(), "one");
  SetAutoTag(longName.c_str(), "two");
  ASSERT_EQ(5, Tagcount);
  EXPECT_STREQ("two", PageTags[4].value);
  EXPECT_TRUE(BoxLines().empty());
}

TEST_F(PageTagsTest, SetAutoTagOnFullTableReportsAndKeepsTheOtherTags) {
  Fill(63);
  SetAutoTag("T5", "replaced");  // an existing name still works on a full table
  EXPECT_STREQ("replaced", PageTags[5].value);
  EXPECT_TRUE(BoxLines().empty());

  SetAutoTag("AD.Touched", "now");
  EXPECT_EQ(63, Tagcount);
  EXPECT_EQ(-1, FindPageTag("AD.Touched"));
  EXPECT_STREQ("T62", PageTags[62].name);
  ASSERT_EQ(1u, ui_.boxes().size());
  EXPECT_EQ(std::string("CRITICAL ERROR!|") + kM053, BoxLines()[0]);
  EXPECT_EQ(nullptr, ui_.boxes()[0].owner);
  EXPECT_NE(std::string::npos,
            ReadFile(AuditFile("Errors/")).find(std::string("99,09:05:07,") + kM053));
}

TEST_F(PageTagsTest, StampRecordIsSetAtReservation) {
  platform::CopyText(StampTag.name, "scribbled");
  StampTag.flags = 9;
  ASSERT_EQ(0, ReservePageTags());
  EXPECT_STREQ("$RUZOZAZEZO", StampTag.name);
  EXPECT_EQ(0u, StampTag.flags);
}

}  // namespace
