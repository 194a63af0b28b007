#include "ui/skins.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "config/settings.h"
#include "platform/text.h"
#include "tests/support/program_fixture.h"
#include "ui/app_fonts.h"
#include "ui/resources.h"

using namespace platform;

namespace {

// A canvas that keeps the bitmaps drawn on it.
class BitmapCanvas : public Canvas {
 public:
  struct Drawn {
    std::string name;
    Rect dest;
    Point source;
    RasterOp op;
  };
  std::vector<Drawn> drawn;
  Rect area() const override { return Rect{0, 0, 640, 480}; }
  void FillRect(const Rect&, Colour) override {}
  void FrameRect(const Rect&, Colour, int) override {}
  void Line(Point, Point, Colour, int) override {}
  void Text(Point, std::string_view, const TextStyle&) override {}
  void TextInRect(const Rect&, std::string_view, const TextStyle&) override {}
  void DrawBitmap(const Bitmap& b, const Rect& dest, Point source, RasterOp op) override {
    drawn.push_back({b.name, dest, source, op});
  }
  void DrawIcon(Point, StockIcon) override {}
};

class SkinsTest : public testing_support::ProgramFixture {
 protected:
  void SetUp() override {
    ProgramFixture::SetUp();
    SkinModule = nullptr;
    SkinBitmap = Bitmap{};
    SkinNames = SkinNameList{};
  }

  // Puts a skin library of the build beside the program, as name.
  void InstallLibrary(const char* built, const std::string& name) {
    const char* dir = std::getenv("TS_TEST_BIN_DIR");
    ASSERT_NE(nullptr, dir) << "TS_TEST_BIN_DIR is not set";
    const std::string bytes = testing_support::ReadFile(std::string(dir) + "/" + built);
    ASSERT_NE("<missing>", bytes) << built << " was not built";
    testing_support::WriteFile(home_ / name, bytes);
  }

  void UseSkins(const char* file, const char* skin) {
    CopyText(SkinFile, file);
    CopyText(Skin, skin);
    SelectSkinModule();
    LoadSkinBitmap();
  }

  std::vector<std::string> ListedNames() const {
    std::vector<std::string> names;
    for (int i = 0; i < SkinNames.count; ++i)
      names.emplace_back(SkinNames.names[i]);
    return names;
  }

  std::vector<const CanvasCall*> CallsOf(WindowHandle window) const {
    std::vector<const CanvasCall*> calls;
    for (const CanvasCall& c : ui_.canvasCalls())
      if (c.window == window) calls.push_back(&c);
    return calls;
  }

