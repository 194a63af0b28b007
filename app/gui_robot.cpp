#include "app/gui_robot.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QTimer>
#include <QWidget>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "platform/qt/qt_ui.h"
#include "ui/main_window.h"

namespace gui {

struct Robot::State {
  QTimer timer;
  std::vector<std::pair<std::string, Step>> steps;
  size_t next = 0;
  std::chrono::steady_clock::time_point since;
  int timeoutMs = 20000;
  bool busy = false;
};

Robot::Robot() : state_(std::make_unique<State>()) {}
Robot::~Robot() = default;

void Robot::Add(std::string name, Step step) {
  state_->steps.emplace_back(std::move(name), std::move(step));
}

void Robot::Start(int intervalMs, int timeoutMs) {
  State* s = state_.get();
  s->timeoutMs = timeoutMs;
  s->since = std::chrono::steady_clock::now();
  QObject::connect(&s->timer, &QTimer::timeout, [s] {
    // A step may run a nested loop (a box); the timer must not re-enter it meanwhile.
    if (s->busy || s->next >= s->steps.size()) return;
    s->busy = true;
    if (s->steps[s->next].second()) {
      ++s->next;
      s->since = std::chrono::steady_clock::now();
    } else if (std::chrono::steady_clock::now() - s->since >
               std::chrono::milliseconds(s->timeoutMs)) {
      std::fprintf(stderr, "gui robot: gave up waiting at step \"%s\"\n",
                   s->steps[s->next].first.c_str());
      std::_Exit(3);
    }
    s->busy = false;
  });
  s->timer.start(intervalMs);
}

bool Robot::Finished() const {
  return state_->next >= state_->steps.size();
}

void AddSplashStep(Robot& robot) {
  robot.Add("splash", [] {
    if (hwndMain && platform::IsWindowVisible(hwndMain)) return true;
    if (!platform::ActiveDialog()) return false;
    platform::PostMessage(platform::ActiveDialog(), platform::kMsgCommand,
                          platform::MakeWParam(platform::kCommandOk, 0), 0);
    return true;
  });
}

void AddExitStep(Robot& robot) {
  robot.Add("exit", [] {
    if (platform::ActiveDialog()) return false;
    platform::PostMessage(hwndMain, platform::kMsgCommand, platform::MakeWParam(kCmdExit, 0), 0);
    return true;
  });
}

bool PostKey(int qtKey, int modifiers, const char* text) {
  QWidget* target = QApplication::focusWidget();
  if (!target) return false;
  const auto mods = Qt::KeyboardModifiers(modifiers);
  const QString typed = QString::fromUtf8(text);
  QCoreApplication::postEvent(target, new QKeyEvent(QEvent::KeyPress, qtKey, mods, typed));
  QCoreApplication::postEvent(target, new QKeyEvent(QEvent::KeyRelease, qtKey, mods, typed));
  return true;
}

bool PostText(const char* text) {
  for (const char* c = text; *c; ++c) {
    const char one[2] = {*c, 0};
    const int key = *c >= 'a' && *c <= 'z' ? Qt::Key_A + (*c - 'a') : QChar(*c).toUpper().unicode();
    if (!PostKey(key, 0, one)) return false;
  }
  return true;
}

namespace {

// A caption as shown: without mnemonic marks or the shortcut after a tab.
QString Shown(QString text) {
  return text.section(QLatin1Char('\t'), 0, 0).remove(QLatin1Char('&'));
}

void PostClick(QWidget* target, QPoint at) {
  // The window system's click gives the focus; a posted one does not.
  QWidget* focus = target;
  while (!(focus->focusPolicy() & Qt::ClickFocus) && !focus->isWindow())
    focus = focus->parentWidget();
  if (focus->focusPolicy() & Qt::ClickFocus) focus->setFocus(Qt::MouseFocusReason);
  const QPointF local(at), global(target->mapToGlobal(at));
  QCoreApplication::postEvent(target, new QMouseEvent(QEvent::MouseButtonPress, local, global,
                                                      Qt::LeftButton, Qt::LeftButton, {}));
  QCoreApplication::postEvent(target, new QMouseEvent(QEvent::MouseButtonRelease, local, global,
                                                      Qt::LeftButton, Qt::NoButton, {}));
}

}  // namespace

bool ClickOn(const std::string& title, const std::string& caption) {
  QWidget* window = nullptr;
  for (QWidget* top : QApplication::topLevelWidgets())
    if (top->isVisible() && top->windowTitle().toStdString() == title) window = top;
  if (!window) return false;
  const QString text = QString::fromStdString(caption);
  for (QAbstractButton* b : window->findChildren<QAbstractButton*>()) {
    if (!b->isVisible() || !b->isEnabled() || Shown(b->text()) != text) continue;
    PostClick(b, b->rect().center());
    return true;
  }
  for (QListWidget* list : window->findChildren<QListWidget*>()) {
    const QList<QListWidgetItem*> found = list->findItems(text, Qt::MatchExactly);
    if (!list->isVisible() || !list->isEnabled() || found.isEmpty()) continue;
    list->scrollToItem(found[0]);
    PostClick(list->viewport(), list->visualItemRect(found[0]).center());
    return true;
  }
  return false;
}

bool ChooseMenuItem(const std::string& menu, const std::string& item) {
  for (QWidget* top : QApplication::topLevelWidgets())
    for (QMenuBar* bar : top->findChildren<QMenuBar*>())
      for (QAction* a : bar->actions()) {
        QMenu* sub = a->menu<QMenu*>();
        if (!sub || Shown(a->text()).toStdString() != menu) continue;
        for (QAction* choice : sub->actions()) {
          if (!choice->isEnabled() || Shown(choice->text()).toStdString() != item) continue;
          QTimer::singleShot(0, choice, &QAction::trigger);
          return true;
        }
      }
  return false;
}

std::string FocusDescription() {
  QWidget* w = QApplication::focusWidget();
  if (!w) return "";
  return std::string(w->metaObject()->className()) + " in " +
         w->window()->windowTitle().toStdString();
}

bool CopyExampleHome(const std::string& source, const std::string& dir) {
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::remove_all(dir, ec);
  fs::create_directories(dir, ec);
  fs::copy(source, dir, fs::copy_options::recursive, ec);
  if (ec) return false;
  std::ifstream in(dir + "/META.INI", std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  std::string ini = text.str();
  for (size_t at; (at = ini.find("@HOME@")) != std::string::npos;)
    ini.replace(at, 6, dir);
  std::ofstream out(dir + "/META.INI", std::ios::binary | std::ios::trunc);
  out << ini;
  return static_cast<bool>(out);
}

}  // namespace gui
