// The Qt backend's insides, shared by its source files and its tests. Nothing outside
// platform/qt includes this; the program uses qt_ui.h.
#pragma once

#include <QColor>
#include <QEventLoop>
#include <QFont>
#include <QObject>
#include <QPainter>
#include <QPointer>
#include <QRegion>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/menu_store.h"
#include "platform/ui.h"

class QMenu;
class QMenuBar;
class QTimer;

namespace platform::qt {

// Bytes shown as text: UTF-8 when they are valid UTF-8, else Latin-1.
QString DecodeBytes(std::string_view bytes);
bool IsValidUtf8(std::string_view bytes);
// The bytes for text now shown in a control that was given original: original itself while
// the shown text is unchanged; otherwise the shown text in the original's encoding (Latin-1
// when the original was not UTF-8 and every character fits), else UTF-8.
std::string BytesFor(const QString& shown, const std::string& original);

QColor ToQColor(Colour colour);
Colour FromQColor(const QColor& colour);
// The toolkit font for a font description: positive heights are cell heights, negative ones
// character heights, in pixels.
QFont MakeQFont(const FontDescription& font);

// A canvas drawing through a painter on a window's client area.
class QtCanvas final : public Canvas {
 public:
  QtCanvas(QPainter* painter, Rect area) : painter_(painter), area_(area) {}
  Rect area() const override { return area_; }
  void FillRect(const Rect& rect, Colour colour) override;
  void FrameRect(const Rect& rect, Colour colour, int penWidth) override;
  void Line(Point from, Point to, Colour colour, int penWidth) override;
  void Text(Point origin, std::string_view text, const TextStyle& style) override;
  void TextInRect(const Rect& rect, std::string_view text, const TextStyle& style) override;
  void DrawBitmap(const Bitmap& bitmap, const Rect& dest, Point source, RasterOp op) override;
  void DrawIcon(Point origin, StockIcon icon) override;
  int TextWidth(std::string_view text, const FontDescription& font) override;

 private:
  QPainter* painter_;
  Rect area_;
};

class QtUi;

// A window, dialog or control behind a handle.
struct Node {
  enum class Type { kTop, kDialog, kControl };
  WindowHandle handle = nullptr;
  Type type = Type::kTop;
  WindowProc proc;  // window or dialog procedure
  WindowProc hook;  // a control's hook
  WindowHandle parent = nullptr;
  WindowHandle owner = nullptr;
  std::vector<WindowHandle> children;
  std::string className;
  std::string text;  // the bytes last given as title, caption or contents
  unsigned style = 0;
  bool destroying = false;
  bool enabled = true;  // a window's own state (its controls are not greyed with it)
  // The top-level widget (a window's frame, the dialog) and the widget that is the client
  // area (where painting and controls go; for a control, the control itself).
  QPointer<QWidget> frame;
  QPointer<QWidget> client;
  QPointer<QMenuBar> menuBar;
  MenuHandle menu = nullptr;
  QRegion invalid;
  int width = 0;  // the client size last reported with kMsgSize
  int height = 0;
  std::map<int, QTimer*> timers;
  // Controls.
  int id = 0;
  ControlKind kind = ControlKind::kStatic;
  std::vector<std::string> items;  // list and combo box items as given
  bool quiet = false;              // a change made by the program: no notification
  unsigned filtering = 0;          // the message the hook is deciding on for a real input event
  bool passOn = false;             // the hook passed it on with DefaultWindowProc
  // Dialogs.
  bool ended = false;
  bool placed = false;  // moved by its procedure before it was shown
  int result = 0;
  QEventLoop* loop = nullptr;
};

// What runs the message loop, a dialog, or a pump now; the quit is taken only by a loop.
struct LoopFrame {
  enum class Kind { kLoop, kModal, kPump };
  Kind kind;
  QEventLoop* loop = nullptr;
  WindowHandle dialog = nullptr;
};

class QtUi final : public UiBackend {
 public:
  QtUi();
  ~QtUi() override;

  // The backend made by MakeQtUi, while it exists.
  static QtUi* Instance();
  // The client widget of a window or dialog, or a control's widget.
  QWidget* WidgetOf(WindowHandle window);
  // The top-level widget of a window or dialog.
  QWidget* FrameOf(WindowHandle window);
  QMenuBar* MenuBarOf(WindowHandle window);
  // The handle a widget (or the nearest widget around it) stands for.
  WindowHandle HandleOf(QObject* widget) const;
  // The innermost running dialog.
  WindowHandle ActiveDialog() const;