  static std::vector<std::string> RadioLabels(const DialogRecord& d) {
    std::vector<std::string> labels;
    for (int id = kIdSkinRadioFirst; id <= kIdSkinRadioLast; ++id)
      labels.push_back(d.control(id)->text);
    return labels;
  }
};

const std::vector<std::string> kOwnNames = {"MARBLE", "PLAIN", "GRITTY", "MOTTLED", "STRIPED"};
const std::vector<std::string> kOwnLabels = {"Marble", "Plain", "Gritty", "Mottled", "Striped"};

TEST_F(SkinsTest, PaintSkinTilesTheChosenColumnUnlessSkinsAreDisabled) {
  UseSkins("Standard Skins", "GRITTY");
  ASSERT_EQ("GRITTY", SkinBitmap.name);
  ASSERT_EQ(400, SkinBitmap.width);

  BitmapCanvas main;
  PaintSkin(main, 8, 6, 0);
  ASSERT_EQ(48u, main.drawn.size());
  for (int r = 0, i = 0; r < 6; ++r) {
    for (int c = 0; c < 8; ++c, ++i) {
      EXPECT_EQ(RectAt(80 * c, 80 * r, 80, 80), main.drawn[i].dest);
      EXPECT_EQ((Point{0, 0}), main.drawn[i].source);
      EXPECT_EQ(RasterOp::kCopy, main.drawn[i].op);
      EXPECT_EQ("GRITTY", main.drawn[i].name);
    }
  }
  BitmapCanvas about;
  PaintSkin(about, 6, 3, 240);
  ASSERT_EQ(18u, about.drawn.size());
  EXPECT_EQ(RectAt(400, 160, 80, 80), about.drawn.back().dest);
  EXPECT_EQ((Point{240, 0}), about.drawn.back().source);

  // A column the bitmap does not have draws nothing rather than reading past it.
  BitmapCanvas outside;
  PaintSkin(outside, 2, 2, 360);
  EXPECT_TRUE(outside.drawn.empty());

  AppOptions |= kOptNoSkins;
  BitmapCanvas disabled;
  PaintSkin(disabled, 8, 6, 0);
  EXPECT_TRUE(disabled.drawn.empty());
  AppOptions &= ~kOptNoSkins;

  // A skin the module does not have: a plain background.
  UseSkins("Standard Skins", "GRANITE");
  EXPECT_TRUE(SkinBitmap.empty());
  BitmapCanvas plain;
  PaintSkin(plain, 8, 6, 0);
  EXPECT_TRUE(plain.drawn.empty());
  // Only the five skins are backgrounds, not the program's other named pictures.
  UseSkins("Standard Skins", "SMALL");
  EXPECT_TRUE(SkinBitmap.empty());
  // Names are found whatever their case, as resource names are.
  UseSkins("Standard Skins", "striped");
  EXPECT_EQ("STRIPED", SkinBitmap.name);
}

TEST_F(SkinsTest, NamesAndLabels) {
  CopyText(SkinFile, "Standard Skins");
  EXPECT_EQ(5, ListSkinNames());
  EXPECT_EQ(nullptr, SkinModule);
  EXPECT_EQ(kOwnNames, ListedNames());
  EXPECT_EQ("Marble", SkinLabel("MARBLE"));
  EXPECT_EQ("Marble", SkinLabel("mArBlE"));
  EXPECT_EQ("Dusk", SkinLabel("dusk"));
  EXPECT_EQ("X", SkinLabel("x"));
  EXPECT_EQ("", SkinLabel(""));
  EXPECT_EQ("\xC9t\xC9", SkinLabel("\xC9T\xC9"));  // bytes beyond ASCII are left alone
}

TEST_F(SkinsTest, ExampleLibraryGivesItsSkinsInItsOrder) {
  InstallLibrary("Example.SKN", "Example.SKN");
  UseSkins("Example.SKN", "harbour");
  ASSERT_NE(nullptr, SkinModule);
  EXPECT_EQ("HARBOUR", SkinBitmap.name);
  EXPECT_EQ(400, SkinBitmap.width);
  EXPECT_EQ(80, SkinBitmap.height);
  EXPECT_EQ(400u * 80u, SkinBitmap.pixels.size());
  EXPECT_NE(NamedBitmap("MARBLE").pixels, SkinBitmap.pixels);

  EXPECT_EQ(5, ListSkinNames());
  EXPECT_EQ((std::vector<std::string>{"Linen", "HARBOUR", "moss", "DuSk", "SLATE"}), ListedNames());
  // The library's skins only: the program's own names are not in it.
  EXPECT_TRUE(SkinModuleBitmap("MARBLE").empty());

  // The library file is found whatever the case of its name on disk.
  UseSkins("EXAMPLE.skn", "Moss");
  EXPECT_NE(nullptr, SkinModule);
  EXPECT_EQ("moss", SkinBitmap.name);
  EXPECT_TRUE(ui_.boxes().empty());
}

TEST_F(SkinsTest, LibrariesThatDoNotLoadGiveTheProgramsSkinsSilently) {
  testing_support::WriteFile(home_ / "Broken.SKN", "this is not a shared object\n");
  UseSkins("Broken.SKN", "MARBLE");
  EXPECT_EQ(nullptr, SkinModule);
  EXPECT_EQ("MARBLE", SkinBitmap.name);
  EXPECT_EQ(5, ListSkinNames());
  EXPECT_EQ(kOwnNames, ListedNames());

  UseSkins("Missing.SKN", "PLAIN");
  EXPECT_EQ(nullptr, SkinModule);
  EXPECT_EQ("PLAIN", SkinBitmap.name);

  // The setting names a file beside the program, never a path elsewhere.
  InstallLibrary("Example.SKN", "sub/Example.SKN");
  UseSkins("sub/Example.SKN", "moss");
  EXPECT_EQ(nullptr, SkinModule);
  EXPECT_TRUE(SkinBitmap.empty());
  EXPECT_TRUE(ui_.boxes().empty());
}

TEST_F(SkinsTest, LibrarySkinsThatCannotBeUsedArePassedOver) {
  InstallLibrary("Odd.SKN", "Odd.SKN");
  CopyText(SkinFile, "Odd.SKN");
  // Too small, too long a name, no name, no pixels and a repeated name are left out, and of
  // the six good ones the first five fill the list.
  EXPECT_EQ(5, ListSkinNames());
  ASSERT_NE(nullptr, SkinModule);
  EXPECT_EQ((std::vector<std::string>{"first", "Second", "third", "fourth", "fifth"}),
            ListedNames());
  EXPECT_TRUE(SkinModuleBitmap("tiny").empty());
  EXPECT_TRUE(SkinModuleBitmap("ThisNameIsMuchTooLong").empty());
  EXPECT_TRUE(SkinModuleBitmap("NoPixels").empty());
  // A larger bitmap serves: the tiles are its top left 400 x 80.
  const Bitmap third = SkinModuleBitmap("THIRD");
  EXPECT_EQ(480, third.width);
  EXPECT_EQ(96, third.height);
  // "FIRST" repeats "first": the first of the two is the one used.
  EXPECT_EQ(0x00C0D0E0u + 2, SkinModuleBitmap("FIRST").pixels.at(0));
}

TEST_F(SkinsTest, AppearanceOkWithALibraryInUseSwitchesBackToOwnSkins) {
  InstallLibrary("Example.SKN", "Example.SKN");
  UseSkins("Example.SKN", "moss");
  ASSERT_NE(nullptr, SkinModule);

  ui_.ScriptDialog("Application", DialogScript().Click(kCommandOk));
  EXPECT_EQ(1, AppearanceDialog(nullptr));
  EXPECT_STREQ("Standard Skins", SkinFile);
  EXPECT_EQ(nullptr, SkinModule);
  // "moss" is none of the program's names, so the first skin was checked.
  EXPECT_STREQ("MARBLE", Skin);
  EXPECT_EQ("MARBLE", SkinBitmap.name);

  ASSERT_EQ(1u, ui_.dialogs().size());
  const DialogRecord& d = ui_.dialogs()[0];
  EXPECT_EQ(kOwnLabels, RadioLabels(d));
  EXPECT_EQ(kChecked, d.control(kIdSkinRadioFirst)->check);
  EXPECT_TRUE(d.control(kIdPlugInSkins)->enabled);
  EXPECT_FALSE(d.control(kIdSkinFileCombo)->visible);
  EXPECT_EQ((std::vector<std::string>{"Standard Skins", "Example.SKN"}),
            d.control(kIdSkinFileCombo)->items);

  // The previews: the top 30 rows of each skin, one under the other.
  std::vector<const CanvasCall*> previews;
  for (const CanvasCall* c : CallsOf(d.handle))
    if (c->op == CanvasCall::Op::kBitmap) previews.push_back(c);
  ASSERT_EQ(5u, previews.size());
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(kOwnNames[i], previews[i]->bitmap);
    EXPECT_EQ(RectAt(10, 10 + 37 * i, 400, 30), previews[i]->rect);
    EXPECT_EQ((Point{0, 0}), previews[i]->source);
  }
}

