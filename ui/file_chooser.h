// Choosing a program file (a browser, an editor) with the open-file dialog.
#pragma once

#include "platform/ui.h"

extern int ChosenFileFlag;    // 1 when the last ChooseProgramFile chose a file
extern char ChosenFile[260];  // the path it chose

// Opens the file dialog with the title and "_"-separated filter (nullptr: executables and all
// files). 1 when a file was chosen (ChosenFile), else 0.
int ChooseProgramFile(platform::WindowHandle owner, const char* title, const char* filter);
// The message box for a common dialog error code; 0 shows nothing.
void ShowDialogError(unsigned code, platform::WindowHandle owner);
