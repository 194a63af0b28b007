// The UI services' free functions: each forwards to the backend in use. Also the plain helpers
// that need no backend: rectangles, the font record and file filter lists.
#include "platform/ui.h"

#include <algorithm>
#include <cstring>

#include "platform/text.h"

namespace platform {

int Canvas::TextWidth(std::string_view text, const FontDescription& font) {
  int characters = 0;
  for (char c : text)
    characters += (static_cast<unsigned char>(c) & 0xC0) != 0x80;  // not a UTF-8 continuation
  const int height = font.height < 0 ? -font.height : font.height;
  return characters * (height > 0 ? (height * 2 + 4) / 5 : 6);
}

Rect UnionRect(const Rect& a, const Rect& b) {
  if (a.empty()) return b;
  if (b.empty()) return a;
  return Rect{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
              std::max(a.bottom, b.bottom)};
}

namespace {

std::int32_t GetWord(const unsigned char* p) {
  return static_cast<std::int32_t>(
      static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
      (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24));
}

void PutWord(unsigned char* p, std::uint32_t v) {
  p[0] = static_cast<unsigned char>(v);
  p[1] = static_cast<unsigned char>(v >> 8);
  p[2] = static_cast<unsigned char>(v >> 16);
  p[3] = static_cast<unsigned char>(v >> 24);
}

constexpr std::size_t kFaceOffset = 28;
constexpr std::size_t kFaceSize = 32;
constexpr std::size_t kColourOffset = 60;

}  // namespace

void DecodeFontRecord(const unsigned char (&record)[kFontRecordSize], FontDescription* font,
                      Colour* colour) {
  FontDescription f;
  f.height = GetWord(record + 0);
  f.width = GetWord(record + 4);
  f.escapement = GetWord(record + 8);
  f.orientation = GetWord(record + 12);
  f.weight = GetWord(record + 16);
  f.italic = record[20];
  f.underline = record[21];
  f.strikeOut = record[22];
  f.charSet = record[23];
  f.outPrecision = record[24];
  f.clipPrecision = record[25];
  f.quality = record[26];
  f.pitchAndFamily = record[27];
  // A file written elsewhere may fill all 32 face bytes; the description always ends in NUL.
  const char* face = reinterpret_cast<const char*>(record + kFaceOffset);
  CopyText(f.faceName, std::string_view(face, strnlen(face, kFaceSize)));
  *font = f;
  if (colour) *colour = static_cast<Colour>(GetWord(record + kColourOffset));
}

void EncodeFontRecord(const FontDescription& font, Colour colour,
                      unsigned char (&record)[kFontRecordSize]) {
  std::memset(record, 0, kFontRecordSize);
  PutWord(record + 0, static_cast<std::uint32_t>(font.height));
  PutWord(record + 4, static_cast<std::uint32_t>(font.width));
  PutWord(record + 8, static_cast<std::uint32_t>(font.escapement));
  PutWord(record + 12, static_cast<std::uint32_t>(font.orientation));
  PutWord(record + 16, static_cast<std::uint32_t>(font.weight));
  record[20] = font.italic;
  record[21] = font.underline;
  record[22] = font.strikeOut;
  record[23] = font.charSet;
  record[24] = font.outPrecision;
  record[25] = font.clipPrecision;
  record[26] = font.quality;
  record[27] = font.pitchAndFamily;
  std::size_t n = strnlen(font.faceName, kFaceSize - 1);
  std::memcpy(record + kFaceOffset, font.faceName, n);
  PutWord(record + kColourOffset, colour);
}

FontDescription MakeFont(std::string_view face, int height, int weight,
                         std::uint8_t pitchAndFamily) {
  FontDescription f;
  f.height = height;
  f.weight = weight;
  f.pitchAndFamily = pitchAndFamily;
  CopyText(f.faceName, face);
  return f;
}

std::vector<FileFilter> FiltersFromPairs(std::string_view text, char separator) {
  std::vector<FileFilter> filters;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t nameEnd = text.find(separator, pos);
    if (nameEnd == std::string_view::npos || nameEnd == pos) break;
    std::size_t patternEnd = text.find(separator, nameEnd + 1);
    if (patternEnd == std::string_view::npos) patternEnd = text.size();
    if (patternEnd == nameEnd + 1) break;
    filters.push_back({std::string(text.substr(pos, nameEnd - pos)),
                       std::string(text.substr(nameEnd + 1, patternEnd - nameEnd - 1))});
    pos = patternEnd + 1;
  }
  return filters;
}

