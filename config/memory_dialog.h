// Memory sizing: the "Memory Management" dialog for the sizes of the four big tables, and the
// change of sizes the main window runs for its command.
#pragma once

#include "platform/ui.h"

// Set to 1 by the dialog's OK: the sizes changed.
extern int memchangeflag;

// Field ids of the dialog.
enum : int {
  kMemSchemaBytes = 1001,
  kMemSchemaTags = 1002,
  kMemPageTags = 1003,
  kMemOptionBytes = 1004,
};

// The dialog (121): the four sizes as numbers. OK stores them and sets memchangeflag.
int MemoryDialog(platform::WindowHandle owner);
platform::DialogTemplate MemoryDialogTemplate();

// The "Memory Management" command: the dialog, then the tables reserved anew in the new sizes,
// the schema reloaded and the settings written. While the new sizes cannot be had the dialog
// comes back; when the user gives up (cancels, or confirms the sizes that just failed) the
// previous sizes are restored and reserved again, so the program always keeps its tables.
// 1 when new sizes took effect, 0 otherwise.
int ChangeMemorySizes(platform::WindowHandle owner);
