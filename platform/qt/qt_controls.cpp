// The Qt backend's controls and modal dialogs: widgets placed at the template's pixels, their
// notifications as kMsgCommand, hooks, and text kept as the bytes the program gave.
#include <QApplication>
#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QWindow>
#include <algorithm>

#include "platform/qt/qt_backend.h"
#include "platform/qt/qt_widgets.h"
#include "platform/text.h"

namespace platform::qt {

namespace {

// A caption wider than its small button is drawn in a smaller font rather than cut off.
void FitCaption(QPushButton* button) {
  QFont font = button->font();
  const int room = button->width() - 6;
  while (font.pointSizeF() > 6 && QFontMetrics(font).horizontalAdvance(button->text()) > room)
    font.setPointSizeF(font.pointSizeF() - 0.5);
  button->setFont(font);
}

QRect ToQRect(const Rect& r) {
  return QRect(r.left, r.top, r.width(), r.height());
}

// A static's "&x" marks a mnemonic and "&&" is one ampersand; labels show them plainly.
QString WithoutMnemonics(const QString& text) {
  QString out;
  out.reserve(text.size());
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text[i] == QLatin1Char('&') && i + 1 < text.size()) ++i;
    out.append(text[i]);
  }
  return out;
}

bool SortedBefore(std::string_view a, std::string_view b) {
  const int byCase = CompareNoCase(a, b);
  return byCase != 0 ? byCase < 0 : a < b;
}

QListWidget* ListOf(Node* n) {
  if (auto* open = dynamic_cast<OpenComboWidget*>(n->client.data())) return open->list;
  return qobject_cast<QListWidget*>(n->client.data());
}

QComboBox* ComboOf(Node* n) {
  return qobject_cast<QComboBox*>(n->client.data());
}

// The text field of an edit or combo box, or nullptr.
QLineEdit* LineEditOf(Node* n) {
  if (auto* open = dynamic_cast<OpenComboWidget*>(n->client.data())) return open->edit;
  if (QComboBox* combo = ComboOf(n)) return combo->lineEdit();
  return qobject_cast<QLineEdit*>(n->client.data());
}

int QtKeyFor(unsigned key) {
  switch (key) {
    case kKeyBack:
      return Qt::Key_Backspace;
    case kKeyTab:
      return Qt::Key_Tab;
    case kKeyReturn:
      return Qt::Key_Return;
    case kKeyEscape:
      return Qt::Key_Escape;
    case kKeyPageUp:
      return Qt::Key_PageUp;
    case kKeyPageDown:
      return Qt::Key_PageDown;
    case kKeyEnd:
      return Qt::Key_End;
    case kKeyHome:
      return Qt::Key_Home;
    case kKeyLeft:
      return Qt::Key_Left;
    case kKeyUp:
      return Qt::Key_Up;
    case kKeyRight:
      return Qt::Key_Right;
    case kKeyDown:
      return Qt::Key_Down;
    case kKeyInsert:
      return Qt::Key_Insert;
    case kKeyDelete:
      return Qt::Key_Delete;
    default:
      return 0;
  }
}

// Sets a widget's state without the notifications a user's change gives.
class Quiet {
 public:
  explicit Quiet(Node* n) : n_(n), was_(n->quiet) { n->quiet = true; }
  ~Quiet() { n_->quiet = was_; }
  Quiet(const Quiet&) = delete;
  Quiet& operator=(const Quiet&) = delete;

 private:
  Node* n_;
  bool was_;
};

}  // namespace

// ---- Creating controls --------------------------------------------------------------------