TEST_F(SkinsTest, AppearancePlugsInALibraryAndChoosesOfItsSkins) {
  InstallLibrary("Example.SKN", "Example.SKN");
  // A name too long for the setting would be cut and never found again: it is not offered.
  InstallLibrary("Example.SKN", "AVeryLongSkinLibrary.SKN");
  UseSkins("Standard Skins", "STRIPED");
  bool checkedAtOpening = false;
  ui_.ScriptDialog("Application", DialogScript()
                                      .Then([&](HeadlessUi&, WindowHandle d) {
                                        checkedAtOpening =
                                            CheckStateOf(d, kIdSkinRadioLast) == kChecked;
                                      })
                                      .Click(kIdPlugInSkins)
                                      .ChooseText(kIdSkinFileCombo, "Example.SKN")
                                      .Click(kIdSkinRadioFirst + 3)
                                      .Click(kCommandOk));
  EXPECT_EQ(1, AppearanceDialog(nullptr));
  EXPECT_TRUE(checkedAtOpening);
  EXPECT_STREQ("Example.SKN", SkinFile);
  EXPECT_STREQ("DuSk", Skin);
  EXPECT_NE(nullptr, SkinModule);
  EXPECT_EQ("DuSk", SkinBitmap.name);

  const DialogRecord& d = ui_.dialogs().at(0);
  EXPECT_EQ("Application Skins - Example.SKN", d.title);
  EXPECT_EQ((std::vector<std::string>{"Linen", "Harbour", "Moss", "Dusk", "Slate"}),
            RadioLabels(d));
  EXPECT_FALSE(d.control(kIdSkinFileCombo)->visible);
  EXPECT_EQ((std::vector<std::string>{"Standard Skins", "Example.SKN"}),
            d.control(kIdSkinFileCombo)->items);
  // After the switch the previews are the library's.
  std::vector<std::string> last;
  for (const CanvasCall* c : CallsOf(d.handle))
    if (c->op == CanvasCall::Op::kBitmap) last.push_back(c->bitmap);
  ASSERT_GE(last.size(), 10u);
  EXPECT_EQ((std::vector<std::string>{"Linen", "HARBOUR", "moss", "DuSk", "SLATE"}),
            std::vector<std::string>(last.end() - 5, last.end()));
}

