#include "config/sites.h"

#include <gtest/gtest.h>

#include "config/settings.h"
#include "platform/profile.h"
#include "tests/support/fault_fs.h"
#include "tests/support/program_fixture.h"

using namespace testing_support;
using namespace platform;

namespace {

class SitesTest : public ProgramFixture {
 protected:
  void SetUp() override {
    ProgramFixture::SetUp();
    for (const char* site : {"A", "B", "C"})
      WriteFile(Root(site) + "Sitemap.htm", std::string("map of ") + site);
    // A line longer than 512 bytes whose 512th byte starts what looks like a section.
    longLine_ = "Event1=" + std::string(504, 'e') + "[Config:A]tail";
    ini_ = "[META]\r\nCurrent Config=A\r\n" + Section("A") + Section("B") + longLine_ + "\r\n" +
           Section("C");
    WriteFile(Ini(), ini_);
    Load();
  }
  std::string Root(const std::string& site) const { return home_ / ("root" + site + "/"); }
  std::string Section(const std::string& site) const {
    return "[Config:" + site + "]\r\nRoot Path=" + Root(site) + "\r\nSitemapfile=" + Root(site) +
           "Sitemap.htm\r\nStrategy=17\r\n";
  }
  std::string Ini() const { return home_ / "META.INI"; }
  void Load() {
    ReadSiteList(nullptr);
    ReadSettings(nullptr);
  }
  std::vector<std::string> Sections() const {
    ProfileDocument doc;
    doc.Load(Ini());
    return doc.SectionNames();
  }
  std::string longLine_;
  std::string ini_;
};

TEST_F(SitesTest, RemoveSiteKeepsEverythingElseAndMovesTheCurrentSite) {
  struct Case {
    const char* remove;
    int answer;  // 0: no answer, the default button
    int result;
    const char* current;
    std::vector<std::string> sections;
  } cases[] = {
      {"C", 0, 1, "A", {"META", "Config:A", "Config:B", "Config:C"}},
      {"A", kAnswerYes, 0, "B", {"META", "Config:B", "Config:C"}},
      {"C", kAnswerYes, 0, "B", {"META", "Config:B"}},
      {"B", kAnswerYes, 1, "B", {"META", "Config:B"}},  // the last site
  };
  std::string before = ini_;
  for (const Case& c : cases) {
    ui_.Clear();
    if (c.answer) ui_.Script("Confirm", c.answer);
    EXPECT_EQ(c.result, RemoveSite(nullptr, c.remove)) << c.remove;
    EXPECT_STREQ(c.current, CurrentConfig);
    EXPECT_EQ(c.sections, Sections());
    if (c.result == 0) {
      EXPECT_EQ(before, ReadFile(home_ / "METABACK.INI"));
    }
    before = ReadFile(Ini());
  }
  EXPECT_EQ(Root("B"), RootPath);  // the settings of the new current site were read
  EXPECT_NE(std::string::npos, ReadFile(Ini()).find(longLine_ + "\r\n"));
  EXPECT_EQ("CRITICAL ERROR!|M028:There is only one Site left! It cannot be  deleted.",
            BoxLines().back());
}

TEST_F(SitesTest, RemovalFaultsLeaveMetaIniIntact) {
  const std::string expected =
      "[META]\r\nCurrent Config=A\r\n" + Section("A") + Section("B") + longLine_ + "\r\n";
  struct Kind {
    const char* name;
    int FaultPlan::*at;
    int FaultCounts::*count;
  } kinds[] = {{"open", &FaultPlan::failOpenAt, &FaultCounts::opens},
               {"read", &FaultPlan::failReadAt, &FaultCounts::reads},
               {"write", &FaultPlan::failWriteAt, &FaultCounts::writes},
               {"sync", &FaultPlan::failSyncAt, &FaultCounts::syncs},
               {"rename", &FaultPlan::failRenameAt, &FaultCounts::renames}};
  for (const Kind& kind : kinds) {
    for (int n = 1;; ++n) {
      WriteFile(Ini(), ini_);
      ui_.Clear();
      FaultPlan plan;
      plan.*kind.at = n;
      FaultyFileSystem fs(plan);
      int rc;
      {
        ScopedFileSystem scoped(&fs);
        rc = RemoveSiteSection("C");
      }
      SCOPED_TRACE(std::string(kind.name) + " " + std::to_string(n));
      EXPECT_TRUE(WorkFilesBelow(home_.path()).empty());
      if (fs.counts().*kind.count < n) {  // every call passed: the removal is done
        EXPECT_EQ(0, rc);
        EXPECT_EQ(expected, ReadFile(Ini()));
        break;
      }
      EXPECT_EQ(-1, rc);
      EXPECT_EQ(ini_, ReadFile(Ini()));
      EXPECT_EQ("CRITICAL ERROR!|M023:Error updating META.INI with new sites", BoxLines().back());
    }
  }
}

TEST_F(SitesTest, MovedSitemapIsMovedDeletedOrLeftAsAnswered) {
  struct Case {
    int answer;  // 0: no answer, the default button
    std::string target;
    int result;
    bool oldKept, newWritten;
  } cases[] = {
      {kAnswerYes, Root("A") + "moved.htm", 0, false, true},
      {kAnswerNo, Root("A") + "fresh.htm", 0, false, false},
      {0, Root("A") + "left.htm", 0, true, false},
      {kAnswerYes, home_ / "nowhere/Sitemap.htm", -2, true, false},  // the move fails
  };
  for (const Case& c : cases) {
    ui_.Clear();
    std::string old = Sitemapfile;
    WriteFile(old, "my sitemap");
    if (c.answer) ui_.Script("Changing the Site map", c.answer);
    SiteIdentity site{"A", RootPath, SiteURL, c.target, TitleTag, OverwriteTag};
    EXPECT_EQ(c.result, StoreSiteIdentity(nullptr, "A", site)) << c.target;
    EXPECT_EQ(c.oldKept, Exists(old)) << c.target;
    EXPECT_EQ(c.newWritten ? "my sitemap" : "<missing>", ReadFile(c.target));
    EXPECT_EQ(c.target, Sitemapfile);
    EXPECT_EQ(kBoxDefaultButton3, ui_.boxes()[0].style & kBoxDefaultMask);
  }
}

TEST_F(SitesTest, SitesDialogAddThenCancelAndEnterOnASite) {
  ui_.ScriptDialog("Sites", DialogScript().Click(kSitesAdd).Click(kSitesDone));
  EXPECT_EQ(1, SitesDialog(nullptr));
  EXPECT_STREQ("A", CurrentConfig);
  EXPECT_EQ(3, ConfigCount);
  EXPECT_EQ("", ui_.dialogs()[0].control(kSiteRoot)->text);  // no root proposed for a new site

  ui_.ScriptDialog("Sites",
                   DialogScript().Choose(kSitesList, 2).Then([](HeadlessUi& ui, WindowHandle d) {
                     ui.SendMessage(d, kMsgCommand, MakeWParam(kCommandOk, kNotifyClicked), 0);
                   }));
  EXPECT_EQ(1, SitesDialog(nullptr));
  EXPECT_STREQ("C", CurrentConfig);
  EXPECT_EQ(Root("C"), RootPath);
  EXPECT_NE(std::string::npos, ReadFile(Ini()).find("Current Config=C\r\n"));
}

}  // namespace
