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

// Plug-ins loaded (none until the plug-in host is built).
extern int PluginCount;

// Takes the busy word for value when it is free (0), in one atomic step, so that the program
// and a timer plug-in never both believe they own it. False when another side holds it.
bool TakeBusyWord(int32_t value = 1);
// Frees the busy word if value holds it.
void ReleaseBusyWord(int32_t value = 1);

// The exported-task table: tasks the host and the plug-ins offer one another.
constexpr int kMaxExportedTasks = 50;
extern ExportedTask ExportedTasks[kMaxExportedTasks];
extern int ExportedTaskCount;
// Empties the table: every slot's owner -1, count 0.
void ClearExportedTasks();
