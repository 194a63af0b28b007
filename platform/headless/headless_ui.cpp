#include "platform/headless/headless_ui.h"

namespace platform {

namespace {

int DefaultAnswer(unsigned style, bool answerYes) {
  switch (style & kBoxButtonsMask) {
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

void HeadlessUi::Script(std::string captionPart, int answer) {
  script_.push_back({std::move(captionPart), answer});
}

int HeadlessUi::MessageBox(WindowHandle owner, std::string_view text, std::string_view caption,
                           unsigned style) {
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

int ShowMessageBox(WindowHandle owner, std::string_view text, std::string_view caption,
                   unsigned style) {
  return Ui().MessageBox(owner, text, caption, style);
}

}  // namespace platform
