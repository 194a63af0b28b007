#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/headless/headless_ui.h"

namespace {

using namespace platform;

class DialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ui_.SetEcho(nullptr);
    previous_ = SetUiBackend(&ui_);
  }
  void TearDown() override { SetUiBackend(previous_); }
  HeadlessUi ui_;
  UiBackend* previous_ = nullptr;
};

enum : int { kName = 1001, kWhole = 1002, kScope = 1003, kFiles = 1004, kApply = 1005 };

DialogTemplate SearchDialog() {
  DialogTemplate t;
  t.title = "Search for metatag";
  t.width = 300;
  t.height = 200;
  t.skinColumn = 320;
  t.controls = {
      {kName, ControlKind::kEdit, "", RectAt(10, 10, 200, 18), 0},
      {kWhole, ControlKind::kCheckBox, "Whole value", RectAt(10, 40, 120, 16), 0},
      {kScope, ControlKind::kComboBox, "", RectAt(10, 60, 120, 80), kStyleDropDownList},
      {kFiles, ControlKind::kListBox, "", RectAt(140, 60, 150, 80), kStyleSorted},
      {kApply, ControlKind::kPushButton, "Apply", RectAt(10, 170, 60, 20), kStyleDisabled},
      {kCommandOk, ControlKind::kPushButton, "OK", RectAt(100, 170, 60, 20), kStyleDefaultButton},
      {kCommandCancel, ControlKind::kPushButton, "Cancel", RectAt(200, 170, 60, 20), 0},
  };
  return t;
}

// What the search dialog hands back, and what it was told on the way.
struct SearchParams {
  std::string name;
  bool whole = false;
  std::string scope;
  std::string file;
  std::vector<std::string> commands;
};

LResult SearchProc(WindowHandle d, unsigned message, WParam wparam, LParam lparam) {
  auto* params = reinterpret_cast<SearchParams*>(lparam);
  static SearchParams* current = nullptr;
  switch (message) {
    case kMsgInitDialog:
      current = params;
      SetControlText(d, kName, current->name);
      SetCheck(d, kWhole, kChecked);
      for (const char* s : {"Whole site", "Branch"})
        AddListItem(d, kScope, s);
      SetListSelection(d, kScope, 0);
      for (const char* f : {"index.htm", "Beta.htm", "about.htm", "beta.htm"})
        AddListItem(d, kFiles, f);
      return 1;
    case kMsgPaint:
      PaintCanvas(lparam)->Text({10, 150}, "Whole words only", {MakeFont("Arial", 12), 0});
      return 1;
    case kMsgCommand: {
      current->commands.push_back(std::to_string(LowWord(wparam)) + "/" +
                                  std::to_string(HighWord(wparam)));
      if (LowWord(wparam) == kCommandOk) {
        std::string name = ControlText(d, kName);
        if (name.empty()) {
          ShowMessageBox(d, "M999:A metatag name is needed", "CRITICAL ERROR!",
                         kBoxOk | kBoxIconExclamation);
          return 1;  // stays open
        }
        current->name = name;
        current->whole = CheckStateOf(d, kWhole) == kChecked;
        current->scope = ControlText(d, kScope);
        current->file = ListItemText(d, kFiles, ListSelection(d, kFiles));
        EndDialog(d, kCommandOk);
      } else if (LowWord(wparam) == kCommandCancel) {
        EndDialog(d, kCommandCancel);
      }
      return 1;
    }
  }
  return 0;
}

TEST_F(DialogTest, ScriptFillsReadsRefusesAndEnds) {
  SearchParams params;
  params.name = "DC.Creator";
  std::vector<std::string> seenAtOpen;
  ui_.ScriptDialog("Search for",
                   DialogScript()
                       .Then([&](HeadlessUi&, WindowHandle d) {
                         seenAtOpen = {ControlText(d, kName), ControlText(d, kScope),
                                       std::to_string(ListCount(d, kFiles))};
                       })
                       .Type(kName, "")
                       .Click(kCommandOk)  // refused: a box, and the dialog stays open
                       .Click(kApply)      // disabled: nothing happens
                       .Type(kName, "DC.Title")
                       .Click(kWhole)
                       .Choose(kScope, 1)
                       .ChooseText(kFiles, "beta.htm")
                       .Click(kCommandOk)
                       .Click(kCommandCancel));  // never reached: the dialog has ended

  EXPECT_EQ(kCommandOk,
            RunDialog(nullptr, SearchDialog(), SearchProc, reinterpret_cast<LParam>(&params)));

  EXPECT_EQ((std::vector<std::string>{"DC.Creator", "Whole site", "4"}), seenAtOpen);
  EXPECT_EQ("DC.Title", params.name);
  EXPECT_FALSE(params.whole);
  EXPECT_EQ("Branch", params.scope);
  EXPECT_EQ("beta.htm", params.file);
  // Text changes notify whoever made them: init, the two typings; then the clicks in order.
  EXPECT_EQ((std::vector<std::string>{"1001/3", "1001/3", "1/0", "1001/3", "1002/0", "1003/2",
                                      "1004/2", "1/0"}),
            params.commands);
  ASSERT_EQ(1u, ui_.boxes().size());
  EXPECT_EQ("CRITICAL ERROR!", ui_.boxes()[0].caption);
  EXPECT_EQ("M999:A metatag name is needed", ui_.boxes()[0].text);

  ASSERT_EQ(1u, ui_.dialogs().size());
  const DialogRecord& record = ui_.dialogs()[0];
  EXPECT_TRUE(record.scripted);
  EXPECT_EQ(kCommandOk, record.result);
  // The sorted list keeps names in order without regard to case, capitals first on a tie.
  EXPECT_EQ((std::vector<std::string>{"about.htm", "Beta.htm", "beta.htm", "index.htm"}),
            record.control(kFiles)->items);
  EXPECT_EQ(std::vector<int>{2}, record.control(kFiles)->selected);
  EXPECT_FALSE(record.control(kApply)->enabled);
  // Painted once when it opened, on a canvas of its own.
  ASSERT_EQ(1u, ui_.canvasCalls().size());
  EXPECT_EQ(record.handle, ui_.canvasCalls()[0].window);
  EXPECT_EQ("Whole words only", ui_.canvasCalls()[0].text);
}

