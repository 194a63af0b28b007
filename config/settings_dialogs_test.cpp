#include "config/settings_dialogs.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/settings.h"
#include "platform/text.h"
#include "tests/support/program_fixture.h"
#include "tree/document_selection.h"

using namespace testing_support;
using namespace platform;

namespace {

class SettingsDialogsTest : public ProgramFixture {
 protected:
  void SetUp() override {
    ProgramFixture::SetUp();
    WriteFile(home_ / "META.INI", kIni);
    ASSERT_EQ(0, ReadSettings(nullptr));
  }
  std::string Ini() const { return ReadFile(home_ / "META.INI"); }
  static constexpr const char* kIni = "[META]\nCurrent Config=Shop\n[Config:Shop]\nStrategy=1\n";
};

TEST_F(SettingsDialogsTest, BusinessRulesStoreOnlyWhatTheDialogShows) {
  struct Row {
    int permanent;
    int before;
    std::vector<int> clicks;
    int ok;
    int after;
  };
  const Row rows[] = {
      // Every bit the dialog does not show is dropped; 3 in a field shows as "ANY".
      {1, 64 + 3, {kCommandOk}, 1, 2},
      {1,
       1,
       {kIdRulesInheritedFirst + 2, kIdRulesPageFirst + 1, kIdRulesRoot, kCommandOk},
       1,
       2 + 4 + 16},
      {1, 16 + 32, {kIdRulesLocal, kIdRulesPreserve, kCommandOk}, 1, 0},
      {1, 5, {kIdRulesPageFirst, kIdRulesPreserve, kCommandCancel}, 0, 5},
      {0, 1, {kIdRulesPageFirst + 2, kIdRulesPreserve, kCommandOk}, 1, 1 + 8 + 32},
  };
  CopyText(gBranch, (home_ / "site/news").c_str());
  for (const Row& r : rows) {
    strategy = r.before;
    DialogScript script;
    for (int id : r.clicks)
      script.Click(id);
    ui_.ScriptDialog("Business Rules", script);
    EXPECT_EQ(r.ok, BusinessRulesDialog(nullptr, r.permanent)) << r.before;
    EXPECT_EQ(r.after, strategy) << r.before;

    const DialogRecord& d = ui_.dialogs().back();
    EXPECT_EQ(r.permanent ? "Edit Business Rules" : "Temporary Business Rules", d.title);
    const ControlSnapshot* branch = d.control(kIdRulesBranch);
    EXPECT_EQ(!r.permanent, branch->visible);
    EXPECT_FALSE(branch->enabled);
    EXPECT_EQ(r.permanent ? "" : home_ / "site/news", branch->text);
  }
  // The dialog itself writes nothing: temporary rules never reach the file.
  EXPECT_EQ(kIni, Ini());
}

}  // namespace
