// The plug-in host: the plug-in table, loading, the command block, the Plugins menu and the
// window messages through which plug-ins drive the main window.
#pragma once

#include <string>
#include <vector>

#include "platform/module.h"
#include "platform/ui.h"
#include "plugins/context.h"

constexpr int kMaxPlugins = 20;

struct PluginEntry {
  int32_t id = -1;  // -1: no CPI id; 1001 the timer plug-in
  platform::ModuleHandle module = nullptr;
  platform::Bitmap bitmap;  // may be empty
  char caption[32] = {};    // at most 29 characters
};

extern PluginEntry Plugins[kMaxPlugins];
extern int timerenabled;  // the timer plug-in's slot, or -1

// True while the host runs what the timer plug-in asked for (while it holds the busy word): the
// host's tasks may then take the word, and nobody is asked anything.
extern bool ServingTimer;
// Serves a request as the timer's when the timer holds the busy word, for the object's life.
class TimerRequestScope {
 public:
  explicit TimerRequestScope(bool request = true);
  ~TimerRequestScope();
  TimerRequestScope(const TimerRequestScope&) = delete;
  TimerRequestScope& operator=(const TimerRequestScope&) = delete;

 private:
  bool saved_;
};

// The host's block for its own calls to the plug-ins.
extern CpiBlock HostBlock;

// Commands of the Plugins menu: 8000 + i opens plug-in i, 8100 + i runs exported task i (every
// slot of the table has its command).
constexpr int kCmdOpenPlugin = 8000;
constexpr int kCmdRunExportedTask = 8100;

// Empties the plug-in table and the exported-task table (the modules stay loaded).
void ResetPluginHost();

// The host's own four tasks, first in the exported-task table.
void RegisterHostTasks();

// Where plug-ins are looked for: the start-up directory and, for an installed program, the
// per-user plug-in directory.
std::vector<std::string> PluginDirectories();
// Which file names are loaded ("*.TSP" unless set); the command-line timer loads only its own.
void SetPluginPattern(const char* pattern);

// Loads the plug-ins of dirs (at most kMaxPlugins, a name loaded once) unless "Disable Plugins"
// is set: the handshake, the timer plug-in's slot. Returns PluginCount.
int LoadPlugins(platform::WindowHandle window, const std::vector<std::string>& dirs);
// Inserts the Plugins popup at position 4 of the window's menu bar when plug-ins are loaded.
void BuildPluginsMenu(platform::WindowHandle window);
// The deferred start-up's part: the exported-task items, then the timer plug-in's start.
void AppendExportedTaskItems();
void StartTimerPlugin(platform::WindowHandle window);

// Commands 8000 + i and 8100 + i. False for any other id.
bool PluginCommand(platform::WindowHandle window, int id);
// Message 1186 from a plug-in: sender's id, address of its CpiBlock.
void PluginRequest(platform::WindowHandle window, platform::WParam sender, platform::LParam block);
// Message 1185: reads "Mail Queue" again and says so.
void ReloadMailQueue(platform::WindowHandle window);

// The plug-in's image for index, or nullptr.
const platform::Bitmap* PluginBitmap(int index);

// Decodes a BMP file in memory (1, 4, 8, 24 or 32 bits per pixel, uncompressed, bottom-up or
// top-down). False for anything else, leaving *out empty.
bool DecodeBmp(const unsigned char* data, size_t size, platform::Bitmap* out);
