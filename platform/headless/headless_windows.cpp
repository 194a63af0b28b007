// The headless backend's windows, messages, controls, dialogs and menus. Everything lives in
// maps keyed by handle; handles are never reused, so a stale one finds nothing.
#include <algorithm>
#include <limits>

#include "platform/headless/headless_ui.h"
#include "platform/text.h"

namespace platform {

struct HeadlessUi::Window {
  enum class Type { kTop, kDialog, kControl };
  WindowHandle handle = nullptr;
  Type type = Type::kTop;
  WindowProc proc;  // window or dialog procedure
  WindowProc hook;  // a control's hook
  std::thread::id thread;
  WindowHandle parent = nullptr;
  WindowHandle owner = nullptr;
  std::vector<WindowHandle> children;
  std::string className;
  std::string text;  // title or caption or contents
  Rect rect;
  unsigned style = 0;
  bool visible = false;
  bool enabled = true;
  bool minimised = false;
  bool topmost = false;
  bool destroying = false;
  // Controls.
  int id = 0;
  ControlKind kind = ControlKind::kStatic;
  int check = kUnchecked;
  std::vector<std::string> items;
  std::vector<bool> selected;
  int selection = -1;
  int scrollMin = 0;
  int scrollMax = 100;
  int scrollPos = 0;
  // Dialogs.
  bool ended = false;
  int result = 0;
  // Painting.
  bool invalid = false;
  Rect invalidArea;
  MenuHandle menu = nullptr;
};

struct HeadlessUi::Sent {
  WindowHandle window;
  unsigned message;
  WParam wparam;
  LParam lparam;
  LResult result = 0;
  bool done = false;
};

class HeadlessUi::RecordingCanvas final : public Canvas {
 public:
  RecordingCanvas(HeadlessUi* ui, WindowHandle window, Rect area)
      : ui_(ui), window_(window), area_(area) {}
  Rect area() const override { return area_; }
  void FillRect(const Rect& rect, Colour colour) override {
    CanvasCall c = Call(CanvasCall::Op::kFill);
    c.rect = rect;
    c.colour = colour;
    Add(std::move(c));
  }
  void FrameRect(const Rect& rect, Colour colour, int penWidth) override {
    CanvasCall c = Call(CanvasCall::Op::kFrame);
    c.rect = rect;
    c.colour = colour;
    c.penWidth = penWidth;
    Add(std::move(c));
  }
  void Line(Point from, Point to, Colour colour, int penWidth) override {
    CanvasCall c = Call(CanvasCall::Op::kLine);
    c.from = from;
    c.to = to;
    c.colour = colour;
    c.penWidth = penWidth;
    Add(std::move(c));
  }
  void Text(Point origin, std::string_view text, const TextStyle& style) override {
    CanvasCall c = Call(CanvasCall::Op::kText);
    c.from = origin;
    c.text = text;
    c.style = style;
    Add(std::move(c));
  }
  void TextInRect(const Rect& rect, std::string_view text, const TextStyle& style) override {
    CanvasCall c = Call(CanvasCall::Op::kTextInRect);
    c.rect = rect;
    c.text = text;
    c.style = style;
    Add(std::move(c));
  }
  void DrawBitmap(const Bitmap& bitmap, const Rect& dest, Point source, RasterOp op) override {
    CanvasCall c = Call(CanvasCall::Op::kBitmap);
    c.rect = dest;
    c.bitmap = bitmap.name;
    c.source = source;
    c.rop = op;
    Add(std::move(c));
  }
  void DrawIcon(Point origin, StockIcon icon) override {
    CanvasCall c = Call(CanvasCall::Op::kIcon);
    c.from = origin;
    c.icon = icon;
    Add(std::move(c));
  }

