#include "plugins/context.h"

PluginContext gPluginContext = {};
int PluginCount = 0;
