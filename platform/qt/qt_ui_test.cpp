#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QFileDialog>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "platform/qt/qt_backend.h"
#include "platform/qt/qt_ui.h"
#include "tests/support/temp_dir.h"

namespace {

using namespace platform;

struct Call {
  WindowHandle window;
  unsigned message;
  WParam wparam;
  LParam lparam;
};

// Runs act on the first widget find gives, looking every few milliseconds (from inside
// whatever loop is running by then).
template <typename T>
void WhenShown(std::function<T*()> find, std::function<void(T*)> act) {
  auto* timer = new QTimer;
  timer->setInterval(10);
  QObject::connect(timer, &QTimer::timeout, [timer, find, act] {
    if (T* widget = find()) {
      timer->stop();
      timer->deleteLater();
      act(widget);
    }
  });
  timer->start();
}

class QtUiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ui_ = MakeQtUi();
    qt_ = static_cast<qt::QtUi*>(ui_.get());
    SetUiBackend(ui_.get());
  }
  void TearDown() override {
    SetUiBackend(nullptr);
    ui_.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }

  // A window whose procedure records every call and answers with answer_ where it is set.
  WindowHandle RecordingWindow(Rect rect, unsigned style, std::string title = "Tagsteward") {
    return CreateWindow({"Tagsteward", title, rect, style},
                        [this](WindowHandle w, unsigned m, WParam wp, LParam lp) -> LResult {
                          calls_.push_back({w, m, wp, lp});
                          if (onMessage_) {
                            LResult r = 0;
                            if (onMessage_(w, m, wp, lp, &r)) return r;
                          }
                          return DefaultWindowProc(w, m, wp, lp);
                        });
  }
  std::vector<Call> CallsOf(unsigned message) const {
    std::vector<Call> out;
    for (const Call& c : calls_)
      if (c.message == message) out.push_back(c);
    return out;
  }
  static void Settle() {
    for (int i = 0; i < 5; ++i)
      QCoreApplication::processEvents();
  }

  std::unique_ptr<UiBackend> ui_;
  qt::QtUi* qt_ = nullptr;
  std::vector<Call> calls_;
  std::function<bool(WindowHandle, unsigned, WParam, LParam, LResult*)> onMessage_;
};