WindowHandle QtUi::CreateControl(WindowHandle parentHandle, const ControlTemplate& t) {
  Node* parent = Find(parentHandle);
  if (!parent || parent->type == Node::Type::kControl || !parent->client) return nullptr;
  auto node = std::make_unique<Node>();
  const WindowHandle h = NewHandle();
  node->handle = h;
  node->type = Node::Type::kControl;
  node->parent = parentHandle;
  node->id = t.id;
  node->kind = t.kind;
  node->style = t.style;
  node->text = t.caption;
  QWidget* container = parent->client;
  const QString caption = DecodeBytes(t.caption);
  QWidget* widget = nullptr;

  switch (t.kind) {
    case ControlKind::kPushButton: {
      auto* b = new Hooked<QPushButton>(this, h, container);
      b->setText(caption);
      // In a dialog, Enter presses the focused button, else the default one.
      b->setAutoDefault(parent->type == Node::Type::kDialog);
      b->setDefault((t.style & kStyleDefaultButton) != 0);
      b->setProperty(kTemplateDefault, (t.style & kStyleDefaultButton) != 0);
      QObject::connect(b, &QPushButton::clicked, b, [this, h] { Notify(h, kNotifyClicked); });
      widget = b;
      break;
    }
    case ControlKind::kCheckBox: {
      auto* b = new Hooked<TwoStateCheckBox>(this, h, container);
      b->setText(caption);
      QObject::connect(b, &QCheckBox::clicked, b, [this, h] { Notify(h, kNotifyClicked); });
      widget = b;
      break;
    }
    case ControlKind::kRadioButton: {
      // Groups follow the template's runs (kStyleGroup), not the parent widget.
      auto* b = new Hooked<RadioButton>(this, h, container);
      b->setText(caption);
      b->setAutoExclusive(false);
      QObject::connect(b, &QRadioButton::clicked, b, [this, h] { RadioClicked(h); });
      widget = b;
      break;
    }
    case ControlKind::kEdit: {
      if (t.style & kStyleMultiLine) {
        auto* e = new Hooked<QPlainTextEdit>(this, h, container);
        e->setPlainText(caption);
        e->setReadOnly((t.style & kStyleReadOnly) != 0);
        e->setTabChangesFocus(true);
        QObject::connect(e, &QPlainTextEdit::textChanged, e,
                         [this, h] { Notify(h, kNotifyTextChanged); });
        widget = e;
      } else {
        auto* e = new Hooked<QLineEdit>(this, h, container);
        e->setText(caption);
        e->setReadOnly((t.style & kStyleReadOnly) != 0);
        QObject::connect(e, &QLineEdit::textChanged, e,
                         [this, h] { Notify(h, kNotifyTextChanged); });
        widget = e;
      }
      break;
    }
    case ControlKind::kStatic: {
      auto* l = new Hooked<QLabel>(this, h, container);
      l->setTextFormat(Qt::PlainText);
      l->setWordWrap(true);
      l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
      l->setText(WithoutMnemonics(caption));
      if (t.style & kStyleSunken) l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
      widget = l;
      break;
    }
    case ControlKind::kListBox: {
      auto* l = new Hooked<QListWidget>(this, h, container);
      l->setSelectionMode((t.style & kStyleMultiSelect) ? QAbstractItemView::MultiSelection
                                                        : QAbstractItemView::SingleSelection);
      QObject::connect(l, &QListWidget::itemSelectionChanged, l,
                       [this, h] { Notify(h, kNotifySelectionChanged); });
      QObject::connect(l, &QListWidget::itemDoubleClicked, l,
                       [this, h] { Notify(h, kNotifyDoubleClicked); });
      widget = l;
      break;
    }
    case ControlKind::kComboBox: {
      node->text.clear();
      if (t.style & kStyleAlwaysOpen) {
        auto* c = new Hooked<OpenComboWidget>(this, h, container);
        QObject::connect(c->edit, &QLineEdit::textEdited, c,
                         [this, h] { Notify(h, kNotifyTextChanged); });
        QObject::connect(c->list, &QListWidget::itemSelectionChanged, c, [this, h] {
          Node* n = Find(h);
          if (!n || n->quiet) return;
          auto* open = dynamic_cast<OpenComboWidget*>(n->client.data());
          const int row = open->list->currentRow();
          if (row >= 0 && row < static_cast<int>(n->items.size())) {
            n->text = n->items[row];
            Quiet quiet(n);
            open->edit->setText(DecodeBytes(n->text));
          }
          Notify(h, kNotifySelectionChanged);
        });
        QObject::connect(c->list, &QListWidget::itemDoubleClicked, c,
                         [this, h] { Notify(h, kNotifyDoubleClicked); });
        widget = c;
      } else {
        auto* c = new Hooked<QComboBox>(this, h, container);
        c->setEditable((t.style & kStyleEditableCombo) != 0);
        if (c->isEditable()) {
          c->setInsertPolicy(QComboBox::NoInsert);
          QObject::connect(c->lineEdit(), &QLineEdit::textEdited, c,
                           [this, h] { Notify(h, kNotifyTextChanged); });
        }
        QObject::connect(c, &QComboBox::activated, c, [this, h](int index) {
          Node* n = Find(h);
          if (!n || n->quiet) return;
          if (index >= 0 && index < static_cast<int>(n->items.size())) n->text = n->items[index];
          Notify(h, kNotifySelectionChanged);
        });
        widget = c;
      }
      break;
    }
    case ControlKind::kScrollBar: {
      auto* s = new Hooked<QScrollBar>(this, h, container);
      s->setOrientation((t.style & kStyleVertical) ? Qt::Vertical : Qt::Horizontal);
      s->setRange(0, 100);
      QObject::connect(s, &QScrollBar::actionTriggered, s,
                       [this, h](int action) { ScrollAction(h, action); });
      QObject::connect(s, &QScrollBar::sliderReleased, s, [this, h] { ScrollAction(h, -1); });
      widget = s;
      break;
    }
    case ControlKind::kGroupBox: {
      auto* g = new Hooked<QGroupBox>(this, h, container);
      g->setTitle(caption);
      // A frame drawn behind its neighbours, which stay the controls the user reaches.
      g->setAttribute(Qt::WA_TransparentForMouseEvents);
      g->lower();
      widget = g;
      break;
    }
  }
  widget->setGeometry(ToQRect(t.rect));
  if (auto* button = qobject_cast<QPushButton*>(widget)) FitCaption(button);
  if (t.style & kStyleDisabled) widget->setEnabled(false);
  if (t.style & kStyleHidden)
    widget->hide();
  else
    widget->show();
  node->client = widget;
  parent->children.push_back(h);
  Register(std::move(node));
  return h;
}

