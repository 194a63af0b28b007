#include "schema/value_lists.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "config/settings.h"
#include "tests/support/program_fixture.h"

using namespace testing_support;

namespace {

using Lines = std::vector<std::string>;

class ValueListsTest : public ProgramFixture {};

TEST_F(ValueListsTest, SingleValueChoicesFromListsAndSchemeTables) {
  WriteFile(home_ / "INDUSTRY.st",
            "B01,Mining and quarrying\r\nA02,Farming\n\nC03\r\n" + std::string(300, 'z'));
  WriteFile(home_ / "mylist.dat", "one\ntwo,2\n");
  struct Case {
    const char* options;
    Lines lines;
  };
  const Case cases[] = {
      {"red,blue,green", {"red", "blue", "green"}},
      {"a,,b,", {"a", "", "b", ""}},
      {"", {""}},
      {"[Industry.ST",
       {"B01,Mining and quarrying", "A02,Farming", "", "C03", std::string(255, 'z'),
        std::string(45, 'z')}},
      {"[mylist.dat]", {"one", "two,2"}},
      {"[mylist.dat]ignored", {"one", "two,2"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.options);
    Lines lines{"stale"};
    EXPECT_EQ(0, ReadValueChoices(c.options, &lines));
    EXPECT_EQ(c.lines, lines);
  }
  EXPECT_TRUE(BoxLines().empty());

  // The list shows them sorted; a chosen line gives the value before its comma.
  Lines shown;
  ReadValueChoices("red,blue,green", &shown);
  SortListLines(&shown);
  EXPECT_EQ((Lines{"blue", "green", "red"}), shown);
  Lines table;
  ReadValueChoices("[Industry.ST", &table);
  SortListLines(&table);
  EXPECT_EQ("A02,Farming", table[1]);
  ChooserRequest request{10, 20, "[Industry.ST", "DC.Subject.Industry"};
  SetChosenText(&request, ValueOfLine(table[1]));
  EXPECT_STREQ("A02", request.text);
  EXPECT_EQ("C03", ValueOfLine("C03"));
}

TEST_F(ValueListsTest, MissingSchemeTablesReportM039WithTheOptionsText) {
  std::filesystem::create_directory(home_ / "folder.ST");
  for (const char* options : {"[", "[missing.ST", "[folder.ST]"}) {
    ui_.Clear();
    Lines lines{"stale"};
    EXPECT_EQ(-1, ReadValueChoices(options, &lines));
    EXPECT_TRUE(lines.empty());
    EXPECT_EQ((Lines{std::string("CRITICAL ERROR!|M039:Error opening thesaurus file ") + options}),
              BoxLines());
  }
  EXPECT_NE(std::string::npos,
            ReadFile(AuditFile("Errors/")).find("M039:Error opening thesaurus file ["));
}

TEST_F(ValueListsTest, MultipleValuesSplitAtTheSeparatorAndJoinInListOrder) {
  WriteFile(home_ / "keys.LSM", "a,b\r\nc\n,d,,\n\n;x\n");
  Lines values;
  ASSERT_EQ(0, ReadMultipleValues("[keys.LSM]", &values));
  EXPECT_EQ((Lines{"a", "b", "c", "d", ";x"}), values);

  ChooserRequest request{0, 0, "[keys.LSM]", ""};
  JoinChosenValues({"c", "a"}, &request);
  EXPECT_STREQ("a,c", request.text);
  JoinChosenValues({"beta", "Alpha", "gamma"}, &request);
  EXPECT_STREQ("Alpha,beta,gamma", request.text);

  DecodeDisplayOptions(1 | 128);  // separator ";"
  ASSERT_EQ(0, ReadMultipleValues("[keys.LSM]", &values));
  EXPECT_EQ((Lines{"a,b", "c", ",d,,", "x"}), values);
  EXPECT_EQ((Lines{"x", "y"}), SplitChosenValues("x;y;"));
  EXPECT_EQ((Lines{"x", "", "y"}), SplitChosenValues("x;;y"));
  EXPECT_EQ((Lines{}), SplitChosenValues(""));
  JoinChosenValues({"y", "x"}, &request);
  EXPECT_STREQ("x;y", request.text);

  // The joined text is cut at a tag value's capacity.
  JoinChosenValues(Lines(300, "value"), &request);
  EXPECT_EQ(1023u, std::strlen(request.text));
  EXPECT_TRUE(BoxLines().empty());
}

TEST_F(ValueListsTest, MultipleValueFailuresAndTheThousandValueLimit) {
  std::string lines999;
  for (int i = 0; i < 999; ++i)
    lines999 += "v" + std::to_string(i) + "\n";
  WriteFile(home_ / "ok.lsm", lines999);
  WriteFile(home_ / "lines.lsm", lines999 + "last\n");
  WriteFile(home_ / "pieces.lsm", lines999.substr(0, lines999.rfind("v998")) + "v998,extra\n");
  Lines values;
  EXPECT_EQ(0, ReadMultipleValues("[ok.lsm]", &values));
  EXPECT_EQ(999u, values.size());
  EXPECT_TRUE(BoxLines().empty());

  struct Case {
    const char* options;
    const char* message;
    size_t kept;
  };
  const Case cases[] = {
      {"lines.lsm", "M038:Error opening multilist file [2]", 0},
      {"[missing.lsm]", "M034:Error opening multilist file [1]", 0},
      {"[", "M034:Error opening multilist file [1]", 0},
      {"[lines.lsm]", "M036:Maximum number of tags exceeded", 999},
      {"[pieces.lsm]", "M037:Maximum number of tags exceeded", 999},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.options);
    ui_.Clear();
    EXPECT_EQ(-1, ReadMultipleValues(c.options, &values));
    EXPECT_EQ(c.kept, values.size());
    EXPECT_EQ((Lines{std::string("CRITICAL ERROR!|") + c.message}), BoxLines());
    EXPECT_NE(std::string::npos, ReadFile(AuditFile("Errors/")).find(c.message));
  }
}

TEST_F(ValueListsTest, ValueFilesAreListedSortedAtMostTwentyAndPacked) {
  for (int i = 1; i <= 22; ++i)
    WriteFile(home_ / (std::string(i % 2 ? "v" : "V") + (i < 10 ? "0" : "") + std::to_string(i) +
                       (i % 3 ? ".LST" : ".lsm")),
              "x\n");
  WriteFile(home_ / "notes.txt", "x\n");
  std::filesystem::create_directory(home_ / "aaa.LSX");
  char names[512];
  char* table[kMaxValueFiles] = {};
  ASSERT_EQ(20, ListValueFiles(nullptr, names, sizeof names, table));
  EXPECT_STREQ("v01.LST", table[0]);
  EXPECT_STREQ("V02.LST", table[1]);
  EXPECT_STREQ("v03.lsm", table[2]);
  EXPECT_STREQ("V20.LST", table[19]);
  EXPECT_EQ(names, table[0]);
  EXPECT_EQ(table[0] + 8, table[1]);  // packed one after the other

  // A buffer too small for all keeps the names that fit.
  char small[20];
  EXPECT_EQ(2, ListValueFiles(nullptr, small, sizeof small, table));
  EXPECT_STREQ("V02.LST", table[1]);

  EXPECT_TRUE(OpensMultipleChooser(ValueFileOptions("v03.lsm")));
  EXPECT_FALSE(OpensMultipleChooser(ValueFileOptions("v01.LST")));
  EXPECT_FALSE(OpensMultipleChooser("[keys.lsm.bak]"));
  EXPECT_EQ("keys.lsm", ValueFileName(ValueFileOptions("keys.lsm").c_str()));
  EXPECT_EQ("", ValueFileName("red,blue"));
}

}  // namespace