TEST_F(DialogTest, UnscriptedOrUnfinishedDialogsEndWithCancel) {
  SearchParams params;
  params.name = "keep";
  // No script at all: the procedure still gets its init and then Cancel.
  EXPECT_EQ(kCommandCancel,
            RunDialog(nullptr, SearchDialog(), SearchProc, reinterpret_cast<LParam>(&params)));
  EXPECT_EQ(std::vector<std::string>({"1001/3", "2/0"}), params.commands);
  EXPECT_EQ("keep", params.name);

  // A script that stops with the dialog open; and a procedure that ignores Cancel.
  ui_.ScriptDialog("Search", DialogScript().Type(kName, "half"));
  EXPECT_EQ(kCommandCancel,
            RunDialog(nullptr, SearchDialog(), SearchProc, reinterpret_cast<LParam>(&params)));
  int closes = 0;
  auto stubborn = [&](WindowHandle, unsigned message, WParam, LParam) -> LResult {
    closes += message == kMsgCommand;
    return 0;
  };
  ui_.ScriptDialog("Stubborn", DialogScript().Close());
  DialogTemplate t;
  t.title = "Stubborn";
  EXPECT_EQ(kCommandCancel, RunDialog(nullptr, t, stubborn, 0));
  EXPECT_EQ(2, closes);  // the close box, then the Escape after the script
  ASSERT_EQ(3u, ui_.dialogs().size());
  EXPECT_FALSE(ui_.dialogs()[0].scripted);
  EXPECT_EQ("half", ui_.dialogs()[1].control(kName)->text);
}

TEST_F(DialogTest, ControlsBehaveAsTheUserSeesThem) {
  enum : int {
    kRadioA = 10,
    kRadioB = 11,
    kRadioC = 12,
    kOther = 13,
    kMulti = 20,
    kSingle = 21,
    kBar = 30
  };
  DialogTemplate t;
  t.title = "Controls";
  t.controls = {
      {kRadioA, ControlKind::kRadioButton, "A", {}, kStyleGroup},
      {kRadioB, ControlKind::kRadioButton, "B", {}, 0},
      {kRadioC, ControlKind::kRadioButton, "C", {}, 0},
      {kOther, ControlKind::kRadioButton, "other group", {}, kStyleGroup},
      {kMulti, ControlKind::kListBox, "", {}, kStyleMultiSelect},
      {kSingle, ControlKind::kListBox, "", {}, 0},
      {kBar, ControlKind::kScrollBar, "", {}, kStyleVertical},
      {kName, ControlKind::kEdit, "", {}, kStyleReadOnly},
  };
  std::vector<std::string> scrolls;
  auto proc = [&](WindowHandle d, unsigned message, WParam wparam, LParam lparam) -> LResult {
    if (message == kMsgInitDialog) {
      CheckRadio(d, kRadioA, kRadioC, kRadioA);
      SetCheck(d, kOther, kChecked);
      for (const char* s : {"x", "y", "z"})
        AddListItem(d, kMulti, s);
      SetScrollRange(FindControl(d, kBar), 0, 10);
    } else if (message == kMsgVScroll) {
      scrolls.push_back(std::to_string(HighWord(wparam)));
      SetScrollPosition(reinterpret_cast<WindowHandle>(lparam), HighWord(wparam));
    }
    return 0;
  };
  bool typedIntoReadOnly = true;
  ui_.ScriptDialog("Controls", DialogScript()
                                   .Click(kRadioC)
                                   .Choose(kMulti, 0)
                                   .Choose(kMulti, 2)
                                   .Choose(kMulti, 0)  // toggles back off
                                   .Scroll(kBar, 7)
                                   .Scroll(kBar, 99)  // clamped to the range
                                   .Then([&](HeadlessUi& ui, WindowHandle d) {
                                     typedIntoReadOnly = ui.TypeText(FindControl(d, kName), "no");
                                     // Inserting above the selection keeps the same item selected.
                                     InsertListItem(FindControl(d, kMulti), 0, "w");
                                     EXPECT_EQ(std::vector<int>{3},
                                               ListSelections(FindControl(d, kMulti)));
                                     // The same for a single selection; deleting it leaves none.
                                     WindowHandle single = FindControl(d, kSingle);
                                     for (const char* s : {"a", "b", "c"})
                                       AddListItem(single, s);
                                     SetListSelection(single, 1);
                                     InsertListItem(single, 0, "first");
                                     EXPECT_EQ("b", ListItemText(single, ListSelection(single)));
                                     DeleteListItem(single, 0);
                                     EXPECT_EQ("b", ListItemText(single, ListSelection(single)));
                                     DeleteListItem(single, 1);
                                     EXPECT_EQ(-1, ListSelection(single));
                                   }));
  RunDialog(nullptr, t, proc, 0);
  const DialogRecord& r = ui_.dialogs().back();
  EXPECT_EQ(kUnchecked, r.control(kRadioA)->check);
  EXPECT_EQ(kUnchecked, r.control(kRadioB)->check);
  EXPECT_EQ(kChecked, r.control(kRadioC)->check);
  EXPECT_EQ(kChecked, r.control(kOther)->check);  // another group is left alone
  EXPECT_EQ((std::vector<std::string>{"w", "x", "y", "z"}), r.control(kMulti)->items);
  EXPECT_EQ(std::vector<int>{3}, r.control(kMulti)->selected);
  EXPECT_EQ((std::vector<std::string>{"7", "10"}), scrolls);
  EXPECT_FALSE(typedIntoReadOnly);
  EXPECT_EQ("", r.control(kName)->text);
}

