// The UI seam: what the program asks of a user interface. One API, a backend behind it.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// Opaque window handle; nullptr is "no owner".
using WindowHandle = void*;

// Message box styles: one button set, optionally or-ed with one icon.
enum BoxStyle : unsigned {
  kBoxOk = 0x0,
  kBoxOkCancel = 0x1,
  kBoxYesNoCancel = 0x3,
  kBoxYesNo = 0x4,
  kBoxRetryCancel = 0x5,
  kBoxButtonsMask = 0xF,
  kBoxIconStop = 0x10,
  kBoxIconQuestion = 0x20,
  kBoxIconExclamation = 0x30,
  kBoxIconInformation = 0x40,
  kBoxIconMask = 0xF0,
};

// The button a message box was closed with.
enum BoxAnswer : int {
  kAnswerOk = 1,
  kAnswerCancel = 2,
  kAnswerRetry = 4,
  kAnswerYes = 6,
  kAnswerNo = 7,
};

class UiBackend {
 public:
  virtual ~UiBackend() = default;
  // Shows a message box and returns the button pressed.
  virtual int MessageBox(WindowHandle owner, std::string_view text, std::string_view caption,
                         unsigned style) = 0;
};

// The backend in use (the headless one unless another was installed).
UiBackend& Ui();
// Installs a backend; nullptr restores the headless default. Returns the previous one.
UiBackend* SetUiBackend(UiBackend* ui);

// Shows a message box through the backend in use.
int ShowMessageBox(WindowHandle owner, std::string_view text, std::string_view caption,
                   unsigned style);

}  // namespace platform
