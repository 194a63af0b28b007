#include "plugins/context.h"

PluginContext gPluginContext = {};
int PluginCount = 0;

bool TakeBusyWord(int32_t value) {
  int32_t expected = 0;
  return __atomic_compare_exchange_n(&gPluginContext.busy, &expected, value, false,
                                     __ATOMIC_SEQ_CST, __ATOMIC_SEQ_CST);
}

void ReleaseBusyWord(int32_t value) {
  int32_t expected = value;
  __atomic_compare_exchange_n(&gPluginContext.busy, &expected, 0, false, __ATOMIC_SEQ_CST,
                              __ATOMIC_SEQ_CST);
}

ExportedTask ExportedTasks[kMaxExportedTasks];
int ExportedTaskCount = 0;
ScreenMetrics gScreenMetrics = {};

void ClearExportedTasks() {
  for (ExportedTask& task : ExportedTasks)
    task = ExportedTask{-1, 0, {}};
  ExportedTaskCount = 0;
  gPluginContext.exportedTasks = ExportedTasks;
}
