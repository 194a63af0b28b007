/* The boundary between Tagsteward and its plug-ins. This header is all a plug-in writer needs.

   A plug-in is an ELF shared object whose file name ends in ".TSP" (any case), placed in the
   directory Tagsteward starts from (or, for an installed program, ~/.local/share/tagsteward/
   plugins). Tagsteward loads it while its main window is created and gives it one item in the
   "Plugins" menu. Everything a plug-in exports is looked up by name with C linkage:

     const char* TspCaption(void);              menu caption, at most 29 characters (required)
     const unsigned char* TspBitmap(size_t*);   menu image as a BMP file in memory (optional)
     intptr_t Entrypoint(void* window, PluginContext* context);        opens the plug-in's UI
     intptr_t CPIcallback(void* window, CpiBlock* block);               command block (optional)
     intptr_t TimerThreadInit(void* window, PluginContext* context);   the timer plug-in only

   The host exports, for plug-ins to call (resolved when the plug-in is loaded):

     intptr_t TspSendMessage(void* window, uint32_t message, uintptr_t wparam, intptr_t lparam);
         runs the message on the main window's thread and returns its answer; safe from any
         thread of the plug-in
     int ExtractMetatags(void* window, const char* path, int fd);
     int DlgOpenFile(void* window, uint32_t value, uint32_t flags, const char* filter,
                     char* name, uint32_t nameSize, char* title, uint32_t titleSize);

   Plain C layout. Words that carry an address are pointer-sized; every other word keeps its
   32-bit width. Window handles are opaque pointers. */
#pragma once

#include <stddef.h>
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

/* The command block. w3 and w4 carry an address for some commands, so they are
   pointer-sized; the others are 32-bit words. */
typedef struct CpiBlock {
  int32_t w0;
  int32_t w1;
  int32_t w2;
  intptr_t w3;
  intptr_t w4;
  int32_t w5;
} CpiBlock;

#define TS_CONTEXT_VERSION 2515

/* Commands of the block (w2). */
#define TSP_CPI_IDENTIFY 0
#define TSP_CPI_IDENTIFIED 1
#define TSP_CPI_INITIALISE 2
#define TSP_CPI_RUN_TASK 4
#define TSP_CPI_REGISTER_TASKS 15

/* Window messages the main window accepts from plug-ins. */
#define TSP_MSG_SWITCH_SITE 1184       /* switch to the site named in *currentSite */
#define TSP_MSG_RELOAD_MAIL_QUEUE 1185 /* read "Mail Queue" again */
#define TSP_MSG_PLUGIN_REQUEST 1186    /* wparam: sender's id; lparam: address of a CpiBlock */
#define TSP_MSG_COMMAND 273            /* wparam: a menu command id (low 16 bits) */

/* The host's own exported tasks (owner 1). */
#define TSP_HOST_OWNER 1
#define TSP_TIMER_ID 1001

intptr_t TspSendMessage(void* window, uint32_t message, uintptr_t wparam, intptr_t lparam);

typedef const char* (*TspCaptionFn)(void);
typedef const unsigned char* (*TspBitmapFn)(size_t* size);
typedef intptr_t (*TspEntrypointFn)(void* window, PluginContext* context);
typedef intptr_t (*TspCpiCallbackFn)(void* window, CpiBlock* block);
typedef intptr_t (*TspTimerThreadInitFn)(void* window, PluginContext* context);

#ifdef __cplusplus
}
#endif
