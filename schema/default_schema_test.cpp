#include "schema/default_schema.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "config/settings.h"
#include "platform/text.h"
#include "schema/schema.h"
#include "tests/support/fault_fs.h"
#include "tests/support/program_fixture.h"

using namespace testing_support;

namespace {

std::vector<std::string> SplitCrLf(const std::string& text) {
  std::vector<std::string> lines;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find("\r\n", pos);
    if (end == std::string::npos) {
      lines.push_back(text.substr(pos) + "<no CR LF>");
      break;
    }
    lines.push_back(text.substr(pos, end - pos));
    pos = end + 2;
  }
  return lines;
}

std::vector<std::string> DirNames(const std::string& dir) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(dir))
    names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

class DefaultSchemaTest : public ProgramFixture {
 protected:
  void SetUp() override {
    ProgramFixture::SetUp();
    ASSERT_EQ(0, ReserveSchemaTables());
    SetSiteTagsDialog(nullptr);
    SetSiteTagValues("", "");
  }
  void TearDown() override {
    SetSiteTagsDialog(nullptr);
    ReleaseSchemaTables();
    ProgramFixture::TearDown();
  }
};

TEST_F(DefaultSchemaTest, FileLayoutHasCrLfBoxesAndTheGroupsInOrder) {
  std::string path = home_ / "META.IDX";
  ASSERT_EQ(0, WriteDefaultSchema(path));
  std::string text = ReadFile(path);
  EXPECT_EQ(DefaultSchemaText(), text);
  EXPECT_EQ(std::string::npos, text.find("\r\r"));
  std::vector<std::string> lines = SplitCrLf(text);
  for (const std::string& l : lines)
    EXPECT_EQ(std::string::npos, l.find('\n')) << l;

  const std::string rule = "#" + std::string(73, '-');
  const std::string emptyBox = "#" + std::string(72, ' ') + "|";
  ASSERT_GE(lines.size(), 5u);
  EXPECT_EQ(rule, lines[0]);
  EXPECT_EQ(emptyBox, lines[1]);
  EXPECT_EQ("# Schema Name: AGLS + Custom mods" + std::string(73 - 33, ' ') + "|", lines[2]);
  EXPECT_EQ(emptyBox, lines[3]);
  EXPECT_EQ(rule, lines[4]);
  EXPECT_EQ(74u, lines[2].size());
  EXPECT_EQ('|', lines[2][73]);

  // Every line is a comment, empty, or an entry; entries only follow the group headings.
  std::vector<std::string> entries;
  std::vector<std::string> headings;
  for (const std::string& l : lines) {
    if (l.empty() || l[0] == '#') {
      if (l.rfind("# ", 0) == 0 && l.size() > 3 && l[2] >= '1' && l[2] <= '5' && l[3] == '.')
        headings.push_back(l);
      continue;
    }
    entries.push_back(l);
  }
  EXPECT_EQ((std::vector<std::string>{
                "# 1. Administration tags", "# 2. Australian Government extension tags",
                "# 3. Dublin Core tags", "# 4. Defence specific tags", "# 5. Search engine tags"}),
            headings);
  EXPECT_EQ(53u, entries.size());
  EXPECT_EQ("AD.Review Date,D", entries.front());
  EXPECT_EQ("Rating, {General,Mature,Restricted,14 Years}", entries.back());

  for (const char* quoted :
       {"#   metatag.name <,flags> {value options}", "#   M - mandatory",
        "#   A - allow duplicates", "#   D -\tDate format (must be YYYYMMDD)", "# Schema Overview",
        "DC.Source ", "DC.Language,{[Lang.ST,RFC1766]}", "DC.Identifier,M {[,URI]}"}) {
    EXPECT_NE(lines.end(), std::find(lines.begin(), lines.end(), quoted)) << quoted;
  }
  for (const char* example :
       {"MY.Test.tag.one {[Thesaurus.ST,BEP]}", "MY.Test.tag.two,AM {red,blue,green}",
        "MY.Test.tag.three, {[mylist.dat]}"}) {
    EXPECT_NE(std::string::npos, text.find(example)) << example;
  }

  // Groups 2 to 5 start with an empty line and a rule; the file ends the same way.
  for (size_t i = 1; i < headings.size(); ++i) {
    auto at = std::find(lines.begin(), lines.end(), headings[i]) - lines.begin();
    EXPECT_EQ(rule, lines[at - 1]);
    EXPECT_EQ("", lines[at - 2]);
  }
  auto first = std::find(lines.begin(), lines.end(), headings[0]) - lines.begin();
  EXPECT_EQ("", lines[first - 1]);
  EXPECT_EQ(rule, lines[first - 2]);  // the rule that closes the overview
  EXPECT_EQ(rule, lines.back());
  EXPECT_EQ("", lines[lines.size() - 2]);
}

