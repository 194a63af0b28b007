// The drive and directory lists of the dialogs that choose a directory by navigating: a list of
// the roots a user needs, a list of the current directory's subdirectories, and a field that
// shows the current directory.
#pragma once

#include <string>

#include "platform/ui.h"

// The control ids of one dialog's lists and field.
struct DirectoryLists {
  int drives;
  int dirs;
  int shown;
};

// The current directory, or "" when it cannot be read.
std::string CurrentDirectory();

// Makes directory current and fills both lists and the field from it.
void ShowDirectoryLists(platform::WindowHandle d, const DirectoryLists& ids, const char* directory);

// A double click on a drive or a directory makes it current and refreshes the directory list
// and the field. True when the command was such a double click.
bool HandleDirectoryListCommand(platform::WindowHandle d, const DirectoryLists& ids,
                                platform::WParam w);
