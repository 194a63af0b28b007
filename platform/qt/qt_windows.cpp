// The Qt backend's windows and messages: handles over widgets, the posted-message queue, the
// loop, cross-thread sends, timers, painting requests and window state.
#include <QApplication>
#include <QCoreApplication>
#include <QCursor>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QMenuBar>
#include <QMetaObject>
#include <QScreen>
#include <QSessionManager>
#include <QThread>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <cctype>

#include "platform/qt/qt_backend.h"
#include "platform/qt/qt_ui.h"
#include "platform/qt/qt_widgets.h"

namespace platform::qt {

namespace {

QtUi* gInstance = nullptr;

QEvent::Type WakeEventType() {
  static const int type = QEvent::registerEventType();
  return static_cast<QEvent::Type>(type);
}

QRect ToQRect(const Rect& r) {
  return QRect(r.left, r.top, r.width(), r.height());
}

// Lives on the GUI thread: a wake event makes it hand out the posted messages.
class Dispatcher final : public QObject {
 public:
  explicit Dispatcher(QtUi* ui) : ui_(ui) {}
  bool event(QEvent* event) override {
    if (event->type() != WakeEventType()) return QObject::event(event);
    ui_->ServeQueue();
    return true;
  }

 private:
  QtUi* ui_;
};

// Sees every key press before its widget, for the accelerators and disabled windows.
class KeyFilter final : public QObject {
 public:
  explicit KeyFilter(QtUi* ui) : ui_(ui) {}
  bool eventFilter(QObject* receiver, QEvent* event) override {
    switch (event->type()) {
      case QEvent::KeyPress:
        return ui_->TranslateKey(receiver, event);
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonRelease:
      case QEvent::MouseButtonDblClick:
      case QEvent::KeyRelease:
      case QEvent::Wheel: {
        // A disabled window takes no input, though its controls are not greyed.
        if (!receiver->isWidgetType()) return false;
        QWidget* top = static_cast<QWidget*>(receiver)->window();
        WindowHandle h = ui_->HandleOf(top);
        return h && !ui_->IsWindowEnabled(h);
      }
      default:
        return false;
    }
  }

