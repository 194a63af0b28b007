// The Expert bar: the floating strip that stands in for the minimised main window.
#pragma once

#include "platform/ui.h"

extern platform::WindowHandle hwndToolBar;  // the Expert bar, or nullptr

// Creates the Expert bar (at most one) and sets ToolBarOn. Returns it.
platform::WindowHandle CreateExpertBar();
// Destroys it and clears ToolBarOn.
void DestroyExpertBar();
// Moves it in or out of the topmost layer.
void SetExpertBarTopmost(bool topmost);
