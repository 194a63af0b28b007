#include "schema/schema.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "config/settings.h"
#include "platform/text.h"
#include "tests/support/fault_fs.h"
#include "tests/support/program_fixture.h"

using namespace testing_support;

namespace {

class SchemaTest : public ProgramFixture {
 protected:
  void SetUp() override {
    ProgramFixture::SetUp();
    ASSERT_EQ(0, ReserveSchemaTables());
  }
  void TearDown() override {
    ReleaseSchemaTables();
    ProgramFixture::TearDown();
  }
  int Load(const std::string& text, const std::string& name = "META.IDX") {
    WriteFile(home_ / name, text);
    return LoadSchema();
  }
  const SchemaEntry* Find(const char* name) {
    int i = FindSchemaTag(name);
    return i < 0 ? nullptr : &SchemaIndex[i];
  }
};

TEST_F(SchemaTest, EntryLinesGiveNamesFlagsOptionsAndSchemes) {
  struct Case {
    const char* line;
    const char* name;
    uint32_t flags;
    const char* options;
    const char* scheme;
  };
  const Case cases[] = {
      {"DC.Title,M", "DC.Title", SF_MANDATORY, "", ""},
      {"AD.MapMe", "AD.MapMe", 0, "", ""},
      {"MY.Test.tag.two,AM {red,blue,green}", "MY.Test.tag.two", 1 + 2 + 8, "red,blue,green", ""},
      {"DC.Subject.Industry,M {[Industry.ST,BEP]}", "DC.Subject.Industry", 1 + 8, "[Industry.ST",
       "BEP"},
      {"DC.Date.Created,MD", "DC.Date.Created", 1 + 4, "", ""},
      {"Keywords, {[keywords.LST,Default Keywords]}", "Keywords", 8, "[keywords.LST",
       "Default Keywords"},
      {"DC.Source ", "DC.Source ", 0, "", ""},
      {"Lower,m", "Lower", 0, "", ""},
      {"My.List, {[mylist.dat]}", "My.List", 8, "[mylist.dat]", ""},
      {"DC.Identifier,M {[,URI]}", "DC.Identifier", 1 + 8, "[", "URI"},
      {"Braces {red}", "Braces {red}", 0, "", ""},  // options only after a comma
      {"Empty,D {}", "Empty", 4 + 8, "", ""},
      {"Closer,M}A", "Closer", 1 + 2, "", ""},
      {"Ends,x{a,b}yD", "Ends", 8, "a,b", ""},  // letters after "}" are not flags
      {"CrLf,A\r", "CrLf", 2, "", ""},
  };
  std::string text = "#x\nab\n\n# comment, M {x}\r\n";
  for (const Case& c : cases)
    text += std::string(c.line) + "\n";
  ASSERT_EQ(0, Load(text));
  EXPECT_EQ(static_cast<int>(std::size(cases)), SchemaTagCount);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    const SchemaEntry* e = Find(c.name);
    ASSERT_NE(nullptr, e);
    EXPECT_EQ(c.flags, e->flags);
    EXPECT_STREQ(c.options, SchemaOptions(*e));
    EXPECT_STREQ(c.scheme, SchemaScheme(*e));
    if (!(c.flags & SF_OPTIONS)) {
      EXPECT_EQ(0u, e->options);
    }
  }
  EXPECT_EQ(nullptr, Find("DC.Source"));
  EXPECT_EQ(nullptr, Find("dc.title"));
  EXPECT_EQ(nullptr, Find("#x"));
  EXPECT_EQ(nullptr, Find("ab"));
  EXPECT_TRUE(BoxLines().empty());
}

TEST_F(SchemaTest, IndexIsSortedByBytesAndEveryNameIsFound) {
  ASSERT_EQ(0, Load("zeta\nAlpha\nalpha\nBeta,M\n\xE9t\xE9\nBeta,A\nA.B\n"));
  ASSERT_EQ(7, SchemaTagCount);
  std::vector<std::string> names;
  for (int i = 0; i < SchemaTagCount; ++i)
    names.push_back(SchemaIndex[i].name);
  EXPECT_EQ(
      (std::vector<std::string>{"A.B", "Alpha", "Beta", "Beta", "alpha", "zeta", "\xE9t\xE9"}),
      names);
  for (const std::string& n : names)
    EXPECT_STREQ(n.c_str(), SchemaIndex[FindSchemaTag(n.c_str())].name);
  // A name given twice is loaded twice; the search finds one of them.
  EXPECT_NE(0u, SchemaIndex[FindSchemaTag("Beta")].flags);
  EXPECT_EQ(-1, FindSchemaTag("Gamma"));
  EXPECT_EQ(-1, FindSchemaTag(""));
}

