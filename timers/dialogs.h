// The timer plug-in's dialogs: the events of one site, and one event.
#pragma once

#include "platform/ui.h"
#include "plugins/tsp.h"
#include "timers/events.h"

// Events dialog.
enum : int {
  kEventsSite = 1001,
  kEventsList = 1002,
  kEventsAdd = 1003,
  kEventsEdit = 1004,
  kEventsRemove = 1005,
  kEventsAbout = 1006,
};

// Event dialog.
enum : int {
  kEventMonthly = 1101,
  kEventWeekly = 1102,
  kEventDaily = 1103,
  kEventHourly = 1104,
  kEventSlots = 1105,
  kEventBackup = 1106,
  kEventBatch = 1107,
  kEventPathLabel = 1108,
  kEventPath = 1109,
  kEventTasks = 1110,
  kEventWhen = 1111,
  kEventWhat = 1112,
};

// The record the event dialog edits: empty after the dialog unless it ended with OK.
extern TimerEvent WorkingEvent;

platform::DialogTemplate EventsDialogTemplate();
platform::DialogTemplate EventDialogTemplate();

// Opens the events dialog over the host's main window (the result of the dialog).
int OpenEventsDialog(PluginContext* context);
// Opens the event dialog on WorkingEvent with the host's exported tasks.
int OpenEventDialog(platform::WindowHandle owner, const ExportedTask* tasks);
