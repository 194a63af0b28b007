// The about box, and the string loader it uses.
#pragma once

#include "platform/ui.h"

// The modal about box. Returns its result.
int AboutBox(platform::WindowHandle owner);
// String resource id in a shared 260-byte buffer ("" when none); the next call overwrites it.
const char* LoadResString(int id);
