#include "log/log_viewer.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "config/settings.h"
#include "config/settings_dialogs.h"
#include "log/audit.h"
#include "platform/clock.h"
#include "platform/fs.h"
#include "platform/listing.h"
#include "platform/paths.h"
#include "platform/process.h"
#include "platform/text.h"
#include "ui/app_fonts.h"
#include "ui/skins.h"

namespace {

using platform::ControlKind;
using platform::RectAt;
using platform::WindowHandle;

constexpr int kBufferChars = 32000;
constexpr int kLineStarts = 500;
constexpr int kWindowLines = kLineStarts - 1;
constexpr int kShown = 20;
constexpr int kLineChars = 255;  // longer lines are read, counted and shown in pieces
constexpr int kFieldChars = 50;
constexpr int kWidth = 720;
constexpr int kHeight = 470;
constexpr int kSkinColumn = 160;

struct ViewerState {
  char* text = nullptr;   // kBufferChars: the lines held, each ended by a NUL
  int* starts = nullptr;  // kLineStarts
  int total = 0;          // lines in the file
  int windowStart = 0;    // first file line held
  int held = 0;           // lines held
  int top = 0;            // top line shown, from windowStart
  int mode = 0;           // 0 events, 1 application error log
  int scale = 1;          // lines per step of the scroll bar, whose positions end at 65535
  char fileName[32] = "";
  int rememberedLevel = 0;
};
ViewerState gView;

std::string Directory() {
  return gView.mode == 1 ? ErrorLogPath : LogPath;
}

// The file as the audit writer names it: the directory is a prefix.
std::string FilePath() {
  return Directory() + gView.fileName;
}

bool HasFile() {
  return gView.fileName[0] && std::strcmp(gView.fileName, "none") != 0;
}

// Calls line(text, length) for each line of the file (without its line end) until it returns
// false. A missing or unreadable file has no lines.
template <typename Line>
void ForEachLine(Line&& line) {
  if (!HasFile()) return;
  platform::FileSystem& fs = platform::Fs();
  int fd = fs.Open(FilePath(), platform::OpenFor::Read, 0);
  if (fd < 0) return;
  char chunk[4096];
  char piece[kLineChars + 1];
  int length = 0;
  bool split = false;  // the last piece ended a too-long line: a line feed next ends nothing new
  bool going = true;
  long got;
  while (going && (got = fs.Read(fd, chunk, sizeof chunk)) > 0) {
    for (long i = 0; i < got && going; ++i) {
      char c = chunk[i];
      if (c == '\n') {
        if (length > 0 && piece[length - 1] == '\r') --length;
        if (length > 0 || !split) going = line(piece, length);
        length = 0;
        split = false;
        continue;
      }
      piece[length++] = c;
      split = false;
      if (length == kLineChars) {
        going = line(piece, length);
        length = 0;
        split = true;
      }
    }
  }
  if (going && length > 0) line(piece, length);
  fs.Close(fd);
}

void CountLines() {
  gView.total = 0;
  ForEachLine([](const char*, int) {
    ++gView.total;
    return true;
  });
}

// Holds the lines from start on, as many as the buffer takes.
void LoadWindow(int start) {
  gView.windowStart = std::max(0, std::min(start, gView.total - 1));
  gView.held = 0;
  int line = 0;
  int used = 0;
  ForEachLine([&](const char* text, int length) {
    if (line++ < gView.windowStart) return true;
    if (gView.held >= kWindowLines || used + length + 1 > kBufferChars) return false;
    gView.starts[gView.held++] = used;
    std::memcpy(gView.text + used, text, static_cast<size_t>(length));
    used += length;
    gView.text[used++] = '\0';
    return true;
  });
}

int LastTop() {
  return std::max(0, gView.total - kShown);
}

// Shows the file from line absTop on: when the lines shown do not all lie in the buffer, it is
// loaded again from preferredStart, or from absTop itself when even that does not hold them.
void ShowFrom(int absTop, int preferredStart) {
  absTop = std::clamp(absTop, 0, LastTop());
  int end = std::min(absTop + kShown, gView.total);
  auto holds = [&] { return absTop >= gView.windowStart && end <= gView.windowStart + gView.held; };
  if (!holds()) {
    LoadWindow(std::clamp(preferredStart, 0, absTop));
    if (!holds()) LoadWindow(absTop);
  }
  gView.top = absTop - gView.windowStart;
}

const char* HeldLine(int index) {
  return gView.text + gView.starts[index];
}

void UpdateScrollBar(WindowHandle d) {
  WindowHandle bar = platform::FindControl(d, kIdLogScroll);
  if (gView.total <= kShown) {
    platform::ShowWindow(bar, platform::ShowState::kHide);
    return;
  }
  gView.scale = (gView.total - kShown) / 0xFFFF + 1;
  platform::SetScrollRange(bar, 0, (gView.total - kShown) / gView.scale);
  platform::SetScrollPosition(bar, (gView.windowStart + gView.top) / gView.scale);
  platform::ShowWindow(bar, platform::ShowState::kShow);
}

// The file name without its extension: a site name may hold dots of its own.
std::string DayName() {
  std::string name = gView.fileName;
  return name.substr(0, name.find('.'));
}

void OpenFile(WindowHandle d) {
  platform::SetWindowTitle(d, gView.mode == 1 ? "ERROR LOG - " + DayName()
                                              : std::string(CurrentConfig) + " - " + DayName());
  CountLines();
  gView.held = gView.top = gView.windowStart = 0;
  if (gView.total > 0) {
    LoadWindow(std::max(0, gView.total - kWindowLines));
    gView.top = std::max(0, gView.held - kShown);
  }
  UpdateScrollBar(d);
  platform::InvalidateWindow(d, nullptr);
}

void Scroll(WindowHandle d, unsigned code, int position) {
  if (gView.total <= kShown) return;
  int absTop = gView.windowStart + gView.top;
  switch (code) {
    case platform::kScrollLineUp:
      ShowFrom(absTop - 1, gView.windowStart - 280);
      break;
    case platform::kScrollLineDown:
      ShowFrom(absTop + 1, gView.windowStart + 280);
      break;
    case platform::kScrollPageUp:
      ShowFrom(absTop - (kShown - 1), gView.windowStart - 480);
      break;
    case platform::kScrollPageDown:
      ShowFrom(absTop + (kShown - 1), gView.windowStart + 480);
      break;
    case platform::kScrollThumbPosition:
    case platform::kScrollThumbTrack:
      position *= gView.scale;
      ShowFrom(position, position - 200);
      break;
    default:
      return;
  }
  platform::SetScrollPosition(platform::FindControl(d, kIdLogScroll),
                              (gView.windowStart + gView.top) / gView.scale);
  platform::InvalidateWindow(d, nullptr);
}

platform::Colour LevelColour(const std::string& level) {
  if (level == "1") return platform::Rgb(0x00, 0x80, 0x00);
  if (level == "2") return platform::Rgb(0x00, 0x00, 0xC0);
  if (level == "3") return platform::Rgb(0xC0, 0x00, 0x00);
  return platform::Rgb(0x40, 0x40, 0x40);
}

void Paint(platform::Canvas& dc) {
  PaintSkin(dc, (kWidth + 79) / 80, (kHeight + 79) / 80, kSkinColumn);
  platform::TextStyle label{FontMain, ColourMain, true};
  dc.Text({10, 8}, "View Log", label);
  dc.Text({400, 8}, "Log Directory", label);
  dc.Text({10, 92}, "Time", label);
  if (gView.mode == 1) {
    dc.Text({110, 92}, "Error Description", label);
  } else {
    dc.Text({110, 92}, "Object", label);
    dc.Text({395, 92}, "Details", label);
  }
  if (gView.total == 0) {
    dc.Text({10, 66}, "No events recorded.", label);
    return;
  }
  const char* f = gView.fileName;
  std::string date = std::strlen(f) >= 8 ? platform::Format("%c%c-%c%c-%c%c%c%c", f[6], f[7], f[4],
                                                            f[5], f[0], f[1], f[2], f[3])
                                         : std::string(f);
  platform::TextStyle header = label;
  header.colour = gView.mode == 1 ? platform::Rgb(0xC0, 0x00, 0x00) : platform::Rgb(0x00, 0x80, 0);
  dc.Text({10, 66}, (gView.mode == 1 ? "ERRORS for : " : "Events for : ") + date, header);
  int first = gView.windowStart + gView.top;
  int last = std::min(first + kShown, gView.total);
  dc.Text({250, 66}, platform::Format("Lines %d to %d of %d", first + 1, last, gView.total), label);
  dc.Text(
      {420, 66},
      platform::Format("[buffer: %d to %d]", gView.windowStart + 1, gView.windowStart + gView.held),
      label);
  static constexpr int kFieldX[] = {10, 110, 395, 550};
  for (int i = 0; i < kShown && gView.top + i < gView.held; ++i) {
    std::string line = HeldLine(gView.top + i);
    std::vector<std::string> fields;
    size_t from = 0;
    while (fields.size() < 5 && from <= line.size()) {
      size_t comma = line.find(',', from);
      if (comma == std::string::npos) {
        if (from < line.size()) fields.push_back(line.substr(from));
        break;
      }
      fields.push_back(line.substr(from, comma - from));
      from = comma + 1;
    }
    platform::TextStyle style{FontWorking, LevelColour(fields.empty() ? "" : fields[0]), true};
    for (size_t k = 1; k < fields.size(); ++k)
      dc.Text({kFieldX[k - 1], 115 + 15 * i}, fields[k].substr(0, kFieldChars), style);
  }
}

// The day-file chooser over the directory of the mode: the last file preselected. The chosen
// name, "none" for an empty directory, or "" when cancelled.
std::string ChooseDayFile(WindowHandle owner) {
  std::vector<std::string> files;
  if (platform::ListDirectory(Directory(), "*.TSL", nullptr, &files) != 0) files.clear();
  platform::DialogTemplate t;
  t.title = kLogChooserTitle;
  t.width = 260;
  t.height = 300;
  t.skinColumn = kSkinColumn;
  t.controls = {
      {kIdLogFiles, ControlKind::kListBox, "", RectAt(10, 10, 240, 240), 0},
      {platform::kCommandOk, ControlKind::kPushButton, "OK", RectAt(90, 262, 75, 26),
       platform::kStyleDefaultButton},
      {platform::kCommandCancel, ControlKind::kPushButton, "Cancel", RectAt(175, 262, 75, 26), 0},
  };
  std::string chosen;
  auto proc = [&](WindowHandle d, unsigned message, platform::WParam w, platform::LParam) {
    if (message == platform::kMsgInitDialog) {
      for (const std::string& f : files)
        platform::AddListItem(d, kIdLogFiles, f);
      platform::SetListSelection(d, kIdLogFiles, static_cast<int>(files.size()) - 1);
      platform::SetFocus(platform::FindControl(d, kIdLogFiles));
      return platform::LResult{1};
    }
    if (message != platform::kMsgCommand) return platform::LResult{0};
    int id = static_cast<int>(platform::LowWord(w));
    bool pick = id == platform::kCommandOk ||
                (id == kIdLogFiles && platform::HighWord(w) == platform::kNotifyDoubleClicked);
    if (pick) {
      int index = platform::ListSelection(d, kIdLogFiles);
      chosen = index >= 0 ? platform::ListItemText(d, kIdLogFiles, index) : "none";
      platform::EndDialog(d, platform::kCommandOk);
    } else if (id == platform::kCommandCancel) {
      platform::EndDialog(d, platform::kCommandCancel);
    }
    return platform::LResult{1};
  };
  platform::RunDialog(owner, t, proc, 0);
  return chosen;
}

void ChooseFile(WindowHandle d, int mode) {
  int previous = gView.mode;
  gView.mode = mode;
  std::string name = ChooseDayFile(d);
  if (name.empty() || name.size() >= sizeof gView.fileName) {
    gView.mode = previous;
    return;
  }
  platform::CopyText(gView.fileName, name);
  OpenFile(d);
}

void StartEditor(WindowHandle d) {
  if (!HasFile()) return;
  if (platform::StartProgram(Editor, FilePath()) != 0)
    platform::ShowMessageBox(d, platform::Format("The editor %s could not be started.", Editor),
                             FilePath(), platform::kBoxOk | platform::kBoxIconExclamation);
}

void ChooseLogDirectory(WindowHandle d) {
  char dir[256];
  platform::CopyText(dir, platform::ControlText(d, kIdLogDirectory));
  if (SelectDirectoryDialog(d, dir)) platform::SetControlText(d, kIdLogDirectory, dir);
}

// OK: false while the directory cannot be held.
bool Apply(WindowHandle d) {
  std::string dir = platform::ControlText(d, kIdLogDirectory);
  if (dir.empty() || dir.back() != '/') dir += '/';
  // A cut path would name another directory.
  if (dir.size() >= sizeof LogPath) {
    platform::ShowMessageBox(
        d,
        platform::Format("The log directory path is %zu bytes long, but at most %zu fit.",
                         dir.size(), sizeof LogPath - 1),
        "Log Directory", platform::kBoxOk | platform::kBoxIconExclamation);
    return false;
  }
  platform::CopyText(LogPath, dir);
  loglevel = platform::CheckStateOf(d, kIdLogOn) == platform::kChecked ? 1 : 0;
  if (loglevel != gView.rememberedLevel)
    WriteAuditEntry(kAuditLogging, loglevel ? "Logging turned ON" : "Logging turned OFF");
  return true;
}

// Up and down, page up and down, Home and End page through the file wherever the focus is.
platform::LResult KeyHook(WindowHandle control, unsigned message, platform::WParam w,
                          platform::LParam l) {
  if (message == platform::kMsgKeyDown && l == 0) {
    WindowHandle d = platform::ParentWindow(control);
    bool edit = platform::ControlId(control) == kIdLogDirectory;
    switch (w) {
      case platform::kKeyUp:
        Scroll(d, platform::kScrollLineUp, 0);
        return 1;
      case platform::kKeyDown:
        Scroll(d, platform::kScrollLineDown, 0);
        return 1;
      case platform::kKeyPageUp:
        Scroll(d, platform::kScrollPageUp, 0);
        return 1;
      case platform::kKeyPageDown:
        Scroll(d, platform::kScrollPageDown, 0);
        return 1;
      case platform::kKeyHome:
      case platform::kKeyEnd:
        if (edit) break;
        Scroll(d, platform::kScrollThumbPosition,
               w == platform::kKeyHome ? 0 : (LastTop() + gView.scale - 1) / gView.scale);
        return 1;
      default:
        break;
    }
  }
  return platform::DefaultWindowProc(control, message, w, l);
}

platform::DialogTemplate ViewerTemplate() {
  platform::DialogTemplate t;
  t.title = kLogViewerTitle;
  t.width = kWidth;
  t.height = kHeight;
  t.skinColumn = kSkinColumn;
  t.controls = {
      {kIdLogDayFile, ControlKind::kPushButton, "Log file for &Date", RectAt(10, 26, 130, 24), 0},
      {kIdLogErrorLog, ControlKind::kPushButton, "&Application  Error Log",
       RectAt(145, 26, 150, 24), 0},
      {kIdLogEditor, ControlKind::kPushButton, "&Editor", RectAt(300, 26, 70, 24), 0},
      {kIdLogDirectory, ControlKind::kEdit, "", RectAt(400, 28, 220, 22),
       platform::kStyleAutoScroll},
      {kIdLogChooseDir, ControlKind::kPushButton, "di&rectory", RectAt(625, 26, 80, 24), 0},
      {kIdLogOn, ControlKind::kCheckBox, "&Loggin ON", RectAt(400, 54, 120, 20), 0},
      {platform::kCommandOk, ControlKind::kPushButton, "OK", RectAt(620, 430, 85, 26),
       platform::kStyleDefaultButton},
      {kIdLogScroll, ControlKind::kScrollBar, "", RectAt(700, 112, 16, 304),
       platform::kStyleVertical | platform::kStyleHidden},
  };
  return t;
}

platform::LResult ViewerProc(WindowHandle d, unsigned message, platform::WParam w,
                             platform::LParam l) {
  switch (message) {
    case platform::kMsgInitDialog:
      platform::SetControlText(d, kIdLogDirectory, LogPath);
      platform::SetCheck(d, kIdLogOn, loglevel ? platform::kChecked : platform::kUnchecked);
      platform::EnableControl(d, kIdLogDirectory, loglevel != 0);
      for (int id : {+kIdLogDayFile, +kIdLogErrorLog, +kIdLogEditor, +kIdLogDirectory,
                     +kIdLogChooseDir, +kIdLogOn, +platform::kCommandOk})
        platform::SetControlHook(platform::FindControl(d, id), KeyHook);
      OpenFile(d);
      return 1;
    case platform::kMsgPaint:
      Paint(*platform::PaintCanvas(l));
      return 1;
    case platform::kMsgVScroll:
      Scroll(d, platform::LowWord(w), static_cast<int>(platform::HighWord(w)));
      return 1;
    case platform::kMsgCommand:
      switch (static_cast<int>(platform::LowWord(w))) {
        case kIdLogDayFile:
          ChooseFile(d, 0);
          return 1;
        case kIdLogErrorLog:
          ChooseFile(d, 1);
          return 1;
        case kIdLogEditor:
          StartEditor(d);
          return 1;
        case kIdLogChooseDir:
          ChooseLogDirectory(d);
          return 1;
        case kIdLogOn:
          platform::EnableControl(d, kIdLogDirectory,
                                  platform::CheckStateOf(d, kIdLogOn) == platform::kChecked);
          return 1;
        case platform::kCommandOk:
          if (Apply(d)) platform::EndDialog(d, 1);
          return 1;
        case platform::kCommandCancel:
          platform::EndDialog(d, 0);
          return 1;
      }
      return 0;
  }
  return 0;
}

}  // namespace

