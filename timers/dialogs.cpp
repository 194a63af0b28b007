#include "timers/dialogs.h"

#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "platform/text.h"
#include "timers/timer.h"

using namespace platform;

TimerEvent WorkingEvent;

namespace {

struct EventsState {
  PluginContext* context = nullptr;
  int site = -1;
  std::vector<int> shown;  // list position -> event index
};
EventsState gEvents;

struct EventState {
  const ExportedTask* tasks = nullptr;
  bool pathMode = false;
};
EventState gEvent;

constexpr char kKinds[4] = {'A', 'B', 'C', 'D'};

void ShowSiteEvents(WindowHandle d) {
  SetControlText(d, kEventsSite, EventSiteName(gEvents.site));
  SetListSelection(d, kEventsSite, gEvents.site);
  WindowHandle list = FindControl(d, kEventsList);
  ClearList(list);
  gEvents.shown.clear();
  std::lock_guard<std::mutex> lock(EventTableLock);
  for (int i = 0; i < EventCount; ++i) {
    if (EventSite[i] != gEvents.site) continue;
    AddListItem(list, DescribeEvent(EventTable[i].record));
    gEvents.shown.push_back(i);
  }
  EnableControl(d, kEventsEdit, false);
  EnableControl(d, kEventsRemove, false);
}

int SelectedEvent(WindowHandle d) {
  int pos = ListSelection(d, kEventsList);
  return pos >= 0 && pos < static_cast<int>(gEvents.shown.size()) ? gEvents.shown[pos] : -1;
}

const ExportedTask* Tasks() {
  return gEvents.context ? gEvents.context->exportedTasks : nullptr;
}

void EditSelected(WindowHandle d) {
  int index = SelectedEvent(d);
  if (index < 0) return;
  {
    std::lock_guard<std::mutex> lock(EventTableLock);
    WorkingEvent = EventTable[index];
  }
  OpenEventDialog(d, Tasks());
  if (WorkingEvent.record[0]) {
    std::lock_guard<std::mutex> lock(EventTableLock);
    if (index < EventCount) EventTable[index] = WorkingEvent;
  }
  ShowSiteEvents(d);
}

LResult EventsProc(WindowHandle d, unsigned message, WParam w, LParam) {
  if (message == kMsgInitDialog) {
    gEvents.site = FindEventSite(gEvents.context->currentSite ? gEvents.context->currentSite : "");
    if (gEvents.site < 0) {
      ShowMessageBox(d, "Timer thread can't find the Current Configuration", "CRIRICAL ERROR",
                     kBoxOk | kBoxIconExclamation);
      EndDialog(d, kCommandCancel);
      return 1;
    }
    for (int i = 0; i < EventSiteCount; ++i)
      AddListItem(d, kEventsSite, EventSiteName(i));
    ShowSiteEvents(d);
    return 1;
  }
  if (message != kMsgCommand) return 0;
  switch (LowWord(w)) {
    case kEventsSite:
      if (HighWord(w) == kNotifySelectionChanged && ListSelection(d, kEventsSite) >= 0) {
        gEvents.site = ListSelection(d, kEventsSite);
        ShowSiteEvents(d);
      }
      return 1;
    case kEventsList:
      if (HighWord(w) == kNotifyDoubleClicked) {
        EditSelected(d);
      } else if (HighWord(w) == kNotifySelectionChanged) {
        bool any = SelectedEvent(d) >= 0;
        EnableControl(d, kEventsEdit, any);
        EnableControl(d, kEventsRemove, any);
      }
      return 1;
    case kEventsAdd: {
      if (EventCount >= kMaxEvents) {
        ShowMessageBox(d,
                       Format("The table already holds %d events, the most it can hold. Remove "
                              "an event before adding another.",
                              kMaxEvents),
                       "Timed Events", kBoxOk | kBoxIconExclamation);
        return 1;
      }
      CopyText(WorkingEvent.record, "AAA");
      OpenEventDialog(d, Tasks());
      if (WorkingEvent.record[0]) {
        std::lock_guard<std::mutex> lock(EventTableLock);
        AddEvent(WorkingEvent.record, gEvents.site);
      }
      ShowSiteEvents(d);
      return 1;
    }
    case kEventsEdit:
      EditSelected(d);
      return 1;
    case kEventsRemove: {
      int index = SelectedEvent(d);
      if (index >= 0) {
        std::lock_guard<std::mutex> lock(EventTableLock);
        RemoveEvent(index);
      }
      ShowSiteEvents(d);
      return 1;
    }
    case kCommandOk:
      SaveEvents(gEvents.context->configFile);
      EndDialog(d, kCommandOk);
      return 1;
    case kCommandCancel: {
      {
        std::lock_guard<std::mutex> lock(EventTableLock);
        LoadEvents(gEvents.context->configFile);
      }
      EndDialog(d, kCommandCancel);
      return 1;
    }
  }
  return 0;
}

void FillSlots(WindowHandle d, char kind, int slot) {
  WindowHandle list = FindControl(d, kEventSlots);
  ClearList(list);
  for (int n = 0; n < SlotCount(kind); ++n)
    AddListItem(list, SlotLabel(kind, n));
  SetListSelection(list, slot >= 0 && slot < SlotCount(kind) ? slot : 0);
}

void SetPathMode(WindowHandle d, int button) {
  gEvent.pathMode = true;
  CheckRadio(d, kEventBackup, kEventBatch, button);
  SetControlText(
      d, kEventPathLabel,
      button == kEventBackup ? "Backup location (directory)" : "Batch file location (file)");
  EnableControl(d, kEventPath, true);
  SetListSelection(d, kEventTasks, -1);
}

LResult EventProc(WindowHandle d, unsigned message, WParam w, LParam) {
  if (message == kMsgInitDialog) {
    const char* r = WorkingEvent.record;
    char kind = r[0] >= 'A' && r[0] <= 'D' ? r[0] : 'A';
    CheckRadio(d, kEventMonthly, kEventHourly, kEventMonthly + (kind - 'A'));
    FillSlots(d, kind, r[1] - 'A');
    if (std::strcmp(r, "AAA") != 0) SetWindowTitle(d, "Edit Timer Event");
    const ExportedTask* tasks = gEvent.tasks;
    bool anyTask = tasks && tasks[0].owner >= 0;
    EnableControl(d, kEventTasks, anyTask);
    for (int i = 0; anyTask && i < 50 && tasks[i].owner >= 0; ++i)
      AddListItem(d, kEventTasks, tasks[i].name);
    std::string parameter = std::strlen(r) > 3 ? r + 3 : "";
    gEvent.pathMode = false;
    EnableControl(d, kEventPath, false);
    if (r[2] == 'C' || r[2] == 'F') {
      SetPathMode(d, r[2] == 'C' ? kEventBackup : kEventBatch);
      if (!parameter.empty()) SetControlText(d, kEventPath, parameter);
    } else if (r[2] == 'D' && !parameter.empty()) {
      for (int i = 0; anyTask && i < 50 && tasks[i].owner >= 0; ++i) {
        if (std::strncmp(tasks[i].name, parameter.c_str(), parameter.size()) == 0) {
          SetListSelection(d, kEventTasks, i);
          break;
        }
      }
    }
    WorkingEvent.record[0] = '\0';  // leaving without OK leaves no record
    return 1;
  }
  if (message != kMsgCommand) return 0;
  int id = static_cast<int>(LowWord(w));
  switch (id) {
    case kEventMonthly:
    case kEventWeekly:
    case kEventDaily:
    case kEventHourly:
      CheckRadio(d, kEventMonthly, kEventHourly, id);
      FillSlots(d, kKinds[id - kEventMonthly], 0);
      return 1;
    case kEventBackup:
    case kEventBatch:
      SetPathMode(d, id);
      return 1;
    case kEventTasks:
      if (HighWord(w) == kNotifySelectionChanged && ListSelection(d, kEventTasks) >= 0) {
        SetCheck(d, kEventBackup, kUnchecked);
        SetCheck(d, kEventBatch, kUnchecked);
        gEvent.pathMode = false;
        SetControlText(d, kEventPathLabel, "");
        EnableControl(d, kEventPath, false);
      }
      return 1;
    case kCommandOk: {
      char record[kEventRecordSize] = {};
      for (int k = 0; k < 4; ++k)
        if (CheckStateOf(d, kEventMonthly + k) == kChecked) record[0] = kKinds[k];
      if (!record[0]) record[0] = 'A';
      int slot = ListSelection(d, kEventSlots);
      record[1] = static_cast<char>('A' + (slot < 0 ? 0 : slot));
      record[2] = CheckStateOf(d, kEventBackup) == kChecked  ? 'C'
                  : CheckStateOf(d, kEventBatch) == kChecked ? 'F'
                                                             : 'D';
      std::string parameter;
      if (gEvent.pathMode) {
        parameter = ControlText(d, kEventPath);
        if (parameter.empty()) {
          ShowMessageBox(d, "A path must be entered in the edit box", "ERROR",
                         kBoxOk | kBoxIconExclamation);
          return 1;
        }
      } else if (record[2] == 'D') {
        int task = ListSelection(d, kEventTasks);
        if (task < 0) {
          TimerAuditEntry(99, "Please select an action to perform", nullptr, nullptr);
          ShowMessageBox(d, "Please select an action to perform", "CRITICAL ERROR!",
                         kBoxOk | kBoxIconExclamation);
          return 1;
        }
        parameter = ListItemText(d, kEventTasks, task);
      }
      parameter.resize(std::min<size_t>(parameter.size(), kEventParamSize - 1));
      CopyText(record + 3, kEventRecordSize - 3, parameter);
      CopyText(WorkingEvent.record, std::string_view(record));
      EndDialog(d, kCommandOk);
      return 1;
    }
    case kCommandCancel:
      EndDialog(d, kCommandCancel);
      return 1;
  }
  return 0;
}

}  // namespace