 private:
  QtUi* ui_;
};

}  // namespace

QtUi::QtUi() {
  QApplication::setQuitOnLastWindowClosed(false);  // the program ends through its own quit
  dispatcher_ = new Dispatcher(this);
  keyFilter_ = new KeyFilter(this);
  qApp->installEventFilter(keyFilter_);
  gInstance = this;
  // The end of the desktop session asks each top-level window first, as its close would.
  QObject::connect(qApp, &QGuiApplication::commitDataRequest, dispatcher_,
                   [this](QSessionManager& manager) {
                     if (!manager.allowsInteraction()) return;
                     std::vector<WindowHandle> tops;
                     for (auto& [handle, node] : nodes_)
                       if (node->type == Node::Type::kTop) tops.push_back(handle);
                     for (WindowHandle top : tops)
                       if (Find(top) && Deliver(top, kMsgQueryEndSession, 0, 0) == 0) {
                         manager.cancel();
                         break;
                       }
                     manager.release();
                   });
}

QtUi::~QtUi() {
  if (gInstance == this) gInstance = nullptr;
  qApp->removeEventFilter(keyFilter_);
  for (auto& [handle, node] : nodes_) {
    for (auto& [id, timer] : node->timers)
      delete timer;
    node->timers.clear();
  }
  // Every widget goes while the backend its events reach still exists.
  for (auto& [handle, node] : nodes_)
    if (node->type != Node::Type::kControl && node->frame) delete node->frame.data();
  for (QPointer<QWidget>& widget : doomed_)
    delete widget.data();
  if (waitCursor_) QApplication::restoreOverrideCursor();
  delete keyFilter_;
  delete dispatcher_;
}

QtUi* QtUi::Instance() {
  return gInstance;
}

WindowHandle QtUi::NewHandle() {
  // Never reused, not even by a later backend, so a stale handle finds nothing.
  static std::uintptr_t next = 0x1000;
  next += 0x10;
  return reinterpret_cast<WindowHandle>(next);
}

void QtUi::Register(std::unique_ptr<Node> node) {
  std::lock_guard<std::mutex> lock(mutex_);
  WindowHandle h = node->handle;
  nodes_[h] = std::move(node);
}

Node* QtUi::Find(WindowHandle handle) const {
  if (!handle) return nullptr;
  auto it = nodes_.find(handle);
  return it == nodes_.end() ? nullptr : it->second.get();
}

Node* QtUi::FindControlOfKind(WindowHandle handle, std::initializer_list<ControlKind> kinds) const {
  Node* n = Find(handle);
  if (!n || n->type != Node::Type::kControl || !n->client) return nullptr;
  for (ControlKind k : kinds)
    if (n->kind == k) return n;
  return nullptr;
}

bool QtUi::IsWithin(WindowHandle window, WindowHandle ancestor) const {
  for (Node* n = Find(window); n; n = Find(n->parent))
    if (n->handle == ancestor) return true;
  return false;
}

bool QtUi::IsGuiThread() const {
  return QThread::currentThread() == QCoreApplication::instance()->thread();
}

void QtUi::OnGuiThread(const std::function<void()>& fn) {
  if (IsGuiThread()) return fn();
  QMetaObject::invokeMethod(dispatcher_, fn, Qt::BlockingQueuedConnection);
}

QWidget* QtUi::WidgetOf(WindowHandle window) {
  Node* n = Find(window);
  return n ? n->client.data() : nullptr;
}

QWidget* QtUi::FrameOf(WindowHandle window) {
  Node* n = Find(window);
  if (!n) return nullptr;
  return n->type == Node::Type::kControl ? n->client.data() : n->frame.data();
}

QMenuBar* QtUi::MenuBarOf(WindowHandle window) {
  Node* n = Find(window);
  return n ? n->menuBar.data() : nullptr;
}

WindowHandle QtUi::HandleOf(QObject* widget) const {
  for (QObject* o = widget; o; o = o->parent()) {
    QVariant v = o->property(kHandleProperty);
    if (v.isValid()) {
      auto h = reinterpret_cast<WindowHandle>(v.value<quintptr>());
      return Find(h) ? h : nullptr;
    }
    // A box or pop-up of the toolkit's own is not part of the window it was opened over.
    if (o->isWidgetType() && static_cast<QWidget*>(o)->isWindow()) return nullptr;
  }
  return nullptr;
}

WindowHandle QtUi::ActiveDialog() const {
  for (auto it = frames_.rbegin(); it != frames_.rend(); ++it) {
    Node* n = Find(it->dialog);
    if (n && !n->ended) return n->handle;
  }
  return nullptr;
}

// ---- Messages -----------------------------------------------------------------------------

LResult QtUi::Deliver(WindowHandle handle, unsigned message, WParam wparam, LParam lparam) {
  Node* n = Find(handle);
  if (!n) return 0;
  ++deliveries_;
  // A copy: the procedure may destroy its own window, and the function with it.
  const bool dialog = n->type == Node::Type::kDialog;
  WindowProc proc = n->type == Node::Type::kControl ? n->hook : n->proc;
  if (!proc) return DefaultWindowProc(handle, message, wparam, lparam);
  LResult result = proc(handle, message, wparam, lparam);
  // A dialog procedure returns 0 for what it leaves to the dialog's own handling.
  if (dialog && result == 0) return DefaultWindowProc(handle, message, wparam, lparam);
  return result;
}

LResult QtUi::DefaultWindowProc(WindowHandle handle, unsigned message, WParam wparam,
                                LParam lparam) {
  Node* n = Find(handle);
  if (!n) return 0;
  if (n->type == Node::Type::kControl) return ControlDefault(n, message, wparam, lparam);
  if (message == kMsgClose) {
    if (n->type == Node::Type::kDialog)  // the close box of a dialog is its Cancel
      Deliver(handle, kMsgCommand, MakeWParam(kCommandCancel, kNotifyClicked), 0);
    else
      DestroyWindow(handle);
  }
  return message == kMsgQueryEndSession ? 1 : 0;
}

LResult QtUi::SendMessage(WindowHandle handle, unsigned message, WParam wparam, LParam lparam) {
  if (IsGuiThread()) return Deliver(handle, message, wparam, lparam);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!Find(handle)) return 0;
  }
  // Served by whatever loop the GUI thread is in: the main loop, a dialog, a pump.
  LResult result = 0;
  QMetaObject::invokeMethod(
      dispatcher_, [&] { result = Deliver(handle, message, wparam, lparam); },
      Qt::BlockingQueuedConnection);
  return result;
}

void QtUi::Wake() {
  QCoreApplication::postEvent(dispatcher_, new QEvent(WakeEventType()));
}

bool QtUi::PostMessage(WindowHandle handle, unsigned message, WParam wparam, LParam lparam) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!Find(handle)) return false;
    queue_.push_back({handle, message, wparam, lparam});
  }
  Wake();
  return true;
}