std::string TodaysLogName() {
  return platform::FormatTime("%Y%m%d.TSL", platform::LocalTime(platform::Now()));
}

int LogViewer(WindowHandle owner) {
  gView = ViewerState{};
  gView.text = new (std::nothrow) char[kBufferChars];
  if (!gView.text) {
    ReportCoded("M100:INSUFFICIENT SYSTEM MEMORY\nCould not allocate memory for log buffer!");
    return 0;
  }
  gView.starts = new (std::nothrow) int[kLineStarts];
  if (!gView.starts) {
    delete[] gView.text;
    gView.text = nullptr;
    ReportCoded("M101:INSUFFICIENT SYSTEM MEMORY\nCould not allocate memory for log buffer!");
    return 0;
  }
  gView.rememberedLevel = loglevel;
  platform::CopyText(gView.fileName, TodaysLogName());
  int result = platform::RunDialog(owner, ViewerTemplate(), ViewerProc, 0);
  delete[] gView.text;
  delete[] gView.starts;
  gView.text = nullptr;
  gView.starts = nullptr;
  return result == 1 ? 1 : 0;
}

int ChangeLogLevel(int level) {
  int was = loglevel;
  loglevel = level;
  if (level != was)
    WriteAuditEntry(kAuditLogging, level ? "Logging turned ON" : "Logging turned OFF");
  return WriteLogLevel();
}