 private:
  CanvasCall Call(CanvasCall::Op op) const {
    CanvasCall c;
    c.window = window_;
    c.op = op;
    return c;
  }
  void Add(CanvasCall c) { ui_->canvas_.push_back(std::move(c)); }
  HeadlessUi* ui_;
  WindowHandle window_;
  Rect area_;
};

HeadlessUi::HeadlessUi() = default;
HeadlessUi::~HeadlessUi() = default;

WindowHandle HeadlessUi::NewHandle() {
  nextHandle_ += 0x10;
  return reinterpret_cast<WindowHandle>(nextHandle_);
}

HeadlessUi::Window* HeadlessUi::Find(WindowHandle handle) const {
  if (!handle) return nullptr;
  auto it = windows_.find(handle);
  return it == windows_.end() ? nullptr : it->second.get();
}

HeadlessUi::Window* HeadlessUi::FindControlOfKind(WindowHandle handle,
                                                  std::initializer_list<ControlKind> kinds) const {
  Window* w = Find(handle);
  if (!w || w->type != Window::Type::kControl) return nullptr;
  for (ControlKind k : kinds)
    if (w->kind == k) return w;
  return nullptr;
}

HeadlessUi::Menu* HeadlessUi::FindMenu(MenuHandle handle) const {
  return menus_.Find(handle);
}

bool HeadlessUi::Exists(WindowHandle window) const {
  std::lock_guard<std::mutex> lock(mutex_);
  return Find(window) != nullptr;
}

bool HeadlessUi::IsWithin(WindowHandle window, WindowHandle ancestor) const {
  for (Window* w = Find(window); w; w = Find(w->parent))
    if (w->handle == ancestor) return true;
  return false;
}

// ---- Windows ------------------------------------------------------------------------------

WindowHandle HeadlessUi::CreateWindow(const WindowSpec& spec, WindowProc proc) {
  auto w = std::make_unique<Window>();
  WindowHandle handle = NewHandle();
  w->handle = handle;
  w->proc = std::move(proc);
  w->thread = std::this_thread::get_id();
  w->owner = spec.owner;
  w->className = spec.className;
  w->text = spec.title;
  w->rect = spec.rect;
  w->style = spec.style;
  w->topmost = (spec.style & kWindowTopmost) != 0;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    windows_[handle] = std::move(w);
  }
  if (Deliver(handle, kMsgCreate, 0, reinterpret_cast<LParam>(&spec)) == -1) {
    DestroyWindow(handle);
    return nullptr;
  }
  if (!Find(handle)) return nullptr;  // the procedure destroyed it while being created
  if (spec.style & kWindowVisible) ShowWindow(handle, ShowState::kShow);
  return handle;
}

void HeadlessUi::DestroyWindow(WindowHandle handle) {
  Window* w = Find(handle);
  if (!w || w->destroying) return;
  w->destroying = true;
  Deliver(handle, kMsgDestroy, 0, 0);
  // Owned windows and controls go with it, after it has been told.
  std::vector<WindowHandle> dependants;
  for (auto& [h, other] : windows_)
    if (other->owner == handle || other->parent == handle) dependants.push_back(h);
  for (WindowHandle h : dependants)
    DestroyWindow(h);
  w = Find(handle);
  if (!w) return;
  if (Window* parent = Find(w->parent)) std::erase(parent->children, handle);
  if (w->menu) DestroyMenu(w->menu);
  std::erase_if(timers_, [handle](const Timer& t) { return t.window == handle; });
  accelerators_.erase(handle);
  if (focus_ == handle) focus_ = nullptr;
  std::unique_ptr<Window> gone;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = windows_.find(handle);
    gone = std::move(it->second);
    windows_.erase(it);
  }
}

LResult HeadlessUi::Deliver(WindowHandle handle, unsigned message, WParam wparam, LParam lparam) {
  Window* w = Find(handle);
  if (!w) return 0;
  // A copy: the procedure may destroy its own window, and the function with it.
  const bool dialog = w->type == Window::Type::kDialog;
  WindowProc proc = w->type == Window::Type::kControl ? w->hook : w->proc;
  if (!proc) return DefaultWindowProc(handle, message, wparam, lparam);
  LResult result = proc(handle, message, wparam, lparam);
  // A dialog procedure returns 0 for what it leaves to the dialog's own handling.
  if (dialog && result == 0) return DefaultWindowProc(handle, message, wparam, lparam);
  return result;
}

LResult HeadlessUi::DefaultWindowProc(WindowHandle handle, unsigned message, WParam wparam,
                                      LParam lparam) {
  Window* w = Find(handle);
  if (!w) return 0;
  if (w->type == Window::Type::kControl) return ControlDefault(w, message, wparam, lparam);
  if (message == kMsgClose) {
    if (w->type == Window::Type::kDialog)  // the close box of a dialog is its Cancel
      Deliver(handle, kMsgCommand, MakeWParam(kCommandCancel, kNotifyClicked), 0);
    else
      DestroyWindow(handle);
  }
  return message == kMsgQueryEndSession ? 1 : 0;
}

LResult HeadlessUi::ControlDefault(Window* control, unsigned message, WParam wparam, LParam) {
  if (!control->enabled) return 0;
  if (control->kind == ControlKind::kEdit && !(control->style & kStyleReadOnly)) {
    // Typing at the end of the text is all a headless edit knows of editing.
    if (message == kMsgChar) {
      control->text.push_back(static_cast<char>(wparam));
    } else if (message == kMsgKeyDown && wparam == kKeyBack && !control->text.empty()) {
      control->text.pop_back();
    } else {
      return 0;
    }
    Notify(control, kNotifyTextChanged);
    return 0;
  }
  if (message != kMsgClick) return 0;
  switch (control->kind) {
    case ControlKind::kPushButton:
      break;
    case ControlKind::kCheckBox:
      control->check = control->check == kChecked ? kUnchecked : kChecked;
      break;
    case ControlKind::kRadioButton: {
      // The group is the run of radio buttons around this one; kStyleGroup starts a new run.
      Window* parent = Find(control->parent);
      if (!parent) break;
      auto& siblings = parent->children;
      auto at = std::find(siblings.begin(), siblings.end(), control->handle);
      auto first = at;
      while (first != siblings.begin() && !(Find(*first)->style & kStyleGroup)) {
        Window* previous = Find(*(first - 1));
        if (previous->kind != ControlKind::kRadioButton) break;
        --first;
      }
      for (auto it = first; it != siblings.end(); ++it) {
        Window* r = Find(*it);
        if (r->kind != ControlKind::kRadioButton || (it != first && (r->style & kStyleGroup)))
          break;
        r->check = kUnchecked;
      }
      control->check = kChecked;
      break;
    }
    default:
      return 0;
  }
  Notify(control, kNotifyClicked);
  return 0;
}