TEST_F(QtUiTest, AWindowGetsItsMessagesFromCreationToDestruction) {
  // A procedure refusing creation leaves no window.
  WindowHandle refused = CreateWindow(
      {"Test", "No", RectAt(0, 0, 50, 50), kWindowVisible},
      [](WindowHandle, unsigned m, WParam, LParam) -> LResult { return m == kMsgCreate ? -1 : 0; });
  EXPECT_EQ(nullptr, refused);

  std::string createdTitle;
  onMessage_ = [&](WindowHandle, unsigned m, WParam, LParam lp, LResult*) {
    if (m == kMsgCreate) createdTitle = reinterpret_cast<const WindowSpec*>(lp)->title;
    if (m == kMsgPaint) PaintCanvas(lp)->FillRect(RectAt(0, 0, 200, 100), Rgb(0x20, 0x40, 0x60));
    return false;
  };
  WindowHandle w = RecordingWindow(RectAt(30, 40, 200, 100),
                                   kWindowCaption | kWindowMinimiseBox | kWindowVisible, "Main");
  ASSERT_NE(nullptr, w);
  EXPECT_EQ(kMsgCreate, calls_.at(0).message);
  EXPECT_EQ("Main", createdTitle);
  QWidget* client = qt_->WidgetOf(w);
  QWidget* frame = qt_->FrameOf(w);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(frame));
  Settle();
  EXPECT_FALSE(CallsOf(kMsgPaint).empty());
  EXPECT_TRUE(CallsOf(kMsgSize).empty());  // shown at the size it was made with
  // The client keeps the size asked for and the window cannot be resized.
  EXPECT_EQ(QSize(200, 100), client->size());
  EXPECT_EQ(frame->minimumSize(), frame->maximumSize());
  EXPECT_EQ(RectAt(30, 40, 200, 100), WindowRect(w));
  EXPECT_EQ(Rgb(0x20, 0x40, 0x60), qt::FromQColor(client->grab().toImage().pixelColor(150, 80)));

  // Painting on request: an invalidated part is painted at once by UpdateWindow.
  const std::size_t paints = CallsOf(kMsgPaint).size();
  Rect part = RectAt(10, 10, 20, 20);
  InvalidateWindow(w, &part);
  UpdateWindow(w);
  ASSERT_EQ(paints + 1, CallsOf(kMsgPaint).size());
  UpdateWindow(w);  // nothing is left to paint
  EXPECT_EQ(paints + 1, CallsOf(kMsgPaint).size());

  calls_.clear();
  QTest::mouseClick(client, Qt::LeftButton, Qt::NoModifier, QPoint(5, 7));
  QTest::mouseClick(client, Qt::RightButton, Qt::NoModifier, QPoint(150, 90));
  QTest::keyClick(client, Qt::Key_Left);
  QTest::keyClick(client, Qt::Key_A);
  std::vector<std::pair<unsigned, WParam>> seen;
  for (const Call& c : calls_)
    if (c.message != kMsgMouseMove && c.message != kMsgPaint) seen.push_back({c.message, c.wparam});
  std::vector<std::pair<unsigned, WParam>> expected = {
      {kMsgLButtonDown, 0},    {kMsgLButtonUp, 0}, {kMsgRButtonDown, 0}, {kMsgRButtonUp, 0},
      {kMsgKeyDown, kKeyLeft}, {kMsgKeyDown, 'a'}, {kMsgChar, 'a'}};
  EXPECT_EQ(expected, seen);
  EXPECT_EQ((Point{5, 7}), PointOfParam(CallsOf(kMsgLButtonDown).at(0).lparam));
  EXPECT_EQ((Point{150, 90}), PointOfParam(CallsOf(kMsgRButtonUp).at(0).lparam));

  // Moving to a new size tells the window.
  MoveWindow(w, RectAt(0, 0, 300, 120));
  ASSERT_EQ(1u, CallsOf(kMsgSize).size());
  EXPECT_EQ((Point{300, 120}), PointOfParam(CallsOf(kMsgSize).at(0).lparam));
  EXPECT_EQ(QSize(300, 120), client->size());

  // A timer ticks until stopped.
  int ticks = 0;
  onMessage_ = [&](WindowHandle win, unsigned m, WParam wp, LParam, LResult*) {
    if (m == kMsgTimer && wp == 5 && ++ticks == 3) StopTimer(win, 5);
    return false;
  };
  EXPECT_TRUE(StartTimer(w, 5, 5));
  QTest::qWait(100);
  EXPECT_EQ(3, ticks);

  // The close box: the default handling destroys the window, which is told first.
  calls_.clear();
  frame->close();
  EXPECT_EQ(kMsgClose, calls_.at(0).message);
  EXPECT_FALSE(CallsOf(kMsgDestroy).empty());
  EXPECT_FALSE(IsWindow(w));
  EXPECT_FALSE(PostMessage(w, kMsgUser, 0, 0));
}

TEST_F(QtUiTest, PostedMessagesComeInOrderThenTheQuitAndOtherThreadsSendThroughTheLoop) {
  std::vector<WParam> order;
  const std::thread::id gui = std::this_thread::get_id();
  std::thread::id ranOn;
  onMessage_ = [&](WindowHandle w, unsigned m, WParam wp, LParam, LResult* r) {
    if (m == kMsgUser) {
      order.push_back(wp);
      if (wp == 2) PostMessage(w, kMsgUser, 4, 0);  // after what waits, before the quit
    }
    if (m == kMsgPluginRequest) {
      ranOn = std::this_thread::get_id();
      *r = static_cast<LResult>(wp * 2);
      return true;
    }
    return false;
  };
  WindowHandle w = RecordingWindow(RectAt(0, 0, 100, 100), kWindowCaption);
  for (WParam i : {1, 2, 3})
    EXPECT_TRUE(PostMessage(w, kMsgUser, i, 0));
  PostQuit(7);
  EXPECT_EQ(7, RunMessageLoop());
  EXPECT_EQ((std::vector<WParam>{1, 2, 3, 4}), order);

  // From another thread, a send runs the procedure on the GUI thread and waits for it.
  std::atomic<LResult> answer{0};
  std::thread worker([&] {
    answer = SendMessage(w, kMsgPluginRequest, 21, 0);
    PostMessage(w, kMsgUser, 5, 0);
    PostQuit(9);
  });
  EXPECT_EQ(9, RunMessageLoop());
  worker.join();
  EXPECT_EQ(42, answer.load());
  EXPECT_EQ(gui, ranOn);
  EXPECT_EQ(5u, order.back());

  // A pump hands out the window's own posted message and leaves the quit waiting.
  PostMessage(w, kMsgUser, 6, 0);
  PostQuit(3);
  EXPECT_TRUE(PumpOneMessage(w));
  EXPECT_EQ(6u, order.back());
  EXPECT_EQ(3, RunMessageLoop());
}

