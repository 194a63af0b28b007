// The settings dialogs of the Setup menu: business rules, markup options with their sitemap and
// automatic-tag dialogs, general and advanced options, and the directory chooser. Each edits the
// globals of config/settings.h; the caller writes the settings after a confirmed change.
#pragma once

#include "platform/ui.h"

// Control ids of the business rules dialog.
enum : int {
  kIdRulesBranch = 1101,          // the branch directory (temporary rules only, disabled)
  kIdRulesInheritedFirst = 1102,  // "NEVER allow duplicates", "Allow when flagged in Schema",
                                  // "ANY may be duplicated": 1102 .. 1104
  kIdRulesPageFirst = 1105,       // the same for the page's own tags: 1105 .. 1107
  kIdRulesRoot = 1108,            // "Root priority"
  kIdRulesLocal = 1109,           // "Local priority"
  kIdRulesPreserve = 1110,        // "Preserve existing page tags"
};

// The business rules dialog: permanent 1 "Edit Business Rules" (the site's rules, saved),
// 0 "Temporary Business Rules" for a branch (shows gBranch, disabled; changes strategy for
// the branch run only). Returns 1 for OK, 0 for Cancel.
// OK sets strategy from the controls alone; it writes nothing, and after a branch run with
// temporary rules the caller puts the site's strategy back before anything writes the settings.
int BusinessRulesDialog(platform::WindowHandle owner, int permanent);
platform::DialogTemplate BusinessRulesTemplate(int permanent);