TEST_F(SchemaTest, ReloadReplacesTheDictionaryAndTheOptionOffsetsRestart) {
  ASSERT_EQ(0, Load("One, {a,b}\nTwo,M\n"));
  uint32_t firstOffset = SchemaIndex[FindSchemaTag("One")].options;
  EXPECT_EQ(1u, firstOffset);
  ASSERT_EQ(0, Load("Three, {x}\n"));
  EXPECT_EQ(1, SchemaTagCount);
  EXPECT_EQ(-1, FindSchemaTag("One"));
  EXPECT_EQ(1u, SchemaIndex[0].options);
  EXPECT_STREQ("x", SchemaOptions(SchemaIndex[0]));
}

TEST_F(SchemaTest, MissingClosingBraceIsReportedAndFlagsComeFromTheWholeRest) {
  ASSERT_EQ(0, Load("Broken,x {ALL,NONE,DATE,MORE\nNext,M\n"));
  EXPECT_EQ((std::vector<std::string>{"Broken|CORRUPT SCHEMA ENTRY - missing '}'"}), BoxLines());
  const SchemaEntry* e = Find("Broken");
  ASSERT_NE(nullptr, e);
  EXPECT_EQ(0u, e->options);
  EXPECT_EQ(uint32_t{SF_MANDATORY | SF_DUPLICATES | SF_DATE},
            e->flags);  // from "ALL", "DATE" and "MORE"
  ASSERT_NE(nullptr, Find("Next"));
}

TEST_F(SchemaTest, DefaultIndexSizeStopsAtEntry511) {
  std::string text;
  for (int i = 0; i < 600; ++i)
    text += "Tag" + std::to_string(1000 + i) + "\n";
  SchemaBytes = 8192;
  ASSERT_EQ(0, ReserveSchemaTables());
  ASSERT_EQ(0, Load(text));
  EXPECT_EQ(511, SchemaTagCount);
  EXPECT_NE(-1, FindSchemaTag("Tag1510"));
  EXPECT_EQ(-1, FindSchemaTag("Tag1511"));
  EXPECT_EQ((std::vector<std::string>{
                "CRITICAL ERROR!|M055:Not enough memory has been set aside for all the metatags "
                "in the schema.\nIncrease the value of Schema Metatags in Setup"}),
            BoxLines());
  EXPECT_NE(std::string::npos, ReadFile(AuditFile("Errors/")).find("M055:Not enough memory"));
}

TEST_F(SchemaTest, UnreachableConfigurationDirectoryIsReportedAndTheDefaultCannotBeWritten) {
  std::string gone = home_ / "gone";
  platform::CopyText(IniPath, gone);
  EXPECT_EQ(-1, LoadSchema());
  EXPECT_EQ((std::vector<std::string>{"ERROR CHANGING DIRECTORY|" + gone,
                                      gone + "/META.IDX|Unable to create file"}),
            BoxLines());
  EXPECT_EQ(0, SchemaTagCount);
}

TEST_F(SchemaTest, FullSchemaSpaceStopsLoadingWithoutWritingPastIt) {
  SchemaBytes = 12;  // "aaaa" and "bbbb" fit (10 bytes), "cccc" does not
  ASSERT_EQ(0, ReserveSchemaTables());
  ASSERT_EQ(0, Load("aaaa,M {x}\nbbbb\ncccc, {yy}\ndddd\n"));
  EXPECT_EQ(2, SchemaTagCount);
  EXPECT_EQ(nullptr, Find("cccc"));
  EXPECT_EQ(3u, SetBufLast);  // the options of the entry not kept are given back
  ASSERT_EQ(1u, ui_.boxes().size());
  EXPECT_EQ("CRITICAL ERROR!", ui_.boxes()[0].caption);
  EXPECT_NE(std::string::npos, ui_.boxes()[0].text.find("Schema Space"));
  EXPECT_NE(std::string::npos, ReadFile(AuditFile("Errors/")).find("Schema Space"));
}

TEST_F(SchemaTest, FullOptionSpaceStopsLoadingWithoutWritingPastIt) {
  OptionBytes = 10;  // offset 0 unused: "abcd" fills 1..5, "efgh" would need 6..10
  ASSERT_EQ(0, ReserveSchemaTables());
  ASSERT_EQ(0, Load("One, {abcd}\nTwo\nThree, {efgh}\nFour\n"));
  EXPECT_EQ(2, SchemaTagCount);
  EXPECT_STREQ("abcd", SchemaOptions(*Find("One")));
  EXPECT_EQ(nullptr, Find("Three"));
  EXPECT_EQ(6u, SetBufLast);
  ASSERT_EQ(1u, ui_.boxes().size());
  EXPECT_NE(std::string::npos, ui_.boxes()[0].text.find("Option Space"));
}

TEST_F(SchemaTest, LongLinesAreReadIn511BytePieces) {
  std::string longName(600, 'N');
  ASSERT_EQ(0, Load(longName + "\nAfter\n"));
  EXPECT_NE(nullptr, Find(longName.substr(0, 511).c_str()));
  EXPECT_NE(nullptr, Find(longName.substr(511).c_str()));
  EXPECT_NE(nullptr, Find("After"));
}