WindowHandle QtUi::FindControl(WindowHandle parentHandle, int id) {
  Node* parent = Find(parentHandle);
  if (!parent) return nullptr;
  for (WindowHandle h : parent->children)
    if (Find(h)->id == id) return h;
  return nullptr;
}

int QtUi::ControlId(WindowHandle control) {
  Node* n = Find(control);
  return n ? n->id : 0;
}

WindowHandle QtUi::ParentWindow(WindowHandle window) {
  Node* n = Find(window);
  return n ? n->parent : nullptr;
}

// ---- Notifications and hooks --------------------------------------------------------------

void QtUi::Notify(WindowHandle control, unsigned code) {
  Node* n = Find(control);
  if (!n || n->quiet) return;
  Deliver(n->parent, kMsgCommand, MakeWParam(static_cast<unsigned>(n->id), code),
          reinterpret_cast<LParam>(control));
}

void QtUi::RadioClicked(WindowHandle control) {
  Node* c = Find(control);
  Node* parent = c ? Find(c->parent) : nullptr;
  if (!parent) return;
  // The group is the run of radio buttons around this one; kStyleGroup starts a new run.
  auto& siblings = parent->children;
  auto at = std::find(siblings.begin(), siblings.end(), control);
  auto first = at;
  while (first != siblings.begin() && !(Find(*first)->style & kStyleGroup)) {
    if (Find(*(first - 1))->kind != ControlKind::kRadioButton) break;
    --first;
  }
  for (auto it = first; it != siblings.end(); ++it) {
    Node* r = Find(*it);
    if (r->kind != ControlKind::kRadioButton || (it != first && (r->style & kStyleGroup))) break;
    if (auto* b = qobject_cast<QRadioButton*>(r->client.data())) b->setChecked(false);
  }
  if (auto* b = qobject_cast<QRadioButton*>(c->client.data())) b->setChecked(true);
  Notify(control, kNotifyClicked);
}

