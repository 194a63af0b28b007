// The notify box: a borderless note with an information icon shown while work is prepared.
#pragma once

#include "platform/ui.h"

// Shows text in a notify box owned by owner and returns it; nullptr when none is shown (a timed
// event runs). The caller destroys the box.
platform::WindowHandle ShowNotifyBox(platform::WindowHandle owner, const char* text);
