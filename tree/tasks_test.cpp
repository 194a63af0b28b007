#include "tree/tasks.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "config/settings.h"
#include "engine/head_reader.h"
#include "engine/page_tags.h"
#include "platform/text.h"
#include "plugins/context.h"
#include "reports/mail_queue.h"
#include "tests/support/site_fixture.h"
#include "tree/walker.h"

using namespace testing_support;

namespace {

class TasksTest : public SiteFixture {
 protected:
  void SetUp() override {
    SiteFixture::SetUp();
    gPluginContext.confirmation = 0;
    gMailSlot = 0;
    gTask = TaskParameters{};
  }
  // The page's tags as "name=value" after reading it.
  std::vector<std::string> TagsOf(const std::string& relative) {
    EXPECT_EQ(0, ReadPageTags(nullptr, At(relative).c_str()));
    std::vector<std::string> out;
    for (int i = 0; i < Tagcount; ++i)
      out.push_back(std::string(PageTags[i].name) + "=" + PageTags[i].value);
    return out;
  }
  int Run(int taskId, const char* name = "", const char* filter = "", const char* with = "") {
    platform::CopyText(gTask.tagName, name);
    platform::CopyText(gTask.valueFilter, filter);
    platform::CopyText(gTask.replacement, with);
    return DocumentOperation(nullptr, site_.c_str(), "page.htm", taskId);
  }
};

TEST_F(TasksTest, ReplaceDeleteSortAndDeleteAllOnOneDocument) {
  const std::string body = "<p>The body stays byte for byte.</p>\r\n";
  Put("page.htm", Doc({{"keywords", "a"},
                       {"keywords", "ab"},
                       {"DC.Title", "T"},
                       {"AD.Review Date", "19990101"},
                       {"AD.Review Date", "20011999"}},
                      body));
  ASSERT_EQ(0, Run(kTaskReplace, "keywords", "a", "b"));
  EXPECT_EQ((std::vector<std::string>{"keywords=b", "keywords=ab", "DC.Title=T",
                                      "AD.Review Date=19990101", "AD.Review Date=20011999"}),
            TagsOf("page.htm"));
  ASSERT_EQ(0, Run(kTaskDelete, "AD.Review Date", "1999"));
  EXPECT_EQ((std::vector<std::string>{"keywords=b", "keywords=ab", "DC.Title=T"}),
            TagsOf("page.htm"));
  ASSERT_EQ(0, Run(kTaskDelete, "keywords", ""));
  EXPECT_EQ((std::vector<std::string>{"DC.Title=T"}), TagsOf("page.htm"));
  std::string text = ReadFile(At("page.htm"));
  EXPECT_EQ(text.size() - body.size() - 18, text.find(body));  // "</BODY>\r\n</HTML>\r\n" after it

  Put("page.htm", Doc({{"Zed", "1"}, {"Alpha", "2"}, {"Mid", "3"}}));
  ASSERT_EQ(0, Run(kTaskSort));
  EXPECT_EQ((std::vector<std::string>{"Alpha=2", "Mid=3", "Zed=1"}), TagsOf("page.htm"));
  ASSERT_EQ(0, Run(kTaskDeleteAll));
  EXPECT_TRUE(TagsOf("page.htm").empty());
  // Delete all and sort rewrite also a document that has no tags: it gets the stamp.
  EXPECT_NE(std::string::npos, ReadFile(At("page.htm")).find("$RUZOZAZEZO"));
  EXPECT_EQ(-1, DocumentOperation(nullptr, site_.c_str(), "missing.htm", kTaskSort));
}

TEST_F(TasksTest, CaselessSearchShowsUpperCaseAndEmptyFilterListsEveryMatch) {
  Put("a.htm", Doc({{"DC.Title", "Rowing"},
                    {"DC.Identifier", "http://x/a.htm"},
                    {"DC.Creator.Contact", "me"}}));
  Put("b.htm", Doc({{"Keywords", "none"}}));
  static const char* name;
  static int caseSensitive;
  static int opened;
  SetTaskDialog([](platform::WindowHandle, int mode) {
    if (mode != 0 || opened++ > 0) return false;
    platform::CopyText(gTask.tagName, name);
    gTask.caseSensitive = caseSensitive;
    gTask.showResults = 0;
    return true;
  });
  name = "dc.title";
  caseSensitive = 0;
  opened = 0;
  ASSERT_EQ(kTaskCompleted, RunSiteTask(nullptr, kTaskSearch));
  std::string report = ReadFile(home_ / "MetaSearch.htm");
  EXPECT_NE(std::string::npos, report.find("Metatag name searched   : DC.TITLE<BR>\n"));
  EXPECT_NE(std::string::npos, report.find("ROWING<BR><A HREF=HTTP://X/A.HTM>" + At("a.htm") +
                                           "</A><BR><BR>\n    DC.TITLE=ROWING<BR>\n<HR><BR>\n"));
  EXPECT_EQ(std::string::npos, report.find("b.htm"));

  name = "DC";
  caseSensitive = 1;
  opened = 0;
  ASSERT_EQ(kTaskCompleted, RunSiteTask(nullptr, kTaskSearch));
  report = ReadFile(home_ / "MetaSearch.htm");
  for (const char* line : {"    DC.Creator.Contact=me<BR>", "    DC.Identifier=http://x/a.htm<BR>",
                           "    DC.Title=Rowing<BR>"})
    EXPECT_NE(std::string::npos, report.find(line)) << line;
  EXPECT_EQ(std::string::npos, report.find("Keywords"));
  // The documents themselves are never changed by a search.
  EXPECT_EQ(std::string::npos, ReadFile(At("a.htm")).find("$RUZOZAZEZO"));

  // An empty name is refused and the dialog opens again; cancelling it starts nothing.
  name = "";
  opened = 0;
  EXPECT_EQ(kTaskNotStarted, RunSiteTask(nullptr, kTaskSearch));
  EXPECT_EQ("EMPTY FIELD|Please select a metatag name to be searched.", BoxLines().back());
  SetTaskDialog(nullptr);
}

// A name is found anywhere in a tag name, up to its last byte, but never in what an earlier,
// longer name left behind in the same record.
TEST_F(TasksTest, SearchFindsTheNameAnywhereInATagNameButNeverPastItsEnd) {
  Put("a.htm", Doc({{"DC.Title.Alternative", "long"}}));
  Put("b.htm", Doc({{"DC.Ti", "short"}}));
  Put("c.htm", Doc({{"ABCDEFGHIJKLMNOPQRSTUVWXYZ12345", "edge"}, {"DC.Title", "t"}}));
  static const char* name;
  static int opened;
  SetTaskDialog([](platform::WindowHandle, int mode) {
    if (mode != 0 || opened++ > 0) return false;
    platform::CopyText(gTask.tagName, name);
    gTask.caseSensitive = 1;
    gTask.showResults = 0;
    return true;
  });
  struct Case {
    const char* name;
    const char* found;  // the documents listed, in walk order
  } cases[] = {
      {"nat", "a"},
      {"Ti", "abc"},
      {"DC.Title", "ac"},
      {"Alternative", "a"},
      {"12345", "c"},
      {"Z12345", "c"},
      {"A", "ac"},
      {"5", "c"},
      {"e.A", "a"},
      {"DC.Tix", ""},
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZ12345", "c"},
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZ123456", ""},
  };
  for (const Case& c : cases) {
    name = c.name;
    opened = 0;
    ASSERT_EQ(kTaskCompleted, RunSiteTask(nullptr, kTaskSearch)) << c.name;
    std::string report = ReadFile(home_ / "MetaSearch.htm");
    std::string found;
    for (const char* doc : {"a", "b", "c"})
      if (report.find(">" + At(std::string(doc) + ".htm") + "</A>") != std::string::npos)
        found += doc;
    EXPECT_EQ(c.found, found) << c.name;
  }
  SetTaskDialog(nullptr);
}

// A search reads only the tags it can show; reading every tag gives the same report, the same
// messages and the same owner notices, whatever the name, the letter case, the duplicate rule
// and the automatic tags.
TEST_F(TasksTest, SearchReadingOnlyWhatItShowsReportsAsAFullRead) {
  Put("a.htm", Doc({{"Keywords", "k2"},
                    {"DC.Title", "second title"},
                    {"dc.title", "lower"},
                    {"DC.Title", "first title"},
                    {"DC.Identifier", "http://x/a.htm"},
                    {"AD.Touched", "long ago"},
                    {"Keywords", "k1"},
                    {"Keywords", "k1"},
                    {"DC.Title.Alternative", "alt"},
                    {"DC.Creator.Contact", "a@x"},
                    {"AD.Review Date", "19990101"},
                    {"   ", "blank name"},
                    {"Keywords", "k0"}}));
  Put("sub/b.htm", Doc({{"XDC.Identifierx", "inner"}, {"Keywords", "only"}}));
  std::vector<std::pair<std::string, std::string>> many, full;
  for (int i = 0; i < 62; ++i)
    many.push_back({"T" + std::to_string(i), "v"});
  full = many;
  many.push_back({"DC.Title", "in a full table"});
  for (int i = 62; i < 70; ++i)
    full.push_back({"T" + std::to_string(i), "v"});
  Put("c.htm", Doc(many));  // room for one automatic tag only
  Put("d.htm", Doc(full));  // too many tags: the read fails
  Put("e.htm", Doc({{"ABCDEFGHIJKLMNOPQRSTUVWXYZ-DC.Title", "cut"}, {"AD.Review Date", "soon"}}));
  Put("f.htm", "<html><body>no head</body></html>");
  // More names than a search keeps verdicts for, some holding the searched names.
  for (int d = 0; d < 5; ++d) {
    std::vector<std::pair<std::string, std::string>> names;
    for (int i = 0; i < 60; ++i) {
      std::string n = std::to_string(d * 60 + i);
      names.push_back({i % 7 == 0 ? "X" + n + "DC.Title" : i % 5 == 0 ? "t" + n : "Q" + n, n});
    }
    Put("many/m" + std::to_string(d) + ".htm", Doc(names));
  }

  static const char* name;
  static int caseSensitive;
  static int opened;
  SetTaskDialog([](platform::WindowHandle, int mode) {
    if (mode != 0 || opened++ > 0) return false;
    platform::CopyText(gTask.tagName, name);
    gTask.caseSensitive = caseSensitive;
    gTask.showResults = 0;
    return true;
  });
  // The report, the boxes and the queued mail of one run.
  auto run = [&](int taskId, bool everyTag) {
    gSearchReadsEveryTag = everyTag;
    ui_.Clear();
    gMailSlot = 0;
    opened = 0;
    if (taskId == kTaskReview) {
      EXPECT_EQ(0, SetUpDateCheck(kTaskReview));
    }
    EXPECT_EQ(kTaskCompleted, RunSiteTask(nullptr, taskId));
    gSearchReadsEveryTag = false;
    std::string out = ReadFile(home_ / (taskId == kTaskReview ? "Review.htm" : "MetaSearch.htm"));
    for (const std::string& box : BoxLines())
      out += "\nbox: " + box;
    for (int i = 0; Exists(home_ / ("MailQ/" + std::to_string(i) + ".tsm")); ++i) {
      std::string mail = home_ / ("MailQ/" + std::to_string(i) + ".tsm");
      out += "\nmail: " + ReadFile(mail);
      std::remove(mail.c_str());
    }
    return out;
  };
  int searches = 0;
  for (int rules : {0, 4, 8})
    for (int automatic : {0, kAutoTitle | kAutoIdentifier | kAutoTouched, int{kAutoTouched}}) {
      strategy = rules;
      autotags = automatic;
      for (const char* n : {"DC.Title", "Title", "dc", "DC", "Keywords", "T6", "Z-DC", "AD.T"})
        for (int sensitive : {1, 0}) {
          name = n;
          caseSensitive = sensitive;
          std::string label = std::string(n) + " case " + std::to_string(sensitive) + " rules " +
                              std::to_string(rules) + " auto " + std::to_string(automatic);
          std::string every = run(kTaskSearch, true);
          EXPECT_EQ(every, run(kTaskSearch, false)) << label;
          searches += every.find("    ") != std::string::npos;
        }
      ReviewRule.days = 7;
      platform::CopyText(ReviewRule.ownerTag, "Contact");
      std::string every = run(kTaskReview, true);
      EXPECT_NE(std::string::npos, every.find("mail: a@x")) << rules << " " << automatic;
      EXPECT_EQ(every, run(kTaskReview, false)) << rules << " " << automatic;
    }
  EXPECT_GT(searches, 100);  // most searches found something to compare
  autotags = 0;
  SetTaskDialog(nullptr);
}

TEST_F(TasksTest, ReviewDateArithmeticWorksOnNumbersNotDays) {
  // The test clock says 1999-05-25: gCompDate is 19990525, "Review Days" 7.
  ReviewRule.days = 7;
  strategy = 8;  // page duplicates kept: the tidy before the search would drop all but one
  Put("page.htm", Doc({{"AD.Review Date", "19990532"},  // exactly 7 above: reported
                       {"AD.Review Date", "19990533"},  // 8 above: not
                       {"AD.Review Date", "19990601"},  // next month: far above, not
                       {"AD.Review Date", "soon"},      // no digits: 0, always reported
                       {"DC.Creator.Contact", "owner@example.org"}}));
  ASSERT_EQ(0, SetUpDateCheck(kTaskReview));
  EXPECT_EQ(19990525, gCompDate);
  EXPECT_STREQ("AD.Review Date", gTask.tagName);
  ASSERT_EQ(0, RunSiteTask(nullptr, kTaskReview));
  std::string report = ReadFile(home_ / "Review.htm");
  EXPECT_NE(std::string::npos, report.find("    AD.Review Date=19990532<BR>\n"));
  EXPECT_NE(std::string::npos, report.find("    AD.Review Date=soon<BR>\n"));
  EXPECT_EQ(std::string::npos, report.find("19990533"));
  EXPECT_EQ(std::string::npos, report.find("19990601"));
  // One owner notice for each due date tag.
  EXPECT_EQ("owner@example.org\r\r\nDocument Management\r\r\n\r\r\nYour document [" +
                At("page.htm") + "] needs review",
            ReadFile(home_ / "MailQ/0.tsm"));
  EXPECT_TRUE(Exists(home_ / "MailQ/1.tsm"));
  EXPECT_FALSE(Exists(home_ / "MailQ/2.tsm"));
}

TEST_F(TasksTest, DateCheckStopsWhenItsReportCannotBeCreated) {
  Put("page.htm", Doc({{"AD.Expiry Date", "19990101"}, {"DC.Creator.Contact", "o@x"}}));
  platform::CopyText(IniPath, home_ / "no/such/dir");
  EXPECT_EQ(kTaskNotStarted, RunSiteTask(nullptr, kTaskExpiry));
  EXPECT_EQ(
      home_ / "no/such/dir/Expired.htm" + "|ERROR - The expiry results file could not be created.",
      BoxLines().back());
  EXPECT_FALSE(Exists(home_ / "MailQ/0.tsm"));  // nothing queued for a check that never ran
}

TEST_F(TasksTest, DateCheckWithoutADateTagDoesNotRun) {
  Put("page.htm", Doc({{"AD.Expiry Date", "19990101"}, {"DC.Creator.Contact", "o@x"}}));
  ExpiryRule.tag[0] = '\0';
  EXPECT_EQ(kTaskNotStarted, RunSiteTask(nullptr, kTaskExpiry));
  EXPECT_EQ(
      "NOTE|No date tag is set for this check.\nChoose one in Setup > Manage Expired Documents.",
      BoxLines().back());
  EXPECT_FALSE(Exists(home_ / "Expired.htm"));
  EXPECT_FALSE(Exists(home_ / "MailQ/0.tsm"));
}

// In the desktop program the check first shows its rules: Cancel runs nothing, OK runs the
// check with the rule as confirmed and stores it.
TEST_F(TasksTest, DateCheckShowsItsRulesFirstWhenAWindowAsks) {
  Put("page.htm", Doc({{"AD.Expiry Date", "19990101"}, {"DC.Creator.Contact", "o@x"}}));
  static int asked;
  asked = 0;
  SetDateRulesDialog([](platform::WindowHandle, int command) {
    EXPECT_EQ(40037, command);
    return ++asked == 1 ? 2 : 1;
  });
  EXPECT_EQ(kTaskNotStarted, RunSiteTask(nullptr, kTaskExpiry));
  EXPECT_FALSE(Exists(home_ / "Expired.htm"));

  std::remove(IniFilePath().c_str());
  EXPECT_EQ(kTaskCompleted, RunSiteTask(nullptr, kTaskExpiry));
  SetDateRulesDialog(nullptr);
  EXPECT_EQ(2, asked);
  EXPECT_TRUE(Exists(home_ / "Expired.htm"));
  EXPECT_TRUE(Exists(IniFilePath()));  // the confirmed rules were stored
}

}  // namespace
