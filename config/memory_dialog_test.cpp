#include "config/memory_dialog.h"

#include <gtest/gtest.h>

#include <string>

#include "config/settings.h"
#include "config/startup.h"
#include "engine/page_tags.h"
#include "platform/profile.h"
#include "schema/schema.h"
#include "tests/support/program_fixture.h"

using namespace testing_support;
using namespace platform;

namespace {

class MemoryDialogTest : public ProgramFixture {
 protected:
  void SetUp() override {
    ProgramFixture::SetUp();
    WriteFile(home_ / "META.INI", "[META]\nCurrent Config=Shop\n[Config:Shop]\n");
    ASSERT_EQ(1, ReserveTables());
    ASSERT_EQ(0, LoadSchema());
  }
  void TearDown() override {
    ReleaseTables();
    ProgramFixture::TearDown();
  }
  std::string Stored(const char* key) {
    ProfileDocument doc;
    std::string value = "<none>";
    if (doc.Load(home_ / "META.INI") == 0) doc.Get("META", key, &value);
    return value;
  }
  std::vector<std::string> Codes() const {
    std::vector<std::string> codes;
    for (const BoxRecord& b : ui_.boxes())
      codes.push_back(b.text.substr(0, 4));
    return codes;
  }
};

TEST_F(MemoryDialogTest, FieldsShowTheSizesAndNewSizesTakeEffectAtOnce) {
  std::vector<std::string> shown;
  ui_.ScriptDialog(
      "Memory Management",
      DialogScript()
          .Then([&](HeadlessUi&, WindowHandle d) {
            for (int id : {kMemSchemaBytes, kMemSchemaTags, kMemPageTags, kMemOptionBytes})
              shown.push_back(ControlText(d, id));
          })
          .Type(kMemSchemaBytes, "8192 bytes")  // leading digits
          .Type(kMemPageTags, "128")
          .Type(kMemOptionBytes, "  5000")
          .Click(kCommandOk));
  EXPECT_EQ(1, ChangeMemorySizes(nullptr));
  EXPECT_EQ((std::vector<std::string>{"4096", "512", "64", "4096"}), shown);
  EXPECT_EQ(1, memchangeflag);
  EXPECT_EQ(8192, SchemaBytes);
  EXPECT_EQ(5000, OptionBytes);
  EXPECT_EQ(127, PageTagCapacity());  // 128 records, one the staging slot
  EXPECT_EQ(53, SchemaTagCount);      // the schema was loaded again
  EXPECT_EQ("128", Stored("Max Page Tags"));
  EXPECT_EQ("8192", Stored("Schema Space"));
  EXPECT_TRUE(ui_.boxes().empty());
}

TEST_F(MemoryDialogTest, CancelLeavesTheTablesUntouched) {
  TagRecord* table = PageTags;
  ui_.ScriptDialog("Memory Management",
                   DialogScript().Type(kMemPageTags, "128").Click(kCommandCancel));
  EXPECT_EQ(0, ChangeMemorySizes(nullptr));
  EXPECT_EQ(0, memchangeflag);
  EXPECT_EQ(64, MaxPageTags);
  EXPECT_EQ(table, PageTags);
  EXPECT_EQ("<none>", Stored("Max Page Tags"));
}

TEST_F(MemoryDialogTest, FailedSizesComeBackUntilNewOnesWork) {
  ui_.ScriptDialog("Memory Management", DialogScript().Type(kMemPageTags, "0").Click(kCommandOk));
  ui_.ScriptDialog("Memory Management", DialogScript().Type(kMemPageTags, "100").Click(kCommandOk));
  EXPECT_EQ(1, ChangeMemorySizes(nullptr));
  EXPECT_EQ((std::vector<std::string>{"M026"}), Codes());
  EXPECT_EQ(99, PageTagCapacity());
  EXPECT_EQ(53, SchemaTagCount);
  EXPECT_EQ("100", Stored("Max Page Tags"));
}

TEST_F(MemoryDialogTest, GivingUpRestoresThePreviousSizesAndTheirTables) {
  // Cancel after a failure.
  ui_.ScriptDialog("Memory Management", DialogScript().Type(kMemPageTags, "0").Click(kCommandOk));
  ui_.ScriptDialog("Memory Management", DialogScript().Click(kCommandCancel));
  EXPECT_EQ(0, ChangeMemorySizes(nullptr));
  EXPECT_EQ((std::vector<std::string>{"M026"}), Codes());
  EXPECT_EQ(64, MaxPageTags);
  EXPECT_EQ(63, PageTagCapacity());
  EXPECT_NE(nullptr, SchemaIndex);
  EXPECT_EQ(53, SchemaTagCount);
  EXPECT_EQ("<none>", Stored("Max Page Tags"));

  // OK on the sizes that just failed: 15 characters of zeros, then a text that is no number.
  ui_.Clear();
  std::string shownAgain;
  ui_.ScriptDialog("Memory Management",
                   DialogScript().Type(kMemSchemaTags, "000000000000000600").Click(kCommandOk));
  ui_.ScriptDialog("Memory Management", DialogScript()
                                            .Then([&](HeadlessUi&, WindowHandle d) {
                                              shownAgain = ControlText(d, kMemSchemaTags);
                                            })
                                            .Type(kMemSchemaTags, "lots")
                                            .Click(kCommandOk));
  EXPECT_EQ(0, ChangeMemorySizes(nullptr));
  EXPECT_EQ("0", shownAgain);
  EXPECT_EQ((std::vector<std::string>{"M025"}), Codes());
  EXPECT_EQ(512, MaxSchemaTags);
  EXPECT_NE(nullptr, PageTags);
  EXPECT_EQ(53, SchemaTagCount);
  EXPECT_EQ("<none>", Stored("Max Schema Tags"));
}

}  // namespace
