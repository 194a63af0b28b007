// The dialog that gathers the parameters of the search, replace and delete tasks.
#pragma once

#include "platform/ui.h"

// Control ids of the three dialog templates.
enum : int {
  kIdTaskTagName = 1001,        // editable combo box of the schema's tag names
  kIdTaskReportFile = 1002,     // search: the report file
  kIdTaskValueFilter = 1003,    // search and replace: the value filter
  kIdTaskReplacement = 1004,    // replace: the replacement
  kIdTaskDeleteFilter = 1005,   // delete: the value filter
  kIdTaskShowResults = 1006,    // search: "Show me the results when complete"
  kIdTaskCaseSensitive = 1007,  // search: "Case sensitive search"
};

// The dialog template of a mode: 0 "Search for metatag", 1 "Search and Replace metatag values",
// 3 "Delete a metatag".
platform::DialogTemplate TaskDialogTemplate(int mode);

// Opens the dialog of the mode over owner, its fields showing what gTask holds (the task's
// preparation sets the defaults). OK copies the mode's fields into gTask and returns true;
// Cancel sets the search kind to 0, changes nothing else and returns false. The checks of OK
// (an empty tag name, the report file) belong to the task's preparation, which opens the dialog
// again while they fail. Installed with SetTaskDialog.
bool SearchReplaceDeleteDialog(platform::WindowHandle owner, int mode);
