#include "config/date_rules_dialog.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/settings.h"
#include "platform/text.h"
#include "tests/support/site_fixture.h"

using namespace testing_support;
using platform::DialogScript;
using platform::HeadlessUi;
using platform::WindowHandle;

namespace {

class DateRulesDialogTest : public SiteFixture {
 protected:
  // Every text painted on the last dialog, in order.
  std::vector<std::string> Painted() const {
    std::vector<std::string> texts;
    for (const platform::CanvasCall& c : ui_.canvasCalls())
      if (c.window == ui_.dialogs().back().handle && c.op == platform::CanvasCall::Op::kText)
        texts.push_back(c.text);
    return texts;
  }
  static std::string Rule(const DateCheckRule& r) {
    return std::string(r.tag) + "|" + std::to_string(r.days) + "|" + r.ownerTag + "|" +
           r.adminEmail;
  }
};

TEST_F(DateRulesDialogTest, ExpiryOpensWithTheRuleAndOkStoresAllFourValues) {
  const std::string review = Rule(ReviewRule);
  std::vector<std::string> atOpen;
  bool ownerEnabled = false, adminEnabled = true;
  int names = 0;
  ui_.ScriptDialog(
      "Web Management",
      DialogScript()
          .Then([&](HeadlessUi& ui, WindowHandle d) {
            for (int id : {kIdRuleDateTag, kIdRuleDays, kIdRuleOwnerTag, kIdRuleAdminEmail})
              atOpen.push_back(ui.ControlText(ui.FindControl(d, id)));
            atOpen.push_back(std::to_string(ui.CheckStateOf(ui.FindControl(d, kIdRuleOwnerBox))));
            atOpen.push_back(std::to_string(ui.CheckStateOf(ui.FindControl(d, kIdRuleAdminBox))));
            ownerEnabled = ui.IsWindowEnabled(ui.FindControl(d, kIdRuleOwnerTag));
            adminEnabled = ui.IsWindowEnabled(ui.FindControl(d, kIdRuleAdminEmail));
            names = ui.ListCount(ui.FindControl(d, kIdRuleOwnerTag));
          })
          .Type(kIdRuleAdminEmail, "refused")  // disabled while its box is unticked
          .ChooseText(kIdRuleDateTag, "AD.Review Date")
          .Type(kIdRuleDays, "12 days")  // not a number: 0
          .Click(kIdRuleAdminBox)
          .Type(kIdRuleAdminEmail, "web@example.org")
          .Click(kIdRuleOwnerBox)  // unticked: the owner tag is emptied
          .Click(platform::kCommandOk));

  EXPECT_EQ(platform::kCommandOk, WebManagementDialog(nullptr, kCmdDateRulesExpiry));

  EXPECT_EQ((std::vector<std::string>{"AD.Expiry Date", "7", "DC.Creator.Contact", "", "1", "0"}),
            atOpen);
  EXPECT_TRUE(ownerEnabled);
  EXPECT_FALSE(adminEnabled);
  EXPECT_EQ(6, names);
  EXPECT_EQ("AD.Review Date|0||web@example.org", Rule(ExpiryRule));
  EXPECT_EQ(review, Rule(ReviewRule));

  const platform::DialogRecord& d = ui_.dialogs().back();
  EXPECT_EQ("Web Management - Expired Documents", d.title);
  EXPECT_FALSE(d.control(kIdRuleOwnerTag)->enabled);
  EXPECT_TRUE(d.control(kIdRuleAdminEmail)->enabled);
  EXPECT_EQ((std::vector<std::string>{"  Specify who is to be advised when a document expires.",
                                      "  Dates must be in the format YYYYMMDD (eg 19990601)",
                                      "Select the Metatag containing the Document Expiry Date",
                                      "Email if fewer than", "days remain",
                                      "Email the document owner (One email for each document)",
                                      "Select the Metatag containing the Owner's email addr.",
                                      "Email the Web Administrator (One email lists ALL documents)",
                                      "Enter the email address of the Administrator"}),
            Painted());
}

TEST_F(DateRulesDialogTest, ReviewKeepsTheWidthsAndCancelStoresNothing) {
  const std::string longTag(40, 'T');
  const std::string longMail(70, 'm');
  ui_.ScriptDialog("Web Management", DialogScript()
                                         .Type(kIdRuleDateTag, longTag)  // free typing
                                         .Type(kIdRuleDays, " 14 ")
                                         .Type(kIdRuleOwnerTag, longMail)
                                         .Click(kIdRuleAdminBox)
                                         .Type(kIdRuleAdminEmail, longMail)
                                         .Click(platform::kCommandOk));
  EXPECT_EQ(platform::kCommandOk, WebManagementDialog(nullptr, kCmdDateRulesReview));
  EXPECT_EQ("Web Management - Documents due for Review", ui_.dialogs().back().title);
  EXPECT_EQ(longTag.substr(0, 31) + "|14|" + longMail.substr(0, 63) + "|" + longMail.substr(0, 63),
            Rule(ReviewRule));
  const std::vector<std::string> painted = Painted();
  ASSERT_GE(painted.size(), 3u);
  EXPECT_EQ("  Specify who is to be advised when documents are due for review.", painted[0]);
  EXPECT_EQ("  Dates must be in the format YYYYMMDD (eg 19990601)", painted[1]);
  EXPECT_EQ("Select the Metatag containing the Document Review Date", painted[2]);

  // Unticking and ticking again gives back an enabled but empty field; Cancel then stores
  // nothing of what was changed.
  const std::string stored = Rule(ReviewRule);
  bool enabledAgain = false;
  std::string textAgain = "?";
  ui_.ScriptDialog("Web Management", DialogScript()
                                         .Type(kIdRuleDays, "3")
                                         .Type(kIdRuleDateTag, "DC.Title")
                                         .Click(kIdRuleOwnerBox)
                                         .Click(kIdRuleOwnerBox)
                                         .Then([&](HeadlessUi& ui, WindowHandle d) {
                                           WindowHandle f = ui.FindControl(d, kIdRuleOwnerTag);
                                           enabledAgain = ui.IsWindowEnabled(f);
                                           textAgain = ui.ControlText(f);
                                         })
                                         .Click(platform::kCommandCancel));
  EXPECT_EQ(platform::kCommandCancel, WebManagementDialog(nullptr, kCmdDateRulesReview));
  EXPECT_TRUE(enabledAgain);
  EXPECT_EQ("", textAgain);
  EXPECT_EQ(stored, Rule(ReviewRule));

  // Any other command opens nothing.
  const size_t dialogs = ui_.dialogs().size();
  EXPECT_EQ(-1, WebManagementDialog(nullptr, 40039));
  EXPECT_EQ(dialogs, ui_.dialogs().size());
}

TEST(DaysFieldValue, OnlyWholeNumbersCount) {
  EXPECT_EQ(12, DaysFieldValue("12"));
  EXPECT_EQ(30, DaysFieldValue("  30 "));
  for (const char* bad : {"", " ", "1a", "a1", "-5", "+5", "3.5", "1234567890"})
    EXPECT_EQ(0, DaysFieldValue(bad)) << bad;
}

}  // namespace