  // Called by the widgets.
  LResult Deliver(WindowHandle window, unsigned message, WParam wparam, LParam lparam);
  void PaintClient(WindowHandle window, QPainter* painter, const QRect& area);
  void ClientResized(WindowHandle window, int width, int height);
  void Notify(WindowHandle control, unsigned code);
  void RadioClicked(WindowHandle control);
  void ScrollAction(WindowHandle control, int action);
  // A control's input event offered to its hook; true when the hook kept it from the control.
  bool HookEvent(WindowHandle control, QEvent* event);
  void HookPaint(WindowHandle control, QWidget* surface);
  // Key presses anywhere: accelerators of the window (or the window around the control).
  bool TranslateKey(QObject* receiver, QEvent* event);
  void ServeQueue();
  bool bypassHook() const { return bypassHook_; }
  void ChooseBarCommand(WindowHandle window, int command);

  int MessageBox(WindowHandle owner, std::string_view text, std::string_view caption,
                 unsigned style) override;

  WindowHandle CreateWindow(const WindowSpec& spec, WindowProc proc) override;
  void DestroyWindow(WindowHandle window) override;
  bool IsWindow(WindowHandle window) override;
  LResult DefaultWindowProc(WindowHandle window, unsigned message, WParam wparam,
                            LParam lparam) override;
  LResult SendMessage(WindowHandle window, unsigned message, WParam wparam, LParam lparam) override;
  bool PostMessage(WindowHandle window, unsigned message, WParam wparam, LParam lparam) override;
  void PostQuit(int code) override;
  int RunMessageLoop() override;
  bool PumpOneMessage(WindowHandle window) override;
  void SetAccelerators(WindowHandle window, std::vector<Accelerator> table) override;
  bool StartTimer(WindowHandle window, int id, int milliseconds) override;
  void StopTimer(WindowHandle window, int id) override;
  void ShowWindow(WindowHandle window, ShowState state) override;
  bool IsWindowVisible(WindowHandle window) override;
  bool IsMinimised(WindowHandle window) override;
  void SetTopmost(WindowHandle window, bool topmost) override;
  void EnableWindow(WindowHandle window, bool enable) override;
  bool IsWindowEnabled(WindowHandle window) override;
  void SetWindowTitle(WindowHandle window, std::string_view title) override;
  std::string WindowTitle(WindowHandle window) override;
  void MoveWindow(WindowHandle window, const Rect& rect) override;
  Rect WindowRect(WindowHandle window) override;
  void SetFocus(WindowHandle window) override;
  WindowHandle FocusWindow() override;
  void InvalidateWindow(WindowHandle window, const Rect* area) override;
  void UpdateWindow(WindowHandle window) override;
  void SetCursor(CursorKind cursor) override;
  void FlashWindow(WindowHandle window) override;
  void Beep() override;
  ScreenInfo Screen() override;

  int RunDialog(WindowHandle owner, const DialogTemplate& dialog, WindowProc proc,
                LParam param) override;
  void EndDialog(WindowHandle dialog, int result) override;
  WindowHandle CreateControl(WindowHandle parent, const ControlTemplate& control) override;
  WindowHandle FindControl(WindowHandle parent, int id) override;
  int ControlId(WindowHandle control) override;
  WindowHandle ParentWindow(WindowHandle window) override;
  void SetControlHook(WindowHandle control, WindowProc hook) override;
  void SetControlText(WindowHandle control, std::string_view text) override;
  std::string ControlText(WindowHandle control) override;
  void SetCheck(WindowHandle control, int state) override;
  int CheckStateOf(WindowHandle control) override;
  void CheckRadio(WindowHandle parent, int first, int last, int id) override;
  int InsertListItem(WindowHandle control, int index, std::string_view text) override;
  int AddListItem(WindowHandle control, std::string_view text) override;
  bool DeleteListItem(WindowHandle control, int index) override;
  void ClearList(WindowHandle control) override;
  int ListCount(WindowHandle control) override;
  std::string ListItemText(WindowHandle control, int index) override;
  int FindListItem(WindowHandle control, std::string_view text) override;
  int ListSelection(WindowHandle control) override;
  void SetListSelection(WindowHandle control, int index) override;
  void SetListItemSelected(WindowHandle control, int index, bool selected) override;
  std::vector<int> ListSelections(WindowHandle control) override;
  void SetScrollRange(WindowHandle control, int minimum, int maximum) override;
  void SetScrollPosition(WindowHandle control, int position) override;
  int ScrollPosition(WindowHandle control) override;