void QtUi::ScrollAction(WindowHandle control, int action) {
  Node* n = Find(control);
  auto* bar = n ? qobject_cast<QScrollBar*>(n->client.data()) : nullptr;
  if (!bar) return;
  const int target = bar->sliderPosition();
  unsigned code = kScrollThumbPosition;
  switch (action) {
    case QAbstractSlider::SliderSingleStepAdd:
      code = kScrollLineDown;
      break;
    case QAbstractSlider::SliderSingleStepSub:
      code = kScrollLineUp;
      break;
    case QAbstractSlider::SliderPageStepAdd:
      code = kScrollPageDown;
      break;
    case QAbstractSlider::SliderPageStepSub:
      code = kScrollPageUp;
      break;
    case QAbstractSlider::SliderMove:
      code = kScrollThumbTrack;
      break;
    case -1:  // the thumb was let go
    case QAbstractSlider::SliderToMinimum:
    case QAbstractSlider::SliderToMaximum:
      code = kScrollThumbPosition;
      break;
    default:
      return;
  }
  // The parent moves the thumb itself; a step or page does nothing it does not do.
  if (action != QAbstractSlider::SliderMove && action != -1) bar->setSliderPosition(bar->value());
  Deliver(n->parent, kMsgVScroll, MakeWParam(code, static_cast<unsigned>(std::max(0, target))),
          reinterpret_cast<LParam>(control));
}

void QtUi::SetControlHook(WindowHandle control, WindowProc hook) {
  Node* n = Find(control);
  if (n && n->type == Node::Type::kControl) n->hook = std::move(hook);
}

