#include "timers/timer.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <map>
#include <thread>
#include <vector>

#include "platform/clock.h"
#include "platform/fs.h"
#include "platform/paths.h"
#include "platform/process.h"
#include "platform/profile.h"
#include "platform/text.h"
#include "platform/ui.h"
#include "timers/events.h"

using namespace platform;

int TimerInitCount = 0;
PluginContext* TimerContext = nullptr;
char TimerLogDir[128] = "";
std::mutex EventTableLock;

namespace {

constexpr int kTimerBusy = TSP_TIMER_ID;
constexpr int kSiteNameSize = 256;

// Messages of the plug-in's own hidden window, which lives on the host's UI thread so that
// the minute thread never creates or destroys a window itself.
enum : unsigned {
  kMsgShowNotice = kMsgUser + 301,  // lparam: the text
  kMsgEndNotice,
  kMsgMinorBox,  // lparam: the text
};

CpiBlock gBlock;
WindowHandle gNoticeHost = nullptr;
WindowHandle gNotice = nullptr;
std::string gNoticeText;
std::thread* gThread = nullptr;
std::time_t gPassTime = 0;  // the time of the pass running, for the audit entries

std::atomic_ref<int32_t> Word(int32_t& word) {
  return std::atomic_ref<int32_t>(word);
}

// Waits ms of a real minute's scale: a shorter tick shortens the waits with it.
void WaitScaled(int ms) {
  long long scaled = static_cast<long long>(ms) * TimerTickMs() / 60000;
  std::this_thread::sleep_for(std::chrono::milliseconds(scaled));
}

void WaitForHost() {
  while (Word(TimerContext->requestPending).load() != 0)
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
}

WindowHandle HostWindow() {
  return TimerContext ? static_cast<WindowHandle>(TimerContext->mainWindow) : nullptr;
}

void SwitchHostSite(const char* site) {
  CopyText(TimerContext->currentSite, kSiteNameSize, site);
  Word(TimerContext->requestPending).store(1);
  SendMessage(HostWindow(), TSP_MSG_SWITCH_SITE, 0, 0);
  WaitForHost();
}

LResult NoticeProc(WindowHandle w, unsigned message, WParam wparam, LParam lparam) {
  if (message == kMsgPaint) {
    Canvas& dc = *PaintCanvas(lparam);
    const Colour grey = Rgb(192, 192, 192);
    dc.FillRect(Rect{0, 0, 10000, 10000}, grey);
    dc.DrawIcon(Point{20, 20}, StockIcon::kInformation);
    TextStyle style;
    style.transparent = false;
    style.background = grey;
    dc.Text(Point{70, 27}, gNoticeText, style);
    return 0;
  }
  return DefaultWindowProc(w, message, wparam, lparam);
}

void ShowNoticeBox(const std::string& text) {
  if (gNotice) DestroyWindow(gNotice);
  gNoticeText = text;
  ScreenInfo screen = Screen();
  int charWidth = screen.averageCharWidth, screenWidth = screen.width;
  if (TimerContext && TimerContext->screen) {
    charWidth = TimerContext->screen->averageCharWidth;
    screenWidth = TimerContext->screen->width;
  }
  int textWidth = static_cast<int>(text.size()) * charWidth;
  int width = textWidth + 105;
  Rect rect = RectAt(280 - textWidth / 2, 150, width, 80);
  WindowHandle host = HostWindow();
  if ((TimerContext && Word(TimerContext->busy).load() == kTimerBusy) ||
      (host && IsMinimised(host))) {
    rect = RectAt(screenWidth - width, 60, width, 80);
  } else if (host) {
    Rect area = WindowRect(host);
    rect = RectAt(area.left + 280 - textWidth / 2, area.top + 150, width, 80);
  }
  WindowSpec spec{
      "Button", "", rect,
      kWindowPopup | kWindowToolWindow | kWindowDialogFrame | kWindowTopmost | kWindowVisible,
      nullptr};
  gNotice = CreateWindow(spec, NoticeProc);
  if (!gNotice) return;
  InvalidateWindow(gNotice, nullptr);
  UpdateWindow(gNotice);
  FlashWindow(gNotice);
}

LResult NoticeHostProc(WindowHandle w, unsigned message, WParam wparam, LParam lparam) {
  switch (message) {
    case kMsgShowNotice:
      ShowNoticeBox(reinterpret_cast<const char*>(lparam));
      return 1;
    case kMsgEndNotice:
      if (gNotice) DestroyWindow(gNotice);
      gNotice = nullptr;
      return 1;
    case kMsgMinorBox:
      ShowMessageBox(nullptr, reinterpret_cast<const char*>(lparam), "Minor error",
                     kBoxOk | kBoxIconStop);
      return 1;
  }
  return DefaultWindowProc(w, message, wparam, lparam);
}

void StartNotice(const std::string& text, const std::string& parameter) {
  TimerAuditEntry(2, text, parameter.c_str(), "");
  SendMessage(gNoticeHost, kMsgShowNotice, 0, reinterpret_cast<LParam>(text.c_str()));
}

void EndNotice() {
  SendMessage(gNoticeHost, kMsgEndNotice, 0, 0);
}

void Critical(const std::string& text, const std::string& object) {
  TimerAuditEntry(99, text, object.empty() ? nullptr : object.c_str(), nullptr);
}

// A mail-out or any other menu command of the host, waited for through request pending.
void RunHostCommand(const char* title, int command) {
  StartNotice(title, "");
  Word(TimerContext->requestPending).store(1);
  SendMessage(HostWindow(), TSP_MSG_COMMAND, static_cast<WParam>(command), 0);
  WaitForHost();
  EndNotice();
}

void RunExportedTask(const std::string& name) {
  std::string title = "TIMED EVENT - " + name;
  const ExportedTask* tasks = TimerContext->exportedTasks;
  for (int i = 0; tasks && i < 50 && tasks[i].owner >= 0; ++i) {
    if (name != tasks[i].name) continue;
    StartNotice(title, "");
    gBlock = CpiBlock{1, TSP_TIMER_ID, TSP_CPI_RUN_TASK, tasks[i].owner, tasks[i].command, 0};
    SendMessage(HostWindow(), TSP_MSG_PLUGIN_REQUEST, TSP_TIMER_ID,
                reinterpret_cast<LParam>(&gBlock));
    EndNotice();
    return;
  }
  ReportMinorError(Format("ERROR - Can't find exported task [%s]", name.c_str()));
}

std::string SafeFileName(std::string_view name) {
  std::string out;
  for (char c : name)
    out += c == '/' || c == '\0' ? '_' : c;
  if (out.empty() || out[0] == '.' || out[0] == '-') out.insert(0, "site_");
  return out;
}

// The resolved form of a directory that may not exist yet.
std::string ResolvedDir(const std::string& dir) {
  std::string real;
  if (Fs().RealPath(dir, &real) == 0) return real;
  std::string parent = DirectoryPart(dir);
  std::string name = dir.substr(parent.size() + (parent.empty() ? 0 : 1));
  if (parent.empty() || Fs().RealPath(parent, &real) != 0) return dir;
  return JoinPath(real, name);
}

std::string Absolute(const std::string& path) {
  if (!path.empty() && path[0] == '/') return path;
  std::string cwd;
  if (Fs().CurrentDir(&cwd) != 0) cwd = "/";
  return JoinPath(cwd, path);
}

}  // namespace

