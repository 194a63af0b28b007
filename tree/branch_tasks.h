// Branch Tasks: the site tasks run over one branch of the document tree, chosen in the document
// selection and moved in the dialog "Branch Tasks", with the site's business rules or temporary
// ones.
#pragma once

#include "platform/ui.h"

// Control ids of the dialog "Branch Tasks".
enum : int {
  kIdBranchPath = 1811,      // read-only: the branch the tasks run on
  kIdBranchList = 1812,      // its subdirectories, "[name]", with "[..]" first below the root
  kIdBranchTasks = 1813,     // "Tasks...": the Branch Tasks menu
  kIdBranchOverride = 1814,  // "Override Business Rules"
  kIdBranchDone = 1815,      // "Done"
};

constexpr const char kBranchTasksTitle[] = "Branch Tasks";

// The Branch Tasks menu: the task ids with their branch texts, in menu order.
platform::MenuHandle CreateBranchTasksMenu();

// The main menu's Branch Tasks: the document selection picks the branch (gBranch); when one was
// picked, the dialog runs for it.
void BranchTasksCommand(platform::WindowHandle window);

// The dialog "Branch Tasks" for gBranch: the list moves the branch (never out of the site), a
// menu command runs that task on the branch with the dialog hidden, "Override Business Rules"
// sets rules for these runs only. RootPath and strategy are the site's again when it closes
// ("Done" or Escape), and the site's root is the current directory.
void BranchTasksDialog(platform::WindowHandle owner);
