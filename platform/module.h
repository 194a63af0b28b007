// Dynamic modules: shared objects loaded by path, and the exports found in them.
#pragma once

#include <string>

namespace platform {

// A loaded module; nullptr is "none". A module stays loaded for the rest of the run.
using ModuleHandle = void*;

// Loads the shared object at path (resolving every symbol now). The path must name a file
// (contain a "/"), so the loader never searches its own directories. nullptr when it cannot be
// loaded; ModuleErrorText then says why.
ModuleHandle LoadModule(const std::string& path);
// The address of the exported symbol name in module, or nullptr.
void* FindExport(ModuleHandle module, const char* name);
// The loader's description of the last failure on this thread ("" when there was none).
std::string ModuleErrorText();

}  // namespace platform
