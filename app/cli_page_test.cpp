#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/cli_test_run.h"
#include "platform/fs.h"
#include "platform/paths.h"
#include "tests/support/program_fixture.h"

using namespace testing_support;

namespace {

class CliPageTest : public ProgramFixture {
 protected:
  void SetUp() override {
    ProgramFixture::SetUp();
    // Loading the schema moves into the configuration directory, which goes with the test.
    ASSERT_EQ(0, platform::Fs().CurrentDir(&cwd_));
    WriteFile(home_ / "META.INI",
              "[META]\nCurrent Config=Shop\n[Config:Shop]\nRoot Path=" + site_.path() +
                  "\nSiteURL=http://shop.example/\nAutotags=1\nLog Path=" + (home_ / "Audit/") +
                  "\n");
    WriteFile(home_ / "META.IDX", "DC.Title,M\nKeywords,A {a,b}\n");
  }
  void TearDown() override {
    platform::Fs().ChangeDir(cwd_);
    ProgramFixture::TearDown();
  }
  using Result = CliRunResult;
  Result Run(std::vector<std::string> args) {
    std::vector<std::string> all = {"--config", home_.path()};
    all.insert(all.end(), args.begin(), args.end());
    return RunCliCaptured(all);
  }
  TempDir site_;
  std::string cwd_;
};

TEST_F(CliPageTest, TagsPrintsTheTableWithEscapesAndFlags) {
  WriteFile(site_ / "shop/a.htm",
            "<html>\n<head>\n<title>Shop</title>\n"
            "<meta name=\"DC.Title\" content=\"Tabs\there, C:\\dir\">\n"
            "<meta name=\"two\nlines\" content=\"x\">\n"
            "<META NAME=\"Keywords\" CONTENT=\"b\">\n"
            "</head>\n<body></body></html>\n");
  Result r = Run({"tags", site_ / "shop/a.htm"});
  ASSERT_EQ(0, r.status) << r.err;
  EXPECT_EQ(
      "DC.Title\tTabs\\there, C:\\\\dir\t1\n"
      "two\\nlines\tx\t0\n"
      "Keywords\tb\t10\n"
      "DC.Identifier\thttp://shop.example/shop/a.htm\t0\n",
      r.out);

  // A path relative to the directory the command was started in.
  std::string cwd;
  ASSERT_EQ(0, platform::Fs().CurrentDir(&cwd));
  ASSERT_EQ(0, platform::Fs().ChangeDir(site_ / "shop"));
  r = Run({"tags", "a.htm"});
  platform::Fs().ChangeDir(cwd);
  ASSERT_EQ(0, r.status) << r.err;
  EXPECT_NE(std::string::npos, r.out.find("DC.Identifier\thttp://shop.example/shop/a.htm\t0\n"));
}

TEST_F(CliPageTest, TagsExitStatuses) {
  WriteFile(site_ / "nohead.htm", "<html><body>plain</body></html>");
  WriteFile(site_ / "open.htm", "<html><head><meta name=\"a\" content=\"b\">");
  struct Row {
    std::vector<std::string> args;
    int status;
    const char* errPart;
  } rows[] = {
      {{"tags", site_ / "nohead.htm"}, 3, ""},
      {{"tags", site_ / "open.htm"}, 1, ""},
      {{"tags", site_ / "missing.htm"}, 1, "ERROR OPENING FILE - "},
      {{"tags", site_ / "meta.tag"}, 0, ""},
      {{"tags", site_.path()}, 1, "is not a regular file"},
      {{"tags"}, 2, "tags needs one FILE"},
      {{"tags", "a", "b"}, 2, "too many arguments"},
  };
  for (const Row& row : rows) {
    Result r = Run(row.args);
    EXPECT_EQ(row.status, r.status) << row.args.back();
    EXPECT_EQ("", r.out) << row.args.back();
    EXPECT_NE(std::string::npos, r.err.find(row.errPart)) << r.err;
  }
}

// Plug-ins find the reader and the document selection in the program itself.
TEST(CliExports, ProgramExportsPluginFunctions) {
  char self[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  ASSERT_GT(n, 0);
  std::string program =
      platform::DirectoryPart(std::string(self, static_cast<size_t>(n))) + "/tagsteward-cli";
  ASSERT_TRUE(platform::FileExists(program)) << program;
  std::FILE* nm = popen(("nm -D --defined-only '" + program + "' 2>/dev/null").c_str(), "r");
  ASSERT_NE(nullptr, nm);
  std::string symbols;
  char line[512];
  while (std::fgets(line, sizeof line, nm))
    symbols += line;
  ASSERT_EQ(0, pclose(nm));
  for (const char* name : {"ExtractMetatags", "DlgOpenFile"})
    EXPECT_NE(std::string::npos, symbols.find(std::string(" T ") + name + "\n")) << name;
}

}  // namespace