  MenuHandle CreateMenu() override;
  void DestroyMenu(MenuHandle menu) override;
  void AppendMenuItem(MenuHandle menu, int id, std::string_view text, unsigned flags) override;
  void AppendSeparator(MenuHandle menu) override;
  void AppendSubmenu(MenuHandle menu, MenuHandle submenu, std::string_view text,
                     unsigned flags) override;
  bool InsertSubmenu(MenuHandle menu, int position, MenuHandle submenu,
                     std::string_view text) override;
  bool RemoveMenuPosition(MenuHandle menu, int position) override;
  std::vector<MenuItem> MenuItems(MenuHandle menu) override;
  MenuHandle SubMenu(MenuHandle menu, int position) override;
  bool EnableMenuItem(MenuHandle menu, int idOrPosition, bool byPosition, bool enable) override;
  bool CheckMenuItem(MenuHandle menu, int id, bool checked) override;
  bool SetMenuItemImage(MenuHandle menu, int id, const Bitmap& image) override;
  void SetWindowMenu(WindowHandle window, MenuHandle menu) override;
  MenuHandle WindowMenu(WindowHandle window) override;
  void RedrawMenuBar(WindowHandle window) override;
  int TrackPopupMenu(MenuHandle menu, WindowHandle owner, Point screen,
                     bool returnCommand) override;

  std::optional<std::string> ChooseOpenFile(const OpenFileRequest& request) override;
  bool ChooseFont(FontRequest* request) override;
  std::optional<std::string> ChooseDirectory(WindowHandle owner, std::string_view title,
                                             std::string_view start) override;

 private:
  struct Posted {
    WindowHandle window;
    unsigned message;
    WParam wparam;
    LParam lparam;
  };
  using Menu = MenuStore::Menu;

  Node* Find(WindowHandle handle) const;
  Node* FindControlOfKind(WindowHandle handle, std::initializer_list<ControlKind> kinds) const;
  Menu* FindMenu(MenuHandle handle) const;
  WindowHandle NewHandle();
  void Register(std::unique_ptr<Node> node);
  bool IsWithin(WindowHandle window, WindowHandle ancestor) const;
  bool IsGuiThread() const;
  void Wake();
  void MaybeQuit();
  void PushFrame(LoopFrame frame);
  void PopFrame();
  bool TakePosted(WindowHandle within, Posted* out);
  void Dispatch(const Posted& message);
  bool MatchAccelerator(WindowHandle window, unsigned key, unsigned modifiers);
  LResult ControlDefault(Node* control, unsigned message, WParam wparam, LParam lparam);
  void SendKeyToControl(Node* control, unsigned message, WParam wparam);
  void ReportSize(Node* node, int width, int height);
  // Lists and combo boxes.
  void InsertShown(Node* control, int index, const QString& text);
  void RemoveShown(Node* control, int index);
  // Menus.
  void FillMenu(QMenu* menu, MenuHandle model, const std::function<void(int)>& choose);
  void RebuildMenuBar(Node* window);
  void MenuChanged(MenuHandle menu);
  // Runs fn on the GUI thread and waits for it.
  void OnGuiThread(const std::function<void()>& fn);

  std::map<WindowHandle, std::unique_ptr<Node>> nodes_;
  MenuStore menus_;
  std::vector<QPointer<QWidget>> doomed_;  // destroyed windows waiting for deletion
  std::map<WindowHandle, std::vector<Accelerator>> accelerators_;
  std::vector<LoopFrame> frames_;
  bool waitCursor_ = false;
  bool bypassHook_ = false;
  std::uint64_t deliveries_ = 0;

  // The queue and the node map are shared with other threads.
  mutable std::mutex mutex_;
  std::deque<Posted> queue_;
  std::optional<int> quit_;
  QObject* dispatcher_ = nullptr;  // lives on the GUI thread; wakes it for posted messages
  QObject* keyFilter_ = nullptr;
};

}  // namespace platform::qt