void HeadlessUi::Notify(Window* control, unsigned code) {
  Deliver(control->parent, kMsgCommand, MakeWParam(static_cast<unsigned>(control->id), code),
          reinterpret_cast<LParam>(control->handle));
}

LResult HeadlessUi::SendMessage(WindowHandle handle, unsigned message, WParam wparam,
                                LParam lparam) {
  std::unique_lock<std::mutex> lock(mutex_);
  Window* w = Find(handle);
  if (!w) return 0;
  if (w->thread == std::this_thread::get_id()) {
    lock.unlock();
    return Deliver(handle, message, wparam, lparam);
  }
  Sent sent{handle, message, wparam, lparam};
  sent_.push_back(&sent);
  wake_.notify_all();
  wake_.wait(lock, [&sent] { return sent.done; });
  return sent.result;
}

bool HeadlessUi::ServeSent() {
  bool served = false;
  std::unique_lock<std::mutex> lock(mutex_);
  const std::thread::id self = std::this_thread::get_id();
  for (;;) {
    auto it = std::find_if(sent_.begin(), sent_.end(), [&](Sent* s) {
      Window* w = Find(s->window);
      return !w || w->thread == self;
    });
    if (it == sent_.end()) return served;
    Sent* s = *it;
    sent_.erase(it);
    lock.unlock();
    LResult result = Deliver(s->window, s->message, s->wparam, s->lparam);
    lock.lock();
    s->result = result;
    s->done = true;
    wake_.notify_all();
    served = true;
  }
}

bool HeadlessUi::PostMessage(WindowHandle handle, unsigned message, WParam wparam, LParam lparam) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!Find(handle)) return false;
  queue_.push_back({handle, message, wparam, lparam});
  wake_.notify_all();
  return true;
}

void HeadlessUi::PostQuit(int code) {
  std::lock_guard<std::mutex> lock(mutex_);
  quit_ = code;
  wake_.notify_all();
}

bool HeadlessUi::TakePosted(WindowHandle within, Posted* out, bool* quit) {
  std::lock_guard<std::mutex> lock(mutex_);
  for (auto it = queue_.begin(); it != queue_.end(); ++it) {
    if (within && !IsWithin(it->window, within)) continue;
    *out = *it;
    queue_.erase(it);
    return true;
  }
  // The quit comes after everything posted before it, and only to the loop.
  if (quit && quit_) *quit = true;
  return false;
}

bool HeadlessUi::TranslateAccelerator(const Posted& message) {
  if (message.message != kMsgKeyDown) return false;
  for (auto& [window, table] : accelerators_) {
    if (!IsWithin(message.window, window)) continue;
    for (const Accelerator& a : table) {
      if (a.key == message.wparam && a.modifiers == static_cast<unsigned>(message.lparam)) {
        Deliver(window, kMsgCommand, MakeWParam(static_cast<unsigned>(a.command), 1), 0);
        return true;
      }
    }
  }
  return false;
}

void HeadlessUi::Dispatch(const Posted& message) {
  if (TranslateAccelerator(message)) return;
  LResult handled = Deliver(message.window, message.message, message.wparam, message.lparam);
  // A printable key also types its byte, unless it was a command key. A key the procedure took
  // for itself types nothing: the arrow and editing keys share their codes with "&", "(", "-"
  // and ".", and a control that acts on Down must not also type "(".
  if (message.message == kMsgKeyDown && handled == 0 && message.wparam >= 0x20 &&
      message.wparam < 0x7F && !(message.lparam & (kModControl | kModAlt)))
    Deliver(message.window, kMsgChar, message.wparam, 0);
}

int HeadlessUi::RunMessageLoop() {
  for (;;) {
    ServeSent();
    Posted message;
    bool quit = false;
    if (TakePosted(nullptr, &message, &quit)) {
      Dispatch(message);
      continue;
    }
    if (quit) {
      std::lock_guard<std::mutex> lock(mutex_);
      int code = *quit_;
      quit_.reset();
      return code;
    }
    if (PaintOne(nullptr) || FireOneTimer(nullptr)) continue;
    if (loopAdvancesClock_ && !timers_.empty()) {
      std::int64_t next = std::numeric_limits<std::int64_t>::max();
      for (const Timer& t : timers_)
        next = std::min(next, t.due);
      clockMs_ = std::max(clockMs_, next);
      continue;
    }
    std::unique_lock<std::mutex> lock(mutex_);
    wake_.wait(lock, [this] { return !queue_.empty() || quit_ || !sent_.empty(); });
  }
}