TEST_F(QtUiTest, TheMenuBarSitsAboveTheClientAndItsCommandsAndAcceleratorsArrive) {
  WindowHandle w = RecordingWindow(RectAt(0, 0, 300, 200), kWindowCaption | kWindowMinimiseBox);
  MenuHandle bar = CreateMenu();
  MenuHandle file = CreateMenu();
  AppendMenuItem(file, 10, "&Open");
  AppendSeparator(file);
  AppendMenuItem(file, 106, "E&xit", kMenuGrayed);
  AppendSubmenu(bar, file, "&File");
  SetWindowMenu(w, bar);
  ShowWindow(w, ShowState::kShow);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(qt_->FrameOf(w)));
  QMenuBar* menuBar = qt_->MenuBarOf(w);
  ASSERT_NE(nullptr, menuBar);
  QWidget* client = qt_->WidgetOf(w);
  const int barHeight = client->mapTo(qt_->FrameOf(w), QPoint(0, 0)).y();
  EXPECT_GT(barHeight, 0);
  EXPECT_EQ(QSize(300, 200), client->size());
  EXPECT_EQ(QSize(300, 200 + barHeight), qt_->FrameOf(w)->size());

  auto action = [&](int id) -> QAction* {
    for (QAction* top : menuBar->actions())
      for (QAction* a : top->menu() ? top->menu()->actions() : QList<QAction*>{})
        if (a->data().toInt() == id) return a;
    return nullptr;
  };
  ASSERT_NE(nullptr, action(106));
  EXPECT_FALSE(action(106)->isEnabled());
  EnableMenuItem(bar, 106, false, true);
  EXPECT_TRUE(action(106)->isEnabled());
  EXPECT_FALSE(MenuItems(file).at(2).grayed);

  action(10)->trigger();
  Settle();
  ASSERT_EQ(1u, CallsOf(kMsgCommand).size());
  EXPECT_EQ(MakeWParam(10, 0), CallsOf(kMsgCommand).at(0).wparam);

  // The picture holds the bar and the client.
  testing_support::TempDir dir;
  const std::string png = dir / "main.png";
  ASSERT_TRUE(SaveWindowImage(w, png));
  QImage saved(QString::fromStdString(png));
  EXPECT_EQ(QSize(300, 200 + barHeight), saved.size());

  // Accelerators, from the window or any of its controls; Shift does not tell "?" apart.
  WindowHandle edit = CreateControl(w, {1046, ControlKind::kEdit, "", RectAt(0, 0, 80, 20), 0});
  SetAccelerators(w, {{'?', 0, 303}, {'/', kModAlt, 303}, {'S', kModControl, 40}});
  calls_.clear();
  QTest::keyClick(client, Qt::Key_Question, Qt::ShiftModifier);
  QTest::keyClick(client, Qt::Key_Slash, Qt::AltModifier);
  QTest::keyClick(qt_->WidgetOf(edit), Qt::Key_S, Qt::ControlModifier);
  QTest::keyClick(qt_->WidgetOf(edit), Qt::Key_Question, Qt::ShiftModifier);
  QTest::keyClick(client, Qt::Key_X);
  std::vector<WParam> commands;
  for (const Call& c : CallsOf(kMsgCommand))
    if (c.lparam == 0) commands.push_back(c.wparam);
  EXPECT_EQ((std::vector<WParam>{MakeWParam(303, 1), MakeWParam(303, 1), MakeWParam(40, 1),
                                 MakeWParam(303, 1)}),
            commands);
  EXPECT_EQ("", ControlText(edit));  // the accelerator's key never reached the field
  ASSERT_EQ(1u, CallsOf(kMsgKeyDown).size());
  EXPECT_EQ(WParam{'x'}, CallsOf(kMsgKeyDown).at(0).wparam);

  // A pop-up menu returns the command chosen, or posts it.
  MenuHandle popup = CreateMenu();
  AppendMenuItem(popup, 1048, "Delete metatag");
  AppendMenuItem(popup, 1049, "Clear metatag");
  auto choose = [](int id) {
    WhenShown<QMenu>([] { return qobject_cast<QMenu*>(QApplication::activePopupWidget()); },
                     [id](QMenu* menu) {
                       for (QAction* a : menu->actions())
                         if (a->data().toInt() == id) a->trigger();
                       menu->hide();
                     });
  };
  choose(1049);
  EXPECT_EQ(1049, TrackPopupMenu(popup, w, Point{10, 10}, true));
  calls_.clear();
  choose(1048);
  EXPECT_EQ(1048, TrackPopupMenu(popup, w, Point{10, 10}, false));
  Settle();
  ASSERT_EQ(1u, CallsOf(kMsgCommand).size());
  EXPECT_EQ(MakeWParam(1048, 0), CallsOf(kMsgCommand).at(0).wparam);
  DestroyMenu(popup);
}

