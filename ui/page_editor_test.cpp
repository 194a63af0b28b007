#include "ui/page_editor.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "config/settings.h"
#include "engine/head_reader.h"
#include "engine/page_tags.h"
#include "platform/text.h"
#include "schema/schema.h"
#include "schema/value_choosers.h"
#include "tests/support/fault_fs.h"
#include "tests/support/site_fixture.h"
#include "tree/tasks.h"
#include "ui/main_window.h"

using namespace platform;
using testing_support::ReadFile;
using testing_support::WriteFile;

namespace {

class PageEditorTest : public testing_support::SiteFixture {
 protected:
  void SetUp() override {
    SiteFixture::SetUp();
    ResetPageEditor();
    checkmandatory = 0;
    showatts = 1;
    for (auto& slot : PrevFiles)
      slot[0] = '\0';
    window_ = CreateMainWindow();
    ASSERT_NE(nullptr, window_);
    ShowWindow(window_, ShowState::kShow);
  }
  void TearDown() override {
    Fs(nullptr);
    PageChanged = 0;
    if (IsWindow(window_)) DestroyWindow(window_);
    ResetPageEditor();
    SiteFixture::TearDown();
  }
  void Fs(FileSystem* fs) { SetFileSystem(fs); }
  void Pump() {
    for (int i = 0; i < 200 && PumpOneMessage(window_); ++i) {
    }
  }
  void Command(int id) {
    SendMessage(window_, kMsgCommand, MakeWParam(id, 0), 0);
    Pump();
  }
  // Opens a document as a recent file: the shortest way into the editor.
  void Open(const std::string& relative) {
    CopyText(PrevFiles[0], At(relative));
    Command(kCmdRecentFirst);
    ASSERT_EQ(At(relative), CurrentDocument);
  }
  void Key(WindowHandle field, unsigned key) {
    ui_.PressKey(field, key, 0);
    Pump();
  }
  std::string Row(int r) const {
    return ControlText(NameEdits[r]) + "=" + ControlText(ValueEdits[r]);
  }
  int FocusRow() const {
    for (int r = 0; r < 16; ++r)
      if (FocusWindow() == NameEdits[r] || FocusWindow() == ValueEdits[r]) return r;
    return -1;
  }
  void PutTags(const std::string& relative, int count) {
    std::vector<std::pair<std::string, std::string>> tags;
    for (int i = 0; i < count; ++i)
      tags.push_back({Format("T%02d", i), Format("v%d", i)});
    Put(relative, Doc(tags));
  }
  std::vector<std::string> Texts() const {
    std::vector<std::string> texts;
    for (const BoxRecord& box : ui_.boxes())
      texts.push_back(box.text);
    return texts;
  }

