// The Expert bar: the floating strip that stands in for the minimised main window.
#pragma once

#include "platform/ui.h"

extern platform::WindowHandle hwndToolBar;  // the Expert bar, or nullptr

// Sending the bar kMsgProgress (or command 1024) repaints its progress strip from percent and
// keeps it unfolded; any other command it receives goes on to the main window.

// Creates the Expert bar (at most one) and sets ToolBarOn. Returns it.
platform::WindowHandle CreateExpertBar();
// Destroys it and clears ToolBarOn.
void DestroyExpertBar();
// Moves it in or out of the topmost layer.
void SetExpertBarTopmost(bool topmost);

// Where the bar finds the image of plug-in index (0 .. PluginCount - 1); nullptr or an empty
// bitmap leaves the cell blank. The plug-in host installs it; nullptr removes it.
using PluginBitmapSource = const platform::Bitmap* (*)(int index);
void SetPluginBitmapSource(PluginBitmapSource source);
