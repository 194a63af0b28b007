#include "ui/app_fonts.h"

#include <gtest/gtest.h>

#include <string>

#include "config/settings.h"
#include "platform/fs.h"
#include "platform/text.h"
#include "tests/support/fault_fs.h"
#include "tests/support/program_fixture.h"
#include "ui/skins.h"

using namespace platform;
using testing_support::Exists;
using testing_support::ReadFile;
using testing_support::WriteFile;

namespace {

FontDescription Chosen() {
  FontDescription f = MakeFont("DejaVu Serif", 17, 400, 0x12);
  f.italic = 1;
  f.underline = 1;
  return f;
}

std::string Record(const FontDescription& f, Colour colour) {
  unsigned char record[kFontRecordSize];
  EncodeFontRecord(f, colour, record);
  return std::string(reinterpret_cast<const char*>(record), sizeof record);
}

class AppFontsTest : public testing_support::ProgramFixture {
 protected:
  void SetUp() override {
    ProgramFixture::SetUp();
    FontMain = FontTitle = FontWorking = FontDescription{};
    ColourMain = ColourTitle = ColourWorking = 0x123456;
    SkinBitmap = Bitmap{};
  }

  static void ExpectDefaults() {
    EXPECT_EQ(MakeFont("Arial", 12, 700, kFamilySwiss), FontMain);
    EXPECT_EQ(MakeFont("Arial", 14, 700, kFamilySwiss), FontTitle);
    EXPECT_EQ(MakeFont("Arial", 12, 700, kFamilySwiss), FontWorking);
    EXPECT_EQ(0u, ColourMain);
    EXPECT_EQ(0u, ColourTitle);
    EXPECT_EQ(0u, ColourWorking);
  }
};

TEST_F(AppFontsTest, MissingShortOrDamagedFilesGiveTheDefaults) {
  LoadAppFonts();
  ExpectDefaults();

  WriteFile(home_ / "font_m.fon", Record(Chosen(), 0x00112233).substr(0, 60));
  FontDescription huge = Chosen();
  huge.height = 1000000;
  WriteFile(home_ / "font_t.fon", Record(huge, 0x00112233));
  WriteFile(home_ / "font_w.fon", "");
  LoadAppFonts();
  ExpectDefaults();

  // A file that cannot be opened reads as missing.
  WriteFile(home_ / "font_w.fon", Record(Chosen(), 0x00445566));
  testing_support::FaultPlan unreadable;
  unreadable.unreadable.insert(home_ / "font_w.fon");
  testing_support::FaultyFileSystem faulty(unreadable);
  {
    ScopedFileSystem scope(&faulty);
    LoadAppFont(&FontWorking, "font_w", &ColourWorking);
  }
  EXPECT_EQ(MakeFont("Arial", 12, 700, kFamilySwiss), FontWorking);
  LoadAppFont(&FontWorking, "font_w", &ColourWorking);
  EXPECT_EQ(Chosen(), FontWorking);
  EXPECT_EQ(0x00445566u, ColourWorking);
}

TEST_F(AppFontsTest, ChosenFontIsWrittenAndReadBack) {
  LoadAppFonts();
  ui_.ScriptChooseFont(Chosen(), Rgb(10, 20, 30));
  EXPECT_EQ(1, ChooseAppFont(nullptr, &FontTitle, "font_t", &ColourTitle));
  EXPECT_EQ(Chosen(), FontTitle);
  EXPECT_EQ(Rgb(10, 20, 30), ColourTitle);
  // The chooser started from the font in use.
  ASSERT_EQ(1u, ui_.commonDialogs().size());
  EXPECT_EQ(CommonDialogKind::kFont, ui_.commonDialogs()[0].kind);
  EXPECT_EQ("Arial", ui_.commonDialogs()[0].title);

  const std::string bytes = ReadFile(home_ / "font_t.fon");
  ASSERT_EQ(64u, bytes.size());
  EXPECT_EQ(17, bytes[0]);  // the height, little-endian
  EXPECT_EQ(std::string("\x0A\x14\x1E\x00", 4), bytes.substr(60));
  EXPECT_EQ("DejaVu Serif", std::string(bytes.c_str() + 28));
  EXPECT_EQ(std::vector<std::string>{}, testing_support::WorkFilesBelow(home_.path()));

  FontDescription again;
  Colour colour = 0;
  LoadAppFont(&again, "font_t", &colour);
  EXPECT_EQ(Chosen(), again);
  EXPECT_EQ(Rgb(10, 20, 30), colour);

  // Cancelling changes nothing.
  const FontDescription before = FontMain;
  EXPECT_EQ(0, ChooseAppFont(nullptr, &FontMain, "font_m", &ColourMain));
  EXPECT_EQ(before, FontMain);
  EXPECT_FALSE(Exists(home_ / "font_m.fon"));
}

TEST_F(AppFontsTest, FailedWriteKeepsThePreviousFileAndSaysSo) {
  const FontDescription previous = MakeFont("Liberation Sans", 15, 400, kFamilySwiss);
  WriteFile(home_ / "font_m.fon", Record(previous, 0x00ABCDEF));
  const std::string before = ReadFile(home_ / "font_m.fon");

  for (int step = 0; step < 3; ++step) {
    testing_support::FaultPlan plan;
    if (step == 0) plan.failWriteAt = 1;
    if (step == 1) plan.failRenameAt = 1;
    if (step == 2) plan.diskFullAfter = 10;
    testing_support::FaultyFileSystem faulty(plan);
    ui_.Clear();
    LoadAppFont(&FontMain, "font_m", &ColourMain);
    ui_.ScriptChooseFont(Chosen(), Rgb(1, 2, 3));
    {
      ScopedFileSystem scope(&faulty);
      EXPECT_EQ(0, ChooseAppFont(nullptr, &FontMain, "font_m", &ColourMain)) << step;
    }
    EXPECT_EQ(before, ReadFile(home_ / "font_m.fon")) << step;
    EXPECT_EQ(std::vector<std::string>{}, testing_support::WorkFilesBelow(home_.path())) << step;
    EXPECT_EQ(previous, FontMain) << step;
    EXPECT_EQ(0x00ABCDEFu, ColourMain) << step;
    EXPECT_EQ(std::vector<std::string>{home_ / "font_m.fon|Error writing font file"}, BoxLines())
        << step;
  }
}

TEST_F(AppFontsTest, FontsDialogChangesShowsAndResetsTheFonts) {
  CopyText(SkinFile, "Standard Skins");
  CopyText(Skin, "MOTTLED");
  SelectSkinModule();
  LoadSkinBitmap();
  LoadAppFonts();
  ui_.ScriptChooseFont(Chosen(), Rgb(200, 0, 0));
  ui_.ScriptChooseFont(MakeFont("Serif", 9), Rgb(0, 0, 200));
  ui_.ScriptDialog(
      "Application Fonts",
      DialogScript().Click(kIdChangeWorkingFont).Click(kIdChangeTitleFont).Click(kCommandOk));
  EXPECT_EQ(1, AppFontsDialog(nullptr));
  EXPECT_EQ(Chosen(), FontWorking);
  EXPECT_EQ(Rgb(200, 0, 0), ColourWorking);
  EXPECT_EQ(MakeFont("Serif", 9), FontTitle);
  EXPECT_TRUE(Exists(home_ / "font_w.fon"));
  EXPECT_TRUE(Exists(home_ / "font_t.fon"));
  EXPECT_FALSE(Exists(home_ / "font_m.fon"));

  // The last painting shows the samples in the new fonts over the skin's second column.
  const WindowHandle dialog = ui_.dialogs().at(0).handle;
  std::vector<const CanvasCall*> texts;
  int tiles = 0;
  for (const CanvasCall& c : ui_.canvasCalls()) {
    if (c.window != dialog) continue;
    if (c.op == CanvasCall::Op::kBitmap) {
      ++tiles;
      EXPECT_EQ((Point{80, 0}), c.source);
      EXPECT_EQ("MOTTLED", c.bitmap);
    }
    if (c.op == CanvasCall::Op::kText) texts.push_back(&c);
  }
  EXPECT_GE(tiles, 24);
  EXPECT_EQ(0, tiles % 24);
  ASSERT_GE(texts.size(), 3u);
  const CanvasCall& title = *texts[texts.size() - 2];
  const CanvasCall& working = *texts.back();
  EXPECT_EQ("The Main Font", texts[texts.size() - 3]->text);
  EXPECT_EQ((Point{20, 55}), texts[texts.size() - 3]->from);
  EXPECT_EQ("The Title Font", title.text);
  EXPECT_EQ((Point{20, 123}), title.from);
  EXPECT_EQ(MakeFont("Serif", 9), title.style.font);
  EXPECT_EQ(Rgb(0, 0, 200), title.style.colour);
  EXPECT_EQ("The Working Font", working.text);
  EXPECT_EQ((Point{20, 191}), working.from);
  EXPECT_EQ(Chosen(), working.style.font);
  EXPECT_TRUE(working.style.transparent);

  // Load Defaults removes the three files and shows the defaults.
  WriteFile(home_ / "font_m.fon", Record(Chosen(), 5));
  LoadAppFonts();
  ui_.ScriptDialog("Application Fonts",
                   DialogScript().Click(kIdLoadDefaultFonts).Click(kCommandOk));
  EXPECT_EQ(1, AppFontsDialog(nullptr));
  EXPECT_FALSE(Exists(home_ / "font_m.fon"));
  EXPECT_FALSE(Exists(home_ / "font_t.fon"));
  EXPECT_FALSE(Exists(home_ / "font_w.fon"));
  ExpectDefaults();
}

TEST_F(AppFontsTest, FontsDialogShowsThePreviousFontWhenTheWriteFails) {
  const FontDescription previous = MakeFont("Liberation Sans", 15, 400, kFamilySwiss);
  WriteFile(home_ / "font_m.fon", Record(previous, 0x00ABCDEF));
  LoadAppFonts();
  testing_support::FaultPlan plan;
  plan.failRenameAt = 1;
  testing_support::FaultyFileSystem faulty(plan);
  ScopedFileSystem scope(&faulty);
  ui_.ScriptChooseFont(Chosen(), Rgb(1, 2, 3));
  ui_.ScriptDialog("Application Fonts", DialogScript().Click(kIdChangeMainFont).Click(kCommandOk));
  EXPECT_EQ(1, AppFontsDialog(nullptr));
  EXPECT_EQ(previous, FontMain);
  EXPECT_EQ(0x00ABCDEFu, ColourMain);
  EXPECT_EQ(1u, ui_.boxes().size());
}

}  // namespace