void MakeNoticeHost() {
  if (gNoticeHost && IsWindow(gNoticeHost)) return;
  WindowSpec spec{"TimersNotice", "", RectAt(0, 0, 1, 1), 0, nullptr};
  gNoticeHost = CreateWindow(spec, NoticeHostProc);
}

int TimerTickMs() {
  const char* env = std::getenv("TAGSTEWARD_TIMER_TICK_MS");
  int ms = env ? ParseProfileInt(env, 60000) : 60000;
  return ms > 0 ? ms : 60000;
}

int TimerAuditEntry(int level, const std::string& text, const char* second, const char* third) {
  std::tm tm = LocalTime(gPassTime ? gPassTime : Now());
  std::string dir = TimerLogDir[0] ? std::string(TimerLogDir) : HomeDirectory();
  std::string file = JoinPath(dir, FormatTime("%Y%m%d.TSL", tm));
  std::string line = Format("%d,", level) + FormatTime("%H:%M:%S,", tm) + text + ",";
  if (second) {
    line += second;
    if (third) line += std::string(",") + third;
  }
  line += '\n';
  FileSystem& fs = Fs();
  int fd = fs.Open(file, OpenFor::Append, 0666);
  if (fd < 0) return -1;
  int rc = WriteAll(fd, line.data(), line.size());
  if (fs.Close(fd) != 0) rc = -1;
  return rc;
}