bool HeadlessUi::PumpOneMessage(WindowHandle window) {
  if (!Find(window)) return false;
  ServeSent();
  Posted message;
  if (TakePosted(window, &message, nullptr)) {
    Dispatch(message);
    return true;
  }
  return PaintOne(window) || FireOneTimer(window);
}

void HeadlessUi::DrainModal() {
  for (;;) {
    ServeSent();
    Posted message;
    if (TakePosted(nullptr, &message, nullptr)) {
      Dispatch(message);
      continue;
    }
    if (!PaintOne(nullptr) && !FireOneTimer(nullptr)) return;
  }
}

void HeadlessUi::RunFor(std::int64_t milliseconds, WindowHandle dialog) {
  const std::int64_t end = clockMs_ + milliseconds;
  auto ended = [&] {
    Window* w = dialog ? Find(dialog) : nullptr;
    return dialog && (!w || w->ended);
  };
  for (;;) {
    DrainModal();
    if (ended()) return;  // a modal dialog's time ends with it
    std::int64_t next = end;
    for (const Timer& t : timers_)
      next = std::min(next, t.due);
    if (next >= end) break;
    clockMs_ = std::max(clockMs_, next);
  }
  clockMs_ = end;
  DrainModal();
}

void HeadlessUi::SetAccelerators(WindowHandle window, std::vector<Accelerator> table) {
  if (table.empty())
    accelerators_.erase(window);
  else if (Find(window))
    accelerators_[window] = std::move(table);
}

bool HeadlessUi::StartTimer(WindowHandle window, int id, int milliseconds) {
  if (!Find(window) || milliseconds <= 0) return false;
  StopTimer(window, id);
  timers_.push_back({window, id, milliseconds, clockMs_ + milliseconds});
  return true;
}

void HeadlessUi::StopTimer(WindowHandle window, int id) {
  std::erase_if(timers_, [&](const Timer& t) { return t.window == window && t.id == id; });
}

bool HeadlessUi::FireOneTimer(WindowHandle within) {
  Timer* due = nullptr;
  for (Timer& t : timers_) {
    if (t.due > clockMs_ || (within && !IsWithin(t.window, within))) continue;
    if (!due || t.due < due->due) due = &t;
  }
  if (!due) return false;
  // One message however late: the next one is a whole period from now.
  due->due = clockMs_ + due->period;
  WindowHandle window = due->window;
  int id = due->id;
  Deliver(window, kMsgTimer, static_cast<WParam>(id), 0);
  return true;
}

// ---- Painting and window state ------------------------------------------------------------

namespace {
Rect ClientRect(const Rect& r) {
  return Rect{0, 0, r.width(), r.height()};
}
}  // namespace

void HeadlessUi::InvalidateWindow(WindowHandle window, const Rect* area) {
  Window* w = Find(window);
  if (!w) return;
  w->invalidArea = UnionRect(w->invalidArea, area ? *area : ClientRect(w->rect));
  w->invalid = true;
}

void HeadlessUi::Paint(Window* w) {
  Rect area = w->invalidArea;
  w->invalid = false;
  w->invalidArea = Rect{};
  RecordingCanvas canvas(this, w->handle, area);
  Deliver(w->handle, kMsgPaint, 0, reinterpret_cast<LParam>(static_cast<Canvas*>(&canvas)));
}

bool HeadlessUi::PaintOne(WindowHandle within) {
  for (auto& [handle, w] : windows_) {
    if (!w->invalid || (within && !IsWithin(handle, within))) continue;
    bool shown = true;
    for (Window* v = w.get(); v; v = Find(v->parent))
      shown = shown && v->visible && !v->minimised;
    if (!shown) continue;
    Paint(w.get());
    return true;
  }
  return false;
}

void HeadlessUi::UpdateWindow(WindowHandle window) {
  Window* w = Find(window);
  if (w && w->invalid && w->visible && !w->minimised) Paint(w);
}

void HeadlessUi::PaintInvalid() {
  while (PaintOne(nullptr)) {
  }
}

void HeadlessUi::ShowWindow(WindowHandle window, ShowState state) {
  Window* w = Find(window);
  if (!w) return;
  switch (state) {
    case ShowState::kHide:
      w->visible = false;
      return;
    case ShowState::kShow:
      w->visible = true;
      break;
    case ShowState::kMinimise:
      w->visible = true;
      w->minimised = true;
      return;
    case ShowState::kRestore:
      w->visible = true;
      w->minimised = false;
      break;
  }
  InvalidateWindow(window, nullptr);
}

bool HeadlessUi::IsWindowVisible(WindowHandle window) {
  Window* w = Find(window);
  return w && w->visible;
}

bool HeadlessUi::IsMinimised(WindowHandle window) {
  Window* w = Find(window);
  return w && w->minimised;
}

void HeadlessUi::SetTopmost(WindowHandle window, bool topmost) {
  if (Window* w = Find(window)) w->topmost = topmost;
}

void HeadlessUi::EnableWindow(WindowHandle window, bool enable) {
  if (Window* w = Find(window)) w->enabled = enable;
}