TEST_F(DefaultSchemaTest, MissingSchemaIsWrittenAndLoadsWith53EntriesOf8Mandatory) {
  ASSERT_EQ(0, LoadSchema());
  EXPECT_EQ(DefaultSchemaText(), ReadFile(home_ / "META.IDX"));
  EXPECT_EQ(53, SchemaTagCount);
  std::set<std::string> mandatory;
  for (int i = 0; i < SchemaTagCount; ++i)
    if (SchemaIndex[i].flags & SF_MANDATORY) mandatory.insert(SchemaIndex[i].name);
  EXPECT_EQ((std::set<std::string>{"DC.Title", "DC.Creator.CorporateName", "DC.Creator.Contact",
                                   "DC.Subject.Industry", "DC.Subject.Topic", "DC.Date.Created",
                                   "DC.Identifier", "DC.Coverages.Area"}),
            mandatory);
  const SchemaEntry& id = SchemaIndex[FindSchemaTag("DC.Identifier")];
  EXPECT_STREQ("[", SchemaOptions(id));
  EXPECT_STREQ("URI", SchemaScheme(id));
  const SchemaEntry& lang = SchemaIndex[FindSchemaTag("DC.Language")];
  EXPECT_EQ(uint32_t{SF_OPTIONS}, lang.flags);
  EXPECT_STREQ("RFC1766", SchemaScheme(lang));
  EXPECT_EQ(uint32_t{SF_DATE}, SchemaIndex[FindSchemaTag("AD.Review Date")].flags);
  EXPECT_NE(-1, FindSchemaTag("DC.Source "));
  EXPECT_EQ(-1, FindSchemaTag("DC.Source"));
  EXPECT_TRUE(BoxLines().empty());
}

TEST_F(DefaultSchemaTest, FailedWritesLeaveNoHalfFileAndAreReported) {
  struct Case {
    const char* what;
    FaultPlan plan;
  };
  std::vector<Case> cases(4);
  cases[0] = {"open", {}};
  cases[0].plan.failOpenAt = 1;
  cases[1] = {"write", {}};
  cases[1].plan.failWriteAt = 1;
  cases[2] = {"disk full", {}};
  cases[2].plan.diskFullAfter = 100;
  cases[3] = {"rename", {}};
  cases[3].plan.failRenameAt = 1;
  const std::vector<std::string> before = DirNames(home_.path());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ui_.Clear();
    {
      FaultyFileSystem fs(c.plan);
      platform::ScopedFileSystem scoped(&fs);
      EXPECT_EQ(-1, LoadSchema());
    }
    EXPECT_EQ(before, DirNames(home_.path()));
    EXPECT_EQ((std::vector<std::string>{home_ / "META.IDX" + "|Unable to create file"}),
              BoxLines());
    EXPECT_EQ(0, SchemaTagCount);
  }
  // An existing file survives a failed replacement whole.
  WriteFile(home_ / "META.IDX", "Mine,M\n");
  FaultPlan plan;
  plan.diskFullAfter = 10;
  FaultyFileSystem fs(plan);
  platform::ScopedFileSystem scoped(&fs);
  EXPECT_EQ(-1, WriteDefaultSchema(home_ / "META.IDX"));
  EXPECT_EQ("Mine,M\n", ReadFile(home_ / "META.IDX"));
}

