#include <gtest/gtest.h>

#include "app/cli_test_run.h"
#include "tests/support/program_fixture.h"

using namespace testing_support;

namespace {

class CliDiagTest : public ProgramFixture {};

TEST_F(CliDiagTest, PrintsTheSummaryTheCurrentSiteAndTheVariables) {
  WriteFile(home_ / "META.INI",
            "[META]\nCurrent Config=Shop\n[Config:Shop]\nRoot Path=" + home_ / "site/" + "\n");
  const CliRunResult r = RunCliCaptured({"--config", home_.path(), "diag"});
  EXPECT_EQ(0, r.status) << r.err;
  for (const std::string& line :
       {std::string("Internal Version: 2515\n"), std::string("Plugins: 0\n"),
        std::string("Current Site : Shop\n"), "Current Path: " + home_ / "site/\n",
        std::string("\nsourceline           ")})
    EXPECT_NE(std::string::npos, r.out.find(line)) << line << r.out;
  EXPECT_EQ(2, RunCliCaptured({"--config", home_.path(), "diag", "extra"}).status);
}

}  // namespace
