// The two value choosers: "Select Value" picks one line of a list of values, "Multiple
// Selection" builds a value of several out of a multiple-value list file.
#pragma once

#include "platform/ui.h"
#include "schema/value_lists.h"

// Control ids of "Select Value".
enum : int {
  kIdChooseLabel = 1100,  // "Choose a metatag value from this list:"
  kIdChooseList = 1101,   // the lines offered, sorted
};

// Control ids of "Multiple Selection".
enum : int {
  kIdMultiLabel = 1110,      // "MultiList"
  kIdMultiFile = 1111,       // read-only: the list file's name
  kIdMultiText = 1112,       // free text; Enter in it adds it
  kIdMultiValues = 1113,     // every value of the file, sorted, multi-select
  kIdMultiChosen = 1114,     // the chosen values, sorted, multi-select
  kIdMultiAdd = 1115,        // "add ->"
  kIdMultiRemove = 1116,     // "<- remove"
  kIdMultiAddAll = 1117,     // "all ->>"
  kIdMultiRemoveAll = 1118,  // "<<- none"
};

platform::DialogTemplate ChooseValueTemplate();
platform::DialogTemplate ChooseValuesTemplate();

// Single-value chooser "Select Value": modal over owner, its top-left at (request->x,
// request->y) on the screen, titled with request->text. True when closed with OK: request->text
// then holds the chosen line's value (before its first comma, cut at the text's capacity).
// Otherwise (Escape, the close box, OK on an empty list) request->text is left unchanged.
bool ChooseValue(platform::WindowHandle owner, ChooserRequest* request);

// Multiple-value chooser "Multiple Selection" over the list file named by request->options,
// starting from the values of request->text. True when closed with OK (request->text = the
// chosen values joined by MTsepS, cut at capacity); false when it closed on an error
// (M038/M034/M035/M036/M037 reported), text unchanged. Escape and the close box do nothing.
bool ChooseValues(platform::WindowHandle owner, ChooserRequest* request);

// The screen point of a window's client point (x, y).
platform::Point ClientToScreen(platform::WindowHandle window, int x, int y);

// Installs ChooseValue as AddPageTag's chooser (at the client point it is given, turned into
// screen coordinates), so a tag added in the window offers the schema's values.
void InstallAddTagChooser();