  WindowHandle window_ = nullptr;
};

TEST_F(PageEditorTest, RowsScrollTypeAndNavigateOverTheTable) {
  PutTags("twenty.htm", 20);
  Open("twenty.htm");
  EXPECT_EQ(20, Tagcount);
  EXPECT_EQ("T00=v0", Row(0));
  EXPECT_TRUE(IsWindowVisible(FindControl(window_, kIdScrollBar)));
  EXPECT_TRUE(IsWindowEnabled(FindControl(window_, kIdClose)));
  EXPECT_EQ(At("twenty.htm"), WindowTitle(window_));

  // Up in row 0 at the top stays there; the thumb to the bottom shows tags 5-19 and an empty row.
  SetFocus(ValueEdits[0]);
  Key(ValueEdits[0], kKeyUp);
  EXPECT_EQ(0, TopRow);
  EXPECT_EQ(0, FocusRow());
  SendMessage(window_, kMsgVScroll, MakeWParam(kScrollThumbPosition, 5), 0);
  EXPECT_EQ(5, TopRow);
  EXPECT_EQ(5, ThumbPos);
  EXPECT_EQ("T05=v5", Row(0));
  EXPECT_EQ("T19=v19", Row(14));
  EXPECT_EQ("=", Row(15));
  SendMessage(window_, kMsgVScroll, MakeWParam(kScrollLineDown, 0), 0);
  EXPECT_EQ(5, TopRow);  // already at the bottom
  ui_.TypeText(NameEdits[15], "New");
  EXPECT_EQ(21, Tagcount);
  EXPECT_STREQ("New", PageTags[20].name);
  EXPECT_STREQ("", PageTags[20].value);
  EXPECT_EQ(1, PageChanged);

  // Down from row 15 scrolls one line; Tab swaps name and value; page up goes back 8 lines.
  SetFocus(ValueEdits[15]);
  Key(ValueEdits[15], kKeyDown);
  EXPECT_EQ(6, TopRow);
  EXPECT_EQ(ValueEdits[15], FocusWindow());
  Key(ValueEdits[15], kKeyTab);
  EXPECT_EQ(NameEdits[15], FocusWindow());
  SendMessage(window_, kMsgVScroll, MakeWParam(kScrollPageUp, 0), 0);
  EXPECT_EQ(0, TopRow);
  EXPECT_EQ(0, ScrollPosition(FindControl(window_, kIdScrollBar)));

  // Enter in a value without options only focuses it; Insert opens Add Metatag.
  SetFocus(ValueEdits[3]);
  size_t dialogs = ui_.dialogs().size();
  Key(ValueEdits[3], kKeyReturn);
  EXPECT_EQ(ValueEdits[3], FocusWindow());
  EXPECT_EQ(dialogs, ui_.dialogs().size());
  ui_.ScriptDialog("Add Metatag", DialogScript().Close());
  Key(ValueEdits[3], kKeyInsert);
  ASSERT_EQ(dialogs + 1, ui_.dialogs().size());
  EXPECT_EQ(21, Tagcount);

  // A site task from anywhere but the greyed menus waits until the page is closed.
  Command(kTaskDeleteAll);
  EXPECT_EQ(21, Tagcount);
  EXPECT_EQ(0u, ui_.boxes().back().text.find("A page is open in the editor."));
  EXPECT_NE(std::string::npos, ReadFile(At("twenty.htm")).find("T19"));
}

TEST_F(PageEditorTest, TypingBelowTheLastTagAddsTagsThatTidyRemovesAgain) {
  Put("three.htm", Doc({{"DC.Title", "T"}, {"Keywords", "a"}, {"Gone", "g"}}));
  Open("three.htm");
  // A removed tag leaves its record behind: a new row must not bring its name back.
  SendMessage(NameEdits[2], kMsgRButtonDown, 0, MakePointParam(5, 5));
  ui_.ScriptPopup(kCmdDeleteTag);
  SendMessage(NameEdits[2], kMsgRButtonDown, 0, MakePointParam(5, 5));
  Pump();
  ASSERT_EQ(2, Tagcount);
  ui_.TypeText(ValueEdits[12], "late");
  EXPECT_EQ(13, Tagcount);
  for (int i = 2; i < 12; ++i)
    EXPECT_STREQ("", PageTags[i].name) << i;
  Command(kIdAddTag + 1);  // Tidy
  EXPECT_EQ(2, Tagcount);  // the nameless tags are gone
  EXPECT_EQ("DC.Title=T", Row(0));
  EXPECT_EQ("=", Row(2));

  // A name typed into a row takes the schema's marks, shown in the attribute column.
  ui_.TypeText(NameEdits[2], "AD.Review Date");
  EXPECT_EQ(unsigned{SF_DATE}, PageTags[2].flags & 0xFF);
  ui_.ClearCanvas();
  InvalidateWindow(window_, nullptr);
  UpdateWindow(window_);
  int marks = 0;
  for (const CanvasCall& call : ui_.canvasCalls())
    if (call.op == CanvasCall::Op::kBitmap && call.window == window_ && call.rect.left >= 220 &&
        call.rect.right <= 240)
      ++marks;
  EXPECT_EQ(3, marks);  // DC.Title mandatory, Keywords repeatable, AD.Review Date a date
}

TEST_F(PageEditorTest, ScratchPadAndValueChoosers) {
  const std::string k190(190, 'k');
  Put("p.htm", Doc({{"Keywords", k190}, {"DC.Title", "x"}, {"Extra", "y"}}));
  WriteFile(home_ / "colours.Lsm", "red,blue\r\n");
  WriteFile(home_ / "shapes.ls", "round\r\n");
  CopyText(StartupPath, home_.path());
  Open("p.htm");

  auto menu = [&](int row, int command) {
    ui_.ScriptPopup(command);
    SendMessage(ValueEdits[row], kMsgRButtonDown, 0, MakePointParam(3, 3));
    Pump();
  };
  menu(0, kCmdCopyToScratch);
  EXPECT_EQ(k190, ScratchPad);
  menu(0, kCmdCopyToScratch);  // would pass 198 characters: ignored
  EXPECT_EQ(k190, ScratchPad);
  size_t dialogs = ui_.dialogs().size();
  menu(2, kCmdValueFromScratch);  // one value: no chooser
  EXPECT_EQ(k190, PageTags[2].value);
  EXPECT_EQ(dialogs, ui_.dialogs().size());
  menu(1, kCmdEmptyScratch);
  menu(1, kCmdCopyToScratch);
  menu(0, kCmdCopyToScratch);  // 1 + 190 + 2 characters: fits
  ASSERT_EQ("x," + k190, ScratchPad);
  ui_.ScriptDialog("Scratch", DialogScript().Close());  // closed without OK: nothing changes
  menu(1, kCmdValueFromScratch);
  ASSERT_EQ(dialogs + 1, ui_.dialogs().size());
  EXPECT_EQ((std::vector<std::string>{k190, "x"}),
            ui_.dialogs().back().control(kIdChooseList)->items);
  EXPECT_STREQ("x", PageTags[1].value);

  // The value-list files: ".Lsm" opens the multiple chooser, anything else the single one.
  std::vector<std::string> titles;
  for (const MenuItem& item : ui_.popups().back().items)
    titles.push_back(item.text);
  EXPECT_NE(titles.end(), std::find(titles.begin(), titles.end(), "Value from colours.Lsm"));
  ui_.ScriptDialog("Multiple Selection", DialogScript().Click(kCommandOk));
  menu(1, kCmdValueFromList + (titles[5] == "Value from colours.Lsm" ? 0 : 1));
  EXPECT_EQ("Multiple Selection", ui_.dialogs().back().title);
  EXPECT_EQ(1, PageChanged);
}

TEST_F(PageEditorTest, SiteMapToggleAndAFullTable) {
  CopyText(OverwriteTag, "AD.MapMe");
  Put("p.htm", Doc({{"DC.Title", "x"}}));
  Open("p.htm");
  Command(kIdAddTag + 7);
  EXPECT_EQ(1, InSiteMap);
  ASSERT_EQ(2, Tagcount);
  EXPECT_EQ(0, FindPageTag("DC.Title") < 0 ? 1 : 0);
  EXPECT_STREQ("", PageTags[FindPageTag("AD.MapMe")].value);
  Command(kIdAddTag + 7);
  EXPECT_EQ(0, InSiteMap);
  EXPECT_EQ(-1, FindPageTag("AD.MapMe"));
  EXPECT_EQ(1, Tagcount);

  // A full table takes no new tag from a row, SiteMap or Add Tag, and says so each time.
  Command(kIdCancelEdit);
  MaxPageTags = 3;  // two tags and the staging record
  ASSERT_EQ(0, ReservePageTags());
  Put("full.htm", Doc({{"DC.Title", "x"}, {"Keywords", "k"}}));
  Open("full.htm");
  ui_.Clear();
  ui_.TypeText(NameEdits[2], "More");
  EXPECT_EQ("", ControlText(NameEdits[2]));
  Command(kIdAddTag + 7);
  ui_.ScriptDialog("Add Metatag",
                   DialogScript().ChooseText(kIdAddTagName, "Keywords").Click(kCommandOk));
  Command(kIdAddTag);
  EXPECT_EQ(2, Tagcount);
  EXPECT_EQ(0, InSiteMap);
  ASSERT_EQ(3u, ui_.boxes().size());
  for (const BoxRecord& box : ui_.boxes())
    EXPECT_EQ(0u, box.text.find("M053:")) << box.text;
}

TEST_F(PageEditorTest, SaveKeepsThePageOpenAndNothingIsLostWithoutAQuestion) {
  const std::string original = Doc({{"DC.Title", "Old"}});
  Put("p.htm", original);
  Open("p.htm");
  ui_.TypeText(ValueEdits[0], "New");

  // A failed write keeps the page open with its edits, and the document as it was.
  testing_support::FaultPlan plan;
  plan.failWriteAt = 1;
  testing_support::FaultyFileSystem faulty(plan);
  Fs(&faulty);
  Command(kIdAddTag + 4);
  Fs(nullptr);
  EXPECT_EQ(original, ReadFile(At("p.htm")));
  EXPECT_STREQ(At("p.htm").c_str(), CurrentDocument);
  EXPECT_EQ("DC.Title=New", Row(0));

  // Another program writes the file: Save asks, naming it; No leaves that program's file.
  Put("p.htm", original + "<!-- theirs -->");
  ui_.Clear();
  ui_.Script("Note", kAnswerNo);
  Command(kIdAddTag + 4);
  ASSERT_EQ(1u, ui_.boxes().size());
  EXPECT_NE(std::string::npos, ui_.boxes()[0].text.find(At("p.htm")));
  EXPECT_EQ(original + "<!-- theirs -->", ReadFile(At("p.htm")));

  // Yes saves; the page stays open and changed, so Exit asks again.
  ui_.Script("Note", kAnswerYes);
  Command(kIdAddTag + 4);
  EXPECT_NE(std::string::npos, ReadFile(At("p.htm")).find("CONTENT=\"New\""));
  EXPECT_EQ(1, PageChanged);
  EXPECT_STREQ(At("p.htm").c_str(), PrevFiles[0]);

  // The close box, with edits: No discards and ends the program.
  ui_.TypeText(ValueEdits[0], "Newer");
  ui_.Clear();
  ui_.Script("Note", kAnswerNo);
  ui_.CloseWindow(window_);
  ASSERT_EQ(1u, ui_.boxes().size());
  EXPECT_EQ("These values have changed!\nDo you want to save the changes?", ui_.boxes()[0].text);
  EXPECT_FALSE(IsWindow(window_));
  EXPECT_EQ(std::string::npos, ReadFile(At("p.htm")).find("Newer"));
}

TEST_F(PageEditorTest, ExitAndTheSessionEndAskAndStayWhenTheSaveFails) {
  Put("p.htm", Doc({{"DC.Title", "Old"}}));
  Open("p.htm");
  ui_.TypeText(ValueEdits[0], "Mine");
  std::filesystem::remove(At("p.htm"));  // the document is gone: the save fails
  ui_.SetAnswerYes(true);
  EXPECT_EQ(0, SendMessage(window_, kMsgQueryEndSession, 0, 0));
  Command(kIdExitButton);
  Command(kCmdExit);
  EXPECT_TRUE(IsWindow(window_));
  EXPECT_EQ("DC.Title=Mine", Row(0));
  // Cancel closes without a question.
  size_t boxes = ui_.boxes().size();
  Command(kIdCancelEdit);
  EXPECT_EQ(boxes, ui_.boxes().size());
  EXPECT_STREQ("", CurrentDocument);
  EXPECT_FALSE(IsWindowEnabled(NameEdits[0]));
  EXPECT_EQ(1, SendMessage(window_, kMsgQueryEndSession, 0, 0));
}

}  // namespace