// Windows and messages.
WindowHandle CreateWindow(const WindowSpec& spec, WindowProc proc) {
  return Ui().CreateWindow(spec, std::move(proc));
}
void DestroyWindow(WindowHandle window) {
  Ui().DestroyWindow(window);
}
bool IsWindow(WindowHandle window) {
  return Ui().IsWindow(window);
}
LResult DefaultWindowProc(WindowHandle window, unsigned message, WParam wparam, LParam lparam) {
  return Ui().DefaultWindowProc(window, message, wparam, lparam);
}
LResult SendMessage(WindowHandle window, unsigned message, WParam wparam, LParam lparam) {
  return Ui().SendMessage(window, message, wparam, lparam);
}
bool PostMessage(WindowHandle window, unsigned message, WParam wparam, LParam lparam) {
  return Ui().PostMessage(window, message, wparam, lparam);
}
void PostQuit(int code) {
  Ui().PostQuit(code);
}
int RunMessageLoop() {
  return Ui().RunMessageLoop();
}
bool PumpOneMessage(WindowHandle window) {
  return Ui().PumpOneMessage(window);
}
void SetAccelerators(WindowHandle window, std::vector<Accelerator> table) {
  Ui().SetAccelerators(window, std::move(table));
}
bool StartTimer(WindowHandle window, int id, int milliseconds) {
  return Ui().StartTimer(window, id, milliseconds);
}
void StopTimer(WindowHandle window, int id) {
  Ui().StopTimer(window, id);
}
void ShowWindow(WindowHandle window, ShowState state) {
  Ui().ShowWindow(window, state);
}
bool IsWindowVisible(WindowHandle window) {
  return Ui().IsWindowVisible(window);
}
bool IsMinimised(WindowHandle window) {
  return Ui().IsMinimised(window);
}
void SetTopmost(WindowHandle window, bool topmost) {
  Ui().SetTopmost(window, topmost);
}
void EnableWindow(WindowHandle window, bool enable) {
  Ui().EnableWindow(window, enable);
}
bool IsWindowEnabled(WindowHandle window) {
  return Ui().IsWindowEnabled(window);
}
void SetWindowTitle(WindowHandle window, std::string_view title) {
  Ui().SetWindowTitle(window, title);
}
std::string WindowTitle(WindowHandle window) {
  return Ui().WindowTitle(window);
}
void MoveWindow(WindowHandle window, const Rect& rect) {
  Ui().MoveWindow(window, rect);
}
Rect WindowRect(WindowHandle window) {
  return Ui().WindowRect(window);
}
void SetFocus(WindowHandle window) {
  Ui().SetFocus(window);
}
WindowHandle FocusWindow() {
  return Ui().FocusWindow();
}
void InvalidateWindow(WindowHandle window, const Rect* area) {
  Ui().InvalidateWindow(window, area);
}
void UpdateWindow(WindowHandle window) {
  Ui().UpdateWindow(window);
}
void SetCursor(CursorKind cursor) {
  Ui().SetCursor(cursor);
}
void FlashWindow(WindowHandle window) {
  Ui().FlashWindow(window);
}
void Beep() {
  Ui().Beep();
}
ScreenInfo Screen() {
  return Ui().Screen();
}

