#include "platform/qt/qt_widgets.h"

#include <QPainter>
#include <QVariant>

namespace platform::qt {

void SetHandleProperty(QObject* widget, WindowHandle handle) {
  widget->setProperty(kHandleProperty, QVariant::fromValue(reinterpret_cast<quintptr>(handle)));
}

unsigned KeyCodeOf(const QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Backspace:
      return kKeyBack;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
      return kKeyTab;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return kKeyReturn;
    case Qt::Key_Escape:
      return kKeyEscape;
    case Qt::Key_PageUp:
      return kKeyPageUp;
    case Qt::Key_PageDown:
      return kKeyPageDown;
    case Qt::Key_End:
      return kKeyEnd;
    case Qt::Key_Home:
      return kKeyHome;
    case Qt::Key_Left:
      return kKeyLeft;
    case Qt::Key_Up:
      return kKeyUp;
    case Qt::Key_Right:
      return kKeyRight;
    case Qt::Key_Down:
      return kKeyDown;
    case Qt::Key_Insert:
      return kKeyInsert;
    case Qt::Key_Delete:
      return kKeyDelete;
    default:
      break;
  }
  const int key = event->key();
  if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
    return kKeyF1 + static_cast<unsigned>(key - Qt::Key_F1);
  // A printable key is the character it types; with Control held the text is a control
  // character, so the key's own code stands for it.
  const QString text = event->text();
  if (text.size() == 1 && text[0].unicode() >= 0x20 && text[0].unicode() < 0x7F)
    return text[0].unicode();
  if (key >= 0x20 && key < 0x7F) return static_cast<unsigned>(key);
  return 0;
}

unsigned ModifiersOf(Qt::KeyboardModifiers modifiers) {
  unsigned out = 0;
  if (modifiers & Qt::ShiftModifier) out |= kModShift;
  if (modifiers & Qt::ControlModifier) out |= kModControl;
  if (modifiers & Qt::AltModifier) out |= kModAlt;
  return out;
}

unsigned CharOf(const QKeyEvent* event) {
  if (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) return 0;
  const QString text = event->text();
  if (text.size() != 1) return 0;
  const char16_t c = text[0].unicode();
  return c >= 0x20 && c < 0x100 && c != 0x7F ? c : 0;
}

unsigned MouseMessageOf(const QMouseEvent* event) {
  const bool left = event->button() == Qt::LeftButton;
  const bool right = event->button() == Qt::RightButton;
  unsigned leftMessage = 0;
  unsigned rightMessage = 0;
  switch (event->type()) {
    case QEvent::MouseButtonPress:
      leftMessage = kMsgLButtonDown;
      rightMessage = kMsgRButtonDown;
      break;
    case QEvent::MouseButtonDblClick:
      leftMessage = kMsgLButtonDown;
      rightMessage = kMsgRButtonDblClk;
      break;
    case QEvent::MouseButtonRelease:
      leftMessage = kMsgLButtonUp;
      rightMessage = kMsgRButtonUp;
      break;
    default:
      break;
  }
  return left ? leftMessage : right ? rightMessage : 0;
}

void FrameWidget::closeEvent(QCloseEvent* event) {
  // The procedure decides; its default destroys the window.
  event->ignore();
  if (ui_->IsWindowEnabled(handle_)) ui_->Deliver(handle_, kMsgClose, 0, 0);
}

ClientWidget::ClientWidget(QtUi* ui, WindowHandle handle, QWidget* parent)
    : QWidget(parent), ui_(ui), handle_(handle) {
  SetHandleProperty(this, handle);
  setMouseTracking(true);
  setFocusPolicy(Qt::StrongFocus);
}

void ClientWidget::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  ui_->PaintClient(handle_, &painter, event->rect());
}

void ClientWidget::Mouse(QMouseEvent* event, unsigned message) {
  if (!message) return QWidget::mousePressEvent(event);
  const QPoint at = event->position().toPoint();
  ui_->Deliver(handle_, message, 0, MakePointParam(at.x(), at.y()));
}

void ClientWidget::keyPressEvent(QKeyEvent* event) {
  const unsigned key = KeyCodeOf(event);
  if (!key) return QWidget::keyPressEvent(event);
  const unsigned typed = CharOf(event);
  ui_->Deliver(handle_, kMsgKeyDown, key, static_cast<LParam>(ModifiersOf(event->modifiers())));
  if (typed && ui_->IsWindow(handle_)) ui_->Deliver(handle_, kMsgChar, typed, 0);
}

void ClientWidget::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  ui_->ClientResized(handle_, event->size().width(), event->size().height());
}

DialogWidget::DialogWidget(QtUi* ui, WindowHandle handle) : ui_(ui), handle_(handle) {
  SetHandleProperty(this, handle);
}

void DialogWidget::reject() {
  ui_->Deliver(handle_, kMsgCommand, MakeWParam(kCommandCancel, kNotifyClicked), 0);
}

void DialogWidget::paintEvent(QPaintEvent* event) {
  // The skin goes on the dialog's background; the controls paint over it afterwards.
  QPainter painter(this);
  ui_->PaintClient(handle_, &painter, event->rect());
}

void DialogWidget::closeEvent(QCloseEvent* event) {
  event->ignore();
  ui_->Deliver(handle_, kMsgClose, 0, 0);
}

void DialogWidget::keyPressEvent(QKeyEvent* event) {
  const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
  if (enter && event->modifiers() == Qt::NoModifier) {
    // Enter presses the default button; a dialog without one is told OK.
    // Only a button the template made the default counts: Qt would otherwise make the first
    // button the default of a dialog that has none, and Enter in a list would press it.
    bool hasDefault = qobject_cast<QPushButton*>(focusWidget()) != nullptr;
    for (QPushButton* b : findChildren<QPushButton*>())
      hasDefault = hasDefault || (b->property(kTemplateDefault).toBool() && b->isVisible() &&
                                  b->isEnabled());
    if (!hasDefault) {
      ui_->Deliver(handle_, kMsgCommand, MakeWParam(kCommandOk, kNotifyClicked), 0);
      return;
    }
  }
  QDialog::keyPressEvent(event);
}

}  // namespace platform::qt
