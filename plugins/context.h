// The host's one instance of the plug-in context.
#pragma once

#include "plugins/tsp.h"

extern PluginContext gPluginContext;

// Confirmation word bits.
enum : unsigned {
  kConfirmActions = 1,
  kConfirmPauseMinor = 2,
  kConfirmLogMinor = 4,
  kConfirmBeepMinor = 8,
};

// Plug-ins loaded (the table is in plugins/host.h).
extern int PluginCount;

// Takes the busy word for value when it is free (0), in one atomic step, so that the program
// and a timer plug-in never both believe they own it. False when another side holds it; the
// host's own value 1 is also granted while the host serves a request of the timer plug-in
// (see ServingTimer in plugins/host.h).
bool TakeBusyWord(int32_t value = 1);
// True while the timer plug-in runs its events: the host then runs unattended.
bool TimerHoldsBusyWord();
// Frees the busy word if value holds it.
void ReleaseBusyWord(int32_t value = 1);

// The exported-task table: the host's own tasks and those plug-ins register. A slot whose owner
// is negative ends the table.
constexpr int kMaxExportedTasks = 50;
extern ExportedTask ExportedTasks[kMaxExportedTasks];
extern int ExportedTaskCount;

// Screen height, width and the average character width, shared with plug-ins.
extern ScreenMetrics gScreenMetrics;

// Empties the exported-task table: owner -1 in every slot, count 0.
void ClearExportedTasks();
