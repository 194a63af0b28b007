#include "ui/file_chooser.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/text.h"
#include "tests/support/program_fixture.h"

using namespace platform;

namespace {

class FileChooserTest : public testing_support::ProgramFixture {};

TEST_F(FileChooserTest, CancelShowsNothingAndChoosingKeepsThePath) {
  ChosenFileFlag = 1;
  EXPECT_EQ(0, ChooseProgramFile(nullptr, "Choose the web browser", nullptr));
  EXPECT_EQ(0, ChosenFileFlag);
  EXPECT_TRUE(ui_.boxes().empty());
  ASSERT_EQ(1u, ui_.commonDialogs().size());
  const CommonDialogRecord& asked = ui_.commonDialogs()[0];
  EXPECT_EQ(CommonDialogKind::kOpenFile, asked.kind);
  EXPECT_EQ("Choose the web browser", asked.title);
  EXPECT_EQ((std::vector<FileFilter>{{"Executable", "*.exe"}, {"All Files", "*.*"}}),
            asked.filters);

  ui_.ScriptOpenFile("/usr/bin/browser");
  EXPECT_EQ(1, ChooseProgramFile(nullptr, "Choose", "Scripts_*.sh_Programs_*__"));
  EXPECT_EQ(1, ChosenFileFlag);
  EXPECT_STREQ("/usr/bin/browser", ChosenFile);
  EXPECT_EQ((std::vector<FileFilter>{{"Scripts", "*.sh"}, {"Programs", "*"}}),
            ui_.commonDialogs()[1].filters);
  EXPECT_TRUE(ui_.boxes().empty());
}

TEST_F(FileChooserTest, APathTooLongForTheBufferIsRefusedNotCut) {
  const std::string longPath = "/opt/" + std::string(255, 'p');  // 260 characters
  ui_.ScriptOpenFile(longPath);
  CopyText(ChosenFile, "/usr/bin/old");
  EXPECT_EQ(0, ChooseProgramFile(nullptr, "Choose", nullptr));
  EXPECT_EQ(0, ChosenFileFlag);
  EXPECT_STREQ("/usr/bin/old", ChosenFile);
  EXPECT_EQ((std::vector<std::string>{"|BUFFER TOO SMALL"}), BoxLines());

  // 259 characters still fit.
  ui_.ScriptOpenFile(longPath.substr(1));
  EXPECT_EQ(1, ChooseProgramFile(nullptr, "Choose", nullptr));
  EXPECT_EQ(longPath.substr(1), ChosenFile);
}

TEST_F(FileChooserTest, DialogErrorTexts) {
  for (unsigned code :
       {1u, 2u, 11u, 4097u, 4107u, 8193u, 12289u, 12291u, 65535u, 12u, 4096u, 0u, 99999u})
    ShowDialogError(code, nullptr);
  EXPECT_EQ((std::vector<std::string>{"|STRUCT SIZE", "|INITIALIZATION", "|NO HOOK",
                                      "|SETUP FAILURE", "|PRINTER NOT FOUND", "|NO FONTS",
                                      "|SUBCLASS FAILURE", "|BUFFER TOO SMALL", "|DIALOG FAILURE",
                                      "|UNKNOWN ERROR", "|UNKNOWN ERROR", "|UNKNOWN ERROR"}),
            BoxLines());
  for (const BoxRecord& box : ui_.boxes())
    EXPECT_EQ(unsigned{kBoxOk}, box.style);
}

}  // namespace
