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
