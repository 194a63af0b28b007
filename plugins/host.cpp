#include "plugins/host.h"

#include <cctype>
#include <chrono>
#include <cstring>
#include <thread>

#include "config/settings.h"
#include "config/user_home.h"
#include "log/audit.h"
#include "platform/listing.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "ui/expert_bar.h"
#include "ui/notify_box.h"

using namespace platform;

PluginEntry Plugins[kMaxPlugins];
int timerenabled = -1;
CpiBlock HostBlock = {};

namespace {

MenuHandle PluginsMenu = nullptr;
std::string PluginPattern = "*.TSP";

constexpr int kTaskCommandLast = kCmdRunExportedTask + kMaxExportedTasks - 1;

TspCpiCallbackFn Callback(int index) {
  return reinterpret_cast<TspCpiCallbackFn>(FindExport(Plugins[index].module, "CPIcallback"));
}

// Fills the host's block and hands it to plug-in index.
void CallPlugin(WindowHandle window, int index, CpiBlock block) {
  TspCpiCallbackFn callback = Callback(index);
  if (!callback) return;
  HostBlock = block;
  callback(window, &HostBlock);
}

// Hands a task to every plug-in with the owner's id.
void RunPluginTask(WindowHandle window, int32_t owner, intptr_t task) {
  for (int i = 0; i < PluginCount; ++i)
    if (Plugins[i].id == owner)
      CallPlugin(
          window, i,
          {owner, 1, TSP_CPI_RUN_TASK, task, reinterpret_cast<intptr_t>(&gPluginContext), 0});
}

// The caption is read up to its 29th character whether or not a NUL ends it there.
void TakeCaption(PluginEntry& entry, const std::string& fileName) {
  auto caption = reinterpret_cast<TspCaptionFn>(FindExport(entry.module, "TspCaption"));
  const char* text = caption ? caption() : nullptr;
  if (text && text[0])
    CopyText(entry.caption, std::string_view(text, strnlen(text, 29)));
  else  // an item without a text could not be chosen
    CopyText(entry.caption, std::string_view(fileName).substr(0, 29));
}

void TakeBitmap(PluginEntry& entry) {
  auto bitmap = reinterpret_cast<TspBitmapFn>(FindExport(entry.module, "TspBitmap"));
  size_t size = 0;
  const unsigned char* data = bitmap ? bitmap(&size) : nullptr;
  entry.bitmap = Bitmap{};
  if (data) DecodeBmp(data, size, &entry.bitmap);
}

// The identify call and, for a valid answer, the initialise call. The ids the host and empty
// slots use are no answer: a plug-in claiming them would run or end the host's tasks.
void Handshake(WindowHandle window, int index) {
  TspCpiCallbackFn callback = Callback(index);
  if (!callback) return;
  HostBlock = {0, 1, TSP_CPI_IDENTIFY, 0, 0, 0};
  callback(window, &HostBlock);
  if (HostBlock.w2 != TSP_CPI_IDENTIFIED || HostBlock.w0 != 1) return;
  int32_t id = HostBlock.w1;
  if (id < 0 || id == TSP_HOST_OWNER) return;
  Plugins[index].id = id;
  HostBlock.w0 = id;
  HostBlock.w1 = 1;
  HostBlock.w2 = TSP_CPI_INITIALISE;
  HostBlock.w3 = reinterpret_cast<intptr_t>(&gPluginContext);
  HostBlock.w4 = AppOptions;
  callback(window, &HostBlock);
}

// The same library reached through a second name (a link) is loaded once.
bool AlreadyLoaded(ModuleHandle module) {
  for (int i = 0; i < PluginCount; ++i)
    if (Plugins[i].module == module) return true;
  return false;
}

bool SameNameNoCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

}  // namespace

TimerRequestScope::TimerRequestScope(bool request) : saved_(ServingTimer) {
  if (request && TimerHoldsBusyWord()) ServingTimer = true;
}

TimerRequestScope::~TimerRequestScope() {
  ServingTimer = saved_;
}

extern "C" intptr_t TspSendMessage(void* window, uint32_t message, uintptr_t wparam,
                                   intptr_t lparam) {
  return SendMessage(window, message, wparam, lparam);
}

void ResetPluginHost() {
  for (PluginEntry& entry : Plugins)
    entry = PluginEntry{};
  PluginCount = 0;
  timerenabled = -1;
  HostBlock = {};
  PluginsMenu = nullptr;
  PluginPattern = "*.TSP";
  SetPluginBitmapSource(nullptr);
  ClearExportedTasks();
}

