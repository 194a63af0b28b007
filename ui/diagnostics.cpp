// The diagnostics window and dump. The text is built by hand into fixed buffers, without
// allocation, locale or stdio, so that the fatal-signal handler can build the same dump the
// window writes.
#include "ui/diagnostics.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <ctime>
#include <memory>
#include <tuple>

#include "config/memory_dialog.h"
#include "config/settings.h"
#include "config/version.h"
#include "engine/head_reader.h"
#include "engine/page_tags.h"
#include "platform/clock.h"
#include "platform/fatal_signals.h"
#include "platform/fs.h"
#include "platform/paths.h"
#include "platform/process.h"
#include "platform/system_info.h"
#include "platform/text.h"
#include "plugins/context.h"
#include "plugins/host.h"
#include "schema/schema.h"
#include "sitemap/sitemap.h"
#include "tree/document_selection.h"
#include "tree/task_state.h"
#include "tree/tasks.h"
#include "tree/tree_tags.h"
#include "ui/app_fonts.h"
#include "ui/main_window.h"
#include "ui/page_editor.h"
#include "ui/working_display.h"

extern char** environ;

using namespace platform;

namespace {

constexpr size_t kDumpCapacity = 32 * 1024;
constexpr int kTimerId = 1;
constexpr int kIdClose = 101;
constexpr int kIdDump = 102;
const Rect kSummaryRect = RectAt(10, 10, 220, 170);
const Rect kLiveRect = RectAt(10, 185, 220, 200);
constexpr char kSeparator[] = "------------------------------------------------------";
constexpr char kSupportAddress[] = "support@tagsteward.example.org";

// Appends to a fixed buffer, always NUL-ended; what does not fit is dropped. Safe in a signal
// handler: no allocation, no locale.
class TextSink {
 public:
  TextSink(char* buf, size_t cap) : buf_(buf), cap_(cap) { buf_[0] = '\0'; }
  void Char(char c) {
    if (len_ + 1 >= cap_) return;
    buf_[len_++] = c;
    buf_[len_] = '\0';
  }
  void Put(const char* s) {
    while (*s)
      Char(*s++);
  }
  // At most max bytes of s: a buffer that lost its NUL is not read past its end.
  void PutBounded(const char* s, size_t max) {
    for (size_t i = 0; i < max && s[i]; ++i)
      Char(s[i]);
  }
  void Unsigned(unsigned long long v, int minDigits = 1) {
    char digits[24];
    int n = 0;
    do {
      digits[n++] = static_cast<char>('0' + v % 10);
      v /= 10;
    } while (v);
    for (int i = n; i < minDigits; ++i)
      Char('0');
    while (n)
      Char(digits[--n]);
  }
  void Int(long long v) {
    if (v < 0) {
      Char('-');
      Unsigned(0ULL - static_cast<unsigned long long>(v));
    } else {
      Unsigned(static_cast<unsigned long long>(v));
    }
  }
  void Hex(unsigned long long v, int minDigits) {
    char digits[20];
    int n = 0;
    do {
      digits[n++] = "0123456789ABCDEF"[v & 15];
      v >>= 4;
    } while (v);
    for (int i = n; i < minDigits; ++i)
      Char('0');
    while (n)
      Char(digits[--n]);
  }
  // Blanks up to the column of the current line.
  void PadTo(size_t column) {
    size_t start = len_;
    while (start > 0 && buf_[start - 1] != '\n')
      --start;
    while (len_ - start < column && len_ + 1 < cap_)
      Char(' ');
  }
  const char* data() const { return buf_; }
  size_t size() const { return len_; }

