#include "config/user_home.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>

#include "platform/fs.h"
#include "tests/support/temp_dir.h"

using namespace testing_support;

namespace {

std::string Real(const std::string& path) {
  std::string out;
  return platform::Fs().RealPath(path, &out) == 0 ? out : path;
}

class UserHomeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char cwd[4096];
    startDir_ = ::getcwd(cwd, sizeof cwd) ? cwd : "/";
    Save("HOME", home_.path().c_str());
    Save("XDG_DATA_HOME", (home_ / "data").c_str());
    Save("XDG_CONFIG_HOME", (home_ / "conf").c_str());
    WriteFile(shared_ / "search.tpl", "shared template");
    WriteFile(shared_ / "Industry.ST", "Retail,Shops\n");
    WriteFile(shared_ / "info/index.htm", "help");
    ASSERT_EQ(0, ::chdir(home_.path().c_str()));
  }
  void TearDown() override {
    if (::chdir(startDir_.c_str()) != 0) ADD_FAILURE() << "chdir";
    for (auto& [name, value] : saved_)
      value.second ? (void)::setenv(name.c_str(), value.first.c_str(), 1)
                   : (void)::unsetenv(name.c_str());
  }
  void Save(const char* name, const char* value) {
    const char* old = std::getenv(name);
    saved_.push_back({name, {old ? old : "", old != nullptr}});
    ::setenv(name, value, 1);
  }
  std::string Cwd() {
    std::string cwd;
    platform::Fs().CurrentDir(&cwd);
    return cwd;
  }
  TempDir home_, shared_;
  std::string startDir_;
  std::vector<std::pair<std::string, std::pair<std::string, bool>>> saved_;
};

TEST_F(UserHomeTest, DesktopStartWorksInThePreparedDataHome) {
  std::string data = home_ / "data/tagsteward";
  EXPECT_EQ(data, UserDataHome());
  EXPECT_EQ(home_ / "conf/tagsteward", UserConfigHome());

  EXPECT_EQ(data, PrepareUserHome(shared_.path()));
  EXPECT_EQ(Real(data), Cwd());
  EXPECT_TRUE(platform::DirExists(UserConfigHome()));
  EXPECT_EQ("shared template", ReadFile(data + "/search.tpl"));
  EXPECT_EQ("help", ReadFile(data + "/info/index.htm"));

  // The user's edits and deletions survive later starts.
  WriteFile(data + "/search.tpl", "my template");
  ::unlink((data + "/Industry.ST").c_str());
  ASSERT_EQ(0, ::chdir(home_.path().c_str()));
  EXPECT_EQ(data, PrepareUserHome(shared_.path()));
  EXPECT_EQ("my template", ReadFile(data + "/search.tpl"));
  EXPECT_FALSE(Exists(data + "/Industry.ST"));
}

TEST_F(UserHomeTest, DirectoryWithConfigurationServesAsItIs) {
  WriteFile(home_ / "site/meta.ini", "[META]\n");
  ASSERT_EQ(0, ::chdir((home_ / "site").c_str()));
  EXPECT_EQ("", PrepareUserHome(shared_.path()));
  EXPECT_EQ(Real(home_ / "site"), Cwd());
  EXPECT_FALSE(Exists(home_ / "data"));
}

TEST_F(UserHomeTest, RelativeXdgDirectoriesAreIgnored) {
  ::setenv("XDG_DATA_HOME", "data", 1);
  ::unsetenv("XDG_CONFIG_HOME");
  EXPECT_EQ(home_ / ".local/share/tagsteward", UserDataHome());
  EXPECT_EQ(home_ / ".config/tagsteward", UserConfigHome());
}

}  // namespace
