/* Plug-ins for the host's tests, built with: TP_CAPTION; TP_ID (answer the identify call with it)
   or TP_SILENT (leave the block alone), else no CPIcallback; TP_TASKS 1 (two tasks) or 2 (sixty);
   TP_NO_ENTRY; TP_BITMAP (a menu image); TP_TIMER (TimerThreadInit, and TimerRunOnce asking for the host's INHERIT task).
   Every call is noted in the log TpLog returns. */
#include <stdio.h>
#include <string.h>

#include "plugins/tsp.h"

#define EXPORT __attribute__((visibility("default")))

static char gLog[4096];

static void Note(const char* text) {
  size_t used = strlen(gLog);
  snprintf(gLog + used, sizeof gLog - used, "%s;", text);
}

EXPORT const char* TpLog(void) {
  return gLog;
}

EXPORT const char* TspCaption(void) {
  return TP_CAPTION;
}

#ifdef TP_BITMAP
/* A 2 x 1 BMP of 24 bits: a red and a blue pixel, the row padded to 8 bytes. */
static const unsigned char kBmp[62] = {
    'B', 'M', 62, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, /* file header */
    40,  0,   0,  0, 2, 0, 0, 0, 1, 0, 0,  0, 1, 0, 24, 0, 0, 0, 0, 0, 8, 0, 0, 0,
    0,   0,   0,  0, 0, 0, 0, 0, 0, 0, 0,  0, 0, 0, 0,  0, /* info header */
    0,   0,   255, 255, 0, 0, 0, 0};

EXPORT const unsigned char* TspBitmap(size_t* size) {
  *size = sizeof kBmp;
  return kBmp;
}
#endif

#ifndef TP_NO_ENTRY
EXPORT intptr_t Entrypoint(void* window, PluginContext* context) {
  (void)window;
  Note(context && context->internalVersion == TS_CONTEXT_VERSION ? "entry" : "entry?");
  return 0;
}
#endif

#if defined(TP_ID) || defined(TP_SILENT)
EXPORT intptr_t CPIcallback(void* window, CpiBlock* block) {
  char line[128];
  (void)window;
  snprintf(line, sizeof line, "cpi %d %d %d", (int)block->w0, (int)block->w1, (int)block->w2);
  Note(line);
#ifdef TP_ID
  if (block->w2 == TSP_CPI_IDENTIFY) {
    block->w0 = 1;
    block->w1 = TP_ID;
    block->w2 = TSP_CPI_IDENTIFIED;
  } else if (block->w2 == TSP_CPI_INITIALISE) {
    PluginContext* context = (PluginContext*)block->w3;
    Note(context && context->internalVersion == TS_CONTEXT_VERSION ? "context" : "no context");
#if TP_TASKS == 1
    static const char names[] = "Tidy the news\0Count the pages";
    CpiBlock request = {1, TP_ID, TSP_CPI_REGISTER_TASKS, (intptr_t)names, 2, 0};
    TspSendMessage(window, TSP_MSG_PLUGIN_REQUEST, TP_ID, (intptr_t)&request);
#elif TP_TASKS == 2
    static char names[60 * 48];
    char* at = names;
    for (int k = 0; k < 60; ++k)
      at += snprintf(at, 48, "Task %02d with a name longer than the slot", k) + 1;
    CpiBlock request = {1, TP_ID, TSP_CPI_REGISTER_TASKS, (intptr_t)names, 60, 0};
    TspSendMessage(window, TSP_MSG_PLUGIN_REQUEST, TP_ID, (intptr_t)&request);
#endif
  } else if (block->w2 == TSP_CPI_RUN_TASK) {
    snprintf(line, sizeof line, "run %d", (int)block->w3);
    Note(line);
  }
#endif
  return 0;
}
#endif

#ifdef TP_TIMER
EXPORT intptr_t TimerThreadInit(void* window, PluginContext* context) {
  (void)window;
  Note(context->exportedTasks ? "timer started" : "timer started without tasks");
  return 0;
}

/* Takes the busy word, asks the host for its INHERIT task by name, waits for it, frees the word. */
EXPORT intptr_t TimerRunOnce(void* window, PluginContext* context, int64_t when) {
  (void)when;
  int32_t idle = 0;
  if (!__atomic_compare_exchange_n(&context->busy, &idle, TSP_TIMER_ID, 0, __ATOMIC_SEQ_CST,
                                   __ATOMIC_SEQ_CST))
    return -1;
  intptr_t ran = 0;
  for (ExportedTask* task = context->exportedTasks; task && task->owner >= 0; ++task) {
    if (strcmp(task->name, "INHERIT metatags into all docs") != 0) continue;
    CpiBlock request = {1, TSP_TIMER_ID, TSP_CPI_RUN_TASK, task->owner, task->command, 0};
    context->requestPending = 1;
    TspSendMessage(window, TSP_MSG_PLUGIN_REQUEST, TSP_TIMER_ID, (intptr_t)&request);
    ran = context->requestPending == 0 ? 1 : 0;
    break;
  }
  __atomic_store_n(&context->busy, 0, __ATOMIC_SEQ_CST);
  return ran;
}
#endif
