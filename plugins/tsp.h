/* The boundary between Tagsteward and its plug-ins: the shared context record and the
   exported-task table. Plain C layout; words that carry an address are pointer-sized. */
#pragma once

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct ScreenMetrics {
  int32_t height;
  int32_t width;
  int32_t averageCharWidth;
} ScreenMetrics;

typedef struct ExportedTask {
  int32_t owner;   /* 1 the host, a plug-in's id, -1 an empty slot */
  int32_t command; /* owner 1: the main window command id; else the plug-in's task number */
  char name[32];
} ExportedTask;

typedef struct PluginContext {
  uint32_t internalVersion; /* always 2515 */
  char configFile[256];     /* full path of META.INI */
  char rootCopy[256];       /* copy of the current site's root path */
  void* mainWindow;
  char* currentSite; /* address of the current site name (256 bytes) */
  char* rootPath;    /* address of the root path */
  char* startupPath; /* address of the start-up path */
  ScreenMetrics* screen;
  int32_t busy;          /* 0 idle, 1 host busy, 1001 timer plug-in busy */
  uint32_t confirmation; /* the confirmation word */
  int32_t requestPending;
  ExportedTask* exportedTasks;
} PluginContext;

#define TS_CONTEXT_VERSION 2515

#ifdef __cplusplus
}
#endif