DialogTemplate SearchTemplate() {
  DialogTemplate t;
  t.title = "Search for metatag";
  t.width = 320;
  t.height = 200;
  t.controls = {
      {1001, ControlKind::kEdit, "", RectAt(10, 10, 150, 22), 0},
      {1, ControlKind::kPushButton, "OK", RectAt(10, 150, 70, 26), kStyleDefaultButton},
      {2, ControlKind::kPushButton, "Cancel", RectAt(90, 150, 70, 26), 0},
      {1002, ControlKind::kListBox, "", RectAt(170, 10, 140, 100), kStyleSorted},
      {1003, ControlKind::kStatic, "&Name", RectAt(10, 40, 100, 20), 0},
  };
  return t;
}

TEST_F(QtUiTest, ADialogRunsModallyFromItsTemplateUntilItsProcedureEndsIt) {
  WindowHandle owner = RecordingWindow(RectAt(0, 0, 400, 300), kWindowCaption | kWindowVisible);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(qt_->FrameOf(owner)));
  LParam initParam = 0;
  bool ownerEnabledInside = true;
  QRect editGeometry, okGeometry;
  std::vector<std::string> items;
  WindowHandle active = nullptr;
  QColor skin, onButton;
  std::vector<unsigned> commands;
  auto proc = [&](WindowHandle d, unsigned m, WParam wp, LParam lp) -> LResult {
    switch (m) {
      case kMsgInitDialog:
        initParam = lp;
        if (lp == 5) {  // placed by its procedure, the list focused
          MoveWindow(d, RectAt(130, 70, 320, 200));
          SetFocus(FindControl(d, 1002));
        }
        for (const char* s : {"gamma", "Alpha", "beta"})
          AddListItem(d, 1002, s);
        ownerEnabledInside = IsWindowEnabled(owner);
        editGeometry = qt_->WidgetOf(FindControl(d, 1001))->geometry();
        okGeometry = qt_->WidgetOf(FindControl(d, 1))->geometry();
        return 1;
      case kMsgPaint:  // the skin, under the controls
        PaintCanvas(lp)->FillRect(RectAt(0, 0, 320, 200), Rgb(0xC0, 0x10, 0x10));
        return 1;
      case kMsgCommand:
        commands.push_back(LowWord(wp));
        if (LowWord(wp) == kCommandOk) {
          active = ActiveDialog();
          for (int i = 0; i < ListCount(d, 1002); ++i)
            items.push_back(ListItemText(d, 1002, i));
          QImage shot = qt_->WidgetOf(d)->grab().toImage();
          skin = shot.pixelColor(300, 190);
          onButton = shot.pixelColor(45, 163);
          EndDialog(d, 42);
        }
        if (LowWord(wp) == kCommandCancel) EndDialog(d, kCommandCancel);
        return 1;
    }
    return 0;
  };
  WhenShown<QWidget>([this] { return qt_->WidgetOf(ActiveDialog()); },
                     [this](QWidget* dialog) {
                       EXPECT_EQ(QStringLiteral("Search for metatag"), dialog->windowTitle());
                       EXPECT_EQ(QSize(320, 200), dialog->size());
                       QTest::mouseClick(qt_->WidgetOf(FindControl(ActiveDialog(), 1)),
                                         Qt::LeftButton);
                     });
  EXPECT_EQ(42, RunDialog(owner, SearchTemplate(), proc, 77));
  EXPECT_EQ(77, initParam);
  EXPECT_FALSE(ownerEnabledInside);
  EXPECT_TRUE(IsWindowEnabled(owner));
  EXPECT_EQ(QRect(10, 10, 150, 22), editGeometry);
  EXPECT_EQ(QRect(10, 150, 70, 26), okGeometry);
  EXPECT_EQ((std::vector<std::string>{"Alpha", "beta", "gamma"}), items);
  EXPECT_NE(nullptr, active);
  EXPECT_EQ(nullptr, ActiveDialog());
  EXPECT_FALSE(IsWindow(active));
  EXPECT_EQ(QColor(0xC0, 0x10, 0x10), skin);
  EXPECT_NE(QColor(0xC0, 0x10, 0x10), onButton);  // the button painted over the skin
  EXPECT_EQ((std::vector<unsigned>{kCommandOk}), commands);

  // Escape is the Cancel command; a send from another thread is served inside the dialog.
  commands.clear();
  std::atomic<LResult> sent{0};
  std::thread worker;
  WhenShown<QWidget>([this] { return qt_->WidgetOf(ActiveDialog()); },
                     [&](QWidget* dialog) {
                       worker = std::thread([&] { sent = SendMessage(owner, kMsgUser, 0, 0) + 1; });
                       while (sent == 0)
                         QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
                       QTest::keyClick(dialog, Qt::Key_Escape);
                     });
  EXPECT_EQ(kCommandCancel, RunDialog(owner, SearchTemplate(), proc, 0));
  worker.join();
  EXPECT_EQ(1, sent.load());
  EXPECT_EQ((std::vector<unsigned>{kCommandCancel}), commands);

  // A dialog its procedure placed stays there; Enter in its list presses the default button.
  QPoint at;
  WhenShown<QWidget>([this] { return qt_->WidgetOf(ActiveDialog()); },
                     [&](QWidget* dialog) {
                       at = dialog->pos();
                       QTest::keyClick(qt_->WidgetOf(FindControl(ActiveDialog(), 1002)),
                                       Qt::Key_Return);
                     });
  EXPECT_EQ(42, RunDialog(owner, SearchTemplate(), proc, 5));
  EXPECT_EQ(QPoint(130, 70), at);
}

