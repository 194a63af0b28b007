// The widgets the Qt backend builds windows, dialogs and controls from. Each knows the handle it
// stands for and hands its events to the backend, which turns them into messages.
#pragma once

#include <QAbstractScrollArea>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QResizeEvent>
#include <QVBoxLayout>
#include <QWidget>
#include <type_traits>
#include <utility>

#include "platform/qt/qt_backend.h"

namespace platform::qt {

// The property every widget standing for a handle carries.
inline constexpr char kHandleProperty[] = "tsHandle";
void SetHandleProperty(QObject* widget, WindowHandle handle);

// The property a push button carries when its template made it the dialog's default button.
constexpr char kTemplateDefault[] = "tsTemplateDefault";

// Key codes and modifiers of ui_window.h for a key event; 0 for keys that have none.
unsigned KeyCodeOf(const QKeyEvent* event);
unsigned ModifiersOf(Qt::KeyboardModifiers modifiers);
// The byte a key press types (0 for none, or with Control or Alt held).
unsigned CharOf(const QKeyEvent* event);
// The mouse message for a button event (0 for other buttons).
unsigned MouseMessageOf(const QMouseEvent* event);

// A window's frame: holds the menu bar and the client; its close box sends kMsgClose.
class FrameWidget final : public QWidget {
 public:
  FrameWidget(QtUi* ui, WindowHandle handle) : ui_(ui), handle_(handle) {
    SetHandleProperty(this, handle);
  }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  QtUi* ui_;
  WindowHandle handle_;
};

// A window's client area: painting, mouse, keys and size changes become messages.
class ClientWidget final : public QWidget {
 public:
  ClientWidget(QtUi* ui, WindowHandle handle, QWidget* parent);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override { Mouse(event, MouseMessageOf(event)); }
  void mouseReleaseEvent(QMouseEvent* event) override { Mouse(event, MouseMessageOf(event)); }
  void mouseDoubleClickEvent(QMouseEvent* event) override { Mouse(event, MouseMessageOf(event)); }
  void mouseMoveEvent(QMouseEvent* event) override { Mouse(event, kMsgMouseMove); }
  void keyPressEvent(QKeyEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void Mouse(QMouseEvent* event, unsigned message);
  QtUi* ui_;
  WindowHandle handle_;
};

// A dialog from a template: it is its own client. Escape and the close box become Cancel.
class DialogWidget final : public QDialog {
 public:
  DialogWidget(QtUi* ui, WindowHandle handle);
  void reject() override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  QtUi* ui_;
  WindowHandle handle_;
};

// A control whose hook sees its input first and paints after it.
template <class Base>
class Hooked : public Base {
 public:
  Hooked(QtUi* ui, WindowHandle handle, QWidget* parent) : Base(parent), ui_(ui), handle_(handle) {
    SetHandleProperty(this, handle);
  }

 protected:
  bool event(QEvent* event) override {
    if (!ui_->bypassHook() && ui_->HookEvent(handle_, event)) return true;
    return Base::event(event);
  }
  void paintEvent(QPaintEvent* event) override {
    Base::paintEvent(event);
    if constexpr (std::is_base_of_v<QAbstractScrollArea, Base>)
      ui_->HookPaint(handle_, this->viewport());
    else
      ui_->HookPaint(handle_, this);
  }

 private:
  QtUi* ui_;
  WindowHandle handle_;
};

// A check box a click only checks or clears, as the program expects of two-state boxes. Like
// the radio button below, it takes a click anywhere in its rectangle, not only on its text.
class TwoStateCheckBox : public QCheckBox {
 public:
  using QCheckBox::QCheckBox;

 protected:
  void nextCheckState() override {
    setCheckState(checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
  }
  bool hitButton(const QPoint& pos) const override { return rect().contains(pos); }
};

class RadioButton : public QRadioButton {
 public:
  using QRadioButton::QRadioButton;

 protected:
  bool hitButton(const QPoint& pos) const override { return rect().contains(pos); }
};

// A combo box whose list stays open under its text field.
class OpenComboWidget : public QWidget {
 public:
  explicit OpenComboWidget(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(1);
    edit = new QLineEdit(this);
    list = new QListWidget(this);
    layout->addWidget(edit);
    layout->addWidget(list, 1);
    setFocusProxy(edit);
  }
  QLineEdit* edit;
  QListWidget* list;
};

}  // namespace platform::qt