bool HeadlessUi::IsWindowEnabled(WindowHandle window) {
  Window* w = Find(window);
  return w && w->enabled;
}

void HeadlessUi::SetWindowTitle(WindowHandle window, std::string_view title) {
  Window* w = Find(window);
  if (!w) return;
  if (w->type == Window::Type::kControl) return SetControlText(window, title);
  w->text = title;
}

std::string HeadlessUi::WindowTitle(WindowHandle window) {
  Window* w = Find(window);
  return w ? w->text : std::string();
}

void HeadlessUi::MoveWindow(WindowHandle window, const Rect& rect) {
  Window* w = Find(window);
  if (!w) return;
  const bool resized = rect.width() != w->rect.width() || rect.height() != w->rect.height();
  w->rect = rect;
  InvalidateWindow(window, nullptr);
  if (resized && w->type != Window::Type::kControl)
    Deliver(window, kMsgSize, 0, MakePointParam(rect.width(), rect.height()));
}

Rect HeadlessUi::WindowRect(WindowHandle window) {
  Window* w = Find(window);
  return w ? w->rect : Rect{};
}

void HeadlessUi::SetFocus(WindowHandle window) {
  if (Find(window)) focus_ = window;
}

// ---- Controls -----------------------------------------------------------------------------

WindowHandle HeadlessUi::CreateControl(WindowHandle parentHandle, const ControlTemplate& t) {
  Window* parent = Find(parentHandle);
  if (!parent) return nullptr;
  auto c = std::make_unique<Window>();
  WindowHandle handle = NewHandle();
  c->handle = handle;
  c->type = Window::Type::kControl;
  c->thread = parent->thread;
  c->parent = parentHandle;
  c->id = t.id;
  c->kind = t.kind;
  c->style = t.style;
  c->text = t.caption;
  c->rect = t.rect;
  c->visible = !(t.style & kStyleHidden);
  c->enabled = !(t.style & kStyleDisabled);
  if (t.kind == ControlKind::kComboBox && (t.style & kStyleDropDownList)) c->text.clear();
  parent->children.push_back(handle);
  std::lock_guard<std::mutex> lock(mutex_);
  windows_[handle] = std::move(c);
  return handle;
}

WindowHandle HeadlessUi::FindControl(WindowHandle parentHandle, int id) {
  Window* parent = Find(parentHandle);
  if (!parent) return nullptr;
  for (WindowHandle h : parent->children)
    if (Find(h)->id == id) return h;
  return nullptr;
}

int HeadlessUi::ControlId(WindowHandle control) {
  Window* w = Find(control);
  return w ? w->id : 0;
}

WindowHandle HeadlessUi::ParentWindow(WindowHandle window) {
  Window* w = Find(window);
  return w ? w->parent : nullptr;
}

void HeadlessUi::SetControlHook(WindowHandle control, WindowProc hook) {
  Window* w = Find(control);
  if (w && w->type == Window::Type::kControl) w->hook = std::move(hook);
}

void HeadlessUi::SetControlText(WindowHandle control, std::string_view text) {
  Window* w = Find(control);
  if (!w) return;
  w->text = text;
  // An edit tells its parent of every change, whoever made it; the page editor relies on it.
  if (w->type == Window::Type::kControl && w->kind == ControlKind::kEdit)
    Notify(w, kNotifyTextChanged);
}

std::string HeadlessUi::ControlText(WindowHandle control) {
  Window* w = Find(control);
  if (!w) return {};
  if (w->type == Window::Type::kControl && w->kind == ControlKind::kComboBox &&
      (w->style & kStyleDropDownList))
    return w->selection >= 0 ? w->items[w->selection] : std::string();
  return w->text;
}

void HeadlessUi::SetCheck(WindowHandle control, int state) {
  if (Window* w = FindControlOfKind(control, {ControlKind::kCheckBox, ControlKind::kRadioButton}))
    w->check = state;
}

int HeadlessUi::CheckStateOf(WindowHandle control) {
  Window* w = FindControlOfKind(control, {ControlKind::kCheckBox, ControlKind::kRadioButton});
  return w ? w->check : kUnchecked;
}

void HeadlessUi::CheckRadio(WindowHandle parentHandle, int first, int last, int id) {
  Window* parent = Find(parentHandle);
  if (!parent) return;
  for (WindowHandle h : parent->children) {
    Window* c = Find(h);
    if (c->id >= first && c->id <= last) c->check = c->id == id ? kChecked : kUnchecked;
  }
}

bool HeadlessUi::SortedBefore(std::string_view a, std::string_view b) {
  int byCase = CompareNoCase(a, b);
  return byCase != 0 ? byCase < 0 : a < b;
}

int HeadlessUi::InsertListItem(WindowHandle control, int index, std::string_view text) {
  Window* w = FindControlOfKind(control, {ControlKind::kListBox, ControlKind::kComboBox});
  if (!w) return -1;
  const int count = static_cast<int>(w->items.size());
  if (index < 0 || index > count) index = count;
  w->items.insert(w->items.begin() + index, std::string(text));
  w->selected.insert(w->selected.begin() + index, false);
  if (w->selection >= index) ++w->selection;  // the same item stays selected
  return index;
}

