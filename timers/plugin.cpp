// The plug-in's exports: all the host looks up by name.
#include "plugins/tsp.h"
#include "timers/dialogs.h"
#include "timers/timer.h"

#define TIMERS_EXPORT extern "C" __attribute__((visibility("default")))

TIMERS_EXPORT const char* TspCaption(void) {
  return "Timed Events";
}

TIMERS_EXPORT intptr_t Entrypoint(void*, PluginContext* context) {
  if (!context) return 0;
  return OpenEventsDialog(context);
}

TIMERS_EXPORT intptr_t CPIcallback(void*, CpiBlock* block) {
  if (!block) return 0;
  if (block->w2 == TSP_CPI_IDENTIFY) {
    block->w0 = 1;
    block->w1 = TSP_TIMER_ID;
    block->w2 = TSP_CPI_IDENTIFIED;
  }
  return 0;
}

TIMERS_EXPORT intptr_t TimerThreadInit(void*, PluginContext* context) {
  if (!context) return 0;
  return StartTimerPlugin(context);
}

TIMERS_EXPORT intptr_t TimerRunOnce(void*, PluginContext* context, int64_t when) {
  if (!context) return -1;
  return RunTimerOnce(context, when);
}
