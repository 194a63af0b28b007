// Whether the site's root, or a branch of it, is a tree a task may walk. A bad setting must never
// aim a task at another tree: a missing key, a cut path, the file system's root or the user's
// home directory are refused before anything is read or written.
#pragma once

#include <string>

#include "platform/ui.h"

// Checks RootPath: set in META.INI and not too long, absolute, an existing directory, and neither
// "/" nor the user's home directory (compared after resolving links, "." and ".."). 0, or -1
// after telling the user what to fix.
int CheckSiteRoot(platform::WindowHandle window);

// Checks a directory proposed as a site's root as CheckSiteRoot checks RootPath, with the same
// messages. 0, or -1 after telling the user.
int CheckProposedRoot(platform::WindowHandle window, const std::string& root);

// Checks a branch as the root is checked, and that it lies inside the site's root (which must
// pass CheckSiteRoot). 0, or -1 after telling the user.
int CheckBranch(platform::WindowHandle window, const std::string& branch);