DialogTemplate EventsDialogTemplate() {
  DialogTemplate t;
  t.title = "Timed Events";
  t.width = 520;
  t.height = 330;
  t.controls = {
      {kEventsAbout, ControlKind::kStatic,
       "Timed Events: set events to be performed at specific dates and times. Tagsteward "
       "cannot be used while this window is open.",
       RectAt(10, 10, 500, 36), 0},
      {kEventsSite, ControlKind::kComboBox, "", RectAt(10, 50, 300, 24), kStyleDropDownList},
      {kEventsList, ControlKind::kListBox, "", RectAt(10, 80, 400, 230), 0},
      {kEventsAdd, ControlKind::kPushButton, "Add", RectAt(420, 80, 90, 24), 0},
      {kEventsEdit, ControlKind::kPushButton, "Edit", RectAt(420, 110, 90, 24), kStyleDisabled},
      {kEventsRemove, ControlKind::kPushButton, "Remove", RectAt(420, 140, 90, 24), kStyleDisabled},
      {kCommandOk, ControlKind::kPushButton, "OK", RectAt(420, 256, 90, 24), kStyleDefaultButton},
      {kCommandCancel, ControlKind::kPushButton, "Cancel", RectAt(420, 286, 90, 24), 0},
  };
  return t;
}

