#include "platform/headless/headless_ui.h"

#include "platform/text.h"

namespace platform {

namespace {

int DefaultAnswer(unsigned style, bool answerYes) {
  unsigned buttons = style & kBoxButtonsMask;
  bool question = buttons == kBoxYesNo || buttons == kBoxYesNoCancel;
  if (!(question && answerYes)) {
    if ((style & kBoxDefaultMask) == kBoxDefaultButton3 && buttons == kBoxYesNoCancel)
      return kAnswerCancel;
    if ((style & kBoxDefaultMask) == kBoxDefaultButton2) {
      if (question) return kAnswerNo;
      if (buttons == kBoxOkCancel || buttons == kBoxRetryCancel) return kAnswerCancel;
    }
  }
  switch (buttons) {
    case kBoxYesNo:
    case kBoxYesNoCancel:
      return answerYes ? kAnswerYes : kAnswerNo;
    case kBoxRetryCancel:
      return kAnswerCancel;  // never loop on a retry nobody can fix
    default:
      return kAnswerOk;
  }
}

UiBackend* gUi = nullptr;

}  // namespace

const ControlSnapshot* DialogRecord::control(int id) const {
  for (const ControlSnapshot& c : controls)
    if (c.id == id) return &c;
  return nullptr;
}

DialogScript& DialogScript::Type(int id, std::string text) {
  return Then([id, text = std::move(text)](HeadlessUi& ui, WindowHandle dialog) {
    ui.TypeText(ui.FindControl(dialog, id), text);
  });
}

DialogScript& DialogScript::Click(int id) {
  return Then(
      [id](HeadlessUi& ui, WindowHandle dialog) { ui.ClickControl(ui.FindControl(dialog, id)); });
}

DialogScript& DialogScript::Choose(int id, int index) {
  return Then([id, index](HeadlessUi& ui, WindowHandle dialog) {
    ui.ChooseItem(ui.FindControl(dialog, id), index);
  });
}

DialogScript& DialogScript::ChooseText(int id, std::string text) {
  return Then([id, text = std::move(text)](HeadlessUi& ui, WindowHandle dialog) {
    WindowHandle control = ui.FindControl(dialog, id);
    ui.ChooseItem(control, ui.FindListItem(control, text));
  });
}

DialogScript& DialogScript::DoubleClick(int id, int index) {
  return Then([id, index](HeadlessUi& ui, WindowHandle dialog) {
    ui.DoubleClickItem(ui.FindControl(dialog, id), index);
  });
}

DialogScript& DialogScript::Scroll(int id, int position) {
  return Then([id, position](HeadlessUi& ui, WindowHandle dialog) {
    ui.ScrollTo(ui.FindControl(dialog, id), position);
  });
}

DialogScript& DialogScript::Wait(int milliseconds) {
  return Then(
      [milliseconds](HeadlessUi& ui, WindowHandle dialog) { ui.RunFor(milliseconds, dialog); });
}

DialogScript& DialogScript::Close() {
  return Then([](HeadlessUi& ui, WindowHandle dialog) { ui.CloseWindow(dialog); });
}

DialogScript& DialogScript::Then(Step step) {
  steps_.push_back(std::move(step));
  return *this;
}

void HeadlessUi::Script(std::string captionPart, int answer) {
  std::lock_guard<std::mutex> lock(boxMutex_);
  script_.push_back({std::move(captionPart), answer});
}

void HeadlessUi::Clear() {
  std::lock_guard<std::mutex> lock(boxMutex_);
  boxes_.clear();
  script_.clear();
}

int HeadlessUi::MessageBox(WindowHandle owner, std::string_view text, std::string_view caption,
                           unsigned style) {
  // The timer thread may report through a box while the window thread shows its own.
  std::lock_guard<std::mutex> lock(boxMutex_);
  int answer = 0;
  for (auto it = script_.begin(); it != script_.end(); ++it) {
    if (caption.find(it->captionPart) != std::string_view::npos) {
      answer = it->answer;
      script_.erase(it);
      break;
    }
  }
  if (answer == 0) {
    answer = DefaultAnswer(style, answerYes_);
    if (echo_) {
      std::fprintf(echo_, "%.*s: %.*s\n", static_cast<int>(caption.size()), caption.data(),
                   static_cast<int>(text.size()), text.data());
      std::fflush(echo_);
    }
  }
  boxes_.push_back({owner, std::string(caption), std::string(text), style, answer});
  return answer;
}

void HeadlessUi::ScriptDialog(std::string titlePart, DialogScript script) {
  dialogScripts_.push_back({std::move(titlePart), std::move(script)});
}

void HeadlessUi::ScriptPopup(int command) {
  popupScripts_.push_back(command);
}

void HeadlessUi::ScriptOpenFile(
    std::function<std::optional<std::string>(const OpenFileRequest&)> answer) {
  openScripts_.push_back(std::move(answer));
}

void HeadlessUi::ScriptOpenFile(std::string path) {
  ScriptOpenFile([path = std::move(path)](const OpenFileRequest&) {
    return std::optional<std::string>(path);
  });
}

void HeadlessUi::ScriptChooseFont(FontDescription font, Colour colour) {
  fontScripts_.push_back({font, colour});
}

void HeadlessUi::ScriptChooseDirectory(std::string path) {
  directoryScripts_.push_back(std::move(path));
}

std::optional<std::string> HeadlessUi::ChooseOpenFile(const OpenFileRequest& request) {
  CommonDialogRecord record;
  record.kind = CommonDialogKind::kOpenFile;
  record.title = request.title;
  record.filters = request.filters;
  record.start = request.initialDir;
  std::optional<std::string> answer;
  if (!openScripts_.empty()) {
    auto script = std::move(openScripts_.front());
    openScripts_.pop_front();
    answer = script(request);
  }
  record.answered = answer.has_value();
  if (answer) record.answer = *answer;
  common_.push_back(std::move(record));
  return answer;
}

bool HeadlessUi::ChooseFont(FontRequest* request) {
  CommonDialogRecord record;
  record.kind = CommonDialogKind::kFont;
  record.title = request->font.faceName;
  if (!fontScripts_.empty()) {
    request->font = fontScripts_.front().first;
    request->colour = fontScripts_.front().second;
    fontScripts_.pop_front();
    record.answered = true;
    record.answer = request->font.faceName;
  }
  bool answered = record.answered;
  common_.push_back(std::move(record));
  return answered;
}

std::optional<std::string> HeadlessUi::ChooseDirectory(WindowHandle owner, std::string_view title,
                                                       std::string_view start) {
  (void)owner;
  CommonDialogRecord record;
  record.kind = CommonDialogKind::kDirectory;
  record.title = title;
  record.start = start;
  std::optional<std::string> answer;
  if (!directoryScripts_.empty()) {
    answer = std::move(directoryScripts_.front());
    directoryScripts_.pop_front();
    record.answered = true;
    record.answer = *answer;
  }
  common_.push_back(std::move(record));
  return answer;
}

HeadlessUi& DefaultHeadlessUi() {
  static HeadlessUi ui;
  return ui;
}

UiBackend& Ui() {
  return gUi ? *gUi : DefaultHeadlessUi();
}

UiBackend* SetUiBackend(UiBackend* ui) {
  UiBackend* previous = gUi ? gUi : &DefaultHeadlessUi();
  gUi = ui;
  return previous;
}

namespace {
UnattendedTest gUnattended = nullptr;
}  // namespace

void SetUnattendedTest(UnattendedTest test) {
  gUnattended = test;
}

int DefaultButton(unsigned style) {
  const unsigned buttons = style & kBoxButtonsMask;
  const unsigned position = (style & kBoxDefaultMask) >> 8;
  switch (buttons) {
    case kBoxOkCancel:
      return position == 1 ? kAnswerCancel : kAnswerOk;
    case kBoxYesNo:
      return position == 1 ? kAnswerNo : kAnswerYes;
    case kBoxYesNoCancel:
      return position == 2 ? kAnswerCancel : position == 1 ? kAnswerNo : kAnswerYes;
    case kBoxRetryCancel:
      return kAnswerCancel;
    default:
      return kAnswerOk;
  }
}

int ShowMessageBox(WindowHandle owner, std::string_view text, std::string_view caption,
                   unsigned style) {
  if (gUnattended && gUnattended()) return DefaultButton(style);
  return Ui().MessageBox(owner, text, caption, style);
}

}  // namespace platform