TEST_F(DefaultSchemaTest, RootTagsFollowTheMarkupOptionsAndCutTheIndustry) {
  struct Case {
    int displayOptions;
    const char* corporate;
    const char* industry;
    const char* expected;
  };
  const Case cases[] = {
      {1, "Acme Pty Ltd", "Mining",
       "<HEAD>\r\n<meta HTTP-EQUIV=DC.Creator.CorporateName CONTENT=Acme Pty Ltd>\n"
       "<meta HTTP-EQUIV=DC.Subject.Industry CONTENT=Mining>\r\n</HEAD>\r\n"},
      {1, "Acme", "B01,Mining and quarrying",
       "<HEAD>\r\n<meta HTTP-EQUIV=DC.Creator.CorporateName CONTENT=Acme>\n"
       "<meta HTTP-EQUIV=DC.Subject.Industry CONTENT=B01>\r\n</HEAD>\r\n"},
      {4 | 24, "\"Q\" Co", "Retail",
       "<HEAD>\r\n<meta NAME=DC.Creator.CorporateName value=\"Q\" Co>\n"
       "<meta NAME=DC.Subject.Industry value=Retail>\r\n</HEAD>\r\n"},
      {2 | 8, "x", ",leading comma",
       "<HEAD>\r\n<meta http-equiv=DC.Creator.CorporateName content=x>\n"
       "<meta http-equiv=DC.Subject.Industry content=>\r\n</HEAD>\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expected);
    DecodeDisplayOptions(c.displayOptions);
    SetSiteTagValues(c.corporate, c.industry);
    ASSERT_EQ(0, WriteRootTags(home_ / "META.TAG"));
    EXPECT_EQ(c.expected, ReadFile(home_ / "META.TAG"));
  }
  EXPECT_TRUE(BoxLines().empty());
  // The dialog's edit field keeps 255 characters of the corporate name.
  DecodeDisplayOptions(1);
  SetSiteTagValues(std::string(400, 'c'), "Retail");
  ASSERT_EQ(0, WriteRootTags(home_ / "META.TAG"));
  EXPECT_NE(std::string::npos,
            ReadFile(home_ / "META.TAG").find("CONTENT=" + std::string(255, 'c') + ">\n"));
}

TEST_F(DefaultSchemaTest, MissingValuesAreRequiredAndNoFileIsWritten) {
  for (auto [corporate, industry] :
       std::vector<std::pair<const char*, const char*>>{{"", "Mining"}, {"Acme", ""}, {"", ""}}) {
    ui_.Clear();
    SetSiteTagValues(corporate, industry);
    EXPECT_EQ(-1, WriteRootTags(home_ / "META.TAG"));
    EXPECT_EQ((std::vector<std::string>{"CRITICAL ERROR!|M056:Values are required"}), BoxLines());
    EXPECT_FALSE(Exists(home_ / "META.TAG"));
    EXPECT_EQ(std::vector<std::string>{}, WorkFilesBelow(home_.path()));
  }
  EXPECT_NE(std::string::npos, ReadFile(AuditFile("Errors/")).find("M056:Values are required"));
}

int gDialogRuns = 0;
int gDialogAnswer = 1;
int FakeDialog(platform::WindowHandle, SiteTagValues* values) {
  ++gDialogRuns;
  platform::CopyText(values->corporateName, "From Dialog");
  platform::CopyText(values->industry, "Dialog Industry,described");
  return gDialogAnswer;
}

TEST_F(DefaultSchemaTest, InstalledDialogGivesTheValuesAndFailuresLeaveNoFile) {
  SetSiteTagsDialog(FakeDialog);
  gDialogRuns = 0;
  gDialogAnswer = 1;
  ASSERT_EQ(0, WriteRootTags(home_ / "META.TAG"));
  EXPECT_EQ(1, gDialogRuns);
  std::string written = ReadFile(home_ / "META.TAG");
  EXPECT_NE(std::string::npos, written.find("CONTENT=From Dialog>"));
  EXPECT_NE(std::string::npos, written.find("CONTENT=Dialog Industry>"));

  gDialogAnswer = 0;  // closed without values
  EXPECT_EQ(-1, WriteRootTags(home_ / "other.TAG"));
  EXPECT_FALSE(Exists(home_ / "other.TAG"));
  EXPECT_EQ(std::vector<std::string>{}, WorkFilesBelow(home_.path()));

  // The file cannot be created: reported before the dialog is shown.
  gDialogAnswer = 1;
  gDialogRuns = 0;
  {
    FaultPlan plan;
    plan.failOpenAt = 1;
    FaultyFileSystem fs(plan);
    platform::ScopedFileSystem scoped(&fs);
    EXPECT_EQ(-1, WriteRootTags(home_ / "new.TAG"));
  }
  EXPECT_EQ(0, gDialogRuns);
  // A write that fails midway keeps the old file whole.
  {
    FaultPlan plan;
    plan.diskFullAfter = 20;
    FaultyFileSystem fs(plan);
    platform::ScopedFileSystem scoped(&fs);
    EXPECT_EQ(-1, WriteRootTags(home_ / "META.TAG"));
  }
  EXPECT_EQ(written, ReadFile(home_ / "META.TAG"));
  EXPECT_EQ((std::vector<std::string>{home_ / "new.TAG" + "|Unable to create file",
                                      home_ / "META.TAG" + "|Unable to create file"}),
            BoxLines());
  EXPECT_EQ((std::vector<std::string>{"Audit", "Errors", "META.TAG"}), DirNames(home_.path()));
}

TEST_F(DefaultSchemaTest, IndustryListReadsLinesOfTheTableInAnyCase) {
  EXPECT_TRUE(ReadIndustryList().empty());
  WriteFile(home_ / "industry.st", "B01,Mining\r\nA02,Agriculture\n\nlast" + std::string(300, 'x'));
  std::vector<std::string> lines = ReadIndustryList();
  EXPECT_EQ((std::vector<std::string>{"B01,Mining", "A02,Agriculture", "",
                                      "last" + std::string(251, 'x'), std::string(49, 'x')}),
            lines);
}

}  // namespace