int ReportMinorError(const std::string& text) {
  unsigned confirmation = TimerContext ? TimerContext->confirmation : 0;
  if (confirmation & 4) TimerAuditEntry(99, text, nullptr, nullptr);
  if (confirmation & 8) {
    Beep();
    Beep();
  }
  if (confirmation & 2) {
    SendMessage(gNoticeHost, kMsgMinorBox, 0, reinterpret_cast<LParam>(text.c_str()));
  } else {
    SendMessage(gNoticeHost, kMsgShowNotice, 0, reinterpret_cast<LParam>(text.c_str()));
    WaitScaled(1000);
    EndNotice();
  }
  return -1;
}

bool EventDue(const char* record, const std::tm& t) {
  if (strnlen(record, 3) < 2) return false;
  int s = record[1] - 'A';
  switch (record[0]) {
    case 'A':
      return s + 1 == t.tm_mday;
    case 'B':
      return s == t.tm_wday;
    case 'C':
      return s == 2 * t.tm_hour + t.tm_min / 30;
    case 'D':
      return s == t.tm_min / 5;
  }
  return false;
}

int BackupSite(const std::string& root, const std::string& backupDir, const std::string& site,
               std::time_t when, std::string* made) {
  if (backupDir.empty()) {
    Critical("Site backup: no backup directory given", "");
    return -1;
  }
  std::string realRoot;
  if (Fs().RealPath(root, &realRoot) != 0) {
    Critical("Site backup: the site root cannot be found", root);
    return -1;
  }
  std::string target = ResolvedDir(Absolute(backupDir));
  // A backup below the root would copy itself into itself.
  if (target == realRoot || IsInsideDirectory(target, realRoot)) {
    Critical("Site backup refused: the backup directory is inside the site root", backupDir);
    return -1;
  }
  if (!DirExists(target) && Fs().MakeDir(target) != 0) {
    Critical("Site backup: cannot create the backup directory", backupDir);
    return -1;
  }
  std::string base =
      JoinPath(target, SafeFileName(site) + FormatTime("-%Y%m%d-%H%M", LocalTime(when)));
  std::string dest = base;
  for (int n = 2; Fs().MakeDir(dest) != 0; ++n) {
    if (LastError() != EEXIST || n > 999) {
      Critical("Site backup: cannot create the backup directory", dest);
      return -1;
    }
    dest = base + Format("-%d", n);
  }
  // cp keeps links as links and the files' modes and times; "." copies the root's contents.
  int status = RunProgramAndWait({"cp", "-a", "--", JoinPath(realRoot, "."), dest});
  if (status != 0) {
    Critical(status < 0 ? "Site backup: cp cannot be started" : "Site backup failed", dest);
    return -1;
  }
  *made = dest;
  return 0;
}

int StartBatchFile(const std::string& path) {
  std::string file = Absolute(path);
  FileInfo info;
  if (path.empty() || Fs().Stat(file, &info) != 0 || !info.isRegular) {
    Critical("Could not start the batch file: no such file", path);
    return -1;
  }
  // An executable file starts itself (its own interpreter line); any other is a shell script.
  int rc = (info.mode & 0100) ? StartProgram(file, "") : StartProgram("/bin/sh", file);
  if (rc != 0) {
    Critical("Could not start the batch file: " + LastErrorText(), path);
    return -1;
  }
  return 0;
}

