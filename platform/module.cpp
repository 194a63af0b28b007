#include "platform/module.h"

#include <dlfcn.h>

namespace platform {

namespace {
thread_local std::string gModuleError;
}  // namespace

ModuleHandle LoadModule(const std::string& path) {
  // A bare name would make the loader search the library path instead of the given directory.
  if (path.find('/') == std::string::npos) {
    gModuleError = "not a path: " + path;
    return nullptr;
  }
  // Local symbols: two modules exporting the same names must not see each other's.
  void* module = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!module) {
    const char* why = ::dlerror();
    gModuleError = why ? why : "cannot load " + path;
    return nullptr;
  }
  gModuleError.clear();
  return module;
}

void* FindExport(ModuleHandle module, const char* name) {
  if (!module || !name) return nullptr;
  ::dlerror();
  void* symbol = ::dlsym(module, name);
  if (!symbol) {
    const char* why = ::dlerror();
    gModuleError = why ? why : std::string("no export ") + name;
  }
  return symbol;
}

std::string ModuleErrorText() {
  return gModuleError;
}

}  // namespace platform