void RegisterHostTasks() {
  ClearExportedTasks();  // a second main window starts the table afresh
  static const struct {
    int command;
    const char* name;
  } kHostTasks[] = {{40039, "EXPIRED document mailout"},
                    {40040, "REVIEW document mailout"},
                    {40045, "Update the sitemap"},
                    {40017, "INHERIT metatags into all docs"}};
  for (const auto& task : kHostTasks) {
    if (ExportedTaskCount >= kMaxExportedTasks) break;
    ExportedTask& slot = ExportedTasks[ExportedTaskCount++];
    slot.owner = TSP_HOST_OWNER;
    slot.command = task.command;
    CopyText(slot.name, task.name);
  }
  gPluginContext.exportedTasks = ExportedTasks;
}

std::vector<std::string> PluginDirectories() {
  std::vector<std::string> dirs{StartupPath};
  // An installed program lives in <prefix>/bin; its plug-ins are the user's and those
  // installed with it.
  std::string exeDir = DirectoryPart(ExecutablePath());
  if (exeDir.size() >= 4 && exeDir.compare(exeDir.size() - 4, 4, "/bin") == 0) {
    dirs.push_back(JoinPath(UserDataHome(), "plugins"));
    dirs.push_back(JoinPath(exeDir.substr(0, exeDir.size() - 4), "lib/tagsteward/plugins"));
  }
  return dirs;
}

void SetPluginPattern(const char* pattern) {
  PluginPattern = pattern && pattern[0] ? pattern : "*.TSP";
}

int LoadPlugins(WindowHandle window, const std::vector<std::string>& dirs) {
  for (PluginEntry& entry : Plugins)
    entry = PluginEntry{};
  PluginCount = 0;
  timerenabled = -1;
  PluginsMenu = nullptr;
  SetPluginBitmapSource(nullptr);
  SetUnattendedTest([] { return ServingTimer; });
  // What every plug-in may rely on, whoever made the window.
  gPluginContext.internalVersion = TS_CONTEXT_VERSION;
  gPluginContext.currentSite = CurrentConfig;
  gPluginContext.rootPath = RootPath;
  gPluginContext.startupPath = StartupPath;
  gPluginContext.screen = &gScreenMetrics;
  gPluginContext.mainWindow = window;
  if (AppOptions & kOptNoPlugins) return 0;
  std::vector<std::string> loadedNames;
  for (const std::string& dir : dirs) {
    if (dir.empty()) continue;
    // The start-up directory becomes current; the others are read by path, and one that does
    // not exist (no per-user plug-ins) is no error.
    if (&dir == &dirs.front()) ChangeDirectory(dir);
    std::vector<std::string> files;
    // Regular files only: a directory or a dangling or looping link is not listed.
    if (ListDirectory(dir, PluginPattern, nullptr, &files) != 0) continue;
    for (const std::string& file : files) {
      if (PluginCount >= kMaxPlugins) break;
      bool seen = false;
      for (const std::string& name : loadedNames)
        seen = seen || SameNameNoCase(name, file);
      if (seen) continue;  // the start-up directory's copy wins
      ModuleHandle module = LoadModule(JoinPath(dir, file));
      if (!module) {
        ShowMessageBox(window, ModuleErrorText(),
                       Format("%s - %s", "Error loading plugin", file.c_str()),
                       kBoxOk | kBoxIconExclamation);
        continue;
      }
      if (AlreadyLoaded(module)) continue;
      loadedNames.push_back(file);
      int index = PluginCount++;
      PluginEntry& entry = Plugins[index];
      entry = PluginEntry{};
      entry.module = module;
      TakeCaption(entry, file);
      TakeBitmap(entry);
      Handshake(window, index);
      // One timer: a second plug-in with such a caption is an ordinary one.
      if (std::strncmp(entry.caption, "Timed", 5) == 0 && timerenabled < 0) {
        entry.id = TSP_TIMER_ID;
        timerenabled = index;
      }
    }
  }
  SetPluginBitmapSource(PluginBitmap);
  return PluginCount;
}

