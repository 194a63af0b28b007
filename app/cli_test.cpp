#include "app/cli_test_run.h"

#include <gtest/gtest.h>

#include <unistd.h>
#include <cstdio>
#include <cstdlib>

#include "platform/paths.h"
#include "tests/support/program_fixture.h"

using namespace testing_support;

namespace {

class CliTest : public ProgramFixture {
 protected:
  using Result = CliRunResult;
  Result Run(std::vector<std::string> args) { return RunCliCaptured(args); }
};

TEST_F(CliTest, SettingsPrintsEveryKeyInTableOrder) {
  WriteFile(home_ / "META.INI",
            "[META]\nCurrent Config=Shop\nMax Page Tags=x\nOptions=32\n"
            "[Config:Shop]\nSiteURL=http://shop.example\nPrev2=/srv/a.htm\nEvent1=secret\n"
            "[Config:Other]\nRoot Path=/other/\n");
  Result r = Run({"--config", home_.path(), "settings"});
  ASSERT_EQ(0, r.status) << r.err;
  std::string home = platform::HomeDirectory();
  EXPECT_EQ(
      "META\tWeb Browser\tfill me!\nMETA\tEditor\txdg-open\nMETA\tCurrent Config\tShop\n"
      "META\tError Log\t" +
          home +
          "\nMETA\tSchema Space\t4096\nMETA\tMax Schema Tags\t512\n"
          "META\tMax Page Tags\t64\nMETA\tOption Space\t4096\nMETA\tShow Working\t1\n"
          "META\tShow Attributes\t0\nMETA\tShow Settings\t1\nMETA\tShow Toolbar\t0\n"
          "META\tConfirmation\t1\nMETA\tCheck Mandatory\t1\nMETA\tOptions\t32\n"
          "META\tFileMask\t*.htm*\nMETA\tHead Size\t4096\nMAILER\tSMTP\t\nMAILER\tMail Queue\t" +
          home +
          "\nMAILER\tFrom\t\nMAILER\tCredentials\t\nMAILER\tRequire TLS\t0\n"
          "MAILER\tCA File\t\nMAILER\tTimeout\t60\n"
          "Config:Shop\tRoot Path\t" +
          home +
          "\nConfig:Shop\tStrategy\t1\n"
          "Config:Shop\tAutotags\t0\nConfig:Shop\tExpiry Metatag\tAD.Expiry Date\n"
          "Config:Shop\tExpiry Days\t7\nConfig:Shop\tExpiry Owner Tag\tDC.Creator.Contact\n"
          "Config:Shop\tExpiry Admin Email\t\nConfig:Shop\tReview Metatag\tAD.Review Date\n"
          "Config:Shop\tReview Days\t7\nConfig:Shop\tReview Owner Tag\tDC.Creator.Contact\n"
          "Config:Shop\tReview Admin Email\t\nConfig:Shop\tSiteURL\thttp://shop.example/\n"
          "Config:Shop\tSitemapfile\t" +
          home +
          "SiteMap.htm\nConfig:Shop\tTitleTag\tDC.Title\n"
          "Config:Shop\tOverwriteTag\tAD.MapMe\nConfig:Shop\tDisplayOptions\t1\n"
          "Config:Shop\tSitemapOptions\t0\nConfig:Shop\tXML Sitemap\t\n"
          "Config:Shop\tCustomNameImports\t\n"
          "Config:Shop\tCustomValueImports\t\nConfig:Shop\tLog Level\t0\n"
          "Config:Shop\tLog Path\t" +
          home +
          "\nConfig:Shop\tSkinFile\tStandard Skins\n"
          "Config:Shop\tSkin\tMARBLE\nConfig:Shop\tPrev1\t\nConfig:Shop\tPrev2\t/srv/a.htm\n"
          "Config:Shop\tPrev3\t\nConfig:Shop\tPrev4\t\nConfig:Shop\tPrev5\t\n"
          "Config:Shop\tKeep Unchanged\t0\n",
      r.out);

  r = Run({"--config", home_.path(), "--site", "Other", "settings"});
  ASSERT_EQ(0, r.status) << r.err;
  EXPECT_NE(std::string::npos, r.out.find("Config:Other\tRoot Path\t/other/\n"));
  EXPECT_NE(std::string::npos, ReadFile(home_ / "META.INI").find("Current Config=Shop"));

  r = Run({"--config", home_.path(), "sites"});
  EXPECT_EQ(0, r.status);
  EXPECT_EQ("Shop\nOther\n", r.out);
}

TEST_F(CliTest, UsageAndFailureStatuses) {
  struct Row {
    std::vector<std::string> args;
    int status;
    const char* errPart;
  } rows[] = {
      {{}, 2, "no command given"},
      {{"frobnicate"}, 2, "unknown command frobnicate"},
      {{"--config"}, 2, "--config needs a value"},
      {{"--bogus", "settings"}, 2, "unknown option --bogus"},
      {{"settings", "extra"}, 2, "too many arguments"},
      {{"--config", "/no/such/dir", "settings"}, 1, "does not exist"},
      {{"--config", "@HOME@", "settings"}, 1, "META.INI was not found"},
  };
  for (Row& r : rows) {
    for (std::string& a : r.args)
      if (a == "@HOME@") a = home_.path();
    Result got = Run(r.args);
    EXPECT_EQ(r.status, got.status) << r.errPart;
    EXPECT_NE(std::string::npos, got.err.find(r.errPart)) << got.err;
    if (r.status == 2) {
      EXPECT_NE(std::string::npos, got.err.find("usage: tagsteward-cli")) << r.errPart;
    }
  }
  WriteFile(home_ / "META.INI", "[Config:A]\n");
  Result got = Run({"--config", home_.path(), "--site", "Nope", "sites"});
  EXPECT_EQ(1, got.status);
  EXPECT_NE(std::string::npos, got.err.find("there is no site \"Nope\""));
  EXPECT_EQ(0, Run({"--help"}).status);
}

}  // namespace

namespace {

TEST(CliDirectoryTest, AbsoluteConfigWorksFromARemovedDirectory) {
  testing_support::TempDir config;
  testing_support::WriteFile(config / "META.INI", "[META]\nCurrent Config=A\n[Config:A]\n");
  std::string gone;
  {
    testing_support::TempDir doomed;
    gone = doomed.path();
    ASSERT_EQ(0, ::chdir(gone.c_str()));
  }
  char* outBuf = nullptr;
  size_t outSize = 0;
  std::FILE* out = open_memstream(&outBuf, &outSize);
  std::FILE* err = std::fopen("/dev/null", "w");
  int status = RunCli({"--config", config.path(), "sites"}, out, err);
  std::fclose(out);
  std::fclose(err);
  EXPECT_EQ(0, status);
  EXPECT_STREQ("A\n", outBuf);
  std::free(outBuf);
  EXPECT_EQ(0, ::chdir("/"));
}

}  // namespace
