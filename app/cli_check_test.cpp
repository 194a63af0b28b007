#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "app/cli_test_run.h"
#include "tests/support/temp_dir.h"

using namespace testing_support;

namespace {

std::string Doc(const std::vector<std::pair<std::string, std::string>>& tags) {
  std::string out = "<html>\n<head>\n";
  for (const auto& [name, value] : tags)
    out += "<meta name=\"" + name + "\" content=\"" + value + "\">\n";
  return out + "</head>\n<body></body>\n</html>\n";
}

TEST(CliCheckTest, ReportsEachKindOfProblemAndGatesOnThem) {
  TempDir dir;
  WriteFile(dir / "META.INI",
            "[META]\nCurrent Config=Club\nConfirmation=0\n[Config:Club]\nRoot Path=" +
                (dir / "site/") + "\nSiteURL=http://club.example\nLog Path=" + (dir / "Audit/") +
                "\nError Log=" + (dir / "Audit/") + "\n");
  WriteFile(dir / "Audit/.keep", "");
  WriteFile(
      dir / "META.IDX",
      "DC.Title,M\nRobots, {ALL,NONE}\nAD.Review Date,D\nKeywords,A\nDC.Subject, {[x.ST,S]}\n");
  struct Case {
    std::string file;
    std::string content;
    std::string lines;  // what check prints for it
  };
  const std::string hostile = "ALL\"\\\xFF";
  const std::vector<Case> cases = {
      {"clean/a.htm",
       Doc({{"DC.Title", "A"},
            {"Robots", "ALL,NONE"},
            {"Keywords", "x"},
            {"Keywords", "y"},
            {"AD.Review Date", "2024-02-29"},
            {"DC.Subject", "anything"}}),
       ""},
      {"date.htm", Doc({{"DC.Title", "D"}, {"AD.Review Date", "2023-02-29"}}),
       "date.htm: not-a-date AD.Review Date \"2023-02-29\"\n"},
      {"dup.htm", Doc({{"DC.Title", "1"}, {"DC.Title", "2"}, {"DC.Title", "3"}}),
       "dup.htm: duplicate DC.Title \"2\"\n"},
      {"nohead.htm", "<html><body>none</body></html>\n", "nohead.htm: unreadable-head\n"},
      {"nomandatory.htm", Doc({{"Robots", "NONE"}}),
       "nomandatory.htm: missing-mandatory DC.Title\n"},
      {"option.htm", Doc({{"DC.Title", "O"}, {"Robots", hostile}}),
       "option.htm: not-an-option Robots \"" + hostile + "\"\n"},
  };
  std::string expected;
  for (const Case& c : cases) {
    WriteFile(dir / ("site/" + c.file), c.content);
    if (!c.lines.empty()) expected += (dir / "site/") + c.lines;
  }

  CliRunResult r = RunCliCaptured({"--config", dir.path(), "check"});
  EXPECT_EQ(1, r.status) << r.err;
  EXPECT_EQ(expected, r.out);
  EXPECT_NE(std::string::npos, r.err.find("6 documents checked: 5 problems in 5 documents"))
      << r.err;

  // One JSON object a line, with the same content; bytes that are not UTF-8 are replaced.
  r = RunCliCaptured({"--config", dir.path(), "check", "--json"});
  EXPECT_EQ(1, r.status);
  std::istringstream lines(r.out);
  std::string line;
  std::vector<std::string> kinds;
  while (std::getline(lines, line)) {
    nlohmann::json j = nlohmann::json::parse(line);
    kinds.push_back(j.at("problem").get<std::string>());
    if (kinds.back() == "not-an-option") {
      EXPECT_EQ(dir / "site/option.htm", j.at("document"));
      EXPECT_EQ("Robots", j.at("tag"));
      EXPECT_EQ("ALL\"\\\xEF\xBF\xBD", j.at("value"));
    }
  }
  EXPECT_EQ((std::vector<std::string>{"not-a-date", "duplicate", "unreadable-head",
                                      "missing-mandatory", "not-an-option"}),
            kinds);

  // A clean branch passes; nothing was written anywhere.
  r = RunCliCaptured({"--config", dir.path(), "check", "--branch", dir / "site/clean"});
  EXPECT_EQ(0, r.status) << r.err;
  EXPECT_EQ("", r.out);
  for (const Case& c : cases)
    EXPECT_EQ(c.content, ReadFile(dir / ("site/" + c.file)));
  EXPECT_EQ(2, RunCliCaptured({"--config", dir.path(), "check", "--bogus"}).status);

  // Whether the reader may pass tags over by the schema's full names, by their first bytes, or
  // not at all, the same problems are found.
  const std::string schema = ReadFile(dir / "META.IDX");
  std::string manyNames;
  for (int i = 1; i <= 9; ++i)
    manyNames += "DC.Extra" + std::to_string(i) + "\n";
  for (const std::string& more : {manyNames, std::string("X1\n")}) {
    WriteFile(dir / "META.IDX", schema + more);
    r = RunCliCaptured({"--config", dir.path(), "check"});
    EXPECT_EQ(1, r.status) << more;
    EXPECT_EQ(expected, r.out) << more;
  }
}

}  // namespace