TEST_F(QtUiTest, ControlTextGivesBackTheBytesItWasGiven) {
  WindowHandle w = RecordingWindow(RectAt(0, 0, 300, 200), kWindowCaption);
  WindowHandle edit = CreateControl(w, {1047, ControlKind::kEdit, "", RectAt(0, 0, 200, 20), 0});
  WindowHandle memo =
      CreateControl(w, {1048, ControlKind::kEdit, "", RectAt(0, 30, 200, 60), kStyleMultiLine});
  WindowHandle list =
      CreateControl(w, {1049, ControlKind::kListBox, "", RectAt(0, 100, 100, 80), 0});
  WindowHandle label =
      CreateControl(w, {1050, ControlKind::kStatic, "Gr\xfc\xdf", RectAt(110, 100, 80, 20), 0});
  auto* line = qobject_cast<QLineEdit*>(qt_->WidgetOf(edit));
  ASSERT_NE(nullptr, line);

  calls_.clear();
  SetControlText(edit, "caf\xe9");
  EXPECT_EQ(QStringLiteral("caf\u00e9"), line->text());
  EXPECT_EQ("caf\xe9", ControlText(edit));
  ASSERT_EQ(1u, CallsOf(kMsgCommand).size());  // setting the text notifies, once
  EXPECT_EQ(MakeWParam(1047, kNotifyTextChanged), CallsOf(kMsgCommand).at(0).wparam);
  EXPECT_EQ(reinterpret_cast<LParam>(edit), CallsOf(kMsgCommand).at(0).lparam);

  // What the user types is added in the text's own encoding.
  line->setCursorPosition(4);
  QTest::keyClicks(line, "s");
  EXPECT_EQ("caf\xe9s", ControlText(edit));
  EXPECT_EQ(2u, CallsOf(kMsgCommand).size());

  SetControlText(memo, "line one\r\nli\xf1\x65 two");
  EXPECT_EQ("line one\r\nli\xf1\x65 two", ControlText(memo));
  SetControlText(memo, "na\xc3\xafve");
  EXPECT_EQ("na\xc3\xafve", ControlText(memo));

  AddListItem(list, "\xc9t\xe9");
  EXPECT_EQ(QStringLiteral("\u00c9t\u00e9"),
            qobject_cast<QListWidget*>(qt_->WidgetOf(list))->item(0)->text());
  EXPECT_EQ("\xc9t\xe9", ListItemText(list, 0));
  EXPECT_EQ(0, FindListItem(list, "\xc9t\xe9"));
  EXPECT_EQ(QStringLiteral("Gr\u00fc\u00df"), qobject_cast<QLabel*>(qt_->WidgetOf(label))->text());
  EXPECT_EQ("Gr\xfc\xdf", ControlText(label));
  SetWindowTitle(w, "Sit\xe9");
  EXPECT_EQ(QStringLiteral("Sit\u00e9"), qt_->FrameOf(w)->windowTitle());
  EXPECT_EQ("Sit\xe9", WindowTitle(w));
}