int HeadlessUi::AddListItem(WindowHandle control, std::string_view text) {
  Window* w = FindControlOfKind(control, {ControlKind::kListBox, ControlKind::kComboBox});
  if (!w) return -1;
  int index = static_cast<int>(w->items.size());
  if (w->style & kStyleSorted) {
    auto at = std::upper_bound(
        w->items.begin(), w->items.end(), text,
        [](std::string_view t, const std::string& item) { return SortedBefore(t, item); });
    index = static_cast<int>(at - w->items.begin());
  }
  return InsertListItem(control, index, text);
}

bool HeadlessUi::DeleteListItem(WindowHandle control, int index) {
  Window* w = FindControlOfKind(control, {ControlKind::kListBox, ControlKind::kComboBox});
  if (!w || index < 0 || index >= static_cast<int>(w->items.size())) return false;
  w->items.erase(w->items.begin() + index);
  w->selected.erase(w->selected.begin() + index);
  if (w->selection == index)
    w->selection = -1;
  else if (w->selection > index)
    --w->selection;
  return true;
}

void HeadlessUi::ClearList(WindowHandle control) {
  Window* w = FindControlOfKind(control, {ControlKind::kListBox, ControlKind::kComboBox});
  if (!w) return;
  w->items.clear();
  w->selected.clear();
  w->selection = -1;
}

int HeadlessUi::ListCount(WindowHandle control) {
  Window* w = FindControlOfKind(control, {ControlKind::kListBox, ControlKind::kComboBox});
  return w ? static_cast<int>(w->items.size()) : 0;
}

std::string HeadlessUi::ListItemText(WindowHandle control, int index) {
  Window* w = FindControlOfKind(control, {ControlKind::kListBox, ControlKind::kComboBox});
  if (!w || index < 0 || index >= static_cast<int>(w->items.size())) return {};
  return w->items[index];
}

int HeadlessUi::FindListItem(WindowHandle control, std::string_view text) {
  Window* w = FindControlOfKind(control, {ControlKind::kListBox, ControlKind::kComboBox});
  if (!w) return -1;
  auto it = std::find(w->items.begin(), w->items.end(), text);
  return it == w->items.end() ? -1 : static_cast<int>(it - w->items.begin());
}

int HeadlessUi::ListSelection(WindowHandle control) {
  Window* w = FindControlOfKind(control, {ControlKind::kListBox, ControlKind::kComboBox});
  return w ? w->selection : -1;
}

void HeadlessUi::SetListSelection(WindowHandle control, int index) {
  Window* w = FindControlOfKind(control, {ControlKind::kListBox, ControlKind::kComboBox});
  if (!w) return;
  if (index < 0 || index >= static_cast<int>(w->items.size())) index = -1;
  w->selection = index;
  std::fill(w->selected.begin(), w->selected.end(), false);
  if (index >= 0) w->selected[index] = true;
  if (w->kind == ControlKind::kComboBox && !(w->style & kStyleDropDownList))
    w->text = index >= 0 ? w->items[index] : std::string();
}

void HeadlessUi::SetListItemSelected(WindowHandle control, int index, bool selected) {
  Window* w = FindControlOfKind(control, {ControlKind::kListBox});
  if (!w || index < 0 || index >= static_cast<int>(w->items.size())) return;
  if (!(w->style & kStyleMultiSelect)) return SetListSelection(control, selected ? index : -1);
  w->selected[index] = selected;
  w->selection = index;
}

std::vector<int> HeadlessUi::ListSelections(WindowHandle control) {
  std::vector<int> out;
  Window* w = FindControlOfKind(control, {ControlKind::kListBox, ControlKind::kComboBox});
  if (!w) return out;
  for (int i = 0; i < static_cast<int>(w->selected.size()); ++i)
    if (w->selected[i]) out.push_back(i);
  return out;
}

void HeadlessUi::SetScrollRange(WindowHandle control, int minimum, int maximum) {
  Window* w = FindControlOfKind(control, {ControlKind::kScrollBar});
  if (!w || maximum < minimum) return;
  w->scrollMin = minimum;
  w->scrollMax = maximum;
  w->scrollPos = std::clamp(w->scrollPos, minimum, maximum);
}

void HeadlessUi::SetScrollPosition(WindowHandle control, int position) {
  if (Window* w = FindControlOfKind(control, {ControlKind::kScrollBar}))
    w->scrollPos = std::clamp(position, w->scrollMin, w->scrollMax);
}

int HeadlessUi::ScrollPosition(WindowHandle control) {
  Window* w = FindControlOfKind(control, {ControlKind::kScrollBar});
  return w ? w->scrollPos : 0;
}

// ---- The user's hand ----------------------------------------------------------------------