void QtUi::PostQuit(int code) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    quit_ = code;
  }
  Wake();
}

bool QtUi::TakePosted(WindowHandle within, Posted* out) {
  std::lock_guard<std::mutex> lock(mutex_);
  for (auto it = queue_.begin(); it != queue_.end(); ++it) {
    if (within && !IsWithin(it->window, within)) continue;
    *out = *it;
    queue_.erase(it);
    return true;
  }
  return false;
}

void QtUi::ServeQueue() {
  Posted message;
  while (TakePosted(nullptr, &message))
    Dispatch(message);
  MaybeQuit();
}

void QtUi::MaybeQuit() {
  int code = 0;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    // The quit comes after everything posted, and only to the loop itself (not to a dialog
    // or a pump running inside it).
    if (!quit_ || !queue_.empty() || frames_.empty() ||
        frames_.back().kind != LoopFrame::Kind::kLoop)
      return;
    code = *quit_;
    quit_.reset();
  }
  frames_.back().loop->exit(code);
}

void QtUi::PushFrame(LoopFrame frame) {
  frames_.push_back(frame);
}

void QtUi::PopFrame() {
  frames_.pop_back();
  bool pending = false;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    pending = quit_.has_value();
  }
  if (pending) Wake();
}

bool QtUi::MatchAccelerator(WindowHandle target, unsigned key, unsigned modifiers) {
  auto sameKey = [](unsigned a, unsigned b) {
    if (a < 0x80 && b < 0x80 && std::isalpha(static_cast<int>(a)))
      return std::toupper(static_cast<int>(a)) == std::toupper(static_cast<int>(b));
    return a == b;
  };
  for (auto& [window, table] : accelerators_) {
    if (!IsWithin(target, window)) continue;
    for (const Accelerator& a : table) {
      if (!sameKey(a.key, key)) continue;
      // Shift is part of typing most punctuation ("?"), so it does not tell those keys apart.
      const bool punctuation = key >= 0x20 && key < 0x7F && !std::isalnum(static_cast<int>(key));
      const unsigned mask = punctuation ? ~static_cast<unsigned>(kModShift) : ~0u;
      if ((a.modifiers & mask) != (modifiers & mask)) continue;
      const WindowHandle to = window;
      Deliver(to, kMsgCommand, MakeWParam(static_cast<unsigned>(a.command), 1), 0);
      return true;
    }
  }
  return false;
}

bool QtUi::TranslateKey(QObject* receiver, QEvent* event) {
  if (bypassHook_ || !receiver->isWidgetType()) return false;
  WindowHandle h = HandleOf(receiver);
  if (!h) return false;
  Node* n = Find(h);
  WindowHandle top = h;
  while (n && n->parent) {
    top = n->parent;
    n = Find(top);
  }
  if (!IsWindowEnabled(top)) return true;
  if (accelerators_.empty()) return false;
  auto* key = static_cast<QKeyEvent*>(event);
  const unsigned code = KeyCodeOf(key);
  return code && MatchAccelerator(h, code, ModifiersOf(key->modifiers()));
}

void QtUi::Dispatch(const Posted& m) {
  if (m.message == kMsgKeyDown &&
      MatchAccelerator(m.window, static_cast<unsigned>(m.wparam), static_cast<unsigned>(m.lparam)))
    return;
  Deliver(m.window, m.message, m.wparam, m.lparam);
  // A printable key also types its byte, unless it was a command key.
  if (m.message == kMsgKeyDown && m.wparam >= 0x20 && m.wparam < 0x7F &&
      !(m.lparam & (kModControl | kModAlt)))
    Deliver(m.window, kMsgChar, m.wparam, 0);
}

int QtUi::RunMessageLoop() {
  // Widgets live on the GUI thread only; another thread has no loop of its own here.
  if (!IsGuiThread()) return -1;
  QEventLoop loop;
  PushFrame({LoopFrame::Kind::kLoop, &loop, nullptr});
  Wake();  // what was posted before the loop started, and a quit already waiting
  const int code = loop.exec();
  PopFrame();
  return code;
}

bool QtUi::PumpOneMessage(WindowHandle window) {
  if (!Find(window)) return false;
  Posted message;
  if (TakePosted(window, &message)) {
    Dispatch(message);
    return true;
  }
  // Input, paints, timers and sends all arrive as toolkit events; whether one of them reached
  // a procedure is what "handled" means here.
  const std::uint64_t before = deliveries_;
  PushFrame({LoopFrame::Kind::kPump, nullptr, nullptr});
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  PopFrame();
  return deliveries_ != before;
}