int CheckAndRunEvent(int site, const char* record, std::time_t when) {
  if (!EventDue(record, LocalTime(when))) return 0;
  gPassTime = when;
  const char* siteName = EventSiteName(site);
  ProfileReadString(TimerContext->configFile, std::string("Config:") + siteName, "Log Path",
                    HomeDirectory(), TimerLogDir, sizeof TimerLogDir);

  std::string previous;
  if (TimerContext->currentSite && std::strcmp(TimerContext->currentSite, siteName) != 0) {
    previous = TimerContext->currentSite;
    SwitchHostSite(siteName);
  }
  uint32_t confirmation = TimerContext->confirmation;
  TimerContext->confirmation = 0;  // the host asks no questions during the action

  std::string parameter = strnlen(record, 4) > 3 ? std::string(record + 3) : "";
  switch (record[2]) {
    case 'A':
      RunHostCommand("TIMED EVENT - Expired Document Mailout", kCommandExpiredMailout);
      break;
    case 'B':
      RunHostCommand("TIMED EVENT -  Document Review Mailout", kCommandReviewMailout);
      break;
    case 'C': {
      StartNotice("TIMED EVENT -  Complete site backup", parameter);
      std::string made;
      const char* root = TimerContext->rootPath ? TimerContext->rootPath : TimerContext->rootCopy;
      if (BackupSite(root, parameter, siteName, when, &made) != 0)
        ReportMinorError("The site backup was not made: see the audit log");
      WaitScaled(500);
      EndNotice();
      break;
    }
    case 'D':
      RunExportedTask(parameter);
      break;
    case 'F':
      StartNotice("TIMED EVENT - Run Batch File", "");
      StartBatchFile(parameter);
      WaitScaled(500);
      EndNotice();
      break;
  }

  if (!previous.empty()) SwitchHostSite(previous.c_str());
  TimerContext->confirmation = confirmation;
  return EventCoolDown(record[0]);
}

int RunTimerPass(std::time_t when) {
  int32_t idle = 0;
  PluginContext* context = TimerContext;
  if (!context || !Word(context->busy).compare_exchange_strong(idle, kTimerBusy)) return -1;
  gPassTime = when;
  int ran = 0;
  for (int i = 0;; ++i) {
    TimerEvent event;
    int site, countdown, generation;
    {
      std::lock_guard<std::mutex> lock(EventTableLock);
      if (i >= EventCount) break;
      event = EventTable[i];
      site = EventSite[i];
      countdown = EventCountdown[i];
      generation = EventTableGeneration;
    }
    int next = countdown - 1;
    if (countdown == 0) {
      next = CheckAndRunEvent(site, event.record, when);
      if (next > 0) ++ran;
    }
    std::lock_guard<std::mutex> lock(EventTableLock);
    // An edit of the table during the action moved the events: the countdown stays unstored.
    if (generation == EventTableGeneration && i < EventCount) EventCountdown[i] = next;
  }
  Fs().ChangeDir(context->rootCopy);
  gPassTime = 0;
  Word(context->busy).store(0);
  return ran;
}

namespace {

std::mutex gStopLock;
std::condition_variable gStopSignal;
bool gStopping = false, gThreadEnded = false;

// Waits ms; false when the program is ending instead.
bool WaitMinute(int ms) {
  std::unique_lock<std::mutex> lock(gStopLock);
  return !gStopSignal.wait_for(lock, std::chrono::milliseconds(ms), [] { return gStopping; });
}

void TimerThread() {
  const int tick = TimerTickMs();
  const int retry = tick / 12 > 0 ? tick / 12 : 1;
  while (WaitMinute(tick)) {
    // While the host works the minute waits, so that an event whose slot is still open runs
    // as soon as the host is free rather than a whole minute later.
    while (RunTimerPass(Now()) < 0 && TimerContext && WaitMinute(retry)) {
    }
  }
  std::lock_guard<std::mutex> lock(gStopLock);
  gThreadEnded = true;
  gStopSignal.notify_all();
}

// Stops the thread at the program's exit. Made when the thread starts, it is destroyed before
// the objects made earlier that the thread uses (the file system, the host's). A pass stuck on
// a host that no longer answers is not waited for long.
struct ThreadStop {
  ~ThreadStop() {
    std::unique_lock<std::mutex> lock(gStopLock);
    if (!gThread) return;
    gStopping = true;
    gStopSignal.notify_all();
    if (gStopSignal.wait_for(lock, std::chrono::seconds(5), [] { return gThreadEnded; })) {
      lock.unlock();
      gThread->join();
    }
  }
};

struct CoolDownKey {
  std::string site, record;
  int occurrence;
  bool operator<(const CoolDownKey& o) const {
    return std::tie(site, record, occurrence) < std::tie(o.site, o.record, o.occurrence);
  }
};

std::map<CoolDownKey, long long> ReadCoolDowns(const std::string& path) {
  std::map<CoolDownKey, long long> fired;
  std::string text;
  if (ReadWholeFile(path, &text) != 0) return fired;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    std::string_view line(text.data() + pos, end - pos);
    pos = end + 1;
    size_t t1 = line.find('\t'), t2 = line.find('\t', t1 + 1), t3 = line.find('\t', t2 + 1);
    if (t3 == std::string_view::npos) continue;
    CoolDownKey key{std::string(line.substr(t1 + 1, t2 - t1 - 1)), std::string(line.substr(t3 + 1)),
                    ParseProfileInt(line.substr(t2 + 1, t3 - t2 - 1), 0)};
    fired[key] = std::strtoll(std::string(line.substr(0, t1)).c_str(), nullptr, 10);
  }
  return fired;
}

}  // namespace

