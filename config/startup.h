// The program's entry and exit: the start-up in its order, the splash window, the first-run
// sequence, the four big tables and the shutdown.
#pragma once

#include <vector>

#include "platform/ui.h"

// Installs the windows the tasks and the first run ask their questions with (the CLI has none).
void InstallProgramDialogs();

// Runs the program: commandLine is empty or the configuration directory. The exit code.
int ProgramEntry(const char* commandLine, platform::ShowState show);

// Reserves the schema text, schema index, page tag table and value options in the configured
// sizes, in that order. 1, or 0 when one could not be had (its message was shown and none of
// the four is held).
int ReserveTables();
// Releases the four tables.
void ReleaseTables();

// What the main window's destruction runs: settings written, Expert bar gone, tables released,
// quit posted with 0.
void Shutdown();

// Restores the main window when it is minimised and brings it to the front (another start of
// the program asked for it with platform::kMsgRaiseInstance).
void RaiseMainWindow();

// The splash window (dialog 117) over owner. titleBuffer holds the main window's title; it is
// emptied when the program must end. Returns the dialog's result.
int SplashWindow(platform::WindowHandle owner, char (&titleBuffer)[64]);
platform::DialogTemplate SplashTemplate();

// What the settings reader runs when META.INI does not exist (installed by ProgramEntry): the
// directories, the setup wizard, the files of a new installation. -2 to go on, -1 to stop.
int FirstRunSequence(platform::WindowHandle owner);

// The main window's accelerator keys.
std::vector<platform::Accelerator> MainAccelerators();