void QtUi::SetAccelerators(WindowHandle window, std::vector<Accelerator> table) {
  if (table.empty())
    accelerators_.erase(window);
  else if (Find(window))
    accelerators_[window] = std::move(table);
}

bool QtUi::StartTimer(WindowHandle window, int id, int milliseconds) {
  Node* n = Find(window);
  if (!n || milliseconds <= 0) return false;
  StopTimer(window, id);
  auto* timer = new QTimer(dispatcher_);
  timer->setInterval(milliseconds);
  // The toolkit never runs a timer again while its handler is still running, so at most one
  // message of a timer waits, however late.
  QObject::connect(timer, &QTimer::timeout, dispatcher_,
                   [this, window, id] { Deliver(window, kMsgTimer, static_cast<WParam>(id), 0); });
  timer->start();
  n->timers[id] = timer;
  return true;
}

void QtUi::StopTimer(WindowHandle window, int id) {
  Node* n = Find(window);
  if (!n) return;
  auto it = n->timers.find(id);
  if (it == n->timers.end()) return;
  it->second->stop();
  it->second->deleteLater();  // it may be the timer whose message is being handled
  n->timers.erase(it);
}

// ---- Windows ------------------------------------------------------------------------------

WindowHandle QtUi::CreateWindow(const WindowSpec& spec, WindowProc proc) {
  if (!IsGuiThread()) {
    WindowHandle made = nullptr;
    OnGuiThread([&] { made = CreateWindow(spec, proc); });
    return made;
  }
  auto node = std::make_unique<Node>();
  const WindowHandle h = NewHandle();
  node->handle = h;
  node->type = Node::Type::kTop;
  node->proc = std::move(proc);
  node->owner = spec.owner;
  node->className = spec.className;
  node->text = spec.title;
  node->style = spec.style;
  node->width = spec.rect.width();
  node->height = spec.rect.height();

  auto* frame = new FrameWidget(this, h);
  Qt::WindowFlags flags = (spec.style & kWindowToolWindow) ? Qt::Tool : Qt::Window;
  const bool framed = (spec.style & (kWindowCaption | kWindowDialogFrame)) != 0;
  if ((spec.style & kWindowPopup) && !framed) {
    flags |= Qt::FramelessWindowHint;
  } else {
    flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
             Qt::WindowCloseButtonHint;
    if (spec.style & kWindowMinimiseBox) flags |= Qt::WindowMinimizeButtonHint;
    if (spec.style & kWindowResizable) flags |= Qt::WindowMaximizeButtonHint;
  }
  if (spec.style & kWindowTopmost) flags |= Qt::WindowStaysOnTopHint;
  frame->setWindowFlags(flags);
  frame->setWindowTitle(DecodeBytes(spec.title));

  // The menu bar goes above the client, which keeps the size asked for.
  auto* layout = new QVBoxLayout(frame);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  auto* client = new ClientWidget(this, h, frame);
  layout->addWidget(client);
  if (spec.style & kWindowResizable) {
    client->resize(node->width, node->height);
    frame->resize(node->width, node->height);
  } else {
    client->setFixedSize(node->width, node->height);
    layout->setSizeConstraint(QLayout::SetFixedSize);
  }
  frame->move(spec.rect.left, spec.rect.top);
  if (Node* owner = Find(spec.owner); owner && owner->frame) {
    frame->winId();
    owner->frame->winId();
    if (frame->windowHandle() && owner->frame->windowHandle())
      frame->windowHandle()->setTransientParent(owner->frame->windowHandle());
  }
  node->frame = frame;
  node->client = client;
  Register(std::move(node));

  if (Deliver(h, kMsgCreate, 0, reinterpret_cast<LParam>(&spec)) == -1) {
    DestroyWindow(h);
    return nullptr;
  }
  if (!Find(h)) return nullptr;  // the procedure destroyed it while being created
  if (spec.style & kWindowVisible) ShowWindow(h, ShowState::kShow);
  return h;
}