bool QtUi::HookEvent(WindowHandle control, QEvent* event) {
  Node* n = Find(control);
  if (!n || !n->hook) return false;
  unsigned message = 0;
  WParam wparam = 0;
  LParam lparam = 0;
  unsigned typed = 0;
  switch (event->type()) {
    case QEvent::KeyPress: {
      auto* key = static_cast<QKeyEvent*>(event);
      wparam = KeyCodeOf(key);
      if (!wparam) return false;
      message = kMsgKeyDown;
      lparam = static_cast<LParam>(ModifiersOf(key->modifiers()));
      typed = CharOf(key);
      break;
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick: {
      auto* mouse = static_cast<QMouseEvent*>(event);
      message = MouseMessageOf(mouse);
      if (!message) return false;
      const QPoint at = mouse->position().toPoint();
      lparam = MakePointParam(at.x(), at.y());
      break;
    }
    default:
      return false;
  }
  // The hook passes the event on to the control by calling DefaultWindowProc with it.
  auto offer = [&](unsigned m, WParam w, LParam l) {
    Node* node = Find(control);
    if (!node) return false;
    const unsigned outer = node->filtering;
    node->filtering = m;
    node->passOn = false;
    Deliver(control, m, w, l);
    node = Find(control);
    if (!node) return false;
    const bool passed = node->passOn;
    node->filtering = outer;
    return passed;
  };
  bool pass = offer(message, wparam, lparam);
  if (pass && typed) pass = offer(kMsgChar, typed, 0);
  return !pass;
}

void QtUi::HookPaint(WindowHandle control, QWidget* surface) {
  Node* n = Find(control);
  if (!n || !n->hook) return;
  QPainter painter(surface);
  QtCanvas canvas(&painter, RectAt(0, 0, surface->width(), surface->height()));
  Deliver(control, kMsgPaint, 0, reinterpret_cast<LParam>(static_cast<Canvas*>(&canvas)));
}

LResult QtUi::ControlDefault(Node* control, unsigned message, WParam wparam, LParam) {
  if (control->filtering == message) {
    control->passOn = true;
    return 0;
  }
  QWidget* w = control->client;
  if (!w || !w->isEnabled()) return 0;
  switch (message) {
    case kMsgClick:
      if (auto* button = qobject_cast<QAbstractButton*>(w)) button->click();
      return 0;
    case kMsgKeyDown:
    case kMsgChar:
      SendKeyToControl(control, message, wparam);
      return 0;
    default:
      return 0;
  }
}

void QtUi::SendKeyToControl(Node* control, unsigned message, WParam wparam) {
  QWidget* target = LineEditOf(control);
  if (!target) target = control->client;
  int key = 0;
  QString text;
  if (message == kMsgChar) {
    if (wparam < 0x20 || wparam > 0xFF) return;
    text = QString(QChar(static_cast<char16_t>(wparam)));
    key = text.toUpper()[0].unicode();
  } else {
    key = QtKeyFor(static_cast<unsigned>(wparam));
    if (!key) return;  // a printable key types through the kMsgChar that follows it
  }
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
  QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
  bypassHook_ = true;
  QCoreApplication::sendEvent(target, &press);
  if (Find(control->handle)) QCoreApplication::sendEvent(target, &release);
  bypassHook_ = false;
}

// ---- Text and check states ----------------------------------------------------------------

void QtUi::SetControlText(WindowHandle control, std::string_view text) {
  Node* n = Find(control);
  if (!n || !n->client) return;
  if (n->type != Node::Type::kControl) return SetWindowTitle(control, text);
  n->text = text;
  const QString shown = DecodeBytes(text);
  {
    Quiet quiet(n);
    QWidget* w = n->client;
    switch (n->kind) {
      case ControlKind::kEdit:
        if (auto* plain = qobject_cast<QPlainTextEdit*>(w))
          plain->setPlainText(shown);
        else if (auto* line = qobject_cast<QLineEdit*>(w))
          line->setText(shown);
        break;
      case ControlKind::kComboBox:
        if (QLineEdit* line = LineEditOf(n)) line->setText(shown);
        break;
      case ControlKind::kStatic:
        static_cast<QLabel*>(w)->setText(WithoutMnemonics(shown));
        break;
      case ControlKind::kPushButton:
      case ControlKind::kCheckBox:
      case ControlKind::kRadioButton:
        static_cast<QAbstractButton*>(w)->setText(shown);
        if (auto* button = qobject_cast<QPushButton*>(w)) FitCaption(button);
        break;
      case ControlKind::kGroupBox:
        static_cast<QGroupBox*>(w)->setTitle(shown);
        break;
      case ControlKind::kListBox:
      case ControlKind::kScrollBar:
        break;
    }
  }
  // An edit tells its parent of every change, whoever made it; the page editor relies on it.
  if (n->kind == ControlKind::kEdit) Notify(control, kNotifyTextChanged);
}

std::string QtUi::ControlText(WindowHandle control) {
  Node* n = Find(control);
  if (!n) return {};
  if (n->type != Node::Type::kControl || !n->client) return n->text;
  switch (n->kind) {
    case ControlKind::kEdit:
      if (auto* plain = qobject_cast<QPlainTextEdit*>(n->client.data()))
        return BytesFor(plain->toPlainText(), n->text);
      return BytesFor(static_cast<QLineEdit*>(n->client.data())->text(), n->text);
    case ControlKind::kComboBox: {
      if (QLineEdit* line = LineEditOf(n)) return BytesFor(line->text(), n->text);
      const int selected = ListSelection(control);
      return selected >= 0 ? n->items[selected] : std::string();
    }
    default:
      return n->text;
  }
}

void QtUi::SetCheck(WindowHandle control, int state) {
  Node* n = FindControlOfKind(control, {ControlKind::kCheckBox, ControlKind::kRadioButton});
  if (!n) return;
  Quiet quiet(n);
  if (auto* box = qobject_cast<QCheckBox*>(n->client.data())) {
    if (state == kIndeterminate) box->setTristate(true);
    box->setCheckState(state == kIndeterminate ? Qt::PartiallyChecked
                       : state == kChecked     ? Qt::Checked
                                               : Qt::Unchecked);
  } else if (auto* radio = qobject_cast<QRadioButton*>(n->client.data())) {
    radio->setChecked(state == kChecked);
  }
}

int QtUi::CheckStateOf(WindowHandle control) {
  Node* n = FindControlOfKind(control, {ControlKind::kCheckBox, ControlKind::kRadioButton});
  if (!n) return kUnchecked;
  if (auto* box = qobject_cast<QCheckBox*>(n->client.data())) {
    switch (box->checkState()) {
      case Qt::Checked:
        return kChecked;
      case Qt::PartiallyChecked:
        return kIndeterminate;
      default:
        return kUnchecked;
    }
  }
  return static_cast<QAbstractButton*>(n->client.data())->isChecked() ? kChecked : kUnchecked;
}

void QtUi::CheckRadio(WindowHandle parentHandle, int first, int last, int id) {
  Node* parent = Find(parentHandle);
  if (!parent) return;
  for (WindowHandle h : parent->children) {
    Node* c = Find(h);
    if (c->id >= first && c->id <= last) SetCheck(h, c->id == id ? kChecked : kUnchecked);
  }
}

// ---- Lists --------------------------------------------------------------------------------

void QtUi::InsertShown(Node* n, int index, const QString& text) {
  Quiet quiet(n);
  if (QListWidget* list = ListOf(n)) {
    list->insertItem(index, text);
  } else if (QComboBox* combo = ComboOf(n)) {
    // A combo box selects the first item put into it; the program's did not.
    const int before = combo->currentIndex();
    const QString shown = combo->currentText();
    combo->insertItem(index, text);
    const int wanted = before < 0 ? -1 : before >= index ? before + 1 : before;
    if (combo->currentIndex() != wanted) {
      combo->setCurrentIndex(wanted);
      if (combo->isEditable()) combo->setEditText(shown);
    }
  }
}

void QtUi::RemoveShown(Node* n, int index) {
  Quiet quiet(n);
  if (QListWidget* list = ListOf(n))
    delete list->takeItem(index);
  else if (QComboBox* combo = ComboOf(n))
    combo->removeItem(index);
}

int QtUi::InsertListItem(WindowHandle control, int index, std::string_view text) {
  Node* n = FindControlOfKind(control, {ControlKind::kListBox, ControlKind::kComboBox});
  if (!n) return -1;
  const int count = static_cast<int>(n->items.size());
  if (index < 0 || index > count) index = count;
  n->items.insert(n->items.begin() + index, std::string(text));
  InsertShown(n, index, DecodeBytes(text));
  return index;
}

int QtUi::AddListItem(WindowHandle control, std::string_view text) {
  Node* n = FindControlOfKind(control, {ControlKind::kListBox, ControlKind::kComboBox});
  if (!n) return -1;
  int index = static_cast<int>(n->items.size());
  if (n->style & kStyleSorted) {
    auto at = std::upper_bound(
        n->items.begin(), n->items.end(), text,
        [](std::string_view t, const std::string& item) { return SortedBefore(t, item); });
    index = static_cast<int>(at - n->items.begin());
  }
  return InsertListItem(control, index, text);
}

bool QtUi::DeleteListItem(WindowHandle control, int index) {
  Node* n = FindControlOfKind(control, {ControlKind::kListBox, ControlKind::kComboBox});
  if (!n || index < 0 || index >= static_cast<int>(n->items.size())) return false;
  n->items.erase(n->items.begin() + index);
  RemoveShown(n, index);
  return true;
}

void QtUi::ClearList(WindowHandle control) {
  Node* n = FindControlOfKind(control, {ControlKind::kListBox, ControlKind::kComboBox});
  if (!n) return;
  n->items.clear();
  Quiet quiet(n);
  if (QListWidget* list = ListOf(n)) {
    list->clear();
  } else if (QComboBox* combo = ComboOf(n)) {
    const QString shown = combo->currentText();
    combo->clear();
    if (combo->isEditable()) combo->setEditText(shown);
  }
}

int QtUi::ListCount(WindowHandle control) {
  Node* n = FindControlOfKind(control, {ControlKind::kListBox, ControlKind::kComboBox});
  return n ? static_cast<int>(n->items.size()) : 0;
}

std::string QtUi::ListItemText(WindowHandle control, int index) {
  Node* n = FindControlOfKind(control, {ControlKind::kListBox, ControlKind::kComboBox});
  if (!n || index < 0 || index >= static_cast<int>(n->items.size())) return {};
  return n->items[index];
}

int QtUi::FindListItem(WindowHandle control, std::string_view text) {
  Node* n = FindControlOfKind(control, {ControlKind::kListBox, ControlKind::kComboBox});
  if (!n) return -1;
  auto it = std::find(n->items.begin(), n->items.end(), text);
  return it == n->items.end() ? -1 : static_cast<int>(it - n->items.begin());
}

int QtUi::ListSelection(WindowHandle control) {
  Node* n = FindControlOfKind(control, {ControlKind::kListBox, ControlKind::kComboBox});
  if (!n) return -1;
  if (QComboBox* combo = ComboOf(n)) return combo->currentIndex();
  QListWidget* list = ListOf(n);
  if (!list) return -1;
  if (n->style & kStyleMultiSelect) return list->currentRow();
  const QList<QListWidgetItem*> selected = list->selectedItems();
  return selected.isEmpty() ? -1 : list->row(selected.first());
}

void QtUi::SetListSelection(WindowHandle control, int index) {
  Node* n = FindControlOfKind(control, {ControlKind::kListBox, ControlKind::kComboBox});
  if (!n) return;
  if (index < 0 || index >= static_cast<int>(n->items.size())) index = -1;
  Quiet quiet(n);
  if (QComboBox* combo = ComboOf(n)) {
    combo->setCurrentIndex(index);
    if (combo->isEditable()) n->text = index >= 0 ? n->items[index] : std::string();
    return;
  }
  QListWidget* list = ListOf(n);
  if (!list) return;
  list->clearSelection();
  if (index >= 0) {
    list->setCurrentRow(index, QItemSelectionModel::ClearAndSelect);
    list->scrollToItem(list->item(index));
  }
  if (auto* open = dynamic_cast<OpenComboWidget*>(n->client.data())) {
    n->text = index >= 0 ? n->items[index] : std::string();
    open->edit->setText(DecodeBytes(n->text));
  }
}

void QtUi::SetListItemSelected(WindowHandle control, int index, bool selected) {
  Node* n = FindControlOfKind(control, {ControlKind::kListBox});
  if (!n || index < 0 || index >= static_cast<int>(n->items.size())) return;
  if (!(n->style & kStyleMultiSelect)) return SetListSelection(control, selected ? index : -1);
  Quiet quiet(n);
  QListWidget* list = ListOf(n);
  list->item(index)->setSelected(selected);
  list->setCurrentRow(index, QItemSelectionModel::NoUpdate);
}

std::vector<int> QtUi::ListSelections(WindowHandle control) {
  std::vector<int> out;
  Node* n = FindControlOfKind(control, {ControlKind::kListBox, ControlKind::kComboBox});
  if (!n) return out;
  if (QComboBox* combo = ComboOf(n)) {
    if (combo->currentIndex() >= 0) out.push_back(combo->currentIndex());
    return out;
  }
  QListWidget* list = ListOf(n);
  for (int i = 0; list && i < list->count(); ++i)
    if (list->item(i)->isSelected()) out.push_back(i);
  return out;
}

void QtUi::SetScrollRange(WindowHandle control, int minimum, int maximum) {
  Node* n = FindControlOfKind(control, {ControlKind::kScrollBar});
  if (!n || maximum < minimum) return;
  static_cast<QScrollBar*>(n->client.data())->setRange(minimum, maximum);
}

void QtUi::SetScrollPosition(WindowHandle control, int position) {
  if (Node* n = FindControlOfKind(control, {ControlKind::kScrollBar}))
    static_cast<QScrollBar*>(n->client.data())->setValue(position);
}

int QtUi::ScrollPosition(WindowHandle control) {
  Node* n = FindControlOfKind(control, {ControlKind::kScrollBar});
  return n ? static_cast<QScrollBar*>(n->client.data())->value() : 0;
}

// ---- Dialogs ------------------------------------------------------------------------------

int QtUi::RunDialog(WindowHandle owner, const DialogTemplate& t, WindowProc proc, LParam param) {
  if (!IsGuiThread()) {
    int result = 0;
    OnGuiThread([&] { result = RunDialog(owner, t, proc, param); });
    return result;
  }
  auto node = std::make_unique<Node>();
  const WindowHandle h = NewHandle();
  node->handle = h;
  node->type = Node::Type::kDialog;
  node->proc = std::move(proc);
  node->owner = owner;
  node->className = "dialog";
  node->text = t.title;
  node->width = t.width;
  node->height = t.height;
  // Not a child of the owner's widget: disabling the owner must not disable the dialog.
  auto* dialog = new DialogWidget(this, h);
  dialog->setWindowTitle(DecodeBytes(t.title));
  dialog->setFixedSize(t.width, t.height);
  dialog->setWindowModality(Qt::ApplicationModal);
  node->frame = dialog;
  node->client = dialog;
  Register(std::move(node));
  for (const ControlTemplate& c : t.controls)
    CreateControl(h, c);
  const bool ownerEnabled = IsWindowEnabled(owner);
  EnableWindow(owner, false);

  auto open = [&] {
    Node* n = Find(h);
    return n && !n->ended;
  };
  Deliver(h, kMsgInitDialog, 0, param);
  if (open()) {
    // Centred over the owner, else over the screen.
    QRect around = QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->geometry()
                                                    : QRect(0, 0, 1024, 768);
    if (QWidget* ownerFrame = FrameOf(owner)) {
      around = ownerFrame->frameGeometry();
      dialog->winId();
      if (dialog->windowHandle() && ownerFrame->windowHandle())
        dialog->windowHandle()->setTransientParent(ownerFrame->windowHandle());
    }
    // A dialog its procedure placed stays where it was put.
    if (!Find(h)->placed) dialog->move(around.center() - QPoint(t.width / 2, t.height / 2));
    dialog->show();
    QEventLoop loop;
    Find(h)->loop = &loop;
    PushFrame({LoopFrame::Kind::kModal, &loop, h});
    if (open()) loop.exec(QEventLoop::DialogExec);
    PopFrame();
    if (Node* n = Find(h)) n->loop = nullptr;
  }
  int result = 0;  // a dialog its procedure destroyed has no result
  if (Node* n = Find(h)) result = n->result;
  EnableWindow(owner, ownerEnabled);
  DestroyWindow(h);
  if (QWidget* ownerFrame = FrameOf(owner)) ownerFrame->activateWindow();
  return result;
}

void QtUi::EndDialog(WindowHandle dialog, int result) {
  Node* n = Find(dialog);
  if (!n || n->type != Node::Type::kDialog || n->ended) return;
  n->ended = true;
  n->result = result;
  // The loop ends when the message being handled returns to it.
  if (n->loop) n->loop->exit(0);
}

}  // namespace platform::qt
