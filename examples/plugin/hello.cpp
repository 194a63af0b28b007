// An example plug-in for Tagsteward: a menu item that greets the user, and one exported task
// that the Plugins menu (and the timer plug-in, by its name) can run.
//
// Build it with ts_add_plugin(Example hello.cpp): the result is Example.TSP in the build
// directory, the start-up directory of the programs there. Put a copy beside META.INI's program
// (or in ~/.local/share/tagsteward/plugins for an installed one) and start Tagsteward: the
// Plugins menu then holds "Hello example", and after the start-up "Write the hello line".
//
// What a plug-in needs is plugins/tsp.h. This one also calls the program's message box
// (platform/ui.h), which it finds in the program that loads it: a plug-in never links the core
// library itself, and exports nothing but its C functions (-fvisibility=hidden).
#include <cstdio>
#include <ctime>
#include <string>

#include "platform/ui.h"
#include "plugins/tsp.h"

#define EXPORT extern "C" __attribute__((visibility("default")))

namespace {

// The id this plug-in gives in the handshake: any number but 1 (the program's own tasks),
// 1001 (the timer plug-in) and negative ones.
constexpr int32_t kId = 7;

// The tasks it offers, each name ended by NUL, at most 31 characters each.
const char kTaskNames[] = "Write the hello line";
constexpr int kTaskCount = 1;

// Task 0: adds a line to Example.log beside META.INI.
void WriteHelloLine(const PluginContext* context) {
  std::string path = context->configFile;
  path = path.substr(0, path.rfind('/') + 1) + "Example.log";
  std::FILE* file = std::fopen(path.c_str(), "a");
  if (!file) return;
  char stamp[32];
  std::time_t now = std::time(nullptr);
  std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M", std::localtime(&now));
  std::fprintf(file, "%s hello from the example plug-in, site %s\n", stamp,
               context->currentSite ? context->currentSite : "");
  std::fclose(file);
}

}  // namespace

// The menu caption: at most 29 characters.
EXPORT const char* TspCaption(void) {
  return "Hello example";
}

// The menu item was chosen.
EXPORT intptr_t Entrypoint(void* window, PluginContext* context) {
  std::string text = "Hello from the example plug-in.\n\nThe current site is ";
  text += context->currentSite ? context->currentSite : "(none)";
  platform::ShowMessageBox(window, text, "Example plug-in",
                           platform::kBoxOk | platform::kBoxIconInformation);
  return 0;
}

// The command block: identify, initialise (register the tasks), run a task.
EXPORT intptr_t CPIcallback(void* window, CpiBlock* block) {
  switch (block->w2) {
    case TSP_CPI_IDENTIFY:
      block->w0 = 1;
      block->w1 = kId;
      block->w2 = TSP_CPI_IDENTIFIED;
      break;
    case TSP_CPI_INITIALISE: {
      // Registering is a request to the program's main window, like every other request.
      CpiBlock request = {
          1, kId, TSP_CPI_REGISTER_TASKS, reinterpret_cast<intptr_t>(kTaskNames), kTaskCount, 0};
      TspSendMessage(window, TSP_MSG_PLUGIN_REQUEST, kId, reinterpret_cast<intptr_t>(&request));
      break;
    }
    case TSP_CPI_RUN_TASK:
      // w3: the task's number; w4: the context.
      if (block->w3 == 0) WriteHelloLine(reinterpret_cast<const PluginContext*>(block->w4));
      break;
    default:
      break;
  }
  return 0;
}