void QtUi::DestroyWindow(WindowHandle handle) {
  if (!IsGuiThread()) return OnGuiThread([&] { DestroyWindow(handle); });
  Node* n = Find(handle);
  if (!n || n->destroying) return;
  n->destroying = true;
  Deliver(handle, kMsgDestroy, 0, 0);
  // Owned windows and controls go with it, after it has been told.
  std::vector<WindowHandle> dependants;
  for (auto& [h, other] : nodes_)
    if (other->owner == handle || other->parent == handle) dependants.push_back(h);
  for (WindowHandle h : dependants)
    DestroyWindow(h);
  n = Find(handle);
  if (!n) return;
  if (Node* parent = Find(n->parent)) std::erase(parent->children, handle);
  for (auto& [id, timer] : n->timers) {
    timer->stop();
    timer->deleteLater();
  }
  n->timers.clear();
  accelerators_.erase(handle);
  if (n->menu) DestroyMenu(n->menu);
  if (n->type == Node::Type::kDialog && n->loop) {
    n->ended = true;
    n->loop->exit(0);
  }
  // Later, not now: the widget may be inside one of its own event handlers.
  QWidget* widget = n->type == Node::Type::kControl ? n->client.data() : n->frame.data();
  if (widget) {
    widget->hide();
    widget->deleteLater();
    std::erase_if(doomed_, [](const QPointer<QWidget>& p) { return p.isNull(); });
    doomed_.emplace_back(widget);
  }
  std::unique_ptr<Node> gone;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = nodes_.find(handle);
    gone = std::move(it->second);
    nodes_.erase(it);
    std::erase_if(queue_, [handle](const Posted& p) { return p.window == handle; });
  }
}

bool QtUi::IsWindow(WindowHandle window) {
  std::lock_guard<std::mutex> lock(mutex_);
  return Find(window) != nullptr;
}

void QtUi::PaintClient(WindowHandle window, QPainter* painter, const QRect& area) {
  Node* n = Find(window);
  if (!n) return;
  n->invalid -= area;
  QtCanvas canvas(painter, RectAt(area.x(), area.y(), area.width(), area.height()));
  Deliver(window, kMsgPaint, 0, reinterpret_cast<LParam>(static_cast<Canvas*>(&canvas)));
}

void QtUi::ReportSize(Node* n, int width, int height) {
  if (n->width == width && n->height == height) return;
  n->width = width;
  n->height = height;
  Deliver(n->handle, kMsgSize, 0, MakePointParam(width, height));
}

void QtUi::ClientResized(WindowHandle window, int width, int height) {
  if (Node* n = Find(window); n && n->type == Node::Type::kTop) ReportSize(n, width, height);
}

void QtUi::InvalidateWindow(WindowHandle window, const Rect* area) {
  Node* n = Find(window);
  if (!n || !n->client) return;
  const QRect r = area ? ToQRect(*area) : n->client->rect();
  n->invalid += r;
  n->client->update(r);
}

void QtUi::UpdateWindow(WindowHandle window) {
  Node* n = Find(window);
  if (!n || !n->client || n->invalid.isEmpty() || !n->client->isVisible()) return;
  const QRegion region = n->invalid;
  n->client->repaint(region);
}

void QtUi::ShowWindow(WindowHandle window, ShowState state) {
  if (!IsGuiThread()) return OnGuiThread([&] { ShowWindow(window, state); });
  Node* n = Find(window);
  if (!n) return;
  QWidget* w = n->type == Node::Type::kControl ? n->client.data() : n->frame.data();
  if (!w) return;
  switch (state) {
    case ShowState::kHide:
      w->hide();
      break;
    case ShowState::kShow:
      w->show();
      break;
    case ShowState::kMinimise:
      if (n->type == Node::Type::kControl)
        w->show();
      else
        w->showMinimized();
      break;
    case ShowState::kRestore:
      if (n->type == Node::Type::kControl) {
        w->show();
      } else {
        w->showNormal();
        w->raise();
        w->activateWindow();
      }
      break;
  }
}

bool QtUi::IsWindowVisible(WindowHandle window) {
  Node* n = Find(window);
  if (!n) return false;
  if (n->type == Node::Type::kControl) return n->client && !n->client->isHidden();
  return n->frame && n->frame->isVisible();
}

bool QtUi::IsMinimised(WindowHandle window) {
  Node* n = Find(window);
  return n && n->type != Node::Type::kControl && n->frame && n->frame->isMinimized();
}

void QtUi::SetTopmost(WindowHandle window, bool topmost) {
  Node* n = Find(window);
  if (!n || n->type == Node::Type::kControl || !n->frame) return;
  const bool shown = n->frame->isVisible();
  n->frame->setWindowFlag(Qt::WindowStaysOnTopHint, topmost);
  if (shown) n->frame->show();  // changing the flags hides a window
}

