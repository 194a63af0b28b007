#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "app/cli_test_run.h"
#include "platform/fs.h"
#include "schema/default_schema.h"
#include "tests/support/program_fixture.h"

using namespace testing_support;

namespace {

class CliSchemaTest : public ProgramFixture {
 protected:
  // The commands load the schema, which makes the configuration directory current; run from a
  // directory that outlives the test, and go back to it afterwards.
  void SetUp() override {
    ProgramFixture::SetUp();
    if (platform::Fs().CurrentDir(&startDir_) != 0) {
      startDir_ = std::filesystem::temp_directory_path().string();
      ASSERT_EQ(0, platform::Fs().ChangeDir(startDir_));
    }
  }
  void TearDown() override {
    platform::Fs().ChangeDir(startDir_);
    ProgramFixture::TearDown();
  }
  using Result = CliRunResult;
  Result Run(std::vector<std::string> args) { return RunCliCaptured(args); }
  static std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);)
      lines.push_back(l);
    return lines;
  }
  static bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
  }
  std::string startDir_;
  std::string conf_ = home_ / "conf";
  std::string root_ = home_ / "site";
};

TEST_F(CliSchemaTest, InitCreatesTheConfigurationThatSettingsAndSchemaThenRead) {
  std::filesystem::create_directory(root_);
  std::string cwd;
  ASSERT_EQ(0, platform::Fs().CurrentDir(&cwd));
  Result r = Run({"--config", conf_, "init", "--site", "Shop", "--root", root_, "--url",
                  "http://shop.example", "--corporate-name", "Acme Pty Ltd", "--industry",
                  "B01,Mining and quarrying"});
  ASSERT_EQ(0, r.status) << r.err;
  EXPECT_EQ("created " + conf_ + "/META.INI\ncreated " + conf_ + "/META.IDX\ncreated " + root_ +
                "/META.TAG\n",
            r.out);
  EXPECT_TRUE(platform::DirExists(conf_ + "/Audit"));
  EXPECT_TRUE(platform::DirExists(conf_ + "/MailQ"));
  EXPECT_EQ(DefaultSchemaText(), ReadFile(conf_ + "/META.IDX"));
  EXPECT_EQ(
      "<HEAD>\r\n<meta name=DC.Creator.CorporateName content=Acme Pty Ltd>\n"
      "<meta name=DC.Subject.Industry content=B01>\r\n</HEAD>\r\n",
      ReadFile(root_ + "/META.TAG"));

  r = Run({"--config", conf_, "settings"});
  ASSERT_EQ(0, r.status) << r.err;
  for (const std::string& line : std::vector<std::string>{
           "META\tCurrent Config\tShop", "META\tError Log\t" + conf_ + "/",
           "META\tHead Size\t65536", "Config:Shop\tDisplayOptions\t47",
           "MAILER\tMail Queue\t" + conf_ + "/MailQ/", "Config:Shop\tRoot Path\t" + root_ + "/",
           "Config:Shop\tSiteURL\thttp://shop.example/",
           "Config:Shop\tSitemapfile\t" + root_ + "/Sitemap.htm",
           "Config:Shop\tLog Path\t" + conf_ + "/Audit/", "Config:Shop\tSkin\tMARBLE"}) {
    EXPECT_TRUE(Has(r.out, line + "\n")) << line;
  }
  EXPECT_EQ("Shop\n", Run({"--config", conf_, "sites"}).out);

  r = Run({"--config", conf_, "schema"});
  ASSERT_EQ(0, r.status) << r.err;
  std::vector<std::string> lines = Lines(r.out);
  EXPECT_EQ(53u, lines.size());
  EXPECT_EQ("AD.Expiry Date\t4\t\t", lines.front());
  EXPECT_TRUE(Has(r.out, "\nDC.Identifier\t9\t[\tURI\n"));
  EXPECT_TRUE(Has(r.out, "\nDC.Source \t0\t\t\n"));
  EXPECT_TRUE(Has(r.out, "\nKeywords\t8\t[keywords.LST\tDefault Keywords\n"));
  EXPECT_TRUE(Has(r.out, "\nDC.Creator.Contact\t3\t\t\n"));
  // The schema command leaves the caller's directory current.
  std::string after;
  ASSERT_EQ(0, platform::Fs().CurrentDir(&after));
  EXPECT_EQ(cwd, after);
  // The new site's lower-case markup reads back.
  r = Run({"--config", conf_, "tags", root_ + "/META.TAG"});
  EXPECT_TRUE(Has(r.out, "DC.Creator.CorporateName\tAcme Pty Ltd\t")) << r.out << r.err;
}