void BuildPluginsMenu(WindowHandle window) {
  if (PluginCount <= 0) return;
  MenuHandle bar = WindowMenu(window);
  if (!bar) return;
  PluginsMenu = CreateMenu();
  for (int i = 0; i < PluginCount; ++i) {
    AppendMenuItem(PluginsMenu, kCmdOpenPlugin + i, Plugins[i].caption);
    SetMenuItemImage(PluginsMenu, kCmdOpenPlugin + i, Plugins[i].bitmap);
  }
  InsertSubmenu(bar, 4, PluginsMenu, "Plugins");
  RedrawMenuBar(window);
}

void AppendExportedTaskItems() {
  if (!PluginsMenu || (AppOptions & kOptNoCpiExportMenu) || ExportedTaskCount <= 4) return;
  AppendSeparator(PluginsMenu);
  for (int i = 4; i < ExportedTaskCount; ++i)
    AppendMenuItem(PluginsMenu, kCmdRunExportedTask + i, ExportedTasks[i].name);
}

void StartTimerPlugin(WindowHandle window) {
  if (timerenabled < 0) return;
  WindowHandle box = ToolBarOn ? nullptr : ShowNotifyBox(window, "Starting the TIMER agent...");
  auto start = reinterpret_cast<TspTimerThreadInitFn>(
      FindExport(Plugins[timerenabled].module, "TimerThreadInit"));
  if (start) {
    gPluginContext.exportedTasks = ExportedTasks;
    start(window, &gPluginContext);
    if (box) std::this_thread::sleep_for(std::chrono::milliseconds(800));
  } else {
    ReportCoded("M021:Tagsteward could not find the Timer plugin starter.");
  }
  if (box) DestroyWindow(box);
}

bool PluginCommand(WindowHandle window, int id) {
  if (id >= kCmdOpenPlugin && id < kCmdOpenPlugin + kMaxPlugins) {
    int index = id - kCmdOpenPlugin;
    if (index >= PluginCount) return true;
    auto entry = reinterpret_cast<TspEntrypointFn>(FindExport(Plugins[index].module, "Entrypoint"));
    if (entry)
      entry(window, &gPluginContext);
    else
      ReportCoded("M016:Tagsteward could not locate the Plugin entry point");
    return true;
  }
  if (id >= kCmdRunExportedTask && id <= kTaskCommandLast) {
    int index = id - kCmdRunExportedTask;
    if (PluginCount <= 0 || index >= ExportedTaskCount) return true;
    const ExportedTask task = ExportedTasks[index];
    if (task.owner == TSP_HOST_OWNER)
      SendMessage(window, kMsgCommand, MakeWParam(static_cast<unsigned>(task.command), 0), 0);
    else
      RunPluginTask(window, task.owner, task.command);
    return true;
  }
  return false;
}

void PluginRequest(WindowHandle window, WParam sender, LParam address) {
  auto* block = reinterpret_cast<CpiBlock*>(address);
  const auto senderId = static_cast<int32_t>(sender);
  if (!block || block->w0 != 1 || block->w1 != senderId) return;
  TimerRequestScope timer;
  if (block->w2 == TSP_CPI_RUN_TASK) {
    const CpiBlock request = *block;
    if (request.w3 == TSP_HOST_OWNER)
      SendMessage(window, kMsgCommand, MakeWParam(static_cast<unsigned>(request.w4), 0), 0);
    else
      RunPluginTask(window, static_cast<int32_t>(request.w3), request.w4);
    gPluginContext.requestPending = 0;
    return;
  }
  if (block->w2 != TSP_CPI_REGISTER_TASKS) return;
  // Tasks owned by the host's id or by no one would be run as the host's or end the table.
  const char* name = reinterpret_cast<const char*>(block->w3);
  if (!name || senderId < 0 || senderId == TSP_HOST_OWNER) return;
  for (intptr_t k = 0; k < block->w4 && ExportedTaskCount < kMaxExportedTasks; ++k) {
    ExportedTask& slot = ExportedTasks[ExportedTaskCount++];
    slot.owner = senderId;
    slot.command = static_cast<int32_t>(k);
    CopyText(slot.name, std::string_view(name, strnlen(name, 31)));
    name += std::strlen(name) + 1;
  }
}

void ReloadMailQueue(WindowHandle window) {
  ReadMailQueueSetting(gPluginContext.configFile);
  ShowMessageBox(window, "Tagsteward has reloaded the Mail Queue Path.", "NOTE",
                 kBoxOk | kBoxIconInformation);
}

const Bitmap* PluginBitmap(int index) {
  if (index < 0 || index >= PluginCount || Plugins[index].bitmap.empty()) return nullptr;
  return &Plugins[index].bitmap;
}