TEST_F(SchemaTest, SchemaFileIsFoundWhateverItsCase) {
  const std::string text = "Lower.Case,M\n";
  ASSERT_EQ(0, Load(text, "meta.idx"));
  EXPECT_EQ(1, SchemaTagCount);
  EXPECT_FALSE(Exists(home_ / "META.IDX"));
  EXPECT_EQ(text, ReadFile(home_ / "meta.idx"));
}

TEST_F(SchemaTest, UnreadableSchemaIsReportedAndNeverReplaced) {
  const std::string text = "Mine,M\n";
  WriteFile(home_ / "META.IDX", text);
  FaultPlan plan;
  plan.unreadable.insert(home_ / "META.IDX");
  FaultyFileSystem fs(plan);
  platform::ScopedFileSystem scoped(&fs);
  EXPECT_EQ(0, LoadSchema());
  EXPECT_EQ(0, SchemaTagCount);
  EXPECT_EQ((std::vector<std::string>{"CRITICAL ERROR!|M054:Could not find or create meta.idx!"}),
            BoxLines());
  EXPECT_EQ(text, ReadFile(home_ / "META.IDX"));
  EXPECT_NE(std::string::npos, ReadFile(AuditFile("Errors/")).find("M054"));
}

TEST_F(SchemaTest, ReservationFailsForSizesThatCannotBeHad) {
  MaxSchemaTags = 0;
  EXPECT_EQ(-1, ReserveSchemaTables());
  EXPECT_EQ(nullptr, SchemaSpace);
  EXPECT_EQ(nullptr, SchemaIndex);
  EXPECT_EQ(-1, FindSchemaTag("DC.Title"));
  MaxSchemaTags = 512;
  OptionBytes = -5;
  EXPECT_EQ(-1, ReserveSchemaTables());
  EXPECT_EQ((std::vector<std::string>{
                "CRITICAL ERROR!|M025:INSUFFICIENT SYSTEM MEMORY\nChoose a lower value for "
                "Maximum Schema Tags",
                "CRITICAL ERROR!|M027:INSUFFICIENT SYSTEM MEMORY\nChoose a lower value for "
                "Option Space"}),
            BoxLines());
}

// Lookups are remembered, but never across a change of the dictionary: a reload answers for
// the new schema (entries gone, come or moved), a release answers nothing.
TEST_F(SchemaTest, LookupsFollowEveryReload) {
  ASSERT_EQ(0, Load("B.Two\nD.Four,M\n"));
  ASSERT_NE(nullptr, Find("D.Four"));
  EXPECT_EQ(SF_MANDATORY, Find("D.Four")->flags);
  EXPECT_EQ(nullptr, Find("A.One"));
  EXPECT_EQ(nullptr, Find("C.Three"));
  // Many names at once, so that they share the remembered places.
  std::vector<std::string> many;
  for (int i = 0; i < 600; ++i)
    many.push_back("N." + std::to_string(i));
  for (const std::string& name : many)
    EXPECT_EQ(nullptr, Find(name.c_str()));

  std::string text = "A.One,D\nC.Three\nD.Four\n";
  for (int i = 0; i < 600; i += 2)
    text += many[static_cast<size_t>(i)] + "\n";
  ASSERT_EQ(0, Load(text));
  ASSERT_NE(nullptr, Find("A.One"));
  EXPECT_EQ(SF_DATE, Find("A.One")->flags);
  EXPECT_EQ(nullptr, Find("B.Two"));
  ASSERT_NE(nullptr, Find("D.Four"));
  EXPECT_STREQ("D.Four", Find("D.Four")->name);
  EXPECT_EQ(0u, Find("D.Four")->flags);
  for (int i = 0; i < 600; ++i) {
    const SchemaEntry* entry = Find(many[static_cast<size_t>(i)].c_str());
    if (i % 2 == 0) {
      ASSERT_NE(nullptr, entry) << i;
      EXPECT_EQ(many[static_cast<size_t>(i)], entry->name);
    } else {
      EXPECT_EQ(nullptr, entry) << i;
    }
  }
  // A name longer than any the cache keeps is looked up all the same.
  const std::string longName(40, 'L');
  ASSERT_EQ(0, Load(longName + "\nD.Four\n"));
  ASSERT_NE(nullptr, Find(longName.c_str()));
  EXPECT_EQ(longName, Find(longName.c_str())->name);
  ReleaseSchemaTables();
  EXPECT_EQ(-1, FindSchemaTag("D.Four"));
  ASSERT_EQ(0, ReserveSchemaTables());
  EXPECT_EQ(-1, FindSchemaTag("D.Four"));
}

}  // namespace
