#include "plugins/context.h"

PluginContext gPluginContext = {};
