// Where the program was: each main operation sets its own fixed number when it starts, and the
// diagnostics dump reports the last one set. The numbers are read from users' dumps: never
// renumber one, only add.
#pragma once

#include <cstdint>

// Written by the main thread, read by the fatal-signal handler and the diagnostics window.
extern volatile int32_t sourceline;

enum SourceLine : int32_t {
  kLineReadPageTags = 110,
  kLineRewriteHead = 120,
  kLineSavePage = 130,
  kLineLoadSchema = 210,
  kLineReadSettings = 310,
  kLineWriteSettings = 320,
  kLineReadSiteList = 330,
  kLineSwitchSite = 340,
  kLineSiteTask = 410,
  kLineWalkDocuments = 420,
  kLineUpdateSitemap = 510,
};
