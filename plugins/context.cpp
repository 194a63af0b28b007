#include "plugins/context.h"

PluginContext gPluginContext = {};
bool ServingTimer = false;
int PluginCount = 0;

bool TakeBusyWord(int32_t value) {
  int32_t expected = 0;
  if (__atomic_compare_exchange_n(&gPluginContext.busy, &expected, value, false, __ATOMIC_SEQ_CST,
                                  __ATOMIC_SEQ_CST))
    return true;
  // A task the timer plug-in asked for runs as part of its event, and the word stays the
  // timer's (ReleaseBusyWord(1) leaves 1001 alone); the user's commands wait for it.
  return value == 1 && expected == TSP_TIMER_ID && ServingTimer;
}

bool TimerHoldsBusyWord() {
  return __atomic_load_n(&gPluginContext.busy, __ATOMIC_SEQ_CST) == TSP_TIMER_ID;
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