TEST_F(CliSchemaTest, InitNeverOverwritesAConfigurationAndKeepsExistingFiles) {
  std::filesystem::create_directory(root_);
  WriteFile(conf_ + "/META.INI", "[META]\nCurrent Config=Old\n");
  Result r = Run({"--config", conf_, "init", "--site", "New", "--root", root_, "--url",
                  "http://new.example/", "--corporate-name", "A", "--industry", "B"});
  EXPECT_EQ(1, r.status);
  EXPECT_TRUE(Has(r.err, conf_ + "/META.INI already exists")) << r.err;
  EXPECT_EQ("[META]\nCurrent Config=Old\n", ReadFile(conf_ + "/META.INI"));
  EXPECT_FALSE(Exists(conf_ + "/META.IDX"));
  EXPECT_FALSE(Exists(root_ + "/META.TAG"));

  // A schema and root tags that exist already (in any case) stay as they are.
  std::string other = home_ / "other";
  WriteFile(other + "/meta.idx", "Mine,M\n");
  WriteFile(root_ + "/meta.tag", "<HEAD></HEAD>");
  r = Run({"--config", other, "init", "--site", "Shop", "--root", root_, "--url",
           "http://shop.example/", "--corporate-name", "A", "--industry", "B"});
  ASSERT_EQ(0, r.status) << r.err;
  EXPECT_EQ("created " + other + "/META.INI\nkept " + root_ + "/meta.tag\n", r.out);
  EXPECT_EQ("Mine,M\n", ReadFile(other + "/meta.idx"));
  EXPECT_FALSE(Exists(other + "/META.IDX"));
  EXPECT_EQ("<HEAD></HEAD>", ReadFile(root_ + "/meta.tag"));
  r = Run({"--config", other, "schema"});
  EXPECT_EQ("Mine\t1\t\t\n", r.out);

  // Without the two values no root tree tags are written.
  std::filesystem::remove(root_ + "/meta.tag");
  r = Run({"--config", home_ / "third", "init", "--site", "Shop", "--root", root_, "--url",
           "http://shop.example/"});
  ASSERT_EQ(0, r.status) << r.err;
  EXPECT_TRUE(Has(r.out, "no root tree tags written")) << r.out;
  EXPECT_FALSE(Exists(root_ + "/META.TAG"));
}

TEST_F(CliSchemaTest, InitRejectsBadArgumentsBeforeWritingAnything) {
  std::filesystem::create_directory(root_);
  struct Case {
    std::vector<std::string> args;
    int status;
    const char* message;
  };
  const std::string url = "http://shop.example/";
  const Case cases[] = {
      {{"--site", "S", "--root", root_}, 2, "--site, --root and --url are required"},
      {{"--site", "S", "--root", root_, "--url", url, "--colour", "x"}, 2, "unknown argument"},
      {{"--site", "S", "--root", root_, "--url"}, 2, "--url needs a value"},
      {{"--site", "S", "--root", root_, "--url", url, "--industry", "B"}, 2, "go together"},
      {{"--site", "S", "--root", root_, "--url", url, "--industry", "B", "--corporate-name", ""},
       2,
       "must not be empty"},
      {{"--site", "S", "--root", root_, "--url", "http://a"}, 2, "URL is too short"},
      {{"--site", "A]B", "--root", root_, "--url", url}, 2, "cannot hold"},
      {{"--site", "", "--root", root_, "--url", url}, 2, "site name is empty"},
      {{"--site", "S", "--root", home_ / "nowhere", "--url", url}, 1, "does not exist"},
      {{"--site", "S", "--root", "/", "--url", url}, 1, "/ is the root of the file system"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    std::vector<std::string> args{"--config", conf_, "init"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    Result r = Run(args);
    EXPECT_EQ(c.status, r.status);
    EXPECT_TRUE(Has(r.err, c.message)) << r.err;
    EXPECT_FALSE(Exists(conf_ + "/META.INI"));
    EXPECT_FALSE(Exists(conf_ + "/META.IDX"));
    EXPECT_FALSE(Exists(conf_ + "/MailQ"));
  }
}

}  // namespace