TEST_F(QtUiTest, ControlsBehaveAndNotifyAsTheProgramExpects) {
  WindowHandle w = RecordingWindow(RectAt(0, 0, 400, 300), kWindowCaption | kWindowVisible);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(qt_->FrameOf(w)));
  auto make = [&](int id, ControlKind kind, unsigned style, int y) {
    return CreateControl(w, {id, kind, "c" + std::to_string(id), RectAt(10, y, 120, 20), style});
  };
  WindowHandle r1 = make(1, ControlKind::kRadioButton, kStyleGroup, 0);
  WindowHandle r2 = make(2, ControlKind::kRadioButton, 0, 20);
  WindowHandle r3 = make(3, ControlKind::kRadioButton, kStyleGroup, 40);
  WindowHandle box = make(4, ControlKind::kCheckBox, 0, 60);
  WindowHandle combo = make(5, ControlKind::kComboBox, kStyleDropDownList | kStyleSorted, 80);
  WindowHandle multi = make(6, ControlKind::kListBox, kStyleMultiSelect, 100);
  WindowHandle scroll = make(7, ControlKind::kScrollBar, 0, 200);
  WindowHandle hidden = make(8, ControlKind::kPushButton, kStyleHidden | kStyleDisabled, 220);
  WindowHandle editable = make(9, ControlKind::kComboBox, kStyleEditableCombo, 240);

  SetCheck(r1, kChecked);
  SetCheck(r3, kChecked);
  calls_.clear();
  SendMessage(r2, kMsgClick, 0, 0);
  EXPECT_EQ(kUnchecked, CheckStateOf(r1));
  EXPECT_EQ(kChecked, CheckStateOf(r2));
  EXPECT_EQ(kChecked, CheckStateOf(r3));  // another group
  SetCheck(box, kIndeterminate);
  EXPECT_EQ(kIndeterminate, CheckStateOf(box));
  QTest::mouseClick(qt_->WidgetOf(box), Qt::LeftButton);
  EXPECT_EQ(kChecked, CheckStateOf(box));
  QTest::mouseClick(qt_->WidgetOf(box), Qt::LeftButton);
  EXPECT_EQ(kUnchecked, CheckStateOf(box));
  std::vector<WParam> notes;
  for (const Call& c : CallsOf(kMsgCommand))
    notes.push_back(c.wparam);
  EXPECT_EQ((std::vector<WParam>{MakeWParam(2, kNotifyClicked), MakeWParam(4, kNotifyClicked),
                                 MakeWParam(4, kNotifyClicked)}),
            notes);

  // Hidden and disabled from the template; a click on a disabled button does nothing.
  EXPECT_FALSE(IsWindowVisible(hidden));
  EXPECT_FALSE(IsWindowEnabled(hidden));
  EXPECT_TRUE(IsWindowVisible(r1));
  calls_.clear();
  SendMessage(hidden, kMsgClick, 0, 0);
  EXPECT_TRUE(CallsOf(kMsgCommand).empty());

  // Filling and choosing by program never notifies, and filling selects nothing.
  AddListItem(combo, "b");
  AddListItem(combo, "A");
  EXPECT_EQ("A", ListItemText(combo, 0));
  EXPECT_EQ(-1, ListSelection(combo));
  EXPECT_EQ("", ControlText(combo));
  SetListSelection(combo, 1);
  EXPECT_EQ("b", ControlText(combo));
  AddListItem(editable, "first");
  EXPECT_EQ(-1, ListSelection(editable));
  EXPECT_EQ("", ControlText(editable));
  SetListSelection(editable, 0);
  EXPECT_EQ("first", ControlText(editable));
  for (const char* s : {"x", "y", "z"})
    AddListItem(multi, s);
  SetListItemSelected(multi, 0, true);
  SetListItemSelected(multi, 2, true);
  EXPECT_EQ((std::vector<int>{0, 2}), ListSelections(multi));
  DeleteListItem(multi, 0);
  EXPECT_EQ((std::vector<int>{1}), ListSelections(multi));
  EXPECT_TRUE(CallsOf(kMsgCommand).empty());
  // The user's choice does notify.
  auto* view = qobject_cast<QListWidget*>(qt_->WidgetOf(multi));
  QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier,
                    view->visualItemRect(view->item(0)).center());
  EXPECT_EQ((std::vector<int>{0, 1}), ListSelections(multi));
  ASSERT_FALSE(CallsOf(kMsgCommand).empty());
  EXPECT_EQ(MakeWParam(6, kNotifySelectionChanged), CallsOf(kMsgCommand).back().wparam);

  // The scroll bar tells its parent, which moves the thumb itself.
  SetScrollRange(scroll, 0, 10);
  calls_.clear();
  onMessage_ = [&](WindowHandle, unsigned m, WParam wp, LParam lp, LResult*) {
    if (m == kMsgVScroll && LowWord(wp) == kScrollLineDown) {
      auto bar = reinterpret_cast<WindowHandle>(lp);
      SetScrollPosition(bar, ScrollPosition(bar) + 3);
    }
    return false;
  };
  auto* bar = qobject_cast<QScrollBar*>(qt_->WidgetOf(scroll));
  bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  ASSERT_EQ(1u, CallsOf(kMsgVScroll).size());
  EXPECT_EQ(reinterpret_cast<LParam>(scroll), CallsOf(kMsgVScroll).at(0).lparam);
  EXPECT_EQ(3, ScrollPosition(scroll));
  bar->triggerAction(QAbstractSlider::SliderPageStepSub);  // not acted on: the thumb stays
  EXPECT_EQ(kScrollPageUp, LowWord(CallsOf(kMsgVScroll).at(1).wparam));
  EXPECT_EQ(3, ScrollPosition(scroll));
}

