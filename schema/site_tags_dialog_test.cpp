#include "schema/site_tags_dialog.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/settings.h"
#include "platform/text.h"
#include "tests/support/program_fixture.h"

using namespace testing_support;
using platform::DialogScript;
using platform::HeadlessUi;
using platform::WindowHandle;

namespace {

class SiteTagsDialogTest : public ProgramFixture {
 protected:
  void TearDown() override {
    SetSiteTagsDialog(nullptr);
    ProgramFixture::TearDown();
  }
};

TEST_F(SiteTagsDialogTest, OkClosesOnlyWithBothValues) {
  WriteFile(home_ / "Industry.ST", "Mining,Mining and quarrying\r\nAgriculture,Farms\r\n");
  std::vector<std::string> items;
  ui_.ScriptDialog("System Wide Meta-tags",
                   DialogScript()
                       .Then([&](HeadlessUi& ui, WindowHandle d) {
                         WindowHandle list = ui.FindControl(d, kIdSiteIndustry);
                         for (int i = 0; i < ui.ListCount(list); ++i)
                           items.push_back(ui.ListItemText(list, i));
                       })
                       .Click(platform::kCommandOk)  // nothing given: refused
                       .Type(kIdSiteCorporateName, "Acme Pty Ltd")
                       .Click(platform::kCommandOk)  // no industry: refused
                       .Close()                      // there is no way out but OK
                       .ChooseText(kIdSiteIndustry, "Mining,Mining and quarrying")
                       .Click(platform::kCommandOk));
  SiteTagValues values{};
  ASSERT_EQ(1, RunSiteTagsDialog(nullptr, &values));

  EXPECT_EQ((std::vector<std::string>{"Agriculture,Farms", "Mining,Mining and quarrying"}), items);
  EXPECT_STREQ("Acme Pty Ltd", values.corporateName);
  EXPECT_STREQ("Mining,Mining and quarrying", values.industry);
  EXPECT_EQ((std::vector<std::string>{"CRITICAL ERROR!|M056:Values are required",
                                      "CRITICAL ERROR!|M056:Values are required"}),
            BoxLines());
  EXPECT_NE(std::string::npos, ReadFile(AuditFile("Errors/")).find("M056:Values are required"));

  const platform::DialogRecord& d = ui_.dialogs().back();
  EXPECT_EQ(platform::kCommandOk, d.result);
  EXPECT_EQ(
      " Enter values for the following metatags.\n These metatags  will apply to all documents "
      "in the\n document tree.",
      d.control(kIdSiteTagsText)->text);
  std::vector<std::string> painted;
  for (const platform::CanvasCall& c : ui_.canvasCalls())
    if (c.window == d.handle && c.op == platform::CanvasCall::Op::kText) painted.push_back(c.text);
  EXPECT_EQ((std::vector<std::string>{"Corporate Name", "Industry"}), painted);

  // A dialog that ends without OK (here: nobody there to answer it) gives nothing.
  SiteTagValues untouched{};
  platform::CopyText(untouched.corporateName, "kept");
  ui_.ScriptDialog("System Wide Meta-tags",
                   DialogScript().Type(kIdSiteCorporateName, "Other").Close());
  EXPECT_EQ(0, RunSiteTagsDialog(nullptr, &untouched));
  EXPECT_STREQ("kept", untouched.corporateName);
}

TEST_F(SiteTagsDialogTest, RootTagsTakeTheTypedValues) {
  // No Industry.ST: the list is empty and the industry is typed.
  SetSiteTagsDialog(RunSiteTagsDialog);
  const std::string longName(300, 'N');
  int listed = -1;
  ui_.ScriptDialog("System Wide Meta-tags",
                   DialogScript()
                       .Then([&](HeadlessUi& ui, WindowHandle d) {
                         listed = ui.ListCount(ui.FindControl(d, kIdSiteIndustry));
                       })
                       .Type(kIdSiteCorporateName, longName)
                       .Type(kIdSiteIndustry, "Retail,Shops and stores")
                       .Click(platform::kCommandOk));
  ASSERT_EQ(0, WriteRootTags(home_ / "META.TAG"));
  EXPECT_EQ(0, listed);
  EXPECT_EQ(
      "<HEAD>\r\n<meta HTTP-EQUIV=DC.Creator.CorporateName CONTENT=" + longName.substr(0, 255) +
          ">\n<meta HTTP-EQUIV=DC.Subject.Industry CONTENT=Retail>\r\n</HEAD>\r\n",
      ReadFile(home_ / "META.TAG"));
}

}  // namespace