// Dialogs and controls.
int RunDialog(WindowHandle owner, const DialogTemplate& dialog, WindowProc proc, LParam param) {
  return Ui().RunDialog(owner, dialog, std::move(proc), param);
}
void EndDialog(WindowHandle dialog, int result) {
  Ui().EndDialog(dialog, result);
}
WindowHandle CreateControl(WindowHandle parent, const ControlTemplate& control) {
  return Ui().CreateControl(parent, control);
}
WindowHandle FindControl(WindowHandle parent, int id) {
  return Ui().FindControl(parent, id);
}
int ControlId(WindowHandle control) {
  return Ui().ControlId(control);
}
WindowHandle ParentWindow(WindowHandle window) {
  return Ui().ParentWindow(window);
}
void SetControlHook(WindowHandle control, WindowProc hook) {
  Ui().SetControlHook(control, std::move(hook));
}
void SetControlText(WindowHandle control, std::string_view text) {
  Ui().SetControlText(control, text);
}
std::string ControlText(WindowHandle control) {
  return Ui().ControlText(control);
}
void SetCheck(WindowHandle control, int state) {
  Ui().SetCheck(control, state);
}
int CheckStateOf(WindowHandle control) {
  return Ui().CheckStateOf(control);
}
void CheckRadio(WindowHandle parent, int first, int last, int id) {
  Ui().CheckRadio(parent, first, last, id);
}
int AddListItem(WindowHandle control, std::string_view text) {
  return Ui().AddListItem(control, text);
}
int InsertListItem(WindowHandle control, int index, std::string_view text) {
  return Ui().InsertListItem(control, index, text);
}
bool DeleteListItem(WindowHandle control, int index) {
  return Ui().DeleteListItem(control, index);
}
void ClearList(WindowHandle control) {
  Ui().ClearList(control);
}
int ListCount(WindowHandle control) {
  return Ui().ListCount(control);
}
std::string ListItemText(WindowHandle control, int index) {
  return Ui().ListItemText(control, index);
}
int FindListItem(WindowHandle control, std::string_view text) {
  return Ui().FindListItem(control, text);
}
int ListSelection(WindowHandle control) {
  return Ui().ListSelection(control);
}
void SetListSelection(WindowHandle control, int index) {
  Ui().SetListSelection(control, index);
}
void SetListItemSelected(WindowHandle control, int index, bool selected) {
  Ui().SetListItemSelected(control, index, selected);
}
std::vector<int> ListSelections(WindowHandle control) {
  return Ui().ListSelections(control);
}
void SetScrollRange(WindowHandle control, int minimum, int maximum) {
  Ui().SetScrollRange(control, minimum, maximum);
}
void SetScrollPosition(WindowHandle control, int position) {
  Ui().SetScrollPosition(control, position);
}
int ScrollPosition(WindowHandle control) {
  return Ui().ScrollPosition(control);
}

// Menus.
MenuHandle CreateMenu() {
  return Ui().CreateMenu();
}
void DestroyMenu(MenuHandle menu) {
  Ui().DestroyMenu(menu);
}
void AppendMenuItem(MenuHandle menu, int id, std::string_view text, unsigned flags) {
  Ui().AppendMenuItem(menu, id, text, flags);
}
void AppendSeparator(MenuHandle menu) {
  Ui().AppendSeparator(menu);
}
void AppendSubmenu(MenuHandle menu, MenuHandle submenu, std::string_view text, unsigned flags) {
  Ui().AppendSubmenu(menu, submenu, text, flags);
}
bool InsertSubmenu(MenuHandle menu, int position, MenuHandle submenu, std::string_view text) {
  return Ui().InsertSubmenu(menu, position, submenu, text);
}
bool RemoveMenuPosition(MenuHandle menu, int position) {
  return Ui().RemoveMenuPosition(menu, position);
}
std::vector<MenuItem> MenuItems(MenuHandle menu) {
  return Ui().MenuItems(menu);
}
MenuHandle SubMenu(MenuHandle menu, int position) {
  return Ui().SubMenu(menu, position);
}
bool EnableMenuItem(MenuHandle menu, int idOrPosition, bool byPosition, bool enable) {
  return Ui().EnableMenuItem(menu, idOrPosition, byPosition, enable);
}
bool CheckMenuItem(MenuHandle menu, int id, bool checked) {
  return Ui().CheckMenuItem(menu, id, checked);
}

bool SetMenuItemImage(MenuHandle menu, int id, const Bitmap& image) {
  return Ui().SetMenuItemImage(menu, id, image);
}
void SetWindowMenu(WindowHandle window, MenuHandle menu) {
  Ui().SetWindowMenu(window, menu);
}
MenuHandle WindowMenu(WindowHandle window) {
  return Ui().WindowMenu(window);
}
void RedrawMenuBar(WindowHandle window) {
  Ui().RedrawMenuBar(window);
}
int TrackPopupMenu(MenuHandle menu, WindowHandle owner, Point screen, bool returnCommand) {
  return Ui().TrackPopupMenu(menu, owner, screen, returnCommand);
}

// Common dialogs.
std::optional<std::string> ChooseOpenFile(const OpenFileRequest& request) {
  return Ui().ChooseOpenFile(request);
}
bool ChooseFont(FontRequest* request) {
  return Ui().ChooseFont(request);
}
std::optional<std::string> ChooseDirectory(WindowHandle owner, std::string_view title,
                                           std::string_view start) {
  return Ui().ChooseDirectory(owner, title, start);
}

}  // namespace platform
