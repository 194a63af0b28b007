#include "engine/page_ops.h"

#include <gtest/gtest.h>

#include <cstring>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "config/settings.h"
#include "engine/head_writer.h"
#include "platform/text.h"
#include "schema/schema.h"
#include "tests/support/program_fixture.h"

using namespace testing_support;

namespace {

struct Tag {
  std::string name, value;
  uint32_t flags = 0;
  bool operator==(const Tag&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Tag& t) {
  return os << "(" << t.name << "," << t.value << "," << t.flags << ")";
}

std::vector<int> gCommands;
void RecordCommand(int command) {
  gCommands.push_back(command);
}

struct ChooserCall {
  platform::WindowHandle window;
  int x, y;
  std::string options, start;
};
std::vector<ChooserCall> gChooserCalls;
const char* gChoice = nullptr;  // nullptr: the chooser is closed without a choice
bool RecordingChooser(platform::WindowHandle window, int x, int y, const char* options, char* value,
                      size_t cap) {
  gChooserCalls.push_back({window, x, y, options, value});
  if (!gChoice) return false;
  platform::CopyText(value, cap, gChoice);
  return true;
}

class PageOpsTest : public ProgramFixture {
 protected:
  void SetUp() override {
    ProgramFixture::SetUp();
    ASSERT_EQ(0, ReservePageTags());
    gCommands.clear();
    gChooserCalls.clear();
    SetMainWindowCommand(RecordCommand);
  }
  void TearDown() override {
    SetMainWindowCommand(nullptr);
    SetAddTagChooser(nullptr);
    ReleasePageTags();
    ReleaseSchemaTables();
    ProgramFixture::TearDown();
  }
  void LoadTestSchema(const std::string& text) {
    WriteFile(home_ / "META.IDX", text);
    ASSERT_EQ(0, ReserveSchemaTables());
    ASSERT_EQ(0, LoadSchema());
  }
  void SetTable(const std::vector<Tag>& tags) {
    ResetPageTags();
    for (const Tag& t : tags)
      ASSERT_EQ(0, AppendPageTag(t.name.c_str(), t.value.c_str(), t.flags));
  }
  std::vector<Tag> Table() const {
    std::vector<Tag> tags;
    for (int i = 0; i < Tagcount; ++i)
      tags.push_back({PageTags[i].name, PageTags[i].value, PageTags[i].flags});
    return tags;
  }
};

TEST_F(PageOpsTest, TidyRemovesBlanksAndDuplicatesUnderTheRules) {
  LoadTestSchema("DC.Creator.Email,A\nDC.Title,M\n");
  struct Case {
    const char* what;
    int mode;
    int strategy;
    std::vector<Tag> in, out;
  } cases[] = {
      {"adjacent exact duplicate: the later stays",
       0,
       1,
       {{"a", "1", 0}, {"a", "1", 2}},
       {{"a", "1", 2}}},
      {"a run of three",
       0,
       1,
       {{"a", "1"}, {"a", "1"}, {"a", "1"}, {"b", "1"}},
       {{"a", "1"}, {"b", "1"}}},
      {"duplicates apart survive without sorting",
       0,
       1,
       {{"a", "1"}, {"b", "2"}, {"a", "1"}},
       {{"a", "1"}, {"b", "2"}, {"a", "1"}}},
      {"same name, other value: no sort, no rule",
       0,
       0,
       {{"a", "1"}, {"a", "2"}},
       {{"a", "1"}, {"a", "2"}}},
      {"blank and empty names go in either mode",
       0,
       1,
       {{"   ", "x"}, {"a", "1"}, {"", "y"}},
       {{"a", "1"}}},
      {"blank name, sorting", 1, 8, {{"b", "1"}, {"   ", "x"}}, {{"b", "1"}}},
      {"rule 0: only the last of a name",
       1,
       1,
       {{"b", "1"}, {"a", "2"}, {"a", "3"}},
       {{"a", "3"}, {"b", "1"}}},
      {"rule 1: schema decides",
       1,
       4 | 1,
       {{"DC.Title", "1"},
        {"DC.Creator.Email", "x"},
        {"Other", "1"},
        {"DC.Title", "2"},
        {"DC.Creator.Email", "y"},
        {"Other", "2"},
        {"Other", "2"}},
       {{"DC.Creator.Email", "x"},
        {"DC.Creator.Email", "y"},
        {"DC.Title", "2"},
        {"Other", "1"},
        {"Other", "2"}}},
      {"rule 2: all stay, sort is stable",
       1,
       8,
       {{"b", "1"}, {"a", "x"}, {"b", "2"}, {"a", "y"}, {"a", "x"}},
       {{"a", "x"}, {"a", "y"}, {"a", "x"}, {"b", "1"}, {"b", "2"}}},
      {"byte order, case-sensitive",
       1,
       12,
       {{"a", "1"}, {"\xe9", "2"}, {"B", "3"}, {"A", "4"}},
       {{"A", "4"}, {"B", "3"}, {"a", "1"}, {"\xe9", "2"}}},
  };
  for (const Case& c : cases) {
    strategy = c.strategy;
    SetTable(c.in);
    Tagcount = TidyTags(PageTags, c.mode);
    EXPECT_EQ(c.out, Table()) << c.what;
  }
}

// A full table sorts like a stable sort of its names, whatever the order it came in, and every
// record arrives whole; a sorted table is left as it is.
TEST_F(PageOpsTest, SortOfAFullTableIsStableAndKeepsRecordsWhole) {
  strategy = 8;  // every duplicate stays, so the order of equal names shows
  const int n = PageTagCapacity();
  ASSERT_GT(n, 40);
  std::mt19937 random(7);
  for (int round = 0; round < 20; ++round) {
    std::vector<Tag> in;
    for (int i = 0; i < n; ++i) {
      // Names that differ only after their first eight bytes among them.
      static const char* const kNames[] = {"DC.A",          "DC.Creator.B", "DC.Creator.A",
                                           "DC.Creat",      "DC.Creator",   "AD.Z",
                                           "DC.Creator.A.x"};
      std::string name = kNames[random() % 7];
      in.push_back(
          {name, std::to_string(i) + std::string(random() % 900, 'v'), static_cast<uint32_t>(i)});
    }
    if (round == 0)  // already in order
      std::stable_sort(in.begin(), in.end(),
                       [](const Tag& a, const Tag& b) { return a.name < b.name; });
    std::vector<Tag> want = in;
    std::stable_sort(want.begin(), want.end(),
                     [](const Tag& a, const Tag& b) { return a.name < b.name; });
    SetTable(in);
    Tagcount = TidyTags(PageTags, 1);
    ASSERT_EQ(want, Table()) << "round " << round;
  }
}

// Names and values are only what stands before their terminator: what an earlier, longer text
// left behind in a record neither makes two names differ nor travels with a record.
TEST_F(PageOpsTest, TidyLooksOnlyUpToEachTerminator) {
  strategy = 0;  // a repeated name keeps only its last tag
  const std::string longName(31, 'N');
  const std::string longValue(1023, 'w');
  SetTable({{"Key.With.A.Long.Name", "x", 0},
            {"Other", "first " + std::string(600, 'a'), 1},
            {longName, "y", 2},
            {"Key", longValue, 3}});
  // Shorter texts over the longer ones: the old bytes stay behind the terminators.
  std::memcpy(PageTags[0].name, "Key", 4);
  std::memcpy(PageTags[1].value, "short", 6);
  std::string nearly = longName;
  nearly.back() = 'M';
  std::memcpy(PageTags[2].name, nearly.c_str(), nearly.size() + 1);
  Tagcount = TidyTags(PageTags, 1);
  EXPECT_EQ((std::vector<Tag>{{"Key", longValue, 3}, {nearly, "y", 2}, {"Other", "short", 1}}),
            Table());
  // A value that fills its record moves whole.
  SetTable({{"B", longValue, 0}, {"A", "a", 1}});
  Tagcount = TidyTags(PageTags, 1);
  EXPECT_EQ((std::vector<Tag>{{"A", "a", 1}, {"B", longValue, 0}}), Table());
  EXPECT_EQ('\0', PageTags[1].value[1023]);
}

TEST_F(PageOpsTest, AddedTagsStartWithASensibleValue) {
  LoadTestSchema(
      "DC.Date.Created,MD\nDC.Title,M\nDC.Type, {red,blue,green}\n"
      "DC.Subject, {[Industry.ST,BEP]}\nDC.Identifier,M {[,URI]}\n");
  WriteFile(home_ / "industry.st", "\r\nMining,Mining industry\r\nFarming\r\n");
  struct Case {
    const char* name;
    Tag added;
  } cases[] = {
      {"My.Tag", {"My.Tag", "NAME ME - userdefined tag", 0}},
      {"DC.Title", {"DC.Title", "NAME ME - schema tag", SF_MANDATORY}},
      {"DC.Date.Created", {"DC.Date.Created", "19990525", SF_MANDATORY | SF_DATE}},
      // Without a window the first option is taken.
      {"DC.Type", {"DC.Type", "red", SF_OPTIONS}},
      {"DC.Subject", {"DC.Subject", "Mining", SF_OPTIONS}},
      {"DC.Identifier", {"DC.Identifier", "DC.Identifier", SF_MANDATORY | SF_OPTIONS}},
  };
  for (const Case& c : cases) {
    SetTable({{"zz", "1"}});
    EXPECT_EQ(0, AddPageTag(nullptr, c.name)) << c.name;
    EXPECT_EQ((std::vector<Tag>{{"zz", "1"}, c.added}), Table()) << c.name;
  }

  // The chooser gets the options at its place and starts from the tag name.
  SetAddTagChooser(RecordingChooser);
  int window = 0;
  gChoice = "blue";
  SetTable({});
  ASSERT_EQ(0, AddPageTag(&window, "DC.Type"));
  gChoice = nullptr;
  ASSERT_EQ(0, AddPageTag(&window, "DC.Subject"));
  EXPECT_EQ(
      (std::vector<Tag>{{"DC.Type", "blue", SF_OPTIONS}, {"DC.Subject", "DC.Subject", SF_OPTIONS}}),
      Table());
  ASSERT_EQ(2u, gChooserCalls.size());
  EXPECT_EQ(&window, gChooserCalls[0].window);
  EXPECT_EQ(235, gChooserCalls[0].x);
  EXPECT_EQ(80, gChooserCalls[0].y);
  EXPECT_EQ("red,blue,green", gChooserCalls[0].options);
  EXPECT_EQ("DC.Type", gChooserCalls[0].start);
  EXPECT_EQ("[Industry.ST", gChooserCalls[1].options);

  // Adding the same tag twice leaves one; a full table refuses the tag and says so.
  SetTable({});
  ASSERT_EQ(0, AddPageTag(nullptr, "x"));
  ASSERT_EQ(0, AddPageTag(nullptr, "x"));
  EXPECT_EQ(1, Tagcount);
  EXPECT_TRUE(ui_.boxes().empty());
  MaxPageTags = 3;
  ASSERT_EQ(0, ReservePageTags());
  ASSERT_EQ(0, AddPageTag(nullptr, "a"));
  ASSERT_EQ(0, AddPageTag(nullptr, "b"));
  EXPECT_EQ(-1, AddPageTag(nullptr, "c"));
  EXPECT_EQ(
      (std::vector<Tag>{{"a", "NAME ME - userdefined tag"}, {"b", "NAME ME - userdefined tag"}}),
      Table());
  ASSERT_EQ(1u, BoxLines().size());
  EXPECT_EQ(
      "CRITICAL ERROR!|M053:Please increase \"Maximum number of Metatags in eash page\"\n"
      "Menu item: Setup->Memory Management",
      BoxLines()[0]);
}

TEST_F(PageOpsTest, SaveAsksForMissingMandatoryTagsThenWritesAndRemembers) {
  LoadTestSchema("DC.Title,M\nDC.Creator,M\nKeywords\n");
  TempDir site;
  std::string doc = site / "a.htm";
  const std::string before = "<HEAD><meta name=Keywords content=k></HEAD>";
  WriteFile(doc, before);
  const std::string question =
      "The following tags are marked as MANDATORY in the schema,\nbut are not used in this "
      "page.\n\nPress YES to add these and return to Editing.\n\nDC.Creator\nDC.Title\n";

  // Yes: the missing tags are added and nothing is written.
  SetTable({{"Keywords", "k"}, {"Keywords", "k"}});
  ui_.Script("NOTE", platform::kAnswerYes);
  int window = 0;
  EXPECT_EQ(-1, SavePage(&window, doc.c_str()));
  ASSERT_EQ(1u, ui_.boxes().size());
  EXPECT_EQ("NOTE", ui_.boxes()[0].caption);
  EXPECT_EQ(question, ui_.boxes()[0].text);
  EXPECT_EQ(platform::kBoxYesNo | platform::kBoxIconQuestion, ui_.boxes()[0].style);
  EXPECT_EQ(&window, ui_.boxes()[0].owner);
  EXPECT_EQ((std::vector<Tag>{{"Keywords", "k"},
                              {"DC.Creator", "NAME ME - schema tag", SF_MANDATORY},
                              {"DC.Title", "NAME ME - schema tag", SF_MANDATORY}}),
            Table());
  EXPECT_EQ(before, ReadFile(doc));
  EXPECT_STREQ("", PrevFiles[0]);

  // No: the document is written as the table stands and becomes the latest file.
  SetTable({{"Keywords", "k"}, {"DC.Title", "T"}});
  ui_.Clear();
  ui_.Script("NOTE", platform::kAnswerNo);
  EXPECT_EQ(0, SavePage(&window, doc.c_str()));
  ASSERT_EQ(1u, ui_.boxes().size());
  EXPECT_NE(std::string::npos, ui_.boxes()[0].text.find("\n\nDC.Creator\n"));
  EXPECT_EQ(std::string::npos, ui_.boxes()[0].text.find("DC.Title"));
  RenderStamp();
  EXPECT_EQ(std::string("<HEAD>") + EdBuffer +
                "<meta HTTP-EQUIV=\"Keywords\" CONTENT=\"k\">\r\n"
                "<meta HTTP-EQUIV=\"DC.Title\" CONTENT=\"T\">\r\n</HEAD>",
            ReadFile(doc));
  EXPECT_EQ(doc, PrevFiles[0]);
  EXPECT_EQ(std::vector<int>{1084}, gCommands);

  // Saving it again asks nothing when the check is off and changes no recent file.
  checkmandatory = 0;
  ui_.Clear();
  EXPECT_EQ(0, SavePage(&window, doc.c_str()));
  EXPECT_TRUE(ui_.boxes().empty());
  EXPECT_EQ(doc, PrevFiles[0]);
  EXPECT_STREQ("", PrevFiles[1]);
  EXPECT_EQ(std::vector<int>{1084}, gCommands);

  // A document that cannot be written is neither reported as saved nor remembered.
  std::string missing = site / "missing.htm";
  EXPECT_EQ(-1, SavePage(&window, missing.c_str()));
  EXPECT_EQ(std::vector<std::string>{missing + "|Error opening temp file"}, BoxLines());
  std::string headless = site / "nohead.htm";
  WriteFile(headless, "<p></HEAD>");
  EXPECT_EQ(-2, SavePage(&window, headless.c_str()));
  EXPECT_EQ("<p></HEAD>", ReadFile(headless));
  EXPECT_EQ(doc, PrevFiles[0]);
  EXPECT_STREQ("", PrevFiles[1]);
}

TEST_F(PageOpsTest, MandatoryCheckCoversASchemaBeyondFiveHundredEntries) {
  MaxSchemaTags = 1000;
  std::string schema;
  for (int i = 0; i < 700; ++i)
    schema += platform::Format("T%03d%s\n", i, i == 650 ? ",M" : "");
  LoadTestSchema(schema);
  ASSERT_EQ(700, SchemaTagCount);
  TempDir site;
  std::string doc = site / "a.htm";
  WriteFile(doc, "<HEAD></HEAD>");
  SetTable({{"T000", "x"}});
  ui_.Script("NOTE", platform::kAnswerYes);
  EXPECT_EQ(-1, SavePage(nullptr, doc.c_str()));
  ASSERT_EQ(1u, ui_.boxes().size());
  EXPECT_NE(std::string::npos, ui_.boxes()[0].text.find("Editing.\n\nT650\n"));
  EXPECT_EQ((std::vector<Tag>{{"T000", "x"}, {"T650", "NAME ME - schema tag", SF_MANDATORY}}),
            Table());
}

TEST_F(PageOpsTest, RecentFilesKeepFiveNewestFirst) {
  for (int i = 1; i <= 6; ++i)
    RememberFile(("/site/" + std::to_string(i) + ".htm").c_str());
  RememberFile("/site/4.htm");  // already there: nothing moves
  std::vector<std::string> slots(std::begin(PrevFiles), std::end(PrevFiles));
  EXPECT_EQ((std::vector<std::string>{"/site/6.htm", "/site/5.htm", "/site/4.htm", "/site/3.htm",
                                      "/site/2.htm"}),
            slots);
  EXPECT_EQ(std::vector<int>(6, 1084), gCommands);

  // A path longer than a slot is stored cut, and found again as stored.
  std::string longPath = "/" + std::string(600, 'p');
  RememberFile(longPath.c_str());
  RememberFile(longPath.c_str());
  EXPECT_EQ(longPath.substr(0, 511), PrevFiles[0]);
  EXPECT_EQ("/site/6.htm", std::string(PrevFiles[1]));
  EXPECT_EQ(7u, gCommands.size());
}

}  // namespace
