#include "config/settings.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstring>
#include <string>

#include "platform/paths.h"
#include "platform/text.h"
#include "plugins/context.h"
#include "tests/support/fault_fs.h"
#include "tests/support/program_fixture.h"

using namespace testing_support;

namespace {

class SettingsTest : public ProgramFixture {
 protected:
  int Read() {
    ReadEarlySettings();
    return ReadSettings(nullptr);
  }
};

TEST_F(SettingsTest, MissingKeysDefaultsOverlongTruncatedBadIntegersAndSlash) {
  WriteFile(home_ / "META.INI",
            "[META]\n"
            "Current Config=Shop\n"
            "Max Page Tags=lots\n"
            "Schema Space=8192 bytes\n"
            "FileMask=" +
                std::string(100, 'm') +
                "\n"
                "[Config:Shop]\n"
                "SiteURL=http://shop.example\n"
                "Skin=" +
                std::string(40, 'S') +
                "\n"
                "Expiry Metatag=" +
                std::string(50, 'E') +
                "\n"
                "Prev1=" +
                std::string(300, 'p') +
                "\n"
                "Strategy=-3\n");
  ASSERT_EQ(0, Read());
  EXPECT_STREQ("Shop", CurrentConfig);
  EXPECT_EQ(64, MaxPageTags);    // not a number: the default
  EXPECT_EQ(8192, SchemaBytes);  // leading digits
  EXPECT_EQ(-3, strategy);
  EXPECT_EQ(std::string(63, 'm'), maskstring);
  EXPECT_EQ(std::string(15, 'S'), Skin);
  EXPECT_EQ(std::string(31, 'E'), ExpiryRule.tag);
  EXPECT_EQ(std::string(255, 'p'), PrevFiles[0]);
  EXPECT_STREQ("http://shop.example/", SiteURL);
  EXPECT_STREQ("fill me!", WebBrowser);
  EXPECT_EQ(platform::HomeDirectory(), RootPath);
  EXPECT_EQ(platform::HomeDirectory() + "SiteMap.htm", Sitemapfile);
  EXPECT_STREQ("AD.MapMe", OverwriteTag);
  EXPECT_EQ(7, ReviewRule.days);
  EXPECT_STREQ("DC.Creator.Contact", ReviewRule.ownerTag);
  EXPECT_EQ(1u, gPluginContext.confirmation);
}

TEST_F(SettingsTest, SiteUrlEndsWithOneSlash) {
  struct Row {
    const char* in;
    std::string out;
  } rows[] = {{"http://a/b", "http://a/b/"},
              {"http://a/", "http://a/"},
              {nullptr, "http://"},
              {"", "/"},
              {nullptr, ""}};
  rows[4].out = std::string(254, 'u') + "/";
  std::string longUrl(300, 'u');
  for (const Row& r : rows) {
    std::string ini = "[META]\nCurrent Config=S\n[Config:S]\n";
    if (r.in) ini += std::string("SiteURL=") + r.in + "\n";
    if (&r == &rows[4]) ini += "SiteURL=" + longUrl + "\n";
    WriteFile(home_ / "META.INI", ini);
    ASSERT_EQ(0, Read());
    EXPECT_EQ(r.out, SiteURL);
  }
}

TEST_F(SettingsTest, DisplayOptionsDecode) {
  DecodeDisplayOptions(1);
  EXPECT_EQ(1, QuoteTags);
  EXPECT_STREQ("HTTP-EQUIV=", MTname);
  EXPECT_STREQ("CONTENT=", MTvalue);
  EXPECT_STREQ("SCHEME=", MTscheme);
  EXPECT_STREQ(",", MTsepS);
  DecodeDisplayOptions(0x1AB);
  EXPECT_EQ(1, QuoteTags);
  EXPECT_STREQ("http-equiv=", MTname);
  EXPECT_STREQ("content=", MTvalue);
  EXPECT_STREQ("scheme=", MTscheme);
  EXPECT_STREQ(";", MTsepS);
  DecodeDisplayOptions(4 | (3 << 3) | (2 << 5) | (2 << 7));
  EXPECT_EQ(0, QuoteTags);
  EXPECT_STREQ("NAME=", MTname);
  EXPECT_STREQ("value=", MTvalue);
  EXPECT_STREQ("SCHEME=", MTscheme);
  EXPECT_STREQ(",", MTsepS);
}

TEST_F(SettingsTest, WriterOrderOptionsOnlyWhenSetAndNeverMailer) {
  WriteFile(home_ / "META.INI",
            "; mine\n[META]\nCurrent Config=S\n[MAILER]\nSMTP=old.example\n"
            "[Config:S]\nEvent1=kept\n");
  ASSERT_EQ(0, Read());
  platform::CopyText(SMTPaddrtemp, "new.example");
  ASSERT_EQ(0, WriteSettings());
  std::string home = platform::HomeDirectory();
  EXPECT_EQ(
      "; mine\n[META]\nCurrent Config=S\n"
      "Web Browser=fill me!\nEditor=xdg-open\nError Log=" +
          home +
          "\n"
          "Schema Space=4096\nMax Schema Tags=512\nMax Page Tags=64\nOption Space=4096\n"
          "Show Working=1\nShow Attributes=0\nShow Settings=1\nShow Toolbar=0\n"
          "Confirmation=1\nCheck Mandatory=1\nFileMask=*.htm*\n"
          "[MAILER]\nSMTP=old.example\n"
          "[Config:S]\nEvent1=kept\n"
          "Root Path=" +
          home +
          "\nStrategy=1\nAutotags=0\n"
          "Expiry Metatag=AD.Expiry Date\nExpiry Days=7\nExpiry Owner Tag=DC.Creator.Contact\n"
          "Expiry Admin Email=\nReview Metatag=AD.Review Date\nReview Days=7\n"
          "Review Owner Tag=DC.Creator.Contact\nReview Admin Email=\nSiteURL=http://\n"
          "Sitemapfile=" +
          home +
          "SiteMap.htm\nTitleTag=DC.Title\nOverwriteTag=AD.MapMe\n"
          "DisplayOptions=1\nSitemapOptions=0\nXML "
          "Sitemap=\nCustomNameImports=\nCustomValueImports=\n"
          "Log Level=0\nLog Path=" +
          home +
          "\nSkinFile=Standard Skins\nSkin=MARBLE\n"
          "Prev1=\nPrev2=\nPrev3=\nPrev4=\nPrev5=\nKeep Unchanged=0\n",
      ReadFile(home_ / "META.INI"));
  // "Options" = 0 in the file: the next write neither removes nor adds it.
  WriteFile(home_ / "META.INI", "[META]\nOptions=0\n");
  ASSERT_EQ(0, WriteSettings());
  std::string text = ReadFile(home_ / "META.INI");
  EXPECT_EQ(text.find("\nOptions="), text.rfind("\nOptions="));
  EXPECT_NE(std::string::npos, text.find("\nOptions=0\n"));
  AppOptions = 160;
  ASSERT_EQ(0, WriteSettings());
  EXPECT_NE(std::string::npos, ReadFile(home_ / "META.INI").find("\nOptions=160\n"));
}

TEST_F(SettingsTest, SiteOverrideIsUsedButNeverWritten) {
  WriteFile(home_ / "META.INI",
            "[META]\nCurrent Config=A\n[Config:A]\nRoot Path=/a/\n[Config:B]\nRoot Path=/b/\n");
  SetSiteOverride("B");
  ASSERT_EQ(0, Read());
  EXPECT_STREQ("B", CurrentConfig);
  EXPECT_STREQ("/b/", RootPath);
  ASSERT_EQ(0, WriteSettings());
  SetSiteOverride("");
  ASSERT_EQ(0, Read());
  EXPECT_STREQ("A", CurrentConfig);
}

TEST_F(SettingsTest, MissingFileRunsTheFirstRunHook) {
  EXPECT_EQ(-1, Read());
  ASSERT_EQ(1u, ui_.boxes().size());
  EXPECT_EQ("TAGSTEWARD STARTUP", ui_.boxes()[0].caption);
  EXPECT_NE(std::string::npos, ui_.boxes()[0].text.find(home_.path()));
  SetFirstRunHook([](platform::WindowHandle) { return -2; });
  EXPECT_EQ(-2, Read());
  SetFirstRunHook(nullptr);
  EXPECT_STREQ("Name me!", CurrentConfig);
}

TEST_F(SettingsTest, SiteListInFileOrderAtMost31AndNameSpace) {
  std::string ini = "[META]\n";
  for (int i = 1; i <= 35; ++i)
    ini += platform::Format("[Config:Site %02d]\nRoot Path=/\n", i);
  ini += "[Config:broken\n";
  WriteFile(home_ / "meta.ini", ini);  // found whatever its case
  ASSERT_EQ(0, ReadSiteList(nullptr));
  ASSERT_EQ(31, ConfigCount);
  EXPECT_STREQ("Site 01", ConfigIdx[0]);
  EXPECT_STREQ("Site 31", ConfigIdx[30]);

  ini = "";
  const std::string longName(500, 'n');
  for (int i = 0; i < 5; ++i)
    ini += "[Config:" + longName + std::to_string(i) + "]\n";
  WriteFile(home_ / "meta.ini", ini);
  ASSERT_EQ(0, ReadSiteList(nullptr));
  EXPECT_EQ(4, ConfigCount);  // the fifth does not fit in 2048 bytes
  EXPECT_EQ(longName + "3", ConfigIdx[3]);
  EXPECT_EQ((std::vector<std::string>{
                "CRITICAL ERROR!|M004:Out of Site name space!  - Use shorter names or contact "
                "ZELVANE"}),
            BoxLines());
}

TEST_F(SettingsTest, SingleKeyWritesTouchOnlyTheirKeys) {
  WriteFile(home_ / "META.INI", "[META]\r\nCurrent Config=A\r\nEditor=vi\r\n");
  platform::CopyText(CurrentConfig, "B");
  AppOptions = 4;
  platform::CopyText(maskstring, "*.htm;*.php");
  platform::CopyText(SMTPaddrtemp, "smtp.example");
  platform::CopyText(MailQueue, "/q/");
  ASSERT_EQ(0, WriteCurrentConfig());
  ASSERT_EQ(0, WriteAdvancedOptions());
  ASSERT_EQ(0, WriteMailerSettings());
  EXPECT_EQ(
      "[META]\r\nCurrent Config=B\r\nEditor=vi\r\nOptions=4\r\nFileMask=*.htm;*.php\r\n"
      "[MAILER]\r\nSMTP=smtp.example\r\nMail Queue=/q/\r\n",
      ReadFile(home_ / "META.INI"));
}

TEST_F(SettingsTest, UnreadableOrUnwritableFileIsNeverReplaced) {
  const std::string original = "[META]\nCurrent Config=A\n";
  WriteFile(home_ / "META.INI", original);
  {
    FaultPlan plan;
    plan.unreadable.insert(home_ / "META.INI");
    FaultyFileSystem faulty(plan);
    platform::ScopedFileSystem scoped(&faulty);
    EXPECT_EQ(-1, WriteSettings());
  }
  {
    FaultPlan plan;
    plan.failRenameAt = 1;
    FaultyFileSystem faulty(plan);
    platform::ScopedFileSystem scoped(&faulty);
    EXPECT_EQ(-1, WriteSettings());
  }
  EXPECT_EQ(original, ReadFile(home_ / "META.INI"));
  ASSERT_EQ(2u, ui_.boxes().size());
  EXPECT_EQ("Error reading configuration file - " + (home_ / "META.INI"), ui_.boxes()[0].caption);
  EXPECT_EQ("Error writing configuration file - " + (home_ / "META.INI"), ui_.boxes()[1].caption);
}

TEST_F(SettingsTest, TooLongPathsAreHeldEmptyAndKeptInTheFile) {
  const std::string dir = "/srv/" + std::string(300, 'd') + "/";
  WriteFile(home_ / "META.INI",
            "[META]\nHead Size=65536\nError Log=" + dir + "\n[MAILER]\nMail Queue=" + dir +
                "\n[Config:Name me!]\nRoot Path=" + dir + "\nSitemapfile=" + dir +
                "\nLog Path=" + dir + "\nTitleTag=" + dir + "\n");
  ASSERT_EQ(0, ReadSettings(nullptr));
  for (const char* path : {ErrorLogPath, MailQueue, RootPath, Sitemapfile, LogPath})
    EXPECT_STREQ("", path);
  EXPECT_EQ(dir.substr(0, 255), TitleTag);  // not a path: cut as always
  EXPECT_EQ(65536, HeadSizeBytes());
  EXPECT_EQ(-1, CheckPathSetting(nullptr, KeySection::Mailer, "Mail Queue"));
  EXPECT_EQ(std::vector<std::string>{"NOTE|The setting \"Mail Queue\" of section [MAILER] in "
                                     "META.INI is 306 bytes long, but at most 255 fit. A "
                                     "shortened path would name another file or directory, so "
                                     "nothing was done.\nSet a shorter path for \"Mail Queue\"."},
            BoxLines());

  // The file keeps what the user wrote until a new value is set.
  platform::CopyText(LogPath, home_ / "Audit/");
  ASSERT_EQ(0, WriteSettings());
  EXPECT_NE(std::string::npos, ReadFile(home_ / "META.INI").find("Root Path=" + dir + "\n"));
  EXPECT_NE(std::string::npos, ReadFile(home_ / "META.INI").find("Log Path=" + home_ / "Audit/\n"));
  EXPECT_EQ(0, CheckPathSetting(nullptr, KeySection::Site, "Log Path"));
}

}  // namespace

namespace {

// A write of META.INI killed half-way leaves its work file; the next start removes it, and only
// it: a live writer's work file and the user's files stay.
TEST_F(SettingsTest, ReadingRemovesAKilledWritersWorkFiles) {
  WriteFile(home_ / "META.INI", "[META]\nCurrent Config=Shop\n");
  const std::string dead = ".tsw.999999999.1.0123abcd~";  // beyond any pid the kernel gives
  const std::string live = ".tsw." + std::to_string(::getppid()) + ".1.0123abcd~";
  for (const std::string& name : {dead, live, std::string("temp.dat")})
    WriteFile(home_ / name, "x");
  EXPECT_EQ(0, Read());
  EXPECT_FALSE(Exists(home_ / dead));
  EXPECT_TRUE(Exists(home_ / live));
  EXPECT_TRUE(Exists(home_ / "temp.dat"));
}

}  // namespace