 private:
  char* buf_;
  size_t cap_;
  size_t len_ = 0;
};

// The window shows its own labels; the dump pads each name to one column.
enum class Style { kWindow, kDump };

struct Label {
  const char* window;
  const char* dump;
};

void Begin(TextSink& out, Style style, Label label) {
  if (style == Style::kWindow) {
    out.Put(label.window);
    return;
  }
  out.Put(label.dump);
  out.PadTo(21);
  out.Put(": ");
}

void EqualsLine(TextSink& out) {
  for (int i = 0; i < 56; ++i)
    out.Char('=');
  out.Char('\n');
}

void AppendVersions(TextSink& out, Style style) {
  Begin(out, style, {"External Version:  ", "External Version"});
  out.PutBounded(szVer, sizeof szVer);
  out.Char('\n');
  Begin(out, style, {"Internal Version: ", "Internal Version"});
  out.Unsigned(gPluginContext.internalVersion);
  out.Char('\n');
  Begin(out, style, {"Compiled ", "Compiled"});
  out.Put(__DATE__ " " __TIME__ "\n");
  Begin(out, style, {"Source date ", "Source date"});
  out.Put(__TIMESTAMP__ "\n");
}

void AppendPlugins(TextSink& out, Style style) {
  Begin(out, style, {"Plugins: ", "Plugins"});
  const int plugins = PluginCount;
  out.Int(plugins);
  out.Char('\n');
  Begin(out, style, {"Plugin SIGs [", "Plugin SIGs"});
  for (int i = 0; i < plugins && i < kMaxPlugins; ++i) {
    out.Int(Plugins[i].id);
    out.Char(',');
  }
  if (style == Style::kWindow) {
    out.Put("]\n");
    out.Put(kSeparator);
  }
  out.Char('\n');
  const int tasks = ExportedTaskCount;
  Begin(out, style, {"CPI Exports: ", "CPI Exports"});
  out.Int(tasks);
  out.Char('\n');
  Begin(out, style, {"CPI SIGs [", "CPI SIGs"});
  for (int i = 0; i < tasks && i < kMaxExportedTasks; ++i) {
    out.Int(ExportedTasks[i].owner);
    out.Char(',');
  }
  if (style == Style::kWindow) out.Char(']');
  out.Char('\n');
}

void AppendKilobytes(TextSink& out, long long avail, long long total) {
  out.Int(avail);
  out.Put("K / ");
  out.Int(total);
  out.Put("K\n");
}

void AppendLive(TextSink& out, Style style) {
  Begin(out, style, {"Current Site : ", "Current Site"});
  if (const char* site = gPluginContext.currentSite) out.PutBounded(site, sizeof CurrentConfig);
  out.Char('\n');
  Begin(out, style, {"Current Path: ", "Current Path"});
  out.PutBounded(gPluginContext.rootCopy, sizeof gPluginContext.rootCopy);
  out.Char('\n');
  Begin(out, style, {"Synch TOKEN  : ", "Synch TOKEN"});
  out.Int(gPluginContext.busy);
  out.Char('\n');
  Begin(out, style, {"Synch semaphore #1 : ", "Synch semaphore #1"});
  out.Int(gPluginContext.requestPending);
  out.Char('\n');
  Begin(out, style, {"Synch semaphore #2 : ", "Synch semaphore #2"});
  out.Int(block);
  out.Char('\n');
  Begin(out, style, {"Recursion level : ", "Recursion level"});
  out.Int(Rlevel);
  out.Char('\n');
  MemoryFigures memory;
  ReadMemoryFigures(&memory);
  Begin(out, style, {"Avail Phys Mem: ", "Avail Phys Mem"});
  AppendKilobytes(out, memory.availPhysK, memory.totalPhysK);
  Begin(out, style, {"Paged Mem: ", "Paged Mem"});
  AppendKilobytes(out, memory.availSwapK, memory.totalSwapK);
  Begin(out, style, {"Avail Virt Mem: ", "Avail Virt Mem"});
  AppendKilobytes(out, memory.availVirtK, memory.totalVirtK);
  Begin(out, style, {"Process Run time: ", "Process Run time"});
  out.Int(ProcessRunMilliseconds() / 1000);
  out.Put(" seconds\n");
}

struct NamedBuffer {
  const char* name;
  const volatile void* address;
};

const NamedBuffer kBuffers[] = {
    {"szAppName", szAppName},
    {"szTitle", szTitle},
    {"szVer", szVer},
    {"szBuild", szBuild},
    {"CurrentConfig", CurrentConfig},
    {"StartupPath", StartupPath},
    {"IniPath", IniPath},
    {"gBranch", gBranch},
    {"RootPath", RootPath},
    {"SiteURL", SiteURL},
    {"Sitemapfile", Sitemapfile},
    {"TitleTag", TitleTag},
    {"OverwriteTag", OverwriteTag},
    {"SiteMapInclude", SiteMapInclude},
    {"Editor", Editor},
    {"maskstring", maskstring},
    {"CustomNameImports", CustomNameImports},
    {"CustomValueImports", CustomValueImports},
    {"WebBrowser", WebBrowser},
    {"text", text},
    {"PrevFiles", PrevFiles},
    {"MTname", MTname},
    {"MTvalue", MTvalue},
    {"MTscheme", MTscheme},
    {"MTsepS", MTsepS},
    {"Skin", Skin},
    {"SkinFile", SkinFile},
    {"EdBuffer", EdBuffer},
    {"MailQueue", MailQueue},
    {"SMTPaddrtemp", SMTPaddrtemp},
    {"ConfigNames", ConfigNames},
    {"ConfigIdx", ConfigIdx},
    {"TaskTitle", TaskTitle},
};

struct NamedWord {
  const char* name;
  const volatile void* address;
  unsigned size;  // 4 or 8 bytes
};

#define TS_WORD(w) \
  { #w, &(w), sizeof(w) }
const NamedWord kWords[] = {
    TS_WORD(sourceline),
    TS_WORD(block),
    TS_WORD(MaxSites),
    TS_WORD(gButMode),
    TS_WORD(SchemaBytes),
    TS_WORD(MaxSchemaTags),
    TS_WORD(MaxPageTags),
    TS_WORD(OptionBytes),
    TS_WORD(memchangeflag),
    TS_WORD(SetBufLast),
    TS_WORD(showworking),
    TS_WORD(showatts),
    TS_WORD(menuon),
    TS_WORD(MaxTreeDepth),
    TS_WORD(showsettings),
    TS_WORD(showtoolbar),
    TS_WORD(checkmandatory),
    TS_WORD(loglevel),
    TS_WORD(ToolBarOn),
    TS_WORD(PluginCount),
    TS_WORD(timerenabled),
    TS_WORD(autotags),
    TS_WORD(Tagcount),
    TS_WORD(SchemaTagCount),
    TS_WORD(strategy),
    TS_WORD(PopFiles),
    TS_WORD(PopDirs),
    TS_WORD(Rlevel),
    TS_WORD(SuppressControlTags),
    TS_WORD(InSiteMap),
    TS_WORD(DisplayOptions),
    TS_WORD(SitemapOptions),
    TS_WORD(QuoteTags),
    TS_WORD(ConfigCount),
    TS_WORD(percent),
    TS_WORD(gDropOut),
    TS_WORD(PrePopFiles),
    TS_WORD(PrePopDirs),
    TS_WORD(hidingcontrols),
    TS_WORD(ColourMain),
    TS_WORD(ColourTitle),
    TS_WORD(ColourWorking),
    TS_WORD(gCompDate),
};
#undef TS_WORD

// Addresses are printed whole: on this platform they do not fit in eight digits.
constexpr int kAddressDigits = 2 * sizeof(void*);

void AppendVariables(TextSink& out) {
  for (const NamedBuffer& b : kBuffers) {
    out.Put(b.name);
    out.PadTo(21);
    out.Hex(reinterpret_cast<uintptr_t>(b.address), kAddressDigits);
    out.Char('\n');
  }
  for (const NamedWord& w : kWords) {
    out.Put(w.name);
    out.PadTo(20);
    out.Char(' ');
    out.Hex(reinterpret_cast<uintptr_t>(w.address), kAddressDigits);
    out.Put("        ");
    const unsigned long long value =
        w.size == 8
            ? static_cast<unsigned long long>(*static_cast<const volatile int64_t*>(w.address))
            : *static_cast<const volatile uint32_t*>(w.address);
    out.Hex(value, 8);
    out.Char('\n');
  }
}

// Civil date and time of a count of seconds, for a signal handler that cannot ask the C library.
struct DumpTime {
  long long year;
  int month, day, hour, minute, second;  // month 1-12
};

DumpTime DumpTimeOf(long long seconds) {
  long long days = seconds / 86400;
  long long rest = seconds % 86400;
  if (rest < 0) rest += 86400, --days;
  DumpTime t{};
  t.hour = static_cast<int>(rest / 3600);
  t.minute = static_cast<int>(rest / 60 % 60);
  t.second = static_cast<int>(rest % 60);
  // Days since 1970-01-01 to a proleptic Gregorian date (eras of 400 years from 0000-03-01).
  days += 719468;
  const long long era = (days >= 0 ? days : days - 146096) / 146097;
  const long long dayOfEra = days - era * 146097;
  const long long yearOfEra =
      (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const long long dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const long long mp = (5 * dayOfYear + 2) / 153;
  t.day = static_cast<int>(dayOfYear - (153 * mp + 2) / 5 + 1);
  t.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  t.year = yearOfEra + era * 400 + (t.month <= 2);
  return t;
}

void AppendTime(TextSink& out, const DumpTime& t) {
  static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  out.Int(t.day);
  out.Char(' ');
  out.Put(kMonths[(t.month - 1) % 12]);
  out.Char(' ');
  out.Int(t.year);
  out.Put(" @ ");
  out.Unsigned(static_cast<unsigned>(t.hour), 2);
  out.Char(':');
  out.Unsigned(static_cast<unsigned>(t.minute), 2);
  out.Char(':');
  out.Unsigned(static_cast<unsigned>(t.second), 2);
  out.Char('\n');
}

void BuildDump(TextSink& out, int reason, const char* reasonText, const DumpTime& when) {
  EqualsLine(out);
  out.Put("Tagsteward Diagnostic Dump  ");
  AppendTime(out, when);
  EqualsLine(out);
  out.Put("** ");
  out.Put(reasonText ? reasonText : "");
  out.Char('\n');
  if (reason == kReasonIllegalMemory) {
    out.Put("** Illegal Memory Access\n");
  } else if (reason == kReasonAbort) {
    out.Put("** Abnormal Termination\n");
  } else if (reason != kReasonNone) {
    out.Put("** Signal ");
    out.Int(reason);
    out.Char('\n');
  }
  out.Put("** Source line ");
  out.Int(sourceline);
  out.Put("\n\n");
  out.Put("Please complete the following:\n");
  out.Put("   The instruction at................\n");
  out.Put("   referenced memory at..............\n");
  out.Put("   The memory........................\n");
  out.Put("and mail this document to ");
  out.Put(kSupportAddress);
  out.Char('\n');
  EqualsLine(out);
  AppendVersions(out, Style::kDump);
  AppendPlugins(out, Style::kDump);
  AppendLive(out, Style::kDump);
  EqualsLine(out);
  AppendVariables(out);
  EqualsLine(out);
}

std::vector<std::string> SplitLines(std::string_view text) {
  std::vector<std::string> lines;
  while (!text.empty()) {
    size_t end = text.find('\n');
    lines.emplace_back(text.substr(0, end));
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return lines;
}

template <typename Build>
std::vector<std::string> LinesOf(Build build) {
  std::string buf(kDumpCapacity, '\0');
  TextSink out(buf.data(), buf.size());
  build(out);
  return SplitLines(std::string_view(out.data(), out.size()));
}

// ---- The fatal-signal hook ----------------------------------------------------------------
// Everything it needs beyond the program's globals is noted here at start-up.

char gCrashDumpPath[4096];
char gCrashWorkPath[4096 + 64];
char gCrashProgram[4096];
long gCrashUtcOffset = 0;
char gCrashText[kDumpCapacity];
volatile sig_atomic_t gCrashHookRan = 0;
char gOptionArg[sizeof kDiagnosticsOption] = "--diagnostics";

int DiagnosticReasonOf(int signal) {
  if (signal == SIGSEGV) return kReasonIllegalMemory;
  if (signal == SIGABRT) return kReasonAbort;
  return signal;
}

// Writes the dump under the work name and renames it into place. 0 or -1.
int WriteCrashDump(const char* data, size_t len) {
  ::unlink(gCrashWorkPath);
  int fd = ::open(gCrashWorkPath, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0) return -1;
  size_t done = 0;
  while (done < len) {
    ssize_t n = ::write(fd, data + done, len - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  const bool written = done == len && ::fsync(fd) == 0;
  if (::close(fd) != 0 || !written || ::rename(gCrashWorkPath, gCrashDumpPath) != 0) {
    ::unlink(gCrashWorkPath);
    return -1;
  }
  return 0;
}

// Starts the desktop program again to show the window; this process is about to end.
void StartWindowProcess(int reason) {
  char code[24];
  TextSink digits(code, sizeof code);
  digits.Int(reason);
  char* argv[] = {gCrashProgram, gOptionArg, code, gCrashDumpPath, Editor, nullptr};
  // _Fork runs no fork handlers, so it may be called here; so may everything up to execve.
  pid_t pid = ::_Fork();
  if (pid != 0) return;
  sigset_t none;
  sigemptyset(&none);
  ::sigprocmask(SIG_SETMASK, &none, nullptr);  // the fatal signal is blocked in the handler
  ::execve(gCrashProgram, argv, environ);
  ::_exit(127);
}

void DiagnosticsSignalHook(int signal) {
  if (gCrashHookRan) return;
  gCrashHookRan = 1;
  const int reason = DiagnosticReasonOf(signal);
  struct timespec now {};
  ::clock_gettime(CLOCK_REALTIME, &now);
  TextSink out(gCrashText, sizeof gCrashText);
  // The main window's title says what the program was showing.
  BuildDump(out, reason, szTitle, DumpTimeOf(now.tv_sec + gCrashUtcOffset));
  if (WriteCrashDump(out.data(), out.size()) != 0) return;
  if (gCrashProgram[0]) StartWindowProcess(reason);
}

// ---- The window -----------------------------------------------------------------------------

// Set at start and cleared by the first automatic dump of the run.
bool gAutoDumpPending = true;

struct DiagWindow {
  int reason = 0;
  std::string summary;
  std::string live;
  bool afterCrash = false;  // shows the dump of a process that has ended
};

std::string JoinLines(const std::vector<std::string>& lines) {
  std::string joined;
  for (const std::string& line : lines)
    joined += line + "\n";
  return joined;
}

// The title of the window the user is in, or of the main window.
std::string TopWindowTitle(WindowHandle self) {
  WindowHandle w = FocusWindow();
  while (w && ParentWindow(w))
    w = ParentWindow(w);
  if (w && w != self && IsWindow(w)) {
    std::string title = WindowTitle(w);
    if (!title.empty()) return title;
  }
  if (hwndMain && IsWindow(hwndMain)) {
    std::string title = WindowTitle(hwndMain);
    if (!title.empty()) return title;
  }
  return "Unknown error";
}

void PaintDiagnostics(Canvas& dc, const DiagWindow& state) {
  dc.FillRect(RectAt(0, 0, 250, 440), Rgb(0xC0, 0xC0, 0xC0));
  TextStyle style;
  style.colour = Rgb(0, 0, 0);
  dc.TextInRect(kSummaryRect, state.summary, style);
  dc.TextInRect(kLiveRect, state.live, style);
}

LResult DiagnosticsProc(const std::shared_ptr<DiagWindow>& state, WindowHandle window,
                        unsigned message, WParam wparam, LParam lparam) {
  switch (message) {
    case kMsgCreate:
      for (auto [id, caption, x] : {std::tuple{kIdClose, "Close", 30}, {kIdDump, "Dump", 160}}) {
        ControlTemplate button;
        button.id = id;
        button.kind = ControlKind::kPushButton;
        button.caption = caption;
        button.rect = RectAt(x, 390, 60, 20);
        // The dump of a process that has ended is not replaced by this one's.
        if (id == kIdDump && state->afterCrash) button.style = kStyleDisabled;
        CreateControl(window, button);
      }
      if (!state->afterCrash) StartTimer(window, kTimerId, 500);
      return 0;
    case kMsgTimer:
      if (gAutoDumpPending) {
        gAutoDumpPending = false;
        WriteDiagnosticDump(window, state->reason, TopWindowTitle(window).c_str());
      }
      state->live = JoinLines(DiagnosticLiveLines());
      InvalidateWindow(window, &kLiveRect);
      return 0;
    case kMsgCommand:
      if (LowWord(wparam) == kIdDump) {
        WriteDiagnosticDump(window, state->reason, "User requested dump");
      } else if (LowWord(wparam) == kIdClose) {
        DestroyWindow(window);
      }
      return 0;
    case kMsgPaint:
      PaintDiagnostics(*PaintCanvas(lparam), *state);
      return 0;
    case kMsgDestroy:
      if (!state->afterCrash) StopTimer(window, kTimerId);
      if (state->afterCrash) PostQuit(0);
      return 0;
    default:
      return DefaultWindowProc(window, message, wparam, lparam);
  }
}

WindowHandle CreateDiagnosticsWindow(std::shared_ptr<DiagWindow> state) {
  WindowSpec spec;
  spec.className = "DIAGCLASS";
  spec.title = "Tagsteward Diagnostics";
  spec.rect = RectAt(Screen().width - 251, 40, 250, 440);
  spec.style = kWindowPopup | kWindowCaption | kWindowTopmost | kWindowVisible;
  return CreateWindow(spec, [state](WindowHandle w, unsigned msg, WParam wp, LParam lp) {
    return DiagnosticsProc(state, w, msg, wp, lp);
  });
}

}  // namespace

std::vector<std::string> DiagnosticSummaryLines() {
  return LinesOf([](TextSink& out) {
    AppendVersions(out, Style::kWindow);
    out.Put(kSeparator);
    out.Char('\n');
    AppendPlugins(out, Style::kWindow);
  });
}

std::vector<std::string> DiagnosticLiveLines() {
  return LinesOf([](TextSink& out) { AppendLive(out, Style::kWindow); });
}

std::vector<std::string> DiagnosticVariableLines() {
  return LinesOf([](TextSink& out) { AppendVariables(out); });
}

std::string DiagnosticDumpPath() {
  return JoinPath(HomeDirectory(), "tdiag.txt");
}

int WriteDiagnosticDump(WindowHandle owner, int reason, const char* reasonText) {
  std::string buf(kDumpCapacity, '\0');
  TextSink out(buf.data(), buf.size());
  const std::time_t now = Now();
  const std::tm local = LocalTime(now);
  BuildDump(out, reason, reasonText, DumpTimeOf(static_cast<long long>(now) + local.tm_gmtoff));
  buf.resize(out.size());
  const std::string path = DiagnosticDumpPath();
  if (ReplaceFile(path, buf) != 0) return -1;
  if (owner && IsWindow(owner)) StartProgram(Editor, path);
  return 0;
}

void SetDiagnosticsWindowProgram(const char* program) {
  CopyText(gCrashProgram, program ? program : "");
}

void InstallDiagnosticsHook() {
  PrepareSystemFigures();
  const std::string path = DiagnosticDumpPath();
  CopyText(gCrashDumpPath, path);
  CopyText(gCrashWorkPath,
           JoinPath(DirectoryPart(path), Format(".tsw.%ld.0.00000000~", CurrentProcessId())));
  gCrashUtcOffset = LocalTime(std::time(nullptr)).tm_gmtoff;
  gCrashHookRan = 0;
  SetFatalSignalHook(DiagnosticsSignalHook);
}

WindowHandle OpenDiagnosticsWindow(int reason) {
  auto state = std::make_shared<DiagWindow>();
  state->reason = reason;
  state->summary = JoinLines(DiagnosticSummaryLines());
  state->live = JoinLines(DiagnosticLiveLines());
  return CreateDiagnosticsWindow(state);
}

WindowHandle OpenCrashDiagnosticsWindow(int reason, const char* dumpPath, const char* editor) {
  auto state = std::make_shared<DiagWindow>();
  state->reason = reason;
  state->afterCrash = true;
  gAutoDumpPending = false;  // the process that crashed wrote it
  std::string dump;
  if (ReadWholeFile(dumpPath, &dump) != 0) {
    state->summary =
        Format("The diagnostic dump %s could not be read: %s", dumpPath, LastErrorText().c_str());
  } else {
    // The reason lines, then the versions and plug-ins, then the figures from "Current Site" on.
    bool figures = false;
    for (const std::string& line : SplitLines(dump)) {
      if (line.rfind("Current Site", 0) == 0) figures = true;
      if (line.rfind("=====", 0) == 0 && figures) break;
      if (figures)
        state->live += line + "\n";
      else if (line.rfind("** ", 0) == 0 || line.find(" : ") == 20)
        state->summary += line + "\n";
    }
  }
  WindowHandle window = CreateDiagnosticsWindow(state);
  if (window && editor && editor[0]) StartProgram(editor, dumpPath);
  return window;
}

int RunCrashDiagnostics(int reason, const char* dumpPath, const char* editor) {
  if (!OpenCrashDiagnosticsWindow(reason, dumpPath, editor)) return 1;
  return RunMessageLoop();
}

void ResetDiagnostics() {
  gAutoDumpPending = true;
}