std::string CoolDownStatePath(const std::string& configFile) {
  std::string dir = DirectoryPart(configFile);
  return JoinPath(dir.empty() ? "." : dir, "Timers.state");
}

intptr_t StartTimerPlugin(PluginContext* context) {
  ++TimerInitCount;
  {
    std::lock_guard<std::mutex> lock(EventTableLock);
    LoadEvents(context->configFile);
  }
  TimerContext = context;
  MakeNoticeHost();
  if (!gThread) {
    static ThreadStop stop;
    gThread = new std::thread(TimerThread);
  }
  return 1;
}

intptr_t RunTimerOnce(PluginContext* context, int64_t when) {
  TimerContext = context;
  MakeNoticeHost();
  if (when == 0) when = Now();
  if (Word(context->busy).load() != 0) return -1;
  const std::string statePath = CoolDownStatePath(context->configFile);
  std::map<CoolDownKey, long long> fired = ReadCoolDowns(statePath);
  std::vector<CoolDownKey> keys;
  {
    std::lock_guard<std::mutex> lock(EventTableLock);
    LoadEvents(context->configFile);
    std::map<std::pair<std::string, std::string>, int> seen;
    for (int i = 0; i < EventCount; ++i) {
      CoolDownKey key{EventSiteName(EventSite[i]), EventTable[i].record, 0};
      key.occurrence = seen[{key.site, key.record}]++;
      auto it = fired.find(key);
      long long minutes = it == fired.end() ? -1 : when / 60 - it->second / 60;
      // Fired N minutes of cool-down ago or less: not tested in this minute.
      if (it != fired.end() && minutes >= 0 && minutes <= EventCoolDown(key.record[0]))
        EventCountdown[i] = 1;
      else
        fired.erase(key);
      keys.push_back(key);
    }
  }
  int ran = RunTimerPass(when);
  if (ran < 0) return -1;
  {
    std::lock_guard<std::mutex> lock(EventTableLock);
    for (int i = 0; i < EventCount && i < static_cast<int>(keys.size()); ++i)
      if (EventCountdown[i] > 0 && EventCountdown[i] == EventCoolDown(keys[i].record[0]))
        fired[keys[i]] = when;
  }
  std::string state;
  for (const auto& [key, time] : fired)
    state +=
        Format("%lld\t%s\t%d\t%s\n", time, key.site.c_str(), key.occurrence, key.record.c_str());
  ReplaceFile(statePath, state);
  return ran;
}

void ResetTimerState() {
  if (gNotice && IsWindow(gNotice)) DestroyWindow(gNotice);
  if (gNoticeHost && IsWindow(gNoticeHost)) DestroyWindow(gNoticeHost);
  gNotice = gNoticeHost = nullptr;
  TimerContext = nullptr;
  TimerInitCount = 0;
  TimerLogDir[0] = '\0';
}
