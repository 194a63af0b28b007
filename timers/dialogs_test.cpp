#include "timers/dialogs.h"

#include <gtest/gtest.h>

#include "platform/profile.h"
#include "platform/text.h"
#include "tests/support/program_fixture.h"
#include "tests/support/temp_dir.h"
#include "timers/timer.h"

using namespace testing_support;
using namespace platform;

namespace {

class TimerDialogsTest : public ProgramFixture {
 protected:
  void SetUp() override {
    ProgramFixture::SetUp();
    ResetEvents();
    ResetTimerState();
    WriteFile(ini_, kIni);
    CopyText(ctx_.configFile, ini_);
    ctx_.currentSite = site_;
    ctx_.exportedTasks = tasks_;
    CopyText(tasks_[0].name, "Update the sitemap");
    tasks_[0].owner = 1;
    tasks_[0].command = 40045;
    tasks_[1].owner = -1;
  }
  // The events of the shown site as the list shows them.
  std::vector<std::string> Listed() const {
    const DialogRecord& d = ui_.dialogs().back();
    return d.control(kEventsList)->items;
  }
  static constexpr const char* kIni =
      "[Config:Shop]\nEvent1=CRC/bk\n[Config:Blog]\nEvent2=DAF/b.sh\nEvent3=BBDUpdate the "
      "sitemap\n";
  std::string ini_ = home_ / "META.INI";
  PluginContext ctx_{};
  char site_[256] = "Blog";
  ExportedTask tasks_[50] = {};
};

TEST_F(TimerDialogsTest, AddEditRemoveAndCancel) {
  struct Case {
    const char* name;
    DialogScript events;
    std::vector<DialogScript> event;  // the event dialogs it opens, in order
    std::string file;                 // META.INI afterwards
  };
  std::vector<Case> cases;
  cases.push_back({"add then cancel the event",
                   DialogScript().Click(kEventsAdd).Click(kCommandOk),
                   {DialogScript().Click(kEventDaily).Click(kCommandCancel)},
                   "[Config:Shop]\nEvent1=CRC/bk\n\n[Config:Blog]\nEvent2=DAF/b.sh\n"
                   "Event3=BBDUpdate the sitemap\n"});
  cases.push_back({"add then cancel the events",
                   DialogScript().Click(kEventsAdd).Click(kCommandCancel),
                   {DialogScript()
                        .Click(kEventDaily)
                        .Choose(kEventSlots, 17)
                        .Click(kEventBackup)
                        .Type(kEventPath, "/new")
                        .Click(kCommandOk)},
                   kIni});
  cases.push_back({"edit keeps the position",
                   DialogScript().Choose(kEventsList, 0).Click(kEventsEdit).Click(kCommandOk),
                   {DialogScript()
                        .Click(kEventDaily)
                        .Choose(kEventSlots, 17)
                        .Click(kEventBackup)
                        .Type(kEventPath, "/new")
                        .Click(kCommandOk)},
                   "[Config:Shop]\nEvent1=CRC/bk\n\n[Config:Blog]\nEvent2=CRC/new\n"
                   "Event3=BBDUpdate the sitemap\n"});
  cases.push_back({"remove, and a task event added",
                   DialogScript()
                       .Choose(kEventsList, 0)
                       .Click(kEventsRemove)
                       .Click(kEventsAdd)
                       .Click(kCommandOk),
                   {DialogScript()
                        .Click(kEventHourly)
                        .Choose(kEventSlots, 2)
                        .Click(kCommandOk)
                        .Choose(kEventTasks, 0)
                        .Click(kCommandOk)},
                   "[Config:Shop]\nEvent1=CRC/bk\n\n[Config:Blog]\nEvent2=BBDUpdate the sitemap\n"
                   "Event3=DCDUpdate the sitemap\n"});
  for (Case& c : cases) {
    WriteFile(ini_, kIni);
    ResetEvents();
    ui_.Clear();
    ui_.ScriptDialog("Timed Events", c.events);
    for (DialogScript& s : c.event)
      ui_.ScriptDialog("Timer Event", s);
    OpenEventsDialog(&ctx_);
    EXPECT_EQ(c.file, ReadFile(ini_)) << c.name;
  }
  // The task event asked for a task before it was chosen.
  ASSERT_EQ(1u, ui_.boxes().size());
  EXPECT_EQ("CRITICAL ERROR!", ui_.boxes()[0].caption);
}

TEST_F(TimerDialogsTest, TheEventDialogShowsTheRecordAndNeedsAPath) {
  CopyText(WorkingEvent.record, "DBDUpdate the sitemap");
  ui_.ScriptDialog("Timer Event", DialogScript().Click(kEventBatch).Click(kCommandOk).Close());
  OpenEventDialog(nullptr, tasks_);
  const DialogRecord& d = ui_.dialogs().back();
  EXPECT_EQ("Edit Timer Event", d.title);
  EXPECT_EQ(12u, d.control(kEventSlots)->items.size());
  EXPECT_EQ(std::vector<int>{1}, d.control(kEventSlots)->selected);
  EXPECT_EQ("Batch file location (file)", d.control(kEventPathLabel)->text);
  EXPECT_STREQ("", WorkingEvent.record);
  ASSERT_EQ(1u, ui_.boxes().size());
  EXPECT_EQ("A path must be entered in the edit box", ui_.boxes()[0].text);
}

TEST_F(TimerDialogsTest, AFullTableTakesNoMoreEvents) {
  std::string ini = "[Config:Blog]\n";
  for (int i = 1; i <= kMaxEvents; ++i)
    ini += "Event" + std::to_string(i) + "=DAF/x.sh\n";
  WriteFile(ini_, ini);
  ui_.ScriptDialog("Timed Events", DialogScript().Click(kEventsAdd).Click(kCommandOk));
  OpenEventsDialog(&ctx_);
  EXPECT_EQ(kMaxEvents, EventCount);
  ASSERT_EQ(2u, ui_.boxes().size());
  EXPECT_EQ("The event table is full!", ui_.boxes()[0].text);
  EXPECT_NE(std::string::npos, ui_.boxes()[1].text.find("Remove an event"));
  EXPECT_EQ(1u, ui_.dialogs().size());  // no event dialog opened
}

}  // namespace