DialogTemplate EventDialogTemplate() {
  DialogTemplate t;
  t.title = "Add Timer Event";
  t.width = 560;
  t.height = 330;
  auto radio = [](int id, const char* caption, int x, int y, unsigned style) {
    return ControlTemplate{id, ControlKind::kRadioButton, caption, RectAt(x, y, 160, 22), style};
  };
  t.controls = {
      {kEventWhen, ControlKind::kGroupBox, "When", RectAt(10, 10, 260, 270), 0},
      radio(kEventMonthly, "Monthly Event", 20, 30, kStyleGroup),
      radio(kEventWeekly, "Weekly Event", 20, 54, 0),
      radio(kEventDaily, "Daily Event", 20, 78, 0),
      radio(kEventHourly, "Hourly Event", 20, 102, 0),
      {kEventSlots, ControlKind::kListBox, "", RectAt(20, 130, 240, 140), 0},
      {kEventWhat, ControlKind::kGroupBox, "What", RectAt(280, 10, 270, 270), 0},
      radio(kEventBackup, "Complete site backup", 290, 30, kStyleGroup),
      radio(kEventBatch, "Run Batch File", 290, 54, 0),
      {kEventPathLabel, ControlKind::kStatic, "", RectAt(290, 80, 250, 20), 0},
      {kEventPath, ControlKind::kEdit, "", RectAt(290, 102, 250, 22), kStyleAutoScroll},
      {kEventTasks, ControlKind::kListBox, "", RectAt(290, 130, 250, 140), kStyleDisabled},
      {kCommandOk, ControlKind::kPushButton, "OK", RectAt(360, 292, 90, 26), kStyleDefaultButton},
      {kCommandCancel, ControlKind::kPushButton, "Cancel", RectAt(460, 292, 90, 26), 0},
  };
  return t;
}

int OpenEventDialog(WindowHandle owner, const ExportedTask* tasks) {
  gEvent.tasks = tasks;
  return RunDialog(owner, EventDialogTemplate(), EventProc, 0);
}

int OpenEventsDialog(PluginContext* context) {
  gEvents = EventsState{};
  gEvents.context = context;
  if (TimerInitCount == 0) {
    std::lock_guard<std::mutex> lock(EventTableLock);
    LoadEvents(context->configFile);
  }
  return RunDialog(static_cast<WindowHandle>(context->mainWindow), EventsDialogTemplate(),
                   EventsProc, 0);
}
