#include "plugins/context.h"

PluginContext gPluginContext = {};
int PluginCount = 0;
ExportedTask ExportedTasks[kMaxExportedTasks];
int ExportedTaskCount = 0;
ScreenMetrics gScreenMetrics = {};

void ClearExportedTasks() {
  for (ExportedTask& task : ExportedTasks)
    task = ExportedTask{-1, 0, {}};
  ExportedTaskCount = 0;
}