TEST_F(DialogTest, ModalDialogDisablesItsOwnerAndTimersTick) {
  WindowHandle main =
      CreateWindow({"Main", "Main", RectAt(0, 0, 640, 480), kWindowVisible}, DefaultWindowProc);
  MenuHandle bar = CreateMenu();
  AppendMenuItem(bar, 106, "Exit");
  SetWindowMenu(main, bar);
  std::vector<std::string> seen;
  auto proc = [&](WindowHandle d, unsigned message, WParam wparam, LParam) -> LResult {
    if (message == kMsgInitDialog) StartTimer(d, 1, 1000);
    if (message == kMsgTimer) {
      seen.push_back(std::to_string(ui_.clock()));
      if (ui_.clock() >= 3000) EndDialog(d, 5);
    }
    (void)wparam;
    return 0;
  };
  bool menuDuringDialog = true;
  ui_.ScriptDialog("Timed", DialogScript()
                                .Then([&](HeadlessUi& ui, WindowHandle) {
                                  menuDuringDialog = ui.ChooseMenuCommand(main, 106);
                                })
                                .Wait(10000));
  DialogTemplate t;
  t.title = "Timed";
  EXPECT_TRUE(IsWindowEnabled(main));
  EXPECT_EQ(5, RunDialog(main, t, proc, 0));
  EXPECT_FALSE(menuDuringDialog);
  EXPECT_TRUE(IsWindowEnabled(main));
  EXPECT_EQ((std::vector<std::string>{"1000", "2000", "3000"}), seen);
  DestroyWindow(main);
}

}  // namespace

namespace {

TEST_F(DialogTest, CommonDialogsAnswerFromScriptsElseNothing) {
  OpenFileRequest open;
  open.title = "Select a Web Browser";
  open.filters = {{"Executable", "*"}};
  EXPECT_FALSE(ChooseOpenFile(open).has_value());
  ui_.ScriptOpenFile([](const OpenFileRequest& r) {
    return r.filters.size() == 1 ? std::optional<std::string>("/usr/bin/browser") : std::nullopt;
  });
  EXPECT_EQ("/usr/bin/browser", ChooseOpenFile(open).value_or(""));

  FontRequest font;
  font.font = MakeFont("Arial", 12, 700);
  EXPECT_FALSE(ChooseFont(&font));
  EXPECT_STREQ("Arial", font.font.faceName);
  ui_.ScriptChooseFont(MakeFont("DejaVu Sans", 16, 400), Rgb(0xFF, 0, 0));
  EXPECT_TRUE(ChooseFont(&font));
  EXPECT_STREQ("DejaVu Sans", font.font.faceName);
  EXPECT_EQ(0x0000FFu, font.colour);

  ui_.ScriptChooseDirectory("/srv/site/news");
  EXPECT_EQ("/srv/site/news", ChooseDirectory(nullptr, "Branch", "/srv/site").value_or(""));
  EXPECT_FALSE(ChooseDirectory(nullptr, "Branch", "/srv/site").has_value());

  const auto& shown = ui_.commonDialogs();
  ASSERT_EQ(6u, shown.size());
  EXPECT_EQ("Select a Web Browser", shown[0].title);
  EXPECT_FALSE(shown[0].answered);
  EXPECT_EQ("/usr/bin/browser", shown[1].answer);
  EXPECT_EQ(CommonDialogKind::kFont, shown[3].kind);
  EXPECT_EQ("/srv/site", shown[4].start);
  EXPECT_FALSE(shown[5].answered);
}

}  // namespace