TEST_F(QtUiTest, AHookSeesAControlsKeysAndPaintsOverIt) {
  WindowHandle w = RecordingWindow(RectAt(0, 0, 300, 100), kWindowCaption | kWindowVisible);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(qt_->FrameOf(w)));
  WindowHandle edit = CreateControl(w, {1046, ControlKind::kEdit, "", RectAt(0, 0, 200, 20), 0});
  std::vector<std::pair<unsigned, WParam>> seen;
  SetControlHook(edit, [&](WindowHandle c, unsigned m, WParam wp, LParam lp) -> LResult {
    if (m == kMsgPaint) {
      PaintCanvas(lp)->FillRect(RectAt(0, 0, 4, 4), Rgb(0, 0, 0xFF));
      return 0;
    }
    seen.push_back({m, wp});
    if (m == kMsgKeyDown && (wp == kKeyInsert || wp == kKeyTab)) {
      SendMessage(w, kMsgKeyDown, kKeyTab, 4);  // a navigation code to the main window
      return 0;
    }
    return DefaultWindowProc(c, m, wp, lp);
  });
  QWidget* field = qt_->WidgetOf(edit);
  SetFocus(edit);
  ASSERT_TRUE(QTest::qWaitForWindowActive(qt_->FrameOf(w)));
  ASSERT_TRUE(field->hasFocus());
  calls_.clear();
  QTest::keyClick(field, Qt::Key_Q);
  QTest::keyClick(field, Qt::Key_Insert);
  QTest::keyClick(field, Qt::Key_Tab);
  EXPECT_EQ("q", ControlText(edit));
  EXPECT_TRUE(field->hasFocus());  // Tab was kept from the field
  std::vector<std::pair<unsigned, WParam>> expected = {
      {kMsgKeyDown, 'q'}, {kMsgChar, 'q'}, {kMsgKeyDown, kKeyInsert}, {kMsgKeyDown, kKeyTab}};
  EXPECT_EQ(expected, seen);
  EXPECT_EQ(2u, CallsOf(kMsgKeyDown).size());
  // Keys posted to the field go through the hook and into the field.
  PostMessage(edit, kMsgKeyDown, 'z', 0);
  Settle();
  EXPECT_EQ("qz", ControlText(edit));
  QImage shot = field->grab().toImage();
  EXPECT_EQ(QColor(0, 0, 0xFF), shot.pixelColor(1, 1));
  EXPECT_NE(QColor(0, 0, 0xFF), shot.pixelColor(10, 10));
}