namespace {
// A user can reach a control only when it and every window around it are shown and enabled.
bool Usable(HeadlessUi& ui, WindowHandle control) {
  for (WindowHandle h = control; h; h = ui.ParentWindow(h))
    if (!ui.IsWindowEnabled(h) || !ui.IsWindowVisible(h)) return false;
  return true;
}
}  // namespace

bool HeadlessUi::ClickControl(WindowHandle control) {
  Window* w = FindControlOfKind(
      control, {ControlKind::kPushButton, ControlKind::kCheckBox, ControlKind::kRadioButton});
  if (!w || !Usable(*this, control)) return false;
  SendMessage(control, kMsgClick, 0, 0);
  return true;
}

bool HeadlessUi::TypeText(WindowHandle control, std::string_view text) {
  Window* w = FindControlOfKind(control, {ControlKind::kEdit, ControlKind::kComboBox});
  if (!w || !Usable(*this, control) || (w->style & (kStyleReadOnly | kStyleDropDownList)))
    return false;
  if (w->kind == ControlKind::kEdit) {
    SetControlText(control, text);
  } else {
    w->text = text;
    Notify(w, kNotifyTextChanged);
  }
  return true;
}

bool HeadlessUi::ChooseItem(WindowHandle control, int index) {
  Window* w = FindControlOfKind(control, {ControlKind::kListBox, ControlKind::kComboBox});
  if (!w || !Usable(*this, control) || index < 0 || index >= static_cast<int>(w->items.size()))
    return false;
  if (w->style & kStyleMultiSelect)  // a click toggles an item of a multi-select list
    SetListItemSelected(control, index, !w->selected[index]);
  else
    SetListSelection(control, index);
  Notify(w, kNotifySelectionChanged);
  return true;
}

bool HeadlessUi::DoubleClickItem(WindowHandle control, int index) {
  Window* w = FindControlOfKind(control, {ControlKind::kListBox, ControlKind::kComboBox});
  if (!w || !Usable(*this, control) || index < 0 || index >= static_cast<int>(w->items.size()))
    return false;
  if (!w->selected[index]) ChooseItem(control, index);
  if (Find(control)) Notify(Find(control), kNotifyDoubleClicked);
  return true;
}

bool HeadlessUi::ScrollTo(WindowHandle control, int position) {
  Window* w = FindControlOfKind(control, {ControlKind::kScrollBar});
  if (!w || !Usable(*this, control)) return false;
  // As with a dragged thumb, the parent is told the position and moves the thumb itself.
  position = std::clamp(position, w->scrollMin, w->scrollMax);
  Deliver(w->parent, kMsgVScroll, MakeWParam(kScrollThumbPosition, static_cast<unsigned>(position)),
          reinterpret_cast<LParam>(control));
  return true;
}

bool HeadlessUi::PressKey(WindowHandle window, unsigned key, unsigned modifiers) {
  return PostMessage(window, kMsgKeyDown, key, static_cast<LParam>(modifiers));
}

void HeadlessUi::CloseWindow(WindowHandle window) {
  SendMessage(window, kMsgClose, 0, 0);
}

// ---- Dialogs ------------------------------------------------------------------------------

int HeadlessUi::RunDialog(WindowHandle owner, const DialogTemplate& t, WindowProc proc,
                          LParam param) {
  auto d = std::make_unique<Window>();
  WindowHandle handle = NewHandle();
  d->handle = handle;
  d->type = Window::Type::kDialog;
  d->proc = std::move(proc);
  d->thread = std::this_thread::get_id();
  d->owner = owner;
  d->className = "dialog";
  d->text = t.title;
  d->rect = RectAt(0, 0, t.width, t.height);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    windows_[handle] = std::move(d);
  }
  for (const ControlTemplate& c : t.controls)
    CreateControl(handle, c);
  const bool ownerEnabled = IsWindowEnabled(owner);
  EnableWindow(owner, false);

  auto open = [&] {
    Window* w = Find(handle);
    return w && !w->ended;
  };
  Deliver(handle, kMsgInitDialog, 0, param);
  if (open()) {
    ShowWindow(handle, ShowState::kShow);
    UpdateWindow(handle);
  }
  DialogRecord record;
  record.handle = handle;
  auto script = std::find_if(
      dialogScripts_.begin(), dialogScripts_.end(),
      [&](const ScriptedDialog& s) { return t.title.find(s.titlePart) != std::string::npos; });
  if (script != dialogScripts_.end()) {
    DialogScript steps = std::move(script->script);
    dialogScripts_.erase(script);
    record.scripted = true;
    for (const DialogScript::Step& step : steps.steps()) {
      if (!open()) break;
      step(*this, handle);
      DrainModal();
    }
  }
  if (open()) {
    // Whatever the script left open is dismissed as Escape does it; a dialog that will not
    // take Cancel is ended with it all the same, so nothing waits for a user who is not there.
    Deliver(handle, kMsgCommand, MakeWParam(kCommandCancel, kNotifyClicked), 0);
    DrainModal();
    if (open()) EndDialog(handle, kCommandCancel);
  }
  if (Window* w = Find(handle)) {
    record.title = w->text;
    record.result = w->result;
    record.controls = Snapshot(w);
  }
  dialogs_.push_back(std::move(record));
  const int result = dialogs_.back().result;
  EnableWindow(owner, ownerEnabled);
  DestroyWindow(handle);
  return result;
}

