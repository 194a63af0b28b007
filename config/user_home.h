// Where a start from the desktop menu works. Such a start has no command line and its current
// directory is usually the user's home, which holds no configuration. The program then works in
// a per-user home under the XDG data directory, which holds what a start-up directory holds
// (templates, value lists, plug-ins, font files), and keeps its configuration under the XDG
// config directory.
#pragma once

#include <string>

// $XDG_DATA_HOME/tagsteward (an unset or relative variable means ~/.local/share).
std::string UserDataHome();
// $XDG_CONFIG_HOME/tagsteward (an unset or relative variable means ~/.config).
std::string UserConfigHome();
// Creates UserConfigHome() with its parents. 0 or -1.
int MakeUserConfigHome();

// For a start without a command line. When the current directory holds META.INI it serves as
// start-up and configuration directory, as always, and "" is returned. Otherwise the data home
// is prepared (on its first use everything under sharedDataDir is copied into it, files it
// already has are kept), the config home is created, the data home is made current and its
// path returned; the caller then passes UserConfigHome() as the command line. "" as well when
// the data home cannot be made (the current directory is used).
std::string PrepareUserHome(const std::string& sharedDataDir);