void QtUi::EnableWindow(WindowHandle window, bool enable) {
  Node* n = Find(window);
  if (!n) return;
  if (n->type == Node::Type::kControl) {
    if (n->client) n->client->setEnabled(enable);
    return;
  }
  // A disabled window takes no input (see KeyFilter); its controls keep their looks.
  n->enabled = enable;
}

bool QtUi::IsWindowEnabled(WindowHandle window) {
  Node* n = Find(window);
  if (!n) return false;
  if (n->type == Node::Type::kControl)
    return n->client && n->client->isEnabledTo(n->client->parentWidget());
  return n->enabled;
}

void QtUi::SetWindowTitle(WindowHandle window, std::string_view title) {
  Node* n = Find(window);
  if (!n) return;
  if (n->type == Node::Type::kControl) return SetControlText(window, title);
  n->text = title;
  if (n->frame) n->frame->setWindowTitle(DecodeBytes(title));
}

std::string QtUi::WindowTitle(WindowHandle window) {
  Node* n = Find(window);
  if (!n) return {};
  if (n->type == Node::Type::kControl) return ControlText(window);
  return n->text;
}

void QtUi::MoveWindow(WindowHandle window, const Rect& rect) {
  Node* n = Find(window);
  if (!n || !n->client) return;
  if (n->type == Node::Type::kControl) {
    n->client->setGeometry(ToQRect(rect));
    return;
  }
  if (n->type == Node::Type::kDialog) {
    n->client->setFixedSize(rect.width(), rect.height());
    n->placed = true;
  } else if (n->style & kWindowResizable) {
    const int bar = n->menuBar ? n->menuBar->sizeHint().height() : 0;
    n->frame->resize(rect.width(), rect.height() + bar);
    n->client->resize(rect.width(), rect.height());
  } else {
    n->client->setFixedSize(rect.width(), rect.height());
    n->frame->adjustSize();
  }
  n->frame->move(rect.left, rect.top);
  ReportSize(n, rect.width(), rect.height());
}

Rect QtUi::WindowRect(WindowHandle window) {
  Node* n = Find(window);
  if (!n || !n->client) return Rect{};
  if (n->type == Node::Type::kControl) {
    const QRect g = n->client->geometry();
    return RectAt(g.x(), g.y(), g.width(), g.height());
  }
  return RectAt(n->frame->x(), n->frame->y(), n->width, n->height);
}

void QtUi::SetFocus(WindowHandle window) {
  Node* n = Find(window);
  if (!n || !n->client) return;
  n->client->setFocus(Qt::OtherFocusReason);
  if (n->type != Node::Type::kControl && n->frame) n->frame->activateWindow();
}

WindowHandle QtUi::FocusWindow() {
  return HandleOf(QApplication::focusWidget());
}

void QtUi::SetCursor(CursorKind cursor) {
  if (cursor == CursorKind::kWait && !waitCursor_) {
    QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    waitCursor_ = true;
  } else if (cursor == CursorKind::kArrow && waitCursor_) {
    QApplication::restoreOverrideCursor();
    waitCursor_ = false;
  }
}

void QtUi::FlashWindow(WindowHandle window) {
  if (QWidget* frame = FrameOf(window)) QApplication::alert(frame->window());
}

void QtUi::Beep() {
  QApplication::beep();
}

ScreenInfo QtUi::Screen() {
  ScreenInfo info;
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    info.width = screen->geometry().width();
    info.height = screen->geometry().height();
  }
  info.averageCharWidth = QFontMetrics(QApplication::font()).averageCharWidth();
  info.menuColour = FromQColor(QApplication::palette("QMenu").color(QPalette::Window));
  return info;
}

}  // namespace platform::qt

namespace platform {

std::unique_ptr<UiBackend> MakeQtUi() {
  return std::make_unique<qt::QtUi>();
}

WindowHandle ActiveDialog() {
  qt::QtUi* ui = qt::QtUi::Instance();
  return ui ? ui->ActiveDialog() : nullptr;
}

bool SaveWindowImage(WindowHandle window, const std::string& pngPath) {
  qt::QtUi* ui = qt::QtUi::Instance();
  QWidget* widget = nullptr;
  if (window) {
    widget = ui ? ui->FrameOf(window) : nullptr;
  } else {
    widget = QApplication::activePopupWidget();
    if (!widget) widget = QApplication::activeModalWidget();
  }
  if (!widget) return false;
  return widget->grab().save(QString::fromLocal8Bit(pngPath.c_str()), "PNG");
}

}  // namespace platform