void HeadlessUi::EndDialog(WindowHandle dialog, int result) {
  Window* w = Find(dialog);
  if (!w || w->type != Window::Type::kDialog || w->ended) return;
  w->ended = true;
  w->result = result;
}

std::vector<ControlSnapshot> HeadlessUi::Snapshot(const Window* dialog) {
  std::vector<ControlSnapshot> out;
  for (WindowHandle h : dialog->children) {
    const Window* c = Find(h);
    ControlSnapshot s;
    s.id = c->id;
    s.kind = c->kind;
    s.text = ControlText(h);
    s.check = c->check;
    s.items = c->items;
    for (int i = 0; i < static_cast<int>(c->selected.size()); ++i)
      if (c->selected[i]) s.selected.push_back(i);
    s.enabled = c->enabled;
    s.visible = c->visible;
    out.push_back(std::move(s));
  }
  return out;
}

// ---- Menus --------------------------------------------------------------------------------

MenuHandle HeadlessUi::CreateMenu() {
  MenuHandle handle = NewHandle();
  menus_.Create(handle);
  return handle;
}

void HeadlessUi::DestroyMenu(MenuHandle handle) {
  std::vector<MenuHandle> removed;
  menus_.Destroy(handle, &removed);
  for (MenuHandle gone : removed)
    for (auto& [h, w] : windows_)
      if (w->menu == gone) w->menu = nullptr;
}

void HeadlessUi::AppendMenuItem(MenuHandle menu, int id, std::string_view text, unsigned flags) {
  menus_.AppendItem(menu, id, text, flags);
}

void HeadlessUi::AppendSeparator(MenuHandle menu) {
  menus_.AppendSeparator(menu);
}

void HeadlessUi::AppendSubmenu(MenuHandle menu, MenuHandle submenu, std::string_view text,
                               unsigned flags) {
  menus_.AppendSubmenu(menu, submenu, text, flags);
}

bool HeadlessUi::InsertSubmenu(MenuHandle menu, int position, MenuHandle submenu,
                               std::string_view text) {
  return menus_.InsertSubmenu(menu, position, submenu, text);
}

bool HeadlessUi::RemoveMenuPosition(MenuHandle menu, int position) {
  MenuHandle sub = nullptr;
  if (!menus_.RemovePosition(menu, position, &sub)) return false;
  if (sub) DestroyMenu(sub);
  return true;
}

std::vector<MenuItem> HeadlessUi::MenuItems(MenuHandle menu) {
  return menus_.Items(menu);
}

MenuHandle HeadlessUi::SubMenu(MenuHandle menu, int position) {
  return menus_.SubMenu(menu, position);
}

bool HeadlessUi::EnableMenuItem(MenuHandle menu, int idOrPosition, bool byPosition, bool enable) {
  bool changed = false;
  return menus_.Enable(menu, idOrPosition, byPosition, enable, &changed);
}

bool HeadlessUi::CheckMenuItem(MenuHandle menu, int id, bool checked) {
  bool changed = false;
  return menus_.Check(menu, id, checked, &changed);
}

bool HeadlessUi::SetMenuItemImage(MenuHandle menu, int id, const Bitmap& image) {
  return menus_.SetImage(menu, id, image);
}

void HeadlessUi::SetWindowMenu(WindowHandle window, MenuHandle menu) {
  if (Window* w = Find(window)) w->menu = menu;
}

MenuHandle HeadlessUi::WindowMenu(WindowHandle window) {
  Window* w = Find(window);
  return w ? w->menu : nullptr;
}

bool HeadlessUi::ChooseMenuCommand(WindowHandle window, int command) {
  Window* w = Find(window);
  if (!w || !w->enabled) return false;
  auto path = menus_.PathTo(w->menu, command);
  if (path.empty()) return false;
  for (const MenuItem* item : path)
    if (item->grayed) return false;
  return PostMessage(window, kMsgCommand, MakeWParam(static_cast<unsigned>(command), 0), 0);
}

int HeadlessUi::TrackPopupMenu(MenuHandle menu, WindowHandle owner, Point screen,
                               bool returnCommand) {
  PopupRecord record{owner, screen, MenuItems(menu), 0};
  if (!popupScripts_.empty()) {
    int wanted = popupScripts_.front();
    popupScripts_.pop_front();
    auto path = menus_.PathTo(menu, wanted);
    bool grayed = false;
    for (const MenuItem* item : path)
      grayed = grayed || item->grayed;
    if (!path.empty() && !grayed) record.chosen = wanted;
  }
  popups_.push_back(record);
  if (record.chosen && !returnCommand)
    PostMessage(owner, kMsgCommand, MakeWParam(static_cast<unsigned>(record.chosen), 0), 0);
  return record.chosen;
}

}  // namespace platform