TEST_F(SkinsTest, AppearanceWithALibraryOfFewSkinsOffersOnlyThose) {
  InstallLibrary("Few.SKN", "Few.SKN");
  UseSkins("Standard Skins", "GRITTY");
  ui_.ScriptDialog("Application", DialogScript()
                                      .Click(kIdPlugInSkins)
                                      .ChooseText(kIdSkinFileCombo, "Few.SKN")
                                      .Click(kIdSkinRadioFirst + 3)
                                      .Click(kCommandOk));
  EXPECT_EQ(1, AppearanceDialog(nullptr));
  // Only "first" is usable; the buttons without a skin are hidden, and the choice, which
  // stood on one of them, moved to the one skin there is.
  EXPECT_EQ(1, SkinNames.count);
  EXPECT_STREQ("first", Skin);
  EXPECT_EQ("first", SkinBitmap.name);
  const DialogRecord& d = ui_.dialogs().at(0);
  EXPECT_EQ("First", d.control(kIdSkinRadioFirst)->text);
  EXPECT_EQ(kChecked, d.control(kIdSkinRadioFirst)->check);
  for (int id = kIdSkinRadioFirst + 1; id <= kIdSkinRadioLast; ++id) {
    EXPECT_FALSE(d.control(id)->visible) << id;
    EXPECT_NE(kChecked, d.control(id)->check) << id;
  }
}

TEST_F(SkinsTest, AppearanceCancelKeepsTheSkinsInUse) {
  InstallLibrary("Example.SKN", "Example.SKN");
  UseSkins("Example.SKN", "moss");
  ListSkinNames();
  const ModuleHandle library = SkinModule;
  ui_.ScriptDialog("Application", DialogScript().Click(kIdSkinRadioFirst + 2).Close());
  EXPECT_EQ(2, AppearanceDialog(nullptr));
  EXPECT_STREQ("Example.SKN", SkinFile);
  EXPECT_STREQ("moss", Skin);
  EXPECT_EQ(library, SkinModule);
  EXPECT_EQ("moss", SkinBitmap.name);
  EXPECT_EQ("moss", std::string(SkinNames.names[2]));
}

TEST_F(SkinsTest, AppearanceWithoutLibrariesAndWithSkinsDisabled) {
  UseSkins("Standard Skins", "PLAIN");
  AppOptions |= kOptNoSkins;
  ui_.ScriptDialog("Application", DialogScript().Click(kCommandOk));
  EXPECT_EQ(1, AppearanceDialog(nullptr));
  AppOptions &= ~kOptNoSkins;
  EXPECT_STREQ("PLAIN", Skin);

  const DialogRecord& d = ui_.dialogs().at(0);
  EXPECT_FALSE(d.control(kIdPlugInSkins)->enabled);
  EXPECT_EQ(std::vector<std::string>{"Standard Skins"}, d.control(kIdSkinFileCombo)->items);
  int marks = 0;
  for (const CanvasCall* c : CallsOf(d.handle)) {
    EXPECT_NE(CanvasCall::Op::kBitmap, c->op) << "no previews while skins are disabled";
    if (c->op != CanvasCall::Op::kText) continue;
    ++marks;
    EXPECT_EQ("DISABLED", c->text);
    EXPECT_EQ((Point{80, 160}), c->from);
    EXPECT_EQ(450, c->style.font.escapement);
    EXPECT_EQ(50, c->style.font.height);
    EXPECT_EQ(kFamilySwiss, c->style.font.pitchAndFamily & 0xF0);
    EXPECT_EQ(0x00646496u, c->style.colour);
    EXPECT_TRUE(c->style.transparent);
  }
  EXPECT_GE(marks, 1);
}

TEST_F(SkinsTest, AppearanceOpensTheFontsDialog) {
  UseSkins("Standard Skins", "MARBLE");
  ui_.ScriptDialog("Application Appearance",
                   DialogScript().Click(kIdApplicationFonts).Click(kCommandOk));
  ui_.ScriptDialog("Application Fonts", DialogScript().Click(kCommandOk));
  EXPECT_EQ(1, AppearanceDialog(nullptr));
  ASSERT_EQ(2u, ui_.dialogs().size());
  EXPECT_EQ("Application Fonts", ui_.dialogs()[0].title);
  EXPECT_EQ(1, ui_.dialogs()[0].result);
}

}  // namespace