TEST_F(QtUiTest, MessageBoxesAndTheFontChooserAnswerWithWhatWasPressed) {
  // The owner is disabled (as under a dialog); the box over it still takes the user's click.
  WindowHandle owner = RecordingWindow(RectAt(0, 0, 200, 100), kWindowCaption | kWindowVisible);
  EnableWindow(owner, false);
  QString caption, text;
  bool clickReached = false;
  WhenShown<QMessageBox>(
      [] { return qobject_cast<QMessageBox*>(QApplication::activeModalWidget()); },
      [&](QMessageBox* box) {
        caption = box->windowTitle();
        text = box->text();
        QTest::mouseClick(box->button(QMessageBox::No), Qt::LeftButton);
        clickReached = !box->isVisible();
        if (!clickReached) box->button(QMessageBox::No)->click();
      });
  EXPECT_EQ(kAnswerNo, ShowMessageBox(owner, "Delete the tag \"k\xe9y\"?", "Confirm",
                                      kBoxYesNo | kBoxIconQuestion));
  EXPECT_TRUE(clickReached);
  EXPECT_EQ(QStringLiteral("Confirm"), caption);
  EXPECT_EQ(QStringLiteral("Delete the tag \"k\u00e9y\"?"), text);

  // A box from another thread is shown by the GUI thread.
  std::atomic<int> answer{0};
  WhenShown<QMessageBox>(
      [] { return qobject_cast<QMessageBox*>(QApplication::activeModalWidget()); },
      [](QMessageBox* box) { box->button(QMessageBox::Retry)->click(); });
  std::thread worker(
      [&] { answer = ShowMessageBox(nullptr, "Disk full", "M001", kBoxRetryCancel); });
  while (answer == 0)
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  worker.join();
  EXPECT_EQ(kAnswerRetry, answer.load());

  // The open-file dialog offers the filters given and returns the chosen path's bytes.
  testing_support::TempDir dir;
  testing_support::WriteFile(dir / "index.htm", "<html></html>");
  OpenFileRequest open;
  open.title = "Open a page";
  open.filters = {{"HTML files", "*.htm;*.html"}, {"All files", "*.*"}};
  open.initialDir = dir.path();
  QStringList offered;
  WhenShown<QFileDialog>(
      [] { return qobject_cast<QFileDialog*>(QApplication::activeModalWidget()); },
      [&](QFileDialog* dialog) {
        offered = dialog->nameFilters();
        dialog->selectFile(QString::fromStdString(dir / "index.htm"));
        static_cast<QDialog*>(dialog)->accept();
      });
  EXPECT_EQ(std::optional<std::string>(dir / "index.htm"), ChooseOpenFile(open));
  EXPECT_EQ(
      (QStringList{QStringLiteral("HTML files (*.htm *.html)"), QStringLiteral("All files (*.*)")}),
      offered);

  FontRequest request;
  request.font = MakeFont("DejaVu Sans", -13);
  request.colour = Rgb(1, 2, 3);
  request.minPoints = 6;
  request.maxPoints = 20;
  int sizes = 0;
  WhenShown<QDialog>([] { return qobject_cast<QDialog*>(QApplication::activeModalWidget()); },
                     [&](QDialog* dialog) {
                       auto* size = dialog->findChild<QComboBox*>(QStringLiteral("size"));
                       sizes = size->count();
                       size->setCurrentIndex(size->findText(QStringLiteral("12")));
                       dialog->findChild<QCheckBox*>(QStringLiteral("bold"))->setChecked(true);
                       dialog->accept();
                     });
  ASSERT_TRUE(ChooseFont(&request));
  EXPECT_EQ(15, sizes);  // 6 to 20 points
  const double dpi = QGuiApplication::primaryScreen()->logicalDotsPerInchY();
  EXPECT_EQ(-static_cast<int>(std::lround(12 * dpi / 72)), request.font.height);
  EXPECT_EQ(700, request.font.weight);
  EXPECT_STREQ("DejaVu Sans", request.font.faceName);
  EXPECT_EQ(Rgb(1, 2, 3), request.colour);
}

}  // namespace
