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

// The exported-task table: the host's own tasks and those plug-ins register. A slot whose owner
// is negative ends the table.
constexpr int kMaxExportedTasks = 50;
extern ExportedTask ExportedTasks[kMaxExportedTasks];
extern int ExportedTaskCount;

// Screen height, width and the average character width, shared with plug-ins.
extern ScreenMetrics gScreenMetrics;

// Empties the exported-task table: owner -1 in every slot, count 0.
void ClearExportedTasks();
